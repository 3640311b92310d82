// A whole page on arbitrary bytes: parse, lay out at 700 pixels, mark the
// links visited and paint into an image, as the viewer shows a page. Every
// input must come through without a crash, a hang or runaway memory. Images
// are requested from the page but never arrive (the wait stream), and linked
// style sheets are asked of the stream handler, which has none: no input
// reaches the file system.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include <QApplication>

#include "htmlview/images/imagemodule.h"
#include "htmlview/layout/docroot.h"
#include "htmlview/layout/fontruns.h"
#include "htmlview/document/docparser.h"
#include "platform/canvas.h"
#include "platform/fonts.h"
#include "platform/image.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  new QApplication(*argc, *argv);   // widgets and drawing need it; it lives as long as the process
  platform::SetFontBackend(platform::FontBackend::FixedMetric,
                           {"Times New Roman", "Courier New", "Verdana", "Arial"});
  htmlview::InitImageModule();
  htmlview::InitDocParser();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace htmlview;
  const std::string text(reinterpret_cast<const char*>(data), size);
  auto list = std::make_unique<TSectionList>(nullptr, nullptr);
  list->SetDefaults("Times New Roman", "Courier New", 12, platform::clBlack, platform::clBlue,
                    platform::clPurple, platform::clRed, platform::clWhite, false, true, 1, 5, 10);
  list->GetImage = [](QObject*, const std::string&, platform::TStream*& stream) {
    stream = ImageWaitStream();
  };
  list->ExpandDocFileNameHandler = [](const std::string&) { return std::string("/nonexistent/"); };
  TParserEvents events;
  events.StreamRequest = [](const std::string&, platform::TStream*& stream) { stream = nullptr; };
  events.Script = [](const std::string&, const std::string&, const std::string&) {};
  ParseHtmlDocument(text, *list, events);

  platform::Bitmap bitmap(700, 600);
  platform::Canvas canvas(&bitmap.Image());
  int maxWidth = 0, curs = 0;
  const int height = list->Layout(canvas, 0, 700, 600, 600, maxWidth, curs);
  // The viewer marks the links it has seen as visited, which gives their
  // runs other fonts: every run the page lists as a link must be one of its
  // runs still.
  for (TFontObj* link : list->Links) {
    if (!link->UrlTarget) continue;
    (void)link->URL();
    link->SetVisited(true);
  }
  const platform::Rect rect{0, 0, 700, 600};
  TDrawContext context;
  list->Draw(canvas, context, rect, 700, 0, 0, 0, 0);
  // A second paint further down the page, as after scrolling.
  if (height > 600) {
    list->SetYOffset(height - 300);
    list->Draw(canvas, context, rect, 700, 0, -(height - 300), 0, 0);
  }
  return 0;
}
