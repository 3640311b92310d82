#include "workbench/compform.h"

#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <charconv>
#include <cmath>
#include <memory>
#include <optional>

#include "core/comp.h"
#include "core/environment.h"
#include "core/fmtedit.h"
#include "core/folderdialog.h"
#include "core/navigation.h"
#include "core/refriglib.h"
#include "core/units.h"
#include "platform/dialogs.h"
#include "platform/guard.h"
#include "platform/registry.h"
#include "platform/scopeguard.h"
#include "platform/sysutils.h"
#include "workbench/compselection.h"
#include "workbench/keypreview.h"
#include "workbench/refrigtypeform.h"

namespace workbench {

namespace {

TCompForm* gCompForm = nullptr;

const char* const kCompressorSection = "Compressor";

std::string CommonCompressorKey() { return std::string(core::CommonRegistryKey) + kCompressorSection; }

// A label that reports mouse presses and clicks (the refrigerant label and
// its two arrows).
class ClickLabel : public QLabel {
 public:
  using QLabel::QLabel;
  std::function<void()> OnMouseDown;
  std::function<void()> OnClick;

 protected:
  void mousePressEvent(QMouseEvent* event) override {
    QLabel::mousePressEvent(event);
    if (event->button() == Qt::LeftButton && OnMouseDown) platform::guarded(OnMouseDown);
  }
  void mouseReleaseEvent(QMouseEvent* event) override {
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) && OnClick)
      platform::guarded(OnClick);
  }
};

// Stored as the shortest text that reads back as the same double.
std::string FloatText(double value) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

// A stored temperature, when it is a finite number inside [lo, hi]; a value
// stored as an integer is taken too.
std::optional<double> ReadTemperature(platform::TRegistry& reg, const std::string& name, double lo, double hi) {
  if (!reg.ValueExists(name)) return std::nullopt;
  double value = 0.0;
  try {
    if (reg.GetDataType(name) == platform::TRegDataType::rdInteger) {
      value = reg.ReadInteger(name);
    } else {
      const std::string text = platform::Trim(reg.ReadString(name));
      const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
      if (result.ec != std::errc() || result.ptr != text.data() + text.size()) return std::nullopt;
    }
  } catch (const platform::Exception&) {
    return std::nullopt;
  }
  if (!std::isfinite(value) || value < lo || value > hi) return std::nullopt;
  return value;
}

constexpr double kTeLo = -40.0, kTeHi = 30.0;
constexpr double kTcLo = 20.0, kTcHi = 90.0;

}  // namespace

TCompForm* CompForm() { return gCompForm; }
void SetCompForm(TCompForm* form) { gCompForm = form; }

// ---------------------------------------------------------------------------
// Creation

TCompForm::TCompForm(QWidget* parent) : QDialog(parent) {
  setObjectName("CompForm");
  setWindowTitle("Select Compressor");
  BuildControls();
  WireHandlers();

  settingsKey_ = core::ProgramRegistryKey() + "\\Settings";
  refrigEnabled_ = true;
  LoadSettings();
  if (core::RefrigLibExists()) SetRefrigLabel(CurrentDesignation(core::RefrigLib()));
  SetTemperatures(te_, tc_);
  if (!core::CompExists()) core::SetComp(std::make_unique<core::TComp>("", 7.5, 5.0));
  if (core::CatalogList().Count() > 0) FillFileList();
}

TCompForm::~TCompForm() {
  if (gCompForm == this) gCompForm = nullptr;
}

