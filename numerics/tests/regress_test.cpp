// The regression engine through the call sequence the workbench's curve fit
// uses: model selection, solver choice, caller-side allocation, generic fit.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "numerics/fitmult.h"
#include "numerics/mathfunc.h"
#include "numerics/matrices.h"
#include "numerics/models.h"
#include "numerics/numerics.h"
#include "numerics/regress.h"

using namespace numerics;

namespace {

struct Dataset {
  int n = 0;
  int nvar = 0;
  TVector y;
  TMatrix u;
};

// Reads a NIST data file: comment lines start with '#', then "y x1 x2 ...".
Dataset LoadNist(const std::string& name) {
  std::ifstream in(std::string(DRAVLEN_TEST_DATA) + "/" + name);
  std::vector<std::vector<double>> rows;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream ls(line);
    std::vector<double> r;
    double v;
    while (ls >> v) r.push_back(v);
    if (!r.empty()) rows.push_back(r);
  }
  Dataset d;
  d.n = static_cast<int>(rows.size());
  d.nvar = rows.empty() ? 0 : static_cast<int>(rows[0].size()) - 1;
  AllocVector(d.y, d.n);
  AllocMatrix(d.u, d.nvar, d.n);
  for (int k = 1; k <= d.n; ++k) {
    d.y[k] = rows[k - 1][0];
    for (int j = 1; j <= d.nvar; ++j) d.u[j][k] = rows[k - 1][j];
  }
  return d;
}

struct Certified {
  std::string dataset, quantity;
  double value;
  int digits;
};

std::vector<Certified> LoadCertified() {
  std::ifstream in(std::string(DRAVLEN_TEST_DATA) + "/nist_certified.txt");
  std::vector<Certified> out;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream ls(line);
    Certified c;
    if (ls >> c.dataset >> c.quantity >> c.value >> c.digits) out.push_back(c);
  }
  return out;
}

// Number of agreeing significant digits, -log10 of the relative error.
double Digits(double got, double want) {
  if (got == want) return 99.0;
  return -std::log10(std::fabs(got - want) / std::fabs(want));
}

// The workbench's sequence: select model 1 with P = (nvar, 1), choose the
// solver, allocate from the model's own index ranges, fit with X empty,
// Init true, MaxIter 1, Tol 0.1 and no bounds.
struct FitRun {
  int result = 0;
  TVector theta, b, ycalc, s;
  TMatrix v;
  FitStatistics test;
};

FitRun RunWorkbenchFit(const TMatrix& u, const TVector& y, int n, int nvar, int solver) {
  FitRun r;
  TVector p = {static_cast<double>(nvar), 1.0};
  EXPECT_EQ(SelectRegressionModel(1, 0, p), 0);
  SetLinearSolver(solver);
  AllocVector(r.theta, VarianceParamCount());
  AllocVector(r.b, LastCoefIndex());
  AllocMatrix(r.v, LastCoefIndex(), LastCoefIndex());
  AllocVector(r.ycalc, n);
  AllocVector(r.s, n);
  r.result = FitRegressionModel(TVector{}, u, y, n, true, 1, 0.1, r.theta, r.b, TVector{}, TVector{}, r.v,
                                r.ycalc, r.s, r.test);
  return r;
}

class RegressTest : public ::testing::Test {
 protected:
  void SetUp() override { InitNumerics(); }
};

class NistTest : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override { InitNumerics(); }
};

