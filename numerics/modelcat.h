// The regression model catalogue beside model 1: numbers 0 and 2 to 12, one
// namespace each. Every model gives its coefficient range, its value at one
// abscissa, its initial fit (a linearisation fitted as a straight line or a
// multiple linear model) and, for models 3 to 12, analytic derivatives; some
// take settings from the parameter vector of SelectRegressionModel.
//
// The initial fits never reorder the caller's data: the models that need
// the observations in ascending order (11 and 12) sort copies, weights
// included. Observations a linearisation cannot use (a logarithm of a
// non-positive number, a division by zero) are left out of that fit.
#pragma once

#include "numerics/models.h"
#include "numerics/vectors.h"

namespace numerics {

// Resets every catalogue model's settings and registers models 0 and 2..12
// with the front end. Part of the library's start-up.
void RegisterModelCatalogue();

namespace fitlin {  // 0 "Linear": B0 + B1*x
TRegressionModelDef Definition();
}

namespace fitpoly {  // 2 "Polynomial" of degree Deg
extern int Deg;      // start-up 2; a new degree must exceed 1
void Init();
TRegressionModelDef Definition();
}  // namespace fitpoly

namespace fitfrac {     // 3 "Rational fraction"
extern int Deg1, Deg2;  // start-up 1 and 1
extern bool ConsTerm;   // start-up true
void Init();
TRegressionModelDef Definition();
}  // namespace fitfrac

namespace fitexpo {    // 4 "Sum of exponentials"
extern int Nexp;       // start-up 1
extern bool ConsTerm;  // start-up false
void Init();
TRegressionModelDef Definition();
}  // namespace fitexpo

namespace fitiexpo {   // 5 "Increasing exponential"
extern bool ConsTerm;  // start-up false
void Init();
TRegressionModelDef Definition();
}  // namespace fitiexpo

namespace fitexlin {  // 6 "Exponential + linear"
TRegressionModelDef Definition();
}

namespace fitpower {  // 7 "Power"
TRegressionModelDef Definition();
}

namespace fitmich {  // 8 "Michaelis"
TRegressionModelDef Definition();
}

namespace fitmint {                // 9 "Integrated Michaelis"
extern double S0, E0, T0, YScale;  // start-up 0, 1, 1, 1
extern bool ConsTerm;              // start-up true
// Which of time (0), initial substrate (1) or enzyme (2) is the abscissa;
// start-up 1.
extern int Selector;
void Init();
TRegressionModelDef Definition();
}  // namespace fitmint

namespace fithill {  // 10 "Hill"
TRegressionModelDef Definition();
}

namespace fitlogis {   // 11 "Logistic"
extern bool ConsTerm;  // start-up false
extern bool General;   // start-up false: with General the exponent B4
void Init();
TRegressionModelDef Definition();
}  // namespace fitlogis

namespace fitpka {  // 12 "Acid/Base titration curve"
TRegressionModelDef Definition();
}

// Shared pieces of the initial fits.
namespace modelfit {

// Observations chosen for a linearised fit, stored from FirstPoint on so
// that the line fits see exactly them.
struct TObs {
  TVector x, y, w;
  int N = 0;  // last index
  TObs();
  void Add(double X, double Y, double W);
  int Count() const;
};

// The caller's observation vectors hold FirstPoint..N (W too when Weighted)
// and B holds Ub.
bool InputOk(const TVector& X, const TVector& Y, const TVector& W, bool Weighted, int N,
             const TVector& B, int Ub);
// Copies of the observations FirstPoint..N sorted by ascending X, each
// observation keeping its Y and weight (1 when unweighted).
TObs SortedCopy(const TVector& X, const TVector& Y, const TVector& W, bool Weighted, int N);
// WeightedLineFit over the chosen observations: B[0] intercept, B[1] slope.
int LineFitObs(const TObs& Obs, double& Intercept, double& Slope);
// Rounds to the nearest integer, halves to even; false when out of range.
bool RoundToInt(double V, int& Out);

// A fixed coefficient index, for the models whose range never changes.
template <int I>
int Index() {
  return I;
}

using TInitialFit = int (*)(int Mode, const TVector& X, const TMatrix& U, const TVector& Y,
                            const TVector& W, int N, TVector& B, TMatrix& V);

// The front end's record of a model; Derivatives null means numerical ones.
TRegressionModelDef Define(int (*First)(), int (*Last)(), TRegFunc Function, TDerivProc Derivatives,
                           TInitialFit InitialFit, void (*SetParams)(const TVector&),
                           bool Nonlinear);

}  // namespace modelfit

}  // namespace numerics
