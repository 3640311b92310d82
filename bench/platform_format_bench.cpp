// Number text is made and read for every table value of every page and
// every source file: Format and StrToFloat must stay cheap.
#include <benchmark/benchmark.h>

#include "platform/sysutils.h"

namespace {

void BM_FormatCoefficient(benchmark::State& state) {
  double v = -0.2103226;
  for (auto _ : state) {
    benchmark::DoNotOptimize(platform::Format("%0.6e", {v}));
    v += 1e-9;
  }
}
BENCHMARK(BM_FormatCoefficient);

void BM_FormatGeneral(benchmark::State& state) {
  double v = 1234.567;
  for (auto _ : state) {
    benchmark::DoNotOptimize(platform::Format("%0.4g", {v}));
    v += 1e-6;
  }
}
BENCHMARK(BM_FormatGeneral);

void BM_FormatFixedRow(benchmark::State& state) {
  for (auto _ : state)
    benchmark::DoNotOptimize(platform::Format("<td>%0.1f</td><td>%0.3f</td><td>%d</td>", {7.25, 0.98765, int64_t{42}}));
}
BENCHMARK(BM_FormatFixedRow);

void BM_FloatToStr(benchmark::State& state) {
  double v = 1.0 / 3.0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(platform::FloatToStr(v));
    v += 1e-7;
  }
}
BENCHMARK(BM_FloatToStr);

void BM_StrToFloat(benchmark::State& state) {
  const char* texts[] = {"1.5", "-2.10323E-001", "  12345.678 ", "0.000123"};
  size_t i = 0;
  for (auto _ : state) benchmark::DoNotOptimize(platform::StrToFloat(texts[i++ & 3]));
}
BENCHMARK(BM_StrToFloat);

}  // namespace
