// Reading source files: the marker check, the model list, the header record
// and defaults, one model into the model object with its defaults, the
// table's read errors in the log and the conversion errors that end a read.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/refriglib.h"
#include "platform/sysutils.h"
#include "reflib_helpers.h"
#include "testsupport/testenv.h"
#include "workbench/sourcefile.h"

using workbench::TIniPass;
using workbench::TSourceFile;

namespace {

const std::string kData = DRAVLEN_TEST_DATA "/";

std::string CopyFixture(const std::string& name, const std::string& dir) {
  return testsupport::CopyInto(kData + name, dir, name);
}

class SourceFileTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { reflibfixture::Init(); }
  static void TearDownTestSuite() { reflibfixture::Done(); }

  void SetUp() override { dir_ = testsupport::MakeTempDir("source"); }

  // The main window's order on selecting a file.
  void Open(const std::string& fixture) {
    source_.CurrentFile = CopyFixture(fixture, dir_);
    source_.CheckFileType();
    source_.LoadModelList();
    source_.LoadHeader();
  }
  void Select(const std::string& model) {
    TIniPass pass(source_);
    source_.SelectModel(source_.ModelList.IndexOf(model));
  }

  std::string dir_;
  TSourceFile source_;
};

TEST_F(SourceFileTest, CheckFileTypeWantsTheMarkerInTheHeaderInAnyCase) {
  struct Case {
    const char* file;
    bool valid;
  };
  for (const Case& c : {Case{"good.ini", true}, Case{"filetype_lower.ini", true},
                        Case{"read_header_lower.ini", true}, Case{"filetype_wrong.ini", false},
                        Case{"filetype_missing.ini", false}, Case{"no_header.ini", false},
                        Case{"empty_header.ini", false}}) {
    source_.IsValidFile = !c.valid;
    source_.CurrentFile = CopyFixture(c.file, dir_);
    source_.CheckFileType();
    EXPECT_EQ(source_.IsValidFile, c.valid) << c.file;
  }
  source_.CurrentFile = dir_ + "/missing.ini";
  source_.CheckFileType();
  EXPECT_FALSE(source_.IsValidFile);
}

TEST_F(SourceFileTest, ModelListIsTheSectionsInFileOrderWithoutTheHeader) {
  struct Case {
    const char* file;
    std::vector<std::string> models;
  };
  source_.ModelList.Add("stale");
  for (const Case& c : {Case{"good.ini", {"AC-100", "AC-200"}}, Case{"read_header_lower.ini", {"M0", "M1"}},
                        Case{"read_models.ini", {"M1", "M2"}}, Case{"no_header.ini", {"AC-C"}},
                        Case{"read_defaults.ini", {"Bare"}}}) {
    source_.CurrentFile = CopyFixture(c.file, dir_);
    source_.LoadModelList();
    EXPECT_EQ(source_.ModelList.Items(), c.models) << c.file;
    EXPECT_EQ(source_.ModelList.UpdateCount(), 0);
  }
}

TEST_F(SourceFileTest, HeaderRecordAndDefaultsFromTheFile) {
  Open("good.ini");
  EXPECT_EQ(source_.Header.FileID, "Quillbarrow compressor file v 1.03");
  EXPECT_EQ(source_.Header.Manufacturer, "Acme Compressors");
  EXPECT_EQ(source_.Header.Make, "AC");
  EXPECT_EQ(source_.Header.RefrigNumber, 0);
  EXPECT_DOUBLE_EQ(source_.Header.TeLo, -25.0);
  EXPECT_DOUBLE_EQ(source_.Header.TeHi, 10.0);
  EXPECT_DOUBLE_EQ(source_.Header.TcLo, 40.0);
  EXPECT_DOUBLE_EQ(source_.Header.TcHi, 60.0);
  EXPECT_EQ(source_.Defaults.Description, "Hermetic reciprocating");
  EXPECT_EQ(source_.Defaults.Freq, 50);
  EXPECT_DOUBLE_EQ(source_.Defaults.shRef, 11.0);

  Open("read_models.ini");
  EXPECT_EQ(source_.Defaults.Freq, 60);
  EXPECT_DOUBLE_EQ(source_.Defaults.sgRef, 18.3);

  Open("read_header_lower.ini");
  EXPECT_EQ(source_.Header.RefrigNumber, 2);   // R404A
  Open("refrig_unknown.ini");
  EXPECT_EQ(source_.Header.RefrigNumber, -1);
}

