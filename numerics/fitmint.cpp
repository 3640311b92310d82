// Model 9, "Integrated Michaelis": the product formed at time t from the
// initial substrate s0 by the enzyme e0, scaled by B0, with Km = B1 and the
// specificity constant B2 (kcat/Km). One of t, s0 and e0 is the abscissa,
// the other two come from the settings.
#include <cmath>

#include "numerics/mathfunc.h"
#include "numerics/modelcat.h"
#include "numerics/regress.h"

namespace numerics::fitmint {

double S0 = 0.0, E0 = 1.0, T0 = 1.0, YScale = 1.0;
bool ConsTerm = true;
int Selector = 1;

void Init() {
  S0 = 0.0;
  E0 = 1.0;
  T0 = 1.0;
  YScale = 1.0;
  ConsTerm = true;
  Selector = 1;
}

namespace {

void SetParams(const TVector& P) {
  if (P.size() >= 1) S0 = P[0];
  if (P.size() >= 2) E0 = P[1];
  if (P.size() >= 3) T0 = P[2];
  if (P.size() >= 4) YScale = P[3];
  if (P.size() >= 5) ConsTerm = P[4] == 1.0;
  Selector = S0 == 0.0 ? 1 : (E0 == 0.0 ? 2 : 0);
}

int FirstParam() { return ConsTerm ? 0 : 1; }

void Quantities(double X, double& T, double& S, double& E) {
  T = Selector == 0 ? X : T0;
  S = Selector == 1 ? X : S0;
  E = Selector == 2 ? X : E0;
}

// W(g*e^u), the substrate left in units of Km. Where g*e^u would overflow
// (a tiny Km early in a fit) W solves w + ln w = u + ln g instead, which
// Newton's method does from u + ln g - ln(u + ln g) in a few steps.
double RemainingFraction(double U, double G) {
  const double l = G > 0.0 ? U + std::log(G) : 0.0;
  if (!(l > 700.0)) return LambertW(Expo(U) * G, true, false);
  double w = l - std::log(l);
  for (int k = 0; k < 6; ++k) w -= (w + std::log(w) - l) / (1.0 + 1.0 / w);
  return w;
}

// Without a constant term the scale is fixed.
double Scale(const TVector& B) { return ConsTerm ? B[0] : YScale; }

double Func(double X, const TVector& B) {
  double t, s0, e0;
  Quantities(X, t, s0, e0);
  const double b0 = Scale(B);
  const double g = s0 / B[1];
  const double u = g - B[2] * e0 * t;
  if (u < MinLog) return b0 * s0;
  return b0 * (s0 - RemainingFraction(u, g) * B[1]);
}

void Deriv(TRegFunc, double X, double Y, const TVector& B, TVector& D) {
  double t, s0, e0;
  Quantities(X, t, s0, e0);
  const double b0 = Scale(B);
  D[0] = Y / b0;
  const double v = (s0 - D[0]) / B[1];
  const double q = v / (1.0 + v);
  D[1] = (Y / B[1]) * q;
  D[2] = b0 * B[1] * t * e0 * q;
}

// The integrated rate equation is linear in ln(1 - p/s0) once divided by
// the abscissa; the line fit is unweighted whatever the mode.
int InitialFit(int, const TVector& X, const TMatrix&, const TVector& Y, const TVector&, int N,
               TVector& B, TMatrix&) {
  if (!modelfit::InputOk(X, Y, TVector{}, false, N, B, 2)) return -1;
  modelfit::TObs obs;
  for (int i = FirstPoint; i <= N; ++i) {
    const double x = X[i], yn = Y[i] / YScale;
    double xi, yi;
    if (Selector == 1) {
      xi = 1.0 - yn / x;
      yi = yn;
    } else {
      xi = 1.0 - yn / S0;
      yi = yn / x;
    }
    // Observations with no logarithm (product at or beyond the substrate,
    // a zero abscissa) are left out.
    if (!(xi > 0.0) || !std::isfinite(xi) || !std::isfinite(yi) || x == 0.0) continue;
    xi = std::log(xi);
    if (Selector != 1) xi /= x;
    obs.Add(xi, yi, 1.0);
  }
  TVector b(2, 0.0);
  TMatrix v(2, TVector(2, 0.0));
  int result = LineFit(obs.x, obs.y, obs.N, b, v);
  if (result != 0) return result;
  const double a0 = b[0], a1 = b[1];
  double b2;
  switch (Selector) {
    case 0:
      b2 = a0 / (a1 * E0);
      break;
    case 1:
      b2 = a0 / (a1 * E0 * T0);
      break;
    default:
      b2 = a0 / (a1 * T0);
      break;
  }
  if (!std::isfinite(b2)) return -1;
  B[0] = YScale;
  B[1] = a1;
  B[2] = b2;
  return 0;
}

}  // namespace

TRegressionModelDef Definition() {
  return modelfit::Define(FirstParam, modelfit::Index<2>, Func, Deriv, InitialFit, SetParams, true);
}

}  // namespace numerics::fitmint
