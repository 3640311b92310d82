#include "nonlinear_helpers.h"

#include "numerics/nlfit.h"
#include "numerics/numerics.h"
#include "numerics/random.h"

namespace nonlinearfixture {

void SeededTest::SetUp() {
  numerics::InitNumerics();
  numerics::InitNonlinear();
  numerics::SetReseedProc([] { numerics::SetSeed(1802, 9373); });
}

void SeededTest::TearDown() {
  numerics::InitNumerics();
  numerics::InitNonlinear();
}

}  // namespace nonlinearfixture
