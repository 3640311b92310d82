// The main window driven as a user drives it, through its widgets: the
// first start, choosing files and models, the pages and plots of a model,
// Verify, editing and saving, the curve fit, Build, Install and Try, F3/F4
// across files, a file without the marker, the guards, and the settings
// that come back at the next start. The program folder is laid out under
// the tests' private home as an installation has it, with the shipped
// sample files in "Data Files".
#include <QApplication>
#include <QContextMenuEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QSplitter>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/comp.h"
#include "core/environment.h"
#include "core/graphpanel.h"
#include "core/inifiles.h"
#include "core/refriglib.h"
#include "editor/inihighlighter.h"
#include "editor/textedit.h"
#include "platform/dialogs.h"
#include "platform/folderbrowser.h"
#include "platform/guard.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "platform/sysutils.h"
#include "testsupport/testenv.h"
#include "workbench/coloredform.h"
#include "workbench/compform.h"
#include "workbench/emailform.h"
#include "workbench/installedform.h"
#include "workbench/folderlists.h"
#include "workbench/mainform.h"
#include "workbench/modules.h"
#include "workbench/pageview.h"

using workbench::TMainForm;

namespace {

const std::string kNHR = "Northfield NHR R22.ini";
const std::string kNLR = "Northfield NLR R22.ini";

std::string ProgramDir() { return testsupport::TestHome() + "/Quillbarrow/Dravlen/"; }
std::string DataFolder() { return ProgramDir() + "Data Files/"; }
std::string SharedFolder() { return testsupport::TestHome() + "/Quillbarrow/Common Files/"; }
std::string Shipped(const std::string& name) {
  return std::string(DRAVLEN_SOURCE_DIR) + "/resources/program/Data Files/" + name;
}

// The program's folders as an installation has them; the modules start once
// for the whole test program.
class Installation : public ::testing::Environment {
 public:
  void SetUp() override {
    platform::ForceDirectories(DataFolder());
    platform::ForceDirectories(SharedFolder());
    testsupport::WriteAll(SharedFolder() + "RefLib8.rdf",
                          testsupport::ReadAll(std::string(DRAVLEN_SOURCE_DIR) + "/resources/shared/RefLib8.rdf"));
    platform::SetProgramFilePath(ProgramDir() + "Dravlen");
    workbench::StartupModules();
  }
  void TearDown() override { workbench::CleanupModules(); }
};

const auto* const kInstallation = ::testing::AddGlobalTestEnvironment(new Installation);

std::vector<std::string> Items(const QListWidget* list) {
  std::vector<std::string> items;
  for (int i = 0; i < list->count(); ++i) items.push_back(list->item(i)->text().toStdString());
  return items;
}

std::string Current(const QListWidget* list) {
  const QListWidgetItem* item = list->currentItem();
  return item ? item->text().toStdString() : "";
}

bool Has(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class MainFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::TRegistry reg;
    reg.DeleteKey(core::ProgramRegistryKey());
    platform::DeleteFile(ProgramDir() + "syntax.ini");
    for (const std::string& name : platform::ListFiles(DataFolder(), "*")) platform::DeleteFile(DataFolder() + name);
    for (const std::string& name : platform::ListFiles(SharedFolder(), "*.cmp")) platform::DeleteFile(SharedFolder() + name);
    for (const std::string& name : {kNHR, kNLR}) testsupport::WriteAll(DataFolder() + name, testsupport::ReadAll(Shipped(name)));
    core::SetCatalogFolder(SharedFolder());
    platform::TakeReportedErrors();
  }

  void TearDown() override {
    if (form_) form_->close();
    form_.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(platform::TakeReportedErrors().empty());
  }

