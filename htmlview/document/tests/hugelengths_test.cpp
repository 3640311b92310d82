// Lengths from hostile style text, far beyond any page, through the whole
// viewer: converted, laid out and painted. Layout adds margins, paddings,
// borders and widths in int, so converted lengths are capped at a million
// pixels either way, as attribute numbers are.
#include <gtest/gtest.h>

#include "parsedpage_helpers.h"

#include <memory>
#include <string>

#include "htmlview/layout/blocks.h"
#include "htmlview/layout/docroot.h"
#include "htmlview/document/docparser.h"
#include "htmlview/style/styleprops.h"
#include "platform/canvas.h"
#include "platform/fonts.h"
#include "platform/image.h"

namespace htmlview {
namespace {

constexpr int kCap = 1000000;

TEST(StyleLengths, ConversionsSaturateAtAMillionPixels) {
  InitVocabulary();
  InitStyleProps();
  const std::string texts[] = {"99999999999999px", "99999999999999in", "99999999999999em",
                               "99999999999999",   "99999999999%", "99999999999pt", "999999999.5ex"};
  for (const std::string& t : texts) {
    EXPECT_EQ(LengthConv(t, false, 400, 16, 8, 0), kCap) << t;
    EXPECT_EQ(LengthConv("-" + t, false, 400, 16, 8, 0), -kCap) << t;
    EXPECT_EQ(LengthConv(t, true, 400, 16, 8, 0), kCap) << t << " relative";
  }
  // Within the cap nothing changes.
  EXPECT_EQ(LengthConv("999999px", false, 0, 16, 8, 0), 999999);
  EXPECT_EQ(LengthConv("-1000000px", false, 0, 16, 8, 0), -kCap);
  DoneStyleProps();
}

class HugeLengthsTest : public ParsedPageTest {
 protected:
  // Parses, lays out and paints; the undefined-behaviour checker of a
  // sanitizer build reports any overflow on the way.
  void Show(const std::string& html) {
    Parse(html);
    LayOutAndPaint(700, 300);
    PaintAgain(0, 1000);
  }

  // The first block inside the body.
  TBlock* FirstBlock() const {
    auto* body = dynamic_cast<TBodyBlock*>((*list)[0]);
    if (!body) return nullptr;
    for (int i = 0; i < body->MyCell.Count(); ++i)
      if (auto* b = dynamic_cast<TBlock*>((body->MyCell)[i])) return b;
    return nullptr;
  }
};

// Every property that takes a length, at once, in both signs and in several
// units, on blocks, positioned blocks, inline boxes, lists, tables and
// pictures, nested so that the sums meet.
TEST_F(HugeLengthsTest, EveryLengthPropertyLaysOutAndPaints) {
  const std::string props[] = {
      "margin-left", "margin-right", "margin-top", "margin-bottom", "padding-left",
      "padding-right", "padding-top", "padding-bottom", "width", "height", "text-indent",
      "border-left-width", "border-right-width", "border-top-width", "border-bottom-width",
      "top", "left", "right", "bottom", "font-size", "line-height", "letter-spacing"};
  for (const char* value : {"99999999999999px", "-99999999999999px", "99999999999em", "99999999999%",
                            "-99999999999in"}) {
    std::string style = "border-style: solid; ";
    for (const std::string& p : props) style += p + ": " + value + "; ";
    const std::string s = "style=\"" + style + "\"";
    const std::string abs = "style=\"position: absolute; " + style + "\"";
    const std::string html = "<div " + s + ">a<div " + s + ">b <span " + s + ">c</span> d<p " +
                             s + ">e</p><div " + abs + ">f</div><ul " + s + "><li " + s +
                             ">g</ul><table " + s + "><tr><td " + s + ">h<td " + s +
                             ">i</table><img src=x.png " + s + "><hr " + s + "></div></div>";
    SCOPED_TRACE(value);
    Show(html);
    ASSERT_NE(FirstBlock(), nullptr);
  }
}

TEST_F(HugeLengthsTest, ValuesReadBackClamped) {
  Show("<div style=\"margin-left: 99999999999999px; margin-right: -99999999999999px; "
       "padding-top: 99999999999em; border-left: solid 99999999999in; height: 99999999999px; "
       "width: 99999999999pc\">x</div>");
  TBlock* block = FirstBlock();
  ASSERT_NE(block, nullptr);
  TMarginArray m;
  int autoCount = 0;
  ConvMargArray(block->MargArrayO, 700, 300, 16, 8, m, autoCount);
  EXPECT_EQ(m[PropMarginLeft], kCap);
  EXPECT_EQ(m[PropMarginRight], -kCap);
  EXPECT_EQ(m[PropPaddingTop], kCap);
  EXPECT_EQ(m[PropBorderLeftWidth], kCap);
  EXPECT_EQ(m[PropHeight], kCap);
  EXPECT_EQ(m[PropWidth], kCap);
  // What layout kept of them is no further out.
  EXPECT_EQ(block->MargArray[PropMarginLeft], kCap);
  EXPECT_EQ(block->MargArray[PropPaddingTop], kCap);
  EXPECT_EQ(block->MargArray[PropBorderLeftWidth], kCap);
}

}  // namespace
}  // namespace htmlview
