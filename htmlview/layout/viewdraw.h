#pragma once
// Drawing routines the viewer's blocks, tables, form controls and printing
// share: CSS borders, 3-D frames, filled rectangles, print clipping and the
// printing of (transparent) bitmaps.
#include <array>

#include "htmlview/parse/vocabulary.h"
#include "platform/canvas.h"
#include "platform/image.h"

namespace htmlview {

class TGpImage;

// Sides in the order the style model stores them.
enum BorderSide : int { bsTop = 0, bsRight = 1, bsBottom = 2, bsLeft = 3 };
using TBorderColors = std::array<platform::Colour, 4>;
using TBorderStyles = std::array<BorderStyle, 4>;

// Border coordinates are limited to this range: a huge page (or a bogus
// width) must not make polygons the painter cannot handle.
constexpr int kBorderMinCoord = -200;
constexpr int kBorderMaxCoord = 5000;

// The side colour of the 3-D styles: system colours resolved, each channel
// to three quarters.
platform::Colour Darker(platform::Colour colour);

// The four sides between outer and inner as polygons; background (unless
// NoColorValue) fills the inner rectangle first.
void DrawCssBorder(platform::Canvas& canvas, const platform::Rect& outer, const platform::Rect& inner,
                   const TBorderColors& colors, const TBorderStyles& styles,
                   platform::Colour background, bool print);

// The light colour of a table's 3-D border.
platform::Colour RaisedLightColor(platform::Colour documentBackground);
// A table's or cell's 3-D border of the given width (raised or sunken).
// printMono: printing on a monochrome device, both colours black.
void RaisedRect(platform::Canvas& canvas, const platform::Rect& outer, int width, bool raised,
                platform::Colour documentBackground, bool printMono);

// The platform's 3-D frame drawn inside r, which the caller keeps.
void Frame3D(platform::Canvas& canvas, platform::Rect r, int width, platform::Colour topLeft,
             platform::Colour bottomRight);

// A rectangle filled with a solid brush; the canvas's brush is kept.
void FillRectColor(platform::Canvas& canvas, const platform::Rect& r, platform::Colour colour);

// The frame of a form control: filled (with colour, or the button face when
// colour is NoColorValue), a 2-pixel frame dark at top and left (swapped when
// raised), 1 pixel black on all edges when printing in monochrome.
void FormControlRect(platform::Canvas& canvas, const platform::Rect& r, platform::Colour colour,
                     bool raised, bool printMono);

// How a printing canvas maps logical units to device pixels.
struct TDeviceMapping {
  bool scaled = false;
  int windowExtX = 1, windowExtY = 1;       // logical extents
  int viewportExtX = 1, viewportExtY = 1;   // device extents
  platform::Point windowOrg;                // logical point shown at device (0, 0)
};
// The device rectangle a logical rectangle covers.
platform::Rect PrintClipDeviceRect(const platform::Rect& r, const TDeviceMapping& mapping);
// Narrows the canvas's clip to the logical rectangle.
void AddPrintClip(platform::Canvas& canvas, const platform::Rect& r, const TDeviceMapping& mapping);

// The bitmap stretched onto the canvas, replacing what is under it.
void PrintBitmap(platform::Canvas& canvas, int x, int y, int width, int height,
                 const platform::Bitmap& bitmap);
// The bitmap printed only where it is opaque: where the mask is not white
// (or, without a mask, where the bitmap's alpha is not zero).
void PrintTransparentBitmap(platform::Canvas& canvas, int x, int y, int width, int height,
                            const platform::Bitmap& bitmap, const platform::Bitmap* mask = nullptr);

// A copy of an image for tiling: its own size, except that a side of 1 pixel
// is enlarged to the requested size (at most 100) so tiling is not slow.
platform::Bitmap GetTileBitmap(const platform::Bitmap& image, int requestedWidth, int requestedHeight);
platform::Bitmap GetTileBitmap(const TGpImage& image, int requestedWidth, int requestedHeight);

// The tile a small picture is tiled with: on each side shorter than
// kLargeTile the picture is repeated whole, as often as fits in the
// requested size (at most kLargeTile), so that a wide area takes a few
// copies rather than one per picture. Tiling with it gives the same pixels
// as tiling with the picture. A request not larger than the picture leaves
// that side as it is (an axis that does not repeat).
constexpr int kLargeTile = 100;
platform::Bitmap RepeatedTile(const platform::Bitmap& image, int requestedWidth, int requestedHeight);

}  // namespace htmlview
