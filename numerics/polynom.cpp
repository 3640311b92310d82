#include "numerics/polynom.h"

#include <cmath>

#include "numerics/mathfunc.h"

namespace numerics {

double Poly(double X, const TVector& Coef, int Deg) {
  if (Deg < 0) return 0.0;
  double r = Coef[Deg];
  for (int k = Deg - 1; k >= 0; --k) r = r * X + Coef[k];
  return r;
}

double RFrac(double X, const TVector& Coef, int Deg1, int Deg2) {
  double num = Poly(X, Coef, Deg1);
  double den = 0.0;
  for (int j = Deg2; j >= 1; --j) den = (den + Coef[Deg1 + j]) * X;
  return num / (1.0 + den);
}

int RootPol1(double A, double B, double& X) {
  X = 0.0;
  if (B != 0.0) {
    X = -A / B;
    return 1;
  }
  return A == 0.0 ? -1 : -2;
}

namespace {

void ZeroRoots(TVector& Z, TVector& Zi, int Deg) {
  for (int i = 1; i <= Deg && static_cast<std::size_t>(i) < Z.size(); ++i) Z[i] = 0.0;
  for (int i = 1; i <= Deg && static_cast<std::size_t>(i) < Zi.size(); ++i) Zi[i] = 0.0;
}

int CountReal(const TVector& Zi, int From, int To) {
  int n = 0;
  for (int i = From; i <= To; ++i)
    if (Zi[i] == 0.0) ++n;
  return n;
}

}  // namespace

int RootPol2(const TVector& Coef, TVector& Z, TVector& Zi) {
  ZeroRoots(Z, Zi, 2);
  if (Coef[2] == 0.0) return RootPol1(Coef[0], Coef[1], Z[1]);
  if (Coef[0] == 0.0) {
    RootPol1(Coef[1], Coef[2], Z[1]);
    return 2;
  }
  double d = Coef[1] * Coef[1] - 4.0 * Coef[0] * Coef[2];
  if (d > 0.0) {
    double q = Coef[1] >= 0.0 ? -0.5 * (Coef[1] + std::sqrt(d)) : -0.5 * (Coef[1] - std::sqrt(d));
    Z[1] = q / Coef[2];
    Z[2] = Coef[0] / q;
    return 2;
  }
  Z[1] = Z[2] = -0.5 * Coef[1] / Coef[2];
  if (d == 0.0) return 2;
  Zi[1] = std::fabs(0.5 / Coef[2]) * std::sqrt(-d);
  Zi[2] = -Zi[1];
  return 0;
}

int RootPol3(const TVector& Coef, TVector& Z, TVector& Zi) {
  ZeroRoots(Z, Zi, 3);
  if (Coef[3] == 0.0) return RootPol2(Coef, Z, Zi);
  if (Coef[0] == 0.0) {
    // One root 0 (at index 3), the others from the quadratic quotient.
    TVector c = {Coef[1], Coef[2], Coef[3]};
    int n = RootPol2(c, Z, Zi);
    Z[3] = 0.0;
    Zi[3] = 0.0;
    return n < 0 ? n : n + 1;
  }
  double a = Coef[2] / Coef[3], b = Coef[1] / Coef[3], c = Coef[0] / Coef[3];
  double a3 = a / 3.0;
  double q = (a * a - 3.0 * b) / 9.0;
  double r = (2.0 * a * a * a - 9.0 * a * b + 27.0 * c) / 54.0;
  double q3 = q * q * q;
  if (r * r < q3) {
    double theta = std::acos(r / std::sqrt(q3));
    double sq = -2.0 * std::sqrt(q);
    const double twoPi3 = 2.0943951023931957;
    Z[1] = sq * std::cos(theta / 3.0) - a3;
    Z[2] = sq * std::cos(theta / 3.0 + twoPi3) - a3;
    Z[3] = sq * std::cos(theta / 3.0 - twoPi3) - a3;
    return 3;
  }
  MathErrorCode = FOk;
  double A = -Sgn(r) * Power(std::fabs(r) + std::sqrt(r * r - q3), 1.0 / 3.0);
  double B = A != 0.0 ? q / A : 0.0;
  Z[1] = (A + B) - a3;
  Z[2] = Z[3] = -0.5 * (A + B) - a3;
  Zi[2] = 0.8660254037844386 * (A - B);
  Zi[3] = -Zi[2];
  return CountReal(Zi, 1, 3);
}

int RootPol4(const TVector& Coef, TVector& Z, TVector& Zi) {
  ZeroRoots(Z, Zi, 4);
  if (Coef[4] == 0.0) return RootPol3(Coef, Z, Zi);
  double a = Coef[3] / Coef[4], b = Coef[2] / Coef[4], c = Coef[1] / Coef[4], d = Coef[0] / Coef[4];
  // Depressed quartic y^4 + p y^2 + q y + r with x = y - a/4.
  double a2 = a * a;
  double p = b - 0.375 * a2;
  double q = c - 0.5 * a * b + 0.125 * a2 * a;
  double r = d - 0.25 * a * c + a2 * b / 16.0 - 3.0 * a2 * a2 / 256.0;
  TVector zq(3), ziq(3);
  if (q == 0.0) {
    // Biquadratic: y^2 = t with t^2 + p t + r = 0.
    TVector t = {r, p, 1.0}, zt(3), zit(3);
    RootPol2(t, zt, zit);
    int k = 0;
    for (int i = 1; i <= 2; ++i) {
      double re = zt[i], im = zit[i];
      // Square roots of the complex number re + i im.
      double m = Pythag(re, im);
      double sr = std::sqrt(0.5 * (m + re));
      double si = FSign(std::sqrt(0.5 * (m - re)), im);
      Z[++k] = sr - 0.25 * a;
      Zi[k] = si;
      Z[++k] = -sr - 0.25 * a;
      Zi[k] = -si;
    }
    for (int i = 1; i <= 4; ++i)
      if (std::fabs(Zi[i]) == 0.0) Zi[i] = 0.0;
    return CountReal(Zi, 1, 4);
  }
  // Resolvent cubic m^3 + 2p m^2 + (p^2 - 4r) m - q^2 = 0; its largest real
  // root is positive when q is not 0.
  TVector cub = {-q * q, p * p - 4.0 * r, 2.0 * p, 1.0}, zc(4), zic(4);
  RootPol3(cub, zc, zic);
  double m = MaxRealRoot(3, zc, zic);
  if (!(m > 0.0)) m = std::fabs(m);
  double sm = std::sqrt(m);
  TVector q1 = {0.5 * (p + m) - q / (2.0 * sm), sm, 1.0};
  TVector q2 = {0.5 * (p + m) + q / (2.0 * sm), -sm, 1.0};
  TVector z1(3), zi1(3), z2(3), zi2(3);
  RootPol2(q1, z1, zi1);
  RootPol2(q2, z2, zi2);
  Z[1] = z1[1] - 0.25 * a;
  Zi[1] = zi1[1];
  Z[2] = z1[2] - 0.25 * a;
  Zi[2] = zi1[2];
  Z[3] = z2[1] - 0.25 * a;
  Zi[3] = zi2[1];
  Z[4] = z2[2] - 0.25 * a;
  Zi[4] = zi2[2];
  return CountReal(Zi, 1, 4);
}

double MaxRealRoot(int N, const TVector& Z, const TVector& Zi) {
  double m = -MaxNum;
  for (int i = 1; i <= N; ++i)
    if (Zi[i] == 0.0 && Z[i] > m) m = Z[i];
  return m;
}

}  // namespace numerics
