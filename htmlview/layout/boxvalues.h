#pragma once
// The box values of blocks, as the style gave them and resolved to pixels,
// and the sharing that lets a page of a great many blocks keep one copy of
// the values that blocks made from the same style hold alike.
#include <algorithm>
#include <array>
#include <memory>
#include <type_traits>

#include "htmlview/style/styleprops.h"

namespace htmlview {

// A length or colour the style set for the element (not left unset).
bool LengthGiven(const PropValue& v);

namespace recent {

// The values of the last few blocks: a block of the same style shares
// them. A block changes some values after it is made (the collapsed top
// margin, the bottom margin its container decides), so the values of the
// same kind of block pass through several states, each kept here. List
// items share their fonts, and blocks their resolved box values, the same
// way.
constexpr int kRecentShared = 8;

template <class T>
std::array<std::weak_ptr<T>, kRecentShared>& Recent() {
  static std::array<std::weak_ptr<T>, kRecentShared> recent;
  return recent;
}

// A kept copy equal to value, or null.
template <class T>
std::shared_ptr<T> Find(const std::remove_const_t<T>& value) {
  for (auto& slot : Recent<T>())
    if (std::shared_ptr<T> kept = slot.lock(); kept && *kept == value) return kept;
  return nullptr;
}

template <class T>
void Keep(const std::shared_ptr<T>& made) {
  // Values no block holds any more make room first, so that the values
  // blocks still hold stay found while a block passes through its states.
  auto& recent = Recent<T>();
  auto slot = std::find_if(recent.begin(), recent.end(), [](const auto& s) { return s.expired(); });
  if (slot == recent.end()) {
    std::rotate(recent.rbegin(), recent.rbegin() + 1, recent.rend());
    slot = recent.begin();
  }
  *slot = made;
}

// One shared copy of a value equal to the given one.
template <class T>
std::shared_ptr<T> Shared(const std::remove_const_t<T>& value) {
  if (std::shared_ptr<T> kept = Find<T>(value)) return kept;
  std::shared_ptr<T> made = std::make_shared<T>(value);
  Keep(made);
  return made;
}

}  // namespace recent

// The box values of a block as the style gave them. A page may hold a great
// many blocks, and blocks made one after the other from the same style (the
// items of a list, the lists nested in them) share one copy, also after the
// changes the parser makes to each of them alike (collapsed margins); a
// block whose values differ from its neighbours' gets its own.
class TBlockBoxValues {
 public:
  TBlockBoxValues();
  TBlockBoxValues& operator=(const TVMarginArray& values);
  const PropValue& operator[](int i) const { return (*values_)[i]; }
  operator const TVMarginArray&() const { return *values_; }
  void Set(int i, PropValue value);

 private:
  std::shared_ptr<const TVMarginArray> values_;
};

// The box values of a block resolved to pixels, colours and codes at each
// layout. Blocks of one style laid out at one width resolve alike: after a
// layout a block shares an equal copy with the blocks laid out before it.
// Layout writes through Own(), which gives the block a copy of its own
// that no other block can find until Share().
class TResolvedBox {
 public:
  TResolvedBox();
  int operator[](int i) const { return (*values_)[i]; }
  operator const TMarginArray&() const { return *values_; }
  TMarginArray& Own();
  // Done with writing: an equal copy other blocks hold replaces the own.
  void Share();

 private:
  std::shared_ptr<TMarginArray> values_;
  bool own_ = false;
};

}  // namespace htmlview
