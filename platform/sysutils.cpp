// Number text, formatting and conversions with the class library's rules,
// independent of the process locale: the decimal separator is always "." and
// the thousands separator ",". Digits come from std::to_chars (locale-free,
// exact), then are rounded half away from zero on their decimal expansion,
// as the class library rounds (0.125 to two digits is "0.13", not C's "0.12").
#include "platform/sysutils.h"

#include "platform/profile.h"

#include <QChar>
#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace platform {

namespace fs = std::filesystem;

namespace {

// A double as significant decimal digits: value = 0.d1d2d3... x 10^exponent.
struct Decimal {
  bool negative = false;
  std::string digits;   // no leading zeros; empty for zero
  int exponent = 0;
};

Decimal ToDecimal(double value) {
  Decimal d;
  d.negative = std::signbit(value);
  double a = std::fabs(value);
  if (a == 0) return d;
  char buf[64];
  // 18 significant digits, the precision the class library worked with.
  auto res = std::to_chars(buf, buf + sizeof buf, a, std::chars_format::scientific, 17);
  std::string s(buf, res.ptr);
  auto e = s.find('e');
  d.digits.push_back(s[0]);
  d.digits.append(s.substr(2, e - 2));
  d.exponent = std::stoi(s.substr(e + 1)) + 1;
  while (!d.digits.empty() && d.digits.back() == '0') d.digits.pop_back();
  return d;
}

// Keep count significant digits, rounding half away from zero.
void RoundTo(Decimal& d, int count) {
  if (static_cast<int>(d.digits.size()) <= count) return;
  if (count < 0) {
    d.digits.clear();
    return;
  }
  bool up = d.digits[count] >= '5';
  d.digits.resize(count);
  if (up) {
    int i = count - 1;
    while (i >= 0 && d.digits[i] == '9') {
      d.digits[i] = '0';
      --i;
    }
    if (i < 0) {
      d.digits.insert(d.digits.begin(), '1');
      d.exponent++;
    } else {
      d.digits[i]++;
    }
  }
  while (!d.digits.empty() && d.digits.back() == '0') d.digits.pop_back();
}

bool SpecialText(double value, std::string& out) {
  if (std::isnan(value)) {
    out = "NAN";
    return true;
  }
  if (std::isinf(value)) {
    out = value < 0 ? "-INF" : "INF";
    return true;
  }
  return false;
}

char DigitAt(const Decimal& d, int i) {
  return i >= 0 && i < static_cast<int>(d.digits.size()) ? d.digits[i] : '0';
}

// "E", the sign and at least minDigits digits. The general format with no
// minimum leaves out the "+" ("1E20"), every other form writes it ("E+003").
std::string ExponentText(int exponent, int minDigits, bool plusSign) {
  std::string out = "E";
  if (exponent < 0) out += '-';
  else if (plusSign) out += '+';
  std::string num = std::to_string(std::abs(exponent));
  if (static_cast<int>(num.size()) < minDigits) num.insert(0, minDigits - num.size(), '0');
  return out + num;
}

std::string GeneralText(double value, int precision, int expDigits) {
  std::string special;
  if (SpecialText(value, special)) return special;
  precision = std::clamp(precision, 1, 18);
  Decimal d = ToDecimal(value);
  RoundTo(d, precision);
  if (d.digits.empty()) return "0";
  std::string out = d.negative ? "-" : "";
  int e = d.exponent;
  // Fixed while the integer part fits the precision and the value is at
  // least 0.00001 (0.1E-4); scientific otherwise.
  if (e > precision || e < -4) {
    out += d.digits[0];
    if (d.digits.size() > 1) out += "." + d.digits.substr(1);
    out += ExponentText(e - 1, expDigits, expDigits > 0);
    return out;
  }
  if (e <= 0) {
    out += "0." + std::string(-e, '0') + d.digits;
  } else if (static_cast<int>(d.digits.size()) <= e) {
    out += d.digits + std::string(e - d.digits.size(), '0');
  } else {
    out += d.digits.substr(0, e) + "." + d.digits.substr(e);
  }
  return out;
}

std::string ExponentFormText(double value, int precision, int expDigits) {
  std::string special;
  if (SpecialText(value, special)) return special;
  precision = std::clamp(precision, 1, 18);
  Decimal d = ToDecimal(value);
  RoundTo(d, precision);
  std::string out;
  int exponent = 0;
  if (!d.digits.empty()) {
    if (d.negative) out += '-';
    exponent = d.exponent - 1;
  }
  out += DigitAt(d, 0);
  if (precision > 1) {
    out += '.';
    for (int i = 1; i < precision; ++i) out += DigitAt(d, i);
  }
  return out + ExponentText(exponent, expDigits, true);
}

std::string GroupThousands(const std::string& integerDigits) {
  std::string out;
  int n = static_cast<int>(integerDigits.size());
  for (int i = 0; i < n; ++i) {
    if (i > 0 && (n - i) % 3 == 0) out += ',';
    out += integerDigits[i];
  }
  return out;
}

// Fixed notation with the given decimals; values with more integer digits
// than the precision fall back to the general scientific form.
std::string FixedText(double value, int precision, int decimals, bool thousands) {
  std::string special;
  if (SpecialText(value, special)) return special;
  decimals = std::clamp(decimals, 0, 18);
  Decimal d = ToDecimal(value);
  if (d.exponent > precision) return GeneralText(value, precision, 3);
  RoundTo(d, d.exponent + decimals);
  std::string integerPart;
  for (int i = 0; i < d.exponent; ++i) integerPart += DigitAt(d, i);
  if (integerPart.empty()) integerPart = "0";
  std::string out = (d.negative && !d.digits.empty()) ? "-" : "";
  out += thousands ? GroupThousands(integerPart) : integerPart;
  if (decimals > 0) {
    out += '.';
    for (int i = 0; i < decimals; ++i) out += DigitAt(d, d.exponent + i);
  }
  return out;
}

[[noreturn]] void InvalidFormat(std::string_view format) {
  throw EConvertError("Format '" + std::string(format) + "' invalid or incompatible with argument");
}

std::string HexDigits(uint64_t u, int minDigits) {
  static const char* hex = "0123456789ABCDEF";
  std::string out;
  do {
    out.insert(out.begin(), hex[u & 15]);
    u >>= 4;
  } while (u);
  if (static_cast<int>(out.size()) < minDigits) out.insert(0, minDigits - out.size(), '0');
  return out;
}

std::string HexText(int64_t value, int minDigits) {
  uint64_t u = static_cast<uint64_t>(value);
  // Negative 32-bit values print as 32-bit words, as they did.
  if (value < 0 && value >= INT32_MIN) u &= 0xFFFFFFFFull;
  return HexDigits(u, minDigits);
}

bool IsBlankOrControl(char c) { return static_cast<unsigned char>(c) <= 32; }

}  // namespace

