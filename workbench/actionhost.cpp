#include "workbench/actionhost.h"

#include "platform/dialogs.h"
#include "platform/sysutils.h"
#include "workbench/sourcefile.h"

namespace workbench {

bool TActionHost::EditorEmpty() const { return EditorText && EditorText().empty(); }

void TActionHost::DoClearPage(TActionPage page) const {
  if (ClearPage) ClearPage(page);
}

void TActionHost::DoShowPage(TActionPage page, const platform::TStringList& lines) const {
  if (ShowPage) ShowPage(page, lines);
}

void TActionHost::DoSetNotice(const std::string& text) const {
  if (SetNotice) SetNotice(text);
}

void TActionHost::DoProcessMessages() const {
  if (ProcessMessages) ProcessMessages();
}

void TActionHost::DoReloadEditor() const {
  if (ReloadEditor) ReloadEditor();
}

void TActionHost::DoFileListClick() const {
  if (FileListClick) FileListClick();
}

void TActionHost::DoFileListChanged() const {
  if (FileListChanged) FileListChanged();
}

TSourceFileList::TSourceFileList(std::string folder) { SetFolder(folder); }

void TSourceFileList::SetFolder(const std::string& folder) {
  folder_ = folder.empty() ? std::string() : platform::IncludeTrailingPathDelimiter(folder);
  ItemIndex = -1;
  Update();
}

std::string TSourceFileList::SelectedPath() const {
  if (ItemIndex < 0 || ItemIndex >= Count()) return {};
  return folder_ + names_[ItemIndex];
}

void TSourceFileList::SelectPath(const std::string& path) {
  const std::string name = platform::ExtractFileName(path);
  ItemIndex = -1;
  for (int i = 0; i < Count(); ++i) {
    if (names_[i] == name) {
      ItemIndex = i;
      return;
    }
  }
}

void TSourceFileList::Update() {
  const std::string selected = SelectedPath();
  names_.clear();
  if (!folder_.empty()) {
    names_ = platform::ListFiles(folder_, "*.ini");
  }
  if (selected.empty()) {
    ItemIndex = -1;
  } else {
    SelectPath(selected);
  }
}

bool CheckFileLoaded(const TSourceFile& source, const TActionHost& host) {
  if (source.CurrentFile.empty()) {
    platform::MessageBox("No file loaded...");
    return false;
  }
  if (host.EditorEmpty()) {
    platform::MessageBox("Nothing to save...");
    return false;
  }
  return true;
}

}  // namespace workbench
