// Verification texts and bounds that the rule tables elsewhere leave open:
// the labels of every header range check, the inclusive bounds of every
// range, and the vector messages of the rating rows (a key present but
// empty, a value above the row's bound, a row that is not a list).
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "reflib_helpers.h"
#include "testsupport/testenv.h"
#include "verify_helpers.h"
#include "workbench/sourcefile.h"
#include "workbench/verify.h"

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

class ReviewVerifyTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { reflibfixture::Init(); }
  static void TearDownTestSuite() { reflibfixture::Done(); }
  void SetUp() override { dir_ = testsupport::MakeTempDir("review"); }

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

TEST_F(ReviewVerifyTest, EveryHeaderRangeHasItsLabelAndInclusiveBounds) {
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

TEST_F(ReviewVerifyTest, RatingRowsHaveTheirBoundsAndMessages) {
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

TEST_F(ReviewVerifyTest, CoefficientListsHaveTheirBoundsAndDecideTheTable) {
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
