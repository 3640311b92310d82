#include "numerics/vectors.h"

#include <utility>

namespace numerics {

void AllocVector(TVector& V, int Ub) {
  if (Ub < 0) {
    V.clear();
    V.shrink_to_fit();
    return;
  }
  V.assign(static_cast<std::size_t>(Ub) + 1, 0.0);
}

void AllocIntVector(TIntVector& V, int Ub) {
  if (Ub < 0) {
    V.clear();
    V.shrink_to_fit();
    return;
  }
  V.assign(static_cast<std::size_t>(Ub) + 1, 0);
}

void AllocMatrix(TMatrix& A, int Ub1, int Ub2) {
  if (Ub1 < 0 || Ub2 < 0) {
    A.clear();
    A.shrink_to_fit();
    return;
  }
  A.assign(static_cast<std::size_t>(Ub1) + 1, TVector(static_cast<std::size_t>(Ub2) + 1, 0.0));
}

TVector AllocVector(int Ub) {
  TVector v;
  AllocVector(v, Ub);
  return v;
}

TIntVector AllocIntVector(int Ub) {
  TIntVector v;
  AllocIntVector(v, Ub);
  return v;
}

TMatrix AllocMatrix(int Ub1, int Ub2) {
  TMatrix a;
  AllocMatrix(a, Ub1, Ub2);
  return a;
}

void SwapRows(int I, int K, TMatrix& A, int Lb, int Ub) {
  for (int j = Lb; j <= Ub; ++j) std::swap(A[I][j], A[K][j]);
}

void SwapCols(int J, int K, TMatrix& A, int Lb, int Ub) {
  for (int i = Lb; i <= Ub; ++i) std::swap(A[i][J], A[i][K]);
}

void CopyVector(TVector& Dest, const TVector& Source, int Lb, int Ub) {
  for (int i = Lb; i <= Ub; ++i) Dest[i] = Source[i];
}

void CopyMatrix(TMatrix& Dest, const TMatrix& Source, int Lb1, int Lb2, int Ub1, int Ub2) {
  for (int i = Lb1; i <= Ub1; ++i)
    for (int j = Lb2; j <= Ub2; ++j) Dest[i][j] = Source[i][j];
}

void CopyColumnFromVector(TMatrix& A, const TVector& V, int Lb, int Ub, int J) {
  for (int i = Lb; i <= Ub; ++i) A[i][J] = V[i];
}

void CopyVectorFromColumn(TVector& V, const TMatrix& A, int Lb, int Ub, int J) {
  for (int i = Lb; i <= Ub; ++i) V[i] = A[i][J];
}

double VectorMin(const TVector& X, int Lb, int Ub) {
  double m = X[Lb];
  for (int i = Lb + 1; i <= Ub; ++i)
    if (X[i] < m) m = X[i];
  return m;
}

double VectorMax(const TVector& X, int Lb, int Ub) {
  double m = X[Lb];
  for (int i = Lb + 1; i <= Ub; ++i)
    if (X[i] > m) m = X[i];
  return m;
}

}  // namespace numerics
