// The compressor selection dialog and the refrigerant dialog over catalogs
// written here with the catalog writer: listing, evaluating, units, settings
// kept in the registry (under the tests' private home), the refrigerant
// choice, restoring the selection after "Try", the search for catalogs when
// none is installed, and property errors that must not escape a handler.
#include <QApplication>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QElapsedTimer>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/catalogfile.h"
#include "core/comp.h"
#include "core/compdata.h"
#include "core/environment.h"
#include "core/fmtedit.h"
#include "core/refriglib.h"
#include "core/unitsform.h"
#include "core/valuestream.h"
#include "platform/dialogs.h"
#include "platform/folderbrowser.h"
#include "platform/guard.h"
#include "platform/keys.h"
#include "platform/registry.h"
#include "platform/streams.h"
#include "platform/sysutils.h"
#include "platform/timers.h"
#include "reflib_helpers.h"
#include "testsupport/catalogs.h"
#include "testsupport/testenv.h"
#include "workbench/compform.h"
#include "workbench/compselection.h"
#include "workbench/refrigtypeform.h"

using core::TCompData;
using platform::Format;
using workbench::TCompForm;
using workbench::TRefrigTypeForm;

namespace {

// A refrigerant whose dew pressure and vapour volume overflow at every
// temperature of the dialogs: its properties raise EMathError.
const char* const kBrokenRefrigerant =
    "\n[RBAD]\nInternalNumber=7\nRNumber=RBAD\nFormula=X\nChemicalName=broken\n"
    "dp=21.3, 2000000, 250\nvv=-11.39, 2000000, 1, 0, 0, 0\n";

// The dialog shows each model's description.
TCompData PolyModel(const std::string& name, double qe, double pw) {
  TCompData d = testsupport::PolyModel(name, qe, pw);
  d.Description = name + " test model";
  return d;
}

using testsupport::TableModel;
using testsupport::WriteCatalog;

std::vector<std::string> Items(const QListWidget* list) {
  std::vector<std::string> items;
  for (int i = 0; i < list->count(); ++i) items.push_back(list->item(i)->text().toStdString());
  return items;
}

std::string Selected(const QListWidget* list) {
  const QListWidgetItem* item = list->currentItem();
  return item && item->isSelected() ? item->text().toStdString() : "";
}

std::vector<std::string> MemoLines(const QPlainTextEdit* memo) {
  std::vector<std::string> lines;
  const QString text = memo->toPlainText();
  if (text.isEmpty()) return lines;
  for (const QString& line : text.split('\n')) lines.push_back(line.toStdString());
  return lines;
}

std::string Kw(double value) { return Format("%0.3f", {value}); }

void DeleteSettings() {
  platform::TRegistry reg;
  reg.DeleteKey(core::ProgramRegistryKey());
  reg.DeleteKey(std::string(core::CommonRegistryKey) + "Compressor");
}

class CompFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    reflibfixture::Init(kBrokenRefrigerant);
    DeleteSettings();
    boxes_ = std::make_unique<platform::MessageCapture>();
    folder_ = testsupport::MakeTempDir("catalogs");
    TCompData superheated = PolyModel("A-300", 12.0, 4.0);
    superheated.sgRef = 0.0;
    superheated.shRef = 10.0;
    WriteCatalog(folder_ + "/alpha.cmp", 0, {PolyModel("A-100", 10.0, 3.0), TableModel("A-200"), superheated});
    WriteCatalog(folder_ + "/beta.cmp", 0, {PolyModel("B-1", 20.0, 5.0), PolyModel("B-2", 25.0, 6.0)});
    WriteCatalog(folder_ + "/r404.cmp", 2, {PolyModel("C-1", 30.0, 7.0)});
    WriteCatalog(folder_ + "/rbad.cmp", 7, {PolyModel("X-1", 5.0, 1.0)});
    platform::ForceDirectories(folder_ + "/sub");
    WriteCatalog(folder_ + "/sub/gamma.cmp", 0, {PolyModel("G-1", 40.0, 9.0)});
    core::SetComp(std::make_unique<core::TComp>("", 7.5, 5.0));
    core::SetCatalogFolder(folder_);
    platform::TakeReportedErrors();
  }

  void TearDown() override {
    form_.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    platform::SetFolderChooser(nullptr);
    core::SetComp(nullptr);
    core::SetCatalogFolder("");
    reflibfixture::Done();
    DeleteSettings();
    // No handler may have let an exception reach Qt.
    EXPECT_EQ(platform::TakeReportedErrors(), std::vector<std::string>());
  }

  TCompForm& Make() {
    form_ = std::make_unique<TCompForm>();
    return *form_;
  }

  // Shown and active, as the user meets it (the first activation runs).
  TCompForm& Show() {
    if (!form_) Make();
    form_->show();
    form_->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(form_.get()));
    return *form_;
  }

  void ClickRow(QListWidget* list, int row) {
    list->doItemsLayout();   // items are placed lazily
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
  }

  // Types into a formatted edit (the whole text replaced) and leaves it with
  // Enter, which the dialog turns into a move to the next control.
  void TypeInto(core::TFmtEdit* edit, const char* keys) {
    edit->setFocus(Qt::TabFocusReason);
    edit->selectAll();
    QTest::keyClicks(edit, keys);
    QTest::keyClick(edit, Qt::Key_Return);
    platform::RunPosted();
  }

  // Picks a unit in the chooser of a unit label: index steps down from the
  // current one, then Enter.
  void ChooseUnit(core::TFmtEditLabel* label, int steps) {
    QTest::mouseClick(label, Qt::LeftButton, {}, QPoint(2, 2));
    core::TUnitsForm* chooser = label->UnitsForm();
    ASSERT_NE(chooser, nullptr);
    for (int i = 0; i < steps; ++i) QTest::keyClick(chooser->List(), Qt::Key_Down);
    QTest::keyClick(chooser->List(), Qt::Key_Return);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }

  // Qe and Qc of a catalog's model at a point, from a compressor of its own.
  std::pair<double, double> Expected(const std::string& file, int index, double te, double tc, double factor = 1.0) {
    core::TComp oracle("", 7.5, 5.0);
    EXPECT_TRUE(oracle.LoadModel(folder_ + "/" + file, index));
    oracle.SetFactor(factor);
    const double qe = oracle.CoolingCapacity(te, tc);
    return {qe, oracle.HeatRejection(te, tc)};
  }

  // Shows the dialog modally; once ready() holds (its activation has run),
  // act() runs. The dialog is closed after act(), or after five seconds
  // when ready() never holds, so that a test cannot hang.
  int RunModal(TCompForm& form, std::function<bool()> ready, std::function<void()> act = nullptr) {
    QTimer poll;
    QElapsedTimer clock;
    clock.start();
    bool done = false;
    QObject::connect(&poll, &QTimer::timeout, &form, [&] {
      if (done) return;
      const bool isReady = ready();
      if (!isReady && clock.elapsed() < 5000) return;
      done = true;
      EXPECT_TRUE(isReady) << "the dialog's activation did not come";
      if (act && isReady) act();
      if (form.isVisible()) form.reject();
    });
    poll.start(10);
    return form.ShowModal();
  }

  std::string folder_;
  std::unique_ptr<platform::MessageCapture> boxes_;
  std::unique_ptr<TCompForm> form_;
};

