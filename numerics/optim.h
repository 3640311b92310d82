// Minimisers of a function of several variables: the Nelder-Mead simplex,
// Levenberg-Marquardt and BFGS, with their common parts (bracketing and
// golden-section search along a line, line minimisation, the parameter
// convergence test) and the optional iteration log "optim.log".
// Parameters occupy X[Lb..Ub]; X is the start on entry and the result point
// on return. Every routine reports through its result code.
#pragma once

#include <cstdio>
#include <functional>
#include <string>

#include "numerics/vectors.h"

namespace numerics {

inline constexpr int OptOk = 0;
// GaussJordanSolve met a singular matrix. Bad input (a vector or matrix
// shorter than the index range) is reported with the same code, as the
// linear fits of the library do.
inline constexpr int OptSingular = -1;
// Marquardt's lambda exceeded 1000.
inline constexpr int OptBigLambda = -2;
// Iteration limit reached (also: a bracketing or sampling loop that had to
// be cut off).
inline constexpr int OptNonConv = -3;

// Objective, gradient and (half) Gauss-Newton Hessian routines.
using TFunc = std::function<double(const TVector& X)>;
using TGradient =
    std::function<void(const TFunc& Func, const TVector& X, int Lb, int Ub, TVector& G)>;
using THessGrad = std::function<void(const TFunc& Func, const TVector& X, int Lb, int Ub,
                                     TVector& G, TMatrix& H)>;
using TFunc1 = std::function<double(double X)>;

// Iteration log: written only while WriteLog is true (start-up false; the
// system never sets it). LogFileName is "optim.log" in the working folder at
// start-up; it may name another place.
extern bool WriteLog;
extern std::string LogFileName;

// Iterations the latest minimiser (or annealing) run used.
extern int LastIterCount;

// Module start-up: WriteLog false, LogFileName "optim.log".
void InitOptim();

// Bracketing stops after this many expansion steps (the golden ratio to this
// power is about 1E41 times the first step): a function that keeps
// decreasing along the line would otherwise never end it.
inline constexpr int MinBrackMaxSteps = 200;

// true when |X1[i] - X0[i]| < max(|X0[i]|*Tol, Tol) for every i.
bool ParamConv(const TVector& X0, const TVector& X1, int Lb, int Ub, double Tol);
// max |X[i]|.
double InfNorm(const TVector& X, int Lb, int Ub);

// Brackets a minimum of F starting from A and B: on return A <= C with B
// between them and F(B) below F(A) and F(C). 0, or OptNonConv when the
// function still decreased after MinBrackMaxSteps steps (B then holds the
// lowest point met).
int MinBrack(const TFunc1& F, double& A, double& B, double& C, double& Fa, double& Fb, double& Fc);
// Golden-section search from the bracket of MinBrack(A, B). 0 or OptNonConv.
int GoldSearch(const TFunc1& F, double A, double B, int MaxIter, double Tol, double& Xmin,
               double& Ymin);
// Minimises Func along X + r*DeltaX (r from the golden search started at 0
// and 1); on success X moves to the minimum. 0 or OptNonConv.
int LinMin(const TFunc& Func, TVector& X, const TVector& DeltaX, int Lb, int Ub, int MaxIter,
           double Tol, double& F_min);

// 0 or OptNonConv.
int NelderMeadSimplex(const TFunc& Func, TVector& X, int Lb, int Ub, int MaxIter, double Tol,
                      double& F_min);
// H_inv (over Lb..Ub) receives the inverse of the last (undamped) Hessian.
// 0, OptSingular, OptBigLambda or OptNonConv.
int MarquardtFit(const TFunc& Func, const THessGrad& HessGrad, TVector& X, int Lb, int Ub,
                 int MaxIter, double Tol, double& F_min, TMatrix& H_inv);
// H_inv receives the quasi-Newton estimate of the inverse Hessian.
// 0 or OptNonConv.
int BfgsMinimize(const TFunc& Func, const TGradient& Gradient, TVector& X, int Lb, int Ub,
                 int MaxIter, double Tol, double& F_min, TMatrix& H_inv);

// Iteration log shared by the minimisers and the annealing: opened (and
// rewritten) only when WriteLog is true; every call is harmless otherwise.
class TOptimLog {
 public:
  TOptimLog();
  ~TOptimLog();
  TOptimLog(const TOptimLog&) = delete;
  TOptimLog& operator=(const TOptimLog&) = delete;
  bool Active() const { return File != nullptr; }
  void Line(const std::string& Text);
  // Iteration number in 4 characters, then each value after three blanks
  // as a real in scientific notation in 12 characters.
  void Values(int Iter, double A);
  void Values(int Iter, double A, double B);
  void Close();

 private:
  std::FILE* File = nullptr;
};

// A real as the log writes it: scientific notation, right-aligned in 12.
std::string LogReal(double X);

}  // namespace numerics
