#include "core/graphpanel.h"

#include <QTest>
#include <gtest/gtest.h>

#include <vector>

#include "platform/render.h"

namespace core {
namespace {

using platform::Colour;
using platform::Rect;
using platform::Rgb;

constexpr Colour kGridLine = Rgb(224, 226, 235);
constexpr Colour kFill = Rgb(200, 255, 200);
constexpr Colour kAxes = Rgb(255, 0, 0);
constexpr Colour kCurve = Rgb(0, 0, 255);

// A 250 x 200 panel with margins 25/40/20/40: plot rectangle (40, 25)-(230, 160).
class GraphPanelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    panel.SetGridColor(kFill);
    panel.SetAxesColor(kAxes);
  }
  // Only the plot area: no scales, no axes.
  void Bare() {
    panel.SetShowXScale(false);
    panel.SetShowYScale(false);
    panel.SetAxisType(TAxisType::xtNone);
  }
  QImage Render() { return platform::RenderToImage(&panel); }
  // Plots the points on every paint.
  void PlotOnPaint(std::vector<std::pair<double, double>> points, bool newCurve = true) {
    panel.OnPaint = [points, newCurve](TGraphPanel& p) {
      p.NewCurve = newCurve;
      for (auto [x, y] : points) p.PlotPoint(kCurve, x, y);
    };
  }
  TGraphPanel panel;
};

TEST_F(GraphPanelTest, DefaultsMatchThePanelsPublishedValues) {
  EXPECT_EQ(panel.width(), 250);
  EXPECT_EQ(panel.height(), 200);
  TGraphPanel fresh;
  EXPECT_EQ(fresh.GridColor(), platform::clWindow);
  EXPECT_EQ(fresh.AxesColor(), platform::clWindowText);
  EXPECT_EQ(fresh.XMin(), 0);
  EXPECT_EQ(fresh.XMax(), 10);
  EXPECT_EQ(fresh.ScaleXTicks(), 6);
  EXPECT_EQ(fresh.AxisType(), TAxisType::xtQuad1);
  EXPECT_EQ(fresh.PlotMode(), TPlotMode::pmLineMode);
  EXPECT_EQ(fresh.TopMargin(), 25);
  EXPECT_EQ(fresh.LeftMargin(), 40);
  EXPECT_EQ(fresh.RightMargin(), 20);
  EXPECT_EQ(fresh.BottomMargin(), 40);
}

TEST_F(GraphPanelTest, PlotRectangleComesFromTheMargins) {
  Bare();
  QImage img = Render();
  EXPECT_EQ(platform::BoundsOfColour(img, kFill), (Rect{40, 25, 230, 160}));
  panel.SetLeftMargin(10);
  panel.SetTopMargin(5);
  panel.SetRightMargin(30);
  panel.SetBottomMargin(15);
  img = Render();
  EXPECT_EQ(platform::BoundsOfColour(img, kFill), (Rect{10, 5, 220, 185}));
  // The panel's lowered bevel: shadow top-left, highlight bottom-right.
  EXPECT_EQ(platform::ColourAt(img, 0, 50), platform::ColourToRgb(platform::clBtnShadow));
  EXPECT_EQ(platform::ColourAt(img, 249, 50), platform::ColourToRgb(platform::clBtnHighlight));
}

TEST_F(GraphPanelTest, GridLinesSitAtTheTickPositions) {
  panel.SetAxisType(TAxisType::xtNone);
  const QImage img = Render();
  // x ticks: 40 + round(i * 190 / 5); y ticks: 25 + round((5 - i) * 135 / 5).
  // (Rows and columns clear of the y labels, which are written over the plot.)
  for (int x : {78, 116, 154, 192}) {
    EXPECT_EQ(platform::ColourAt(img, x, 26), kGridLine) << "x " << x;
    EXPECT_EQ(platform::ColourAt(img, x, 120), kGridLine) << "x " << x;
    EXPECT_EQ(platform::ColourAt(img, x, 159), kGridLine) << "x " << x;
  }
  EXPECT_EQ(platform::ColourAt(img, 40, 120), kGridLine);
  EXPECT_EQ(platform::ColourAt(img, 230, 120), kGridLine);
  for (int y : {25, 52, 79, 106, 133, 160}) {
    EXPECT_EQ(platform::ColourAt(img, 170, y), kGridLine) << "y " << y;
    EXPECT_EQ(platform::ColourAt(img, 229, y), kGridLine) << "y " << y;
  }
  // Between ticks the plot keeps its fill.
  EXPECT_EQ(platform::ColourAt(img, 170, 120), kFill);
  EXPECT_EQ(platform::ColourAt(img, 97, 120), kFill);
  // Tick labels are written under the plot and left of it.
  EXPECT_GT(platform::CountDark(img, Rect{30, 161, 240, 185}), 20);
  EXPECT_GT(platform::CountDark(img, Rect{2, 20, 40, 170}), 20);
}