std::string Format(std::string_view format, const FormatArgs& args) {
  std::string out;
  size_t argIndex = 0;
  size_t i = 0;
  const size_t n = format.size();
  auto nextArg = [&]() -> const FormatArg& {
    if (argIndex >= args.items.size())
      throw EConvertError("No argument for format '" + std::string(format) + "'");
    return args.items[argIndex++];
  };
  auto readNumber = [&](int& value) -> bool {
    if (i < n && format[i] == '*') {
      ++i;
      const FormatArg& a = nextArg();
      if (!std::holds_alternative<int64_t>(a)) InvalidFormat(format);
      value = static_cast<int>(std::get<int64_t>(a));
      return true;
    }
    if (i >= n || format[i] < '0' || format[i] > '9') return false;
    value = 0;
    while (i < n && format[i] >= '0' && format[i] <= '9') {
      value = value * 10 + (format[i] - '0');
      if (value > 100000) InvalidFormat(format);
      ++i;
    }
    return true;
  };
  while (i < n) {
    char c = format[i];
    if (c != '%') {
      out += c;
      ++i;
      continue;
    }
    ++i;
    if (i >= n) InvalidFormat(format);
    if (format[i] == '%') {
      out += '%';
      ++i;
      continue;
    }
    bool leftAlign = false;
    int width = -1, precision = -1;
    int number = 0;
    size_t save = i;
    if (i < n && format[i] >= '0' && format[i] <= '9' && readNumber(number) && i < n && format[i] == ':') {
      argIndex = static_cast<size_t>(number);
      ++i;
    } else {
      i = save;
    }
    if (i < n && format[i] == '-') {
      leftAlign = true;
      ++i;
    }
    if (readNumber(number)) width = number;
    if (i < n && format[i] == '.') {
      ++i;
      if (!readNumber(number)) number = 0;
      precision = number;
    }
    if (i >= n) InvalidFormat(format);
    char type = LowerAscii(format[i++]);
    const FormatArg& arg = nextArg();
    std::string text;
    auto asDouble = [&]() -> double {
      if (std::holds_alternative<double>(arg)) return std::get<double>(arg);
      // Integers are accepted where a float is expected; C++ callers mix them freely.
      if (std::holds_alternative<int64_t>(arg)) return static_cast<double>(std::get<int64_t>(arg));
      InvalidFormat(format);
    };
    auto asInt = [&]() -> int64_t {
      if (!std::holds_alternative<int64_t>(arg)) InvalidFormat(format);
      return std::get<int64_t>(arg);
    };
    switch (type) {
      case 'd':
      case 'u': {
        int64_t v = asInt();
        if (type == 'u' && v < 0 && v >= INT32_MIN) v &= 0xFFFFFFFFll;
        uint64_t magnitude = v < 0 ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
        std::string digits = std::to_string(magnitude);
        if (precision > static_cast<int>(digits.size())) digits.insert(0, precision - digits.size(), '0');
        text = (v < 0 ? "-" : "") + digits;
        break;
      }
      case 'x':
        text = HexText(asInt(), precision);
        break;
      case 'p':
        text = HexText(asInt(), 8);
        break;
      case 'e':
        text = ExponentFormText(asDouble(), precision < 0 ? 15 : precision, 3);
        break;
      case 'f':
        text = FixedText(asDouble(), 18, precision < 0 ? 2 : precision, false);
        break;
      case 'n':
        text = FixedText(asDouble(), 18, precision < 0 ? 2 : precision, true);
        break;
      case 'm':
        text = FloatToStrF(asDouble(), TFloatFormat::ffCurrency, 18, precision < 0 ? 2 : precision);
        break;
      case 'g':
        text = GeneralText(asDouble(), precision < 0 ? 15 : precision, 3);
        break;
      case 's': {
        if (!std::holds_alternative<std::string>(arg)) InvalidFormat(format);
        text = std::get<std::string>(arg);
        if (precision >= 0 && static_cast<int>(text.size()) > precision) text.resize(precision);
        break;
      }
      default:
        InvalidFormat(format);
    }
    if (width > static_cast<int>(text.size())) {
      std::string pad(width - text.size(), ' ');
      text = leftAlign ? text + pad : pad + text;
    }
    out += text;
  }
  return out;
}

