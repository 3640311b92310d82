// "Installed Dravlen": the catalog list with model counts and summary,
// viewing a catalog in the selection dialog, deleting one with its "._mp"
// backup, the Del key, and the "Name" column width kept between runs. The
// installed catalogs are written with the catalog writer into a temporary
// shared folder.
#include <gtest/gtest.h>

#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QElapsedTimer>
#include <QListWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "core/catalogfile.h"
#include "core/comp.h"
#include "core/compdata.h"
#include "core/environment.h"
#include "core/refriglib.h"
#include "core/valuestream.h"
#include "platform/dialogs.h"
#include "platform/registry.h"
#include "platform/streams.h"
#include "platform/sysutils.h"
#include "testsupport/catalogs.h"
#include "testsupport/testenv.h"
#include "workbench/compform.h"
#include "workbench/installedform.h"
#include "workbench/tests/fit_helpers.h"

using workbench::TInstalledForm;

namespace {

// A catalog of the named models, all alike.
void WriteCatalog(const std::string& path, int32_t refrigerant, const std::vector<std::string>& names) {
  std::vector<core::TCompData> models;
  for (const std::string& name : names) models.push_back(testsupport::PolyModel(name, 10, 3));
  testsupport::WriteCatalog(path, refrigerant, models);
}

std::string SettingsKey() { return core::ProgramRegistryKey() + "\\Settings"; }

class InstalledFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fitfixture::StartModules();
    platform::TRegistry reg;
    reg.DeleteKey(SettingsKey());
    reg.DeleteKey(core::ProgramRegistryKey() + "\\InstalledForm");

    folder_ = testsupport::MakeTempDir("installed");
    std::filesystem::create_directories(folder_ + "/sub");
    alpha_ = folder_ + "/alpha.cmp";
    beta_ = folder_ + "/sub/beta.cmp";
    WriteCatalog(alpha_, 0, {"A1", "A2", "A3"});                  // R22
    WriteCatalog(beta_, 1, {"B1", "B2", "B3", "B4", "B5"});       // R134a
    core::SetComp(std::make_unique<core::TComp>("", 7.5, 5.0));
    core::SetCatalogFolder(folder_);
  }
  void TearDown() override {
    core::DoneComp();
    fitfixture::FinishModules();
  }

  // A form whose selection dialog records what it would show.
  std::unique_ptr<TInstalledForm> MakeForm() {
    auto form = std::make_unique<TInstalledForm>();
    form->ShowCompForm = [this] {
      shown_.push_back(core::Comp().GetFileName() + "|" + core::Comp().CurrentModelName() + "|" +
                       core::RefrigLib().CurrentName());
    };
    return form;
  }

  std::string folder_, alpha_, beta_;
  std::vector<std::string> shown_;
  platform::MessageCapture boxes_;
};

TEST_F(InstalledFormTest, ListsNamesCountsPathsAndSummary) {
  auto form = MakeForm();
  EXPECT_EQ(form->windowTitle().toStdString(), "Installed Dravlen");
  form->show();   // FormShow fills the list and selects the first item
  ASSERT_EQ(form->ItemCount(), 2);
  EXPECT_EQ(form->ItemCaption(0), "alpha");
  EXPECT_EQ(form->ItemCount(0), "3");
  EXPECT_EQ(form->ItemPath(0), alpha_);
  EXPECT_EQ(form->ItemCaption(1), "beta");
  EXPECT_EQ(form->ItemCount(1), "5");
  EXPECT_EQ(form->ItemPath(1), beta_);
  EXPECT_EQ(form->SummaryLabel()->text().toStdString(), "8 models found in 2 catalogs...");
  EXPECT_EQ(form->SelectedRow(), 0);
  // Counting walks every catalog: the compressor is left on the last one.
  EXPECT_EQ(core::Comp().GetFileName(), beta_);

  const QTableWidget* list = form->ListView1();
  EXPECT_EQ(list->horizontalHeaderItem(0)->text().toStdString(), "Name");
  EXPECT_EQ(list->horizontalHeaderItem(1)->text().toStdString(), "Models");
  EXPECT_TRUE(list->isColumnHidden(2));
  EXPECT_EQ(list->columnWidth(0), 220);
  EXPECT_EQ(list->columnWidth(1), 90);
  EXPECT_EQ(form->ViewButton()->toolTip().toStdString(), "view selected compressor");
  EXPECT_EQ(form->DeleteButton()->toolTip().toStdString(), "delete selected compressor");
  EXPECT_TRUE(boxes_.boxes.empty());
}

