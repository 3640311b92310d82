#include "numerics/mcmc.h"

#include <cmath>
#include <cstdio>

#include "numerics/indexcheck.h"
#include "numerics/mathfunc.h"
#include "numerics/matrices.h"
#include "numerics/random.h"
#include "numerics/regress.h"

namespace numerics {

int MH_NCycles = 5;
int MH_MaxSim = 100;
int MH_SavedSim = 100;
int MH_MaxTrials = 100000;

void InitMcmc() {
  MH_NCycles = 5;
  MH_MaxSim = 100;
  MH_SavedSim = 100;
  MH_MaxTrials = 100000;
}

namespace {

int Cycle(const TFunc& Func, double T, bool First, TVector& X, TMatrix& V, int Lb, int Ub,
          TMatrix& M, TVector& Xmin, double& F_min) {
  TVector s = AllocVector(Ub);
  TMatrix l = AllocMatrix(Ub, Ub);
  if (First) {
    for (int i = Lb; i <= Ub; ++i) {
      if (!(V[i][i] > 0.0)) return OptNonConv;
      s[i] = std::sqrt(V[i][i]);
    }
  } else if (CholeskyDecomp(V, Lb, Ub, l) != MatOk) {
    return OptNonConv;
  }

  double f = Func(X);
  const int nfirst = MH_MaxSim - MH_SavedSim + 1;
  int k = 1, j = 1, trials = 0;
  TVector xt = X;
  while (k <= MH_MaxSim) {
    if (++trials > MH_MaxTrials) return OptNonConv;
    if (First)
      RanMultIndep(X, s, Lb, Ub, xt);
    else
      RanMult(X, l, Lb, Ub, xt);
    const double ft = Func(xt);
    const double df = ft - f;
    const bool accepted = df < 0.0 || (df / T <= MaxLog && RanMWC() < std::exp(-df / T));
    if (!accepted) continue;
    for (int i = Lb; i <= Ub; ++i) X[i] = xt[i];
    if (k >= nfirst) {
      for (int i = Lb; i <= Ub; ++i) M[i][j] = xt[i];
      ++j;
    }
    if (ft < F_min) {
      for (int i = Lb; i <= Ub; ++i) Xmin[i] = xt[i];
      F_min = ft;
    }
    f = ft;
    ++k;
  }

  const int ns = MH_SavedSim;
  for (int i = Lb; i <= Ub; ++i) {
    double sum = 0.0;
    for (int c = 1; c <= ns; ++c) sum += M[i][c];
    X[i] = sum / ns;
  }
  for (int i = Lb; i <= Ub; ++i) {
    for (int q = i; q <= Ub; ++q) {
      double sum = 0.0;
      for (int c = 1; c <= ns; ++c) sum += (M[i][c] - X[i]) * (M[q][c] - X[q]);
      V[i][q] = V[q][i] = sum / ns;
    }
  }
  return OptOk;
}

void WriteSimulationFile(const std::string& FileName, const TMatrix& M, int Lb, int Ub) {
  std::FILE* f = std::fopen(FileName.c_str(), "w");
  if (!f) return;
  std::fprintf(f, "Simulation (Metropolis-Hastings)\n");
  std::fprintf(f, " Iter");
  for (int i = Lb; i <= Ub; ++i) std::fprintf(f, "%14s%d", "b", i);
  std::fprintf(f, "\n");
  for (int j = 1; j <= MH_SavedSim; ++j) {
    std::fprintf(f, "%5d", j);
    for (int i = Lb; i <= Ub; ++i) std::fprintf(f, " %s", PrintfReal(M[i][j], true, 6, 14).c_str());
    std::fprintf(f, "\n");
  }
  std::fclose(f);
}

}  // namespace

int MetropolisHastings(const TFunc& Func, double T, TVector& X, TMatrix& V, int Lb, int Ub,
                       TMatrix& M, TVector& Xmin, double& F_min) {
  // Every saved draw must be one of the cycle's accepted draws.
  if (Lb < 0 || Ub < Lb || MH_SavedSim < 1 || MH_SavedSim > MH_MaxSim || !HasIndex(X, Ub) ||
      !HasIndex(Xmin, Ub) || !MatrixHas(V, Ub, Ub) || !MatrixHas(M, Ub, MH_SavedSim))
    return OptSingular;
  Reseed();
  F_min = MaxNum;
  int result = OptOk;
  for (int cycle = 1; cycle <= MH_NCycles && result == OptOk; ++cycle)
    result = Cycle(Func, T, cycle == 1, X, V, Lb, Ub, M, Xmin, F_min);
  return result;
}

int SimulationFit(const TFunc& Objective, TVector& B, const TVector& Bmin, const TVector& Bmax,
                  int Lb, int Ub, double& F_min, TMatrix& V) {
  if (Lb < 0 || Ub < Lb || !HasIndex(B, Ub) || !HasIndex(Bmin, Ub) || !HasIndex(Bmax, Ub) ||
      !MatrixHas(V, Ub, Ub))
    return OptSingular;
  for (int i = Lb; i <= Ub; ++i) B[i] = Bmin[i] + RanMWC() * (Bmax[i] - Bmin[i]);
  for (int i = Lb; i <= Ub; ++i)
    for (int j = Lb; j <= Ub; ++j) {
      const double sd = (Bmax[i] - Bmin[i]) / 6.0;
      V[i][j] = i == j ? sd * sd : 0.0;
    }
  TMatrix m = AllocMatrix(Ub, MH_SavedSim);
  // B is both the walk's point and its best point: it ends as the mean.
  int result = MetropolisHastings(Objective, 2.0, B, V, Lb, Ub, m, B, F_min);
  if (result == OptOk && !SimulationFileName.empty())
    WriteSimulationFile(SimulationFileName, m, Lb, Ub);
  return result;
}

}  // namespace numerics
