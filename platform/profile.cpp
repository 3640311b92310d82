// The private-profile functions over INI files. The rules, each tested in
// platform/tests/profile_test.cpp:
//
//  1. Lines end at LF; a CR before the LF belongs to the line end. A UTF-8
//     byte-order mark at the start is kept and not part of the first line.
//  2. A line whose first non-blank character is "[" starts a section; its
//     name is the text up to the first "]" (or the end of the line), with
//     blanks and control characters around it removed.
//  3. A line whose first non-blank character is ";" is a comment. Blank lines,
//     lines without "=", and lines before the first section are kept but are
//     neither sections nor keys.
//  4. Any other line with "=" in a section is a key: the name is the text
//     before the first "=", the value the text after it, both with blanks and
//     control characters around them removed; then one pair of matching
//     double or single quotes around the value is removed. A line with an
//     empty name is no key.
//  5. Names of sections and keys are compared without regard to (ASCII) case;
//     the names passed in are trimmed of blanks first.
//  6. Of sections with the same name the first wins: reads, writes and key
//     deletions use it, later ones are invisible. Of keys with the same name
//     in that section the first wins for reads and writes.
//  7. A value read is cut to bufferSize - 1 characters (2047 by default); a
//     missing key, section or file reads as the fallback (cut alike).
//  8. Key and section lists are in file order, the first of duplicates only.
//  9. A write of an existing key replaces the line's value and keeps what
//     stands before it (indent, the name as spelt in the file, the "=" and
//     the blanks after it). A new key goes after the last non-blank line of
//     the section; a new section goes at the end of the file after one blank
//     line, "[name]" then "name=value". New lines take the line end the file
//     already uses (CR LF for a new file); a file without a final line end
//     keeps it so.
// 10. Line breaks in a value become blanks (they would make keys of their
//     own); a key name with "=", or a name that is empty or holds a line
//     break, or a section name with "]", is refused (the write reports false).
// 11. Deleting a key removes every line of that name in the first section;
//     erasing a section removes every section of that name with all its
//     lines, so no duplicate comes back into view.
// 12. Every write reaches the file at once, by writing a temporary file in
//     the same folder and renaming it over the file: a failure leaves the old
//     file untouched and the call returns false. A write that changes nothing
//     does not touch the file. A missing file is created by the first write
//     (the folder must exist); deletions in a missing file do nothing and
//     succeed.
// 13. Everything but the changed lines is kept byte for byte, in the file's
//     encoding (UTF-8 when valid, Windows-1252 otherwise); a Windows-1252 file
//     that must now hold a character the code page lacks becomes UTF-8.
// 14. Unlike the platform, no list of names is cut at 16 KB: a section with
//     many keys lists them all.
#include "platform/profile.h"

#include <filesystem>
#include <list>
#include <mutex>

#include "platform/sysutils.h"
#include "platform/textfile.h"

