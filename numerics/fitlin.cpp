// Model 0, "Linear": B0 + B1*x, fitted directly as a straight line.
#include "numerics/modelcat.h"
#include "numerics/regress.h"

namespace numerics::fitlin {

namespace {

double Func(double X, const TVector& B) { return B[0] + B[1] * X; }

int InitialFit(int Mode, const TVector& X, const TMatrix&, const TVector& Y, const TVector& W,
               int N, TVector& B, TMatrix& V) {
  switch (Mode) {
    case 0:
      return LineFit(X, Y, N, B, V);
    case 1:
      return WeightedLineFit(X, Y, W, N, B, V);
    default:
      return -1;
  }
}

}  // namespace

TRegressionModelDef Definition() {
  return modelfit::Define(modelfit::Index<0>, modelfit::Index<1>, Func, nullptr, InitialFit,
                          nullptr, false);
}

}  // namespace numerics::fitlin
