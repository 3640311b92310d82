// Printing through the Qt print driver into PDF files, read back with
// pdftotext: the text of every page in order, pages ending at page-break
// markers and when full, never in the middle of a line.
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <fstream>
#include <ostream>
#include <sstream>

#include <sys/resource.h>

#include <QImage>
#include <gtest/gtest.h>

#include "htmlview/layout/formcontrols.h"
#include "htmlview/layout/panelobj.h"
#include "htmlview/view/htmlview.h"
#include "htmlview/view/qtprintdriver.h"
#include "htmlview/view/tests/handdoc.h"
#include "htmlview/viewermodule.h"
#include "platform/fonts.h"
#include "platform/guard.h"
#include "platform/printing.h"
#include "testsupport/pdfpages.h"
#include "testsupport/testenv.h"

namespace {

using namespace htmlview;

using testsupport::PdfPageTexts;
using testsupport::PdfText;
using testsupport::RasterisePdfPage;

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
  // Whether the screen shows dark text: the viewer paints its document
  // again once a print is over, however it ended.
  bool ScreenShowsText() {
    TPaintPanel& panel = view_->PaintPanel();
    const QImage shown = panel.PaintToImage({0, 0, panel.width(), panel.height()});
    for (int y = 0; y < shown.height(); ++y)
      for (int x = 0; x < shown.width(); ++x)
        if (qGray(shown.pixel(x, y)) < 110) return true;
    return false;
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
  const std::vector<std::string> pages = PdfPageTexts(pdf);
  ASSERT_EQ(pages.size(), 2u) << PdfText(pdf);
  const std::string& one = pages[0];
  EXPECT_LT(one.find("Alphafirstline"), one.find("Bravosecondline"));
  EXPECT_EQ(one.find("Charlie"), std::string::npos);
  EXPECT_LT(pages[1].find("Charlieonpagetwo"), pages[1].find("Deltalastline"));
  EXPECT_EQ(pages[1].find("Alpha"), std::string::npos);
  // The screen layout is back and the viewer idle.
  EXPECT_FALSE(view_->Processing());
  EXPECT_TRUE(ScreenShowsText());
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
  const std::vector<std::string> text = PdfPageTexts(pdf);
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
  const std::vector<std::string> pages = PdfPageTexts(pdf);
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
  const std::vector<std::string> pages = PdfPageTexts(pdf);
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
  const std::vector<std::string> text = PdfPageTexts(pdf);
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
  const QImage page = RasterisePdfPage(pdf, 1, 100);
  ASSERT_FALSE(page.isNull());
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

// ------------------------------------------------------------------------
// Parsed pages printed on A4 at 300 dpi and read back.

constexpr int kRasterDpi = 50;
// The default 2 cm margins at kRasterDpi.
constexpr int kMarginPx = 2 * kRasterDpi * 100 / 254;

bool Dark(const QColor& c) { return c.red() < 110 && c.green() < 110 && c.blue() < 110; }

// Rows of the page (from the top) holding dark pixels.
std::vector<int> InkRows(const QImage& page) {
  std::vector<int> rows;
  for (int y = 0; y < page.height(); ++y)
    for (int x = 0; x < page.width(); ++x)
      if (Dark(page.pixelColor(x, y))) {
        rows.push_back(y);
        break;
      }
  return rows;
}

int CountPixels(const QImage& page, const std::function<bool(const QColor&)>& test) {
  int n = 0;
  for (int y = 0; y < page.height(); ++y)
    for (int x = 0; x < page.width(); ++x) n += test(page.pixelColor(x, y));
  return n;
}

class ParsedPrintTest : public PrintTest {
 protected:
  void SetUp() override {
    PrintTest::SetUp();
    SetDocumentBuilder(nullptr);   // the document parser
  }
  // Prints the lines as a page into name in the test's folder; returns the
  // file's path and the pages printed.
  std::string PrintPage(const std::vector<std::string>& lines, const std::string& name, int* pages = nullptr) {
    view_->LoadFromStrings(lines);
    const std::string pdf = dir_ + "/" + name;
    UsePdfPrinter(pdf);
    const int printed = view_->Print();
    if (pages) *pages = printed;
    return pdf;
  }
};

// A panel is a window, which no drawing on paper shows: the printed page
// carries the host's picture of it in the panel's box, inline or floating,
// or, where no host paints one, the panel's frame and alternative text; the
// windows stay where the screen shows them.
TEST_F(ParsedPrintTest, APrintedPanelShowsTheHostsPictureOrItsFrame) {
  const std::vector<std::string> page{
      "<p>Before <panel name=\"inline\" width=\"160\" height=\"80\" alt=\"Plot\"> after</p>"
      "<p><panel name=\"float\" align=\"right\" width=\"100\" height=\"100\">text</p>"};
  struct Case {
    bool hostPaints;
  };
  for (const Case c : {Case{true}, Case{false}}) {
    SCOPED_TRACE(c.hostPaints ? "host paints" : "no host picture");
    std::vector<std::string> asked;
    view_->OnPanelPrint = nullptr;
    if (c.hostPaints)
      view_->OnPanelPrint = [&](QObject* sender, ThvPanel* panel, platform::Bitmap& bitmap) {
        EXPECT_EQ(sender, view_.get());
        asked.push_back(panel->objectName().toStdString());
        bitmap.Fill(platform::clLime);
      };
    view_->LoadFromStrings(page);
    view_->show();
    view_->PaintPanel().PaintToImage({0, 0, 10, 10});
    const auto positions = [&] {
      std::vector<QPoint> at;
      for (ThvPanel* w : view_->findChildren<ThvPanel*>())
        if (!w->objectName().isEmpty()) at.push_back(w->pos());
      return at;
    };
    const std::vector<QPoint> before = positions();
    ASSERT_EQ(before.size(), 2u);

    const std::string pdf = dir_ + (c.hostPaints ? "/painted.pdf" : "/framed.pdf");
    UsePdfPrinter(pdf);
    ASSERT_EQ(view_->Print(), 1);
    EXPECT_EQ(positions(), before) << "printing moved a panel window";

    const QImage printed = RasterisePdfPage(pdf, 1, kRasterDpi);
    ASSERT_FALSE(printed.isNull());
    const int lime = CountPixels(printed, [](const QColor& p) {
      return p.green() > 200 && p.red() < 60 && p.blue() < 60;
    });
    if (c.hostPaints) {
      // Asked once for the printed page, not by the run that only finds
      // where the page ends.
      std::sort(asked.begin(), asked.end());
      EXPECT_EQ(asked, (std::vector<std::string>{"float", "inline"}));
      // Both boxes at the page's scale, 260 x 80 + 100 x 100 screen pixels
      // at 50 dpi on A4: well over a thousand printed pixels.
      EXPECT_GT(lime, 1000);
    } else {
      EXPECT_EQ(lime, 0);
      EXPECT_NE(PdfText(pdf).find("Plot"), std::string::npos);
    }
  }
}

// Where a form control's window stands and whether it shows.
struct ControlWindow {
  QRect Geometry;
  bool Visible = false;
  bool operator==(const ControlWindow&) const = default;
};

std::ostream& operator<<(std::ostream& out, const ControlWindow& w) {
  const QRect& g = w.Geometry;
  return out << "(" << g.x() << "," << g.y() << " " << g.width() << "x" << g.height()
             << (w.Visible ? " shown)" : " hidden)");
}

// The controls are windows on the screen, which paper never shows: neither
// the run that only finds where a page ends nor the printed page moves,
// shows or hides them, and the screen finds them where they were once the
// print is over. Some of them stand in the shown part of the screen, the
// text area below it, parked.
TEST_F(ParsedPrintTest, PrintingLeavesTheScreensControlWindowsAlone) {
  std::vector<std::string> lines{
      "<html><body><form>"
      "<p>Name <input type=\"text\" name=\"a\" value=\"first\"> "
      "<input type=\"text\" name=\"b\" value=\"second\"></p>"
      "<p><select name=\"c\" size=\"3\"><option>one<option>two<option>three</select> "
      "<input type=\"radio\" name=\"d\" checked> <input type=\"checkbox\" name=\"e\"></p>"};
  for (int i = 0; i < 12; ++i) lines.push_back("<p>Filler paragraph " + std::to_string(i) + "</p>");
  lines.push_back("<p><textarea name=\"f\" rows=\"3\" cols=\"20\">notes</textarea></p>");
  for (int i = 1; i < 3; ++i)
    lines.push_back("<p style=\"page-break-before: always\">Body of page " + std::to_string(i + 1) +
                    "</p>");
  lines.push_back("</form></body></html>");
  view_->LoadFromStrings(lines);
  view_->show();
  TPaintPanel& screen = view_->PaintPanel();
  const auto paint = [&] { screen.PaintToImage({0, 0, screen.width(), screen.height()}); };
  paint();

  const auto windows = [&] {
    std::vector<ControlWindow> at;
    for (TFormControlObj* c : view_->SectionList().FormControlList)
      if (const QWidget* w = c->TheControl()) at.push_back({w->geometry(), w->isVisible()});
    return at;
  };
  const std::vector<ControlWindow> before = windows();
  ASSERT_EQ(before.size(), 6u);
  // The inputs, the list and the buttons are in the screen's view, the text
  // area below it.
  for (size_t i = 0; i + 1 < before.size(); ++i) {
    EXPECT_TRUE(before[i].Visible) << i;
    EXPECT_GE(before[i].Geometry.x(), 0) << i;
  }
  EXPECT_LT(before.back().Geometry.x(), 0) << "the text area is parked";

  std::vector<std::vector<ControlWindow>> atHeaders;
  view_->OnPrintHeader = [&](QObject*, platform::Canvas&, int, int, int, bool&) {
    atHeaders.push_back(windows());
  };
  UsePdfPrinter(dir_ + "/controls.pdf");
  EXPECT_EQ(view_->NumPrinterPages(), 3);
  EXPECT_EQ(windows(), before) << "counting the pages moved a control window";
  // As behind a print dialog, the screen paints before the print.
  paint();
  EXPECT_EQ(windows(), before);
  ASSERT_EQ(view_->Print(), 3);
  ASSERT_EQ(atHeaders.size(), 3u);
  for (size_t page = 0; page < atHeaders.size(); ++page)
    EXPECT_EQ(atHeaders[page], before) << "at page " << page + 1 << "'s header";
  EXPECT_EQ(windows(), before) << "after the print";
  // The screen's next paint places them where they were.
  paint();
  EXPECT_EQ(windows(), before) << "after the next paint";
}

// The page of paragraph n: the index of the page text that holds "Para<n>end".
std::vector<int> PagesOfParagraphs(const std::vector<std::string>& pages, int count) {
  std::vector<int> at(count, -1);
  for (int i = 0; i < count; ++i) {
    const std::string key = "\nPara" + std::to_string(i) + "end\n";
    for (size_t p = 0; p < pages.size(); ++p)
      if (("\n" + pages[p] + "\n").find(key) != std::string::npos) {
        EXPECT_EQ(at[i], -1) << key << " printed twice";
        at[i] = static_cast<int>(p);
      }
  }
  return at;
}

// A table far wider than the paper keeps every one of its 300 cells: the
// page is shrunk until the table's right edge lies inside the margin.
TEST_F(ParsedPrintTest, ATableWiderThanThePaperIsShrunkToFitAndLosesNoCell) {
  std::vector<std::string> lines = {"<html><body><table border=1 cellspacing=0>"};
  for (int r = 0; r < 10; ++r) {
    std::string row = "<tr>";
    for (int c = 0; c < 30; ++c) row += "<td width=60>r" + std::to_string(r) + "c" + std::to_string(c) + "x</td>";
    lines.push_back(row + "</tr>");
  }
  lines.push_back("</table></body></html>");
  view_->LoadFromStrings(lines);
  const std::string pdf = dir_ + "/wide.pdf";
  UsePdfPrinter(pdf);
  const int counted = view_->NumPrinterPages();
  EXPECT_LT(view_->PrintShrink(), 0.5);
  ASSERT_EQ(view_->Print(), counted) << "counting and printing agree after shrinking";
  const std::string text = PdfText(pdf);
  int found = 0;
  for (int r = 0; r < 10; ++r)
    for (int c = 0; c < 30; ++c) {
      const std::string cell = "r" + std::to_string(r) + "c" + std::to_string(c) + "x";
      const size_t at = text.find(cell);
      found += at != std::string::npos;
      if (at != std::string::npos) EXPECT_EQ(text.find(cell, at + 1), std::string::npos) << cell;
    }
  EXPECT_EQ(found, 300) << text;
  // The frame's right edge: inside the right margin, yet the table spans
  // most of the printable width.
  const QImage page = RasterisePdfPage(pdf, 1, kRasterDpi);
  ASSERT_FALSE(page.isNull());
  int right = -1;
  for (int x = 0; x < page.width(); ++x)
    for (int y = 0; y < page.height(); ++y)
      if (Dark(page.pixelColor(x, y))) right = x;
  EXPECT_LT(right, page.width() - kMarginPx);
  EXPECT_GT(right, page.width() - kMarginPx - page.width() / 8);
  // The screen keeps its own layout.
  EXPECT_GT(view_->DocumentWidth(), 1500);
}

// A page narrower than the paper prints at its natural size.
TEST_F(ParsedPrintTest, APageThatFitsIsNotShrunk) {
  int pages = 0;
  const std::string pdf = PrintPage({"<p>Narrow page</p>"}, "narrow.pdf", &pages);
  EXPECT_EQ(pages, 1);
  EXPECT_DOUBLE_EQ(view_->PrintShrink(), 1.0);
  EXPECT_NE(PdfText(pdf).find("Narrowpage"), std::string::npos);
}

// 300 paragraphs; some ask for a page break before, after or both. Page by
// page: a break ends the page there, every other page is full, and every
// paragraph is printed once in order.
TEST_F(ParsedPrintTest, BlocksBreakPagesBeforeAndAfterWhereTheyAsk) {
  std::vector<std::string> lines = {"<html><head><style>", ".before {page-break-before: always}",
                                    ".after {page-break-after: always}", ".both {page-break-before: always; "
                                    "page-break-after: always}", "</style></head><body>"};
  const int kCount = 300;
  for (int i = 0; i < kCount; ++i) {
    const char* cls = i == 50 ? " class=before" : i == 120 ? " class=after" : i == 200 ? " class=both" : "";
    lines.push_back("<p" + std::string(cls) + ">Para " + std::to_string(i) + " end</p>");
  }
  lines.push_back("</body></html>");
  view_->LoadFromStrings(lines);
  const std::string pdf = dir_ + "/breaks.pdf";
  UsePdfPrinter(pdf);
  const int counted = view_->NumPrinterPages();
  ASSERT_EQ(view_->Print(), counted);
  const std::vector<std::string> pages = PdfPageTexts(pdf);
  ASSERT_EQ(static_cast<int>(pages.size()), counted);
  const std::vector<int> at = PagesOfParagraphs(pages, kCount);
  for (int i = 0; i < kCount; ++i) ASSERT_NE(at[i], -1) << "paragraph " << i << " lost";
  for (int i = 1; i < kCount; ++i) {
    const bool breakHere = i == 50 || i == 121 || i == 200 || i == 201;
    if (breakHere) EXPECT_EQ(at[i], at[i - 1] + 1) << "a page starts with paragraph " << i;
    else EXPECT_LE(at[i] - at[i - 1], 1) << i;
  }
  // Paragraph 200 alone on its page.
  EXPECT_EQ(pages[at[200]], "Para200end\n") << pages[at[200]];
  // Page by page on the pixels: a page that ends at a break ends early,
  // every other page but the last is filled to its bottom margin.
  const int lineGap = kRasterDpi / 2;   // more than a paragraph's pitch
  for (int p = 0; p < counted; ++p) {
    const QImage page = RasterisePdfPage(pdf, p + 1, kRasterDpi);
    ASSERT_FALSE(page.isNull());
    const std::vector<int> ink = InkRows(page);
    ASSERT_FALSE(ink.empty()) << "page " << p + 1 << " is blank";
    EXPECT_GE(ink.front(), kMarginPx - 2) << p + 1;
    EXPECT_LT(ink.back(), page.height() - kMarginPx) << p + 1;
    const bool endsAtBreak = p == at[49] || p == at[120] || p == at[199] || p == at[200];
    if (p == at[200]) EXPECT_LT(ink.back(), kMarginPx + lineGap) << "only paragraph 200";
    else if (!endsAtBreak && p + 1 < counted)
      EXPECT_GT(ink.back(), page.height() - kMarginPx - 2 * lineGap) << "page " << p + 1 << " ends early";
  }
}

// Blocks of eight lines among paragraphs: without page-break-inside some
// block straddles a page end; with "avoid" every block prints whole on one
// page.
TEST_F(ParsedPrintTest, ABlockThatAvoidsBreaksInsideMovesWholeToTheNextPage) {
  auto blockPages = [&](bool avoid, std::vector<std::string>& pagesOut) {
    std::vector<std::string> lines = {"<html><body>"};
    for (int b = 0; b < 20; ++b) {
      for (int i = 0; i < 3; ++i) lines.push_back("<p>Filler " + std::to_string(b) + " " + std::to_string(i) + "</p>");
      std::string div = std::string("<div") + (avoid ? " style=\"page-break-inside: avoid\"" : "") + ">";
      for (int l = 0; l < 8; ++l) div += "Block " + std::to_string(b) + " line " + std::to_string(l) + "<br>";
      lines.push_back(div + "</div>");
    }
    lines.push_back("</body></html>");
    int printed = 0;
    const std::string pdf = PrintPage(lines, avoid ? "avoid.pdf" : "plain.pdf", &printed);
    EXPECT_EQ(view_->NumPrinterPages(), printed);
    pagesOut = PdfPageTexts(pdf);
    int split = 0;
    for (int b = 0; b < 20; ++b) {
      int first = -1, last = -1;
      for (int l = 0; l < 8; ++l) {
        const std::string key = "Block" + std::to_string(b) + "line" + std::to_string(l) + "\n";
        for (size_t p = 0; p < pagesOut.size(); ++p)
          if (pagesOut[p].find(key) != std::string::npos) {
            if (first < 0) first = static_cast<int>(p);
            last = static_cast<int>(p);
          }
        EXPECT_GE(last, 0) << key << " lost";
      }
      split += first != last;
    }
    return split;
  };
  std::vector<std::string> plain, kept;
  ASSERT_GT(blockPages(false, plain), 0) << "the fixture must put a block across a page end";
  EXPECT_EQ(blockPages(true, kept), 0);
  // The page a kept block left ends early: its bottom is blank.
  const std::string pdf = dir_ + "/avoid.pdf";
  bool early = false;
  for (size_t p = 0; p + 1 < kept.size(); ++p) {
    const std::vector<int> ink = InkRows(RasterisePdfPage(pdf, static_cast<int>(p) + 1, kRasterDpi));
    ASSERT_FALSE(ink.empty());
    const int height = RasterisePdfPage(pdf, 1, kRasterDpi).height();
    early = early || ink.back() < height - kMarginPx - kRasterDpi;
  }
  EXPECT_TRUE(early);
}

// Block and table-cell backgrounds print as the print-background options
// say, the two alike.
TEST_F(ParsedPrintTest, BlockAndCellBackgroundsFollowThePrintBackgroundOptions) {
  const std::vector<std::string> lines = {
      "<div style=\"background-color:#00c000; height:120px\">Green block</div>",
      "<table><tr><td bgcolor=\"#0000ff\" width=240 height=120><font color=white>Blue cell</font></td></tr></table>"};
  struct Case {
    const char* name;
    THtmlViewOptions options;
    bool printed;
  };
  const Case cases[] = {
      {"defaults", htPrintTableBackground | htPrintMonochromeBlack, true},
      {"none", htPrintMonochromeBlack, false},
      {"all", htPrintBackground, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    view_->SethtOptions(c.options);
    const std::string pdf = PrintPage(lines, std::string(c.name) + ".pdf");
    const std::string text = PdfText(pdf);
    EXPECT_NE(text.find("Greenblock"), std::string::npos) << text;
    EXPECT_NE(text.find("Bluecell"), std::string::npos) << text;
    const QImage page = RasterisePdfPage(pdf, 1, kRasterDpi);
    ASSERT_FALSE(page.isNull());
    const int green = CountPixels(page, [](const QColor& q) {
      return q.green() > 150 && q.red() < 60 && q.blue() < 60;
    });
    const int blue = CountPixels(page, [](const QColor& q) {
      return q.blue() > 150 && q.red() < 60 && q.green() < 60;
    });
    // 120 pixels tall at 300 dpi print scale: about 60 raster rows.
    if (c.printed) {
      EXPECT_GT(green, 2000);
      EXPECT_GT(blue, 2000);
    } else {
      EXPECT_EQ(green, 0);
      EXPECT_EQ(blue, 0);
    }
  }
}

// ----------------------------------------------------------- write failures

std::vector<std::string> FolderEntries(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<std::string> LongDocument() {
  std::vector<std::string> lines = {"<html><body>"};
  for (int i = 0; i < 400; ++i) lines.push_back("<p>Line " + std::to_string(i) + " of a long report</p>");
  lines.push_back("</body></html>");
  return lines;
}

// Prints the long document into pdf under a file-size limit of 4 KB; exits
// 0 after writing the error's message to stderr, 1 when Print reported
// success.
[[noreturn]] void PrintUnderSizeLimit(THtmlView& view, const std::string& pdf) {
  std::signal(SIGXFSZ, SIG_IGN);   // a failed write, not a killed process
  rlimit limit{4096, 4096};
  setrlimit(RLIMIT_FSIZE, &limit);
  view.LoadFromStrings(LongDocument());
  UsePdfPrinter(pdf);
  try {
    const int pages = view.Print();
    std::fprintf(stderr, "printed %d pages\n", pages);
    std::_Exit(1);
  } catch (const platform::EFCreateError& e) {
    std::fprintf(stderr, "%s\n", e.what());
    std::fflush(stderr);
    std::_Exit(view.Processing() || Printer().Printing() ? 2 : 0);
  }
}

// A write that fails half-way (here a file-size limit, as a full disk
// would) raises the file error naming the file and the cause, and the file
// that stood there is kept as it was, with no part file beside it.
TEST_F(ParsedPrintTest, AFailedWriteRaisesTheFileErrorAndKeepsTheOldFile) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  // The child process runs this test again: it prints where the parent says.
  const char* given = std::getenv("DRAVLEN_PRINT_LIMITED");
  const std::string pdf = given ? given : dir_ + "/report.pdf";
  if (!given) {
    testsupport::WriteAll(pdf, "the previous report");
    setenv("DRAVLEN_PRINT_LIMITED", pdf.c_str(), 1);
  }
  EXPECT_EXIT(PrintUnderSizeLimit(*view_, pdf), ::testing::ExitedWithCode(0),
              "Cannot create file \".*/report\\.pdf\"\\. File too large");
  unsetenv("DRAVLEN_PRINT_LIMITED");
  EXPECT_EQ(testsupport::ReadAll(pdf), "the previous report");
  EXPECT_EQ(FolderEntries(dir_), std::vector<std::string>{"report.pdf"});

  // Without the limit the same print replaces it whole.
  int pages = 0;
  PrintPage(LongDocument(), "report.pdf", &pages);
  ASSERT_GE(pages, 2);
  const std::vector<std::string> texts = PdfPageTexts(pdf);
  ASSERT_EQ(static_cast<int>(texts.size()), pages);
  EXPECT_NE(texts.back().find("Line399ofalongreport"), std::string::npos);
  EXPECT_FALSE(InkRows(RasterisePdfPage(pdf, pages, kRasterDpi)).empty());
  EXPECT_EQ(FolderEntries(dir_), std::vector<std::string>{"report.pdf"});
}

// Targets the file system refuses: the error names the file and the cause,
// never the printer; the viewer and the printer are ready for the next job.
TEST_F(ParsedPrintTest, ATargetThatCannotBeWrittenRaisesTheFileError) {
  std::filesystem::create_directory(dir_ + "/folder.pdf");
  struct Case {
    std::string target, cause;
  };
  const Case cases[] = {
      {dir_ + "/missing/report.pdf", "No such file or directory"},
      {dir_ + "/folder.pdf", "Is a directory"},
  };
  view_->LoadFromStrings(LongDocument());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.target);
    UsePdfPrinter(c.target);
    try {
      view_->Print();
      ADD_FAILURE() << "printing reported success";
    } catch (const platform::EFCreateError& e) {
      EXPECT_EQ(std::string(e.what()), "Cannot create file \"" + c.target + "\". " + c.cause);
    }
    EXPECT_FALSE(view_->Processing());
    EXPECT_FALSE(Printer().Printing());
    EXPECT_TRUE(ScreenShowsText());
  }
  EXPECT_EQ(FolderEntries(dir_), std::vector<std::string>{"folder.pdf"});
  const std::string pdf = dir_ + "/after.pdf";
  UsePdfPrinter(pdf);
  EXPECT_GE(view_->Print(), 2);
  EXPECT_NE(PdfText(pdf).find("Line0ofalongreport"), std::string::npos);
  EXPECT_FALSE(InkRows(RasterisePdfPage(pdf, 1, kRasterDpi)).empty());
}

// ---------------------------------------------------------- header, footer

// Every printed page gets its header and footer in the margins: a plain
// footer drawn on the canvas with the page number, an HTML header that
// knows the last page; counting pages fires none of them.
TEST_F(ParsedPrintTest, HeaderAndFooterEventsPrintThePageNumberInTheMargins) {
  std::vector<std::string> lines = {"<html><body>"};
  for (int i = 0; i < 3; ++i)
    lines.push_back(std::string("<p") + (i > 0 ? " style=\"page-break-before: always\"" : "") +
                    ">Body of page " + std::to_string(i + 1) + "</p>");
  lines.push_back("</body></html>");
  view_->LoadFromStrings(lines);
  std::vector<std::string> calls;
  view_->OnPrintFooter = [&](QObject* sender, platform::Canvas& canvas, int page, int w, int h, bool&) {
    EXPECT_EQ(sender, view_.get());
    calls.push_back("footer " + std::to_string(page));
    EXPECT_GT(w, 600);
    EXPECT_GT(h, 60);   // 2 cm in screen pixels
    canvas.font.name = "Liberation Sans";
    canvas.font.height = -16;
    canvas.font.color = platform::clBlack;
    canvas.bkMode = platform::BkMode::Transparent;
    canvas.TextOut(w - 120, h / 2, "Folio " + std::to_string(page));
  };
  view_->OnPrintHTMLHeader = [&](QObject*, THtmlView& hf, int page, bool last, int& xl, int& xr, bool&) {
    calls.push_back("header " + std::to_string(page) + (last ? " last" : ""));
    EXPECT_EQ(xl, 0);
    xl = 40;
    (void)xr;
    hf.LoadFromStrings(std::vector<std::string>{"<p>Report header " + std::to_string(page) +
                                                (last ? " final" : "") + "</p>"});
  };
  const std::string pdf = dir_ + "/folio.pdf";
  UsePdfPrinter(pdf);
  EXPECT_EQ(view_->NumPrinterPages(), 3);
  EXPECT_TRUE(calls.empty()) << "counting prints nothing";
  ASSERT_EQ(view_->Print(), 3);
  EXPECT_EQ(calls, (std::vector<std::string>{"header 1", "footer 1", "header 2", "footer 2", "header 3 last",
                                             "footer 3"}));
  const std::vector<std::string> pages = PdfPageTexts(pdf);
  ASSERT_EQ(pages.size(), 3u);
  for (int p = 1; p <= 3; ++p) {
    const std::string& text = pages[p - 1];
    const std::string n = std::to_string(p);
    const size_t header = text.find("Reportheader" + n), body = text.find("Bodyofpage" + n),
                 footer = text.find("Folio" + n);
    ASSERT_NE(header, std::string::npos) << text;
    ASSERT_NE(body, std::string::npos) << text;
    ASSERT_NE(footer, std::string::npos) << text;
    EXPECT_LT(header, body);
    EXPECT_LT(body, footer);
    EXPECT_EQ(text.find("final") != std::string::npos, p == 3) << text;
    // On the pixels: ink in the top margin and in the bottom margin.
    const QImage page = RasterisePdfPage(pdf, p, kRasterDpi);
    const std::vector<int> ink = InkRows(page);
    ASSERT_FALSE(ink.empty());
    EXPECT_LT(ink.front(), kMarginPx) << "header on page " << p;
    EXPECT_GT(ink.back(), page.height() - kMarginPx) << "footer on page " << p;
  }
  // A handler can end the job early.
  view_->OnPrintFooter = [&](QObject*, platform::Canvas&, int page, int, int, bool& stop) { stop = page == 2; };
  view_->OnPrintHTMLHeader = nullptr;
  EXPECT_EQ(view_->Print(), 2);
  EXPECT_EQ(PdfPageTexts(pdf).size(), 2u);
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
