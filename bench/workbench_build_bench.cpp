// Curve fit and catalog build over a data folder of 50 source files with 20
// models of 80 rating points each (10 te × 8 tc), as Add Coeff and Build run
// them file by file: fit every model and write e and p, then build the
// catalog. The folder is generated once in a temporary folder; every
// iteration starts from the files without coefficients.
#include <charconv>
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "core/interpolator.h"
#include "core/refriglib.h"
#include "numerics/numerics.h"
#include "workbench/actionhost.h"
#include "workbench/catalogbuild.h"
#include "workbench/curvefit.h"
#include "workbench/sourcefile.h"

#ifndef DRAVLEN_SOURCE_DIR
#define DRAVLEN_SOURCE_DIR "."
#endif

namespace {

namespace fs = std::filesystem;

constexpr int kFiles = 50;
constexpr int kModels = 20;
const std::vector<double> kTe = {-35, -30, -25, -20, -15, -10, -5, 0, 5, 10};   // 10
const std::vector<double> kTc = {25, 30, 35, 40, 45, 50, 55, 60};               // 8

const core::TPoly9Coef kQe = {61.3478231,    2.11934577,    0.0272915431,  -0.712903557, 0.00219477813,
                              -0.0132618839, 1.41395717e-4, 5.13871929e-5, -3.20189363e-6};
const core::TPoly9Coef kPw = {3.88219074,    -0.0412095287, -0.00121178243, 0.153017628, 0.00143301991,
                              0.00521779614, 2.66901718e-5, -1.96211847e-5, 4.17734301e-7};

// Written as a source file holds it, never with the locale's decimal comma.
std::string Num(double v) {
  char buf[32];
  const auto end = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 10).ptr;
  return std::string(buf, end);
}

// One source file; models scaled in size and given a little deterministic
// scatter so that no fit is exact.
std::string SourceFile(int file) {
  std::ostringstream out;
  out << "[Header]\nFileType=Dravlen Data File\nManufacturer=Bench\nMake=Range " << file
      << "\nRefrig=R22\nFreq=50\n";
  for (int m = 0; m < kModels; ++m) {
    const double scale = 0.5 + 0.1 * m + 0.01 * file;
    out << "\n[BM-" << file << "-" << m << "]\nDescription=Model " << m << "\n";
    auto list = [&](const std::vector<double>& values) {
      std::string s;
      for (size_t i = 0; i < values.size(); ++i) s += (i ? ", " : "") + Num(values[i]);
      return s;
    };
    out << "Te=" << list(kTe) << "\nTc=" << list(kTc) << "\n";
    for (size_t j = 0; j < kTc.size(); ++j) {
      out << "Valid" << j + 1 << "=";
      for (size_t i = 0; i < kTe.size(); ++i) out << (i ? ", " : "") << (i == 0 && j == 0 ? 2 : 0);
      out << "\n";
    }
    int k = 0;
    for (const char* key : {"Qe", "Pw"}) {
      for (size_t j = 0; j < kTc.size(); ++j) {
        std::vector<double> row;
        for (double te : kTe) {
          const double scatter = 1.0 + 0.002 * std::sin(1.7 * ++k + m);
          row.push_back(key[0] == 'Q' ? 1000.0 * scale * core::Poly9(kQe, te, kTc[j]) * scatter
                                      : scale * core::Poly9(kPw, te, kTc[j]) * scatter);
        }
        out << key << j + 1 << "=" << list(row) << "\n";
      }
    }
  }
  return out.str();
}

struct Folder {
  Folder() {
    path = fs::temp_directory_path() / ("dravlen-bench-" + std::to_string(::getpid()));
    fs::create_directories(path);
    for (int f = 0; f < kFiles; ++f) {
      char name[32];
      std::snprintf(name, sizeof name, "range%02d.ini", f);
      files.push_back((path / name).string());
      texts.push_back(SourceFile(f));
    }
    Restore();
  }
  ~Folder() {
    std::error_code ec;
    fs::remove_all(path, ec);
  }
  void Restore() const {
    for (size_t i = 0; i < files.size(); ++i) std::ofstream(files[i], std::ios::binary) << texts[i];
  }
  fs::path path;
  std::vector<std::string> files;
  std::vector<std::string> texts;
};