std::string FloatToStr(double value) { return GeneralText(value, 15, 0); }

std::string FloatToStrF(double value, TFloatFormat format, int precision, int digits) {
  precision = std::clamp(precision, 1, 18);
  switch (format) {
    case TFloatFormat::ffGeneral:
      return GeneralText(value, precision, std::clamp(digits, 0, 4));
    case TFloatFormat::ffExponent:
      return ExponentFormText(value, precision, std::clamp(digits, 0, 4));
    case TFloatFormat::ffFixed:
      return FixedText(value, precision, digits, false);
    case TFloatFormat::ffNumber:
      return FixedText(value, precision, digits, true);
    case TFloatFormat::ffCurrency: {
      std::string t = FixedText(std::fabs(value), precision, digits, true);
      bool negative = value < 0 && t.find_first_of("123456789") != std::string::npos;
      return (negative ? "-$" : "$") + t;
    }
  }
  return FloatToStr(value);
}

namespace {

// One section of a picture format, read into its parts. Literal text before
// the first and after the last placeholder is kept in place; the class
// library also allowed literals between digits, which the system never uses.
struct Picture {
  std::string prefix, suffix;
  int intZeros = 0, intPlaces = 0;   // '0' and all placeholders before the point
  int decZeros = 0, decPlaces = 0;   // after the point
  bool thousands = false;
  bool scientific = false;
  bool expPlus = false;
  int expDigits = 0;
  bool empty = true;
};

Picture ParsePicture(std::string_view s) {
  Picture p;
  bool seenPlaceholder = false, afterPoint = false, done = false;
  std::string* literal = &p.prefix;
  for (size_t i = 0; i < s.size(); ++i) {
    char c = s[i];
    if (c == '"' || c == '\'') {
      size_t end = s.find(c, i + 1);
      if (end == std::string_view::npos) end = s.size();
      literal->append(s.substr(i + 1, end - i - 1));
      i = end;
      continue;
    }
    if (!done && (c == '0' || c == '#')) {
      seenPlaceholder = true;
      p.empty = false;
      if (afterPoint) {
        p.decPlaces++;
        if (c == '0') p.decZeros = p.decPlaces;
      } else {
        p.intPlaces++;
        if (c == '0' || p.intZeros > 0) p.intZeros++;
      }
      continue;
    }
    if (!done && c == '.' && !afterPoint) {
      afterPoint = true;
      p.empty = false;
      seenPlaceholder = true;
      continue;
    }
    if (!done && c == ',') {
      p.thousands = true;
      continue;
    }
    if (!done && seenPlaceholder && (c == 'E' || c == 'e') && i + 1 < s.size() &&
        (s[i + 1] == '+' || s[i + 1] == '-')) {
      p.scientific = true;
      p.expPlus = s[i + 1] == '+';
      i += 2;
      while (i < s.size() && s[i] == '0') {
        p.expDigits++;
        ++i;
      }
      --i;
      done = true;
      literal = &p.suffix;
      continue;
    }
    if (seenPlaceholder) {
      done = true;
      literal = &p.suffix;
    }
    literal->push_back(c);
  }
  return p;
}

std::vector<std::string> PictureSections(std::string_view pattern) {
  std::vector<std::string> sections(1);
  char quote = 0;
  for (char c : pattern) {
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == ';') {
      sections.emplace_back();
      continue;
    }
    sections.back() += c;
  }
  return sections;
}