TEST_P(NistTest, CertifiedValuesThroughWorkbenchSequence) {
  const int solver = GetParam();
  std::map<std::string, FitRun> runs;
  std::map<std::string, Dataset> data;
  for (const char* name : {"norris", "longley"}) {
    data[name] = LoadNist(std::string(name) + ".txt");
    ASSERT_GT(data[name].n, 0) << name;
    runs[name] = RunWorkbenchFit(data[name].u, data[name].y, data[name].n, data[name].nvar, solver);
    ASSERT_EQ(runs[name].result, 0) << name;
  }
  auto certified = LoadCertified();
  ASSERT_EQ(certified.size(), 19u);
  for (const Certified& c : certified) {
    const FitRun& r = runs[c.dataset];
    double got;
    if (c.quantity[0] == 'B') {
      got = r.b[std::stoi(c.quantity.substr(1))];
    } else if (c.quantity.rfind("SD", 0) == 0) {
      int j = std::stoi(c.quantity.substr(2));
      got = std::sqrt(r.v[j][j]);
    } else if (c.quantity == "R2") {
      got = r.test.R2;
    } else if (c.quantity == "Sr") {
      got = std::sqrt(r.test.Vr);
    } else {
      got = r.test.F;
    }
    EXPECT_GE(Digits(got, c.value), c.digits)
        << c.dataset << " " << c.quantity << " got " << got << " certified " << c.value
        << " solver " << solver;
  }
  // The standard deviation of every observation is the residual one.
  EXPECT_DOUBLE_EQ(runs["norris"].s[1], std::sqrt(runs["norris"].test.Vr));
  EXPECT_DOUBLE_EQ(runs["norris"].theta[0], runs["norris"].test.Vr);
}

INSTANTIATE_TEST_SUITE_P(Solvers, NistTest, ::testing::Values(0, 1),
                         [](const auto& info) { return info.param == 0 ? "GaussJordan" : "Svd"; });

// A compressor rating table: the nine-term te/tc polynomial of the curve fit.
struct Compressor {
  int n = 0;
  TMatrix u;
  TVector qe, pw;
};

double Poly9(const double* c, double te, double tc) {
  return c[0] + c[1] * te + c[2] * te * te + c[3] * tc + c[4] * tc * tc + c[5] * te * tc +
         c[6] * te * te * tc + c[7] * te * tc * tc + c[8] * te * te * tc * tc;
}

const double QeCoef[9] = {61.3478231, 2.11934577, 0.0272915431, -0.712903557, 0.00219477813,
                          -0.0132618839, 1.41395717e-4, 5.13871929e-5, -3.20189363e-6};
const double PwCoef[9] = {3.88219074, -0.0412095287, -0.00121178243, 0.153017628, 0.00143301991,
                          0.00521779614, 2.66901718e-5, -1.96211847e-5, 4.17734301e-7};

Compressor MakeCompressor(const std::vector<double>& tes, const std::vector<double>& tcs) {
  Compressor c;
  c.n = static_cast<int>(tes.size() * tcs.size());
  AllocMatrix(c.u, 8, c.n);
  AllocVector(c.qe, c.n);
  AllocVector(c.pw, c.n);
  int k = 0;
  for (double tc : tcs) {
    for (double te : tes) {
      ++k;
      c.u[1][k] = te;
      c.u[2][k] = te * te;
      c.u[3][k] = tc;
      c.u[4][k] = tc * tc;
      c.u[5][k] = te * tc;
      c.u[6][k] = te * te * tc;
      c.u[7][k] = te * tc * tc;
      c.u[8][k] = te * te * tc * tc;
      c.qe[k] = Poly9(QeCoef, te, tc);
      c.pw[k] = Poly9(PwCoef, te, tc);
    }
  }
  return c;
}

