#include "workbench/pages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/refriglib.h"
#include "pages_helpers.h"
#include "reflib_helpers.h"
#include "testsupport/testenv.h"
#include "workbench/sourcefile.h"

namespace {

using platform::TStringList;
using workbench::TReportView;
using workbench::TSourceFile;
using Lines = std::vector<std::string>;

Lines LinesOf(const TStringList& list) { return list.Items(); }

const Lines kCommonHead = {
    "<html>",
    "<head>",
    "<style>",
    "body {font-family:\"Courier New\"}",
    "table {border:none; border-collapse:collapse; text-size:10pt}",
    "th, td {border:1px solid #afbcda}",
    "th {font-weight:bold; text-align:left}",
};
const Lines kShadingRules = {
    ".curve {font-size:8pt}",
    ".raw {font-size:8pt; color:#44571e}",
    ".out1 {background-color:#f1d6d3}",
    ".out2 {background-color:#e7b9b4}",
};
const Lines kHeadEnd = {"</style>", "</head>", "<body>"};
const Lines kEnd = {"</body>", "</html>"};
const std::string kKeyValueHead = "<tr><th width=\"160\">Key</th><th width=\"460\">Value</th></tr>";

Lines Join(std::initializer_list<Lines> parts) {
  Lines out;
  for (const Lines& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

Lines Head(TReportView view) {
  switch (view) {
    case TReportView::Header:
      return Join({kCommonHead, {".key {color:#557f3f}"}, kHeadEnd});
    case TReportView::Model:
      return Join({kCommonHead,
                   {".hrow {background-color:#e3e4dc}", ".hcol {background-color:#e3e4dc}", ".key {color:#557f3f}"},
                   kShadingRules, kHeadEnd});
    case TReportView::Regression:
      return Join({kCommonHead,
                   {"caption {font-weight:bold; text-align:left}", ".hrow {background-color:#e3e4dc}",
                    ".hcol {background-color:#e3e4dc}"},
                   kShadingRules, kHeadEnd});
  }
  return {};
}

// The coefficient cells of "AX20 <big>" in "%0.4g", for the Model and
// Regression pages.
const std::string kECells =
    "<td width=\"80\">1.235E+004</td><td width=\"80\">1235</td><td width=\"80\">0.37</td>"
    "<td width=\"80\">-0.11</td><td width=\"80\">0.00003</td><td width=\"80\">9E-006</td>"
    "<td width=\"80\">1E+020</td><td width=\"80\">0</td><td width=\"80\">-2.5E-007</td></tr>";
const std::string kPCells =
    "<td>1.2</td><td>0.01</td><td>0.0001</td><td>0.015</td><td>0.0003</td><td>0.0002</td><td>1E-006</td>"
    "<td>-1E-006</td><td>1E-008</td></tr>";

std::string Row(const std::string& key, const std::string& value) {
  return "<tr><td class=\"key\">" + key + "</td><td>" + value + "</td></tr>";
}

// pages.ini: a header, a model with a 3 te x 2 tc table (one point flagged
// 1, one flagged 2), a model with coefficients only and one with neither.
class PagesTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { reflibfixture::Init(); }
  static void TearDownTestSuite() { reflibfixture::Done(); }
  void SetUp() override { path_ = pagesfixture::OpenFixture(source_, "pages.ini"); }
  void Select(const std::string& model) { pagesfixture::Select(source_, model); }

  TSourceFile source_;
  std::string path_;
};

TEST_F(PagesTest, EveryPageStartsWithTheCommonHeadAndItsOwnRules) {
  for (TReportView view : {TReportView::Header, TReportView::Model, TReportView::Regression}) {
    TStringList page;
    workbench::AddPageHead(page, view);
    workbench::AddPageEnd(page);
    EXPECT_EQ(LinesOf(page), Join({Head(view), kEnd})) << static_cast<int>(view);
  }
}

TEST_F(PagesTest, HeaderPageListsTheHeaderRecordAndDefaults) {
  TStringList page;
  workbench::BuildHeaderPage(source_, page);
  const Lines expected = Join({Head(TReportView::Header),
                               {"<h2>Header</h2>", "<table>", kKeyValueHead,
                                Row("Manuf", "Acme &amp; Sons"),   // names are escaped for the page
                                Row("Make", "AX"), Row("Description", "Hermetic piston"), Row("Refrig", "R404A"),
                                Row("TeLo", "-25.0"), Row("TeHi", "10.0"), Row("TcLo", "40.0"), Row("TcHi", "60.0"),
                                Row("Freq", "50"), Row("shRef", "11.0"), Row("scRef", "8.3"),
                                Row("hrf", "0.97"),   // two decimals here, one on the Model page
                                "</table>", "<p>&nbsp;</p>"},
                               kEnd});
  EXPECT_EQ(LinesOf(page), expected);
}

TEST_F(PagesTest, HeaderPageShowsShRefOnlyWhenSgRefIsExactlyNotGiven) {
  struct Case {
    double sgRef;
    std::string row;
  };
  for (const Case& c : {Case{-300, Row("shRef", "11.0")}, Case{18.0, Row("sgRef", "18.0")},
                        Case{-299.9, Row("sgRef", "-299.9")}, Case{-150, Row("sgRef", "-150.0")}}) {
    source_.Defaults.sgRef = c.sgRef;
    TStringList page;
    workbench::BuildHeaderPage(source_, page);
    const Lines lines = LinesOf(page);
    int rows = 0;
    for (const std::string& line : lines)
      rows += line.find(">shRef<") != std::string::npos || line.find(">sgRef<") != std::string::npos;
    EXPECT_EQ(rows, 1) << c.sgRef;
    EXPECT_NE(std::find(lines.begin(), lines.end(), c.row), lines.end()) << c.sgRef;
  }
}

TEST_F(PagesTest, HeaderPageNamesAnUnknownRefrigerantR22) {
  source_.Header.RefrigNumber = 4711;
  TStringList page;
  workbench::BuildHeaderPage(source_, page);
  EXPECT_EQ(page.IndexOf(Row("Refrig", "R22")), 17);
  // Without the refrigerant library the page is still built.
  reflibfixture::Done();
  source_.Header.RefrigNumber = 2;
  TStringList without;
  EXPECT_NO_THROW(workbench::BuildHeaderPage(source_, without));
  reflibfixture::Init();
  EXPECT_EQ(without.IndexOf(Row("Refrig", "R22")), 17);
}

TEST_F(PagesTest, ModelPageShowsTheRawTableTransposedWithShading) {
  Select("AX10");
  TStringList page;
  workbench::BuildModelPage(source_.CompData, page);
  const Lines expected = Join(
      {Head(TReportView::Model),
       {"<h2>AX10</h2>", "<table>", kKeyValueHead, Row("Description", "Hermetic piston"), Row("Freq", "50"),
        Row("hrf", "1.0"),     // the header's 0.97 with one decimal
        Row("shRef", "5.0"),   // the section's own value, not the header's 11
        Row("scRef", "8.3"), Row("1-Phase", "False"), Row("3-Phase", "True"), "</table>", "<br>",
        "<table class=\"raw\">",
        "<tr class=\"hrow\"><td width=\"45\">te</td><td width=\"40\">tc</td>"
        "<td width=\"60\">40.0</td><td width=\"60\">50.0</td></tr>",
        "<tr><td class=\"hcol\">-20.0</td><td>Qe</td><td >1.500</td><td >1.200</td></tr>",
        "<tr><td class=\"hcol\"></td><td>Pw</td><td >0.900</td><td >1.100</td></tr>",
        "<tr><td class=\"hcol\">-10.0</td><td>Qe</td><td class=\"out1\">2.500</td><td >2.100</td></tr>",
        "<tr><td class=\"hcol\"></td><td>Pw</td><td class=\"out1\">1.050</td><td >1.300</td></tr>",
        "<tr><td class=\"hcol\">0.0</td><td>Qe</td><td >3.600</td><td class=\"out2\">3.100</td></tr>",
        "<tr><td class=\"hcol\"></td><td>Pw</td><td >1.200</td><td class=\"out2\">1.500</td></tr>",
        "</table>", "<br>", "<table class=\"curve\">", "</table>"},
       kEnd});
  EXPECT_EQ(LinesOf(page), expected);
}

TEST_F(PagesTest, ModelPageOfACoefficientOnlyModel) {
  Select("AX20 <big>");
  TStringList page;
  workbench::BuildModelPage(source_.CompData, page);
  const Lines expected = Join(
      {Head(TReportView::Model),
       {"<h2>AX20 &lt;big&gt;</h2>", "<table>", kKeyValueHead, Row("Description", "Coefficients only"),
        Row("Freq", "60"), Row("hrf", "0.9"), Row("sgRef", "18.0"), Row("scRef", "8.3"), Row("1-Phase", "True"),
        Row("3-Phase", "False"), "</table>", "<br>", "<br>", "<table class=\"curve\">",
        "<tr><td class=\"key\" width=\"35\">e</td>" + kECells,
        "<tr><td class=\"key\">p</td>" + kPCells,
        "</table>"},
       kEnd});
  EXPECT_EQ(LinesOf(page), expected);
}

TEST_F(PagesTest, ModelPageOfAModelWithoutDataHasAnEmptyCurveTable) {
  Select("AX30");
  TStringList page;
  workbench::BuildModelPage(source_.CompData, page);
  const Lines lines = LinesOf(page);
  const Lines tail(lines.end() - 8, lines.end());
  EXPECT_EQ(tail, (Lines{Row("3-Phase", "True"), "</table>", "<br>", "<br>", "<table class=\"curve\">", "</table>",
                         "</body>", "</html>"}));
  EXPECT_EQ(page.IndexOf("<table class=\"raw\">"), -1);
}

TEST_F(PagesTest, RegressionPageShowsTheCoefficientTable) {
  Select("AX20 <big>");
  TStringList page;
  workbench::BuildCoefficientsPage(source_.CurrentFile, source_.CompData, page);
  const Lines expected = Join(
      {Head(TReportView::Regression),
       {"<h3>" + path_ + "</h3>", "<br>", "<table class=\"curve\">", "<caption>Coefficients</caption>",
        "<tr class=\"hrow\"><td>&nbsp;</td><td>0</td><td>1</td><td>2</td><td>3</td><td>4</td><td>5</td><td>6</td>"
        "<td>7</td><td>8</td></tr>",
        "<tr><td class=\"hcol\" width=\"35\">e</td>" + kECells,
        "<tr><td class=\"hcol\">p</td>" + kPCells,
        "</table>"},
       kEnd});
  EXPECT_EQ(LinesOf(page), expected);
}

TEST_F(PagesTest, RegressionPageOfAModelWithoutCoefficients) {
  Select("AX10");
  TStringList page;
  workbench::BuildCoefficientsPage("/data/a&b.ini", source_.CompData, page);
  EXPECT_EQ(LinesOf(page), Join({Head(TReportView::Regression),
                                 {"<h3>/data/a&amp;b.ini</h3>", "<br>", "<p>Polynomial coefficients not used...</p>"},
                                 kEnd}));
}

TEST(PageNumbers, CoefficientsUseFourSignificantDigits) {
  struct Case {
    double value;
    const char* text;
  };
  for (const Case& c : {Case{12345.678, "1.235E+004"}, Case{1234.5678, "1235"}, Case{9999.4, "9999"},
                        Case{9999.6, "1E+004"}, Case{123.45678, "123.5"}, Case{100, "100"}, Case{0.37, "0.37"},
                        Case{-0.11, "-0.11"}, Case{0.00001, "0.00001"}, Case{0.0000099, "9.9E-006"},
                        Case{1e20, "1E+020"}, Case{0, "0"}, Case{-2.5e-7, "-2.5E-007"}, Case{1.5e-300, "1.5E-300"},
                        Case{-12345.678, "-1.235E+004"}, Case{0.012345, "0.01235"}}) {
    EXPECT_EQ(workbench::FormatCoefficient(c.value), c.text) << c.value;
  }
}

TEST_F(PagesTest, ShowRoutinesClearTheViewerRebuildTheBufferAndLoadIt) {
  workbench::TReportPages pages(source_);
  std::vector<std::string> calls;
  const TStringList* loaded = nullptr;
  pages.ClearView = [&](TReportView v) { calls.push_back("clear " + std::to_string(static_cast<int>(v))); };
  pages.LoadView = [&](TReportView v, const TStringList& lines) {
    calls.push_back("load " + std::to_string(static_cast<int>(v)) + " " + std::to_string(lines.Count()));
    loaded = &lines;
  };
  Select("AX10");
  pages.ShowHeader();
  EXPECT_EQ(loaded, &pages.HeaderPage);
  pages.ShowHeader();   // built again, not appended
  pages.ShowModel();
  EXPECT_EQ(loaded, &pages.ModelPage);
  pages.ShowCoefficients();
  EXPECT_EQ(loaded, &pages.RegressionPage);

  TStringList header, model, regression;
  workbench::BuildHeaderPage(source_, header);
  workbench::BuildModelPage(source_.CompData, model);
  workbench::BuildCoefficientsPage(path_, source_.CompData, regression);
  EXPECT_EQ(LinesOf(pages.HeaderPage), LinesOf(header));
  EXPECT_EQ(LinesOf(pages.ModelPage), LinesOf(model));
  EXPECT_EQ(LinesOf(pages.RegressionPage), LinesOf(regression));
  const std::string h = std::to_string(header.Count());
  EXPECT_EQ(calls, (Lines{"clear 0", "load 0 " + h, "clear 0", "load 0 " + h, "clear 1",
                          "load 1 " + std::to_string(model.Count()), "clear 2",
                          "load 2 " + std::to_string(regression.Count())}));

  // Unset hooks: the buffers are still built.
  workbench::TReportPages headless(source_);
  headless.ShowModel();
  EXPECT_EQ(LinesOf(headless.ModelPage), LinesOf(model));
}

// ---- The raw table of large models

// A model with teCount x tcCount table points; Qe is 1000 x (te index +
// tc index) W so that a cell tells where it came from, and the point in the
// last te row and tc column is flagged 2.
core::TCompData LargeModel(size_t teCount, size_t tcCount) {
  core::TCompData model;
  model.Name = "Large";
  model.HasTable = true;
  for (size_t i = 0; i < teCount; ++i) model.TeList.push_back(static_cast<double>(i));
  for (size_t j = 0; j < tcCount; ++j) model.TcList.push_back(static_cast<double>(j));
  for (size_t j = 0; j < tcCount; ++j) {
    model.Valid.emplace_back(teCount, 0);
    model.QeTable.emplace_back(teCount);
    model.PwTable.emplace_back(teCount, 1.0);
    for (size_t i = 0; i < teCount; ++i) model.QeTable[j][i] = 1000.0 * static_cast<double>(i + j);
  }
  model.Valid[tcCount - 1][teCount - 1] = 2;
  return model;
}

size_t CountOf(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++n;
  return n;
}

struct RawTableShape {
  size_t rows = 0;          // te lines (Qe and Pw) between the header line and "</table>"
  size_t widestLine = 0;    // data cells in the widest of them
  std::string note;         // the line after the table when it says what is left out
  size_t bytes = 0;         // the whole page
};

RawTableShape ShapeOf(const TStringList& page) {
  RawTableShape shape;
  const Lines lines = LinesOf(page);
  const auto start = std::find(lines.begin(), lines.end(), "<table class=\"raw\">");
  EXPECT_NE(start, lines.end());
  if (start == lines.end()) return shape;
  auto it = start + 2;   // past the tc header line
  for (; it != lines.end() && *it != "</table>"; ++it) {
    ++shape.rows;
    shape.widestLine = std::max(shape.widestLine, CountOf(*it, "<td ") - CountOf(*it, "<td class=\"hcol\""));
  }
  if (it != lines.end() && it + 1 != lines.end() && (it + 1)->rfind("<p>", 0) == 0) shape.note = *(it + 1);
  for (const std::string& line : lines) shape.bytes += line.size() + 1;
  return shape;
}

// The Model page of a table of any size stays within the raw table's bounds
// and says what it leaves out; a table inside the bounds is shown whole.
TEST(ModelPageBounds, ALargeTableShowsItsFirstValuesAndSaysHowManyAreShown) {
  using workbench::kRawTableMaxTc;
  using workbench::kRawTableMaxTe;
  struct Case {
    size_t te, tc;
    std::string note;
  };
  const std::vector<Case> cases = {
      {kRawTableMaxTe, kRawTableMaxTc, ""},
      {1024, 1024, "<p>Table too large: 500 of 1024 te values and 50 of 1024 tc values shown...</p>"},
      {100000, 8, "<p>Table too large: 500 of 100000 te values and 8 of 8 tc values shown...</p>"},
      {3, kRawTableMaxTc + 1, "<p>Table too large: 3 of 3 te values and 50 of 51 tc values shown...</p>"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.te) + " x " + std::to_string(c.tc));
    TStringList page;
    workbench::BuildModelPage(LargeModel(c.te, c.tc), page);
    const RawTableShape shape = ShapeOf(page);
    EXPECT_EQ(shape.rows, 2 * std::min(c.te, kRawTableMaxTe));
    EXPECT_EQ(shape.widestLine, std::min(c.tc, kRawTableMaxTc));
    EXPECT_EQ(shape.note, c.note);
    EXPECT_LT(shape.bytes, 4u << 20);
    EXPECT_EQ(LinesOf(page).back(), "</html>");
  }
}

TEST(ModelPageBounds, TheShownCellsAreTheTablesOwnFirstOnes) {
  TStringList page;
  workbench::BuildModelPage(LargeModel(1024, 1024), page);
  const int head = page.IndexOf("<table class=\"raw\">");
  ASSERT_GE(head, 0);
  std::string tcLine = "<tr class=\"hrow\"><td width=\"45\">te</td><td width=\"40\">tc</td>";
  for (size_t j = 0; j < workbench::kRawTableMaxTc; ++j)
    tcLine += "<td width=\"60\">" + std::to_string(j) + ".0</td>";
  EXPECT_EQ(page.Get(head + 1), tcLine + "</tr>");
  // te 7: Qe (7 + j) kW in column j.
  const std::string qe7 = page.Get(head + 2 + 2 * 7);
  EXPECT_EQ(qe7.rfind("<tr><td class=\"hcol\">7.0</td><td>Qe</td><td >7.000</td><td >8.000</td>", 0), 0u);
  EXPECT_NE(qe7.find("<td >56.000</td></tr>"), std::string::npos);
  // The point flagged 2 lies outside what is shown.
  EXPECT_EQ(page.Text().find("out2\">"), std::string::npos);
}

class ModelPageOfAFile : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { reflibfixture::Init(); }
  static void TearDownTestSuite() { reflibfixture::Done(); }
};

