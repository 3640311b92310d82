#include "htmlview/layout/fontruns.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFocusEvent>
#include <QWidget>

#include <memory>
#include <string>
#include <vector>

#include "htmlview/layout/sections.h"
#include "htmlview/style/styleprops.h"
#include "htmlview/parse/vocabulary.h"
#include "objectdoc_fake.h"

using namespace htmlview;
using objfake::FakeDocument;

namespace {

class FontRunsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    platform::SetFontBackend(platform::FontBackend::FixedMetric, {"Times New Roman", "Arial"});
  }
  void SetUp() override {
    InitVocabulary();
    InitStyleProps();
    section_ = std::make_unique<TSectionBase>(&doc_);
  }
  void TearDown() override {
    runs_.Clear();
    DoneStyleProps();
  }

  static TMyFont Font(int height, bool italic = false) {
    TMyFont f;
    f.name = "Times New Roman";
    f.height = height;
    f.italic = italic;
    return f;
  }
  TFontObj* AddRun(int pos, int linkId = 0, const std::string& url = "") {
    TFontObj* run = runs_.Add(std::make_unique<TFontObj>(section_.get(), Font(-16), pos));
    if (!url.empty()) {
      run->UrlTarget->URL = url;
      run->UrlTarget->ID = linkId;
      doc_.Links.push_back(run);
    }
    return run;
  }
  static void Focus(QWidget* w, QEvent::Type type) {
    QFocusEvent e(type, Qt::TabFocusReason);
    QApplication::sendEvent(w, &e);
  }

  FakeDocument doc_;
  std::unique_ptr<TSectionBase> section_;
  TFontList runs_;
};

TFontInfoArray LinkFonts() {
  TFontInfoArray a;
  const platform::Colour colours[4] = {platform::clBlue, platform::clPurple, platform::clRed,
                                       platform::clMaroon};
  for (int i = 0; i < 4; ++i) {
    a[i].Name = "Arial";
    a[i].Size = 12;
    a[i].Color = colours[i];
    a[i].Style = i >= 2 ? platform::fsUnderline : 0;
  }
  return a;
}

}  // namespace

TEST_F(FontRunsTest, MetricsAreTakenFromTheFont) {
  // FixedMetric: ascent round(0.8 x 16) = 13, descent 3, no leading.
  TFontObj plain(section_.get(), Font(-16), 0);
  EXPECT_EQ(plain.tmHeight(), 16);
  EXPECT_EQ(plain.FontHeight(), 16);
  EXPECT_EQ(plain.Descent(), 3);
  EXPECT_EQ(plain.tmMaxCharWidth(), 8);
  EXPECT_EQ(plain.Overhang(), 0);
  EXPECT_FALSE(plain.IsLink());
  EXPECT_EQ(plain.Pos, 0);

  TFontObj italic(section_.get(), Font(-30, true), 7);
  EXPECT_EQ(italic.Overhang(), 3);   // height / 10
  EXPECT_EQ(italic.Pos, 7);

  plain.ReplaceFont(Font(-20, true));
  EXPECT_EQ(plain.tmHeight(), 20);
  EXPECT_EQ(plain.Overhang(), 2);
}

