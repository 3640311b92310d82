// Printing through the Qt print driver into PDF files, read back with
// pdftotext: the text of every page in order, pages ending at page-break
// markers and when full, never in the middle of a line.
#include <cstdio>
#include <fstream>
#include <sstream>

#include <QImage>
#include <gtest/gtest.h>

#include "htmlview/view/htmlview.h"
#include "htmlview/view/qtprintdriver.h"
#include "htmlview/view/tests/handdoc.h"
#include "htmlview/viewermodule.h"
#include "platform/fonts.h"
#include "platform/guard.h"
#include "platform/printing.h"
#include "testsupport/testenv.h"

namespace {

using namespace htmlview;

// The text of a PDF, pages separated by form feeds. Glyphs stand where the
// screen's whole-pixel advances put them, so the reader may see gaps inside
// words: blanks are left out before texts are compared.
std::string PdfText(const std::string& pdf) {
  const std::string out = pdf + ".txt";
  const std::string command = "pdftotext -layout '" + pdf + "' '" + out + "' 2>/dev/null";
  if (std::system(command.c_str()) != 0) return "(pdftotext failed)";
  std::string text;
  for (char c : testsupport::ReadAll(out))
    if (c != ' ') text += c;
  return text;
}

std::vector<std::string> Pages(const std::string& text) {
  std::vector<std::string> pages;
  std::string page;
  for (char c : text) {
    if (c == '\f') {
      pages.push_back(page);
      page.clear();
    } else {
      page += c;
    }
  }
  if (!page.empty() && page.find_first_not_of(" \n") != std::string::npos) pages.push_back(page);
  return pages;
}

class PrintTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // Real glyphs: the PDF's text must be readable.
    platform::SetFontBackend(platform::FontBackend::Qt);
    handdoc::LinesSection::FontName = "Liberation Sans";
    InitViewerModule();
  }
  static void TearDownTestSuite() { DoneViewerModule(); }
  void SetUp() override {
    SetDocumentBuilder(handdoc::BuildHandDoc);
    dir_ = testsupport::MakeTempDir("print");
    view_ = std::make_unique<THtmlView>();
    view_->resize(400, 300);
    platform::TakeReportedErrors();
  }
  void TearDown() override {
    view_.reset();
    DonePrinterModule();
    SetPrinterDriver(nullptr);
    SetDocumentBuilder(nullptr);
    EXPECT_TRUE(platform::TakeReportedErrors().empty());
  }
  std::string dir_;
  std::unique_ptr<THtmlView> view_;
};

TEST_F(PrintTest, APageBreakMarkerEndsThePageAndTheTextComesOutInOrder) {
  view_->LoadFromStrings(std::vector<std::string>{"Alpha first line", "Bravo second line", "", "@page",
                                                  "Charlie on page two", "Delta last line"});
  const std::string pdf = dir_ + "/two.pdf";
  UsePdfPrinter(pdf);
  EXPECT_EQ(view_->Print(), 2);
  const std::vector<std::string> pages = Pages(PdfText(pdf));
  ASSERT_EQ(pages.size(), 2u) << PdfText(pdf);
  const std::string& one = pages[0];
  EXPECT_LT(one.find("Alphafirstline"), one.find("Bravosecondline"));
  EXPECT_EQ(one.find("Charlie"), std::string::npos);
  EXPECT_LT(pages[1].find("Charlieonpagetwo"), pages[1].find("Deltalastline"));
  EXPECT_EQ(pages[1].find("Alpha"), std::string::npos);
  // The screen layout is back and the viewer idle.
  EXPECT_FALSE(view_->Processing());
  EXPECT_FALSE(view_->SectionList().Printing);
  EXPECT_EQ(view_->SectionList().Count(), 3);
}

