#include "platform/scrollbar.h"

#include "platform/guard.h"

namespace platform {

ScrollBar::ScrollBar(Qt::Orientation orientation, QWidget* parent) : QScrollBar(orientation, parent) {
  setFocusPolicy(Qt::NoFocus);
  connect(this, &QAbstractSlider::actionTriggered, this, [this](int a) { Action(a); });
  connect(this, &QAbstractSlider::sliderReleased, this, [this] { Released(); });
  Apply();
}

void ScrollBar::SetParams(int min, int max, int page, int position, bool disableNoScroll) {
  if (min == min_ && max == max_ && page == page_ && position == position_ && disableNoScroll == disableNoScroll_)
    return;
  min_ = min;
  max_ = max;
  page_ = std::max(0, page);
  disableNoScroll_ = disableNoScroll;
  // The platform keeps the position within min .. max - page + 1.
  const int top = std::max(min_, max_ - std::max(page_, 1) + 1);
  position_ = std::clamp(position, min_, top);
  track_ = position_;
  Apply();
}

void ScrollBar::SetPosition(int position) {
  const int top = std::max(min_, max_ - std::max(page_, 1) + 1);
  position = std::clamp(position, min_, top);
  if (position == position_) return;
  position_ = track_ = position;
  Apply();
}

void ScrollBar::SetShown(bool shown) {
  shown_ = shown;
  Apply();
}

void ScrollBar::Apply() {
  applying_ = true;
  const bool scrollable = max_ > min_ && max_ - min_ + 1 > page_;
  setRange(min_, std::max(min_, max_ - std::max(page_, 1) + 1));
  setPageStep(std::max(1, page_));
  setSingleStep(1);
  setSliderPosition(position_);
  setValue(position_);
  if (!shown_) {
    setVisible(false);
  } else if (scrollable) {
    setVisible(true);
    setEnabled(arrows_ != ESB_DISABLE_BOTH);
  } else {
    setVisible(disableNoScroll_);
    setEnabled(false);
  }
  applying_ = false;
}

void ScrollBar::Action(int action) {
  if (applying_) return;
  int code = -1;
  switch (action) {
    case SliderSingleStepAdd: code = SB_LINEDOWN; break;
    case SliderSingleStepSub: code = SB_LINEUP; break;
    case SliderPageStepAdd: code = SB_PAGEDOWN; break;
    case SliderPageStepSub: code = SB_PAGEUP; break;
    case SliderToMinimum: code = SB_TOP; break;
    case SliderToMaximum: code = SB_BOTTOM; break;
    case SliderMove: code = SB_THUMBTRACK; break;
    default: return;
  }
  if (code == SB_THUMBTRACK) track_ = sliderPosition();
  // Undo the bar's own move: the owner sets the position in its handler.
  applying_ = true;
  setSliderPosition(position_);
  applying_ = false;
  const int pos = code == SB_THUMBTRACK ? track_ : position_;
  guarded([&] {
    if (onScroll) onScroll(code, pos);
  });
  // Qt moves the value to the slider position after this signal.
  applying_ = true;
  setSliderPosition(position_);
  applying_ = false;
}

void ScrollBar::Released() {
  if (applying_) return;
  const int pos = track_;
  guarded([&] {
    if (onScroll) {
      onScroll(SB_THUMBPOSITION, pos);
      onScroll(SB_ENDSCROLL, position_);
    }
  });
}

}  // namespace platform
