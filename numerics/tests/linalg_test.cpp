// Containers, solvers, statistics, polynomial roots and eigenvalues.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "numerics/eigen.h"
#include "numerics/mathfunc.h"
#include "numerics/matrices.h"
#include "numerics/numerics.h"
#include "numerics/polynom.h"
#include "numerics/stat.h"

using namespace numerics;

namespace {

class LinAlgTest : public ::testing::Test {
 protected:
  void SetUp() override { InitNumerics(); }
};

TEST_F(LinAlgTest, AllocationConventions) {
  TVector v = {5, 6};
  AllocVector(v, 0);
  ASSERT_EQ(v.size(), 1u);
  EXPECT_EQ(v[0], 0.0);
  EXPECT_FALSE(std::signbit(v[0]));
  AllocVector(v, -1);
  EXPECT_TRUE(v.empty());
  TIntVector iv;
  AllocIntVector(iv, 3);
  EXPECT_EQ(iv, (TIntVector{0, 0, 0, 0}));
  TMatrix m;
  AllocMatrix(m, 2, 3);
  ASSERT_EQ(m.size(), 3u);
  for (const TVector& row : m) EXPECT_EQ(row, TVector(4, 0.0));
  AllocMatrix(m, 2, -1);
  EXPECT_TRUE(m.empty());
  EXPECT_EQ(AllocVector(8).size(), 9u);

  TVector x = {9, 3, 1, 3, 7};
  EXPECT_EQ(VectorMin(x, 1, 4), 1.0);
  EXPECT_EQ(VectorMax(x, 1, 3), 3.0);
  TMatrix a = {{1, 2}, {3, 4}};
  SwapRows(0, 1, a, 0, 1);
  EXPECT_EQ(a[0], (TVector{3, 4}));
  SwapCols(0, 1, a, 0, 1);
  EXPECT_EQ(a[0], (TVector{4, 3}));
  TVector col(2);
  CopyVectorFromColumn(col, a, 0, 1, 1);
  EXPECT_EQ(col, (TVector{3, 1}));
}

TEST_F(LinAlgTest, GaussJordanKnownSystems) {
  TMatrix inv = AllocMatrix(2, 2);
  TVector x(3);
  double det = 0;
  ASSERT_EQ(GaussJordanSolve({{2}}, {4}, 0, 0, inv, x, det), 0);
  EXPECT_EQ(x[0], 2.0);
  EXPECT_EQ(inv[0][0], 0.5);
  EXPECT_EQ(det, 2.0);

  // A zero diagonal is solved through the pivot search's column exchange.
  ASSERT_EQ(GaussJordanSolve({{0, 1}, {1, 0}}, {3, 5}, 0, 1, inv, x, det), 0);
  EXPECT_EQ(x[0], 5.0);
  EXPECT_EQ(x[1], 3.0);
  EXPECT_EQ(inv[0][1], 1.0);
  EXPECT_EQ(inv[0][0], 0.0);
  EXPECT_EQ(det, -1.0);

  // Ties keep the diagonal pivot: no exchange, no sign change.
  ASSERT_EQ(GaussJordanSolve({{1, -1}, {1, 1}}, {0, 2}, 0, 1, inv, x, det), 0);
  EXPECT_EQ(det, 2.0);
  EXPECT_EQ(x[0], 1.0);
  EXPECT_EQ(x[1], 1.0);

  // 1-based 3 x 3 system; A and B are not changed.
  TMatrix a = {{0, 0, 0, 0}, {0, 4, -2, 1}, {0, -2, 4, -2}, {0, 1, -2, 4}};
  TVector b = {0, 11, -16, 17};
  TMatrix a0 = a;
  TVector b0 = b;
  TMatrix inv3 = AllocMatrix(3, 3);
  TVector x3(4);
  ASSERT_EQ(GaussJordanSolve(a, b, 1, 3, inv3, x3, det), 0);
  EXPECT_EQ(a, a0);
  EXPECT_EQ(b, b0);
  EXPECT_NEAR(x3[1], 1.0, 1e-14);
  EXPECT_NEAR(x3[2], -2.0, 1e-14);
  EXPECT_NEAR(x3[3], 3.0, 1e-14);
  EXPECT_NEAR(det, 36.0, 1e-12);
  for (int i = 1; i <= 3; ++i)
    for (int j = 1; j <= 3; ++j) {
      double s = 0;
      for (int k = 1; k <= 3; ++k) s += a[i][k] * inv3[k][j];
      EXPECT_NEAR(s, i == j ? 1.0 : 0.0, 1e-14);
    }
  TMatrix inv4 = AllocMatrix(3, 3);
  ASSERT_EQ(InvertMatrix(a, 1, 3, inv4), 0);
  EXPECT_EQ(inv4, inv3);
}

TEST_F(LinAlgTest, GaussJordanSingularCases) {
  TMatrix inv = AllocMatrix(2, 2);
  TVector x(3);
  double det = 0;
  struct Case {
    const char* what;
    TMatrix a;
  };
  const double nan = std::nan("");
  const Case cases[] = {
      {"tiny pivot", {{1e-17, 0}, {0, 1e-17}}},
      {"zero row", {{1, 2}, {0, 0}}},
      // Exactly dependent rows at a large scale: the leftover pivot is
      // rounding noise far above MachEp in absolute terms.
      {"dependent, large scale", {{1e20, 3e20, 1e20}, {2e20, 6e20 * (1 + 1e-16), 2e20}, {1e20, 1e20, 5e20}}},
      {"dependent, decimal", {{0.1, 0.2, 0.3}, {0.4, 0.5, 0.6}, {0.7, 0.8, 0.9}}},
      {"NaN element", {{1, 0, 0}, {0, nan, 0}, {0, 0, 1}}},
  };
  for (const Case& c : cases) {
    int ub = static_cast<int>(c.a.size()) - 1;
    TVector b(ub + 1, 1.0);
    EXPECT_EQ(GaussJordanSolve(c.a, b, 0, ub, inv, x, det), MatSingular) << c.what;
    EXPECT_EQ(InvertMatrix(c.a, 0, ub, inv), MatSingular) << c.what;
  }
  // Badly scaled but regular: rows and columns of very different size.
  TMatrix s = {{1e12, 2e6}, {3e6, 4}};
  ASSERT_EQ(GaussJordanSolve(s, {1e12 + 2e6, 3e6 + 4}, 0, 1, inv, x, det), 0);
  EXPECT_NEAR(x[0], 1.0, 1e-12);
  EXPECT_NEAR(x[1], 1.0, 1e-12);
}

TEST_F(LinAlgTest, Cholesky) {
  TMatrix l = AllocMatrix(1, 1);
  ASSERT_EQ(CholeskyDecomp({{4, 2}, {2, 3}}, 0, 1, l), 0);
  EXPECT_EQ(l[0][0], 2.0);
  EXPECT_EQ(l[1][0], 1.0);
  EXPECT_NEAR(l[1][1], std::sqrt(2.0), 1e-15);
  EXPECT_EQ(l[0][1], 0.0);
  EXPECT_EQ(CholeskyDecomp({{1, 2}, {2, 1}}, 0, 1, l), MatNotPosDef);
  EXPECT_EQ(CholeskyDecomp({{std::nan(""), 0}, {0, 1}}, 0, 1, l), MatNotPosDef);
}

TEST_F(LinAlgTest, SingularValueDecomposition) {
  // 1-based 4 x 3: A = U diag(S) Vt with orthonormal U and V.
  TMatrix a = {{0, 0, 0, 0}, {0, 1, 2, 3}, {0, 4, 5, 6}, {0, 7, 8, 10}, {0, -1, 0, 2}};
  TMatrix u = a, v = AllocMatrix(3, 3);
  TVector s(4);
  ASSERT_EQ(SingularValueDecomposition(u, 1, 4, 3, s, v), 0);
  for (int i = 1; i <= 4; ++i)
    for (int j = 1; j <= 3; ++j) {
      double sum = 0;
      for (int k = 1; k <= 3; ++k) sum += u[i][k] * s[k] * v[j][k];
      EXPECT_NEAR(sum, a[i][j], 1e-13);
    }
  for (int k = 1; k <= 3; ++k) EXPECT_GE(s[k], 0.0);
  for (int j = 1; j <= 3; ++j)
    for (int k = 1; k <= 3; ++k) {
      double uu = 0, vv = 0;
      for (int i = 1; i <= 4; ++i) uu += u[i][j] * u[i][k];
      for (int i = 1; i <= 3; ++i) vv += v[i][j] * v[i][k];
      EXPECT_NEAR(uu, j == k ? 1.0 : 0.0, 1e-14);
      EXPECT_NEAR(vv, j == k ? 1.0 : 0.0, 1e-14);
    }
  // The solve reproduces a consistent right-hand side.
  TVector b = {0, 6, 15, 25, 1}, xs(4);
  SvdSolve(u, s, v, b, 1, 4, 3, xs);
  for (int j = 1; j <= 3; ++j) EXPECT_NEAR(xs[j], 1.0, 1e-13);

  TVector sz = {3, 1e-20};
  SvdSetZero(sz, 0, 1, 1e-15);
  EXPECT_EQ(sz, (TVector{3, 0}));
  TVector edge = {2, 2e-15};
  SvdSetZero(edge, 0, 1, 1e-15);
  EXPECT_EQ(edge[1], 2e-15);  // equal to the threshold: kept

  // A zero singular value contributes nothing.
  TMatrix id = {{1, 0}, {0, 1}};
  TVector x2(2);
  SvdSolve(id, {2, 0}, id, {4, 7}, 0, 1, 1, x2);
  EXPECT_EQ(x2, (TVector{2, 0}));

  // Non-convergence is never 0, also for a value at index 0.
  TMatrix bad = {{std::nan(""), 1}, {1, 1}};
  TMatrix vb = AllocMatrix(1, 1);
  TVector sb(2);
  EXPECT_LT(SingularValueDecomposition(bad, 0, 1, 1, sb, vb), 0);
}

TEST_F(LinAlgTest, Statistics) {
  TVector x = {3, 1, 2};
  EXPECT_EQ(Median(x, 0, 2), 2.0);
  EXPECT_EQ(x, (TVector{1, 2, 3}));
  TVector y = {4, 1, 3, 2};
  EXPECT_EQ(Median(y, 0, 3), 2.5);
  TVector one = {0, 7.5};
  EXPECT_EQ(Mean(one, 1, 1), 7.5);
  TVector z = {5, 3, 9, 1, 9, 0, 4};
  DQSort(z, 0, 6);
  EXPECT_TRUE(std::is_sorted(z.rbegin(), z.rend()));
  QSort(z, 2, 5);
  EXPECT_TRUE(std::is_sorted(z.begin() + 2, z.begin() + 6));
  TVector a = {0, 1, 2, 3}, b = {0, 1, 1, 1}, w = {0, 1, 2, 3};
  EXPECT_EQ(Sum(a, 1, 3), 6.0);
  EXPECT_EQ(SumSqrDif(a, 1, 3, 2.0), 2.0);
  EXPECT_EQ(SumSqrDifVect(a, b, 1, 3), 5.0);
  EXPECT_EQ(SumWSqrDif(a, w, 1, 3, 2.0), 4.0);
  EXPECT_EQ(SumWSqrDifVect(a, b, w, 1, 3), 14.0);
}

TEST_F(LinAlgTest, PolynomialRoots) {
  double r;
  EXPECT_EQ(RootPol1(0, 0, r), -1);
  EXPECT_EQ(RootPol1(1, 0, r), -2);
  EXPECT_EQ(RootPol1(2, 4, r), 1);
  EXPECT_EQ(r, -0.5);

  TVector z(6), zi(6);
  EXPECT_EQ(RootPol2({2, -3, 1}, z, zi), 2);
  EXPECT_EQ(std::min(z[1], z[2]), 1.0);
  EXPECT_EQ(std::max(z[1], z[2]), 2.0);
  EXPECT_EQ(RootPol2({1, 0, 1}, z, zi), 0);
  EXPECT_EQ(z[1], 0.0);
  EXPECT_EQ(std::fabs(zi[1]), 1.0);
  EXPECT_EQ(zi[2], -zi[1]);

  auto sorted = [](TVector v, int n) {
    std::sort(v.begin() + 1, v.begin() + 1 + n);
    return v;
  };
  // (x - 1)(x - 2)(x - 3) = x^3 - 6x^2 + 11x - 6
  ASSERT_EQ(RootPol3({-6, 11, -6, 1}, z, zi), 3);
  TVector s = sorted(z, 3);
  EXPECT_NEAR(s[1], 1.0, 1e-13);
  EXPECT_NEAR(s[2], 2.0, 1e-13);
  EXPECT_NEAR(s[3], 3.0, 1e-13);
  // (x - 2)(x^2 + 1): one real root.
  ASSERT_EQ(RootPol3({-2, 1, -2, 1}, z, zi), 1);
  EXPECT_NEAR(MaxRealRoot(3, z, zi), 2.0, 1e-13);
  // (x-1)(x+2)(x-3)(x+4) = x^4 + 2x^3 - 13x^2 - 14x + 24
  ASSERT_EQ(RootPol4({24, -14, -13, 2, 1}, z, zi), 4);
  s = sorted(z, 4);
  EXPECT_NEAR(s[1], -4.0, 1e-12);
  EXPECT_NEAR(s[2], -2.0, 1e-12);
  EXPECT_NEAR(s[3], 1.0, 1e-12);
  EXPECT_NEAR(s[4], 3.0, 1e-12);
  // (x^2 + 1)(x^2 - 4): two real.
  EXPECT_EQ(RootPol4({-4, 0, -3, 0, 1}, z, zi), 2);
  EXPECT_EQ(MaxRealRoot(0, z, zi), -MaxNum);

  ASSERT_EQ(RootPol({-1, 0, 1}, 2, z, zi), 2);
  s = sorted(z, 2);
  EXPECT_NEAR(s[1], -1.0, 1e-14);
  EXPECT_NEAR(s[2], 1.0, 1e-14);
  // Degree 5 with roots 1..5 through the companion matrix.
  TVector c = {-120, 274, -225, 85, -15, 1};
  ASSERT_EQ(RootPol(c, 5, z, zi), 5);
  s = sorted(z, 5);
  for (int i = 1; i <= 5; ++i) EXPECT_NEAR(s[i], i, 1e-9);
  // x^3 - x = x (x - 1)(x + 1), a zero constant term.
  ASSERT_EQ(RootPol({0, -1, 0, 1}, 3, z, zi), 3);
  s = sorted(z, 3);
  EXPECT_NEAR(s[1], -1.0, 1e-14);
  EXPECT_NEAR(s[2], 0.0, 1e-14);
  EXPECT_NEAR(s[3], 1.0, 1e-14);

  TVector pc = {1, 2, 3};
  EXPECT_EQ(Poly(2.0, pc, 2), 17.0);
  TVector rc = {1, 2, 0.5};  // (1 + 2x) / (1 + 0.5x)
  EXPECT_EQ(RFrac(2.0, rc, 1, 1), 2.5);
}

}  // namespace
