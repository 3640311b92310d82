// The current compressor: correction factors, the Qe cache, polynomial and
// table evaluation, the catalog list and the searches over installed
// catalogs (written here with the catalog writer), including damaged ones.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core/catalogfile.h"
#include "core/comp.h"
#include "core/compdata.h"
#include "core/refriglib.h"
#include "core/valuestream.h"
#include "platform/dialogs.h"
#include "platform/streams.h"
#include "platform/sysutils.h"
#include "testsupport/catalogs.h"
#include "testsupport/testenv.h"

using core::TComp;
using core::TCompData;

namespace {

const std::string kData = DRAVLEN_TEST_DATA "/refrig/";
const std::string kShipped = DRAVLEN_SOURCE_DIR "/resources/shared/RefLib8.rdf";

std::string CopyToTemp(const std::string& source) {
  return testsupport::CopyToTemp(source, "RefLib8.rdf", "complib");
}

using testsupport::CatalogHeader;
using testsupport::PolyModel;
using testsupport::TableModel;
using testsupport::WriteCatalog;

// Keeps the first bytes of a catalog: a cut inside its last model record.
void Truncate(const std::string& path, size_t cutFromEnd) {
  const std::string bytes = testsupport::ReadAll(path);
  testsupport::WriteAll(path, bytes.substr(0, bytes.size() - cutFromEnd));
}

class CompTest : public ::testing::Test {
 protected:
  void SetUp() override {
    core::InitRefrigLib(CopyToTemp(kData + "RefLib8.rdf"));
    folder_ = testsupport::MakeTempDir("catalogs");
  }
  void TearDown() override {
    core::SetCatalogFolder("");
    core::DoneRefrigLib();
  }
  std::string Path(const std::string& name) const { return folder_ + "/" + name; }
  // Lists the folder's catalogs as the installed ones.
  void Install() { core::SetCatalogFolder(folder_); }