std::string ApplyPicture(const Picture& p, double value, bool withSign) {
  Decimal d = ToDecimal(value);
  std::string body;
  if (p.scientific) {
    int intDigits = std::max(1, p.intPlaces);
    int sig = intDigits + p.decPlaces;
    RoundTo(d, sig);
    int exponent = d.digits.empty() ? 0 : d.exponent - intDigits;
    std::string mantissa;
    for (int i = 0; i < intDigits; ++i) mantissa += DigitAt(d, i);
    std::string decimals;
    for (int i = 0; i < p.decPlaces; ++i) decimals += DigitAt(d, intDigits + i);
    while (static_cast<int>(decimals.size()) > p.decZeros && !decimals.empty() && decimals.back() == '0')
      decimals.pop_back();
    body = mantissa + (decimals.empty() ? "" : "." + decimals);
    std::string e = std::to_string(std::abs(exponent));
    if (static_cast<int>(e.size()) < p.expDigits) e.insert(0, p.expDigits - e.size(), '0');
    body += "E";
    body += exponent < 0 ? "-" : (p.expPlus ? "+" : "");
    body += e;
  } else {
    RoundTo(d, d.exponent + p.decPlaces);
    std::string integerPart;
    for (int i = 0; i < d.exponent; ++i) integerPart += DigitAt(d, i);
    if (static_cast<int>(integerPart.size()) < p.intZeros)
      integerPart.insert(0, p.intZeros - integerPart.size(), '0');
    if (p.thousands) integerPart = GroupThousands(integerPart);
    std::string decimals;
    for (int i = 0; i < p.decPlaces; ++i) decimals += DigitAt(d, d.exponent + i);
    while (static_cast<int>(decimals.size()) > p.decZeros && decimals.back() == '0') decimals.pop_back();
    body = integerPart + (decimals.empty() ? "" : "." + decimals);
  }
  bool nonzero = !d.digits.empty();
  return (withSign && d.negative && nonzero ? "-" : "") + p.prefix + body + p.suffix;
}

}  // namespace

std::string FormatFloat(std::string_view pattern, double value) {
  std::string special;
  if (SpecialText(value, special)) return special;
  std::vector<std::string> sections = PictureSections(pattern);
  Picture first = ParsePicture(sections[0]);
  if (first.empty && sections.size() == 1 && first.prefix.empty()) return FloatToStr(value);
  if (value == 0 && sections.size() >= 3 && !sections[2].empty())
    return ApplyPicture(ParsePicture(sections[2]), 0.0, false);
  if (value < 0 && sections.size() >= 2 && !sections[1].empty())
    return ApplyPicture(ParsePicture(sections[1]), -value, false);
  return ApplyPicture(first, value, true);
}

std::string IntToStr(int64_t value) { return std::to_string(value); }

std::string IntToHex(int64_t value, int digits) { return HexDigits(static_cast<uint64_t>(value), digits); }

