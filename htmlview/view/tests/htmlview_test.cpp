// The viewer control on documents assembled by hand: the load road, the
// scroll-bar decision, painting, scrolling by keys, wheel and bars, the
// position encoding, mouse selection and copying, words, links with hover
// and follow, auto-scroll and drag-scroll on their timer, and the history.
#include "viewersuite.h"
#include "htmlview/view/htmlview.h"

#include <QImage>
#include <QMouseEvent>
#include <QTest>
#include <gtest/gtest.h>

#include <new>

#include "htmlview/images/imagemodule.h"
#include "htmlview/view/tests/handdoc.h"
#include "htmlview/viewermodule.h"
#include "platform/clipboard.h"
#include "platform/cursors.h"
#include "platform/fonts.h"
#include "platform/guard.h"
#include "platform/render.h"
#include "platform/timers.h"
#include "testsupport/testenv.h"

namespace {

using namespace htmlview;
using handdoc::kCharW;
using handdoc::kLeft;
using handdoc::kLineH;
using handdoc::LinesSection;

std::string Utf8(const std::u16string& s) { return QString::fromStdU16String(s).toStdString(); }

class ViewTest : public ViewerSuite<> {
 protected:
  void SetUp() override {
    SetDocumentBuilder(handdoc::BuildHandDoc);
    platform::SetClipboardBackend(&clipboard_);
    now_ = 1000;
    platform::SetClock([this] { return now_; });
    view_ = std::make_unique<THtmlView>();
    view_->resize(300, 200);
    view_->DefFontName = "Times New Roman";
    view_->SetDefBackground(platform::clWhite);
    platform::TakeReportedErrors();
  }
  void TearDown() override {
    view_.reset();
    platform::RunPosted();
    platform::SetClock(nullptr);
    platform::SetClipboardBackend(nullptr);
    SetDocumentBuilder(nullptr);
    EXPECT_TRUE(platform::TakeReportedErrors().empty());
  }

  void Load(const std::vector<std::string>& lines, const std::string& reference = "") {
    view_->LoadFromStrings(lines, reference);
  }
  // n lines "line 0", "line 1", ... in one paragraph.
  static std::vector<std::string> Numbered(int n) {
    std::vector<std::string> lines;
    for (int i = 0; i < n; ++i) lines.push_back("line " + std::to_string(i));
    return lines;
  }
  LinesSection* Section(int i) { return dynamic_cast<LinesSection*>(view_->SectionList()[i]); }
  QImage Render() {
    TPaintPanel& p = view_->PaintPanel();
    return p.PaintToImage({0, 0, p.width(), p.height()});
  }
  void Mouse(QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons buttons, QPoint at,
             Qt::KeyboardModifiers mods = {}) {
    QMouseEvent e(type, QPointF(at), QPointF(view_->PaintPanel().mapToGlobal(at)), button, buttons, mods);
    QApplication::sendEvent(&view_->PaintPanel(), &e);
  }
  void Press(QPoint at, Qt::MouseButton b = Qt::LeftButton, Qt::KeyboardModifiers mods = {}) {
    Mouse(QEvent::MouseButtonPress, b, b, at, mods);
  }
  void Move(QPoint at, Qt::MouseButtons held = Qt::NoButton) { Mouse(QEvent::MouseMove, Qt::NoButton, held, at); }
  void Release(QPoint at, Qt::MouseButton b = Qt::LeftButton, Qt::KeyboardModifiers mods = {}) {
    Mouse(QEvent::MouseButtonRelease, b, Qt::NoButton, at, mods);
  }
  void Key(int vk, platform::ShiftState shift = 0) {
    int k = vk;
    view_->HandleKeyDown(k, shift);
  }
  // The panel point of a character: line, column of the section at the top.
  static QPoint At(int line, int column) { return {kLeft + column * kCharW + 2, line * kLineH + 5}; }