TEST_F(RegressTest, CurveFitSequenceRecoversKnownCoefficients) {
  // Ten evaporating by six condensing temperatures, quarter-degree steps
  // that are not exact in binary.
  Compressor c = MakeCompressor({-35.1, -30.3, -25.7, -20.2, -15.9, -10.4, -5.3, 0.6, 5.2, 10.1},
                                {25.3, 30.7, 35.1, 40.2, 45.6, 50.9});
  ASSERT_EQ(c.n, 60);
  for (int solver : {0, 1}) {
    // The curve fit's exact sequence: one selection, one allocation, two fits.
    TVector p = {8.0, 1.0};
    SelectRegressionModel(1, 0, p);
    SetLinearSolver(solver);
    TVector theta, b, ycalc, s;
    TMatrix v;
    AllocVector(theta, VarianceParamCount());
    AllocVector(b, LastCoefIndex());
    AllocMatrix(v, LastCoefIndex(), LastCoefIndex());
    AllocVector(ycalc, c.n);
    AllocVector(s, c.n);
    ASSERT_EQ(b.size(), 9u);
    ASSERT_EQ(v.size(), 9u);
    FitStatistics qeStats, pwStats;
    ASSERT_EQ(FitRegressionModel(TVector{}, c.u, c.qe, c.n, true, 1, 0.1, theta, b, TVector{}, TVector{}, v,
                                 ycalc, s, qeStats),
              0);
    for (int j = 0; j <= 8; ++j) EXPECT_GE(Digits(b[j], QeCoef[j]), 9.0) << "capacity c" << j << " solver " << solver;
    ASSERT_EQ(FitRegressionModel(TVector{}, c.u, c.pw, c.n, true, 1, 0.1, theta, b, TVector{}, TVector{}, v,
                                 ycalc, s, pwStats),
              0);
    for (int j = 0; j <= 8; ++j) EXPECT_GE(Digits(b[j], PwCoef[j]), 9.0) << "power c" << j << " solver " << solver;
    // The third value of the record is the adjusted R2, the one the page shows.
    const double* fields = &qeStats.Vr;
    EXPECT_EQ(&fields[2], &qeStats.R2a);
    EXPECT_NEAR(qeStats.R2a, 1.0, 1e-12);
    EXPECT_NEAR(pwStats.R2a, 1.0, 1e-12);
    EXPECT_NEAR(ycalc[7], c.pw[7], 1e-9);
  }
}

TEST_F(RegressTest, NoisyCompressorAdjustedR2FollowsDefinition) {
  Compressor c = MakeCompressor({-30, -25, -20, -15, -10, -5, 0, 5, 10, 15}, {30, 35, 40, 45, 50, 55});
  // Deterministic perturbation so that the fit is not exact.
  for (int k = 1; k <= c.n; ++k) c.qe[k] += 0.05 * std::sin(1.7 * k);
  FitRun r = RunWorkbenchFit(c.u, c.qe, c.n, 8, 0);
  ASSERT_EQ(r.result, 0);
  const int n = c.n, p = 9;
  EXPECT_NEAR(r.test.R2a, 1.0 - (1.0 - r.test.R2) * (n - 1) / (n - p), 1e-15);
  EXPECT_LT(r.test.R2a, r.test.R2);
  EXPECT_GT(r.test.F, 1e3);
  EXPECT_LT(r.test.Prob, 1e-10);
  // The covariance matrix is symmetric and has a positive diagonal.
  for (int i = 0; i <= 8; ++i) {
    EXPECT_GT(r.v[i][i], 0.0);
    for (int j = 0; j < i; ++j) EXPECT_EQ(r.v[i][j], r.v[j][i]);
  }
}

// Faults the engine must report as failures, each leaving Ycalc, S, Test
// and Theta as they were.
TEST_F(RegressTest, UndeterminedFitsFailAndLeaveResultsUntouched) {
  struct Case {
    const char* what;
    Compressor c;
  };
  std::vector<Case> cases;
  // Only two condensing temperatures: the tc^2 terms cannot be separated
  // from the constant and tc terms (three exact dependencies).
  cases.push_back({"two tc values", MakeCompressor({-30, -20, -10, 0, 10}, {35.3, 45.7})});
  cases.push_back({"two tc values, integer", MakeCompressor({-30, -20, -10, 0, 10}, {40, 50})});
  // Fewer observations than coefficients.
  cases.push_back({"fewer points than coefficients", MakeCompressor({-20, 0}, {30, 40, 50})});
  for (int solver : {0, 1}) {
    for (Case& k : cases) {
      TVector p = {8.0, 1.0};
      SelectRegressionModel(1, 0, p);
      SetLinearSolver(solver);
      TVector theta = {-7.0}, b, ycalc, s;
      TMatrix v;
      AllocVector(b, 8);
      AllocMatrix(v, 8, 8);
      ycalc.assign(k.c.n + 1, 3.5);
      s.assign(k.c.n + 1, 4.5);
      FitStatistics test{1, 2, 3, 4, 5};
      int result = FitRegressionModel(TVector{}, k.c.u, k.c.qe, k.c.n, true, 1, 0.1, theta, b, TVector{},
                                      TVector{}, v, ycalc, s, test);
      EXPECT_LT(result, 0) << k.what << " solver " << solver;
      EXPECT_EQ(test.Vr, 1.0) << k.what;
      EXPECT_EQ(test.R2a, 3.0) << k.what;
      EXPECT_EQ(theta[0], -7.0) << k.what;
      EXPECT_EQ(ycalc[1], 3.5) << k.what;
      EXPECT_EQ(s[1], 4.5) << k.what;
    }
  }
}

