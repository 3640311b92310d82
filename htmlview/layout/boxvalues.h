#pragma once
// The box values of blocks, as the style gave them and resolved to pixels,
// and the sharing that lets a page of a great many blocks keep one copy of
// the values that blocks made from the same style hold alike. What is
// shared, who owns it and what it may cost: htmlview/README.md, "Memory".
#include <algorithm>
#include <array>
#include <memory>
#include <type_traits>

#include "htmlview/style/styleprops.h"

namespace htmlview {

// A length or colour the style set for the element (not left unset).
bool LengthGiven(const PropValue& v);

// The values the last few blocks of one document made: a block of the same
// style shares them. A block changes some values after it is made (the
// collapsed top margin, the bottom margin its container decides), so the
// values of the same kind of block pass through several states, each kept
// here. Only values are kept that nobody writes any more (T is const); the
// blocks own them, this list merely finds them, so it keeps nothing alive.
template <class T>
class TRecentValues {
  static_assert(std::is_const_v<T>, "a value other blocks may find must never be written");

 public:
  using Value = std::remove_const_t<T>;
  static constexpr int kKept = 8;

  // keeps: false for a list that finds nothing and keeps nothing.
  explicit TRecentValues(bool keeps = true) : keeps_(keeps) {}
  TRecentValues(const TRecentValues&) = delete;
  TRecentValues& operator=(const TRecentValues&) = delete;

  // A kept value equal to value, or null.
  std::shared_ptr<T> Find(const Value& value) const {
    for (const auto& slot : recent_)
      if (std::shared_ptr<T> kept = slot.lock(); kept && *kept == value) return kept;
    return nullptr;
  }
  void Keep(const std::shared_ptr<T>& made) {
    if (!keeps_) return;
    // Values no block holds any more make room first, so that the values
    // blocks still hold stay found while a block passes through its states.
    auto slot = std::find_if(recent_.begin(), recent_.end(), [](const auto& s) { return s.expired(); });
    if (slot == recent_.end()) {
      std::rotate(recent_.rbegin(), recent_.rbegin() + 1, recent_.rend());
      slot = recent_.begin();
    }
    *slot = made;
  }
  // One shared copy of a value equal to the given one.
  std::shared_ptr<T> Shared(const Value& value) {
    if (std::shared_ptr<T> kept = Find(value)) return kept;
    std::shared_ptr<T> made = std::make_shared<T>(value);
    Keep(made);
    return made;
  }
  // How many kept values some holder still holds.
  int Held() const {
    return static_cast<int>(std::count_if(recent_.begin(), recent_.end(),
                                          [](const auto& s) { return !s.expired(); }));
  }
  // Forgets every value (and frees the room of those nobody holds).
  void Clear() { recent_ = {}; }

 private:
  std::array<std::weak_ptr<T>, kKept> recent_;
  bool keeps_;
};

// The values the blocks of one document share. The document root holds
// one (TSectionListBase::Memory), so two documents never find each other's.
class TSharedBoxValues {
 public:
  TSharedBoxValues() = default;

  TRecentValues<const TVMarginArray> Given;    // TBlockBoxValues
  TRecentValues<const TMarginArray> Resolved;  // TResolvedBox
  TRecentValues<const TMyFont> ListFonts;      // the markers of list items

  void Clear() {
    Given.Clear();
    Resolved.Clear();
    ListFonts.Clear();
  }
  // For a block that belongs to no document: shares nothing, keeps nothing.
  static TSharedBoxValues& Unshared();

 private:
  struct NoSharing {};
  explicit TSharedBoxValues(NoSharing) : Given(false), Resolved(false), ListFonts(false) {}
};

// The box values of a block as the style gave them. A page may hold a great
// many blocks, and blocks made one after the other from the same style (the
// items of a list, the lists nested in them) share one copy, also after the
// changes the parser makes to each of them alike (collapsed margins); a
// block whose values differ from its neighbours' gets its own. A block
// starts with no values set, shared with nothing.
class TBlockBoxValues {
 public:
  TBlockBoxValues();
  const PropValue& operator[](int i) const { return (*values_)[i]; }
  operator const TVMarginArray&() const { return *values_; }
  void Assign(const TVMarginArray& values, TRecentValues<const TVMarginArray>& shared);
  void Set(int i, PropValue value, TRecentValues<const TVMarginArray>& shared);

 private:
  std::shared_ptr<const TVMarginArray> values_;
};
static_assert(sizeof(TBlockBoxValues) <= 16,
              "every block holds one: one shared pointer, the values themselves shared");

// The box values of a block resolved to pixels, colours and codes at each
// layout. Blocks of one style laid out at one width resolve alike: after a
// layout a block shares an equal copy with the blocks laid out before it.
// Layout writes through Own(), which gives the block a copy of its own
// that no other block can find until Share(). A block starts with zeros,
// shared with nothing.
class TResolvedBox {
 public:
  TResolvedBox();
  int operator[](int i) const { return (*values_)[i]; }
  operator const TMarginArray&() const { return *values_; }
  TMarginArray& Own();
  // Done with writing: an equal copy other blocks hold replaces the own.
  void Share(TRecentValues<const TMarginArray>& shared);

 private:
  std::shared_ptr<const TMarginArray> values_;
  bool own_ = false;
};
static_assert(sizeof(TResolvedBox) <= 24,
              "every block holds one: one shared pointer and a flag, whose padding the "
              "block's next field takes ([[no_unique_address]])");

}  // namespace htmlview