const Folder& TheFolder() {
  static Folder folder;
  return folder;
}

void StartModules() {
  static bool started = false;
  if (started) return;
  numerics::InitNumerics();
  core::InitRefrigLib(std::string(DRAVLEN_SOURCE_DIR) + "/resources/shared/RefLib8.rdf");
  started = true;
}

// What a file's Add Coeff and Build do, without the window.
struct Actions {
  Actions() : fit(source, host), builder(source, files, host) {}
  workbench::TSourceFile source;
  workbench::TSourceFileList files;
  workbench::TActionHost host;   // no hooks: an editor with text, nothing shown
  workbench::TCurveFit fit;
  workbench::TCatalogBuilder builder;

  void Open(const std::string& path) {
    source.CurrentFile = path;
    source.LoadModelList();
    source.LoadHeader();
  }
};

void BM_FitAndBuildFolder(benchmark::State& state) {
  StartModules();
  const Folder& folder = TheFolder();
  Actions a;
  a.files.SetFolder(folder.path.string());
  for (auto _ : state) {
    state.PauseTiming();
    folder.Restore();
    state.ResumeTiming();
    for (int i = 0; i < a.files.Count(); ++i) {
      a.files.ItemIndex = i;
      a.Open(a.files.SelectedPath());
      a.fit.CurveFit();
      a.builder.ActionBuildExecute();
    }
  }
  state.counters["models/s"] =
      benchmark::Counter(static_cast<double>(kFiles * kModels) * state.iterations(), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_FitAndBuildFolder)->Unit(benchmark::kMillisecond);

void BM_FitFolder(benchmark::State& state) {
  StartModules();
  const Folder& folder = TheFolder();
  Actions a;
  for (auto _ : state) {
    state.PauseTiming();
    folder.Restore();
    state.ResumeTiming();
    for (const std::string& path : folder.files) {
      a.Open(path);
      a.fit.CurveFit();
    }
  }
}
BENCHMARK(BM_FitFolder)->Unit(benchmark::kMillisecond);

void BM_BuildFolder(benchmark::State& state) {
  StartModules();
  const Folder& folder = TheFolder();
  Actions a;
  a.files.SetFolder(folder.path.string());
  for (auto _ : state) {
    for (int i = 0; i < a.files.Count(); ++i) {
      a.files.ItemIndex = i;
      a.source.CurrentFile = a.files.SelectedPath();
      a.builder.ActionBuildExecute();
    }
  }
}
BENCHMARK(BM_BuildFolder)->Unit(benchmark::kMillisecond);

// Fitting one model's table alone (no file access).
void BM_FitModel(benchmark::State& state) {
  StartModules();
  core::TCompData model;
  model.TeList = kTe;
  model.TcList = kTc;
  for (double tc : kTc) {
    std::vector<int32_t> valid;
    std::vector<double> qe, pw;
    for (double te : kTe) {
      valid.push_back(0);
      qe.push_back(1000.0 * core::Poly9(kQe, te, tc) * (1.0 + 0.002 * std::sin(te * tc)));
      pw.push_back(core::Poly9(kPw, te, tc));
    }
    model.Valid.push_back(valid);
    model.QeTable.push_back(qe);
    model.PwTable.push_back(pw);
  }
  model.HasTable = true;
  for (auto _ : state) {
    workbench::TModelFit fit = workbench::FitModel(model);
    benchmark::DoNotOptimize(fit);
  }
}
BENCHMARK(BM_FitModel);

}  // namespace

BENCHMARK_MAIN();
