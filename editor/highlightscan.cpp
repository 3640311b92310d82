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
  // Without a range scanner every stored state counts as worked out.
  const int scanned = lines.HasRangeScanner() ? lines.ScannedRanges() : lines.Count();
  if (index >= scanned) return index;
  StartAt(highlighter, lines, index);
  std::u16string scratch;
  int i = index;
  for (;;) {
    highlighter.SetLine(lines.GetTransient(i, scratch), i);
    highlighter.ScanToEndOfLine();
    const TRangeState range = highlighter.GetRange();
    if (lines.StoredRange(i) == range) return i;
    lines.SetRange(i, range);
    if (i + 1 >= lines.Count()) return i;
    if (i + 1 >= scanned) return lines.Count() - 1;
    ++i;
  }
}

void ScanRanges(TEdCustomHighlighter& highlighter, TTextEditStringList& lines) {
  highlighter.ResetRange();
  std::u16string scratch;
  for (int i = 0; i < lines.Count(); ++i) {
    highlighter.SetLine(lines.GetTransient(i, scratch), i);
    highlighter.ScanToEndOfLine();
    lines.SetRange(i, highlighter.GetRange());
  }
  lines.SetScannedRanges(lines.Count());
}

void ScanRangesUpTo(TEdCustomHighlighter& highlighter, const TTextEditStringList& lines, int index) {
  const int from = lines.ScannedRanges();
  if (index >= lines.Count()) index = lines.Count() - 1;
  if (from > index) return;
  if (from == 0) highlighter.ResetRange();
  else highlighter.SetRange(lines.StoredRange(from - 1));
  std::u16string scratch;
  for (int i = from; i <= index; ++i) {
    highlighter.SetLine(lines.GetTransient(i, scratch), i);
    highlighter.ScanToEndOfLine();
    lines.StoreRange(i, highlighter.GetRange());
  }
  lines.SetScannedRanges(index + 1);
}

}  // namespace editor
