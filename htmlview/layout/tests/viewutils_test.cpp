#include "htmlview/parse/viewutils.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "htmlview/parse/attributes.h"
#include "htmlview/images/imagemap.h"
#include "htmlview/layout/indentmanager.h"
#include "htmlview/layout/viewdraw.h"
#include "platform/geometry.h"

using namespace htmlview;
using platform::Bitmap;
using platform::Colour;
using platform::Rect;
using platform::Rgb;

namespace {

TAttribute Attr(HtmlSymbol which, const std::string& name, const std::string& value) {
  return TAttribute(which, name, 0, value);
}

}  // namespace

// ------------------------------------------------------------ float manager

TEST(IndentManager, PlacementRules) {
  IndentManagerBasic m;
  m.Reset(10, 500);
  EXPECT_EQ(m.LeftIndent(0), 10) << "nothing floats: the left edge";
  EXPECT_EQ(m.RightSide(0), 500) << "nothing floats: the width";
  EXPECT_EQ(m.ImageBottom(), 0);
  EXPECT_EQ(m.GetNextWiderY(40), 40);
  int left = -1, right = -1;
  m.GetClearY(left, right);
  EXPECT_EQ(left, 0);
  EXPECT_EQ(right, 0);

  m.L[m.AddLeft(200, 0)].EndY = 100;
  m.L[m.AddLeft(120, 20)].EndY = 60;
  m.R[m.AddRight(300, 30)].EndY = 80;
  m.R[m.AddRight(350, 10)].EndY = 150;

  struct Case {
    int y, left, right;
  } cases[] = {
      {0, 210, 500},     // only the first left float; the right ones start later
      {50, 210, 310},    // widest left, narrowest right
      {99, 210, 360},    // right float of 300 ended at 80
      {100, 10, 360},    // EndY is not covered
      {150, 10, 500},
      {-1, 10, 500},     // above every float
  };
  for (const Case& c : cases) {
    EXPECT_EQ(m.LeftIndent(c.y), c.left) << "y " << c.y;
    EXPECT_EQ(m.RightSide(c.y), c.right) << "y " << c.y;
  }
  EXPECT_EQ(m.ImageBottom(), 150);
  m.GetClearY(left, right);
  EXPECT_EQ(left, 101);
  EXPECT_EQ(right, 151);
  EXPECT_EQ(m.GetNextWiderY(0), 60) << "the first float end below Y, either side";
  EXPECT_EQ(m.GetNextWiderY(60), 80);
  EXPECT_EQ(m.GetNextWiderY(150), 150);

  m.FreeLeftIndentRec(0);
  EXPECT_EQ(m.LeftIndent(50), 130);
  m.FreeLeftIndentRec(7);  // out of range: ignored
  m.Clear();
  EXPECT_EQ(m.LeftIndent(50), 10);
  EXPECT_EQ(m.ImageBottom(), 0);
}

TEST(IndentManager, OwnedRecordsCountOnlyForTheirOwner) {
  IndentManagerBasic m;
  m.Reset(0, 400);
  m.CurrentID = 7;
  m.AddLeft(50, 0);   // open, owned by block 7
  m.CurrentID = 9;
  m.AddRight(300, 0); // owned by block 9
  m.CurrentID = 7;
  EXPECT_EQ(m.LeftIndent(1000), 50) << "an open record reaches down to every position";
  EXPECT_EQ(m.LeftIndent(platform::kMaxLayoutExtent), 50) << "an open record reaches down to every position";
  EXPECT_EQ(m.RightSide(5), 400) << "block 9's float is not block 7's";
  m.CurrentID = 9;
  EXPECT_EQ(m.LeftIndent(5), 0);
  EXPECT_EQ(m.RightSide(5), 300);
  // Owned records never count for the document-level queries.
  EXPECT_EQ(m.ImageBottom(), 0);
  EXPECT_EQ(m.GetNextWiderY(5), 5);
  m.Reset(0, 400);
  EXPECT_EQ(m.CurrentID, 9) << "Reset keeps the owner";
  EXPECT_EQ(m.L.size(), 1u) << "Reset keeps the records";
}

// A cell takes its turn and then sets its manager's origin and width: the
// turn is the scope's to give back, and Reset leaves it.
TEST(IndentManager, ResetInsideAnOwnerScopeKeepsItsOwner) {
  IndentManagerBasic m;
  m.Reset(0, 400);
  m.CurrentID = 3;
  {
    IndentOwnerScope owner(m, 8);
    m.Reset(10, 300);
    EXPECT_EQ(m.CurrentID, 8);
    EXPECT_EQ(m.LfEdge, 10);
    EXPECT_EQ(m.Width, 300);
    owner.OpenEdges(0, 300, 0);
    EXPECT_EQ(m.L[0].ID, 8) << "the edges opened after the reset are the owner's";
    EXPECT_EQ(m.LeftIndent(5), 10) << "and its lines see them";
    EXPECT_EQ(m.RightSide(5), 310);
  }
  EXPECT_EQ(m.CurrentID, 3) << "the previous owner is back";
  EXPECT_TRUE(m.L.empty());
}

