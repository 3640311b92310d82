#include "htmlview/style/styleprops.h"

#include <gtest/gtest.h>

#include "htmlview/style/stylesheet.h"
#include "platform/image.h"

namespace htmlview {
namespace {

using platform::Colour;
using platform::Rgb;

class StylePropsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    platform::SetFontBackend(platform::FontBackend::FixedMetric,
                             {"Times New Roman", "Courier New", "Verdana"});
  }
  void SetUp() override {
    InitVocabulary();
    InitStyleProps();
    SetDefaultPointSize(12);
  }
  void TearDown() override { DoneStyleProps(); }
};

// ---------------------------------------------------------------------------
// Colours

struct ColourCase {
  const char* name;
  const char* text;
  bool needHash;
  bool ok;
  Colour colour;
};

TEST_F(StylePropsTest, ColorFromStringTable) {
  const ColourCase cases[] = {
      {"colour name", "red", true, true, Rgb(255, 0, 0)},
      {"name any case, blanks trimmed", "  NaVy ", true, true, Rgb(0, 0, 128)},
      {"transparent is no colour value", "transparent", true, true, NoColorValue},
      {"#rgb doubles every digit", "#abc", true, true, Rgb(0xAA, 0xBB, 0xCC)},
      {"#rrggbb", "#102030", true, true, Rgb(0x10, 0x20, 0x30)},
      {"upper-case hex", "#FFA500", true, true, Rgb(0xFF, 0xA5, 0x00)},
      {"bare hex allowed without hash", "abc", false, true, Rgb(0xAA, 0xBB, 0xCC)},
      {"bare hex refused when hash needed", "abcdef", true, false, 0},
      {"text before the last # dropped", "x##00ff00", true, true, Rgb(0, 255, 0)},
      {"rgb integers", "rgb(1, 2, 3)", true, true, Rgb(1, 2, 3)},
      {"rgb percentages", "rgb(100%, 0, 0)", true, true, Rgb(255, 0, 0)},
      {"rgb 20% of 255", "rgb(20%,0,0)", true, true, Rgb(51, 0, 0)},
      {"rgb clamped", "rgb(300, -5, 0)", true, true, Rgb(255, 0, 0)},
      {"rgb junk value is 0", "rgb(x, 7, 9)", true, true, Rgb(0, 7, 9)},
      {"rgb with a blank before (", "rgb (0, 0, 255)", true, true, Rgb(0, 0, 255)},
      {"rgb missing )", "rgb(1, 2, 3", true, false, 0},
      {"rgb with two values", "rgb(1, 2)", true, false, 0},
      {"not hex", "#xyz", true, false, 0},
      {"hash alone", "#", true, false, 0},
      {"too long for a colour", "#123456789", true, false, 0},
      {"unknown word", "reddish", true, false, 0},
      {"empty", "", false, false, 0},
      {"blanks only", "   ", false, false, 0},
  };
  for (const ColourCase& c : cases) {
    Colour got = 0x12345678;
    const bool ok = ColorFromString(c.text, c.needHash, got);
    EXPECT_EQ(ok, c.ok) << c.name;
    if (c.ok) EXPECT_EQ(got, c.colour) << c.name;
    else EXPECT_EQ(got, 0x12345678u) << c.name << ": a failure leaves the colour alone";
  }
}

TEST_F(StylePropsTest, ColourCacheRespectsHashRequirement) {
  Colour c = 0;
  ASSERT_TRUE(ColorFromString("abc", false, c));
  // The same word right after must still be refused where "#" is required
  // (a "border" shorthand word), not answered from the cache.
  EXPECT_FALSE(ColorFromString("abc", true, c));
  EXPECT_TRUE(ColorFromString("abc", false, c));
  EXPECT_EQ(c, Rgb(0xAA, 0xBB, 0xCC));
}

