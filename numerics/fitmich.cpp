// Model 8, "Michaelis": B0*x/(B1 + x).
#include <cmath>

#include "numerics/modelcat.h"
#include "numerics/regress.h"

namespace numerics::fitmich {

namespace {

double Func(double X, const TVector& B) { return B[0] * X / (B[1] + X); }

void Deriv(TRegFunc, double X, double Y, const TVector& B, TVector& D) {
  D[0] = B[0] != 0.0 ? Y / B[0] : X / (B[1] + X);
  D[1] = -Y / (B[1] + X);
}

// Double reciprocal: 1/y = 1/B0 + (B1/B0)*(1/x).
int InitialFit(int Mode, const TVector& X, const TMatrix&, const TVector& Y, const TVector& W,
               int N, TVector& B, TMatrix&) {
  const bool weighted = Mode == 1;
  if (!modelfit::InputOk(X, Y, W, weighted, N, B, 1)) return -1;
  modelfit::TObs obs;
  for (int i = FirstPoint; i <= N; ++i) {
    if (!(X[i] > 0.0 && Y[i] > 0.0)) continue;
    double y2 = Y[i] * Y[i];
    obs.Add(1.0 / X[i], 1.0 / Y[i], weighted ? y2 * y2 * W[i] : y2 * y2);
  }
  double a0, slope;
  int result = modelfit::LineFitObs(obs, a0, slope);
  if (result != 0) return result;
  // A zero intercept means no finite maximum: no estimate.
  if (a0 == 0.0) return -1;
  B[0] = 1.0 / a0;
  B[1] = slope / a0;
  return 0;
}

}  // namespace

TRegressionModelDef Definition() {
  return modelfit::Define(modelfit::Index<0>, modelfit::Index<1>, Func, Deriv, InitialFit, nullptr,
                          true);
}

}  // namespace numerics::fitmich
