#pragma once
// The class library's streams: a position, reads and writes of raw bytes,
// ReadBuffer/WriteBuffer raising EReadError "Stream read error" /
// EWriteError "Stream write error" when not all bytes pass.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace platform {

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream {
 public:
  virtual ~TStream() = default;
  virtual int64_t Read(void* buffer, int64_t count) = 0;
  virtual int64_t Write(const void* buffer, int64_t count) = 0;
  virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;
  int64_t Position() { return Seek(0, TSeekOrigin::soCurrent); }
  void SetPosition(int64_t position) { Seek(position, TSeekOrigin::soBeginning); }
  virtual int64_t Size();
  void ReadBuffer(void* buffer, int64_t count);
  void WriteBuffer(const void* buffer, int64_t count);
  int64_t CopyFrom(TStream& source, int64_t count);   // count 0: the whole source
};

class TMemoryStream : public TStream {
 public:
  TMemoryStream() = default;
  explicit TMemoryStream(std::vector<uint8_t> bytes) : data_(std::move(bytes)) {}
  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t Size() override { return static_cast<int64_t>(data_.size()); }
  void SetSize(int64_t size);
  void Clear();
  const std::vector<uint8_t>& Bytes() const { return data_; }
  std::vector<uint8_t>& Bytes() { return data_; }
  void LoadFromFile(const std::string& path);
  void SaveToFile(const std::string& path) const;

 private:
  std::vector<uint8_t> data_;
  int64_t position_ = 0;
};

enum class TFileMode { fmOpenRead, fmOpenWrite, fmOpenReadWrite, fmCreate };

// Opening fails with EFOpenError "Cannot open file \"%s\". %s" (reading) or
// EFCreateError "Cannot create file \"%s\". %s" (fmCreate).
class TFileStream : public TStream {
 public:
  TFileStream(const std::string& path, TFileMode mode);
  ~TFileStream() override;
  TFileStream(const TFileStream&) = delete;
  TFileStream& operator=(const TFileStream&) = delete;
  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  const std::string& FileName() const { return path_; }

 private:
  std::string path_;
  std::FILE* file_ = nullptr;
};

}  // namespace platform
