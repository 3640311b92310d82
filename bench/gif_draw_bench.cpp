// Drawing an animated GIF must cost what is drawn, not what the strip holds:
// a page may show a GIF with a very wide screen (two transparent frames of
// 65281 x 252 pass the strip limits) as a 16 x 16 thumbnail, and every
// animation step draws one frame again.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "htmlview/images/gifimage.h"
#include "platform/canvas.h"
#include "platform/streams.h"

namespace {

// Two frames: the most a transparent GIF of this screen may have (its mask
// doubles the strip's cost).
constexpr int kScreenWidth = 65281, kScreenHeight = 252, kFrames = 2;

void PutWord(std::vector<uint8_t>& out, int v) {
  out.push_back(uint8_t(v & 0xFF));
  out.push_back(uint8_t((v >> 8) & 0xFF));
}

// Literal LZW codes only (code size 2 + 1), with a clear code before the
// table would grow.
std::vector<uint8_t> LzwLiterals(const std::vector<uint8_t>& pixels) {
  std::vector<uint8_t> bytes;
  uint32_t buffer = 0;
  int count = 0;
  auto put = [&](int code) {
    buffer |= uint32_t(code) << count;
    count += 3;
    while (count >= 8) {
      bytes.push_back(uint8_t(buffer & 0xFF));
      buffer >>= 8;
      count -= 8;
    }
  };
  for (size_t i = 0; i < pixels.size(); ++i) {
    if (i % 2 == 0) put(4);
    put(pixels[i]);
  }
  put(5);
  if (count > 0) bytes.push_back(uint8_t(buffer & 0xFF));
  return bytes;
}

// A transparent animated GIF on the wide screen: each frame a 64 x 64
// checkerboard of colour and transparent pixels at its own place.
std::vector<uint8_t> WideAnimatedGif() {
  std::vector<uint8_t> out{'G', 'I', 'F', '8', '9', 'a'};
  PutWord(out, kScreenWidth);
  PutWord(out, kScreenHeight);
  out.insert(out.end(), {0xF1, 0, 0});  // global table of 4 entries
  out.insert(out.end(), {0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255});
  for (int i = 0; i < kFrames; ++i) {
    out.insert(out.end(), {0x21, 0xF9, 4, 0x01, 10, 0, 0, 0});  // transparent index 0
    const int size = 64;
    out.push_back(',');
    PutWord(out, i * 16000);
    PutWord(out, 40 + i * 30);
    PutWord(out, size);
    PutWord(out, size);
    out.push_back(0);
    std::vector<uint8_t> pixels(size_t(size) * size);
    for (int y = 0; y < size; ++y)
      for (int x = 0; x < size; ++x) pixels[size_t(y) * size + x] = ((x / 8 + y / 8) % 2) ? uint8_t(1 + i) : 0;
    out.push_back(2);
    const std::vector<uint8_t> data = LzwLiterals(pixels);
    for (size_t p = 0; p < data.size(); p += 255) {
      const size_t n = std::min<size_t>(255, data.size() - p);
      out.push_back(uint8_t(n));
      out.insert(out.end(), data.begin() + p, data.begin() + p + n);
    }
    out.push_back(0);
  }
  out.push_back(';');
  return out;
}

std::unique_ptr<htmlview::TGIFImage> Load(const std::vector<uint8_t>& bytes) {
  platform::TMemoryStream stream(bytes);
  bool notAnimated = true;
  return htmlview::CreateGifImageFromStream(notAnimated, stream);
}

void DrawEachFrame(htmlview::TGIFImage& image, QImage& target) {
  platform::Canvas canvas(&target);
  for (int frame = 1; frame <= image.NumFrames(); ++frame) {
    image.SetCurrentFrame(frame);
    image.Draw(canvas, 0, 0, target.width(), target.height());
  }
}

// The steady state: an animation or repaint drawing every frame again.
void BM_GifDrawEachFrameSmall(benchmark::State& state) {
  static const std::vector<uint8_t> bytes = WideAnimatedGif();
  auto image = Load(bytes);
  if (!image) {
    state.SkipWithError("the GIF did not load");
    return;
  }
  QImage target(16, 16, QImage::Format_ARGB32);
  target.fill(Qt::white);
  for (auto _ : state) {
    DrawEachFrame(*image, target);
    benchmark::DoNotOptimize(target.constBits());
  }
  state.SetItemsProcessed(state.iterations() * kFrames);
}
BENCHMARK(BM_GifDrawEachFrameSmall)->Unit(benchmark::kMillisecond);

// Loading alone, to tell the first drawing's share in the next one.
void BM_GifLoad(benchmark::State& state) {
  static const std::vector<uint8_t> bytes = WideAnimatedGif();
  for (auto _ : state) {
    auto image = Load(bytes);
    if (!image) {
      state.SkipWithError("the GIF did not load");
      return;
    }
    benchmark::DoNotOptimize(image.get());
  }
}
BENCHMARK(BM_GifLoad)->Unit(benchmark::kMillisecond);

// Loading plus the first drawing of every frame, where any preparation the
// drawing keeps is made.
void BM_GifLoadAndDrawEachFrameOnce(benchmark::State& state) {
  static const std::vector<uint8_t> bytes = WideAnimatedGif();
  QImage target(16, 16, QImage::Format_ARGB32);
  target.fill(Qt::white);
  for (auto _ : state) {
    auto image = Load(bytes);
    if (!image) {
      state.SkipWithError("the GIF did not load");
      return;
    }
    DrawEachFrame(*image, target);
    benchmark::DoNotOptimize(target.constBits());
  }
}
BENCHMARK(BM_GifLoadAndDrawEachFrameOnce)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QGuiApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
