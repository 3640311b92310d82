// Whole pages through the parser, laid out and compared as layout dumps
// (layoutdump.h) and, where a line's place matters, as pixels: the
// workbench's report pages and the block and table features they and other
// pages use. Fonts are the fixed-metric test fonts, so every width is known:
// a character is half the em wide (the default 10 points is 13 pixels, a
// character 6.5, so "ab " spans 0..14 and a run "ab" ends at 13).
#include <gtest/gtest.h>

#include <QString>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "htmlview/layout/blocks.h"
#include "htmlview/layout/docroot.h"
#include "htmlview/layout/layoutdump.h"
#include "htmlview/layout/tables.h"
#include "htmlview/document/docparser.h"
#include "htmlview/style/styleprops.h"
#include "platform/fonts.h"
#include "platform/image.h"
#include "testsupport/testenv.h"

using namespace htmlview;
using platform::Bitmap;
using platform::Colour;

namespace {

// The report pages as the workbench's page builders write them (header,
// model AX10 with its rating table, the regression page of model
// "AX20 <big>"): the viewer does not depend on the workbench, so they are
// the copies in data/pages that the workbench's tests hold against its page
// code.
std::string ReportPage(const std::string& name) {
  return testsupport::ReadAll(std::string(DRAVLEN_TEST_DATA) + "/pages/" + name + ".html");
}

const Colour kFrame = platform::Rgb(0xaf, 0xbc, 0xda);
const Colour kHeadShade = platform::Rgb(0xe3, 0xe4, 0xdc);

class LayoutPagesTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    platform::SetFontBackend(platform::FontBackend::FixedMetric, {"Fixed Sans"});
    InitVocabulary();
    InitStyleProps();
    InitDocParser();
  }

  // The page parsed and laid out at width; its whole dump.
  std::string Dump(const std::string& html, int width = 400,
                   const std::function<void(int)>& onProgress = {}) {
    doc = std::make_unique<TSectionList>(nullptr, nullptr);
    doc->SetDefaults("Fixed Sans", "Fixed Sans", 10, platform::clBlack, platform::clBlue,
                     platform::clPurple, platform::clBlue, platform::clWhite, false, true, 1, 5, 10);
    ParseHtmlDocument(html, *doc);
    doc->OnLayoutProgress = onProgress;
    int maxWidth = 0, curs = 0;
    doc->Layout(canvas, 0, width, 0, 0, maxWidth, curs);
    return DumpLayout(*doc);
  }
  // The dump without its text lines and runs: the boxes alone.
  std::string Boxes(const std::string& html, int width = 400) {
    std::istringstream in(Dump(html, width));
    std::string out, line;
    while (std::getline(in, line)) {
      const std::string trimmed = line.substr(line.find_first_not_of(' '));
      if (trimmed.starts_with("line ") || trimmed.starts_with("run ")) continue;
      out += line + "\n";
    }
    return out;
  }
  Bitmap Render(int width, int height) { return Render(width, height, width); }
  // Drawn with the given clip width (the viewer's is 6000).
  Bitmap Render(int width, int height, int clipWidth) {
    Bitmap image(width, height, platform::clWhite);
    platform::Canvas c(&image.Image());
    TDrawContext context;
    doc->Draw(c, context, {0, 0, width, height}, clipWidth, 0, 0, 0, 0);
    return image;
  }

  std::unique_ptr<TSectionList> doc;
  Bitmap scratch{10, 10};
  platform::Canvas canvas{&scratch.Image()};
};

bool Has(const std::string& dump, const std::string& text) {
  return dump.find(text) != std::string::npos;
}

}  // namespace

// ----------------------------------------------------------- the workbench

TEST_F(LayoutPagesTest, HeaderPageFrameLinesFollowWidthsPaddingAndCollapsedBorders) {
  const std::string dump = Dump(ReportPage("header"));
  // WIDTH 160 and 460, padding 1 and a 1-pixel border on each side, and the
  // collapsed spacing of -1: columns of 163 and 463; every cell box starts
  // one pixel left of its column, so neighbouring borders fall on one line.
  EXPECT_TRUE(Has(dump,
                  "  tableblock table. 10,58 625x207 margin 19,0,0,0 doc 7..163\n"
                  "    table 10,58 625x207 cols=2 spacing=-1 padding=1 border=0 doc 7..163\n"
                  "      widths 163,463\n"
                  "      row y=58 h=16\n"
                  "        cell 0 9,57 164x16 valign middle\n"
                  "          section 0,59 160x13 doc 7..11\n"
                  "            line y=59 h=13 base=69 x=0..21\n"
                  "              run 292..296 x=0..28 \"Key \" font \"Fixed Sans\" 13 bold color #000000\n"
                  "        cell 1 172,57 464x16 valign middle\n"
                  "          section 0,59 460x13 doc 11..17\n"
                  "            line y=59 h=13 base=69 x=0..35\n"
                  "              run 316..322 x=0..42 \"Value \" font \"Fixed Sans\" 13 bold color #000000\n"
                  "      row y=74 h=16\n"
                  "        cell 0 9,73 164x16 valign middle\n"))
      << dump;
  EXPECT_TRUE(Has(dump, "\"Manuf \" font \"Fixed Sans\" 13 color #557f3f")) << dump;

  // The vertical lines at x 9, 172 and 635 (172 + 464 - 1), in the frame
  // colour, a pixel of white inside each cell.
  const Bitmap image = Render(700, 300);
  for (int x : {9, 172, 635}) EXPECT_EQ(image.Pixel(x, 65), kFrame) << x;
  for (int x : {8, 10, 171, 173, 634, 636}) EXPECT_EQ(image.Pixel(x, 65), platform::clWhite) << x;
  // The top line of the table at y 57.
  EXPECT_EQ(image.Pixel(100, 57), kFrame);
  EXPECT_EQ(image.Pixel(100, 56), platform::clWhite);
}

