// The formatted value edit box, its unit label and chooser, and the dialog
// key navigation, driven by Qt Test keys and clicks on the offscreen platform.
#include "core/fmtedit.h"

#include <QApplication>
#include <QComboBox>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "core/navigation.h"
#include "core/unitsform.h"
#include "platform/dialogs.h"
#include "platform/keys.h"
#include "platform/timers.h"
#include <QDialog>

namespace {

using namespace core;

class FmtEditTest : public ::testing::Test {
 protected:
  void SetUp() override {
    capture = std::make_unique<platform::MessageCapture>();
    form = std::make_unique<QWidget>();
    auto* layout = new QVBoxLayout(form.get());
    edit = new TFmtEdit(form.get());
    second = new TFmtEdit(form.get());
    other = new platform::LineEdit(form.get());
    label = new TFmtEditLabel(form.get());
    for (QWidget* w : {static_cast<QWidget*>(edit), static_cast<QWidget*>(second),
                       static_cast<QWidget*>(other), static_cast<QWidget*>(label)})
      layout->addWidget(w);
    form->show();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    // The boxes under test receive the focus only when a test gives it.
    other->setFocus(Qt::OtherFocusReason);
  }
  void TearDown() override {
    form.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }

  // Focus arrives as from the Tab key (the whole text selected).
  void Enter(QWidget* w) { w->setFocus(Qt::TabFocusReason); }
  // Leaves the box for the other control and lets a refocus happen.
  void Leave() {
    other->setFocus(Qt::TabFocusReason);
    platform::RunPosted();
  }
  void Type(const char* keys) { QTest::keyClicks(edit, keys); }

  std::unique_ptr<platform::MessageCapture> capture;
  std::unique_ptr<QWidget> form;
  TFmtEdit* edit = nullptr;
  TFmtEdit* second = nullptr;
  platform::LineEdit* other = nullptr;
  TFmtEditLabel* label = nullptr;
};

TEST(FmtEditPattern, KindFollowsTheLetters) {
  EXPECT_EQ(PatternKind("%s"), TPatternKind::Text);
  EXPECT_EQ(PatternKind("%S"), TPatternKind::Text);
  EXPECT_EQ(PatternKind("%0.1f/%0.1f"), TPatternKind::Pair);
  EXPECT_EQ(PatternKind("%d/%d"), TPatternKind::Pair);  // pair before integer
  EXPECT_EQ(PatternKind("%d"), TPatternKind::Integer);
  EXPECT_EQ(PatternKind("%0.3f"), TPatternKind::Float);
  EXPECT_EQ(PatternKind("%0.4G"), TPatternKind::Float);
  EXPECT_EQ(PatternKind("%x"), TPatternKind::Other);
}

TEST_F(FmtEditTest, NewBoxDefaults) {
  EXPECT_EQ(edit->Text(), "0.0");
  EXPECT_EQ(edit->FormatStr(), "%0.1f");
  EXPECT_EQ(edit->FormatType(), ft_Fixed);
  EXPECT_EQ(edit->SigDigs(), 5);
  EXPECT_EQ(edit->UnitsType(), utNone);
  EXPECT_EQ(edit->Factor(), 1);
  EXPECT_EQ(edit->Offset(), 0);
  edit->SetFormatStr("%S");  // a text box starts empty
  EXPECT_EQ(edit->Text(), "");
}

TEST_F(FmtEditTest, RefusedCharactersBeepAndLeaveTheText) {
  struct Case {
    const char* format;
    const char* keys;
    const char* text;
    int beeps;
  };
  const Case cases[] = {
      {"%0.3f", "1e2", "12", 1},           {"%0.4g", "1e2", "1e2", 0},
      {"%0.4g", "-2.5E3", "-2.5E3", 0},    {"%d", "-1.5", "-15", 1},
      {"%0.1f/%0.1f", "1.5/2a", "1.5/2", 1}, {"%0.1f", "3/4", "34", 1},
      {"%s", "a b/c", "a b/c", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.format) + " " + c.keys);
    edit->SetFormatStr(c.format);
    edit->SetText("");
    Enter(edit);
    capture->beeps = 0;
    Type(c.keys);
    EXPECT_EQ(edit->Text(), c.text);
    EXPECT_EQ(capture->beeps, c.beeps);
    EXPECT_TRUE(edit->Modified());
    Enter(other);
  }
}

