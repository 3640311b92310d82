#include "editor/textedit.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QTest>
#include <memory>
#include <string>
#include <vector>

#include "editor/inihighlighter.h"
#include "platform/fonts.h"
#include "platform/geometry.h"
#include "platform/render.h"
#include "platform/scrollbar.h"
#include "testsupport/testenv.h"

namespace editor {

std::ostream& operator<<(std::ostream& out, const TBufferCoord& p) {
  return out << "(" << p.Char << "," << p.Line << ")";
}
std::ostream& operator<<(std::ostream& out, const TDisplayCoord& p) {
  return out << "[" << p.Column << "," << p.Row << "]";
}

namespace {

using platform::ssCtrl;

std::vector<std::string> LinesOf(const TCustomTextEdit& ed) {
  std::vector<std::string> out;
  for (int i = 0; i < ed.Lines().Count(); ++i) out.push_back(ed.Lines().GetUtf8(i));
  return out;
}

class TextEditTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ed = std::make_unique<TTextEdit>();
    ed->resize(400, 300);
    ed->show();
    ed->OnChange = [this](TCustomTextEdit*) { ++changes; };
  }
  void SetText(const std::string& utf8) { ed->Lines().SetTextUtf8(utf8); }
  void Select(TEdSelectionMode mode, TBufferCoord from, TBufferCoord to) {
    ed->SetSelectionMode(mode);
    ed->SetCaretAndSelection(to, from, to);
  }
  void FillLines(int n, const std::string& prefix = "line ") {
    std::string text;
    for (int i = 1; i <= n; ++i) text += prefix + std::to_string(i) + "\n";
    SetText(text);
  }

  std::unique_ptr<TTextEdit> ed;
  int changes = 0;
};

// ------------------------------------------------------------ coordinates

TEST_F(TextEditTest, BufferAndDisplayPositionsConvertWithTabs) {
  SetText("a\tb\n\t\tx\nplain");
  struct Case {
    int tabWidth;
    TBufferCoord buffer;
    int column;
  };
  const Case cases[] = {
      {8, {1, 1}, 1},  {8, {2, 1}, 2}, {8, {3, 1}, 9}, {8, {4, 1}, 10}, {8, {6, 1}, 12},
      {8, {3, 2}, 17}, {4, {3, 2}, 9}, {4, {2, 2}, 5}, {8, {4, 3}, 4},  {8, {9, 3}, 9},
  };
  for (const Case& c : cases) {
    ed->SetTabWidth(c.tabWidth);
    EXPECT_EQ(ed->BufferToDisplayPos(c.buffer), (TDisplayCoord{c.column, c.buffer.Line}))
        << "tab " << c.tabWidth << " at " << c.buffer;
  }
  // A column inside a tab's width belongs to the tab; beyond the end one column is one character.
  ed->SetTabWidth(8);
  struct Back {
    TDisplayCoord display;
    int ch;
  };
  const Back back[] = {{{1, 1}, 1},  {{2, 1}, 2},  {{5, 1}, 2},  {{8, 1}, 2},  {{9, 1}, 3},
                       {{10, 1}, 4}, {{12, 1}, 6}, {{16, 2}, 2}, {{17, 2}, 3}, {{7, 3}, 7}};
  for (const Back& b : back)
    EXPECT_EQ(ed->DisplayToBufferPos(b.display), (TBufferCoord{b.ch, b.display.Row})) << b.display;
}

TEST_F(TextEditTest, PixelsAndDisplayPositionsFollowTheGutterAndTheView) {
  FillLines(50, std::string(100, 'x'));
  const int cw = ed->CharWidth();
  const int lh = ed->LineHeight();
  const int gw = ed->GutterWidth();
  ASSERT_GT(cw, 0);
  ASSERT_GT(lh, 0);
  EXPECT_EQ(gw, 30);
  EXPECT_EQ(ed->RowColumnToPixels({1, 1}), (platform::Point{gw + 2, 0}));
  EXPECT_EQ(ed->RowColumnToPixels({4, 3}), (platform::Point{gw + 2 + 3 * cw, 2 * lh}));
  ed->SetTopLine(5);
  ed->SetLeftChar(3);
  EXPECT_EQ(ed->RowColumnToPixels({3, 5}), (platform::Point{gw + 2, 0}));
  EXPECT_EQ(ed->PixelsToRowColumn(gw + 2 + cw * 2 + cw - 1, lh + 1), (TDisplayCoord{5, 6}));
  // While dragging, a point past the middle of a cell goes to the next boundary.
  EXPECT_EQ(ed->PixelsToNearestRowColumn(gw + 2 + cw * 2 + cw - 1, lh + 1), (TDisplayCoord{6, 6}));
  // Left of the text the column does not fall below 1.
  ed->SetLeftChar(1);
  EXPECT_EQ(ed->PixelsToRowColumn(0, 0).Column, 1);
}

TEST_F(TextEditTest, DefaultsAndClampedProperties) {
  TTextEdit fresh;
  EXPECT_EQ(fresh.Options(), 0x026C0192u);
  EXPECT_TRUE(fresh.HasOption(eoAutoIndent));
  EXPECT_TRUE(fresh.HasOption(eoTabsToSpaces));
  EXPECT_FALSE(fresh.HasOption(eoTrimTrailingSpaces));
  EXPECT_EQ(fresh.TabWidth(), 8);
  EXPECT_EQ(fresh.MaxScrollWidth(), 1024);
  EXPECT_EQ(fresh.RightEdge(), 80);
  EXPECT_EQ(fresh.RightEdgeColor(), clSilver);
  EXPECT_EQ(fresh.ActiveLineColor(), clNone);
  EXPECT_EQ(fresh.SelectionMode(), TEdSelectionMode::smNormal);
  EXPECT_EQ(fresh.ScrollBars(), TScrollStyle::ssBoth);
  EXPECT_EQ(fresh.InsertCaret(), TTextEditCaretType::ctVerticalLine);
  EXPECT_EQ(fresh.OverwriteCaret(), TTextEditCaretType::ctBlock);
  EXPECT_TRUE(fresh.InsertMode());
  EXPECT_TRUE(fresh.WantReturns());
  EXPECT_FALSE(fresh.WantTabs());
  EXPECT_FALSE(fresh.ReadOnly());
  EXPECT_EQ(fresh.MaxUndo(), 1024);
  EXPECT_EQ(fresh.Font().name, "Courier New");
  EXPECT_EQ(fresh.Font().Size(), 10);
  EXPECT_EQ(fresh.width(), 200);
  EXPECT_EQ(fresh.height(), 150);
  EXPECT_EQ(fresh.TopLine(), 1);
  EXPECT_EQ(fresh.LeftChar(), 1);
  EXPECT_EQ(fresh.CaretXY(), (TBufferCoord{1, 1}));
  EXPECT_GT(fresh.Keystrokes().Count(), 0);

  fresh.SetTabWidth(0);
  EXPECT_EQ(fresh.TabWidth(), 1);
  fresh.SetTabWidth(1000);
  EXPECT_EQ(fresh.TabWidth(), 256);
  EXPECT_EQ(fresh.Lines().TabWidth(), 256);
  fresh.SetMaxScrollWidth(0);
  EXPECT_EQ(fresh.MaxScrollWidth(), 1);
  fresh.SetSelectionMode(TEdSelectionMode::smLine);
  EXPECT_EQ(fresh.ActiveSelectionMode(), TEdSelectionMode::smLine);
}

