#include "numerics/mathfunc.h"

#include <charconv>
#include <cmath>

namespace numerics {

int MathErrorCode = 0;
int SgnZero = 1;
int NBits = 52;

namespace {

// Lambert W constants, fixed once at start-up from MachEp.
struct LambertConstants {
  double EM = -0.36787944117144233;  // -1/e
  double EM9 = 0;                    // -e^-9
  double C13 = 1.0 / 3.0;
  double C23 = 2.0 / 3.0;
  double EM2 = 0;                    // 2/EM
  double E12 = 0;                    // -2/EM = 2e
  double Em3 = 0;                    // below this |x| the series is exact enough
  double Em2 = 0;                    // near the branch point
  double A1 = 8.0 / 3.0;
  double A2 = 1.6265060240963856;
  double A3 = 4.256410256410256;
  double A4 = 0.8923640462102;
  double B1 = -0.1715728752538099;
  double B2 = -0.24264068711928516;
  double B3 = -0.585786437626905;
};

LambertConstants LW;

}  // namespace

void InitFMath() {
  MathErrorCode = FOk;
  SgnZero = 1;
  NBits = static_cast<int>(std::nearbyint(-std::log2(MachEp)));
  LW = LambertConstants{};
  LW.EM = -std::exp(-1.0);
  LW.EM9 = -std::exp(-9.0);
  LW.EM2 = 2.0 / LW.EM;
  LW.E12 = -LW.EM2;
  LW.Em3 = 0.5 * std::pow(MachEp, 1.0 / 6.0);
  LW.Em2 = (1.0 - 17.0 * std::pow(MachEp, 2.0 / 7.0)) * LW.EM;
  MathErrorCode = FOk;
}

double DefaultVal(int Code, double Value) {
  MathErrorCode = Code;
  return Value;
}

int IMin(int A, int B) { return A < B ? A : B; }
int IMax(int A, int B) { return A > B ? A : B; }
double FMin(double A, double B) { return A < B ? A : B; }
double FMax(double A, double B) { return A > B ? A : B; }

int Sgn(double X) {
  if (X > 0.0) return 1;
  if (X < 0.0) return -1;
  return SgnZero;
}

double FSign(double A, double B) {
  double a = std::fabs(A);
  return B >= 0.0 ? a : -a;
}

void FSwap(double& X, double& Y) {
  double t = X;
  X = Y;
  Y = t;
}

void ISwap(int& X, int& Y) {
  int t = X;
  X = Y;
  Y = t;
}

double Expo(double X) {
  MathErrorCode = FOk;
  if (X < MinLog) return DefaultVal(FUnderflow, 0.0);
  if (X > MaxLog) return DefaultVal(FOverflow, MaxNum);
  return std::exp(X);
}

double Exp10(double X) {
  MathErrorCode = FOk;
  volatile double t = X * Ln10;  // rounded to a double before the test
  return Expo(t);
}

double Log(double X) {
  MathErrorCode = FOk;
  if (X < 0.0) return DefaultVal(FDomain, -MaxNum);
  if (X == 0.0) return DefaultVal(FSing, -MaxNum);
  return std::log(X);
}

double Log2(double X) {
  MathErrorCode = FOk;
  if (X < 0.0) return DefaultVal(FDomain, -MaxNum);
  if (X == 0.0) return DefaultVal(FSing, -MaxNum);
  return std::log(X) * InvLn2;
}

double IntPower(double X, int N) {
  if (X == 0.0) {
    if (N == 0) return 1.0;
    if (N > 0) return 0.0;
    return DefaultVal(FSing, MaxNum);
  }
  if (N == 0) return 1.0;
  if (N == 1) return X;

  // Powers of a base above 1 are formed from its reciprocal so that an
  // overflow shows up as a tiny intermediate that is caught at the inversion.
  bool invert;
  if (std::fabs(X) > 1.0) {
    X = 1.0 / X;
    invert = N >= 0;
  } else {
    invert = N < 0;
  }
  // Work with the magnitude of N in 64 bits: -INT_MIN does not fit an int.
  long long count = N < 0 ? -static_cast<long long>(N) : N;
  double result = 1.0;
  double base = X;
  while (count > 0) {
    if (count & 1) result *= base;
    base *= base;
    count >>= 1;
  }
  if (invert) {
    if (std::fabs(result) < MinNum) return DefaultVal(FOverflow, Sgn(result) * MaxNum);
    result = 1.0 / result;
  }
  return result;
}

double Power(double X, double Y) {
  if (X == 0.0) {
    if (Y == 0.0) return 1.0;
    if (Y > 0.0) return 0.0;
    return DefaultVal(FSing, MaxNum);
  }
  if (Y == 0.0) return 1.0;
  if (Y == 1.0) return X;
  if (std::fabs(Y) < 2147483647.0) {
    double r = std::nearbyint(Y);
    if (Y == r) return IntPower(X, static_cast<int>(r));
  }
  if (X > 0.0) {
    double t = std::log(X) * Y;
    if (t < MinLog) return DefaultVal(FUnderflow, 0.0);
    if (t > MaxLog) return DefaultVal(FOverflow, MaxNum);
    return std::exp(t);
  }
  return DefaultVal(FDomain, 0.0);
}

double Pythag(double X, double Y) {
  MathErrorCode = FOk;
  double a = std::fabs(X);
  double b = std::fabs(Y);
  if (a > b) {
    double r = b / a;
    return a * std::sqrt(1.0 + r * r);
  }
  if (b == 0.0) return 0.0;
  double r = a / b;
  return b * std::sqrt(1.0 + r * r);
}

double LambertW(double X, bool Upper, bool Offset) {
  const LambertConstants& c = LW;
  double dx;
  if (Offset) {
    dx = X;
    if (dx < 0.0) return DefaultVal(FDomain, 0.0);
    X = dx + c.EM;
  } else {
    if (X < c.EM) return DefaultVal(FDomain, 0.0);
    if (X == c.EM) return -1.0;
    dx = X - c.EM;
  }

  double w;
  if (Upper) {
    if (std::fabs(X) <= c.Em3) {
      return X / (1.0 + X / (1.0 + X / (2.0 + X / (0.6 + 0.34 * X))));
    }
    if (X <= c.Em2) {
      volatile double p = std::sqrt(c.E12 * dx);
      double t1 = c.A4 * p + c.A3;
      double t2 = p / t1 + c.A2;
      double t3 = p / t2 + c.A1;
      double t4 = p / t3 + 3.0;
      double t5 = p / t4 + 1.0;
      return p / t5 - 1.0;
    }
    if (X <= 20.0) {
      double p = std::sqrt(2.0) * std::sqrt(1.0 - X / c.EM);
      double h = 4.612634277343749 * std::sqrt(std::sqrt(1.09556884765625 + p));
      w = p / (1.0 + p / (3.0 + (c.B1 * h + c.B2) * p / ((h + p) * c.B3))) - 1.0;
    } else {
      double l = std::log(X);
      double e = std::exp(-1.124491989777808 / (0.4225028202459761 + l));
      w = std::log(X / std::log(Power(X / l, e)));
    }
  } else {
    if (X >= 0.0) return DefaultVal(FDomain, 0.0);
    if (X <= c.Em2) {
      volatile double p = std::sqrt(c.E12 * dx);
      double t1 = c.A4 * p - c.A3;
      double t2 = p / t1 + c.A2;
      double t3 = p / t2 - c.A1;
      double t4 = p / t3 + 3.0;
      double t5 = p / t4 - 1.0;
      return p / t5 - 1.0;
    }
    if (X <= c.EM9) {
      double l = std::log(-X);
      double s = -1.0 - l;
      double r = std::sqrt(s);
      w = l - 2.0 * r / ((c.C13 - s / (127.0471381349219 * r + 270.0)) * r + std::sqrt(2.0));
    } else {
      double l = std::log(-X);
      double t = 2.0 + c.E12 * X;
      double w0 = (std::sqrt(t) + t / 3.0) * (1.0 - (l + 1.0) * 0.5043921323068457) + 1.0;
      w = std::log(X / std::log(-X / w0));
    }
  }

  int steps = NBits < 52 ? 1 : 2;
  for (int i = 0; i < steps; ++i) {
    volatile double z = std::log(X / w) - w;
    volatile double t = 1.0 + w;
    volatile double q = 2.0 * t * (t + c.C23 * z);
    w = w * (1.0 + (z / t) * (q - z) / (q - 2.0 * z));
  }
  return w;
}

std::string PrintfReal(double X, bool Fixed, int Precision, int Width) {
  // to_chars with a precision writes what printf writes in the C locale,
  // but with a small "e", "inf" and "nan" also where "%E" writes capitals.
  char buf[400];
  const auto res = std::to_chars(buf, buf + sizeof buf, X, Fixed ? std::chars_format::fixed : std::chars_format::scientific,
                                 Precision);
  std::string text(buf, res.ec == std::errc() ? res.ptr : buf);
  if (!Fixed)
    for (char& c : text) c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
  if (static_cast<int>(text.size()) < Width) text.insert(0, static_cast<size_t>(Width) - text.size(), ' ');
  return text;
}

}  // namespace numerics
