// The private-profile reader on arbitrary file bytes: sections, their keys
// and every value read back by the rules in platform/profile.cpp, never a
// crash or a hang; then one new key written, which must change nothing else. The same bytes, as the editor's lines, go through the INI
// highlighter, whose tokens must cover each line exactly once.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "editor/highlightscan.h"
#include "editor/inihighlighter.h"
#include "platform/fonts.h"
#include "platform/profile.h"
#include "platform/sysutils.h"
#include "platform/textfile.h"

namespace {

std::string& IniPath() {
  static std::string path;
  return path;
}

bool SameNoCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x + 32);
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y + 32);
    if (x != y) return false;
  }
  return true;
}

void NoDuplicates(const std::vector<std::string>& names) {
  for (size_t i = 0; i < names.size(); ++i)
    for (size_t j = i + 1; j < names.size(); ++j)
      if (SameNoCase(names[i], names[j])) __builtin_trap();
}

int Characters(const std::string& utf8) {
  int count = 0;
  for (unsigned char c : utf8)
    if ((c & 0xC0) != 0x80) ++count;
  return count;
}

// A write of a new key changes one stretch of the file and nothing else:
// the rest stays byte for byte, every other value reads as before.
void CheckWrite(const std::string& bytes, const std::vector<std::string>& sections) {
  const std::string& path = IniPath();
  const std::string section = sections.empty() ? "Fz Section" : sections.front();
  const std::string key = "Fz\x7fKey";
  const std::string missing = "\x01not there\x01";
  if (platform::GetPrivateProfileString(section, key, missing, path) != missing) return;
  std::vector<std::pair<std::string, std::string>> before;
  for (const std::string& s : sections)
    for (const std::string& k : platform::GetPrivateProfileKeys(s, path))
      before.emplace_back(s + "\n" + k, platform::GetPrivateProfileString(s, k, missing, path));
  if (!platform::WritePrivateProfileString(section, key, std::string("v 1"), path)) return;
  if (platform::GetPrivateProfileString(section, key, missing, path) != "v 1") __builtin_trap();
  if (platform::GetPrivateProfileSectionNames(path).size() != sections.size() + (sections.empty() ? 1 : 0))
    __builtin_trap();
  for (const auto& [where, value] : before) {
    const size_t cut = where.find('\n');
    if (platform::GetPrivateProfileString(where.substr(0, cut), where.substr(cut + 1), missing, path) != value)
      __builtin_trap();
  }
  const std::string after = platform::ReadFileBytes(path);
  size_t prefix = 0;
  while (prefix < bytes.size() && prefix < after.size() && bytes[prefix] == after[prefix]) ++prefix;
  size_t suffix = 0;
  while (suffix < bytes.size() - prefix && suffix < after.size() - prefix &&
         bytes[bytes.size() - 1 - suffix] == after[after.size() - 1 - suffix])
    ++suffix;
  if (prefix + suffix != bytes.size()) __builtin_trap();
}

void CheckProfile(const std::string& bytes) {
  const std::string& path = IniPath();
  platform::WriteFileBytes(path, bytes);
  const std::string missing = "\x01not there\x01";
  const std::vector<std::string> sections = platform::GetPrivateProfileSectionNames(path);
  NoDuplicates(sections);
  for (const std::string& section : sections) {
    const std::vector<std::string> keys = platform::GetPrivateProfileKeys(section, path);
    NoDuplicates(keys);
    for (const std::string& key : keys) {
      // A listed key always reads as its value, cut to the buffer.
      const std::string value = platform::GetPrivateProfileString(section, key, missing, path);
      if (value == missing) __builtin_trap();
      if (Characters(value) > 2047) __builtin_trap();
      const std::string shortValue = platform::GetPrivateProfileString(section, key, missing, path, 4);
      if (Characters(shortValue) > 3 || value.compare(0, shortValue.size(), shortValue) != 0) __builtin_trap();
    }
    (void)platform::GetPrivateProfileString(section, missing, "", path);
  }
  CheckWrite(bytes, sections);
}

void Highlight(editor::TIniHighlighter& hl, const std::u16string& line, int number) {
  const std::vector<editor::TEdToken> tokens = editor::ScanLineTokens(hl, line, number);
  size_t covered = 0;
  for (const editor::TEdToken& t : tokens) {
    if (t.Pos < 0 || static_cast<size_t>(t.Pos) != covered || t.Text.empty()) __builtin_trap();
    covered += t.Text.size();
  }
  // The scan stops at the end of the line, or at a NUL it reads as one.
  const size_t nul = line.find(u'\0');
  if (covered != (nul == std::u16string::npos ? line.size() : nul)) __builtin_trap();
}

void CheckHighlighter(const std::string& bytes) {
  static editor::TIniHighlighter hl;
  // The lines as the editor loads them: decoded text split at line ends.
  const std::string text = platform::DecodeText(bytes).text;
  const std::u16string all = platform::Utf8ToUtf16(text);
  int number = 0;
  size_t start = 0;
  while (start <= all.size()) {
    size_t end = all.find_first_of(u"\r\n", start);
    if (end == std::u16string::npos) end = all.size();
    Highlight(hl, all.substr(start, end - start), number++);
    if (end < all.size() && all[end] == u'\r' && end + 1 < all.size() && all[end + 1] == u'\n') ++end;
    start = end + 1;
  }
  // The raw bytes as UTF-16 code units, line breaks and lone surrogates kept.
  std::u16string units;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2)
    units.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                          (static_cast<unsigned char>(bytes[i + 1]) << 8)));
  Highlight(hl, units, 0);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  const char* base = std::getenv("TMPDIR");
  std::string dir = std::string(base && *base ? base : "/tmp") + "/profile_fuzz.XXXXXX";
  if (mkdtemp(dir.data()) == nullptr) std::abort();
  IniPath() = dir + "/fuzz.ini";
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  CheckProfile(bytes);
  CheckHighlighter(bytes);
  return 0;
}
