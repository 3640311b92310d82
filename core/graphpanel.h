#pragma once
// The plot panel: draws an empty two-dimensional plot (background, grid with
// tick labels, axes, caption, axis titles) and lets its owner draw points and
// curves on it from its paint callback. TbwVLine draws one vertical line, a
// separator in dialogs.
#include <functional>
#include <memory>
#include <string>

#include "platform/canvas.h"
#include "platform/colors.h"
#include "platform/control.h"
#include "platform/fonts.h"
#include "platform/image.h"

namespace core {

enum class TAxisType { xtNone, xtCent0, xtQuad1, xtQuad2 };
enum class TPlotMode { pmDotMode, pmLineMode, pmBarMode };

// Text at an angle in degrees (counter-clockwise); within 1 degree of level
// it is plain text.
void TextOutAngle(platform::Canvas& canvas, const std::string& text, int x, double angle, int y);

class TGraphPanel : public platform::Control {
 public:
  explicit TGraphPanel(QWidget* parent = nullptr);
  ~TGraphPanel() override;

  // The owner's drawing, called after the empty plot on every paint.
  std::function<void(TGraphPanel& sender)> OnPaint;
  // Set by the owner before the first point of each curve.
  bool NewCurve = false;

  platform::Colour Color() const { return color_; }
  void SetColor(platform::Colour c);
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& text);
  const platform::Font& PanelFont() const { return font_; }
  void SetPanelFont(const platform::Font& f);

  platform::Colour GridColor() const { return gridColor_; }
  void SetGridColor(platform::Colour c);
  platform::Colour AxesColor() const { return axesColor_; }
  void SetAxesColor(platform::Colour c);
  double XMin() const { return xMin_; }
  double XMax() const { return xMax_; }
  double YMin() const { return yMin_; }
  double YMax() const { return yMax_; }
  void SetXMin(double v);
  void SetXMax(double v);
  void SetYMin(double v);
  void SetYMax(double v);
  bool ShowXScale() const { return showXScale_; }
  bool ShowYScale() const { return showYScale_; }
  void SetShowXScale(bool on);
  void SetShowYScale(bool on);
  const platform::Font& ScaleXFont() const { return scaleXFont_; }
  const platform::Font& ScaleYFont() const { return scaleYFont_; }
  void SetScaleXFont(const platform::Font& f);
  void SetScaleYFont(const platform::Font& f);
  int ScaleXTicks() const { return scaleXTicks_; }
  int ScaleYTicks() const { return scaleYTicks_; }
  // Values below 2 are stored as 2.
  void SetScaleXTicks(int n);
  void SetScaleYTicks(int n);
  const std::string& ScaleXLabel() const { return scaleXLabel_; }
  const std::string& ScaleYLabel() const { return scaleYLabel_; }
  void SetScaleXLabel(const std::string& text);
  void SetScaleYLabel(const std::string& text);
  TAxisType AxisType() const { return axisType_; }
  void SetAxisType(TAxisType t);
  TPlotMode PlotMode() const { return plotMode_; }
  void SetPlotMode(TPlotMode m);
  int TopMargin() const { return topMargin_; }
  int LeftMargin() const { return leftMargin_; }
  int RightMargin() const { return rightMargin_; }
  int BottomMargin() const { return bottomMargin_; }
  void SetTopMargin(int v);
  void SetLeftMargin(int v);
  void SetRightMargin(int v);
  void SetBottomMargin(int v);
  // A bitmap kept for the owner, made on first read; the panel never draws it.
  platform::Bitmap& Cross();
  void SetCross(const platform::Bitmap& b);

  void SetScales(double xMin, double xMax, double yMin, double yMax, bool repaint);
  // Draws the empty plot on the paint's canvas.
  void DrawPlot();
  // Draws one point of a curve (during the owner's paint callback).
  void PlotPoint(platform::Colour colour, double x, double y);

  // The canvas of the paint in progress (null outside a paint).
  platform::Canvas* PaintCanvas() { return canvas_; }
  platform::Rect PlotRect() const { return plotRect_; }
  double XScale() const { return xScale_; }
  double YScale() const { return yScale_; }

 protected:
  void Paint(platform::Canvas& canvas, const platform::Rect& clip) override;

 private:
  void Changed();
  void ComputePlotArea();
  void DrawXScale();
  void DrawYScale();
  void DrawAxes();
  void DrawCaption();

  platform::Colour color_;
  std::string caption_;
  platform::Font font_;
  platform::Colour gridColor_;
  platform::Colour axesColor_;
  double xMin_ = 0, xMax_ = 10, yMin_ = 0, yMax_ = 10;
  bool showXScale_ = true, showYScale_ = true;
  platform::Font scaleXFont_, scaleYFont_;
  int scaleXTicks_ = 6, scaleYTicks_ = 6;
  std::string scaleXLabel_, scaleYLabel_;
  TAxisType axisType_ = TAxisType::xtQuad1;
  TPlotMode plotMode_ = TPlotMode::pmLineMode;
  int topMargin_ = 25, leftMargin_ = 40, rightMargin_ = 20, bottomMargin_ = 40;
  std::unique_ptr<platform::Bitmap> cross_;

  // Plot state.
  platform::Rect plotRect_;
  double xScale_ = 1, yScale_ = 1;
  platform::Point previous_;
  bool penDown_ = false;
  platform::Canvas* canvas_ = nullptr;
};

// A separator: one vertical line in its colour at the right edge.
class TbwVLine : public platform::Control {
 public:
  explicit TbwVLine(QWidget* parent = nullptr);
  platform::Colour Color() const { return color_; }
  void SetColor(platform::Colour c);

 protected:
  void Paint(platform::Canvas& canvas, const platform::Rect& clip) override;

 private:
  platform::Colour color_ = platform::clGrayText;
};

}  // namespace core
