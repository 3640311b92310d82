#include "platform/imagefile.h"

#include <cstdlib>

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QImageReader>

namespace platform {

namespace {

// Qt's allocation limit is in megabytes; room for the largest ARGB bitmap
// the platform makes.
constexpr int kBmpAllocationLimitMB = static_cast<int>((Bitmap::kMaxPixels * 4) >> 20);

uint32_t ReadLe32(const uint8_t* p) {
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

// Bits per pixel from the information header (its size at 14, old 12-byte
// core headers keep the count at 24, the others at 28).
int BmpBitCount(const uint8_t* data, size_t size) {
  if (size < 18) return 0;
  const uint32_t headerSize = ReadLe32(data + 14);
  const size_t at = headerSize == 12 ? 24 : 28;
  if (size < at + 2) return 0;
  return data[at] | (data[at + 1] << 8);
}

int32_t ReadLe32Signed(const uint8_t* p) { return static_cast<int32_t>(ReadLe32(p)); }
int16_t ReadLe16Signed(const uint8_t* p) { return static_cast<int16_t>(uint16_t(p[0] | (p[1] << 8))); }

// What the headers claim, in 64 bits: the magnitudes of a 32-bit width and
// height (-2^31 included) and their product cannot overflow.
struct TBmpLayout {
  int64_t width = 0;    // absolute
  int64_t height = 0;   // absolute; rows run top-down when the file's is negative
  int bits = 0;
  uint32_t compression = 0;
  int64_t offset = 0;   // of the pixel data
  uint32_t headerSize = 0;
};

bool ReadLayout(const uint8_t* data, size_t size, TBmpLayout& layout) {
  if (size < 26) return false;
  const uint32_t headerSize = ReadLe32(data + 14);
  layout.offset = ReadLe32(data + 10);
  layout.bits = BmpBitCount(data, size);
  layout.headerSize = headerSize;
  if (headerSize == 12) {
    layout.width = std::abs(int64_t(ReadLe16Signed(data + 18)));
    layout.height = std::abs(int64_t(ReadLe16Signed(data + 20)));
    return true;
  }
  if (size < 34) return false;
  layout.width = std::abs(int64_t(ReadLe32Signed(data + 18)));
  layout.height = std::abs(int64_t(ReadLe32Signed(data + 22)));
  layout.compression = ReadLe32(data + 30);
  return true;
}

constexpr uint32_t kBiRle8 = 1;
constexpr uint32_t kBiRle4 = 2;

// Run-length data that cost little may claim a huge picture: a run of up to
// 255 pixels takes two bytes, so data that could not paint the picture with
// runs would leave it mostly unpainted at the cost of gigabytes. Such a
// picture is refused, unless it is small anyway.
constexpr int64_t kRunLengthFreePixels = int64_t(1) << 22;

bool RunLengthPlausible(const TBmpLayout& layout, size_t size) {
  if (layout.compression != kBiRle8 && layout.compression != kBiRle4) return true;
  const int64_t pixels = layout.width * layout.height;
  if (pixels <= kRunLengthFreePixels) return true;
  const int64_t dataBytes = static_cast<int64_t>(size) - layout.offset;
  return dataBytes > 0 && pixels <= (dataBytes / 2 + 1) * 255;
}

// Pixel data without runs must all be there: Qt's reader would show a cut-off
// file with its missing rows made up, so a few bytes claiming a picture of
// millions of pixels (old core headers included) would cost its full size to
// make, mask and dither. Called once the size is known to be within
// Bitmap::kMaxPixels, so that the product below stays far from overflow.
bool PixelDataComplete(const TBmpLayout& layout, size_t size) {
  if (layout.compression == kBiRle8 || layout.compression == kBiRle4) return true;
  const int64_t rowBytes = (layout.width * layout.bits + 31) / 32 * 4;
  return layout.offset + rowBytes * layout.height <= static_cast<int64_t>(size);
}

}  // namespace

bool ReadFileCapped(const std::string& path, int64_t maxBytes, std::vector<uint8_t>& bytes) {
  bytes.clear();
  QFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::ReadOnly)) return false;
  const int64_t size = file.size();
  if (size < 0 || size > maxBytes) return false;
  bytes.resize(static_cast<size_t>(size));
  int64_t done = 0;
  while (done < size) {
    const int64_t n = file.read(reinterpret_cast<char*>(bytes.data()) + done, size - done);
    if (n <= 0) break;
    done += n;
  }
  // A file that shrank while being read is taken as far as it went.
  bytes.resize(static_cast<size_t>(done));
  return true;
}

std::vector<uint8_t> ReadFilePrefix(const std::string& path, size_t count) {
  std::vector<uint8_t> bytes;
  QFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::ReadOnly)) return bytes;
  bytes.resize(count);
  const int64_t n = file.read(reinterpret_cast<char*>(bytes.data()), static_cast<int64_t>(count));
  bytes.resize(n > 0 ? static_cast<size_t>(n) : 0);
  return bytes;
}

Bitmap ReadBmpImage(const uint8_t* data, size_t size) {
  if (!data || size < 26 || data[0] != 'B' || data[1] != 'M') return {};
  TBmpLayout layout;
  if (!ReadLayout(data, size, layout)) return {};
  // The toolkit reports a top-down file's height as negative; the header's
  // own magnitudes decide.
  if (layout.width == 0 || layout.height == 0 || layout.width * layout.height > Bitmap::kMaxPixels) return {};
  if (layout.bits <= 0 || layout.bits > 32) return {};
  if (!PixelDataComplete(layout, size) || !RunLengthPlausible(layout, size)) return {};
  const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data),
                                                   static_cast<qsizetype>(size));
  QBuffer buffer;
  buffer.setData(bytes);
  if (!buffer.open(QIODevice::ReadOnly)) return {};
  QImageReader reader(&buffer, "bmp");
  reader.setAllocationLimit(kBmpAllocationLimitMB);
  QImage image;
  if (!reader.read(&image) || image.isNull()) return {};
  if (image.width() != layout.width || image.height() != layout.height) return {};
  // BMP pixels are opaque: an alpha channel Qt infers from 32-bit files is
  // not part of what the file means to the viewer. One conversion, in place
  // where the toolkit can: opaque RGB32 pixels are ARGB32 pixels already, so
  // a large picture never lives in two full-size copies besides the decoded one.
  image.convertTo(QImage::Format_RGB32);
  if (image.isNull() || !image.reinterpretAsFormat(QImage::Format_ARGB32)) return {};
  Bitmap result(image);
  if (result.IsNull()) return result;
  const int bits = layout.bits;
  result.SetBitDepth(bits == 1 || bits == 4 || bits == 8 ? bits : 24);
  return result;
}

}  // namespace platform
