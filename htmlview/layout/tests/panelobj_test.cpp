// Panel objects: the window made for the host through the viewer's create
// event, sizing from attributes, percentages and the host's size, style,
// placement on a line, hiding when a scroll leaves a panel undrawn, and the
// destroy event.
#include "htmlview/layout/panelobj.h"

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include <QImage>
#include <QPointer>
#include <QWidget>
#include <gtest/gtest.h>

#include "htmlview/parse/attributes.h"
#include "htmlview/layout/docroot.h"
#include "htmlview/layout/sections.h"
#include "htmlview/style/styleprops.h"
#include "htmlview/parse/vocabulary.h"

namespace {

using namespace htmlview;

// A viewer as far as panels see it: a window carrying the panel events,
// which records what it was told.
class TestViewer : public QWidget, public TPanelEvents {
 public:
  struct Created {
    QObject* sender;
    std::string name, type, src;
    ThvPanel* panel;
    QRect geometry;      // as the host found the window
    QWidget* parent;
    std::string caption;
  };
  struct Destroyed {
    QObject* sender;
    ThvPanel* panel;
    std::string objectName;   // read while the window still lives
  };
  std::vector<Created> created;
  std::vector<Destroyed> destroyed;
  // What the host does to a new panel: a size of its own when above 0.
  int hostWidth = 0, hostHeight = -1;

  TestViewer() {
    OnPanelCreate = [this](QObject* sender, const std::string& name, const std::string& type,
                           const std::string& src, ThvPanel* panel) {
      created.push_back({sender, name, type, src, panel, panel->geometry(), panel->parentWidget(),
                         panel->Caption()});
      if (hostHeight >= 0) panel->resize(hostWidth, hostHeight);
    };
    OnPanelDestroy = [this](QObject* sender, ThvPanel* panel) {
      destroyed.push_back({sender, panel, panel->objectName().toStdString()});
    };
  }
};

// A band of text holding panels: its draw places the panels marked on the
// page at their inline place, as the text section's draw does.
class PanelSection : public TSectionBase {
 public:
  explicit PanelSection(TSectionListBase* root) : TSectionBase(root) {}
  std::vector<std::unique_ptr<TPanelObj>> Panels;
  std::vector<bool> OnPage;

  TPanelObj* Add(std::unique_ptr<TPanelObj> panel) {
    Panels.push_back(std::move(panel));
    OnPage.push_back(true);
    return Panels.back().get();
  }
  int Layout(platform::Canvas& canvas, int x, int y, int xRef, int yRef, int aWidth, int aHeight,
             int blHt, IndentManager& iMgr, int& maxWidth, int& curs) override {
    for (auto& p : Panels) p->Layout(Root, canvas, nullptr, aWidth, aHeight);
    SectionHeight = 100;
    const int h = TSectionBase::Layout(canvas, x, y, xRef, yRef, aWidth, aHeight, blHt, iMgr,
                                       maxWidth, curs);
    Len = static_cast<int>(Panels.size());
    curs += Len;
    return h;
  }
  int Draw(platform::Canvas& canvas, TDrawContext& context, const platform::Rect& aRect,
           IndentManager& iMgr, int x, int xRef, int yRef) override {
    int left = x;
    for (size_t i = 0; i < Panels.size(); ++i) {
      TPanelObj& p = *Panels[i];
      if (OnPage[i]) p.Place(left + p.HSpaceL, p.InlineTop(DrawTop, DrawTop + 40, 16, 3));
      left += p.ObjWidth + p.HSpaceL + p.HSpaceR;
    }
    return TSectionBase::Draw(canvas, context, aRect, iMgr, x, xRef, yRef);
  }
};

struct A {
  HtmlSymbol which;
  std::string text;
};

class PanelObjTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Panels draw no text and fetch no pictures: the style tables are all
    // the document needs.
    InitVocabulary();
    InitStyleProps();
    viewer_ = std::make_unique<TestViewer>();
    viewer_->resize(600, 400);
    paint_ = new platform::Control(viewer_.get());
    paint_->SetBounds(0, 0, 600, 400);
    root_ = std::make_unique<TSectionList>(viewer_.get(), paint_);
    image_ = QImage(600, 400, QImage::Format_ARGB32);
    image_.fill(Qt::white);
    canvas_ = std::make_unique<platform::Canvas>(&image_);
  }
  void TearDown() override {
    canvas_.reset();
    root_.reset();
    viewer_.reset();
    DoneStyleProps();
  }

  // Attributes as the reader gives them: the text, and its leading number
  // (without "%") as the value.
  static void Fill(TAttributeList& list, const std::vector<A>& attributes) {
    for (const A& a : attributes) list.Add(TAttribute(a.which, "", std::atoi(a.text.c_str()), a.text));
  }
  std::unique_ptr<TPanelObj> Make(const std::vector<A>& attributes, int position = 0) {
    TAttributeList list;
    Fill(list, attributes);
    return std::make_unique<TPanelObj>(root_.get(), list, position);
  }
  PanelSection* AddSection() {
    auto s = std::make_unique<PanelSection>(root_.get());
    PanelSection* raw = s.get();
    root_->Add(std::move(s), 0);
    return raw;
  }
  void DoLayout() {
    int maxWidth = 0, curs = 0;
    root_->Layout(*canvas_, 0, 600, 400, 0, maxWidth, curs);
  }
  void DoDraw() {
    TDrawContext context;
    root_->Draw(*canvas_, context, platform::Rect{0, 0, 600, 400}, 6000, 0, 0, 0, 0);
  }

  std::unique_ptr<TestViewer> viewer_;
  platform::Control* paint_ = nullptr;
  std::unique_ptr<TSectionList> root_;
  QImage image_;
  std::unique_ptr<platform::Canvas> canvas_;
};

