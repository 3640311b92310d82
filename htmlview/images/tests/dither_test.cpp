#include <gtest/gtest.h>

#include <vector>

#include "htmlview/images/dither.h"
#include "platform/image.h"

using namespace htmlview;
using platform::Rgb;

namespace {

platform::Bitmap Uniform(int w, int h, platform::Colour c) {
  platform::Bitmap b(w, h, c);
  b.SetBitDepth(24);
  return b;
}

platform::Palette BlackAndWhite() { return platform::Palette{{platform::clBlack, platform::clWhite}}; }

// Restores the screen depth a test changed.
struct ScreenDepthGuard {
  explicit ScreenDepthGuard(int bits) { platform::SetScreenDepth(bits); }
  ~ScreenDepthGuard() { platform::SetScreenDepth(24); }
};

}  // namespace

// --- Look-ups.

TEST(ColorLookup, WebCubeLevels) {
  TNetscapeColorLookup cube;
  int r, g, b;
  EXPECT_EQ(cube.Lookup(24, 48, 255, r, g, b), 11);
  EXPECT_EQ(r, 0);
  EXPECT_EQ(g, 51);
  EXPECT_EQ(b, 255);
  EXPECT_EQ(cube.Lookup(255, 255, 255, r, g, b), 215);
  EXPECT_EQ(cube.Lookup(0, 0, 0, r, g, b), 0);
  // (c + 3) div 51: 47 is still level 0, 48 level 1.
  EXPECT_EQ(cube.Lookup(47, 0, 0, r, g, b), 0);
  EXPECT_EQ(cube.Lookup(48, 0, 0, r, g, b), 36);
  EXPECT_EQ(cube.ColorCount(), 216);

  const platform::Palette web = CreateWebSafePalette();
  ASSERT_EQ(web.Count(), 216);
  EXPECT_EQ(web.entries[11], Rgb(0, 51, 255));
  EXPECT_EQ(web.entries[36], Rgb(51, 0, 0));
  EXPECT_EQ(web.entries[215], Rgb(255, 255, 255));
  // The cube's index and the palette's order agree everywhere.
  for (int i = 0; i < 216; ++i) {
    const platform::Colour c = web.entries[i];
    EXPECT_EQ(cube.Lookup(platform::RedOf(c), platform::GreenOf(c), platform::BlueOf(c), r, g, b), i);
  }
}

TEST(ColorLookup, NearestByChannelDifferencesFirstOfEquals) {
  TFastColorLookup lookup(platform::Palette{{Rgb(100, 0, 0), Rgb(0, 100, 0), Rgb(200, 200, 200)}});
  int r, g, b;
  EXPECT_EQ(lookup.Lookup(50, 50, 0, r, g, b), 0);  // 100 from both: the first wins
  EXPECT_EQ(lookup.Lookup(10, 90, 0, r, g, b), 1);
  EXPECT_EQ(r, 0);
  EXPECT_EQ(g, 100);
  EXPECT_EQ(lookup.Lookup(180, 190, 210, r, g, b), 2);
}

TEST(ColorLookup, OneEntryPerFiveFiveFiveCell) {
  const platform::Palette palette{{platform::clBlack, Rgb(40, 40, 40)}};
  // (16,16,16) is nearest to black, (23,23,23) to the grey; both lie in the
  // same cell, so whichever comes first decides for both.
  ASSERT_EQ(TFastColorLookup::CellOf(16, 16, 16), TFastColorLookup::CellOf(23, 23, 23));
  int r, g, b;
  TFastColorLookup darkFirst(palette);
  EXPECT_EQ(darkFirst.Lookup(16, 16, 16, r, g, b), 0);
  EXPECT_EQ(darkFirst.Lookup(23, 23, 23, r, g, b), 0);
  TFastColorLookup lightFirst(palette);
  EXPECT_EQ(lightFirst.Lookup(23, 23, 23, r, g, b), 1);
  EXPECT_EQ(lightFirst.Lookup(16, 16, 16, r, g, b), 1);

  // Entries fill their own cells at once, the earlier entry first.
  TFastColorLookup sameCell(platform::Palette{{Rgb(8, 8, 8), Rgb(9, 9, 9)}});
  EXPECT_EQ(sameCell.Lookup(9, 9, 9, r, g, b), 0);
}

// --- Engines.

TEST(DitherEngine, SerpentineDirections) {
  TNetscapeColorLookup cube;
  TDitherEngine engine(3, cube);
  EXPECT_EQ(engine.Direction(), 1);
  EXPECT_EQ(engine.Column(), 0);
  for (int i = 0; i < 3; ++i) engine.Dither(0, 0, 0);
  engine.NextLine();
  EXPECT_EQ(engine.Direction(), -1);
  EXPECT_EQ(engine.Column(), 2);
  engine.NextLine();
  EXPECT_EQ(engine.Direction(), 1);
  EXPECT_EQ(engine.Column(), 0);
}