TEST_F(LayoutPagesTest, ModelPageRawTableShadesFlaggedPoints) {
  const std::string boxes = Boxes(ReportPage("model"));
  EXPECT_TRUE(Has(boxes,
                  "  tableblock table.raw 10,198 216x97 doc 107..229\n"
                  "    table 10,198 216x97 cols=4 spacing=-1 padding=1 border=0 doc 107..229\n"
                  "      widths 48,43,63,63\n"
                  "      row y=198 h=14\n"
                  "        cell 0 9,197 49x14 valign middle bg #e3e4dc\n"
                  "          section 0,199 45x11 doc 107..110\n"
                  "        cell 1 57,197 44x14 valign middle bg #e3e4dc\n"))
      << boxes;
  // The empty first-column cell of a Pw row keeps its shading; the points
  // flagged 1 and 2.
  EXPECT_TRUE(Has(boxes, "        cell 0 9,225 49x14 valign middle indent 5 bg #e3e4dc\n")) << boxes;
  EXPECT_TRUE(Has(boxes, "        cell 2 100,239 64x14 valign middle bg #f1d6d3\n")) << boxes;
  EXPECT_TRUE(Has(boxes, "        cell 3 163,267 64x14 valign middle bg #e7b9b4\n")) << boxes;
  // The coefficient table without rows is an empty box, even with the
  // collapsed spacing of -1.
  EXPECT_TRUE(Has(boxes, "    table 10,308 0x0 cols=0 spacing=-1 padding=1 border=0 doc 230..230\n"))
      << boxes;

  const Bitmap image = Render(400, 320);
  for (int x : {9, 57, 100, 163, 226}) EXPECT_EQ(image.Pixel(x, 204), kFrame) << x;
  EXPECT_EQ(image.Pixel(30, 204), kHeadShade);
  EXPECT_EQ(image.Pixel(150, 246), platform::Rgb(0xf1, 0xd6, 0xd3));   // right of "2.500"
}

TEST_F(LayoutPagesTest, RegressionPageCaptionStandsAboveItsTable) {
  const std::string dump = Dump(ReportPage("regression"));
  EXPECT_TRUE(Has(dump,
                  "  captionblock table.curve 10,67 784x52 doc 17..173 caption top\n"
                  "    block caption. 10,67 784x11 doc 17..30\n"
                  "      section 10,67 784x11 doc 17..30\n"
                  "        line y=67 h=11 base=76 x=10..82\n"
                  "          run 530..543 x=10..88 \"Coefficients \" font \"Fixed Sans\" 11 bold color #000000\n"
                  "    tableblock table.curve 10,78 784x41 doc 30..173\n"
                  "      table 10,78 784x41 cols=10 spacing=-1 padding=1 border=0 doc 30..173\n"
                  "        widths 38,83,83,83,83,83,83,83,83,83\n"
                  "        row y=78 h=14\n"
                  "          cell 0 9,77 39x14 valign middle bg #e3e4dc\n"))
      << dump;
  const Bitmap image = Render(900, 200);
  // The caption's row is not framed; the table's first line is at y 77.
  EXPECT_EQ(image.Pixel(120, 70), platform::clWhite);   // right of "Coefficients"
  EXPECT_EQ(image.Pixel(30, 77), kFrame);
  for (int x : {9, 47, 130, 794}) EXPECT_EQ(image.Pixel(x, 84), kFrame) << x;
  EXPECT_EQ(image.Pixel(60, 84), kHeadShade);
  EXPECT_EQ(image.Pixel(120, 98), platform::clWhite);
}

// ------------------------------------------------------------------ tables

