#pragma once
// The native controls of the viewer's HTML forms: thin Qt widgets that report
// focus, clicks, keys and mouse moves through std::function events in the
// platform's terms (virtual-key codes, shift state), as the edit box does.
// Each handler runs through guarded(). Focus events fire only when the focus
// moves between controls, not when the window as a whole is (de)activated.
//
// Keys: OnKeyDown sees every key first; setting the key to 0 consumes it,
// otherwise the widget's own behaviour follows (Space toggles a check box,
// the arrows move inside a list, ...).
#include <functional>
#include <string>
#include <vector>

#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

#include "platform/keys.h"
#include "platform/lineedit.h"

class QFocusEvent;
class QKeyEvent;
class QMouseEvent;

namespace platform {

// The events every form widget reports (FormEdit takes OnEnter, OnExit and
// OnKeyDown from the edit box it is).
struct FormWidgetEvents {
  std::function<void()> OnEnter;   // the control received the focus
  std::function<void()> OnExit;    // the focus moved to another control
  std::function<void()> OnClick;   // mouse click (buttons: also Space)
  std::function<void(int& key, ShiftState shift)> OnKeyDown;
  // x, y in the widget's coordinates.
  std::function<void(ShiftState shift, int x, int y)> OnMouseMove;
};

// The handlers every form widget shares, in the .cpp.
bool FormKeyConsumed(const FormWidgetEvents& events, QKeyEvent* event);
void FormFocusChanged(const std::function<void()>& handler, const QFocusEvent* event);
void FormMouseMoved(const std::function<void(ShiftState, int, int)>& handler,
                    const QMouseEvent* event);

// A Qt widget that reports its keys, focus changes and mouse moves.
template <class Base>
class FormWidget : public Base, public FormWidgetEvents {
 public:
  explicit FormWidget(QWidget* parent = nullptr) : Base(parent) { this->setMouseTracking(true); }

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    if (!FormKeyConsumed(*this, event)) Base::keyPressEvent(event);
  }
  void focusInEvent(QFocusEvent* event) override {
    Base::focusInEvent(event);
    FormFocusChanged(OnEnter, event);
  }
  void focusOutEvent(QFocusEvent* event) override {
    Base::focusOutEvent(event);
    FormFocusChanged(OnExit, event);
  }
  void mouseMoveEvent(QMouseEvent* event) override {
    Base::mouseMoveEvent(event);
    FormMouseMoved(OnMouseMove, event);
  }
};

// Single-line edit; the password form shows bullets instead of the text.
class FormEdit : public LineEdit {
 public:
  explicit FormEdit(QWidget* parent = nullptr, bool password = false);
  bool Password() const { return echoMode() == QLineEdit::Password; }

  std::function<void()> OnClick;
  std::function<void(ShiftState shift, int x, int y)> OnMouseMove;

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
};

class FormButton : public FormWidget<QPushButton> {
 public:
  explicit FormButton(QWidget* parent = nullptr);
  std::string Caption() const;
  void SetCaption(const std::string& caption);
};

class FormCheckBox : public FormWidget<QCheckBox> {
 public:
  explicit FormCheckBox(QWidget* parent = nullptr);
  bool Checked() const { return isChecked(); }
  // Does not fire OnClick.
  void SetChecked(bool checked) { setChecked(checked); }
};

// A radio button that knows nothing of its neighbours: Qt's automatic
// exclusivity is off (the form keeps its groups by name), and a click
// checks it but never unchecks it.
class FormRadioButton : public FormWidget<QRadioButton> {
 public:
  explicit FormRadioButton(QWidget* parent = nullptr);
  bool Checked() const { return isChecked(); }
  void SetChecked(bool checked) { setChecked(checked); }
  // Whether Tab stops at the button.
  bool TabStop() const { return focusPolicy() != Qt::NoFocus && (focusPolicy() & Qt::TabFocus); }
  void SetTabStop(bool on) { setFocusPolicy(on ? Qt::StrongFocus : Qt::ClickFocus); }
  std::string GroupName;

 protected:
  void nextCheckState() override;
};

class FormListBox : public FormWidget<QListWidget> {
 public:
  explicit FormListBox(QWidget* parent = nullptr);
  // Several items with Shift and Ctrl (extended selection), or one.
  void SetMultiSelect(bool multi);
  bool MultiSelect() const { return selectionMode() == QAbstractItemView::ExtendedSelection; }
  int ItemCount() const { return count(); }
  void Clear() { clear(); }
  void AddItem(const std::string& text);
  bool Selected(int index) const;
  void SetSelected(int index, bool selected);
  void ClearSelection() { clearSelection(); }
  // The current item (-1 none); setting it selects it alone in a single list.
  int ItemIndex() const;
  void SetItemIndex(int index);
  void SetTopIndex(int index);
  int TopIndex() const;

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
};

// A drop-down list whose text can only be chosen from the list.
class FormComboBox : public FormWidget<QComboBox> {
 public:
  explicit FormComboBox(QWidget* parent = nullptr);
  int ItemCount() const { return count(); }
  void Clear() { clear(); }
  void AddItem(const std::string& text);
  int ItemIndex() const { return currentIndex(); }
  void SetItemIndex(int index) { setCurrentIndex(index); }

 protected:
  void mousePressEvent(QMouseEvent* event) override;
};

// A multi-line edit. Its lines as displayed (wrapped at the control's width
// when word wrap is on) can be read back, for forms that send them.
class FormMemo : public FormWidget<QPlainTextEdit> {
 public:
  explicit FormMemo(QWidget* parent = nullptr);
  // Lines separated by CR LF, CR or LF.
  std::string Text() const;
  void SetText(const std::string& text);
  void SetWordWrap(bool on);
  bool WordWrap() const { return lineWrapMode() != QPlainTextEdit::NoWrap; }
  // The lines as the control shows them at its current width.
  std::vector<std::string> DisplayedLines() const;

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
};

}  // namespace platform
