#include "editor/textedit.h"

#include <QInputMethodEvent>
#include <QRect>
#include <algorithm>
#include <climits>

#include "editor/edmiscprocs.h"
#include "editor/highlightscan.h"
#include "platform/cursors.h"
#include "platform/guard.h"

namespace editor {

namespace {

// A last line beyond every real one: "to the end of the text".
constexpr int kToEnd = INT_MAX;

TFontStyles StyleOf(const platform::Font& f) { return static_cast<TFontStyles>(f.Style()); }

}  // namespace

TCustomTextEdit::TCustomTextEdit(QWidget* parent)
    : platform::Control(parent), wordWrapGlyph_("TextEditWrapped", clLime) {
  font_.name = "Courier New";
  font_.SetSize(10);
  font_.color = clWindowText;

  lines_ = std::make_unique<TTextEditStringList>();
  lines_->SetTabWidth(tabWidth_);
  lines_->OnChanging = [this](TTextEditStringList*) { LinesChanging(); };
  lines_->OnChange = [this](TTextEditStringList*) { LinesChanged(); };
  lines_->OnCleared = [this](TTextEditStringList*) { ListCleared(); };
  lines_->OnDeleted = [this](TTextEditStringList*, int index, int count) { ListDeleted(index, count); };
  lines_->OnInserted = [this](TTextEditStringList*, int index, int count) { ListInserted(index, count); };
  lines_->OnPut = [this](TTextEditStringList*, int index, int count) { ListPut(index, count); };

  history_.GroupUndo = HasOption(eoGroupUndo);
  history_.UndoItem = [this](const TTextEditUndoItem& item) { UndoItem(item); };
  history_.RedoItem = [this](const TTextEditUndoItem& item) { RedoItem(item); };
  history_.OnChange = [this] {
    if (OnChange) OnChange(this);
  };
  history_.OnModifiedChanged = [this] { StatusChanged(scModified); };

  selectedColor_.OnChange = [this](TEdObject*) { InvalidateSelection(); };
  bookMarkOptions_.OnChange = [this](TEdObject*) { InvalidateGutter(); };
  gutter_.OnChange = [this](TEdObject* sender) { GutterChanged(sender); };
  wordWrapGlyph_.OnChange = [this](TEdObject*) { InvalidateGutter(); };
  gutterWidth_ = gutter_.Width();

  textDrawer_ = std::make_unique<TTextDrawer>(0, font_);
  keystrokes_.ResetDefaults();
  marks_ = std::make_unique<TTextEditMarkList>(this);
  marks_->OnChange = [this] { InvalidateGutter(); };
  RegisterEditorForDrags(this, true);

  resize(200, 150);
  SetCursorId(platform::crIBeam);
  wantReturns = wantReturns_;
  wantTabs = wantTabs_;
  kind = platform::ControlKind::Memo;
  setAttribute(Qt::WA_InputMethodEnabled);

  RecalcCharExtent();
  textOffset_ = gutterWidth_ + 2;
  SizeOrFontChanged(false);
}

TCustomTextEdit::~TCustomTextEdit() {
  destroying_ = true;
  RegisterEditorForDrags(this, false);
  KillTimer(kScrollTimerId);
  SetHighlighter(nullptr);
  // The line buffer goes with the control; it must not call back into it.
  lines_->OnChanging = nullptr;
  lines_->OnChange = nullptr;
  lines_->OnCleared = nullptr;
  lines_->OnDeleted = nullptr;
  lines_->OnInserted = nullptr;
  lines_->OnPut = nullptr;
  history_.OnChange = nullptr;
  history_.OnModifiedChanged = nullptr;
  marks_->OnChange = nullptr;
}

// ------------------------------------------------------------ text and lines

std::u16string TCustomTextEdit::LineText() const {
  if (caretY_ >= 1 && caretY_ <= lines_->Count()) return lines_->Get(caretY_ - 1);
  return {};
}

void TCustomTextEdit::SetLineText(std::u16string_view value) {
  if (caretY_ >= 1 && caretY_ <= std::max(1, lines_->Count())) lines_->Put(caretY_ - 1, value);
}

std::string TCustomTextEdit::SelTextUtf8() const { return platform::Utf16ToUtf8(SelText()); }
void TCustomTextEdit::SetSelTextUtf8(std::string_view value) { SetSelText(platform::Utf8ToUtf16(value)); }

bool TCustomTextEdit::SelAvail() const {
  return blockBegin_.Char != blockEnd_.Char ||
         (blockBegin_.Line != blockEnd_.Line && activeSelectionMode_ != TEdSelectionMode::smColumn);
}

void TCustomTextEdit::SelectAll() {
  TBufferCoord last{1, lines_->Count()};
  if (last.Line > 0)
    last.Char = static_cast<int>(lines_->Get(last.Line - 1).size()) + 1;
  else
    last.Line = 1;
  SetCaretAndSelection(last, TBufferCoord{1, 1}, last);
  StatusChanged(scSelection);
}

void TCustomTextEdit::ClearSelection() {
  if (SelAvail()) SetSelText(u"");
}

bool TCustomTextEdit::IsPointInSelection(const TBufferCoord& value) const {
  const TBufferCoord b = BlockBegin();
  const TBufferCoord e = BlockEnd();
  if (value.Line < b.Line || value.Line > e.Line || b == e) return false;
  switch (activeSelectionMode_) {
    case TEdSelectionMode::smLine: return true;
    case TEdSelectionMode::smColumn:
      if (b.Char > e.Char) return value.Char >= e.Char && value.Char < b.Char;
      return value.Char >= b.Char && value.Char < e.Char;
    case TEdSelectionMode::smNormal:
    default: return (value.Line > b.Line || value.Char >= b.Char) && (value.Line < e.Line || value.Char < e.Char);
  }
}

// ----------------------------------------------------------------- positions

void TCustomTextEdit::SetCaretX(int value) { SetCaretXY(TBufferCoord{value, caretY_}); }
void TCustomTextEdit::SetCaretY(int value) { SetCaretXY(TBufferCoord{caretX_, value}); }

void TCustomTextEdit::SetCaretXY(const TBufferCoord& value) {
  IncPaintLock();
  InternalSetCaretXY(value);
  SetBlockBegin(CaretXY());
  DecPaintLock();
}

void TCustomTextEdit::SetCaretXYEx(bool ensureVisible, TBufferCoord value) {
  caretAtEndOfRow_ = false;
  int maxX = WordWrap() ? INT_MAX : (maxScrollWidth_ < INT_MAX ? maxScrollWidth_ + 1 : INT_MAX);
  if (value.Line > lines_->Count()) value.Line = lines_->Count();
  if (value.Line < 1) {
    // The buffer is empty.
    value.Line = 1;
    if (!HasOption(eoScrollPastEol)) maxX = 1;
  } else if (!HasOption(eoScrollPastEol)) {
    maxX = static_cast<int>(lines_->Get(value.Line - 1).size()) + 1;
  }
  if (value.Char > maxX && !(HasOption(eoScrollPastEol) && HasOption(eoAutoSizeMaxScrollWidth))) value.Char = maxX;
  if (value.Char < 1) value.Char = 1;

  if (value.Char == caretX_ && value.Line == caretY_) {
    lastCaretX_ = DisplayX();
    return;
  }
  IncPaintLock();
  if (value.Char != caretX_) {
    caretX_ = value.Char;
    StatusChanged(scCaretX);
  }
  if (value.Line != caretY_) {
    if (activeLineColor_ != clNone) {
      InvalidateLine(value.Line);
      InvalidateLine(caretY_);
    }
    caretY_ = value.Line;
    StatusChanged(scCaretY);
  }
  lastCaretX_ = DisplayX();
  if (ensureVisible) EnsureCursorPosVisible();
  caretChanged_ = true;
  scrollBarsChanged_ = true;
  DecPaintLock();
}

TDisplayCoord TCustomTextEdit::DisplayXY() const {
  TDisplayCoord d = BufferToDisplayPos(CaretXY());
  // At a row seam the caret may show at the end of the earlier row.
  if (caretAtEndOfRow_ && WordWrap() && d.Column == 1 && d.Row > 1) {
    --d.Row;
    d.Column = RowLength(d.Row) + 1;
  }
  return d;
}

int TCustomTextEdit::RowLength(int row) const {
  if (!WordWrap() || row < 1 || row > wordWrap_->RowCount()) return 0;
  return wordWrap_->GetRowLength(row);
}

void TCustomTextEdit::InternalSetCaretDisplay(const TDisplayCoord& d) {
  {
    TPaintLockScope lock(*this);
    InternalSetCaretXY(DisplayToBufferPos(d));
    caretAtEndOfRow_ = WordWrap() && d.Row >= 1 && d.Row <= wordWrap_->RowCount() &&
                       d.Column > wordWrap_->GetRowLength(d.Row) && PlainDisplayXY().Row != d.Row;
  }
  lastCaretX_ = DisplayX();
}

TBufferCoord TCustomTextEdit::BlockBegin() const { return MinPoint(blockBegin_, blockEnd_); }
TBufferCoord TCustomTextEdit::BlockEnd() const { return MaxPoint(blockBegin_, blockEnd_); }

void TCustomTextEdit::ClampCaretForMaxScroll(TBufferCoord& p) const {
  if (HasOption(eoScrollPastEol) && !WordWrap())
    p.Char = MinMax(p.Char, 1, maxScrollWidth_ < INT_MAX ? maxScrollWidth_ + 1 : INT_MAX);
  else
    p.Char = std::max(p.Char, 1);
  p.Line = MinMax(p.Line, 1, lines_->Count());
  if (activeSelectionMode_ == TEdSelectionMode::smNormal) {
    if (p.Line >= 1 && p.Line <= lines_->Count())
      p.Char = std::min(p.Char, static_cast<int>(lines_->Get(p.Line - 1).size()) + 1);
    else
      p.Char = 1;
  }
}

void TCustomTextEdit::SetBlockBegin(TBufferCoord value) {
  activeSelectionMode_ = selectionMode_;
  ClampCaretForMaxScroll(value);
  const bool changed = value != blockBegin_ || value != blockEnd_;
  if (SelAvail()) {
    if (blockBegin_.Line < blockEnd_.Line)
      InvalidateLines(std::min(value.Line, blockBegin_.Line), std::max(value.Line, blockEnd_.Line));
    else
      InvalidateLines(std::min(value.Line, blockEnd_.Line), std::max(value.Line, blockBegin_.Line));
  }
  blockBegin_ = value;
  blockEnd_ = value;
  if (changed) StatusChanged(scSelection);
}

void TCustomTextEdit::SetBlockEnd(TBufferCoord value) {
  if (HasOption(eoNoSelection)) return;
  activeSelectionMode_ = selectionMode_;
  ClampCaretForMaxScroll(value);
  if (value == blockEnd_) return;
  if (activeSelectionMode_ == TEdSelectionMode::smColumn && value.Char != blockEnd_.Char) {
    InvalidateLines(std::min({blockBegin_.Line, blockEnd_.Line, value.Line}),
                    std::max({blockBegin_.Line, blockEnd_.Line, value.Line}));
    blockEnd_ = value;
  } else {
    const int oldLine = blockEnd_.Line;
    const bool columnsDiffer = blockBegin_.Char != blockEnd_.Char;
    blockEnd_ = value;
    if (activeSelectionMode_ != TEdSelectionMode::smColumn || columnsDiffer) InvalidateLines(oldLine, value.Line);
  }
  StatusChanged(scSelection);
}

void TCustomTextEdit::SetCaretAndSelection(const TBufferCoord& caret, const TBufferCoord& blockBegin,
                                           const TBufferCoord& blockEnd) {
  const TEdSelectionMode mode = activeSelectionMode_;
  IncPaintLock();
  InternalSetCaretXY(caret);
  SetBlockBegin(blockBegin);
  SetBlockEnd(blockEnd);
  activeSelectionMode_ = mode;
  DecPaintLock();
}

TDisplayCoord TCustomTextEdit::BufferToDisplayPos(const TBufferCoord& p) const {
  TDisplayCoord d{p.Char, p.Line};
  if (p.Line >= 1 && p.Line <= lines_->Count())
    d.Column = CharIndex2CaretPos(p.Char, tabWidth_, lines_->Get(p.Line - 1));
  if (WordWrap()) d = wordWrap_->BufferToDisplayPos(TBufferCoord{d.Column, d.Row});
  return d;
}

TBufferCoord TCustomTextEdit::DisplayToBufferPos(const TDisplayCoord& p) const {
  TBufferCoord b{p.Column, p.Row};
  if (WordWrap()) b = wordWrap_->DisplayToBufferPos(p);
  const int column = b.Char;
  if (b.Line < 1 || b.Line > lines_->Count()) return b;
  const std::u16string& s = lines_->Get(b.Line - 1);
  const int len = static_cast<int>(s.size());
  int x = 0;  // columns taken by the characters before i
  int i = 0;
  while (x < column) {
    ++i;
    if (i <= len && s[static_cast<size_t>(i - 1)] == u'\t')
      x += tabWidth_ - x % tabWidth_;
    else
      ++x;
  }
  b.Char = std::max(i, 1);
  return b;
}

int TCustomTextEdit::LineToRow(int line) const {
  if (!WordWrap()) return line;
  return BufferToDisplayPos(TBufferCoord{1, line}).Row;
}

int TCustomTextEdit::RowToLine(int row) const {
  if (!WordWrap()) return row;
  return DisplayToBufferPos(TDisplayCoord{1, row}).Line;
}

int TCustomTextEdit::DisplayLineCount() const {
  if (!WordWrap()) return lines_->Count();
  return lines_->Count() == 0 ? 0 : wordWrap_->RowCount();
}

void TCustomTextEdit::SetWordWrap(bool value) {
  if (value == WordWrap()) return;
  Invalidate();
  const TDisplayCoord caret = DisplayXY();
  const bool caretInView = caret.Column >= leftChar_ && caret.Column <= leftChar_ + charsInWindow_ &&
                           caret.Row >= topLine_ && caret.Row <= topLine_ + linesInWindow_;
  const int topLineOfText = RowToLine(topLine_);
  if (value) {
    wordWrap_ = std::make_shared<TEdWordWrapPlugin>(this);
    SetLeftChar(1);
  } else {
    wordWrap_.reset();
    caretAtEndOfRow_ = false;
  }
  SetTopLine(LineToRow(topLineOfText));
  UpdateScrollBars();
  if (HasOption(eoScrollPastEol)) {
    const TBufferCoord b = blockBegin_;
    const TBufferCoord e = blockEnd_;
    const TEdSelectionMode mode = activeSelectionMode_;
    InternalSetCaretXY(CaretXY());
    SetBlockBegin(b);
    SetBlockEnd(e);
    activeSelectionMode_ = mode;
  }
  if (caretInView) EnsureCursorPosVisible();
}

void TCustomTextEdit::WrapWidthChanged() {
  if (!WordWrap()) return;
  wordWrap_->DisplayChanged();
  Invalidate();
}

platform::Point TCustomTextEdit::RowColumnToPixels(const TDisplayCoord& p) const {
  return platform::Point{(p.Column - 1) * charWidth_ + textOffset_, (p.Row - topLine_) * textHeight_};
}

TDisplayCoord TCustomTextEdit::PixelsToRowColumn(int x, int y) const {
  const int cw = std::max(1, charWidth_);
  const int lh = std::max(1, textHeight_);
  return TDisplayCoord{std::max(1, leftChar_ + (x - gutterWidth_ - 2) / cw), std::max(1, topLine_ + y / lh)};
}

TDisplayCoord TCustomTextEdit::PixelsToNearestRowColumn(int x, int y) const {
  const int cw = std::max(1, charWidth_);
  const int lh = std::max(1, textHeight_);
  return TDisplayCoord{std::max(1, leftChar_ + (x - gutterWidth_ - 2 + cw / 2) / cw), std::max(1, topLine_ + y / lh)};
}

// --------------------------------------------------------------------- state

void TCustomTextEdit::SetReadOnly(bool value) {
  if (!StoreIfChanged(readOnly_, value)) return;
  history_.ReadOnly = value;
  StatusChanged(scReadOnly);
}

void TCustomTextEdit::SetInsertMode(bool value) {
  if (!StoreIfChanged(insertMode_, value)) return;
  InitializeCaret();
  StatusChanged(scInsertMode);
}

void TCustomTextEdit::SetSelectionMode(TEdSelectionMode value) {
  if (!StoreIfChanged(selectionMode_, value)) return;
  SetActiveSelectionMode(value);
}

void TCustomTextEdit::SetActiveSelectionMode(TEdSelectionMode value) {
  if (activeSelectionMode_ == value) return;
  if (SelAvail()) InvalidateSelection();
  activeSelectionMode_ = value;
  if (SelAvail()) InvalidateSelection();
  StatusChanged(scSelection);
}

void TCustomTextEdit::SetHideSelection(bool value) {
  if (!StoreIfChanged(hideSelection_, value)) return;
  InvalidateSelection();
}

void TCustomTextEdit::SetActiveLineColor(TColor value) {
  if (!StoreIfChanged(activeLineColor_, value)) return;
  InvalidateLine(caretY_);
}

void TCustomTextEdit::SetRightEdge(int value) {
  if (!StoreIfChanged(rightEdge_, value)) return;
  Invalidate();
}

void TCustomTextEdit::SetRightEdgeColor(TColor value) {
  if (!StoreIfChanged(rightEdgeColor_, value)) return;
  const int x = textOffset_ + rightEdge_ * charWidth_ + 1;
  InvalidateRect(platform::Rect{x - 1, 0, x + 2, ClientHeight()});
}

void TCustomTextEdit::SetExtraLineSpacing(int value) {
  extraLineSpacing_ = value;
  FontChanged();
}

void TCustomTextEdit::SetTabWidth(int value) {
  value = MinMax(value, 1, 256);
  if (value == tabWidth_) return;
  tabWidth_ = value;
  lines_->SetTabWidth(value);
  Invalidate();
  if (WordWrap()) {
    wordWrap_->Reset();
    InvalidateGutter();
  }
}

void TCustomTextEdit::SetInsertCaret(TTextEditCaretType value) {
  if (!StoreIfChanged(insertCaret_, value)) return;
  InitializeCaret();
}

void TCustomTextEdit::SetOverwriteCaret(TTextEditCaretType value) {
  if (!StoreIfChanged(overwriteCaret_, value)) return;
  InitializeCaret();
}

void TCustomTextEdit::SetColor(TColor value) {
  if (!StoreIfChanged(color_, value)) return;
  Invalidate();
}

void TCustomTextEdit::SetKeystrokes(const TTextEditKeyStrokes* value) {
  if (value == nullptr)
    keystrokes_.Clear();
  else
    keystrokes_.Assign(*value);
}

void TCustomTextEdit::SetOptions(TTextEditorOptions value) {
  if (value == options_) return;
  const TTextEditorOptions old = options_;
  if (!(old & OptionBit(eoScrollPastEol))) SetLeftChar(leftChar_);
  if (!(old & OptionBit(eoScrollPastEof))) SetTopLine(topLine_);
  options_ = value;
  history_.GroupUndo = HasOption(eoGroupUndo);
  SetCaretXYEx(false, CaretXY());
  if (HasOption(eoScrollPastEol)) {
    const TBufferCoord b = blockBegin_;
    const TBufferCoord e = blockEnd_;
    const TEdSelectionMode mode = activeSelectionMode_;
    SetBlockBegin(b);
    SetBlockEnd(e);
    activeSelectionMode_ = mode;
  }
  const TTextEditorOptions changed = old ^ value;
  if (changed & OptionBit(eoDropFiles)) setAcceptDrops(HasOption(eoDropFiles));
  if (changed & OptionBit(eoShowSpecialChars)) {
    showSpecialChars_ = HasOption(eoShowSpecialChars);
    Invalidate();
  }
  if (changed & (OptionBit(eoDisableScrollArrows) | OptionBit(eoHideShowScrollbars) | OptionBit(eoScrollPastEof) |
                 OptionBit(eoScrollPastEol)))
    UpdateScrollBars();
}

// ------------------------------------------------------- highlighter, font

void TCustomTextEdit::SetHighlighter(TEdCustomHighlighter* value) {
  if (value == highlighter_) return;
  const TEdNotifyEvent hook = NotifyMethod<&TCustomTextEdit::HighlighterAttrChanged>(this);
  const TEdNotifyEvent freed = NotifyMethod<&TCustomTextEdit::HighlighterFreed>(this);
  if (highlighter_) {
    highlighter_->UnhookAttrChangeEvent(hook);
    highlighter_->UnhookFreeNotification(freed);
  }
  if (value) {
    value->HookAttrChangeEvent(hook);
    value->HookFreeNotification(freed);
  }
  highlighter_ = value;
  // States are worked out when a line's is asked for (painting, editing), up
  // to that line: opening a large file scans only what is shown.
  if (value)
    lines_->SetRangeScanner([this](int index) {
      if (highlighter_) ScanRangesUpTo(*highlighter_, *lines_, index);
    });
  else
    lines_->SetRangeScanner(nullptr);
  if (!destroying_) HighlighterAttrChanged(value);
}

void TCustomTextEdit::HighlighterFreed(TEdObject* sender) {
  if (sender != highlighter_) return;
  // The highlighter is being destroyed: only forget it, its parts are gone.
  highlighter_ = nullptr;
  if (!destroying_) HighlighterAttrChanged(nullptr);
}

void TCustomTextEdit::HighlighterAttrChanged(TEdObject* sender) {
  RecalcCharExtent();
  if (highlighter_ && dynamic_cast<TEdCustomHighlighter*>(sender) != nullptr) {
    TLinesUpdateScope update(*lines_);
    RescanAll();
  } else {
    Invalidate();
  }
  SizeOrFontChanged(true);
}

int TCustomTextEdit::ScanFrom(int index) {
  if (!highlighter_ || index >= lines_->Count()) return index;
  return editor::ScanFrom(*highlighter_, *lines_, index);
}

void TCustomTextEdit::RescanAll() {
  // Every state is worked out again, each when it is next asked for.
  if (highlighter_) lines_->SetScannedRanges(0);
}

void TCustomTextEdit::SetFont(const platform::Font& value) {
  platform::Font f = value;
  const platform::TextMetrics tm = platform::GetTextMetrics(f);
  // The cells are one width: a proportional font is asked for in its
  // fixed-pitch form (same name, size, style and colour).
  if (tm.aveCharWidth != tm.maxCharWidth) f.pitch = platform::FontPitch::Fixed;
  font_ = f;
  FontChanged();
}

void TCustomTextEdit::FontChanged() {
  textDrawer_->SetBaseFont(&font_);
  RecalcCharExtent();
  SizeOrFontChanged(true);
}

void TCustomTextEdit::RecalcCharExtent() {
  bool used[4] = {false, false, false, false};
  bool any = false;
  if (highlighter_ && highlighter_->GetAttributeCount() > 0) {
    for (int i = 0; i < highlighter_->GetAttributeCount(); ++i) {
      used[highlighter_->GetAttribute(i)->Style() & (fsBold | fsItalic)] = true;
      any = true;
    }
  }
  if (!any) used[StyleOf(font_) & (fsBold | fsItalic)] = true;
  textDrawer_->SetBaseFont(&font_);
  textHeight_ = 0;
  charWidth_ = 0;
  TFontStyles widest = 0;
  for (TFontStyles s = 0; s < 4; ++s) {
    if (!used[s]) continue;
    textDrawer_->SetBaseStyle(s);
    textHeight_ = std::max(textHeight_, textDrawer_->GetCharHeight());
    if (textDrawer_->GetCharWidth() > charWidth_) {
      charWidth_ = textDrawer_->GetCharWidth();
      widest = s;
    }
  }
  // The drawer's cells must be the editor's columns.
  textDrawer_->SetBaseStyle(widest);
  textHeight_ += extraLineSpacing_;
  if (textHeight_ < 1) textHeight_ = 1;
  if (charWidth_ < 1) charWidth_ = 1;
}

void TCustomTextEdit::SizeOrFontChanged(bool fontChanged) {
  if (!HandleAllocated() || charWidth_ == 0) return;
  textOffset_ = gutterWidth_ + 2 - (leftChar_ - 1) * charWidth_;
  charsInWindow_ = std::max(ClientWidth() - gutterWidth_ - 2, 0) / charWidth_;
  linesInWindow_ = ClientHeight() / textHeight_;
  WrapWidthChanged();
  if (fontChanged) {
    if (gutter_.ShowLineNumbers())
      GutterChanged(nullptr);
    else
      UpdateScrollBars();
    InitializeCaret();
    caretChanged_ = true;
    Invalidate();
  } else {
    UpdateScrollBars();
  }
  if (!HasOption(eoScrollPastEol)) SetLeftChar(leftChar_);
  if (!HasOption(eoScrollPastEof)) SetTopLine(topLine_);
}

void TCustomTextEdit::Resized() { SizeOrFontChanged(false); }

void TCustomTextEdit::GutterChanged(TEdObject*) {
  if (gutter_.ShowLineNumbers() && gutter_.AutoSize()) gutter_.AutoSizeDigitCount(lines_->Count());
  const int width = std::max(0, gutter_.RealGutterWidth(charWidth_));
  if (width == gutterWidth_) {
    InvalidateGutter();
    return;
  }
  gutterWidth_ = width;
  textOffset_ = gutterWidth_ + 2 - (leftChar_ - 1) * charWidth_;
  if (charWidth_ > 0) charsInWindow_ = std::max(ClientWidth() - gutterWidth_ - 2, 0) / charWidth_;
  WrapWidthChanged();
  UpdateScrollBars();
  Invalidate();
}

// ------------------------------------------------------ paint lock, status

void TCustomTextEdit::DecPaintLock() {
  if (paintLock_ <= 0) return;
  if (--paintLock_ == 0 && HandleAllocated()) {
    if (scrollBarsChanged_) UpdateScrollBars();
    if (WordWrap() && (statusChanges_ & (scCaretX | scCaretY)) && charsInWindow_ >= 1 &&
        DisplayX() > charsInWindow_ + 1) {
      // The caret stands in the run of blanks kept at a row's end.
      if (caretAtEndOfRow_) {
        caretAtEndOfRow_ = false;
      } else if (statusChanges_ & scCaretY) {
        const TDisplayCoord d = DisplayXY();
        caretX_ = DisplayToBufferPos(TDisplayCoord{charsInWindow_ + 1, d.Row}).Char;
        statusChanges_ |= scCaretX;
        lastCaretX_ = DisplayX();
      }
      caretChanged_ = true;
    }
    if (caretChanged_) UpdateCaret();
    if (statusChanges_ != 0) DoOnStatusChange(statusChanges_);
  }
}

void TCustomTextEdit::StatusChanged(TEdStatusChanges changes) {
  statusChanges_ |= changes;
  if (paintLock_ == 0) DoOnStatusChange(statusChanges_);
}

void TCustomTextEdit::DoOnStatusChange(TEdStatusChanges changes) {
  if (!OnStatusChange) return;
  OnStatusChange(this, changes);
  statusChanges_ = 0;
}

// --------------------------------------------------------------------- caret

void TCustomTextEdit::InitializeCaret() {
  if (!Focused()) return;
  int cw = 2;
  int ch = textHeight_ - 2;
  switch (insertMode_ ? insertCaret_ : overwriteCaret_) {
    case TTextEditCaretType::ctHorizontalLine:
      cw = charWidth_;
      ch = 2;
      caretOffset_ = {0, textHeight_ - 2};
      break;
    case TTextEditCaretType::ctHalfBlock:
      cw = charWidth_;
      ch = (textHeight_ - 2) / 2;
      caretOffset_ = {0, ch};
      break;
    case TTextEditCaretType::ctBlock:
      cw = charWidth_;
      caretOffset_ = {0, 0};
      break;
    case TTextEditCaretType::ctVerticalLine:
    default: caretOffset_ = {-1, 0}; break;
  }
  caretShown_ = false;
  CreateCaret(cw, std::max(1, ch));
  UpdateCaret();
}

void TCustomTextEdit::HideEditorCaret() {
  if (caretShown_) {
    HideCaret();
    caretShown_ = false;
  }
}

void TCustomTextEdit::UpdateCaret() {
  if (paintLock_ != 0 || !Focused() || !CaretCreated()) {
    caretChanged_ = true;
    return;
  }
  caretChanged_ = false;
  TDisplayCoord d = DisplayXY();
  if (WordWrap()) d.Column = std::min(d.Column, charsInWindow_ + 1);
  const platform::Point p = RowColumnToPixels(d);
  const int x = p.x + caretOffset_.x;
  const int y = p.y + caretOffset_.y;
  if (x >= gutterWidth_ && x < ClientWidth() && y >= 0 && y < ClientHeight() && !HasOption(eoNoCaret)) {
    SetCaretPos(x, y);
    if (!caretShown_) {
      ShowCaret();
      caretShown_ = true;
    }
  } else {
    HideEditorCaret();
  }
}

void TCustomTextEdit::FocusIn(Qt::FocusReason) {
  CommandProcessor(ecGotFocus, 0, nullptr);
  InitializeCaret();
  if (hideSelection_ && SelAvail()) InvalidateSelection();
}

void TCustomTextEdit::FocusOut(Qt::FocusReason) {
  CommandProcessor(ecLostFocus, 0, nullptr);
  HideEditorCaret();
  if (!Focused()) DestroyCaret();
  if (hideSelection_ && SelAvail()) InvalidateSelection();
}

// ------------------------------------------------------------ input method

QVariant TCustomTextEdit::inputMethodQuery(Qt::InputMethodQuery query) const {
  switch (query) {
    case Qt::ImEnabled: return true;
    case Qt::ImCursorRectangle: {
      const platform::Point p = RowColumnToPixels(DisplayXY());
      return QRect(p.x, p.y, std::max(1, charWidth_), textHeight_);
    }
    case Qt::ImFont: return platform::ToQFont(font_);
    default: return platform::Control::inputMethodQuery(query);
  }
}

void TCustomTextEdit::inputMethodEvent(QInputMethodEvent* event) {
  const QString commit = event->commitString();
  event->accept();
  if (commit.isEmpty()) return;
  const std::u16string text(reinterpret_cast<const char16_t*>(commit.utf16()), static_cast<size_t>(commit.size()));
  platform::guarded([&] { CommandProcessor(ecImeStr, 0, const_cast<char16_t*>(text.c_str())); });
}

// ------------------------------------------------------------ invalidation

void TCustomTextEdit::InvalidateClientRect(const platform::Rect& r) {
  if (r.IsEmpty()) return;
  if (linesChanging_)
    invalidateRect_ = invalidateRect_.Union(r);
  else
    InvalidateRect(r);
}

void TCustomTextEdit::InvalidateLines(int firstLine, int lastLine) {
  if (firstLine > lastLine) SwapInt(firstLine, lastLine);
  if (WordWrap()) {
    // Whole rows of the lines; the last line's rows to its end.
    const bool toEnd = lastLine >= lines_->Count();
    firstLine = LineToRow(firstLine);
    lastLine = toEnd ? kToEnd : LineToRow(lastLine + 1) - 1;
  }
  const int lh = std::max(1, textHeight_);
  const int firstRow = std::max(firstLine, topLine_);
  const int lastRow = lastLine == kToEnd ? topLine_ + linesInWindow_ : std::min(lastLine, topLine_ + linesInWindow_);
  if (lastRow < firstRow) return;
  const int bottom = lastLine == kToEnd ? ClientHeight() : (lastRow - topLine_ + 1) * lh;
  InvalidateClientRect(platform::Rect{gutterWidth_, (firstRow - topLine_) * lh, ClientWidth(), bottom});
}

void TCustomTextEdit::InvalidateLine(int line) { InvalidateLines(line, line); }

void TCustomTextEdit::InvalidateGutterLines(int firstLine, int lastLine) {
  if (firstLine > lastLine) SwapInt(firstLine, lastLine);
  if (WordWrap()) {
    const bool toEnd = lastLine > lines_->Count();
    firstLine = LineToRow(firstLine);
    lastLine = toEnd ? kToEnd : LineToRow(lastLine);
  }
  const int lh = std::max(1, textHeight_);
  const int firstRow = std::max(firstLine, topLine_);
  const int lastRow = lastLine == kToEnd ? topLine_ + linesInWindow_ : std::min(lastLine, topLine_ + linesInWindow_);
  if (lastRow < firstRow) return;
  const int bottom = lastLine == kToEnd ? ClientHeight() : (lastRow - topLine_ + 1) * lh;
  InvalidateClientRect(platform::Rect{0, (firstRow - topLine_) * lh, gutterWidth_, bottom});
}

void TCustomTextEdit::InvalidateGutter() { InvalidateClientRect(platform::Rect{0, 0, gutterWidth_, ClientHeight()}); }

void TCustomTextEdit::InvalidateSelection() { InvalidateLines(BlockBegin().Line, BlockEnd().Line); }

// ------------------------------------------------ following the line buffer

void TCustomTextEdit::LinesChanging() { linesChanging_ = true; }

void TCustomTextEdit::LinesChanged() {
  linesChanging_ = false;
  if (!HandleAllocated()) return;
  UpdateScrollBars();
  const TEdSelectionMode mode = activeSelectionMode_;
  SetBlockBegin(CaretXY());
  activeSelectionMode_ = mode;
  const platform::Rect pending = invalidateRect_;
  invalidateRect_ = {};
  InvalidateRect(pending);
  if (gutter_.ShowLineNumbers() && gutter_.AutoSize()) gutter_.AutoSizeDigitCount(lines_->Count());
  if (!HasOption(eoScrollPastEof)) SetTopLine(topLine_);
}

void TCustomTextEdit::ListCleared() {
  if (WordWrap()) wordWrap_->Reset();
  ClearUndo();
  invalidateRect_ = {};
  Invalidate();
  SetCaretXY(TBufferCoord{1, 1});
  SetTopLine(1);
  SetLeftChar(1);
  StatusChanged(scAll);
}

void TCustomTextEdit::ListDeleted(int index, int count) {
  // Marks on the deleted lines go to the line above them (the joined line).
  MarksLinesDeleted(index, count);
  if (highlighter_ && lines_->Count() > 0) ScanFrom(index);
  if (WordWrap()) wordWrap_->LinesDeleted(index, count);
  InvalidateLines(index + 1, kToEnd);
  InvalidateGutterLines(index + 1, kToEnd);
}

void TCustomTextEdit::ListInserted(int index, int count) {
  // Lines appended after the last one move no mark: a mark on an empty
  // buffer's one line, and the marks of a reloaded text, stay where they are.
  if (index < lines_->Count() - count) MarksLinesInserted(index + 1, count);
  // The inserted lines' states, and those after them, are worked out when
  // asked for (inserting lowered the count of worked-out lines to index).
  if (highlighter_ && index < lines_->ScannedRanges()) {
    int last = index;
    do {
      last = ScanFrom(last) + 1;
    } while (last < index + count);
  }
  if (WordWrap()) wordWrap_->LinesInserted(index, count);
  InvalidateLines(index + 1, kToEnd);
  InvalidateGutterLines(index + 1, kToEnd);
  if (HasOption(eoAutoSizeMaxScrollWidth)) {
    const int length = lines_->GetExpandedLength(index);
    if (length > maxScrollWidth_) SetMaxScrollWidth(length);
  }
}

void TCustomTextEdit::ListPut(int index, int count) {
  int endLine = index + 1;
  if (WordWrap() && wordWrap_->LinesPut(index, std::max(1, count)) != 0) {
    endLine = kToEnd;
    InvalidateGutterLines(index + 1, kToEnd);
  }
  if (highlighter_ && endLine != kToEnd) endLine = std::max(endLine, ScanFrom(index) + 1);
  else if (highlighter_) ScanFrom(index);
  InvalidateLines(index + 1, endLine);
  if (HasOption(eoAutoSizeMaxScrollWidth)) {
    const int length = lines_->GetExpandedLength(index);
    if (length > maxScrollWidth_) SetMaxScrollWidth(length);
  }
}

}  // namespace editor