TEST(IndentManager, EdgeCaseFromTheLayoutRules) {
  IndentManagerBasic m;
  m.Reset(10, 600);
  m.L[m.AddLeft(200, 0)].EndY = 100;
  EXPECT_EQ(m.LeftIndent(50), 210);
  EXPECT_EQ(m.LeftIndent(100), 10);
}

// An owner scope is left in each of the ways layout leaves one; each must
// give the manager back as it was, less only the floats the content placed.
TEST(IndentManager, OwnerScopeRestoresTheManagerHoweverItEnds) {
  enum class Ending { End, ScopeExit, Exception, ExceptionAfterEnd };
  for (Ending ending : {Ending::End, Ending::ScopeExit, Ending::Exception, Ending::ExceptionAfterEnd}) {
    SCOPED_TRACE(static_cast<int>(ending));
    IndentManagerBasic m;
    m.Reset(0, 400);
    m.CurrentID = 3;
    m.AddLeft(20, 0);   // the outer owner's edge
    m.AddRight(350, 0);
    bool thrown = false;
    try {
      IndentOwnerScope owner(m, 8);
      EXPECT_EQ(m.CurrentID, 8);
      EXPECT_EQ(m.LeftIndent(5), 0) << "the outer owner's edge is not the inner's";
      owner.OpenEdges(40, 300, 10);
      EXPECT_EQ(m.LeftIndent(10), 40);
      EXPECT_EQ(m.RightSide(10), 300);
      {
        IndentOwnerScope inner(m, 9);   // a nested block, same edges
        inner.OpenEdges(40, 300, 10);
        m.L.push_back({90, 10, 60, kNoIndentOwner});   // a float its content placed
        if (ending == Ending::Exception) throw std::runtime_error("layout failed");
      }
      EXPECT_EQ(m.CurrentID, 8) << "the nested owner gave the turn back";
      if (ending == Ending::End || ending == Ending::ExceptionAfterEnd) {
        owner.End();
        EXPECT_EQ(m.CurrentID, 3);
        m.CurrentID = 5;   // whatever comes after: the scope's end must not undo it
        if (ending == Ending::ExceptionAfterEnd) throw std::runtime_error("after the turn");
      }
    } catch (const std::runtime_error&) {
      thrown = true;
    }
    EXPECT_EQ(thrown, ending == Ending::Exception || ending == Ending::ExceptionAfterEnd);
    const bool endedEarly = ending == Ending::End || ending == Ending::ExceptionAfterEnd;
    EXPECT_EQ(m.CurrentID, endedEarly ? 5 : 3);
    ASSERT_EQ(m.L.size(), 2u) << "only the owners' edges are gone";
    EXPECT_EQ(m.L[0].ID, 3);
    EXPECT_EQ(m.L[1].X, 90);
    EXPECT_EQ(m.L[1].ID, kNoIndentOwner);
    ASSERT_EQ(m.R.size(), 1u);
    EXPECT_EQ(m.R[0].ID, 3);
  }
}

// ------------------------------------------------------------ image maps

namespace {

struct AreaSpec {
  std::string shape, coords, href;
  bool nohref = false;
};

TMapItem MakeMap(const std::vector<AreaSpec>& areas) {
  TMapItem map;
  for (const AreaSpec& a : areas) {
    TAttributeList list;
    if (!a.shape.empty()) list.Add(Attr(HtmlSymbol::Shape, "SHAPE", a.shape));
    list.Add(Attr(HtmlSymbol::Coords, "COORDS", a.coords));
    if (!a.href.empty()) list.Add(Attr(HtmlSymbol::Href, "HREF", a.href));
    if (a.nohref) list.Add(Attr(HtmlSymbol::NoHref, "NOHREF", ""));
    list.Add(Attr(HtmlSymbol::Target, "TARGET", "frame_" + a.href));
    list.Add(Attr(HtmlSymbol::Title, "TITLE", "title " + a.href));
    map.AddArea(list);
  }
  return map;
}

std::string HitAt(const TMapItem& map, int x, int y) {
  std::unique_ptr<TUrlTarget> target;
  std::string title;
  if (!map.GetURL(x, y, target, title)) return "-";
  EXPECT_EQ(target->Target, "frame_" + target->URL);
  EXPECT_EQ(title, "title " + target->URL);
  return target->URL;
}

}  // namespace

