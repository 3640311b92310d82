// Verification of source files: every rule's message with its exact text and
// the error count it gives, the verdict headings and the page order, summary
// lines of Verify All and the state it leaves for Save, and files that are
// not INI text at all.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/refriglib.h"
#include "platform/sysutils.h"
#include "reflib_helpers.h"
#include "testsupport/testenv.h"
#include "verify_helpers.h"
#include "workbench/sourcefile.h"
#include "workbench/verify.h"
#include <map>

using workbench::TIniPass;
using workbench::TSourceFile;
using workbench::TVerifier;

namespace {

const std::string kData = DRAVLEN_TEST_DATA "/";

std::string CopyFixture(const std::string& name, const std::string& dir, const std::string& as = "") {
  return testsupport::CopyInto(kData + name, dir, as.empty() ? name : as);
}

std::vector<std::string> Lines(const platform::TStringList& list) { return list.Items(); }

using verifyfixture::Faults;

class VerifyTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { reflibfixture::Init(); }
  static void TearDownTestSuite() { reflibfixture::Done(); }

  void SetUp() override { dir_ = testsupport::MakeTempDir("verify"); }

  int VerifyFixture(const std::string& name, bool details = true) {
    source_.CurrentFile = CopyFixture(name, dir_);
    return verifier_.VerifySourceFile(details);
  }

  std::string dir_;
  TSourceFile source_;
  TVerifier verifier_{source_};
};

// ---------------------------------------------------------------- the rules

struct RuleCase {
  const char* file;
  std::vector<std::string> faults;
};

class VerifyRuleTest : public VerifyTest, public ::testing::WithParamInterface<RuleCase> {};

TEST_P(VerifyRuleTest, ListsEveryFaultWithItsTextAndCountsIt) {
  const RuleCase& c = GetParam();
  const int count = VerifyFixture(c.file);
  EXPECT_EQ(Faults(source_.VerifyLog), c.faults);
  EXPECT_EQ(count, static_cast<int>(c.faults.size()));
  EXPECT_EQ(verifier_.ErrorCount, count);
}

const std::string kNoTable[] = {"te range not specified", "tc range not specified", "Invalid power vectors..."};

INSTANTIATE_TEST_SUITE_P(
    Header, VerifyRuleTest,
    ::testing::Values(
        RuleCase{"good.ini", {}},
        RuleCase{"coef_only.ini", {}},
        RuleCase{"no_header.ini", {"No [Header] section found"}},
        RuleCase{"empty_header.ini", {"No [Header] section found"}},
        RuleCase{"filetype_missing.ini", {"<b>FileType</b> not specified"}},
        RuleCase{"filetype_wrong.ini", {"Invalid <b>FileType</b>"}},
        RuleCase{"filetype_lower.ini", {}},
        RuleCase{"header_keys_missing.ini",
                 {"<b>Manufacturer</b> must be included in the header",
                  "<b>Description</b> must be included in the header",
                  "<b>Make</b> must be included in the header"}},
        RuleCase{"header_keys_empty.ini", {}},
        RuleCase{"refrig_empty.ini", {"<b>Refrig</b> must be specified"}},
        RuleCase{"refrig_missing.ini", {"<b>Refrig</b> must be specified"}},
        RuleCase{"refrig_unknown.ini", {"Invalid refrigerant"}},
        RuleCase{"refrig_case.ini", {}},
        RuleCase{"freq_missing.ini", {"Supply frequency cannot be read"}},
        RuleCase{"freq_text.ini", {"Supply frequency is not a valid integer"}},
        RuleCase{"freq_range.ini", {"Supply frequency is out of range"}},
        RuleCase{"hrf_text.ini", {"Heat rejection factor (<b>hrf</b>) is not a valid number"}},
        RuleCase{"hrf_range.ini", {"Heat rejection factor (<b>hrf</b>) is out of range"}},
        RuleCase{"sh_and_sg.ini", {"Specify only <b>shref</b> or <b>sgref</b> (<i>but not both</i>)"}},
        RuleCase{"sh_and_sg_bad_sh.ini",
                 {"Specify only <b>shref</b> or <b>sgref</b> (<i>but not both</i>)",
                  "Superheat reference (<b>shref</b>) is out of range"}},
        RuleCase{"sh_neither.ini", {"You must specify <b>shref</b> or <b>sgref</b>"}},
        RuleCase{"sg_only.ini", {}},
        RuleCase{"sg_only_range.ini", {"Suction gas reference (<b>sgref</b>) is out of range"}},
        RuleCase{"scref_range.ini", {"Sub-cooling reference (<b>scref</b>) is out of range"}},
        RuleCase{"scref_missing.ini", {"Sub-cooling reference (<b>scref</b>) cannot be read"}},
        RuleCase{"te_lo_eq_hi.ini", {"<b>TeLo</b> must be less than <b>TeHi</b>"}},
        RuleCase{"te_lo_range_above.ini", {"Minimum suction (<b>TeLo</b>) is out of range"}},
        RuleCase{"tc_lo_above_hi.ini", {"<b>TcLo</b> must be less than <b>TcHi</b>"}},
        RuleCase{"tc_hi_missing.ini", {"Maximum discharge (<b>TcHi</b>) cannot be read"}}));

