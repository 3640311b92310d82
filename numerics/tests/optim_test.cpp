// The three minimisers and their line search on the classic test functions.
#include "numerics/optim.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

#include "numerics/mathfunc.h"
#include "numerics/numerics.h"
#include "testsupport/locales.h"
#include "testsupport/testenv.h"

using namespace numerics;

namespace {

// Rosenbrock as a sum of two squared residuals over X[1..2]:
// r1 = 10(x2 - x1^2), r2 = 1 - x1; minimum 0 at (1, 1).
double Rosenbrock(const TVector& X) {
  double r1 = 10.0 * (X[2] - X[1] * X[1]), r2 = 1.0 - X[1];
  return r1 * r1 + r2 * r2;
}

void RosenbrockGradient(const TFunc&, const TVector& X, int, int, TVector& G) {
  double r1 = 10.0 * (X[2] - X[1] * X[1]), r2 = 1.0 - X[1];
  G[1] = 2.0 * (r1 * (-20.0 * X[1]) - r2);
  G[2] = 2.0 * (r1 * 10.0);
}

// Half gradient and half Gauss-Newton Hessian, as the regression
// objectives give them.
void RosenbrockHessGrad(const TFunc&, const TVector& X, int, int, TVector& G, TMatrix& H) {
  double r1 = 10.0 * (X[2] - X[1] * X[1]), r2 = 1.0 - X[1];
  double j11 = -20.0 * X[1], j12 = 10.0, j21 = -1.0, j22 = 0.0;
  G[1] = r1 * j11 + r2 * j21;
  G[2] = r1 * j12 + r2 * j22;
  H[1][1] = j11 * j11 + j21 * j21;
  H[1][2] = H[2][1] = j11 * j12 + j21 * j22;
  H[2][2] = j12 * j12 + j22 * j22;
}

// A bowl over X[0..2] centred at (1, -2, 3) with unequal curvatures.
const double Centre[3] = {1.0, -2.0, 3.0};
const double Curv[3] = {1.0, 4.0, 25.0};

double Bowl(const TVector& X) {
  double s = 0.0;
  for (int i = 0; i < 3; ++i) s += Curv[i] * (X[i] - Centre[i]) * (X[i] - Centre[i]);
  return s + 5.0;
}

void BowlGradient(const TFunc&, const TVector& X, int, int, TVector& G) {
  for (int i = 0; i < 3; ++i) G[i] = 2.0 * Curv[i] * (X[i] - Centre[i]);
}

void BowlHessGrad(const TFunc&, const TVector& X, int, int, TVector& G, TMatrix& H) {
  for (int i = 0; i < 3; ++i) {
    G[i] = Curv[i] * (X[i] - Centre[i]);
    for (int j = 0; j < 3; ++j) H[i][j] = i == j ? Curv[i] : 0.0;
  }
}

class OptimTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitNumerics();
    InitOptim();
  }
  void TearDown() override { InitOptim(); }
};

enum class Method { Simplex, Marquardt, Bfgs };

struct Case {
  Method method;
  bool rosenbrock;
  double tol;
  double accuracy;
};

class MinimiserTest : public OptimTest, public ::testing::WithParamInterface<Case> {};

TEST_P(MinimiserTest, FindsTheMinimum) {
  const Case c = GetParam();
  TVector x;
  int lb, ub;
  TFunc f;
  TGradient grad;
  THessGrad hess;
  if (c.rosenbrock) {
    x = {0.0, -1.2, 1.0};
    lb = 1;
    ub = 2;
    f = Rosenbrock;
    grad = RosenbrockGradient;
    hess = RosenbrockHessGrad;
  } else {
    x = {10.0, 10.0, 10.0};
    lb = 0;
    ub = 2;
    f = Bowl;
    grad = BowlGradient;
    hess = BowlHessGrad;
  }
  TMatrix hinv = AllocMatrix(ub, ub);
  double fmin = -1.0;
  int calls = 0;
  TFunc counted = [&](const TVector& v) {
    ++calls;
    return f(v);
  };
  int result = -99;
  switch (c.method) {
    case Method::Simplex:
      result = NelderMeadSimplex(counted, x, lb, ub, 5000, c.tol, fmin);
      break;
    case Method::Marquardt:
      result = MarquardtFit(counted, hess, x, lb, ub, 1000, c.tol, fmin, hinv);
      break;
    case Method::Bfgs:
      result = BfgsMinimize(counted, grad, x, lb, ub, 1000, c.tol, fmin, hinv);
      break;
  }
  EXPECT_EQ(result, 0);
  EXPECT_GT(calls, 0);
  EXPECT_GT(LastIterCount, 0);
  EXPECT_LE(LastIterCount, c.method == Method::Simplex ? 5000 : 1000);
  if (c.rosenbrock) {
    EXPECT_NEAR(x[1], 1.0, c.accuracy);
    EXPECT_NEAR(x[2], 1.0, c.accuracy);
    EXPECT_NEAR(fmin, 0.0, c.accuracy * c.accuracy);
  } else {
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(x[i], Centre[i], c.accuracy) << i;
    EXPECT_NEAR(fmin, 5.0, c.accuracy * c.accuracy * 25.0);
  }
  // The reported value is the value of the reported point.
  EXPECT_NEAR(f(x), fmin, 1e-9 + 1e-9 * std::fabs(fmin));
}

