// The single-line edit's key translation and owner hooks, driven by Qt Test
// key events on the offscreen platform.
#include "platform/lineedit.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using platform::LineEdit;

class LineEditTest : public ::testing::Test {
 protected:
  void SetUp() override {
    form = std::make_unique<QWidget>();
    auto* layout = new QVBoxLayout(form.get());
    edit = new LineEdit(form.get());
    other = new LineEdit(form.get());
    layout->addWidget(edit);
    layout->addWidget(other);
    form->show();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    edit->setFocus();
  }
  std::unique_ptr<QWidget> form;
  LineEdit* edit = nullptr;
  LineEdit* other = nullptr;
};

TEST_F(LineEditTest, KeyDownThenCharactersWithShiftState) {
  std::vector<std::pair<int, unsigned>> downs;
  std::u16string chars;
  edit->OnKeyDown = [&](int& key, platform::ShiftState shift) { downs.push_back({key, shift}); };
  edit->OnKeyPress = [&](char16_t& ch) { chars.push_back(ch); };
  QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_A, QStringLiteral("A"), Qt::ShiftModifier);
  QTest::keyClick(edit, Qt::Key_5);
  QTest::keyClick(edit, Qt::Key_Left);
  // The Shift key itself goes down first, as on the platform.
  ASSERT_EQ(downs.size(), 4u);
  EXPECT_EQ(downs[0].first, int(platform::VK_SHIFT));
  EXPECT_EQ(downs[1], std::make_pair(int(platform::VK_A), unsigned(platform::ssShift)));
  EXPECT_EQ(downs[2], std::make_pair(int('5'), 0u));
  EXPECT_EQ(downs[3], std::make_pair(int(platform::VK_LEFT), 0u));
  EXPECT_EQ(chars, u"A5");  // arrows carry no character
  EXPECT_EQ(edit->Text(), "A5");
  EXPECT_EQ(edit->SelStart(), 1);
  EXPECT_TRUE(edit->Modified());
}

TEST_F(LineEditTest, OwnerRefusesOrChangesCharacters) {
  edit->OnKeyPress = [](char16_t& ch) {
    if (ch == u'x') ch = 0;           // refused
    else if (ch == u'a') ch = u'b';   // typed as another
  };
  QTest::keyClicks(edit, "1x2a3");
  EXPECT_EQ(edit->Text(), "12b3");
  EXPECT_EQ(edit->SelStart(), 4);
}

TEST_F(LineEditTest, ConsumedKeyDownStopsTheKey) {
  edit->SetText("abc");
  edit->SetSelStart(3);
  int backs = 0;
  bool charSeen = false;
  edit->OnKeyDown = [&](int& key, platform::ShiftState) {
    if (key == platform::VK_BACK) {
      ++backs;
      key = 0;
    }
  };
  edit->OnKeyPress = [&](char16_t&) { charSeen = true; };
  QTest::keyClick(edit, Qt::Key_Backspace);
  EXPECT_EQ(backs, 1);
  EXPECT_FALSE(charSeen);  // Backspace brings no character 8
  EXPECT_EQ(edit->Text(), "abc");

  // Not consumed: the edit deletes as usual, still without a character.
  edit->OnKeyDown = nullptr;
  QTest::keyClick(edit, Qt::Key_Backspace);
  EXPECT_EQ(edit->Text(), "ab");
  EXPECT_FALSE(charSeen);
}

TEST_F(LineEditTest, ClipboardChordsKeepTheirMeaning) {
  std::u16string chars;
  edit->OnKeyPress = [&](char16_t& ch) { chars.push_back(ch); };
  edit->SetText("hello");
  edit->SetSelStart(0);
  edit->SetSelLength(4);
  EXPECT_EQ(edit->SelText(), "hell");
  QTest::keyClick(edit, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QApplication::clipboard()->text().toStdString(), "hell");
  QTest::keyClick(edit, Qt::Key_X, Qt::ControlModifier);
  EXPECT_EQ(edit->Text(), "o");
  QTest::keyClick(edit, Qt::Key_End);
  QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(edit->Text(), "ohell");
  EXPECT_EQ(chars, (std::u16string{3, 24, 22}));  // Ctrl+letter as 1..26
}

TEST_F(LineEditTest, MaxLengthReadOnlyAndModifiedMark) {
  EXPECT_EQ(edit->MaxLength(), 0);
  edit->SetMaxLength(3);
  QTest::keyClicks(edit, "12345");
  EXPECT_EQ(edit->Text(), "123");
  EXPECT_EQ(edit->MaxLength(), 3);

  edit->SetMaxLength(0);
  edit->SetText("fixed");
  EXPECT_FALSE(edit->Modified());  // setting the text clears the mark
  edit->SetReadOnly(true);
  QTest::keyClicks(edit, "zz");
  QTest::keyClick(edit, Qt::Key_Backspace);
  EXPECT_EQ(edit->Text(), "fixed");
  EXPECT_FALSE(edit->Modified());

  edit->SetReadOnly(false);
  edit->SetSelStart(1);
  edit->SetSelLength(3);
  edit->SetSelText("-");
  EXPECT_EQ(edit->Text(), "f-d");
}

TEST_F(LineEditTest, EnterAndExitOnlyForControlFocusChanges) {
  int enters = 0, exits = 0;
  other->OnEnter = [&] { ++enters; };
  other->OnExit = [&] { ++exits; };
  other->setFocus(Qt::TabFocusReason);
  EXPECT_EQ(enters, 1);
  // A pop-up taking the focus for a while is no exit.
  QFocusEvent popupOut(QEvent::FocusOut, Qt::PopupFocusReason);
  QApplication::sendEvent(other, &popupOut);
  EXPECT_EQ(exits, 0);
  edit->setFocus(Qt::TabFocusReason);
  EXPECT_EQ(exits, 1);
}

class ClaimingEdit : public LineEdit {
 public:
  bool claimEscape = false;

 protected:
  bool WantsKey(int key, platform::ShiftState) override {
    return claimEscape && key == platform::VK_ESCAPE;
  }
};

TEST(LineEditShortcuts, OwnerClaimsKeysFromTheDialog) {
  ClaimingEdit edit;
  QKeyEvent probe(QEvent::ShortcutOverride, Qt::Key_Escape, Qt::NoModifier, "\x1b");
  probe.ignore();
  QApplication::sendEvent(&edit, &probe);
  EXPECT_FALSE(probe.isAccepted());
  edit.claimEscape = true;
  QKeyEvent claimed(QEvent::ShortcutOverride, Qt::Key_Escape, Qt::NoModifier, "\x1b");
  claimed.ignore();
  QApplication::sendEvent(&edit, &claimed);
  EXPECT_TRUE(claimed.isAccepted());
}

}  // namespace