// ------------------------------------------------------------------ listing

TEST_F(CompFormTest, CreationListsTheRefrigerantsCatalogsAndEvaluatesTheFirstModel) {
  TCompForm& form = Make();
  EXPECT_EQ(form.windowTitle().toStdString(), "Select Compressor");
  EXPECT_EQ(form.RefrigLabel()->text().toStdString(), "R22");
  EXPECT_TRUE(form.RefrigLabel()->font().bold());
  EXPECT_TRUE(form.RefrigLabel()->font().underline());
  EXPECT_EQ(Items(form.FileNames()), (std::vector<std::string>{"alpha.cmp", "beta.cmp", "gamma.cmp"}));
  EXPECT_EQ(Selected(form.FileNames()), "alpha.cmp");
  EXPECT_EQ(Items(form.CompNames()), (std::vector<std::string>{"A-100", "A-200", "A-300"}));
  EXPECT_EQ(Selected(form.CompNames()), "A-100");
  EXPECT_EQ(core::Comp().CurrentModelName(), "A-100");

  EXPECT_EQ(form.DutyFactorEdit()->Text(), "1.000");
  EXPECT_EQ(form.EdEvapTemp()->Text(), "5.0");
  EXPECT_EQ(form.EdCondTemp()->Text(), "48.0");
  // Rating and application conditions agree: no correction.
  EXPECT_EQ(form.EdQe()->Text(), "10.000");
  EXPECT_EQ(form.EdQc()->Text(), "12.700");   // 10 + 0.9 × 3
  EXPECT_EQ(form.EdQe()->UnitsLabel()->text().toStdString(), "kW");
  EXPECT_EQ(form.EdEvapTemp()->UnitsLabel()->text().toStdString(), "°C");
  EXPECT_EQ(form.StatusText(), "Select compressor...");
  EXPECT_EQ(MemoLines(form.DataMemo()),
            (std::vector<std::string>{"[A-100]", "Description = A-100 test model", "Refrigerant = R22",
                                      "Heat Rejection Factor = 0.900", "Ref Superheat = 7.5 °C",
                                      "Ref Sub-cooling = 5.0 °C", "Superheat = 7.500 °C", "Sub-cooling = 5.000 °C",
                                      "qcf = 1.0000", "pcf = 1.0000"}));
  EXPECT_TRUE(boxes_->boxes.empty());
}

TEST_F(CompFormTest, CreatesTheCompressorWhenThereIsNone) {
  core::SetComp(nullptr);
  Make();
  ASSERT_TRUE(core::CompExists());
  EXPECT_DOUBLE_EQ(core::Comp().Superheat, 7.5);
  EXPECT_DOUBLE_EQ(core::Comp().Subcool, 5.0);
  EXPECT_EQ(core::Comp().CurrentModelName(), "A-100");
}

