#include "platform/control.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStyleHints>
#include <QTabBar>
#include <QTabWidget>
#include <QTextEdit>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QTimer>
#include <QWheelEvent>

#include "platform/cursors.h"
#include "platform/guard.h"
#include "platform/timers.h"

#include <optional>

namespace platform {

namespace {
ShiftState KeyShift(Qt::KeyboardModifiers m) {
  ShiftState s = 0;
  if (m & Qt::ShiftModifier) s |= ssShift;
  if (m & Qt::ControlModifier) s |= ssCtrl;
  if (m & Qt::AltModifier) s |= ssAlt;
  return s;
}

bool ButtonOf(Qt::MouseButton b, MouseButton& out) {
  switch (b) {
    case Qt::LeftButton: out = MouseButton::Left; return true;
    case Qt::RightButton: out = MouseButton::Right; return true;
    case Qt::MiddleButton: out = MouseButton::Middle; return true;
    default: return false;
  }
}
std::optional<int>& DragOverride() {
  static std::optional<int> v;
  return v;
}
std::optional<int>& WheelOverride() {
  static std::optional<int> v;
  return v;
}
std::optional<bool>& BlinkOverride() {
  static std::optional<bool> v;
  return v;
}
}  // namespace

int DragDistance() {
  if (DragOverride()) return *DragOverride();
  return InTestMode() ? 4 : QGuiApplication::styleHints()->startDragDistance();
}
void SetDragDistance(int pixels) { DragOverride() = pixels; }

int DoubleClickTime() { return QGuiApplication::styleHints()->mouseDoubleClickInterval(); }

int WheelScrollLines() {
  if (WheelOverride()) return *WheelOverride();
  return InTestMode() ? 3 : QGuiApplication::styleHints()->wheelScrollLines();
}
void SetWheelScrollLines(int lines) { WheelOverride() = lines; }

bool CaretBlinks() {
  if (BlinkOverride()) return *BlinkOverride();
  return !InTestMode() && QGuiApplication::styleHints()->cursorFlashTime() > 0;
}
void SetCaretBlinks(bool on) { BlinkOverride() = on; }

ControlKind KindOf(const QWidget* w) {
  if (!w) return ControlKind::Other;
  if (auto* c = dynamic_cast<const Control*>(w)) return c->kind;
  if (qobject_cast<const QLineEdit*>(w)) return ControlKind::Edit;
  if (qobject_cast<const QPlainTextEdit*>(w) || qobject_cast<const QTextEdit*>(w)) return ControlKind::Memo;
  if (qobject_cast<const QComboBox*>(w)) return ControlKind::Combo;
  if (qobject_cast<const QAbstractItemView*>(w)) return ControlKind::List;
  if (qobject_cast<const QTabBar*>(w) || qobject_cast<const QTabWidget*>(w)) return ControlKind::TabControl;
  return ControlKind::Other;
}

QWidget* MoveFocus(QWidget* from, bool forward) {
  if (!from) return nullptr;
  QWidget* w = from;
  // Walk the window's focus chain until a control that takes Tab focus.
  for (;;) {
    w = forward ? w->nextInFocusChain() : w->previousInFocusChain();
    if (!w || w == from) return nullptr;
    if (w->window() == from->window() && w->isEnabled() && w->isVisibleTo(from->window()) &&
        (w->focusPolicy() & Qt::TabFocus) && !w->focusProxy()) {
      w->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
      return w;
    }
  }
}

Control::Control(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAutoFillBackground(false);
  setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);
}

Control::~Control() {
  for (auto& [id, slot] : timers_) delete slot.timer;
}

// ------------------------------------------------------------ size and paint

int Control::ClientWidth() const { return width() - (HasVertScrollBar() ? kScrollBarSize : 0); }
int Control::ClientHeight() const { return height() - (HasHorzScrollBar() ? kScrollBarSize : 0); }

void Control::Invalidate() {
  pending_ = QRegion(rect());
  update();
}

void Control::InvalidateRect(const Rect& r) {
  if (r.IsEmpty()) return;
  const QRect q(r.left, r.top, r.Width(), r.Height());
  pending_ += q.intersected(rect());
  update(q);
}

void Control::Update() {
  if (pending_.isEmpty()) return;
  repaint(pending_);
}

void Control::Repaint() {
  pending_ = QRegion(rect());
  repaint();
}