INSTANTIATE_TEST_SUITE_P(
    Models, VerifyRuleTest,
    ::testing::Values(
        RuleCase{"coef_and_qe_key.ini", {kNoTable[0], kNoTable[1], kNoTable[2]}},
        RuleCase{"coef_lower_pw_key.ini", {kNoTable[0], kNoTable[1], kNoTable[2]}},
        RuleCase{"coef_then_plain.ini", {kNoTable[0], kNoTable[1], kNoTable[2]}},
        RuleCase{"te_tc_missing.ini", {kNoTable[0], kNoTable[1], kNoTable[2]}},
        RuleCase{"e_short.ini", {"e has wrong number of fields", kNoTable[0], kNoTable[1], kNoTable[2]}},
        RuleCase{"e_not_number.ini", {"e is not a valid vector", kNoTable[0], kNoTable[1], kNoTable[2]}},
        RuleCase{"p_out_of_range.ini", {"p has out of range value", kNoTable[0], kNoTable[1], kNoTable[2]}},
        RuleCase{"e_without_p.ini", {}},
        RuleCase{"te_repeat.ini", {"te values must be mono-directional..."}},
        RuleCase{"te_falling.ini", {}},
        RuleCase{"tc_zigzag.ini", {"tc values must be mono-directional..."}},
        RuleCase{"te_tc_short.ini",
                 {"te range must have at least 3 values", "tc range must have at least 2 values"}},
        RuleCase{"te_not_vector.ini",
                 {"te is not a valid vector", "Qe1 has wrong number of fields", "Pw1 has wrong number of fields",
                  "Invalid power vectors...", "Valid1 has wrong number of fields",
                  "Valid2 has wrong number of fields"}},
        RuleCase{"rows_missing.ini",
                 {"Incorrect number of Qe vectors (expecting 3)", "Incorrect number of Qe vectors (expecting 3)",
                  "Incorrect number of Qe vectors (expecting 3)", "Incorrect number of Pw vectors (expecting 3)",
                  "Incorrect number of Pw vectors (expecting 3)", "Incorrect number of Pw vectors (expecting 3)",
                  "Invalid power vectors..."}},
        RuleCase{"qe_rows_missing.ini",
                 {"Incorrect number of Qe vectors (expecting 3)", "Incorrect number of Qe vectors (expecting 3)"}},
        RuleCase{"valid_rows_missing.ini",
                 {"Incorrect number of Valid vectors (expecting 2)",
                  "Incorrect number of Valid vectors (expecting 2)"}},
        RuleCase{"units_kw.ini", {"Possible units error: Qe [kW] and Pw [W]"}},
        RuleCase{"units_pw_w.ini", {"Possible units error: Qe [kW] and Pw [W]"}},
        RuleCase{"pw_zero.ini", {"Invalid power vectors..."}},
        RuleCase{"valid_three.ini", {"Valid2 has out of range value"}},
        RuleCase{"valid_not_vector.ini", {"Valid1 is not a valid vector"}},
        RuleCase{"valid_wrong_count.ini", {"Valid1 has wrong number of fields"}},
        // The faulty first row stops the Qe rows (the bad second one is not
        // tested); with no Qe sum the ratio is 0.
        RuleCase{"qe_short_row.ini",
                 {"Qe1 has wrong number of fields", "Possible units error: Qe [kW] and Pw [W]"}},
        RuleCase{"qe_negative.ini", {"Qe2 has out of range value"}},
        RuleCase{"qe_not_vector.ini", {"Qe2 is not a valid vector"}},
        RuleCase{"many_faults.ini",
                 {"Supply frequency is out of range", "Sub-cooling reference (<b>scref</b>) cannot be read",
                  "e has wrong number of fields", kNoTable[0], kNoTable[1], kNoTable[2]}}));

