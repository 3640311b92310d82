// Undo and redo give back exactly the text they took: single commands in
// the three selection modes over tabs, blanks and the room beyond a line's
// end, and seeded random sessions of every editing command, after which
// undoing everything gives the first text and redoing everything the edited
// one. DRAVLEN_UNDO_SEEDS raises the number of random sessions (and
// DRAVLEN_UNDO_FIRST_SEED moves their start) for a longer run by hand.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "editor/tests/textedit_helpers.h"
#include "editor/tests/undo_session.h"
#include "editor/textedit.h"

namespace editor {
namespace {

using testing::SetState;
using testing::Text;

constexpr TTextEditorOptions kTabsToSpaces = OptionBit(eoTabsToSpaces);
constexpr TTextEditorOptions kAutoIndent = OptionBit(eoAutoIndent);
constexpr TTextEditorOptions kTrim = OptionBit(eoTrimTrailingSpaces);

struct UndoCase {
  const char* name;
  const char* start;  // markup of textedit_helpers.h
  TEdSelectionMode mode;
  TTextEditorCommand command;
  const char16_t* data;  // the string of ecImeStr, the character of ecChar ('a' when none)
  const char* after;     // the text the command gives
  TTextEditorOptions on = 0;
  TTextEditorOptions off = 0;
};

const UndoCase kUndoCases[] = {
    // Redo puts back the tab that went in, not the blanks it shows as.
    {"block indent of a normal selection", "a[=|", TEdSelectionMode::smNormal, ecBlockIndent, nullptr, "\ta=", 0,
     kTabsToSpaces},
    {"block indent of a column selection", "a[=|\nbc", TEdSelectionMode::smColumn, ecBlockIndent, nullptr, "a\t=\nbc",
     0, kTabsToSpaces},
    {"tab in column mode", "a|=", TEdSelectionMode::smColumn, ecTab, nullptr, "a\t=", 0, kTabsToSpaces},
    {"tab in column mode over a column selection", "a[b=\ncd|=", TEdSelectionMode::smColumn, ecTab, nullptr,
     "a\t=\nc=", 0, kTabsToSpaces},
    // Line mode puts the tab in front of the line; undo takes only the tab.
    {"tab in line mode", "|ba\nbaab=\nab", TEdSelectionMode::smLine, ecTab, nullptr, "\tba\nbaab=\nab", 0,
     kTabsToSpaces},
    {"tab in line mode beyond the line's end", "ba~~|\nab", TEdSelectionMode::smLine, ecTab, nullptr, "\tba\nab", 0,
     kTabsToSpaces},
    {"input method string in line mode", "|ba\nbaab=\nab", TEdSelectionMode::smLine, ecImeStr, u"xy",
     "xyba\nbaab=\nab"},
    {"input method string over a line selection", "ba\n[ba|ab=\nab", TEdSelectionMode::smLine, ecImeStr, u"xy",
     "ba\nxyab"},
    {"input method string over a column selection", "b[a\nba|ab=\nab", TEdSelectionMode::smColumn, ecImeStr, u"xy",
     "bxy\nbab=\nab"},
    {"input method string over a normal selection", "b[a\nba|ab=\nab", TEdSelectionMode::smNormal, ecImeStr, u"xy",
     "bxyab=\nab"},
    {"delete word in line mode", "|ba ab\nbaab=\nab", TEdSelectionMode::smLine, ecDeleteWord, nullptr,
     "ab\nbaab=\nab"},
    {"delete word in column mode", "b|a ab\nbaab=\nab", TEdSelectionMode::smColumn, ecDeleteWord, nullptr,
     "bab\nbaab=\nab"},
    {"delete word beyond the line's end", "ba~~|\nbaab=", TEdSelectionMode::smNormal, ecDeleteWord, nullptr,
     "ba  baab="},
    {"delete word beyond the end of the last line", "ba~~|", TEdSelectionMode::smNormal, ecDeleteWord, nullptr, "ba"},
    {"delete word beyond the line's end in line mode", "ba~~|\nbaab=", TEdSelectionMode::smLine, ecDeleteWord,
     nullptr, "ba  baab="},
    // A column block over tabs is the rectangle it shows, and comes back as it was.
    {"delete a column selection over tabs", "b\t[\n\t =\t| ", TEdSelectionMode::smColumn, ecDeleteChar, nullptr,
     "b\t\n\t "},
    {"backspace over a column selection inside a tab", "a[bcdefghij\n\tx|yz", TEdSelectionMode::smColumn,
     ecDeleteLastChar, nullptr, "aj\nyz"},
    // A case change changes case only, in the rectangle that is shown.
    {"upper case of a column block over tabs", "\t[ab\nc\td|e", TEdSelectionMode::smColumn, ecUpperCaseBlock,
     nullptr, "\tAb\nc\tDe"},
    {"upper case of one tab in column mode", "|\tb", TEdSelectionMode::smColumn, ecUpperCaseBlock, nullptr, "\tb"},
    {"upper case of a line selection", "[ab\nc|d\nef", TEdSelectionMode::smLine, ecUpperCaseBlock, nullptr,
     "AB\nCD\nef"},
    // Blanks the trimming rule takes from a line come back with undo.
    {"typing in a line that ends in blanks, trimming", "x|  ", TEdSelectionMode::smNormal, ecChar, nullptr, "xa",
     kTrim},
    {"a blank typed at a line's end, trimming", "x ~|", TEdSelectionMode::smNormal, ecChar, u" ", "x", kTrim},
    {"backspace joining a line that ends in blanks, trimming", "ab \t\n|cd", TEdSelectionMode::smNormal,
     ecDeleteLastChar, nullptr, "abcd", kTrim},
    {"line break between blanks, trimming", "ab |  cd", TEdSelectionMode::smNormal, ecLineBreak, nullptr, "ab\n  cd",
     kTrim | kAutoIndent},
    {"deleting a selection after a tab, trimming", "b\t[=|", TEdSelectionMode::smNormal, ecDeleteChar, nullptr, "b",
     kTrim},
    {"typing over a selection after a tab keeps the tab, trimming", "b\t[=|", TEdSelectionMode::smNormal, ecChar,
     nullptr, "b\ta", kTrim},
    // Redo repeats what was done: an empty line, not a fresh auto-indent.
    {"insert line after a blank line", " |", TEdSelectionMode::smNormal, ecInsertLine, nullptr, " \n", kAutoIndent},
    {"line break beyond the line's end", "ab~~|", TEdSelectionMode::smNormal, ecLineBreak, nullptr, "ab\n",
     kAutoIndent},
    {"line break after a blank line", " |", TEdSelectionMode::smNormal, ecLineBreak, nullptr, " \n ", kAutoIndent},
};

class UndoRedoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ed = std::make_unique<TTextEdit>();
    ed->resize(400, 300);
  }
  std::unique_ptr<TTextEdit> ed;
};

