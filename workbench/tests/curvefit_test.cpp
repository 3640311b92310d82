// Curve fit (Add Coeff) and Remove Coeff on source files in temporary folders.
#include "workbench/curvefit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "core/inifiles.h"
#include "fit_helpers.h"
#include "platform/dialogs.h"
#include "testsupport/testenv.h"

namespace {

using fitfixture::GeneratedModel;
using fitfixture::SourceText;
using fitfixture::TableModel;
using workbench::TActionPage;

const std::vector<double> kTe = {-35.1, -30.3, -25.7, -20.2, -15.9, -10.4, -5.3, 0.6, 5.2, 10.1};
const std::vector<double> kTc = {25.3, 30.7, 35.1, 40.2, 45.6, 50.9};

class CurveFitTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fitfixture::StartModules();
    folder_ = testsupport::MakeTempDir("fit");
  }
  void TearDown() override { fitfixture::FinishModules(); }

  // Writes a source file and opens it as the file list's click would.
  std::string Load(const std::string& name, const std::string& text) {
    const std::string path = folder_ + "/" + name;
    testsupport::WriteAll(path, text);
    wb_.OpenFolder(folder_);
    wb_.Open(path);
    return path;
  }
  std::string Key(const std::string& section, const std::string& key) {
    core::TIniFile ini(wb_.source.CurrentFile);
    return ini.ReadString(section, key, "");
  }
  const std::vector<std::string>& Page() { return wb_.shown[TActionPage::Regression]; }
  bool PageHas(const std::string& line) {
    return std::find(Page().begin(), Page().end(), line) != Page().end();
  }

  std::string folder_;
  fitfixture::Workbench wb_;
  platform::MessageCapture boxes_;
};

// ---------------------------------------------------------------- main path

TEST_F(CurveFitTest, GeneratedTableFitsBackToTheKnownCoefficients) {
  Load("gen.ini", SourceText({"Manufacturer=Test"}, {GeneratedModel("G1", kTe, kTc)}));
  wb_.fit.ActionAddCoeffExecute();

  EXPECT_TRUE(boxes_.boxes.empty());
  // The six significant digits written are those of the coefficients the
  // table was made from.
  EXPECT_EQ(Key("G1", "e"), core::Poly9ToText(fitfixture::kQeCoef));
  EXPECT_EQ(Key("G1", "p"), core::Poly9ToText(fitfixture::kPwCoef));
  EXPECT_EQ(Key("G1", "e"),
            "6.13478E+001, 2.11935E+000, 2.72915E-002, -7.12904E-001, 2.19478E-003, -1.32619E-002, "
            "1.41396E-004, 5.13872E-005, -3.20189E-006");

  const std::vector<std::string> expected = {
      "<html>",
      "<head>",
      "<style>",
      "body {font-family:\"Courier New\"}",
      "table {border:none; border-collapse:collapse; text-size:10pt}",
      "th, td {border:1px solid #afbcda}",
      "th {font-weight:bold; text-align:left}",
      ".key {color:#557f3f}",
      ".curve {font-size:8pt}",
      ".raw {font-size:8pt; color:#44571e}",
      ".out1 {background-color:#f1d6d3}",
      ".out2 {background-color:#e7b9b4}",
      "</style>",
      "</head>",
      "<body>",
      "<h3>G1</h3>",
      "<p>R<sup>2</sup>(cooling) = 1.0000<br>",
      "R<sup>2</sup>(power) = 1.0000</p>",
      "<table class=\"curve\">",
      "<tr><td class=\"key\" width=\"35\">e</td><td width=\"80\">61.35</td><td width=\"80\">2.119</td>"
      "<td width=\"80\">0.02729</td><td width=\"80\">-0.7129</td><td width=\"80\">0.002195</td>"
      "<td width=\"80\">-0.01326</td><td width=\"80\">0.0001414</td><td width=\"80\">0.00005139</td>"
      "<td width=\"80\">-3.202E-006</td></tr>",
      "<tr><td class=\"key\">p</td><td>3.882</td><td>-0.04121</td><td>-0.001212</td><td>0.153</td>"
      "<td>0.001433</td><td>0.005218</td><td>0.00002669</td><td>-0.00001962</td><td>4.177E-007</td></tr>",
      "</table>",
      "</body>",
      "</html>",
  };
  EXPECT_EQ(Page(), expected);

  // The window's side: notice, one pass through messages, the page, the
  // notice back, the editor reloaded with the written keys.
  const std::vector<std::string> events = {"notice Busy calculating...", "messages", "clear Regression",
                                           "show Regression", "notice ...", "reload"};
  EXPECT_EQ(wb_.events, events);
  EXPECT_NE(wb_.editorText.find("e=6.13478E+001"), std::string::npos);
  // The model object holds the last model with its new coefficients.
  EXPECT_TRUE(wb_.source.CompData.HasCurveFit);
  EXPECT_NEAR(wb_.source.CompData.QeCoef[0], fitfixture::kQeCoef[0], 1e-8);
}

