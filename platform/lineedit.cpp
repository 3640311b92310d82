#include "platform/lineedit.h"

#include <QFocusEvent>
#include <QHideEvent>
#include <QKeyEvent>

#include <algorithm>

#include "platform/guard.h"

namespace platform {

namespace {

// The focus left or reached the control itself, not just its window.
bool ControlFocusChange(Qt::FocusReason reason) {
  return reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason;
}

}  // namespace

LineEdit::LineEdit(QWidget* parent) : QLineEdit(parent) {
  connect(this, &QLineEdit::textChanged, this, [this] {
    if (OnChange) OnChange();
  });
}

LineEdit::~LineEdit() = default;

std::string LineEdit::Text() const { return text().toStdString(); }

void LineEdit::SetText(const std::string& text) { setText(QString::fromStdString(text)); }

int LineEdit::SelStart() const { return hasSelectedText() ? selectionStart() : cursorPosition(); }

int LineEdit::SelLength() const { return hasSelectedText() ? selectionLength() : 0; }

void LineEdit::SetSelStart(int start) {
  deselect();
  setCursorPosition(std::clamp(start, 0, static_cast<int>(text().size())));
}

void LineEdit::SetSelLength(int length) {
  const int start = SelStart();
  if (length <= 0)
    SetSelStart(start);
  else
    setSelection(start, length);
}

std::string LineEdit::SelText() const { return selectedText().toStdString(); }

void LineEdit::SetSelText(const std::string& text) { insert(QString::fromStdString(text)); }

int LineEdit::MaxLength() const {
  // QLineEdit's "no limit" is its own large default.
  return maxLength() >= 32767 ? 0 : maxLength();
}

void LineEdit::SetMaxLength(int length) { setMaxLength(length <= 0 ? 32767 : length); }

void LineEdit::KeyDown(int& key, ShiftState shift) {
  if (OnKeyDown) OnKeyDown(key, shift);
}

void LineEdit::KeyPress(char16_t& ch) {
  if (OnKeyPress) OnKeyPress(ch);
}

void LineEdit::KeyUp(int& key, ShiftState shift) {
  if (OnKeyUp) OnKeyUp(key, shift);
}

void LineEdit::DoEnter() {
  if (OnEnter) OnEnter();
}

void LineEdit::DoExit() {
  if (OnExit) OnExit();
}

bool LineEdit::WantsKey(int, ShiftState) { return false; }

void LineEdit::keyPressEvent(QKeyEvent* event) {
  // A handler's failure must not cross into Qt's event loop: it is reported
  // and the key is dropped.
  event->accept();
  guarded([&] {
    const KeyStroke stroke = TranslateKey(event);
    int key = stroke.vk;
    if (key != 0) {
      KeyDown(key, stroke.shift);
      if (key == 0) {
        event->accept();
        return;
      }
    }
    // Backspace is a key-down matter only: no character follows it.
    const std::u16string chars = stroke.vk == VK_BACK ? std::u16string() : KeyChars(event);
    if (chars.empty()) {
      QLineEdit::keyPressEvent(event);
      return;
    }
    TypeCharacters(event, chars);
  });
}

void LineEdit::TypeCharacters(QKeyEvent* event, const std::u16string& chars) {
  std::u16string typed;
  bool asDelivered = true;
  for (char16_t original : chars) {
    char16_t ch = original;
    KeyPress(ch);
    if (ch != original) asDelivered = false;
    if (ch != 0) typed.push_back(ch);
  }
  if (asDelivered) {
    // Unchanged characters keep every QLineEdit meaning, the clipboard
    // chords and Enter's and Escape's passing to the dialog included.
    QLineEdit::keyPressEvent(event);
    return;
  }
  event->accept();
  if (typed.empty() || isReadOnly()) return;
  // Only printable characters are typed; control characters the owner let
  // through (or made) have no text of their own.
  QString text;
  for (char16_t ch : typed)
    if (ch >= 0x20 && ch != 0x7F) text.append(QChar(ch));
  if (!text.isEmpty()) insert(text);
}

void LineEdit::keyReleaseEvent(QKeyEvent* event) {
  event->accept();
  guarded([&] {
    const KeyStroke stroke = TranslateKey(event);
    int key = stroke.vk;
    if (key != 0) KeyUp(key, stroke.shift);
    if (key == 0 && stroke.vk != 0) return;
    QLineEdit::keyReleaseEvent(event);
  });
}

void LineEdit::focusInEvent(QFocusEvent* event) {
  QLineEdit::focusInEvent(event);
  // The first control of a window that opens gets the focus as the window is
  // activated; it is entered all the same. Coming back to the window enters
  // nothing: the control never left.
  if (entered_) return;
  entered_ = true;
  guarded([this] { DoEnter(); });
}

void LineEdit::focusOutEvent(QFocusEvent* event) {
  QLineEdit::focusOutEvent(event);
  if (!entered_ || !ControlFocusChange(event->reason())) return;
  entered_ = false;
  guarded([this] { DoExit(); });
}

void LineEdit::hideEvent(QHideEvent* event) {
  QLineEdit::hideEvent(event);
  // A window closed with the control focused: shown again, it is entered anew.
  entered_ = false;
}

bool LineEdit::event(QEvent* event) {
  if (event->type() == QEvent::ShortcutOverride) {
    const KeyStroke stroke = TranslateKey(static_cast<QKeyEvent*>(event));
    bool claimed = false;
    guarded([&] { claimed = stroke.vk != 0 && WantsKey(stroke.vk, stroke.shift); });
    if (claimed) {
      event->accept();
      return true;
    }
  }
  return QLineEdit::event(event);
}

}  // namespace platform
