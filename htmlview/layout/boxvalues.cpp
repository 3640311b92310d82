#include "htmlview/layout/boxvalues.h"

namespace htmlview {

bool LengthGiven(const PropValue& v) {
  return !v.IsEmptyOrNull() && !(v.IsInt() && v.Int() == UnsetLength);
}

TSharedBoxValues& TSharedBoxValues::Unshared() {
  // Keeps nothing, so it holds no state a block could see another's in.
  static TSharedBoxValues none{NoSharing{}};
  return none;
}

namespace {

// What a block holds before its values are given or resolved: constants,
// pointed at without an owner, that no block ever writes (a block writes a
// copy of its own, see TResolvedBox::Own).
template <class T>
std::shared_ptr<const T> NoValues() {
  static const T none{};
  return std::shared_ptr<const T>(std::shared_ptr<const T>(), &none);
}

}  // namespace

// ------------------------------------------------------------- TResolvedBox

TResolvedBox::TResolvedBox() : values_(NoValues<TMarginArray>()) {}

TMarginArray& TResolvedBox::Own() {
  // Never one the recent values include, not even held by this block
  // alone: the blocks inside, laid out while this one is, could find it
  // there half written and share it.
  if (!own_) {
    values_ = std::make_shared<TMarginArray>(*values_);
    own_ = true;
  }
  // Made here as a value of this block's alone, not const.
  return const_cast<TMarginArray&>(*values_);
}

void TResolvedBox::Share(TRecentValues<const TMarginArray>& shared) {
  if (!own_) return;
  own_ = false;
  if (std::shared_ptr<const TMarginArray> kept = shared.Find(*values_))
    values_ = std::move(kept);
  else
    shared.Keep(values_);
}

// ---------------------------------------------------------- TBlockBoxValues

TBlockBoxValues::TBlockBoxValues() : values_(NoValues<TVMarginArray>()) {}

void TBlockBoxValues::Assign(const TVMarginArray& values,
                             TRecentValues<const TVMarginArray>& shared) {
  values_ = shared.Shared(values);
}

void TBlockBoxValues::Set(int i, PropValue value, TRecentValues<const TVMarginArray>& shared) {
  if ((*values_)[i] == value) return;
  TVMarginArray changed = *values_;
  changed[i] = std::move(value);
  values_ = shared.Shared(changed);
}

}  // namespace htmlview