  TMainForm& Start() {
    form_ = workbench::CreateApplicationWindows();
    form_->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(form_.get()));
    return *form_;
  }

  // The user's ways in: a click on a list entry, a tab, a key, a menu entry.
  void ClickRow(QListWidget* list, int row) {
    ASSERT_LT(row, list->count());
    list->scrollToItem(list->item(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
  }
  void ClickFile(const std::string& name) {
    const auto items = Items(form_->FileListBox);
    const auto it = std::find(items.begin(), items.end(), name);
    ASSERT_NE(it, items.end()) << name;
    ClickRow(form_->FileListBox, static_cast<int>(it - items.begin()));
  }
  void ClickModel(const std::string& name) {
    const auto items = Items(form_->ModelListBox);
    const auto it = std::find(items.begin(), items.end(), name);
    ASSERT_NE(it, items.end()) << name;
    ClickRow(form_->ModelListBox, static_cast<int>(it - items.begin()));
  }
  void ClickTab(int index) {
    QTabBar* bar = form_->PageControl->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
  }
  void Key(Qt::Key key) { QTest::keyClick(form_->ModelListBox, key); }
  // Opens the menu from the menu bar and clicks the entry.
  void Menu(const QString& menuTitle, const QString& entry) {
    QMenuBar* bar = form_->menuBar();
    QMenu* menu = nullptr;
    for (QAction* a : bar->actions()) {
      if (a->text() == menuTitle) menu = a->menu();
    }
    ASSERT_NE(menu, nullptr) << menuTitle.toStdString();
    QAction* item = nullptr;
    for (QAction* a : menu->actions()) {
      if (a->text() == entry) item = a;
    }
    ASSERT_NE(item, nullptr) << entry.toStdString();
    // The menu opens from the bar and the entry is clicked in it.
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(menu->menuAction()).center());
    if (!menu->isVisible()) menu->popup(bar->mapToGlobal(bar->actionGeometry(menu->menuAction()).bottomLeft()));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(menu));
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(item).center());
  }

  // Runs check once the (modal) dialog is on the screen.
  void WhenShown(QWidget* dialog, std::function<void()> check) {
    auto* timer = new QTimer(form_.get());
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, dialog, check] {
      if (!dialog->isVisible()) return;
      timer->stop();
      timer->deleteLater();
      check();
    });
    timer->start();
  }

  // The file list's pop-up as the user opens it: the right button on the
  // entry (which asks the list for its context menu), then the one command.
  // The closing pop-up hands the focus back to the list.
  void DeleteFromPopUp(int row) {
    QListWidget* list = form_->FileListBox;
    ASSERT_LT(row, list->count());
    form_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form_.get()));
    list->setFocus(Qt::MouseFocusReason);
    const QPoint at = list->visualItemRect(list->item(row)).center();
    QTest::mouseClick(list->viewport(), Qt::RightButton, {}, at);
    QContextMenuEvent request(QContextMenuEvent::Mouse, at, list->viewport()->mapToGlobal(at));
    QApplication::sendEvent(list->viewport(), &request);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form_->FilePopup));
    QTest::mouseClick(form_->FilePopup, Qt::LeftButton, {}, form_->FilePopup->actionGeometry(form_->Deletecompressor1).center());
    // The offscreen platform gives the pop-up no focus of its own; the
    // focus goes out to it and comes back as on a desktop.
    list->clearFocus();
    list->setFocus(Qt::PopupFocusReason);
  }
  int Row(const QListWidget* list, const std::string& name) {
    const auto items = Items(list);
    return static_cast<int>(std::find(items.begin(), items.end(), name) - items.begin());
  }
  // Types a comment line at the top of the editor.
  void TypeAtTop(const std::string& text) {
    form_->TextEdit1->setFocus();
    form_->TextEdit1->SetCaretXY({1, 1});
    QTest::keyClicks(form_->TextEdit1, QString::fromStdString(text));
    QTest::keyClick(form_->TextEdit1, Qt::Key_Return);
  }
  void Save() { QTest::keyClick(form_->TextEdit1, Qt::Key_S, Qt::ControlModifier); }
  // Try, and the catalog and model the selection dialog opens on.
  std::pair<std::string, std::string> TryOpensOn() {
    std::pair<std::string, std::string> shown;
    WhenShown(workbench::CompForm(), [&] {
      workbench::TCompForm* dialog = workbench::CompForm();
      shown = {Current(dialog->FileNames()), Current(dialog->CompNames())};
      dialog->reject();
    });
    Menu("&Process", "Try");
    return shown;
  }
  // Writes text into the section of a data file on disk, below its name.
  void InsertIntoSection(const std::string& file, const std::string& section, const std::string& text) {
    std::string all = testsupport::ReadAll(DataFolder() + file);
    const std::string head = "[" + section + "]\r\n";
    const size_t at = all.find(head);
    ASSERT_NE(at, std::string::npos) << section;
    all.insert(at + head.size(), text);
    testsupport::WriteAll(DataFolder() + file, all);
  }

  std::unique_ptr<TMainForm> form_;
  platform::MessageCapture boxes_;
};

TEST_F(MainFormTest, FirstStartShowsTheDataFolderAndTheHeaderTabWithNoFileSelected) {
  TMainForm& form = Start();
  EXPECT_EQ(form.DirectoryListBox->Directory(), DataFolder());
  EXPECT_EQ(Items(form.FileListBox), (std::vector<std::string>{kNHR, kNLR}));
  EXPECT_EQ(form.FileListBox->currentRow(), -1);
  EXPECT_EQ(form.PageControl->currentIndex(), workbench::pgHeader);
  EXPECT_EQ(form.ModelListBox->count(), 0);
  EXPECT_TRUE(form.EditorText().empty());
  EXPECT_TRUE(form.hView->Lines().empty());
  EXPECT_EQ(form.StatusText(0), "Ready...");
  EXPECT_EQ(form.Source().CurrentFile, "");
  EXPECT_EQ(form.PanelHeight(), 154);
  EXPECT_TRUE(boxes_.boxes.empty());

  // The window as laid out: the tabs, the hints, the menus in their order.
  std::vector<std::string> tabs;
  for (int i = 0; i < form.PageControl->count(); ++i) tabs.push_back(form.PageControl->tabText(i).toStdString());
  EXPECT_EQ(tabs, (std::vector<std::string>{"Header", "Model", "Regression", "Plot", "Verify", "Edit"}));
  EXPECT_EQ(form.Image1->toolTip().toStdString(), "Previous compressor (F3)");
  EXPECT_EQ(form.Image2->toolTip().toStdString(), "Next compressor (F4)");
  EXPECT_EQ(form.Image3->toolTip().toStdString(), "Verify current file...");
  EXPECT_EQ(form.NoticeLabel->text().toStdString(), "...");
  std::vector<std::string> menus;
  for (QAction* a : form.menuBar()->actions()) {
    std::string entries = a->text().toStdString() + ":";
    for (QAction* e : a->menu()->actions()) entries += " " + (e->isSeparator() ? std::string("-") : e->text().toStdString());
    menus.push_back(entries);
  }
  EXPECT_EQ(menus, (std::vector<std::string>{
                       "&File: &Save Save &As - Manage database... Editor Color Settings - E&xit",
                       "&Curve: Add Coeff Remove Coeff",
                       "&Process: Verify source file - Build compressor file Install to database - Verify All... "
                       "Build All... Install All... - Try",
                       "&Help: Help - Send for checking"}));
  EXPECT_EQ(form.ActionSave->shortcut(), QKeySequence("Ctrl+S"));
  EXPECT_EQ(form.ActionHelp->shortcut(), QKeySequence("F1"));
  EXPECT_EQ(form.ActionTry->toolTip().toStdString(), "try wth compressor editor");
  EXPECT_FALSE(form.ActionBuild->icon().isNull());
  // The plots share the Plot tab half and half.
  EXPECT_EQ(form.QPlot->width(), form.PlotSheet->width() / 2);
}

