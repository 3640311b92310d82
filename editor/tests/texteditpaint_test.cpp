// The editor's painting, probed on rendered images.
#include <gtest/gtest.h>

#include <QImage>
#include <QTest>
#include <memory>
#include <string>
#include <vector>

#include "editor/textedit.h"
#include "platform/fonts.h"
#include "platform/geometry.h"
#include "platform/image.h"
#include "platform/render.h"

namespace editor {
namespace {

using platform::ColourAt;
using platform::ColourToRgb;
using platform::Rect;

class PaintTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ed = std::make_unique<TTextEdit>();
    ed->resize(400, 300);
    ed->show();
  }
  void SetText(const std::string& utf8) { ed->Lines().SetTextUtf8(utf8); }
  void Select(TEdSelectionMode mode, TBufferCoord from, TBufferCoord to) {
    ed->SetSelectionMode(mode);
    ed->SetCaretAndSelection(to, from, to);
  }
  QImage Render() { return platform::RenderToImage(ed.get()); }
  int lh() const { return ed->LineHeight(); }
  int cw() const { return ed->CharWidth(); }
  int gw() const { return ed->GutterWidth(); }
  int x0() const { return ed->GutterWidth() + 2; }
  // The gutter's row r (0-based), left of its border.
  Rect GutterRow(int r) const { return Rect{0, r * lh(), gw() - 2, (r + 1) * lh()}; }
  Rect TextRow(int r) const { return Rect{x0(), r * lh(), ed->ClientWidth(), (r + 1) * lh()}; }

  std::unique_ptr<TTextEdit> ed;
  const platform::Colour highlight = ColourToRgb(clHighlight);
  const platform::Colour window = ColourToRgb(clWindow);
  const platform::Colour btnFace = ColourToRgb(clBtnFace);
};

TEST_F(PaintTest, SelectionColoursInEachMode) {
  SetText("abcdef\nab\nabcdef\nxyz");
  const int mid = lh() / 2;
  const int right = ed->ClientWidth() - 3;
  struct Case {
    TEdSelectionMode mode;
    TBufferCoord from, to;
    // Expected highlight at (column, row 0-based) probes: {column, row, selected}.
    std::vector<std::vector<int>> probes;
  } cases[] = {
      // Normal: from the begin column, whole middle rows to the window's edge, up to the end column.
      {TEdSelectionMode::smNormal, {3, 1}, {2, 3}, {{2, 0, 0}, {3, 0, 1}, {40, 0, 1}, {40, 1, 1}, {1, 2, 1}, {2, 2, 0}}},
      // Line: every selected line's whole row, also beyond its text.
      {TEdSelectionMode::smLine, {3, 1}, {2, 2}, {{1, 0, 1}, {40, 0, 1}, {1, 1, 1}, {40, 1, 1}, {1, 2, 0}}},
      // Column: only the columns, beyond a short line's end too.
      {TEdSelectionMode::smColumn, {5, 1}, {2, 3}, {{1, 1, 0}, {2, 1, 1}, {4, 1, 1}, {5, 1, 0}, {3, 2, 1}, {3, 3, 0}}},
  };
  for (const Case& c : cases) {
    Select(c.mode, c.from, c.to);
    const QImage image = Render();
    for (const std::vector<int>& p : c.probes) {
      const int x = std::min(x0() + (p[0] - 1) * cw() + cw() / 2, right);
      const int y = p[1] * lh() + mid;
      // Sample a pixel away from glyph ink: the top row of the cell.
      const platform::Colour at = ColourAt(image, x, p[1] * lh() + 1);
      EXPECT_EQ(at == highlight, p[2] == 1) << "mode " << static_cast<int>(c.mode) << " column " << p[0] << " row "
                                            << p[1] << " y " << y;
    }
  }
}

TEST_F(PaintTest, RightEdgeIsALineOverEveryRowAndBelowTheText) {
  SetText("one\ntwo");
  ed->SetRightEdge(10);
  ed->SetRightEdgeColor(platform::clRed);
  QImage image = Render();
  const int x = x0() + 10 * cw();
  for (int y : {1, lh() + 1, 5 * lh(), ed->ClientHeight() - 2}) {
    EXPECT_EQ(ColourAt(image, x, y), platform::clRed) << y;
    EXPECT_EQ(ColourAt(image, x + 1, y), window) << "one pixel wide";
    EXPECT_EQ(ColourAt(image, x - 1, y), window);
  }
  // It moves with the view.
  ed->SetLeftChar(3);
  image = Render();
  EXPECT_EQ(ColourAt(image, x - 2 * cw(), 5 * lh()), platform::clRed);
  ed->SetRightEdge(0);
  image = Render();
  EXPECT_EQ(platform::CountColour(image, platform::clRed), 0) << "no edge at 0";
}

