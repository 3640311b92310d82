#include "htmlview/layout/blocks.h"
#include "htmlview/layout/listitems.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "htmlview/images/imagemodule.h"
#include "htmlview/images/pngcodec.h"
#include "htmlview/layout/docroot.h"
#include "htmlview/layout/simplesections.h"
#include "htmlview/layout/tables.h"
#include "htmlview/layout/tests/fixedsection.h"
#include "htmlview/parse/attributes.h"
#include "htmlview/style/styleprops.h"
#include "platform/image.h"

using namespace htmlview;
using htmlview::testing::AddFixed;
using htmlview::testing::FixedSection;
using platform::Bitmap;
using platform::Colour;
using platform::Rect;

namespace {

using Style = std::initializer_list<std::pair<int, PropValue>>;

class BlockTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitVocabulary();
    InitStyleProps();
    InitPngModule();
    InitImageModule();
  }

  // A property set for tag with the given values.
  static std::unique_ptr<TProperties> Props(const std::string& tag, Style style = {}) {
    auto p = std::make_unique<TProperties>();
    p->PropTag = tag;
    for (const auto& [index, value] : style) {
      p->Props[index] = value;
      p->Originals[index] = true;
    }
    return p;
  }
  // A block of tag in cell holding one fixed section (height 0: none).
  TBlock* Block(TCellBasic& cell, const std::string& tag, Style style, int minW = 10,
                int maxW = 10, int height = 20) {
    auto prop = Props(tag, style);
    auto block = std::make_unique<TBlock>(&doc, *prop, &cell, nullptr);
    if (height > 0) AddFixed(block->MyCell, minW, maxW, height);
    TBlock* raw = block.get();
    cell.Add(std::move(block), 0);
    return raw;
  }
  static FixedSection* Content(TBlock* b, int i = 0) {
    return static_cast<FixedSection*>((b->MyCell)[i]);
  }
  int Layout(int width = 600) {
    int maxWidth = 0, curs = 0;
    return doc.Layout(canvas, 0, width, 0, 0, maxWidth, curs);
  }
  Bitmap Draw(int width = 600, int height = 300) {
    Bitmap image(width, height, platform::clWhite);
    platform::Canvas c(&image.Image());
    TDrawContext context;
    doc.Draw(c, context, {0, 0, width, height}, width, 0, 0, 0, 0);
    return image;
  }

  TSectionList doc{nullptr, nullptr};
  Bitmap scratch{10, 10};
  platform::Canvas canvas{&scratch.Image()};
};

}  // namespace

// --------------------------------------------------------- margin collapse

TEST_F(BlockTest, SiblingMarginsCollapse) {
  struct Case {
    int bottom, top, gap;
  };
  const Case cases[] = {{10, 20, 20}, {20, 10, 20}, {-5, 20, 15}, {5, -20, -15}, {-5, -20, -20}};
  for (const Case& c : cases) {
    doc.Clear();
    TBlock* first = Block(doc, "p", {{PropMarginBottom, PropValue(c.bottom)}});
    TBlock* second = Block(doc, "p", {{PropMarginTop, PropValue(c.top)}});
    Layout();
    EXPECT_EQ(Content(second)->LaidY - (Content(first)->LaidY + 20), c.gap)
        << c.bottom << " / " << c.top;
  }
}

// Every block asks for the width range of all it holds; nested blocks must
// not walk their content once for each block around them, and what they
// worked out holds only for the layout it was worked out in.
TEST_F(BlockTest, NestedBlocksAskForTheirContentsWidthOncePerLayout) {
  constexpr int depth = 40;
  TCellBasic* cell = &doc;
  TBlock* innermost = nullptr;
  for (int i = 0; i < depth; ++i) {
    innermost = Block(*cell, "div", {{PropFloat, "left"}}, 0, 0, i + 1 == depth ? 20 : 0);
    cell = &innermost->MyCell;
  }
  FixedSection* leaf = Content(innermost);
  leaf->MinW = leaf->MaxW = 120;
  Layout();
  EXPECT_LE(leaf->WidthRanges, 2);
  EXPECT_EQ(leaf->LaidWidth, 120);   // the floats shrink to their content

  // A later layout asks again and sees what changed.
  leaf->WidthRanges = 0;
  leaf->MinW = leaf->MaxW = 200;
  Layout();
  EXPECT_GE(leaf->WidthRanges, 1);
  EXPECT_LE(leaf->WidthRanges, 2);
  EXPECT_EQ(leaf->LaidWidth, 200);
}

TEST_F(BlockTest, DefaultMarginsFirstChildAndEmptyBlocks) {
  // A default margin at the top of a cell is dropped; the default margin
  // between two blocks is 14.
  TBlock* first = Block(doc, "p", {{PropMarginTop, PropValue(DefaultMargin)},
                                   {PropMarginBottom, PropValue(DefaultMargin)}});
  TBlock* second = Block(doc, "p", {{PropMarginTop, PropValue(DefaultMargin)}});
  // An empty block keeps its own top margin; its bottom margin is taken
  // over by the block after it.
  TBlock* empty = Block(doc, "div", {{PropMarginTop, PropValue(10)}, {PropMarginBottom, PropValue(30)}},
                        0, 0, 0);
  TBlock* after = Block(doc, "p", {{PropMarginTop, PropValue(12)}});
  Layout();
  EXPECT_EQ(Content(first)->LaidY, 0);
  EXPECT_EQ(Content(second)->LaidY, 20 + 14);
  EXPECT_EQ(empty->SectionHeight, 10);
  EXPECT_EQ(Content(after)->LaidY, 54 + 10 + 30);

  // The first block inside the body gives up what the body's own top margin
  // already gives.
  doc.Clear();
  auto bodyProp = Props("body", {{PropMarginTop, PropValue(8)}});
  auto body = std::make_unique<TBodyBlock>(&doc, *bodyProp, &doc, nullptr);
  TBodyBlock* b = body.get();
  doc.Add(std::move(body), 0);
  TBlock* child = Block(b->MyCell, "h1", {{PropMarginTop, PropValue(20)}});
  Layout();
  EXPECT_EQ(Content(child)->LaidY, 8 + 12);
}

