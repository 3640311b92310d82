#include "workbench/coloredform.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>

#include <array>

#include "core/environment.h"
#include "editor/highlighter.h"
#include "editor/inihighlighter.h"
#include "platform/guard.h"
#include "platform/qtext.h"
#include "platform/sysutils.h"

namespace workbench {

namespace {

TColorEdForm* gColorEdForm = nullptr;

// The rows, in the order they are shown.
constexpr std::array<const char*, 8> kAttributeNames = {"Comment", "Key",    "Number", "Section",
                                                        "Space",   "String", "Symbol", "Text"};
constexpr int kFirstRowTop = 64;
constexpr int kRowStep = 28;
constexpr int kHeadingTop = 40;

// Column left positions and the controls' sizes (the templates carry them).
constexpr int kLabelLeft = 16;
constexpr int kForeLeft = 112;
constexpr int kBackLeft = 148;
constexpr int kBoldLeft = 192;
constexpr int kItalicLeft = 232;
constexpr int kShapeSize = 18;
constexpr int kCheckWidth = 20;

struct ResetValues {
  const char* name;
  editor::TColor background;
  editor::TColor foreground;
  editor::TFontStyles style;
};
// What "Reset" puts back: the main editor's designed colours.
constexpr std::array<ResetValues, 8> kResetValues = {{
    {"Comment", platform::clNone, 32768, editor::fsItalic},
    {"Key", platform::clNone, 12615680, 0},
    {"Number", platform::clNone, platform::clNone, 0},
    {"Section", 4097113, 16777215, editor::fsBold},
    {"Space", platform::clNone, platform::clNone, 0},
    {"String", platform::clNone, platform::clNone, 0},
    {"Symbol", platform::clNone, platform::clNone, 0},
    {"Text", platform::clNone, platform::clNone, 0},
}};

// A row control's attribute name after its prefix ("" when it has none).
std::string AfterPrefix(const QString& objectName, const char* prefix) {
  const QString p = QString::fromLatin1(prefix);
  if (!objectName.startsWith(p) || objectName.size() == p.size()) return {};
  return objectName.mid(p.size()).toStdString();
}

using platform::Q;

}  // namespace

TColorEdForm* ColorEdForm() { return gColorEdForm; }
void SetColorEdForm(TColorEdForm* form) { gColorEdForm = form; }

// ---------------------------------------------------------------------------
// The colour shape

TColorShape::TColorShape(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  resize(kShapeSize, kShapeSize);
}

void TColorShape::SetBrushColour(platform::Colour colour) {
  if (colour == colour_) return;
  colour_ = colour;
  update();
}

void TColorShape::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QRect box = rect().adjusted(0, 0, -1, -1);
  const bool none = colour_ == platform::clNone || colour_ == platform::clDefault;
  painter.fillRect(rect(), none ? QColor(Qt::white) : platform::ToQColor(colour_));
  painter.setPen(Qt::black);
  painter.drawRect(box);
  // "No colour" must not look like white.
  if (none) painter.drawLine(box.bottomLeft(), box.topRight());
}

void TColorShape::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && OnMouseDown) {
    platform::guarded([this] { OnMouseDown(this); });
    event->accept();
    return;
  }
  QWidget::mousePressEvent(event);
}

// ---------------------------------------------------------------------------
// Creation (FormCreate)

TColorEdForm::TColorEdForm(QWidget* parent)
    : QDialog(parent), ownHighlighter_(std::make_unique<editor::TIniHighlighter>()) {
  setObjectName("ColorEdForm");
  setWindowTitle("Syntax Hilight Editor");
  setWindowFlag(Qt::Tool, true);
  highlighter_ = ownHighlighter_.get();

  ChooseColour = [this](platform::Colour& colour) {
    const QColor initial =
        colour == platform::clNone ? QColor(Qt::white) : platform::ToQColor(colour);
    const QColor chosen = QColorDialog::getColor(initial, this);
    if (!chosen.isValid()) return false;
    colour = platform::FromQColor(chosen);
    return true;
  };

  BuildControls();
  core::RestoreFormState(*this, false, false);
  rowTop_ = kFirstRowTop;
  for (const char* name : kAttributeNames) AddAttributeRow(name, FindAttribute(name));
}

TColorEdForm::~TColorEdForm() {
  UnhookHighlighter();
  if (gColorEdForm == this) gColorEdForm = nullptr;
}

