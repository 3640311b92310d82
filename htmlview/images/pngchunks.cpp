#include "htmlview/images/pngchunks.h"

#include <algorithm>
#include <cmath>

#include "htmlview/images/pngcodec.h"

namespace htmlview {

namespace {

const std::array<uint32_t, 256>& CrcTable() {
  static const std::array<uint32_t, 256> table = [] {
    std::array<uint32_t, 256> t{};
    for (uint32_t n = 0; n < 256; ++n) {
      uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[n] = c;
    }
    return t;
  }();
  return table;
}

uint32_t UpdateCrc(uint32_t crc, const uint8_t* data, size_t length) {
  const auto& table = CrcTable();
  for (size_t i = 0; i < length; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
  return crc;
}

void PutU32(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
  if (bytes.size() < at + 4) bytes.resize(at + 4);
  bytes[at] = static_cast<uint8_t>(value >> 24);
  bytes[at + 1] = static_cast<uint8_t>(value >> 16);
  bytes[at + 2] = static_cast<uint8_t>(value >> 8);
  bytes[at + 3] = static_cast<uint8_t>(value);
}

void WriteU32(platform::TStream& stream, uint32_t value) {
  std::vector<uint8_t> bytes;
  PutU32(bytes, 0, value);
  stream.WriteBuffer(bytes.data(), 4);
}

}  // namespace

EPngPictureException::EPngPictureException(const std::string& detail)
    : platform::Exception("Portable Network Graphics format handler error\r\n\r\n" + detail),
      detail_(detail) {}

uint32_t PngCrc(std::string_view type, const uint8_t* data, size_t length) {
  uint32_t crc = 0xFFFFFFFFu;
  crc = UpdateCrc(crc, reinterpret_cast<const uint8_t*>(type.data()), type.size());
  crc = UpdateCrc(crc, data, length);
  return crc ^ 0xFFFFFFFFu;
}

// ---- TChunk ----

TChunk::TChunk(TChunkList* owner, std::string type) : owner_(owner), type_(std::move(type)) {}

TPngPicture* TChunk::Picture() const { return owner_ != nullptr ? owner_->Owner() : nullptr; }

void TChunk::Assign(const TChunk& source) {
  if (&source == this) return;
  type_ = source.type_;
  data_.Clear();
  data_.Bytes() = source.data_.Bytes();
}

void TChunk::SaveToStream(platform::TStream& stream) { WriteChunk(stream); }

void TChunk::SetBytes(std::vector<uint8_t> bytes) {
  data_.Clear();
  data_.Bytes() = std::move(bytes);
}

void TChunk::WriteChunk(platform::TStream& stream) const {
  if (type_.size() != 4 || type_[3] < 'A' || type_[3] > 'Z') return;
  const auto& bytes = data_.Bytes();
  WriteU32(stream, static_cast<uint32_t>(bytes.size()));
  stream.WriteBuffer(type_.data(), 4);
  stream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
  WriteU32(stream, PngCrc(type_, bytes.data(), bytes.size()));
}

// ---- IHDR ----

TChunkIHDR::TChunkIHDR(TChunkList* owner) : TChunk(owner, "IHDR") {
  // A new picture's header: 0 x 0, 2-bit palette, no interlacing.
  SetBytes({0, 0, 0, 0, 0, 0, 0, 0, 2, 3, 0, 0, 0});
}

int64_t TChunkIHDR::ReadU32(size_t at) const {
  const auto& b = Bytes();
  if (b.size() < at + 4) return 0;
  return (int64_t(b[at]) << 24) | (int64_t(b[at + 1]) << 16) | (int64_t(b[at + 2]) << 8) | b[at + 3];
}

int TChunkIHDR::ReadU8(size_t at) const {
  const auto& b = Bytes();
  return b.size() > at ? b[at] : 0;
}

void TChunkIHDR::WriteU32(size_t at, uint32_t value) {
  auto& b = Data().Bytes();
  if (b.size() < 13) b.resize(13);
  PutU32(b, at, value);
}

void TChunkIHDR::WriteU8(size_t at, int value) {
  auto& b = Data().Bytes();
  if (b.size() < 13) b.resize(13);
  b[at] = static_cast<uint8_t>(value);
}

void TChunkIHDR::SetWidth(int64_t value) {
  WriteU32(0, static_cast<uint32_t>(std::clamp<int64_t>(value, 0, 0x7FFFFFFF)));
  FitBitmap();
}

void TChunkIHDR::SetHeight(int64_t value) {
  WriteU32(4, static_cast<uint32_t>(std::clamp<int64_t>(value, 0, 0x7FFFFFFF)));
  FitBitmap();
}

void TChunkIHDR::FitBitmap() {
  TPngPicture* picture = Picture();
  if (picture == nullptr) return;
  platform::Bitmap& bitmap = picture->Bitmap();
  if (bitmap.Width() == Width() && bitmap.Height() == Height()) return;
  const int depth = bitmap.BitDepth();
  // A size no bitmap can have leaves it empty.
  const bool fits = Width() * Height() <= platform::Bitmap::kMaxPixels;
  bitmap.SetSize(fits ? static_cast<int>(Width()) : 0, fits ? static_cast<int>(Height()) : 0);
  bitmap.SetBitDepth(depth);
}

void TChunkIHDR::SaveToStream(platform::TStream& stream) {
  TPngPicture* picture = Picture();
  if (picture != nullptr) {
    platform::Bitmap& bitmap = picture->Bitmap();
    WriteU32(0, static_cast<uint32_t>(bitmap.Width()));
    WriteU32(4, static_cast<uint32_t>(bitmap.Height()));
    SetCompression(0);
    SetFilter(0);
    SetInterlace(picture->Interlacing() ? 1 : 0);
    if (picture->SavesWithPalette()) {
      SetColorType(3);
      SetBitDepth(bitmap.BitDepth());
    } else {
      bitmap.SetBitDepth(24);
      SetColorType(2);
      SetBitDepth(8);
    }
  }
  WriteChunk(stream);
}

// ---- PLTE ----

const platform::Palette& TChunkPLTE::MakePalette(const uint8_t* gamma) {
  const auto& b = Bytes();
  const size_t count = std::min<size_t>(b.size() / 3, 256);
  palette_.entries.clear();
  for (size_t i = 0; i < count; ++i) {
    int r = b[3 * i], g = b[3 * i + 1], bl = b[3 * i + 2];
    if (gamma != nullptr) r = gamma[r], g = gamma[g], bl = gamma[bl];
    palette_.entries.push_back(platform::Rgb(r, g, bl));
  }
  return palette_;
}

void TChunkPLTE::SaveToStream(platform::TStream& stream) {
  TPngPicture* picture = Picture();
  if (picture == nullptr || !picture->HasPalette()) return;
  TChunkGAMA* gamma = picture->GammaChunk();
  const uint8_t* inverse = gamma != nullptr ? gamma->Inverse().data() : nullptr;
  const int depth = picture->Bitmap().BitDepth();
  // PNG allows no more entries than the pixels can index.
  const int most = depth >= 1 && depth <= 8 ? 1 << depth : 256;
  const int count = std::min(picture->Palette().Count(), most);
  std::vector<uint8_t> bytes;
  for (int i = 0; i < count; ++i) {
    const platform::Colour c = platform::ColourToRgb(picture->Palette().entries[i]);
    int r = platform::RedOf(c), g = platform::GreenOf(c), b = platform::BlueOf(c);
    if (inverse != nullptr) r = inverse[r], g = inverse[g], b = inverse[b];
    bytes.insert(bytes.end(), {static_cast<uint8_t>(r), static_cast<uint8_t>(g), static_cast<uint8_t>(b)});
  }
  SetBytes(std::move(bytes));
  WriteChunk(stream);
}

// ---- gAMA ----

TChunkGAMA::TChunkGAMA(TChunkList* owner) : TChunk(owner, "gAMA") { SetGamma(1); }

uint32_t TChunkGAMA::Gamma() const {
  const auto& b = Bytes();
  if (b.size() < 4) return 0;
  return (uint32_t(b[0]) << 24) | (uint32_t(b[1]) << 16) | (uint32_t(b[2]) << 8) | b[3];
}

void TChunkGAMA::SetGamma(uint32_t value) {
  std::vector<uint8_t> bytes;
  PutU32(bytes, 0, value);
  SetBytes(std::move(bytes));
}

bool TChunkGAMA::Usable() const { return Gamma() != 0; }

void TChunkGAMA::Decode() { BuildTables(); }

void TChunkGAMA::BuildTables() {
  const uint32_t value = Gamma();
  if (builtFor_ == int64_t(value)) return;
  builtFor_ = value;
  if (value == 0) {
    for (int i = 0; i < 256; ++i) forward_[i] = inverse_[i] = static_cast<uint8_t>(i);
    return;
  }
  const double g = value / 100000.0;
  const double exponent = 1.0 / (g * 2.2);
  for (int i = 0; i < 256; ++i) {
    // nearbyint: ties to even, as the rounding this table was defined with.
    const double v = std::nearbyint(255.0 * std::pow(i / 255.0, exponent));
    forward_[i] = static_cast<uint8_t>(std::clamp(v, 0.0, 255.0));
  }
  std::array<bool, 256> hit{};
  inverse_.fill(0);
  for (int i = 0; i < 256; ++i) {
    inverse_[forward_[i]] = static_cast<uint8_t>(i);
    hit[forward_[i]] = true;
  }
  // Values no input maps to (colours drawn after loading) take the nearest
  // value below instead of black.
  for (int v = 1; v < 256; ++v)
    if (!hit[v]) inverse_[v] = inverse_[v - 1];
}

const std::array<uint8_t, 256>& TChunkGAMA::Forward() {
  BuildTables();
  return forward_;
}

const std::array<uint8_t, 256>& TChunkGAMA::Inverse() {
  BuildTables();
  return inverse_;
}

// ---- tEXt, tRNS ----

TChunkTEXT::TChunkTEXT(TChunkList* owner) : TChunk(owner, "tEXt") { SetBytes({0, 0}); }

void TChunkTRNS::SaveToStream(platform::TStream& stream) {
  TPngPicture* picture = Picture();
  TChunkIHDR* header = picture != nullptr ? picture->Header() : nullptr;
  if (header == nullptr || header->ColorType() != 2) return;
  const platform::Colour c = platform::ColourToRgb(picture->TransparentColour());
  int r = platform::RedOf(c), g = platform::GreenOf(c), b = platform::BlueOf(c);
  // The pixels are written through the inverse gamma table; the key must
  // match them in the file.
  if (TChunkGAMA* gamma = picture->GammaChunk()) {
    const auto& inverse = gamma->Inverse();
    r = inverse[r], g = inverse[g], b = inverse[b];
  }
  SetBytes({0, static_cast<uint8_t>(r), 0, static_cast<uint8_t>(g), 0, static_cast<uint8_t>(b)});
  WriteChunk(stream);
}

// ---- TChunkList ----

TChunk* TChunkList::Item(int index) const {
  if (index < 0 || index >= Count()) throw EPngPictureException(pngerr::kChunkIndex);
  return items_[static_cast<size_t>(index)].get();
}

int TChunkList::IndexOf(const TChunk* chunk) const {
  for (int i = 0; i < Count(); ++i)
    if (items_[static_cast<size_t>(i)].get() == chunk) return i;
  return -1;
}

TChunk* TChunkList::Find(std::string_view type) const {
  for (const auto& chunk : items_)
    if (chunk->ChunkType() == type) return chunk.get();
  return nullptr;
}

TChunk* TChunkList::Adopt(int index, std::unique_ptr<TChunk> chunk) {
  if (!chunk) return nullptr;
  chunk->owner_ = this;
  index = std::clamp(index, 0, Count());
  TChunk* raw = chunk.get();
  items_.insert(items_.begin() + index, std::move(chunk));
  return raw;
}

TChunk* TChunkList::Add(std::unique_ptr<TChunk> chunk) { return Adopt(Count(), std::move(chunk)); }

TChunk* TChunkList::Insert(int index, std::unique_ptr<TChunk> chunk) {
  return Adopt(index, std::move(chunk));
}

std::unique_ptr<TChunk> TChunkList::Create(std::string_view type) {
  std::unique_ptr<TChunk> chunk;
  if (const TChunkClasses::Entry* entry = TChunkClasses::Instance().Find(type))
    chunk = entry->create(this);
  else
    chunk = std::make_unique<TChunk>(this);
  chunk->SetChunkType(std::string(type));
  return chunk;
}

void TChunkList::Remove(TChunk* chunk) {
  const int index = chunk != nullptr && chunk->Owner() == this ? IndexOf(chunk) : -1;
  if (index < 0) throw EPngPictureException(pngerr::kNotInList);
  items_.erase(items_.begin() + index);
}

void TChunkList::Delete(int index) {
  Item(index);  // range check
  items_.erase(items_.begin() + index);
}

void TChunkList::Reset() {
  Clear();
  Add(std::make_unique<TChunkIHDR>(this));
  Add(std::make_unique<TChunkIDAT>(this));
  Add(std::make_unique<TChunkIEND>(this));
}

// ---- TChunkClasses ----

TChunkClasses& TChunkClasses::Instance() {
  static TChunkClasses classes;
  return classes;
}

void TChunkClasses::Add(std::string type, Factory create) {
  entries_.push_back({std::move(type), create});
}

const TChunkClasses::Entry& TChunkClasses::Item(int index) const {
  if (index < 0 || index >= Count()) throw EPngPictureException(pngerr::kClassIndex);
  return entries_[static_cast<size_t>(index)];
}

const TChunkClasses::Entry* TChunkClasses::Find(std::string_view type) const {
  for (const auto& entry : entries_)
    if (entry.type == type) return &entry;
  return nullptr;
}

}  // namespace htmlview
