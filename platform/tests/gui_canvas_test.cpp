#include "platform/canvas.h"

#include <gtest/gtest.h>

#include "platform/colors.h"
#include "platform/image.h"
#include "platform/region.h"
#include "platform/render.h"

namespace platform {
namespace {

constexpr Colour kRed = Rgb(255, 0, 0), kBlue = Rgb(0, 0, 255), kWhite = Rgb(255, 255, 255);

class CanvasTest : public ::testing::Test {
 protected:
  CanvasTest() : img(40, 30, QImage::Format_ARGB32) { img.fill(Qt::white); }
  QImage img;
};

TEST(Colours, SystemColoursComeFromTheFixedTable) {
  const std::pair<Colour, uint32_t> cases[] = {
      {clWindow, 0xFFFFFF},    {clWindowText, 0x000000}, {clHighlight, 0x0078D7}, {clHighlightText, 0xFFFFFF},
      {clBtnFace, 0xF0F0F0},   {clBtnShadow, 0xA0A0A0},  {clGrayText, 0x6D6D6D},  {clBtnText, 0x000000},
      {clBtnHighlight, 0xFFFFFF}, {cl3DDkShadow, 0x696969}, {cl3DLight, 0xE3E3E3}, {clInfoText, 0x000000},
      {clInfoBk, 0xFFFFE1},
  };
  for (auto [sys, rrggbb] : cases) {
    const Colour c = ColourToRgb(sys);
    EXPECT_EQ(RedOf(c), int(rrggbb >> 16)) << std::hex << sys;
    EXPECT_EQ(GreenOf(c), int((rrggbb >> 8) & 0xFF)) << std::hex << sys;
    EXPECT_EQ(BlueOf(c), int(rrggbb & 0xFF)) << std::hex << sys;
  }
  EXPECT_EQ(ColourToRgb(SysColour(200)), clBlack);  // unknown index
  EXPECT_EQ(ColourToRgb(0x02000000 | kBlue), kBlue);  // palette-relative flag dropped
  EXPECT_EQ(Rgb(1, 2, 3), 0x030201u);
  EXPECT_EQ(InvertColour(kRed), Rgb(0, 255, 255));
  EXPECT_EQ(FromQColor(ToQColor(clHighlight)), Rgb(0x00, 0x78, 0xD7));
}

TEST_F(CanvasTest, FillsAndLinesExcludeTheirFarEdges) {
  {
    Canvas c(&img);
    c.FillRect({2, 3, 7, 5}, kRed);
    c.pen.color = kBlue;
    c.MoveTo(10, 10);
    c.LineTo(20, 10);
    c.MoveTo(30, 2);
    c.LineTo(30, 8);
  }
  EXPECT_EQ(BoundsOfColour(img, kRed), (Rect{2, 3, 7, 5}));
  EXPECT_EQ(CountColour(img, kRed), 10);
  EXPECT_EQ(BoundsOfColour(img, kBlue, {0, 0, 25, 30}), (Rect{10, 10, 20, 11}));
  EXPECT_EQ(BoundsOfColour(img, kBlue, {25, 0, 40, 30}), (Rect{30, 2, 31, 8}));
}

TEST_F(CanvasTest, RectangleOutlinesStayInsideAndFillTheRest) {
  {
    Canvas c(&img);
    c.pen = {kBlue, 2, PenStyle::Solid};
    c.brush = {kRed, BrushStyle::Solid};
    c.Rectangle({5, 5, 15, 13});
  }
  EXPECT_EQ(BoundsOfColour(img, kBlue), (Rect{5, 5, 15, 13}));
  EXPECT_EQ(BoundsOfColour(img, kRed), (Rect{7, 7, 13, 11}));
  EXPECT_EQ(CountColour(img, kRed), 6 * 4);
}

TEST_F(CanvasTest, EllipseFitsItsBoxAndFocusRectToggles) {
  {
    Canvas c(&img);
    c.pen = {kBlue, 1, PenStyle::Solid};
    c.brush = {kRed, BrushStyle::Solid};
    c.Ellipse({4, 4, 24, 20});
  }
  const Rect b = InkBounds(img, kWhite);
  EXPECT_EQ(b, (Rect{4, 4, 24, 20}));
  EXPECT_EQ(ColourAt(img, 14, 12), kRed);
  QImage before = img.copy();
  {
    Canvas c(&img);
    c.DrawFocusRect({0, 0, 10, 10});
  }
  EXPECT_FALSE(ImagesEqual(before, img));
  EXPECT_EQ(ColourAt(img, 0, 0), clBlack);  // white inverted
  EXPECT_EQ(ColourAt(img, 1, 0), kWhite);   // every other pixel
  {
    Canvas c(&img);
    c.DrawFocusRect({0, 0, 10, 10});  // a second call removes it
  }
  EXPECT_TRUE(ImagesEqual(before, img));
}

TEST_F(CanvasTest, DashedPensLeaveGaps) {
  {
    Canvas c(&img);
    c.bkMode = BkMode::Transparent;
    c.pen = {kBlue, 1, PenStyle::Dot};
    c.MoveTo(0, 1);
    c.LineTo(40, 1);
    c.pen.style = PenStyle::Dash;
    c.MoveTo(0, 3);
    c.LineTo(40, 3);
  }
  EXPECT_EQ(CountColour(img, kBlue, {0, 1, 12, 2}), 6);  // 3 on, 3 off
  EXPECT_EQ(ColourAt(img, 3, 1), kWhite);
  EXPECT_EQ(CountColour(img, kBlue, {0, 3, 24, 4}), 18);  // 18 on, 6 off
}

TEST_F(CanvasTest, PixelsOriginAndSaveRestore) {
  {
    Canvas c(&img);
    c.SetPixel(1, 1, kRed);
    EXPECT_EQ(c.GetPixel(1, 1), kRed);
    const int level = c.Save();
    c.SetWindowOrg(-10, -5);  // logical (0,0) lands on device (10,5)
    c.brush.color = kBlue;
    c.FillRect({0, 0, 2, 2});
    EXPECT_EQ(c.GetPixel(0, 0), kBlue);
    c.Restore(level);
    EXPECT_EQ(c.WindowOrg(), (Point{0, 0}));
    EXPECT_EQ(c.brush.color, kWhite);
  }
  EXPECT_EQ(BoundsOfColour(img, kBlue), (Rect{10, 5, 12, 7}));
  EXPECT_EQ(ColourAt(img, 1, 1), kRed);
}

TEST_F(CanvasTest, ClippingToRectanglesAndRegions) {
  {
    Canvas c(&img);
    EXPECT_EQ(c.ClipBox(), (Rect{0, 0, 40, 30}));
    c.IntersectClipRect({5, 5, 15, 15});
    EXPECT_EQ(c.ClipBox(), (Rect{5, 5, 15, 15}));
    EXPECT_TRUE(c.PtVisible(5, 5));
    EXPECT_FALSE(c.PtVisible(15, 5));
    c.FillRect({0, 0, 40, 30}, kRed);
    c.RemoveClip();
    c.SelectClipRegion(Region::FromEllipse({20, 0, 40, 20}));
    c.FillRect({0, 0, 40, 30}, kBlue);
  }
  EXPECT_EQ(BoundsOfColour(img, kRed), (Rect{5, 5, 15, 15}));
  EXPECT_EQ(BoundsOfColour(img, kBlue), (Rect{20, 0, 40, 20}));
  EXPECT_EQ(ColourAt(img, 20, 0), kWhite);  // ellipse corner clipped away
  // What was clipped agrees with the region's own hit test.
  const Region e = Region::FromEllipse({20, 0, 40, 20});
  for (int y = 0; y < 20; ++y)
    for (int x = 20; x < 40; ++x) EXPECT_EQ(ColourAt(img, x, y) == kBlue, e.Contains(x, y)) << x << "," << y;
}

TEST_F(CanvasTest, ClipIsSavedExcludedAndFollowsTheOrigin) {
  {
    Canvas c(&img);
    c.Save();
    c.IntersectClipRect({0, 0, 20, 10});
    c.ExcludeClipRect({5, 0, 10, 10});
    c.FillRect({0, 0, 40, 30}, kRed);
    c.Restore();
    EXPECT_EQ(c.ClipBox(), (Rect{0, 0, 40, 30}));
    // With an origin the clip is given and read in logical coordinates.
    c.SetWindowOrg(-20, -10);
    c.IntersectClipRegion(Region::FromPolygon({{0, 0}, {10, 0}, {0, 10}}));
    // Pixel centres on the slanted edge fall outside.
    EXPECT_EQ(c.ClipBox(), (Rect{0, 0, 9, 9}));
    c.brush = {kBlue, BrushStyle::Solid};
    c.pen.style = PenStyle::Clear;
    c.Polygon({{0, 0}, {20, 0}, {20, 20}, {0, 20}});
  }
  EXPECT_EQ(CountColour(img, kRed), 15 * 10);
  EXPECT_EQ(ColourAt(img, 7, 5), kWhite);
  EXPECT_EQ(BoundsOfColour(img, kBlue), (Rect{20, 10, 29, 19}));
  EXPECT_EQ(ColourAt(img, 21, 11), kBlue);
  EXPECT_EQ(ColourAt(img, 29, 19), kWhite);  // beyond the triangle's edge
}

TEST(Regions, PointInRegion) {
  const Region r = Region::FromRect({0, 0, 10, 5});
  EXPECT_TRUE(r.Contains(0, 0));
  EXPECT_TRUE(r.Contains(9, 4));
  EXPECT_FALSE(r.Contains(10, 4));
  const Region e = Region::FromEllipse({0, 0, 10, 10});
  EXPECT_TRUE(e.Contains(5, 5));
  EXPECT_FALSE(e.Contains(0, 0));
  EXPECT_TRUE(e.Contains(0, 5));
  // A winding polygon: the overlap of a self-crossing star stays inside.
  const Region tri = Region::FromPolygon({{0, 0}, {20, 0}, {0, 20}});
  EXPECT_TRUE(tri.Contains(2, 2));
  EXPECT_FALSE(tri.Contains(15, 15));
  const Region star = Region::FromPolygon({{10, 0}, {16, 20}, {0, 7}, {20, 7}, {4, 20}});
  EXPECT_TRUE(star.Contains(10, 10));  // centre: winding 2, inside by the winding rule
  Region moved = tri;
  moved.Offset(100, 0);
  EXPECT_TRUE(moved.Contains(102, 2));
  EXPECT_FALSE(Region::FromPolygon({{0, 0}, {1, 1}}).Contains(0, 0));
  const Region m = Region::FromMask(5, 5, 2, 2, {true, false, false, true});
  EXPECT_TRUE(m.Contains(5, 5));
  EXPECT_FALSE(m.Contains(6, 5));
  EXPECT_TRUE(m.Contains(6, 6));
  EXPECT_EQ(m.Bounds(), (Rect{5, 5, 7, 7}));
}

TEST_F(CanvasTest, TextBackgroundFollowsTheBrushOrTheMode) {
  {
    Canvas c(&img);
    c.font.color = clBlack;
    c.brush = {kRed, BrushStyle::Solid};
    c.TextOut(0, 0, "i");  // opaque: the cell takes the brush colour
    c.brush.style = BrushStyle::Clear;
    c.TextOut(20, 0, "i");
  }
  const int h = GetTextMetrics(Font{}).height;
  EXPECT_GT(CountColour(img, kRed, {0, 0, 20, 30}), 0);
  EXPECT_EQ(BoundsOfColour(img, kRed).bottom, h);
  EXPECT_EQ(CountColour(img, kRed, {20, 0, 40, 30}), 0);
  QImage other(40, 30, QImage::Format_ARGB32);
  other.fill(Qt::white);
  {
    Canvas c(&other);
    const Rect r{0, 0, 30, 20};
    c.bkColor = kBlue;
    c.ExtTextOut(2, 2, ETO_OPAQUE | ETO_CLIPPED, &r, u"Wide text here");
  }
  EXPECT_EQ(BoundsOfColour(other, kBlue).right, 30);
  EXPECT_TRUE(InkBounds(other, kWhite, {30, 0, 40, 30}).IsEmpty());  // clipped
}

TEST(Images, CreatePixelsTransparencyAndDrawing) {
  Bitmap b(4, 3, kRed);
  ASSERT_FALSE(b.IsNull());
  EXPECT_EQ(b.Pixel(3, 2), kRed);
  b.SetPixel(0, 0, kBlue);
  EXPECT_EQ(b.Pixel(0, 0), kBlue);
  EXPECT_EQ(b.Pixel(9, 9), clBlack);  // outside: nothing read
  EXPECT_FALSE(b.HasTransparency());
  b.MakeTransparent(kBlue);
  EXPECT_EQ(b.Alpha(0, 0), 0);
  EXPECT_TRUE(b.HasTransparency());
  const Bitmap mask = Bitmap(2, 1, kRed).MaskFromColour(kRed);
  EXPECT_EQ(mask.Alpha(0, 0), 0);
  EXPECT_EQ(mask.BitDepth(), 1);

  EXPECT_TRUE(Bitmap(0, 5).IsNull());
  EXPECT_TRUE(Bitmap(1 << 16, 1 << 16).IsNull());  // refused, not a crash
  Bitmap resized;
  EXPECT_FALSE(resized.SetSize(-1, 4));

  QImage img(20, 20, QImage::Format_ARGB32);
  img.fill(Qt::white);
  {
    Canvas c(&img);
    c.Draw(0, 0, b);                        // the transparent pixel keeps white
    c.StretchDraw({10, 10, 18, 16}, Bitmap(4, 3, kBlue));
    c.Tile({0, 17, 20, 20}, Bitmap(3, 3, kRed), 1, 17);
  }
  EXPECT_EQ(ColourAt(img, 0, 0), kWhite);
  EXPECT_EQ(ColourAt(img, 1, 0), kRed);
  EXPECT_EQ(BoundsOfColour(img, kBlue), (Rect{10, 10, 18, 16}));
  EXPECT_EQ(CountColour(img, kRed, {0, 17, 20, 20}), 60);
  EXPECT_EQ(ScreenDepth(), 24);
  SetScreenDepth(8);
  EXPECT_EQ(ScreenDepth(), 8);
  SetScreenDepth(24);
}

TEST(Images, PalettesAreEntriesOnlyAndChangeNoDrawing) {
  const Palette p{{kWhite, kRed, Rgb(0, 0, 200)}};
  EXPECT_EQ(p.NearestIndex(Rgb(250, 10, 10)), 1);
  EXPECT_EQ(p.NearestIndex(kBlue), 2);
  EXPECT_EQ(Palette{}.NearestIndex(kRed), -1);
  QImage a(4, 4, QImage::Format_ARGB32), b(4, 4, QImage::Format_ARGB32);
  a.fill(Qt::white);
  b.fill(Qt::white);
  {
    Canvas c(&a);
    EXPECT_EQ(c.SelectPalette(&p), nullptr);
    EXPECT_EQ(c.RealizePalette(), 0);
    c.FillRect({0, 0, 2, 2}, Rgb(250, 10, 10));
  }
  {
    Canvas c(&b);
    c.FillRect({0, 0, 2, 2}, Rgb(250, 10, 10));
  }
  EXPECT_TRUE(ImagesEqual(a, b));
}

}  // namespace
}  // namespace platform
