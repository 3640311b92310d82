#pragma once
// File permissions as an ordinary user meets them, also when the tests run as
// root: root passes every permission check, so a read-only folder would prove
// nothing. For the scope of a PermissionsBind the calling thread drops the
// file-permission overrides from its effective capabilities (they stay
// permitted and come back at the end of the scope).
#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstring>
#include <string>

namespace testsupport {

class PermissionsBind {
 public:
  PermissionsBind() {
    header_.version = _LINUX_CAPABILITY_VERSION_3;
    header_.pid = 0;
    if (syscall(SYS_capget, &header_, saved_) != 0) return;
    __user_cap_data_struct reduced[2];
    std::memcpy(reduced, saved_, sizeof reduced);
    for (int cap : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER})
      reduced[cap / 32].effective &= ~(1u << (cap % 32));
    dropped_ = syscall(SYS_capset, &header_, reduced) == 0;
  }
  ~PermissionsBind() {
    if (dropped_) syscall(SYS_capset, &header_, saved_);
  }
  PermissionsBind(const PermissionsBind&) = delete;
  PermissionsBind& operator=(const PermissionsBind&) = delete;
  // True when permission checks bind on this thread.
  bool Binding() const { return dropped_ || geteuid() != 0; }

 private:
  __user_cap_header_struct header_{};
  __user_cap_data_struct saved_[2]{};
  bool dropped_ = false;
};

// Gives a path its mode back at the end of the scope, also after a failed assertion.
struct ModeFor {
  std::string path;
  mode_t mode;
  ~ModeFor() { chmod(path.c_str(), mode); }
};

}  // namespace testsupport
