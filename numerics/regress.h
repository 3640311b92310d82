// Least-squares engine: line, multiple linear and polynomial fits, the choice
// of linear solver, and the regression test that fills FitStatistics.
// Observation sums run over FirstPoint..N; observation vectors are indexed
// from 1 (element 0 carries no value).
#pragma once

#include <string>

#include "numerics/vectors.h"

namespace numerics {

// The five results of the regression test, written after every successful
// fit; a failing fit leaves the record as it was.
struct FitStatistics {
  double Vr = 0.0;    // residual variance SSE / (n - p)
  double R2 = 0.0;    // coefficient of determination
  double R2a = 0.0;   // adjusted coefficient of determination
  double F = 0.0;     // F statistic of the regression
  double Prob = 0.0;  // probability of a larger F under the null hypothesis
};

using RegressionModelKind = int;  // 0..12
using VarianceModelKind = int;    // 0..5

// Module settings (process-wide, set by InitRegress).
extern RegressionModelKind RegressionModel;  // start-up 0
extern VarianceModelKind VarianceModel;      // start-up 0
extern int LinearSolver;                     // start-up 1: 0 Gauss-Jordan, 1 SVD
extern int Optimizer;                        // start-up 0: 0 Marquardt, 1 simplex, 2 BFGS,
                                             // 3 simulated annealing, 4 Metropolis-Hastings
extern int FirstPoint;                       // start-up 1
extern std::string SimulationFileName;       // start-up empty: no file

inline constexpr int SolverGaussJordan = 0;
inline constexpr int SolverSvd = 1;

// Module start-up: the defaults above.
void InitRegress();

void SetLinearSolver(int Solver);
void SetOptimizer(int Opt);
void SetFirstPoint(int Index);
void SetSimulationFileName(const std::string& FileName);

// A model's value at one abscissa, and its partial derivatives with respect
// to the coefficients (D over the model's coefficient range; Y is the model
// value at X for the current B).
using TRegFunc = double (*)(double X, const TVector& B);
using TDerivProc = void (*)(TRegFunc RegFunc, double X, double Y, const TVector& B, TVector& D);

// Straight line B[0] + B[1]*x; V the 2 x 2 inverse normal matrix (0-based).
// -1 for a degenerate line (fewer than two distinct abscissas); B and V are
// then untouched.
int LineFit(const TVector& X, const TVector& Y, int N, TVector& B, TMatrix& V);
int WeightedLineFit(const TVector& X, const TVector& Y, const TVector& W, int N, TVector& B,
                    TMatrix& V);

// U[j][i]: variable j (1..Nvar) of observation i. B over Lb..Nvar with Lb = 0
// when ConsTerm (B[0] the constant), else 1; V the inverse normal matrix over
// the same square. 0, MatSingular (-1) for a singular or rank-deficient
// system or fewer observations than coefficients, or -k from the SVD.
int MultipleLinearFit(const TMatrix& U, const TVector& Y, int N, int Nvar, bool ConsTerm, TVector& B,
                      TMatrix& V);
int WeightedMultipleLinearFit(const TMatrix& U, const TVector& Y, const TVector& W, int N, int Nvar,
                              bool ConsTerm, TVector& B, TMatrix& V);

// Polynomial of degree Deg with constant term through the power matrix.
int PolynomialFit(const TVector& X, const TVector& Y, int N, int Deg, TVector& B, TMatrix& V);
int WeightedPolynomialFit(const TVector& X, const TVector& Y, const TVector& W, int N, int Deg,
                          TVector& B, TMatrix& V);

// Allocates U over 0..Deg x 0..N and sets U[1][i] := X[i],
// U[k][i] := U[k-1][i]*X[i] for k = 2..Deg.
void PowerMatrix(const TVector& X, int N, int Deg, TMatrix& U);

// Dispatch on LinearSolver: 0 NormalEquationsFit, 1 SvdFit; any other value
// does nothing and returns 0.
int LinearLeastSquares(bool Weighted, const TMatrix& U, const TVector& Y, const TVector& W, int N,
                       int Nvar, bool ConsTerm, TVector& B, TMatrix& V);
int NormalEquationsFit(bool Weighted, const TMatrix& U, const TVector& Y, const TVector& W, int N,
                       int Nvar, bool ConsTerm, TVector& B, TMatrix& V);
int SvdFit(bool Weighted, const TMatrix& U, const TVector& Y, const TVector& W, int N, int Nvar,
           bool ConsTerm, TVector& B, TMatrix& V);

// Fills Test from the observed and fitted values and scales V (the inverse
// normal matrix over Lb..Ub) into the coefficients' variance-covariance
// matrix.
void RegressionTest(const TVector& Y, const TVector& Ycalc, int N, int Lb, int Ub, TMatrix& V,
                    FitStatistics& Test);
void WeightedRegressionTest(const TVector& Y, const TVector& Ycalc, const TVector& W, int N, int Lb,
                            int Ub, TMatrix& V, FitStatistics& Test);

// The nonlinear refinement of FitRegressionModel (Mode 0 unweighted,
// 1 weighted). It lives with the minimisers and is installed at start-up;
// without one, models that need refinement fail with -1.
using TNonlinearFitProc = int (*)(TRegFunc RegFunc, TDerivProc DerivProc, int Mode, const TVector& X,
                                  const TVector& Y, const TVector& W, int N, int Lb, int Ub,
                                  int MaxIter, double Tol, TVector& B, const TVector& Bmin,
                                  const TVector& Bmax, TMatrix& V);
void SetNonlinearFitProc(TNonlinearFitProc Proc);
TNonlinearFitProc NonlinearFitProc();

}  // namespace numerics
