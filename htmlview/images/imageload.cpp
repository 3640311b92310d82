#include "htmlview/images/imageload.h"

#include <algorithm>
#include <array>

#include "htmlview/images/dither.h"
#include "htmlview/images/imagemodule.h"
#include "htmlview/images/jpegload.h"
#include "htmlview/images/pngcodec.h"
#include "platform/imagefile.h"
#include "platform/sysutils.h"

namespace htmlview {

using platform::Bitmap;
using platform::Colour;

// ------------------------------------------------------------ recognition

TImageKind ImageKindFromSignature(const uint8_t* data, size_t size) {
  auto starts = [&](std::initializer_list<uint8_t> bytes) {
    if (size < bytes.size()) return false;
    return std::equal(bytes.begin(), bytes.end(), data);
  };
  if (data == nullptr) return ikNone;
  if (starts({'G', 'I', 'F', '8'})) return size >= 5 && data[4] == '9' ? ikGif89 : ikGif87;
  if (starts({'B', 'M'})) return ikBmp;
  if (starts({0x89, 'P', 'N', 'G'})) return ikPng;
  if (starts({0xFF, 0xD8})) return ikJpeg;
  return ikNone;
}

TImageKind ImageKindFromSignature(const std::vector<uint8_t>& data) {
  return ImageKindFromSignature(data.data(), data.size());
}

TImageKind ImageKindOfFile(const std::string& fileName) {
  // The kind needs the first bytes only; shorter files hold no image.
  const std::vector<uint8_t> head = platform::ReadFilePrefix(platform::ResolveFilePath(fileName), 10);
  if (head.size() < 10) return ikNone;
  return ImageKindFromSignature(head);
}

// ---------------------------------------------------------------- loading

namespace {

// The whole of a stream's data, from its start.
bool StreamBytes(platform::TStream& stream, std::vector<uint8_t>& bytes) {
  if (auto* memory = dynamic_cast<platform::TMemoryStream*>(&stream)) {
    bytes = memory->Bytes();
    return true;
  }
  const int64_t size = stream.Size();
  if (size < 0 || size > platform::kMaxImageFileBytes) return false;
  bytes.resize(static_cast<size_t>(size));
  stream.SetPosition(0);
  return stream.Read(bytes.data(), size) == size;
}

}  // namespace

std::unique_ptr<TViewImage> LoadImageFromFile(const std::string& fileName,
                                              TImageTransparency& transparency,
                                              std::unique_ptr<Bitmap>& mask) {
  mask.reset();
  const std::string path = platform::ResolveFilePath(fileName);
  if (!platform::FileExists(path)) return nullptr;
  if (GDIPlusActive() && ImageKindOfFile(path) == ikPng) {
    transparency = ttNone;
    return std::make_unique<TViewImage>(std::make_unique<TGpImage>(path));
  }
  std::vector<uint8_t> bytes;
  if (!platform::ReadFileCapped(path, platform::kMaxImageFileBytes, bytes)) return nullptr;
  platform::TMemoryStream stream(std::move(bytes));
  return LoadImageFromStream(&stream, transparency, mask);
}

std::unique_ptr<TViewImage> LoadImageFromStream(platform::TStream* stream,
                                                TImageTransparency& transparency,
                                                std::unique_ptr<Bitmap>& mask) {
  mask.reset();
  if (stream == nullptr || stream->Size() < 20) return nullptr;
  stream->SetPosition(0);
  if (GDIPlusActive()) {
    uint8_t head[8] = {};
    const int64_t n = stream->Read(head, sizeof head);
    stream->SetPosition(0);
    if (ImageKindFromSignature(head, static_cast<size_t>(std::max<int64_t>(n, 0))) == ikPng) {
      // The engine reads from memory here, so no temporary file is written.
      std::vector<uint8_t> bytes;
      if (!StreamBytes(*stream, bytes)) return nullptr;
      transparency = ttNone;
      return std::make_unique<TViewImage>(std::make_unique<TGpImage>(bytes, "png"));
    }
  }
  std::unique_ptr<Bitmap> bitmap = DecodeImage(stream, transparency, mask);
  if (!bitmap) return nullptr;
  return std::make_unique<TViewImage>(std::move(*bitmap));
}

// --------------------------------------------------------------- decoding

namespace {

uint32_t BigEndian32(const uint8_t* p) {
  return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}

// Reads count bytes of a chunk into a buffer of capacity bytes (the excess
// is skipped), then the CRC. False when the stream ends first.
bool ReadChunkInto(platform::TStream& stream, uint32_t count, uint8_t* buffer, size_t capacity) {
  const int64_t take = std::min<int64_t>(count, static_cast<int64_t>(capacity));
  if (stream.Read(buffer, take) != take) return false;
  const int64_t rest = int64_t(count) - take + 4;
  const int64_t target = stream.Position() + rest;
  if (target > stream.Size()) return false;
  stream.SetPosition(target);
  return true;
}

// The chunk scan behind ProbePngTransparentColor; index gets the entry.
bool ProbePngTransparentEntry(platform::TStream& stream, Colour& colour, int& index) {
  static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  const int64_t size = stream.Size();
  stream.SetPosition(0);
  uint8_t signature[8];
  if (stream.Read(signature, 8) != 8 || !std::equal(signature, signature + 8, kSignature)) return false;
  std::array<uint8_t, 768> palette{};
  std::array<uint8_t, 256> alpha{};
  int colourType = -1;
  stream.SetPosition(8);
  while (stream.Position() < size) {
    uint8_t head[8];
    if (stream.Read(head, 8) != 8) return false;
    const uint32_t length = BigEndian32(head);
    const std::string type(reinterpret_cast<const char*>(head + 4), 4);
    if (type == "IHDR") {
      uint8_t data[13] = {};
      if (!ReadChunkInto(stream, length, data, sizeof data)) return false;
      colourType = data[9];
      if (colourType != 2 && colourType != 3) return false;
    } else if (type == "PLTE") {
      if (!ReadChunkInto(stream, length, palette.data(), palette.size())) return false;
    } else if (type == "tRNS") {
      if (colourType != 3) return false;
      const uint32_t entries = std::min<uint32_t>(length, 256);
      if (stream.Read(alpha.data(), entries) != int64_t(entries)) return false;
      for (uint32_t i = 0; i < entries; ++i)
        if (alpha[i] == 0) {
          colour = platform::Rgb(palette[3 * i], palette[3 * i + 1], palette[3 * i + 2]);
          index = static_cast<int>(i);
          return true;
        }
      return false;
    } else if (type == "IDAT") {
      return false;
    } else {
      const int64_t next = stream.Position() + int64_t(length) + 4;
      if (next > size) return false;
      stream.SetPosition(next);
    }
  }
  return false;
}

// Pixels under the mask's transparent parts turn black, so a drawing that
// ORs the image over a masked-out background shows the background there.
Bitmap BlackenTransparentParts(const Bitmap& image, const Bitmap& mask) {
  Bitmap result = image;
  for (int y = 0; y < result.Height(); ++y)
    for (int x = 0; x < result.Width(); ++x)
      if (mask.Pixel(x, y) == platform::clWhite) result.SetPixel(x, y, platform::clBlack);
  // It is a new bitmap made for the screen, not a copy of the file's pixels.
  result.SetBitDepth(ScreenColorBits() > 8 ? 24 : ScreenColorBits());
  return result;
}

Bitmap DecodePng(platform::TStream& stream, TImageTransparency& transparency, Colour& colour) {
  int index = -1;
  if (ProbePngTransparentEntry(stream, colour, index)) transparency = ttPngColor;
  stream.SetPosition(0);
  TPngPicture png;
  png.LoadFromStream(stream);
  // The decoded palette holds the colours the pixels got (gamma included).
  if (transparency == ttPngColor && png.HasPalette() && index >= 0 && index < png.Palette().Count())
    colour = platform::ColourToRgb(png.Palette().entries[static_cast<size_t>(index)]);
  // A palette key keeps its mask; any other transparency the file carries
  // (alpha samples, a truecolour or grey tRNS, partial palette alphas) is
  // the bitmap's alpha, so the picture is drawn over the page's ground.
  if (transparency != ttPngColor && png.HasAlpha()) return png.AlphaBitmap();
  return png.Bitmap();
}

// Screen adaptation may rebuild a bitmap without its alpha; the decoded
// picture's opacity is put back, pixel for pixel.
void CarryAlpha(const Bitmap& from, Bitmap& to) {
  if (from.Width() != to.Width() || from.Height() != to.Height()) return;
  for (int y = 0; y < to.Height(); ++y) {
    const auto* source = reinterpret_cast<const QRgb*>(from.Image().constScanLine(y));
    auto* line = reinterpret_cast<QRgb*>(to.Image().scanLine(y));
    for (int x = 0; x < to.Width(); ++x) line[x] = (line[x] & 0x00FFFFFFu) | (source[x] & 0xFF000000u);
  }
}

}  // namespace

bool ProbePngTransparentColor(platform::TStream& stream, Colour& colour) {
  const int64_t position = stream.Position();
  int index = -1;
  bool found = false;
  try {
    found = ProbePngTransparentEntry(stream, colour, index);
  } catch (const std::exception&) {
    // A failing stream ends the scan with what was found.
  }
  stream.SetPosition(position);
  return found;
}

std::unique_ptr<Bitmap> DecodeImage(platform::TStream* stream, TImageTransparency& transparency,
                                    std::unique_ptr<Bitmap>& mask) {
  mask.reset();
  if (stream == nullptr) return nullptr;
  try {
    if (stream->Size() < 20) return nullptr;
    std::vector<uint8_t> bytes;
    const TImageKind kind = [&] {
      stream->SetPosition(0);
      uint8_t head[8] = {};
      const int64_t n = stream->Read(head, sizeof head);
      stream->SetPosition(0);
      return ImageKindFromSignature(head, static_cast<size_t>(std::max<int64_t>(n, 0)));
    }();
    if (kind != ikBmp && kind != ikPng && kind != ikJpeg) return nullptr;

    Bitmap result;
    Colour pngColour = platform::clBlack;
    if (kind == ikJpeg) {
      transparency = ttNone;
      if (!StreamBytes(*stream, bytes)) return nullptr;
      result = DecodeJpeg(bytes.data(), bytes.size(), ScreenColorBits() <= 8);
    } else if (kind == ikPng) {
      result = DecodePng(*stream, transparency, pngColour);
    } else {
      if (!StreamBytes(*stream, bytes)) return nullptr;
      result = platform::ReadBmpImage(bytes.data(), bytes.size());
    }
    if (result.IsNull()) return nullptr;

    bool deviceDependent = false;
    const bool hasAlpha = kind == ikPng && transparency != ttPngColor && result.HasTransparency();
    const Bitmap decoded = hasAlpha ? result : Bitmap();
    if (transparency == ttLowerLeft) {
      mask = MakeImageMask(result, false, 0);
    } else if (transparency == ttPngColor) {
      mask = MakeImageMask(result, true, pngColour);
      if (mask) {
        result = BlackenTransparentParts(result, *mask);
        deviceDependent = true;
      }
    }
    result = AdaptBitmapToScreen(std::move(result), deviceDependent);
    if (result.IsNull()) {
      mask.reset();
      return nullptr;
    }
    if (hasAlpha) CarryAlpha(decoded, result);
    return std::make_unique<Bitmap>(std::move(result));
  } catch (const std::exception&) {
    // Every decoder's error means the same here: no image, the caller shows
    // its error placeholder.
    mask.reset();
    return nullptr;
  }
}

std::unique_ptr<Bitmap> MakeImageMask(const Bitmap& image, bool useColor, Colour colour) {
  if (image.IsNull() || image.Width() <= 0 || image.Height() <= 0) return nullptr;
  const Colour key = useColor ? platform::ColourToRgb(colour) : image.Pixel(0, image.Height() - 1);
  Bitmap mask = image.MaskFromColour(key);
  if (mask.IsNull()) return nullptr;
  return std::make_unique<Bitmap>(std::move(mask));
}

// ------------------------------------------------------ screen adaptation

std::optional<platform::Palette> CopyScreenPalette(const platform::Palette* palette) {
  if (ScreenColorBits() > 8 || palette == nullptr || palette->Count() == 0) return std::nullopt;
  platform::Palette copy;
  const int n = std::min(palette->Count(), 256);
  copy.entries.assign(palette->entries.begin(), palette->entries.begin() + n);
  return copy;
}

Bitmap RebuildAsScreenBitmap(Bitmap bitmap) {
  if (bitmap.IsNull()) return bitmap;
  const int bits = ScreenColorBits();
  if (bits > 8) {
    bitmap.SetBitDepth(24);
    return bitmap;
  }
  // A palette screen holds each colour as its nearest palette entry.
  platform::Palette statics;
  const platform::Palette* palette = ScreenPalette();
  if (palette == nullptr) {
    statics.entries = WindowsColors();
    palette = &statics;
  }
  TFastColorLookup lookup(*palette);
  for (int y = 0; y < bitmap.Height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(bitmap.Image().scanLine(y));
    for (int x = 0; x < bitmap.Width(); ++x) {
      int r, g, b;
      lookup.Lookup(qRed(line[x]), qGreen(line[x]), qBlue(line[x]), r, g, b);
      line[x] = qRgba(r, g, b, qAlpha(line[x]));
    }
  }
  bitmap.SetBitDepth(bits);
  return bitmap;
}

Bitmap AdaptBitmapToScreen(Bitmap bitmap, bool deviceDependent) {
  if (bitmap.IsNull()) return bitmap;
  if (ScreenColorBits() > 8) {
    if (bitmap.BitDepth() <= 8) return RebuildAsScreenBitmap(std::move(bitmap));
    return bitmap;
  }
  if (deviceDependent) return RebuildAsScreenBitmap(std::move(bitmap));
  std::optional<TPaletteBitmap> reduced = DitherBitmapToScreen(bitmap, ScreenPalette());
  if (!reduced) return {};
  return std::move(reduced->bitmap);
}

Bitmap MaskedAsAlpha(const Bitmap& bitmap, const Bitmap* mask) {
  if (bitmap.IsNull() || mask == nullptr || mask->IsNull()) return bitmap;
  Bitmap copy = bitmap;
  const int w = std::min(copy.Width(), mask->Width()), h = std::min(copy.Height(), mask->Height());
  for (int py = 0; py < copy.Height(); ++py) {
    auto* line = reinterpret_cast<QRgb*>(copy.Image().scanLine(py));
    for (int px = 0; px < copy.Width(); ++px) {
      const bool opaque = px < w && py < h && mask->Pixel(px, py) != platform::clWhite;
      line[px] = opaque ? (line[px] | 0xFF000000u) : qRgba(0, 0, 0, 0);
    }
  }
  return copy;
}

void DrawMaskedStretched(platform::Canvas& canvas, const Bitmap& bitmap, const Bitmap* mask, int x,
                         int y, int width, int height) {
  if (bitmap.IsNull() || width <= 0 || height <= 0) return;
  canvas.StretchDraw(platform::RectOfSize(x, y, width, height), MaskedAsAlpha(bitmap, mask));
}

}  // namespace htmlview
