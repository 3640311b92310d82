// Model 2, "Polynomial": sum of B[k]*x^k, k = 0..Deg, fitted directly.
#include "numerics/modelcat.h"
#include "numerics/polynom.h"
#include "numerics/regress.h"

namespace numerics::fitpoly {

int Deg = 2;

void Init() { Deg = 2; }

namespace {

void SetParams(const TVector& P) {
  int d;
  if (!P.empty() && modelfit::RoundToInt(P[0], d) && d > 1) Deg = d;
}

int LastParam() { return Deg; }

double Func(double X, const TVector& B) { return Poly(X, B, Deg); }

int InitialFit(int Mode, const TVector& X, const TMatrix&, const TVector& Y, const TVector& W,
               int N, TVector& B, TMatrix& V) {
  switch (Mode) {
    case 0:
      return PolynomialFit(X, Y, N, Deg, B, V);
    case 1:
      return WeightedPolynomialFit(X, Y, W, N, Deg, B, V);
    default:
      return -1;
  }
}

}  // namespace

TRegressionModelDef Definition() {
  return modelfit::Define(modelfit::Index<0>, LastParam, Func, nullptr, InitialFit, SetParams,
                          false);
}

}  // namespace numerics::fitpoly
