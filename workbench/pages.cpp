#include "workbench/pages.h"

#include <algorithm>
#include <initializer_list>
#include <vector>

#include "core/refriglib.h"
#include "platform/sysutils.h"
#include "workbench/sourcefile.h"

namespace workbench {

namespace {

using platform::Format;
using platform::TStringList;

void AddLines(TStringList& page, std::initializer_list<const char*> lines) {
  for (const char* line : lines) page.Add(line);
}

std::string Text(const std::string& format, const std::string& value) {
  return Format(format, {platform::HtmlEscape(value)});
}
std::string Int(const std::string& format, int64_t value) { return Format(format, {value}); }
std::string Float(const std::string& format, double value) { return Format(format, {value}); }
std::string TrueFalse(bool value) { return value ? "True" : "False"; }

// The refrigerant's name; a missing library must not cost the whole page.
std::string RefrigName(int32_t number) {
  return core::RefrigLibExists() ? core::RefrigNameOf(number) : "R22";
}

constexpr const char* kKeyValueHead = "<tr><th width=\"160\">Key</th><th width=\"460\">Value</th></tr>";

// One table cell of the raw table: shaded by the point's validity flag.
std::string RawCell(double value, int32_t flag) {
  const char* attribute = flag == 1 ? "class=\"out1\"" : flag == 2 ? "class=\"out2\"" : "";
  return std::string("<td ") + attribute + Float(">%0.3f</td>", value);
}

int32_t FlagAt(const core::TIntMat& valid, size_t row, size_t col) {
  return row < valid.size() && col < valid[row].size() ? valid[row][col] : 0;
}

double ValueAt(const core::TFloatMat& table, size_t row, size_t col) {
  return row < table.size() && col < table[row].size() ? table[row][col] : core::kMissingValue;
}

// The raw table, te down and tc across (transposed against the file). A
// table larger than the page's bounds shows its first te values and tc
// values and says how much is left out: a whole table of the largest size a
// source file can hold would cost the viewer gigabytes.
void AddRawTable(const core::TCompData& model, TStringList& page) {
  const size_t teCount = model.TeList.size();
  const size_t tcCount = model.TcList.size();
  const size_t teShown = std::min(teCount, kRawTableMaxTe);
  const size_t tcShown = std::min(tcCount, kRawTableMaxTc);
  page.Add("<table class=\"raw\">");
  std::string line = "<tr class=\"hrow\"><td width=\"45\">te</td><td width=\"40\">tc</td>";
  for (size_t j = 0; j < tcShown; ++j) line += Float("<td width=\"60\">%0.1f</td>", model.TcList[j]);
  page.Add(line + "</tr>");
  for (size_t i = 0; i < teShown; ++i) {
    line = Float("<tr><td class=\"hcol\">%0.1f</td><td>Qe</td>", model.TeList[i]);
    for (size_t j = 0; j < tcShown; ++j)
      line += RawCell(ValueAt(model.QeTable, j, i) * 0.001, FlagAt(model.Valid, j, i));
    page.Add(line + "</tr>");
    line = "<tr><td class=\"hcol\"></td><td>Pw</td>";
    for (size_t j = 0; j < tcShown; ++j)
      line += RawCell(ValueAt(model.PwTable, j, i), FlagAt(model.Valid, j, i));
    page.Add(line + "</tr>");
  }
  page.Add("</table>");
  if (teShown < teCount || tcShown < tcCount)
    page.Add(Format("<p>Table too large: %d of %d te values and %d of %d tc values shown...</p>",
                    {static_cast<int64_t>(teShown), static_cast<int64_t>(teCount), static_cast<int64_t>(tcShown),
                     static_cast<int64_t>(tcCount)}));
}

// The superheat row (or the suction-gas row when that is given) and the
// subcooling row, shared by the Header and Model pages.
void AddReferenceRows(double shRef, double sgRef, double scRef, TStringList& page) {
  if (sgRef == core::kSgRefNotGiven)
    page.Add(Float("<tr><td class=\"key\">shRef</td><td>%0.1f</td></tr>", shRef));
  else
    page.Add(Float("<tr><td class=\"key\">sgRef</td><td>%0.1f</td></tr>", sgRef));
  page.Add(Float("<tr><td class=\"key\">scRef</td><td>%0.1f</td></tr>", scRef));
}

// The e and p rows of a coefficient table; eCell and pCell open them.
void AddCoefficientRows(const core::TCompData& model, const std::string& eCell, const std::string& pCell,
                        TStringList& page) {
  std::string line = eCell;
  for (double c : model.QeCoef) line += "<td width=\"80\">" + FormatCoefficient(c) + "</td>";
  page.Add(line + "</tr>");
  line = pCell;
  for (double c : model.PwCoef) line += "<td>" + FormatCoefficient(c) + "</td>";
  page.Add(line + "</tr>");
}

}  // namespace

std::string FormatCoefficient(double value) { return Format("%0.4g", {value}); }

void AddPageHead(TStringList& page, const std::vector<std::string>& ownRules) {
  AddLines(page, {
                     "<html>",
                     "<head>",
                     "<style>",
                     "body {font-family:\"Courier New\"}",
                     "table {border:none; border-collapse:collapse; text-size:10pt}",
                     "th, td {border:1px solid #afbcda}",
                     "th {font-weight:bold; text-align:left}",
                 });
  for (const std::string& rule : ownRules) page.Add(rule);
  AddLines(page, {"</style>", "</head>", "<body>"});
}

void AddPageHead(TStringList& page, TReportView view) {
  static const std::vector<std::string> shading = {
      ".curve {font-size:8pt}", ".raw {font-size:8pt; color:#44571e}", ".out1 {background-color:#f1d6d3}",
      ".out2 {background-color:#e7b9b4}"};
  std::vector<std::string> rules;
  switch (view) {
    case TReportView::Header:
      rules = {".key {color:#557f3f}"};
      break;
    case TReportView::Model:
      rules = {".hrow {background-color:#e3e4dc}", ".hcol {background-color:#e3e4dc}", ".key {color:#557f3f}"};
      break;
    case TReportView::Regression:
      rules = {"caption {font-weight:bold; text-align:left}", ".hrow {background-color:#e3e4dc}",
               ".hcol {background-color:#e3e4dc}"};
      break;
  }
  if (view != TReportView::Header) rules.insert(rules.end(), shading.begin(), shading.end());
  AddPageHead(page, rules);
}

void AddPageEnd(TStringList& page) { AddLines(page, {"</body>", "</html>"}); }

void BuildHeaderPage(const TSourceFile& source, TStringList& page) {
  const core::TCompFileHeader& h = source.Header;
  const THeaderDefaults& d = source.Defaults;
  AddPageHead(page, TReportView::Header);
  AddLines(page, {"<h2>Header</h2>", "<table>", kKeyValueHead});
  page.Add(Text("<tr><td class=\"key\">Manuf</td><td>%s</td></tr>", h.Manufacturer));
  page.Add(Text("<tr><td class=\"key\">Make</td><td>%s</td></tr>", h.Make));
  page.Add(Text("<tr><td class=\"key\">Description</td><td>%s</td></tr>", d.Description));
  page.Add(Text("<tr><td class=\"key\">Refrig</td><td>%s</td></tr>", RefrigName(h.RefrigNumber)));
  page.Add(Float("<tr><td class=\"key\">TeLo</td><td>%0.1f</td></tr>", h.TeLo));
  page.Add(Float("<tr><td class=\"key\">TeHi</td><td>%0.1f</td></tr>", h.TeHi));
  page.Add(Float("<tr><td class=\"key\">TcLo</td><td>%0.1f</td></tr>", h.TcLo));
  page.Add(Float("<tr><td class=\"key\">TcHi</td><td>%0.1f</td></tr>", h.TcHi));
  page.Add(Int("<tr><td class=\"key\">Freq</td><td>%d</td></tr>", d.Freq));
  AddReferenceRows(d.shRef, d.sgRef, d.scRef, page);
  page.Add(Float("<tr><td class=\"key\">hrf</td><td>%0.2f</td></tr>", d.hrf));
  AddLines(page, {"</table>", "<p>&nbsp;</p>"});
  AddPageEnd(page);
}

void BuildModelPage(const core::TCompData& model, TStringList& page) {
  AddPageHead(page, TReportView::Model);
  page.Add("<h2>" + platform::HtmlEscape(model.Name) + "</h2>");
  AddLines(page, {"<table>", kKeyValueHead});
  page.Add(Text("<tr><td class=\"key\">Description</td><td>%s</td></tr>", model.Description));
  page.Add(Int("<tr><td class=\"key\">Freq</td><td>%d</td></tr>", model.Freq));
  page.Add(Float("<tr><td class=\"key\">hrf</td><td>%0.1f</td></tr>", model.hrf));
  AddReferenceRows(model.shRef, model.sgRef, model.scRef, page);
  page.Add(Text("<tr><td class=\"key\">1-Phase</td><td>%s</td></tr>", TrueFalse(model.OnePhase)));
  page.Add(Text("<tr><td class=\"key\">3-Phase</td><td>%s</td></tr>", TrueFalse(model.ThreePhase)));
  AddLines(page, {"</table>", "<br>"});
  if (model.HasTable) AddRawTable(model, page);
  AddLines(page, {"<br>", "<table class=\"curve\">"});
  if (model.HasCurveFit)
    AddCoefficientRows(model, "<tr><td class=\"key\" width=\"35\">e</td>", "<tr><td class=\"key\">p</td>", page);
  page.Add("</table>");
  AddPageEnd(page);
}

void BuildCoefficientsPage(const std::string& currentFile, const core::TCompData& model, TStringList& page) {
  AddPageHead(page, TReportView::Regression);
  page.Add("<h3>" + platform::HtmlEscape(currentFile) + "</h3>");
  page.Add("<br>");
  if (model.HasCurveFit) {
    AddLines(page, {"<table class=\"curve\">", "<caption>Coefficients</caption>",
                    "<tr class=\"hrow\"><td>&nbsp;</td><td>0</td><td>1</td><td>2</td><td>3</td><td>4</td>"
                    "<td>5</td><td>6</td><td>7</td><td>8</td></tr>"});
    AddCoefficientRows(model, "<tr><td class=\"hcol\" width=\"35\">e</td>", "<tr><td class=\"hcol\">p</td>", page);
    page.Add("</table>");
  } else {
    page.Add("<p>Polynomial coefficients not used...</p>");
  }
  AddPageEnd(page);
}

// ------------------------------------------------------------ TReportPages

TReportPages::TReportPages(const TSourceFile& source) : source_(source) {}

void TReportPages::Show(TReportView view, TStringList& page,
                        const std::function<void(TStringList&)>& build) {
  if (ClearView) ClearView(view);
  page.Clear();
  build(page);
  if (LoadView) LoadView(view, page);
}

void TReportPages::ShowHeader() {
  Show(TReportView::Header, HeaderPage, [this](TStringList& page) { BuildHeaderPage(source_, page); });
}

void TReportPages::ShowModel() {
  Show(TReportView::Model, ModelPage, [this](TStringList& page) { BuildModelPage(source_.CompData, page); });
}

void TReportPages::ShowCoefficients() {
  Show(TReportView::Regression, RegressionPage,
       [this](TStringList& page) { BuildCoefficientsPage(source_.CurrentFile, source_.CompData, page); });
}

}  // namespace workbench