TEST_F(LayoutPagesTest, NestedTables) {
  // The inner table (13 for "x", + 6 for padding, cell border and spacing,
  // + 2 spacing + 2 frame) makes the outer second column 23 wide; the row
  // is as high as the text above the inner table and the inner table.
  EXPECT_EQ(Boxes("<table border=1><tr><td>a</td><td>b<table border=1><tr><td>x</td></tr></table>"
                  "</td></tr></table>"),
            "body default. 10,5 380x46 margin 5,10,5,10 doc 0..6\n"
            "  tableblock table. 10,5 40x46 border 1,1,1,1 doc 0..6 frame 1\n"
            "    table 11,6 38x44 cols=2 spacing=2 padding=1 border=1 doc 0..6\n"
            "      widths 13,23\n"
            "      row y=6 h=42\n"
            "        cell 0 13,8 11x40 valign middle indent 11\n"
            "          section 0,21 7x13 doc 0..2\n"
            "        cell 1 26,8 21x40 valign middle\n"
            "          section 0,10 17x13 doc 2..4\n"
            "          tableblock table. 0,23 17x23 border 1,1,1,1 doc 4..6 frame 1\n"
            "            table 1,24 15x21 cols=1 spacing=2 padding=1 border=1 doc 4..6\n"
            "              widths 13\n"
            "              row y=24 h=19\n"
            "                cell 0 3,26 11x17 valign middle\n"
            "                  section 0,28 7x13 doc 4..6\n");
  // An inner table of WIDTH=200 widens its column to hold it (200 + 6).
  EXPECT_TRUE(Has(Boxes("<table border=1><tr><td>a</td><td><table width=200 border=1><tr><td>x</td>"
                        "</tr></table></td></tr></table>"),
                  "      widths 13,206\n"
                  "      row y=6 h=29\n"
                  "        cell 0 13,8 11x27 valign middle indent 5\n"
                  "          section 0,15 7x13 doc 0..2\n"
                  "        cell 1 26,8 204x27 valign middle\n"
                  "          tableblock table. 0,10 200x23 border 1,1,1,1 doc 2..4 frame 1\n"));
}

TEST_F(LayoutPagesTest, RowAndColumnSpans) {
  EXPECT_EQ(Boxes("<table border=1 cellspacing=0><tr><td colspan=2>wide</td></tr>"
                  "<tr><td rowspan=2>tall</td><td>b</td></tr><tr><td>c</td></tr></table>"),
            "body default. 10,5 380x53 margin 5,10,5,10 doc 0..14\n"
            "  tableblock table. 10,5 45x53 border 1,1,1,1 doc 0..14 frame 1\n"
            "    table 11,6 43x51 cols=2 spacing=0 padding=1 border=1 doc 0..14\n"
            "      widths 32,11\n"
            "      row y=6 h=17\n"
            "        cell 0 11,6 43x17 span 2x1 valign middle\n"
            "          section 0,8 39x13 doc 0..5\n"
            "      row y=23 h=17\n"
            "        cell 0 11,23 32x34 span 1x2 valign middle indent 8\n"
            "          section 0,33 28x13 doc 5..10\n"
            "        cell 1 43,23 11x17 valign middle\n"
            "          section 0,25 7x13 doc 10..12\n"
            "      row y=40 h=17\n"
            "        cell 1 43,40 11x17 valign middle\n"
            "          section 0,42 7x13 doc 12..14\n");
}

TEST_F(LayoutPagesTest, PercentageAndFixedWidths) {
  // 300 pixels: 20% is 60, a 100-pixel cell 100, the free column the rest.
  EXPECT_TRUE(Has(Boxes("<table width=300 cellspacing=0 cellpadding=0><tr><td width=\"20%\">a</td>"
                        "<td width=100>b</td><td>c</td></tr></table>"),
                  "    table 10,5 300x13 cols=3 spacing=0 padding=0 border=0 doc 0..6\n"
                  "      widths 60,100,140\n"));
  // 50% of the body's 380 is 190; a 75% cell of it 143.
  EXPECT_TRUE(Has(Boxes("<table width=\"50%\" cellspacing=0 cellpadding=0><tr><td>a</td>"
                        "<td width=\"75%\">b</td></tr></table>"),
                  "    table 10,5 190x13 cols=2 spacing=0 padding=0 border=0 doc 0..4\n"
                  "      widths 47,143\n"));
}

TEST_F(LayoutPagesTest, TableWiderThanTheWindow) {
  const std::string word(74, 'a');
  EXPECT_EQ(Boxes("<table border=1><tr><td>" + word + "</td></tr></table>"),
            "body default. 10,5 380x23 margin 5,10,5,10 doc 0..75\n"
            "  tableblock table. 10,5 528x23 border 1,1,1,1 doc 0..75 frame 1\n"
            "    table 11,6 526x21 cols=1 spacing=2 padding=1 border=1 doc 0..75\n"
            "      widths 524\n"
            "      row y=6 h=19\n"
            "        cell 0 13,8 522x17 valign middle\n"
            "          section 0,10 518x13 doc 0..75\n");
}