namespace platform {

namespace {

namespace fs = std::filesystem;

enum class LineKind { Other, Section, Key };

struct Line {
  std::string text;   // without its line end
  std::string end;    // "\n", "\r\n" or "" for a last line without one
  LineKind kind = LineKind::Other;
  std::string name;   // section or key name
  std::string value;  // key value (trimmed, unquoted)
};

struct IniDocument {
  std::string bom;
  TextEncoding encoding = TextEncoding::Utf8;
  std::vector<Line> lines;
  std::string newline = "\r\n";
};

void Classify(Line& line, bool inSection) {
  line.kind = LineKind::Other;
  line.name.clear();
  line.value.clear();
  std::string t = Trim(line.text);
  if (t.empty() || t[0] == ';') return;
  if (t[0] == '[') {
    size_t close = t.find(']');
    line.kind = LineKind::Section;
    line.name = Trim(t.substr(1, close == std::string::npos ? std::string::npos : close - 1));
    return;
  }
  if (!inSection) return;
  size_t eq = t.find('=');
  if (eq == std::string::npos) return;
  std::string name = Trim(t.substr(0, eq));
  if (name.empty()) return;
  std::string value = Trim(t.substr(eq + 1));
  if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
    value = value.substr(1, value.size() - 2);
  line.kind = LineKind::Key;
  line.name = std::move(name);
  line.value = std::move(value);
}

void ClassifyAll(IniDocument& doc) {
  bool inSection = false;
  for (Line& line : doc.lines) {
    Classify(line, inSection);
    if (line.kind == LineKind::Section) inSection = true;
  }
}

IniDocument Parse(std::string_view bytes) {
  IniDocument doc;
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") {
    doc.bom = "\xEF\xBB\xBF";
    bytes.remove_prefix(3);
  }
  TextFileContent content = DecodeText(bytes);
  doc.encoding = content.encoding;
  const std::string& text = content.text;
  size_t p = 0;
  bool newlineSeen = false;
  while (p < text.size()) {
    size_t lf = text.find('\n', p);
    Line line;
    if (lf == std::string::npos) {
      line.text = text.substr(p);
      p = text.size();
    } else {
      size_t end = lf;
      if (end > p && text[end - 1] == '\r') --end;
      line.text = text.substr(p, end - p);
      line.end = text.substr(end, lf + 1 - end);
      if (!newlineSeen) {
        doc.newline = line.end;
        newlineSeen = true;
      }
      p = lf + 1;
    }
    doc.lines.push_back(std::move(line));
  }
  ClassifyAll(doc);
  return doc;
}

std::string Serialise(const IniDocument& doc) {
  std::string text;
  for (const Line& line : doc.lines) {
    text += line.text;
    text += line.end;
  }
  TextEncoding encoding = doc.encoding;
  if (encoding == TextEncoding::Windows1252 && !FitsCp1252(text)) encoding = TextEncoding::Utf8;
  return (encoding == TextEncoding::Utf8 ? doc.bom : std::string()) + EncodeText(text, encoding);
}

// A few parsed files, checked against size and time of last change on every
// use, so that reading a source file key by key does not parse it each time.
// A file changed less than two seconds before it was parsed is never taken
// from the cache: the file system's clock is coarse, and a second change of
// the same size within one tick would otherwise go unseen.
struct CacheEntry {
  std::string path;
  uintmax_t size = 0;
  fs::file_time_type time;
  bool trusted = false;
  IniDocument doc;
};

std::mutex cacheMutex;
std::list<CacheEntry> cache;
constexpr size_t kCacheSize = 16;

bool Stamp(const std::string& path, uintmax_t& size, fs::file_time_type& time) {
  std::error_code ec;
  if (!fs::is_regular_file(path, ec)) return false;
  size = fs::file_size(path, ec);
  if (ec) return false;
  time = fs::last_write_time(path, ec);
  return !ec;
}

void Forget(const std::string& path) {
  cache.remove_if([&](const CacheEntry& e) { return e.path == path; });
}

void Remember(const std::string& path, const IniDocument& doc) {
  Forget(path);
  CacheEntry entry;
  if (!Stamp(path, entry.size, entry.time)) return;
  entry.path = path;
  entry.trusted = entry.time < fs::file_time_type::clock::now() - std::chrono::seconds(2);
  entry.doc = doc;
  cache.push_front(std::move(entry));
  if (cache.size() > kCacheSize) cache.pop_back();
}

// The document of a file; a missing or unreadable file is an empty one.
IniDocument Load(const std::string& path, bool& exists) {
  uintmax_t size;
  fs::file_time_type time;
  exists = Stamp(path, size, time);
  if (!exists) {
    Forget(path);
    return IniDocument();
  }
  for (auto it = cache.begin(); it != cache.end(); ++it) {
    if (it->path == path) {
      if (it->trusted && it->size == size && it->time == time) {
        cache.splice(cache.begin(), cache, it);
        return cache.front().doc;
      }
      cache.erase(it);
      break;
    }
  }
  IniDocument doc;
  try {
    doc = Parse(ReadFileBytes(path));
  } catch (const Exception&) {
    return IniDocument();
  }
  Remember(path, doc);
  return doc;
}

bool Save(const std::string& path, const IniDocument& doc) {
  try {
    WriteFileBytes(path, Serialise(doc));
  } catch (const Exception&) {
    Forget(path);
    return false;
  }
  Remember(path, doc);
  return true;
}

std::string NameOf(const std::string& name) { return Trim(name); }

// Index of the first section header with that name, or -1.
int FindSection(const IniDocument& doc, const std::string& section) {
  for (size_t i = 0; i < doc.lines.size(); ++i)
    if (doc.lines[i].kind == LineKind::Section && SameText(doc.lines[i].name, section))
      return static_cast<int>(i);
  return -1;
}

// One past the last line of the section that starts at header.
int SectionEnd(const IniDocument& doc, int header) {
  size_t i = header + 1;
  while (i < doc.lines.size() && doc.lines[i].kind != LineKind::Section) ++i;
  return static_cast<int>(i);
}

int FindKey(const IniDocument& doc, int header, const std::string& key) {
  int end = SectionEnd(doc, header);
  for (int i = header + 1; i < end; ++i)
    if (doc.lines[i].kind == LineKind::Key && SameText(doc.lines[i].name, key)) return i;
  return -1;
}

std::string CutToCharacters(const std::string& text, int maxChars) {
  if (maxChars <= 0) return "";
  int count = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    // Count lead bytes only, so a cut never splits a UTF-8 sequence.
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
      if (count == maxChars) return text.substr(0, i);
      ++count;
    }
  }
  return text;
}

std::string ResolvedPath(const std::string& file) { return ResolveFilePath(file); }

void InsertLine(IniDocument& doc, int at, std::string text) {
  Line line;
  line.text = std::move(text);
  if (at > 0 && doc.lines[at - 1].end.empty()) {
    // The previous line was the last one and had no line end: it gets one,
    // and the new last line carries on without.
    doc.lines[at - 1].end = doc.newline;
    line.end = at == static_cast<int>(doc.lines.size()) ? "" : doc.newline;
  } else {
    line.end = doc.newline;
  }
  doc.lines.insert(doc.lines.begin() + at, std::move(line));
}

