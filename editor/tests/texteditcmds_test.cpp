// Editor commands: each command on a start state gives a text, caret and
// selection; Undo takes each kind back; keys reach the commands through the
// key map.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QInputMethodEvent>
#include <QTest>
#include <memory>
#include <string>
#include <vector>

#include "editor/tests/textedit_helpers.h"
#include "editor/textedit.h"

namespace editor {

namespace {

using testing::SetState;
using testing::State;
using testing::Text;

class TextEditCmdsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ed = std::make_unique<TTextEdit>();
    ed->resize(400, 300);
    ed->show();
    ed->OnChange = [this](TCustomTextEdit*) { ++changes; };
  }
  // Runs one command on a start state; returns the state after it.
  std::string Run(const std::string& start, TTextEditorCommand command, char16_t ch = 0, void* data = nullptr) {
    SetState(*ed, start);
    ed->CommandProcessor(command, ch, data);
    return State(*ed);
  }

  std::unique_ptr<TTextEdit> ed;
  int changes = 0;
};

// ---------------------------------------------------------------- table

struct Case {
  const char* name;
  const char* start;
  TTextEditorCommand command;
  char16_t ch;
  const char* expected;
  TTextEditorOptions on = 0;
  TTextEditorOptions off = 0;
  bool overwrite = false;
};

constexpr TTextEditorOptions kPastEol = OptionBit(eoScrollPastEol);