TEST_F(LayoutPagesTest, EmptyTableAndEmptyCells) {
  EXPECT_EQ(Boxes("<table border=1></table><table border=1><tr><td></td><td>x</td></tr></table>"),
            "body default. 10,5 380x27 margin 5,10,5,10 doc 0..2\n"
            "  tableblock table. 10,5 4x4 border 1,1,1,1 doc 0..0 frame 1\n"
            "    table 11,6 2x2 cols=0 spacing=2 padding=1 border=1 doc 0..0\n"
            "  tableblock table. 10,9 23x23 border 1,1,1,1 doc 0..2 frame 1\n"
            "    table 11,10 21x21 cols=2 spacing=2 padding=1 border=1 doc 0..2\n"
            "      widths 6,13\n"
            "      row y=10 h=19\n"
            "        cell 0 13,12 4x17 valign middle indent 6\n"
            "        cell 1 19,12 11x17 valign middle\n"
            "          section 0,14 7x13 doc 0..2\n");
  // The empty cell gets no frame; the one with content a sunken one.
  const Bitmap image = Render(100, 50);
  EXPECT_EQ(image.Pixel(14, 12), platform::clWhite);
  EXPECT_NE(image.Pixel(20, 12), platform::clWhite);
}

// ------------------------------------------------------------------ blocks

TEST_F(LayoutPagesTest, MarginCollapsing) {
  // Bottom 10 against top 20: 20 apart; -5 against 20: 15; an empty block's
  // bottom margin 30 is taken over by the next block (30 against 10).
  EXPECT_EQ(Boxes("<p style=\"margin-bottom:10px\">a</p>"
                  "<p style=\"margin-top:20px;margin-bottom:-5px\">b</p>"
                  "<p style=\"margin-top:20px\">c</p><div style=\"margin:30px 0 30px 0\"></div>"
                  "<p style=\"margin-top:10px\">d</p>"),
            "body default. 10,5 380x161 margin 5,10,5,10 doc 0..8\n"
            "  block p. 10,5 380x13 doc 0..2\n"
            "    section 10,5 380x13 doc 0..2\n"
            "  block p. 10,38 380x13 margin 20,0,0,0 doc 2..4\n"
            "    section 10,38 380x13 doc 2..4\n"
            "  block p. 10,66 380x13 margin 15,0,0,0 doc 4..6\n"
            "    section 10,66 380x13 doc 4..6\n"
            "  block div. 10,109 380x0 margin 30,0,0,0 doc 6..6\n"
            "  block p. 10,139 380x13 margin 30,0,14,0 doc 6..8\n"
            "    section 10,139 380x13 doc 6..8\n");
  // The first child's top margin gives up what the body's margin gives.
  EXPECT_TRUE(Has(Boxes("<h2>x</h2>"), "  block h2. 10,19 380x20 margin 14,0,19,0 doc 0..2\n"));
}

TEST_F(LayoutPagesTest, FloatsWithTextFlowingRoundThemAndClear) {
  const std::string dump =
      Dump("<div style=\"float:left; margin-right:5px\">left one</div><div style=\"float:right\">right</div>"
           "Text that flows between the floats and below them.");
  EXPECT_TRUE(Has(dump,
                  "  block div. 10,5 56x13 margin 0,5,0,0 float left z 1 doc 0..9\n"
                  "    section 10,5 56x13 doc 0..9\n"
                  "      line y=5 h=13 base=15 x=10..66\n"))
      << dump;
  EXPECT_TRUE(Has(dump,
                  "  block div. 355,5 35x13 float right z 1 doc 9..15\n"
                  "    section 355,5 35x13 doc 9..15\n"
                  "      line y=5 h=13 base=15 x=355..390\n"))
      << dump;
  // The first line of the text between the floats, the second below them.
  EXPECT_TRUE(Has(dump, "    line y=5 h=13 base=15 x=71..337\n")) << dump;
  EXPECT_TRUE(Has(dump, "    line y=18 h=13 base=28 x=10..87\n")) << dump;

  EXPECT_EQ(Boxes("<div style=\"float:left;height:40px\">f</div><p style=\"clear:left\">cleared</p>"),
            "body default. 10,5 380x81 margin 5,10,5,10 doc 0..10\n"
            "  block div. 10,5 7x40 float left z 1 doc 0..2\n"
            "    section 10,5 7x13 doc 0..2\n"
            "  block p. 10,59 380x13 margin 14,0,14,0 clear +40 doc 2..10\n"
            "    section 10,59 380x13 doc 2..10\n");
}

