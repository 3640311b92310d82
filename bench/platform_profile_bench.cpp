// The workbench reads source files key by key, often right after it wrote
// them (fit results go in, then the catalog build reads everything back):
// a key read must not cost a parse of the file, whether the file was last
// written by this process, by another program long ago, or just now.
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

#include "platform/profile.h"

namespace {

namespace fs = std::filesystem;

constexpr int kSections = 100;
constexpr int kKeys = 10;   // per section: 1000 keys in all

std::string SectionName(int s) { return "Model-" + std::to_string(s); }
std::string KeyName(int k) { return "Qe" + std::to_string(k + 1); }

// A source-file-like text: every key a row of numbers.
std::string FileText() {
  std::string text = "[Header]\r\nFileType=Dravlen Data File\r\n";
  for (int s = 0; s < kSections; ++s) {
    text += "\r\n[" + SectionName(s) + "]\r\n";
    for (int k = 0; k < kKeys; ++k) {
      text += KeyName(k) + "=";
      for (int i = 0; i < 10; ++i) text += (i ? ", " : "") + std::to_string(1000.5 + s * 31 + k * 7 + i);
      text += "\r\n";
    }
  }
  return text;
}

struct BenchFile {
  BenchFile() {
    dir = fs::temp_directory_path() / ("dravlen-profile-bench-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    path = (dir / "source.ini").string();
    text = FileText();
  }
  ~BenchFile() {
    std::error_code ec;
    fs::remove_all(dir, ec);
  }
  // Written as another program would: in place, no rename.
  void WriteOutside() const { std::ofstream(path, std::ios::binary | std::ios::trunc) << text; }
  // Older than any window of doubt about a recent change. Setting the time is
  // itself a change (of the inode), so wait past that too.
  void Age() const {
    fs::last_write_time(path, fs::file_time_type::clock::now() - std::chrono::hours(1));
    std::this_thread::sleep_for(std::chrono::milliseconds(2100));
  }
  fs::path dir;
  std::string path;
  std::string text;
};

const BenchFile& TheFile() {
  static BenchFile file;
  return file;
}

size_t ReadAllKeys(const std::string& path) {
  size_t total = 0;
  for (int s = 0; s < kSections; ++s)
    for (int k = 0; k < kKeys; ++k)
      total += platform::GetPrivateProfileString(SectionName(s), KeyName(k), "", path).size();
  return total;
}

// A file another program wrote long ago: the common case for settings.
void BM_Read1000KeysSettledFile(benchmark::State& state) {
  const BenchFile& f = TheFile();
  f.WriteOutside();
  f.Age();
  for (auto _ : state) benchmark::DoNotOptimize(ReadAllKeys(f.path));
  state.SetItemsProcessed(state.iterations() * kSections * kKeys);
}
BENCHMARK(BM_Read1000KeysSettledFile)->Unit(benchmark::kMicrosecond);

// A file this process has just written: the workbench's case.
void BM_Read1000KeysOwnFreshWrite(benchmark::State& state) {
  const BenchFile& f = TheFile();
  f.WriteOutside();
  int n = 0;
  for (auto _ : state) {
    state.PauseTiming();
    platform::WritePrivateProfileString("Header", "Stamp", std::to_string(++n), f.path);
    state.ResumeTiming();
    benchmark::DoNotOptimize(ReadAllKeys(f.path));
  }
  state.SetItemsProcessed(state.iterations() * kSections * kKeys);
}
BENCHMARK(BM_Read1000KeysOwnFreshWrite)->Unit(benchmark::kMicrosecond);

// A file another program has just rewritten in place with the same bytes:
// the reads must still look at the file.
void BM_Read1000KeysOutsideFreshWrite(benchmark::State& state) {
  const BenchFile& f = TheFile();
  for (auto _ : state) {
    state.PauseTiming();
    f.WriteOutside();
    state.ResumeTiming();
    benchmark::DoNotOptimize(ReadAllKeys(f.path));
  }
  state.SetItemsProcessed(state.iterations() * kSections * kKeys);
}
BENCHMARK(BM_Read1000KeysOutsideFreshWrite)->Unit(benchmark::kMicrosecond);

// Write one key, read back range(0) keys of that model: as the fit writes its
// coefficients model by model and the build reads them.
void BM_WriteThenReadCycle(benchmark::State& state) {
  const BenchFile& f = TheFile();
  f.WriteOutside();
  const int reads = static_cast<int>(state.range(0));
  int n = 0;
  for (auto _ : state) {
    const int s = n % kSections;
    platform::WritePrivateProfileString(SectionName(s), "e", "1.25e-3, " + std::to_string(++n), f.path);
    size_t total = 0;
    for (int k = 0; k < reads; ++k)
      total += platform::GetPrivateProfileString(SectionName(s), KeyName(k % kKeys), "", f.path).size();
    benchmark::DoNotOptimize(total);
  }
}
BENCHMARK(BM_WriteThenReadCycle)->Arg(1)->Arg(20)->Unit(benchmark::kMicrosecond);

// Listing sections and the keys of each, as a catalog build does first.
void BM_ListSectionsAndKeys(benchmark::State& state) {
  const BenchFile& f = TheFile();
  f.WriteOutside();
  f.Age();
  for (auto _ : state) {
    size_t total = 0;
    for (const auto& section : platform::GetPrivateProfileSectionNames(f.path))
      total += platform::GetPrivateProfileKeys(section, f.path).size();
    benchmark::DoNotOptimize(total);
  }
}
BENCHMARK(BM_ListSectionsAndKeys)->Unit(benchmark::kMicrosecond);

}  // namespace
