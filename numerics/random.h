// The library's own pseudo-random generator: two 16-bit multiply-with-carry
// generators combined into 32-bit integers, uniform doubles in [0, 1),
// Gaussian deviates by the Box-Muller method (one spare value kept) and
// multinormal vectors. The state is process-wide; a process that never
// reseeds draws the same sequence on every run.
#pragma once

#include <cstdint>

#include "numerics/vectors.h"

namespace numerics {

// Module start-up: no pending Gaussian spare, SetSeed(1802, 9373).
void InitRandom();

// X := Seed1, Y := Seed2, carries := 0. A pending Gaussian spare stays.
void SetSeed(std::uint32_t Seed1, std::uint32_t Seed2);

// Next combined value, (X shl 16) + Y as a signed 32-bit integer.
std::int32_t IRanMWC();
// (IRanMWC() + 2^31) / 2^32: never 1, 0 only for IRanMWC() = -2^31.
double RanMWC();
// Standard normal deviate; every second call returns the spare of the
// previous pair.
double RanGaussStd();
// Mu + Sigma * RanGaussStd().
double RanGauss(double Mu, double Sigma);

// Multinormal vector: all U[i] := RanGaussStd() drawn first (i = Lb..Ub),
// then X[i] := M[i] + sum of L[i][j]*U[j] over j = Lb..i, L being the lower
// Cholesky factor of the covariance matrix. M and X may be the same vector.
void RanMult(const TVector& M, const TMatrix& L, int Lb, int Ub, TVector& X);
// X[i] := RanGauss(M[i], S[i]) for i = Lb..Ub.
void RanMultIndep(const TVector& M, const TVector& S, int Lb, int Ub, TVector& X);

// The stochastic minimisers reseed on entry so that every run differs: two
// integers in 0..9999 from the platform's random source, the second draw as
// the first seed. A program (or a test) that needs repeatable runs installs
// its own reseeding routine here; null restores the platform's.
using TReseedProc = void (*)();
void SetReseedProc(TReseedProc Proc);
void Reseed();

}  // namespace numerics
