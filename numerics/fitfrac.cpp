// Model 3, "Rational fraction": (sum B[k]*x^k, k = c..Deg1) /
// (1 + sum B[Deg1 + j]*x^j, j = 1..Deg2), c = 0 with a constant term.
#include "numerics/modelcat.h"
#include "numerics/regress.h"

namespace numerics::fitfrac {

int Deg1 = 1, Deg2 = 1;
bool ConsTerm = true;

void Init() {
  Deg1 = 1;
  Deg2 = 1;
  ConsTerm = true;
}

namespace {

void SetParams(const TVector& P) {
  int d;
  if (P.size() >= 1 && modelfit::RoundToInt(P[0], d) && d > 0) Deg1 = d;
  if (P.size() >= 2 && modelfit::RoundToInt(P[1], d) && d > 0) Deg2 = d;
  if (P.size() >= 3) ConsTerm = P[2] == 1.0;
}

int FirstParam() { return ConsTerm ? 0 : 1; }
int LastParam() { return Deg1 + Deg2; }

double Denominator(double X, const TVector& B) {
  double den = 0.0;
  for (int j = Deg1 + Deg2; j > Deg1; --j) den = (den + B[j]) * X;
  return 1.0 + den;
}

double Func(double X, const TVector& B) {
  double num = B[Deg1];
  for (int k = Deg1 - 1; k >= 1; --k) num = num * X + B[k];
  num *= X;
  // Without a constant term B0 is 0 whatever the vector holds there.
  if (ConsTerm) num += B[0];
  return num / Denominator(X, B);
}

void Deriv(TRegFunc, double X, double Y, const TVector& B, TVector& D) {
  const double den = Denominator(X, B);
  D[0] = 1.0 / den;
  for (int k = 1; k <= Deg1; ++k) D[k] = D[k - 1] * X;
  D[Deg1 + 1] = -X * Y / den;
  for (int k = Deg1 + 2; k <= Deg1 + Deg2; ++k) D[k] = D[k - 1] * X;
}

// Linear form y = sum B[k]*x^k - y * sum B[Deg1 + j]*x^j.
int InitialFit(int Mode, const TVector& X, const TMatrix&, const TVector& Y, const TVector& W,
               int N, TVector& B, TMatrix&) {
  if (Mode != 0 && Mode != 1) return -1;
  const int nvar = Deg1 + Deg2;
  if (!modelfit::InputOk(X, Y, W, Mode == 1, N, B, nvar)) return -1;
  TMatrix u = AllocMatrix(nvar, N), v = AllocMatrix(nvar, nvar);
  TVector b = AllocVector(nvar);
  for (int i = FirstPoint; i <= N; ++i) {
    u[1][i] = X[i];
    for (int k = 2; k <= Deg1; ++k) u[k][i] = u[k - 1][i] * X[i];
    u[Deg1 + 1][i] = -X[i] * Y[i];
    for (int k = Deg1 + 2; k <= nvar; ++k) u[k][i] = u[k - 1][i] * X[i];
  }
  int result = Mode == 1 ? WeightedMultipleLinearFit(u, Y, W, N, nvar, ConsTerm, b, v)
                         : MultipleLinearFit(u, Y, N, nvar, ConsTerm, b, v);
  if (result != 0) return result;
  if (!ConsTerm) b[0] = 0.0;
  for (int k = 0; k <= nvar; ++k) B[k] = b[k];
  return 0;
}

}  // namespace

TRegressionModelDef Definition() {
  return modelfit::Define(FirstParam, LastParam, Func, Deriv, InitialFit, SetParams, true);
}

}  // namespace numerics::fitfrac