void TCompForm::BuildControls() {
  auto* refrigLabel = new ClickLabel(this);
  refrigLabel_ = refrigLabel;
  refrigLabel_->setObjectName("RefrigLabel");
  QFont bold = refrigLabel_->font();
  bold.setBold(true);
  bold.setUnderline(true);
  refrigLabel_->setFont(bold);
  refrigLabel_->setCursor(Qt::PointingHandCursor);
  refrigLabel_->setToolTip("Choose the refrigerant");
  image1_ = new ClickLabel(this);
  image1_->setObjectName("Image1");
  image1_->setPixmap(style()->standardIcon(QStyle::SP_ArrowLeft).pixmap(16, 16));
  image1_->setToolTip("Previous refrigerant");
  image2_ = new ClickLabel(this);
  image2_->setObjectName("Image2");
  image2_->setPixmap(style()->standardIcon(QStyle::SP_ArrowRight).pixmap(16, 16));
  image2_->setToolTip("Next refrigerant");

  fileNames_ = new QListWidget(this);
  fileNames_->setObjectName("FileNames");
  compNames_ = new QListWidget(this);
  compNames_->setObjectName("CompNames");
  for (QListWidget* list : {fileNames_, compNames_}) list->setSelectionMode(QAbstractItemView::SingleSelection);

  auto makeEdit = [this](const char* name) {
    auto* edit = new core::TFmtEdit(this);
    edit->setObjectName(name);
    return edit;
  };
  dutyFactorEdit_ = makeEdit("DutyFactorEdit");
  edEvapTemp_ = makeEdit("EdEvapTemp");
  edCondTemp_ = makeEdit("EdCondTemp");
  edQe_ = makeEdit("EdQe");
  edQc_ = makeEdit("EdQc");
  evapUnits_ = new core::TFmtEditLabel(this);
  condUnits_ = new core::TFmtEditLabel(this);
  qeUnits_ = new core::TFmtEditLabel(this);
  qcUnits_ = new core::TFmtEditLabel(this);

  dutyFactorEdit_->SetFormatStr("%0.3f");
  dutyFactorEdit_->SetRangeLo(0.1);
  dutyFactorEdit_->SetRangeHi(10);
  dutyFactorEdit_->SetText("1.000");
  struct TempSetup {
    core::TFmtEdit* edit;
    core::TFmtEditLabel* label;
    double lo, hi;
    const char* text;
  };
  for (const TempSetup& s : {TempSetup{edEvapTemp_, evapUnits_, kTeLo, kTeHi, "5.0"},
                             TempSetup{edCondTemp_, condUnits_, kTcLo, kTcHi, "48.0"}}) {
    s.edit->SetFormatStr("%0.1f");
    s.edit->SetUnitsType(core::utTemperature);
    s.edit->SetUnitsLabel(s.label);
    s.edit->SetRangeLo(s.lo);
    s.edit->SetRangeHi(s.hi);
    s.edit->SetText(s.text);
  }
  for (auto [edit, label] : {std::pair{edQe_, qeUnits_}, std::pair{edQc_, qcUnits_}}) {
    edit->SetFormatStr("%0.3f");
    edit->SetUnitsType(core::utDutyPrim);
    edit->SetUnitsLabel(label);
    edit->SetReadOnly(true);
    edit->SetText("");
  }

  dataMemo_ = new QPlainTextEdit(this);
  dataMemo_->setObjectName("DataMemo");
  dataMemo_->setReadOnly(true);
  dataMemo_->setLineWrapMode(QPlainTextEdit::NoWrap);

  toolButton1_ = new QToolButton(this);
  toolButton1_->setObjectName("ToolButton1");
  toolButton1_->setText("Accept");
  toolButton2_ = new QToolButton(this);
  toolButton2_->setObjectName("ToolButton2");
  toolButton2_->setText("Cancel");
  for (QToolButton* b : {toolButton1_, toolButton2_}) {
    b->setToolButtonStyle(Qt::ToolButtonTextOnly);
    b->setAutoRaise(true);
    // As tool buttons on a tool bar: a click leaves the focus (and any
    // pending edit) where it was.
    b->setFocusPolicy(Qt::NoFocus);
  }

  statusBar_ = new QStatusBar(this);
  statusBar_->setSizeGripEnabled(false);
  statusLabel_ = new QLabel(statusBar_);
  statusLabel_->setObjectName("StatusText");
  statusBar_->addWidget(statusLabel_, 1);
  statusLabel_->setText("Select compressor and press accept");

  // Layout.
  auto* tools = new QHBoxLayout;
  tools->addWidget(toolButton1_);
  tools->addWidget(toolButton2_);
  tools->addStretch(1);

  auto* refrigRow = new QHBoxLayout;
  refrigRow->addWidget(image1_);
  refrigRow->addWidget(refrigLabel_, 1, Qt::AlignCenter);
  refrigRow->addWidget(image2_);
  auto* left = new QVBoxLayout;
  left->addLayout(refrigRow);
  left->addWidget(fileNames_, 1);
  left->addWidget(compNames_, 2);

  auto* values = new QGridLayout;
  int row = 0;
  auto addRow = [&](const char* caption, QWidget* edit, QWidget* units) {
    values->addWidget(new QLabel(caption, this), row, 0);
    values->addWidget(edit, row, 1);
    if (units) values->addWidget(units, row, 2);
    ++row;
  };
  addRow("Duty Factor", dutyFactorEdit_, nullptr);
  addRow("Suction", edEvapTemp_, evapUnits_);
  addRow("Discharge", edCondTemp_, condUnits_);
  addRow("Cooling", edQe_, qeUnits_);
  addRow("Heat Rejection", edQc_, qcUnits_);
  auto* right = new QVBoxLayout;
  right->addLayout(values);
  right->addWidget(dataMemo_, 1);

  auto* body = new QHBoxLayout;
  body->addLayout(left, 1);
  body->addLayout(right, 1);
  auto* outer = new QVBoxLayout(this);
  outer->addLayout(tools);
  outer->addLayout(body, 1);
  outer->addWidget(statusBar_);
  resize(560, 420);

  QWidget* order[] = {fileNames_, compNames_, dutyFactorEdit_, edEvapTemp_, edCondTemp_, edQe_, edQc_, dataMemo_};
  for (size_t i = 0; i + 1 < std::size(order); ++i) setTabOrder(order[i], order[i + 1]);
}