TEST_F(LayoutPagesTest, RelativeAndAbsolutePositioning) {
  EXPECT_EQ(Boxes("<div style=\"position:relative; left:20px; top:10px\">moved</div>"
                  "<div style=\"position:absolute; left:200px; top:50px; width:80px\">abs</div>"
                  "<p>after</p>"),
            "body default. 10,5 380x54 margin 5,10,5,10 doc 0..16\n"
            "  block div. 10,5 380x13 relative 20,10 doc 0..6\n"
            "    section 10,5 380x13 doc 0..6\n"
            "  block div. 200,50 80x13 absolute 200,50 z 1 doc 6..10\n"
            "    section 200,50 80x13 doc 6..10\n"
            "  block p. 10,32 380x13 margin 14,0,14,0 doc 10..16\n"
            "    section 10,32 380x13 doc 10..16\n");
}

// Preformatted lines are cut where the cell they are drawn in lets them
// reach (their x + the cell's clip width). An absolutely positioned block
// draws its content outside the flow but in the same cell, so its lines are
// drawn, and cut, as those of a block in the flow at the same x: the same
// ink, moved down by the difference of their tops.
TEST_F(LayoutPagesTest, PreformattedTextInAnAbsoluteBlockIsDrawnAndCutAsInTheFlow) {
  auto ink = [](const Bitmap& image) {
    std::vector<std::pair<int, int>> points;
    for (int y = 0; y < image.Height(); ++y)
      for (int x = 0; x < image.Width(); ++x)
        if (image.Pixel(x, y) != platform::clWhite) points.emplace_back(x, y);
    return points;
  };
  const std::string wide = "<pre>" + std::string(60, 'm') + "</pre>";   // x 10..370
  struct Case {
    const char* what;
    std::string absolute, inFlow;
    const char *absoluteLine, *inFlowLine;   // where each lays its line out
    int clipWidth, down;
    int inkEnd;                              // the ink ends just left of it
  };
  const Case cases[] = {
      {"a short line",
       "<div style=\"position:absolute; left:20px; top:20px\"><pre>some text</pre></div>",
       "<div style=\"margin-left:10px\"><pre>some text</pre></div>", "pre 20,20 360x11",
       "pre 20,5 370x11", 400, 15, 80},
      // A set width gives way to the line's, as in the flow; what cuts
      // the line is the clip width of the cell, 200 right of its x.
      {"a wide line",
       "<div style=\"position:absolute; left:10px; top:40px; width:50px\">" + wide + "</div>",
       "<div style=\"width:50px\">" + wide + "</div>", "pre 10,40 360x11", "pre 10,5 360x11", 200,
       35, 210},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string flowDump = Dump(c.inFlow, 400);
    ASSERT_TRUE(Has(flowDump, c.inFlowLine)) << flowDump;
    std::vector<std::pair<int, int>> expected;
    for (auto [x, y] : ink(Render(500, 100, c.clipWidth))) expected.emplace_back(x, y + c.down);
    const std::string absoluteDump = Dump(c.absolute, 400);
    ASSERT_TRUE(Has(absoluteDump, c.absoluteLine)) << absoluteDump;
    const std::vector<std::pair<int, int>> drawn = ink(Render(500, 100, c.clipWidth));

    ASSERT_FALSE(expected.empty());
    EXPECT_TRUE(drawn == expected) << drawn.size() << " pixels inked, " << expected.size()
                                   << " in the flow";
    int right = 0;
    for (auto [x, y] : drawn) right = std::max(right, x + 1);
    EXPECT_LE(right, c.inkEnd);
    EXPECT_GT(right, c.inkEnd - 8) << "the ink reaches it";
  }
}

TEST_F(LayoutPagesTest, ListMarkersOfEveryType) {
  const std::string boxes = Boxes(
      "<ul><li>one<ul><li>two<ul><li>three</ul></ul></ul>"
      "<ol type=i start=20><li>x<li>y</ol><ol type=A start=26><li>z<li>aa</ol><ol><li>1</ol>"
      "<ol type=a start=0><li>zero</ol><ul style=\"list-style-type:circle\"><li>c</ul>"
      "<ul plain><li>p</ul><dl><dt>term<dd>text</dl>");
  const char* const expected[] = {
      "    li li. 45,5 345x39 doc 0..14 marker disc base=15\n",
      "        li li. 80,18 310x26 doc 4..14 marker circle base=28\n",
      "            li li. 115,31 275x13 doc 8..14 marker square base=41\n",
      "    li li. 45,58 345x13 doc 14..16 marker \"xx.\" base=68\n",
      "    li li. 45,71 345x13 doc 16..18 marker \"xxi.\" base=81\n",
      "    li li. 45,98 345x13 doc 18..20 marker \"Z.\" base=108\n",
      "    li li. 45,111 345x13 doc 20..23 marker \"AA.\" base=121\n",
      " marker \"1.\" ",
      " marker \"0.\" ",
      " marker circle ",
      " marker none ",
      "li dt. ",
      "li dd. ",
  };
  for (const char* line : expected) EXPECT_TRUE(Has(boxes, line)) << line << "\n" << boxes;
}

