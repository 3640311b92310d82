#include "platform/sysutils.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <utility>

#include "testsupport/locales.h"
#include "testsupport/testenv.h"

using namespace platform;

namespace {

struct FormatCase {
  const char* format;
  FormatArgs args;
  const char* expected;
};

TEST(Format, TableOfCases) {
  const FormatCase cases[] = {
      // Coefficient text: six significant digits, three exponent digits.
      {"%0.6e", {1234.567}, "1.23457E+003"},
      {"%0.6e", {-0.2103226}, "-2.10323E-001"},
      {"%0.6e", {1234.5678}, "1.23457E+003"},
      {"%0.6e", {0.0}, "0.00000E+000"},
      {"%0.6e", {1.0}, "1.00000E+000"},
      {"%0.6e", {9.999995}, "1.00000E+001"},
      {"%0.6e", {-3.5e-12}, "-3.50000E-012"},
      {"%0.6e", {6.02214076e23}, "6.02214E+023"},
      {"%0.6e, %0.6e", {1.5, -2.0}, "1.50000E+000, -2.00000E+000"},
      {"%e", {1.0}, "1.00000000000000E+000"},
      // General with four digits: fixed while the integer part has at most
      // four digits and the value is at least 0.00001, trailing zeros dropped.
      {"%0.4g", {1234.4}, "1234"},
      {"%0.4g", {1234.5}, "1235"},
      {"%0.4g", {12345.6}, "1.235E+004"},
      {"%0.4g", {0.5}, "0.5"},
      {"%0.4g", {-2.5}, "-2.5"},
      {"%0.4g", {100.0}, "100"},
      {"%0.4g", {0.000123456}, "0.0001235"},
      {"%0.4g", {0.0000123}, "0.0000123"},
      {"%0.4g", {0.00000123}, "1.23E-006"},
      {"%0.4g", {1e-10}, "1E-010"},
      {"%0.4g", {0.0}, "0"},
      {"%0.4g", {-0.01234567}, "-0.01235"},
      {"%0.4g", {9999.6}, "1E+004"},
      {"%0.5g", {998.123}, "998.12"},
      // Fixed: rounding half away from zero on the decimal expansion.
      {"%0.1f", {2.25}, "2.3"},
      {"%0.1f", {-2.25}, "-2.3"},
      {"%0.1f", {10.0}, "10.0"},
      {"%0.1f", {0.05}, "0.1"},
      {"%0.1f", {-0.04}, "0.0"},
      {"%0.1f", {7.5}, "7.5"},
      {"%0.3f", {500.0}, "500.000"},
      {"%0.3f", {1.0005}, "1.000"},
      {"%0.2f", {0.125}, "0.13"},
      {"%0.0f", {2.5}, "3"},
      {"%0.0f", {-0.4}, "0"},
      {"%0.4f", {0.98765432}, "0.9877"},
      {"%f", {1.0}, "1.00"},
      {"%8.2f", {3.14159}, "    3.14"},
      {"%-8.2f|", {3.14159}, "3.14    |"},
      {"%0.1f", {int64_t{5}}, "5.0"},
      {"%n", {1234567.891}, "1,234,567.89"},
      {"%0.0n", {-1234.0}, "-1,234"},
      // Integers and hexadecimal.
      {"%d", {int64_t{42}}, "42"},
      {"%d", {int64_t{-7}}, "-7"},
      {"%5d|", {int64_t{42}}, "   42|"},
      {"%-5d|", {int64_t{42}}, "42   |"},
      {"%.3d", {int64_t{5}}, "005"},
      {"%.3d", {int64_t{-5}}, "-005"},
      {"%u", {int64_t{-1}}, "4294967295"},
      {"%x", {int64_t{255}}, "FF"},
      {"%x", {int64_t{-1}}, "FFFFFFFF"},
      {"%4x|", {int64_t{255}}, "  FF|"},
      {"%.4x", {int64_t{255}}, "00FF"},
      {"%p", {int64_t{0x1234}}, "00001234"},
      // Texts, percent, indexes and starred widths.
      {"%s", {std::string("abc")}, "abc"},
      {"[%6s]", {std::string("abc")}, "[   abc]"},
      {"[%-6s]", {std::string("abc")}, "[abc   ]"},
      {"%.2s", {std::string("abc")}, "ab"},
      {"100%%", {}, "100%"},
      {"%1:s %0:s", {std::string("a"), std::string("b")}, "b a"},
      {"%*d", {int64_t{4}, int64_t{7}}, "   7"},
      {"%s = %d (%0.1f)", {std::string("Te"), int64_t{3}, 1.25}, "Te = 3 (1.3)"},
      {"<p>R<sup>2</sup>(cooling) = %0.4f<br>", {0.99876543}, "<p>R<sup>2</sup>(cooling) = 0.9988<br>"},
      {"%D", {int64_t{1}}, "1"},
      {"%0.4g", {std::nan("")}, "NAN"},
      {"%0.1f", {-INFINITY}, "-INF"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Format(c.format, c.args), c.expected) << "format " << c.format;
  }
}

TEST(Format, BadFormatsRaise) {
  EXPECT_THROW(Format("%d", {1.5}), EConvertError);
  EXPECT_THROW(Format("%s", {int64_t{1}}), EConvertError);
  EXPECT_THROW(Format("%q", {int64_t{1}}), EConvertError);
  EXPECT_THROW(Format("abc %", {}), EConvertError);
  try {
    Format("%d %d", {int64_t{1}});
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "No argument for format '%d %d'");
  }
  try {
    Format("%d", {std::string("x")});
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "Format '%d' invalid or incompatible with argument");
  }
}

