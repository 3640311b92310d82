#pragma once
// An immutable value that copies share. A page of a great many elements
// keeps a pointer per holder where a copy would take the whole value
// (property texts, the measured fonts of runs). The count is not atomic:
// documents live on the user-interface thread only.
#include <utility>

namespace htmlview {

template <typename T>
class TSharedValue {
 public:
  explicit TSharedValue(T value) : rep_(new Rep{1, std::move(value)}) {}
  TSharedValue(const TSharedValue& other) noexcept : rep_(other.rep_) { ++rep_->refs; }
  TSharedValue& operator=(const TSharedValue& other) noexcept {
    TSharedValue copy(other);
    std::swap(rep_, copy.rep_);
    return *this;
  }
  ~TSharedValue() {
    if (--rep_->refs == 0) delete rep_;
  }

  const T& operator*() const { return rep_->value; }
  const T* operator->() const { return &rep_->value; }
  // The same shared value (not merely an equal one).
  bool SameAs(const TSharedValue& other) const { return rep_ == other.rep_; }

 private:
  struct Rep {
    int refs;
    T value;
  };
  Rep* rep_;
};

}  // namespace htmlview