const Case kCases[] = {
    // Horizontal moves.
    {"left at the start of line 3 without past-eol goes to the end of line 2", "a\nbc\n|d", ecLeft, 0, "a\nbc|\nd", 0,
     kPastEol},
    {"left at the start of a line with past-eol stays", "a\nbc\n|d", ecLeft, 0, "a\nbc\n|d"},
    {"right beyond the end with past-eol", "ab|", ecRight, 0, "ab~|"},
    {"right at the end without past-eol goes to the next line", "ab|\ncd", ecRight, 0, "ab\n|cd", 0, kPastEol},
    {"right at the end of the last line without past-eol stays", "ab|", ecRight, 0, "ab|", 0, kPastEol},
    {"shift right starts a selection", "a|bc", ecSelRight, 0, "a[b|c"},
    {"shift right extends a selection", "[a|bc", ecSelRight, 0, "[ab|c"},
    {"left collapses a selection", "[ab|c", ecLeft, 0, "a|bc"},
    // Vertical moves.
    {"down keeps the column beyond a shorter line with past-eol", "abcd|\nab", ecDown, 0, "abcd\nab~~|"},
    {"down stops at the end of a shorter line without past-eol", "abcd|\nab", ecDown, 0, "abcd\nab|", 0, kPastEol},
    {"down on the last line stays", "ab\nc|d", ecDown, 0, "ab\nc|d"},
    {"up from line 1 stays", "a|b\ncd", ecUp, 0, "a|b\ncd"},
    {"shift up selects", "ab\nc|d", ecSelUp, 0, "a|b\nc[d"},
    {"down counts columns through tabs", "\tx|\nabcdefghijk", ecDown, 0, "\tx\nabcdefghi|jk"},
    // Words.
    {"word right from a word start", "|abc def", ecWordRight, 0, "abc |def"},
    {"word right from inside blanks", "abc| def", ecWordRight, 0, "abc |def"},
    {"word right over punctuation", "|ab.cd", ecWordRight, 0, "ab.|cd"},
    {"word right at a line end goes to the next line's first word", "abc|\n  xy", ecWordRight, 0, "abc\n  |xy"},
    {"word right at the end of the last line stays", "abc|", ecWordRight, 0, "abc|"},
    {"word left from a word end", "abc def|", ecWordLeft, 0, "abc |def"},
    {"word left from a word start", "abc |def", ecWordLeft, 0, "|abc def"},
    {"word left at a line start goes to the previous line's end", "ab\n|cd", ecWordLeft, 0, "ab|\ncd"},
    {"shift word right selects the word", "|abc def", ecSelWordRight, 0, "[abc |def"},
    // Home and End.
    {"home goes to character 1", "  ab|c", ecLineStart, 0, "|  abc"},
    {"enhanced home goes to the first non-blank", "  ab|c", ecLineStart, 0, "  |abc", OptionBit(eoEnhanceHomeKey)},
    {"enhanced home from the first non-blank goes to 1", "  |abc", ecLineStart, 0, "|  abc",
     OptionBit(eoEnhanceHomeKey)},
    {"enhanced home from character 1 goes to the first non-blank", "|  abc", ecLineStart, 0, "  |abc",
     OptionBit(eoEnhanceHomeKey)},
    {"enhanced end stops after the last non-blank", "|ab  ", ecLineEnd, 0, "ab|  "},
    {"enhanced end from there goes to the end", "ab|  ", ecLineEnd, 0, "ab  |"},
    {"plain end goes to the end", "|ab  ", ecLineEnd, 0, "ab  |", 0, OptionBit(eoEnhanceEndKey)},
    {"shift end selects to the end", "a|b", ecSelLineEnd, 0, "a[b|"},
    {"shift home selects to the start", "ab|c", ecSelLineStart, 0, "|ab[c"},
    // Document.
    {"ctrl+end goes after the last character", "|ab\ncde", ecEditorBottom, 0, "ab\ncde|"},
    {"ctrl+home goes to 1,1", "ab\ncd|e", ecEditorTop, 0, "|ab\ncde"},
    {"ctrl+shift+end selects to the end", "a|b\ncd", ecSelEditorBottom, 0, "a[b\ncd|"},
    {"select word at the caret", "ab c|de f", ecSelWord, 0, "ab [cde| f"},
    {"select all", "ab\nc|d", ecSelectAll, 0, "[ab\ncd|"},
    // Typing.
    {"a typed character goes in at the caret", "ab|cd", ecChar, 'x', "abx|cd"},
    {"a typed character replaces the selection", "a[bc|d", ecChar, 'x', "ax|d"},
    {"a typed character replaces a backward selection", "a|bc[d", ecChar, 'x', "ax|d"},
    {"overwrite replaces the character at the caret", "ab|cd", ecChar, 'x', "abx|d", 0, 0, true},
    {"overwrite at the end of a line appends", "ab|", ecChar, 'x', "abx|", 0, 0, true},
    {"overwrite beyond the end fills with spaces first", "ab~~|", ecChar, 'x', "ab  x|", 0, 0, true},
    {"typing beyond the end fills with spaces", "ab~~|", ecChar, 'x', "ab  x|"},
    {"typing on an empty line far right fills an indent", "~~~~~~~~~|", ecChar, 'x', "         x|"},
    {"control characters are not typed", "ab|", ecChar, 7, "ab|"},
    {"DEL is not typed", "ab|", ecChar, 127, "ab|"},
    // Line breaks.
    {"enter splits a line and keeps its indent", "    abc|def", ecLineBreak, 0, "    abc\n    |def"},
    {"enter at the end of a line adds an indented line", "  ab|", ecLineBreak, 0, "  ab\n  |"},
    {"enter at character 1 moves the line down", "|ab", ecLineBreak, 0, "\n|ab"},
    {"enter on an empty line below an indented line adds no spaces", "    abc\n|", ecLineBreak, 0,
     "    abc\n\n~~~~|"},
    {"enter replaces a selection", "a[bc|d", ecLineBreak, 0, "a\n|d"},
    {"ctrl+n inserts a line and keeps the caret", "ab|cd", ecInsertLine, 0, "ab|\ncd"},
    // Backspace.
    {"backspace deletes the character before the caret", "ab|c", ecDeleteLastChar, 0, "a|c"},
    {"backspace at a line start joins the lines", "ab\n|cd", ecDeleteLastChar, 0, "ab|cd"},
    {"backspace at the start of the text does nothing", "|ab", ecDeleteLastChar, 0, "|ab"},
    {"backspace deletes a selection", "a[bc|d", ecDeleteLastChar, 0, "a|d"},
    {"smart backspace in leading blanks goes back to an indent above", "    x\n        |y", ecDeleteLastChar, 0,
     "    x\n    |y"},
    {"smart backspace with no smaller indent above removes all", "        |y", ecDeleteLastChar, 0, "|y"},
    {"backspace in leading blanks goes back to the tab stop", "          |y", ecDeleteLastChar, 0,
     "        |y", 0, OptionBit(eoSmartTabDelete)},
    {"smart backspace beyond a line's end goes to its end", "ab~~|", ecDeleteLastChar, 0, "ab|"},
    {"backspace beyond a line's end steps one left", "ab~~|", ecDeleteLastChar, 0, "ab~|", 0,
     OptionBit(eoSmartTabDelete)},
    // Delete.
    {"delete removes the character at the caret", "a|bc", ecDeleteChar, 0, "a|c"},
    {"delete at a line end joins the next line", "ab|\ncd", ecDeleteChar, 0, "ab|cd"},
    {"delete beyond a line end fills up to the caret before joining", "ab~|\ncd", ecDeleteChar, 0, "ab |cd"},
    {"delete at the end of the last line does nothing", "ab|", ecDeleteChar, 0, "ab|"},
    {"delete removes a selection", "a[bc|d", ecDeleteChar, 0, "a|d"},
    // Word and line deletions.
    {"ctrl+t deletes the word and the blanks after it", "|abc def", ecDeleteWord, 0, "|def"},
    {"ctrl+t at a line end joins the next line", "ab|\ncd", ecDeleteWord, 0, "ab|cd"},
    {"ctrl+backspace deletes the previous word", "abc def|", ecDeleteLastWord, 0, "abc |"},
    {"ctrl+backspace at a word start deletes back to the previous word", "abc |def", ecDeleteLastWord, 0, "|def"},
    {"ctrl+shift+y deletes to the end of the line", "ab|cd", ecDeleteEOL, 0, "ab|"},
    {"delete to the line start", "ab|cd", ecDeleteBOL, 0, "|cd"},
    {"ctrl+y deletes the line", "ab\nc|d\nef", ecDeleteLine, 0, "ab\n|ef"},
    {"ctrl+y on the last line empties it", "ab\nc|d", ecDeleteLine, 0, "ab\n|"},
    {"ctrl+y on an empty last line does nothing", "ab\n|", ecDeleteLine, 0, "ab\n|"},
    // Tabs.
    {"tab inserts spaces to the next tab stop", "ab|c", ecTab, 0, "ab      |c"},
    {"smart tab goes to the next word of the line above", "abc  def\n|", ecTab, 0, "abc  def\n     |"},
    {"smart tab from inside a word of the line above", "abc  def\nx|", ecTab, 0, "abc  def\nx    |"},
    {"tab without spaces inserts a tab", "a|b", ecTab, 0, "a\t|b", 0, OptionBit(eoTabsToSpaces)},
    {"tab beyond the end pads the line", "ab~~|", ecTab, 0, "ab      |"},
    {"tab replaces a selection", "a[bc|d", ecTab, 0, "a       |d"},
    {"shift+tab goes back to the previous tab stop", "        |x", ecShiftTab, 0, "|x"},
    {"shift+tab over a tab", "\t|x", ecShiftTab, 0, "|x"},
    {"shift+tab keeps typed text", "abcdefghij|", ecShiftTab, 0, "abcdefghij|", 0, OptionBit(eoSmartTabs)},
    {"smart shift+tab back to the word start above", "    foo bar\n            |x", ecShiftTab, 0,
     "    foo bar\n        |x"},
    {"tab indents a block with tab-indent", "[ab\ncd|", ecTab, 0, "        [ab\n        cd|",
     OptionBit(eoTabIndent)},
    {"shift+tab unindents a block with tab-indent", "[  ab\n\tcd|", ecShiftTab, 0, "[ab\ncd|",
     OptionBit(eoTabIndent)},
    {"block indent leaves out a last line selected at character 1", "[ab\ncd\n|ef", ecBlockIndent, 0,
     "        [ab\n        cd\n|ef"},
    {"block unindent removes up to a tab width of spaces", "[          ab\n cd|", ecBlockUnindent, 0,
     "[  ab\ncd|"},
    // Case changes.
    {"upper case of the word at the caret", "ab|c def", ecUpperCase, 0, "AB|C def"},
    {"lower case of the word", "A|BC", ecLowerCase, 0, "a|bc"},
    {"toggle case of the word", "a|Bc", ecToggleCase, 0, "A|bC"},
    {"title case of the word", "hE|LLO", ecTitleCase, 0, "He|llo"},
    {"upper case after a word takes that word", "abc |", ecUpperCase, 0, "ABC |"},
    {"upper case block keeps the selection", "a[bc|d", ecUpperCaseBlock, 0, "a[BC|d"},
    {"upper case block without a selection converts one character", "a|bc", ecUpperCaseBlock, 0, "aB|c"},
    {"lower case block at a line end moves to the next line", "ab|\ncd", ecLowerCaseBlock, 0, "ab\n|cd"},
    {"toggle case block", "[aBc|", ecToggleCaseBlock, 0, "[AbC|"},
    // Brackets.
    {"bracket match forward", "|(a(b)c)", ecMatchBracket, 0, "(a(b)c|)"},
    {"bracket match backward", "(a(b)c|)", ecMatchBracket, 0, "|(a(b)c)"},
    {"bracket match across lines", "{|(\n)}", ecMatchBracket, 0, "{(\n|)}"},
    {"bracket match not on a bracket stays", "a|b(c)", ecMatchBracket, 0, "a|b(c)"},
    {"bracket match without a partner stays", "|(ab", ecMatchBracket, 0, "|(ab"},
    // Modes.
    {"insert mode toggle does not change the text", "a|b", ecToggleMode, 0, "a|b"},
};

