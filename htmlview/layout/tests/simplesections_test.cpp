#include "htmlview/layout/simplesections.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "htmlview/parse/attributes.h"
#include "htmlview/layout/cells.h"
#include "htmlview/style/styleprops.h"
#include "platform/image.h"

using namespace htmlview;
using platform::Bitmap;
using platform::Colour;
using platform::Rect;

namespace {

class SimpleSectionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitVocabulary();
    InitStyleProps();
    mgr.Reset(0, 200);
  }

  // Lays the rule out at (x 10, y 20) with 100 pixels and draws it at drawX
  // onto a fresh white 200 x 100 image.
  Bitmap Render(THorzLine& hr, int drawX = 10, Rect clip = {0, 0, 200, 100}) {
    Bitmap image(200, 100, platform::clWhite);
    platform::Canvas canvas(&image.Image());
    int maxWidth = 0, curs = 0;
    hr.Layout(canvas, 10, 20, 0, 0, 100, 0, 0, mgr, maxWidth, curs);
    hr.Draw(canvas, context, clip, mgr, drawX, 0, 0);
    return image;
  }

  static std::unique_ptr<TAttributeList> Attrs(
      std::initializer_list<std::tuple<HtmlSymbol, int, std::string>> list) {
    auto attrs = std::make_unique<TAttributeList>();
    for (const auto& [which, value, name] : list) attrs->Add(TAttribute(which, "", value, name));
    return attrs;
  }

  TSectionListBase root;
  IndentManager mgr;
  TDrawContext context;
};

const Colour kShadow = platform::GetSysColour(platform::COLOR_BTNSHADOW);
const Colour kHighlight = platform::GetSysColour(platform::COLOR_BTNHIGHLIGHT);

}  // namespace

// ------------------------------------------------------------ HR attributes

TEST_F(SimpleSectionTest, RuleAttributes) {
  using A = TTextAlign;
  struct Case {
    std::string what;
    std::vector<std::tuple<HtmlSymbol, int, std::string>> attrs;
    int size;
    A align;
    bool noShade;
    PropValue width;
  } cases[] = {
      {"defaults", {}, 2, A::Center, false, PropValue(UnsetLength)},
      {"SIZE=5", {{HtmlSymbol::Size, 5, "5"}}, 5, A::Center, false, PropValue(UnsetLength)},
      {"SIZE=20", {{HtmlSymbol::Size, 20, "20"}}, 20, A::Center, false, PropValue(UnsetLength)},
      {"SIZE=25 keeps 2", {{HtmlSymbol::Size, 25, "25"}}, 2, A::Center, false,
        PropValue(UnsetLength)},
      {"SIZE=0 keeps 2", {{HtmlSymbol::Size, 0, "0"}}, 2, A::Center, false, PropValue(UnsetLength)},
      {"NOSHADE", {{HtmlSymbol::NoShade, 0, ""}}, 2, A::Center, true, PropValue(UnsetLength)},
      {"ALIGN=LEFT", {{HtmlSymbol::Align, 0, "LEFT"}}, 2, A::Left, false, PropValue(UnsetLength)},
      {"ALIGN=right", {{HtmlSymbol::Align, 0, "right"}}, 2, A::Right, false,
        PropValue(UnsetLength)},
      {"ALIGN=center", {{HtmlSymbol::Align, 0, "center"}}, 2, A::Center, false,
        PropValue(UnsetLength)},
      {"ALIGN=lefty", {{HtmlSymbol::Align, 0, "lefty"}}, 2, A::Center, false,
        PropValue(UnsetLength)},
      {"WIDTH=300", {{HtmlSymbol::Width, 300, "300"}}, 2, A::Center, false, PropValue(300)},
      {"WIDTH=50%", {{HtmlSymbol::Width, 50, "50%"}}, 2, A::Center, false, PropValue("50%")},
      {"WIDTH=150%", {{HtmlSymbol::Width, 150, "150%"}}, 2, A::Center, false, PropValue("100%")},
      {"WIDTH=0", {{HtmlSymbol::Width, 0, "0"}}, 2, A::Center, false, PropValue(UnsetLength)},
  };
  for (const Case& c : cases) {
    TAttributeList attrs;
    for (const auto& [which, value, name] : c.attrs) attrs.Add(TAttribute(which, "", value, name));
    TProperties prop;
    THorzLine hr(&root, &attrs, &prop);
    EXPECT_EQ(hr.VSize, c.size) << c.what;
    EXPECT_EQ(hr.Align, c.align) << c.what;
    EXPECT_EQ(hr.NoShade, c.noShade) << c.what;
    EXPECT_EQ(hr.Color, platform::clNone) << c.what;
    EXPECT_EQ(prop.Props[PropWidth], c.width) << c.what;
    EXPECT_EQ(prop.Props[PropHeight], PropValue(c.size)) << c.what << ": the style's height";
  }
}