void TCompForm::WireHandlers() {
  auto guard = [](auto handler) { return [handler] { platform::guarded(handler); }; };
  connect(fileNames_, &QListWidget::itemSelectionChanged, this, [this] { platform::guarded([this] { FileNamesClick(); }); });
  connect(compNames_, &QListWidget::itemSelectionChanged, this, [this] { platform::guarded([this] { CompNamesClick(); }); });
  edEvapTemp_->OnExit = guard([this] { EdEvapTempExit(); });
  edCondTemp_->OnExit = guard([this] { EdCondTempExit(); });
  dutyFactorEdit_->OnExit = guard([this] { DutyFactorEditExit(); });
  connect(toolButton1_, &QToolButton::clicked, this, [this] { platform::guarded([this] { ToolButton1Click(); }); });
  connect(toolButton2_, &QToolButton::clicked, this, [this] { platform::guarded([this] { ToolButton2Click(); }); });
  static_cast<ClickLabel*>(refrigLabel_)->OnClick = [this] { RefrigLabelClick(); };
  static_cast<ClickLabel*>(image1_)->OnMouseDown = [this] { Image1MouseDown(); };
  static_cast<ClickLabel*>(image2_)->OnMouseDown = [this] { Image2MouseDown(); };

  // A unit chosen for one temperature (or duty) is the unit of both.
  edEvapTemp_->OnUnitsEdited = [this](core::QbCustomEdit*) { edCondTemp_->SetUnitsValue(edEvapTemp_->UnitsValue()); };
  edCondTemp_->OnUnitsEdited = [this](core::QbCustomEdit*) { edEvapTemp_->SetUnitsValue(edCondTemp_->UnitsValue()); };
  edQe_->OnUnitsEdited = [this](core::QbCustomEdit*) { edQc_->SetUnitsValue(edQe_->UnitsValue()); };
  edQc_->OnUnitsEdited = [this](core::QbCustomEdit*) { edQe_->SetUnitsValue(edQc_->UnitsValue()); };

  InstallKeyPreview(this, [this](int& key) { FormKeyDown(key); });
}

