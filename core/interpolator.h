#pragma once
// Compressor tables over te (columns) and tc (rows): locating a point in the
// table, judging whether its value can be trusted, bilinear interpolation;
// the 9-coefficient te/tc polynomial with its coefficient text; the extremes
// of a table for plot scaling.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace core {

// Indexed [tc index][te index].
using TIntMat = std::vector<std::vector<int32_t>>;
using TFloatMat = std::vector<std::vector<double>>;

// c0..c8 of c0 + c1·te + c2·te² + c3·tc + c4·tc² + c5·te·tc + c6·te²·tc
// + c7·te·tc² + c8·te²·tc².
using TPoly9Coef = std::array<double, 9>;

// The value a table holds for a rating that is not given.
inline constexpr double kMissingValue = -99.0;

// Interpolator status: how far the located point can be trusted.
enum : int32_t {
  isNoError = 0,       // inside the table, on usable ratings
  isInvalidData = 1,   // the point needs a missing or flagged rating
  isRangeWarning = 2,  // up to one cell beyond the table
  isOutOfRange = 3,    // more than two cells beyond the table
};

// "No error", "Invalid data", "Range warning", "Out of range"; "" for any other value.
std::string InterpolatorStatusText(int32_t status);

class TInterpolator {
 public:
  int32_t I = 0;      // te column of the located cell (columns I and I+1)
  int32_t J = 0;      // tc row of the located cell (rows J and J+1)
  double Fx = 0.0;    // te position within the cell, 0 at column I, 1 at I+1
  double Fy = 0.0;    // tc position within the cell
  int32_t Status = isNoError;

  void Clear();
  // qeTable serves only to find missing ratings (-99), also when the caller
  // goes on to interpolate the power table of the same shape. Never raises.
  void Locate(const std::vector<double>& teList, const std::vector<double>& tcList,
              double te, double tc, const TFloatMat& qeTable, const TIntMat& valid);
  // The table's value at the located point; values of the cell are used even
  // when they are missing (-99), Status says so.
  double Bilinear(const TFloatMat& table) const;
  std::string StatusText() const { return InterpolatorStatusText(Status); }

 private:
  void CheckFraction(double& fraction);
  bool CornerIsBad(const TFloatMat& qeTable, const TIntMat& valid, int32_t row, int32_t col) const;
  void JudgeFlaggedCorners(const TFloatMat& qeTable, const TIntMat& valid, int32_t rows, int32_t cols);
};

// The process-wide interpolator, created on first use.
TInterpolator& Interpolator();

// Cell index and position within the cell of value in an ascending or
// descending list. A value on an inner list value X[k] lands in cell k-1 with
// fraction 1. Lists with fewer than two values give index 0 and fraction 0.
void LocateFraction(const std::vector<double>& list, double value, int32_t& index, double& fraction);

// numerator / denominator, or SignOf(numerator) · fallback when the
// denominator is 0 or the division fails (overflow, infinity by infinity).
double SafeDivide(double numerator, double denominator, double fallback);
// +1 for x >= 0, -1 otherwise.
double SignOf(double x);

double Poly9(const TPoly9Coef& c, double te, double tc);
// "%0.6e, %0.6e, ..." of c0..c8: "1.23457E+003, -2.10323E-001, ...".
std::string Poly9ToText(const TPoly9Coef& c);
// The first nine items of a comma list into c0..c8. Raises EListError when
// fewer than nine items, EConvertError for an item that is not a number;
// coefficients converted before the failure keep their new values.
void TextToPoly9(std::string_view text, TPoly9Coef& c);

// Largest / smallest value of a matrix, -99 values included; 0 for a matrix
// without any value.
double MatrixMax(const TFloatMat& matrix);
double MatrixMin(const TFloatMat& matrix);

}  // namespace core
