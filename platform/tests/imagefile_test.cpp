#include "platform/imagefile.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/colors.h"

using namespace platform;

namespace {

using Bytes = std::vector<uint8_t>;

void Le16(Bytes& b, size_t at, uint32_t v) {
  b[at] = v & 0xFF;
  b[at + 1] = (v >> 8) & 0xFF;
}
void Le32(Bytes& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = (v >> (8 * i)) & 0xFF;
}

// A palette of n entries, every one distinct.
std::vector<Colour> Palette(int n) {
  std::vector<Colour> palette;
  for (int i = 0; i < n; ++i) palette.push_back(Rgb((i * 37 + 11) & 0xFF, (i * 91 + 200) & 0xFF, (255 - i) & 0xFF));
  return palette;
}

// The picture every fixture holds: a palette index for the indexed depths,
// a colour for the others (multiples of 8, which 5-bit channels keep).
int IndexAt(int x, int y, int colours) { return (x * 3 + y * 5 + x * y) % colours; }
Colour ColourAt(int x, int y) { return Rgb(x * 40 & 0xF8, y * 48 & 0xF8, (x + y) * 24 & 0xF8); }

// An uncompressed BMP with a 40-byte information header (56 with the masks
// of a 16-bit bit-fields file); rows bottom-up, or top-down with a negative
// height as such files state it.
Bytes MakeBmp(int width, int height, int bits, bool topDown, bool bitFields565 = false) {
  const int colours = bits <= 8 ? 1 << bits : 0;
  const std::vector<Colour> palette = Palette(colours);
  const int infoSize = bitFields565 ? 40 + 12 : 40;
  const size_t offset = 14 + infoSize + 4 * colours;
  const size_t rowBytes = (size_t(width) * bits + 31) / 32 * 4;
  Bytes b(offset + rowBytes * height, 0);
  b[0] = 'B';
  b[1] = 'M';
  Le32(b, 2, static_cast<uint32_t>(b.size()));
  Le32(b, 10, static_cast<uint32_t>(offset));
  Le32(b, 14, 40);
  Le32(b, 18, static_cast<uint32_t>(width));
  Le32(b, 22, static_cast<uint32_t>(topDown ? -height : height));
  Le16(b, 26, 1);
  Le16(b, 28, bits);
  Le32(b, 30, bitFields565 ? 3 : 0);
  if (bitFields565) {
    Le32(b, 54, 0xF800);
    Le32(b, 58, 0x07E0);
    Le32(b, 62, 0x001F);
  }
  for (int i = 0; i < colours; ++i) {
    const size_t at = 14 + infoSize + 4 * i;
    b[at] = BlueOf(palette[i]);
    b[at + 1] = GreenOf(palette[i]);
    b[at + 2] = RedOf(palette[i]);
  }
  for (int y = 0; y < height; ++y) {
    const size_t row = offset + rowBytes * (topDown ? y : height - 1 - y);
    for (int x = 0; x < width; ++x) {
      const Colour c = ColourAt(x, y);
      const int r = RedOf(c), g = GreenOf(c), bl = BlueOf(c);
      switch (bits) {
        case 1: case 4: case 8: {
          const int index = IndexAt(x, y, colours);
          const size_t bit = size_t(x) * bits;
          b[row + bit / 8] |= static_cast<uint8_t>(index << (8 - bits - bit % 8));
          break;
        }
        case 16: {
          const uint32_t v = bitFields565 ? ((r >> 3) << 11) | ((g >> 2) << 5) | (bl >> 3)
                                          : ((r >> 3) << 10) | ((g >> 3) << 5) | (bl >> 3);
          Le16(b, row + 2 * x, v);
          break;
        }
        case 24:
          b[row + 3 * x] = bl;
          b[row + 3 * x + 1] = g;
          b[row + 3 * x + 2] = r;
          break;
        case 32:
          b[row + 4 * x] = bl;
          b[row + 4 * x + 1] = g;
          b[row + 4 * x + 2] = r;
          b[row + 4 * x + 3] = 0x7F;   // not alpha to the viewer
          break;
      }
    }
  }
  return b;
}

Colour Expected(int x, int y, int bits) {
  if (bits <= 8) return Palette(1 << bits)[IndexAt(x, y, 1 << bits)];
  return ColourAt(x, y);
}

// Within the rounding a 5- or 6-bit channel may get when widened to 8.
bool Near(Colour a, Colour b, int slack) {
  return std::abs(RedOf(a) - RedOf(b)) <= slack && std::abs(GreenOf(a) - GreenOf(b)) <= slack &&
         std::abs(BlueOf(a) - BlueOf(b)) <= slack;
}

Bitmap Read(const Bytes& b) { return ReadBmpImage(b.data(), b.size()); }

// Top-down files, which state a negative height, were refused as "no
// picture"; both row orders must give the same pixels, the right way up.
TEST(BmpFile, BothRowOrdersGiveTheSamePixels) {
  struct Case {
    const char* name;
    int bits;
    bool bitFields;
    int depth;
  };
  const Case cases[] = {{"1 bit", 1, false, 1},   {"4 bits", 4, false, 4},     {"8 bits", 8, false, 8},
                        {"16 bits 5-5-5", 16, false, 24}, {"16 bits 5-6-5", 16, true, 24},
                        {"24 bits", 24, false, 24}, {"32 bits", 32, false, 24}};
  const int w = 13, h = 7;   // odd sizes: rows padded, no symmetry to hide a flip
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Bitmap up = Read(MakeBmp(w, h, c.bits, false, c.bitFields));
    const Bitmap down = Read(MakeBmp(w, h, c.bits, true, c.bitFields));
    ASSERT_FALSE(up.IsNull());
    ASSERT_FALSE(down.IsNull());
    EXPECT_EQ(down.Width(), w);
    EXPECT_EQ(down.Height(), h);
    EXPECT_EQ(up.BitDepth(), c.depth);
    EXPECT_EQ(down.BitDepth(), c.depth);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        ASSERT_EQ(down.Pixel(x, y), up.Pixel(x, y)) << x << "," << y;
        ASSERT_TRUE(Near(up.Pixel(x, y), Expected(x, y, c.bits), c.bits == 16 ? 7 : 0)) << x << "," << y;
        ASSERT_EQ(up.Alpha(x, y), 255);
      }
  }
}

