// The selected text: reading it in each selection mode, replacing it (the
// one primitive behind typing over a selection, cutting, pasting, dropping
// and the undo steps), and undoing and redoing one change record.
#include <algorithm>
#include <optional>

#include "editor/edmiscprocs.h"
#include "editor/textedit.h"

namespace editor {

namespace {

constexpr std::u16string_view kCrLf = u"\r\n";

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

std::u16string TrimRight(std::u16string_view s) {
  size_t n = s.size();
  while (n > 0 && IsBlank(s[n - 1])) --n;
  return std::u16string(s.substr(0, n));
}

// Characters from 1-based index, at most count, as the string routines cut.
std::u16string_view Copy(std::u16string_view s, int index, int count) {
  if (index < 1) index = 1;
  if (count <= 0 || index > static_cast<int>(s.size())) return {};
  return s.substr(static_cast<size_t>(index - 1), static_cast<size_t>(count));
}

// Index of the first break (CR or LF) at or after pos; npos when none.
size_t NextBreak(std::u16string_view s, size_t pos) {
  while (pos < s.size() && s[pos] != u'\r' && s[pos] != u'\n') ++pos;
  return pos < s.size() ? pos : std::u16string_view::npos;
}

// Past one break: CR LF, CR or LF.
size_t SkipBreak(std::u16string_view s, size_t pos) {
  if (pos < s.size() && s[pos] == u'\r') ++pos;
  if (pos < s.size() && s[pos] == u'\n') ++pos;
  return pos;
}

// Pieces between breaks (CR LF, CR or LF); one more piece than breaks.
std::vector<std::u16string_view> SplitPieces(std::u16string_view s) {
  std::vector<std::u16string_view> pieces;
  size_t pos = 0;
  for (;;) {
    const size_t br = NextBreak(s, pos);
    if (br == std::u16string_view::npos) {
      pieces.push_back(s.substr(pos));
      return pieces;
    }
    pieces.push_back(s.substr(pos, br - pos));
    pos = SkipBreak(s, br);
  }
}

// The trimming rule off while a record is undone or redone (the record says
// exactly what changes, and the blanks trimmed have records of their own),
// and while a selection is deleted for text that goes in where it was.
class TTrimOffScope {
 public:
  explicit TTrimOffScope(TTextEditorOptions& options) : options_(options), saved_(options) {
    options_ &= ~OptionBit(eoTrimTrailingSpaces);
  }
  ~TTrimOffScope() { options_ = saved_; }
  TTrimOffScope(const TTrimOffScope&) = delete;
  TTrimOffScope& operator=(const TTrimOffScope&) = delete;

