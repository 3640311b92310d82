// The regression model catalogue: every model's derivatives against finite
// differences, exact-data fits that must return the generating
// coefficients, and the initial estimates' own rules.
#include "numerics/models.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "numerics/mathfunc.h"
#include "numerics/modelcat.h"
#include "numerics/nlfit.h"
#include "numerics/numerics.h"
#include "numerics/regress.h"

using namespace numerics;

namespace {

struct ModelCase {
  const char* name;
  int model;
  TVector p;      // settings for SelectRegressionModel
  TVector b;      // generating coefficients (from index 0)
  double x0, dx;  // abscissas x0, x0 + dx, ...
  int n;
  double tol = 1e-7;  // relative accuracy of the refitted coefficients
};

std::string Name(const ::testing::TestParamInfo<ModelCase>& info) { return info.param.name; }

const std::vector<ModelCase> Cases = {
    {"Linear", 0, {}, {1.5, -2.0}, 1.0, 1.0, 8},
    {"Polynomial3", 2, {3.0}, {1.0, -2.0, 0.5, 0.1}, -2.0, 0.5, 12},
    {"RationalWithConstant", 3, {1.0, 1.0, 1.0}, {1.0, 2.0, 0.5}, 0.5, 0.5, 10},
    {"RationalNoConstant", 3, {2.0, 2.0, 0.0}, {0.0, 1.0, 0.5, 0.3, 0.1}, 0.25, 0.5, 14},
    {"OneExponential", 4, {1.0, 0.0}, {0.0, 5.0, 0.7}, 0.0, 0.5, 15},
    {"TwoExponentialsAndConstant", 4, {2.0, 1.0}, {0.5, 3.0, 1.5, 1.0, 0.2}, 0.0, 0.5, 30, 1e-6},
    {"IncreasingExponential", 5, {1.0}, {2.0, 10.0, 0.3}, 0.5, 0.5, 20},
    {"ExponentialLinear", 6, {}, {5.0, 0.8, 0.3}, 0.5, 0.5, 20},
    {"Power", 7, {}, {2.0, 1.5}, 0.5, 0.5, 10},
    {"Michaelis", 8, {}, {10.0, 2.0}, 0.5, 0.5, 20},
    {"IntegratedMichaelisTime", 9, {10.0, 1.0, 1.0, 1.0, 1.0}, {1.5, 2.0, 0.3}, 1.0, 1.0, 12},
    {"IntegratedMichaelisSubstrate", 9, {0.0, 1.0, 2.0, 1.0, 0.0}, {0.0, 2.0, 0.3}, 1.0, 1.5, 12},
    {"IntegratedMichaelisEnzyme", 9, {10.0, 0.0, 2.0, 1.0, 1.0}, {1.2, 2.0, 0.3}, 0.5, 0.5, 12},
    {"Hill", 10, {}, {10.0, 3.0, 2.0}, 0.5, 0.5, 20},
    {"Logistic", 11, {0.0, 0.0}, {0.0, 10.0, 0.8, 4.0}, 0.5, 0.5, 24},
    {"LogisticGeneral", 11, {1.0, 1.0}, {1.0, 10.0, 0.8, 4.0, 1.5}, 0.5, 0.5, 24, 1e-6},
    {"Titration", 12, {}, {4.0, 10.0, 5.5}, 2.0, 0.25, 29},
};

class CatalogueTest : public ::testing::TestWithParam<ModelCase> {
 protected:
  void SetUp() override {
    InitNumerics();
    InitNonlinear();
    const ModelCase& c = GetParam();
    ASSERT_EQ(SelectRegressionModel(c.model, 0, c.p), 0);
    ASSERT_EQ(LastCoefIndex() + 1, static_cast<int>(c.b.size()));
    x = AllocVector(c.n);
    y = AllocVector(c.n);
    for (int i = 1; i <= c.n; ++i) {
      x[i] = c.x0 + (i - 1) * c.dx;
      y[i] = ModelFunction(x[i], c.b);
    }
  }
  TVector x, y;
};

TEST_P(CatalogueTest, DerivativesAgreeWithFiniteDifferences) {
  const ModelCase& c = GetParam();
  const int lb = FirstCoefIndex(), ub = LastCoefIndex();
  TVector d = AllocVector(ub);
  for (int i = 1; i <= c.n; i += 3) {
    const double yi = ModelFunction(x[i], c.b);
    ModelDerivatives(ModelFunction, x[i], yi, c.b, d);
    for (int j = lb; j <= ub; ++j) {
      const double h = 1e-6 * std::fmax(1.0, std::fabs(c.b[j]));
      TVector bp = c.b, bm = c.b;
      bp[j] += h;
      bm[j] -= h;
      const double fd = (ModelFunction(x[i], bp) - ModelFunction(x[i], bm)) / (2.0 * h);
      EXPECT_NEAR(d[j], fd, 1e-6 * (1.0 + std::fabs(fd))) << "x = " << x[i] << ", B" << j;
    }
  }
}

TEST_P(CatalogueTest, ExactDataFitReturnsTheGeneratingCoefficients) {
  const ModelCase& c = GetParam();
  const int ub = LastCoefIndex();
  TVector theta = AllocVector(0), s = AllocVector(c.n), ycalc = AllocVector(c.n),
          b = AllocVector(ub);
  TVector bmin(ub + 1, -1e6), bmax(ub + 1, 1e6);
  TMatrix v = AllocMatrix(ub, ub);
  FitStatistics test;
  ASSERT_EQ(FitRegressionModel(x, TMatrix{}, y, c.n, true, 1000, 1e-12, theta, b, bmin, bmax, v,
                               ycalc, s, test),
            0);
  for (int j = FirstCoefIndex(); j <= ub; ++j)
    EXPECT_NEAR(b[j], c.b[j], c.tol * (1.0 + std::fabs(c.b[j]))) << "B" << j;
  EXPECT_GT(test.R2, 1.0 - 1e-12);
  for (int i = 1; i <= c.n; ++i) EXPECT_NEAR(ycalc[i], y[i], 1e-6 * (1.0 + std::fabs(y[i])));
}

INSTANTIATE_TEST_SUITE_P(Models, CatalogueTest, ::testing::ValuesIn(Cases), Name);

class ModelRulesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitNumerics();
    InitNonlinear();
  }
  // The initial fit alone: MaxIter 0 leaves it unrefined.
  int Initial(int model, const TVector& p, const TVector& x, const TVector& y, TVector& b,
              int varModel = 0, TVector theta = {0.0}) {
    EXPECT_EQ(SelectRegressionModel(model, varModel, p), 0);
    const int n = static_cast<int>(y.size()) - 1, ub = LastCoefIndex();
    TVector s = AllocVector(n), ycalc = AllocVector(n);
    b = AllocVector(ub);
    TMatrix v = AllocMatrix(ub, ub);
    FitStatistics test;
    return FitRegressionModel(x, TMatrix{}, y, n, true, 0, 1e-8, theta, b, TVector{}, TVector{}, v,
                              ycalc, s, test);
  }
};

