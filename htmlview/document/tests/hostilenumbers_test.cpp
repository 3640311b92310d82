// Numbers from hostile pages at the edges of the int range and beyond, and
// pages whose sizes add up past it: layout saturates instead of wrapping.
// Run under the sanitizer build, where any overflow left aborts the test.
#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <sstream>
#include <string>

#include "parsedpage_helpers.h"
#include "htmlview/document/docparser.h"
#include "htmlview/layout/blocks.h"
#include "htmlview/layout/docroot.h"
#include "htmlview/layout/formcontrols.h"
#include "htmlview/layout/layoutdump.h"
#include "htmlview/layout/tables.h"
#include "htmlview/layout/textsection.h"
#include "platform/canvas.h"
#include "platform/fonts.h"
#include "platform/image.h"

namespace htmlview {
namespace {

class HostileNumbersTest : public ParsedPageTest {
 protected:
  // Parses, lays out and paints at the top and far down; returns the page
  // height.
  int Show(const std::string& html) {
    Parse(html);
    const int height = LayOutAndPaint(300, 200);
    PaintAgain(height);
    return height;
  }

  template <typename T>
  T* First() const {
    TBodyBlock* body = Body();
    if (!body) return nullptr;
    for (int i = 0; i < body->MyCell.Count(); ++i)
      if (auto* s = dynamic_cast<T*>((body->MyCell)[i])) return s;
    return nullptr;
  }
};

TEST_F(HostileNumbersTest, ZIndexAtTheIntLimitsSaturates) {
  const struct {
    const char* value;
    int z;
  } cases[] = {{"2147483647", INT_MAX}, {"-2147483648", INT_MIN}, {"214748365", INT_MAX},
               {"-214748365", INT_MIN}, {"3", 30}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    Show(std::string("<div style=\"position: relative; z-index: ") + c.value + "\">x</div>" +
         "<div style=\"position: absolute; z-index: " + c.value + "\">y</div>");
    TBlock* block = First<TBlock>();
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(block->ZIndex, c.z);
  }
}

// Table widths in percent from the style: whatever the number, at most 100%.
TEST_F(HostileNumbersTest, HugeTablePercentagesAreAHundredPercent) {
  for (const char* value : {"2147483648%", "4294967296%", "1e21%", "inf%", "1e308%",
                            "99999999999999999999%", "100.5%"}) {
    SCOPED_TRACE(value);
    Show(std::string("<table style=\"width: ") + value + "\"><tr><td>x</table>");
    auto* table = First<TTableBlock>();
    ASSERT_NE(table, nullptr);
    EXPECT_TRUE(table->AsPercent);
    EXPECT_EQ(table->WidthAttr, 1000);
  }
  Show("<table style=\"width: nan%\"><tr><td>x</table>");
  auto* table = First<TTableBlock>();
  ASSERT_NE(table, nullptr);
  EXPECT_FALSE(table->AsPercent);
}

TEST_F(HostileNumbersTest, MultiplyDivideSaturates) {
  EXPECT_EQ(platform::MulDiv(INT_MAX, INT_MAX, 1), INT_MAX);
  EXPECT_EQ(platform::MulDiv(INT_MIN, INT_MAX, 1), INT_MIN);
  EXPECT_EQ(platform::MulDiv(INT_MIN, -1, 1), INT_MAX);
  EXPECT_EQ(platform::MulDiv(1000000, 1000000, 1000), 1000000000);
  EXPECT_EQ(platform::MulDiv(7, 3, 2), 11);
  EXPECT_EQ(platform::ClampToInt(1e21), INT_MAX);
  EXPECT_EQ(platform::ClampToInt(-1e308), INT_MIN);
  EXPECT_EQ(platform::ClampToInt(-2.9), -2);
}

// Thousands of blocks of a million pixels: the page is taller than any int,
// so its height stops at the layout extent, and the blocks stay in order.
TEST_F(HostileNumbersTest, PageTallerThanTheIntRangeSaturates) {
  const int height =
      Show(Repeat("<div style=\"height: 1000000px\">x</div>", 3000) + "<p>after");
  EXPECT_EQ(height, platform::kMaxLayoutExtent);
  TBodyBlock* body = Body();
  ASSERT_NE(body, nullptr);
  int last = INT_MIN;
  for (int i = 0; i < body->MyCell.Count(); ++i) {
    TSectionBase* s = (body->MyCell)[i];
    EXPECT_GE(s->SectionTop, last) << i;
    EXPECT_LE(s->SectionTop, platform::kMaxLayoutExtent) << i;
    last = s->SectionTop;
  }
  // Far apart blocks nested inside each other add up the same way.
  EXPECT_GT(Show(Repeat("<div style=\"margin: 1000000px; padding: 1000000px; border: solid "
                        "1000000px\">",
                        90) +
                 "x"),
            0);
}

// Columns and rows of a million pixels each, more of them than an int can
// add up: the sums saturate.
TEST_F(HostileNumbersTest, TableSumsSaturate) {
  Show("<table><tr>" + Repeat("<td width=1000000>x", 3000) + "</table>");
  auto* block = First<TTableBlock>();
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(block->Table->TableWidth, platform::kMaxLayoutExtent);
  EXPECT_GT(lastMaxWidth, 0);

  const int height = Show("<table>" + Repeat("<tr height=1000000><td>x", 3000) + "</table>");
  EXPECT_EQ(height, platform::kMaxLayoutExtent);
  block = First<TTableBlock>();
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(block->Table->SectionHeight, platform::kMaxLayoutExtent);

  // Percentages against a saturated width, spans across saturated columns.
  Show("<table width=100%><tr>" + Repeat("<td width=1000000 colspan=3>x<td width=50%>y", 1000) +
       "<tr>" + Repeat("<td rowspan=2 height=1000000>z", 3000) + "<tr><td>w</table>");
}

// Lines of a million pixels, and a word far wider than an int.
TEST_F(HostileNumbersTest, TextSumsSaturate) {
  const int height = Show("<p style=\"line-height: 1000000px\">" + Repeat("a<br>", 3000));
  EXPECT_EQ(height, platform::kMaxLayoutExtent);
  EXPECT_GT(Show("<p style=\"line-height: 99999999999999999999\">a<br>b"), 0);
  Show("<p style=\"text-indent: 90%; font-size: 2000pt\">" + std::string(300000, 'w'));
  EXPECT_GT(lastMaxWidth, 0);
  EXPECT_LE(lastMaxWidth, platform::kMaxLayoutExtent + 1000000);
}

// A control given a percentage of a line far wider than any window (a
// table cell holding a word hundreds of millions of pixels wide): its share
// of the line is taken without overflowing (a wrapped product gave a few
// million), at least half the word's width.
TEST_F(HostileNumbersTest, PercentageControlInAVeryWideCellTakesItsShare) {
  const int word = 300000;
  Show("<table><tr><td><p style=\"font-size: 2000pt\">" + std::string(word, 'w') +
       "</p><input style=\"width: 50%\"></table>");
  ASSERT_EQ(list->FormControlList.size(), 1u);
  // Each w of a 2000-point font is over a thousand pixels wide.
  EXPECT_GE(list->FormControlList[0]->FWidth, word * 1000 / 2);
  EXPECT_LE(list->FormControlList[0]->FWidth, platform::kMaxLayoutExtent);
}

// A block's edges hold for its content however far down the page it
// stands: a picture floating in a block with a left margin sits inside that
// margin, its text beside it, near the top as past ten million pixels.
TEST_F(HostileNumbersTest, BlockEdgesHoldAllTheWayDown) {
  auto floatAndText = [this](int tallBlocks) {
    Show(Repeat("<div style=\"height: 1000000px\"></div>", tallBlocks) +
         "<div style=\"margin-left: 100px\"><img src=x.png align=left width=50 height=20>beside</div>");
    // The float's x and the first run's x, from the lines that hold them.
    std::string found;
    std::istringstream dump(DumpLayout(*list));
    for (std::string line; std::getline(dump, line);) {
      const size_t kind = line.find_first_not_of(' ');
      if (line.compare(kind, 6, "float ") != 0 && line.compare(kind, 4, "run ") != 0) continue;
      const size_t x = line.find(" x=");
      found += line.substr(kind, line.find(' ', kind) - kind) + line.substr(x, line.find_first_of(" .", x + 3) - x) + ";";
    }
    return found;
  };
  const std::string nearTheTop = floatAndText(0);
  EXPECT_NE(nearTheTop.find("float x="), std::string::npos) << nearTheTop;
  EXPECT_EQ(floatAndText(11), nearTheTop);
  EXPECT_EQ(floatAndText(400), nearTheTop);
}

}  // namespace
}  // namespace htmlview