TEST_F(GraphPanelTest, OneTickIsStoredAsTwoAndShowsOnlyTheEnds) {
  panel.SetScaleXTicks(1);
  panel.SetScaleYTicks(-5);
  EXPECT_EQ(panel.ScaleXTicks(), 2);
  EXPECT_EQ(panel.ScaleYTicks(), 2);
  panel.SetShowYScale(false);
  panel.SetAxisType(TAxisType::xtNone);
  const QImage img = Render();
  EXPECT_EQ(platform::ColourAt(img, 40, 100), kGridLine);
  EXPECT_EQ(platform::ColourAt(img, 230, 100), kGridLine);
  EXPECT_EQ(platform::CountColour(img, kGridLine, Rect{41, 26, 229, 159}), 0);
}

TEST_F(GraphPanelTest, AxesFollowTheAxisType) {
  panel.SetShowXScale(false);
  panel.SetShowYScale(false);
  struct Case {
    TAxisType type;
    std::vector<std::pair<int, int>> onAxis;
    std::vector<std::pair<int, int>> off;
  };
  const Case cases[] = {
      {TAxisType::xtQuad1, {{40, 26}, {40, 159}, {41, 160}, {229, 160}}, {{230, 100}, {135, 92}}},
      {TAxisType::xtQuad2, {{230, 26}, {230, 159}, {41, 160}, {229, 160}}, {{40, 100}, {135, 92}}},
      {TAxisType::xtCent0, {{135, 26}, {135, 159}, {41, 92}, {229, 92}}, {{40, 100}, {100, 160}}},
  };
  for (const Case& c : cases) {
    panel.SetAxisType(c.type);
    const QImage img = Render();
    for (auto [x, y] : c.onAxis) EXPECT_EQ(platform::ColourAt(img, x, y), kAxes) << int(c.type) << " " << x << "," << y;
    for (auto [x, y] : c.off) EXPECT_NE(platform::ColourAt(img, x, y), kAxes) << int(c.type) << " " << x << "," << y;
  }
  panel.SetAxisType(TAxisType::xtNone);
  EXPECT_EQ(platform::CountColour(Render(), kAxes), 0);
}

TEST_F(GraphPanelTest, DotModeSetsOnePixelPerPoint) {
  Bare();
  panel.SetPlotMode(TPlotMode::pmDotMode);
  PlotOnPaint({{5, 5}, {0, 0}, {10, 10}});
  const QImage img = Render();
  // x: 40 + trunc(5 * 19) = 135; y: 160 - trunc(5 * 13.5) = 93.
  EXPECT_EQ(platform::ColourAt(img, 135, 93), kCurve);
  EXPECT_EQ(platform::ColourAt(img, 40, 160), kCurve);
  EXPECT_EQ(platform::ColourAt(img, 230, 25), kCurve);
  EXPECT_EQ(platform::CountColour(img, kCurve), 3);
}

TEST_F(GraphPanelTest, LineModeJoinsPointsAndSkipsOutsiders) {
  Bare();
  PlotOnPaint({{0, 0}, {20, 5}, {5, -1}, {10, 10}});
  const QImage img = Render();
  // One line from (40,160) to (230,25), its end point excluded: 190 pixels,
  // unbroken by the two points outside the ranges.
  EXPECT_EQ(platform::CountColour(img, kCurve), 190);
  EXPECT_EQ(platform::ColourAt(img, 40, 160), kCurve);
  EXPECT_EQ(platform::ColourAt(img, 229, 26), kCurve);
  EXPECT_EQ(platform::BoundsOfColour(img, kCurve), (Rect{40, 26, 230, 161}));
}

TEST_F(GraphPanelTest, NewCurveStartsAFreshLine) {
  Bare();
  panel.OnPaint = [](TGraphPanel& p) {
    p.NewCurve = true;
    p.PlotPoint(kCurve, 0, 0);
    p.PlotPoint(kCurve, 10, 0);
    p.NewCurve = true;
    p.PlotPoint(kAxes, 0, 10);
    p.PlotPoint(kAxes, 10, 10);
  };
  const QImage img = Render();
  EXPECT_EQ(platform::CountColour(img, kCurve), 190);
  EXPECT_EQ(platform::CountColour(img, kAxes), 190);
  // No join from the end of the first curve to the start of the second.
  EXPECT_EQ(platform::CountColour(img, kAxes, Rect{41, 26, 230, 160}), 0);
  EXPECT_EQ(platform::BoundsOfColour(img, kAxes), (Rect{40, 25, 230, 26}));
}