// ---------------------------------------------------------------------------
// Settings

void TCompForm::LoadSettings() {
  core::RestoreFormState(*this, false, true);
  platform::TRegistry reg;
  if (reg.OpenKeyReadOnly(settingsKey_)) {
    te_ = ReadTemperature(reg, "CompressorTe", kTeLo, kTeHi).value_or(5.0);
    tc_ = ReadTemperature(reg, "CompressorTc", kTcLo, kTcHi).value_or(48.0);
  }
  platform::TRegistry common;
  if (common.OpenKeyReadOnly(CommonCompressorKey())) {
    if (std::optional<int> unit = platform::ReadIntegerEitherWay(common, "UnitsTemp")) {
      edEvapTemp_->SetUnitsValue(*unit);
      edCondTemp_->SetUnitsValue(edEvapTemp_->UnitsValue());
    }
    if (std::optional<int> unit = platform::ReadIntegerEitherWay(common, "UnitsDuty")) {
      edQe_->SetUnitsValue(*unit);
      edQc_->SetUnitsValue(edQe_->UnitsValue());
    }
  }
}

void TCompForm::SaveSettings() {
  core::SaveFormState(*this);
  try {
    platform::TRegistry reg;
    if (reg.OpenKey(settingsKey_, true)) {
      reg.WriteString("CompressorTe", FloatText(te_));
      reg.WriteString("CompressorTc", FloatText(tc_));
    }
    platform::TRegistry common;
    if (common.OpenKey(CommonCompressorKey(), true)) {
      common.WriteInteger("UnitsTemp", edEvapTemp_->UnitsValue());
      common.WriteInteger("UnitsDuty", edQe_->UnitsValue());
    }
  } catch (const platform::Exception&) {
    // Settings that cannot be written are not worth a message on every deactivation.
  }
}

void TCompForm::SetTemperatures(double te, double tc) {
  te_ = te;
  tc_ = tc;
  edEvapTemp_->SetValue(te);
  edCondTemp_->SetValue(tc);
}

// ---------------------------------------------------------------------------
// Activation

int TCompForm::ShowModal() { return exec(); }

void TCompForm::showEvent(QShowEvent* event) {
  activatedThisShowing_ = false;
  QDialog::showEvent(event);
  // A window manager may not hand the activation over (focus-stealing
  // rules, or none at all); the work due at showing must not wait for it.
  if (isModal() || windowModality() != Qt::NonModal || firstActivation_)
    QTimer::singleShot(0, this, [this] {
      if (isVisible()) platform::guarded([this] { FormActivate(); });
    });
}

void TCompForm::hideEvent(QHideEvent* event) {
  // Closing deactivates the dialog; the platform does not always say so.
  platform::guarded([this] { FormDeactivate(); });
  QDialog::hideEvent(event);
}

bool TCompForm::event(QEvent* event) {
  if (event->type() == QEvent::WindowActivate)
    platform::guarded([this] { FormActivate(); });
  else if (event->type() == QEvent::WindowDeactivate && isVisible())
    platform::guarded([this] { FormDeactivate(); });
  return QDialog::event(event);
}

void TCompForm::FormActivate() {
  // The catalog question and its boxes make the dialog active again.
  if (inActivate_) return;
  inActivate_ = true;
  platform::ScopeGuard reset([this] { inActivate_ = false; });

  const bool modal = isModal() || windowModality() != Qt::NonModal;
  // Once per modal showing: the boxes and dialogs the work opens hand the
  // activation back, and running it again would ask again.
  if ((modal && !activatedThisShowing_) || firstActivation_) {
    activatedThisShowing_ = true;
    firstActivation_ = false;
    if (core::CatalogList().Count() == 0 && SearchCatalogFolder() == TCatalogSearch::EndApplication) {
      EndApplication();
      return;
    }
    RestoreSelection();
  }
  refrigLabel_->setEnabled(refrigEnabled_);
  image1_->setEnabled(refrigEnabled_);
  image2_->setEnabled(refrigEnabled_);
}