TEST_F(LayoutPagesTest, WritePictures) {
  const char* dir = std::getenv("LAYOUT_PAGES_PNG_DIR");
  if (!dir) GTEST_SKIP() << "set LAYOUT_PAGES_PNG_DIR to write the pages as pictures";
  const std::pair<const char*, std::string> pages[] = {
      {"header", ReportPage("header")},
      {"model", ReportPage("model")},
      {"regression", ReportPage("regression")},
      {"features",
       "<div style=\"float:left; width:120px; background-color:#ffe0a0; border:2px solid #a06000;"
       " padding:4px\">A left float with a border</div>"
       "<div style=\"float:right; background-color:#d0e0ff\">right float</div>"
       "Text flows round both floats until they end and then takes the whole width again, "
       "as long as it goes on."
       "<p style=\"clear:both; position:relative; left:30px; background-color:#e0ffe0\">"
       "A cleared paragraph moved 30 pixels right.</p>"
       "<ul><li>disc<ul><li>circle<ul><li>square</ul></ul></ul>"
       "<ol type=i start=19><li>nineteen<li>twenty<li>twenty-one</ol>"
       "<ol type=a start=26><li>z<li>aa</ol>"
       "<table border=2 cellpadding=4><tr><td rowspan=2>tall</td><td colspan=2>wide</td></tr>"
       "<tr><td>b</td><td><table border=1><tr><td>nested</td></tr></table></td></tr></table>"
       "<div style=\"position:absolute; left:500px; top:200px; width:120px; border:1px dotted red\">"
       "absolutely placed</div>"},
  };
  // With the platform's own fonts as well, to see the pages as a user would.
  for (const bool qtFonts : {false, true}) {
    if (qtFonts) platform::SetFontBackend(platform::FontBackend::Qt);
    for (const auto& [name, html] : pages) {
      Dump(html, 700);
      Render(900, 320).Image().save(QString::fromStdString(std::string(dir) + "/" + name +
                                                           (qtFonts ? "-qt" : "") + ".png"));
    }
  }
  platform::SetFontBackend(platform::FontBackend::FixedMetric, {"Fixed Sans"});
}

TEST_F(LayoutPagesTest, CaptionBelowTheTable) {
  // The pair is as wide as the table or the caption's longest word; the
  // caption wraps to it, the narrower table is centred in it.
  EXPECT_EQ(Boxes("<table border=1><caption align=bottom>below the table</caption><tr><td>x</td></tr>"
                  "</table><p>after</p>"),
            "body default. 10,5 380x103 margin 5,10,5,10 doc 0..24\n"
            "  captionblock table. 10,5 35x62 doc 0..18 caption bottom\n"
            "    tableblock table. 19,5 17x23 margin 0,0,0,9 border 1,1,1,1 doc 0..2 frame 1\n"
            "      table 20,6 15x21 cols=1 spacing=2 padding=1 border=1 doc 0..2\n"
            "        widths 13\n"
            "        row y=6 h=19\n"
            "          cell 0 22,8 11x17 valign middle\n"
            "            section 0,10 7x13 doc 0..2\n"
            "    block caption. 10,28 35x39 doc 2..18\n"
            "      section 10,28 35x39 doc 2..18\n"
            "  block p. 10,81 380x13 margin 14,0,14,0 doc 18..24\n"
            "    section 10,81 380x13 doc 18..24\n");
}

