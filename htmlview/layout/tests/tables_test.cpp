#include "htmlview/layout/tables.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "htmlview/layout/blocks.h"
#include "htmlview/layout/tablewidths.h"
#include "htmlview/layout/tests/fixedsection.h"
#include "htmlview/parse/attributes.h"
#include "htmlview/style/styleprops.h"
#include "platform/image.h"

using namespace htmlview;
using htmlview::testing::AddFixed;
using htmlview::testing::FixedSection;
using platform::Bitmap;
using platform::Colour;
using platform::Rect;

namespace {

using AttrList = std::initializer_list<std::tuple<HtmlSymbol, int, std::string>>;

std::unique_ptr<TAttributeList> Attrs(AttrList list) {
  auto attrs = std::make_unique<TAttributeList>();
  for (const auto& [which, value, name] : list) attrs->Add(TAttribute(which, "", value, name));
  return attrs;
}

class TableTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitVocabulary();
    InitStyleProps();
  }

  std::unique_ptr<ThtmlTable> Table(AttrList list = {}) {
    auto attrs = Attrs(list);
    return std::make_unique<ThtmlTable>(&root, attrs.get(), nullptr);
  }
  TCellList* Row(ThtmlTable& t, AttrList list = {}) {
    auto attrs = Attrs(list);
    return t.AddRow(std::make_unique<TCellList>(attrs.get(), nullptr));
  }
  // A cell with one fixed section of the given width range and height
  // (height 0: an empty cell).
  TCellObj* Cell(TCellList& row, int minW, int maxW, int height, AttrList list = {},
                 TProperties* prop = nullptr, TVAlign vAlign = TVAlign::Middle) {
    auto attrs = Attrs(list);
    auto cell = std::make_unique<TCellObj>(&root, vAlign, attrs.get(), prop);
    if (height > 0 || maxW > 0) AddFixed(*cell->Cell, minW, maxW, height);
    TCellObj* raw = cell.get();
    row.Add(std::move(cell));
    return raw;
  }
  int Layout(ThtmlTable& t, int width, int aHeight = 0, int y = 0) {
    mgr.Clear();
    mgr.Reset(0, width);
    int maxWidth = 0;
    curs = 0;
    return t.Layout(canvas, 0, y, 0, 0, width, aHeight, 0, mgr, maxWidth, curs);
  }
  static std::vector<int> Spans(const TCellList& row) {
    std::vector<int> v;
    for (int i = 0; i < row.Count(); ++i) v.push_back(row[i] ? row[i]->ColSpan : -1);
    return v;
  }
  // Rows of cells given as (colspan, rowspan); (0, 0) is an empty entry.
  using SpanRows = std::vector<std::vector<std::pair<int, int>>>;
  std::unique_ptr<ThtmlTable> SpanTable(const SpanRows& rows) {
    auto t = Table();
    for (const auto& cells : rows) {
      TCellList* row = Row(*t);
      for (const auto& [colSpan, rowSpan] : cells) {
        if (colSpan == 0) {
          row->Add(nullptr);
          continue;
        }
        Cell(*row, 10, 10, 10,
             {{HtmlSymbol::ColSpan, colSpan, std::to_string(colSpan)},
              {HtmlSymbol::RowSpan, rowSpan, std::to_string(rowSpan)}});
      }
    }
    return t;
  }
  // Each row as "<ColSpan>x<RowSpan>" per position, fillers with ColSpan 0,
  // "-" for an empty entry.
  static std::vector<std::string> Grid(const ThtmlTable& t) {
    std::vector<std::string> grid;
    for (const auto& row : t.Rows) {
      std::string text;
      for (int i = 0; i < row->Count(); ++i) {
        const TCellObj* cell = (*row)[i];
        if (i) text += " ";
        text += cell ? std::to_string(cell->ColSpan) + "x" + std::to_string(cell->RowSpan) : "-";
      }
      grid.push_back(text);
    }
    return grid;
  }

  TSectionListBase root;
  IndentManager mgr;
  TDrawContext context;
  Bitmap scratch{10, 10};
  platform::Canvas canvas{&scratch.Image()};
  int curs = 0;
};

}  // namespace

// ------------------------------------------------------------ attributes

