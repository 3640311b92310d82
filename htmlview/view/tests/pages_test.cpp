// The workbench's own pages in the viewer, offscreen: the layout as a dump
// beside a golden file, and the pixels that matter (the frame lines of the
// Header table, the tick picture of a Verify All page).
#include <cstdio>

#include <QMouseEvent>
#include <QTest>
#include <gtest/gtest.h>

#include "viewersuite.h"
#include "htmlview/images/imagecache.h"
#include "htmlview/images/pngcodec.h"
#include "htmlview/layout/layoutdump.h"
#include "htmlview/view/htmlview.h"
#include "htmlview/viewermodule.h"
#include "platform/clipboard.h"
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

class PagesTest : public ViewerSuite<> {
 protected:
  void SetUp() override {
    platform::SetClipboardBackend(&clipboard_);
    view_ = std::make_unique<THtmlView>();
    view_->resize(700, 500);
    platform::TakeReportedErrors();
  }
  void TearDown() override {
    view_.reset();
    platform::SetClipboardBackend(nullptr);
    EXPECT_TRUE(platform::TakeReportedErrors().empty());
  }
  // The workbench's order: clear, base, load, repaint.
  void Show(const std::string& file, const std::string& base = "") { ShowLines(LinesOf(file), base); }
  void ShowLines(const std::vector<std::string>& lines, const std::string& base) {
    view_->ClearDocument();
    view_->SetBase(base);
    view_->LoadFromStrings(lines);
    view_->Repaint();
  }
  QImage Render() {
    TPaintPanel& p = view_->PaintPanel();
    return p.PaintToImage({0, 0, p.width(), p.height()});
  }
  void Mouse(QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons buttons, QPoint at) {
    QMouseEvent e(type, QPointF(at), QPointF(view_->PaintPanel().mapToGlobal(at)), button, buttons, {});
    QApplication::sendEvent(&view_->PaintPanel(), &e);
  }
  // The dump against a golden file; a changed layout shows as a diff.
  void ExpectDump(const std::string& golden) {
    const std::string dump = DumpLayout(view_->SectionList());
    const std::string expected = testsupport::ReadAll(kData + golden);
    EXPECT_EQ(dump, expected) << "layout of " << golden << " changed; the new dump:\n" << dump;
  }
  platform::TestClipboardBackend clipboard_;
  std::unique_ptr<THtmlView> view_;
};

// Pixels of a green tick (green well above red and blue) inside r.
int GreenPixels(const QImage& image, const platform::Rect& r) {
  int n = 0;
  for (int y = r.top; y < r.bottom; ++y)
    for (int x = r.left; x < r.right; ++x) {
      const QColor c = image.pixelColor(x, y);
      n += c.green() > c.red() + 60 && c.green() > c.blue() + 60;
    }
  return n;
}

constexpr platform::Colour kFrame = platform::Rgb(0xAF, 0xBC, 0xDA);   // #afbcda

TEST_F(PagesTest, HeaderPageShowsTheFrameLinesOfItsTable) {
  Show("header.htm");
  ExpectDump("header.dump");
  ASSERT_GT(view_->SectionList().Count(), 0);
  EXPECT_FALSE(view_->VScrollBar().Shown());
  const QImage image = Render();
  const platform::Rect frame = platform::BoundsOfColour(image, kFrame);
  // The table's left and top edges, its column line and its right edge.
  EXPECT_EQ(frame.left, 9);
  EXPECT_EQ(frame.top, 61);
  for (int y = 62; y < 308; y += 7) EXPECT_EQ(platform::ColourAt(image, 9, y), kFrame) << y;
  for (int x = 9; x <= 635; x += 13) EXPECT_EQ(platform::ColourAt(image, x, 61), kFrame) << x;
  EXPECT_EQ(platform::ColourAt(image, 172, 80), kFrame);
  EXPECT_EQ(platform::ColourAt(image, 635, 80), kFrame);
  // The heading and the first key in their cell are drawn.
  EXPECT_GT(platform::CountColour(image, platform::clBlack, {10, 19, 100, 43}), 100);
  EXPECT_GT(platform::CountColour(image, platform::clBlack, {11, 63, 40, 79}), 50);
  // Inside a cell: the page's ground.
  EXPECT_EQ(platform::ColourAt(image, 100, 73), platform::ColourToRgb(platform::clBtnFace));
  // The bottom line of the last row.
  EXPECT_EQ(frame.bottom, 308);
  EXPECT_EQ(platform::ColourAt(image, 300, 307), kFrame);
}

TEST_F(PagesTest, VerifyAllPageFetchesTheTickFromTheBaseFolder) {
  Show("verifyall.htm", kData);
  ASSERT_NE(view_->ImageCache(), nullptr);
  ASSERT_EQ(view_->ImageCache()->Count(), 1);
  EXPECT_EQ(view_->ImageCache()->Strings(0), ImageCacheKey(kData + "tick.png"));
  ExpectDump("verifyall.dump");
  EXPECT_FALSE(view_->VScrollBar().Shown());
  // The tick stands at the start of each line.
  const QImage image = Render();
  EXPECT_GT(GreenPixels(image, {10, 5, 26, 24}), 10);
  EXPECT_GT(GreenPixels(image, {10, 24, 26, 43}), 10);
  EXPECT_EQ(GreenPixels(image, {30, 5, 300, 43}), 0);
}

