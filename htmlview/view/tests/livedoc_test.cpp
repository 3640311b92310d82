// Live documents in the viewer, built by the document parser: form
// submission delivered after the click has returned, panels announced with
// the viewer as sender (a panel that asks for no size at all included),
// plain text, images delivered through the image request event, tiny page
// background pictures, the load's progress, drags over the document and
// the palette query.
#include <gtest/gtest.h>

#include <algorithm>

#include <QAbstractButton>
#include <QBuffer>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QJsonArray>
#include <QJsonDocument>
#include <QMimeData>
#include <QTest>

#include "viewersuite.h"
#include "htmlview/images/imagemodule.h"
#include "htmlview/images/pngcodec.h"
#include "htmlview/layout/formcontrols.h"
#include "htmlview/layout/panelobj.h"
#include "htmlview/view/htmlview.h"
#include "htmlview/viewermodule.h"
#include "platform/fonts.h"
#include "platform/guard.h"
#include "platform/image.h"
#include "platform/render.h"
#include "platform/streams.h"
#include "platform/timers.h"
#include "testsupport/testenv.h"

namespace {

using namespace htmlview;

class LiveDocTest : public ViewerSuite<> {
 protected:
  void SetUp() override {
    view_ = std::make_unique<THtmlView>();
    view_->resize(500, 400);
    platform::TakeReportedErrors();
  }
  void TearDown() override {
    view_.reset();
    platform::RunPosted();
    EXPECT_TRUE(platform::TakeReportedErrors().empty());
  }
  void Load(const std::vector<std::string>& lines) { view_->LoadFromStrings(lines); }
  std::unique_ptr<THtmlView> view_;
};

TEST_F(LiveDocTest, AFormIsSubmittedAfterTheClickHasReturned) {
  struct Submission {
    QObject* sender;
    std::string action, method;
    std::vector<std::string> results;
  };
  std::vector<Submission> submitted;
  view_->SetOnFormSubmit([&](QObject* sender, const std::string& action, const std::string&, const std::string&,
                             const std::string& method, const std::vector<std::string>& results) {
    submitted.push_back({sender, action, method, results});
  });
  Load({"<form action=\"go.htm\" method=\"get\">", "<input type=\"text\" name=\"a\" value=\"1\">",
        "<input type=\"submit\" name=\"s\" value=\"Go\">", "</form>"});
  QAbstractButton* button = nullptr;
  for (TFormControlObj* c : view_->SectionList().FormControlList)
    if (auto* b = dynamic_cast<QAbstractButton*>(c->TheControl())) button = b;
  ASSERT_NE(button, nullptr);
  button->click();
  EXPECT_TRUE(submitted.empty()) << "delivered only after the click";
  platform::RunPosted();
  ASSERT_EQ(submitted.size(), 1u);
  EXPECT_EQ(submitted[0].sender, view_.get());
  EXPECT_EQ(submitted[0].action, "go.htm");
  EXPECT_EQ(submitted[0].results, (std::vector<std::string>{"a=1", "s=Go"}));
  // A new load drops the controls; nothing is delivered for them any more.
  Load({"<p>gone</p>"});
  platform::RunPosted();
  EXPECT_EQ(submitted.size(), 1u);
}

TEST_F(LiveDocTest, PanelsAreAnnouncedWithTheViewerAsSenderAndASizelessOneIsLaidOut) {
  std::vector<std::string> created;
  int destroyed = 0;
  view_->OnPanelCreate = [&](QObject* sender, const std::string& name, const std::string& type,
                             const std::string&, ThvPanel* panel) {
    EXPECT_EQ(sender, view_.get());
    created.push_back(name + ":" + type);
    // The host asks for nothing: the panel has no size at all.
    panel->resize(0, 0);
  };
  view_->OnPanelDestroy = [&](QObject*, ThvPanel*) { ++destroyed; };
  Load({"<p>before <panel name=\"plot\" type=\"graph\"> after</p>", "<p>next</p>"});
  EXPECT_EQ(created, (std::vector<std::string>{"plot:graph"}));
  EXPECT_GT(view_->DocumentHeight(), 0);
  view_->resize(300, 400);   // relayout at another width divides nothing by zero
  view_->ClearDocument();
  EXPECT_EQ(destroyed, 1);
}

TEST_F(LiveDocTest, PlainTextIsLaidOutLineByLine) {
  view_->LoadTextStrings({"first <b>not bold</b>", "second", "third"});
  EXPECT_EQ(view_->CurrentFileType(), TextType);
  const int three = view_->DocumentHeight();
  EXPECT_GE(three, 3 * 16);
  view_->LoadTextStrings({"first <b>not bold</b>", "second", "third", "fourth"});
  EXPECT_GT(view_->DocumentHeight(), three);
}

TEST_F(LiveDocTest, TitleAndBaseComeFromTheDocument) {
  view_->SetBase("/stored/");
  Load({"<html><head><title>The title</title><base href=\"/doc/base/\" target=\"main\"></head>",
        "<body>x</body></html>"});
  EXPECT_EQ(view_->DocumentTitle(), "The title");
  EXPECT_EQ(view_->EffectiveBase(), "/doc/base/");
  EXPECT_EQ(view_->BaseTarget(), "main");
  EXPECT_EQ(view_->Base(), "/stored/");
  Load({"<p>no base</p>"});
  EXPECT_EQ(view_->EffectiveBase(), "/stored/");
}

TEST_F(LiveDocTest, ImagesComeThroughTheImageRequestEvent) {
  const std::string png = testsupport::ReadAll(std::string(DRAVLEN_SOURCE_DIR) + "/htmlview/view/tests/data/tick.png");
  std::vector<std::string> asked;
  platform::TMemoryStream stream;
  stream.WriteBuffer(png.data(), static_cast<int64_t>(png.size()));
  view_->SetOnImageRequest([&](QObject* sender, const std::string& src, platform::TStream*& s) {
    EXPECT_EQ(sender, view_.get());
    asked.push_back(src);
    stream.Seek(0, platform::TSeekOrigin::soBeginning);
    s = &stream;
  });
  Load({"<p><img src=\"virtual/tick.png\"> ok</p>"});
  EXPECT_EQ(asked, (std::vector<std::string>{"virtual/tick.png"}));
  ASSERT_NE(view_->ImageCache(), nullptr);
  EXPECT_EQ(view_->ImageCache()->Count(), 1);
}

TEST_F(LiveDocTest, EnterOnALinksFocusControlFollowsItAfterTheKey) {
  Load({"<p>See <a href=\"#end\">the end</a> of the page.</p>", "<p style=\"height:900px\">tall</p>",
        "<p id=\"end\">The end</p>"});
  std::vector<std::string> clicked;
  view_->OnHotSpotClick = [&](QObject*, const std::string& url, bool&) { clicked.push_back(url); };
  ThtTabcontrol* tab = nullptr;
  for (TFontObj* run : view_->SectionList().Links)
    if (run->TabControl()) tab = run->TabControl();
  ASSERT_NE(tab, nullptr);
  QTest::keyClick(tab, Qt::Key_Return);
  EXPECT_TRUE(clicked.empty()) << "followed only after the key has been handled";
  platform::RunPosted();
  EXPECT_EQ(clicked, (std::vector<std::string>{"#end"}));
  EXPECT_EQ(view_->HoverURL(), "#end");
  EXPECT_EQ(view_->VScrollBar().Position(), view_->DocumentHeight() - view_->PaintPanel().height());
  EXPECT_GT(view_->VScrollBar().Position(), 500);
}

// A page background picture a few pixels in size covers the window with
// exactly its own pixels, repeated from the top left, on the axes it repeats
// along and nowhere else.
TEST_F(LiveDocTest, TinyBackgroundPicturesCoverTheWindowWithTheirOwnPixels) {
  struct Case {
    int w, h;
    const char* repeat;
  } cases[] = {{1, 1, "repeat"}, {1, 3, "repeat"}, {3, 1, "repeat"},   {2, 2, "repeat"},
               {7, 5, "repeat"}, {1, 4, "repeat-x"}, {5, 1, "repeat-y"}, {120, 2, "repeat"}};
  constexpr platform::Colour kPage = 0x00102030;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.w) + " x " + std::to_string(c.h) + " " + c.repeat);
    QImage picture(c.w, c.h, QImage::Format_ARGB32);
    for (int y = 0; y < c.h; ++y)
      for (int x = 0; x < c.w; ++x) picture.setPixel(x, y, qRgb(40 + 25 * x % 200, 60 + 37 * y % 190, (x * 7 + y * 11) % 256));
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "PNG");
    platform::TMemoryStream stream;
    stream.WriteBuffer(png.constData(), png.size());
    view_->SetOnImageRequest([&](QObject*, const std::string&, platform::TStream*& s) {
      stream.Seek(0, platform::TSeekOrigin::soBeginning);
      s = &stream;
    });
    // A name of its own: the image cache keeps the pictures of earlier loads.
    const std::string name = "bg" + std::to_string(c.w) + "x" + std::to_string(c.h) + c.repeat + ".png";
    Load({"<body style=\"background-color:#302010; background-image:url(" + name + "); background-repeat:" +
          c.repeat + "\"></body>"});
    TPaintPanel& panel = view_->PaintPanel();
    const QImage shown = panel.PaintToImage({0, 0, panel.width(), panel.height()});
    int wrong = 0;
    for (int y = 0; y < shown.height(); ++y)
      for (int x = 0; x < shown.width(); ++x) {
        const bool covered = (x < c.w || std::string(c.repeat) != "repeat-y") &&
                             (y < c.h || std::string(c.repeat) != "repeat-x");
        const QRgb want = covered ? picture.pixel(x % c.w, y % c.h) : platform::ToQColor(kPage).rgb();
        if (shown.pixel(x, y) != want && wrong++ == 0)
          ADD_FAILURE() << "first difference at " << x << ", " << y << ": " << std::hex << shown.pixel(x, y)
                        << " instead of " << want;
      }
    EXPECT_EQ(wrong, 0);
  }
}

