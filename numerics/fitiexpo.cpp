// Model 5, "Increasing exponential": [B0] + B1*(1 - exp(-B2*x)).
#include <cmath>

#include "numerics/mathfunc.h"
#include "numerics/modelcat.h"
#include "numerics/regress.h"

namespace numerics::fitiexpo {

bool ConsTerm = false;

void Init() { ConsTerm = false; }

namespace {

void SetParams(const TVector& P) {
  if (!P.empty()) ConsTerm = P[0] == 1.0;
}

int FirstParam() { return ConsTerm ? 0 : 1; }

double Func(double X, const TVector& B) {
  double y = B[1] * (1.0 - Expo(-B[2] * X));
  return ConsTerm ? B[0] + y : y;
}

void Deriv(TRegFunc, double X, double, const TVector& B, TVector& D) {
  double e = Expo(-B[2] * X);
  D[0] = 1.0;
  D[1] = 1.0 - e;
  D[2] = B[1] * X * e;
}

// ln(1 - y'/B1) = -B2*x with the asymptote B1 guessed above the data.
int InitialFit(int Mode, const TVector& X, const TMatrix&, const TVector& Y, const TVector& W,
               int N, TVector& B, TMatrix&) {
  const bool weighted = Mode == 1;
  if (!modelfit::InputOk(X, Y, W, weighted, N, B, 2)) return -1;
  const double b0 = ConsTerm ? 0.9 * VectorMin(Y, FirstPoint, N) : 0.0;
  const double b1 = 1.1 * VectorMax(Y, FirstPoint, N);
  modelfit::TObs obs;
  for (int i = FirstPoint; i <= N; ++i) {
    double yp = Y[i] - b0;
    double arg = 1.0 - yp / b1;
    // Observations at or beyond the guessed asymptote have no logarithm.
    if (!(arg > 0.0) || !std::isfinite(arg)) continue;
    double w = (yp - b1) * (yp - b1);
    obs.Add(X[i], std::log(arg), weighted ? w * W[i] : w);
  }
  double a0, slope;
  int result = modelfit::LineFitObs(obs, a0, slope);
  if (result != 0) return result;
  if (ConsTerm) B[0] = b0;
  B[1] = b1;
  B[2] = -slope;
  return 0;
}

}  // namespace

TRegressionModelDef Definition() {
  return modelfit::Define(FirstParam, modelfit::Index<2>, Func, Deriv, InitialFit, SetParams, true);
}

}  // namespace numerics::fitiexpo
