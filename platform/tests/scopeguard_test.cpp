#include "platform/scopeguard.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

using namespace platform;

namespace {

// The restore runs once whichever way the scope is left.
TEST(ScopeGuard, RestoresOnReturnEarlyReturnAndException) {
  int restored = 0;
  auto work = [&](int how) {
    ScopeGuard restore([&] { ++restored; });
    if (how == 1) return;
    if (how == 2) throw std::runtime_error("work failed");
  };
  for (int how : {0, 1, 2}) {
    restored = 0;
    if (how == 2)
      EXPECT_THROW(work(how), std::runtime_error);
    else
      work(how);
    EXPECT_EQ(restored, 1) << "way out " << how;
  }
}

// A failing restore is reported, not thrown out of a destructor (which would
// end the program while another exception is on its way).
TEST(ScopeGuard, AFailingRestoreIsReported) {
  TakeReportedErrors();
  bool outerCaught = false;
  try {
    ScopeGuard restore([] { throw std::runtime_error("restore failed"); });
    throw std::runtime_error("work failed");
  } catch (const std::runtime_error& e) {
    outerCaught = std::string(e.what()) == "work failed";
  }
  EXPECT_TRUE(outerCaught);
  EXPECT_EQ(TakeReportedErrors(), (std::vector<std::string>{"restore failed"}));
}

}  // namespace