// A run-length (RLE8) file: a palette of 4, then the given pixel data.
Bytes MakeRle8(int width, int height, const Bytes& pixelData) {
  const size_t offset = 14 + 40 + 4 * 4;
  Bytes b(offset, 0);
  b[0] = 'B';
  b[1] = 'M';
  Le32(b, 10, static_cast<uint32_t>(offset));
  Le32(b, 14, 40);
  Le32(b, 18, static_cast<uint32_t>(width));
  Le32(b, 22, static_cast<uint32_t>(height));
  Le16(b, 26, 1);
  Le16(b, 28, 8);
  Le32(b, 30, 1);
  Le32(b, 34, static_cast<uint32_t>(pixelData.size()));
  Le32(b, 46, 4);
  const Colour palette[4] = {clBlack, clRed, clLime, clBlue};
  for (int i = 0; i < 4; ++i) {
    b[54 + 4 * i] = BlueOf(palette[i]);
    b[54 + 4 * i + 1] = GreenOf(palette[i]);
    b[54 + 4 * i + 2] = RedOf(palette[i]);
  }
  b.insert(b.end(), pixelData.begin(), pixelData.end());
  Le32(b, 2, static_cast<uint32_t>(b.size()));
  return b;
}

TEST(BmpFile, RunLengthPictures) {
  // Bottom row red (index 1), top row: 2 lime and 3 blue.
  const Bitmap small = Read(MakeRle8(5, 2, {5, 1, 0, 0, 2, 2, 3, 3, 0, 1}));
  ASSERT_FALSE(small.IsNull());
  EXPECT_EQ(small.BitDepth(), 8);
  for (int x = 0; x < 5; ++x) {
    EXPECT_EQ(small.Pixel(x, 1), clRed);
    EXPECT_EQ(small.Pixel(x, 0), x < 2 ? clLime : clBlue);
  }

  // A large picture that its runs paint in full is read.
  const int w = 2048, h = 2048;
  Bytes runs;
  for (int y = 0; y < h; ++y) {
    for (int left = w; left > 0; left -= 255) runs.insert(runs.end(), {uint8_t(std::min(left, 255)), uint8_t(y % 4)});
    runs.insert(runs.end(), {0, 0});
  }
  runs.insert(runs.end(), {0, 1});
  const Bitmap large = Read(MakeRle8(w, h, runs));
  ASSERT_FALSE(large.IsNull());
  EXPECT_EQ(large.Pixel(100, h - 1), clBlack);
  EXPECT_EQ(large.Pixel(w - 1, h - 2), clRed);

  // About 1 KB claiming 16384 x 16384 pixels: cost gigabytes and seconds.
  Bytes skips;
  for (int i = 0; i < 240; ++i) skips.insert(skips.end(), {0, 2, 255, 255});
  skips.insert(skips.end(), {0, 1});
  EXPECT_TRUE(Read(MakeRle8(16384, 16384, skips)).IsNull());
  EXPECT_TRUE(Read(MakeRle8(16384, 16384, {255, 1, 0, 1})).IsNull());
  // A small picture is read whatever its data: little can be lost.
  EXPECT_FALSE(Read(MakeRle8(1000, 1000, {0, 1})).IsNull());
}

