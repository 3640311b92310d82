// Inputs that once cost far more than their size: a long run of plain text
// (the reader's buffers grew by a fixed step), deep nesting (every element
// copied the whole property stack), small BMPs (run-length or with the old
// core header) that claim a huge picture, pages of a great many small
// elements (kilobytes each) and pages whose spans, nesting or text made
// layout quadratic. Each family reports its fitted complexity: the text, the
// nesting and the pages must come out O(N), the crafted BMPs must cost next
// to nothing. The pages also report their peak memory per element (or per
// MB), measured in a child process so that each case starts afresh.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "bench/fixedmetric_main.h"
#include "htmlview/document/docparser.h"
#include "htmlview/layout/docroot.h"
#include "htmlview/parse/htmlreader.h"
#include "htmlview/parse/vocabulary.h"
#include "htmlview/style/styleprops.h"
#include "htmlview/style/stylesheet.h"
#include "htmlview/view/htmlview.h"
#include "htmlview/viewermodule.h"
#include "platform/canvas.h"
#include "platform/fonts.h"
#include "platform/image.h"
#include "platform/imagefile.h"
#include "testsupport/boundedchild.h"

namespace {

using namespace htmlview;

// ------------------------------------------------------------ plain text

void BM_ReaderPlainText(benchmark::State& state) {
  const size_t bytes = static_cast<size_t>(state.range(0)) << 20;
  std::string text = "<p>";
  text.reserve(bytes + 8);
  for (size_t i = 0; text.size() < bytes; ++i) text += static_cast<char>('a' + i % 26);
  text += "</p>";
  InitVocabulary();
  InitHtmlReader();
  PropStack().Clear();
  for (auto _ : state) {
    BeginReading(text);
    GetCharSkip();
    size_t units = 0;
    for (NextToken(); Reader().Sy != HtmlSymbol::EndOfText; NextToken())
      if (Reader().Sy == HtmlSymbol::TextToken) units += Reader().Token->Leng();
    benchmark::DoNotOptimize(units);
  }
  DoneHtmlReader();
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_ReaderPlainText)->Arg(1)->Arg(4)->Arg(16)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);

// ------------------------------------------------------------ deep nesting

void BM_CascadeDeepNesting(benchmark::State& state) {
  const int depth = static_cast<int>(state.range(0));
  InitVocabulary();
  InitStyleProps();
  bool linksActive = false;
  TStyleList styles(&linksActive);
  styles.InitDefaultStyles("Verdana", "Courier New", 12, 0, 0xFF0000, 0x800080, 0xFF00FF, true, 1, 5, 6);
  // A descendant rule, so that matching has ancestors to look at.
  styles.AddProperty("p 1" + styles.GetSeqNo() + "div ", "color", "red");
  for (auto _ : state) {
    PropStack().Clear();
    auto root = std::make_unique<TProperties>();
    root->CopyDefault(*styles.DefProp());
    PropStack().Add(std::move(root));
    for (int i = 0; i < depth; ++i) PropStack().PushNewProps(styles, i % 2 ? "span" : "div");
    benchmark::DoNotOptimize(PropStack().PushNewProps(styles, "p"));
    state.PauseTiming();
    PropStack().Clear();
    state.ResumeTiming();
  }
  DoneStyleProps();
  state.SetComplexityN(depth);
}
BENCHMARK(BM_CascadeDeepNesting)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);

// ------------------------------------------------------------ run-length BMP

void Le32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// An 8-bit run-length BMP with a grey palette of 16 and the given pixel data.
std::vector<uint8_t> Rle8Bmp(int width, int height, const std::vector<uint8_t>& data) {
  const size_t offset = 14 + 40 + 4 * 16;
  std::vector<uint8_t> b(offset, 0);
  b[0] = 'B';
  b[1] = 'M';
  Le32(b, 10, static_cast<uint32_t>(offset));
  Le32(b, 14, 40);
  Le32(b, 18, static_cast<uint32_t>(width));
  Le32(b, 22, static_cast<uint32_t>(height));
  b[26] = 1;
  b[28] = 8;
  Le32(b, 30, 1);
  Le32(b, 34, static_cast<uint32_t>(data.size()));
  Le32(b, 46, 16);
  for (int i = 0; i < 16; ++i) b[54 + 4 * i] = b[55 + 4 * i] = b[56 + 4 * i] = static_cast<uint8_t>(17 * i);
  b.insert(b.end(), data.begin(), data.end());
  Le32(b, 2, static_cast<uint32_t>(b.size()));
  return b;
}

