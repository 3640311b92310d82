#include "htmlview/layout/indentmanager.h"

#include <algorithm>
#include <iterator>

#include "platform/geometry.h"

namespace htmlview {

void IndentManagerBasic::Reset(int leftEdge, int width) {
  LfEdge = leftEdge;
  Width = width;
}

void IndentManagerBasic::Clear() {
  L.clear();
  R.clear();
}

int IndentManagerBasic::AddLeft(int x, int startY) {
  L.push_back({x, startY, kIndentOpenEnd, CurrentID});
  return static_cast<int>(L.size()) - 1;
}

int IndentManagerBasic::AddRight(int x, int startY) {
  R.push_back({x, startY, kIndentOpenEnd, CurrentID});
  return static_cast<int>(R.size()) - 1;
}

void IndentManagerBasic::FreeLeftIndentRec(int index) {
  if (index >= 0 && index < static_cast<int>(L.size())) L.erase(L.begin() + index);
}

void IndentManagerBasic::FreeRightIndentRec(int index) {
  if (index >= 0 && index < static_cast<int>(R.size())) R.erase(R.begin() + index);
}

bool IndentManagerBasic::Applies(const IndentRec& r, int y) const {
  return r.StartY <= y && y < r.EndY && (r.ID == kNoIndentOwner || r.ID == CurrentID);
}

int IndentManagerBasic::LeftIndent(int y) const {
  int x = 0;
  for (const IndentRec& r : L)
    if (Applies(r, y)) x = std::max(x, r.X);
  return LfEdge + x;
}

int IndentManagerBasic::RightSide(int y) const {
  bool found = false;
  int x = 0;
  for (const IndentRec& r : R)
    if (Applies(r, y)) {
      x = found ? std::min(x, r.X) : r.X;
      found = true;
    }
  return found ? LfEdge + x : Width;
}

int IndentManagerBasic::ImageBottom() const {
  int bottom = 0;
  for (const auto* list : {&L, &R})
    for (const IndentRec& r : *list)
      if (r.ID == kNoIndentOwner) bottom = std::max(bottom, r.EndY);
  // A record never closed reaches past every position layout reaches.
  return platform::LayoutSum(bottom);
}

void IndentManagerBasic::GetClearY(int& left, int& right) const {
  auto lowest = [](const std::vector<IndentRec>& list) {
    int y = -1;
    for (const IndentRec& r : list)
      if (r.ID == kNoIndentOwner) y = std::max(y, r.EndY);
    return platform::LayoutAdd(y, 1);
  };
  left = lowest(L);
  right = lowest(R);
}

int IndentManagerBasic::GetNextWiderY(int y) const {
  int next = kIndentOpenEnd;
  bool found = false;
  for (const auto* list : {&L, &R})
    for (const IndentRec& r : *list)
      if (r.ID == kNoIndentOwner && r.EndY > y && (!found || r.EndY < next)) {
        next = r.EndY;
        found = true;
      }
  return found ? next : y;
}

namespace {

// Removes the open edge record owner pushed at (x, y); its content may have
// added and removed records of its own meanwhile, so it is found, not indexed.
void PopEdge(std::vector<IndentRec>& list, int owner, int x, int y) {
  for (auto it = list.rbegin(); it != list.rend(); ++it)
    if (it->ID == owner && it->X == x && it->StartY == y && it->EndY == kIndentOpenEnd) {
      list.erase(std::next(it).base());
      return;
    }
}

}  // namespace

IndentOwnerScope::IndentOwnerScope(IndentManagerBasic& mgr, int owner)
    : mgr_(mgr), owner_(owner), previous_(mgr.CurrentID) {
  mgr_.CurrentID = owner_;
}

void IndentOwnerScope::OpenEdges(int left, int right, int y) {
  // Noted first: an edge that could not be added is simply not found.
  edgesOpen_ = true;
  left_ = left;
  right_ = right;
  top_ = y;
  mgr_.AddLeft(left, y);
  mgr_.AddRight(right, y);
}

void IndentOwnerScope::End() {
  if (ended_) return;
  ended_ = true;
  if (edgesOpen_) {
    PopEdge(mgr_.L, owner_, left_, top_);
    PopEdge(mgr_.R, owner_, right_, top_);
  }
  mgr_.CurrentID = previous_;
}

}  // namespace htmlview
