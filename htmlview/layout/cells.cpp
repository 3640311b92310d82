#include "htmlview/layout/cells.h"

#include <algorithm>
#include <limits>

#include "platform/dialogs.h"

namespace htmlview {

namespace {

// The band a section covers in document coordinates; the walks that look
// for something under a point only ask the sections whose band holds it.
bool InBand(const TSectionBase& s, int y) { return y >= s.ContentTop && y < s.ContentBot; }

}  // namespace

// ----------------------------------------------------------------- TTagName

TTagName::TTagName() {
  static const std::string none;
  name_ = &none;
}

TTagName TTagNames::Intern(std::string_view name) {
  auto it = names_.find(name);
  if (it == names_.end()) it = names_.emplace(name).first;
  return TTagName(*it);
}

// --------------------------------------------------------------- TCellBasic

TCellBasic::TCellBasic(TSectionListBase* master) : MasterList(master) {}

IndentManager& TCellBasic::Manager(int width) {
  if (IMgr) return *IMgr;
  if (!spare_) {
    spare_ = std::make_unique<IndentManager>();
    spare_->Reset(0, width);
  }
  return *spare_;
}

void TCellBasic::SetOwnerTag(std::string_view tag) {
  OwnerTag = MasterList ? MasterList->Memory().TagNames.Intern(tag) : TTagName();
}

void TCellBasic::DropFailedSection(int index, const EProcessError& error) {
  platform::MessageBox(error.what(), "", platform::MB_ICONERROR | platform::MB_OK);
  TSectionBase* failed = (*this)[index];
  // A section the root already lists must not stay there once it is freed.
  if (MasterList) std::erase(MasterList->PositionList, failed);
  Delete(index);
}

int TCellBasic::Layout(platform::Canvas& canvas, int y, int width, int aHeight, int blHt,
                       int& scrollWidth, int& curs) {
  YValue = y;
  StartCurs = curs;
  scrollWidth = 0;
  drawReach_.Reset();
  IndentManager& mgr = Manager(width);
  int height = 0;
  int i = 0;
  while (i < Count()) {
    const int cursBefore = curs;
    int sw = 0;
    try {
      // A page taller than layout reaches piles its rest at the end.
      height = LayoutAdd(height, (*this)[i]->Layout(canvas, 0, LayoutAdd(y, height), 0, 0, width,
                                                    aHeight, blHt, mgr, sw, curs));
    } catch (const EProcessError& e) {
      curs = cursBefore;   // the dropped section holds no positions any more
      DropFailedSection(i, e);
      continue;
    }
    scrollWidth = std::max(scrollWidth, sw);
    ++i;
  }
  Len = curs - StartCurs;
  return height;
}

void TCellBasic::MinMaxWidth(platform::Canvas& canvas, int& minWidth, int& maxWidth) {
  minWidth = 0;
  maxWidth = 0;
  for (int i = 0; i < Count(); ++i) {
    int mn = 0, mx = 0;
    (*this)[i]->WidthRange(canvas, mn, mx);
    minWidth = std::max(minWidth, mn);
    maxWidth = std::max(maxWidth, mx);
  }
}

int TCellBasic::Draw(platform::Canvas& canvas, TDrawContext& context, const platform::Rect& aRect,
                     int, int x, int y, int xRef, int yRef) {
  IndentManager& mgr = Manager(0);
  if (Count() == 0) return y;
  TSectionBase* last = (*this)[Count() - 1];
  int bottom = last->DrawTop + last->SectionHeight;
  const int yOff = MasterList ? MasterList->YOff : 0;
  drawReach_.ForShown(
      Count(), [this](int i) { return (*this)[i]; }, aRect, yOff,
      [&](TSectionBase* s) {
        const int b = s->Draw(canvas, context, aRect, mgr, x, xRef, yRef);
        if (s == last) bottom = b;
      });
  return bottom;
}

unsigned TCellBasic::GetURL(platform::Canvas& canvas, int x, int y,
                            std::unique_ptr<TUrlTarget>& urlTarget, TFormControlObj*& formControl,
                            std::string& title) {
  urlTarget.reset();
  formControl = nullptr;
  for (int i = 0; i < Count(); ++i) {
    TSectionBase* s = (*this)[i];
    if (!InBand(*s, y)) continue;
    const unsigned flags = s->HitLink(canvas, x, y, urlTarget, formControl, title);
    if (flags != 0) return flags;
  }
  return 0;
}

void TCellBasic::Add(std::unique_ptr<TSectionBase> section, int tagIndex) {
  if (!section) return;
  if (!section->CloseForCell(tagIndex)) return;   // an empty text section: freed here
  section->Root = MasterList;
  TFreeList<TSectionBase>::Add(std::move(section));
  drawReach_.Reset();
}

bool TCellBasic::PtInObject(int x, int y, TFloatingObj*& obj, int& ix, int& iy) {
  obj = nullptr;
  for (int i = 0; i < Count(); ++i) {
    TSectionBase* s = (*this)[i];
    if (InBand(*s, y) && s->HitObject(x, y, obj, ix, iy)) return true;
  }
  return false;
}

int TCellBasic::FindCursor(platform::Canvas& canvas, int x, int y, int& xr, int& yr, int& caretHt,
                           bool& inText) {
  for (int i = 0; i < Count(); ++i) {
    TSectionBase* s = (*this)[i];
    if (!InBand(*s, y)) continue;
    const int pos = s->CursorAt(canvas, x, y, xr, yr, caretHt, inText);
    if (pos >= 0) return pos;
  }
  return -1;
}

void TCellBasic::AddSectionsToList() {
  for (int i = 0; i < Count(); ++i) (*this)[i]->AddToPositionList();
}

int TCellBasic::FindString(int from, const std::u16string& text, bool matchCase) {
  for (int i = 0; i < Count(); ++i) {
    const int pos = (*this)[i]->FindForward(from, text, matchCase);
    if (pos >= 0) return pos;
  }
  return -1;
}

int TCellBasic::FindStringR(int from, const std::u16string& text, bool matchCase) {
  for (int i = Count() - 1; i >= 0; --i) {
    const int pos = (*this)[i]->FindBackward(from, text, matchCase);
    if (pos >= 0) return pos;
  }
  return -1;
}

int TCellBasic::FindSourcePos(int docPos) {
  for (int i = 0; i < Count(); ++i) {
    const int pos = (*this)[i]->SourcePosOf(docPos);
    if (pos >= 0) return pos;
  }
  return -1;
}

int TCellBasic::FindDocPos(int sourcePos, bool prev) {
  if (prev) {
    for (int i = Count() - 1; i >= 0; --i) {
      const int pos = (*this)[i]->DocPosOf(sourcePos, true);
      if (pos >= 0) return pos;
    }
  } else {
    for (int i = 0; i < Count(); ++i) {
      const int pos = (*this)[i]->DocPosOf(sourcePos, false);
      if (pos >= 0) return pos;
    }
  }
  return -1;
}

bool TCellBasic::CursorToXY(platform::Canvas* canvas, int cursor, int& x, int& y) {
  for (int i = 0; i < Count(); ++i)
    if ((*this)[i]->CursorToXY(canvas, cursor, x, y)) return true;
  return false;
}

bool TCellBasic::GetChAtPos(int pos, char16_t& ch, TSectionBase*& obj) {
  obj = nullptr;
  if (pos < StartCurs || pos > StartCurs + Len) return false;
  for (int i = 0; i < Count(); ++i)
    if ((*this)[i]->CharAt(pos, ch, obj)) return true;
  return false;
}

void TCellBasic::CopyToClipboard(SelTextCount& holder) {
  if (!MasterList) return;
  const int selB = MasterList->SelB, selE = MasterList->SelE;
  if (selE <= selB) return;
  for (int i = 0; i < Count(); ++i) {
    TSectionBase* s = (*this)[i];
    if (s->StartCurs >= selE) break;
    if (s->StartCurs + s->Len > selB) s->CopyText(holder);
  }
}

bool TCellBasic::CheckLastBottomMargin() {
  for (int i = Count() - 1; i >= 0; --i) {
    TSectionBase* s = (*this)[i];
    if (s->IsAbsolutePositioned()) continue;
    return s->DropDefaultBottomMargin();
  }
  return false;
}

// -------------------------------------------------------------------- TCell

TCell::TCell(TSectionListBase* master)
    : TCellBasic(master), ownerID_(NewIndentOwnerID()) {
  IMgr = &ownMgr_;
}

int TCell::Layout(platform::Canvas& canvas, int y, int width, int aHeight, int blHt, int& maxWidth,
                  int& curs) {
  IMgr = &ownMgr_;
  IndentManager& mgr = ownMgr_;
  mgr.Clear();
  IndentOwnerScope owner(mgr, ownerID_);
  mgr.Reset(0, width);
  owner.OpenEdges(0, width, y);

  const int height = TCellBasic::Layout(canvas, y, width, aHeight, blHt, maxWidth, curs);

  owner.End();
  // A table may hold a great many cells, nearly all without floats: what
  // no float holds is not kept until the next layout.
  if (mgr.L.empty()) mgr.L.shrink_to_fit();
  if (mgr.R.empty()) mgr.R.shrink_to_fit();
  // Floats that reach below the text make the cell taller.
  return std::max(height, mgr.ImageBottom() - y);
}

int TCell::Draw(platform::Canvas& canvas, TDrawContext& context, const platform::Rect& aRect,
                int clipWidth, int x, int y, int xRef, int yRef) {
  IMgr = &ownMgr_;
  TContextSetting<TDrawContext::CellEdges> edges(context.Cell, {x, clipWidth});
  return TCellBasic::Draw(canvas, context, aRect, clipWidth, x, y, xRef, yRef);
}

// ------------------------------------------------------------- TCellObjCell

TCellObjCell::Links& TCellObjCell::MakeLinks() {
  if (!links_) links_ = std::make_unique<Links>();
  return *links_;
}

unsigned TCellObjCell::GetURL(platform::Canvas& canvas, int x, int y,
                              std::unique_ptr<TUrlTarget>& urlTarget,
                              TFormControlObj*& formControl, std::string& title) {
  unsigned flags = TCell::GetURL(canvas, x, y, urlTarget, formControl, title);
  const int yOff = MasterList ? MasterList->YOff : 0;
  if (links_ && CellRect.Contains(x, y - yOff)) {
    if (!(flags & guTitle) && !links_->Title.empty()) {
      title = links_->Title;
      flags |= guTitle;
    }
    if (!(flags & guUrl) && !links_->Url.empty()) {
      urlTarget = std::make_unique<TUrlTarget>();
      urlTarget->Assign(links_->Url, links_->Target, nullptr, -1);
      flags |= guUrl;
    }
  }
  return flags;
}

// --------------------------------------------------------------- TBlockCell

int TBlockCell::DoLayout(platform::Canvas& canvas, int x, int y, int xRef, int yRef, int aWidth,
                         int aHeight, int blHt, int& maxWidth, int& curs) {
  YValue = y;
  StartCurs = curs;
  maxWidth = 0;
  TextBot = 0;
  drawReach_.Reset();
  // An empty cell reports the old sentinel top; one with content the top of
  // its content however far down a long page it is.
  int contentTop = std::numeric_limits<int>::max();
  ContentBot = 0;
  IndentManager& mgr = Manager(aWidth);
  const bool clips = OwnerBlock && OwnerBlock->HidesOverflow();
  int height = 0;
  int i = 0;
  while (i < Count()) {
    TSectionBase* s = (*this)[i];
    const int cursBefore = curs;
    int sw = 0;
    try {
      height = LayoutAdd(height, s->Layout(canvas, x, LayoutAdd(y, height), xRef, yRef, aWidth,
                                           aHeight, blHt, mgr, sw, curs));
    } catch (const EProcessError& e) {
      curs = cursBefore;
      DropFailedSection(i, e);
      continue;
    }
    maxWidth = clips ? aWidth : std::max(maxWidth, sw);
    if (!s->IsAbsolutePositioned()) TextBot = std::max(TextBot, s->SectionBottom);
    contentTop = std::min(contentTop, s->ContentTop);
    ContentBot = std::max(ContentBot, s->ContentBot);
    ++i;
  }
  ContentTop = Count() > 0 ? contentTop : 990000;
  Len = curs - StartCurs;
  return height;
}

// --------------------------------------------------------- TSectionListBase

TSectionListBase::TSectionListBase() : TCell(this) { SetOwnerTag("default"); }

}  // namespace htmlview
