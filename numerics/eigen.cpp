#include "numerics/eigen.h"

#include <cmath>
#include <utility>

#include "numerics/mathfunc.h"

namespace numerics {

void Balance(TMatrix& A, int Lb, int Ub, TVector& Scale, int& Low, int& High) {
  const double radix = 2.0, sqrdx = 4.0;
  // Isolate eigenvalues: rows with a zero off-diagonal go to the bottom,
  // columns with a zero off-diagonal to the left.
  int k = Lb, l = Ub;
  auto exchange = [&](int j, int m) {
    Scale[m] = j;
    if (j == m) return;
    for (int i = Lb; i <= l; ++i) std::swap(A[i][j], A[i][m]);
    for (int i = k; i <= Ub; ++i) std::swap(A[j][i], A[m][i]);
  };
  bool found = true;
  while (found && l >= Lb) {
    found = false;
    for (int j = l; j >= Lb; --j) {
      bool zero = true;
      for (int i = Lb; i <= l; ++i)
        if (i != j && A[j][i] != 0.0) zero = false;
      if (zero) {
        exchange(j, l);
        if (l == Lb) {
          Low = k;
          High = l;
          return;
        }
        --l;
        found = true;
        break;
      }
    }
  }
  found = true;
  while (found) {
    found = false;
    for (int j = k; j <= l; ++j) {
      bool zero = true;
      for (int i = k; i <= l; ++i)
        if (i != j && A[i][j] != 0.0) zero = false;
      if (zero) {
        exchange(j, k);
        ++k;
        found = true;
        break;
      }
    }
  }
  for (int i = k; i <= l; ++i) Scale[i] = 1.0;

  bool done = false;
  while (!done) {
    done = true;
    for (int i = k; i <= l; ++i) {
      double c = 0.0, r = 0.0;
      for (int j = k; j <= l; ++j) {
        if (j == i) continue;
        c += std::fabs(A[j][i]);
        r += std::fabs(A[i][j]);
      }
      if (c == 0.0 || r == 0.0) continue;
      double g = r / radix, f = 1.0, s = c + r;
      while (c < g) {
        f *= radix;
        c *= sqrdx;
      }
      g = r * radix;
      while (c > g) {
        f /= radix;
        c /= sqrdx;
      }
      if ((c + r) / f < 0.95 * s) {
        done = false;
        g = 1.0 / f;
        Scale[i] *= f;
        for (int j = k; j <= Ub; ++j) A[i][j] *= g;
        for (int j = Lb; j <= l; ++j) A[j][i] *= f;
      }
    }
  }
  Low = k;
  High = l;
}

int EigenHqr(TMatrix& A, int Lb, int Ub, int Low, int High, TVector& Wr, TVector& Wi) {
  // Eigenvalues isolated by the balancing.
  for (int i = Lb; i <= Ub; ++i) {
    if (i < Low || i > High) {
      Wr[i] = A[i][i];
      Wi[i] = 0.0;
    }
  }
  double anorm = 0.0;
  for (int i = Lb; i <= Ub; ++i)
    for (int j = std::max(i - 1, Lb); j <= Ub; ++j) anorm += std::fabs(A[i][j]);

  int nn = High;
  double t = 0.0;
  int budget = 30 * (Ub - Lb + 1);
  double p = 0, q = 0, r = 0, s = 0, w = 0, x = 0, y = 0, z = 0;
  while (nn >= Low) {
    int its = 0, l;
    do {
      for (l = nn; l > Low; --l) {
        s = std::fabs(A[l - 1][l - 1]) + std::fabs(A[l][l]);
        if (s == 0.0) s = anorm;
        if (std::fabs(A[l][l - 1]) + s == s) {
          A[l][l - 1] = 0.0;
          break;
        }
      }
      x = A[nn][nn];
      if (l == nn) {
        Wr[nn] = x + t;
        Wi[nn] = 0.0;
        --nn;
      } else {
        y = A[nn - 1][nn - 1];
        w = A[nn][nn - 1] * A[nn - 1][nn];
        if (l == nn - 1) {
          p = 0.5 * (y - x);
          q = p * p + w;
          z = std::sqrt(std::fabs(q));
          x += t;
          if (q >= 0.0) {
            z = p + FSign(z, p);
            Wr[nn - 1] = Wr[nn] = x + z;
            if (z != 0.0) Wr[nn] = x - w / z;
            Wi[nn - 1] = Wi[nn] = 0.0;
          } else {
            Wr[nn - 1] = Wr[nn] = x + p;
            Wi[nn - 1] = -(Wi[nn] = z);
          }
          nn -= 2;
        } else {
          if (budget <= 0 || !std::isfinite(x)) return nn >= 1 ? -nn : -1;
          if (its == 10 || its == 20) {
            t += x;
            for (int i = Low; i <= nn; ++i) A[i][i] -= x;
            s = std::fabs(A[nn][nn - 1]) + std::fabs(A[nn - 1][nn - 2]);
            y = x = 0.75 * s;
            w = -0.4375 * s * s;
          }
          ++its;
          --budget;
          int m;
          for (m = nn - 2; m >= l; --m) {
            z = A[m][m];
            r = x - z;
            s = y - z;
            p = (r * s - w) / A[m + 1][m] + A[m][m + 1];
            q = A[m + 1][m + 1] - z - r - s;
            r = A[m + 2][m + 1];
            s = std::fabs(p) + std::fabs(q) + std::fabs(r);
            p /= s;
            q /= s;
            r /= s;
            if (m == l) break;
            double u = std::fabs(A[m][m - 1]) * (std::fabs(q) + std::fabs(r));
            double v = std::fabs(p) * (std::fabs(A[m - 1][m - 1]) + std::fabs(z) + std::fabs(A[m + 1][m + 1]));
            if (u + v == v) break;
          }
          for (int i = m + 2; i <= nn; ++i) {
            A[i][i - 2] = 0.0;
            if (i != m + 2) A[i][i - 3] = 0.0;
          }
          for (int k = m; k <= nn - 1; ++k) {
            if (k != m) {
              p = A[k][k - 1];
              q = A[k + 1][k - 1];
              r = 0.0;
              if (k != nn - 1) r = A[k + 2][k - 1];
              x = std::fabs(p) + std::fabs(q) + std::fabs(r);
              if (x != 0.0) {
                p /= x;
                q /= x;
                r /= x;
              }
            }
            s = FSign(std::sqrt(p * p + q * q + r * r), p);
            if (s != 0.0) {
              if (k == m) {
                if (l != m) A[k][k - 1] = -A[k][k - 1];
              } else {
                A[k][k - 1] = -s * x;
              }
              p += s;
              x = p / s;
              y = q / s;
              z = r / s;
              q /= p;
              r /= p;
              for (int j = k; j <= Ub; ++j) {
                p = A[k][j] + q * A[k + 1][j];
                if (k != nn - 1) {
                  p += r * A[k + 2][j];
                  A[k + 2][j] -= p * z;
                }
                A[k + 1][j] -= p * y;
                A[k][j] -= p * x;
              }
              int mmin = nn < k + 3 ? nn : k + 3;
              for (int i = Lb; i <= mmin; ++i) {
                p = x * A[i][k] + y * A[i][k + 1];
                if (k != nn - 1) {
                  p += z * A[i][k + 2];
                  A[i][k + 2] -= p * r;
                }
                A[i][k + 1] -= p * q;
                A[i][k] -= p;
              }
            }
          }
        }
      }
    } while (nn >= Low && l < nn - 1);
  }
  return 0;
}

int RootPol(const TVector& Coef, int Deg, TVector& Z, TVector& Zi) {
  // The root vectors must hold indices 1..Deg.
  if (Deg < 1 || static_cast<int>(Coef.size()) <= Deg || Coef[Deg] == 0.0 ||
      static_cast<int>(Z.size()) <= Deg || static_cast<int>(Zi.size()) <= Deg)
    return -1;
  TMatrix a;
  TVector scale, wr, wi;
  AllocMatrix(a, Deg - 1, Deg - 1);
  AllocVector(scale, Deg - 1);
  AllocVector(wr, Deg - 1);
  AllocVector(wi, Deg - 1);
  for (int j = 0; j < Deg; ++j) a[0][j] = -Coef[Deg - 1 - j] / Coef[Deg];
  for (int i = 1; i < Deg; ++i) a[i][i - 1] = 1.0;
  int low = 0, high = Deg - 1;
  Balance(a, 0, Deg - 1, scale, low, high);
  int result = EigenHqr(a, 0, Deg - 1, low, high, wr, wi);
  if (result != 0) return result;
  int n = 0;
  for (int i = 0; i < Deg; ++i) {
    Z[i + 1] = wr[i];
    Zi[i + 1] = wi[i];
    if (wi[i] == 0.0) ++n;
  }
  return n;
}

}  // namespace numerics