void Control::ScrollRect(int dx, int dy, const Rect* r) {
  const Rect area = r ? *r : ClientRect();
  if (area.IsEmpty() || (dx == 0 && dy == 0)) return;
  const QRect q(area.left, area.top, area.Width(), area.Height());
  if (std::abs(dx) >= q.width() || std::abs(dy) >= q.height()) {
    pending_ += q;
    repaint(q);
    return;
  }
  // Pending parts move with the pixels.
  QRegion moved = pending_.intersected(q).translated(dx, dy).intersected(q);
  pending_ = pending_.subtracted(q) + moved;
  scroll(dx, dy, q);
  QRegion exposed = QRegion(q).subtracted(QRegion(q.translated(dx, dy)));
  pending_ += exposed;
  repaint(pending_);
}

void Control::paintEvent(QPaintEvent* e) {
  pending_ = pending_.subtracted(e->region());
  painting_ = e->region();
  struct PaintEnd {
    QRegion& region;
    ~PaintEnd() { region = QRegion(); }
  } paintEnd{painting_};
  guarded([&] {
    QPainter painter(this);
    Canvas canvas(&painter, e->region());
    const QRect b = e->rect();
    const Rect clip = RectOfSize(b.x(), b.y(), b.width(), b.height());
    if (doubleBuffered)
      PaintBuffered(canvas, clip);
    else
      Paint(canvas, clip);
    if (CaretVisible() && caretOn_) {
      canvas.RemoveClip();
      canvas.SetWindowOrg(0, 0);
      const QRect c = CaretRect();
      canvas.InvertRect(RectOfSize(c.x(), c.y(), c.width(), c.height()));
    }
  });
}

void Control::PaintBuffered(Canvas& target, const Rect& clip) {
  if (clip.IsEmpty()) return;
  Bitmap buffer(clip.Width(), clip.Height());
  if (buffer.IsNull()) throw EOutOfResources("Out of Resources");
  {
    // The buffer's origin is the clip's corner, so drawing uses control
    // coordinates.
    Canvas canvas(&buffer.Image());
    canvas.SetWindowOrg(clip.left, clip.top);
    Paint(canvas, clip);
  }
  target.Copy(clip.left, clip.top, buffer);
}

void Control::resizeEvent(QResizeEvent*) {
  LayoutScrollBars();
  pending_ = QRegion(rect());
  guarded([&] { Resized(); });
}

// -------------------------------------------------------------------- mouse

ShiftState Control::MouseShift(const QMouseEvent* e) const {
  ShiftState s = KeyShift(e->modifiers());
  const Qt::MouseButtons b = e->buttons() | e->button();
  if (b & Qt::LeftButton) s |= ssLeft;
  if (b & Qt::RightButton) s |= ssRight;
  if (b & Qt::MiddleButton) s |= ssMiddle;
  return s;
}

void Control::mousePressEvent(QMouseEvent* e) {
  lastMouse_ = {e->position().toPoint().x(), e->position().toPoint().y()};
  MouseButton b;
  if (!ButtonOf(e->button(), b)) return;
  const ShiftState s = MouseShift(e);
  guarded([&] { MouseDown(b, s, lastMouse_.x, lastMouse_.y); });
}

void Control::mouseDoubleClickEvent(QMouseEvent* e) {
  lastMouse_ = {e->position().toPoint().x(), e->position().toPoint().y()};
  MouseButton b;
  if (!ButtonOf(e->button(), b)) return;
  const ShiftState s = MouseShift(e) | ssDouble;
  guarded([&] {
    if (b == MouseButton::Left) DblClick();
    MouseDown(b, s, lastMouse_.x, lastMouse_.y);
  });
}

void Control::mouseReleaseEvent(QMouseEvent* e) {
  lastMouse_ = {e->position().toPoint().x(), e->position().toPoint().y()};
  MouseButton b;
  if (!ButtonOf(e->button(), b)) return;
  ShiftState s = KeyShift(e->modifiers());
  if (e->buttons() & Qt::LeftButton) s |= ssLeft;
  if (e->buttons() & Qt::RightButton) s |= ssRight;
  if (e->buttons() & Qt::MiddleButton) s |= ssMiddle;
  guarded([&] { MouseUp(b, s, lastMouse_.x, lastMouse_.y); });
}

void Control::mouseMoveEvent(QMouseEvent* e) {
  lastMouse_ = {e->position().toPoint().x(), e->position().toPoint().y()};
  const ShiftState s = MouseShift(e);
  guarded([&] { MouseMove(s, lastMouse_.x, lastMouse_.y); });
}

