// Screenshots of the main window, one per tab, on the sample data: the
// window is created as the program creates it (the program path is that of
// the built program, so its "Data Files" folder is shown), the first sample
// file and its first model are chosen, and each tab is grabbed to a PNG.
// Run by scripts/screenshots.sh under a virtual display with a private home.
//   DravlenShots <program file> <output folder>
#include <QApplication>
#include <QImage>
#include <QPixmap>
#include <QTabWidget>
#include <QTimer>

#include <cstdio>
#include <exception>
#include <memory>
#include <string>

#include "platform/dialogs.h"
#include "platform/shell.h"
#include "workbench/folderlists.h"
#include "workbench/mainform.h"
#include "workbench/modules.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: DravlenShots <program file> <output folder>\n");
    return 2;
  }
  QApplication app(argc, argv);
  QApplication::setApplicationName("Dravlen");
  QApplication::setOrganizationName("Quillbarrow");
  platform::SetApplicationTitle("Dravlen");
  platform::SetProgramFilePath(argv[1]);
  const std::string out = std::string(argv[2]) + "/";
  int result = 0;
  try {
    workbench::StartupModules();
    std::unique_ptr<workbench::TMainForm> window = workbench::CreateApplicationWindows();
    window->resize(900, 680);
    window->show();
    QTimer::singleShot(300, [&] {
      try {
        workbench::TMainForm& form = *window;
        if (form.FileListBox->count() > 0) form.FileListBox->setCurrentRow(0);
        static const char* const names[] = {"header", "model", "regression", "plot", "verify", "edit"};
        for (int tab = 0; tab < form.PageControl->count(); ++tab) {
          if (tab == workbench::pgVerify) form.ActionVerify->trigger();
          form.PageControl->setCurrentIndex(tab);
          form.repaint();
          const std::string file = out + "tab-" + names[tab] + ".png";
          if (!form.grab().toImage().save(QString::fromStdString(file))) throw std::runtime_error("cannot write " + file);
          std::printf("%s\n", file.c_str());
        }
      } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        result = 1;
      }
      window->EndWithoutSaving();
    });
    app.exec();
    window.reset();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    result = 1;
  }
  workbench::CleanupModules();
  return result;
}
