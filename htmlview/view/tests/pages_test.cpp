// The workbench's own pages in the viewer, offscreen: the layout as a dump
// beside a golden file, and the pixels that matter (the frame lines of the
// Header table, the tick picture of a Verify All page).
#include <gtest/gtest.h>

#include "htmlview/images/imagecache.h"
#include "htmlview/layout/layoutdump.h"
#include "htmlview/view/htmlview.h"
#include "htmlview/viewermodule.h"
#include "platform/fonts.h"
#include "platform/guard.h"
#include "platform/render.h"
#include "testsupport/testenv.h"

namespace {

using namespace htmlview;

const std::string kData = std::string(DRAVLEN_SOURCE_DIR) + "/htmlview/view/tests/data/";

std::vector<std::string> LinesOf(const std::string& file) {
  std::vector<std::string> lines;
  std::string line;
  for (char c : testsupport::ReadAll(kData + file)) {
    if (c == '\n') {
      lines.push_back(line);
      line.clear();
    } else {
      line += c;
    }
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

class PagesTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    platform::SetFontBackend(platform::FontBackend::FixedMetric, {"Times New Roman", "Arial", "Courier New"});
    InitViewerModule();
  }
  static void TearDownTestSuite() { DoneViewerModule(); }
  void SetUp() override {
    view_ = std::make_unique<THtmlView>();
    view_->resize(700, 500);
    platform::TakeReportedErrors();
  }
  void TearDown() override {
    view_.reset();
    EXPECT_TRUE(platform::TakeReportedErrors().empty());
  }
  // The workbench's order: clear, base, load, repaint.
  void Show(const std::string& file, const std::string& base = "") {
    view_->ClearDocument();
    view_->SetBase(base);
    view_->LoadFromStrings(LinesOf(file));
    view_->Repaint();
  }
  QImage Render() {
    TPaintPanel& p = view_->PaintPanel();
    return p.PaintToImage({0, 0, p.width(), p.height()});
  }
  std::unique_ptr<THtmlView> view_;
};

constexpr platform::Colour kFrame = platform::Rgb(0xAF, 0xBC, 0xDA);   // #afbcda

TEST_F(PagesTest, HeaderPageShowsTheFrameLinesOfItsTable) {
  Show("header.htm");
  ASSERT_GT(view_->SectionList().Count(), 0);
  EXPECT_TRUE(view_->VScrollBar().Shown()) << "thirteen rows do not fit 500 pixels";
  const QImage image = Render();
  const platform::Rect frame = platform::BoundsOfColour(image, kFrame);
  // The table's left and top edges, its column line and its right edge.
  EXPECT_EQ(frame.left, 9);
  EXPECT_EQ(frame.top, 61);
  for (int y = 62; y < 498; y += 7) EXPECT_EQ(platform::ColourAt(image, 9, y), kFrame) << y;
  for (int x = 9; x <= 635; x += 13) EXPECT_EQ(platform::ColourAt(image, x, 61), kFrame) << x;
  EXPECT_EQ(platform::ColourAt(image, 172, 80), kFrame);
  EXPECT_EQ(platform::ColourAt(image, 635, 80), kFrame);
  // Inside a cell: the page's ground.
  EXPECT_EQ(platform::ColourAt(image, 100, 80), platform::ColourToRgb(platform::clBtnFace));
  // Scrolled to its end, the last row's bottom line shows.
  int key = platform::VK_END;
  view_->HandleKeyDown(key, 0);
  const QImage end = Render();
  const platform::Rect endFrame = platform::BoundsOfColour(end, kFrame);
  EXPECT_LT(endFrame.bottom, view_->PaintPanel().height());
  EXPECT_EQ(platform::ColourAt(end, 300, endFrame.bottom - 1), kFrame);
}

TEST_F(PagesTest, VerifyAllPageFetchesTheTickFromTheBaseFolder) {
  Show("verifyall.htm", kData);
  ASSERT_NE(view_->ImageCache(), nullptr);
  ASSERT_EQ(view_->ImageCache()->Count(), 1);
  EXPECT_EQ(view_->ImageCache()->Strings(0), ImageCacheKey(kData + "tick.png"));
  // Two lines, each as tall as its picture at least.
  EXPECT_GE(view_->DocumentHeight(), 2 * 16);
  EXPECT_FALSE(view_->VScrollBar().Shown());
}

}  // namespace
