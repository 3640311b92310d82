#include "htmlview/document/docparser.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

#include <QDir>

#include "htmlview/images/imagemap.h"
#include "parsedpage_helpers.h"
#include "htmlview/layout/blocks.h"
#include "htmlview/layout/listitems.h"
#include "htmlview/layout/docroot.h"
#include "htmlview/layout/imageobj.h"
#include "htmlview/layout/panelobj.h"
#include "htmlview/layout/simplesections.h"
#include "htmlview/layout/tables.h"
#include "htmlview/layout/textsection.h"
#include "htmlview/parse/codepages.h"
#include "htmlview/style/styleprops.h"
#include "platform/fonts.h"

namespace htmlview {
namespace {

// The text of a section with its special characters named, without the
// space every finished text ends in.
std::string TextOf(const TSection& s) {
  std::u16string text = s.Text;
  if (!text.empty() && text.back() == u' ') text.pop_back();
  std::string out;
  for (char16_t c : text) {
    switch (c) {
      case kBreakChar: out += "<br>"; break;
      case kNoBreakSpace: out += "<nbsp>"; break;
      case kImageChar: out += "<img>"; break;
      case kFormControlChar: out += "<ctl>"; break;
      default: out += EncodeUtf8(std::u16string_view(&c, 1)); break;
    }
  }
  return out;
}

std::string Describe(const TSectionBase* s);

std::string DescribeCell(const TCellBasic& cell) {
  std::string out;
  for (int i = 0; i < cell.Count(); ++i) {
    if (i) out += " ";
    out += Describe(cell[i]);
  }
  return out;
}

std::string DescribeTable(const ThtmlTable& t) {
  std::string out = "table[";
  for (size_t r = 0; r < t.Rows.size(); ++r) {
    if (r) out += " ";
    out += "tr[";
    const TCellList& row = *t.Rows[r];
    for (int c = 0; c < row.Count(); ++c) {
      if (c) out += " ";
      const TCellObj* cell = row[c];
      out += cell && cell->Cell ? "td(" + DescribeCell(*cell->Cell) + ")" : "-";
    }
    out += "]";
  }
  return out + "]";
}

// A short picture of the document tree: blocks by tag with their content
// in parentheses, text sections as quoted text, pre"..." for preformatted
// lines, tables as rows of cells.
std::string Describe(const TSectionBase* s) {
  if (auto* body = dynamic_cast<const TBodyBlock*>(s)) return "body(" + DescribeCell(body->MyCell) + ")";
  if (auto* pair = dynamic_cast<const TTableAndCaptionBlock*>(s))
    return "captioned(" + DescribeCell(pair->MyCell) + ")";
  if (auto* tb = dynamic_cast<const TTableBlock*>(s)) return DescribeCell(tb->MyCell);
  if (dynamic_cast<const THRBlock*>(s)) return "hr";
  if (auto* li = dynamic_cast<const TBlockLI*>(s))
    return "li" + std::to_string(li->ListNumber) + "(" + DescribeCell(li->MyCell) + ")";
  if (auto* block = dynamic_cast<const TBlock*>(s)) {
    std::string tag = block->TagClass().substr(0, block->TagClass().find('.'));
    return tag + "(" + DescribeCell(block->MyCell) + ")";
  }
  if (auto* table = dynamic_cast<const ThtmlTable*>(s)) return DescribeTable(*table);
  if (auto* pre = dynamic_cast<const TPreFormated*>(s)) return "pre\"" + TextOf(*pre) + "\"";
  if (auto* text = dynamic_cast<const TSection*>(s)) return "\"" + TextOf(*text) + "\"";
  if (dynamic_cast<const TPage*>(s)) return "page";
  return "?";
}

class DocParserTest : public ParsedPageTest {
 protected:
  std::string Tree(const std::string& html) {
    Parse(html);
    return DescribeCell(*list);
  }
  // The body's content only.
  std::string Content(const std::string& html) {
    Parse(html);
    auto* body = dynamic_cast<TBodyBlock*>((*list)[0]);
    return body ? DescribeCell(body->MyCell) : "no body";
  }