// ------------------------------------------------------------ caret

TEST_F(TextEditTest, CaretFollowsThePositionTheModeAndTheView) {
  ASSERT_TRUE(QTest::qWaitForWindowExposed(ed.get()));
  ed->SetFocus();
  ASSERT_TRUE(ed->Focused());
  FillLines(100);
  const int cw = ed->CharWidth();
  const int lh = ed->LineHeight();
  const int x0 = ed->GutterWidth() + 2;
  ASSERT_TRUE(ed->CaretCreated());
  EXPECT_TRUE(ed->CaretVisible());
  EXPECT_EQ(ed->CaretPos(), (platform::Point{x0 - 1, 0})) << "a vertical line one pixel left of the character";
  ed->SetCaretXY({3, 2});
  EXPECT_EQ(ed->CaretPos(), (platform::Point{x0 + 2 * cw - 1, lh}));
  ed->SetInsertMode(false);
  EXPECT_EQ(ed->CaretPos(), (platform::Point{x0 + 2 * cw, lh})) << "the block stands on the character";
  // Scrolled out of the window, the caret hides.
  ed->SetTopLine(50);
  EXPECT_FALSE(ed->CaretVisible());
  ed->SetCaretXY({1, 52});
  EXPECT_TRUE(ed->CaretVisible());
  ed->SetOption(eoNoCaret, true);
  ed->SetCaretXY({2, 52});
  EXPECT_FALSE(ed->CaretVisible());
}

TEST_F(TextEditTest, CaretIsClampedToTheBufferAndTheLineEnd) {
  // Empty buffer: always (1, 1).
  ed->SetCaretXY({7, 4});
  EXPECT_EQ(ed->CaretXY(), (TBufferCoord{7, 1})) << "past the end of line is allowed with eoScrollPastEol";
  ed->SetOption(eoScrollPastEol, false);
  ed->SetCaretXY({7, 4});
  EXPECT_EQ(ed->CaretXY(), (TBufferCoord{1, 1}));

  SetText("abc\nlonger line");
  ed->SetCaretXY({10, 1});
  EXPECT_EQ(ed->CaretXY(), (TBufferCoord{4, 1}));
  ed->SetCaretXY({10, 9});
  EXPECT_EQ(ed->CaretXY(), (TBufferCoord{10, 2}));
  ed->SetCaretXY({0, 0});
  EXPECT_EQ(ed->CaretXY(), (TBufferCoord{1, 1}));

  ed->SetOption(eoScrollPastEol, true);
  ed->SetCaretXY({5000, 1});
  EXPECT_EQ(ed->CaretXY(), (TBufferCoord{ed->MaxScrollWidth() + 1, 1}));
  // Switching the option off pulls the caret back to its line.
  ed->SetOption(eoScrollPastEol, false);
  EXPECT_EQ(ed->CaretXY(), (TBufferCoord{4, 1}));
}

TEST_F(TextEditTest, SettingTheCaretCollapsesTheSelectionButTheInternalMoveKeepsIt) {
  SetText("first line\nsecond line");
  ed->SetCaretAndSelection({3, 2}, {2, 1}, {3, 2});
  EXPECT_TRUE(ed->SelAvail());
  ed->InternalSetCaretXY({1, 1});
  EXPECT_TRUE(ed->SelAvail());
  EXPECT_EQ(ed->BlockBegin(), (TBufferCoord{2, 1}));
  ed->SetCaretXY({5, 2});
  EXPECT_FALSE(ed->SelAvail());
  EXPECT_EQ(ed->BlockBegin(), (TBufferCoord{5, 2}));
  EXPECT_EQ(ed->BlockEnd(), (TBufferCoord{5, 2}));
}

TEST_F(TextEditTest, StatusChangesAreReportedOncePerPaintLockAndKeptWithoutAHandler) {
  SetText("abc\ndef");
  std::vector<TEdStatusChanges> seen;
  ed->SetCaretXY({2, 2});
  EXPECT_NE(ed->PendingStatusChanges() & scCaretY, 0u) << "the set grows while nobody listens";
  ed->OnStatusChange = [&](TCustomTextEdit*, TEdStatusChanges c) { seen.push_back(c); };
  ed->SetCaretXY({3, 1});
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0] & (scCaretX | scCaretY | scSelection), scCaretX | scCaretY | scSelection);
  EXPECT_EQ(ed->PendingStatusChanges(), 0u);
  seen.clear();
  ed->SetReadOnly(true);
  ed->SetInsertMode(false);
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0], scReadOnly);
  EXPECT_EQ(seen[1], scInsertMode);
}

// ------------------------------------------------------------ selection

TEST_F(TextEditTest, SelectionBoundsAreClampedOrderedAndRespectNoSelection) {
  SetText("short\na much longer line");
  ed->SetBlockBegin({40, 2});
  EXPECT_EQ(ed->BlockBegin(), (TBufferCoord{19, 2})) << "smNormal cuts to the line's end";
  ed->SetBlockEnd({2, 1});
  EXPECT_EQ(ed->BlockBegin(), (TBufferCoord{2, 1}));
  EXPECT_EQ(ed->BlockEnd(), (TBufferCoord{19, 2}));
  EXPECT_EQ(ed->StoredBlockBegin(), (TBufferCoord{19, 2})) << "the begin stays where the selection started";

  ed->SetSelectionMode(TEdSelectionMode::smColumn);
  ed->SetBlockBegin({40, 9});
  EXPECT_EQ(ed->BlockBegin(), (TBufferCoord{40, 2}));

  ed->SetSelectionMode(TEdSelectionMode::smNormal);
  ed->SetBlockBegin({1, 1});
  ed->SetOption(eoNoSelection, true);
  ed->SetBlockEnd({3, 2});
  EXPECT_FALSE(ed->SelAvail());
  EXPECT_EQ(ed->BlockEnd(), (TBufferCoord{1, 1}));
}

