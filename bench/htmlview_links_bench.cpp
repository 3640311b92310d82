// The viewer control against QTextDocument on large pages: load (parse),
// layout and paint of the first screen at 800 x 600 of
//  - a generated source listing (one PRE) with 1,000, 10,000 and 100,000
//    links, one per line, like a cross-referenced listing;
//  - a long page of paragraphs, lists, tables and PRE listings of 1, 4 and
//    16 MB;
// then, on the 100,000-link page and each mixed page, the time of a scroll
// step (a line down and the paint of the whole window) in the middle and at
// the end of the page, which should not grow with the page; and on the
// largest of each, a scroll to the middle with its paint and a select-all
// with the length of the selection. It prints the ratio to
// QTextDocument and the cost per link and per MB at each size (goal: flat
// cost, ratio at most 1 on the 100,000-link page). Two more lines: the load
// of 5,000 links with and without HREF (the too-many-links rule), and the
// reader's token rate on plain text beside a markup page.
//
// DRAVLEN_BENCH_MAX_LINKS and DRAVLEN_BENCH_MAX_MB cap the sizes (a slow
// build need not run for hours).
#include <QApplication>
#include <QElapsedTimer>
#include <QImage>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "bench/textdocument_peer.h"
#include "htmlview/parse/htmlreader.h"
#include "htmlview/view/htmlview.h"
#include "htmlview/viewermodule.h"
#include "platform/sysutils.h"

