#include "numerics/specfunc.h"

#include <cmath>

#include "numerics/mathfunc.h"

namespace numerics {

namespace {

constexpr double Pi = 3.141592653589793;
constexpr double LnPi = 1.1447298858494002;
constexpr double Sqrt2Pi = 2.5066282746310007;
constexpr double LnSqrt2Pi = 0.9189385332046728;
constexpr double EulerGamma = 0.5772156649015329;

// Stirling series of ln Gamma, highest power of 1/x^2 first:
// B(2k) / (2k (2k - 1)) for k = 7 down to 1.
const double StirA[7] = {1.0 / 156.0,   -691.0 / 360360.0, 1.0 / 1188.0, -1.0 / 1680.0,
                         1.0 / 1260.0, -1.0 / 360.0,      1.0 / 12.0};

// ln Gamma(2 + t) = (1 - gamma) t + sum over k >= 2 of (-1)^k (zeta(k) - 1) t^k / k.
// The series converges for |t| < 2 with terms near 2^-k / k, so on the
// reduction interval -0.03125 <= t < 1 these terms reach full precision.
constexpr int SeriesTerms = 58;
double LnGammaSeries[SeriesTerms + 1];  // [k] multiplies t^k; [0] = 0

double ZetaMinusOne(int K) {
  switch (K) {
    case 2: return Pi * Pi / 6.0 - 1.0;
    case 3: return 0.20205690315959428540;
    case 4: return std::pow(Pi, 4) / 90.0 - 1.0;
    case 5: return 0.036927755143369926331;
    case 6: return std::pow(Pi, 6) / 945.0 - 1.0;
    case 7: return 0.0083492773819228268398;
    case 8: return std::pow(Pi, 8) / 9450.0 - 1.0;
    default: break;
  }
  // Direct sum from the smallest terms up, with the Euler-Maclaurin tail.
  const int n = 40;
  double k = K;
  double nn = n;
  double sum = std::pow(nn, 1.0 - k) / (k - 1.0) + 0.5 * std::pow(nn, -k) + k / 12.0 * std::pow(nn, -k - 1.0);
  for (int i = n - 1; i >= 2; --i) sum += std::pow(static_cast<double>(i), -k);
  return sum;
}

double SeriesLnGamma2(double T) {
  double s = 0.0;
  for (int k = SeriesTerms; k >= 1; --k) s = s * T + LnGammaSeries[k];
  return s * T;
}

// Gamma(x) = z / x * Gamma(1 + x) near zero.
double SmallGamma(double Z, double X) {
  if (X == 0.0) return DefaultVal(FSing, MaxNum);
  return Z * std::exp(SeriesLnGamma2(X)) / ((1.0 + X) * X);
}

// Gamma from the Stirling series of its logarithm; the leading power is
// split in two halves so that it does not overflow below MaxGam.
double StirlingGamma(double X) {
  double w = 1.0 / X;
  double corr = std::exp(w * PolEvl(w * w, StirA, 6));
  double v = std::pow(X, 0.5 * X - 0.25);
  double y = v * (v / std::exp(X));
  return y * Sqrt2Pi * corr;
}

double StirlingLnGamma(double X) {
  double q = (X - 0.5) * std::log(X) - X + LnSqrt2Pi;
  if (X <= 1.0E10) q += PolEvl(1.0 / (X * X), StirA, 6) / X;
  return q;
}

bool IsNonPositiveInteger(double X) { return X <= 0.0 && X == std::floor(X); }

constexpr double Big = 9.223372036854775808E18;  // 2^63
constexpr double BigInv = 1.0842021724855044E-19;  // 2^-63
constexpr double Thresh = 3.0 * MachEp;
constexpr int MaxPasses = 400;

// Forward recurrence of a continued fraction of the incomplete beta function,
// two terms per pass: -(v k1 k2)/(k3 k4), then (v k5 k6)/(k7 k8), with k2 and
// k6 moving by Dk2 and Dk6 each pass. The four recurrence values are rescaled
// by 2^63 either way to stay in range.
double IncBetaFraction(double V, double K[8], double Dk2, double Dk6) {
  double& k1 = K[0]; double& k2 = K[1]; double& k3 = K[2]; double& k4 = K[3];
  double& k5 = K[4]; double& k6 = K[5]; double& k7 = K[6]; double& k8 = K[7];
  double pkm2 = 0.0, qkm2 = 1.0, pkm1 = 1.0, qkm1 = 1.0;
  double ans = 1.0, r = 1.0;
  for (int n = 0; n <= MaxPasses; ++n) {
    double xk = -(V * k1 * k2) / (k3 * k4);
    double pk = pkm1 + pkm2 * xk;
    double qk = qkm1 + qkm2 * xk;
    pkm2 = pkm1; pkm1 = pk; qkm2 = qkm1; qkm1 = qk;
    xk = (V * k5 * k6) / (k7 * k8);
    pk = pkm1 + pkm2 * xk;
    qk = qkm1 + qkm2 * xk;
    pkm2 = pkm1; pkm1 = pk; qkm2 = qkm1; qkm1 = qk;
    if (qk != 0.0) r = pk / qk;
    double t = 1.0;
    if (r != 0.0) {
      t = std::fabs((ans - r) / r);
      ans = r;
    }
    if (t < Thresh) return ans;
    k1 += 1.0; k2 += Dk2; k3 += 2.0; k4 += 2.0; k5 += 1.0; k6 += Dk6; k7 += 2.0; k8 += 2.0;
    if (std::fabs(qk) + std::fabs(pk) > Big) {
      pkm2 *= BigInv; pkm1 *= BigInv; qkm2 *= BigInv; qkm1 *= BigInv;
    }
    if (std::fabs(qk) < BigInv || std::fabs(pk) < BigInv) {
      pkm2 *= Big; pkm1 *= Big; qkm2 *= Big; qkm1 *= Big;
    }
  }
  MathErrorCode = FNonConvergence;
  return ans;
}

// Continued fraction in x.
double IncBetaFraction1(double A, double B, double X) {
  double k[8] = {A, A + B, A, A + 1.0, 1.0, B - 1.0, A + 1.0, A + 2.0};
  return IncBetaFraction(X, k, 1.0, -1.0);
}

// Continued fraction in z = x / (1 - x).
double IncBetaFraction2(double A, double B, double X) {
  double k[8] = {A, B - 1.0, A, A + 1.0, 1.0, A + B, A + 1.0, A + 2.0};
  return IncBetaFraction(X / (1.0 - X), k, -1.0, 1.0);
}

// Power series of the incomplete beta function for small b*x.
double IncBetaSeries(double A, double B, double X) {
  double u = (1.0 - B) * X;
  double v = u / (A + 1.0);
  double t1 = v;
  double t = u;
  double s = 0.0;
  double z = MachEp / A;
  for (double n = 2.0; std::fabs(v) > z && n < 100000.0; n += 1.0) {
    u = (n - B) * X / n;
    t *= u;
    v = t / (A + n);
    s += v;
  }
  s += t1 + 1.0 / A;
  double lx = std::log(X);
  if (A + B < MaxGam && std::fabs(A * lx) < MaxLog) {
    int code = MathErrorCode;
    double g = Gamma(A + B) / (Gamma(A) * Gamma(B));
    MathErrorCode = code;
    return s * g * Power(X, A);
  }
  int code = MathErrorCode;
  double tt = LnGamma(A + B) - LnGamma(A) - LnGamma(B) + A * lx + std::log(s);
  MathErrorCode = code;
  return tt < MinLog ? 0.0 : std::exp(tt);
}

}  // namespace

void InitSpecFunc() {
  LnGammaSeries[0] = 0.0;
  LnGammaSeries[1] = 1.0 - EulerGamma;
  for (int k = 2; k <= SeriesTerms; ++k) {
    double sign = (k % 2 == 0) ? 1.0 : -1.0;
    LnGammaSeries[k] = sign * ZetaMinusOne(k) / k;
  }
  MathErrorCode = FOk;
}

double PolEvl(double X, const double* Coef, int N) {
  double ans = Coef[0];
  for (int k = 1; k <= N; ++k) ans = ans * X + Coef[k];
  return ans;
}

double P1Evl(double X, const double* Coef, int N) {
  double ans = X + Coef[0];
  for (int k = 1; k < N; ++k) ans = ans * X + Coef[k];
  return ans;
}

int SgnGamma(double X) {
  if (X > 0.0) return 1;
  double p = std::floor(std::fabs(X));
  return std::fmod(p, 2.0) == 1.0 ? 1 : -1;
}

double Gamma(double X) {
  MathErrorCode = FOk;
  if (std::isnan(X)) return DefaultVal(FDomain, X);
  if (IsNonPositiveInteger(X)) return DefaultVal(FSing, SgnGamma(X) * MaxNum);
  if (X > MaxGam) return DefaultVal(FOverflow, MaxNum);

  double q = std::fabs(X);
  if (q > 13.0) {
    if (X > 0.0) return StirlingGamma(X);
    double p = std::floor(q);
    double z = q - p;
    if (z > 0.5) z = q - (p + 1.0);
    z = std::fabs(q * std::sin(Pi * z)) * StirlingGamma(q);
    if (z <= 1.7475689218952307E-308) return DefaultVal(FOverflow, SgnGamma(X) * MaxNum);
    return SgnGamma(X) * (Pi / z);
  }

  double z = 1.0;
  while (X >= 3.0) {
    X -= 1.0;
    z *= X;
  }
  while (X < -0.03125) {
    z /= X;
    X += 1.0;
  }
  if (X <= 0.03125) return SmallGamma(z, X);
  while (X < 2.0) {
    z /= X;
    X += 1.0;
  }
  if (X == 2.0 || X == 3.0) return z;
  return z * std::exp(SeriesLnGamma2(X - 2.0));
}

double LnGamma(double X) {
  MathErrorCode = FOk;
  if (std::isnan(X)) return DefaultVal(FDomain, X);
  if (IsNonPositiveInteger(X)) return DefaultVal(FSing, MaxNum);
  if (X > MaxLgm) return DefaultVal(FOverflow, MaxNum);

  if (std::fabs(X) <= 34.0) {
    if (X >= 13.0) return StirlingLnGamma(X);
    double z = 1.0;
    while (X >= 3.0) {
      X -= 1.0;
      z *= X;
    }
    while (X < 2.0) {
      if (std::fabs(X) <= 0.03125) return std::log(std::fabs(SmallGamma(z, X)));
      z /= X;
      X += 1.0;
    }
    z = std::fabs(z);
    if (X == 2.0) return std::log(z);
    return std::log(z) + SeriesLnGamma2(X - 2.0);
  }
  if (X > 0.0) return StirlingLnGamma(X);
  double q = -X;
  double p = std::floor(q);
  double z = q - p;
  if (z > 0.5) z = p + 1.0 - q;
  z = q * std::sin(Pi * z);
  if (z == 0.0) return DefaultVal(FOverflow, SgnGamma(X) * MaxNum);
  return LnPi - std::log(z) - StirlingLnGamma(q);
}

double IncompleteBeta(double A, double B, double X) {
  MathErrorCode = FOk;
  if (std::isnan(A) || std::isnan(B) || std::isnan(X)) return DefaultVal(FDomain, 0.0);
  if (A <= 0.0 || B <= 0.0 || X < 0.0) return DefaultVal(FDomain, 0.0);
  if (X > 1.0) return DefaultVal(FDomain, 1.0);
  if (X == 0.0 || X == 1.0) return X;
  if (B * X <= 1.0 && X <= 0.95) return IncBetaSeries(A, B, X);

  double w = 1.0 - X;
  double xc;
  bool exchanged = false;
  if (X > A / (A + B)) {
    exchanged = true;
    FSwap(A, B);
    xc = X;
    X = w;
  } else {
    xc = w;
  }

  double t;
  if (exchanged && B * X <= 1.0 && X <= 0.95) {
    t = IncBetaSeries(A, B, X);
  } else {
    double y = X * (A + B - 2.0) - (A - 1.0);
    if (y < 0.0)
      w = IncBetaFraction1(A, B, X);
    else
      w = IncBetaFraction2(A, B, X) / xc;
    // Gamma and LnGamma clear the code; a non-converged fraction must show.
    int code = MathErrorCode;
    y = A * std::log(X);
    t = B * std::log(xc);
    if (A + B < MaxGam && std::fabs(y) < MaxLog && std::fabs(t) < MaxLog) {
      t = Power(xc, B) * Power(X, A) / A * w * (Gamma(A + B) / (Gamma(A) * Gamma(B)));
    } else {
      y += t + LnGamma(A + B) - LnGamma(A) - LnGamma(B) + std::log(w / A);
      t = y < MinLog ? 0.0 : std::exp(y);
    }
    MathErrorCode = code;
  }
  if (exchanged) t = (t <= MachEp) ? 1.0 - MachEp : 1.0 - t;
  return t;
}

double FDistributionTail(int Nu1, int Nu2, double F) {
  MathErrorCode = FOk;
  if (Nu1 < 1 || Nu2 < 1 || !(F > 0.0)) return DefaultVal(FDomain, 0.0);
  double n1 = Nu1, n2 = Nu2;
  return IncompleteBeta(0.5 * n2, 0.5 * n1, n2 / (n2 + n1 * F));
}

}  // namespace numerics
