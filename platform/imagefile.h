#pragma once
// File and image services the viewer's image loading needs: bounded reads of
// a whole file or of its first bytes, and BMP decoding with an allocation
// limit, so a file that claims absurd dimensions is refused instead of
// exhausting memory.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/image.h"

namespace platform {

// Image files larger than this are not read: no picture the viewer can show
// needs more, and reading them would only exhaust memory.
constexpr int64_t kMaxImageFileBytes = int64_t(256) << 20;

// The whole file when it exists, can be read and holds at most maxBytes;
// false (and bytes emptied) otherwise. Never raises.
bool ReadFileCapped(const std::string& path, int64_t maxBytes, std::vector<uint8_t>& bytes);

// Up to count bytes from the start of the file; fewer when the file is
// shorter, none when it is missing or unreadable. Never raises.
std::vector<uint8_t> ReadFilePrefix(const std::string& path, size_t count);

// A BMP file held in memory decoded as an ARGB bitmap whose nominal depth is
// the file's bits per pixel (1, 4, 8, 16 -> 24, 24 or 32 -> 24). Null for
// anything the reader refuses: bad headers, truncated pixel data, or an image
// whose pixels would pass Bitmap::kMaxPixels.
Bitmap ReadBmpImage(const uint8_t* data, size_t size);

}  // namespace platform
