// Regression model 1, "Multiple linear": y = [B0] + sum of B[j]*x_j over the
// independent variables j = 1..Nvar, regressors taken from U.
#pragma once

#include "numerics/models.h"

namespace numerics::fitmult {

// Model settings (start-up: 2 variables, with constant term).
extern int Nvar;
extern bool ConsTerm;

void Init();
// Nvar := P[0] rounded (halves to even); ConsTerm := (P[1] = 1.0 exactly).
void SetParams(const TVector& P);
int FirstParam();
int LastParam();
// Mode 0 MultipleLinearFit, 1 WeightedMultipleLinearFit, else -1.
int InitialFit(int Mode, const TVector& X, const TMatrix& U, const TVector& Y, const TVector& W, int N,
               TVector& B, TMatrix& V);
TRegressionModelDef Definition();

}  // namespace numerics::fitmult