INSTANTIATE_TEST_SUITE_P(All, MinimiserTest,
                         ::testing::Values(Case{Method::Simplex, true, 1e-9, 1e-6},
                                           Case{Method::Simplex, false, 1e-9, 1e-6},
                                           Case{Method::Marquardt, true, 1e-9, 1e-7},
                                           Case{Method::Marquardt, false, 1e-9, 1e-9},
                                           Case{Method::Bfgs, true, 1e-9, 1e-5},
                                           Case{Method::Bfgs, false, 1e-9, 1e-6}));

TEST_F(OptimTest, IterationLimitsAreReported) {
  TVector x = {0.0, -1.2, 1.0};
  TMatrix hinv = AllocMatrix(2, 2);
  double fmin;
  EXPECT_EQ(NelderMeadSimplex(Rosenbrock, x, 1, 2, 10, 1e-12, fmin), OptNonConv);
  EXPECT_DOUBLE_EQ(Rosenbrock(x), fmin);
  x = {0.0, -1.2, 1.0};
  EXPECT_EQ(BfgsMinimize(Rosenbrock, RosenbrockGradient, x, 1, 2, 3, 1e-12, fmin, hinv),
            OptNonConv);
  // One damped step, then the limit.
  x = {0.0, -1.2, 1.0};
  EXPECT_EQ(MarquardtFit(Rosenbrock, RosenbrockHessGrad, x, 1, 2, 1, 1e-12, fmin, hinv),
            OptNonConv);
  EXPECT_LT(fmin, Rosenbrock(TVector{0.0, -1.2, 1.0}));
  EXPECT_DOUBLE_EQ(Rosenbrock(x), fmin);
}

TEST_F(OptimTest, MarquardtGivesTheInverseHessianAndSurvivesAnExactFit) {
  TVector x = {10.0, 10.0, 10.0};
  TMatrix hinv = AllocMatrix(2, 2);
  double fmin;
  ASSERT_EQ(MarquardtFit(Bowl, BowlHessGrad, x, 0, 2, 100, 1e-10, fmin, hinv), 0);
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) EXPECT_NEAR(hinv[i][j], i == j ? 1.0 / Curv[i] : 0.0, 1e-12);

  // A sum of squares that reaches exactly 0 converges instead of raising
  // lambda until it gives up.
  auto sq = [](const TVector& v) { return (v[0] - 3.0) * (v[0] - 3.0); };
  THessGrad sqHess = [](const TFunc&, const TVector& v, int, int, TVector& g, TMatrix& h) {
    g[0] = v[0] - 3.0;
    h[0][0] = 1.0;
  };
  TVector y = {1.0};
  TMatrix h1 = AllocMatrix(0, 0);
  EXPECT_EQ(MarquardtFit(sq, sqHess, y, 0, 0, 50, 1e-10, fmin, h1), 0);
  EXPECT_EQ(y[0], 3.0);
  EXPECT_EQ(fmin, 0.0);
}

TEST_F(OptimTest, MarquardtReportsASingularSystem) {
  TVector x = {0.0, 1.0, 2.0};
  TMatrix hinv = AllocMatrix(2, 2);
  double fmin;
  THessGrad flat = [](const TFunc&, const TVector&, int, int, TVector& g, TMatrix& h) {
    g[1] = 1.0;
    g[2] = 0.0;
    h[1][1] = 1.0;
    h[1][2] = h[2][1] = 1.0;
    h[2][2] = 1.0;
  };
  auto f = [](const TVector& v) { return v[1] + v[2]; };
  EXPECT_EQ(MarquardtFit(f, flat, x, 1, 2, 10, 1e-8, fmin, hinv), OptSingular);
}

