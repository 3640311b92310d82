#include "parsedpage_helpers.h"

#include <fstream>
#include <iterator>

#include "platform/canvas.h"
#include "platform/fonts.h"

namespace htmlview {

void ParsedPageTest::SetUpTestSuite() {
  platform::SetFontBackend(platform::FontBackend::FixedMetric,
                           {"Times New Roman", "Courier New", "Verdana", "Arial"});
}

void ParsedPageTest::SetUp() {
  InitDocParser();
  platform::SetScreenDepth(24);
  list = std::make_unique<TSectionList>(nullptr, nullptr);
}

void ParsedPageTest::TearDown() {
  list.reset();
  DoneDocParser();
}

void ParsedPageTest::Parse(const std::string& html, const TParserEvents& events) {
  ParseInto(*list, html, events);
}

void ParsedPageTest::ParseInto(TSectionList& doc, const std::string& html,
                               const TParserEvents& events) {
  doc.Clear();
  doc.SetDefaults("Times New Roman", "Courier New", 12, platform::clBlack, platform::clBlue,
                  platform::clPurple, platform::clRed, platform::clWhite, false, true, 1, 5, 10);
  ParseHtmlDocument(html, doc, events);
}

int ParsedPageTest::LayOutAndPaint(int width, int height) {
  bitmap_ = std::make_unique<platform::Bitmap>(width, height);
  platform::Canvas canvas(&bitmap_->Image());
  int maxWidth = 0, curs = 0;
  const int pageHeight = list->Layout(canvas, 0, width, height, height, maxWidth, curs);
  TDrawContext context;
  list->Draw(canvas, context, platform::Rect{0, 0, width, height}, width, 0, 0, 0, 0);
  lastMaxWidth = maxWidth;
  return pageHeight;
}

void ParsedPageTest::PaintAgain(int yOff, int y) {
  platform::Canvas canvas(&bitmap_->Image());
  const int width = bitmap_->Width(), height = bitmap_->Height();
  list->YOff = yOff;
  TDrawContext context;
  list->Draw(canvas, context, platform::Rect{0, 0, width, height}, width, 0, y, 0, 0);
  list->YOff = 0;
}

std::string Repeat(const std::string& piece, int n) {
  std::string s;
  s.reserve(piece.size() * static_cast<size_t>(n > 0 ? n : 0));
  for (int i = 0; i < n; ++i) s += piece;
  return s;
}

// Records of "#input <source> <byte count>", a line end, the bytes, a line end.
std::vector<Html5libInput> ReadHtml5libInputs() {
  std::ifstream in(std::string(DRAVLEN_TEST_DATA) + "/html5lib/inputs.txt", std::ios::binary);
  const std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<Html5libInput> inputs;
  size_t at = 0;
  while ((at = all.find("#input ", at)) != std::string::npos) {
    if (at > 0 && all[at - 1] != '\n') {
      ++at;
      continue;
    }
    const size_t eol = all.find('\n', at);
    if (eol == std::string::npos) break;
    const std::string header = all.substr(at + 7, eol - at - 7);
    const size_t space = header.rfind(' ');
    const size_t count = std::stoul(header.substr(space + 1));
    inputs.push_back({header.substr(0, space), all.substr(eol + 1, count)});
    at = eol + 1 + count;
  }
  return inputs;
}

}  // namespace htmlview
