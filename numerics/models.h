// Generic model front end: the caller selects a regression model and a
// variance model, then FitRegressionModel weights, fits, refines (nonlinear
// models), tests and gives each observation its standard deviation.
// Every model lives in its own file and is registered at start-up
// (InitNumerics) with a TRegressionModelDef.
#pragma once

#include "numerics/regress.h"
#include "numerics/vectors.h"

namespace numerics {

inline constexpr int RegressionModelCount = 13;  // 0..12
inline constexpr int VarianceModelCount = 6;     // 0..5

// "Linear", "Multiple linear", ... for 0..12; "Constant", ... for 0..5.
extern const char* const RegressionModelNames[RegressionModelCount];
extern const char* const VarianceModelNames[VarianceModelCount];

// What the front end needs of one model.
struct TRegressionModelDef {
  int (*FirstCoefIndex)() = nullptr;
  int (*LastCoefIndex)() = nullptr;
  // Value at one abscissa; null for the multiple linear model, whose fitted
  // values the front end forms from U.
  TRegFunc Function = nullptr;
  // Analytic derivatives; null means numerical ones (models never refined).
  TDerivProc Derivatives = nullptr;
  // Initial (for models 0..2 the whole) fit. Mode 0 unweighted, 1 weighted
  // with W; another mode gives -1. X, Y are the caller's: a model that needs
  // them in another order sorts copies.
  int (*InitialFit)(int Mode, const TVector& X, const TMatrix& U, const TVector& Y, const TVector& W,
                    int N, TVector& B, TMatrix& V) = nullptr;
  // Takes the model's settings from P (read from index 0); null: none.
  void (*SetParams)(const TVector& P) = nullptr;
  // Whether FitRegressionModel refines the initial fit (models 3..12).
  bool Nonlinear = false;
};

// Installs the model of number Model (0..12); called from start-up code.
void RegisterRegressionModel(int Model, const TRegressionModelDef& Def);
// Empties the table (start-up, before the registrations).
void ClearRegressionModels();

// Stores both numbers and hands P to the chosen model's setter. Returns 0,
// or -1 (selection unchanged) for a number out of range or a model that is
// not built in.
int SelectRegressionModel(int Model, int VarModel, const TVector& P);

// Index range of the selected model's coefficients.
int FirstCoefIndex();
int LastCoefIndex();
// Last index of Theta for the selected variance model.
int VarianceParamCount();

// Variance factor of the selected variance model at the observed value Y,
// Theta read from index 1.
double VarianceFunction(const TVector& Theta, double Y);

// The selected one-variable model's value and derivatives.
double ModelFunction(double X, const TVector& B);
void ModelDerivatives(TRegFunc RegFunc, double X, double Y, const TVector& B, TVector& D);

// The generic fit. X: the abscissas of the one-variable models (may be
// empty for model 1); U: the regressors of model 1 (rows 1..Nvar, columns
// 1..N). B, V, Ycalc, S, Theta must be allocated by the caller (B over
// 0..LastCoefIndex, V the same square, Ycalc and S over 0..N, Theta over
// 0..VarianceParamCount). Bmin and Bmax are used only by the refinement.
// Returns 0, or a failure code with Ycalc, S, Test and Theta unchanged.
int FitRegressionModel(const TVector& X, const TMatrix& U, const TVector& Y, int N, bool Init,
                       int MaxIter, double Tol, TVector& Theta, TVector& B, const TVector& Bmin,
                       const TVector& Bmax, TMatrix& V, TVector& Ycalc, TVector& S,
                       FitStatistics& Test);

}  // namespace numerics
