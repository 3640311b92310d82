#pragma once
// Editor states as text for tests: "|" is the caret, "[" the other end of
// the selection (where it was started), "~" a column beyond a line's end
// (not part of the text); lines are separated by "\n".
#include <ostream>
#include <string>

#include "editor/textedit.h"

namespace editor {

// How tests print positions: "(char,line)".
void PrintTo(const TBufferCoord& p, std::ostream* out);

namespace testing {

// Sets the lines, the caret and the selection from the markup.
void SetState(TCustomTextEdit& ed, const std::string& markup);
// The lines, the caret and a normal selection as markup.
std::string State(const TCustomTextEdit& ed);
// The lines joined by "\n".
std::string Text(const TCustomTextEdit& ed);

}  // namespace testing
}  // namespace editor