TEST_F(SimpleSectionTest, RuleColourAndStyle) {
  {
    auto attrs = Attrs({{HtmlSymbol::Color, 0, "red"}});
    TProperties prop;
    THorzLine hr(&root, attrs.get(), &prop);
    EXPECT_EQ(hr.Color, platform::clRed);
    EXPECT_EQ(prop.Props[PropColor], PropValue::FromColour(platform::clRed));
  }
  {
    auto attrs = Attrs({{HtmlSymbol::Color, 0, "no such colour"}});
    TProperties prop;
    THorzLine hr(&root, attrs.get(), &prop);
    EXPECT_EQ(hr.Color, platform::clNone);
    EXPECT_FALSE(prop.Originals[PropColor]);
  }
  {
    // The style sheet's colour and text-align win over the attributes.
    auto attrs = Attrs({{HtmlSymbol::Color, 0, "red"}, {HtmlSymbol::Align, 0, "left"}});
    TProperties prop;
    prop.Assign(PropValue::FromColour(platform::clBlue), PropColor);
    prop.Assign(PropValue("center"), PropTextAlign);
    THorzLine hr(&root, attrs.get(), &prop);
    EXPECT_EQ(hr.Color, platform::clBlue);
    EXPECT_EQ(hr.Align, TTextAlign::Center);
  }
  {
    TProperties prop;
    prop.Props[PropTextAlign] = PropValue("right");   // inherited, not set on the element
    THorzLine hr(&root, nullptr, &prop);
    EXPECT_EQ(hr.Align, TTextAlign::Center);
  }
  THorzLine bare(&root, nullptr, nullptr);
  EXPECT_EQ(bare.VSize, 2);
  EXPECT_EQ(bare.Align, TTextAlign::Center);
}

// ------------------------------------------------------------- HR layout

TEST_F(SimpleSectionTest, RuleLayoutFitsBetweenTheFloats) {
  Bitmap image(10, 10);
  platform::Canvas canvas(&image.Image());
  auto attrs = Attrs({{HtmlSymbol::Size, 6, "6"}});
  THorzLine hr(&root, attrs.get(), nullptr);

  struct Case {
    int leftFloat, rightFloatWidth;
    int indent, width;
  } cases[] = {
      {0, 0, 10, 100},     // X wins over no indent; the available width
      {30, 0, 30, 80},     // a left float pushes the rule right and narrows it
      {0, 150, 10, 40},    // a right float from 50: the right edge limits it
      {30, 150, 30, 20},
  };
  for (const Case& c : cases) {
    mgr.Clear();
    mgr.Reset(0, 200);
    if (c.leftFloat) mgr.Update(0, TFloatSide::Left, c.leftFloat, 50, 0, 0, 0, 0);
    if (c.rightFloatWidth) mgr.Update(0, TFloatSide::Right, c.rightFloatWidth, 50, 0, 0, 0, 0);
    int maxWidth = 0, curs = 77;
    EXPECT_EQ(hr.Layout(canvas, 10, 20, 0, 0, 100, 0, 0, mgr, maxWidth, curs), 6);
    EXPECT_EQ(hr.Indent, c.indent) << c.leftFloat << "/" << c.rightFloatWidth;
    EXPECT_EQ(hr.Width, c.width) << c.leftFloat << "/" << c.rightFloatWidth;
    EXPECT_EQ(maxWidth, c.width);
    EXPECT_EQ(curs, 77) << "a rule holds no positions";
    EXPECT_EQ(hr.StartCurs, 77);
    EXPECT_EQ(hr.SectionTop, 20);
    EXPECT_EQ(hr.SectionBottom, 26);
    EXPECT_EQ(hr.Len, 0);
  }
}