namespace {

constexpr int kWidth = 800;
constexpr int kHeight = 600;

const char* const kWords[] = {"value", "count", "index", "buffer", "result", "offset", "length",
                              "table",  "node",  "first", "last",   "next",   "item",   "state"};

// A source listing: one PRE, one line per link (the line number links to
// its own anchor), about 115 bytes a line.
std::string ListingPage(int links) {
  std::string s = "<html><head><title>listing.cpp</title></head><body>\n<h2>listing.cpp</h2>\n<pre>\n";
  s.reserve(static_cast<size_t>(links) * 120 + 200);
  char line[256];
  for (int i = 1; i <= links; ++i) {
    const char* a = kWords[i % 14];
    const char* b = kWords[(i * 7) % 14];
    std::snprintf(line, sizeof line,
                  "<a name=\"L%d\" href=\"#L%d\">%6d</a>    %s_%d = compute(%s, %d) + %s[%d]; // %s of %s\n", i,
                  i, i, a, i % 97, b, i % 13, a, i % 31, b, a);
    s += line;
  }
  s += "</pre>\n</body></html>\n";
  return s;
}

// The same number of anchors without HREF: the page the too-many-links
// rule does not touch.
std::string AnchorPage(int anchors, bool href) {
  std::string s = "<html><body><p>\n";
  char line[160];
  for (int i = 0; i < anchors; ++i) {
    if (href) std::snprintf(line, sizeof line, "<a href=\"page%d.htm\">entry %d</a> text after it\n", i, i);
    else std::snprintf(line, sizeof line, "<a name=\"n%d\">entry %d</a> text after it\n", i, i);
    s += line;
  }
  s += "</p></body></html>\n";
  return s;
}

// Paragraphs, a list, a small table and a PRE listing, repeated to size.
std::string MixedPage(size_t bytes) {
  std::string s = "<html><head><title>Report</title></head><body>\n";
  s.reserve(bytes + 4096);
  char buf[512];
  int n = 0;
  while (s.size() < bytes) {
    ++n;
    std::snprintf(buf, sizeof buf, "<h3>Section %d</h3>\n<p>", n);
    s += buf;
    for (int w = 0; w < 60; ++w) {
      s += kWords[(n + w) % 14];
      s += (w % 11 == 10) ? ". " : " ";
    }
    s += "<b>bold part</b> and <i>an italic part</i> end the paragraph.</p>\n<ul>\n";
    for (int i = 0; i < 4; ++i) {
      std::snprintf(buf, sizeof buf, "<li>%s item %d with %s</li>\n", kWords[i], n, kWords[(n + i) % 14]);
      s += buf;
    }
    s += "</ul>\n<table border=1><tr><th>te</th><th>tc</th><th>Qe</th></tr>\n";
    for (int r = 0; r < 3; ++r) {
      s += platform::Format("<tr><td>%d.0</td><td>%d.5</td><td>%0.3f</td></tr>\n", {-40 + r, 20 + r, 1.5 + n * 0.001});
    }
    s += "</table>\n<pre>\n";
    for (int r = 0; r < 5; ++r) {
      std::snprintf(buf, sizeof buf, "  %s = %s(%d, %s);   // step %d\n", kWords[r], kWords[(r + n) % 14], r,
                    kWords[(r + 3) % 14], n);
      s += buf;
    }
    s += "</pre>\n";
  }
  s += "</body></html>\n";
  return s;
}

// Text without markup: words and line ends.
std::string PlainText(size_t bytes) {
  std::string s;
  s.reserve(bytes + 64);
  int w = 0;
  while (s.size() < bytes) {
    s += kWords[w % 14];
    s += (++w % 12 == 0) ? "\n" : " ";
  }
  return s;
}

double Ms(const std::function<void()>& f) {
  QElapsedTimer t;
  t.start();
  f();
  return t.nsecsElapsed() / 1e6;
}

double BestOf(int runs, const std::function<void()>& f) {
  double best = 1e300;
  for (int i = 0; i < runs; ++i) best = std::min(best, Ms(f));
  return best;
}

void PaintFirstScreen(htmlview::THtmlView& view) {
  htmlview::TPaintPanel& panel = view.PaintPanel();
  const QImage image = panel.PaintToImage({0, 0, panel.width(), panel.height()});
  if (image.isNull()) std::puts("(no image)");
}

void ViewerOnce(htmlview::THtmlView& view, const std::string& page) {
  view.ClearDocument();
  view.LoadHtmlText(page);
  PaintFirstScreen(view);
}

void TextDocumentOnce(const QString& html) {
  if (bench::TextDocumentFirstScreen(html, kWidth, kHeight) < 0) std::puts("(empty)");
}

// Scroll to the middle and paint; select everything and count it.
void ScrollAndSelect(htmlview::THtmlView& view, const char* what) {
  const double scroll = Ms([&] {
    view.ScrollTo(view.DocumentHeight() / 2);
    PaintFirstScreen(view);
  });
  int length = 0;
  const double select = Ms([&] {
    view.SelectAll();
    length = view.SelLength();
  });
  std::printf("  %-34s scroll to middle + paint %8.1f ms   select all %8.1f ms (%d characters)\n", what, scroll,
              select, length);
}

// A scroll step: one line down and a paint of the window, as the viewer
// does when the wheel turns; the median of 21 steps from where the page is
// scrolled to (a fraction of the document's height, 1: its end).
double ScrollStep(htmlview::THtmlView& view, double fraction) {
  const int from = static_cast<int>(std::max(0.0, (view.DocumentHeight() - kHeight) * fraction - 21 * 20));
  view.ScrollTo(from);
  PaintFirstScreen(view);
  std::vector<double> steps;
  for (int i = 1; i <= 21; ++i)
    steps.push_back(Ms([&] {
      view.ScrollTo(from + 20 * i);
      PaintFirstScreen(view);
    }));
  std::nth_element(steps.begin(), steps.begin() + 10, steps.end());
  return steps[10];
}

void ScrollSteps(htmlview::THtmlView& view, const char* what) {
  const double middle = ScrollStep(view, 0.5);
  const double end = ScrollStep(view, 1.0);
  std::printf("  %-34s scroll step + paint: middle %7.2f ms   end %7.2f ms\n", what, middle, end);
  std::fflush(stdout);
}

int EnvInt(const char* name, int fallback) {
  const char* v = std::getenv(name);
  return v && *v ? std::atoi(v) : fallback;
}

// Tokens of a text through the reader alone, in MB/s.
double TokenRate(const std::string& text) {
  const double ms = BestOf(3, [&] {
    htmlview::BeginReading(text);
    htmlview::GetCharSkip();
    htmlview::HtmlReaderState& r = htmlview::Reader();
    size_t units = 0;
    do {
      htmlview::NextToken();
      units += static_cast<size_t>(r.Token->Leng());
    } while (r.Sy != htmlview::HtmlSymbol::EndOfText);
    if (units == 0) std::puts("(no text)");
  });
  return text.size() / 1e6 / (ms / 1000);
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
  QApplication app(argc, argv);
  htmlview::InitViewerModule();
  const int maxLinks = EnvInt("DRAVLEN_BENCH_MAX_LINKS", 100000);
  const int maxMB = EnvInt("DRAVLEN_BENCH_MAX_MB", 16);

  htmlview::THtmlView view;
  view.resize(kWidth, kHeight);

  // A profiler's run: one page, loaded once and painted at many places
  // (DRAVLEN_BENCH_PROFILE=listing or mixed), or loaded a few times (=load).
  if (const char* profile = std::getenv("DRAVLEN_BENCH_PROFILE")) {
    const std::string what = profile;
    const std::string page = what == "mixed" ? MixedPage(size_t(maxMB) << 20) : ListingPage(maxLinks);
    if (what == "load") {
      for (int i = 0; i < 3; ++i) ViewerOnce(view, page);
    } else {
      ViewerOnce(view, page);
      const double ms = Ms([&] {
        for (int i = 1; i <= 500; ++i) {
          view.ScrollTo(static_cast<int>(static_cast<long long>(view.DocumentHeight()) * i / 501));
          PaintFirstScreen(view);
        }
      });
      std::printf("500 scrolls with paint: %.1f ms each\n", ms / 500);
    }
    htmlview::DoneViewerModule();
    return 0;
  }

  std::puts("Load + layout + first paint at 800 x 600, viewer beside QTextDocument (best of runs)");
  for (int links : {1000, 10000, 100000}) {
    if (links > maxLinks) continue;
    const std::string page = ListingPage(links);
    const QString html = QString::fromStdString(page);
    const int runs = links >= 100000 ? 1 : 3;
    const double ours = BestOf(runs, [&] { ViewerOnce(view, page); });
    const double qt = BestOf(runs, [&] { TextDocumentOnce(html); });
    std::printf("listing %6d links %5.1f MB: viewer %9.1f ms  QTextDocument %8.1f ms  ratio %5.2f  %6.2f us/link\n",
                links, page.size() / 1e6, ours, qt, ours / qt, ours * 1000 / links);
    std::fflush(stdout);
    if (links == 100000) ScrollSteps(view, "(listing)");
    if (links == std::min(maxLinks, 100000)) ScrollAndSelect(view, "(listing)");
  }
  for (int mb : {1, 4, 16}) {
    if (mb > maxMB) continue;
    const std::string page = MixedPage(static_cast<size_t>(mb) << 20);
    const QString html = QString::fromStdString(page);
    const int runs = mb >= 16 ? 1 : 2;
    const double ours = BestOf(runs, [&] { ViewerOnce(view, page); });
    const double qt = BestOf(runs, [&] { TextDocumentOnce(html); });
    std::printf("mixed page %2d MB:                 viewer %9.1f ms  QTextDocument %8.1f ms  ratio %5.2f  %6.1f ms/MB\n",
                mb, ours, qt, ours / qt, ours / (page.size() / 1048576.0));
    std::fflush(stdout);
    ScrollSteps(view, "(mixed page)");
    if (mb == std::min(maxMB, 16)) ScrollAndSelect(view, "(mixed page)");
  }
  {
    const std::string with = AnchorPage(5000, true), without = AnchorPage(5000, false);
    const double a = BestOf(3, [&] { ViewerOnce(view, with); });
    const double b = BestOf(3, [&] { ViewerOnce(view, without); });
    std::printf("5,000 anchors: with HREF %.1f ms, without HREF %.1f ms, ratio %.2f\n", a, b, a / b);
  }
  view.ClearDocument();
  {
    const std::string plain = PlainText(size_t(8) << 20);
    const std::string markup = MixedPage(size_t(8) << 20);
    std::printf("reader tokens: plain text %.1f MB/s, markup page %.1f MB/s\n", TokenRate(plain),
                TokenRate(markup));
  }
  htmlview::DoneViewerModule();
  return 0;
}
