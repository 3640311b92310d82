// Model 4, "Sum of exponentials": [B0] + sum of B(2i-1)*exp(-B(2i)*x),
// i = 1..Nexp. The initial fit linearises through running integrals of the
// data (the sum of m exponentials solves a linear differential equation of
// order m) and finds the rate constants as roots of a polynomial.
#include <cmath>

#include "numerics/eigen.h"
#include "numerics/mathfunc.h"
#include "numerics/modelcat.h"
#include "numerics/polynom.h"
#include "numerics/regress.h"
#include "numerics/stat.h"

namespace numerics::fitexpo {

int Nexp = 1;
bool ConsTerm = false;

void Init() {
  Nexp = 1;
  ConsTerm = false;
}

namespace {

void SetParams(const TVector& P) {
  int n;
  if (P.size() >= 1 && modelfit::RoundToInt(P[0], n) && n > 0) Nexp = n;
  if (P.size() >= 2) ConsTerm = P[1] == 1.0;
}

int FirstParam() { return ConsTerm ? 0 : 1; }
int LastParam() { return 2 * Nexp; }

double Func(double X, const TVector& B) {
  double y = ConsTerm ? B[0] : 0.0;
  for (int i = 1; i <= Nexp; ++i) y += B[2 * i - 1] * Expo(-B[2 * i] * X);
  return y;
}

void Deriv(TRegFunc, double X, double, const TVector& B, TVector& D) {
  D[0] = 1.0;
  for (int i = 1; i <= Nexp; ++i) {
    double e = Expo(-B[2 * i] * X);
    D[2 * i - 1] = e;
    D[2 * i] = -X * B[2 * i - 1] * e;
  }
}

int Roots(const TVector& P, int M, TVector& Z, TVector& Zi) {
  switch (M) {
    case 1:
      return RootPol1(P[0], P[1], Z[1]);
    case 2:
      return RootPol2(P, Z, Zi);
    case 3:
      return RootPol3(P, Z, Zi);
    case 4:
      return RootPol4(P, Z, Zi);
    default:
      return RootPol(P, M, Z, Zi);
  }
}

int InitialFit(int Mode, const TVector& X, const TMatrix&, const TVector& Y, const TVector& W,
               int N, TVector& B, TMatrix&) {
  if (Mode != 0 && Mode != 1) return -1;
  const int m = Nexp;
  const bool weighted = Mode == 1;
  if (!modelfit::InputOk(X, Y, W, weighted, N, B, 2 * m)) return -1;
  const int p = FirstPoint;

  // Abscissas shifted to start at 0.
  TVector x = X, y = Y;
  const double x1 = X[p];
  if (x1 != 0.0)
    for (int i = p; i <= N; ++i) x[i] = X[i] - x1;
  double b0 = 0.0;
  if (ConsTerm) {
    b0 = 0.9 * VectorMin(Y, p, N);
    for (int i = p; i <= N; ++i) y[i] -= b0;
  }

  // Powers of x, then the data integrated once, twice, ...
  const int nvar = 2 * m - 1;
  TMatrix u = AllocMatrix(nvar, N), v = AllocMatrix(nvar, nvar);
  TVector a = AllocVector(nvar);
  for (int i = p + 1; i <= N; ++i) {
    const double h = (x[i] - x[i - 1]) / 2.0;
    if (m > 1) u[1][i] = x[i];
    for (int k = 2; k <= m - 1; ++k) u[k][i] = u[k - 1][i] * x[i];
    u[m][i] = u[m][i - 1] + (y[i] + y[i - 1]) * h;
    for (int k = m + 1; k <= nvar; ++k) u[k][i] = u[k][i - 1] + (u[k - 1][i] + u[k - 1][i - 1]) * h;
  }
  int result = weighted ? WeightedMultipleLinearFit(u, y, W, N, nvar, true, a, v)
                        : MultipleLinearFit(u, y, N, nvar, true, a, v);
  if (result != 0) return result;

  // The rate constants are the roots of this polynomial.
  TVector poly = AllocVector(m), z = AllocVector(m), zi = AllocVector(m);
  poly[m] = 1.0;
  for (int k = 1; k <= m; ++k) poly[m - k] = (k % 2 == 1) ? a[m + k - 1] : -a[m + k - 1];
  int nreal = Roots(poly, m, z, zi);
  if (nreal != m) return -2;
  DQSort(z, 1, m);

  // Amplitudes for the fixed rate constants.
  TMatrix ue = AllocMatrix(m, N), ve = AllocMatrix(m, m);
  TVector amp = AllocVector(m);
  for (int i = p; i <= N; ++i)
    for (int k = 1; k <= m; ++k) ue[k][i] = Expo(-z[k] * x[i]);
  result = weighted ? WeightedMultipleLinearFit(ue, y, W, N, m, false, amp, ve)
                    : MultipleLinearFit(ue, y, N, m, false, amp, ve);
  if (result != 0) return result;
  if (ConsTerm) B[0] = b0;
  for (int k = 1; k <= m; ++k) {
    B[2 * k - 1] = x1 != 0.0 ? amp[k] * Expo(z[k] * x1) : amp[k];
    B[2 * k] = z[k];
  }
  return 0;
}

}  // namespace

TRegressionModelDef Definition() {
  return modelfit::Define(FirstParam, LastParam, Func, Deriv, InitialFit, SetParams, true);
}

}  // namespace numerics::fitexpo
