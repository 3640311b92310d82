#include "htmlview/layout/tablewidths.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "htmlview/style/styleprops.h"

using namespace htmlview;

namespace {

SpanCell Cell(int col, int span, int mn, int mx, int add = 0, int specWd = 0, bool pct = false) {
  SpanCell c;
  c.Col = col;
  c.ColSpan = span;
  c.Min = mn;
  c.Max = mx;
  c.Add = add;
  c.SpecWd = specWd;
  c.SpecWdIsPercent = pct;
  return c;
}

int Sum(const std::vector<int>& v) { return std::accumulate(v.begin(), v.end(), 0); }

ColumnWidths Widths(std::vector<int> mn, std::vector<int> mx, std::vector<int> pc = {}) {
  ColumnWidths cw;
  cw.Min = std::move(mn);
  cw.Max = std::move(mx);
  cw.Percents = pc.empty() ? std::vector<int>(cw.Min.size(), 0) : std::move(pc);
  cw.TotMin = Sum(cw.Min);
  cw.TotMax = Sum(cw.Max);
  return cw;
}

}  // namespace

// --------------------------------------------------------- absolute widths

TEST(AbsoluteMinMaxTest, SingleCellsTakeTheLargestOfTheirColumnPlusSpacingAndPadding) {
  // Two rows of two columns; Add = HzSpace + CellSpacing = 4.
  const std::vector<SpanCell> cells = {Cell(0, 1, 20, 50, 4), Cell(1, 1, 10, 100, 4),
                                       Cell(0, 1, 30, 40, 4), Cell(1, 1, 5, 5, 4)};
  const ColumnWidths cw = AbsoluteMinMax(2, cells);
  EXPECT_EQ(cw.Min, (std::vector<int>{34, 14}));
  EXPECT_EQ(cw.Max, (std::vector<int>{54, 104}));
  EXPECT_EQ(cw.TotMin, 48);
  EXPECT_EQ(cw.TotMax, 158);
}

TEST(AbsoluteMinMaxTest, PixelWidthFixesMinimumAndMaximumOfASingleColumn) {
  const ColumnWidths cw = AbsoluteMinMax(1, {Cell(0, 1, 20, 300, 4, 100)});
  EXPECT_EQ(cw.Min[0], 104);
  EXPECT_EQ(cw.Max[0], 104);   // the given width wins over the wider content
  const ColumnWidths narrow = AbsoluteMinMax(1, {Cell(0, 1, 150, 300, 4, 100)});
  EXPECT_EQ(narrow.Min[0], 154);   // but never below the content's minimum
  EXPECT_EQ(narrow.Max[0], 154);
}

TEST(AbsoluteMinMaxTest, SpanningCellGrowsItsColumnsInProportion) {
  // Columns 30 and 10 wide; a spanning cell needs 80: the shortfall 40 is
  // shared 3:1.
  const std::vector<SpanCell> cells = {Cell(0, 1, 30, 30), Cell(1, 1, 10, 10), Cell(0, 2, 80, 80)};
  const ColumnWidths cw = AbsoluteMinMax(2, cells);
  EXPECT_EQ(cw.Min, (std::vector<int>{60, 20}));
  EXPECT_EQ(cw.Max, (std::vector<int>{60, 20}));
  // Spanning cell over empty columns: the first column takes it all.
  const ColumnWidths empty = AbsoluteMinMax(3, {Cell(0, 3, 90, 120)});
  EXPECT_EQ(empty.Min, (std::vector<int>{90, 0, 0}));
  EXPECT_EQ(empty.Max, (std::vector<int>{120, 0, 0}));
}

TEST(AbsoluteMinMaxTest, HugeOrOutOfGridSpansStayInsideTheGrid) {
  const ColumnWidths cw = AbsoluteMinMax(2, {Cell(0, 1, 10, 10), Cell(0, 2000000000, 50, 50),
                                             Cell(5, 1, 99, 99), Cell(-1, 1, 99, 99)});
  EXPECT_EQ(cw.Min, (std::vector<int>{50, 0}));
  const ColumnWidths none = AbsoluteMinMax(0, {Cell(0, 1, 10, 10)});
  EXPECT_TRUE(none.Min.empty());
  EXPECT_EQ(none.TotMin, 0);
}

// ------------------------------------------------------- percentage widths

