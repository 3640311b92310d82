#pragma once
// Keys in the platform's terms: virtual-key codes and a shift state, one
// translation from Qt's key events used by every control (the custom-drawn
// controls and the edit box alike), and the shortcut integer menus compare.
#include <cstdint>
#include <string>

class QKeyEvent;

namespace platform {

// Virtual-key codes. Digits are '0'..'9' (0x30-0x39), letters 'A'..'Z'
// (0x41-0x5A); anything without a code translates to 0.
enum : int {
  VK_BACK = 0x08, VK_TAB = 0x09, VK_RETURN = 0x0D,
  VK_SHIFT = 0x10, VK_CONTROL = 0x11, VK_MENU = 0x12,
  VK_PAUSE = 0x13, VK_CAPITAL = 0x14,
  VK_ESCAPE = 0x1B, VK_SPACE = 0x20,
  VK_PRIOR = 0x21, VK_NEXT = 0x22, VK_END = 0x23, VK_HOME = 0x24,
  VK_LEFT = 0x25, VK_UP = 0x26, VK_RIGHT = 0x27, VK_DOWN = 0x28,
  VK_INSERT = 0x2D, VK_DELETE = 0x2E,
  VK_0 = 0x30, VK_9 = 0x39, VK_A = 0x41, VK_Z = 0x5A,
  VK_NUMPAD0 = 0x60, VK_NUMPAD9 = 0x69,
  VK_MULTIPLY = 0x6A, VK_ADD = 0x6B, VK_SEPARATOR = 0x6C, VK_SUBTRACT = 0x6D,
  VK_DECIMAL = 0x6E, VK_DIVIDE = 0x6F,
  VK_F1 = 0x70, VK_F2, VK_F3, VK_F4, VK_F5, VK_F6, VK_F7, VK_F8, VK_F9, VK_F10,
  VK_F11, VK_F12, VK_F24 = 0x87,
  VK_NUMLOCK = 0x90, VK_SCROLL = 0x91,
};

// Shift state of key and mouse events (a set of flags).
using ShiftState = unsigned;
enum : unsigned {
  ssShift = 0x01, ssAlt = 0x02, ssCtrl = 0x04,
  ssLeft = 0x08, ssRight = 0x10, ssMiddle = 0x20, ssDouble = 0x40,
};

// Shortcut integer: key code plus these modifier bits.
enum : int { scShift = 0x2000, scCtrl = 0x4000, scAlt = 0x8000 };

struct KeyStroke {
  int vk = 0;             // 0: no virtual-key code for this key
  ShiftState shift = 0;   // ssShift / ssCtrl / ssAlt only
  bool keypad = false;    // from the numeric keypad
};

// Qt key event to virtual-key code and shift state. Backtab is Shift+Tab;
// a shifted digit symbol ('!' on Shift+1 ...) maps back to its digit, so
// Shift+1 is VK '1' with ssShift whatever the layout's symbol.
KeyStroke TranslateKey(const QKeyEvent* event);
// The same from a Qt key and modifiers (tests, menus).
KeyStroke TranslateKey(int qtKey, unsigned qtModifiers, bool keypad = false);

// Shortcut integer of a key stroke, and its parts.
int ShortCut(int vk, ShiftState shift);
inline int ShortCut(const KeyStroke& k) { return ShortCut(k.vk, k.shift); }
void ShortCutToKey(int shortcut, int& vk, ShiftState& shift);

// Shift state of the key modifiers outside any event. Tests inject one;
// without an injected value Qt's current modifiers are read.
ShiftState CurrentShiftState();
void SetShiftStateOverride(const ShiftState* state);  // null: read Qt's

// The characters an event carries, as UTF-16 units, with Ctrl+letter made
// 1..26 (Qt reports no text for some of them) and nothing for Alt chords.
// Empty when the key produces no character.
std::u16string KeyChars(const QKeyEvent* event);

}  // namespace platform
