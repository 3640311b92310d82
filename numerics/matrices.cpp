#include "numerics/matrices.h"

#include <cmath>
#include <utility>

#include "numerics/mathfunc.h"

namespace numerics {

namespace {

// Row scales of the block so that each row's largest magnitude becomes 1,
// then column scales of the row-scaled block. A zero row or column keeps the
// scale 1: the absolute pivot test finds it anyway.
void EquilibrationScales(const TMatrix& A, int Lb, int Ub, TVector& Rs, TVector& Cs) {
  AllocVector(Rs, Ub);
  AllocVector(Cs, Ub);
  for (int i = Lb; i <= Ub; ++i) {
    double m = 0.0;
    // As fmax, which passes over NaN, without the library call.
    for (int j = Lb; j <= Ub; ++j) {
      const double v = std::fabs(A[i][j]);
      if (v > m) m = v;
    }
    Rs[i] = (m > 0.0 && std::isfinite(m)) ? 1.0 / m : 1.0;
  }
  for (int j = Lb; j <= Ub; ++j) {
    double m = 0.0;
    for (int i = Lb; i <= Ub; ++i) {
      const double v = std::fabs(A[i][j]) * Rs[i];
      if (v > m) m = v;
    }
    Cs[j] = (m > 0.0 && std::isfinite(m)) ? 1.0 / m : 1.0;
  }
}

// Shared elimination of GaussJordanSolve and InvertMatrix; X and Det are
// null for the inversion.
int GaussJordan(const TMatrix& A, const TVector* B, int Lb, int Ub, TMatrix& AInv, TVector* X,
                double* Det) {
  if (Ub < Lb) {
    if (Det) *Det = 1.0;
    return MatOk;
  }
  CopyMatrix(AInv, A, Lb, Lb, Ub, Ub);
  if (X) CopyVector(*X, *B, Lb, Ub);
  if (Det) *Det = 1.0;

  TIntVector prow, pcol;
  TVector mcol, rs, cs;
  AllocIntVector(prow, Ub);
  AllocIntVector(pcol, Ub);
  AllocVector(mcol, Ub);
  EquilibrationScales(AInv, Lb, Ub, rs, cs);
  const double relLimit = GaussJordanRelTol * (Ub - Lb + 1);

  for (int k = Lb; k <= Ub; ++k) {
    double pivot = AInv[k][k];
    int ik = k, jk = k;
    double scaledMax = 0.0;
    bool finite = true;
    for (int i = k; i <= Ub; ++i) {
      for (int j = k; j <= Ub; ++j) {
        double a = AInv[i][j];
        if (std::fabs(a) > std::fabs(pivot)) {
          pivot = a;
          ik = i;
          jk = j;
        }
        double s = std::fabs(a) * rs[i] * cs[j];
        if (!std::isfinite(a)) finite = false;
        if (s > scaledMax) scaledMax = s;
      }
    }
    // Written so that a NaN anywhere in the remaining block fails the test.
    if (!finite || !(std::fabs(pivot) >= MachEp) || !(scaledMax > relLimit)) return MatSingular;

    prow[k] = ik;
    pcol[k] = jk;
    if (Det) {
      *Det *= pivot;
      if (ik != k) *Det = -*Det;
      if (jk != k) *Det = -*Det;
    }
    if (ik != k) {
      SwapRows(ik, k, AInv, Lb, Ub);
      if (X) std::swap((*X)[ik], (*X)[k]);
      std::swap(rs[ik], rs[k]);
    }
    if (jk != k) {
      SwapCols(jk, k, AInv, Lb, Ub);
      std::swap(cs[jk], cs[k]);
    }

    for (int i = Lb; i <= Ub; ++i) {
      if (i != k) {
        mcol[i] = AInv[i][k];
        AInv[i][k] = 0.0;
      } else {
        mcol[k] = 0.0;
        AInv[k][k] = 1.0;
      }
    }
    for (int j = Lb; j <= Ub; ++j) AInv[k][j] /= pivot;
    if (X) (*X)[k] /= pivot;
    for (int i = Lb; i <= Ub; ++i) {
      if (i == k) continue;
      double t = mcol[i];
      if (t == 0.0) continue;
      for (int j = Lb; j <= Ub; ++j) AInv[i][j] -= t * AInv[k][j];
      if (X) (*X)[i] -= t * (*X)[k];
    }
  }

  for (int k = Ub; k >= Lb; --k) {
    if (pcol[k] != k) {
      SwapRows(pcol[k], k, AInv, Lb, Ub);
      if (X) std::swap((*X)[pcol[k]], (*X)[k]);
    }
  }
  for (int k = Ub; k >= Lb; --k) {
    if (prow[k] != k) SwapCols(prow[k], k, AInv, Lb, Ub);
  }
  return MatOk;
}

int NonConvergence(int K) { return K >= 1 ? -K : -1; }

}  // namespace

int GaussJordanSolve(const TMatrix& A, const TVector& B, int Lb, int Ub, TMatrix& AInv, TVector& X,
                     double& Det) {
  return GaussJordan(A, &B, Lb, Ub, AInv, &X, &Det);
}

int InvertMatrix(const TMatrix& A, int Lb, int Ub, TMatrix& AInv) {
  return GaussJordan(A, nullptr, Lb, Ub, AInv, nullptr, nullptr);
}

int CholeskyDecomp(const TMatrix& A, int Lb, int Ub, TMatrix& L) {
  for (int i = Lb; i <= Ub; ++i) {
    double sum = A[i][i];
    for (int k = Lb; k < i; ++k) sum -= L[i][k] * L[i][k];
    if (!(sum > 0.0)) return MatNotPosDef;
    L[i][i] = std::sqrt(sum);
    for (int j = i + 1; j <= Ub; ++j) {
      double s = A[j][i];
      for (int k = Lb; k < i; ++k) s -= L[j][k] * L[i][k];
      L[j][i] = s / L[i][i];
    }
  }
  return MatOk;
}

int SingularValueDecomposition(TMatrix& A, int Lb, int Ub1, int Ub2, TVector& S, TMatrix& V) {
  if (Ub2 < Lb) return MatOk;
  const int m = Ub1, n = Ub2;
  TVector e;  // superdiagonal of the bidiagonal form
  AllocVector(e, n);
  double g = 0.0, scale = 0.0, anorm = 0.0;
  int l = Lb;

  // Householder reduction to bidiagonal form.
  for (int i = Lb; i <= n; ++i) {
    l = i + 1;
    e[i] = scale * g;
    g = 0.0;
    double s = 0.0;
    scale = 0.0;
    if (i <= m) {
      for (int k = i; k <= m; ++k) scale += std::fabs(A[k][i]);
      if (scale != 0.0) {
        for (int k = i; k <= m; ++k) {
          A[k][i] /= scale;
          s += A[k][i] * A[k][i];
        }
        double f = A[i][i];
        g = -FSign(std::sqrt(s), f);
        double h = f * g - s;
        A[i][i] = f - g;
        for (int j = l; j <= n; ++j) {
          double ss = 0.0;
          for (int k = i; k <= m; ++k) ss += A[k][i] * A[k][j];
          double ff = ss / h;
          for (int k = i; k <= m; ++k) A[k][j] += ff * A[k][i];
        }
        for (int k = i; k <= m; ++k) A[k][i] *= scale;
      }
    }
    S[i] = scale * g;
    g = 0.0;
    s = 0.0;
    scale = 0.0;
    if (i <= m && i != n) {
      for (int k = l; k <= n; ++k) scale += std::fabs(A[i][k]);
      if (scale != 0.0) {
        for (int k = l; k <= n; ++k) {
          A[i][k] /= scale;
          s += A[i][k] * A[i][k];
        }
        double f = A[i][l];
        g = -FSign(std::sqrt(s), f);
        double h = f * g - s;
        A[i][l] = f - g;
        for (int k = l; k <= n; ++k) e[k] = A[i][k] / h;
        for (int j = l; j <= m; ++j) {
          double ss = 0.0;
          for (int k = l; k <= n; ++k) ss += A[j][k] * A[i][k];
          for (int k = l; k <= n; ++k) A[j][k] += ss * e[k];
        }
        for (int k = l; k <= n; ++k) A[i][k] *= scale;
      }
    }
    anorm = FMax(anorm, std::fabs(S[i]) + std::fabs(e[i]));
  }

  // Accumulation of the right-hand transformations.
  for (int i = n; i >= Lb; --i) {
    if (i < n) {
      if (g != 0.0) {
        for (int j = l; j <= n; ++j) V[j][i] = (A[i][j] / A[i][l]) / g;
        for (int j = l; j <= n; ++j) {
          double s = 0.0;
          for (int k = l; k <= n; ++k) s += A[i][k] * V[k][j];
          for (int k = l; k <= n; ++k) V[k][j] += s * V[k][i];
        }
      }
      for (int j = l; j <= n; ++j) V[i][j] = V[j][i] = 0.0;
    }
    V[i][i] = 1.0;
    g = e[i];
    l = i;
  }

  // Accumulation of the left-hand transformations.
  for (int i = IMin(m, n); i >= Lb; --i) {
    l = i + 1;
    g = S[i];
    for (int j = l; j <= n; ++j) A[i][j] = 0.0;
    if (g != 0.0) {
      g = 1.0 / g;
      for (int j = l; j <= n; ++j) {
        double s = 0.0;
        for (int k = l; k <= m; ++k) s += A[k][i] * A[k][j];
        double f = (s / A[i][i]) * g;
        for (int k = i; k <= m; ++k) A[k][j] += f * A[k][i];
      }
      for (int j = i; j <= m; ++j) A[j][i] *= g;
    } else {
      for (int j = i; j <= m; ++j) A[j][i] = 0.0;
    }
    A[i][i] += 1.0;
  }

  // Diagonalisation of the bidiagonal form by implicitly shifted QR sweeps.
  for (int k = n; k >= Lb; --k) {
    for (int its = 0;; ++its) {
      bool flag = true;
      int nm = Lb;
      for (l = k; l >= Lb; --l) {
        nm = l - 1;
        if (std::fabs(e[l]) + anorm == anorm) {
          flag = false;
          break;
        }
        if (l == Lb) break;  // e[Lb] is 0 by construction; guards a NaN
        if (std::fabs(S[nm]) + anorm == anorm) break;
      }
      if (l < Lb) l = Lb;
      if (flag && l > Lb) {
        // Cancellation of e[l] when S[l-1] is negligible.
        double c = 0.0, s = 1.0;
        for (int i = l; i <= k; ++i) {
          double f = s * e[i];
          e[i] = c * e[i];
          if (std::fabs(f) + anorm == anorm) break;
          g = S[i];
          double h = Pythag(f, g);
          S[i] = h;
          h = 1.0 / h;
          c = g * h;
          s = -f * h;
          for (int j = Lb; j <= m; ++j) {
            double y = A[j][nm];
            double z = A[j][i];
            A[j][nm] = y * c + z * s;
            A[j][i] = z * c - y * s;
          }
        }
      }
      double z = S[k];
      if (l == k) {
        if (z < 0.0) {
          S[k] = -z;
          for (int j = Lb; j <= n; ++j) V[j][k] = -V[j][k];
        }
        break;
      }
      if (its >= 30) return NonConvergence(k);

      double x = S[l];
      nm = k - 1;
      double y = S[nm];
      g = e[nm];
      double h = e[k];
      double f = ((y - z) * (y + z) + (g - h) * (g + h)) / (2.0 * h * y);
      g = Pythag(f, 1.0);
      f = ((x - z) * (x + z) + h * ((y / (f + FSign(g, f))) - h)) / x;
      double c = 1.0, s = 1.0;
      for (int j = l; j <= nm; ++j) {
        int i = j + 1;
        g = e[i];
        y = S[i];
        h = s * g;
        g = c * g;
        z = Pythag(f, h);
        e[j] = z;
        c = f / z;
        s = h / z;
        f = x * c + g * s;
        g = g * c - x * s;
        h = y * s;
        y *= c;
        for (int jj = Lb; jj <= n; ++jj) {
          double xv = V[jj][j];
          double zv = V[jj][i];
          V[jj][j] = xv * c + zv * s;
          V[jj][i] = zv * c - xv * s;
        }
        z = Pythag(f, h);
        S[j] = z;
        if (z != 0.0) {
          z = 1.0 / z;
          c = f * z;
          s = h * z;
        }
        f = c * g + s * y;
        x = c * y - s * g;
        for (int jj = Lb; jj <= m; ++jj) {
          double ya = A[jj][j];
          double za = A[jj][i];
          A[jj][j] = ya * c + za * s;
          A[jj][i] = za * c - ya * s;
        }
      }
      e[l] = 0.0;
      e[k] = f;
      S[k] = x;
    }
  }
  return MatOk;
}

void SvdSetZero(TVector& S, int Lb, int Ub, double Tol) {
  if (Ub < Lb) return;
  double threshold = Tol * VectorMax(S, Lb, Ub);
  for (int i = Lb; i <= Ub; ++i)
    if (S[i] < threshold) S[i] = 0.0;
}

void SvdSolve(const TMatrix& U, const TVector& S, const TMatrix& V, const TVector& B, int Lb, int Ub1,
              int Ub2, TVector& X) {
  TVector t;
  AllocVector(t, Ub2);
  for (int j = Lb; j <= Ub2; ++j) {
    double sum = 0.0;
    if (S[j] > 0.0) {
      for (int i = Lb; i <= Ub1; ++i) sum += U[i][j] * B[i];
      sum /= S[j];
    }
    t[j] = sum;
  }
  for (int j = Lb; j <= Ub2; ++j) {
    double sum = 0.0;
    for (int k = Lb; k <= Ub2; ++k) sum += V[j][k] * t[k];
    X[j] = sum;
  }
}

}  // namespace numerics
