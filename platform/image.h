#pragma once
// The one image type for bitmaps, masks and pictures: 32-bit ARGB, where
// transparency is alpha (never a mask plus raster operations). A nominal
// bit depth is kept for callers that read it back. Every allocation is
// checked: a size that cannot be made gives a null image, never a crash.
#include <cstdint>
#include <vector>

#include <QImage>

#include "platform/colors.h"
#include "platform/geometry.h"
#include "platform/sysutils.h"

namespace platform {

// An image or drawing surface that could not be made ("Out of Resources").
class EOutOfResources : public Exception { using Exception::Exception; };

class Bitmap {
 public:
  Bitmap() = default;
  // A w x h image filled with the colour (opaque); null when it cannot be made.
  Bitmap(int width, int height, Colour fill = clWhite);
  explicit Bitmap(const QImage& image);

  bool IsNull() const { return image_.isNull(); }
  int Width() const { return image_.width(); }
  int Height() const { return image_.height(); }
  // Resizes (contents lost, filled white); false and null when it cannot be made.
  bool SetSize(int width, int height, Colour fill = clWhite);
  void Fill(Colour c);

  // Outside the image: black and nothing written.
  Colour Pixel(int x, int y) const;
  int Alpha(int x, int y) const;
  void SetPixel(int x, int y, Colour c, int alpha = 255);

  // Pixels of this colour become fully transparent.
  void MakeTransparent(Colour c);
  // A mask: opaque black where this colour is not, transparent where it is.
  Bitmap MaskFromColour(Colour c) const;
  bool HasTransparency() const;

  // Nominal bits per pixel (1, 4, 8, 24 or 32); storage is always ARGB32.
  int BitDepth() const { return bitDepth_; }
  void SetBitDepth(int bits) { bitDepth_ = bits; }

  const QImage& Image() const { return image_; }
  QImage& Image() { return image_; }

  // The largest image made: guards callers against absurd header sizes.
  static constexpr int64_t kMaxPixels = int64_t(1) << 28;

 private:
  QImage image_;
  int bitDepth_ = 32;
};

// The screen's colour depth: 24 (no palette) unless a test sets 8 or 4 to
// reach the dithering paths.
int ScreenDepth();
void SetScreenDepth(int bits);

// A logical palette: its entries only. Selecting and realising one changes
// nothing on a screen of more than 8 bits, which is the only screen there
// is; callers that reduce colours for a palette screen read the entries.
struct Palette {
  std::vector<Colour> entries;  // at most 256
  int Count() const { return static_cast<int>(entries.size()); }
  // The entry nearest to a colour (squared distance; first of equals).
  int NearestIndex(Colour c) const;
};

}  // namespace platform