class TextEditCmdsTableTest : public TextEditCmdsTest {
 protected:
  // A new editor with the case's options and mode.
  void Fresh(const Case& c) {
    ed = std::make_unique<TTextEdit>();
    ed->resize(400, 300);
    ed->show();
    ed->SetOptions((ed->Options() | c.on) & ~c.off);
    ed->SetInsertMode(!c.overwrite);
  }
};

TEST_F(TextEditCmdsTableTest, CommandsOnStartStates) {
  for (const Case& c : kCases) {
    Fresh(c);
    EXPECT_EQ(Run(c.start, c.command, c.ch), c.expected) << c.name;
  }
}

TEST_F(TextEditCmdsTableTest, OneUndoTakesBackEachEditingCommand) {
  int checked = 0;
  for (const Case& c : kCases) {
    Fresh(c);
    SetState(*ed, c.start);
    const std::string before = Text(*ed);
    ed->CommandProcessor(c.command, c.ch, nullptr);
    const std::string after = Text(*ed);
    if (after == before) {
      // A command that changed nothing leaves nothing to undo.
      EXPECT_FALSE(ed->CanUndo() && ed->UndoList().LastChangeReason() != TUndoReason::urGroupBreak) << c.name;
      continue;
    }
    ++checked;
    ed->Undo();
    EXPECT_EQ(Text(*ed), before) << c.name;
    ed->Redo();
    EXPECT_EQ(Text(*ed), after) << c.name << " (redo)";
  }
  EXPECT_GT(checked, 40);
}

