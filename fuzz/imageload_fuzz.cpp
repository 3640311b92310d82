// Image loading on arbitrary bytes, as a page's IMG would reach it: BMP, PNG
// and JPEG data go through the image loader (kind by signature, decoding,
// the transparency mask, fitting to the screen). The first byte chooses the
// transparency the element asks for and the screen depth (true colour or an
// 8-bit palette screen, which dithers); the rest is the file. A bad file
// must give no image, never a crash, a hang or a runaway allocation; an
// image that loads is drawn once through its mask.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include <QGuiApplication>

#include "htmlview/images/imageload.h"
#include "htmlview/images/imagemodule.h"
#include "htmlview/images/pngcodec.h"
#include "platform/canvas.h"
#include "platform/image.h"
#include "platform/streams.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  // Drawing needs the application object; it lives as long as the process.
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  new QGuiApplication(*argc, *argv);
  htmlview::InitPngModule();
  htmlview::InitImageModule();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace htmlview;
  if (size == 0) return 0;
  const uint8_t control = data[0];
  const std::vector<uint8_t> bytes(data + 1, data + size);
  platform::SetScreenDepth(control & 2 ? 8 : 24);
  platform::TMemoryStream stream(bytes);
  TImageTransparency transparency = control & 1 ? ttLowerLeft : ttNone;
  std::unique_ptr<platform::Bitmap> mask;
  std::unique_ptr<TViewImage> image = LoadImageFromStream(&stream, transparency, mask);
  if (image && image->Bitmap()) {
    const platform::Bitmap& bitmap = *image->Bitmap();
    if (mask && (mask->Width() != bitmap.Width() || mask->Height() != bitmap.Height()))
      __builtin_trap();
    platform::Bitmap target(32, 32);
    platform::Canvas canvas(&target.Image());
    DrawMaskedStretched(canvas, bitmap, mask.get(), 0, 0, 32, 32);
  }
  return 0;
}