TEST_F(BlockTest, CheckLastBottomMarginDropsTheDefaultMargin) {
  TBlock* inner = Block(doc, "p", {{PropMarginBottom, PropValue(DefaultMargin)}});
  EXPECT_TRUE(doc.CheckLastBottomMargin());
  EXPECT_EQ(inner->MargArrayO[PropMarginBottom], PropValue(0));
  EXPECT_FALSE(doc.CheckLastBottomMargin());
  inner->SetDefaultBottomMargin();
  EXPECT_TRUE(inner->DropDefaultBottomMargin());
}

// ------------------------------------------------------------------ widths

TEST_F(BlockTest, FixedWidthBlockIsCentredOrRightAligned) {
  TBlock* plain = Block(doc, "div", {{PropWidth, PropValue(200)}, {PropTextAlign, PropValue("center")}});
  TBlock* boxed = Block(doc, "div", {{PropWidth, PropValue(200)},
                                     {PropTextAlign, PropValue("center")},
                                     {PropPaddingLeft, PropValue(5)},
                                     {PropPaddingRight, PropValue(5)},
                                     {PropBorderLeftStyle, PropValue("solid")},
                                     {PropBorderLeftWidth, PropValue(5)},
                                     {PropBorderRightStyle, PropValue("solid")},
                                     {PropBorderRightWidth, PropValue(5)}});
  TBlock* right = Block(doc, "div", {{PropWidth, PropValue(200)}, {PropTextAlign, PropValue("right")}});
  Layout();
  EXPECT_EQ(plain->MargArray[PropMarginLeft], 200);
  EXPECT_EQ(plain->MargArray[PropMarginRight], 200);
  EXPECT_EQ(Content(plain)->LaidX, 200);
  EXPECT_EQ(boxed->MargArray[PropMarginLeft], 190);
  EXPECT_EQ(Content(boxed)->LaidX, 200);
  EXPECT_EQ(right->MargArray[PropMarginLeft], 400);
  EXPECT_EQ(Content(right)->LaidWidth, 200);
}

TEST_F(BlockTest, AutoMarginsAndWidths) {
  TBlock* autoBoth = Block(doc, "div", {{PropWidth, PropValue(100)},
                                        {PropMarginLeft, PropValue("auto")},
                                        {PropMarginRight, PropValue("auto")}});
  TBlock* autoLeft = Block(doc, "div", {{PropWidth, PropValue(100)}, {PropMarginLeft, PropValue("auto")}});
  TBlock* fill = Block(doc, "div", {{PropMarginLeft, PropValue(30)}}, 50, 400);
  TBlock* tooNarrow = Block(doc, "div", {{PropWidth, PropValue(20)}}, 50, 80);
  Layout();
  EXPECT_EQ(Content(autoBoth)->LaidX, 250);
  EXPECT_EQ(Content(autoLeft)->LaidX, 500);
  EXPECT_EQ(fill->NewWidth, 570);
  EXPECT_EQ(Content(fill)->LaidX, 30);
  EXPECT_EQ(tooNarrow->NewWidth, 50);   // never below the content's minimum

  int mn = 0, mx = 0;
  fill->WidthRange(canvas, mn, mx);
  EXPECT_EQ(mn, 80);
  EXPECT_EQ(mx, 430);
}

// ------------------------------------------------------------------ floats

TEST_F(BlockTest, FloatsShrinkToTheirContentAndTextFlowsBeside) {
  TBlock* left = Block(doc, "div", {{PropFloat, PropValue("left")}, {PropMarginRight, PropValue(10)}},
                       30, 120, 50);
  TBlock* right = Block(doc, "div", {{PropFloat, PropValue("right")}}, 30, 100, 80);
  FixedSection* text = AddFixed(doc, 10, 300, 20);
  TBlock* normal = Block(doc, "div", {}, 30, 120, 20);
  Layout();
  EXPECT_EQ(left->NewWidth, 120);
  EXPECT_EQ(left->SectionHeight, 0);   // floats take no room in the flow
  EXPECT_EQ(right->NewWidth, 100);
  EXPECT_EQ(Content(right)->LaidX, 500);
  // The text beside them starts after the left float and its margin and
  // ends at the right float.
  EXPECT_EQ(text->LaidY, 0);
  EXPECT_EQ(text->LaidLeft, 130);
  EXPECT_EQ(text->LaidRight, 500);
  EXPECT_EQ(normal->NewWidth, 600);
  // The document is as tall as the taller float.
  EXPECT_EQ(doc.Layout(canvas, 0, 600, 0, 0, *std::make_unique<int>(0), *std::make_unique<int>(0)), 80);
}

TEST_F(BlockTest, ClearMovesBelowTheFloats) {
  Block(doc, "div", {{PropFloat, PropValue("left")}}, 30, 120, 100);
  Block(doc, "div", {{PropFloat, PropValue("right")}}, 30, 120, 60);
  TBlock* clearRight = Block(doc, "p", {{PropClear, PropValue("right")}});
  Layout();
  EXPECT_EQ(Content(clearRight)->LaidY, 60);
  doc.Clear();
  Block(doc, "div", {{PropFloat, PropValue("left")}}, 30, 120, 100);
  TBlock* clearBoth = Block(doc, "p", {{PropClear, PropValue("both")}});
  TBlock* none = Block(doc, "p", {});
  Layout();
  EXPECT_EQ(clearBoth->ClearAddon, 100);
  EXPECT_EQ(Content(clearBoth)->LaidY, 100);
  EXPECT_EQ(Content(none)->LaidY, 120);
  EXPECT_EQ(Content(none)->LaidLeft, 0);   // the float has ended
}

