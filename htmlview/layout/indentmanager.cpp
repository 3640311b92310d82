#include "htmlview/layout/indentmanager.h"

#include <algorithm>

#include "platform/geometry.h"

namespace htmlview {

void IndentManagerBasic::Reset(int leftEdge, int width) {
  LfEdge = leftEdge;
  Width = width;
  CurrentID = kNoIndentOwner;
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

}  // namespace htmlview
