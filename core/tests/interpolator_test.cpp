#include "core/interpolator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/sysutils.h"

namespace {

using core::TFloatMat;
using core::TIntMat;
using core::TInterpolator;

// te 0, 10, 20 (columns), tc 30, 40, 50 (rows); Qe linear in both so that
// bilinear interpolation and extrapolation are exact.
struct Table {
  std::vector<double> te{0, 10, 20};
  std::vector<double> tc{30, 40, 50};
  TFloatMat qe;
  TIntMat valid{{0, 0, 0}, {0, 0, 0}, {0, 0, 0}};
  Table() {
    for (double c : tc) {
      std::vector<double> row;
      for (double e : te) row.push_back(1000 + 100 * e + c);
      qe.push_back(row);
    }
  }
  TInterpolator Locate(double e, double c) const {
    TInterpolator ip;
    ip.Locate(te, tc, e, c, qe, valid);
    return ip;
  }
};

TEST(LocateFraction, CellsAndFractions) {
  struct Case {
    const char* name;
    std::vector<double> list;
    double value;
    int32_t index;
    double fraction;
  };
  const Case cases[] = {
      {"first value", {0, 10, 20}, 0, 0, 0},
      {"inside the first cell", {0, 10, 20}, 5, 0, 0.5},
      {"an inner value lands at the end of the cell before it", {0, 10, 20}, 10, 0, 1},
      {"the last value", {0, 10, 20}, 20, 1, 1},
      {"below the first value", {0, 10, 20}, -5, 0, -0.5},
      {"beyond the last value", {0, 10, 20}, 35, 1, 2.5},
      {"descending, inside", {50, 40, 30}, 35, 1, 0.5},
      {"descending, an inner value", {50, 40, 30}, 40, 0, 1},
      {"descending, above the first", {50, 40, 30}, 55, 0, -0.5},
      {"descending, below the last", {50, 40, 30}, 25, 1, 1.5},
      {"equal first values: a point on them", {10, 10, 20}, 10, 0, 0},
      {"equal first values: a point beyond them", {10, 10, 20}, 15, 0, 0},
      {"equal last values: a point beyond them", {0, 10, 10}, 12, 1, 0},
      {"two values", {0, 10}, 25, 0, 2.5},
      {"one value", {5}, 7, 0, 0},
      {"no values", {}, 7, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    int32_t index = -1;
    double fraction = -1;
    core::LocateFraction(c.list, c.value, index, fraction);
    EXPECT_EQ(index, c.index);
    EXPECT_DOUBLE_EQ(fraction, c.fraction);
  }
}

TEST(Interpolator, EdgeCasesOfThePosition) {
  struct Case {
    const char* name;
    double te, tc;
    int32_t i, j;
    double fx, fy;
    int32_t status;
  };
  const Case cases[] = {
      {"te on an inner value", 10, 35, 0, 0, 1, 0.5, 0},
      {"te on the last value", 20, 35, 1, 0, 1, 0.5, 0},
      {"te half a cell below: no warning", -5, 35, 0, 0, -0.5, 0.5, 0},
      {"te 0.6 cell below: Range warning", -6, 35, 0, 0, -0.6, 0.5, 2},
      {"te half a cell above: no warning", 25, 35, 1, 0, 1.5, 0.5, 0},
      {"te 0.6 cell above: Range warning", 26, 35, 1, 0, 1.6, 0.5, 2},
      {"te two cells below: Range warning", -20, 35, 0, 0, -2, 0.5, 2},
      {"te 2.1 cells below: Out of range", -21, 35, 0, 0, -2.1, 0.5, 3},
      {"te 1.5 cells above: Out of range", 35, 35, 1, 0, 2.5, 0.5, 3},
      {"te 2.5 cells above: limited to 3", 45, 35, 1, 0, 3, 0.5, 3},
      {"tc 0.6 cell above", 5, 56, 0, 1, 0.5, 1.6, 2},
      {"tc far below: limited to -3", 5, -100, 0, 0, 0.5, -3, 3},
      {"te Out of range, tc Range warning: the tc level stands", 35, 57, 1, 1, 2.5, 1.7, 2},
      {"te Range warning, tc Out of range", 26, 75, 1, 1, 1.6, 3, 3},
      {"te Out of range, tc inside: Out of range", 45, 35, 1, 0, 3, 0.5, 3},
  };
  const Table table;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto ip = table.Locate(c.te, c.tc);
    EXPECT_EQ(ip.I, c.i);
    EXPECT_EQ(ip.J, c.j);
    EXPECT_DOUBLE_EQ(ip.Fx, c.fx);
    EXPECT_DOUBLE_EQ(ip.Fy, c.fy);
    EXPECT_EQ(ip.Status, c.status);
  }
}

TEST(Interpolator, DescendingTcList) {
  Table table;
  table.tc = {50, 40, 30};
  const auto ip = table.Locate(5, 35);
  EXPECT_EQ(ip.J, 1);
  EXPECT_DOUBLE_EQ(ip.Fy, 0.5);
  EXPECT_EQ(ip.Status, 0);
}

// Points near missing (-99) or flagged ratings. Corners are (row, column) of
// the tc and te indexes.
TEST(Interpolator, MissingAndFlaggedRatings) {
  struct Case {
    const char* name;
    double te, tc;
    int row, col, flag;   // the one corner made bad; flag -99 marks Qe missing instead
    int32_t status;
  };
  const Case cases[] = {
      {"inside a cell, all corners rated", 5, 35, -1, -1, 0, 0},
      {"inside a cell, one corner flagged 1", 5, 35, 0, 1, 1, 1},
      {"inside a cell, one corner flagged 2", 5, 35, 1, 1, 2, 1},
      {"inside a cell, one corner missing", 5, 35, 1, 0, -99, 1},
      {"inside a cell, the neighbouring cell flagged", 5, 35, 2, 2, 1, 0},
      {"left edge between rows, bad corner on it", 0, 35, 1, 0, 1, 1},
      {"left edge between rows, bad corner on the right edge", 0, 35, 0, 1, 1, 0},
      {"right edge (Fx 1) between rows, bad corner on it", 10, 35, 0, 1, 2, 1},
      {"right edge between rows, bad corner on the left edge", 10, 35, 0, 0, 2, 0},
      {"bottom edge between columns, bad corner on it", 5, 30, 0, 0, 1, 1},
      {"bottom edge between columns, bad corner on the top", 5, 30, 1, 0, 1, 0},
      {"top edge (Fy 1) between columns, bad corner on it", 5, 40, 1, 1, 1, 1},
      {"a node flagged 2", 10, 40, 1, 1, 2, 1},
      {"a rated node next to a flagged one", 10, 40, 0, 0, 1, 0},
      {"a node flagged 1 at the table's first point", 0, 30, 0, 0, 1, 1},
      {"nearest node missing", 8, 38, 1, 1, -99, 1},
      {"nearest node rated, far corner missing", 2, 32, 1, 1, -99, 1},
      {"outside the table the status is the range's", -6, 35, 0, 0, 1, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Table table;
    if (c.row >= 0) {
      if (c.flag == -99)
        table.qe[c.row][c.col] = -99;
      else
        table.valid[c.row][c.col] = c.flag;
    }
    EXPECT_EQ(table.Locate(c.te, c.tc).Status, c.status);
  }
}

TEST(Interpolator, BilinearInsideAndBeyondTheTable) {
  const Table table;
  struct Case {
    double te, tc;
  };
  for (const Case c : {Case{5, 35}, Case{0, 30}, Case{20, 50}, Case{13, 47}, Case{-5, 35}, Case{25, 55},
                       Case{45, 35}, Case{60, 35}}) {
    SCOPED_TRACE(c.te);
    const auto ip = table.Locate(c.te, c.tc);
    // Beyond three cells the value is that of three cells out.
    const double te = std::min(c.te, 20 + 10 * 2.0);
    EXPECT_NEAR(ip.Bilinear(table.qe), 1000 + 100 * te + c.tc, 1e-9);
  }
  // The average of the two orders of a non-linear cell.
  TInterpolator ip;
  ip.I = 0;
  ip.J = 0;
  ip.Fx = 0.5;
  ip.Fy = 0.5;
  EXPECT_DOUBLE_EQ(ip.Bilinear({{0, 0}, {0, 1}}), 0.25);
}

TEST(Interpolator, DoubtfulPointsStillInterpolate) {
  Table table;
  table.qe[1][1] = -99;
  const auto ip = table.Locate(8, 38);
  EXPECT_EQ(ip.Status, 1);
  EXPECT_EQ(ip.StatusText(), "Invalid data");
  EXPECT_NEAR(ip.Bilinear(table.qe), 0.2 * 0.2 * 1030 + 0.8 * 0.2 * 2030 + 0.2 * 0.8 * 1040 + 0.64 * -99, 1e-9);
}

TEST(Interpolator, ClearAndStatusTexts) {
  Table table;
  auto ip = table.Locate(35, 75);
  ip.Clear();
  EXPECT_EQ(ip.I, 0);
  EXPECT_EQ(ip.J, 0);
  EXPECT_EQ(ip.Fx, 0);
  EXPECT_EQ(ip.Fy, 0);
  EXPECT_EQ(ip.Status, 0);
  EXPECT_EQ(core::InterpolatorStatusText(0), "No error");
  EXPECT_EQ(core::InterpolatorStatusText(1), "Invalid data");
  EXPECT_EQ(core::InterpolatorStatusText(2), "Range warning");
  EXPECT_EQ(core::InterpolatorStatusText(3), "Out of range");
  EXPECT_EQ(&core::Interpolator(), &core::Interpolator());
}

// Damaged or odd input reaches the interpolator from files: it must neither
// crash nor read outside the matrices.
TEST(Interpolator, OddInputNeverReadsOutsideTheTable) {
  Table table;
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(table.Locate(nan, 35).Status, 3);
  EXPECT_EQ(table.Locate(5, nan).Status, 3);
  auto ip = table.Locate(inf, -inf);
  EXPECT_EQ(ip.Status, 3);
  EXPECT_EQ(ip.Fx, 3);
  EXPECT_EQ(ip.Fy, -3);

  TIntMat shortValid{{0, 0}};   // shorter than the lists: the missing cells count as bad
  TFloatMat shortQe{{1, 2}, {3}};
  TInterpolator located;
  located.Locate(table.te, table.tc, 5, 35, shortQe, shortValid);
  EXPECT_EQ(located.Status, 1);
  EXPECT_EQ(located.Bilinear(shortQe), (0.25 * 1 + 0.25 * 2 + 0.25 * 3 + 0.25 * -99));

  located.Locate({5}, table.tc, 5, 35, table.qe, table.valid);
  EXPECT_EQ(located.Status, 1);
  located.Locate(table.te, {}, 5, 35, table.qe, table.valid);
  EXPECT_EQ(located.Status, 1);
}

TEST(SafeDivide, FallbackCarriesTheNumeratorsSign) {
  const double inf = std::numeric_limits<double>::infinity();
  struct Case {
    double n, d, fallback, result;
  };
  for (const Case c : {Case{6, 3, 9, 2}, Case{1, 0, 5, 5}, Case{-1, 0, 5, -5}, Case{0, 0, 5, 5},
                       Case{1e308, 1e-308, 7, 7}, Case{-1e308, 1e-308, 7, -7}, Case{inf, inf, 3, 3},
                       Case{inf, 2, 3, inf}, Case{1, -4, 0, -0.25}}) {
    EXPECT_EQ(core::SafeDivide(c.n, c.d, c.fallback), c.result) << c.n << " / " << c.d;
  }
  EXPECT_EQ(core::SignOf(0), 1);
  EXPECT_EQ(core::SignOf(2.5), 1);
  EXPECT_EQ(core::SignOf(-1e-300), -1);
}

TEST(Poly9, EvaluatesEveryTerm) {
  const core::TPoly9Coef one{1, 0, 0, 0, 0, 0, 0, 0, 0};
  const core::TPoly9Coef c8{0, 0, 0, 0, 0, 0, 0, 0, 1};
  for (double te : {-30.0, 0.0, 7.5}) {
    for (double tc : {25.0, 40.0, 60.0}) {
      EXPECT_EQ(core::Poly9(one, te, tc), 1);
      EXPECT_DOUBLE_EQ(core::Poly9(c8, te, tc), te * te * tc * tc);
    }
  }
  const core::TPoly9Coef c{1, 2, 3, 4, 5, 6, 7, 8, 9};
  const double te = -10, tc = 45;
  const double expected = 1 + 2 * te + 3 * te * te + 4 * tc + 5 * tc * tc + 6 * te * tc + 7 * te * te * tc +
                          8 * te * tc * tc + 9 * te * te * tc * tc;
  EXPECT_DOUBLE_EQ(core::Poly9(c, te, tc), expected);
}

TEST(Poly9Text, FormatsAndReadsBack) {
  const core::TPoly9Coef c{1234.567, -0.2103226, 0, 1, -1, 1e-10, 123456789, 0.5, -7.654321e5};
  const std::string text = core::Poly9ToText(c);
  EXPECT_EQ(text,
            "1.23457E+003, -2.10323E-001, 0.00000E+000, 1.00000E+000, -1.00000E+000, 1.00000E-010, "
            "1.23457E+008, 5.00000E-001, -7.65432E+005");
  core::TPoly9Coef back{};
  core::TextToPoly9(text, back);
  const core::TPoly9Coef expected{1234.57, -0.210323, 0, 1, -1, 1e-10, 123457000, 0.5, -765432};
  for (int k = 0; k < 9; ++k) EXPECT_DOUBLE_EQ(back[k], expected[k]) << k;
  // Formatting what was read gives the same text again.
  EXPECT_EQ(core::Poly9ToText(back), text);
}

TEST(Poly9Text, ReadsCommaListsLoosely) {
  core::TPoly9Coef c{};
  core::TextToPoly9(" 1.5 ,\"2\",3,4,5,6,7,8,9,10,11", c);   // blanks, quotes, surplus items
  const core::TPoly9Coef expected{1.5, 2, 3, 4, 5, 6, 7, 8, 9};
  EXPECT_EQ(c, expected);
}

TEST(Poly9Text, ErrorsCarryThePlatformsTexts) {
  core::TPoly9Coef c{};
  c.fill(42);
  try {
    core::TextToPoly9("1,2,3,4,5,6,7,8", c);
    FAIL() << "no error for eight items";
  } catch (const platform::EListError& e) {
    EXPECT_STREQ(e.what(), "List index out of bounds (8)");
  }
  // The items converted before the failure keep their new values.
  EXPECT_EQ(c[0], 1);
  EXPECT_EQ(c[7], 8);
  EXPECT_EQ(c[8], 42);

  c.fill(42);
  try {
    core::TextToPoly9("1,2,3,abc,5,6,7,8,9", c);
    FAIL() << "no error for a word";
  } catch (const platform::EConvertError& e) {
    EXPECT_STREQ(e.what(), "'abc' is not a valid floating point value");
  }
  EXPECT_EQ(c[2], 3);
  EXPECT_EQ(c[3], 42);
}

TEST(MatrixExtremes, MissingValuesTakePart) {
  const TFloatMat m{{5, -99, 7}, {12.5, 3}, {}, {8}};
  EXPECT_EQ(core::MatrixMax(m), 12.5);
  EXPECT_EQ(core::MatrixMin(m), -99);
  EXPECT_EQ(core::MatrixMax({{-4, -2}}), -2);
  EXPECT_EQ(core::MatrixMin({{}, {3, 4}}), 3);
  EXPECT_EQ(core::MatrixMax({}), 0);
  EXPECT_EQ(core::MatrixMin({{}}), 0);
}

}  // namespace
