// The image data chunk: decoding the whole image into the picture's bitmap
// and encoding the bitmap back into deflated, filtered rows.
#include <algorithm>
#include <array>
#include <limits>
#include <unordered_map>

#include "htmlview/images/pngchunks.h"
#include "htmlview/images/pngcodec.h"
#include "htmlview/images/pngfilters.h"
#include "htmlview/images/pngzstream.h"

namespace htmlview {

namespace {

// deflate cannot expand data by more than about 1032 to 1; image data that
// would need more than this from the bytes at hand are cut short for sure,
// and are refused before any bitmap is made for them.
constexpr int64_t kMaxInflateRatio = 1040;
constexpr int64_t kInflateSlack = 4096;

bool ValidBitDepth(int colourType, int depth) {
  switch (colourType) {
    case 0:
    case 3: return depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
    case 2:
    case 4:
    case 6: return depth == 8 || depth == 16;
    default: return false;
  }
}

int NominalPixelFormat(int colourType, int depth) {
  if (colourType == 2 || colourType == 6) return 24;
  if (depth == 1) return 1;
  if (depth <= 4) return 4;
  return 8;
}

int MulDiv(int a, int b, int c) { return c == 0 ? 0 : (a * b + c / 2) / c; }

class ImageReader {
 public:
  ImageReader(TPngPicture& picture, const TChunkIHDR& header, TChunkIDAT& data)
      : picture_(picture), data_(data) {
    width_ = header.Width();
    height_ = header.Height();
    depth_ = header.BitDepth();
    colourType_ = header.ColorType();
    interlace_ = header.Interlace();
  }

  void Run() {
    CheckHeader();
    CheckDataLength();
    if (TChunkGAMA* gamma = picture_.GammaChunk()) gamma_ = gamma->Forward().data();
    MakePalette();
    SizeBitmap();
    PrepareAlpha();
    data_.Data().SetPosition(0);
    try {
      TZDecompressionStream inflated(data_.Data());
      if (interlace_ == 0)
        DecodeRows(inflated);
      else
        DecodePasses(inflated);
    } catch (const EZLibError&) {
      throw EPngPictureException(pngerr::kCorrupted);
    }
  }

 private:
  void CheckHeader() {
    if (png::RowBytes(colourType_, 8, 1) < 0) throw EPngPictureException(pngerr::kUnknownColourType);
    if (!ValidBitDepth(colourType_, depth_)) throw EPngPictureException(pngerr::kUnknownBitDepth);
    if (interlace_ != 0 && interlace_ != 1) throw EPngPictureException(pngerr::kUnknownInterlace);
    if (width_ < 1 || height_ < 1 || width_ > std::numeric_limits<int>::max() ||
        height_ > std::numeric_limits<int>::max() ||
        width_ * height_ > platform::Bitmap::kMaxPixels)
      throw EPngPictureException(pngerr::kBadSize);
  }

  // The inflated size the rows need, against what the compressed bytes can give.
  void CheckDataLength() const {
    int64_t needed = 0;
    if (interlace_ == 0) {
      needed = height_ * (png::RowBytes(colourType_, depth_, width_) + 1);
    } else {
      for (const auto& pass : png::kAdam7Passes) {
        const int64_t w = png::PassExtent(width_, pass.colStart, pass.colStep);
        const int64_t h = png::PassExtent(height_, pass.rowStart, pass.rowStep);
        if (w > 0 && h > 0) needed += h * (png::RowBytes(colourType_, depth_, w) + 1);
      }
    }
    if (needed > data_.Size() * kMaxInflateRatio + kInflateSlack)
      throw EPngPictureException(pngerr::kCorrupted);
  }

  void MakePalette() {
    platform::Palette palette;
    if (colourType_ == 3) {
      auto* plte = dynamic_cast<TChunkPLTE*>(picture_.Chunks().Find("PLTE"));
      if (plte == nullptr) throw EPngPictureException(pngerr::kNoPalette);
      if (plte->Size() % 3 != 0) throw EPngPictureException(pngerr::kBadPalette);
      palette = plte->MakePalette(gamma_);
    } else if (colourType_ == 0 || colourType_ == 4) {
      const int count = depth_ >= 8 ? 256 : 1 << depth_;
      for (int i = 0; i < count; ++i) {
        int grey = MulDiv(i, 255, count - 1);
        if (gamma_ != nullptr) grey = gamma_[grey];
        palette.entries.push_back(platform::Rgb(grey, grey, grey));
      }
    }
    // 2-bit pixels are held as 4-bit ones: a short palette repeats to 16.
    if (depth_ == 2 && palette.Count() > 0 && palette.Count() < 16) {
      const size_t n = palette.entries.size();
      for (size_t i = n; i < 16; ++i) palette.entries.push_back(palette.entries[i % n]);
    }
    lookup_.fill(qRgb(0, 0, 0));
    for (int i = 0; i < palette.Count() && i < 256; ++i) {
      const platform::Colour c = palette.entries[static_cast<size_t>(i)];
      lookup_[static_cast<size_t>(i)] = qRgb(platform::RedOf(c), platform::GreenOf(c), platform::BlueOf(c));
    }
    if (colourType_ == 2 || colourType_ == 6)
      picture_.ClearPalette();
    else
      picture_.SetPalette(std::move(palette));
  }

