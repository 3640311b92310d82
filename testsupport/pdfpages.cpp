#include "testsupport/pdfpages.h"

#include <cstdlib>

#include "testsupport/testenv.h"

namespace testsupport {

namespace {

std::string Quoted(const std::string& path) { return "'" + path + "'"; }

}  // namespace

std::vector<std::string> PdfPageTexts(const std::string& pdf) {
  const std::string out = MakeTempDir("pdftext") + "/text.txt";
  const std::string command = "pdftotext -layout " + Quoted(pdf) + " " + Quoted(out) + " 2>/dev/null";
  if (std::system(command.c_str()) != 0) return {};
  // pdftotext ends every page with a form feed.
  std::vector<std::string> pages;
  std::string page;
  for (char c : ReadAll(out)) {
    if (c == '\f') {
      pages.push_back(page);
      page.clear();
    } else if (c != ' ') {
      page += c;
    }
  }
  if (page.find_first_not_of('\n') != std::string::npos) pages.push_back(page);
  return pages;
}

std::string PdfText(const std::string& pdf) {
  std::string all;
  for (const std::string& page : PdfPageTexts(pdf)) all += page;
  return all;
}

QImage RasterisePdfPage(const std::string& pdf, int page, int dpi) {
  const std::string stem = MakeTempDir("pdfpage") + "/page";
  const std::string command = "pdftoppm -r " + std::to_string(dpi) + " -png -singlefile -f " +
                              std::to_string(page) + " -l " + std::to_string(page) + " " + Quoted(pdf) + " " +
                              Quoted(stem) + " 2>/dev/null";
  if (std::system(command.c_str()) != 0) return {};
  QImage image(QString::fromStdString(stem + ".png"));
  if (image.isNull()) return {};
  return image.convertToFormat(QImage::Format_RGB32);
}

}  // namespace testsupport
