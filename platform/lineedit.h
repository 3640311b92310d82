#pragma once
// The platform's single-line edit control: a QLineEdit that reports its keys
// in the platform's terms. Each key press goes through KeyDown (virtual-key
// code and shift state; Backspace is delivered only here), then KeyPress once
// for every character it carries; setting the key or character to 0 consumes
// it, changing the character types another one. What is not consumed gets the
// QLineEdit behaviour, so Ctrl+C, Ctrl+V and Ctrl+X, selection, undo and the
// maximum length work as usual.
#include <QLineEdit>

#include <functional>
#include <string>

#include "platform/keys.h"

namespace platform {

class LineEdit : public QLineEdit {
 public:
  explicit LineEdit(QWidget* parent = nullptr);
  ~LineEdit() override;

  // Text in UTF-8.
  std::string Text() const;
  void SetText(const std::string& text);   // clears the modified mark, as the platform does

  // Selection in characters (UTF-16 units) from 0; the caret stands at
  // SelStart + SelLength.
  int SelStart() const;
  int SelLength() const;
  void SetSelStart(int start);              // collapses the selection there
  void SetSelLength(int length);            // from SelStart
  void SelectAll() { selectAll(); }
  std::string SelText() const;
  void SetSelText(const std::string& text); // replaces the selection, as typing would

  bool Modified() const { return isModified(); }
  void SetModified(bool modified) { setModified(modified); }
  int MaxLength() const;                    // 0: no limit
  void SetMaxLength(int length);
  bool ReadOnly() const { return isReadOnly(); }
  void SetReadOnly(bool readOnly) { setReadOnly(readOnly); }

  // Events for owners that do not derive from the control. The handlers
  // below call them; a derived control that overrides a handler decides
  // itself whether to call the base.
  std::function<void(int& key, ShiftState shift)> OnKeyDown;
  std::function<void(char16_t& ch)> OnKeyPress;
  std::function<void(int& key, ShiftState shift)> OnKeyUp;
  std::function<void()> OnEnter;   // the control received the focus
  std::function<void()> OnExit;    // the focus moved to another control
  std::function<void()> OnChange;  // the text changed (by the user or the program)

 protected:
  virtual void KeyDown(int& key, ShiftState shift);
  virtual void KeyPress(char16_t& ch);
  virtual void KeyUp(int& key, ShiftState shift);
  // Focus moving between controls. Not called when the window as a whole
  // loses or regains activation, nor when a pop-up takes the focus for a
  // while: the focus has not left the control then. The control that gets
  // the focus as its window first opens is entered too.
  virtual void DoEnter();
  virtual void DoExit();
  // Whether the control claims a key a dialog would otherwise take as a
  // shortcut (Escape for cancel, Enter for the default button).
  virtual bool WantsKey(int key, ShiftState shift);

  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  bool event(QEvent* event) override;

 private:
  void TypeCharacters(QKeyEvent* event, const std::u16string& chars);

  // Between DoEnter and DoExit: the control is its window's focused control.
  bool entered_ = false;
};

}  // namespace platform