// ------------------------------------------------------------ HR drawing

TEST_F(SimpleSectionTest, ColouredRuleIsAFilledRectangle) {
  auto attrs = Attrs({{HtmlSymbol::Color, 0, "#008000"}, {HtmlSymbol::Size, 3, "3"}});
  THorzLine hr(&root, attrs.get(), nullptr);
  const Bitmap image = Render(hr);
  struct Probe {
    int x, y;
    Colour expected;
  } probes[] = {
      {10, 20, platform::clGreen}, {109, 22, platform::clGreen}, {60, 21, platform::clGreen},
      {9, 20, platform::clWhite},  {110, 20, platform::clWhite}, {10, 19, platform::clWhite},
      {10, 23, platform::clWhite},
  };
  for (const Probe& p : probes)
    EXPECT_EQ(image.Pixel(p.x, p.y), p.expected) << "(" << p.x << "," << p.y << ")";
}

TEST_F(SimpleSectionTest, ShadedRuleColours) {
  struct Case {
    std::string what;
    Colour background;
    bool noShade, printing, mono;
    Colour light, dark;
  } cases[] = {
      {"white page", platform::clWhite, false, false, false, platform::clSilver, kShadow},
      {"dark page", platform::Rgb(0, 0, 128), false, false, false, kHighlight, kShadow},
      {"NOSHADE", platform::clWhite, true, false, false, platform::clBlack, platform::clBlack},
      {"printing", platform::Rgb(0, 0, 128), false, true, false, platform::clSilver, kShadow},
      {"mono printer", platform::clWhite, false, true, true, platform::clBlack, platform::clBlack},
  };
  for (const Case& c : cases) {
    auto attrs = Attrs({{HtmlSymbol::Size, 4, "4"}});
    THorzLine hr(&root, attrs.get(), nullptr);
    hr.NoShade = c.noShade;
    root.Background = c.background;
    context.Printing = c.printing;
    context.PrintMonochrome = c.mono;
    const Bitmap image = Render(hr);
    // The rule spans x 10..109 and y 20..23.
    EXPECT_EQ(image.Pixel(50, 20), c.dark) << c.what << ": top edge";
    EXPECT_EQ(image.Pixel(10, 21), c.dark) << c.what << ": left edge";
    EXPECT_EQ(image.Pixel(10, 23), c.dark) << c.what << ": bottom-left corner";
    EXPECT_EQ(image.Pixel(109, 21), c.light) << c.what << ": right edge";
    EXPECT_EQ(image.Pixel(109, 20), c.light) << c.what << ": top-right corner";
    EXPECT_EQ(image.Pixel(50, 23), c.light) << c.what << ": bottom edge";
    EXPECT_EQ(image.Pixel(50, 21), platform::clWhite) << c.what << ": inside is not painted";
    EXPECT_EQ(image.Pixel(110, 21), platform::clWhite) << c.what;
    EXPECT_EQ(image.Pixel(50, 24), platform::clWhite) << c.what;
  }
}