TEST_F(PaintTest, GutterLineNumbersAlignRightAndMayBeReplaced) {
  SetText("a\nb\nc");
  ed->Gutter().SetShowLineNumbers(true);
  ed->OnGutterGetText = [](TCustomTextEdit*, int line, std::u16string& text) {
    if (line == 2) text.clear();
  };
  QImage image = Render();
  const int limit = gw() - ed->Gutter().RightOffset() - 2;
  const Rect one = platform::DarkBounds(image, GutterRow(0));
  ASSERT_FALSE(one.IsEmpty());
  EXPECT_LE(one.right, limit);
  EXPECT_GT(one.left, limit - 2 * cw()) << "one digit ends at the border";
  EXPECT_TRUE(platform::DarkBounds(image, GutterRow(1)).IsEmpty()) << "the handler's empty text";
  EXPECT_FALSE(platform::DarkBounds(image, GutterRow(2)).IsEmpty());
  EXPECT_EQ(ColourAt(image, 1, 6 * lh()), btnFace) << "below the last line";

  // Over a gradient the numbers are drawn transparently.
  ed->Gutter().SetGradientStartColor(platform::clRed);
  ed->Gutter().SetGradientEndColor(platform::clRed);
  ed->Gutter().SetGradient(true);
  image = Render();
  EXPECT_EQ(ColourAt(image, 1, 1), platform::clRed);
  EXPECT_EQ(ColourAt(image, limit - 1, lh() * 2 + 1), platform::clRed) << "no opaque box behind the number";
  EXPECT_FALSE(platform::DarkBounds(image, GutterRow(2)).IsEmpty());
  EXPECT_EQ(ColourAt(image, 1, 6 * lh()), platform::clRed) << "the gradient stays below the lines";
}

TEST_F(PaintTest, GutterBorderStyles) {
  SetText("a");
  ed->Gutter().SetBorderColor(platform::clRed);
  ed->Gutter().SetBorderStyle(TEdGutterBorderStyle::gbsMiddle);
  QImage image = Render();
  EXPECT_EQ(ColourAt(image, gw() - 2, 3), platform::clRed);
  EXPECT_EQ(ColourAt(image, gw() - 1, 3), btnFace);
  ed->Gutter().SetBorderStyle(TEdGutterBorderStyle::gbsRight);
  image = Render();
  EXPECT_EQ(ColourAt(image, gw() - 1, 3), platform::clRed);
  EXPECT_EQ(ColourAt(image, gw() - 2, 3), btnFace);
  ed->Gutter().SetBorderStyle(TEdGutterBorderStyle::gbsNone);
  image = Render();
  EXPECT_EQ(platform::CountColour(image, platform::clRed), 0);
}

TEST_F(PaintTest, MarksAreDrawnOnTheirLinesAndReportedToTheGutterPaintEvent) {
  SetText("a\nb\nc");
  std::vector<std::vector<int>> painted;
  ed->OnGutterPaint = [&](TCustomTextEdit*, int line, int x, int y) { painted.push_back({line, x, y}); };
  ed->SetBookMark(3, 1, 2);
  QImage image = Render();
  EXPECT_TRUE(platform::InkBounds(image, btnFace, GutterRow(0)).IsEmpty());
  EXPECT_FALSE(platform::InkBounds(image, btnFace, GutterRow(1)).IsEmpty()) << "the bookmark image";
  const int left = ed->BookMarkOptions().LeftMargin();
  const int step = ed->BookMarkOptions().Xoffset();
  ASSERT_GE(painted.size(), 3u);
  EXPECT_EQ(painted[0], (std::vector<int>{1, left, 0}));
  EXPECT_EQ(painted[1], (std::vector<int>{2, left + step, lh()}));
  EXPECT_EQ(painted[2], (std::vector<int>{3, left, 2 * lh()}));

  // A user's image list: a mark names one of its images.
  platform::Bitmap strip(16, 8, platform::clRed);
  for (int y = 0; y < 8; ++y)
    for (int x = 8; x < 16; ++x) strip.SetPixel(x, y, platform::clBlue);
  ed->BookMarkOptions().SetBookmarkImages(std::make_shared<TEdImageList>(strip, 2));
  auto mark = std::make_unique<TTextEditMark>(ed.get());
  mark->SetLine(3);
  mark->SetImageIndex(1);
  mark->SetVisible(true);
  ed->Marks().Add(std::move(mark));
  image = Render();
  const Rect blue = platform::BoundsOfColour(image, platform::clBlue, GutterRow(2));
  ASSERT_FALSE(blue.IsEmpty());
  EXPECT_EQ(blue.left, left + step) << "a mark that is no bookmark comes after the bookmarks' place";
  ed->BookMarkOptions().SetGlyphsVisible(false);
  image = Render();
  EXPECT_TRUE(platform::BoundsOfColour(image, platform::clBlue).IsEmpty());
}

