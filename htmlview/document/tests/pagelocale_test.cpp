// A page lays out the same whatever the process locale: the letters of a
// text-transform or small caps map by Unicode's tables, a case-blind search
// lowers by them, and the numbers of style values read with ".". Each case
// runs under C (a session without LANG), a decimal-comma locale and the
// Turkish one, whose dotted and dotless i the C library would bring in.
#include <gtest/gtest.h>

#include <string>

#include "htmlview/layout/layoutdump.h"
#include "parsedpage_helpers.h"
#include "platform/sysutils.h"
#include "testsupport/locales.h"

using namespace htmlview;

namespace {

class PageLocaleTest : public ParsedPageTest, public ::testing::WithParamInterface<const char*> {
 protected:
  // The page parsed, laid out and painted under the current locale; its dump.
  std::string Dump(const std::string& body, int width = 400) {
    Parse("<meta charset=\"utf-8\">" + body);
    LayOutAndPaint(width, 300);
    return DumpLayout(*list);
  }
  // The same page under C, the reference every locale must match.
  std::string DumpInC(const std::string& body, int width = 400) {
    testsupport::ScopedLocale c("C");
    return Dump(body, width);
  }
};

// Every mapped letter is checked in the dump's quoted text, so a locale that
// maps one letter differently (or not at all) shows by name.
TEST_P(PageLocaleTest, TextTransformAndSmallCapsMapByUnicode) {
  const std::string html =
      "<p style=\"text-transform: uppercase\">\u00E9t\u00E9 \u00E0 \u00FC\u00F1</p>"
      "<p style=\"text-transform: uppercase\">title in list</p>"
      "<p style=\"text-transform: lowercase\">\u00C9T\u00C9</p>"
      "<p style=\"text-transform: lowercase\">TITLE</p>"
      "<p style=\"font-variant: small-caps\">Mini \u00E9t\u00E9 list</p>"
      "<p style=\"text-transform: uppercase\">\U00010428x</p>";
  const std::string reference = DumpInC(html);
  testsupport::ScopedLocale locale(GetParam());
  const std::string dump = Dump(html);
  for (const char* text : {"\u00C9T\u00C9 \u00C0 \u00DC\u00D1", "TITLE IN LIST", "\u00E9t\u00E9", "title", "\U00010400X"})
    EXPECT_NE(dump.find(std::string("\"") + text), std::string::npos) << text << "\n" << dump;
  // Small caps: the capitals of the lower-case letters in a smaller font,
  // the capital as it stands.
  for (const char* text : {"\"M\" font \"Times New Roman\" 16", "\"INI \u00C9T\u00C9 LIST \" font \"Times New Roman\" 13"})
    EXPECT_NE(dump.find(text), std::string::npos) << text << "\n" << dump;
  EXPECT_EQ(dump, reference);
}

// The case-blind search lowers the page's text as the finder lowers the
// word: "LIST" holds "list" also where the C library would lower I to a
// dotless i.
TEST_P(PageLocaleTest, CaseBlindSearchMatchesByUnicode) {
  testsupport::ScopedLocale locale(GetParam());
  Dump("<p>TITLE IN LIST \u00C9T\u00C9</p>");
  const int at = list->FindString(0, u"list", false);
  EXPECT_GE(at, 0);
  EXPECT_EQ(list->FindStringR(1000, u"title", false), at - 9);
  EXPECT_EQ(list->FindString(0, u"\u00E9t\u00E9", false), at + 5);
  EXPECT_EQ(list->FindString(0, u"list", true), -1);
}

// Percentages of a table's and a cell's style width: "33.5%" is a third and
// a half per cent, "12,5%" twelve per cent, as in C.
TEST_P(PageLocaleTest, StyleWidthPercentagesReadWithADecimalPoint) {
  const std::string html =
      "<table style=\"width: 33.5%\" border=1><tr>"
      "<td style=\"width: 12,5%\">a</td><td style=\"width: 20.5%\">b</td><td>c</td></tr></table>"
      "<table style=\"width: 66.7%\"><tr><td style=\"width: 1e1%\">d</td><td>e</td></tr></table>";
  const std::string reference = DumpInC(html, 1000);
  // 33.5 % and 66.7 % of the body's 980 pixels.
  EXPECT_NE(reference.find("tableblock table. 10,5 328x26"), std::string::npos) << reference;
  EXPECT_NE(reference.find("tableblock table. 10,31 654x22"), std::string::npos) << reference;
  testsupport::ScopedLocale locale(GetParam());
  EXPECT_EQ(Dump(html, 1000), reference);
}

INSTANTIATE_TEST_SUITE_P(Locales, PageLocaleTest, ::testing::ValuesIn(testsupport::kTestLocales),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                           std::string name;
                           for (const char* p = info.param; *p; ++p)
                             if (platform::IsAsciiLetterOrDigit(*p)) name += *p;
                           return name;
                         });

}  // namespace