TEST_F(MainFormTest, ASampleFileAndModelShowOnEveryPageAndPlot) {
  TMainForm& form = Start();
  ClickFile(kNHR);
  EXPECT_EQ(form.Source().CurrentFile, DataFolder() + kNHR);
  EXPECT_EQ(Items(form.ModelListBox), (std::vector<std::string>{"NHR-110", "NHR-150", "NHR-200"}));
  EXPECT_EQ(Current(form.ModelListBox), "NHR-110");
  EXPECT_EQ(form.StatusText(1), DataFolder() + kNHR);
  EXPECT_TRUE(Contains(form.EditorText(), "[NHR-150]"));

  ClickModel("NHR-150");
  EXPECT_EQ(form.Source().CompData.Name, "NHR-150");
  // Header page: the range's header.
  EXPECT_TRUE(Has(form.hView->Lines(), "<tr><td class=\"key\">Manuf</td><td>Northfield Compressors</td></tr>"));
  EXPECT_TRUE(Has(form.hView->Lines(), "<tr><td class=\"key\">Refrig</td><td>R22</td></tr>"));
  EXPECT_TRUE(Has(form.hView->Lines(), "<tr><td class=\"key\">sgRef</td><td>18.3</td></tr>"));
  // Model page: the model with its raw table.
  EXPECT_TRUE(Has(form.mView->Lines(), "<h2>NHR-150</h2>"));
  EXPECT_TRUE(Has(form.mView->Lines(),
                  "<tr><td class=\"key\">Description</td><td>Hermetic reciprocating, high temperature, 1.5 HP</td></tr>"));
  // What the viewers show.
  EXPECT_TRUE(Contains(form.hView->VisibleText(), "Northfield Compressors")) << form.hView->VisibleText();
  EXPECT_TRUE(Contains(form.mView->VisibleText(), "Hermetic reciprocating, high temperature, 1.5 HP"))
      << form.mView->VisibleText();
  EXPECT_TRUE(Contains(form.rView->VisibleText(), "Polynomial coefficients not used...")) << form.rView->VisibleText();
  EXPECT_TRUE(Contains(form.mView->Source(), "<table class=\"raw\">"));
  // Regression page: the file and the note on the coefficients.
  EXPECT_TRUE(Has(form.rView->Lines(), "<h3>" + DataFolder() + kNHR + "</h3>"));
  EXPECT_TRUE(Has(form.rView->Lines(), "<p>Polynomial coefficients not used...</p>"));

  // Both plots show the model's table.
  ClickTab(workbench::pgPlot);
  EXPECT_EQ(form.PageControl->currentIndex(), workbench::pgPlot);
  EXPECT_EQ(form.Plots().CoolingCaption(), "Cooling (table data)");
  EXPECT_EQ(form.Plots().PowerCaption(), "Power (table data)");
  const core::TCompData& model = form.Source().CompData;
  EXPECT_DOUBLE_EQ(form.QPlot->XMin(), model.TeList.front() - 5);
  EXPECT_DOUBLE_EQ(form.QPlot->XMax(), model.TeList.back() + 5);
  EXPECT_GT(form.QPlot->YMax(), form.QPlot->YMin());
  EXPECT_GT(form.PPlot->YMax(), form.PPlot->YMin());
  const QImage plot = form.QPlot->grab().toImage();
  EXPECT_FALSE(plot.isNull());

  // Verify shows its verdict on the Verify tab.
  QTest::mouseClick(form.Image3, Qt::LeftButton);
  EXPECT_EQ(form.PageControl->currentIndex(), workbench::pgVerify);
  EXPECT_TRUE(Contains(form.eView->Source(), ">Good news...</h3>"));
  EXPECT_TRUE(Contains(form.eView->VisibleText(), "Good news...")) << form.eView->VisibleText();
  EXPECT_TRUE(boxes_.boxes.empty());
}

TEST_F(MainFormTest, EditingShowsModifiedAndSaveReadsTheModelAgainFromTheFile) {
  TMainForm& form = Start();
  ClickFile(kNHR);
  ClickModel("NHR-110");
  ClickTab(workbench::pgEdit);
  editor::TTextEdit& edit = *form.TextEdit1;
  // Change the model's description on its line: the caret goes to the end
  // of line 18 ("Description=...") and the user types.
  const std::string before = form.Source().CompData.Description;
  edit.setFocus();
  edit.SetCaretXY({1, 17});
  QTest::keyClick(&edit, Qt::Key_End);
  QTest::keyClicks(&edit, " (edited)");
  EXPECT_EQ(form.StatusText(0), "Modified...");
  EXPECT_TRUE(form.Modified());
  EXPECT_EQ(form.Source().CompData.Description, before);

  QTest::keyClick(&edit, Qt::Key_S, Qt::ControlModifier);
  EXPECT_EQ(form.StatusText(0), "Ready...");
  EXPECT_FALSE(form.Modified());
  EXPECT_EQ(form.Source().CompData.Description, before + " (edited)");
  EXPECT_TRUE(Contains(testsupport::ReadAll(DataFolder() + kNHR), before + " (edited)"));
  EXPECT_TRUE(Has(form.mView->Lines(), "<tr><td class=\"key\">Description</td><td>" + before + " (edited)</td></tr>"));
}

