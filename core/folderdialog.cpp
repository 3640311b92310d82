#include "core/folderdialog.h"

#include "platform/folderbrowser.h"

namespace core {

bool TFolderDialog::Execute() {
  std::string path = platform::BrowseForFolder(owner_, Title);
  if (path.empty()) {
    Directory.clear();
    return false;
  }
  // The root folder already ends with the separator.
  if (BackSlashOnEnd && path.back() != '/') path += '/';
  Directory = path;
  return true;
}

}  // namespace core
