#include "htmlview/parse/vocabulary.h"

#include <gtest/gtest.h>

#include <tuple>

#include <QColor>
#include <QString>
#include <algorithm>
#include <limits>
#include <map>
#include <set>
#include <sstream>

#include "platform/sysutils.h"
#include "testsupport/testenv.h"

using namespace htmlview;

namespace {

std::string Upper(std::string_view s) { return platform::UpperCase(s); }
std::string Lower(std::string_view s) { return platform::LowerCase(s); }

// The sorted lists must answer exactly as the constant rows do; every list
// test runs without them, with them, and after they were freed again.
enum class ListState { NotBuilt, Built, Freed };

class VocabularyLists : public ::testing::TestWithParam<ListState> {
 protected:
  void SetUp() override {
    DoneVocabulary();
    if (GetParam() != ListState::NotBuilt) InitVocabulary();
    if (GetParam() == ListState::Freed) DoneVocabulary();
  }
  void TearDown() override { InitVocabulary(); }
};

INSTANTIATE_TEST_SUITE_P(States, VocabularyLists,
                         ::testing::Values(ListState::NotBuilt, ListState::Built, ListState::Freed),
                         [](const auto& info) {
                           switch (info.param) {
                             case ListState::NotBuilt: return std::string("NotBuilt");
                             case ListState::Built: return std::string("Built");
                             default: return std::string("Freed");
                           }
                         });

// --- Tags -----------------------------------------------------------------------

struct TagCase {
  const char* scenario;
  std::string name;
  bool endTag;
  HtmlSymbol expected;
};

TEST(TagLookup, NamesAndEndForms) {
  const TagCase cases[] = {
      {"upper-case start tag", "HTML", false, HtmlSymbol::Html},
      {"lower-case name is upper-cased", "html", false, HtmlSymbol::Html},
      {"mixed case", "TextArea", false, HtmlSymbol::TextArea},
      {"end of B", "B", true, HtmlSymbol::EndB},
      {"BR start tag", "BR", false, HtmlSymbol::BR},
      {"</BR> is an unknown tag", "BR", true, HtmlSymbol::UnknownTag},
      {"last tag with an end form", "OBJECT", true, HtmlSymbol::EndObject},
      {"first tag without an end form", "LI", true, HtmlSymbol::UnknownTag},
      {"last row", "READONLY", false, HtmlSymbol::ReadOnly},
      {"heading row is plain H", "H", false, HtmlSymbol::H},
      {"heading end", "h", true, HtmlSymbol::EndH},
      {"level digit is not part of the name", "H1", false, HtmlSymbol::UnknownTag},
      {"unknown name", "BLINK", false, HtmlSymbol::UnknownTag},
      {"unknown end tag", "BLINK", true, HtmlSymbol::UnknownTag},
      {"empty name", "", false, HtmlSymbol::UnknownTag},
      {"prefix of a name", "TAB", false, HtmlSymbol::UnknownTag},
      {"name with trailing text", "TABLEX", false, HtmlSymbol::UnknownTag},
      {"very long name", std::string(255, 'A'), false, HtmlSymbol::UnknownTag},
      {"shared tag/attribute name", "SELECTED", false, HtmlSymbol::Selected},
  };
  for (const TagCase& c : cases) {
    EXPECT_EQ(LookupTag(c.name, c.endTag), c.expected) << c.scenario;
  }
}

TEST(TagLookup, TableShape) {
  const auto tags = TagTable();
  ASSERT_EQ(tags.size(), 80u);
  EXPECT_EQ(tags[0].name, "HTML");
  EXPECT_EQ(tags[56].name, "OBJECT");
  EXPECT_EQ(tags[57].name, "LI");
  EXPECT_EQ(tags[79].name, "READONLY");
  std::set<HtmlSymbol> symbols, ends;
  for (size_t i = 0; i < tags.size(); ++i) {
    const TagRow& row = tags[i];
    SCOPED_TRACE(std::string(row.name));
    EXPECT_LE(row.name.size(), 12u);
    EXPECT_EQ(Upper(row.name), row.name);
    EXPECT_TRUE(symbols.insert(row.symbol).second) << "symbol used twice";
    // Every row is reachable: no earlier row shadows it.
    EXPECT_EQ(LookupTag(row.name, false), row.symbol);
    if (i < 57) {
      EXPECT_NE(row.endSymbol, HtmlSymbol::UnknownTag);
      EXPECT_TRUE(ends.insert(row.endSymbol).second) << "end symbol used twice";
      EXPECT_EQ(symbols.count(row.endSymbol), 0u);
      EXPECT_EQ(LookupTag(row.name, true), row.endSymbol);
    } else {
      EXPECT_EQ(row.endSymbol, HtmlSymbol::UnknownTag);
      EXPECT_EQ(LookupTag(row.name, true), HtmlSymbol::UnknownTag);
    }
  }
  EXPECT_EQ(ends.size(), 57u);
}

TEST(TagLookup, SymbolsBackToNames) {
  const std::pair<HtmlSymbol, std::string> names[] = {
      {HtmlSymbol::Html, "html"},       {HtmlSymbol::EndHtml, "html"},
      {HtmlSymbol::TextArea, "textarea"}, {HtmlSymbol::EndTextArea, "textarea"},
      {HtmlSymbol::Title, "title"},     {HtmlSymbol::BlockQuote, "blockquote"},
      {HtmlSymbol::ReadOnly, "readonly"}, {HtmlSymbol::H, "h"},
      {HtmlSymbol::Href, ""},           {HtmlSymbol::HttpEquiv, ""},
      {HtmlSymbol::UnknownTag, ""},     {HtmlSymbol::TextToken, ""},
      {HtmlSymbol::EndOfText, ""},      {HtmlSymbol::UnknownAttribute, ""},
  };
  for (const auto& [symbol, name] : names) {
    EXPECT_EQ(TagName(symbol), name) << static_cast<int>(symbol);
  }
  for (const TagRow& row : TagTable()) {
    EXPECT_EQ(TagName(row.symbol), Lower(row.name));
    if (row.endSymbol != HtmlSymbol::UnknownTag) EXPECT_EQ(TagName(row.endSymbol), Lower(row.name));
  }
}

TEST(TagLookup, EndSymbolOfSearchesOnlyTagsWithEndForm) {
  EXPECT_EQ(EndSymbolOf(HtmlSymbol::B), HtmlSymbol::EndB);
  EXPECT_EQ(EndSymbolOf(HtmlSymbol::Object), HtmlSymbol::EndObject);
  EXPECT_EQ(EndSymbolOf(HtmlSymbol::Span), HtmlSymbol::EndSpan);
  EXPECT_EQ(EndSymbolOf(HtmlSymbol::LI), HtmlSymbol::UnknownTag);
  EXPECT_EQ(EndSymbolOf(HtmlSymbol::BR), HtmlSymbol::UnknownTag);
  EXPECT_EQ(EndSymbolOf(HtmlSymbol::Href), HtmlSymbol::UnknownTag);
  EXPECT_EQ(EndSymbolOf(HtmlSymbol::EndB), HtmlSymbol::UnknownTag);
  EXPECT_EQ(EndSymbolOf(HtmlSymbol::UnknownTag), HtmlSymbol::UnknownTag);
}

// --- Attributes ---------------------------------------------------------------

TEST(AttributeLookup, Names) {
  const std::pair<std::string, HtmlSymbol> cases[] = {
      {"HREF", HtmlSymbol::Href},
      {"href", HtmlSymbol::Href},
      {"http-equiv", HtmlSymbol::HttpEquiv},
      {"BORDERCOLORLIGHT", HtmlSymbol::BorderColorLight},
      {"VALUE", HtmlSymbol::Value},
      {"READONLY", HtmlSymbol::ReadOnly},
      {"TEXT", HtmlSymbol::Text},
      {"ID", HtmlSymbol::Id},
      {"DATA-X", HtmlSymbol::UnknownAttribute},
      {"HREFX", HtmlSymbol::UnknownAttribute},
      {"", HtmlSymbol::UnknownAttribute},
  };
  for (const auto& [name, symbol] : cases) EXPECT_EQ(LookupAttribute(name), symbol) << name;
}

TEST(AttributeLookup, SharedSymbolsAndTableShape) {
  const auto attrs = AttributeTable();
  ASSERT_EQ(attrs.size(), 84u);
  EXPECT_EQ(attrs[0].name, "HREF");
  EXPECT_EQ(attrs[83].name, "READONLY");
  // The two VALUE rows carry one symbol.
  EXPECT_EQ(attrs[17].name, "VALUE");
  EXPECT_EQ(attrs[29].name, "VALUE");
  EXPECT_EQ(attrs[17].symbol, attrs[29].symbol);

  std::set<HtmlSymbol> tagSymbols;
  for (const TagRow& row : TagTable()) {
    tagSymbols.insert(row.symbol);
    if (row.endSymbol != HtmlSymbol::UnknownTag) tagSymbols.insert(row.endSymbol);
  }
  const std::set<std::string_view> shared = {"TITLE", "LINK",     "STYLE", "SPAN",
                                             "LABEL", "SELECTED", "WRAP",  "READONLY"};
  std::map<HtmlSymbol, std::string_view> seen;
  for (const AttributeRow& row : attrs) {
    SCOPED_TRACE(std::string(row.name));
    EXPECT_LE(row.name.size(), 16u);
    EXPECT_EQ(LookupAttribute(row.name), row.symbol);
    EXPECT_NE(row.symbol, HtmlSymbol::UnknownAttribute);
    if (shared.count(row.name)) {
      EXPECT_EQ(row.symbol, LookupTag(row.name, false)) << "attribute and tag share one symbol";
    } else {
      EXPECT_EQ(tagSymbols.count(row.symbol), 0u);
    }
    auto [it, fresh] = seen.emplace(row.symbol, row.name);
    if (!fresh) EXPECT_EQ(it->second, row.name) << "two names share a symbol";
  }
  EXPECT_EQ(seen.size(), 83u);  // 84 rows, VALUE twice
}

// --- Entities -----------------------------------------------------------------

TEST_P(VocabularyLists, EntityLookup) {
  const std::pair<std::string, std::optional<char32_t>> cases[] = {
      {"amp", 38},          {"AMP", std::nullopt},  // names are case-sensitive
      {"apos", 8217},       {"nbsp", 160},   {"yuml", 255},  {"Yuml", 376},
      {"euro", 8364},       {"Agrave", 192}, {"agrave", 224}, {"Prime", 8243},
      {"prime", 8242},      {"lang", 9001},  {"rang", 9002},  {"quot", 34},
      {"lt", 60},           {"gt", 62},      {"copy", 169},   {"hellip", 8230},
      {"copyx", std::nullopt}, {"", std::nullopt}, {"ampx", std::nullopt},
      {"zzzz", std::nullopt},  {"AAAA", std::nullopt},
  };
  for (const auto& [name, code] : cases) EXPECT_EQ(LookupEntity(name), code) << name;
  for (const EntityRow& row : EntityTable()) EXPECT_EQ(LookupEntity(row.name), row.code) << row.name;
}

TEST(Entities, TableShape) {
  const auto rows = EntityTable();
  ASSERT_EQ(rows.size(), 253u);
  std::set<std::string_view> names;
  for (const EntityRow& row : rows) EXPECT_TRUE(names.insert(row.name).second) << row.name;
  // The Latin-1 set covers 160..255 without gaps.
  for (char32_t c = 160; c <= 255; ++c) {
    EXPECT_EQ(std::count_if(rows.begin(), rows.end(), [c](const EntityRow& r) { return r.code == c; }), 1)
        << static_cast<int>(c);
  }
}

// Every code agrees with an independent decoder's, apart from the three names
// whose meaning differs between HTML 4.01 and HTML5.
TEST(Entities, AgreeWithHtml5TokenizerSuite) {
  std::istringstream in(testsupport::ReadAll(std::string(DRAVLEN_TEST_DATA) + "/html5lib_named_entities.txt"));
  std::string line;
  std::map<std::string, char32_t> reference;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    std::string name;
    unsigned long code = 0;
    fields >> name >> code;
    reference[name] = static_cast<char32_t>(code);
  }
  ASSERT_EQ(reference.size(), 253u);
  const std::map<std::string, char32_t> html4Differs = {{"apos", 8217}, {"lang", 9001}, {"rang", 9002}};
  for (const EntityRow& row : EntityTable()) {
    const std::string name(row.name);
    ASSERT_EQ(reference.count(name), 1u) << name;
    auto differs = html4Differs.find(name);
    if (differs != html4Differs.end()) {
      EXPECT_EQ(row.code, differs->second) << name;
      EXPECT_NE(row.code, reference[name]) << name;
    } else {
      EXPECT_EQ(row.code, reference[name]) << name;
    }
  }
}