// ------------------------------------------------------------------ creation

TEST_F(PanelObjTest, CreationParksAWhitePanelOnThePaintPanelAndTellsTheHost) {
  auto obj = Make({{HtmlSymbol::Name, "clock"}, {HtmlSymbol::Type, "application/x-clock"},
                   {HtmlSymbol::Src, "clock.bin"}},
                  17);
  ASSERT_EQ(viewer_->created.size(), 1u);
  const TestViewer::Created& c = viewer_->created[0];
  EXPECT_EQ(c.sender, viewer_.get());
  EXPECT_EQ(c.name, "clock");
  EXPECT_EQ(c.type, "application/x-clock");
  EXPECT_EQ(c.src, "clock.bin");
  EXPECT_EQ(c.panel, obj->Panel());
  EXPECT_EQ(c.geometry, QRect(-4000, -4000, 30, 20));
  EXPECT_EQ(c.parent, paint_);
  EXPECT_EQ(c.caption, "");

  ThvPanel* panel = obj->Panel();
  EXPECT_EQ(panel->objectName(), "clock");
  EXPECT_EQ(panel->frameShape(), QFrame::Box);
  EXPECT_EQ(panel->frameShadow(), QFrame::Plain);
  EXPECT_EQ(panel->lineWidth(), 1);
  EXPECT_EQ(panel->palette().color(QPalette::Window), QColor(Qt::white));
  EXPECT_TRUE(panel->VisibleFlag());
  EXPECT_FALSE(panel->isHidden());
  EXPECT_EQ(obj->WindowedControl(), panel);

  EXPECT_EQ(obj->Pos, 17);
  EXPECT_EQ(obj->Root, root_.get());
  EXPECT_EQ(obj->VertAlign, TVAlign::Bottom);
  EXPECT_EQ(obj->InitialWidth, 30);
  EXPECT_EQ(obj->InitialHeight, 20);
  EXPECT_FALSE(obj->ShowIt);
  ASSERT_EQ(root_->PanelList.size(), 1u);
  EXPECT_EQ(root_->PanelList[0], obj.get());
}

TEST_F(PanelObjTest, TheHostsSizeBecomesTheInitialSizeAndTheSizeWithoutAttributes) {
  struct Case {
    int hostW, hostH;   // hostH < 0: the host leaves the panel alone
    int w, h;
  } cases[] = {{0, -1, 30, 20}, {120, 80, 120, 80}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.hostW);
    viewer_->hostWidth = c.hostW;
    viewer_->hostHeight = c.hostH;
    auto obj = Make({});
    EXPECT_EQ(obj->InitialWidth, c.w);
    EXPECT_EQ(obj->InitialHeight, c.h);
    obj->Layout(root_.get(), *canvas_, nullptr, 400, 300);
    EXPECT_EQ(obj->ObjWidth, c.w);
    EXPECT_EQ(obj->ObjHeight, c.h);
    EXPECT_TRUE(obj->ImageKnown);
    EXPECT_EQ(obj->Panel()->size(), QSize(c.w, c.h));
  }
}