TEST_F(StylePropsTest, PaletteRelativeOnlyOnHashColoursOfPalettedScreens) {
  const int depth = platform::ScreenDepth();
  platform::SetScreenDepth(8);
  Colour c = 0;
  ASSERT_TRUE(ColorFromString("#abc", true, c));
  EXPECT_EQ(c, Rgb(0xAA, 0xBB, 0xCC) | 0x02000000u);
  ASSERT_TRUE(ColorFromString("red", true, c));
  EXPECT_EQ(c, Rgb(255, 0, 0));
  ASSERT_TRUE(ColorFromString("rgb(1,2,3)", true, c));
  EXPECT_EQ(c, Rgb(1, 2, 3));
  platform::SetScreenDepth(24);
  ASSERT_TRUE(ColorFromString("#abc", true, c));
  EXPECT_EQ(c, Rgb(0xAA, 0xBB, 0xCC)) << "cached colour of the 8-bit screen must not leak";
  platform::SetScreenDepth(depth);
}

// ---------------------------------------------------------------------------
// Font sizes and lengths

struct FontSizeCase {
  const char* text;
  double oldSize;
  double points;
};

TEST_F(StylePropsTest, FontSizeConvTable) {
  SetDefaultPointSize(12);
  const FontSizeCase cases[] = {
      {"12pt", 10, 12},      {"1in", 10, 72},        {"2.54cm", 10, 72},   {"25.4mm", 10, 72},
      {"16px", 10, 12},      {"16", 10, 12},         {"1pc", 10, 12},      {"1.5em", 12, 18},
      {"2ex", 12, 12},       {"150%", 12, 18},       {" 150 % ", 12, 18},  {"smaller", 12, 9},
      {"larger", 12, 15},    {"xx-small", 20, 8},    {"x-small", 20, 10},  {"small", 20, 12},
      {"medium", 20, 14.4},  {"large", 20, 18},      {"x-large", 20, 24},  {"xx-large", 20, 36},
      {"12furlongs", 20, 12}, {"-2pt", 10, -2},      {"junk", 20, 12},
  };
  for (const FontSizeCase& c : cases)
    EXPECT_NEAR(FontSizeConv(c.text, c.oldSize), c.points, 1e-9) << c.text;
}

TEST_F(StylePropsTest, FontSizeKeywordsFollowDefaultSize) {
  SetDefaultPointSize(15);
  EXPECT_DOUBLE_EQ(FontSizeConv("small", 9), 15);
  EXPECT_DOUBLE_EQ(FontSizeConv("x-large", 9), 30);
  SetDefaultPointSize(-3);  // refused: keeps 15
  EXPECT_DOUBLE_EQ(DefaultPointSize(), 15);
}

struct LengthCase {
  const char* text;
  bool relative;
  int base;
  int expected;
};

TEST_F(StylePropsTest, LengthConvTable) {
  // em height 16, ex height 8, default -7.
  const LengthCase cases[] = {
      {"1in", false, 0, 96},    {"2.54cm", false, 0, 96}, {"25.4mm", false, 0, 96},
      {"12pt", false, 0, 16},   {"10px", false, 0, 10},   {"1pc", false, 0, 16},
      {"2em", false, 0, 32},    {"2ex", false, 0, 16},    {"1.5em", false, 0, 24},
      {"50%", false, 400, 200}, {"12.5%", false, 100, 12}, {"10", false, 400, 10},
      {"10", true, 3, 30},      {"10furlongs", false, 0, -7}, {"auto", false, 0, -7},
      {"2.5px", false, 0, 2},   {"3.5px", false, 0, 4},   {"-5px", false, 0, -5},
      {"+5px", false, 0, 5},    {"", false, 0, 0},        {" 7 PX ", false, 0, 7},
  };
  for (const LengthCase& c : cases)
    EXPECT_EQ(LengthConv(c.text, c.relative, c.base, 16, 8, -7), c.expected) << c.text;
}

TEST_F(StylePropsTest, ColumnAlignWordsTable) {
  const std::pair<const char*, TVAlign> cases[] = {
      {"top", TVAlign::Top},     {"middle", TVAlign::Middle}, {"AbsMiddle", TVAlign::Middle}, {"center", TVAlign::Middle},
      {"baseline", TVAlign::Baseline}, {"bottom", TVAlign::Bottom}, {"left", TVAlign::Left}, {"RIGHT", TVAlign::Right},
      {"justify", TVAlign::Justify}, {"sideways", TVAlign::None}, {"", TVAlign::None}};
  for (const auto& [text, code] : cases) EXPECT_EQ(VAlignOf(text, TVAlignWords::Column), code) << text;
}