TEST_F(FmtEditTest, TypingReplacesTheSelectionAndBackspaceDeletes) {
  edit->SetFormatStr("%0.0f");
  edit->SetText("12345");
  Enter(edit);
  edit->SetSelStart(1);
  edit->SetSelLength(2);
  Type("9");
  EXPECT_EQ(edit->Text(), "1945");
  EXPECT_EQ(edit->SelStart(), 2);

  QTest::keyClick(edit, Qt::Key_Backspace);
  EXPECT_EQ(edit->Text(), "145");
  EXPECT_EQ(edit->SelStart(), 1);
  // A selection is deleted as a whole, the character before it stays.
  edit->SetSelStart(1);
  edit->SetSelLength(2);
  QTest::keyClick(edit, Qt::Key_Backspace);
  EXPECT_EQ(edit->Text(), "1");
  EXPECT_EQ(capture->beeps, 0);

  edit->SetReadOnly(true);
  QTest::keyClick(edit, Qt::Key_Backspace);
  Type("7");
  EXPECT_EQ(edit->Text(), "1");
  EXPECT_EQ(capture->beeps, 0);  // read-only: nothing typed, nothing refused
}

TEST_F(FmtEditTest, EscapeRestoresTheEntryText) {
  edit->SetText("12.5");
  Enter(edit);
  EXPECT_EQ(edit->EntryText(), "12.5");
  EXPECT_FALSE(edit->Modified());

  // Unmodified, the box leaves Escape to the dialog.
  QKeyEvent probe(QEvent::ShortcutOverride, Qt::Key_Escape, Qt::NoModifier, "\x1b");
  probe.ignore();
  QApplication::sendEvent(edit, &probe);
  EXPECT_FALSE(probe.isAccepted());

  Type("99");
  EXPECT_EQ(edit->Text(), "99");
  QKeyEvent claimed(QEvent::ShortcutOverride, Qt::Key_Escape, Qt::NoModifier, "\x1b");
  claimed.ignore();
  QApplication::sendEvent(edit, &claimed);
  EXPECT_TRUE(claimed.isAccepted());

  QTest::keyClick(edit, Qt::Key_Escape);
  EXPECT_EQ(edit->Text(), "12.5");
  EXPECT_FALSE(edit->Modified());
  EXPECT_EQ(capture->beeps, 0);
}

TEST_F(FmtEditTest, LeavingCleansAndFormatsTheText) {
  edit->SetFormatStr("%0.2f");
  Enter(edit);
  Type("1.2.3");
  Leave();
  EXPECT_EQ(edit->Text(), "1.23");
  EXPECT_FALSE(edit->hasFocus());
  EXPECT_EQ(capture->beeps, 0);

  // Unmodified text is left alone.
  edit->SetText("7");
  Enter(edit);
  Leave();
  EXPECT_EQ(edit->Text(), "7");
}

TEST_F(FmtEditTest, OutOfRangeIsClampedOnExitWithTheFocusKept) {
  struct Case {
    const char* keys;
    const char* text;
    bool clamped;
  };
  const Case cases[] = {
      {"50", "50.0", false},
      {"100.4", "100.4", false},  // within half a percent of the top
      {"101", "100.0", true},
      {"-1", "0.0", true},        // no slack below a limit of 0
  };
  edit->SetRangeLo(0);
  edit->SetRangeHi(100);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.keys);
    Enter(other);
    edit->SetText("");
    Enter(edit);
    capture->beeps = 0;
    Type(c.keys);
    Leave();
    EXPECT_EQ(edit->Text(), c.text);
    EXPECT_EQ(capture->beeps, c.clamped ? 1 : 0);
    EXPECT_EQ(edit->hasFocus(), c.clamped);
    if (c.clamped) {
      EXPECT_TRUE(edit->Modified());
    }
  }
}

