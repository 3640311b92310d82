// Metropolis-Hastings random walk sampling exp(-f/T): the mean and the
// covariance of its last draws, and the regression engine's simulation fit.
#pragma once

#include "numerics/optim.h"
#include "numerics/vectors.h"

namespace numerics {

// Settings (start-up values; the system changes none of them).
extern int MH_NCycles;   // 5: simulation cycles
extern int MH_MaxSim;    // 100: accepted draws per cycle
extern int MH_SavedSim;  // 100: draws kept per cycle (the last ones)
// A cycle ends with OptNonConv after this many trials without reaching
// MH_MaxSim accepted draws (an objective that rejects every proposal would
// otherwise never end it).
extern int MH_MaxTrials;  // 100000

// Module start-up: the values above.
void InitMcmc();

// Reseeds the generator, then runs up to MH_NCycles cycles from X with the
// proposal spread of V (first cycle the diagonal, later the Cholesky factor
// of V). M (0..Ub x 0..MH_SavedSim) receives the saved draws of the last
// cycle as columns 1..MH_SavedSim, Xmin and F_min the best point met; X and
// V end as the mean and the covariance of the saved draws. X and Xmin may
// be the same vector. 0, OptNonConv (V not usable as a spread, or the trial
// bound met) or OptSingular for bad input.
int MetropolisHastings(const TFunc& Func, double T, TVector& X, TMatrix& V, int Lb, int Ub,
                       TMatrix& M, TVector& Xmin, double& F_min);

// The regression engine's simulation fit: a random start within the bounds,
// a spread of a sixth of each bound range, a walk at T = 2. B ends as the
// mean of the last cycle's saved draws and V as their covariance; the draws
// go to SimulationFileName when that is not empty.
int SimulationFit(const TFunc& Objective, TVector& B, const TVector& Bmin, const TVector& Bmax,
                  int Lb, int Ub, double& F_min, TMatrix& V);

}  // namespace numerics