TEST_F(StylePropsTest, ReadUrlStripsOnePairOfQuotes) {
  EXPECT_EQ(ReadUrl("url(a.gif)"), "a.gif");
  EXPECT_EQ(ReadUrl("url(\"img/b c.png\")"), "img/b c.png");
  EXPECT_EQ(ReadUrl("url('x.gif') no-repeat"), "x.gif");
  EXPECT_EQ(ReadUrl("url(\"\")"), "\"\"");  // two characters: kept
  EXPECT_EQ(ReadUrl("none"), "");
}

TEST_F(StylePropsTest, FirstInstalledFamilyWalksTheList) {
  EXPECT_EQ(FirstInstalledFamily("nosuchfont, 'courier new', verdana"), "courier new");
  EXPECT_EQ(FirstInstalledFamily("\"nope\", serif"), "Times New Roman");
  EXPECT_EQ(FirstInstalledFamily("nope, nothing"), "");
  EXPECT_EQ(FirstInstalledFamily(""), "");
}

// ---------------------------------------------------------------------------
// Property set basics

TEST_F(StylePropsTest, NewSetHasUnsetLengthsAndZeroZIndex) {
  TProperties p;
  for (int i = 0; i < PropertyCount; ++i) {
    if (i >= PropMarginTop && i <= PropLeft) EXPECT_EQ(p.Props[i], PropValue(UnsetLength)) << i;
    else if (i == PropZIndex) EXPECT_EQ(p.Props[i], PropValue(0));
    else EXPECT_TRUE(p.Props[i].IsEmpty()) << i;
  }
  EXPECT_EQ(p.FontBG, NoColorValue);
  TProperties q;
  EXPECT_GT(q.ID, p.ID);
}

TEST_F(StylePropsTest, AssignIgnoresWhatTheCascadeSet) {
  TProperties p;
  p.Assign("center", PropTextAlign);
  EXPECT_EQ(p.Props[PropTextAlign].Text(), "center");
  EXPECT_TRUE(p.Originals[PropTextAlign]);
  p.Assign("right", PropTextAlign);
  EXPECT_EQ(p.Props[PropTextAlign].Text(), "center");
  p.Assign("x", -1);            // out of range: ignored
  p.Assign("x", PropertyCount);
}

TEST_F(StylePropsTest, AssignUpdatesLinkFonts) {
  TProperties p;
  p.InLink = true;
  p.TheFontInfo = std::make_unique<TFontInfoArray>();
  p.Assign(PropValue::FromColour(Rgb(1, 2, 3)), PropColor);
  p.Assign(20.0, PropFontSize);
  p.Assign("Verdana", PropFontFamily);
  for (const ThtFontInfo& f : *p.TheFontInfo) {
    EXPECT_EQ(f.Color, Rgb(1, 2, 3));
    EXPECT_DOUBLE_EQ(f.Size, 20);
    EXPECT_EQ(f.Name, "Verdana");
  }
}

TEST_F(StylePropsTest, CharsetAndCodePage) {
  TProperties p;
  p.InLink = true;
  p.TheFontInfo = std::make_unique<TFontInfoArray>();
  p.SetCharset(kLatin2PseudoCharset);
  EXPECT_EQ(p.CharSet, 238);
  EXPECT_EQ(p.CodePage, 28592);
  EXPECT_EQ((*p.TheFontInfo)[3].Charset, 238);
  p.SetCharset(204);
  EXPECT_EQ(p.CharSet, 204);
  EXPECT_EQ(p.CodePage, 1251);
  p.SetCharset(1);
  EXPECT_EQ(p.CharSet, 1);
  EXPECT_EQ(p.CodePage, 0);
  p.SetCharset(99);  // no code page of its own: unchanged
  EXPECT_EQ(p.CodePage, 0);
  p.SetUTF8();
  EXPECT_EQ(p.CharSet, 0);
  EXPECT_EQ(p.CodePage, 65001);
  EXPECT_EQ((*p.TheFontInfo)[0].Charset, 0);
}

