#include "workbench/refrigtypeform.h"

#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTextDocument>
#include <QTimer>
#include <QVBoxLayout>

#include <limits>
#include <optional>

#include "core/fmtedit.h"
#include "core/navigation.h"
#include "core/refriglib.h"
#include "core/units.h"
#include "platform/guard.h"
#include "workbench/compselection.h"
#include "workbench/keypreview.h"

namespace workbench {

TRefrigTypeForm::TRefrigTypeForm(QWidget* parent) : QDialog(parent) {
  setObjectName("RefrigTypeForm");
  setWindowTitle("Refrigerant");
  setWindowFlag(Qt::Tool, true);

  refrigList_ = new QListWidget(this);
  refrigList_->setObjectName("RefrigList");
  refrigList_->setSelectionMode(QAbstractItemView::SingleSelection);

  edTemp_ = new core::TFmtEdit(this);
  edTemp_->setObjectName("edTemp");
  tempLabel_ = new core::TFmtEditLabel(this);
  edPress_ = new core::TFmtEdit(this);
  edPress_->setObjectName("edPress");
  pressLabel_ = new core::TFmtEditLabel(this);

  memo_ = new QPlainTextEdit(this);
  memo_->setObjectName("Memo");
  memo_->setReadOnly(true);
  memo_->setFont(QFont("Courier New", 9));
  memo_->setLineWrapMode(QPlainTextEdit::NoWrap);
  // Wide enough for the longest property line ("Vapor Specific Volume =
  // 0.0000 m³/kg" and the like) without a sideways scroll.
  const QFontMetrics memoMetrics(memo_->font());
  memo_->setMinimumWidth(memoMetrics.horizontalAdvance(QString(40, QChar('0'))) +
                         2 * memo_->frameWidth() + 2 * static_cast<int>(memo_->document()->documentMargin()) + 24);

  okButton_ = new QPushButton("OK", this);
  okButton_->setObjectName("OKButton");
  okButton_->setAutoDefault(false);
  statusBar_ = new QStatusBar(this);
  statusBar_->setSizeGripEnabled(false);
  statusLabel_ = new QLabel(statusBar_);
  statusBar_->addWidget(statusLabel_, 1);

  // The unit labels show names up to "InchWg"; "kPa" must never be cut.
  for (QLabel* label : {static_cast<QLabel*>(tempLabel_), static_cast<QLabel*>(pressLabel_)})
    label->setMinimumWidth(label->fontMetrics().horizontalAdvance("InchWg") + 8);
  auto* edits = new QGridLayout;
  edits->addWidget(new QLabel("Temperature", this), 0, 0);
  edits->addWidget(edTemp_, 0, 1);
  edits->addWidget(tempLabel_, 0, 2);
  edits->addWidget(new QLabel("Pressure", this), 1, 0);
  edits->addWidget(edPress_, 1, 1);
  edits->addWidget(pressLabel_, 1, 2);
  auto* right = new QVBoxLayout;
  right->addLayout(edits);
  right->addWidget(memo_, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(okButton_);
  right->addLayout(buttons);
  auto* body = new QHBoxLayout;
  body->addWidget(refrigList_);
  body->addLayout(right, 1);
  auto* outer = new QVBoxLayout(this);
  outer->addLayout(body, 1);
  outer->addWidget(statusBar_);
  resize(640, 340);

  setTabOrder(refrigList_, edTemp_);
  setTabOrder(edTemp_, edPress_);
  setTabOrder(edPress_, memo_);
  setTabOrder(memo_, okButton_);

  edTemp_->SetFormatStr("%0.1f");
  edTemp_->SetUnitsType(core::utTemperature);
  edTemp_->SetUnitsLabel(tempLabel_);
  edTemp_->SetText("6.0");
  edPress_->SetFormatStr("%0.3f");
  edPress_->SetUnitsType(core::utPressure);
  edPress_->SetUnitsLabel(pressLabel_);
  edPress_->SetText("500.00");

  edTemp_->OnExit = [this] { platform::guarded([this] { EdTempExit(); }); };
  edPress_->OnExit = [this] { platform::guarded([this] { EdPressExit(); }); };
  connect(refrigList_, &QListWidget::itemSelectionChanged, this,
          [this] { platform::guarded([this] { RefrigListClick(); }); });
  connect(okButton_, &QPushButton::clicked, this, [this] { accept(); });

  InstallKeyPreview(this, [this](int& key) { FormKeyDown(key); });

  if (core::RefrigLibExists()) {
    initialRefrigerant_ = CurrentDesignation(core::RefrigLib());
    {
      const QSignalBlocker block(refrigList_);
      for (const std::string& name : core::RefrigLib().Names())
        refrigList_->addItem(QString::fromStdString(name));
      if (refrigList_->count() > 0) refrigList_->setCurrentRow(0);
    }
    PressureFromTemperature();
  }
}

TRefrigTypeForm::~TRefrigTypeForm() = default;

std::string TRefrigTypeForm::StatusText() const { return statusLabel_->text().toStdString(); }

void TRefrigTypeForm::SetStatus(const std::string& text) {
  statusLabel_->setText(QString::fromStdString(text));
}

void TRefrigTypeForm::Init(double temperature) {
  edTemp_->SetValue(temperature);
  PressureFromTemperature();
}

double TRefrigTypeForm::Temperature() const { return NumberOf(edTemp_->GetValue()).value_or(0.0); }

double TRefrigTypeForm::PressureKPa() const { return NumberOf(edPress_->GetValue()).value_or(0.0); }

void TRefrigTypeForm::FillList() {
  const QSignalBlocker block(refrigList_);
  refrigList_->clear();
  if (!core::RefrigLibExists()) return;
  const core::TRefrigLib& lib = core::RefrigLib();
  for (const std::string& name : lib.Names()) refrigList_->addItem(QString::fromStdString(name));
  const int index = lib.Names().IndexOf(CurrentDesignation(lib));
  if (index >= 0) refrigList_->setCurrentRow(index);
}

void TRefrigTypeForm::PressureFromTemperature() {
  if (!core::RefrigLibExists()) return;
  const std::optional<double> t = NumberOf(edTemp_->GetValue());
  const std::optional<double> p = t ? DewPressureKPa(core::RefrigLib(), *t) : std::nullopt;
  if (p)
    edPress_->SetValue(*p);
  else
    edPress_->SetText("");
}

void TRefrigTypeForm::FormActivate() {
  FillList();
  SetStatus("Select refrigerant and press OK");
  PressureFromTemperature();
  ShowRefrigProperties();
}

void TRefrigTypeForm::FormKeyDown(int& key) { core::NavigateEditKey(this, key); }

void TRefrigTypeForm::RefrigListClick() {
  QListWidgetItem* item = refrigList_->currentItem();
  if (!item || !item->isSelected() || !core::RefrigLibExists()) return;
  core::RefrigLib().Select(item->text().toStdString());
  PressureFromTemperature();
  ShowRefrigProperties();
}

void TRefrigTypeForm::EdTempExit() {
  PressureFromTemperature();
  // The memo shows properties at this temperature: keep it in step.
  ShowRefrigProperties();
}

void TRefrigTypeForm::EdPressExit() {
  if (!core::RefrigLibExists()) return;
  const std::optional<double> p = NumberOf(edPress_->GetValue());
  const std::optional<double> t = p ? DewTemperatureAtKPa(core::RefrigLib(), *p) : std::nullopt;
  if (t)
    edTemp_->SetValue(*t);
  else
    edTemp_->SetText("");
  ShowRefrigProperties();
}

void TRefrigTypeForm::ShowRefrigProperties() {
  memo_->clear();
  if (!core::RefrigLibExists()) return;
  // A blank edit makes every property at it fail, which the lines report.
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const std::vector<std::string> lines =
      RefrigPropertyLines(core::RefrigLib(), NumberOf(edTemp_->GetValue()).value_or(nan), NumberOf(edPress_->GetValue()).value_or(nan));
  QStringList text;
  for (const std::string& line : lines) text << QString::fromStdString(line);
  memo_->setPlainText(text.join('\n'));
}

void TRefrigTypeForm::done(int result) {
  if (result != QDialog::Accepted && core::RefrigLibExists() && !initialRefrigerant_.empty()) {
    core::TRefrigLib& lib = core::RefrigLib();
    platform::guarded([&] {
      if (!platform::SameText(CurrentDesignation(lib), initialRefrigerant_)) lib.Select(initialRefrigerant_);
    });
  }
  QDialog::done(result);
}

void TRefrigTypeForm::showEvent(QShowEvent* event) {
  activatedThisShowing_ = false;
  QDialog::showEvent(event);
  // Not left to the window manager's activation, which may never come.
  QTimer::singleShot(0, this, [this] { ActivateOnce(); });
}

bool TRefrigTypeForm::event(QEvent* event) {
  if (event->type() == QEvent::WindowActivate) ActivateOnce();
  return QDialog::event(event);
}

void TRefrigTypeForm::ActivateOnce() {
  if (activatedThisShowing_ || !isVisible()) return;
  activatedThisShowing_ = true;
  platform::guarded([this] { FormActivate(); });
}


}  // namespace workbench
