// Pages whose shape once made showing them quadratic or costly in memory:
// deep THEAD/TH and heading nesting, rows of wide column spans, one row span
// (or one span of columns and rows) over a long table, and one long
// paragraph (of words, or a single word). At sizes that run quickly, each
// must come out as the smaller cases do.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "parsedpage_helpers.h"
#include "htmlview/document/docparser.h"
#include "htmlview/layout/blocks.h"
#include "htmlview/layout/docroot.h"
#include "htmlview/layout/tables.h"
#include "htmlview/layout/textsection.h"
#include "platform/canvas.h"
#include "platform/fonts.h"
#include "platform/image.h"
#include "testsupport/boundedchild.h"

namespace htmlview {
namespace {

// What a page of hostile spans may take: the grid's bound (512 MiB of
// words) and what a page of this size takes besides, far below the
// gigabytes the pages ask for; and a processor time none of them comes near,
// also under the sanitizers.
const testsupport::ChildBounds kSpanPageBounds{120, 3LL << 29};

class HostileSizesTest : public ParsedPageTest {
 protected:
  int Show(const std::string& html) {
    Parse(html);
    return LayOutAndPaint(400, 300);
  }

  ThtmlTable* FirstTable() const {
    TBodyBlock* body = Body();
    if (!body) return nullptr;
    for (int i = 0; i < body->MyCell.Count(); ++i)
      if (auto* b = dynamic_cast<TTableBlock*>((body->MyCell)[i])) return b->Table;
    return nullptr;
  }

