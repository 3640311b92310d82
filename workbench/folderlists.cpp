#include "workbench/folderlists.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyle>

#include <algorithm>

#include "platform/guard.h"
#include "platform/sysutils.h"
#include "workbench/actionhost.h"

namespace workbench {

namespace {

constexpr int kFolderRole = Qt::UserRole + 1;

// "/a/b/c/" -> "/", "/a/", "/a/b/", "/a/b/c/".
std::vector<std::string> Ancestors(const std::string& folder) {
  std::vector<std::string> result;
  if (folder.empty()) return result;
  result.push_back("/");
  size_t pos = 1;
  while (pos < folder.size()) {
    const size_t slash = folder.find('/', pos);
    if (slash == std::string::npos) break;
    result.push_back(folder.substr(0, slash + 1));
    pos = slash + 1;
  }
  return result;
}

std::string LastName(const std::string& folder) {
  if (folder == "/") return "/";
  std::string f = folder;
  if (!f.empty() && f.back() == '/') f.pop_back();
  return platform::ExtractFileName(f);
}

}  // namespace

TDirectoryListBox::TDirectoryListBox(QWidget* parent) : QListWidget(parent) {
  setObjectName("DirectoryListBox");
  setIconSize(QSize(16, 16));
  connect(this, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
    platform::guarded([this, item] { OpenEntry(row(item)); });
  });
}

std::string TDirectoryListBox::EntryFolder(int r) const {
  const QListWidgetItem* it = item(r);
  return it ? it->data(kFolderRole).toString().toStdString() : std::string();
}

void TDirectoryListBox::OpenEntry(int r) {
  const std::string folder = EntryFolder(r);
  if (!folder.empty()) SetDirectory(folder);
}

void TDirectoryListBox::SetDirectory(const std::string& folder) {
  if (folder.empty() || !platform::DirectoryExists(folder)) return;
  const std::string dir = platform::IncludeTrailingPathDelimiter(folder);
  const bool changed = dir != directory_;
  directory_ = dir;
  Fill();
  if (changed && OnChange) OnChange();
}

void TDirectoryListBox::Fill() {
  clear();
  const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);
  const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
  const std::vector<std::string> path = Ancestors(directory_);
  int depth = 0;
  for (const std::string& folder : path) {
    auto* it = new QListWidgetItem(open, QString(depth * 2, ' ') + QString::fromStdString(LastName(folder)), this);
    it->setData(kFolderRole, QString::fromStdString(folder));
    ++depth;
  }
  if (!path.empty()) setCurrentRow(static_cast<int>(path.size()) - 1);
  for (const std::string& name : platform::ListFolders(directory_)) {
    auto* it = new QListWidgetItem(closed, QString(depth * 2, ' ') + QString::fromStdString(name), this);
    it->setData(kFolderRole, QString::fromStdString(directory_ + name + "/"));
  }
  ShowCurrent();
}

// On a deep path the chosen folder is far down the list, and its name, which
// follows the indentation of its depth, lies right of the list's width; it is
// the entry the user works from, so the list scrolls both ways to show it.
void TDirectoryListBox::ShowCurrent() {
  QListWidgetItem* current = currentItem();
  if (current == nullptr) return;
  scrollToItem(current);
  QScrollBar* bar = horizontalScrollBar();
  const QRect entry = visualItemRect(current);
  const int nameRight = bar->value() + entry.x() + entry.width();
  const int nameLeft = nameRight - fontMetrics().horizontalAdvance(QString::fromStdString(LastName(directory_)));
  // The name's end in view, with as much of the path before it as fits; a
  // name wider than the list shows from its start.
  bar->setValue(std::max(0, std::min(nameLeft, nameRight - viewport()->width())));
}

void TDirectoryListBox::resizeEvent(QResizeEvent* event) {
  QListWidget::resizeEvent(event);
  // The list is filled before the window lays it out.
  ShowCurrent();
}

void TDirectoryListBox::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    platform::guarded([this] { OpenEntry(currentRow()); });
    return;
  }
  QListWidget::keyPressEvent(event);
}

TFileListBox::TFileListBox(TSourceFileList& files, QWidget* parent) : QListWidget(parent), files_(files) {
  setObjectName("FileListBox");
  setIconSize(QSize(16, 16));
  connect(this, &QListWidget::currentRowChanged, this, [this](int r) {
    if (filling_) return;
    files_.ItemIndex = r;
    rowChangedByPress_ = true;
    Clicked();
  });
  // A click on the entry already selected changes no row: it loads the
  // file again all the same.
  connect(this, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
    if (filling_ || rowChangedByPress_) return;
    files_.ItemIndex = row(item);
    Clicked();
  });
}

void TFileListBox::mousePressEvent(QMouseEvent* event) {
  // Picking an entry loads its file: the right button, which opens the
  // pop-up, must not. It is left unaccepted, so that the platform still asks
  // for the context menu.
  if (event->button() == Qt::RightButton) {
    event->ignore();
    return;
  }
  rowChangedByPress_ = false;
  QListWidget::mousePressEvent(event);
}

void TFileListBox::focusInEvent(QFocusEvent* event) {
  // The view makes its first entry current when it gets the focus without
  // one (by the keys, or back from the pop-up); that would load the file.
  filling_ = true;
  QListWidget::focusInEvent(event);
  filling_ = false;
  if (files_.ItemIndex < 0) ShowSelection();
}

void TFileListBox::Clicked() {
  platform::guarded([this] {
    if (OnClick) OnClick();
  });
}

void TFileListBox::Refill() {
  filling_ = true;
  clear();
  const QIcon glyph = style()->standardIcon(QStyle::SP_FileIcon);
  for (const std::string& name : files_.Names()) new QListWidgetItem(glyph, QString::fromStdString(name), this);
  filling_ = false;
  ShowSelection();
}

void TFileListBox::ShowSelection() {
  filling_ = true;
  setCurrentRow(files_.ItemIndex);
  if (files_.ItemIndex < 0) clearSelection();
  filling_ = false;
}

}  // namespace workbench
