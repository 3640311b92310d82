#include "htmlview/parse/htmlreader.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <cstring>
#include <map>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "htmlview/parse/codepages.h"
#include "htmlview/parse/viewutils.h"
#include "htmlview/style/styleprops.h"
#include "platform/sysutils.h"

namespace htmlview {
namespace {

std::string Utf8(const std::u16string& s) { return EncodeCodePage(s, kCodePageUtf8); }

bool IsEndSymbol(HtmlSymbol s) {
  return static_cast<int>(s) >= static_cast<int>(HtmlSymbol::EndHtml) &&
         static_cast<int>(s) <= static_cast<int>(HtmlSymbol::EndObject);
}

// The current token as a short text: T[text] for text, <NAME a=v#n> for a
// tag, </NAME> for an end tag, <?> for an unknown tag.
std::string Describe() {
  HtmlReaderState& r = Reader();
  if (r.Sy == HtmlSymbol::TextToken) return "T[" + Utf8(r.Token->S()) + "]";
  std::string out = IsEndSymbol(r.Sy) ? "</" : "<";
  const std::string name = platform::UpperCase(TagName(r.Sy));
  out += name.empty() ? "?" : name;
  if (r.HeadingLevel) out += std::to_string(r.HeadingLevel);
  for (int i = 0; i < r.Attributes->Count(); ++i) {
    const TAttribute& a = (*r.Attributes)[i];
    out += " " + a.WhichName;
    if (a.Which == HtmlSymbol::UnknownAttribute) out += "?";
    out += "=" + a.Name + "#" + std::to_string(a.Value);
  }
  return out + ">";
}

class ReaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitHtmlReader();
    PropStack().Clear();
    Reader().DefaultCodePage = 1252;
    Reader().IncludeEvent = nullptr;
    Reader().IDList = nullptr;
    Reader().Progress = nullptr;
  }
  void TearDown() override { DoneHtmlReader(); }

  // The whole token stream of a document.
  static std::string Tokens(std::string text) {
    BeginReading(std::move(text));
    std::string out;
    GetCharSkip();
    for (int guard = 0; guard < 10000; ++guard) {
      NextToken();
      if (Reader().Sy == HtmlSymbol::EndOfText) break;
      out += Describe();
    }
    return out;
  }
};

struct Case {
  const char* input;
  const char* tokens;
};

TEST_F(ReaderTest, TokenStreams) {
  const Case cases[] = {
      // Tags, end tags, unknown tags and the heading level.
      {"<p>Hello</p>", "<P>T[Hello]</P>"},
      {"<B>x</b>", "<B>T[x]</B>"},
      {"<br/>", "<BR>"},
      {"<br />a", "<BR>T[a]"},
      {"<h2 class=x>T</h2>", "<H2 CLASS=x#0>T[T]</H2>"},
      {"<h7>", "<?>"},
      {"<blink>a</blink>", "<?>T[a]<?>"},
      {"</br>", "<?>"},
      {"<?xml version='1.0'?>a", "<?>T[a]"},
      // "<" not followed by a letter, "/" or "?" is text.
      {"a < b", "T[a ]T[<]T[ b]"},
      {"1<2", "T[1]T[<]T[2]"},
      {"a </ b", "T[a ]T[</]T[ b]"},
      // Attributes: quoted, unquoted, numeric, bare, unknown.
      {"<img src=\"a b.gif\" alt='x'>", "<IMG SRC=a b.gif#0 ALT=x#0>"},
      {"<td width=50%>", "<TD WIDTH=50%#50>"},
      {"<td width=\"50%\">", "<TD WIDTH=50%#50>"},
      {"<td width=\" 12.5 \">", "<TD WIDTH= 12.5 #12>"},
      {"<td width=13.5>", "<TD WIDTH=13.5#14>"},
      {"<td width=\"50px\">", "<TD WIDTH=50px#50>"},
      {"<td width=-3>", "<TD WIDTH=-3#-3>"},
      {"<table border>", "<TABLE BORDER=#1>"},
      {"<table border=0>", "<TABLE BORDER=0#0>"},
      {"<input checked type=radio>", "<INPUT CHECKED=#0 TYPE=radio#0>"},
      {"<p data-x = 'y'>", "<P DATA-X?=y#0>"},
      {"<a href=x.htm target=_top>", "<A HREF=x.htm#0 TARGET=_top#0>"},
      {"<a href=\"unterminated>x", "<A HREF=unterminated>x#0>"},
      {"<p class=a\"b>", "<P CLASS=a\"b#0>"},
      {"<p title=\"a\nb\" class=\"c\nd\">", "<P TITLE=a\r\nb#0 CLASS=cd#0>"},
      {"<p alt='a\tb'>", "<P ALT=a b#0>"},
      // Entities in text and attributes.
      {"&lt;&#65;&#x42;&copy", "T[<AB\xC2\xA9]"},
      {"&copyx;", "T[&copyx;]"},
      {"&amp;amp;", "T[&amp;]"},
      {"a&#;b&#xg;", "T[a&#;b&#xg;]"},
      {"&#150;&#9;&#7;", "T[\xE2\x80\x93 ?]"},
      {"&#128512;", "T[\xF0\x9F\x98\x80]"},
      {"&#99999999999;", "T[\xEF\xBF\xBD]"},
      {"&Agrave;&agrave;", "T[\xC3\x80\xC3\xA0]"},
      {"<a title=\"&hellip\">", "<A TITLE=&hellip#0>"},
      {"<a title=\"&hellip;\">", "<A TITLE=\xE2\x80\xA6#0>"},
      {"<a title=\"&eacute\">", "<A TITLE=\xC3\xA9#0>"},
      {"<a href=\"?a=1&amp;b=2\">", "<A HREF=?a=1&b=2#0>"},
      {"<a title=&#169;x>", "<A TITLE=\xC2\xA9x#0>"},
      // White space: each run one space; every line-end form one CR.
      {"x\r\n\r\ny", "T[x y]"},
      {"  a \t\n b  ", "T[ a b ]"},
      // Comments, declarations, processing blocks.
      {"a<!-- x -- y -->b", "T[ab]"},
      {"a<!-- x --  !>b", "T[ab]"},
      {"a<!-- x --\r\n>b", "T[ab]"},
      {"a<!---->b", "T[ab]"},
      {"a<!-- 1 --><!-- 2 -->b", "T[ab]"},
      {"<!DOCTYPE html><p>", "<P>"},
      {"a<!x>b", "T[ab]"},
      {"<% code %>a", "T[a]"},
      {"a<% never ends", "T[a]"},
      // Control characters below TAB read as "?".
      {"a\x01" "b", "T[a]T[?b]"},
  };
  for (const Case& c : cases) EXPECT_EQ(Tokens(c.input), c.tokens) << c.input;
}

