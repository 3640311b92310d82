#include "parsedpage_helpers.h"

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
  list->Clear();
  list->SetDefaults("Times New Roman", "Courier New", 12, platform::clBlack, platform::clBlue,
                    platform::clPurple, platform::clRed, platform::clWhite, false, true, 1, 5, 10);
  ParseHtmlDocument(html, *list, events);
}

int ParsedPageTest::LayOutAndPaint(int width, int height) {
  bitmap_ = std::make_unique<platform::Bitmap>(width, height);
  platform::Canvas canvas(&bitmap_->Image());
  int maxWidth = 0, curs = 0;
  const int pageHeight = list->Layout(canvas, 0, width, height, height, maxWidth, curs);
  list->Draw(canvas, platform::Rect{0, 0, width, height}, width, 0, 0, 0, 0);
  lastMaxWidth = maxWidth;
  return pageHeight;
}

void ParsedPageTest::PaintAgain(int yOff, int y) {
  platform::Canvas canvas(&bitmap_->Image());
  const int width = bitmap_->Width(), height = bitmap_->Height();
  list->YOff = yOff;
  list->Draw(canvas, platform::Rect{0, 0, width, height}, width, 0, y, 0, 0);
  list->YOff = 0;
}

std::string Repeat(const std::string& piece, int n) {
  std::string s;
  s.reserve(piece.size() * static_cast<size_t>(n > 0 ? n : 0));
  for (int i = 0; i < n; ++i) s += piece;
  return s;
}

}  // namespace htmlview
