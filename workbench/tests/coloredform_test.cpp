// "Syntax Hilight Editor": the rows built for the eight attributes, colour
// shapes and check boxes writing to the highlighter handed over, Reset to
// the designed colours (and what "syntax.ini" then holds), and letting go of
// a highlighter that is destroyed. A chooser stands in for the colour
// dialog.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "editor/highlighter.h"
#include "editor/inihighlighter.h"
#include "platform/colors.h"
#include "platform/registry.h"
#include "core/environment.h"
#include "testsupport/testenv.h"
#include "workbench/coloredform.h"

using editor::TEdHighlighterAttributes;
using editor::TIniHighlighter;
using workbench::TColorEdForm;

namespace {

const char* const kNames[] = {"Comment", "Key", "Number", "Section", "Space", "String", "Symbol", "Text"};

struct Expected {
  const char* name;
  platform::Colour background, foreground;
  int style;
};
// The designed colours Reset puts back.
const Expected kReset[] = {
    {"Comment", platform::clNone, 32768, editor::fsItalic},
    {"Key", platform::clNone, 12615680, 0},
    {"Number", platform::clNone, platform::clNone, 0},
    {"Section", 4097113, 16777215, editor::fsBold},
    {"Space", platform::clNone, platform::clNone, 0},
    {"String", platform::clNone, platform::clNone, 0},
    {"Symbol", platform::clNone, platform::clNone, 0},
    {"Text", platform::clNone, platform::clNone, 0},
};

TEdHighlighterAttributes* Attr(const editor::TEdCustomHighlighter& h, const std::string& name) {
  for (int i = 0; i < h.GetAttributeCount(); ++i)
    if (h.GetAttribute(i)->Name() == name) return h.GetAttribute(i);
  return nullptr;
}

class ColorEdFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::TRegistry().DeleteKey(core::ProgramRegistryKey() + "\\ColorEdForm");
    form_ = std::make_unique<TColorEdForm>();
    form_->ChooseColour = [this](platform::Colour& colour) {
      offered_.push_back(colour);
      if (!answer_) return false;
      colour = *answer_;
      return true;
    };
    highlighter_.HookAttrChangeEvent(editor::NotifyMethod<&ColorEdFormTest::Changed>(this));
  }
  void TearDown() override {
    highlighter_.UnhookAttrChangeEvent(editor::NotifyMethod<&ColorEdFormTest::Changed>(this));
  }
  void Changed(editor::TEdObject*) { ++changes_; }

  // The main window's part: hand over the editor's highlighter, then show.
  void ShowWithEditorHighlighter() {
    form_->SetHighlighter(&highlighter_);
    form_->show();
  }

  std::unique_ptr<TColorEdForm> form_;
  TIniHighlighter highlighter_;   // stands for the main editor's
  std::vector<platform::Colour> offered_;
  std::optional<platform::Colour> answer_;
  int changes_ = 0;
};

TEST_F(ColorEdFormTest, OneRowPerAttributeAtItsPlace) {
  EXPECT_EQ(form_->windowTitle().toStdString(), "Syntax Hilight Editor");
  EXPECT_EQ(form_->Highlighter(), form_->OwnHighlighter());
  int top = 64;
  int labelLeft = -1, foreLeft = -1, backLeft = -1, boldLeft = -1, italicLeft = -1;
  for (const char* name : kNames) {
    SCOPED_TRACE(name);
    QLabel* label = form_->RowLabel(name);
    workbench::TColorShape* fore = form_->ForeShape(name);
    workbench::TColorShape* back = form_->BackShape(name);
    QCheckBox* bold = form_->BoldBox(name);
    QCheckBox* italic = form_->ItalicBox(name);
    ASSERT_TRUE(label && fore && back && bold && italic);
    EXPECT_EQ(label->text().toStdString(), name);
    EXPECT_TRUE(bold->text().isEmpty());
    for (QWidget* w : std::initializer_list<QWidget*>{label, fore, back, bold, italic}) EXPECT_EQ(w->y(), top);
    EXPECT_EQ(fore->size(), QSize(18, 18));
    EXPECT_EQ(back->size(), QSize(18, 18));
    // Every row uses the same columns.
    if (labelLeft < 0) {
      labelLeft = label->x(), foreLeft = fore->x(), backLeft = back->x();
      boldLeft = bold->x(), italicLeft = italic->x();
      EXPECT_LT(labelLeft, foreLeft);
      EXPECT_LT(foreLeft, backLeft);
      EXPECT_LT(backLeft, boldLeft);
      EXPECT_LT(boldLeft, italicLeft);
    }
    EXPECT_EQ(label->x(), labelLeft);
    EXPECT_EQ(fore->x(), foreLeft);
    EXPECT_EQ(back->x(), backLeft);
    EXPECT_EQ(bold->x(), boldLeft);
    EXPECT_EQ(italic->x(), italicLeft);
    top += 28;
  }
  // Built from the dialog's own highlighter's defaults.
  EXPECT_EQ(form_->ForeShape("Comment")->BrushColour(), platform::clGreen);
  EXPECT_EQ(form_->BackShape("Comment")->BrushColour(), platform::clNone);
  EXPECT_TRUE(form_->ItalicBox("Comment")->isChecked());
  EXPECT_FALSE(form_->BoldBox("Comment")->isChecked());
  EXPECT_TRUE(form_->BoldBox("Section")->isChecked());
  EXPECT_FALSE(form_->BoldBox("Key")->isChecked());
}

