// What reading a source file through the INI class costs in copies: every
// heap allocation is counted, and a read of rows of numbers may make only the
// allocations its result needs (the text returned, the lines listed).
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>

#include "core/inifiles.h"
#include "platform/profile.h"
#include "platform/sysutils.h"
#include "testsupport/testenv.h"

namespace {

std::atomic<long> allocations{0};

}  // namespace

void* operator new(std::size_t size) {
  allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace {

using core::TIniFile;
using platform::TStringList;

// One model of a source file: 36 rows of ten numbers, 60 to 100 bytes each.
class IniCopies : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string text = "[Header]\r\nFileType=Dravlen Data File\r\n\r\n[NLR-012]\r\n";
    for (const char* key : {"Valid", "Qe", "Pw"})
      for (int i = 1; i <= 12; ++i) {
        std::string row;
        for (int k = 0; k < 10; ++k)
          row += (k ? "," : "") + (std::string(key) == "Valid" ? std::string("0,") + std::to_string(k % 3)
                                                                : platform::Format("%.6f", {2581.25 + 91.5 * i + k}));
        names.push_back(key + std::to_string(i));
        text += names.back() + "=" + row + "\r\n";
      }
    testsupport::WriteAll(path, text);
    // Read once, and once more after every report of the write is in, so
    // that what is counted is reading a file already parsed.
    TStringList warm;
    ini.ReadSectionValues("NLR-012", warm);
    ASSERT_TRUE(platform::AwaitProfileChangeReports());
    ini.ReadSectionValues("NLR-012", warm);
  }
  std::string path = testsupport::MakeTempDir("copies") + "/source.ini";
  TIniFile ini{path};
  std::vector<std::string> names;
};

TEST_F(IniCopies, ReadStringMakesOnlyTheTextItReturns) {
  size_t bytes = 0;
  const long before = allocations.load();
  for (const std::string& name : names) bytes += ini.ReadString("NLR-012", name, "").size();
  const long made = allocations.load() - before;
  EXPECT_GT(bytes, names.size() * 30);
  EXPECT_EQ(made, static_cast<long>(names.size()));
}

TEST_F(IniCopies, ReadSectionValuesBuildsEachLineOnce) {
  TStringList list;
  const long before = allocations.load();
  ini.ReadSectionValues("NLR-012", list);
  const long made = allocations.load() - before;
  ASSERT_EQ(list.Count(), static_cast<int>(names.size()));
  for (int i = 0; i < list.Count(); ++i) EXPECT_EQ(list[i], names[i] + "=" + ini.ReadString("NLR-012", names[i], ""));
  // One per line, and the few a growing list of 36 makes (its two arrays and
  // the array of lines, each doubling from one: 7 steps apiece).
  EXPECT_LE(made, static_cast<long>(names.size()) + 3 * 7);
}

TEST_F(IniCopies, ReadSectionMovesTheNamesIntoTheList) {
  TStringList list;
  const long before = allocations.load();
  ini.ReadSection("NLR-012", list);
  const long made = allocations.load() - before;
  ASSERT_EQ(list.Count(), static_cast<int>(names.size()));
  // Short names need no allocation of their own: only the arrays grow.
  EXPECT_LE(made, 3 * 7);
}

}  // namespace
