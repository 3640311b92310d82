// The PNG codec on arbitrary bytes: a damaged file must end in a reported
// error, never in a crash, a hang or an allocation the data cannot justify.
// A picture that loads is drawn (ToBitmap), saved and loaded again: what the
// codec writes it must read, at the same size. Every input is tried a second
// time with its chunk CRCs made right, or mutations would rarely get past the
// CRC check into the chunk and image decoding.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "htmlview/images/pngchunks.h"
#include "htmlview/images/pngcodec.h"
#include "platform/image.h"
#include "platform/streams.h"
#include "platform/sysutils.h"

namespace {

uint32_t BigEndian32(const uint8_t* p) {
  return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

// The bytes with the CRC of every whole chunk after the signature recomputed.
std::vector<uint8_t> WithRightCrcs(std::vector<uint8_t> bytes) {
  size_t at = 8;
  while (at + 12 <= bytes.size()) {
    const uint32_t length = BigEndian32(&bytes[at]);
    if (length > bytes.size() - at - 12) break;
    const std::string_view type(reinterpret_cast<const char*>(&bytes[at + 4]), 4);
    const uint32_t crc = htmlview::PngCrc(type, &bytes[at + 8], length);
    uint8_t* out = &bytes[at + 8 + length];
    out[0] = uint8_t(crc >> 24), out[1] = uint8_t(crc >> 16), out[2] = uint8_t(crc >> 8), out[3] = uint8_t(crc);
    at += 12 + size_t(length);
  }
  return bytes;
}

void Check(const std::vector<uint8_t>& bytes) {
  platform::TMemoryStream stream(bytes);
  htmlview::TPngPicture picture;
  try {
    picture.LoadFromStream(stream);
  } catch (const platform::Exception&) {
    return;  // reported to the user as a picture that cannot be shown
  }
  const platform::Bitmap drawn = picture.ToBitmap();
  if (drawn.Width() != picture.Bitmap().Width() || drawn.Height() != picture.Bitmap().Height())
    __builtin_trap();

  const int width = picture.Bitmap().Width(), height = picture.Bitmap().Height();
  platform::TMemoryStream saved;
  picture.SaveToStream(saved);
  saved.SetPosition(0);
  htmlview::TPngPicture again;
  again.LoadFromStream(saved);  // our own output: an error here is a fault
  if (again.Bitmap().Width() != width || again.Bitmap().Height() != height) __builtin_trap();
  // What was shown is what the saved file shows. A damaged file's palette
  // index past the palette shows black, which a palette cannot always hold:
  // such a pixel is saved as the nearest colour the palette has.
  const platform::Bitmap reloaded = again.ToBitmap();
  const auto& entries = picture.Palette().entries;
  const bool indexed = picture.SavesWithPalette();
  const int rows = int64_t(width) * height <= (int64_t(1) << 20) ? height : 0;
  for (int y = 0; y < rows; ++y)
    for (int x = 0; x < width; ++x) {
      const platform::Colour shown = drawn.Pixel(x, y);
      if (indexed && std::find(entries.begin(), entries.end(), shown) == entries.end()) continue;
      if (reloaded.Pixel(x, y) != shown || reloaded.Alpha(x, y) != drawn.Alpha(x, y)) __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  htmlview::InitPngModule();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<uint8_t> bytes(data, data + size);
  Check(bytes);
  const std::vector<uint8_t> fixed = WithRightCrcs(bytes);
  if (fixed != bytes) Check(fixed);
  return 0;
}
