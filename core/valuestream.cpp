#include "core/valuestream.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <exception>

#include "platform/fonts.h"
#include "platform/sysutils.h"
#include "platform/textfile.h"

namespace core {

namespace {

constexpr uint64_t kExplicitOne = uint64_t{1} << 63;
constexpr int kExtendedBias = 16383;
constexpr int kDoubleBias = 1023;

// significand / 2^drop rounded to the nearest integer, ties to even.
uint64_t ShiftRoundEven(uint64_t significand, int drop) {
  if (drop <= 0) return significand;
  if (drop > 65) return 0;   // below a quarter: rounds to zero
  using u128 = unsigned __int128;
  const u128 value = significand;
  u128 kept = value >> drop;
  const u128 rest = value - (kept << drop);
  const u128 half = u128{1} << (drop - 1);
  if (rest > half || (rest == half && (kept & 1) != 0)) ++kept;
  return static_cast<uint64_t>(kept);
}

void PutLE(uint8_t* out, uint64_t value, int count) {
  for (int i = 0; i < count; ++i) out[i] = static_cast<uint8_t>(value >> (8 * i));
}

uint64_t GetLE(const uint8_t* in, int count) {
  uint64_t value = 0;
  for (int i = 0; i < count; ++i) value |= static_cast<uint64_t>(in[i]) << (8 * i);
  return value;
}

bool IsAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<uint8_t>(c) < 0x80; });
}

}  // namespace

std::array<uint8_t, 10> DoubleToExtended(double value) {
  const uint64_t bits = std::bit_cast<uint64_t>(value);
  const uint16_t sign = (bits >> 63) != 0 ? 0x8000 : 0;
  const int exponent = static_cast<int>((bits >> 52) & 0x7FF);
  const uint64_t fraction = bits & ((uint64_t{1} << 52) - 1);
  uint64_t significand = 0;
  int extExponent = 0;
  if (exponent == 0x7FF) {
    // Infinity, or NaN with its payload and quiet bit in the same places.
    extExponent = 0x7FFF;
    significand = kExplicitOne | (fraction << 11);
  } else if (exponent == 0) {
    if (fraction != 0) {
      // A subnormal double is a normal extended value.
      const int shift = std::countl_zero(fraction);
      significand = fraction << shift;
      extExponent = kExtendedBias - kDoubleBias + 1 + 11 - shift;
    }
  } else {
    significand = kExplicitOne | (fraction << 11);
    extExponent = exponent - kDoubleBias + kExtendedBias;
  }
  std::array<uint8_t, 10> out{};
  PutLE(out.data(), significand, 8);
  PutLE(out.data() + 8, static_cast<uint16_t>(sign | extExponent), 2);
  return out;
}

double ExtendedToDouble(const std::array<uint8_t, 10>& bytes) {
  uint64_t significand = GetLE(bytes.data(), 8);
  const uint16_t top = static_cast<uint16_t>(GetLE(bytes.data() + 8, 2));
  const uint64_t sign = (top & 0x8000) != 0 ? uint64_t{1} << 63 : 0;
  const int exponent = top & 0x7FFF;
  const uint64_t infBits = sign | (uint64_t{0x7FF} << 52);
  if (exponent == 0x7FFF) {
    const uint64_t payload = (significand & ~kExplicitOne) >> 11;
    if ((significand & ~kExplicitOne) == 0) return std::bit_cast<double>(infBits);
    // Keep the payload; one whose bits all lie below the double's keeps NaN by the quiet bit.
    return std::bit_cast<double>(infBits | (payload != 0 ? payload : uint64_t{1} << 51));
  }
  if (significand == 0) return std::bit_cast<double>(sign);
  // Value = significand / 2^63 · 2^e; normalise (denormals and unnormals alike).
  int e = (exponent == 0 ? 1 : exponent) - kExtendedBias;
  const int shift = std::countl_zero(significand);
  significand <<= shift;
  e -= shift;
  if (e > kDoubleBias) return std::bit_cast<double>(infBits);
  if (e >= 1 - kDoubleBias) {
    uint64_t kept = ShiftRoundEven(significand, 11);
    if (kept == (uint64_t{1} << 53)) {
      kept >>= 1;
      ++e;
      if (e > kDoubleBias) return std::bit_cast<double>(infBits);
    }
    const uint64_t biased = static_cast<uint64_t>(e + kDoubleBias);
    return std::bit_cast<double>(sign | (biased << 52) | (kept & ((uint64_t{1} << 52) - 1)));
  }
  // Subnormal result; rounding up to 2^52 lands on the smallest normal by itself.
  const uint64_t kept = ShiftRoundEven(significand, -e - 1011);
  return std::bit_cast<double>(sign | kept);
}