TEST_F(CompFormTest, ClickingAModelShowsItsDataAndDuty) {
  TCompForm& form = Show();
  ClickRow(form.CompNames(), 2);
  EXPECT_EQ(core::Comp().CurrentModelName(), "A-300");
  const auto [qe, qc] = Expected("alpha.cmp", 2, 5.0, 48.0);
  EXPECT_EQ(form.EdQe()->Text(), Kw(qe));
  EXPECT_EQ(form.EdQc()->Text(), Kw(qc));
  EXPECT_NE(form.EdQe()->Text(), "12.000");   // rated at another superheat: corrected
  const std::vector<std::string> memo = MemoLines(form.DataMemo());
  ASSERT_EQ(memo.size(), 10u);
  EXPECT_EQ(memo[0], "[A-300]");
  EXPECT_EQ(memo[4], "Ref Suction Gas = 0.0 °C");
  // The factors of this model at the evaluating point, not of the last one.
  EXPECT_EQ(memo[8], Format("qcf = %0.4f", {core::Comp().CapacityCorrection(5.0, 48.0)}));
  EXPECT_EQ(memo[9], Format("pcf = %0.4f", {core::Comp().PowerCorrection(5.0, 48.0)}));
  EXPECT_NE(memo[8], "qcf = 1.0000");
}

TEST_F(CompFormTest, ClickingACatalogListsItsModelsKeepingTheModelPosition) {
  TCompForm& form = Show();
  ClickRow(form.CompNames(), 2);
  ClickRow(form.FileNames(), 1);
  EXPECT_EQ(Items(form.CompNames()), (std::vector<std::string>{"B-1", "B-2"}));
  // The remembered position 2 is beyond the shorter list: its last model.
  EXPECT_EQ(Selected(form.CompNames()), "B-2");
  EXPECT_EQ(core::Comp().CurrentModelName(), "B-2");
  EXPECT_EQ(form.EdQe()->Text(), "25.000");
}

TEST_F(CompFormTest, ACatalogInASubFolderOpensFromWhereItWasFound) {
  TCompForm& form = Show();
  ClickRow(form.FileNames(), 2);
  EXPECT_EQ(form.FilePaths()[2], folder_ + "/sub/gamma.cmp");
  EXPECT_EQ(Items(form.CompNames()), std::vector<std::string>{"G-1"});
  EXPECT_EQ(core::Comp().CurrentModelName(), "G-1");
  EXPECT_EQ(form.EdQe()->Text(), "40.000");
  EXPECT_EQ(form.StatusText(), "Select compressor...");
}

// ------------------------------------------------------------- evaluating

TEST_F(CompFormTest, ChangingTheSuctionTemperatureRecomputesWithoutTouchingTheMemo) {
  TCompForm& form = Show();
  ClickRow(form.CompNames(), 2);
  const std::vector<std::string> memo = MemoLines(form.DataMemo());
  int changes = 0;
  form.OnChange = [&] { ++changes; };

  TypeInto(form.EdEvapTemp(), "-10");
  EXPECT_EQ(form.EdEvapTemp()->Text(), "-10.0");
  EXPECT_TRUE(form.EdCondTemp()->hasFocus());   // Enter moved on
  EXPECT_DOUBLE_EQ(form.Te(), -10.0);
  const auto [qe, qc] = Expected("alpha.cmp", 2, -10.0, 48.0);
  EXPECT_EQ(form.EdQe()->Text(), Kw(qe));
  EXPECT_EQ(form.EdQc()->Text(), Kw(qc));
  EXPECT_EQ(MemoLines(form.DataMemo()), memo);
  EXPECT_GE(changes, 1);

  TypeInto(form.EdCondTemp(), "55");
  EXPECT_DOUBLE_EQ(form.Tc(), 55.0);
  const auto [qe2, qc2] = Expected("alpha.cmp", 2, -10.0, 55.0);
  EXPECT_EQ(form.EdQe()->Text(), Kw(qe2));
  EXPECT_EQ(form.EdQc()->Text(), Kw(qc2));
}

TEST_F(CompFormTest, TemperaturesOutsideTheRangeAreClampedAndUsed) {
  TCompForm& form = Show();
  TypeInto(form.EdEvapTemp(), "45");
  EXPECT_EQ(form.EdEvapTemp()->Text(), "30.0");
  EXPECT_EQ(boxes_->beeps, 1);
  EXPECT_DOUBLE_EQ(form.Te(), 30.0);
}

TEST_F(CompFormTest, DutyFactorScalesTheDuty) {
  TCompForm& form = Show();
  TypeInto(form.DutyFactorEdit(), "2");
  EXPECT_EQ(form.DutyFactorEdit()->Text(), "2.000");
  EXPECT_DOUBLE_EQ(core::Comp().Factor, 2.0);
  EXPECT_EQ(form.EdQe()->Text(), "20.000");
  EXPECT_EQ(form.EdQc()->Text(), "25.400");   // (10 + 0.9 × 3) × 2
  // Leaving it untouched changes nothing.
  form.DutyFactorEdit()->setFocus(Qt::TabFocusReason);
  QTest::keyClick(form.DutyFactorEdit(), Qt::Key_Return);
  EXPECT_DOUBLE_EQ(core::Comp().Factor, 2.0);
}

TEST_F(CompFormTest, ATablePointOutsideTheRatingsShowsTheRangeWarning) {
  TCompForm& form = Show();
  ClickRow(form.CompNames(), 1);   // A-200, a table model
  EXPECT_EQ(form.EdQe()->Text(), "10.000");
  EXPECT_EQ(form.StatusText(), "Select compressor...");
  TypeInto(form.EdEvapTemp(), "20");
  const std::string status = form.StatusText();
  EXPECT_EQ(status, core::Comp().RangeWarningText());
  EXPECT_NE(status.find("... [Suction -25 to 10°C Discharge 40 to 60°C]"), std::string::npos) << status;
}