TEST_F(FmtEditTest, EnterValidatesAndCommitEditFiresExit) {
  edit->SetRangeLo(10);
  edit->SetRangeHi(20);
  Enter(edit);
  Type("5");
  QTest::keyClick(edit, Qt::Key_Return);
  platform::RunPosted();
  EXPECT_EQ(edit->Text(), "10.0");
  EXPECT_EQ(capture->beeps, 1);
  EXPECT_TRUE(edit->hasFocus());

  int exits = 0;
  edit->OnExit = [&] { ++exits; };
  Type("9");  // "10.09": the caret was at the end
  edit->SelectAll();
  Type("25");
  edit->CommitEdit();
  EXPECT_EQ(edit->Text(), "20.0");
  EXPECT_EQ(capture->beeps, 2);
  EXPECT_EQ(exits, 1);
  EXPECT_FALSE(edit->Modified());
}

TEST_F(FmtEditTest, ChangingTheDisplayUnitShowsTheSameStoredValue) {
  edit->SetUnitsLabel(label);
  edit->SetUnitsType(utTemperature);
  edit->SetValue(20.0);
  EXPECT_EQ(edit->Text(), "20.0");
  EXPECT_EQ(label->text().toStdString(), "°C");

  edit->SetUnitsValue(1);
  EXPECT_EQ(edit->Text(), "68.0");
  EXPECT_EQ(label->text().toStdString(), "°F");
  EXPECT_EQ(edit->FormatStr(), "%0.1f");
  ASSERT_TRUE(std::holds_alternative<double>(edit->GetValue()));
  EXPECT_NEAR(std::get<double>(edit->GetValue()), 20.0, 1e-9);

  edit->SetUnitsValue(2);
  EXPECT_EQ(edit->Text(), "293.15");
  EXPECT_EQ(edit->FormatStr(), "%0.2f");
  EXPECT_EQ(edit->Decimals(), 2);
  edit->SetUnitsValue(9);  // limited to the kind's units
  EXPECT_EQ(edit->UnitsValue(), 2);

  // The range is kept in stored units: 0..100 °C is 32..212 °F.
  edit->SetUnitsValue(1);
  edit->SetRangeLo(0);
  edit->SetRangeHi(100);
  Enter(edit);
  edit->SelectAll();
  Type("250");
  Leave();
  EXPECT_EQ(edit->Text(), "212.0");
  EXPECT_EQ(capture->beeps, 1);
}

TEST_F(FmtEditTest, ManualFormatSurvivesUnitChanges) {
  edit->SetFormatType(ft_Manual);
  edit->SetFormatStr("%0.3f");
  edit->SetUnitsType(utDutyPrim);
  edit->SetValue(1.0);
  edit->SetUnitsValue(2);
  EXPECT_EQ(edit->Text(), "3412.141");
  edit->SetFormatType(ft_Fixed);
  edit->SetUnitsValue(3);
  EXPECT_EQ(edit->Text(), "3.412");
  edit->SetUnitsValue(2);
  EXPECT_EQ(edit->Text(), "3412");
}

TEST_F(FmtEditTest, AutomaticFormats) {
  edit->SetFormatType(ft_AutoOverride);
  edit->SetValue(10.0);
  EXPECT_EQ(edit->Text(), "10.0");
  edit->SetValue(0.012345);
  EXPECT_EQ(edit->Text(), "0.0123");
  edit->SetFormatType(ft_Auto);
  edit->SetValue(123.456);
  EXPECT_EQ(edit->Text(), "123.46");
}

TEST_F(FmtEditTest, IntegerAndTextPatterns) {
  edit->SetFormatStr("%d");
  edit->SetValue(12.6);
  EXPECT_EQ(edit->Text(), "13");
  edit->SetText("41.5");
  const TFmtValue whole = edit->GetValue();
  ASSERT_TRUE(std::holds_alternative<int64_t>(whole));
  EXPECT_EQ(std::get<int64_t>(whole), 42);

  edit->SetFormatStr("[%s]");
  edit->SetValue(std::string("abc"));
  EXPECT_EQ(edit->Text(), "[abc]");
  edit->SetText("x");
  EXPECT_EQ(std::get<std::string>(edit->GetValue()), "[x]");
}

