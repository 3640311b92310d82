#pragma once
// The main window's folder list and file list. The folder list shows the
// chosen folder's path, one entry per folder from the root down, and the
// folders inside it; opening an entry (double click, Enter) makes it the
// chosen folder. The file list shows the source files of a TSourceFileList
// (the list the file actions work on) and follows its selection.
#include <QListWidget>

#include <functional>
#include <string>

namespace workbench {

class TSourceFileList;

class TDirectoryListBox : public QListWidget {
 public:
  explicit TDirectoryListBox(QWidget* parent = nullptr);

  // The chosen folder, with a trailing "/".
  const std::string& Directory() const { return directory_; }
  // Goes to the folder (when it exists) and fires OnChange when it changed.
  void SetDirectory(const std::string& folder);
  // Fired after the chosen folder changed.
  std::function<void()> OnChange;
  // The folder an entry stands for.
  std::string EntryFolder(int row) const;
  // Opens the entry as the user does (double click).
  void OpenEntry(int row);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void Fill();
  void ShowCurrent();
  std::string directory_;
};

class TFileListBox : public QListWidget {
 public:
  TFileListBox(TSourceFileList& files, QWidget* parent = nullptr);

  TSourceFileList& Files() { return files_; }
  // Shows the list's entries and its selection again.
  void Refill();
  // Selects the list's ItemIndex in the box without a click.
  void ShowSelection();
  // Fired when the user picks an entry (mouse or keys), also when the entry
  // clicked is the one already selected (the file is loaded again).
  std::function<void()> OnClick;

 protected:
  // The right button only opens the pop-up, which acts on the selected file.
  void mousePressEvent(QMouseEvent* event) override;
  // Taking the focus picks no file.
  void focusInEvent(QFocusEvent* event) override;

 private:
  void Clicked();
  TSourceFileList& files_;
  bool filling_ = false;
  bool rowChangedByPress_ = false;
};

}  // namespace workbench
