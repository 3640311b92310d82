#pragma once
// What the file actions (curve fit, build, install, delete) need of the main
// window, kept as plain hooks so that the actions run headless: the window
// binds them to its viewers, notice label, editor and file list box; tests
// bind them to plain variables. Every hook may be left empty.
#include <functional>
#include <string>
#include <vector>

#include "platform/stringlist.h"

namespace workbench {

class TSourceFile;

// The pages whose viewers the actions fill.
enum class TActionPage { Regression, Verify };

struct TActionHost {
  // The editor's whole text. Unset: the editor is taken to hold text.
  std::function<std::string()> EditorText;
  // Show the page's tab and clear its viewer (before the action fills the
  // page's buffer).
  std::function<void(TActionPage)> ClearPage;
  // Load the buffer into the page's viewer and repaint it.
  std::function<void(TActionPage, const platform::TStringList&)> ShowPage;
  // The navigation panel's notice label.
  std::function<void(const std::string&)> SetNotice;
  // Let pending window messages through once (so that the notice paints).
  std::function<void()> ProcessMessages;
  // Load the editor's lines from CurrentFile.
  std::function<void()> ReloadEditor;
  // The file list's click handling for the entry now selected (loads the file
  // into the editor, the model list and the pages).
  std::function<void()> FileListClick;
  // The file list was read again from its folder: repaint the list box.
  std::function<void()> FileListChanged;

  // Calls that do nothing when the hook is unset.
  bool EditorEmpty() const;
  void DoClearPage(TActionPage page) const;
  void DoShowPage(TActionPage page, const platform::TStringList& lines) const;
  void DoSetNotice(const std::string& text) const;
  void DoProcessMessages() const;
  void DoReloadEditor() const;
  void DoFileListClick() const;
  void DoFileListChanged() const;
};

// The file list of the data folder: the source files ("*.ini") in name
// order and the selected entry. The main window's file list box mirrors it.
class TSourceFileList {
 public:
  TSourceFileList() = default;
  explicit TSourceFileList(std::string folder);

  // Folder with a trailing "/".
  const std::string& Folder() const { return folder_; }
  void SetFolder(const std::string& folder);   // reads the folder
  const std::vector<std::string>& Names() const { return names_; }   // file names only
  int Count() const { return static_cast<int>(names_.size()); }

  int ItemIndex = -1;   // the selected entry, -1 for none
  // Full path of the selected entry; empty when none is selected.
  std::string SelectedPath() const;
  // Selects the entry whose file name is that of path (-1 when absent).
  void SelectPath(const std::string& path);
  // Reads the folder again; the selected file stays selected while it exists.
  void Update();

 private:
  std::string folder_;
  std::vector<std::string> names_;
};

// Guard of the file actions, true when the action may go on. No current
// file: "No file loaded..."; an empty editor: "Nothing to save...".
bool CheckFileLoaded(const TSourceFile& source, const TActionHost& host);

}  // namespace workbench
