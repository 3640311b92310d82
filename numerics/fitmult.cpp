#include "numerics/fitmult.h"

#include <cmath>

#include "numerics/regress.h"

namespace numerics::fitmult {

int Nvar = 2;
bool ConsTerm = true;

void Init() {
  Nvar = 2;
  ConsTerm = true;
}

void SetParams(const TVector& P) {
  // A missing or unusable entry keeps the setting it would have set.
  if (P.size() >= 1 && std::fabs(P[0]) < 2147483647.0) Nvar = static_cast<int>(std::nearbyint(P[0]));
  if (P.size() >= 2) ConsTerm = P[1] == 1.0;
}

int FirstParam() { return ConsTerm ? 0 : 1; }
int LastParam() { return Nvar; }

int InitialFit(int Mode, const TVector& X, const TMatrix& U, const TVector& Y, const TVector& W, int N,
               TVector& B, TMatrix& V) {
  switch (Mode) {
    case 0: return MultipleLinearFit(U, Y, N, Nvar, ConsTerm, B, V);
    case 1: return WeightedMultipleLinearFit(U, Y, W, N, Nvar, ConsTerm, B, V);
    default: return -1;
  }
}

TRegressionModelDef Definition() {
  TRegressionModelDef d;
  d.FirstCoefIndex = FirstParam;
  d.LastCoefIndex = LastParam;
  d.InitialFit = InitialFit;
  d.SetParams = SetParams;
  return d;
}

}  // namespace numerics::fitmult