TEST_F(PrintTest, AFullPageEndsAboveTheLineThatWouldCrossItsBottom) {
  std::vector<std::string> lines;
  for (int i = 0; i < 80; ++i) lines.push_back("Row " + std::to_string(i) + " of the long page");
  view_->LoadFromStrings(lines);
  view_->ScrollTo(300);
  const std::string pdf = dir_ + "/long.pdf";
  UsePdfPrinter(pdf);
  const int pages = view_->NumPrinterPages();
  ASSERT_GE(pages, 2);
  EXPECT_EQ(view_->Print(), pages);
  const std::vector<std::string> text = Pages(PdfText(pdf));
  ASSERT_EQ(static_cast<int>(text.size()), pages);
  // Every row is printed exactly once, in order, across the pages.
  std::string all;
  for (const std::string& p : text) all += p;
  size_t at = 0;
  for (int i = 0; i < 80; ++i) {
    const std::string row = "Row" + std::to_string(i) + "ofthelongpage";
    const size_t found = all.find(row, at);
    ASSERT_NE(found, std::string::npos) << row;
    EXPECT_EQ(all.find(row, found + 1), std::string::npos) << row << " printed twice";
    at = found + row.size();
  }
  EXPECT_EQ(view_->VScrollBar().Position(), 300) << "the view keeps its place";
}

TEST_F(PrintTest, APageRangePrintsOnlyThosePages) {
  view_->LoadFromStrings(std::vector<std::string>{"One", "", "@page", "Two", "", "@page", "Three"});
  const std::string pdf = dir_ + "/range.pdf";
  UsePdfPrinter(pdf);
  EXPECT_EQ(view_->NumPrinterPages(), 3);
  EXPECT_EQ(view_->Print(2, 3), 2);
  const std::vector<std::string> pages = Pages(PdfText(pdf));
  ASSERT_EQ(pages.size(), 2u);
  EXPECT_NE(pages[0].find("Two"), std::string::npos);
  EXPECT_NE(pages[1].find("Three"), std::string::npos);
}

TEST_F(PrintTest, WithoutAPrinterPrintingFailsCleanly) {
  platform::SetPrinterNames(std::vector<std::string>{});
  SetPrinterDriver(std::make_shared<TQtPrinterDriver>(platform::PrintTarget{}));
  view_->LoadFromStrings(std::vector<std::string>{"text"});
  try {
    view_->Print();
    FAIL() << "printed without a printer";
  } catch (const EPrinter& e) {
    EXPECT_STREQ(e.what(), "Printer selected is not valid");
  }
  EXPECT_FALSE(view_->Processing());
  EXPECT_EQ(view_->NumPrinterPages(), 0);
  platform::SetPrinterNames(std::nullopt);
}

TEST_F(PrintTest, AnAbortedJobLeavesNoFile) {
  const std::string pdf = dir_ + "/aborted.pdf";
  UsePdfPrinter(pdf);
  TvwPrinter& printer = Printer();
  printer.BeginDoc("x");
  printer.Canvas().Get().TextOut(10, 10, "gone");
  printer.Abort();
  EXPECT_FALSE(printer.Printing());
  std::ifstream in(pdf);
  EXPECT_FALSE(in.good());
}

TEST_F(PrintTest, AParsedPageBreaksWhereItsPageElementStands) {
  SetDocumentBuilder(nullptr);   // the document parser
  view_->LoadFromStrings(std::vector<std::string>{
      "<html><body><h2>Header</h2>", "<table><tr><th>Key</th><th>Value</th></tr>",
      "<tr><td>Manuf</td><td>Northfield Compressors</td></tr></table>", "<page>",
      "<p>Second page paragraph</p>", "</body></html>"});
  const std::string pdf = dir_ + "/parsed.pdf";
  UsePdfPrinter(pdf);
  EXPECT_EQ(view_->Print(), 2);
  const std::vector<std::string> pages = Pages(PdfText(pdf));
  ASSERT_EQ(pages.size(), 2u) << PdfText(pdf);
  EXPECT_LT(pages[0].find("Header"), pages[0].find("NorthfieldCompressors"));
  EXPECT_NE(pages[0].find("Manuf"), std::string::npos);
  EXPECT_EQ(pages[0].find("Second"), std::string::npos);
  EXPECT_NE(pages[1].find("Secondpageparagraph"), std::string::npos);
}

