// Links and form controls in the keyboard's tab order, on pages the parser
// built: explicit TABINDEX values first, the too-many-links rule, one focus
// control per link however its text is split, the link's y for scrolling it
// into view, and a radio group's tab stop after saved values come back.
#include <gtest/gtest.h>

#include <QWidget>

#include <map>
#include <string>
#include <vector>

#include "viewersuite.h"
#include "htmlview/layout/formcontrols.h"
#include "htmlview/parse/htmlreader.h"
#include "htmlview/view/htmlview.h"
#include "htmlview/viewermodule.h"
#include "platform/fonts.h"
#include "platform/timers.h"

namespace {

using namespace htmlview;

class TabFocusTest : public ViewerSuite<> {
 protected:
  void SetUp() override {
    view_ = std::make_unique<THtmlView>();
    view_->resize(500, 400);
  }
  void TearDown() override {
    view_.reset();
    platform::RunPosted();
  }
  void Load(const std::string& html) { view_->LoadHtmlText(html); }

  // The name of a window of the page: a link's URL, a control's NAME.
  std::string NameOf(QWidget* w) {
    if (auto* tab = dynamic_cast<ThtTabcontrol*>(w)) return tab->Run ? tab->Run->URL() : "?";
    for (TFormControlObj* c : view_->SectionList().FormControlList)
      if (c->TheControl() == w) return c->FName;
    return "";
  }
  // The windows of the page that Tab stops at, in the order Tab visits them.
  std::vector<std::string> TabWalk() {
    QWidget* panel = &view_->PaintPanel();
    std::vector<std::string> names;
    QWidget* w = panel->nextInFocusChain();
    for (int guard = 0; w && w != panel && guard < 10000; ++guard, w = w->nextInFocusChain())
      if (w->parentWidget() == panel && (w->focusPolicy() & Qt::TabFocus)) names.push_back(NameOf(w));
    return names;
  }
  int FocusControls() {
    int n = 0;
    for (QObject* child : view_->PaintPanel().children()) n += dynamic_cast<ThtTabcontrol*>(child) != nullptr;
    return n;
  }