TEST_F(TextEditTest, SelAvailAndPointInSelectionPerMode) {
  SetText("0123456789\n0123456789\n0123456789");
  // A zero-width column is no selection.
  Select(TEdSelectionMode::smColumn, {4, 1}, {4, 3});
  EXPECT_FALSE(ed->SelAvail());
  EXPECT_FALSE(ed->IsPointInSelection({4, 2}));

  Select(TEdSelectionMode::smColumn, {6, 1}, {3, 3});
  EXPECT_TRUE(ed->SelAvail());
  EXPECT_TRUE(ed->IsPointInSelection({3, 2}));
  EXPECT_TRUE(ed->IsPointInSelection({5, 3}));
  EXPECT_FALSE(ed->IsPointInSelection({6, 2}));
  EXPECT_FALSE(ed->IsPointInSelection({2, 1}));

  Select(TEdSelectionMode::smNormal, {6, 1}, {3, 3});
  EXPECT_TRUE(ed->IsPointInSelection({6, 1}));
  EXPECT_FALSE(ed->IsPointInSelection({5, 1}));
  EXPECT_TRUE(ed->IsPointInSelection({1, 2}));
  EXPECT_TRUE(ed->IsPointInSelection({2, 3}));
  EXPECT_FALSE(ed->IsPointInSelection({3, 3}));

  Select(TEdSelectionMode::smLine, {6, 1}, {3, 2});
  EXPECT_TRUE(ed->IsPointInSelection({1, 1}));
  EXPECT_TRUE(ed->IsPointInSelection({10, 2}));
  EXPECT_FALSE(ed->IsPointInSelection({1, 3}));
}

TEST_F(TextEditTest, SelectAllRunsToTheEndOfTheLastLine) {
  SetText("ab\ncde");
  ed->SelectAll();
  EXPECT_EQ(ed->BlockBegin(), (TBufferCoord{1, 1}));
  EXPECT_EQ(ed->BlockEnd(), (TBufferCoord{4, 2}));
  EXPECT_EQ(ed->CaretXY(), (TBufferCoord{4, 2}));
  EXPECT_EQ(ed->SelTextUtf8(), "ab\r\ncde");
  ed->Lines().Clear();
  ed->SelectAll();
  EXPECT_EQ(ed->CaretXY(), (TBufferCoord{1, 1}));
  EXPECT_FALSE(ed->SelAvail());
}

TEST_F(TextEditTest, SelectedTextIsReadPerMode) {
  SetText("abcdefgh\nab\nxyz");
  struct Case {
    const char* name;
    TEdSelectionMode mode;
    TBufferCoord from, to;
    bool trim;
    std::string text;
  };
  const Case cases[] = {
      {"normal, one line", TEdSelectionMode::smNormal, {2, 1}, {5, 1}, false, "bcd"},
      {"normal, backwards over lines", TEdSelectionMode::smNormal, {2, 3}, {3, 1}, false, "cdefgh\r\nab\r\nx"},
      {"normal, up to a line's end", TEdSelectionMode::smNormal, {3, 2}, {1, 3}, false, "\r\n"},
      {"line, ending before the last line", TEdSelectionMode::smLine, {5, 1}, {1, 2}, false, "abcdefgh\r\nab\r\n"},
      {"line, ending on the last line", TEdSelectionMode::smLine, {1, 2}, {2, 3}, false, "ab\r\nxyz"},
      {"column 3 to 6, filled", TEdSelectionMode::smColumn, {3, 1}, {6, 2}, false, "cde\r\n   "},
      {"column 3 to 6, trimmed", TEdSelectionMode::smColumn, {3, 1}, {6, 2}, true, "cde\r\n"},
      {"column, right to left", TEdSelectionMode::smColumn, {4, 3}, {2, 1}, false, "bc\r\nb \r\nyz"},
  };
  for (const Case& c : cases) {
    ed->SetOption(eoTrimTrailingSpaces, c.trim);
    Select(c.mode, c.from, c.to);
    EXPECT_EQ(ed->SelTextUtf8(), c.text) << c.name;
  }
}

TEST_F(TextEditTest, ColumnSelectionReadsDisplayColumnsAcrossTabs) {
  SetText("\tabc\n12345678901");
  ed->SetTabWidth(4);
  // Columns 5 to 7: after the tab on line 1, the digits 5 and 6 on line 2.
  Select(TEdSelectionMode::smColumn, {2, 1}, {7, 2});
  EXPECT_EQ(ed->SelTextUtf8(), "ab\r\n56");
}

// ------------------------------------------------------------ replacing, undo

TEST_F(TextEditTest, NormalReplacementJoinsLinesAndUndoesInOneStep) {
  SetText("one\ntwo\nthree\nfour");
  Select(TEdSelectionMode::smNormal, {2, 1}, {3, 3});
  ed->SetSelTextUtf8("X");
  EXPECT_EQ(LinesOf(*ed), (std::vector<std::string>{"oXree", "four"}));
  EXPECT_EQ(ed->CaretXY(), (TBufferCoord{3, 1}));
  EXPECT_FALSE(ed->SelAvail());
  EXPECT_TRUE(ed->Modified());
  EXPECT_EQ(changes, 1);

  ed->Undo();
  EXPECT_EQ(LinesOf(*ed), (std::vector<std::string>{"one", "two", "three", "four"}));
  EXPECT_EQ(ed->SelTextUtf8(), "ne\r\ntwo\r\nth") << "undoing a deletion selects what came back";
  EXPECT_FALSE(ed->Modified());
  EXPECT_FALSE(ed->CanUndo());

  ed->Redo();
  EXPECT_EQ(LinesOf(*ed), (std::vector<std::string>{"oXree", "four"}));
  EXPECT_TRUE(ed->Modified());
}

