// Simulated annealing within box bounds. The log goes to the minimisers'
// "optim.log", and only when WriteLog is true.
#pragma once

#include "numerics/optim.h"
#include "numerics/vectors.h"

namespace numerics {

// Settings (start-up values; the system changes none of them).
extern int SA_NS;       // 5: step-adjustment rounds per temperature
extern int SA_NT;       // 15: sweeps over all coordinates per adjustment
extern double SA_RT;    // 0.9: temperature reduction factor
extern int SA_NCycles;  // 1: annealing cycles

// Module start-up: the values above.
void InitSimAnn();

// Minimises Func over Xmin[i] <= X[i] <= Xmax[i] (i = Lb..Ub), reseeding
// the generator first. On return X is the best point met and F_min its
// value. 0, OptNonConv when MaxIter temperatures did not shrink the steps
// below Tol, or OptSingular for bad input (X or a bound vector shorter than
// Ub, an upper bound below its lower bound).
int SimulatedAnnealing(const TFunc& Func, TVector& X, const TVector& Xmin, const TVector& Xmax,
                       int Lb, int Ub, int MaxIter, double Tol, double& F_min);

// Starting temperature: the median of the increases met along 50 random
// probes, over ln 2 (1 when nothing increased). X ends at the last probe.
double InitTemp(const TFunc& Func, TVector& X, const TVector& Xmin, int Lb, int Ub,
                const TVector& Range);
// true when every Step[i] < max(|X[i]|*Tol, Tol).
bool SAConv(const TVector& X, const TVector& Step, int Lb, int Ub, double Tol);
// A coordinate's step after a round in which NAcc of its SA_NT moves were
// accepted: widened above 60 % (never beyond Range), narrowed below 40 %,
// kept from 40 % to 60 % inclusive.
double AdjustStep(double Step, double Range, int NAcc);
// Metropolis test: downhill moves pass uncounted; an uphill one counts in
// NUp and, when accepted, in NAccUp.
bool Accept(int& NUp, int& NAccUp, double DeltaF, double T);

}  // namespace numerics