TEST_F(SourceFileTest, HeaderWithoutKeysTakesTheDefaults) {
  source_.Header.Manufacturer = "old";
  source_.Defaults.Description = "old";
  Open("read_defaults.ini");
  EXPECT_EQ(source_.Header.Manufacturer, "");
  EXPECT_EQ(source_.Header.Make, "");
  EXPECT_EQ(source_.Header.RefrigNumber, 0);   // R22
  EXPECT_DOUBLE_EQ(source_.Header.TeLo, -25.0);
  EXPECT_DOUBLE_EQ(source_.Header.TeHi, 10.0);
  EXPECT_DOUBLE_EQ(source_.Header.TcLo, 40.0);
  EXPECT_DOUBLE_EQ(source_.Header.TcHi, 60.0);
  EXPECT_EQ(source_.Defaults.Description, "");
  EXPECT_EQ(source_.Defaults.Freq, 50);
  EXPECT_DOUBLE_EQ(source_.Defaults.hrf, 0.95);
  EXPECT_DOUBLE_EQ(source_.Defaults.shRef, 11.0);
  EXPECT_DOUBLE_EQ(source_.Defaults.sgRef, -300.0);
  EXPECT_DOUBLE_EQ(source_.Defaults.scRef, 8.3);

  Select("Bare");   // a model without Freq in a header without Freq
  EXPECT_EQ(source_.CompData.Freq, 50);
  EXPECT_TRUE(source_.CompData.OnePhase);
  EXPECT_TRUE(source_.CompData.ThreePhase);
}

TEST_F(SourceFileTest, LongTextsAreCutTo255CharactersNotBytes) {
  std::string accented;
  for (int i = 0; i < 300; ++i) accented += "\xc3\xa9";   // é
  source_.CurrentFile = dir_ + "/long.ini";
  testsupport::WriteAll(source_.CurrentFile, "[Header]\nFileType=Dravlen Data File\nManufacturer=" + accented +
                                                 "\nMake=" + std::string(300, 'm') + "\nDescription=" +
                                                 std::string(256, 'd') + "\n");
  source_.LoadHeader();
  EXPECT_EQ(source_.Header.Manufacturer, accented.substr(0, 510));
  EXPECT_EQ(source_.Header.Make, std::string(255, 'm'));
  EXPECT_EQ(source_.Defaults.Description, std::string(255, 'd'));
  EXPECT_EQ(workbench::CutText("abc", 2), "ab");
  EXPECT_EQ(workbench::CutText("ab", 2), "ab");
}

TEST_F(SourceFileTest, ModelTakesItsOwnValuesAndTheHeadersForTheRest) {
  Open("read_models.ini");
  Select("M1");
  const core::TCompData& c = source_.CompData;
  EXPECT_EQ(c.Name, "M1");
  EXPECT_EQ(c.Description, "First");
  EXPECT_EQ(c.Freq, 50);
  EXPECT_DOUBLE_EQ(c.hrf, 1.1);
  EXPECT_DOUBLE_EQ(c.shRef, 5.0);
  EXPECT_DOUBLE_EQ(c.sgRef, -300.0);
  EXPECT_DOUBLE_EQ(c.scRef, 2.0);
  EXPECT_TRUE(c.OnePhase);     // "TRUE"
  EXPECT_FALSE(c.ThreePhase);  // "1"
  EXPECT_TRUE(c.HasCurveFit);
  EXPECT_DOUBLE_EQ(c.QeCoef[0], 10.6);
  EXPECT_DOUBLE_EQ(c.PwCoef[8], 1e-8);
  EXPECT_TRUE(c.HasTable);
  EXPECT_EQ(c.TeList, (std::vector<double>{-20, -10, 0}));
  EXPECT_EQ(c.TcList, (std::vector<double>{40, 50}));
  EXPECT_EQ(c.Valid, (core::TIntMat{{0, 0, 0}, {0, 1, 2}}));
  EXPECT_EQ(c.QeTable, (core::TFloatMat{{2000, 3000, 4200}, {1700, 2600, 3700}}));
  EXPECT_EQ(c.PwTable, (core::TFloatMat{{1.0, 1.1, 1.2}, {1.2, 1.3, 1.4}}));

  Select("M2");
  EXPECT_EQ(c.Name, "M2");
  EXPECT_EQ(c.Description, "Range text");
  EXPECT_EQ(c.Freq, 60);
  EXPECT_DOUBLE_EQ(c.hrf, 0.95);   // "abc" reads as the default
  EXPECT_DOUBLE_EQ(c.shRef, 11.0);
  EXPECT_DOUBLE_EQ(c.sgRef, 18.3);
  EXPECT_DOUBLE_EQ(c.scRef, 8.3);
  EXPECT_TRUE(c.OnePhase);
  EXPECT_FALSE(c.ThreePhase);
  EXPECT_FALSE(c.HasCurveFit);
  EXPECT_DOUBLE_EQ(c.QeCoef[0], 10.6);   // coefficients keep what they held
  EXPECT_FALSE(c.HasTable);               // no Te: no table, no message
  EXPECT_TRUE(c.TeList.empty());
  EXPECT_TRUE(c.QeTable.empty());
  EXPECT_EQ(source_.VerifyLog.Count(), 0);
}

TEST_F(SourceFileTest, EWithoutPIsNoCurveFit) {
  Open("read_e_without_p.ini");
  Select("Full");
  ASSERT_TRUE(source_.CompData.HasCurveFit);
  Select("EOnly");
  EXPECT_FALSE(source_.CompData.HasCurveFit);
  EXPECT_DOUBLE_EQ(source_.CompData.QeCoef[1], 0.37);
}