TEST_F(ModelRulesTest, SettingsFollowTheParameterVector) {
  ASSERT_EQ(SelectRegressionModel(2, 0, {4.0}), 0);
  EXPECT_EQ(LastCoefIndex(), 4);
  ASSERT_EQ(SelectRegressionModel(2, 0, {1.0}), 0);  // a degree must exceed 1
  EXPECT_EQ(LastCoefIndex(), 4);
  ASSERT_EQ(SelectRegressionModel(2, 0, {2.5}), 0);  // halves round to even
  EXPECT_EQ(LastCoefIndex(), 2);

  ASSERT_EQ(SelectRegressionModel(11, 0, {1.0, 1.0}), 0);
  EXPECT_EQ(FirstCoefIndex(), 0);
  EXPECT_EQ(LastCoefIndex(), 4);
  ASSERT_EQ(SelectRegressionModel(11, 0, {0.999, 0.0}), 0);
  EXPECT_EQ(FirstCoefIndex(), 1);
  EXPECT_EQ(LastCoefIndex(), 3);

  ASSERT_EQ(SelectRegressionModel(4, 0, {3.0, 1.0}), 0);
  EXPECT_EQ(FirstCoefIndex(), 0);
  EXPECT_EQ(LastCoefIndex(), 6);
  ASSERT_EQ(SelectRegressionModel(3, 0, {2.0, 3.0, 0.0}), 0);
  EXPECT_EQ(FirstCoefIndex(), 1);
  EXPECT_EQ(LastCoefIndex(), 5);

  ASSERT_EQ(SelectRegressionModel(9, 0, {5.0, 0.0, 2.0, 1.0, 1.0}), 0);
  EXPECT_EQ(fitmint::Selector, 2);
  ASSERT_EQ(SelectRegressionModel(9, 0, {0.0, 0.0, 2.0, 1.0, 1.0}), 0);
  EXPECT_EQ(fitmint::Selector, 1);
  ASSERT_EQ(SelectRegressionModel(9, 0, {5.0, 1.0, 2.0, 1.0, 1.0}), 0);
  EXPECT_EQ(fitmint::Selector, 0);

  // Names of the catalogue as the front end keeps them.
  EXPECT_STREQ(RegressionModelNames[12], "Acid/Base titration curve");
}