TEST_F(TextEditCmdsTest, UndoRestoresTheCaretAndSelectionOfDeletions) {
  // Undoing a forward deletion leaves the caret where it was, no selection.
  Run("a|bc", ecDeleteChar);
  ed->Undo();
  EXPECT_EQ(State(*ed), "a|bc");
  // Undoing a deleted selection selects the restored text.
  Run("a[bc|d", ecDeleteLastChar);
  ed->Undo();
  EXPECT_EQ(Text(*ed), "abcd");
  EXPECT_EQ(ed->SelText(), u"bc");
  // Ctrl+Backspace at a word start: undo restores, redo deletes again.
  Run("abc |def", ecDeleteLastWord);
  ed->Undo();
  EXPECT_EQ(State(*ed), "abc |def");
  ed->Redo();
  EXPECT_EQ(State(*ed), "|def");
  // A case change is undone with its caret.
  Run("ab|c def", ecUpperCase);
  ed->Undo();
  EXPECT_EQ(State(*ed), "ab|c def");
}

TEST_F(TextEditCmdsTest, TypingIsGroupedUntilTheCaretMoves) {
  SetState(*ed, "|");
  for (char16_t c : std::u16string(u"abc")) ed->CommandProcessor(ecChar, c, nullptr);
  EXPECT_EQ(State(*ed), "abc|");
  ed->Undo();
  EXPECT_EQ(State(*ed), "|");

  SetState(*ed, "|");
  ed->CommandProcessor(ecChar, u'a', nullptr);
  ed->CommandProcessor(ecChar, u'b', nullptr);
  ed->CommandProcessor(ecLeft, 0, nullptr);
  ed->CommandProcessor(ecRight, 0, nullptr);
  ed->CommandProcessor(ecChar, u'c', nullptr);
  ed->Undo();
  EXPECT_EQ(Text(*ed), "ab");
  ed->Undo();
  EXPECT_EQ(Text(*ed), "");

  ed->SetOption(eoGroupUndo, false);
  SetState(*ed, "|");
  for (char16_t c : std::u16string(u"abc")) ed->CommandProcessor(ecChar, c, nullptr);
  ed->Undo();
  EXPECT_EQ(Text(*ed), "ab");
}