bool ValidKeyName(const std::string& key) {
  return !key.empty() && key.find_first_of("=\r\n") == std::string::npos && key[0] != '[' && key[0] != ';';
}

bool ValidSectionName(const std::string& section) {
  return !section.empty() && section.find_first_of("]\r\n") == std::string::npos;
}

}  // namespace

std::string GetPrivateProfileString(const std::string& section, const std::string& key,
                                    const std::string& fallback, const std::string& file,
                                    int bufferSize) {
  std::lock_guard<std::mutex> lock(cacheMutex);
  bool exists;
  IniDocument doc = Load(ResolvedPath(file), exists);
  int header = FindSection(doc, NameOf(section));
  if (header >= 0) {
    int line = FindKey(doc, header, NameOf(key));
    if (line >= 0) return CutToCharacters(doc.lines[line].value, bufferSize - 1);
  }
  return CutToCharacters(fallback, bufferSize - 1);
}

std::vector<std::string> GetPrivateProfileKeys(const std::string& section, const std::string& file) {
  std::lock_guard<std::mutex> lock(cacheMutex);
  bool exists;
  IniDocument doc = Load(ResolvedPath(file), exists);
  std::vector<std::string> keys;
  int header = FindSection(doc, NameOf(section));
  if (header < 0) return keys;
  int end = SectionEnd(doc, header);
  for (int i = header + 1; i < end; ++i) {
    const Line& line = doc.lines[i];
    if (line.kind != LineKind::Key) continue;
    bool seen = false;
    for (const auto& k : keys) seen = seen || SameText(k, line.name);
    if (!seen) keys.push_back(line.name);
  }
  return keys;
}

std::vector<std::string> GetPrivateProfileSectionNames(const std::string& file) {
  std::lock_guard<std::mutex> lock(cacheMutex);
  bool exists;
  IniDocument doc = Load(ResolvedPath(file), exists);
  std::vector<std::string> names;
  for (const Line& line : doc.lines) {
    if (line.kind != LineKind::Section) continue;
    bool seen = false;
    for (const auto& n : names) seen = seen || SameText(n, line.name);
    if (!seen) names.push_back(line.name);
  }
  return names;
}

bool WritePrivateProfileString(const std::string& section, const std::string& key,
                               const std::optional<std::string>& value, const std::string& file) {
  std::lock_guard<std::mutex> lock(cacheMutex);
  std::string sectionName = NameOf(section);
  std::string keyName = NameOf(key);
  if (!ValidSectionName(sectionName) || !ValidKeyName(keyName)) return false;
  std::string path = ResolvedPath(file);
  bool exists;
  IniDocument doc = Load(path, exists);
  int header = FindSection(doc, sectionName);

  if (!value) {
    if (header < 0) return true;
    bool changed = false;
    for (int i = SectionEnd(doc, header) - 1; i > header; --i) {
      if (doc.lines[i].kind == LineKind::Key && SameText(doc.lines[i].name, keyName)) {
        doc.lines.erase(doc.lines.begin() + i);
        changed = true;
      }
    }
    return !changed || Save(path, doc);
  }

  std::string v = *value;
  for (char& c : v)
    if (c == '\r' || c == '\n') c = ' ';

  if (header < 0) {
    int at = static_cast<int>(doc.lines.size());
    if (at > 0 && !Trim(doc.lines[at - 1].text).empty()) {
      InsertLine(doc, at, "");
      ++at;
    }
    InsertLine(doc, at, "[" + sectionName + "]");
    InsertLine(doc, at + 1, keyName + "=" + v);
  } else {
    int line = FindKey(doc, header, keyName);
    if (line >= 0) {
      Line& l = doc.lines[line];
      size_t eq = l.text.find('=');
      size_t start = eq + 1;
      while (start < l.text.size() && (l.text[start] == ' ' || l.text[start] == '\t')) ++start;
      std::string replaced = l.text.substr(0, start) + v;
      if (replaced == l.text) return true;
      l.text = replaced;
    } else {
      int at = SectionEnd(doc, header);
      while (at > header + 1 && Trim(doc.lines[at - 1].text).empty()) --at;
      InsertLine(doc, at, keyName + "=" + v);
    }
  }
  ClassifyAll(doc);
  return Save(path, doc);
}

bool EraseProfileSection(const std::string& section, const std::string& file) {
  std::lock_guard<std::mutex> lock(cacheMutex);
  std::string path = ResolvedPath(file);
  bool exists;
  IniDocument doc = Load(path, exists);
  std::string name = NameOf(section);
  bool changed = false;
  int header;
  while ((header = FindSection(doc, name)) >= 0) {
    int end = SectionEnd(doc, header);
    doc.lines.erase(doc.lines.begin() + header, doc.lines.begin() + end);
    changed = true;
  }
  if (!changed) return true;
  ClassifyAll(doc);
  return Save(path, doc);
}

void FlushPrivateProfile(const std::string& file) {
  std::lock_guard<std::mutex> lock(cacheMutex);
  Forget(ResolvedPath(file));
}

}  // namespace platform
