// The whole road of a source file: read, fit, build, install, and the
// compressor model finding the model in the installed catalog.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "core/comp.h"
#include "core/inifiles.h"
#include "fit_helpers.h"
#include "platform/dialogs.h"
#include "platform/sysutils.h"
#include "testsupport/testenv.h"

namespace {

using workbench::TActionPage;

class RoadTest : public ::testing::Test {
 protected:
  void SetUp() override { fitfixture::StartModules(); }
  void TearDown() override {
    core::SetCatalogFolder("");
    fitfixture::FinishModules();
  }
  platform::MessageCapture boxes_;
};

TEST_F(RoadTest, SampleFileFromSourceToTheCompressorModel) {
  const std::string folder = testsupport::MakeTempDir("road");
  const std::string shared = testsupport::MakeTempDir("shared") + "/";
  core::SetCatalogFolder(shared);

  // A sample rating table (R22, 54 points) as a source file; the rating
  // conditions are the header's defaults.
  const fitfixture::TableModel table = fitfixture::CsvModel("06CC016", "R22-low-recip-016.csv");
  const std::string path = folder + "/sample.ini";
  testsupport::WriteAll(path, fitfixture::SourceText({"Manufacturer=Sample", "Make=Low temperature",
                                                      "Refrig=R22", "shRef=10", "scRef=0", "TeLo=-40",
                                                      "TeHi=-17.8", "TcLo=10", "TcHi=48.9"},
                                                     {table}));

  // Read.
  fitfixture::Workbench wb;
  wb.builder.SharedFolder = shared;
  wb.OpenFolder(folder);
  wb.Open(path);
  ASSERT_TRUE(wb.source.IsValidFile);
  ASSERT_EQ(wb.source.ModelList.Count(), 1);

  // Fit.
  wb.fit.ActionAddCoeffExecute();
  const std::vector<std::string>& page = wb.shown[TActionPage::Regression];
  ASSERT_TRUE(std::find(page.begin(), page.end(), "<h3>06CC016</h3>") != page.end());
  ASSERT_TRUE(std::find(page.begin(), page.end(), "<p>Curve fit not possible with this data</p>") == page.end());
  core::TPoly9Coef e{}, p{};
  {
    core::TIniFile ini(path);
    core::TextToPoly9(ini.ReadString("06CC016", "e", ""), e);
    core::TextToPoly9(ini.ReadString("06CC016", "p", ""), p);
  }
  EXPECT_NE(wb.editorText.find("\ne="), std::string::npos);

  // The fit's error: the largest deviation of the written polynomial from
  // the table.
  double fitError = 0.0;
  for (size_t j = 0; j < table.tc.size(); ++j) {
    for (size_t i = 0; i < table.te.size(); ++i) {
      const double qe = 0.001 * table.qe[j][i];
      fitError = std::max(fitError, std::fabs(core::Poly9(e, table.te[i], table.tc[j]) - qe));
      EXPECT_LT(std::fabs(core::Poly9(e, table.te[i], table.tc[j]) - qe), 0.015 * qe);
    }
  }

  // Build and install.
  wb.builder.ActionBuildExecute();
  ASSERT_TRUE(platform::FileExists(folder + "/sample.cmp"));
  wb.builder.ActionInstallExecute();
  EXPECT_EQ(wb.shown[TActionPage::Verify], std::vector<std::string>{"<h2>sample.cmp installed...</h2>"});
  ASSERT_EQ(core::CatalogList().Count(), 1);

  // The compressor model finds the model by name in the installed catalog.
  core::TComp comp("06CC016", 10.0, 0.0);
  EXPECT_TRUE(boxes_.boxes.empty());
  ASSERT_EQ(comp.CurrentModelName(), "06CC016");
  EXPECT_EQ(comp.GetFileName(), shared + "sample.cmp");
  EXPECT_EQ(comp.Header.Manufacturer, "Sample");
  EXPECT_EQ(comp.Header.TcHi, 48.9);
  EXPECT_TRUE(comp.Data().HasCurveFit);
  EXPECT_TRUE(comp.Data().HasTable);
  EXPECT_EQ(comp.Data().shRef, 10.0);
  EXPECT_EQ(comp.Data().scRef, 0.0);

  // Rating and application conditions alike (qcf = 1): the capacity at every
  // table point is the table's within the fit's error.
  for (size_t j = 0; j < table.tc.size(); ++j) {
    for (size_t i = 0; i < table.te.size(); ++i) {
      const double te = table.te[i], tc = table.tc[j];
      const double capacity = comp.CoolingCapacity(te, tc);
      EXPECT_NEAR(comp.qcf, 1.0, 1e-12);
      EXPECT_NEAR(capacity, 0.001 * table.qe[j][i], fitError * (1 + 1e-9)) << te << " " << tc;
      EXPECT_NEAR(capacity, core::Poly9(e, te, tc), 1e-9);
    }
  }
  EXPECT_NEAR(comp.PowerInput(-30.0, 30.0), core::Poly9(p, -30.0, 30.0), 1e-9);
  EXPECT_NEAR(comp.PowerInput(-30.0, 30.0), 3.071, 0.05);
}

}  // namespace
