// One model's fit as the workbench runs it (model 1, eight regressors and a
// constant, Gauss-Jordan on the normal equations; capacity then power, each
// with its statistics), against Eigen's ColPivHouseholderQR solving the same
// two 60 x 9 least-squares systems. Prints the coefficients' largest
// difference between the two, as a check that both solve the same problem.
#include <Eigen/Dense>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "bench/peer_compare.h"
#include "numerics/models.h"
#include "numerics/numerics.h"
#include "numerics/regress.h"

using namespace numerics;

namespace {

constexpr int kPoints = 60;
constexpr int kModelsPerRound = 2000;

struct Table {
  TMatrix u = AllocMatrix(8, kPoints);
  TVector yq = AllocVector(kPoints), yp = AllocVector(kPoints);
};

// A rating table of 10 te by 6 tc, with a little deterministic scatter.
Table MakeTable() {
  const double qe[9] = {61.3, 2.12, 0.0273, -0.713, 0.00219, -0.0133, 1.41e-4, 5.14e-5, -3.2e-6};
  const double pw[9] = {3.88, -0.0412, -0.00121, 0.153, 0.00143, 0.00522, 2.67e-5, -1.96e-5, 4.18e-7};
  Table t;
  int k = 0;
  for (int j = 0; j < 6; ++j) {
    for (int i = 0; i < 10; ++i) {
      const double te = -35.0 + 5.0 * i + 0.1 * j, tc = 25.0 + 5.0 * j;
      const double r[9] = {1, te, te * te, tc, tc * tc, te * tc, te * te * tc, te * tc * tc, te * te * tc * tc};
      ++k;
      for (int c = 1; c <= 8; ++c) t.u[c][k] = r[c];
      t.yq[k] = t.yp[k] = 0.0;
      for (int c = 0; c <= 8; ++c) {
        t.yq[k] += qe[c] * r[c];
        t.yp[k] += pw[c] * r[c];
      }
      t.yq[k] += 0.01 * ((k * 7919) % 13 - 6);
      t.yp[k] += 0.001 * ((k * 104729) % 7 - 3);
    }
  }
  return t;
}

// The workbench's sequence for one model (workbench/curvefit.cpp).
void FitOurs(const Table& t, TVector& qe, TVector& pw, double& sink) {
  const TVector p = {8.0, 1.0};
  SelectRegressionModel(1, 0, p);
  SetLinearSolver(SolverGaussJordan);
  TVector theta = AllocVector(VarianceParamCount()), b = AllocVector(LastCoefIndex());
  TMatrix v = AllocMatrix(LastCoefIndex(), LastCoefIndex());
  TVector ycalc = AllocVector(kPoints), s = AllocVector(kPoints);
  FitStatistics t1, t2;
  int r1 = FitRegressionModel({}, t.u, t.yq, kPoints, true, 1, 0.1, theta, b, {}, {}, v, ycalc, s, t1);
  qe = b;
  int r2 = FitRegressionModel({}, t.u, t.yp, kPoints, true, 1, 0.1, theta, b, {}, {}, v, ycalc, s, t2);
  pw = b;
  sink += t1.R2a + t2.R2a + r1 + r2;
}

void FitEigen(const Table& t, Eigen::VectorXd& qe, Eigen::VectorXd& pw) {
  Eigen::MatrixXd a(kPoints, 9);
  Eigen::VectorXd yq(kPoints), yp(kPoints);
  for (int k = 1; k <= kPoints; ++k) {
    a(k - 1, 0) = 1.0;
    for (int c = 1; c <= 8; ++c) a(k - 1, c) = t.u[c][k];
    yq(k - 1) = t.yq[k];
    yp(k - 1) = t.yp[k];
  }
  // One decomposition for each fit, as each of the workbench's fits is its own.
  qe = Eigen::ColPivHouseholderQR<Eigen::MatrixXd>(a).solve(yq);
  pw = Eigen::ColPivHouseholderQR<Eigen::MatrixXd>(a).solve(yp);
}

}  // namespace

int main() {
  InitNumerics();
  const Table table = MakeTable();
  TVector qe, pw;
  Eigen::VectorXd eqe, epw;
  double sink = 0.0;
  std::printf("Curve fit: one 60-point model, 9 coefficients, capacity and power (%d models a round)\n",
              kModelsPerRound);
  bench::Comparison c = bench::Compare(
      "fit of one model (x" + std::to_string(kModelsPerRound) + ")", "Eigen ColPivHouseholderQR", 21,
      [&] {
        for (int m = 0; m < kModelsPerRound; ++m) FitOurs(table, qe, pw, sink);
      },
      [&] {
        for (int m = 0; m < kModelsPerRound; ++m) FitEigen(table, eqe, epw);
      });
  double worst = 0.0;
  for (int i = 0; i < 9; ++i) {
    worst = std::max(worst, std::fabs(qe[i] - eqe(i)) / std::max(1e-300, std::fabs(eqe(i))));
    worst = std::max(worst, std::fabs(pw[i] - epw(i)) / std::max(1e-300, std::fabs(epw(i))));
  }
  std::printf("  per model: ours %.2f us, Eigen %.2f us; largest relative difference of the coefficients %.2g\n",
              c.ours * 1e3 / kModelsPerRound, c.peer * 1e3 / kModelsPerRound, worst);
  std::printf("  capacity:");
  for (int i = 0; i < 9; ++i) std::printf(" %.17g", qe[i]);
  std::printf("\n  power:   ");
  for (int i = 0; i < 9; ++i) std::printf(" %.17g", pw[i]);
  std::printf("\n  checksum %.6g\n", sink);
  return 0;
}
