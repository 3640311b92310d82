#include "workbench/installedform.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include <memory>

#include "core/comp.h"
#include "core/environment.h"
#include "core/refriglib.h"
#include "platform/dialogs.h"
#include "platform/fonts.h"
#include "platform/guard.h"
#include "platform/qtext.h"
#include "platform/keys.h"
#include "platform/registry.h"
#include "platform/sysutils.h"
#include "workbench/compform.h"
#include "workbench/keypreview.h"

namespace workbench {

namespace {

TInstalledForm* gInstalledForm = nullptr;

constexpr int kNameColumn = 0;
constexpr int kCountColumn = 1;
constexpr int kPathColumn = 2;   // the hidden second sub-item
constexpr int kDefaultNameWidth = 220;
constexpr int kCountWidth = 90;

// The compressor the list is counted with; the selection dialog makes one
// when there is none, and so does this dialog when it comes first.
core::TComp& CurrentComp() {
  if (!core::CompExists()) core::SetComp(std::make_unique<core::TComp>("", 7.5, 5.0));
  return core::Comp();
}

void RefreshInstalledFiles() {
  if (core::CompExists())
    core::Comp().RefreshFiles();
  else
    core::RefreshCatalogFiles();
}

using platform::Q;

}  // namespace

TInstalledForm* InstalledForm() { return gInstalledForm; }
void SetInstalledForm(TInstalledForm* form) { gInstalledForm = form; }

// ---------------------------------------------------------------------------
// Creation (FormCreate)

TInstalledForm::TInstalledForm(QWidget* parent) : QDialog(parent) {
  setObjectName("InstalledForm");
  setWindowTitle("Installed Dravlen");
  setWindowFlag(Qt::Tool, true);
  setFont(platform::ToQFont(platform::Font{}));   // Tahoma 8 point
  BuildControls();

  ShowCompForm = [] {
    if (TCompForm* form = CompForm()) form->ShowModal();
  };

  settingsKey_ = core::ProgramRegistryKey() + "\\Settings";
  LoadSettings();
}

TInstalledForm::~TInstalledForm() {
  if (gInstalledForm == this) gInstalledForm = nullptr;
}

void TInstalledForm::BuildControls() {
  auto makeButton = [this](const char* name, const char* caption, const char* hint) {
    auto* button = new QToolButton(this);
    button->setObjectName(name);
    button->setText(caption);
    if (hint) button->setToolTip(hint);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
  };
  speedButton1_ = makeButton("SpeedButton1", "View", "view selected compressor");
  speedButton2_ = makeButton("SpeedButton2", "Delete", "delete selected compressor");
  speedButton3_ = makeButton("SpeedButton3", "Close", nullptr);

  listView1_ = new QTableWidget(0, 3, this);
  listView1_->setObjectName("ListView1");
  listView1_->setHorizontalHeaderLabels({"Name", "Models", "Path"});
  listView1_->setColumnHidden(kPathColumn, true);
  listView1_->verticalHeader()->setVisible(false);
  listView1_->horizontalHeader()->setStretchLastSection(false);
  listView1_->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  listView1_->setShowGrid(true);
  listView1_->setSelectionBehavior(QAbstractItemView::SelectRows);
  listView1_->setSelectionMode(QAbstractItemView::SingleSelection);
  listView1_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  listView1_->setWordWrap(false);
  listView1_->setColumnWidth(kNameColumn, kDefaultNameWidth);
  listView1_->setColumnWidth(kCountColumn, kCountWidth);

  summaryLabel_ = new QLabel(this);
  summaryLabel_->setObjectName("SummaryLabel");
  summaryLabel_->setStyleSheet("color: #808080;");

  connect(speedButton1_, &QToolButton::clicked, this, [this] { platform::guarded([this] { SpeedButton1Click(); }); });
  connect(speedButton2_, &QToolButton::clicked, this, [this] { platform::guarded([this] { SpeedButton2Click(); }); });
  connect(speedButton3_, &QToolButton::clicked, this, [this] { platform::guarded([this] { SpeedButton3Click(); }); });
  connect(listView1_, &QTableWidget::cellDoubleClicked, this,
          [this](int, int) { platform::guarded([this] { ListView1DblClick(); }); });

  auto* tools = new QHBoxLayout;
  tools->addWidget(speedButton1_);
  tools->addWidget(speedButton2_);
  tools->addWidget(speedButton3_);
  tools->addStretch(1);
  auto* outer = new QVBoxLayout(this);
  outer->addLayout(tools);
  outer->addWidget(listView1_, 1);
  outer->addWidget(summaryLabel_);
  resize(kDefaultNameWidth + kCountWidth + 40, 300);

  InstallKeyPreview(this, [this](int& key) { FormKeyDown(key); });
}

// ---------------------------------------------------------------------------
// Settings

void TInstalledForm::LoadSettings() {
  core::RestoreFormState(*this, false, true);
  int width = kDefaultNameWidth;
  platform::TRegistry reg;
  if (reg.OpenKeyReadOnly(settingsKey_) && reg.ValueExists("Col1")) {
    try {
      width = reg.ReadInteger("Col1");
    } catch (const platform::Exception&) {
      width = kDefaultNameWidth;   // a text value: the designed width
    }
    // A column saved at no width could not be found again to widen it.
    if (width <= 0) width = kDefaultNameWidth;
  }
  listView1_->setColumnWidth(kNameColumn, width);
}

void TInstalledForm::SaveSettings() {
  core::SaveFormState(*this);
  try {
    platform::TRegistry reg;
    if (reg.OpenKey(settingsKey_, true)) reg.WriteInteger("Col1", listView1_->columnWidth(kNameColumn));
  } catch (const platform::Exception&) {
    // A width that cannot be kept is not worth stopping the close for.
  }
}

// ---------------------------------------------------------------------------
// Showing and closing

int TInstalledForm::ShowModal() { return exec(); }

void TInstalledForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  platform::guarded([this] { FormShow(); });
}

