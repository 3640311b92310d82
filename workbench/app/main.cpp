// The program's entry: the application object (Qt needs it before any module
// measures the screen or loads a bitmap), the module start-ups in dependency
// order, the six windows, the message loop, then the windows and the
// clean-ups in reverse. A start-up that fails ends the program with a
// message, not a crash.
#include <QApplication>

#include <exception>
#include <memory>

#include "platform/dialogs.h"
#include "workbench/mainform.h"
#include "workbench/modules.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Dravlen");
  QApplication::setOrganizationName("Quillbarrow");
  platform::SetApplicationTitle("Dravlen");

  try {
    workbench::StartupModules();
  } catch (const std::exception& e) {
    platform::MessageBox(e.what(), "Dravlen", platform::MB_OK | platform::MB_ICONERROR);
    return 1;
  } catch (...) {
    platform::MessageBox("The program could not start.", "Dravlen", platform::MB_OK | platform::MB_ICONERROR);
    return 1;
  }

  int result = 0;
  try {
    std::unique_ptr<workbench::TMainForm> window = workbench::CreateApplicationWindows();
    window->show();
    result = app.exec();
  } catch (const std::exception& e) {
    platform::MessageBox(e.what(), "Dravlen", platform::MB_OK | platform::MB_ICONERROR);
    result = 1;
  }
  workbench::CleanupModules();
  return result;
}