TEST_F(OptimTest, ShortVectorsAreBadInput) {
  TVector x = {1.0};
  TMatrix h = AllocMatrix(0, 0);
  double fmin;
  EXPECT_EQ(NelderMeadSimplex(Bowl, x, 0, 2, 10, 1e-6, fmin), OptSingular);
  EXPECT_EQ(BfgsMinimize(Bowl, BowlGradient, x, 0, 2, 10, 1e-6, fmin, h), OptSingular);
  TVector x3 = {1.0, 1.0, 1.0};
  EXPECT_EQ(MarquardtFit(Bowl, BowlHessGrad, x3, 0, 2, 10, 1e-6, fmin, h), OptSingular);
}

TEST_F(OptimTest, ParamConvMixesAbsoluteAndRelativeTolerance) {
  const double tol = 1.0 / 1024.0;  // exact sums keep the boundary sharp
  EXPECT_TRUE(ParamConv({0.0}, {tol / 2}, 0, 0, tol));
  EXPECT_FALSE(ParamConv({0.0}, {tol}, 0, 0, tol));
  EXPECT_FALSE(ParamConv({1000.0}, {1000.0 + 1000.0 * tol}, 0, 0, tol));
  EXPECT_TRUE(ParamConv({1000.0}, {1000.0 + 500.0 * tol}, 0, 0, tol));
  EXPECT_EQ(InfNorm({1.0, -7.0, 3.0}, 0, 2), 7.0);
  EXPECT_EQ(InfNorm({1.0, -7.0, 3.0}, 2, 2), 3.0);
}

TEST_F(OptimTest, GoldenSectionBracketsAndFindsTheMinimum) {
  auto f = [](double x) { return (x - 2.0) * (x - 2.0); };
  double a = 0.0, b = 1.0, c, fa, fb, fc;
  EXPECT_EQ(MinBrack(f, a, b, c, fa, fb, fc), 0);
  EXPECT_DOUBLE_EQ(a, 1.0);
  EXPECT_DOUBLE_EQ(b, 2.618033988749895);
  EXPECT_DOUBLE_EQ(c, 5.23606797749979);
  EXPECT_DOUBLE_EQ(fb, f(b));

  // Started the other way round, the bracket is still ordered.
  a = 1.0;
  b = 0.0;
  EXPECT_EQ(MinBrack(f, a, b, c, fa, fb, fc), 0);
  EXPECT_LT(a, c);
  EXPECT_LT(fb, fa);
  EXPECT_LT(fb, fc);

  double xmin, ymin;
  EXPECT_EQ(GoldSearch(f, 0.0, 1.0, 200, 1e-8, xmin, ymin), 0);
  EXPECT_NEAR(xmin, 2.0, 1e-7);
  EXPECT_NEAR(ymin, 0.0, 1e-14);
  // Too few iterations for the tolerance.
  EXPECT_EQ(GoldSearch(f, 0.0, 1.0, 3, 1e-8, xmin, ymin), OptNonConv);
}

TEST_F(OptimTest, BracketingOfAnEverDecreasingFunctionEnds) {
  auto down = [](double x) { return -x; };
  double a = 0.0, b = 1.0, c, fa, fb, fc;
  EXPECT_EQ(MinBrack(down, a, b, c, fa, fb, fc), OptNonConv);
  EXPECT_TRUE(std::isfinite(b));
  double xmin, ymin;
  EXPECT_EQ(GoldSearch(down, 0.0, 1.0, 100, 1e-6, xmin, ymin), OptNonConv);
  TVector x = {0.0, 0.0}, dx = {1.0, 1.0};
  double fmin;
  auto plane = [](const TVector& v) { return -v[0] - v[1]; };
  EXPECT_EQ(LinMin(plane, x, dx, 0, 1, 100, 0.01, fmin), OptNonConv);
  EXPECT_EQ(x[0], 0.0);  // not moved on failure
}

TEST_F(OptimTest, LineMinimisationMovesAlongTheDirection) {
  TVector x = {0.0, 0.0, 0.0}, dx = {1.0, -1.0, 1.0};
  double fmin;
  EXPECT_EQ(LinMin(Bowl, x, dx, 0, 2, 100, 1e-8, fmin), 0);
  // Along t*(1,-1,1): minimum of (t-1)^2 + 4(t-2)^2 + 25(t-3)^2 at t = 84/30.
  const double t = 84.0 / 30.0;
  EXPECT_NEAR(x[0], t, 1e-6);
  EXPECT_NEAR(x[1], -t, 1e-6);
  EXPECT_NEAR(fmin, Bowl(x), 1e-9);
}

