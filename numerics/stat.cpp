#include "numerics/stat.h"

#include <utility>

namespace numerics {

namespace {

template <typename Less>
void QuickSort(TVector& X, int L, int R, Less less) {
  // Recursion on the left part, iteration on the right one.
  while (L < R) {
    int i = L, j = R;
    double pivot = X[(L + R) / 2];
    do {
      while (less(X[i], pivot)) ++i;
      while (less(pivot, X[j])) --j;
      if (i <= j) {
        std::swap(X[i], X[j]);
        ++i;
        --j;
      }
    } while (i <= j);
    if (L < j) QuickSort(X, L, j, less);
    L = i;
  }
}

}  // namespace

void QSort(TVector& X, int Lb, int Ub) {
  QuickSort(X, Lb, Ub, [](double a, double b) { return a < b; });
}

void DQSort(TVector& X, int Lb, int Ub) {
  QuickSort(X, Lb, Ub, [](double a, double b) { return a > b; });
}

double Median(TVector& X, int Lb, int Ub) {
  int n = Ub - Lb + 1;
  if (n < 1) return 0.0;
  QSort(X, Lb, Ub);
  int k = n / 2 + Lb - 1;
  if (n % 2 == 1) return X[k + 1];
  return (X[k] + X[k + 1]) * 0.5;
}

double Sum(const TVector& X, int Lb, int Ub) {
  double s = 0.0;
  for (int i = Lb; i <= Ub; ++i) s += X[i];
  return s;
}

double Mean(const TVector& X, int Lb, int Ub) {
  if (Ub < Lb) return 0.0;
  return Sum(X, Lb, Ub) / (Ub - Lb + 1);
}

double SumSqrDif(const TVector& X, int Lb, int Ub, double Xref) {
  double s = 0.0;
  for (int i = Lb; i <= Ub; ++i) {
    double d = X[i] - Xref;
    s += d * d;
  }
  return s;
}

double SumSqrDifVect(const TVector& X, const TVector& Y, int Lb, int Ub) {
  double s = 0.0;
  for (int i = Lb; i <= Ub; ++i) {
    double d = X[i] - Y[i];
    s += d * d;
  }
  return s;
}

double SumWSqrDif(const TVector& X, const TVector& W, int Lb, int Ub, double Xref) {
  double s = 0.0;
  for (int i = Lb; i <= Ub; ++i) {
    double d = X[i] - Xref;
    s += W[i] * d * d;
  }
  return s;
}

double SumWSqrDifVect(const TVector& X, const TVector& Y, const TVector& W, int Lb, int Ub) {
  double s = 0.0;
  for (int i = Lb; i <= Ub; ++i) {
    double d = X[i] - Y[i];
    s += W[i] * d * d;
  }
  return s;
}

}  // namespace numerics