TEST(ImageMap, HitTests) {
  const TMapItem map = MakeMap({
      {"circle", "10,10,5", "circ.htm"},
      {"rect", "100,100,109,119", "rect.htm"},
      {"POLYGON", "200,0 240,0 200,40", "poly.htm"},
      {"rect", "300,0,350,50", "", true},      // NOHREF first ...
      {"rect", "300,0,350,50", "under.htm"},   // ... decides for this point
      {"", "400 0, 410 10", "default.htm"},   // no SHAPE: a rectangle
  });
  ASSERT_EQ(map.AreaCount(), 6);
  struct Probe {
    int x, y;
    const char* url;
  } probes[] = {
      {10, 10, "circ.htm"}, {5, 10, "circ.htm"}, {15, 10, "circ.htm"}, {10, 5, "circ.htm"},
      {10, 15, "circ.htm"}, {4, 10, "-"},        {16, 10, "-"},        {10, 16, "-"},
      {100, 100, "rect.htm"}, {109, 119, "rect.htm"}, {110, 119, "-"}, {109, 120, "-"},
      {205, 5, "poly.htm"}, {235, 35, "-"},
      {320, 20, "-"},
      {405, 5, "default.htm"}, {410, 10, "default.htm"}, {411, 10, "-"},
      {1000, 1000, "-"},
  };
  for (const Probe& p : probes) EXPECT_EQ(HitAt(map, p.x, p.y), p.url) << "(" << p.x << "," << p.y << ")";
}

TEST(ImageMap, AreasWithTooFewNumbersAreNotAdded) {
  const TMapItem map = MakeMap({
      {"circle", "10,10", "a"},
      {"rect", "1,2,3", "b"},
      {"poly", "1,2,3,4,5", "c"},
      {"poly", "0,0,10,0,0,10", "d"},
      {"circ", "", "e"},
  });
  EXPECT_EQ(map.AreaCount(), 1);
  EXPECT_EQ(HitAt(map, 2, 2), "d");
}

TEST(ImageMap, CoordsParsing) {
  struct Case {
    const char* text;
    std::vector<int> numbers;
  } cases[] = {
      {"1, 2 ,3,4", {1, 2, 3, 4}},
      {",, 5,6", {5, 6}},
      {"7,x,9", {7, 0, 9}},
      {"1.5,2", {0, 2}},
      {"", {}},
      {"  -3 , 4  ", {-3, 4}},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseAreaCoords(c.text), c.numbers) << c.text;
  std::string many;
  for (int i = 0; i < 400; ++i) many += std::to_string(i) + ",";
  const std::vector<int> kept = ParseAreaCoords(many);
  ASSERT_EQ(kept.size(), 301u);
  EXPECT_EQ(kept.back(), 300);
}

TEST(ImageMap, StopsAtAThousandAreas) {
  TMapItem map;
  for (int i = 0; i < 1005; ++i) {
    TAttributeList list;
    list.Add(Attr(HtmlSymbol::Coords, "COORDS", std::to_string(i) + ",0," + std::to_string(i) + ",0"));
    list.Add(Attr(HtmlSymbol::Href, "HREF", "a" + std::to_string(i)));
    map.AddArea(list);
  }
  EXPECT_EQ(map.AreaCount(), TMapItem::kMaxAreas);
  std::unique_ptr<TUrlTarget> target;
  std::string title;
  EXPECT_TRUE(map.GetURL(999, 0, target, title));
  EXPECT_EQ(target->URL, "a999");
  EXPECT_FALSE(map.GetURL(1000, 0, target, title)) << "the 1,001st area was ignored";
}

// ------------------------------------------------------------ attributes and links

TEST(AttributeList, FindLinesIdAndTitle) {
  TAttributeList list;
  list.Add(Attr(HtmlSymbol::Href, "href", "a.htm"));
  list.Add(Attr(HtmlSymbol::Id, "ID", "MyAnchor"));
  list.Add(Attr(HtmlSymbol::Href, "HREF", "second.htm"));
  TAttribute a;
  ASSERT_TRUE(list.Find(HtmlSymbol::Href, a));
  EXPECT_EQ(a.Name, "a.htm") << "the first with the symbol";
  EXPECT_FALSE(list.Find(HtmlSymbol::Src, a));
  EXPECT_EQ(list.CreateStringList(), (std::vector<std::string>{"href=a.htm", "ID=MyAnchor", "HREF=second.htm"}));
  EXPECT_EQ(list.GetID(), "myanchor");
  EXPECT_EQ(list.GetTitle(), "");
  list.Add(Attr(HtmlSymbol::Title, "title", "Tip Text"));
  EXPECT_EQ(list.GetTitle(), "Tip Text");
}