TEST_F(PanelObjTest, AttributesGiveSizesSpacesAlignmentAndAltText) {
  struct Case {
    std::vector<A> attributes;
    int specW;
    bool percentW;
    int specH;
    bool percentH;
    QSize window;   // after creation
    int hL, hR, vT, vB;
    TVAlign align;
  } cases[] = {
      {{{HtmlSymbol::Width, "80"}, {HtmlSymbol::Height, "0"}}, 80, false, 1, false, {80, 1}, 0, 0, 0, 0, TVAlign::Bottom},
      {{{HtmlSymbol::Width, "150%"}, {HtmlSymbol::Height, "150%"}}, 100, true, -1, false, {30, 20}, 0, 0, 0, 0, TVAlign::Bottom},
      {{{HtmlSymbol::Width, "0%"}, {HtmlSymbol::Height, "25%"}}, 1, true, 25, true, {30, 20}, 0, 0, 0, 0, TVAlign::Bottom},
      {{{HtmlSymbol::Height, "0%"}}, -1, false, -1, false, {30, 20}, 0, 0, 0, 0, TVAlign::Bottom},
      {{{HtmlSymbol::Width, "-5"}}, -1, false, -1, false, {30, 20}, 0, 0, 0, 0, TVAlign::Bottom},
      {{{HtmlSymbol::HSpace, "-60"}, {HtmlSymbol::VSpace, "7"}}, -1, false, -1, false, {30, 20}, 40, 40, 7, 7, TVAlign::Bottom},
      {{{HtmlSymbol::VSpace, "-90"}}, -1, false, -1, false, {30, 20}, 0, 0, 40, 40, TVAlign::Bottom},
      {{{HtmlSymbol::Align, "left"}}, -1, false, -1, false, {30, 20}, 3, 3, 0, 0, TVAlign::Left},
      {{{HtmlSymbol::Align, " Right "}, {HtmlSymbol::HSpace, "0"}}, -1, false, -1, false, {30, 20}, 0, 0, 0, 0, TVAlign::Right},
      {{{HtmlSymbol::Align, "TOP"}}, -1, false, -1, false, {30, 20}, 0, 0, 0, 0, TVAlign::Top},
      {{{HtmlSymbol::Align, "middle"}}, -1, false, -1, false, {30, 20}, 0, 0, 0, 0, TVAlign::Middle},
      {{{HtmlSymbol::Align, "absmiddle"}}, -1, false, -1, false, {30, 20}, 0, 0, 0, 0, TVAlign::Middle},
      {{{HtmlSymbol::Align, "baseline"}}, -1, false, -1, false, {30, 20}, 0, 0, 0, 0, TVAlign::Bottom},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    SCOPED_TRACE(i);
    auto obj = Make(c.attributes);
    EXPECT_EQ(obj->SpecWidth, c.specW);
    EXPECT_EQ(obj->PercentWidth, c.percentW);
    EXPECT_EQ(obj->SpecHeight, c.specH);
    EXPECT_EQ(obj->PercentHeight, c.percentH);
    EXPECT_EQ(obj->Panel()->size(), c.window);
    EXPECT_EQ(obj->HSpaceL, c.hL);
    EXPECT_EQ(obj->HSpaceR, c.hR);
    EXPECT_EQ(obj->VSpaceT, c.vT);
    EXPECT_EQ(obj->VSpaceB, c.vB);
    EXPECT_EQ(obj->VertAlign, c.align);
  }

  auto alt = Make({{HtmlSymbol::Alt, "Uhr \xC3\xA4\r\n\n"}});
  EXPECT_EQ(alt->FAlt, "Uhr \xC3\xA4");
  EXPECT_EQ(alt->ImageTitle, "Uhr \xC3\xA4");
  EXPECT_EQ(alt->FAltW, u"Uhr \u00E4");
}

// -------------------------------------------------------------------- sizing

