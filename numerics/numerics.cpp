#include "numerics/numerics.h"

#include "numerics/fitmult.h"
#include "numerics/mathfunc.h"
#include "numerics/models.h"
#include "numerics/nlfit.h"
#include "numerics/regress.h"
#include "numerics/specfunc.h"

namespace numerics {

void InitNumerics() {
  InitFMath();
  InitSpecFunc();
  InitRegress();
  ClearRegressionModels();
  fitmult::Init();
  RegisterRegressionModel(1, fitmult::Definition());
  // Random numbers, minimisers, the other models and the nonlinear fit come
  // after the model table is cleared.
  InitNonlinear();
}

}  // namespace numerics