TEST_F(ModelRulesTest, TitrationEstimateTakesTheMidpointCrossing) {
  // A sigmoid from 4 to 10 crossing 7 between x = 5 and x = 6, given out of
  // order: the caller's vectors stay as they were.
  TVector x = {0, 8, 2, 5, 6, 3, 9}, y = {0, 9.9, 4.0, 6.5, 8.0, 4.5, 10.0};
  const TVector x0 = x, y0 = y;
  TVector b;
  ASSERT_EQ(Initial(12, {}, x, y, b), 0);
  EXPECT_EQ(b[0], 4.0);
  EXPECT_EQ(b[1], 10.0);
  EXPECT_EQ(b[2], 5.5);
  EXPECT_EQ(x, x0);
  EXPECT_EQ(y, y0);
  // Two observations: the end values only.
  ASSERT_EQ(Initial(12, {}, TVector{0, 7, 1}, TVector{0, 2, 3}, b), 0);
  EXPECT_EQ(b[0], 3.0);
  EXPECT_EQ(b[1], 2.0);
  EXPECT_EQ(b[2], 0.0);
}

TEST_F(ModelRulesTest, IntegratedMichaelisStaysFiniteForATinyKm) {
  // s0/Km = 1E4: the argument of W would overflow; the substrate is then
  // nearly all left at small times and nearly all used up at large ones.
  ASSERT_EQ(SelectRegressionModel(9, 0, {10.0, 1.0, 1.0, 1.0, 1.0}), 0);
  const TVector b = {1.0, 1e-3, 500.0};  // kcat = B2*Km = 0.5
  const double early = ModelFunction(1.0, b), late = ModelFunction(100.0, b);
  EXPECT_NEAR(early, 0.5, 1e-3);  // zero-order phase: kcat*e0*t
  EXPECT_NEAR(late, 10.0, 1e-6);
  // Continuous across the switch to the logarithmic form.
  const double t = (10.0 / 1e-3 + std::log(10.0 / 1e-3) - 700.0) / 500.0;
  EXPECT_NEAR(ModelFunction(t - 1e-9, b), ModelFunction(t + 1e-9, b), 1e-6);
}

TEST_F(ModelRulesTest, HillAtZero) {
  ASSERT_EQ(SelectRegressionModel(10, 0, {}), 0);
  EXPECT_EQ(ModelFunction(0.0, {10.0, 3.0, 2.0}), 0.0);
  EXPECT_EQ(ModelFunction(0.0, {10.0, 3.0, -1.0}), 10.0);
  TVector d(3, 9.0);
  ModelDerivatives(ModelFunction, 0.0, 0.0, {10.0, 3.0, 2.0}, d);
  EXPECT_EQ(d, (TVector{0.0, 0.0, 0.0}));
}