TEST(FloatToStr, FifteenSignificantDigits) {
  const std::pair<double, const char*> cases[] = {
      {1.5, "1.5"},
      {0.1, "0.1"},
      {0.1 + 0.2, "0.3"},
      {1.0 / 3.0, "0.333333333333333"},
      {2.0 / 3.0, "0.666666666666667"},
      {-2.0 / 3.0, "-0.666666666666667"},
      {12345678.0, "12345678"},
      {123456789012345.0, "123456789012345"},
      {1e15, "1E15"},
      {1e20, "1E20"},
      {1.5e-6, "1.5E-6"},
      {0.0001, "0.0001"},
      {0.00001, "0.00001"},
      {100.0, "100"},
      {-0.0, "0"},
      {0.0, "0"},
      {-273.15, "-273.15"},
      {1.7976931348623157e308, "1.79769313486232E308"},
      {5e-324, "4.94065645841247E-324"},
  };
  for (const auto& [value, text] : cases) EXPECT_EQ(FloatToStr(value), text) << value;
}

TEST(FloatToStrF, Formats) {
  EXPECT_EQ(FloatToStrF(1234.5678, TFloatFormat::ffFixed, 15, 2), "1234.57");
  EXPECT_EQ(FloatToStrF(1234.5678, TFloatFormat::ffNumber, 15, 1), "1,234.6");
  EXPECT_EQ(FloatToStrF(1234.5678, TFloatFormat::ffExponent, 4, 2), "1.235E+03");
  EXPECT_EQ(FloatToStrF(1234.5678, TFloatFormat::ffGeneral, 6, 0), "1234.57");
  EXPECT_EQ(FloatToStrF(1234.5678, TFloatFormat::ffGeneral, 3, 2), "1.23E+03");
}

TEST(FormatFloat, Pictures) {
  const std::tuple<const char*, double, const char*> cases[] = {
      {"0.00", 3.14159, "3.14"},
      {"0.00", -3.14159, "-3.14"},
      {"0.##", 2.5, "2.5"},
      {"0.##", 2.0, "2"},
      {"#,##0.0", 1234567.89, "1,234,567.9"},
      {"000", 7.0, "007"},
      {"#", 0.0, ""},
      {"0.0 \"K\"", 12.34, "12.3 K"},
      {"0.00E+00", 12345.0, "1.23E+04"},
      {"0.###E-0", 0.00012, "1.2E-4"},
      {"0.0;(0.0)", -5.25, "(5.3)"},
      {"0.0;-0.0;\"zero\"", 0.0, "zero"},
      {"", 1.5, "1.5"},
  };
  for (const auto& [pattern, value, text] : cases) EXPECT_EQ(FormatFloat(pattern, value), text) << pattern;
}

