#pragma once
// Colour reduction for palette screens: scan-line access to bitmaps as
// device-independent bits, palette look-ups (nearest colour through a
// 5-5-5 cache, or the 216-colour web cube), a plain and a Floyd-Steinberg
// dither engine, an octree quantiser for optimised palettes, and
// ReduceBitmapColors, which ties them together. The viewer's entry point is
// DitherBitmapToScreen.
//
// Bitmaps are ARGB with a nominal depth, so an 8-bit result is kept three
// ways: its colours in the bitmap, its palette, and the palette index of
// every pixel.
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "htmlview/images/gifdecoder.h"
#include "platform/colors.h"
#include "platform/image.h"
#include "platform/sysutils.h"

namespace htmlview {

// This toolkit's own errors ("Bitmap image is not valid", "Invalid pixel
// format", "Failed to create DIB from Bitmap", "Image has no DIB").
class GIFException : public platform::Exception {
  using Exception::Exception;
};
// "Failed to allocate memory for GIF DIB".
class EOutOfMemory : public platform::Exception {
  using Exception::Exception;
};

// The platform's 20-colour default palette: ten static colours at each end
// of a system palette.
const std::vector<platform::Colour>& WindowsColors();

// --- Scan-line access as device-independent bits (1, 4, 8 or 24 bits per
// pixel): a 40-byte information header, the colour table (2^bits entries of
// blue, green, red, 0 for 8 bits or fewer) and the pixels, rows padded to
// 32 bits and stored bottom-up. Scan lines count from the top.
class TDIB {
 public:
  // palette: what indices of 8 bits or fewer mean (the 20 Windows colours
  // when null).
  TDIB(platform::Bitmap& bitmap, int pixelFormat, const platform::Palette* palette);
  virtual ~TDIB();
  TDIB(const TDIB&) = delete;
  TDIB& operator=(const TDIB&) = delete;

  int Width() const { return width_; }
  int Height() const { return height_; }
  int PixelFormat() const { return pixelFormat_; }
  int RowSize() const { return rowSize_; }
  // Raises GIFException "Image has no DIB" without bits, and
  // EInvalidGraphicOperation "Scan line index out of range" outside 0..Height-1.
  uint8_t* ScanLine(int row);
  // The whole DIB: header, colour table, pixels.
  const std::vector<uint8_t>& Buffer() const { return buffer_; }
  // The colour table entry of an index (black outside the table).
  platform::Colour TableColor(int index) const;

 protected:
  platform::Bitmap& bitmap_;
  int pixelFormat_;
  int width_ = 0, height_ = 0;
  int rowSize_ = 0;
  size_t bitsOffset_ = 0;
  int tableEntries_ = 0;
  std::vector<uint8_t> buffer_;
};

// Reads a bitmap's pixels at a pixel format; the bitmap takes that nominal
// format.
class TDIBReader : public TDIB {
 public:
  TDIBReader(platform::Bitmap& bitmap, int pixelFormat, const platform::Palette* palette = nullptr);
};

// Builds the bits of a bitmap at a pixel format and writes them back into the
// bitmap (colours through the colour table) when destroyed.
class TDIBWriter : public TDIB {
 public:
  TDIBWriter(platform::Bitmap& bitmap, int pixelFormat, const platform::Palette* palette = nullptr);
  ~TDIBWriter() override;
  // The pixels as an in-memory BMP file ("BM", size, bits offset 14 + header).
  std::vector<uint8_t> BmpFile() const;
  // Writes the bits into the bitmap now (the destructor does it too).
  void WriteBack();
};

// --- Palette look-ups.

class TColorLookup {
 public:
  explicit TColorLookup(int colors) : colors_(colors) {}
  virtual ~TColorLookup() = default;
  // The palette index for a colour and the chosen entry's channels.
  virtual uint8_t Lookup(int red, int green, int blue, int& r, int& g, int& b) = 0;
  int ColorCount() const { return colors_; }

 protected:
  int colors_;
};

// Nearest colour (smallest sum of channel differences, first of equals),
// cached per 5-5-5 cell: all colours of a cell map to the same entry.
class TFastColorLookup : public TColorLookup {
 public:
  explicit TFastColorLookup(const platform::Palette& palette);
  uint8_t Lookup(int red, int green, int blue, int& r, int& g, int& b) override;
  static int CellOf(int red, int green, int blue) { return (red >> 3) + ((green >> 3) << 5) + ((blue >> 3) << 10); }

