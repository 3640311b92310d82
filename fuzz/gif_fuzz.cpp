// The GIF reader on arbitrary bytes: a damaged file must give no image (or
// an EGifError from TGif), never a crash, a hang or an allocation beyond the
// strip limits. An image that loads is stepped through every frame: the
// frame queries, the strip, the still bitmap and its mask, drawing each cell,
// a copy of the image and the animation clock.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include <QGuiApplication>
#include <QImage>

#include "htmlview/images/gifdecoder.h"
#include "htmlview/images/gifimage.h"
#include "platform/canvas.h"
#include "platform/image.h"
#include "platform/streams.h"
#include "platform/sysutils.h"

namespace {

void CheckDecoder(const std::vector<uint8_t>& bytes) {
  platform::TMemoryStream stream(bytes);
  htmlview::TGif gif;
  try {
    gif.LoadFromStream(stream);
    for (int i = 0; i < gif.ImageCount(); ++i) {
      (void)gif.ImageLeft(i);
      (void)gif.ImageTop(i);
      if (gif.ImageWidth(i) <= 0 || gif.ImageHeight(i) <= 0) __builtin_trap();
      if (gif.ImageDelay(i) < 1) __builtin_trap();
      const int disposal = gif.ImageDisposal(i);
      if (disposal < 0 || disposal > 3) __builtin_trap();
      (void)gif.TransparentIndex(i);
      const htmlview::TGifFrame& f = gif.Frames()[static_cast<size_t>(i)];
      if (f.pixels.size() != static_cast<size_t>(f.storedWidth) * static_cast<size_t>(f.storedHeight))
        __builtin_trap();
      (void)f.PixelAt(f.storedWidth - 1, f.storedHeight - 1);
      (void)f.PixelAt(-1, 0);
    }
    platform::Bitmap mask;
    const platform::Bitmap strip = gif.GetStripBitmap(mask);
    if (strip.Width() != gif.Width() * gif.ImageCount() || strip.Height() != gif.Height()) __builtin_trap();
    if (!mask.IsNull() && (mask.Width() != strip.Width() || mask.Height() != strip.Height()))
      __builtin_trap();
  } catch (const htmlview::EGifError&) {
  }
}

void CheckImage(const std::vector<uint8_t>& bytes) {
  platform::TMemoryStream stream(bytes);
  bool notAnimated = false;
  std::unique_ptr<htmlview::TGIFImage> image = htmlview::CreateGifImageFromStream(notAnimated, stream);
  if (!image) return;
  if (notAnimated != (image->NumFrames() == 1)) __builtin_trap();
  if (static_cast<int>(image->Frames().size()) != image->NumFrames()) __builtin_trap();

  // Drawing a transparent cell costs time in proportion to the cell, which
  // the strip limits allow to reach 16 million pixels: huge cells are
  // stepped through without drawing, or the run would crawl on them.
  const bool draw = int64_t(image->Width()) * image->Height() <= (int64_t(1) << 20);
  QImage target(16, 16, QImage::Format_ARGB32);
  target.fill(Qt::white);
  {
    platform::Canvas canvas(&target);
    for (int n = 1; n <= image->NumFrames(); ++n) {
      image->SetCurrentFrame(n);
      if (image->CurrentFrame() != n) __builtin_trap();
      (void)image->LastDisposal();
      if (!draw) continue;
      image->Draw(canvas, 0, 0, 16, 16);
      image->Draw(canvas, -3, 5, 7, 40);
    }
    image->SetCurrentFrame(image->NumFrames() + 1);  // wraps to the first
    image->SetCurrentFrame(0);                       // to the last
  }
  const platform::Bitmap& still = image->GetBitmap();
  const platform::Bitmap* mask = image->GetMaskImage();
  if (mask != nullptr && (mask->Width() != still.Width() || mask->Height() != still.Height()))
    __builtin_trap();

  htmlview::TGIFImage copy(*image);
  copy.SetAnimate(true);
  for (int i = 0; i < 2 * copy.NumFrames() + 2; ++i) copy.CheckTime(nullptr);
  (void)copy.GetBitmap();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  // Drawing needs the GUI side of Qt (fonts, painters); it lives for the run.
  static QGuiApplication app(*argc, *argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<uint8_t> bytes(data, data + size);
  CheckDecoder(bytes);
  CheckImage(bytes);
  return 0;
}
