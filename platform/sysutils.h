#pragma once
// The runtime services the system was written against: its exception
// classes, number text in a fixed format (decimal ".", thousands ","), the
// formatting routine with its own (not C's) rules, conversions, trimming and
// file-name routines. All texts are UTF-8.
#include <cstdint>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace platform {

// Base of every error the system raises; what() is the message shown to users.
class Exception : public std::runtime_error {
 public:
  explicit Exception(const std::string& message) : std::runtime_error(message) {}
};

// "'%s' is not a valid floating point value", "'%s' is not a valid integer value".
class EConvertError : public Exception { using Exception::Exception; };
// "List index out of bounds (%d)" and the other list errors.
class EListError : public Exception { using Exception::Exception; };
// Stream errors: "Stream read error", "Stream write error", file open failures.
class EStreamError : public Exception { using Exception::Exception; };
class EReadError : public EStreamError { using EStreamError::EStreamError; };
class EWriteError : public EStreamError { using EStreamError::EStreamError; };
class EFOpenError : public EStreamError { using EStreamError::EStreamError; };
class EFCreateError : public EStreamError { using EStreamError::EStreamError; };
// File-system errors other than streams.
class EInOutError : public Exception { using Exception::Exception; };

// One argument of Format: an integer, a floating value or a text.
using FormatArg = std::variant<int64_t, double, std::string>;
struct FormatArgs {
  std::vector<FormatArg> items;
  FormatArgs() = default;
  FormatArgs(std::initializer_list<FormatArg> list) : items(list) {}
};

// The class library's Format: %d %u %x %e %f %g %n %m %s %p with
// [index:][-][width][.precision]; "%%" is a percent sign. Floats: "%e" gives
// precision significant digits (default 15) and at least three exponent
// digits ("1.23457E+003"); "%g" is the general format; "%f" and "%n" fixed
// ("%n" with thousands separators). Raises EConvertError on a bad format.
std::string Format(std::string_view format, const FormatArgs& args);

// General float-to-text with up to 15 significant digits ("1.5", "0.00001",
// "1E-6", "12345678", "1E15"): fixed while the integer part has at most 15
// digits and the value is at least 0.00001, else scientific ("1E20").
std::string FloatToStr(double value);
// Float to text in the class library's formats (ffGeneral, ffExponent, ffFixed, ffNumber).
enum class TFloatFormat { ffGeneral, ffExponent, ffFixed, ffNumber, ffCurrency };
std::string FloatToStrF(double value, TFloatFormat format, int precision, int digits);
// The picture formats ("0.00", "#,##0.0", "0.###E+00").
std::string FormatFloat(std::string_view pattern, double value);

std::string IntToStr(int64_t value);
std::string IntToHex(int64_t value, int digits);

// Conversions; the texts are trimmed of blanks first. Raise EConvertError.
double StrToFloat(std::string_view text);
bool TryStrToFloat(std::string_view text, double& value);
double StrToFloatDef(std::string_view text, double fallback);
// The number a text starts with, read as the C library's strtod reads it in
// the C locale, whatever the process locale: blanks skipped, a sign, then a
// decimal number with "." and an optional exponent, a "0x" hexadecimal one,
// or INF/INFINITY/NAN; the rest of the text is ignored ("33.5%" is 33.5,
// "12,5%" is 12). 0 when the text starts with no number; beyond the range of
// a double, infinity or 0 as strtod gives.
double LeadingFloat(std::string_view text);
int32_t StrToInt(std::string_view text);          // decimal, or "$"/"0x" hexadecimal
bool TryStrToInt(std::string_view text, int32_t& value);
int32_t StrToIntDef(std::string_view text, int32_t fallback);
int64_t StrToInt64(std::string_view text);

