#include "platform/control.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/cursors.h"
#include "platform/guard.h"
#include "platform/render.h"
#include "platform/timers.h"

namespace platform {
namespace {

constexpr Colour kRed = Rgb(255, 0, 0), kWhite = Rgb(255, 255, 255);

// Records every handler call as text.
class Probe : public Control {
 public:
  Probe() { resize(100, 80); }
  std::vector<std::string> log;
  std::vector<Rect> clips;
  Colour fill = kWhite;
  int eatKey = 0;
  char16_t refuse = 0;
  bool handleWheel = true;
  bool throwInPaint = false;
  bool marker = false;

 protected:
  void Paint(Canvas& c, const Rect& clip) override {
    clips.push_back(clip);
    if (throwInPaint) throw std::runtime_error("paint failed");
    c.FillRect(ClientRect(), fill);
    if (marker) c.SetPixel(50, 40, clBlack);
  }
  void MouseDown(MouseButton b, ShiftState s, int x, int y) override {
    log.push_back("down " + std::to_string(int(b)) + " " + std::to_string(s) + " " + std::to_string(x) + "," +
                  std::to_string(y));
  }
  void MouseUp(MouseButton b, ShiftState s, int x, int y) override {
    log.push_back("up " + std::to_string(int(b)) + " " + std::to_string(x) + "," + std::to_string(y));
  }
  void MouseMove(ShiftState s, int x, int y) override {
    log.push_back("move " + std::to_string(s) + " " + std::to_string(x) + "," + std::to_string(y));
  }
  void DblClick() override { log.push_back("dblclick"); }
  bool MouseWheel(ShiftState, int delta, int, int) override {
    log.push_back("wheel " + std::to_string(delta));
    return handleWheel;
  }
  void KeyDown(int& key, ShiftState s) override {
    log.push_back("keydown " + std::to_string(key) + " " + std::to_string(s));
    if (key == eatKey) key = 0;
  }
  void KeyPress(char16_t& ch) override {
    log.push_back("char " + std::to_string(int(ch)));
    if (ch == refuse) ch = 0;
  }
  void KeyUp(int& key, ShiftState) override { log.push_back("keyup " + std::to_string(key)); }
  void Timer(int id) override { log.push_back("timer " + std::to_string(id)); }
  void Scroll(Qt::Orientation o, int code, int pos) override {
    log.push_back(std::string(o == Qt::Vertical ? "v" : "h") + " " + std::to_string(code) + " " +
                  std::to_string(pos));
  }
  void CaptureLost() override { log.push_back("capture lost"); }
  bool WantsKey(int vk, ShiftState shift) override { return vk == VK_ESCAPE && shift == 0; }
};

class ControlTest : public ::testing::Test {
 protected:
  void Show() {
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    w.log.clear();
    w.clips.clear();
  }
  Probe w;
};

TEST_F(ControlTest, PaintsIntoAnImageWithItsClipBox) {
  w.fill = kRed;
  const QImage img = RenderToImage(&w);
  EXPECT_EQ(CountColour(img, kRed), 100 * 80);
  ASSERT_FALSE(w.clips.empty());
  EXPECT_EQ(w.clips.back(), (Rect{0, 0, 100, 80}));
}

TEST_F(ControlTest, DoubleBufferedPaintDrawsInControlCoordinates) {
  w.doubleBuffered = true;
  w.fill = kRed;
  w.marker = true;
  const QImage img = RenderToImage(&w);
  EXPECT_EQ(CountColour(img, kRed), 100 * 80 - 1);
  EXPECT_EQ(BoundsOfColour(img, clBlack), (Rect{50, 40, 51, 41}));
  w.marker = false;
  Show();
  w.fill = kWhite;
  w.InvalidateRect({10, 20, 30, 25});
  w.Update();
  ASSERT_EQ(w.clips.size(), 1u);
  EXPECT_EQ(w.clips[0], (Rect{10, 20, 30, 25}));
}

TEST_F(ControlTest, InvalidateUpdateAndRepaint) {
  Show();
  w.InvalidateRect({10, 10, 20, 30});
  EXPECT_TRUE(w.clips.empty());  // nothing yet
  EXPECT_FALSE(w.PendingRegion().isEmpty());
  w.Update();  // now, only the invalid part
  ASSERT_EQ(w.clips.size(), 1u);
  EXPECT_EQ(w.clips[0], (Rect{10, 10, 20, 30}));
  EXPECT_TRUE(w.PendingRegion().isEmpty());
  w.Update();  // nothing invalid: no paint
  EXPECT_EQ(w.clips.size(), 1u);
  w.Repaint();
  ASSERT_EQ(w.clips.size(), 2u);
  EXPECT_EQ(w.clips[1], (Rect{0, 0, 100, 80}));
}

TEST_F(ControlTest, ScrollRectPaintsOnlyTheExposedStrip) {
  Show();
  w.ScrollRect(0, -16);
  ASSERT_FALSE(w.clips.empty());
  EXPECT_EQ(w.clips.back(), (Rect{0, 64, 100, 80}));
  w.clips.clear();
  w.ScrollRect(-5, 0, nullptr);
  ASSERT_FALSE(w.clips.empty());
  EXPECT_EQ(w.clips.back(), (Rect{95, 0, 100, 80}));
}

TEST_F(ControlTest, MouseButtonsDoubleClickAndCapture) {
  QTest::mousePress(&w, Qt::LeftButton, Qt::ShiftModifier, QPoint(5, 6));
  QTest::mouseRelease(&w, Qt::LeftButton, Qt::NoModifier, QPoint(7, 8));
  QTest::mouseDClick(&w, Qt::LeftButton, Qt::NoModifier, QPoint(9, 9));
  const std::string down = "down 0 " + std::to_string(ssShift | ssLeft) + " 5,6";
  ASSERT_GE(w.log.size(), 4u);
  EXPECT_EQ(w.log[0], down);
  EXPECT_EQ(w.log[1], "up 0 7,8");
  // Qt's double click: press, release, double click (ours: DblClick then a
  // MouseDown flagged ssDouble), release.
  const auto dbl = std::find(w.log.begin(), w.log.end(), "dblclick");
  ASSERT_NE(dbl, w.log.end());
  ASSERT_NE(dbl + 1, w.log.end());
  EXPECT_EQ(*(dbl + 1), "down 0 " + std::to_string(ssLeft | ssDouble) + " 9,9");
  EXPECT_EQ(w.LastMousePos(), (Point{9, 9}));

  w.SetCapture();
  EXPECT_TRUE(w.HasCapture());
  w.ReleaseCapture();
  EXPECT_FALSE(w.HasCapture());
  EXPECT_EQ(w.log.back(), "capture lost");
}

TEST_F(ControlTest, CaptureEndsWithTheFocus) {
  Control other;
  Show();
  other.show();
  w.SetFocus();
  w.activateWindow();
  w.SetCapture();
  QFocusEvent out(QEvent::FocusOut, Qt::MouseFocusReason);
  QCoreApplication::sendEvent(&w, &out);
  EXPECT_FALSE(w.HasCapture());
}

TEST_F(ControlTest, WheelArrivesInStepsOf120) {
  auto wheel = [&](int delta) {
    QWheelEvent e(QPointF(10, 10), QPointF(10, 10), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                  Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(&w, &e);
  };
  wheel(240);
  wheel(60);  // half a step: nothing yet
  EXPECT_EQ(w.log, (std::vector<std::string>{"wheel 120", "wheel 120"}));
  wheel(60);
  wheel(-120);
  EXPECT_EQ(w.log, (std::vector<std::string>{"wheel 120", "wheel 120", "wheel 120", "wheel -120"}));
}

TEST_F(ControlTest, KeysArriveAsVirtualKeysThenCharacters) {
  QTest::keyClick(&w, Qt::Key_A);
  EXPECT_EQ(w.log, (std::vector<std::string>{"keydown 65 0", "char 97", "keyup 65"}));
  w.log.clear();
  // The modifier key itself arrives first, as on the platform.
  QTest::keyClick(&w, Qt::Key_A, Qt::ShiftModifier);
  EXPECT_EQ(w.log[0], "keydown 16 " + std::to_string(ssShift));
  EXPECT_EQ(w.log[1], "keydown 65 " + std::to_string(ssShift));
  EXPECT_EQ(w.log.back(), "keyup 16");
  w.log.clear();
  QTest::keyClick(&w, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(w.log, (std::vector<std::string>{"keydown 17 " + std::to_string(ssCtrl),
                                             "keydown 67 " + std::to_string(ssCtrl), "char 3", "keyup 67",
                                             "keyup 17"}));
  w.log.clear();
  QTest::keyClick(&w, Qt::Key_Left);
  EXPECT_EQ(w.log, (std::vector<std::string>{"keydown 37 0", "keyup 37"}));
  w.log.clear();
  w.eatKey = 'B';  // a key eaten in KeyDown sends no character
  QTest::keyClick(&w, Qt::Key_B);
  EXPECT_EQ(w.log, (std::vector<std::string>{"keydown 66 0", "keyup 66"}));
}

TEST_F(ControlTest, BoundKeysAreClaimedBeforeShortcuts) {
  QKeyEvent esc(QEvent::ShortcutOverride, Qt::Key_Escape, Qt::NoModifier);
  esc.ignore();
  QCoreApplication::sendEvent(&w, &esc);
  EXPECT_TRUE(esc.isAccepted());
  QKeyEvent f2(QEvent::ShortcutOverride, Qt::Key_F2, Qt::NoModifier);
  f2.ignore();
  QCoreApplication::sendEvent(&w, &f2);
  EXPECT_FALSE(f2.isAccepted());
}

TEST_F(ControlTest, TabReachesTheControlOnlyWhenWanted) {
  QWidget parent;
  auto* a = new Probe;
  auto* b = new Probe;
  a->setParent(&parent);
  b->setParent(&parent);
  parent.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent));
  a->SetFocus();
  ASSERT_TRUE(a->Focused());
  QTest::keyClick(a, Qt::Key_Tab);
  EXPECT_TRUE(b->Focused());  // focus moved on
  b->wantTabs = true;
  b->log.clear();
  QTest::keyClick(b, Qt::Key_Tab);
  EXPECT_TRUE(b->Focused());
  ASSERT_FALSE(b->log.empty());
  EXPECT_EQ(b->log[0], "keydown 9 0");
}

TEST_F(ControlTest, ScrollBarsTakeTheirRoomAndReportCodes) {
  ScrollBar* v = w.VertScrollBar();
  EXPECT_EQ(w.ClientWidth(), 100);  // hidden until it can scroll
  v->SetParams(0, 199, 50, 0);
  EXPECT_TRUE(w.HasVertScrollBar());
  EXPECT_EQ(w.ClientWidth(), 100 - kScrollBarSize);
  EXPECT_EQ(v->maximum(), 150);  // max - page + 1
  EXPECT_EQ(v->pageStep(), 50);

  v->Trigger(QAbstractSlider::SliderSingleStepAdd);
  v->Trigger(QAbstractSlider::SliderPageStepAdd);
  v->Trigger(QAbstractSlider::SliderToMaximum);
  v->Trigger(QAbstractSlider::SliderToMinimum);
  EXPECT_EQ(w.log, (std::vector<std::string>{"v 1 0", "v 3 0", "v 7 0", "v 6 0"}));
  EXPECT_EQ(v->Position(), 0);  // the bar never moves itself
  EXPECT_EQ(v->value(), 0);

  w.log.clear();
  v->setSliderDown(true);
  v->setSliderPosition(40);  // a drag
  EXPECT_EQ(w.log, (std::vector<std::string>{"v 5 40"}));
  v->setSliderDown(false);  // release: thumb position, then end of scroll
  EXPECT_EQ(w.log, (std::vector<std::string>{"v 5 40", "v 4 40", "v 8 0"}));

  v->SetPosition(500);
  EXPECT_EQ(v->Position(), 150);  // limited to max - page + 1
  v->SetParams(0, 10, 50, 0);    // cannot scroll: hidden
  EXPECT_FALSE(w.HasVertScrollBar());
  v->SetParams(0, 10, 50, 0, true);  // or disabled instead
  EXPECT_TRUE(w.HasVertScrollBar());
  EXPECT_FALSE(v->isEnabled());
  w.HorzScrollBar()->SetParams(1, 300, 80, 1);
  EXPECT_EQ(w.ClientHeight(), 80 - kScrollBarSize);
}

TEST_F(ControlTest, CaretIsCreatedHiddenAndCountsHides) {
  EXPECT_FALSE(w.CaretVisible());
  w.CreateCaret(2, 10);
  EXPECT_FALSE(w.CaretVisible());
  w.ShowCaret();
  EXPECT_TRUE(w.CaretVisible());
  w.HideCaret();
  w.HideCaret();
  w.ShowCaret();
  EXPECT_FALSE(w.CaretVisible());  // every hide needs a show
  w.ShowCaret();
  EXPECT_TRUE(w.CaretVisible());
  w.ShowCaret();  // extra shows do not bank
  w.HideCaret();
  EXPECT_FALSE(w.CaretVisible());
  w.ShowCaret();
  w.SetCaretPos(30, 20);
  // Drawn inverted over the control's paint.
  const QImage img = RenderToImage(&w);
  EXPECT_EQ(BoundsOfColour(img, clBlack), (Rect{30, 20, 32, 30}));
  w.DestroyCaret();
  EXPECT_FALSE(w.CaretCreated());
  EXPECT_EQ(CountColour(RenderToImage(&w), clBlack), 0);
}

TEST_F(ControlTest, TimersFireOnlyWhenTestsFireThem) {
  ASSERT_TRUE(ManualTimers());
  w.SetTimer(7, 100);
  EXPECT_TRUE(w.TimerActive(7));
  EXPECT_EQ(w.TimerInterval(7), 100);
  QTest::qWait(150);
  EXPECT_TRUE(w.log.empty());
  EXPECT_TRUE(w.FireTimer(7));
  EXPECT_EQ(w.log, (std::vector<std::string>{"timer 7"}));
  w.KillTimer(7);
  EXPECT_FALSE(w.FireTimer(7));
  EXPECT_FALSE(w.FireTimer(99));
}

TEST(Focus, MoveFocusFollowsTheTabOrderAndKindsAreKnown) {
  QWidget window;
  auto* edit = new QLineEdit(&window);
  auto* custom = new Probe;
  custom->setParent(&window);
  custom->kind = ControlKind::Memo;
  auto* disabled = new QLineEdit(&window);
  disabled->setEnabled(false);
  auto* combo = new QComboBox(&window);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  edit->setFocus();
  EXPECT_EQ(MoveFocus(edit, true), custom);
  EXPECT_EQ(MoveFocus(custom, true), combo);  // the disabled box is passed over
  EXPECT_EQ(MoveFocus(custom, false), edit);
  EXPECT_EQ(KindOf(edit), ControlKind::Edit);
  EXPECT_EQ(KindOf(custom), ControlKind::Memo);
  EXPECT_EQ(KindOf(combo), ControlKind::Combo);
  EXPECT_EQ(KindOf(&window), ControlKind::Other);
}

TEST(Settings, FixedInTestMode) {
  EXPECT_EQ(DragDistance(), 4);
  EXPECT_EQ(WheelScrollLines(), 3);
  EXPECT_FALSE(CaretBlinks());
  SetWheelScrollLines(1);
  EXPECT_EQ(WheelScrollLines(), 1);
  SetWheelScrollLines(3);
}

TEST(PostedCalls, RunAfterTheCurrentHandlerAndDropWithTheirControl) {
  std::vector<std::string> order;
  auto* gone = new Control;
  Control kept;
  Post(&kept, [&] { order.push_back("posted"); });
  Post(gone, [&] { order.push_back("dropped"); });
  order.push_back("handler done");
  delete gone;
  RunPosted();
  EXPECT_EQ(order, (std::vector<std::string>{"handler done", "posted"}));
}

TEST(Clock, CanBeInjected) {
  int64_t now = 1000;
  SetClock([&] { return now; });
  EXPECT_EQ(TickCount(), 1000);
  now += 40;
  EXPECT_EQ(TickCount(), 1040);
  SetClock(nullptr);
  EXPECT_GE(TickCount(), 0);
}

TEST_F(ControlTest, ExceptionsStopAtTheQtBoundary) {
  TakeReportedErrors();
  w.throwInPaint = true;
  RenderToImage(&w);
  EXPECT_EQ(TakeReportedErrors(), (std::vector<std::string>{"paint failed"}));
  Post(&w, [] { throw std::runtime_error("posted failed"); });
  RunPosted();
  EXPECT_EQ(TakeReportedErrors(), (std::vector<std::string>{"posted failed"}));
  std::string seen;
  SetErrorHook([&](const std::string& m) { seen = m; });
  RenderToImage(&w);
  EXPECT_EQ(seen, "paint failed");
  SetErrorHook(nullptr);
}

TEST_F(ControlTest, CursorsByIdAndTheOverrideStack) {
  w.SetCursorId(crIBeam);
  EXPECT_EQ(w.CursorId(), crIBeam);
  EXPECT_EQ(w.cursor().shape(), Qt::IBeamCursor);
  EXPECT_EQ(CursorFor(crHandPoint).shape(), Qt::PointingHandCursor);
  RegisterCursor(5, QCursor(Qt::ClosedHandCursor));
  EXPECT_EQ(CursorFor(5).shape(), Qt::ClosedHandCursor);
  PushCursor(crHourGlass);
  EXPECT_EQ(OverrideCursor(), crHourGlass);
  PopCursor();
  EXPECT_EQ(OverrideCursor(), crDefault);
  PopCursor();  // an extra pop is harmless
}

}  // namespace
}  // namespace platform
