#include "editor/tests/textedit_helpers.h"

#include <algorithm>
#include <vector>

namespace editor {

void PrintTo(const TBufferCoord& p, std::ostream* out) { *out << "(" << p.Char << "," << p.Line << ")"; }

namespace testing {

void SetState(TCustomTextEdit& ed, const std::string& markup) {
  std::vector<std::string> lines(1);
  TBufferCoord caret{1, 1};
  TBufferCoord anchor{0, 0};
  int pos = 1;
  for (char c : markup) {
    const int line = static_cast<int>(lines.size());
    if (c == '\n') {
      lines.emplace_back();
      pos = 1;
    } else if (c == '|') {
      caret = {pos, line};
    } else if (c == '[') {
      anchor = {pos, line};
    } else if (c == '~') {
      ++pos;
    } else {
      lines.back() += c;
      ++pos;
    }
  }
  ed.Lines().Clear();
  for (const std::string& l : lines) ed.Lines().AddUtf8(l);
  ed.ClearUndo();
  if (anchor.Line == 0) anchor = caret;
  ed.SetCaretAndSelection(caret, anchor, caret);
}

std::string State(const TCustomTextEdit& ed) {
  const TBufferCoord caret = ed.CaretXY();
  TBufferCoord anchor{0, 0};
  TBufferCoord other{0, 0};
  if (ed.SelAvail()) {
    if (ed.StoredBlockEnd() == caret)
      anchor = ed.StoredBlockBegin();
    else if (ed.StoredBlockBegin() == caret)
      anchor = ed.StoredBlockEnd();
    else {
      anchor = ed.StoredBlockBegin();
      other = ed.StoredBlockEnd();
    }
  }
  std::string out;
  const int count = std::max(1, ed.Lines().Count());
  for (int line = 1; line <= count; ++line) {
    const std::string text = line <= ed.Lines().Count() ? ed.Lines().GetUtf8(line - 1) : std::string();
    const int len = static_cast<int>(text.size());
    int last = len + 1;
    for (const TBufferCoord& p : {caret, anchor, other})
      if (p.Line == line) last = std::max(last, p.Char);
    if (line > 1) out += '\n';
    for (int pos = 1; pos <= last; ++pos) {
      if (anchor.Line == line && anchor.Char == pos) out += '[';
      if (other.Line == line && other.Char == pos) out += ']';
      if (caret.Line == line && caret.Char == pos) out += '|';
      if (pos <= len)
        out += text[static_cast<size_t>(pos - 1)];
      else if (pos < last)
        out += '~';
    }
  }
  return out;
}

std::string Text(const TCustomTextEdit& ed) {
  std::string out;
  for (int i = 0; i < ed.Lines().Count(); ++i) {
    if (i > 0) out += '\n';
    out += ed.Lines().GetUtf8(i);
  }
  return out;
}

}  // namespace testing
}  // namespace editor
