// The editor and the mouse: placing the caret, selecting by dragging (with
// the 100 ms timer that keeps the selection moving while the mouse is
// beyond the text), double-click word selection, gutter clicks, the cursor,
// and dragging a selection within an editor or to another one.
#include <QPoint>
#include <algorithm>
#include <cstdlib>
#include <vector>

#include "editor/edmiscprocs.h"
#include "editor/textedit.h"
#include "platform/cursors.h"

namespace editor {

namespace {

using platform::MouseButton;

// Every editor alive, for finding the one under the pointer during a drag.
std::vector<TCustomTextEdit*>& Editors() {
  static std::vector<TCustomTextEdit*> editors;
  return editors;
}

}  // namespace

void RegisterEditorForDrags(TCustomTextEdit* editor, bool add) {
  auto& list = Editors();
  if (add)
    list.push_back(editor);
  else
    list.erase(std::remove(list.begin(), list.end(), editor), list.end());
}

// ------------------------------------------------------------- positions

TBufferCoord TCustomTextEdit::MouseBufferPos(int x, int y, bool nearest) const {
  TDisplayCoord d = nearest ? PixelsToNearestRowColumn(x, y) : PixelsToRowColumn(x, y);
  d.Row = MinMax(d.Row, 1, std::max(1, DisplayLineCount()));
  return DisplayToBufferPos(d);
}

void TCustomTextEdit::MoveCaretToMouse(int x, int y, bool keepColumn, bool keepRow) {
  TDisplayCoord d = PixelsToRowColumn(x, y);
  d.Row = MinMax(d.Row, 1, std::max(1, DisplayLineCount()));
  if (keepColumn) d.Column = DisplayX();
  if (keepRow) d.Row = DisplayY();
  if (WordWrap())
    InternalSetCaretDisplay(d);
  else
    InternalSetCaretXY(DisplayToBufferPos(d));
}

int TCustomTextEdit::MouseCursorAt(int x, int y) const {
  if (x < gutterWidth_) return gutter_.Cursor();
  int cursor = platform::crIBeam;
  const TBufferCoord p = MouseBufferPos(x, y, false);
  if (HasOption(eoDragDropEditing) && !HasCapture() && SelAvail() && IsPointInSelection(p)) cursor = platform::crArrow;
  if (OnMouseCursor) OnMouseCursor(const_cast<TCustomTextEdit*>(this), p, cursor);
  return cursor;
}

// ------------------------------------------------------------ mouse down

void TCustomTextEdit::MouseDown(MouseButton button, platform::ShiftState shift, int x, int y) {
  const TBufferCoord oldBegin = blockBegin_;
  const TBufferCoord oldEnd = blockEnd_;
  const bool hadSelection = SelAvail();
  if (button == MouseButton::Left && hadSelection) mouseDownPixel_ = {x, y};
  // A double click was handled by DblClick.
  if (button == MouseButton::Left && (shift & platform::ssDouble)) return;
  if (button == MouseButton::Left) {
    MoveCaretToMouse(x, y, false, false);
  } else if (button == MouseButton::Right) {
    const TBufferCoord p = MouseBufferPos(x, y, false);
    if (!HasOption(eoRightMouseMovesCursor) || (hadSelection && IsPointInSelection(p))) return;
    InvalidateSelection();
    blockEnd_ = blockBegin_;
    MoveCaretToMouse(x, y, false, false);
  } else {
    return;
  }
  mouseDownPos_ = CaretXY();
  mouseDownPixel_ = {x, y};
  bool startDrag = false;
  if (button == MouseButton::Left) {
    // The caret moved; the selection stays until the click is known not to
    // start a drag.
    blockBegin_ = oldBegin;
    blockEnd_ = oldEnd;
    SetCapture();
    waitForDragging_ = false;
    startDrag = hadSelection && HasOption(eoDragDropEditing) && x >= gutterWidth_ + 2 &&
                selectionMode_ == TEdSelectionMode::smNormal && IsPointInSelection(CaretXY());
  }
  if (startDrag) {
    waitForDragging_ = true;
  } else if (!dblClicked_) {
    if (shift & platform::ssShift) {
      SetBlockEnd(CaretXY());
    } else {
      if (HasOption(eoAltSetsColumnMode) && activeSelectionMode_ != TEdSelectionMode::smLine)
        SetSelectionMode((shift & platform::ssAlt) ? TEdSelectionMode::smColumn : TEdSelectionMode::smNormal);
      SetBlockBegin(CaretXY());
    }
  }
  if (x < gutterWidth_) gutterClick_ = true;
  if (gutterClick_ && button == MouseButton::Right) ReportGutterClick(button, x, y);
  SetFocus();
}

// ------------------------------------------------------------ mouse move

void TCustomTextEdit::MouseMove(platform::ShiftState shift, int x, int y) {
  if (dragging_) {
    DragMoveTo(x, y, shift);
    return;
  }
  setCursor(platform::CursorFor(MouseCursorAt(x, y)));
  if (waitForDragging_ && HasCapture()) {
    if (std::abs(mouseDownPixel_.x - x) >= platform::DragDistance() ||
        std::abs(mouseDownPixel_.y - y) >= platform::DragDistance()) {
      waitForDragging_ = false;
      StartDrag();
      DragMoveTo(x, y, shift);
    }
    return;
  }
  if ((shift & platform::ssLeft) && HasCapture()) {
    ComputeScrollDeltas(x, y);
    MoveCaretToMouse(x, y, scrollDeltaX_ != 0, scrollDeltaY_ != 0);
    SetBlockEnd(CaretXY());
    if (gutterClick_ && caretY_ != blockBegin_.Line) gutterDragging_ = true;
  }
}

// ------------------------------------------------------ selection scroll

void TCustomTextEdit::ComputeScrollDeltas(int x, int y) {
  if (!HasCapture() && !dragging_) {
    StopScrollTimer();
    return;
  }
  const int cw = std::max(1, charWidth_);
  const int lh = std::max(1, textHeight_);
  platform::Rect bounds{gutterWidth_, 0, gutterWidth_ + charsInWindow_ * cw, linesInWindow_ * lh};
  if (borderStyle_ == TBorderStyle::bsNone) {
    bounds.left += 2;
    bounds.top += 2;
    bounds.right -= 2;
    bounds.bottom -= 2;
  }
  // Cells beyond the text: negative before it, positive after it.
  auto delta = [](int v, int low, int high, int cell) {
    if (v < low) return (v - low) / cell - 1;
    if (v >= high) return (v - high) / cell + 1;
    return 0;
  };
  scrollDeltaX_ = delta(x, bounds.left, bounds.right, cw);
  scrollDeltaY_ = delta(y, bounds.top, bounds.bottom, lh);
  if (scrollDeltaX_ != 0 || scrollDeltaY_ != 0) {
    if (!TimerActive(kScrollTimerId)) SetTimer(kScrollTimerId, 100);
  } else {
    KillTimer(kScrollTimerId);
  }
}

void TCustomTextEdit::StopScrollTimer() {
  KillTimer(kScrollTimerId);
  scrollDeltaX_ = 0;
  scrollDeltaY_ = 0;
}

void TCustomTextEdit::Timer(int id) {
  if (id != kScrollTimerId) return;
  const platform::Point mouse = LastMousePos();
  TDisplayCoord d = PixelsToRowColumn(mouse.x, mouse.y);
  d.Row = MinMax(d.Row, 1, std::max(1, DisplayLineCount()));
  TPaintLockScope lock(*this);
  if (scrollDeltaX_ != 0) {
    SetLeftChar(leftChar_ + scrollDeltaX_);
    d.Column = leftChar_ + (scrollDeltaX_ > 0 ? charsInWindow_ : 0);
  }
  if (scrollDeltaY_ != 0) {
    // Shift scrolls by pages.
    if (platform::CurrentShiftState() & platform::ssShift)
      SetTopLine(topLine_ + scrollDeltaY_ * linesInWindow_);
    else
      SetTopLine(topLine_ + scrollDeltaY_);
    d.Row = topLine_ + (scrollDeltaY_ > 0 ? linesInWindow_ - 1 : 0);
  }
  d.Row = MinMax(d.Row, 1, std::max(1, DisplayLineCount()));
  const TBufferCoord p = DisplayToBufferPos(d);
  if (!(p == CaretXY())) {
    InternalSetCaretXY(p);
    if (HasCapture()) SetBlockEnd(CaretXY());
  }
  ComputeScrollDeltas(mouse.x, mouse.y);
}

void TCustomTextEdit::CaptureLost() {
  if (!dragging_) StopScrollTimer();
}

// -------------------------------------------------------------- mouse up

void TCustomTextEdit::MouseUp(MouseButton button, platform::ShiftState shift, int x, int y) {
  StopScrollTimer();
  if (dragging_) {
    TCustomTextEdit* target = EditorAtGlobal(mapToGlobal(QPoint(x, y)));
    const bool canceled = dragCanceled_;
    if (!canceled && target != nullptr) {
      const QPoint local = target->mapFromGlobal(mapToGlobal(QPoint(x, y)));
      if (target->DragOver(this, local.x(), local.y(), shift)) target->DragDrop(this, local.x(), local.y(), shift);
    } else if (!canceled) {
      InternalSetCaretXY(mouseDownPos_);
    }
    EndDrag();
    return;
  }
  if (button == MouseButton::Right && PopupMenu && !(shift & (platform::ssLeft | platform::ssMiddle))) return;
  ReleaseCapture();
  if (gutterClick_ && x < gutterWidth_ && button != MouseButton::Right) ReportGutterClick(button, x, y);
  if (waitForDragging_ && !dblClicked_) {
    MoveCaretToMouse(x, y, false, false);
    if (!(shift & platform::ssShift))
      SetBlockBegin(CaretXY());
    else
      SetBlockEnd(CaretXY());
  }
  waitForDragging_ = false;
  dblClicked_ = false;
  gutterClick_ = false;
  gutterDragging_ = false;
}

void TCustomTextEdit::DblClick() {
  const platform::Point p = LastMousePos();
  if (p.x >= gutterWidth_ + 2 && !HasOption(eoNoSelection)) SetWordBlock(CaretXY());
  dblClicked_ = true;
  ReleaseCapture();
}

void TCustomTextEdit::ReportGutterClick(MouseButton button, int x, int y) {
  if (!OnGutterClick) return;
  const int line = RowToLine(PixelsToRowColumn(x, y).Row);
  if (line > lines_->Count()) return;
  TTextEditMark* mark = nullptr;
  int right = 0;
  for (TTextEditMark* m : marks_->GetMarksForLine(line)) {
    right += bookMarkOptions_.Xoffset();
    if (x < right) {
      mark = m;
      break;
    }
  }
  OnGutterClick(this, button, x, y, line, mark);
}

// ---------------------------------------------------------- drag and drop

TCustomTextEdit* TCustomTextEdit::EditorAtGlobal(const QPoint& global) const {
  auto contains = [&](const TCustomTextEdit* e) {
    return e->isVisible() && e->rect().contains(e->mapFromGlobal(global));
  };
  if (contains(this)) return const_cast<TCustomTextEdit*>(this);
  for (TCustomTextEdit* e : Editors())
    if (e != this && contains(e)) return e;
  return nullptr;
}

void TCustomTextEdit::StartDrag() {
  dragging_ = true;
  dragCanceled_ = false;
  dragTarget_ = nullptr;
  // The drag owns the mouse from here; the selection no longer follows it.
  ReleaseCapture();
}

void TCustomTextEdit::DragMoveTo(int x, int y, platform::ShiftState shift) {
  const QPoint global = mapToGlobal(QPoint(x, y));
  TCustomTextEdit* target = EditorAtGlobal(global);
  if (dragTarget_ == this && target != this) {
    // Leaving the window puts the caret back where the drag began.
    StopScrollTimer();
    InternalSetCaretXY(mouseDownPos_);
  }
  dragTarget_ = target;
  bool accepted = false;
  if (target != nullptr) {
    const QPoint local = target->mapFromGlobal(global);
    accepted = target->DragOver(this, local.x(), local.y(), shift);
  }
  int cursor = platform::crNoDrop;
  if (accepted) cursor = (shift & platform::ssCtrl) ? platform::crMultiDrag : platform::crDrag;
  setCursor(platform::CursorFor(cursor));
}

bool TCustomTextEdit::DragOver(TCustomTextEdit* source, int x, int y, platform::ShiftState) {
  if (readOnly_ || source == nullptr) return false;
  if (source == this) {
    ComputeScrollDeltas(x, y);
    const bool inText = x >= gutterWidth_ && x < ClientWidth() && y >= 0 && y < ClientHeight();
    if (inText) InternalSetCaretXY(MouseBufferPos(x, y, true));
  } else {
    InternalSetCaretXY(MouseBufferPos(x, y, true));
  }
  return true;
}

void TCustomTextEdit::DragDrop(TCustomTextEdit* source, int x, int y, platform::ShiftState shift) {
  if (readOnly_ || source == nullptr || !source->SelAvail()) return;
  TBufferCoord drop = MouseBufferPos(x, y, true);
  InternalSetCaretXY(drop);
  drop = CaretXY();
  const bool same = source == this;
  const bool move = same ? !(shift & platform::ssCtrl) : (shift & platform::ssShift) != 0;
  if (same) {
    const TBufferCoord b = BlockBegin();
    const TBufferCoord e = BlockEnd();
    auto before = [](const TBufferCoord& p, const TBufferCoord& q) { return MinPoint(p, q) == p && !(p == q); };
    const bool outside = move ? (before(drop, b) || before(e, drop))
                              : (before(drop, b) || before(e, drop) || drop == b || drop == e);
    if (!outside) return;
  }
  const TEdSelectionMode mode = source->ActiveSelectionMode();
  TUndoBlockScope block(*this);
  const std::u16string text = source->SelText();
  if (move) {
    const TBufferCoord b = source->BlockBegin();
    const TBufferCoord e = source->BlockEnd();
    source->SetSelText(u"");
    if (same && MinPoint(e, drop) == e) {
      // What was removed before the drop point shifts it left or up.
      if (drop.Line == e.Line) drop.Char = b.Char + (drop.Char - e.Char);
      drop.Line -= e.Line - b.Line;
    }
  }
  {
    TPastEolScope pastEol(*this);
    SetCaretXY(drop);
    activeSelectionMode_ = mode;
    // Recorded as any insertion: with the spaces that reach a drop beyond a
    // line's end, a line block as the text it put in front of the line, a
    // column block piece by piece where each piece went.
    InsertRecorded(mode, text, same ? TUndoReason::urDropInsert : TUndoReason::urInsert);
  }
  SetBlockBegin(CaretXY());
  TBufferCoord at = drop;
  CommandProcessor(ecSelGotoXY, 0, &at);
}

void TCustomTextEdit::EndDrag() {
  dragging_ = false;
  dragTarget_ = nullptr;
  waitForDragging_ = false;
  dblClicked_ = false;
  gutterClick_ = false;
  StopScrollTimer();
  setCursor(platform::CursorFor(CursorId()));
}

void TCustomTextEdit::CancelDrag() {
  if (!dragging_) return;
  dragCanceled_ = true;
  InternalSetCaretXY(mouseDownPos_);
  EndDrag();
}

}  // namespace editor