// --- Character sets -------------------------------------------------------------

TEST(Charsets, FirstContainedFragmentWins) {
  const std::pair<std::string, std::optional<int>> cases[] = {
      {"iso-8859-15", 0},  // "8859-1" comes first
      {"windows-1251", 204},
      {"iso-8859-2", kLatin2PseudoCharset},
      {"x-euc-jp", kEucJpPseudoCharset},
      {"EUC-JP", kEucJpPseudoCharset},
      {"ISO-8859-1", 0},
      {"windows-1252", 0},
      {"iso-8859-7", 161},
      {"ISO-8859-4", 186},
      {"iso-8859-9", 162},
      {"KOI8-R", 204},
      {"cp866", 204},
      {"Shift_JIS", 128},
      {"x-sjis", 128},
      {"gb2312", 134},
      {"BIG5", 136},
      {"euc-kr", 129},
      {"ks_c_5601-1987", 129},
      {"windows-874", 222},
      {"TIS-620", 222},
      {"text/html; charset=windows-1250", 238},
      {"default", 1},
      {"symbol", 2},
      {"oem", 255},
      {"utf-8", std::nullopt},
      {"us-ascii", std::nullopt},
      {"", std::nullopt},
  };
  for (const auto& [text, charset] : cases) EXPECT_EQ(LookupCharset(text), charset) << text;
  EXPECT_EQ(CharsetTable().size(), 47u);
}