// ---------------------------------------------------------------- the page

TEST_F(VerifyTest, GoodFileGivesGoodNewsAboveTheSectionsInFileOrder) {
  EXPECT_EQ(VerifyFixture("good.ini"), 0);
  EXPECT_EQ(Lines(source_.VerifyLog),
            (std::vector<std::string>{
                "<h3 style=\"color:#518869\">Good news...</h3>", "<p>I can find no problems<br>",
                "<span style=\"color:#bea796\">(you should still check that the curves agree with the "
                "source)</span></p>",
                "<hr>", "<h1>good</h1>", "<p>&nbsp;</p>", "<h3>[Header]</h3>", "<h3>[AC-100]</h3>",
                "<h3>[AC-200]</h3>"}));
}

TEST_F(VerifyTest, OneFaultIsNotTooBad) {
  EXPECT_EQ(VerifyFixture("units_kw.ini"), 1);
  EXPECT_EQ(Lines(source_.VerifyLog),
            (std::vector<std::string>{"<h3 style=\"color:#de7332\">Not too bad...</h3>",
                                      "<p>I can only find 1 error</p>", "<hr>", "<h1>units_kw</h1>",
                                      "<p>&nbsp;</p>", "<h3>[Header]</h3>", "<h3>[AC-K]</h3>",
                                      "<li>Possible units error: Qe [kW] and Pw [W]</li>"}));
}

TEST_F(VerifyTest, SeveralFaultsMakeAProblemFileWithFaultsUnderTheirSections) {
  EXPECT_EQ(VerifyFixture("many_faults.ini"), 6);
  EXPECT_EQ(Lines(source_.VerifyLog),
            (std::vector<std::string>{
                "<h3 style=\"color:#ce1313\">This is a problem file...</h3>", "<p>I can find 6 errors</p>", "<hr>",
                "<h1>many_faults</h1>", "<p>&nbsp;</p>", "<h3>[Header]</h3>",
                "<li>Supply frequency is out of range</li>",
                "<li>Sub-cooling reference (<b>scref</b>) cannot be read</li>", "<h3>[AC-C]</h3>",
                "<li>e has wrong number of fields</li>", "<li>te range not specified</li>",
                "<li>tc range not specified</li>", "<li>Invalid power vectors...</li>"}));
}

TEST_F(VerifyTest, DetailedRunReplacesThePreviousLog) {
  source_.VerifyLog.Add("Error in Tc data for compressor X");
  VerifyFixture("good.ini");
  VerifyFixture("good.ini");
  EXPECT_EQ(source_.VerifyLog.Count(), 9);
}

TEST_F(VerifyTest, NamesAreWrittenAsTextNotMarkup) {
  source_.CurrentFile = CopyFixture("html_name.ini", dir_, "a&b.ini");
  EXPECT_EQ(verifier_.VerifySourceFile(true), 0);
  EXPECT_NE(source_.VerifyLog.IndexOf("<h1>a&amp;b</h1>"), -1);
  EXPECT_NE(source_.VerifyLog.IndexOf("<h3>[A&lt;B&gt;&amp;C]</h3>"), -1);
}

TEST_F(VerifyTest, SummaryModeCountsWithoutListingAndAddsOneLine) {
  source_.VerifyLog.Add("kept");
  EXPECT_EQ(VerifyFixture("many_faults.ini", false), 6);
  EXPECT_EQ(Lines(source_.VerifyLog),
            (std::vector<std::string>{"kept", "<img src=\"cross.png\"> many_faults<br>"}));
}

// ---------------------------------------------------------------- Verify All

