#include "platform/streams.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/profile.h"
#include "platform/sysutils.h"
#include "platform/textfile.h"

namespace platform {

int64_t TStream::Size() {
  int64_t pos = Seek(0, TSeekOrigin::soCurrent);
  int64_t size = Seek(0, TSeekOrigin::soEnd);
  Seek(pos, TSeekOrigin::soBeginning);
  return size;
}

void TStream::ReadBuffer(void* buffer, int64_t count) {
  if (count != 0 && Read(buffer, count) != count) throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, int64_t count) {
  if (count != 0 && Write(buffer, count) != count) throw EWriteError("Stream write error");
}

int64_t TStream::CopyFrom(TStream& source, int64_t count) {
  if (count == 0) {
    source.SetPosition(0);
    count = source.Size();
  }
  int64_t result = count;
  std::vector<uint8_t> buffer(static_cast<size_t>(std::min<int64_t>(count, 0xF000)) + 1);
  while (count > 0) {
    int64_t n = std::min<int64_t>(count, static_cast<int64_t>(buffer.size()));
    source.ReadBuffer(buffer.data(), n);
    WriteBuffer(buffer.data(), n);
    count -= n;
  }
  return result;
}

// ---- memory ----

int64_t TMemoryStream::Read(void* buffer, int64_t count) {
  if (count <= 0 || position_ >= Size()) return 0;
  int64_t n = std::min(count, Size() - position_);
  std::memcpy(buffer, data_.data() + position_, static_cast<size_t>(n));
  position_ += n;
  return n;
}

int64_t TMemoryStream::Write(const void* buffer, int64_t count) {
  if (count <= 0 || position_ < 0) return 0;
  if (position_ + count > Size()) data_.resize(static_cast<size_t>(position_ + count));
  std::memcpy(data_.data() + position_, buffer, static_cast<size_t>(count));
  position_ += count;
  return count;
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
  switch (origin) {
    case TSeekOrigin::soBeginning: position_ = offset; break;
    case TSeekOrigin::soCurrent: position_ += offset; break;
    case TSeekOrigin::soEnd: position_ = Size() + offset; break;
  }
  if (position_ < 0) position_ = 0;
  return position_;
}

void TMemoryStream::SetSize(int64_t size) {
  data_.resize(static_cast<size_t>(std::max<int64_t>(size, 0)));
  if (position_ > size) position_ = size;
}

void TMemoryStream::Clear() {
  data_.clear();
  position_ = 0;
}

void TMemoryStream::LoadFromFile(const std::string& path) {
  std::string bytes = ReadFileBytes(path);
  data_.assign(bytes.begin(), bytes.end());
  position_ = 0;
}

void TMemoryStream::SaveToFile(const std::string& path) const {
  WriteFileBytes(path, std::string_view(reinterpret_cast<const char*>(data_.data()), data_.size()));
}

// ---- file ----

TFileStream::TFileStream(const std::string& path, TFileMode mode) : path_(path) {
  const char* how = "rb";
  switch (mode) {
    case TFileMode::fmOpenRead: how = "rb"; break;
    case TFileMode::fmOpenWrite: how = "r+b"; break;
    case TFileMode::fmOpenReadWrite: how = "r+b"; break;
    case TFileMode::fmCreate: how = "w+b"; break;
  }
  std::string opened = mode == TFileMode::fmCreate ? path : ResolveFilePath(path);
  if (DirectoryExists(opened)) {
    errno = EISDIR;
  } else {
    file_ = std::fopen(opened.c_str(), how);
    if (file_ && mode == TFileMode::fmCreate) FilesChangedHere();   // cut to nothing
  }
  if (file_ == nullptr) {
    std::string why = std::strerror(errno);
    if (mode == TFileMode::fmCreate) throw EFCreateError("Cannot create file \"" + path + "\". " + why);
    throw EFOpenError("Cannot open file \"" + path + "\". " + why);
  }
}

TFileStream::~TFileStream() {
  if (file_) std::fclose(file_);
}

int64_t TFileStream::Read(void* buffer, int64_t count) {
  if (count <= 0) return 0;
  return static_cast<int64_t>(std::fread(buffer, 1, static_cast<size_t>(count), file_));
}

int64_t TFileStream::Write(const void* buffer, int64_t count) {
  if (count <= 0) return 0;
  size_t n = std::fwrite(buffer, 1, static_cast<size_t>(count), file_);
  // Write errors (a full disk) must surface now, not be lost at close.
  const bool flushed = std::fflush(file_) == 0;
  FilesChangedHere();
  if (!flushed) return 0;
  return static_cast<int64_t>(n);
}

int64_t TFileStream::Seek(int64_t offset, TSeekOrigin origin) {
  int whence = origin == TSeekOrigin::soBeginning ? SEEK_SET : origin == TSeekOrigin::soCurrent ? SEEK_CUR : SEEK_END;
  if (fseeko(file_, static_cast<off_t>(offset), whence) != 0) return -1;
  return static_cast<int64_t>(ftello(file_));
}

}  // namespace platform