TEST(Charsets, CodePages) {
  const std::pair<int, std::optional<int>> cases[] = {
      {0, 1252},   {1, 0},      {2, 0},      {77, 2},     {128, 932},  {129, 949},
      {130, 1361}, {134, 936},  {136, 950},  {161, 1253}, {162, 1254}, {163, 1258},
      {177, 1255}, {178, 1256}, {186, 1257}, {204, 1251}, {222, 874},  {238, 1250},
      {255, 1},    {31, 28592}, {30, std::nullopt}, {7, std::nullopt}, {-1, std::nullopt},
  };
  for (const auto& [charset, codePage] : cases) EXPECT_EQ(CodePageOfCharset(charset), codePage) << charset;
  ASSERT_EQ(CharsetCodePageTable().size(), 20u);
  // The pseudo Latin-2 pair comes last, so a search of the first 19 pairs
  // (the style model's) never meets it.
  EXPECT_EQ(CharsetCodePageTable()[19].charset, kLatin2PseudoCharset);
  // Every charset the name table can give has a code page, except EUC-JP,
  // which the reader answers as Shift-JIS (128) before asking.
  for (const CharsetRow& row : CharsetTable()) {
    if (row.charset != kEucJpPseudoCharset) EXPECT_TRUE(CodePageOfCharset(row.charset)) << row.fragment;
  }
}

