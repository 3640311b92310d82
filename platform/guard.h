#pragma once
// Exceptions stop at the Qt boundary: every handler Qt calls runs through
// guarded(), which catches everything and hands the message to one error
// hook. In the program the hook shows a message box after the handler has
// returned; in tests the messages are recorded for the test to read.
#include <functional>
#include <string>
#include <vector>

namespace platform {

using ErrorHook = std::function<void(const std::string& message)>;
// Null restores the default (posted box, or a record in test mode).
void SetErrorHook(ErrorHook hook);
void ReportError(const std::string& message);
// Messages the default hook recorded in test mode (cleared by the call).
std::vector<std::string> TakeReportedErrors();

// Whether the process runs under the test harness (QStandardPaths test mode).
bool InTestMode();

void ReportCurrentException();

template <class F>
void guarded(F&& f) {
  try {
    f();
  } catch (...) {
    ReportCurrentException();
  }
}

}  // namespace platform
