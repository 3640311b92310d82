// The dialogs sized so that their texts fit with the fonts this platform
// has: each is shown offscreen at its own size, and the texts a new user
// reads must not be cut. With DRAVLEN_TEST_SHOTS set to a folder, each
// dialog is also saved there as a PNG to be looked at.
#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "core/environment.h"
#include "core/fmtedit.h"
#include "core/refriglib.h"
#include "platform/dialogs.h"
#include "platform/guard.h"
#include "reflib_helpers.h"
#include "testsupport/testenv.h"
#include "workbench/emailform.h"
#include "workbench/refrigtypeform.h"
#include "workbench/smtpcontrol.h"

namespace {

void Shoot(QWidget& widget, const char* name) {
  const char* folder = std::getenv("DRAVLEN_TEST_SHOTS");
  if (folder == nullptr || *folder == '\0') return;
  widget.grab().save(QString::fromStdString(std::string(folder) + "/" + name + ".png"));
}

// Every line of the memo fits its visible width: no sideways scroll.
void ExpectLinesFit(const QPlainTextEdit& memo) {
  const QFontMetrics metrics(memo.font());
  const int room = memo.viewport()->width() - 2 * static_cast<int>(memo.document()->documentMargin());
  for (QTextBlock block = memo.document()->begin(); block.isValid(); block = block.next())
    EXPECT_LE(metrics.horizontalAdvance(block.text()), room) << block.text().toStdString();
  EXPECT_EQ(memo.horizontalScrollBar()->maximum(), 0);
}

class DialogSizeTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    core::InitEnvironment();
    workbench::InitSMTPControl();
  }
  static void TearDownTestSuite() { workbench::DoneSMTPControl(); }
  void SetUp() override { platform::TakeReportedErrors(); }
  void TearDown() override { EXPECT_TRUE(platform::TakeReportedErrors().empty()); }
  platform::MessageCapture boxes_;
};

TEST_F(DialogSizeTest, TheRefrigerantPropertiesAndTheKpaLabelAreNotCut) {
  reflibfixture::Init();
  {
    workbench::TRefrigTypeForm form;
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    form.FormActivate();
    QApplication::processEvents();
    const std::string memo = form.Memo()->toPlainText().toStdString();
    ASSERT_NE(memo.find("Critical Pressure = "), std::string::npos);
    ExpectLinesFit(*form.Memo());
    QLabel* units = form.PressUnits();
    EXPECT_EQ(units->text().toStdString(), "kPa");
    EXPECT_GE(units->contentsRect().width(), units->fontMetrics().horizontalAdvance(units->text()));
    Shoot(form, "refrigerant");
  }
  reflibfixture::Done();
}

TEST_F(DialogSizeTest, AttachmentNamesShowWholeAndThePathColumnTakesTheRest) {
  workbench::TEmailForm form(nullptr);
  const std::string name = "Northfield NHR R22 high temperature range.ini";
  const std::string path = testsupport::MakeTempDir("mail") + "/" + name;
  testsupport::WriteAll(path, "[Header]\n");
  form.SetupMessage("someone@example.com", "", "Compressor data file", "Please check.", path, "A", "B", "c@example.com");
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  QApplication::processEvents();
  QTreeWidget* list = form.AttachmentList;
  ASSERT_EQ(list->topLevelItemCount(), 1);
  const QRect nameRect = list->visualItemRect(list->topLevelItem(0));
  EXPECT_GT(nameRect.width(), 0);
  // The name column holds the icon and the whole name.
  const int needed = list->fontMetrics().horizontalAdvance(QString::fromStdString(name)) + list->iconSize().width();
  EXPECT_GE(list->columnWidth(0), needed);
  // Both status panels fit the dialog.
  EXPECT_GE(form.width(), 240 + 400);
  Shoot(form, "email");
}

}  // namespace