// About 1 KB claiming 16384 x 16384 pixels (deltas skip what it leaves
// unpainted): took 9 s and 2 GiB, now refused at once.
void BM_RunLengthBmpClaimingHugeSize(benchmark::State& state) {
  std::vector<uint8_t> data;
  for (int i = 0; i < 240; ++i) data.insert(data.end(), {0, 2, 255, 255});
  data.insert(data.end(), {0, 1});
  const std::vector<uint8_t> file = Rle8Bmp(16384, 16384, data);
  for (auto _ : state) {
    const platform::Bitmap bitmap = platform::ReadBmpImage(file.data(), file.size());
    if (!bitmap.IsNull()) state.SkipWithError("the crafted picture was read");
  }
  state.counters["file_bytes"] = static_cast<double>(file.size());
}
BENCHMARK(BM_RunLengthBmpClaimingHugeSize)->Unit(benchmark::kMicrosecond);

// 27 bytes with the old core header claiming 26983 x 2150 pixels of 24 bits
// and holding none of them: the toolkit made up the missing rows, and the
// loader then masked and dithered them for most of a minute. Now refused at
// once.
void BM_CoreHeaderBmpClaimingHugeSize(benchmark::State& state) {
  const std::vector<uint8_t> file = {'B', 'M', '>', 2, 'B', 'M', '>', 0, 0, 0, 0, 0, 0, 0,
                                     12,  0,   0,   0, 'g', 'i', 'f', 8, 1, 0, 24, 0, '-'};
  for (auto _ : state) {
    const platform::Bitmap bitmap = platform::ReadBmpImage(file.data(), file.size());
    if (!bitmap.IsNull()) state.SkipWithError("the crafted picture was read");
  }
  state.counters["file_bytes"] = static_cast<double>(file.size());
}
BENCHMARK(BM_CoreHeaderBmpClaimingHugeSize)->Unit(benchmark::kMicrosecond);

// A picture its runs paint in full, for the cost of what is real: linear in
// the pixels.
void BM_RunLengthBmpPainted(benchmark::State& state) {
  const int side = static_cast<int>(state.range(0));
  std::vector<uint8_t> data;
  for (int y = 0; y < side; ++y) {
    for (int left = side; left > 0; left -= 255)
      data.insert(data.end(), {static_cast<uint8_t>(std::min(left, 255)), static_cast<uint8_t>(y % 16)});
    data.insert(data.end(), {0, 0});
  }
  data.insert(data.end(), {0, 1});
  const std::vector<uint8_t> file = Rle8Bmp(side, side, data);
  for (auto _ : state) {
    const platform::Bitmap bitmap = platform::ReadBmpImage(file.data(), file.size());
    if (bitmap.IsNull()) state.SkipWithError("the picture was refused");
    benchmark::DoNotOptimize(bitmap.Width());
  }
  state.SetComplexityN(static_cast<int64_t>(side) * side);
}
BENCHMARK(BM_RunLengthBmpPainted)->Arg(1024)->Arg(2048)->Arg(4096)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);

// ------------------------------------------------------------ whole pages

std::string Repeat(const std::string& piece, size_t n) {
  std::string s;
  s.reserve(piece.size() * n);
  for (size_t i = 0; i < n; ++i) s += piece;
  return s;
}