void TColorEdForm::BuildControls() {
  const std::array<std::pair<const char*, int>, 5> headings = {{{"Description", kLabelLeft},
                                                                 {"Fore", kForeLeft},
                                                                 {"Back", kBackLeft},
                                                                 {"Bold", kBoldLeft},
                                                                 {"Italic", kItalicLeft}}};
  for (const auto& [caption, left] : headings) {
    auto* heading = new QLabel(caption, this);
    heading->setObjectName(QString("Heading") + caption);
    heading->move(left, kHeadingTop);
    heading->adjustSize();
  }

  templateLabel_ = new QLabel(this);
  templateLabel_->setObjectName("TemplateLabel");
  templateLabel_->setGeometry(kLabelLeft, kFirstRowTop, 90, kShapeSize);
  templateFore_ = new TColorShape(this);
  templateFore_->setObjectName("TemplateFore");
  templateFore_->setGeometry(kForeLeft, kFirstRowTop, kShapeSize, kShapeSize);
  templateBack_ = new TColorShape(this);
  templateBack_->setObjectName("TemplateBack");
  templateBack_->setGeometry(kBackLeft, kFirstRowTop, kShapeSize, kShapeSize);
  templateBold_ = new QCheckBox(this);
  templateBold_->setObjectName("TemplateBold");
  templateBold_->setGeometry(kBoldLeft, kFirstRowTop, kCheckWidth, kShapeSize);
  templateItalic_ = new QCheckBox(this);
  templateItalic_->setObjectName("TemplateItalic");
  templateItalic_->setGeometry(kItalicLeft, kFirstRowTop, kCheckWidth, kShapeSize);
  for (QWidget* t : std::initializer_list<QWidget*>{templateLabel_, templateFore_, templateBack_,
                                                    templateBold_, templateItalic_})
    t->hide();

  const int buttonsTop = kFirstRowTop + static_cast<int>(kAttributeNames.size()) * kRowStep + 8;
  resetButton_ = new QPushButton("Reset", this);
  resetButton_->setObjectName("ResetButton");
  resetButton_->setGeometry(kLabelLeft, buttonsTop, 75, 25);
  button1_ = new QPushButton("Close", this);
  button1_->setObjectName("Button1");
  button1_->setGeometry(kItalicLeft + kCheckWidth - 75, buttonsTop, 75, 25);
  connect(resetButton_, &QPushButton::clicked, this, [this] { platform::guarded([this] { ResetButtonClick(); }); });
  connect(button1_, &QPushButton::clicked, this, [this] { platform::guarded([this] { Button1Click(); }); });

  setFixedSize(kItalicLeft + kCheckWidth + kLabelLeft + 8, buttonsTop + 25 + 12);
}

void TColorEdForm::AddAttributeRow(const std::string& name, const editor::TEdHighlighterAttributes* attribute) {
  const QString n = Q(name);
  auto* label = new QLabel(n, this);
  label->setObjectName("Label" + n);
  label->move(templateLabel_->x(), rowTop_);
  label->adjustSize();
  label->show();

  auto makeShape = [&](const char* prefix, const TColorShape* model, platform::Colour colour) {
    auto* shape = new TColorShape(this);
    shape->setObjectName(prefix + n);
    shape->setGeometry(model->x(), rowTop_, model->width(), model->height());
    shape->SetBrushColour(colour);
    shape->OnMouseDown = [this](TColorShape* s) { ShapeMouseDown(s); };
    shape->show();
  };
  makeShape("Fore", templateFore_, attribute ? attribute->Foreground() : platform::clNone);
  makeShape("Back", templateBack_, attribute ? attribute->Background() : platform::clNone);

  auto makeBox = [&](const char* prefix, const QCheckBox* model, bool checked) {
    auto* box = new QCheckBox(this);
    box->setObjectName(prefix + n);
    box->setGeometry(model->x(), rowTop_, model->width(), templateFore_->height());
    box->setChecked(checked);
    // Clicks only: setting the box from the attribute must not write back.
    connect(box, &QCheckBox::clicked, this, [this, box] { platform::guarded([this, box] { CheckBoxClick(box); }); });
    box->show();
  };
  const editor::TFontStyles style = attribute ? attribute->Style() : 0;
  makeBox("Bold", templateBold_, (style & editor::fsBold) != 0);
  makeBox("Italic", templateItalic_, (style & editor::fsItalic) != 0);

  rowTop_ += kRowStep;
}

// ---------------------------------------------------------------------------
// The highlighter

void TColorEdForm::SetHighlighter(editor::TEdCustomHighlighter* highlighter) {
  if (!highlighter) highlighter = ownHighlighter_.get();
  if (highlighter == highlighter_) return;
  UnhookHighlighter();
  highlighter_ = highlighter;
  if (highlighter_ != ownHighlighter_.get())
    highlighter_->HookFreeNotification(editor::NotifyMethod<&TColorEdForm::HighlighterFreed>(this));
}

void TColorEdForm::UnhookHighlighter() {
  if (highlighter_ && highlighter_ != ownHighlighter_.get())
    highlighter_->UnhookFreeNotification(editor::NotifyMethod<&TColorEdForm::HighlighterFreed>(this));
}