TEST_F(RegressTest, ZeroRegressorRowAndNaNDataFail) {
  Compressor c = MakeCompressor({-30, -20, -10, 0, 10}, {30, 40, 50});
  for (int k = 1; k <= c.n; ++k) c.u[5][k] = 0.0;
  for (int solver : {0, 1}) EXPECT_EQ(RunWorkbenchFit(c.u, c.qe, c.n, 8, solver).result, -1) << solver;

  Compressor d = MakeCompressor({-30, -20, -10, 0, 10}, {30, 40, 50});
  d.qe[4] = std::nan("");
  for (int solver : {0, 1}) EXPECT_LT(RunWorkbenchFit(d.u, d.qe, d.n, 8, solver).result, 0) << solver;
}

TEST_F(RegressTest, ShortContainersAreRejectedNotOverrun) {
  Compressor c = MakeCompressor({-30, -20, -10, 0, 10}, {30, 40, 50});
  TVector p = {8.0, 1.0};
  SelectRegressionModel(1, 0, p);
  SetLinearSolver(0);
  TVector theta(1), b(9), ycalc(c.n + 1), s(c.n + 1);
  TMatrix v = AllocMatrix(8, 8);
  FitStatistics t;
  TVector shortY(c.n);  // one element short
  EXPECT_EQ(FitRegressionModel({}, c.u, shortY, c.n, true, 1, 0.1, theta, b, {}, {}, v, ycalc, s, t), -1);
  TVector shortB(8);
  EXPECT_EQ(FitRegressionModel({}, c.u, c.qe, c.n, true, 1, 0.1, theta, shortB, {}, {}, v, ycalc, s, t), -1);
  TMatrix shortU = AllocMatrix(7, c.n);
  EXPECT_EQ(FitRegressionModel({}, shortU, c.qe, c.n, true, 1, 0.1, theta, b, {}, {}, v, ycalc, s, t), -1);
}

TEST_F(RegressTest, ExactDataAndAsManyPointsAsCoefficients) {
  // y = 1 + 2 x1 - x2 exactly on six points.
  TMatrix u = AllocMatrix(2, 6);
  TVector y = AllocVector(6);
  const double x1[] = {0, 1, 2, 3, 4, 5}, x2[] = {1, 0, 3, 1, 4, 2};
  for (int k = 1; k <= 6; ++k) {
    u[1][k] = x1[k - 1];
    u[2][k] = x2[k - 1];
    y[k] = 1 + 2 * x1[k - 1] - x2[k - 1];
  }
  FitRun r = RunWorkbenchFit(u, y, 6, 2, 0);
  ASSERT_EQ(r.result, 0);
  EXPECT_NEAR(r.b[0], 1.0, 1e-13);
  EXPECT_NEAR(r.b[1], 2.0, 1e-13);
  EXPECT_NEAR(r.b[2], -1.0, 1e-13);
  EXPECT_NEAR(r.test.R2, 1.0, 1e-14);
  EXPECT_NEAR(r.test.Vr, 0.0, 1e-25);
  EXPECT_LT(r.test.Prob, 1e-10);
  EXPECT_NEAR(r.s[3], 0.0, 1e-12);

  // n = p: three points, three coefficients.
  FitRun e = RunWorkbenchFit(u, y, 3, 2, 0);
  ASSERT_EQ(e.result, 0);
  EXPECT_EQ(e.test.Vr, 0.0);
  EXPECT_EQ(e.test.R2, 1.0);
  EXPECT_EQ(e.test.R2a, 1.0);
  EXPECT_EQ(e.test.F, 0.0);
  EXPECT_EQ(e.test.Prob, 1.0);
  for (int i = 0; i <= 2; ++i)
    for (int j = 0; j <= 2; ++j) EXPECT_EQ(e.v[i][j], 0.0);
}