  std::unique_ptr<THtmlView> view_;
};

std::string Links(int count) {
  std::string s = "<p>";
  for (int i = 0; i < count; ++i) s += "<a href=\"l" + std::to_string(i) + "\">link</a> ";
  return s + "</p>";
}

TEST_F(TabFocusTest, ExplicitTabIndexesComeFirstThenDocumentOrder) {
  struct Case {
    const char* page;
    std::vector<std::string> order;
  };
  const Case cases[] = {
      {"<p><a href=a>a</a> <a href=b>b</a> <a href=c tabindex=1>c</a> <a href=d tabindex=2>d</a></p>",
       {"c", "d", "a", "b"}},
      {"<p><a href=a tabindex=2>a</a> <a href=b>b</a> <a href=c tabindex=1>c</a> <a href=d>d</a></p>",
       {"c", "a", "b", "d"}},
      {"<form><input name=p> <input name=q> <input name=r tabindex=2> <input name=s tabindex=1></form>",
       {"s", "r", "p", "q"}},
      {"<form><a href=a>a</a> <input name=q tabindex=1> <a href=b>b</a> <input name=t></form>",
       {"q", "a", "b", "t"}},
      {"<p><a href=a>a</a> <a href=b>b</a></p>", {"a", "b"}},
  };
  for (const Case& c : cases) {
    Load(c.page);
    EXPECT_EQ(TabWalk(), c.order) << c.page;
  }
}

TEST_F(TabFocusTest, PagesWithMoreLinksThanTheLimitGiveLinksNoTabStops) {
  Load(Links(kLinkTabStopLimit));
  EXPECT_EQ(FocusControls(), kLinkTabStopLimit);
  EXPECT_EQ(static_cast<int>(TabWalk().size()), kLinkTabStopLimit);

  Load(Links(kLinkTabStopLimit + 1) + "<form><input name=kept></form>");
  EXPECT_EQ(FocusControls(), 0);
  EXPECT_EQ(TabWalk(), std::vector<std::string>{"kept"}) << "form controls keep their tab stops";
  EXPECT_EQ(static_cast<int>(view_->SectionList().Links.size()), kLinkTabStopLimit + 1);

  // The links still work with the mouse.
  std::unique_ptr<TUrlTarget> url;
  TFormControlObj* control = nullptr;
  std::string title;
  const TFontObj* last = view_->SectionList().Links.back();
  ASSERT_NE(last->YValue, 0);
  view_->ScrollTo(last->YValue);
  TPaintPanel& panel = view_->PaintPanel();
  ASSERT_FALSE(panel.PaintToImage({0, 0, panel.width(), panel.height()}).isNull());
  bool found = false;
  for (int x = 0; x < 500 && !found; x += 4)
    for (int y = 0; y < 400 && !found; y += 4)
      if (view_->GetURLAtPoint(x, y, url, control, title) & 1) found = url && url->URL == "l400";
  EXPECT_TRUE(found);
}

TEST_F(TabFocusTest, OneFocusControlPerLinkHoldingItsYWhateverItsPieces) {
  Load("<p style=\"height:600px\">top</p>"
       "<p><a href=one>plain <b>bold</b> <span style=\"font-variant:small-caps\">Small caps</span> end</a></p>"
       "<p><a href=two>two</a> and <a href=three><i>three</i></a></p>");
  std::map<int, int> controlsPerLink;
  std::map<int, std::vector<TFontObj*>> pieces;
  for (TFontObj* run : view_->SectionList().Links) {
    pieces[run->LinkID()].push_back(run);
    if (run->TabControl()) ++controlsPerLink[run->LinkID()];
  }
  ASSERT_EQ(pieces.size(), 3u);
  for (const auto& [id, runs] : pieces) {
    EXPECT_EQ(controlsPerLink[id], 1) << runs.front()->URL();
    for (TFontObj* run : runs) {
      ASSERT_NE(run->LinkControl(), nullptr);
      EXPECT_EQ(run->LinkControl()->Run->LinkID(), id);
    }
  }
  EXPECT_GT(pieces[view_->SectionList().Links.front()->LinkID()].size(), 2u);
  // The y of each link is kept on the run owning its control.
  for (const auto& [id, runs] : pieces) {
    const TFontObj* owner = runs.front()->LinkControl()->Run;
    EXPECT_GT(owner->YValue, 500) << owner->URL();
  }
}

TEST_F(TabFocusTest, ARestoredRadioGroupsTabStopFollowsTheCheckedButton) {
  Load("<form><input type=radio name=r value=1 checked> <input type=radio name=r value=2>"
       " <input type=radio name=r value=3> <input type=radio name=other value=x></form>");
  auto radios = [&] {
    std::vector<TRadioButtonFormControlObj*> list;
    for (TFormControlObj* c : view_->SectionList().FormControlList)
      if (auto* r = dynamic_cast<TRadioButtonFormControlObj*>(c)) list.push_back(r);
    return list;
  };
  ASSERT_EQ(radios().size(), 4u);
  ASSERT_TRUE(radios()[0]->TabStop());
  ThtmlForm* form = view_->SectionList().FormList[0];
  form->SetFormData({"r=3", "other=x"});
  auto r = radios();
  EXPECT_TRUE(r[2]->Checked());
  EXPECT_FALSE(r[0]->Checked());
  EXPECT_FALSE(r[0]->TabStop());
  EXPECT_FALSE(r[1]->TabStop());
  EXPECT_TRUE(r[2]->TabStop());
  EXPECT_TRUE(r[3]->TabStop());
  EXPECT_EQ(TabWalk(), (std::vector<std::string>{"r", "other"}));

  // Nothing of the group saved: the first button keeps the group reachable.
  form->SetFormData({});
  r = radios();
  EXPECT_TRUE(r[0]->TabStop());
  EXPECT_FALSE(r[2]->TabStop());
  // A reset brings the tab stop back to the button checked by the page.
  form->SetFormData({"r=2"});
  form->ResetControls();
  r = radios();
  EXPECT_TRUE(r[0]->Checked());
  EXPECT_TRUE(r[0]->TabStop());
  EXPECT_FALSE(r[1]->TabStop());
}

}  // namespace