// The runs made from one font share it: a page of a great many small
// sections has a run for each. A run whose font changes takes its own and
// leaves the others as they were.
TEST_F(FontRunsTest, RunsOfOneFontShareIt) {
  auto fontOf = [](const TFontObj& run) -> const TMyFont& { return run.TheFont; };
  std::vector<std::unique_ptr<TFontObj>> runs;
  for (int i = 0; i < 100; ++i) runs.push_back(std::make_unique<TFontObj>(section_.get(), Font(-16), i));
  runs.push_back(std::make_unique<TFontObj>(section_.get(), *runs[0]));
  for (const auto& run : runs) EXPECT_EQ(&fontOf(*run), &fontOf(*runs[0]));

  runs[1]->ReplaceFont(Font(-20, true));
  EXPECT_NE(&fontOf(*runs[1]), &fontOf(*runs[0]));
  EXPECT_EQ(fontOf(*runs[1]).tmHeight, 20);
  EXPECT_TRUE(fontOf(*runs[1]).italic);
  for (int i : {0, 2, 100}) {
    EXPECT_EQ(&fontOf(*runs[i]), &fontOf(*runs[0]));
    EXPECT_EQ(fontOf(*runs[i]).tmHeight, 16);
    EXPECT_FALSE(fontOf(*runs[i]).italic);
  }
  // A link state switching the font of one run changes that run alone.
  runs[2]->SetLinkFonts(LinkFonts());
  EXPECT_EQ(fontOf(*runs[2]).color, platform::clBlue);
  EXPECT_NE(fontOf(*runs[0]).color, platform::clBlue);
  runs[1]->ReplaceFont(Font(-16));
  EXPECT_EQ(&fontOf(*runs[1]), &fontOf(*runs[0]));
}

// A run made after the font engine changes is measured by the new engine,
// not given the font an equal run was measured with before.
TEST_F(FontRunsTest, RunsAfterAnEngineChangeAreMeasuredAgain) {
  TFontObj fixed(section_.get(), Font(-16), 0);
  platform::SetFontBackend(platform::FontBackend::Qt);
  TFontObj qt(section_.get(), Font(-16), 0);
  TMyFont measured = Font(-16);
  MeasureFont(measured);
  platform::SetFontBackend(platform::FontBackend::FixedMetric, {"Times New Roman", "Arial"});
  EXPECT_EQ(qt.TheFont->tmHeight, measured.tmHeight);
  EXPECT_EQ(qt.TheFont->tmDescent, measured.tmDescent);
  EXPECT_EQ(qt.TheFont->tmMaxCharWidth, measured.tmMaxCharWidth);
  EXPECT_EQ(fixed.tmMaxCharWidth(), 8);
  EXPECT_NE(measured.tmMaxCharWidth, 8);   // the engines differ, or the test shows nothing
}

TEST_F(FontRunsTest, ConvertFontRoundsThePointSizeHalfToEven) {
  struct Case {
    double points;
    int height;
  };
  // 96 / 72 x points: 9 -> 12, 7.5 -> 10, 10.5 -> 14, 1.5 -> 2, 0.375 -> 0.5 -> 0 (even)
  const Case cases[] = {{9, -12}, {7.5, -10}, {10.5, -14}, {1.5, -2}, {0.375, 0}};
  for (const Case& c : cases) {
    TFontObj run(section_.get(), Font(-16), 0);
    ThtFontInfo info;
    info.Name = "Arial";
    info.Size = c.points;
    info.Style = platform::fsBold | platform::fsItalic;
    info.Color = platform::clGreen;
    info.BgColor = platform::clYellow;
    info.Charset = 2;
    run.ConvertFont(info);
    EXPECT_EQ(run.TheFont->height, c.height) << c.points;
    EXPECT_EQ(run.TheFont->name, "Arial");
    EXPECT_EQ(run.TheFont->weight, platform::FW_BOLD);
    EXPECT_TRUE(run.TheFont->italic);
    EXPECT_EQ(run.TheFont->color, platform::clGreen);
    EXPECT_EQ(run.TheFont->BgColor, platform::clYellow);
    EXPECT_EQ(run.TheFont->charset, 2);
  }
}

TEST_F(FontRunsTest, ConvertFontGuardsHostileSizes) {
  TFontObj run(section_.get(), Font(-16), 0);
  ThtFontInfo info;
  info.Name = "Arial";
  info.Size = -5;
  run.ConvertFont(info);
  EXPECT_EQ(run.TheFont->height, -16);   // the default 12 points
  info.Size = 1e12;
  run.ConvertFont(info);
  EXPECT_GE(run.TheFont->height, -2667);
}