TEST(Conversions, StrToFloat) {
  const std::pair<const char*, double> good[] = {
      {"1.5", 1.5}, {" 1.5 ", 1.5}, {"\t-2.5E-3\r\n", -2.5e-3}, {"1e3", 1000}, {".5", 0.5},
      {"1.", 1.0}, {"+3", 3}, {"-0", 0}, {"7", 7}, {"1E-400", 0.0}, {"12.5e+2", 1250},
  };
  for (const auto& [text, value] : good) EXPECT_DOUBLE_EQ(StrToFloat(text), value) << text;
  const char* bad[] = {"1,5", "abc", "", " ", "1e", "1 000", "0x10", "--1", "1.2.3", ".", "e5", "1e999", "INF", "NAN", "5px"};
  for (const char* text : bad) {
    try {
      StrToFloat(text);
      ADD_FAILURE() << text;
    } catch (const EConvertError& e) {
      EXPECT_EQ(std::string(e.what()), "'" + std::string(text) + "' is not a valid floating point value");
    }
  }
  double v = 9;
  EXPECT_FALSE(TryStrToFloat("x", v));
  EXPECT_EQ(v, 9);
  EXPECT_TRUE(TryStrToFloat("2.25", v));
  EXPECT_EQ(v, 2.25);
  EXPECT_EQ(StrToFloatDef("bad", -1), -1);
}

TEST(Conversions, StrToInt) {
  const std::pair<const char*, int32_t> good[] = {
      {"42", 42}, {" -7 ", -7}, {"$FF", 255}, {"0x1F", 31}, {"0X1f", 31}, {"+5", 5},
      {"-2147483648", INT32_MIN}, {"2147483647", INT32_MAX}, {"$FFFFFFFF", -1}, {"007", 7},
  };
  for (const auto& [text, value] : good) EXPECT_EQ(StrToInt(text), value) << text;
  const char* bad[] = {"2147483648", "-2147483649", "1.0", "", "abc", "0x", "$", "1 2", "12a", "$1FFFFFFFF"};
  for (const char* text : bad) {
    try {
      StrToInt(text);
      ADD_FAILURE() << text;
    } catch (const EConvertError& e) {
      EXPECT_EQ(std::string(e.what()), "'" + std::string(text) + "' is not a valid integer value");
    }
  }
  EXPECT_EQ(StrToIntDef("x", 3), 3);
  EXPECT_EQ(StrToInt64("9223372036854775807"), INT64_MAX);
  EXPECT_THROW(StrToInt64("9223372036854775808"), EConvertError);
  EXPECT_EQ(IntToHex(255, 4), "00FF");
  EXPECT_EQ(IntToStr(-12), "-12");
}

// Under every test locale (a decimal comma in de_DE, in the C library, the
// C++ global locale and Qt's default alike) numbers read and write with ".".
TEST(Conversions, DecimalPointWhateverTheLocale) {
  for (const char* name : testsupport::kTestLocales) {
    SCOPED_TRACE(name);
    testsupport::ScopedLocale locale(name);
    EXPECT_EQ(FloatToStr(1.5), "1.5");
    EXPECT_EQ(Format("%0.1f", {1.5}), "1.5");
    EXPECT_EQ(Format("%n", {1234.5}), "1,234.50");
    EXPECT_EQ(Format("%0.6e", {1234.567}), "1.23457E+003");
    EXPECT_EQ(StrToFloat("1.5"), 1.5);
    EXPECT_THROW(StrToFloat("1,5"), EConvertError);
  }
}

