#include "editor/texteditwrap.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "editor/keycmds.h"
#include "editor/tests/textedit_helpers.h"
#include "editor/textedit.h"
#include "platform/fonts.h"
#include "platform/scrollbar.h"
#include "platform/sysutils.h"

namespace editor {

// Buffer positions print through the shared test helpers.
void PrintTo(const TDisplayCoord& p, std::ostream* out) { *out << "[" << p.Column << "," << p.Row << "]"; }

namespace {

class WordWrapTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ed = std::make_unique<TTextEdit>();
    ed->resize(400, 300);
    ed->show();
    ed->SetOption(eoScrollPastEol, false);
    SetWidthInChars(40);
  }
  // A text area exactly n characters wide.
  void SetWidthInChars(int n) {
    const int frame = ed->width() - ed->ClientWidth();
    ed->resize(frame + ed->GutterWidth() + 2 + n * ed->CharWidth(), 300);
    ASSERT_EQ(ed->CharsInWindow(), n);
  }
  void SetText(const std::string& utf8) { ed->Lines().SetTextUtf8(utf8); }
  TEdWordWrapPlugin& Plugin() { return *dynamic_cast<TEdWordWrapPlugin*>(ed->WordWrapPlugin()); }
  std::vector<int> RowsOfLine(int line) {
    std::vector<int> out;
    const int first = ed->LineToRow(line);
    const int last = line < ed->Lines().Count() ? ed->LineToRow(line + 1) - 1 : ed->DisplayLineCount();
    for (int r = first; r <= last; ++r) out.push_back(ed->WordWrapPlugin()->GetRowLength(r));
    return out;
  }
  std::vector<int> Split(const std::string& text) {
    std::vector<int> out;
    for (std::uint8_t n : Plugin().SplitLine(platform::Utf8ToUtf16(text))) out.push_back(n);
    return out;
  }
  void Do(TTextEditorCommand c, int times = 1) {
    for (int i = 0; i < times; ++i) ed->CommandProcessor(c, 0, nullptr);
  }

  std::unique_ptr<TTextEdit> ed;
};

TEST_F(WordWrapTest, SwitchCreatesAndReleasesThePlugin) {
  EXPECT_FALSE(ed->WordWrap());
  EXPECT_EQ(ed->WordWrapPlugin(), nullptr);
  SetText(std::string(100, 'a') + "\nshort");
  EXPECT_EQ(ed->DisplayLineCount(), 2);
  ed->SetWordWrap(true);
  ASSERT_TRUE(ed->WordWrap());
  EXPECT_EQ(Plugin().MaxRowLength(), 40);
  EXPECT_EQ(Plugin().MinRowLength(), 40 - 40 / 3);
  EXPECT_EQ(ed->DisplayLineCount(), 4);
  EXPECT_EQ(ed->LeftChar(), 1);
  ed->SetWordWrap(false);
  EXPECT_EQ(ed->WordWrapPlugin(), nullptr);
  EXPECT_EQ(ed->DisplayLineCount(), 2);
}

TEST_F(WordWrapTest, LinesSplitIntoRowsByTheRules) {
  ed->SetWordWrap(true);
  const std::string a40(40, 'a');
  struct Case {
    std::string text;
    std::vector<int> rows;
  } cases[] = {
      {std::string(100, 'x'), {40, 40, 20}},                        // no break character: hard cuts
      {"", {0}},                                                    // an empty line is one empty row
      {std::string(40, 'x'), {40}},                                 // exactly the width
      {a40 + "   " + "bbbb", {43, 4}},                              // the blanks stay at the row's end
      {a40 + "   ", {43}},                                          // blanks at the wrap width stay on the row
      {std::string(30, 'a') + "," + std::string(30, 'b'), {31, 30}},  // cut after the break character
      // A break character too close to the row's start (not beyond MinRowLength + 1) is not used.
      {std::string(10, 'a') + "," + std::string(60, 'b'), {40, 31}},
  };
  for (const Case& c : cases) EXPECT_EQ(Split(c.text), c.rows) << c.text;
}

