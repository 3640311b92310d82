// Printing: the document is laid out again at the width of the printed
// page (in screen pixels, the page scaled by the printer's resolution and
// PrintScale), then cut into pages. Each page is drawn once without output
// so that the sections can end it early (a page-break marker ends it at its
// y), and a text line the page end would cut goes whole to the next page;
// then the page is drawn on the printer clipped to where it ends. Afterwards the
// document is laid out for the screen again and keeps its place.
#include <algorithm>
#include <cmath>

#include "htmlview/view/htmlview.h"
#include "htmlview/view/printer.h"
#include "platform/guard.h"

namespace htmlview {

namespace {

constexpr double kScreenPpi = 96.0;

struct PageGeometry {
  int Width = 0, Height = 0;   // the printable area in screen pixels
  int Left = 0, Top = 0;       // its corner in device pixels
  double Scale = 1.0;          // device pixels per screen pixel
};

PageGeometry Geometry(TvwPrinter& printer, double left, double right, double top, double bottom, double printScale) {
  PageGeometry g;
  const platform::Size page = printer.PageSize();
  const int ppi = std::max(1, printer.PixelsPerInch());
  const auto cm = [ppi](double c) { return static_cast<int>(std::lround(c * ppi / 2.54)); };
  g.Left = cm(left);
  g.Top = cm(top);
  const int w = std::max(1, page.cx - cm(left) - cm(right));
  const int h = std::max(1, page.cy - cm(top) - cm(bottom));
  g.Scale = ppi / kScreenPpi * printScale;
  g.Width = std::max(1, static_cast<int>(w / g.Scale));
  g.Height = std::max(1, static_cast<int>(h / g.Scale));
  return g;
}

}  // namespace

int THtmlView::AboveCutLines(int top, int bottom, int width) {
  // A text line that the page end would cut in two goes to the next page:
  // the page ends at the top of the highest such line found across the
  // page's width (lines in table cells side by side included).
  int end = bottom;
  for (int x = 0; x < width; x += 8) {
    int xr = 0, yr = 0, caretHt = 0;
    bool inText = false;
    const int pos = sectionList_->FindCursor(MeasureCanvas(), x, bottom - 1, xr, yr, caretHt, inText);
    if (pos < 0 || caretHt <= 0) continue;
    if (yr > top && yr < end && yr + caretHt > bottom) end = yr;
  }
  return end;
}

int THtmlView::NumPrinterPages() {
  // Counting is printing without output.
  try {
    return Print(1, 0, "");
  } catch (const platform::Exception&) {
    return 0;
  }
}

int THtmlView::Print(int fromPage, int toPage, const std::string& title) {
  if (busy_ || sectionList_->Count() == 0) return 0;
  TvwPrinter& printer = Printer();
  const bool output = toPage >= fromPage && toPage >= 1;
  const PageGeometry g =
      Geometry(printer, PrintMarginLeft, PrintMarginRight, PrintMarginTop, PrintMarginBottom, printScale_);

  SetBusy(true);
  const int64_t position = Position();
  TSectionList& doc = *sectionList_;
  const int oldHScroll = hScroll_->Position();
  layingOut_ = true;   // the screen does not paint the print layout
  doc.Printing = true;
  doc.PrintMonochrome = (options_ & htPrintMonochromeBlack) && printer.Monochrome();
  struct Restore {
    THtmlView* v;
    int64_t position;
    int hScroll;
    ~Restore() {
      platform::guarded([&] {
        v->sectionList_->Printing = false;
        v->sectionList_->PrintMonochrome = false;
        v->layingOut_ = false;
        v->DoLayout();
        v->hScroll_->SetPosition(hScroll);
        v->SetPosition(position);
        v->paintPanel_->Invalidate();
        v->SetBusy(false);
      });
    }
  } restore{this, position, oldHScroll};

  int maxWidth = 0, curs = 0;
  const int height = doc.Layout(MeasureCanvas(), 0, g.Width, g.Height, 0, maxWidth, curs);
  const platform::Rect pageRect{0, 0, g.Width, g.Height};

  bool begun = false;
  int printed = 0;
  int page = 1;
  for (int top = 0; top < height; ++page) {
    // The dry run finds where the page ends.
    doc.SetYOffset(top);
    doc.Draw(MeasureCanvas(), pageRect, g.Width, 0, 0, 0, 0);
    int bottom = doc.PageBottom;
    if (bottom <= top) bottom = top + g.Height;
    bottom = AboveCutLines(top, bottom, g.Width);
    if (output && page >= fromPage && page <= toPage) {
      if (!begun) {
        printer.BeginDoc(title);
        begun = true;
      } else {
        printer.NewPage();
      }
      platform::Canvas& canvas = printer.Canvas().Get();
      QPainter* painter = canvas.Painter();
      painter->save();
      painter->setViewport(g.Left, g.Top, static_cast<int>(g.Width * g.Scale), static_cast<int>(g.Height * g.Scale));
      painter->setWindow(0, 0, g.Width, g.Height);
      const int level = canvas.Save();
      canvas.IntersectClipRect({0, 0, g.Width, bottom - top});
      doc.SetYOffset(top);
      doc.Draw(canvas, {0, 0, g.Width, bottom - top}, g.Width, 0, 0, 0, 0);
      canvas.Restore(level);
      painter->restore();
      ++printed;
    }
    top = bottom;
    if (output && page >= toPage) break;
  }
  if (begun) printer.EndDoc();
  return output ? printed : page - 1;
}

}  // namespace htmlview
