// Nonlinear least squares: the observations kept as the objective's data,
// the (weighted) sum of squared residuals with its gradient and Gauss-Newton
// Hessian, and the fit through the minimiser chosen by Optimizer.
#pragma once

#include "numerics/optim.h"
#include "numerics/regress.h"
#include "numerics/vectors.h"

namespace numerics {

// A point outside the coefficient bounds scores this at once; sums above it
// are cut to it.
inline constexpr double SumOfSquaresLimit = 1E30;

// Module start-up: empty objective data (N 1, Lb 0, Ub 1), and the fit
// installed as the regression engine's nonlinear refinement.
void InitNlFit();
// Start-up of everything beyond the linear engine, in the library's order:
// random numbers, minimisers, annealing, simulation, the model catalogue
// (registered with the front end) and this module. Runs at the end of
// InitNumerics.
void InitNonlinear();
// Module clean-up: frees the objective data.
void DoneNlFit();

// Refines B (on entry the initial estimates) by the minimiser Optimizer
// selects: 0 Marquardt, 1 simplex, 2 BFGS, 3 simulated annealing,
// 4 Metropolis-Hastings simulation; any other value leaves B as it is and
// gives 0. V (over Lb..Ub) receives the inverse Hessian, or with the
// simulation the covariance of its draws. Mode 0 unweighted, 1 weighted.
// Returns 0, the minimiser's code, or -1 for a singular Hessian after the
// simplex or the annealing, and -1 for bad input (a mode other than 0 and 1,
// or observation, coefficient or bound vectors too short for N and Ub).
int GenericNonlinearFit(TRegFunc RegFunc, TDerivProc DerivProc, int Mode, const TVector& X,
                        const TVector& Y, const TVector& W, int N, int Lb, int Ub, int MaxIter,
                        double Tol, TVector& B, const TVector& Bmin, const TVector& Bmax,
                        TMatrix& V);
int NonlinearFit(TRegFunc RegFunc, TDerivProc DerivProc, const TVector& X, const TVector& Y, int N,
                 int Lb, int Ub, int MaxIter, double Tol, TVector& B, const TVector& Bmin,
                 const TVector& Bmax, TMatrix& V);
int WeightedNonlinearFit(TRegFunc RegFunc, TDerivProc DerivProc, const TVector& X, const TVector& Y,
                         const TVector& W, int N, int Lb, int Ub, int MaxIter, double Tol,
                         TVector& B, const TVector& Bmin, const TVector& Bmax, TMatrix& V);

// Copies the observations FirstPoint..N (and W when Weighted), the bounds
// over Lb..Ub and the model for the objective routines below.
void SetObjectiveData(TRegFunc RegFunc, TDerivProc DerivProc, bool Weighted, const TVector& X,
                      const TVector& Y, const TVector& W, int N, int Lb, int Ub,
                      const TVector& Bmin, const TVector& Bmax);

// Objective routines over the data of SetObjectiveData.
double SumOfSquares(const TVector& B);
double WeightedSumOfSquares(const TVector& B);
// Twice the sum of -D_ij*r_i (weighted: times W[i]).
// The objective argument is not called: the fitted values come from the
// latest evaluation when it was at B, else they are formed here.
void SumOfSquaresGradient(const TFunc& Func, const TVector& B, int Lb, int Ub, TVector& G);
void WeightedSumOfSquaresGradient(const TFunc& Func, const TVector& B, int Lb, int Ub, TVector& G);
// Half the gradient and half the Gauss-Newton Hessian, whose quotient is
// the Gauss-Newton step.
void SumOfSquaresHessGrad(const TFunc& Func, const TVector& B, int Lb, int Ub, TVector& G,
                          TMatrix& H);
void WeightedSumOfSquaresHessGrad(const TFunc& Func, const TVector& B, int Lb, int Ub, TVector& G,
                                  TMatrix& H);
// true when some B[j], j = Lb..Ub, lies outside [Bmin[j], Bmax[j]].
bool OutOfBounds(const TVector& B);

// Forward differences with the step sqrt(MachEp)*|B[j]| (an absolute step
// for a coefficient of 0) over the objective's Lb..Ub.
void NumericalDerivatives(TRegFunc RegFunc, double X, double Y, const TVector& B, TVector& D);

}  // namespace numerics