TEST_F(ColorEdFormTest, ShowingShowsTheHandedHighlightersValues) {
  Attr(highlighter_, "Number")->SetForeground(platform::clRed);
  Attr(highlighter_, "String")->SetBackground(platform::clYellow);
  Attr(highlighter_, "String")->SetStyle(editor::fsBold | editor::fsUnderline);
  Attr(highlighter_, "Comment")->SetStyle(0);
  ShowWithEditorHighlighter();
  EXPECT_EQ(form_->Highlighter(), &highlighter_);
  EXPECT_EQ(form_->ForeShape("Number")->BrushColour(), platform::clRed);
  EXPECT_EQ(form_->BackShape("String")->BrushColour(), platform::clYellow);
  EXPECT_TRUE(form_->BoldBox("String")->isChecked());
  EXPECT_FALSE(form_->ItalicBox("String")->isChecked());
  EXPECT_FALSE(form_->ItalicBox("Comment")->isChecked());
}

TEST_F(ColorEdFormTest, ShapesChooseColoursForTheAttribute) {
  Attr(highlighter_, "Key")->SetForeground(0x123456);
  ShowWithEditorHighlighter();
  changes_ = 0;

  answer_ = 0x00AA5500;
  QTest::mouseClick(form_->ForeShape("Key"), Qt::LeftButton);
  ASSERT_EQ(offered_.size(), 1u);
  EXPECT_EQ(offered_[0], 0x123456u);   // the dialog starts at the shape's colour
  EXPECT_EQ(Attr(highlighter_, "Key")->Foreground(), 0x00AA5500u);
  EXPECT_EQ(Attr(highlighter_, "Key")->Background(), platform::clNone);
  EXPECT_EQ(form_->ForeShape("Key")->BrushColour(), 0x00AA5500u);
  EXPECT_EQ(changes_, 1);   // the editor is told

  answer_ = 0x000000FF;
  QTest::mouseClick(form_->BackShape("Section"), Qt::LeftButton);
  EXPECT_EQ(Attr(highlighter_, "Section")->Background(), 0x000000FFu);
  EXPECT_EQ(form_->BackShape("Section")->BrushColour(), 0x000000FFu);

  // Cancelled: nothing changes.
  answer_.reset();
  QTest::mouseClick(form_->ForeShape("Text"), Qt::LeftButton);
  EXPECT_EQ(Attr(highlighter_, "Text")->Foreground(), platform::clNone);
  EXPECT_EQ(form_->ForeShape("Text")->BrushColour(), platform::clNone);

  // The dialog's own highlighter is left alone.
  EXPECT_EQ(Attr(*form_->OwnHighlighter(), "Key")->Foreground(), platform::clNone);
}

