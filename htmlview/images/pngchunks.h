#pragma once
// The chunks of a PNG file as the codec keeps them in memory: a list of
// chunks owned by the picture, one class per chunk type the codec knows and
// a plain chunk for every other type, the process-wide registry of the known
// types, the chunk CRC and the codec's error class.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/image.h"
#include "platform/streams.h"
#include "platform/sysutils.h"

namespace htmlview {

class TPngPicture;
class TChunkList;

// Every format error of the codec. what() is the whole text shown to users:
// "Portable Network Graphics format handler error" CR LF CR LF and the detail.
class EPngPictureException : public platform::Exception {
 public:
  explicit EPngPictureException(const std::string& detail);
  const std::string& Detail() const { return detail_; }

 private:
  std::string detail_;
};

// The codec's messages, spelt as users have always seen them.
namespace pngerr {
inline constexpr const char* kInvalidHeader =
    "Invalid Portable Graphics Network image, it has an invalid file header.";
inline constexpr const char* kUnknownCritical =
    "The currently being loaded image contains critical(s) chunk(s) not reconized by the decoder.";
inline constexpr const char* kCorrupted = "Can't read the PNG image, it has corrupted data. ";
inline constexpr const char* kNoIhdr =
    "This PNG image is invalid, the IHDR chunk is either not present or it isn't the first chunk.";
inline constexpr const char* kNoData =
    "The current image being loaded has no data and could not be loaded.";
inline constexpr const char* kNoPalette =
    "The current image requeries a palette but it is not avaliable.";
inline constexpr const char* kBadPalette = "The current image being loaded has an invalid palette!";
inline constexpr const char* kUnknownColourType =
    "Could not read the image because it has an unknown color type.";
inline constexpr const char* kUnknownInterlace = "The image has an unknown interlace method.";
inline constexpr const char* kUnknownFilter =
    "The image could not be loaded because it uses an unknown set of filter types.";
inline constexpr const char* kChunkIndex = "The chunk index especified is out of the range.";
inline constexpr const char* kNotInList =
    "The especified chunk is not inside the chunk list containing the method being used. The "
    "funcion could not be completed.";
inline constexpr const char* kClassIndex = "The chunk class index especified is  out of range.";
// Checks the original decoder lacked: a bit depth PNG does not define for the
// colour type, and a width or height of 0 or beyond what a bitmap can hold.
inline constexpr const char* kUnknownBitDepth =
    "The image could not be loaded because it has an unknown bit depth.";
inline constexpr const char* kBadSize = "The image could not be loaded because its size is invalid.";
}  // namespace pngerr

// CRC-32 of PNG over the four type bytes followed by the data.
uint32_t PngCrc(std::string_view type, const uint8_t* data, size_t length);

// One chunk: its type and data bytes. Decode() runs once per chunk after the
// whole file has been read; SaveToStream rebuilds the data from the picture
// where the type calls for it and writes the chunk.
class TChunk {
 public:
  explicit TChunk(TChunkList* owner, std::string type = {});
  virtual ~TChunk() = default;
  TChunk(const TChunk&) = delete;
  TChunk& operator=(const TChunk&) = delete;

  virtual void Decode() {}
  virtual void Assign(const TChunk& source);
  virtual void SaveToStream(platform::TStream& stream);

  TChunkList* Owner() const { return owner_; }
  TPngPicture* Picture() const;
  const std::string& ChunkType() const { return type_; }
  void SetChunkType(std::string type) { type_ = std::move(type); }
  platform::TMemoryStream& Data() { return data_; }
  const std::vector<uint8_t>& Bytes() const { return data_.Bytes(); }
  int64_t Size() const { return static_cast<int64_t>(data_.Bytes().size()); }

 protected:
  // Length, type, data and CRC, or nothing when the fourth letter of the type
  // is not upper case (the chunk stays in memory only).
  void WriteChunk(platform::TStream& stream) const;
  void SetBytes(std::vector<uint8_t> bytes);

 private:
  friend class TChunkList;
  TChunkList* owner_;
  std::string type_;
  platform::TMemoryStream data_;
};

class TChunkIHDR : public TChunk {
 public:
  explicit TChunkIHDR(TChunkList* owner);
  void SaveToStream(platform::TStream& stream) override;

