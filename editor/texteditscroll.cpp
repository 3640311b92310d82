// The editor's view: the first visible row and column, bringing the caret
// into view, the two scroll bars (scaled beyond 32767), the scroll messages
// with the top-line hint, and the mouse wheel.
#include <QLabel>
#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>

#include "editor/textedit.h"
#include "platform/colors.h"
#include "platform/control.h"
#include "platform/geometry.h"

namespace editor {

namespace {

constexpr int kMaxScrollRange = 32767;
constexpr int kMaxHintWidth = 200;

// One hint window for all editors, made when first needed.
QLabel*& HintWindow() {
  static QLabel* hint = nullptr;
  return hint;
}

std::string& HintText() {
  static std::string text;
  return text;
}

}  // namespace

QWidget* TCustomTextEdit::ScrollHintWindow() { return HintWindow(); }
std::string TCustomTextEdit::ScrollHintText() { return HintText(); }

// ------------------------------------------------------------ top and left

int TCustomTextEdit::MaxTopLine() const {
  if (HasOption(eoScrollPastEof)) return DisplayLineCount();
  return DisplayLineCount() - linesInWindow_ + 1;
}

void TCustomTextEdit::SetTopLine(int value) {
  value = std::max(std::min(value, MaxTopLine()), 1);
  if (value == topLine_) return;
  const int delta = topLine_ - value;
  topLine_ = value;
  if (std::abs(delta) < linesInWindow_ && !linesChanging_)
    ScrollRect(0, textHeight_ * delta);
  else
    Invalidate();
  UpdateScrollBars();
  // The caret's pixel position moved with the text.
  UpdateCaret();
  StatusChanged(scTopLine);
}

int TCustomTextEdit::MaxLeftChar() const {
  if (!HasOption(eoScrollPastEol)) return std::max(lines_->LongestLineLength() - charsInWindow_ + 1, 1);
  if (HasOption(eoAutoSizeMaxScrollWidth)) return INT_MAX - charsInWindow_;
  return maxScrollWidth_ - charsInWindow_ + 1;
}

void TCustomTextEdit::SetLeftChar(int value) {
  if (WordWrap()) value = 1;
  value = MinMax(value, 1, MaxLeftChar());
  if (value == leftChar_) return;
  const int delta = leftChar_ - value;
  leftChar_ = value;
  textOffset_ = gutterWidth_ + 2 - (leftChar_ - 1) * charWidth_;
  platform::Rect textArea = ClientRect();
  textArea.left = gutterWidth_ + 2;
  if (std::abs(delta) < charsInWindow_ && !linesChanging_)
    ScrollRect(delta * charWidth_, 0, &textArea);
  else
    InvalidateRect(textArea);
  if (HasOption(eoAutoSizeMaxScrollWidth) && HasOption(eoScrollPastEol) &&
      static_cast<long long>(leftChar_) + charsInWindow_ > maxScrollWidth_)
    SetMaxScrollWidth(leftChar_ + charsInWindow_);
  else
    UpdateScrollBars();
  UpdateCaret();
  StatusChanged(scLeftChar);
}

void TCustomTextEdit::SetMaxScrollWidth(int value) {
  value = MinMax(value, 1, INT_MAX - 1);
  if (value == maxScrollWidth_) return;
  maxScrollWidth_ = value;
  if (HasOption(eoScrollPastEol)) UpdateScrollBars();
}

void TCustomTextEdit::SetScrollBars(TScrollStyle value) {
  if (value == scrollBars_) return;
  scrollBars_ = value;
  UpdateScrollBars();
  Invalidate();
}

void TCustomTextEdit::EnsureCursorPosVisibleEx(bool forceToMiddle) {
  IncPaintLock();
  const TDisplayCoord caret = DisplayXY();
  if (caret.Column < leftChar_)
    SetLeftChar(caret.Column);
  else if (charsInWindow_ > 0 && caret.Column >= leftChar_ + charsInWindow_)
    SetLeftChar(caret.Column - charsInWindow_ + 1);
  const int row = caret.Row;
  if (forceToMiddle) {
    if (row < topLine_ - 1)
      SetTopLine(row - linesInWindow_ / 2 + 1);
    else if (row > topLine_ + linesInWindow_ - 2)
      SetTopLine(row - (linesInWindow_ - 1) + linesInWindow_ / 2);
  } else {
    const int lines = std::max(1, linesInWindow_);
    if (row < topLine_)
      SetTopLine(row);
    else if (row > topLine_ + lines - 1)
      SetTopLine(row - (lines - 1));
  }
  DecPaintLock();
}

// -------------------------------------------------------------- scroll bars

void TCustomTextEdit::UpdateScrollBars() {
  if (!HandleAllocated() || paintLock_ != 0) {
    scrollBarsChanged_ = true;
    return;
  }
  scrollBarsChanged_ = false;
  // Showing or hiding a bar changes the client area, and with it the
  // window's size in characters and lines; one more pass settles the bars.
  for (int pass = 0; pass < 2; ++pass) {
    const int width = ClientWidth();
    const int height = ClientHeight();
    UpdateScrollBarsNow();
    if (width == ClientWidth() && height == ClientHeight()) break;
    textOffset_ = gutterWidth_ + 2 - (leftChar_ - 1) * charWidth_;
    charsInWindow_ = std::max(ClientWidth() - gutterWidth_ - 2, 0) / std::max(1, charWidth_);
    linesInWindow_ = ClientHeight() / std::max(1, textHeight_);
    WrapWidthChanged();
  }
}

namespace {

// One bar from its range R, the window's page and the first visible index.
void ApplyBar(platform::ScrollBar* bar, int range, int page, int position, bool disableNoScroll, bool disableArrows) {
  int min = 1, max = range, pg = page, pos = position;
  if (range > kMaxScrollRange) {
    min = 0;
    max = kMaxScrollRange;
    pg = platform::MulDiv(kMaxScrollRange, page, range);
    pos = platform::MulDiv(kMaxScrollRange, position, range);
  }
  const bool scrollable = max > min && max - min + 1 > pg;
  int arrows = platform::ESB_ENABLE_BOTH;
  if (disableArrows || !scrollable) {
    const bool atStart = pos <= min;
    const bool atEnd = pos >= max - std::max(pg, 1) + 1;
    if (atStart && atEnd)
      arrows = platform::ESB_DISABLE_BOTH;
    else if (atStart)
      arrows = platform::ESB_DISABLE_LTUP;
    else if (atEnd)
      arrows = platform::ESB_DISABLE_RTDN;
  }
  bar->SetArrows(arrows);
  bar->SetParams(min, max, pg, pos, disableNoScroll);
  bar->SetShown(true);
}

}  // namespace

void TCustomTextEdit::UpdateScrollBarsNow() {
  const bool wantH = (scrollBars_ == TScrollStyle::ssHorizontal || scrollBars_ == TScrollStyle::ssBoth) && !WordWrap();
  const bool wantV = scrollBars_ == TScrollStyle::ssVertical || scrollBars_ == TScrollStyle::ssBoth;
  const bool disableNoScroll = !HasOption(eoHideShowScrollbars);
  const bool disableArrows = HasOption(eoDisableScrollArrows);
  if (wantH) {
    const int range = HasOption(eoScrollPastEol) ? maxScrollWidth_ : std::max(lines_->LongestLineLength(), 1);
    ApplyBar(HorzScrollBar(), range, charsInWindow_, leftChar_, disableNoScroll, disableArrows);
  } else if (HasHorzScrollBar()) {
    HorzScrollBar()->SetShown(false);
  }
  if (wantV) {
    int range = DisplayLineCount();
    if (HasOption(eoScrollPastEof)) range += linesInWindow_ - 1;
    range = std::max(range, 1);
    ApplyBar(VertScrollBar(), range, linesInWindow_, topLine_, disableNoScroll, disableArrows);
  } else if (HasVertScrollBar()) {
    VertScrollBar()->SetShown(false);
  }
  PositionScrollBars();
}

void TCustomTextEdit::PositionScrollBars() {
  const int w = ClientWidth();
  const int h = ClientHeight();
  if (HasVertScrollBar()) VertScrollBar()->setGeometry(w, 0, platform::kScrollBarSize, h);
  if (HasHorzScrollBar()) HorzScrollBar()->setGeometry(0, h, w, platform::kScrollBarSize);
}

// ----------------------------------------------------------- scroll messages

void TCustomTextEdit::Scroll(Qt::Orientation bar, int code, int position) {
  if (bar == Qt::Horizontal)
    HandleHScroll(code, position);
  else
    HandleVScroll(code, position);
}

void TCustomTextEdit::HandleHScroll(int code, int position) {
  const int page = charsInWindow_ - (HasOption(eoScrollByOneLess) ? 1 : 0);
  switch (code) {
    case platform::SB_LEFT: SetLeftChar(1); break;
    case platform::SB_RIGHT:
      if (HasOption(eoScrollPastEol))
        SetLeftChar(maxScrollWidth_ - charsInWindow_ + 1);
      else
        SetLeftChar(lines_->LongestLineLength());
      break;
    case platform::SB_LINERIGHT: SetLeftChar(leftChar_ + 1); break;
    case platform::SB_LINELEFT: SetLeftChar(leftChar_ - 1); break;
    case platform::SB_PAGERIGHT: SetLeftChar(leftChar_ + page); break;
    case platform::SB_PAGELEFT: SetLeftChar(leftChar_ - page); break;
    case platform::SB_THUMBPOSITION:
    case platform::SB_THUMBTRACK: {
      isScrolling_ = true;
      const int range = HasOption(eoScrollPastEol) ? maxScrollWidth_ : std::max(lines_->LongestLineLength(), 1);
      if (range > kMaxScrollRange)
        SetLeftChar(platform::MulDiv(range, position, kMaxScrollRange));
      else
        SetLeftChar(position);
      break;
    }
    case platform::SB_ENDSCROLL: isScrolling_ = false; break;
    default: break;
  }
  Update();
  if (OnScroll) OnScroll(this, TScrollBarKind::sbHorizontal);
}

void TCustomTextEdit::HandleVScroll(int code, int position) {
  const int page = linesInWindow_ - (HasOption(eoScrollByOneLess) ? 1 : 0);
  switch (code) {
    case platform::SB_TOP: SetTopLine(1); break;
    case platform::SB_BOTTOM: SetTopLine(DisplayLineCount()); break;
    case platform::SB_LINEDOWN: SetTopLine(topLine_ + 1); break;
    case platform::SB_LINEUP: SetTopLine(topLine_ - 1); break;
    case platform::SB_PAGEDOWN: SetTopLine(topLine_ + page); break;
    case platform::SB_PAGEUP: SetTopLine(topLine_ - page); break;
    case platform::SB_THUMBPOSITION:
    case platform::SB_THUMBTRACK: {
      isScrolling_ = true;
      const int rows = DisplayLineCount();
      if (rows > kMaxScrollRange)
        SetTopLine(platform::MulDiv(rows + linesInWindow_ - 1, position, kMaxScrollRange));
      else
        SetTopLine(position);
      if (HasOption(eoShowScrollHint)) ScrollHintShow(true);
      break;
    }
    case platform::SB_ENDSCROLL:
      isScrolling_ = false;
      ScrollHintShow(false);
      break;
    default: break;
  }
  Update();
  if (OnScroll) OnScroll(this, TScrollBarKind::sbVertical);
}

void TCustomTextEdit::ScrollHintShow(bool show) {
  QLabel*& hint = HintWindow();
  if (!show) {
    if (hint) hint->hide();
    return;
  }
  char text[64];
  if (scrollHintFormat_ == TScrollHintFormat::shfTopToBottom) {
    const int last = topLine_ + std::min(linesInWindow_, DisplayLineCount() - topLine_);
    std::snprintf(text, sizeof text, "%d - %d", RowToLine(topLine_), RowToLine(last));
  } else {
    std::snprintf(text, sizeof text, "Top Line: %d", RowToLine(topLine_));
  }
  HintText() = text;
  if (!hint) {
    hint = new QLabel();
    hint->setWindowFlags(Qt::ToolTip | Qt::FramelessWindowHint);
    hint->setAttribute(Qt::WA_ShowWithoutActivating);
    hint->setMargin(2);
  }
  const QColor bk = platform::ToQColor(platform::ColourToRgb(scrollHintColor_));
  hint->setStyleSheet(QString("QLabel { background-color: %1; color: black; }").arg(bk.name()));
  hint->setText(QString::fromUtf8(text));
  hint->adjustSize();
  const int width = std::min(hint->sizeHint().width(), kMaxHintWidth);
  const int height = hint->sizeHint().height();
  int y = 10;
  if (HasOption(eoScrollHintFollows) && HasVertScrollBar()) {
    const platform::ScrollBar* bar = VertScrollBar();
    const int span = std::max(1, bar->Max() - bar->Min());
    const int arrow = platform::kScrollBarSize;
    const double at = double(bar->TrackPosition() - bar->Min()) / span;
    y = static_cast<int>(at * (ClientHeight() - 2 * arrow)) + arrow + height / 2;
  }
  const QPoint global = mapToGlobal(QPoint(ClientWidth() - width - 4, y));
  hint->setGeometry(global.x(), global.y(), width, height);
  hint->show();
}

// ------------------------------------------------------------------- wheel

bool TCustomTextEdit::MouseWheel(platform::ShiftState shift, int delta, int, int) {
  return HandleMouseWheel(shift, delta);
}

bool TCustomTextEdit::HandleMouseWheel(platform::ShiftState shift, int delta) {
  int lines;
  if (shift & platform::ssCtrl)
    lines = HasOption(eoHalfPageScroll) ? linesInWindow_ / 2 : linesInWindow_;
  else
    lines = platform::WheelScrollLines();
  if (lines == -1 || lines > linesInWindow_) lines = linesInWindow_;
  mouseWheelAccumulator_ += delta;
  while (mouseWheelAccumulator_ >= 120) {
    SetTopLine(topLine_ - lines);
    mouseWheelAccumulator_ -= 120;
    if (OnScroll) OnScroll(this, TScrollBarKind::sbVertical);
  }
  while (mouseWheelAccumulator_ <= -120) {
    SetTopLine(topLine_ + lines);
    mouseWheelAccumulator_ += 120;
    if (OnScroll) OnScroll(this, TScrollBarKind::sbVertical);
  }
  return true;
}

}  // namespace editor
