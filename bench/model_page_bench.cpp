// The Model page of a model with a huge rating table, as the main window
// shows it: read the model from its source file, build the page and load it
// into a page view (the viewer parses and lays it out). Two sizes, a table
// of 256 x 256 points and the largest a source file can hold, 1024 x 1024
// (1024 one-digit values fill the 2047 characters a value can hold); and a
// model of 100,000 te values by 8 tc values built in memory. Each size runs
// in a child process of its own so that its peak memory is its own; the goal
// is well below 1 GiB at every size.
#include <QApplication>
#include <QElapsedTimer>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/refriglib.h"
#include "htmlview/viewermodule.h"
#include "platform/stringlist.h"
#include "workbench/pages.h"
#include "workbench/pageview.h"
#include "workbench/sourcefile.h"

#ifndef DRAVLEN_SOURCE_DIR
#define DRAVLEN_SOURCE_DIR "."
#endif

namespace {

namespace fs = std::filesystem;

long PeakKiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

// A source file with one model of size x size points.
void WriteSourceFile(const std::string& path, size_t size) {
  std::string list, zeros;
  for (size_t i = 0; i < size; ++i) {
    list += (i ? "," : "") + std::to_string(i % 10);
    zeros += i ? ",0" : "0";
  }
  std::ofstream out(path, std::ios::binary);
  out << "[Header]\nFileType=Dravlen Data File\nRefrig=R22\n[Huge]\nTe=" << list << "\nTc=" << list << "\n";
  for (const std::string key : {"Valid", "Qe", "Pw"})
    for (size_t j = 1; j <= size; ++j) out << key << j << "=" << (key == "Valid" ? zeros : list) << "\n";
}

core::TCompData TallModel(size_t teCount, size_t tcCount) {
  core::TCompData model;
  model.Name = "Tall";
  model.HasTable = true;
  for (size_t i = 0; i < teCount; ++i) model.TeList.push_back(-40.0 + 0.001 * static_cast<double>(i));
  for (size_t j = 0; j < tcCount; ++j) model.TcList.push_back(30.0 + 5.0 * static_cast<double>(j));
  for (size_t j = 0; j < tcCount; ++j) {
    model.Valid.emplace_back(teCount, 0);
    model.QeTable.emplace_back(teCount, 2500.0);
    model.PwTable.emplace_back(teCount, 1.2);
  }
  return model;
}

// In the child: read (or make) the model, build the page, show it.
void Run(const std::string& folder, size_t te, size_t tc) {
  int argc = 1;
  char name[] = "model_page_bench";
  char* argv[] = {name, nullptr};
  QApplication app(argc, argv);
  htmlview::InitViewerModule();
  core::InitRefrigLib(DRAVLEN_SOURCE_DIR "/resources/shared/RefLib8.rdf");
  const long before = PeakKiB();

  QElapsedTimer timer;
  timer.start();
  workbench::TSourceFile source;
  if (te == tc) {
    source.CurrentFile = folder + "/huge.ini";
    WriteSourceFile(source.CurrentFile, te);
    timer.restart();   // writing the file is not the page's cost
    source.CheckFileType();
    source.LoadModelList();
    source.LoadHeader();
    source.SelectModel(0);
  } else {
    source.CompData = TallModel(te, tc);
  }
  const double readMs = timer.nsecsElapsed() / 1e6;
  workbench::TPageView view;
  view.resize(800, 600);
  workbench::TReportPages pages(source);
  pages.ClearView = [&](workbench::TReportView) { view.Clear(); };
  pages.LoadView = [&](workbench::TReportView, const platform::TStringList& lines) {
    view.LoadLines(lines);
    view.Repaint();
  };
  timer.restart();
  pages.ShowModel();
  const double showMs = timer.nsecsElapsed() / 1e6;
  std::printf("  %6zu te x %4zu tc: read %8.1f ms, page %8.1f ms (%d lines), peak %7.1f MiB (%.1f MiB above start)\n",
              te, tc, readMs, showMs, pages.ModelPage.Count(), PeakKiB() / 1024.0, (PeakKiB() - before) / 1024.0);
  std::fflush(stdout);
  core::DoneRefrigLib();
  htmlview::DoneViewerModule();
}

}  // namespace

int main() {
  qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
  const fs::path dir = fs::temp_directory_path() / ("dravlen-model-page-bench-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  std::printf("Model page of a huge rating table (goal: peak well below 1024 MiB)\n");
  std::fflush(stdout);
  const std::pair<size_t, size_t> sizes[] = {{256, 256}, {1024, 1024}, {100000, 8}};
  for (const auto& [te, tc] : sizes) {
    const pid_t child = ::fork();
    if (child == 0) {
      Run(dir.string(), te, tc);
      std::_Exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) std::printf("  %zu x %zu: the run failed\n", te, tc);
  }
  std::error_code ec;
  fs::remove_all(dir, ec);
  return 0;
}
