// Eigenvalues of a general real matrix (balancing, then the Francis
// double-shift QR algorithm on the upper Hessenberg form) and the roots of a
// polynomial of any degree through its companion matrix.
#pragma once

#include "numerics/vectors.h"

namespace numerics {

// Balances A[Lb..Ub] in place by powers of 2; Low and High bound the block
// that still needs the QR iteration (Scale records the factors).
void Balance(TMatrix& A, int Lb, int Ub, TVector& Scale, int& Low, int& High);
// Eigenvalues of an upper Hessenberg matrix; 0, or -k when eigenvalue k did
// not converge within 30 iterations per eigenvalue in total (-1 for k = 0).
int EigenHqr(TMatrix& A, int Lb, int Ub, int Low, int High, TVector& Wr, TVector& Wi);
// Roots of Coef[0] + ... + Coef[Deg]*x^Deg at Z/Zi[1..Deg]: the number of real
// roots, or the negative code of EigenHqr.
int RootPol(const TVector& Coef, int Deg, TVector& Z, TVector& Zi);

}  // namespace numerics
