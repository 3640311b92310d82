// Model 11, "Logistic": B0 + (B1 - B0)/d (B1/d without a constant term),
// d = 1 + exp(-B2*x + B3), raised to the power B4 in the general form.
#include <cmath>

#include "numerics/mathfunc.h"
#include "numerics/modelcat.h"
#include "numerics/regress.h"

namespace numerics::fitlogis {

bool ConsTerm = false;
bool General = false;

void Init() {
  ConsTerm = false;
  General = false;
}

namespace {

void SetParams(const TVector& P) {
  if (P.size() >= 1) ConsTerm = P[0] == 1.0;
  if (P.size() >= 2) General = P[1] == 1.0;
}

int FirstParam() { return ConsTerm ? 0 : 1; }
int LastParam() { return General ? 4 : 3; }

double Lower(const TVector& B) { return ConsTerm ? B[0] : 0.0; }

double Func(double X, const TVector& B) {
  double d = 1.0 + Expo(-B[2] * X + B[3]);
  if (General) {
    MathErrorCode = FOk;
    d = Power(d, B[4]);
  }
  const double b0 = Lower(B);
  return b0 + (B[1] - b0) / d;
}

void Deriv(TRegFunc, double X, double, const TVector& B, TVector& D) {
  const double a = Lower(B) - B[1];
  const double e = Expo(-B[2] * X + B[3]);
  const double q = 1.0 / (1.0 + e);
  MathErrorCode = FOk;
  const double p = General ? Power(q, B[4]) : q;
  D[0] = 1.0 - p;
  D[1] = p;
  D[3] = a * e * q * p;
  if (General) D[3] *= B[4];
  D[2] = -X * D[3];
  if (General) D[4] = Log(q) * (-a) * p;
}

// ln(a/(y - B0) - 1) = -B2*x + B3 with the end values as asymptotes.
int InitialFit(int Mode, const TVector& X, const TMatrix&, const TVector& Y, const TVector& W,
               int N, TVector& B, TMatrix&) {
  const bool weighted = Mode == 1;
  if (!modelfit::InputOk(X, Y, W, weighted, N, B, LastParam())) return -1;
  const modelfit::TObs s = modelfit::SortedCopy(X, Y, W, weighted, N);
  const int p = FirstPoint;
  const double b0 = ConsTerm ? s.y[p] : 0.0;
  const double b1 = s.y[N];
  const double a = b1 - b0;
  modelfit::TObs obs;
  for (int i = p; i <= N; ++i) {
    const double x = s.x[i], y = s.y[i];
    if (!(s.x[p] < x && x < s.x[N])) continue;
    const double arg = a / (y - b0) - 1.0;
    // Values at or beyond an asymptote have no logarithm.
    if (!(arg > 0.0) || !std::isfinite(arg)) continue;
    const double w0 = (y - b0) * (y - b1) / a;
    obs.Add(x, std::log(arg), weighted ? w0 * w0 * s.w[i] : w0 * w0);
  }
  double a0, slope;
  int result = modelfit::LineFitObs(obs, a0, slope);
  if (result != 0) return result;
  if (ConsTerm) B[0] = b0;
  B[1] = b1;
  B[2] = -slope;
  B[3] = a0;
  if (General) B[4] = 1.0;
  return 0;
}

}  // namespace

TRegressionModelDef Definition() {
  return modelfit::Define(FirstParam, LastParam, Func, Deriv, InitialFit, SetParams, true);
}

}  // namespace numerics::fitlogis