namespace {

// Text to double: [sign] digits [. digits] [E [sign] digits], at least one
// mantissa digit. No thousands separators, no hexadecimal, no INF/NAN.
bool ParseFloat(std::string_view original, double& value) {
  std::string t = Trim(original);
  size_t i = 0, n = t.size();
  bool negative = false;
  if (i < n && (t[i] == '+' || t[i] == '-')) negative = t[i++] == '-';
  size_t mantStart = i;
  int digits = 0;
  while (i < n && t[i] >= '0' && t[i] <= '9') ++i, ++digits;
  if (i < n && t[i] == '.') {
    ++i;
    while (i < n && t[i] >= '0' && t[i] <= '9') ++i, ++digits;
  }
  if (digits == 0) return false;
  size_t mantEnd = i;
  if (i < n && (t[i] == 'e' || t[i] == 'E')) {
    ++i;
    if (i < n && (t[i] == '+' || t[i] == '-')) ++i;
    size_t expDigits = 0;
    while (i < n && t[i] >= '0' && t[i] <= '9') ++i, ++expDigits;
    if (expDigits == 0) return false;
  }
  if (i != n) return false;
  std::string clean = t.substr(mantStart, n - mantStart);
  if (!clean.empty() && clean[0] == '.') clean.insert(0, "0");
  // "1." and "1.E5": from_chars wants a digit after the point.
  size_t dot = clean.find('.');
  if (dot != std::string::npos && (dot + 1 == clean.size() || clean[dot + 1] == 'e' || clean[dot + 1] == 'E'))
    clean.erase(dot, 1);
  (void)mantEnd;
  double v = 0;
  auto res = std::from_chars(clean.data(), clean.data() + clean.size(), v, std::chars_format::general);
  if (res.ec == std::errc::result_out_of_range) {
    // Underflow reads as zero; overflow is not a valid value.
    size_t e = clean.find_first_of("eE");
    if (e != std::string::npos && clean.find('-', e) != std::string::npos) {
      value = negative ? -0.0 : 0.0;
      return true;
    }
    return false;
  }
  if (res.ec != std::errc() || res.ptr != clean.data() + clean.size()) return false;
  value = negative ? -v : v;
  return true;
}

bool ParseInt64(std::string_view original, int64_t& value, int64_t lo, int64_t hi) {
  std::string t = Trim(original);
  size_t i = 0, n = t.size();
  bool negative = false;
  if (i < n && (t[i] == '+' || t[i] == '-')) negative = t[i++] == '-';
  int base = 10;
  if (i < n && t[i] == '$') {
    base = 16;
    ++i;
  } else if (i + 1 < n && t[i] == '0' && (t[i + 1] == 'x' || t[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i >= n) return false;
  uint64_t acc = 0;
  for (; i < n; ++i) {
    int dgt;
    char c = t[i];
    if (c >= '0' && c <= '9') dgt = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f') dgt = c - 'a' + 10;
    else if (base == 16 && c >= 'A' && c <= 'F') dgt = c - 'A' + 10;
    else return false;
    if (acc > (UINT64_MAX - dgt) / base) return false;
    acc = acc * base + dgt;
  }
  if (base == 16 && !negative) {
    // Hexadecimal fills the word: $FFFFFFFF is -1 as a 32-bit integer.
    if (hi == INT32_MAX && acc <= 0xFFFFFFFFull) {
      value = static_cast<int32_t>(static_cast<uint32_t>(acc));
      return true;
    }
    if (hi == INT64_MAX) {
      value = static_cast<int64_t>(acc);
      return true;
    }
  }
  if (negative) {
    if (acc > static_cast<uint64_t>(hi) + 1) return false;
    value = static_cast<int64_t>(0 - acc);
    if (value < lo) return false;
  } else {
    if (acc > static_cast<uint64_t>(hi)) return false;
    value = static_cast<int64_t>(acc);
  }
  return true;
}

}  // namespace

double StrToFloat(std::string_view text) {
  double v;
  if (!ParseFloat(text, v))
    throw EConvertError("'" + std::string(text) + "' is not a valid floating point value");
  return v;
}

bool TryStrToFloat(std::string_view text, double& value) {
  double v;
  if (!ParseFloat(text, v)) return false;
  value = v;
  return true;
}

double StrToFloatDef(std::string_view text, double fallback) {
  double v;
  return ParseFloat(text, v) ? v : fallback;
}

namespace {

// Whether a number from_chars found out of range is the tiny kind: its
// leading digit's place plus its exponent, in the number's own base, is
// negative. The exponent saturates; a mantissa has no sign here.
bool BelowOne(std::string_view number, bool hex) {
  const auto isDigit = [hex](char c) {
    return (c >= '0' && c <= '9') || (hex && ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')));
  };
  size_t i = 0;
  int64_t place = 0;   // of the leading non-zero digit: 0 for units, -1 for the first after the point
  bool seen = false, afterPoint = false;
  for (; i < number.size(); ++i) {
    const char c = number[i];
    if (c == '.') {
      afterPoint = true;
    } else if (!isDigit(c)) {
      break;
    } else if (!seen && c != '0') {
      seen = true;
      if (afterPoint) --place;
    } else if (seen && !afterPoint) {
      ++place;
    } else if (!seen && afterPoint) {
      --place;
    }
  }
  int64_t exponent = 0;
  if (i < number.size()) {   // "e" or "p", a sign, digits
    const bool minus = i + 1 < number.size() && number[i + 1] == '-';
    for (size_t k = i + 1; k < number.size(); ++k)
      if (number[k] >= '0' && number[k] <= '9') exponent = std::min<int64_t>(exponent * 10 + (number[k] - '0'), 1 << 30);
    if (minus) exponent = -exponent;
  }
  return (hex ? place * 4 : place) + exponent < 0;
}

}  // namespace

double LeadingFloat(std::string_view text) {
  size_t i = 0;
  const size_t n = text.size();
  while (i < n && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < n && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  const char* first = text.data() + i;
  const char* last = text.data() + n;
  // One sign only ("+-5" is no number), and no number gives +0 whatever sign came first.
  if (first == last || *first == '-' || *first == '+') return 0.0;
  const bool hex = last - first > 2 && first[0] == '0' && (first[1] == 'x' || first[1] == 'X');
  double v = 0;
  // from_chars reads no sign of its own and no "0x": the rest of strtod's
  // grammar is its own, and it never looks at the locale.
  const auto res = hex ? std::from_chars(first + 2, last, v, std::chars_format::hex)
                       : std::from_chars(first, last, v, std::chars_format::general);
  if (res.ec == std::errc::invalid_argument) {
    // No number, but "0x" without hexadecimal digits is the 0 before the x.
    if (!hex) return 0.0;
    v = 0;
  } else if (res.ec == std::errc::result_out_of_range) {
    // Too small reads as zero, too large as infinity, as strtod gives them.
    v = BelowOne(std::string_view(hex ? first + 2 : first, static_cast<size_t>(res.ptr - first) - (hex ? 2 : 0)), hex)
            ? 0.0
            : HUGE_VAL;
  }
  return negative ? -v : v;
}

int32_t StrToInt(std::string_view text) {
  int64_t v;
  if (!ParseInt64(text, v, INT32_MIN, INT32_MAX))
    throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
  return static_cast<int32_t>(v);
}

bool TryStrToInt(std::string_view text, int32_t& value) {
  int64_t v;
  if (!ParseInt64(text, v, INT32_MIN, INT32_MAX)) return false;
  value = static_cast<int32_t>(v);
  return true;
}

int32_t StrToIntDef(std::string_view text, int32_t fallback) {
  int64_t v;
  return ParseInt64(text, v, INT32_MIN, INT32_MAX) ? static_cast<int32_t>(v) : fallback;
}

int64_t StrToInt64(std::string_view text) {
  int64_t v;
  if (!ParseInt64(text, v, INT64_MIN, INT64_MAX))
    throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
  return v;
}

std::string Trim(std::string_view text) {
  size_t b = 0, e = text.size();
  while (b < e && IsBlankOrControl(text[b])) ++b;
  while (e > b && IsBlankOrControl(text[e - 1])) --e;
  return std::string(text.substr(b, e - b));
}

std::string TrimLeft(std::string_view text) {
  size_t b = 0;
  while (b < text.size() && IsBlankOrControl(text[b])) ++b;
  return std::string(text.substr(b));
}

std::string TrimRight(std::string_view text) {
  size_t e = text.size();
  while (e > 0 && IsBlankOrControl(text[e - 1])) --e;
  return std::string(text.substr(0, e));
}

namespace {

template <class Char>
std::basic_string<Char> MapCase(std::basic_string_view<Char> text, Char (*map)(Char)) {
  std::basic_string<Char> out(text);
  for (Char& c : out) c = map(c);
  return out;
}

}  // namespace

std::string UpperCase(std::string_view text) { return MapCase<char>(text, UpperAscii); }
std::string LowerCase(std::string_view text) { return MapCase<char>(text, LowerAscii); }
std::u16string UpperCase(std::u16string_view text) { return MapCase<char16_t>(text, UpperAscii); }
std::u16string LowerCase(std::u16string_view text) { return MapCase<char16_t>(text, LowerAscii); }

// Qt's tables leave a letter as it is where Unicode's full mapping makes
// several of it; for all but these few the simple mapping does the same.
// These few have a one-letter simple mapping: the Greek letters with iota
// below capitalise to their forms with iota beside, and the dotted I lowers
// to i.
char32_t UnicodeUpper(char32_t c) {
  if ((c >= 0x1F80 && c <= 0x1F87) || (c >= 0x1F90 && c <= 0x1F97) || (c >= 0x1FA0 && c <= 0x1FA7)) return c + 8;
  if (c == 0x1FB3 || c == 0x1FC3 || c == 0x1FF3) return c + 9;
  return QChar::toUpper(c);
}
char32_t UnicodeLower(char32_t c) { return c == 0x0130 ? U'i' : QChar::toLower(c); }

namespace {

// Unicode's simple mappings keep a code point inside or outside the basic
// plane; should a future table cross, the code point stays as it is, so that
// the text keeps its length all the same.
std::u16string MapUnicodeCase(std::u16string_view text, char32_t (*map)(char32_t)) {
  std::u16string out(text);
  for (size_t i = 0; i < out.size(); ++i) {
    const char16_t unit = out[i];
    if (IsHighSurrogate(unit) && i + 1 < out.size() && IsLowSurrogate(out[i + 1])) {
      const char32_t mapped = map(QChar::surrogateToUcs4(unit, out[i + 1]));
      if (QChar::requiresSurrogates(mapped)) {
        out[i] = QChar::highSurrogate(mapped);
        out[i + 1] = QChar::lowSurrogate(mapped);
      }
      ++i;
    } else if (!IsHighSurrogate(unit) && !IsLowSurrogate(unit)) {
      const char32_t mapped = map(unit);
      if (!QChar::requiresSurrogates(mapped)) out[i] = static_cast<char16_t>(mapped);
    }
  }
  return out;
}

}  // namespace

std::u16string UnicodeUpperCase(std::u16string_view text) { return MapUnicodeCase(text, UnicodeUpper); }
std::u16string UnicodeLowerCase(std::u16string_view text) { return MapUnicodeCase(text, UnicodeLower); }

int CompareText(std::string_view a, std::string_view b) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    int ca = static_cast<unsigned char>(LowerAscii(a[i]));
    int cb = static_cast<unsigned char>(LowerAscii(b[i]));
    if (ca != cb) return ca - cb;
  }
  return static_cast<int>(a.size()) - static_cast<int>(b.size());
}

bool SameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() && CompareText(a, b) == 0;
}

bool StartsText(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && SameText(text.substr(0, prefix.size()), prefix);
}

std::string StringReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
  if (from.empty()) return std::string(text);
  std::string out;
  size_t pos = 0;
  while (true) {
    size_t hit = text.find(from, pos);
    if (hit == std::string_view::npos) break;
    out.append(text.substr(pos, hit - pos));
    out.append(to);
    pos = hit + from.size();
  }
  out.append(text.substr(pos));
  return out;
}

