// Cases of the compressor model that the other core tests leave open: which
// catalog a model search tries first.
#include <gtest/gtest.h>

#include <string>

#include "core/comp.h"
#include "core/compdata.h"
#include "core/refriglib.h"
#include "platform/dialogs.h"
#include "testsupport/catalogs.h"
#include "testsupport/testenv.h"

namespace {

using testsupport::CatalogHeader;
using testsupport::PolyModel;
using testsupport::WriteCatalog;

class ModelSearchOrderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    core::InitRefrigLib(
        testsupport::CopyToTemp(DRAVLEN_TEST_DATA "/refrig/RefLib8.rdf", "RefLib8.rdf", "review"));
    folder_ = testsupport::MakeTempDir("review_catalogs");
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