TEST_F(RegressTest, EqualObservationsGiveDefinedStatistics) {
  TMatrix u = AllocMatrix(1, 5);
  TVector y = AllocVector(5);
  for (int k = 1; k <= 5; ++k) {
    u[1][k] = k;
    y[k] = 4.25;
  }
  for (int solver : {0, 1}) {
    FitRun r = RunWorkbenchFit(u, y, 5, 1, solver);
    ASSERT_EQ(r.result, 0);
    for (double v : {r.test.Vr, r.test.R2, r.test.R2a, r.test.F, r.test.Prob}) EXPECT_FALSE(std::isnan(v));
    EXPECT_EQ(r.test.R2, 1.0);
    EXPECT_EQ(r.test.F, 0.0);
    EXPECT_EQ(r.test.Prob, 1.0);
  }
  // A single coefficient (the constant alone): no F to divide.
  FitRun m = RunWorkbenchFit(u, y, 5, 0, 0);
  ASSERT_EQ(m.result, 0);
  EXPECT_NEAR(m.b[0], 4.25, 1e-15);
  EXPECT_FALSE(std::isnan(m.test.F));
}

TEST_F(RegressTest, SelectionSettingsAndSolverChoice) {
  EXPECT_EQ(LinearSolver, 1);
  EXPECT_EQ(RegressionModel, 0);
  EXPECT_EQ(FirstPoint, 1);
  // P[1] = 0.999 is no constant term; halves of Nvar round to even.
  SelectRegressionModel(1, 0, TVector{2.5, 0.999});
  EXPECT_EQ(fitmult::Nvar, 2);
  EXPECT_FALSE(fitmult::ConsTerm);
  EXPECT_EQ(FirstCoefIndex(), 1);
  EXPECT_EQ(LastCoefIndex(), 2);
  SelectRegressionModel(1, 0, TVector{3.5, 1.0});
  EXPECT_EQ(LastCoefIndex(), 4);
  EXPECT_EQ(FirstCoefIndex(), 0);
  EXPECT_EQ(SelectRegressionModel(13, 0, TVector{}), -1);
  EXPECT_EQ(SelectRegressionModel(1, 6, TVector{}), -1);
  EXPECT_EQ(RegressionModel, 1);

  // No constant term: B[0] neither written nor used.
  TMatrix u = AllocMatrix(1, 4);
  TVector y = AllocVector(4);
  for (int k = 1; k <= 4; ++k) {
    u[1][k] = k;
    y[k] = 3.0 * k;
  }
  SelectRegressionModel(1, 0, TVector{1.0, 0.0});
  SetLinearSolver(0);
  TVector theta(1), b = {99.0, 0.0}, ycalc(5), s(5);
  TMatrix v = AllocMatrix(1, 1);
  FitStatistics t;
  ASSERT_EQ(FitRegressionModel({}, u, y, 4, true, 1, 0.1, theta, b, {}, {}, v, ycalc, s, t), 0);
  EXPECT_EQ(b[0], 99.0);
  EXPECT_NEAR(b[1], 3.0, 1e-14);

  // An unknown solver leaves B as given and still tests it.
  SetLinearSolver(5);
  b = {99.0, 2.0};
  ASSERT_EQ(FitRegressionModel({}, u, y, 4, true, 1, 0.1, theta, b, {}, {}, v, ycalc, s, t), 0);
  EXPECT_EQ(b[1], 2.0);
  EXPECT_NEAR(ycalc[2], 4.0, 0.0);
}

