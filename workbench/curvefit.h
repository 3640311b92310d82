#pragma once
// The curve fit: the rating tables of the current source file turned into
// the nine-coefficient capacity and power polynomials, written back as the
// keys "e" and "p" of every model, with a report on the Regression page; and
// the removal of those keys again. Both work on the file as saved, through
// the INI class; the main window reloads its editor afterwards.
#include <string>

#include "core/compdata.h"
#include "core/interpolator.h"
#include "numerics/regress.h"
#include "platform/stringlist.h"
#include "workbench/actionhost.h"

namespace workbench {

class TSourceFile;

// The result of fitting one model's table.
struct TModelFit {
  int Points = 0;                 // rating points used
  int QeResult = -1;              // FitRegressionModel's result for capacity (0: fitted)
  int PwResult = -1;              // the same for power
  core::TPoly9Coef QeCoef{};      // kW; valid when QeResult is 0
  core::TPoly9Coef PwCoef{};      // kW; valid when PwResult is 0
  numerics::FitStatistics QeStats;
  numerics::FitStatistics PwStats;
  bool Ok() const { return QeResult == 0 && PwResult == 0; }
};

// A fit the engine reports as done but whose coefficients are not all finite
// (a table value of infinity): treated as failed.
inline constexpr int kFitNotFinite = -100;

// Fits both polynomials to the model's table (HasTable must be set): the
// points flagged 0 or 1 with Qe > 0 and Pw > 0, rows (tc) outer and columns
// (te) inner; Qe converted from W to kW.
TModelFit FitModel(const core::TCompData& model);

class TCurveFit {
 public:
  TCurveFit(TSourceFile& source, const TActionHost& host);
  TCurveFit(const TCurveFit&) = delete;
  TCurveFit& operator=(const TCurveFit&) = delete;

  // The Regression page's buffer: HTML lines, loaded into the page's viewer.
  platform::TStringList Page;

  // "Add Coeff": guard, notice "Busy calculating...", one pass through
  // pending messages, CurveFit, notice "...", editor reloaded from the file.
  void ActionAddCoeffExecute();
  // "Remove Coeff": guard, RemoveCoefficients, editor reloaded.
  void ActionRemoveCoeffExecute();

  // Fits every model of the model list that has table data and writes its
  // e and p; reports each fitted model on the page. Errors raised while a
  // model is read end the fit; keys written for earlier models stay.
  void CurveFit();
  // Deletes e and p of every model that has table data. A model without
  // table data keeps its coefficients: they are its only performance data.
  void RemoveCoefficients();

 private:
  void AddPageHead();
  void AddFitReport(const TModelFit& fit);

  TSourceFile& source_;
  const TActionHost& host_;
};

}  // namespace workbench