TEST_F(CompFormTest, UnitsFollowEachOtherAndAreStored) {
  TCompForm& form = Show();
  ChooseUnit(form.EvapTempUnits(), 1);   // °F
  EXPECT_EQ(form.EdEvapTemp()->UnitsValue(), 1);
  EXPECT_EQ(form.EdCondTemp()->UnitsValue(), 1);
  EXPECT_EQ(form.EdEvapTemp()->Text(), "41.0");
  EXPECT_EQ(form.EdCondTemp()->Text(), "118.4");
  EXPECT_EQ(form.CondTempUnits()->text().toStdString(), "°F");

  ChooseUnit(form.QcUnits(), 2);   // Btu/hr, chosen on Heat Rejection
  EXPECT_EQ(form.EdQe()->UnitsValue(), 2);
  EXPECT_EQ(form.EdQe()->Text(), Format("%0.0f", {10.0 * 3412.141156488376}));
  EXPECT_EQ(form.EdQc()->Text(), Format("%0.0f", {12.7 * 3412.141156488376}));

  // A temperature typed in °F is evaluated in °C.
  TypeInto(form.EdEvapTemp(), "14");
  EXPECT_NEAR(form.Te(), -10.0, 1e-9);

  form.FormDeactivate();
  platform::TRegistry common;
  ASSERT_TRUE(common.OpenKeyReadOnly(std::string(core::CommonRegistryKey) + "Compressor"));
  EXPECT_EQ(common.ReadInteger("UnitsTemp"), 1);
  EXPECT_EQ(common.ReadInteger("UnitsDuty"), 2);

  // A new dialog takes them up again, with the evaluating point.
  form_.reset();
  TCompForm& again = Make();
  EXPECT_EQ(again.EdEvapTemp()->UnitsValue(), 1);
  EXPECT_EQ(again.EdCondTemp()->UnitsValue(), 1);
  EXPECT_EQ(again.EdQe()->UnitsValue(), 2);
  EXPECT_EQ(again.EdQc()->UnitsValue(), 2);
  EXPECT_NEAR(again.Te(), -10.0, 1e-9);
  EXPECT_EQ(again.EdEvapTemp()->Text(), "14.0");
}

TEST_F(CompFormTest, EvaluatingPointIsStoredAndRestoredExactly) {
  {
    TCompForm& form = Show();
    TypeInto(form.EdEvapTemp(), "-12.3");
    TypeInto(form.EdCondTemp(), "51.7");
    form.hide();   // closing deactivates and saves
  }
  platform::TRegistry reg;
  ASSERT_TRUE(reg.OpenKeyReadOnly(core::ProgramRegistryKey() + "\\Settings"));
  ASSERT_TRUE(reg.ValueExists("CompressorTe"));
  ASSERT_TRUE(reg.ValueExists("CompressorTc"));
  form_.reset();
  TCompForm& again = Make();
  EXPECT_EQ(again.Te(), -12.3);
  EXPECT_EQ(again.Tc(), 51.7);
  EXPECT_EQ(again.EdEvapTemp()->Text(), "-12.3");
  EXPECT_EQ(again.EdCondTemp()->Text(), "51.7");
  const auto [qe, qc] = Expected("alpha.cmp", 0, -12.3, 51.7);
  EXPECT_EQ(again.EdQe()->Text(), Kw(qe));
}

TEST_F(CompFormTest, UnusableStoredValuesFallBackToTheDefaults) {
  struct Case {
    const char* te;
    const char* tc;
    double expectTe, expectTc;
  };
  const Case cases[] = {
      {"-7.5", "40", -7.5, 40.0},
      {"warm", "", 5.0, 48.0},
      {"nan", "inf", 5.0, 48.0},
      {"500", "-300", 5.0, 48.0},   // outside what the edits allow
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.te);
    {
      platform::TRegistry reg;
      ASSERT_TRUE(reg.OpenKey(core::ProgramRegistryKey() + "\\Settings", true));
      reg.WriteString("CompressorTe", c.te);
      reg.WriteString("CompressorTc", c.tc);
      platform::TRegistry common;
      ASSERT_TRUE(common.OpenKey(std::string(core::CommonRegistryKey) + "Compressor", true));
      common.WriteString("UnitsTemp", "Fahrenheit");   // not an integer: the edit's own unit
      common.WriteInteger("UnitsDuty", 99);            // limited to the last unit
    }
    TCompForm& form = Make();
    EXPECT_EQ(form.Te(), c.expectTe);
    EXPECT_EQ(form.Tc(), c.expectTc);
    EXPECT_EQ(form.EdEvapTemp()->UnitsValue(), 0);
    EXPECT_EQ(form.EdQe()->UnitsValue(), 4);
    EXPECT_EQ(form.EdQc()->UnitsValue(), 4);
    form_.reset();
  }
}