TEST_F(StylePropsTest, CopyDefaultMakesTheRoot) {
  TProperties def;
  def.Props[PropColor] = 5;
  def.DefFontname = "Verdana";
  def.CharSet = 204;
  TProperties root;
  root.CopyDefault(def);
  EXPECT_EQ(root.PropTag, "default");
  EXPECT_EQ(root.Props[PropColor], PropValue(5));
  EXPECT_EQ(root.DefFontname, "Verdana");
  EXPECT_EQ(root.CodePage, 1251);
}

// ---------------------------------------------------------------------------
// Fonts

TEST_F(StylePropsTest, GetFontDescribesAndMeasures) {
  TProperties p;
  p.DefFontname = "Verdana";
  p.Props[PropFontFamily] = "nosuch, \"courier new\"";
  p.Props[PropFontSize] = 12.0;
  p.Props[PropFontWeight] = "700";
  p.Props[PropFontStyle] = "oblique";
  p.Props[PropTextDecoration] = "underline line-through";
  p.Props[PropColor] = PropValue::FromColour(Rgb(9, 8, 7));
  p.Props[PropLetterSpacing] = "0.25em";
  p.Props[PropBackgroundColor] = PropValue::FromColour(Rgb(1, 1, 1));
  p.Originals[PropBackgroundColor] = true;
  p.TakeLinkBackground();
  const TMyFont f = p.GetFont();
  EXPECT_EQ(f.name, "courier new");
  EXPECT_EQ(f.height, -16);
  EXPECT_EQ(f.weight, platform::FW_BOLD);
  EXPECT_TRUE(f.italic);
  EXPECT_TRUE(f.underline);
  EXPECT_TRUE(f.strikeOut);
  EXPECT_EQ(f.color, Rgb(9, 8, 7));
  EXPECT_EQ(f.BgColor, Rgb(1, 1, 1));
  // Fixed-metric fonts: cell 16, no internal leading.
  EXPECT_EQ(f.tmHeight, 16);
  EXPECT_EQ(p.EmSize, 16);
  EXPECT_EQ(p.ExSize, 8);
  EXPECT_EQ(f.CharExtra, 4);
}

TEST_F(StylePropsTest, GetFontFallsBackAndIsCached) {
  TProperties p;
  p.DefFontname = "Verdana";
  p.Props[PropFontFamily] = "nosuch";
  p.Props[PropFontSize] = "15pt";  // text: converted against the default size
  p.Props[PropFontWeight] = "normal";
  p.Props[PropLetterSpacing] = "normal";
  TMyFont f = p.GetFont();
  EXPECT_EQ(f.name, "Verdana");
  EXPECT_EQ(f.height, -20);
  EXPECT_EQ(f.weight, platform::FW_NORMAL);
  EXPECT_EQ(f.CharExtra, 0);
  EXPECT_EQ(f.BgColor, NoColorValue);
  // Cached until something drops it.
  p.Props[PropFontSize] = 24.0;
  EXPECT_EQ(p.GetFont().height, -20);
  p.DropFont();
  EXPECT_EQ(p.GetFont().height, -32);
}

TEST_F(StylePropsTest, GetFontSurvivesAbsurdSizes) {
  const std::pair<PropValue, int> cases[] = {
      {"-99999999999999pt", -16}, {"0", -16}, {PropValue(0.0), -16},
      {"99999999999999pt", -2667}, {"1000in", -2667}};
  for (const auto& [size, height] : cases) {
    TProperties p;
    p.DefFontname = "Verdana";
    p.Props[PropFontSize] = size;
    EXPECT_EQ(p.GetFont().height, height) << size.Text();
  }
}

TEST_F(StylePropsTest, BoldFromWeight) {
  const std::pair<PropValue, bool> cases[] = {
      {"bold", true}, {"bolder", true}, {"600", true}, {"599", false}, {"normal", false},
      {PropValue(700), true}, {PropValue(), false}};
  for (const auto& [weight, bold] : cases) {
    TProperties p;
    p.Props[PropFontWeight] = weight;
    EXPECT_EQ((p.DescribeFont().Style & platform::fsBold) != 0, bold) << weight.Text();
  }
}

// ---------------------------------------------------------------------------
// Queries

