#include "numerics/random.h"

#include <cmath>
#include <random>

namespace numerics {

namespace {

std::uint32_t X = 1802, Y = 9373, CX = 0, CY = 0;
double GaussSpare = 0.0;
bool GaussSaved = false;
TReseedProc ReseedHook = nullptr;

constexpr double TwoPi = 6.283185307179586;

}  // namespace

void InitRandom() {
  GaussSpare = 0.0;
  GaussSaved = false;
  SetSeed(1802, 9373);
  ReseedHook = nullptr;
}

void SetSeed(std::uint32_t Seed1, std::uint32_t Seed2) {
  X = Seed1;
  Y = Seed2;
  CX = 0;
  CY = 0;
}

std::int32_t IRanMWC() {
  std::uint32_t t = 18000u * X + CX;
  X = t & 0xFFFFu;
  CX = t >> 16;
  t = 30903u * Y + CY;
  Y = t & 0xFFFFu;
  CY = t >> 16;
  return static_cast<std::int32_t>((X << 16) + Y);
}

double RanMWC() { return (static_cast<double>(IRanMWC()) + 2147483648.0) / 4294967296.0; }

double RanGaussStd() {
  if (GaussSaved) {
    GaussSaved = false;
    return GaussSpare;
  }
  double u1;
  do {
    u1 = RanMWC();
  } while (!(u1 > 0.0));
  double r = std::sqrt(-2.0 * std::log(u1));
  double a = TwoPi * RanMWC();
  GaussSpare = r * std::sin(a);
  GaussSaved = true;
  return r * std::cos(a);
}

double RanGauss(double Mu, double Sigma) { return Mu + Sigma * RanGaussStd(); }

void RanMult(const TVector& M, const TMatrix& L, int Lb, int Ub, TVector& X) {
  if (Ub < Lb) return;
  TVector u(static_cast<std::size_t>(Ub) + 1, 0.0);
  for (int i = Lb; i <= Ub; ++i) u[i] = RanGaussStd();
  // Computed into a copy first: M may be X itself.
  TVector x(static_cast<std::size_t>(Ub) + 1, 0.0);
  for (int i = Lb; i <= Ub; ++i) {
    double s = M[i];
    for (int j = Lb; j <= i; ++j) s += L[i][j] * u[j];
    x[i] = s;
  }
  for (int i = Lb; i <= Ub; ++i) X[i] = x[i];
}

void RanMultIndep(const TVector& M, const TVector& S, int Lb, int Ub, TVector& X) {
  for (int i = Lb; i <= Ub; ++i) X[i] = RanGauss(M[i], S[i]);
}

void SetReseedProc(TReseedProc Proc) { ReseedHook = Proc; }

void Reseed() {
  if (ReseedHook) {
    ReseedHook();
    return;
  }
  std::random_device rd;
  std::mt19937 gen(rd());
  std::uniform_int_distribution<int> dist(0, 9999);
  int first = dist(gen);
  int second = dist(gen);
  SetSeed(static_cast<std::uint32_t>(second), static_cast<std::uint32_t>(first));
}

}  // namespace numerics