// Parses, lays out and paints a page as the viewer shows it in an 800 x 600
// window (at its top, and when asked scrolled to its bottom too); returns
// the page height.
int ShowPage(const std::string& html, bool paintBottom = false) {
  InitDocParser();
  int height = 0;
  {
    TSectionList list(nullptr, nullptr);
    list.SetDefaults("Times New Roman", "Courier New", 12, platform::clBlack, platform::clBlue,
                     platform::clPurple, platform::clRed, platform::clWhite, false, true, 1, 5,
                     10);
    ParseHtmlDocument(html, list, {});
    platform::Bitmap bitmap(800, 600);
    platform::Canvas canvas(&bitmap.Image());
    int maxWidth = 0, curs = 0;
    height = list.Layout(canvas, 0, 800, 600, 600, maxWidth, curs);
    const platform::Rect window{0, 0, 800, 600};
    TDrawContext context;
    list.Draw(canvas, context, window, 800, 0, 0, 0, 0);
    if (paintBottom) {
      list.SetYOffset(std::max(0, height - 600));
      list.Draw(canvas, context, window, 800, 0, 0, 0, 0);
    }
  }
  DoneDocParser();
  return height;
}

// A line of /proc/self/status in kB ("VmRSS", "VmHWM").
long StatusKb(const char* key) {
  FILE* f = fopen("/proc/self/status", "r");
  if (!f) return -1;
  char line[256];
  long kb = -1;
  const size_t n = strlen(key);
  while (fgets(line, sizeof line, f))
    if (strncmp(line, key, n) == 0 && line[n] == ':') kb = atol(line + n + 1);
  fclose(f);
  return kb;
}

// Runs body in a child process (the test support's bounded child), under
// a bound of limitMb on the memory it adds when that is above 0, so that
// each case starts afresh and a runaway stops at the bound; result is what
// the child's body wrote into it. False when the child failed.
template <typename Result>
bool InChild(long limitMb, const std::function<void(Result&)>& body, Result& result) {
  malloc_trim(0);
  int fds[2];
  if (pipe(fds) != 0) return false;
  testsupport::ChildBounds bounds;
  bounds.cpuSeconds = 3600;
  bounds.memoryBytes = limitMb > 0 ? static_cast<long long>(limitMb) << 20 : 1LL << 40;
  const testsupport::ChildEnd end = testsupport::RunBounded([&] {
    close(fds[0]);
    Result r{};
    body(r);
    return write(fds[1], &r, sizeof r) == sizeof r ? 0 : 1;
  }, bounds);
  close(fds[1]);
  // The result is smaller than a pipe's buffer: the child wrote it whole
  // before it ended.
  const bool got = read(fds[0], &result, sizeof result) == sizeof result;
  close(fds[0]);
  return end.Normal() && got;
}

// What work adds to this process's resident memory at its peak, in bytes.
double PeakBytesOf(const std::function<void()>& work) {
  if (FILE* f = fopen("/proc/self/clear_refs", "w")) {
    fputs("5", f);   // the high-water mark starts again from here
    fclose(f);
  }
  const long before = StatusKb("VmRSS");
  work();
  return (StatusKb("VmHWM") - before) * 1024.0;
}

// What showing the page adds to the resident memory at its peak, in bytes,
// measured in a child process: the child builds the page text, resets its
// high-water mark and shows the page. -1 when the child failed.
double PeakShowBytes(const std::function<std::string()>& page) {
  double bytes = -1;
  const bool shown = InChild<double>(0, [&](double& out) {
    const std::string html = page();
    out = PeakBytesOf([&] { ShowPage(html); });
  }, bytes);
  return shown ? bytes : -1;
}

struct PageCase {
  const char* unit;   // what N counts: "element" or "MB"
  std::function<std::string(size_t)> page;
};

void RunPage(benchmark::State& state, const PageCase& c) {
  const size_t n = static_cast<size_t>(state.range(0));
  // Measured first, while this process holds little.
  const double peak = PeakShowBytes([&] { return c.page(n); });
  if (peak < 0) state.SkipWithError("the child process failed");
  const std::string html = c.page(n);
  for (auto _ : state) benchmark::DoNotOptimize(ShowPage(html));
  state.counters[std::string("peak_MB")] = peak / (1 << 20);
  state.counters[std::string("bytes_per_") + c.unit] = peak / n;
  state.SetComplexityN(state.range(0));
}

