#include "workbench/modules.h"

#include <gtest/gtest.h>

#include "core/environment.h"
#include "platform/sysutils.h"

namespace {

TEST(Modules, StartInOrderAndCleanUp) {
  workbench::StartupModules();
  std::vector<std::string> started = workbench::StartedModules();
  ASSERT_FALSE(started.empty());
  EXPECT_EQ(started, (std::vector<std::string>{"environment", "refrigerant library",
                                                "compressor", "editor", "viewer", "mail", "numerics"}));
  EXPECT_TRUE(platform::DirectoryExists(core::DataDir()));
  workbench::CleanupModules();
  EXPECT_TRUE(workbench::StartedModules().empty());
  workbench::CleanupModules();   // twice is harmless
}

}  // namespace
