#pragma once
// A scroll bar in the platform's terms: range, page and position as the
// platform keeps them (Qt's maximum is max - page + 1), scroll codes for
// every user action, and the bar's own move undone so that its owner sets
// the position, as the platform's bars behave.
#include <functional>

#include <QScrollBar>

namespace platform {

enum : int {
  SB_LINEUP = 0, SB_LINELEFT = 0, SB_LINEDOWN = 1, SB_LINERIGHT = 1, SB_PAGEUP = 2, SB_PAGELEFT = 2,
  SB_PAGEDOWN = 3, SB_PAGERIGHT = 3, SB_THUMBPOSITION = 4, SB_THUMBTRACK = 5, SB_TOP = 6,
  SB_LEFT = 6, SB_BOTTOM = 7, SB_RIGHT = 7, SB_ENDSCROLL = 8,
};
// Arrow states (EnableScrollBar).
enum : int { ESB_ENABLE_BOTH = 0, ESB_DISABLE_LTUP = 1, ESB_DISABLE_RTDN = 2, ESB_DISABLE_BOTH = 3 };

// Width of a vertical bar (and height of a horizontal one), also the metric.
constexpr int kScrollBarSize = 17;

class ScrollBar : public QScrollBar {
 public:
  ScrollBar(Qt::Orientation orientation, QWidget* parent = nullptr);

  // Stores the four values; a bar whose range cannot scroll is hidden, or
  // disabled when disableNoScroll. Nothing happens when nothing changed.
  void SetParams(int min, int max, int page, int position, bool disableNoScroll = false);
  void SetPosition(int position);
  int Min() const { return min_; }
  int Max() const { return max_; }
  int Page() const { return page_; }
  int Position() const { return position_; }
  // Position of the thumb while it is dragged.
  int TrackPosition() const { return track_; }

  // Whether the owner wants the bar at all (hidden regardless of range).
  void SetShown(bool shown);
  bool Shown() const { return shown_; }
  void SetArrows(int esbFlags) { arrows_ = esbFlags; }
  int Arrows() const { return arrows_; }

  // Called with a scroll code and the position that goes with it.
  std::function<void(int code, int position)> onScroll;

  // Drives the bar as a user would (tests, keyboard): the same codes follow.
  void Trigger(QAbstractSlider::SliderAction action) { triggerAction(action); }

 private:
  void Action(int action);
  void Released();
  void Apply();
  int min_ = 0, max_ = 100, page_ = 0, position_ = 0, track_ = 0;
  bool disableNoScroll_ = false;
  bool shown_ = true;
  int arrows_ = ESB_ENABLE_BOTH;
  bool applying_ = false;
};

}  // namespace platform
