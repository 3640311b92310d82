// The main of a fuzz target in the normal build: every input of the folders
// (or files) named on the command line goes through LLVMFuzzerTestOneInput
// once, in name order, as libFuzzer would run it, so that the tests build
// each target and replay its seed corpus and the inputs that once found a
// fault. A crash, a trap or a sanitizer report ends the run after the line
// that names the input.
//
// The run has a private home and temporary folder (removed at exit), so an
// input reaches neither the user's settings nor leftovers of other runs.
// Runaways are bounded as the fuzzer bounds them: an input that keeps the
// processor busy far beyond what any input needs ends the run (-timeout=N
// sets how many processor seconds are too many), and so does one whose
// allocations run away: through the address space, or, under
// AddressSanitizer, which needs the address space for itself, through its
// resident-memory limit. libFuzzer's other options are accepted and ignored,
// so one command line serves both builds.
#include <signal.h>
#include <sys/resource.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "testsupport/testenv.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
// Optional in a target, as it is for libFuzzer.
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

namespace {

namespace fs = std::filesystem;

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif
#else
constexpr bool kAddressSanitizer = false;
#endif

// Twice the fuzzer's 2 GiB memory limit: the mapped libraries and thread
// stacks count against an address-space limit and not against a resident one.
constexpr rlim_t kAddressSpaceLimit = rlim_t(4) << 30;

// Processor seconds one input may take unless -timeout says otherwise: the
// inputs take milliseconds, under the sanitizers too; an input still running
// after this is a runaway.
int inputCpuSeconds = 25;

// The message the watchdog writes, made before each input: a signal handler
// may only write what is ready.
char runawayMessage[4096];

void OnRunaway(int) {
  const ssize_t written = write(STDERR_FILENO, runawayMessage, std::strlen(runawayMessage));
  (void)written;
  _exit(70);
}

void ArmWatchdog(const fs::path& input) {
  std::snprintf(runawayMessage, sizeof runawayMessage,
                "replay: %s still ran after %d seconds of processor time: a runaway\n", input.c_str(),
                inputCpuSeconds);
  itimerval timer{};
  timer.it_value.tv_sec = inputCpuSeconds;
  setitimer(ITIMER_PROF, &timer, nullptr);
}

void DisarmWatchdog() {
  const itimerval off{};
  setitimer(ITIMER_PROF, &off, nullptr);
}

// Regular files of a folder in name order; names that start with a dot (the
// placeholders that keep an empty folder in version control) are no inputs.
bool ListInputs(const std::string& argument, std::vector<fs::path>& inputs) {
  std::error_code error;
  const fs::path path(argument);
  if (fs::is_regular_file(path, error)) {
    inputs.push_back(path);
    return true;
  }
  if (!fs::is_directory(path, error)) {
    std::fprintf(stderr, "replay: %s is neither a folder nor a file\n", argument.c_str());
    return false;
  }
  std::vector<fs::path> found;
  for (const fs::directory_entry& entry : fs::directory_iterator(path, error)) {
    if (!entry.is_regular_file(error)) continue;
    if (entry.path().filename().string().front() == '.') continue;
    found.push_back(entry.path());
  }
  if (error) {
    std::fprintf(stderr, "replay: cannot list %s: %s\n", argument.c_str(), error.message().c_str());
    return false;
  }
  std::sort(found.begin(), found.end());
  inputs.insert(inputs.end(), found.begin(), found.end());
  return true;
}

// A libFuzzer option: -timeout=N is kept, the others mean nothing here.
bool ReadOption(const std::string& option) {
  const std::string timeout = "-timeout=";
  if (option.compare(0, timeout.size(), timeout) != 0) {
    std::fprintf(stderr, "replay: %s ignored\n", option.c_str());
    return true;
  }
  char* end = nullptr;
  const long seconds = std::strtol(option.c_str() + timeout.size(), &end, 10);
  if (end == option.c_str() + timeout.size() || *end != '\0' || seconds < 1 || seconds > 86400) {
    std::fprintf(stderr, "replay: %s is no number of seconds from 1 to 86400\n", option.c_str());
    return false;
  }
  inputCpuSeconds = static_cast<int>(seconds);
  return true;
}

bool ReadInput(const fs::path& path, std::vector<char>& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

}  // namespace

// The fuzzer's memory limit, for AddressSanitizer to keep (read only when it
// is linked in).
extern "C" const char* __asan_default_options() { return "hard_rss_limit_mb=2048"; }

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s [-timeout=seconds] <folder or file>...\n", argv[0]);
    return 2;
  }
  std::vector<fs::path> inputs;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (!(!argument.empty() && argument.front() == '-' ? ReadOption(argument) : ListInputs(argument, inputs))) return 2;
  }
  if (inputs.empty()) {
    std::fprintf(stderr, "replay: no inputs in the folders given\n");
    return 2;
  }

  if (!kAddressSanitizer) {
    const rlimit limit{kAddressSpaceLimit, kAddressSpaceLimit};
    setrlimit(RLIMIT_AS, &limit);
  }
  testsupport::UsePrivateHome();
  setenv("TMPDIR", testsupport::MakeTempDir("tmp").c_str(), 1);
  if (LLVMFuzzerInitialize != nullptr) LLVMFuzzerInitialize(&argc, &argv);
  signal(SIGPROF, OnRunaway);

  std::vector<char> bytes;
  for (const fs::path& path : inputs) {
    if (!ReadInput(path, bytes)) {
      std::fprintf(stderr, "replay: cannot read %s\n", path.c_str());
      return 2;
    }
    std::fprintf(stderr, "Running: %s (%zu bytes)\n", path.c_str(), bytes.size());
    // A buffer of exactly the input's size, as the fuzzer passes it, so that
    // a read past the end is one past the allocation.
    const std::unique_ptr<uint8_t[]> data(new uint8_t[bytes.size()]);
    std::copy(bytes.begin(), bytes.end(), data.get());
    ArmWatchdog(path);
    LLVMFuzzerTestOneInput(data.get(), bytes.size());
    DisarmWatchdog();
  }
  std::fprintf(stderr, "replay: %zu inputs, no fault\n", inputs.size());
  return 0;
}
