// The start of the viewer benchmarks that lay pages out with the fixed-metric
// fonts (every advance half the em), so that their pages measure the same on
// every machine: an offscreen application, then Google Benchmark with its
// own command line.
#pragma once

#include <cstdlib>

#include <QApplication>
#include <benchmark/benchmark.h>

#include "platform/fonts.h"
#include "platform/image.h"

inline int RunFixedMetricBenchmarks(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  platform::SetFontBackend(platform::FontBackend::FixedMetric,
                           {"Times New Roman", "Courier New", "Verdana"});
  platform::SetScreenDepth(24);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
