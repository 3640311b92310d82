// Nonlinear least squares through the regression front end and directly:
// NIST StRD problems from the models' own initial estimates, the objective
// routines and the choice of minimiser.
#include "numerics/nlfit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "nonlinear_helpers.h"
#include "numerics/mathfunc.h"
#include "numerics/mcmc.h"
#include "numerics/models.h"
#include "numerics/numerics.h"
#include "numerics/optim.h"
#include "numerics/random.h"
#include "numerics/regress.h"
#include "testsupport/testenv.h"

using namespace numerics;

namespace {

// Observation vector from index 1.
TVector Obs(std::initializer_list<double> v) {
  TVector r = {0.0};
  r.insert(r.end(), v);
  return r;
}

const TVector MisraX = Obs({77.6, 114.9, 141.1, 190.8, 239.9, 289.0, 332.8, 378.4, 434.8, 477.3,
                            536.8, 593.1, 689.1, 760.0});
const TVector MisraY = Obs({10.07, 14.73, 17.94, 23.93, 29.61, 35.18, 40.02, 44.82, 50.76, 55.05,
                            61.01, 66.40, 75.47, 81.78});
const TVector DanX = Obs({1.309, 1.471, 1.490, 1.565, 1.611, 1.680});
const TVector DanY = Obs({2.138, 3.421, 3.597, 4.340, 4.882, 5.660});

struct FitResult {
  int code = -99;
  TVector b;
  TMatrix v;
  FitStatistics test;
  TVector ycalc;
};

FitResult Fit(int model, const TVector& p, const TVector& x, const TVector& y, int maxIter,
              double tol, double bound = 1e10) {
  FitResult r;
  EXPECT_EQ(SelectRegressionModel(model, 0, p), 0);
  const int n = static_cast<int>(x.size()) - 1, ub = LastCoefIndex();
  TVector theta = AllocVector(0), s = AllocVector(n), bmin = AllocVector(ub),
          bmax = AllocVector(ub);
  for (int j = 0; j <= ub; ++j) {
    bmin[j] = -bound;
    bmax[j] = bound;
  }
  r.b = AllocVector(ub);
  r.v = AllocMatrix(ub, ub);
  r.ycalc = AllocVector(n);
  r.code = FitRegressionModel(x, TMatrix{}, y, n, true, maxIter, tol, theta, r.b, bmin, bmax, r.v,
                              r.ycalc, s, r.test);
  return r;
}

class NlFitTest : public nonlinearfixture::SeededTest {};

// NIST StRD certified values: parameter (p), residual standard deviation
// (sd) or a parameter's standard error (se), with the correct significant
// digits the fit must reach (the requirement is 6 for the parameters; the
// fit does better, and the table holds it to that) with Marquardt from the model's own initial
// estimates. Misra1a is y = b1*(1 - exp(-b2*x)), the increasing exponential
// without constant (coefficients 1 and 2); DanWood is y = b1*x^b2, the power
// model (coefficients 0 and 1).
struct Certified {
  const char* dataset;
  const char* quantity;
  int index;
  double value;
  int digits;
};

const Certified CertifiedValues[] = {
    {"Misra1a", "p", 1, 2.3894212918E+02, 9},  {"Misra1a", "p", 2, 5.5015643181E-04, 9},
    {"Misra1a", "sd", 0, 1.0187876330E-01, 8}, {"Misra1a", "se", 1, 2.7070075241E+00, 7},
    {"Misra1a", "se", 2, 7.2668688436E-06, 7}, {"DanWood", "p", 0, 7.6886226176E-01, 9},
    {"DanWood", "p", 1, 3.8604055871E+00, 9},  {"DanWood", "sd", 0, 3.2853114039E-02, 8},
    {"DanWood", "se", 0, 1.8281973860E-02, 7}, {"DanWood", "se", 1, 5.1726610913E-02, 7},
};

TEST_F(NlFitTest, NistProblemsWithMarquardtFromTheModelsOwnEstimates) {
  const FitResult misra = Fit(5, {0.0}, MisraX, MisraY, 1000, 1e-12);
  const FitResult danwood = Fit(7, {}, DanX, DanY, 1000, 1e-12);
  ASSERT_EQ(misra.code, 0);
  ASSERT_EQ(danwood.code, 0);
  for (const Certified& c : CertifiedValues) {
    const FitResult& r = std::string(c.dataset) == "Misra1a" ? misra : danwood;
    const std::string q = c.quantity;
    const double got = q == "p"    ? r.b[c.index]
                       : q == "sd" ? std::sqrt(r.test.Vr)
                                   : std::sqrt(r.v[c.index][c.index]);
    EXPECT_NEAR(got, c.value, 0.5 * std::pow(10.0, -c.digits) * std::fabs(c.value))
        << c.dataset << " " << q << c.index;
  }
}

TEST_F(NlFitTest, OtherDeterministicMinimisersReachDanWood) {
  for (int opt : {1, 2}) {
    SetOptimizer(opt);
    FitResult r = Fit(7, {}, DanX, DanY, 20000, 1e-12);
    ASSERT_EQ(r.code, 0) << "optimizer " << opt;
    EXPECT_NEAR(r.b[0], 7.6886226176E-01, 1e-5) << opt;
    EXPECT_NEAR(r.b[1], 3.8604055871E+00, 1e-4) << opt;
    // The simplex gives no curvature: the covariance comes from the
    // Gauss-Newton Hessian afterwards.
    EXPECT_GT(r.v[0][0], 0.0) << opt;
  }
}

TEST_F(NlFitTest, StochasticMinimisersStayWithinTheBoundsAndApproachTheFit) {
  // Annealing within tight bounds around the DanWood solution.
  SetOptimizer(3);
  FitResult r = Fit(7, {}, DanX, DanY, 1000, 1e-6, 10.0);
  ASSERT_EQ(r.code, 0);
  EXPECT_NEAR(r.b[0], 7.6886226176E-01, 1e-3);
  EXPECT_NEAR(r.b[1], 3.8604055871E+00, 5e-3);

  // The simulation samples exp(-SSE/2), far wider than this fit's valley:
  // its mean is no estimate of the optimum, but it stays within the bounds,
  // V holds the draws' spread, and a fixed seed repeats the run exactly.
  SetOptimizer(4);
  const std::string dir = testsupport::MakeTempDir("sim");
  SetSimulationFileName(dir + "/sim.txt");
  // The random start is drawn before the walk reseeds.
  SetSeed(1, 2);
  FitResult s = Fit(7, {}, DanX, DanY, 1, 1e-6, 10.0);
  ASSERT_EQ(s.code, 0);
  for (int j = 0; j <= 1; ++j) {
    EXPECT_LE(std::fabs(s.b[j]), 10.0);
    EXPECT_GT(s.v[j][j], 0.0);
  }
  SetSeed(1, 2);
  FitResult again = Fit(7, {}, DanX, DanY, 1, 1e-6, 10.0);
  EXPECT_EQ(again.b, s.b);
  std::string text = testsupport::ReadAll(dir + "/sim.txt");
  EXPECT_EQ(text.rfind("Simulation (Metropolis-Hastings)\n Iter             b0             b1\n"
                       "    1 ",
                       0),
            0u)
      << text.substr(0, 120);
  int lines = 0;
  for (char c : text) lines += c == '\n';
  EXPECT_EQ(lines, 2 + MH_SavedSim);
}

TEST_F(NlFitTest, ObjectiveScoresPointsOutsideTheBoundsWithoutTheModel) {
  static int calls = 0;
  TRegFunc f = [](double x, const TVector& b) {
    ++calls;
    return b[0] * x;
  };
  TVector x = Obs({1, 2, 3}), y = Obs({2, 4, 6}), bmin = {0.0}, bmax = {10.0};
  SetObjectiveData(f, NumericalDerivatives, false, x, y, TVector{}, 3, 0, 0, bmin, bmax);
  calls = 0;
  EXPECT_EQ(SumOfSquares({11.0}), 1E30);
  EXPECT_EQ(SumOfSquares({-1.0}), 1E30);
  EXPECT_EQ(calls, 0);
  EXPECT_TRUE(OutOfBounds({10.5}));
  EXPECT_FALSE(OutOfBounds({10.0}));
  EXPECT_DOUBLE_EQ(SumOfSquares({1.0}), 1.0 + 4.0 + 9.0);
  EXPECT_EQ(calls, 3);

  // Huge residuals are cut to the limit as soon as the sum passes it.
  calls = 0;
  TVector ybig = Obs({1e20, 0, 0});
  SetObjectiveData(f, NumericalDerivatives, false, x, ybig, TVector{}, 3, 0, 0, bmin, bmax);
  EXPECT_EQ(SumOfSquares({1.0}), 1E30);
  EXPECT_EQ(calls, 1);

  // Weighted: W[i]*r^2.
  TVector w = Obs({1, 0.5, 2});
  SetObjectiveData(f, NumericalDerivatives, true, x, y, w, 3, 0, 0, bmin, bmax);
  EXPECT_DOUBLE_EQ(WeightedSumOfSquares({1.0}), 1.0 + 2.0 + 18.0);
}

TEST_F(NlFitTest, GradientAndHessianAreTheLeastSquaresOnes) {
  // y = b0*exp(b1*x), three observations.
  TRegFunc f = [](double x, const TVector& b) { return b[0] * std::exp(b[1] * x); };
  TDerivProc d = [](TRegFunc, double x, double, const TVector& b, TVector& D) {
    D[0] = std::exp(b[1] * x);
    D[1] = b[0] * x * std::exp(b[1] * x);
  };
  TVector x = Obs({0.0, 1.0, 2.0}), y = Obs({1.0, 3.0, 7.0}), w = Obs({1.0, 2.0, 0.5});
  TVector bmin = {-100, -100}, bmax = {100, 100}, b = {1.2, 0.8};
  for (bool weighted : {false, true}) {
    SetObjectiveData(f, d, weighted, x, y, w, 3, 0, 1, bmin, bmax);
    TFunc obj = weighted ? TFunc(WeightedSumOfSquares) : TFunc(SumOfSquares);
    TVector g(2), g2(2);
    TMatrix h = AllocMatrix(1, 1);
    // Evaluated elsewhere last: the routines still work at b.
    obj({5.0, 5.0});
    if (weighted) {
      WeightedSumOfSquaresGradient(obj, b, 0, 1, g);
      WeightedSumOfSquaresHessGrad(obj, b, 0, 1, g2, h);
    } else {
      SumOfSquaresGradient(obj, b, 0, 1, g);
      SumOfSquaresHessGrad(obj, b, 0, 1, g2, h);
    }
    for (int j = 0; j < 2; ++j) {
      TVector bp = b, bm = b;
      const double step = 1e-6;
      bp[j] += step;
      bm[j] -= step;
      const double fd = (obj(bp) - obj(bm)) / (2 * step);
      EXPECT_NEAR(g[j], fd, 1e-6 * std::fabs(fd) + 1e-8) << weighted << j;
      EXPECT_NEAR(g2[j], g[j] / 2, 1e-12 * std::fabs(g[j])) << weighted << j;
    }
    double h01 = 0.0, h00 = 0.0;
    for (int i = 1; i <= 3; ++i) {
      double wi = weighted ? w[i] : 1.0, e = std::exp(b[1] * x[i]);
      h00 += wi * e * e;
      h01 += wi * e * b[0] * x[i] * e;
    }
    EXPECT_NEAR(h[0][0], h00, 1e-12 * h00);
    EXPECT_NEAR(h[0][1], h01, 1e-12 * h01);
    EXPECT_EQ(h[1][0], h[0][1]);
  }
}

TEST_F(NlFitTest, NumericalDerivativesUseForwardDifferences) {
  TRegFunc f = [](double x, const TVector& b) { return b[0] * x * x + std::sin(b[1] * x); };
  TVector x = Obs({1.0}), y = Obs({1.0}), bmin = {-9, -9}, bmax = {9, 9};
  SetObjectiveData(f, NumericalDerivatives, false, x, y, TVector{}, 1, 0, 1, bmin, bmax);
  TVector b = {2.0, 0.0}, d(2);
  NumericalDerivatives(f, 1.5, f(1.5, b), b, d);
  EXPECT_NEAR(d[0], 2.25, 1e-6);
  EXPECT_NEAR(d[1], 1.5, 1e-6);  // a zero coefficient takes an absolute step
}

TEST_F(NlFitTest, OptimizerOutsideTheRangeLeavesTheCoefficients) {
  SelectRegressionModel(7, 0, {});
  TVector b = {0.5, 2.0}, bmin = {-10, -10}, bmax = {10, 10};
  TMatrix v = AllocMatrix(1, 1);
  for (int opt : {7, -1}) {
    SetOptimizer(opt);
    EXPECT_EQ(NonlinearFit(ModelFunction, ModelDerivatives, DanX, DanY, 6, 0, 1, 100, 1e-8, b, bmin,
                           bmax, v),
              0);
    EXPECT_EQ(b[0], 0.5);
    EXPECT_EQ(b[1], 2.0);
  }
}

TEST_F(NlFitTest, SimplexOnACoefficientWithoutInfluenceReportsASingularHessian) {
  TRegFunc f = [](double x, const TVector& b) { return b[0] * x; };  // b[1] unused
  TDerivProc d = [](TRegFunc, double x, double, const TVector&, TVector& D) {
    D[0] = x;
    D[1] = 0.0;
  };
  TVector b = {1.0, 1.0}, bmin = {-10, -10}, bmax = {10, 10};
  TMatrix v = AllocMatrix(1, 1);
  SetOptimizer(1);
  EXPECT_EQ(NonlinearFit(f, d, DanX, DanY, 6, 0, 1, 1000, 1e-10, b, bmin, bmax, v), -1);
}

TEST_F(NlFitTest, MissingOrShortBoundVectorsAreAFailure) {
  SelectRegressionModel(7, 0, {});
  TVector b = {0.5, 2.0}, full = {-10, -10}, shortv = {-10};
  TMatrix v = AllocMatrix(1, 1);
  for (int opt = 0; opt <= 4; ++opt) {
    SetOptimizer(opt);
    EXPECT_EQ(NonlinearFit(ModelFunction, ModelDerivatives, DanX, DanY, 6, 0, 1, 100, 1e-8, b,
                           TVector{}, TVector{}, v),
              -1)
        << opt;
    EXPECT_EQ(NonlinearFit(ModelFunction, ModelDerivatives, DanX, DanY, 6, 0, 1, 100, 1e-8, b, full,
                           shortv, v),
              -1)
        << opt;
  }
  // Through the front end: the failure leaves the statistics alone.
  SetOptimizer(0);
  TVector theta = AllocVector(0), s = AllocVector(6), ycalc = AllocVector(6), bb = AllocVector(1);
  FitStatistics test;
  test.R2 = 42.0;
  EXPECT_EQ(FitRegressionModel(DanX, TMatrix{}, DanY, 6, true, 100, 1e-8, theta, bb, TVector{},
                               TVector{}, v, ycalc, s, test),
            -1);
  EXPECT_EQ(test.R2, 42.0);
  // Other bad input: a short observation vector, a bad mode.
  EXPECT_EQ(NonlinearFit(ModelFunction, ModelDerivatives, DanX, DanY, 9, 0, 1, 100, 1e-8, b, full,
                         full, v),
            -1);
  EXPECT_EQ(GenericNonlinearFit(ModelFunction, ModelDerivatives, 2, DanX, DanY, DanY, 6, 0, 1, 100,
                                1e-8, b, full, full, v),
            -1);
}

TEST_F(NlFitTest, WeightedFitsUseTheVarianceModel) {
  // Power variance model with exponent 2: weights 1/y^2 (relative errors).
  ASSERT_EQ(SelectRegressionModel(7, 5, {}), 0);
  const int n = 6;
  TVector theta = {0.0, 2.0}, s = AllocVector(n), ycalc = AllocVector(n), b = AllocVector(1);
  TVector bmin = {-1e10, -1e10}, bmax = {1e10, 1e10};
  TMatrix v = AllocMatrix(1, 1);
  FitStatistics test;
  ASSERT_EQ(FitRegressionModel(DanX, TMatrix{}, DanY, n, true, 1000, 1e-12, theta, b, bmin, bmax, v,
                               ycalc, s, test),
            0);
  // The weighted optimum: no small step lowers the weighted sum.
  SetObjectiveData(ModelFunction, ModelDerivatives, true, DanX, DanY,
                   Obs({1 / (2.138 * 2.138), 1 / (3.421 * 3.421), 1 / (3.597 * 3.597),
                        1 / (4.340 * 4.340), 1 / (4.882 * 4.882), 1 / (5.660 * 5.660)}),
                   n, 0, 1, bmin, bmax);
  const double best = WeightedSumOfSquares(b);
  for (int j = 0; j < 2; ++j)
    for (double step : {-1e-5, 1e-5}) {
      TVector c = b;
      c[j] += step;
      EXPECT_GE(WeightedSumOfSquares(c), best);
    }
  EXPECT_NE(b[1], 3.8604055871E+00);
}

}  // namespace