// An independent least-squares fit: Householder QR in extended precision on
// the nine polynomial terms.
struct Independent {
  std::vector<long double> coef;
  double r2a = 0.0;
};

Independent LeastSquares(const std::vector<std::array<double, 3>>& points) {   // te, tc, y
  const int n = static_cast<int>(points.size()), p = 9;
  std::vector<std::vector<long double>> a(n, std::vector<long double>(p));
  std::vector<long double> y(n);
  for (int k = 0; k < n; ++k) {
    const long double te = points[k][0], tc = points[k][1];
    a[k] = {1.0L, te, te * te, tc, tc * tc, te * tc, te * te * tc, te * tc * tc, te * te * tc * tc};
    y[k] = points[k][2];
  }
  std::vector<long double> qy = y;
  for (int j = 0; j < p; ++j) {
    long double norm = 0;
    for (int k = j; k < n; ++k) norm += a[k][j] * a[k][j];
    norm = std::sqrt(norm);
    const long double alpha = a[j][j] > 0 ? -norm : norm;
    std::vector<long double> v(n, 0.0L);
    for (int k = j; k < n; ++k) v[k] = a[k][j];
    v[j] -= alpha;
    long double vv = 0;
    for (int k = j; k < n; ++k) vv += v[k] * v[k];
    for (int c = j; c < p; ++c) {
      long double dot = 0;
      for (int k = j; k < n; ++k) dot += v[k] * a[k][c];
      for (int k = j; k < n; ++k) a[k][c] -= 2 * dot / vv * v[k];
    }
    long double dot = 0;
    for (int k = j; k < n; ++k) dot += v[k] * qy[k];
    for (int k = j; k < n; ++k) qy[k] -= 2 * dot / vv * v[k];
  }
  Independent r;
  r.coef.assign(p, 0.0L);
  for (int j = p - 1; j >= 0; --j) {
    long double s = qy[j];
    for (int c = j + 1; c < p; ++c) s -= a[j][c] * r.coef[c];
    r.coef[j] = s / a[j][j];
  }
  long double sse = 0, mean = 0, sst = 0;
  for (int k = p; k < n; ++k) sse += qy[k] * qy[k];
  for (long double v : y) mean += v;
  mean /= n;
  for (long double v : y) sst += (v - mean) * (v - mean);
  r.r2a = static_cast<double>(1.0L - (sse / (n - p)) / (sst / (n - 1)));
  return r;
}

struct RealTable {
  const char* csv;
  double qeR2a;   // adjusted R2 of the same grid fitted with LAPACK (reference data)
  double pwR2a;
};

