// Live documents in the viewer, built by the document parser: form
// submission delivered after the click has returned, panels announced with
// the viewer as sender (a panel that asks for no size at all included),
// plain text, and images delivered through the image request event.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QTest>

#include "htmlview/images/imagemodule.h"
#include "htmlview/layout/formcontrols.h"
#include "htmlview/layout/panelobj.h"
#include "htmlview/view/htmlview.h"
#include "htmlview/viewermodule.h"
#include "platform/fonts.h"
#include "platform/guard.h"
#include "platform/streams.h"
#include "platform/timers.h"
#include "testsupport/testenv.h"

namespace {

using namespace htmlview;

class LiveDocTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    platform::SetFontBackend(platform::FontBackend::FixedMetric, {"Times New Roman", "Arial", "Courier New"});
    InitViewerModule();
  }
  static void TearDownTestSuite() { DoneViewerModule(); }
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

}  // namespace