TEST(FloydSteinberg, TwoByTwoGreyWorkedByHand) {
  // Grey 128 on black and white, sums of channel differences: 128 is nearer
  // white (381 < 384).
  //   row 0, right: (0,0) 128 -> white, e -127; (1,0) 128 + (-889+8)/16 = 73
  //                 -> black, e 73; error row [-381, -416, 238, 0]
  //   row 1, left:  (1,1) 128 + (238+8)/16 = 143 -> white, e -112;
  //                 (0,1) 128 + (-416-784+8)/16 = 54 -> black.
  const platform::Bitmap grey = Uniform(2, 2, Rgb(128, 128, 128));
  const platform::Palette bw = BlackAndWhite();
  {
    TFastColorLookup lookup(bw);
    TFloydSteinbergEngine engine(2, lookup);
    EXPECT_EQ(engine.Dither(128, 128, 128), 1);
    EXPECT_EQ(engine.Dither(128, 128, 128), 0);
    engine.NextLine();
    EXPECT_EQ(engine.ErrorRow(0), (std::vector<int>{-381, -416, 238, 0}));
    EXPECT_EQ(engine.ErrorRow(2), engine.ErrorRow(0));
    EXPECT_EQ(engine.Column(), 1);
    EXPECT_EQ(engine.Dither(128, 128, 128), 1);
    EXPECT_EQ(engine.Dither(128, 128, 128), 0);
  }
  platform::Palette screen = bw;
  const TPaletteBitmap dithered = ReduceBitmapColors(grey, rmScreen, dmFloydSteinberg, &screen);
  EXPECT_EQ(dithered.indices, (std::vector<uint8_t>{1, 0, 0, 1}));
  EXPECT_EQ(dithered.bitmap.Pixel(0, 0), platform::clWhite);
  EXPECT_EQ(dithered.bitmap.Pixel(1, 0), platform::clBlack);
  EXPECT_EQ(dithered.bitmap.BitDepth(), 8);

  const TPaletteBitmap nearest = ReduceBitmapColors(grey, rmScreen, dmNearest, &screen);
  EXPECT_EQ(nearest.indices, (std::vector<uint8_t>{1, 1, 1, 1}));
}

TEST(FloydSteinberg, ValuesAreClampedBeforeTheLookUp) {
  // White on a black-and-grey palette: each pixel's error pushes the next
  // one beyond 255, which must stay 255 (never wrap to a dark colour).
  const platform::Palette palette{{platform::clBlack, Rgb(100, 100, 100)}};
  TFastColorLookup lookup(palette);
  TFloydSteinbergEngine engine(4, lookup);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(engine.Dither(255, 255, 255), 1) << i;
  engine.NextLine();
  // Row 0 leaves 155 x (3 + 5 + 1) = 1395 below the middle columns.
  EXPECT_EQ(engine.ErrorRow(1)[2], 155 * 9);
}

TEST(FloydSteinberg, ExactPaletteColourNeverSpreadsError) {
  const TPaletteBitmap out = ReduceBitmapColors(Uniform(7, 5, Rgb(128, 0, 0)), rmWindows20, dmFloydSteinberg);
  ASSERT_TRUE(out.hasPalette);
  EXPECT_EQ(out.palette.Count(), 20);
  for (uint8_t index : out.indices) EXPECT_EQ(index, 1);
  EXPECT_EQ(out.bitmap.Pixel(6, 4), Rgb(128, 0, 0));
}

// --- Octree.

TEST(ColorQuantizer, NewestInnerNodeIsReducedFirst) {
  // Two levels deep: (0,0,0) and (64,0,0) share the root's child 0, (255,0,0)
  // lies under child 4. With room for two colours the third leaf forces a
  // reduction at level 1: child 4 (newest, one child: no gain), then child 0
  // (two children merged).
  TColorQuantizer q(2, 2);
  q.AddColor(0, 0, 0);
  q.AddColor(64, 0, 0);
  q.AddColor(255, 0, 0);
  EXPECT_EQ(q.ColorCount(), 2);
  EXPECT_EQ(q.ColorTable(), (std::vector<platform::Colour>{Rgb(32, 0, 0), Rgb(255, 0, 0)}));
}

