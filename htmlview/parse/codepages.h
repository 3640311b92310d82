#pragma once
// The code pages the viewer's reader decodes 8-bit documents with.
//
// Single-byte pages (874, 1250-1258, 28592, 28591, 437, 10000) come from our
// own tables; Windows-1252 from the platform's table, so its five undefined
// bytes keep their code points. The single-byte sets that pages declare but
// no Windows page holds (ISO-8859-3, -4, -5, -7, -9 and -15 as 28593-28605,
// KOI8-R 20866, KOI8-U 21866, DOS Cyrillic 866) take their tables from the
// C library. The double-byte pages of the far-east documents (932, 936, 949,
// 950, 1361, and EUC-JP as 51932) go through the C library's iconv one
// character at a time, so every UTF-16 unit knows the byte it came from.
// UTF-8 (65001) has a decoder of its own. The selectors 0, 1 and 2 (the old
// platform's ANSI, OEM and Macintosh pages) stand for 1252, 437 and 10000.
//
// Decoding never fails on bad bytes: a byte that starts no valid character
// becomes U+FFFD and decoding goes on at the next byte. Only a page this
// module does not know makes a call fail. Encoding writes "?" for what the
// page cannot hold.
#include <string>
#include <string_view>
#include <vector>

namespace htmlview {

constexpr int kCodePageUtf8 = 65001;
constexpr int kCodePageEucJp = 51932;

// The real page behind the selectors 0, 1 and 2; any other number unchanged.
int ResolveCodePage(int codePage);
bool IsKnownCodePage(int codePage);
// Pages whose characters may take two bytes (UTF-8 excluded).
bool IsDoubleByteCodePage(int codePage);

// Appends the decoded text to out and, when offsets is given, for every
// UTF-16 unit appended the index (in bytes, counted from the start of bytes)
// of the first byte of its character. False, with nothing appended, for an
// unknown page.
bool AppendDecoded(std::string_view bytes, int codePage, std::u16string& out,
                   std::vector<int>* offsets = nullptr);
// The same into fresh results; an unknown page decodes as Windows-1252.
std::u16string DecodeCodePage(std::string_view bytes, int codePage,
                              std::vector<int>* offsets = nullptr);
// UTF-8 text of bytes in a page (an unknown page as Windows-1252).
std::string CodePageToUtf8(std::string_view bytes, int codePage);

// Wide text to bytes in a page, "?" for every character it cannot hold.
// False, with nothing appended, for an unknown page.
bool AppendEncoded(std::u16string_view text, int codePage, std::string& out);
std::string EncodeCodePage(std::u16string_view text, int codePage);
// Wide text as UTF-8 by the same encoder, so text the parser hands on reads
// as the pages it wrote.
inline std::string EncodeUtf8(std::u16string_view text) { return EncodeCodePage(text, kCodePageUtf8); }

// The character a single byte stands for in a single-byte page; U+FFFD for
// a byte the page leaves undefined. Double-byte pages and UTF-8 answer with
// Windows-1252, whose characters the lone bytes 128-159 name in practice.
char16_t SingleByteChar(unsigned char byte, int codePage);

}  // namespace htmlview