TEST_F(TextEditCmdsTest, TypingFarRightOnAnEmptyLineIsOneUndoStep) {
  SetState(*ed, "~~~~~~~~~|");
  ed->CommandProcessor(ecChar, u'x', nullptr);
  EXPECT_EQ(Text(*ed), "         x");
  ed->Undo();
  EXPECT_EQ(Text(*ed), "");
  // Without spaces-only indents the fill is tabs and spaces.
  ed->SetOption(eoTabsToSpaces, false);
  SetState(*ed, "~~~~~~~~~|");
  ed->CommandProcessor(ecChar, u'x', nullptr);
  EXPECT_EQ(Text(*ed), "\t x");
}

TEST_F(TextEditCmdsTest, EnterInsideAnIndentedLineIsUndoneInOneStep) {
  Run("    abc|def", ecLineBreak);
  EXPECT_EQ(State(*ed), "    abc\n    |def");
  EXPECT_EQ(changes, 1);
  ed->Undo();
  EXPECT_EQ(Text(*ed), "    abcdef");
}

TEST_F(TextEditCmdsTest, DeleteAtTheEndOfTheLastLineRecordsNothing) {
  Run("ab|", ecDeleteChar);
  EXPECT_FALSE(ed->CanUndo());
  EXPECT_EQ(changes, 0);
  EXPECT_FALSE(ed->Modified());
}

TEST_F(TextEditCmdsTest, ReadOnlyKeepsTheTextButMovesAndSelects) {
  SetState(*ed, "ab|c\nde");
  ed->SetReadOnly(true);
  for (TTextEditorCommand c : {ecChar, ecLineBreak, ecDeleteChar, ecDeleteLastChar, ecTab, ecShiftTab, ecCut, ecPaste,
                               ecDeleteLine, ecUpperCase, ecClearAll, ecImeStr, ecInsertLine, ecBlockIndent})
    ed->CommandProcessor(c, u'x', const_cast<char16_t*>(u"zz"));
  EXPECT_EQ(Text(*ed), "abc\nde");
  ed->CommandProcessor(ecSelRight, 0, nullptr);
  ed->CommandProcessor(ecSelDown, 0, nullptr);
    // The caret may stand beyond the end; a normal selection ends at the end.
  EXPECT_EQ(State(*ed), "ab[c\nde]~|");
  EXPECT_FALSE(ed->CanUndo());
}

TEST_F(TextEditCmdsTest, InputMethodStringGoesInAsOneEdit) {
  std::u16string s = u"\u65e5\u672c";
  Run("ab|cd", ecImeStr, 0, s.data());
  EXPECT_EQ(ed->Lines().Get(0), u"ab\u65e5\u672ccd");
  EXPECT_EQ(ed->CaretXY(), (TBufferCoord{5, 1}));
  ed->Undo();
  EXPECT_EQ(State(*ed), "ab|cd");
  // Over a selection.
  Run("a[bc|d", ecImeStr, 0, s.data());
  EXPECT_EQ(ed->Lines().Get(0), u"a\u65e5\u672cd");
  ed->Undo();
  EXPECT_EQ(Text(*ed), "abcd");
  // Overwrite mode replaces as many characters as it brings.
  ed->SetInsertMode(false);
  Run("a|bcd", ecImeStr, 0, s.data());
  EXPECT_EQ(ed->Lines().Get(0), u"a\u65e5\u672cd");
  ed->Undo();
  EXPECT_EQ(Text(*ed), "abcd");
}