TEST(UrlTarget, AssignNumbersEveryLinkAndSetLastCoversItsPieces) {
  TAttributeList attrs;
  attrs.Add(Attr(HtmlSymbol::Href, "href", "x.htm"));
  attrs.Add(Attr(HtmlSymbol::Target, "target", "_top"));
  TUrlTarget a, b;
  a.Assign("x.htm", "_top", &attrs, 12);
  b.Assign("y.htm", "", nullptr, 40);
  EXPECT_EQ(b.ID, a.ID + 1);
  EXPECT_EQ(a.Start(), 12);
  EXPECT_EQ(a.Last(), -1);
  EXPECT_EQ(a.Attr, "href=x.htm\r\ntarget=_top\r\n");

  // Layout split link b over two runs; the list holds a, then b's pieces.
  TUrlTarget b1, b2;
  b1.Copy(b);
  b2.Copy(b);
  std::vector<TUrlTarget*> list{&a, &b1, &b2};
  b.SetLast(list, 55);
  EXPECT_EQ(b.Last(), 55);
  EXPECT_EQ(b1.Last(), 55);
  EXPECT_EQ(b2.Last(), 55);
  EXPECT_EQ(a.Last(), -1);

  b.Clear();
  EXPECT_EQ(b.URL, "");
  EXPECT_EQ(b.Start(), -1);
  EXPECT_EQ(b.Last(), -1);
}

// ------------------------------------------------------------ selected text

TEST(SelText, CountSkipsObjectMarkersAndBufferKeepsRoomForTheEnd) {
  const std::u16string text = u"ab\x02" u"c\x04" u"d\x08";
  SelTextCount count;
  count.AddText(text);
  EXPECT_EQ(count.Count(), 5) << "code 8 is counted";
  count.AddTextCR(u"e");
  EXPECT_EQ(count.Count(), 8);
  EXPECT_EQ(count.Terminate(), 9);

  char16_t big[16];
  SelTextBuf all(big, 16);
  all.AddText(text);
  all.AddTextCR(u"e");
  all.Terminate();
  EXPECT_EQ(std::u16string(big), u"abcde\r\n");

  char16_t small[5] = {u'#', u'#', u'#', u'#', u'#'};
  SelTextBuf buf(small, 5);
  buf.AddText(u"123456789");
  EXPECT_EQ(buf.Terminate(), 5);
  EXPECT_EQ(std::u16string(small), u"1234");
}

// ------------------------------------------------------------ named positions

namespace {
struct FakeDoc : TChPosLocator {
  bool FindDocPosY(int chPos, int& y) const override {
    if (chPos < 0) return false;
    y = chPos * 2;
    return true;
  }
};
}  // namespace

TEST(IDNameList, SortedReplacingAndAskingTheDocument) {
  FakeDoc doc;
  TIDNameList list(&doc);
  list.AddChPosObject("zeta", 10);
  list.AddChPosObject("alpha", 5);
  list.AddChPosObject("zeta", -4);  // replaces
  EXPECT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Names(), (std::vector<std::string>{"alpha", "zeta"}));
  EXPECT_EQ(list.Find("alpha")->YPosition(), 10);
  EXPECT_EQ(list.Find("zeta")->YPosition(), 0) << "position not found";
  EXPECT_EQ(list.Find("beta"), nullptr);
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
}

// ------------------------------------------------------------ parser buffers

TEST(ParserBuffers, TokenKeepsTheFirstByteIndexOfEveryCharacter) {
  TCharCollection c;
  c.Add("a\xC3\xA9" "b\xE2\x82\xAC" "\xF0\x9F\x98\x80", 100);   // a é b € 😀
  EXPECT_EQ(c.Size(), 11);
  TokenObj t;
  t.AddString(c, CP_UTF8);
  EXPECT_EQ(t.S(), u"a\u00E9b\u20AC\U0001F600");
  EXPECT_EQ(t.I(), (std::vector<int>{100, 101, 103, 104, 107, 107}));

  TokenObj w;
  TCharCollection d;
  d.Add("\x80x", 0);
  w.AddString(d, 1252);
  EXPECT_EQ(w.S(), u"\u20ACx");
  EXPECT_EQ(w.I(), (std::vector<int>{0, 1}));

  // A bad UTF-8 byte is one replacement character; nothing is lost after it.
  TokenObj bad;
  TCharCollection e;
  e.Add("\xC3(z", 7);
  bad.AddString(e, CP_UTF8);
  EXPECT_EQ(bad.S(), u"\uFFFD(z");
  EXPECT_EQ(bad.I(), (std::vector<int>{7, 8, 9}));

  TCharCollection f;
  f.Add('!', 1);
  c.Concat(f);
  EXPECT_EQ(c.AsString().back(), '!');
  EXPECT_EQ(c.Indices().back(), 1);
  c.Clear();
  t.Clear();
  EXPECT_EQ(c.Size(), 0);
  EXPECT_EQ(t.Leng(), 0);
}

