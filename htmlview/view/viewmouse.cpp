// The interactive side of the viewer: selecting with the mouse, words on a
// double click, links with hover and follow, image clicks, the right click,
// middle-button drag scrolling, and scrolling while a selection is dragged
// beyond the window. Scrolling beyond the window runs as a state machine on
// the 100 ms timer that reads the last mouse position on every tick; it
// never runs a nested event loop.
#include <algorithm>

#include "htmlview/images/imagemodule.h"
#include "htmlview/layout/imageobj.h"
#include "htmlview/view/docbuilder.h"
#include "htmlview/view/htmlview.h"
#include "platform/cursors.h"
#include "platform/guard.h"
#include "platform/sysutils.h"
#include "platform/timers.h"

namespace htmlview {

namespace {

bool IsWordChar(char16_t c) {
  return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c >= 192;
}

}  // namespace

void THtmlView::SetCursorShown(int cursor) {
  shownCursor_ = cursor;
  paintPanel_->SetCursorId(cursor);
}

bool THtmlView::HoverTimerRunning() const { return TimerActive(kHoverTimer); }

// --------------------------------------------------------------- hit tests

unsigned THtmlView::GetURLAtPoint(int x, int y, std::unique_ptr<TUrlTarget>& url, TFormControlObj*& control,
                                  std::string& title) {
  control = nullptr;
  return sectionList_->GetURL(MeasureCanvas(), x, y + sectionList_->YOff, url, control, title);
}

bool THtmlView::GetWordAtPoint(int x, int y, std::u16string& word, int& start, int& end) {
  word.clear();
  int xr = 0, yr = 0, caretHt = 0;
  bool inText = false;
  const int pos = sectionList_->FindCursor(MeasureCanvas(), x, y + sectionList_->YOff, xr, yr, caretHt, inText);
  if (pos < 0) return false;
  caretPos_ = pos;
  char16_t ch = 0;
  TSectionBase* section = nullptr;
  if (!sectionList_->GetChAtPos(pos, ch, section) || !IsWordChar(ch)) return false;
  auto wordAt = [&](int p) {
    char16_t c = 0;
    TSectionBase* s = nullptr;
    return sectionList_->GetChAtPos(p, c, s) && s == section && IsWordChar(c);
  };
  start = pos;
  end = pos + 1;
  while (wordAt(end)) ++end;
  while (start > 0 && wordAt(start - 1)) --start;
  for (int p = start; p < end; ++p) {
    char16_t c = 0;
    TSectionBase* s = nullptr;
    sectionList_->GetChAtPos(p, c, s);
    word += c;
  }
  return true;
}

void THtmlView::TakeLinkText(const TUrlTarget& url) {
  linkText_.clear();
  linkPoint_ = {0, 0};
  const int start = url.Start(), last = url.Last();
  if (!(start >= 0 && last >= 0 && start < last)) return;
  const int oldB = sectionList_->SelB, oldE = sectionList_->SelE;
  const int b = sectionList_->FindDocPos(start, false);
  const int e = sectionList_->FindDocPos(last, true);
  sectionList_->SelB = b;
  sectionList_->SelE = e;
  linkText_ = sectionList_->SelectedText();
  int x = 0, y = 0;
  if (sectionList_->CursorToXY(&MeasureCanvas(), b, x, y)) linkPoint_ = {x, y - vScroll_->Position()};
  sectionList_->SelB = oldB;
  sectionList_->SelE = oldE;
}

// ---------------------------------------------------------------- the mouse

void THtmlView::HTMLMouseDown(platform::MouseButton button, platform::ShiftState shift, int x, int y) {
  if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
  SetFocus();
  linkClicked_ = false;
  if (dragScroll_) {
    dragScroll_ = false;
    SetCursorShown(cursor_);
    StopAutoScroll();
    return;
  }
  if (button == platform::MouseButton::Middle && !(options_ & htNoWheelMouse)) {
    dragScroll_ = true;
    dragStartY_ = y;
    SetCursorShown(crUpDownCursor);
    return;
  }
  if (button != platform::MouseButton::Left) return;
  leftDown_ = true;
  selecting_ = true;
  if (options_ & htNoLinkHilite) {
    std::unique_ptr<TUrlTarget> url;
    TFormControlObj* control = nullptr;
    std::string title;
    if (GetURLAtPoint(x, y, url, control, title) & guUrl) selecting_ = false;
  }
  int xr = 0, yr = 0, caretHt = 0;
  bool inText = false;
  mouseDownPos_ = sectionList_->FindCursor(MeasureCanvas(), x, y + sectionList_->YOff, xr, yr, caretHt, inText);
  if (mouseDownPos_ >= 0) {
    if (sectionList_->SelE > sectionList_->SelB || (shift & platform::ssShift)) paintPanel_->Invalidate();
    if (shift & platform::ssShift) {
      if (!noSelect_) {
        sectionList_->SelB = std::min(caretPos_, mouseDownPos_);
        sectionList_->SelE = std::max(caretPos_, mouseDownPos_);
      }
    } else {
      if (!noSelect_) sectionList_->SelB = sectionList_->SelE = mouseDownPos_;
      caretPos_ = mouseDownPos_;
    }
  }
  sectionList_->SetImagePressed(true);
}

void THtmlView::HTMLMouseMove(platform::ShiftState shift, int x, int y) {
  if (OnMouseMove) OnMouseMove(this, shift, x, y);
  if (dragScroll_) {
    if (!autoScrolling_ && std::abs(y - dragStartY_) > 20) StartAutoScroll();
    return;
  }
  int cursor = platform::crArrow;
  titleUnderMouse_.clear();
  std::string url, target;
  std::unique_ptr<TUrlTarget> link;
  TFormControlObj* control = nullptr;
  std::string title;
  const unsigned flags = GetURLAtPoint(x, y, link, control, title);
  if (flags & guTitle) titleUnderMouse_ = title;
  if ((flags & guUrl) && link) {
    cursor = crLinkCursor;
    url = link->URL;
    target = link->Target;
    linkAttributes_ = SplitLines(link->Attr);
    TakeLinkText(*link);
  }
  if (flags & guControl) cursor = crLinkCursor;
  bool overImage = false;
  if (OnImageClick || OnImageOver) {
    TFloatingObj* obj = nullptr;
    int ix = 0, iy = 0;
    if (sectionList_->PtInObject(x, y + sectionList_->YOff, obj, ix, iy))
      if (auto* image = dynamic_cast<TImageObj*>(obj)) {
        overImage = true;
        if (cursor != crLinkCursor) cursor = platform::crArrow;
        if (OnImageOver) OnImageOver(this, image, shift, ix, iy);
      }
  }
  if (!overImage && cursor != crLinkCursor) {
    int xr = 0, yr = 0, caretHt = 0;
    bool inText = false;
    const int pos = sectionList_->FindCursor(MeasureCanvas(), x, y + sectionList_->YOff, xr, yr, caretHt, inText);
    if (pos >= 0 && inText) cursor = cursor_;
  }
  SetCursorShown(cursor);
  if (cursor == crLinkCursor || sectionList_->ActiveImage) {
    if (!TimerActive(kHoverTimer)) SetTimer(kHoverTimer, 200);
  } else {
    KillTimer(kHoverTimer);
  }
  if (url != hoverUrl_ || target != hoverTarget_) {
    hoverUrl_ = url;
    hoverTarget_ = target;
    if (OnHotSpotCovered) OnHotSpotCovered(this, url);
  }
  if (leftDown_ && !autoScrolling_ && (y < 1 || y >= height())) StartAutoScroll();
  if (leftDown_ && !noSelect_) ExtendSelection(x, y);
}

void THtmlView::ExtendSelection(int x, int y) {
  if (!selecting_ || mouseDownPos_ < 0) return;
  y = std::clamp(y, 0, height());
  int xr = 0, yr = 0, caretHt = 0;
  bool inText = false;
  const int pos = sectionList_->FindCursor(MeasureCanvas(), x, y + sectionList_->YOff, xr, yr, caretHt, inText);
  if (pos >= 0 && !noSelect_) {
    sectionList_->SelB = std::min(pos, mouseDownPos_);
    sectionList_->SelE = std::max(pos, mouseDownPos_);
    paintPanel_->Invalidate();
  }
  if (pos >= 0) caretPos_ = pos;
}

void THtmlView::HTMLMouseUp(platform::MouseButton button, platform::ShiftState shift, int x, int y) {
  if (dragScroll_) {
    if (button == platform::MouseButton::Middle && y == dragStartY_) return;
    dragScroll_ = false;
    StopAutoScroll();
    SetCursorShown(cursor_);
    return;
  }
  if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
  if (OnImageClick || OnRightClick) {
    TFloatingObj* obj = nullptr;
    int ix = 0, iy = 0;
    TImageObj* image = nullptr;
    if (sectionList_->PtInObject(x, y + sectionList_->YOff, obj, ix, iy)) image = dynamic_cast<TImageObj*>(obj);
    if (image && OnImageClick) OnImageClick(this, image, button, shift, ix, iy);
    if (button == platform::MouseButton::Right && OnRightClick) {
      TRightClickParameters params;
      params.Image = image;
      params.ImageX = ix;
      params.ImageY = iy;
      std::unique_ptr<TUrlTarget> link;
      TFormControlObj* control = nullptr;
      std::string title;
      if ((GetURLAtPoint(x, y, link, control, title) & guUrl) && link) {
        params.URL = link->URL;
        params.Target = link->Target;
      }
      int s = 0, e = 0;
      GetWordAtPoint(x, y, params.ClickWord, s, e);
      const bool hover = TimerActive(kHoverTimer);
      KillTimer(kHoverTimer);
      OnRightClick(this, params);
      if (hover) SetTimer(kHoverTimer, 200);
    }
  }
  if (button != platform::MouseButton::Left || (shift & platform::ssShift)) {
    if (button == platform::MouseButton::Left) leftDown_ = false;
    return;
  }
  StopAutoScroll();
  ExtendSelection(x, y);
  selecting_ = false;
  sectionList_->SetImagePressed(false);
  const bool wasDown = leftDown_;
  leftDown_ = false;
  if (!wasDown || sectionList_->SelE > sectionList_->SelB) return;
  std::unique_ptr<TUrlTarget> link;
  TFormControlObj* control = nullptr;
  std::string title;
  const unsigned flags = GetURLAtPoint(x, y, link, control, title);
  if ((flags & guControl) && control) {
    if (auto* image = dynamic_cast<TImageFormControlObj*>(control)) image->ImageClick();
    return;
  }
  if (!(flags & guUrl) || !link) return;
  hoverUrl_ = link->URL;
  hoverTarget_ = link->Target;
  linkAttributes_ = SplitLines(link->Attr);
  TakeLinkText(*link);
  for (TFontObj* run : sectionList_->Links) {
    if (!run->UrlTarget || run->LinkID() != link->ID) continue;
    if (ThtTabcontrol* tab = run->TabControl(); tab && tab->isEnabled() && tab->focusPolicy() != Qt::NoFocus) {
      suppressScrollIntoView_ = true;
      tab->SetFocus();
      suppressScrollIntoView_ = false;
      break;
    }
  }
  linkClicked_ = true;
  FollowLink();
}

void THtmlView::HTMLMouseDblClk(platform::ShiftState shift, int x, int y) {
  sectionList_->SetImagePressed(true);
  if (!busy_ && !linkClicked_ && !noSelect_) {
    std::u16string word;
    int start = 0, end = 0;
    if (GetWordAtPoint(x, y, word, start, end)) {
      sectionList_->SelB = start;
      sectionList_->SelE = end;
      caretPos_ = start;
      paintPanel_->Invalidate();
      // The press of the double click must not start a new selection.
      selecting_ = false;
    }
  }
  if (OnMouseDouble) OnMouseDouble(this, platform::MouseButton::Left, shift, x, y);
}

// --------------------------------------------------------------- auto-scroll

void THtmlView::StartAutoScroll() {
  autoScrolling_ = true;
  // The machine starts after the current mouse handler has returned.
  platform::Post(this, [this] {
    if (!autoScrolling_) return;
    lastScrollStep_ = 0;
    SetTimer(kAutoScrollTimer, 100);
    AutoScrollTick();
  });
}

void THtmlView::StopAutoScroll() {
  autoScrolling_ = false;
  KillTimer(kAutoScrollTimer);
}

void THtmlView::AutoScrollTick() {
  const platform::Point p = paintPanel_->LastMousePos();
  const bool selectingOut = leftDown_ && autoScrolling_ && (p.y <= 0 || p.y > height());
  const bool dragging = dragScroll_ && std::abs(p.y - dragStartY_) > 20;
  if (!selectingOut && !dragging) {
    StopAutoScroll();
    if (dragScroll_) SetCursorShown(crUpDownCursor);
    return;
  }
  const int64_t now = platform::TickCount();
  if (lastScrollStep_ != 0 && now - lastScrollStep_ < 100) return;
  lastScrollStep_ = std::max<int64_t>(now, 1);
  int step = 0;
  const int small = vScroll_->SmallChange;
  if (!leftDown_ && dragScroll_) {
    const int d = p.y - dragStartY_;
    if (d < -60)
      step = -32;
    else if (d < -20)
      step = -8;
    else if (d >= 61)
      step = 32;
    else if (d > 20)
      step = 8;
    SetCursorShown(step < 0 ? crUpOnlyCursor : step > 0 ? crDownOnlyCursor : crUpDownCursor);
  } else {
    if (p.y < -15)
      step = -8 * small;
    else if (p.y <= 0)
      step = -small;
    else if (p.y > height() + 15)
      step = 8 * small;
    else
      step = small;
  }
  int y = vScroll_->Position() + step;
  y = std::max(0, std::min(y, docHeight_ - paintPanel_->height()));
  sectionList_->SetYOffset(y);
  vScroll_->SetPosition(y);
  if (leftDown_) ExtendSelection(p.x, p.y);
  paintPanel_->Invalidate();
}

// ---------------------------------------------------------------------- hover

void THtmlView::HoverTick() {
  if (paintPanel_->underMouse() && paintPanel_->rect().contains(paintPanel_->mapFromGlobal(QCursor::pos()))) return;
  sectionList_->CancelHovers();
  KillTimer(kHoverTimer);
  if (!hoverUrl_.empty() || !hoverTarget_.empty()) {
    hoverUrl_.clear();
    hoverTarget_.clear();
    if (OnHotSpotCovered) OnHotSpotCovered(this, "");
  }
}

void THtmlView::Timer(int id) {
  if (id == kHoverTimer)
    HoverTick();
  else if (id == kAutoScrollTimer)
    AutoScrollTick();
}

// --------------------------------------------------------------------- links

bool THtmlView::HotSpotClickHandled() {
  bool handled = false;
  if (OnHotSpotClick) OnHotSpotClick(this, hoverUrl_, handled);
  return handled;
}

void THtmlView::FollowLink() {
  if (HotSpotClickHandled()) return;
  const int64_t position = Position();
  std::string s = hoverUrl_;
  const size_t hash = s.find('#');
  if (!s.empty() && s[0] == '#') {
    if (ScrollToName(s)) {
      AddHistoryEntry(currentFile_, title_, position, nullptr, currentFileType_);
      AddVisitedLink(currentFile_ + s);
    }
    return;
  }
  std::string name;
  if (hash != std::string::npos && hash > 0) {
    name = s.substr(hash);
    s = s.substr(0, hash);
  }
  s = ExpandDocFileName(s);
  const std::string ext = platform::UpperCase(platform::ExtractFileExt(s).substr(0, 5));
  if (ext == ".HTM" || ext == ".HTML") {
    if (s != currentFile_) {
      LoadWithHistory(s + name, HTMLType);
      AddVisitedLink(s + name);
    } else if (ScrollToName(name)) {
      AddHistoryEntry(currentFile_, title_, position, nullptr, HTMLType);
      AddVisitedLink(s + name);
    }
  } else if (ext == ".BMP" || ext == ".GIF" || ext == ".JPG" || ext == ".JPEG" || ext == ".PNG") {
    LoadWithHistory(s, ImgType);
  }
}

void THtmlView::LoadWithHistory(const std::string& file, int fileType) {
  if (busy_ || file.empty()) return;
  const std::string oldFile = currentFile_;
  const std::string oldTitle = title_;
  const int64_t oldPos = Position();
  const int oldType = currentFileType_;
  std::unique_ptr<TFormData> formData = GetFormData();
  // A load that raises frees the saved form data with this frame.
  LoadDocumentFile(file, fileType);
  if (currentFile_ == oldFile && currentFileType_ == oldType) return;
  AddHistoryEntry(oldFile, oldTitle, oldPos, std::move(formData), oldType);
}

}  // namespace htmlview