TEST_F(PaintTest, TransientPaintRunsAfterEachPaintAndLockedSequencesReachItOnce) {
  ASSERT_TRUE(QTest::qWaitForWindowExposed(ed.get()));
  ed->SetFocus();
  SetText("abc");
  std::vector<TTransientType> calls;
  std::vector<bool> caretVisible;
  ed->OnPaintTransient = [&](TCustomTextEdit* sender, platform::Canvas&, TTransientType type) {
    calls.push_back(type);
    caretVisible.push_back(sender->CaretVisible());
  };
  Render();
  ASSERT_EQ(calls, (std::vector<TTransientType>{TTransientType::ttAfter}));
  calls.clear();
  ed->DoPaintTransientEx(TTransientType::ttBefore, true);
  ed->DoPaintTransientEx(TTransientType::ttBefore, true);
  Render();  // inside a locked sequence
  ed->DoPaintTransientEx(TTransientType::ttAfter, false);
  ed->DoPaintTransientEx(TTransientType::ttAfter, true);
  EXPECT_EQ(ed->PaintTransientLock(), 1);
  ed->DoPaintTransientEx(TTransientType::ttAfter, true);
  EXPECT_EQ(ed->PaintTransientLock(), 0);
  EXPECT_EQ(calls, (std::vector<TTransientType>{TTransientType::ttBefore, TTransientType::ttAfter}));
  for (bool v : caretVisible) EXPECT_FALSE(v) << "the caret is hidden during the call";
  // Typing calls it again once the lock is gone.
  calls.clear();
  ed->CommandProcessor(ecChar, u'x', nullptr);
  EXPECT_FALSE(calls.empty());
  EXPECT_TRUE(ed->CaretVisible()) << "shown again afterwards";
}

TEST_F(PaintTest, PaintEventGetsTheFontAndColour) {
  SetText("abc");
  ed->SetColor(platform::clYellow);
  int calls = 0;
  ed->OnPaint = [&](TCustomTextEdit* sender, platform::Canvas& canvas) {
    ++calls;
    EXPECT_EQ(canvas.brush.color, platform::clYellow);
    EXPECT_EQ(canvas.font.name, sender->Font().name);
  };
  const QImage image = Render();
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(ColourAt(image, ed->ClientWidth() - 3, 5 * lh()), platform::clYellow);
}

TEST_F(PaintTest, SpecialCharactersShowAsSymbols) {
  SetText("a b");
  const Rect space{x0() + cw(), 0, x0() + 2 * cw(), lh()};
  const Rect eol{x0() + 3 * cw(), 0, x0() + 4 * cw(), lh()};
  QImage image = Render();
  EXPECT_TRUE(platform::InkBounds(image, window, space).IsEmpty());
  EXPECT_TRUE(platform::InkBounds(image, window, eol).IsEmpty());
  ed->SetOption(eoShowSpecialChars, true);
  image = Render();
  EXPECT_FALSE(platform::InkBounds(image, window, space).IsEmpty()) << "the middle dot";
  EXPECT_FALSE(platform::InkBounds(image, window, eol).IsEmpty()) << "the pilcrow";
}

TEST_F(PaintTest, WrappedRowsShowTheirTextAndTheGlyph) {
  const int frame = ed->width() - ed->ClientWidth();
  ed->resize(frame + gw() + 2 + 20 * cw(), 300);
  ASSERT_EQ(ed->CharsInWindow(), 20);
  SetText(std::string(30, 'a') + "\nb");
  ed->SetWordWrap(true);
  ASSERT_EQ(ed->DisplayLineCount(), 3);
  QImage image = Render();
  const Rect glyphArea{gw() / 2, 0, gw() - 2, lh()};
  auto gutterInk = [&](int row) {
    Rect r = glyphArea;
    r.top = row * lh();
    r.bottom = r.top + lh();
    return !platform::InkBounds(image, btnFace, r).IsEmpty();
  };
  EXPECT_FALSE(gutterInk(0));
  EXPECT_TRUE(gutterInk(1)) << "a continuation row";
  EXPECT_FALSE(gutterInk(2));
  // Row 2 holds ten letters, then nothing.
  const Rect row2 = platform::DarkBounds(image, TextRow(1));
  ASSERT_FALSE(row2.IsEmpty());
  EXPECT_LE(row2.right, x0() + 10 * cw());
  // A selection across the seam.
  Select(TEdSelectionMode::smNormal, {15, 1}, {25, 1});
  image = Render();
  EXPECT_EQ(ColourAt(image, x0() + 16 * cw(), 1), highlight);
  EXPECT_EQ(ColourAt(image, x0() + 2, lh() + 1), highlight);
  EXPECT_NE(ColourAt(image, x0() + 6 * cw(), lh() + 1), highlight);
  // With line numbers, only the first row of a line is numbered.
  ed->Gutter().SetShowLineNumbers(true);
  image = Render();
  EXPECT_FALSE(platform::DarkBounds(image, GutterRow(0)).IsEmpty());
  EXPECT_FALSE(platform::DarkBounds(image, GutterRow(2)).IsEmpty());
  ed->WordWrapGlyph().SetVisible(false);
  image = Render();
  EXPECT_TRUE(platform::InkBounds(image, btnFace, GutterRow(1)).IsEmpty());
}

}  // namespace
}  // namespace editor
