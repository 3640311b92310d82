// Polynomials (coefficients indexed by power, Coef[0] the constant) and
// rational fractions; closed-form roots up to degree 4. Root vectors Z (real
// parts) and Zi (imaginary parts) are indexed from 1 and must hold the degree.
#pragma once

#include "numerics/vectors.h"

namespace numerics {

double Poly(double X, const TVector& Coef, int Deg);
double RFrac(double X, const TVector& Coef, int Deg1, int Deg2);
// Root of A + B*X = 0: 1; B = 0 gives -1 when A = 0 (every X) and -2 otherwise.
int RootPol1(double A, double B, double& X);
// These return the number of real roots.
int RootPol2(const TVector& Coef, TVector& Z, TVector& Zi);
int RootPol3(const TVector& Coef, TVector& Z, TVector& Zi);
int RootPol4(const TVector& Coef, TVector& Z, TVector& Zi);
// Largest Z[i] with Zi[i] = 0, i = 1..N; -MaxNum when there is none.
double MaxRealRoot(int N, const TVector& Z, const TVector& Zi);

}  // namespace numerics