TEST_F(VerifyTest, VerifyAllGivesTickCrossTickInListOrderAndRestoresTheShownFile) {
  const std::vector<std::string> files = {CopyFixture("good.ini", dir_, "a.ini"),
                                          CopyFixture("many_faults.ini", dir_, "b.ini"),
                                          CopyFixture("coef_only.ini", dir_, "c.ini")};
  // The window shows another file, loaded into the editor.
  const std::string shown = CopyFixture("read_models.ini", dir_, "shown.ini");
  source_.CurrentFile = shown;
  source_.EditorFile = shown;
  source_.IsValidFile = true;
  source_.ModelList.Add("M1");
  source_.ModelList.Add("M2");
  source_.VerifyLog.Add("old page");

  std::vector<size_t> selected;
  verifier_.VerifyAll(files, [&](size_t i) {
    selected.push_back(i);
    // Mid-run CurrentFile is another file, which Save must not write.
    if (i > 0) EXPECT_EQ(source_.SaveTarget(), "");
  });

  EXPECT_EQ(Lines(source_.VerifyLog),
            (std::vector<std::string>{"<img src=\"tick.png\"> a<br>", "<img src=\"cross.png\"> b<br>",
                                      "<img src=\"tick.png\"> c<br>"}));
  EXPECT_EQ(selected, (std::vector<size_t>{0, 1, 2}));
  EXPECT_EQ(source_.CurrentFile, shown);
  EXPECT_TRUE(source_.IsValidFile);
  EXPECT_EQ(Lines(source_.ModelList), (std::vector<std::string>{"M1", "M2"}));
  EXPECT_EQ(source_.SaveTarget(), shown);
}

TEST_F(VerifyTest, VerifyAllGivesAFileWithoutTheMarkerItsCross) {
  const std::vector<std::string> files = {CopyFixture("filetype_missing.ini", dir_),
                                          CopyFixture("no_header.ini", dir_)};
  verifier_.VerifyAll(files);
  EXPECT_EQ(Lines(source_.VerifyLog),
            (std::vector<std::string>{"<img src=\"cross.png\"> filetype_missing<br>",
                                      "<img src=\"cross.png\"> no_header<br>"}));
  EXPECT_FALSE(source_.IsValidFile);
  EXPECT_EQ(source_.CurrentFile, "");
}

TEST_F(VerifyTest, VerifyAllCutShortByAnErrorStillRestoresTheShownFile) {
  const std::string shown = CopyFixture("good.ini", dir_, "shown.ini");
  source_.CurrentFile = shown;
  source_.EditorFile = shown;
  const std::vector<std::string> files = {CopyFixture("good.ini", dir_, "a.ini")};
  core::DoneRefrigLib();   // the refrigerant check now raises
  EXPECT_THROW(verifier_.VerifyAll(files), platform::Exception);
  SetUpTestSuite();
  EXPECT_EQ(source_.CurrentFile, shown);
  EXPECT_EQ(source_.SaveTarget(), shown);
}

TEST(SaveTargetTest, OnlyTheFileTheEditorWasLoadedFrom) {
  TSourceFile source;
  EXPECT_EQ(source.SaveTarget(), "");
  source.CurrentFile = "/d/a.ini";
  EXPECT_EQ(source.SaveTarget(), "");
  source.EditorFile = "/d/b.ini";
  EXPECT_EQ(source.SaveTarget(), "");
  source.EditorFile = "/d/a.ini";
  EXPECT_EQ(source.SaveTarget(), "/d/a.ini");
  source.CurrentFile.clear();
  EXPECT_EQ(source.SaveTarget(), "");
}

// ---------------------------------------------------------------- not INI text

TEST_F(VerifyTest, FilesThatAreNotIniTextVerifyWithTheirFaultsListed) {
  std::string binary;
  for (int i = 0; i < 4096; ++i) binary += static_cast<char>((i * 37 + 11) % 256);
  binary += std::string("\n[\x01\xff]\n=\xfe\n\0[Header\0]\nFileType=\x80\x81\n", 32);
  std::string longLine(10 * 1024 * 1024, 'x');
  std::string longValue = "[Header]\nFileType=Dravlen Data File\n[M]\nTe=" + std::string(10 * 1024 * 1024, '1') + "\n";

  struct Case {
    const char* name;
    std::string bytes;
  };
  const std::vector<Case> cases = {
      {"binary.ini", binary}, {"longline.ini", longLine}, {"empty.ini", ""}, {"longvalue.ini", longValue}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    source_.CurrentFile = dir_ + "/" + c.name;
    testsupport::WriteAll(source_.CurrentFile, c.bytes);
    const int count = verifier_.VerifySourceFile(true);
    EXPECT_GT(count, 0);
    EXPECT_EQ(static_cast<int>(Faults(source_.VerifyLog).size()), count);
    EXPECT_EQ(source_.VerifyLog[source_.VerifyLog.IndexOf("<hr>") + 1],
              "<h1>" + platform::ChangeFileExt(c.name, "") + "</h1>");
    source_.CheckFileType();   // reading survives it too
    source_.LoadModelList();
  }
  // A missing file reads as empty.
  source_.CurrentFile = dir_ + "/missing.ini";
  EXPECT_EQ(verifier_.VerifySourceFile(true), 1);
  EXPECT_EQ(Faults(source_.VerifyLog), (std::vector<std::string>{"No [Header] section found"}));
}