TEST_F(RegressTest, WeightedFitThroughVarianceModel) {
  // Variance model 1 (1 + theta*y) with theta = 0 weighs every point 1: same
  // coefficients as the unweighted fit; theta > 0 changes them.
  Compressor c = MakeCompressor({-30, -20, -10, 0, 10}, {30, 40, 50});
  for (int k = 1; k <= c.n; ++k) c.qe[k] += 0.3 * std::cos(2.1 * k);
  FitRun plain = RunWorkbenchFit(c.u, c.qe, c.n, 8, 0);
  ASSERT_EQ(plain.result, 0);
  for (int solver : {0, 1}) {
    SelectRegressionModel(1, 1, TVector{8.0, 1.0});
    SetLinearSolver(solver);
    EXPECT_EQ(VarianceParamCount(), 1);
    TVector theta = {0.0, 0.0}, b(9), ycalc(c.n + 1), s(c.n + 1);
    TMatrix v = AllocMatrix(8, 8);
    FitStatistics t;
    ASSERT_EQ(FitRegressionModel({}, c.u, c.qe, c.n, true, 1, 0.1, theta, b, {}, {}, v, ycalc, s, t), 0);
    for (int j = 0; j <= 8; ++j) EXPECT_GE(Digits(b[j], plain.b[j]), 8.0) << j;
    theta[1] = 0.05;
    ASSERT_EQ(FitRegressionModel({}, c.u, c.qe, c.n, true, 1, 0.1, theta, b, {}, {}, v, ycalc, s, t), 0);
    EXPECT_GT(std::fabs(b[0] - plain.b[0]), 1e-6);
    // Each observation's deviation is sqrt(Vr / w).
    EXPECT_NEAR(s[2], std::sqrt(t.Vr * (1.0 + 0.05 * c.qe[2])), 1e-12);
    // A non-positive variance is bad input.
    theta[1] = -1.0;
    EXPECT_EQ(FitRegressionModel({}, c.u, c.qe, c.n, true, 1, 0.1, theta, b, {}, {}, v, ycalc, s, t), -1);
  }
}

TEST_F(RegressTest, LineAndPolynomialFits) {
  TVector x = {0, 1, 2, 3, 4}, y = {0, 3, 5, 7, 9};
  TVector b(2);
  TMatrix v = AllocMatrix(1, 1);
  ASSERT_EQ(LineFit(x, y, 4, b, v), 0);
  EXPECT_NEAR(b[0], 1.0, 1e-14);
  EXPECT_NEAR(b[1], 2.0, 1e-14);
  EXPECT_NEAR(v[0][0], 30.0 / 20.0, 1e-14);  // Sxx / D with D = 4*30 - 100
  // All abscissas equal (not exact in binary), or a single point: -1, B untouched.
  TVector same = {0, 0.1, 0.1, 0.1}, b2 = {7, 8};
  EXPECT_EQ(LineFit(same, y, 3, b2, v), -1);
  EXPECT_EQ(LineFit(x, y, 1, b2, v), -1);
  EXPECT_EQ(b2[0], 7.0);

  TVector xp = AllocVector(6), yp = AllocVector(6);
  for (int i = 1; i <= 6; ++i) {
    xp[i] = i * 0.5;
    yp[i] = 2 - xp[i] + 0.25 * xp[i] * xp[i];
  }
  for (int solver : {0, 1}) {
    SetLinearSolver(solver);
    TVector bp(3);
    TMatrix vp = AllocMatrix(2, 2);
    ASSERT_EQ(PolynomialFit(xp, yp, 6, 2, bp, vp), 0);
    EXPECT_NEAR(bp[0], 2.0, 1e-12);
    EXPECT_NEAR(bp[1], -1.0, 1e-12);
    EXPECT_NEAR(bp[2], 0.25, 1e-12);
  }
  TMatrix pm;
  PowerMatrix(xp, 6, 3, pm);
  EXPECT_EQ(pm[3][4], 8.0);
}