// ---------------------------------------------------------------- writer

TValueWriter::TValueWriter(platform::TStream& stream, int bufferSize)
    : stream_(stream), buffer_(static_cast<size_t>(std::max(bufferSize, 16))),
      uncaughtAtStart_(std::uncaught_exceptions()) {}

TValueWriter::~TValueWriter() noexcept(false) {
  if (std::uncaught_exceptions() > uncaughtAtStart_) {
    // Already unwinding: the first error is the one to report.
    try {
      FlushBuffer();
    } catch (...) {
    }
    return;
  }
  FlushBuffer();
}

void TValueWriter::FlushBuffer() {
  if (used_ == 0) return;
  const size_t count = used_;
  used_ = 0;
  stream_.WriteBuffer(buffer_.data(), static_cast<int64_t>(count));
}

void TValueWriter::Write(const void* buffer, int64_t count) {
  const uint8_t* bytes = static_cast<const uint8_t*>(buffer);
  while (count > 0) {
    const size_t room = buffer_.size() - used_;
    const size_t part = static_cast<size_t>(std::min<int64_t>(count, static_cast<int64_t>(room)));
    std::memcpy(buffer_.data() + used_, bytes, part);
    used_ += part;
    bytes += part;
    count -= static_cast<int64_t>(part);
    if (used_ == buffer_.size()) FlushBuffer();
  }
}

void TValueWriter::WriteValue(TValueType tag) {
  const uint8_t byte = tag;
  Write(&byte, 1);
}

void TValueWriter::WriteInteger(int32_t value) {
  uint8_t bytes[5];
  int size;
  if (value >= -128 && value <= 127) {
    bytes[0] = vaInt8;
    size = 1;
  } else if (value >= -32768 && value <= 32767) {
    bytes[0] = vaInt16;
    size = 2;
  } else {
    bytes[0] = vaInt32;
    size = 4;
  }
  PutLE(bytes + 1, static_cast<uint32_t>(value), size);
  Write(bytes, 1 + size);
}

void TValueWriter::WriteFloat(double value) {
  WriteValue(vaExtended);
  const auto bytes = DoubleToExtended(value);
  Write(bytes.data(), static_cast<int64_t>(bytes.size()));
}

void TValueWriter::WriteString(std::string_view text) {
  if (IsAscii(text)) {
    if (text.size() <= 255) {
      const uint8_t head[2] = {vaString, static_cast<uint8_t>(text.size())};
      Write(head, 2);
    } else {
      uint8_t head[5] = {vaLString};
      PutLE(head + 1, static_cast<uint32_t>(text.size()), 4);
      Write(head, 5);
    }
    Write(text.data(), static_cast<int64_t>(text.size()));
    return;
  }
  const std::string utf8 = platform::IsValidUtf8(text) ? std::string(text) : platform::Cp1252ToUtf8(text);
  uint8_t head[5] = {vaUTF8String};
  PutLE(head + 1, static_cast<uint32_t>(utf8.size()), 4);
  Write(head, 5);
  Write(utf8.data(), static_cast<int64_t>(utf8.size()));
}

void TValueWriter::WriteBoolean(bool value) { WriteValue(value ? vaTrue : vaFalse); }

// ---------------------------------------------------------------- reader

TValueReader::TValueReader(platform::TStream& stream, int bufferSize)
    : stream_(stream), buffer_(static_cast<size_t>(std::max(bufferSize, 16))) {
  bufferStart_ = stream_.Position();
  streamSize_ = stream_.Size();
}

TValueReader::~TValueReader() {
  try {
    stream_.SetPosition(Position());
  } catch (...) {
  }
}

int64_t TValueReader::Position() const { return bufferStart_ + static_cast<int64_t>(pos_); }

void TValueReader::SetPosition(int64_t position) {
  if (position >= bufferStart_ && position <= bufferStart_ + static_cast<int64_t>(end_)) {
    pos_ = static_cast<size_t>(position - bufferStart_);
    return;
  }
  bufferStart_ = position;
  pos_ = end_ = 0;
}

int64_t TValueReader::BytesLeft() const { return std::max<int64_t>(0, streamSize_ - Position()); }

