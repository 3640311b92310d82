#include "workbench/plots.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

#include <cmath>

#include "core/interpolator.h"
#include "core/verinfo.h"
#include "pages_helpers.h"
#include "reflib_helpers.h"
#include "platform/render.h"
#include "workbench/sourcefile.h"

namespace {

using platform::Colour;
using platform::Rect;
using platform::Rgb;
using workbench::kFirstCurveColour;
using workbench::kLastCurveColour;

constexpr Colour kGreen = Rgb(0, 128, 0);
constexpr Colour kRed = Rgb(255, 0, 0);

// Panels of 450 x 300: with the margins 50/20/25/50 the plot area is
// (50, 25)-(430, 250), 380 x 225 pixels.
constexpr Rect kPlotArea{50, 25, 430, 250};

// plots.ini, header te -20..0, tc 40..50. "Table": te -20, -10, 0 across,
// tc 40, 45, 50 down; Qe row 1 has an outlier flagged 1 at te -10, row 3
// a point flagged 2 at te 0. "Coefficients": Qe = 4 + 0.1 te - 0.02 tc,
// Pw = 1 + 0.01 te + 0.02 tc. "Both": the two together. "Neither": no data.
class PlotsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { reflibfixture::Init(); }
  static void TearDownTestSuite() { reflibfixture::Done(); }
  void SetUp() override {
    pagesfixture::OpenFixture(source_, "plots.ini");
    plots_.Attach(qPlot_, pPlot_);
    qPlot_.resize(450, 300);
    pPlot_.resize(450, 300);
  }
  void Select(const std::string& model) {
    pagesfixture::Select(source_, model);
    plots_.ScaleCoolingPlot();
    plots_.ScalePowerPlot();
  }
  // Pixel of a value as the panel places it.
  static int Px(const core::TGraphPanel& p, double x) {
    return kPlotArea.left + static_cast<int>(std::fabs(x - p.XMin()) * kPlotArea.Width() / (p.XMax() - p.XMin()));
  }
  static int Py(const core::TGraphPanel& p, double y) {
    return kPlotArea.bottom -
           static_cast<int>(std::fabs(y - p.YMin()) * kPlotArea.Height() / (p.YMax() - p.YMin()));
  }
  static Rect Column(int x) { return Rect{x, kPlotArea.top, x + 1, kPlotArea.bottom + 1}; }

  workbench::TSourceFile source_;
  workbench::TReportPlots plots_{source_};
  core::TGraphPanel qPlot_, pPlot_;
};

TEST_F(PlotsTest, AttachGivesBothPanelsTheirLayout) {
  for (auto* p : {&qPlot_, &pPlot_}) {
    EXPECT_EQ(p->ScaleXLabel(), "te [°C]");
    EXPECT_EQ(p->ScaleXTicks(), 6);
    EXPECT_EQ(p->ScaleYTicks(), 6);
    EXPECT_EQ(p->LeftMargin(), 50);
    EXPECT_EQ(p->RightMargin(), 20);
    EXPECT_EQ(p->TopMargin(), 25);
    EXPECT_EQ(p->BottomMargin(), 50);
    EXPECT_EQ(p->Color(), 15593968u);
    EXPECT_EQ(p->GridColor(), platform::clWhite);
    EXPECT_EQ(p->AxesColor(), platform::clWindowText);
    EXPECT_EQ(p->PanelFont().name, "Courier New");
    EXPECT_EQ(p->ScaleXFont().name, "Courier New");
    EXPECT_EQ(p->ScaleYFont().Size(), 8);
    EXPECT_EQ(p->AxisType(), core::TAxisType::xtQuad1);
    EXPECT_EQ(p->PlotMode(), core::TPlotMode::pmLineMode);
    EXPECT_TRUE(p->OnPaint);
  }
  EXPECT_EQ(qPlot_.Caption(), "Cooling");
  EXPECT_EQ(qPlot_.ScaleYLabel(), "Qe [kW]");
  EXPECT_EQ(pPlot_.Caption(), "Power");
  EXPECT_EQ(pPlot_.ScaleYLabel(), "Pw [kW]");
  EXPECT_EQ(plots_.QPlot, &qPlot_);
  EXPECT_EQ(plots_.PPlot, &pPlot_);
}