TEST_F(CurveFitTest, RealTablesAgreeWithAnIndependentLeastSquaresFit) {
  for (const RealTable& t : {RealTable{"R22-low-recip-016.csv", 0.999962, 0.999689},
                             RealTable{"R22-high-recip-0150.csv", 0.999944, 0.999939}}) {
    SCOPED_TRACE(t.csv);
    const TableModel model = fitfixture::CsvModel("Real", t.csv);
    Load("real.ini", SourceText({}, {model}));
    wb_.fit.CurveFit();

    std::vector<std::array<double, 3>> qe, pw;
    for (size_t j = 0; j < model.tc.size(); ++j) {
      for (size_t i = 0; i < model.te.size(); ++i) {
        qe.push_back({model.te[i], model.tc[j], 0.001 * model.qe[j][i]});
        pw.push_back({model.te[i], model.tc[j], model.pw[j][i]});
      }
    }
    const Independent q = LeastSquares(qe), p = LeastSquares(pw);

    wb_.source.SelectModel(0);
    const workbench::TModelFit fit = workbench::FitModel(wb_.source.CompData);
    ASSERT_TRUE(fit.Ok());
    EXPECT_EQ(fit.Points, static_cast<int>(qe.size()));
    EXPECT_NEAR(fit.QeStats.R2a, q.r2a, 5e-5);
    EXPECT_NEAR(fit.PwStats.R2a, p.r2a, 5e-5);
    EXPECT_NEAR(q.r2a, t.qeR2a, 1e-4);
    EXPECT_NEAR(p.r2a, t.pwR2a, 1e-4);
    EXPECT_TRUE(PageHas(platform::Format("<p>R<sup>2</sup>(cooling) = %0.4f<br>", {q.r2a})));
    EXPECT_TRUE(PageHas(platform::Format("R<sup>2</sup>(power) = %0.4f</p>", {p.r2a})));

    // The written coefficients predict what the independent fit predicts,
    // to their six digits.
    core::TPoly9Coef e{}, pc{};
    core::TextToPoly9(Key("Real", "e"), e);
    core::TextToPoly9(Key("Real", "p"), pc);
    auto check = [](const std::vector<std::array<double, 3>>& points, const Independent& ref,
                    const core::TPoly9Coef& written) {
      for (const auto& [te, tc, y] : points) {
        const long double t[9] = {1, te, te * te, tc, tc * tc, te * tc, te * te * tc, te * tc * tc, te * te * tc * tc};
        long double predicted = 0;
        for (int j = 0; j < 9; ++j) predicted += ref.coef[j] * t[j];
        const double value = static_cast<double>(predicted);
        EXPECT_NEAR(core::Poly9(written, te, tc), value, 1e-4 * std::fabs(value)) << te << " " << tc;
      }
    };
    check(qe, q, e);
    check(pw, p, pc);
  }
}

// ---------------------------------------------------------------- point selection

TEST_F(CurveFitTest, FlaggedAndNonPositivePointsAreLeftOut) {
  TableModel m = GeneratedModel("Sel", {-30, -20, -10, 0, 10}, {30, 40, 50, 60});
  m.valid.assign(4, std::vector<int>(5, 0));
  // Left out: three points flagged 2 (with values far off the polynomial),
  // a capacity of 0 and a power below 0.
  m.valid[0][1] = 2;
  m.qe[0][1] = 1e6;
  m.valid[2][3] = 2;
  m.pw[2][3] = 99.0;
  m.valid[3][4] = 2;
  m.qe[3][4] = -5.0;
  m.qe[1][2] = 0.0;
  m.pw[3][0] = -1.0;
  // Used: a point flagged 1 (its value is on the polynomial).
  m.valid[1][4] = 1;
  Load("sel.ini", SourceText({}, {m}));

  wb_.source.SelectModel(0);
  const workbench::TModelFit fit = workbench::FitModel(wb_.source.CompData);
  EXPECT_EQ(fit.Points, 15);
  wb_.fit.CurveFit();
  // An exact fit shows that no point off the polynomial was taken.
  EXPECT_EQ(Key("Sel", "e"), core::Poly9ToText(fitfixture::kQeCoef));
  EXPECT_EQ(Key("Sel", "p"), core::Poly9ToText(fitfixture::kPwCoef));
  EXPECT_TRUE(PageHas("<p>R<sup>2</sup>(cooling) = 1.0000<br>"));

  // The point flagged 1 counts: flagged 2 it leaves 14.
  m.valid[1][4] = 2;
  Load("sel2.ini", SourceText({}, {m}));
  wb_.source.SelectModel(0);
  EXPECT_EQ(workbench::FitModel(wb_.source.CompData).Points, 14);
}