TEST_F(ColorEdFormTest, CheckBoxesToggleBoldAndItalicOnly) {
  Attr(highlighter_, "Key")->SetStyle(editor::fsUnderline);
  ShowWithEditorHighlighter();

  QTest::mouseClick(form_->BoldBox("Key"), Qt::LeftButton);
  EXPECT_EQ(Attr(highlighter_, "Key")->Style(), editor::fsUnderline | editor::fsBold);
  QTest::mouseClick(form_->ItalicBox("Key"), Qt::LeftButton);
  EXPECT_EQ(Attr(highlighter_, "Key")->Style(), editor::fsUnderline | editor::fsBold | editor::fsItalic);
  QTest::mouseClick(form_->BoldBox("Key"), Qt::LeftButton);
  EXPECT_EQ(Attr(highlighter_, "Key")->Style(), editor::fsUnderline | editor::fsItalic);

  // The comment is italic by default: a click takes it away.
  ASSERT_TRUE(form_->ItalicBox("Comment")->isChecked());
  QTest::mouseClick(form_->ItalicBox("Comment"), Qt::LeftButton);
  EXPECT_EQ(Attr(highlighter_, "Comment")->Style(), 0);
}

TEST_F(ColorEdFormTest, ResetPutsBackTheDesignedColoursAndSyntaxIniHoldsThem) {
  ShowWithEditorHighlighter();
  for (const char* name : kNames) {
    Attr(highlighter_, name)->SetForeground(0x0102030);
    Attr(highlighter_, name)->SetBackground(0x0405060);
    Attr(highlighter_, name)->SetStyle(editor::fsBold | editor::fsItalic | editor::fsStrikeOut);
  }
  form_->RefreshAttributeControls();
  QTest::mouseClick(form_->ResetButton(), Qt::LeftButton);

  for (const Expected& e : kReset) {
    SCOPED_TRACE(e.name);
    const TEdHighlighterAttributes* a = Attr(highlighter_, e.name);
    EXPECT_EQ(a->Background(), e.background);
    EXPECT_EQ(a->Foreground(), e.foreground);
    EXPECT_EQ(a->Style(), e.style);
    EXPECT_EQ(form_->ForeShape(e.name)->BrushColour(), e.foreground);
    EXPECT_EQ(form_->BackShape(e.name)->BrushColour(), e.background);
    EXPECT_EQ(form_->BoldBox(e.name)->isChecked(), (e.style & editor::fsBold) != 0);
    EXPECT_EQ(form_->ItalicBox(e.name)->isChecked(), (e.style & editor::fsItalic) != 0);
  }

  // What the main window's close then writes.
  const std::string file = testsupport::MakeTempDir("syntax") + "/syntax.ini";
  ASSERT_TRUE(highlighter_.SaveToFile(file));
  TIniHighlighter loaded;
  for (const char* name : kNames) Attr(loaded, name)->SetForeground(0x0A0B0C);
  EXPECT_TRUE(loaded.LoadFromFile(file));
  for (const Expected& e : kReset) {
    SCOPED_TRACE(e.name);
    EXPECT_EQ(Attr(loaded, e.name)->Background(), e.background);
    EXPECT_EQ(Attr(loaded, e.name)->Foreground(), e.foreground);
    EXPECT_EQ(Attr(loaded, e.name)->Style(), e.style);
  }
}

TEST_F(ColorEdFormTest, AFreedHighlighterIsLetGo) {
  auto editorHighlighter = std::make_unique<TIniHighlighter>();
  form_->SetHighlighter(editorHighlighter.get());
  editorHighlighter.reset();
  EXPECT_EQ(form_->Highlighter(), form_->OwnHighlighter());
  answer_ = 0x0000FF00;
  QTest::mouseClick(form_->ForeShape("Number"), Qt::LeftButton);
  EXPECT_EQ(Attr(*form_->OwnHighlighter(), "Number")->Foreground(), 0x0000FF00u);

  // Null puts back the dialog's own as well.
  form_->SetHighlighter(&highlighter_);
  form_->SetHighlighter(nullptr);
  EXPECT_EQ(form_->Highlighter(), form_->OwnHighlighter());
}

TEST_F(ColorEdFormTest, ClosingKeepsTheWindowPosition) {
  form_->show();
  form_->move(70, 80);
  QTest::mouseClick(form_->CloseButton(), Qt::LeftButton);
  EXPECT_FALSE(form_->isVisible());
  TColorEdForm again;
  EXPECT_EQ(again.pos(), QPoint(70, 80));
}

}  // namespace
