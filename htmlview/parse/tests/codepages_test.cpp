#include "htmlview/parse/codepages.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <string>
#include <vector>

namespace htmlview {
namespace {

// One byte through the C library; nothing when it refuses the byte.
bool IconvByte(const char* name, unsigned char byte, char16_t& out) {
  iconv_t cd = iconv_open("UTF-16LE", name);
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  char in[1] = {static_cast<char>(byte)};
  char buffer[8];
  char* src = in;
  char* dst = buffer;
  size_t srcLeft = 1, dstLeft = sizeof buffer;
  const size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
  if (r != static_cast<size_t>(-1)) iconv(cd, nullptr, nullptr, &dst, &dstLeft);
  iconv_close(cd);
  if (r == static_cast<size_t>(-1) || dst - buffer != 2) return false;
  out = static_cast<char16_t>(static_cast<unsigned char>(buffer[0]) |
                              (static_cast<unsigned char>(buffer[1]) << 8));
  return true;
}

struct SinglePage {
  int number;
  const char* iconvName;
};

TEST(CodePages, SingleByteTablesMatchIconvForDefinedBytes) {
  const SinglePage pages[] = {
      {874, "CP874"},   {1250, "CP1250"}, {1251, "CP1251"}, {1252, "CP1252"},
      {1253, "CP1253"}, {1254, "CP1254"}, {1255, "CP1255"}, {1256, "CP1256"},
      {1257, "CP1257"}, {1258, "CP1258"}, {28592, "ISO-8859-2"}, {437, "CP437"},
      {10000, "MACINTOSH"}, {28591, "ISO-8859-1"},
  };
  for (const SinglePage& page : pages) {
    std::string all;
    for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
    std::vector<int> offsets;
    const std::u16string decoded = DecodeCodePage(all, page.number, &offsets);
    ASSERT_EQ(decoded.size(), 256u) << page.number;
    int undefined = 0;
    for (int b = 0; b < 256; ++b) {
      EXPECT_EQ(offsets[b], b);
      char16_t expected;
      if (IconvByte(page.iconvName, static_cast<unsigned char>(b), expected)) {
        EXPECT_EQ(decoded[b], expected) << page.number << " byte " << b;
        // And back again.
        EXPECT_EQ(EncodeCodePage(decoded.substr(b, 1), page.number),
                  std::string(1, static_cast<char>(b)))
            << page.number << " byte " << b;
      } else {
        ++undefined;
        // Undefined bytes: 1252 keeps the code point, every other page U+FFFD.
        EXPECT_EQ(decoded[b], page.number == 1252 ? char16_t(b) : u'\uFFFD')
            << page.number << " byte " << b;
      }
    }
    if (page.number == 1252) {
      EXPECT_EQ(undefined, 5);
    }
  }
}

TEST(CodePages, SelectorsAndKnownPages) {
  EXPECT_EQ(ResolveCodePage(0), 1252);
  EXPECT_EQ(ResolveCodePage(1), 437);
  EXPECT_EQ(ResolveCodePage(2), 10000);
  EXPECT_EQ(ResolveCodePage(1251), 1251);
  for (int cp : {0, 1, 2, 874, 1250, 1258, 28592, 437, 10000, 932, 936, 949, 950, 1361, 65001})
    EXPECT_TRUE(IsKnownCodePage(cp)) << cp;
  EXPECT_FALSE(IsKnownCodePage(12345));
  EXPECT_TRUE(IsDoubleByteCodePage(932));
  EXPECT_FALSE(IsDoubleByteCodePage(65001));
  // An unknown page fails and appends nothing; the convenience form falls
  // back to Windows-1252.
  std::u16string out = u"x";
  std::vector<int> offsets{7};
  EXPECT_FALSE(AppendDecoded("\x80", 12345, out, &offsets));
  EXPECT_EQ(out, u"x");
  EXPECT_EQ(offsets, std::vector<int>{7});
  EXPECT_EQ(DecodeCodePage("\x80", 12345), u"\u20AC");
  std::string bytes;
  EXPECT_FALSE(AppendEncoded(u"a", 12345, bytes));
  EXPECT_TRUE(bytes.empty());
}

struct DoubleCase {
  int codePage;
  std::string bytes;
  std::u16string text;
  std::vector<int> offsets;
};

TEST(CodePages, DoubleBytePagesOneCharacterAtATime) {
  const DoubleCase cases[] = {
      // Shift-JIS: kanji, half-width katakana, ASCII backslash.
      {932, "a\x93\xFA\xB1\\", u"a\u65E5\uFF71\\", {0, 1, 3, 4}},
      // GBK "中文".
      {936, "\xD6\xD0\xCE\xC4" "x", u"\u4E2D\u6587x", {0, 2, 4}},
      // Unified Hangul "한".
      {949, "\xC7\xD1!", u"\uD55C!", {0, 2}},
      // Big5 "中".
      {950, "\xA4\xA4" "1", u"\u4E2D" "1", {0, 2}},
      // Johab "가"; the backslash stays a backslash.
      {1361, "\x88\x61\\", u"\uAC00\\", {0, 2}},
      // A lead byte before markup: U+FFFD, and the "<" survives.
      {932, "\x93<p>", u"\uFFFD<p>", {0, 1, 2, 3}},
      // A lead byte at the very end.
      {936, "a\xD6", u"a\uFFFD", {0, 1}},
      // EUC-JP: kanji, half-width katakana (0x8E and one byte), the
      // supplementary set (0x8F and two bytes), a cut sequence at the end.
      {kCodePageEucJp, "\xC6\xFC\x8E\xB1\x8F\xB0\xA1z\x8E", u"\u65E5\uFF71\u4E02z\uFFFD", {0, 2, 4, 7, 8}},
  };
  for (const DoubleCase& c : cases) {
    std::vector<int> offsets;
    EXPECT_EQ(DecodeCodePage(c.bytes, c.codePage, &offsets), c.text) << c.codePage;
    EXPECT_EQ(offsets, c.offsets) << c.codePage;
  }
  EXPECT_EQ(EncodeCodePage(u"a\u65E5\uFF71", 932), "a\x93\xFA\xB1");
  EXPECT_EQ(EncodeCodePage(u"\u4E2D\u0E01", 936), "\xD6\xD0?");
  EXPECT_EQ(EncodeCodePage(u"\uD55C", 949), "\xC7\xD1");
}

// The sets pages declare although no Windows page holds them, by bytes that
// their nearest Windows page reads otherwise.
TEST(CodePages, SetsWithoutAWindowsPage) {
  struct Case {
    int codePage;
    std::string bytes;
    std::u16string text;
  };
  const Case cases[] = {
      {28597, "\xB6\xB8\xB9\xBA\xBC\xBE\xBF\xA4", u"\u0386\u0388\u0389\u038A\u038C\u038E\u038F\u20AC"},
      {28595, "\xB0\xD0\xA1\xF0", u"\u0410\u0430\u0401\u2116"},
      {20866, "\xC1\xE1\xA3\xB3", u"\u0430\u0410\u0451\u0401"},
      {21866, "\xA4\xB4\xAD\xBD", u"\u0454\u0404\u0491\u0490"},
      {866, "\x80\xA0\xB0\xF1", u"\u0410\u0430\u2591\u0451"},
      {28594, "\xA1\xA2\xA3\xBD", u"\u0104\u0138\u0156\u014A"},
      {28593, "\xA1\xA6\xF8", u"\u0126\u0124\u011D"},
      {28599, "\xD0\xDD\xFE\x80", u"\u011E\u0130\u015F\u0080"},
      {28605, "\xA4\xA6\xBC\xBE", u"\u20AC\u0160\u0152\u0178"},
  };
  for (const Case& c : cases) {
    EXPECT_TRUE(IsKnownCodePage(c.codePage)) << c.codePage;
    EXPECT_FALSE(IsDoubleByteCodePage(c.codePage)) << c.codePage;
    std::vector<int> offsets;
    EXPECT_EQ(DecodeCodePage("a" + c.bytes, c.codePage, &offsets), u"a" + c.text) << c.codePage;
    EXPECT_EQ(offsets.size(), c.bytes.size() + 1);
    EXPECT_EQ(offsets.back(), static_cast<int>(c.bytes.size())) << c.codePage;
    EXPECT_EQ(EncodeCodePage(c.text, c.codePage), c.bytes) << c.codePage;
  }
  // ISO-8859-3 leaves 0xA5 undefined.
  EXPECT_EQ(SingleByteChar(0xA5, 28593), u'\uFFFD');
}

TEST(CodePages, Utf8DecoderWithOffsetsAndReplacement) {
  struct Utf8Case {
    std::string bytes;
    std::u16string text;
    std::vector<int> offsets;
  };
  const Utf8Case cases[] = {
      {"a\xC3\xA9\xE2\x82\xAC", u"a\u00E9\u20AC", {0, 1, 3}},
      {"\xF0\x9F\x98\x80z", u"\U0001F600z", {0, 0, 4}},
      // Overlong, surrogate, beyond the range, lone continuation, cut short.
      {"\xC0\xAF", u"\uFFFD\uFFFD", {0, 1}},
      {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD", {0, 1, 2}},
      {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD", {0, 1, 2, 3}},
      {"\x80<", u"\uFFFD<", {0, 1}},
      {"\xE2\x82<", u"\uFFFD\uFFFD<", {0, 1, 2}},
  };
  for (const Utf8Case& c : cases) {
    std::vector<int> offsets;
    EXPECT_EQ(DecodeCodePage(c.bytes, kCodePageUtf8, &offsets), c.text);
    EXPECT_EQ(offsets, c.offsets);
  }
  EXPECT_EQ(EncodeCodePage(u"a\u00E9\U0001F600", kCodePageUtf8), "a\xC3\xA9\xF0\x9F\x98\x80");
  // A lone surrogate cannot be written as UTF-8.
  EXPECT_EQ(EncodeCodePage(std::u16string(1, char16_t(0xD800)), kCodePageUtf8), "\xEF\xBF\xBD");
}

TEST(CodePages, EncodingWritesQuestionMarks) {
  EXPECT_EQ(EncodeCodePage(u"\u0410\u00E9", 1251), "\xC0?");
  EXPECT_EQ(EncodeCodePage(u"\U0001F600!", 1252), "?!");
  EXPECT_EQ(EncodeCodePage(u"\u20AC", 0), "\x80");
}

TEST(CodePages, SingleByteChar) {
  EXPECT_EQ(SingleByteChar(150, 1252), u'\u2013');
  EXPECT_EQ(SingleByteChar(0xC0, 1251), u'\u0410');
  // Lone bytes in multi-byte pages are read as Windows-1252.
  EXPECT_EQ(SingleByteChar(150, kCodePageUtf8), u'\u2013');
  EXPECT_EQ(SingleByteChar(150, 932), u'\u2013');
  EXPECT_EQ(SingleByteChar(0x81, 1253), u'\uFFFD');
  EXPECT_EQ(SingleByteChar('A', 1253), u'A');
}

}  // namespace
}  // namespace htmlview