TEST_F(TextEditCmdsTest, AFinishedCompositionArrivesAsTheStringCommand) {
  std::vector<TTextEditorCommand> seen;
  ed->OnCommandProcessed = [&](TCustomTextEdit*, TTextEditorCommand& c, char16_t&, void*) { seen.push_back(c); };
  SetState(*ed, "a|b");
  QInputMethodEvent preedit(QString::fromUtf8("\xE6\x97\xA5"), {});
  QCoreApplication::sendEvent(ed.get(), &preedit);
  EXPECT_EQ(Text(*ed), "ab");  // the composition itself is not text yet
  QInputMethodEvent commit;
  commit.setCommitString(QString::fromUtf8("\xE6\x97\xA5\xE6\x9C\xAC"));
  QCoreApplication::sendEvent(ed.get(), &commit);
  EXPECT_EQ(ed->Lines().Get(0), u"a\u65e5\u672cb");
  EXPECT_EQ(seen, (std::vector<TTextEditorCommand>{ecImeStr}));
}

TEST_F(TextEditCmdsTest, PagesAndScrollingMoveTheViewAndTheCaret) {
  std::string text;
  for (int i = 1; i <= 100; ++i) text += "line " + std::to_string(i) + (i < 100 ? "\n" : "");
  SetState(*ed, "|" + text);
  const int page = ed->LinesInWindow();
  ASSERT_GT(page, 3);
  ed->CommandProcessor(ecPageDown, 0, nullptr);
  EXPECT_EQ(ed->TopLine(), 1 + page);
  EXPECT_EQ(ed->CaretY(), 1 + page);
  ed->CommandProcessor(ecSelPageUp, 0, nullptr);
  EXPECT_EQ(ed->TopLine(), 1);
  EXPECT_EQ(ed->CaretY(), 1);
  EXPECT_EQ(ed->StoredBlockBegin(), (TBufferCoord{1, 1 + page}));
  ed->CommandProcessor(ecPageBottom, 0, nullptr);
  EXPECT_EQ(ed->CaretY(), page);
  ed->CommandProcessor(ecSelPageTop, 0, nullptr);
  EXPECT_EQ(ed->CaretY(), 1);
  EXPECT_EQ(ed->BlockEnd(), (TBufferCoord{1, page}));
  ed->SetOption(eoHalfPageScroll, true);
  ed->CommandProcessor(ecPageDown, 0, nullptr);
  EXPECT_EQ(ed->CaretY(), 1 + page / 2);
  ed->SetOption(eoHalfPageScroll, false);

  // Ctrl+Down scrolls the view; a caret on the top row is carried along.
  SetState(*ed, "|" + text);
  ed->CommandProcessor(ecScrollDown, 0, nullptr);
  EXPECT_EQ(ed->TopLine(), 2);
  EXPECT_EQ(ed->CaretY(), 2);
  ed->CommandProcessor(ecScrollUp, 0, nullptr);
  EXPECT_EQ(ed->TopLine(), 1);
  EXPECT_EQ(ed->CaretY(), 2);
  ed->SetLeftChar(1);
  ed->CommandProcessor(ecScrollRight, 0, nullptr);
  EXPECT_EQ(ed->LeftChar(), 2);
  ed->CommandProcessor(ecScrollLeft, 0, nullptr);
  EXPECT_EQ(ed->LeftChar(), 1);

  TBufferCoord target{3, 50};
  ed->CommandProcessor(ecGotoXY, 0, &target);
  EXPECT_EQ(ed->CaretXY(), target);
  EXPECT_LE(ed->TopLine(), 50);
  EXPECT_GE(ed->TopLine() + page - 1, 50);
}

TEST_F(TextEditCmdsTest, TypingAtTheRightEdgeScrollsByUpTo25Columns) {
  const int width = ed->CharsInWindow();
  ASSERT_GT(width, 30);
  SetState(*ed, std::string(static_cast<size_t>(width - 1), 'a') + "|");
  ed->CommandProcessor(ecChar, u'b', nullptr);
  EXPECT_EQ(ed->LeftChar(), 1 + std::min(width - 1, 25));
}

