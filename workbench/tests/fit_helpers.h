#pragma once
// Fixtures of the curve-fit, catalog and road tests: source files generated
// from known polynomials or from the sample rating tables, and a headless
// workbench whose host hooks record what the main window would show.
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "core/interpolator.h"
#include "workbench/actionhost.h"
#include "workbench/catalogbuild.h"
#include "workbench/curvefit.h"
#include "workbench/sourcefile.h"

namespace fitfixture {

// Capacity and power polynomials (kW) of a plausible compressor.
extern const core::TPoly9Coef kQeCoef;
extern const core::TPoly9Coef kPwCoef;

// One model section with a rating table.
struct TableModel {
  std::string name;
  // Keys written before the table ("Freq", "e", ...), in order.
  std::vector<std::pair<std::string, std::string>> keys;
  std::vector<double> te, tc;
  std::vector<std::vector<int>> valid;      // [tc][te]; empty: all 0
  std::vector<std::vector<double>> qe, pw;  // [tc][te]: W, kW
};

// Qe = 1000 × the capacity polynomial (W), Pw = the power polynomial (kW).
TableModel GeneratedModel(const std::string& name, const std::vector<double>& te,
                          const std::vector<double>& tc, const core::TPoly9Coef& qe = kQeCoef,
                          const core::TPoly9Coef& pw = kPwCoef);
// A table from a sample CSV (te_C, tc_C, Qe_W, Pw_kW) of the test data.
TableModel CsvModel(const std::string& name, const std::string& csvFile);

// Full-precision text of a number ("%.17g").
std::string Num(double value);
std::string NumList(const std::vector<double>& values);
// A source file: the Header section (the marker, then headerKeys) and the
// models; plain sections (name, lines) may follow.
std::string SourceText(const std::vector<std::string>& headerKeys, const std::vector<TableModel>& models,
                       const std::vector<std::pair<std::string, std::vector<std::string>>>& plain = {});
// DRAVLEN_TEST_DATA + "/fit/" + name.
std::string DataPath(const std::string& name);

// numerics defaults and the refrigerant library (a temporary copy of the
// test data's), for the tests' SetUp; FinishModules frees the library.
void StartModules();
void FinishModules();

// The actions with a host that records what the main window would do.
struct Workbench {
  Workbench();
  Workbench(const Workbench&) = delete;
  Workbench& operator=(const Workbench&) = delete;

  workbench::TSourceFile source;
  workbench::TSourceFileList files;
  workbench::TActionHost host;
  workbench::TCurveFit fit;
  workbench::TCatalogBuilder builder;

  std::string editorText;
  std::map<workbench::TActionPage, std::vector<std::string>> shown;   // last lines shown per page
  std::vector<std::string> events;   // "clear Verify", "show Regression", "notice ...", "messages", "reload"

  // The file list's click handling: select path's entry, load the editor,
  // and for a source file its model list and header (an empty editor
  // otherwise).
  void Open(const std::string& path);
  // Opens the folder in the file list.
  void OpenFolder(const std::string& folder);
};

}  // namespace fitfixture
