// Polynomial evaluation and roots, closed-form and through the companion
// matrix.
#include "numerics/polynom.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <vector>

#include "numerics/eigen.h"
#include "numerics/mathfunc.h"
#include "numerics/numerics.h"

using namespace numerics;

namespace {

using Roots = std::vector<std::complex<double>>;

Roots Collect(const TVector& Z, const TVector& Zi, int N) {
  Roots r;
  for (int i = 1; i <= N; ++i) r.emplace_back(Z[i], Zi[i]);
  std::sort(r.begin(), r.end(), [](auto a, auto b) {
    return a.real() != b.real() ? a.real() < b.real() : a.imag() < b.imag();
  });
  return r;
}

void ExpectRoots(const Roots& got, Roots want, double tol) {
  std::sort(want.begin(), want.end(), [](auto a, auto b) {
    return a.real() != b.real() ? a.real() < b.real() : a.imag() < b.imag();
  });
  ASSERT_EQ(got.size(), want.size());
  for (std::size_t i = 0; i < got.size(); ++i) {
    EXPECT_NEAR(got[i].real(), want[i].real(), tol) << i;
    EXPECT_NEAR(got[i].imag(), want[i].imag(), tol) << i;
  }
}

// Coefficients (constant first) of the product of (x - r) over the roots.
TVector FromRoots(const std::vector<double>& roots) {
  TVector c = {1.0};
  for (double r : roots) {
    TVector n(c.size() + 1, 0.0);
    for (std::size_t k = 0; k < c.size(); ++k) {
      n[k + 1] += c[k];
      n[k] -= r * c[k];
    }
    c = n;
  }
  return c;
}

class PolynomTest : public ::testing::Test {
 protected:
  void SetUp() override { InitNumerics(); }
  TVector z = TVector(12, 0.0), zi = TVector(12, 0.0);
};

TEST_F(PolynomTest, EvaluatesPolynomialsAndFractions) {
  TVector c = {1.0, -2.0, 3.0};
  EXPECT_DOUBLE_EQ(Poly(2.0, c, 2), 1.0 - 4.0 + 12.0);
  EXPECT_DOUBLE_EQ(Poly(2.0, c, 0), 1.0);
  // (1 + 2x) / (1 + 3x + 4x^2) at x = 0.5.
  TVector r = {1.0, 2.0, 3.0, 4.0};
  EXPECT_DOUBLE_EQ(RFrac(0.5, r, 1, 2), 2.0 / 3.5);
}

TEST_F(PolynomTest, LinearAndQuadraticCases) {
  double x = 9.0;
  EXPECT_EQ(RootPol1(0.0, 0.0, x), -1);
  EXPECT_EQ(RootPol1(1.0, 0.0, x), -2);
  EXPECT_EQ(x, 0.0);
  EXPECT_EQ(RootPol1(2.0, 4.0, x), 1);
  EXPECT_EQ(x, -0.5);

  EXPECT_EQ(RootPol2({2.0, -3.0, 1.0}, z, zi), 2);
  ExpectRoots(Collect(z, zi, 2), {{1, 0}, {2, 0}}, 1e-15);
  EXPECT_EQ(RootPol2({1.0, 0.0, 1.0}, z, zi), 0);
  EXPECT_EQ(z[1], 0.0);
  EXPECT_EQ(z[2], 0.0);
  EXPECT_EQ(zi[1], 1.0);
  EXPECT_EQ(zi[2], -1.0);
  EXPECT_EQ(RootPol2({0.0, 3.0, 1.0}, z, zi), 2);  // x(x + 3)
  EXPECT_EQ(z[1], -3.0);
  EXPECT_EQ(z[2], 0.0);
  EXPECT_EQ(RootPol2({1.0, 2.0, 1.0}, z, zi), 2);  // double root
  EXPECT_EQ(z[1], -1.0);
  EXPECT_EQ(z[2], -1.0);
  EXPECT_EQ(RootPol2({4.0, 2.0, 0.0}, z, zi), 1);
  EXPECT_EQ(z[1], -2.0);
}

TEST_F(PolynomTest, CubicsAndQuartics) {
  EXPECT_EQ(RootPol3(FromRoots({1.0, -2.0, 3.5}), z, zi), 3);
  ExpectRoots(Collect(z, zi, 3), {{1, 0}, {-2, 0}, {3.5, 0}}, 1e-12);
  // (x - 2)(x^2 + 2x + 5): roots 2, -1 +- 2i.
  EXPECT_EQ(RootPol3({-10.0, 1.0, 0.0, 1.0}, z, zi), 1);
  ExpectRoots(Collect(z, zi, 3), {{2, 0}, {-1, 2}, {-1, -2}}, 1e-12);
  EXPECT_EQ(RootPol3({0.0, 2.0, -3.0, 1.0}, z, zi), 3);  // x(x-1)(x-2)
  ExpectRoots(Collect(z, zi, 3), {{0, 0}, {1, 0}, {2, 0}}, 1e-15);

  EXPECT_EQ(RootPol4(FromRoots({0.5, -1.0, 2.0, 4.0}), z, zi), 4);
  ExpectRoots(Collect(z, zi, 4), {{0.5, 0}, {-1, 0}, {2, 0}, {4, 0}}, 1e-10);
  // (x^2 - 1)(x^2 + 4): biquadratic.
  EXPECT_EQ(RootPol4({-4.0, 0.0, 3.0, 0.0, 1.0}, z, zi), 2);
  ExpectRoots(Collect(z, zi, 4), {{1, 0}, {-1, 0}, {0, 2}, {0, -2}}, 1e-12);
  // (x^2 + 1)(x^2 + 2x + 2): no real root.
  EXPECT_EQ(RootPol4({2.0, 2.0, 3.0, 2.0, 1.0}, z, zi), 0);
  ExpectRoots(Collect(z, zi, 4), {{0, 1}, {0, -1}, {-1, 1}, {-1, -1}}, 1e-10);

  EXPECT_EQ(MaxRealRoot(4, TVector{0, 1, 5, 3, 9}, TVector{0, 0, 0, 0, 1}), 5.0);
  EXPECT_EQ(MaxRealRoot(0, z, zi), -MaxNum);
  EXPECT_EQ(MaxRealRoot(1, TVector{0, 1}, TVector{0, 1}), -MaxNum);
}

TEST_F(PolynomTest, CompanionMatrixRoots) {
  EXPECT_EQ(RootPol({-1.0, 0.0, 1.0}, 2, z, zi), 2);
  ExpectRoots(Collect(z, zi, 2), {{-1, 0}, {1, 0}}, 1e-14);

  const std::vector<double> roots = {0.3, -1.5, 2.0, 7.0, -4.0, 0.01};
  EXPECT_EQ(RootPol(FromRoots(roots), 6, z, zi), 6);
  Roots want;
  for (double r : roots) want.emplace_back(r, 0.0);
  ExpectRoots(Collect(z, zi, 6), want, 1e-9);

  // x^5 - 1: one real root and two complex pairs on the unit circle.
  EXPECT_EQ(RootPol({-1.0, 0.0, 0.0, 0.0, 0.0, 1.0}, 5, z, zi), 1);
  Roots five;
  for (int k = 0; k < 5; ++k) five.push_back(std::polar(1.0, 2.0 * M_PI * k / 5.0));
  ExpectRoots(Collect(z, zi, 5), five, 1e-12);
}

TEST_F(PolynomTest, BalancingIsolatesAndKeepsEigenvalues) {
  // Upper triangular: every eigenvalue is isolated by the balancing.
  TMatrix a = {{1.0, 2.0, 3.0}, {0.0, 4.0, 5.0}, {0.0, 0.0, 6.0}};
  TVector scale(3, 0.0), wr(3, 0.0), wi(3, 0.0);
  int low = -1, high = -1;
  Balance(a, 0, 2, scale, low, high);
  EXPECT_EQ(EigenHqr(a, 0, 2, low, high, wr, wi), 0);
  std::vector<double> got(wr.begin(), wr.end());
  std::sort(got.begin(), got.end());
  EXPECT_EQ(got, (std::vector<double>{1.0, 4.0, 6.0}));

  // A badly scaled matrix balances to comparable row and column norms.
  TMatrix b = {{1.0, 1e6}, {1e-6, 1.0}};
  Balance(b, 0, 1, scale, low, high);
  EXPECT_EQ(low, 0);
  EXPECT_EQ(high, 1);
  EXPECT_LT(std::fabs(b[0][1]) / std::fabs(b[1][0]), 10.0);
  EXPECT_EQ(EigenHqr(b, 0, 1, low, high, wr, wi), 0);
  std::vector<double> ev = {wr[0], wr[1]};
  std::sort(ev.begin(), ev.end());
  EXPECT_NEAR(ev[0], 0.0, 1e-12);
  EXPECT_NEAR(ev[1], 2.0, 1e-12);
}

}  // namespace