TEST_F(TextEditCmdsTest, MarkersToggleOnTheirLineAndMove) {
  SetState(*ed, "a|b\ncd\nef");
  ed->CommandProcessor(ecSetMarker0, 0, nullptr);
  EXPECT_TRUE(ed->IsBookmark(0));
  ed->CommandProcessor(ecSetMarker0, 0, nullptr);
  EXPECT_FALSE(ed->IsBookmark(0));
  ed->CommandProcessor(ecSetMarker0, 0, nullptr);
  ed->SetCaretXY(TBufferCoord{2, 3});
  ed->CommandProcessor(ecSetMarker0, 0, nullptr);
  int x = 0, y = 0;
  ASSERT_TRUE(ed->GetBookMark(0, x, y));
  EXPECT_EQ(y, 3);
  ed->SetCaretXY(TBufferCoord{1, 1});
  ed->CommandProcessor(ecGotoMarker0, 0, nullptr);
  EXPECT_EQ(ed->CaretXY(), (TBufferCoord{2, 3}));
  // A given position wins over the caret.
  TBufferCoord at{1, 2};
  ed->CommandProcessor(ecSetMarker0 + 5, 0, &at);
  ASSERT_TRUE(ed->GetBookMark(5, x, y));
  EXPECT_EQ(y, 2);
  // Without keys enabled the commands do nothing.
  ed->BookMarkOptions().SetEnableKeys(false);
  ed->CommandProcessor(ecSetMarker0 + 1, 0, nullptr);
  EXPECT_FALSE(ed->IsBookmark(1));
  ed->CommandProcessor(ecClearAll, 0, nullptr);
  EXPECT_FALSE(ed->IsBookmark(0));
  EXPECT_EQ(ed->Lines().Count(), 0);
  EXPECT_FALSE(ed->CanUndo());
  EXPECT_FALSE(ed->Modified());
}

TEST_F(TextEditCmdsTest, ContextHelpGetsTheWordAtTheCaret) {
  std::u16string word;
  ed->OnContextHelp = [&](TCustomTextEdit*, const std::u16string& w) { word = w; };
  Run("foo ba|r baz", ecContextHelp);
  EXPECT_EQ(word, u"bar");
}

TEST_F(TextEditCmdsTest, ProcessingEventsMayChangeTheCommand) {
  std::vector<TTextEditorCommand> processed;
  ed->OnProcessCommand = [](TCustomTextEdit*, TTextEditorCommand& c, char16_t& ch, void*) {
    if (c == ecChar && ch == u'x') ch = u'y';
    if (c == ecDeleteLine) c = ecNone;
  };
  ed->OnCommandProcessed = [&](TCustomTextEdit*, TTextEditorCommand& c, char16_t&, void*) { processed.push_back(c); };
  int user = 0;
  ed->OnProcessUserCommand = [&](TCustomTextEdit*, TTextEditorCommand& c, char16_t&, void*) { user = c; };
  Run("a|b", ecChar, u'x');
  EXPECT_EQ(Text(*ed), "ayb");
  ed->CommandProcessor(ecDeleteLine, 0, nullptr);
  EXPECT_EQ(Text(*ed), "ayb");
  ed->CommandProcessor(ecUserFirst + 5, 0, nullptr);
  EXPECT_EQ(user, ecUserFirst + 5);
  EXPECT_EQ(processed, (std::vector<TTextEditorCommand>{ecChar, ecNone, ecUserFirst + 5}));
}

TEST_F(TextEditCmdsTest, WordPositionsAndCharacterClasses) {
  SetState(*ed, "foo_bar, baz\n  qux");
  EXPECT_TRUE(ed->IsIdentChar(u'_'));
  EXPECT_TRUE(ed->IsIdentChar(u'\u00e9'));
  EXPECT_FALSE(ed->IsIdentChar(u'\u00d7'));
  EXPECT_TRUE(ed->IsWhiteChar(u','));
  EXPECT_TRUE(ed->IsWordBreakChar(u'.'));
  EXPECT_EQ(ed->WordStartEx({5, 1}), (TBufferCoord{1, 1}));
  EXPECT_EQ(ed->WordEndEx({5, 1}), (TBufferCoord{8, 1}));
  EXPECT_EQ(ed->NextWordPosEx({1, 1}), (TBufferCoord{10, 1}));
  EXPECT_EQ(ed->NextWordPosEx({13, 1}), (TBufferCoord{3, 2}));
  EXPECT_EQ(ed->PrevWordPosEx({3, 2}), (TBufferCoord{13, 1}));
  EXPECT_EQ(ed->PrevWordPosEx({1, 1}), (TBufferCoord{1, 1}));
  EXPECT_EQ(ed->GetWordAtRowCol({3, 1}), u"foo_bar");
}

// ------------------------------------------------------------------ keys