TEST_F(TextEditTest, NormalInsertionWithBreaksSplitsTheLineAndPadsBeyondItsEnd) {
  SetText("ab\nzz");
  ed->SetCaretXY({5, 1});
  ed->SetSelTextUtf8("1\r\n2\n3");
  EXPECT_EQ(LinesOf(*ed), (std::vector<std::string>{"ab  1", "2", "3", "zz"}));
  EXPECT_EQ(ed->CaretXY(), (TBufferCoord{2, 3}));
  ed->Undo();
  EXPECT_EQ(LinesOf(*ed), (std::vector<std::string>{"ab", "zz"}));

  ed->SetCaretXY({2, 2});
  ed->SetSelTextUtf8("-\r\n+");
  EXPECT_EQ(LinesOf(*ed), (std::vector<std::string>{"ab", "z-", "+z"}));
  EXPECT_EQ(ed->CaretXY(), (TBufferCoord{2, 3}));
}

TEST_F(TextEditTest, TrimmingRuleStoresLinesWithoutTrailingBlanks) {
  SetText("ab");
  ed->SetOption(eoTrimTrailingSpaces, true);
  ed->SetCaretXY({3, 1});
  ed->SetSelTextUtf8("x  \t");
  EXPECT_EQ(LinesOf(*ed), (std::vector<std::string>{"abx"}));
  EXPECT_EQ(ed->CaretXY().Line, 1);
}

TEST_F(TextEditTest, LineReplacementPutsTheCopiedLinesInPlaceAndUndoRestoresEveryLine) {
  SetText("a\nb\nc\nd");
  Select(TEdSelectionMode::smLine, {1, 2}, {1, 3});
  ASSERT_EQ(ed->SelTextUtf8(), "b\r\nc\r\n");
  ed->SetSelTextUtf8("X\r\nY\r\n");
  EXPECT_EQ(LinesOf(*ed), (std::vector<std::string>{"a", "X", "Y", "d"}));
  ed->Undo();
  EXPECT_EQ(LinesOf(*ed), (std::vector<std::string>{"a", "b", "c", "d"}));
  ed->Redo();
  EXPECT_EQ(LinesOf(*ed), (std::vector<std::string>{"a", "X", "Y", "d"}));
  ed->Undo();

  // A selection ending on the last line empties that line instead of deleting it.
  Select(TEdSelectionMode::smLine, {1, 3}, {1, 4});
  ASSERT_EQ(ed->SelTextUtf8(), "c\r\nd");
  ed->SetSelTextUtf8("");
  EXPECT_EQ(LinesOf(*ed), (std::vector<std::string>{"a", "b", ""}));
  ed->Undo();
  EXPECT_EQ(LinesOf(*ed), (std::vector<std::string>{"a", "b", "c", "d"}));
}

TEST_F(TextEditTest, ColumnBlockPastedBelowTheLastLineAddsIndentedLinesAndUndoRemovesThem) {
  SetText("abc");
  ed->SetSelectionMode(TEdSelectionMode::smColumn);
  ed->SetCaretXY({3, 1});
  ed->SetSelTextUtf8("XY\r\nZW\r\nQ");
  EXPECT_EQ(LinesOf(*ed), (std::vector<std::string>{"abXYc", "  ZW", "  Q"}));
  EXPECT_EQ(ed->CaretXY(), (TBufferCoord{4, 3}));
  EXPECT_EQ(changes, 1);
  ed->Undo();
  EXPECT_EQ(LinesOf(*ed), (std::vector<std::string>{"abc"}));
  ed->Redo();
  EXPECT_EQ(LinesOf(*ed)[0], "abXYc");
}

TEST_F(TextEditTest, ColumnSelectionIsReplacedOnEveryLineAndUndone) {
  SetText("abcdef\nabcdef\nab");
  Select(TEdSelectionMode::smColumn, {2, 1}, {4, 3});
  ASSERT_EQ(ed->SelTextUtf8(), "bc\r\nbc\r\nb ");
  ed->SetSelTextUtf8("");
  EXPECT_EQ(LinesOf(*ed), (std::vector<std::string>{"adef", "adef", "a"}));
  EXPECT_EQ(ed->CaretXY(), (TBufferCoord{2, 1}));
  ed->Undo();
  EXPECT_EQ(LinesOf(*ed), (std::vector<std::string>{"abcdef", "abcdef", "ab"}))
      << "the block comes back as it was, without the spaces that fill it when read";
  EXPECT_EQ(ed->ActiveSelectionMode(), TEdSelectionMode::smColumn);
}

TEST_F(TextEditTest, ClearSelectionDeletesOnlyWithASelection) {
  SetText("hello world");
  ed->ClearSelection();
  EXPECT_EQ(changes, 0);
  EXPECT_FALSE(ed->CanUndo());
  Select(TEdSelectionMode::smNormal, {6, 1}, {12, 1});
  ed->ClearSelection();
  EXPECT_EQ(LinesOf(*ed), (std::vector<std::string>{"hello"}));
  EXPECT_EQ(changes, 1);
}

// ------------------------------------------------------------ change event

TEST_F(TextEditTest, LoadingClearingOrSettingLinesFiresNoChangeAndRecordsNothing) {
  FillLines(80);
  ed->SetCaretXY({3, 60});
  ASSERT_GT(ed->TopLine(), 1);
  const std::string dir = testsupport::MakeTempDir("edload");
  testsupport::WriteAll(dir + "/a.ini", "[S]\r\nk=1");
  ed->Lines().LoadFromFile(dir + "/a.ini");
  EXPECT_EQ(LinesOf(*ed), (std::vector<std::string>{"[S]", "k=1"}));
  EXPECT_EQ(ed->CaretXY(), (TBufferCoord{1, 1}));
  EXPECT_EQ(ed->TopLine(), 1);
  EXPECT_EQ(ed->LeftChar(), 1);

  TTextEditStringList other;
  other.AddUtf8("x");
  ed->SetLines(other);
  ed->SetText(u"p\r\nq");
  ed->Lines().AddUtf8("r");
  ed->Lines().Clear();
  EXPECT_EQ(changes, 0);
  EXPECT_FALSE(ed->CanUndo());
  EXPECT_FALSE(ed->Modified());
}

