#pragma once
// The shell's folder browser: a directory dialog owned by a window. Tests put
// a chooser of their own in its place so that no dialog opens.
#include <functional>
#include <string>

class QWidget;

namespace platform {

// Shows the browser with title as its text; returns the picked folder
// (without a trailing "/", except the root "/") or "" when cancelled.
std::string BrowseForFolder(QWidget* owner, const std::string& title);

// While set, BrowseForFolder asks the chooser instead of showing a dialog.
// Returns the chooser it replaces; an empty function brings the dialog back.
using FolderChooser = std::function<std::string(QWidget* owner, const std::string& title)>;
FolderChooser SetFolderChooser(FolderChooser chooser);

}  // namespace platform