TEST_F(PanelObjTest, SizeFollowsPercentagesGivenSidesAndTheInitialAspect) {
  // The window starts 30 x 20 (3 : 2), a pixel WIDTH or HEIGHT goes to the
  // window before the aspect is taken; the line offers 400 x 300.
  struct Case {
    std::vector<A> attributes;
    int w, h;
    bool known;
  } cases[] = {
      {{{HtmlSymbol::Width, "50%"}}, 200, 133, false},
      {{{HtmlSymbol::Width, "50%"}, {HtmlSymbol::Height, "25%"}}, 200, 75, false},
      {{{HtmlSymbol::Width, "50%"}, {HtmlSymbol::Height, "40"}}, 200, 40, false},
      {{{HtmlSymbol::Height, "50%"}}, 225, 150, false},
      {{{HtmlSymbol::Height, "50%"}, {HtmlSymbol::Width, "70"}}, 70, 150, false},
      {{{HtmlSymbol::Width, "60"}, {HtmlSymbol::Height, "45"}}, 60, 45, true},
      {{{HtmlSymbol::Width, "60"}}, 60, 20, true},
      {{{HtmlSymbol::Height, "10"}}, 30, 10, true},
      {{}, 30, 20, true},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    SCOPED_TRACE(i);
    auto obj = Make(c.attributes);
    obj->Layout(root_.get(), *canvas_, nullptr, 400, 300);
    EXPECT_EQ(obj->ObjWidth, c.w);
    EXPECT_EQ(obj->ObjHeight, c.h);
    EXPECT_EQ(obj->ImageKnown, c.known);
    // The window takes the size where it stands.
    EXPECT_EQ(obj->Panel()->geometry(), QRect(-4000, -4000, c.w, c.h));
  }
}

TEST_F(PanelObjTest, PercentagesFollowEveryLayoutFixedSizesStay) {
  auto percent = Make({{HtmlSymbol::Width, "50%"}});
  percent->Layout(root_.get(), *canvas_, nullptr, 400, 300);
  percent->Layout(root_.get(), *canvas_, nullptr, 100, 300);
  EXPECT_EQ(percent->ObjWidth, 50);
  EXPECT_EQ(percent->ObjHeight, 33);

  auto fixed = Make({{HtmlSymbol::Width, "60"}});
  fixed->Layout(root_.get(), *canvas_, nullptr, 400, 300);
  fixed->SpecWidth = 90;   // a sized object keeps its size
  fixed->Layout(root_.get(), *canvas_, nullptr, 100, 300);
  EXPECT_EQ(fixed->ObjWidth, 60);
  EXPECT_EQ(fixed->ObjHeight, 20);

  // A line with no room gives an empty box; the window keeps its last size.
  auto squeezed = Make({{HtmlSymbol::Width, "50%"}});
  squeezed->Layout(root_.get(), *canvas_, nullptr, -40, 300);
  EXPECT_EQ(squeezed->ObjWidth, 0);
  EXPECT_EQ(squeezed->ObjHeight, 0);
  EXPECT_EQ(squeezed->Panel()->size(), QSize(30, 20));
}

TEST_F(PanelObjTest, AHostsEmptyPanelHasNoAspectToDivideBy) {
  // The side with nothing to scale from keeps the window's own size.
  struct Case {
    int hostW, hostH;
    A size;
    int w, h;
  } cases[] = {
      {0, 20, {HtmlSymbol::Width, "50%"}, 200, 20},
      {30, 0, {HtmlSymbol::Height, "50%"}, 30, 150},
      {30, 0, {HtmlSymbol::Width, "60"}, 60, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.size.text);
    viewer_->hostWidth = c.hostW;
    viewer_->hostHeight = c.hostH;
    auto obj = Make({c.size});
    obj->Layout(root_.get(), *canvas_, nullptr, 400, 300);
    EXPECT_EQ(obj->ObjWidth, c.w);
    EXPECT_EQ(obj->ObjHeight, c.h);
  }
}