  std::string folder_;
  platform::MessageCapture boxes_;
};

// ---------------------------------------------------------------- corrections

// The built-in R22 correlations written out term by term, apart from the
// library, for an independent value of the correction factors.
struct R22 {
  static double S(const double* c, double X, double Y) {
    return X * (c[0] + c[1] * X + Y * (c[2] + c[3] * X + c[4] * Y + c[5] * X * Y));
  }
  static double P(double T) { return std::exp(21.39916 - 2103.23 / (T + 254.0905)); }
  static double Tdew(double p) { return -2103.23 / (std::log(p) - 21.39916) - 254.0905; }
  static double hv(double T) { return 251040.6 + T * (373.4119 + T * (-1.685585 + T * -0.01689365)); }
  static double hl(double T) { return 200005.4 + T * (1169.513 + T * (1.346602 + T * 0.01149432)); }
  static double hs(double Tsat, double T) {
    static const double sh[] = {0.002846625, 6.958993e-07, 1.108134e-05, -5.134816e-08, 1.497383e-07, -7.479003e-10};
    return hv(Tsat) * (1 + S(sh, T - Tsat, Tsat)) + 154002.2;
  }
  static double vv(double T) {
    return std::exp(-11.92094 + 2418.916 / (273.15 + T)) *
           (1.009912 + T * (0.000931342 + T * (-1.615272e-05 + T * -2.761813e-07)));
  }
  static double vs(double p, double T) {
    static const double sv[] = {0.005239268, -4.672763e-06, 2.254271e-05, -1.07398e-07, 3.083406e-07, -7.039037e-10};
    const double Ts = Tdew(p);
    return vv(Ts) * (1 + S(sv, T - Ts, Ts));
  }
  static double k(double Te, double SH, double L) {
    const double k0 = 1.135672 - 0.0004593027 * L +
                      Te * (-0.001607226 - 5.582052e-06 * Te +
                            L * (-4.64092e-06 - 1.812148e-07 * Te + 2.579754e-08 * L + 2.212816e-09 * Te * L));
    return k0 * (1 + SH * (0.0002879333 - 2.264442e-06 * SH + Te * (1.550121e-05 - 7.615213e-08 * SH)));
  }
  static double w(double Te, double Tc, double Ts) {
    const double p1 = P(Te), p2 = P(Tc);
    const double kk = k(Te, Ts - Te, Tc - Te);
    const double e = (kk - 1) / kk;
    return (std::pow(p2 / p1, e) - 1) * p1 * vs(p1, Ts) / e;
  }
  static double qcf(double te, double tc, double shR, double scR, double sh, double sc) {
    const double p1 = P(te);
    return (hs(te, te + sh) - hl(tc - sc)) * vs(p1, te + shR) /
           ((hs(te, te + shR) - hl(tc - scR)) * vs(p1, te + sh));
  }
  static double pcf(double te, double tc, double shR, double sh) {
    const double p1 = P(te);
    return w(te, tc, te + sh) * vs(p1, te + shR) / (w(te, tc, te + shR) * vs(p1, te + sh));
  }
};

TEST_F(CompTest, FactorsAreOneAtRatingConditions) {
  TComp comp("", 7.5, 5.0);
  comp.Data().shRef = 7.5;
  comp.Data().scRef = 5.0;
  for (double te : {-40.0, -10.0, 5.0})
    for (double tc : {25.0, 45.0, 60.0}) {
      EXPECT_DOUBLE_EQ(comp.CapacityCorrection(te, tc), 1.0) << te << " " << tc;
      EXPECT_DOUBLE_EQ(comp.PowerCorrection(te, tc), 1.0) << te << " " << tc;
    }
  EXPECT_EQ(core::RefrigLib().Status(), core::rsNoError);
}

TEST_F(CompTest, FactorsFromRatingToApplicationConditions) {
  TComp comp("", 7.5, 5.0);
  comp.Data().shRef = 10.0;
  comp.Data().scRef = 0.0;
  const double q = comp.CapacityCorrection(-30, 40);
  const double p = comp.PowerCorrection(-30, 40);
  EXPECT_NEAR(q, R22::qcf(-30, 40, 10, 0, 7.5, 5), 1e-12);
  EXPECT_NEAR(p, R22::pcf(-30, 40, 10, 7.5), 1e-12);
  EXPECT_EQ(comp.qcf, q);
  EXPECT_EQ(comp.pcf, p);
  // The values the reference file gives for the built-in record.
  EXPECT_NEAR(q, 1.04542, 6e-6);
  EXPECT_NEAR(p, 1.00045, 6e-6);
}

struct FactorRow {
  double te, tc, shR, scR, sh, sc, qBuiltIn, qEos, pBuiltIn, pEos;
};

std::vector<FactorRow> ReadFactorRows() {
  std::ifstream in(kData + "r22_correction_factor_reference.csv");
  std::vector<FactorRow> rows;
  std::string line;
  std::getline(in, line);
  while (std::getline(in, line)) {
    std::stringstream s(line);
    std::string field;
    std::vector<double> v;
    std::getline(s, field, ',');   // refrigerant
    while (std::getline(s, field, ',')) v.push_back(platform::StrToFloat(field));
    if (v.size() == 10) rows.push_back({v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9]});
  }
  return rows;
}

TEST_F(CompTest, BuiltInR22FactorsMatchTheReferenceTable) {
  const std::vector<FactorRow> rows = ReadFactorRows();
  ASSERT_EQ(rows.size(), 16u);
  for (const FactorRow& r : rows) {
    TComp comp("", r.sh, r.sc);
    comp.Data().shRef = r.shR;
    comp.Data().scRef = r.scR;
    SCOPED_TRACE(::testing::Message() << r.te << "/" << r.tc << " " << r.shR << "/" << r.scR);
    EXPECT_NEAR(comp.CapacityCorrection(r.te, r.tc), r.qBuiltIn, 6e-6);
    EXPECT_NEAR(comp.PowerCorrection(r.te, r.tc), r.pBuiltIn, 6e-6);
  }
}

