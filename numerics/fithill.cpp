// Model 10, "Hill": B0/(1 + (B1/x)^B2).
#include <cmath>

#include "numerics/mathfunc.h"
#include "numerics/modelcat.h"
#include "numerics/regress.h"

namespace numerics::fithill {

namespace {

double Func(double X, const TVector& B) {
  if (X == 0.0) return B[2] <= 0.0 ? B[0] : 0.0;
  MathErrorCode = FOk;
  return B[0] / (1.0 + Power(B[1] / X, B[2]));
}

void Deriv(TRegFunc, double X, double Y, const TVector& B, TVector& D) {
  if (X == 0.0) {
    D[0] = B[2] <= 0.0 ? 1.0 : 0.0;
    D[1] = D[2] = 0.0;
    return;
  }
  MathErrorCode = FOk;
  const double q = Power(B[1] / X, B[2]);
  D[0] = 1.0 / (1.0 + q);
  const double r = -Y * D[0] * q;
  // At B1 = 0 the quotient r/B1 has no value: d q/d B1 directly.
  D[1] = B[1] != 0.0 ? r * B[2] / B[1] : -Y * D[0] * B[2] * Power(B[1] / X, B[2] - 1.0) / X;
  D[2] = Log(B[1] / X) * r;
}

// ln(ymax/y - 1) = B2*ln B1 - B2*ln x with ymax the largest observation.
int InitialFit(int Mode, const TVector& X, const TMatrix&, const TVector& Y, const TVector& W,
               int N, TVector& B, TMatrix&) {
  const bool weighted = Mode == 1;
  if (!modelfit::InputOk(X, Y, W, weighted, N, B, 2)) return -1;
  const double ymax = VectorMax(Y, FirstPoint, N);
  modelfit::TObs obs;
  for (int i = FirstPoint; i <= N; ++i) {
    const double y = Y[i];
    if (!(X[i] > 0.0 && y > 0.0 && y < ymax)) continue;
    const double w0 = (1.0 - y / ymax) * y;
    obs.Add(std::log(X[i]), std::log(ymax / y - 1.0), weighted ? w0 * w0 * W[i] : w0 * w0);
  }
  double a0, slope;
  int result = modelfit::LineFitObs(obs, a0, slope);
  if (result != 0) return result;
  if (slope == 0.0) return -1;
  B[0] = ymax;
  B[1] = Expo(-a0 / slope);
  B[2] = -slope;
  return 0;
}

}  // namespace

TRegressionModelDef Definition() {
  return modelfit::Define(modelfit::Index<0>, modelfit::Index<2>, Func, Deriv, InitialFit, nullptr,
                          true);
}

}  // namespace numerics::fithill