// The largest table a source file can hold, read as the main window reads it.
TEST_F(ModelPageOfAFile, TheLargestTableReadsWholeAndShowsBounded) {
  constexpr size_t kSize = 1024;   // 1024 one-digit values fill the 2047 characters a value can hold
  std::string list, zeros;
  for (size_t i = 0; i < kSize; ++i) {
    list += (i ? "," : "") + std::to_string(i % 10);
    zeros += i ? ",0" : "0";
  }
  std::string text = "[Header]\nFileType=Dravlen Data File\n[Huge]\nTe=" + list + "\nTc=" + list + "\n";
  for (const std::string key : {"Valid", "Qe", "Pw"})
    for (size_t j = 1; j <= kSize; ++j) text += key + std::to_string(j) + "=" + (key == "Valid" ? zeros : list) + "\n";
  TSourceFile source;
  source.CurrentFile = testsupport::MakeTempDir("pages-huge") + "/huge.ini";
  testsupport::WriteAll(source.CurrentFile, text);
  source.CheckFileType();
  ASSERT_TRUE(source.IsValidFile);
  source.LoadModelList();
  source.LoadHeader();
  source.SelectModel(0);
  ASSERT_TRUE(source.CompData.HasTable) << source.VerifyLog.Text();
  EXPECT_EQ(source.CompData.QeTable.size(), kSize);
  TStringList page;
  workbench::BuildModelPage(source.CompData, page);
  const RawTableShape shape = ShapeOf(page);
  EXPECT_EQ(shape.rows, 2 * workbench::kRawTableMaxTe);
  EXPECT_EQ(shape.note, "<p>Table too large: 500 of 1024 te values and 50 of 1024 tc values shown...</p>");
}

}  // namespace