void Control::wheelEvent(QWheelEvent* e) {
  const QPoint p = e->position().toPoint();
  const ShiftState s = KeyShift(e->modifiers());
  wheelAccum_ += e->angleDelta().y();
  bool handled = false;
  while (std::abs(wheelAccum_) >= 120) {
    const int step = wheelAccum_ > 0 ? 120 : -120;
    wheelAccum_ -= step;
    guarded([&] { handled = MouseWheel(s, step, p.x(), p.y()) || handled; });
  }
  e->setAccepted(handled || e->angleDelta().y() != 0);
}

void Control::enterEvent(QEnterEvent*) {
  guarded([&] { MouseEnter(); });
}

void Control::leaveEvent(QEvent*) {
  guarded([&] { MouseLeave(); });
}

void Control::dragEnterEvent(QDragEnterEvent* e) {
  const QPoint p = e->position().toPoint();
  dragSource_ = e->source();
  dragPos_ = {p.x(), p.y()};
  guarded([&] { DragOver(e->source(), e->mimeData(), p.x(), p.y(), DragState::Enter); });
  // Taken whatever the answer: without it no move follows, and each move
  // answers for its own point.
  e->acceptProposedAction();
}

void Control::dragMoveEvent(QDragMoveEvent* e) {
  const QPoint p = e->position().toPoint();
  dragSource_ = e->source();
  dragPos_ = {p.x(), p.y()};
  bool accept = false;
  guarded([&] { accept = DragOver(e->source(), e->mimeData(), p.x(), p.y(), DragState::Move); });
  if (accept)
    e->acceptProposedAction();
  else
    e->ignore();
}

void Control::dragLeaveEvent(QDragLeaveEvent*) {
  // Qt tells neither where nor what left: the last move does.
  QObject* source = dragSource_;
  dragSource_ = nullptr;
  guarded([&] { DragOver(source, nullptr, dragPos_.x, dragPos_.y, DragState::Leave); });
}

void Control::dropEvent(QDropEvent* e) {
  const QPoint p = e->position().toPoint();
  dragSource_ = nullptr;
  guarded([&] { DragDrop(e->source(), e->mimeData(), p.x(), p.y()); });
  e->acceptProposedAction();
}

void Control::SetCapture() { capture_ = true; }

void Control::ReleaseCapture() {
  if (!capture_) return;
  capture_ = false;
  guarded([&] { CaptureLost(); });
}

void Control::SetCursorId(int id) {
  cursorId_ = id;
  setCursor(CursorFor(id));
}

// --------------------------------------------------------------------- keys

bool Control::event(QEvent* e) {
  if (e->type() == QEvent::ShortcutOverride) {
    auto* k = static_cast<QKeyEvent*>(e);
    const KeyStroke ks = TranslateKey(k);
    bool wants = false;
    guarded([&] { wants = WantsKey(ks.vk, ks.shift); });
    if (wants) {
      e->accept();
      return true;
    }
  }
  if (e->type() == QEvent::KeyPress) {
    auto* k = static_cast<QKeyEvent*>(e);
    // Tab moves focus unless this control takes it.
    if ((k->key() == Qt::Key_Tab || k->key() == Qt::Key_Backtab) && wantTabs) {
      keyPressEvent(k);
      return true;
    }
  }
  return QWidget::event(e);
}

void Control::keyPressEvent(QKeyEvent* e) {
  const KeyStroke ks = TranslateKey(e);
  int key = ks.vk;
  guarded([&] {
    KeyDown(key, ks.shift);
    if (key == 0 && ks.vk != 0) return;
    for (char16_t ch : KeyChars(e)) {
      char16_t c = ch;
      KeyPress(c);
    }
  });
  e->accept();
}

void Control::keyReleaseEvent(QKeyEvent* e) {
  const KeyStroke ks = TranslateKey(e);
  int key = ks.vk;
  guarded([&] { KeyUp(key, ks.shift); });
}

void Control::focusInEvent(QFocusEvent* e) {
  guarded([&] { FocusIn(e->reason()); });
}

void Control::focusOutEvent(QFocusEvent* e) {
  // Capture ends with the focus, as it does on the platform.
  ReleaseCapture();
  guarded([&] { FocusOut(e->reason()); });
}

bool Control::focusNextPrevChild(bool next) {
  if (wantTabs) return false;
  return QWidget::focusNextPrevChild(next);
}