TEST_F(FontRunsTest, LinkStatesSelectTheirFont) {
  TFontObj run(section_.get(), Font(-16), 0);
  run.SetLinkFonts(LinkFonts());
  EXPECT_EQ(run.TheFont->color, platform::clBlue);
  struct Case {
    bool visited, hover;
    platform::Colour colour;
    bool underline;
  };
  const Case cases[] = {{false, false, platform::clBlue, false},
                        {true, false, platform::clPurple, false},
                        {false, true, platform::clRed, true},
                        {true, true, platform::clMaroon, true},
                        {false, false, platform::clBlue, false}};
  for (const Case& c : cases) {
    run.SetVisited(c.visited);
    run.SetHover(c.hover);
    EXPECT_EQ(run.TheFont->color, c.colour) << c.visited << c.hover;
    EXPECT_EQ(run.TheFont->underline, c.underline);
    EXPECT_EQ(run.tmHeight(), 16);   // metrics follow the 12-point font
  }
}

TEST_F(FontRunsTest, StateChangeWithoutLinkFontsKeepsTheFont) {
  TFontObj run(section_.get(), Font(-16), 0);
  run.SetHover(true);
  run.SetVisited(true);
  EXPECT_TRUE(run.Hover);
  EXPECT_TRUE(run.Visited);
  EXPECT_EQ(run.TheFont->height, -16);
}

TEST_F(FontRunsTest, HoverReachesEveryRunOfTheSameLinkOnly) {
  TFontObj* a1 = AddRun(0, 1, "a.htm");
  TFontObj* a2 = AddRun(4, 1, "a.htm");
  TFontObj* b = AddRun(8, 2, "b.htm");
  TFontObj* a3 = AddRun(12, 1, "a.htm");   // the same id again, but not next to the others
  for (TFontObj* r : {a1, a2, b, a3}) r->SetLinkFonts(LinkFonts());

  a2->SetAllHovers(true);
  EXPECT_TRUE(a1->Hover);
  EXPECT_TRUE(a2->Hover);
  EXPECT_FALSE(b->Hover);
  EXPECT_FALSE(a3->Hover);
  EXPECT_EQ(a1->TheFont->color, platform::clRed);

  a1->SetAllHovers(false);
  EXPECT_FALSE(a1->Hover);
  EXPECT_FALSE(a2->Hover);
}

TEST_F(FontRunsTest, RunLookupsByPosition) {
  AddRun(0);
  AddRun(5);
  AddRun(9);
  runs_[1]->ReplaceFont(Font(-20, true));
  struct Case {
    int pos;
    int index;
    int count;   // to the next run start, or to length 14
  };
  const Case cases[] = {{0, 0, 5}, {4, 0, 1}, {5, 1, 4}, {8, 1, 1},
                        {9, 2, 5}, {13, 2, 1}, {20, 2, -6}};
  for (const Case& c : cases) {
    int index = -7;
    TFontObj* run = runs_.GetFontObjAt(c.pos, index);
    ASSERT_NE(run, nullptr);
    EXPECT_EQ(index, c.index) << c.pos;
    EXPECT_EQ(run, runs_[c.index]);
    EXPECT_EQ(runs_.GetFontCountAt(c.pos, 14), c.count) << c.pos;
    int overhang = -1;
    const TMyFont* font = runs_.GetFontAt(c.pos, overhang);
    EXPECT_EQ(font, &*runs_[c.index]->TheFont);
    EXPECT_EQ(overhang, c.index == 1 ? 2 : 0);
  }
  TFontList empty;
  int index = 5, overhang = 5;
  EXPECT_EQ(empty.GetFontObjAt(3, index), nullptr);
  EXPECT_EQ(index, -1);
  EXPECT_EQ(empty.GetFontAt(3, overhang), nullptr);
  EXPECT_EQ(empty.GetFontCountAt(3, 10), 7);
}

