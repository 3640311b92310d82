#pragma once
// JPEG decoding through libjpeg. Every libjpeg error comes back here as a
// failure (never an abort of the process), and a file that ends before its
// image does is refused rather than shown half grey.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/image.h"
#include "platform/sysutils.h"

namespace htmlview {

// A JPEG that cannot be decoded; the message is libjpeg's.
class EJpegError : public platform::Exception { using platform::Exception::Exception; };

// The image as an opaque bitmap: nominally 24 bits, or 8 bits for a
// greyscale image when eightBitGrey is set (palette screens keep greys as
// they are). Greyscale, YCbCr, RGB, CMYK and YCCK files are read; images
// larger than Bitmap::kMaxPixels are refused. Raises EJpegError.
platform::Bitmap DecodeJpeg(const uint8_t* data, size_t size, bool eightBitGrey = false);

// Writes a JPEG (4:2:0, baseline or progressive) of the bitmap's colours;
// used to make test data and never by the viewer itself. Raises EJpegError.
std::string EncodeJpeg(const platform::Bitmap& bitmap, int quality, bool progressive = false);

}  // namespace htmlview
