#include "core/inifiles.h"

#include <cmath>
#include <cstdio>
#include <utility>
#include <vector>

#include "platform/profile.h"

namespace core {

using platform::EConvertError;

namespace {

constexpr int kValueBuffer = 2048;

// As Trim(name).empty(), without the copy: names are checked on every read.
bool BlankName(const std::string& name) {
  for (char c : name)
    if (static_cast<unsigned char>(c) > ' ') return false;
  return true;
}

// Date-times as days since 1899-12-30; the fixed texts the system writes are
// "yyyy-mm-dd", "hh:nn:ss" and the two joined by a blank, whatever the locale.
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void CivilFromDays(int64_t z, int& y, int& m, int& d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(yoe + era * 400 + (m <= 2));
}

const int64_t kEpoch = DaysFromCivil(1899, 12, 30);

std::string DateText(TDateTime value) {
  int y, m, d;
  CivilFromDays(static_cast<int64_t>(std::floor(value)) + kEpoch, y, m, d);
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", y, m, d);
  return buf;
}

std::string TimeText(TDateTime value) {
  double fraction = value - std::floor(value);
  int seconds = static_cast<int>(std::lround(fraction * 86400.0));
  if (seconds >= 86400) seconds = 86399;
  char buf[32];
  std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", seconds / 3600, seconds / 60 % 60, seconds % 60);
  return buf;
}

[[noreturn]] void BadDate(const std::string& text) {
  throw EConvertError("'" + text + "' is not a valid date and time");
}

TDateTime ParseDate(const std::string& text) {
  int y, m, d;
  char tail;
  if (std::sscanf(text.c_str(), "%d-%d-%d%c", &y, &m, &d, &tail) != 3 || m < 1 || m > 12 || d < 1 || d > 31)
    BadDate(text);
  int64_t days = DaysFromCivil(y, static_cast<unsigned>(m), static_cast<unsigned>(d));
  int yy, mm, dd;
  CivilFromDays(days, yy, mm, dd);
  if (mm != m) BadDate(text);   // 31 April and the like
  return static_cast<double>(days - kEpoch);
}

TDateTime ParseTime(const std::string& text) {
  int h, n, s = 0;
  char tail;
  int got = std::sscanf(text.c_str(), "%d:%d:%d%c", &h, &n, &s, &tail);
  if ((got != 2 && got != 3) || h < 0 || h > 23 || n < 0 || n > 59 || s < 0 || s > 59) BadDate(text);
  return (h * 3600 + n * 60 + s) / 86400.0;
}

TDateTime ParseDateTime(const std::string& text) {
  std::string t = platform::Trim(text);
  size_t blank = t.find(' ');
  if (blank == std::string::npos) {
    return t.find(':') != std::string::npos ? ParseTime(t) : ParseDate(t);
  }
  double date = ParseDate(t.substr(0, blank));
  double time = ParseTime(platform::Trim(t.substr(blank + 1)));
  return date < 0 ? date - time : date + time;
}

template <typename Convert>
double ReadConverted(TCustomIniFile& ini, const std::string& section, const std::string& key,
                     double fallback, Convert convert) {
  std::string text = ini.ReadString(section, key, "");
  if (text.empty()) return fallback;
  try {
    return convert(text);
  } catch (const EConvertError&) {
    return fallback;
  }
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

int32_t TCustomIniFile::ReadInteger(const std::string& section, const std::string& key, int32_t fallback) {
  std::string text = ReadString(section, key, "");
  if (text.size() >= 3 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) text = "$" + text.substr(2);
  return platform::StrToIntDef(text, fallback);
}

void TCustomIniFile::WriteInteger(const std::string& section, const std::string& key, int32_t value) {
  WriteString(section, key, platform::IntToStr(value));
}

bool TCustomIniFile::ReadBool(const std::string& section, const std::string& key, bool fallback) {
  return ReadInteger(section, key, fallback ? 1 : 0) != 0;
}

void TCustomIniFile::WriteBool(const std::string& section, const std::string& key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

double TCustomIniFile::ReadFloat(const std::string& section, const std::string& key, double fallback) {
  return ReadConverted(*this, section, key, fallback, [](const std::string& t) { return platform::StrToFloat(t); });
}

void TCustomIniFile::WriteFloat(const std::string& section, const std::string& key, double value) {
  WriteString(section, key, platform::FloatToStr(value));
}

TDateTime TCustomIniFile::ReadDate(const std::string& section, const std::string& key, TDateTime fallback) {
  return ReadConverted(*this, section, key, fallback, [](const std::string& t) { return ParseDate(platform::Trim(t)); });
}

TDateTime TCustomIniFile::ReadDateTime(const std::string& section, const std::string& key, TDateTime fallback) {
  return ReadConverted(*this, section, key, fallback, ParseDateTime);
}

TDateTime TCustomIniFile::ReadTime(const std::string& section, const std::string& key, TDateTime fallback) {
  return ReadConverted(*this, section, key, fallback, [](const std::string& t) { return ParseTime(platform::Trim(t)); });
}

void TCustomIniFile::WriteDate(const std::string& section, const std::string& key, TDateTime value) {
  WriteString(section, key, DateText(value));
}

void TCustomIniFile::WriteDateTime(const std::string& section, const std::string& key, TDateTime value) {
  WriteString(section, key, DateText(value) + " " + TimeText(value));
}

void TCustomIniFile::WriteTime(const std::string& section, const std::string& key, TDateTime value) {
  WriteString(section, key, TimeText(value));
}

int TCustomIniFile::ReadBinaryStream(const std::string& section, const std::string& key,
                                     platform::TStream& stream) {
  std::string text = ReadString(section, key, "");
  if (text.empty()) return 0;
  // Pairs of hexadecimal digits up to the first that is not one.
  std::vector<uint8_t> bytes;
  for (size_t i = 0; i + 1 < text.size(); i += 2) {
    int hi = HexDigit(text[i]), lo = HexDigit(text[i + 1]);
    if (hi < 0 || lo < 0) break;
    bytes.push_back(static_cast<uint8_t>(hi * 16 + lo));
  }
  stream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
  return static_cast<int>(bytes.size());
}

void TCustomIniFile::WriteBinaryStream(const std::string& section, const std::string& key,
                                       platform::TStream& stream) {
  static const char* hex = "0123456789ABCDEF";
  int64_t count = stream.Size() - stream.Position();
  std::vector<uint8_t> bytes(static_cast<size_t>(std::max<int64_t>(count, 0)));
  stream.ReadBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
  std::string text;
  text.reserve(bytes.size() * 2);
  for (uint8_t b : bytes) {
    text += hex[b >> 4];
    text += hex[b & 15];
  }
  WriteString(section, key, text);
}

bool TCustomIniFile::SectionExists(const std::string& section) {
  platform::TStringList keys;
  ReadSection(section, keys);
  return keys.Count() > 0;
}

bool TCustomIniFile::ValueExists(const std::string& section, const std::string& key) {
  platform::TStringList keys;
  ReadSection(section, keys);
  return keys.IndexOf(key) >= 0;
}

// ---- TIniFile ----

TIniFile::TIniFile(const std::string& fileName) : TCustomIniFile(fileName) {}

TIniFile::~TIniFile() { UpdateFile(); }

std::string TIniFile::ReadString(const std::string& section, const std::string& key,
                                 const std::string& fallback) {
  if (BlankName(section) || BlankName(key)) return fallback;
  return platform::GetPrivateProfileString(section, key, fallback, FileName(), kValueBuffer);
}

void TIniFile::WriteString(const std::string& section, const std::string& key, const std::string& value) {
  if (!platform::WritePrivateProfileString(section, key, value, FileName()))
    throw EIniFileException("Unable to write to " + FileName());
}

void TIniFile::ReadSection(const std::string& section, platform::TStringList& list) {
  if (BlankName(section)) return;
  list.BeginUpdate();
  try {
    list.Clear();
    for (std::string& key : platform::GetPrivateProfileKeys(section, FileName())) list.Add(std::move(key));
  } catch (...) {
    list.EndUpdate();
    throw;
  }
  list.EndUpdate();
}

void TIniFile::ReadSections(platform::TStringList& list) {
  list.BeginUpdate();
  try {
    list.Clear();
    for (std::string& name : platform::GetPrivateProfileSectionNames(FileName())) list.Add(std::move(name));
  } catch (...) {
    list.EndUpdate();
    throw;
  }
  list.EndUpdate();
}

void TIniFile::ReadSectionValues(const std::string& section, platform::TStringList& list) {
  // The names of ReadSection with the values ReadString gives for them, taken
  // from the file in one look: each line is built once and moved into the list.
  std::vector<std::string> lines;
  if (!BlankName(section)) lines = platform::GetPrivateProfileSection(section, FileName(), kValueBuffer);
  list.BeginUpdate();
  try {
    list.Clear();
    for (std::string& line : lines) list.Add(std::move(line));
  } catch (...) {
    list.EndUpdate();
    throw;
  }
  list.EndUpdate();
}

void TIniFile::EraseSection(const std::string& section) {
  if (!platform::EraseProfileSection(section, FileName()))
    throw EIniFileException("Unable to write to " + FileName());
}

void TIniFile::DeleteKey(const std::string& section, const std::string& key) {
  platform::WritePrivateProfileString(section, key, std::nullopt, FileName());
}

void TIniFile::UpdateFile() { platform::FlushPrivateProfile(FileName()); }

}  // namespace core
