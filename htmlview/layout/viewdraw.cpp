#include "htmlview/layout/viewdraw.h"

#include <algorithm>
#include <vector>

#include "htmlview/images/gdipimage.h"

namespace htmlview {

using platform::Bitmap;
using platform::Canvas;
using platform::Colour;
using platform::Point;
using platform::Rect;

namespace {

int Limit(int v) { return std::clamp(v, kBorderMinCoord, kBorderMaxCoord); }
Rect Limit(const Rect& r) { return {Limit(r.left), Limit(r.top), Limit(r.right), Limit(r.bottom)}; }

// The palette-relative flag on palette screens; the canvas strips it again.
Colour ForScreen(Colour c) {
  const Colour rgb = platform::ColourToRgb(c);
  return platform::ScreenDepth() <= 8 ? rgb | 0x02000000u : rgb;
}

// The rectangle a fraction of the way from outer to inner.
Rect Between(const Rect& o, const Rect& i, double f) {
  auto at = [f](int a, int b) { return a + static_cast<int>(std::lround((b - a) * f)); };
  return {at(o.left, i.left), at(o.top, i.top), at(o.right, i.right), at(o.bottom, i.bottom)};
}

std::vector<Point> SidePolygon(const Rect& o, const Rect& i, int side) {
  switch (side) {
    case bsTop: return {{o.left, o.top}, {o.right, o.top}, {i.right, i.top}, {i.left, i.top}};
    case bsRight: return {{o.right, o.top}, {o.right, o.bottom}, {i.right, i.bottom}, {i.right, i.top}};
    case bsBottom: return {{o.right, o.bottom}, {o.left, o.bottom}, {i.left, i.bottom}, {i.right, i.bottom}};
    default: return {{o.left, o.bottom}, {o.left, o.top}, {i.left, i.top}, {i.left, i.bottom}};
  }
}

void FillSide(Canvas& canvas, const Rect& o, const Rect& i, int side, Colour c) {
  canvas.brush = {ForScreen(c), platform::BrushStyle::Solid};
  canvas.pen.style = platform::PenStyle::Clear;
  canvas.Polygon(SidePolygon(o, i, side));
}

// A broken line of the side's width along the side: dashes three widths
// long or dots one width long, with gaps of one width.
void PatternSide(Canvas& canvas, const Rect& o, const Rect& i, int side, Colour c, bool dotted) {
  const bool horizontal = side == bsTop || side == bsBottom;
  Rect band;
  switch (side) {
    case bsTop: band = {o.left, o.top, o.right, i.top}; break;
    case bsBottom: band = {o.left, i.bottom, o.right, o.bottom}; break;
    case bsLeft: band = {o.left, o.top, i.left, o.bottom}; break;
    default: band = {i.right, o.top, o.right, o.bottom}; break;
  }
  const int w = horizontal ? band.Height() : band.Width();
  if (w <= 0) return;
  const int on = dotted ? w : 3 * w, off = w;
  const int start = horizontal ? band.left : band.top, end = horizontal ? band.right : band.bottom;
  for (int p = start; p < end; p += on + off) {
    const int q = std::min(end, p + on);
    const Rect piece = horizontal ? Rect{p, band.top, q, band.bottom} : Rect{band.left, p, band.right, q};
    canvas.FillRect(piece, ForScreen(c));
  }
}

}  // namespace

Colour Darker(Colour colour) {
  const Colour c = platform::ColourToRgb(colour);
  return platform::Rgb(platform::RedOf(c) * 3 / 4, platform::GreenOf(c) * 3 / 4, platform::BlueOf(c) * 3 / 4);
}

void DrawCssBorder(Canvas& canvas, const Rect& outerRect, const Rect& innerRect, const TBorderColors& colors,
                   const TBorderStyles& styles, Colour background, bool /*print*/) {
  const Rect o = Limit(outerRect), i = Limit(innerRect);
  const platform::Pen oldPen = canvas.pen;
  const platform::Brush oldBrush = canvas.brush;
  if (background != NoColorValue && !i.IsEmpty()) canvas.FillRect(i, ForScreen(background));
  for (int side = bsTop; side <= bsLeft; ++side) {
    const Colour c = colors[side];
    if (c == NoColorValue) continue;
    const bool topLeft = side == bsTop || side == bsLeft;
    switch (styles[side]) {
      case BorderStyle::None:
        break;
      case BorderStyle::Solid:
        FillSide(canvas, o, i, side, c);
        break;
      case BorderStyle::Inset:
        FillSide(canvas, o, i, side, topLeft ? Darker(c) : c);
        break;
      case BorderStyle::Outset:
        FillSide(canvas, o, i, side, topLeft ? c : Darker(c));
        break;
      case BorderStyle::Groove:
      case BorderStyle::Ridge: {
        // A groove looks carved in: its top-left outer half in shadow; a
        // ridge is the same with the halves swapped.
        const bool groove = styles[side] == BorderStyle::Groove;
        const Rect m = Between(o, i, 0.5);
        const bool outerDark = groove == topLeft;
        FillSide(canvas, o, m, side, outerDark ? Darker(c) : c);
        FillSide(canvas, m, i, side, outerDark ? c : Darker(c));
        break;
      }
      case BorderStyle::Dashed:
      case BorderStyle::Dotted:
        PatternSide(canvas, o, i, side, c, styles[side] == BorderStyle::Dotted);
        break;
      case BorderStyle::Double:
        FillSide(canvas, o, Between(o, i, 1.0 / 3), side, c);
        FillSide(canvas, Between(o, i, 2.0 / 3), i, side, c);
        break;
    }
  }
  canvas.pen = oldPen;
  canvas.brush = oldBrush;
}

Colour RaisedLightColor(Colour documentBackground) {
  const bool whiteWindow = platform::ColourToRgb(platform::clWindow) == platform::clWhite;
  if (documentBackground == NoColorValue || (documentBackground == platform::clWindow && whiteWindow))
    return platform::clSilver;
  return platform::clBtnHighlight;
}

void RaisedRect(Canvas& canvas, const Rect& outer, int width, bool raised, Colour documentBackground,
                bool printMono) {
  if (width <= 0) return;
  Colour dark = platform::clBtnShadow, light = RaisedLightColor(documentBackground);
  if (printMono) dark = light = platform::clBlack;
  const Colour topLeft = raised ? light : dark, bottomRight = raised ? dark : light;
  if (width == 1) {
    const Rect r{outer.left, std::max(outer.top, kBorderMinCoord), outer.right, std::min(outer.bottom, kBorderMaxCoord)};
    if (r.IsEmpty()) return;
    FillRectColor(canvas, {r.left, r.top, r.right, r.top + 1}, topLeft);
    FillRectColor(canvas, {r.left, r.top, r.left + 1, r.bottom}, topLeft);
    FillRectColor(canvas, {r.left, r.bottom - 1, r.right, r.bottom}, bottomRight);
    FillRectColor(canvas, {r.right - 1, r.top, r.right, r.bottom}, bottomRight);
    return;
  }
  const BorderStyle style = raised ? BorderStyle::Outset : BorderStyle::Inset;
  // Outset and inset darken the dark sides once more, which keeps a wide
  // frame's shading as deep as the 3-D controls around it.
  TBorderColors colors{topLeft, bottomRight, bottomRight, topLeft};
  DrawCssBorder(canvas, outer, outer.Inflate(-width, -width), colors, {style, style, style, style}, NoColorValue,
                printMono);
}

void FillRectColor(Canvas& canvas, const Rect& r, Colour colour) {
  const platform::Brush old = canvas.brush;
  canvas.brush = {ForScreen(colour), platform::BrushStyle::Solid};
  canvas.FillRect(r);
  canvas.brush = old;
}

void FormControlRect(Canvas& canvas, const Rect& r, Colour colour, bool raised, bool printMono) {
  if (r.IsEmpty()) return;
  FillRectColor(canvas, r, colour == NoColorValue ? platform::clBtnFace : colour);
  if (printMono) {
    const platform::Brush old = canvas.brush;
    canvas.brush = {platform::clBlack, platform::BrushStyle::Solid};
    canvas.FrameRect(r);
    canvas.brush = old;
    return;
  }
  const Colour shadow = platform::clBtnShadow, light = platform::clSilver;
  const Colour topLeft = raised ? light : shadow, bottomRight = raised ? shadow : light;
  const int w = 2;
  FillRectColor(canvas, {r.left, r.top, r.right, std::min(r.bottom, r.top + w)}, topLeft);
  FillRectColor(canvas, {r.left, r.top, std::min(r.right, r.left + w), r.bottom}, topLeft);
  FillRectColor(canvas, {r.left, std::max(r.top, r.bottom - w), r.right, r.bottom}, bottomRight);
  FillRectColor(canvas, {std::max(r.left, r.right - w), r.top, r.right, r.bottom}, bottomRight);
}

// ---------------------------------------------------------------- printing

Rect PrintClipDeviceRect(const Rect& r, const TDeviceMapping& m) {
  Rect d = r.Offset(-m.windowOrg.x, -m.windowOrg.y);
  if (m.scaled && m.windowExtX != 0 && m.windowExtY != 0) {
    d = {platform::MulDiv(d.left, m.viewportExtX, m.windowExtX), platform::MulDiv(d.top, m.viewportExtY, m.windowExtY),
         platform::MulDiv(d.right, m.viewportExtX, m.windowExtX),
         platform::MulDiv(d.bottom, m.viewportExtY, m.windowExtY)};
  }
  return d;
}

void AddPrintClip(Canvas& canvas, const Rect& r, const TDeviceMapping& mapping) {
  // The canvas clips in its own logical units, device pixels offset by its
  // window origin.
  const Rect d = PrintClipDeviceRect(r, mapping);
  const Point org = canvas.WindowOrg();
  canvas.IntersectClipRect(d.Offset(org.x, org.y));
}

void PrintBitmap(Canvas& canvas, int x, int y, int width, int height, const Bitmap& bitmap) {
  if (bitmap.IsNull() || width <= 0 || height <= 0) return;
  Bitmap opaque(bitmap.Width(), bitmap.Height(), platform::clBlack);
  if (opaque.IsNull()) return;
  {
    Canvas c(&opaque.Image());
    c.Draw(0, 0, bitmap);
  }
  canvas.StretchDraw(platform::RectOfSize(x, y, width, height), opaque);
}

void PrintTransparentBitmap(Canvas& canvas, int x, int y, int width, int height, const Bitmap& bitmap,
                            const Bitmap* mask) {
  if (bitmap.IsNull() || width <= 0 || height <= 0) return;
  if (int64_t(width) * height > Bitmap::kMaxPixels) return;
  const Bitmap* source = mask && !mask->IsNull() ? mask : &bitmap;
  const int sw = source->Width(), sh = source->Height();
  std::vector<bool> bits(static_cast<size_t>(width) * height);
  for (int row = 0; row < height; ++row) {
    const int sy = static_cast<int>(int64_t(row) * sh / height);
    for (int col = 0; col < width; ++col) {
      const int sx = static_cast<int>(int64_t(col) * sw / width);
      const bool opaque = source == mask ? (mask->Alpha(sx, sy) != 0 && mask->Pixel(sx, sy) != platform::clWhite)
                                         : bitmap.Alpha(sx, sy) != 0;
      bits[static_cast<size_t>(row) * width + col] = opaque;
    }
  }
  const int level = canvas.Save();
  canvas.IntersectClipRegion(platform::Region::FromMask(x, y, width, height, bits));
  PrintBitmap(canvas, x, y, width, height, bitmap);
  canvas.Restore(level);
}

namespace {

// The image repeated whole into w x h (multiples of its sides), pixel for
// pixel, alpha included.
Bitmap RepeatInto(const Bitmap& image, int w, int h) {
  Bitmap result(w, h, platform::clWhite);
  if (result.IsNull()) return result;
  const QImage src = image.Image().convertToFormat(QImage::Format_ARGB32);
  QImage& dst = result.Image();
  const int iw = src.width(), ih = src.height();
  for (int y = 0; y < h; ++y) {
    const auto* from = reinterpret_cast<const QRgb*>(src.constScanLine(y % ih));
    auto* to = reinterpret_cast<QRgb*>(dst.scanLine(y));
    for (int x = 0; x < w; ++x) to[x] = from[x % iw];
  }
  result.SetBitDepth(image.BitDepth());
  return result;
}

}  // namespace

Bitmap GetTileBitmap(const Bitmap& image, int requestedWidth, int requestedHeight) {
  if (image.IsNull()) return {};
  const int w = image.Width() == 1 ? std::clamp(requestedWidth, 1, kLargeTile) : image.Width();
  const int h = image.Height() == 1 ? std::clamp(requestedHeight, 1, kLargeTile) : image.Height();
  return RepeatInto(image, w, h);
}

Bitmap RepeatedTile(const Bitmap& image, int requestedWidth, int requestedHeight) {
  if (image.IsNull()) return {};
  auto side = [](int size, int requested) {
    if (size >= kLargeTile) return size;
    return size * std::max(1, std::min(requested, kLargeTile) / size);
  };
  const int w = side(image.Width(), requestedWidth), h = side(image.Height(), requestedHeight);
  if (w == image.Width() && h == image.Height()) return image;
  return RepeatInto(image, w, h);
}

Bitmap GetTileBitmap(const TGpImage& image, int requestedWidth, int requestedHeight) {
  return GetTileBitmap(image.Native(), requestedWidth, requestedHeight);
}

void Frame3D(platform::Canvas& canvas, platform::Rect r, int width, platform::Colour topLeft,
             platform::Colour bottomRight) {
  canvas.Frame3D(r, topLeft, bottomRight, width);
}

}  // namespace htmlview