// The leading number of a text as strtod reads it in the C locale, under
// every test locale: the C library's own reading under C is the reference.
TEST(Conversions, LeadingFloatAsStrtodInC) {
  const char* texts[] = {
      "33.5%", "12,5%", "50%", "  \t\n7.25px", "+4.5", "-0.75%", ".5", "5.", "-.5e1x", "1e3%", "1E+2",
      "1e", "1e-", "1ex", "2.5E-3em", "0x1A%", "0X1p4", "0x", "0xg", "-0x.8", "inf", "-Infinity%",
      "nan", "NaN(12)x", "infinite", "1e400", "-1e400", "1e-400", "0.0000000000000000000000000001e-300",
      "4.9e-324", "2.4e-324", "1.7976931348623157e308", "", "%", "abc", "- 5", "+-5", "..5", "1.2.3",
      "00012.50%", "\xC2\xA0" "5", "\xD9\xA3"};
  std::vector<double> inC;
  {
    testsupport::ScopedLocale locale("C");
    for (const char* t : texts) inC.push_back(std::strtod(t, nullptr));
  }
  for (const char* name : testsupport::kTestLocales) {
    SCOPED_TRACE(name);
    testsupport::ScopedLocale locale(name);
    for (size_t i = 0; i < std::size(texts); ++i) {
      const double v = LeadingFloat(texts[i]);
      if (std::isnan(inC[i])) {
        EXPECT_TRUE(std::isnan(v)) << texts[i];
      } else {
        EXPECT_EQ(std::signbit(v), std::signbit(inC[i])) << texts[i];
        EXPECT_EQ(v, inC[i]) << texts[i];
      }
    }
  }
  EXPECT_EQ(LeadingFloat("33.5%"), 33.5);
  EXPECT_EQ(LeadingFloat("12,5%"), 12);
}

TEST(TextRoutines, TrimCaseAndCompare) {
  EXPECT_EQ(Trim(" \t\r\n a b \x01"), "a b");
  EXPECT_EQ(TrimLeft("  a "), "a ");
  EXPECT_EQ(TrimRight("  a \n"), "  a");
  EXPECT_EQ(Trim(""), "");
  EXPECT_EQ(UpperCase("abc\xC3\xA4z"), "ABC\xC3\xA4Z");
  EXPECT_EQ(LowerCase("ÄBC"), "Äbc");
  EXPECT_LT(CompareText("abc", "ABD"), 0);
  EXPECT_EQ(CompareText("Header", "HEADER"), 0);
  EXPECT_GT(CompareText("b", "A"), 0);
  EXPECT_LT(CompareText("ab", "abc"), 0);
  EXPECT_TRUE(SameText("R22", "r22"));
  EXPECT_EQ(StringReplaceAll("a.b.c", ".", "::"), "a::b::c");
}

// One case mapping for the whole program: ASCII letters only, so that a page
// lays out and an INI name matches alike whatever locale the process runs in.
// The edges of both letter ranges are where an off-by-one hides.
TEST(TextRoutines, AsciiCaseOnly) {
  struct Case {
    char16_t unit, lower, upper;
  };
  const Case cases[] = {
      {u'A', u'a', u'A'}, {u'Z', u'z', u'Z'}, {u'a', u'a', u'A'}, {u'z', u'z', u'Z'},
      {u'@', u'@', u'@'}, {u'[', u'[', u'['}, {u'`', u'`', u'`'}, {u'{', u'{', u'{'},
      {u'5', u'5', u'5'}, {0x00C9, 0x00C9, 0x00C9} /* É */, {0x00E9, 0x00E9, 0x00E9} /* é */,
      {0x00DF, 0x00DF, 0x00DF} /* ß */, {0x0130, 0x0130, 0x0130} /* dotted I */,
      {0x0131, 0x0131, 0x0131} /* dotless i */, {0xFF21, 0xFF21, 0xFF21} /* fullwidth A */,
      {0xD800, 0xD800, 0xD800} /* a lone surrogate */};
  for (const char* name : testsupport::kTestLocales) {   // where the C library would map é or i
    SCOPED_TRACE(name);
    testsupport::ScopedLocale locale(name);
    for (const Case& c : cases) {
      EXPECT_EQ(LowerAscii(c.unit), c.lower) << int(c.unit);
      EXPECT_EQ(UpperAscii(c.unit), c.upper) << int(c.unit);
      if (c.unit < 0x80) {
        const char b = static_cast<char>(c.unit);
        EXPECT_EQ(LowerAscii(b), static_cast<char>(c.lower)) << b;
        EXPECT_EQ(UpperAscii(b), static_cast<char>(c.upper)) << b;
      }
    }
    for (int b = 0x80; b <= 0xFF; ++b) {   // bytes of UTF-8 sequences and Latin-1 letters
      EXPECT_EQ(LowerAscii(static_cast<char>(b)), static_cast<char>(b)) << b;
      EXPECT_EQ(UpperAscii(static_cast<char>(b)), static_cast<char>(b)) << b;
    }
    EXPECT_EQ(LowerCase(u"Stra\u00DFE \u00C9T\u00C9"), u"stra\u00DFe \u00C9t\u00C9");
    EXPECT_EQ(UpperCase(u"stra\u00DFe \u00E9t\u00E9"), u"STRA\u00DFE \u00E9T\u00E9");
    EXPECT_EQ(UpperCase(std::u16string_view()), u"");
  }
}