 private:
  std::vector<platform::Colour> entries_;
  std::vector<uint16_t> cache_;  // 65535: empty
};

// The 216-colour web cube.
class TNetscapeColorLookup : public TColorLookup {
 public:
  TNetscapeColorLookup() : TColorLookup(216) {}
  uint8_t Lookup(int red, int green, int blue, int& r, int& g, int& b) override;
};

// --- Dither engines. Rows are walked in the engine's direction, which flips
// after every row (serpentine scan).

class TDitherEngine {
 public:
  TDitherEngine(int width, TColorLookup& lookup) : width_(width), lookup_(lookup) {}
  virtual ~TDitherEngine() = default;
  // The index for the pixel at the current column; the column moves on.
  virtual uint8_t Dither(int red, int green, int blue);
  virtual void NextLine();
  int Direction() const { return direction_; }
  int Column() const { return column_; }

 protected:
  int width_;
  TColorLookup& lookup_;
  int direction_ = 1;
  int column_ = 0;
};

class TFloydSteinbergEngine : public TDitherEngine {
 public:
  TFloydSteinbergEngine(int width, TColorLookup& lookup);
  uint8_t Dither(int red, int green, int blue) override;
  void NextLine() override;
  // The error row of a channel (0 red, 1 green, 2 blue): Width + 2 cells,
  // cell c + 1 for column c.
  const std::vector<int>& ErrorRow(int channel) const { return channels_[channel].errors; }

 private:
  struct Channel {
    std::vector<int> errors;
    int carried = 0;   // 7 x the previous pixel's error
    int previous = 0;  // the previous pixel's error
    int partial = 0;   // 1 x error two back + 5 x previous
  };
  Channel channels_[3];
};

// --- Octree quantiser.

class TColorQuantizer {
 public:
  TColorQuantizer(int maxColors, int colorBits);
  ~TColorQuantizer();
  TColorQuantizer(const TColorQuantizer&) = delete;
  TColorQuantizer& operator=(const TColorQuantizer&) = delete;

  void AddColor(int red, int green, int blue);
  // Every pixel of a 24-bit reader.
  void ProcessImage(TDIBReader& reader);
  int ColorCount() const { return leafCount_; }
  // The leaves' colours, children in index order.
  std::vector<platform::Colour> ColorTable() const;

 private:
  struct Node;
  void ReduceTree();

  std::unique_ptr<Node> root_;
  int leafCount_ = 0;
  int maxColors_;
  int colorBits_;
  std::vector<Node*> reducible_;  // per level, most recent first (linked)
};

// --- Palettes and reduction.

// 216 entries: red the outer loop, then green, then blue, each 0, 51 .. 255.
platform::Palette CreateWebSafePalette();
// ColorCount colours from the image (236 when the Windows colours are kept:
// they take entries 0..9 and 246..255 of a 256-entry palette).
platform::Palette CreateOptimizedPalette(TDIBReader& reader, int colorCount, int colorBits,
                                         bool keepWindowsColors);

enum TColorReduction : int {
  rmNone = 0,
  rmWindows20 = 1,
  rmMonochrome = 2,  // not offered: gives the target without palette or pixels
  rmNetscape = 3,
  rmScreen = 4,
  rmOptimized = 5,
};
enum TDitherMode : int { dmNearest = 0, dmFloydSteinberg = 1 };

// A reduced bitmap: colours, palette and indices.
struct TPaletteBitmap {
  platform::Bitmap bitmap;        // nominal 8 bits (24 for no reduction)
  bool hasPalette = false;
  platform::Palette palette;
  std::vector<uint8_t> indices;   // one per pixel, rows top to bottom (8-bit results)
  uint8_t IndexAt(int x, int y) const { return indices[size_t(y) * bitmap.Width() + x]; }
};

// screenPalette serves reduction 4 (the viewer's screen palette).
TPaletteBitmap ReduceBitmapColors(const platform::Bitmap& bitmap, int reduction, int ditherMode,
                                  const platform::Palette* screenPalette = nullptr);

// Null for a null or empty bitmap; a bitmap already at the screen's depth is
// copied; any other is reduced to the screen palette (the Windows colours on
// screens below 8 bits) with Floyd-Steinberg dithering.
std::optional<TPaletteBitmap> DitherBitmapToScreen(const platform::Bitmap& bitmap,
                                                   const platform::Palette* screenPalette);

}  // namespace htmlview
