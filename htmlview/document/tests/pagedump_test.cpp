// The workbench's pages (Header, Model, Regression, and the Verify page with
// its report and its tick and cross lines) as the viewer shows them: each
// page, in the HTML the workbench writes, is parsed, laid out at the width of
// the page view and compared with its layout dump in data/pages.
//
// Setting DRAVLEN_WRITE_DUMPS=1 writes the dumps instead of comparing, for
// review when the layout changes on purpose.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include <QImage>
#include <QString>

#include "htmlview/images/imagemodule.h"
#include "htmlview/images/pngcodec.h"
#include "htmlview/layout/docroot.h"
#include "htmlview/layout/layoutdump.h"
#include "htmlview/document/docparser.h"
#include "platform/canvas.h"
#include "platform/fonts.h"
#include "platform/image.h"
#include "testsupport/testenv.h"

namespace htmlview {
namespace {

const std::string kPages = std::string(DRAVLEN_TEST_DATA) + "/pages/";

class PageDumpTest : public ::testing::TestWithParam<const char*> {
 protected:
  static void SetUpTestSuite() {
    platform::SetFontBackend(platform::FontBackend::FixedMetric,
                             {"Times New Roman", "Courier New", "Verdana", "Arial"});
    platform::SetScreenDepth(24);
    InitPngModule();
    InitImageModule();
    InitDocParser();
  }
  static void TearDownTestSuite() {
    DoneDocParser();
    DoneImageModule();
  }

  // Parses and lays out a page the way the workbench shows it: a cleared
  // document with the viewer's defaults, the base folder where the page's
  // pictures lie, 700 pixels wide.
  std::string LayOut(const std::string& html) {
    TSectionList list(nullptr, nullptr);
    list.SetDefaults("Times New Roman", "Courier New", 12, platform::clBlack, platform::clBlue,
                     platform::clPurple, platform::clRed, platform::clWhite, false, true, 1, 5,
                     10);
    list.ExpandDocFileNameHandler = [](const std::string& name) { return kPages + name; };
    ParseHtmlDocument(html, list);
    platform::Bitmap bitmap(700, 600);
    platform::Canvas canvas(&bitmap.Image());
    int maxWidth = 0, curs = 0;
    list.Layout(canvas, 0, 700, 600, 600, maxWidth, curs);
    // DRAVLEN_PAGE_PICTURES=folder: the page is also painted there, to look at.
    if (const char* folder = std::getenv("DRAVLEN_PAGE_PICTURES"); folder && *folder) {
      TDrawContext context;
      list.Draw(canvas, context, platform::Rect{0, 0, 700, 600}, 700, 0, 0, 0, 0);
      bitmap.Image().save(QString::fromStdString(std::string(folder) + "/" + name_ + ".png"));
    }
    return DumpLayout(list);
  }
  std::string name_;
};

TEST_P(PageDumpTest, PageLaysOutAsItsDump) {
  const std::string name = GetParam();
  name_ = name;
  const std::string dump = LayOut(testsupport::ReadAll(kPages + name + ".html"));
  const std::string expectedPath = kPages + name + ".dump";
  if (const char* write = std::getenv("DRAVLEN_WRITE_DUMPS"); write && *write == '1') {
    std::ofstream(expectedPath, std::ios::binary) << dump;
    GTEST_SKIP() << "written " << expectedPath;
  }
  EXPECT_EQ(dump, testsupport::ReadAll(expectedPath)) << name;
}

INSTANTIATE_TEST_SUITE_P(WorkbenchPages, PageDumpTest,
                         ::testing::Values("header", "model", "regression", "verify",
                                           "verifyall"));

}  // namespace
}  // namespace htmlview
