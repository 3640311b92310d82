// The dialogs sized so that their texts fit with the fonts this platform
// has: each is shown offscreen at its own size, and the texts a new user
// reads must not be cut. With DRAVLEN_TEST_SHOTS set to a folder, each
// dialog is also saved there as a PNG to be looked at.
#include <QAbstractButton>
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
#include "core/comp.h"
#include "testsupport/catalogs.h"
#include "workbench/coloredform.h"
#include "workbench/compform.h"
#include "workbench/emailform.h"
#include "workbench/installedform.h"
#include "workbench/smtpsettingsform.h"
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

// No visible label or button of the dialog is narrower than its text needs.
void ExpectNoClippedTexts(QWidget& dialog) {
  for (QLabel* label : dialog.findChildren<QLabel*>()) {
    if (!label->isVisibleTo(&dialog) || label->text().isEmpty() || label->wordWrap() || !label->pixmap().isNull())
      continue;
    const int needed = label->fontMetrics().horizontalAdvance(label->text().remove('&'));
    EXPECT_GE(label->contentsRect().width(), needed) << dialog.objectName().toStdString() << ": "
                                                     << label->text().toStdString();
  }
  for (QAbstractButton* button : dialog.findChildren<QAbstractButton*>()) {
    if (!button->isVisibleTo(&dialog) || button->text().isEmpty()) continue;
    const int needed = button->fontMetrics().horizontalAdvance(button->text().remove('&')) + 8 +
                       (button->icon().isNull() ? 0 : button->iconSize().width());
    EXPECT_GE(button->width(), needed)
        << dialog.objectName().toStdString() << ": " << button->text().toStdString();
  }
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
    ExpectNoClippedTexts(form);
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
  ExpectNoClippedTexts(form);
  Shoot(form, "email");
}

TEST_F(DialogSizeTest, TheOtherDialogsShowTheirTextsWhole) {
  reflibfixture::Init();
  const std::string folder = testsupport::MakeTempDir("catalogs");
  testsupport::WriteCatalog(folder + "/Northfield NHR R22.cmp", testsupport::CatalogHeader(0),
                            {testsupport::PolyModel("NHR-110", 3.2, 1.1), testsupport::TableModel("NHR-150")});
  core::SetComp(std::make_unique<core::TComp>("", 7.5, 5.0));
  core::SetCatalogFolder(folder);
  {
    workbench::TCompForm comp;
    comp.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&comp));
    comp.FormActivate();
    QApplication::processEvents();
    EXPECT_FALSE(comp.EdQe()->Text().empty());
    ExpectNoClippedTexts(comp);
    Shoot(comp, "compressor");

    workbench::TInstalledForm installed;
    installed.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&installed));
    QApplication::processEvents();
    ExpectNoClippedTexts(installed);
    Shoot(installed, "installed");

    workbench::TColorEdForm colours;
    colours.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&colours));
    QApplication::processEvents();
    ExpectNoClippedTexts(colours);
    Shoot(colours, "colours");

    workbench::TSMTPSettingsForm smtp;
    smtp.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&smtp));
    QApplication::processEvents();
    ExpectNoClippedTexts(smtp);
    Shoot(smtp, "smtp");
  }
  core::SetComp(nullptr);
  core::SetCatalogFolder("");
  reflibfixture::Done();
}

}  // namespace