void TCompForm::FormDeactivate() {
  // Committed first, so that a typed temperature is the one saved.
  CommitFocusedEdit();
  SaveSettings();
}

void TCompForm::CommitFocusedEdit() {
  if (auto* edit = dynamic_cast<core::QbCustomEdit*>(focusWidget()); edit && edit->Modified()) edit->CommitEdit();
}

void TCompForm::FormKeyDown(int& key) { core::NavigateFormKey(this, key, focusWidget()); }


// ---------------------------------------------------------------------------
// Catalog folder

TCatalogSearch TCompForm::SearchCatalogFolder() {
  if (platform::MessageBox("Compressor data files not found.  Find now?", "",
                           platform::MB_YESNO | platform::MB_ICONQUESTION) != platform::IDYES)
    return TCatalogSearch::EndApplication;
  core::TFolderDialog dialog(this);
  dialog.Title = "Select compressor library folder";
  if (!dialog.Execute()) return TCatalogSearch::Cancelled;
  core::SetCatalogFolder(dialog.Directory);
  if (core::CatalogList().Count() == 0) {
    platform::MessageBox("No compressor data files found!");
    return TCatalogSearch::EndApplication;
  }
  FillFileList();
  try {
    platform::TRegistry common;
    if (common.OpenKey(CommonCompressorKey(), true)) common.WriteString("DataPath", dialog.Directory);
  } catch (const platform::Exception&) {
    // The folder is in use for this run; only its memory is lost.
  }
  return TCatalogSearch::Found;
}

void TCompForm::EndApplication() {
  endRequested_ = true;
  if (isVisible()) done(QDialog::Rejected);
  if (OnEndApplication) OnEndApplication();
}

// ---------------------------------------------------------------------------
// Lists

int TCompForm::SelectedIndex(const QListWidget* list) {
  const int row = list->currentRow();
  if (row < 0 || row >= list->count() || !list->item(row)->isSelected()) return -1;
  return row;
}

void TCompForm::SelectRow(QListWidget* list, int row) {
  const QSignalBlocker block(list);
  if (row >= 0 && row < list->count()) {
    list->setCurrentRow(row);
  } else {
    list->setCurrentRow(-1);
    list->clearSelection();
  }
}

std::string TCompForm::RefrigLabelText() const { return refrigLabel_->text().toStdString(); }

void TCompForm::SetRefrigLabel(const std::string& designation) {
  refrigLabel_->setText(QString::fromStdString(designation));
}

void TCompForm::FillFileList() {
  const int previous = SelectedIndex(fileNames_);
  const platform::TStringList found = core::FindCompressorFiles(RefrigLabelText(), "", -99, -99);
  {
    const QSignalBlocker block(fileNames_);
    fileNames_->clear();
    filePaths_.clear();
    // The full paths are kept beside the names: a catalog in a sub-folder of
    // the catalog folder opens from where it was found.
    for (const std::string& path : found) {
      fileNames_->addItem(QString::fromStdString(platform::ExtractFileName(path)));
      filePaths_.push_back(path);
    }
  }
  const int count = fileNames_->count();
  if (autoSelect_) {
    if (previous < 0 && count > 0) {
      SelectRow(fileNames_, 0);
      FileNamesClick();
      return;
    }
    if (count > 0) SelectRow(fileNames_, previous < count ? previous : count - 1);
  }
  FileNamesClick();
}