TEST_F(PanelObjTest, StyleReplacesAlignmentSpacesAndSize) {
  TProperties prop;
  prop.EmSize = 16;
  prop.ExSize = 8;
  prop.PropTitle = "element title";
  prop.AddPropertyByName("float", "left");
  prop.AddPropertyByName("margin-top", "4px");
  prop.AddPropertyByName("margin-right", "6px");
  prop.AddPropertyByName("width", "30%");
  auto obj = Make({{HtmlSymbol::Width, "90"}, {HtmlSymbol::Name, "p"}}, 5);
  ThvPanel* panel = obj->Panel();
  obj->ProcessProperties(prop);
  EXPECT_EQ(obj->VertAlign, TVAlign::Left);
  EXPECT_EQ(obj->HSpaceL, 3);
  EXPECT_EQ(obj->HSpaceR, 6);
  EXPECT_EQ(obj->VSpaceT, 4);
  EXPECT_EQ(obj->ImageTitle, "element title");
  EXPECT_TRUE(obj->PercentWidth);
  EXPECT_EQ(obj->SpecWidth, 30);
  // What is the panel's own stays.
  EXPECT_EQ(obj->Pos, 5);
  EXPECT_EQ(obj->Panel(), panel);
  EXPECT_EQ(obj->InitialWidth, 90);
  obj->Layout(root_.get(), *canvas_, nullptr, 400, 300);
  EXPECT_EQ(obj->ObjWidth, 120);
  EXPECT_EQ(obj->ObjHeight, 27);   // 120 x 20 / 90
}

// ----------------------------------------------------------------- placement

TEST_F(PanelObjTest, InlineTopByAlignment) {
  // Line top 100, line bottom 140; the font is 16 high with descent 3.
  struct Case {
    const char* align;
    int top;
  } cases[] = {
      {"top", 102},                        // line top + top space
      {"middle", 140 - 8 - (30 - 2 + 2) / 2},
      {"bottom", 140 - 30 - 3 - 2},        // also for baseline, the default
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.align);
    auto obj = Make({{HtmlSymbol::Align, c.align}, {HtmlSymbol::VSpace, "2"},
                     {HtmlSymbol::Width, "40"}, {HtmlSymbol::Height, "30"}});
    obj->Layout(root_.get(), *canvas_, nullptr, 400, 300);
    EXPECT_EQ(obj->InlineTop(100, 140, 16, 3), c.top);
  }
}

TEST_F(PanelObjTest, PlacingMovesTheWindowLessTheScrollOffsetAndObeysItsFlag) {
  auto obj = Make({});
  root_->YOff = 50;
  obj->Place(10, 120);
  EXPECT_TRUE(obj->ShowIt);
  EXPECT_EQ(obj->DrawXX, 10);
  EXPECT_EQ(obj->DrawYY, 120);
  EXPECT_EQ(obj->Panel()->pos(), QPoint(10, 70));
  EXPECT_FALSE(obj->Panel()->isHidden());

  obj->Panel()->SetVisibleFlag(false);
  obj->Place(10, 130);
  EXPECT_TRUE(obj->Panel()->isHidden());
  EXPECT_EQ(obj->Panel()->pos(), QPoint(10, 80));
  obj->Panel()->SetVisibleFlag(true);
  obj->Place(10, 130);
  EXPECT_FALSE(obj->Panel()->isHidden());
}

TEST_F(PanelObjTest, AScrollHidesThePanelsTheNextDrawDoesNotPlace) {
  PanelSection* section = AddSection();
  TPanelObj* first = section->Add(Make({{HtmlSymbol::Width, "40"}, {HtmlSymbol::Height, "30"}}));
  TPanelObj* second = section->Add(Make({{HtmlSymbol::Width, "50%"}, {HtmlSymbol::HSpace, "5"}}));
  viewer_->show();
  DoLayout();
  EXPECT_EQ(second->ObjWidth, 300);
  DoDraw();
  EXPECT_TRUE(first->ShowIt);
  EXPECT_TRUE(second->ShowIt);
  EXPECT_TRUE(first->Panel()->isVisible());
  EXPECT_TRUE(second->Panel()->isVisible());
  // Inline at the bottom of the band: bottom 40 - 30 - descent 3.
  EXPECT_EQ(first->Panel()->pos(), QPoint(0, 7));
  EXPECT_EQ(second->Panel()->pos(), QPoint(45, 40 - 200 - 3));

  root_->SetYOffset(10);
  EXPECT_FALSE(first->ShowIt);
  EXPECT_FALSE(second->ShowIt);
  section->OnPage[1] = false;
  DoDraw();
  EXPECT_TRUE(first->Panel()->isVisible());
  EXPECT_EQ(first->Panel()->pos(), QPoint(0, -3));
  EXPECT_FALSE(second->Panel()->isVisible());

  // Back on the page with the next scroll.
  root_->SetYOffset(0);
  section->OnPage[1] = true;
  DoDraw();
  EXPECT_TRUE(second->Panel()->isVisible());
}

