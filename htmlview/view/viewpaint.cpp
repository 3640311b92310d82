// Painting and scrolling of the viewer: the paint panel with its off-screen
// paint, the page background (colour and tiled picture), the 32-bit scroll
// bar, and scrolling by bars, keys and wheel.
#include <algorithm>

#include "htmlview/images/gifimage.h"
#include "htmlview/images/imagemodule.h"
#include "htmlview/layout/viewdraw.h"
#include "htmlview/view/htmlview.h"
#include "platform/clipboard.h"
#include "platform/guard.h"

namespace htmlview {

// ------------------------------------------------------------- T32ScrollBar

T32ScrollBar::T32ScrollBar(Qt::Orientation orientation, QWidget* parent)
    : platform::ScrollBar(orientation, parent) {
  setFocusPolicy(Qt::NoFocus);
}

void T32ScrollBar::SetParams(int position, int page, int max, int min) {
  if (position == position_ && page == page_ && max == max_ && min == min_) return;
  position_ = position;
  page_ = page;
  max_ = max;
  min_ = min;
  ++updates_;
  platform::ScrollBar::SetParams(min, max, page, position, DisableNoScroll);
}

void T32ScrollBar::SetPosition(int position) {
  const int old = position_;
  SetParams(position, page_, max_, min_);
  if (position_ != old && onChange) onChange();
}

// -------------------------------------------------------------- TPaintPanel

TPaintPanel::TPaintPanel(THtmlView* viewer) : platform::Control(viewer), viewer_(viewer) {
  // Every paint covers its clip rectangle through one off-screen bitmap.
  doubleBuffered = true;
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
  setFocusPolicy(Qt::NoFocus);
  setAcceptDrops(true);
}

void TPaintPanel::Paint(platform::Canvas& canvas, const platform::Rect& clip) {
  if (canvas_ || (viewer_ && viewer_->layingOut_)) return;
  viewer_->UpdateBorder();
  PaintInto(canvas, clip);
}

void TPaintPanel::PaintInto(platform::Canvas& canvas, const platform::Rect& clip) {
  canvas_ = &canvas;
  struct Done {
    platform::Canvas*& c;
    ~Done() { c = nullptr; }
  } done{canvas_};
  canvas.brush.color = Color;
  canvas.brush.style = platform::BrushStyle::Solid;
  viewer_->PaintBackground(canvas, clip);
  if (OnPaint) OnPaint(canvas, clip);
}

QImage TPaintPanel::PaintToImage(const platform::Rect& clip) {
  platform::Bitmap buffer(clip.Width(), clip.Height());
  if (buffer.IsNull()) throw platform::EOutOfResources("Out of Resources");
  if (canvas_ || viewer_->layingOut_) return buffer.Image();
  {
    platform::Canvas canvas(&buffer.Image());
    canvas.SetWindowOrg(clip.left, clip.top);
    PaintInto(canvas, clip);
  }
  return buffer.Image();
}

void TPaintPanel::MouseDown(platform::MouseButton button, platform::ShiftState shift, int x, int y) {
  // The second press of a double click belongs to the double click alone:
  // it must not start a selection over the word just selected.
  if (button == platform::MouseButton::Left && (shift & platform::ssDouble)) return;
  viewer_->HTMLMouseDown(button, shift, x, y);
}

void TPaintPanel::MouseUp(platform::MouseButton button, platform::ShiftState shift, int x, int y) {
  viewer_->HTMLMouseUp(button, shift, x, y);
}

void TPaintPanel::MouseMove(platform::ShiftState shift, int x, int y) { viewer_->HTMLMouseMove(shift, x, y); }

void TPaintPanel::DblClick() {
  const platform::Point p = LastMousePos();
  viewer_->HTMLMouseDblClk(platform::ssLeft, p.x, p.y);
}

bool TPaintPanel::MouseWheel(platform::ShiftState shift, int delta, int, int) {
  return viewer_->HandleWheel(shift, delta);
}

void TPaintPanel::KeyDown(int& key, platform::ShiftState shift) { viewer_->HandleKeyDown(key, shift); }

void TPaintPanel::MouseLeave() {
  // Leaving the panel ends the hover at once; the timer is the fallback for
  // platforms that do not report it.
  viewer_->HoverTick();
}

bool TPaintPanel::WantsKey(int vk, platform::ShiftState) {
  return vk >= platform::VK_PRIOR && vk <= platform::VK_DOWN;
}

bool TPaintPanel::DragOver(QObject* source, const QMimeData* data, int x, int y,
                           platform::DragState state) {
  // Drags over the document are the viewer's: its handler hears them with
  // the viewer as sender.
  bool accept = false;
  if (viewer_->OnDragOver) {
    accept = true;
    viewer_->OnDragOver(viewer_, source, data, x, y, state, accept);
  }
  return accept;
}

void TPaintPanel::DragDrop(QObject* source, const QMimeData* data, int x, int y) {
  if (viewer_->OnDragDrop) viewer_->OnDragDrop(viewer_, source, data, x, y);
}

// ------------------------------------------------------------------ painting

void THtmlView::PaintDocument(platform::Canvas& canvas, const platform::Rect& clip) {
  if (layingOut_) return;
  TDrawContext screen;
  sectionList_->Draw(canvas, screen, clip, 6000, -hScroll_->Position(), 0, 0, 0);
}

namespace {

// The first tile's position on one axis (area size s, image size i, origin o).
int FirstTile(const PositionRec& rec, int s, int i, int o, bool horizontal) {
  switch (rec.PosType) {
    case TBgPos::Top:
    case TBgPos::Left:
      return -o;
    case TBgPos::Center:
      return s / 2 - i / 2 - o;
    case TBgPos::Bottom:
    case TBgPos::Right:
      return s - i - o;
    case TBgPos::Percent:
      return (s - i) * rec.Value / 100 - o;
    default:
      (void)horizontal;
      return rec.Value - o;
  }
}

// Tile starts along one axis that cover [lo, hi).
std::vector<int> TileStarts(int first, int size, bool repeat, int lo, int hi) {
  std::vector<int> starts;
  if (size <= 0) return starts;
  if (!repeat) {
    if (first < hi && first + size > lo) starts.push_back(first);
    return starts;
  }
  int start = first;
  if (start > lo)
    start -= ((start - lo + size - 1) / size) * size;
  else
    start += ((lo - start) / size) * size;
  for (int p = start; p < hi; p += size) starts.push_back(p);
  return starts;
}

}  // namespace

void THtmlView::PaintBackground(platform::Canvas& canvas, const platform::Rect& clip) {
  TSectionList& doc = *sectionList_;
  const platform::Colour colour = doc.Background;
  const platform::Bitmap* bitmap = doc.BackgroundBitmap;
  if (!viewImages_ || (!bitmap && !doc.BackgroundGif)) {
    fixedBackground_ = false;
    canvas.FillRect(clip, colour);
    return;
  }
  const PositionRecArray& pos = doc.BackgroundPos;
  fixedBackground_ = pos[0].Fixed || pos[1].Fixed;
  int ox, oy, areaW, areaH;
  if (fixedBackground_) {
    ox = oy = 0;
    areaW = paintPanel_->width();
    areaH = paintPanel_->height();
  } else {
    ox = hScroll_->Position();
    oy = doc.YOff;
    areaW = hScroll_->Max();
    areaH = std::max(docHeight_, paintPanel_->height());
  }
  const int iw = doc.BackgroundGif ? doc.BackgroundGif->Width() : bitmap->Width();
  const int ih = doc.BackgroundGif ? doc.BackgroundGif->Height() : bitmap->Height();
  canvas.FillRect(clip, colour);
  if (iw <= 0 || ih <= 0) return;
  const int fx = FirstTile(pos[0], areaW, iw, ox, true);
  const int fy = FirstTile(pos[1], areaH, ih, oy, false);
  // A tiny picture is first repeated into a larger tile: an 800 x 600 paint
  // with a 1-pixel picture would otherwise copy it half a million times.
  platform::Bitmap enlarged;
  if (!doc.BackgroundGif && (iw < kLargeTile || ih < kLargeTile))
    enlarged = RepeatedTile(*bitmap, pos[0].RepeatD ? clip.Width() : 0, pos[1].RepeatD ? clip.Height() : 0);
  const platform::Bitmap* tile = enlarged.IsNull() ? bitmap : &enlarged;
  const int tw = doc.BackgroundGif ? iw : tile->Width();
  const int th = doc.BackgroundGif ? ih : tile->Height();
  const std::vector<int> xs = TileStarts(fx, tw, pos[0].RepeatD, clip.left, clip.right);
  const std::vector<int> ys = TileStarts(fy, th, pos[1].RepeatD, clip.top, clip.bottom);
  try {
    for (int y : ys)
      for (int x : xs) {
        if (doc.BackgroundGif)
          doc.BackgroundGif->Draw(canvas, x, y, iw, ih);
        else
          canvas.Draw(x, y, *tile);
      }
  } catch (...) {
    // A tile that cannot be drawn leaves the colour showing.
  }
}

bool THtmlView::QueryNewPalette() {
  const platform::Palette* palette = ScreenPalette();
  if (!palette) return false;
  Invalidate();
  paintPanel_->Invalidate();
  return true;
}

// ----------------------------------------------------------------- scrolling

void THtmlView::ApplyScroll(int oldY, int newY, bool pixelScroll) {
  vScroll_->SetPosition(newY);
  sectionList_->SetYOffset(newY);
  if (fixedBackground_ || !pixelScroll) {
    paintPanel_->Invalidate();
    return;
  }
  paintPanel_->ScrollRect(0, oldY - newY);
  paintPanel_->Update();
}

void THtmlView::HandleVScroll(int code, int position) {
  const int old = vScroll_->Position();
  int now = old;
  switch (code) {
    case platform::SB_THUMBTRACK: now = position; break;
    case platform::SB_LINEUP: now = old - vScroll_->SmallChange; break;
    case platform::SB_LINEDOWN: now = old + vScroll_->SmallChange; break;
    case platform::SB_PAGEUP: now = old - vScroll_->LargeChange; break;
    case platform::SB_PAGEDOWN: now = old + vScroll_->LargeChange; break;
    case platform::SB_TOP: now = 0; break;
    case platform::SB_BOTTOM: now = docHeight_ - paintPanel_->height(); break;
    default: break;
  }
  now = std::max(0, std::min(now, docHeight_ - paintPanel_->height()));
  ApplyScroll(old, now, true);
}

void THtmlView::HandleHScroll(int code, int position) {
  int now = hScroll_->Position();
  switch (code) {
    case platform::SB_THUMBTRACK:
    case platform::SB_THUMBPOSITION: now = position; break;
    case platform::SB_LINELEFT: now -= hScroll_->SmallChange; break;
    case platform::SB_LINERIGHT: now += hScroll_->SmallChange; break;
    case platform::SB_PAGELEFT: now -= hScroll_->LargeChange; break;
    case platform::SB_PAGERIGHT: now += hScroll_->LargeChange; break;
    case platform::SB_LEFT: now = 0; break;
    case platform::SB_RIGHT: now = hScroll_->Max(); break;
    default: return;
  }
  now = std::max(0, std::min(now, hScroll_->Max() - paintPanel_->width()));
  hScroll_->SetPosition(now);
  paintPanel_->Invalidate();
}

void THtmlView::KeyDown(int& key, platform::ShiftState shift) { HandleKeyDown(key, shift); }

bool THtmlView::WantsKey(int vk, platform::ShiftState) {
  return vk >= platform::VK_PRIOR && vk <= platform::VK_DOWN;
}

void THtmlView::HandleKeyDown(int& key, platform::ShiftState shift) {
  if (dragScroll_) {
    dragScroll_ = false;
    StopAutoScroll();
    SetCursorShown(cursor_);
    return;
  }
  const platform::ShiftState mods = shift & (platform::ssShift | platform::ssAlt | platform::ssCtrl);
  if (mods == platform::ssCtrl) {
    if (key == 'C' || key == platform::VK_INSERT) {
      CopyToClipboard();
      key = 0;
    } else if (key == 'A') {
      SelectAll();
      key = 0;
    }
    return;
  }
  if (mods == platform::ssShift) {
    // Shift with Home or End extends the selection from the caret to the
    // start or end of the document, and the view follows it.
    if ((key == platform::VK_END || key == platform::VK_HOME) && !noSelect_ && sectionList_->Len > 0) {
      const int anchor = sectionList_->SelE > sectionList_->SelB
                             ? (caretPos_ == sectionList_->SelB ? sectionList_->SelE : sectionList_->SelB)
                             : caretPos_;
      const int to = key == platform::VK_END ? sectionList_->Len : 0;
      SetSelection(std::min(anchor, to), std::max(anchor, to));
      caretPos_ = to;
      ScrollToY(key == platform::VK_END ? docHeight_ : 0);
      paintPanel_->Invalidate();
      key = 0;
    }
    return;
  }
  if (mods != 0) return;
  const int old = vScroll_->Position();
  int now = old;
  switch (key) {
    case platform::VK_PRIOR: now = old - vScroll_->LargeChange; break;
    case platform::VK_NEXT: now = old + vScroll_->LargeChange; break;
    case platform::VK_END: now = docHeight_; break;
    case platform::VK_HOME: now = 0; break;
    case platform::VK_UP: now = old - vScroll_->SmallChange; break;
    case platform::VK_DOWN: now = old + vScroll_->SmallChange; break;
    case platform::VK_LEFT:
    case platform::VK_RIGHT: {
      int x = hScroll_->Position() + (key == platform::VK_LEFT ? -hScroll_->SmallChange : hScroll_->SmallChange);
      x = std::max(0, std::min(x, hScroll_->Max() - paintPanel_->width()));
      hScroll_->SetPosition(x);
      paintPanel_->Invalidate();
      return;
    }
    default: return;
  }
  now = std::max(0, now);
  now = std::max(0, std::min(now, docHeight_ - paintPanel_->height()));
  ApplyScroll(old, now, std::abs(now - old) == vScroll_->SmallChange);
}

bool THtmlView::MouseWheel(platform::ShiftState shift, int delta, int, int) { return HandleWheel(shift, delta); }

bool THtmlView::HandleWheel(platform::ShiftState, int delta) {
  if (options_ & htNoWheelMouse) return false;
  const int lines = platform::WheelScrollLines();
  const int y = vScroll_->Position();
  if (lines >= 1)
    ScrollToY(delta > 0 ? y - lines * 16 : y + lines * 16);
  else
    ScrollToY(y - delta / 2);
  return true;
}

// ----------------------------------------------------------------- selection

int THtmlView::SelStart() const { return std::min(sectionList_->SelB, sectionList_->SelE); }

int THtmlView::SelLength() const {
  return std::max(0, sectionList_->SelE - sectionList_->SelB);
}

void THtmlView::SetSelection(int start, int end) {
  sectionList_->SelB = std::min(start, end);
  sectionList_->SelE = std::max(start, end);
  paintPanel_->Invalidate();
}

void THtmlView::SelectAll() {
  if (noSelect_) return;
  SetSelection(0, sectionList_->Len);
}

std::u16string THtmlView::SelText() { return sectionList_->SelectedText(); }

bool THtmlView::CopyToClipboard() {
  const std::u16string text = SelText();
  if (text.empty()) return false;
  std::string utf8 = QString::fromStdU16String(text).toStdString();
  // Lines break with LF on this platform's clipboard.
  std::string out;
  out.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size(); ++i) {
    if (utf8[i] == '\r') {
      if (i + 1 < utf8.size() && utf8[i + 1] == '\n') continue;
      out += '\n';
      continue;
    }
    out += utf8[i];
  }
  return platform::Clipboard().SetData({{platform::kClipboardText, out}});
}

}  // namespace htmlview
