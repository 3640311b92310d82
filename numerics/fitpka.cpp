// Model 12, "Acid/Base titration curve": B0 + (B1 - B0)/(1 + 10^(B2 - x)),
// B2 being the pKa.
#include <cmath>

#include "numerics/mathfunc.h"
#include "numerics/modelcat.h"
#include "numerics/regress.h"

namespace numerics::fitpka {

namespace {

double Func(double X, const TVector& B) { return B[0] + (B[1] - B[0]) / (1.0 + Exp10(B[2] - X)); }

void Deriv(TRegFunc, double X, double, const TVector& B, TVector& D) {
  const double e = Exp10(B[2] - X);
  const double q = 1.0 / (1.0 + e);
  D[0] = 1.0 - q;
  D[1] = q;
  D[2] = q * q * (B[0] - B[1]) * e * Ln10;
}

// End values as asymptotes, the pKa where the curve crosses their mean.
int InitialFit(int Mode, const TVector& X, const TMatrix&, const TVector& Y, const TVector& W,
               int N, TVector& B, TMatrix&) {
  if (!modelfit::InputOk(X, Y, W, Mode == 1, N, B, 2)) return -1;
  const modelfit::TObs s = modelfit::SortedCopy(X, Y, W, false, N);
  const int p = FirstPoint;
  B[0] = s.y[p];
  B[1] = s.y[N];
  const double ym = (B[0] + B[1]) / 2.0;
  if (s.Count() < 3) return 0;
  for (int i = p + 1; i <= N - 1; ++i) {
    const double y = s.y[i], y1 = s.y[i + 1];
    if (y == ym)
      B[2] = s.x[i];
    else if ((y < ym && ym <= y1) || (y > ym && ym > y1))
      B[2] = (s.x[i] + s.x[i + 1]) / 2.0;
  }
  return 0;
}

}  // namespace

TRegressionModelDef Definition() {
  return modelfit::Define(modelfit::Index<0>, modelfit::Index<2>, Func, Deriv, InitialFit, nullptr,
                          true);
}

}  // namespace numerics::fitpka