// ---------------------------------------------------------------- shipped samples

TEST_F(VerifyTest, ShippedSampleFilesVerifyAndReadInFull) {
  const std::string shipped = DRAVLEN_SOURCE_DIR "/resources/program/Data Files/";
  const std::vector<std::string> names = platform::ListFiles(shipped, "*.ini");
  ASSERT_GE(names.size(), 2u);
  for (const auto& name : names) {
    SCOPED_TRACE(name);
    source_.CurrentFile = dir_ + "/" + platform::ExtractFileName(name);
    testsupport::WriteAll(source_.CurrentFile, testsupport::ReadAll(shipped + platform::ExtractFileName(name)));
    EXPECT_EQ(verifier_.VerifySourceFile(true), 0) << platform::StringReplaceAll(source_.VerifyLog.Text(), "\r\n", "\n");
    source_.VerifyLog.Clear();
    source_.CheckFileType();
    ASSERT_TRUE(source_.IsValidFile);
    source_.LoadModelList();
    source_.LoadHeader();
    EXPECT_EQ(source_.Header.RefrigNumber, 0);
    int tables = 0;
    for (int i = 0; i < source_.ModelList.Count(); ++i) {
      source_.SelectModel(i);
      EXPECT_TRUE(source_.CompData.HasTable || source_.CompData.HasCurveFit) << source_.CompData.Name;
      if (source_.CompData.HasTable) {
        ++tables;
        EXPECT_GE(source_.CompData.TeList.size(), 5u);
        EXPECT_GE(source_.CompData.TcList.size(), 4u);
      }
    }
    EXPECT_GE(tables, 3);
    EXPECT_EQ(source_.VerifyLog.Count(), 0);   // no reading errors
  }
}

// ---------------------------------------------------------------- routines

TEST(CountDirectionChangesTest, CountsTurnsAndRepeats) {
  struct Case {
    std::vector<double> values;
    int expected;
  };
  const std::vector<Case> cases = {
      {{}, 0},         {{5}, 0},           {{1, 2, 3}, 0},      {{10, 0, -10}, 0},    {{-30, -20, -20, -10}, 1},
      {{1, 2, 1}, 1},  {{1, 2, 1, 2}, 2},  {{1, 1, 1}, 2},      {{1, 2, 2, 1}, 2},    {{3, 2, 2}, 1},
  };
  for (const auto& c : cases) EXPECT_EQ(TVerifier::CountDirectionChanges(c.values), c.expected);
}