TEST_F(ReaderTest, NulBytesBecomeSpacesUpToAHundred) {
  std::string text = "a";
  text.push_back('\0');
  text += "b";
  EXPECT_EQ(Tokens(text), "T[a b]");
  std::string many(101, '\0');
  EXPECT_EQ(Tokens("a" + many + "b"), "T[a ]");
}

TEST_F(ReaderTest, OpenCommentRaisesParseError) {
  for (const char* text : {"a<!-- never closed", "a<!DOCTYPE", "<!-- x -- y"}) {
    BeginReading(text);
    try {
      GetCharSkip();
      for (int i = 0; i < 100; ++i) NextToken();
      ADD_FAILURE() << text;
    } catch (const EParseError& e) {
      EXPECT_STREQ(e.what(), "Open Comment at End of HTML File");
    }
  }
}

TEST_F(ReaderTest, OffsetsPerUtf16Unit) {
  // UTF-8 text: each unit carries the offset of its character's first byte;
  // a surrogate pair both halves; references the offset of their "&".
  Reader().DefaultCodePage = kCodePageUtf8;
  BeginReading("<p>a\xC3\xA9\xF0\x9F\x98\x80&amp;\r\n z</p>");
  GetCharSkip();
  NextToken();
  EXPECT_EQ(Reader().Sy, HtmlSymbol::P);
  EXPECT_EQ(Reader().TagPos, 0);
  NextToken();
  ASSERT_EQ(Reader().Sy, HtmlSymbol::TextToken);
  EXPECT_EQ(Reader().Token->S(), std::u16string(u"a\u00E9\U0001F600& z"));
  EXPECT_EQ(Reader().Token->I(), (std::vector<int>{3, 4, 6, 6, 10, 15, 18}));
  NextToken();
  EXPECT_EQ(Reader().Sy, HtmlSymbol::EndP);
  EXPECT_EQ(Reader().TagPos, 19);
}