// The charset stays what the table says (fonts), the text decodes with the
// set's own page where that differs from the charset's.
TEST(Vocabulary, OwnCodePagesOfCharsets) {
  const std::tuple<std::string_view, int, std::optional<int>> cases[] = {
      {"text/html; charset=ISO-8859-7", 161, 28597},
      {"iso-8859-15", 0, 28605},
      {"iso-8859-1", 0, std::nullopt},
      {"ISO-8859-5", 204, 28595},
      {"koi8-r", 204, 20866},
      {"KOI8-U", 204, 21866},
      {"ibm866", 204, 866},
      {"iso-8859-3", 162, 28593},
      {"iso-8859-9", 162, 28599},
      {"iso-8859-4", 186, 28594},
      {"iso-8859-2", kLatin2PseudoCharset, std::nullopt},
      {"windows-1251", 204, std::nullopt},
      {"shift_jis", 128, std::nullopt},
  };
  for (const auto& [text, charset, own] : cases) {
    EXPECT_EQ(LookupCharset(text), charset) << text;
    EXPECT_EQ(OwnCodePageOfCharset(text), own) << text;
  }
}

// --- Style properties -------------------------------------------------------------

TEST(Properties, StorageOrder) {
  const std::pair<int, std::string_view> fixedPoints[] = {
      {0, "font-family"},   {7, "border-style"},   {8, "color"},
      {9, "background-color"}, {11, "margin-top"}, {14, "margin-left"},
      {19, "border-top-width"}, {27, "border-top-style"}, {31, "width"},
      {36, "left"},         {45, "z-index"},       {48, "float"},
      {55, "word-wrap"},    {59, "display"},
  };
  for (const auto& [index, name] : fixedPoints) {
    EXPECT_EQ(CssPropertyNames[index], name);
    EXPECT_EQ(LookupProperty(name), index) << name;
  }
  EXPECT_EQ(PropColor, 8);
  EXPECT_EQ(PropMarginTop, 11);
  EXPECT_EQ(PropLeft, 36);
  EXPECT_EQ(PropZIndex, 45);
  EXPECT_EQ(PropDisplay, 59);
  std::set<std::string_view> names(CssPropertyNames.begin(), CssPropertyNames.end());
  EXPECT_EQ(names.size(), 60u);
  for (int i = 0; i < PropertyCount; ++i) EXPECT_EQ(LookupProperty(CssPropertyNames[i]), i);
}