TEST_F(ModelRulesTest, SortingModelsKeepEachWeightWithItsObservation) {
  // Weighted logistic fit (variance model "Power": weight 1/y^2) of noisy
  // data, once in ascending order and once shuffled: the same estimates.
  TVector xs = {0}, ys = {0};
  for (int i = 1; i <= 16; ++i) {
    double x = 0.5 * i;
    xs.push_back(x);
    ys.push_back(1.0 + 9.0 / (1.0 + std::exp(-0.8 * x + 4.0)) + 0.05 * std::sin(7.0 * i));
  }
  TVector xp = {0}, yp = {0};
  const int order[16] = {5, 12, 1, 16, 8, 3, 14, 10, 2, 7, 15, 4, 11, 6, 13, 9};
  for (int k : order) {
    xp.push_back(xs[k]);
    yp.push_back(ys[k]);
  }
  TVector b1, b2;
  ASSERT_EQ(Initial(11, {1.0, 0.0}, xs, ys, b1, 5, {0.0, 2.0}), 0);
  ASSERT_EQ(Initial(11, {1.0, 0.0}, xp, yp, b2, 5, {0.0, 2.0}), 0);
  for (int j = 0; j <= 3; ++j) EXPECT_NEAR(b1[j], b2[j], 1e-12 * (1 + std::fabs(b1[j]))) << j;
  EXPECT_EQ(xp[1], xs[5]);  // the caller's order is kept
}

TEST_F(ModelRulesTest, SmallDataSetsNeverReadOutsideTheObservations) {
  // Element 0 carries no value: a NaN there shows any read of it.
  const double nan = std::numeric_limits<double>::quiet_NaN();
  for (int n = 1; n <= 6; ++n) {
    TVector x = {nan}, y = {nan};
    for (int i = 1; i <= n; ++i) {
      x.push_back(i);
      y.push_back(5.0 * (1.0 - std::exp(-0.8 * i)) + 0.3 * i);
    }
    TVector b;
    int r = Initial(6, {}, x, y, b);
    if (n < 2) {
      EXPECT_EQ(r, -1) << n;
    } else {
      ASSERT_EQ(r, 0) << n;
      for (int j = 0; j <= 2; ++j) EXPECT_TRUE(std::isfinite(b[j])) << n << " B" << j;
    }
  }
}

TEST_F(ModelRulesTest, EveryInitialFitCopesWithTinyDataSets) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  struct Sel {
    int model;
    TVector p;
  };
  const Sel sels[] = {{0, {}},         {2, {2.0}},       {3, {1.0, 1.0, 1.0}},
                      {4, {1.0, 1.0}}, {5, {1.0}},       {6, {}},
                      {7, {}},         {8, {}},          {9, {10.0, 1.0, 1.0, 1.0, 1.0}},
                      {10, {}},        {11, {1.0, 1.0}}, {12, {}}};
  for (const Sel& s : sels) {
    for (int n = 1; n <= 4; ++n) {
      TVector x = {nan}, y = {nan};
      for (int i = 1; i <= n; ++i) {
        x.push_back(i);
        y.push_back(1.0 + 0.5 * i);
      }
      TVector b;
      const int r = Initial(s.model, s.p, x, y, b);
      if (r != 0) continue;  // a failure code is a fair answer for so few points
      for (int j = FirstCoefIndex(); j <= LastCoefIndex(); ++j)
        EXPECT_FALSE(std::isnan(b[j])) << "model " << s.model << ", n " << n << ", B" << j;
    }
  }
}

