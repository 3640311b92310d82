#pragma once
// The two children of the viewer that the document is shown through: the
// paint panel (draws through an off-screen bitmap of the clip rectangle and
// never erases) and the vertical scroll bar that keeps its four values itself
// and tells the platform's bar only about real changes.
#include <functional>

#include "platform/control.h"
#include "platform/scrollbar.h"

namespace htmlview {

class THtmlView;

class TPaintPanel : public platform::Control {
 public:
  explicit TPaintPanel(THtmlView* viewer);

  THtmlView* Viewer() const { return viewer_; }
  // Bound to the viewer's PaintDocument: draws into the off-screen canvas.
  std::function<void(platform::Canvas& canvas, const platform::Rect& clip)> OnPaint;
  // The off-screen canvas while a paint runs (null otherwise); its presence
  // marks a paint as running, so a nested paint does nothing.
  platform::Canvas* PaintCanvas() const { return canvas_; }
  platform::Colour Color = platform::clBtnFace;

  // Paints the clip rectangle into an off-screen image of its size exactly as
  // a screen paint does (tests, printing previews); the image's pixel (0, 0)
  // is the clip's top-left corner.
  QImage PaintToImage(const platform::Rect& clip);

 protected:
  void Paint(platform::Canvas& canvas, const platform::Rect& clip) override;
  void MouseDown(platform::MouseButton button, platform::ShiftState shift, int x, int y) override;
  void MouseUp(platform::MouseButton button, platform::ShiftState shift, int x, int y) override;
  void MouseMove(platform::ShiftState shift, int x, int y) override;
  void DblClick() override;
  bool MouseWheel(platform::ShiftState shift, int delta, int x, int y) override;
  void KeyDown(int& key, platform::ShiftState shift) override;
  void MouseLeave() override;
  bool WantsKey(int vk, platform::ShiftState shift) override;
  bool DragOver(QObject* source, const QMimeData* data, int x, int y,
                platform::DragState state) override;
  void DragDrop(QObject* source, const QMimeData* data, int x, int y) override;

 private:
  // Background and document into canvas (panel coordinates).
  void PaintInto(platform::Canvas& canvas, const platform::Rect& clip);
  THtmlView* viewer_;
  platform::Canvas* canvas_ = nullptr;
};

// A scroll bar whose Position, Min, Max and Page are the viewer's own
// integers; the platform's bar hears only of real changes.
class T32ScrollBar : public platform::ScrollBar {
 public:
  T32ScrollBar(Qt::Orientation orientation, QWidget* parent);

  // Nothing happens when all four equal the kept values.
  void SetParams(int position, int page, int max, int min);
  int Position() const { return position_; }
  int Min() const { return min_; }
  int Max() const { return max_; }
  int Page() const { return page_; }
  // Sets the position alone; onChange follows a real change.
  void SetPosition(int position);
  void SetMax(int max) { SetParams(position_, page_, max, min_); }
  int SmallChange = 1;
  int LargeChange = 1;
  // Disable instead of hide when the range cannot scroll.
  bool DisableNoScroll = false;
  std::function<void()> onChange;
  // How many times the platform's bar was told of new values.
  int PlatformUpdates() const { return updates_; }

 private:
  int position_ = 0, min_ = 0, max_ = 0, page_ = 0;
  int updates_ = 0;
};

}  // namespace htmlview
