// Inputs that once cost far more than their size: a long run of plain text
// (the reader's buffers grew by a fixed step), deep nesting (every element
// copied the whole property stack) and small BMPs (run-length or with the
// old core header) that claim a huge picture. Each family reports its fitted
// complexity: the text and the nesting must come out O(N), the crafted BMPs
// must cost next to nothing.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "htmlview/parse/htmlreader.h"
#include "htmlview/parse/vocabulary.h"
#include "htmlview/style/styleprops.h"
#include "htmlview/style/stylesheet.h"
#include "platform/fonts.h"
#include "platform/image.h"
#include "platform/imagefile.h"

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

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QGuiApplication app(argc, argv);
  platform::SetFontBackend(platform::FontBackend::FixedMetric, {"Times New Roman", "Courier New", "Verdana"});
  platform::SetScreenDepth(24);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
