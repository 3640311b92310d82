// Dense linear algebra on index ranges of TMatrix / TVector: Gauss-Jordan
// elimination with full pivoting, inversion, Cholesky factorisation and the
// singular value decomposition. Every routine returns a result code and never
// throws; outputs must have been allocated by the caller over the range.
#pragma once

#include "numerics/vectors.h"

namespace numerics {

inline constexpr int MatOk = 0;
// A pivot too small to divide by: the block is singular or rank-deficient.
inline constexpr int MatSingular = -1;
// Cholesky met a non-positive (or not-a-number) diagonal.
inline constexpr int MatNotPosDef = -3;

// Besides the absolute limit |pivot| < MachEp, elimination reports
// MatSingular when the whole remaining block, measured after scaling every
// row and then every column of the original block to a largest magnitude of
// 1, is below this bound times the block order. The measure does not change
// when a row or column is multiplied by a constant, so badly scaled but
// regular blocks still solve while rounding noise is never taken as a pivot.
inline constexpr double GaussJordanRelTol = 1024.0 * 2.220446049250313E-16;

// Solves A X = B over the block Lb..Ub, giving the inverse in AInv and the
// determinant in Det. A and B are not changed. 0 or MatSingular (the outputs
// then hold the partial elimination).
int GaussJordanSolve(const TMatrix& A, const TVector& B, int Lb, int Ub, TMatrix& AInv, TVector& X,
                     double& Det);

// The same elimination without right-hand side or determinant.
int InvertMatrix(const TMatrix& A, int Lb, int Ub, TMatrix& AInv);

// Lower-triangular L with L Lt = A; reads only the lower triangle of A and
// writes only the lower triangle and diagonal of L. 0 or MatNotPosDef.
int CholeskyDecomp(const TMatrix& A, int Lb, int Ub, TMatrix& L);

// Golub-Reinsch: A (rows Lb..Ub1, columns Lb..Ub2, Ub1 >= Ub2) is replaced by
// U, S[Lb..Ub2] receives the singular values (non-negative, unsorted) and V
// the right singular vectors, A = U diag(S) Vt. 0, or -k when singular value
// k did not converge in 30 sweeps (-1 when that index is 0, so that a failure
// is never 0).
int SingularValueDecomposition(TMatrix& A, int Lb, int Ub1, int Ub2, TVector& S, TMatrix& V);

// Sets to 0 every S[i] strictly below Tol * VectorMax(S, Lb, Ub).
void SvdSetZero(TVector& S, int Lb, int Ub, double Tol);

// Least-squares solution of A X = B from a decomposition; directions whose
// singular value is 0 are left out.
void SvdSolve(const TMatrix& U, const TVector& S, const TMatrix& V, const TVector& B, int Lb, int Ub1,
              int Ub2, TVector& X);

}  // namespace numerics
