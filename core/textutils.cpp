#include "core/textutils.h"

#include <cstdlib>

#include "platform/sysutils.h"

namespace core {

using platform::Trim;

std::string RemoveSpaces(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text)
    if (c != ' ') out += c;
  return out;
}

std::string StripTrailingComma(std::string_view text) {
  if (!text.empty() && text.back() == ',') text.remove_suffix(1);
  return std::string(text);
}

namespace {

// The pieces of the split and whether each stood before a delimiter; the
// last piece (after the last delimiter) is converted without protection.
template <typename OnPiece>
void SplitPieces(std::string_view text, char delimiter, OnPiece onPiece) {
  std::string rest = Trim(text);
  size_t p;
  while ((p = rest.find(delimiter)) != std::string::npos) {
    onPiece(rest.substr(0, p), true);
    rest = Trim(std::string_view(rest).substr(p + 1));
  }
  if (!rest.empty()) onPiece(rest, false);
}

}  // namespace

void SplitToStrings(std::string_view text, char delimiter, platform::TStringList& list) {
  list.Clear();
  SplitPieces(text, delimiter, [&](const std::string& piece, bool) { list.Add(piece); });
}

std::vector<double> SplitToFloats(std::string_view text, char delimiter) {
  std::vector<double> values;
  SplitPieces(text, delimiter, [&](const std::string& piece, bool beforeDelimiter) {
    values.push_back(beforeDelimiter ? platform::StrToFloatDef(piece, 0.0) : platform::StrToFloat(piece));
  });
  return values;
}

std::vector<int32_t> SplitToInts(std::string_view text, char delimiter) {
  std::vector<int32_t> values;
  SplitPieces(text, delimiter, [&](const std::string& piece, bool beforeDelimiter) {
    values.push_back(beforeDelimiter ? platform::StrToIntDef(piece, 0) : platform::StrToInt(piece));
  });
  return values;
}

void CommaTextToInts(std::string_view text, std::vector<int32_t>& values) {
  if (text.empty()) return;
  platform::TStringList items;
  items.SetCommaText(text);
  for (const auto& item : items) values.push_back(platform::StrToInt(item));
}

void CommaTextToFloats(std::string_view text, std::vector<double>& values) {
  platform::TStringList items;
  items.SetCommaText(StripTrailingComma(RemoveSpaces(text)));
  std::vector<double> converted;
  converted.reserve(items.Count());
  for (const auto& item : items) converted.push_back(platform::StrToFloat(item));
  values = std::move(converted);
}

bool SplitPair(std::string_view text, double& first, double& second) {
  size_t slash = text.find('/');
  if (slash == std::string_view::npos) {
    first = platform::StrToFloat(text);
    return false;
  }
  double a = platform::StrToFloat(text.substr(0, slash));
  double b = platform::StrToFloat(text.substr(slash + 1));
  first = a;
  second = b;
  return true;
}

bool StrInList(std::string_view text, const platform::TStringList& list) {
  for (const auto& item : list)
    if (platform::SameText(item, text)) return true;
  return false;
}

std::string FloatFormatFor(int significantDigits, int maxDecimals, double value) {
  std::string text = platform::Format("%0." + std::to_string(maxDecimals) + "f", {value});
  size_t point = text.find('.');
  int before = static_cast<int>(point == std::string::npos ? text.size() : point);
  int decimals;
  if (before == 1) {
    std::string fraction = point == std::string::npos ? "" : text.substr(point + 1);
    size_t firstNonZero = fraction.find_first_not_of('0');
    decimals = firstNonZero == std::string::npos ? 3 : static_cast<int>(firstNonZero) + 3;
  } else {
    decimals = significantDigits > before ? significantDigits - before : 0;
  }
  if (decimals > maxDecimals) decimals = maxDecimals;
  return "%0." + std::to_string(decimals) + "f";
}

int DecimalsInFormat(std::string_view format) {
  size_t point = format.find('.');
  if (point == std::string_view::npos || point + 1 >= format.size()) return 0;
  char c = format[point + 1];
  return c >= '0' && c <= '9' ? c - '0' : 0;
}

std::string KeepFirst(char c, std::string_view text) {
  std::string out;
  bool seen = false;
  for (char ch : text) {
    if (ch == c) {
      if (seen) continue;
      seen = true;
    }
    out += ch;
  }
  return out;
}

std::string NormaliseNumberText(std::string_view text) {
  std::string t = RemoveSpaces(text);
  size_t slash = t.find('/');
  if (slash != std::string::npos) {
    t = KeepFirst('/', t);
    return NormaliseNumberText(std::string_view(t).substr(0, slash)) + "/" +
           NormaliseNumberText(std::string_view(t).substr(slash + 1));
  }
  if (t.empty()) return "0";
  for (char& c : t)
    if (c == 'e') c = 'E';
  t = KeepFirst('E', t);
  if (t.size() > 1) {
    std::string kept(1, t[0]);
    for (size_t i = 1; i < t.size(); ++i)
      if (t[i] != '-' || t[i - 1] == 'E') kept += t[i];
    t = kept;
  }
  if (t == "-") return "0";
  t = KeepFirst('.', t);
  if (t[0] == 'E') t = "1" + t;
  size_t e = t.find('E');
  if (e != std::string::npos && e + 1 < t.size()) {
    std::string exponent;
    for (char c : t.substr(e + 1))
      if (c != '.') exponent += c;
    // Too many digits for an integer is still a number, and far beyond 300.
    bool digitsOnly = exponent.find_first_not_of("+-0123456789") == std::string::npos &&
                      exponent.find_first_of("0123456789") != std::string::npos;
    int32_t value;
    bool tooLong = digitsOnly && !platform::TryStrToInt(exponent, value);
    if (tooLong || std::abs(static_cast<int64_t>(platform::StrToInt(exponent))) > 300)
      exponent = exponent.substr(0, 2);
    t = t.substr(0, e + 1) + exponent;
  }
  return t;
}

}  // namespace core