TEST_F(MainFormTest, AddCoeffBuildInstallAndTryOpenTheCompressorDialogOnTheModel) {
  TMainForm& form = Start();
  ClickFile(kNHR);
  ClickModel("NHR-200");

  Menu("&Curve", "Add Coeff");
  EXPECT_EQ(form.PageControl->currentIndex(), workbench::pgRegression);
  EXPECT_TRUE(Has(form.rView->Lines(), "<h3>NHR-200</h3>"));
  EXPECT_TRUE(Contains(form.EditorText(), "\r\ne="));
  EXPECT_EQ(form.NoticeLabel->text().toStdString(), "...");
  {
    core::TIniFile ini(DataFolder() + kNHR);
    EXPECT_FALSE(ini.ReadString("NHR-200", "e", "").empty());
  }

  Menu("&Process", "Build compressor file");
  EXPECT_EQ(form.PageControl->currentIndex(), workbench::pgVerify);
  EXPECT_TRUE(platform::FileExists(DataFolder() + "Northfield NHR R22.cmp"));
  EXPECT_TRUE(Has(form.eView->Lines(), DataFolder() + "Northfield NHR R22.cmp compressor data file created...<br>"));
  EXPECT_TRUE(Contains(form.eView->VisibleText(), "compressor data file created...")) << form.eView->VisibleText();

  Menu("&Process", "Install to database");
  EXPECT_TRUE(platform::FileExists(SharedFolder() + "Northfield NHR R22.cmp"));
  EXPECT_TRUE(Has(form.eView->Lines(), "<h2>Northfield NHR R22.cmp installed...</h2>"));

  // Try: the dialog opens on the model with its refrigerant.
  std::string refrigerant, catalog, model;
  bool shown = false;
  WhenShown(workbench::CompForm(), [&] {
    workbench::TCompForm* dialog = workbench::CompForm();
    shown = dialog->isVisible();
    refrigerant = dialog->RefrigLabel()->text().toStdString();
    catalog = Current(dialog->FileNames());
    model = Current(dialog->CompNames());
    dialog->reject();
  });
  Menu("&Process", "Try");
  EXPECT_TRUE(shown);
  EXPECT_EQ(refrigerant, "R22");
  EXPECT_EQ(catalog, "Northfield NHR R22.cmp");
  EXPECT_EQ(model, "NHR-200");
  EXPECT_TRUE(boxes_.boxes.empty());
}

TEST_F(MainFormTest, F4AndF3WrapAcrossModelsAndFiles) {
  TMainForm& form = Start();
  ClickFile(kNLR);
  ClickModel("NLR-030");
  Key(Qt::Key_F4);   // the last model of the last file: on to the first of the first
  EXPECT_EQ(Current(form.FileListBox), kNHR);
  EXPECT_EQ(Current(form.ModelListBox), "NHR-110");
  EXPECT_EQ(form.Source().CompData.Name, "NHR-110");
  Key(Qt::Key_F4);
  EXPECT_EQ(form.Source().CompData.Name, "NHR-150");
  Key(Qt::Key_F3);
  Key(Qt::Key_F3);   // the first model of the first file: back to the last of the last
  EXPECT_EQ(Current(form.FileListBox), kNLR);
  EXPECT_EQ(Current(form.ModelListBox), "NLR-030");
  EXPECT_EQ(form.Source().CompData.Name, "NLR-030");
  EXPECT_TRUE(Has(form.mView->Lines(), "<h2>NLR-030</h2>"));
  QTest::mouseClick(form.Image2, Qt::LeftButton);
  EXPECT_EQ(form.Source().CompData.Name, "NHR-110");
  QTest::mouseClick(form.Image1, Qt::LeftButton);
  EXPECT_EQ(form.Source().CompData.Name, "NLR-030");
}

TEST_F(MainFormTest, AnIniFileWithoutTheMarkerEmptiesTheWindow) {
  testsupport::WriteAll(DataFolder() + "Plain.ini", "[Header]\r\nManufacturer=Nobody\r\n\r\n[X]\r\nTe=1,2,3\r\n");
  TMainForm& form = Start();
  ClickFile(kNHR);
  ASSERT_EQ(form.ModelListBox->count(), 3);
  ClickFile("Plain.ini");
  EXPECT_EQ(form.StatusText(1), "Invalid data file...");
  EXPECT_EQ(form.ModelListBox->count(), 0);
  EXPECT_TRUE(form.EditorText().empty());
  for (workbench::TPageView* view : {form.hView, form.mView, form.rView, form.eView}) EXPECT_TRUE(view->Lines().empty());
  EXPECT_EQ(form.Plots().CoolingCaption(), "");
  // Build with the empty editor: the guard, and nothing else.
  form.ActionBuild->trigger();
  ASSERT_EQ(boxes_.boxes.size(), 1u);
  EXPECT_EQ(boxes_.boxes[0].text, "Nothing to save...");
  EXPECT_FALSE(platform::FileExists(DataFolder() + "Plain.cmp"));
  EXPECT_TRUE(form.eView->Lines().empty());
}

