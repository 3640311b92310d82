#include "htmlview/layout/canvasutils.h"

#include <algorithm>
#include <vector>

#include "platform/fonts.h"

namespace htmlview {

int FitText(platform::Canvas& canvas, std::u16string_view text, int width, int& extent) {
  std::vector<int> extents;
  const int n = platform::TextFitCount(canvas.font, text, std::max(0, width), &extents);
  extent = n > 0 ? extents[n - 1] : 0;
  return n;
}

platform::Size GetTextExtent(platform::Canvas& canvas, std::u16string_view text) {
  return canvas.TextExtent(text);
}

void WrapTextW(platform::Canvas& canvas, const platform::Rect& rect, std::u16string_view text) {
  const unsigned align = canvas.textAlign;
  canvas.textAlign = platform::TA_LEFT | platform::TA_TOP;
  canvas.DrawWrappedText(rect, text);
  canvas.textAlign = align;
}

// ------------------------------------------------------------ TDib

TDib::TDib(const platform::Bitmap& bitmap) : copy_(bitmap) {
  if (bitmap.IsNull()) throw platform::EOutOfResources("Out of Resources");
  // 16 and 32 bits are stored as 24; palette formats carry their table.
  const int depth = bitmap.BitDepth();
  bits_ = depth <= 1 ? 1 : depth <= 4 ? 4 : depth <= 8 ? 8 : 24;
  infoSize_ = 40 + (bits_ <= 8 ? 4 * (1 << bits_) : 0);
  const int64_t rowBytes = ((int64_t(bitmap.Width()) * bits_ + 31) / 32) * 4;
  imageSize_ = rowBytes * bitmap.Height();
}

platform::Bitmap TDib::CreateDIBmp() const {
  platform::Bitmap b(copy_.Image().copy());
  if (b.IsNull()) throw platform::EOutOfResources("Out of Resources");
  b.SetBitDepth(bits_);
  return b;
}

}  // namespace htmlview