  int64_t now_ = 0;
  platform::TestClipboardBackend clipboard_;
  std::unique_ptr<THtmlView> view_;
};

// ------------------------------------------------------------ load and clear

TEST_F(ViewTest, LoadBuildsLaysOutAndReportsItsStagesInOrder) {
  std::vector<std::string> events;
  view_->OnProcessing = [&](QObject*, bool on) { events.push_back(on ? "busy" : "idle"); };
  view_->OnProgress = [&](QObject*, ThtProgressStage stage, int percent) {
    if (stage != ThtProgressStage::psRunning) events.push_back("progress " + std::to_string(percent));
  };
  view_->OnParseBegin = [&](QObject*, std::string& source) {
    events.push_back("parse begin");
    source += "@title Replaced\n";
  };
  view_->OnParseEnd = [&](QObject*) { events.push_back("parse end"); };
  view_->OnSoundRequest = [&](QObject*, const std::string&, int, bool stop) {
    events.push_back(stop ? "sound stop" : "sound");
  };
  Load({"alpha", "beta"});
  EXPECT_EQ(events, (std::vector<std::string>{"busy", "progress 0", "sound stop", "parse begin", "parse end",
                                              "progress 100", "idle"}));
  EXPECT_EQ(view_->DocumentTitle(), "Replaced");
  EXPECT_EQ(view_->DocumentHeight(), 2 * kLineH);
  EXPECT_EQ(view_->DocumentWidth(), kLeft + 5 * kCharW);
  ASSERT_EQ(view_->SectionList().Count(), 1);
  EXPECT_EQ(view_->CurrentFile(), "");
  EXPECT_FALSE(view_->Processing());
}

TEST_F(ViewTest, ClearingEmptiesTheDocumentAndTheBaseSoABaseIsSetAfterIt) {
  view_->SetBase("/some/folder/");
  Load({"text"});
  ASSERT_EQ(view_->EffectiveBase(), "/some/folder/");
  view_->ClearDocument();
  EXPECT_EQ(view_->SectionList().Count(), 0);
  EXPECT_EQ(view_->Base(), "");
  EXPECT_EQ(view_->EffectiveBase(), "");
  EXPECT_FALSE(view_->VScrollBar().Shown());
  Load({"again"});
  EXPECT_EQ(view_->EffectiveBase(), "");
}

TEST_F(ViewTest, ALoadWhileBusyIsIgnored) {
  int loads = 0;
  view_->OnParseEnd = [&](QObject*) {
    ++loads;
    if (loads == 1) view_->LoadFromStrings(std::vector<std::string>{"nested"});
    view_->ClearDocument();   // ignored as well
  };
  Load({"outer"});
  EXPECT_EQ(loads, 1);
  EXPECT_EQ(Utf8(Section(0)->Lines[0]), "outer");
}

TEST_F(ViewTest, AMissingFileRaisesCantLocateAndLeavesTheViewerIdle) {
  try {
    view_->LoadDocumentFile("/no/such/file.htm#part");
    FAIL() << "no error";
  } catch (const platform::EInOutError& e) {
    EXPECT_STREQ(e.what(), "Can't locate file: /no/such/file.htm");
  }
  EXPECT_FALSE(view_->Processing());
  EXPECT_EQ(platform::OverrideCursor(), platform::crDefault);
}

TEST_F(ViewTest, AnErrorInsideALoadReachesTheCallerAfterTheStateIsRestored) {
  SetDocumentBuilder([](TSectionList&, const TDocumentSource&, TParsedDocument&) {
    throw platform::Exception("broken builder");
  });
  EXPECT_THROW(Load({"x"}), platform::Exception);
  EXPECT_FALSE(view_->Processing());
  // The control paints again afterwards.
  Render();
}

// A page that needs more memory than there is fails as any other error
// inside a load, and gives back what it built: the viewer holds an empty
// document, not one half laid out (which would take the memory again at
// every relayout), and loads the next page as usual.
TEST_F(ViewTest, APageThatRunsOutOfMemoryLeavesAnEmptyDocument) {
  // A section whose layout finds no memory, after one laid out well.
  class Starving : public TSectionBase {
   public:
    using TSectionBase::TSectionBase;
    int Layout(platform::Canvas&, int, int, int, int, int, int, int, IndentManager&, int&, int&) override {
      throw std::bad_alloc();
    }
  };
  view_->SetBase("/kept/");
  Load(Numbered(3));
  ASSERT_EQ(view_->SectionList().Count(), 1);
  ASSERT_GT(view_->DocumentHeight(), 0);
  SetDocumentBuilder([](TSectionList& document, const TDocumentSource& source, TParsedDocument& parsed) {
    handdoc::BuildHandDoc(document, source, parsed);
    document.Add(std::make_unique<Starving>(&document), 0);
  });
  EXPECT_THROW(Load({"@title Starved", "text", "@tall 5000"}), std::bad_alloc);
  EXPECT_FALSE(view_->Processing());
  EXPECT_EQ(view_->SectionList().Count(), 0);
  EXPECT_EQ(view_->DocumentHeight(), 0);
  EXPECT_EQ(view_->DocumentTitle(), "");
  EXPECT_FALSE(view_->VScrollBar().Shown());
  EXPECT_EQ(view_->EffectiveBase(), "/kept/");   // the viewer's own settings stay
  Render();
  view_->SetScrollBars(TScrollStyle::ssVertical);   // laid out again: nothing to run out of
  SetDocumentBuilder(handdoc::BuildHandDoc);
  Load({"after"});
  EXPECT_EQ(view_->SectionList().Count(), 1);
  EXPECT_EQ(view_->DocumentHeight(), kLineH);
}

TEST_F(ViewTest, AnErrorWhilePaintingIsReportedThroughTheErrorHookNotThroughQt) {
  Load({"before", "", "@throw"});
  view_->show();
  const QImage image = platform::RenderToImage(view_.get());   // Qt's own paint event
  const std::vector<std::string> errors = platform::TakeReportedErrors();
  ASSERT_FALSE(errors.empty());
  EXPECT_NE(errors[0].find("section cannot draw"), std::string::npos);
  EXPECT_FALSE(image.isNull());
}

TEST_F(ViewTest, AnImageFileBecomesADocumentOfOneEscapedImageTag) {
  const std::string dir = testsupport::MakeTempDir("imgdoc");
  const std::string file = dir + "/a\"b<c>.gif";
  testsupport::WriteAll(file, "GIF89a");
  std::string seen;
  view_->OnParseBegin = [&](QObject*, std::string& source) { seen = source; };
  view_->LoadDocumentFile(file, ImgType);
  EXPECT_EQ(seen, "<img src=\"" + dir + "/a&quot;b&lt;c&gt;.gif\">");
  EXPECT_EQ(view_->CurrentFileType(), ImgType);
}

TEST_F(ViewTest, MetaRefreshGivesTheDelayAndTheUrl) {
  struct Case {
    std::string content;
    int delay;
    std::string url;
  };
  const std::vector<Case> cases = {
      {"0; url=next.htm", 1, "next.htm"}, {"5", 5, ""}, {"7;URL=Up.htm", 7, "Up.htm"}, {"soon; url=x", -1, ""}};
  for (const Case& c : cases) {
    SetDocumentBuilder([&](TSectionList&, const TDocumentSource& source, TParsedDocument&) {
      source.Events.Meta("Refresh", "", c.content);
    });
    int delay = -1;
    std::string url;
    view_->OnMetaRefresh = [&](QObject*, int d, const std::string& u) {
      delay = d;
      url = u;
    };
    Load({"x"});
    EXPECT_EQ(delay, c.delay) << c.content;
    EXPECT_EQ(url, c.url) << c.content;
  }
}

// ------------------------------------------------------------- properties

TEST_F(ViewTest, PropertiesKeepTheirLimits) {
  view_->SetImageCacheCount(30);
  EXPECT_EQ(view_->ImageCacheCount(), 20);
  view_->SetImageCacheCount(-1);
  EXPECT_EQ(view_->ImageCacheCount(), 0);
  view_->SetPrintScale(5.0);
  EXPECT_EQ(view_->PrintScale(), 4.0);
  view_->SetPrintScale(0.1);
  EXPECT_EQ(view_->PrintScale(), 0.25);
  view_->SetServerRoot("  /srv/www\\ ");
  EXPECT_EQ(view_->ServerRoot(), "/srv/www");
  view_->SetCursor(2);
  EXPECT_EQ(view_->Cursor(), platform::crIBeam);
  view_->SetVisitedMaxCount(-3);
  EXPECT_EQ(view_->VisitedMaxCount(), 0);
}

TEST_F(ViewTest, ExpandDocFileNameFollowsSchemesBasesAndTheServerRoot) {
  view_->SetBase("/docs/pages/");
  EXPECT_EQ(view_->ExpandDocFileName("http://host/x.htm"), "http://host/x.htm");
  EXPECT_EQ(view_->ExpandDocFileName("FILE:///tmp/a%20b.htm"), "/tmp/a b.htm");
  EXPECT_EQ(view_->ExpandDocFileName("sub/page.htm"), "/docs/pages/sub/page.htm");
  EXPECT_EQ(view_->ExpandDocFileName("../up.htm"), "/docs/up.htm");
  view_->SetServerRoot("/srv");
  EXPECT_EQ(view_->ExpandDocFileName("/root.htm"), "/srv/root.htm");
  view_->SetBase("DosPath");
  EXPECT_EQ(view_->ExpandDocFileName("rel.htm"), "rel.htm");
}

// -------------------------------------------------------- scroll-bar decision

TEST_F(ViewTest, AShortDocumentShowsNoBars) {
  Load(Numbered(3));
  EXPECT_FALSE(view_->VScrollBar().Shown());
  EXPECT_FALSE(view_->HScrollBar().Shown());
  EXPECT_EQ(view_->PaintPanel().width(), 298);
  EXPECT_EQ(view_->PaintPanel().height(), 198);
  EXPECT_EQ(Section(0)->Widths, (std::vector<int>{298}));
}

TEST_F(ViewTest, ATallDocumentIsLaidOutAgainNarrowerBesideTheBar) {
  Load(Numbered(30));
  EXPECT_TRUE(view_->VScrollBar().Shown());
  const int bar = view_->ScrollBarWidth();
  EXPECT_EQ(Section(0)->Widths, (std::vector<int>{298, 298 - bar}));
  EXPECT_EQ(view_->PaintPanel().width(), 300 - bar - 2);
  EXPECT_EQ(view_->VScrollBar().Max(), 30 * kLineH);
  EXPECT_EQ(view_->VScrollBar().Page(), view_->PaintPanel().height() + 1);
  EXPECT_EQ(view_->VScrollBar().LargeChange, view_->PaintPanel().height() - 16);
}

TEST_F(ViewTest, AWideDocumentGetsTheHorizontalBarAndStopsAt6000) {
  std::string wide(1000, 'w');
  Load({wide});
  EXPECT_TRUE(view_->HScrollBar().Shown());
  EXPECT_EQ(view_->DocumentWidth(), 6000);
  EXPECT_EQ(view_->HScrollBar().Max(), 6000);
  int key = platform::VK_RIGHT;
  view_->HandleKeyDown(key, 0);
  EXPECT_EQ(view_->HScrollBar().Position(), 15);
  view_->HandleHScroll(platform::SB_THUMBTRACK, 99999);
  EXPECT_EQ(view_->HScrollBar().Position(), 6000 - view_->PaintPanel().width());
}

TEST_F(ViewTest, NoBarsWithScrollBarsNoneAndAlwaysAVerticalOneWithShowVScroll) {
  view_->SetScrollBars(TScrollStyle::ssNone);
  Load(Numbered(30));
  EXPECT_FALSE(view_->VScrollBar().Shown());
  view_->SetScrollBars(TScrollStyle::ssBoth);
  view_->SethtOptions(view_->htOptions() | htShowVScroll);
  Load(Numbered(2));
  EXPECT_TRUE(view_->VScrollBar().Shown());
  EXPECT_FALSE(view_->VScrollBar().isEnabled());
  EXPECT_EQ(Section(0)->Widths, (std::vector<int>{298 - view_->ScrollBarWidth()}));
}

// ------------------------------------------------------------------ painting

TEST_F(ViewTest, PaintDrawsBackgroundTextAndSelection) {
  Load({"Hello", "World"});
  view_->SetSelection(6, 9);   // "Wor"
  const QImage image = Render();
  EXPECT_EQ(platform::ColourAt(image, 250, 150), platform::clWhite);
  // Black glyph blocks of the first line, highlight behind the selection.
  const platform::Rect ink = platform::BoundsOfColour(image, platform::clBlack, {0, 0, 300, kLineH});
  EXPECT_EQ(ink.left, kLeft);
  EXPECT_EQ(platform::ColourAt(image, kLeft + 1, kLineH + 1), platform::Colour(0xD77800));
  EXPECT_EQ(platform::ColourAt(image, kLeft + 3 * kCharW + 1, kLineH + 1), platform::clWhite);
  image.save(QString::fromStdString(testsupport::MakeTempDir("paint") + "/paint.png"));
}

TEST_F(ViewTest, NothingIsPaintedWhileLayoutIsInProgress) {
  int paints = 0;
  view_->OnParseEnd = [&](QObject*) {
    Render();
    paints += Section(0) ? Section(0)->Draws : 0;
  };
  Load({"text"});
  EXPECT_EQ(paints, 0);
  Render();
  EXPECT_EQ(Section(0)->Draws, 1);
  // A relayout of its own (a resize) lets painting go on afterwards.
  view_->resize(280, 190);
  Render();
  EXPECT_EQ(Section(0)->Draws, 2);
}

// ----------------------------------------------------------------- scrolling

TEST_F(ViewTest, KeysScrollByLinePageAndEndsAndStopAtTheBottom) {
  Load(Numbered(50));
  const int bottom = 50 * kLineH - view_->PaintPanel().height();
  struct Step {
    int key;
    int expected;
  };
  const int page = view_->VScrollBar().LargeChange;
  const std::vector<Step> steps = {{platform::VK_DOWN, 16},
                                   {platform::VK_NEXT, 16 + page},
                                   {platform::VK_UP, page},
                                   {platform::VK_PRIOR, 0},
                                   {platform::VK_UP, 0},
                                   {platform::VK_END, bottom},
                                   {platform::VK_DOWN, bottom},
                                   {platform::VK_HOME, 0}};
  for (const Step& s : steps) {
    Key(s.key);
    EXPECT_EQ(view_->VScrollBar().Position(), s.expected) << s.key;
    EXPECT_EQ(view_->SectionList().YOff, s.expected) << s.key;
  }
  // With Ctrl or Alt held the keys do not scroll.
  Key(platform::VK_END, platform::ssCtrl);
  EXPECT_EQ(view_->VScrollBar().Position(), 0);
}

TEST_F(ViewTest, TheWheelMovesThreeLinesOf16PixelsPerStep) {
  Load(Numbered(50));
  QWheelEvent down(QPointF(20, 20), QPointF(20, 20), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                   Qt::NoScrollPhase, false);
  QApplication::sendEvent(&view_->PaintPanel(), &down);
  EXPECT_EQ(view_->VScrollBar().Position(), 48);
  QWheelEvent up(QPointF(20, 20), QPointF(20, 20), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                 Qt::NoScrollPhase, false);
  QApplication::sendEvent(&view_->PaintPanel(), &up);
  QApplication::sendEvent(&view_->PaintPanel(), &up);
  EXPECT_EQ(view_->VScrollBar().Position(), 0);
  view_->SethtOptions(view_->htOptions() | htNoWheelMouse);
  EXPECT_FALSE(view_->HandleWheel(0, -120));
  EXPECT_EQ(view_->VScrollBar().Position(), 0);
}

TEST_F(ViewTest, TheVerticalBarScrollsAndClampsAndIsToldOnlyOfChanges) {
  Load(Numbered(50));
  // The bar as a user drives it: its arrow, then a page.
  view_->VScrollBar().Trigger(QAbstractSlider::SliderSingleStepAdd);
  EXPECT_EQ(view_->VScrollBar().Position(), 16);
  EXPECT_EQ(view_->SectionList().YOff, 16);
  view_->VScrollBar().Trigger(QAbstractSlider::SliderPageStepAdd);
  EXPECT_EQ(view_->VScrollBar().Position(), 16 + view_->VScrollBar().LargeChange);
  view_->HandleVScroll(platform::SB_TOP, 0);
  view_->HandleVScroll(platform::SB_LINEDOWN, 0);
  EXPECT_EQ(view_->VScrollBar().Position(), 16);
  view_->HandleVScroll(platform::SB_THUMBTRACK, 400);
  EXPECT_EQ(view_->SectionList().YOff, 400);
  view_->HandleVScroll(platform::SB_BOTTOM, 0);
  EXPECT_EQ(view_->VScrollBar().Position(), 1000 - view_->PaintPanel().height());
  view_->HandleVScroll(platform::SB_THUMBTRACK, 5000);
  EXPECT_EQ(view_->VScrollBar().Position(), 1000 - view_->PaintPanel().height());
  const int updates = view_->VScrollBar().PlatformUpdates();
  view_->VScrollBar().SetParams(view_->VScrollBar().Position(), view_->VScrollBar().Page(),
                                view_->VScrollBar().Max(), 0);
  EXPECT_EQ(view_->VScrollBar().PlatformUpdates(), updates);
  // A document shorter than the panel always stays at 0.
  Load({"short"});
  view_->ScrollTo(50);
  EXPECT_EQ(view_->VScrollBar().Position(), 0);
}

TEST_F(ViewTest, APageTallerThan100000PixelsScrollsToItsEndAndBack) {
  Load({"top line", "", "@tall 150000", "", "@id END", "last line"});
  ASSERT_EQ(view_->DocumentHeight(), kLineH + 150000 + kLineH);
  Key(platform::VK_END);
  const int bottom = view_->DocumentHeight() - view_->PaintPanel().height();
  EXPECT_EQ(view_->VScrollBar().Position(), bottom);
  EXPECT_EQ(view_->SectionList().YOff, bottom);
  const QImage end = Render();
  EXPECT_GT(platform::CountColour(end, platform::clBlack), 0) << "the last line shows";
  // The position survives a relayout although the offset inside the tall
  // section is beyond 16 bits.
  view_->ScrollTo(120000);
  const int64_t pos = view_->Position();
  EXPECT_EQ(pos, (int64_t(2) << 32) + (120000 - kLineH));
  view_->resize(310, 200);
  EXPECT_EQ(view_->VScrollBar().Position(), 120000);
  Key(platform::VK_HOME);
  EXPECT_EQ(view_->VScrollBar().Position(), 0);
  EXPECT_TRUE(view_->ScrollToName("#end"));
  EXPECT_EQ(view_->VScrollBar().Position(), bottom);
}

TEST_F(ViewTest, PositionEncodingNamesAnEntryAndAnOffset) {
  Load({"a", "", "b", "b", "", "c", "c", "c"});
  // Entries at 0, 20 and 60.
  view_->SetPosition((int64_t(2) << 32) + 10);
  EXPECT_EQ(view_->VScrollBar().Position(), 0) << "the document is shorter than the panel";
  Load(Numbered(20));
  Load([] {
    auto lines = Numbered(5);
    lines.push_back("");
    for (auto& l : Numbered(30)) lines.push_back(l);
    return lines;
  }());
  view_->SetPosition((int64_t(2) << 32) + 10);
  EXPECT_EQ(view_->VScrollBar().Position(), 5 * kLineH + 10);
  EXPECT_EQ(view_->Position(), (int64_t(2) << 32) + 10);
  view_->SetPosition(int64_t(9) << 32);   // no such entry: nothing happens
  EXPECT_EQ(view_->VScrollBar().Position(), 5 * kLineH + 10);
  view_->SetPosition(33);
  EXPECT_EQ(view_->VScrollBar().Position(), 33);
  // Without position-list entries the plain offset is read.
  view_->SectionList().PositionList.clear();
  EXPECT_EQ(view_->Position(), 33);
}

TEST_F(ViewTest, LoadingAPageWithoutReferenceStartsAtTheTopTheSameFileKeepsItsPlace) {
  const std::string dir = testsupport::MakeTempDir("same");
  const std::string file = dir + "/page.htm";
  std::string text;
  for (int i = 0; i < 50; ++i) text += "line " + std::to_string(i) + "\n";
  testsupport::WriteAll(file, text);
  view_->LoadDocumentFile(file);
  view_->ScrollTo(200);
  view_->LoadDocumentFile(file);
  EXPECT_EQ(view_->VScrollBar().Position(), 200);
  Load(Numbered(50));
  EXPECT_EQ(view_->VScrollBar().Position(), 0);
  view_->ScrollTo(100);
  Load(Numbered(50));
  EXPECT_EQ(view_->VScrollBar().Position(), 0);
}

// ----------------------------------------------------------------- selection

TEST_F(ViewTest, DraggingSelectsAndCtrlCCopiesTheText) {
  Load({"first line", "second line"});
  Press(At(0, 6));
  Move(At(1, 3), Qt::LeftButton);
  Release(At(1, 3));
  EXPECT_EQ(view_->SelStart(), 6);
  EXPECT_EQ(view_->SelLength(), 8);
  EXPECT_EQ(Utf8(view_->SelText()), "line\r\nsec");
  Key('C', platform::ssCtrl);
  EXPECT_EQ(clipboard_.Data().at(platform::kClipboardText), "line\nsec");
  // Shift + press joins the caret and the new point.
  Press(At(0, 0), Qt::LeftButton, Qt::ShiftModifier);
  Release(At(0, 0), Qt::LeftButton, Qt::ShiftModifier);
  EXPECT_EQ(Utf8(view_->SelText()), "first line\r\nsec");
}

TEST_F(ViewTest, ShiftEndSelectsToTheEndOfTheDocumentAndShowsIt) {
  Load(Numbered(40));
  Press(At(0, 5));
  Release(At(0, 5));
  Key(platform::VK_END, platform::ssShift);
  EXPECT_EQ(view_->SelStart(), 5);
  EXPECT_EQ(view_->SelStart() + view_->SelLength(), view_->SectionList().Len);
  EXPECT_EQ(view_->VScrollBar().Position(), 40 * kLineH - view_->PaintPanel().height());
  EXPECT_EQ(Utf8(view_->SelText()).substr(0, 9), "0\r\nline 1");
}

TEST_F(ViewTest, DoubleClickSelectsAWordOfLettersAndDigitsOnly) {
  Load({"say abc123 now", "next"});
  QTest::mouseDClick(&view_->PaintPanel(), Qt::LeftButton, {}, At(0, 6));
  EXPECT_EQ(Utf8(view_->SelText()), "abc123");
  // A blank selects nothing; a word never runs into the next line's section.
  view_->SetSelection(0, 0);
  QTest::mouseDClick(&view_->PaintPanel(), Qt::LeftButton, {}, At(0, 3));
  EXPECT_EQ(view_->SelLength(), 0);
}

TEST_F(ViewTest, NoSelectEmptiesTheSelectionAndStopsItGrowing) {
  Load({"some text"});
  view_->SetSelection(0, 4);
  view_->SetNoSelect(true);
  EXPECT_EQ(view_->SelLength(), 0);
  Press(At(0, 0));
  Move(At(0, 6), Qt::LeftButton);
  Release(At(0, 6));
  EXPECT_EQ(view_->SelLength(), 0);
  EXPECT_EQ(view_->CaretPos(), 6);
}

// ------------------------------------------------------------------ auto-scroll

TEST_F(ViewTest, DraggingBelowTheWindowScrollsOnTheTimerAndExtendsTheSelection) {
  Load(Numbered(100));
  Press(At(0, 1));
  const int h = view_->height();
  Move(QPoint(40, h + 30), Qt::LeftButton);   // more than 15 below
  EXPECT_TRUE(view_->AutoScrollRunning());
  platform::RunPosted();                     // the first step runs at once
  EXPECT_EQ(view_->VScrollBar().Position(), 8 * 16);
  EXPECT_TRUE(view_->TimerActive(THtmlView::kAutoScrollTimer));
  // Less than 100 ms later nothing moves.
  now_ += 50;
  view_->FireTimer(THtmlView::kAutoScrollTimer);
  EXPECT_EQ(view_->VScrollBar().Position(), 8 * 16);
  now_ += 60;
  view_->FireTimer(THtmlView::kAutoScrollTimer);
  EXPECT_EQ(view_->VScrollBar().Position(), 16 * 16);
  EXPECT_GT(view_->SelLength(), 0);
  const int selEnd = view_->SelStart() + view_->SelLength();
  // Just below the edge: one line step.
  Move(QPoint(40, h + 5), Qt::LeftButton);
  now_ += 200;
  view_->FireTimer(THtmlView::kAutoScrollTimer);
  EXPECT_EQ(view_->VScrollBar().Position(), 17 * 16);
  EXPECT_GT(view_->SelStart() + view_->SelLength(), selEnd);
  // Back inside, the machine stops by itself.
  Move(QPoint(40, 50), Qt::LeftButton);
  now_ += 200;
  view_->FireTimer(THtmlView::kAutoScrollTimer);
  EXPECT_FALSE(view_->AutoScrollRunning());
  EXPECT_FALSE(view_->TimerActive(THtmlView::kAutoScrollTimer));
  Release(QPoint(40, 50));
}

TEST_F(ViewTest, MiddleButtonDragScrollsBySteppedSpeedsAndAnyPressEndsIt) {
  Load(Numbered(100));
  Press(QPoint(50, 100), Qt::MiddleButton);
  Release(QPoint(50, 100), Qt::MiddleButton);
  ASSERT_TRUE(view_->DragScrollMode()) << "a middle click without moving switches it on";
  EXPECT_EQ(view_->PaintPanel().CursorId(), crUpDownCursor);
  Move(QPoint(50, 170));   // 70 below: fast
  platform::RunPosted();
  EXPECT_EQ(view_->VScrollBar().Position(), 32);
  EXPECT_EQ(view_->PaintPanel().CursorId(), crDownOnlyCursor);
  Move(QPoint(50, 70));   // 30 above: slow up
  now_ += 150;
  view_->FireTimer(THtmlView::kAutoScrollTimer);
  EXPECT_EQ(view_->VScrollBar().Position(), 24);
  EXPECT_EQ(view_->PaintPanel().CursorId(), crUpOnlyCursor);
  Press(QPoint(50, 70));
  EXPECT_FALSE(view_->DragScrollMode());
  EXPECT_FALSE(view_->AutoScrollRunning());
  EXPECT_EQ(view_->SelLength(), 0) << "the ending press selects nothing";
  Release(QPoint(50, 70));
}

// ---------------------------------------------------------------------- links

TEST_F(ViewTest, HoverOverALinkShowsTheHandAndFiresCoveredOnEachChange) {
  Load({"plain text", "@link other.htm Other page"});
  std::vector<std::string> covered;
  view_->OnHotSpotCovered = [&](QObject*, const std::string& url) { covered.push_back(url); };
  Move(At(0, 2));
  EXPECT_EQ(view_->PaintPanel().CursorId(), platform::crIBeam);
  Move(At(1, 2));
  EXPECT_EQ(view_->PaintPanel().CursorId(), crLinkCursor);
  EXPECT_TRUE(view_->HoverTimerRunning());
  EXPECT_EQ(view_->HoverURL(), "other.htm");
  EXPECT_EQ(Utf8(view_->LinkText()), "Other page");
  EXPECT_EQ(view_->LinkPoint().y, kLineH);
  Move(At(1, 4));   // the same link: no event
  Move(QPoint(250, 150));
  EXPECT_EQ(view_->PaintPanel().CursorId(), platform::crArrow);
  EXPECT_FALSE(view_->HoverTimerRunning());
  EXPECT_EQ(covered, (std::vector<std::string>{"other.htm", ""}));
}

TEST_F(ViewTest, ALinkClickFiresTheEventsInTheirOrder) {
  Load({"@link #there Jump", "", "@tall 500", "", "@id there", "target"});
  std::vector<std::string> events;
  view_->OnHotSpotCovered = [&](QObject*, const std::string& url) { events.push_back("covered " + url); };
  view_->OnMouseDown = [&](QObject*, platform::MouseButton, platform::ShiftState, int, int) {
    events.push_back("down");
  };
  view_->OnMouseUp = [&](QObject*, platform::MouseButton, platform::ShiftState, int, int) {
    events.push_back("up");
  };
  view_->OnHotSpotClick = [&](QObject*, const std::string& url, bool& handled) {
    events.push_back("click " + url);
    handled = false;
  };
  Move(At(0, 1));
  Press(At(0, 1));
  Release(At(0, 1));
  EXPECT_EQ(events, (std::vector<std::string>{"covered #there", "down", "up", "click #there"}));
  EXPECT_EQ(view_->VScrollBar().Position(), view_->DocumentHeight() - view_->PaintPanel().height());
  ASSERT_FALSE(view_->VisitedList().empty());
  EXPECT_EQ(view_->VisitedList()[0], "#there");
}

TEST_F(ViewTest, AHandledClickDoesNotFollowAndADragOverALinkSelectsInstead) {
  Load({"@link #there Jump to it", "", "@tall 500", "", "@id there", "target"});
  bool handle = true;
  int clicks = 0;
  view_->OnHotSpotClick = [&](QObject*, const std::string&, bool& handled) {
    ++clicks;
    handled = handle;
  };
  Press(At(0, 1));
  Release(At(0, 1));
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(view_->VScrollBar().Position(), 0);
  handle = false;
  Press(At(0, 1));
  Move(At(0, 3), Qt::LeftButton);
  Release(At(0, 3));
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(Utf8(view_->SelText()), "um");
}

TEST_F(ViewTest, FollowingFileLinksLoadsThemRecordsHistoryAndVisited) {
  const std::string dir = testsupport::MakeTempDir("links");
  testsupport::WriteAll(dir + "/a.htm", "@title A\n@link b.htm to b\n");
  testsupport::WriteAll(dir + "/b.htm", "@title B\n@link c.HTML to c\n");
  testsupport::WriteAll(dir + "/c.html", "@title C\n@link notes.txt notes\n");
  testsupport::WriteAll(dir + "/notes.txt", "text\n");
  view_->SetHistoryMaxCount(5);
  view_->SetVisitedMaxCount(2);
  int historyChanges = 0;
  view_->OnHistoryChange = [&](QObject*) { ++historyChanges; };
  view_->LoadDocumentFile(dir + "/a.htm");
  Press(At(0, 1));
  Release(At(0, 1));
  EXPECT_EQ(view_->CurrentFile(), dir + "/b.htm");
  EXPECT_EQ(view_->DocumentTitle(), "B");
  Press(At(0, 1));
  Release(At(0, 1));
  EXPECT_EQ(view_->CurrentFile(), dir + "/c.html");
  EXPECT_EQ(view_->VisitedList(), (std::vector<std::string>{dir + "/c.HTML", dir + "/b.htm"}));
  EXPECT_EQ(view_->History(), (std::vector<std::string>{dir + "/c.html", dir + "/b.htm"}));
  EXPECT_EQ(view_->TitleHistory(), (std::vector<std::string>{"C", "B"}));
  EXPECT_EQ(historyChanges, 2);
  // A link to a text file does nothing.
  Press(At(0, 1));
  Release(At(0, 1));
  EXPECT_EQ(view_->CurrentFile(), dir + "/c.html");
  // Back through the history and forward again.
  view_->SetHistoryIndex(1);
  EXPECT_EQ(view_->CurrentFile(), dir + "/b.htm");
  EXPECT_EQ(view_->HistoryIndex(), 1);
  view_->SetHistoryIndex(0);
  EXPECT_EQ(view_->CurrentFile(), dir + "/c.html");
  EXPECT_EQ(historyChanges, 4);
}

TEST_F(ViewTest, AFailingLinkLoadIsReportedThroughTheErrorHookNotThroughQt) {
  Load({"@link /no/such/page.htm broken"});
  Press(At(0, 1));
  Release(At(0, 1));
  const std::vector<std::string> errors = platform::TakeReportedErrors();
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_NE(errors[0].find("Can't locate file: /no/such/page.htm"), std::string::npos);
  EXPECT_FALSE(view_->Processing());
}

TEST_F(ViewTest, TheHoverTimerEndsTheHoverWhenThePointerHasLeft) {
  Load({"@link x.htm link"});
  std::vector<std::string> covered;
  view_->OnHotSpotCovered = [&](QObject*, const std::string& url) { covered.push_back(url); };
  Move(At(0, 1));
  ASSERT_TRUE(view_->HoverTimerRunning());
  view_->FireTimer(THtmlView::kHoverTimer);
  EXPECT_FALSE(view_->HoverTimerRunning());
  EXPECT_EQ(view_->HoverURL(), "");
  EXPECT_EQ(covered, (std::vector<std::string>{"x.htm", ""}));
}

}  // namespace