TEST(PercentMinMaxTest, PercentagesAndPixelWidthsBecomeColumnPercents) {
  // 40% in the first column, 100 pixels of a 500-pixel reference (20%)
  // in the second, nothing in the third.
  const std::vector<SpanCell> cells = {Cell(0, 1, 10, 20, 0, 400, true), Cell(1, 1, 10, 20, 0, 100),
                                       Cell(2, 1, 10, 20)};
  const ColumnWidths cw = PercentMinMax(3, cells, 500);
  EXPECT_EQ(cw.Percents, (std::vector<int>{400, 200, 0}));
  EXPECT_EQ(cw.Min, (std::vector<int>{10, 10, 10}));
  // A pixel width larger than the reference is at most 100%.
  EXPECT_EQ(PercentMinMax(1, {Cell(0, 1, 0, 0, 0, 900)}, 300).Percents[0], 1000);
  // Without a reference width pixel widths give no percentage.
  EXPECT_EQ(PercentMinMax(1, {Cell(0, 1, 0, 0, 0, 900)}, 0).Percents[0], 0);
}

TEST(PercentMinMaxTest, SpanWithoutPercentagesSharesByMinimumAndGivesShortfallToFirst) {
  const std::vector<SpanCell> cells = {Cell(0, 1, 10, 10), Cell(1, 1, 30, 30), Cell(2, 1, 0, 0),
                                       Cell(0, 2, 100, 100)};
  const ColumnWidths cw = PercentMinMax(3, cells, 0);
  EXPECT_EQ(cw.Min, (std::vector<int>{25, 75, 0}));
  EXPECT_EQ(cw.Max, (std::vector<int>{25, 75, 0}));
  // Over empty columns: evenly, the rest to the first.
  const ColumnWidths even = PercentMinMax(3, {Cell(0, 1, 0, 0), Cell(0, 3, 100, 100), Cell(2, 1, 0, 0)}, 0);
  EXPECT_EQ(even.Min, (std::vector<int>{34, 33, 33}));
}

TEST(PercentMinMaxTest, SpanWithPercentageGivesTheRestToUnspecifiedColumns) {
  // Column 0 has 20%; a cell spanning columns 0 and 1 asks for 60%: the
  // unspecified column gets 40%.
  const std::vector<SpanCell> cells = {Cell(0, 1, 10, 10, 0, 200, true), Cell(1, 1, 10, 10),
                                       Cell(0, 2, 100, 100, 0, 600, true)};
  const ColumnWidths cw = PercentMinMax(2, cells, 1000);
  EXPECT_EQ(cw.Percents, (std::vector<int>{200, 400}));
  // The excess minimum 80 is shared by maximum (both 10 + the spanning
  // all-columns raise to 1000 leaves no excess), so nothing grows here.
  EXPECT_EQ(cw.Min, (std::vector<int>{10, 10}));
  // Without the full span (three columns), the excess is shared by maxima.
  const std::vector<SpanCell> cells3 = {Cell(0, 1, 10, 10, 0, 200, true), Cell(1, 1, 30, 30),
                                        Cell(2, 1, 5, 5), Cell(0, 2, 80, 80, 0, 600, true)};
  const ColumnWidths cw3 = PercentMinMax(3, cells3, 1000);
  EXPECT_EQ(cw3.Percents, (std::vector<int>{200, 400, 0}));
  EXPECT_EQ(cw3.Min, (std::vector<int>{10 + MulDiv(40, 10, 40), 30 + MulDiv(40, 30, 40), 5}));
  // ExcessMax 40 shared by the new percentages 200 : 400 of 600.
  EXPECT_EQ(cw3.Max, (std::vector<int>{10 + MulDiv(40, 200, 600), 30 + MulDiv(40, 400, 600), 5}));
}

TEST(PercentMinMaxTest, SpanOverFullyPercentedColumnsScalesTheirPercentages) {
  const std::vector<SpanCell> cells = {Cell(0, 1, 0, 0, 0, 100, true), Cell(1, 1, 0, 0, 0, 300, true),
                                       Cell(0, 2, 0, 0, 0, 800, true)};
  const ColumnWidths cw = PercentMinMax(2, cells, 500);
  EXPECT_EQ(cw.Percents, (std::vector<int>{200, 600}));
}

// ------------------------------------------------------------ distributions