TEST_F(SourceFileTest, TrailingCommasAddNoValue) {
  Open("read_te_trailing.ini");
  Select("T3");
  EXPECT_EQ(source_.CompData.TeList, (std::vector<double>{-20, -10, 0}));
  EXPECT_EQ(source_.CompData.QeTable[0], (std::vector<double>{2000, 3000, 4200}));
  EXPECT_TRUE(source_.CompData.HasTable);
}

TEST_F(SourceFileTest, BlanksAroundListItemsAreAllowed) {
  Open("read_blanks.ini");
  Select("Blanks");
  const core::TCompData& c = source_.CompData;
  EXPECT_TRUE(c.HasTable);
  EXPECT_EQ(c.TeList, (std::vector<double>{-20, -10, 0}));
  EXPECT_EQ(c.Valid, (core::TIntMat{{0, 0, 1}, {0, 1, 2}}));
  EXPECT_EQ(c.QeTable[1], (std::vector<double>{1700, 2600, 3700}));
  EXPECT_EQ(c.PwTable[1], (std::vector<double>{1.2, 1.3, 1.4}));
  EXPECT_EQ(source_.VerifyLog.Count(), 0);
}

TEST_F(SourceFileTest, TableFaultsAreLoggedAndLeaveNoTable) {
  struct Case {
    const char* file;
    const char* model;
    const char* line;
    size_t validRows, qeRows, pwRows;
  };
  source_.VerifyLog.Add("earlier line");
  for (const Case& c : {Case{"read_tc_missing.ini", "NoTc", "Error in Tc data for compressor NoTc", 0, 0, 0},
                        Case{"read_valid2_missing.ini", "NoValid2", "Error in Valid data for compressor NoValid2", 1,
                             0, 0},
                        Case{"read_qe2_short.ini", "ShortQe", "Error in Qe data for compressor ShortQe", 2, 1, 0},
                        Case{"read_pw_short.ini", "ShortPw", "Error in Pw data for compressor ShortPw", 2, 2, 0}}) {
    SCOPED_TRACE(c.file);
    Open(c.file);
    Select(c.model);
    const core::TCompData& d = source_.CompData;
    EXPECT_FALSE(d.HasTable);
    EXPECT_EQ(source_.VerifyLog[source_.VerifyLog.Count() - 1], c.line);
    EXPECT_EQ(d.TeList.size(), 3u);
    EXPECT_EQ(d.Valid.size(), c.validRows);
    EXPECT_EQ(d.QeTable.size(), c.qeRows);
    EXPECT_EQ(d.PwTable.size(), c.pwRows);
  }
  EXPECT_EQ(source_.VerifyLog.Count(), 5);
  EXPECT_EQ(source_.VerifyLog[0], "earlier line");
}

TEST_F(SourceFileTest, ConversionErrorsRaiseOutOfSelectModel) {
  Open("read_qe_not_number.ini");
  EXPECT_THROW(Select("BadQe"), platform::EConvertError);
  EXPECT_EQ(source_.Ini, nullptr);
  Open("read_e_short.ini");
  EXPECT_THROW(Select("ShortE"), platform::EListError);
  EXPECT_FALSE(source_.CompData.HasCurveFit);
  // Without a pass of the caller's, SelectModel opens and frees its own.
  EXPECT_THROW(source_.SelectModel(0), platform::EListError);
  EXPECT_EQ(source_.Ini, nullptr);
  EXPECT_THROW(source_.SelectModel(5), platform::EListError);
}

TEST_F(SourceFileTest, AModelNameCutTo255NoLongerFindsItsSection) {
  Open("read_long_name.ini");
  ASSERT_EQ(source_.ModelList.Count(), 1);
  source_.SelectModel(0);
  EXPECT_EQ(source_.CompData.Name, std::string(255, 'L'));
  EXPECT_EQ(source_.CompData.Freq, 50);
  EXPECT_FALSE(source_.CompData.HasTable);
  EXPECT_EQ(source_.VerifyLog.Count(), 0);
}

TEST_F(SourceFileTest, IniPassPublishesItsObjectForItsScope) {
  Open("good.ini");
  EXPECT_EQ(source_.Ini, nullptr);
  {
    TIniPass outer(source_);
    EXPECT_EQ(source_.Ini, &outer.Ini());
    EXPECT_EQ(source_.Ini->FileName(), source_.CurrentFile);
    {
      TIniPass inner(source_);
      EXPECT_EQ(source_.Ini, &inner.Ini());
    }
    EXPECT_EQ(source_.Ini, &outer.Ini());
    source_.SelectModel(1);   // reads through the open pass
    EXPECT_EQ(source_.CompData.Name, "AC-200");
    EXPECT_EQ(source_.CompData.Description, "Bigger");
  }
  EXPECT_EQ(source_.Ini, nullptr);
}

TEST(SourceFileTextTest, NamesForPages) {
  EXPECT_EQ(workbench::BareFileName("/data/Acme R22.ini"), "Acme R22");
  EXPECT_EQ(workbench::BareFileName("/data/noext"), "noext");
}

}  // namespace