TEST_F(MainFormTest, ActionsWithoutAFileSayNoFileLoaded) {
  TMainForm& form = Start();
  Menu("&Process", "Verify source file");
  ASSERT_EQ(boxes_.boxes.size(), 1u);
  EXPECT_EQ(boxes_.boxes[0].text, "No file loaded...");
  EXPECT_EQ(form.PageControl->currentIndex(), workbench::pgHeader);
}

TEST_F(MainFormTest, AnErrorInAHandlerEndsItWithAMessageAndTheWindowKeepsWhatItShowed) {
  TMainForm& form = Start();
  ClickFile(kNHR);
  ClickModel("NHR-150");
  const std::vector<std::string> model = form.mView->Lines();
  // The file on disk gets a coefficient list that cannot be converted; the
  // editor still holds the good text.
  std::string text = testsupport::ReadAll(DataFolder() + kNHR);
  const size_t section = text.find("[NHR-200]\r\n");
  ASSERT_NE(section, std::string::npos);
  text.insert(section + 11, "e=1,2,x,4,5,6,7,8,9\r\np=1,2,3,4,5,6,7,8,9\r\n");
  testsupport::WriteAll(DataFolder() + kNHR, text);
  ClickModel("NHR-200");
  const std::vector<std::string> errors = platform::TakeReportedErrors();
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(form.mView->Lines(), model);
  EXPECT_EQ(form.Source().CurrentFile, DataFolder() + kNHR);
}

TEST_F(MainFormTest, VerifyAllListsEveryFileAndKeepsTheSelection) {
  TMainForm& form = Start();
  ClickFile(kNLR);
  Menu("&Process", "Verify All...");
  EXPECT_EQ(form.eView->Lines(), (std::vector<std::string>{"<img src=\"tick.png\"> Northfield NHR R22<br>",
                                                            "<img src=\"tick.png\"> Northfield NLR R22<br>"}));
  EXPECT_EQ(form.eView->Base(), ProgramDir() + "Help/");
  EXPECT_TRUE(Contains(form.eView->VisibleText(), "Northfield NLR R22")) << form.eView->VisibleText();
  EXPECT_EQ(Current(form.FileListBox), kNLR);
  EXPECT_EQ(form.Source().CurrentFile, DataFolder() + kNLR);
}

TEST_F(MainFormTest, HelpOpensThePageOfTheProgramFolder) {
  Start();
  std::string opened;
  platform::SetShellOpenHook([&](const std::string& path) {
    opened = path;
    return true;
  });
  QTest::keyClick(form_->ModelListBox, Qt::Key_F1);
  platform::SetShellOpenHook(nullptr);
  EXPECT_EQ(opened, ProgramDir() + "Help/index.htm");
  EXPECT_TRUE(platform::FileExists(std::string(DRAVLEN_SOURCE_DIR) + "/resources/program/Help/index.htm"));
}

TEST_F(MainFormTest, ThePlotTabTheFileAndThePositionComeBackAtTheNextStart) {
  {
    TMainForm& form = Start();
    form.move(130, 90);
    // The user drags the splitter under the lists down.
    const int total = form.Splitter1->height() - form.Splitter1->handleWidth();
    form.Splitter1->setSizes({200, total - 200});
    ClickFile(kNLR);
    ClickTab(workbench::pgPlot);
    form.close();
    form_.reset();
  }
  TMainForm& form = Start();
  EXPECT_EQ(form.PageControl->currentIndex(), workbench::pgPlot);
  EXPECT_EQ(Current(form.FileListBox), kNLR);
  EXPECT_EQ(form.Source().CurrentFile, DataFolder() + kNLR);
  EXPECT_EQ(Current(form.ModelListBox), "NLR-012");
  EXPECT_TRUE(Contains(form.EditorText(), "[NLR-012]"));
  EXPECT_EQ(form.pos(), QPoint(130, 90));
  EXPECT_EQ(form.PanelHeight(), 200);
  EXPECT_EQ(form.TopPanel->height(), 200);
  EXPECT_TRUE(platform::FileExists(ProgramDir() + "syntax.ini"));
}

TEST_F(MainFormTest, ClickingTheSelectedFileAgainReloadsItAndDropsTheEdits) {
  TMainForm& form = Start();
  ClickFile(kNHR);
  form.TextEdit1->setFocus();
  form.TextEdit1->SetCaretXY({1, 1});
  QTest::keyClicks(form.TextEdit1, "; note");
  ASSERT_EQ(form.StatusText(0), "Modified...");
  ClickFile(kNHR);
  EXPECT_EQ(form.StatusText(0), "Ready...");
  EXPECT_EQ(form.EditorText().rfind("[Header]", 0), 0u);
}

