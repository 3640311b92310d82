// The program's entry: the application object (Qt needs it before any module
// measures the screen or loads a bitmap), the module start-ups in dependency
// order, the main window, the message loop, then the clean-ups in reverse.
// A start-up that fails ends the program with a message, not a crash.
#include <QApplication>
#include <QMainWindow>

#include <exception>

#include "platform/dialogs.h"
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
  {
    // Stands in for the main window until it exists.
    QMainWindow window;
    window.setObjectName("MainForm");
    window.setWindowTitle("Dravlen");
    window.resize(900, 650);
    window.show();
    result = app.exec();
  }
  workbench::CleanupModules();
  return result;
}
