// Reading every key of a source file through the INI class, against inih's
// ini_parse over the same file (its handler only adds up the value lengths:
// the least a reader can do) and against its INIReader (the file parsed into
// a map, then Get for every key). Two kinds of file: one whose values are
// three short numbers, and one shaped as the real source files are (a header,
// then per model a description, Te and Tc, twelve rows each of Valid, Qe and
// Pw with ten numbers a row, and the e and p coefficients). Files of 10k, 100k
// and 400k lines show whether the cost per line stays flat as files grow.
#include <INIReader.h>
#include <ini.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <unistd.h>

#include "bench/peer_compare.h"
#include "core/inifiles.h"
#include "platform/stringlist.h"
#include "platform/sysutils.h"

namespace {

namespace fs = std::filesystem;

// A generated file with the (section, key) pairs it holds, for INIReader,
// which cannot list them itself.
struct Content {
  std::string text;
  std::vector<std::pair<std::string, std::string>> keys;
  int lines = 0;
  void Section(const std::string& name) {
    if (!text.empty()) {
      text += "\r\n";
      ++lines;
    }
    text += "[" + name + "]\r\n";
    ++lines;
  }
  void Key(const std::string& section, const std::string& key, const std::string& value) {
    text += key + "=" + value + "\r\n";
    keys.emplace_back(section, key);
    ++lines;
  }
};

// Sections of 50 keys, each value three short numbers.
Content ShortValues(int targetLines) {
  Content c;
  for (int s = 0; c.lines < targetLines; ++s) {
    const std::string name = "Model-" + std::to_string(s);
    c.Section(name);
    for (int k = 0; k < 50; ++k) {
      std::string value;
      for (int i = 0; i < 3; ++i) value += (i ? ", " : "") + std::to_string(1000.5 + s * 31 + k * 7 + i);
      c.Key(name, "Qe" + std::to_string(k + 1), value);
    }
  }
  return c;
}

std::string Row(int count, const char* format, double start, double step) {
  std::string row;
  char number[32];
  for (int i = 0; i < count; ++i) {
    std::snprintf(number, sizeof number, format, start + step * i);
    if (i) row += ",";
    row += number;
  }
  return row;
}

// "%0.6e" as the curve fit writes it: 1.23457E+003.
std::string Coefficients(double start) {
  std::string row;
  for (int i = 0; i < 9; ++i) {
    const double v = (i % 2 ? -1 : 1) * start / (1 + i * 13.7);
    row += (i ? ", " : "") + platform::Format("%0.6e", {v});
  }
  return row;
}

// Source-file-shaped: the real key names, section layout and value lengths.
Content SourceShaped(int targetLines) {
  Content c;
  c.Section("Header");
  const std::pair<const char*, const char*> header[] = {
      {"FileType", "Dravlen Data File"}, {"Manufacturer", "Northfield Compressors"}, {"Make", "NLR"},
      {"Description", "Hermetic reciprocating, low temperature"}, {"Refrig", "R404A"}, {"Freq", "50"},
      {"hrf", "0.95"}, {"sgRef", "18.3"}, {"scRef", "0"}, {"TeLo", "-40"}, {"TeHi", "-5"}, {"TcLo", "25"},
      {"TcHi", "55"}};
  for (const auto& [key, value] : header) c.Key("Header", key, value);
  for (int s = 0; c.lines < targetLines; ++s) {
    const std::string name = "NLR-" + std::to_string(100 + s);
    c.Section(name);
    c.Key(name, "Description", "Hermetic reciprocating, low temperature, " + std::to_string(1 + s % 9) + "." +
                                   std::to_string(s % 10) + " HP");
    if (s % 3 == 0) c.Key(name, "1-Phase", "false");
    c.Key(name, "Te", Row(10, "%g", -40 - s % 3, 4));
    c.Key(name, "Tc", Row(12, "%g", 25, 2.5));
    for (int i = 1; i <= 12; ++i) c.Key(name, "Valid" + std::to_string(i), Row(10, "%.0f", (i + s) % 3 == 0, 0));
    for (int i = 1; i <= 12; ++i)
      c.Key(name, "Qe" + std::to_string(i), Row(10, "%.1f", 2581.2 + 113.7 * s - 61.3 * i, 917.3));
    for (int i = 1; i <= 12; ++i)
      c.Key(name, "Pw" + std::to_string(i), Row(10, "%.3f", 1.783 + 0.051 * s + 0.013 * i, 0.287));
    c.Key(name, "e", Coefficients(4.6715 + s));
    c.Key(name, "p", Coefficients(2.3309 + s * 0.1));
  }
  return c;
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

size_t ReadThroughIniReader(const std::string& path, const Content& content) {
  size_t total = 0;
  INIReader reader(path);
  for (const auto& [section, key] : content.keys) total += reader.Get(section, key, "").size();
  return total;
}

void Measure(const std::string& kind, const Content& content, const fs::path& dir) {
  const std::string path = (dir / (kind + "-" + std::to_string(content.lines) + ".ini")).string();
  std::ofstream(path, std::ios::binary) << content.text;
  // Written long ago, as a settled source file is.
  fs::last_write_time(path, fs::file_time_type::clock::now() - std::chrono::hours(1));
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  const int lines = content.lines;
  const int rounds = lines <= 20000 ? 41 : lines <= 200000 ? 11 : 5;
  const std::string what = kind + ", " + std::to_string(lines) + " lines";
  size_t a = 0, b = 0, c = 0;
  bench::Comparison parse = bench::Compare(
      what, "inih ini_parse", rounds, [&] { a = ReadThroughIniClass(path); }, [&] { b = ReadThroughInih(path); });
  bench::Comparison reader = bench::Compare(
      what, "inih INIReader+Get", rounds, [&] { a = ReadThroughIniClass(path); },
      [&] { c = ReadThroughIniReader(path, content); });
  std::printf("  per line: ours %.0f ns, ini_parse %.0f ns, INIReader %.0f ns%s\n", parse.ours * 1e6 / lines,
              parse.peer * 1e6 / lines, reader.peer * 1e6 / lines,
              a == b && a == c ? "" : "  (VALUE LENGTHS DIFFER)");
  std::error_code ec;
  fs::remove(path, ec);
}

}  // namespace

int main() {
  const fs::path dir = fs::temp_directory_path() / ("dravlen-ini-bench-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  std::printf("INI read: every key of a file through core::TIniFile vs inih\n");
  for (int lines : {10000, 100000, 400000}) {
    Measure("short values", ShortValues(lines), dir);
    Measure("source-shaped", SourceShaped(lines), dir);
  }
  std::error_code ec;
  fs::remove_all(dir, ec);
  return 0;
}
