#include "numerics/modelcat.h"

#include <cmath>

#include "numerics/indexcheck.h"
#include "numerics/regress.h"

namespace numerics {

void RegisterModelCatalogue() {
  fitpoly::Init();
  fitfrac::Init();
  fitexpo::Init();
  fitiexpo::Init();
  fitmint::Init();
  fitlogis::Init();
  RegisterRegressionModel(0, fitlin::Definition());
  RegisterRegressionModel(2, fitpoly::Definition());
  RegisterRegressionModel(3, fitfrac::Definition());
  RegisterRegressionModel(4, fitexpo::Definition());
  RegisterRegressionModel(5, fitiexpo::Definition());
  RegisterRegressionModel(6, fitexlin::Definition());
  RegisterRegressionModel(7, fitpower::Definition());
  RegisterRegressionModel(8, fitmich::Definition());
  RegisterRegressionModel(9, fitmint::Definition());
  RegisterRegressionModel(10, fithill::Definition());
  RegisterRegressionModel(11, fitlogis::Definition());
  RegisterRegressionModel(12, fitpka::Definition());
}

namespace modelfit {

TObs::TObs() {
  const int first = FirstPoint > 0 ? FirstPoint : 0;
  x.assign(static_cast<std::size_t>(first), 0.0);
  y = w = x;
  N = first - 1;
}

void TObs::Add(double X, double Y, double W) {
  x.push_back(X);
  y.push_back(Y);
  w.push_back(W);
  ++N;
}

int TObs::Count() const { return N - (FirstPoint > 0 ? FirstPoint : 0) + 1; }

bool InputOk(const TVector& X, const TVector& Y, const TVector& W, bool Weighted, int N,
             const TVector& B, int Ub) {
  if (FirstPoint < 0 || N < FirstPoint) return false;
  if (!HasIndex(X, N) || !HasIndex(Y, N) || (Weighted && !HasIndex(W, N))) return false;
  return HasIndex(B, Ub);
}

TObs SortedCopy(const TVector& X, const TVector& Y, const TVector& W, bool Weighted, int N) {
  TObs o;
  for (int i = FirstPoint; i <= N; ++i) o.Add(X[i], Y[i], Weighted ? W[i] : 1.0);
  // Selection sort exchanging whole observations.
  for (int i = FirstPoint; i < o.N; ++i) {
    int k = i;
    for (int j = i + 1; j <= o.N; ++j)
      if (o.x[j] < o.x[k]) k = j;
    if (k != i) {
      std::swap(o.x[i], o.x[k]);
      std::swap(o.y[i], o.y[k]);
      std::swap(o.w[i], o.w[k]);
    }
  }
  return o;
}

int LineFitObs(const TObs& Obs, double& Intercept, double& Slope) {
  TVector b(2, 0.0);
  TMatrix v(2, TVector(2, 0.0));
  int result = WeightedLineFit(Obs.x, Obs.y, Obs.w, Obs.N, b, v);
  if (result == 0) {
    Intercept = b[0];
    Slope = b[1];
  }
  return result;
}

TRegressionModelDef Define(int (*First)(), int (*Last)(), TRegFunc Function, TDerivProc Derivatives,
                           TInitialFit InitialFit, void (*SetParams)(const TVector&),
                           bool Nonlinear) {
  TRegressionModelDef d;
  d.FirstCoefIndex = First;
  d.LastCoefIndex = Last;
  d.Function = Function;
  d.Derivatives = Derivatives;
  d.InitialFit = InitialFit;
  d.SetParams = SetParams;
  d.Nonlinear = Nonlinear;
  return d;
}

bool RoundToInt(double V, int& Out) {
  if (!(std::fabs(V) < 2147483647.0)) return false;
  Out = static_cast<int>(std::nearbyint(V));
  return true;
}

}  // namespace modelfit

}  // namespace numerics