  void SizeBitmap() {
    platform::Bitmap& bitmap = picture_.Bitmap();
    if (!bitmap.SetSize(static_cast<int>(width_), static_cast<int>(height_), platform::clBlack))
      throw EPngPictureException(pngerr::kBadSize);
    bitmap.SetBitDepth(NominalPixelFormat(colourType_, depth_));
  }

  // The opacity the file gives its pixels: alpha samples, or a tRNS chunk
  // naming palette alphas or the one transparent grey or colour. It goes to
  // the picture's alpha plane; the bitmap itself stays opaque.
  void PrepareAlpha() {
    std::vector<uint8_t>& plane = picture_.AlphaPlane();
    plane.clear();
    bool any = colourType_ == 4 || colourType_ == 6;
    if (const TChunk* trns = picture_.Chunks().Find("tRNS")) {
      const auto& b = trns->Bytes();
      if (colourType_ == 3 && !b.empty()) {
        for (size_t i = 0; i < b.size() && i < paletteAlpha_.size(); ++i) paletteAlpha_[i] = b[i];
        any = true;
      } else if (colourType_ == 0 && b.size() >= 2) {
        key_[0] = (b[0] << 8) | b[1];
        any = true;
      } else if (colourType_ == 2 && b.size() >= 6) {
        for (int c = 0; c < 3; ++c) key_[c] = (b[2 * c] << 8) | b[2 * c + 1];
        any = true;
      }
    }
    if (any) plane.assign(static_cast<size_t>(width_ * height_), 255);
  }

  void DecodeRows(platform::TStream& inflated) {
    DecodeRowSet(inflated, 0, 1, 0, 1, width_, height_, true);
  }

  void DecodePasses(platform::TStream& inflated) {
    for (int p = 0; p < 7; ++p) {
      const auto& pass = png::kAdam7Passes[p];
      const int64_t w = png::PassExtent(width_, pass.colStart, pass.colStep);
      const int64_t h = png::PassExtent(height_, pass.rowStart, pass.rowStep);
      // An empty pass has no rows in the data at all, not even filter bytes.
      if (w > 0 && h > 0)
        DecodeRowSet(inflated, pass.rowStart, pass.rowStep, pass.colStart, pass.colStep, w, h, false);
      Progress((p + 1) * 100 / 7);
    }
  }

  // Rows of `columns` pixels each, placed every `rowStep` rows from `rowStart`.
  void DecodeRowSet(platform::TStream& inflated, int rowStart, int rowStep, int colStart,
                    int colStep, int64_t columns, int64_t rows, bool reportRows) {
    const int64_t length = png::RowBytes(colourType_, depth_, columns);
    const int bpp = png::FilterBytesPerPixel(colourType_, depth_);
    // Two buffers that swap roles: the row being read and the row above it.
    std::vector<uint8_t> current(static_cast<size_t>(length) + 1), prior(static_cast<size_t>(length) + 1, 0);
    for (int64_t r = 0; r < rows; ++r) {
      if (inflated.Read(current.data(), length + 1) != length + 1)
        throw EPngPictureException(pngerr::kCorrupted);
      if (!png::UnfilterRow(current[0], current.data() + 1, prior.data() + 1,
                            static_cast<size_t>(length), bpp))
        throw EPngPictureException(pngerr::kUnknownFilter);
      const int64_t y = rowStart + r * rowStep;
      ConvertRow(current.data() + 1, static_cast<int>(y), colStart, colStep, columns);
      std::swap(current, prior);
      if (reportRows) Progress(static_cast<int>((r + 1) * 100 / rows));
    }
  }

