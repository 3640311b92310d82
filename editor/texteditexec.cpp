// What each editor command does: caret moves by character, word, line,
// page and document, typing and the input-method string, the deletions,
// tabs and block indents, case changes and bracket matching, each with the
// undo records that take it back.
#include <QChar>
#include <algorithm>
#include <vector>

#include "editor/edmiscprocs.h"
#include "editor/highlightscan.h"
#include "editor/textedit.h"
#include "platform/image.h"
#include "platform/scopeguard.h"
#include "platform/sysutils.h"

namespace editor {

namespace {

constexpr std::u16string_view kCrLf = u"\r\n";

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

const TEdCharSet& DefaultWordBreakChars() {
  static const TEdCharSet set = CharSetOf("!\"'()*+,-./:;=?[\\]^{|}");
  return set;
}

const TEdCharSet& DefaultIdentChars() {
  static const TEdCharSet set = [] {
    TEdCharSet s = CharSetOf("0123456789_ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    for (int c = 192; c <= 255; ++c)
      if (c != 215 && c != 247) s.set(static_cast<size_t>(c));
    return s;
  }();
  return set;
}

}  // namespace

int TCustomTextEdit::LineLength(int line) const {
  if (line < 1 || line > lines_->Count()) return 0;
  return static_cast<int>(lines_->Get(line - 1).size());
}

void TCustomTextEdit::DoPaintTransientEx(TTransientType type, bool lock) {
  bool fire = paintTransientLock_ == 0;
  if (lock) {
    if (type == TTransientType::ttBefore) {
      ++paintTransientLock_;
    } else {
      paintTransientLock_ = std::max(0, paintTransientLock_ - 1);
      fire = paintTransientLock_ == 0;
    }
  }
  if (!fire || !OnPaintTransient) return;
  // Outside a paint there is no window canvas: the handler draws on a
  // scratch image of the client's size, and the next paint shows the truth.
  platform::Bitmap scratch(std::max(1, ClientWidth()), std::max(1, ClientHeight()));
  if (scratch.IsNull()) return;
  platform::Canvas canvas(&scratch.Image());
  canvas.font = font_;
  canvas.brush.color = color_;
  const bool shown = caretShown_;
  HideEditorCaret();
  platform::ScopeGuard restore([this, shown] {
    if (shown) UpdateCaret();
  });
  OnPaintTransient(this, canvas, type);
}

// ------------------------------------------------------------------ words

bool TCustomTextEdit::IsWordBreakChar(char16_t c) const {
  return InCharSet(highlighter_ ? highlighter_->WordBreakChars() : DefaultWordBreakChars(), c);
}

bool TCustomTextEdit::IsIdentChar(char16_t c) const {
  // Characters beyond the 8-bit range belong to words when they are letters or digits.
  if (c >= 256) return QChar(c).isLetterOrNumber();
  const bool ident = highlighter_ ? InCharSet(highlighter_->GetIdentChars(), c) : InCharSet(DefaultIdentChars(), c);
  return ident && !IsWordBreakChar(c);
}

bool TCustomTextEdit::IsWhiteChar(char16_t c) const { return c != 0 && !IsIdentChar(c); }

TBufferCoord TCustomTextEdit::NextWordPosEx(const TBufferCoord& p) const {
  if (p.Line < 1 || p.Line > lines_->Count()) return p;
  const std::u16string& line = lines_->Get(p.Line - 1);
  const int len = static_cast<int>(line.size());
  int c = p.Char;
  if (c < len) {
    if (c >= 1 && IsIdentChar(line[static_cast<size_t>(c - 1)])) {
      while (c <= len && !IsWhiteChar(line[static_cast<size_t>(c - 1)])) ++c;
      if (c > len) c = 0;
    }
    if (c != 0) {
      c = std::max(c, 1);
      while (c <= len && !IsIdentChar(line[static_cast<size_t>(c - 1)])) ++c;
      if (c > len) c = 0;
    }
    if (c == 0) c = len + 1;
    return TBufferCoord{c, p.Line};
  }
  if (p.Line < lines_->Count()) {
    const std::u16string& next = lines_->Get(p.Line);
    int first = 1;
    while (first <= static_cast<int>(next.size()) && !IsIdentChar(next[static_cast<size_t>(first - 1)])) ++first;
    if (first > static_cast<int>(next.size())) first = 1;
    return TBufferCoord{first, p.Line + 1};
  }
  return p;
}

TBufferCoord TCustomTextEdit::WordStartEx(const TBufferCoord& p) const {
  if (p.Line < 1 || p.Line > lines_->Count()) return p;
  const std::u16string& line = lines_->Get(p.Line - 1);
  int c = std::min(std::max(p.Char, 1), static_cast<int>(line.size()) + 1);
  if (c > 1 && !IsWhiteChar(line[static_cast<size_t>(c - 2)])) {
    int k = c - 1;
    while (k >= 1 && !IsWhiteChar(line[static_cast<size_t>(k - 1)])) --k;
    c = k + 1;
  }
  return TBufferCoord{c, p.Line};
}

TBufferCoord TCustomTextEdit::WordEndEx(const TBufferCoord& p) const {
  if (p.Line < 1 || p.Line > lines_->Count()) return p;
  const std::u16string& line = lines_->Get(p.Line - 1);
  const int len = static_cast<int>(line.size());
  int c = std::max(p.Char, 1);
  while (c <= len && !IsWhiteChar(line[static_cast<size_t>(c - 1)])) ++c;
  return TBufferCoord{std::min(c, len + 1), p.Line};
}

TBufferCoord TCustomTextEdit::PrevWordPosEx(const TBufferCoord& p) const {
  if (p.Line < 1 || p.Line > lines_->Count()) return p;
  const std::u16string& line = lines_->Get(p.Line - 1);
  int c = std::min(p.Char, static_cast<int>(line.size()) + 1);
  auto endOfPrevious = [&]() -> TBufferCoord {
    if (p.Line > 1) return TBufferCoord{LineLength(p.Line - 1) + 1, p.Line - 1};
    return TBufferCoord{1, 1};
  };
  if (c <= 1) return p.Line > 1 ? endOfPrevious() : p;
  if (IsWhiteChar(line[static_cast<size_t>(c - 2)])) {
    int k = c - 1;
    while (k >= 1 && !IsIdentChar(line[static_cast<size_t>(k - 1)])) --k;
    c = k;  // 0 when there is none
  }
  if (c > 0) {
    int k = c - 1;
    while (k >= 1 && !IsWhiteChar(line[static_cast<size_t>(k - 1)])) --k;
    c = k + 1;
  }
  if (c == 0) return endOfPrevious();
  return TBufferCoord{c, p.Line};
}

std::u16string TCustomTextEdit::GetWordAtRowCol(const TBufferCoord& p) const {
  if (p.Line < 1 || p.Line > lines_->Count()) return {};
  const TBufferCoord b = WordStartEx(p);
  const TBufferCoord e = WordEndEx(p);
  if (e.Char <= b.Char) return {};
  return lines_->Get(p.Line - 1).substr(static_cast<size_t>(b.Char - 1), static_cast<size_t>(e.Char - b.Char));
}

void TCustomTextEdit::SetWordBlock(TBufferCoord p) {
  p.Char = std::max(p.Char, 1);
  p.Line = MinMax(p.Line, 1, std::max(1, lines_->Count()));
  const std::u16string line = p.Line <= lines_->Count() ? lines_->Get(p.Line - 1) : std::u16string();
  const int len = static_cast<int>(line.size());
  if (p.Char > len + 1) {
    SetCaretXY(TBufferCoord{len + 1, p.Line});
    return;
  }
  // A word is a run of characters of one class: identifier characters in
  // the 8-bit and half-width range, and far-east characters grouped by type;
  // -1 marks characters that belong to no word.
  auto classOf = [&](int index) -> int {
    const char16_t c = line[static_cast<size_t>(index - 1)];
    if (c < 256) return IsIdentChar(c) ? 1 : -1;
    const int k = CharClass(c);
    if (k == 2 || k == 5 || k == 9) return -1;  // symbols end words
    if (k == 0 || k == 1) return IsIdentChar(c) ? 1 : -1;
    return 10 + k;
  };
  int at = p.Char;
  int k = at <= len ? classOf(at) : -1;
  if (k < 0 && at > 1) {
    --at;
    k = classOf(at);
  }
  int b = p.Char;
  int e = p.Char;
  if (k >= 0) {
    b = at;
    while (b > 1 && classOf(b - 1) == k) --b;
    e = at;
    while (e <= len && classOf(e) == k) ++e;
  }
  SetCaretAndSelection(TBufferCoord{e, p.Line}, TBufferCoord{b, p.Line}, TBufferCoord{e, p.Line});
  InvalidateLine(p.Line);
  StatusChanged(scSelection);
}

// --------------------------------------------------------------- movement

void TCustomTextEdit::MoveCaretAndSelection(const TBufferCoord& before, const TBufferCoord& after, bool selecting) {
  if (HasOption(eoGroupUndo) && UndoList().CanUndo()) UndoList().AddGroupBreak();
  TPaintLockScope lock(*this);
  if (selecting) {
    if (!SelAvail()) SetBlockBegin(before);
    SetBlockEnd(after);
  } else {
    SetBlockBegin(after);
  }
  InternalSetCaretXY(after);
}

void TCustomTextEdit::MoveCaretHorz(int dx, bool selecting) {
  if (WordWrap()) {
    if (dx >= 1 && caretAtEndOfRow_) {
      // From the end of a row to the start of the next: the same buffer position.
      caretAtEndOfRow_ = false;
      lastCaretX_ = DisplayX();
      UpdateCaret();
      return;
    }
    if (dx < 1 && !caretAtEndOfRow_ && caretX_ >= 2 && DisplayX() == 1) {
      caretAtEndOfRow_ = true;
      lastCaretX_ = DisplayX();
      const TDisplayCoord d = DisplayXY();
      if (d.Column > charsInWindow_ + 1)
        InternalSetCaretDisplay(TDisplayCoord{charsInWindow_ + 1, d.Row});
      else
        UpdateCaret();
      return;
    }
  }
  const TBufferCoord caret = CaretXY();
  const int len = LineLength(caret.Line);
  TBufferCoord dest = caret;
  const bool pastEol = HasOption(eoScrollPastEol);
  if (!pastEol && dx == -1 && caret.Char == 1 && caret.Line > 1) {
    dest = TBufferCoord{LineLength(caret.Line - 1) + 1, caret.Line - 1};
  } else if (!pastEol && dx == 1 && caret.Char > len && caret.Line < lines_->Count()) {
    dest = TBufferCoord{1, caret.Line + 1};
  } else {
    dest.Char = std::max(1, caret.Char + dx);
    if (!pastEol && dx > 0) dest.Char = std::min(dest.Char, len + 1);
  }
  MoveCaretAndSelection(blockBegin_, dest, selecting);
  if (WordWrap() && dx >= 1 && caretX_ < LineLength(caretY_)) {
    const TDisplayCoord d = DisplayXY();
    if (d.Column == 1 && d.Row != LineToRow(caretY_)) {
      caretAtEndOfRow_ = true;
      lastCaretX_ = DisplayX();
      UpdateCaret();
    } else if (d.Column > charsInWindow_ + 1) {
      InternalSetCaretXY(DisplayToBufferPos(TDisplayCoord{1, d.Row + 1}));
    }
  }
}

void TCustomTextEdit::MoveCaretVert(int dy, bool selecting) {
  TPaintLockScope lock(*this);
  const TDisplayCoord from = DisplayXY();
  const int remembered = lastCaretX_;
  int row = from.Row + dy;
  if (dy >= 0)
    row = std::min(row, std::max(1, DisplayLineCount()));
  else
    row = std::max(row, 1);
  int column = from.Column;
  if (row != from.Row && HasOption(eoKeepCaretX)) column = remembered;
  const TBufferCoord dest = DisplayToBufferPos(TDisplayCoord{column, row});
  MoveCaretAndSelection(blockBegin_, dest, selecting);
  if (WordWrap()) {
    // Beyond the target row's end the position is the seam: show it on that row.
    const TDisplayCoord reached = PlainDisplayXY();
    caretAtEndOfRow_ = reached.Column == 1 && reached.Row != row;
    caretChanged_ = true;
  }
  lastCaretX_ = remembered;
}

void TCustomTextEdit::MovePage(int command, bool selecting) {
  int n = linesInWindow_;
  if (HasOption(eoHalfPageScroll)) n /= 2;
  if (HasOption(eoScrollByOneLess)) --n;
  if (n < 1) n = 1;
  if (command == ecPageUp || command == ecSelPageUp) n = -n;
  SetTopLine(topLine_ + n);
  MoveCaretVert(n, selecting);
  Update();
}

void TCustomTextEdit::MoveDisplayRow(int row, bool selecting) {
  row = MinMax(row, 1, std::max(1, DisplayLineCount()));
  const TBufferCoord dest = DisplayToBufferPos(TDisplayCoord{DisplayX(), row});
  MoveCaretAndSelection(CaretXY(), dest, selecting);
  Update();
}

void TCustomTextEdit::DoHome(bool selecting) {
  const TBufferCoord caret = CaretXY();
  if (WordWrap()) {
    const TDisplayCoord d = DisplayXY();
    int column = 1;
    if (HasOption(eoEnhanceHomeKey) && d.Row == LineToRow(caret.Line)) {
      const std::u16string line = LineText();
      const int limit =
          DisplayToBufferPos(TDisplayCoord{std::min(RowLength(d.Row) + 1, std::max(1, charsInWindow_)), d.Row}).Char;
      int first = 1;
      while (first < limit && first <= static_cast<int>(line.size()) && IsBlank(line[static_cast<size_t>(first - 1)]))
        ++first;
      const int target = (first < caret.Char || caret.Char == 1) ? first : 1;
      column = BufferToDisplayPos(TBufferCoord{target, caret.Line}).Column;
    }
    MoveCaretAndSelection(caret, DisplayToBufferPos(TDisplayCoord{column, d.Row}), selecting);
    return;
  }
  int target = 1;
  if (HasOption(eoEnhanceHomeKey)) {
    const std::u16string line = LineText();
    int first = 1;
    while (first <= static_cast<int>(line.size()) && IsBlank(line[static_cast<size_t>(first - 1)])) ++first;
    target = (first < caret.Char || caret.Char == 1) ? first : 1;
  }
  MoveCaretAndSelection(caret, TBufferCoord{target, caret.Line}, selecting);
}

void TCustomTextEdit::DoEnd(bool selecting) {
  const TBufferCoord caret = CaretXY();
  const std::u16string line = LineText();
  const int len = static_cast<int>(line.size());
  if (WordWrap()) {
    const TDisplayCoord d = DisplayXY();
    const bool lastRow = d.Row == BufferToDisplayPos(TBufferCoord{len + 1, caret.Line}).Row;
    int column = RowLength(d.Row) + 1;
    if (HasOption(eoEnhanceEndKey) && lastRow) {
      const int rowStart = DisplayToBufferPos(TDisplayCoord{1, d.Row}).Char;
      int last = len;
      while (last >= rowStart && IsBlank(line[static_cast<size_t>(last - 1)])) --last;
      const int target = caret.Char == last + 1 ? len + 1 : last + 1;
      column = BufferToDisplayPos(TBufferCoord{target, caret.Line}).Column;
    }
    column = std::min(column, charsInWindow_ + 1);
    const TDisplayCoord at{column, d.Row};
    MoveCaretAndSelection(caret, DisplayToBufferPos(at), selecting);
    InternalSetCaretDisplay(at);
    return;
  }
  int target = len + 1;
  if (HasOption(eoEnhanceEndKey)) {
    int last = len;
    while (last >= 1 && IsBlank(line[static_cast<size_t>(last - 1)])) --last;
    target = caret.Char == last + 1 ? len + 1 : last + 1;
  }
  MoveCaretAndSelection(caret, TBufferCoord{target, caret.Line}, selecting);
}

void TCustomTextEdit::DoScrollVert(int delta) {
  const int row = DisplayY();
  if (row >= topLine_ && row < topLine_ + linesInWindow_) {
    SetTopLine(topLine_ + delta);
    const int now = DisplayY();
    const int lastVisible = topLine_ + std::max(1, linesInWindow_) - 1;
    if (now < topLine_)
      MoveCaretVert(topLine_ - now, false);
    else if (now > lastVisible)
      MoveCaretVert(lastVisible - now, false);
    EnsureCursorPosVisible();
    Update();
  } else {
    EnsureCursorPosVisible();
  }
}

void TCustomTextEdit::DoSetMarker(int bookmark, const TBufferCoord* at) {
  const TBufferCoord p = at ? *at : CaretXY();
  int x = 0, y = 0;
  if (GetBookMark(bookmark, x, y)) {
    ClearBookMark(bookmark);
    // The key toggles a bookmark on its own line and moves it from another.
    if (y != p.Line) SetBookMark(bookmark, p.Char, p.Line);
  } else {
    SetBookMark(bookmark, p.Char, p.Line);
  }
}

// ------------------------------------------------------- bracket matching

TBufferCoord TCustomTextEdit::GetMatchingBracket() const {
  static constexpr char16_t kPairs[] = u"()[]{}<>";
  const TBufferCoord caret = CaretXY();
  if (caret.Line < 1 || caret.Line > lines_->Count()) return {};
  const std::u16string& start = lines_->Get(caret.Line - 1);
  if (caret.Char < 1 || caret.Char > static_cast<int>(start.size())) return {};
  const char16_t c = start[static_cast<size_t>(caret.Char - 1)];
  int pairIndex = -1;
  for (int i = 0; i < 8; ++i)
    if (kPairs[i] == c) pairIndex = i;
  if (pairIndex < 0) return {};
  const bool forward = pairIndex % 2 == 0;
  const char16_t match = kPairs[forward ? pairIndex + 1 : pairIndex - 1];

  // Brackets inside comments and strings do not count.
  TEdHighlighterAttributes* comment = nullptr;
  TEdHighlighterAttributes* string = nullptr;
  if (highlighter_) {
    comment = highlighter_->GetDefaultAttribute(EDHL_ATTR_COMMENT);
    string = highlighter_->GetDefaultAttribute(EDHL_ATTR_STRING);
  }
  auto ignoredOf = [&](int line) {
    const std::u16string& text = lines_->Get(line - 1);
    std::vector<bool> ignored(text.size(), false);
    if (!highlighter_) return ignored;
    if (line == 1)
      highlighter_->ResetRange();
    else
      highlighter_->SetRange(lines_->GetRange(line - 2));
    for (const TEdToken& t : ScanLineTokens(*highlighter_, text, line - 1)) {
      if (t.Attribute == nullptr || (t.Attribute != comment && t.Attribute != string)) continue;
      for (size_t i = 0; i < t.Text.size() && t.Pos + i < ignored.size(); ++i) ignored[t.Pos + i] = true;
    }
    return ignored;
  };

  int level = 0;
  int line = caret.Line;
  int x = caret.Char;
  for (;;) {
    const std::u16string& text = lines_->Get(line - 1);
    const std::vector<bool> ignored = ignoredOf(line);
    const int len = static_cast<int>(text.size());
    for (; x >= 1 && x <= len; x += forward ? 1 : -1) {
      if (ignored[static_cast<size_t>(x - 1)]) continue;
      const char16_t ch = text[static_cast<size_t>(x - 1)];
      if (ch == c)
        ++level;
      else if (ch == match && --level == 0)
        return TBufferCoord{x, line};
    }
    line += forward ? 1 : -1;
    if (line < 1 || line > lines_->Count()) return {};
    x = forward ? 1 : LineLength(line);
  }
}

void TCustomTextEdit::DoMatchBracket() {
  const TBufferCoord p = GetMatchingBracket();
  if (p.Char > 0 && p.Line > 0) SetCaretXY(p);
}

// ------------------------------------------------------------------ typing

void TCustomTextEdit::ScrollForTyping() {
  if (DisplayX() >= leftChar_ + charsInWindow_) SetLeftChar(leftChar_ + std::min(charsInWindow_ - 1, 25));
  EnsureCursorPosVisible();
}

void TCustomTextEdit::DoTypeChar(char16_t c) {
  if (c < 32 || c == 127) return;
  if (SelAvail()) {
    SetSelTextEx(std::u16string(1, c), TUndoReason::urInsert);
    EnsureCursorPosVisible();
    return;
  }
  TPastEolScope pastEol(*this);
  TLinesUpdateScope update(*lines_);
  if (lines_->Count() == 0) lines_->Add(u"");
  const TBufferCoord caret = CaretXY();
  const std::u16string original = LineText();
  std::u16string text = original;
  const int x = caret.Char;
  const int len = static_cast<int>(text.size());
  if (insertMode_ && !WordWrap() && !HasOption(eoAutoSizeMaxScrollWidth) && x > maxScrollWidth_) return;

  // A caret beyond the end: the line is filled up to it first (an indent on
  // an empty line, spaces otherwise), and the character goes after the fill.
  std::u16string fill;
  if (len < x - 1) {
    const int columns = x - len - 1;
    fill = original.empty() ? GetLeftSpacing(columns, true) : std::u16string(static_cast<size_t>(columns), u' ');
    text += fill;
  }
  const int at = fill.empty() ? x : static_cast<int>(text.size()) + 1;
  std::u16string replaced;
  if (insertMode_ || at > static_cast<int>(text.size())) {
    text.insert(static_cast<size_t>(at - 1), 1, c);
  } else {
    replaced.assign(1, text[static_cast<size_t>(at - 1)]);
    text[static_cast<size_t>(at - 1)] = c;
  }
  ProperSetLine(caret.Line - 1, text);

  int newX;
  const bool wasBlank = std::all_of(original.begin(), original.end(), IsBlank);
  if (insertMode_ && HasOption(eoTrimTrailingSpaces) && c == u' ' && wasBlank)
    newX = GetExpandedLength(text, tabWidth_) + 1;
  else if (original.empty())
    newX = static_cast<int>(text.size()) + 1;
  else
    newX = at + 1;

  const TBufferCoord before{at, caret.Line};
  if (!fill.empty()) {
    TUndoBlockScope block(*this);
    UndoList().AddChange(TUndoReason::urFillSpaces, before, TBufferCoord{len + 1, caret.Line}, u"",
                         TEdSelectionMode::smNormal);
    UndoList().AddChange(TUndoReason::urInsert, before, TBufferCoord{at + 1, caret.Line}, replaced,
                         TEdSelectionMode::smNormal);
  } else {
    UndoList().AddChange(TUndoReason::urInsert, before, TBufferCoord{at + 1, caret.Line}, replaced,
                         TEdSelectionMode::smNormal);
  }
  SetCaretXYEx(false, TBufferCoord{newX, caret.Line});
  SetBlockBegin(CaretXY());
  ScrollForTyping();
  DoPaintTransient(TTransientType::ttAfter);
}

void TCustomTextEdit::DoImeStr(std::u16string_view s) {
  if (s.empty()) return;
  if (SelAvail()) {
    // Recorded by the selection's own mode: a line or column block comes
    // back as it was, and a line-mode insertion is taken back alone.
    SetSelTextEx(s, TUndoReason::urInsert);
    InvalidateGutter();
    EnsureCursorPosVisible();
    return;
  }
  TPastEolScope pastEol(*this);
  TLinesUpdateScope update(*lines_);
  if (lines_->Count() == 0) lines_->Add(u"");
  const TBufferCoord caret = CaretXY();
  std::u16string text = LineText();
  const int x = caret.Char;
  const int len = static_cast<int>(text.size());
  std::u16string fill;
  if (len < x - 1) {
    fill.assign(static_cast<size_t>(x - len - 1), u' ');
    text += fill;
  }
  const int at = static_cast<int>(std::min<size_t>(static_cast<size_t>(x), text.size() + 1));
  std::u16string replaced;
  if (insertMode_) {
    text.insert(static_cast<size_t>(at - 1), s);
  } else {
    replaced = text.substr(static_cast<size_t>(at - 1), s.size());
    text.replace(static_cast<size_t>(at - 1), replaced.size(), s);
  }
  ProperSetLine(caret.Line - 1, text);
  const int end = at + static_cast<int>(s.size());
  {
    TUndoBlockScope block(*this);
    if (!fill.empty())
      UndoList().AddChange(TUndoReason::urFillSpaces, TBufferCoord{at, caret.Line}, TBufferCoord{len + 1, caret.Line},
                           u"", TEdSelectionMode::smNormal);
    UndoList().AddChange(TUndoReason::urInsert, TBufferCoord{at, caret.Line}, TBufferCoord{end, caret.Line}, replaced,
                         TEdSelectionMode::smNormal);
  }
  SetCaretXYEx(false, TBufferCoord{end, caret.Line});
  SetBlockBegin(CaretXY());
  ScrollForTyping();
}

// -------------------------------------------------------------- deleting

void TCustomTextEdit::DeleteSelectionForKey() {
  const TBufferCoord b = blockBegin_;
  const TBufferCoord e = blockEnd_;
  // A selection made backwards had the caret at its start.
  const bool caretAtStart = !(MinPoint(b, e) == b) || b == e;
  TUndoBlockScope block(*this);
  AddSelectionDeletion(caretAtStart ? TUndoReason::urDeleteAfterCaret : TUndoReason::urDelete);
  SetSelTextPrimitiveEx(activeSelectionMode_, u"", true);
  FlushTrimmedBlanks();
}

void TCustomTextEdit::DoDeleteLastChar() {
  DoPaintTransient(TTransientType::ttBefore);
  if (SelAvail()) {
    DeleteSelectionForKey();
  } else if (lines_->Count() > 0) {
    const TBufferCoord caret = CaretXY();
    std::u16string text = LineText();
    const int x = caret.Char;
    const int len = static_cast<int>(text.size());
    std::u16string deleted;
    std::u16string joinTrimmed;  // blanks the trimming rule took from the line joined to
    TBufferCoord dest = caret;
    // The indent of the nearest line above that is less indented than
    // `columns` display columns (0 when there is none).
    auto smallerIndentAbove = [&](int columns) {
      for (int line = caret.Line - 1; line >= 1; --line) {
        const int indent = LeftSpaces(lines_->Get(line - 1), true);
        if (indent < columns) return indent;
      }
      return 0;
    };
    TLinesUpdateScope update(*lines_);
    if (x > 1 && x <= len + 1) {
      const int leading = LeftSpaces(text, false);
      if (!IsBlank(text[static_cast<size_t>(x - 2)]) || leading != x - 1) {
        deleted = text.substr(static_cast<size_t>(x - 2), 1);
        text.erase(static_cast<size_t>(x - 2), 1);
        dest.Char = x - 1;
      } else {
        const int column = DisplayX() - 1;  // columns of the leading blanks
        int target;
        if (HasOption(eoSmartTabDelete)) {
          target = smallerIndentAbove(column);
        } else {
          target = ((column - 1) / tabWidth_) * tabWidth_;
        }
        dest.Char = std::min(x - 1, DisplayToBufferPos(TDisplayCoord{target + 1, caret.Line}).Char);
        deleted = text.substr(static_cast<size_t>(dest.Char - 1), static_cast<size_t>(x - dest.Char));
        text.erase(static_cast<size_t>(dest.Char - 1), static_cast<size_t>(x - dest.Char));
      }
      ProperSetLine(caret.Line - 1, text);
    } else if (x == 1 && caret.Line > 1) {
      std::u16string previous = lines_->Get(caret.Line - 2);
      if (HasOption(eoTrimTrailingSpaces)) {
        while (!previous.empty() && IsBlank(previous.back())) {
          joinTrimmed.insert(joinTrimmed.begin(), previous.back());
          previous.pop_back();
        }
      }
      dest = TBufferCoord{static_cast<int>(previous.size()) + 1, caret.Line - 1};
      lines_->Put(caret.Line - 2, previous + text);
      lines_->Delete(caret.Line - 1);  // the marks below move up with it
      deleted = std::u16string(kCrLf);
    } else if (x > len + 1) {
      if (!HasOption(eoSmartTabDelete))
        dest.Char = x - 1;
      else if (text.empty())
        dest.Char = smallerIndentAbove(x - 1) + 1;
      else
        dest.Char = len + 1;
    }
    if (!(dest == caret)) {
      TPastEolScope pastEol(*this);
      InternalSetCaretXY(dest);
      SetBlockBegin(dest);
      // Blanks trimmed from the line joined to go back after the break.
      TUndoBlockScope block(*this);
      if (!joinTrimmed.empty())
        UndoList().AddChange(TUndoReason::urInsert, dest, dest, joinTrimmed, TEdSelectionMode::smNormal);
      // Moving back over the room beyond a line's end changes no text.
      if (!deleted.empty())
        UndoList().AddChange(TUndoReason::urQuietDelete, dest, caret, deleted, TEdSelectionMode::smNormal);
    }
    EnsureCursorPosVisible();
  }
  DoPaintTransient(TTransientType::ttAfter);
}

void TCustomTextEdit::DoDeleteChar() {
  DoPaintTransient(TTransientType::ttBefore);
  if (SelAvail()) {
    DeleteSelectionForKey();
  } else if (lines_->Count() > 0) {
    const TBufferCoord caret = CaretXY();
    std::u16string text = LineText();
    const int x = caret.Char;
    const int len = static_cast<int>(text.size());
    std::u16string deleted;
    TBufferCoord end = caret;
    TLinesUpdateScope update(*lines_);
    if (x > len) {
      if (caret.Line < lines_->Count()) {
        text.append(static_cast<size_t>(x - 1 - len), u' ');
        lines_->Put(caret.Line - 1, text + lines_->Get(caret.Line));
        // The joined line's marks go to the line it joined.
        lines_->Delete(caret.Line);
        deleted = std::u16string(kCrLf);
        end = TBufferCoord{1, caret.Line + 1};
        // The spaces that reached the caret are recorded too, so that Undo
        // gives back the line as it was.
        if (x - 1 > len) {
          TUndoBlockScope block(*this);
          UndoList().AddChange(TUndoReason::urFillSpaces, caret, TBufferCoord{len + 1, caret.Line}, u"",
                               TEdSelectionMode::smNormal);
          UndoList().AddChange(TUndoReason::urQuietDeleteAfterCaret, caret, end, deleted, TEdSelectionMode::smNormal);
          deleted.clear();
          TPastEolScope pastEol(*this);
          InternalSetCaretXY(caret);
          SetBlockBegin(caret);
        }
      }
    } else {
      deleted = text.substr(static_cast<size_t>(x - 1), 1);
      text.erase(static_cast<size_t>(x - 1), 1);
      ProperSetLine(caret.Line - 1, text);
      end = TBufferCoord{x + 1, caret.Line};
    }
    if (!deleted.empty()) {
      UndoList().AddChange(TUndoReason::urQuietDeleteAfterCaret, caret, end, deleted, TEdSelectionMode::smNormal);
      TPastEolScope pastEol(*this);
      InternalSetCaretXY(caret);
      SetBlockBegin(caret);
    }
  }
  DoPaintTransient(TTransientType::ttAfter);
}

void TCustomTextEdit::DoDeleteWordOrEol(bool word) {
  if (lines_->Count() == 0) return;
  DoPaintTransient(TTransientType::ttBefore);
  const TBufferCoord caret = CaretXY();
  std::u16string text = LineText();
  TBufferCoord w;
  if (word) {
    w = WordEnd();
    if (w.Char < caret.Char || (w.Char == caret.Char && caret.Line < lines_->Count())) {
      if (w.Char > static_cast<int>(text.size())) {
        ++w.Line;
        w.Char = 1;
        text = lines_->Get(w.Line - 1);
      } else if (text[static_cast<size_t>(w.Char - 1)] != u' ') {
        ++w.Char;
      }
    }
    while (w.Char <= static_cast<int>(text.size()) && text[static_cast<size_t>(w.Char - 1)] == u' ') ++w.Char;
  } else {
    w = TBufferCoord{static_cast<int>(text.size()) + 1, caret.Line};
  }
  // Past the last line there is nothing to join.
  if (w.Line > lines_->Count()) w = TBufferCoord{LineLength(caret.Line) + 1, caret.Line};
  if (!(w == caret)) {
    TPastEolScope pastEol(*this);
    const TEdSelectionMode mode = activeSelectionMode_;
    // A normal selection from the caret, or from the line's end when the
    // caret stands beyond it, whatever the selection mode.
    const TBufferCoord from{std::min(caret.Char, LineLength(caret.Line) + 1), caret.Line};
    blockBegin_ = from;
    blockEnd_ = w;
    activeSelectionMode_ = TEdSelectionMode::smNormal;
    const std::u16string deleted = ReadSelection(false);
    if (!deleted.empty()) {
      // Beyond the line's end the room up to the caret is kept as spaces;
      // they are recorded too, so that undo gives back the line as it was.
      TUndoBlockScope block(*this);
      const int pad = caret.Char - from.Char;
      if (pad > 0)
        UndoList().AddChange(TUndoReason::urFillSpaces, caret, from, u"", TEdSelectionMode::smNormal);
      SetSelTextPrimitiveEx(TEdSelectionMode::smNormal, std::u16string(static_cast<size_t>(std::max(0, pad)), u' '),
                            true);
      UndoList().AddChange(TUndoReason::urQuietDeleteAfterCaret, caret, w, deleted, TEdSelectionMode::smNormal);
    }
    InternalSetCaretXY(caret);
    SetBlockBegin(caret);
    activeSelectionMode_ = mode;
  }
  DoPaintTransient(TTransientType::ttAfter);
}

void TCustomTextEdit::DoDeleteLastWordOrBol(bool word) {
  if (lines_->Count() == 0) return;
  DoPaintTransient(TTransientType::ttBefore);
  const TBufferCoord caret = CaretXY();
  const TBufferCoord w = word ? PrevWordPos() : TBufferCoord{1, caret.Line};
  if (!(w == caret)) {
    TPastEolScope pastEol(*this);
    const TEdSelectionMode mode = activeSelectionMode_;
    SetBlockBegin(w);
    SetBlockEnd(caret);
    activeSelectionMode_ = TEdSelectionMode::smNormal;
    const std::u16string deleted = SelText();
    if (!deleted.empty()) {
      SetSelTextPrimitiveEx(TEdSelectionMode::smNormal, u"", true);
      UndoList().AddChange(TUndoReason::urQuietDelete, w, caret, deleted, TEdSelectionMode::smNormal);
    }
    InternalSetCaretXY(w);
    SetBlockBegin(w);
    activeSelectionMode_ = mode;
  }
  DoPaintTransient(TTransientType::ttAfter);
}

void TCustomTextEdit::DoDeleteLine() {
  const int count = lines_->Count();
  const int line = caretY_;
  if (count == 0 || line > count || (line == count && LineText().empty())) return;
  DoPaintTransient(TTransientType::ttBefore);
  SetBlockBegin(CaretXY());
  const std::u16string text = LineText();
  {
    TLinesUpdateScope update(*lines_);
    if (line < count) {
      lines_->Delete(line - 1);
      UndoList().AddChange(TUndoReason::urQuietDeleteAfterCaret, TBufferCoord{1, line}, TBufferCoord{1, line + 1},
                           text + std::u16string(kCrLf), TEdSelectionMode::smNormal);
    } else {
      lines_->Put(line - 1, u"");
      UndoList().AddChange(TUndoReason::urQuietDeleteAfterCaret, TBufferCoord{1, line},
                           TBufferCoord{static_cast<int>(text.size()) + 1, line}, text, TEdSelectionMode::smNormal);
    }
  }
  SetCaretXY(TBufferCoord{1, line});
  DoPaintTransient(TTransientType::ttAfter);
}

// -------------------------------------------------------------------- tabs

void TCustomTextEdit::DoTab() {
  const TBufferCoord b = BlockBegin();
  const TBufferCoord e = BlockEnd();
  if (HasOption(eoTabIndent) && SelAvail()) {
    const bool spansLines = b.Line != e.Line && activeSelectionMode_ != TEdSelectionMode::smColumn;
    const bool wholeLine = b.Line == e.Line && b.Char == 1 && e.Char > LineLength(b.Line);
    if (spansLines || wholeLine) {
      DoBlockIndent();
      if (wholeLine) {
        TBufferCoord begin = blockBegin_;
        TBufferCoord end = blockEnd_;
        if (MinPoint(begin, end) == begin)
          begin.Char = 1;
        else
          end.Char = 1;
        SetCaretAndSelection(CaretXY(), begin, end);
      }
      return;
    }
  }
  const TBufferCoord caret = CaretXY();
  int n = 0;
  bool foundLine = false;
  if (HasOption(eoSmartTabs) && caret.Line > 1) {
    const int column = DisplayX();
    for (int line = caret.Line - 1; line >= 1; --line) {
      const std::u16string above = lines_->GetExpandedString(line - 1);
      if (static_cast<int>(above.size()) < column) continue;
      int k = column;
      while (k <= static_cast<int>(above.size()) && !IsBlank(above[static_cast<size_t>(k - 1)])) ++k;
      while (k <= static_cast<int>(above.size()) && IsBlank(above[static_cast<size_t>(k - 1)])) ++k;
      n = k - column;
      foundLine = true;
      break;
    }
  }
  TUndoBlockScope block(*this);
  if (SelAvail()) {
    AddSelectionDeletion(TUndoReason::urDelete);
    SetSelTextPrimitiveEx(activeSelectionMode_, u"", true);
    FlushTrimmedBlanks();
  }
  const TBufferCoord start = CaretXY();
  const int column = DisplayX();
  if (n == 0) n = HasOption(eoTabsToSpaces) ? tabWidth_ - (column - 1) % tabWidth_ : tabWidth_;
  std::u16string insert;
  if (HasOption(eoTabsToSpaces)) {
    insert.assign(static_cast<size_t>(n), u' ');
  } else {
    insert = u"\t";
    const std::u16string line = LineText();
    const bool blankLeft = std::all_of(line.begin(), line.begin() + std::min<size_t>(line.size(), start.Char - 1),
                                       IsBlank);
    if (HasOption(eoSmartTabs) && foundLine && blankLeft) {
      // The smart distance made of tabs where they fit, spaces for the rest.
      const int nextStop = ((column - 1) / tabWidth_ + 1) * tabWidth_ + 1;
      const int target = column + n;
      if (target >= nextStop) {
        const int rest = target - nextStop;
        insert.assign(static_cast<size_t>(1 + rest / tabWidth_), u'\t');
        insert.append(static_cast<size_t>(rest % tabWidth_), u' ');
      } else {
        insert.assign(static_cast<size_t>(n), u' ');
      }
    }
  }
  const std::u16string current = LineText();
  const bool wasBlank = std::all_of(current.begin(), current.end(), IsBlank);
  TPastEolScope pastEol(*this);
  SetBlockBegin(start);
  // Beyond the line's end the insertion pads the line up to the caret; the
  // padding is recorded so that Undo gives the line back as it was.
  const int length = static_cast<int>(current.size());
  const TEdSelectionMode mode = activeSelectionMode_;
  if (mode == TEdSelectionMode::smNormal && length < start.Char - 1)
    UndoList().AddChange(TUndoReason::urFillSpaces, start, TBufferCoord{length + 1, start.Line}, u"",
                         TEdSelectionMode::smNormal);
  SetSelTextPrimitiveEx(mode, insert, true);
  int newX = start.Char + static_cast<int>(insert.size());
  if (!HasOption(eoTabsToSpaces) && HasOption(eoTrimTrailingSpaces) && wasBlank)
    newX = column + GetExpandedLength(insert, tabWidth_);
  // Line mode puts the text in front of the line: it is taken back as that
  // plain text, since a line-mode record would take the whole line. A
  // column insertion has recorded its own pieces.
  const int insertLength = static_cast<int>(insert.size());
  if (mode == TEdSelectionMode::smNormal)
    UndoList().AddChange(TUndoReason::urInsert, start, TBufferCoord{start.Char + insertLength, start.Line}, u"",
                         mode);
  else if (mode == TEdSelectionMode::smLine)
    UndoList().AddChange(TUndoReason::urInsert, TBufferCoord{1, start.Line}, TBufferCoord{1 + insertLength, start.Line},
                         u"", TEdSelectionMode::smNormal);
  InternalSetCaretXY(TBufferCoord{newX, start.Line});
  SetBlockBegin(CaretXY());
  EnsureCursorPosVisible();
}

void TCustomTextEdit::DoShiftTab() {
  if (HasOption(eoTabIndent) && SelAvail()) {
    const TBufferCoord b = BlockBegin();
    const TBufferCoord e = BlockEnd();
    const bool spansLines = b.Line != e.Line;
    const bool wholeLine = b.Line == e.Line && b.Char == 1 && e.Char > LineLength(b.Line);
    if (spansLines || wholeLine) {
      DoBlockUnindent();
      return;
    }
  }
  if (lines_->Count() == 0) return;
  const TBufferCoord caret = CaretXY();
  const int x = caret.Char;
  const std::u16string text = LineText();
  const int len = static_cast<int>(text.size());
  int newX = x;
  if (HasOption(eoSmartTabs) && x > 1) {
    for (int line = caret.Line - 1; line >= 1; --line) {
      const std::u16string& above = lines_->Get(line - 1);
      if (static_cast<int>(above.size()) < x - 1) continue;
      int k = x - 1;
      while (k >= 1 && above[static_cast<size_t>(k - 1)] == u' ') --k;
      while (k >= 1 && above[static_cast<size_t>(k - 1)] != u' ') --k;
      newX = std::max(1, k + 1);
      break;
    }
  }
  if (newX == x && x > 1) {
    const int stop = ((x - 2) / tabWidth_) * tabWidth_ + 1;
    if (len >= x - 1) {
      if (text[static_cast<size_t>(x - 2)] == u'\t') {
        newX = x - 1;
      } else {
        newX = x;
        while (newX > stop && text[static_cast<size_t>(newX - 2)] == u' ') --newX;
      }
    } else {
      newX = std::max(stop, len + 1);
    }
  }
  // Shift+Tab takes back blanks only: text the user typed is never removed.
  for (int i = std::min(x - 1, len); i >= newX; --i) {
    if (!IsBlank(text[static_cast<size_t>(i - 1)])) {
      newX = i + 1;
      break;
    }
  }
  if (newX >= x) return;
  TPastEolScope pastEol(*this);
  const int from = std::min(newX, len + 1);
  const int to = std::min(x, len + 1);
  const std::u16string deleted = text.substr(static_cast<size_t>(from - 1), static_cast<size_t>(to - from));
  if (!deleted.empty()) {
    std::u16string changed = text;
    changed.erase(static_cast<size_t>(from - 1), deleted.size());
    ProperSetLine(caret.Line - 1, changed);
    UndoList().AddChange(TUndoReason::urQuietDelete, TBufferCoord{newX, caret.Line}, caret, deleted,
                         TEdSelectionMode::smNormal);
  }
  InternalSetCaretXY(TBufferCoord{newX, caret.Line});
  SetBlockBegin(CaretXY());
}

void TCustomTextEdit::DoBlockIndent() {
  if (!SelAvail()) return;
  const TBufferCoord b = BlockBegin();
  const TBufferCoord e = BlockEnd();
  const bool beginFirst = MinPoint(blockBegin_, blockEnd_) == blockBegin_;
  const TBufferCoord caret = CaretXY();
  const TEdSelectionMode mode = activeSelectionMode_;
  int lastLine = e.Line;
  if (e.Char == 1 && e.Line > b.Line) --lastLine;
  const std::u16string unit = HasOption(eoTabsToSpaces) ? std::u16string(static_cast<size_t>(tabWidth_), u' ') : u"\t";
  const int unitLength = static_cast<int>(unit.size());
  const int at = mode == TEdSelectionMode::smColumn ? std::min(blockBegin_.Char, blockEnd_.Char) : 1;
  std::u16string block;
  for (int line = b.Line; line <= lastLine; ++line) {
    if (line > b.Line) block += kCrLf;
    block += unit;
  }
  TPastEolScope pastEol(*this);
  TUndoBlockScope undo(*this);
  InternalSetCaretXY(TBufferCoord{at, b.Line});
  SetBlockBegin(CaretXY());
  activeSelectionMode_ = TEdSelectionMode::smColumn;
  SetSelTextPrimitiveEx(TEdSelectionMode::smColumn, block, true);
  UndoList().AddChange(TUndoReason::urIndent, b, e, u"", TEdSelectionMode::smColumn);
  const TBufferCoord nb{b.Char + unitLength, b.Line};
  const TBufferCoord ne{e.Char + (e.Char > 1 || e.Line == b.Line ? unitLength : 0), e.Line};
  UndoList().AddChange(TUndoReason::urIndent, nb, ne, u"", TEdSelectionMode::smColumn);
  TBufferCoord newCaret = caret;
  if (caret.Line >= b.Line && caret.Line <= lastLine && caret.Char >= at) newCaret.Char += unitLength;
  activeSelectionMode_ = mode;
  SetCaretAndSelection(newCaret, beginFirst ? nb : ne, beginFirst ? ne : nb);
  activeSelectionMode_ = mode;
}

void TCustomTextEdit::DoBlockUnindent() {
  if (!SelAvail()) return;
  const TBufferCoord b = BlockBegin();
  const TBufferCoord e = BlockEnd();
  const bool beginFirst = MinPoint(blockBegin_, blockEnd_) == blockBegin_;
  const TEdSelectionMode mode = activeSelectionMode_;
  int lastLine = e.Line;
  if (e.Char == 1 && e.Line > b.Line) --lastLine;
  const int at = mode == TEdSelectionMode::smColumn ? std::min(blockBegin_.Char, blockEnd_.Char) : 1;
  std::vector<int> amounts;
  std::u16string pieces;
  bool any = false;
  for (int line = b.Line; line <= lastLine; ++line) {
    const std::u16string& s = lines_->Get(line - 1);
    const size_t from = static_cast<size_t>(at - 1);
    int amount = 0;
    if (from < s.size()) {
      if (s[from] == u'\t') {
        amount = 1;
      } else {
        while (amount < tabWidth_ && from + amount < s.size() && s[from + amount] == u' ') ++amount;
        if (amount < tabWidth_ && from + amount < s.size() && s[from + amount] == u'\t') ++amount;
      }
    }
    amounts.push_back(amount);
    if (line > b.Line) pieces += kCrLf;
    if (amount > 0) {
      pieces += s.substr(from, static_cast<size_t>(amount));
      any = true;
    }
  }
  if (!any) return;
  const TBufferCoord caret = CaretXY();
  {
    TLinesUpdateScope update(*lines_);
    for (int line = b.Line; line <= lastLine; ++line) {
      const int amount = amounts[static_cast<size_t>(line - b.Line)];
      if (amount == 0) continue;
      std::u16string s = lines_->Get(line - 1);
      s.erase(static_cast<size_t>(at - 1), static_cast<size_t>(amount));
      lines_->Put(line - 1, s);
    }
  }
  UndoList().AddChange(TUndoReason::urUnindent, b, e, pieces, mode);
  if (mode == TEdSelectionMode::smColumn) {
    SetCaretAndSelection(caret, blockBegin_, blockEnd_);
    return;
  }
  auto amountOf = [&](int line) {
    return line >= b.Line && line <= lastLine ? amounts[static_cast<size_t>(line - b.Line)] : 0;
  };
  const TBufferCoord newCaret{std::max(1, caret.Char - amountOf(caret.Line)), caret.Line};
  const TBufferCoord nb{std::max(1, b.Char - amountOf(b.Line)), b.Line};
  const TBufferCoord ne{std::max(1, e.Char - amountOf(e.Line)), e.Line};
  TPastEolScope pastEol(*this);
  SetCaretAndSelection(newCaret, beginFirst ? nb : ne, beginFirst ? ne : nb);
  activeSelectionMode_ = mode;
}

// ------------------------------------------------------------ case change

void TCustomTextEdit::DoCaseChange(TTextEditorCommand command) {
  const bool block = command >= ecUpperCaseBlock;
  const TBufferCoord oldCaret = CaretXY();
  const TBufferCoord oldBegin = blockBegin_;
  const TBufferCoord oldEnd = blockEnd_;
  const bool hadSelection = SelAvail();
  if (!block) {
    TBufferCoord p = oldCaret;
    for (int tries = 0; tries < 3; ++tries) {
      if (tries > 0) p = PrevWordPosEx(p);
      const TBufferCoord ws = WordStartEx(p);
      const TBufferCoord we = WordEndEx(p);
      SetCaretAndSelection(we, ws, we);
      if (SelAvail()) break;
    }
  } else if (!hadSelection) {
    const int len = LineLength(oldCaret.Line);
    if (oldCaret.Char <= len) {
      const TBufferCoord next{oldCaret.Char + 1, oldCaret.Line};
      SetCaretAndSelection(next, oldCaret, next);
    } else {
      if (oldCaret.Line < lines_->Count()) SetCaretXY(TBufferCoord{1, oldCaret.Line + 1});
      return;
    }
  }
  // As the characters stand: a column block read filled with spaces would
  // put the spaces in.
  const std::u16string text = ReadSelection(false);
  if (text.empty()) {
    SetCaretXY(oldCaret);
    return;
  }
  const auto convert = [command](std::u16string converted) {
    switch (command) {
      case ecUpperCase:
      case ecUpperCaseBlock:
        converted = platform::UnicodeUpperCase(converted);
        break;
      case ecLowerCase:
      case ecLowerCaseBlock:
        converted = platform::UnicodeLowerCase(converted);
        break;
      case ecToggleCase:
      case ecToggleCaseBlock: {
        // Both mappings keep every code point's length, so unit i of each
        // belongs to the same letter.
        const std::u16string upper = platform::UnicodeUpperCase(converted);
        const std::u16string lower = platform::UnicodeLowerCase(converted);
        for (size_t i = 0; i < converted.size(); ++i) converted[i] = upper[i] == converted[i] ? lower[i] : upper[i];
        break;
      }
      case ecTitleCase: {
        const bool pair = converted.size() > 1 && platform::IsHighSurrogate(converted[0]) &&
                          platform::IsLowSurrogate(converted[1]);
        const size_t first = std::min<size_t>(pair ? 2 : 1, converted.size());
        converted = platform::UnicodeUpperCase(std::u16string_view(converted).substr(0, first)) +
                    platform::UnicodeLowerCase(std::u16string_view(converted).substr(first));
        break;
      }
      default: break;
    }
    return converted;
  };
  const TEdSelectionMode mode = activeSelectionMode_;
  {
    TUndoBlockScope undo(*this);
    if (hadSelection)
      UndoList().AddChange(TUndoReason::urSelection, oldBegin, oldEnd, u"", mode);
    else
      UndoList().AddChange(TUndoReason::urSelection, oldCaret, oldCaret, u"", mode);
    UndoList().AddChange(TUndoReason::urCaret, oldCaret, oldCaret, u"", mode);
    if (mode == TEdSelectionMode::smColumn) {
      // Line by line where each line's characters stand: over tabs a column
      // block starts at a different character on each line, and putting
      // the converted block back as one would move text between columns.
      int colFrom = 0;
      int colTo = 0;
      ColumnBounds(colFrom, colTo);
      const int first = BlockBegin().Line;
      const int last = BlockEnd().Line;
      for (int line = first; line <= last; ++line) {
        int left = 0;
        int right = 0;
        ColumnSpan(line, colFrom, colTo, left, right);
        const std::u16string& s = lines_->Get(line - 1);
        if (left > static_cast<int>(s.size())) continue;
        const std::u16string piece = s.substr(static_cast<size_t>(left - 1), static_cast<size_t>(right - left));
        const std::u16string changed = convert(piece);
        if (changed == piece) continue;
        blockBegin_ = TBufferCoord{left, line};
        blockEnd_ = TBufferCoord{left + static_cast<int>(piece.size()), line};
        activeSelectionMode_ = TEdSelectionMode::smNormal;
        SetSelTextEx(changed, TUndoReason::urInsert);
      }
      activeSelectionMode_ = mode;
    } else {
      SetSelText(convert(text));
    }
  }
  if (block && hadSelection)
    SetCaretAndSelection(oldCaret, oldBegin, oldEnd);
  else if (!block)
    SetCaretXY(oldCaret);
}

}  // namespace editor