void TCompForm::FileNamesClick() {
  fileNames_->update();
  const int previousModel = SelectedIndex(compNames_);
  {
    const QSignalBlocker block(compNames_);
    compNames_->clear();
  }
  dataMemo_->clear();
  // No model is shown until one is chosen again: Cooling and Heat Rejection
  // must not keep the values of a model no longer listed.
  edQe_->SetText("");
  edQc_->SetText("");
  const int row = SelectedIndex(fileNames_);
  if (row < 0 || !core::CompExists()) return;
  core::TComp& comp = core::Comp();
  comp.SetFileName(filePaths_[row]);
  const std::string path = comp.GetFileName();
  if (path.empty()) return;
  SetStatus(path);
  const platform::TStringList names = comp.ModelNames();
  {
    const QSignalBlocker block(compNames_);
    for (const std::string& name : names) compNames_->addItem(QString::fromStdString(name));
  }
  if (!autoSelect_) return;
  const int count = compNames_->count();
  if (previousModel < 0 && count > 0)
    SelectRow(compNames_, 0);
  else if (count > 0)
    SelectRow(compNames_, previousModel < count ? previousModel : count - 1);
  CompNamesClick();
}

void TCompForm::CompNamesClick() {
  if (!core::CompExists()) return;
  core::TComp& comp = core::Comp();
  const std::string path = comp.GetFileName();
  const int row = SelectedIndex(compNames_);
  if (path.empty() || row < 0) return;
  if (!comp.LoadModel(path, row)) {
    platform::MessageBox("Error finding compressor in file");
    return;
  }
  // Evaluated before the memo is filled, so that the correction factors it
  // shows are the new model's at the evaluating point.
  const TDutyResult duty = EvaluateDuty(comp, te_, tc_);
  ShowModelData();
  ShowDuty(duty);
  SetStatus(duty.status);
}

void TCompForm::ShowModelData() {
  dataMemo_->clear();
  if (!core::CompExists()) return;
  const std::string refrigerant = core::RefrigLibExists() ? CurrentDesignation(core::RefrigLib()) : RefrigLabelText();
  QStringList text;
  for (const std::string& line : ModelDataLines(core::Comp(), refrigerant)) text << QString::fromStdString(line);
  dataMemo_->setPlainText(text.join('\n'));
  if (OnChange) OnChange();
}

// ---------------------------------------------------------------------------
// Duty

void TCompForm::ShowDuty(const TDutyResult& duty) {
  // The duty of this point is not known: no number rather than a stale one.
  if (duty.valid) {
    edQe_->SetValue(duty.qe);
    edQc_->SetValue(duty.qc);
  } else {
    edQe_->SetText("");
    edQc_->SetText("");
  }
}

void TCompForm::RecalcDuty() {
  if (!core::CompExists()) return;
  const TDutyResult duty = EvaluateDuty(core::Comp(), te_, tc_);
  ShowDuty(duty);
  if (OnChange) OnChange();
  SetStatus(duty.status);
}

void TCompForm::EdEvapTempExit() {
  if (!edEvapTemp_->Modified()) return;
  const std::optional<double> value = NumberOf(edEvapTemp_->GetValue());
  if (!value) return;
  te_ = *value;
  RecalcDuty();
  if (OnChange) OnChange();
}

void TCompForm::EdCondTempExit() {
  if (!edCondTemp_->Modified()) return;
  const std::optional<double> value = NumberOf(edCondTemp_->GetValue());
  if (!value) return;
  tc_ = *value;
  RecalcDuty();
  if (OnChange) OnChange();
}

void TCompForm::DutyFactorEditExit() {
  if (!dutyFactorEdit_->Modified() || !core::CompExists()) return;
  const std::optional<double> value = NumberOf(dutyFactorEdit_->GetValue());
  if (!value) return;
  core::Comp().SetFactor(*value);
  RecalcDuty();
}

void TCompForm::SetStatus(const std::string& text) {
  statusLabel_->setText(QString::fromStdString(StatusOrPrompt(text)));
}