  void ConvertRow(const uint8_t* raw, int y, int colStart, int colStep, int64_t columns) {
    auto* line = reinterpret_cast<QRgb*>(picture_.Bitmap().Image().scanLine(y));
    auto put = [&](int64_t i, QRgb value) { line[colStart + i * colStep] = value; };
    std::vector<uint8_t>& plane = picture_.AlphaPlane();
    uint8_t* alphas = plane.empty() ? nullptr : plane.data() + int64_t(y) * width_ + colStart;
    auto opacity = [&](int64_t i, int value) { alphas[i * colStep] = static_cast<uint8_t>(value); };
    // A sample at full depth, for comparing with a tRNS key.
    auto sample16 = [&](const uint8_t* p) { return depth_ == 16 ? (p[0] << 8) | p[1] : p[0]; };
    auto rgb = [&](int r, int g, int b) {
      if (gamma_ != nullptr) r = gamma_[r], g = gamma_[g], b = gamma_[b];
      return qRgb(r, g, b);
    };
    switch (colourType_) {
      case 0:
      case 3:
        if (depth_ < 8) {
          const int mask = (1 << depth_) - 1;
          for (int64_t i = 0; i < columns; ++i) {
            const int64_t bit = i * depth_;
            const int shift = 8 - depth_ - static_cast<int>(bit % 8);
            const int value = (raw[bit / 8] >> shift) & mask;
            put(i, lookup_[static_cast<size_t>(value)]);
            if (alphas) opacity(i, Opacity(value));
          }
        } else {
          const int step = depth_ / 8;  // 16-bit samples: the high byte
          for (int64_t i = 0; i < columns; ++i) {
            put(i, lookup_[raw[i * step]]);
            if (alphas) opacity(i, Opacity(sample16(raw + i * step)));
          }
        }
        break;
      case 4: {
        const int step = depth_ / 4;
        for (int64_t i = 0; i < columns; ++i) {
          put(i, lookup_[raw[i * step]]);
          if (alphas) opacity(i, raw[i * step + step / 2]);
        }
        break;
      }
      case 2:
      case 6: {
        const int sample = depth_ / 8;
        const int step = sample * (colourType_ == 2 ? 3 : 4);
        for (int64_t i = 0; i < columns; ++i) {
          const uint8_t* p = raw + i * step;
          put(i, rgb(p[0], p[sample], p[2 * sample]));
          if (!alphas) continue;
          if (colourType_ == 6)
            opacity(i, p[3 * sample]);
          else if (sample16(p) == key_[0] && sample16(p + sample) == key_[1] &&
                   sample16(p + 2 * sample) == key_[2])
            opacity(i, 0);
        }
        break;
      }
      default: break;
    }
  }

  void Progress(int percent) {
    if (picture_.OnProgress) picture_.OnProgress(percent);
  }

  // A grey or palette pixel's opacity by its value at full depth.
  int Opacity(int value) const {
    if (colourType_ == 3) return value < 256 ? paletteAlpha_[static_cast<size_t>(value)] : 255;
    return value == key_[0] ? 0 : 255;
  }

  TPngPicture& picture_;
  TChunkIDAT& data_;
  int64_t width_ = 0, height_ = 0;
  int depth_ = 0, colourType_ = 0, interlace_ = 0;
  const uint8_t* gamma_ = nullptr;
  std::array<QRgb, 256> lookup_{};
  // From a tRNS chunk: each palette entry's alpha, or the transparent grey
  // (key_[0]) or colour samples; -1 never matches.
  std::array<uint8_t, 256> paletteAlpha_ = [] {
    std::array<uint8_t, 256> a{};
    a.fill(255);
    return a;
  }();
  int key_[3] = {-1, -1, -1};
};

class ImageWriter {
 public:
  ImageWriter(TPngPicture& picture, const TChunkIHDR& header)
      : picture_(picture), bitmap_(picture.Bitmap()) {
    depth_ = header.BitDepth();
    colourType_ = header.ColorType();
    interlace_ = header.Interlace() == 1;
    if (TChunkGAMA* gamma = picture.GammaChunk()) inverse_ = gamma->Inverse().data();
    if (colourType_ == 3) {
      const int most = 1 << std::clamp(depth_, 1, 8);
      palette_ = picture.Palette();
      if (palette_.Count() > most) palette_.entries.resize(static_cast<size_t>(most));
      for (int i = palette_.Count() - 1; i >= 0; --i)
        indices_[platform::ColourToRgb(palette_.entries[static_cast<size_t>(i)])] = i;
    }
  }

  std::vector<uint8_t> Run() {
    platform::TMemoryStream out;
    {
      TZCompressionStream deflated(TCompressionLevel::clDefault, out);
      const int64_t width = bitmap_.Width(), height = bitmap_.Height();
      if (!interlace_) {
        EncodeRowSet(deflated, 0, 1, 0, 1, width, height);
      } else {
        for (const auto& pass : png::kAdam7Passes) {
          const int64_t w = png::PassExtent(width, pass.colStart, pass.colStep);
          const int64_t h = png::PassExtent(height, pass.rowStart, pass.rowStep);
          if (w > 0 && h > 0)
            EncodeRowSet(deflated, pass.rowStart, pass.rowStep, pass.colStart, pass.colStep, w, h);
        }
      }
      deflated.Finish();
    }
    return std::move(out.Bytes());
  }

