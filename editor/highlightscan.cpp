#include "editor/highlightscan.h"

namespace editor {

std::vector<TEdToken> ScanLineTokens(TEdCustomHighlighter& highlighter, const std::u16string& line, int lineNumber) {
  std::vector<TEdToken> tokens;
  highlighter.SetLine(line, lineNumber);
  while (!highlighter.GetEol()) {
    tokens.push_back(TEdToken{highlighter.GetTokenPos(), highlighter.GetToken(), highlighter.GetTokenKind(),
                              highlighter.GetTokenAttribute()});
    highlighter.Next();
  }
  return tokens;
}

namespace {

void StartAt(TEdCustomHighlighter& highlighter, const TTextEditStringList& lines, int index) {
  if (index == 0) highlighter.ResetRange();
  else highlighter.SetRange(lines.GetRange(index - 1));
}

}  // namespace

int ScanFrom(TEdCustomHighlighter& highlighter, TTextEditStringList& lines, int index) {
  if (index < 0) index = 0;
  if (index >= lines.Count()) return index;
  StartAt(highlighter, lines, index);
  int i = index;
  for (;;) {
    highlighter.SetLine(lines.Get(i), i);
    highlighter.ScanToEndOfLine();
    const TRangeState range = highlighter.GetRange();
    if (lines.GetRange(i) == range) return i;
    lines.SetRange(i, range);
    if (i + 1 >= lines.Count()) return i;
    ++i;
  }
}

void ScanRanges(TEdCustomHighlighter& highlighter, TTextEditStringList& lines) {
  highlighter.ResetRange();
  for (int i = 0; i < lines.Count(); ++i) {
    highlighter.SetLine(lines.Get(i), i);
    highlighter.ScanToEndOfLine();
    lines.SetRange(i, highlighter.GetRange());
  }
}

}  // namespace editor