// The program's own pictures are drawn over the page: where they are
// see-through the page's ground shows, where they are opaque their colour.
// The same through the viewer's own PNG codec and through the GDI+ engine.
TEST_F(PagesTest, VerifyAllPicturesShowThePageGroundThroughTheirTransparentPixels) {
  const std::string help = std::string(DRAVLEN_SOURCE_DIR) + "/resources/program/Help/";
  const char* pictures[] = {"tick.png", "cross.png"};
  struct EngineOff {
    ~EngineOff() { SetGdiPlusAvailable(false); }
  } engineOff;

  auto check = [&](platform::Colour ground, bool gdiPlus) {
    // A new viewer makes a new image cache, which starts the engine or not.
    view_.reset();
    SetGdiPlusAvailable(gdiPlus);
    view_ = std::make_unique<THtmlView>();
    view_->resize(700, 500);
    char colour[8];
    std::snprintf(colour, sizeof colour, "#%02X%02X%02X", platform::RedOf(ground), platform::GreenOf(ground),
                  platform::BlueOf(ground));
    ShowLines({std::string("<body bgcolor=\"") + colour + "\">", "<img src=\"tick.png\"> Northfield NHR R22<br>",
               "<img src=\"cross.png\"> Northfield NLR R22<br>"},
              help);
    ASSERT_EQ(GDIPlusActive(), gdiPlus);
    const QImage image = Render();
    for (int line = 0; line < 2; ++line) {
      SCOPED_TRACE(std::string(pictures[line]) + " on " + colour + (gdiPlus ? " through GDI+" : ""));
      TPngPicture picture;
      picture.LoadFromFile(help + pictures[line]);
      ASSERT_TRUE(picture.HasAlpha());
      const platform::Bitmap& pixels = picture.Bitmap();
      // Where the layout puts it: x 10, its bottom on the line's baseline.
      const int left = 10, top = 5 + 19 * line;
      int clear = 0, solid = 0, wrong = 0;
      for (int y = 0; y < pixels.Height(); ++y)
        for (int x = 0; x < pixels.Width(); ++x) {
          const int alpha = picture.AlphaPlane()[size_t(y) * pixels.Width() + x];
          if (alpha != 0 && alpha != 255) continue;   // blended: between the two
          const platform::Colour expected = alpha == 0 ? ground : pixels.Pixel(x, y);
          (alpha == 0 ? clear : solid)++;
          if (platform::ColourAt(image, left + x, top + y) != expected && ++wrong <= 3)
            ADD_FAILURE() << "pixel " << x << "," << y << " (alpha " << alpha << ")";
        }
      EXPECT_EQ(wrong, 0);
      EXPECT_GT(clear, 50);
      EXPECT_GE(solid, 10);
    }
  };
  for (const bool gdiPlus : {false, true}) {
    check(platform::Rgb(0xFF, 0xFF, 0x00), gdiPlus);
    check(platform::Rgb(0x33, 0x66, 0xCC), gdiPlus);
  }
}

TEST_F(PagesTest, DraggingOverATableCellSelectsItsTextForTheClipboard) {
  Show("header.htm");
  Render();   // hit tests use where the text was drawn
  // The Manuf row's value cell: "Northfield Compressors" from x 173.
  const int y = 89;
  Mouse(QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, {174, y});
  Mouse(QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, {260, y});
  Mouse(QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, {173 + 22 * 8, y});
  Mouse(QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, {173 + 22 * 8, y});
  EXPECT_EQ(QString::fromStdU16String(view_->SelText()).toStdString(), "Northfield Compressors");
  int key = 'C';
  view_->HandleKeyDown(key, platform::ssCtrl);
  EXPECT_EQ(clipboard_.Data().at(platform::kClipboardText), "Northfield Compressors");
  // Selected text is drawn inverted: the font colour behind, its inverse
  // for the glyphs (white on black here); the other cells stay as they were.
  const QImage image = Render();
  EXPECT_GT(platform::CountColour(image, platform::clWhite, {173, 81, 360, 99}), 100);
  EXPECT_EQ(platform::CountColour(image, platform::clWhite, {173, 100, 360, 118}), 0);
}

TEST_F(PagesTest, DoubleClickSelectsAWordOfTheDescription) {
  Show("header.htm");
  Render();
  // "Hermetic reciprocating, high temperature" in the Description row.
  QTest::mouseDClick(&view_->PaintPanel(), Qt::LeftButton, {}, QPoint(173 + 12 * 8, 127));
  EXPECT_EQ(QString::fromStdU16String(view_->SelText()).toStdString(), "reciprocating");
}

}  // namespace
