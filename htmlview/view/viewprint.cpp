// Printing: the document is laid out again at the width of the printed
// page (in screen pixels, the page scaled by the printer's resolution and
// PrintScale), then cut into pages. A document wider than that (a table of
// fixed column widths, a long word) is laid out at its own width and the
// page shrunk to fit it, as browsers do: nothing is cut off at the right.
// Each page is drawn once without output so that the sections can end it
// early (a page-break marker or a block's page-break property ends it at
// its y, a block that asks to be kept whole moves to the next page), and a
// text line the page end would cut goes whole to the next page; then the
// page is drawn on the printer clipped to where it ends, and its header and
// footer events draw into the top and bottom margins. The windows of form
// controls and panels belong to the screen: no page moves, shows or hides
// them. Afterwards the document is laid out for the screen again and keeps
// its place.
#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>

#include <QPainter>

#include "htmlview/view/htmlview.h"
#include "htmlview/view/printer.h"
#include "platform/guard.h"
#include "platform/scopeguard.h"

namespace htmlview {

namespace {

constexpr double kScreenPpi = 96.0;
// The widest layout a page is shrunk to fit: the width the screen scrolls
// to. Beyond it a document would print too small to read anyway.
constexpr int kMaxPrintWidth = 6000;
// Layouts at a wider width may widen again (widths in percent beside fixed
// ones); a few passes settle every real page.
constexpr int kShrinkPasses = 3;

struct PageGeometry {
  platform::Rect Area;    // the printable area in device pixels
  int PaperHeight = 0;    // device pixels
  double Scale = 1.0;     // device pixels per screen pixel at PrintScale
};

PageGeometry Geometry(TvwPrinter& printer, double left, double right, double top, double bottom, double printScale) {
  PageGeometry g;
  const platform::Size page = printer.PageSize();
  const int ppi = std::max(1, printer.PixelsPerInch());
  const auto cm = [ppi](double c) { return static_cast<int>(std::lround(std::max(0.0, c) * ppi / 2.54)); };
  const int x = std::min(cm(left), page.cx - 1), y = std::min(cm(top), page.cy - 1);
  g.Area = {x, y, std::max(x + 1, page.cx - cm(right)), std::max(y + 1, page.cy - cm(bottom))};
  g.PaperHeight = page.cy;
  g.Scale = ppi / kScreenPpi * printScale;
  return g;
}

int ToScreen(int devicePixels, double scale) { return std::max(1, static_cast<int>(devicePixels / scale)); }

// The context of one draw of a printed page, its dry run included: the
// viewer's options and the printer decide the colours and backgrounds.
TDrawContext PrintContext(THtmlViewOptions options, bool monochrome) {
  TDrawContext context;
  context.Printing = true;
  context.PrintMonochrome = monochrome;
  context.PrintTableBackground = (options & (htPrintTableBackground | htPrintBackground)) != 0;
  return context;
}

// Runs draw with the canvas mapping window (screen pixels) onto device
// (device pixels) and clipped to clip (in window terms).
void DrawScaled(platform::Canvas& canvas, const platform::Rect& device, const platform::Rect& window,
                const platform::Rect& clip, const std::function<void()>& draw) {
  QPainter* painter = canvas.Painter();
  painter->save();
  painter->setViewport(device.left, device.top, device.Width(), device.Height());
  painter->setWindow(window.left, window.top, window.Width(), window.Height());
  const int level = canvas.Save();
  canvas.IntersectClipRect(clip);
  try {
    draw();
  } catch (...) {
    canvas.Restore(level);
    painter->restore();
    throw;
  }
  canvas.Restore(level);
  painter->restore();
}

}  // namespace

// One printed page as its margins' events see it.
struct THtmlView::PrintPage {
  int Number = 0;
  bool Last = false;
  platform::Rect Header, Footer;   // the top and bottom margins in device pixels
  double Scale = 1.0;              // device pixels per screen pixel there
  bool Monochrome = false;         // printed in black on a one-bit device
  THtmlView* HFViewer = nullptr;   // the HTML header and footer's viewer
};

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

void THtmlView::PrintMargins(platform::Canvas& canvas, const PrintPage& page, bool& stop) {
  auto plain = [&](const TPagePrinted& handler, const platform::Rect& area) {
    if (!handler || area.IsEmpty()) return;
    const int w = ToScreen(area.Width(), page.Scale), h = ToScreen(area.Height(), page.Scale);
    DrawScaled(canvas, area, {0, 0, w, h}, {0, 0, w, h},
               [&] { handler(this, canvas, page.Number, w, h, stop); });
  };
  if (OnPrintHTMLHeader) PrintHtmlMargin(OnPrintHTMLHeader, canvas, page, true, stop);
  plain(OnPrintHeader, page.Header);
  if (OnPrintHTMLFooter) PrintHtmlMargin(OnPrintHTMLFooter, canvas, page, false, stop);
  plain(OnPrintFooter, page.Footer);
}

void THtmlView::PrintHtmlMargin(const ThtmlPagePrinted& handler, platform::Canvas& canvas, const PrintPage& page,
                                bool header, bool& stop) {
  const platform::Rect& area = header ? page.Header : page.Footer;
  if (area.IsEmpty() || !page.HFViewer) return;
  const int w = ToScreen(area.Width(), page.Scale), h = ToScreen(area.Height(), page.Scale);
  THtmlView& hf = *page.HFViewer;
  // Each page's header starts empty: a handler that loads nothing prints
  // nothing rather than the previous page's.
  hf.ClearDocument();
  hf.SetBase(base_);
  int xl = 0, xr = w;
  handler(this, hf, page.Number, page.Last, xl, xr, stop);
  TSectionList& doc = *hf.sectionList_;
  xl = std::clamp(xl, 0, w);
  xr = std::clamp(xr, xl, w);
  if (doc.Count() == 0 || xr <= xl) return;
  const int width = xr - xl;
  int maxWidth = 0, curs = 0;
  doc.Layout(hf.MeasureCanvas(), 0, width, h, 0, maxWidth, curs);
  DrawScaled(canvas, area, {-xl, 0, w - xl, h}, {0, 0, width, h}, [&] {
    doc.SetPrintYOffset(0);
    TDrawContext context = PrintContext(hf.options_, page.Monochrome);
    doc.Draw(canvas, context, {0, 0, width, h}, width, 0, 0, 0, 0);
  });
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
  const bool monochrome = (options_ & htPrintMonochromeBlack) && printer.Monochrome();
  platform::ScopeGuard restore([this, position, oldHScroll] {
    layingOut_ = false;
    DoLayout();
    hScroll_->SetPosition(oldHScroll);
    SetPosition(position);
    paintPanel_->Invalidate();
    SetBusy(false);
  });

  // The page's width in screen pixels, widened to the document's own width
  // when that is more; the page then shows the layout shrunk.
  const int pageWidth = ToScreen(g.Area.Width(), g.Scale);
  int width = pageWidth;
  int pageHeight = ToScreen(g.Area.Height(), g.Scale);
  int maxWidth = 0, curs = 0;
  int height = doc.Layout(MeasureCanvas(), 0, width, pageHeight, 0, maxWidth, curs);
  for (int pass = 0; pass < kShrinkPasses && maxWidth > width && width < kMaxPrintWidth; ++pass) {
    width = std::min(maxWidth, kMaxPrintWidth);
    pageHeight = std::max(1, static_cast<int>(static_cast<int64_t>(g.Area.Height()) * width / g.Area.Width()));
    maxWidth = 0;
    curs = 0;
    height = doc.Layout(MeasureCanvas(), 0, width, pageHeight, 0, maxWidth, curs);
  }
  printShrink_ = static_cast<double>(pageWidth) / width;
  const platform::Rect pageRect{0, 0, width, pageHeight};

  std::unique_ptr<THtmlView> hfViewer;
  if (output && (OnPrintHTMLHeader || OnPrintHTMLFooter)) {
    hfViewer = std::make_unique<THtmlView>();
    hfViewer->DefFontName = DefFontName;
    hfViewer->SetDefPreFontName(defPreFontName_);
    hfViewer->DefFontSize = DefFontSize;
    hfViewer->DefFontColor = DefFontColor;
    hfViewer->CharSet = CharSet;
    hfViewer->MarginWidth = MarginWidth;
    hfViewer->MarginHeight = MarginHeight;
    hfViewer->SethtOptions(options_);
  }

  bool begun = false;
  int printed = 0;
  int page = 1;
  try {
    for (int top = 0; top < height; ++page) {
      // The dry run finds where the page ends.
      doc.SetPrintYOffset(top);
      TDrawContext dryRun = PrintContext(options_, monochrome);
      dryRun.Measuring = true;
      doc.Draw(MeasureCanvas(), dryRun, pageRect, width, 0, 0, 0, 0);
      int bottom = dryRun.PageBottom;
      if (bottom <= top) bottom = platform::SaturatedAdd(top, pageHeight);
      bottom = AboveCutLines(top, bottom, width);
      // A page that would end where it starts would be printed for ever.
      if (bottom <= top) break;
      bool stop = false;
      if (output && page >= fromPage && page <= toPage) {
        if (!begun) {
          printer.BeginDoc(title);
          begun = true;
        } else {
          printer.NewPage();
        }
        platform::Canvas& canvas = printer.Canvas().Get();
        DrawScaled(canvas, g.Area, pageRect, {0, 0, width, bottom - top}, [&] {
          doc.SetPrintYOffset(top);
          TDrawContext context = PrintContext(options_, monochrome);
          doc.Draw(canvas, context, {0, 0, width, bottom - top}, width, 0, 0, 0, 0);
        });
        PrintPage margins;
        margins.Number = page;
        margins.Last = bottom >= height;
        margins.Header = {g.Area.left, 0, g.Area.right, g.Area.top};
        margins.Footer = {g.Area.left, g.Area.bottom, g.Area.right, g.PaperHeight};
        margins.Scale = g.Scale;
        margins.Monochrome = monochrome;
        margins.HFViewer = hfViewer.get();
        PrintMargins(canvas, margins, stop);
        ++printed;
      }
      top = bottom;
      if (stop || (output && page >= toPage)) break;
    }
    if (begun) printer.EndDoc();
  } catch (...) {
    // A job that failed half-way is dropped, not left running.
    if (printer.Printing()) platform::guarded([&] { printer.Abort(); });
    throw;
  }
  return output ? printed : page - 1;
}

}  // namespace htmlview
