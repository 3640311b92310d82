// The editor's undo and redo on editing sessions that the input's bytes
// choose (options, lines, selection modes and a stream of editing, moving
// and selecting commands; editor/tests/undo_session.h): undoing everything
// must give back the first text byte for byte, redoing everything the
// edited text. A failing input prints its session and stops the run. Short
// inputs at a steady length suit it (the README gives its options).
#include <QApplication>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "editor/tests/undo_session.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  static QApplication app(*argc, *argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  editor::testing::SessionChoices choices(data, size);
  editor::testing::UndoSession session(choices, 200);
  const editor::testing::SessionOutcome outcome = session.Run();
  // DRAVLEN_UNDO_PRINT=1 shows the session of an input that passes too.
  if (outcome.ok && std::getenv("DRAVLEN_UNDO_PRINT") != nullptr) std::fprintf(stderr, "%s\n", outcome.log.c_str());
  if (!outcome.ok) {
    std::fprintf(stderr, "%s\n", outcome.failure.c_str());
    __builtin_trap();
  }
  return 0;
}