TEST(Properties, UnknownAndWrongCase) {
  for (std::string_view name : {"Color", "COLOR", "margin", "border", "font", "", "colour", " color"}) {
    EXPECT_EQ(LookupProperty(name), std::nullopt) << name;
  }
}

// --- Colours ------------------------------------------------------------------------

TEST_P(VocabularyLists, ColourLookup) {
  const std::pair<std::string, std::optional<platform::Colour>> cases[] = {
      {"aliceblue", 0x00FFF8F0},
      {"AliceBlue", 0x00FFF8F0},
      {"transparent", NoColorValue},
      {"red", 0x000000FF},
      {"RED", 0x000000FF},
      {"navy", 0x00800000},
      {"grey", 0x00808080},
      {"LightSlateGrey", 0x00998877},
      {"yellowgreen", 0x0032CD9A},
      {"AppWorkspace", 0xFF00000C},
      {"appworkspace", 0xFF00000C},
      {"APPWORKSPACE", 0xFF00000C},
      {"threedlightshadow", 0xFF000014},
      {"buttonhighlight", 0xFF000014},
      {"threedhighlight", 0xFF000016},
      {"scrollbar", 0xFF000000},
      {"infobackground", 0xFF000018},
      {"rebeccapurple", std::nullopt},
      {"notacolour", std::nullopt},
      {"#ff0000", std::nullopt},
      {"", std::nullopt},
      {"red ", std::nullopt},
  };
  for (const auto& [name, colour] : cases) EXPECT_EQ(LookupColorName(name), colour) << name;
  for (const ColorNameRow& row : ColorNameTable()) {
    EXPECT_EQ(LookupColorName(row.name), row.colour) << row.name;
    EXPECT_EQ(LookupColorName(Upper(row.name)), row.colour) << row.name;
  }
}

TEST(Colours, GroupsInOrder) {
  const auto rows = ColorNameTable();
  ASSERT_EQ(rows.size(), 176u);
  EXPECT_EQ(rows[0].name, "transparent");
  const std::string_view basic[] = {"black", "maroon", "green",  "olive", "navy",    "purple",
                                    "teal",  "gray",   "silver", "red",   "lime",    "yellow",
                                    "blue",  "fuchsia", "aqua",  "white"};
  for (size_t i = 0; i < 16; ++i) EXPECT_EQ(rows[1 + i].name, basic[i]);
  EXPECT_EQ(rows[17].name, "aliceblue");
  EXPECT_EQ(rows[140].name, "yellowgreen");
  for (size_t i = 18; i <= 140; ++i) EXPECT_LT(rows[i - 1].name, rows[i].name) << rows[i].name;
  const std::string_view greys[] = {"grey",      "darkgrey",       "darkslategrey", "dimgrey",
                                    "lightgrey", "lightslategrey", "slategrey"};
  for (size_t i = 0; i < 7; ++i) EXPECT_EQ(rows[141 + i].name, greys[i]);
  for (size_t i = 148; i < 176; ++i) EXPECT_EQ(rows[i].colour & 0xFF000000u, 0xFF000000u) << rows[i].name;
  for (size_t i = 1; i < 148; ++i) EXPECT_EQ(rows[i].colour & 0xFF000000u, 0u) << rows[i].name;
  std::set<std::string> names;
  for (const ColorNameRow& row : rows) EXPECT_TRUE(names.insert(Lower(row.name)).second) << row.name;
}

