// Simulated annealing and the Metropolis-Hastings walk, reseeded to a fixed
// seed so that every run repeats.
#include "numerics/simann.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "nonlinear_helpers.h"
#include "numerics/mathfunc.h"
#include "numerics/matrices.h"
#include "numerics/mcmc.h"
#include "numerics/nlfit.h"
#include "numerics/numerics.h"
#include "numerics/optim.h"
#include "numerics/random.h"
#include "testsupport/testenv.h"

using namespace numerics;

namespace {

class SimAnnTest : public nonlinearfixture::SeededTest {};

// A bowl with a coupling term, so that the value depends on the whole
// point: minimum 0 at (1, -2).
double Coupled(const TVector& X) {
  const double a = X[1] - 1.0, b = X[2] + 2.0;
  return a * a + 3.0 * b * b + a * b;
}

double Rosenbrock(const TVector& X) {
  const double r1 = 10.0 * (X[1] - X[0] * X[0]), r2 = 1.0 - X[0];
  return r1 * r1 + r2 * r2;
}

TEST_F(SimAnnTest, AnnealingFindsTheMinimumWithinTheBounds) {
  TVector x = {0.0, 4.0, 4.0}, xmin = {0.0, -5.0, -5.0}, xmax = {0.0, 5.0, 5.0};
  double fmin;
  ASSERT_EQ(SimulatedAnnealing(Coupled, x, xmin, xmax, 1, 2, 1000, 1e-6, fmin), 0);
  EXPECT_NEAR(x[1], 1.0, 1e-2);
  EXPECT_NEAR(x[2], -2.0, 1e-2);
  EXPECT_LT(fmin, 1e-4);
  EXPECT_GT(LastIterCount, 0);
  // The returned point is the one whose value is reported.
  EXPECT_EQ(Coupled(x), fmin);

  TVector r = {-1.2, 1.0}, rmin = {-2.0, -2.0}, rmax = {2.0, 2.0};
  ASSERT_EQ(SimulatedAnnealing(Rosenbrock, r, rmin, rmax, 0, 1, 2000, 1e-7, fmin), 0);
  EXPECT_NEAR(r[0], 1.0, 0.05);
  EXPECT_NEAR(r[1], 1.0, 0.1);
  EXPECT_EQ(Rosenbrock(r), fmin);
}

TEST_F(SimAnnTest, BestPointIsKeptWhole) {
  // Every recorded improvement must come with the coordinates that gave
  // it; keeping only the changed coordinate would mix points.
  for (std::uint32_t seed = 1; seed <= 20; ++seed) {
    SetSeed(seed, seed * 7);
    SetReseedProc(nullptr);
    TVector x = {3.0, 3.0, 3.0}, xmin = {-4, -4, -4}, xmax = {4, 4, 4};
    auto f = [](const TVector& v) {
      return (v[0] - v[1]) * (v[0] - v[1]) + (v[1] + v[2] - 1) * (v[1] + v[2] - 1) +
             0.1 * v[0] * v[0];
    };
    double fmin;
    int r = SimulatedAnnealing(f, x, xmin, xmax, 0, 2, 3, 1e-12, fmin);  // cut short on purpose
    EXPECT_EQ(r, OptNonConv);
    EXPECT_EQ(f(x), fmin) << "seed " << seed;
  }
}

TEST_F(SimAnnTest, SettingsAndHelpers) {
  EXPECT_EQ(SA_NS, 5);
  EXPECT_EQ(SA_NT, 15);
  EXPECT_EQ(SA_RT, 0.9);
  EXPECT_EQ(SA_NCycles, 1);
  EXPECT_EQ(MH_NCycles, 5);
  EXPECT_EQ(MH_MaxSim, 100);
  EXPECT_EQ(MH_SavedSim, 100);

  // No increase along the probes: temperature 1.
  TVector x = {0.0, 0.0}, xmin = {-1.0, -1.0}, range = {2.0, 2.0};
  EXPECT_EQ(InitTemp([](const TVector&) { return 3.0; }, x, xmin, 0, 1, range), 1.0);
  // Increases: their median over ln 2; X is left at the last probe.
  SetSeed(5, 6);
  int calls = 0;
  double t = InitTemp(
      [&](const TVector&) {
        ++calls;
        return calls % 2 == 0 ? 2.0 : 0.0;  // every second probe rises by 2
      },
      x, xmin, 0, 1, range);
  EXPECT_EQ(calls, 51);
  EXPECT_DOUBLE_EQ(t, 2.0 / 0.6931471805599453);
  EXPECT_GE(x[0], -1.0);
  EXPECT_LE(x[0], 1.0);

  // 9 and 6 of 15 are exactly 60 % and 40 %: the step stays.
  EXPECT_EQ(AdjustStep(1.0, 10.0, 9), 1.0);
  EXPECT_EQ(AdjustStep(1.0, 10.0, 6), 1.0);
  EXPECT_DOUBLE_EQ(AdjustStep(1.0, 10.0, 15), 3.0);
  EXPECT_EQ(AdjustStep(4.0, 10.0, 15), 10.0);  // capped at the range
  EXPECT_DOUBLE_EQ(AdjustStep(1.0, 10.0, 0), 1.0 / 3.0);

  EXPECT_TRUE(SAConv({0.0, 100.0}, {0.5e-3, 0.09}, 0, 1, 1e-3));
  EXPECT_FALSE(SAConv({0.0, 100.0}, {1e-3, 0.09}, 0, 1, 1e-3));

  int up = 0, acc = 0;
  EXPECT_TRUE(Accept(up, acc, -1.0, 1.0));
  EXPECT_EQ(up, 0);
  EXPECT_FALSE(Accept(up, acc, 1e6, 1.0));
  EXPECT_EQ(up, 1);
  EXPECT_EQ(acc, 0);
  EXPECT_TRUE(Accept(up, acc, 0.0, 1.0));  // exp(0) = 1 > any uniform
  EXPECT_EQ(up, 2);
  EXPECT_EQ(acc, 1);
}

TEST_F(SimAnnTest, BadBoundsAreAFailure) {
  TVector x = {1.0, 1.0}, lo = {0.0, 0.0}, hi = {2.0, 2.0}, shortv = {2.0};
  double fmin;
  EXPECT_EQ(SimulatedAnnealing(Rosenbrock, x, lo, shortv, 0, 1, 10, 1e-6, fmin), OptSingular);
  EXPECT_EQ(SimulatedAnnealing(Rosenbrock, x, TVector{}, hi, 0, 1, 10, 1e-6, fmin), OptSingular);
  EXPECT_EQ(SimulatedAnnealing(Rosenbrock, x, hi, lo, 0, 1, 10, 1e-6, fmin), OptSingular);
}

TEST_F(SimAnnTest, AnnealingLogGoesToTheLogFileWhenEnabled) {
  const std::string dir = testsupport::MakeTempDir("salog");
  LogFileName = dir + "/optim.log";
  WriteLog = true;
  TVector x = {0.0, 4.0, 4.0}, xmin = {0.0, -5.0, -5.0}, xmax = {0.0, 5.0, 5.0};
  double fmin;
  ASSERT_EQ(SimulatedAnnealing(Coupled, x, xmin, xmax, 1, 2, 1000, 1e-4, fmin), 0);
  const std::string text = testsupport::ReadAll(LogFileName);
  EXPECT_EQ(
      text.rfind("Simulated annealing: Cycle 1\n\nIter         T              F        Inc   Acc\n"
                 "   0   ",
                 0),
      0u)
      << text.substr(0, 120);
  // Iter(4) + 3 + T(12) + 3 + F(12) + two counts of 6.
  const std::size_t start = text.find("\n   0   ") + 1;
  EXPECT_EQ(text.find('\n', start) - start, 46u);
}

TEST_F(SimAnnTest, MetropolisHastingsSamplesTheTargetDistribution) {
  // exp(-f/T) with f = (x - 3)^2 / 2 and T = 1: a normal of mean 3 and
  // variance 1.
  MH_MaxSim = 2000;
  MH_SavedSim = 2000;
  TVector x = {0.0}, xmin = {0.0};
  TMatrix v = {{4.0}}, m = AllocMatrix(0, MH_SavedSim);
  double fmin;
  auto f = [](const TVector& p) { return 0.5 * (p[0] - 3.0) * (p[0] - 3.0); };
  ASSERT_EQ(MetropolisHastings(f, 1.0, x, v, 0, 0, m, xmin, fmin), 0);
  EXPECT_NEAR(x[0], 3.0, 0.2);
  EXPECT_NEAR(v[0][0], 1.0, 0.25);
  EXPECT_EQ(f(xmin), fmin);
  // Every accepted draw of the last cycle was saved: the mean is theirs.
  double sum = 0.0;
  for (int j = 1; j <= MH_SavedSim; ++j) sum += m[0][j];
  EXPECT_DOUBLE_EQ(x[0], sum / MH_SavedSim);
}

TEST_F(SimAnnTest, MetropolisHastingsFailures) {
  int calls = 0;
  TFunc f = [&](const TVector& p) {
    ++calls;
    return p[0] * p[0];
  };
  TVector x = {1.0, 1.0}, xmin = {0.0, 0.0};
  TMatrix v = {{1.0, 0.0}, {0.0, 0.0}}, m = AllocMatrix(1, MH_SavedSim);
  double fmin;
  // A zero on the diagonal: no spread, no evaluation.
  EXPECT_EQ(MetropolisHastings(f, 1.0, x, v, 0, 1, m, xmin, fmin), OptNonConv);
  EXPECT_EQ(calls, 0);

  // An objective that rejects every proposal ends at the trial bound.
  MH_MaxTrials = 500;
  TVector y = {0.0};
  TMatrix v1 = {{1.0}}, m1 = AllocMatrix(0, MH_SavedSim);
  TFunc spike = [](const TVector& p) { return p[0] == 0.0 ? 0.0 : 1e300; };
  EXPECT_EQ(MetropolisHastings(spike, 1.0, y, v1, 0, 0, m1, y, fmin), OptNonConv);

  // Too small a draw matrix is bad input.
  TMatrix small = AllocMatrix(0, 5);
  EXPECT_EQ(MetropolisHastings(f, 1.0, y, v1, 0, 0, small, y, fmin), OptSingular);
}

TEST_F(SimAnnTest, SimulationFitWritesItsDrawsOnlyWhenNamed) {
  const std::string dir = testsupport::MakeTempDir("simfit");
  auto f = [](const TVector& b) {
    return (b[1] - 2.0) * (b[1] - 2.0) + (b[2] + 1.0) * (b[2] + 1.0);
  };
  TVector b = AllocVector(2), bmin = {0, -5, -5}, bmax = {0, 5, 5};
  TMatrix v = AllocMatrix(2, 2);
  double fmin;
  SetSimulationFileName("");
  ASSERT_EQ(SimulationFit(f, b, bmin, bmax, 1, 2, fmin, v), 0);
  EXPECT_NEAR(b[1], 2.0, 1.0);
  EXPECT_NEAR(b[2], -1.0, 1.0);
  EXPECT_GT(v[1][1], 0.0);
  EXPECT_EQ(v[1][2], v[2][1]);

  SetSimulationFileName(dir + "/draws.txt");
  ASSERT_EQ(SimulationFit(f, b, bmin, bmax, 1, 2, fmin, v), 0);
  const std::string text = testsupport::ReadAll(dir + "/draws.txt");
  EXPECT_EQ(
      text.rfind("Simulation (Metropolis-Hastings)\n Iter             b1             b2\n", 0), 0u);
  const std::size_t first = text.find("\n    1 ") + 1;
  ASSERT_NE(first, std::string::npos + 1);
  // j in 5, then per parameter a blank and 14 characters with 6 decimals.
  const std::string line = text.substr(first, text.find('\n', first) - first);
  EXPECT_EQ(line.size(), 5u + 2u * 15u) << line;
  EXPECT_EQ(line[5], ' ');
  EXPECT_EQ(line[5 + 15 - 7], '.');
}

}  // namespace