std::string HtmlEscape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

// ---- file names ----

std::string ExtractFilePath(std::string_view path) {
  size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash + 1));
}

std::string ExtractFileName(std::string_view path) {
  size_t slash = path.rfind('/');
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string ExtractFileExt(std::string_view path) {
  size_t dot = path.rfind('.');
  size_t slash = path.rfind('/');
  if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) return "";
  return std::string(path.substr(dot));
}

std::string ChangeFileExt(std::string_view path, std::string_view ext) {
  std::string current = ExtractFileExt(path);
  return std::string(path.substr(0, path.size() - current.size())) + std::string(ext);
}

std::string IncludeTrailingPathDelimiter(std::string_view path) {
  std::string out(path);
  if (out.empty() || out.back() != '/') out += '/';
  return out;
}

std::string ExcludeTrailingPathDelimiter(std::string_view path) {
  std::string out(path);
  if (out.size() > 1 && out.back() == '/') out.pop_back();
  return out;
}

std::string ExpandFileName(std::string_view path) {
  if (path.empty()) return QDir::currentPath().toStdString();
  QString p = QString::fromUtf8(path.data(), static_cast<qsizetype>(path.size()));
  QString abs = QDir::cleanPath(QDir::isAbsolutePath(p) ? p : QDir::current().absoluteFilePath(p));
  std::string out = abs.toStdString();
  if (path.back() == '/' && out.back() != '/') out += '/';
  return out;
}