TEST_F(FontRunsTest, CopyKeepsStartScriptFontsAndTarget) {
  TFontObj* run = AddRun(6, 3, "x.htm");
  run->SScript = TVAlign::Super;
  run->Title = "tip";
  run->SetLinkFonts(LinkFonts());
  run->SetVisited(true);
  TFontList copy;
  TSectionBase other(&doc_);
  copy.CopyFrom(&other, runs_);
  ASSERT_EQ(copy.Count(), 1);
  TFontObj* c = copy[0];
  EXPECT_EQ(c->Section, &other);
  EXPECT_EQ(c->Pos, 6);
  EXPECT_EQ(c->SScript, TVAlign::Super);
  EXPECT_EQ(c->URL(), "x.htm");
  EXPECT_EQ(c->LinkID(), 3);
  EXPECT_EQ(c->TheFont->color, platform::clPurple);
  ASSERT_TRUE(c->LinkFontTable());
  EXPECT_EQ((*c->LinkFontTable())[LinkStateHover].Color, platform::clRed);
  EXPECT_EQ(c->TabControl(), nullptr);
  EXPECT_NE(c->UrlTarget.get(), run->UrlTarget.get());
}

TEST_F(FontRunsTest, OneFocusControlPerLinkAndTabbingMarksAllItsRunsActive) {
  QWidget panel;
  doc_.Panel = &panel;
  TFontObj* bold = AddRun(0, 5, "a.htm");
  TFontObj* plain = AddRun(3, 5, "a.htm");
  TFontObj* other = AddRun(8, 6, "b.htm");
  bold->CreateTabControl(0);
  plain->CreateTabControl(0);
  other->CreateTabControl(0);
  ASSERT_NE(bold->TabControl(), nullptr);
  EXPECT_EQ(plain->TabControl(), nullptr);
  ASSERT_NE(other->TabControl(), nullptr);
  EXPECT_EQ(bold->TabControl()->parentWidget(), &panel);
  EXPECT_EQ(bold->TabControl()->x(), -4000);
  EXPECT_EQ(bold->TabControl()->width(), 1);
  EXPECT_EQ(bold->TabControl()->focusPolicy(), Qt::StrongFocus);
  EXPECT_TRUE(doc_.TabOrder.empty());   // no tab index: document order

  Focus(bold->TabControl(), QEvent::FocusIn);
  EXPECT_TRUE(bold->Active);
  EXPECT_TRUE(plain->Active);
  EXPECT_FALSE(other->Active);
  ASSERT_EQ(doc_.Entered.size(), 1u);
  EXPECT_EQ(doc_.Entered[0], bold);

  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  QApplication::sendEvent(bold->TabControl(), &enter);
  ASSERT_EQ(doc_.Keys.size(), 1u);
  EXPECT_EQ(doc_.Keys[0], platform::VK_RETURN);

  const int before = doc_.Invalidations;
  Focus(bold->TabControl(), QEvent::FocusOut);
  EXPECT_FALSE(bold->Active);
  EXPECT_FALSE(plain->Active);
  EXPECT_GT(doc_.Invalidations, before);
}

TEST_F(FontRunsTest, ExplicitTabIndexesGetSortableKeys) {
  QWidget panel;
  doc_.Panel = &panel;
  AddRun(0, 1, "a.htm")->CreateTabControl(3);
  AddRun(4, 2, "b.htm")->CreateTabControl(12);
  AddRun(8, 3, "c.htm")->CreateTabControl(0);
  ASSERT_EQ(doc_.TabOrder.size(), 2u);
  EXPECT_EQ(doc_.TabOrder[0].first, "00003000");
  EXPECT_EQ(doc_.TabOrder[1].first, "00012001");
  EXPECT_EQ(doc_.TabOrder[0].second, runs_[0]->TabControl());
}