TEST_F(FmtEditTest, PairPattern) {
  edit->SetFormatStr("%0.1f/%0.1f");
  Enter(edit);
  edit->SelectAll();
  Type("1.5/2.7");
  Leave();
  EXPECT_EQ(edit->Text(), "1.5/2.7");
  EXPECT_EQ(std::get<std::string>(edit->GetValue()), "1.5/2.7");

  // One number alone takes the first half of the pattern.
  Enter(edit);
  edit->SelectAll();
  Type("5");
  Leave();
  EXPECT_EQ(edit->Text(), "5.0");
  EXPECT_EQ(std::get<std::string>(edit->GetValue()), "5");  // "%0.4g"

  // Both numbers are range-checked.
  edit->SetRangeLo(0);
  edit->SetRangeHi(10);
  Enter(edit);
  edit->SelectAll();
  Type("3/40");
  Leave();
  EXPECT_EQ(edit->Text(), "3.0/10.0");
  EXPECT_EQ(capture->beeps, 1);
}

TEST_F(FmtEditTest, PairInDisplayUnits) {
  edit->SetFormatStr("%0.1f/%0.1f");
  edit->SetUnitsType(utTemperature);
  EXPECT_EQ(edit->FormatStr(), "%0.1f/%0.1f");
  edit->SetValue(std::string("20/30"));
  EXPECT_EQ(edit->Text(), "20.0/30.0");
  edit->SetUnitsValue(1);
  EXPECT_EQ(edit->Text(), "68.0/86.0");
  EXPECT_EQ(std::get<std::string>(edit->GetValue()), "20.0/30.0");
}

TEST_F(FmtEditTest, UnconvertibleTextComesBackAsText) {
  edit->SetText("n/a");
  EXPECT_EQ(std::get<std::string>(edit->GetValue()), "n/a");
  edit->SetFormatStr("%0.1f/%0.1f");
  edit->SetText("5/");
  EXPECT_EQ(std::get<std::string>(edit->GetValue()), "5/");

  // Leaving keeps such text as typed, valid, without a beep.
  edit->SetFormatStr("%0.1f");
  Enter(edit);
  edit->SetText("abc");  // as pasted: pasting is not filtered
  edit->SetModified(true);
  Leave();
  EXPECT_EQ(edit->Text(), "abc");
  EXPECT_FALSE(edit->hasFocus());
  EXPECT_EQ(capture->beeps, 0);

  // A value that cannot be shown empties the box.
  edit->SetValue(std::string("abc"));
  EXPECT_EQ(edit->Text(), "");
  edit->SetValue(std::nan(""));
  EXPECT_EQ(edit->Text(), "");
}

TEST_F(FmtEditTest, LabelLinking) {
  edit->SetUnitsLabel(label);
  edit->SetUnitsLabel(label);
  second->SetUnitsLabel(label);
  EXPECT_EQ(label->Edits(), (std::vector<TFmtEdit*>{edit, second}));
  second->SetUnitsLabel(nullptr);
  EXPECT_EQ(label->Edits(), (std::vector<TFmtEdit*>{edit}));
  second->SetUnitsLabel(label);
  delete second;
  second = nullptr;
  EXPECT_EQ(label->Edits(), (std::vector<TFmtEdit*>{edit}));
  delete label;
  label = nullptr;
  EXPECT_EQ(edit->UnitsLabel(), nullptr);
  edit->SetUnitsValue(0);  // no label to update: nothing breaks
}

// The chooser opened by clicking the label.
class UnitChooserTest : public FmtEditTest {
 protected:
  void SetUp() override {
    FmtEditTest::SetUp();
    for (TFmtEdit* e : {edit, second}) {
      e->SetUnitsLabel(label);
      e->SetUnitsType(utTemperature);
      e->OnUnitsEdited = [this](QbCustomEdit* sender) { edited.push_back(sender); };
    }
    edit->SetValue(25.0);
    second->SetValue(0.0);
  }
  TUnitsForm* Open() {
    QTest::mouseClick(label, Qt::LeftButton, {}, QPoint(3, 3));
    TUnitsForm* chooser = label->UnitsForm();
    EXPECT_NE(chooser, nullptr);
    return chooser;
  }
  void Gone() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }
  std::vector<QbCustomEdit*> edited;
};

