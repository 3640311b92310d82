#pragma once
// Text files and code pages. A text file is UTF-8 when its bytes are valid
// UTF-8 and Windows-1252 otherwise (files written by the original program);
// it is written back in the encoding it was read in, so unchanged bytes stay
// unchanged. Writes replace the file atomically (temporary file and rename).
#include <string>
#include <string_view>

namespace platform {

enum class TextEncoding { Utf8, Windows1252 };

bool IsValidUtf8(std::string_view bytes);
// Windows-1252 bytes to UTF-8; the five undefined bytes map to the same code point.
std::string Cp1252ToUtf8(std::string_view bytes);
// UTF-8 to Windows-1252; a character that has no byte becomes "?".
std::string Utf8ToCp1252(std::string_view text);
// True when every character of the UTF-8 text has a Windows-1252 byte.
bool FitsCp1252(std::string_view text);

struct TextFileContent {
  std::string text;   // UTF-8
  TextEncoding encoding = TextEncoding::Utf8;
};

// Decode bytes by the rule above.
TextFileContent DecodeText(std::string_view bytes);
std::string EncodeText(std::string_view text, TextEncoding encoding);

// Whole-file bytes; raise EFOpenError ("Cannot open file \"%s\". %s") when unreadable.
std::string ReadFileBytes(const std::string& path);
// Atomic replace; raises EFCreateError ("Cannot create file \"%s\". %s") on failure,
// leaving any existing file untouched.
void WriteFileBytes(const std::string& path, std::string_view bytes);

TextFileContent ReadTextFile(const std::string& path);
void WriteTextFile(const std::string& path, std::string_view text, TextEncoding encoding);

}  // namespace platform