// --------------------------------------------------------------- positioning

TEST_F(BlockTest, RelativeAndAbsolutePositioning) {
  TBlock* rel = Block(doc, "div", {{PropPosition, PropValue("relative")},
                                   {PropLeft, PropValue(10)},
                                   {PropTop, PropValue(5)}},
                      10, 40, 20);
  TBlock* abs = Block(doc, "div", {{PropPosition, PropValue("absolute")},
                                   {PropLeft, PropValue(300)},
                                   {PropTop, PropValue(100)},
                                   {PropWidth, PropValue(50)}},
                      10, 40, 30);
  TBlock* after = Block(doc, "div", {}, 10, 40, 20);
  Content(rel)->Paint = platform::clRed;
  Content(abs)->Paint = platform::clBlue;
  const int height = Layout();
  // Relative: laid out in place, drawn moved. Absolute: out of the flow.
  EXPECT_EQ(Content(rel)->LaidY, 0);
  EXPECT_EQ(Content(after)->LaidY, 20);
  EXPECT_EQ(height, 40);
  EXPECT_EQ(abs->SectionHeight, 0);
  EXPECT_EQ(Content(abs)->LaidX, 300);
  EXPECT_EQ(Content(abs)->LaidY, 100);
  EXPECT_EQ(abs->NewWidth, 50);
  EXPECT_TRUE(abs->IsAbsolutePositioned());
  int mn = -1, mx = -1;
  abs->WidthRange(canvas, mn, mx);
  EXPECT_EQ(mn, 0);
  EXPECT_EQ(mx, 0);

  const Bitmap image = Draw();
  EXPECT_EQ(image.Pixel(10, 5), platform::clRed);
  EXPECT_EQ(image.Pixel(9, 5), platform::clWhite);
  EXPECT_EQ(image.Pixel(10, 4), platform::clWhite);
  EXPECT_EQ(image.Pixel(300, 100), platform::clBlue);
  EXPECT_EQ(image.Pixel(299, 100), platform::clWhite);
}

TEST_F(BlockTest, DrawListPutsNegativeZFirstAndPositiveLast) {
  auto prop = Props("div");
  auto outer = std::make_unique<TBlock>(&doc, *prop, &doc, nullptr);
  TBlock* o = outer.get();
  doc.Add(std::move(outer), 0);
  TBlock* up = Block(o->MyCell, "div", {{PropPosition, PropValue("relative")}, {PropZIndex, PropValue(2)}});
  TBlock* plain = Block(o->MyCell, "div", {});
  TBlock* down = Block(o->MyCell, "div", {{PropPosition, PropValue("relative")}, {PropZIndex, PropValue(-1)}});
  Layout();
  EXPECT_EQ(o->DrawOrder(), (std::vector<TSectionBase*>{down, plain, up}));
  EXPECT_EQ(up->OwnerBlock, o);
}

// Blocks of one style share their resolved values once laid out; each still
// resolves its own, however they nest and at whatever width the page is
// laid out again.
TEST_F(BlockTest, BlocksOfOneStyleResolveTheirOwnWidths) {
  const Style style = {{PropMarginLeft, PropValue(10)}};
  TBlock* outer = Block(doc, "div", style, 10, 10, 0);
  TBlock* middle = Block(outer->MyCell, "div", style, 10, 10, 0);
  TBlock* inner = Block(middle->MyCell, "div", style);
  TBlock* sibling = Block(doc, "div", style);
  for (int width : {600, 400, 600}) {
    SCOPED_TRACE(width);
    Layout(width);
    EXPECT_EQ(outer->MargArray[PropWidth], width - 10);
    EXPECT_EQ(middle->MargArray[PropWidth], width - 20);
    EXPECT_EQ(inner->MargArray[PropWidth], width - 30);
    EXPECT_EQ(sibling->MargArray[PropWidth], width - 10);
    for (TBlock* b : {outer, middle, inner, sibling}) EXPECT_EQ(b->MargArray[PropMarginLeft], 10);
    EXPECT_EQ(Content(inner)->SectionTop, 0);
  }
}

TEST_F(BlockTest, DrawOrderWithoutZIndexIsTheContentsOwn) {
  auto prop = Props("div");
  auto outer = std::make_unique<TBlock>(&doc, *prop, &doc, nullptr);
  TBlock* o = outer.get();
  doc.Add(std::move(outer), 0);
  TBlock* first = Block(o->MyCell, "div", {});
  TBlock* second = Block(o->MyCell, "div", {{PropPosition, PropValue("relative")}});
  TBlock* third = Block(o->MyCell, "div", {});
  Layout();
  EXPECT_EQ(o->DrawOrder(), (std::vector<TSectionBase*>{first, second, third}));
  EXPECT_EQ(third->OwnerBlock, o);
}

// ------------------------------------------------------- display, overflow

TEST_F(BlockTest, DisplayNoneTakesNoSpaceAndHiddenDrawsNothing) {
  TBlock* gone = Block(doc, "div", {{PropDisplay, PropValue("none")}});
  TBlock* hidden = Block(doc, "div", {{PropVisibility, PropValue(1)}});
  TBlock* shown = Block(doc, "div", {});
  Content(hidden)->Paint = platform::clRed;
  Content(gone)->Paint = platform::clRed;
  Layout();
  EXPECT_EQ(gone->SectionHeight, 0);
  EXPECT_EQ(Content(hidden)->LaidY, 0);
  EXPECT_EQ(Content(shown)->LaidY, 20);
  EXPECT_EQ(gone->FindForward(0, u"x", false), -1);
  const Bitmap image = Draw();
  EXPECT_EQ(image.Pixel(5, 5), platform::clWhite);
}