TEST_F(CurveFitTest, ExistingCoefficientsAreReplaced) {
  TableModel m = GeneratedModel("Old", kTe, kTc);
  m.keys = {{"e", "1, 2, 3, 4, 5, 6, 7, 8, 9"}, {"p", "9, 8, 7, 6, 5, 4, 3, 2, 1"}};
  const std::string path = Load("old.ini", SourceText({}, {m}));
  wb_.fit.CurveFit();
  EXPECT_EQ(Key("Old", "e"), core::Poly9ToText(fitfixture::kQeCoef));
  EXPECT_EQ(Key("Old", "p"), core::Poly9ToText(fitfixture::kPwCoef));
  // Replaced in place: one e and one p in the file.
  const std::string text = testsupport::ReadAll(path);
  EXPECT_EQ(text.find("\ne="), text.rfind("\ne="));
  EXPECT_EQ(text.find("\np="), text.rfind("\np="));
}

TEST_F(CurveFitTest, ModelsWithoutTableAreNeitherShownNorChanged) {
  TableModel noTable;
  noTable.name = "NoTable";
  noTable.keys = {{"e", "1, 2, 3, 4, 5, 6, 7, 8, 9"}, {"p", "9, 8, 7, 6, 5, 4, 3, 2, 1"}};
  TableModel noTc;   // Te without Tc: a read error, no table
  noTc.name = "NoTc";
  noTc.keys = {{"Te", "-10, 0, 10"}};
  Load("mixed.ini", SourceText({}, {noTable, GeneratedModel("Fit", kTe, kTc), noTc}));
  wb_.fit.CurveFit();
  EXPECT_EQ(Key("NoTable", "e"), "1, 2, 3, 4, 5, 6, 7, 8, 9");
  EXPECT_EQ(Key("NoTable", "p"), "9, 8, 7, 6, 5, 4, 3, 2, 1");
  EXPECT_EQ(Key("NoTc", "e"), "");
  EXPECT_FALSE(PageHas("<h3>NoTable</h3>"));
  EXPECT_FALSE(PageHas("<h3>NoTc</h3>"));
  EXPECT_TRUE(PageHas("<h3>Fit</h3>"));
  EXPECT_EQ(Key("Fit", "e"), core::Poly9ToText(fitfixture::kQeCoef));
}

TEST_F(CurveFitTest, UndeterminedFitsReportAndLeaveTheFileUnchanged) {
  // Two tc rows cannot separate the tc² terms; three points are fewer than
  // the nine coefficients.
  TableModel two = GeneratedModel("Two", {-30, -20, -10, 0, 10}, {35.3, 45.7});
  two.keys = {{"e", "1, 2, 3, 4, 5, 6, 7, 8, 9"}, {"p", "9, 8, 7, 6, 5, 4, 3, 2, 1"}};
  TableModel few = GeneratedModel("Few", {-20, 0, 10}, {40});
  TableModel none = GeneratedModel("None", {-20, 0, 10}, {30, 40, 50});   // every point flagged 2
  none.valid.assign(3, std::vector<int>(3, 2));
  const std::string path = Load("two.ini", SourceText({}, {two, few, none}));
  const std::string before = testsupport::ReadAll(path);
  wb_.fit.CurveFit();
  EXPECT_EQ(testsupport::ReadAll(path), before);
  const std::vector<std::string>& page = Page();
  const std::vector<std::string> tail(page.end() - 8, page.end());
  const std::vector<std::string> expected = {"<h3>Two</h3>",  "<p>Curve fit not possible with this data</p>",
                                             "<h3>Few</h3>",  "<p>Curve fit not possible with this data</p>",
                                             "<h3>None</h3>", "<p>Curve fit not possible with this data</p>",
                                             "</body>",       "</html>"};
  EXPECT_EQ(tail, expected);

  // Beside a good model: only the good one is written.
  const std::string path2 = Load("two_good.ini", SourceText({}, {two, GeneratedModel("Good", kTe, kTc)}));
  wb_.fit.CurveFit();
  EXPECT_EQ(Key("Two", "e"), "1, 2, 3, 4, 5, 6, 7, 8, 9");
  EXPECT_EQ(Key("Good", "e"), core::Poly9ToText(fitfixture::kQeCoef));
}

