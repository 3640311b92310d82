// A paint draws only the blocks, rows and lines near the window. What the
// viewer answers about a point or a position must not depend on which parts
// a paint happened to visit: on a long page scrolled without a paint, or
// painted one strip at a time, the answers are those of a viewer that
// painted the whole window. And content drawn away from its parent's rows
// (moved, positioned, floating) is drawn although the parent is out of the
// window.
#include <gtest/gtest.h>

#include <QImage>

#include <algorithm>
#include <string>
#include <vector>

#include "htmlview/view/htmlview.h"
#include "htmlview/viewermodule.h"
#include "platform/fonts.h"
#include "platform/render.h"
#include "platform/timers.h"

namespace {

using namespace htmlview;

constexpr platform::Colour kWordColour = 0x0000FF00;   // lime
constexpr platform::Colour kBoxColour = 0x00FF00FF;    // magenta
constexpr platform::Colour kFloatColour = 0x0000FFFF;  // yellow
constexpr platform::Colour kLiftedColour = 0x00FFFF00; // cyan

platform::Point Centre(const platform::Rect& r) { return {(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

// Paragraphs of links, each link its own target, a word now and then in
// lime: nested in blocks as real pages are.
std::string LongPage(int paragraphs) {
  std::string html = "<body><div>";
  for (int i = 0; i < paragraphs; ++i) {
    if (i % 100 == 0) html += "</div><div class=\"part\">";
    html += "<p>Paragraph " + std::to_string(i) + " with <a href=\"p" + std::to_string(i) +
            ".htm\">link " + std::to_string(i) + "</a> and some words after it";
    if (i % 7 == 3) html += " <span style=\"color:#00ff00\">w" + std::to_string(i) + "</span>";
    html += " to fill the line.</p>";
  }
  return html + "</div></body>";
}

// The first lime word of a picture: its row's first lime pixel and the
// lime pixels after it with gaps narrower than a space.
platform::Rect FirstWord(const QImage& image) {
  const QRgb lime = qRgb(0, 255, 0);
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      if (image.pixel(x, y) != lime) continue;
      int right = x, gap = 0;
      for (int k = x + 1; k < image.width() && gap < 4; ++k) {
        if (image.pixel(k, y) == lime) right = k, gap = 0;
        else ++gap;
      }
      return {x, y, right + 1, y + 1};
    }
  return {};
}

class PaintSkipTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    platform::SetFontBackend(platform::FontBackend::FixedMetric, {"Times New Roman", "Arial", "Courier New"});
    InitViewerModule();
  }
  static void TearDownTestSuite() { DoneViewerModule(); }
  void TearDown() override { platform::RunPosted(); }

  static std::unique_ptr<THtmlView> Viewer(const std::string& html) {
    auto view = std::make_unique<THtmlView>();
    view->resize(500, 400);
    view->SetDefBackground(platform::clWhite);
    view->LoadHtmlText(html);
    return view;
  }
  static QImage Render(THtmlView& view, platform::Rect r = {}) {
    TPaintPanel& p = view.PaintPanel();
    if (r.IsEmpty()) r = {0, 0, p.width(), p.height()};
    return p.PaintToImage(r);
  }
  struct Answers {
    std::string url;
    std::u16string word;
    int wordStart = -1;
    int x = 0, y = 0;   // where the word's position is
    bool operator==(const Answers&) const = default;
    friend void PrintTo(const Answers& a, std::ostream* os) {
      *os << "url '" << a.url << "' word at " << a.wordStart << " (" << a.word.size() << " characters) drawn at "
          << a.x << "," << a.y;
    }
  };
  static Answers Ask(THtmlView& view, platform::Point at) {
    Answers a;
    std::unique_ptr<TUrlTarget> url;
    TFormControlObj* control = nullptr;
    std::string title;
    if (view.GetURLAtPoint(at.x, at.y, url, control, title) & guUrl) a.url = url->URL;
    int end = 0;
    if (view.GetWordAtPoint(at.x, at.y, a.word, a.wordStart, end)) {
      QImage scratch(1, 1, QImage::Format_ARGB32);
      platform::Canvas measure(&scratch);
      view.SectionList().CursorToXY(&measure, a.wordStart, a.x, a.y);
    }
    return a;
  }
};

TEST_F(PaintSkipTest, AnswersAfterScrollingWithoutPaintAreThoseOfAPaintedWindow) {
  const std::string html = LongPage(3000);
  for (const double fraction : {0.5, 1.0}) {
    SCOPED_TRACE(fraction);
    // The reference paints the window it answers about.
    auto painted = Viewer(html);
    Render(*painted);
    const int y = static_cast<int>(painted->VScrollBar().Max() * fraction);
    painted->ScrollTo(y);
    const QImage shown = Render(*painted);
    const platform::Rect words = platform::BoundsOfColour(shown, kWordColour);
    ASSERT_FALSE(words.IsEmpty()) << "a lime word is in every window of the page";

    // The other painted only the top of the page, then scrolled; later it
    // paints only a strip at the window's foot, as a scroll step does.
    auto scrolled = Viewer(html);
    Render(*scrolled);
    scrolled->ScrollTo(y);
    ASSERT_EQ(scrolled->SectionList().YOff, painted->SectionList().YOff);
    std::vector<platform::Point> points;
    for (int py = 8; py < 400; py += 23)
      for (int px : {20, 60, 110, 200, 330}) points.push_back({px, py});
    points.push_back(Centre(words));
    int hits = 0;
    for (int pass = 0; pass < 2; ++pass) {
      for (const platform::Point p : points) {
        const Answers want = Ask(*painted, p);
        if (!want.url.empty()) ++hits;
        EXPECT_EQ(Ask(*scrolled, p), want) << "at " << p.x << "," << p.y << " pass " << pass;
      }
      Render(*scrolled, {0, 360, 500, 400});
    }
    EXPECT_GT(hits, 5);

    // A drag over the lime word in view selects it without a paint between.
    auto dragged = Viewer(html);
    Render(*dragged);
    dragged->ScrollTo(y);
    const std::u16string word = Ask(*painted, Centre(words)).word;
    ASSERT_FALSE(word.empty());
    const platform::Rect first = FirstWord(shown);
    const int wy = first.top + 3;
    dragged->HTMLMouseDown(platform::MouseButton::Left, platform::ssLeft, first.left + 1, wy);
    dragged->HTMLMouseMove(platform::ssLeft, first.right - 1, wy);
    dragged->HTMLMouseUp(platform::MouseButton::Left, 0, first.right - 1, wy);
    const std::u16string selected = dragged->SelText();
    ASSERT_FALSE(selected.empty());
    EXPECT_EQ(selected.substr(0, 1), u"w");
    EXPECT_EQ(selected, Ask(*painted, {first.left + 2, wy}).word);
  }
}

// Blocks whose parents lie far from the window, each drawn into it: one
// moved down by a relative offset, one absolutely positioned, a float that
// reaches far below the short paragraph holding it, and one moved up from
// far below.
TEST_F(PaintSkipTest, ContentDrawnAwayFromItsParentIsDrawnWhereItShows) {
  std::string html =
      "<body><div><div style=\"position:relative; top:2600px\"><p>"
      "<span style=\"color:#00ff00\">moved</span></p></div></div>"
      "<div><div style=\"position:absolute; left:40px; top:3400px; width:90px; height:30px; "
      "background-color:#ff00ff\"></div></div>"
      "<div><div style=\"float:right; width:60px; height:2700px; background-color:#ffff00\">"
      "</div><p>Float.</p></div>";
  html += "<div style=\"height:3000px\"></div><div><div style=\"position:relative; top:-2900px\"><p>"
          "<span style=\"color:#00ffff\">lifted</span></p></div></div>";
  for (int i = 0; i < 400; ++i) html += "<p>Filler paragraph " + std::to_string(i) + ".</p>";
  html += "</body>";
  auto view = Viewer(html);
  Render(*view);

  // Where to scroll, the colour drawn there, and the word it is (none for
  // the coloured boxes).
  struct Case {
    int y;
    platform::Colour colour;
    std::u16string word;
  };
  for (const Case& c : {Case{100, kLiftedColour, u"lifted"}, Case{100, kFloatColour, u""},
                        Case{2550, kWordColour, u"moved"}, Case{2550, kFloatColour, u""}}) {
    SCOPED_TRACE(c.y);
    view->ScrollTo(c.y);
    const platform::Rect drawn = platform::BoundsOfColour(Render(*view), c.colour);
    ASSERT_FALSE(drawn.IsEmpty()) << "drawn in the window";
    if (c.word.empty()) continue;
    std::u16string found;
    int start = 0, end = 0;
    ASSERT_TRUE(view->GetWordAtPoint(Centre(drawn).x, Centre(drawn).y, found, start, end));
    EXPECT_EQ(found, c.word) << "hit where drawn";
  }

  view->ScrollTo(3300);
  const QImage positioned = Render(*view);
  const platform::Rect box = platform::BoundsOfColour(positioned, kBoxColour);
  ASSERT_FALSE(box.IsEmpty()) << "the positioned block is drawn";
  EXPECT_EQ(box.Width(), 90);
  EXPECT_EQ(box.Height(), 30);
  // Painted one strip at a time, the window looks the same.
  QImage strips(positioned.size(), positioned.format());
  const int w = positioned.width(), h = positioned.height();
  for (int top = 0; top < h; top += 50) {
    const QImage strip = Render(*view, {0, top, w, std::min(h, top + 50)});
    for (int y = 0; y < strip.height(); ++y)
      for (int x = 0; x < w; ++x) strips.setPixel(x, top + y, strip.pixel(x, y));
  }
  EXPECT_EQ(strips, positioned);
}

// A scroll step moves what is drawn and paints only the strip it uncovers:
// a block with a title keeps answering with it where it now is.
TEST_F(PaintSkipTest, ABlockTitleIsFoundAfterAScrollStepThatDidNotPaintIt) {
  std::string html = "<body>";
  for (int i = 0; i < 30; ++i) html += "<p>Filler paragraph " + std::to_string(i) + ".</p>";
  html += "<div title=\"tip\" style=\"height:80px; background-color:#ff00ff\"></div>";
  for (int i = 0; i < 30; ++i) html += "<p>Filler paragraph " + std::to_string(i) + ".</p>";
  html += "</body>";
  auto view = Viewer(html);
  Render(*view);
  const auto titleAt = [&view](platform::Point p) {
    std::unique_ptr<TUrlTarget> url;
    TFormControlObj* control = nullptr;
    std::string title;
    return (view->GetURLAtPoint(p.x, p.y, url, control, title) & guTitle) ? title : std::string();
  };
  for (int y = 0; y < 2000; y += 10) {
    view->ScrollTo(y);
    const platform::Rect box = platform::BoundsOfColour(Render(*view), kBoxColour);
    if (box.IsEmpty() || box.top < 100 || box.bottom > 300) continue;
    // A step of 60 pixels; the strip painted is at the window's foot.
    view->ScrollTo(y + 60);
    TPaintPanel& p = view->PaintPanel();
    Render(*view, {0, p.height() - 60, p.width(), p.height()});
    EXPECT_EQ(titleAt({box.left + 10, box.top - 60 + 5}), "tip");
    EXPECT_EQ(titleAt({box.left + 10, box.bottom - 60 + 5}), "") << "below the block";
    return;
  }
  FAIL() << "the block was never in the window";
}

}  // namespace
