#pragma once
// The custom-drawn control base: Qt's events turned into the platform-style
// handlers the viewer, the editor and the plot panel were written against,
// in one place. Paint is opaque (no erase); keys arrive as virtual-key codes
// with a shift state, then as characters; the wheel in steps of 120; two
// optional scroll bars take their room from the client area; a caret with a
// hide count; timers by id. Every handler runs through guarded().
#include <map>
#include <memory>
#include <string>

#include <QPointer>
#include <QRegion>
#include <QWidget>

#include "platform/canvas.h"
#include "platform/geometry.h"
#include "platform/keys.h"
#include "platform/scrollbar.h"

class QMimeData;
class QTimer;

namespace platform {

enum class MouseButton { Left, Right, Middle };

// The phase of a drag over a control.
enum class DragState { Enter, Leave, Move };

// The focused control's kind, for dialogs' key navigation.
enum class ControlKind { Other, Edit, Memo, List, Combo, TabControl };

// System settings the controls read, fixed in test mode (drag distance 4,
// wheel lines 3, no caret blink) and settable by tests.
int DragDistance();
void SetDragDistance(int pixels);
int DoubleClickTime();
int WheelScrollLines();
void SetWheelScrollLines(int lines);
bool CaretBlinks();
void SetCaretBlinks(bool on);

// The kind of any focusable widget (our controls report their own kind).
ControlKind KindOf(const QWidget* widget);
// Moves the focus to the next (or previous) control in the window's tab
// order that can take it; returns the control focused, or null.
QWidget* MoveFocus(QWidget* from, bool forward);

class Control : public QWidget {
 public:
  explicit Control(QWidget* parent = nullptr);
  ~Control() override;

  // --- Size and painting (client coordinates exclude visible scroll bars).
  int ClientWidth() const;
  int ClientHeight() const;
  Rect ClientRect() const { return {0, 0, ClientWidth(), ClientHeight()}; }
  void SetBounds(int x, int y, int w, int h) { setGeometry(x, y, w, h); }
  void Invalidate();
  void InvalidateRect(const Rect& r);
  // Paints what is invalid now.
  void Update();
  // Paints everything now.
  void Repaint();
  // Moves the pixels of r (the client area when null) by dx, dy and paints
  // the exposed strip at once.
  void ScrollRect(int dx, int dy, const Rect* r = nullptr);
  // Paint into an off-screen image of the clip rectangle, then copy it in
  // one piece (no flicker). An image that cannot be made raises
  // EOutOfResources "Out of Resources" and the paint is skipped.
  bool doubleBuffered = false;
  // Parts not painted yet (for tests and for scroll decisions).
  QRegion PendingRegion() const { return pending_; }

  // --- Mouse.
  void SetCapture();
  void ReleaseCapture();
  bool HasCapture() const { return capture_; }
  Point LastMousePos() const { return lastMouse_; }

  // --- Cursor by the platform's id (platform/cursors.h).
  void SetCursorId(int id);
  int CursorId() const { return cursorId_; }

  // --- Focus and keys.
  void SetFocus() { setFocus(Qt::OtherFocusReason); }
  bool Focused() const { return hasFocus(); }
  bool wantTabs = false;     // Tab reaches KeyDown instead of moving focus
  bool wantReturns = true;
  ControlKind kind = ControlKind::Other;

  // --- Scroll bars (created on first use, hidden until given a range).
  ScrollBar* VertScrollBar();
  ScrollBar* HorzScrollBar();
  bool HasVertScrollBar() const;
  bool HasHorzScrollBar() const;

  // --- Caret: created hidden; every HideCaret needs a ShowCaret.
  void CreateCaret(int width, int height);
  void DestroyCaret();
  void SetCaretPos(int x, int y);
  Point CaretPos() const { return caretPos_; }
  void ShowCaret();
  void HideCaret();
  bool CaretCreated() const { return caretW_ > 0; }
  bool CaretVisible() const { return CaretCreated() && caretHide_ == 0; }
  int CaretHideCount() const { return caretHide_; }