TEST_F(CurveFitTest, NonFiniteCoefficientsCountAsAFailedFit) {
  Load("inf.ini", SourceText({}, {GeneratedModel("Inf", kTe, kTc)}));
  wb_.source.SelectModel(0);
  core::TCompData model = wb_.source.CompData;
  ASSERT_TRUE(workbench::FitModel(model).Ok());
  model.QeTable[2][3] = HUGE_VAL;   // passes "greater than 0"
  const workbench::TModelFit fit = workbench::FitModel(model);
  EXPECT_NE(fit.QeResult, 0);
  EXPECT_EQ(fit.PwResult, 0);
  EXPECT_FALSE(fit.Ok());
}

TEST_F(CurveFitTest, ReadErrorEndsTheFitButKeepsWrittenKeysAndReloadsTheEditor) {
  TableModel bad = GeneratedModel("Bad", kTe, kTc);
  bad.keys = {{"e", "1, 2"}, {"p", "1, 2"}};   // fewer than nine coefficients: raises
  Load("bad.ini", SourceText({}, {GeneratedModel("First", kTe, kTc), bad, GeneratedModel("Last", kTe, kTc)}));
  EXPECT_THROW(wb_.fit.ActionAddCoeffExecute(), platform::EListError);
  EXPECT_EQ(Key("First", "e"), core::Poly9ToText(fitfixture::kQeCoef));
  EXPECT_EQ(Key("Last", "e"), "");
  EXPECT_EQ(wb_.events.back(), "reload");
  EXPECT_EQ(wb_.events[wb_.events.size() - 2], "notice ...");
  EXPECT_NE(wb_.editorText.find("e=6.13478E+001"), std::string::npos);
}

// ---------------------------------------------------------------- guard

TEST_F(CurveFitTest, GuardStopsWithoutFileOrText) {
  struct Case {
    const char* what;
    bool loaded;
    bool emptyEditor;
    const char* message;
  };
  for (const Case& c : {Case{"no file", false, false, "No file loaded..."},
                        Case{"empty editor", true, true, "Nothing to save..."}}) {
    SCOPED_TRACE(c.what);
    const std::string path = Load("guard.ini", SourceText({}, {GeneratedModel("G", kTe, kTc)}));
    if (!c.loaded) wb_.source.CurrentFile.clear();
    if (c.emptyEditor) wb_.editorText.clear();
    wb_.events.clear();
    boxes_.boxes.clear();
    const std::string before = testsupport::ReadAll(path);
    wb_.fit.ActionAddCoeffExecute();
    wb_.fit.ActionRemoveCoeffExecute();
    ASSERT_EQ(boxes_.boxes.size(), 2u);
    EXPECT_EQ(boxes_.boxes[0].text, c.message);
    EXPECT_EQ(boxes_.boxes[1].text, c.message);
    EXPECT_TRUE(wb_.events.empty());
    EXPECT_EQ(testsupport::ReadAll(path), before);
  }
}

// ---------------------------------------------------------------- Remove Coeff

