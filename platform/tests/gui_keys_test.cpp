#include "platform/keys.h"

#include <QKeyEvent>
#include <gtest/gtest.h>

namespace platform {
namespace {

struct KeyCase {
  const char* name;
  int qtKey;
  Qt::KeyboardModifiers mods;
  int vk;
  ShiftState shift;
};

TEST(Keys, TranslatesQtKeysToVirtualKeyCodes) {
  const KeyCase cases[] = {
      {"backspace", Qt::Key_Backspace, Qt::NoModifier, VK_BACK, 0},
      {"tab", Qt::Key_Tab, Qt::NoModifier, VK_TAB, 0},
      {"backtab is shift+tab", Qt::Key_Backtab, Qt::NoModifier, VK_TAB, ssShift},
      {"return", Qt::Key_Return, Qt::NoModifier, VK_RETURN, 0},
      {"keypad enter", Qt::Key_Enter, Qt::KeypadModifier, VK_RETURN, 0},
      {"escape", Qt::Key_Escape, Qt::NoModifier, VK_ESCAPE, 0},
      {"space", Qt::Key_Space, Qt::NoModifier, VK_SPACE, 0},
      {"page up", Qt::Key_PageUp, Qt::NoModifier, VK_PRIOR, 0},
      {"page down", Qt::Key_PageDown, Qt::NoModifier, VK_NEXT, 0},
      {"end", Qt::Key_End, Qt::NoModifier, VK_END, 0},
      {"home", Qt::Key_Home, Qt::NoModifier, VK_HOME, 0},
      {"left", Qt::Key_Left, Qt::NoModifier, VK_LEFT, 0},
      {"up", Qt::Key_Up, Qt::NoModifier, VK_UP, 0},
      {"right", Qt::Key_Right, Qt::NoModifier, VK_RIGHT, 0},
      {"down", Qt::Key_Down, Qt::NoModifier, VK_DOWN, 0},
      {"insert", Qt::Key_Insert, Qt::NoModifier, VK_INSERT, 0},
      {"delete", Qt::Key_Delete, Qt::NoModifier, VK_DELETE, 0},
      {"digit", Qt::Key_7, Qt::NoModifier, '7', 0},
      {"letter with ctrl", Qt::Key_C, Qt::ControlModifier, 'C', ssCtrl},
      {"shift+1 symbol maps back to the digit", Qt::Key_Exclam, Qt::ShiftModifier, '1', ssShift},
      {"shift+0 symbol", Qt::Key_ParenRight, Qt::ShiftModifier, '0', ssShift},
      {"keypad 5", Qt::Key_5, Qt::KeypadModifier, 0x65, 0},
      {"keypad minus", Qt::Key_Minus, Qt::KeypadModifier, 0x6D, 0},
      {"F1", Qt::Key_F1, Qt::NoModifier, VK_F1, 0},
      {"F24", Qt::Key_F24, Qt::NoModifier, VK_F24, 0},
      {"alt+shift", Qt::Key_F4, Qt::AltModifier | Qt::ShiftModifier, 0x73, ssAlt | ssShift},
      {"shift key", Qt::Key_Shift, Qt::ShiftModifier, VK_SHIFT, ssShift},
      {"control key", Qt::Key_Control, Qt::ControlModifier, VK_CONTROL, ssCtrl},
      {"num lock", Qt::Key_NumLock, Qt::NoModifier, VK_NUMLOCK, 0},
      {"unmapped symbol", Qt::Key_Comma, Qt::NoModifier, 0, 0},
  };
  for (const KeyCase& c : cases) {
    QKeyEvent e(QEvent::KeyPress, c.qtKey, c.mods);
    const KeyStroke k = TranslateKey(&e);
    EXPECT_EQ(k.vk, c.vk) << c.name;
    EXPECT_EQ(k.shift, c.shift) << c.name;
  }
}

TEST(Keys, ShortcutIntegerRoundTrips) {
  EXPECT_EQ(ShortCut('S', ssCtrl), 0x4053);
  EXPECT_EQ(ShortCut(VK_F5, ssShift | ssAlt), 0x74 + 0x2000 + 0x8000);
  int vk = 0;
  ShiftState s = 0;
  ShortCutToKey(0x4000 + 0x2000 + 'Z', vk, s);
  EXPECT_EQ(vk, 'Z');
  EXPECT_EQ(s, ssCtrl | ssShift);
}

TEST(Keys, CharactersFollowPlatformRules) {
  {
    QKeyEvent e(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a");
    EXPECT_EQ(KeyChars(&e), u"a");
  }
  {  // Ctrl+letter is its control character even without text from Qt
    QKeyEvent e(QEvent::KeyPress, Qt::Key_C, Qt::ControlModifier, "");
    EXPECT_EQ(KeyChars(&e), std::u16string(1, char16_t(3)));
  }
  {  // Alt chords type nothing
    QKeyEvent e(QEvent::KeyPress, Qt::Key_F, Qt::AltModifier, "f");
    EXPECT_TRUE(KeyChars(&e).empty());
  }
  {  // backspace and return are characters; delete is not
    QKeyEvent b(QEvent::KeyPress, Qt::Key_Backspace, Qt::NoModifier, "\b");
    EXPECT_EQ(KeyChars(&b), u"\b");
    QKeyEvent r(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, "\r");
    EXPECT_EQ(KeyChars(&r), u"\r");
    QKeyEvent d(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier, QString(QChar(0x7F)));
    EXPECT_TRUE(KeyChars(&d).empty());
  }
}

TEST(Keys, ShiftStateOutsideEventsCanBeInjected) {
  const ShiftState held = ssCtrl | ssShift;
  SetShiftStateOverride(&held);
  EXPECT_EQ(CurrentShiftState(), held);
  SetShiftStateOverride(nullptr);
  EXPECT_EQ(CurrentShiftState() & ssCtrl, 0u);
}

}  // namespace
}  // namespace platform
