#pragma once
// zlib over the class library's streams: a reading stream that inflates what
// it reads from a source and a writing stream that deflates what is written
// into a destination. Used by the PNG codec for its image data.
#include <cstdint>
#include <functional>
#include <memory>

#include "platform/streams.h"
#include "platform/sysutils.h"

namespace htmlview {

// zlib failures carry zlib's own message text; a forbidden operation on one
// of the streams raises "Invalid ZStream operation!".
class EZLibError : public platform::Exception { using Exception::Exception; };
class EZCompressionError : public EZLibError { using EZLibError::EZLibError; };
class EZDecompressionError : public EZLibError { using EZLibError::EZLibError; };

// Level index 0..3: no compression, fastest, zlib's default, best.
enum class TCompressionLevel { clNone, clFastest, clDefault, clMax };

// Read-only. Seeking: 0 from the beginning restarts; forward from the
// current position or the beginning reads and drops; anything else raises.
class TZDecompressionStream : public platform::TStream {
 public:
  explicit TZDecompressionStream(platform::TStream& source);
  ~TZDecompressionStream() override;
  TZDecompressionStream(const TZDecompressionStream&) = delete;
  TZDecompressionStream& operator=(const TZDecompressionStream&) = delete;

  // Fewer bytes than asked only at the end of the zlib stream or the source.
  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, platform::TSeekOrigin origin) override;

  // Called after every input buffer taken from the source.
  std::function<void()> OnProgress;

 private:
  struct State;
  void Restart();
  void Skip(int64_t count);

  platform::TStream& source_;
  int64_t sourceStart_;
  std::unique_ptr<State> state_;
};

// Write-only. Finish() ends the zlib stream and writes what is left; the
// destructor finishes a stream not yet finished (and cannot report errors,
// so callers that care call Finish themselves).
class TZCompressionStream : public platform::TStream {
 public:
  TZCompressionStream(TCompressionLevel level, platform::TStream& destination);
  ~TZCompressionStream() override;
  TZCompressionStream(const TZCompressionStream&) = delete;
  TZCompressionStream& operator=(const TZCompressionStream&) = delete;

  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  // Only Seek(0, soCurrent): the number of bytes written so far.
  int64_t Seek(int64_t offset, platform::TSeekOrigin origin) override;
  void Finish();

  // Called after every output buffer handed to the destination.
  std::function<void()> OnProgress;

 private:
  struct State;
  void FlushOutput();

  platform::TStream& destination_;
  std::unique_ptr<State> state_;
  bool finished_ = false;
};

}  // namespace htmlview