TEST_F(CompTest, ShippedR22FactorsAgreeWithTheEquationOfState) {
  core::InitRefrigLib(CopyToTemp(kShipped));
  ASSERT_EQ(core::RefrigLib().Data().dp[0], 21.31439);
  for (const FactorRow& r : ReadFactorRows()) {
    TComp comp("", r.sh, r.sc);
    comp.Data().shRef = r.shR;
    comp.Data().scRef = r.scR;
    SCOPED_TRACE(::testing::Message() << r.te << "/" << r.tc << " " << r.shR << "/" << r.scR);
    EXPECT_NEAR(comp.CapacityCorrection(r.te, r.tc), r.qEos, 0.003);
    EXPECT_NEAR(comp.PowerCorrection(r.te, r.tc), r.pEos, 0.003);
  }
}

TEST_F(CompTest, ShippedRefrigerantsGiveFiniteFactorsOverTheWorkingRange) {
  core::InitRefrigLib(CopyToTemp(kShipped));
  core::TRefrigLib& lib = core::RefrigLib();
  for (int number = 0; number < 7; ++number) {
    lib.SelectByNumber(number);
    SCOPED_TRACE(lib.GetName());
    int bad = 0;
    for (double te = -45; te <= 15; te += 5)
      for (double tc = 20; tc <= 65; tc += 5)
        for (double sh = 0; sh <= 30; sh += 2.5) {
          const double w = lib.CompressionWork(te, tc, te + sh);
          TComp comp("", sh, 5.0);
          comp.Data().shRef = 10;
          comp.Data().scRef = 0;
          const double q = comp.CapacityCorrection(te, tc);
          const double p = comp.PowerCorrection(te, tc);
          if (!(std::isfinite(w) && w > 0 && std::isfinite(q) && q > 0 && std::isfinite(p) && p > 0)) {
            if (++bad < 5) ADD_FAILURE() << te << " " << tc << " " << sh << ": " << w << " " << q << " " << p;
          }
        }
    EXPECT_EQ(bad, 0);
    EXPECT_EQ(lib.Status(), core::rsNoError);
  }
}

TEST_F(CompTest, RatingSuperheatFromSuctionGasOrSuperheat) {
  TComp comp("", 7.5, 5.0);
  comp.Data().shRef = 11.1;
  comp.Data().sgRef = 10;
  EXPECT_EQ(comp.RatingSuperheat(-5), 15.0);
  comp.Data().sgRef = -300;
  EXPECT_EQ(comp.RatingSuperheat(-5), 11.1);
  comp.Data().sgRef = -100;   // -100 or less is "not given"
  EXPECT_EQ(comp.RatingSuperheat(-5), 11.1);
  comp.Data().sgRef = -99.5;
  EXPECT_EQ(comp.RatingSuperheat(-5), -94.5);
}

// ---------------------------------------------------------------- evaluation

TEST_F(CompTest, CreationState) {
  TComp comp("", 8.0, 3.0);
  EXPECT_EQ(comp.FileIndex, -1);
  EXPECT_EQ(comp.Factor, 1.0);
  EXPECT_TRUE(comp.Dirty);
  EXPECT_EQ(comp.Superheat, 8.0);
  EXPECT_EQ(comp.Subcool, 3.0);
  EXPECT_EQ(comp.CurrentModelName(), "");
  EXPECT_EQ(comp.Data().Freq, 50);
  EXPECT_EQ(comp.Data().hrf, 0.9);
  EXPECT_EQ(comp.GetFileName(), "");
  EXPECT_EQ(core::LastStatus(), 0);
  EXPECT_EQ(comp.CoolingCapacity(-10, 40), 0.0);   // no ratings
  EXPECT_EQ(comp.PowerInput(-10, 40), 0.0);
  EXPECT_TRUE(boxes_.boxes.empty());
}