TEST_F(TextEditTest, EditsFireOneChangeAndClearingTheBufferEmptiesTheUndoLists) {
  SetText("abc");
  ed->SetCaretXY({4, 1});
  ed->SetSelTextUtf8("d");
  ed->SetSelTextUtf8("e");
  EXPECT_EQ(changes, 2);
  EXPECT_TRUE(ed->CanUndo());
  changes = 0;
  ed->Undo();
  EXPECT_GE(changes, 1) << "undo is an edit too";
  EXPECT_TRUE(ed->CanRedo());
  ed->Lines().Clear();
  EXPECT_FALSE(ed->CanUndo());
  EXPECT_FALSE(ed->CanRedo());
}

TEST_F(TextEditTest, ReadOnlyEditorRefusesUndo) {
  SetText("abc");
  ed->SetCaretXY({4, 1});
  ed->SetSelTextUtf8("d");
  ed->SetReadOnly(true);
  EXPECT_FALSE(ed->CanUndo());
  ed->Undo();
  EXPECT_EQ(LinesOf(*ed), (std::vector<std::string>{"abcd"}));
}

// ------------------------------------------------------------ highlighter, font

TEST_F(TextEditTest, HighlighterStateIsStoredForEveryLineAndNewLines) {
  TIniHighlighter hl;
  SetText("[a]\nk=1\n;c");
  ed->SetHighlighter(&hl);
  for (int i = 0; i < ed->Lines().Count(); ++i) EXPECT_NE(ed->Lines().GetRange(i), kRangeNotScanned) << i;
  ed->Lines().InsertLines(1, 2);
  for (int i = 0; i < ed->Lines().Count(); ++i) EXPECT_NE(ed->Lines().GetRange(i), kRangeNotScanned) << i;
  ed->SetHighlighter(nullptr);
  EXPECT_EQ(ed->Highlighter(), nullptr);
}

TEST_F(TextEditTest, DestroyedHighlighterIsLetGoAndAttributeChangesRepaint) {
  SetText("; c\n[s]");
  {
    TIniHighlighter hl;
    ed->SetHighlighter(&hl);
    ed->Repaint();
    // A bold comment attribute makes the editor measure bold cells too.
    const int plainWidth = ed->CharWidth();
    hl.CommentAttri()->SetStyle(fsBold);
    EXPECT_GE(ed->CharWidth(), plainWidth);
  }
  EXPECT_EQ(ed->Highlighter(), nullptr);
  const QImage image = platform::RenderToImage(ed.get());
  EXPECT_FALSE(image.isNull());
}

// A highlighter whose state after a line is the depth of open brackets.
class DepthHighlighter : public TEdCustomHighlighter {
 public:
  DepthHighlighter() { attr_ = AddAttribute(std::make_unique<TEdHighlighterAttributes>("Text")); }
  std::string ClassName() const override { return "DepthHighlighter"; }
  TEdHighlighterAttributes* GetDefaultAttribute(int) const override { return attr_; }
  bool GetEol() const override { return done_; }
  std::u16string GetToken() const override { return *line_; }
  TEdHighlighterAttributes* GetTokenAttribute() const override { return attr_; }
  int GetTokenKind() const override { return 0; }
  int GetTokenPos() const override { return 0; }
  void Next() override {
    for (char16_t c : *line_) depth_ += c == u'(' ? 1 : c == u')' ? -1 : 0;
    done_ = true;
  }
  void SetLine(const std::u16string& text, int) override {
    line_ = &text;
    done_ = text.empty();
  }
  TRangeState GetRange() const override { return depth_; }
  void SetRange(TRangeState value) override { depth_ = value; }
  void ResetRange() override { depth_ = 0; }

 private:
  TEdHighlighterAttributes* attr_;
  const std::u16string* line_ = nullptr;
  bool done_ = true;
  TRangeState depth_ = 0;
};

TEST_F(TextEditTest, ChangedLinesRescanTheStateOfTheLinesAfterThem) {
  DepthHighlighter hl;
  SetText("a\nb\nc\nd");
  ed->SetHighlighter(&hl);
  auto ranges = [&] {
    std::vector<TRangeState> r;
    for (int i = 0; i < ed->Lines().Count(); ++i) r.push_back(ed->Lines().GetRange(i));
    return r;
  };
  EXPECT_EQ(ranges(), (std::vector<TRangeState>{0, 0, 0, 0}));
  ed->Lines().Put(1, u"((");
  EXPECT_EQ(ranges(), (std::vector<TRangeState>{0, 2, 2, 2}));
  ed->SetCaretXY({1, 3});
  ed->SetSelTextUtf8(")\r\n");
  EXPECT_EQ(ranges(), (std::vector<TRangeState>{0, 2, 1, 1, 1}));
  ed->Lines().Delete(1);
  EXPECT_EQ(ranges(), (std::vector<TRangeState>{0, -1, -1, -1}));
}

TEST_F(TextEditTest, LineBreakIsUndoneAndRedoneWithItsIndent) {
  SetText("  abcd");
  ed->SetCaretXY({5, 1});
  ed->ExecuteCommand(ecLineBreak, 0, nullptr);
  EXPECT_EQ(LinesOf(*ed), (std::vector<std::string>{"  ab", "  cd"}));
  EXPECT_EQ(ed->CaretXY(), (TBufferCoord{3, 2}));
  ed->Undo();
  EXPECT_EQ(LinesOf(*ed), (std::vector<std::string>{"  abcd"}));
  EXPECT_EQ(ed->CaretXY(), (TBufferCoord{5, 1}));
  ed->Redo();
  EXPECT_EQ(LinesOf(*ed), (std::vector<std::string>{"  ab", "  cd"}));

  SetText("x\ny");
  ed->SetCaretXY({1, 2});
  ed->ExecuteCommand(ecLineBreak, 0, nullptr);
  ed->SetCaretXY({2, 1});
  ed->ExecuteCommand(ecInsertLine, 0, nullptr);
  EXPECT_EQ(LinesOf(*ed), (std::vector<std::string>{"x", "", "", "y"}));
  EXPECT_EQ(ed->CaretXY(), (TBufferCoord{2, 1})) << "inserting a line leaves the caret";
  ed->Undo();
  ed->Undo();
  EXPECT_EQ(LinesOf(*ed), (std::vector<std::string>{"x", "y"}));
}