// Memory per element: a million small elements must fit in well under a
// gigabyte (they once took about 2 KB each).
const PageCase kNestedListItems{"element", [](size_t n) { return Repeat("<ul><li>x", n); }};
const PageCase kSiblingListItems{"element",
                                 [](size_t n) { return "<ul>" + Repeat("<li>x", n) + "</ul>"; }};
const PageCase kNestedDefinitionItems{"element", [](size_t n) { return Repeat("<dl><dd>x", n); }};
const PageCase kSiblingDefinitionItems{
    "element", [](size_t n) { return "<dl>" + Repeat("<dt>x<dd>y", n / 2) + "</dl>"; }};
const PageCase kNestedForms{"element", [](size_t n) { return Repeat("<form>x", n); }};
const PageCase kTableCells{"element", [](size_t n) {
                             return "<table>" + Repeat("<tr>" + Repeat("<td>x", 100), n / 100) +
                                    "</table>";
                           }};
const PageCase kParagraphsInListItems{
    "element", [](size_t n) { return "<ul>" + Repeat("<li><p>x", n / 2) + "</ul>"; }};

// Time: each once took more than 20 s at its full size.
const PageCase kNestedTableHeads{"element",
                                 [](size_t n) { return "<table>" + Repeat("<thead><th>", n); }};
const PageCase kNestedHeadings{"element", [](size_t n) {
                                 return Repeat("<h1><h2><h3><h4><h5><h6>", n / 6);
                               }};
// n cells of COLSPAN 1000 in one row: a thousand grid positions each.
const PageCase kWideColSpans{"element", [](size_t n) {
                               return "<table><tr>" + Repeat("<td colspan=1000>x", n) + "</table>";
                             }};
// One cell spanning the n rows that follow.
const PageCase kTallRowSpan{"element", [](size_t n) {
                              return "<table><tr><td rowspan=" + std::to_string(n) + ">x" +
                                     Repeat("<tr><td>y", n) + "</table>";
                            }};
const PageCase kParagraphOfWords{"MB", [](size_t mb) {
                                   return "<p>" + Repeat("word ", (mb << 20) / 5);
                                 }};
const PageCase kParagraphOneWord{"MB", [](size_t mb) {
                                   return "<p>" + std::string(mb << 20, 'w');
                                 }};

