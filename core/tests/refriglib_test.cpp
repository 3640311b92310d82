// The refrigerant library: the name and number lists, selection by name,
// position and number, the built-in R22 stand-in and the status word.
#include <gtest/gtest.h>

#include <string>

#include "core/refriglib.h"
#include "testsupport/testenv.h"

using core::TRefrigLib;

namespace {

const std::string kData = DRAVLEN_TEST_DATA "/refrig/";

// A private copy of a fixture library, so that a test may change it.
std::string CopyFixture(const std::string& name) {
  return testsupport::CopyToTemp(kData + name, "RefLib8.rdf", "reflib");
}

class RefrigLibTest : public ::testing::Test {
 protected:
  std::string file_ = CopyFixture("RefLib8.rdf");
  TRefrigLib lib_{file_};
};

TEST_F(RefrigLibTest, CreationReadsSortedNamesAndNumbersAndSelectsR22) {
  EXPECT_EQ(lib_.Status(), core::rsNoError);
  EXPECT_EQ(lib_.CurrentName(), "R22");
  EXPECT_EQ(lib_.GetName(), "R22");
  ASSERT_EQ(lib_.Names().Count(), 5);
  const char* const expected[] = {"NoNumber", "R22", "R407X", "ZeroDotDp", "ZeroDp"};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(lib_.Names()[i], expected[i]) << i;
  EXPECT_EQ(lib_.Numbers(), (std::vector<int32_t>{-1, 0, 3, 6, 5}));
  EXPECT_EQ(lib_.GetCurrentIndex(), 1);
  // Keys present in the section are read, the others keep the R22 record.
  EXPECT_EQ(lib_.Data().CASNumber, "75-45-6");
  EXPECT_EQ(lib_.Data().SourceFile, "R22.FLD");
  EXPECT_EQ(lib_.Data().dp, core::BuiltInR22().dp);
}

TEST_F(RefrigLibTest, SelectingTheCurrentNameInOtherCaseDoesNothing) {
  // The file changes under the library; an idle re-selection must not read it.
  testsupport::WriteAll(file_, "[R22]\nInternalNumber=0\nRNumber=R22\nCASNumber=changed\n");
  lib_.Select("r22");
  EXPECT_EQ(lib_.Data().CASNumber, "75-45-6");
  lib_.SetName("R407X");
  lib_.SetName("R22");
  EXPECT_EQ(lib_.Data().CASNumber, "changed");
}

TEST_F(RefrigLibTest, SelectReadsEveryFieldWithTheR22RecordAsDefault) {
  lib_.Select("r407x");
  const core::TRefrigData& d = lib_.Data();
  EXPECT_EQ(lib_.CurrentName(), "R407X");
  EXPECT_EQ(lib_.GetCurrentIndex(), 2);
  EXPECT_EQ(d.InternalNumber, 3);
  EXPECT_EQ(lib_.InternalNumber(), 3);
  EXPECT_EQ(d.Components, 3);
  EXPECT_EQ(d.CASNumber, "");
  EXPECT_DOUBLE_EQ(d.TCrit, 86.0);
  EXPECT_DOUBLE_EQ(d.PCrit, 4600.0);
  EXPECT_DOUBLE_EQ(d.TBoil, -40.8);   // "not a number" gives the default
  EXPECT_DOUBLE_EQ(d.TMax, 60.0);     // missing key
  EXPECT_EQ(d.dp, (std::array<double, 3>{21.5, -2100, 250}));
  EXPECT_EQ(d.bp, (std::array<double, 3>{21.6, -2080, 251}));
  EXPECT_EQ(d.vh, (std::array<double, 5>{70000, 380, -1.8, -0.015, 330000}));
  EXPECT_EQ(d.ic[7], -4e-05);
  EXPECT_EQ(d.ul, core::BuiltInR22().ul);   // "0, 0, 0, 0" keeps the defaults
  EXPECT_EQ(d.th, core::BuiltInR22().th);   // missing key
  EXPECT_EQ(lib_.RefrigDescription(), "R407X (test blend, mixture)");
  EXPECT_EQ(lib_.Status(), core::rsNoError);
}

TEST_F(RefrigLibTest, AbsentDesignationKeepsTheNameAndGivesR22WithStatus1) {
  lib_.Select("R407X");
  lib_.Select("R999");
  EXPECT_EQ(lib_.Status(), core::rsNotInLibrary);
  EXPECT_EQ(lib_.CurrentName(), "R407X");
  EXPECT_EQ(lib_.GetName(), "R22");
  EXPECT_EQ(lib_.GetCurrentIndex(), -1);
  EXPECT_EQ(lib_.Data().dp, core::BuiltInR22().dp);
  EXPECT_EQ(lib_.Data().CASNumber, "");
  // The kept name must not stop the refrigerant from being loaded again.
  lib_.Select("R407X");
  EXPECT_EQ(lib_.Data().dp[0], 21.5);
  EXPECT_EQ(lib_.GetCurrentIndex(), 2);
  // Status is never reset by an operation.
  EXPECT_EQ(lib_.Status(), core::rsNotInLibrary);
}

TEST_F(RefrigLibTest, AllZeroListKeepsDefaultsButZeroPointZeroIsConverted) {
  lib_.Select("ZeroDp");
  EXPECT_EQ(lib_.Data().dp, core::BuiltInR22().dp);
  EXPECT_EQ(lib_.Data().InternalNumber, 5);
  lib_.Select("ZeroDotDp");
  EXPECT_EQ(lib_.Data().dp, (std::array<double, 3>{0, 0, 0}));
}

TEST_F(RefrigLibTest, SectionWithoutInternalNumber) {
  EXPECT_EQ(lib_.RefrigNumberOf("NoNumber"), -1);
  lib_.Select("NoNumber");
  EXPECT_EQ(lib_.Data().InternalNumber, 0);
  EXPECT_EQ(lib_.CurrentName(), "NoNumber");
  EXPECT_EQ(lib_.RefrigDescription(), "NoNumber (no number, X)");
}

TEST_F(RefrigLibTest, NextAndPriorWrapAround) {
  lib_.SelectIndex(4);
  EXPECT_EQ(lib_.CurrentName(), "ZeroDp");
  lib_.SelectNext();
  EXPECT_EQ(lib_.CurrentName(), "NoNumber");
  EXPECT_EQ(lib_.GetCurrentIndex(), 0);
  lib_.SelectPrior();
  EXPECT_EQ(lib_.CurrentName(), "ZeroDp");
  EXPECT_EQ(lib_.GetCurrentIndex(), 4);
  lib_.SelectPrior();
  EXPECT_EQ(lib_.CurrentName(), "ZeroDotDp");
  lib_.SelectNext();
  EXPECT_EQ(lib_.CurrentName(), "ZeroDp");
  // After an absent name the index is -1: next goes to the first, prior to the last.
  lib_.Select("R999");
  lib_.SelectNext();
  EXPECT_EQ(lib_.GetCurrentIndex(), 0);
  lib_.Select("R999");
  lib_.SelectPrior();
  EXPECT_EQ(lib_.GetCurrentIndex(), 4);
  EXPECT_THROW(lib_.SelectIndex(5), platform::EListError);
}

TEST_F(RefrigLibTest, SelectByNumber) {
  lib_.SelectByNumber(3);
  EXPECT_EQ(lib_.CurrentName(), "R407X");
  EXPECT_EQ(lib_.Status(), core::rsNoError);
  lib_.SelectByNumber(42);
  EXPECT_EQ(lib_.Status(), core::rsNotInLibrary);
  EXPECT_EQ(lib_.CurrentName(), "R407X");
  EXPECT_EQ(lib_.Data().dp[0], 21.5);
  lib_.SelectByNumber(0);
  EXPECT_EQ(lib_.CurrentName(), "R22");
}

TEST_F(RefrigLibTest, NumberAndNameLookups) {
  struct Case { const char* name; int32_t number; };
  for (const Case& c : {Case{"R22", 0}, Case{"r407x", 3}, Case{"ZERODP", 5}, Case{"R999", -1},
                        Case{"", -1}})
    EXPECT_EQ(lib_.RefrigNumberOf(c.name), c.number) << c.name;
  EXPECT_EQ(lib_.RefrigNameOf(3), "R407X");
  EXPECT_EQ(lib_.RefrigNameOf(6), "ZeroDotDp");
  EXPECT_EQ(lib_.RefrigNameOf(-1), "NoNumber");
  EXPECT_EQ(lib_.RefrigNameOf(99), "R22");
}

TEST(RefrigLibFile, MissingFileLeavesTheBuiltInRecord) {
  TRefrigLib lib(testsupport::MakeTempDir("nolib") + "/RefLib8.rdf");
  EXPECT_EQ(lib.Names().Count(), 0);
  EXPECT_EQ(lib.Status(), core::rsNotInLibrary);
  EXPECT_EQ(lib.CurrentName(), "");
  EXPECT_EQ(lib.GetName(), "R22");
  EXPECT_EQ(lib.GetCurrentIndex(), -1);
  EXPECT_EQ(lib.RefrigDescription(), "R22 (chlorodifluoromethane, CHClF2)");
  EXPECT_EQ(lib.RefrigNumberOf("R22"), -1);
  EXPECT_EQ(lib.RefrigNameOf(0), "R22");
  // Stepping through an empty library does nothing rather than fail.
  lib.SelectNext();
  lib.SelectPrior();
  EXPECT_EQ(lib.GetName(), "R22");
  EXPECT_DOUBLE_EQ(lib.CriticalPressure(), 4990000.0);
}

TEST(RefrigLibFile, BuiltInRecordAsTabled) {
  const core::TRefrigData& d = core::BuiltInR22();
  EXPECT_EQ(d.InternalNumber, 0);
  EXPECT_EQ(d.RNumber, "R22");
  EXPECT_EQ(d.FluidType, "Halocarbon-Methane Series");
  EXPECT_EQ(d.RefState, "IIR");
  EXPECT_EQ(d.TCrit, 96.1);
  EXPECT_EQ(d.DCrit, 523.842);
  EXPECT_EQ(d.TTrip, -157.42);
  EXPECT_EQ(d.TMin, -60.0);
  EXPECT_EQ(d.dp, d.bp);
  EXPECT_EQ(d.lh[3], 0.01149432);
  EXPECT_EQ(d.vh[4], 154002.2);
  EXPECT_EQ(d.sh[5], -7.479003e-10);
  EXPECT_EQ(d.vv[0], -11.92094);
  EXPECT_EQ(d.sv[1], -4.672763e-06);
  EXPECT_EQ(d.ic[6], 2.212816e-09);
  EXPECT_EQ(d.sc[2], 1.550121e-05);
  EXPECT_EQ(d.lv[3], 1.380161e-10);
  EXPECT_EQ(d.cl[4], 8.627718e-06);
  EXPECT_EQ(d.cv[0], 739.9727);
  EXPECT_EQ(d.kv[2], 0.0002790965);
  EXPECT_EQ(d.si[0], 11.6939363);
}

TEST(RefrigLibFile, CaseVariantSectionNamesAreListedOnce) {
  const std::string path = testsupport::MakeTempDir("dup") + "/RefLib8.rdf";
  testsupport::WriteAll(path, "[R22]\nInternalNumber=0\n[Foo]\nInternalNumber=4\n[FOO]\nInternalNumber=9\n");
  TRefrigLib lib(path);
  ASSERT_EQ(lib.Names().Count(), 2);
  EXPECT_EQ(lib.Names()[0], "Foo");
  EXPECT_EQ(lib.RefrigNumberOf("foo"), 4);
}

TEST(RefrigLibFile, UnreadableCoefficientListsRaiseOutOfTheSelection) {
  TRefrigLib lib(CopyFixture("BadLists.rdf"));
  EXPECT_THROW(lib.Select("ShortList"), platform::EListError);
  // The failed selection leaves the R22 stand-in, not a half-read record.
  EXPECT_EQ(lib.Data().vh, core::BuiltInR22().vh);
  EXPECT_EQ(lib.CurrentName(), "R22");
  try {
    lib.Select("BadItem");
    FAIL() << "no conversion error";
  } catch (const platform::EConvertError& e) {
    EXPECT_NE(std::string(e.what()).find("'x'"), std::string::npos) << e.what();
  }
  EXPECT_EQ(lib.Data().lh, core::BuiltInR22().lh);
  // Re-selecting R22 after the failures reads it again.
  lib.Select("R22");
  EXPECT_EQ(lib.GetName(), "R22");
}

TEST(RefrigLibProcess, StartUpSelectsR22AndCleanUpFreesIt) {
  ASSERT_FALSE(core::RefrigLibExists());
  EXPECT_THROW(core::RefrigLib(), platform::Exception);
  core::InitRefrigLib(CopyFixture("RefLib8.rdf"));
  ASSERT_TRUE(core::RefrigLibExists());
  EXPECT_EQ(core::RefrigLib().CurrentName(), "R22");
  EXPECT_EQ(core::RefrigNumberOf("R407X"), 3);
  EXPECT_EQ(core::RefrigNameOf(5), "ZeroDp");
  core::DoneRefrigLib();
  EXPECT_FALSE(core::RefrigLibExists());
}

TEST(RefrigLibProcess, BadR22SectionEndsTheStartWithAnError) {
  EXPECT_THROW(core::InitRefrigLib(CopyFixture("BadR22.rdf")), platform::EListError);
  EXPECT_FALSE(core::RefrigLibExists());
}

}  // namespace
