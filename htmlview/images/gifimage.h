#pragma once
// A decoded GIF as the document keeps it: the strip of all frames (a
// ThtBitmap carrying its own mask), the frame rectangles, delays and disposal
// methods, a still bitmap of the first frame on request, and the animation
// that steps through the cells by elapsed time (platform::TickCount).
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/canvas.h"
#include "platform/geometry.h"
#include "platform/image.h"
#include "platform/streams.h"

namespace platform {
class Control;
}

namespace htmlview {

// A bitmap that carries its own mask and draws itself through it.
class ThtBitmap {
 public:
  platform::Bitmap bitmap;  // opaque pixels
  // Monochrome: opaque black where the bitmap shows, transparent white where
  // it does not (the platform's mask convention). Owned; may be absent.
  std::unique_ptr<platform::Bitmap> htMask;
  bool htTransparent = false;
  // The palette selected while drawing on palette screens; none on a
  // true-colour screen.
  std::optional<platform::Palette> palette;

  int Width() const { return bitmap.Width(); }
  int Height() const { return bitmap.Height(); }

  // The whole bitmap stretched into the rectangle.
  void Draw(platform::Canvas& canvas, const platform::Rect& rect) const;
  // The source rectangle stretched into the destination.
  void StretchDraw(platform::Canvas& canvas, const platform::Rect& dest,
                   const platform::Rect& source) const;

 private:
  // A part of the bitmap with the mask made its alpha. An animation draws
  // the same cells again and again, and a cell can hold millions of pixels
  // however small it is shown, so each part is made once and kept until
  // the bitmap or the mask changes (their cache keys tell).
  struct MaskedPart {
    platform::Rect part;
    qint64 bitmapKey = 0, maskKey = 0;
    platform::Bitmap image;
  };
  platform::Bitmap Masked(const platform::Rect& part) const;
  // Drawing happens on the GUI thread only, so the cache needs no lock.
  mutable std::vector<MaskedPart> maskedParts_;
};

struct TgfFrame {
  int left = 0, top = 0, width = 0, height = 0;
  int delay = 0;     // milliseconds
  int disposal = 0;  // 0..3
  bool isCopy = false;
};

class TGIFImage {
 public:
  TGIFImage() = default;
  // Shares the strip of the source; frame 1, first iteration.
  TGIFImage(const TGIFImage& source);
  TGIFImage& operator=(const TGIFImage&) = delete;
  ~TGIFImage();

  bool IsAnimated() const { return isAnimated_; }
  int CurrentFrame() const { return currentFrame_; }
  void SetCurrentFrame(int n);
  int Width() const { return width_; }
  int Height() const { return height_; }
  int NumFrames() const { return numFrames_; }
  // 0: for ever.
  int NumIterations() const { return numIterations_; }
  bool IsTransparent() const { return isTransparent_; }
  bool Visible() const { return visible_; }
  void SetVisible(bool visible) { visible_ = visible; }
  bool Animate() const { return animate_; }
  void SetAnimate(bool value);
  bool IsCopy() const { return isCopy_; }
  int LastDisposal() const { return lastDisposal_; }
  int CurrentIteration() const { return currentIteration_; }
  const platform::Rect& DrawnRect() const { return drawnRect_; }

  const ThtBitmap* Strip() const { return strip_.get(); }
  const std::vector<TgfFrame>& Frames() const { return frames_; }

  // The first frame as a still, opaque bitmap, made on first call.
  const platform::Bitmap& GetBitmap();
  // The still bitmap's mask; null when the image is not transparent.
  const platform::Bitmap* GetMaskImage();

  // Draws the current frame stretched into the rectangle and remembers it.
  void Draw(platform::Canvas& canvas, int x, int y, int width, int height);
  // Advances the frame when its delay is over; invalidates the last drawn
  // rectangle in the control (which may be null).
  void CheckTime(platform::Control* control);

 private:
  friend std::unique_ptr<TGIFImage> CreateGifImageFromStream(bool& notAnimated, platform::TStream& stream,
                                                             const platform::Palette* screenPalette);

  bool isAnimated_ = false;
  int currentFrame_ = 1;
  int width_ = 0, height_ = 0;
  int numFrames_ = 0;
  int numIterations_ = 1;
  bool isTransparent_ = false;
  bool visible_ = true;
  std::shared_ptr<ThtBitmap> strip_;
  std::unique_ptr<platform::Bitmap> bitmap_;
  std::unique_ptr<platform::Bitmap> mask_;
  bool animate_ = false;
  platform::Rect drawnRect_;
  int lastDisposal_ = 0;
  std::vector<TgfFrame> frames_;
  int currentIteration_ = 1;
  int64_t lastTime_ = 0;
  int currentInterval_ = 0;
  bool isCopy_ = false;
};

// Decodes a GIF stream; null on any failure (nothing is left behind).
// notAnimated is set to whether the image has a single frame. The strip
// draws with a copy of the screen palette when one is given (palette screens).
std::unique_ptr<TGIFImage> CreateGifImageFromStream(bool& notAnimated, platform::TStream& stream,
                                                    const platform::Palette* screenPalette = nullptr);
// The same on a file; every failure (missing file included) gives null.
std::unique_ptr<TGIFImage> CreateGifImageFromFile(bool& notAnimated, const std::string& path,
                                                  const platform::Palette* screenPalette = nullptr);

}  // namespace htmlview
