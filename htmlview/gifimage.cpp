#include "htmlview/gifimage.h"

#include <algorithm>
#include <exception>

#include "htmlview/gifdecoder.h"
#include "platform/control.h"
#include "platform/timers.h"

namespace htmlview {

// --- ThtBitmap.

void ThtBitmap::Draw(platform::Canvas& canvas, const platform::Rect& rect) const {
  StretchDraw(canvas, rect, platform::RectOfSize(0, 0, Width(), Height()));
}

void ThtBitmap::StretchDraw(platform::Canvas& canvas, const platform::Rect& dest,
                            const platform::Rect& source) const {
  if (bitmap.IsNull() || dest.IsEmpty() || source.IsEmpty()) return;
  const platform::Palette* oldPalette = nullptr;
  if (palette) {
    oldPalette = canvas.SelectPalette(&*palette);
    canvas.RealizePalette();
  }
  // Halftone (smooth) stretching only where a true-colour picture meets a
  // palette screen; elsewhere pixels are repeated or dropped.
  const int depth = bitmap.BitDepth();
  const bool smooth = platform::ScreenDepth() <= 8 && (depth == 15 || depth == 16 || depth == 24);

  if (htTransparent && htMask && !htMask->IsNull()) {
    // The mask becomes the alpha of the part drawn, so only that part is
    // composed however large the strip is.
    const platform::Rect part = source.Intersect(platform::RectOfSize(0, 0, Width(), Height()));
    if (!part.IsEmpty()) {
      QImage piece = bitmap.Image().copy(part.left, part.top, part.Width(), part.Height());
      const QImage& m = htMask->Image();
      for (int y = 0; y < piece.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(piece.scanLine(y));
        const int my = part.top + y;
        for (int x = 0; x < piece.width(); ++x) {
          const int mx = part.left + x;
          const QRgb mp = m.valid(mx, my) ? m.pixel(mx, my) : qRgb(255, 255, 255);
          const bool clear = qAlpha(mp) == 0 || (mp & 0xFFFFFF) == 0xFFFFFF;
          line[x] = clear ? qRgba(0, 0, 0, 0) : (line[x] | 0xFF000000u);
        }
      }
      // The destination shrinks with the source where the source was cut.
      const double sx = double(dest.Width()) / source.Width();
      const double sy = double(dest.Height()) / source.Height();
      const platform::Rect target{dest.left + int((part.left - source.left) * sx),
                                  dest.top + int((part.top - source.top) * sy),
                                  dest.left + int((part.right - source.left) * sx),
                                  dest.top + int((part.bottom - source.top) * sy)};
      canvas.DrawPart(target, platform::Bitmap(piece), platform::RectOfSize(0, 0, part.Width(), part.Height()),
                      smooth);
    }
  } else {
    canvas.DrawPart(dest, bitmap, source, smooth);
  }
  if (palette) canvas.SelectPalette(oldPalette);
}

// --- TGIFImage.

TGIFImage::TGIFImage(const TGIFImage& source)
    : isAnimated_(source.isAnimated_),
      currentFrame_(1),
      width_(source.width_),
      height_(source.height_),
      numFrames_(source.numFrames_),
      numIterations_(source.numIterations_),
      isTransparent_(source.isTransparent_),
      visible_(source.visible_),
      strip_(source.strip_),
      frames_(source.frames_),
      currentIteration_(1),
      isCopy_(true) {
  for (TgfFrame& f : frames_) f.isCopy = true;
  if (isAnimated_) lastDisposal_ = 2;
}

TGIFImage::~TGIFImage() = default;

const platform::Bitmap& TGIFImage::GetBitmap() {
  if (!bitmap_) {
    bitmap_ = std::make_unique<platform::Bitmap>();
    if (strip_ && !strip_->bitmap.IsNull()) {
      const int w = std::min(width_, strip_->Width());
      *bitmap_ = platform::Bitmap(strip_->bitmap.Image().copy(0, 0, w, strip_->Height()));
      bitmap_->SetBitDepth(strip_->bitmap.BitDepth());
      if (strip_->htMask && !strip_->htMask->IsNull()) {
        mask_ = std::make_unique<platform::Bitmap>(strip_->htMask->Image().copy(0, 0, w, strip_->Height()));
        mask_->SetBitDepth(1);
      }
    }
  }
  return *bitmap_;
}

const platform::Bitmap* TGIFImage::GetMaskImage() {
  if (!isTransparent_) return nullptr;
  GetBitmap();
  return mask_.get();
}

void TGIFImage::Draw(platform::Canvas& canvas, int x, int y, int width, int height) {
  drawnRect_ = platform::RectOfSize(x, y, width, height);
  if (!visible_ || numFrames_ < 1 || !strip_) return;
  const platform::Rect cell = platform::RectOfSize((currentFrame_ - 1) * width_, 0, width_, height_);
  strip_->StretchDraw(canvas, drawnRect_, cell);
}

void TGIFImage::SetAnimate(bool value) {
  if (value == animate_) return;
  animate_ = value;
  if (animate_ && numFrames_ > 1) {
    currentInterval_ = std::max(frames_[currentFrame_ - 1].delay, 1);
    lastTime_ = platform::TickCount();
  }
}

void TGIFImage::SetCurrentFrame(int n) {
  if (n == currentFrame_ || numFrames_ < 1) return;
  lastDisposal_ = frames_[currentFrame_ - 1].disposal;
  if (n > numFrames_)
    currentFrame_ = 1;
  else if (n >= 1)
    currentFrame_ = n;
  else
    currentFrame_ = numFrames_;
  if (isAnimated_) lastDisposal_ = 2;
}

void TGIFImage::CheckTime(platform::Control* control) {
  if (!animate_ || numFrames_ < 1) return;
  const int64_t now = platform::TickCount();
  if (now - lastTime_ < currentInterval_) return;
  lastTime_ = now;
  if (currentFrame_ == numFrames_) {
    if (numIterations_ >= 1 && currentIteration_ >= numIterations_) {
      animate_ = false;  // the last frame stays
      return;
    }
    ++currentIteration_;
  }
  lastDisposal_ = frames_[currentFrame_ - 1].disposal;
  currentFrame_ = currentFrame_ % numFrames_ + 1;
  if (control) control->InvalidateRect(drawnRect_);
  currentInterval_ = std::max(frames_[currentFrame_ - 1].delay, 1);
}

// --- Creation.

std::unique_ptr<TGIFImage> CreateGifImageFromStream(bool& notAnimated, platform::TStream& stream,
                                                    const platform::Palette* screenPalette) {
  try {
    TGif gif;
    gif.LoadFromStream(stream);
    auto image = std::make_unique<TGIFImage>();
    image->numFrames_ = gif.ImageCount();
    image->isAnimated_ = image->numFrames_ > 1;
    image->width_ = gif.Width();
    image->height_ = gif.Height();
    const int loops = gif.LoopCount();
    image->numIterations_ = loops < 0 ? 1 : loops > 0 ? loops + 1 : 0;
    image->isTransparent_ = gif.IsTransparent();

    platform::Bitmap mask;
    platform::Bitmap strip = gif.GetStripBitmap(mask);
    auto ht = std::make_shared<ThtBitmap>();
    ht->bitmap = std::move(strip);
    ht->htTransparent = !mask.IsNull();
    if (ht->htTransparent) ht->htMask = std::make_unique<platform::Bitmap>(std::move(mask));
    if (screenPalette) ht->palette = *screenPalette;
    image->strip_ = std::move(ht);

    image->frames_.reserve(gif.ImageCount());
    for (int i = 0; i < gif.ImageCount(); ++i) {
      TgfFrame f;
      f.left = gif.ImageLeft(i);
      f.top = gif.ImageTop(i);
      f.width = gif.ImageWidth(i);
      f.height = gif.ImageHeight(i);
      f.disposal = gif.ImageDisposal(i);
      f.delay = std::max(30, gif.ImageDelay(i) * 10);
      image->frames_.push_back(f);
    }
    if (image->isAnimated_) image->lastDisposal_ = 2;
    notAnimated = !image->isAnimated_;
    return image;
  } catch (const std::exception&) {
    return nullptr;
  }
}

std::unique_ptr<TGIFImage> CreateGifImageFromFile(bool& notAnimated, const std::string& path,
                                                  const platform::Palette* screenPalette) {
  try {
    platform::TFileStream stream(path, platform::TFileMode::fmOpenRead);
    return CreateGifImageFromStream(notAnimated, stream, screenPalette);
  } catch (...) {
    return nullptr;
  }
}

}  // namespace htmlview