 private:
  TTextEditorOptions& options_;
  TTextEditorOptions saved_;
};

}  // namespace

// ------------------------------------------------------------ shared rules

void TCustomTextEdit::ProperSetLine(int index, std::u16string_view text) {
  if (HasOption(eoTrimTrailingSpaces))
    lines_->Put(index, TrimForStore(index, text));
  else
    lines_->Put(index, text);
}

std::u16string TCustomTextEdit::TrimForStore(int index, std::u16string_view text) {
  std::u16string trimmed = TrimRight(text);
  if (trimmed.size() < text.size() && !UndoList().IsLocked())
    trimmedBlanks_.emplace_back(index, std::u16string(text.substr(trimmed.size())));
  return trimmed;
}

void TCustomTextEdit::FlushTrimmedBlanks() {
  if (trimmedBlanks_.empty()) return;
  std::vector<std::pair<int, std::u16string>> pending;
  pending.swap(trimmedBlanks_);
  // In the change of the newest record, so that one undo takes them back
  // with the command that trimmed them.
  const std::int32_t saved = UndoList().BlockChangeNumber();
  if (UndoList().BlockCount() == 0 && UndoList().PeekItem() != nullptr)
    UndoList().SetBlockChangeNumber(UndoList().PeekItem()->ChangeNumber);
  for (const auto& [index, blanks] : pending) {
    if (index < 0 || index >= lines_->Count()) continue;
    const TBufferCoord at{static_cast<int>(lines_->Get(index).size()) + 1, index + 1};
    UndoList().AddChange(TUndoReason::urInsert, at, at, blanks, TEdSelectionMode::smNormal);
  }
  UndoList().SetBlockChangeNumber(saved);
}

int TCustomTextEdit::LeftSpaces(std::u16string_view line, bool wantTabs) const {
  if (!HasOption(eoAutoIndent)) return 0;
  int count = 0;
  for (char16_t c : line) {
    if (c < 1 || c > 32) break;
    if (c == u'\t' && wantTabs)
      count += tabWidth_;
    else
      ++count;
  }
  return count;
}

std::u16string TCustomTextEdit::GetLeftSpacing(int charCount, bool wantTabs) const {
  if (charCount <= 0) return {};
  if (wantTabs && !HasOption(eoTabsToSpaces) && charCount >= tabWidth_)
    return std::u16string(static_cast<size_t>(charCount / tabWidth_), u'\t') +
           std::u16string(static_cast<size_t>(charCount % tabWidth_), u' ');
  return std::u16string(static_cast<size_t>(charCount), u' ');
}

// ------------------------------------------------------------ reading

std::u16string TCustomTextEdit::SelText() const { return ReadSelection(true); }

void TCustomTextEdit::ColumnBounds(int& colFrom, int& colTo) const {
  const TBufferCoord b = BlockBegin();
  const TBufferCoord e = BlockEnd();
  colFrom = CharIndex2CaretPos(b.Char, tabWidth_, lines_->Get(b.Line - 1));
  colTo = CharIndex2CaretPos(e.Char, tabWidth_, lines_->Get(e.Line - 1));
  if (colFrom > colTo) SwapInt(colFrom, colTo);
}

void TCustomTextEdit::ColumnSpan(int line, int colFrom, int colTo, int& left, int& right) const {
  // Per line, without word wrap's rows: a column block is a rectangle of
  // each line's own display columns.
  const std::u16string& s = lines_->Get(line - 1);
  const int len = static_cast<int>(s.size());
  auto charOf = [&](int column) {
    int x = 0;  // columns taken by the characters before i
    int i = 0;
    while (x < column) {
      ++i;
      if (i <= len && s[static_cast<size_t>(i - 1)] == u'\t')
        x += tabWidth_ - x % tabWidth_;
      else
        ++x;
    }
    return std::max(i, 1);
  };
  left = charOf(colFrom);
  right = std::max(left, charOf(colTo));
}

std::u16string TCustomTextEdit::ReadSelection(bool fillColumns) const {
  if (!SelAvail()) return {};
  const TBufferCoord b = BlockBegin();
  const TBufferCoord e = BlockEnd();
  std::u16string out;
  switch (activeSelectionMode_) {
    case TEdSelectionMode::smNormal: {
      const std::u16string& first = lines_->Get(b.Line - 1);
      if (b.Line == e.Line) return std::u16string(Copy(first, b.Char, e.Char - b.Char));
      out += Copy(first, b.Char, static_cast<int>(first.size()));
      for (int line = b.Line + 1; line < e.Line; ++line) {
        out += kCrLf;
        out += lines_->Get(line - 1);
      }
      out += kCrLf;
      out += Copy(lines_->Get(e.Line - 1), 1, e.Char - 1);
      return out;
    }
    case TEdSelectionMode::smLine: {
      for (int line = b.Line; line <= e.Line; ++line) {
        out += lines_->Get(line - 1);
        if (line < e.Line || e.Line < lines_->Count()) out += kCrLf;
      }
      return out;
    }
    case TEdSelectionMode::smColumn: {
      int colFrom = 0;
      int colTo = 0;
      ColumnBounds(colFrom, colTo);
      const int width = colTo - colFrom;
      for (int line = b.Line; line <= e.Line; ++line) {
        int left = 0;
        int right = 0;
        ColumnSpan(line, colFrom, colTo, left, right);
        std::u16string piece(Copy(lines_->Get(line - 1), left, right - left));
        if (fillColumns && !HasOption(eoTrimTrailingSpaces) && static_cast<int>(piece.size()) < width)
          piece.append(static_cast<size_t>(width) - piece.size(), u' ');
        out += piece;
        if (line < e.Line) out += kCrLf;
      }
      return out;
    }
  }
  return out;
}

void TCustomTextEdit::AddSelectionDeletion(TUndoReason reason) {
  if (activeSelectionMode_ == TEdSelectionMode::smNormal) {
    // An end beyond its line's end (left by a block made in another mode)
    // deletes from the line's end: the record says so, or undo would put
    // the text back beyond the end with blanks that were never there.
    for (TBufferCoord* p : {&blockBegin_, &blockEnd_})
      p->Char = std::min(p->Char, static_cast<int>(lines_->Get(p->Line - 1).size()) + 1);
  }
  if (activeSelectionMode_ != TEdSelectionMode::smColumn) {
    UndoList().AddChange(reason, blockBegin_, blockEnd_, ReadSelection(false), activeSelectionMode_);
    return;
  }
  UndoList().AddChange(TUndoReason::urSelection, blockBegin_, blockEnd_, u"", TEdSelectionMode::smColumn);
  int colFrom = 0;
  int colTo = 0;
  ColumnBounds(colFrom, colTo);
  for (int line = BlockBegin().Line; line <= BlockEnd().Line; ++line) {
    int left = 0;
    int right = 0;
    ColumnSpan(line, colFrom, colTo, left, right);
    const std::u16string_view piece = Copy(lines_->Get(line - 1), left, right - left);
    if (!piece.empty())
      UndoList().AddChange(reason, TBufferCoord{left, line},
                           TBufferCoord{left + static_cast<int>(piece.size()), line}, piece,
                           TEdSelectionMode::smNormal);
  }
}

// ------------------------------------------------------------ replacing

void TCustomTextEdit::SetSelTextEx(std::u16string_view value, TUndoReason reason) {
  TUndoBlockScope block(*this);
  if (SelAvail()) {
    DeleteSelectionRecorded(TUndoReason::urDelete, !value.empty());
  } else {
    activeSelectionMode_ = selectionMode_;
  }
  InsertRecorded(activeSelectionMode_, value, reason);
}

void TCustomTextEdit::DeleteSelectionRecorded(TUndoReason reason, bool textFollows) {
  AddSelectionDeletion(reason);
  const TBufferCoord start = BlockBegin();
  const TBufferCoord end = BlockEnd();
  blockBegin_ = start;
  blockEnd_ = end;
  // Text that follows goes in where the selection was: the blanks before it
  // stay (trimming them first would turn a tab before it into spaces).
  std::optional<TTrimOffScope> trimOff;
  if (textFollows) trimOff.emplace(options_);
  SetSelTextPrimitiveEx(activeSelectionMode_, u"", true);
  // Blanks trimmed from the joined line go before what follows.
  FlushTrimmedBlanks();
}

void TCustomTextEdit::InsertRecorded(TEdSelectionMode mode, std::u16string_view value, TUndoReason reason) {
  // The record starts where the text changed: at the line's end when the
  // caret stands beyond it (the spaces that reach the caret go with the
  // text), and at character 1 in line mode, whose insertion is taken back
  // as the plain text it put in front of the line (a line-mode record would
  // also take the line that followed the inserted ones). A column
  // insertion records its own pieces.
  //
  // Nothing is selected by now; a zero-width column block taken in another
  // mode must not become a selection that the insertion deletes unrecorded.
  blockBegin_ = CaretXY();
  blockEnd_ = blockBegin_;
  TBufferCoord start = CaretXY();
  // Where the text ends, from the text itself: with word wrap the caret
  // may be moved to the end of a row.
  const std::vector<std::u16string_view> pieces = SplitPieces(value);
  const int lastLength = static_cast<int>(pieces.back().size());
  TBufferCoord end{lastLength + 1, start.Line + static_cast<int>(pieces.size()) - 1};
  if (mode == TEdSelectionMode::smLine) {
    start.Char = 1;
  } else {
    if (pieces.size() == 1) end.Char = start.Char + lastLength;
    start.Char = std::min(start.Char, static_cast<int>(lines_->Get(start.Line - 1).size()) + 1);
  }
  SetSelTextPrimitiveEx(mode, value, true);
  if (!value.empty() && mode != TEdSelectionMode::smColumn)
    UndoList().AddChange(reason, start, end, u"", TEdSelectionMode::smNormal);
  FlushTrimmedBlanks();
}

void TCustomTextEdit::SelTextDelete(TBufferCoord& b, TBufferCoord& e) {
  switch (activeSelectionMode_) {
    case TEdSelectionMode::smNormal: {
      if (lines_->Count() == 0) break;
      const std::u16string& first = lines_->Get(b.Line - 1);
      const std::u16string& last = lines_->Get(e.Line - 1);
      std::u16string joined(Copy(first, 1, b.Char - 1));
      if (e.Char <= static_cast<int>(last.size()))
        joined += std::u16string_view(last).substr(static_cast<size_t>(e.Char - 1));
      if (HasOption(eoTrimTrailingSpaces) && HasOption(eoScrollPastEol))
        lines_->Put(b.Line - 1, TrimForStore(b.Line - 1, joined));
      else
        lines_->Put(b.Line - 1, joined);
      lines_->DeleteLines(b.Line, e.Line - b.Line);
      InternalSetCaretXY(b);
      break;
    }
    case TEdSelectionMode::smColumn: {
      // The rectangle that is shown and read: over tabs its characters
      // differ from line to line.
      int colFrom = 0;
      int colTo = 0;
      ColumnBounds(colFrom, colTo);
      int firstLeft = 0;
      int lastLeft = 0;
      for (int line = b.Line; line <= e.Line && line <= lines_->Count(); ++line) {
        int left = 0;
        int right = 0;
        ColumnSpan(line, colFrom, colTo, left, right);
        if (line == b.Line) firstLeft = left;
        lastLeft = left;
        std::u16string s = lines_->Get(line - 1);
        const int len = static_cast<int>(s.size());
        if (left <= len) s.erase(static_cast<size_t>(left - 1), static_cast<size_t>(std::min(right, len + 1) - left));
        ProperSetLine(line - 1, s);
      }
      InternalSetCaretXY(TBufferCoord{lastLeft, e.Line});
      b.Char = firstLeft;
      e.Char = lastLeft;
      break;
    }
    case TEdSelectionMode::smLine: {
      if (e.Line >= lines_->Count()) {
        lines_->Put(e.Line - 1, u"");
        lines_->DeleteLines(b.Line - 1, e.Line - b.Line);
      } else {
        lines_->DeleteLines(b.Line - 1, e.Line - b.Line + 1);
      }
      InternalSetCaretXY(TBufferCoord{1, b.Line});
      break;
    }
  }
}

void TCustomTextEdit::SelTextInsertNormal(std::u16string_view value) {
  const std::u16string line = LineText();
  const int caretX = caretX_;
  std::u16string left(Copy(line, 1, caretX - 1));
  if (static_cast<int>(left.size()) < caretX - 1) left.append(static_cast<size_t>(caretX - 1) - left.size(), u' ');
  const std::u16string right(Copy(line, caretX, static_cast<int>(line.size())));
  const bool trim = HasOption(eoTrimTrailingSpaces);

  const std::vector<std::u16string_view> pieces = SplitPieces(value);
  int lineIndex = caretY_ - 1;
  if (lines_->Count() == 0) lines_->Add(u"");
  std::u16string lastText;  // the last line as built, before trimming
  if (pieces.size() == 1) {
    lastText = left + std::u16string(value) + right;
    ProperSetLine(lineIndex, lastText);
  } else {
    ProperSetLine(lineIndex, left + std::u16string(pieces.front()));
    lines_->InsertLines(lineIndex + 1, static_cast<int>(pieces.size()) - 1);
    for (size_t i = 1; i + 1 < pieces.size(); ++i) ProperSetLine(++lineIndex, pieces[i]);
    lastText = std::u16string(pieces.back()) + right;
    ProperSetLine(++lineIndex, lastText);
  }
  int newX;
  if (!trim) {
    newX = static_cast<int>(lastText.size()) + 1 - static_cast<int>(right.size());
  } else if (right.empty()) {
    newX = static_cast<int>(lastText.size()) + 1;
  } else {
    newX = static_cast<int>(TrimRight(lastText).size()) + 1 - static_cast<int>(TrimRight(right).size());
  }
  InternalSetCaretXY(TBufferCoord{newX, lineIndex + 1});
}

void TCustomTextEdit::SelTextInsertColumn(std::u16string_view value, bool addToUndoList) {
  const int insertPos = caretX_;
  int y = caretY_;
  const std::vector<std::u16string_view> pieces = SplitPieces(value);
  for (size_t i = 0; i < pieces.size(); ++i) {
    const std::u16string_view piece = pieces[i];
    bool added = false;
    if (y > lines_->Count()) {
      // Below the last line: a new line, reaching the column with spaces.
      added = true;
      if (addToUndoList && y > 1) {
        const TBufferCoord at{static_cast<int>(lines_->Get(y - 2).size()) + 1, y - 1};
        UndoList().AddChange(TUndoReason::urLineBreak, at, at, u"", TEdSelectionMode::smNormal);
      }
      lines_->Add(std::u16string(static_cast<size_t>(insertPos - 1), u' '));
    }
    std::u16string s = lines_->Get(y - 1);
    const int len = static_cast<int>(s.size());
    // The record covers the spaces that reach a short line's end too, so
    // that undo takes them back with the piece.
    int from = added ? 1 : insertPos;
    if (len < insertPos - 1) {
      s.append(static_cast<size_t>(insertPos - 1 - len), u' ');
      s += piece;
      from = len + 1;
    } else {
      s.insert(static_cast<size_t>(insertPos - 1), piece);
    }
    lines_->Put(y - 1, s);
    if (addToUndoList && (!piece.empty() || from < insertPos))
      UndoList().AddChange(TUndoReason::urPaste, TBufferCoord{from, y},
                           TBufferCoord{insertPos + static_cast<int>(piece.size()), y}, u"",
                           TEdSelectionMode::smColumn);
    if (i + 1 < pieces.size()) ++y;
  }
  InternalSetCaretXY(TBufferCoord{insertPos + static_cast<int>(pieces.back().size()), y});
}

void TCustomTextEdit::SelTextInsertLine(std::u16string_view value) {
  const std::vector<std::u16string_view> pieces = SplitPieces(value);
  int y = caretY_;
  for (size_t i = 0; i + 1 < pieces.size(); ++i) {
    if (y > lines_->Count())
      lines_->Add(pieces[i]);
    else
      lines_->Insert(y - 1, pieces[i]);
    ++y;
  }
  const std::u16string_view last = pieces.back();
  if (y > lines_->Count()) {
    lines_->Add(last);
  } else {
    lines_->Put(y - 1, std::u16string(last) + lines_->Get(y - 1));
  }
  if (HasOption(eoTrimTrailingSpaces)) lines_->Put(y - 1, TrimForStore(y - 1, lines_->Get(y - 1)));
  InternalSetCaretXY(TBufferCoord{static_cast<int>(last.size()) + 1, y});
}

void TCustomTextEdit::SetSelTextPrimitiveEx(TEdSelectionMode mode, std::u16string_view value, bool addToUndoList) {
  TPaintLockScope lock(*this);
  TLinesUpdateScope update(*lines_);
  TBufferCoord b = BlockBegin();
  TBufferCoord e = BlockEnd();
  if (SelAvail()) {
    // With text to put where the selection was, the blanks before it stay
    // until the line is stored with that text (trimming them first would
    // turn a tab before the text into the spaces that reach it).
    std::optional<TTrimOffScope> trimOff;
    if (!value.empty()) trimOff.emplace(options_);
    SelTextDelete(b, e);
    InternalSetCaretXY(b);
  }
  if (!value.empty()) {
    switch (mode) {
      case TEdSelectionMode::smNormal: SelTextInsertNormal(value); break;
      case TEdSelectionMode::smColumn: SelTextInsertColumn(value, addToUndoList); break;
      case TEdSelectionMode::smLine: SelTextInsertLine(value); break;
    }
    // Refresh the remembered display column at the final position.
    InternalSetCaretXY(CaretXY());
  }
  if (caretY_ < 1) InternalSetCaretY(1);
}

// ------------------------------------------------------------ undo and redo

namespace {

bool IsDeleteReason(TUndoReason r) {
  return r == TUndoReason::urDelete || r == TUndoReason::urDeleteAfterCaret || r == TUndoReason::urQuietDelete ||
         r == TUndoReason::urQuietDeleteAfterCaret;
}

}  // namespace

void TCustomTextEdit::UndoItem(const TTextEditUndoItem& item) {
  TPaintLockScope lock(*this);
  TPastEolScope pastEol(*this);
  TTrimOffScope trimOff(options_);
  activeSelectionMode_ = item.ChangeSelMode;
  const TUndoReason reason = item.ChangeReason;
  const TBufferCoord start = item.ChangeStartPos;
  const TBufferCoord end = item.ChangeEndPos;
  switch (reason) {
    case TUndoReason::urInsert:
    case TUndoReason::urPaste:
    case TUndoReason::urDropInsert: {
      SetCaretAndSelection(start, start, end);
      const std::u16string removed = ReadSelection(false);
      SetSelTextPrimitiveEx(item.ChangeSelMode, item.ChangeStr, false);
      RedoList().AddChange(reason, start, end, removed, item.ChangeSelMode);
      if (!item.ChangeStr.empty() && item.ChangeStr.find_first_of(u"\r\n") == std::u16string::npos) {
        // An overwrite: the text it replaced is back, and redoing must take it
        // out again before the typed text goes in (the same change number).
        const TBufferCoord restoredEnd{start.Char + static_cast<int>(item.ChangeStr.size()), start.Line};
        RedoList().AddChange(TUndoReason::urQuietDeleteAfterCaret, start, restoredEnd, u"", item.ChangeSelMode);
      }
      InternalSetCaretXY(start);
      break;
    }
    case TUndoReason::urDelete:
    case TUndoReason::urDeleteAfterCaret:
    case TUndoReason::urQuietDelete:
    case TUndoReason::urQuietDeleteAfterCaret: {
      TBufferCoord p;
      if (item.ChangeSelMode == TEdSelectionMode::smColumn)
        p = TBufferCoord{std::min(start.Char, end.Char), std::min(start.Line, end.Line)};
      else
        p = MinPoint(start, end);
      const bool afterCaret =
          reason == TUndoReason::urDeleteAfterCaret || reason == TUndoReason::urQuietDeleteAfterCaret;
      if (afterCaret && lines_->Count() < p.Line) {
        InternalSetCaretXY(TBufferCoord{1, lines_->Count()});
        lines_->Add(u"");
      }
      SetCaretXY(p);
      // Collapsing the selection went back to SelectionMode; the record's mode holds.
      activeSelectionMode_ = item.ChangeSelMode;
      SetSelTextPrimitiveEx(item.ChangeSelMode, item.ChangeStr, false);
      const TBufferCoord q = afterCaret ? start : end;
      if (reason == TUndoReason::urQuietDelete || reason == TUndoReason::urQuietDeleteAfterCaret)
        InternalSetCaretXY(q);
      else
        SetCaretAndSelection(q, start, end);
      RedoList().AddChange(reason, start, end, u"", item.ChangeSelMode);
      EnsureCursorPosVisible();
      break;
    }
    case TUndoReason::urLineBreak: {
      // The record holds exactly what the break took from the end of its
      // line (padding it out to the caret would add blanks the line never
      // had). The redo record keeps where the line is split again and the
      // line below as it stands, so that redo repeats this break rather
      // than a new one in today's context (auto-indent).
      InternalSetCaretXY(start);
      // The caret line never lies above line 1 here: the buffer always has
      // the line the break was made in.
      const std::u16string text = LineText();
      const std::u16string below = end.Line < lines_->Count() ? lines_->Get(end.Line) : std::u16string();
      RedoList().AddChange(reason, start, TBufferCoord{static_cast<int>(text.size()) + 1, end.Line}, below,
                           item.ChangeSelMode);
      TLinesUpdateScope update(*lines_);
      lines_->Put(caretY_ - 1, text + item.ChangeStr);
      if (end.Line < lines_->Count()) lines_->Delete(end.Line);
      break;
    }
    case TUndoReason::urIndent:
      RedoList().AddChange(reason, start, end, item.ChangeStr, item.ChangeSelMode);
      SetCaretAndSelection(end, start, end);
      break;
    case TUndoReason::urUnindent: {
      RedoList().AddChange(reason, start, end, item.ChangeStr, item.ChangeSelMode);
      const int at = item.ChangeSelMode == TEdSelectionMode::smColumn ? std::min(start.Char, end.Char) : 1;
      const std::vector<std::u16string_view> pieces = SplitPieces(item.ChangeStr);
      {
        TLinesUpdateScope update(*lines_);
        int line = start.Line;
        for (const auto piece : pieces) {
          if (line > end.Line || line > lines_->Count()) break;
          std::u16string s = lines_->Get(line - 1);
          const size_t pos = std::min(static_cast<size_t>(at - 1), s.size());
          s.insert(pos, piece);
          lines_->Put(line - 1, s);
          ++line;
        }
      }
      SetCaretAndSelection(start, start, end);
      break;
    }
    case TUndoReason::urCaret:
      RedoList().AddChange(reason, CaretXY(), CaretXY(), u"", activeSelectionMode_);
      InternalSetCaretXY(start);
      break;
    case TUndoReason::urSelection:
      RedoList().AddChange(reason, blockBegin_, blockEnd_, u"", activeSelectionMode_);
      SetCaretAndSelection(CaretXY(), start, end);
      break;
    case TUndoReason::urFillSpaces: {
      SetCaretAndSelection(start, start, end);
      const std::u16string removed = ReadSelection(false);
      RedoList().AddChange(reason, start, end, removed, item.ChangeSelMode);
      SetSelTextPrimitiveEx(item.ChangeSelMode, item.ChangeStr, true);
      InternalSetCaretXY(start);
      break;
    }
    case TUndoReason::urPasteBegin:
    case TUndoReason::urPasteEnd:
      // The brackets go over too, so that redo takes the paste as one step
      // (from its begin to its end record) instead of joining it to a paste
      // beside it by the group rule.
      RedoList().AddChange(reason, start, end, u"", item.ChangeSelMode);
      break;
    default: break;
  }
}

void TCustomTextEdit::RedoItem(const TTextEditUndoItem& item) {
  TPaintLockScope lock(*this);
  TPastEolScope pastEol(*this);
  TTrimOffScope trimOff(options_);
  activeSelectionMode_ = item.ChangeSelMode;
  const TUndoReason reason = item.ChangeReason;
  const TBufferCoord start = item.ChangeStartPos;
  const TBufferCoord end = item.ChangeEndPos;
  if (reason == TUndoReason::urInsert || reason == TUndoReason::urPaste || reason == TUndoReason::urDropInsert) {
    SetCaretAndSelection(start, start, start);
    SetSelTextPrimitiveEx(item.ChangeSelMode, item.ChangeStr, false);
    InternalSetCaretXY(end);
    UndoList().AddChange(reason, start, end, ReadSelection(false), item.ChangeSelMode);
    if (reason == TUndoReason::urDropInsert) SetCaretAndSelection(start, start, end);
  } else if (IsDeleteReason(reason)) {
    SetCaretAndSelection(start, start, end);
    const std::u16string removed = ReadSelection(false);
    UndoList().AddChange(reason, start, end, removed, item.ChangeSelMode);
    SetSelTextPrimitiveEx(item.ChangeSelMode, item.ChangeStr, false);
    InternalSetCaretXY(start);
  } else if (reason == TUndoReason::urLineBreak) {
    // Split the line where undo joined it and put back the line below as it
    // was (see UndoItem); the undo record takes back the same tail.
    const int line = std::max(1, end.Line);
    if (lines_->Count() == 0) lines_->Add(u"");
    const std::u16string text = lines_->Get(line - 1);
    const size_t at = std::min(static_cast<size_t>(std::max(1, end.Char) - 1), text.size());
    {
      TLinesUpdateScope update(*lines_);
      lines_->Put(line - 1, text.substr(0, at));
      lines_->Insert(line, item.ChangeStr);
    }
    UndoList().AddChange(reason, start, start, text.substr(at), item.ChangeSelMode);
    size_t indent = 0;
    while (indent < item.ChangeStr.size() && IsBlank(item.ChangeStr[indent])) ++indent;
    const TBufferCoord caret{static_cast<int>(indent) + 1, line + 1};
    SetCaretAndSelection(caret, caret, caret);
  } else if (reason == TUndoReason::urIndent) {
    UndoList().AddChange(reason, start, end, item.ChangeStr, item.ChangeSelMode);
    SetCaretAndSelection(end, start, end);
  } else if (reason == TUndoReason::urUnindent) {
    UndoList().AddChange(reason, start, end, item.ChangeStr, item.ChangeSelMode);
    const int at = item.ChangeSelMode == TEdSelectionMode::smColumn ? std::min(start.Char, end.Char) : 1;
    const std::vector<std::u16string_view> pieces = SplitPieces(item.ChangeStr);
    int removedLast = 0;
    {
      TLinesUpdateScope update(*lines_);
      int line = start.Line;
      for (const auto piece : pieces) {
        if (line > lines_->Count()) break;
        std::u16string s = lines_->Get(line - 1);
        const size_t pos = std::min(static_cast<size_t>(at - 1), s.size());
        const size_t n = std::min(piece.size(), s.size() - pos);
        s.erase(pos, n);
        lines_->Put(line - 1, s);
        removedLast = static_cast<int>(n);
        ++line;
      }
    }
    if (item.ChangeSelMode == TEdSelectionMode::smColumn)
      SetCaretAndSelection(start, start, end);
    else {
      const TBufferCoord from{start.Char - tabWidth_, start.Line};
      SetCaretAndSelection(from, from, TBufferCoord{end.Char - removedLast, end.Line});
    }
  } else if (reason == TUndoReason::urCaret) {
    UndoList().AddChange(reason, CaretXY(), CaretXY(), u"", activeSelectionMode_);
    InternalSetCaretXY(start);
  } else if (reason == TUndoReason::urSelection) {
    UndoList().AddChange(reason, blockBegin_, blockEnd_, u"", activeSelectionMode_);
    SetCaretAndSelection(CaretXY(), start, end);
  } else if (reason == TUndoReason::urPasteBegin || reason == TUndoReason::urPasteEnd) {
    UndoList().AddChange(reason, start, end, u"", item.ChangeSelMode);
  } else if (reason == TUndoReason::urFillSpaces) {
    // The fill goes back in where it began (the record runs from the fill's
    // end back to its start), not padded out beyond the line's end.
    const TBufferCoord from = MinPoint(start, end);
    SetCaretAndSelection(from, from, MaxPoint(start, end));
    const std::u16string removed = ReadSelection(false);
    UndoList().AddChange(reason, start, end, removed, item.ChangeSelMode);
    SetSelTextPrimitiveEx(item.ChangeSelMode, item.ChangeStr, true);
    InternalSetCaretXY(start);
  }
}

}  // namespace editor
