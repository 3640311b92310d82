#include "htmlview/style/cssparser.h"

#include <gtest/gtest.h>

#include <random>

#include "htmlview/parse/attributes.h"
#include "htmlview/parse/htmlreader.h"
#include "platform/colors.h"
#include "platform/image.h"
#include "platform/sysutils.h"

namespace htmlview {
namespace {

using platform::Rgb;

// A stored value as text: "-" when not set, numbers as written, text as is.
std::string Show(const PropValue& v) {
  if (v.IsEmptyOrNull()) return "-";
  if (v.IsInt()) return std::to_string(v.Int());
  if (v.IsNumber()) return platform::FloatToStr(v.Number());
  return v.Text();
}

std::string ColourText(platform::Colour c) { return std::to_string(static_cast<int>(c)); }

class CssTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitVocabulary();
    InitStyleProps();
    InitHtmlReader();
    platform::SetScreenDepth(24);
    PropStack().Clear();
    Reader().DefaultCodePage = 1252;
    Reader().IncludeEvent = nullptr;
    Reader().IDList = nullptr;
    Reader().Progress = nullptr;
  }
  void TearDown() override {
    PropStack().Clear();
    DoneHtmlReader();
    DoneStyleProps();
  }

  // The value stored under key, "<no entry>" when the key is missing.
  std::string Stored(std::string_view key, int prop) const {
    const TProperties* p = styles.FindEntry(key);
    return p ? Show(p->Props[prop]) : "<no entry>";
  }
  std::vector<std::string> Keys() const {
    std::vector<std::string> keys;
    for (int i = 0; i < styles.Count(); ++i) keys.push_back(styles.Key(i));
    return keys;
  }

  // A STYLE element read through the reader; returns the tokens after it.
  std::string ParseElementAndFollow(std::string document) {
    BeginReading(std::move(document));
    GetCharSkip();
    NextToken();
    EXPECT_EQ(Reader().Sy, HtmlSymbol::Style);
    ParseStyleElement(styles);
    std::string rest;
    for (int guard = 0; guard < 100; ++guard) {
      NextToken();
      const HtmlSymbol sy = Reader().Sy;
      if (sy == HtmlSymbol::EndOfText) break;
      if (sy == HtmlSymbol::TextToken)
        rest += "[" + EncodeCodePage(Reader().Token->S(), kCodePageUtf8) + "]";
      else if (sy == HtmlSymbol::EndStyle)
        rest += "</style>";
      else
        rest += "<" + TagName(sy) + ">";
    }
    return rest;
  }

  bool linksActive = false;
  TStyleList styles{&linksActive};
};

// ---------------------------------------------------------------------------
// Selector keys

TEST_F(CssTest, SelectorKeys) {
  struct Case {
    const char* selector;
    const char* key;
  };
  const Case cases[] = {
      {"P", "p"},
      {" A.X ", "a.x"},
      {"a:hover.x", "a.x:hover"},
      {"a.x:hover", "a.x:hover"},
      {"#Top:hover", ":hover#top"},
      {"a#b.c", "a.c#b"},
      {"p.y.x", "p.x.y"},
      {".only", ".only"},
      {"h1", "h1"},
      {"*.x", ".x"},
      {"> p", "p"},
      {"p >", "p"},
      {"*", ""},
      {"   ", ""},
      {"div p", "p 110div "},
      {"div * p", "p 111div "},
      {"ul > li", "li 112ul> "},
      {"ul>li", "li 113ul> "},
      {"ul> li a", "a 214li ul> "},
      {"ul > li.b.a:hover", "li.a.b:hover 115ul> "},
      {"div#m.z.k  span", "span 116div.k.z#m "},
  };
  for (const Case& c : cases)
    EXPECT_EQ(FormatSelectorKey(c.selector, styles), c.key) << c.selector;
}

