#pragma once
// The viewer's module start-up and clean-up, run once by the program.

namespace htmlview {

// Registers the PNG chunk classes and picture format and builds the
// vocabulary's sorted entity and colour-name lists, and the style
// property stack.
void InitViewerModule();
void DoneViewerModule();

}  // namespace htmlview
