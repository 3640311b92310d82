#include "editor/edmiscprocs.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace editor {
namespace {

TEST(EdMiscProcs, MinMaxSwapAndMinPoint) {
  EXPECT_EQ(MinMax(5, 1, 10), 5);
  EXPECT_EQ(MinMax(-5, 1, 10), 1);
  EXPECT_EQ(MinMax(50, 1, 10), 10);
  int a = 1, b = 2;
  SwapInt(a, b);
  EXPECT_EQ(a, 2);
  EXPECT_EQ(b, 1);
  EXPECT_EQ(MinPoint(BufferCoord(5, 2), BufferCoord(1, 3)), BufferCoord(5, 2));
  EXPECT_EQ(MinPoint(BufferCoord(5, 3), BufferCoord(1, 3)), BufferCoord(1, 3));
  EXPECT_EQ(MaxPoint(BufferCoord(5, 3), BufferCoord(1, 3)), BufferCoord(5, 3));
}

TEST(EdMiscProcs, TabConvertersAgreeAndKeepOneTabPerColumn) {
  struct Case {
    std::u16string line;
    int width;
    std::u16string expanded;
    bool hasTabs;
  };
  const std::vector<Case> cases = {
      {u"a\tb", 4, u"a\t\t\tb", true},   {u"a\tb", 1, u"a b", true},
      {u"a\tb", 0, u"a b", true},        {u"abc", 4, u"abc", false},
      {u"\t\t", 2, u"\t\t\t\t", true},   {u"ab\tc\td", 3, u"ab\tc\t\td", true},
      {u"a\tb", 6, u"a\t\t\t\t\tb", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.width);
    bool hasTabs = !c.hasTabs;
    EXPECT_EQ(GetBestConvertTabsProc(c.width)(c.line, c.width, hasTabs), c.expanded);
    EXPECT_EQ(hasTabs, c.hasTabs);
    if (c.width >= 2) {
      bool h2 = false;
      EXPECT_EQ(ConvertTabs(c.line, c.width, h2), c.expanded);
      EXPECT_EQ(GetExpandedLength(c.line, c.width), static_cast<int>(c.expanded.size()));
    }
  }
  // The power-of-two converter gives the general one's text.
  for (int width : {2, 4, 8, 16, 64, 65536}) {
    bool h1 = false, h2 = false;
    const std::u16string line = u"x\tyy\tzzz\t\t.";
    EXPECT_EQ(ConvertTabs2n(line, width, h1), ConvertTabs(line, width, h2)) << width;
  }
  EXPECT_EQ(GetBestConvertTabsProc(1), &ConvertTabs1);
  EXPECT_EQ(GetBestConvertTabsProc(8), &ConvertTabs2n);
  EXPECT_EQ(GetBestConvertTabsProc(65536), &ConvertTabs2n);
  EXPECT_EQ(GetBestConvertTabsProc(131072), &ConvertTabs);
  EXPECT_EQ(GetBestConvertTabsProc(6), &ConvertTabs);
}

TEST(EdMiscProcs, HasTabsAndCaretColumns) {
  int before = -1;
  EXPECT_TRUE(GetHasTabs(u"ab\tc", before));
  EXPECT_EQ(before, 2);
  EXPECT_FALSE(GetHasTabs(u"abc", before));
  EXPECT_EQ(before, 3);

  struct Case {
    int index;
    int width;
    const char16_t* line;
    int column;
  };
  const std::vector<Case> cases = {
      {0, 8, u"a\tb", 1}, {1, 8, u"a\tb", 1},  {2, 8, u"a\tb", 2}, {3, 8, u"a\tb", 9}, {4, 8, u"a\tb", 10},
      {6, 8, u"a\tb", 12}, {3, 4, u"a\tb", 5}, {3, 1, u"a\tb", 3}, {3, 8, u"abc", 3}, {2, 8, u"\tx", 9},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.index << " at width " << c.width);
    EXPECT_EQ(CharIndex2CaretPos(c.index, c.width, c.line), c.column);
  }
}

TEST(EdMiscProcs, ScanningForCharacters) {
  const TEdCharSet set = CharSetOf(",;");
  EXPECT_EQ(StrScanForCharInSet(u"a,b;c", 1, set), 2);
  EXPECT_EQ(StrScanForCharInSet(u"a,b;c", 3, set), 4);
  EXPECT_EQ(StrScanForCharInSet(u"a,b;c", 5, set), 0);
  EXPECT_EQ(StrScanForCharInSet(u"", 1, set), 0);
  EXPECT_EQ(StrRScanForCharInSet(u"a,b;c", 5, set), 4);
  EXPECT_EQ(StrRScanForCharInSet(u"a,b;c", 3, set), 2);
  EXPECT_EQ(StrRScanForCharInSet(u"a,b;c", 1, set), 0);
  EXPECT_EQ(StrRScanForCharInSet(u"a,b;c", 99, set), 4);
  EXPECT_FALSE(InCharSet(set, u'\u012C'));   // above 255: never in a set
  EXPECT_EQ(StrScanForLineEnd(u"abc\r\n"), 3u);
  EXPECT_EQ(StrScanForLineEnd(u"ab\ncd"), 2u);
  EXPECT_EQ(StrScanForLineEnd(std::u16string(u"a\0b", 3)), 1u);
  EXPECT_EQ(StrScanForLineEnd(u"abc"), 3u);
}

TEST(EdMiscProcs, CharacterClassesFromTypeFlags) {
  struct Case {
    unsigned flags;
    int cls;
  };
  const std::vector<Case> cases = {
      {C3_SYMBOL, 9},
      {C3_HALFWIDTH, 1},
      {C3_HALFWIDTH | C3_ALPHA, 1},
      {C3_HALFWIDTH | C3_SYMBOL, 2},
      {C3_HALFWIDTH | C3_LEXICAL, 2},
      {C3_HALFWIDTH | C3_KATAKANA | C3_ALPHA, 3},
      {C3_FULLWIDTH, 4},
      {C3_FULLWIDTH | C3_ALPHA, 4},
      {C3_FULLWIDTH | C3_SYMBOL, 5},
      {C3_LEXICAL, 5},
      {C3_FULLWIDTH | C3_KATAKANA | C3_ALPHA, 6},
      {C3_FULLWIDTH | C3_HIRAGANA | C3_ALPHA, 7},
      {C3_FULLWIDTH | C3_IDEOGRAPH | C3_ALPHA, 8},
      {C3_HALFWIDTH | C3_HIRAGANA, 0},
      {C3_ALPHA, 0},
      {0, 0},
  };
  for (const auto& c : cases) EXPECT_EQ(CharClassFromFlags(c.flags), c.cls) << c.flags;
  // Characters: letters and digits are one class, ASCII punctuation another,
  // and kana, kanji and full-width letters each their own.
  EXPECT_EQ(CharClass(u'a'), 1);
  EXPECT_EQ(CharClass(u'7'), 1);
  EXPECT_EQ(CharClass(u','), 2);
  EXPECT_EQ(CharClass(u'\u30A2'), 6);   // katakana A
  EXPECT_EQ(CharClass(u'\u3042'), 7);   // hiragana a
  EXPECT_EQ(CharClass(u'\u6F22'), 8);   // kanji
  EXPECT_EQ(CharClass(u'\uFF71'), 3);   // half-width katakana
  EXPECT_EQ(CharClass(u'\uFF21'), 4);   // full-width A
  EXPECT_EQ(CharClass(u'\u3001'), 5);   // ideographic comma
}

}  // namespace
}  // namespace editor
