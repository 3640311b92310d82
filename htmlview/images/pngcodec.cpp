#include "htmlview/images/pngcodec.h"

#include <algorithm>
#include <cctype>

namespace htmlview {

namespace {

constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

template <class T>
std::unique_ptr<TChunk> Make(TChunkList* owner) {
  return std::make_unique<T>(owner);
}

uint32_t BigEndian32(const uint8_t* p) {
  return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

}  // namespace

void InitPngModule() {
  TChunkClasses& classes = TChunkClasses::Instance();
  if (classes.Count() == 0) {
    classes.Add("IEND", &Make<TChunkIEND>);
    classes.Add("IHDR", &Make<TChunkIHDR>);
    classes.Add("gAMA", &Make<TChunkGAMA>);
    classes.Add("IDAT", &Make<TChunkIDAT>);
    classes.Add("PLTE", &Make<TChunkPLTE>);
    classes.Add("tEXt", &Make<TChunkTEXT>);
    classes.Add("tRNS", &Make<TChunkTRNS>);
  }
  RegisterFileFormat("PNG", "Portable Network Graphics",
                     [] { return std::unique_ptr<TGraphic>(new TPngPicture); });
}

void DonePngModule() {
  UnregisterFileFormat("PNG");
  TChunkClasses::Instance().Clear();
}

TPngPicture::TPngPicture() : chunks_(this) { chunks_.Reset(); }

TPngPicture::~TPngPicture() = default;

TChunkIHDR* TPngPicture::Header() const {
  return chunks_.Count() > 0 ? dynamic_cast<TChunkIHDR*>(chunks_.Item(0)) : nullptr;
}

TChunkGAMA* TPngPicture::GammaChunk() const {
  for (int i = 0; i < chunks_.Count(); ++i) {
    TChunk* chunk = chunks_.Item(i);
    if (chunk->ChunkType() == "IDAT") return nullptr;
    if (auto* gamma = dynamic_cast<TChunkGAMA*>(chunk)) return gamma->Usable() ? gamma : nullptr;
  }
  return nullptr;
}

bool TPngPicture::SavesWithPalette() const {
  const int depth = bitmap_.BitDepth();
  return (depth == 1 || depth == 4 || depth == 8) && hasPalette_ && palette_.Count() > 0;
}

void TPngPicture::SetPalette(platform::Palette palette) {
  palette_ = std::move(palette);
  hasPalette_ = true;
}

void TPngPicture::ClearPalette() {
  palette_.entries.clear();
  hasPalette_ = false;
}

void TPngPicture::ResetBitmap() {
  bitmap_ = platform::Bitmap();
  ClearPalette();
  transparent_ = false;
  transparentColour_ = platform::clBlack;
  alpha_.clear();
}

void TPngPicture::LoadFromStream(platform::TStream& stream) {
  chunks_.Reset();
  chunks_.Clear();
  ResetBitmap();

  uint8_t signature[8] = {};
  if (stream.Read(signature, 8) != 8 || !std::equal(signature, signature + 8, kSignature))
    throw EPngPictureException(pngerr::kInvalidHeader);
  ReadChunks(stream);

  const TChunkIHDR* header = Header();
  if (header == nullptr || header->Size() < 13) throw EPngPictureException(pngerr::kNoIhdr);
  if (chunks_.Find("IDAT") == nullptr) throw EPngPictureException(pngerr::kNoData);
  // In list order: a gAMA ahead of the image data prepares its tables, the
  // IDAT decodes the image.
  for (int i = 0; i < chunks_.Count(); ++i) chunks_.Item(i)->Decode();
  ApplyTransparency();
  // An alpha channel that hides nothing needs no plane.
  if (std::all_of(alpha_.begin(), alpha_.end(), [](uint8_t a) { return a == 255; })) alpha_.clear();
}

void TPngPicture::ReadChunks(platform::TStream& stream) {
  const int64_t size = stream.Size();
  const TChunkClasses& classes = TChunkClasses::Instance();
  TChunk* firstData = nullptr;
  while (stream.Position() < size) {
    uint8_t head[8];
    if (stream.Read(head, 8) != 8) throw EPngPictureException(pngerr::kCorrupted);
    const uint32_t length = BigEndian32(head);
    const std::string type(reinterpret_cast<const char*>(head + 4), 4);
    if (type[0] >= 'A' && type[0] <= 'Z' && classes.Find(type) == nullptr)
      throw EPngPictureException(pngerr::kUnknownCritical);
    // A length beyond what the stream still holds is a cut-off file; it is
    // never trusted for an allocation.
    if (length > 0x7FFFFFFFu || int64_t(length) + 4 > size - stream.Position())
      throw EPngPictureException(pngerr::kCorrupted);
    std::vector<uint8_t> bytes(length);
    uint8_t crc[4];
    if (stream.Read(bytes.data(), length) != int64_t(length) || stream.Read(crc, 4) != 4)
      throw EPngPictureException(pngerr::kCorrupted);
    if (BigEndian32(crc) != PngCrc(type, bytes.data(), bytes.size()))
      throw EPngPictureException(pngerr::kCorrupted);

    if (type == "IDAT" && firstData != nullptr) {
      // Image data split over several chunks are kept as one.
      auto& all = firstData->Data().Bytes();
      all.insert(all.end(), bytes.begin(), bytes.end());
    } else {
      TChunk* chunk = chunks_.Add(chunks_.Create(type));
      chunk->Data().Clear();
      chunk->Data().Bytes() = std::move(bytes);
      if (type == "IDAT") firstData = chunk;
    }
    if (type == "IEND") break;
  }
}

void TPngPicture::ApplyTransparency() {
  const TChunkIHDR* header = Header();
  const TChunk* trns = chunks_.Find("tRNS");
  if (header == nullptr || header->ColorType() != 2 || trns == nullptr || trns->Size() < 6) return;
  // The key must be the colour the pixels got: the 8-bit sample (the high
  // byte of a 16-bit one), through the gamma table when the pixels went
  // through it.
  const auto& b = trns->Bytes();
  const int at = header->BitDepth() == 16 ? 0 : 1;
  int r = b[at], g = b[2 + at], bl = b[4 + at];
  if (TChunkGAMA* gamma = GammaChunk()) {
    const auto& forward = gamma->Forward();
    r = forward[r], g = forward[g], bl = forward[bl];
  }
  transparentColour_ = platform::Rgb(r, g, bl);
  transparent_ = true;
}

void TPngPicture::PrepareChunksForSaving() {
  if (chunks_.Count() == 0) chunks_.Reset();
  if (Header() == nullptr) chunks_.Insert(0, std::make_unique<TChunkIHDR>(&chunks_));
  if (SavesWithPalette() && chunks_.Find("PLTE") == nullptr)
    chunks_.Insert(1, std::make_unique<TChunkPLTE>(&chunks_));
  if (transparent_) {
    if (chunks_.Find("tRNS") == nullptr) chunks_.Insert(1, std::make_unique<TChunkTRNS>(&chunks_));
  } else {
    while (TChunk* trns = chunks_.Find("tRNS")) chunks_.Remove(trns);
  }
  if (chunks_.Find("IDAT") == nullptr) {
    // Ahead of the IEND (or last): image data must follow the palette.
    const TChunk* end = chunks_.Find("IEND");
    const int at = end != nullptr ? chunks_.IndexOf(end) : chunks_.Count();
    chunks_.Insert(at, std::make_unique<TChunkIDAT>(&chunks_));
  }
  if (chunks_.Find("IEND") == nullptr) chunks_.Add(std::make_unique<TChunkIEND>(&chunks_));
}

void TPngPicture::SaveToStream(platform::TStream& stream) {
  stream.WriteBuffer(kSignature, 8);
  PrepareChunksForSaving();
  for (int i = 0; i < chunks_.Count(); ++i) chunks_.Item(i)->SaveToStream(stream);
}

void TPngPicture::LoadFromFile(const std::string& path) {
  platform::TFileStream stream(path, platform::TFileMode::fmOpenRead);
  LoadFromStream(stream);
}

void TPngPicture::SaveToFile(const std::string& path) {
  platform::TFileStream stream(path, platform::TFileMode::fmCreate);
  SaveToStream(stream);
}

void TPngPicture::Assign(const TPngPicture& source) {
  if (&source == this) return;
  chunks_.Clear();
  for (int i = 0; i < source.chunks_.Count(); ++i) {
    const TChunk* from = source.chunks_.Item(i);
    std::unique_ptr<TChunk> copy = chunks_.Create(from->ChunkType());
    copy->Assign(*from);
    chunks_.Add(std::move(copy));
  }
  filters_ = source.filters_;
  interlacing_ = source.interlacing_;
  bitmap_ = source.bitmap_;
  palette_ = source.palette_;
  hasPalette_ = source.hasPalette_;
  transparent_ = source.transparent_;
  transparentColour_ = source.transparentColour_;
  alpha_ = source.alpha_;
}

void TPngPicture::AssignBitmap(const platform::Bitmap& bitmap) {
  bitmap_ = bitmap;
  ClearPalette();
  transparent_ = false;
  alpha_.clear();
}

platform::Bitmap TPngPicture::AlphaBitmap() const {
  platform::Bitmap result = bitmap_;
  const int w = result.Width(), h = result.Height();
  if (alpha_.size() != static_cast<size_t>(w) * static_cast<size_t>(h)) return result;
  for (int y = 0; y < h; ++y) {
    auto* line = reinterpret_cast<QRgb*>(result.Image().scanLine(y));
    const uint8_t* a = alpha_.data() + static_cast<size_t>(y) * w;
    for (int x = 0; x < w; ++x) line[x] = (line[x] & 0x00FFFFFFu) | (uint32_t(a[x]) << 24);
  }
  return result;
}

platform::Bitmap TPngPicture::ToBitmap() const {
  platform::Bitmap result = bitmap_;
  if (transparent_ && !result.IsNull()) result.MakeTransparent(transparentColour_);
  return result;
}

}  // namespace htmlview