TEST(SimpleDistributionTest, MinimumMaximumOrInBetween) {
  const ColumnWidths cw = Widths({50, 50}, {150, 250});
  EXPECT_EQ(SimpleDistribution(cw, 80), (std::vector<int>{50, 50}));     // too narrow
  EXPECT_EQ(SimpleDistribution(cw, 500), (std::vector<int>{150, 250}));  // room for the maxima
  // 300: 200 over the minimum of a range of 300, shared 100 : 200.
  const std::vector<int> w = SimpleDistribution(cw, 300);
  EXPECT_EQ(w, (std::vector<int>{50 + 67, 50 + 133}));
  EXPECT_EQ(Sum(w), 300);
  // A rounding surplus is taken one pixel a column from the left.
  const ColumnWidths three = Widths({0, 0, 0}, {10, 10, 10});
  const std::vector<int> w3 = SimpleDistribution(three, 20);   // 6.67 each rounds to 7
  EXPECT_EQ(w3, (std::vector<int>{6, 7, 7}));
  // Equal minima and maxima scale the minima.
  EXPECT_EQ(SimpleDistribution(Widths({0, 0}, {0, 0}), 100), (std::vector<int>{0, 0}));
}

TEST(DistributeWithTableWidthTest, PercentagesTakeTheirShareAndUnspecifiedColumnsTheRest) {
  // 500 wide: 20% is 100; the other column gets the rest.
  const ColumnWidths cw = Widths({20, 20}, {50, 300}, {200, 0});
  const std::vector<int> w = DistributeWithTableWidth(cw, 500);
  EXPECT_EQ(w, (std::vector<int>{100, 400}));
  // Only percentages: the room left is shared by percentage.
  const std::vector<int> p = DistributeWithTableWidth(Widths({0, 0}, {0, 0}, {250, 250}), 400);
  EXPECT_EQ(p, (std::vector<int>{200, 200}));
}

TEST(DistributeWithTableWidthTest, PercentagesBeyondTheWidthAreCutDownToTheirMinimum) {
  // 80% and 80% of 200 is 320: 120 too much, 60 from each; the second
  // column cannot shrink below its minimum 150 and is clamped there; the
  // first gives up the remaining 110.
  const ColumnWidths cw = Widths({10, 150}, {10, 150}, {800, 800});
  EXPECT_EQ(DistributeWithTableWidth(cw, 200), (std::vector<int>{50, 150}));
  const std::vector<int> tight = DistributeWithTableWidth(Widths({10, 170}, {10, 170}, {800, 800}), 200);
  EXPECT_EQ(tight[1], 170);
  EXPECT_EQ(Sum(tight), 200);
}

TEST(DistributeWithTableWidthTest, RoomForUnspecifiedColumnsFollowsTheirRange) {
  const ColumnWidths cw = Widths({10, 10, 10}, {10, 110, 310}, {0, 0, 0});
  const std::vector<int> w = DistributeWithTableWidth(cw, 430);
  EXPECT_EQ(w, (std::vector<int>{10, 110, 310}));
  // Far more room than range: evenly.
  const std::vector<int> even = DistributeWithTableWidth(Widths({0, 0}, {1, 1}), 100);
  EXPECT_EQ(even, (std::vector<int>{50, 50}));
  EXPECT_TRUE(DistributeWithTableWidth(Widths({}, {}), 100).empty());
}

TEST(DistributeWithoutTableWidthTest, PercentagesScaleTheNeededWidthWhenItFits) {
  // 25% column with maximum 50 needs a table of 200; the other column's
  // maximum 90 needs 90 / 75% = 120; 200 fits in 600.
  ColumnWidths cw = Widths({10, 10}, {50, 90}, {250, 0});
  const std::vector<int> w = DistributeWithoutTableWidth(cw, 600);
  EXPECT_EQ(w, (std::vector<int>{50, 150}));
}

TEST(DistributeWithoutTableWidthTest, WithoutPercentagesSharesByRangeAndTheRestGoesToTheWidest) {
  ColumnWidths cw = Widths({10, 20}, {110, 220});
  const std::vector<int> w = DistributeWithoutTableWidth(cw, 130);
  // Range 300, 100 over the minimum: 33.3 and 66.7.
  EXPECT_EQ(w, (std::vector<int>{10 + 33, 20 + 67}));
  // Percentages summing to more than 100% are ignored.
  ColumnWidths over = Widths({10, 20}, {110, 220}, {600, 600});
  EXPECT_EQ(DistributeWithoutTableWidth(over, 130), w);
  // No range at all: evenly, remainder to column 0.
  ColumnWidths flat = Widths({10, 10, 10}, {10, 10, 10});
  EXPECT_EQ(DistributeWithoutTableWidth(flat, 50), (std::vector<int>{18, 16, 16}));
}

