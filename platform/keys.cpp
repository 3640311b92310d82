#include "platform/keys.h"

#include <QGuiApplication>
#include <QKeyEvent>

#include <optional>

namespace platform {

namespace {

ShiftState ShiftFromModifiers(unsigned mods) {
  ShiftState s = 0;
  if (mods & Qt::ShiftModifier) s |= ssShift;
  if (mods & Qt::ControlModifier) s |= ssCtrl;
  if (mods & Qt::AltModifier) s |= ssAlt;
  return s;
}

// US-layout symbols on the digit row: Shift+digit keys arrive as these.
int DigitOfShiftedSymbol(int key) {
  switch (key) {
    case Qt::Key_Exclam: return '1';
    case Qt::Key_At: return '2';
    case Qt::Key_NumberSign: return '3';
    case Qt::Key_Dollar: return '4';
    case Qt::Key_Percent: return '5';
    case Qt::Key_AsciiCircum: return '6';
    case Qt::Key_Ampersand: return '7';
    case Qt::Key_Asterisk: return '8';
    case Qt::Key_ParenLeft: return '9';
    case Qt::Key_ParenRight: return '0';
    default: return 0;
  }
}

int KeypadCode(int key) {
  if (key >= Qt::Key_0 && key <= Qt::Key_9) return VK_NUMPAD0 + (key - Qt::Key_0);
  switch (key) {
    case Qt::Key_Asterisk: return VK_MULTIPLY;
    case Qt::Key_Plus: return VK_ADD;
    case Qt::Key_Comma: return VK_SEPARATOR;
    case Qt::Key_Minus: return VK_SUBTRACT;
    case Qt::Key_Period: return VK_DECIMAL;
    case Qt::Key_Slash: return VK_DIVIDE;
    default: return 0;
  }
}

int PlainCode(int key) {
  if (key >= Qt::Key_0 && key <= Qt::Key_9) return key;  // same values
  if (key >= Qt::Key_A && key <= Qt::Key_Z) return key;
  if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return VK_F1 + (key - Qt::Key_F1);
  switch (key) {
    case Qt::Key_Backspace: return VK_BACK;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return VK_TAB;
    case Qt::Key_Return:
    case Qt::Key_Enter: return VK_RETURN;
    case Qt::Key_Shift: return VK_SHIFT;
    case Qt::Key_Control: return VK_CONTROL;
    case Qt::Key_Alt: return VK_MENU;
    case Qt::Key_Pause: return VK_PAUSE;
    case Qt::Key_CapsLock: return VK_CAPITAL;
    case Qt::Key_Escape: return VK_ESCAPE;
    case Qt::Key_Space: return VK_SPACE;
    case Qt::Key_PageUp: return VK_PRIOR;
    case Qt::Key_PageDown: return VK_NEXT;
    case Qt::Key_End: return VK_END;
    case Qt::Key_Home: return VK_HOME;
    case Qt::Key_Left: return VK_LEFT;
    case Qt::Key_Up: return VK_UP;
    case Qt::Key_Right: return VK_RIGHT;
    case Qt::Key_Down: return VK_DOWN;
    case Qt::Key_Insert: return VK_INSERT;
    case Qt::Key_Delete: return VK_DELETE;
    case Qt::Key_NumLock: return VK_NUMLOCK;
    case Qt::Key_ScrollLock: return VK_SCROLL;
    default: return 0;
  }
}

std::optional<ShiftState>& ShiftOverride() {
  static std::optional<ShiftState> value;
  return value;
}

}  // namespace

KeyStroke TranslateKey(int qtKey, unsigned qtModifiers, bool keypad) {
  KeyStroke k;
  k.shift = ShiftFromModifiers(qtModifiers);
  k.keypad = keypad || (qtModifiers & Qt::KeypadModifier);
  if (qtKey == Qt::Key_Backtab) k.shift |= ssShift;
  if (k.keypad) k.vk = KeypadCode(qtKey);
  if (k.vk == 0 && (k.shift & ssShift)) k.vk = DigitOfShiftedSymbol(qtKey);
  if (k.vk == 0) k.vk = PlainCode(qtKey);
  return k;
}

KeyStroke TranslateKey(const QKeyEvent* event) {
  if (!event) return {};
  KeyStroke k = TranslateKey(event->key(), static_cast<unsigned>(event->modifiers().toInt()));
  // A modifier key counts as held while it is down, as the platform reports
  // it (Qt reports the state before the key).
  ShiftState own = 0;
  if (event->key() == Qt::Key_Shift) own = ssShift;
  if (event->key() == Qt::Key_Control) own = ssCtrl;
  if (event->key() == Qt::Key_Alt) own = ssAlt;
  if (event->type() == QEvent::KeyRelease)
    k.shift &= ~own;
  else
    k.shift |= own;
  return k;
}

int ShortCut(int vk, ShiftState shift) {
  int sc = vk & 0x1FFF;
  if (shift & ssShift) sc |= scShift;
  if (shift & ssCtrl) sc |= scCtrl;
  if (shift & ssAlt) sc |= scAlt;
  return sc;
}

void ShortCutToKey(int shortcut, int& vk, ShiftState& shift) {
  vk = shortcut & 0x1FFF;
  shift = 0;
  if (shortcut & scShift) shift |= ssShift;
  if (shortcut & scCtrl) shift |= ssCtrl;
  if (shortcut & scAlt) shift |= ssAlt;
}

ShiftState CurrentShiftState() {
  if (ShiftOverride()) return *ShiftOverride();
  return ShiftFromModifiers(static_cast<unsigned>(QGuiApplication::queryKeyboardModifiers().toInt()));
}

void SetShiftStateOverride(const ShiftState* state) {
  if (state)
    ShiftOverride() = *state;
  else
    ShiftOverride().reset();
}

std::u16string KeyChars(const QKeyEvent* event) {
  if (!event) return {};
  const auto mods = event->modifiers();
  const bool ctrl = mods & Qt::ControlModifier;
  const bool alt = mods & Qt::AltModifier;
  const int key = event->key();
  if (ctrl && !alt) {
    // Ctrl+letter is a control character whatever text Qt attached.
    if (key >= Qt::Key_A && key <= Qt::Key_Z) return std::u16string(1, char16_t(key - Qt::Key_A + 1));
    return {};
  }
  // Alt chords are commands, not characters (Ctrl+Alt is AltGr and types).
  if (alt && !ctrl) return {};
  std::u16string out;
  const QString text = event->text();
  for (QChar c : text) {
    const char16_t u = c.unicode();
    // Only the control characters the platform delivers as characters pass.
    if (u < 0x20 && u != 0x08 && u != 0x09 && u != 0x0D && u != 0x1B) continue;
    if (u == 0x7F) continue;
    out.push_back(u);
  }
  return out;
}

}  // namespace platform
