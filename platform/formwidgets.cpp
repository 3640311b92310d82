#include "platform/formwidgets.h"

#include <algorithm>

#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextLayout>

#include "platform/guard.h"

namespace platform {

namespace {

ShiftState MouseShift(const QMouseEvent* e) {
  ShiftState s = 0;
  const Qt::KeyboardModifiers m = e->modifiers();
  if (m & Qt::ShiftModifier) s |= ssShift;
  if (m & Qt::ControlModifier) s |= ssCtrl;
  if (m & Qt::AltModifier) s |= ssAlt;
  const Qt::MouseButtons b = e->buttons();
  if (b & Qt::LeftButton) s |= ssLeft;
  if (b & Qt::RightButton) s |= ssRight;
  if (b & Qt::MiddleButton) s |= ssMiddle;
  return s;
}

void Fire(const std::function<void()>& f) {
  if (f) guarded(f);
}

bool ReleasedInside(const QWidget* w, const QMouseEvent* e) {
  return e->button() == Qt::LeftButton && w->rect().contains(e->position().toPoint());
}

}  // namespace

bool FormKeyConsumed(const FormWidgetEvents& events, QKeyEvent* event) {
  if (!events.OnKeyDown) return false;
  const KeyStroke stroke = TranslateKey(event);
  if (stroke.vk == 0) return false;
  int key = stroke.vk;
  guarded([&] { events.OnKeyDown(key, stroke.shift); });
  if (key != 0) return false;
  event->accept();
  return true;
}

void FormFocusChanged(const std::function<void()>& handler, const QFocusEvent* event) {
  // Only the focus moving between controls counts, not the window being
  // (de)activated or a pop-up taking the focus for a while.
  const Qt::FocusReason reason = event->reason();
  if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason) return;
  Fire(handler);
}

void FormMouseMoved(const std::function<void(ShiftState, int, int)>& handler,
                    const QMouseEvent* event) {
  if (!handler) return;
  const QPoint p = event->position().toPoint();
  guarded([&] { handler(MouseShift(event), p.x(), p.y()); });
}

// ---------------------------------------------------------------- FormEdit

FormEdit::FormEdit(QWidget* parent, bool password) : LineEdit(parent) {
  if (password) setEchoMode(QLineEdit::Password);
  setMouseTracking(true);
}

void FormEdit::mouseReleaseEvent(QMouseEvent* event) {
  LineEdit::mouseReleaseEvent(event);
  if (ReleasedInside(this, event)) Fire(OnClick);
}

void FormEdit::mouseMoveEvent(QMouseEvent* event) {
  LineEdit::mouseMoveEvent(event);
  FormMouseMoved(OnMouseMove, event);
}

// ------------------------------------------------------ buttons and boxes

FormButton::FormButton(QWidget* parent) : FormWidget(parent) {
  setAutoDefault(false);
  connect(this, &QAbstractButton::clicked, this, [this] { Fire(OnClick); });
}

std::string FormButton::Caption() const { return text().toStdString(); }

void FormButton::SetCaption(const std::string& caption) { setText(QString::fromStdString(caption)); }

FormCheckBox::FormCheckBox(QWidget* parent) : FormWidget(parent) {
  connect(this, &QAbstractButton::clicked, this, [this] { Fire(OnClick); });
}

FormRadioButton::FormRadioButton(QWidget* parent) : FormWidget(parent) {
  setAutoExclusive(false);
  connect(this, &QAbstractButton::clicked, this, [this] { Fire(OnClick); });
}

void FormRadioButton::nextCheckState() { setChecked(true); }

// ------------------------------------------------------------- FormListBox

FormListBox::FormListBox(QWidget* parent) : FormWidget(parent) {
  setSelectionMode(QAbstractItemView::SingleSelection);
  setUniformItemSizes(true);
}

void FormListBox::SetMultiSelect(bool multi) {
  setSelectionMode(multi ? QAbstractItemView::ExtendedSelection
                         : QAbstractItemView::SingleSelection);
}

void FormListBox::AddItem(const std::string& text) { addItem(QString::fromStdString(text)); }