TEST_F(SimpleSectionTest, RuleDrawsOnlyInTheVisibleBandAtTheScrolledPlace) {
  auto attrs = Attrs({{HtmlSymbol::Color, 0, "red"}});
  THorzLine hr(&root, attrs.get(), nullptr);

  root.YOff = 10;   // document y 20 shows at window y 10
  Bitmap image = Render(hr, 4);   // scrolled 6 pixels to the left
  EXPECT_EQ(image.Pixel(4, 10), platform::clRed);
  EXPECT_EQ(image.Pixel(103, 11), platform::clRed);
  EXPECT_EQ(image.Pixel(104, 10), platform::clWhite);
  EXPECT_EQ(image.Pixel(4, 20), platform::clWhite);

  root.YOff = 0;
  context.FirstLineDrawn = true;
  image = Render(hr, 10, {0, 0, 200, 20});   // the band ends where the rule starts
  EXPECT_EQ(image.Pixel(50, 20), platform::clWhite);
  EXPECT_TRUE(context.FirstLineDrawn) << "an invisible rule is not drawn";
  image = Render(hr, 10, {0, 22, 200, 40});   // the band starts below the rule
  EXPECT_EQ(image.Pixel(50, 21), platform::clWhite);
  EXPECT_TRUE(context.FirstLineDrawn);
  image = Render(hr, 10, {0, 21, 200, 40});
  EXPECT_EQ(image.Pixel(50, 21), platform::clRed) << "the band meets the rule's last line";
  EXPECT_FALSE(context.FirstLineDrawn) << "a drawn rule counts as the first line";
}

TEST_F(SimpleSectionTest, RuleInTheDocumentRoot) {
  auto attrs = Attrs({{HtmlSymbol::Color, 0, "blue"}, {HtmlSymbol::Size, 5, "5"}});
  root.Add(std::make_unique<THorzLine>(nullptr, attrs.get(), nullptr), 0);
  ASSERT_EQ(root.Count(), 1);
  EXPECT_EQ(root[0]->Root, &root);

  Bitmap image(200, 100, platform::clWhite);
  {
    platform::Canvas canvas(&image.Image());
    int maxWidth = 0, curs = 0;
    EXPECT_EQ(root.Layout(canvas, 0, 150, 0, 0, maxWidth, curs), 5);
    EXPECT_EQ(maxWidth, 150);
    EXPECT_EQ(root.Draw(canvas, context, {0, 0, 200, 100}, 6000, 0, 0, 0, 0), 5);
  }
  EXPECT_EQ(image.Pixel(0, 0), platform::clBlue);
  EXPECT_EQ(image.Pixel(149, 4), platform::clBlue);
  EXPECT_EQ(image.Pixel(150, 0), platform::clWhite);
  EXPECT_EQ(image.Pixel(0, 5), platform::clWhite);
}

// ------------------------------------------------------------------ TPage

TEST_F(SimpleSectionTest, PageBreakDrawsNothingAndEndsAPrintedPage) {
  TPage page(&root);
  Bitmap image(50, 50, platform::clWhite);
  platform::Canvas canvas(&image.Image());
  int maxWidth = 0, curs = 0;
  page.Layout(canvas, 0, 30, 0, 0, 50, 0, 0, mgr, maxWidth, curs);
  EXPECT_EQ(page.SectionHeight, 0);

  context.PageBottom = 500;
  EXPECT_EQ(page.Draw(canvas, context, {0, 0, 50, 50}, mgr, 0, 0, 0), 30);
  EXPECT_EQ(context.PageBottom, 500) << "on screen nothing changes";

  context.Printing = true;
  page.Draw(canvas, context, {0, 0, 50, 50}, mgr, 0, 0, 0);
  EXPECT_EQ(context.PageBottom, 30) << "the page ends at the break";

  context.PageBottom = 500;
  root.YOff = 26;   // the break lies within 5 pixels of the page top
  page.Draw(canvas, context, {0, 0, 50, 50}, mgr, 0, 0, 0);
  EXPECT_EQ(context.PageBottom, 500);
}