TEST_F(ReaderTest, PlainStretchesKeepTheirCharactersAndOffsets) {
  // Runs of plain characters are taken in one piece: every way such a
  // stretch can end (blank, tab, line end, reference, a byte of a wider
  // character, a tag) keeps the characters and offsets of reading one by one.
  struct TextCase {
    int codePage;
    std::string input;
    std::u16string text;
    std::vector<int> offsets;
  };
  const TextCase cases[] = {
      {1252, "ab  cd\te", u"ab cd e", {0, 1, 2, 4, 5, 6, 7}},
      {1252, "ab\r\ncd", u"ab cd", {0, 1, 2, 4, 5}},
      {1252, "caf\xE9s", u"caf\u00E9s", {0, 1, 2, 3, 4}},
      {kCodePageUtf8, "x\xC3\xA9yz", u"x\u00E9yz", {0, 1, 3, 4}},
      {1252, "a&lt;bc&#65;", u"a<bcA", {0, 1, 5, 6, 7}},
      {932, "ab\x82\xA0" "cd", u"ab\u3042cd", {0, 1, 2, 4, 5}},
      {932, "abc", u"abc", {0, 1, 2}},
      {1252, "abc<b>", u"abc", {0, 1, 2}},
  };
  for (const TextCase& c : cases) {
    Reader().DefaultCodePage = c.codePage;
    BeginReading(c.input);
    GetCharSkip();
    NextToken();
    ASSERT_EQ(Reader().Sy, HtmlSymbol::TextToken) << c.input;
    EXPECT_EQ(Reader().Token->S(), c.text) << c.input;
    EXPECT_EQ(Reader().Token->I(), c.offsets) << c.input;
  }
  Reader().DefaultCodePage = 1252;
  BeginReading("abc<b>");
  GetCharSkip();
  NextToken();
  NextToken();
  EXPECT_EQ(Reader().Sy, HtmlSymbol::B);
  EXPECT_EQ(Reader().TagPos, 3);
}

TEST_F(ReaderTest, OffsetsSkipCommentsAndCountTheUtf8Mark) {
  BeginReading("\xEF\xBB\xBF" "a<!--c-->b");
  EXPECT_TRUE(Reader().CharsetFixed);
  EXPECT_EQ(Reader().ViewerCodePage, kCodePageUtf8);
  GetCharSkip();
  NextToken();
  EXPECT_EQ(Reader().Token->S(), u"ab");
  EXPECT_EQ(Reader().Token->I(), (std::vector<int>{3, 12}));
}

TEST_F(ReaderTest, TextDecodedWithInnermostElementsCodePage) {
  PropStack().Add(std::make_unique<TProperties>());
  PropStack().Last()->SetCharset(204);   // Cyrillic, code page 1251
  BeginReading("\xC0\xE1 &#150;");
  GetCharSkip();
  NextToken();
  EXPECT_EQ(Reader().Token->S(), u"\u0410\u0431 \u2013");
  PropStack().Clear();
}

TEST_F(ReaderTest, AttributeValuesAreUtf8WithTheirCodePage) {
  PropStack().Add(std::make_unique<TProperties>());
  PropStack().Last()->SetCharset(161);   // Greek, 1253
  BeginReading("<img alt=\"\xE1&beta;\">");
  GetCharSkip();
  NextToken();
  ASSERT_EQ(Reader().Attributes->Count(), 1);
  EXPECT_EQ((*Reader().Attributes)[0].Name, "\xCE\xB1\xCE\xB2");
  EXPECT_EQ((*Reader().Attributes)[0].CodePage, 1253);
  PropStack().Clear();
}

TEST_F(ReaderTest, Utf8MarkFixesTheCharsetAgainstMeta) {
  PropStack().Add(std::make_unique<TProperties>());
  BeginReading("\xEF\xBB\xBF<meta http-equiv=content-type content=\"text/html; charset=windows-1251\">");
  EXPECT_EQ(PropStack()[0]->CodePage, kCodePageUtf8);
  EXPECT_FALSE(ApplyMetaCharset("Content-Type", "text/html; charset=windows-1251"));
  EXPECT_EQ(PropStack()[0]->CodePage, kCodePageUtf8);
  PropStack().Clear();
}

TEST_F(ReaderTest, MetaCharsetSetsInnermostElementAndViewer) {
  PropStack().Add(std::make_unique<TProperties>());
  BeginReading("x");
  EXPECT_FALSE(ApplyMetaCharset("refresh", "text/html; charset=windows-1251"));
  EXPECT_TRUE(ApplyMetaCharset("CONTENT-TYPE", "text/html; charset=windows-1251"));
  EXPECT_EQ(PropStack().Last()->CodePage, 1251);
  EXPECT_EQ(Reader().ViewerCodePage, 1251);
  EXPECT_TRUE(ApplyMetaCharset("content-type", "text/html; charset=UTF-8"));
  EXPECT_EQ(PropStack().Last()->CodePage, kCodePageUtf8);
  EXPECT_EQ(Reader().ViewerCodePage, kCodePageUtf8);
  PropStack().Clear();
}