// Qt knows the same SVG colour keywords: an independent check of all 147
// values and of the byte order (red lowest).
TEST(Colours, KeywordValuesAgreeWithQt) {
  const auto rows = ColorNameTable();
  for (size_t i = 1; i < 148; ++i) {
    const QColor q(QString::fromLatin1(rows[i].name.data(), static_cast<int>(rows[i].name.size())));
    ASSERT_TRUE(q.isValid()) << rows[i].name;
    EXPECT_EQ(rows[i].colour, platform::Rgb(q.red(), q.green(), q.blue())) << rows[i].name;
  }
}

// --- Word lists -----------------------------------------------------------------------

TEST(WordLists, ListStyleTypes) {
  const std::pair<std::string_view, int> cases[] = {
      {"blank", 0}, {"circle", 1}, {"decimal", 2}, {"disc", 3}, {"lower-alpha", 4},
      {"lower-roman", 5}, {"none", 6}, {"square", 7}, {"upper-alpha", 8}, {"upper-roman", 9},
      {"Disc", 0}, {"armenian", 0}, {"", 0},
  };
  for (const auto& [word, index] : cases) EXPECT_EQ(ListStyleTypeIndex(word), index) << word;
}

TEST(WordLists, BorderStyles) {
  const std::pair<std::string_view, BorderStyle> cases[] = {
      {"none", BorderStyle::None},     {"solid", BorderStyle::Solid},
      {"inset", BorderStyle::Inset},   {"outset", BorderStyle::Outset},
      {"groove", BorderStyle::Groove}, {"ridge", BorderStyle::Ridge},
      {"dashed", BorderStyle::Dashed}, {"dotted", BorderStyle::Dotted},
      {"double", BorderStyle::Double}, {"hidden", BorderStyle::None},
      {"SOLID", BorderStyle::None},    {"", BorderStyle::None},
  };
  for (const auto& [word, style] : cases) EXPECT_EQ(BorderStyleFromString(word), style) << word;
  EXPECT_EQ(static_cast<int>(BorderStyle::Double), 8);
  // The shorthand's word list is the same set of words in its own order.
  std::vector<std::string_view> a(BorderStyleNames.begin(), BorderStyleNames.end());
  std::vector<std::string_view> b(BorderStyleWords.begin(), BorderStyleWords.end());
  EXPECT_NE(a, b);
  std::sort(a.begin(), a.end());
  std::sort(b.begin(), b.end());
  EXPECT_EQ(a, b);
  EXPECT_TRUE(IsBorderStyleWord("ridge"));
  EXPECT_FALSE(IsBorderStyleWord("thick"));
  EXPECT_FALSE(IsBorderStyleWord("Solid"));
}

TEST(WordLists, GenericFamiliesIgnoreCase) {
  const std::pair<std::string_view, std::string_view> cases[] = {
      {"serif", "Times New Roman"}, {"SERIF", "Times New Roman"}, {"monospace", "Courier New"},
      {"Sans-Serif", "Arial"},      {"cursive", "Lucida Handwriting"}, {"helvetica", "Arial"},
      {"Helvetica", "Arial"},       {"Verdana", "Verdana"},       {"fantasy", "fantasy"},
      {"", ""},
  };
  for (const auto& [family, replaced] : cases) EXPECT_EQ(ReplaceGenericFamily(family), replaced) << family;
}