  // --- Timers by id; in test mode they fire only through FireTimer.
  void SetTimer(int id, int milliseconds);
  void KillTimer(int id);
  bool TimerActive(int id) const;
  int TimerInterval(int id) const;
  // Runs the timer handler when the timer is active (tests).
  bool FireTimer(int id);

 protected:
  // Handlers; the defaults do nothing.
  virtual void Paint(Canvas& canvas, const Rect& clip) {}
  virtual void MouseDown(MouseButton button, ShiftState shift, int x, int y) {}
  virtual void MouseUp(MouseButton button, ShiftState shift, int x, int y) {}
  virtual void MouseMove(ShiftState shift, int x, int y) {}
  // Before the MouseDown (with ssDouble) of a double click.
  virtual void DblClick() {}
  // One call per step of 120 (delta +120 up, -120 down); true when handled.
  virtual bool MouseWheel(ShiftState shift, int delta, int x, int y) { return false; }
  virtual void MouseEnter() {}
  virtual void MouseLeave() {}
  virtual void CaptureLost() {}
  // Set key to 0 to eat it (no characters follow).
  virtual void KeyDown(int& key, ShiftState shift) {}
  // Set ch to 0 to refuse the character.
  virtual void KeyPress(char16_t& ch) {}
  virtual void KeyUp(int& key, ShiftState shift) {}
  virtual void FocusIn(Qt::FocusReason reason) {}
  virtual void FocusOut(Qt::FocusReason reason) {}
  virtual void Resized() {}
  virtual void Timer(int id) {}
  virtual void Scroll(Qt::Orientation bar, int code, int position) {}
  // Keys this control handles before the window's shortcuts (ShortcutOverride).
  virtual bool WantsKey(int vk, ShiftState shift) { return false; }
  // Drags over the control (from this program or another) while it accepts
  // drops (setAcceptDrops): DragOver on entering, on every move and on
  // leaving answers whether a drop here would be taken; DragDrop follows
  // only a move that was answered true. source: the dragging object, null
  // for another program; data: what is dragged.
  virtual bool DragOver(QObject* source, const QMimeData* data, int x, int y, DragState state) {
    return false;
  }
  virtual void DragDrop(QObject* source, const QMimeData* data, int x, int y) {}

  // Qt's side.
  bool event(QEvent* e) override;
  void paintEvent(QPaintEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void wheelEvent(QWheelEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void keyReleaseEvent(QKeyEvent* e) override;
  void focusInEvent(QFocusEvent* e) override;
  void focusOutEvent(QFocusEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void enterEvent(QEnterEvent* e) override;
  void leaveEvent(QEvent* e) override;
  void dragEnterEvent(QDragEnterEvent* e) override;
  void dragMoveEvent(QDragMoveEvent* e) override;
  void dragLeaveEvent(QDragLeaveEvent* e) override;
  void dropEvent(QDropEvent* e) override;
  bool focusNextPrevChild(bool next) override;

 private:
  ScrollBar* Bar(Qt::Orientation o);
  void LayoutScrollBars();
  void PaintBuffered(Canvas& target, const Rect& clip);
  void InvalidateCaret();
  QRect CaretRect() const;
  ShiftState MouseShift(const QMouseEvent* e) const;

  QRegion pending_;
  // The region of the paint in progress (empty outside a paint): the caret
  // is drawn at the end of each paint, so hiding or showing it inside that
  // region needs no further paint.
  QRegion painting_;
  bool capture_ = false;
  Point lastMouse_;
  // The last drag move: a leave reports it.
  QPointer<QObject> dragSource_;
  Point dragPos_;
  int cursorId_ = 0;
  int wheelAccum_ = 0;
  std::unique_ptr<ScrollBar> vbar_, hbar_;
  void UpdateBlink();
  int caretW_ = 0, caretH_ = 0, caretHide_ = 1;
  bool caretOn_ = true;  // the blink phase
  QTimer* blink_ = nullptr;
  Point caretPos_;
  struct TimerSlot {
    int interval = 0;
    bool active = false;
    QTimer* timer = nullptr;
  };
  std::map<int, TimerSlot> timers_;
};

}  // namespace platform