// ---- file system ----

bool FileExists(const std::string& path) {
  std::error_code ec;
  auto st = fs::status(path, ec);
  return !ec && fs::exists(st) && !fs::is_directory(st);
}

bool DirectoryExists(const std::string& path) {
  std::error_code ec;
  return !path.empty() && fs::is_directory(path, ec);
}

bool ForceDirectories(const std::string& path) {
  if (path.empty()) return false;
  std::error_code ec;
  fs::create_directories(ExcludeTrailingPathDelimiter(path), ec);
  return DirectoryExists(path);
}

bool DeleteFile(const std::string& path) {
  if (!FileExists(path)) return false;
  std::error_code ec;
  const bool removed = fs::remove(path, ec) && !ec;
  FilesChangedHere();
  return removed;
}

bool RenameFile(const std::string& from, const std::string& to) {
  // The platform refused to rename onto an existing file; keep that.
  std::error_code ec;
  if (!fs::exists(fs::symlink_status(from, ec))) return false;
  if (fs::exists(fs::symlink_status(to, ec))) return false;
  fs::rename(from, to, ec);
  FilesChangedHere();
  return !ec;
}

bool CopyFile(const std::string& from, const std::string& to, bool failIfExists) {
  if (!FileExists(from) || DirectoryExists(to)) return false;
  if (failIfExists && FileExists(to)) return false;
  std::error_code ec;
  fs::path target(to);
  fs::path temp = target;
  temp += ".~cp";
  for (int k = 0; fs::exists(temp, ec); ++k) {
    temp = target;
    temp += ".~cp" + std::to_string(k);
  }
  fs::copy_file(from, temp, fs::copy_options::overwrite_existing, ec);
  if (ec) {
    fs::remove(temp, ec);
    return false;
  }
  // The platform's copy kept the time of last change.
  auto time = fs::last_write_time(from, ec);
  if (!ec) fs::last_write_time(temp, time, ec);
  fs::rename(temp, target, ec);
  FilesChangedHere();
  if (ec) {
    std::error_code ignore;
    fs::remove(temp, ignore);
    return false;
  }
  return true;
}

