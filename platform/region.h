#pragma once
// Clip regions with point-in-region by our own arithmetic (image maps hit
// test with it); the Qt region is derived from the same arithmetic, so what
// is clipped and what is hit always agree.
#include <vector>

#include <QRegion>

#include "platform/geometry.h"

namespace platform {

class Region {
 public:
  enum class Kind { Empty, Rectangle, Ellipse, Polygon, Mask };

  Region() = default;
  static Region FromRect(const Rect& r);
  // The ellipse inscribed in the box.
  static Region FromEllipse(const Rect& box);
  // Filled by the winding rule.
  static Region FromPolygon(const std::vector<Point>& points);
  // Set pixels of a bit mask (row-major, width x height) at (x, y).
  static Region FromMask(int x, int y, int width, int height, const std::vector<bool>& bits);

  Kind kind() const { return kind_; }
  bool IsEmpty() const;
  bool Contains(int x, int y) const;
  bool Contains(Point p) const { return Contains(p.x, p.y); }
  Rect Bounds() const;
  void Offset(int dx, int dy);
  QRegion ToQRegion() const;

 private:
  static Region Boxed(Kind kind, const Rect& box);
  Kind kind_ = Kind::Empty;
  Rect box_;
  std::vector<Point> points_;
  std::vector<bool> bits_;
};

}  // namespace platform