TEST_F(VerifyTest, CheckedReadersReturnTheValueOrMinus999) {
  source_.CurrentFile = dir_ + "/values.ini";
  testsupport::WriteAll(source_.CurrentFile,
                        "[S]\nf=2.5\nbig=7\nbad=x\nempty=\ni=3\nv=3,4\nvbad=3,x\nvrange=3,-4\n");
  TIniPass pass(source_);
  bool ok = true;
  EXPECT_DOUBLE_EQ(verifier_.ReadCheckedFloat("S", "f", "F", 0, 5, ok), 2.5);
  EXPECT_TRUE(ok);
  EXPECT_DOUBLE_EQ(verifier_.ReadCheckedFloat("S", "big", "F", 0, 5, ok), 7.0);   // out of range, still returned
  EXPECT_FALSE(ok);
  EXPECT_DOUBLE_EQ(verifier_.ReadCheckedFloat("S", "bad", "F", 0, 5, ok), -999.0);
  EXPECT_DOUBLE_EQ(verifier_.ReadCheckedFloat("S", "empty", "F", 0, 5, ok), -999.0);
  EXPECT_DOUBLE_EQ(verifier_.ReadCheckedFloat("S", "none", "F", 0, 5, ok), -999.0);
  EXPECT_EQ(verifier_.ReadCheckedInt("S", "i", "I", 0, 5, ok), 3);
  EXPECT_TRUE(ok);
  EXPECT_EQ(verifier_.ReadCheckedInt("S", "f", "I", 0, 5, ok), -999);
  EXPECT_FALSE(ok);
  EXPECT_DOUBLE_EQ(verifier_.CheckFloatVector("S", "v", 2, 0, 10, ok), 5.0);
  EXPECT_TRUE(ok);
  EXPECT_DOUBLE_EQ(verifier_.CheckFloatVector("S", "v", 3, 0, 10, ok), -1.0);
  EXPECT_FALSE(ok);
  EXPECT_DOUBLE_EQ(verifier_.CheckFloatVector("S", "vbad", 2, 0, 10, ok), -1.0);
  EXPECT_DOUBLE_EQ(verifier_.CheckFloatVector("S", "vrange", 2, 0, 10, ok), -1.0);
  EXPECT_EQ(verifier_.ErrorCount, 8);
  EXPECT_EQ(Faults(source_.VerifyLog),
            (std::vector<std::string>{"F is out of range", "F is not a valid number", "F cannot be read",
                                      "F cannot be read", "I is not a valid integer", "v has wrong number of fields",
                                      "vbad is not a valid vector", "vrange has out of range value"}));
}

}  // namespace

// Verification texts and bounds that the rule tables elsewhere leave open:
// the labels of every header range check, the inclusive bounds of every
// range, and the vector messages of the rating rows (a key present but
// empty, a value above the row's bound, a row that is not a list).
using workbench::TSourceFile;
using workbench::TVerifier;

namespace {

// A source file that verifies without faults; every line is "key=value" so
// that a case can replace or drop one key.
const std::vector<std::string> kGoodHeader = {
    "FileType=Dravlen Data File", "Manufacturer=Acme", "Make=AC", "Description=Piston", "Refrig=R22",
    "Freq=50",  "hrf=0.95",  "shRef=11",  "scRef=8.3",  "TeLo=-25", "TeHi=10", "TcLo=40", "TcHi=60"};
const std::vector<std::string> kGoodModel = {
    "Te=-20,-10,0", "Tc=40,50",       "Valid1=0,0,0",   "Valid2=0,0,0",
    "Qe1=2000,3000,4000", "Qe2=2000,3000,4000", "Pw1=1,1,1", "Pw2=1,1,1"};

// lines with the key of each override replaced by its value ("" drops the
// line, a key not in lines is appended).
std::vector<std::string> With(std::vector<std::string> lines, const std::map<std::string, std::string>& overrides) {
  for (const auto& [key, value] : overrides) {
    bool found = false;
    for (auto it = lines.begin(); it != lines.end(); ++it) {
      if (it->rfind(key + "=", 0) == 0) {
        found = true;
        if (value.empty())
          lines.erase(it);
        else
          *it = key + "=" + value;
        break;
      }
    }
    if (!found && !value.empty()) lines.push_back(key + "=" + value);
  }
  return lines;
}

std::string Text(const std::vector<std::string>& header, const std::vector<std::string>& model) {
  std::string text = "[Header]\n";
  for (const auto& line : header) text += line + "\n";
  text += "\n[M]\n";
  for (const auto& line : model) text += line + "\n";
  return text;
}

using verifyfixture::Faults;

struct Case {
  const char* what;
  std::map<std::string, std::string> header;
  std::map<std::string, std::string> model;
  std::vector<std::string> faults;
};

class VerifyBoundsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { reflibfixture::Init(); }
  static void TearDownTestSuite() { reflibfixture::Done(); }
  void SetUp() override { dir_ = testsupport::MakeTempDir("verify-bounds"); }

  void Check(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
      SCOPED_TRACE(c.what);
      source_.CurrentFile = dir_ + "/case.ini";
      testsupport::WriteAll(source_.CurrentFile, Text(With(kGoodHeader, c.header), With(kGoodModel, c.model)));
      const int count = verifier_.VerifySourceFile(true);
      EXPECT_EQ(Faults(source_.VerifyLog), c.faults);
      EXPECT_EQ(count, static_cast<int>(c.faults.size()));
    }
  }

  std::string dir_;
  TSourceFile source_;
  TVerifier verifier_{source_};
};