TEST_F(TextEditCmdsTest, KeysTypeAndRunCommands) {
  SetState(*ed, "|");
  QTest::keyClicks(ed.get(), "abc");
  EXPECT_EQ(State(*ed), "abc|");
  QTest::keyClick(ed.get(), Qt::Key_Left, Qt::ShiftModifier);
  EXPECT_EQ(State(*ed), "ab|c[");
  QTest::keyClick(ed.get(), Qt::Key_Home);
  EXPECT_EQ(State(*ed), "|abc");
  QTest::keyClick(ed.get(), Qt::Key_End);
  QTest::keyClick(ed.get(), Qt::Key_Return);
  QTest::keyClicks(ed.get(), "d");
  EXPECT_EQ(State(*ed), "abc\nd|");
  QTest::keyClick(ed.get(), Qt::Key_Backspace);
  QTest::keyClick(ed.get(), Qt::Key_Backspace);
  EXPECT_EQ(State(*ed), "abc|");
  // Ctrl+A selects all and types no character.
  QTest::keyClick(ed.get(), Qt::Key_A, Qt::ControlModifier);
  EXPECT_EQ(State(*ed), "[abc|");
  // Ctrl+Z undoes; Alt+Backspace undoes too and leaves no character behind.
  SetState(*ed, "|");
  QTest::keyClicks(ed.get(), "xy");
  QTest::keyClick(ed.get(), Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(Text(*ed), "");
  QTest::keyClick(ed.get(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(Text(*ed), "xy");
  QTest::keyClick(ed.get(), Qt::Key_Backspace, Qt::AltModifier);
  EXPECT_EQ(Text(*ed), "");
  // Ctrl+Backspace deletes the last word.
  SetState(*ed, "abc def|");
  QTest::keyClick(ed.get(), Qt::Key_Backspace, Qt::ControlModifier);
  EXPECT_EQ(State(*ed), "abc |");
  // Insert toggles overwrite.
  QTest::keyClick(ed.get(), Qt::Key_Insert);
  EXPECT_FALSE(ed->InsertMode());
}

TEST_F(TextEditCmdsTest, CtrlShiftDigitTogglesABookmark) {
  SetState(*ed, "a|b\ncd");
  QTest::keyClick(ed.get(), Qt::Key_0, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_TRUE(ed->IsBookmark(0));
  QTest::keyClick(ed.get(), Qt::Key_0, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_FALSE(ed->IsBookmark(0));
  QTest::keyClick(ed.get(), Qt::Key_3, Qt::ControlModifier | Qt::ShiftModifier);
  QTest::keyClick(ed.get(), Qt::Key_Down, Qt::ControlModifier);  // scroll only
  ed->SetCaretXY(TBufferCoord{1, 2});
  QTest::keyClick(ed.get(), Qt::Key_3, Qt::ControlModifier);
  EXPECT_EQ(ed->CaretXY(), (TBufferCoord{2, 1}));
  EXPECT_EQ(Text(*ed), "ab\ncd");
}

TEST_F(TextEditCmdsTest, TabKeysReachTheEditorWhenItWantsThem) {
  ed->SetWantTabs(true);
  SetState(*ed, "a|b");
  QTest::keyClick(ed.get(), Qt::Key_Tab);
  EXPECT_EQ(State(*ed), "a       |b");
  QTest::keyClick(ed.get(), Qt::Key_Backtab, Qt::ShiftModifier);
  EXPECT_EQ(State(*ed), "a|b");
}

TEST_F(TextEditCmdsTest, TwoKeySequencesAndUnboundKeys) {
  TTextEditKeyStroke& k = ed->Keystrokes().Add();
  k.SetKey('Q');
  k.SetShift(platform::ssCtrl);
  k.SetKey2('U');
  k.SetShift2(platform::ssCtrl);
  k.SetCommand(ecUpperCase);
  SetState(*ed, "ab|c");
  // Ctrl+Q alone does nothing; Ctrl+U after it is the second key.
  QTest::keyClick(ed.get(), Qt::Key_Q, Qt::ControlModifier);
  EXPECT_EQ(Text(*ed), "abc");
  QTest::keyClick(ed.get(), Qt::Key_U, Qt::ControlModifier);
  EXPECT_EQ(Text(*ed), "ABC");
  // A key that is no command gives its character.
  QTest::keyClick(ed.get(), Qt::Key_Z);
  EXPECT_EQ(Text(*ed), "ABzC");
  EXPECT_TRUE(ed->WantsKey(platform::VK_HOME, 0));
}

}  // namespace
}  // namespace editor