// A page background picture with transparent parts (a palette PNG whose
// transparent entry becomes a mask, with black under it) lets the page
// colour show through them instead of the black.
TEST_F(LiveDocTest, TransparentPartsOfABackgroundPictureShowThePageColour) {
  const std::string images = std::string(DRAVLEN_SOURCE_DIR) + "/htmlview/images/tests/data/images/";
  const QJsonArray rgba =
      QJsonDocument::fromJson(QByteArray::fromStdString(testsupport::ReadAll(images + "tbbn3p08.json"))).array();
  ASSERT_EQ(rgba.size(), 32 * 32 * 4);
  // The opaque pixels as the picture decodes on its own.
  TPngPicture picture;
  picture.LoadFromFile(images + "tbbn3p08.png");
  const std::string png = testsupport::ReadAll(images + "tbbn3p08.png");
  platform::TMemoryStream stream;
  stream.WriteBuffer(png.data(), static_cast<int>(png.size()));
  view_->SetOnImageRequest([&](QObject*, const std::string&, platform::TStream*& s) {
    stream.Seek(0, platform::TSeekOrigin::soBeginning);
    s = &stream;
  });
  for (const char* repeat : {"no-repeat", "repeat"}) {
    SCOPED_TRACE(repeat);
    Load({std::string("<body style=\"background-color:#3060a0; background-image:url(masked-") + repeat +
          ".png); background-repeat:" + repeat + "\"></body>"});
    TPaintPanel& panel = view_->PaintPanel();
    const QImage shown = panel.PaintToImage({0, 0, panel.width(), panel.height()});
    const QRgb page = qRgb(0x30, 0x60, 0xa0);
    int wrong = 0;
    for (int y = 0; y < 64; ++y)
      for (int x = 0; x < 64; ++x) {
        const bool inPicture = (x < 32 && y < 32) || std::string(repeat) == "repeat";
        const int i = ((y % 32) * 32 + x % 32) * 4;
        const bool hidden = !inPicture || rgba[i + 3].toInt() == 0;
        const QRgb want = hidden ? page : platform::ToQColor(picture.Bitmap().Pixel(x % 32, y % 32)).rgb();
        if (shown.pixel(x, y) != want && wrong++ == 0)
          ADD_FAILURE() << "first difference at " << x << ", " << y << ": " << std::hex << shown.pixel(x, y)
                        << " instead of " << want;
      }
    EXPECT_EQ(wrong, 0);
  }
}

