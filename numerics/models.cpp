#include "numerics/models.h"

#include <cmath>

#include "numerics/mathfunc.h"
#include "numerics/matrices.h"

namespace numerics {

const char* const RegressionModelNames[RegressionModelCount] = {
    "Linear",       "Multiple linear", "Polynomial",           "Rational fraction",
    "Sum of exponentials", "Increasing exponential", "Exponential + linear", "Power",
    "Michaelis",    "Integrated Michaelis", "Hill",              "Logistic",
    "Acid/Base titration curve"};

const char* const VarianceModelNames[VarianceModelCount] = {
    "Constant", "Linear", "2nd degree polynomial", "3rd degree polynomial", "Exponential", "Power"};

namespace {

TRegressionModelDef Models[RegressionModelCount];
bool Registered[RegressionModelCount] = {};

const TRegressionModelDef* Selected() {
  if (RegressionModel < 0 || RegressionModel >= RegressionModelCount || !Registered[RegressionModel])
    return nullptr;
  return &Models[RegressionModel];
}

bool HasIndex(const TVector& V, int I) { return I >= 0 && static_cast<std::size_t>(I) < V.size(); }

}  // namespace

void ClearRegressionModels() {
  for (int i = 0; i < RegressionModelCount; ++i) {
    Models[i] = TRegressionModelDef{};
    Registered[i] = false;
  }
}

void RegisterRegressionModel(int Model, const TRegressionModelDef& Def) {
  if (Model < 0 || Model >= RegressionModelCount) return;
  Models[Model] = Def;
  Registered[Model] = true;
}

int SelectRegressionModel(int Model, int VarModel, const TVector& P) {
  if (Model < 0 || Model >= RegressionModelCount || !Registered[Model]) return -1;
  if (VarModel < 0 || VarModel >= VarianceModelCount) return -1;
  RegressionModel = Model;
  VarianceModel = VarModel;
  if (Models[Model].SetParams) Models[Model].SetParams(P);
  return 0;
}

int FirstCoefIndex() {
  const TRegressionModelDef* m = Selected();
  return (m && m->FirstCoefIndex) ? m->FirstCoefIndex() : 0;
}

int LastCoefIndex() {
  const TRegressionModelDef* m = Selected();
  return (m && m->LastCoefIndex) ? m->LastCoefIndex() : 0;
}

int VarianceParamCount() {
  switch (VarianceModel) {
    case 1: return 1;
    case 2: return 2;
    case 3: return 3;
    case 4: return 1;
    case 5: return 1;
    default: return 0;
  }
}

double VarianceFunction(const TVector& Theta, double Y) {
  auto th = [&](int i) { return HasIndex(Theta, i) ? Theta[i] : 0.0; };
  switch (VarianceModel) {
    case 1: return 1.0 + th(1) * Y;
    case 2: return 1.0 + Y * (th(1) + Y * th(2));
    case 3: return 1.0 + Y * (th(1) + Y * (th(2) + Y * th(3)));
    case 4: return Expo(th(1) * Y);
    case 5: return Power(Y, th(1));
    default: return 1.0;
  }
}

double ModelFunction(double X, const TVector& B) {
  const TRegressionModelDef* m = Selected();
  if (!m || !m->Function) return 0.0;
  return m->Function(X, B);
}

void ModelDerivatives(TRegFunc RegFunc, double X, double Y, const TVector& B, TVector& D) {
  const TRegressionModelDef* m = Selected();
  if (m && m->Derivatives) {
    m->Derivatives(RegFunc, X, Y, B, D);
    return;
  }
  // Forward differences; a zero coefficient takes an absolute step.
  const int lb = FirstCoefIndex(), ub = LastCoefIndex();
  const double h = std::sqrt(MachEp);
  TVector b = B;
  for (int j = lb; j <= ub; ++j) {
    double kept = b[j];
    double step = kept != 0.0 ? h * std::fabs(kept) : h;
    b[j] = kept + step;
    D[j] = (RegFunc(X, b) - Y) / (b[j] - kept);
    b[j] = kept;
  }
}

namespace {

// Fitted values of the multiple linear model from the regressor matrix.
void MultipleLinearValues(const TMatrix& U, const TVector& B, int N, int Lb, int Ub, TVector& Ycalc) {
  for (int i = 1; i <= N; ++i) {
    double y = Lb == 0 ? B[0] : 0.0;
    for (int j = 1; j <= Ub; ++j) y += B[j] * U[j][i];
    Ycalc[i] = y;
  }
}

}  // namespace

int FitRegressionModel(const TVector& X, const TMatrix& U, const TVector& Y, int N, bool Init,
                       int MaxIter, double Tol, TVector& Theta, TVector& B, const TVector& Bmin,
                       const TVector& Bmax, TMatrix& V, TVector& Ycalc, TVector& S,
                       FitStatistics& Test) {
  const TRegressionModelDef* model = Selected();
  if (!model || !model->InitialFit) return -1;
  const int lb = FirstCoefIndex(), ub = LastCoefIndex();
  const bool multi = model->Function == nullptr;

  // What the fit writes must exist: a short container is bad input.
  if (N < 1 || ub < lb || !HasIndex(Y, N) || !HasIndex(Ycalc, N) || !HasIndex(S, N) ||
      !HasIndex(B, ub) || static_cast<int>(V.size()) <= ub || !HasIndex(Theta, VarianceParamCount()))
    return -1;
  for (int i = lb; i <= ub; ++i)
    if (!HasIndex(V[i], ub)) return -1;
  if (multi) {
    if (static_cast<int>(U.size()) <= ub) return -1;
    for (int j = lb; j <= ub; ++j)
      if (!HasIndex(U[j], N)) return -1;
  } else if (!HasIndex(X, N)) {
    return -1;
  }

  TVector w;
  AllocVector(w, N);
  const bool weighted = VarianceModel != 0;
  if (weighted) {
    for (int i = 1; i <= N; ++i) {
      double v = VarianceFunction(Theta, Y[i]);
      // A variance that is not a positive number gives no usable weight.
      if (!(v > 0.0) || !std::isfinite(v)) return -1;
      w[i] = 1.0 / v;
    }
  }
  const int mode = weighted ? 1 : 0;

  int result = 0;
  if (Init) result = model->InitialFit(mode, X, U, Y, w, N, B, V);

  if (model->Nonlinear && MaxIter >= 1 && result == 0) {
    TNonlinearFitProc fit = NonlinearFitProc();
    if (!fit) return -1;
    result = fit(model->Function, ModelDerivatives, mode, X, Y, w, N, lb, ub, MaxIter, Tol, B, Bmin,
                 Bmax, V);
  }
  if (result != 0) return result;

  TVector ycalc = Ycalc;
  if (multi) {
    MultipleLinearValues(U, B, N, lb, ub, ycalc);
  } else {
    for (int i = 1; i <= N; ++i) ycalc[i] = model->Function(X[i], B);
  }
  for (int i = FirstPoint; i <= N; ++i) {
    // A coefficient set that yields no number is no fit.
    if (!std::isfinite(ycalc[i])) return -1;
  }
  Ycalc = ycalc;

  if (weighted)
    WeightedRegressionTest(Y, Ycalc, w, N, lb, ub, V, Test);
  else
    RegressionTest(Y, Ycalc, N, lb, ub, V, Test);
  Theta[0] = Test.Vr;
  double sr = std::sqrt(Test.Vr);
  for (int i = 1; i <= N; ++i) S[i] = weighted ? sr / std::sqrt(w[i]) : sr;
  return 0;
}

}  // namespace numerics