// The display units are read by the one rule for stored integers: a unit
// written as text is the same setting as one written as a number.
TEST_F(CompFormTest, UnitsStoredAsTextAreTaken) {
  {
    platform::TRegistry common;
    ASSERT_TRUE(common.OpenKey(std::string(core::CommonRegistryKey) + "Compressor", true));
    common.WriteString("UnitsTemp", "1");
    common.WriteString("UnitsDuty", " 2");
  }
  TCompForm& form = Make();
  EXPECT_EQ(form.EdEvapTemp()->UnitsValue(), 1);
  EXPECT_EQ(form.EdCondTemp()->UnitsValue(), 1);
  EXPECT_EQ(form.EdQe()->UnitsValue(), 2);
  EXPECT_EQ(form.EdQc()->UnitsValue(), 2);
}

// ------------------------------------------------------------- refrigerant

TEST_F(CompFormTest, ArrowsStepThroughTheRefrigerants) {
  TCompForm& form = Show();
  QTest::mousePress(form.Image2(), Qt::LeftButton, {}, QPoint(2, 2));
  QTest::mouseRelease(form.Image2(), Qt::LeftButton, {}, QPoint(2, 2));
  EXPECT_EQ(form.RefrigLabel()->text().toStdString(), "R404A");
  EXPECT_EQ(Items(form.FileNames()), std::vector<std::string>{"r404.cmp"});
  EXPECT_EQ(Selected(form.CompNames()), "C-1");
  EXPECT_EQ(form.EdQe()->Text(), Kw(Expected("r404.cmp", 0, 5.0, 48.0).first));
  EXPECT_EQ(MemoLines(form.DataMemo())[2], "Refrigerant = R404A");

  // Back twice: R22, then R134a, for which no catalog exists.
  form.Image1MouseDown();
  EXPECT_EQ(form.RefrigLabel()->text().toStdString(), "R22");
  form.Image1MouseDown();
  EXPECT_EQ(form.RefrigLabel()->text().toStdString(), "R134a");
  EXPECT_EQ(form.FileNames()->count(), 0);
  EXPECT_EQ(form.CompNames()->count(), 0);
  EXPECT_TRUE(form.DataMemo()->toPlainText().isEmpty());
  // No model beside the empty lists: Cooling and Heat Rejection are empty too.
  EXPECT_EQ(form.EdQe()->Text(), "");
  EXPECT_EQ(form.EdQc()->Text(), "");
  // Before the first: the last one.
  form.Image1MouseDown();
  EXPECT_EQ(form.RefrigLabel()->text().toStdString(), "RBAD");
}

TEST_F(CompFormTest, DisabledRefrigerantControlsDoNothing) {
  TCompForm& form = Make();
  form.SetRefrigEnabled(false);
  Show();
  EXPECT_FALSE(form.RefrigLabel()->isEnabled());
  EXPECT_FALSE(form.Image2()->isEnabled());
  form.Image2MouseDown();
  EXPECT_EQ(form.RefrigLabel()->text().toStdString(), "R22");
  EXPECT_EQ(core::RefrigLib().CurrentName(), "R22");
}

TEST_F(CompFormTest, RefrigerantDialogChoiceRefillsTheLists) {
  TCompForm& form = Show();
  TypeInto(form.EdEvapTemp(), "-5");
  int runs = 0;
  form.RunRefrigForm = [&](TRefrigTypeForm& dialog) {
    ++runs;
    // Opened on the current refrigerant with the suction temperature.
    EXPECT_EQ(Selected(dialog.RefrigList()), "R22");
    EXPECT_EQ(dialog.EdTemp()->Text(), "-5.0");
    dialog.show();
    dialog.activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&dialog));
    const int row = core::RefrigLib().Names().IndexOf("R404A");
    dialog.RefrigList()->doItemsLayout();
    QTest::mouseClick(dialog.RefrigList()->viewport(), Qt::LeftButton, {},
                      dialog.RefrigList()->visualItemRect(dialog.RefrigList()->item(row)).center());
    EXPECT_EQ(core::RefrigLib().CurrentName(), "R404A");
    QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
    return dialog.result();
  };
  QTest::mouseClick(form.RefrigLabel(), Qt::LeftButton, {}, QPoint(2, 2));
  EXPECT_EQ(runs, 1);
  EXPECT_EQ(form.RefrigLabel()->text().toStdString(), "R404A");
  EXPECT_EQ(Items(form.FileNames()), std::vector<std::string>{"r404.cmp"});
  EXPECT_EQ(core::Comp().CurrentModelName(), "C-1");
}

TEST_F(CompFormTest, RefrigerantDialogClosedWithoutOkChangesNothing) {
  TCompForm& form = Show();
  form.RunRefrigForm = [&](TRefrigTypeForm& dialog) {
    dialog.RefrigList()->setCurrentRow(core::RefrigLib().Names().IndexOf("R717"));
    EXPECT_EQ(core::RefrigLib().CurrentName(), "R717");
    dialog.reject();
    return dialog.result();
  };
  form.RefrigLabelClick();
  EXPECT_EQ(core::RefrigLib().CurrentName(), "R22");
  EXPECT_EQ(form.RefrigLabel()->text().toStdString(), "R22");
  EXPECT_EQ(Selected(form.CompNames()), "A-100");
}