int64_t FileSize(const std::string& path) {
  std::error_code ec;
  if (!FileExists(path)) return -1;
  auto size = fs::file_size(path, ec);
  return ec ? -1 : static_cast<int64_t>(size);
}

bool MatchesMask(std::string_view name, std::string_view mask) {
  if (mask == "*.*" || mask == "*") return true;
  // Iterative glob with backtracking to the last "*".
  size_t n = 0, m = 0, starM = std::string_view::npos, starN = 0;
  while (n < name.size()) {
    if (m < mask.size() && (mask[m] == '?' || LowerAscii(mask[m]) == LowerAscii(name[n]))) {
      ++n;
      ++m;
    } else if (m < mask.size() && mask[m] == '*') {
      starM = m++;
      starN = n;
    } else if (starM != std::string_view::npos) {
      m = starM + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (m < mask.size() && mask[m] == '*') ++m;
  return m == mask.size();
}

namespace {
std::vector<std::string> ListEntries(const std::string& folder, bool folders, const std::string& mask) {
  std::vector<std::string> names;
  std::error_code ec;
  fs::directory_iterator it(folder.empty() ? "." : folder, ec), end;
  for (; !ec && it != end; it.increment(ec)) {
    std::error_code e2;
    bool isDir = it->is_directory(e2);
    if (isDir != folders) continue;
    std::string name = it->path().filename().string();
    if (!folders && !MatchesMask(name, mask)) continue;
    names.push_back(name);
  }
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    int c = CompareText(a, b);
    return c != 0 ? c < 0 : a < b;
  });
  return names;
}
}  // namespace

std::vector<std::string> ListFiles(const std::string& folder, const std::string& mask) {
  return ListEntries(folder, false, mask);
}

std::vector<std::string> ListFolders(const std::string& folder) { return ListEntries(folder, true, "*"); }

std::string ResolveFilePath(const std::string& path) {
  std::string p = StringReplaceAll(path, "\\", "/");
  std::error_code ec;
  if (p.empty() || fs::exists(fs::symlink_status(p, ec))) return p;
  // Walk the components, matching each without regard to case where the
  // exact name is missing (files written on a case-blind platform).
  bool absolute = p[0] == '/';
  std::string current = absolute ? "/" : "";
  size_t pos = absolute ? 1 : 0;
  while (pos <= p.size()) {
    size_t slash = p.find('/', pos);
    std::string part = p.substr(pos, slash == std::string::npos ? std::string::npos : slash - pos);
    pos = slash == std::string::npos ? p.size() + 1 : slash + 1;
    if (part.empty()) continue;
    std::string candidate = current + part;
    if (!fs::exists(fs::symlink_status(candidate, ec))) {
      std::vector<std::string> matches;
      fs::directory_iterator it(current.empty() ? "." : current, ec), end;
      for (; !ec && it != end; it.increment(ec)) {
        std::string name = it->path().filename().string();
        if (SameText(name, part)) matches.push_back(name);
      }
      if (matches.empty()) return p;
      std::sort(matches.begin(), matches.end());
      candidate = current + matches.front();
    }
    current = candidate + (slash == std::string::npos ? "" : "/");
  }
  return current;
}

}  // namespace platform
