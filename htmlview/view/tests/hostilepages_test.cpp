// Pages that drive layout to the farthest position it reaches: below it,
// nothing moves any more, and every loop that waits for a position to pass
// something (a line below a float, a page's end) must stop all the same.
// Each page is shown in a child process under bounds of processor time and
// memory: a page that runs away ends the child, and the test reads how it
// ended. Nothing here asserts a time.
#include <gtest/gtest.h>

#include <QImage>

#include <string>

#include "viewersuite.h"
#include "htmlview/view/htmlview.h"
#include "htmlview/view/qtprintdriver.h"
#include "htmlview/viewermodule.h"
#include "platform/geometry.h"
#include "platform/printing.h"
#include "platform/timers.h"
#include "testsupport/boundedchild.h"
#include "testsupport/testenv.h"

namespace {

using namespace htmlview;

const std::string kData = std::string(DRAVLEN_SOURCE_DIR) + "/htmlview/view/tests/data/";

std::string Repeat(const std::string& piece, int n) {
  std::string s;
  for (int i = 0; i < n; ++i) s += piece;
  return s;
}

// Blocks a million pixels tall, enough of them that what follows starts
// where layout stops moving.
const std::string kToTheEnd = Repeat("<div style=\"height: 1000000px\"></div>", 600);

// A page's watch: far above what a shown page costs here (a few seconds and
// a few hundred megabytes under the sanitizers), far below what a page that
// runs away reaches.
const testsupport::ChildBounds kBounds{30, 3LL << 30};

// Exit codes of the child, past those of RunBounded.
enum : int { kShown = 0, kNothingLaidOut = 10, kNotPrinted = 11 };

class HostilePagesTest : public ViewerSuite<> {
 protected:
  void TearDown() override { platform::RunPosted(); }

  // Loads the page into a viewer the way a user's page is loaded, paints
  // its top, scrolls to its end and paints there, and prints its first page
  // when asked (laid out again at the page's width, and walked to the end
  // of that page). Returns how the child showing it ended.
  static testsupport::ChildEnd ShowBounded(const std::string& html, bool print = false) {
    return testsupport::RunBounded(
        [&] {
          THtmlView view;
          view.resize(500, 400);
          view.SetBase(kData);
          view.LoadHtmlText(html);
          TPaintPanel& panel = view.PaintPanel();
          const platform::Rect all{0, 0, panel.width(), panel.height()};
          panel.PaintToImage(all);
          if (view.DocumentHeight() <= 0) return static_cast<int>(kNothingLaidOut);
          view.ScrollTo(view.DocumentHeight());
          panel.PaintToImage(all);
          if (print) {
            // The whole walk to the farthest position is half a million
            // pages: the first is enough to meet the print layout there.
            UsePdfPrinter(testsupport::MakeTempDir("hostileprint") + "/page.pdf");
            const int pages = view.Print(1, 1);
            DonePrinterModule();
            if (pages != 1) return static_cast<int>(kNotPrinted);
          }
          return static_cast<int>(kShown);
        },
        kBounds);
  }
};

// A page whose every number is as large as an int holds, on pictures (one
// found, one missing), form controls and a block whose every length is that
// number, holding a relatively positioned float.
TEST_F(HostilePagesTest, EveryNumberAtTheIntLimitShowsInBounds) {
  const testsupport::ChildEnd end = ShowBounded(testsupport::ReadAll(kData + "intlimit.htm"));
  EXPECT_TRUE(end.Normal()) << end.Describe();
}

// One page for each loop that waits for the position to pass something,
// each met where the position no longer moves: a picture floats there,
// reaching below it, and what follows waits for a wider line below the
// picture.
TEST_F(HostilePagesTest, LoopsAtTheFarthestPositionEnd) {
  const std::string wide = "<img src=\"tick.png\" align=left width=1000000 height=20>";
  const std::string narrow = "<img src=\"tick.png\" align=right width=300 height=20>";
  const struct {
    const char* name;
    std::string html;
    bool print;
  } cases[] = {
      {"text waits below a picture wider than the line", kToTheEnd + wide + "text after it", false},
      {"a word too long for the room beside a picture", kToTheEnd + narrow + std::string(300, 'w'), false},
      {"clearance below a picture", kToTheEnd + wide + "<br clear=all>text<p style=\"clear: both\">" + wide + "more",
       false},
      {"rows of a table", kToTheEnd + "<table>" + Repeat("<tr><td>" + wide + "cell text", 5) + "</table>", false},
      {"rows that take the table to the end themselves",
       "<table>" + Repeat("<tr height=1000000><td>x", 600) + "<tr><td>" + wide + "last row</table>", false},
      {"page breaks when printing",
       kToTheEnd + wide + "text<div style=\"page-break-before: always\">" + narrow + "next page</div>", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const testsupport::ChildEnd end = ShowBounded(c.html, c.print);
    EXPECT_TRUE(end.Normal()) << end.Describe();
  }
}

}  // namespace