void TColorEdForm::HighlighterFreed(editor::TEdObject* sender) {
  if (sender == highlighter_) highlighter_ = ownHighlighter_.get();
}

editor::TEdHighlighterAttributes* TColorEdForm::FindAttribute(const std::string& name) const {
  if (!highlighter_ || name.empty()) return nullptr;
  for (int i = 0; i < highlighter_->GetAttributeCount(); ++i) {
    editor::TEdHighlighterAttributes* attribute = highlighter_->GetAttribute(i);
    if (attribute && platform::SameText(attribute->Name(), name)) return attribute;
  }
  return nullptr;
}

// ---------------------------------------------------------------------------
// Controls

QLabel* TColorEdForm::RowLabel(const std::string& name) const { return findChild<QLabel*>("Label" + Q(name)); }
TColorShape* TColorEdForm::ForeShape(const std::string& name) const { return findChild<TColorShape*>("Fore" + Q(name)); }
TColorShape* TColorEdForm::BackShape(const std::string& name) const { return findChild<TColorShape*>("Back" + Q(name)); }
QCheckBox* TColorEdForm::BoldBox(const std::string& name) const { return findChild<QCheckBox*>("Bold" + Q(name)); }
QCheckBox* TColorEdForm::ItalicBox(const std::string& name) const { return findChild<QCheckBox*>("Italic" + Q(name)); }

void TColorEdForm::RefreshAttributeControls() {
  for (TColorShape* shape : findChildren<TColorShape*>()) {
    if (const auto* a = FindAttribute(AfterPrefix(shape->objectName(), "Fore")))
      shape->SetBrushColour(a->Foreground());
    else if (const auto* b = FindAttribute(AfterPrefix(shape->objectName(), "Back")))
      shape->SetBrushColour(b->Background());
  }
  for (QCheckBox* box : findChildren<QCheckBox*>()) {
    if (const auto* a = FindAttribute(AfterPrefix(box->objectName(), "Bold")))
      box->setChecked((a->Style() & editor::fsBold) != 0);
    else if (const auto* b = FindAttribute(AfterPrefix(box->objectName(), "Italic")))
      box->setChecked((b->Style() & editor::fsItalic) != 0);
  }
}

void TColorEdForm::ShapeMouseDown(TColorShape* shape) {
  if (!shape) return;
  const QString name = shape->objectName();
  editor::TEdHighlighterAttributes* fore = FindAttribute(AfterPrefix(name, "Fore"));
  editor::TEdHighlighterAttributes* back = fore ? nullptr : FindAttribute(AfterPrefix(name, "Back"));
  platform::Colour colour = shape->BrushColour();
  if (!ChooseColour || !ChooseColour(colour)) return;
  shape->SetBrushColour(colour);
  shape->repaint();
  if (fore)
    fore->SetForeground(colour);
  else if (back)
    back->SetBackground(colour);
}

void TColorEdForm::CheckBoxClick(QCheckBox* box) {
  if (!box) return;
  const QString name = box->objectName();
  editor::TEdHighlighterAttributes* attribute = FindAttribute(AfterPrefix(name, "Bold"));
  editor::TFontStyles flag = editor::fsBold;
  if (!attribute) {
    attribute = FindAttribute(AfterPrefix(name, "Italic"));
    flag = editor::fsItalic;
  }
  if (!attribute) return;
  const editor::TFontStyles style = attribute->Style();
  attribute->SetStyle(box->isChecked() ? static_cast<editor::TFontStyles>(style | flag)
                                       : static_cast<editor::TFontStyles>(style & ~flag));
}

void TColorEdForm::SetAttribute(editor::TEdHighlighterAttributes* attribute, editor::TColor background,
                                editor::TColor foreground, editor::TFontStyles style) {
  if (!attribute) return;
  attribute->SetBackground(background);
  attribute->SetForeground(foreground);
  attribute->SetStyle(style);
}

void TColorEdForm::ResetButtonClick() {
  for (const ResetValues& v : kResetValues)
    SetAttribute(FindAttribute(v.name), v.background, v.foreground, v.style);
  RefreshAttributeControls();
}

// ---------------------------------------------------------------------------
// Showing and closing

int TColorEdForm::ShowModal() { return exec(); }

void TColorEdForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  platform::guarded([this] { FormShow(); });
}

void TColorEdForm::FormShow() { RefreshAttributeControls(); }

void TColorEdForm::done(int result) {
  platform::guarded([this] { FormClose(); });
  QDialog::done(result);
}

void TColorEdForm::FormClose() { core::SaveFormState(*this); }

void TColorEdForm::Button1Click() { close(); }

}  // namespace workbench