TEST_F(MainFormTest, SaveAsWritesTheTextUnderTheNewNameAndListsIt) {
  TMainForm& form = Start();
  ClickFile(kNLR);
  std::string startFolder, startFile;
  form.ChooseSaveFile = [&](const std::string& folder, const std::string& file) {
    startFolder = folder;
    startFile = file;
    return DataFolder() + "Copy.ini";
  };
  Menu("&File", "Save &As");
  EXPECT_EQ(startFolder, DataFolder());
  EXPECT_EQ(startFile, DataFolder() + kNLR);
  EXPECT_EQ(testsupport::ReadAll(DataFolder() + "Copy.ini"), testsupport::ReadAll(DataFolder() + kNLR));
  EXPECT_EQ(form.Source().CurrentFile, DataFolder() + "Copy.ini");
  EXPECT_EQ(Items(form.FileListBox), (std::vector<std::string>{"Copy.ini", kNHR, kNLR}));
  EXPECT_EQ(Current(form.FileListBox), "Copy.ini");
  EXPECT_EQ(form.StatusText(1), DataFolder() + "Copy.ini");
  // Save goes on writing into the new file.
  form.TextEdit1->setFocus();
  form.TextEdit1->SetCaretXY({1, 1});
  QTest::keyClicks(form.TextEdit1, "; copy");
  QTest::keyClick(form.TextEdit1, Qt::Key_Return);
  QTest::keyClick(form.TextEdit1, Qt::Key_S, Qt::ControlModifier);
  EXPECT_EQ(testsupport::ReadAll(DataFolder() + "Copy.ini").rfind("; copy", 0), 0u);
  EXPECT_EQ(testsupport::ReadAll(DataFolder() + kNLR), testsupport::ReadAll(Shipped(kNLR)));
}

TEST_F(MainFormTest, DeletingASourceFileFromThePopUpKeepsItAsABackup) {
  TMainForm& form = Start();
  ClickFile(kNLR);
  form.Deletecompressor1->trigger();
  EXPECT_FALSE(platform::FileExists(DataFolder() + kNLR));
  EXPECT_TRUE(platform::FileExists(DataFolder() + "Northfield NLR R22.in~"));
  EXPECT_EQ(Items(form.FileListBox), std::vector<std::string>{kNHR});
}

TEST_F(MainFormTest, TheDialogActionsOpenTheirDialogsOnWhatTheWindowHolds) {
  TMainForm& form = Start();
  ClickFile(kNHR);

  // Manage database: the installed catalogs.
  bool installedShown = false;
  WhenShown(workbench::InstalledForm(), [&] {
    installedShown = true;
    workbench::InstalledForm()->reject();
  });
  Menu("&File", "Manage database...");
  EXPECT_TRUE(installedShown);

  // Editor Color Settings: the colours of the window's own editor.
  editor::TEdCustomHighlighter* edited = nullptr;
  WhenShown(workbench::ColorEdForm(), [&] {
    edited = workbench::ColorEdForm()->Highlighter();
    workbench::ColorEdForm()->reject();
  });
  Menu("&File", "Editor Color Settings");
  EXPECT_EQ(edited, static_cast<editor::TEdCustomHighlighter*>(form.IniHighlighter1));

  // Send for checking: the current file attached.
  std::vector<std::string> attachments;
  std::string subject;
  WhenShown(form.EmailForm, [&] {
    attachments = form.EmailForm->Attachments().Items();
    subject = form.EmailForm->Subject();
    form.EmailForm->reject();
  });
  Menu("&Help", "Send for checking");
  EXPECT_EQ(attachments, std::vector<std::string>{DataFolder() + kNHR});
  EXPECT_EQ(subject, "Compressor data file");
  EXPECT_TRUE(boxes_.boxes.empty());
}

TEST_F(MainFormTest, DeletingAFileRightAfterSaveAsLoadsNoOtherFile) {
  TMainForm& form = Start();
  ClickFile(kNLR);
  ClickModel("NLR-030");
  form.ChooseSaveFile = [&](const std::string&, const std::string&) { return DataFolder() + "Copy.ini"; };
  Menu("&File", "Save &As");
  ASSERT_EQ(Current(form.FileListBox), "Copy.ini");
  const std::string text = form.EditorText();
  const std::vector<std::string> header = form.hView->Lines();
  const std::vector<std::string> model = form.mView->Lines();

  // The right button only opens the pop-up: the entry under it is not loaded.
  DeleteFromPopUp(Row(form.FileListBox, "Copy.ini"));
  EXPECT_FALSE(platform::FileExists(DataFolder() + "Copy.ini"));
  EXPECT_TRUE(platform::FileExists(DataFolder() + "Copy.in~"));
  EXPECT_EQ(Items(form.FileListBox), (std::vector<std::string>{kNHR, kNLR}));
  EXPECT_EQ(Current(form.FileListBox), "");
  // No file of the list was loaded in its place: the window keeps what it showed.
  EXPECT_TRUE(form.EditorText() == text);
  EXPECT_TRUE(form.hView->Lines() == header);
  EXPECT_TRUE(form.mView->Lines() == model);
  EXPECT_EQ(form.Source().CompData.Name, "NLR-030");
  EXPECT_NE(form.Source().CurrentFile, DataFolder() + kNHR);
  EXPECT_NE(form.StatusText(1), DataFolder() + kNHR);
  EXPECT_FALSE(Has(Items(form.ModelListBox), "NHR-110"));
  EXPECT_TRUE(boxes_.boxes.empty());

  // Nor does a right click on another entry load it.
  ClickFile(kNLR);
  const QPoint at = form.FileListBox->visualItemRect(form.FileListBox->item(Row(form.FileListBox, kNHR))).center();
  QTest::mouseClick(form.FileListBox->viewport(), Qt::RightButton, {}, at);
  EXPECT_EQ(Current(form.FileListBox), kNLR);
  EXPECT_EQ(form.Source().CurrentFile, DataFolder() + kNLR);
}

