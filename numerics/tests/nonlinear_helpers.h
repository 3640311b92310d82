#pragma once
// The fixture of the nonlinear fitting and annealing tests.
#include <gtest/gtest.h>

namespace nonlinearfixture {

// Every test starts from the modules' defaults, with the generator reseeded
// to a fixed seed so that each run repeats; the defaults are put back after.
class SeededTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
};

}  // namespace nonlinearfixture