TEST_F(TextEditTest, ProportionalFontIsAskedForInFixedPitch) {
  platform::Font f;
  f.name = "Arial";
  f.height = -13;
  ed->SetFont(f);
  EXPECT_EQ(ed->Font().name, "Arial");
  EXPECT_EQ(ed->Font().height, -13);
  EXPECT_EQ(ed->Font().pitch, platform::FontPitch::Fixed);
  EXPECT_EQ(ed->CharWidth(), ed->TextDrawer().GetCharWidth());

  platform::Font mono;
  mono.name = "Courier New";
  mono.height = -20;
  ed->SetFont(mono);
  EXPECT_EQ(ed->Font().pitch, platform::FontPitch::Default);
  EXPECT_EQ(ed->CharWidth(), platform::CharAdvance(mono, U'M'));
  EXPECT_EQ(ed->LineHeight(), platform::GetTextMetrics(mono).height);
  ed->SetExtraLineSpacing(3);
  EXPECT_EQ(ed->LineHeight(), platform::GetTextMetrics(mono).height + 3);
}

// ------------------------------------------------------------ scrolling

TEST_F(TextEditTest, TopLineIsClampedByScrollPastEof) {
  FillLines(100);
  const int liw = ed->LinesInWindow();
  ASSERT_GT(liw, 3);
  ed->SetTopLine(1000);
  EXPECT_EQ(ed->TopLine(), 100 - liw + 1);
  ed->SetTopLine(-5);
  EXPECT_EQ(ed->TopLine(), 1);
  ed->SetOption(eoScrollPastEof, true);
  ed->SetTopLine(1000);
  EXPECT_EQ(ed->TopLine(), 100);
  // Switching it off again pulls the view back.
  ed->SetOption(eoScrollPastEof, false);
  ed->SetTopLine(ed->TopLine());
  EXPECT_EQ(ed->TopLine(), 100 - liw + 1);
}

TEST_F(TextEditTest, CaretMovesScrollItIntoView) {
  FillLines(100, std::string(300, 'x'));
  const int liw = ed->LinesInWindow();
  const int ciw = ed->CharsInWindow();
  ASSERT_GT(ciw, 5);
  ed->SetCaretXY({1, 50});
  EXPECT_EQ(ed->TopLine(), 50 - liw + 1);
  ed->SetCaretXY({1, 10});
  EXPECT_EQ(ed->TopLine(), 10);
  ed->SetCaretXY({200, 10});
  EXPECT_EQ(ed->LeftChar(), 200 - ciw + 1);
  ed->SetCaretXY({3, 10});
  EXPECT_EQ(ed->LeftChar(), 3);

  // Centred: the caret row ends in the middle of the window.
  ed->InternalSetCaretXY({1, 10});
  ed->SetTopLine(1);
  ed->InternalSetCaretXY({1, 1});
  ed->SetCaretXYEx(false, {1, 70});
  EXPECT_EQ(ed->TopLine(), 1);
  ed->EnsureCursorPosVisibleEx(true);
  EXPECT_EQ(ed->TopLine(), 70 - (liw - 1) + liw / 2);
}

TEST_F(TextEditTest, SmallScrollsMoveTheWindowContentLargeOnesRepaintAll) {
  FillLines(100);
  const int liw = ed->LinesInWindow();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(ed.get()));
  ed->Repaint();
  ASSERT_TRUE(ed->PendingRegion().isEmpty());
  ed->SetTopLine(ed->TopLine() + 2);
  // Only the caret, which left the window, waits to be painted over.
  EXPECT_LT(ed->PendingRegion().boundingRect().height(), ed->LineHeight()) << "scrolled and painted at once";
  ed->SetTopLine(ed->TopLine() + liw + 5);
  EXPECT_EQ(ed->PendingRegion().boundingRect(), ed->rect());
}

TEST_F(TextEditTest, WheelStepsMoveTheTopLineAndKeepTheRemainder) {
  FillLines(100);
  const int liw = ed->LinesInWindow();
  int scrolls = 0;
  ed->OnScroll = [&](TCustomTextEdit*, TScrollBarKind k) {
    EXPECT_EQ(k, TScrollBarKind::sbVertical);
    ++scrolls;
  };
  ed->SetTopLine(20);
  ed->HandleMouseWheel(0, 60);
  EXPECT_EQ(ed->TopLine(), 20);
  ed->HandleMouseWheel(0, 60);
  EXPECT_EQ(ed->TopLine(), 17) << "three lines per notch in tests";
  ed->HandleMouseWheel(0, -240);
  EXPECT_EQ(ed->TopLine(), 23);
  EXPECT_EQ(scrolls, 3);
  ed->HandleMouseWheel(ssCtrl, -120);
  EXPECT_EQ(ed->TopLine(), 23 + liw);
  ed->SetOption(eoHalfPageScroll, true);
  ed->HandleMouseWheel(ssCtrl, 120);
  EXPECT_EQ(ed->TopLine(), 23 + liw - liw / 2);
}

TEST_F(TextEditTest, ScrollMessagesMoveTheViewAndReportIt) {
  FillLines(100, std::string(120, 'y'));
  const int liw = ed->LinesInWindow();
  const int ciw = ed->CharsInWindow();
  std::vector<TScrollBarKind> kinds;
  ed->OnScroll = [&](TCustomTextEdit*, TScrollBarKind k) { kinds.push_back(k); };
  ed->HandleVScroll(platform::SB_LINEDOWN, 0);
  EXPECT_EQ(ed->TopLine(), 2);
  ed->HandleVScroll(platform::SB_PAGEDOWN, 0);
  EXPECT_EQ(ed->TopLine(), 2 + liw);
  ed->SetOption(eoScrollByOneLess, true);
  ed->HandleVScroll(platform::SB_PAGEUP, 0);
  EXPECT_EQ(ed->TopLine(), 2 + liw - (liw - 1));
  ed->HandleVScroll(platform::SB_BOTTOM, 0);
  EXPECT_EQ(ed->TopLine(), 100 - liw + 1);
  ed->HandleVScroll(platform::SB_TOP, 0);
  EXPECT_EQ(ed->TopLine(), 1);
  ed->HandleHScroll(platform::SB_LINERIGHT, 0);
  EXPECT_EQ(ed->LeftChar(), 2);
  ed->HandleHScroll(platform::SB_PAGERIGHT, 0);
  EXPECT_EQ(ed->LeftChar(), 2 + ciw - 1);
  ed->HandleHScroll(platform::SB_LEFT, 0);
  EXPECT_EQ(ed->LeftChar(), 1);
  EXPECT_EQ(kinds.size(), 8u);
  EXPECT_EQ(kinds.back(), TScrollBarKind::sbHorizontal);
}

