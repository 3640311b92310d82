#include "editor/inihighlighter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "editor/highlightscan.h"
#include "editor/texteditstringlist.h"
#include "platform/fonts.h"

namespace editor {
namespace {

using K = TIniTokenKind;

struct Tok {
  K kind;
  std::string text;   // UTF-8
};

std::vector<Tok> Scan(TIniHighlighter& hl, const std::string& utf8) {
  const std::u16string line = platform::Utf8ToUtf16(utf8);
  std::vector<Tok> out;
  for (const auto& t : ScanLineTokens(hl, line, 0)) out.push_back({static_cast<K>(t.Kind), platform::Utf16ToUtf8(t.Text)});
  return out;
}

std::string Describe(const std::vector<Tok>& toks) {
  static const char* names[] = {"Comment", "Text", "Section", "Key", "EOL", "Number", "Space", "String", "Symbol"};
  std::string s;
  for (const auto& t : toks) s += std::string(names[static_cast<int>(t.kind)]) + "(" + t.text + ") ";
  return s;
}

struct LineCase {
  const char* line;
  std::vector<Tok> tokens;
};

TEST(IniHighlighter, SplitsLinesIntoTokens) {
  const std::vector<LineCase> cases = {
      {"Qe1=1200, 1300",
       {{K::iniKey, "Qe1"}, {K::iniSymbol, "="}, {K::iniNumber, "1200"}, {K::iniText, ","}, {K::iniSpace, " "},
        {K::iniNumber, "1300"}}},
      {"  Key=value", {{K::iniSpace, "  "}, {K::iniText, "Key"}, {K::iniSymbol, "="}, {K::iniText, "value"}}},
      {"[Header]", {{K::iniSection, "[Header]"}}},
      {"[Header", {{K::iniSection, "[Header"}}},
      {"[Header] tail", {{K::iniSection, "[Header]"}, {K::iniSpace, " "}, {K::iniText, "tail"}}},
      {" [Header]", {{K::iniSpace, " "}, {K::iniText, "["}, {K::iniText, "Header"}, {K::iniText, "]"}}},
      {"; a comment = 5", {{K::iniComment, "; a comment = 5"}}},
      {"x=1 ;c d",
       {{K::iniKey, "x"}, {K::iniSymbol, "="}, {K::iniNumber, "1"}, {K::iniSpace, " "}, {K::iniText, ";"},
        {K::iniText, "c"}, {K::iniSpace, " "}, {K::iniText, "d"}}},
      {"a=12abc", {{K::iniKey, "a"}, {K::iniSymbol, "="}, {K::iniText, "12abc"}}},
      {"a=1.5e3", {{K::iniKey, "a"}, {K::iniSymbol, "="}, {K::iniNumber, "1.5e3"}}},
      {"a=0x1F", {{K::iniKey, "a"}, {K::iniSymbol, "="}, {K::iniText, "0x1F"}}},
      // Text takes the letters and digits after its first character.
      {"a=-2.5E-1",
       {{K::iniKey, "a"}, {K::iniSymbol, "="}, {K::iniText, "-2"}, {K::iniText, ".5E"}, {K::iniText, "-1"}}},
      {"a=2.5E-1", {{K::iniKey, "a"}, {K::iniSymbol, "="}, {K::iniNumber, "2.5E"}, {K::iniText, "-1"}}},
      {"s=\"abc\" x",
       {{K::iniKey, "s"}, {K::iniSymbol, "="}, {K::iniString, "\"abc\""}, {K::iniSpace, " "}, {K::iniText, "x"}}},
      {"s='it'", {{K::iniKey, "s"}, {K::iniSymbol, "="}, {K::iniString, "'it'"}}},
      {"s=\"open", {{K::iniKey, "s"}, {K::iniSymbol, "="}, {K::iniString, "\"open"}}},
      {"s=\"\"", {{K::iniKey, "s"}, {K::iniSymbol, "="}, {K::iniString, "\"\""}}},
      {"s=\"\"\"q\"\"\"",
       {{K::iniKey, "s"}, {K::iniSymbol, "="}, {K::iniString, "\"\"\"q\""}, {K::iniString, "\"\""}}},
      {"", {}},
      {"1=one", {{K::iniKey, "1"}, {K::iniSymbol, "="}, {K::iniText, "one"}}},
      {"#note", {{K::iniKey, "#note"}}},
      {"bare word", {{K::iniKey, "bare word"}}},
      {"=x", {{K::iniSymbol, "="}, {K::iniText, "x"}}},
      {"\"q\"=1", {{K::iniString, "\"q\""}, {K::iniSymbol, "="}, {K::iniNumber, "1"}}},
      {"k=\t v", {{K::iniKey, "k"}, {K::iniSymbol, "="}, {K::iniSpace, "\t "}, {K::iniText, "v"}}},
      {"k=a,b", {{K::iniKey, "k"}, {K::iniSymbol, "="}, {K::iniText, "a"}, {K::iniText, ",b"}}},
      {"k=a\r", {{K::iniKey, "k"}, {K::iniSymbol, "="}, {K::iniText, "a"}, {K::iniSpace, "\r"}}},
      {"k=a\r\nb", {{K::iniKey, "k"}, {K::iniSymbol, "="}, {K::iniText, "a"}, {K::iniSpace, "\r\n"}, {K::iniText, "b"}}},
      {"k=\"a\nb\"",
       {{K::iniKey, "k"}, {K::iniSymbol, "="}, {K::iniString, "\"a\n"}, {K::iniText, "b"}, {K::iniString, "\""}}},
      {"n=K\xC3\xA4lte \xE2\x82\xAC",
       {{K::iniKey, "n"}, {K::iniSymbol, "="}, {K::iniText, "K"}, {K::iniText, "\xC3\xA4lte"}, {K::iniSpace, " "},
        {K::iniText, "\xE2\x82\xAC"}}},
      {"e=\xF0\x9F\x98\x80x", {{K::iniKey, "e"}, {K::iniSymbol, "="}, {K::iniText, "\xF0\x9F\x98\x80x"}}},
      {"\xC3\x84=1", {{K::iniKey, "\xC3\x84"}, {K::iniSymbol, "="}, {K::iniNumber, "1"}}},
  };
  TIniHighlighter hl;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    const auto got = Scan(hl, c.line);
    EXPECT_EQ(Describe(got), Describe(c.tokens));
  }
}

TEST(IniHighlighter, TokensCarryTheirAttributesAndPositions) {
  TIniHighlighter hl;
  const std::u16string line = u"[S]";
  hl.SetLine(line, 3);
  EXPECT_EQ(hl.GetTokenAttribute(), hl.SectionAttri());
  const std::u16string line2 = u"Key=\"s\" 12 x;";
  const auto tokens = ScanLineTokens(hl, line2, 0);
  std::vector<TEdHighlighterAttributes*> attrs;
  std::vector<int> positions;
  for (const auto& t : tokens) {
    attrs.push_back(t.Attribute);
    positions.push_back(t.Pos);
  }
  EXPECT_EQ(attrs, (std::vector<TEdHighlighterAttributes*>{hl.KeyAttri(), hl.SymbolAttri(), hl.StringAttri(),
                                                          hl.SpaceAttri(), hl.NumberAttri(), hl.SpaceAttri(),
                                                          hl.TextAttri(), hl.TextAttri()}));
  EXPECT_EQ(positions, (std::vector<int>{0, 3, 4, 7, 8, 10, 11, 12}));
  // At the end of the line: no attribute, and Next stays there.
  EXPECT_TRUE(hl.GetEol());
  EXPECT_EQ(hl.GetTokenAttribute(), nullptr);
  EXPECT_EQ(hl.GetTokenKind(), static_cast<int>(K::iniEndOfLine));
  hl.Next();
  EXPECT_TRUE(hl.GetEol());
  EXPECT_EQ(hl.GetToken(), u"");

  const std::u16string comment = u";c";
  hl.SetLine(comment, 0);
  EXPECT_EQ(hl.GetTokenAttribute(), hl.CommentAttri());
  const std::u16string empty;
  hl.SetLine(empty, 0);
  EXPECT_TRUE(hl.GetEol());
  EXPECT_EQ(hl.GetTokenAttribute(), nullptr);
}

TEST(IniHighlighter, PropertiesAndDefaults) {
  TIniHighlighter hl;
  ASSERT_EQ(hl.GetAttributeCount(), 8);
  std::vector<std::string> names;
  for (int i = 0; i < hl.GetAttributeCount(); ++i) names.push_back(hl.GetAttribute(i)->Name());
  EXPECT_EQ(names, (std::vector<std::string>{"Comment", "Key", "Number", "Section", "Space", "String", "Symbol", "Text"}));
  EXPECT_EQ(hl.GetAttribute(8), nullptr);
  EXPECT_EQ(hl.GetAttribute(-1), nullptr);
  EXPECT_EQ(hl.CommentAttri()->Style(), fsItalic);
  EXPECT_EQ(hl.CommentAttri()->Foreground(), 0x008000u);
  EXPECT_EQ(hl.CommentAttri()->Background(), clNone);
  EXPECT_EQ(hl.SectionAttri()->Style(), fsBold);
  EXPECT_EQ(hl.TextAttri()->Foreground(), clNone);
  // The constructor's values are the remembered defaults.
  EXPECT_EQ(hl.CommentAttri()->ForegroundDefault(), 0x008000u);
  EXPECT_EQ(hl.SectionAttri()->StyleDefault(), fsBold);
  EXPECT_FALSE(hl.CommentAttri()->IsForegroundStored());

  EXPECT_EQ(hl.GetDefaultAttribute(0), hl.CommentAttri());
  EXPECT_EQ(hl.GetDefaultAttribute(1), nullptr);
  EXPECT_EQ(hl.GetDefaultAttribute(2), hl.KeyAttri());
  EXPECT_EQ(hl.GetDefaultAttribute(3), hl.StringAttri());
  EXPECT_EQ(hl.GetDefaultAttribute(4), hl.SpaceAttri());
  EXPECT_EQ(hl.GetDefaultAttribute(5), hl.SymbolAttri());
  EXPECT_EQ(hl.GetDefaultAttribute(6), nullptr);

  EXPECT_EQ(hl.GetLanguageName(), "INI");
  EXPECT_EQ(hl.GetDefaultFilter(), "INI Files (*.ini)|*.ini");
  EXPECT_FALSE(hl.IsFilterStored());
  hl.SetDefaultFilter("Sources (*.ini)|*.ini");
  EXPECT_TRUE(hl.IsFilterStored());
  EXPECT_EQ(hl.GetSampleSource(),
            u"; Syntax highlighting\r\n[Section]\r\nKey=value\r\nString=\"Arial\"\r\nNumber=123456");
  EXPECT_EQ(hl.GetRange(), 0);

  const TEdCharSet ident = hl.GetIdentChars();
  EXPECT_TRUE(InCharSet(ident, u'a'));
  EXPECT_TRUE(InCharSet(ident, u'Z'));
  EXPECT_TRUE(InCharSet(ident, u'5'));
  EXPECT_TRUE(InCharSet(ident, u'_'));
  EXPECT_TRUE(InCharSet(ident, 192));
  EXPECT_FALSE(InCharSet(ident, 215));
  EXPECT_FALSE(InCharSet(ident, 247));
  EXPECT_FALSE(InCharSet(ident, u'-'));
  EXPECT_EQ(ident.count(), 63u + 62u);
  const TEdCharSet breaks = hl.WordBreakChars();
  EXPECT_TRUE(InCharSet(breaks, u'='));
  EXPECT_TRUE(InCharSet(breaks, u'\\'));
  EXPECT_FALSE(InCharSet(breaks, u' '));
  EXPECT_EQ(breaks.count(), 22u);
}

// The editor's pass over a whole file (state carried from line to line)
// must give every line the tokens it gets when scanned alone.
TEST(IniHighlighter, WholeFileAgreesWithLineByLine) {
  for (const char* file : {"sample.ini", "crlf.ini"}) {
    SCOPED_TRACE(file);
    TTextEditStringList lines;
    lines.LoadFromFile(std::string(DRAVLEN_TEST_DATA) + "/" + file);
    ASSERT_GT(lines.Count(), 1);

    TIniHighlighter whole;
    ScanRanges(whole, lines);
    std::vector<std::vector<TEdToken>> fileTokens;
    for (int i = 0; i < lines.Count(); ++i) {
      if (i == 0) whole.ResetRange();
      else whole.SetRange(lines.GetRange(i - 1));
      fileTokens.push_back(ScanLineTokens(whole, lines.Get(i), i));
    }

    // Each line alone, in reverse order, with a highlighter of its own.
    for (int i = lines.Count() - 1; i >= 0; --i) {
      SCOPED_TRACE(lines.GetUtf8(i));
      TIniHighlighter alone;
      auto tokens = ScanLineTokens(alone, lines.Get(i), 0);
      // Attributes belong to each highlighter: compare them by name.
      ASSERT_EQ(tokens.size(), fileTokens[static_cast<size_t>(i)].size());
      std::u16string joined;
      for (size_t t = 0; t < tokens.size(); ++t) {
        const auto& a = tokens[t];
        const auto& b = fileTokens[static_cast<size_t>(i)][t];
        EXPECT_EQ(a.Pos, b.Pos);
        EXPECT_EQ(a.Text, b.Text);
        EXPECT_EQ(a.Kind, b.Kind);
        ASSERT_NE(a.Attribute, nullptr);
        EXPECT_EQ(a.Attribute->Name(), b.Attribute->Name());
        EXPECT_EQ(a.Pos, static_cast<int>(joined.size()));
        joined += a.Text;
      }
      // The tokens cover the line exactly.
      EXPECT_EQ(joined, lines.Get(i));
    }
  }
}

TEST(IniHighlighter, RescanStopsWhereTheStoredStateIsRight) {
  TTextEditStringList lines;
  lines.SetTextStr(u"[a]\r\nb=1\r\nc=2");
  TIniHighlighter hl;
  EXPECT_EQ(lines.GetRange(1), kRangeNotScanned);
  EXPECT_EQ(ScanFrom(hl, lines, 0), 2);   // never scanned: every line is stored
  EXPECT_EQ(lines.GetRange(2), 0);
  EXPECT_EQ(ScanFrom(hl, lines, 1), 1);   // state unchanged: stops at once
  EXPECT_EQ(ScanFrom(hl, lines, 5), 5);
}

TEST(IniHighlighter, RegisteredAtStartUp) {
  InitHighlighterModule();
  RegisterIniHighlighter();
  RegisterIniHighlighter();
  TEdHighlighterList* list = GetPlaceableHighlighters();
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->Count(), 1);
  EXPECT_EQ(list->ClassName(0), "TIniHighlighter");
  auto made = list->Create(0);
  EXPECT_EQ(made->GetLanguageName(), "INI");
  FinalizeHighlighterModule();
  EXPECT_EQ(GetPlaceableHighlighters(), nullptr);
  EXPECT_EQ(RegisterHighlighterClass<TIniHighlighter>(), -1);
}

}  // namespace
}  // namespace editor
