// Model 7, "Power": B0*x^B1.
#include <cmath>

#include "numerics/mathfunc.h"
#include "numerics/modelcat.h"
#include "numerics/regress.h"

namespace numerics::fitpower {

namespace {

double Func(double X, const TVector& B) { return B[0] * Power(X, B[1]); }

void Deriv(TRegFunc, double X, double Y, const TVector& B, TVector& D) {
  // y/B0 is x^B1 except at B0 = 0, where the quotient has no value.
  D[0] = B[0] != 0.0 ? Y / B[0] : Power(X, B[1]);
  D[1] = Log(X) * Y;
}

// ln y = ln B0 + B1*ln x over the positive observations.
int InitialFit(int Mode, const TVector& X, const TMatrix&, const TVector& Y, const TVector& W,
               int N, TVector& B, TMatrix&) {
  const bool weighted = Mode == 1;
  if (!modelfit::InputOk(X, Y, W, weighted, N, B, 1)) return -1;
  modelfit::TObs obs;
  for (int i = FirstPoint; i <= N; ++i) {
    if (!(X[i] > 0.0 && Y[i] > 0.0)) continue;
    double w = Y[i] * Y[i];
    obs.Add(std::log(X[i]), std::log(Y[i]), weighted ? w * W[i] : w);
  }
  double a0, slope;
  int result = modelfit::LineFitObs(obs, a0, slope);
  if (result != 0) return result;
  B[0] = Expo(a0);
  B[1] = slope;
  return 0;
}

}  // namespace

TRegressionModelDef Definition() {
  return modelfit::Define(modelfit::Index<0>, modelfit::Index<1>, Func, Deriv, InitialFit, nullptr,
                          true);
}

}  // namespace numerics::fitpower
