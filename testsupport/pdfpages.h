#pragma once
// Printed PDF files read back for the print tests: the text of every page
// (poppler's pdftotext) and a page as pixels (poppler's pdftoppm).
#include <string>
#include <vector>

#include <QImage>

namespace testsupport {

// The text of each page in reading order. Glyphs stand where the screen's
// whole-pixel advances put them, so the reader may see gaps inside words:
// blanks are left out, line breaks kept. Empty when the file cannot be read.
std::vector<std::string> PdfPageTexts(const std::string& pdf);
// All pages' texts one after the other.
std::string PdfText(const std::string& pdf);
// Page number page (from 1) at dpi dots per inch, in RGB32; null when the
// file cannot be read.
QImage RasterisePdfPage(const std::string& pdf, int page, int dpi = 72);

}  // namespace testsupport