TEST_F(ModelRulesTest, LinearisationsSkipObservationsWithoutALogarithm) {
  TVector b;
  // Power: the non-positive observations take no part.
  TVector x = {0, -1.0, 0.0, 1.0, 2.0, 3.0}, y = {0, 5.0, 0.0, 2.0, 2.0 * std::pow(2.0, 1.5), -4.0};
  ASSERT_EQ(Initial(7, {}, x, y, b), 0);
  EXPECT_NEAR(b[0], 2.0, 1e-12);
  EXPECT_NEAR(b[1], 1.5, 1e-12);
  // Only one usable observation: the line fit's failure.
  EXPECT_EQ(Initial(7, {}, TVector{0, 1.0, 2.0}, TVector{0, 1.0, -1.0}, b), -1);

  // Increasing exponential on values below zero: the asymptote guess lies
  // above some of them, which are left out instead of giving a NaN.
  TVector xe = {0, 1, 2, 3, 4}, ye = {0, -5.0, -4.0, -3.0, -2.0};
  // Only -2 lies below the guess -2.2 in the way the logarithm needs: one
  // observation is no line.
  EXPECT_EQ(Initial(5, {0.0}, xe, ye, b), -1);

  // Integrated Michaelis: product at or above the substrate has no
  // logarithm and is skipped.
  ASSERT_EQ(SelectRegressionModel(9, 0, {10.0, 1.0, 1.0, 1.0, 1.0}), 0);
  TVector bt = {1.0, 2.0, 0.3}, xt = {0}, yt = {0};
  for (int i = 1; i <= 8; ++i) {
    xt.push_back(i);
    yt.push_back(ModelFunction(i, bt));
  }
  xt.push_back(9.0);
  yt.push_back(12.0);  // beyond the substrate
  ASSERT_EQ(Initial(9, {10.0, 1.0, 1.0, 1.0, 1.0}, xt, yt, b), 0);
  for (int j = 0; j <= 2; ++j) EXPECT_TRUE(std::isfinite(b[j])) << j;
}

TEST_F(ModelRulesTest, ExponentialsWithoutRealRatesAreAFailure) {
  // A damped oscillation: its two "rate constants" are complex.
  TVector x = {0}, y = {0};
  for (int i = 1; i <= 30; ++i) {
    x.push_back(0.25 * (i - 1));
    y.push_back(std::exp(-0.3 * x[i]) * std::cos(2.0 * x[i]));
  }
  TVector b;
  EXPECT_EQ(Initial(4, {2.0, 0.0}, x, y, b), -2);
}

TEST_F(ModelRulesTest, WeightedInitialFitsMultiplyTheirOwnWeights) {
  // One corrupted observation with weight 0: the weighted linearisations
  // ignore it and recover the generating coefficients exactly.
  struct Lin {
    int model;
    TVector b;
  };
  const Lin lins[] = {{7, {2.0, 1.5}}, {8, {10.0, 2.0}}, {5, {0.0, 10.0, 0.3}}};
  for (const Lin& l : lins) {
    ASSERT_EQ(SelectRegressionModel(l.model, 0, {0.0}), 0);
    TVector x = {0}, y = {0}, w = {0};
    for (int i = 1; i <= 8; ++i) {
      x.push_back(0.5 * i);
      y.push_back(ModelFunction(x[i], l.b));
      w.push_back(1.0);
    }
    y[4] *= 1.5;
    w[4] = 0.0;
    TVector b(l.b.size(), 0.0);
    TMatrix v = AllocMatrix(2, 2);
    const TRegressionModelDef def = l.model == 7   ? fitpower::Definition()
                                    : l.model == 8 ? fitmich::Definition()
                                                   : fitiexpo::Definition();
    ASSERT_EQ(def.InitialFit(1, x, TMatrix{}, y, w, 8, b, v), 0) << l.model;
    if (l.model == 5) {
      // The asymptote is a guess (1.1 times the largest value); only the
      // line through the rest is exact.
      EXPECT_EQ(b[1], 1.1 * y[8]);
    } else {
      for (std::size_t j = 0; j < b.size(); ++j) EXPECT_NEAR(b[j], l.b[j], 1e-9) << l.model;
    }
    // Unweighted, the outlier takes part.
    TVector bu(l.b.size(), 0.0);
    ASSERT_EQ(def.InitialFit(0, x, TMatrix{}, y, w, 8, bu, v), 0);
    EXPECT_NE(bu, b) << l.model;
  }
}

TEST_F(ModelRulesTest, WeightingModesOtherThanTheTwoAreRefusedByTheLinearFamily) {
  const TRegressionModelDef defs[] = {fitlin::Definition(), fitpoly::Definition(),
                                      fitfrac::Definition(), fitexpo::Definition()};
  TVector x = {0, 1, 2, 3, 4, 5}, y = {0, 1, 2, 3, 5, 8}, w = {0, 1, 1, 1, 1, 1}, b(8, 0.0);
  TMatrix v = AllocMatrix(7, 7);
  for (const auto& d : defs) EXPECT_EQ(d.InitialFit(2, x, TMatrix{}, y, w, 5, b, v), -1);
}

}  // namespace
