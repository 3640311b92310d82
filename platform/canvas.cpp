#include "platform/canvas.h"

#include <QPaintDevice>
#include <QPolygon>

#include <cmath>
#include <cstdlib>

namespace platform {

struct Canvas::Saved {
  Pen pen;
  Brush brush;
  Font font;
  Colour bkColor;
  BkMode bkMode;
  unsigned textAlign;
  int charExtra;
  Point origin;
  Point penPos;
  std::optional<QRegion> clip;
  int justifyExtra, justifyBreaks;
};

namespace {

bool IsBlank(char16_t u) { return u == u' ' || u == u'\t' || u == 0xA0 || u < 0x20; }

// Cosmetic dash patterns (on, off, on, off, ...) in pixels.
std::vector<int> PatternOf(PenStyle s) {
  switch (s) {
    case PenStyle::Dash: return {18, 6};
    case PenStyle::Dot: return {3, 3};
    case PenStyle::DashDot: return {9, 6, 3, 6};
    case PenStyle::DashDotDot: return {9, 3, 3, 3, 3, 3};
    default: return {};
  }
}

}  // namespace

Canvas::Canvas(QPaintDevice* device) {
  own_ = std::make_unique<QPainter>(device);
  painter_ = own_.get();
  if (device->devType() == QInternal::Image) image_ = static_cast<QImage*>(device);
  paintClip_ = QRegion(0, 0, device->width(), device->height());
  painter_->setRenderHint(QPainter::Antialiasing, false);
}

Canvas::Canvas(QPainter* painter, const QRegion& paintClip) : painter_(painter) {
  QPaintDevice* device = painter->device();
  if (device && device->devType() == QInternal::Image) image_ = static_cast<QImage*>(device);
  paintClip_ = paintClip.isEmpty() && device ? QRegion(0, 0, device->width(), device->height()) : paintClip;
  painter_->setRenderHint(QPainter::Antialiasing, false);
}

Canvas::~Canvas() = default;

void Canvas::SetTextJustification(int extra, int breakCount) {
  justifyExtra_ = breakCount > 0 ? extra : 0;
  justifyBreaks_ = breakCount > 0 ? breakCount : 0;
}

int Canvas::Save() {
  saved_.push_back({pen, brush, font, bkColor, bkMode, textAlign, charExtra, origin_, penPos_, clip_,
                    justifyExtra_, justifyBreaks_});
  return static_cast<int>(saved_.size());
}

void Canvas::Restore(int level) {
  if (saved_.empty()) return;
  size_t index = level < 0 ? saved_.size() - 1 : static_cast<size_t>(level - 1);
  if (level == 0 || index >= saved_.size()) return;
  const Saved s = saved_[index];
  saved_.resize(index);
  pen = s.pen;
  brush = s.brush;
  font = s.font;
  bkColor = s.bkColor;
  bkMode = s.bkMode;
  textAlign = s.textAlign;
  charExtra = s.charExtra;
  origin_ = s.origin;
  penPos_ = s.penPos;
  clip_ = s.clip;
  justifyExtra_ = s.justifyExtra;
  justifyBreaks_ = s.justifyBreaks;
}

// ---------------------------------------------------------------- clipping

QRegion Canvas::DeviceRegion(const Rect& r) const {
  if (r.IsEmpty()) return {};
  return QRegion(r.left - origin_.x, r.top - origin_.y, r.Width(), r.Height());
}

Rect Canvas::ClipBox() const {
  const QRect b = (clip_ ? *clip_ : paintClip_).boundingRect();
  if (b.isEmpty()) return {};
  return RectOfSize(b.x() + origin_.x, b.y() + origin_.y, b.width(), b.height());
}

void Canvas::IntersectClipRect(const Rect& r) { clip_ = (clip_ ? *clip_ : paintClip_).intersected(DeviceRegion(r)); }

void Canvas::ExcludeClipRect(const Rect& r) { clip_ = (clip_ ? *clip_ : paintClip_).subtracted(DeviceRegion(r)); }

void Canvas::SelectClipRegion(const Region& region) {
  QRegion q = region.ToQRegion();
  q.translate(-origin_.x, -origin_.y);
  clip_ = paintClip_.intersected(q);
}

void Canvas::IntersectClipRegion(const Region& region) {
  QRegion q = region.ToQRegion();
  q.translate(-origin_.x, -origin_.y);
  clip_ = (clip_ ? *clip_ : paintClip_).intersected(q);
}

void Canvas::RemoveClip() { clip_.reset(); }

bool Canvas::PtVisible(int x, int y) const {
  return (clip_ ? *clip_ : paintClip_).contains(QPoint(x - origin_.x, y - origin_.y));
}

void Canvas::ApplyClip() {
  painter_->setWorldTransform(QTransform());
  painter_->setClipRegion(clip_ ? *clip_ : paintClip_);
  painter_->setWorldTransform(QTransform::fromTranslate(-origin_.x, -origin_.y));
}

void Canvas::Prepare(bool) {
  ApplyClip();
  painter_->setCompositionMode(QPainter::CompositionMode_SourceOver);
  painter_->setRenderHint(QPainter::Antialiasing, false);
  painter_->setRenderHint(QPainter::SmoothPixmapTransform, false);
}

// --------------------------------------------------------------- primitives

void Canvas::FillRect(const Rect& r) { FillRect(r, brush.color); }

void Canvas::FillRect(const Rect& r, Colour c) {
  if (r.IsEmpty()) return;
  Prepare();
  painter_->fillRect(QRect(r.left, r.top, r.Width(), r.Height()), ToQColor(c));
}

void Canvas::FrameRect(const Rect& r) {
  if (r.IsEmpty()) return;
  FillRect({r.left, r.top, r.right, r.top + 1});
  FillRect({r.left, r.bottom - 1, r.right, r.bottom});
  FillRect({r.left, r.top, r.left + 1, r.bottom});
  FillRect({r.right - 1, r.top, r.right, r.bottom});
}

void Canvas::Rectangle(const Rect& r) {
  if (r.IsEmpty()) return;
  if (pen.style == PenStyle::Clear) {
    // No outline: the fill stops one pixel short, as the platform's does.
    if (brush.style != BrushStyle::Clear) FillRect({r.left, r.top, r.right - 1, r.bottom - 1});
    return;
  }
  const int w = std::max(1, pen.width);
  if (brush.style != BrushStyle::Clear) FillRect(r.Inflate(-w, -w));
  const bool patterned = w == 1 && !PatternOf(pen.style).empty();
  if (patterned) {
    std::vector<Point> pts{{r.left, r.top}, {r.right - 1, r.top}, {r.right - 1, r.bottom - 1},
                           {r.left, r.bottom - 1}, {r.left, r.top}};
    Polyline(pts);
    return;
  }
  const Colour c = pen.color;
  FillRect({r.left, r.top, r.right, std::min(r.bottom, r.top + w)}, c);
  FillRect({r.left, std::max(r.top, r.bottom - w), r.right, r.bottom}, c);
  FillRect({r.left, r.top, std::min(r.right, r.left + w), r.bottom}, c);
  FillRect({std::max(r.left, r.right - w), r.top, r.right, r.bottom}, c);
}

void Canvas::PlotLine(Point a, Point b, bool includeEnd) {
  if (pen.style == PenStyle::Clear) return;
  Prepare();
  if (pen.width > 1) {
    QPen qp(ToQColor(pen.color), pen.width, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
    painter_->setPen(qp);
    painter_->drawLine(QPoint(a.x, a.y), QPoint(b.x, b.y));
    return;
  }
  // Bresenham, so that the pixels (and the excluded end point) are exact.
  const std::vector<int> pattern = PatternOf(pen.style);
  QPolygon on, off;
  int dx = std::abs(b.x - a.x), dy = -std::abs(b.y - a.y);
  const int sx = a.x < b.x ? 1 : -1, sy = a.y < b.y ? 1 : -1;
  int err = dx + dy, x = a.x, y = a.y;
  size_t seg = 0;
  int left = pattern.empty() ? 0 : pattern[0];
  for (;;) {
    const bool atEnd = x == b.x && y == b.y;
    if (atEnd && !includeEnd) break;
    if (pattern.empty() || seg % 2 == 0)
      on << QPoint(x, y);
    else
      off << QPoint(x, y);
    if (!pattern.empty() && --left == 0) {
      seg = (seg + 1) % pattern.size();
      left = pattern[seg];
    }
    if (atEnd) break;
    const int e2 = 2 * err;
    if (e2 >= dy) { err += dy; x += sx; }
    if (e2 <= dx) { err += dx; y += sy; }
  }
  painter_->setPen(QPen(ToQColor(pen.color), 1));
  painter_->drawPoints(on);
  if (!off.isEmpty() && bkMode == BkMode::Opaque) {
    painter_->setPen(QPen(ToQColor(bkColor), 1));
    painter_->drawPoints(off);
  }
}

void Canvas::LineTo(int x, int y) {
  PlotLine(penPos_, {x, y}, false);
  penPos_ = {x, y};
}

void Canvas::Polyline(const std::vector<Point>& points) {
  for (size_t i = 1; i < points.size(); ++i) PlotLine(points[i - 1], points[i], false);
  if (!points.empty()) penPos_ = points.back();
}

void Canvas::Polygon(const std::vector<Point>& points) {
  if (points.size() < 2) return;
  Prepare();
  QPolygon poly;
  for (const Point& p : points) poly << QPoint(p.x, p.y);
  if (pen.style == PenStyle::Clear)
    painter_->setPen(Qt::NoPen);
  else
    painter_->setPen(QPen(ToQColor(pen.color), std::max(1, pen.width)));
  painter_->setBrush(brush.style == BrushStyle::Clear ? QBrush(Qt::NoBrush) : QBrush(ToQColor(brush.color)));
  painter_->drawPolygon(poly, Qt::WindingFill);
}

void Canvas::Ellipse(const Rect& box) {
  if (box.IsEmpty()) return;
  Prepare();
  painter_->setBrush(brush.style == BrushStyle::Clear ? QBrush(Qt::NoBrush) : QBrush(ToQColor(brush.color)));
  if (pen.style == PenStyle::Clear) {
    painter_->setPen(Qt::NoPen);
    painter_->drawEllipse(QRect(box.left, box.top, box.Width(), box.Height()));
  } else {
    painter_->setPen(QPen(ToQColor(pen.color), std::max(1, pen.width)));
    // A stroked box covers its size plus the pen: one less keeps it inside.
    painter_->drawEllipse(QRect(box.left, box.top, box.Width() - 1, box.Height() - 1));
  }
}

void Canvas::DrawFocusRect(const Rect& r) {
  if (r.IsEmpty()) return;
  Prepare();
  painter_->setCompositionMode(QPainter::RasterOp_SourceXorDestination);
  auto dot = [&](int x, int y) {
    if (((x + y) & 1) == 0) painter_->fillRect(QRect(x, y, 1, 1), Qt::white);
  };
  for (int x = r.left; x < r.right; ++x) {
    dot(x, r.top);
    if (r.bottom - 1 > r.top) dot(x, r.bottom - 1);
  }
  for (int y = r.top + 1; y < r.bottom - 1; ++y) {
    dot(r.left, y);
    if (r.right - 1 > r.left) dot(r.right - 1, y);
  }
  painter_->setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void Canvas::InvertRect(const Rect& r) {
  if (r.IsEmpty()) return;
  Prepare();
  painter_->setCompositionMode(QPainter::RasterOp_NotDestination);
  painter_->fillRect(QRect(r.left, r.top, r.Width(), r.Height()), Qt::black);
  painter_->setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void Canvas::SetPixel(int x, int y, Colour c) { FillRect({x, y, x + 1, y + 1}, c); }

Colour Canvas::GetPixel(int x, int y) const {
  if (!image_) return clBlack;
  const int dx = x - origin_.x, dy = y - origin_.y;
  if (!image_->valid(dx, dy)) return clBlack;
  const QRgb p = image_->pixel(dx, dy);
  return Rgb(qRed(p), qGreen(p), qBlue(p));
}

void Canvas::Frame3D(Rect& r, Colour topLeft, Colour bottomRight, int width) {
  for (int i = 0; i < width && !r.IsEmpty(); ++i) {
    FillRect({r.left, r.top, r.right - 1, r.top + 1}, topLeft);
    FillRect({r.left, r.top, r.left + 1, r.bottom - 1}, topLeft);
    FillRect({r.right - 1, r.top, r.right, r.bottom}, bottomRight);
    FillRect({r.left, r.bottom - 1, r.right, r.bottom}, bottomRight);
    r = r.Inflate(-1, -1);
  }
}

// --------------------------------------------------------------------- text

std::vector<int> Canvas::Advances(std::u16string_view text, const int* dx) const {
  std::vector<int> adv;
  if (dx) {
    adv.assign(dx, dx + text.size());
    return adv;
  }
  adv = CharAdvances(font, text);
  int breaksLeft = justifyBreaks_, extraLeft = justifyExtra_;
  for (size_t i = 0; i < adv.size(); ++i) {
    if (IsLowSurrogate(text[i]) && i > 0 && IsHighSurrogate(text[i - 1])) continue;
    adv[i] += charExtra;
    if (text[i] == u' ' && breaksLeft > 0) {
      // The remainder goes to the first breaks.
      const int add = extraLeft >= 0 ? (extraLeft + breaksLeft - 1) / breaksLeft : extraLeft / breaksLeft;
      adv[i] += add;
      extraLeft -= add;
      --breaksLeft;
    }
  }
  return adv;
}

Size Canvas::TextExtent(std::u16string_view text) const {
  int w = 0;
  for (int a : Advances(text, nullptr)) w += a;
  return {w, GetTextMetrics(font).height};
}

Size Canvas::TextExtent(std::string_view utf8) const { return TextExtent(Utf8ToUtf16(utf8)); }

void Canvas::DrawGlyphs(int x, int baseline, std::u16string_view text, const std::vector<int>& adv) {
  const QColor colour = ToQColor(font.color);
  if (CurrentFontBackend() == FontBackend::FixedMetric) {
    const TextMetrics tm = GetTextMetrics(font);
    int cx = x;
    for (size_t i = 0; i < text.size(); ++i) {
      const bool low = IsLowSurrogate(text[i]) && i > 0 && IsHighSurrogate(text[i - 1]);
      if (!low && !IsBlank(text[i]) && adv[i] > 1)
        painter_->fillRect(QRect(cx, baseline - tm.ascent, adv[i] - 1, tm.height), colour);
      cx += adv[i];
    }
    return;
  }
  painter_->setFont(ToQFont(font));
  painter_->setPen(colour);
  const double xScale = FontHorizontalScale(font);
  int cx = x;
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t u = text[i];
    if (IsLowSurrogate(u) && i > 0 && IsHighSurrogate(text[i - 1])) {
      cx += adv[i];
      continue;
    }
    if (!IsBlank(u)) {
      QString glyph = (IsHighSurrogate(u) && i + 1 < text.size() && IsLowSurrogate(text[i + 1]))
                          ? QString::fromUtf16(&text[i], 2)
                          : QString(QChar(u));
      if (xScale != 1.0) {
        painter_->save();
        painter_->translate(cx, baseline);
        painter_->scale(xScale, 1.0);
        painter_->drawText(QPoint(0, 0), glyph);
        painter_->restore();
      } else {
        painter_->drawText(QPoint(cx, baseline), glyph);
      }
    } else if (font.underline || font.strikeOut) {
      // Blanks draw no glyph but keep the line under them unbroken.
      painter_->drawText(QPoint(cx, baseline), QString(QChar(u' ')));
    }
    cx += adv[i];
  }
}

void Canvas::ExtTextOut(int x, int y, unsigned options, const Rect* rect, std::u16string_view text,
                        const int* dx) {
  Prepare(true);
  if ((options & ETO_OPAQUE) && rect && !rect->IsEmpty())
    painter_->fillRect(QRect(rect->left, rect->top, rect->Width(), rect->Height()), ToQColor(bkColor));
  if (text.empty()) return;
  const std::vector<int> adv = Advances(text, dx);
  int total = 0;
  for (int a : adv) total += a;
  const TextMetrics tm = GetTextMetrics(font);

  painter_->save();
  if ((options & ETO_CLIPPED) && rect)
    painter_->setClipRect(QRect(rect->left, rect->top, rect->Width(), rect->Height()), Qt::IntersectClip);
  // Reference point to (0, 0) and the escapement as a rotation about it.
  painter_->translate(x, y);
  if (font.escapement != 0) painter_->rotate(-font.escapement / 10.0);
  int left = 0;
  if ((textAlign & TA_CENTER) == TA_CENTER)
    left = -total / 2;
  else if (textAlign & TA_RIGHT)
    left = -total;
  int top = 0;
  if ((textAlign & TA_BASELINE) == TA_BASELINE)
    top = -tm.ascent;
  else if (textAlign & TA_BOTTOM)
    top = -tm.height;
  // Text wholly outside an explicit clip is not drawn at all: a printed page
  // (and the text layer of a PDF) must not carry lines clipped away.
  if (clip_ && font.escapement == 0) {
    const int pad = tm.height;   // italic overhang and glyphs reaching past their cells
    const QRect box(x + left - origin_.x - pad, y + top - origin_.y, total + 2 * pad, tm.height);
    if (!clip_->intersects(box)) {
      painter_->restore();
      return;
    }
  }
  if (bkMode == BkMode::Opaque) painter_->fillRect(QRect(left, top, total, tm.height), ToQColor(bkColor));
  DrawGlyphs(left, top + tm.ascent, text, adv);
  painter_->restore();
}

void Canvas::TextOut(int x, int y, std::u16string_view text) {
  const BkMode mode = bkMode;
  const Colour bk = bkColor;
  bkMode = brush.style == BrushStyle::Clear ? BkMode::Transparent : BkMode::Opaque;
  bkColor = brush.color;
  ExtTextOut(x, y, 0, nullptr, text);
  bkMode = mode;
  bkColor = bk;
  penPos_ = {x + TextExtent(text).cx, y};
}

void Canvas::TextOut(int x, int y, std::string_view utf8) { TextOut(x, y, std::u16string_view(Utf8ToUtf16(utf8))); }

void Canvas::TextRect(const Rect& r, int x, int y, std::string_view utf8) {
  const BkMode mode = bkMode;
  const Colour bk = bkColor;
  unsigned options = ETO_CLIPPED;
  if (brush.style != BrushStyle::Clear) {
    options |= ETO_OPAQUE;
    bkMode = BkMode::Opaque;
    bkColor = brush.color;
  } else {
    bkMode = BkMode::Transparent;
  }
  ExtTextOut(x, y, options, &r, Utf8ToUtf16(utf8));
  bkMode = mode;
  bkColor = bk;
}

int Canvas::DrawWrappedText(const Rect& r, std::u16string_view text, bool measureOnly) {
  const int lineHeight = GetTextMetrics(font).height;
  const int width = r.Width();
  int y = r.top;
  size_t pos = 0;
  while (pos < text.size()) {
    // Longest run of whole words that fits; a single long word is cut.
    size_t end = pos, lastBreak = std::u16string_view::npos;
    int w = 0;
    while (end < text.size() && text[end] != u'\n') {
      const int a = CharAdvance(font, text[end]);
      if (w + a > width && end > pos) break;
      if (text[end] == u' ') lastBreak = end;
      w += a;
      ++end;
    }
    size_t next = end;
    if (end < text.size() && text[end] != u'\n' && lastBreak != std::u16string_view::npos && lastBreak > pos) {
      end = lastBreak;
      next = lastBreak + 1;
    } else if (end < text.size() && text[end] == u'\n') {
      next = end + 1;
    }
    if (!measureOnly) {
      const BkMode mode = bkMode;
      bkMode = BkMode::Transparent;
      ExtTextOut(r.left, y, ETO_CLIPPED, &r, text.substr(pos, end - pos));
      bkMode = mode;
    }
    y += lineHeight;
    pos = next;
  }
  return y - r.top;
}

// ------------------------------------------------------------------- images

void Canvas::Draw(int x, int y, const Bitmap& b) {
  if (b.IsNull()) return;
  Prepare();
  painter_->drawImage(QPoint(x, y), b.Image());
}

void Canvas::Copy(int x, int y, const Bitmap& b) {
  if (b.IsNull()) return;
  Prepare();
  painter_->setCompositionMode(QPainter::CompositionMode_Source);
  painter_->drawImage(QPoint(x, y), b.Image());
  painter_->setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void Canvas::DrawPart(const Rect& dest, const Bitmap& b, const Rect& src, bool smooth) {
  if (b.IsNull() || dest.IsEmpty() || src.IsEmpty()) return;
  Prepare();
  painter_->setRenderHint(QPainter::SmoothPixmapTransform, smooth);
  painter_->drawImage(QRect(dest.left, dest.top, dest.Width(), dest.Height()), b.Image(),
                      QRect(src.left, src.top, src.Width(), src.Height()));
}

void Canvas::StretchDraw(const Rect& dest, const Bitmap& b, bool smooth) {
  DrawPart(dest, b, RectOfSize(0, 0, b.Width(), b.Height()), smooth);
}

void Canvas::Tile(const Rect& r, const Bitmap& b, int originX, int originY) {
  if (b.IsNull() || r.IsEmpty()) return;
  const int w = b.Width(), h = b.Height();
  // First tile at or before the rectangle's near edges.
  auto start = [](int origin, int edge, int size) {
    int s = origin - ((origin - edge) / size) * size;
    while (s > edge) s -= size;
    return s;
  };
  const int x0 = start(originX, r.left, w), y0 = start(originY, r.top, h);
  Save();
  IntersectClipRect(r);
  Prepare();
  for (int y = y0; y < r.bottom; y += h)
    for (int x = x0; x < r.right; x += w) painter_->drawImage(QPoint(x, y), b.Image());
  Restore();
}

}  // namespace platform