TEST_F(GraphPanelTest, BarModeDrawsDownToThePlotBottom) {
  Bare();
  panel.SetPlotMode(TPlotMode::pmBarMode);
  PlotOnPaint({{5, 5}});
  const QImage img = Render();
  EXPECT_EQ(platform::BoundsOfColour(img, kCurve), (Rect{135, 93, 136, 160}));
  EXPECT_EQ(platform::CountColour(img, kCurve), 67);
}

TEST_F(GraphPanelTest, EqualRangeEndsUseThePlotWidthAsScale) {
  Bare();
  panel.SetPlotMode(TPlotMode::pmDotMode);
  panel.SetScales(5, 5, 0, 10, true);
  PlotOnPaint({{5, 0}});
  const QImage img = Render();
  EXPECT_DOUBLE_EQ(panel.XScale(), 190.0);
  EXPECT_EQ(platform::ColourAt(img, 40, 160), kCurve);
}

TEST_F(GraphPanelTest, CaptionIsCentredNearTheTop) {
  Bare();
  panel.SetCaption("Capacity");
  const QImage img = Render();
  const Rect ink = platform::DarkBounds(img, Rect{1, 1, 249, 24});
  ASSERT_FALSE(ink.IsEmpty());
  EXPECT_NEAR((ink.left + ink.right) / 2.0, 125.0, 2.0);
  EXPECT_GE(ink.top, 5);
}

TEST_F(GraphPanelTest, YLabelIsRotatedToReadUpwards) {
  panel.SetShowXScale(false);
  panel.SetShowYScale(true);
  panel.SetScaleYTicks(2);
  panel.SetScaleYLabel("M.....");
  const QImage img = Render();
  // Left of the tick labels: x from 1 to the text height.
  // Light weight and antialiasing: count anything clearly darker than the
  // label's background as ink. The rectangle is clear of the tick labels.
  const int kInk = 200;
  const Rect ink = platform::DarkBounds(img, Rect{1, 30, 12, 150}, kInk);
  ASSERT_FALSE(ink.IsEmpty());
  EXPECT_GT(ink.Height(), 2 * ink.Width());
  // Reading upwards, the "M" is at the bottom and fills the line's height;
  // the dots at the top sit on the baseline, at the right.
  const Rect bottom{ink.left, ink.bottom - ink.Height() / 5, ink.right, ink.bottom};
  const Rect top{ink.left, ink.top, ink.right, ink.top + ink.Height() / 3};
  const Rect topInk = platform::DarkBounds(img, top, kInk);
  const Rect bottomInk = platform::DarkBounds(img, bottom, kInk);
  EXPECT_GT(bottomInk.Width(), topInk.Width() * 2);
  EXPECT_GE(topInk.left, ink.left + ink.Width() / 2);
}

TEST_F(GraphPanelTest, SettersRepaintAtOnce) {
  int paints = 0;
  panel.OnPaint = [&](TGraphPanel&) { ++paints; };
  panel.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel));
  const int before = paints;
  panel.SetGridColor(kCurve);
  EXPECT_GT(paints, before);
  const int mid = paints;
  panel.SetScales(0, 1, 0, 1, false);
  EXPECT_EQ(paints, mid);
  panel.SetScales(0, 1, 0, 1, true);
  EXPECT_GT(paints, mid);
  panel.hide();
}

TEST_F(GraphPanelTest, CrossBitmapIsMadeOnFirstReadAndCopied) {
  platform::Bitmap& cross = panel.Cross();
  EXPECT_TRUE(cross.IsNull());
  platform::Bitmap b(3, 3, kCurve);
  panel.SetCross(b);
  b.SetPixel(0, 0, kAxes);
  EXPECT_EQ(panel.Cross().Pixel(0, 0), kCurve);
  EXPECT_EQ(panel.Cross().Width(), 3);
}

TEST(TextOutAngleTest, SmallAnglesWriteLevelText) {
  QImage a(80, 40, QImage::Format_ARGB32), b(80, 40, QImage::Format_ARGB32);
  a.fill(Qt::white);
  b.fill(Qt::white);
  {
    platform::Canvas c(&a);
    c.font.color = platform::clBlack;
    TextOutAngle(c, "Hi", 5, 0.5, 5);
  }
  {
    platform::Canvas c(&b);
    c.font.color = platform::clBlack;
    c.TextOut(5, 5, "Hi");
  }
  EXPECT_TRUE(platform::ImagesEqual(a, b));
}

TEST(TbwVLineTest, DrawsOneLineAtTheRightEdge) {
  TbwVLine line;
  EXPECT_EQ(line.width(), 5);
  EXPECT_EQ(line.height(), 50);
  const QImage img = platform::RenderToImage(&line);
  const Colour grey = platform::ColourToRgb(platform::clGrayText);
  EXPECT_EQ(platform::BoundsOfColour(img, grey), (Rect{4, 1, 5, 49}));
  EXPECT_EQ(platform::CountColour(img, grey), 48);
}

}  // namespace
}  // namespace core
