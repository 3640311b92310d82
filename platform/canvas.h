#pragma once
// A drawing surface in the platform's terms over QPainter, on a widget or an
// off-screen image. The old pixel rules hold: fills exclude the right and
// bottom edge, a line excludes its end point, outlines stay inside their
// rectangle, ellipses fit their box, no antialiasing. Text is drawn glyph by
// glyph at the integer advances platform/fonts.h measures.
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include <QPainter>
#include <QRegion>

#include "platform/colors.h"
#include "platform/fonts.h"
#include "platform/geometry.h"
#include "platform/image.h"
#include "platform/region.h"

class QPaintDevice;

namespace platform {

enum class PenStyle { Solid, Dash, Dot, DashDot, DashDotDot, Clear, InsideFrame };
struct Pen {
  Colour color = clBlack;
  int width = 1;
  PenStyle style = PenStyle::Solid;
};

enum class BrushStyle { Solid, Clear };
struct Brush {
  Colour color = clWhite;
  BrushStyle style = BrushStyle::Solid;
};

enum class BkMode { Transparent = 1, Opaque = 2 };

// Text alignment flags (reference point of text output).
enum : unsigned {
  TA_LEFT = 0, TA_TOP = 0, TA_RIGHT = 2, TA_CENTER = 6, TA_BOTTOM = 8, TA_BASELINE = 24,
};
// Extended text output options.
enum : unsigned { ETO_OPAQUE = 2, ETO_CLIPPED = 4 };

class Canvas {
 public:
  // Paints on a device (an image or a widget inside its paint event).
  explicit Canvas(QPaintDevice* device);
  // Paints through a painter the caller owns; paintClip (device pixels) is
  // the region a paint event may touch (empty: the whole device).
  Canvas(QPainter* painter, const QRegion& paintClip);
  ~Canvas();
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  // --- State. The pen, brush and font are used as they are at each call.
  Pen pen;
  Brush brush;
  Font font;  // font.color is the text colour
  Colour bkColor = clWhite;
  BkMode bkMode = BkMode::Opaque;
  unsigned textAlign = TA_LEFT | TA_TOP;
  void SetTextColor(Colour c) { font.color = c; }
  Colour TextColor() const { return font.color; }
  // Extra pixels spread over the break characters (blanks) of the next texts.
  void SetTextJustification(int extra, int breakCount);
  // Extra pixels after every character.
  int charExtra = 0;

  // The logical point (x, y) is drawn at device (0, 0).
  void SetWindowOrg(int x, int y) { origin_ = {x, y}; }
  Point WindowOrg() const { return origin_; }
  // Save returns a level; Restore(-1) restores the last save.
  int Save();
  void Restore(int level = -1);

  // --- Clipping (logical coordinates).
  Rect ClipBox() const;
  void IntersectClipRect(const Rect& r);
  void ExcludeClipRect(const Rect& r);
  // Replaces the clip by the region (limited to the paint's region).
  void SelectClipRegion(const Region& region);
  void IntersectClipRegion(const Region& region);
  // Back to the paint's region.
  void RemoveClip();
  // Whether a logical point lies inside the current clip.
  bool PtVisible(int x, int y) const;

  // --- Primitives.
  void FillRect(const Rect& r);          // brush colour
  void FillRect(const Rect& r, Colour c);
  void FrameRect(const Rect& r);         // brush colour, 1 pixel inside r
  void Rectangle(const Rect& r);         // pen outline inside r, brush fill
  void MoveTo(int x, int y) { penPos_ = {x, y}; }
  void LineTo(int x, int y);
  Point PenPos() const { return penPos_; }
  void Polyline(const std::vector<Point>& points);
  void Polygon(const std::vector<Point>& points);
  void Ellipse(const Rect& box);
  void DrawFocusRect(const Rect& r);
  void InvertRect(const Rect& r);
  void SetPixel(int x, int y, Colour c);
  // Only on an image canvas; black elsewhere.
  Colour GetPixel(int x, int y) const;
  // Top/left edges in one colour, bottom/right in the other, width pixels
  // deep; r shrinks by the width.
  void Frame3D(Rect& r, Colour topLeft, Colour bottomRight, int width);

  // --- Text.
  // The class library's text out: the cell is filled with the brush colour
  // unless the brush is clear; the pen position moves to the text's end.
  void TextOut(int x, int y, std::string_view utf8);
  void TextOut(int x, int y, std::u16string_view text);
  // Text clipped to a rectangle (class library's TextRect).
  void TextRect(const Rect& r, int x, int y, std::string_view utf8);
  // The platform's extended text output: ETO_OPAQUE fills rect with the
  // background colour, ETO_CLIPPED clips to it; with the background mode
  // opaque the text cells are filled too. dx: advance per UTF-16 unit.
  void ExtTextOut(int x, int y, unsigned options, const Rect* rect, std::u16string_view text,
                  const int* dx = nullptr);
  Size TextExtent(std::string_view utf8) const;
  Size TextExtent(std::u16string_view text) const;
  int TextWidth(std::string_view utf8) const { return TextExtent(utf8).cx; }
  int TextHeight(std::string_view utf8) const { return TextExtent(utf8).cy; }
  // Word-wrapped text in a rectangle; returns the height used.
  int DrawWrappedText(const Rect& r, std::u16string_view text, bool measureOnly = false);

  // --- Images.
  void Draw(int x, int y, const Bitmap& b);                       // alpha blended
  void DrawPart(const Rect& dest, const Bitmap& b, const Rect& src, bool smooth = false);
  void StretchDraw(const Rect& dest, const Bitmap& b, bool smooth = false);
  void Copy(int x, int y, const Bitmap& b);                       // alpha replaced
  // Tiles the rectangle with the image, the first tile at (originX, originY).
  void Tile(const Rect& r, const Bitmap& b, int originX, int originY);

  // Palettes: kept for callers, no effect on drawing (a true-colour device).
  const Palette* SelectPalette(const Palette* palette) {
    const Palette* old = palette_;
    palette_ = palette;
    return old;
  }
  int RealizePalette() { return 0; }
  const Palette* SelectedPalette() const { return palette_; }

  QPainter* Painter() { return painter_; }
  QImage* TargetImage() const { return image_; }

 private:
  struct Saved;
  void Prepare(bool forText = false);
  QRegion DeviceRegion(const Rect& logical) const;
  void ApplyClip();
  void PlotLine(Point a, Point b, bool includeEnd);
  std::vector<int> Advances(std::u16string_view text, const int* dx) const;
  void DrawGlyphs(int x, int baseline, std::u16string_view text, const std::vector<int>& adv);

  std::unique_ptr<QPainter> own_;
  QPainter* painter_ = nullptr;
  QImage* image_ = nullptr;
  QRegion paintClip_;                 // device pixels
  std::optional<QRegion> clip_;       // device pixels, within paintClip_
  Point origin_;
  Point penPos_;
  int justifyExtra_ = 0, justifyBreaks_ = 0;
  std::vector<Saved> saved_;
  const Palette* palette_ = nullptr;
};

}  // namespace platform
