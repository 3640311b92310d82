// The rule index gives whole pages what the plain matching gives. Pages
// nobody here wrote (the html5lib test inputs: mis-nested and unclosed
// elements, tables, lists, forms, links) are read under random style sheets,
// one before the page and one halfway down, and laid out once with each
// matching; the layout dumps (every section, line and run with its box,
// font and colours) must be the same.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "htmlview/document/docparser.h"
#include "htmlview/document/tests/parsedpage_helpers.h"
#include "htmlview/images/imagemodule.h"
#include "htmlview/layout/docroot.h"
#include "htmlview/layout/layoutdump.h"
#include "htmlview/style/tests/randomstyles.h"
#include "platform/canvas.h"
#include "platform/fonts.h"
#include "platform/image.h"

namespace htmlview {
namespace {

using teststyles::Random;

// The elements of the inputs, with names that begin alike.
const teststyles::Vocabulary& PageNames() {
  static const teststyles::Vocabulary v{
      {"a", "abbr", "address", "p", "pre", "div", "table", "td", "tr", "tbody", "thead", "b",
       "body", "br", "i", "img", "span", "select", "strong", "font", "li", "ul", "caption",
       "h1", "em", "u"},
      {"c", "c-x", "c1", "d"},
      {"x", "x1"},
      {"hover", "link", "visited"},
      10};
  return v;
}

class CascadeIndexPagesTest : public ParsedPageTest {
 protected:
  void SetUp() override {
    ParsedPageTest::SetUp();
    InitImageModule();
  }
  void TearDown() override {
    ParsedPageTest::TearDown();
    DoneImageModule();
  }

  std::string Dump(const std::string& html, bool plain) {
    list->Styles.UsePlainMatching(plain);
    // Images are asked for but never come; nothing reaches the file system.
    list->GetImage = [](QObject*, const std::string&, platform::TStream*& stream) {
      stream = ImageWaitStream();
    };
    TParserEvents events;
    events.StreamRequest = [](const std::string&, platform::TStream*& stream) { stream = nullptr; };
    Parse(html, events);
    LayOutAndPaint(700, 100);
    return DumpLayout(*list);
  }
};

TEST_F(CascadeIndexPagesTest, Html5libPagesUnderRandomSheets) {
  const std::vector<Html5libInput> inputs = ReadHtml5libInputs();
  ASSERT_GT(inputs.size(), 8000u);
  uint64_t walks = 0, pages = 0;
  for (size_t i = 0; i < inputs.size(); i += 3, ++pages) {
    Random r(i + 1);
    const std::string page = "<style>" + teststyles::Sheet(r, PageNames()) +
                             "</style><div class=\"c d\" id=x><span class=c1>" + inputs[i].Bytes +
                             "<style>" + teststyles::Sheet(r, PageNames()) +
                             "</style><div class=c-x><a href=\"#\" class=c>" + inputs[i].Bytes;
    const std::string plain = Dump(page, true);
    list->Styles.Counts() = {};
    const std::string indexed = Dump(page, false);
    walks += list->Styles.Counts().ancestorWalks;
    ASSERT_EQ(indexed, plain) << inputs[i].Source << ": " << inputs[i].Bytes.substr(0, 80);
  }
  EXPECT_GT(walks, pages) << "descendant rules were matched in earnest";
}

}  // namespace
}  // namespace htmlview