TEST_F(TextEditTest, ThumbDragShowsTheTopLineHint) {
  FillLines(100);
  const int liw = ed->LinesInWindow();
  ed->HandleVScroll(platform::SB_THUMBTRACK, 30);
  EXPECT_EQ(ed->TopLine(), 30);
  EXPECT_EQ(TCustomTextEdit::ScrollHintText(), "Top Line: 30");
  ASSERT_NE(TCustomTextEdit::ScrollHintWindow(), nullptr);
  EXPECT_TRUE(TCustomTextEdit::ScrollHintWindow()->isVisible());
  EXPECT_LE(TCustomTextEdit::ScrollHintWindow()->width(), 200);
  ed->SetScrollHintFormat(TScrollHintFormat::shfTopToBottom);
  ed->HandleVScroll(platform::SB_THUMBTRACK, 40);
  EXPECT_EQ(TCustomTextEdit::ScrollHintText(), "40 - " + std::to_string(40 + liw));
  ed->HandleVScroll(platform::SB_ENDSCROLL, 40);
  EXPECT_FALSE(TCustomTextEdit::ScrollHintWindow()->isVisible());
}

TEST_F(TextEditTest, LongLineScalesTheHorizontalBarAndThumbPositionsBack) {
  ed->SetOption(eoScrollPastEol, false);
  SetText(std::string(40000, 'w'));
  ed->SetLeftChar(1000);
  platform::ScrollBar* bar = ed->HorzScrollBar();
  EXPECT_EQ(bar->Min(), 0);
  EXPECT_EQ(bar->Max(), 32767);
  EXPECT_EQ(bar->Page(), platform::MulDiv(32767, ed->CharsInWindow(), 40000));
  EXPECT_EQ(bar->Position(), platform::MulDiv(32767, 1000, 40000));
  ed->HandleHScroll(platform::SB_THUMBTRACK, 16384);
  EXPECT_EQ(ed->LeftChar(), platform::MulDiv(40000, 16384, 32767));
  // Without the option the view stops where the longest line ends.
  ed->SetLeftChar(50000);
  EXPECT_EQ(ed->LeftChar(), 40000 - ed->CharsInWindow() + 1);
}

TEST_F(TextEditTest, VerticalBarFollowsTheRowsAndTheTopLine) {
  FillLines(100);
  const int liw = ed->LinesInWindow();
  ed->SetTopLine(10);
  platform::ScrollBar* bar = ed->VertScrollBar();
  EXPECT_TRUE(ed->HasVertScrollBar());
  EXPECT_EQ(bar->Min(), 1);
  EXPECT_EQ(bar->Max(), 100);
  EXPECT_EQ(bar->Page(), liw);
  EXPECT_EQ(bar->Position(), 10);
  ed->SetOption(eoScrollPastEof, true);
  EXPECT_EQ(bar->Max(), 100 + liw - 1);
  ed->SetScrollBars(TScrollStyle::ssNone);
  EXPECT_FALSE(ed->HasVertScrollBar());
  EXPECT_FALSE(ed->HasHorzScrollBar());
}

// ------------------------------------------------------------ painting

// Pixels whose colour is close to c (text is antialiased).
int CountNear(const QImage& image, platform::Colour c, const platform::Rect& r, int tolerance = 40) {
  int n = 0;
  for (int y = r.top; y < r.bottom && y < image.height(); ++y)
    for (int x = r.left; x < r.right && x < image.width(); ++x) {
      const platform::Colour p = platform::ColourAt(image, x, y);
      if (std::abs(platform::RedOf(p) - platform::RedOf(c)) <= tolerance &&
          std::abs(platform::GreenOf(p) - platform::GreenOf(c)) <= tolerance &&
          std::abs(platform::BlueOf(p) - platform::BlueOf(c)) <= tolerance)
        ++n;
    }
  return n;
}

TEST_F(TextEditTest, RenderedControlShowsHighlightedIniText) {
  TIniHighlighter hl;
  platform::Font font;
  font.name = "Courier New";
  font.height = -16;
  ed->SetFont(font);
  ed->SetHighlighter(&hl);
  SetText("; a comment line\n[Section]\nKey=12\n");
  const int lh = ed->LineHeight();
  const int gw = ed->GutterWidth();
  const int w = ed->ClientWidth();
  auto row = [&](int r) { return platform::Rect{gw + 2, r * lh, w, (r + 1) * lh}; };

  QImage image = platform::RenderToImage(ed.get());
  const platform::Colour green = clGreen;
  EXPECT_GT(CountNear(image, green, row(0)), 5) << "the comment is green";
  EXPECT_EQ(CountNear(image, green, row(1)), 0);
  EXPECT_EQ(CountNear(image, green, row(2)), 0);
  EXPECT_GT(platform::CountDark(image, row(2)), 5) << "the key line shows in the window text colour";
  // Gutter, its border and the white text background.
  EXPECT_EQ(platform::ColourAt(image, 5, 5), platform::ColourToRgb(clBtnFace));
  EXPECT_EQ(platform::ColourAt(image, gw - 2, 5), platform::ColourToRgb(clWindow));
  EXPECT_EQ(platform::ColourAt(image, w - 3, lh * 2 + lh / 2), platform::ColourToRgb(clWindow));

  // A selection of the key line in the highlight colours.
  Select(TEdSelectionMode::smNormal, {1, 3}, {7, 3});
  image = platform::RenderToImage(ed.get());
  const platform::Colour highlight = platform::ColourToRgb(clHighlight);
  const int cw = ed->CharWidth();
  EXPECT_EQ(platform::ColourAt(image, gw + 2 + 1, lh * 2 + 1), highlight);
  EXPECT_NE(platform::ColourAt(image, gw + 2 + 7 * cw + 1, lh * 2 + 1), highlight) << "the selection ends at column 7";
  EXPECT_EQ(CountNear(image, highlight, row(0), 0), 0);

  // The caret line colour fills the whole row.
  ed->SetCaretXY({1, 2});
  ed->SetActiveLineColor(platform::clYellow);
  image = platform::RenderToImage(ed.get());
  EXPECT_EQ(platform::ColourAt(image, w - 3, lh + lh / 2), platform::clYellow);
  EXPECT_EQ(platform::ColourAt(image, w - 3, lh / 2), platform::ColourToRgb(clWindow));

  // The right edge line sits after column RightEdge.
  ed->SetRightEdge(5);
  image = platform::RenderToImage(ed.get());
  EXPECT_EQ(platform::ColourAt(image, gw + 2 + 5 * cw, lh * 4 + 2), clSilver);
  ed->SetHighlighter(nullptr);
}