// Every byte against the ASCII ranges written out; the edges of each range
// are where an off-by-one hides, the bytes from 0x80 where a locale would add.
TEST(TextRoutines, AsciiByteClasses) {
  for (int b = 0; b <= 0xFF; ++b) {
    const char c = static_cast<char>(b);
    const bool digit = b >= 0x30 && b <= 0x39;
    const bool letter = (b >= 0x41 && b <= 0x5A) || (b >= 0x61 && b <= 0x7A);
    EXPECT_EQ(IsAsciiDigit(c), digit) << b;
    EXPECT_EQ(IsAsciiLetter(c), letter) << b;
    EXPECT_EQ(IsAsciiLetterOrDigit(c), digit || letter) << b;
  }
}

// Unicode's simple case mapping, the same under every test locale: in C the
// C library maps no "é", in tr_TR it maps "i" to "İ" and "I" to "ı".
TEST(TextRoutines, UnicodeCaseWhateverTheLocale) {
  struct Case {
    char32_t c, upper, lower;
    const char* what;
  };
  const Case cases[] = {
      {U'\u00E9', U'\u00C9', U'\u00E9', "e acute"},
      {U'\u00C9', U'\u00C9', U'\u00E9', "E acute"},
      {U'\u00E0', U'\u00C0', U'\u00E0', "a grave"},
      {U'\u00FC', U'\u00DC', U'\u00FC', "u diaeresis"},
      {U'\u00F1', U'\u00D1', U'\u00F1', "n tilde"},
      {U'i', U'I', U'i', "i"},
      {U'I', U'I', U'i', "I"},
      {U'\u0131', U'I', U'\u0131', "dotless i"},
      {U'\u0130', U'\u0130', U'i', "dotted I"},
      {U'\u00DF', U'\u00DF', U'\u00DF', "sharp s: no one-letter capital"},
      {U'\u1E9E', U'\u1E9E', U'\u00DF', "capital sharp s"},
      {U'\u01C5', U'\u01C4', U'\u01C6', "title-case Dz"},
      {U'\u03B1', U'\u0391', U'\u03B1', "alpha"},
      {U'\u03A3', U'\u03A3', U'\u03C3', "Sigma"},
      {U'\u03C2', U'\u03A3', U'\u03C2', "final sigma"},
      {U'\u1F80', U'\u1F88', U'\u1F80', "alpha with psili and ypogegrammeni"},
      {U'\u1FF3', U'\u1FFC', U'\u1FF3', "omega with ypogegrammeni"},
      {U'\u1FFC', U'\u1FFC', U'\u1FF3', "Omega with prosgegrammeni"},
      {U'\u0149', U'\u0149', U'\u0149', "n with apostrophe: no one-letter capital"},
      {U'\u0434', U'\u0414', U'\u0434', "de"},
      {U'\u0401', U'\u0401', U'\u0451', "Yo"},
      {U'\U00010428', U'\U00010400', U'\U00010428', "Deseret long i, beyond the basic plane"},
      {U'\U00010400', U'\U00010400', U'\U00010428', "Deseret long I"},
      {U'5', U'5', U'5', "digit"},
      {U'\u4E00', U'\u4E00', U'\u4E00', "ideograph"},
  };
  for (const char* name : testsupport::kTestLocales) {
    SCOPED_TRACE(name);
    testsupport::ScopedLocale locale(name);
    std::u16string text, upper, lower;
    for (const Case& c : cases) {
      EXPECT_EQ(UnicodeUpper(c.c), c.upper) << c.what;
      EXPECT_EQ(UnicodeLower(c.c), c.lower) << c.what;
      const auto append = [](std::u16string& s, char32_t cp) {
        if (cp > 0xFFFF) {
          s.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
          s.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
        } else {
          s.push_back(static_cast<char16_t>(cp));
        }
      };
      append(text, c.c), append(upper, c.upper), append(lower, c.lower);
    }
    EXPECT_EQ(UnicodeUpperCase(text), upper);
    EXPECT_EQ(UnicodeLowerCase(text), lower);
    EXPECT_EQ(UnicodeUpperCase(u"title in list"), u"TITLE IN LIST");
    EXPECT_EQ(UnicodeLowerCase(u"TITLE"), u"title");
    // Lone surrogates, at either end and in the middle, stay as they are.
    const std::u16string lone{0xDC28, u'a', 0xD801, u'b', 0xD801};
    EXPECT_EQ(UnicodeUpperCase(lone), (std::u16string{0xDC28, u'A', 0xD801, u'B', 0xD801}));
    EXPECT_EQ(UnicodeLowerCase(u""), u"");
  }
}