TEST_F(CompTest, CapacityIsCachedUntilFactorOrModelChanges) {
  TComp comp("", 7.5, 5.0);
  comp.Data() = PolyModel("P", 10.0, 3.0);
  const double q1 = comp.CoolingCapacity(-10, 40);
  EXPECT_NEAR(q1, 10.0, 1e-12);
  EXPECT_FALSE(comp.Dirty);
  EXPECT_EQ(comp.CachedTe, -10);
  EXPECT_EQ(comp.CachedTc, 40);
  // Changing the ratings behind the cache's back shows that nothing is re-evaluated.
  comp.Data().QeCoef[0] = 20.0;
  EXPECT_EQ(comp.CoolingCapacity(-10, 40), q1);
  // Another point is evaluated.
  EXPECT_NEAR(comp.CoolingCapacity(-10, 41), 20.0, 1e-12);
  comp.Data().QeCoef[0] = 10.0;
  EXPECT_NEAR(comp.CoolingCapacity(-10, 41), 20.0, 1e-12);
  comp.SetFactor(2.0);
  EXPECT_TRUE(comp.Dirty);
  EXPECT_NEAR(comp.CoolingCapacity(-10, 41), 20.0, 1e-12);
  comp.SetModel("");
  EXPECT_TRUE(comp.Dirty);
  // Power is never cached and carries the factor too.
  EXPECT_NEAR(comp.PowerInput(-10, 41), 6.0, 1e-12);
  comp.Data().PwCoef[0] = 4.0;
  EXPECT_NEAR(comp.PowerInput(-10, 41), 8.0, 1e-12);
}

TEST_F(CompTest, PolynomialWinsOverTableWithStatusZero) {
  TComp comp("", 7.5, 5.0);
  TCompData d = TableModel("Both");
  d.HasCurveFit = true;
  d.QeCoef = {1, 0.1, 0, 0.05, 0, 0, 0, 0, 0};
  d.PwCoef = {2, 0, 0, 0.01, 0, 0, 0, 0, 0};
  comp.Data() = d;
  // Far outside the table: a table evaluation would give a range status.
  EXPECT_NEAR(comp.CoolingCapacity(-40, 70), 1 - 4 + 3.5, 1e-12);
  EXPECT_EQ(core::LastStatus(), 0);
  EXPECT_NEAR(comp.PowerInput(-40, 70), 2.7, 1e-12);
  EXPECT_EQ(comp.RangeWarningText(), "");
}