TEST_F(PrintTest, ParsedParagraphsAndTableRowsAreNeverCutBetweenPages) {
  SetDocumentBuilder(nullptr);   // the document parser
  std::vector<std::string> lines = {"<html><body>"};
  for (int i = 0; i < 40; ++i) lines.push_back("<p>Paragraph " + std::to_string(i) + " of the page</p>");
  lines.push_back("<table>");
  for (int i = 0; i < 60; ++i)
    lines.push_back("<tr><td>Cell " + std::to_string(i) + "</td><td>value " + std::to_string(i) + "</td></tr>");
  lines.push_back("</table></body></html>");
  view_->LoadFromStrings(lines);
  const std::string pdf = dir_ + "/cut.pdf";
  UsePdfPrinter(pdf);
  const int pages = view_->Print();
  ASSERT_GE(pages, 3);
  const std::vector<std::string> text = Pages(PdfText(pdf));
  ASSERT_EQ(static_cast<int>(text.size()), pages);
  std::string all;
  for (const std::string& p : text) all += p;
  auto once = [&](const std::string& what) {
    const size_t at = all.find(what);
    EXPECT_NE(at, std::string::npos) << what;
    if (at != std::string::npos) EXPECT_EQ(all.find(what, at + 1), std::string::npos) << what << " printed twice";
  };
  for (int i = 0; i < 40; ++i) once("Paragraph" + std::to_string(i) + "ofthepage");
  for (int i = 0; i < 60; ++i) once("Cell" + std::to_string(i) + "value" + std::to_string(i) + "\n");
}

// A printed picture keeps its transparency: around the tick's strokes its
// cell's ground shows, never black.
TEST_F(PrintTest, APrintedPictureShowsThePageGroundWhereItIsTransparent) {
  SetDocumentBuilder(nullptr);   // the document parser
  view_->SetBase(std::string(DRAVLEN_SOURCE_DIR) + "/resources/program/Help/");
  view_->LoadFromStrings(std::vector<std::string>{
      "<table><tr><td bgcolor=\"#FFFF00\"><img src=\"tick.png\" width=64 height=64> Verified</td></tr></table>"});
  const std::string pdf = dir_ + "/tick.pdf";
  UsePdfPrinter(pdf);
  EXPECT_EQ(view_->Print(), 1);
  const std::string command = "pdftoppm -r 100 -png -f 1 -l 1 '" + pdf + "' '" + dir_ + "/tick' 2>/dev/null";
  ASSERT_EQ(std::system(command.c_str()), 0);
  QImage page(QString::fromStdString(dir_ + "/tick-1.png"));
  ASSERT_FALSE(page.isNull());
  page = page.convertToFormat(QImage::Format_RGB32);
  // The tick's strokes: green well above red and blue.
  QRect strokes;
  for (int y = 0; y < page.height(); ++y)
    for (int x = 0; x < page.width(); ++x) {
      const QColor c = page.pixelColor(x, y);
      if (c.green() > c.red() + 60 && c.green() > c.blue() + 60) strokes |= QRect(x, y, 1, 1);
    }
  ASSERT_TRUE(strokes.isValid());
  EXPECT_GT(strokes.width(), 20);
  int dark = 0, ground = 0;
  for (int y = strokes.top(); y <= strokes.bottom(); ++y)
    for (int x = strokes.left(); x <= strokes.right(); ++x) {
      const QColor c = page.pixelColor(x, y);
      dark += c.red() < 40 && c.green() < 40 && c.blue() < 40;
      ground += c.red() > 240 && c.green() > 240 && c.blue() < 30;
    }
  EXPECT_EQ(dark, 0);
  EXPECT_GT(ground, strokes.width() * strokes.height() / 4);
}

TEST(PrintDriver, TheDeviceModeCarriesTheTarget) {
  platform::PrintTarget t;
  t.OutputFile = "/tmp/x.pdf";
  t.Monochrome = true;
  t.Resolution = 600;
  const platform::PrintTarget back = TQtPrinterDriver::DecodeDeviceMode(TQtPrinterDriver::EncodeDeviceMode(t));
  EXPECT_EQ(back.OutputFile, t.OutputFile);
  EXPECT_TRUE(back.Monochrome);
  EXPECT_EQ(back.Resolution, 600);
}

}  // namespace