TEST_F(BlockTest, BackgroundBorderAndOverflow) {
  TBlock* b = Block(doc, "div", {{PropBackgroundColor, PropValue::FromColour(platform::clYellow)},
                                 {PropWidth, PropValue(100)},
                                 {PropHeight, PropValue(30)},
                                 {PropOverflow, PropValue("hidden")},
                                 {PropMarginTop, PropValue(10)},
                                 {PropMarginLeft, PropValue(10)},
                                 {PropPaddingLeft, PropValue(4)},
                                 {PropBorderTopStyle, PropValue("solid")},
                                 {PropBorderTopWidth, PropValue(2)},
                                 {PropBorderTopColor, PropValue::FromColour(platform::clRed)},
                                 {PropBorderLeftStyle, PropValue("solid")},
                                 {PropBorderLeftWidth, PropValue(2)},
                                 {PropBorderLeftColor, PropValue::FromColour(platform::clRed)}},
                      10, 400, 60);
  Content(b)->Paint = platform::clBlue;
  Layout();
  EXPECT_TRUE(b->HideOverflow);
  EXPECT_EQ(b->SectionHeight, 10 + 2 + 30);
  const Bitmap image = Draw();
  EXPECT_EQ(image.Pixel(11, 10), platform::clRed);     // top border
  EXPECT_EQ(image.Pixel(10, 20), platform::clRed);     // left border
  EXPECT_EQ(image.Pixel(13, 20), platform::clYellow);  // padding
  EXPECT_EQ(image.Pixel(16, 20), platform::clBlue);    // content
  EXPECT_EQ(image.Pixel(16, 41), platform::clBlue);
  EXPECT_EQ(image.Pixel(16, 42), platform::clWhite);   // clipped below the box
  EXPECT_EQ(image.Pixel(117, 20), platform::clWhite);  // and to its right
}

// --------------------------------------------------------------- list items