TEST_F(StylePropsTest, LineHeightAndTextIndent) {
  TProperties p;
  p.EmSize = 16;
  p.ExSize = 8;
  EXPECT_EQ(p.GetLineHeight(16), -1);
  p.Props[PropLineHeight] = "1.5";
  EXPECT_EQ(p.GetLineHeight(16), 24);
  p.Props[PropLineHeight] = "20px";
  EXPECT_EQ(p.GetLineHeight(16), 20);
  p.Props[PropLineHeight] = "150%";
  EXPECT_EQ(p.GetLineHeight(10), 24);  // of the em height
  p.Props[PropLineHeight] = "2em";
  EXPECT_EQ(p.GetLineHeight(10), 32);
  p.Props[PropLineHeight] = "normal";
  EXPECT_EQ(p.GetLineHeight(10), -1);

  bool percent = true;
  EXPECT_EQ(p.GetTextIndent(percent), 0);
  EXPECT_FALSE(percent);
  p.Props[PropTextIndent] = "10%";
  EXPECT_EQ(p.GetTextIndent(percent), 10);
  EXPECT_TRUE(percent);
  p.Props[PropTextIndent] = "2em";
  EXPECT_EQ(p.GetTextIndent(percent), 32);
  EXPECT_FALSE(percent);
}

TEST_F(StylePropsTest, SimpleQueries) {
  TProperties p;
  TVAlign a = TVAlign::None;
  EXPECT_FALSE(p.GetVertAlign(a));
  const std::pair<const char*, TVAlign> valigns[] = {{"top", TVAlign::Top}, {"text-top", TVAlign::Top},
      {"middle", TVAlign::Middle}, {"baseline", TVAlign::Baseline}, {"bottom", TVAlign::Bottom}, {"sub", TVAlign::Sub},
      {"super", TVAlign::Super}};
  for (const auto& [text, code] : valigns) {
    p.Props[PropVerticalAlign] = text;
    ASSERT_TRUE(p.GetVertAlign(a)) << text;
    EXPECT_EQ(a, code) << text;
  }
  p.Props[PropVerticalAlign] = "text-bottom";
  EXPECT_FALSE(p.GetVertAlign(a));

  TFloatSide side = TFloatSide::None;
  p.Props[PropFloat] = "right";
  ASSERT_TRUE(p.GetFloat(side));
  EXPECT_EQ(side, TFloatSide::Right);
  p.Props[PropFloat] = "none";
  ASSERT_TRUE(p.GetFloat(side));
  EXPECT_EQ(side, TFloatSide::None);
  p.Props[PropFloat] = "inherit";
  EXPECT_FALSE(p.GetFloat(side));

  TClear clear = TClear::None;
  p.Props[PropClear] = "both";
  ASSERT_TRUE(p.GetClear(clear));
  EXPECT_EQ(clear, TClear::Both);
  EXPECT_FALSE(p.GetClear(clear)) << "a clear applies once";

  EXPECT_EQ(p.GetListStyleType(), TListStyle::Blank);
  p.Props[PropListStyleType] = "disc";
  EXPECT_EQ(p.GetListStyleType(), TListStyle::Disc);
  p.Props[PropListStyleImage] = "url(\"b.gif\")";
  EXPECT_EQ(p.GetListStyleImage(), "b.gif");

  EXPECT_EQ(p.GetPosition(), TPositioning::Static);
  p.Props[PropPosition] = "absolute";
  EXPECT_EQ(p.GetPosition(), TPositioning::Absolute);
  p.Props[PropPosition] = "relative";
  EXPECT_EQ(p.GetPosition(), TPositioning::Relative);

  EXPECT_EQ(p.GetVisibility(), TVisibility::Visible);
  p.Props[PropVisibility] = 1;
  EXPECT_EQ(p.GetVisibility(), TVisibility::Hidden);

  EXPECT_EQ(p.GetZIndex(), 0);
  p.Props[PropZIndex] = " 7";
  EXPECT_EQ(p.GetZIndex(), 7);
  p.Props[PropZIndex] = "top";
  EXPECT_EQ(p.GetZIndex(), 0);

  EXPECT_FALSE(p.DisplayNone());
  p.Props[PropDisplay] = "none";
  EXPECT_TRUE(p.DisplayNone());
  p.Props[PropBorderCollapse] = "collapse";
  EXPECT_TRUE(p.Collapse());
  p.Props[PropOverflow] = "hidden";
  EXPECT_TRUE(p.IsOverflowHidden());

  EXPECT_EQ(p.GetTextTransform(), TTextTransform::None);
  p.Props[PropTextTransform] = 1;
  EXPECT_EQ(p.GetTextTransform(), TTextTransform::Upper);
  EXPECT_EQ(p.GetFontVariant(), "normal");
  p.Props[PropFontVariant] = "small-caps";
  EXPECT_EQ(p.GetFontVariant(), "small-caps");

  bool before, after, intact;
  p.GetPageBreaks(before, after, intact);
  EXPECT_FALSE(before || after || intact);
  p.Props[PropPageBreakBefore] = "always";
  p.Props[PropPageBreakInside] = "avoid";
  p.GetPageBreaks(before, after, intact);
  EXPECT_TRUE(before);
  EXPECT_FALSE(after);
  EXPECT_TRUE(intact);

  EXPECT_FALSE(p.HasBorderStyle());
  EXPECT_EQ(p.GetBorderStyle(), 0);
  p.Props[PropBorderStyle] = "dashed";
  EXPECT_TRUE(p.HasBorderStyle());
  EXPECT_EQ(p.GetBorderStyle(), static_cast<int>(BorderStyle::Dashed));
}

