// The library's generator: its sequence is fixed by the seed, so results of
// the stochastic minimisers can be repeated.
#include "numerics/random.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "numerics/matrices.h"
#include "numerics/numerics.h"

using namespace numerics;

namespace {

class RandomTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitNumerics();
    InitRandom();
  }
};

// The recurrence written out independently of the library.
struct RefMwc {
  std::uint64_t x = 1802, y = 9373, cx = 0, cy = 0;
  std::int32_t Next() {
    std::uint64_t t = (18000 * x + cx) % 4294967296ull;
    x = t % 65536;
    cx = t / 65536;
    t = (30903 * y + cy) % 4294967296ull;
    y = t % 65536;
    cy = t / 65536;
    std::int64_t v = static_cast<std::int64_t>(x * 65536 + y);
    if (v >= 2147483648ll) v -= 4294967296ll;
    return static_cast<std::int32_t>(v);
  }
};

TEST_F(RandomTest, StartUpSequenceMatchesTheRecurrence) {
  // By hand: t = 18000*1802 = 32436000 -> X = 61728, CX = 494;
  // t = 30903*9373 = 289653819 -> Y = 45371, CY = 4419;
  // (61728 shl 16) + 45371 = 4011902011 -> -283065285 as a signed value.
  EXPECT_EQ(IRanMWC(), -283065285);
  EXPECT_EQ(IRanMWC(), 2079260528);
  EXPECT_EQ(IRanMWC(), 269317527);

  InitRandom();
  EXPECT_DOUBLE_EQ(RanMWC(), 0.43409372749738395);

  InitRandom();
  RefMwc ref;
  for (int i = 0; i < 10000; ++i) ASSERT_EQ(IRanMWC(), ref.Next()) << "draw " << i;
}

TEST_F(RandomTest, SeedRestartsTheSequenceAndUniformsStayBelowOne) {
  SetSeed(1802, 9373);
  double first[5];
  for (double& v : first) v = RanMWC();
  SetSeed(1802, 9373);
  for (double v : first) EXPECT_EQ(RanMWC(), v);

  SetSeed(4711, 815);
  for (int i = 0; i < 100000; ++i) {
    double u = RanMWC();
    ASSERT_GE(u, 0.0);
    ASSERT_LT(u, 1.0);
  }
}

TEST_F(RandomTest, GaussianPairsConsumeTwoUniformsAndKeepTheSpare) {
  // Box-Muller by hand from the first two uniforms of the seed.
  SetSeed(1802, 9373);
  double u1 = RanMWC(), u2 = RanMWC();
  double r = std::sqrt(-2.0 * std::log(u1)), a = 6.283185307179586 * u2;
  SetSeed(1802, 9373);
  EXPECT_DOUBLE_EQ(RanGaussStd(), r * std::cos(a));
  EXPECT_DOUBLE_EQ(RanGaussStd(), r * std::sin(a));
  // The third call draws again (uniforms 3 and 4), so the next uniform is
  // the fifth of the sequence.
  InitRandom();
  double u[6];
  for (int i = 1; i <= 5; ++i) u[i] = RanMWC();
  InitRandom();
  RanGaussStd();
  RanGaussStd();
  RanGaussStd();
  EXPECT_EQ(RanMWC(), u[5]);

  // Reseeding between the two values of a pair leaves the spare pending.
  InitRandom();
  RanGaussStd();
  SetSeed(1, 2);
  EXPECT_DOUBLE_EQ(RanGaussStd(), r * std::sin(a));

  EXPECT_DOUBLE_EQ(RanGauss(10.0, 0.0), 10.0);
}

TEST_F(RandomTest, GaussianMomentsAreStandard) {
  SetSeed(123, 456);
  const int n = 200000;
  double s = 0.0, s2 = 0.0;
  for (int i = 0; i < n; ++i) {
    double g = RanGauss(2.0, 3.0);
    s += g;
    s2 += g * g;
  }
  double mean = s / n, var = s2 / n - mean * mean;
  EXPECT_NEAR(mean, 2.0, 0.03);
  EXPECT_NEAR(var, 9.0, 0.15);
}

TEST_F(RandomTest, MultinormalDrawsUseTheCholeskyFactor) {
  // Covariance [[4, 2], [2, 3]] over indices 1..2.
  TMatrix c = AllocMatrix(2, 2), l = AllocMatrix(2, 2);
  c[1][1] = 4.0;
  c[1][2] = c[2][1] = 2.0;
  c[2][2] = 3.0;
  ASSERT_EQ(CholeskyDecomp(c, 1, 2, l), 0);
  TVector m = {0.0, 1.0, -1.0}, x = AllocVector(2);

  // One draw equals the factor applied to two standard deviates.
  SetSeed(7, 8);
  double g1 = RanGaussStd(), g2 = RanGaussStd();
  SetSeed(7, 8);
  RanMult(m, l, 1, 2, x);
  EXPECT_DOUBLE_EQ(x[1], 1.0 + l[1][1] * g1);
  EXPECT_DOUBLE_EQ(x[2], -1.0 + l[2][1] * g1 + l[2][2] * g2);

  const int n = 100000;
  double s1 = 0, s2 = 0, s11 = 0, s12 = 0, s22 = 0;
  for (int i = 0; i < n; ++i) {
    RanMult(m, l, 1, 2, x);
    s1 += x[1];
    s2 += x[2];
    s11 += x[1] * x[1];
    s12 += x[1] * x[2];
    s22 += x[2] * x[2];
  }
  double m1 = s1 / n, m2 = s2 / n;
  EXPECT_NEAR(m1, 1.0, 0.03);
  EXPECT_NEAR(m2, -1.0, 0.03);
  EXPECT_NEAR(s11 / n - m1 * m1, 4.0, 0.1);
  EXPECT_NEAR(s12 / n - m1 * m2, 2.0, 0.1);
  EXPECT_NEAR(s22 / n - m2 * m2, 3.0, 0.1);

  // Independent coordinates: a zero spread returns the mean.
  TVector s = {0.0, 0.0, 2.0};
  RanMultIndep(m, s, 1, 2, x);
  EXPECT_EQ(x[1], 1.0);
  EXPECT_NE(x[2], -1.0);
}

TEST_F(RandomTest, ReseedUsesTheInstalledRoutine) {
  SetReseedProc([] { SetSeed(1802, 9373); });
  IRanMWC();
  Reseed();
  EXPECT_EQ(IRanMWC(), -283065285);
  SetReseedProc(nullptr);
  Reseed();  // the platform's source: any seed, but no failure
  RanMWC();
}

}  // namespace