TEST_F(FontRunsTest, NoPanelNoControl) {
  TFontObj* run = AddRun(0, 1, "a.htm");
  run->CreateTabControl(1);
  EXPECT_EQ(run->TabControl(), nullptr);
  EXPECT_TRUE(doc_.TabOrder.empty());
}

TEST_F(FontRunsTest, YValueIsStoredOnTheRunOwningTheControl) {
  QWidget panel;
  doc_.Panel = &panel;
  TFontObj* first = AddRun(0, 4, "a.htm");
  TFontObj* second = AddRun(2, 4, "a.htm");
  first->CreateTabControl(0);
  second->SetYValue(120);
  EXPECT_EQ(first->YValue, 120);
  EXPECT_EQ(second->YValue, 0);
  TFontObj* lone = AddRun(6, 9, "z.htm");
  lone->SetYValue(50);
  EXPECT_EQ(lone->YValue, 50);
}

TEST_F(FontRunsTest, DecrementMovesLaterRunsAndFreesEmptiedOnes) {
  AddRun(0);
  AddRun(5);
  AddRun(6);
  AddRun(9);
  runs_.Decrement(5, &doc_);   // the run at 5 held one character
  ASSERT_EQ(runs_.Count(), 3);
  EXPECT_EQ(runs_[0]->Pos, 0);
  EXPECT_EQ(runs_[1]->Pos, 5);
  EXPECT_EQ(runs_[2]->Pos, 8);

  runs_.Decrement(2, &doc_);
  EXPECT_EQ(runs_[1]->Pos, 4);
  EXPECT_EQ(runs_[2]->Pos, 7);
  runs_.Decrement(20, &doc_);   // beyond every run
  EXPECT_EQ(runs_[2]->Pos, 7);
}

TEST_F(FontRunsTest, DecrementHandsTheFocusControlToTheNextRunOfTheLink) {
  QWidget panel;
  doc_.Panel = &panel;
  AddRun(0);
  TFontObj* emptied = AddRun(5, 7, "a.htm");
  TFontObj* rest = AddRun(6, 7, "a.htm");
  emptied->CreateTabControl(2);
  ThtTabcontrol* control = emptied->TabControl();
  ASSERT_NE(control, nullptr);

  runs_.Decrement(5, &doc_);
  ASSERT_EQ(runs_.Count(), 2);
  EXPECT_EQ(runs_[1], rest);
  EXPECT_EQ(rest->TabControl(), control);
  EXPECT_EQ(control->Run, rest);
  EXPECT_EQ(doc_.Links, std::vector<TFontObj*>{rest});
  EXPECT_EQ(doc_.TabOrder.size(), 1u);   // still waiting for its order

  Focus(control, QEvent::FocusIn);       // events reach the new owner
  EXPECT_TRUE(rest->Active);
}

TEST_F(FontRunsTest, DecrementDropsTheControlOfALinkThatEnds) {
  QWidget panel;
  doc_.Panel = &panel;
  AddRun(0);
  TFontObj* emptied = AddRun(5, 7, "a.htm");
  AddRun(6);   // plain text after the link
  emptied->CreateTabControl(2);
  ASSERT_EQ(doc_.TabOrder.size(), 1u);
  runs_.Decrement(5, &doc_);
  EXPECT_EQ(runs_.Count(), 2);
  EXPECT_TRUE(doc_.TabOrder.empty());
  EXPECT_TRUE(doc_.Links.empty());
  EXPECT_TRUE(panel.findChildren<ThtTabcontrol*>().isEmpty());
}

TEST_F(FontRunsTest, APanelDestroyedFirstLeavesNoDanglingControl) {
  auto panel = std::make_unique<QWidget>();
  doc_.Panel = panel.get();
  TFontObj* run = AddRun(0, 1, "a.htm");
  run->CreateTabControl(0);
  ASSERT_NE(run->TabControl(), nullptr);
  panel.reset();
  EXPECT_EQ(run->TabControl(), nullptr);
  runs_.Clear();   // must not free the control a second time
}