TEST_F(LayoutPagesTest, RandomTablesLayOutWithinTheirGrid) {
  // Seeded random tables with spans, widths, heights and nesting: every one
  // lays out, its columns add up to its width and every cell lies inside.
  unsigned seed = 12345;
  auto next = [&seed](int n) {
    seed = seed * 1103515245u + 12345u;
    return static_cast<int>((seed >> 16) % static_cast<unsigned>(n));
  };
  const char* const widths[] = {"", " width=40", " width=\"30%\"", " width=\"100%\"", " width=0",
                                " width=\"150%\""};
  std::function<std::string(int)> table = [&](int depth) {
    std::string html = "<table border=" + std::to_string(next(3)) +
                       " cellspacing=" + std::to_string(next(4) - 1) +
                       (next(3) == 0 ? std::string(" width=\"") + std::to_string(next(120)) + "%\"" : "") +
                       (next(4) == 0 ? " style=\"border-collapse:collapse\"" : "") + ">";
    const int rows = next(5);
    for (int r = 0; r < rows; ++r) {
      html += next(5) == 0 ? "<tr height=30>" : "<tr>";
      const int cells = next(5);
      for (int c = 0; c < cells; ++c) {
        html += "<td colspan=" + std::to_string(next(4)) + " rowspan=" + std::to_string(next(4)) +
                widths[next(6)] + (next(6) == 0 ? " height=\"50%\"" : "") + ">";
        html += std::string(static_cast<size_t>(next(12)), 'w');
        if (depth < 3 && next(4) == 0) html += table(depth + 1);
        html += "</td>";
      }
    }
    return html + "</table>";
  };
  for (int i = 0; i < 200; ++i) {
    const std::string html = table(0);
    Dump(html, 50 + next(400));
    ASSERT_EQ(doc->Count(), 1) << html;
    auto* body = dynamic_cast<TBodyBlock*>((*doc)[0]);
    ASSERT_NE(body, nullptr);
    for (int k = 0; k < body->MyCell.Count(); ++k) {
      auto* tb = dynamic_cast<TTableBlock*>((body->MyCell)[k]);
      if (!tb) continue;
      const ThtmlTable& t = *tb->Table;
      int sum = 0;
      for (int w : t.Widths) {
        EXPECT_GE(w, 0) << html;
        sum += w;
      }
      EXPECT_EQ(t.TableWidth, std::max(0, sum + t.CellSpacing)) << html;
      EXPECT_GE(t.SectionHeight, 0) << html;
      for (const auto& row : t.Rows)
        for (int c = 0; c < row->Count(); ++c) {
          const TCellObj* cell = (*row)[c];
          if (!cell || !cell->IsReal()) continue;
          EXPECT_LE(c + cell->ColSpan, t.NumCols) << html;
          EXPECT_GE(cell->Ht, 0) << html;
        }
    }
  }
}

// ----------------------------------------------------------- nested content

// Tables three deep with text before, between and after each inner table:
// every text stays in its own cell, and the outer table's second cell and
// the text after it stay where they are.
TEST_F(LayoutPagesTest, TablesThreeDeepKeepTheTextAroundEachInnerTable) {
  const std::string dump = Dump(
      "<table><tr><td>a<table><tr><td>b<table><tr><td>c</td></tr></table>d"
      "<table><tr><td>e</td></tr></table>f</td></tr></table>g</td><td>h</td></tr></table>i");
  // A letter is 7 wide: each innermost column is 7 + 2 padding + 2 spacing
  // = 11 and its table 13; the middle column 13 + 4 = 17, its table 19; the
  // outer columns 23 and 11, the table 36. The middle cell stacks b, the
  // first inner table, d, the second, f (13 + 19 + 13 + 19 + 13 + 2
  // padding = 79); the outer cell a, the middle table, g (13 + 83 + 13 + 2
  // = 111); h sits in the middle of the second outer cell ((111 - 15) / 2 =
  // 48). Every text's run starts at its letter in the source and ends past
  // the blank that closes it (the next tag, or the end of the text for "i").
  EXPECT_EQ(dump,
            "body default. 10,5 380x128 margin 5,10,5,10 doc 0..18\n"
            "  tableblock table. 10,5 36x115 doc 0..16\n"
            "    table 10,5 36x115 cols=2 spacing=2 padding=1 border=0 doc 0..16\n"
            "      widths 23,11\n"
            "      row y=5 h=113\n"
            "        cell 0 12,7 21x111 valign middle\n"
            "          section 0,8 19x13 doc 0..2\n"
            "            line y=8 h=13 base=18 x=0..7\n"
            "              run 15..17 x=0..14 \"a \" font \"Fixed Sans\" 13 color #000000\n"
            "          tableblock table. 0,21 19x83 doc 2..12\n"
            "            table 0,21 19x83 cols=1 spacing=2 padding=1 border=0 doc 2..12\n"
            "              widths 17\n"
            "              row y=21 h=81\n"
            "                cell 0 2,23 15x79 valign middle\n"
            "                  section 0,24 13x13 doc 2..4\n"
            "                    line y=24 h=13 base=34 x=0..7\n"
            "                      run 31..33 x=0..14 \"b \" font \"Fixed Sans\" 13 color #000000\n"
            "                  tableblock table. 0,37 13x19 doc 4..6\n"
            "                    table 0,37 13x19 cols=1 spacing=2 padding=1 border=0 doc 4..6\n"
            "                      widths 11\n"
            "                      row y=37 h=17\n"
            "                        cell 0 2,39 9x15 valign middle\n"
            "                          section 0,40 7x13 doc 4..6\n"
            "                            line y=40 h=13 base=50 x=0..7\n"
            "                              run 47..49 x=0..14 \"c \" font \"Fixed Sans\" 13 color #000000\n"
            "                  section 0,56 13x13 doc 6..8\n"
            "                    line y=56 h=13 base=66 x=0..7\n"
            "                      run 66..68 x=0..14 \"d \" font \"Fixed Sans\" 13 color #000000\n"
            "                  tableblock table. 0,69 13x19 doc 8..10\n"
            "                    table 0,69 13x19 cols=1 spacing=2 padding=1 border=0 doc 8..10\n"
            "                      widths 11\n"
            "                      row y=69 h=17\n"
            "                        cell 0 2,71 9x15 valign middle\n"
            "                          section 0,72 7x13 doc 8..10\n"
            "                            line y=72 h=13 base=82 x=0..7\n"
            "                              run 82..84 x=0..14 \"e \" font \"Fixed Sans\" 13 color #000000\n"
            "                  section 0,88 13x13 doc 10..12\n"
            "                    line y=88 h=13 base=98 x=0..7\n"
            "                      run 101..103 x=0..14 \"f \" font \"Fixed Sans\" 13 color #000000\n"
            "          section 0,104 19x13 doc 12..14\n"
            "            line y=104 h=13 base=114 x=0..7\n"
            "              run 120..122 x=0..14 \"g \" font \"Fixed Sans\" 13 color #000000\n"
            "        cell 1 35,7 9x111 valign middle indent 48\n"
            "          section 0,56 7x13 doc 14..16\n"
            "            line y=56 h=13 base=66 x=0..7\n"
            "              run 130..132 x=0..14 \"h \" font \"Fixed Sans\" 13 color #000000\n"
            "  section 10,120 380x13 doc 16..18\n"
            "    line y=120 h=13 base=130 x=10..17\n"
            "      run 149..151 x=10..24 \"i \" font \"Fixed Sans\" 13 color #000000\n");
}

