#include "core/graphpanel.h"

#include <cmath>
#include <cstdlib>

#include "core/textutils.h"
#include "platform/sysutils.h"

namespace core {

using Canvas = platform::Canvas;
using platform::Colour;

namespace {

constexpr Colour kGridLineColour = platform::Rgb(224, 226, 235);

// The panel's canvas font: Tahoma 8 pt, black, plain.
platform::Font CanvasFont() {
  platform::Font f;
  f.name = "Tahoma";
  f.SetSize(8);
  f.color = platform::clBlack;
  return f;
}

// Rounding to the nearest integer, halves to even.
int RoundEven(double v) { return static_cast<int>(std::nearbyint(v)); }

std::string TickText(double v) { return platform::Format(FloatFormatFor(3, 2, v), {v}); }

}  // namespace

void TextOutAngle(Canvas& canvas, const std::string& text, int x, double angle, int y) {
  if (std::fabs(angle) <= 1.0) {
    canvas.TextOut(x, y, text);
    return;
  }
  const platform::Font saved = canvas.font;
  platform::Font rotated;
  rotated.name = saved.name;
  rotated.height = canvas.TextHeight("X");
  rotated.width = canvas.TextWidth("X");
  rotated.escapement = static_cast<int>(angle * 10);
  rotated.weight = platform::FW_LIGHT;
  rotated.italic = saved.italic;
  rotated.underline = saved.underline;
  rotated.strikeOut = saved.strikeOut;
  rotated.color = saved.color;
  canvas.font = rotated;
  canvas.TextOut(x, y, text);
  canvas.font = saved;
}

// ------------------------------------------------------------------ TGraphPanel

TGraphPanel::TGraphPanel(QWidget* parent)
    : Control(parent),
      color_(platform::clWindow),
      gridColor_(platform::clWindow),
      axesColor_(platform::clWindowText) {
  scaleXFont_ = font_;
  scaleYFont_ = font_;
  resize(250, 200);
}

TGraphPanel::~TGraphPanel() = default;

void TGraphPanel::Changed() { Repaint(); }

void TGraphPanel::SetColor(Colour c) { color_ = c; Changed(); }
void TGraphPanel::SetCaption(const std::string& text) { caption_ = text; Changed(); }
void TGraphPanel::SetPanelFont(const platform::Font& f) { font_ = f; Changed(); }
void TGraphPanel::SetGridColor(Colour c) { gridColor_ = c; Changed(); }
void TGraphPanel::SetAxesColor(Colour c) { axesColor_ = c; Changed(); }
void TGraphPanel::SetXMin(double v) { xMin_ = v; Changed(); }
void TGraphPanel::SetXMax(double v) { xMax_ = v; Changed(); }
void TGraphPanel::SetYMin(double v) { yMin_ = v; Changed(); }
void TGraphPanel::SetYMax(double v) { yMax_ = v; Changed(); }
void TGraphPanel::SetShowXScale(bool on) { showXScale_ = on; Changed(); }
void TGraphPanel::SetShowYScale(bool on) { showYScale_ = on; Changed(); }
void TGraphPanel::SetScaleXFont(const platform::Font& f) { scaleXFont_ = f; Changed(); }
void TGraphPanel::SetScaleYFont(const platform::Font& f) { scaleYFont_ = f; Changed(); }
void TGraphPanel::SetScaleXTicks(int n) { scaleXTicks_ = std::max(2, n); Changed(); }
void TGraphPanel::SetScaleYTicks(int n) { scaleYTicks_ = std::max(2, n); Changed(); }
void TGraphPanel::SetScaleXLabel(const std::string& text) { scaleXLabel_ = text; Changed(); }
void TGraphPanel::SetScaleYLabel(const std::string& text) { scaleYLabel_ = text; Changed(); }
void TGraphPanel::SetAxisType(TAxisType t) { axisType_ = t; Changed(); }
void TGraphPanel::SetPlotMode(TPlotMode m) { plotMode_ = m; Changed(); }
void TGraphPanel::SetTopMargin(int v) { topMargin_ = v; Changed(); }
void TGraphPanel::SetLeftMargin(int v) { leftMargin_ = v; Changed(); }
void TGraphPanel::SetRightMargin(int v) { rightMargin_ = v; Changed(); }
void TGraphPanel::SetBottomMargin(int v) { bottomMargin_ = v; Changed(); }

platform::Bitmap& TGraphPanel::Cross() {
  if (!cross_) cross_ = std::make_unique<platform::Bitmap>();
  return *cross_;
}

void TGraphPanel::SetCross(const platform::Bitmap& b) { Cross() = b; }

void TGraphPanel::SetScales(double xMin, double xMax, double yMin, double yMax, bool repaint) {
  xMin_ = xMin;
  xMax_ = xMax;
  yMin_ = yMin;
  yMax_ = yMax;
  if (repaint) Repaint();
}

void TGraphPanel::Paint(platform::Canvas& canvas, const platform::Rect&) {
  canvas.font = CanvasFont();
  canvas.pen = platform::Pen{platform::clBlack, 1, platform::PenStyle::Solid};
  // The panel itself: a lowered outer bevel one pixel wide, then its colour.
  platform::Rect r{0, 0, width(), height()};
  canvas.Frame3D(r, platform::clBtnShadow, platform::clBtnHighlight, 1);
  canvas.brush = platform::Brush{color_, platform::BrushStyle::Solid};
  canvas.FillRect(r);

  canvas_ = &canvas;
  const int penWidth = canvas.pen.width;
  DrawPlot();
  canvas.pen.width = penWidth;
  if (OnPaint) OnPaint(*this);
  canvas_ = nullptr;
}

void TGraphPanel::ComputePlotArea() {
  plotRect_ = {leftMargin_, topMargin_, width() - rightMargin_, height() - bottomMargin_};
  const int w = plotRect_.Width(), h = plotRect_.Height();
  xScale_ = xMax_ != xMin_ ? w / (xMax_ - xMin_) : w / 1.0;
  yScale_ = yMax_ != yMin_ ? h / (yMax_ - yMin_) : h / 1.0;
}

void TGraphPanel::DrawPlot() {
  penDown_ = false;
  ComputePlotArea();
  if (!canvas_) return;
  canvas_->brush.color = gridColor_;
  canvas_->brush.style = platform::BrushStyle::Solid;
  canvas_->FillRect(plotRect_);
  if (showXScale_) DrawXScale();
  if (showYScale_) DrawYScale();
  DrawAxes();
  DrawCaption();
}

void TGraphPanel::DrawXScale() {
  platform::Canvas& c = *canvas_;
  c.font = scaleXFont_;
  c.brush.color = color_;
  const int h = c.TextHeight("X") / 2;
  const int n = scaleXTicks_ - 1;
  for (int i = 0; i <= n; ++i) {
    const double v = xMin_ + i * (xMax_ - xMin_) / n;
    const int x = plotRect_.left + RoundEven(double(i) * plotRect_.Width() / n);
    c.pen.color = kGridLineColour;
    c.MoveTo(x, plotRect_.bottom);
    c.LineTo(x, plotRect_.top);
    const std::string text = TickText(v);
    c.TextOut(x - c.TextWidth(text) / 2, plotRect_.bottom + h, text);
  }
  c.TextOut((width() - c.TextWidth(scaleXLabel_)) / 2, height() - 2 * h - 3, scaleXLabel_);
}

void TGraphPanel::DrawYScale() {
  platform::Canvas& c = *canvas_;
  c.font = scaleYFont_;
  const int h = c.TextHeight("X") / 2;
  int column = 0;
  switch (axisType_) {
    case TAxisType::xtCent0: column = plotRect_.left + (plotRect_.Width() - c.TextWidth("0000")) / 2; break;
    case TAxisType::xtQuad1: column = plotRect_.left - c.TextWidth("0000"); break;
    case TAxisType::xtQuad2: column = plotRect_.right + 5; break;
    case TAxisType::xtNone: column = plotRect_.left - c.TextWidth("XX"); break;
  }
  const int n = scaleYTicks_ - 1;
  for (int i = 0; i <= n; ++i) {
    const double v = yMin_ + i * (yMax_ - yMin_) / n;
    const int y = plotRect_.top + RoundEven(double(n - i) * plotRect_.Height() / n);
    c.pen.color = kGridLineColour;
    c.MoveTo(plotRect_.left, y);
    c.LineTo(plotRect_.right, y);
    c.TextOut(column, y - h, TickText(v));
  }
  const int x = axisType_ == TAxisType::xtQuad2 ? width() - 2 - c.TextHeight("X") : 1;
  const int y = (c.TextWidth(scaleYLabel_) + height()) / 2 + 2;
  TextOutAngle(c, scaleYLabel_, x, 90, y);
}

void TGraphPanel::DrawAxes() {
  platform::Canvas& c = *canvas_;
  c.pen.color = axesColor_;
  const platform::Rect& p = plotRect_;
  switch (axisType_) {
    case TAxisType::xtCent0: {
      const int mx = p.left + p.Width() / 2, my = p.top + p.Height() / 2;
      c.MoveTo(mx, p.top);
      c.LineTo(mx, p.bottom);
      c.MoveTo(p.left, my);
      c.LineTo(p.right, my);
      break;
    }
    case TAxisType::xtQuad1:
      c.MoveTo(p.left, p.top);
      c.LineTo(p.left, p.bottom);
      c.LineTo(p.right, p.bottom);
      break;
    case TAxisType::xtQuad2:
      c.MoveTo(p.right, p.top);
      c.LineTo(p.right, p.bottom);
      c.MoveTo(p.left, p.bottom);
      c.LineTo(p.right, p.bottom);
      break;
    case TAxisType::xtNone:
      break;
  }
}

void TGraphPanel::DrawCaption() {
  platform::Canvas& c = *canvas_;
  c.pen.color = axesColor_;
  c.brush.color = color_;
  c.font = CanvasFont();
  c.TextOut((width() - c.TextWidth(caption_)) / 2, 5, caption_);
}

void TGraphPanel::PlotPoint(Colour colour, double x, double y) {
  if (x < xMin_ || x > xMax_ || y < yMin_ || y > yMax_) return;
  if (!canvas_) return;  // only a paint has a surface to draw on
  platform::Canvas& c = *canvas_;
  const platform::Point p{plotRect_.left + static_cast<int>(std::fabs(x - xMin_) * xScale_),
                          plotRect_.bottom - static_cast<int>(std::fabs(y - yMin_) * yScale_)};
  c.pen.color = colour;
  switch (plotMode_) {
    case TPlotMode::pmDotMode:
      c.SetPixel(p.x, p.y, colour);
      break;
    case TPlotMode::pmLineMode:
      if (NewCurve) {
        c.SetPixel(p.x, p.y, colour);
        NewCurve = false;
        penDown_ = true;
      } else if (penDown_) {
        c.MoveTo(previous_.x, previous_.y);
        c.LineTo(p.x, p.y);
      } else {
        c.SetPixel(p.x, p.y, colour);
        penDown_ = true;
      }
      previous_ = p;
      break;
    case TPlotMode::pmBarMode:
      c.MoveTo(p.x, p.y);
      c.LineTo(p.x, plotRect_.bottom);
      break;
  }
}

// -------------------------------------------------------------------- TbwVLine

TbwVLine::TbwVLine(QWidget* parent) : Control(parent) {
  // A graphic control: it paints only its line, the parent shows elsewhere.
  setAttribute(Qt::WA_OpaquePaintEvent, false);
  setFocusPolicy(Qt::NoFocus);
  resize(5, 50);
}

void TbwVLine::SetColor(Colour c) {
  color_ = c;
  Repaint();
}

void TbwVLine::Paint(platform::Canvas& canvas, const platform::Rect&) {
  canvas.pen.color = color_;
  canvas.MoveTo(width() - 1, 1);
  canvas.LineTo(width() - 1, height() - 1);
}

}  // namespace core