TEST_F(VerifyBoundsTest, EveryHeaderRangeHasItsLabelAndInclusiveBounds) {
  Check({
      {"the good file", {}, {}, {}},
      {"lower bounds", {{"Freq", "1"}, {"hrf", "0.1"}, {"shRef", "0.1"}, {"scRef", "0"}, {"TeLo", "-60"},
                        {"TcLo", "10"}}, {}, {}},
      {"upper bounds", {{"Freq", "120"}, {"hrf", "5.0"}, {"shRef", "60"}, {"scRef", "20"}, {"TeHi", "40"},
                        {"TcHi", "200"}}, {}, {}},
      {"sgref bounds", {{"shRef", ""}, {"sgRef", "100"}}, {}, {}},
      {"sgref lower bound", {{"shRef", ""}, {"sgRef", "0.1"}}, {}, {}},
      {"Freq 0", {{"Freq", "0"}}, {}, {"Supply frequency is out of range"}},
      {"Freq 121", {{"Freq", "121"}}, {}, {"Supply frequency is out of range"}},
      {"hrf 5.01", {{"hrf", "5.01"}}, {}, {"Heat rejection factor (<b>hrf</b>) is out of range"}},
      {"shref 0", {{"shRef", "0"}}, {}, {"Superheat reference (<b>shref</b>) is out of range"}},
      {"shref text", {{"shRef", "warm"}}, {}, {"Superheat reference (<b>shref</b>) is not a valid number"}},
      {"sgref 100.5", {{"shRef", ""}, {"sgRef", "100.5"}}, {},
       {"Suction gas reference (<b>sgref</b>) is out of range"}},
      {"sgref empty", {{"shRef", ""}, {"sgRef", " "}}, {},
       {"Suction gas reference (<b>sgref</b>) cannot be read"}},
      {"scref negative", {{"scRef", "-0.5"}}, {}, {"Sub-cooling reference (<b>scref</b>) is out of range"}},
      {"scref text", {{"scRef", "x"}}, {}, {"Sub-cooling reference (<b>scref</b>) is not a valid number"}},
      {"TeLo below", {{"TeLo", "-61"}}, {}, {"Minimum suction (<b>TeLo</b>) is out of range"}},
      {"TeHi above", {{"TeHi", "41"}}, {}, {"Maximum suction (<b>TeHi</b>) is out of range"}},
      {"TeHi text", {{"TeHi", "high"}}, {}, {"Maximum suction (<b>TeHi</b>) is not a valid number"}},
      {"TeHi missing", {{"TeHi", ""}}, {}, {"Maximum suction (<b>TeHi</b>) cannot be read"}},
      {"TcLo below", {{"TcLo", "9.9"}}, {}, {"Minimum discharge (<b>TcLo</b>) is out of range"}},
      {"TcLo missing", {{"TcLo", ""}}, {}, {"Minimum discharge (<b>TcLo</b>) cannot be read"}},
      {"TcHi above", {{"TcHi", "200.1"}}, {}, {"Maximum discharge (<b>TcHi</b>) is out of range"}},
      {"TcHi text", {{"TcHi", "x"}}, {}, {"Maximum discharge (<b>TcHi</b>) is not a valid number"}},
      // An order check needs both ends sound.
      {"TeHi out of range below TeLo", {{"TeLo", "0"}, {"TeHi", "-61"}}, {},
       {"Maximum suction (<b>TeHi</b>) is out of range"}},
      {"TcLo equals TcHi", {{"TcLo", "50"}, {"TcHi", "50"}}, {}, {"<b>TcLo</b> must be less than <b>TcHi</b>"}},
      {"TeLo above TeHi", {{"TeLo", "20"}, {"TeHi", "10"}}, {}, {"<b>TeLo</b> must be less than <b>TeHi</b>"}},
      {"shref and sgref, both in lower case", {{"shRef", ""}, {"shref", "11"}, {"SGREF", "20"}}, {},
       {"Specify only <b>shref</b> or <b>sgref</b> (<i>but not both</i>)"}},
      // Both given: sgref is not tested itself.
      {"both, sgref out of range", {{"sgRef", "500"}}, {},
       {"Specify only <b>shref</b> or <b>sgref</b> (<i>but not both</i>)"}},
  });
}