void TInstalledForm::FormShow() {
  FillCatalogList();
  if (listView1_->rowCount() > 0) SelectRow(0);
}

void TInstalledForm::done(int result) {
  platform::guarded([this] { FormClose(); });
  QDialog::done(result);
}

void TInstalledForm::FormClose() { SaveSettings(); }

void TInstalledForm::SpeedButton3Click() { close(); }

// ---------------------------------------------------------------------------
// Keys

void TInstalledForm::FormKeyDown(int& key) {
  if (key == platform::VK_DELETE) {
    key = 0;
    DeleteCatalog();
  }
}

// ---------------------------------------------------------------------------
// The list

std::string TInstalledForm::ItemCaption(int row) const {
  const QTableWidgetItem* item = listView1_->item(row, kNameColumn);
  return item ? item->text().toStdString() : std::string();
}

std::string TInstalledForm::ItemCount(int row) const {
  const QTableWidgetItem* item = listView1_->item(row, kCountColumn);
  return item ? item->text().toStdString() : std::string();
}

std::string TInstalledForm::ItemPath(int row) const {
  const QTableWidgetItem* item = listView1_->item(row, kPathColumn);
  return item ? item->text().toStdString() : std::string();
}

int TInstalledForm::ItemCount() const { return listView1_->rowCount(); }

int TInstalledForm::SelectedRow() const {
  const QModelIndexList rows = listView1_->selectionModel()->selectedRows();
  return rows.isEmpty() ? -1 : rows.first().row();
}

void TInstalledForm::SelectRow(int row) {
  if (row < 0 || row >= listView1_->rowCount()) {
    listView1_->clearSelection();
    return;
  }
  listView1_->setCurrentCell(row, kNameColumn);
  listView1_->selectRow(row);
}

void TInstalledForm::FillCatalogList() {
  listView1_->setRowCount(0);
  core::TComp& comp = CurrentComp();
  const platform::TStringList& catalogs = core::CatalogList();
  int64_t total = 0;
  int row = 0;
  // The catalog list is copied: counting a damaged catalog shows a box, and
  // nothing may change the list under the loop meanwhile.
  const platform::TStringList paths = catalogs;
  listView1_->setRowCount(paths.Count());
  for (const std::string& path : paths) {
    listView1_->setItem(row, kNameColumn, new QTableWidgetItem(Q(core::ExtractFileNameNoExt(path))));
    comp.SetFileName(path);
    const int32_t count = comp.ModelCount();
    total += count;
    auto* countItem = new QTableWidgetItem(Q(platform::IntToStr(count)));
    countItem->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    listView1_->setItem(row, kCountColumn, countItem);
    listView1_->setItem(row, kPathColumn, new QTableWidgetItem(Q(path)));
    ++row;
  }
  summaryLabel_->setText(Q(platform::Format("%d models found in %d catalogs...",
                                            {total, static_cast<int64_t>(paths.Count())})));
}

// ---------------------------------------------------------------------------
// View

void TInstalledForm::ListView1DblClick() { ViewCatalog(); }
void TInstalledForm::SpeedButton1Click() { ViewCatalog(); }

void TInstalledForm::ViewCatalog() {
  const int row = SelectedRow();
  if (row < 0) return;
  core::TComp& comp = CurrentComp();
  // The item's own path rather than its position: the selection dialog may
  // have searched another folder since the list was filled.
  const std::string path = ItemPath(row);
  if (comp.SetFileName(path) < 0) {
    FillCatalogList();
    return;
  }
  if (!comp.LoadModel(path, 0)) return;
  core::RefrigLib().SelectByNumber(comp.Header.RefrigNumber);
  if (ShowCompForm) ShowCompForm();
}

// ---------------------------------------------------------------------------
// Delete

void TInstalledForm::SpeedButton2Click() { DeleteCatalog(); }

void TInstalledForm::DeleteCatalog() {
  const int row = SelectedRow();
  if (row < 0) return;
  const std::string path = ItemPath(row);
  if (platform::MessageBox("Delete File?\r\n" + platform::ExtractFileName(path), "",
                          platform::MB_YESNO | platform::MB_ICONQUESTION) !=
      platform::IDYES)
    return;
  const std::string backup = platform::ChangeFileExt(path, "._mp");
  // Without its backup the catalog is not deleted: the copy is the only way back.
  if (!platform::CopyFile(path, backup, false)) {
    platform::MessageBox("Cannot make the backup copy\r\n" + backup + "\r\nThe file was not deleted.", "",
                         platform::MB_OK | platform::MB_ICONERROR);
    return;
  }
  if (!platform::DeleteFile(path))
    platform::MessageBox("Cannot delete file\r\n" + path, "", platform::MB_OK | platform::MB_ICONERROR);
  RefreshInstalledFiles();
  FillCatalogList();
}

}  // namespace workbench
