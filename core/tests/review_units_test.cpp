// The formatted edit box inside a real dialog: the box that has the focus
// when the dialog opens is entered like any other, so Escape can restore its
// text, and a visit to the box lasts while the window loses and regains the
// activation.
#include <QDialog>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "core/fmtedit.h"
#include "platform/dialogs.h"
#include "platform/timers.h"

namespace {

using namespace core;

class ReviewDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dialog = std::make_unique<QDialog>();
    auto* layout = new QVBoxLayout(dialog.get());
    edit = new TFmtEdit(dialog.get());
    other = new TFmtEdit(dialog.get());
    layout->addWidget(edit);
    layout->addWidget(other);
  }
  // As dialogs do: the values are set first, then the dialog opens with the
  // focus on its first box.
  void Open() {
    dialog->show();
    dialog->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    ASSERT_TRUE(edit->hasFocus());
  }
  platform::MessageCapture capture;
  std::unique_ptr<QDialog> dialog;
  TFmtEdit* edit = nullptr;
  TFmtEdit* other = nullptr;
};

TEST_F(ReviewDialogTest, EscapeUndoesTypingBeforeItClosesTheDialog) {
  edit->SetText("12.5");
  Open();
  EXPECT_EQ(edit->EntryText(), "12.5");
  QTest::keyClicks(edit, "7");
  ASSERT_TRUE(edit->Modified());
  QTest::keyClick(edit, Qt::Key_Escape);
  EXPECT_EQ(edit->Text(), "12.5");
  EXPECT_TRUE(dialog->isVisible());   // the first Escape belonged to the box
  QTest::keyClick(edit, Qt::Key_Escape);
  EXPECT_FALSE(dialog->isVisible());  // the second one closes the dialog
  EXPECT_EQ(dialog->result(), QDialog::Rejected);
}

TEST_F(ReviewDialogTest, LeavingAndComingBackToTheWindowIsNoEntry) {
  edit->SetText("1.0");
  Open();
  QTest::keyClicks(edit, "5");
  // Another window takes the activation and gives it back: still the same
  // visit to the box, so the entry text and the typing stay.
  QWidget elsewhere;
  elsewhere.show();
  elsewhere.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&elsewhere));
  dialog->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
  EXPECT_TRUE(edit->Modified());
  QTest::keyClick(edit, Qt::Key_Escape);
  EXPECT_EQ(edit->Text(), "1.0");

  // Closed and opened again, the box is entered anew.
  dialog->hide();
  edit->SetText("2.0");
  dialog->show();
  dialog->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
  edit->setFocus();
  EXPECT_EQ(edit->EntryText(), "2.0");
}

}  // namespace