TEST_F(CompTest, TableEvaluationAndRangeWarning) {
  TCompData d = TableModel("T1");
  d.QeTable[1][2] = 12000;   // tc 50, te 5
  d.PwTable[1][2] = 4.5;
  d.Valid[2][3] = 1;         // tc 60, te 10 flagged
  d.hrf = 0.8;
  WriteCatalog(Path("t.cmp"), CatalogHeader(0), {d});
  Install();
  TComp comp("", 7.5, 5.0);
  ASSERT_TRUE(comp.LoadModel(Path("t.cmp"), 0));
  // Rating conditions equal the application's: the table values themselves.
  EXPECT_NEAR(comp.CoolingCapacity(-10, 40), 10.0, 1e-12);
  EXPECT_NEAR(comp.PowerInput(-10, 40), 3.5, 1e-12);
  EXPECT_EQ(core::LastStatus(), 0);
  EXPECT_EQ(comp.RangeWarningText(), "");
  // Halfway between te -10 and 5 on tc 50 and at the node tc 50, te 5.
  EXPECT_NEAR(comp.CoolingCapacity(-2.5, 50), 11.0, 1e-12);
  EXPECT_NEAR(comp.PowerInput(5, 50), 4.5, 1e-12);
  EXPECT_NEAR(comp.HeatRejection(-2.5, 50), 11.0 + 0.8 * 4.0, 1e-12);

  struct Case { double te, tc; int32_t status; const char* text; };
  const Case cases[] = {
      {7.5, 55, 1, "Invalid data"},   // cell with the flagged corner
      {-35, 50, 2, "Range warning"},  // 0.67 cell below the table
      {60, 50, 3, "Out of range"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    comp.CoolingCapacity(c.te, c.tc);
    EXPECT_EQ(core::LastStatus(), c.status);
    EXPECT_EQ(comp.RangeWarningText(),
              std::string(c.text) + "... [Suction -25 to 10°C Discharge 40 to 60°C]");
  }
  // Power sets the status on its own, on every call.
  comp.PowerInput(-10, 40);
  EXPECT_EQ(core::LastStatus(), 0);
  comp.PowerInput(60, 50);
  EXPECT_EQ(core::LastStatus(), 3);
}

TEST_F(CompTest, TableIsCorrectedToApplicationConditions) {
  TComp comp("", 7.5, 5.0);
  comp.Data() = TableModel("T");
  comp.Data().shRef = 10;
  comp.Data().scRef = 0;
  EXPECT_NEAR(comp.CoolingCapacity(-25, 40), 10.0 * R22::qcf(-25, 40, 10, 0, 7.5, 5), 1e-9);
  EXPECT_NEAR(comp.PowerInput(-25, 40), 3.5 * R22::pcf(-25, 40, 10, 7.5), 1e-9);
  comp.SetFactor(1.5);
  EXPECT_NEAR(comp.HeatRejection(-25, 40),
              1.5 * (10.0 * R22::qcf(-25, 40, 10, 0, 7.5, 5) + 0.9 * 3.5 * R22::pcf(-25, 40, 10, 7.5)), 1e-9);
}

// Property errors raise out of the evaluation; the cache never keeps a value
// for the failed point and the next good point works.
TEST_F(CompTest, EvaluationSurvivesArgumentsOutsideTheCorrelations) {
  TComp comp("", 7.5, 5.0);
  comp.Data() = PolyModel("P", 10.0, 3.0);
  const double bad = -core::BuiltInR22().dp[2];
  const double good = comp.CoolingCapacity(-10, 40);
  EXPECT_THROW(comp.CoolingCapacity(bad, 40), core::EMathError);
  EXPECT_THROW(comp.CoolingCapacity(bad, 40), core::EMathError);
  EXPECT_THROW(comp.PowerInput(bad, 40), core::EMathError);
  EXPECT_THROW(comp.HeatRejection(bad, 40), core::EMathError);
  EXPECT_EQ(comp.RangeWarningText(), "");
  EXPECT_EQ(comp.CoolingCapacity(-10, 40), good);
  EXPECT_FALSE(comp.Dirty);
  EXPECT_TRUE(std::isfinite(comp.HeatRejection(-10, 40)));
}

// ---------------------------------------------------------------- catalogs

TEST_F(CompTest, RefreshListsAFoldersOwnFilesBeforeItsSubFolders) {
  ASSERT_TRUE(platform::ForceDirectories(Path("a_sub/deeper")));
  ASSERT_TRUE(platform::ForceDirectories(Path("b_sub")));
  WriteCatalog(Path("z.cmp"), CatalogHeader(0), {});
  WriteCatalog(Path("a_sub/a.cmp"), CatalogHeader(0), {});
  WriteCatalog(Path("a_sub/deeper/d.cmp"), CatalogHeader(0), {});
  WriteCatalog(Path("b_sub/b.cmp"), CatalogHeader(0), {});
  testsupport::WriteAll(Path("notes.txt"), "x");
  Install();
  EXPECT_EQ(core::CatalogFolder(), folder_);
  const std::vector<std::string> expected = {Path("z.cmp"), Path("a_sub/a.cmp"),
                                             Path("a_sub/deeper/d.cmp"), Path("b_sub/b.cmp")};
  EXPECT_EQ(core::CatalogList().Items(), expected);

  TComp comp("", 7.5, 5.0);
  EXPECT_EQ(comp.SetFileName(Path("b_sub/b.cmp")), 3);
  EXPECT_EQ(comp.GetFileName(), Path("b_sub/b.cmp"));
  EXPECT_EQ(comp.SetFileName(Path("missing.cmp")), -1);
  EXPECT_EQ(comp.GetFileName(), "");
  // A refresh keeps the current catalog current although its position moves.
  comp.SetFileName(Path("a_sub/a.cmp"));
  WriteCatalog(Path("y.cmp"), CatalogHeader(0), {});
  comp.RefreshFiles();
  EXPECT_EQ(core::CatalogList().Count(), 5);
  EXPECT_EQ(comp.GetFileName(), Path("a_sub/a.cmp"));
  platform::DeleteFile(Path("a_sub/a.cmp"));
  comp.RefreshFiles();
  EXPECT_EQ(comp.FileIndex, -1);
}

class CatalogSearchTest : public CompTest {
 protected:
  void SetUp() override {
    CompTest::SetUp();
    ASSERT_TRUE(platform::ForceDirectories(Path("sub")));
    TCompData shared = PolyModel("Shared", 5.0, 1.0);
    WriteCatalog(Path("a.cmp"), CatalogHeader(0, "Acme", -25, 10, 40, 60),
                 {PolyModel("M1", 1, 1), PolyModel("M2", 2, 1), shared});
    WriteCatalog(Path("b.cmp"), CatalogHeader(3, "Other", -40, -5, 30, 50),
                 {PolyModel("X1", 3, 1), PolyModel("Shared", 6.0, 1.0)});
    WriteCatalog(Path("sub/c.cmp"), CatalogHeader(0, "ACME", -10, 15, 25, 55), {PolyModel("C1", 4, 1)});
    Install();
  }
};

TEST_F(CatalogSearchTest, FindModelPassesAndRefrigerantSwitch) {
  TComp comp("M2", 7.5, 5.0);
  EXPECT_EQ(comp.CurrentModelName(), "M2");
  EXPECT_EQ(comp.GetFileName(), Path("a.cmp"));
  EXPECT_EQ(comp.Header.Manufacturer, "Acme");

  // Only in a catalog of another refrigerant: the third pass finds it and
  // the library follows the catalog.
  comp.SetModel("X1");
  EXPECT_EQ(comp.GetFileName(), Path("b.cmp"));
  EXPECT_EQ(core::RefrigLib().GetName(), "R407X");
  EXPECT_EQ(comp.Header.RefrigNumber, 3);

  // The current catalog is tried first (restricted to R407X now).
  comp.SetModel("Shared");
  EXPECT_EQ(comp.GetFileName(), Path("b.cmp"));
  EXPECT_EQ(comp.Data().QeCoef[0], 6.0);

  // Back on R22 the current catalog is skipped and the list searched in order.
  core::RefrigLib().Select("R22");
  comp.SetModel("Shared");
  EXPECT_EQ(comp.GetFileName(), Path("a.cmp"));
  EXPECT_EQ(comp.Data().QeCoef[0], 5.0);
  comp.SetModel("C1");
  EXPECT_EQ(comp.FileIndex, 2);
  EXPECT_EQ(core::RefrigLib().GetName(), "R22");
  EXPECT_TRUE(boxes_.boxes.empty());

  // Names compare exactly; blank names are searched but never reported.
  comp.SetModel("m1");
  comp.SetModel("  ");
  ASSERT_EQ(boxes_.boxes.size(), 1u);
  EXPECT_EQ(boxes_.boxes[0].text, "Compressor (m1) not found");
  EXPECT_FALSE(comp.FindModel("Nope"));
  EXPECT_EQ(boxes_.boxes.size(), 1u);
}

TEST_F(CatalogSearchTest, LoadModelNamesAndCount) {
  TComp comp("", 7.5, 5.0);
  EXPECT_EQ(comp.ModelCount(), 0);   // no current catalog
  EXPECT_EQ(comp.ModelNames().Count(), 0);
  comp.SetFileName(Path("a.cmp"));
  EXPECT_EQ(comp.ModelNames().Items(), (std::vector<std::string>{"M1", "M2", "Shared"}));
  EXPECT_EQ(comp.CurrentModelName(), "Shared");   // the last record read
  EXPECT_EQ(comp.ModelCount(), 3);

  comp.CoolingCapacity(-10, 40);
  EXPECT_FALSE(comp.Dirty);
  ASSERT_TRUE(comp.LoadModel(Path("b.cmp"), 0));
  EXPECT_TRUE(comp.Dirty);
  EXPECT_EQ(comp.CurrentModelName(), "X1");
  EXPECT_EQ(core::RefrigLib().GetName(), "R407X");
  EXPECT_FALSE(comp.LoadModel(Path("a.cmp"), 3));
  EXPECT_FALSE(comp.LoadModel(Path("a.cmp"), -1));
  // A failed load leaves the last header and record read.
  EXPECT_EQ(comp.CurrentModelName(), "Shared");
  EXPECT_EQ(comp.Header.Manufacturer, "Acme");
  EXPECT_TRUE(boxes_.boxes.empty());
}

TEST_F(CatalogSearchTest, FindCompressorFilesFilters) {
  using L = std::vector<std::string>;
  struct Case { const char* scenario; const char* refrigerant; const char* manufacturer; double te, tc; L expected; };
  const Case cases[] = {
      {"every R22 catalog", "R22", "", -99, -99, {Path("a.cmp"), Path("sub/c.cmp")}},
      {"refrigerant name in other case", "r407x", "", -99, -99, {Path("b.cmp")}},
      {"manufacturer without regard to case", "R22", "acme", -99, -99, {Path("a.cmp"), Path("sub/c.cmp")}},
      {"other manufacturer", "R22", "Other", -99, -99, {}},
      {"te inside one range", "R22", "", -20, -99, {Path("a.cmp")}},
      {"te on the limits", "R22", "", 10, -99, {Path("a.cmp"), Path("sub/c.cmp")}},
      {"tc below one range", "R22", "", -99, 30, {Path("sub/c.cmp")}},
      {"tc inside both", "R22", "", -5, 50, {Path("a.cmp"), Path("sub/c.cmp")}},
      {"tc above one", "R22", "", -99, 58, {Path("a.cmp")}},
      {"unknown refrigerant", "R999", "", -99, -99, {}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(core::FindCompressorFiles(c.refrigerant, c.manufacturer, c.te, c.tc).Items(), c.expected)
        << c.scenario;
  EXPECT_TRUE(boxes_.boxes.empty());
}

// A catalog cut in the middle of a model record, among good ones.
TEST_F(CatalogSearchTest, TruncatedCatalogIsReportedOnceAndSkipped) {
  TCompData t1 = TableModel("T1"), t2 = TableModel("T2");
  WriteCatalog(Path("0cut.cmp"), CatalogHeader(0), {t1, t2});
  Truncate(Path("0cut.cmp"), 40);
  testsupport::WriteAll(Path("1short.cmp"), "too short for a header");
  Install();
  ASSERT_EQ(core::CatalogList().Count(), 5);
  const std::string cut = Path("0cut.cmp"), shortFile = Path("1short.cmp");

  // Found after the damaged catalogs, each reported once although three passes ran.
  TComp comp("", 7.5, 5.0);
  comp.SetModel("X1");
  EXPECT_EQ(comp.GetFileName(), Path("b.cmp"));
  ASSERT_EQ(boxes_.boxes.size(), 2u);
  EXPECT_EQ(boxes_.boxes[0].text, "Error reading compressor file " + cut);
  EXPECT_EQ(boxes_.boxes[1].text, "Error reading compressor file " + shortFile);

  // A model before the cut is still found.
  boxes_.boxes.clear();
  core::RefrigLib().Select("R22");
  comp.SetModel("T1");
  EXPECT_EQ(comp.GetFileName(), cut);
  EXPECT_TRUE(boxes_.boxes.empty());

  // Names and count so far; loading beyond the cut fails with the report.
  EXPECT_EQ(comp.ModelNames().Items(), (std::vector<std::string>{"T1"}));
  EXPECT_EQ(comp.ModelCount(), 1);
  EXPECT_FALSE(comp.LoadModel(cut, 1));
  EXPECT_TRUE(comp.LoadModel(cut, 0));
  EXPECT_EQ(boxes_.boxes.size(), 3u);

  // The file search reports the unreadable header and goes on.
  boxes_.boxes.clear();
  EXPECT_EQ(core::FindCompressorFiles("R22", "", -99, -99).Items(),
            (std::vector<std::string>{cut, Path("a.cmp"), Path("sub/c.cmp")}));
  ASSERT_EQ(boxes_.boxes.size(), 1u);
  EXPECT_EQ(boxes_.boxes[0].text, "Error reading compressor file " + shortFile);

  // A catalog that vanished after the scan is reported the same way.
  platform::DeleteFile(Path("a.cmp"));
  boxes_.boxes.clear();
  comp.SetModel("C1");
  EXPECT_EQ(comp.GetFileName(), Path("sub/c.cmp"));
  EXPECT_EQ(boxes_.boxes.size(), 3u);   // cut (no C1 before the cut), short, a.cmp
}

TEST(CompProcess, StartUpAndCleanUp) {
  core::InitRefrigLib(CopyToTemp(kData + "RefLib8.rdf"));
  core::InitComp();
  ASSERT_TRUE(core::CompExists());
  EXPECT_EQ(core::Comp().Superheat, 7.5);
  EXPECT_EQ(core::Comp().Subcool, 5.0);
  EXPECT_EQ(core::Comp().CurrentModelName(), "");
  EXPECT_FALSE(core::CatalogFolder().empty());
  const std::string folder = testsupport::MakeTempDir("installed");
  WriteCatalog(folder + "/x.cmp", CatalogHeader(0), {PolyModel("Q", 1, 1)});
  core::SetCatalogFolder(folder);
  EXPECT_EQ(core::CatalogList().Count(), 1);
  core::Comp().SetModel("Q");
  EXPECT_EQ(core::Comp().FileIndex, 0);
  core::DoneComp();
  EXPECT_FALSE(core::CompExists());
  EXPECT_EQ(core::CatalogList().Count(), 0);
  EXPECT_THROW(core::Comp(), platform::Exception);
  core::DoneRefrigLib();
}

}  // namespace

// Cases of the compressor model that the other core tests leave open: which
// catalog a model search tries first.
namespace {

using testsupport::CatalogHeader;
using testsupport::PolyModel;
using testsupport::WriteCatalog;

class ModelSearchOrderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    core::InitRefrigLib(
        testsupport::CopyToTemp(DRAVLEN_TEST_DATA "/refrig/RefLib8.rdf", "RefLib8.rdf", "search_order"));
    folder_ = testsupport::MakeTempDir("search_order");
    // The same model name in three catalogs: R407X (number 3) first, then two
    // of R22 (number 0); the constant capacity tells which one was read.
    WriteCatalog(Path("a.cmp"), CatalogHeader(3), {PolyModel("Dup", 3, 1)});
    WriteCatalog(Path("b.cmp"), CatalogHeader(0), {PolyModel("Dup", 1, 1)});
    WriteCatalog(Path("c.cmp"), CatalogHeader(0), {PolyModel("Other", 9, 1), PolyModel("Dup", 2, 1)});
    core::SetCatalogFolder(folder_);
  }
  void TearDown() override {
    core::SetCatalogFolder("");
    core::DoneRefrigLib();
  }
  std::string Path(const std::string& name) const { return folder_ + "/" + name; }

  std::string folder_;
  platform::MessageCapture boxes_;
};

// The current catalog goes before the list order, but only while it rates the
// selected refrigerant; otherwise the first catalog of that refrigerant wins.
TEST_F(ModelSearchOrderTest, CurrentCatalogIsTriedFirst) {
  ASSERT_EQ(core::CatalogList().Count(), 3);
  core::TComp comp("", 7.5, 5.0);

  // No current catalog: the first R22 catalog in list order, not the R407X one before it.
  ASSERT_TRUE(comp.FindModel("Dup"));
  EXPECT_EQ(comp.GetFileName(), Path("b.cmp"));
  EXPECT_EQ(comp.Data().QeCoef[0], 1);

  // The current catalog holds it too: it is found there although b.cmp comes first.
  ASSERT_EQ(comp.SetFileName(Path("c.cmp")), 2);
  comp.SetModel("Dup");
  EXPECT_EQ(comp.FileIndex, 2);
  EXPECT_EQ(comp.Data().QeCoef[0], 2);
  EXPECT_EQ(core::RefrigLib().GetName(), "R22");

  // A current catalog of another refrigerant is passed over in favour of the
  // list's catalogs of the selected one.
  ASSERT_EQ(comp.SetFileName(Path("a.cmp")), 0);
  comp.SetModel("Dup");
  EXPECT_EQ(comp.GetFileName(), Path("b.cmp"));
  EXPECT_EQ(comp.Data().QeCoef[0], 1);
  EXPECT_EQ(core::RefrigLib().GetName(), "R22");
  EXPECT_TRUE(boxes_.boxes.empty());
}

}  // namespace