  // Fields read from the data; 0 where the data are too short.
  int64_t Width() const { return ReadU32(0); }
  int64_t Height() const { return ReadU32(4); }
  int BitDepth() const { return ReadU8(8); }
  int ColorType() const { return ReadU8(9); }
  int Compression() const { return ReadU8(10); }
  int Filter() const { return ReadU8(11); }
  int Interlace() const { return ReadU8(12); }
  // Width and height also resize the picture's bitmap when they differ.
  void SetWidth(int64_t value);
  void SetHeight(int64_t value);
  void SetBitDepth(int value) { WriteU8(8, value); }
  void SetColorType(int value) { WriteU8(9, value); }
  void SetCompression(int value) { WriteU8(10, value); }
  void SetFilter(int value) { WriteU8(11, value); }
  void SetInterlace(int value) { WriteU8(12, value); }

 private:
  void FitBitmap();
  int64_t ReadU32(size_t at) const;
  int ReadU8(size_t at) const;
  void WriteU32(size_t at, uint32_t value);
  void WriteU8(size_t at, int value);
};

class TChunkPLTE : public TChunk {
 public:
  explicit TChunkPLTE(TChunkList* owner) : TChunk(owner, "PLTE") {}
  void SaveToStream(platform::TStream& stream) override;
  // The palette made from the entries (first 256), each through the gamma
  // table when one is given.
  const platform::Palette& MakePalette(const uint8_t* gamma);
  const platform::Palette& Palette() const { return palette_; }

 private:
  platform::Palette palette_;
};

class TChunkIDAT : public TChunk {
 public:
  explicit TChunkIDAT(TChunkList* owner) : TChunk(owner, "IDAT") {}
  // Decodes the whole image into the picture.
  void Decode() override;
  // Encodes the picture's bitmap.
  void SaveToStream(platform::TStream& stream) override;
};

class TChunkIEND : public TChunk {
 public:
  explicit TChunkIEND(TChunkList* owner) : TChunk(owner, "IEND") {}
};

class TChunkGAMA : public TChunk {
 public:
  explicit TChunkGAMA(TChunkList* owner);
  void Decode() override;
  // Gamma x 100,000.
  uint32_t Gamma() const;
  void SetGamma(uint32_t value);
  // A gAMA of 0 or with fewer than four bytes corrects nothing.
  bool Usable() const;
  const std::array<uint8_t, 256>& Forward();
  const std::array<uint8_t, 256>& Inverse();

 private:
  void BuildTables();
  int64_t builtFor_ = -1;  // the gamma the tables were made for
  std::array<uint8_t, 256> forward_{}, inverse_{};
};

class TChunkTEXT : public TChunk {
 public:
  explicit TChunkTEXT(TChunkList* owner);
};

class TChunkTRNS : public TChunk {
 public:
  explicit TChunkTRNS(TChunkList* owner) : TChunk(owner, "tRNS") {}
  void SaveToStream(platform::TStream& stream) override;
};

// The chunks of one picture, in file order; the list owns them.
class TChunkList {
 public:
  explicit TChunkList(TPngPicture* owner) : owner_(owner) {}
  TChunkList(const TChunkList&) = delete;
  TChunkList& operator=(const TChunkList&) = delete;

  TPngPicture* Owner() const { return owner_; }
  int Count() const { return static_cast<int>(items_.size()); }
  TChunk* Item(int index) const;  // raises pngerr::kChunkIndex
  int IndexOf(const TChunk* chunk) const;
  // The first chunk of a type, or null.
  TChunk* Find(std::string_view type) const;

  // Appends / inserts a chunk of this list (made with this list as owner).
  TChunk* Add(std::unique_ptr<TChunk> chunk);
  TChunk* Insert(int index, std::unique_ptr<TChunk> chunk);
  // A new chunk of a type: its registered class, or a plain chunk.
  std::unique_ptr<TChunk> Create(std::string_view type);
  void Remove(TChunk* chunk);  // raises pngerr::kNotInList
  void Delete(int index);
  void Clear() { items_.clear(); }
  // IHDR, IDAT, IEND as a new picture has them.
  void Reset();

 private:
  TChunk* Adopt(int index, std::unique_ptr<TChunk> chunk);
  TPngPicture* owner_;
  std::vector<std::unique_ptr<TChunk>> items_;
};

// The chunk types the codec knows, in registration order. Filled by the
// module's start-up (InitPngModule) and emptied by its clean-up.
class TChunkClasses {
 public:
  using Factory = std::unique_ptr<TChunk> (*)(TChunkList* owner);
  struct Entry {
    std::string type;
    Factory create;
  };
  static TChunkClasses& Instance();

  void Add(std::string type, Factory create);
  int Count() const { return static_cast<int>(entries_.size()); }
  const Entry& Item(int index) const;  // raises pngerr::kClassIndex
  const Entry* Find(std::string_view type) const;
  void Clear() { entries_.clear(); }

 private:
  std::vector<Entry> entries_;
};

}  // namespace htmlview