TEST_F(StylePropsTest, ColoursOnlyWhenSetHere) {
  TProperties p;
  p.Props[PropColor] = 5;  // inherited, not set here
  Colour c = 0;
  EXPECT_FALSE(p.GetOriginalForegroundColor(c));
  EXPECT_EQ(c, NoColorValue);
  p.Originals[PropColor] = true;
  EXPECT_TRUE(p.GetOriginalForegroundColor(c));
  EXPECT_EQ(c, 5u);
  EXPECT_FALSE(p.GetBackgroundColor(c));
  p.Assign(PropValue::FromColour(Rgb(0, 0, 9)), PropBackgroundColor);
  EXPECT_TRUE(p.GetBackgroundColor(c));
  EXPECT_EQ(c, Rgb(0, 0, 9));
}

TEST_F(StylePropsTest, BackgroundImage) {
  TProperties p;
  std::string url = "x";
  EXPECT_FALSE(p.GetBackgroundImage(url));
  p.Props[PropBackgroundImage] = "none";
  EXPECT_TRUE(p.GetBackgroundImage(url));
  EXPECT_EQ(url, "");
  p.Props[PropBackgroundImage] = "url('tile.png')";
  EXPECT_TRUE(p.GetBackgroundImage(url));
  EXPECT_EQ(url, "tile.png");
}

struct BgPosCase {
  const char* name;
  const char* position;  // nullptr: no value
  PositionRec h, v;
};

TEST_F(StylePropsTest, BackgroundPositionTable) {
  const BgPosCase cases[] = {
      {"no value", nullptr, {TBgPos::Dim, 0}, {TBgPos::Dim, 0}},
      {"center", "center", {TBgPos::Center, 0}, {TBgPos::Center, 0}},
      {"left alone", "left", {TBgPos::Left, 0}, {TBgPos::Center, 0}},
      {"top alone", "top", {TBgPos::Center, 0}, {TBgPos::Top, 0}},
      {"percent alone", "25%", {TBgPos::Percent, 25}, {TBgPos::Center, 0}},
      {"pixels pair", "10px 2em", {TBgPos::Dim, 10}, {TBgPos::Dim, 32}},
      {"left top", "left top", {TBgPos::Left, 0}, {TBgPos::Top, 0}},
      {"top left", "top left", {TBgPos::Left, 0}, {TBgPos::Top, 0}},
      {"bottom right", "bottom right", {TBgPos::Right, 0}, {TBgPos::Bottom, 0}},
      {"right then percent", "right 30%", {TBgPos::Right, 0}, {TBgPos::Percent, 30}},
      {"percent then right moves it down", "30% right", {TBgPos::Right, 0}, {TBgPos::Percent, 30}},
      {"center bottom", "center bottom", {TBgPos::Center, 0}, {TBgPos::Bottom, 0}},
      {"trailing blank of the shorthand", "top left ", {TBgPos::Left, 0}, {TBgPos::Top, 0}},
  };
  for (const BgPosCase& c : cases) {
    TProperties p;
    if (c.position) p.Props[PropBackgroundPosition] = c.position;
    PositionRecArray pos;
    p.GetBackgroundPos(16, 8, pos);
    EXPECT_EQ(pos[0].PosType, c.h.PosType) << c.name;
    EXPECT_EQ(pos[0].Value, c.h.Value) << c.name;
    EXPECT_EQ(pos[1].PosType, c.v.PosType) << c.name;
    EXPECT_EQ(pos[1].Value, c.v.Value) << c.name;
    EXPECT_TRUE(pos[0].RepeatD && pos[1].RepeatD) << c.name;
    EXPECT_FALSE(pos[0].Fixed || pos[1].Fixed) << c.name;
  }
}