TEST_F(OptimTest, DegenerateStartsEndAtOnce) {
  // All simplex vertices equal: D = 0 after the first iteration.
  TVector x = {0.0, 0.0};
  int calls = 0;
  TFunc f = [&](const TVector& v) {
    ++calls;
    return (v[0] - 1.0) * (v[0] - 1.0) + v[1] * v[1];
  };
  double fmin;
  EXPECT_EQ(NelderMeadSimplex(f, x, 0, 1, 2, 1e-6, fmin), 0);
  EXPECT_EQ(x[0], 0.0);
  EXPECT_EQ(fmin, 1.0);

  // Zero gradient: BFGS returns with the identity as inverse Hessian.
  TVector y = {1.0, -2.0, 3.0};
  TMatrix hinv = AllocMatrix(2, 2);
  hinv[0][1] = 7.0;
  EXPECT_EQ(BfgsMinimize(Bowl, BowlGradient, y, 0, 2, 10, 1e-6, fmin, hinv), 0);
  EXPECT_EQ(fmin, 5.0);
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) EXPECT_EQ(hinv[i][j], i == j ? 1.0 : 0.0);
}

TEST_F(OptimTest, LogIsWrittenOnlyWhenEnabled) {
  const std::string dir = testsupport::MakeTempDir("optimlog");
  LogFileName = dir + "/optim.log";
  TVector x = {0.0, -1.2, 1.0};
  TMatrix hinv = AllocMatrix(2, 2);
  double fmin;
  ASSERT_EQ(MarquardtFit(Rosenbrock, RosenbrockHessGrad, x, 1, 2, 100, 1e-8, fmin, hinv), 0);
  EXPECT_EQ(std::fopen(LogFileName.c_str(), "r"), nullptr);

  WriteLog = true;
  x = {0.0, -1.2, 1.0};
  ASSERT_EQ(MarquardtFit(Rosenbrock, RosenbrockHessGrad, x, 1, 2, 100, 1e-8, fmin, hinv), 0);
  std::string text = testsupport::ReadAll(LogFileName);
  EXPECT_EQ(text.rfind("Marquardt\nIter         F            Lambda\n   1   ", 0), 0u) << text;

  x = {0.0, -1.2, 1.0};
  ASSERT_EQ(NelderMeadSimplex(Rosenbrock, x, 1, 2, 5000, 1e-8, fmin), 0);
  text = testsupport::ReadAll(LogFileName);
  EXPECT_EQ(text.rfind("Simplex\nIter         F\n   1   ", 0), 0u) << text.substr(0, 80);
  // Each line: 4-character count, three blanks, a 12-character real.
  std::string line3 = text.substr(text.find("\n   1   ") + 1);
  line3 = line3.substr(0, line3.find('\n'));
  EXPECT_EQ(line3.size(), 19u) << line3;

  x = {0.0, -1.2, 1.0};
  ASSERT_EQ(BfgsMinimize(Rosenbrock, RosenbrockGradient, x, 1, 2, 1000, 1e-8, fmin, hinv), 0);
  text = testsupport::ReadAll(LogFileName);
  EXPECT_EQ(text.rfind("BFGS\nIter         F\n", 0), 0u);
}

}  // namespace

namespace {

// The log's reals and the simulation file's are written as printf writes
// them in C, under every test locale: printf itself, under C, is the reference.
TEST(PrintfReal, AsPrintfInTheCLocale) {
  const double values[] = {1234.5678, -0.000123456, 0.0, -0.0, 1e300, -1e-320, 0.0078125, 2.5, 99999.99999951,
                           std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
                           std::numeric_limits<double>::quiet_NaN()};
  std::vector<std::string> fixedInC, scientificInC;
  {
    testsupport::ScopedLocale c("C");
    for (double v : values) {
      char buf[400];
      std::snprintf(buf, sizeof buf, "%14.6f", v);
      fixedInC.push_back(buf);
      std::snprintf(buf, sizeof buf, "%12.4E", v);
      scientificInC.push_back(buf);
    }
  }
  for (const char* name : testsupport::kTestLocales) {
    SCOPED_TRACE(name);
    testsupport::ScopedLocale locale(name);
    for (size_t i = 0; i < std::size(values); ++i) {
      EXPECT_EQ(numerics::PrintfReal(values[i], true, 6, 14), fixedInC[i]);
      EXPECT_EQ(numerics::LogReal(values[i]), scientificInC[i]);
    }
  }
  EXPECT_EQ(numerics::LogReal(1234.5678), "  1.2346E+03");
}

}  // namespace