TEST_F(UndoRedoTest, UndoAndRedoOfOneCommandGiveBackItsText) {
  for (const UndoCase& c : kUndoCases) {
    SetUp();
    ed->SetOptions((ed->Options() | c.on) & ~c.off);
    ed->SetSelectionMode(c.mode);
    SetState(*ed, c.start);
    ed->SetActiveSelectionMode(c.mode);
    const std::string before = Text(*ed);
    // ecChar types the case's one-character string; ecImeStr takes it whole.
    const char16_t ch = c.command == ecChar ? (c.data != nullptr ? c.data[0] : u'a') : 0;
    ed->CommandProcessor(c.command, ch, const_cast<char16_t*>(c.data));
    EXPECT_EQ(Text(*ed), c.after) << c.name;
    ed->Undo();
    EXPECT_EQ(Text(*ed), before) << c.name << " (undo)";
    ed->Redo();
    EXPECT_EQ(Text(*ed), c.after) << c.name << " (redo)";
    ed->Undo();
    EXPECT_EQ(Text(*ed), before) << c.name << " (undo after redo)";
    EXPECT_FALSE(ed->CanUndo()) << c.name;
  }
}

TEST_F(UndoRedoTest, EditsInALineLongerThanTheScrollWidthAreTakenBackWhereTheyWere) {
  // MaxScrollWidth limits the room beyond a line's end, not the positions
  // inside a longer line: undo and redo put the caret there.
  ed->SetMaxScrollWidth(10);
  SetState(*ed, "abcdefghijklmnopqrst|uvwxyz");
  ed->CommandProcessor(ecDeleteChar, 0, nullptr);
  ed->CommandProcessor(ecDeleteLastChar, 0, nullptr);
  EXPECT_EQ(Text(*ed), "abcdefghijklmnopqrsvwxyz");
  ed->Undo();
  ed->Undo();
  EXPECT_EQ(Text(*ed), "abcdefghijklmnopqrstuvwxyz");
  EXPECT_EQ(ed->CaretXY(), (TBufferCoord{21, 1}));
  ed->Redo();
  ed->Redo();
  EXPECT_EQ(Text(*ed), "abcdefghijklmnopqrsvwxyz");
}

