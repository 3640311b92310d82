#pragma once
// The tagged value encoding of catalog files: one tag byte per value, then
// its payload, little-endian; raw blocks go without a tag. Texts are UTF-8 in
// memory; in the file, tags 6 and 12 hold Windows-1252 bytes, 20 UTF-8 and 18
// UTF-16.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/streams.h"

namespace core {

enum TValueType : uint8_t {
  vaNull = 0,      // end of list
  vaList = 1,      // start of list
  vaInt8 = 2,
  vaInt16 = 3,
  vaInt32 = 4,
  vaExtended = 5,  // 10-byte extended float
  vaString = 6,    // 1-byte length
  vaFalse = 8,
  vaTrue = 9,
  vaLString = 12,  // 4-byte length
  vaWString = 18,  // 4-byte count of UTF-16 units
  vaInt64 = 19,
  vaUTF8String = 20,
  vaDouble = 21,
};

// The 10-byte extended form (64-bit significand with explicit integer bit,
// 15-bit biased exponent, sign) of a double; exact for every double,
// including signed zeros, subnormals, infinities and NaN payloads.
std::array<uint8_t, 10> DoubleToExtended(double value);
// The nearest double (ties to even) of a 10-byte extended value; values
// beyond the double's range become infinity or zero.
double ExtendedToDouble(const std::array<uint8_t, 10>& bytes);

// Writes values through a buffer that is flushed to the stream when full and
// when the writer is freed.
class TValueWriter {
 public:
  explicit TValueWriter(platform::TStream& stream, int bufferSize = 1024);
  // Flushes; a flush failure propagates unless the writer is freed during
  // the unwinding of another error.
  ~TValueWriter() noexcept(false);
  TValueWriter(const TValueWriter&) = delete;
  TValueWriter& operator=(const TValueWriter&) = delete;

  void Write(const void* buffer, int64_t count);   // raw block, no tag
  void FlushBuffer();

  void WriteValue(TValueType tag);
  void WriteListBegin() { WriteValue(vaList); }
  void WriteListEnd() { WriteValue(vaNull); }
  // Tag 2, 3 or 4, the smallest that holds the value.
  void WriteInteger(int32_t value);
  void WriteFloat(double value);
  // ASCII text: tag 6 (at most 255 bytes) or 12; any other text: tag 20 with
  // its UTF-8 bytes. Bytes that are not valid UTF-8 are taken as Windows-1252.
  void WriteString(std::string_view text);
  void WriteBoolean(bool value);

 private:
  platform::TStream& stream_;
  std::vector<uint8_t> buffer_;
  size_t used_ = 0;
  int uncaughtAtStart_ = 0;
};

// Reads values through a buffer. Every read past the end of the stream
// raises EReadError "Stream read error"; an unexpected tag raises EReadError
// "Invalid property value". A length that runs past the end of the stream is
// a read error before anything is allocated for it.
class TValueReader {
 public:
  explicit TValueReader(platform::TStream& stream, int bufferSize = 1024);
  // Leaves the stream at the reader's position.
  ~TValueReader();
  TValueReader(const TValueReader&) = delete;
  TValueReader& operator=(const TValueReader&) = delete;

  int64_t Position() const;                  // of the next unread byte
  void SetPosition(int64_t position);
  int64_t BytesLeft() const;
  void Read(void* buffer, int64_t count);    // raw block

  TValueType ReadValue();                    // the next tag, consumed
  TValueType NextValue();                    // the next tag, not consumed
  bool EndOfList() { return NextValue() == vaNull; }
  void ReadListBegin();
  void ReadListEnd();
  int32_t ReadInteger();                     // tags 2, 3, 4
  double ReadFloat();                        // tags 5, 21, 19, 2, 3, 4
  std::string ReadString();                  // tags 6, 12, 20, 18, as UTF-8
  bool ReadBoolean();                        // one tag: 9 true, any other false

 private:
  bool Fill();
  [[noreturn]] static void PropValueError();
  uint8_t ReadByte();
  void CheckAvailable(int64_t count) const;

  platform::TStream& stream_;
  std::vector<uint8_t> buffer_;
  size_t pos_ = 0;        // next unread byte in buffer_
  size_t end_ = 0;        // bytes held in buffer_
  int64_t bufferStart_ = 0;   // stream position of buffer_[0]
  int64_t streamSize_ = 0;
};

}  // namespace core