TEST_F(TableTest, TableAttributesAreLimited) {
  struct Case {
    AttrList attrs;
    int border, spacing, padding;
  };
  const Case cases[] = {
      {{}, 0, 2, 1},
      {{{HtmlSymbol::CellSpacing, 50, "50"}, {HtmlSymbol::CellPadding, 80, "80"}}, 0, 40, 50},
      {{{HtmlSymbol::Border, 200, "200"}}, 100, 2, 1},
      {{{HtmlSymbol::Border, 0, ""}}, 1, 2, 1},
      {{{HtmlSymbol::Border, -3, "-3"}}, 0, 2, 1},
      {{{HtmlSymbol::CellSpacing, -5, "-5"}, {HtmlSymbol::CellPadding, -1, "-1"}}, 0, 2, 1},
      {{{HtmlSymbol::CellSpacing, 0, "0"}, {HtmlSymbol::CellPadding, 0, "0"}}, 0, 0, 0},
  };
  for (const Case& c : cases) {
    auto t = Table(c.attrs);
    EXPECT_EQ(t->BorderWidth, c.border);
    EXPECT_EQ(t->CellSpacing, c.spacing);
    EXPECT_EQ(t->CellPadding, c.padding);
  }
  TProperties collapse;
  collapse.Props[PropBorderCollapse] = PropValue("collapse");
  ThtmlTable collapsed(&root, nullptr, &collapse);
  EXPECT_EQ(collapsed.CellSpacing, -1);
}

TEST_F(TableTest, CellAttributesAndStyleWidths) {
  auto t = Table();
  TCellList* row = Row(*t);
  TCellObj* pct = Cell(*row, 0, 0, 0, {{HtmlSymbol::Width, 100, "100%"}, {HtmlSymbol::Height, 30, "30"}});
  EXPECT_TRUE(pct->SpecWdIsPercent);
  EXPECT_EQ(pct->SpecWd, 1000);
  EXPECT_EQ(pct->SpecHt, 30);
  TCellObj* px = Cell(*row, 0, 0, 0, {{HtmlSymbol::Width, 120, "120"}, {HtmlSymbol::Height, 150, "150%"}});
  EXPECT_FALSE(px->SpecWdIsPercent);
  EXPECT_EQ(px->SpecWd, 120);
  EXPECT_EQ(px->SpecHtPct, 100);
  TCellObj* bad = Cell(*row, 0, 0, 0, {{HtmlSymbol::Width, 0, "0%"}, {HtmlSymbol::ColSpan, 1, "1"}});
  EXPECT_EQ(bad->SpecWd, 0);
  EXPECT_EQ(bad->ColSpan, 1);

  TProperties full;
  full.Props[PropWidth] = PropValue("100%");
  TCellObj* ignored = Cell(*row, 0, 0, 0, {}, &full);
  EXPECT_EQ(ignored->SpecWd, 0);   // a style width of 100% is not taken
  TProperties half;
  half.Props[PropWidth] = PropValue("50%");
  half.Props[PropVerticalAlign] = PropValue("bottom");
  TCellObj* styled = Cell(*row, 0, 0, 0, {{HtmlSymbol::Width, 80, "80"}}, &half);
  EXPECT_TRUE(styled->SpecWdIsPercent);
  EXPECT_EQ(styled->SpecWd, 500);
  EXPECT_EQ(styled->VAlign, TVAlign::Bottom);
  TProperties baseline;
  baseline.Props[PropVerticalAlign] = PropValue("baseline");
  EXPECT_EQ(Cell(*row, 0, 0, 0, {}, &baseline, TVAlign::Top)->VAlign, TVAlign::Top);
}

TEST_F(TableTest, RowHeightPassesToItsCells) {
  auto t = Table();
  TCellList* fixed = Row(*t, {{HtmlSymbol::Height, 40, "40"}});
  EXPECT_EQ(Cell(*fixed, 0, 0, 0, {{HtmlSymbol::Height, 20, "20"}})->SpecHt, 40);
  EXPECT_EQ(Cell(*fixed, 0, 0, 0, {{HtmlSymbol::Height, 60, "60"}})->SpecHt, 60);
  TCellList* pct = Row(*t, {{HtmlSymbol::Height, 30, "30%"}});
  EXPECT_EQ(Cell(*pct, 0, 0, 0)->SpecHtPct, 30);
  pct->Add(nullptr);   // an empty entry is allowed
  EXPECT_EQ(pct->Count(), 2);
}