TEST_F(PlotsTest, TableScalesComeFromTheTablesExtremes) {
  Select("Table");
  // te -20..0 widened by 5; Qe 1200..3600 W as kW times 0.4 and 1.3.
  EXPECT_DOUBLE_EQ(qPlot_.XMin(), -25);
  EXPECT_DOUBLE_EQ(qPlot_.XMax(), 5);
  EXPECT_DOUBLE_EQ(qPlot_.YMin(), 0.0004 * 1200);
  EXPECT_DOUBLE_EQ(qPlot_.YMax(), 0.0013 * 3600);
  // Pw 0.9..1.5 kW times 0.7 and 1.3.
  EXPECT_DOUBLE_EQ(pPlot_.XMin(), -25);
  EXPECT_DOUBLE_EQ(pPlot_.XMax(), 5);
  EXPECT_DOUBLE_EQ(pPlot_.YMin(), 0.7 * 0.9);
  EXPECT_DOUBLE_EQ(pPlot_.YMax(), 1.3 * 1.5);
  EXPECT_EQ(qPlot_.Caption(), "Cooling (table data)");
  EXPECT_EQ(pPlot_.Caption(), "Power (table data)");
}

TEST_F(PlotsTest, CoefficientScalesComeFromThePolynomialsOverTheHeaderRanges) {
  Select("Coefficients");
  // te -20..0 widened by 2; tc 40..50.
  const core::TCompData& m = source_.CompData;
  EXPECT_DOUBLE_EQ(qPlot_.XMin(), -22);
  EXPECT_DOUBLE_EQ(qPlot_.XMax(), 2);
  EXPECT_DOUBLE_EQ(qPlot_.YMin(), 0.4 * core::Poly9(m.QeCoef, -22, 50));
  EXPECT_DOUBLE_EQ(qPlot_.YMax(), 1.3 * core::Poly9(m.QeCoef, 2, 40));
  EXPECT_NEAR(qPlot_.YMin(), 0.32, 1e-12);
  EXPECT_NEAR(qPlot_.YMax(), 4.42, 1e-12);
  EXPECT_DOUBLE_EQ(pPlot_.YMin(), 0.1 * core::Poly9(m.PwCoef, -22, 50));
  EXPECT_DOUBLE_EQ(pPlot_.YMax(), 1.3 * core::Poly9(m.PwCoef, 2, 50));
  EXPECT_NEAR(pPlot_.YMax(), 2.626, 1e-12);
  EXPECT_EQ(qPlot_.Caption(), "Cooling (curvefit data)");
  EXPECT_EQ(pPlot_.Caption(), "Power (curvefit data)");
}

TEST_F(PlotsTest, ScalesOfOtherModels) {
  // Both data kinds: the table sets the scales.
  Select("Both");
  EXPECT_DOUBLE_EQ(qPlot_.XMin(), -25);
  EXPECT_DOUBLE_EQ(qPlot_.YMax(), 0.0013 * 3600);
  EXPECT_DOUBLE_EQ(pPlot_.YMin(), 0.7 * 0.9);
  // Neither: the header's te range, the y range as it was.
  qPlot_.SetScales(0, 1, 3, 7, false);
  Select("Neither");
  EXPECT_DOUBLE_EQ(qPlot_.XMin(), -22);
  EXPECT_DOUBLE_EQ(qPlot_.XMax(), 2);
  EXPECT_DOUBLE_EQ(qPlot_.YMin(), 3);
  EXPECT_DOUBLE_EQ(qPlot_.YMax(), 7);
  // Missing ratings (-99) do not stretch the y range below zero.
  Select("MissingPw");
  EXPECT_DOUBLE_EQ(qPlot_.YMin(), 0.0004 * 1500);
  EXPECT_DOUBLE_EQ(pPlot_.YMin(), 0.7 * 0.9);
  EXPECT_DOUBLE_EQ(pPlot_.YMax(), 1.3 * 1.2);
}

