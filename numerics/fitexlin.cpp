// Model 6, "Exponential + linear": B0*(1 - exp(-B1*x)) + B2*x.
#include <cmath>

#include "numerics/mathfunc.h"
#include "numerics/modelcat.h"
#include "numerics/regress.h"

namespace numerics::fitexlin {

namespace {

double Func(double X, const TVector& B) { return B[0] * (1.0 - Expo(-B[1] * X)) + B[2] * X; }

void Deriv(TRegFunc, double X, double, const TVector& B, TVector& D) {
  double e = Expo(-B[1] * X);
  D[0] = 1.0 - e;
  D[1] = B[0] * X * e;
  D[2] = X;
}

// The slope near the end gives B2 and the asymptote B0, the slope near the
// start B0*B1 + B2. Weights are not used.
int InitialFit(int, const TVector& X, const TMatrix&, const TVector& Y, const TVector&, int N,
               TVector& B, TMatrix&) {
  if (!modelfit::InputOk(X, Y, TVector{}, false, N, B, 2)) return -1;
  const int p = FirstPoint, n = N - p + 1;
  // Two observations at least; the chosen ranks stay inside 1..n.
  if (n < 2) return -1;
  int k1, k2;
  modelfit::RoundToInt(0.9 * n, k1);
  if (k1 >= n) k1 = n - 1;
  if (k1 < 1) k1 = 1;
  modelfit::RoundToInt(0.1 * n, k2);
  if (k2 <= 1) k2 = 2;
  if (k2 > n) k2 = n;
  k1 += p - 1;
  k2 += p - 1;
  const double b2 = (Y[N] - Y[k1]) / (X[N] - X[k1]);
  const double b0 = Y[N] - b2 * X[N];
  const double s0 = (Y[k2] - Y[p]) / (X[k2] - X[p]);
  const double b1 = (s0 - b2) / b0;
  // Coinciding abscissas or a zero asymptote give no estimate.
  if (!std::isfinite(b0) || !std::isfinite(b1) || !std::isfinite(b2)) return -1;
  B[0] = b0;
  B[1] = b1;
  B[2] = b2;
  return 0;
}

}  // namespace

TRegressionModelDef Definition() {
  return modelfit::Define(modelfit::Index<0>, modelfit::Index<2>, Func, Deriv, InitialFit, nullptr,
                          true);
}

}  // namespace numerics::fitexlin