// ------------------------------------------------------- grid normalisation

TEST_F(TableTest, ColumnSpanInsertsFillersBehindTheCell) {
  auto t = Table();
  TCellList* row = Row(*t);
  Cell(*row, 10, 10, 10, {{HtmlSymbol::ColSpan, 3, "3"}});
  Cell(*row, 10, 10, 10);
  t->Initialize();
  EXPECT_EQ(t->NumCols, 4);
  EXPECT_EQ(Spans(*row), (std::vector<int>{3, 0, 0, 1}));
}

TEST_F(TableTest, ColumnsOfFillersOnlyAreRemoved) {
  auto t = Table();
  TCellList* first = Row(*t);
  TCellObj* spanning = Cell(*first, 10, 10, 10, {{HtmlSymbol::ColSpan, 2, "2"}});
  TCellList* second = Row(*t);
  Cell(*second, 10, 10, 10);
  t->Initialize();
  EXPECT_EQ(t->NumCols, 1);
  EXPECT_EQ(spanning->ColSpan, 1);
  EXPECT_EQ(first->Count(), 1);
}

TEST_F(TableTest, RowSpanIsCutAtTheLastRowAndFillsTheRowsBelow) {
  auto t = Table();
  TCellList* r0 = Row(*t);
  TCellObj* tall = Cell(*r0, 10, 10, 10, {{HtmlSymbol::RowSpan, 5, "5"}});
  Cell(*r0, 10, 10, 10);
  TCellList* r1 = Row(*t);
  Cell(*r1, 10, 10, 10);
  t->Initialize();
  EXPECT_EQ(tall->RowSpan, 2);
  EXPECT_EQ(t->NumCols, 2);
  ASSERT_EQ(r1->Count(), 2);
  EXPECT_EQ((*r1)[0]->ColSpan, 0);   // the span's filler
  EXPECT_EQ((*r1)[0]->RowSpan, 0);
  EXPECT_TRUE((*r1)[1]->IsReal());
}

TEST_F(TableTest, HugeSpansAllocateNothingAbsurd) {
  // A column span beyond reason is cut to the largest the viewer takes, and
  // the columns only its fillers make are dropped again.
  auto t = Table();
  TCellList* r0 = Row(*t);
  TCellObj* wide = Cell(*r0, 10, 10, 10, {{HtmlSymbol::ColSpan, 2000000000, "2000000000"}});
  EXPECT_EQ(wide->ColSpan, kMaxColSpan);
  wide->ColSpan = 2000000000;   // even when set past the parser's limit
  t->Initialize();
  EXPECT_EQ(t->NumCols, 1);
  EXPECT_EQ(wide->ColSpan, 1);
  EXPECT_EQ(Layout(*t, 300), 10 + 2 + 2 + 2);

  // A row span beyond reason ends at the last row.
  auto r = Table();
  TCellObj* tall = Cell(*Row(*r), 10, 10, 10, {{HtmlSymbol::RowSpan, 2000000000, "2000000000"}});
  EXPECT_EQ(tall->RowSpan, kMaxRowSpan);
  Cell(*Row(*r), 10, 10, 10);
  r->Initialize();
  EXPECT_EQ(tall->RowSpan, 2);
  EXPECT_EQ(r->NumCols, 2);   // the second row's cell stands beside the span

  // Both at once: the span covers the whole first 1000 columns of row 2.
  auto both = Table();
  Cell(*Row(*both), 10, 10, 10,
       {{HtmlSymbol::ColSpan, 2000000000, "2000000000"}, {HtmlSymbol::RowSpan, 2000000000, "2000000000"}});
  Cell(*Row(*both), 10, 10, 10);
  both->Initialize();
  EXPECT_EQ(both->NumCols, kMaxColSpan + 1);
  EXPECT_GT(Layout(*both, 300), 0);
}