TEST_F(VerifyBoundsTest, RatingRowsHaveTheirBoundsAndMessages) {
  Check({
      {"row bounds are inclusive", {},
       {{"Qe1", "0,1000000000,4000"}, {"Pw1", "0,1000000,1"}, {"Valid1", "0,1,2"}, {"Valid2", "2,2,2"}}, {}},
      {"Qe above 1E9", {}, {{"Qe2", "2000,1000000001,4000"}}, {"Qe2 has out of range value"}},
      {"Pw above 1E6", {}, {{"Pw2", "1,1000001,1"}}, {"Pw2 has out of range value"}},
      // The first Pw row fails: no Pw row passed, so no ratio.
      {"Pw below 0", {}, {{"Pw1", "1,-0.1,1"}}, {"Pw1 has out of range value", "Invalid power vectors..."}},
      {"Valid below 0", {}, {{"Valid1", "0,-1,0"}}, {"Valid1 has out of range value"}},
      {"Valid key present but empty", {}, {{"Valid2", " "}}, {"Valid2 cannot be read"}},
      {"Pw row not a list", {}, {{"Pw2", "1,1,x"}}, {"Pw2 is not a valid vector"}},
      {"Pw row with another count", {}, {{"Pw1", "1,1"}},
       {"Pw1 has wrong number of fields", "Invalid power vectors..."}},
      // A faulty Pw row stops the Pw rows; what passed before still forms
      // the ratio.
      {"Pw row key present but empty", {}, {{"Pw2", " "}}, {"Pw2 cannot be read"}},
      {"first Pw row empty", {}, {{"Pw1", " "}}, {"Pw1 cannot be read", "Invalid power vectors..."}},
      {"first Qe row empty", {}, {{"Qe1", " "}},
       {"Qe1 cannot be read", "Possible units error: Qe [kW] and Pw [W]"}},
      {"one Pw row missing", {}, {{"Pw2", ""}}, {"Incorrect number of Pw vectors (expecting 2)"}},
      {"tc not a list", {}, {{"Tc", "40,x"}},
       {"tc is not a valid vector", "Invalid power vectors..."}},
      {"te of two values", {}, {{"Te", "-20,-10"}},
       {"te range must have at least 3 values", "Qe1 has wrong number of fields",
        "Pw1 has wrong number of fields", "Invalid power vectors...", "Valid1 has wrong number of fields",
        "Valid2 has wrong number of fields"}},
      {"tc of one value", {}, {{"Tc", "40"}}, {"tc range must have at least 2 values"}},
  });
}

TEST_F(VerifyBoundsTest, CoefficientListsHaveTheirBoundsAndDecideTheTable) {
  const std::string nine = "1,2,3,4,5,6,7,8,9";
  const std::map<std::string, std::string> noTable = {{"Te", ""}, {"Tc", ""}, {"Valid1", ""}, {"Valid2", ""},
                                                      {"Qe1", ""}, {"Qe2", ""}, {"Pw1", ""}, {"Pw2", ""}};
  auto plus = [&](std::map<std::string, std::string> extra) {
    std::map<std::string, std::string> m = noTable;
    for (auto& [k, v] : extra) m[k] = v;
    return m;
  };
  Check({
      {"bounds are inclusive", {}, plus({{"e", "1E20,2,3,4,5,6,7,8,-1E20"}, {"p", nine}}), {}},
      {"e above 1E20", {}, plus({{"e", "1,2,3,4,5,6,7,8,1.1E20"}, {"p", nine}}),
       {"e has out of range value", "te range not specified", "tc range not specified",
        "Invalid power vectors..."}},
      {"p present but empty", {}, plus({{"e", nine}, {"p", " "}}),
       {"p cannot be read", "te range not specified", "tc range not specified", "Invalid power vectors..."}},
      // Only e: no coefficient check and the table is wanted.
      {"e alone", {}, plus({{"e", "x"}}),
       {"te range not specified", "tc range not specified", "Invalid power vectors..."}},
      // A key beginning with "pw" in any case asks for the table.
      {"coefficients with a PW key", {}, plus({{"e", nine}, {"p", nine}, {"PWx", "1"}}),
       {"te range not specified", "tc range not specified", "Invalid power vectors..."}},
      // A key merely containing "qe" does not.
      {"coefficients with a key containing qe", {}, plus({{"e", nine}, {"p", nine}, {"xqe", "1"}}), {}},
  });
}

}  // namespace