TEST(TextRoutines, StartsText) {
  const struct {
    const char* text;
    const char* prefix;
    bool starts;
  } cases[] = {{"URL(a.png)", "url(", true}, {"Http://x", "http:", true}, {"http", "http:", false},
               {"", "", true},                {"abc", "", true},            {" http:", "http:", false},
               {"\xC3\x84x", "\xC3\xA4", false} /* Ä is not ä */};
  for (const auto& c : cases) EXPECT_EQ(StartsText(c.text, c.prefix), c.starts) << c.text;
}

// The one escaper of text put into pages: the same text must be safe between
// tags (the workbench's names and messages) and inside a quoted attribute
// value (the viewer's picture documents), so the quote is escaped as well.
TEST(TextRoutines, HtmlEscape) {
  const std::pair<std::string, std::string> cases[] = {
      {"a<b>&c", "a&lt;b&gt;&amp;c"},
      {"Cannot create file \"x\".", "Cannot create file &quot;x&quot;."},
      {"x\" onload=\"y", "x&quot; onload=&quot;y"},
      {"&amp;", "&amp;amp;"},
      {"Ümlaut 'single'", "Ümlaut 'single'"},
      {"", ""},
  };
  for (const auto& [text, escaped] : cases) EXPECT_EQ(HtmlEscape(text), escaped) << text;
}

TEST(FileNames, Routines) {
  EXPECT_EQ(ExtractFilePath("/a/b/c.ini"), "/a/b/");
  EXPECT_EQ(ExtractFilePath("c.ini"), "");
  EXPECT_EQ(ExtractFileName("/a/b/c.ini"), "c.ini");
  EXPECT_EQ(ExtractFileExt("/a/b.d/c.ini"), ".ini");
  EXPECT_EQ(ExtractFileExt("/a/b.d/c"), "");
  EXPECT_EQ(ChangeFileExt("/a/r22.ini", ".cmp"), "/a/r22.cmp");
  EXPECT_EQ(ChangeFileExt("/a.b/r22", ".cmp"), "/a.b/r22.cmp");
  EXPECT_EQ(IncludeTrailingPathDelimiter("/a"), "/a/");
  EXPECT_EQ(IncludeTrailingPathDelimiter("/a/"), "/a/");
  EXPECT_EQ(ExcludeTrailingPathDelimiter("/a/"), "/a");
  EXPECT_EQ(ExcludeTrailingPathDelimiter("/"), "/");
  EXPECT_EQ(ExpandFileName("/a/./b/../c"), "/a/c");
}