TEST(DistributeWithoutTableWidthTest, PercentagesThatDoNotFitAreDroppedOrScaled) {
  // 50% of 100 = 50 cannot hold the first column's minimum 80: it loses
  // its percentage; the 30% column fits and is fixed at 30% of 120 = 36;
  // the first column takes the rest.
  ColumnWidths cw = Widths({80, 10}, {200, 200}, {500, 300});
  const std::vector<int> w = DistributeWithoutTableWidth(cw, 120);
  EXPECT_EQ(cw.Percents[0], 0);
  EXPECT_EQ(w, (std::vector<int>{84, 36}));
  // Fitting percentages that with the others' minima overrun the width are
  // scaled down until they fit: 50% and 45% of 100 beside a column of
  // minimum 30 leave 70 for 95, so they become 36.8% and 33.2%.
  ColumnWidths scaled = Widths({10, 10, 30}, {300, 300, 300}, {500, 450, 0});
  EXPECT_EQ(DistributeWithoutTableWidth(scaled, 100), (std::vector<int>{37, 33, 30}));
  EXPECT_EQ(scaled.Percents, (std::vector<int>{368, 332, 0}));
}

// --------------------------------------------------------------- row heights

TEST(RowHeightsTest, MinimalDesiredAndSpreadHeights) {
  // Two rows 20 and 30 high, spacing 2, no height given: the table takes
  // what they need.
  const std::vector<RowSpanMeasure> m = {{0, 1, 20, 20, false}, {1, 1, 30, 30, false}};
  EXPECT_EQ(RowHeights(2, 0, 2, m), (std::vector<int>{22, 32}));
  // A table height of 102 leaves 100 - 54 = 46 over, shared by both rows.
  EXPECT_EQ(RowHeights(2, 102, 2, m), (std::vector<int>{22 + 23, 32 + 23}));
  // A row with a specified height keeps it; the other takes the rest.
  const std::vector<RowSpanMeasure> s = {{0, 1, 20, 20, true}, {1, 1, 30, 30, false}};
  EXPECT_EQ(RowHeights(2, 102, 2, s), (std::vector<int>{22, 78}));
  // All specified: scaled.
  const std::vector<RowSpanMeasure> all = {{0, 1, 18, 18, true}, {1, 1, 38, 38, true}};
  EXPECT_EQ(RowHeights(2, 122, 2, all), (std::vector<int>{40, 80}));
}

TEST(RowHeightsTest, BetweenMinimalAndDesired) {
  // Desired 50 + 50 (a percentage height), minimal 10 + 30; 60 offered:
  // F = (60 - 40) / 60; the last row takes what is left.
  const std::vector<RowSpanMeasure> m = {{0, 1, 10, 50, true}, {1, 1, 30, 50, true}};
  const std::vector<int> h = RowHeights(2, 60, 0, m);
  EXPECT_EQ(h[0], 10 + 13);
  EXPECT_EQ(h[1], 60 - 23);
}

TEST(RowHeightsTest, RowSpanGrowsTheSpannedRowsEvenlyWithTheRemainderLast) {
  // Rows 10 and 10; a cell over both needs 35: 15 more, 7 each and 1 extra
  // for the last.
  const std::vector<RowSpanMeasure> m = {{0, 1, 10, 10, false}, {1, 1, 10, 10, false},
                                         {0, 2, 35, 35, false}};
  EXPECT_EQ(RowHeights(2, 0, 0, m), (std::vector<int>{17, 18}));
  // Spans running past the table and empty tables are ignored.
  EXPECT_EQ(RowHeights(2, 0, 0, {{1, 2, 99, 99, false}}), (std::vector<int>{0, 0}));
  EXPECT_TRUE(RowHeights(0, 100, 2, {}).empty());
}

TEST(RowHeightsTest, SpecifiedRowsWithoutHeightShareTheTableHeight) {
  // Percentage heights of an empty table: desired 0, yet every row counts
  // as specified. No division by zero: the rows share the height.
  const std::vector<RowSpanMeasure> m = {{0, 1, 0, 0, true}, {1, 1, 0, 0, true}};
  EXPECT_EQ(RowHeights(2, 100, 0, m), (std::vector<int>{50, 50}));
}

TEST(VerticalIndentTest, TopMiddleBottom) {
  EXPECT_EQ(VerticalIndent(TVAlign::Top, 100, 20, 4, 2), 0);
  EXPECT_EQ(VerticalIndent(TVAlign::Middle, 100, 20, 4, 2), 37);
  EXPECT_EQ(VerticalIndent(TVAlign::Bottom, 100, 20, 4, 2), 74);
  EXPECT_EQ(VerticalIndent(TVAlign::Baseline, 100, 20, 4, 2), 74);
  EXPECT_EQ(VerticalIndent(TVAlign::Middle, 10, 20, 0, 1), -5);   // toward zero
}
