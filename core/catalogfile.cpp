#include "core/catalogfile.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>

#include "platform/streams.h"
#include "platform/sysutils.h"
#include "platform/textfile.h"

namespace core {

namespace {

constexpr int kTextSlotSize = 256;

void PutText(uint8_t* slot, const std::string& text) {
  std::string bytes = platform::Utf8ToCp1252(text);
  if (bytes.size() > 255) bytes.resize(255);
  slot[0] = static_cast<uint8_t>(bytes.size());
  std::memcpy(slot + 1, bytes.data(), bytes.size());
}

std::string GetText(const uint8_t* slot) {
  return platform::Cp1252ToUtf8(std::string_view(reinterpret_cast<const char*>(slot + 1), slot[0]));
}

void PutInt32(uint8_t* out, int32_t value) {
  const auto u = static_cast<uint32_t>(value);
  for (int i = 0; i < 4; ++i) out[i] = static_cast<uint8_t>(u >> (8 * i));
}

int32_t GetInt32(const uint8_t* in) {
  uint32_t u = 0;
  for (int i = 0; i < 4; ++i) u |= static_cast<uint32_t>(in[i]) << (8 * i);
  return static_cast<int32_t>(u);
}

void PutDouble(uint8_t* out, double value) {
  const auto u = std::bit_cast<uint64_t>(value);
  for (int i = 0; i < 8; ++i) out[i] = static_cast<uint8_t>(u >> (8 * i));
}

double GetDouble(const uint8_t* in) {
  uint64_t u = 0;
  for (int i = 0; i < 8; ++i) u |= static_cast<uint64_t>(in[i]) << (8 * i);
  return std::bit_cast<double>(u);
}

// The four temperatures follow the refrigerant number and 4 unused bytes.
void GetNumbers(const uint8_t* at, TCompFileHeader& header) {
  header.RefrigNumber = GetInt32(at);
  header.TeLo = GetDouble(at + 8);
  header.TeHi = GetDouble(at + 16);
  header.TcLo = GetDouble(at + 24);
  header.TcHi = GetDouble(at + 32);
}

}  // namespace

int CompFileHeaderSizeFor(std::string_view fileId) {
  return fileId == kCompFileIdV100 || fileId == kCompFileIdV101 ? kOldCompFileHeaderSize
                                                                : kCompFileHeaderSize;
}

std::array<uint8_t, kCompFileHeaderSize> CompFileHeaderBytes(const TCompFileHeader& header) {
  std::array<uint8_t, kCompFileHeaderSize> bytes{};
  PutText(bytes.data(), header.FileID);
  PutText(bytes.data() + kTextSlotSize, header.Manufacturer);
  PutText(bytes.data() + 2 * kTextSlotSize, header.Make);
  PutInt32(bytes.data() + 768, header.RefrigNumber);
  PutDouble(bytes.data() + 776, header.TeLo);
  PutDouble(bytes.data() + 784, header.TeHi);
  PutDouble(bytes.data() + 792, header.TcLo);
  PutDouble(bytes.data() + 800, header.TcHi);
  return bytes;
}

void WriteFileHeader(TValueWriter& writer, const TCompFileHeader& header) {
  const auto bytes = CompFileHeaderBytes(header);
  writer.Write(bytes.data(), static_cast<int64_t>(bytes.size()));
}

namespace {

// The layout's size, from the first 1 + 256 bytes: the identification is
// taken up to its first zero byte, not by its length byte.
int HeaderSizeOf(const uint8_t* probe) {
  const uint8_t* text = probe + 1;
  const auto length = static_cast<size_t>(std::find(text, text + kTextSlotSize, 0) - text);
  return CompFileHeaderSizeFor(std::string_view(reinterpret_cast<const char*>(text), length));
}

// The record from its bytes (size of them, as HeaderSizeOf gave).
void DecodeHeader(const uint8_t* bytes, int size, TCompFileHeader& header, bool texts = true) {
  if (!texts) {
    GetNumbers(bytes + (size == kOldCompFileHeaderSize ? 512 : 768), header);
    return;
  }
  header.FileID = GetText(bytes);
  header.Manufacturer = GetText(bytes + kTextSlotSize);
  if (size == kOldCompFileHeaderSize) {
    header.Make = header.Manufacturer;
    GetNumbers(bytes + 512, header);
  } else {
    header.Make = GetText(bytes + 2 * kTextSlotSize);
    GetNumbers(bytes + 768, header);
  }
}

}  // namespace

void ReadFileHeader(TValueReader& reader, TCompFileHeader& header) {
  const int64_t start = reader.Position();
  uint8_t probe[1 + kTextSlotSize];
  reader.Read(probe, sizeof probe);
  const int size = HeaderSizeOf(probe);
  reader.SetPosition(start);
  std::array<uint8_t, kCompFileHeaderSize> bytes{};
  reader.Read(bytes.data(), size);
  DecodeHeader(bytes.data(), size, header);
}

void ReadFileHeader(const std::string& path, TCompFileHeader& header, bool texts) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    // A name that is not there as spelt goes the stream's way, which matches
    // it without regard to case and raises the stream's errors.
    platform::TFileStream stream(path, platform::TFileMode::fmOpenRead);
    TValueReader reader(stream);
    ReadFileHeader(reader, header);
    return;
  }
  std::array<uint8_t, kCompFileHeaderSize> bytes{};
  size_t got = 0;
  bool failed = false;
  while (got < bytes.size()) {
    const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) failed = true;
    if (n <= 0) break;
    got += static_cast<size_t>(n);
  }
  ::close(fd);
  // As a stream read: a folder, a read error or too few bytes for the layout.
  if (failed || got < 1 + kTextSlotSize) throw platform::EReadError("Stream read error");
  const int size = HeaderSizeOf(bytes.data());
  if (got < static_cast<size_t>(size)) throw platform::EReadError("Stream read error");
  DecodeHeader(bytes.data(), size, header, texts);
}

}  // namespace core