TEST_F(MainFormTest, DeletingTheCurrentFileLeavesNoFileLoadedAndLosesNothing) {
  TMainForm& form = Start();
  ClickFile(kNLR);
  TypeAtTop("; mine");
  ASSERT_TRUE(form.Modified());
  DeleteFromPopUp(Row(form.FileListBox, kNLR));
  const std::string backup = DataFolder() + "Northfield NLR R22.in~";
  EXPECT_FALSE(platform::FileExists(DataFolder() + kNLR));
  EXPECT_EQ(testsupport::ReadAll(backup), testsupport::ReadAll(Shipped(kNLR)));
  EXPECT_EQ(form.Source().CurrentFile, "");
  EXPECT_EQ(form.StatusText(1), "");
  // The unsaved text stays in the editor.
  EXPECT_EQ(form.EditorText().rfind("; mine", 0), 0u);
  EXPECT_TRUE(form.Modified());

  // Save and the other file actions find no file: nothing is written back
  // under the deleted name.
  Save();
  Menu("&Process", "Build compressor file");
  ASSERT_EQ(boxes_.boxes.size(), 2u);
  EXPECT_EQ(boxes_.boxes[0].text, "No file loaded...");
  EXPECT_EQ(boxes_.boxes[1].text, "No file loaded...");
  EXPECT_FALSE(platform::FileExists(DataFolder() + kNLR));
  EXPECT_FALSE(platform::FileExists(DataFolder() + "Northfield NLR R22.cmp"));
  EXPECT_EQ(testsupport::ReadAll(backup), testsupport::ReadAll(Shipped(kNLR)));
  EXPECT_EQ(testsupport::ReadAll(DataFolder() + kNHR), testsupport::ReadAll(Shipped(kNHR)));

  // The next start has no file to come back to.
  form.close();
  form_.reset();
  TMainForm& again = Start();
  EXPECT_EQ(again.Source().CurrentFile, "");
  EXPECT_EQ(again.FileListBox->currentRow(), -1);
}

TEST_F(MainFormTest, TryOpensTheShownModelAfterActionsThatReadEveryModel) {
  TMainForm& form = Start();
  ClickFile(kNHR);
  ClickModel("NHR-150");
  Menu("&Curve", "Add Coeff");
  EXPECT_EQ(form.Source().CompData.Name, "NHR-150");
  Menu("&Process", "Build compressor file");
  EXPECT_EQ(form.Source().CompData.Name, "NHR-150");
  Menu("&Process", "Install to database");
  EXPECT_EQ(TryOpensOn(), std::make_pair(std::string("Northfield NHR R22.cmp"), std::string("NHR-150")));

  // Build All ends on the last file, which shows its first model.
  Menu("&Process", "Build All...");
  Menu("&Process", "Install All...");
  EXPECT_EQ(Current(form.FileListBox), kNLR);
  EXPECT_EQ(Current(form.ModelListBox), "NLR-012");
  EXPECT_EQ(form.Source().CompData.Name, "NLR-012");
  EXPECT_EQ(TryOpensOn(), std::make_pair(std::string("Northfield NLR R22.cmp"), std::string("NLR-012")));
  EXPECT_TRUE(boxes_.boxes.empty());
}

const std::string kBadCoefficients = "e=1,2,x,4,5,6,7,8,9\r\np=1,2,3,4,5,6,7,8,9\r\n";

TEST_F(MainFormTest, AModelThatCannotBeReadPutsTheListBackOnTheModelThePagesShow) {
  InsertIntoSection(kNHR, "NHR-150", kBadCoefficients);
  TMainForm& form = Start();
  ClickFile(kNHR);
  Key(Qt::Key_F4);
  EXPECT_EQ(platform::TakeReportedErrors().size(), 1u);
  EXPECT_EQ(Current(form.ModelListBox), "NHR-110");
  EXPECT_EQ(form.Source().CompData.Name, "NHR-110");
  EXPECT_TRUE(Has(form.mView->Lines(), "<h2>NHR-110</h2>"));
  // Save reads the shown model again, which reads well.
  Save();
  EXPECT_TRUE(platform::TakeReportedErrors().empty());
  // A click on the model does the same.
  ClickModel("NHR-150");
  EXPECT_EQ(platform::TakeReportedErrors().size(), 1u);
  EXPECT_EQ(Current(form.ModelListBox), "NHR-110");
  ClickModel("NHR-200");
  EXPECT_EQ(form.Source().CompData.Name, "NHR-200");
  EXPECT_TRUE(Has(form.mView->Lines(), "<h2>NHR-200</h2>"));
  EXPECT_TRUE(boxes_.boxes.empty());
}

TEST_F(MainFormTest, AFileWhoseFirstModelCannotBeReadShowsNoModel) {
  InsertIntoSection(kNHR, "NHR-110", kBadCoefficients);
  TMainForm& form = Start();
  ClickFile(kNLR);
  ClickModel("NLR-030");
  Key(Qt::Key_F4);   // on to the first model of the next file
  EXPECT_EQ(platform::TakeReportedErrors().size(), 1u);
  EXPECT_EQ(Current(form.FileListBox), kNHR);
  EXPECT_EQ(form.StatusText(1), DataFolder() + kNHR);
  EXPECT_TRUE(Has(form.hView->Lines(), "<tr><td class=\"key\">Manuf</td><td>Northfield Compressors</td></tr>"));
  // Neither the list nor the pages hold a model of the file left behind.
  EXPECT_EQ(form.ModelListBox->currentRow(), -1);
  EXPECT_EQ(form.Source().CompData.Name, "");
  EXPECT_TRUE(form.mView->Lines().empty());
  EXPECT_TRUE(form.rView->Lines().empty());
  Save();
  EXPECT_TRUE(platform::TakeReportedErrors().empty());
  ClickModel("NHR-150");
  EXPECT_EQ(form.Source().CompData.Name, "NHR-150");
  EXPECT_TRUE(Has(form.mView->Lines(), "<h2>NHR-150</h2>"));
  EXPECT_TRUE(boxes_.boxes.empty());
}