// The parse reports the first three quarters of a load and the layout the
// last: the report climbs past 75 to 100 and never goes back.
TEST_F(LiveDocTest, ALongPageReportsItsLoadUpToAHundredPercent) {
  std::vector<std::string> page;
  for (int i = 0; i < 3000; ++i) page.push_back("<p>Paragraph " + std::to_string(i) + " of a long page.</p>");
  std::vector<int> running;
  std::vector<ThtProgressStage> stages;
  view_->OnProgress = [&](QObject* sender, ThtProgressStage stage, int percent) {
    EXPECT_EQ(sender, view_.get());
    stages.push_back(stage);
    if (stage == ThtProgressStage::psRunning) running.push_back(percent);
  };
  Load(page);
  ASSERT_FALSE(running.empty());
  EXPECT_EQ(stages.front(), ThtProgressStage::psStarting);
  EXPECT_EQ(stages.back(), ThtProgressStage::psEnding);
  EXPECT_TRUE(std::is_sorted(running.begin(), running.end()));
  EXPECT_GT(std::count_if(running.begin(), running.end(), [](int p) { return p > 75; }), 10);
  EXPECT_EQ(running.back(), 100);
}

// Drags over the document come to the viewer's drag events with the viewer
// as sender, at panel coordinates; what the drag-over event answers decides
// whether a drop is taken, and without a drag-over event none is.
TEST_F(LiveDocTest, DragsOverTheDocumentReachTheViewersDragEvents) {
  Load({"<p>Drop something here.</p>"});
  TPaintPanel& panel = view_->PaintPanel();
  QMimeData data;
  data.setText("dragged");
  auto move = [&](QPoint at) {
    QDragMoveEvent e(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&panel, &e);
    return e.isAccepted();
  };
  auto enter = [&](QPoint at) {
    QDragEnterEvent e(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&panel, &e);
  };
  enter({5, 5});
  EXPECT_FALSE(move({20, 30})) << "no drag-over event, no drop";

  struct Over {
    QObject* sender;
    const QMimeData* data;
    int x, y;
    platform::DragState state;
  };
  std::vector<Over> over;
  std::vector<Over> dropped;
  view_->OnDragOver = [&](QObject* sender, QObject*, const QMimeData* d, int x, int y, platform::DragState state,
                          bool& accept) {
    over.push_back({sender, d, x, y, state});
    accept = x < 100;
  };
  view_->OnDragDrop = [&](QObject* sender, QObject*, const QMimeData* d, int x, int y) {
    dropped.push_back({sender, d, x, y, platform::DragState::Move});
  };
  enter({5, 5});
  EXPECT_TRUE(move({20, 30}));
  EXPECT_FALSE(move({150, 30}));
  EXPECT_TRUE(move({40, 35}));
  QDropEvent drop(QPointF(40, 35), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&panel, &drop);
  enter({7, 8});
  QDragLeaveEvent leave;
  QApplication::sendEvent(&panel, &leave);

  ASSERT_EQ(over.size(), 6u);
  const platform::DragState states[] = {platform::DragState::Enter, platform::DragState::Move,
                                        platform::DragState::Move,  platform::DragState::Move,
                                        platform::DragState::Enter, platform::DragState::Leave};
  for (size_t i = 0; i < over.size(); ++i) {
    EXPECT_EQ(over[i].sender, view_.get());
    EXPECT_EQ(over[i].state, states[i]) << i;
  }
  EXPECT_EQ(over[1].data, &data);
  EXPECT_EQ(over[1].x, 20);
  EXPECT_EQ(over[1].y, 30);
  EXPECT_EQ(over[5].x, 7) << "a leave tells the last point";
  EXPECT_EQ(over[5].y, 8);
  ASSERT_EQ(dropped.size(), 1u);
  EXPECT_EQ(dropped[0].sender, view_.get());
  EXPECT_EQ(dropped[0].data, &data);
  EXPECT_EQ(dropped[0].x, 40);
  EXPECT_EQ(dropped[0].y, 35);
}

// The palette query is answered with the screen palette, which only a
// screen of 8 bits per pixel has; on a true-colour screen there is none.
TEST_F(LiveDocTest, ThePaletteQueryAnswersOnlyOnAPaletteScreen) {
  Load({"<p>Colours.</p>"});
  EXPECT_FALSE(view_->QueryNewPalette());
  platform::SetScreenDepth(8);
  const bool answered = view_->QueryNewPalette();
  platform::SetScreenDepth(24);
  EXPECT_TRUE(answered);
  EXPECT_FALSE(view_->QueryNewPalette());
}

}  // namespace