TEST(ParserBuffers, GrowBeyondTheirFirstRoom) {
  TokenObj t;
  for (int i = 0; i < 1000; ++i) t.AddUnicodeChar(u'x', i);
  EXPECT_EQ(t.Leng(), 1000);
  EXPECT_EQ(t.I()[999], 999);
}

// ------------------------------------------------------------ text routines

TEST(WideText, Routines) {
  EXPECT_EQ(WidePos(u"lo", u"hello"), 4);
  EXPECT_EQ(WidePos(u"", u"hello"), 0);
  EXPECT_EQ(WidePos(u"x", u""), 0);
  EXPECT_EQ(WidePos(u"z", u"hello"), 0);
  EXPECT_EQ(PosIndex(u"l", u"hello", 4), 4);
  EXPECT_EQ(PosIndex(u"he", u"hello", 2), 0);
  EXPECT_EQ(WideScanFirst(u'l', u"hello"), 3);
  EXPECT_EQ(WideScanLast(u'l', u"hello"), 4);
  EXPECT_EQ(WideScanLast(u'q', u"hello"), 0);
  EXPECT_EQ(WideTrim(u" \t\x01 ab c\r\n"), u"ab c");
  EXPECT_EQ(WideTrim(u"   "), u"");
  EXPECT_EQ(WideToStrCP(u"\u20AC\u4E00", 1252), "\x80?");
  EXPECT_EQ(WideToStrCP(u"\u00E9", CP_UTF8), "\xC3\xA9");
  EXPECT_EQ(IntMin(3, -2), -2);
  EXPECT_EQ(IntMax(3, -2), 3);
}

TEST(UrlToDosPath, Conversions) {
  struct Case {
    const char* url;
    const char* path;
  } cases[] = {
      {"a%41b", "aAb"},
      {"%41b", "%41b"},                 // a percent sign at the start stops decoding
      {"a%4", "a%4"},                   // too few characters follow
      {"a%2541", "aA"},                 // a decoded percent sign is looked at again
      {"a%zz%41", "a%zz%41"},           // the first percent sign decides
      {"file:///C|/docs/a.htm", "C:/docs/a.htm"},
      {"FILE:///c:/x.htm", "c:/x.htm"},
      {"file://server/share/x.htm", "server/share/x.htm"},
      {"file:/D|/y.htm", "D:/y.htm"},
      {"file:///home/me/a%20b.htm", "/home/me/a b.htm"},   // a rooted path keeps its root
      {"docs/page.htm", "docs/page.htm"},
      {"file:x.htm", "file:x.htm"},     // no "/": left alone
  };
  for (const Case& c : cases) EXPECT_EQ(UrlToDosPath(c.url), c.path) << c.url;
}

TEST(UrlToDosPath, ServerRoot) {
  EXPECT_EQ(UrlToDosPathWithRoot(" /img/a.png ", "/srv/www"), "/srv/www/img/a.png");
  EXPECT_EQ(UrlToDosPathWithRoot("/img/a.png", "/srv/www/"), "/srv/www/img/a.png");
  EXPECT_EQ(UrlToDosPathWithRoot("//host/a.png", "/srv"), "//host/a.png");
  EXPECT_EQ(UrlToDosPathWithRoot("file:///C|/a.png", "/srv"), "C:/a.png");
  EXPECT_EQ(UrlToDosPathWithRoot("rel/a.png", "/srv"), "rel/a.png");
}

// ------------------------------------------------------------ border drawing

namespace {

constexpr Colour kRed = Rgb(200, 0, 0);
constexpr Colour kDarkRed = Rgb(150, 0, 0);
constexpr Colour kBack = Rgb(1, 2, 3);

struct BorderProbe {
  int x, y;
  Colour expected;
};

struct BorderCase {
  const char* name;
  BorderStyle style;
  std::vector<BorderProbe> probes;
};

// A 12-pixel border around (10, 10)-(70, 70), inner (22, 22)-(58, 58), on
// white; the background fills the inside.
Bitmap DrawBorder(BorderStyle style) {
  Bitmap b(80, 80, platform::clWhite);
  platform::Canvas canvas(&b.Image());
  DrawCssBorder(canvas, {10, 10, 70, 70}, {22, 22, 58, 58}, {kRed, kRed, kRed, kRed}, {style, style, style, style},
                kBack, false);
  return b;
}

class CssBorder : public ::testing::TestWithParam<BorderCase> {};

}  // namespace