TEST_F(CompFormTest, RefrigerantDialogRunsModally) {
  TCompForm& form = Show();
  QTimer::singleShot(0, [] {
    auto* dialog = qobject_cast<TRefrigTypeForm*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    dialog->RefrigList()->setCurrentRow(core::RefrigLib().Names().IndexOf("R404A"));
    dialog->accept();
  });
  form.RefrigLabelClick();
  EXPECT_EQ(form.RefrigLabel()->text().toStdString(), "R404A");
}

// ------------------------------------------------------ restoring and closing

TEST_F(CompFormTest, TryWithAnotherModelRestoresTheSelection) {
  TCompForm& form = Show();
  form.hide();
  // What "Try" does before showing the dialog.
  core::Comp().SetModel("B-1");
  core::Comp().SetFactor(1.5);
  const int result = RunModal(form, [&] { return Selected(form.FileNames()) == "beta.cmp"; }, [&] {
    EXPECT_EQ(Selected(form.CompNames()), "B-1");
    EXPECT_EQ(form.DutyFactorEdit()->Text(), "1.500");
    EXPECT_EQ(form.EdQe()->Text(), "30.000");
    EXPECT_EQ(MemoLines(form.DataMemo())[0], "[B-1]");
    form.ToolButton1Click();
  });
  EXPECT_EQ(result, QDialog::Accepted);
  EXPECT_EQ(core::Comp().CurrentModelName(), "B-1");
}

TEST_F(CompFormTest, ReopeningWithTheSameModelLeavesTheListsAlone) {
  TCompForm& form = Show();
  ClickRow(form.CompNames(), 1);
  const QListWidgetItem* fileItem = form.FileNames()->item(0);
  const QListWidgetItem* modelItem = form.CompNames()->item(1);
  form.RestoreSelection();
  EXPECT_EQ(form.FileNames()->item(0), fileItem);
  EXPECT_EQ(form.CompNames()->item(1), modelItem);
  EXPECT_EQ(Selected(form.CompNames()), "A-200");
}

TEST_F(CompFormTest, TryWithAModelOfAnotherRefrigerantSwitchesTheLabel) {
  TCompForm& form = Show();
  core::Comp().SetModel("C-1");   // found only in the R404A catalog
  EXPECT_EQ(core::RefrigLib().CurrentName(), "R404A");
  form.RestoreSelection();
  EXPECT_EQ(form.RefrigLabel()->text().toStdString(), "R404A");
  EXPECT_EQ(Selected(form.FileNames()), "r404.cmp");
  EXPECT_EQ(Selected(form.CompNames()), "C-1");
}

TEST_F(CompFormTest, AcceptNeedsACatalogAndAModel) {
  TCompForm& form = Show();
  form.ToolButton1Click();
  EXPECT_EQ(form.result(), QDialog::Accepted);

  Show();
  form.Image1MouseDown();   // R134a: no catalog
  form.ToolButton1Click();
  EXPECT_EQ(form.result(), QDialog::Rejected);

  Show();
  form.Image2MouseDown();   // back to R22
  QTest::mouseClick(form.CancelButton(), Qt::LeftButton);
  EXPECT_EQ(form.result(), QDialog::Rejected);
}

TEST_F(CompFormTest, AcceptCommitsATemperatureStillBeingTyped) {
  TCompForm& form = Show();
  form.EdEvapTemp()->setFocus(Qt::TabFocusReason);
  form.EdEvapTemp()->selectAll();
  QTest::keyClicks(form.EdEvapTemp(), "-20");
  QTest::mouseClick(form.AcceptButton(), Qt::LeftButton);
  EXPECT_EQ(form.result(), QDialog::Accepted);
  EXPECT_DOUBLE_EQ(form.Te(), -20.0);
}

TEST_F(CompFormTest, EnterMovesTheFocusExceptInLists) {
  TCompForm& form = Show();
  form.DutyFactorEdit()->setFocus(Qt::TabFocusReason);
  QTest::keyClick(form.DutyFactorEdit(), Qt::Key_Down);
  EXPECT_TRUE(form.EdEvapTemp()->hasFocus());
  QTest::keyClick(form.EdEvapTemp(), Qt::Key_Up);
  EXPECT_TRUE(form.DutyFactorEdit()->hasFocus());
  form.CompNames()->setFocus(Qt::TabFocusReason);
  QTest::keyClick(form.CompNames(), Qt::Key_Down);   // the list's own move
  EXPECT_TRUE(form.CompNames()->hasFocus());
  EXPECT_EQ(Selected(form.CompNames()), "A-200");
  EXPECT_EQ(core::Comp().CurrentModelName(), "A-200");
}

// --------------------------------------------------------- no catalogs

class NoCatalogTest : public CompFormTest {
 protected:
  void SetUp() override {
    CompFormTest::SetUp();
    empty_ = testsupport::MakeTempDir("nocatalogs");
    core::SetCatalogFolder(empty_);
  }
  // Shows the dialog modally until the search, which runs at its
  // activation, has asked its question.
  int RunModal(TCompForm& form) {
    return CompFormTest::RunModal(form, [this] { return !boxes_->boxes.empty(); });
  }
  std::string empty_;
};