TEST_F(CssTest, SortSelectorParts) {
  struct Case {
    const char* in;
    const char* out;
  };
  const Case cases[] = {
      {"a.y.x", "a.x.y"},
      {"#id.c:hover", ".c:hover#id"},
      {":visited:hover", ":hover:visited"},
      {"p.a+b", "p.ab"},      // a piece keeps only name characters
      {".b_2.a-1", ".a-1.b_2"},
      {"div", "div"},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(SortSelectorParts(c.in), c.out) << c.in;
}

// ---------------------------------------------------------------------------
// Rules and declarations through the style sheet

TEST_F(CssTest, RulesStoreEveryPropertyUnderEverySelector) {
  ParseLinkedStyleSheet(styles, "p, H1 { color: red }  div p { margin-top: 3px }", "");
  EXPECT_EQ(Stored("p", PropColor), ColourText(Rgb(255, 0, 0)));
  EXPECT_EQ(Stored("h1", PropColor), ColourText(Rgb(255, 0, 0)));
  EXPECT_EQ(Stored("p 110div ", PropMarginTop), "3px");
  EXPECT_EQ(Keys(), (std::vector<std::string>{"h1", "p", "p 110div "}));
  // The sequence number went on.
  EXPECT_EQ(styles.GetSeqNo(), "11");
}

TEST_F(CssTest, DeclarationsAndComments) {
  struct Case {
    const char* sheet;
    const char* key;
    int prop;
    std::string value;
  };
  const Case cases[] = {
      {"p { margin-top: 5px }", "p", PropMarginTop, "5px"},
      {"P { MARGIN-LEFT : 5PX ; }", "p", PropMarginLeft, "5px"},
      {"p { text-align = Center }", "p", PropTextAlign, "center"},
      {"p{font-family:'Times New Roman'}", "p", PropFontFamily, "times new roman"},
      {"p{font-family:\"Arial\", serif}", "p", PropFontFamily, "\"arial\", serif"},
      {"p { width: 10px; ; ;height:4px }", "p", PropHeight, "4px"},
      {"p { bogus: 1; width: 2px }", "p", PropWidth, "2px"},
      {"p { color: blue !important }", "p", PropColor, ColourText(Rgb(0, 0, 255))},
      {"p { width: 7px ! important }", "p", PropWidth, "7px"},
      {"p { background-image: URL(Img/A.gif) }", "p", PropBackgroundImage, "url(Img/A.gif)"},
      {"p { width: 1px } p { width: 2px }", "p", PropWidth, "2px"},
      // Stray braces cost the rule after them, not the rest of the sheet.
      {"p { width: 1px }}} h1 { width: 9px } h2 { width: 8px }", "h2", PropWidth, "8px"},
      {"p\r\n{\r\n\twidth:\t3px\r\n}", "p", PropWidth, "3px"},
      {"div\np { width: 3px }", "p 110div ", PropWidth, "3px"},
      {"a[href] { width: 1px }", "a", PropWidth, "1px"},
      {"p { margin: 0 }", "p", PropMarginBottom, "0"},
      // Comments
      {"/* lead */ p { /* x */ width: 1px /* y */ }", "p", PropWidth, "1px"},
      {"p/**/{width:2px}", "p", PropWidth, "2px"},
      {"p { width: 3px } /* h1 { width: 4px } */", "h1", PropWidth, "<no entry>"},
      {"/* ** / **/ p { width: 5px }", "p", PropWidth, "5px"},
      {"p { font: 12pt/14pt arial }", "p", PropLineHeight, "14pt"},  // "/" alone is no comment
      {"p { width: 6px } /* unterminated h1 { width: 7px }", "h1", PropWidth, "<no entry>"},
      {"p { width: 6px } /* unterminated h1 { width: 7px }", "p", PropWidth, "6px"},
  };
  for (const Case& c : cases) {
    styles.Clear();
    ParseLinkedStyleSheet(styles, c.sheet, "");
    EXPECT_EQ(Stored(c.key, c.prop), c.value) << c.sheet;
  }
}

TEST_F(CssTest, AtRules) {
  ParseLinkedStyleSheet(styles,
                        "@import url(x.css);\n"
                        "@charset \"utf-8\";\n"
                        "@media print { p { width: 1px } div { width: 1px } }\n"
                        "@media all { em { width: 1px } }\n"
                        "@font-face { font-family: x; src: url(a.ttf) }\n"
                        "@media print { @page { x { y: 1 } } h2 { width: 1px } }\n"
                        "@media screen, print { h1 { width: 2px } h3 { width: 3px } }\n"
                        "h4 { width: 4px }",
                        "");
  EXPECT_EQ(Keys(), (std::vector<std::string>{"h1", "h3", "h4"}));
  EXPECT_EQ(Stored("h1", PropWidth), "2px");
  EXPECT_EQ(Stored("h3", PropWidth), "3px");
  EXPECT_EQ(Stored("h4", PropWidth), "4px");
}

TEST_F(CssTest, LinkedSheetsPassOverMarkup) {
  ParseLinkedStyleSheet(styles, "<!-- p { width: 1px } -->\n</style> <style> h1 { width: 2px }", "");
  EXPECT_EQ(Stored("p", PropWidth), "1px");
  EXPECT_EQ(Stored("h1", PropWidth), "2px");
}

TEST_F(CssTest, LinkedSheetTextEncodings) {
  // Windows-1252 bytes are taken as such; a byte-order mark is not a selector.
  ParseLinkedStyleSheet(styles, "\xEF\xBB\xBFp { font-family: caf\xC3\xA9 }", "");
  EXPECT_EQ(Stored("p", PropFontFamily), "caf\xC3\xA9");
  styles.Clear();
  ParseLinkedStyleSheet(styles, "p { font-family: caf\xE9 }", "");
  EXPECT_EQ(Stored("p", PropFontFamily), "caf\xC3\xA9");
}

// ---------------------------------------------------------------------------
// The STYLE element, read through the HTML reader

TEST_F(CssTest, StyleElementLeavesTheReaderAtTheEndTag) {
  struct Case {
    const char* document;
    const char* after;
    const char* pWidth;
  };
  const Case cases[] = {
      {"<style><!-- p { margin: 0; width: 1px } --></style>z", "</style>[z]", "1px"},
      {"<STYLE type=\"text/css\">\r\n<!--\r\np\t{width:2px}\r\n-->\r\n</STYLE>\r\n<b>x", "</style>[ ]<b>[x]",
       "2px"},
      {"<style>p{width:3px}</style>z", "</style>[z]", "3px"},
      {"<style>p{width:3px} <!-- h1{width:2px} --></style>z", "</style>[z]", "3px"},
      {"<style></style>text<p>", "</style>[text]<p>", "<no entry>"},
      {"<style>\r\n  </style>text", "</style>[text]", "<no entry>"},
      {"<style>/* note */</style>text", "</style>[text]", "<no entry>"},
      {"<style>p { width: 4px }", "", "4px"},
      {"<style>", "", "<no entry>"},
      // Values end at a "<": the element still ends there.
      {"<style>p { width: 5px </style>z", "</style>[z]", "5px"},
      // A "<" ends an unterminated comment and is lost with it; the reader
      // goes on at the next "<".
      {"<style>p { width: 6px } /* open </style>gone<i>x", "<i>[x]", "6px"},
  };
  for (const Case& c : cases) {
    styles.Clear();
    EXPECT_EQ(ParseElementAndFollow(c.document), c.after) << c.document;
    EXPECT_EQ(Stored("p", PropWidth), c.pWidth) << c.document;
  }
}

TEST_F(CssTest, StyleElementValuesAreDecodedWithTheDocumentCodePage) {
  ParseElementAndFollow("<style>p { font-family: Caf\xC9; background-image: url(\xE9.gif) }</style>");
  EXPECT_EQ(Stored("p", PropFontFamily), "caf\xC3\x89");  // 1252; lower-casing is ASCII only
  EXPECT_EQ(Stored("p", PropBackgroundImage), "url(\xC3\xA9.gif)");
}

TEST_F(CssTest, StyleElementKeepsUrlsAsWritten) {
  ParseElementAndFollow("<style>p { background: url(img/a.gif) }</style>");
  EXPECT_EQ(Stored("p", PropBackgroundImage), "url(img/a.gif)");
}

TEST_F(CssTest, EntryAndExitCharacter) {
  // The caller's character is read first; the exit character is the
  // parser's current one, upper-cased.
  StyleTextSource source("{ width: 1px }</style>");
  char ch = 'P';
  ParseStyleSheet(styles, ch, source, false, {});
  EXPECT_EQ(ch, '<');
  EXPECT_EQ(Stored("p", PropWidth), "1px");

  StyleTextSource rest("p { width: 2px }");
  ch = '\r';
  ParseStyleSheet(styles, ch, rest, false, {});
  EXPECT_EQ(ch, '\0');
  EXPECT_EQ(Stored("p", PropWidth), "2px");
}

// ---------------------------------------------------------------------------
// Shorthands

TEST_F(CssTest, ShorthandExpansions) {
  struct Case {
    const char* name;
    const char* value;   // as the parser hands it on (lower-cased)
    const char* result;  // name=value; for every long-hand, in order
  };
  const Case cases[] = {
      {"margin", "1px",
       "margin-top=1px;margin-right=1px;margin-bottom=1px;margin-left=1px;"},
      {"margin", "1px 2px",
       "margin-top=1px;margin-right=2px;margin-bottom=1px;margin-left=2px;"},
      {"margin", "1px   2px 3px",
       "margin-top=1px;margin-right=2px;margin-bottom=3px;margin-left=2px;"},
      {"padding", "1px 2px 3px 4px 5px",
       "padding-top=1px;padding-right=2px;padding-bottom=3px;padding-left=4px;"},
      {"border-width", "thin thick",
       "border-top-width=thin;border-right-width=thick;border-bottom-width=thin;"
       "border-left-width=thick;"},
      {"border-color", "red",
       "border-top-color=red;border-right-color=red;border-bottom-color=red;"
       "border-left-color=red;"},
      {"border-style", "solid none dashed",
       "border-top-style=solid;border-right-style=none;border-bottom-style=dashed;"
       "border-left-style=none;"},
      {"margin", "", ""},
      {"border", "1px solid red",
       "border-top-width=1px;border-right-width=1px;border-bottom-width=1px;"
       "border-left-width=1px;border-style=solid;border-color=red;"},
      {"border", "rgb(1, 2, 3) dotted", "border-color=rgb(1, 2, 3);border-style=dotted;"},
      {"border-left", "2px #00ff00 groove",
       "border-left-width=2px;border-left-color=#00ff00;border-left-style=groove;"},
      {"border-top", "none", "border-top-style=none;"},
      {"font", "italic bold 12pt/14pt arial",
       "font-style=italic;font-weight=bold;font-size=12pt;line-height=14pt;font-family=arial;"},
      {"font", "700 10px 'times new roman', serif",
       "font-size=10px;font-family='times new roman',serif;"},
      {"font", "small-caps x-large verdana arial",
       "font-variant=small-caps;font-size=x-large;font-family=arial;"},
      {"font", "normal .8em sans-serif", "font-weight=normal;font-size=.8em;font-family=sans-serif;"},
      {"font", "oblique 99 x", "font-style=oblique;font-size=99;font-family=x;"},
      {"background", "url(a.gif) no-repeat top left #fff",
       "background-image=url(a.gif);background-color=#fff;background-repeat=no-repeat;"
       "background-position=top left ;"},
      {"background", "none", "background-image=none;background-color=transparent;"},
      {"background", "rgb(0, 0, 255) fixed repeat-x 50% 20% 10%",
       "background-color=rgb(0, 0, 255);background-repeat=repeat-x;"
       "background-attachment=fixed;background-position=20% 10% ;"},
      {"background", "red", "background-color=red;"},
      {"background", "center", "background-position=center ;"},
      {"list-style", "square url(img/dot.gif) inside",
       "list-style-type=square;list-style-image=url(img/dot.gif);"},
      {"list-style", "none", "list-style-type=none;"},
      {"color", "red", "color=red;"},
      {"no-such", "x", "no-such=x;"},
  };
  for (const Case& c : cases) {
    std::string result;
    auto sink = [&result](std::string_view n, std::string_view v) {
      result += std::string(n) + "=" + std::string(v) + ";";
    };
    ExpandShorthand(c.name, c.value, RemoveQuotes(c.value), {}, sink);
    EXPECT_EQ(result, c.result) << c.name << ": " << c.value;
  }
}

TEST_F(CssTest, ShorthandsThroughTheStyleSheet) {
  ParseLinkedStyleSheet(styles,
                        "p { border: 1px solid red; margin: 1px 2px 3px; "
                        "font: italic bold 12pt/14pt arial }",
                        "");
  const TProperties* p = styles.FindEntry("p");
  ASSERT_NE(p, nullptr);
  for (int i : {PropBorderTopWidth, PropBorderRightWidth, PropBorderBottomWidth,
                PropBorderLeftWidth})
    EXPECT_EQ(Show(p->Props[i]), "1px");
  // The style sheet spreads "border-style" and "border-color" to the sides.
  EXPECT_EQ(Show(p->Props[PropBorderLeftStyle]), "solid");
  EXPECT_EQ(Show(p->Props[PropBorderBottomColor]), ColourText(Rgb(255, 0, 0)));
  EXPECT_EQ(Show(p->Props[PropMarginTop]), "1px");
  EXPECT_EQ(Show(p->Props[PropMarginRight]), "2px");
  EXPECT_EQ(Show(p->Props[PropMarginBottom]), "3px");
  EXPECT_EQ(Show(p->Props[PropMarginLeft]), "2px");
  EXPECT_EQ(Show(p->Props[PropFontStyle]), "italic");
  EXPECT_EQ(Show(p->Props[PropFontWeight]), "bold");
  EXPECT_EQ(Show(p->Props[PropLineHeight]), "14pt");
  EXPECT_EQ(Show(p->Props[PropFontFamily]), "arial");
  EXPECT_FALSE(p->Props[PropFontSize].IsEmptyOrNull());
}

// ---------------------------------------------------------------------------
// Word splitting and values

TEST_F(CssTest, SplitWords) {
  struct Case {
    const char* text;
    int max;
    std::vector<std::string> words;
  };
  const Case cases[] = {
      {"  a   b  ", 7, {"a", "b"}},
      {"'times new roman', serif", 7, {"'times new roman',serif"}},
      {"arial , serif bold", 7, {"arial,serif", "bold"}},
      {"12pt/1.5 x", 7, {"12pt", "/1.5", "x"}},
      {"/x", 7, {"/x"}},
      {"a b c d e", 4, {"a", "b", "c", "d"}},
      {"'unclosed x y", 7, {"'unclosed x y"}},
      {"x\"a b\"y z", 7, {"x\"a b\"y", "z"}},
      {"url(img/a.gif) c", 7, {"url(img/a.gif)", "c"}},
      {"'a/b' c", 7, {"'a/b'", "c"}},
      {"", 7, {}},
  };
  for (const Case& c : cases) EXPECT_EQ(SplitWords(c.text, c.max), c.words) << c.text;
}

TEST_F(CssTest, FunctionPartsAndQuotes) {
  std::string text = "url(a.gif) red rgb(1,2,3) x";
  EXPECT_EQ(ExtractFunctionParts(text, 7), (std::vector<std::string>{"url(a.gif)", "rgb(1,2,3)"}));
  EXPECT_EQ(SplitWords(text, 7), (std::vector<std::string>{"red", "x"}));
  std::string open = "url(a.gif";
  EXPECT_TRUE(ExtractFunctionParts(open, 7).empty());
  EXPECT_EQ(open, "url(a.gif");
  std::string many = "url(1) url(2) url(3)";
  EXPECT_EQ(ExtractFunctionParts(many, 2).size(), 2u);

  EXPECT_EQ(RemoveQuotes("\"a b\""), "a b");
  EXPECT_EQ(RemoveQuotes("'a'"), "a");
  EXPECT_EQ(RemoveQuotes("''"), "");
  EXPECT_EQ(RemoveQuotes("'a\""), "'a\"");
  EXPECT_EQ(RemoveQuotes("\""), "\"");
  EXPECT_EQ(RemoveQuotes("a"), "a");
}

TEST_F(CssTest, UrlsOfLinkedSheets) {
  struct Case {
    const char* value;
    const char* linkPath;
    const char* result;
  };
  const Case cases[] = {
      {"url(img/a.gif)", "/styles/", "url(/styles/img/a.gif)"},
      {"url(img/a.gif)", "/styles", "url(/styles/img/a.gif)"},
      {"url('img/a.gif')", "/styles/", "url(/styles/img/a.gif)"},
      {"url(my%20pic.gif)", "/styles/", "url(/styles/my pic.gif)"},
      {"url(/abs/a.gif)", "/styles/", "url(/abs/a.gif)"},
      {"url(c:/abs/a.gif)", "/styles/", "url(c:/abs/a.gif)"},
      {"url(//server/a.gif)", "/styles/", "url(//server/a.gif)"},
      {"url(http://x.org/a.gif)", "/styles/", "url(http://x.org/a.gif)"},
      {"url(img/a.gif)", "http://host/css/", "url(http://host/css/img/a.gif)"},
      {"url(../img/a.gif)", "http://host/css/", "url(http://host/img/a.gif)"},
      {"url(https://o.org/b.png)", "http://host/css/", "url(https://o.org/b.png)"},
      {"url(img/a.gif)", "", "url(img/a.gif)"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(MakeUrlAbsolute(c.value, c.linkPath), c.result) << c.value << " in " << c.linkPath;

  ParseLinkedStyleSheet(styles,
                        "p { background-image: url(Img/A.gif) }\n"
                        "h1 { background: url(b.gif) no-repeat }\n"
                        "ul { list-style: url(dot.gif) square }",
                        "/site/css/");
  EXPECT_EQ(Stored("p", PropBackgroundImage), "url(/site/css/Img/A.gif)");
  EXPECT_EQ(Stored("h1", PropBackgroundImage), "url(/site/css/b.gif)");
  EXPECT_EQ(Stored("h1", PropBackgroundRepeat), "no-repeat");
  EXPECT_EQ(Stored("ul", PropListStyleImage), "url(/site/css/dot.gif)");
}

// ---------------------------------------------------------------------------
// Malformed input

TEST_F(CssTest, MalformedInputEndsQuietly) {
  const std::string deep(100000, '{');
  const std::string deepMedia = "@media print " + deep + " p { width: 1px }";
  const std::string inputs[] = {
      "", "{", "}", "p {", "p { width", "p { width: ", "@", "@media", "@media screen {",
      "@media screen { p { width: 1px }", "/*", "/", "<", "<<<<", "!!--", "-->", deep,
      deepMedia, std::string("p { wi\0dth: 1px }", 17), "\x80\xff{}", "p{;;;:::===}",
      "p, , ,{width:1px}", ",,,", "@;@;@{", "p { width: 1px; <", "::: {a:b}",
      "p { font: ; background: ; border: ; margin: ; list-style: }",
      "p { font: '''' \"\" / // /// }", "p { background: url( url( rgb( ) }",
  };
  for (const std::string& in : inputs) {
    styles.Clear();
    ParseLinkedStyleSheet(styles, in, "/x/");
    styles.Clear();
    BeginReading("<style>" + in + "</style>after");
    GetCharSkip();
    NextToken();
    ParseStyleElement(styles);
    EXPECT_TRUE(Reader().Ch == '<' || Reader().Ch == 0) << in.substr(0, 40);
    TProperties props;
    ParseInlineStyle(in, props);
  }
  // What came before the damage stays.
  styles.Clear();
  ParseLinkedStyleSheet(styles, "h1 { width: 1px } p { width: 2px", "");
  EXPECT_EQ(Stored("h1", PropWidth), "1px");
  EXPECT_EQ(Stored("p", PropWidth), "2px");
  // A rule without its "{" adds nothing.
  styles.Clear();
  ParseLinkedStyleSheet(styles, "h1 { width: 1px } p width 2px", "");
  EXPECT_EQ(Keys(), std::vector<std::string>{"h1"});
}

TEST_F(CssTest, RandomInputNeverHangsOrCrashes) {
  const std::string alphabet = "ap1 -_.#:*>,;{}@/<!\"'()=\r\n\turlgbmedi\x80\xff";
  std::mt19937 random(12345);
  std::uniform_int_distribution<size_t> pick(0, alphabet.size() - 1);
  std::uniform_int_distribution<int> length(0, 80);
  for (int i = 0; i < 2000; ++i) {
    std::string text;
    for (int n = length(random); n > 0; --n) text.push_back(alphabet[pick(random)]);
    styles.Clear();
    ParseLinkedStyleSheet(styles, text, "http://h/c/");
    BeginReading("<style>" + text);
    GetCharSkip();
    NextToken();
    if (Reader().Sy == HtmlSymbol::Style) ParseStyleElement(styles);
    TProperties props;
    ParseInlineStyle(text, props);
  }
  SUCCEED();
}

// ---------------------------------------------------------------------------
// STYLE attributes

TEST_F(CssTest, InlineStyle) {
  TProperties props;
  ParseInlineStyle(
      "COLOR: Red; Margin: 1px 2PX; font-family: 'Arial'; "
      "background-image: url(Pics/A.GIF); width: 4px !important",
      props);
  EXPECT_EQ(props.Props[PropColor].Colour(), Rgb(255, 0, 0));
  EXPECT_EQ(Show(props.Props[PropMarginTop]), "1px");
  EXPECT_EQ(Show(props.Props[PropMarginLeft]), "2px");
  EXPECT_EQ(Show(props.Props[PropFontFamily]), "arial");
  EXPECT_EQ(Show(props.Props[PropBackgroundImage]), "url(Pics/A.GIF)");
  EXPECT_EQ(Show(props.Props[PropWidth]), "4px");

  struct Case {
    const char* text;
    int prop;
    const char* value;
  };
  const Case cases[] = {
      {"color red; width: 5px", PropWidth, "5px"},        // a name without ":" is passed over
      {"width=6px", PropWidth, "6px"},
      {"font-family: a<b}c", PropFontFamily, "a<b}c"},    // runs to ";" only
      {";;; height : 7px ;;", PropHeight, "7px"},
      {"/* c */ height: 8px", PropHeight, "8px"},
      {"height: 9px; height: 10px", PropHeight, "10px"},
      {"", PropHeight, nullptr},
      {"height", PropHeight, nullptr},
  };
  for (const Case& c : cases) {
    TProperties p, fresh;
    ParseInlineStyle(c.text, p);
    EXPECT_EQ(Show(p.Props[c.prop]), c.value ? c.value : Show(fresh.Props[c.prop])) << c.text;
  }
}

// ---------------------------------------------------------------------------
// Attribute lists

TEST_F(CssTest, AttributeListClass) {
  struct Case {
    const char* value;
    const char* cls;
  };
  const Case cases[] = {
      {"Big", "big"},
      {"  Big  ", "big"},
      {"b A", "a.b"},
      {"z  y x", "x.y.z"},
      {"one\ttwo", "one.two"},
      {"", ""},
  };
  for (const Case& c : cases) {
    TAttributeList list;
    list.Add(TAttribute(HtmlSymbol::Class, "CLASS", 0, c.value));
    EXPECT_EQ(list.GetClass(), c.cls) << c.value;
  }
  TAttributeList none;
  none.Add(TAttribute(HtmlSymbol::Id, "ID", 0, "x"));
  EXPECT_EQ(none.GetClass(), "");
}

TEST_F(CssTest, AttributeListStyle) {
  TAttributeList list;
  EXPECT_EQ(list.GetStyle(), nullptr);
  list.Add(TAttribute(HtmlSymbol::Style, "STYLE", 0, "Color: Blue; margin: 2px"));
  TProperties* first = list.GetStyle();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->Props[PropColor].Colour(), Rgb(0, 0, 255));
  EXPECT_EQ(Show(first->Props[PropMarginRight]), "2px");

  // An open element keeps its inline set across later tags.
  auto element = std::make_unique<TProperties>();
  element->PropStyle = first;
  PropStack().Add(std::move(element));
  TProperties* second = list.GetStyle();
  ASSERT_NE(second, nullptr);
  EXPECT_NE(second, first);
  list.Clear();
  list.Add(TAttribute(HtmlSymbol::Style, "STYLE", 0, "width: 3px"));
  for (int i = 0; i < 5; ++i) ASSERT_NE(list.GetStyle(), nullptr);
  EXPECT_EQ(first->Props[PropColor].Colour(), Rgb(0, 0, 255));
  EXPECT_EQ(Show(list.GetStyle()->Props[PropWidth]), "3px");

  list.Clear();
  EXPECT_EQ(list.GetStyle(), nullptr);
}

}  // namespace
}  // namespace htmlview