TEST_F(UnitChooserTest, EnterAppliesTheChosenUnitToEveryLinkedBox) {
  TUnitsForm* chooser = Open();
  ASSERT_TRUE(chooser);
  EXPECT_TRUE(chooser->isVisible());
  EXPECT_TRUE(chooser->windowFlags() & Qt::Popup);
  EXPECT_EQ(chooser->pos(), label->mapToGlobal(QPoint(3, 3)) + QPoint(5, 5));
  QListWidget* list = chooser->List();
  ASSERT_EQ(list->count(), 3);
  EXPECT_EQ(list->item(1)->text().toStdString(), "°F");
  EXPECT_EQ(list->currentRow(), 0);
  EXPECT_TRUE(list->hasFocus());

  QTest::keyClick(list, Qt::Key_Down);
  EXPECT_TRUE(edited.empty());
  QTest::keyClick(list, Qt::Key_Return);
  EXPECT_EQ(edit->Text(), "77.0");
  EXPECT_EQ(second->Text(), "32.0");
  EXPECT_EQ(edit->UnitsValue(), 1);
  EXPECT_EQ(label->text().toStdString(), "°F");
  EXPECT_EQ(edited, (std::vector<QbCustomEdit*>{edit, second}));
  Gone();
  EXPECT_EQ(label->UnitsForm(), nullptr);
}

TEST_F(UnitChooserTest, EscapeAppliesTheSelectionToo) {
  TUnitsForm* chooser = Open();
  ASSERT_TRUE(chooser);
  QTest::keyClick(chooser->List(), Qt::Key_End);
  QTest::keyClick(chooser->List(), Qt::Key_Escape);
  EXPECT_EQ(edit->Text(), "298.15");
  EXPECT_EQ(second->Text(), "273.15");
  EXPECT_EQ(edited.size(), 2u);
  Gone();
}

TEST_F(UnitChooserTest, ClickingAUnitChoosesIt) {
  edit->SetUnitsValue(2);
  TUnitsForm* chooser = Open();
  ASSERT_TRUE(chooser);
  QListWidget* list = chooser->List();
  EXPECT_EQ(list->currentRow(), 2);  // the first box's unit
  const QPoint at = list->visualItemRect(list->item(1)).center();
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
  EXPECT_EQ(edit->Text(), "77.0");
  EXPECT_EQ(second->Text(), "32.0");
  Gone();
}

TEST_F(UnitChooserTest, SizeFollowsTheLabels) {
  TUnitsForm* chooser = Open();
  ASSERT_TRUE(chooser);
  QListWidget* list = chooser->List();
  EXPECT_EQ(chooser->height(), static_cast<int>(std::lround(list->sizeHintForRow(0) * 3.5)));
  EXPECT_EQ(chooser->width(), 60);  // short labels: the 50-pixel minimum plus 10
  chooser->close();
  Gone();

  TUnitsForm wide(utThermalResist, 0);
  const int text = wide.List()->fontMetrics().horizontalAdvance(QString::fromUtf8("ft²·hr·°F/Btu"));
  EXPECT_EQ(wide.width(), std::max(text, 50) + 10);
}

TEST_F(UnitChooserTest, HandlersMayFreeBoxesAndLabels) {
  // A handler that frees the other linked box: that box is skipped.
  edit->OnUnitsEdited = [this](QbCustomEdit*) {
    delete second;
    second = nullptr;
  };
  TUnitsForm* chooser = Open();
  ASSERT_TRUE(chooser);
  QTest::keyClick(chooser->List(), Qt::Key_Down);
  QTest::keyClick(chooser->List(), Qt::Key_Return);
  EXPECT_EQ(edit->Text(), "77.0");
  EXPECT_TRUE(edited.empty());
  Gone();

  // The label going while its chooser is open changes nothing.
  chooser = Open();
  ASSERT_TRUE(chooser);
  delete label;
  label = nullptr;
  Gone();
  EXPECT_EQ(edit->Text(), "77.0");
  EXPECT_EQ(edit->UnitsLabel(), nullptr);
}