TEST_F(ReaderTest, JapaneseConversions) {
  // "日本" is JIS 0x467C 0x4B5C: Shift-JIS 93 FA 96 7B.
  EXPECT_EQ(EucJpToShiftJis("a\xC6\xFC\xCB\xDC" "b"), "a\x93\xFA\x96\x7B" "b");
  const std::string iso = "a\x1b$B\x46\x7C\x4B\x5C\x1b(Bb";
  EXPECT_TRUE(IsIso2022Jp(iso));
  EXPECT_FALSE(IsIso2022Jp("a\x1b$B\x46\x7C"));
  EXPECT_EQ(Iso2022JpToShiftJis(iso), "a\x93\xFA\x96\x7B" "b");
  // Row 95 (0x5F) lies in the second lead-byte block: 0x5F21 is E0 40.
  EXPECT_EQ(EucJpToShiftJis("\xDF\xA1"), "\xE0\x40");
  EXPECT_EQ(EucJpToShiftJis("\xDE\xFE"), "\x9F\xFC");

  PropStack().Add(std::make_unique<TProperties>());
  BeginReading(iso);
  EXPECT_TRUE(Reader().Converted);
  EXPECT_EQ(Reader().ViewerCodePage, 932);
  GetCharSkip();
  NextToken();
  EXPECT_EQ(Reader().Token->S(), u"a\u65E5\u672Cb");
  PropStack().Clear();
}