TEST_F(PanelObjTest, TheCaptionIsDrawnOnTheWhitePanel) {
  auto obj = Make({{HtmlSymbol::Width, "80"}, {HtmlSymbol::Height, "30"}});
  auto dark = [](const QImage& img) {
    int n = 0;
    for (int y = 2; y < img.height() - 2; ++y)
      for (int x = 2; x < img.width() - 2; ++x)
        if (qGray(img.pixel(x, y)) < 128) ++n;
    return n;
  };
  const QImage empty = obj->Panel()->grab().toImage();
  EXPECT_EQ(qGray(empty.pixel(10, 10)), 255);
  EXPECT_EQ(qGray(empty.pixel(0, 0)), 0);   // the frame
  EXPECT_EQ(dark(empty), 0);
  obj->Panel()->SetCaption("Hello");
  EXPECT_EQ(obj->Panel()->Caption(), "Hello");
  EXPECT_GT(dark(obj->Panel()->grab().toImage()), 0);
}

// --------------------------------------------------------------- destruction

TEST_F(PanelObjTest, DestructionTellsTheHostFreesTheWindowAndLeavesTheList) {
  auto obj = Make({{HtmlSymbol::Name, "gauge"}});
  auto other = Make({});
  ThvPanel* raw = obj->Panel();
  QPointer<ThvPanel> panel = raw;
  obj.reset();
  ASSERT_EQ(viewer_->destroyed.size(), 1u);
  EXPECT_EQ(viewer_->destroyed[0].sender, viewer_.get());
  EXPECT_EQ(viewer_->destroyed[0].panel, raw);
  EXPECT_EQ(viewer_->destroyed[0].objectName, "gauge");   // still alive in the handler
  EXPECT_TRUE(panel.isNull());
  ASSERT_EQ(root_->PanelList.size(), 1u);
  EXPECT_EQ(root_->PanelList[0], other.get());

  // Without a handler the window goes all the same.
  viewer_->OnPanelDestroy = nullptr;
  QPointer<ThvPanel> quiet = other->Panel();
  other.reset();
  EXPECT_TRUE(quiet.isNull());
  EXPECT_TRUE(root_->PanelList.empty());
}

TEST_F(PanelObjTest, ClearingTheDocumentDestroysItsPanels) {
  PanelSection* section = AddSection();
  QPointer<ThvPanel> a = section->Add(Make({{HtmlSymbol::Name, "a"}}))->Panel();
  QPointer<ThvPanel> b = section->Add(Make({{HtmlSymbol::Name, "b"}}))->Panel();
  root_->Clear();
  ASSERT_EQ(viewer_->destroyed.size(), 2u);
  EXPECT_EQ(viewer_->destroyed[0].objectName, "a");
  EXPECT_EQ(viewer_->destroyed[1].objectName, "b");
  EXPECT_TRUE(a.isNull());
  EXPECT_TRUE(b.isNull());
  EXPECT_TRUE(root_->PanelList.empty());
}

TEST_F(PanelObjTest, APaintPanelFreedFirstLeavesNothingToTellOrFree) {
  auto obj = Make({});
  delete paint_;
  paint_ = nullptr;
  EXPECT_EQ(obj->Panel(), nullptr);
  EXPECT_EQ(obj->WindowedControl(), nullptr);
  obj->Layout(root_.get(), *canvas_, nullptr, 400, 300);
  obj->Place(5, 5);
  EXPECT_TRUE(obj->ShowIt);
  obj.reset();
  EXPECT_TRUE(viewer_->destroyed.empty());
}

TEST_F(PanelObjTest, OutsideAFullDocumentThePanelWaitsHiddenAndNoEventsFire) {
  auto obj = std::make_unique<TPanelObj>(nullptr, TAttributeList(), 0);
  ASSERT_NE(obj->Panel(), nullptr);
  EXPECT_EQ(obj->Panel()->parentWidget(), nullptr);
  obj->Place(0, 0);
  EXPECT_TRUE(obj->Panel()->isHidden());
  obj.reset();
  EXPECT_TRUE(viewer_->created.empty());
  EXPECT_TRUE(viewer_->destroyed.empty());
}

}  // namespace
