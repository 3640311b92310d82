// The report pages printed on A4 through the viewer and read back: the
// coefficient table is wider than the printable width at scale 1, and every
// one of its columns must reach the paper.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "htmlview/view/htmlview.h"
#include "htmlview/view/printer.h"
#include "htmlview/view/qtprintdriver.h"
#include "htmlview/viewermodule.h"
#include "pages_helpers.h"
#include "platform/fonts.h"
#include "platform/guard.h"
#include "platform/stringlist.h"
#include "reflib_helpers.h"
#include "testsupport/pdfpages.h"
#include "testsupport/testenv.h"
#include "workbench/pages.h"
#include "workbench/sourcefile.h"

namespace {

// The coefficients of "AX20 <big>" as the pages show them, last column last.
const std::vector<std::string> kE = {"1.235E+004", "1235", "0.37", "-0.11", "0.00003",
                                     "9E-006", "1E+020", "0", "-2.5E-007"};
const std::vector<std::string> kP = {"1.2", "0.01", "0.0001", "0.015", "0.0003",
                                     "0.0002", "1E-006", "-1E-006", "1E-008"};

class PrintPagesTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    platform::SetFontBackend(platform::FontBackend::Qt);
    htmlview::InitViewerModule();
    reflibfixture::Init();
  }
  static void TearDownTestSuite() {
    reflibfixture::Done();
    htmlview::DoneViewerModule();
  }
  void SetUp() override {
    path_ = pagesfixture::OpenFixture(source_, "pages.ini");
    pagesfixture::Select(source_, "AX20 <big>");
    view_ = std::make_unique<htmlview::THtmlView>();
    view_->resize(700, 500);
    platform::TakeReportedErrors();
  }
  void TearDown() override {
    view_.reset();
    htmlview::DonePrinterModule();
    htmlview::SetPrinterDriver(nullptr);
    EXPECT_TRUE(platform::TakeReportedErrors().empty());
  }
  // The workbench's order: clear, load; then print into a file.
  std::string Print(const platform::TStringList& page, const std::string& name, int& pages) {
    view_->ClearDocument();
    view_->LoadFromStrings(page);
    const std::string pdf = testsupport::MakeTempDir("printpages") + "/" + name;
    htmlview::UsePdfPrinter(pdf);
    const int counted = view_->NumPrinterPages();
    pages = view_->Print();
    EXPECT_EQ(pages, counted) << "counting and printing agree";
    return pdf;
  }

  workbench::TSourceFile source_;
  std::string path_;
  std::unique_ptr<htmlview::THtmlView> view_;
};

// The page's text holds every coefficient of both rows, and the ink of the
// first page stays inside the right margin.
void ExpectEveryCoefficient(const std::string& pdf) {
  std::string text = testsupport::PdfText(pdf);
  for (const std::vector<std::string>* row : {&kE, &kP}) {
    size_t at = 0;
    for (const std::string& value : *row) {
      const size_t found = text.find(value, at);
      EXPECT_NE(found, std::string::npos) << value << " not printed in\n" << text;
      if (found != std::string::npos) at = found + value.size();
    }
  }
  const int dpi = 50;
  const QImage page = testsupport::RasterisePdfPage(pdf, 1, dpi);
  ASSERT_FALSE(page.isNull());
  int right = -1;
  for (int x = 0; x < page.width(); ++x)
    for (int y = 0; y < page.height(); ++y) {
      const QColor c = page.pixelColor(x, y);
      if (c.red() < 200 || c.green() < 200 || c.blue() < 200) right = x;
    }
  EXPECT_LT(right, page.width() - 2 * dpi * 100 / 254) << "ink in the right margin";
}

TEST_F(PrintPagesTest, TheRegressionPagePrintsItsLastCoefficientColumn) {
  platform::TStringList page;
  workbench::BuildCoefficientsPage(source_.CurrentFile, source_.CompData, page);
  int pages = 0;
  const std::string pdf = Print(page, "regression.pdf", pages);
  EXPECT_EQ(pages, 1);
  EXPECT_LT(view_->PrintShrink(), 1.0);
  EXPECT_GT(view_->PrintShrink(), 0.7);
  ExpectEveryCoefficient(pdf);
}

TEST_F(PrintPagesTest, TheModelPagePrintsItsLastCoefficientColumn) {
  platform::TStringList page;
  workbench::BuildModelPage(source_.CompData, page);
  int pages = 0;
  const std::string pdf = Print(page, "model.pdf", pages);
  EXPECT_GE(pages, 1);
  EXPECT_LT(view_->PrintShrink(), 1.0);
  ExpectEveryCoefficient(pdf);
}

// The Header page (a 620-pixel table between the page's own margins) is
// only a few pixels wider than the paper: it prints nearly at its natural
// size, every key included.
TEST_F(PrintPagesTest, TheHeaderPageShrinksNoMoreThanItMust) {
  platform::TStringList page;
  workbench::BuildHeaderPage(source_, page);
  int pages = 0;
  const std::string pdf = Print(page, "header.pdf", pages);
  EXPECT_EQ(pages, 1);
  EXPECT_GT(view_->PrintShrink(), 0.98);
  const std::string text = testsupport::PdfText(pdf);
  for (const char* key : {"Key", "Value", "Manuf"}) EXPECT_NE(text.find(key), std::string::npos) << key << text;
}

}  // namespace