// text (UTF-8) in a character set, through the C library; empty when it
// cannot hold every character.
std::string Iconv(const std::string& text, const char* charset) {
  iconv_t cd = iconv_open(charset, "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) return {};
  std::string in = text, out(4 * text.size() + 16, '\0');
  char* src = in.data();
  char* dst = out.data();
  size_t srcLeft = in.size(), dstLeft = out.size();
  const size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
  iconv_close(cd);
  if (r != 0 || srcLeft != 0) return {};
  out.resize(out.size() - dstLeft);
  return out;
}

// The document offsets of each UTF-16 unit of text in a set: the first byte
// of its character, counted from start.
std::vector<int> CharacterOffsets(const std::string& text, const char* charset, int start) {
  std::vector<int> offsets;
  const std::u16string wide = DecodeCodePage(text, kCodePageUtf8);
  int at = start;
  for (size_t i = 0; i < wide.size(); ++i) {
    const bool pair = wide[i] >= 0xD800 && wide[i] <= 0xDBFF && i + 1 < wide.size();
    const std::string one = EncodeCodePage(wide.substr(i, pair ? 2 : 1), kCodePageUtf8);
    offsets.insert(offsets.end(), pair ? 2 : 1, at);
    at += static_cast<int>(Iconv(one, charset).size());
    if (pair) ++i;
  }
  return offsets;
}

// Pages made by the C library from a known text, declared by META, must read
// back as that text with every character at its own bytes. The sets without
// a Windows code page of their own were decoded with their charset's page
// (ISO-8859-7 as windows-1253 lost the letters with tonos at 0xB6-0xBF), and
// EUC-JP's half-width katakana (0x8E and one byte) came out as a pair.
TEST_F(ReaderTest, DeclaredCharacterSetsDecodeWithTheirOwnTables) {
  struct Case {
    const char* iconvName;
    const char* declared;
    int charset;     // what the properties and fonts see
    const char* text;
  };
  const Case cases[] = {
      {"ISO-8859-7", "ISO-8859-7", 161, "\u0386\u00B7\u0388\u0389\u038A\u00BB\u038C\u00BD\u038E\u038F "
                                        "\u03B1\u03B2\u03B3 \u03AC\u03AD\u03AE\u03AF \u20AC"},
      {"ISO-8859-5", "iso-8859-5", 204, "\u0410\u0411\u0412 \u0430\u0431\u0432 \u0401\u0451 \u2116"},
      {"KOI8-R", "koi8-r", 204, "\u041F\u0440\u0438\u0432\u0435\u0442 \u043C\u0438\u0440 \u2500\u2502"},
      {"KOI8-U", "KOI8-U", 204, "\u0404\u0406\u0407\u0490 \u0454\u0456\u0457\u0491"},
      {"CP866", "ibm866", 204, "\u0414\u043E\u0441 \u2591\u2592 \u0451"},
      {"ISO-8859-4", "ISO-8859-4", 186, "\u0104\u0138\u0156 \u0100\u012E\u0112 \u014A\u0166"},
      {"ISO-8859-3", "iso-8859-3", 162, "\u0126\u0124\u0130 \u011C\u0109\u016D"},
      {"ISO-8859-9", "iso-8859-9", 162, "\u011E\u0130\u015E \u011F\u0131\u015F"},
      {"ISO-8859-15", "ISO-8859-15", 0, "\u20AC \u0160\u0161\u017D\u017E\u0152\u0153\u0178"},
      {"ISO-8859-2", "iso-8859-2", 238, "\u0104\u0141\u013D\u015A \u017A\u017C"},
      {"CP1253", "windows-1253", 161, "\u0386\u03B1\u03B2 \u2018\u2019"},
      {"EUC-JP", "EUC-JP", 128, "\u65E5\u672C \uFF71\uFF72\uFF73 \uFF8A\uFF9F a \u4E02"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.declared);
    const std::string bytes = Iconv(c.text, c.iconvName);
    ASSERT_FALSE(bytes.empty());
    const std::string head = "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=" +
                             std::string(c.declared) + "\"></head><body><p>";
    const std::string page = head + bytes + "</p></body></html>";

    PropStack().Clear();
    PropStack().Add(std::make_unique<TProperties>());
    PropStack().Last()->SetCharset(0);
    BeginReading(page);
    GetCharSkip();
    std::u16string text;
    std::vector<int> offsets;
    int charset = -1;
    for (NextToken(); Reader().Sy != HtmlSymbol::EndOfText; NextToken()) {
      if (Reader().Sy == HtmlSymbol::Meta) {
        const TAttribute* equiv = Reader().Attributes->Find(HtmlSymbol::HttpEquiv);
        const TAttribute* content = Reader().Attributes->Find(HtmlSymbol::Content);
        ASSERT_TRUE(equiv && content);
        ASSERT_TRUE(ApplyMetaCharset(equiv->Name, content->Name));
        charset = PropStack().Last()->CharSet;
      } else if (Reader().Sy == HtmlSymbol::TextToken) {
        text += Reader().Token->S();
        offsets.insert(offsets.end(), Reader().Token->I().begin(), Reader().Token->I().end());
      }
    }
    EXPECT_EQ(charset, c.charset);
    EXPECT_EQ(Utf8(text), c.text);
    EXPECT_EQ(offsets, CharacterOffsets(c.text, c.iconvName, static_cast<int>(head.size())));
    EXPECT_EQ(Reader().Doc, page);   // read in place, never converted
  }
  PropStack().Clear();
}

TEST_F(ReaderTest, EucJpCharsetReadsTheDocumentInPlace) {
  PropStack().Add(std::make_unique<TProperties>());
  BeginReading("<p>\xC6\xFC</p><p>\x8E\xB1\x8F\xB0\xA1</p>");
  GetCharSkip();
  NextToken();
  int charset = 0;
  ASSERT_TRUE(CharsetFromString("text/html; charset=EUC-JP", charset));
  EXPECT_EQ(charset, 128);
  EXPECT_FALSE(Reader().Converted);
  EXPECT_TRUE(Reader().EucJp);
  PropStack().Last()->SetCharset(charset);
  EXPECT_EQ(CurrentCodePage(), kCodePageEucJp);
  NextToken();
  EXPECT_EQ(Reader().Token->S(), u"\u65E5");
  EXPECT_EQ(Reader().Token->I(), std::vector<int>{3});
  NextToken();
  NextToken();
  NextToken();
  // Half-width katakana and a character of the supplementary set (0x8F).
  EXPECT_EQ(Reader().Token->S(), u"\uFF71\u4E02");
  EXPECT_EQ(Reader().Token->I(), (std::vector<int>{12, 14}));
  PropStack().Clear();

  // A document converted from ISO-2022-JP is Shift-JIS already: an EUC-JP
  // charset after that must not read it as EUC-JP.
  PropStack().Add(std::make_unique<TProperties>());
  BeginReading("a\x1b$B\x46\x7C\x1b(Bb");
  ASSERT_TRUE(CharsetFromString("euc-jp", charset));
  EXPECT_FALSE(Reader().EucJp);
  PropStack().Last()->SetCharset(charset);
  EXPECT_EQ(CurrentCodePage(), 932);
  PropStack().Clear();
}

// A long run of text is one token with every offset; its buffers grow by
// doubling (a fixed step made 4 MiB of text take minutes).
TEST_F(ReaderTest, LongTextIsOneTokenWithItsOffsets) {
  std::string text(1 << 20, 'x');
  for (size_t i = 0; i < text.size(); i += 97) text[i] = static_cast<char>('a' + i % 26);
  BeginReading("<p>" + text + "</p>");
  GetCharSkip();
  NextToken();
  NextToken();
  ASSERT_EQ(Reader().Sy, HtmlSymbol::TextToken);
  ASSERT_EQ(Reader().Token->Leng(), static_cast<int>(text.size()));
  EXPECT_EQ(Utf8(Reader().Token->S()), text);
  const std::vector<int>& offsets = Reader().Token->I();
  for (size_t i = 0; i < offsets.size(); ++i) ASSERT_EQ(offsets[i], static_cast<int>(i) + 3);

  TCharCollection bytes;
  for (size_t i = 0; i < text.size(); ++i) bytes.Add(text[i], static_cast<int>(i));
  TokenObj token;
  token.AddString(bytes, 1252);
  EXPECT_EQ(token.Leng(), static_cast<int>(text.size()));
  EXPECT_EQ(token.I().back(), static_cast<int>(text.size()) - 1);
}

// The caller's charset 31 (Latin-2) reaches the document root through the
// default set: it must keep code page 28592, not become 238's 1250.
TEST_F(ReaderTest, Latin2DefaultKeepsItsCodePageInTheRoot) {
  TProperties def;
  def.SetCharset(kLatin2PseudoCharset);
  auto root = std::make_unique<TProperties>();
  root->CopyDefault(def);
  EXPECT_EQ(root->CharSet, 238);
  EXPECT_EQ(root->CodePage, 28592);
  PropStack().Add(std::move(root));
  BeginReading("<p>\xA1\xB1\xA9</p>");
  GetCharSkip();
  NextToken();
  NextToken();
  EXPECT_EQ(Reader().Token->S(), u"\u0104\u0105\u0160");
  EXPECT_EQ(Reader().ViewerCodePage, 28592);
  PropStack().Clear();
}

TEST_F(ReaderTest, IncludeCommandInsertsText) {
  std::string command;
  std::vector<std::string> params;
  Reader().IncludeEvent = [&](const std::string& c, const std::vector<std::string>& p,
                              std::string& text) {
    command = c;
    params = p;
    text = "<b>in</b>";
  };
  EXPECT_EQ(Tokens("a<!--#include file=\"x &amp;\ry.htm\" virtual=v.htm -->b"),
            "T[a]<B>T[in]</B>T[b]");
  EXPECT_EQ(command, "include");
  EXPECT_EQ(params, (std::vector<std::string>{"file=x & y.htm", "virtual=v.htm"}));

  // Inserted text has the offset of the command's end; the text after it
  // keeps its own.
  BeginReading("a<!--#x-->b");
  GetCharSkip();
  std::vector<std::vector<int>> offsets;
  for (NextToken(); Reader().Sy != HtmlSymbol::EndOfText; NextToken())
    if (Reader().Sy == HtmlSymbol::TextToken) offsets.push_back(Reader().Token->I());
  EXPECT_EQ(offsets, (std::vector<std::vector<int>>{{0}, {9, 9}, {10}}));
}

// Found by fuzzing: a reference in an include parameter that skips a
// declaration of its own ("&<!...>") closed the enclosing comment's state,
// and an unterminated command then read past the end of the text for ever.
TEST_F(ReaderTest, UnterminatedIncludeWithANestedDeclarationEnds) {
  Reader().IncludeEvent = [](const std::string&, const std::vector<std::string>&, std::string& text) {
    text = "x";
  };
  for (const char* text : {"before<!--#i file=\"x &<!.htm\" rest", "<!--#i a=&<!x>b c=d",
                           "<!--#i a=\"&<!-- inner -->\" never closed"}) {
    BeginReading(text);
    try {
      GetCharSkip();
      for (int i = 0; i < 100; ++i) NextToken();
      ADD_FAILURE() << text;
    } catch (const EParseError& e) {
      EXPECT_STREQ(e.what(), "Open Comment at End of HTML File");
    }
  }
}

// Found by fuzzing: a handler whose answers hold commands again (its own, or
// the page's text given back) was read for ever, the text growing with
// every answer. Past the reader's bound an answer is dropped: the parse
// ends, and the page's own text after the command is still read.
TEST_F(ReaderTest, IncludesAnsweredWithIncludesEnd) {
  struct Case {
    const char* answer;
  };
  for (const Case c : {Case{"y<!--#again-->"}, Case{"<!--#twice--><!--#twice-->y"}}) {
    SCOPED_TRACE(c.answer);
    // The handler stops answering well past where the bound stops asking,
    // so that the test fails rather than runs for ever without it.
    const size_t limit = 4 * kMaxIncludedText / std::strlen(c.answer);
    size_t calls = 0;
    Reader().IncludeEvent = [&](const std::string&, const std::vector<std::string>&,
                                std::string& text) {
      if (++calls <= limit) text = c.answer;
    };
    BeginReading("a<!--#start-->b");
    GetCharSkip();
    std::u16string text;
    for (NextToken(); Reader().Sy != HtmlSymbol::EndOfText; NextToken())
      if (Reader().Sy == HtmlSymbol::TextToken) text += Reader().Token->S();
    EXPECT_LT(calls, limit / 2);
    EXPECT_LE(text.size(), kMaxIncludedText);
    ASSERT_GE(text.size(), 2u);
    EXPECT_EQ(text.front(), u'a');
    EXPECT_EQ(text.back(), u'b');
  }
}

// A text run that an open comment ends is still delivered; the error comes
// with the next token, so the parser keeps the text.
TEST_F(ReaderTest, TextBeforeAnOpenCommentIsDelivered) {
  BeginReading("<p>kept<!-- open");
  GetCharSkip();
  NextToken();
  NextToken();
  EXPECT_EQ(Describe(), "T[kept]");
  EXPECT_THROW(NextToken(), EParseError);
}

TEST_F(ReaderTest, AttributeNumbersSaturateAtAMillion) {
  EXPECT_EQ(Tokens("<td width=99999999999 height=\"-1e99\" colspan=1000000.4 span=-99999999999%>"),
            "<TD WIDTH=99999999999#1000000 HEIGHT=-1e99#-1 COLSPAN=1000000.4#1000000 "
            "SPAN=-99999999999%#-1000000>");
}

TEST_F(ReaderTest, IncludeWithoutHandlerIsAComment) {
  EXPECT_EQ(Tokens("a<!--#include file=x.htm -->b"), "T[ab]");
}

TEST_F(ReaderTest, IdAttributesRegisterTheirOffset) {
  TIDNameList ids;
  Reader().IDList = &ids;
  Tokens("ab<p id=first>x<a id=\"\">");
  EXPECT_EQ(ids.Names(), std::vector<std::string>{"first"});
  auto* pos = dynamic_cast<TChPosObj*>(ids.Find("first"));
  ASSERT_NE(pos, nullptr);
  EXPECT_EQ(pos->ChPos, 13);   // the ">" that ends the value
}

TEST_F(ReaderTest, ScriptAndStyleLeaveTheirContentToTheParser) {
  BeginReading("<script>if (a<b) x(\"<!-- y -->\");\n</SCRIPT >z");
  GetCharSkip();
  NextToken();
  EXPECT_EQ(Reader().Sy, HtmlSymbol::Script);
  EXPECT_EQ(Reader().Ch, '>');
  Reader().NoSkip = true;
  ReadHtmlChar();
  std::string seen;
  for (int i = 0; i < 50; ++i) {
    NextScriptToken();
    if (Reader().Sy == HtmlSymbol::ScriptContentEnd || Reader().Sy == HtmlSymbol::EndOfText) break;
    seen += Reader().Sy == HtmlSymbol::LineBreak ? "|" : "[" + Utf8(Reader().Token->S()) + "]";
  }
  EXPECT_EQ(Reader().Sy, HtmlSymbol::ScriptContentEnd);
  EXPECT_EQ(seen, "[if (a][<b][) x(\"][<][!-- y -->\");]|");
  EXPECT_FALSE(Reader().NoSkip);
  NextToken();
  EXPECT_EQ(Describe(), "T[z]");
}

TEST_F(ReaderTest, TextAreaContent) {
  BeginReading("<textarea>a &lt; <b>\r\nline</TextArea>z");
  GetCharSkip();
  NextToken();
  EXPECT_EQ(Reader().Sy, HtmlSymbol::TextArea);
  std::string seen;
  for (int i = 0; i < 50; ++i) {
    NextTextAreaToken();
    if (Reader().Sy == HtmlSymbol::TextAreaContentEnd || Reader().Sy == HtmlSymbol::EndOfText)
      break;
    seen += Reader().Sy == HtmlSymbol::LineBreak ? "|" : "[" + Utf8(Reader().Token->S()) + "]";
  }
  EXPECT_EQ(Reader().Sy, HtmlSymbol::TextAreaContentEnd);
  EXPECT_EQ(seen, "[a ][<][ ][<b][>]|[line]");
  NextToken();
  EXPECT_EQ(Describe(), "T[z]");
}

TEST_F(ReaderTest, LinkPrescanCountsUpTo401) {
  auto links = [](int n) {
    std::string text = "<p><!-- c --><a name=x>";
    for (int i = 0; i < n; ++i) text += "<a href=x" + std::to_string(i) + ">l</a>";
    return text;
  };
  TIDNameList ids;
  Reader().IDList = &ids;
  int progressCalls = 0;
  Reader().Progress = [&](int) { ++progressCalls; };
  BeginReading(links(400) + "<p id=z>");
  EXPECT_EQ(CountLinks(), 400);
  EXPECT_EQ(ids.Count(), 0);
  EXPECT_EQ(progressCalls, 0);
  // Rewound: the real parse starts at the first character.
  GetCharSkip();
  NextToken();
  EXPECT_EQ(Reader().Sy, HtmlSymbol::P);
  EXPECT_EQ(Reader().TagPos, 0);
  BeginReading(links(1000));
  EXPECT_EQ(CountLinks(), 401);
  BeginReading("<a href=x>t<!-- open");
  EXPECT_EQ(CountLinks(), 1);
}

TEST_F(ReaderTest, ProgressEvery4096Bytes) {
  std::vector<int> reports;
  Reader().Progress = [&](int p) { reports.push_back(p); };
  Reader().ProgressShare = 75;
  Tokens(std::string(8192, 'x'));
  EXPECT_EQ(reports, (std::vector<int>{37, 75}));
}

// ------------------------------------------------- html5lib tokenizer data
//
// The cases in tests/data/tokenizer lie within this reader's rules: known
// tags, attribute names of letters, digits and "-", no comments, no line
// breaks, HTML 4 entities. White-space runs in the expected text are folded
// to one space, as the reader folds them.

std::string FoldSpaces(const std::string& s) {
  std::string out;
  for (char c : s) {
    const bool white = c == ' ' || c == '\t' || c == '\n' || c == '\r';
    if (white) {
      if (out.empty() || out.back() != ' ') out.push_back(' ');
    } else {
      out.push_back(c);
    }
  }
  return out;
}

std::string ExpectedStream(const QJsonArray& output) {
  std::string out, text;
  auto flush = [&] {
    if (!text.empty()) out += "T[" + FoldSpaces(text) + "]";
    text.clear();
  };
  for (const QJsonValue& v : output) {
    const QJsonArray t = v.toArray();
    const QString kind = t[0].toString();
    if (kind == "Character") {
      text += t[1].toString().toStdString();
      continue;
    }
    flush();
    if (kind == "StartTag") {
      out += "<" + t[1].toString().toUpper().toStdString();
      const QJsonObject attrs = t[2].toObject();
      for (auto it = attrs.begin(); it != attrs.end(); ++it)
        out += " " + it.key().toUpper().toStdString() + "=" + it.value().toString().toStdString();
      out += ">";
    } else if (kind == "EndTag") {
      out += "</" + t[1].toString().toUpper().toStdString() + ">";
    }
  }
  flush();
  return out;
}

// Text tokens joined (the parser joins them too); attributes by name.
std::string ActualStream(const std::string& input) {
  Reader().DefaultCodePage = kCodePageUtf8;
  BeginReading(input);
  GetCharSkip();
  std::string out, text;
  for (int guard = 0; guard < 10000; ++guard) {
    NextToken();
    HtmlReaderState& r = Reader();
    if (r.Sy == HtmlSymbol::TextToken) {
      text += Utf8(r.Token->S());
      continue;
    }
    if (!text.empty()) out += "T[" + text + "]";
    text.clear();
    if (r.Sy == HtmlSymbol::EndOfText) break;
    out += (IsEndSymbol(r.Sy) ? "</" : "<") + platform::UpperCase(TagName(r.Sy));
    if (r.HeadingLevel) out += std::to_string(r.HeadingLevel);
    std::map<std::string, std::string> sorted;
    for (int i = 0; i < r.Attributes->Count(); ++i)
      sorted.emplace((*r.Attributes)[i].WhichName, (*r.Attributes)[i].Name);
    for (const auto& [name, value] : sorted) out += " " + name + "=" + value;
    out += ">";
  }
  return out;
}

TEST_F(ReaderTest, Html5libTokenizerCases) {
  const QString path = QString(DRAVLEN_TEST_DATA) + "/tokenizer/reader_cases.test";
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
  const QJsonArray tests = QJsonDocument::fromJson(file.readAll()).object()["tests"].toArray();
  ASSERT_GE(tests.size(), 20);
  for (const QJsonValue& v : tests) {
    const QJsonObject t = v.toObject();
    const std::string input = t["input"].toString().toStdString();
    // Sorted attribute order on both sides (QJsonObject iterates sorted).
    EXPECT_EQ(ActualStream(input), ExpectedStream(t["output"].toArray()))
        << t["description"].toString().toStdString() << ": " << input;
  }
}

}  // namespace
}  // namespace htmlview