TEST_P(CssBorder, PixelProbes) {
  const BorderCase& c = GetParam();
  const Bitmap b = DrawBorder(c.style);
  // Common to every style: the inside is the background, outside is untouched.
  EXPECT_EQ(b.Pixel(40, 40), kBack);
  EXPECT_EQ(b.Pixel(22, 22), kBack);
  EXPECT_EQ(b.Pixel(9, 40), platform::clWhite);
  EXPECT_EQ(b.Pixel(70, 40), platform::clWhite);
  EXPECT_EQ(b.Pixel(40, 70), platform::clWhite);
  for (const BorderProbe& p : c.probes)
    EXPECT_EQ(b.Pixel(p.x, p.y), p.expected) << c.name << " at (" << p.x << "," << p.y << ")";
}

INSTANTIATE_TEST_SUITE_P(
    Styles, CssBorder,
    ::testing::Values(
        BorderCase{"None", BorderStyle::None, {{40, 15, platform::clWhite}, {15, 40, platform::clWhite}}},
        BorderCase{"Solid", BorderStyle::Solid,
                   {{40, 10, kRed}, {40, 21, kRed}, {10, 40, kRed}, {69, 40, kRed}, {40, 69, kRed}, {10, 10, kRed},
                    {69, 69, kRed}}},
        BorderCase{"Inset", BorderStyle::Inset,
                   {{40, 15, kDarkRed}, {15, 40, kDarkRed}, {64, 40, kRed}, {40, 64, kRed}}},
        BorderCase{"Outset", BorderStyle::Outset,
                   {{40, 15, kRed}, {15, 40, kRed}, {64, 40, kDarkRed}, {40, 64, kDarkRed}}},
        BorderCase{"Groove", BorderStyle::Groove,
                   {{40, 11, kDarkRed}, {40, 20, kRed}, {11, 40, kDarkRed}, {20, 40, kRed}, {68, 40, kRed},
                    {59, 40, kDarkRed}, {40, 68, kRed}, {40, 59, kDarkRed}}},
        BorderCase{"Ridge", BorderStyle::Ridge,
                   {{40, 11, kRed}, {40, 20, kDarkRed}, {68, 40, kDarkRed}, {59, 40, kRed}}},
        BorderCase{"Double", BorderStyle::Double,
                   {{40, 10, kRed}, {40, 13, kRed}, {40, 14, platform::clWhite}, {40, 17, platform::clWhite},
                    {40, 18, kRed}, {40, 21, kRed}, {10, 40, kRed}, {15, 40, platform::clWhite}, {69, 40, kRed}}},
        // Dashes three widths (36) on, one width (12) off, from the outer corner.
        BorderCase{"Dashed", BorderStyle::Dashed,
                   {{10, 15, kRed}, {45, 15, kRed}, {46, 15, platform::clWhite}, {57, 15, platform::clWhite},
                    {58, 15, kRed}, {15, 46, platform::clWhite}}},
        BorderCase{"Dotted", BorderStyle::Dotted,
                   {{21, 15, kRed}, {22, 15, platform::clWhite}, {34, 15, kRed}, {15, 28, platform::clWhite}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CssBorderSides, EachSideHasItsOwnColourAndStyle) {
  Bitmap b(80, 80, platform::clWhite);
  platform::Canvas canvas(&b.Image());
  const platform::Pen pen = canvas.pen;
  DrawCssBorder(canvas, {10, 10, 70, 70}, {12, 14, 64, 62},
                {platform::clRed, platform::clLime, platform::clBlue, platform::SysColour(platform::COLOR_BTNSHADOW)},
                {BorderStyle::Solid, BorderStyle::Solid, BorderStyle::None, BorderStyle::Inset}, NoColorValue, false);
  EXPECT_EQ(b.Pixel(40, 11), platform::clRed);        // top, 4 pixels
  EXPECT_EQ(b.Pixel(66, 40), platform::clLime);       // right, 6 pixels
  EXPECT_EQ(b.Pixel(40, 65), platform::clWhite);      // bottom: none
  EXPECT_EQ(b.Pixel(10, 40), Rgb(120, 120, 120));     // left: system colour resolved, darkened
  EXPECT_EQ(b.Pixel(40, 40), platform::clWhite) << "no background";
  EXPECT_EQ(canvas.pen.style, pen.style) << "the canvas's pen is restored";
}

TEST(CssBorderSides, HugeCoordinatesAreLimited) {
  Bitmap b(50, 50, platform::clWhite);
  platform::Canvas canvas(&b.Image());
  const BorderStyle s = BorderStyle::Solid;
  DrawCssBorder(canvas, {-100000, 10, 100000, 40}, {-100000, 20, 100000, 30}, {kRed, kRed, kRed, kRed},
                {s, s, s, s}, NoColorValue, false);
  EXPECT_EQ(b.Pixel(25, 15), kRed);
  EXPECT_EQ(b.Pixel(25, 25), platform::clWhite);
  EXPECT_EQ(b.Pixel(25, 35), kRed);
}

TEST(RaisedRect, ThreeDBorders) {
  const Colour shadow = Rgb(0xA0, 0xA0, 0xA0), silver = platform::clSilver, white = platform::clWhite;
  struct Case {
    const char* name;
    int width;
    bool raised;
    Colour docBackground;
    bool mono;
    Colour top, bottom;   // probes at (20, 10) and (20, 29 - width / 2)
  } cases[] = {
      {"sunken, no background", 1, false, NoColorValue, false, shadow, silver},
      {"raised, window background", 1, true, platform::clWindow, false, silver, shadow},
      {"raised, coloured background", 1, true, platform::clYellow, false, white, shadow},
      {"monochrome print", 1, true, platform::clYellow, true, platform::clBlack, platform::clBlack},
      {"sunken, wide", 4, false, NoColorValue, false, Darker(shadow), silver},
      {"raised, wide", 4, true, NoColorValue, false, silver, Darker(shadow)},
  };
  for (const Case& c : cases) {
    Bitmap b(40, 40, Rgb(9, 9, 9));
    platform::Canvas canvas(&b.Image());
    RaisedRect(canvas, {5, 10, 35, 30}, c.width, c.raised, c.docBackground, c.mono);
    EXPECT_EQ(b.Pixel(20, 10), c.top) << c.name;
    EXPECT_EQ(b.Pixel(20, 29), c.bottom) << c.name;
    EXPECT_EQ(b.Pixel(20, 20), Rgb(9, 9, 9)) << c.name << ": the inside is left alone";
  }
}

TEST(FormControlFrame, FillAndEdges) {
  struct Case {
    const char* name;
    Colour colour;
    bool raised, mono;
    Colour inside, top, bottom, left, right;
  } cases[] = {
      {"sunken", NoColorValue, false, false, Rgb(0xF0, 0xF0, 0xF0), Rgb(0xA0, 0xA0, 0xA0), platform::clSilver,
       Rgb(0xA0, 0xA0, 0xA0), platform::clSilver},
      {"raised, coloured", platform::clYellow, true, false, platform::clYellow, platform::clSilver,
       Rgb(0xA0, 0xA0, 0xA0), platform::clSilver, Rgb(0xA0, 0xA0, 0xA0)},
      {"monochrome print", platform::clWhite, false, true, platform::clWhite, platform::clBlack, platform::clBlack,
       platform::clBlack, platform::clBlack},
  };
  for (const Case& c : cases) {
    Bitmap b(40, 40, Rgb(9, 9, 9));
    platform::Canvas canvas(&b.Image());
    FormControlRect(canvas, {10, 10, 30, 30}, c.colour, c.raised, c.mono);
    EXPECT_EQ(b.Pixel(20, 20), c.inside) << c.name;
    EXPECT_EQ(b.Pixel(20, 10), c.top) << c.name;
    EXPECT_EQ(b.Pixel(20, 29), c.bottom) << c.name;
    EXPECT_EQ(b.Pixel(10, 20), c.left) << c.name;
    EXPECT_EQ(b.Pixel(29, 20), c.right) << c.name;
    EXPECT_EQ(b.Pixel(20, 11), c.mono ? c.inside : c.top) << c.name << ": 1 pixel on a monochrome printer";
    EXPECT_EQ(b.Pixel(9, 20), Rgb(9, 9, 9)) << c.name;
  }
}

TEST(FillRectColor, KeepsTheBrush) {
  Bitmap b(10, 10, platform::clWhite);
  platform::Canvas canvas(&b.Image());
  canvas.brush.color = platform::clBlue;
  FillRectColor(canvas, {2, 2, 5, 5}, platform::clRed);
  EXPECT_EQ(b.Pixel(4, 4), platform::clRed);
  EXPECT_EQ(b.Pixel(5, 5), platform::clWhite);
  EXPECT_EQ(canvas.brush.color, platform::clBlue);
}

// ------------------------------------------------------------ printing routines

TEST(PrintRoutines, ClipRectangleInDeviceUnits) {
  TDeviceMapping plain;
  plain.windowOrg = {5, 100};
  EXPECT_EQ(PrintClipDeviceRect({10, 110, 20, 120}, plain), (Rect{5, 10, 15, 20}));
  TDeviceMapping scaled = plain;
  scaled.scaled = true;
  scaled.windowExtX = scaled.windowExtY = 96;
  scaled.viewportExtX = scaled.viewportExtY = 600;
  EXPECT_EQ(PrintClipDeviceRect({10, 110, 20, 120}, scaled), (Rect{31, 63, 94, 125}));

  Bitmap b(30, 30, platform::clWhite);
  platform::Canvas canvas(&b.Image());
  canvas.IntersectClipRect({0, 0, 12, 30});
  AddPrintClip(canvas, {5, 105, 20, 115}, plain);  // device (0,5)-(15,15), combined with x < 12
  canvas.FillRect({0, 0, 30, 30}, platform::clRed);
  EXPECT_EQ(b.Pixel(0, 5), platform::clRed);
  EXPECT_EQ(b.Pixel(11, 14), platform::clRed);
  EXPECT_EQ(b.Pixel(12, 10), platform::clWhite);
  EXPECT_EQ(b.Pixel(5, 4), platform::clWhite);
  EXPECT_EQ(b.Pixel(5, 15), platform::clWhite);
}

TEST(PrintRoutines, BitmapsStretchedAndTransparentPartsLeftAlone) {
  Bitmap src(2, 1, platform::clRed);
  src.SetPixel(1, 0, platform::clBlue, 0);  // transparent
  Bitmap page(20, 10, platform::clLime);
  {
    platform::Canvas canvas(&page.Image());
    PrintBitmap(canvas, 0, 0, 20, 5, src);
    PrintTransparentBitmap(canvas, 0, 5, 20, 5, src);
  }
  EXPECT_EQ(page.Pixel(2, 2), platform::clRed);
  EXPECT_NE(page.Pixel(15, 2), platform::clLime) << "printing replaces what is under the bitmap";
  EXPECT_EQ(page.Pixel(2, 7), platform::clRed);
  EXPECT_EQ(page.Pixel(15, 7), platform::clLime);

  // With a mask: white is transparent.
  Bitmap mask(2, 1, platform::clBlack);
  mask.SetPixel(0, 0, platform::clWhite);
  Bitmap opaque(2, 1, platform::clBlue);
  Bitmap page2(20, 10, platform::clLime);
  {
    platform::Canvas canvas(&page2.Image());
    PrintTransparentBitmap(canvas, 0, 0, 20, 10, opaque, &mask);
  }
  EXPECT_EQ(page2.Pixel(3, 3), platform::clLime);
  EXPECT_EQ(page2.Pixel(15, 3), platform::clBlue);
}

TEST(PrintRoutines, TileBitmapEnlargesOnePixelSides) {
  struct Case {
    int w, h, reqW, reqH, outW, outH;
  } cases[] = {
      {1, 1, 50, 500, 50, 100},
      {1, 8, 30, 30, 30, 8},
      {6, 1, 30, 0, 6, 1},
      {6, 7, 30, 30, 6, 7},
  };
  for (const Case& c : cases) {
    Bitmap src(c.w, c.h, platform::clRed);
    const Bitmap t = GetTileBitmap(src, c.reqW, c.reqH);
    EXPECT_EQ(t.Width(), c.outW);
    EXPECT_EQ(t.Height(), c.outH);
    EXPECT_EQ(t.Pixel(t.Width() - 1, t.Height() - 1), platform::clRed);
  }
  EXPECT_TRUE(GetTileBitmap(Bitmap(), 5, 5).IsNull());
}

// A small picture becomes a larger tile of whole copies of itself, as far
// as the request and 100 pixels allow; a side that is large already, or a
// request no larger than the picture (an axis that does not repeat), stays.
TEST(PrintRoutines, RepeatedTileHoldsWholeCopiesOfTheSamePixels) {
  struct Case {
    int w, h, reqW, reqH, outW, outH;
  } cases[] = {
      {1, 1, 800, 600, 100, 100}, {1, 1, 40, 0, 40, 1},   {3, 2, 800, 600, 99, 100},
      {7, 1, 30, 600, 28, 100},   {2, 9, 0, 600, 2, 99},  {150, 1, 800, 600, 150, 100},
      {150, 120, 800, 600, 150, 120},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.w) + " x " + std::to_string(c.h));
    Bitmap src(c.w, c.h, platform::clRed);
    for (int y = 0; y < c.h; ++y)
      for (int x = 0; x < c.w; ++x) src.SetPixel(x, y, static_cast<platform::Colour>(x * 0x010203 + y * 0x300000), 128 + (x + y) % 128);
    const Bitmap t = RepeatedTile(src, c.reqW, c.reqH);
    ASSERT_EQ(t.Width(), c.outW);
    ASSERT_EQ(t.Height(), c.outH);
    int wrong = 0;
    for (int y = 0; y < t.Height(); ++y)
      for (int x = 0; x < t.Width(); ++x)
        if (t.Pixel(x, y) != src.Pixel(x % c.w, y % c.h) || t.Alpha(x, y) != src.Alpha(x % c.w, y % c.h)) ++wrong;
    EXPECT_EQ(wrong, 0);
  }
  EXPECT_TRUE(RepeatedTile(Bitmap(), 5, 5).IsNull());
}
