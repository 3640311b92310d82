#pragma once
// The two plots of the Plot tab: cooling capacity (QPlot) and power input
// (PPlot) of the selected model over te, one curve per tc. A model with
// coefficients is drawn from its polynomials over the header's temperature
// ranges; otherwise a model with a rating table is drawn through the table's
// points flagged 0. The axis ranges come from the table when there is one.
#include <string>

#include "core/graphpanel.h"
#include "platform/colors.h"

namespace workbench {

class TSourceFile;

// Curve colours: the first tc is green, the last red, blended in between.
inline constexpr platform::Colour kFirstCurveColour = 32768;   // green
inline constexpr platform::Colour kLastCurveColour = 255;      // red
// The panels' own colour.
inline constexpr platform::Colour kPlotBackground = 15593968;

// The layout the main window gives a plot panel: x label "te [°C]", 6 ticks
// on each axis, margins left 50, right 20, top 25, bottom 50, the background
// colour, a white plot area, axes in the window-text colour, "Courier New"
// 8 point, first-quadrant axes, line mode; caption and y label as given.
void SetupPlotPanel(core::TGraphPanel& panel, const std::string& caption, const std::string& yLabel);

class TReportPlots {
 public:
  explicit TReportPlots(const TSourceFile& source);
  TReportPlots(const TReportPlots&) = delete;
  TReportPlots& operator=(const TReportPlots&) = delete;

  // The panels; either may be null (nothing is scaled then).
  core::TGraphPanel* QPlot = nullptr;
  core::TGraphPanel* PPlot = nullptr;

  // Gives both panels their layout ("Cooling", "Qe [kW]"; "Power",
  // "Pw [kW]") and their drawing callbacks; the callbacks refer to this
  // object, which must outlive the panels (or clear their OnPaint).
  void Attach(core::TGraphPanel& qPlot, core::TGraphPanel& pPlot);

  // Set the axis ranges of the two plots and repaint them.
  void ScaleCoolingPlot();
  void ScalePowerPlot();
  // The panels' drawing callbacks: the panel has drawn its empty plot.
  // Nothing is drawn for a file that is not a source file or a model with
  // neither coefficients nor table data. A caption that no longer fits the
  // model (scaling sets it too) is set right after the paint.
  void DrawCoolingPlot(core::TGraphPanel& sender);
  void DrawPowerPlot(core::TGraphPanel& sender);

  // The caption the plot of the selected model gets ("Cooling (curvefit
  // data)", "Power (table data)", ...); empty when nothing is drawn.
  std::string CoolingCaption() const;
  std::string PowerCaption() const;

 private:
  enum class TQuantity { Cooling, Power };
  struct TRange {
    double XMin, XMax, YMin, YMax;
    bool HasY;
  };
  TRange PlotRange(TQuantity quantity) const;
  void Scale(core::TGraphPanel* panel, TQuantity quantity);
  void Draw(core::TGraphPanel& panel, TQuantity quantity);
  std::string Caption(TQuantity quantity) const;

  const TSourceFile& source_;
};

}  // namespace workbench