// Trimming removes blanks and control characters (code <= 32).
std::string Trim(std::string_view text);
std::string TrimLeft(std::string_view text);
std::string TrimRight(std::string_view text);
// Case mapping of ASCII letters only, as the class library does: every other
// byte or UTF-16 code unit, UTF-8 sequences and non-ASCII letters among them,
// stays as it is, whatever the process locale.
constexpr char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }
constexpr char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }
constexpr char16_t LowerAscii(char16_t c) {
  return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c;
}
constexpr char16_t UpperAscii(char16_t c) {
  return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c;
}
std::string UpperCase(std::string_view text);
std::string LowerCase(std::string_view text);
std::u16string UpperCase(std::u16string_view text);
std::u16string LowerCase(std::u16string_view text);
// Case mapping of every letter by Unicode's own tables, never by the process
// locale: 'i' and 'I' pair up as in English also for a Turkish user, and "é"
// maps also in a session without LANG. The mapping is Unicode's simple one,
// one code point to one ("ß" stays "ß", "İ" lowers to "i"), so that a text
// keeps its length and a position in it stays where it was. The UTF-16 forms
// map a surrogate pair as the one code point it is and leave a lone surrogate
// as it is.
constexpr bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
constexpr bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }
char32_t UnicodeUpper(char32_t c);
char32_t UnicodeLower(char32_t c);
std::u16string UnicodeUpperCase(std::u16string_view text);
std::u16string UnicodeLowerCase(std::u16string_view text);
// Byte classes of ASCII only, whatever the process locale: under a
// single-byte locale the C library would also count bytes of 0x80 and above,
// pieces of UTF-8 sequences among them, as letters.
constexpr bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }
constexpr bool IsAsciiDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
constexpr bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
constexpr bool IsAsciiLetterOrDigit(char c) { return IsAsciiDigit(c) || IsAsciiLetter(c); }
int CompareText(std::string_view a, std::string_view b);   // ASCII case-insensitive
bool SameText(std::string_view a, std::string_view b);
bool StartsText(std::string_view text, std::string_view prefix);   // case ignored in the prefix
std::string StringReplaceAll(std::string_view text, std::string_view from, std::string_view to);
// text with "&", "<", ">" and '"' written as entities, so that it reads as
// itself both between tags and inside a quoted attribute value.
std::string HtmlEscape(std::string_view text);

// File-name routines on "/" paths.
std::string ExtractFilePath(std::string_view path);   // folder with trailing "/"
std::string ExtractFileName(std::string_view path);
std::string ExtractFileExt(std::string_view path);    // with the dot, "" when none
std::string ChangeFileExt(std::string_view path, std::string_view ext);
std::string IncludeTrailingPathDelimiter(std::string_view path);
std::string ExcludeTrailingPathDelimiter(std::string_view path);
std::string ExpandFileName(std::string_view path);

// File-system routines; they report failure by their result, never raise.
bool FileExists(const std::string& path);
bool DirectoryExists(const std::string& path);
bool ForceDirectories(const std::string& path);
bool DeleteFile(const std::string& path);
bool RenameFile(const std::string& from, const std::string& to);
// Copies, replacing an existing target unless failIfExists; the target is
// written to a temporary file first so that a failed copy never leaves half a file.
bool CopyFile(const std::string& from, const std::string& to, bool failIfExists);
int64_t FileSize(const std::string& path);   // -1 when missing

// Files matching a mask ("*.ini", "*.*", "R22?.cmp") in one folder, without
// regard to case, sorted by name (the file system's own order is not stable).
std::vector<std::string> ListFiles(const std::string& folder, const std::string& mask);
// Sub-folders of a folder (names only), sorted, "." and ".." left out.
std::vector<std::string> ListFolders(const std::string& folder);
// A path as the platform would open it: "\\" is a separator too, and when
// the path is missing as written, each component is matched without regard
// to case (the exact name first; among several, the first in sorted order).
// Returns the path unchanged when nothing matches.
std::string ResolveFilePath(const std::string& path);
// Mask matching as the platform did: "*" and "?", without regard to case.
bool MatchesMask(std::string_view name, std::string_view mask);

}  // namespace platform
