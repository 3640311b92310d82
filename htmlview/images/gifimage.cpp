#include "htmlview/images/gifimage.h"

#include <algorithm>
#include <exception>

#include "htmlview/images/gifdecoder.h"
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
    // Only the part of the source inside the bitmap is drawn.
    const platform::Rect part = source.Intersect(platform::RectOfSize(0, 0, Width(), Height()));
    if (!part.IsEmpty()) {
      // The destination shrinks with the source where the source was cut.
      const double sx = double(dest.Width()) / source.Width();
      const double sy = double(dest.Height()) / source.Height();
      const platform::Rect target{dest.left + int((part.left - source.left) * sx),
                                  dest.top + int((part.top - source.top) * sy),
                                  dest.left + int((part.right - source.left) * sx),
                                  dest.top + int((part.bottom - source.top) * sy)};
      canvas.DrawPart(target, Masked(part), platform::RectOfSize(0, 0, part.Width(), part.Height()), smooth);
    }
  } else {
    canvas.DrawPart(dest, bitmap, source, smooth);
  }
  if (palette) canvas.SelectPalette(oldPalette);
}

platform::Bitmap ThtBitmap::Masked(const platform::Rect& part) const {
  const QImage& pixels = bitmap.Image();
  const QImage& mask = htMask->Image();
  const qint64 bitmapKey = pixels.cacheKey(), maskKey = mask.cacheKey();
  std::erase_if(maskedParts_, [&](const MaskedPart& m) { return m.bitmapKey != bitmapKey || m.maskKey != maskKey; });
  for (const MaskedPart& m : maskedParts_)
    if (m.part == part) return m.image;

  // The pixels over the part, read as ARGB32 rows.
  QImage sourceRows = pixels;  // shared, not copied
  int sourceX = part.left, sourceY = part.top;
  if (pixels.format() != QImage::Format_ARGB32) {
    sourceRows = pixels.copy(part.left, part.top, part.Width(), part.Height()).convertToFormat(QImage::Format_ARGB32);
    sourceX = sourceY = 0;
  }
  // The mask over the part, likewise; pixels outside the mask are clear.
  const platform::Rect inMask = part.Intersect(platform::RectOfSize(0, 0, mask.width(), mask.height()));
  QImage maskRows;
  int maskX = 0, maskY = 0;
  if (!inMask.IsEmpty()) {
    if (mask.format() == QImage::Format_ARGB32) {
      maskRows = mask;
    } else {
      maskRows = mask.copy(inMask.left, inMask.top, inMask.Width(), inMask.Height())
                     .convertToFormat(QImage::Format_ARGB32);
      maskX = inMask.left;
      maskY = inMask.top;
    }
  }
  QImage piece(part.Width(), part.Height(), QImage::Format_ARGB32);
  if (piece.isNull() || sourceRows.isNull()) return platform::Bitmap();

  // Clear where the mask is transparent or white; elsewhere the pixel shows
  // fully opaque. Rows are plain loops over scan lines: one pass over a cell
  // of millions of pixels.
  const int width = part.Width();
  const int firstX = maskRows.isNull() ? 0 : inMask.left - part.left;
  const int lastX = maskRows.isNull() ? 0 : inMask.right - part.left;
  for (int y = 0; y < piece.height(); ++y) {
    auto* out = reinterpret_cast<QRgb*>(piece.scanLine(y));
    const int row = part.top + y;
    if (maskRows.isNull() || row < inMask.top || row >= inMask.bottom) {
      std::fill_n(out, width, QRgb(0));
      continue;
    }
    const auto* in = reinterpret_cast<const QRgb*>(sourceRows.constScanLine(row - part.top + sourceY)) + sourceX;
    const auto* m = reinterpret_cast<const QRgb*>(maskRows.constScanLine(row - maskY)) + (part.left - maskX);
    std::fill(out, out + firstX, QRgb(0));
    for (int x = firstX; x < lastX; ++x) {
      const QRgb mp = m[x];
      const bool shows = (mp >> 24) != 0 && (mp & 0xFFFFFFu) != 0xFFFFFFu;
      out[x] = shows ? (in[x] | 0xFF000000u) : QRgb(0);
    }
    std::fill(out + lastX, out + width, QRgb(0));
  }

  platform::Bitmap image(piece);
  // Kept parts stay within the size of the bitmap itself; the oldest go
  // first.
  const int64_t budget = std::max(int64_t(Width()) * Height(), int64_t(part.Width()) * part.Height());
  int64_t used = int64_t(part.Width()) * part.Height();
  for (const MaskedPart& m : maskedParts_) used += int64_t(m.image.Width()) * m.image.Height();
  while (used > budget && !maskedParts_.empty()) {
    used -= int64_t(maskedParts_.front().image.Width()) * maskedParts_.front().image.Height();
    maskedParts_.erase(maskedParts_.begin());
  }
  maskedParts_.push_back({part, bitmapKey, maskKey, image});
  return image;
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