std::string TCompForm::StatusText() const { return statusLabel_->text().toStdString(); }

// ---------------------------------------------------------------------------
// Selection restore and closing

void TCompForm::RestoreSelection() {
  if (!core::CompExists()) return;
  core::TComp& comp = core::Comp();
  const std::string name = comp.CurrentModelName();
  const std::string path = comp.GetFileName();
  dutyFactorEdit_->SetValue(comp.Factor);
  const std::string designation = core::RefrigLibExists() ? CurrentDesignation(core::RefrigLib()) : RefrigLabelText();

  const int file = SelectedIndex(fileNames_);
  const int model = SelectedIndex(compNames_);
  if (file >= 0 && !path.empty() && filePaths_[file] == path && model >= 0 &&
      platform::SameText(compNames_->item(model)->text().toStdString(), name) &&
      platform::SameText(RefrigLabelText(), designation))
    return;

  SetRefrigLabel(designation);
  // The flag and the lists' painting come back however the restore ends.
  autoSelect_ = false;
  platform::ScopeGuard restore([this] {
    fileNames_->setUpdatesEnabled(true);
    compNames_->setUpdatesEnabled(true);
    autoSelect_ = true;
  });
  dataMemo_->clear();
  FillFileList();
  fileNames_->setUpdatesEnabled(false);
  compNames_->setUpdatesEnabled(false);

  int fileRow = -1;
  for (size_t i = 0; i < filePaths_.size() && fileRow < 0; ++i)
    if (filePaths_[i] == path) fileRow = static_cast<int>(i);
  SelectRow(fileNames_, fileRow);
  FileNamesClick();

  int modelRow = -1;
  for (int i = 0; i < compNames_->count() && modelRow < 0; ++i)
    if (compNames_->item(i)->text().toStdString() == name) modelRow = i;
  for (int i = 0; i < compNames_->count() && modelRow < 0; ++i)
    if (platform::SameText(compNames_->item(i)->text().toStdString(), name)) modelRow = i;
  SelectRow(compNames_, modelRow);
  CompNamesClick();
}

void TCompForm::ToolButton1Click() {
  CommitFocusedEdit();
  // A model must be chosen in the list too: listing a catalog leaves the
  // compressor holding the catalog's last record.
  const bool chosen = SelectedIndex(fileNames_) >= 0 && SelectedIndex(compNames_) >= 0 && core::CompExists() &&
                      !core::Comp().CurrentModelName().empty();
  done(chosen ? QDialog::Accepted : QDialog::Rejected);
}

void TCompForm::ToolButton2Click() { done(QDialog::Rejected); }

// ---------------------------------------------------------------------------
// Refrigerant

void TCompForm::RefrigLabelClick() {
  if (!refrigEnabled_ || !core::RefrigLibExists()) return;
  auto form = std::make_unique<TRefrigTypeForm>(this);
  {
    const QSignalBlocker block(form->RefrigList());
    form->RefrigList()->setCurrentRow(core::RefrigLib().GetCurrentIndex());
  }
  form->EdTemp()->SetValue(te_);
  const int result = RunRefrigForm ? RunRefrigForm(*form) : form->exec();
  form.reset();
  if (result == QDialog::Accepted) RefrigerantChanged();
}

void TCompForm::Image1MouseDown() {
  if (!refrigEnabled_ || !core::RefrigLibExists()) return;
  core::RefrigLib().SelectPrior();
  RefrigerantChanged();
}

void TCompForm::Image2MouseDown() {
  if (!refrigEnabled_ || !core::RefrigLibExists()) return;
  core::RefrigLib().SelectNext();
  RefrigerantChanged();
}

void TCompForm::RefrigerantChanged() {
  SetRefrigLabel(CurrentDesignation(core::RefrigLib()));
  dataMemo_->clear();
  FillFileList();
}

}  // namespace workbench
