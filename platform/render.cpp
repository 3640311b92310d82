#include "platform/render.h"

#include <QWidget>

#include <climits>

namespace platform {

QImage RenderToImage(QWidget* widget) {
  if (!widget) return {};
  widget->ensurePolished();
  QImage image(widget->size(), QImage::Format_ARGB32);
  if (image.isNull()) return image;
  image.fill(Qt::magenta);
  widget->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
  return image;
}

Colour ColourAt(const QImage& image, int x, int y) {
  if (!image.valid(x, y)) return clNone;
  const QRgb p = image.pixel(x, y);
  return Rgb(qRed(p), qGreen(p), qBlue(p));
}

namespace {
Rect Area(const QImage& image, const Rect& r) {
  const Rect all{0, 0, image.width(), image.height()};
  return r.IsEmpty() ? all : r.Intersect(all);
}

template <class Pred>
int CountWhere(const QImage& image, const Rect& r, Pred pred) {
  const Rect a = Area(image, r);
  int n = 0;
  for (int y = a.top; y < a.bottom; ++y)
    for (int x = a.left; x < a.right; ++x)
      if (pred(image.pixel(x, y))) ++n;
  return n;
}

template <class Pred>
Rect BoundsWhere(const QImage& image, const Rect& r, Pred pred) {
  const Rect a = Area(image, r);
  Rect b{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
  bool any = false;
  for (int y = a.top; y < a.bottom; ++y)
    for (int x = a.left; x < a.right; ++x)
      if (pred(image.pixel(x, y))) {
        any = true;
        b = {std::min(b.left, x), std::min(b.top, y), std::max(b.right, x + 1), std::max(b.bottom, y + 1)};
      }
  return any ? b : Rect{};
}

Colour Plain(QRgb p) { return Rgb(qRed(p), qGreen(p), qBlue(p)); }

auto DarkTest(int maxLevel) {
  return [maxLevel](QRgb p) { return qRed(p) <= maxLevel && qGreen(p) <= maxLevel && qBlue(p) <= maxLevel; };
}
}  // namespace

int CountColour(const QImage& image, Colour colour, const Rect& r) {
  return CountWhere(image, r, [colour](QRgb p) { return Plain(p) == colour; });
}

Rect BoundsOfColour(const QImage& image, Colour colour, const Rect& r) {
  return BoundsWhere(image, r, [colour](QRgb p) { return Plain(p) == colour; });
}

Rect InkBounds(const QImage& image, Colour background, const Rect& r) {
  return BoundsWhere(image, r, [background](QRgb p) { return Plain(p) != background; });
}

Rect DarkBounds(const QImage& image, const Rect& r, int maxLevel) { return BoundsWhere(image, r, DarkTest(maxLevel)); }

int CountDark(const QImage& image, const Rect& r, int maxLevel) { return CountWhere(image, r, DarkTest(maxLevel)); }

bool ImagesEqual(const QImage& a, const QImage& b, const std::string& diffPath) {
  if (a.size() != b.size()) return false;
  bool equal = true;
  QImage diff(a.size(), QImage::Format_ARGB32);
  diff.fill(Qt::white);
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x)
      if ((a.pixel(x, y) & 0xFFFFFF) != (b.pixel(x, y) & 0xFFFFFF)) {
        equal = false;
        diff.setPixel(x, y, qRgb(255, 0, 0));
      }
  if (!equal && !diffPath.empty()) diff.save(QString::fromStdString(diffPath));
  return equal;
}

}  // namespace platform