TEST_F(PlotsTest, TableCurvesRunThroughThePointsFlaggedZero) {
  Select("Table");
  const QImage img = platform::RenderToImage(&qPlot_);
  const auto& q = qPlot_;
  // tc 40 (green): the outlier 3.5 at te -10 is flagged 1 and left out, so
  // the line runs straight from (-20, 1.5) to (0, 3.6).
  EXPECT_EQ(platform::ColourAt(img, Px(q, -20), Py(q, 1.5)), kGreen);
  const Rect green = platform::BoundsOfColour(img, kGreen, kPlotArea);
  EXPECT_EQ(green.left, Px(q, -20));
  EXPECT_EQ(green.bottom, Py(q, 1.5) + 1);
  EXPECT_NEAR(green.right, Px(q, 0), 1);
  EXPECT_NEAR(green.top, Py(q, 3.6), 1);
  const Rect atMinus10 = platform::BoundsOfColour(img, kGreen, Column(Px(q, -10)));
  EXPECT_NEAR(atMinus10.top, Py(q, (1.5 + 3.6) / 2), 2);
  EXPECT_EQ(platform::CountColour(img, kGreen, Rect{0, Py(q, 3.5) - 3, 450, Py(q, 3.5) + 4}.Intersect(
                                                     Column(Px(q, -10)))),
            0);
  // tc 50 (red, the last row): te 0 is flagged 2, so the line ends at te -10.
  const Rect red = platform::BoundsOfColour(img, kRed, kPlotArea);
  EXPECT_EQ(red.left, Px(q, -20));
  EXPECT_EQ(red.bottom, Py(q, 1.2) + 1);
  EXPECT_NEAR(red.right, Px(q, -10), 1);
  EXPECT_NEAR(red.top, Py(q, 2.1), 1);
  // tc 45 (halfway between): all three points.
  const Colour middle = core::BlendColorByValue(kFirstCurveColour, kLastCurveColour, 1, 0, 2);
  const Rect mid = platform::BoundsOfColour(img, platform::ColourToRgb(middle), kPlotArea);
  EXPECT_EQ(mid.left, Px(q, -20));
  EXPECT_EQ(mid.bottom, Py(q, 1.35) + 1);
  EXPECT_NEAR(mid.right, Px(q, 0), 1);
  EXPECT_NEAR(mid.top, Py(q, 3.3), 1);

  // The power plot draws Pw as it is (kW).
  const QImage power = platform::RenderToImage(&pPlot_);
  EXPECT_EQ(platform::ColourAt(power, Px(pPlot_, -20), Py(pPlot_, 0.9)), kGreen);
  EXPECT_EQ(platform::ColourAt(power, Px(pPlot_, -20), Py(pPlot_, 1.1)), kRed);
  EXPECT_NEAR(platform::BoundsOfColour(power, kRed, kPlotArea).right, Px(pPlot_, -10), 1);
}

TEST_F(PlotsTest, CoefficientCurvesSpanTheHeaderRangesInBlendedColours) {
  Select("Coefficients");
  const QImage img = platform::RenderToImage(&qPlot_);
  const auto& q = qPlot_;
  // Six curves at tc 40, 42, ... 50, green to red; each from te -20 to 0.
  for (int k = 0; k <= 5; ++k) {
    const double tc = 40 + 2 * k;
    const Colour colour = platform::ColourToRgb(core::BlendColorByValue(kFirstCurveColour, kLastCurveColour, k, 0, 5));
    const double first = 4 + 0.1 * -20 - 0.02 * tc, last = 4 - 0.02 * tc;
    EXPECT_EQ(platform::ColourAt(img, Px(q, -20), Py(q, first)), colour) << k;
    const Rect r = platform::BoundsOfColour(img, colour, kPlotArea);
    EXPECT_EQ(r.left, Px(q, -20)) << k;
    EXPECT_NEAR(r.right, Px(q, 0), 1) << k;
    EXPECT_NEAR(r.top, Py(q, last), 2) << k;   // later curves may cover a pixel
  }
  const QImage power = platform::RenderToImage(&pPlot_);
  const auto& p = pPlot_;
  EXPECT_EQ(platform::ColourAt(power, Px(p, -20), Py(p, 1 - 0.2 + 0.8)), kGreen);
  EXPECT_EQ(platform::ColourAt(power, Px(p, -20), Py(p, 1 - 0.2 + 1.0)), kRed);
}