TEST_F(UnitChooserTest, NoLinkedBoxNoChooser) {
  edit->SetUnitsLabel(nullptr);
  second->SetUnitsLabel(nullptr);
  QTest::mouseClick(label, Qt::LeftButton, {}, QPoint(3, 3));
  EXPECT_EQ(label->UnitsForm(), nullptr);
}

// Key navigation over a small dialog.
class NavigationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    form = std::make_unique<QWidget>();
    auto* layout = new QVBoxLayout(form.get());
    first = new TFmtEdit(form.get());
    second = new TFmtEdit(form.get());
    list = new QListWidget(form.get());
    memo = new QPlainTextEdit(form.get());
    combo = new QComboBox(form.get());
    last = new TFmtEdit(form.get());
    for (QWidget* w : std::initializer_list<QWidget*>{first, second, list, memo, combo, last})
      layout->addWidget(w);
    form->show();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    first->setFocus();
  }
  std::unique_ptr<QWidget> form;
  TFmtEdit *first, *second, *last;
  QListWidget* list;
  QPlainTextEdit* memo;
  QComboBox* combo;
};

TEST_F(NavigationTest, NavigateKeyMovesOnEnterDownAndUp) {
  int key = platform::VK_RETURN;
  NavigateKey(form.get(), key);
  EXPECT_EQ(key, 0);
  EXPECT_TRUE(second->hasFocus());
  key = platform::VK_DOWN;
  NavigateKey(form.get(), key);
  EXPECT_TRUE(list->hasFocus());
  key = platform::VK_UP;
  NavigateKey(form.get(), key);
  EXPECT_TRUE(second->hasFocus());
  key = platform::VK_LEFT;
  NavigateKey(form.get(), key);
  EXPECT_EQ(key, platform::VK_LEFT);
  EXPECT_TRUE(second->hasFocus());
}

TEST_F(NavigationTest, NavigateEditKeyOnlyFromEditBoxes) {
  memo->setFocus();
  int key = platform::VK_RETURN;
  NavigateEditKey(form.get(), key);
  EXPECT_EQ(key, platform::VK_RETURN);
  EXPECT_TRUE(memo->hasFocus());
  last->setFocus();
  NavigateEditKey(form.get(), key);
  EXPECT_EQ(key, 0);
  EXPECT_TRUE(first->hasFocus());  // round the tab order
}

TEST_F(NavigationTest, NavigateFormKeySparesListsMemosAndCombos) {
  list->setFocus();
  int key = platform::VK_RETURN;
  NavigateFormKey(form.get(), key, list);
  EXPECT_EQ(key, platform::VK_RETURN);
  memo->setFocus();
  NavigateFormKey(form.get(), key, memo);
  EXPECT_EQ(key, platform::VK_RETURN);  // the memo takes Enter
  memo->setReadOnly(true);
  key = platform::VK_DOWN;
  NavigateFormKey(form.get(), key, memo);
  EXPECT_EQ(key, platform::VK_DOWN);    // arrows stay in a memo
  key = platform::VK_RETURN;
  NavigateFormKey(form.get(), key, memo);
  EXPECT_EQ(key, 0);
  EXPECT_TRUE(combo->hasFocus());
  key = platform::VK_UP;
  NavigateFormKey(form.get(), key, combo);
  EXPECT_EQ(key, platform::VK_UP);
  key = platform::VK_RETURN;
  NavigateFormKey(form.get(), key, combo);
  EXPECT_TRUE(last->hasFocus());
  key = platform::VK_UP;
  NavigateFormKey(form.get(), key, last);
  EXPECT_EQ(key, 0);
  EXPECT_TRUE(combo->hasFocus());
}

}  // namespace

// The formatted edit box inside a real dialog: the box that has the focus
// when the dialog opens is entered like any other, so Escape can restore its
// text, and a visit to the box lasts while the window loses and regains the
// activation.
namespace {

using namespace core;

class FmtEditInDialogTest : public ::testing::Test {
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

TEST_F(FmtEditInDialogTest, EscapeUndoesTypingBeforeItClosesTheDialog) {
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

TEST_F(FmtEditInDialogTest, LeavingAndComingBackToTheWindowIsNoEntry) {
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
