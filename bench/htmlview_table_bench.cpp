// The viewer control against QTextDocument on the same page: load (parse),
// layout and paint of the first screen of a page that holds one table of
// 500, 5,000 or 50,000 rows. Both paint an 800 x 600 window. After the
// benchmarks the program prints the viewer's time over QTextDocument's at
// 5,000 rows (goal: below 1) and the viewer's cost per row at each size
// (goal: about the same at every size, linear growth).
//
// Also the paint of a whole 800 x 600 window over a page background tiled
// from a 1-pixel and from a 100-pixel picture (goal: the 1-pixel tile about
// as fast as the 100-pixel one).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QImage>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/textdocument_peer.h"
#include "htmlview/view/htmlview.h"
#include "htmlview/viewermodule.h"
#include "platform/sysutils.h"
#include "platform/streams.h"

namespace {

constexpr int kWidth = 800;
constexpr int kHeight = 600;

std::vector<std::string> TablePage(int rows) {
  std::vector<std::string> lines = {
      "<html><head><style>",
      "td {border:1px solid #afbcda}",
      "</style></head><body>",
      "<h2>Ratings</h2>",
      "<table>",
      "<tr><th>te</th><th>tc</th><th>Qe</th><th>Pw</th></tr>"};
  lines.reserve(rows + 10);
  for (int i = 0; i < rows; ++i) {
    lines.push_back(platform::Format("<tr><td>%d.0</td><td>%d.5</td><td>%0.3f</td><td>%0.3f</td></tr>",
                                     {-40 + i % 60, 20 + i % 35, 1.5 + i * 0.001, 0.7 + i * 0.0005}));
  }
  lines.push_back("</table></body></html>");
  return lines;
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& l : lines) text += l + "\n";
  return text;
}

// One load, layout and paint of the first screen in the viewer.
void ViewerOnce(htmlview::THtmlView& view, const std::vector<std::string>& page) {
  view.ClearDocument();
  view.LoadFromStrings(page);
  htmlview::TPaintPanel& panel = view.PaintPanel();
  const QImage image = panel.PaintToImage({0, 0, panel.width(), panel.height()});
  benchmark::DoNotOptimize(image.constBits());
}

void TextDocumentOnce(const QString& html) {
  benchmark::DoNotOptimize(bench::TextDocumentFirstScreen(html, kWidth, kHeight));
}

void BM_Viewer(benchmark::State& state) {
  const std::vector<std::string> page = TablePage(static_cast<int>(state.range(0)));
  htmlview::THtmlView view;
  view.resize(kWidth, kHeight);
  for (auto _ : state) ViewerOnce(view, page);
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_Viewer)->Arg(500)->Arg(5000)->Arg(50000)->Unit(benchmark::kMillisecond);

void BM_QTextDocument(benchmark::State& state) {
  const QString html = QString::fromStdString(Joined(TablePage(static_cast<int>(state.range(0)))));
  for (auto _ : state) TextDocumentOnce(html);
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_QTextDocument)->Arg(500)->Arg(5000)->Unit(benchmark::kMillisecond);

// A viewer showing a page whose background is tiled from a size x size
// picture (a soft gradient, as page backgrounds are).
class BackgroundPage {
 public:
  explicit BackgroundPage(int size) {
    QImage picture(size, size, QImage::Format_ARGB32);
    for (int y = 0; y < size; ++y)
      for (int x = 0; x < size; ++x) picture.setPixel(x, y, qRgb(230 + x % 20, 235 + y % 15, 250));
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "PNG");
    stream_.WriteBuffer(png.constData(), png.size());
    view_.resize(kWidth, kHeight);
    view_.SetOnImageRequest([this](QObject*, const std::string&, platform::TStream*& s) {
      stream_.Seek(0, platform::TSeekOrigin::soBeginning);
      s = &stream_;
    });
    view_.LoadFromStrings(std::vector<std::string>{"<body background=\"bg.png\">", "<h2>Ratings</h2>", "<p>Capacity and power.</p>",
                           "</body>"});
  }
  // One paint of the whole window.
  void Paint() {
    htmlview::TPaintPanel& panel = view_.PaintPanel();
    const QImage image = panel.PaintToImage({0, 0, panel.width(), panel.height()});
    benchmark::DoNotOptimize(image.constBits());
  }

 private:
  platform::TMemoryStream stream_;
  htmlview::THtmlView view_;
};

void BM_BackgroundPaint(benchmark::State& state) {
  BackgroundPage page(static_cast<int>(state.range(0)));
  for (auto _ : state) page.Paint();
}
BENCHMARK(BM_BackgroundPaint)->Arg(1)->Arg(100)->Unit(benchmark::kMillisecond);

// The best of a few runs, in milliseconds.
template <class F>
double BestOf(int runs, F f) {
  double best = 1e300;
  for (int i = 0; i < runs; ++i) {
    QElapsedTimer t;
    t.start();
    f();
    best = std::min(best, t.nsecsElapsed() / 1e6);
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
  QApplication app(argc, argv);
  htmlview::InitViewerModule();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();

  htmlview::THtmlView view;
  view.resize(kWidth, kHeight);
  const std::vector<std::string> page = TablePage(5000);
  const QString html = QString::fromStdString(Joined(page));
  const double viewer = BestOf(3, [&] { ViewerOnce(view, page); });
  const double qt = BestOf(3, [&] { TextDocumentOnce(html); });
  std::printf("5,000 rows: viewer %.1f ms, QTextDocument %.1f ms, ratio viewer/QTextDocument %.2f\n", viewer, qt,
              viewer / qt);
  for (int rows : {500, 5000, 50000}) {
    const std::vector<std::string> p = TablePage(rows);
    const double ms = BestOf(rows >= 50000 ? 1 : 3, [&] { ViewerOnce(view, p); });
    std::printf("viewer %6d rows: %8.1f ms, %.2f us per row\n", rows, ms, ms * 1000.0 / rows);
  }
  {
    BackgroundPage one(1), hundred(100);
    const double tiny = BestOf(5, [&] { one.Paint(); });
    const double large = BestOf(5, [&] { hundred.Paint(); });
    std::printf("800 x 600 paint over a background tile of 1 pixel: %.2f ms, of 100 pixels: %.2f ms, ratio %.2f\n",
                tiny, large, tiny / large);
  }
  benchmark::Shutdown();
  htmlview::DoneViewerModule();
  return 0;
}
