#pragma once
// The column-width and row-height algorithms of tables, as functions of
// plain inputs: the cells' spans and content widths, the table's width and
// spacing. ThtmlTable (tables.h) gathers the inputs from its grid and lays
// its cells out with the results; keeping the arithmetic here lets it be
// tested without documents, canvases or fonts.
//
// Percentages are in tenths of a percent (1000 = 100%).
#include <vector>

#include "htmlview/style/stylecodes.h"
#include "platform/geometry.h"

namespace htmlview {

// The algorithms round with the platform's multiply-divide.
using platform::MulDiv;

// One real cell of the grid, as the width algorithms see it.
struct SpanCell {
  int Col = 0;           // first column
  int ColSpan = 1;
  int Min = 0, Max = 0;  // the content's minimum and maximum width
  int Add = 0;           // HzSpace + CellSpacing
  int SpecWd = 0;        // pixels, or tenths of a percent
  bool SpecWdIsPercent = false;
};

struct ColumnWidths {
  std::vector<int> Min, Max, Percents;
  int TotMin = 0, TotMax = 0;
};

// Minimum and maximum widths without percentages. cells in row order, and
// within a row from left to right.
ColumnWidths AbsoluteMinMax(int numCols, const std::vector<SpanCell>& cells);
// The percentage-aware kind with the reference width refWidth.
ColumnWidths PercentMinMax(int numCols, const std::vector<SpanCell>& cells, int refWidth);

// Widths for a table with pixel widths and no table width, from the
// absolute minima and maxima.
std::vector<int> SimpleDistribution(const ColumnWidths& cw, int width);
// Widths for a table with a specified width, from the percentage-aware
// minima, maxima and percentages.
std::vector<int> DistributeWithTableWidth(const ColumnWidths& cw, int width);
// Widths for a table without a specified width wider than its minimum.
// cw may be changed: columns whose percentage fits get their minimum and
// maximum fixed to it.
std::vector<int> DistributeWithoutTableWidth(ColumnWidths& cw, int width);

// What laying out the cells of one row that span `Span` rows gave: the
// row's height and desired height (RowHeights adds the spacing) and whether
// a cell had a specified height.
struct RowSpanMeasure {
  int Row = 0;
  int Span = 1;
  int Ht = 0;
  int Desired = 0;
  bool Specified = false;
};

// The row heights for a table of rowCount rows offered height (the table's
// height, AHeight) with cellSpacing; the measures in span order and, within
// a span, row order.
std::vector<int> RowHeights(int rowCount, int height, int cellSpacing,
                            const std::vector<RowSpanMeasure>& measures);

// The vertical offset of a cell's content for valign (Top, Middle, Bottom
// or Baseline) in a cell of height ht.
int VerticalIndent(TVAlign vAlign, int ht, int contentHt, int vrSpace, int cellSpacing);

}  // namespace htmlview
