#include "numerics/regress.h"

#include <cmath>

#include "numerics/mathfunc.h"
#include "numerics/matrices.h"
#include "numerics/specfunc.h"
#include "numerics/stat.h"

namespace numerics {

RegressionModelKind RegressionModel = 0;
VarianceModelKind VarianceModel = 0;
int LinearSolver = SolverSvd;
int Optimizer = 0;
int FirstPoint = 1;
std::string SimulationFileName;

namespace {

TNonlinearFitProc NonlinearFitter = nullptr;

bool HasIndex(const TVector& V, int I) { return I >= 0 && static_cast<std::size_t>(I) < V.size(); }

// The observation and coefficient ranges a linear fit touches must exist;
// a short container is bad input, reported like a singular system.
bool LinearFitShapesOk(bool Weighted, const TMatrix& U, const TVector& Y, const TVector& W, int N,
                       int Nvar, int Lb, const TVector& B, const TMatrix& V) {
  if (FirstPoint < 0 || N < FirstPoint || Nvar < Lb) return false;
  if (static_cast<int>(U.size()) <= Nvar) return false;
  for (int j = 1; j <= Nvar; ++j)
    if (!HasIndex(U[j], N)) return false;
  if (!HasIndex(Y, N) || (Weighted && !HasIndex(W, N))) return false;
  if (!HasIndex(B, Nvar) || static_cast<int>(V.size()) <= Nvar) return false;
  for (int i = Lb; i <= Nvar; ++i)
    if (!HasIndex(V[i], Nvar)) return false;
  return true;
}

// Power of two nearest to 1/sqrt(D): scaling by it is exact.
double ExactScale(double D) {
  if (!(D > 0.0) || !std::isfinite(D)) return 1.0;
  int e;
  std::frexp(1.0 / std::sqrt(D), &e);
  return std::ldexp(1.0, e - 1);
}

}  // namespace

void InitRegress() {
  RegressionModel = 0;
  VarianceModel = 0;
  LinearSolver = SolverSvd;
  Optimizer = 0;
  FirstPoint = 1;
  SimulationFileName.clear();
}

void SetLinearSolver(int Solver) { LinearSolver = Solver; }
void SetOptimizer(int Opt) { Optimizer = Opt; }
void SetFirstPoint(int Index) { FirstPoint = Index; }
void SetSimulationFileName(const std::string& FileName) { SimulationFileName = FileName; }

void SetNonlinearFitProc(TNonlinearFitProc Proc) { NonlinearFitter = Proc; }
TNonlinearFitProc NonlinearFitProc() { return NonlinearFitter; }

namespace {

int GenericLineFit(bool Weighted, const TVector& X, const TVector& Y, const TVector& W, int N, TVector& B,
                   TMatrix& V) {
  if (FirstPoint < 0 || !HasIndex(X, N) || !HasIndex(Y, N) || (Weighted && !HasIndex(W, N)) ||
      !HasIndex(B, 1) || V.size() < 2 || V[0].size() < 2 || V[1].size() < 2)
    return MatSingular;
  double s0 = 0.0, sx = 0.0, sy = 0.0, sxx = 0.0, sxy = 0.0;
  for (int k = FirstPoint; k <= N; ++k) {
    double w = Weighted ? W[k] : 1.0;
    s0 += w;
    sx += w * X[k];
    sy += w * Y[k];
    sxx += w * X[k] * X[k];
    sxy += w * X[k] * Y[k];
  }
  double d = s0 * sxx - sx * sx;
  // D is S0 * Sxx times the relative spread of the abscissas; below the
  // rounding of its two products the abscissas are all equal (or there are
  // fewer than two of them) and the line is not determined.
  if (!(d > 16.0 * MachEp * s0 * sxx)) return MatSingular;
  V[0][0] = sxx / d;
  V[0][1] = V[1][0] = -sx / d;
  V[1][1] = s0 / d;
  B[0] = V[0][0] * sy + V[0][1] * sxy;
  B[1] = V[1][0] * sy + V[1][1] * sxy;
  return 0;
}

}  // namespace

int LineFit(const TVector& X, const TVector& Y, int N, TVector& B, TMatrix& V) {
  return GenericLineFit(false, X, Y, TVector{}, N, B, V);
}

int WeightedLineFit(const TVector& X, const TVector& Y, const TVector& W, int N, TVector& B,
                    TMatrix& V) {
  return GenericLineFit(true, X, Y, W, N, B, V);
}

int MultipleLinearFit(const TMatrix& U, const TVector& Y, int N, int Nvar, bool ConsTerm, TVector& B,
                      TMatrix& V) {
  return LinearLeastSquares(false, U, Y, TVector{}, N, Nvar, ConsTerm, B, V);
}

int WeightedMultipleLinearFit(const TMatrix& U, const TVector& Y, const TVector& W, int N, int Nvar,
                              bool ConsTerm, TVector& B, TMatrix& V) {
  return LinearLeastSquares(true, U, Y, W, N, Nvar, ConsTerm, B, V);
}

void PowerMatrix(const TVector& X, int N, int Deg, TMatrix& U) {
  AllocMatrix(U, Deg, N);
  if (Deg < 1 || N < 0) return;
  for (int i = 0; i <= N && static_cast<std::size_t>(i) < X.size(); ++i) {
    U[1][i] = X[i];
    for (int k = 2; k <= Deg; ++k) U[k][i] = U[k - 1][i] * X[i];
  }
}

int PolynomialFit(const TVector& X, const TVector& Y, int N, int Deg, TVector& B, TMatrix& V) {
  TMatrix u;
  PowerMatrix(X, N, Deg, u);
  return MultipleLinearFit(u, Y, N, Deg, true, B, V);
}

int WeightedPolynomialFit(const TVector& X, const TVector& Y, const TVector& W, int N, int Deg,
                          TVector& B, TMatrix& V) {
  TMatrix u;
  PowerMatrix(X, N, Deg, u);
  return WeightedMultipleLinearFit(u, Y, W, N, Deg, true, B, V);
}

int LinearLeastSquares(bool Weighted, const TMatrix& U, const TVector& Y, const TVector& W, int N,
                       int Nvar, bool ConsTerm, TVector& B, TMatrix& V) {
  switch (LinearSolver) {
    case SolverGaussJordan: return NormalEquationsFit(Weighted, U, Y, W, N, Nvar, ConsTerm, B, V);
    case SolverSvd: return SvdFit(Weighted, U, Y, W, N, Nvar, ConsTerm, B, V);
    default: return 0;
  }
}

int NormalEquationsFit(bool Weighted, const TMatrix& U, const TVector& Y, const TVector& W, int N,
                       int Nvar, bool ConsTerm, TVector& B, TMatrix& V) {
  const int lb = ConsTerm ? 0 : 1;
  if (!LinearFitShapesOk(Weighted, U, Y, W, N, Nvar, lb, B, V)) return MatSingular;
  // Fewer observations than coefficients leave the coefficients undetermined,
  // however the elimination's rounding happens to come out.
  const int n = N - FirstPoint + 1;
  if (n < Nvar - lb + 1) return MatSingular;

  // Kept from fit to fit (a curve fit runs two fits per model, model after
  // model): refilling them costs no allocation.
  thread_local TMatrix a;
  thread_local TVector b, d, weighted;
  AllocMatrix(a, Nvar, Nvar);
  AllocVector(b, Nvar);

  if (ConsTerm) {
    double s0 = 0.0, sy = 0.0;
    for (int k = FirstPoint; k <= N; ++k) {
      double w = Weighted ? W[k] : 1.0;
      s0 += w;
      sy += w * Y[k];
    }
    a[0][0] = Weighted ? s0 : n;
    b[0] = sy;
    for (int j = 1; j <= Nvar; ++j) {
      double s = 0.0;
      for (int k = FirstPoint; k <= N; ++k) s += (Weighted ? W[k] : 1.0) * U[j][k];
      a[0][j] = s;
      a[j][0] = s;
    }
  }
  // Each sum runs along the rows of U, which hold one regressor for every
  // observation, and four sums go side by side; each still adds its terms
  // w*U[i][k] * U[j][k] in the order of the observations, so the sums are
  // the same to the last bit as term-by-term accumulation gives.
  if (Weighted) AllocVector(weighted, N);
  const int first = FirstPoint;
  for (int i = 1; i <= Nvar; ++i) {
    const double* wu = U[i].data();
    if (Weighted) {
      for (int k = first; k <= N; ++k) weighted[k] = W[k] * U[i][k];
      wu = weighted.data();
    }
    int j = i;
    for (; j + 3 <= Nvar; j += 4) {
      const double *u0 = U[j].data(), *u1 = U[j + 1].data(), *u2 = U[j + 2].data(), *u3 = U[j + 3].data();
      double s0 = 0.0, s1 = 0.0, s2 = 0.0, s3 = 0.0;
      for (int k = first; k <= N; ++k) {
        const double x = wu[k];
        s0 += x * u0[k];
        s1 += x * u1[k];
        s2 += x * u2[k];
        s3 += x * u3[k];
      }
      a[i][j] = s0;
      a[i][j + 1] = s1;
      a[i][j + 2] = s2;
      a[i][j + 3] = s3;
    }
    for (; j <= Nvar; ++j) {
      const double* uj = U[j].data();
      double s = 0.0;
      for (int k = first; k <= N; ++k) s += wu[k] * uj[k];
      a[i][j] = s;
    }
    double sy = 0.0;
    for (int k = first; k <= N; ++k) sy += wu[k] * Y[k];
    b[i] = sy;
  }
  for (int i = 2; i <= Nvar; ++i)
    for (int j = 1; j < i; ++j) a[i][j] = a[j][i];

  // Scaling the normal equations to a unit diagonal (by exact powers of two)
  // leaves the solution as it is but lets the pivot search compare like with
  // like: the regressors of a te/tc polynomial differ by many decades.
  AllocVector(d, Nvar);
  for (int i = lb; i <= Nvar; ++i) d[i] = ExactScale(a[i][i]);
  for (int i = lb; i <= Nvar; ++i) {
    b[i] *= d[i];
    for (int j = lb; j <= Nvar; ++j) a[i][j] *= d[i] * d[j];
  }

  double det = 0.0;
  int result = GaussJordanSolve(a, b, lb, Nvar, V, B, det);
  for (int i = lb; i <= Nvar; ++i) {
    B[i] *= d[i];
    for (int j = lb; j <= Nvar; ++j) V[i][j] *= d[i] * d[j];
  }
  return result;
}

int SvdFit(bool Weighted, const TMatrix& U, const TVector& Y, const TVector& W, int N, int Nvar,
           bool ConsTerm, TVector& B, TMatrix& V) {
  const int lb = ConsTerm ? 0 : 1;
  if (!LinearFitShapesOk(Weighted, U, Y, W, N, Nvar, lb, B, V)) return MatSingular;
  const int n = N - FirstPoint + 1;
  // The decomposition needs at least as many rows as columns, and fewer
  // observations than coefficients cannot determine them anyway.
  if (n < Nvar - lb + 1) return MatSingular;
  const int ub = ConsTerm ? N - FirstPoint : N - FirstPoint + 1;

  TMatrix a, vs;
  TVector rhs, s, c;
  AllocMatrix(a, ub, Nvar);
  AllocVector(rhs, ub);
  AllocVector(s, Nvar);
  AllocMatrix(vs, Nvar, Nvar);
  for (int r = lb; r <= ub; ++r) {
    int k = r - lb + FirstPoint;
    double sw = Weighted ? std::sqrt(W[k]) : 1.0;
    if (ConsTerm) a[r][0] = sw;
    for (int j = 1; j <= Nvar; ++j) a[r][j] = U[j][k] * sw;
    rhs[r] = Y[k] * sw;
  }

  // Columns scaled to unit length (by exact powers of two) so that the
  // singular values measure the rank of the problem, not the units of its
  // regressors; the solution and its covariance are scaled back below.
  AllocVector(c, Nvar);
  for (int j = lb; j <= Nvar; ++j) {
    double ss = 0.0;
    for (int r = lb; r <= ub; ++r) ss += a[r][j] * a[r][j];
    c[j] = ExactScale(ss);
    for (int r = lb; r <= ub; ++r) a[r][j] *= c[j];
  }

  int result = SingularValueDecomposition(a, lb, ub, Nvar, s, vs);
  if (result != 0) return result;

  // A singular value lost in rounding means a rank-deficient design: the
  // coefficients are not determined, which is a failure, not a fit.
  const double tol = n * MachEp;
  SvdSetZero(s, lb, Nvar, tol);
  bool rankDeficient = false;
  for (int j = lb; j <= Nvar; ++j)
    if (!(s[j] > 0.0)) rankDeficient = true;
  if (rankDeficient) return MatSingular;

  SvdSolve(a, s, vs, rhs, lb, ub, Nvar, B);
  for (int i = lb; i <= Nvar; ++i) {
    for (int j = i; j <= Nvar; ++j) {
      double sum = 0.0;
      for (int k = lb; k <= Nvar; ++k) {
        double q = s[k] > 0.0 ? 1.0 / (s[k] * s[k]) : 0.0;
        sum += vs[i][k] * vs[j][k] * q;
      }
      V[i][j] = V[j][i] = sum * c[i] * c[j];
    }
  }
  for (int i = lb; i <= Nvar; ++i) B[i] *= c[i];
  return 0;
}

namespace {

void GenericRegressionTest(bool Weighted, const TVector& Y, const TVector& Ycalc, const TVector& W, int N,
                           int Lb, int Ub, TMatrix& V, FitStatistics& Test) {
  const int n = N - FirstPoint + 1;
  const int p = Ub - Lb + 1;
  if (p < n) {
    double ym = Mean(Y, FirstPoint, N);
    double sst = 0.0, ssr = 0.0, sse = 0.0, syy = 0.0;
    for (int i = FirstPoint; i <= N; ++i) {
      double w = Weighted ? W[i] : 1.0;
      double d = Y[i] - ym;
      sst += w * d * d;
      d = Ycalc[i] - ym;
      ssr += w * d * d;
      d = Y[i] - Ycalc[i];
      sse += w * d * d;
      syy += w * Y[i] * Y[i];
    }
    // Equal observations leave nothing to explain: the fit counts as perfect
    // when its residuals are rounding noise, else as explaining nothing.
    if (sst > 0.0)
      Test.R2 = 1.0 - sse / sst;
    else
      Test.R2 = (sse <= MachEp * syy) ? 1.0 : 0.0;
    Test.R2a = 1.0 - (1.0 - Test.R2) * (n - 1) / (n - p);
    Test.Vr = sse / (n - p);
    if (p < 2 || !(ssr > 0.0) || !(sst > 0.0)) {
      // No regressor beyond the constant, nothing explained or nothing to
      // explain: no evidence against the null hypothesis.
      Test.F = 0.0;
      Test.Prob = 1.0;
    } else if (Test.Vr > 0.0) {
      Test.F = (ssr / (p - 1)) / Test.Vr;
      Test.Prob = FDistributionTail(p - 1, n - p, Test.F);
    } else {
      Test.F = MaxNum;
      Test.Prob = 0.0;
    }
  } else {
    Test.Vr = 0.0;
    Test.R2 = 1.0;
    Test.R2a = 1.0;
    Test.F = 0.0;
    Test.Prob = 1.0;
  }
  for (int i = Lb; i <= Ub; ++i)
    for (int j = i; j <= Ub; ++j) V[i][j] *= Test.Vr;
  for (int i = Lb; i <= Ub; ++i)
    for (int j = Lb; j < i; ++j) V[i][j] = V[j][i];
}

}  // namespace

void RegressionTest(const TVector& Y, const TVector& Ycalc, int N, int Lb, int Ub, TMatrix& V,
                    FitStatistics& Test) {
  GenericRegressionTest(false, Y, Ycalc, TVector{}, N, Lb, Ub, V, Test);
}

void WeightedRegressionTest(const TVector& Y, const TVector& Ycalc, const TVector& W, int N, int Lb,
                            int Ub, TMatrix& V, FitStatistics& Test) {
  GenericRegressionTest(true, Y, Ycalc, W, N, Lb, Ub, V, Test);
}

}  // namespace numerics