TEST_F(WordWrapTest, NoRowIsLongerThan255Columns) {
  const int frame = ed->width() - ed->ClientWidth();
  ed->resize(frame + ed->GutterWidth() + 2 + 300 * ed->CharWidth(), 300);
  ASSERT_EQ(ed->CharsInWindow(), 300);
  ed->SetWordWrap(true);
  EXPECT_EQ(Split(std::string(600, 'z')), (std::vector<int>{255, 255, 90}));
  // A run of blanks longer than a row fills rows of 255 as letters do.
  EXPECT_EQ(Split(std::string(600, ' ') + "x"), (std::vector<int>{255, 255, 91}));
  // A line that fits the window but not 255 columns is cut as well; a cut
  // inside a tab's columns goes back to the tab's first column (255 mod 8 =
  // 7 columns at most): the tab covers columns 251..256.
  ed->SetTabWidth(8);
  SetText(std::string(250, 'a') + "\t" + std::string(20, 'b'));
  EXPECT_EQ(RowsOfLine(1), (std::vector<int>{250, 26}));
  EXPECT_EQ(Split(std::string(280, 'y')), (std::vector<int>{255, 25}));
}

TEST_F(WordWrapTest, ConversionsBetweenBufferAndDisplay) {
  SetText(std::string(100, 'a') + "\nshort\n" + std::string(45, 'c'));
  ed->SetWordWrap(true);
  ASSERT_EQ(RowsOfLine(1), (std::vector<int>{40, 40, 20}));
  struct Case {
    TBufferCoord buffer;
    TDisplayCoord display;
  } cases[] = {
      {{1, 1}, {1, 1}},   {{40, 1}, {40, 1}}, {{41, 1}, {1, 2}},  // after a row's last character: the next row
      {{100, 1}, {20, 3}}, {{101, 1}, {21, 3}}, {{1, 2}, {1, 4}}, {{6, 2}, {6, 4}},
      {{41, 3}, {1, 6}},  {{46, 3}, {6, 6}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ed->BufferToDisplayPos(c.buffer), c.display) << ::testing::PrintToString(c.buffer);
    EXPECT_EQ(ed->DisplayToBufferPos(c.display), c.buffer) << ::testing::PrintToString(c.display);
  }
  // A column beyond a row's end is the first character of the next row;
  // on the line's last row it is cut to the wrap width + 1.
  EXPECT_EQ(ed->DisplayToBufferPos({60, 1}), (TBufferCoord{41, 1}));
  EXPECT_EQ(ed->DisplayToBufferPos({60, 3}), (TBufferCoord{121, 1})) << "cut to the wrap width + 1 on the last row";
  EXPECT_EQ(ed->LineToRow(2), 4);
  EXPECT_EQ(ed->LineToRow(3), 5);
  EXPECT_EQ(ed->RowToLine(2), 1);
  EXPECT_EQ(ed->RowToLine(6), 3);
  // Beyond the text, a line is one row.
  EXPECT_EQ(ed->BufferToDisplayPos({3, 5}), (TDisplayCoord{3, 8}));
  EXPECT_EQ(Plugin().DisplayToBufferPos({3, 8}), (TBufferCoord{3, 5}));
}

TEST_F(WordWrapTest, EditsAndWidthChangesRewrap) {
  SetText("one\n" + std::string(100, 'a') + "\nthree");
  ed->SetWordWrap(true);
  EXPECT_EQ(ed->DisplayLineCount(), 5);
  // Typing at the end of a full line adds a row.
  ed->SetCaretXY({4, 1});
  for (char c : std::string(40, 'q')) ed->CommandProcessor(ecChar, static_cast<char16_t>(c), nullptr);
  EXPECT_EQ(RowsOfLine(1), (std::vector<int>{40, 3}));
  EXPECT_EQ(ed->DisplayLineCount(), 6);
  EXPECT_EQ(ed->LineToRow(3), 6);
  // Deleting a line of three rows removes three rows.
  ed->Lines().Delete(1);
  EXPECT_EQ(ed->DisplayLineCount(), 3);
  EXPECT_EQ(ed->RowToLine(3), 2);
  ed->Lines().Insert(0, platform::Utf8ToUtf16(std::string(90, 'n')));
  EXPECT_EQ(RowsOfLine(1), (std::vector<int>{40, 40, 10}));
  EXPECT_EQ(ed->DisplayLineCount(), 6);
  // A narrower window wraps again.
  SetWidthInChars(30);
  EXPECT_EQ(Plugin().MaxRowLength(), 30);
  EXPECT_EQ(RowsOfLine(1), (std::vector<int>{30, 30, 30}));
  // Clearing empties the rows.
  ed->Lines().Clear();
  EXPECT_EQ(ed->DisplayLineCount(), 0);
  EXPECT_EQ(ed->WordWrapPlugin()->RowCount(), 0);
}