TEST_F(CurveFitTest, RemoveKeepsTheCoefficientsOfModelsWithoutTable) {
  TableModel fitted = GeneratedModel("Fitted", kTe, kTc);
  fitted.keys = {{"e", "1, 2, 3, 4, 5, 6, 7, 8, 9"}, {"p", "1, 2, 3, 4, 5, 6, 7, 8, 9"}};
  TableModel coefOnly;
  coefOnly.name = "CoefOnly";
  coefOnly.keys = {{"e", "1, 1, 1, 1, 1, 1, 1, 1, 1"}, {"p", "2, 2, 2, 2, 2, 2, 2, 2, 2"}};
  TableModel broken = GeneratedModel("Broken", kTe, kTc);   // Qe row 2 short: no table
  broken.keys = coefOnly.keys;
  broken.qe[1].pop_back();
  TableModel bare;   // neither table nor coefficients: not mentioned
  bare.name = "Bare";
  bare.keys = {{"Freq", "60"}};
  const std::string path = Load("remove.ini", SourceText({}, {fitted, coefOnly, broken, bare}));
  // The model shown is one without table: the keys of the fitted model go all
  // the same.
  wb_.source.SelectModel(1);
  const std::string shownName = wb_.source.CompData.Name;
  const int logLines = wb_.source.VerifyLog.Count();

  wb_.fit.ActionRemoveCoeffExecute();
  EXPECT_EQ(Key("Fitted", "e"), "");
  EXPECT_EQ(Key("Fitted", "p"), "");
  EXPECT_EQ(Key("CoefOnly", "e"), "1, 1, 1, 1, 1, 1, 1, 1, 1");
  EXPECT_EQ(Key("CoefOnly", "p"), "2, 2, 2, 2, 2, 2, 2, 2, 2");
  EXPECT_EQ(Key("Broken", "e"), "1, 1, 1, 1, 1, 1, 1, 1, 1");
  EXPECT_EQ(Key("Fitted", "Te"), fitfixture::NumList(kTe));
  const std::vector<std::string> expected = {
      "<html>", "<head>", "</head>", "<body>", "<h3>" + path + "</h3>",
      "<p>Curve fit coefficients removed...</p>",
      "<p>CoefOnly: no table data found (coefficients NOT removed).</p>",
      "<p>Broken: no table data found (coefficients NOT removed).</p>",
      "</body>", "</html>"};
  EXPECT_EQ(Page(), expected);
  EXPECT_EQ(wb_.events.back(), "reload");
  EXPECT_EQ(wb_.editorText, testsupport::ReadAll(path));
  // Neither the model shown nor the Verify log was touched by the probing.
  EXPECT_EQ(wb_.source.CompData.Name, shownName);
  EXPECT_EQ(wb_.source.VerifyLog.Count(), logLines);
}

TEST_F(CurveFitTest, RemoveWithoutAnyTableChangesNothing) {
  TableModel coefOnly;
  coefOnly.name = "CoefOnly";
  coefOnly.keys = {{"e", "1, 1, 1, 1, 1, 1, 1, 1, 1"}, {"p", "2, 2, 2, 2, 2, 2, 2, 2, 2"}};
  const std::string path = Load("none.ini", SourceText({}, {coefOnly}));
  const std::string before = testsupport::ReadAll(path);
  wb_.fit.RemoveCoefficients();
  EXPECT_EQ(testsupport::ReadAll(path), before);
  const std::vector<std::string> expected = {"<html>", "<head>", "</head>", "<body>", "<h3>" + path + "</h3>",
                                             "<p>No table data found (coefficients NOT removed).</p>",
                                             "</body>", "</html>"};
  EXPECT_EQ(Page(), expected);
}

TEST_F(CurveFitTest, FitThenRemoveThenFitAgain) {
  const std::string path = Load("again.ini", SourceText({}, {GeneratedModel("A", kTe, kTc)}));
  wb_.fit.CurveFit();
  const std::string fitted = testsupport::ReadAll(path);
  wb_.fit.RemoveCoefficients();
  EXPECT_EQ(Key("A", "e"), "");
  wb_.fit.CurveFit();
  EXPECT_EQ(testsupport::ReadAll(path), fitted);
}

}  // namespace
