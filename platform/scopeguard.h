#pragma once
// One way to put state back when a scope ends, however it ends: the
// action runs on return, on an early return and when an exception passes.
// It runs through guarded() because a destructor must not throw; a fault
// while restoring is reported rather than ending the program.
#include <utility>

#include "platform/guard.h"

namespace platform {

template <class F>
class ScopeGuard {
 public:
  explicit ScopeGuard(F action) : action_(std::move(action)) {}
  ~ScopeGuard() {
    guarded(action_);
  }
  ScopeGuard(const ScopeGuard&) = delete;
  ScopeGuard& operator=(const ScopeGuard&) = delete;

 private:
  F action_;
};

}  // namespace platform