TEST_F(InstalledFormTest, NoCatalogsGivesAnEmptyListAndNothingToDo) {
  core::SetCatalogFolder(testsupport::MakeTempDir("none"));
  auto form = MakeForm();
  form->FormShow();
  EXPECT_EQ(form->ItemCount(), 0);
  EXPECT_EQ(form->SelectedRow(), -1);
  EXPECT_EQ(form->SummaryLabel()->text().toStdString(), "0 models found in 0 catalogs...");
  form->ViewCatalog();
  form->DeleteCatalog();
  EXPECT_TRUE(shown_.empty());
  EXPECT_TRUE(boxes_.boxes.empty());
}

TEST_F(InstalledFormTest, ViewShowsTheSelectedCatalogsFirstModelWithItsRefrigerant) {
  auto form = MakeForm();
  form->show();
  form->SelectRow(1);
  QTest::mouseClick(form->ViewButton(), Qt::LeftButton);
  ASSERT_EQ(shown_.size(), 1u);
  EXPECT_EQ(shown_[0], beta_ + "|B1|R134a");
  EXPECT_EQ(core::Comp().FileIndex, 1);

  // A double click on an item views it too.
  QTableWidget* list = form->ListView1();
  const QRect cell = list->visualItemRect(list->item(0, 0));
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell.center());
  QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, cell.center());
  ASSERT_EQ(shown_.size(), 2u);
  EXPECT_EQ(shown_[1], alpha_ + "|A1|R22");
  EXPECT_EQ(core::Comp().FileIndex, 0);
}

// The program's wiring: the selection dialog created at start-up is shown
// modally on the chosen catalog and model.
TEST_F(InstalledFormTest, ViewOpensTheSelectionDialogOnTheCatalogAndModel) {
  workbench::TCompForm compForm;
  workbench::SetCompForm(&compForm);
  TInstalledForm form;   // the default runner
  form.show();
  form.SelectRow(1);

  auto selected = [](const QListWidget* list) {
    const QListWidgetItem* item = list->currentItem();
    return item && item->isSelected() ? item->text().toStdString() : std::string();
  };
  QTimer poll;
  QElapsedTimer clock;
  clock.start();
  bool seen = false;
  QObject::connect(&poll, &QTimer::timeout, &compForm, [&] {
    if (!compForm.isVisible()) return;
    seen = selected(compForm.FileNames()) == "beta.cmp" && selected(compForm.CompNames()) == "B1";
    // The poll only bounds the wait; what is checked is the dialog's state.
    if (seen || clock.elapsed() > 5000) compForm.reject();
  });
  poll.start(10);
  form.ViewCatalog();
  workbench::SetCompForm(nullptr);
  EXPECT_TRUE(seen) << "file " << selected(compForm.FileNames()) << ", model " << selected(compForm.CompNames());
  EXPECT_EQ(core::RefrigLib().CurrentName(), "R134a");
}

TEST_F(InstalledFormTest, ViewDoesNothingWithoutSelectionOrLoadableFirstModel) {
  auto form = MakeForm();
  form->show();
  form->SelectRow(-1);
  form->SpeedButton1Click();
  EXPECT_TRUE(shown_.empty());

  // A catalog without models: its first model cannot be loaded.
  const std::string empty = folder_ + "/empty.cmp";
  WriteCatalog(empty, 0, {});
  core::Comp().RefreshFiles();
  form->FillCatalogList();
  ASSERT_EQ(form->ItemCaption(1), "empty");
  EXPECT_EQ(form->ItemCount(1), "0");
  form->SelectRow(1);
  form->ViewCatalog();
  EXPECT_TRUE(shown_.empty());

  // A catalog no longer installed (the list is stale): nothing is shown and
  // the list is filled again.
  form->SelectRow(1);
  std::filesystem::remove(empty);
  core::Comp().RefreshFiles();
  form->ViewCatalog();
  EXPECT_TRUE(shown_.empty());
  EXPECT_EQ(form->ItemCount(), 2);
}

