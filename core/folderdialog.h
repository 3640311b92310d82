#pragma once
// Lets the user pick a folder with the platform's folder browser.
#include <string>

class QWidget;

namespace core {

class TFolderDialog {
 public:
  // The browser is owned by the owner's window (none: no owner).
  explicit TFolderDialog(QWidget* owner = nullptr) : owner_(owner) {}

  std::string Title;            // text shown above the folder tree
  bool BackSlashOnEnd = true;   // Directory ends with the separator "/"
  std::string Directory;        // the folder picked last; "" after a cancel

  // True when a folder was picked.
  bool Execute();

 private:
  QWidget* owner_;
};

}  // namespace core
