// Shape checks of the routines that take the caller's containers: an index
// range the container does not hold is bad input, reported through the
// routine's result code, never read.
#pragma once

#include <cstddef>

#include "numerics/vectors.h"

namespace numerics {

inline bool HasIndex(const TVector& V, int I) {
  return I >= 0 && static_cast<std::size_t>(I) < V.size();
}

// Rows 0..Rows, each with columns 0..Cols.
inline bool MatrixHas(const TMatrix& A, int Rows, int Cols) {
  if (Rows < 0 || static_cast<int>(A.size()) <= Rows) return false;
  for (int i = 0; i <= Rows; ++i)
    if (!HasIndex(A[i], Cols)) return false;
  return true;
}

}  // namespace numerics