// The normal equations summed term by term, observation after observation,
// scaled and solved as the solver does: what the fit gave before its sums ran
// along the regressors' rows. The fit must give the same bits.
void TermByTermFit(bool weighted, const TMatrix& U, const TVector& Y, const TVector& W, int N, int Nvar,
                   bool consTerm, TVector& B, TMatrix& V) {
  const int lb = consTerm ? 0 : 1;
  TMatrix a;
  TVector b;
  AllocMatrix(a, Nvar, Nvar);
  AllocVector(b, Nvar);
  if (consTerm) {
    double s0 = 0.0, sy = 0.0;
    for (int k = 1; k <= N; ++k) {
      s0 += weighted ? W[k] : 1.0;
      sy += (weighted ? W[k] : 1.0) * Y[k];
    }
    a[0][0] = weighted ? s0 : N;
    b[0] = sy;
    for (int j = 1; j <= Nvar; ++j) {
      double s = 0.0;
      for (int k = 1; k <= N; ++k) s += (weighted ? W[k] : 1.0) * U[j][k];
      a[0][j] = a[j][0] = s;
    }
  }
  for (int k = 1; k <= N; ++k) {
    const double w = weighted ? W[k] : 1.0;
    for (int i = 1; i <= Nvar; ++i) {
      const double wx = w * U[i][k];
      for (int j = i; j <= Nvar; ++j) a[i][j] += wx * U[j][k];
      b[i] += wx * Y[k];
    }
  }
  for (int i = 2; i <= Nvar; ++i)
    for (int j = 1; j < i; ++j) a[i][j] = a[j][i];
  TVector d;
  AllocVector(d, Nvar);
  for (int i = lb; i <= Nvar; ++i) {
    int e;
    std::frexp(1.0 / std::sqrt(a[i][i]), &e);
    d[i] = std::ldexp(1.0, e - 1);
  }
  for (int i = lb; i <= Nvar; ++i) {
    b[i] *= d[i];
    for (int j = lb; j <= Nvar; ++j) a[i][j] *= d[i] * d[j];
  }
  double det = 0.0;
  ASSERT_EQ(GaussJordanSolve(a, b, lb, Nvar, V, B, det), 0);
  for (int i = lb; i <= Nvar; ++i) {
    B[i] *= d[i];
    for (int j = lb; j <= Nvar; ++j) V[i][j] *= d[i] * d[j];
  }
}

TEST_F(RegressTest, NormalEquationsGiveTheSameBitsAsTermByTermSums) {
  Compressor c = MakeCompressor({-35.1, -30.3, -25.7, -20.2, -15.9, -10.4, -5.3, 0.6, 5.2, 10.1},
                                {25.3, 30.7, 35.1, 40.2, 45.6, 50.9});
  TVector w, y = c.qe;
  AllocVector(w, c.n);
  for (int k = 1; k <= c.n; ++k) {
    w[k] = 1.0 / (0.5 + 0.37 * k);
    y[k] += 0.013 * ((k * 7919) % 13 - 6);
  }
  SetLinearSolver(SolverGaussJordan);
  for (bool weighted : {false, true}) {
    for (bool consTerm : {true, false}) {
      for (int nvar : {1, 3, 4, 5, 8}) {
        SCOPED_TRACE(testing::Message() << "weighted " << weighted << ", constant " << consTerm << ", " << nvar);
        TVector b, ref;
        TMatrix v, refV;
        AllocVector(b, nvar);
        AllocVector(ref, nvar);
        AllocMatrix(v, nvar, nvar);
        AllocMatrix(refV, nvar, nvar);
        ASSERT_EQ(NormalEquationsFit(weighted, c.u, y, w, c.n, nvar, consTerm, b, v), 0);
        TermByTermFit(weighted, c.u, y, w, c.n, nvar, consTerm, ref, refV);
        EXPECT_EQ(b, ref);
        EXPECT_EQ(v, refV);
      }
    }
  }
}

}  // namespace
