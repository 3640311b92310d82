#include "platform/folderbrowser.h"

#include <QDir>
#include <QFileDialog>

#include <utility>

namespace platform {

namespace {
FolderChooser& Chooser() {
  static FolderChooser chooser;
  return chooser;
}
}  // namespace

std::string BrowseForFolder(QWidget* owner, const std::string& title) {
  if (Chooser()) return Chooser()(owner, title);
  // No start folder: the browser opens where the platform's dialog likes.
  const QString folder = QFileDialog::getExistingDirectory(owner, QString::fromStdString(title), QString(),
                                                           QFileDialog::ShowDirsOnly);
  if (folder.isEmpty()) return "";
  return QDir::cleanPath(folder).toStdString();
}

FolderChooser SetFolderChooser(FolderChooser chooser) {
  return std::exchange(Chooser(), std::move(chooser));
}

}  // namespace platform
