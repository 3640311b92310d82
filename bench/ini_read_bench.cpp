// Reading every key of a source file through the INI class, against inih's
// ini_parse over the same file (its handler only adds up the value lengths:
// the least a reader can do). Files of 10k, 100k and 400k lines (sections of
// 50 keys) show that the cost per line stays flat as files grow.
#include <ini.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include <unistd.h>

#include "bench/peer_compare.h"
#include "core/inifiles.h"
#include "platform/stringlist.h"

namespace {

namespace fs = std::filesystem;

constexpr int kKeysPerSection = 50;

// Lines as in a source file: a key and a row of numbers.
std::string FileText(int sections) {
  std::string text;
  for (int s = 0; s < sections; ++s) {
    text += "[Model-" + std::to_string(s) + "]\r\n";
    for (int k = 0; k < kKeysPerSection; ++k) {
      text += "Qe" + std::to_string(k + 1) + "=";
      for (int i = 0; i < 3; ++i) text += (i ? ", " : "") + std::to_string(1000.5 + s * 31 + k * 7 + i);
      text += "\r\n";
    }
  }
  return text;
}

size_t ReadThroughIniClass(const std::string& path) {
  size_t total = 0;
  core::TIniFile ini(path);
  platform::TStringList sections, keys;
  ini.ReadSections(sections);
  for (const auto& section : sections) {
    ini.ReadSection(section, keys);
    for (const auto& key : keys) total += ini.ReadString(section, key, "").size();
  }
  return total;
}

size_t ReadThroughInih(const std::string& path) {
  size_t total = 0;
  ini_parse(
      path.c_str(),
      [](void* user, const char*, const char*, const char* value) -> int {
        *static_cast<size_t*>(user) += std::strlen(value);
        return 1;
      },
      &total);
  return total;
}

}  // namespace

int main() {
  const fs::path dir = fs::temp_directory_path() / ("dravlen-ini-bench-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  std::printf("INI read: every key of a file through core::TIniFile vs inih ini_parse\n");
  for (int sections : {200, 2000, 8000}) {
    const int lines = sections * (kKeysPerSection + 1);
    const std::string path = (dir / ("source-" + std::to_string(lines) + ".ini")).string();
    std::ofstream(path, std::ios::binary) << FileText(sections);
    // Written long ago, as a settled source file is.
    fs::last_write_time(path, fs::file_time_type::clock::now() - std::chrono::hours(1));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    size_t a = 0, b = 0;
    const int rounds = sections <= 200 ? 41 : sections <= 2000 ? 11 : 5;
    bench::Comparison c = bench::Compare(
        std::to_string(lines) + " lines", "inih", rounds, [&] { a = ReadThroughIniClass(path); },
        [&] { b = ReadThroughInih(path); });
    std::printf("  per line: ours %.0f ns, inih %.0f ns%s\n", c.ours * 1e6 / lines, c.peer * 1e6 / lines,
                a == b ? "" : "  (VALUE LENGTHS DIFFER)");
  }
  std::error_code ec;
  fs::remove_all(dir, ec);
  return 0;
}
