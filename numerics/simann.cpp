#include "numerics/simann.h"

#include <cmath>
#include <cstdio>
#include <string>

#include "numerics/indexcheck.h"
#include "numerics/mathfunc.h"
#include "numerics/random.h"
#include "numerics/stat.h"

namespace numerics {

int SA_NS = 5;
int SA_NT = 15;
double SA_RT = 0.9;
int SA_NCycles = 1;

void InitSimAnn() {
  SA_NS = 5;
  SA_NT = 15;
  SA_RT = 0.9;
  SA_NCycles = 1;
}

namespace {

constexpr double Ln2 = 0.6931471805599453;

int AnnealingCycle(const TFunc& Func, TVector& X, const TVector& Xmin, const TVector& Xmax, int Lb,
                   int Ub, int MaxIter, double Tol, double& F_min, TOptimLog& Log) {
  TVector range = AllocVector(Ub), step = AllocVector(Ub);
  TIntVector nacc = AllocIntVector(Ub);
  for (int i = Lb; i <= Ub; ++i) {
    range[i] = Xmax[i] - Xmin[i];
    step[i] = 0.5 * range[i];
  }
  TVector xopt = X;
  double f = Func(X);
  F_min = f;
  // X then holds the last probe while F is still the starting point's value.
  double t = InitTemp(Func, X, Xmin, Lb, Ub, range);
  int iter = 0;
  do {
    int nup = 0, naccup = 0;
    for (int ns = 0; ns < SA_NS; ++ns) {
      for (int nt = 0; nt < SA_NT; ++nt) {
        for (int i = Lb; i <= Ub; ++i) {
          const double kept = X[i];
          X[i] = X[i] + (2.0 * RanMWC() - 1.0) * step[i];
          if (X[i] < Xmin[i] || X[i] > Xmax[i]) X[i] = Xmin[i] + RanMWC() * range[i];
          const double fn = Func(X);
          if (Accept(nup, naccup, fn - f, t)) {
            ++nacc[i];
            f = fn;
          } else {
            X[i] = kept;
          }
          if (f < F_min) {
            // The whole point: the other coordinates may have moved since
            // the best one was recorded.
            xopt = X;
            F_min = f;
          }
        }
      }
      for (int i = Lb; i <= Ub; ++i) {
        step[i] = AdjustStep(step[i], range[i], nacc[i]);
        nacc[i] = 0;
      }
    }
    if (Log.Active()) {
      char buf[160];
      std::snprintf(buf, sizeof buf, "%4d   %s   %s%6d%6d", iter, LogReal(t).c_str(),
                    LogReal(f).c_str(), nup, naccup);
      Log.Line(buf);
    }
    t *= SA_RT;
    ++iter;
  } while (!SAConv(xopt, step, Lb, Ub, Tol) && iter <= MaxIter);
  for (int i = Lb; i <= Ub; ++i) X[i] = xopt[i];
  LastIterCount = iter;
  return iter > MaxIter ? OptNonConv : OptOk;
}

}  // namespace

double InitTemp(const TFunc& Func, TVector& X, const TVector& Xmin, int Lb, int Ub,
                const TVector& Range) {
  TVector inc = AllocVector(50);
  int n = 0;
  double f0 = Func(X);
  int i = Lb;
  for (int k = 0; k < 50; ++k) {
    X[i] = Xmin[i] + RanMWC() * Range[i];
    const double f1 = Func(X);
    if (f1 > f0) inc[++n] = f1 - f0;
    f0 = f1;
    i = i < Ub ? i + 1 : Lb;
  }
  return n > 0 ? Median(inc, 1, n) / Ln2 : 1.0;
}

double AdjustStep(double Step, double Range, int NAcc) {
  const double ratio = static_cast<double>(NAcc) / SA_NT;
  if (ratio > 0.6) {
    Step *= 1.0 + 2.0 * (ratio - 0.6) / 0.4;
    if (Step > Range) Step = Range;
  } else if (ratio < 0.4) {
    Step /= 1.0 + 2.0 * (0.4 - ratio) / 0.4;
  }
  return Step;
}

bool SAConv(const TVector& X, const TVector& Step, int Lb, int Ub, double Tol) {
  for (int i = Lb; i <= Ub; ++i) {
    double lim = std::fabs(X[i]) * Tol;
    if (lim < Tol) lim = Tol;
    if (!(Step[i] < lim)) return false;
  }
  return true;
}

bool Accept(int& NUp, int& NAccUp, double DeltaF, double T) {
  if (DeltaF < 0.0) return true;
  ++NUp;
  if (RanMWC() < Expo(-DeltaF / T)) {
    ++NAccUp;
    return true;
  }
  return false;
}

int SimulatedAnnealing(const TFunc& Func, TVector& X, const TVector& Xmin, const TVector& Xmax,
                       int Lb, int Ub, int MaxIter, double Tol, double& F_min) {
  if (Lb < 0 || Ub < Lb || !HasIndex(X, Ub) || !HasIndex(Xmin, Ub) || !HasIndex(Xmax, Ub))
    return OptSingular;
  for (int i = Lb; i <= Ub; ++i)
    if (!(Xmax[i] >= Xmin[i])) return OptSingular;
  TOptimLog log;
  Reseed();
  int result = OptOk;
  for (int cycle = 1; cycle <= SA_NCycles && result == OptOk; ++cycle) {
    if (log.Active()) {
      log.Line("Simulated annealing: Cycle " + std::to_string(cycle));
      log.Line("");
      log.Line("Iter         T              F        Inc   Acc");
    }
    result = AnnealingCycle(Func, X, Xmin, Xmax, Lb, Ub, MaxIter, Tol, F_min, log);
  }
  log.Close();
  return result;
}

}  // namespace numerics