TEST_F(UndoRedoTest, AZeroWidthColumnBlockIsNoSelectionToReplace) {
  // Undo and redo leave the mode of their record active; a column block of
  // no width is no selection, also when the text goes in by another mode.
  SetState(*ed, "a[b\nc|d");
  ed->SetActiveSelectionMode(TEdSelectionMode::smColumn);
  ed->SetCaretAndSelection({2, 2}, {2, 1}, {2, 2});
  ASSERT_FALSE(ed->SelAvail());
  ed->SetSelText(u"x");
  EXPECT_EQ(Text(*ed), "ab\ncxd");
  ed->Undo();
  EXPECT_EQ(Text(*ed), "ab\ncd");
}

TEST_F(UndoRedoTest, ADropIsTakenBackWithTheSpacesThatReachedIt) {
  SetState(*ed, "[ab|\nx");
  const platform::Point at = ed->RowColumnToPixels(ed->BufferToDisplayPos({5, 2}));
  ed->DragDrop(ed.get(), at.x + 1, at.y + 1, platform::ssCtrl);
  EXPECT_EQ(Text(*ed), "ab\nx   ab");
  ed->Undo();
  EXPECT_EQ(Text(*ed), "ab\nx");
  ed->Redo();
  EXPECT_EQ(Text(*ed), "ab\nx   ab");
  // A column block dropped over tabs comes out piece by piece.
  ed->SetSelectionMode(TEdSelectionMode::smColumn);
  SetState(*ed, "[ab\ncd|\n\tx\n\ty");
  const platform::Point below = ed->RowColumnToPixels(ed->BufferToDisplayPos({2, 3}));
  ed->DragDrop(ed.get(), below.x + 1, below.y + 1, platform::ssCtrl);
  EXPECT_EQ(Text(*ed), "ab\ncd\n\tabx\n\tcdy");
  ed->Undo();
  EXPECT_EQ(Text(*ed), "ab\ncd\n\tx\n\ty");
}

TEST_F(UndoRedoTest, GroupUndoTakesWholeActions) {
  // Typing far right: the first character's fill goes with the group.
  SetState(*ed, "~~~~|");
  for (char16_t c : std::u16string(u"abc")) ed->CommandProcessor(ecChar, c, nullptr);
  EXPECT_EQ(Text(*ed), "    abc");
  ed->Undo();
  EXPECT_EQ(Text(*ed), "");
  // Typing over a character records an insertion and a deletion: undo
  // takes both with the deletions before it, never one without the other.
  ed->SetInsertMode(false);
  SetState(*ed, "|xbcd");
  ed->CommandProcessor(ecDeleteChar, 0, nullptr);
  ed->CommandProcessor(ecDeleteChar, 0, nullptr);
  std::u16string y = u"y";
  ed->CommandProcessor(ecImeStr, 0, y.data());
  ed->CommandProcessor(ecDeleteChar, 0, nullptr);
  EXPECT_EQ(Text(*ed), "y");
  ed->Undo();
  EXPECT_EQ(Text(*ed), "yd");
  ed->Undo();
  EXPECT_EQ(Text(*ed), "cd");
  ed->Redo();
  ed->Redo();
  EXPECT_EQ(Text(*ed), "y");
}

// ------------------------------------------------------- random sessions

int EnvInt(const char* name, int fallback) {
  const char* v = std::getenv(name);
  return v != nullptr && *v != '\0' ? std::atoi(v) : fallback;
}

TEST(UndoRedoSessions, UndoEverythingGivesTheFirstTextAndRedoEverythingTheEdited) {
  const int seeds = EnvInt("DRAVLEN_UNDO_SEEDS", 2000);
  const int first = EnvInt("DRAVLEN_UNDO_FIRST_SEED", 1);
  constexpr int kSteps = 40;
  int failures = 0;
  for (int seed = first; seed < first + seeds && failures < 5; ++seed) {
    auto run = [seed](int steps) {
      testing::SessionChoices choices(static_cast<std::uint64_t>(seed));
      return testing::UndoSession(choices, steps).Run();
    };
    if (run(kSteps).ok) continue;
    ++failures;
    // The shortest failing start of the session is the one to read.
    for (int steps = 1; steps <= kSteps; ++steps) {
      const testing::SessionOutcome outcome = run(steps);
      if (!outcome.ok) {
        ADD_FAILURE() << "seed " << seed << ", " << steps << " steps: " << outcome.failure;
        break;
      }
    }
  }
}

}  // namespace
}  // namespace editor
