#include "workbench/plots.h"

#include <QPointer>
#include <QTimer>

#include <algorithm>
#include <cmath>

#include "core/interpolator.h"
#include "core/verinfo.h"
#include "platform/fonts.h"
#include "workbench/sourcefile.h"

namespace workbench {

namespace {

constexpr int kCoefficientCurves = 6;    // tc = TcLo .. TcHi in five steps
constexpr int kCoefficientPoints = 21;   // te = TeLo .. TeHi in twenty steps

// Extremes of a rating table without its missing ratings (-99): a missing
// power rating taken as -99 kW would squeeze the whole plot into a sliver
// at its top. A table of nothing but missing ratings keeps them.
double TableMin(const core::TFloatMat& table) {
  bool any = false;
  double result = 0;
  for (const auto& row : table)
    for (double v : row)
      if (v != core::kMissingValue && (!any || v < result)) result = v, any = true;
  return any ? result : core::MatrixMin(table);
}

double TableMax(const core::TFloatMat& table) {
  bool any = false;
  double result = 0;
  for (const auto& row : table)
    for (double v : row)
      if (v != core::kMissingValue && (!any || v > result)) result = v, any = true;
  return any ? result : core::MatrixMax(table);
}

}  // namespace

void SetupPlotPanel(core::TGraphPanel& panel, const std::string& caption, const std::string& yLabel) {
  platform::Font font;
  font.name = "Courier New";
  font.SetSize(8);
  panel.SetPanelFont(font);
  panel.SetScaleXFont(font);
  panel.SetScaleYFont(font);
  panel.SetCaption(caption);
  panel.SetScaleXLabel("te [°C]");
  panel.SetScaleYLabel(yLabel);
  panel.SetScaleXTicks(6);
  panel.SetScaleYTicks(6);
  panel.SetLeftMargin(50);
  panel.SetRightMargin(20);
  panel.SetTopMargin(25);
  panel.SetBottomMargin(50);
  panel.SetColor(kPlotBackground);
  panel.SetGridColor(platform::clWhite);
  panel.SetAxesColor(platform::clWindowText);
  panel.SetAxisType(core::TAxisType::xtQuad1);
  panel.SetPlotMode(core::TPlotMode::pmLineMode);
}

TReportPlots::TReportPlots(const TSourceFile& source) : source_(source) {}

void TReportPlots::Attach(core::TGraphPanel& qPlot, core::TGraphPanel& pPlot) {
  QPlot = &qPlot;
  PPlot = &pPlot;
  SetupPlotPanel(qPlot, "Cooling", "Qe [kW]");
  SetupPlotPanel(pPlot, "Power", "Pw [kW]");
  qPlot.OnPaint = [this](core::TGraphPanel& sender) { DrawCoolingPlot(sender); };
  pPlot.OnPaint = [this](core::TGraphPanel& sender) { DrawPowerPlot(sender); };
}

std::string TReportPlots::Caption(TQuantity quantity) const {
  const core::TCompData& model = source_.CompData;
  if (!source_.IsValidFile) return {};
  const std::string name = quantity == TQuantity::Cooling ? "Cooling" : "Power";
  if (model.HasCurveFit) return name + " (curvefit data)";
  if (model.HasTable) return name + " (table data)";
  return {};
}

std::string TReportPlots::CoolingCaption() const { return Caption(TQuantity::Cooling); }
std::string TReportPlots::PowerCaption() const { return Caption(TQuantity::Power); }

TReportPlots::TRange TReportPlots::PlotRange(TQuantity quantity) const {
  const core::TCompFileHeader& h = source_.Header;
  const core::TCompData& model = source_.CompData;
  TRange r{std::min(h.TeLo, h.TeHi) - 2, std::max(h.TeLo, h.TeHi) + 2, 0, 0, false};
  const double tcMin = std::min(h.TcLo, h.TcHi), tcMax = std::max(h.TcLo, h.TcHi);
  const bool cooling = quantity == TQuantity::Cooling;
  if (model.HasTable && !model.TeList.empty()) {
    const auto [lo, hi] = std::minmax_element(model.TeList.begin(), model.TeList.end());
    r.XMin = *lo - 5;
    r.XMax = *hi + 5;
    // Qe is held in W and shown in kW; Pw is kW already.
    const core::TFloatMat& table = cooling ? model.QeTable : model.PwTable;
    r.YMin = (cooling ? 0.0004 : 0.7) * TableMin(table);
    r.YMax = (cooling ? 0.0013 : 1.3) * TableMax(table);
    r.HasY = true;
  } else if (model.HasCurveFit) {
    if (cooling) {
      r.YMin = 0.4 * core::Poly9(model.QeCoef, r.XMin, tcMax);
      r.YMax = 1.3 * core::Poly9(model.QeCoef, r.XMax, tcMin);
    } else {
      r.YMin = 0.1 * core::Poly9(model.PwCoef, r.XMin, tcMax);
      r.YMax = 1.3 * core::Poly9(model.PwCoef, r.XMax, tcMax);
    }
    r.HasY = true;
  }
  // Coefficients beyond the floating range must not reach the pixel
  // arithmetic; the plot then keeps the y range it had.
  if (!std::isfinite(r.YMin) || !std::isfinite(r.YMax)) r.HasY = false;
  return r;
}

void TReportPlots::Scale(core::TGraphPanel* panel, TQuantity quantity) {
  if (!panel) return;
  const TRange r = PlotRange(quantity);
  // The caption goes with the scales, so that the first paint of a newly
  // selected model already shows it.
  const std::string caption = Caption(quantity);
  if (!caption.empty() && caption != panel->Caption()) panel->SetCaption(caption);
  // Without data the y range is left as it was: nothing is drawn on it.
  panel->SetScales(r.XMin, r.XMax, r.HasY ? r.YMin : panel->YMin(), r.HasY ? r.YMax : panel->YMax(), true);
}

void TReportPlots::ScaleCoolingPlot() { Scale(QPlot, TQuantity::Cooling); }
void TReportPlots::ScalePowerPlot() { Scale(PPlot, TQuantity::Power); }

void TReportPlots::Draw(core::TGraphPanel& panel, TQuantity quantity) {
  if (!source_.IsValidFile) return;
  const core::TCompData& model = source_.CompData;
  const bool cooling = quantity == TQuantity::Cooling;
  const std::string caption = Caption(quantity);
  if (caption.empty()) return;
  if (caption != panel.Caption()) {
    // The empty plot (caption included) is drawn already, and a setter
    // repaints at once, which a paint in progress must not do: the caption
    // is set right after this paint and shown by the repaint it makes.
    QPointer<core::TGraphPanel> target(&panel);
    QTimer::singleShot(0, &panel, [target, caption] {
      if (target && target->Caption() != caption) target->SetCaption(caption);
    });
  }

  if (model.HasCurveFit) {
    // The curve fit takes precedence, over the header's temperature ranges.
    const core::TCompFileHeader& h = source_.Header;
    const core::TPoly9Coef& coef = cooling ? model.QeCoef : model.PwCoef;
    for (int k = 0; k < kCoefficientCurves; ++k) {
      const double tc = h.TcLo + (h.TcHi - h.TcLo) * k / (kCoefficientCurves - 1);
      const platform::Colour colour =
          core::BlendColorByValue(kFirstCurveColour, kLastCurveColour, k, 0, kCoefficientCurves - 1);
      panel.NewCurve = true;
      for (int m = 0; m < kCoefficientPoints; ++m) {
        const double te = h.TeLo + (h.TeHi - h.TeLo) * m / (kCoefficientPoints - 1);
        panel.PlotPoint(colour, te, core::Poly9(coef, te, tc));
      }
    }
    return;
  }

  // Table data: one curve per tc row through its points flagged 0.
  const core::TFloatMat& table = cooling ? model.QeTable : model.PwTable;
  const double factor = cooling ? 0.001 : 1.0;
  const size_t rows = model.TcList.size();
  const double last = rows > 0 ? static_cast<double>(rows - 1) : 0.0;
  for (size_t j = 0; j < rows && j < table.size() && j < model.Valid.size(); ++j) {
    const platform::Colour colour =
        core::BlendColorByValue(kFirstCurveColour, kLastCurveColour, static_cast<double>(j), 0, last);
    panel.NewCurve = true;
    const size_t cols = std::min({model.TeList.size(), table[j].size(), model.Valid[j].size()});
    for (size_t i = 0; i < cols; ++i) {
      if (model.Valid[j][i] == 0) panel.PlotPoint(colour, model.TeList[i], factor * table[j][i]);
    }
  }
}

void TReportPlots::DrawCoolingPlot(core::TGraphPanel& sender) { Draw(sender, TQuantity::Cooling); }
void TReportPlots::DrawPowerPlot(core::TGraphPanel& sender) { Draw(sender, TQuantity::Power); }

}  // namespace workbench
