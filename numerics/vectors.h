// Containers of the numerics library. Every routine works on an index range
// the caller gives, never on the container's own size, so the same routines
// serve 0-based and 1-based use: observation vectors are used from index 1,
// coefficient vectors from the model's first coefficient index.
#pragma once

#include <vector>

namespace numerics {

using TVector = std::vector<double>;
using TIntVector = std::vector<int>;
// Rows of equal length, addressed A[row][column].
using TMatrix = std::vector<TVector>;

// Allocation for an upper index Ub gives Ub + 1 zero-filled elements
// (indices 0..Ub), discarding the old contents; a negative bound empties.
void AllocVector(TVector& V, int Ub);
void AllocIntVector(TIntVector& V, int Ub);
// Rows 0..Ub1 by columns 0..Ub2, zero-filled; either bound < 0 empties.
void AllocMatrix(TMatrix& A, int Ub1, int Ub2);

// Returning forms of the same allocations.
TVector AllocVector(int Ub);
TIntVector AllocIntVector(int Ub);
TMatrix AllocMatrix(int Ub1, int Ub2);

// Index ranges below are inclusive; an empty range does nothing.
void SwapRows(int I, int K, TMatrix& A, int Lb, int Ub);
void SwapCols(int J, int K, TMatrix& A, int Lb, int Ub);
void CopyVector(TVector& Dest, const TVector& Source, int Lb, int Ub);
void CopyMatrix(TMatrix& Dest, const TMatrix& Source, int Lb1, int Lb2, int Ub1, int Ub2);
void CopyColumnFromVector(TMatrix& A, const TVector& V, int Lb, int Ub, int J);
void CopyVectorFromColumn(TVector& V, const TMatrix& A, int Lb, int Ub, int J);

// Smallest / largest X[i] over Lb..Ub: starts from X[Lb] and replaces only on
// a strictly smaller / larger value.
double VectorMin(const TVector& X, int Lb, int Ub);
double VectorMax(const TVector& X, int Lb, int Ub);

}  // namespace numerics