// Sizes from the headers' extremes: refused, and computed without signed
// overflow (-2^31 has no positive 32-bit counterpart).
TEST(BmpFile, AbsurdSizesAreRefused) {
  const uint32_t values[] = {0x80000000u, 0x7FFFFFFFu, 0xFFFFFFFFu, 0x10000u, 0};
  for (int bits : {1, 8, 24, 32}) {
    for (uint32_t w : values)
      for (uint32_t h : values) {
        Bytes b = MakeBmp(4, 4, bits, false);
        Le32(b, 18, w);
        Le32(b, 22, h);
        EXPECT_TRUE(Read(b).IsNull()) << bits << " bits, " << w << " x " << h;
      }
    for (uint32_t compression : {1u, 2u, 3u}) {
      Bytes b = MakeBmp(4, 4, bits, false);
      Le32(b, 18, 0x80000000u);
      Le32(b, 22, 0x80000000u);
      Le32(b, 30, compression);
      EXPECT_TRUE(Read(b).IsNull());
    }
  }
  // The 12-byte core header of old files keeps 16-bit sizes.
  Bytes core(26 + 6 + 4, 0);
  core[0] = 'B';
  core[1] = 'M';
  Le32(core, 10, 32);
  Le32(core, 14, 12);
  Le16(core, 18, 0x8000);
  Le16(core, 20, 0x8000);
  Le16(core, 22, 1);
  Le16(core, 24, 24);
  EXPECT_TRUE(Read(core).IsNull());
}

// An uncompressed 24-bit BMP with the 12-byte core header of old files and
// 16-bit sizes, rows bottom-up.
Bytes MakeCoreBmp(int width, int height) {
  const size_t rowBytes = (size_t(width) * 24 + 31) / 32 * 4;
  Bytes b(26 + rowBytes * height, 0);
  b[0] = 'B';
  b[1] = 'M';
  Le32(b, 2, static_cast<uint32_t>(b.size()));
  Le32(b, 10, 26);
  Le32(b, 14, 12);
  Le16(b, 18, width);
  Le16(b, 20, height);
  Le16(b, 22, 1);
  Le16(b, 24, 24);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const size_t at = 26 + rowBytes * (height - 1 - y) + 3 * x;
      const Colour c = ColourAt(x, y);
      b[at] = BlueOf(c);
      b[at + 1] = GreenOf(c);
      b[at + 2] = RedOf(c);
    }
  return b;
}

// Found by fuzzing: a few bytes claiming a picture of millions of pixels
// were decoded at full size, their missing rows made up, and then cost a
// minute to mask and dither. Pixel data without runs must hold every row
// the header claims, whichever header the file has.
TEST(BmpFile, PixelDataMustHoldTheClaimedRows) {
  const Bitmap core = Read(MakeCoreBmp(3, 2));
  ASSERT_FALSE(core.IsNull());
  ASSERT_EQ(core.Width(), 3);
  ASSERT_EQ(core.Height(), 2);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) EXPECT_TRUE(Near(core.Pixel(x, y), ColourAt(x, y), 0)) << x << "," << y;

  Bytes shortCore = MakeCoreBmp(3, 2);
  shortCore.pop_back();
  EXPECT_TRUE(Read(shortCore).IsNull()) << "one byte short";
  Bytes hugeCore = MakeCoreBmp(1, 1);
  Le16(hugeCore, 18, 16000);
  Le16(hugeCore, 20, 16000);
  EXPECT_TRUE(Read(hugeCore).IsNull());

  for (int bits : {1, 4, 8, 16, 24, 32})
    for (bool topDown : {false, true}) {
      Bytes b = MakeBmp(5, 3, bits, topDown);
      ASSERT_FALSE(Read(b).IsNull()) << bits;
      b.pop_back();
      EXPECT_TRUE(Read(b).IsNull()) << bits << " bits, one byte short";
      Bytes huge = MakeBmp(5, 3, bits, topDown);
      Le32(huge, 18, 16000);
      Le32(huge, 22, topDown ? static_cast<uint32_t>(-16000) : 16000u);
      EXPECT_TRUE(Read(huge).IsNull()) << bits << " bits";
    }
}

}  // namespace