TEST_F(NoCatalogTest, DecliningEndsTheApplication) {
  TCompForm& form = Make();
  EXPECT_EQ(form.FileNames()->count(), 0);
  int ended = 0;
  form.OnEndApplication = [&] { ++ended; };
  boxes_->answers = {platform::IDNO};
  bool browsed = false;
  platform::SetFolderChooser([&](QWidget*, const std::string&) {
    browsed = true;
    return std::string();
  });
  EXPECT_EQ(RunModal(form), QDialog::Rejected);
  ASSERT_EQ(boxes_->boxes.size(), 1u);
  EXPECT_EQ(boxes_->boxes[0].text, "Compressor data files not found.  Find now?");
  EXPECT_EQ(boxes_->boxes[0].flags & 0xF, platform::MB_YESNO);
  EXPECT_FALSE(browsed);
  EXPECT_TRUE(form.EndRequested());
  EXPECT_EQ(ended, 1);
}

TEST_F(NoCatalogTest, AFolderWithCatalogsIsListedAndRemembered) {
  TCompForm& form = Make();
  boxes_->answers = {platform::IDYES};
  std::string title;
  platform::SetFolderChooser([&](QWidget*, const std::string& t) {
    title = t;
    return folder_;
  });
  RunModal(form);
  EXPECT_EQ(title, "Select compressor library folder");
  EXPECT_FALSE(form.EndRequested());
  EXPECT_EQ(core::CatalogFolder(), folder_ + "/");
  EXPECT_EQ(Items(form.FileNames()), (std::vector<std::string>{"alpha.cmp", "beta.cmp", "gamma.cmp"}));
  EXPECT_EQ(Selected(form.CompNames()), "A-100");
  EXPECT_EQ(form.EdQe()->Text(), "10.000");
  platform::TRegistry common;
  ASSERT_TRUE(common.OpenKeyReadOnly(std::string(core::CommonRegistryKey) + "Compressor"));
  EXPECT_EQ(common.ReadString("DataPath"), folder_ + "/");
  EXPECT_EQ(boxes_->boxes.size(), 1u);
}

TEST_F(NoCatalogTest, AFolderWithoutCatalogsEndsTheApplication) {
  TCompForm& form = Make();
  boxes_->answers = {platform::IDYES};
  platform::SetFolderChooser([&](QWidget*, const std::string&) { return testsupport::MakeTempDir("stillnone"); });
  int ended = 0;
  form.OnEndApplication = [&] { ++ended; };
  EXPECT_EQ(RunModal(form), QDialog::Rejected);
  ASSERT_EQ(boxes_->boxes.size(), 2u);
  EXPECT_EQ(boxes_->boxes[1].text, "No compressor data files found!");
  EXPECT_TRUE(form.EndRequested());
  EXPECT_EQ(ended, 1);
  platform::TRegistry common;
  EXPECT_FALSE(common.OpenKeyReadOnly(std::string(core::CommonRegistryKey) + "Compressor") &&
               common.ValueExists("DataPath"));
}

TEST_F(NoCatalogTest, CancellingTheBrowserLeavesTheListsEmpty) {
  TCompForm& form = Make();
  boxes_->answers = {platform::IDYES};
  platform::SetFolderChooser([&](QWidget*, const std::string&) { return std::string(); });
  RunModal(form);
  EXPECT_FALSE(form.EndRequested());
  EXPECT_EQ(form.FileNames()->count(), 0);
  EXPECT_EQ(boxes_->boxes.size(), 1u);
}

TEST_F(NoCatalogTest, TheFirstNonModalActivationAsksToo) {
  boxes_->answers = {platform::IDNO};
  TCompForm& form = Make();
  form.show();
  form.activateWindow();
  EXPECT_TRUE(QTest::qWaitFor([&] { return form.EndRequested(); }));
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(boxes_->boxes.size(), 1u);
}

// ------------------------------------------------------- property errors

TEST_F(CompFormTest, APropertyErrorBlanksTheDutyInsteadOfEscaping) {
  TCompForm& form = Show();
  form.Image1MouseDown();
  form.Image1MouseDown();   // R22 -> R134a -> RBAD
  ASSERT_EQ(form.RefrigLabel()->text().toStdString(), "RBAD");
  EXPECT_EQ(Selected(form.CompNames()), "X-1");
  EXPECT_EQ(form.EdQe()->Text(), "");
  EXPECT_EQ(form.EdQc()->Text(), "");
  EXPECT_EQ(form.StatusText(), "Floating point overflow");
  EXPECT_EQ(MemoLines(form.DataMemo())[0], "[X-1]");
  // Recalculating after an edit fails the same way, quietly.
  TypeInto(form.EdEvapTemp(), "0");
  EXPECT_EQ(form.EdQe()->Text(), "");
  EXPECT_EQ(form.StatusText(), "Floating point overflow");
}

// ----------------------------------------------------- pure logic pieces

