// Robustness sweep: every input of the html5lib tokenizer and
// tree-construction tests parses, lays out at 700 pixels and paints into an
// image. The expected trees are HTML5's and do not apply to this reader;
// what is checked is that nothing crashes or hangs and that every page has
// its body.
//
// Setting DRAVLEN_SWEEP_DUMPS=file writes every input's layout dump and a
// digest of its painted pixels there: two builds' files compared line by
// line show whether a change that should keep layout and painting as they
// were really did, over thousands of pages nobody here wrote.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include <QCryptographicHash>

#include "htmlview/images/imagemodule.h"
#include "htmlview/layout/blocks.h"
#include "htmlview/layout/docroot.h"
#include "htmlview/layout/layoutdump.h"
#include "htmlview/document/docparser.h"
#include "htmlview/document/tests/parsedpage_helpers.h"
#include "platform/canvas.h"
#include "platform/fonts.h"
#include "platform/image.h"

namespace htmlview {
namespace {

TEST(Html5libSweep, EveryInputParsesLaysOutAndPaints) {
  platform::SetFontBackend(platform::FontBackend::FixedMetric,
                           {"Times New Roman", "Courier New", "Verdana", "Arial"});
  platform::SetScreenDepth(24);
  InitImageModule();
  InitDocParser();
  const std::vector<Html5libInput> inputs = ReadHtml5libInputs();
  ASSERT_GT(inputs.size(), 8000u);

  std::ofstream dumps;
  if (const char* path = std::getenv("DRAVLEN_SWEEP_DUMPS"); path && *path)
    dumps.open(path, std::ios::binary);

  platform::Bitmap bitmap(700, 400);
  int withContent = 0;
  for (const Html5libInput& input : inputs) {
    SCOPED_TRACE(input.Source + ": " + input.Bytes.substr(0, 80));
    TSectionList list(nullptr, nullptr);
    list.SetDefaults("Times New Roman", "Courier New", 12, platform::clBlack, platform::clBlue,
                     platform::clPurple, platform::clRed, platform::clWhite, false, true, 1, 5, 10);
    // Images are asked for but never come; nothing reaches the file system.
    list.GetImage = [](QObject*, const std::string&, platform::TStream*& stream) {
      stream = ImageWaitStream();
    };
    TParserEvents events;
    events.StreamRequest = [](const std::string&, platform::TStream*& stream) { stream = nullptr; };
    ParseHtmlDocument(input.Bytes, list, events);
    ASSERT_GE(list.Count(), 1);
    ASSERT_NE(dynamic_cast<TBodyBlock*>(list[0]), nullptr);

    bitmap.Fill(platform::clWhite);
    platform::Canvas canvas(&bitmap.Image());
    int maxWidth = 0, curs = 0;
    const int height = list.Layout(canvas, 0, 700, 400, 400, maxWidth, curs);
    EXPECT_GE(height, 0);
    if (height > 20) ++withContent;
    TDrawContext context;
    list.Draw(canvas, context, platform::Rect{0, 0, 700, 400}, 700, 0, 0, 0, 0);
    if (dumps.is_open()) {
      const QImage& image = bitmap.Image();
      const QByteArray pixels = QCryptographicHash::hash(
          QByteArrayView(image.constBits(), image.sizeInBytes()), QCryptographicHash::Sha1);
      dumps << "== " << input.Source << "\n"
            << DumpLayout(list) << "pixels " << pixels.toHex().toStdString() << "\n";
    }
  }
  // Most inputs have text to show: the sweep really laid pages out.
  EXPECT_GT(withContent, static_cast<int>(inputs.size()) / 2);
  DoneDocParser();
  DoneImageModule();
}

}  // namespace
}  // namespace htmlview