bool FormListBox::Selected(int index) const {
  const QListWidgetItem* it = item(index);
  return it && it->isSelected();
}

void FormListBox::SetSelected(int index, bool selected) {
  if (QListWidgetItem* it = item(index)) it->setSelected(selected);
}

int FormListBox::ItemIndex() const { return currentRow(); }

void FormListBox::SetItemIndex(int index) {
  if (index < 0 || index >= count()) {
    setCurrentRow(-1);
    if (!MultiSelect()) clearSelection();
    return;
  }
  if (MultiSelect())
    setCurrentRow(index, QItemSelectionModel::Current);
  else
    setCurrentRow(index);
}

void FormListBox::SetTopIndex(int index) {
  if (QListWidgetItem* it = item(index)) scrollToItem(it, QAbstractItemView::PositionAtTop);
}

int FormListBox::TopIndex() const {
  const QListWidgetItem* it = itemAt(QPoint(1, 1));
  return it ? row(it) : (count() > 0 ? 0 : -1);
}

void FormListBox::mouseReleaseEvent(QMouseEvent* event) {
  QListWidget::mouseReleaseEvent(event);
  if (ReleasedInside(this, event)) Fire(OnClick);
}

// ------------------------------------------------------------ FormComboBox

FormComboBox::FormComboBox(QWidget* parent) : FormWidget(parent) { setEditable(false); }

void FormComboBox::AddItem(const std::string& text) { addItem(QString::fromStdString(text)); }

void FormComboBox::mousePressEvent(QMouseEvent* event) {
  // The release goes to the list that drops down, so the press is the click.
  const bool left = event->button() == Qt::LeftButton;
  QComboBox::mousePressEvent(event);
  if (left) Fire(OnClick);
}

// ---------------------------------------------------------------- FormMemo

FormMemo::FormMemo(QWidget* parent) : FormWidget(parent) {
  setTabChangesFocus(true);
  setLineWrapMode(QPlainTextEdit::WidgetWidth);
  setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
}

std::string FormMemo::Text() const {
  // Lines end in CR LF, as the forms send them.
  return toPlainText().replace(QChar(u'\n'), QStringLiteral("\r\n")).toStdString();
}

void FormMemo::SetText(const std::string& text) {
  QString s = QString::fromStdString(text);
  s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  s.replace(QChar(u'\r'), QChar(u'\n'));
  setPlainText(s);
}

void FormMemo::SetWordWrap(bool on) {
  setLineWrapMode(on ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
}

std::vector<std::string> FormMemo::DisplayedLines() const {
  std::vector<std::string> lines;
  // Laid out here rather than read from the widget's own layout: a hidden
  // control has laid out nothing yet, and the result must not depend on
  // whether it has been shown.
  const qreal margin = document()->documentMargin();
  int width = contentsRect().width();
  if (verticalScrollBar()->isVisibleTo(this)) width -= verticalScrollBar()->width();
  const qreal lineWidth = std::max<qreal>(1, width - 2 * margin - cursorWidth());
  QTextOption option = document()->defaultTextOption();
  option.setWrapMode(WordWrap() ? QTextOption::WrapAtWordBoundaryOrAnywhere : QTextOption::NoWrap);
  for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
    const QString text = block.text();
    if (!WordWrap() || text.isEmpty()) {
      lines.push_back(text.toStdString());
      continue;
    }
    QTextLayout layout(text, document()->defaultFont());
    layout.setTextOption(option);
    layout.beginLayout();
    std::vector<std::pair<int, int>> spans;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
      line.setLineWidth(lineWidth);
      spans.emplace_back(line.textStart(), line.textLength());
    }
    layout.endLayout();
    for (const auto& [start, length] : spans) lines.push_back(text.mid(start, length).toStdString());
  }
  return lines;
}

void FormMemo::mouseReleaseEvent(QMouseEvent* event) {
  QPlainTextEdit::mouseReleaseEvent(event);
  if (ReleasedInside(this, event)) Fire(OnClick);
}

}  // namespace platform