TEST_F(CompFormTest, ModelDataNamesTheGivenRatingCondition) {
  struct Case {
    double sgRef;
    const char* line;
  };
  const Case cases[] = {
      {-300.0, "Ref Superheat = 8.0 °C"},
      {0.0, "Ref Suction Gas = 0.0 °C"},
      {12.5, "Ref Suction Gas = 12.5 °C"},
      {-10.0, "Ref Suction Gas = -10.0 °C"},   // given, and used by the correction
      {-100.0, "Ref Superheat = 8.0 °C"},
  };
  core::TComp comp("", 7.5, 5.0);
  comp.Data().Name = "M";
  comp.Data().shRef = 8.0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sgRef);
    comp.Data().sgRef = c.sgRef;
    const std::vector<std::string> lines = workbench::ModelDataLines(comp, "R22");
    ASSERT_EQ(lines.size(), 10u);
    EXPECT_EQ(lines[4], c.line);
  }
  EXPECT_EQ(workbench::StatusOrPrompt(""), "Select compressor...");
  EXPECT_EQ(workbench::StatusOrPrompt("x"), "x");
}

// ------------------------------------------------------ refrigerant dialog

class RefrigTypeFormTest : public CompFormTest {};

TEST_F(RefrigTypeFormTest, ShowsTheSelectedRefrigerantsProperties) {
  TRefrigTypeForm form;
  EXPECT_EQ(form.windowTitle().toStdString(), "Refrigerant");
  core::TRefrigLib& lib = core::RefrigLib();
  EXPECT_EQ(form.RefrigList()->count(), lib.Names().Count());
  EXPECT_EQ(form.RefrigList()->currentRow(), 0);
  EXPECT_EQ(form.EdTemp()->Text(), "6.0");
  EXPECT_EQ(form.EdPress()->Text(), Format("%0.3f", {lib.DewPressure(6.0) * 0.001}));
  EXPECT_EQ(form.EdPress()->UnitsLabel()->text().toStdString(), "kPa");

  form.show();
  form.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
  EXPECT_EQ(Selected(form.RefrigList()), "R22");
  EXPECT_EQ(form.StatusText(), "Select refrigerant and press OK");
  const double p = platform::StrToFloat(form.EdPress()->Text());
  const std::vector<std::string> expected = {
      "R22 (chlorodifluoromethane, CHClF2)",
      "",
      Format("Critical Temperature = %0.1f °C", {lib.CriticalTemperature()}),
      Format("Critical Pressure = %0.0f kPa", {lib.CriticalPressure() * 0.001}),
      Format("Boiling Point (at 1atm) = %0.1f °C", {lib.NormalBoilingPoint()}),
      Format("Temperature Glide = %0.1f °C", {lib.Glide(p * 1000)}),
      Format("Vapor Specific Volume = %0.4f m³/kg", {lib.VapourVolume(6.0)}),
      Format("Liquid Density = %0.1f kg/m³", {1.0 / lib.LiquidVolume(6.0)}),
      Format("Latent Heat = %0.1f kJ/kgK", {lib.LatentHeat(6.0) * 0.001}),
  };
  EXPECT_EQ(MemoLines(form.Memo()), expected);
  EXPECT_EQ(expected[3], "Critical Pressure = 4990 kPa");
}

TEST_F(RefrigTypeFormTest, TemperatureAndPressureFollowEachOther) {
  TRefrigTypeForm form;
  form.show();
  form.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
  core::TRefrigLib& lib = core::RefrigLib();

  form.EdTemp()->setFocus(Qt::TabFocusReason);
  form.EdTemp()->selectAll();
  QTest::keyClicks(form.EdTemp(), "-10");
  QTest::keyClick(form.EdTemp(), Qt::Key_Return);   // moves on to the pressure
  EXPECT_TRUE(form.EdPress()->hasFocus());
  EXPECT_EQ(form.EdPress()->Text(), Format("%0.3f", {lib.DewPressure(-10.0) * 0.001}));
  EXPECT_NE(form.Memo()->toPlainText().indexOf(
                QString::fromStdString(Format("%0.4f", {lib.VapourVolume(-10.0)}))), -1);

  form.EdPress()->selectAll();
  QTest::keyClicks(form.EdPress(), "1000");
  QTest::keyClick(form.EdPress(), Qt::Key_Up);
  EXPECT_EQ(form.EdTemp()->Text(), Format("%0.1f", {lib.DewTemperature(1000.0 * 1000)}));

  form.Init(20.0);
  EXPECT_EQ(form.EdTemp()->Text(), "20.0");
  EXPECT_EQ(form.EdPress()->Text(), Format("%0.3f", {lib.DewPressure(20.0) * 0.001}));
}

TEST_F(RefrigTypeFormTest, ABrokenRefrigerantShowsTheErrorLine) {
  TRefrigTypeForm form;
  form.FormActivate();
  form.RefrigList()->setCurrentRow(core::RefrigLib().Names().IndexOf("RBAD"));
  EXPECT_EQ(core::RefrigLib().CurrentName(), "RBAD");
  EXPECT_EQ(form.EdPress()->Text(), "");   // no dew pressure to show
  const std::vector<std::string> lines = MemoLines(form.Memo());
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(lines[0], "RBAD (broken, X)");
  EXPECT_EQ(lines[lines.size() - 2], "");
  EXPECT_EQ(lines.back(), "Error reading this refrigerant...");
  // A pressure typed back in gives no temperature either: still no error escapes.
  form.EdPress()->SetText("-5");
  form.EdPress()->SetModified(true);
  form.EdPressExit();
  EXPECT_EQ(form.EdTemp()->Text(), "");
  EXPECT_EQ(MemoLines(form.Memo()).back(), "Error reading this refrigerant...");
}

}  // namespace