TEST_F(InstalledFormTest, DeleteKeepsABackupAndRefreshesTheList) {
  const std::string bytes = testsupport::ReadAll(alpha_);
  // An older backup is replaced.
  testsupport::WriteAll(folder_ + "/alpha._mp", "old");
  auto form = MakeForm();
  form->show();
  boxes_.answers = {platform::IDYES};
  form->SelectRow(0);
  QTest::mouseClick(form->DeleteButton(), Qt::LeftButton);

  ASSERT_EQ(boxes_.boxes.size(), 1u);
  EXPECT_EQ(boxes_.boxes[0].text, "Delete File?\r\nalpha.cmp");
  EXPECT_EQ(boxes_.boxes[0].flags & 0xF, platform::MB_YESNO);
  EXPECT_FALSE(platform::FileExists(alpha_));
  EXPECT_EQ(testsupport::ReadAll(folder_ + "/alpha._mp"), bytes);
  EXPECT_EQ(core::CatalogList().Count(), 1);
  ASSERT_EQ(form->ItemCount(), 1);
  EXPECT_EQ(form->ItemCaption(0), "beta");
  EXPECT_EQ(form->SummaryLabel()->text().toStdString(), "5 models found in 1 catalogs...");
}

TEST_F(InstalledFormTest, DelKeyAsksAndNoKeepsTheFile) {
  auto form = MakeForm();
  form->show();
  form->SelectRow(1);
  boxes_.answers = {platform::IDNO};
  QTest::keyClick(form->ListView1(), Qt::Key_Delete);
  ASSERT_EQ(boxes_.boxes.size(), 1u);
  EXPECT_EQ(boxes_.boxes[0].text, "Delete File?\r\nbeta.cmp");
  EXPECT_TRUE(platform::FileExists(beta_));
  EXPECT_FALSE(platform::FileExists(folder_ + "/sub/beta._mp"));
  EXPECT_EQ(form->ItemCount(), 2);

  // Yes through the key deletes.
  boxes_.answers = {platform::IDYES};
  QTest::keyClick(form->ListView1(), Qt::Key_Delete);
  EXPECT_FALSE(platform::FileExists(beta_));
  EXPECT_TRUE(platform::FileExists(folder_ + "/sub/beta._mp"));
  EXPECT_EQ(form->ItemCount(), 1);
}

TEST_F(InstalledFormTest, NoBackupNoDeletion) {
  // A folder where the backup should go: the copy cannot be made.
  std::filesystem::create_directories(folder_ + "/alpha._mp");
  auto form = MakeForm();
  form->show();
  form->SelectRow(0);
  boxes_.answers = {platform::IDYES};
  form->DeleteCatalog();
  ASSERT_EQ(boxes_.boxes.size(), 2u);
  EXPECT_NE(boxes_.boxes[1].text.find("backup"), std::string::npos);
  EXPECT_TRUE(platform::FileExists(alpha_));
  EXPECT_EQ(form->ItemCount(), 2);
}

TEST_F(InstalledFormTest, NameColumnWidthIsKeptAsCol1) {
  {
    auto form = MakeForm();
    form->show();
    form->ListView1()->setColumnWidth(0, 311);
    form->move(40, 50);
    form->close();   // FormClose
  }
  platform::TRegistry reg;
  ASSERT_TRUE(reg.OpenKeyReadOnly(SettingsKey()));
  EXPECT_EQ(reg.ReadInteger("Col1"), 311);
  EXPECT_TRUE(platform::TRegistry().KeyExists(core::ProgramRegistryKey() + "\\InstalledForm"));

  auto again = MakeForm();
  EXPECT_EQ(again->ListView1()->columnWidth(0), 311);
  EXPECT_EQ(again->x(), 40);
  EXPECT_EQ(again->y(), 50);
}

TEST_F(InstalledFormTest, UnreadableCol1GivesTheDesignedWidth) {
  struct Case {
    const char* label;
    bool asText;
    int value;
    const char* text;
  };
  const Case cases[] = {
      {"text value", true, 0, "wide"},
      {"zero width", false, 0, nullptr},
      {"negative width", false, -5, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    platform::TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(SettingsKey(), true));
    reg.DeleteValue("Col1");
    if (c.asText)
      reg.WriteString("Col1", c.text);
    else
      reg.WriteInteger("Col1", c.value);
    auto form = MakeForm();
    EXPECT_EQ(form->ListView1()->columnWidth(0), 220);
  }
}

}  // namespace
