#pragma once
// Work that might run away (a loop that never ends, memory that grows until
// the machine gives out) run in a forked child under bounds: its processor
// time by RLIMIT_CPU, its memory by RLIMIT_AS where the build allows it (the
// address sanitizer reserves terabytes of address space up front) and by the
// parent, which watches the child's resident memory and ends it past the
// bound. A child stuck without using the processor (threads of the toolkit
// do not survive a fork, and work waiting on one waits for ever) is ended
// after ten times its processor time has passed. The parent only reports
// how the child ended; no time is asserted.
#include <functional>
#include <string>

namespace testsupport {

struct ChildBounds {
  int cpuSeconds = 60;
  // The child's resident memory (what it shares with this process at the
  // fork included); its address space may grow by as much.
  long long memoryBytes = 2LL << 30;
};

struct ChildEnd {
  bool exited = false;      // the child ended by itself, with exitCode
  int exitCode = -1;
  int signal = 0;           // the signal that ended it (SIGXCPU: out of time)
  bool overMemory = false;  // the parent ended it: its memory passed the bound
  bool stuck = false;       // the parent ended it: it waited past ten times its time
  long long peakBytes = 0;  // the child's resident high-water mark as last seen

  bool Normal() const { return exited && exitCode == 0; }
  std::string Describe() const;
};

// Exit codes of a child whose work did not return.
constexpr int kChildThrew = 3;
constexpr int kChildOutOfMemory = 5;   // an allocation failed at the address-space bound

// Runs work in a child process of this one under bounds; work's result is
// the child's exit code (0 for success).
ChildEnd RunBounded(const std::function<int()>& work, const ChildBounds& bounds = {});

}  // namespace testsupport
