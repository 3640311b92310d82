#include "numerics/nlfit.h"

#include <cmath>

#include "numerics/indexcheck.h"
#include "numerics/mathfunc.h"
#include "numerics/matrices.h"
#include "numerics/mcmc.h"
#include "numerics/modelcat.h"
#include "numerics/optim.h"
#include "numerics/random.h"
#include "numerics/simann.h"

namespace numerics {

namespace {

// The objective's data.
struct TObjectiveData {
  TVector X, Y, W, Ycalc, Bmin, Bmax;
  int N = 1, Lb = 0, Ub = 1;
  bool Weighted = false;
  TRegFunc RegFunc = nullptr;
  TDerivProc DerivProc = nullptr;
  // The coefficients of the latest evaluation, and whether Ycalc holds the
  // fitted values of every observation for them (an evaluation cut short
  // at the limit, or out of bounds, leaves them incomplete).
  TVector LastB;
  bool YcalcValid = false;
};

TObjectiveData Data;

double Sum(const TVector& B, bool Weighted) {
  Data.YcalcValid = false;
  if (OutOfBounds(B)) return SumOfSquaresLimit;
  Data.LastB = B;
  double sum = 0.0;
  int i = FirstPoint;
  for (; i <= Data.N; ++i) {
    Data.Ycalc[i] = Data.RegFunc(Data.X[i], B);
    const double r = Data.Y[i] - Data.Ycalc[i];
    sum += Weighted ? Data.W[i] * r * r : r * r;
    if (sum > SumOfSquaresLimit) break;
  }
  Data.YcalcValid = i > Data.N;
  // A sum that is not a number (the model failed somewhere) scores as bad
  // as a point outside the bounds.
  if (sum > SumOfSquaresLimit || std::isnan(sum)) return SumOfSquaresLimit;
  return sum;
}

// The derivative routines need the fitted values at B itself; the latest
// evaluation may have been elsewhere (the last probe of a line search).
void EnsureFitted(const TVector& B) {
  bool same = Data.YcalcValid;
  for (int j = Data.Lb; same && j <= Data.Ub; ++j)
    if (!(HasIndex(Data.LastB, j) && Data.LastB[j] == B[j])) same = false;
  if (same) return;
  for (int i = FirstPoint; i <= Data.N; ++i) Data.Ycalc[i] = Data.RegFunc(Data.X[i], B);
  Data.LastB = B;
  Data.YcalcValid = true;
}

void Gradient(bool Weighted, const TVector& B, int Lb, int Ub, TVector& G) {
  EnsureFitted(B);
  TVector d = AllocVector(Ub);
  for (int j = Lb; j <= Ub; ++j) G[j] = 0.0;
  for (int i = FirstPoint; i <= Data.N; ++i) {
    Data.DerivProc(Data.RegFunc, Data.X[i], Data.Ycalc[i], B, d);
    const double r = Data.Y[i] - Data.Ycalc[i];
    const double wr = Weighted ? Data.W[i] * r : r;
    for (int j = Lb; j <= Ub; ++j) G[j] -= d[j] * wr;
  }
  for (int j = Lb; j <= Ub; ++j) G[j] *= 2.0;
}

void HessGrad(bool Weighted, const TVector& B, int Lb, int Ub, TVector& G, TMatrix& H) {
  EnsureFitted(B);
  TVector d = AllocVector(Ub);
  for (int j = Lb; j <= Ub; ++j) {
    G[j] = 0.0;
    for (int k = Lb; k <= Ub; ++k) H[j][k] = 0.0;
  }
  for (int i = FirstPoint; i <= Data.N; ++i) {
    Data.DerivProc(Data.RegFunc, Data.X[i], Data.Ycalc[i], B, d);
    const double r = Data.Y[i] - Data.Ycalc[i];
    const double w = Weighted ? Data.W[i] : 1.0;
    for (int j = Lb; j <= Ub; ++j) {
      const double wd = w * d[j];
      G[j] -= wd * r;
      for (int k = j; k <= Ub; ++k) H[j][k] += wd * d[k];
    }
  }
  for (int j = Lb + 1; j <= Ub; ++j)
    for (int k = Lb; k < j; ++k) H[j][k] = H[k][j];
}

}  // namespace

void InitNlFit() {
  Data = TObjectiveData{};
  SetNonlinearFitProc(GenericNonlinearFit);
}

void InitNonlinear() {
  InitRandom();
  InitOptim();
  InitSimAnn();
  InitMcmc();
  RegisterModelCatalogue();
  InitNlFit();
}

void DoneNlFit() { Data = TObjectiveData{}; }

void SetObjectiveData(TRegFunc RegFunc, TDerivProc DerivProc, bool Weighted, const TVector& X,
                      const TVector& Y, const TVector& W, int N, int Lb, int Ub,
                      const TVector& Bmin, const TVector& Bmax) {
  AllocVector(Data.X, N);
  AllocVector(Data.Y, N);
  AllocVector(Data.W, Weighted ? N : -1);
  AllocVector(Data.Ycalc, N);
  for (int i = FirstPoint; i <= N; ++i) {
    Data.X[i] = X[i];
    Data.Y[i] = Y[i];
    if (Weighted) Data.W[i] = W[i];
  }
  AllocVector(Data.Bmin, Ub);
  AllocVector(Data.Bmax, Ub);
  for (int j = Lb; j <= Ub; ++j) {
    Data.Bmin[j] = Bmin[j];
    Data.Bmax[j] = Bmax[j];
  }
  Data.N = N;
  Data.Lb = Lb;
  Data.Ub = Ub;
  Data.Weighted = Weighted;
  Data.RegFunc = RegFunc;
  Data.DerivProc = DerivProc;
  Data.LastB.clear();
  Data.YcalcValid = false;
}

bool OutOfBounds(const TVector& B) {
  for (int j = Data.Lb; j <= Data.Ub; ++j)
    if (B[j] < Data.Bmin[j] || B[j] > Data.Bmax[j]) return true;
  return false;
}

double SumOfSquares(const TVector& B) { return Sum(B, false); }
double WeightedSumOfSquares(const TVector& B) { return Sum(B, true); }

void SumOfSquaresGradient(const TFunc&, const TVector& B, int Lb, int Ub, TVector& G) {
  Gradient(false, B, Lb, Ub, G);
}
void WeightedSumOfSquaresGradient(const TFunc&, const TVector& B, int Lb, int Ub, TVector& G) {
  Gradient(true, B, Lb, Ub, G);
}

void SumOfSquaresHessGrad(const TFunc&, const TVector& B, int Lb, int Ub, TVector& G, TMatrix& H) {
  HessGrad(false, B, Lb, Ub, G, H);
}
void WeightedSumOfSquaresHessGrad(const TFunc&, const TVector& B, int Lb, int Ub, TVector& G,
                                  TMatrix& H) {
  HessGrad(true, B, Lb, Ub, G, H);
}

void NumericalDerivatives(TRegFunc RegFunc, double X, double Y, const TVector& B, TVector& D) {
  const double h = std::sqrt(MachEp);
  TVector b = B;
  for (int j = Data.Lb; j <= Data.Ub; ++j) {
    const double kept = b[j];
    b[j] = kept + (kept != 0.0 ? h * std::fabs(kept) : h);
    D[j] = (RegFunc(X, b) - Y) / (b[j] - kept);
    b[j] = kept;
  }
}

int GenericNonlinearFit(TRegFunc RegFunc, TDerivProc DerivProc, int Mode, const TVector& X,
                        const TVector& Y, const TVector& W, int N, int Lb, int Ub, int MaxIter,
                        double Tol, TVector& B, const TVector& Bmin, const TVector& Bmax,
                        TMatrix& V) {
  const bool weighted = Mode == 1;
  // Everything the fit reads must exist: the bound vectors in particular
  // are required, whichever minimiser runs.
  if ((Mode != 0 && Mode != 1) || !RegFunc || !DerivProc || FirstPoint < 0 || N < FirstPoint ||
      Lb < 0 || Ub < Lb || !HasIndex(X, N) || !HasIndex(Y, N) || (weighted && !HasIndex(W, N)) ||
      !HasIndex(B, Ub) || !HasIndex(Bmin, Ub) || !HasIndex(Bmax, Ub) || !MatrixHas(V, Ub, Ub))
    return -1;

  SetObjectiveData(RegFunc, DerivProc, weighted, X, Y, W, N, Lb, Ub, Bmin, Bmax);
  const TFunc objective = weighted ? TFunc(WeightedSumOfSquares) : TFunc(SumOfSquares);
  const TGradient gradient =
      weighted ? TGradient(WeightedSumOfSquaresGradient) : TGradient(SumOfSquaresGradient);
  const THessGrad hessGrad =
      weighted ? THessGrad(WeightedSumOfSquaresHessGrad) : THessGrad(SumOfSquaresHessGrad);

  double fmin = 0.0;
  int result = 0;
  switch (Optimizer) {
    case 0:
      result = MarquardtFit(objective, hessGrad, B, Lb, Ub, MaxIter, Tol, fmin, V);
      break;
    case 1:
      result = NelderMeadSimplex(objective, B, Lb, Ub, MaxIter, Tol, fmin);
      break;
    case 2:
      result = BfgsMinimize(objective, gradient, B, Lb, Ub, MaxIter, Tol, fmin, V);
      break;
    case 3:
      result = SimulatedAnnealing(objective, B, Bmin, Bmax, Lb, Ub, MaxIter, Tol, fmin);
      break;
    case 4:
      result = SimulationFit(objective, B, Bmin, Bmax, Lb, Ub, fmin, V);
      break;
    default:
      return 0;
  }
  if ((Optimizer == 1 || Optimizer == 3) && result == 0) {
    // These two give no curvature: the inverse Gauss-Newton Hessian at B.
    TVector g = AllocVector(Ub);
    TMatrix h = AllocMatrix(Ub, Ub);
    hessGrad(objective, B, Lb, Ub, g, h);
    if (InvertMatrix(h, Lb, Ub, V) != MatOk) return -1;
  }
  return result;
}

int NonlinearFit(TRegFunc RegFunc, TDerivProc DerivProc, const TVector& X, const TVector& Y, int N,
                 int Lb, int Ub, int MaxIter, double Tol, TVector& B, const TVector& Bmin,
                 const TVector& Bmax, TMatrix& V) {
  return GenericNonlinearFit(RegFunc, DerivProc, 0, X, Y, TVector{}, N, Lb, Ub, MaxIter, Tol, B,
                             Bmin, Bmax, V);
}

int WeightedNonlinearFit(TRegFunc RegFunc, TDerivProc DerivProc, const TVector& X, const TVector& Y,
                         const TVector& W, int N, int Lb, int Ub, int MaxIter, double Tol,
                         TVector& B, const TVector& Bmin, const TVector& Bmax, TMatrix& V) {
  return GenericNonlinearFit(RegFunc, DerivProc, 1, X, Y, W, N, Lb, Ub, MaxIter, Tol, B, Bmin, Bmax,
                             V);
}

}  // namespace numerics
