// Blocks drawn away from where they were laid out (position:relative with
// top and left): whatever the viewer answers about a point must be what is
// drawn there. Each case finds the drawn link, word and pictures by their
// colours in a paint, then points at them: the link is hit, the pictures
// report the mouse, a drag selects the word, the caret search finds it and
// the positions of the document come back where the word is drawn.
// Panel windows (OBJECT and PANEL) in such blocks stand where their line is
// drawn, and the mouse finds them there.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QTest>

#include <map>

#include "viewersuite.h"
#include "htmlview/layout/panelobj.h"
#include "htmlview/view/htmlview.h"
#include "htmlview/viewermodule.h"
#include "platform/fonts.h"
#include "platform/guard.h"
#include "platform/render.h"
#include "platform/streams.h"
#include "platform/timers.h"

namespace {

using namespace htmlview;

constexpr platform::Colour kLinkColour = platform::clBlue;
constexpr platform::Colour kWordColour = 0x0000FF00;     // lime
constexpr platform::Colour kInlineColour = 0x000000FF;   // red
constexpr platform::Colour kFloatColour = 0x00FF00FF;    // magenta

// A 20 x 20 PNG of one colour.
std::string SolidPng(platform::Colour colour) {
  QImage image(20, 20, QImage::Format_ARGB32);
  image.fill(platform::ToQColor(colour));
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  return bytes.toStdString();
}

platform::Point Centre(const platform::Rect& r) { return {(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

struct Offset {
  int left, top;
};

class PositionedTest : public ViewerSuite<::testing::TestWithParam<Offset>> {
 protected:
  void SetUp() override {
    pictures_["inline.png"] = SolidPng(kInlineColour);
    pictures_["float.png"] = SolidPng(kFloatColour);
    view_ = std::make_unique<THtmlView>();
    view_->resize(500, 400);
    view_->SetDefBackground(platform::clWhite);
    view_->SetOnImageRequest([this](QObject*, const std::string& src, platform::TStream*& s) {
      stream_ = std::make_unique<platform::TMemoryStream>();
      const std::string& bytes = pictures_[src];
      stream_->WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
      stream_->Seek(0, platform::TSeekOrigin::soBeginning);
      s = stream_.get();
    });
    platform::TakeReportedErrors();
  }
  void TearDown() override {
    view_.reset();
    platform::RunPosted();
    EXPECT_TRUE(platform::TakeReportedErrors().empty());
  }
  // The page with its middle block moved by the offset (0, 0: not moved).
  void Load(Offset offset) {
    const std::string style = offset.left == 0 && offset.top == 0
                                  ? ""
                                  : " style=\"position:relative; left:" + std::to_string(offset.left) +
                                        "px; top:" + std::to_string(offset.top) + "px\"";
    // Room above and below, so that the block moved draws over nothing else.
    view_->LoadFromStrings(std::vector<std::string>{"<p>Before the block.</p>",
                            "<div style=\"height:80px\"></div>",
                            "<div" + style + ">",
                            "<p><img src=\"float.png\" align=\"left\">Floated beside.</p>",
                            "<p><a href=\"a.htm\">link</a> and <span style=\"color:#00ff00\">select</span> "
                            "and <img src=\"inline.png\"> here.</p>",
                            "</div>",
                            "<div style=\"height:80px\"></div>",
                            "<p>After the block, long enough to be seen.</p>",
                            "<p>And more text below it.</p>"});
  }
  QImage Render() {
    TPaintPanel& p = view_->PaintPanel();
    return p.PaintToImage({0, 0, p.width(), p.height()});
  }
  std::map<std::string, std::string> pictures_;
  std::unique_ptr<platform::TMemoryStream> stream_;
  std::unique_ptr<THtmlView> view_;
};

TEST_P(PositionedTest, WhatIsDrawnIsWhatIsHit) {
  const Offset offset = GetParam();
  // Where everything is without the offset: the block is drawn moved by
  // exactly the offset, the floating picture too.
  Load({0, 0});
  const QImage still = Render();
  const platform::Rect stillLink = platform::BoundsOfColour(still, kLinkColour);
  const platform::Rect stillFloat = platform::BoundsOfColour(still, kFloatColour);
  ASSERT_FALSE(stillLink.IsEmpty());
  ASSERT_FALSE(stillFloat.IsEmpty());
  std::vector<std::string> clicked;
  view_->OnHotSpotClick = [&](QObject*, const std::string& u, bool& handled) {
    clicked.push_back(u);
    handled = true;
  };
  const platform::Point s = Centre(stillLink);
  view_->HTMLMouseDown(platform::MouseButton::Left, platform::ssLeft, s.x, s.y);
  view_->HTMLMouseUp(platform::MouseButton::Left, 0, s.x, s.y);
  const platform::Point stillLinkPoint = view_->LinkPoint();
  // The point of a link that begins a paragraph is on its own line, not at
  // the end of the paragraph before.
  EXPECT_EQ(stillLinkPoint.x, stillLink.left);
  EXPECT_LE(stillLinkPoint.y, stillLink.top);
  EXPECT_GT(stillLinkPoint.y, stillLink.top - 30);
  clicked.clear();

  Load(offset);
  const QImage moved = Render();
  const platform::Rect link = platform::BoundsOfColour(moved, kLinkColour);
  const platform::Rect word = platform::BoundsOfColour(moved, kWordColour);
  const platform::Rect inlinePic = platform::BoundsOfColour(moved, kInlineColour);
  const platform::Rect floatPic = platform::BoundsOfColour(moved, kFloatColour);
  ASSERT_FALSE(link.IsEmpty() || word.IsEmpty() || inlinePic.IsEmpty() || floatPic.IsEmpty());
  EXPECT_EQ(link.left - stillLink.left, offset.left);
  EXPECT_EQ(link.top - stillLink.top, offset.top);
  EXPECT_EQ(floatPic.left - stillFloat.left, offset.left) << "the floating picture moves with its block";
  EXPECT_EQ(floatPic.top - stillFloat.top, offset.top);

  // The link where it is drawn.
  std::unique_ptr<TUrlTarget> url;
  TFormControlObj* control = nullptr;
  std::string title;
  const platform::Point l = Centre(link);
  ASSERT_TRUE(view_->GetURLAtPoint(l.x, l.y, url, control, title) & guUrl);
  EXPECT_EQ(url->URL, "a.htm");
  view_->HTMLMouseDown(platform::MouseButton::Left, platform::ssLeft, l.x, l.y);
  view_->HTMLMouseUp(platform::MouseButton::Left, 0, l.x, l.y);
  EXPECT_EQ(clicked, (std::vector<std::string>{"a.htm"}));
  // The link's text, and its point moved as the link is drawn.
  EXPECT_EQ(view_->LinkText(), u"link");
  EXPECT_EQ(view_->LinkPoint().x - stillLinkPoint.x, offset.left);
  EXPECT_EQ(view_->LinkPoint().y - stillLinkPoint.y, offset.top);

  // Both pictures answer the mouse where they are drawn.
  struct Over {
    TImageObj* image;
    int x, y;
  };
  std::vector<Over> over;
  view_->OnImageOver = [&](QObject*, TImageObj* image, platform::ShiftState, int x, int y) {
    over.push_back({image, x, y});
  };
  for (const platform::Rect& pic : {inlinePic, floatPic}) {
    over.clear();
    view_->HTMLMouseMove(0, pic.left + 3, pic.top + 4);
    ASSERT_EQ(over.size(), 1u);
    ASSERT_NE(over[0].image, nullptr);
    EXPECT_EQ(over[0].x, 3);
    EXPECT_EQ(over[0].y, 4);
  }
  view_->OnImageOver = nullptr;

  // A drag over the drawn word selects it; the caret search finds it.
  const int wy = Centre(word).y;
  view_->HTMLMouseDown(platform::MouseButton::Left, platform::ssLeft, word.left + 1, wy);
  view_->HTMLMouseMove(platform::ssLeft, word.right - 2, wy);
  view_->HTMLMouseUp(platform::MouseButton::Left, 0, word.right - 2, wy);
  EXPECT_EQ(view_->SelText(), u"select");
  std::u16string found;
  int start = 0, end = 0;
  ASSERT_TRUE(view_->GetWordAtPoint(Centre(word).x, wy, found, start, end));
  EXPECT_EQ(found, u"select");
  // And the word's position maps back to where it is drawn.
  QImage scratch(1, 1, QImage::Format_ARGB32);
  platform::Canvas measure(&scratch);
  int x = 0, y = 0;
  ASSERT_TRUE(view_->SectionList().CursorToXY(&measure, start, x, y));
  EXPECT_EQ(x, word.left);
  // y is the top of the word's line, which the picture makes taller.
  EXPECT_LE(y, word.top);
  EXPECT_GT(y, word.top - 30);
}

INSTANTIATE_TEST_SUITE_P(Offsets, PositionedTest,
                         ::testing::Values(Offset{0, 60}, Offset{120, 0}, Offset{90, -25}, Offset{-8, 45}),
                         [](const ::testing::TestParamInfo<Offset>& info) {
                           auto n = [](int v) { return v < 0 ? "minus" + std::to_string(-v) : std::to_string(v); };
                           return "left" + n(info.param.left) + "_top" + n(info.param.top);
                         });

// ---------------------------------------------------------------------------
// Panel windows in moved blocks. A marker picture stands just before the
// panel on its line, with no space between them: the panel window must sit
// against the marker as drawn (inline: their bottoms on the baseline, floats:
// their tops level), however the blocks around it are moved or the view is
// scrolled, and a mouse press there must reach the panel window. A form
// control later on the line moves with it.

constexpr platform::Colour kMarkColour = 0x00FF8000;   // azure

struct PanelCase {
  const char* name;
  // The relatively positioned blocks around the line, outermost first, with
  // their left and top offsets (the still page has them all at 0, 0).
  std::vector<Offset> blocks;
  bool table = false;         // the line sits in a table cell inside the blocks
  bool floating = false;      // marker and panel float left
  bool panelTag = false;      // PANEL in place of OBJECT
  int scroll = 0;             // the view scrolled down this far
};

void PrintTo(const PanelCase& c, std::ostream* os) { *os << c.name; }

class PanelPlacementTest : public ViewerSuite<::testing::TestWithParam<PanelCase>> {
 protected:
  void SetUp() override {
    view_ = std::make_unique<THtmlView>();
    view_->resize(500, 400);
    view_->SetDefBackground(platform::clWhite);
    mark_ = SolidPng(kMarkColour);
    view_->SetOnImageRequest([this](QObject*, const std::string&, platform::TStream*& s) {
      stream_ = std::make_unique<platform::TMemoryStream>();
      stream_->WriteBuffer(mark_.data(), static_cast<int64_t>(mark_.size()));
      stream_->Seek(0, platform::TSeekOrigin::soBeginning);
      s = stream_.get();
    });
    view_->OnObjectTag = [](QObject*, TPanelObj&, const std::vector<std::string>&,
                            const std::vector<std::string>&, bool& want) { want = true; };
    view_->OnPanelCreate = [this](QObject*, const std::string&, const std::string&, const std::string&,
                                  ThvPanel* panel) { panel_ = panel; };
    platform::TakeReportedErrors();
  }
  void TearDown() override {
    view_.reset();
    platform::RunPosted();
    EXPECT_TRUE(platform::TakeReportedErrors().empty());
  }
  // The page with the case's blocks moved (or all at 0, 0), scrolled and
  // painted; the paint places the panel window.
  QImage Show(const PanelCase& c, bool moved) {
    panel_ = nullptr;
    std::string open, close;
    for (const Offset& o : c.blocks) {
      const Offset at = moved ? o : Offset{0, 0};
      open += "<div style=\"position: relative; left: " + std::to_string(at.left) + "px; top: " +
              std::to_string(at.top) + "px\">";
      close += "</div>";
    }
    const std::string align = c.floating ? " align=\"left\"" : "";
    const std::string panel = c.panelTag
                                  ? "<panel name=\"plot\" width=\"60\" height=\"40\" hspace=\"0\"" + align + ">"
                                  : "<object name=\"plot\" type=\"graph\" width=\"60\" height=\"40\" hspace=\"0\"" +
                                        align + "></object>";
    std::string line = "<p>Panel <img src=\"mark.png\" hspace=\"0\"" + align + ">" + panel +
                       " after it <input type=\"text\" size=\"4\" value=\"x\"></p>";
    if (c.table) line = "<table border=\"1\"><tr><td>cell</td><td>" + line + "</td></tr></table>";
    view_->LoadFromStrings(std::vector<std::string>{
        "<p>Before the blocks.</p>", "<div style=\"height:120px\"></div>", open + line + close,
        "<div style=\"height:900px\"></div>", "<p>The end.</p>"});
    view_->ScrollTo(c.scroll);
    EXPECT_EQ(view_->VScrollBar().Position(), c.scroll);
    TPaintPanel& p = view_->PaintPanel();
    return p.PaintToImage({0, 0, p.width(), p.height()});
  }
  // The window of the form control that follows the panel on its line.
  QWidget* Control() {
    const std::vector<TFormControlObj*>& controls = view_->SectionList().FormControlList;
    return controls.size() == 1 ? controls[0]->TheControl() : nullptr;
  }
  std::string mark_;
  std::unique_ptr<platform::TMemoryStream> stream_;
  std::unique_ptr<THtmlView> view_;
  ThvPanel* panel_ = nullptr;
};

TEST_P(PanelPlacementTest, ThePanelWindowStandsWhereItsLineIsDrawnAndTakesTheMouseThere) {
  const PanelCase& c = GetParam();
  Offset shift{0, 0};
  for (const Offset& o : c.blocks) shift = {shift.left + o.left, shift.top + o.top};

  const QImage still = Show(c, false);
  ASSERT_NE(panel_, nullptr);
  const QRect stillPlace = panel_->geometry();
  ASSERT_NE(Control(), nullptr);
  const QRect stillControl = Control()->geometry();
  const platform::Rect stillMark = platform::BoundsOfColour(still, kMarkColour);
  ASSERT_FALSE(stillMark.IsEmpty());

  const QImage moved = Show(c, true);
  ASSERT_NE(panel_, nullptr);
  const platform::Rect mark = platform::BoundsOfColour(moved, kMarkColour);
  ASSERT_FALSE(mark.IsEmpty());
  EXPECT_EQ(mark.left - stillMark.left, shift.left) << "the line is drawn moved by the blocks' offsets";
  EXPECT_EQ(mark.top - stillMark.top, shift.top);

  // The window against the marker as drawn, of the size asked for.
  const QRect drawn(mark.right, c.floating ? mark.top : mark.bottom - 40, 60, 40);
  EXPECT_FALSE(panel_->isHidden());
  EXPECT_EQ(panel_->geometry(), drawn);
  EXPECT_EQ(drawn.topLeft() - stillPlace.topLeft(), QPoint(shift.left, shift.top));

  // A press where the panel is drawn reaches the panel window, through the
  // window system's own routing; where it was laid out, the document.
  view_->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(view_.get()));
  TPaintPanel& paint = view_->PaintPanel();
  EXPECT_EQ(paint.childAt(drawn.center()), panel_);
  if (!drawn.contains(stillPlace.center())) {
    EXPECT_NE(paint.childAt(stillPlace.center()), panel_);
  }
  int pressed = 0;
  struct PressCounter : QObject {
    int* count;
    explicit PressCounter(int* n) : count(n) {}
    bool eventFilter(QObject*, QEvent* e) override {
      if (e->type() == QEvent::MouseButtonPress) ++*count;
      return false;
    }
  } counter(&pressed);
  panel_->installEventFilter(&counter);
  const QPoint inWindow = paint.mapTo(view_->window(), drawn.center());
  QTest::mousePress(view_->window()->windowHandle(), Qt::LeftButton, {}, inWindow);
  QTest::mouseRelease(view_->window()->windowHandle(), Qt::LeftButton, {}, inWindow);
  EXPECT_EQ(pressed, 1);
  panel_->removeEventFilter(&counter);

  // The form control on the same line is placed by the same shift.
  QWidget* control = Control();
  ASSERT_NE(control, nullptr);
  EXPECT_EQ(control->geometry().topLeft() - stillControl.topLeft(), QPoint(shift.left, shift.top));
  EXPECT_EQ(paint.childAt(control->geometry().center()), control);
}

INSTANTIATE_TEST_SUITE_P(
    Blocks, PanelPlacementTest,
    ::testing::Values(PanelCase{"Unmoved", {{0, 0}}},
                      PanelCase{"Relative", {{70, 50}}},
                      PanelCase{"RelativeBackAndUp", {{-15, -40}}},
                      PanelCase{"PanelTag", {{70, 50}}, false, false, true},
                      PanelCase{"Nested", {{30, 20}, {45, 25}}},
                      PanelCase{"ThreeDeep", {{30, 20}, {0, 0}, {-10, 35}}},
                      PanelCase{"Scrolled", {{70, 50}}, false, false, false, 90},
                      PanelCase{"Floating", {{70, 50}}, false, true},
                      PanelCase{"FloatingNestedScrolled", {{30, 20}, {45, 25}}, false, true, false, 60},
                      PanelCase{"InTableCell", {{70, 50}}, true},
                      PanelCase{"InTableCellScrolled", {{40, -30}, {25, 60}}, true, false, false, 100}),
    [](const ::testing::TestParamInfo<PanelCase>& info) { return std::string(info.param.name); });

}  // namespace