  // The first text section in document order.
  static TSection* FirstText(const TCellBasic& cell) {
    for (int i = 0; i < cell.Count(); ++i) {
      TSectionBase* s = cell[i];
      if (auto* t = dynamic_cast<TSection*>(s)) return t;
      if (auto* b = dynamic_cast<TBlock*>(s))
        if (TSection* t = FirstText(b->MyCell)) return t;
      if (auto* table = dynamic_cast<ThtmlTable*>(s))
        for (auto& row : table->Rows)
          for (int c = 0; c < row->Count(); ++c)
            if ((*row)[c] && (*row)[c]->Cell)
              if (TSection* t = FirstText(*(*row)[c]->Cell)) return t;
    }
    return nullptr;
  }
  // The run of a section that holds character index i.
  static const TFontObj* RunAt(const TSection& s, int i) {
    const TFontObj* found = nullptr;
    for (int k = 0; k < s.Fonts.Count(); ++k)
      if (s.Fonts[k]->Pos <= i) found = s.Fonts[k];
    return found;
  }
};

struct TreeCase {
  const char* html;
  const char* content;
};

TEST_F(DocParserTest, BlocksParagraphsHeadingsAndBreaks) {
  const TreeCase cases[] = {
      {"plain text", "\"plain text\""},
      {"<p>a<p>b", "p(\"a\") p(\"b\")"},
      {"<p><p><p>x</p>", "p(\"x\")"},
      {"<h2>Head</h2>after", "h2(\"Head\") \"after\""},
      {"<h1 align=middle>T<p>in</h1>", "h1(\"T\" p(\"in\"))"},
      {"a<br>b", "\"a\" \"b\""},
      {"a<br clear=all>b", "\"a\" \"b\""},
      {"<div>one<div>two</div>three</div>", "div(\"one\" div(\"two\") \"three\")"},
      {"<center>c</center>", "\"c\""},
      {"<blockquote>q</blockquote>", "blockquote(\"q\")"},
      {"x<hr>y", "\"x\" hr \"y\""},
      {"a<page>b", "\"a\" page \"b\""},
      {"<b>bold</b> <i>it</i>", "\"bold it\""},
      {"<form><input type=text name=n></form>", "form(\"<ctl>\")"},
      {"<p>a<table><tr><td>c</td></tr></table>", "p(\"a\") table[tr[td(\"c\")]]"},
      {"<br style='page-break-before: always'>x", "\"<br>\" page \"x\""},
      {"a<br clear=left style='page-break-after: always'>b", "\"a\" page \"b\""},
  };
  for (const auto& c : cases) EXPECT_EQ(Content(c.html), c.content) << c.html;
}

TEST_F(DocParserTest, Lists) {
  const TreeCase cases[] = {
      {"<ul><li>a<li>b</ul>", "ul(li1(\"a\") li2(\"b\"))"},
      {"<ol start=5><li>x<li value=10>y<li>z</ol>", "ol(li5(\"x\") li10(\"y\") li11(\"z\"))"},
      {"<ul><li></li></ul>", "ul(li1(\"<nbsp>\"))"},
      {"<ul></ul>after", "ul() \"after\""},
      {"<ul><li>a<ul><li>b</ul><li>c</ul>", "ul(li1(\"a\" ul(li1(\"b\"))) li2(\"c\"))"},
      {"<dl><dt>term<dd>def</dl>", "dl(li1(\"term\") li2(\"def\"))"},
      {"<li>alone", "li1(\"alone\")"},
      {"<ol><li>a<p>para</ol>", "ol(li1(\"a\" p(\"para\")))"},
  };
  for (const auto& c : cases) EXPECT_EQ(Content(c.html), c.content) << c.html;
}

TEST_F(DocParserTest, Tables) {
  const TreeCase cases[] = {
      {"<table><tr><td>a<td>b</table>", "table[tr[td(\"a\") td(\"b\")]]"},
      {"<table><td>x</table>", "table[tr[td(\"x\")]]"},
      {"<table><tr><td>a</td></tr>text</table>", "\"text\" table[tr[td(\"a\")]]"},
      {"<table><caption>cap</caption><tr><td>a</table>",
       "captioned(caption(\"cap\") table[tr[td(\"a\")]])"},
      {"<table><caption align=bottom>cap</caption><tr><td>a</table>",
       "captioned(table[tr[td(\"a\")]] caption(\"cap\"))"},
      {"<table><caption align=' Bottom\t'>cap</caption><tr><td>a</table>",
       "captioned(table[tr[td(\"a\")]] caption(\"cap\"))"},
      // Only bottom moves a caption: other alignment words leave it on top.
      {"<table><caption align=baseline>cap</caption><tr><td>a</table>",
       "captioned(caption(\"cap\") table[tr[td(\"a\")]])"},
      {"<table><tfoot><tr><td>f</tfoot><tbody><tr><td>b</table>",
       "table[tr[td(\"b\")] tr[td(\"f\")]]"},
      {"<table><tr><td>1<thead><tr><td>h</table>", "table[tr[td(\"1\")] tr[td(\"h\")]]"},
      {"<table><tr><td><table><tr><td>in</table></table>",
       "table[tr[td(table[tr[td(\"in\")]])]]"},
      {"<tr><td>stray</td></tr>", "\"stray\""},
      {"<table><tr><td>cut", "table[tr[td(\"cut\")]]"},
  };
  for (const auto& c : cases) EXPECT_EQ(Content(c.html), c.content) << c.html;
}

// A table inside a cell or a list item ends at its own end tag: what
// follows it stays in the cell or item, and the tables around go on.
TEST_F(DocParserTest, NestedTableEndsOnlyItself) {
  const TreeCase cases[] = {
      {"<table><tr><td>a<table><tr><td>b</td></tr></table>c</td><td>d</td></tr>"
       "<tr><td>e</td></tr></table>after",
       "table[tr[td(\"a\" table[tr[td(\"b\")]] \"c\") td(\"d\")] tr[td(\"e\")]] \"after\""},
      {"<table><tr><td><table><tr><td>1</table><table><tr><td>2</table>x<td>y</table>",
       "table[tr[td(table[tr[td(\"1\")]] table[tr[td(\"2\")]] \"x\") td(\"y\")]]"},
      {"<ul><li>a<table><tr><td>b</table>c<li>d</ul>after",
       "ul(li1(\"a\" table[tr[td(\"b\")]] \"c\") li2(\"d\")) \"after\""},
      {"<table><tr><td><ul><li>x<table><tr><td>y</table>z</ul>w<td>v</table>",
       "table[tr[td(ul(li1(\"x\" table[tr[td(\"y\")]] \"z\")) \"w\") td(\"v\")]]"},
      {"<table><tr><td><p>p<table><tr><td>t</table>q</td><td>r</table>",
       "table[tr[td(p(\"p\") table[tr[td(\"t\")]] \"q\") td(\"r\")]]"},
  };
  for (const auto& c : cases) EXPECT_EQ(Content(c.html), c.content) << c.html;
}

TEST_F(DocParserTest, ElevenNestedTablesFlattenTheInnermost) {
  std::string html;
  for (int i = 0; i < 11; ++i) html += "<table><tr><td>";
  html += "deep";
  for (int i = 0; i < 11; ++i) html += "</td></tr></table>";
  html += "<table><tr><td>next</table>";
  // The eleventh TABLE tag is ignored, and so are its row, cell and end
  // tags: its content joins the tenth table's cell.
  std::string expected = "table[tr[td(\"deep\")]]";
  for (int i = 0; i < 9; ++i) expected = "table[tr[td(" + expected + ")]]";
  expected += " table[tr[td(\"next\")]]";
  EXPECT_EQ(Content(html), expected);
}

TEST_F(DocParserTest, TablesBeyondTheTenthLevelKeepTheTenthWhole) {
  auto nest = [](const std::string& inner) {
    std::string html;
    for (int i = 0; i < 10; ++i) html += "<table><tr><td>";
    html += inner;
    for (int i = 0; i < 10; ++i) html += "</td></tr></table>";
    return html;
  };
  auto tenth = [](const std::string& table) {
    std::string expected = table;
    for (int i = 0; i < 9; ++i) expected = "table[tr[td(" + expected + ")]]";
    return expected;
  };
  const TreeCase cases[] = {
      // Rows, cells and end tag of the eleventh table are skipped; the text
      // after it and the tenth table's second cell stay where they were.
      {"a<table><tr><td>x</td>\n<td>y</td></tr><tr><th>z</th></tr></table>b</td><td>c",
       "table[tr[td(\"ax yzb\") td(\"c\")]]"},
      // Twelve deep: both ignored levels are counted.
      {"a<table><tr><td>x<table><tr><td>y</table>z</table>b</td><td>c",
       "table[tr[td(\"axyzb\") td(\"c\")]]"},
      // An ignored table's row groups and caption do not end the cell.
      {"<table><caption>k</caption><thead><tr><td>h</thead><tbody><tr><td>v</tbody>"
       "</table></td><td>c",
       "table[tr[td(\"khv\") td(\"c\")]]"},
  };
  for (const auto& c : cases) EXPECT_EQ(Content(nest(c.html)), tenth(c.content)) << c.html;
}

TEST_F(DocParserTest, PreformattedLines) {
  // A line end after the start tag gives an empty first line; every line
  // is a section of its own and keeps its spaces.
  EXPECT_EQ(Content("<pre>\nx  y\n</pre>"), "pre(pre\"\" pre\"x  y\" pre\"\")");
  EXPECT_EQ(Content("<pre>   indented\n\tx</pre>"), "pre(pre\"   indented\" pre\" x\")");
  EXPECT_EQ(Content("<pre>a<b>b</b>&lt;c<br>d</pre>e"), "pre(pre\"ab<c\" pre\"d\") \"e\"");
  // A table ends the preformatted text and is read as a table.
  EXPECT_EQ(Content("<pre>a<table><tr><td>t</table>"), "pre(pre\"a\") table[tr[td(\"t\")]]");
  EXPECT_EQ(Content("<pre wrap>a  b</pre>"), "\"a b\"");
  // Paragraphs, forms and controls inside stay preformatted.
  EXPECT_EQ(Content("<pre>a<p>b</p>c</pre>"), "pre(pre\"a\" p(pre\"b\") pre\"c\")");
  EXPECT_EQ(Content("<pre>x<form><input name=a><select><option>o</select></form>y</pre>"),
            "pre(pre\"x\" form(pre\"<ctl><ctl>\") pre\"y\")");
  EXPECT_EQ(Content("<pre>a<br>\nb<page>c</pre>"), "pre(pre\"a\" pre\"b\" page pre\"c\")");
  EXPECT_EQ(Content("<pre>a<br style='page-break-after: always'>\nb</pre>"),
            "pre(pre\"a\" page pre\"b\")");
  EXPECT_EQ(Content("<pre>cut off"), "pre(pre\"cut off\")");
}

// What follows an OBJECT inside PRE is read as preformatted text again:
// line ends and runs of spaces stay, and a tag right after it counts.
TEST_F(DocParserTest, PreformattedTextAfterAnObject) {
  std::string wanted;
  TParserEvents events;
  events.Object = [&](TPanelObj&, const std::vector<std::string>&,
                      const std::vector<std::string>& params, bool& want) {
    want = wanted == "yes";
    wanted += "|";
    for (const std::string& p : params) wanted += p + ";";
  };
  struct Case {
    const char* want;   // "" no handler, "no" the panel is refused, "yes" wanted
    const char* html;
    const char* content;
  } cases[] = {
      // The line end right after the object is skipped.
      {"", "<pre>a<object>\nx  y\nz</pre>", "pre(pre\"ax  y\" pre\"z\")"},
      {"", "<pre>a<object><br>b  c</pre>", "pre(pre\"a\" pre\"b  c\")"},
      {"no", "<pre>a<object><param name=p value=1>\nx  y\nz</pre>",
       "pre(pre\"ax  y\" pre\"z\")"},
      {"no", "<pre>a<object><param name=p> <p>in</p>  b</pre>",
       "pre(pre\"a\" p(pre\"in\") pre\"  b\")"},
      {"yes", "<pre>a<object><param name=p>fallback</object>  b\nc</pre>",
       "pre(pre\"a<img>  b\" pre\"c\")"},
  };
  for (const auto& c : cases) {
    wanted = c.want;
    Parse(c.html, *c.want ? events : TParserEvents{});
    EXPECT_EQ(DescribeCell(Body()->MyCell), c.content) << c.html;
  }
  wanted = "no";
  Parse("<pre><object><param name=a value=1>\n<param name=b>\nx</pre>", events);
  EXPECT_EQ(wanted, "no|a=1;b;");
}

TEST_F(DocParserTest, MisnestedEndTagsRederiveTheProperties) {
  Parse("<b>bold <i>both</b> italic</i>");
  TSection* s = FirstText(Body()->MyCell);
  ASSERT_NE(s, nullptr);
  const std::string text = TextOf(*s);
  const int b = static_cast<int>(text.find("bold")), i = static_cast<int>(text.find("italic"));
  const int both = static_cast<int>(text.find("both"));
  EXPECT_TRUE(RunAt(*s, b)->TheFont->weight >= platform::FW_BOLD);
  EXPECT_FALSE(RunAt(*s, b)->TheFont->italic);
  EXPECT_TRUE(RunAt(*s, both)->TheFont->italic);
  EXPECT_TRUE(RunAt(*s, both)->TheFont->weight >= platform::FW_BOLD);
  EXPECT_TRUE(RunAt(*s, i)->TheFont->italic);
  EXPECT_LT(RunAt(*s, i)->TheFont->weight, platform::FW_BOLD);
}

TEST_F(DocParserTest, FontSizesColoursAndFaces) {
  struct Case {
    const char* html;
    int points;
  } cases[] = {
      {"<font size=+2>x</font>", 18},
      {"<basefont size=5><font size=-1>x</font>", 14},
      {"<font size=7>x</font>", 36},
      {"<font size=+99999999999>x</font>", 36},   // saturates, then clamps to 7
      {"<font size=-99999999999>x</font>", 8},
      {"<pre><font size=+2>x</font></pre>", 15},
  };
  for (const auto& c : cases) {
    Parse(c.html);
    TSection* s = FirstText(Body()->MyCell);
    ASSERT_NE(s, nullptr) << c.html;
    EXPECT_EQ(RunAt(*s, 0)->TheFont->Size(), c.points) << c.html;
  }
  Parse("<font color=ff0000 face='NoSuchFont, Arial'>x</font>");
  const TFontObj* run = RunAt(*FirstText(Body()->MyCell), 0);
  EXPECT_EQ(run->TheFont->color & 0xFFFFFF, platform::Rgb(255, 0, 0));
  EXPECT_EQ(run->TheFont->name, "Arial");
}

TEST_F(DocParserTest, TableCellAlignment) {
  Parse("<table><tr><th>h<td>d<td align=right>r</table>");
  auto* tb = dynamic_cast<TTableBlock*>(Body()->MyCell.operator[](0));
  ASSERT_NE(tb, nullptr);
  const TCellList& row = *tb->Table->Rows[0];
  auto justify = [&](int c) { return FirstText(*row[c]->Cell)->Justify; };
  EXPECT_EQ(justify(0), TTextAlign::Center);   // TH centred
  EXPECT_EQ(justify(1), TTextAlign::Left);   // TD left
  EXPECT_EQ(justify(2), TTextAlign::Right);

  // A column's alignment wins over the cell's own.
  Parse("<table><col align=right><tr><td align=left>a<td>b<tr><td>c</table>");
  tb = dynamic_cast<TTableBlock*>(Body()->MyCell.operator[](0));
  ASSERT_NE(tb, nullptr);
  EXPECT_EQ(FirstText(*(*tb->Table->Rows[0])[0]->Cell)->Justify, TTextAlign::Right);
  EXPECT_EQ(FirstText(*(*tb->Table->Rows[0])[1]->Cell)->Justify, TTextAlign::Left);
  EXPECT_EQ(FirstText(*(*tb->Table->Rows[1])[0]->Cell)->Justify, TTextAlign::Right);
}

// A COL inside a COLGROUP starts from the group's description and
// overrides what it gives itself; descriptions after the first cell are
// ignored; a column's alignment reaches the cell standing in the column,
// past the positions a row span takes from above.
TEST_F(DocParserTest, ColumnDescriptions) {
  Parse("<table><colgroup align=right valign=bottom width=30%>"
        "<col><col align=center width=50 valign=top></colgroup>"
        "<col span=2 width=10%><col width=0%>"
        "<tr><td rowspan=2>a<td>b<td>c<tr><td>d<td>e<col width=7></table>");
  auto* tb = dynamic_cast<TTableBlock*>(Body()->MyCell.operator[](0));
  ASSERT_NE(tb, nullptr);
  const ThtmlTable& table = *tb->Table;
  ASSERT_NE(table.ColInfo, nullptr);
  struct Col {
    int width;
    bool percent;
    const char* align;
    TVAlign valign;
  };
  const Col expected[] = {
      {300, true, "right", TVAlign::Bottom}, {50, false, "center", TVAlign::Top},
      {100, true, "", TVAlign::None},        {100, true, "", TVAlign::None},
      {0, false, "", TVAlign::None},   // a percentage out of range gives no width
  };
  ASSERT_EQ(table.ColInfo->size(), std::size(expected));
  for (size_t i = 0; i < std::size(expected); ++i) {
    const TColObj& col = (*table.ColInfo)[i];
    EXPECT_EQ(col.ColWidth, expected[i].width) << i;
    EXPECT_EQ(col.ColAsPercent, expected[i].percent) << i;
    EXPECT_EQ(col.ColAlign, expected[i].align) << i;
    EXPECT_EQ(col.ColVAlign, expected[i].valign) << i;
  }
  const TCellList& first = *table.Rows[0];
  const TCellList& second = *table.Rows[1];
  EXPECT_EQ(FirstText(*first[0]->Cell)->Justify, TTextAlign::Right);
  EXPECT_EQ(first[0]->VAlign, TVAlign::Bottom);
  EXPECT_EQ(FirstText(*first[1]->Cell)->Justify, TTextAlign::Center);
  EXPECT_EQ(first[1]->VAlign, TVAlign::Top);
  EXPECT_EQ(first[2]->VAlign, TVAlign::Middle);
  // d and e stand in the second and third columns: a is above them.
  EXPECT_EQ(FirstText(*second[0]->Cell)->Justify, TTextAlign::Center);
  EXPECT_EQ(second[0]->VAlign, TVAlign::Top);
  EXPECT_EQ(second[1]->VAlign, TVAlign::Middle);
}

TEST_F(DocParserTest, HeadElementsAndEvents) {
  std::vector<std::string> metas, links, scripts;
  TParserEvents events;
  events.Meta = [&](const std::string& e, const std::string& n, const std::string& c) {
    metas.push_back(e + "|" + n + "|" + c);
  };
  events.Link = [&](const std::string& rel, const std::string& rev, const std::string& href) {
    links.push_back(rel + "|" + rev + "|" + href);
  };
  events.Script = [&](const std::string& name, const std::string& lang, const std::string& text) {
    scripts.push_back(name + "|" + lang + "|" + text);
  };
  Parse("<html><head><title>The &amp; title</title><base href='http://x/' target=main>"
        "<meta http-equiv=refresh content='5'><link rel=next href=n.htm>"
        "<script language=js>a<b\nc</script></head><body>t</body></html>",
        events);
  EXPECT_EQ(EncodeUtf8(DocumentTitle()), "The & title");
  EXPECT_EQ(DocumentBase(), "http://x/");
  EXPECT_EQ(DocumentBaseTarget(), "main");
  EXPECT_EQ(metas, std::vector<std::string>{"refresh||5"});
  EXPECT_EQ(links, std::vector<std::string>{"next||n.htm"});
  EXPECT_EQ(scripts, std::vector<std::string>{"|js|a<b\r\nc"});
  EXPECT_EQ(DescribeCell(Body()->MyCell), "\"t\"");
}

TEST_F(DocParserTest, ScriptsAndObjects) {
  // Without a script handler the script's content is skipped, tags and all.
  EXPECT_EQ(Content("a<script>document.write('<b>x</b>')</script>b"), "\"ab\"");
  EXPECT_EQ(Content("a<script>never closed <p>x"), "\"a\"");
  // Without an object handler OBJECT is ignored and its content shows.
  EXPECT_EQ(Content("<object><param name=a value=1>fallback</object>"), "\"fallback\"");

  std::vector<std::string> seenParams, seenAttributes;
  TParserEvents events;
  events.Object = [&](TPanelObj&, const std::vector<std::string>& attributes,
                      const std::vector<std::string>& params, bool& want) {
    seenAttributes = attributes;
    seenParams = params;
    want = true;
  };
  Parse("x<object classid=\"clsid:1\" width=40 height=20><param name=a value=1> "
        "<param name=b>fallback</object>y",
        events);
  EXPECT_EQ(seenParams, (std::vector<std::string>{"a=1", "b"}));
  ASSERT_FALSE(seenAttributes.empty());
  EXPECT_EQ(DescribeCell(Body()->MyCell), "\"x<img>y\"");
  EXPECT_EQ(list->PanelList.size(), 1u);
  // A panel the handler does not want is dropped.
  events.Object = [](TPanelObj&, const std::vector<std::string>&,
                     const std::vector<std::string>&, bool& want) { want = false; };
  Parse("x<object width=40><param name=a>fallback</object>y", events);
  EXPECT_EQ(list->PanelList.size(), 0u);
  EXPECT_EQ(DescribeCell(Body()->MyCell), "\"xfallbacky\"");
}

TEST_F(DocParserTest, LinkedStyleSheetsByRel) {
  const std::string dir = QDir::tempPath().toStdString() + "/docparser_css_test";
  QDir().mkpath(QString::fromStdString(dir));
  const std::string css = dir + "/red.css";
  std::ofstream(css) << "p { color: #ff0000 }\n";
  auto colourOfP = [&](const std::string& rel) {
    Parse("<link rel=\"" + rel + "\" href=\"" + css + "\"><p>x");
    return RunAt(*FirstText(Body()->MyCell), 0)->TheFont->color & 0xFFFFFF;
  };
  EXPECT_EQ(colourOfP("StyleSheet"), platform::Rgb(255, 0, 0));
  EXPECT_EQ(colourOfP("alternate stylesheet"), platform::Rgb(0, 0, 0));
  // A sheet that cannot be read is left out and the page goes on.
  EXPECT_EQ(Content("<link rel=stylesheet href=\"" + dir + "/missing.css\"><p>after"),
            "p(\"after\")");
  std::remove(css.c_str());
}

TEST_F(DocParserTest, CodePagesFromMetaAndByteOrderMark) {
  // Windows-1251 by META: later text is Cyrillic.
  Parse("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1251\">"
        "<p>\xcf\xf0\xe8\xe2\xe5\xf2");
  EXPECT_EQ(TextOf(*FirstText(Body()->MyCell)), "\xd0\x9f\xd1\x80\xd0\xb8\xd0\xb2\xd0\xb5\xd1\x82");
  // With a UTF-8 mark the META is ignored.
  Parse("\xef\xbb\xbf<meta http-equiv=content-type content=\"text/html; charset=windows-1251\">"
        "<p>\xc3\xa9t\xc3\xa9 &euro;");
  EXPECT_EQ(TextOf(*FirstText(Body()->MyCell)), "\xc3\xa9t\xc3\xa9 \xe2\x82\xac");
}

// <meta charset=...> is taken as the http-equiv form is.
TEST_F(DocParserTest, ShortMetaCharset) {
  const TreeCase cases[] = {
      {"<meta charset=\"utf-8\"><p>\xc3\xa9t\xc3\xa9 \xe2\x82\xac", "\xc3\xa9t\xc3\xa9 \xe2\x82\xac"},
      {"<META CHARSET=UTF-8><p>\xc3\xa9", "\xc3\xa9"},
      {"<meta charset=windows-1251><p>\xcf\xf0\xe8", "\xd0\x9f\xd1\x80\xd0\xb8"},
      // Unknown names change nothing; with the UTF-8 mark it is ignored.
      {"<meta charset=klingon><p>\xe9", "\xc3\xa9"},
      {"\xef\xbb\xbf<meta charset=windows-1251><p>\xc3\xa9", "\xc3\xa9"},
  };
  for (const auto& c : cases) {
    Parse(c.html);
    EXPECT_EQ(TextOf(*FirstText(Body()->MyCell)), c.content) << c.html;
  }
}

TEST_F(DocParserTest, EntitiesAndClearingBreaks) {
  Parse("<p>&copy;&eacute;&nbsp;&euro;&#8364;&#x263A;&lt;&amp;&bogus; &#150;</p>");
  EXPECT_EQ(TextOf(*FirstText(Body()->MyCell)),
            "\xc2\xa9\xc3\xa9<nbsp>\xe2\x82\xac\xe2\x82\xac\xe2\x98\xba<&&bogus; \xe2\x80\x93");
  // The section after a clearing break carries the clearing.
  Parse("a<br clear=all>b<br clear=left>c");
  TCellBasic& cell = Body()->MyCell;
  ASSERT_EQ(cell.Count(), 3);
  EXPECT_EQ(dynamic_cast<TSection*>(cell[1])->ClearAttr, TClear::Both);
  EXPECT_EQ(dynamic_cast<TSection*>(cell[2])->ClearAttr, TClear::Left);
}

TEST_F(DocParserTest, BodyAttributesAndForms) {
  Parse("<body bgcolor=#ffff00 text=#0000ff leftmargin=300 topmargin=7>x");
  TBodyBlock* body = Body();
  ASSERT_NE(body, nullptr);
  EXPECT_EQ(list->Count(), 1);
  EXPECT_EQ(body->MargArrayO[PropMarginLeft], PropValue(200));
  EXPECT_EQ(body->MargArrayO[PropMarginTop], PropValue(7));
  EXPECT_EQ(RunAt(*FirstText(body->MyCell), 0)->TheFont->color & 0xFFFFFF,
            platform::Rgb(0, 0, 255));
  // Text before BODY is dropped with it; a BODY after content is ignored.
  EXPECT_EQ(Content("a<body bgcolor=red>b"), "\"b\"");
  EXPECT_EQ(Content("<p>a</p><body bgcolor=red>b"), "p(\"a\") \"b\"");

  Parse("<form action=go><select name=s><option value=1>One<option selected>Two</select>"
        "<textarea name=t>line 1\nline 2</textarea></form>");
  ASSERT_EQ(list->FormList.Count(), 1);
  ThtmlForm* form = list->FormList[0];
  EXPECT_EQ(form->Action, "go");
  ASSERT_EQ(form->ControlList.Count(), 2);
  auto* select = dynamic_cast<TOptionListControlObj*>(form->ControlList[0]);
  ASSERT_NE(select, nullptr);
  EXPECT_EQ(select->TheOptions.Count(), 2);
  auto* area = dynamic_cast<TTextAreaFormControlObj*>(form->ControlList[1]);
  ASSERT_NE(area, nullptr);
  EXPECT_EQ(area->TheText, "line 1\r\nline 2");
}

// Found by fuzzing: a BODY that discards the text read before it freed a
// section whose link runs stayed in the document's link list, and layout
// then used the freed runs.
TEST_F(DocParserTest, BodyDiscardingALinkLeavesNoDanglingRun) {
  Parse("<a href=\"a.htm\">before</a><body bgcolor=white><a href=\"b.htm\">after</a>");
  ASSERT_EQ(list->Links.size(), 1u);
  EXPECT_EQ(list->Links[0]->URL(), "b.htm");
  platform::Bitmap bitmap(700, 100);
  platform::Canvas canvas(&bitmap.Image());
  int maxWidth = 0, curs = 0;
  list->Layout(canvas, 0, 700, 100, 100, maxWidth, curs);
}

TEST_F(DocParserTest, LinksAnchorsAndImages) {
  Parse("<p>a <a href=\"x.htm\" target=main name=\"#Top\">link <b>bold</b></a> b "
        "<a name=second>c</a><img src=\"pic.png\" alt=\"A\" usemap=\"#nav\" align=left>");
  // Both runs of the link carry it; the link ends at its end tag.
  ASSERT_EQ(list->Links.size(), 2u);
  for (TFontObj* run : list->Links) {
    EXPECT_EQ(run->URL(), "x.htm");
    EXPECT_EQ(run->UrlTarget->Target, "main");
  }
  const TSection* s = FirstText(Body()->MyCell);
  EXPECT_EQ(TextOf(*s), "a link bold b c<img>");
  EXPECT_FALSE(RunAt(*s, static_cast<int>(TextOf(*s).find(" b ")) + 1)->IsLink());
  EXPECT_NE(list->FindID("TOP"), nullptr);
  EXPECT_NE(list->FindID("SECOND"), nullptr);
  ASSERT_EQ(s->Images().Count(), 1);
  auto* image = dynamic_cast<TImageObj*>(s->Images()[0]);
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->Source, "pic.png");
  EXPECT_EQ(image->MapName, "NAV");
}

// A section that holds nothing but a named anchor is kept, so that the
// anchor has its place in the flow.
TEST_F(DocParserTest, SectionWithOnlyANamedAnchorIsKept) {
  const TreeCase cases[] = {
      {"<a name=top></a><p>x", "\"\" p(\"x\")"},
      {"<p>a</p><a name=mid></a><h2>b</h2>", "p(\"a\") \"\" h2(\"b\")"},
      {"<table><tr><td><a name=cell></a></td><td>y</table>",
       "table[tr[td(\"\") td(\"y\")]]"},
      // Without a name an empty section still goes.
      {"<a href=x.htm></a><p>x", "p(\"x\")"},
  };
  for (const auto& c : cases) EXPECT_EQ(Content(c.html), c.content) << c.html;
  Parse("<p>a</p><a name=mid></a><h2>b</h2>");
  EXPECT_NE(list->FindID("MID"), nullptr);
}

// Every form control outside a FORM joins one implicit form.
TEST_F(DocParserTest, ControlsOutsideFormsShareOneImplicitForm) {
  Parse("<input type=radio name=r value=1 checked><input type=radio name=r value=2 checked>"
        "<p><input name=e value=x><input name=f value=y>");
  ASSERT_EQ(list->FormList.Count(), 1);
  ThtmlForm* form = list->FormList[0];
  EXPECT_EQ(form->ControlList.Count(), 4);
  // The later of two checked radio buttons of a group is the checked one,
  // and Enter in an edit submits every control of the form.
  EXPECT_EQ(form->GetFormSubmission(), (std::vector<std::string>{"r=2", "e=x", "f=y"}));

  // Controls before and after a FORM share the implicit form; the FORM
  // keeps its own.
  Parse("<input name=a><form><input name=b></form><input name=c>"
        "<table><tr><td><select name=d><option>o</select></table>");
  ASSERT_EQ(list->FormList.Count(), 2);
  EXPECT_EQ(list->FormList[0]->ControlList.Count(), 3);
  EXPECT_EQ(list->FormList[1]->ControlList.Count(), 1);
  // A BODY that starts the document again starts the implicit form again.
  Parse("<input name=a><body><input name=b><input name=c>");
  ASSERT_EQ(list->FormList.Count(), 1);
  EXPECT_EQ(list->FormList[0]->ControlList.Count(), 2);
}

TEST_F(DocParserTest, ImageMaps) {
  Parse("<map name=nav><area shape=rect coords=0,0,10,10 href=a.htm>"
        "<area shape=circle coords=20,20,5 href=b.htm></map><img src=x.png usemap=#nav>");
  ASSERT_EQ(list->MapList.Count(), 1);
  EXPECT_EQ(list->MapList[0]->MapName, "NAV");
  EXPECT_EQ(list->MapList[0]->AreaCount(), 2);
  // A map that does not end properly is discarded.
  Parse("<map name=bad><area coords=0,0,1,1 href=a><p>x<p>y<p>z");
  EXPECT_EQ(list->MapList.Count(), 0);
}

TEST_F(DocParserTest, PlainText) {
  list->Clear();
  list->SetDefaults("Times New Roman", "Courier New", 12, platform::clBlack, platform::clBlue,
                    platform::clPurple, platform::clRed, platform::clWhite, false, true, 1, 5, 10);
  ParsePlainText("one <b>\r\n  two\t&amp;\n\xe9", *list);
  EXPECT_EQ(DescribeCell(Body()->MyCell), "pre(pre\"one <b>\" pre\"  two &amp;\" pre\"\xc3\xa9\")");
}

// A document whose viewer set no defaults yet still parses.
TEST_F(DocParserTest, DocumentWithoutDefaults) {
  TSectionList bare(nullptr, nullptr);
  ParseHtmlDocument("<p>x<table><tr><td>y</table><ul><li>z</ul>", bare);
  ASSERT_EQ(bare.Count(), 1);
  EXPECT_EQ(Describe(bare[0]), "body(p(\"x\") table[tr[td(\"y\")]] ul(li1(\"z\")))");
  ParsePlainText("plain", bare);
}

// Errors inside a parse end it quietly and keep what was built, open
// tables included.
TEST_F(DocParserTest, ErrorInsideAParseKeepsWhatWasBuilt) {
  EXPECT_EQ(Content("<p>before<table><tr><td>a</td><td>b<!-- open comment"),
            "p(\"before\") table[tr[td(\"a\") td(\"b\")]]");
  EXPECT_EQ(Content("<ul><li>one<li>two<!-- open"), "ul(li1(\"one\") li2(\"two\"))");
  // Found by fuzzing: an error inside a block inside a table cell left the
  // cell unfinished, and it was freed with link runs the document still
  // listed.
  EXPECT_EQ(Content("m<table><td><a href=i>x<li>I<!"),
            "\"m\" table[tr[td(\"x\" li1(\"I\"))]]");
  EXPECT_EQ(list->Links.size(), 2u);
  platform::Bitmap bitmap(700, 100);
  platform::Canvas canvas(&bitmap.Image());
  int maxWidth = 0, curs = 0;
  list->Layout(canvas, 0, 700, 100, 100, maxWidth, curs);
  for (TFontObj* run : list->Links) EXPECT_EQ(run->URL(), "i");
}

TEST_F(DocParserTest, AttributeNumbersSaturate) {
  EXPECT_EQ(Content("<ol start=99999999999><li>a<li>b</ol>"),
            "ol(li1000000(\"a\") li1000001(\"b\"))");
  EXPECT_EQ(Content("<table><col span=99999999999><tr><td colspan=99999999999 "
                    "rowspan=99999999999>x</table>"),
            "table[tr[td(\"x\")]]");
  EXPECT_EQ(Content("<body leftmargin=-99999999999>x"), "\"x\"");
  // Style values far out of range saturate too, through layout.
  EXPECT_EQ(Content("<div style=\"margin-left: 99999999999999px; width: 1e30px; "
                    "padding: -1e300em; font-size: 1e40pt\">x</div>"
                    "<table width=99999999999 cellpadding=99999999999 border=99999999999>"
                    "<tr><td width=99999999999% height=-99999999999>y</table>"),
            "div(\"x\") table[tr[td(\"y\")]]");
  platform::Bitmap bitmap(700, 100);
  platform::Canvas canvas(&bitmap.Image());
  int maxWidth = 0, curs = 0;
  list->Layout(canvas, 0, 700, 100, 100, maxWidth, curs);
  TDrawContext context;
  list->Draw(canvas, context, platform::Rect{0, 0, 700, 100}, 700, 0, 0, 0, 0);
  // Sizes, spans and counts of every kind of element, far out of range.
  Parse("<img src=a.png width=99999999999 height=99999999999 hspace=99999999999 "
        "vspace=99999999999 border=99999999999><hr size=99999999999 width=99999999999>"
        "<input size=99999999999 maxlength=99999999999><textarea rows=99999999999 "
        "cols=99999999999></textarea><select size=99999999999><option>x</select>"
        "<table width=99999999999 height=99999999999><tr height=99999999999>"
        "<td width=99999999999>a<td width=99999999999 rowspan=99999999999>b</table>");
  list->Layout(canvas, 0, 700, 100, 100, maxWidth, curs);
  list->Draw(canvas, context, platform::Rect{0, 0, 700, 100}, 700, 0, 0, 0, 0);
}

// No nesting depth exhausts the stack: deeper levels are flattened and
// the page still parses and lays out.
TEST_F(DocParserTest, DeepNestingIsBounded) {
  const int n = 100000;
  const std::pair<std::string, std::string> shapes[] = {
      {"<div>", "</div>"},
      {"<ul><li>", "</ul>"},
      {"<table><tr><td>", "</td></tr></table>"},
      {"<b><span>", "</span></b>"},
      {"<blockquote><center><form>", "</form></center></blockquote>"},
      {"<dl><dd><h1><p>", "</dl>"},
  };
  for (const auto& [open, close] : shapes) {
    std::string html;
    html.reserve((open.size() + close.size()) * n + 16);
    for (int i = 0; i < n; ++i) html += open;
    html += "deep";
    for (int i = 0; i < n; ++i) html += close;
    Parse(html);
    ASSERT_NE(Body(), nullptr) << open;
    ASSERT_NE(FirstText(Body()->MyCell), nullptr) << open;
    platform::Bitmap bitmap(700, 100);
    platform::Canvas canvas(&bitmap.Image());
    int maxWidth = 0, curs = 0;
    list->Layout(canvas, 0, 700, 500, 500, maxWidth, curs);
  }
}

}  // namespace
}  // namespace htmlview