// Spans of several rows push the cells of the rows below to the right and
// fill rows too short to reach them; where spans meet, the first one put
// into the grid keeps the position. Each row reads as Grid writes it.
TEST_F(TableTest, SpansAcrossRowsMakeTheGrid) {
  struct Case {
    const char* name;
    SpanRows rows;
    std::vector<std::string> grid;
  };
  const Case cases[] = {
      {"a row span moves the next row's cell right", {{{1, 2}, {1, 1}}, {{1, 1}}},
       {"1x2 1x1", "0x0 1x1"}},
      {"a span of columns and rows", {{{2, 2}, {1, 1}}, {{1, 1}}}, {"2x2 0x2 1x1", "0x0 0x0 1x1"}},
      {"a row without cells is filled up to the span", {{{1, 1}, {1, 1}, {1, 2}}, {}},
       {"1x1 1x1 1x2", "0x0 0x0 0x0"}},
      {"spans meeting: the one from above keeps its positions",
       {{{1, 3}}, {{2, 2}}, {{1, 1}}},
       {"1x3", "0x0 2x2 0x2", "0x0 0x0 0x0 1x1"}},
      {"a column span pushed into columns of fillers loses them",
       {{{1, 1}, {1, 2}}, {{3, 1}}},
       {"1x1 1x2", "1x1 0x0"}},
      {"an empty entry spans nothing", {{{0, 0}, {1, 2}}, {{1, 1}}}, {"- 1x2", "1x1 0x0"}},
      {"spans reaching past the last row end there", {{{2, 9}}, {{1, 1}}, {{1, 5}}},
       {"2x3 0x3", "0x0 0x0 1x1", "0x0 0x0 1x1"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto t = SpanTable(c.rows);
    t->Initialize();
    EXPECT_EQ(Grid(*t), c.grid);
    EXPECT_GT(Layout(*t, 300), 0);
  }
}

// The grid positions a document's tables hold together are bounded: a
// table that would pass what the others left shortens spans, row by row
// from the top. A row that would pass: while its own entries, one position
// each, fit beside what spans from above cover, those stay and the row's
// column spans take what is left from the left; otherwise every row span
// reaching into the row ends at the row above first. Every cell keeps its
// own position, even past the bound.
TEST_F(TableTest, GridPositionsStayWithinWhatTheDocumentLeaves) {
  struct Case {
    const char* name;
    SpanRows rows;
    std::int64_t room;   // of the bound, what the document's other tables left
    std::vector<std::string> grid;
  };
  const Case cases[] = {
      {"a grid that just fits is as asked", {{{2, 2}, {1, 1}}, {{1, 1}}}, 6,
       {"2x2 0x2 1x1", "0x0 0x0 1x1"}},
      {"column spans share what is left, from the left",
       {{{1, 1}, {1, 1}, {1, 1}, {1, 1}, {1, 1}, {1, 1}}, {{3, 1}, {3, 1}}}, 9,
       {"1x1 1x1 1x1 1x1 1x1 1x1", "2x1 0x1 1x1"}},
      {"spans from above stay while the row's cells fit beside them",
       {{{1, 2}, {1, 1}, {1, 1}}, {{3, 1}, {1, 1}}}, 6,
       {"1x2 1x1 1x1", "0x0 1x1 1x1"}},
      {"a row span ends at the row above the one that would pass",
       {{{1, 3}, {1, 1}}, {{1, 1}}, {}}, 4,
       {"1x2 1x1", "0x0 1x1", ""}},
      {"a span of columns and rows ends with the fillers of its columns",
       {{{2, 3}}, {{1, 1}}, {{1, 1}}}, 6,
       {"2x2 0x2", "0x0 0x0 1x1", "1x1"}},
      {"a span far right ends before the rows below fill up to it",
       {{{1, 1}, {1, 1}, {1, 3}}, {}, {}}, 5,
       {"1x1 1x1 1x1", "", ""}},
      {"cells past the bound keep their own positions", {{{2, 1}, {2, 1}, {2, 1}}}, 1,
       {"1x1 1x1 1x1"}},
      {"nothing left: the cells alone", {{{2, 2}, {1, 1}}, {{1, 1}}}, 0, {"1x1 1x1", "1x1"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto t = SpanTable(c.rows);
    const std::int64_t held = kMaxGridPositions - c.room;
    root.TableGridPositions = held;
    t->Initialize();
    EXPECT_EQ(Grid(*t), c.grid);
    std::int64_t positions = 0;
    int real = 0, given = 0;
    for (const auto& row : t->Rows)
      for (int i = 0; i < row->Count(); ++i) {
        positions += 1;
        if (row->Real(i)) ++real;
      }
    for (const auto& cells : c.rows)
      for (const auto& cell : cells) given += cell.first > 0;
    EXPECT_EQ(real, given);
    EXPECT_EQ(root.TableGridPositions, held + positions);
    EXPECT_GT(Layout(*t, 300), 0);
    // Within what was left, but never at the cost of a cell's own position.
    EXPECT_LE(positions, std::max<std::int64_t>(c.room, given));
  }
  root.TableGridPositions = 0;
}

TEST_F(TableTest, EmptyTablesAreEmptyBoxes) {
  for (int rows = 0; rows <= 1; ++rows) {
    auto t = Table({{HtmlSymbol::Border, 1, "1"}});
    if (rows) Row(*t);   // a row without cells: as high as the spacing
    EXPECT_EQ(Layout(*t, 300), rows ? 4 : 2);
    EXPECT_EQ(t->NumCols, 0);
    EXPECT_EQ(t->TableWidth, 2);
    int mn = -1, mx = -1;
    t->WidthRange(canvas, mn, mx);
    EXPECT_EQ(mn, 2);
    EXPECT_EQ(mx, 2);
    t->Draw(canvas, context, {0, 0, 10, 10}, mgr, 0, 0, 0);
    std::unique_ptr<TUrlTarget> url;
    TFormControlObj* control = nullptr;
    std::string title;
    EXPECT_EQ(t->HitLink(canvas, 1, 1, url, control, title), 0u);
  }
  // With a specified width too.
  auto t = Table();
  t->SpecWidth = 200;
  EXPECT_EQ(Layout(*t, 300), 2);
  // Collapsed borders (spacing -1) give no negative box.
  TProperties collapse;
  collapse.Props[PropBorderCollapse] = PropValue("collapse");
  ThtmlTable collapsed(&root, nullptr, &collapse);
  EXPECT_EQ(Layout(collapsed, 300), 0);
  EXPECT_EQ(collapsed.TableWidth, 0);
  int mn = -1, mx = -1;
  collapsed.WidthRange(canvas, mn, mx);
  EXPECT_EQ(mn, 0);
  EXPECT_EQ(mx, 0);
}

// ------------------------------------------------------------------ layout

TEST_F(TableTest, ColumnsGetTheirMaximumWhenThereIsRoomAndShareTheRest) {
  auto t = Table();
  TCellList* row = Row(*t);
  Cell(*row, 50, 100, 20);
  Cell(*row, 30, 200, 20);
  // Spacing 2, padding 1: each column adds 4; the table adds the spacing.
  int mn = 0, mx = 0;
  t->WidthRange(canvas, mn, mx);
  EXPECT_EQ(mn, 54 + 34 + 2);
  EXPECT_EQ(mx, 104 + 204 + 2);
  Layout(*t, mx);
  EXPECT_EQ(t->Widths, (std::vector<int>{104, 204}));
  EXPECT_EQ(t->TableWidth, mx);
  // Narrower: between minimum and maximum in proportion to the ranges.
  Layout(*t, 200);
  EXPECT_EQ(t->Widths[0] + t->Widths[1], 198);
  EXPECT_EQ(t->Widths[0], 54 + MulDiv(50, 198 - 88, 220));
  // Too narrow: the minima, wider than offered.
  Layout(*t, 50);
  EXPECT_EQ(t->Widths, (std::vector<int>{54, 34}));
  EXPECT_EQ(t->TableWidth, 90);
}

TEST_F(TableTest, PixelAndPercentageWidths) {
  // A 100-pixel cell beside a free one: the simple distribution.
  auto t = Table();
  TCellList* row = Row(*t);
  Cell(*row, 10, 10, 20, {{HtmlSymbol::Width, 100, "100"}});
  Cell(*row, 10, 400, 20);
  EXPECT_EQ(Layout(*t, 302), 20 + 4 + 2);
  EXPECT_EQ(t->Widths[0], 104);
  EXPECT_EQ(t->Widths[1], 300 - 104);

  // A 30% column of a 1000-pixel table.
  auto p = Table();
  TCellList* prow = Row(*p);
  Cell(*prow, 10, 10, 20, {{HtmlSymbol::Width, 30, "30%"}});
  Cell(*prow, 10, 10, 20);
  p->SpecWidth = 1002;
  Layout(*p, 1500);
  EXPECT_EQ(p->Widths, (std::vector<int>{300, 700}));
  EXPECT_EQ(p->TableWidth, 1002);
}

TEST_F(TableTest, RowHeightsAndVerticalAlignment) {
  auto t = Table({{HtmlSymbol::CellPadding, 0, "0"}, {HtmlSymbol::CellSpacing, 0, "0"}});
  TCellList* row = Row(*t);
  TCellObj* top = Cell(*row, 10, 10, 20, {}, nullptr, TVAlign::Top);
  TCellObj* middle = Cell(*row, 10, 10, 20, {}, nullptr, TVAlign::Middle);
  TCellObj* bottom = Cell(*row, 10, 10, 20, {}, nullptr, TVAlign::Bottom);
  TCellObj* tall = Cell(*row, 10, 10, 60);
  EXPECT_EQ(Layout(*t, 100, 0, 500), 60);
  EXPECT_EQ(t->Heights, (std::vector<int>{60}));
  EXPECT_EQ(top->YIndent, 0);
  EXPECT_EQ(middle->YIndent, 20);
  EXPECT_EQ(bottom->YIndent, 40);
  EXPECT_EQ(tall->YIndent, 0);
  // The content was placed at its indent below the row top.
  auto* placed = static_cast<FixedSection*>((*bottom->Cell)[0]);
  EXPECT_EQ(placed->LaidY, 540);
}

TEST_F(TableTest, SingleRowTableGivesItsHeightToTheCells) {
  auto t = Table({{HtmlSymbol::CellPadding, 0, "0"}});
  TCellList* row = Row(*t);
  TCellObj* c = Cell(*row, 10, 10, 20, {}, nullptr, TVAlign::Bottom);
  EXPECT_EQ(Layout(*t, 100, 102), 102);
  EXPECT_EQ(c->Ht, 100);
  EXPECT_EQ(c->YIndent, 100 - 20 - 2);
}

TEST_F(TableTest, RowSpanShareAndDocumentPositions) {
  auto t = Table({{HtmlSymbol::CellPadding, 0, "0"}, {HtmlSymbol::CellSpacing, 0, "0"}});
  TCellList* r0 = Row(*t);
  TCellObj* a = Cell(*r0, 10, 10, 100, {{HtmlSymbol::RowSpan, 2, "2"}});
  TCellObj* b = Cell(*r0, 10, 10, 10);
  TCellList* r1 = Row(*t);
  TCellObj* c = Cell(*r1, 10, 10, 10);
  EXPECT_EQ(Layout(*t, 100), 100);
  EXPECT_EQ(t->Heights, (std::vector<int>{50, 50}));
  EXPECT_EQ(a->Ht, 100);
  EXPECT_EQ(b->Ht, 50);
  // Positions run in row order: a, b, then c.
  EXPECT_EQ(a->Cell->StartCurs, 0);
  EXPECT_EQ(b->Cell->StartCurs, 1);
  EXPECT_EQ(c->Cell->StartCurs, 2);
  EXPECT_EQ(curs, 3);
  EXPECT_EQ(t->Len, 3);
}

TEST_F(TableTest, NestedTableLaysOutInsideItsCell) {
  auto outer = Table({{HtmlSymbol::CellPadding, 0, "0"}, {HtmlSymbol::CellSpacing, 0, "0"}});
  TCellList* row = Row(*outer);
  TCellObj* host = Cell(*row, 0, 0, 0);
  auto inner = std::make_unique<ThtmlTable>(&root, nullptr, nullptr);
  ThtmlTable* in = inner.get();
  TCellList* irow = in->AddRow(std::make_unique<TCellList>(nullptr, nullptr));
  auto icell = std::make_unique<TCellObj>(&root, TVAlign::Top, nullptr, nullptr);
  AddFixed(*icell->Cell, 40, 80, 30);
  irow->Add(std::move(icell));
  host->Cell->Add(std::move(inner), 0);
  Cell(*row, 20, 20, 10);

  int mn = 0, mx = 0;
  outer->WidthRange(canvas, mn, mx);
  EXPECT_EQ(mx, 80 + 4 + 2 + 20);
  // The inner cell: 30 + padding 2 + spacing 2; the inner table adds 2.
  EXPECT_EQ(Layout(*outer, mx), 30 + 2 + 2 + 2);
  EXPECT_EQ(outer->Widths, (std::vector<int>{86, 20}));
  EXPECT_EQ(in->Widths, (std::vector<int>{84}));
}

// ------------------------------------------------------------------ drawing

TEST_F(TableTest, BorderedTableFramesCellsWithContentOnly) {
  auto t = Table({{HtmlSymbol::Border, 1, "1"}, {HtmlSymbol::CellPadding, 2, "2"}});
  TCellList* row = Row(*t);
  TCellObj* full = Cell(*row, 20, 20, 20);
  static_cast<FixedSection*>((*full->Cell)[0])->Paint = platform::clRed;
  Cell(*row, 0, 0, 0, {{HtmlSymbol::Width, 20, "20"}});   // empty
  Layout(*t, 200);
  Bitmap image(200, 100, platform::clWhite);
  platform::Canvas c(&image.Image());
  t->Draw(c, context, {0, 0, 200, 100}, mgr, 10, 0, 0);
  // First cell from x 12 (spacing 2): the sunken frame's dark top-left.
  const Colour shadow = platform::GetSysColour(platform::COLOR_BTNSHADOW);
  EXPECT_EQ(image.Pixel(12, 10), shadow);
  EXPECT_EQ(image.Pixel(20, 2), shadow);
  // Its content at 12 + 1 (border) + 2 (padding), 2 + 1 + 2.
  EXPECT_EQ(image.Pixel(15, 5), platform::clRed);
  EXPECT_EQ(image.Pixel(14, 5), platform::clWhite);
  // The empty cell has no frame.
  const int emptyLeft = 10 + t->Widths[0] + 2;
  for (int x = emptyLeft; x < emptyLeft + t->Widths[1] - 2; ++x)
    EXPECT_EQ(image.Pixel(x, 2), platform::clWhite) << x;
}

TEST_F(TableTest, CellBackgroundsFromCellRowAndTable) {
  auto t = Table({{HtmlSymbol::BgColor, 0, "#0000FF"}, {HtmlSymbol::CellSpacing, 0, "0"}});
  TCellList* r0 = Row(*t, {{HtmlSymbol::BgColor, 0, "#00FF00"}});
  Cell(*r0, 10, 10, 10, {{HtmlSymbol::BgColor, 0, "#FF0000"}});
  Cell(*r0, 10, 10, 10);
  TCellList* r1 = Row(*t);
  Cell(*r1, 10, 10, 10);
  Layout(*t, 24);
  Bitmap image(40, 40, platform::clWhite);
  platform::Canvas c(&image.Image());
  t->Draw(c, context, {0, 0, 40, 40}, mgr, 0, 0, 0);
  EXPECT_EQ(image.Pixel(1, 1), 0x0000FFu);    // the cell's own (BGR: red)
  EXPECT_EQ(image.Pixel(13, 1), 0x00FF00u);   // the row's
  EXPECT_EQ(image.Pixel(1, 13), 0xFF0000u);   // the table's
}

TEST_F(TableTest, HitTestsFindTheCellUnderThePoint) {
  auto t = Table({{HtmlSymbol::CellPadding, 0, "0"}, {HtmlSymbol::CellSpacing, 0, "0"}});
  TCellList* row = Row(*t);
  Cell(*row, 20, 20, 20, {{HtmlSymbol::Href, 0, "a.html"}, {HtmlSymbol::Target, 0, "main"}});
  Cell(*row, 30, 30, 20);
  Layout(*t, 50, 0, 100);
  Bitmap image(200, 200, platform::clWhite);
  platform::Canvas c(&image.Image());
  t->Draw(c, context, {0, 0, 200, 200}, mgr, 10, 0, 0);
  struct Case {
    int x, y;
    unsigned flags;
  };
  // The linked cell spans x 10..30, the other 30..60, both y 100..120.
  const Case cases[] = {{15, 110, guUrl}, {29, 119, guUrl}, {35, 110, 0}, {5, 110, 0}, {15, 125, 0},
                        {15, 99, 0}};
  for (const Case& k : cases) {
    std::unique_ptr<TUrlTarget> url;
    TFormControlObj* control = nullptr;
    std::string title;
    EXPECT_EQ(t->HitLink(canvas, k.x, k.y, url, control, title), k.flags) << k.x << "," << k.y;
    if (k.flags) {
      ASSERT_TRUE(url);
      EXPECT_EQ(url->URL, "a.html");
      EXPECT_EQ(url->Target, "main");
    }
  }
}