TEST_F(StylePropsTest, BackgroundRepeatAndAttachment) {
  const std::tuple<const char*, bool, bool> cases[] = {
      {"repeat", true, true}, {"no-repeat", false, false}, {"repeat-x", true, false},
      {"repeat-y", false, true}};
  for (const auto& [repeat, h, v] : cases) {
    TProperties p;
    p.Props[PropBackgroundRepeat] = repeat;
    p.Props[PropBackgroundAttachment] = "fixed";
    PositionRecArray pos;
    p.GetBackgroundPos(16, 8, pos);
    EXPECT_EQ(pos[0].RepeatD, h) << repeat;
    EXPECT_EQ(pos[1].RepeatD, v) << repeat;
    EXPECT_TRUE(pos[0].Fixed && pos[1].Fixed);
  }
}

// ---------------------------------------------------------------------------
// Box values

class BoxTest : public StylePropsTest {
 protected:
  TMarginArray Convert(int w = 400, int h = 200) {
    TMarginArray m;
    ConvMargArray(p.GetVMarginArray(), w, h, 16, 8, m, autoCount);
    return m;
  }
  TProperties p;
  int autoCount = -1;
};

TEST_F(BoxTest, UnsetBoxDefaults) {
  const TMarginArray m = Convert();
  EXPECT_EQ(m[PropBackgroundColor], static_cast<int>(NoColorValue));
  EXPECT_EQ(m[PropMarginTop], 0);
  EXPECT_EQ(m[PropMarginLeft], 0);
  EXPECT_EQ(m[PropPaddingLeft], 0);
  EXPECT_EQ(m[PropBorderTopWidth], 0) << "no border style, no border";
  EXPECT_EQ(m[PropWidth], LengthAuto);
  EXPECT_EQ(m[PropHeight], 0);
  EXPECT_EQ(m[PropTop], LengthAuto);
  EXPECT_EQ(m[PropLeft], LengthAuto);
  EXPECT_EQ(autoCount, 1);
}

TEST_F(BoxTest, WidthsMarginsAndAutoCount) {
  p.AddPropertyByName("width", "50%");
  p.AddPropertyByName("margin-left", "auto");
  p.AddPropertyByName("margin-right", "2em");
  p.AddPropertyByName("padding-top", "10%");
  p.AddPropertyByName("left", "25%");
  p.AddPropertyByName("top", "25%");
  TMarginArray m = Convert(400, 200);
  EXPECT_EQ(m[PropWidth], 200);
  EXPECT_EQ(m[PropMarginLeft], LengthAuto);
  EXPECT_EQ(m[PropMarginRight], 32);
  EXPECT_EQ(m[PropPaddingTop], 40);
  EXPECT_EQ(m[PropLeft], 100);
  EXPECT_EQ(m[PropTop], 50);
  EXPECT_EQ(autoCount, 1);
  p.AddPropertyByName("width", "auto");
  m = Convert();
  EXPECT_EQ(m[PropWidth], LengthAuto);
  EXPECT_EQ(autoCount, 2);
}

TEST_F(BoxTest, PercentHeightLosesPaddingsAndBorders) {
  p.AddPropertyByName("height", "50%");
  p.AddPropertyByName("padding-top", "5px");
  p.AddPropertyByName("padding-bottom", "5");
  p.AddPropertyByName("border-style", "solid");
  p.AddPropertyByName("border-top-width", "1px");
  p.AddPropertyByName("border-bottom-width", "1px");
  EXPECT_EQ(Convert(400, 200)[PropHeight], 88);
  p.AddPropertyByName("height", "100px");
  EXPECT_EQ(Convert(400, 200)[PropHeight], 100) << "a fixed height keeps its value";
}

