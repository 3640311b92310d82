#include "htmlview/layout/boxvalues.h"

namespace htmlview {

bool LengthGiven(const PropValue& v) {
  return !v.IsEmptyOrNull() && !(v.IsInt() && v.Int() == UnsetLength);
}

// ------------------------------------------------------------- TResolvedBox

TResolvedBox::TResolvedBox() : values_(recent::Shared<TMarginArray>(TMarginArray{})) {}

TMarginArray& TResolvedBox::Own() {
  // Never one the recent copies include, not even held by this block
  // alone: the blocks inside, laid out while this one is, could find it
  // there half written and share it.
  if (!own_) {
    values_ = std::make_shared<TMarginArray>(*values_);
    own_ = true;
  }
  return *values_;
}

void TResolvedBox::Share() {
  if (!own_) return;
  own_ = false;
  if (std::shared_ptr<TMarginArray> kept = recent::Find<TMarginArray>(*values_))
    values_ = std::move(kept);
  else
    recent::Keep(values_);
}

TBlockBoxValues::TBlockBoxValues() : values_(recent::Shared<const TVMarginArray>(TVMarginArray{})) {}

TBlockBoxValues& TBlockBoxValues::operator=(const TVMarginArray& values) {
  values_ = recent::Shared<const TVMarginArray>(values);
  return *this;
}

void TBlockBoxValues::Set(int i, PropValue value) {
  if ((*values_)[i] == value) return;
  TVMarginArray changed = *values_;
  changed[i] = std::move(value);
  values_ = recent::Shared<const TVMarginArray>(changed);
}

}  // namespace htmlview