TEST(FileSystem, ListCopyRename) {
  std::string dir = testsupport::MakeTempDir("fs");
  testsupport::WriteAll(dir + "/b.CMP", "2");
  testsupport::WriteAll(dir + "/A.cmp", "1");
  testsupport::WriteAll(dir + "/c.ini", "3");
  testsupport::WriteAll(dir + "/.hidden.cmp", "4");
  ForceDirectories(dir + "/sub/deeper");
  ForceDirectories(dir + "/Alpha");
  EXPECT_EQ(ListFiles(dir, "*.cmp"), (std::vector<std::string>{".hidden.cmp", "A.cmp", "b.CMP"}));
  EXPECT_EQ(ListFiles(dir, "*.*").size(), 4u);
  EXPECT_EQ(ListFiles(dir, "?.CMP"), (std::vector<std::string>{"A.cmp", "b.CMP"}));
  EXPECT_EQ(ListFolders(dir), (std::vector<std::string>{"Alpha", "sub"}));
  EXPECT_TRUE(MatchesMask("R22.CMP", "*.cmp"));
  EXPECT_TRUE(MatchesMask("abc", "a*c"));
  EXPECT_FALSE(MatchesMask("abcd", "a*c"));
  EXPECT_TRUE(MatchesMask("a.b.c", "*.c"));

  EXPECT_TRUE(FileExists(dir + "/A.cmp"));
  EXPECT_FALSE(FileExists(dir + "/sub"));
  EXPECT_TRUE(DirectoryExists(dir + "/sub/deeper"));
  EXPECT_EQ(FileSize(dir + "/A.cmp"), 1);
  EXPECT_EQ(FileSize(dir + "/none"), -1);

  EXPECT_TRUE(CopyFile(dir + "/A.cmp", dir + "/copy.cmp", true));
  EXPECT_EQ(testsupport::ReadAll(dir + "/copy.cmp"), "1");
  EXPECT_FALSE(CopyFile(dir + "/b.CMP", dir + "/copy.cmp", true));
  EXPECT_TRUE(CopyFile(dir + "/b.CMP", dir + "/copy.cmp", false));
  EXPECT_EQ(testsupport::ReadAll(dir + "/copy.cmp"), "2");
  EXPECT_FALSE(CopyFile(dir + "/missing", dir + "/x", false));
  EXPECT_FALSE(FileExists(dir + "/x"));

  EXPECT_FALSE(RenameFile(dir + "/copy.cmp", dir + "/A.cmp"));   // target exists
  EXPECT_TRUE(RenameFile(dir + "/copy.cmp", dir + "/copy.in~"));
  EXPECT_TRUE(DeleteFile(dir + "/copy.in~"));
  EXPECT_FALSE(DeleteFile(dir + "/copy.in~"));
  EXPECT_FALSE(DeleteFile(dir + "/sub"));
}

TEST(FileSystem, ResolvePathWithoutRegardToCase) {
  std::string dir = testsupport::MakeTempDir("resolve");
  ForceDirectories(dir + "/Help");
  testsupport::WriteAll(dir + "/Help/Index.htm", "x");
  EXPECT_EQ(ResolveFilePath(dir + "/help/index.htm"), dir + "/Help/Index.htm");
  EXPECT_EQ(ResolveFilePath(dir + "\\HELP\\INDEX.HTM"), dir + "/Help/Index.htm");
  EXPECT_EQ(ResolveFilePath(dir + "/Help/Index.htm"), dir + "/Help/Index.htm");
  EXPECT_EQ(ResolveFilePath(dir + "/help/none.htm"), dir + "/help/none.htm");
}

}  // namespace