TEST_F(BoxTest, BorderWidthsNeedAStyle) {
  p.AddPropertyByName("border-top-width", "thick");
  EXPECT_EQ(Convert()[PropBorderTopWidth], 0);
  p.AddPropertyByName("border-style", "solid");
  TMarginArray m = Convert();
  EXPECT_EQ(m[PropBorderTopWidth], 6);
  EXPECT_EQ(m[PropBorderRightWidth], 4) << "unset width is medium";
  EXPECT_EQ(m[PropBorderTopStyle], static_cast<int>(BorderStyle::Solid));
  const std::pair<const char*, int> widths[] = {
      {"thin", 2}, {"medium", 4}, {"3px", 3}, {"0.5em", 8}, {"wide", 4}};
  for (const auto& [text, px] : widths) {
    p.AddPropertyByName("border-left-width", text);
    EXPECT_EQ(Convert()[PropBorderLeftWidth], px) << text;
  }
  p.AddPropertyByName("border-left-style", "none");
  EXPECT_EQ(Convert()[PropBorderLeftWidth], 0);
}

TEST_F(BoxTest, VerticalMarginsReportDefaults) {
  p.Props[PropMarginTop] = DefaultMargin;
  p.Props[PropMarginBottom] = "1em";
  int top, bottom;
  bool topDef, bottomDef;
  ConvVertMargins(p.GetVMarginArray(), 400, 16, 8, top, topDef, bottom, bottomDef);
  EXPECT_EQ(top, kDefaultMarginPixels);
  EXPECT_TRUE(topDef);
  EXPECT_EQ(bottom, 16);
  EXPECT_FALSE(bottomDef);
  EXPECT_EQ(Convert()[PropMarginTop], 14);
}

TEST_F(BoxTest, CellPaddingsAndInlineBoxes) {
  p.AddPropertyByName("padding-top", "10%");
  p.AddPropertyByName("padding-left", "3px");
  TMarginArray m;
  ConvCellPaddings(p.GetVMarginArray(), 16, 8, m);
  EXPECT_EQ(m[PropPaddingTop], -10);
  EXPECT_EQ(m[PropPaddingLeft], 3);
  EXPECT_EQ(m[PropPaddingRight], -1);

  TProperties q;
  q.AddPropertyByName("margin-left", "5px");
  q.AddPropertyByName("height", "2em");
  q.AddPropertyByName("border-style", "dotted");
  ConvInlineMargArray(q.GetVMarginArray(), 400, 200, 16, 8, m);
  EXPECT_EQ(m[PropMarginLeft], 5);
  EXPECT_EQ(m[PropMarginTop], UnsetLength);
  EXPECT_EQ(m[PropHeight], 32);
  EXPECT_EQ(m[PropWidth], UnsetLength);
  EXPECT_EQ(m[PropBorderTopWidth], 4);
  EXPECT_EQ(m[PropBorderTopStyle], static_cast<int>(BorderStyle::Dotted));
}

// ---------------------------------------------------------------------------
// Property stack

TEST_F(StylePropsTest, PropStackBasics) {
  TPropStack& stack = PropStack();
  stack.Clear();
  TStyleList styles;
  styles.InitDefaultStyles("Verdana", "Courier New", 12, 0, 1, 2, 3, true, 1, 5, 6);
  auto root = std::make_unique<TProperties>();
  root->CopyDefault(*styles.DefProp());
  stack.Add(std::move(root));
  TProperties* body = stack.PushNewProps(styles, "body");
  TProperties* b = stack.PushNewProps(styles, "b");
  EXPECT_EQ(stack.Count(), 3);
  EXPECT_EQ(stack.Last(), b);
  EXPECT_EQ(stack.IndexOf(body), 1);
  EXPECT_EQ(b->Props[PropFontWeight].Text(), "bold");
  stack.CutTo(1);
  EXPECT_EQ(stack.Count(), 1);
  stack.Delete(5);  // out of range: nothing
  stack.Clear();
  EXPECT_EQ(stack.Last(), nullptr);
}

}  // namespace
}  // namespace htmlview
