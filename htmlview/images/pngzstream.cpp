#include "htmlview/images/pngzstream.h"

#include <zlib.h>

#include <algorithm>
#include <vector>

namespace htmlview {

namespace {

constexpr int kBufferSize = 65536;
constexpr int kSkipChunk = 4096;
// The codec was written against this zlib interface; zlib accepts any 1.x.
constexpr const char* kZlibVersion = "1.1.3";
constexpr const char* kInvalidOperation = "Invalid ZStream operation!";

std::string ZlibMessage(const z_stream& z, int code) {
  if (z.msg != nullptr) return z.msg;
  const char* text = zError(code);
  return text != nullptr ? text : "zlib error";
}

}  // namespace

// ---- decompression ----

struct TZDecompressionStream::State {
  z_stream z{};
  std::vector<uint8_t> input = std::vector<uint8_t>(kBufferSize);
  bool ended = false;      // zlib reported the end of its stream
  bool sourceDry = false;  // the source had nothing more to give
  int64_t produced = 0;
};

TZDecompressionStream::TZDecompressionStream(platform::TStream& source)
    : source_(source), sourceStart_(source.Position()), state_(std::make_unique<State>()) {
  const int code = inflateInit_(&state_->z, kZlibVersion, static_cast<int>(sizeof(z_stream)));
  if (code != Z_OK) throw EZDecompressionError(ZlibMessage(state_->z, code));
}

TZDecompressionStream::~TZDecompressionStream() { inflateEnd(&state_->z); }

int64_t TZDecompressionStream::Read(void* buffer, int64_t count) {
  if (count <= 0) return 0;
  State& s = *state_;
  auto* out = static_cast<uint8_t*>(buffer);
  int64_t done = 0;
  while (done < count && !s.ended) {
    if (s.z.avail_in == 0) {
      if (s.sourceDry) break;
      const int64_t got = source_.Read(s.input.data(), kBufferSize);
      if (got <= 0) {
        s.sourceDry = true;
        break;
      }
      s.z.next_in = s.input.data();
      s.z.avail_in = static_cast<uInt>(got);
      if (OnProgress) OnProgress();
    }
    const int64_t want = std::min<int64_t>(count - done, 1 << 30);
    s.z.next_out = out + done;
    s.z.avail_out = static_cast<uInt>(want);
    const int code = inflate(&s.z, Z_NO_FLUSH);
    const int64_t made = want - static_cast<int64_t>(s.z.avail_out);
    done += made;
    if (code == Z_STREAM_END) {
      s.ended = true;
    } else if (code == Z_BUF_ERROR) {
      // No progress possible: only more input can help.
      if (s.z.avail_in != 0 && made == 0) break;
    } else if (code != Z_OK) {
      throw EZDecompressionError(ZlibMessage(s.z, code));
    }
  }
  s.produced += done;
  return done;
}

int64_t TZDecompressionStream::Write(const void*, int64_t) {
  throw EZDecompressionError(kInvalidOperation);
}

void TZDecompressionStream::Restart() {
  State& s = *state_;
  const int code = inflateReset(&s.z);
  if (code != Z_OK) throw EZDecompressionError(ZlibMessage(s.z, code));
  source_.SetPosition(sourceStart_);
  s.z.avail_in = 0;
  s.ended = s.sourceDry = false;
  s.produced = 0;
}

void TZDecompressionStream::Skip(int64_t count) {
  std::vector<uint8_t> sink(kSkipChunk);
  while (count > 0) {
    const int64_t n = std::min<int64_t>(count, kSkipChunk);
    if (Read(sink.data(), n) != n) break;  // past the end: stays at the end
    count -= n;
  }
}

int64_t TZDecompressionStream::Seek(int64_t offset, platform::TSeekOrigin origin) {
  using platform::TSeekOrigin;
  if (origin == TSeekOrigin::soBeginning && offset == 0) {
    Restart();
  } else if (origin == TSeekOrigin::soCurrent && offset >= 0) {
    Skip(offset);
  } else if (origin == TSeekOrigin::soBeginning && offset >= state_->produced) {
    Skip(offset - state_->produced);
  } else {
    throw EZDecompressionError(kInvalidOperation);
  }
  return state_->produced;
}

// ---- compression ----

struct TZCompressionStream::State {
  z_stream z{};
  std::vector<uint8_t> output = std::vector<uint8_t>(kBufferSize);
  int64_t consumed = 0;
};

TZCompressionStream::TZCompressionStream(TCompressionLevel level, platform::TStream& destination)
    : destination_(destination), state_(std::make_unique<State>()) {
  static constexpr int kLevels[] = {Z_NO_COMPRESSION, Z_BEST_SPEED, Z_DEFAULT_COMPRESSION,
                                    Z_BEST_COMPRESSION};
  const int code = deflateInit_(&state_->z, kLevels[static_cast<int>(level) & 3], kZlibVersion,
                                static_cast<int>(sizeof(z_stream)));
  if (code != Z_OK) throw EZCompressionError(ZlibMessage(state_->z, code));
  state_->z.next_out = state_->output.data();
  state_->z.avail_out = kBufferSize;
}

TZCompressionStream::~TZCompressionStream() {
  try {
    Finish();
  } catch (...) {
    // A destructor cannot report; Finish() called beforehand does.
  }
  deflateEnd(&state_->z);
}

void TZCompressionStream::FlushOutput() {
  State& s = *state_;
  const int64_t n = kBufferSize - static_cast<int64_t>(s.z.avail_out);
  if (n > 0) destination_.WriteBuffer(s.output.data(), n);
  s.z.next_out = s.output.data();
  s.z.avail_out = kBufferSize;
  if (OnProgress) OnProgress();
}

int64_t TZCompressionStream::Read(void*, int64_t) { throw EZCompressionError(kInvalidOperation); }

int64_t TZCompressionStream::Write(const void* buffer, int64_t count) {
  if (finished_) throw EZCompressionError(kInvalidOperation);
  if (count <= 0) return 0;
  State& s = *state_;
  const auto* in = static_cast<const uint8_t*>(buffer);
  int64_t left = count;
  while (left > 0) {
    const int64_t piece = std::min<int64_t>(left, 1 << 30);
    s.z.next_in = const_cast<Bytef*>(in + (count - left));
    s.z.avail_in = static_cast<uInt>(piece);
    while (s.z.avail_in > 0) {
      const int code = deflate(&s.z, Z_NO_FLUSH);
      if (code != Z_OK && code != Z_BUF_ERROR) throw EZCompressionError(ZlibMessage(s.z, code));
      if (s.z.avail_out == 0) FlushOutput();
    }
    left -= piece;
  }
  s.consumed += count;
  return count;
}

int64_t TZCompressionStream::Seek(int64_t offset, platform::TSeekOrigin origin) {
  if (offset == 0 && origin == platform::TSeekOrigin::soCurrent) return state_->consumed;
  throw EZCompressionError(kInvalidOperation);
}

void TZCompressionStream::Finish() {
  if (finished_) return;
  finished_ = true;
  State& s = *state_;
  s.z.next_in = nullptr;
  s.z.avail_in = 0;
  for (;;) {
    const int code = deflate(&s.z, Z_FINISH);
    if (code != Z_OK && code != Z_STREAM_END && code != Z_BUF_ERROR)
      throw EZCompressionError(ZlibMessage(s.z, code));
    if (code == Z_STREAM_END) break;
    if (s.z.avail_out == 0) FlushOutput();
    else if (code == Z_BUF_ERROR) break;  // nothing left to do
  }
  if (s.z.avail_out != kBufferSize) FlushOutput();
}

}  // namespace htmlview