TEST_F(PlotsTest, CoefficientsTakePrecedenceOverTheTable) {
  Select("Both");
  const QImage img = platform::RenderToImage(&qPlot_);
  EXPECT_EQ(qPlot_.Caption(), "Cooling (curvefit data)");
  // Second of the six coefficient curves, which the table's three curves
  // have no colour for.
  const Colour second = platform::ColourToRgb(core::BlendColorByValue(kFirstCurveColour, kLastCurveColour, 1, 0, 5));
  const Colour tableMiddle =
      platform::ColourToRgb(core::BlendColorByValue(kFirstCurveColour, kLastCurveColour, 1, 0, 2));
  EXPECT_GT(platform::CountColour(img, second, kPlotArea), 50);
  EXPECT_EQ(platform::CountColour(img, tableMiddle, kPlotArea), 0);
  // Coefficient curves start at the header's TeLo (-20) on the table's scale.
  EXPECT_EQ(platform::ColourAt(img, Px(qPlot_, -20), Py(qPlot_, 1.2)), kGreen);
}

TEST_F(PlotsTest, NothingIsDrawnWithoutData) {
  auto curvePixels = [&](core::TGraphPanel& panel) {
    const QImage img = platform::RenderToImage(&panel);
    return platform::CountColour(img, kGreen, kPlotArea) + platform::CountColour(img, kRed, kPlotArea);
  };
  Select("Table");
  ASSERT_GT(curvePixels(qPlot_), 0);
  Select("Neither");
  EXPECT_EQ(curvePixels(qPlot_), 0);
  EXPECT_EQ(curvePixels(pPlot_), 0);
  // A file that is not a source file: nothing, whatever the model object holds.
  Select("Table");
  source_.IsValidFile = false;
  EXPECT_EQ(curvePixels(qPlot_), 0);
  EXPECT_EQ(curvePixels(pPlot_), 0);
  EXPECT_EQ(plots_.CoolingCaption(), "");
}

TEST_F(PlotsTest, OneTcRowIsDrawnInTheFirstColour) {
  Select("MissingPw");
  const QImage img = platform::RenderToImage(&pPlot_);
  // The missing rating (-99) lies below the plot and is skipped: one line
  // from te -20 to te 0.
  const Rect green = platform::BoundsOfColour(img, kGreen, kPlotArea);
  EXPECT_EQ(green.left, Px(pPlot_, -20));
  EXPECT_NEAR(green.right, Px(pPlot_, 0), 1);
  EXPECT_EQ(green.bottom, Py(pPlot_, 0.9) + 1);
}

TEST_F(PlotsTest, ACaptionChangedWithoutRescalingFollowsAfterThePaint) {
  Select("Table");
  EXPECT_EQ(qPlot_.Caption(), "Cooling (table data)");
  // The model gains coefficients (as after a curve fit) without a new scale.
  source_.CompData.HasCurveFit = true;
  source_.CompData.QeCoef = {4, 0.1, 0, -0.02, 0, 0, 0, 0, 0};
  platform::RenderToImage(&qPlot_);
  QCoreApplication::processEvents();
  EXPECT_EQ(qPlot_.Caption(), "Cooling (curvefit data)");
}

}  // namespace
