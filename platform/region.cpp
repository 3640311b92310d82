#include "platform/region.h"

#include <algorithm>
#include <climits>

namespace platform {

Region Region::Boxed(Kind kind, const Rect& box) {
  Region g;
  if (box.IsEmpty()) return g;
  g.kind_ = kind;
  g.box_ = box;
  return g;
}

Region Region::FromRect(const Rect& r) { return Boxed(Kind::Rectangle, r); }

Region Region::FromEllipse(const Rect& box) { return Boxed(Kind::Ellipse, box); }

Region Region::FromPolygon(const std::vector<Point>& points) {
  Region g;
  if (points.size() < 3) return g;
  g.kind_ = Kind::Polygon;
  g.points_ = points;
  Rect b{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
  for (const Point& p : points) {
    b.left = std::min(b.left, p.x);
    b.top = std::min(b.top, p.y);
    b.right = std::max(b.right, p.x);
    b.bottom = std::max(b.bottom, p.y);
  }
  g.box_ = b;
  if (b.IsEmpty()) return Region();
  return g;
}

Region Region::FromMask(int x, int y, int width, int height, const std::vector<bool>& bits) {
  Region g;
  if (width <= 0 || height <= 0 || bits.size() < size_t(width) * size_t(height)) return g;
  g.kind_ = Kind::Mask;
  g.box_ = RectOfSize(x, y, width, height);
  g.bits_ = bits;
  return g;
}

bool Region::IsEmpty() const { return kind_ == Kind::Empty; }

bool Region::Contains(int x, int y) const {
  if (kind_ == Kind::Empty || !box_.Contains(x, y)) return false;
  switch (kind_) {
    case Kind::Rectangle:
      return true;
    case Kind::Ellipse: {
      // Pixel centres inside the ellipse inscribed in the box.
      const double a = box_.Width() / 2.0, b = box_.Height() / 2.0;
      const double dx = (x + 0.5 - (box_.left + a)) / a, dy = (y + 0.5 - (box_.top + b)) / b;
      return dx * dx + dy * dy <= 1.0;
    }
    case Kind::Polygon: {
      // Winding number of the pixel centre.
      const double px = x + 0.5, py = y + 0.5;
      int winding = 0;
      const size_t n = points_.size();
      for (size_t i = 0; i < n; ++i) {
        const Point& p = points_[i];
        const Point& q = points_[(i + 1) % n];
        if (p.y <= py) {
          if (q.y > py && (q.x - p.x) * (py - p.y) - (px - p.x) * (q.y - p.y) > 0) ++winding;
        } else if (q.y <= py && (q.x - p.x) * (py - p.y) - (px - p.x) * (q.y - p.y) < 0) {
          --winding;
        }
      }
      return winding != 0;
    }
    case Kind::Mask:
      return bits_[size_t(y - box_.top) * size_t(box_.Width()) + size_t(x - box_.left)];
    default:
      return false;
  }
}

Rect Region::Bounds() const { return kind_ == Kind::Empty ? Rect{} : box_; }

void Region::Offset(int dx, int dy) {
  box_ = box_.Offset(dx, dy);
  for (Point& p : points_) {
    p.x += dx;
    p.y += dy;
  }
}

QRegion Region::ToQRegion() const {
  if (kind_ == Kind::Empty) return {};
  if (kind_ == Kind::Rectangle) return QRegion(box_.left, box_.top, box_.Width(), box_.Height());
  // Runs of contained pixels, row by row, from the same test as Contains.
  QRegion out;
  for (int y = box_.top; y < box_.bottom; ++y) {
    int x = box_.left;
    while (x < box_.right) {
      while (x < box_.right && !Contains(x, y)) ++x;
      const int start = x;
      while (x < box_.right && Contains(x, y)) ++x;
      if (x > start) out += QRect(start, y, x - start, 1);
    }
  }
  return out;
}

}  // namespace platform
