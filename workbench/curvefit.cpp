#include "workbench/curvefit.h"

#include <cmath>

#include "numerics/models.h"
#include "numerics/vectors.h"
#include "platform/sysutils.h"
#include "workbench/pages.h"
#include "workbench/sourcefile.h"

namespace workbench {

namespace {

using numerics::TMatrix;
using numerics::TVector;

// Model 1 ("Multiple linear") with eight regressors and a constant term.
constexpr int kMultipleLinear = 1;
constexpr int kConstantVariance = 0;
constexpr int kRegressors = 8;

bool AllFinite(const TVector& b, int count) {
  for (int i = 0; i < count; ++i) {
    if (!std::isfinite(b[i])) return false;
  }
  return true;
}

// A point the fit may use: flagged 0 or 1 (2 marks a rating to leave out)
// with positive capacity and power (missing ratings are -99).
bool IsFitPoint(const core::TCompData& m, size_t row, size_t col) {
  return m.Valid[row][col] <= 1 && m.QeTable[row][col] > 0.0 && m.PwTable[row][col] > 0.0;
}

int CountFitPoints(const core::TCompData& m) {
  int n = 0;
  for (size_t j = 0; j < m.TcList.size(); ++j) {
    for (size_t i = 0; i < m.TeList.size(); ++i) {
      if (IsFitPoint(m, j, i)) ++n;
    }
  }
  return n;
}

// Regressors in the polynomial's term order, so that B[0..8] are c0..c8.
void FillRegressors(const core::TCompData& m, TMatrix& u, TVector& yq, TVector& yp) {
  int k = 0;
  for (size_t j = 0; j < m.TcList.size(); ++j) {
    for (size_t i = 0; i < m.TeList.size(); ++i) {
      if (!IsFitPoint(m, j, i)) continue;
      ++k;
      const double te = m.TeList[i];
      const double tc = m.TcList[j];
      u[1][k] = te;
      u[2][k] = te * te;
      u[3][k] = tc;
      u[4][k] = tc * tc;
      u[5][k] = te * tc;
      u[6][k] = te * te * tc;
      u[7][k] = te * tc * tc;
      u[8][k] = te * te * tc * tc;
      yq[k] = 0.001 * m.QeTable[j][i];   // W to kW
      yp[k] = m.PwTable[j][i];
    }
  }
}

void CopyCoefficients(const TVector& b, core::TPoly9Coef& c) {
  for (size_t i = 0; i < c.size(); ++i) c[i] = b[i];
}

std::string Fixed4(double value) { return platform::Format("%0.4f", {value}); }
std::string General4(double value) { return platform::Format("%0.4g", {value}); }

}  // namespace

TModelFit FitModel(const core::TCompData& model) {
  TModelFit fit;
  const int n = CountFitPoints(model);
  fit.Points = n;
  TMatrix u;
  TVector yq, yp;
  numerics::AllocMatrix(u, kRegressors, n);
  numerics::AllocVector(yq, n);
  numerics::AllocVector(yp, n);
  FillRegressors(model, u, yq, yp);

  const TVector p = {static_cast<double>(kRegressors), 1.0};
  numerics::SelectRegressionModel(kMultipleLinear, kConstantVariance, p);
  numerics::SetLinearSolver(numerics::SolverGaussJordan);
  TVector theta, b, ycalc, s;
  TMatrix v;
  numerics::AllocVector(theta, numerics::VarianceParamCount());
  numerics::AllocVector(b, numerics::LastCoefIndex());
  numerics::AllocMatrix(v, numerics::LastCoefIndex(), numerics::LastCoefIndex());
  numerics::AllocVector(ycalc, n);
  numerics::AllocVector(s, n);
  const int coefficients = static_cast<int>(fit.QeCoef.size());
  if (static_cast<int>(b.size()) < coefficients) return fit;   // not the nine-term model

  fit.QeResult = numerics::FitRegressionModel(TVector{}, u, yq, n, true, 1, 0.1, theta, b, TVector{},
                                              TVector{}, v, ycalc, s, fit.QeStats);
  if (fit.QeResult == 0 && !AllFinite(b, coefficients)) fit.QeResult = kFitNotFinite;
  if (fit.QeResult == 0) CopyCoefficients(b, fit.QeCoef);

  fit.PwResult = numerics::FitRegressionModel(TVector{}, u, yp, n, true, 1, 0.1, theta, b, TVector{},
                                              TVector{}, v, ycalc, s, fit.PwStats);
  if (fit.PwResult == 0 && !AllFinite(b, coefficients)) fit.PwResult = kFitNotFinite;
  if (fit.PwResult == 0) CopyCoefficients(b, fit.PwCoef);
  return fit;
}

TCurveFit::TCurveFit(TSourceFile& source, const TActionHost& host) : source_(source), host_(host) {}

void TCurveFit::ActionAddCoeffExecute() {
  if (!CheckFileLoaded(source_, host_)) return;
  host_.DoSetNotice("Busy calculating...");
  host_.DoProcessMessages();
  try {
    CurveFit();
  } catch (...) {
    // Keys written before the error are in the file: the editor must show
    // them, or a later Save would write the old text over them.
    host_.DoSetNotice("...");
    host_.DoReloadEditor();
    throw;
  }
  host_.DoSetNotice("...");
  host_.DoReloadEditor();
}

void TCurveFit::ActionRemoveCoeffExecute() {
  if (!CheckFileLoaded(source_, host_)) return;
  RemoveCoefficients();
  host_.DoReloadEditor();
}

void TCurveFit::AddPageHead() {
  workbench::AddPageHead(Page, {".key {color:#557f3f}", ".curve {font-size:8pt}",
                                ".raw {font-size:8pt; color:#44571e}",
                                ".out1 {background-color:#f1d6d3}",
                                ".out2 {background-color:#e7b9b4}"});
}

void TCurveFit::AddFitReport(const TModelFit& fit) {
  Page.Add("<p>R<sup>2</sup>(cooling) = " + Fixed4(fit.QeStats.R2a) + "<br>");
  Page.Add("R<sup>2</sup>(power) = " + Fixed4(fit.PwStats.R2a) + "</p>");
  Page.Add("<table class=\"curve\">");
  std::string row = "<tr><td class=\"key\" width=\"35\">e</td>";
  for (double c : fit.QeCoef) row += "<td width=\"80\">" + General4(c) + "</td>";
  Page.Add(row + "</tr>");
  row = "<tr><td class=\"key\">p</td>";
  for (double c : fit.PwCoef) row += "<td>" + General4(c) + "</td>";
  Page.Add(row + "</tr>");
  Page.Add("</table>");
}

void TCurveFit::CurveFit() {
  if (!CheckFileLoaded(source_, host_)) return;
  host_.DoClearPage(TActionPage::Regression);
  Page.Clear();
  {
    TIniPass pass(source_);
    AddPageHead();
    core::TCompData& model = source_.CompData;
    for (int i = 0; i < source_.ModelList.Count(); ++i) {
      source_.SelectModel(i);
      if (!model.HasTable) continue;
      Page.Add("<h3>" + platform::HtmlEscape(model.Name) + "</h3>");
      const TModelFit fit = FitModel(model);
      if (fit.QeResult == 0) model.QeCoef = fit.QeCoef;
      if (fit.PwResult == 0) model.PwCoef = fit.PwCoef;
      if (fit.Ok()) {
        model.HasCurveFit = true;
        // The section the model was read from (the name as listed).
        const std::string& section = source_.ModelList[i];
        pass.Ini().WriteString(section, "e", core::Poly9ToText(model.QeCoef));
        pass.Ini().WriteString(section, "p", core::Poly9ToText(model.PwCoef));
        AddFitReport(fit);
      } else {
        Page.Add("<p>Curve fit not possible with this data</p>");
      }
    }
  }
  Page.Add("</body>");
  Page.Add("</html>");
  host_.DoShowPage(TActionPage::Regression, Page);
}

namespace {

// Whether the model's section holds a complete rating table, read as the
// model reading does but into a scratch object: the model shown and the
// Verify log stay as they are.
bool SectionHasTable(core::TCustomIniFile& ini, const std::string& modelName) {
  TSourceFile probe;
  probe.CompData.Name = CutText(modelName);
  try {
    probe.ReadTableData(ini, probe.CompData.Name);
  } catch (const std::exception&) {
    return false;   // a table that cannot be read is no performance data to rely on
  }
  return probe.CompData.HasTable;
}

}  // namespace

void TCurveFit::RemoveCoefficients() {
  host_.DoClearPage(TActionPage::Regression);
  Page.Clear();
  for (const char* line : {"<html>", "<head>", "</head>", "<body>"}) Page.Add(line);
  Page.Add("<h3>" + platform::HtmlEscape(source_.CurrentFile) + "</h3>");

  // Only models that can be fitted again lose their coefficients; the
  // others are listed as kept.
  int removed = 0;
  std::vector<std::string> kept;
  {
    TIniPass pass(source_);
    core::TIniFile& ini = pass.Ini();
    for (const std::string& name : source_.ModelList) {
      if (SectionHasTable(ini, name)) {
        ini.DeleteKey(name, "e");
        ini.DeleteKey(name, "p");
        ++removed;
      } else if (ini.ValueExists(name, "e") || ini.ValueExists(name, "p")) {
        kept.push_back(name);
      }
    }
    if (removed > 0) ini.UpdateFile();
  }
  if (removed > 0) {
    Page.Add("<p>Curve fit coefficients removed...</p>");
    for (const std::string& name : kept) {
      Page.Add("<p>" + platform::HtmlEscape(name) + ": no table data found (coefficients NOT removed).</p>");
    }
  } else {
    Page.Add("<p>No table data found (coefficients NOT removed).</p>");
  }
  Page.Add("</body>");
  Page.Add("</html>");
  host_.DoShowPage(TActionPage::Regression, Page);
}

}  // namespace workbench