  TSection* FirstText() const {
    TBodyBlock* body = Body();
    if (!body) return nullptr;
    for (int i = 0; i < body->MyCell.Count(); ++i) {
      TSectionBase* s = (body->MyCell)[i];
      if (auto* t = dynamic_cast<TSection*>(s)) return t;
      if (auto* b = dynamic_cast<TBlock*>(s))
        for (int k = 0; k < b->MyCell.Count(); ++k)
          if (auto* t = dynamic_cast<TSection*>((b->MyCell)[k])) return t;
    }
    return nullptr;
  }
};

TEST_F(HostileSizesTest, DeepHeadAndHeadingNestingShows) {
  EXPECT_GT(Show("<table>" + Repeat("<thead><th>", 20000) + "x"), 0);
  EXPECT_NE(FirstTable(), nullptr);
  const int headings = Show(Repeat("<h1><h2><h3><h4><h5><h6>", 3000) + "x");
  // Every heading is a block of its own, one below the other.
  EXPECT_GT(headings, 18000);
}

// Cells of COLSPAN 1000 side by side: the grid holds every position, the
// last cell's own fillers are dropped (nothing but fillers stands in its
// columns), and each cell is as wide as the columns it spans.
TEST_F(HostileSizesTest, RowOfWideColumnSpans) {
  constexpr int cells = 40;
  Show("<table border=1><tr>" + Repeat("<td colspan=1000>x", cells) + "</table>");
  ThtmlTable* table = FirstTable();
  ASSERT_NE(table, nullptr);
  ASSERT_EQ(table->RowCount(), 1);
  const TCellList& row = *table->Rows[0];
  EXPECT_EQ(table->NumCols, (cells - 1) * 1000 + 1);
  ASSERT_EQ(row.Count(), table->NumCols);
  long long sum = 0;
  for (int w : table->Widths) sum += w;
  int reals = 0;
  for (int i = 0; i < row.Count(); ++i) {
    const TCellObj* cell = row[i];
    ASSERT_NE(cell, nullptr);
    if (!cell->IsReal()) {
      EXPECT_EQ(cell->ColSpan, 0);
      continue;
    }
    EXPECT_EQ(i, reals * 1000);
    const int span = reals == cells - 1 ? 1 : 1000;
    EXPECT_EQ(cell->ColSpan, span);
    int wd = 0;
    for (int k = i; k < i + span; ++k) wd += table->Widths[k];
    EXPECT_EQ(cell->Wd, wd);
    ++reals;
  }
  EXPECT_EQ(reals, cells);
  EXPECT_EQ(table->TableWidth, table->CellSpacing + sum);
}

// One cell spanning every row that follows: its height is theirs, and the
// rows keep the heights of their own cells.
TEST_F(HostileSizesTest, OneRowSpanOverALongTable) {
  constexpr int rows = 3000;
  Show("<table cellspacing=0 cellpadding=0><tr><td rowspan=" + std::to_string(rows) +
       ">x" + Repeat("<tr><td>y", rows) + "</table>");
  ThtmlTable* table = FirstTable();
  ASSERT_NE(table, nullptr);
  ASSERT_EQ(table->RowCount(), rows + 1);
  const TCellObj* spanning = (*table->Rows[0])[0];
  ASSERT_NE(spanning, nullptr);
  EXPECT_EQ(spanning->RowSpan, rows);
  int spanned = 0;
  for (int j = 0; j < rows; ++j) spanned += table->Heights[j];
  EXPECT_EQ(spanning->Ht, spanned);
  for (int j = 2; j < rows; ++j) EXPECT_EQ(table->Heights[j], table->Heights[1]) << j;
  // The rows below hold a filler where the span covers them, then their cell.
  const TCellList& below = *table->Rows[5];
  ASSERT_EQ(below.Count(), 2);
  EXPECT_FALSE(below[0]->IsReal());
  EXPECT_TRUE(below[1]->IsReal());
}

// One cell spanning a thousand columns and every row that follows: each row
// below holds a filler for every column the span covers, then its own cell;
// the spanning cell is as wide and as high as what it covers, and a point
// anywhere in it finds it.
TEST_F(HostileSizesTest, ColumnAndRowSpanOverALongTable) {
  constexpr int rows = 300;
  const int height = Show("<table border=1 cellspacing=0 cellpadding=0><tr><td colspan=1000" +
                          (" rowspan=" + std::to_string(rows)) + " title=wide>x" +
                          Repeat("<tr><td title=own>y", rows) + "</table>");
  ThtmlTable* table = FirstTable();
  ASSERT_NE(table, nullptr);
  ASSERT_EQ(table->RowCount(), rows + 1);
  ASSERT_EQ(table->NumCols, 1001);
  const TCellObj* spanning = (*table->Rows[0])[0];
  ASSERT_NE(spanning, nullptr);
  EXPECT_EQ(spanning->ColSpan, 1000);
  EXPECT_EQ(spanning->RowSpan, rows);
  int wd = 0, ht = 0;
  for (int i = 0; i < 1000; ++i) wd += table->Widths[i];
  for (int j = 0; j < rows; ++j) ht += table->Heights[j];
  EXPECT_EQ(spanning->Wd, wd);
  EXPECT_EQ(spanning->Ht, ht);
  for (int j : {1, rows / 2, rows - 1}) {
    const TCellList& row = *table->Rows[j];
    ASSERT_EQ(row.Count(), 1001) << j;
    for (int i = 0; i < 1000; ++i) ASSERT_FALSE(row[i]->IsReal()) << j << " " << i;
    EXPECT_TRUE(row[1000]->IsReal()) << j;
  }
  ASSERT_EQ(table->Rows[rows]->Count(), 1);   // below the span
  EXPECT_TRUE((*table->Rows[rows])[0]->IsReal());

  // A cell answers where it was last painted: the window at the top of the
  // page, then scrolled to its bottom.
  platform::Bitmap scratch(10, 10);
  platform::Canvas canvas(&scratch.Image());
  const int bottom = height - 300;
  const struct {
    int yOff, x, y;
    const char* title;
  } points[] = {
      {0, table->DrawX + 1, table->DrawTop + 1, "wide"},
      {bottom, table->DrawX + wd - 1, table->DrawTop + ht - 1, "wide"},
      {bottom, table->DrawX + wd + 1, table->DrawTop + ht - 1, "own"},
      {bottom, table->DrawX + 1, table->DrawTop + ht + 1, "own"},
  };
  for (const auto& p : points) {
    PaintAgain(p.yOff);
    list->YOff = p.yOff;
    std::unique_ptr<TUrlTarget> url;
    TFormControlObj* control = nullptr;
    std::string title;
    table->HitLink(canvas, p.x, p.y, url, control, title);
    list->YOff = 0;
    EXPECT_EQ(title, p.title) << p.x << "," << p.y;
  }
}

// Pages of a few hundred kilobytes whose spans, as asked, cover billions
// of grid positions (gigabytes, up to hundreds of them): each is shown, at
// its top and at its bottom, in a child process bounded in memory, far
// below what the page asks for. The document's tables hold at most
// kMaxGridPositions positions together (and one for each cell past them),
// and every cell is still there.
TEST_F(HostileSizesTest, SpansAskingForGigabytesShowInBounds) {
  // Exit codes of the child, past those of RunBounded.
  enum : int { kShown = 0, kNoTable = 10, kPastTheBound = 11, kCellsLost = 12, kNothingLaidOut = 13 };
  const auto spanningRow = [](int cells, int rows) {
    return "<table border=1><tr>" +
           Repeat("<td colspan=1000 rowspan=" + std::to_string(rows) + ">x", cells) +
           Repeat("<tr>", rows) + "</table>";
  };
  const struct {
    const char* name;
    std::string html;
    int cells;   // the page's cells
  } cases[] = {
      // 655 million positions, about 5 GB.
      {"ten cells of 1000 columns over 65534 empty rows", spanningRow(10, 65534), 10},
      // 65 billion positions, about 520 GB.
      {"a thousand such cells", spanningRow(1000, 65534), 1000},
      // 60 million positions each, within the bound one by one; 3.8 GB
      // together.
      {"tables each within the bound, together past it",
       Repeat(spanningRow(60, 999) + "<p>text</p>", 8), 8 * 60},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const testsupport::ChildEnd end = testsupport::RunBounded(
        [&] {
          const int height = Show(c.html);
          if (height <= 0) return static_cast<int>(kNothingLaidOut);
          PaintAgain(std::max(0, height - 300));
          TBodyBlock* body = Body();
          if (!body) return static_cast<int>(kNoTable);
          std::int64_t positions = 0;
          int tables = 0, cells = 0;
          for (int i = 0; i < body->MyCell.Count(); ++i) {
            auto* block = dynamic_cast<TTableBlock*>((body->MyCell)[i]);
            if (!block) continue;
            ++tables;
            for (const auto& row : block->Table->Rows) {
              positions += row->Count();
              for (int k = 0; k < row->Count(); ++k) cells += row->Real(k) != nullptr;
            }
          }
          if (tables == 0) return static_cast<int>(kNoTable);
          if (cells != c.cells) return static_cast<int>(kCellsLost);
          // A cell keeps its own position past the bound.
          if (positions > kMaxGridPositions + cells || positions != list->TableGridPositions)
            return static_cast<int>(kPastTheBound);
          return static_cast<int>(kShown);
        },
        kSpanPageBounds);
    EXPECT_TRUE(end.Normal()) << end.Describe();
  }
}

// The bound on grid positions is the document's: its tables count against
// it together, and a page parsed again starts from nothing (a page shown
// twice is shown the same).
TEST_F(HostileSizesTest, GridPositionsAreCountedPerDocument) {
  const std::string page = "<table><tr><td colspan=3 rowspan=2>a<td>b<tr><td>c</table>"
                           "<p>between</p><table><tr><td>d<td colspan=2>e<tr><td>f</table>";
  for (int shown = 0; shown < 2; ++shown) {
    SCOPED_TRACE(shown);
    Show(page);
    TBodyBlock* body = Body();
    ASSERT_NE(body, nullptr);
    std::vector<int> counts;
    for (int i = 0; i < body->MyCell.Count(); ++i)
      if (auto* block = dynamic_cast<TTableBlock*>((body->MyCell)[i]))
        for (const auto& row : block->Table->Rows) counts.push_back(row->Count());
    // 3 + 1 positions in both rows of the first; in the second, the column
    // only a filler stands in goes.
    EXPECT_EQ(counts, (std::vector<int>{4, 4, 2, 1}));
    EXPECT_EQ(list->TableGridPositions, 11);
  }
}

// A row a million positions wide whose last cell spans one row more: the
// row below it is filled up to that span, and the rows after cost nothing,
// though the span's columns stood far to the right. Its processor time is
// bounded well above what it needs (under a second, about five seconds
// under the sanitizers) and well below what looking across the wide row
// again for every row below took (40 seconds and more).
TEST_F(HostileSizesTest, RowsBelowAWideRowEndedSpanCostNothing) {
  constexpr int rows = 65534;
  testsupport::ChildBounds bounds = kSpanPageBounds;
  bounds.cpuSeconds = 20;
  const testsupport::ChildEnd end = testsupport::RunBounded(
      [&] {
        Show("<table><tr>" + Repeat("<td colspan=1000>x", 999) + "<td colspan=1000 rowspan=2>x" +
             Repeat("<tr>", rows) + "</table>");
        ThtmlTable* table = FirstTable();
        if (!table || table->RowCount() != rows + 1) return 10;
        if (table->Rows[0]->Count() != 999001 || table->Rows[1]->Count() != 999001) return 11;
        for (int j = 2; j <= rows; ++j)
          if (table->Rows[j]->Count() != 0) return 12;
        return 0;
      },
      bounds);
  EXPECT_TRUE(end.Normal()) << end.Describe();
}

// A long paragraph breaks into as many lines as its words need, each line
// as full as the width allows; one long word stays one line.
TEST_F(HostileSizesTest, LongParagraphsBreakAsShortOnes) {
  constexpr int words = 20000;
  Show("<p>" + Repeat("word ", words));
  TSection* text = FirstText();
  ASSERT_NE(text, nullptr);
  const int lines = text->Lines.Count();
  ASSERT_GT(lines, 1);
  int perLine = 0;
  for (int i = 0; i < lines; ++i) {
    const int n = text->Lines[i]->Ln;
    if (i == 0) perLine = n;
    if (i + 1 < lines) {
      EXPECT_EQ(n, perLine) << i;
    }
  }
  EXPECT_EQ(lines, (words * 5 + perLine - 1) / perLine);
  // What a short paragraph puts on its first line, the long one does too.
  Show("<p>" + Repeat("word ", 40));
  ASSERT_NE(FirstText(), nullptr);
  EXPECT_EQ(FirstText()->Lines[0]->Ln, perLine);

  Show("<p>" + std::string(200000, 'w'));
  text = FirstText();
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->Lines.Count(), 1);
  EXPECT_GE(text->Lines[0]->Ln, 200000);
}

}  // namespace
}  // namespace htmlview