TEST_F(TextEditTest, ColumnSelectionPaintsOnlyItsColumnsBeyondAShortLine) {
  SetText("abcdefghij\nab\nabcdefghij");
  Select(TEdSelectionMode::smColumn, {4, 1}, {8, 3});
  const QImage image = platform::RenderToImage(ed.get());
  const int lh = ed->LineHeight();
  const int cw = ed->CharWidth();
  const int x0 = ed->GutterWidth() + 2;
  const platform::Colour highlight = platform::ColourToRgb(clHighlight);
  const int y = lh + lh / 2;  // the short line
  EXPECT_EQ(platform::ColourAt(image, x0 + 3 * cw + 1, y), highlight);
  EXPECT_EQ(platform::ColourAt(image, x0 + 7 * cw - 2, y), highlight);
  EXPECT_EQ(platform::ColourAt(image, x0 + 7 * cw + 1, y), platform::ColourToRgb(clWindow));
  EXPECT_EQ(platform::ColourAt(image, x0 + 3 * cw - 2, y), platform::ColourToRgb(clWindow));
  // A normal selection over several lines also covers the end of the first line.
  Select(TEdSelectionMode::smNormal, {2, 2}, {2, 3});
  const QImage normal = platform::RenderToImage(ed.get());
  EXPECT_EQ(platform::ColourAt(normal, ed->ClientWidth() - 3, y), highlight);
  EXPECT_NE(platform::ColourAt(normal, ed->ClientWidth() - 3, 2 * lh + lh / 2), highlight);
}

TEST_F(TextEditTest, LineNumbersWidenTheGutterAndAlignRight) {
  FillLines(12345);
  ed->Gutter().SetShowLineNumbers(true);
  ed->Gutter().SetAutoSize(true);
  const int cw = ed->CharWidth();
  EXPECT_EQ(ed->Gutter().AutoSizeDigitCountValue(), 5);
  EXPECT_EQ(ed->GutterWidth(), ed->Gutter().LeftOffset() + ed->Gutter().RightOffset() + 5 * cw + 2);
  EXPECT_EQ(ed->TextOffset(), ed->GutterWidth() + 2);
  const QImage image = platform::RenderToImage(ed.get());
  const int lh = ed->LineHeight();
  const platform::Rect ink = platform::DarkBounds(image, platform::Rect{0, 0, ed->GutterWidth(), lh});
  ASSERT_FALSE(ink.IsEmpty()) << "the number 1 is drawn";
  EXPECT_LE(ink.right, ed->GutterWidth() - ed->Gutter().RightOffset() - 2);
  EXPECT_GT(ink.left, ed->GutterWidth() / 2) << "right-aligned";
}

TEST_F(TextEditTest, SpecialLinesAndHiddenSelectionsPaintInTheirColours) {
  SetText("one\ntwo\nthree");
  ed->OnSpecialLineColors = [](TCustomTextEdit*, int line, bool& special, TColor& fg, TColor& bg) {
    if (line != 2) return;
    special = true;
    fg = platform::clRed;
    bg = platform::clYellow;
  };
  Select(TEdSelectionMode::smNormal, {1, 2}, {3, 3});
  const int lh = ed->LineHeight();
  const int w = ed->ClientWidth();
  QImage image = platform::RenderToImage(ed.get());
  // On the special line the selection swaps the special colours: red behind.
  EXPECT_EQ(platform::ColourAt(image, w - 3, lh + lh / 2), platform::clRed);
  EXPECT_EQ(platform::ColourAt(image, w - 3, 2 * lh + lh / 2), platform::ColourToRgb(clWindow));
  EXPECT_EQ(platform::ColourAt(image, ed->GutterWidth() + 2 + 1, 2 * lh + 1), platform::ColourToRgb(clHighlight));
  Select(TEdSelectionMode::smNormal, {1, 1}, {1, 1});
  image = platform::RenderToImage(ed.get());
  EXPECT_EQ(platform::ColourAt(image, w - 3, lh + lh / 2), platform::clYellow);

  // A hidden selection shows only while the control has the focus.
  ed->OnSpecialLineColors = nullptr;
  ASSERT_TRUE(QTest::qWaitForWindowExposed(ed.get()));
  Select(TEdSelectionMode::smNormal, {1, 1}, {3, 1});
  ed->SetHideSelection(true);
  ed->clearFocus();
  image = platform::RenderToImage(ed.get());
  EXPECT_EQ(CountNear(image, platform::ColourToRgb(clHighlight), {}, 0), 0);
  ed->SetFocus();
  ASSERT_TRUE(ed->Focused());
  image = platform::RenderToImage(ed.get());
  EXPECT_GT(CountNear(image, platform::ColourToRgb(clHighlight), platform::Rect{0, 0, w, lh}, 0), 0);
}

TEST_F(TextEditTest, AutoSizedScrollWidthGrowsWithLinesAndScrolling) {
  ed->SetOption(eoAutoSizeMaxScrollWidth, true);
  ed->Lines().AddUtf8(std::string(2000, 'q'));
  EXPECT_EQ(ed->MaxScrollWidth(), 2000);
  ed->SetLeftChar(5000);
  EXPECT_EQ(ed->LeftChar(), 5000);
  EXPECT_EQ(ed->MaxScrollWidth(), 5000 + ed->CharsInWindow());
  ed->SetCaretXY({9000, 1});
  EXPECT_EQ(ed->CaretX(), 9000) << "the caret is not held back by the scroll width";
}

TEST_F(TextEditTest, ScrolledViewPaintsFromTheTopLineAndLeftChar) {
  SetText("abc\n; second\nthird");
  TIniHighlighter hl;
  ed->SetHighlighter(&hl);
  ed->SetOption(eoScrollPastEof, true);
  ed->SetTopLine(2);
  const QImage image = platform::RenderToImage(ed.get());
  const int lh = ed->LineHeight();
  EXPECT_GT(CountNear(image, clGreen, platform::Rect{ed->GutterWidth() + 2, 0, ed->ClientWidth(), lh}), 0)
      << "the green comment is now the first row";
  ed->SetHighlighter(nullptr);
}

}  // namespace
}  // namespace editor