TEST_F(BlockTest, MarkerTexts) {
  using S = TListStyle;
  struct Case {
    S style;
    int number;
    std::u16string text;
  };
  const Case cases[] = {
      {S::Decimal, 1, u"1."},          {S::Decimal, 1234, u"1234."},
      {S::LowerAlpha, 1, u"a."},       {S::LowerAlpha, 26, u"z."},
      {S::LowerAlpha, 27, u"aa."},     {S::LowerAlpha, 52, u"az."},
      {S::LowerAlpha, 703, u"aaa."},   {S::UpperAlpha, 28, u"AB."},
      {S::LowerRoman, 4, u"iv."},      {S::LowerRoman, 20, u"xx."},
      {S::LowerRoman, 21, u"xxi."},    {S::UpperRoman, 1994, u"MCMXCIV."},
      {S::UpperRoman, 3999, u"MMMCMXCIX."}, {S::UpperRoman, 4000, u"4000."},
      {S::LowerAlpha, 0, u"0."},       {S::LowerRoman, -3, u"-3."},
      {S::Disc, 5, u""},               {S::None, 5, u""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ListMarkerText(c.style, c.number), c.text)
        << static_cast<int>(c.style) << " " << c.number;
}

TEST_F(BlockTest, ListStylesFromListKindNestingAndStyle) {
  using S = TListStyle;
  struct Case {
    HtmlSymbol list;
    bool plain;
    char type;
    int level;
    std::string styleType;
    S expected;
  };
  const Case cases[] = {
      {HtmlSymbol::UL, false, '1', 1, "", S::Disc},     {HtmlSymbol::UL, false, '1', 2, "", S::Circle},
      {HtmlSymbol::UL, false, '1', 3, "", S::Square},   {HtmlSymbol::Menu, false, '1', 4, "", S::Disc},
      {HtmlSymbol::UL, true, '1', 1, "", S::None},      {HtmlSymbol::OL, false, '1', 1, "", S::Decimal},
      {HtmlSymbol::OL, false, 'a', 1, "", S::LowerAlpha}, {HtmlSymbol::OL, false, 'A', 1, "", S::UpperAlpha},
      {HtmlSymbol::OL, false, 'i', 1, "", S::LowerRoman}, {HtmlSymbol::OL, false, 'I', 1, "", S::UpperRoman},
      {HtmlSymbol::OL, false, '1', 1, "square", S::Square}, {HtmlSymbol::P, false, '1', 0, "", S::Disc},
  };
  for (const Case& c : cases) {
    auto prop = Props("li");
    if (!c.styleType.empty()) prop->Props[PropListStyleType] = PropValue(c.styleType);
    TBlockLI li(&doc, *prop, &doc, c.list, HtmlSymbol::LI, c.plain, c.type, 3, c.level, nullptr);
    EXPECT_EQ(li.ListStyleType, c.expected) << c.type << c.level << c.styleType;
  }
  auto prop = Props("li");
  TBlockLI outside(&doc, *prop, &doc, HtmlSymbol::P, HtmlSymbol::LI, false, '1', 1, 0, nullptr);
  EXPECT_EQ(outside.ListType, TListType::Outside);
  EXPECT_EQ(outside.MargArrayO[PropMarginLeft], PropValue(16));
  TBlockLI dl(&doc, *prop, &doc, HtmlSymbol::DL, HtmlSymbol::DD, false, '1', 1, 0, nullptr);
  EXPECT_EQ(dl.ListType, TListType::Definition);
}

TEST_F(BlockTest, MarkersAreDrawnLeftOfTheFirstLine) {
  // Four items 40 pixels indented; the first line's baseline 15 below its top.
  const std::pair<HtmlSymbol, char> kinds[] = {
      {HtmlSymbol::UL, '1'}, {HtmlSymbol::UL, '1'}, {HtmlSymbol::UL, '1'}, {HtmlSymbol::OL, 'i'}};
  std::vector<TBlockLI*> items;
  for (int i = 0; i < 4; ++i) {
    auto prop = Props("li", {{PropMarginLeft, PropValue(40)}, {PropColor, PropValue::FromColour(platform::clBlack)}});
    prop->Props[PropFontSize] = PropValue(12.0);
    auto li = std::make_unique<TBlockLI>(&doc, *prop, &doc, kinds[i].first, HtmlSymbol::LI, false,
                                         kinds[i].second, 21, i + 1, nullptr);
    AddFixed(li->MyCell, 10, 10, 20)->Baseline = 15;
    items.push_back(li.get());
    doc.Add(std::move(li), 0);
  }
  Layout();
  EXPECT_EQ(items[0]->FirstLineHt, 15);
  EXPECT_EQ(items[3]->FirstLineHt, 75);
  const Bitmap image = Draw(200, 100);
  // Disc: filled 5 x 5 from x 25, bottom one pixel above the baseline.
  EXPECT_EQ(image.Pixel(27, 11), platform::clBlack);
  EXPECT_EQ(image.Pixel(27, 15), platform::clWhite);
  // Circle: an outline 7 wide from x 24, hollow in the middle.
  EXPECT_EQ(image.Pixel(27, 32), platform::clWhite);
  bool ring = false;
  for (int x = 24; x < 31; ++x) ring = ring || image.Pixel(x, 34) == platform::clBlack;
  EXPECT_TRUE(ring);
  // Square: filled from (25, 49) to (30, 54).
  EXPECT_EQ(image.Pixel(25, 49), platform::clBlack);
  EXPECT_EQ(image.Pixel(29, 53), platform::clBlack);
  EXPECT_EQ(image.Pixel(30, 53), platform::clWhite);
  // "xxi." right-aligned 10 pixels left of the content: ink left of x 30.
  int inkLeft = 200, inkRight = -1;
  for (int y = 60; y < 78; ++y)
    for (int x = 0; x < 40; ++x)
      if (image.Pixel(x, y) != platform::clWhite) {
        inkLeft = std::min(inkLeft, x);
        inkRight = std::max(inkRight, x);
      }
  EXPECT_LT(inkRight, 30);
  EXPECT_GT(inkRight, 20);
  EXPECT_LT(inkLeft, inkRight - 10);   // wider than one letter: the numeral of 21
}

// -------------------------------------------------------------- table blocks

namespace {

// A table of one row of cells with fixed content (min, max).
std::unique_ptr<ThtmlTable> FixedTable(TSectionListBase* doc, const TAttributeList* attrs,
                                       std::vector<std::pair<int, int>> cells) {
  auto table = std::make_unique<ThtmlTable>(doc, attrs, nullptr);
  TCellList* row = table->AddRow(std::make_unique<TCellList>(nullptr, nullptr));
  for (auto [mn, mx] : cells) {
    auto cell = std::make_unique<TCellObj>(doc, TVAlign::Middle, nullptr, nullptr);
    AddFixed(*cell->Cell, mn, mx, 20);
    row->Add(std::move(cell));
  }
  return table;
}

std::unique_ptr<TAttributeList> Attrs(
    std::initializer_list<std::tuple<HtmlSymbol, int, std::string>> list) {
  auto attrs = std::make_unique<TAttributeList>();
  for (const auto& [which, value, name] : list) attrs->Add(TAttribute(which, "", value, name));
  return attrs;
}

}  // namespace

// A table first in a list item gives the item its baseline (the table's
// bottom) in a bare section list as in a whole document: the item and the
// table meet through their root's layout context, which every root has.
TEST_F(BlockTest, ATableGivesAListItemItsBaselineInABareListToo) {
  TSectionListBase bare;
  std::vector<int> baselines;
  for (TSectionListBase* root : {static_cast<TSectionListBase*>(&doc), &bare}) {
    auto prop = Props("li", {{PropMarginLeft, PropValue(40)}});
    auto li = std::make_unique<TBlockLI>(root, *prop, root, HtmlSymbol::UL, HtmlSymbol::LI, false,
                                         '1', 1, 1, nullptr);
    auto tableProp = Props("table");
    li->MyCell.Add(std::make_unique<TTableBlock>(root, *tableProp, &li->MyCell,
                                                 FixedTable(root, nullptr, {{30, 30}}), nullptr),
                   0);
    TBlockLI* item = li.get();
    root->Add(std::move(li), 0);
    int maxWidth = 0, curs = 0;
    root->Layout(canvas, 0, 400, 0, 0, maxWidth, curs);
    baselines.push_back(item->FirstLineHt);
  }
  ASSERT_EQ(baselines.size(), 2u);
  EXPECT_GT(baselines[0], 20);
  EXPECT_EQ(baselines[1], baselines[0]);
}

// A layout stopped part way (memory running out, a progress handler that
// gives up) inside a list item and the rows of a table it holds leaves the
// document's layout context as it found it; and a layout starts from nothing
// whatever a layout before it left there.
TEST_F(BlockTest, AStoppedLayoutLeavesNoListItemOrTableStateBehind) {
  auto prop = Props("li", {{PropMarginLeft, PropValue(40)}});
  auto li = std::make_unique<TBlockLI>(&doc, *prop, &doc, HtmlSymbol::UL, HtmlSymbol::LI, false,
                                       '1', 1, 1, nullptr);
  auto tableProp = Props("table");
  auto table = FixedTable(&doc, nullptr, {{30, 30}});
  // The cell's content: measured for the row heights, then placed with the
  // row, which is where it fails.
  auto* content = static_cast<FixedSection*>((*(*table->Rows[0]).Real(0)->Cell)[0]);
  content->FailAtLayout = 2;
  li->MyCell.Add(std::make_unique<TTableBlock>(&doc, *tableProp, &li->MyCell, std::move(table),
                                               nullptr),
                 0);
  TBlockLI* item = li.get();
  doc.Add(std::move(li), 0);

  const auto expectFresh = [this](const char* when) {
    const TLayoutContext& context = doc.LayoutContext();
    EXPECT_EQ(context.TableDepth, 0) << when;
    EXPECT_FALSE(context.RelayoutCells) << when;
    EXPECT_FALSE(context.ListItemWaiting) << when;
    EXPECT_EQ(context.ListItemBaseline, 0) << when;
  };
  EXPECT_THROW(Layout(), std::bad_alloc);
  expectFresh("after the stopped layout");

  // What a layout stopped some other way could leave.
  TLayoutContext& left = doc.LayoutContext();
  left.TableDepth = 2;
  left.RelayoutCells = true;
  left.ListItemWaiting = true;
  left.ListItemBaseline = 99;
  Layout();
  expectFresh("after the next layout");
  EXPECT_GT(item->FirstLineHt, 20) << "the table below the item gave it its baseline";
  EXPECT_EQ(content->Layouts, 3) << "the outermost table placed its cell (measured before)";
}

TEST_F(BlockTest, TableBlockWidths) {
  struct Case {
    std::initializer_list<std::tuple<HtmlSymbol, int, std::string>> attrs;
    int width;
  };
  // Content 50..300 in one cell: the table is 300 + 4 + 2 without a width.
  const Case cases[] = {
      {{}, 306},
      {{{HtmlSymbol::Width, 50, "50%"}}, 250},
      {{{HtmlSymbol::Width, 400, "400"}}, 400},
      {{{HtmlSymbol::Width, 10, "10"}}, 56},   // never below the minimum
  };
  for (const Case& c : cases) {
    doc.Clear();
    auto attrs = Attrs(c.attrs);
    auto prop = Props("table");
    auto tb = std::make_unique<TTableBlock>(&doc, *prop, &doc, FixedTable(&doc, attrs.get(), {{50, 300}}),
                                            attrs.get());
    TTableBlock* block = tb.get();
    doc.Add(std::move(tb), 0);
    int maxWidth = 0, curs = 0;
    doc.Layout(canvas, 0, 500, 0, 0, maxWidth, curs);
    EXPECT_EQ(block->Table->TableWidth, c.width);
  }
}

TEST_F(BlockTest, TableBlockAlignmentBorderAndFloat) {
  auto attrs = Attrs({{HtmlSymbol::Border, 2, "2"}, {HtmlSymbol::Align, 0, "center"},
                      {HtmlSymbol::CellSpacing, 0, "0"}});
  auto prop = Props("table");
  auto tb = std::make_unique<TTableBlock>(&doc, *prop, &doc, FixedTable(&doc, attrs.get(), {{96, 96}}),
                                          attrs.get());
  TTableBlock* block = tb.get();
  doc.Add(std::move(tb), 0);
  EXPECT_TRUE(block->TableBorder);
  Layout(400);
  // Table 96 + 2 + 2 (padding, cell border) wide plus the 2-pixel frame on
  // each side, centred in 400.
  EXPECT_EQ(block->Table->TableWidth, 100);
  EXPECT_EQ(block->MargArray[PropMarginLeft], 148);
  const Bitmap image = Draw(400, 100);
  // Raised: light left and top, dark (deepened by the outset style) right
  // and bottom.
  const Colour light = platform::ColourToRgb(RaisedLightColor(doc.Background));
  const Colour dark = Darker(platform::clBtnShadow);
  EXPECT_EQ(image.Pixel(148, 10), light);
  EXPECT_EQ(image.Pixel(149, 10), light);
  EXPECT_EQ(image.Pixel(251, 10), dark);
  EXPECT_EQ(image.Pixel(250, 10), dark);
  EXPECT_NE(image.Pixel(252, 10), dark);

  // A style border wins over BORDER.
  doc.Clear();
  auto styled = Props("table", {{PropBorderTopStyle, PropValue("solid")}});
  TTableBlock sb(&doc, *styled, &doc, FixedTable(&doc, attrs.get(), {{10, 10}}), attrs.get());
  EXPECT_FALSE(sb.TableBorder);

  // ALIGN=right floats; text flows left of it.
  doc.Clear();
  auto right = Attrs({{HtmlSymbol::Align, 0, "right"}, {HtmlSymbol::HSpace, 8, "8"}});
  auto fprop = Props("table");
  auto ft = std::make_unique<TTableBlock>(&doc, *fprop, &doc, FixedTable(&doc, right.get(), {{50, 50}}),
                                          right.get());
  TTableBlock* floating = ft.get();
  doc.Add(std::move(ft), 0);
  FixedSection* text = AddFixed(doc, 10, 100, 20);
  Layout(400);
  EXPECT_TRUE(floating->Floats());
  EXPECT_TRUE(floating->Table->Float);
  EXPECT_EQ(text->LaidRight, 400 - (50 + 4 + 2) - 16);
}

TEST_F(BlockTest, CaptionAboveTheTable) {
  auto attrs = Attrs({{HtmlSymbol::Align, 0, "center"}});
  auto tprop = Props("table");
  auto tb = std::make_unique<TTableBlock>(&doc, *tprop, &doc, FixedTable(&doc, attrs.get(), {{40, 40}}),
                                          attrs.get());
  TTableBlock* table = tb.get();
  auto pprop = Props("table");
  auto pair = std::make_unique<TTableAndCaptionBlock>(&doc, *pprop, &doc, attrs.get(), table);
  TTableAndCaptionBlock* p = pair.get();
  auto cprop = Props("caption");
  auto cap = std::make_unique<TBlock>(&doc, *cprop, &doc, nullptr);
  AddFixed(cap->MyCell, 120, 200, 16);
  TBlock* caption = cap.get();
  p->MyCell.Add(std::move(cap), 0);
  p->MyCell.Add(std::move(tb), 0);
  p->SetCaptionBlock(caption, true);
  doc.Add(std::move(pair), 0);
  Layout(400);
  // The pair is as wide as the caption's minimum, centred; the table sits
  // below the caption, centred within the pair.
  EXPECT_EQ(p->NewWidth, 120);
  EXPECT_EQ(p->MargArray[PropMarginLeft], 140);
  EXPECT_EQ(Content(caption)->LaidY, 0);
  EXPECT_EQ(table->Table->SectionTop, 16);
  EXPECT_EQ(table->Table->TableWidth, 46);
  EXPECT_EQ(table->MargArray[PropMarginLeft], (120 - 46) / 2);
  EXPECT_FALSE(table->Floats());
}

TEST_F(BlockTest, RuleBlockAlignsItsRule) {
  auto prop = Props("hr", {{PropWidth, PropValue(100)}});
  auto hr = std::make_unique<THRBlock>(&doc, *prop, &doc, nullptr);
  THRBlock* block = hr.get();
  block->Align = TTextAlign::Right;
  block->MyCell.Add(std::make_unique<THorzLine>(&doc, nullptr, nullptr), 0);
  doc.Add(std::move(hr), 0);
  Layout(400);
  EXPECT_EQ(block->NewWidth, 100);
  EXPECT_EQ(block->MargArray[PropMarginLeft], 300);
  ASSERT_NE(block->Line(), nullptr);
  EXPECT_EQ(block->Line()->Width, 100);
  EXPECT_EQ(block->Line()->Indent, 300);
}

// -------------------------------------------------------- background tiles

TEST(ComposeBackgroundTest, TilesFollowPositionAndRepeat) {
  Bitmap red(10, 10, platform::clRed);
  const PositionRec topLeft{TBgPos::Dim, 0, true, false};
  // Repeated both ways from the corner: the whole box.
  auto all = ComposeBackground(red, nullptr, {topLeft, topLeft}, 25, 15);
  ASSERT_TRUE(all);
  EXPECT_EQ(all->Width(), 25);
  EXPECT_EQ(all->Height(), 15);
  for (auto [x, y] : {std::pair{0, 0}, {24, 14}, {12, 7}}) {
    EXPECT_EQ(all->Pixel(x, y), platform::clRed);
    EXPECT_EQ(all->Alpha(x, y), 255);
  }
  // One tile in the centre: the rest stays transparent for the box colour.
  const PositionRec centre{TBgPos::Center, 0, false, false};
  auto one = ComposeBackground(red, nullptr, {centre, centre}, 30, 30);
  EXPECT_EQ(one->Alpha(15, 15), 255);
  EXPECT_EQ(one->Alpha(10, 10), 255);
  EXPECT_EQ(one->Alpha(9, 15), 0);
  EXPECT_EQ(one->Alpha(20, 15), 0);
  // Right edge, repeated across only; bottom edge, one row.
  auto row = ComposeBackground(red, nullptr, {PositionRec{TBgPos::Right, 0, true, false},
                                              PositionRec{TBgPos::Bottom, 0, false, false}},
                               25, 30);
  EXPECT_EQ(row->Alpha(0, 25), 255);
  EXPECT_EQ(row->Alpha(24, 29), 255);
  EXPECT_EQ(row->Alpha(0, 19), 0);
  // 50% and a pixel offset.
  auto pct = ComposeBackground(red, nullptr, {PositionRec{TBgPos::Percent, 50, false, false},
                                              PositionRec{TBgPos::Dim, 3, false, false}},
                               30, 20);
  EXPECT_EQ(pct->Alpha(10, 3), 255);
  EXPECT_EQ(pct->Alpha(9, 3), 0);
  EXPECT_EQ(pct->Alpha(10, 2), 0);
  // The picture's mask: white is transparent.
  Bitmap mask(10, 10, platform::clBlack);
  mask.SetPixel(0, 0, platform::clWhite);
  auto masked = ComposeBackground(red, &mask, {topLeft, topLeft}, 20, 10);
  EXPECT_EQ(masked->Alpha(0, 0), 0);
  EXPECT_EQ(masked->Alpha(10, 0), 0);
  EXPECT_EQ(masked->Alpha(1, 0), 255);
  // Nothing to compose.
  EXPECT_FALSE(ComposeBackground(red, nullptr, {topLeft, topLeft}, 0, 10));
  EXPECT_FALSE(ComposeBackground(Bitmap(), nullptr, {topLeft, topLeft}, 10, 10));
}

TEST_F(BlockTest, OnlyABlockWithABackgroundPictureHoldsOne) {
  // Pages of many blocks keep nothing for the pictures they do not have.
  TBlock* plain = Block(doc, "div", {{PropBackgroundColor, PropValue::FromColour(platform::clYellow)}},
                        10, 10, 20);
  TBlock* pictured = Block(doc, "div", {{PropBackgroundImage, PropValue("url(no-such-picture.png)")}},
                           10, 10, 20);
  EXPECT_FALSE(plain->Background);
  EXPECT_TRUE(pictured->Background);
}

TEST_F(BlockTest, BackgroundImageIsTiledOverThePaddingBox) {
  // A 32 x 32 picture repeated across a 100 x 40 block with 10 pixels of
  // padding; a failed picture leaves the colour alone.
  const std::string picture = std::string(DRAVLEN_TEST_DATA) + "/png/basn2c08.png";
  TBlock* b = Block(doc, "div", {{PropBackgroundImage, PropValue("url(" + picture + ")")},
                                 {PropBackgroundColor, PropValue::FromColour(platform::clYellow)},
                                 {PropWidth, PropValue(80)},
                                 {PropPaddingLeft, PropValue(10)},
                                 {PropPaddingRight, PropValue(10)},
                                 {PropPaddingTop, PropValue(10)},
                                 {PropPaddingBottom, PropValue(10)}},
                    10, 10, 20);
  TBlock* broken = Block(doc, "div", {{PropBackgroundImage, PropValue("url(no-such-picture.png)")},
                                      {PropBackgroundColor, PropValue::FromColour(platform::clYellow)}},
                         10, 10, 20);
  Layout();
  ASSERT_TRUE(b->Background && b->Background->Image);
  ASSERT_TRUE(broken->Background);
  EXPECT_FALSE(broken->Background->Image);
  const Bitmap image = Draw(200, 100);
  ASSERT_TRUE(b->Background->Tiled);
  EXPECT_EQ(b->Background->Tiled->Width(), 100);
  EXPECT_EQ(b->Background->Tiled->Height(), 40);
  // The picture, not the colour, in the padding and under the content; the
  // same pixel one tile further on.
  EXPECT_NE(image.Pixel(1, 1), platform::clYellow);
  EXPECT_NE(image.Pixel(1, 1), platform::clWhite);
  EXPECT_EQ(image.Pixel(33, 1), image.Pixel(1, 1));
  EXPECT_EQ(image.Pixel(5, 45), platform::clYellow);
}

TEST_F(BlockTest, TitleIsReportedInsideTheBox) {
  auto prop = Props("div", {{PropMarginLeft, PropValue(20)}, {PropWidth, PropValue(100)}});
  prop->PropTitle = "tip";
  auto block = std::make_unique<TBlock>(&doc, *prop, &doc, nullptr);
  AddFixed(block->MyCell, 10, 10, 30);
  TBlock* b = block.get();
  doc.Add(std::move(block), 0);
  Layout();
  Draw();
  EXPECT_EQ(b->MyRect(), (Rect{20, 0, 120, 30}));
  for (auto [x, y, hit] : {std::tuple{25, 10, true}, {119, 29, true}, {10, 10, false}, {25, 31, false}}) {
    std::unique_ptr<TUrlTarget> url;
    TFormControlObj* control = nullptr;
    std::string title;
    EXPECT_EQ(b->HitLink(canvas, x, y, url, control, title), hit ? guTitle : 0u) << x << "," << y;
    EXPECT_EQ(title, hit ? "tip" : "");
  }
}

TEST_F(BlockTest, RelativeBlockDrawsWhereItIsMovedTo) {
  // Laid out at y 0..20, shown at 50..70: a paint of the band 50..80 alone
  // draws its background.
  Block(doc, "div", {{PropPosition, PropValue("relative")},
                     {PropTop, PropValue(50)},
                     {PropBackgroundColor, PropValue::FromColour(platform::clYellow)}},
        10, 40, 20);
  Layout();
  Bitmap image(100, 100, platform::clWhite);
  platform::Canvas c(&image.Image());
  TDrawContext context;
  doc.Draw(c, context, {0, 50, 100, 80}, 100, 0, 0, 0, 0);
  EXPECT_EQ(image.Pixel(50, 55), platform::clYellow);
  EXPECT_EQ(image.Pixel(50, 45), platform::clWhite);
  EXPECT_EQ(image.Pixel(50, 75), platform::clWhite);
}

TEST_F(BlockTest, MarkerImageStandsOnTheFirstBaseline) {
  // The 32 x 32 picture: left at content x - 16, bottom on the baseline.
  const std::string picture = std::string(DRAVLEN_TEST_DATA) + "/png/basn2c08.png";
  auto prop = Props("li", {{PropMarginLeft, PropValue(40)}, {PropMarginTop, PropValue(10)},
                           {PropListStyleImage, PropValue("url(" + picture + ")")}});
  auto li = std::make_unique<TBlockLI>(&doc, *prop, &doc, HtmlSymbol::UL, HtmlSymbol::LI, false, '1',
                                       1, 1, nullptr);
  AddFixed(li->MyCell, 10, 10, 40)->Baseline = 35;
  TBlockLI* item = li.get();
  doc.Add(std::move(li), 0);
  Layout();
  ASSERT_TRUE(item->Image());
  EXPECT_EQ(item->FirstLineHt, 45);
  const Bitmap image = Draw(200, 100);
  for (auto [x, y] : {std::pair{24, 30}, {40, 13}, {55, 30}, {40, 44}})
    EXPECT_NE(image.Pixel(x, y), platform::clWhite) << x << "," << y;
  for (auto [x, y] : {std::pair{23, 30}, {40, 12}, {56, 30}, {40, 45}})
    EXPECT_EQ(image.Pixel(x, y), platform::clWhite) << x << "," << y;
}

TEST_F(BlockTest, RowBackgroundPictureIsTiledInEachCell) {
  const std::string picture = std::string(DRAVLEN_TEST_DATA) + "/png/basn2c08.png";
  auto attrs = Attrs({{HtmlSymbol::CellSpacing, 0, "0"}, {HtmlSymbol::CellPadding, 0, "0"}});
  auto table = std::make_unique<ThtmlTable>(&doc, attrs.get(), nullptr);
  auto rowAttrs = Attrs({{HtmlSymbol::Background, 0, picture}});
  TCellList* row = table->AddRow(std::make_unique<TCellList>(rowAttrs.get(), nullptr));
  std::vector<TCellObj*> cells;
  for (int i = 0; i < 2; ++i) {
    auto cell = std::make_unique<TCellObj>(&doc, TVAlign::Middle, nullptr, nullptr);
    AddFixed(*cell->Cell, 40, 40, 20);
    cells.push_back(cell.get());
    row->Add(std::move(cell));
  }
  auto prop = Props("table");
  doc.Add(std::make_unique<TTableBlock>(&doc, *prop, &doc, std::move(table), attrs.get()), 0);
  Layout(400);
  for (TCellObj* c : cells) ASSERT_TRUE(c->Background && c->Background->Image);
  const Bitmap image = Draw(200, 100);
  // Each cell starts its tiles at its own corner.
  ASSERT_TRUE(cells[0]->Background->Tiled);
  EXPECT_EQ(cells[0]->Background->Tiled->Width(), 40);
  EXPECT_EQ(image.Pixel(45, 5), image.Pixel(5, 5));
  EXPECT_NE(image.Pixel(5, 5), platform::clWhite);
}