// A preformatted line holds the source from its first character to its line
// end: no run's range ends before it starts.
// A host may show the page from its progress report while the layout is
// still inside a table: the draw's own table depth must not become the
// layout's, or the table stops placing its cells.
TEST_F(LayoutPagesTest, ADrawFromTheProgressReportLeavesTheTableLayoutAlone) {
  std::string html = "<table border=1><tr><td>";
  for (int i = 0; i < 60; ++i) html += "<p>para " + std::to_string(i) + "</p>";
  html += "</td><td valign=bottom>end <table><tr><td>inner</td></tr></table></td></tr></table>"
          "<p>after</p>";
  const std::string quiet = Dump(html);
  int reports = 0;
  const std::string drawn = Dump(html, 400, [&](int) {
    ++reports;
    Render(400, 300);
  });
  EXPECT_GT(reports, 0);
  EXPECT_EQ(drawn, quiet);
}

TEST_F(LayoutPagesTest, PreformattedLinesDumpTheirSourceInOrder) {
  // Each line ends at its line end ("ab" at 5..7, its end at 7), the last
  // at the end tag.
  EXPECT_EQ(Dump("<pre>ab\ncd  e\n\nf</pre>"),
            "body default. 10,5 380x44 margin 5,10,5,10 doc 0..12\n"
            "  block pre. 10,5 380x44 doc 0..12\n"
            "    pre 10,5 380x11 doc 0..3\n"
            "      line y=5 h=11 base=14 x=10..22\n"
            "        run 5..8 x=10..28 \"ab \" font \"Fixed Sans\" 11 color #000000\n"
            "    pre 10,16 380x11 doc 3..9\n"
            "      line y=16 h=11 base=25 x=10..40\n"
            "        run 8..14 x=10..46 \"cd  e \" font \"Fixed Sans\" 11 color #000000\n"
            "    pre 10,27 380x11 doc 9..10\n"
            "      line y=27 h=11 base=36 x=10..10\n"
            "        run 14..15 x=10..16 \" \" font \"Fixed Sans\" 11 color #000000\n"
            "    pre 10,38 380x11 doc 10..12\n"
            "      line y=38 h=11 base=47 x=10..16\n"
            "        run 15..17 x=10..22 \"f \" font \"Fixed Sans\" 11 color #000000\n");
  // Cut short by the end of the text, the last line ends there; a plain
  // text document's lines end at their line ends too.
  const std::string cut = Dump("<pre>a\nbc");
  EXPECT_TRUE(Has(cut, "run 5..7 x=10..22 \"a \"")) << cut;
  EXPECT_TRUE(Has(cut, "run 7..10 x=10..28 \"bc \"")) << cut;
  doc = std::make_unique<TSectionList>(nullptr, nullptr);
  doc->SetDefaults("Fixed Sans", "Fixed Sans", 10, platform::clBlack, platform::clBlue,
                   platform::clPurple, platform::clBlue, platform::clWhite, false, true, 1, 5, 10);
  ParsePlainText("one\ntwo", *doc);
  int maxWidth = 0, curs = 0;
  doc->Layout(canvas, 0, 400, 0, 0, maxWidth, curs);
  const std::string plain = DumpLayout(*doc);
  EXPECT_TRUE(Has(plain, "run 0..4 x=10..34 \"one \"")) << plain;
  EXPECT_TRUE(Has(plain, "run 4..8 x=10..34 \"two \"")) << plain;
}
