#include "platform/image.h"

namespace platform {

namespace {
int& Depth() {
  static int depth = 24;
  return depth;
}

QImage MakeImage(int w, int h) {
  if (w <= 0 || h <= 0) return {};
  if (int64_t(w) * int64_t(h) > Bitmap::kMaxPixels) return {};
  return QImage(w, h, QImage::Format_ARGB32);  // null when memory is short
}

QRgb ToArgb(Colour c, int alpha) {
  const Colour v = ColourToRgb(c);
  return qRgba(RedOf(v), GreenOf(v), BlueOf(v), alpha);
}
}  // namespace

Bitmap::Bitmap(int width, int height, Colour fill) { SetSize(width, height, fill); }

Bitmap::Bitmap(const QImage& image) {
  if (!image.isNull()) image_ = image.convertToFormat(QImage::Format_ARGB32);
}

bool Bitmap::SetSize(int width, int height, Colour fill) {
  image_ = MakeImage(width, height);
  if (image_.isNull()) return false;
  Fill(fill);
  return true;
}

void Bitmap::Fill(Colour c) {
  if (!image_.isNull()) image_.fill(ToArgb(c, 255));
}

Colour Bitmap::Pixel(int x, int y) const {
  if (!image_.valid(x, y)) return clBlack;
  const QRgb p = image_.pixel(x, y);
  return Rgb(qRed(p), qGreen(p), qBlue(p));
}

int Bitmap::Alpha(int x, int y) const {
  if (!image_.valid(x, y)) return 0;
  return qAlpha(image_.pixel(x, y));
}

void Bitmap::SetPixel(int x, int y, Colour c, int alpha) {
  if (image_.valid(x, y)) image_.setPixel(x, y, ToArgb(c, alpha));
}

void Bitmap::MakeTransparent(Colour c) {
  const Colour key = ColourToRgb(c);
  for (int y = 0; y < Height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(image_.scanLine(y));
    for (int x = 0; x < Width(); ++x)
      if (Rgb(qRed(line[x]), qGreen(line[x]), qBlue(line[x])) == key) line[x] = qRgba(0, 0, 0, 0);
  }
}

Bitmap Bitmap::MaskFromColour(Colour c) const {
  Bitmap mask(Width(), Height(), clBlack);
  if (mask.IsNull()) return mask;
  const Colour key = ColourToRgb(c);
  for (int y = 0; y < Height(); ++y)
    for (int x = 0; x < Width(); ++x)
      if (Pixel(x, y) == key) mask.SetPixel(x, y, clWhite, 0);
  mask.SetBitDepth(1);
  return mask;
}

bool Bitmap::HasTransparency() const {
  for (int y = 0; y < Height(); ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(image_.constScanLine(y));
    for (int x = 0; x < Width(); ++x)
      if (qAlpha(line[x]) != 255) return true;
  }
  return false;
}

int Palette::NearestIndex(Colour c) const {
  const Colour v = ColourToRgb(c);
  int best = -1;
  long bestDistance = 0;
  for (int i = 0; i < Count(); ++i) {
    const Colour e = ColourToRgb(entries[i]);
    const long dr = RedOf(e) - RedOf(v), dg = GreenOf(e) - GreenOf(v), db = BlueOf(e) - BlueOf(v);
    const long d = dr * dr + dg * dg + db * db;
    if (best < 0 || d < bestDistance) {
      best = i;
      bestDistance = d;
    }
  }
  return best;
}

int ScreenDepth() { return Depth(); }
void SetScreenDepth(int bits) { Depth() = bits; }

}  // namespace platform