TEST(ColorQuantizer, LeavesInChildOrderAndRootAsLastResort) {
  TColorQuantizer roomy(3, 2);
  roomy.AddColor(255, 255, 0);
  roomy.AddColor(0, 0, 0);
  roomy.AddColor(255, 0, 0);
  roomy.AddColor(255, 0, 0);
  EXPECT_EQ(roomy.ColorTable(), (std::vector<platform::Colour>{Rgb(0, 0, 0), Rgb(255, 0, 0), Rgb(255, 255, 0)}));

  // Three first-level branches with one leaf each: only merging the root
  // gains anything, which leaves one average colour.
  TColorQuantizer tight(2, 2);
  tight.AddColor(0, 0, 0);
  tight.AddColor(255, 0, 0);
  tight.AddColor(255, 255, 0);
  EXPECT_EQ(tight.ColorCount(), 1);
  EXPECT_EQ(tight.ColorTable(), (std::vector<platform::Colour>{Rgb(170, 85, 0)}));
}

TEST(ColorQuantizer, OptimizedPaletteKeepsTheWindowsColours) {
  platform::Bitmap image(4, 1, platform::clBlack);
  image.SetPixel(0, 0, Rgb(10, 20, 30));
  image.SetPixel(1, 0, Rgb(200, 100, 50));
  image.SetPixel(2, 0, Rgb(200, 100, 50));
  image.SetPixel(3, 0, Rgb(90, 250, 7));
  TDIBReader reader(image, 24);
  const platform::Palette kept = CreateOptimizedPalette(reader, 256, 8, true);
  ASSERT_EQ(kept.Count(), 256);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(kept.entries[i], WindowsColors()[i]);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(kept.entries[246 + i], WindowsColors()[10 + i]);
  EXPECT_EQ(kept.entries[10], Rgb(10, 20, 30));
  EXPECT_EQ(kept.entries[11], Rgb(90, 250, 7));
  EXPECT_EQ(kept.entries[12], Rgb(200, 100, 50));

  // Without the Windows colours the palette is the quantiser's alone; the
  // three colours sit in three branches of the root, so two colours can only
  // be had by merging the root into one.
  const platform::Palette plain = CreateOptimizedPalette(reader, 2, 8, false);
  EXPECT_EQ(plain.entries, (std::vector<platform::Colour>{Rgb(125, 117, 34)}));
}

// --- Device-independent bits.

TEST(DIB, LayoutAndWriteBack) {
  platform::Bitmap image(3, 2, platform::clBlack);
  const platform::Palette palette{{platform::clBlack, platform::clRed, platform::clBlue}};
  {
    TDIBWriter writer(image, 4, &palette);
    EXPECT_EQ(writer.RowSize(), 4);
    EXPECT_EQ(writer.Buffer().size(), 40u + 16 * 4 + 2 * 4);
    EXPECT_EQ(writer.TableColor(1), platform::clRed);
    EXPECT_EQ(writer.TableColor(5), platform::clBlack);  // past the palette: zero
    writer.ScanLine(0)[0] = 0x12;  // (0,0) red, (1,0) blue
    writer.ScanLine(1)[1] = 0x20;  // (2,1) blue
    // Rows are stored bottom-up: the top row is the last one.
    EXPECT_EQ(writer.Buffer()[40 + 64 + 4], 0x12);
    const std::vector<uint8_t> file = writer.BmpFile();
    EXPECT_EQ(file[0], 'B');
    EXPECT_EQ(file[1], 'M');
    EXPECT_EQ(file[2] | (file[3] << 8), 14 + 40 + 64 + 8);
    EXPECT_EQ(file[10], 14 + 40 + 64);
  }
  EXPECT_EQ(image.BitDepth(), 4);
  EXPECT_EQ(image.Pixel(0, 0), platform::clRed);
  EXPECT_EQ(image.Pixel(1, 0), platform::clBlue);
  EXPECT_EQ(image.Pixel(2, 0), platform::clBlack);
  EXPECT_EQ(image.Pixel(2, 1), platform::clBlue);

  // A reader gives the pixels back, blue first.
  TDIBReader reader(image, 24);
  EXPECT_EQ(image.BitDepth(), 24);
  EXPECT_EQ(reader.ScanLine(0)[3], 255);  // (1,0) blue byte
  EXPECT_EQ(reader.ScanLine(0)[2], 255);  // (0,0) red byte
}

TEST(DIB, Errors) {
  platform::Bitmap none;
  try {
    TDIBReader reader(none, 24);
    ADD_FAILURE();
  } catch (const GIFException& e) {
    EXPECT_STREQ(e.what(), "Bitmap image is not valid");
  }
  platform::Bitmap image(2, 2);
  try {
    TDIBReader reader(image, 16);
    ADD_FAILURE();
  } catch (const GIFException& e) {
    EXPECT_STREQ(e.what(), "Invalid pixel format");
  }
  TDIBReader reader(image, 8);
  for (int row : {-1, 2}) {
    try {
      reader.ScanLine(row);
      ADD_FAILURE() << row;
    } catch (const EInvalidGraphicOperation& e) {
      EXPECT_STREQ(e.what(), "Scan line index out of range");
    }
  }
  EXPECT_THROW(ReduceBitmapColors(none, rmWindows20, dmNearest), GIFException);
}

