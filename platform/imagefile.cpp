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

// Uncompressed pixel data must all be there: Qt's reader would show a cut-off
// file with its missing rows made up.
bool PixelDataComplete(const uint8_t* data, size_t size) {
  if (size < 34) return true;  // too short for the reader to accept anyway
  const uint32_t headerSize = ReadLe32(data + 14);
  if (headerSize < 40) return true;  // old core headers: left to the reader
  const uint32_t compression = ReadLe32(data + 30);
  if (compression != 0 && compression != 3) return true;  // run-length data are checked as read
  const int64_t width = ReadLe32Signed(data + 18);
  const int64_t height = ReadLe32Signed(data + 22);
  const int bits = BmpBitCount(data, size);
  const int64_t offset = ReadLe32(data + 10);
  const int64_t rowBytes = (std::abs(width) * bits + 31) / 32 * 4;
  return offset + rowBytes * std::abs(height) <= static_cast<int64_t>(size);
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
  if (!PixelDataComplete(data, size)) return {};
  const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data),
                                                   static_cast<qsizetype>(size));
  QBuffer buffer;
  buffer.setData(bytes);
  if (!buffer.open(QIODevice::ReadOnly)) return {};
  QImageReader reader(&buffer, "bmp");
  reader.setAllocationLimit(kBmpAllocationLimitMB);
  const QSize dims = reader.size();
  if (!dims.isValid() || dims.isEmpty() || int64_t(dims.width()) * dims.height() > Bitmap::kMaxPixels)
    return {};
  QImage image;
  if (!reader.read(&image) || image.isNull()) return {};
  // BMP pixels are opaque: an alpha channel Qt infers from 32-bit files is
  // not part of what the file means to the viewer.
  Bitmap result(image.convertToFormat(QImage::Format_RGB32).convertToFormat(QImage::Format_ARGB32));
  if (result.IsNull()) return result;
  const int bits = BmpBitCount(data, size);
  result.SetBitDepth(bits == 1 || bits == 4 || bits == 8 ? bits : 24);
  return result;
}

}  // namespace platform
