#include "htmlview/layout/canvasutils.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

using namespace htmlview;
using platform::Bitmap;

// ------------------------------------------------------------ text fitting

TEST(CanvasText, FitTextMatchesTheMeasuredWidths) {
  Bitmap b(100, 20);
  platform::Canvas canvas(&b.Image());
  const std::u16string text = u"abcdefghij";
  const int full = GetTextExtent(canvas, text).cx;
  int extent = -1;
  EXPECT_EQ(FitText(canvas, text, full, extent), 10);
  EXPECT_EQ(extent, full);
  const int two = GetTextExtent(canvas, u"ab").cx;
  EXPECT_EQ(FitText(canvas, text, two, extent), 2);
  EXPECT_EQ(extent, two);
  EXPECT_EQ(FitText(canvas, text, 0, extent), 0);
  EXPECT_EQ(extent, 0);
}

TEST(CanvasText, WrappedTextDrawsFromTheLeftAndKeepsTheAlignment) {
  Bitmap b(200, 60, platform::clWhite);
  platform::Canvas canvas(&b.Image());
  canvas.textAlign = platform::TA_RIGHT | platform::TA_BASELINE;
  WrapTextW(canvas, {0, 0, 200, 60}, u"WWWW WWWW");
  EXPECT_EQ(canvas.textAlign, platform::TA_RIGHT | platform::TA_BASELINE);
  bool inked = false;
  for (int y = 0; y < 30 && !inked; ++y)
    for (int x = 0; x < 20 && !inked; ++x) inked = b.Pixel(x, y) != platform::clWhite;
  EXPECT_TRUE(inked) << "the text starts at the rectangle's left edge";
}

// ------------------------------------------------------------ TDib

TEST(Dib, HeaderAndBitsSizes) {
  struct Case {
    int depth, width, height, info;
    int64_t image;
  } cases[] = {
      {32, 10, 3, 40, 32 * 3},        // stored as 24 bits: 30 bytes padded to 32
      {24, 4, 2, 40, 12 * 2},
      {8, 5, 2, 40 + 1024, 8 * 2},
      {4, 3, 1, 40 + 64, 4},
      {1, 33, 2, 40 + 8, 8 * 2},
  };
  for (const Case& c : cases) {
    Bitmap b(c.width, c.height, platform::clRed);
    b.SetBitDepth(c.depth);
    TDib dib(b);
    EXPECT_EQ(dib.InfoSize(), c.info) << c.depth;
    EXPECT_EQ(dib.ImageSize(), c.image) << c.depth;
    const Bitmap back = dib.CreateDIBmp();
    EXPECT_EQ(back.Pixel(c.width - 1, c.height - 1), platform::clRed);
  }
  EXPECT_FALSE(TDib(Bitmap(200, 100)).LargeBlock()) << "60,000 bytes";
  EXPECT_TRUE(TDib(Bitmap(200, 109)).LargeBlock()) << "65,400 bytes";
  EXPECT_THROW(TDib{Bitmap()}, platform::EOutOfResources);
}
