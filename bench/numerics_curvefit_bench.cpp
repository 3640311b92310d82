// Times the curve fit's regression sequence (model 1, eight regressors with
// a constant term, Gauss-Jordan, capacity then power) on a 60-point table.
#include <chrono>
#include <cstdio>

#include "numerics/models.h"
#include "numerics/numerics.h"
#include "numerics/regress.h"

using namespace numerics;

int main() {
  InitNumerics();
  const double qe[9] = {61.3, 2.12, 0.0273, -0.713, 0.00219, -0.0133, 1.41e-4, 5.14e-5, -3.2e-6};
  const double pw[9] = {3.88, -0.0412, -0.00121, 0.153, 0.00143, 0.00522, 2.67e-5, -1.96e-5, 4.18e-7};
  const int n = 60;
  TMatrix u = AllocMatrix(8, n);
  TVector yq = AllocVector(n), yp = AllocVector(n);
  int k = 0;
  for (int j = 0; j < 6; ++j) {
    for (int i = 0; i < 10; ++i) {
      double te = -35.0 + 5.0 * i + 0.1 * j, tc = 25.0 + 5.0 * j;
      const double t[9] = {1, te, te * te, tc, tc * tc, te * tc, te * te * tc, te * tc * tc, te * te * tc * tc};
      ++k;
      for (int r = 1; r <= 8; ++r) u[r][k] = t[r];
      yq[k] = yp[k] = 0.0;
      for (int r = 0; r <= 8; ++r) {
        yq[k] += qe[r] * t[r];
        yp[k] += pw[r] * t[r];
      }
      yq[k] += 0.01 * ((k * 7919) % 13 - 6);
    }
  }
  const int runs = 20000;
  double sink = 0.0;
  auto start = std::chrono::steady_clock::now();
  for (int r = 0; r < runs; ++r) {
    SelectRegressionModel(1, 0, TVector{8.0, 1.0});
    SetLinearSolver(0);
    TVector theta = AllocVector(VarianceParamCount()), b = AllocVector(LastCoefIndex());
    TMatrix v = AllocMatrix(LastCoefIndex(), LastCoefIndex());
    TVector ycalc = AllocVector(n), s = AllocVector(n);
    FitStatistics t1, t2;
    int r1 = FitRegressionModel({}, u, yq, n, true, 1, 0.1, theta, b, {}, {}, v, ycalc, s, t1);
    sink += b[0];
    int r2 = FitRegressionModel({}, u, yp, n, true, 1, 0.1, theta, b, {}, {}, v, ycalc, s, t2);
    sink += b[0] + t1.R2a + t2.R2a + r1 + r2;
  }
  double us = std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count();
  std::printf("numerics_curvefit: %.2f us per model (two fits, 60 points), checksum %.6g\n", us / runs, sink);
  return 0;
}
