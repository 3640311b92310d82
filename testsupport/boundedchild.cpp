#include "testsupport/boundedchild.h"

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

namespace testsupport {

namespace {

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kAddressSpaceLimited = false;
#else
constexpr bool kAddressSpaceLimited = true;
#endif

// A line of a process's status file in bytes ("VmRSS", "VmHWM"); -1 when
// it cannot be read (the process has ended).
long long StatusBytes(pid_t pid, const char* key) {
  const std::string path = "/proc/" + std::to_string(pid) + "/status";
  FILE* f = std::fopen(path.c_str(), "r");
  if (!f) return -1;
  char line[256];
  long long kb = -1;
  const size_t n = std::strlen(key);
  while (std::fgets(line, sizeof line, f))
    if (std::strncmp(line, key, n) == 0 && line[n] == ':') kb = std::atoll(line + n + 1);
  std::fclose(f);
  return kb < 0 ? -1 : kb * 1024;
}

}  // namespace

std::string ChildEnd::Describe() const {
  if (stuck) return "ended as stuck: it waited past ten times its processor time";
  if (overMemory) return "ended by the memory bound at " + std::to_string(peakBytes >> 20) + " MB";
  if (exited && exitCode == kChildOutOfMemory) return "ran out of memory within the bound";
  if (exited && exitCode == kChildThrew) return "an exception escaped the work";
  if (exited) return "exited with code " + std::to_string(exitCode);
  if (signal == SIGXCPU || signal == SIGKILL) return "ended by the time bound (signal " + std::to_string(signal) + ")";
  return "ended by signal " + std::to_string(signal) + " (" + strsignal(signal) + ")";
}

ChildEnd RunBounded(const std::function<int()>& work, const ChildBounds& bounds) {
  ChildEnd end;
  int fds[2];
  if (pipe(fds) != 0) return end;
  std::fflush(nullptr);   // nothing buffered is written twice
  const pid_t pid = fork();
  if (pid < 0) {
    close(fds[0]);
    close(fds[1]);
    return end;
  }
  if (pid == 0) {
    close(fds[0]);
    const rlimit cpu{static_cast<rlim_t>(bounds.cpuSeconds), static_cast<rlim_t>(bounds.cpuSeconds) + 5};
    setrlimit(RLIMIT_CPU, &cpu);
    if (kAddressSpaceLimited) {
      // Above what the process already holds: the bound is on the work.
      const long long base = StatusBytes(getpid(), "VmSize");
      const rlim_t as = static_cast<rlim_t>(std::max(0LL, base) + bounds.memoryBytes);
      const rlimit space{as, as};
      setrlimit(RLIMIT_AS, &space);
    }
    int code = kChildThrew;
    try {
      code = work();
    } catch (const std::bad_alloc&) {
      code = kChildOutOfMemory;
    } catch (...) {
      code = kChildThrew;
    }
    const long long peak = StatusBytes(getpid(), "VmHWM");
    if (write(fds[1], &peak, sizeof peak) != sizeof peak) code = 4;
    _exit(code);
  }
  close(fds[1]);
  const auto stuckAt = std::chrono::steady_clock::now() + std::chrono::seconds(10LL * bounds.cpuSeconds);
  int status = 0;
  for (;;) {
    const pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) break;
    if (done < 0) {
      close(fds[0]);
      return end;
    }
    const long long rss = StatusBytes(pid, "VmRSS");
    end.peakBytes = std::max(end.peakBytes, rss);
    end.stuck = std::chrono::steady_clock::now() > stuckAt;
    if (rss > bounds.memoryBytes || end.stuck) {
      end.overMemory = !end.stuck;
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      close(fds[0]);
      return end;
    }
    usleep(5000);
  }
  long long peak = 0;
  if (read(fds[0], &peak, sizeof peak) == sizeof peak) end.peakBytes = std::max(end.peakBytes, peak);
  close(fds[0]);
  if (WIFEXITED(status)) {
    end.exited = true;
    end.exitCode = WEXITSTATUS(status);
  } else if (WIFSIGNALED(status)) {
    end.signal = WTERMSIG(status);
  }
  return end;
}

}  // namespace testsupport
