// Machine constants, the process-wide error code and elementary functions
// that never fail: a domain error, singularity, overflow or underflow sets
// MathErrorCode and returns a fixed substitute value instead.
#pragma once

#include <bit>
#include <cstdint>
#include <string>

namespace numerics {

// Machine epsilon: pivot limit, tolerances, numeric steps.
inline constexpr double MachEp = 2.220446049250313E-16;
// Substitute for +infinity: four units below the largest double.
inline constexpr double MaxNum = std::bit_cast<double>(std::uint64_t{0x7FEFFFFFFFFFFFFBull});
// Below this magnitude a reciprocal would overflow.
inline constexpr double MinNum = 5.56268464626801E-309;
// Largest and smallest arguments of the exponential.
inline constexpr double MaxLog = 709.782712893384;
inline constexpr double MinLog = -708.3964185322641;
inline constexpr double Ln10 = 2.302585092994046;
inline constexpr double InvLn2 = 1.4426950408889634;

// Values of MathErrorCode.
inline constexpr int FOk = 0;
inline constexpr int FDomain = -1;
inline constexpr int FSing = -2;
inline constexpr int FOverflow = -3;
inline constexpr int FUnderflow = -4;
inline constexpr int FNonConvergence = -6;

// Result of the latest guarded call anywhere in the process (one thread).
extern int MathErrorCode;
// Value of Sgn(0).
extern int SgnZero;
// Mantissa bits, Round(-Log2(MachEp)).
extern int NBits;

// Module start-up: clears MathErrorCode, sets SgnZero, NBits and the
// Lambert W constants. Called by InitNumerics before anything else.
void InitFMath();

// Sets MathErrorCode := Code and returns Value.
double DefaultVal(int Code, double Value);

int IMin(int A, int B);
int IMax(int A, int B);
double FMin(double A, double B);
// The larger double; on equality the second.
double FMax(double A, double B);
// 1, -1, or SgnZero for 0.
int Sgn(double X);
// |A| when B >= 0 (negative zero included), else -|A|.
double FSign(double A, double B);
void FSwap(double& X, double& Y);
void ISwap(int& X, int& Y);

// These four clear MathErrorCode first.
double Expo(double X);
double Exp10(double X);
double Log(double X);
double Log2(double X);

// Power and IntPower leave MathErrorCode alone unless they report an error:
// clear it before calling them when the code matters.
double Power(double X, double Y);
double IntPower(double X, int N);

// sqrt(x^2 + y^2) without intermediate overflow; clears MathErrorCode.
double Pythag(double X, double Y);

// Solves w*e^w = x. Upper selects the principal branch (else the lower one);
// with Offset the argument is the distance x - (-1/e).
double LambertW(double X, bool Upper, bool Offset);

// A real as printf writes it in the C locale, whatever the process locale:
// "%<Width>.<Precision>f" when Fixed, else "%<Width>.<Precision>E".
std::string PrintfReal(double X, bool Fixed, int Precision, int Width);

}  // namespace numerics