// --- Reduction.

TEST(ReduceBitmapColors, Reductions) {
  const platform::Bitmap image = Uniform(3, 2, Rgb(250, 5, 5));
  const TPaletteBitmap none = ReduceBitmapColors(image, rmNone, dmNearest);
  EXPECT_EQ(none.bitmap.BitDepth(), 24);
  EXPECT_FALSE(none.hasPalette);
  EXPECT_EQ(none.bitmap.Pixel(2, 1), Rgb(250, 5, 5));

  const TPaletteBitmap windows = ReduceBitmapColors(image, rmWindows20, dmNearest);
  EXPECT_EQ(windows.palette.Count(), 20);
  EXPECT_EQ(windows.IndexAt(2, 1), 13);  // (255, 0, 0)
  EXPECT_EQ(windows.bitmap.Pixel(0, 0), Rgb(255, 0, 0));

  const TPaletteBitmap web = ReduceBitmapColors(Uniform(1, 1, Rgb(24, 48, 255)), rmNetscape, dmNearest);
  EXPECT_EQ(web.palette.Count(), 216);
  EXPECT_EQ(web.IndexAt(0, 0), 11);
  EXPECT_EQ(web.bitmap.Pixel(0, 0), Rgb(0, 51, 255));

  const TPaletteBitmap optimized = ReduceBitmapColors(image, rmOptimized, dmFloydSteinberg);
  EXPECT_EQ(optimized.palette.Count(), 256);
  EXPECT_EQ(optimized.IndexAt(1, 1), 10);  // the image's one colour, after the first ten
  EXPECT_EQ(optimized.bitmap.Pixel(1, 1), Rgb(250, 5, 5));

  // Unknown reduction: the 8-bit target alone; unknown dither mode: the
  // palette but no pixels; an empty screen palette: nothing dithered.
  const TPaletteBitmap odd = ReduceBitmapColors(image, 6, dmNearest);
  EXPECT_FALSE(odd.hasPalette);
  EXPECT_EQ(odd.bitmap.Width(), 3);
  EXPECT_EQ(odd.bitmap.BitDepth(), 8);
  const TPaletteBitmap oddMode = ReduceBitmapColors(image, rmWindows20, 2);
  EXPECT_TRUE(oddMode.hasPalette);
  EXPECT_EQ(oddMode.IndexAt(2, 1), 0);
  const TPaletteBitmap noScreen = ReduceBitmapColors(image, rmScreen, dmFloydSteinberg, nullptr);
  EXPECT_EQ(noScreen.palette.Count(), 0);
  EXPECT_EQ(noScreen.bitmap.Pixel(0, 0), platform::clBlack);
}

TEST(DitherBitmapToScreen, FollowsTheScreen) {
  EXPECT_FALSE(DitherBitmapToScreen(platform::Bitmap(), nullptr));
  const platform::Bitmap image = Uniform(2, 2, Rgb(250, 5, 5));
  const platform::Palette screen{{platform::clBlack, Rgb(200, 0, 0), platform::clWhite}};
  {
    ScreenDepthGuard depth(4);  // below 8 bits: the 20 Windows colours
    auto out = DitherBitmapToScreen(image, &screen);
    ASSERT_TRUE(out);
    EXPECT_EQ(out->palette.Count(), 20);
    EXPECT_EQ(out->IndexAt(0, 0), 13);
  }
  {
    ScreenDepthGuard depth(8);
    auto out = DitherBitmapToScreen(image, &screen);
    ASSERT_TRUE(out);
    EXPECT_EQ(out->palette.entries, screen.entries);
    EXPECT_EQ(out->IndexAt(0, 0), 1);
    platform::Bitmap device = image;
    device.SetBitDepth(8);
    auto copy = DitherBitmapToScreen(device, &screen);
    ASSERT_TRUE(copy);
    EXPECT_FALSE(copy->hasPalette);
    EXPECT_EQ(copy->bitmap.Pixel(1, 1), Rgb(250, 5, 5));
  }
  auto trueColour = DitherBitmapToScreen(image, nullptr);
  ASSERT_TRUE(trueColour);
  EXPECT_EQ(trueColour->bitmap.Pixel(0, 0), Rgb(250, 5, 5));
}
