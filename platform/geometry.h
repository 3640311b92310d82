#pragma once
// Integer points and rectangles in the platform's terms: a rectangle holds
// left/top and excludes right/bottom.
#include <algorithm>
#include <climits>
#include <cmath>
#include <ostream>

namespace platform {

struct Point {
  int x = 0, y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
  int cx = 0, cy = 0;
  friend bool operator==(const Size&, const Size&) = default;
};

struct Rect {
  int left = 0, top = 0, right = 0, bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool IsEmpty() const { return right <= left || bottom <= top; }
  bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
  bool Contains(Point p) const { return Contains(p.x, p.y); }
  Rect Offset(int dx, int dy) const { return {left + dx, top + dy, right + dx, bottom + dy}; }
  Rect Inflate(int dx, int dy) const { return {left - dx, top - dy, right + dx, bottom + dy}; }
  // Empty result when they do not meet.
  Rect Intersect(const Rect& o) const {
    Rect r{std::max(left, o.left), std::max(top, o.top), std::min(right, o.right), std::min(bottom, o.bottom)};
    if (r.IsEmpty()) return {};
    return r;
  }
  Rect Union(const Rect& o) const {
    if (IsEmpty()) return o;
    if (o.IsEmpty()) return *this;
    return {std::min(left, o.left), std::min(top, o.top), std::max(right, o.right), std::max(bottom, o.bottom)};
  }
  friend bool operator==(const Rect&, const Rect&) = default;
};

// Readable values in test failure messages.
inline std::ostream& operator<<(std::ostream& out, const Point& p) { return out << "(" << p.x << "," << p.y << ")"; }
inline std::ostream& operator<<(std::ostream& out, const Rect& r) {
  return out << "(" << r.left << "," << r.top << ")-(" << r.right << "," << r.bottom << ")";
}

inline Rect RectOfSize(int x, int y, int w, int h) { return {x, y, x + w, y + h}; }

// Saturating arithmetic for pixel values. Hostile pages ask for lengths,
// spans and counts whose sums and products leave the int range; they stop
// at its ends instead of wrapping (or being undefined, as signed overflow
// and out-of-range conversions from floating point are).
inline int SaturatedInt(long long v) {
  return static_cast<int>(std::clamp<long long>(v, INT_MIN, INT_MAX));
}
// Truncates toward zero like a cast; NaN gives 0.
inline int ClampToInt(double v) {
  if (std::isnan(v)) return 0;
  if (v >= static_cast<double>(INT_MAX)) return INT_MAX;
  if (v <= static_cast<double>(INT_MIN)) return INT_MIN;
  return static_cast<int>(v);
}
inline int SaturatedAdd(int a, int b) { return SaturatedInt(static_cast<long long>(a) + b); }
inline int SaturatedMul(int a, int b) { return SaturatedInt(static_cast<long long>(a) * b); }

// How far layout coordinates reach: the running sums of a page (the heights
// of a cell's sections, a text's lines, a table's rows; the widths of its
// columns) stop here, far enough inside the int range that three such values
// (a y, a height and a scroll offset) plus a section's own margins, borders
// and lines (each at most a million pixels) still add up without leaving it.
constexpr int kMaxLayoutExtent = 1 << 29;
inline int LayoutSum(long long v) {
  return static_cast<int>(std::clamp<long long>(v, -kMaxLayoutExtent, kMaxLayoutExtent));
}
inline int LayoutAdd(int a, int b) { return LayoutSum(static_cast<long long>(a) + b); }

// The platform's MulDiv: a * b / c rounded half away from zero; -1 when c is
// 0. A quotient beyond the int range saturates.
inline int MulDiv(int a, int b, int c) {
  if (c == 0) return -1;
  long long p = static_cast<long long>(a) * b;
  long long q = c;
  if (q < 0) { p = -p; q = -q; }
  long long r = p >= 0 ? (p + q / 2) / q : -((-p + q / 2) / q);
  return SaturatedInt(r);
}

}  // namespace platform
