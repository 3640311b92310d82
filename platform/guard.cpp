#include "platform/guard.h"

#include <QCoreApplication>
#include <QStandardPaths>

#include <exception>

#include "platform/dialogs.h"
#include "platform/timers.h"

namespace platform {

namespace {
ErrorHook& Hook() {
  static ErrorHook hook;
  return hook;
}
std::vector<std::string>& Recorded() {
  static std::vector<std::string> errors;
  return errors;
}
}  // namespace

bool InTestMode() { return QStandardPaths::isTestModeEnabled(); }

void SetErrorHook(ErrorHook hook) { Hook() = std::move(hook); }

void ReportError(const std::string& message) {
  if (Hook()) {
    Hook()(message);
    return;
  }
  if (InTestMode()) {
    Recorded().push_back(message);
    return;
  }
  // Never a modal box from inside paint, layout or a timer tick: after it.
  Post(QCoreApplication::instance(), [message] { MessageBox(message, "", MB_OK | MB_ICONERROR); });
}

std::vector<std::string> TakeReportedErrors() {
  std::vector<std::string> out;
  out.swap(Recorded());
  return out;
}

void ReportCurrentException() {
  try {
    throw;
  } catch (const std::exception& e) {
    ReportError(e.what());
  } catch (...) {
    ReportError("Unknown error");
  }
}

}  // namespace platform