TEST_F(WordWrapTest, TabWidthChangeRewrapsEveryLine) {
  ed->SetTabWidth(8);
  SetText("\t\t\t\tabcdefghij\n" + std::string(10, 'x'));
  ed->SetWordWrap(true);
  // 32 columns of tabs and 10 letters: cut after the last tab (a break character).
  EXPECT_EQ(RowsOfLine(1), (std::vector<int>{32, 10}));
  ed->SetTabWidth(16);
  // 64 columns of tabs: the run of blanks stays on the first row.
  EXPECT_EQ(RowsOfLine(1), (std::vector<int>{64, 10}));
  EXPECT_EQ(ed->LineToRow(2), 3);
}

TEST_F(WordWrapTest, ErrorsAndANarrowWindow) {
  EXPECT_THROW(
      {
        try {
          TEdWordWrapPlugin p(nullptr);
        } catch (const platform::Exception& e) {
          EXPECT_STREQ(e.what(), "TEdWordWrapPlugin must be owned by TCustomTextEdit");
          throw;
        }
      },
      platform::Exception);
  SetText("abc");
  ed->SetWordWrap(true);
  try {
    ed->WordWrapPlugin()->GetRowLength(2);
    ADD_FAILURE() << "no error";
  } catch (const platform::EListError& e) {
    EXPECT_STREQ(e.what(), "List index out of bounds (2)");
  }
  // Too narrow for one character: no rows, positions unchanged.
  const int frame = ed->width() - ed->ClientWidth();
  ed->resize(frame + ed->GutterWidth() + 1, 300);
  ASSERT_EQ(ed->CharsInWindow(), 0);
  EXPECT_EQ(ed->WordWrapPlugin()->RowCount(), 0);
  EXPECT_EQ(Plugin().BufferToDisplayPos({7, 1}), (TDisplayCoord{7, 1}));
}

TEST_F(WordWrapTest, CaretAtARowSeam) {
  SetText(std::string(100, 'a'));
  ed->SetWordWrap(true);
  ed->SetCaretXY({40, 1});  // right before the last character of row 1
  Do(ecRight);
  EXPECT_EQ(ed->CaretXY(), (TBufferCoord{41, 1}));
  EXPECT_TRUE(ed->CaretAtEndOfRow());
  EXPECT_EQ(ed->DisplayXY(), (TDisplayCoord{41, 1})) << "shown at the end of row 1";
  Do(ecRight);
  EXPECT_EQ(ed->CaretXY(), (TBufferCoord{41, 1})) << "the same buffer position";
  EXPECT_EQ(ed->DisplayXY(), (TDisplayCoord{1, 2}));
  Do(ecRight);
  EXPECT_EQ(ed->CaretXY(), (TBufferCoord{42, 1}));
  // Left from the start of a continuation row shows the end of the row above first.
  Do(ecLeft);
  EXPECT_EQ(ed->DisplayXY(), (TDisplayCoord{1, 2}));
  Do(ecLeft);
  EXPECT_EQ(ed->CaretXY(), (TBufferCoord{41, 1}));
  EXPECT_EQ(ed->DisplayXY(), (TDisplayCoord{41, 1}));
  Do(ecLeft);
  EXPECT_EQ(ed->CaretXY(), (TBufferCoord{40, 1}));
  EXPECT_FALSE(ed->CaretAtEndOfRow());
}

