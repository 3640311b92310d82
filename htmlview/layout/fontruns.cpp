#include "htmlview/layout/fontruns.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "htmlview/layout/cells.h"
#include "htmlview/layout/sections.h"
#include "platform/fonts.h"

namespace htmlview {

namespace {

// Sizes from hostile text must not reach the font engine.
constexpr double kMaxRunPoints = 2000;
constexpr double kFallbackPoints = 12;

bool SameFont(const TMyFont& a, const TMyFont& b) {
  return static_cast<const platform::Font&>(a) == static_cast<const platform::Font&>(b) &&
         a.BgColor == b.BgColor && a.tmHeight == b.tmHeight && a.tmDescent == b.tmDescent &&
         a.tmExternalLeading == b.tmExternalLeading && a.tmAveCharWidth == b.tmAveCharWidth &&
         a.tmMaxCharWidth == b.tmMaxCharWidth && a.tmCharset == b.tmCharset &&
         a.CharExtra == b.CharExtra;
}

}  // namespace

// The fonts runs were given lately, the latest first, each with its measured
// font (and the engine that measured it): a page's runs come from few
// styles, and a section mostly repeats the fonts of the one before.
struct TRunFont::Recent {
  TMyFont given;
  platform::FontBackend backend;
  TSharedValue<TMyFont> measured;
};

TRunFont::TRunFont(const TMyFont& font) : font_(Measured(font)) {}

TSharedValue<TMyFont> TRunFont::Measured(const TMyFont& font) {
  constexpr size_t kKept = 8;
  thread_local std::vector<Recent> recent;
  const platform::FontBackend backend = platform::CurrentFontBackend();
  for (size_t i = 0; i < recent.size(); ++i) {
    if (recent[i].backend != backend || !SameFont(recent[i].given, font)) continue;
    std::rotate(recent.begin(), recent.begin() + static_cast<std::ptrdiff_t>(i),
                recent.begin() + static_cast<std::ptrdiff_t>(i) + 1);
    return recent.front().measured;
  }
  TMyFont measured = font;
  MeasureFont(measured);
  measured.charset = measured.tmCharset;
  if (recent.size() == kKept) recent.pop_back();
  recent.insert(recent.begin(), Recent{font, backend, TSharedValue<TMyFont>(std::move(measured))});
  return recent.front().measured;
}

TSectionListObjects* ObjectsOf(TSectionListBase* root) { return root ? root->Objects() : nullptr; }

void MeasureFont(TMyFont& font) {
  const platform::TextMetrics tm = platform::GetTextMetrics(font);
  font.tmHeight = tm.height;
  font.tmDescent = tm.descent;
  font.tmExternalLeading = tm.externalLeading;
  font.tmAveCharWidth = tm.aveCharWidth;
  font.tmMaxCharWidth = tm.maxCharWidth;
}

// ------------------------------------------------------------ ThtTabcontrol

ThtTabcontrol::ThtTabcontrol(QWidget* parent) : platform::Control(parent) {
  setFocusPolicy(Qt::StrongFocus);   // a tab stop
  SetBounds(-4000, 0, 1, 1);
}

void ThtTabcontrol::FocusIn(Qt::FocusReason) {
  if (Run) Run->EnterLink();
}

void ThtTabcontrol::FocusOut(Qt::FocusReason) {
  if (Run) Run->ExitLink();
}

void ThtTabcontrol::KeyDown(int& key, platform::ShiftState shift) {
  if (Run) Run->KeyOnLink(key, shift);
}

bool ThtTabcontrol::WantsKey(int vk, platform::ShiftState) {
  return vk == platform::VK_LEFT || vk == platform::VK_RIGHT || vk == platform::VK_UP ||
         vk == platform::VK_DOWN;
}

// ------------------------------------------------------------------ TFontObj

TFontObj::TFontObj(TSectionBase* section, const TMyFont& font, int start)
    : Section(section), TheFont(font), Pos(start) {}

TFontObj::TFontObj(TSectionBase* section, const TFontObj& run)
    : Section(section),
      Title(run.Title),
      TheFont(run.TheFont),
      UrlTarget(run.UrlTarget),
      Pos(run.Pos),
      SScript(run.SScript) {
  if (const TFontInfoArray* fonts = run.LinkFontTable())
    Link().fonts = std::make_unique<TFontInfoArray>(*fonts);
}

TFontObj::~TFontObj() { DropTabControl(); }

void TFontObj::DropTabControl() {
  if (ThtTabcontrol* control = TabControl()) {
    control->Run = nullptr;   // no events reach a run that is going
    delete control;
  }
  if (link_) link_->tab.clear();
}

TSectionListBase* TFontObj::Root() const { return Section ? Section->Root : nullptr; }

TSectionListObjects* TFontObj::Objects() const { return ObjectsOf(Root()); }

void TFontObj::ReplaceFont(const TMyFont& font) { TheFont = TRunFont(font); }

void TFontObj::ConvertFont(const ThtFontInfo& info) {
  TMyFont f = TheFont;
  f.name = info.Name;
  double points = std::isfinite(info.Size) && info.Size > 0 ? info.Size : kFallbackPoints;
  points = std::min(points, kMaxRunPoints);
  f.height = -RoundHalfEven(platform::kPixelsPerInch * points / 72);
  f.SetStyle(info.Style);
  f.BgColor = info.BgColor;
  f.color = info.Color;
  f.charset = info.Charset;
  f.tmCharset = info.Charset;
  TheFont = TRunFont(f);
}

void TFontObj::SetLinkFonts(const TFontInfoArray& fonts) {
  Link().fonts = std::make_unique<TFontInfoArray>(fonts);
  ApplyLinkFont();
}

void TFontObj::ApplyLinkFont() {
  const TFontInfoArray* fonts = LinkFontTable();
  if (!fonts) return;
  LinkFontState state = LinkStateLink;
  if (Hover) state = Visited ? LinkStateVisitedHover : LinkStateHover;
  else if (Visited) state = LinkStateVisited;
  ConvertFont((*fonts)[state]);
}

void TFontObj::SetVisited(bool value) {
  if (value == Visited) return;
  Visited = value;
  ApplyLinkFont();
}

void TFontObj::SetHover(bool value) {
  if (value == Hover) return;
  Hover = value;
  ApplyLinkFont();
}

int TFontObj::LinkIndex(const std::vector<TFontObj*>& list) const {
  auto it = std::find(list.begin(), list.end(), this);
  return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

void TFontObj::SetAllHovers(bool value) {
  SetHover(value);
  TSectionListObjects* objects = Objects();
  std::vector<TFontObj*>* list = objects ? objects->LinkList() : nullptr;
  if (!list) return;
  const int index = LinkIndex(*list);
  if (index < 0) return;
  // The pieces of one link stand next to each other in the list.
  for (int i = index - 1; i >= 0 && (*list)[i]->LinkID() == LinkID(); --i) (*list)[i]->SetHover(value);
  for (int i = index + 1; i < static_cast<int>(list->size()) && (*list)[i]->LinkID() == LinkID(); ++i)
    (*list)[i]->SetHover(value);
}

void TFontObj::CreateTabControl(int tabIndex) {
  // One control per link: this or an earlier piece of the link may hold it.
  if (TabControl() || LinkControl()) return;
  TSectionListObjects* objects = Objects();
  if (!objects) return;
  std::vector<TFontObj*>* list = objects->LinkList();
  // The run asking is the latest piece of the list at parse time: look for
  // it from the end, and at the pieces of its link around it.
  int index = -1;
  if (list) {
    const auto it = std::find(list->rbegin(), list->rend(), this);
    if (it != list->rend()) index = static_cast<int>(list->rend() - it) - 1;
    for (int i = index - 1; i >= 0 && (*list)[i]->LinkID() == LinkID(); --i)
      if ((*list)[i]->TabControl()) return;
  }
  QWidget* panel = objects->PaintPanel();
  if (!panel) return;
  auto* control = new ThtTabcontrol(panel);
  control->Run = this;
  control->show();
  Link().tab = control;
  Link().link = control;
  if (list && index >= 0)
    for (int i = index + 1; i < static_cast<int>(list->size()) && (*list)[i]->LinkID() == LinkID(); ++i)
      (*list)[i]->Link().link = control;
  if (tabIndex > 0) {
    // Explicit tab indexes sort first, in their order, ties in document order.
    char key[32];
    std::snprintf(key, sizeof key, "%.5d%.3d", tabIndex, objects->TabOrderCount());
    objects->AddTabOrder(key, control);
  }
}

void TFontObj::ContinueLink(const TFontObj& before) {
  if (&before != this && before.IsLink() && before.LinkID() == LinkID() && !TabControl()) {
    if (before.link_) Link().link = before.link_->link;
    else if (link_) link_->link.clear();
  }
}

void TFontObj::SetYValue(int y) {
  ThtTabcontrol* control = LinkControl();
  if (!TabControl() && control && control->Run) control->Run->YValue = y;
  else YValue = y;
}

void TFontObj::SetActiveOnLink(bool value) {
  Active = value;
  TSectionListObjects* objects = Objects();
  std::vector<TFontObj*>* list = objects ? objects->LinkList() : nullptr;
  if (!list) return;
  const int index = LinkIndex(*list);
  if (index < 0) return;
  for (int i = index + 1; i < static_cast<int>(list->size()) && (*list)[i]->LinkID() == LinkID(); ++i)
    (*list)[i]->Active = value;
}

void TFontObj::EnterLink() {
  SetActiveOnLink(true);
  if (TSectionListObjects* objects = Objects()) {
    objects->LinkEntered(*this);
    objects->InvalidatePaintPanel();
  }
}

void TFontObj::ExitLink() {
  SetActiveOnLink(false);
  if (TSectionListObjects* objects = Objects()) objects->InvalidatePaintPanel();
}

void TFontObj::KeyOnLink(int& key, platform::ShiftState shift) {
  if (TSectionListObjects* objects = Objects()) objects->LinkKeyDown(*this, key, shift);
}

// ----------------------------------------------------------------- TFontList

TFontObj* TFontList::Add(std::unique_ptr<TFontObj> run) {
  if (count_ == capacity_) {
    const uint32_t capacity = capacity_ * 2;
    auto* items = new TRunHandle[capacity];
    std::copy(Items(), Items() + count_, items);
    if (capacity_ > 1) delete[] many_;
    many_ = items;
    capacity_ = capacity;
  }
  TRunHandle& added = Items()[count_];
  added.run_ = run.release();
  ++count_;
  return added.run_;
}

void TFontList::Delete(int i) {
  TRunHandle* items = Items();
  TFontObj* gone = items[i].run_;
  std::copy(items + i + 1, items + count_, items + i);
  --count_;
  delete gone;
}

void TFontList::Clear() {
  TRunHandle* items = Items();
  for (uint32_t i = 0; i < count_; ++i) delete items[i].run_;
  if (capacity_ > 1) delete[] many_;
  one_ = TRunHandle{};
  count_ = 0;
  capacity_ = 1;
}

void TFontList::CopyFrom(TSectionBase* section, const TFontList& other) {
  Clear();
  for (const auto& run : other) Add(std::make_unique<TFontObj>(section, *run));
}

int TFontList::FirstAfter(int pos) const {
  // Runs stand in text order: a binary search keeps a long section (a whole
  // listing in one PRE) from costing the square of its runs.
  const auto it = std::upper_bound(begin(), end(), pos,
                                   [](int p, const TRunHandle& run) { return p < run->Pos; });
  return static_cast<int>(it - begin());
}

TFontObj* TFontList::GetFontObjAt(int pos, int& index) const {
  index = -1;
  if (Count() == 0) return nullptr;
  index = std::max(0, FirstAfter(pos) - 1);
  return (*this)[index];
}

TFontObj* TFontList::GetFontObjAt(int pos) const {
  int index;
  return GetFontObjAt(pos, index);
}

const TMyFont* TFontList::GetFontAt(int pos, int& overhang) const {
  overhang = 0;
  TFontObj* run = GetFontObjAt(pos);
  if (!run) return nullptr;
  overhang = run->Overhang();
  return &*run->TheFont;
}

int TFontList::GetFontCountAt(int pos, int length) const {
  const int next = FirstAfter(pos);
  return next < Count() ? (*this)[next]->Pos - pos : length - pos;
}

void ForgetLinkRun(std::vector<TFontObj*>& links, const TFontObj* run) {
  if (!run || !run->UrlTarget || !run->IsLink()) return;
  const auto it = std::find(links.rbegin(), links.rend(), run);
  if (it != links.rend()) links.erase(std::next(it).base());
}

void TFontList::Decrement(int n, TSectionListBase* root) {
  TSectionListObjects* objects = ObjectsOf(root);
  std::vector<TFontObj*>* links = objects ? objects->LinkList() : nullptr;
  int i = 0;
  while (i < Count()) {
    TFontObj* run = (*this)[i];
    if (run->Pos > n) --run->Pos;
    if (i > 0 && (*this)[i - 1]->Pos == run->Pos) {
      // The run before now covers no character.
      TFontObj* empty = (*this)[i - 1];
      if (links) ForgetLinkRun(*links, empty);
      if (ThtTabcontrol* control = empty->TabControl()) {
        if (run->LinkID() == empty->LinkID() && !run->TabControl()) {
          run->Link().tab = control;
          control->Run = run;
          empty->link_->tab.clear();
        } else if (objects) {
          objects->RemoveTabOrder(control);
        }
      }
      Delete(i - 1);
    } else {
      ++i;
    }
  }
}

}  // namespace htmlview
