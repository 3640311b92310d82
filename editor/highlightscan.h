#pragma once
// Driving a highlighter over lines as the editor does: one line's tokens,
// and the per-line highlighter state kept in the line buffer.
#include <string>
#include <vector>

#include "editor/highlighter.h"
#include "editor/texteditstringlist.h"

namespace editor {

struct TEdToken {
  int Pos = 0;   // 0-based start in the line
  std::u16string Text;
  int Kind = 0;
  TEdHighlighterAttributes* Attribute = nullptr;
  friend bool operator==(const TEdToken&, const TEdToken&) = default;
};

// The tokens of one line from the highlighter's current state (the caller
// sets the range first), up to but not including the end of the line.
std::vector<TEdToken> ScanLineTokens(TEdCustomHighlighter& highlighter, const std::u16string& line, int lineNumber);

// Rescans the state of the lines from index on: starts from the state stored
// for the line before (the reset state for line 0), stores each line's end
// state, and stops at the first line whose stored state was already right,
// or at the last line. Returns the index of the last line rescanned
// (index itself when it is at or beyond the end). With a range scanner on
// the lines, only lines whose states are worked out (below
// lines.ScannedRanges()) are rescanned: from index at
// or past them nothing is done (their states come when asked for), and a
// change that runs on into them returns the last line, as all after may
// differ.
int ScanFrom(TEdCustomHighlighter& highlighter, TTextEditStringList& lines, int index);
// Stores the end state of every line from a reset state.
void ScanRanges(TEdCustomHighlighter& highlighter, TTextEditStringList& lines);
// Works out the states of the lines from lines.ScannedRanges() up to index,
// without giving the lines strings of their own: the line buffer's range
// scanner.
void ScanRangesUpTo(TEdCustomHighlighter& highlighter, const TTextEditStringList& lines, int index);

}  // namespace editor
