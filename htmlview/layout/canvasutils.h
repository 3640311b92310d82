#pragma once
// What layout and drawing need of a canvas beyond the platform's: how much
// text fits a width, wrapped text, and the device-independent copy of a
// bitmap that printing reads.
#include <cstdint>
#include <string_view>

#include "platform/canvas.h"
#include "platform/image.h"

namespace htmlview {

// How many characters of text fit in width pixels; extent gets their width.
int FitText(platform::Canvas& canvas, std::u16string_view text, int width, int& extent);
platform::Size GetTextExtent(platform::Canvas& canvas, std::u16string_view text);
// Word-wrapped text in a rectangle, the text alignment reset for the call.
void WrapTextW(platform::Canvas& canvas, const platform::Rect& rect, std::u16string_view text);

// ------------------------------------------------------------ TDib

// A device-independent copy of a bitmap: the sizes its header and bits take
// in the old bitmap layout (kept for the printing code that reads them) and
// the pixels.
class TDib {
 public:
  // "Out of Resources" (platform::EOutOfResources) when the copy cannot be made.
  TDib(const platform::Bitmap& bitmap);
  int InfoSize() const { return infoSize_; }
  int64_t ImageSize() const { return imageSize_; }
  int BitsPerPixel() const { return bits_; }
  // Copies of 65,280 bytes or more used global memory on the old platform.
  bool LargeBlock() const { return imageSize_ >= 65280; }
  // A bitmap for the screen made from the copy.
  platform::Bitmap CreateDIBmp() const;
  const platform::Bitmap& Bits() const { return copy_; }

 private:
  platform::Bitmap copy_;
  int bits_ = 24;
  int infoSize_ = 40;
  int64_t imageSize_ = 0;
};

}  // namespace htmlview