// -------------------------------------------------------------- scroll bars

ScrollBar* Control::Bar(Qt::Orientation o) {
  std::unique_ptr<ScrollBar>& bar = o == Qt::Vertical ? vbar_ : hbar_;
  if (!bar) {
    bar = std::make_unique<ScrollBar>(o, this);
    bar->setVisible(false);
    bar->onScroll = [this, o](int code, int pos) { Scroll(o, code, pos); };
    LayoutScrollBars();
  }
  return bar.get();
}

ScrollBar* Control::VertScrollBar() { return Bar(Qt::Vertical); }
ScrollBar* Control::HorzScrollBar() { return Bar(Qt::Horizontal); }

bool Control::HasVertScrollBar() const { return vbar_ && !vbar_->isHidden(); }
bool Control::HasHorzScrollBar() const { return hbar_ && !hbar_->isHidden(); }

void Control::LayoutScrollBars() {
  const int w = ClientWidth(), h = ClientHeight();
  if (vbar_) vbar_->setGeometry(w, 0, kScrollBarSize, h);
  if (hbar_) hbar_->setGeometry(0, h, w, kScrollBarSize);
}

// -------------------------------------------------------------------- caret

QRect Control::CaretRect() const { return QRect(caretPos_.x, caretPos_.y, caretW_, caretH_); }

void Control::InvalidateCaret() {
  if (!CaretCreated()) return;
  const QRegion outside =
      QRegion(caretPos_.x, caretPos_.y, caretW_, caretH_).subtracted(painting_);
  // Invalidating what the paint in progress covers would ask for the same
  // paint again, and again after it.
  for (const QRect& r : outside) InvalidateRect(RectOfSize(r.x(), r.y(), r.width(), r.height()));
}

void Control::UpdateBlink() {
  caretOn_ = true;
  if (!CaretVisible() || !CaretBlinks()) {
    if (blink_) blink_->stop();
    return;
  }
  if (!blink_) {
    blink_ = new QTimer(this);
    QObject::connect(blink_, &QTimer::timeout, this, [this] {
      caretOn_ = !caretOn_;
      InvalidateCaret();
    });
  }
  // Restarted on every move, so that the caret shows while it travels.
  blink_->start(std::max(100, QGuiApplication::styleHints()->cursorFlashTime() / 2));
}

void Control::CreateCaret(int width, int height) {
  InvalidateCaret();
  caretW_ = std::max(1, width);
  caretH_ = std::max(1, height);
  caretHide_ = 1;
  UpdateBlink();
}

void Control::DestroyCaret() {
  InvalidateCaret();
  caretW_ = caretH_ = 0;
  caretHide_ = 1;
  UpdateBlink();
}

void Control::SetCaretPos(int x, int y) {
  if (caretPos_ == Point{x, y}) return;
  if (CaretVisible()) InvalidateCaret();
  caretPos_ = {x, y};
  UpdateBlink();
  if (CaretVisible()) InvalidateCaret();
}

void Control::ShowCaret() {
  if (!CaretCreated() || caretHide_ == 0) return;
  if (--caretHide_ == 0) {
    UpdateBlink();
    InvalidateCaret();
  }
}

void Control::HideCaret() {
  if (!CaretCreated()) return;
  if (caretHide_++ == 0) {
    InvalidateCaret();
    UpdateBlink();
  }
}

// ------------------------------------------------------------------- timers

void Control::SetTimer(int id, int milliseconds) {
  TimerSlot& slot = timers_[id];
  slot.interval = milliseconds;
  slot.active = true;
  if (ManualTimers()) return;
  if (!slot.timer) {
    slot.timer = new QTimer(this);
    QObject::connect(slot.timer, &QTimer::timeout, this, [this, id] { FireTimer(id); });
  }
  slot.timer->start(milliseconds);
}

void Control::KillTimer(int id) {
  auto it = timers_.find(id);
  if (it == timers_.end()) return;
  it->second.active = false;
  if (it->second.timer) it->second.timer->stop();
}

bool Control::TimerActive(int id) const {
  auto it = timers_.find(id);
  return it != timers_.end() && it->second.active;
}

int Control::TimerInterval(int id) const {
  auto it = timers_.find(id);
  return it == timers_.end() ? 0 : it->second.interval;
}

bool Control::FireTimer(int id) {
  if (!TimerActive(id)) return false;
  guarded([&] { Timer(id); });
  return true;
}

}  // namespace platform