TEST_F(MainFormTest, EachLineOfTheBuildLogIsALineOfTheVerifyPage) {
  std::string text = testsupport::ReadAll(DataFolder() + kNHR);
  text += "\r\n[NHR-X]\r\nTe=-10,0,10\r\n\r\n[NHR-Y]\r\nTe=-10,0,10\r\nTc=40,50\r\n";
  testsupport::WriteAll(DataFolder() + kNHR, text);
  TMainForm& form = Start();
  ClickFile(kNHR);
  Menu("&Process", "Build compressor file");
  std::vector<std::string> shown;
  std::string line;
  for (char c : form.eView->VisibleText() + "\n") {
    if (c == '\r') continue;
    if (c != '\n') {
      line += c;
      continue;
    }
    if (!platform::Trim(line).empty()) shown.push_back(platform::Trim(line));
    line.clear();
  }
  EXPECT_EQ(shown, (std::vector<std::string>{
                       "Error in Tc data for compressor NHR-X",
                       "Error in Valid data for compressor NHR-Y",
                       DataFolder() + "Northfield NHR R22.cmp compressor data file created...",
                   }))
      << form.eView->VisibleText();
}

TEST_F(MainFormTest, DecliningTheCatalogSearchOfTryClosesOnlyTheDialog) {
  TMainForm& form = Start();
  ClickFile(kNHR);
  TypeAtTop("; mine");
  ASSERT_EQ(core::CatalogList().Count(), 0);
  auto texts = [this] {
    std::vector<std::string> all;
    for (const platform::MessageBoxCall& box : boxes_.boxes) all.push_back(box.text);
    boxes_.boxes.clear();
    return all;
  };

  boxes_.answers = {platform::IDOK, platform::IDNO};
  Menu("&Process", "Try");
  EXPECT_EQ(texts(), (std::vector<std::string>{"Compressor (NHR-110) not found",
                                               "Compressor data files not found.  Find now?"}));
  EXPECT_FALSE(workbench::CompForm()->isVisible());
  EXPECT_TRUE(form.isVisible());
  EXPECT_EQ(form.EditorText().rfind("; mine", 0), 0u);
  EXPECT_TRUE(form.Modified());

  // A chosen folder without catalogs: the message, and again only the
  // dialog closes.
  const std::string none = testsupport::MakeTempDir("nocatalogs");
  const platform::FolderChooser before = platform::SetFolderChooser([&](QWidget*, const std::string&) { return none; });
  boxes_.answers = {platform::IDOK, platform::IDYES};
  Menu("&Process", "Try");
  platform::SetFolderChooser(before);
  EXPECT_EQ(texts(), (std::vector<std::string>{"Compressor (NHR-110) not found",
                                               "Compressor data files not found.  Find now?",
                                               "No compressor data files found!"}));
  EXPECT_FALSE(workbench::CompForm()->isVisible());
  EXPECT_TRUE(form.isVisible());
  EXPECT_EQ(form.EditorText().rfind("; mine", 0), 0u);

  // The window's settings are still kept at its close.
  ClickTab(workbench::pgPlot);
  form.close();
  platform::TRegistry reg;
  ASSERT_TRUE(reg.OpenKeyReadOnly(workbench::MainSettingsKey()));
  EXPECT_EQ(reg.ReadString("LastFile"), DataFolder() + kNHR);
  EXPECT_EQ(reg.ReadInteger("LastPage"), workbench::pgPlot);
}

TEST_F(MainFormTest, TheFolderListShowsTheCurrentFolderOfADeepPath) {
  std::string deep = DataFolder();
  for (int level = 1; level <= 24; ++level) deep += "level" + std::to_string(level) + "/";
  platform::ForceDirectories(deep);
  {
    platform::TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(workbench::MainSettingsKey(), true));
    reg.WriteString("LastPath", deep);
  }
  TMainForm& form = Start();
  workbench::TDirectoryListBox* folders = form.DirectoryListBox;
  ASSERT_EQ(folders->Directory(), deep);
  QListWidgetItem* current = folders->currentItem();
  ASSERT_NE(current, nullptr);
  EXPECT_EQ(folders->EntryFolder(folders->currentRow()), deep);
  // The entry ends with the folder's name; the name lies inside the view.
  auto nameInView = [folders](const std::string& name) {
    const QRect entry = folders->visualItemRect(folders->currentItem());
    const int right = entry.x() + entry.width();
    const int left = right - folders->fontMetrics().horizontalAdvance(QString::fromStdString(name));
    return entry.top() >= 0 && entry.bottom() < folders->viewport()->height() && left >= 0 &&
           right <= folders->viewport()->width();
  };
  EXPECT_TRUE(nameInView("level24"));

  // Going one folder up by the keys keeps the new current folder in view.
  QTest::keyClick(folders, Qt::Key_Up);
  QTest::keyClick(folders, Qt::Key_Return);
  ASSERT_EQ(folders->Directory(), platform::ExtractFilePath(deep.substr(0, deep.size() - 1)));
  EXPECT_TRUE(nameInView("level23"));
}

}  // namespace
