#include "core/interpolator.h"

#include <algorithm>
#include <cmath>

#include "platform/stringlist.h"
#include "platform/sysutils.h"

namespace core {

std::string InterpolatorStatusText(int32_t status) {
  switch (status) {
    case isNoError:
      return "No error";
    case isInvalidData:
      return "Invalid data";
    case isRangeWarning:
      return "Range warning";
    case isOutOfRange:
      return "Out of range";
    default:
      return "";
  }
}

TInterpolator& Interpolator() {
  static TInterpolator interpolator;
  return interpolator;
}

double SignOf(double x) { return x >= 0 ? 1.0 : -1.0; }

double SafeDivide(double numerator, double denominator, double fallback) {
  if (denominator == 0) return SignOf(numerator) * fallback;
  const double result = numerator / denominator;
  const bool inputsAreNumbers = !std::isnan(numerator) && !std::isnan(denominator);
  const bool inputsFinite = std::isfinite(numerator) && std::isfinite(denominator);
  // The cases where the division itself fails: infinity by infinity, and overflow.
  if ((std::isnan(result) && inputsAreNumbers) || (std::isinf(result) && inputsFinite))
    return SignOf(numerator) * fallback;
  return result;
}

void LocateFraction(const std::vector<double>& list, double value, int32_t& index, double& fraction) {
  index = 0;
  fraction = 0.0;
  const auto n = static_cast<int32_t>(list.size());
  if (n < 2) return;
  if (list[0] < list[1]) {
    while (index < n - 2) {
      if (value < list[index] || (list[index] <= value && value <= list[index + 1])) break;
      ++index;
    }
  } else {
    while (index < n - 2) {
      if (value > list[index] || (list[index + 1] <= value && value <= list[index])) break;
      ++index;
    }
  }
  fraction = SafeDivide(value - list[index], list[index + 1] - list[index], 0.0);
}

void TInterpolator::Clear() {
  I = J = 0;
  Fx = Fy = 0.0;
  Status = isNoError;
}

void TInterpolator::CheckFraction(double& fraction) {
  if (std::isnan(fraction)) {
    // No position at all (a NaN te or tc): nothing below may index with it.
    Status = isOutOfRange;
    return;
  }
  if (std::fabs(fraction) > 2)
    Status = isOutOfRange;
  else if (fraction < -0.5 || fraction > 1.5)
    Status = isRangeWarning;
  fraction = std::clamp(fraction, -3.0, 3.0);
}

// Cells outside the matrices (tables shorter than their lists) count as missing.
bool TInterpolator::CornerIsBad(const TFloatMat& qeTable, const TIntMat& valid, int32_t row, int32_t col) const {
  if (row < 0 || col < 0) return true;
  const auto r = static_cast<size_t>(row);
  const auto c = static_cast<size_t>(col);
  if (r >= qeTable.size() || c >= qeTable[r].size() || r >= valid.size() || c >= valid[r].size()) return true;
  return qeTable[r][c] == kMissingValue || valid[r][c] != 0;
}

void TInterpolator::Locate(const std::vector<double>& teList, const std::vector<double>& tcList, double te,
                           double tc, const TFloatMat& qeTable, const TIntMat& valid) {
  Clear();
  if (teList.size() < 2 || tcList.size() < 2) {
    // No cell to interpolate in.
    Status = isInvalidData;
    return;
  }
  LocateFraction(teList, te, I, Fx);
  CheckFraction(Fx);
  LocateFraction(tcList, tc, J, Fy);
  CheckFraction(Fy);
  if (Status != isNoError) return;
  JudgeFlaggedCorners(qeTable, valid, static_cast<int32_t>(tcList.size()), static_cast<int32_t>(teList.size()));
}

void TInterpolator::JudgeFlaggedCorners(const TFloatMat& qeTable, const TIntMat& valid, int32_t rows,
                                        int32_t cols) {
  const bool badJI = CornerIsBad(qeTable, valid, J, I);
  const bool badJI1 = CornerIsBad(qeTable, valid, J, I + 1);
  const bool badJ1I = CornerIsBad(qeTable, valid, J + 1, I);
  const bool badJ1I1 = CornerIsBad(qeTable, valid, J + 1, I + 1);
  if (!badJI && !badJI1 && !badJ1I && !badJ1I1) return;

  const double px = I + Fx;
  const double py = J + Fy;
  // Nearest node; halves go to the even integer (the default rounding mode).
  const auto nearRow = std::clamp(static_cast<int32_t>(std::nearbyint(py)), 0, rows - 1);
  const auto nearCol = std::clamp(static_cast<int32_t>(std::nearbyint(px)), 0, cols - 1);
  const bool nearMissing = static_cast<size_t>(nearRow) >= qeTable.size() ||
                           static_cast<size_t>(nearCol) >= qeTable[nearRow].size() ||
                           qeTable[nearRow][nearCol] == kMissingValue;
  if (nearMissing) {
    Status = isInvalidData;
    return;
  }

  const bool bottom = badJI || badJI1;
  const bool top = badJ1I || badJ1I1;
  const bool left = badJI || badJ1I;
  const bool right = badJI1 || badJ1I1;
  const bool offX = px - std::trunc(px) != 0;
  const bool offY = py - std::trunc(py) != 0;

  if ((offX && offY && (bottom || top)) || (offY && left && Fx == 0) || (offY && right && Fx == 1) ||
      (offX && bottom && Fy == 0) || (offX && top && Fy == 1)) {
    Status = isInvalidData;
    return;
  }
  if (!offX && !offY) {
    if ((Fy == 0 && Fx == 0 && bottom && left) || (Fy == 0 && Fx == 1 && bottom && right) ||
        (Fy == 1 && Fx == 0 && top && left) || (Fy == 1 && Fx == 1 && top && right))
      Status = isInvalidData;
  }
}

double TInterpolator::Bilinear(const TFloatMat& table) const {
  // Cells outside the matrix (a table shorter than its lists) read as missing.
  auto at = [&](int32_t row, int32_t col) {
    if (row < 0 || col < 0 || static_cast<size_t>(row) >= table.size() ||
        static_cast<size_t>(col) >= table[row].size())
      return kMissingValue;
    return table[row][col];
  };
  const double t00 = at(J, I), t01 = at(J, I + 1), t10 = at(J + 1, I), t11 = at(J + 1, I + 1);
  const double a = t00 + Fy * (t10 - t00);
  const double b = t01 + Fy * (t11 - t01);
  const double first = a + Fx * (b - a);
  const double c = t00 + Fx * (t01 - t00);
  const double d = t10 + Fx * (t11 - t10);
  const double second = c + Fy * (d - c);
  return (first + second) / 2;
}

double Poly9(const TPoly9Coef& c, double te, double tc) {
  return (c[2] * te + c[1]) * te + c[0] + (c[4] * tc + c[3]) * tc +
         te * tc * (c[6] * te + c[5] + c[7] * tc + c[8] * te * tc);
}

std::string Poly9ToText(const TPoly9Coef& c) {
  return platform::Format("%0.6e, %0.6e, %0.6e, %0.6e, %0.6e, %0.6e, %0.6e, %0.6e, %0.6e",
                          {c[0], c[1], c[2], c[3], c[4], c[5], c[6], c[7], c[8]});
}

void TextToPoly9(std::string_view text, TPoly9Coef& c) {
  platform::TStringList items;
  items.SetCommaText(text);
  for (int k = 0; k < static_cast<int>(c.size()); ++k) c[k] = platform::StrToFloat(items[k]);
}

namespace {

template <typename Better>
double MatrixExtreme(const TFloatMat& matrix, Better better) {
  bool any = false;
  double result = 0.0;
  for (const auto& row : matrix) {
    for (double value : row) {
      if (!any || better(value, result)) result = value;
      any = true;
    }
  }
  return result;
}

}  // namespace

double MatrixMax(const TFloatMat& matrix) {
  return MatrixExtreme(matrix, [](double v, double best) { return v > best; });
}

double MatrixMin(const TFloatMat& matrix) {
  return MatrixExtreme(matrix, [](double v, double best) { return v < best; });
}

}  // namespace core
