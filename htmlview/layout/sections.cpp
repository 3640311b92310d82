#include "htmlview/layout/sections.h"

#include <algorithm>
#include <limits>

#include "htmlview/layout/cells.h"
#include "htmlview/layout/layoutdump.h"
#include "htmlview/style/styleprops.h"

namespace htmlview {

int NewIndentOwnerID() {
  static int last = kNoIndentOwner;
  ++last;
  if (last == kNoIndentOwner) ++last;   // after a wrap-around, never the "no owner" value
  return last;
}

// ------------------------------------------------------------ IndentManager

int IndentManager::Update(int y, TFloatSide side, int width, int height, int hSpaceLeft,
                          int hSpaceRight, int vSpaceTop, int vSpaceBottom) {
  // Summed as layout sums positions: a float's bottom past the farthest
  // position would stay below a line that can no longer move down to it.
  const int fullWidth = LayoutSum(static_cast<long long>(width) + hSpaceLeft + hSpaceRight);
  const int endY = LayoutSum(static_cast<long long>(y) + height + vSpaceTop + vSpaceBottom);
  if (side == TFloatSide::Left) {
    const int left = LeftIndent(y) - LfEdge;
    L.push_back({LayoutAdd(left, fullWidth), y, endY, kNoIndentOwner});
    return LayoutAdd(left, hSpaceLeft);
  }
  if (side == TFloatSide::Right) {
    const int x = LayoutSum(static_cast<long long>(RightSide(y)) - fullWidth);
    R.push_back({x, y, endY, kNoIndentOwner});
    return LayoutAdd(x, hSpaceLeft);
  }
  return 0;
}

void IndentManager::UpdateBlock(int y, int x, TFloatSide side, int height) {
  const int endY = LayoutAdd(y, height);
  if (side == TFloatSide::Left)
    L.push_back({LayoutSum(static_cast<long long>(x) - LfEdge), y, endY, kNoIndentOwner});
  else if (side == TFloatSide::Right)
    R.push_back({LayoutSum(static_cast<long long>(RightSide(y)) - x), y, endY, kNoIndentOwner});
}

// ---------------------------------------------------------------- TDrawList

void TDrawList::AddImage(TImageObj* image, platform::Canvas* canvas, int x, int topY,
                         int baseline, TFontObj* fontRun) {
  const platform::Point origin = canvas ? canvas->WindowOrg() : platform::Point{};
  Add(std::make_unique<TImageRec>(TImageRec{image, canvas, x, topY, baseline, fontRun, origin}));
}

void TDrawList::DrawImages(const std::function<void(const TImageRec&)>& draw) const {
  if (!draw) return;
  for (int i = 0; i < Count(); ++i) {
    const TImageRec& r = *(*this)[i];
    if (!r.Canvas) {
      draw(r);
      continue;
    }
    const platform::Point now = r.Canvas->WindowOrg();
    r.Canvas->SetWindowOrg(r.Origin.x, r.Origin.y);
    try {
      draw(r);
    } catch (...) {
      r.Canvas->SetWindowOrg(now.x, now.y);
      throw;
    }
    r.Canvas->SetWindowOrg(now.x, now.y);
  }
}

// ------------------------------------------------------------- TSectionBase

TSectionBase::TSectionBase(TSectionListBase* root) : Root(root) {}

int TSectionBase::YPosition() const { return SectionTop; }

void TSectionBase::CopyText(SelTextCount&) {}

int TSectionBase::Layout(platform::Canvas&, int, int y, int, int, int, int, int, IndentManager&,
                         int& maxWidth, int& curs) {
  StartCurs = curs;
  DrawHeight = SectionHeight;
  maxWidth = 0;
  SectionTop = y;
  ContentTop = y;
  DrawTop = y;
  SectionBottom = y + SectionHeight;
  ContentBot = y + DrawHeight;
  return SectionHeight;
}

int TSectionBase::Draw(platform::Canvas&, TDrawContext&, const platform::Rect&, IndentManager&, int,
                       int, int) {
  return DrawTop + SectionHeight;
}

unsigned TSectionBase::HitLink(platform::Canvas&, int, int, std::unique_ptr<TUrlTarget>&,
                               TFormControlObj*&, std::string&) {
  return 0;
}

bool TSectionBase::HitObject(int, int, TFloatingObj*&, int&, int&) { return false; }

int TSectionBase::CursorAt(platform::Canvas&, int, int, int&, int&, int&, bool&) { return -1; }

int TSectionBase::FindForward(int, const std::u16string&, bool) { return -1; }

int TSectionBase::FindBackward(int, const std::u16string&, bool) { return -1; }

int TSectionBase::SourcePosOf(int) { return -1; }

int TSectionBase::DocPosOf(int, bool) { return -1; }

bool TSectionBase::CursorToXY(platform::Canvas*, int, int&, int&) { return false; }

bool TSectionBase::CharAt(int, char16_t&, TSectionBase*&) { return false; }

void TSectionBase::WidthRange(platform::Canvas&, int& minWidth, int& maxWidth) {
  minWidth = 0;
  maxWidth = 0;
}

void TSectionBase::AddToPositionList() {
  if (Root) Root->PositionList.push_back(this);
}

void TSectionBase::Dump(LayoutDumpWriter& writer) const {
  writer.Line("sectionbase y=" + std::to_string(SectionTop) + " h=" + std::to_string(SectionHeight) +
              " doc " + LayoutDumpWriter::Range(StartCurs, StartCurs + Len));
}

bool TSectionBase::CloseForCell(int) { return true; }

bool TSectionBase::IsAbsolutePositioned() const { return false; }

bool TSectionBase::HidesOverflow() const { return false; }

bool TSectionBase::DropDefaultBottomMargin() { return false; }

void TSectionBase::DrawnBand(int& top, int& bottom) {
  if (SectionTop == kNotLaidOut) {   // nothing known: never skipped
    top = std::numeric_limits<int>::min();
    bottom = std::numeric_limits<int>::max();
    return;
  }
  top = std::min(ContentTop, DrawTop);
  bottom = std::max(ContentBot, LayoutAdd(DrawTop, std::max(SectionHeight, DrawHeight)));
}

// ---------------------------------------------------------------- DrawReach

void DrawReach::Build(int count, const std::function<void(int, int&, int&)>& bandOf) {
  constexpr int kShortList = 8;
  top_ = std::numeric_limits<int>::max();
  bottom_ = std::numeric_limits<int>::min();
  if (count > kShortList) {
    if (!index_) index_ = std::make_unique<Index>();
    index_->reachDown.resize(count);
    index_->reachUp.resize(count);
  } else {
    index_.reset();
  }
  for (int i = 0; i < count; ++i) {
    int t = 0, b = 0;
    bandOf(i, t, b);
    top_ = std::min(top_, t);
    bottom_ = std::max(bottom_, b);
    if (index_) {
      index_->reachDown[i] = bottom_;
      index_->reachUp[i] = t;
    }
  }
  if (index_) {
    std::vector<int>& up = index_->reachUp;
    for (int i = count - 2; i >= 0; --i) up[i] = std::min(up[i], up[i + 1]);
  }
  built_ = true;
}

std::pair<int, int> DrawReach::Span(int count, int top, int bottom) const {
  if (!index_ || index_->reachDown.size() != static_cast<size_t>(count)) return {0, count};
  const std::vector<int>& down = index_->reachDown;
  const std::vector<int>& up = index_->reachUp;
  const int first = static_cast<int>(std::lower_bound(down.begin(), down.end(), top) - down.begin());
  const int last = static_cast<int>(std::upper_bound(up.begin(), up.end(), bottom) - up.begin());
  return {first, std::max(first, last)};
}

bool TSectionBase::MeetsClip(const platform::Rect& aRect) const {
  const int yOff = Root ? Root->YOff : 0;
  const int top = DrawTop - yOff;
  const int bottom = top + std::max(SectionHeight, DrawHeight);
  return top < aRect.bottom && bottom > aRect.top;
}

}  // namespace htmlview
