// A fuzz target for the replay's own tests: the text of an input says what
// it does, and what it saw is written to stderr as "probe: ..." lines.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>
#include <string_view>
#include <vector>

namespace {

volatile unsigned long spinCount = 0;

// Allocations of 64 MiB, one byte of each touched, until refused or 16 GiB:
// how far it got shows whether the replay bounds the address space.
void Grow() {
  constexpr size_t kBlock = size_t(64) << 20;
  std::vector<std::unique_ptr<char[]>> blocks;
  size_t mebibytes = 0;
  try {
    while (mebibytes < 16384) {
      blocks.emplace_back(new char[kBlock]);
      blocks.back()[0] = 1;
      mebibytes += 64;
    }
  } catch (const std::bad_alloc&) {
  }
  std::fprintf(stderr, "probe: grew to %zu MiB\n", mebibytes);
}

const char* Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  std::fprintf(stderr, "probe: initialized, TMPDIR=%s HOME=%s\n", Env("TMPDIR"), Env("HOME"));
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  if (text == "trap") __builtin_trap();
  if (text == "spin")
    for (unsigned long n = 0;; ++n) spinCount = n;
  if (text == "grow") Grow();
  std::fprintf(stderr, "probe: %.*s\n", static_cast<int>(text.size()), text.data());
  return 0;
}