TEST_F(WordWrapTest, HomeEndAndVerticalMovesWorkOnRows) {
  SetText(std::string(100, 'a') + "\nxy");
  ed->SetWordWrap(true);
  ed->SetCaretXY({45, 1});  // row 2, column 5
  Do(ecLineEnd);
  EXPECT_EQ(ed->CaretXY(), (TBufferCoord{81, 1}));
  EXPECT_EQ(ed->DisplayXY(), (TDisplayCoord{41, 2})) << "at the end of row 2, not the start of row 3";
  Do(ecLineStart);
  EXPECT_EQ(ed->CaretXY(), (TBufferCoord{41, 1})) << "the start of the row";
  EXPECT_EQ(ed->DisplayXY(), (TDisplayCoord{1, 2}));
  // Down keeps the column from row to row of one line.
  ed->SetCaretXY({5, 1});
  Do(ecDown);
  EXPECT_EQ(ed->CaretXY(), (TBufferCoord{45, 1}));
  Do(ecDown);
  EXPECT_EQ(ed->CaretXY(), (TBufferCoord{85, 1}));
  Do(ecDown);
  EXPECT_EQ(ed->CaretXY(), (TBufferCoord{3, 2})) << "cut to the short line's end";
  Do(ecUp);
  EXPECT_EQ(ed->DisplayY(), 3);
  // On the last row End goes to the end of the line.
  ed->SetCaretXY({85, 1});
  Do(ecLineEnd);
  EXPECT_EQ(ed->CaretXY(), (TBufferCoord{101, 1}));
}

TEST_F(WordWrapTest, SwitchingKeepsTheTopLine) {
  std::string text;
  for (int i = 1; i <= 60; ++i) text += std::string(90, 'a' + i % 26) + "\n";
  SetText(text);
  ed->SetTopLine(20);
  ASSERT_EQ(ed->TopLine(), 20);
  ed->SetWordWrap(true);
  EXPECT_EQ(ed->RowToLine(ed->TopLine()), 20);
  EXPECT_EQ(ed->TopLine(), 19 * 3 + 1);
  ed->SetWordWrap(false);
  EXPECT_EQ(ed->TopLine(), 20);
}

TEST_F(WordWrapTest, FontChangeRewrapsAndTheHorizontalBarHides) {
  SetText(std::string(100, 'a'));
  ed->SetWordWrap(true);
  ASSERT_EQ(ed->DisplayLineCount(), 3);
  if (ed->HasHorzScrollBar()) EXPECT_FALSE(ed->HorzScrollBar()->isVisibleTo(ed.get()));
  platform::Font big = ed->Font();
  big.height = -2 * std::abs(ed->Font().height == 0 ? 13 : ed->Font().height);
  ed->SetFont(big);
  const int chars = ed->CharsInWindow();
  ASSERT_LT(chars, 40);
  EXPECT_EQ(Plugin().MaxRowLength(), chars);
  EXPECT_EQ(ed->DisplayLineCount(), (100 + chars - 1) / chars);
  ed->SetWordWrap(false);
  ASSERT_TRUE(ed->HasHorzScrollBar());
  EXPECT_TRUE(ed->HorzScrollBar()->isVisibleTo(ed.get()));
}

TEST_F(WordWrapTest, DefaultOptionsLetTheCaretPassTheScrollWidth) {
  ed->SetOptions(kDefaultTextEditorOptions);
  ed->SetMaxScrollWidth(10);
  SetText(std::string(100, 'a'));
  ed->SetWordWrap(true);
  ed->SetCaretXY({60, 1});
  EXPECT_EQ(ed->CaretX(), 60) << "not held back by MaxScrollWidth";
  EXPECT_EQ(ed->DisplayXY(), (TDisplayCoord{20, 2}));
  ed->SetCaretXY({40, 1});
  Do(ecRight);
  EXPECT_EQ(ed->DisplayXY(), (TDisplayCoord{41, 1}));
  Do(ecRight);
  EXPECT_EQ(ed->DisplayXY(), (TDisplayCoord{1, 2}));
}

}  // namespace
}  // namespace editor
