#include "numerics/optim.h"

#include <cmath>

#include "numerics/indexcheck.h"
#include "numerics/mathfunc.h"
#include "numerics/matrices.h"

namespace numerics {

bool WriteLog = false;
std::string LogFileName = "optim.log";
int LastIterCount = 0;

namespace {

// Never read by the library's routines; kept with the module's start-up.
double Eps3 = 0.0;

constexpr double Gold = 1.618033988749895;
constexpr double GoldR = 0.38196601125010515;

bool RangeOk(const TVector& X, int Lb, int Ub) { return Lb >= 0 && Lb <= Ub && HasIndex(X, Ub); }

}  // namespace

void InitOptim() {
  WriteLog = false;
  LogFileName = "optim.log";
  LastIterCount = 0;
  Eps3 = std::pow(MachEp, 0.333);
}

std::string LogReal(double X) {
  return PrintfReal(X, false, 4, 12);
}

TOptimLog::TOptimLog() {
  if (WriteLog) File = std::fopen(LogFileName.c_str(), "w");
}

TOptimLog::~TOptimLog() { Close(); }

void TOptimLog::Line(const std::string& Text) {
  if (File) std::fprintf(File, "%s\n", Text.c_str());
}

void TOptimLog::Values(int Iter, double A) {
  if (File) std::fprintf(File, "%4d   %s\n", Iter, LogReal(A).c_str());
}

void TOptimLog::Values(int Iter, double A, double B) {
  if (File) std::fprintf(File, "%4d   %s   %s\n", Iter, LogReal(A).c_str(), LogReal(B).c_str());
}

void TOptimLog::Close() {
  if (File) std::fclose(File);
  File = nullptr;
}

bool ParamConv(const TVector& X0, const TVector& X1, int Lb, int Ub, double Tol) {
  for (int i = Lb; i <= Ub; ++i) {
    double lim = std::fabs(X0[i]) * Tol;
    if (lim < Tol) lim = Tol;
    if (!(std::fabs(X1[i] - X0[i]) < lim)) return false;
  }
  return true;
}

double InfNorm(const TVector& X, int Lb, int Ub) {
  double m = 0.0;
  for (int i = Lb; i <= Ub; ++i) m = std::fmax(m, std::fabs(X[i]));
  return m;
}

int MinBrack(const TFunc1& F, double& A, double& B, double& C, double& Fa, double& Fb, double& Fc) {
  if (A > B) FSwap(A, B);
  Fa = F(A);
  Fb = F(B);
  if (Fb > Fa) {
    FSwap(A, B);
    FSwap(Fa, Fb);
  }
  C = B + Gold * (B - A);
  Fc = F(C);
  int steps = 0;
  int result = OptOk;
  while (Fc < Fb) {
    if (++steps > MinBrackMaxSteps) {
      // Keep the lowest point in the middle position.
      FSwap(B, C);
      FSwap(Fb, Fc);
      result = OptNonConv;
      break;
    }
    A = B;
    Fa = Fb;
    B = C;
    Fb = Fc;
    C = B + Gold * (B - A);
    Fc = F(C);
  }
  if (A > C) {
    FSwap(A, C);
    FSwap(Fa, Fc);
  }
  return result;
}

int GoldSearch(const TFunc1& F, double A, double B, int MaxIter, double Tol, double& Xmin,
               double& Ymin) {
  const double minTol = std::sqrt(MachEp);
  if (Tol < minTol) Tol = minTol;
  double C, Fa, Fb, Fc;
  if (MinBrack(F, A, B, C, Fa, Fb, Fc) != OptOk) {
    Xmin = B;
    Ymin = Fb;
    return OptNonConv;
  }
  double x0 = A, x3 = C, x1, x2, f1, f2;
  if (C - B > B - A) {
    x1 = B;
    f1 = Fb;
    x2 = B + GoldR * (C - B);
    f2 = F(x2);
  } else {
    x2 = B;
    f2 = Fb;
    x1 = B - GoldR * (B - A);
    f1 = F(x1);
  }
  bool converged = false;
  for (int k = 0; k <= MaxIter; ++k) {
    if (std::fabs(x3 - x0) <= Tol * (std::fabs(x1) + std::fabs(x2))) {
      converged = true;
      break;
    }
    if (f2 < f1) {
      x0 = x1;
      x1 = x2;
      f1 = f2;
      x2 = x2 + GoldR * (x3 - x2);
      f2 = F(x2);
    } else {
      x3 = x2;
      x2 = x1;
      f2 = f1;
      x1 = x1 - GoldR * (x1 - x0);
      f1 = F(x1);
    }
  }
  if (f1 < f2) {
    Xmin = x1;
    Ymin = f1;
  } else {
    Xmin = x2;
    Ymin = f2;
  }
  return converged ? OptOk : OptNonConv;
}

int LinMin(const TFunc& Func, TVector& X, const TVector& DeltaX, int Lb, int Ub, int MaxIter,
           double Tol, double& F_min) {
  if (!RangeOk(X, Lb, Ub) || !HasIndex(DeltaX, Ub)) return OptSingular;
  // The line context: copies, so that the caller's vectors may change.
  const TVector x0 = X;
  const TVector dx = DeltaX;
  TVector work = X;
  auto f1dim = [&](double r) {
    for (int i = Lb; i <= Ub; ++i) work[i] = x0[i] + r * dx[i];
    return Func(work);
  };
  double r = 0.0;
  int result = GoldSearch(f1dim, 0.0, 1.0, MaxIter, Tol, r, F_min);
  if (result == OptOk)
    for (int i = Lb; i <= Ub; ++i) X[i] = x0[i] + r * dx[i];
  return result;
}

int NelderMeadSimplex(const TFunc& Func, TVector& X, int Lb, int Ub, int MaxIter, double Tol,
                      double& F_min) {
  if (!RangeOk(X, Lb, Ub)) return OptSingular;
  const int nv = Ub + 1;  // vertices Lb..Ub+1
  TMatrix p(static_cast<std::size_t>(nv) + 1, X);
  TVector f(static_cast<std::size_t>(nv) + 1, 0.0);
  for (int i = Lb; i <= Ub; ++i) p[i][i] *= 1.5;
  for (int i = Lb; i <= nv; ++i) f[i] = Func(p[i]);

  TOptimLog log;
  log.Line("Simplex");
  log.Line("Iter         F");

  TVector pbar = X, pr = X, pe = X, pc = X;
  int iter = 1;
  double best = MaxNum;
  int l = Lb;
  for (;;) {
    l = Lb;
    int h = Lb;
    for (int i = Lb + 1; i <= nv; ++i) {
      if (f[i] < f[l])
        l = i;
      else if (f[i] > f[h])
        h = i;
    }
    best = std::fmin(best, f[l]);
    log.Values(iter, best);

    for (int j = Lb; j <= Ub; ++j) {
      double s = 0.0;
      for (int i = Lb; i <= nv; ++i)
        if (i != h) s += p[i][j];
      pbar[j] = s / (Ub - Lb + 1);
    }
    for (int j = Lb; j <= Ub; ++j) pr[j] = 2.0 * pbar[j] - p[h][j];
    double fr = Func(pr);

    if (fr < f[l]) {
      for (int j = Lb; j <= Ub; ++j) pe[j] = 3.0 * pbar[j] - 2.0 * p[h][j];
      double fe = Func(pe);
      if (fe < f[l]) {
        p[h] = pe;
        f[h] = fe;
      } else {
        p[h] = pr;
        f[h] = fr;
      }
    } else {
      bool someHigher = false;
      for (int i = Lb; i <= nv; ++i)
        if (i != h && f[i] > fr) someHigher = true;
      if (someHigher) {
        p[h] = pr;
        f[h] = fr;
      } else {
        if (fr <= f[h]) {
          p[h] = pr;
          f[h] = fr;
        }
        for (int j = Lb; j <= Ub; ++j) pc[j] = (p[h][j] + pbar[j]) * 0.5;
        double fc = Func(pc);
        if (fc > f[h]) {
          // Shrink towards the lowest vertex; the stored values are kept
          // as they were.
          for (int i = Lb; i <= nv; ++i)
            for (int j = Lb; j <= Ub; ++j) p[i][j] = (p[i][j] + p[l][j]) * 0.5;
        } else {
          p[h] = pc;
          f[h] = fc;
        }
      }
    }

    double d = 0.0;
    for (int j = Lb; j <= Ub; ++j) d = std::fmax(d, std::fabs(p[h][j] - p[l][j]));
    ++iter;
    if (!(d >= Tol) || iter > MaxIter) break;
  }
  for (int j = Lb; j <= Ub; ++j) X[j] = p[l][j];
  F_min = f[l];
  LastIterCount = iter - 1;
  return iter > MaxIter ? OptNonConv : OptOk;
}

int MarquardtFit(const TFunc& Func, const THessGrad& HessGrad, TVector& X, int Lb, int Ub,
                 int MaxIter, double Tol, double& F_min, TMatrix& H_inv) {
  if (!RangeOk(X, Lb, Ub) || !MatrixHas(H_inv, Ub, Ub)) return OptSingular;
  TMatrix a, h;
  TVector g, dx, oldX;
  AllocMatrix(a, Ub, Ub);
  AllocMatrix(h, Ub, Ub);
  AllocVector(g, Ub);
  AllocVector(dx, Ub);
  double lambda = 0.01;
  F_min = Func(X);
  int iter = 1;
  bool converged = false, done = false;
  int result = OptOk;

  TOptimLog log;
  log.Line("Marquardt");
  log.Line("Iter         F            Lambda");

  do {
    oldX = X;
    HessGrad(Func, X, Lb, Ub, g, h);
    for (int i = Lb; i <= Ub; ++i) {
      for (int j = Lb; j <= Ub; ++j) a[i][j] = h[i][j];
      g[i] = -g[i];
    }
    double det = 0.0;
    if (converged) {
      // The last step is the undamped one; it also gives the inverse
      // Hessian the caller turns into the covariance matrix.
      if (GaussJordanSolve(a, g, Lb, Ub, H_inv, dx, det) == MatOk) {
        for (int i = Lb; i <= Ub; ++i) X[i] = oldX[i] + dx[i];
      } else {
        result = OptSingular;
      }
      done = true;
    } else {
      double f1 = F_min;
      bool decrease = false;
      do {
        for (int i = Lb; i <= Ub; ++i) a[i][i] = (1.0 + lambda) * h[i][i];
        if (GaussJordanSolve(a, g, Lb, Ub, H_inv, dx, det) != MatOk) {
          result = OptSingular;
          break;
        }
        X = oldX;
        LinMin(Func, X, dx, Lb, Ub, 100, 0.01, f1);
        // An exact fit (a sum of squares of 0) cannot decrease further; it
        // counts as a decrease rather than driving lambda to failure.
        decrease = f1 - F_min < 1E-10 * F_min || (F_min == 0.0 && f1 == 0.0);
        if (!decrease) {
          lambda *= 10.0;
          if (lambda > 1000.0) result = OptBigLambda;
        }
      } while (!decrease && result == OptOk);
      if (result == OptOk) {
        converged = ParamConv(oldX, X, Lb, Ub, Tol);
        lambda /= 10.0;
        F_min = f1;
      }
    }
    log.Values(iter, F_min, lambda);
    ++iter;
    if (iter > MaxIter && result == OptOk) result = OptNonConv;
  } while (result == OptOk && !done);
  LastIterCount = iter - 1;
  return result;
}

int BfgsMinimize(const TFunc& Func, const TGradient& Gradient, TVector& X, int Lb, int Ub,
                 int MaxIter, double Tol, double& F_min, TMatrix& H_inv) {
  if (!RangeOk(X, Lb, Ub) || !MatrixHas(H_inv, Ub, Ub)) return OptSingular;
  TVector g, oldG, dx, oldX, dX, dG, hdg, r1, r2, u;
  AllocVector(g, Ub);
  AllocVector(dx, Ub);
  AllocVector(dX, Ub);
  AllocVector(dG, Ub);
  AllocVector(hdg, Ub);
  AllocVector(r1, Ub);
  AllocVector(r2, Ub);
  AllocVector(u, Ub);

  F_min = Func(X);
  for (int i = Lb; i <= Ub; ++i)
    for (int j = Lb; j <= Ub; ++j) H_inv[i][j] = i == j ? 1.0 : 0.0;
  Gradient(Func, X, Lb, Ub, g);
  bool converged = InfNorm(g, Lb, Ub) <= MachEp;
  if (!converged)
    for (int i = Lb; i <= Ub; ++i) dx[i] = -g[i];
  int iter = 0;

  TOptimLog log;
  log.Line("BFGS");
  log.Line("Iter         F");

  while (!converged && iter < MaxIter) {
    log.Values(iter, F_min);
    double norm = InfNorm(dx, Lb, Ub);
    if (norm > 1.0)
      for (int i = Lb; i <= Ub; ++i) dx[i] /= norm;
    oldX = X;
    oldG = g;
    LinMin(Func, X, dx, Lb, Ub, 100, 0.01, F_min);
    Gradient(Func, X, Lb, Ub, g);
    double di = 0.0, dj = 0.0;
    for (int i = Lb; i <= Ub; ++i) {
      dX[i] = X[i] - oldX[i];
      dG[i] = g[i] - oldG[i];
    }
    for (int i = Lb; i <= Ub; ++i) {
      double s = 0.0;
      for (int j = Lb; j <= Ub; ++j) s += H_inv[i][j] * dG[j];
      hdg[i] = s;
      di += dX[i] * dG[i];
    }
    for (int i = Lb; i <= Ub; ++i) dj += dG[i] * hdg[i];
    if (di == 0.0 || dj == 0.0) {
      converged = true;
    } else {
      for (int i = Lb; i <= Ub; ++i) {
        r1[i] = dX[i] / di;
        r2[i] = hdg[i] / dj;
        u[i] = r1[i] - r2[i];
      }
      for (int i = Lb; i <= Ub; ++i)
        for (int j = Lb; j <= Ub; ++j)
          H_inv[i][j] += r1[i] * dX[j] - r2[i] * hdg[j] + dj * u[i] * u[j];
      for (int i = Lb; i <= Ub; ++i) {
        double s = 0.0;
        for (int j = Lb; j <= Ub; ++j) s += H_inv[i][j] * g[j];
        dx[i] = -s;
      }
      converged = ParamConv(oldX, X, Lb, Ub, Tol);
      ++iter;
    }
  }
  LastIterCount = iter;
  return converged ? OptOk : OptNonConv;
}

}  // namespace numerics