 private:
  void EncodeRowSet(platform::TStream& deflated, int rowStart, int rowStep, int colStart, int colStep,
                    int64_t columns, int64_t rows) {
    const size_t length = static_cast<size_t>(png::RowBytes(colourType_, depth_, columns));
    const int bpp = png::FilterBytesPerPixel(colourType_, depth_);
    std::vector<uint8_t> raw(length), prior(length, 0), best(length + 1), trial(length);
    for (int64_t r = 0; r < rows; ++r) {
      MakeRawRow(static_cast<int>(rowStart + r * rowStep), colStart, colStep, columns, raw.data());
      ChooseFilter(raw.data(), prior.data(), length, bpp, best, trial);
      deflated.WriteBuffer(best.data(), static_cast<int64_t>(length) + 1);
      std::swap(raw, prior);
    }
  }

  // The first enabled filter with the highest score; none keeps ties and zeros.
  void ChooseFilter(const uint8_t* raw, const uint8_t* prior, size_t length, int bpp,
                    std::vector<uint8_t>& best, std::vector<uint8_t>& trial) const {
    best[0] = png::kFilterNone;
    std::copy(raw, raw + length, best.begin() + 1);
    const uint8_t filters = picture_.Filters();
    if ((filters & ~pfNone & 0x1F) == 0) return;
    int64_t bestScore = png::ScoreFilteredRow(raw, length);
    for (uint8_t type = png::kFilterSub; type <= png::kFilterPaeth; ++type) {
      if ((filters & (1 << type)) == 0) continue;
      png::FilterRow(type, raw, prior, length, bpp, trial.data());
      const int64_t score = png::ScoreFilteredRow(trial.data(), length);
      if (score > bestScore) {
        bestScore = score;
        best[0] = type;
        std::copy(trial.begin(), trial.end(), best.begin() + 1);
      }
    }
  }

  void MakeRawRow(int y, int colStart, int colStep, int64_t columns, uint8_t* raw) {
    const auto* line = reinterpret_cast<const QRgb*>(bitmap_.Image().constScanLine(y));
    if (colourType_ == 2) {
      for (int64_t i = 0; i < columns; ++i) {
        const QRgb p = line[colStart + i * colStep];
        int r = qRed(p), g = qGreen(p), b = qBlue(p);
        if (inverse_ != nullptr) r = inverse_[r], g = inverse_[g], b = inverse_[b];
        raw[3 * i] = static_cast<uint8_t>(r);
        raw[3 * i + 1] = static_cast<uint8_t>(g);
        raw[3 * i + 2] = static_cast<uint8_t>(b);
      }
      return;
    }
    const size_t length = static_cast<size_t>(png::RowBytes(colourType_, depth_, columns));
    std::fill(raw, raw + length, 0);
    for (int64_t i = 0; i < columns; ++i) {
      const QRgb p = line[colStart + i * colStep];
      const int index = IndexOf(platform::Rgb(qRed(p), qGreen(p), qBlue(p)));
      const int64_t bit = i * depth_;
      raw[bit / 8] |= static_cast<uint8_t>(index << (8 - depth_ - static_cast<int>(bit % 8)));
    }
  }

  int IndexOf(platform::Colour c) {
    auto it = indices_.find(c);
    if (it != indices_.end()) return it->second;
    const int index = std::max(palette_.NearestIndex(c), 0);
    indices_[c] = index;
    return index;
  }

  TPngPicture& picture_;
  const platform::Bitmap& bitmap_;
  int depth_ = 8, colourType_ = 2;
  bool interlace_ = false;
  const uint8_t* inverse_ = nullptr;
  platform::Palette palette_;
  std::unordered_map<platform::Colour, int> indices_;
};

}  // namespace

void TChunkIDAT::Decode() {
  TPngPicture* picture = Picture();
  if (picture == nullptr) return;
  const TChunkIHDR* header = picture->Header();
  if (header == nullptr || header->Size() < 13) throw EPngPictureException(pngerr::kNoIhdr);
  ImageReader(*picture, *header, *this).Run();
}

void TChunkIDAT::SaveToStream(platform::TStream& stream) {
  TPngPicture* picture = Picture();
  const TChunkIHDR* header = picture != nullptr ? picture->Header() : nullptr;
  if (header != nullptr) SetBytes(ImageWriter(*picture, *header).Run());
  WriteChunk(stream);
}

}  // namespace htmlview
