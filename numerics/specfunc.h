// Gamma function, its logarithm, the regularised incomplete beta function and
// the upper tail of Fisher's F distribution. Errors set MathErrorCode (and
// return the substitute value) exactly as the guarded elementary functions.
#pragma once

namespace numerics {

inline constexpr double MaxGam = 171.624376956302;  // largest argument of Gamma
inline constexpr double MaxLgm = 2.556348E305;      // largest argument of LnGamma

// Module start-up: clears MathErrorCode and prepares the series tables.
void InitSpecFunc();

// Sum of Coef[k]*x^(n-k), k = 0..n (Horner); P1Evl with an implicit leading
// coefficient 1 and Coef[0..n-1].
double PolEvl(double X, const double* Coef, int N);
double P1Evl(double X, const double* Coef, int N);

// Sign of Gamma(x).
int SgnGamma(double X);
double Gamma(double X);
// ln |Gamma(x)|.
double LnGamma(double X);
// I_x(a, b); a non-converged continued fraction keeps its last value with
// FNonConvergence.
double IncompleteBeta(double A, double B, double X);
// P(F > f) for integer degrees of freedom nu1, nu2.
double FDistributionTail(int Nu1, int Nu2, double F);

}  // namespace numerics