bool TValueReader::Fill() {
  bufferStart_ += static_cast<int64_t>(end_);
  pos_ = end_ = 0;
  stream_.SetPosition(bufferStart_);
  const int64_t got = stream_.Read(buffer_.data(), static_cast<int64_t>(buffer_.size()));
  end_ = got > 0 ? static_cast<size_t>(got) : 0;
  return end_ > 0;
}

void TValueReader::CheckAvailable(int64_t count) const {
  if (count < 0 || count > BytesLeft()) throw platform::EReadError("Stream read error");
}

void TValueReader::Read(void* buffer, int64_t count) {
  CheckAvailable(count);
  uint8_t* out = static_cast<uint8_t*>(buffer);
  while (count > 0) {
    if (pos_ == end_ && !Fill()) throw platform::EReadError("Stream read error");
    const size_t part = std::min(static_cast<size_t>(count), end_ - pos_);
    std::memcpy(out, buffer_.data() + pos_, part);
    pos_ += part;
    out += part;
    count -= static_cast<int64_t>(part);
  }
}

uint8_t TValueReader::ReadByte() {
  if (pos_ == end_ && !Fill()) throw platform::EReadError("Stream read error");
  return buffer_[pos_++];
}

void TValueReader::PropValueError() { throw platform::EReadError("Invalid property value"); }

TValueType TValueReader::ReadValue() { return static_cast<TValueType>(ReadByte()); }

TValueType TValueReader::NextValue() {
  const TValueType tag = ReadValue();
  --pos_;
  return tag;
}

void TValueReader::ReadListBegin() {
  if (ReadValue() != vaList) PropValueError();
}

void TValueReader::ReadListEnd() {
  if (ReadValue() != vaNull) PropValueError();
}

int32_t TValueReader::ReadInteger() {
  uint8_t bytes[4];
  switch (ReadValue()) {
    case vaInt8:
      Read(bytes, 1);
      return static_cast<int8_t>(bytes[0]);
    case vaInt16:
      Read(bytes, 2);
      return static_cast<int16_t>(GetLE(bytes, 2));
    case vaInt32:
      Read(bytes, 4);
      return static_cast<int32_t>(GetLE(bytes, 4));
    default:
      PropValueError();
  }
}

double TValueReader::ReadFloat() {
  switch (NextValue()) {
    case vaExtended: {
      ReadValue();
      std::array<uint8_t, 10> bytes;
      Read(bytes.data(), 10);
      return ExtendedToDouble(bytes);
    }
    case vaDouble: {
      ReadValue();
      uint8_t bytes[8];
      Read(bytes, 8);
      return std::bit_cast<double>(GetLE(bytes, 8));
    }
    case vaInt64: {
      ReadValue();
      uint8_t bytes[8];
      Read(bytes, 8);
      return static_cast<double>(static_cast<int64_t>(GetLE(bytes, 8)));
    }
    default:
      return ReadInteger();
  }
}

std::string TValueReader::ReadString() {
  const TValueType tag = ReadValue();
  int64_t length = 0;
  uint8_t bytes[4];
  switch (tag) {
    case vaString:
      Read(bytes, 1);
      length = bytes[0];
      break;
    case vaLString:
    case vaUTF8String:
      Read(bytes, 4);
      length = static_cast<int32_t>(GetLE(bytes, 4));
      break;
    case vaWString:
      Read(bytes, 4);
      length = 2 * static_cast<int64_t>(static_cast<int32_t>(GetLE(bytes, 4)));
      break;
    default:
      PropValueError();
  }
  // A damaged length must fail here, before it becomes an allocation.
  CheckAvailable(length);
  std::vector<uint8_t> raw(static_cast<size_t>(length));
  Read(raw.data(), length);
  const std::string_view view(reinterpret_cast<const char*>(raw.data()), raw.size());
  switch (tag) {
    case vaWString: {
      std::u16string units(raw.size() / 2, u'\0');
      for (size_t k = 0; k < units.size(); ++k) units[k] = static_cast<char16_t>(raw[2 * k] | (raw[2 * k + 1] << 8));
      return platform::Utf16ToUtf8(units);
    }
    case vaUTF8String:
      // Files are written by other programs too: bytes that are not UTF-8 are Windows-1252.
      return platform::IsValidUtf8(view) ? std::string(view) : platform::Cp1252ToUtf8(view);
    default:
      return platform::Cp1252ToUtf8(view);
  }
}

bool TValueReader::ReadBoolean() { return ReadValue() == vaTrue; }

}  // namespace core