TEST(WordLists, ListElementsShorthandsAndFontKeywords) {
  for (std::string_view tag : {"ul", "ol", "menu", "dir", "dl", "dd", "blockquote"}) EXPECT_TRUE(IsListElement(tag));
  for (std::string_view tag : {"li", "dt", "UL", ""}) EXPECT_FALSE(IsListElement(tag)) << tag;

  const std::pair<std::string_view, std::optional<Shorthand>> shorthands[] = {
      {"margin", Shorthand::Margin},         {"padding", Shorthand::Padding},
      {"border-width", Shorthand::BorderWidth}, {"border", Shorthand::Border},
      {"border-left", Shorthand::BorderLeft}, {"font", Shorthand::Font},
      {"background", Shorthand::Background}, {"list-style", Shorthand::ListStyle},
      {"border-color", Shorthand::BorderColor}, {"border-style", Shorthand::BorderStyle},
      {"margin-top", std::nullopt},          {"Margin", std::nullopt},
  };
  for (const auto& [name, sh] : shorthands) EXPECT_EQ(LookupShorthand(name), sh) << name;
  EXPECT_EQ(static_cast<int>(Shorthand::BorderStyle), 12);

  const std::pair<std::string_view, std::optional<FontKeywordKind>> words[] = {
      {"italic", FontKeywordKind::Style},   {"oblique", FontKeywordKind::Style},
      {"normal", FontKeywordKind::Weight},  {"bolder", FontKeywordKind::Weight},
      {"bold", FontKeywordKind::Weight},    {"small-caps", FontKeywordKind::Variant},
      {"larger", FontKeywordKind::Size},    {"small", FontKeywordKind::Size},
      {"xx-large", FontKeywordKind::Size},  {"900", std::nullopt},
      {"Arial", std::nullopt},              {"", std::nullopt},
  };
  for (const auto& [word, kind] : words) EXPECT_EQ(FontKeywordKindOf(word), kind) << word;
  EXPECT_EQ(FontKeywordIndex("lighter"), 4);
  EXPECT_EQ(FontKeywordIndex("xx-large"), 15);
  EXPECT_EQ(FontKeywordIndex("heavy"), -1);
}

// --- Font sizes and roman numerals -------------------------------------------------

class FontSizeRowsTest : public ::testing::Test {
 protected:
  void TearDown() override { RecomputeFontSizes(12); }
};

TEST_F(FontSizeRowsTest, ScaleWithDefaultSize) {
  RecomputeFontSizes(12);
  EXPECT_EQ(FontSizes().normal, FontSizeBase);
  EXPECT_EQ(FontSizes().pre, PreFontSizeBase);
  EXPECT_EQ(FontSizes().normal, (std::array<double, 7>{8, 10, 12, 14, 18, 24, 36}));
  EXPECT_EQ(FontSizes().pre, (std::array<double, 7>{7, 8, 10, 12, 15, 20, 30}));

  RecomputeFontSizes(9);
  EXPECT_EQ(FontSizes().normal, (std::array<double, 7>{6, 7.5, 9, 10.5, 13.5, 18, 27}));
  EXPECT_EQ(FontSizes().pre, (std::array<double, 7>{5.25, 6, 7.5, 9, 11.25, 15, 22.5}));

  // Always from the base values, never compounding.
  RecomputeFontSizes(24);
  RecomputeFontSizes(24);
  EXPECT_EQ(FontSizes().normal[0], 16);

  // Nonsense sizes leave the rows as they were.
  RecomputeFontSizes(0);
  RecomputeFontSizes(-5);
  RecomputeFontSizes(std::numeric_limits<double>::quiet_NaN());
  RecomputeFontSizes(std::numeric_limits<double>::infinity());
  EXPECT_EQ(FontSizes().normal[0], 16);
}

std::string Roman(int n) {
  static const std::pair<int, const char*> parts[] = {{10, "x"}, {9, "ix"}, {5, "v"}, {4, "iv"}, {1, "i"}};
  std::string r;
  for (const auto& [value, text] : parts)
    while (n >= value) {
      r += text;
      n -= value;
    }
  return r;
}

TEST(RomanNumerals, OneToTwenty) {
  for (int n = 1; n <= 20; ++n) {
    EXPECT_EQ(RomanNumeral(n, false), Roman(n)) << n;
    EXPECT_EQ(RomanNumeral(n, true), Upper(Roman(n))) << n;
    EXPECT_LE(RomanNumeral(n, true).size(), 5u);
  }
  EXPECT_EQ(RomanNumeral(0, false), "");
  EXPECT_EQ(RomanNumeral(21, true), "");
  EXPECT_EQ(RomanNumeral(-3, true), "");
}

}  // namespace
