#pragma once
// The viewer's own PNG codec, used when GDI+ is not there: TPngPicture reads
// a PNG stream chunk by chunk (every CRC checked), inflates and unfilters the
// image data, undoes Adam7 interlacing and fills its bitmap: 1, 4, 8 or 24
// bits per pixel nominally (with a palette for the first three), stored as
// ARGB like every bitmap of the system, gamma-corrected when the file has a
// gAMA chunk. The bitmap is opaque; what the file says of its pixels'
// opacity (alpha samples or a tRNS chunk) is kept beside it, for the viewer
// to draw the picture over the page. It also writes PNG streams.
//
// Start-up: InitPngModule() registers the chunk classes and the picture
// format "PNG"; DonePngModule() undoes both. Nothing happens before the
// first call.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "htmlview/images/pngchunks.h"
#include "htmlview/images/picformats.h"
#include "platform/colors.h"
#include "platform/image.h"
#include "platform/streams.h"

namespace htmlview {

void InitPngModule();
void DonePngModule();

// Row filters the encoder may use (TPngPicture::Filters).
enum : uint8_t {
  pfNone = 1 << 0,
  pfSub = 1 << 1,
  pfUp = 1 << 2,
  pfAverage = 1 << 3,
  pfPaeth = 1 << 4,
};

class TPngPicture : public TGraphic {
 public:
  TPngPicture();
  ~TPngPicture() override;
  TPngPicture(const TPngPicture&) = delete;
  TPngPicture& operator=(const TPngPicture&) = delete;

  // Raises EPngPictureException on every format error; the picture is then
  // partly loaded and should not be shown.
  void LoadFromStream(platform::TStream& stream) override;
  void SaveToStream(platform::TStream& stream) override;
  void LoadFromFile(const std::string& path);
  void SaveToFile(const std::string& path);
  // Chunks (as copies), Filters, Interlacing and the bitmap of another picture.
  void Assign(const TPngPicture& source);
  // The bitmap contents alone (pixels, bit depth, palette, transparency).
  void AssignBitmap(const platform::Bitmap& bitmap);

  platform::Bitmap ToBitmap() const override;

  // Encoder filters; pfNone is always in the set. Default: none, sub,
  // average and paeth (27).
  uint8_t Filters() const { return filters_; }
  void SetFilters(uint8_t filters) { filters_ = static_cast<uint8_t>((filters & 0x1F) | pfNone); }
  // Saves with Adam7 interlacing when set.
  bool Interlacing() const { return interlacing_; }
  void SetInterlacing(bool on) { interlacing_ = on; }

  TChunkList& Chunks() { return chunks_; }
  const TChunkList& Chunks() const { return chunks_; }
  TChunkIHDR* Header() const;  // the first chunk when it is an IHDR, else null
  // The gAMA chunk that applies: the first one before the image data (a gAMA
  // after them comes too late to correct anything), when usable; else null.
  TChunkGAMA* GammaChunk() const;
  // Saving writes colour type 3: a 1, 4 or 8-bit bitmap with a palette.
  bool SavesWithPalette() const;

  // The bitmap. Its BitDepth() is the nominal pixel format.
  platform::Bitmap& Bitmap() { return bitmap_; }
  const platform::Bitmap& Bitmap() const { return bitmap_; }
  int PixelFormat() const { return bitmap_.BitDepth(); }
  bool HasPalette() const { return hasPalette_; }
  const platform::Palette& Palette() const { return palette_; }
  void SetPalette(platform::Palette palette);
  void ClearPalette();
  // Transparent: pixels of the transparent colour are see-through when the
  // picture is drawn (ToBitmap turns them to alpha 0).
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool on) { transparent_ = on; }
  platform::Colour TransparentColour() const { return transparentColour_; }
  void SetTransparentColour(platform::Colour c) { transparentColour_ = c; }

  // Each pixel's opacity (0 see-through .. 255 opaque), row by row, as the
  // file's alpha samples or tRNS chunk give it; empty when every pixel is
  // opaque. The bitmap's own alpha is not touched by it.
  const std::vector<uint8_t>& AlphaPlane() const { return alpha_; }
  std::vector<uint8_t>& AlphaPlane() { return alpha_; }
  bool HasAlpha() const { return !alpha_.empty(); }
  // A copy of the bitmap with the alpha plane as its pixels' alpha (the
  // bitmap as it is when there is none).
  platform::Bitmap AlphaBitmap() const;

  // Percentage done, after every row (or every Adam7 pass) decoded.
  std::function<void(int percent)> OnProgress;

 private:
  void ResetBitmap();
  void ReadChunks(platform::TStream& stream);
  void ApplyTransparency();
  void PrepareChunksForSaving();

  TChunkList chunks_;
  uint8_t filters_ = pfNone | pfSub | pfAverage | pfPaeth;
  bool interlacing_ = false;
  platform::Bitmap bitmap_;
  platform::Palette palette_;
  bool hasPalette_ = false;
  bool transparent_ = false;
  platform::Colour transparentColour_ = platform::clBlack;
  std::vector<uint8_t> alpha_;
};

}  // namespace htmlview