#define PAGE_BENCHMARK(name, c, small, large)                                                 \
  void BM_Page##name(benchmark::State& state) { RunPage(state, c); }                         \
  BENCHMARK(BM_Page##name)->Arg(small)->Arg(large)->Unit(benchmark::kMillisecond)->Iterations(1) \
      ->Complexity(benchmark::oN)

PAGE_BENCHMARK(NestedListItems, kNestedListItems, 100000, 1000000);
PAGE_BENCHMARK(SiblingListItems, kSiblingListItems, 100000, 1000000);
PAGE_BENCHMARK(NestedDefinitionItems, kNestedDefinitionItems, 100000, 1000000);
PAGE_BENCHMARK(SiblingDefinitionItems, kSiblingDefinitionItems, 100000, 1000000);
PAGE_BENCHMARK(NestedForms, kNestedForms, 100000, 1000000);
PAGE_BENCHMARK(TableCells, kTableCells, 100000, 1000000);
PAGE_BENCHMARK(ParagraphsInListItems, kParagraphsInListItems, 100000, 1000000);
PAGE_BENCHMARK(NestedTableHeads, kNestedTableHeads, 100000, 1000000);
PAGE_BENCHMARK(NestedHeadings, kNestedHeadings, 100000, 1000000);
PAGE_BENCHMARK(WideColSpans, kWideColSpans, 300, 1000);
PAGE_BENCHMARK(TallRowSpan, kTallRowSpan, 16383, 65534);
PAGE_BENCHMARK(ParagraphOfWords, kParagraphOfWords, 10, 50);
PAGE_BENCHMARK(ParagraphOneWord, kParagraphOneWord, 10, 50);

// ------------------------------------------------------------ span pages

// Tables whose spans cover far more grid positions than the page has
// bytes. Each is shown (parsed, laid out, painted at its top and at its
// bottom) once in a child process under an address-space limit, so that a
// page that would take the machine's memory stops at the limit instead
// (reported as an error naming the limit). The child's own processor time
// and peak resident memory come from getrusage (the peak counts what the
// child shares with this process, start_rss_MB). The limit is 3 GiB, or
// DRAVLEN_BENCH_LIMIT_MB.

struct SpanPageResult {
  int status = 0;   // 0 shown, 1 out of memory at the limit
  double cpuSeconds = 0;
  double peakMb = 0;
  double startMb = 0;   // resident before the page, what the child shares with this process
};

double CpuSeconds(const rusage& u) {
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

long SpanPageLimitMb() {
  if (const char* env = getenv("DRAVLEN_BENCH_LIMIT_MB"); env && atol(env) > 0) return atol(env);
  return 3072;
}

SpanPageResult ShowSpanPageInChild(const std::string& html) {
  SpanPageResult result;
  const bool shown = InChild<SpanPageResult>(SpanPageLimitMb(), [&](SpanPageResult& r) {
    r.startMb = static_cast<double>(StatusKb("VmRSS")) / 1024.0;
    rusage before{}, after{};
    getrusage(RUSAGE_SELF, &before);
    try {
      ShowPage(html, true);
    } catch (const std::bad_alloc&) {
      r.status = 1;
    }
    getrusage(RUSAGE_SELF, &after);
    r.cpuSeconds = CpuSeconds(after) - CpuSeconds(before);
    r.peakMb = static_cast<double>(after.ru_maxrss) / 1024.0;
  }, result);
  if (!shown) result.status = -1;
  return result;
}

void RunSpanPage(benchmark::State& state, const std::string& html) {
  SpanPageResult r;
  for (auto _ : state) r = ShowSpanPageInChild(html);
  state.counters["cpu_s"] = r.cpuSeconds;
  state.counters["peak_rss_MB"] = r.peakMb;
  state.counters["start_rss_MB"] = r.startMb;
  state.counters["page_KB"] = static_cast<double>(html.size()) / 1024.0;
  if (r.status == 1)
    state.SkipWithError(("out of memory at the " + std::to_string(SpanPageLimitMb()) +
                         " MB limit after cpu_s=" + std::to_string(r.cpuSeconds) +
                         " peak_rss_MB=" + std::to_string(r.peakMb))
                            .c_str());
  else if (r.status != 0)
    state.SkipWithError("the child process failed");
}

// The cell spanning 1000 columns and 65534 rows, then 65534 rows of one
// cell: about 580 KB covering 65.5 million grid positions.
void BM_SpanPageWideAndTallSpan(benchmark::State& state) {
  RunSpanPage(state, "<table border=1><tr><td colspan=1000 rowspan=65534>x" +
                         Repeat("<tr><td>y", 65534) + "</table>");
}
BENCHMARK(BM_SpanPageWideAndTallSpan)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

// The same cell over 65534 rows without cells: about 260 KB, the same
// positions, all of the rows below made of fillers whose columns go again.
void BM_SpanPageSpanOverEmptyRows(benchmark::State& state) {
  RunSpanPage(state, "<table border=1><tr><td colspan=1000 rowspan=65534>x" +
                         Repeat("<tr>", 65534) + "</table>");
}
BENCHMARK(BM_SpanPageSpanOverEmptyRows)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

// 1000 cells of COLSPAN 1000 in one row.
void BM_SpanPageWideColSpans(benchmark::State& state) {
  RunSpanPage(state, "<table border=1><tr>" + Repeat("<td colspan=1000>x", 1000) + "</table>");
}
BENCHMARK(BM_SpanPageWideColSpans)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

// 1000 cells of ROWSPAN 65534 in the first of 1000 rows, the other rows of
// one cell each.
void BM_SpanPageTallRowSpans(benchmark::State& state) {
  RunSpanPage(state, "<table border=1><tr>" + Repeat("<td rowspan=65534>x", 1000) +
                         Repeat("<tr><td>y", 999) + "</table>");
}
BENCHMARK(BM_SpanPageTallRowSpans)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

// Ten cells of COLSPAN 1000 and ROWSPAN 65534, then 65534 rows without
// cells: about 260 KB asking for 655 million grid positions (5 GB of
// words), which the document's bound on grid positions cuts to 2^26.
std::string TallWideSpansPage(int cells) {
  return "<table border=1><tr>" + Repeat("<td colspan=1000 rowspan=65534>x", cells) +
         Repeat("<tr>", 65534) + "</table>";
}

void BM_SpanPageTenTallWideSpans(benchmark::State& state) { RunSpanPage(state, TallWideSpansPage(10)); }
BENCHMARK(BM_SpanPageTenTallWideSpans)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

// A thousand such cells: about 290 KB asking for 65 billion positions.
void BM_SpanPageThousandTallWideSpans(benchmark::State& state) {
  RunSpanPage(state, TallWideSpansPage(1000));
}
BENCHMARK(BM_SpanPageThousandTallWideSpans)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

// Eight tables of 60 cells of COLSPAN 1000 over 999 rows: about 46 KB, 60
// million positions each, within the bound one by one and 3.8 GB together.
void BM_SpanPageEightTablesTogetherPastTheBound(benchmark::State& state) {
  RunSpanPage(state, Repeat("<table border=1><tr>" + Repeat("<td colspan=1000 rowspan=999>x", 60) +
                                Repeat("<tr>", 999) + "</table><p>text</p>",
                            8));
}
BENCHMARK(BM_SpanPageEightTablesTogetherPastTheBound)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->UseRealTime();

// A row of a thousand cells of COLSPAN 1000, the last spanning two rows,
// then 65534 rows without cells: about 280 KB whose rows below once each
// looked across the million columns again.
void BM_SpanPageWideRowThenEmptyRows(benchmark::State& state) {
  RunSpanPage(state, "<table border=1><tr>" + Repeat("<td colspan=1000>x", 999) +
                         "<td colspan=1000 rowspan=2>x" + Repeat("<tr>", 65534) + "</table>");
}
BENCHMARK(BM_SpanPageWideRowThenEmptyRows)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

// ------------------------------------------------------------ numbers at the int limit

const std::string kViewerData = std::string(DRAVLEN_SOURCE_DIR) + "/htmlview/view/tests/data/";

// Every number on the page as large as an int holds: pictures (one found,
// one missing), form controls, and a block whose every length is that
// number holding a relatively positioned float. Layout reaches its farthest
// position; it once added empty lines there for ever, memory growing by
// about 200 MB a second.
std::string IntLimitPage() {
  std::ifstream in(kViewerData + "intlimit.htm", std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Loads the page into a viewer as a user's page is loaded (its pictures
// from the viewer tests' data) and paints the window.
void ShowInViewer(const std::string& html) {
  THtmlView view;
  view.resize(800, 600);
  view.SetBase(kViewerData);
  view.LoadHtmlText(html);
  TPaintPanel& panel = view.PaintPanel();
  benchmark::DoNotOptimize(panel.PaintToImage({0, 0, panel.width(), panel.height()}));
}

// Measured in this process, not in a child: the toolkit's painting threads
// do not survive a fork.
void BM_PageNumbersAtTheIntLimit(benchmark::State& state) {
  InitViewerModule();
  const std::string html = IntLimitPage();
  if (html.empty()) state.SkipWithError("the page was not found");
  malloc_trim(0);
  const double peak = PeakBytesOf([&] { ShowInViewer(html); });
  for (auto _ : state) ShowInViewer(html);
  DoneViewerModule();
  state.counters["peak_MB"] = peak / (1 << 20);
}
BENCHMARK(BM_PageNumbersAtTheIntLimit)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return RunFixedMetricBenchmarks(argc, argv); }
