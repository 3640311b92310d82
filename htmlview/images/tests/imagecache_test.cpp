#include <gtest/gtest.h>

#include <zlib.h>

#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>
#include <algorithm>
#include <cstdint>
#include <fstream>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "htmlview/images/dither.h"
#include "htmlview/images/gdipimage.h"
#include "htmlview/images/gifimage.h"
#include "htmlview/images/imagecache.h"
#include "htmlview/images/imageload.h"
#include "htmlview/images/imagemodule.h"
#include "htmlview/images/jpegload.h"
#include "htmlview/images/pngcodec.h"
#include "platform/canvas.h"
#include "platform/cursors.h"
#include "platform/image.h"
#include "platform/imagefile.h"
#include "platform/streams.h"
#include "testsupport/testenv.h"

using namespace htmlview;
using platform::Bitmap;
using platform::Colour;
using platform::Rgb;

namespace {

const std::string kData = std::string(DRAVLEN_TEST_DATA) + "/images/";

using Bytes = std::vector<uint8_t>;

Bytes ReadBytes(const std::string& path) {
  const std::string s = testsupport::ReadAll(path);
  return {s.begin(), s.end()};
}

void WriteBytes(const std::string& path, const Bytes& bytes) {
  testsupport::WriteAll(path, std::string(bytes.begin(), bytes.end()));
}

// The flat array of numbers in a pixel file (RGBA, row by row).
std::vector<int> ReadJsonNumbers(const std::string& path) {
  const std::string text = testsupport::ReadAll(path);
  const QJsonArray array = QJsonDocument::fromJson(QByteArray::fromStdString(text)).array();
  std::vector<int> numbers;
  for (const QJsonValue& v : array) numbers.push_back(v.toInt());
  return numbers;
}

// --- Writers for the files the tests make themselves.

void PutLe16(Bytes& b, int v) {
  b.push_back(uint8_t(v));
  b.push_back(uint8_t(v >> 8));
}
void PutLe32(Bytes& b, int64_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(uint8_t(v >> (8 * i)));
}

// A bottom-up BMP of 24 bits, or of 8 bits when a palette is given (pixel
// colours then must be palette entries).
Bytes MakeBmp(int width, int height, const std::function<Colour(int, int)>& pixel,
              const std::vector<Colour>* palette = nullptr) {
  const int bits = palette ? 8 : 24;
  const int rowSize = (width * bits / 8 + 3) / 4 * 4;
  const int tableSize = palette ? 4 * static_cast<int>(palette->size()) : 0;
  const int offset = 14 + 40 + tableSize;
  Bytes b = {'B', 'M'};
  PutLe32(b, offset + rowSize * height);
  PutLe32(b, 0);
  PutLe32(b, offset);
  PutLe32(b, 40);
  PutLe32(b, width);
  PutLe32(b, height);
  PutLe16(b, 1);
  PutLe16(b, bits);
  PutLe32(b, 0);
  PutLe32(b, rowSize * height);
  PutLe32(b, 2835);
  PutLe32(b, 2835);
  PutLe32(b, palette ? static_cast<int>(palette->size()) : 0);
  PutLe32(b, 0);
  if (palette)
    for (Colour c : *palette) {
      b.push_back(uint8_t(platform::BlueOf(c)));
      b.push_back(uint8_t(platform::GreenOf(c)));
      b.push_back(uint8_t(platform::RedOf(c)));
      b.push_back(0);
    }
  for (int y = height - 1; y >= 0; --y) {
    Bytes row;
    for (int x = 0; x < width; ++x) {
      const Colour c = pixel(x, y);
      if (palette) {
        row.push_back(uint8_t(std::find(palette->begin(), palette->end(), c) - palette->begin()));
      } else {
        row.push_back(uint8_t(platform::BlueOf(c)));
        row.push_back(uint8_t(platform::GreenOf(c)));
        row.push_back(uint8_t(platform::RedOf(c)));
      }
    }
    row.resize(rowSize, 0);
    b.insert(b.end(), row.begin(), row.end());
  }
  return b;
}

// The same file with its rows stored top-down, as the negative height says.
Bytes TopDown(Bytes b) {
  auto le32 = [&](size_t at) {
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
  };
  const size_t offset = le32(10);
  const int width = static_cast<int>(le32(18)), height = static_cast<int>(le32(22));
  const int bits = b[28] | b[29] << 8;
  const size_t rowSize = (size_t(width) * bits / 8 + 3) / 4 * 4;
  for (int y = 0; y < height / 2; ++y)
    std::swap_ranges(b.begin() + offset + y * rowSize, b.begin() + offset + (y + 1) * rowSize,
                     b.begin() + offset + (height - 1 - y) * rowSize);
  const uint32_t negative = static_cast<uint32_t>(-height);
  for (int k = 0; k < 4; ++k) b[22 + k] = uint8_t(negative >> (8 * k));
  return b;
}

void PutBe32(Bytes& b, uint32_t v) {
  for (int i = 3; i >= 0; --i) b.push_back(uint8_t(v >> (8 * i)));
}

void PutChunk(Bytes& png, const char* type, const Bytes& data) {
  PutBe32(png, static_cast<uint32_t>(data.size()));
  Bytes body(type, type + 4);
  body.insert(body.end(), data.begin(), data.end());
  png.insert(png.end(), body.begin(), body.end());
  PutBe32(png, static_cast<uint32_t>(crc32(0, body.data(), static_cast<uInt>(body.size()))));
}

// An 8-bit palette PNG; a tRNS chunk when alphas are given.
Bytes MakePalettePng(int width, int height, const std::vector<Colour>& palette,
                     const Bytes& alphas, const std::function<int(int, int)>& index) {
  Bytes png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  Bytes ihdr;
  PutBe32(ihdr, width);
  PutBe32(ihdr, height);
  ihdr.insert(ihdr.end(), {8, 3, 0, 0, 0});
  PutChunk(png, "IHDR", ihdr);
  Bytes plte;
  for (Colour c : palette)
    plte.insert(plte.end(), {uint8_t(platform::RedOf(c)), uint8_t(platform::GreenOf(c)),
                             uint8_t(platform::BlueOf(c))});
  PutChunk(png, "PLTE", plte);
  if (!alphas.empty()) PutChunk(png, "tRNS", alphas);
  Bytes raw;
  for (int y = 0; y < height; ++y) {
    raw.push_back(0);
    for (int x = 0; x < width; ++x) raw.push_back(uint8_t(index(x, y)));
  }
  uLongf size = compressBound(static_cast<uLong>(raw.size()));
  Bytes packed(size);
  compress(packed.data(), &size, raw.data(), static_cast<uLong>(raw.size()));
  packed.resize(size);
  PutChunk(png, "IDAT", packed);
  PutChunk(png, "IEND", {});
  return png;
}

// Four flat quadrants: red, green, blue, white.
Colour Quadrant(int x, int y, int w, int h) {
  const bool right = x >= w / 2, bottom = y >= h / 2;
  if (!bottom) return right ? platform::clLime : platform::clRed;
  return right ? platform::clWhite : platform::clBlue;
}

Bytes MakeQuadrantJpeg(int size, bool progressive = false) {
  Bitmap b(size, size);
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) b.SetPixel(x, y, Quadrant(x, y, size, size));
  const std::string s = EncodeJpeg(b, 95, progressive);
  return {s.begin(), s.end()};
}

// The frame header's height and width set to claim a bigger image.
Bytes WithJpegSize(Bytes jpeg, int width, int height) {
  for (size_t i = 2; i + 8 < jpeg.size(); ++i)
    if (jpeg[i] == 0xFF && (jpeg[i + 1] == 0xC0 || jpeg[i + 1] == 0xC2)) {
      jpeg[i + 5] = uint8_t(height >> 8);
      jpeg[i + 6] = uint8_t(height);
      jpeg[i + 7] = uint8_t(width >> 8);
      jpeg[i + 8] = uint8_t(width);
      break;
    }
  return jpeg;
}

bool Near(Colour a, Colour b, int tolerance) {
  return std::abs(platform::RedOf(a) - platform::RedOf(b)) <= tolerance &&
         std::abs(platform::GreenOf(a) - platform::GreenOf(b)) <= tolerance &&
         std::abs(platform::BlueOf(a) - platform::BlueOf(b)) <= tolerance;
}

std::string Hex(Colour c) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%06X", c);
  return buf;
}

class ImageCacheTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::SetScreenDepth(24);
    InitPngModule();
    InitImageModule();
    dir_ = testsupport::MakeTempDir("images");
  }
  void TearDown() override {
    DoneImageModule();
    platform::SetScreenDepth(24);
  }

  std::string Write(const std::string& name, const Bytes& bytes) {
    const std::string path = dir_ + "/" + name;
    WriteBytes(path, bytes);
    return path;
  }

  std::string dir_;
};

// ------------------------------------------------------------- recognition

TEST_F(ImageCacheTest, KindFromFirstBytes) {
  struct Case {
    const char* what;
    Bytes bytes;
    TImageKind kind;
  };
  const Case cases[] = {
      {"GIF87a", {'G', 'I', 'F', '8', '7', 'a'}, ikGif87},
      {"GIF89a", {'G', 'I', 'F', '8', '9', 'a'}, ikGif89},
      {"GIF8 then anything but 9", {'G', 'I', 'F', '8', 'x'}, ikGif87},
      {"GIF8 alone", {'G', 'I', 'F', '8'}, ikGif87},
      {"GIF7", {'G', 'I', 'F', '7', '9'}, ikNone},
      {"BM", {'B', 'M'}, ikBmp},
      {"PNG", {0x89, 'P', 'N', 'G', 0x0D}, ikPng},
      {"PNG without the high byte", {'P', 'N', 'G', 0}, ikNone},
      {"JPEG", {0xFF, 0xD8, 0xFF}, ikJpeg},
      {"FF alone", {0xFF}, ikNone},
      {"empty", {}, ikNone},
      {"text", {'<', 'h', 't', 'm', 'l'}, ikNone},
  };
  for (const Case& c : cases) EXPECT_EQ(ImageKindFromSignature(c.bytes), c.kind) << c.what;
}

TEST_F(ImageCacheTest, KindOfFileNeedsTenBytes) {
  EXPECT_EQ(ImageKindOfFile(dir_ + "/missing.gif"), ikNone);
  EXPECT_EQ(ImageKindOfFile(Write("nine.gif", {'G', 'I', 'F', '8', '9', 'a', 1, 2, 3})), ikNone);
  EXPECT_EQ(ImageKindOfFile(Write("ten.gif", {'G', 'I', 'F', '8', '9', 'a', 1, 2, 3, 4})), ikGif89);
  EXPECT_EQ(ImageKindOfFile(kData + "four-colors.gif"), ikGif89);
  EXPECT_EQ(ImageKindOfFile(kData + "basn2c08.png"), ikPng);
  // A name that differs from the file's only in case is found.
  Write("Mixed.PNG", ReadBytes(kData + "basn2c08.png"));
  EXPECT_EQ(ImageKindOfFile(dir_ + "/mixed.png"), ikPng);
}

// ------------------------------------------------- images through the cache

struct Probe {
  int x, y;
  Colour colour;
};

TEST_F(ImageCacheTest, ImagesOfEachKindLoadThroughTheCache) {
  const std::vector<Colour> palette = {platform::clRed, platform::clNavy, platform::clYellow};
  struct Case {
    const char* key;
    std::string path;
    int width, height, depth, tolerance;
    std::vector<Probe> probes;
  };
  const std::vector<Case> cases = {
      {"BMP24", Write("quad.bmp", MakeBmp(6, 4, [](int x, int y) { return Quadrant(x, y, 6, 4); })), 6, 4,
       24, 0, {{0, 0, platform::clRed}, {5, 0, platform::clLime}, {0, 3, platform::clBlue}, {5, 3, platform::clWhite}}},
      // Rows stored top-down (a negative height) were refused.
      {"BMP24 top-down", Write("quad-down.bmp", TopDown(MakeBmp(6, 4, [](int x, int y) { return Quadrant(x, y, 6, 4); }))),
       6, 4, 24, 0, {{0, 0, platform::clRed}, {5, 0, platform::clLime}, {0, 3, platform::clBlue}, {5, 3, platform::clWhite}}},
      {"BMP8 top-down", Write("pal-down.bmp", TopDown(MakeBmp(3, 2, [&](int x, int y) { return palette[(x + y) % 3]; }, &palette))),
       3, 2, 24, 0, {{0, 0, platform::clRed}, {1, 0, platform::clNavy}, {2, 1, platform::clRed}}},
      // An 8-bit file is rebuilt at the screen's depth with its colours.
      {"BMP8", Write("pal.bmp", MakeBmp(3, 2, [&](int x, int y) { return palette[(x + y) % 3]; }, &palette)),
       3, 2, 24, 0, {{0, 0, platform::clRed}, {1, 0, platform::clNavy}, {2, 1, platform::clRed}}},
      // PNG pixels are checked against the codec below.
      {"PNG", kData + "basn2c08.png", 32, 32, 24, 0, {}},
      {"PNG4", kData + "basn3p04.png", 32, 32, 24, 0, {}},
      {"JPEG", Write("quad.jpg", MakeQuadrantJpeg(32)), 32, 32, 24, 6,
       {{2, 2, platform::clRed}, {29, 2, platform::clLime}, {2, 29, platform::clBlue}, {29, 29, platform::clWhite}}},
  };
  TStringBitmapList cache;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key);
    TImageTransparency transparency = ttNone;
    std::unique_ptr<Bitmap> mask;
    std::unique_ptr<TViewImage> image = LoadImageFromFile(c.path, transparency, mask);
    ASSERT_TRUE(image);
    EXPECT_EQ(transparency, ttNone);
    EXPECT_FALSE(mask);
    const int index = cache.AddObject(c.key, std::make_unique<TBitmapItem>(std::move(image), nullptr, transparency));
    EXPECT_EQ(cache.Objects(index)->UseCount, 1);
    TViewImage* cached = cache.TakeImage(cache.IndexOf(c.key));
    ASSERT_TRUE(cached && cached->Bitmap());
    const Bitmap& b = *cached->Bitmap();
    EXPECT_EQ(ImageWidth(cached), c.width);
    EXPECT_EQ(ImageHeight(cached), c.height);
    EXPECT_EQ(b.BitDepth(), c.depth);
    for (const Probe& p : c.probes)
      EXPECT_TRUE(Near(b.Pixel(p.x, p.y), p.colour, c.tolerance))
          << p.x << "," << p.y << ": " << Hex(b.Pixel(p.x, p.y)) << " expected " << Hex(p.colour);
    EXPECT_FALSE(b.HasTransparency());
  }
  // The PNGs show what the viewer's codec decoded (gamma included).
  for (const char* name : {"basn2c08", "basn3p04"}) {
    SCOPED_TRACE(name);
    TPngPicture png;
    png.LoadFromFile(kData + name + ".png");
    const Bitmap& shown = *cache.Objects(cache.IndexOf(name == std::string("basn2c08") ? "PNG" : "PNG4"))
                               ->Image->Bitmap();
    EXPECT_EQ(shown.Image(), png.Bitmap().Image());
    // The codec's colours are the file's, through the display gamma: the
    // file's white corner stays white.
    EXPECT_EQ(shown.Pixel(0, 0), png.Bitmap().Pixel(0, 0));
  }
  EXPECT_EQ(cache.Count(), static_cast<int>(cases.size()));
}

TEST_F(ImageCacheTest, GifImagesAreKeptAsAnimatedImages) {
  TStringBitmapList cache;
  bool notAnimated = false;
  std::unique_ptr<TGIFImage> gif = CreateGifImageFromFile(notAnimated, kData + "animation.gif", ScreenPalette());
  ASSERT_TRUE(gif);
  EXPECT_FALSE(notAnimated);
  const int frames = gif->NumFrames();
  cache.AddObject("ANIM", std::make_unique<TBitmapItem>(std::make_unique<TViewImage>(std::move(gif)),
                                                        nullptr, ttNone));
  TViewImage* image = cache.TakeImage(cache.IndexOf("ANIM"));
  ASSERT_TRUE(image->Gif());
  EXPECT_GT(frames, 1);
  EXPECT_EQ(ImageWidth(image), image->Gif()->Width());
  EXPECT_EQ(ImageHeight(image), image->Gif()->Height());

  std::unique_ptr<TGIFImage> still = CreateGifImageFromFile(notAnimated, kData + "four-colors.gif", ScreenPalette());
  ASSERT_TRUE(still);
  EXPECT_TRUE(notAnimated);
  const Bytes rgba = ReadBytes(kData + "four-colors.rgba");
  const Bitmap& frame = still->GetBitmap();
  for (int i = 0; i < 4; ++i)
    EXPECT_EQ(frame.Pixel(i % 2, i / 2), Rgb(rgba[4 * i], rgba[4 * i + 1], rgba[4 * i + 2])) << i;
  // GIF data are not decoded by the plain loaders.
  TImageTransparency t = ttNone;
  std::unique_ptr<Bitmap> mask;
  EXPECT_FALSE(LoadImageFromFile(kData + "four-colors.gif", t, mask));
}

TEST_F(ImageCacheTest, ImageSizeOfAnythingElseRaises) {
  try {
    ImageWidth(nullptr);
    FAIL() << "no exception";
  } catch (const EGDIPlus& e) {
    EXPECT_STREQ(e.what(), "Not a TBitmap, TGifImage, TMetafile, or TGpImage");
  }
  EXPECT_THROW(ImageHeight(nullptr), EGDIPlus);
}

// ---------------------------------------------------------- transparency

TEST_F(ImageCacheTest, LowerLeftTransparencyMasksThatColour) {
  // Yellow frame on navy; the lower-left pixel is navy.
  const std::string path = Write("frame.bmp", MakeBmp(5, 4, [](int x, int y) {
    return (x == 2 && y == 1) ? platform::clYellow : platform::clNavy;
  }));
  TImageTransparency t = ttLowerLeft;
  std::unique_ptr<Bitmap> mask;
  std::unique_ptr<TViewImage> image = LoadImageFromFile(path, t, mask);
  ASSERT_TRUE(image && mask);
  EXPECT_EQ(t, ttLowerLeft);
  EXPECT_EQ(mask->Pixel(2, 1), platform::clBlack);
  EXPECT_EQ(mask->Alpha(2, 1), 255);
  EXPECT_EQ(mask->Pixel(0, 3), platform::clWhite);
  EXPECT_EQ(mask->Pixel(4, 0), platform::clWhite);
  EXPECT_EQ(mask->BitDepth(), 1);
  // The image keeps its colours; the mask alone says what shows.
  EXPECT_EQ(image->Bitmap()->Pixel(0, 3), platform::clNavy);
}

TEST_F(ImageCacheTest, PalettePngWithTransparentEntryGetsMaskAndBlackUnderIt) {
  // Entry 0 (white, found nowhere else in the palette) has alpha 0.
  const std::vector<int> rgba = ReadJsonNumbers(kData + "tbbn3p08.json");
  TPngPicture png;
  png.LoadFromFile(kData + "tbbn3p08.png");
  TImageTransparency t = ttNone;
  std::unique_ptr<Bitmap> mask;
  std::unique_ptr<TViewImage> image = LoadImageFromFile(kData + "tbbn3p08.png", t, mask);
  ASSERT_TRUE(image && mask);
  EXPECT_EQ(t, ttPngColor);
  const Bitmap& b = *image->Bitmap();
  int transparent = 0;
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) {
      const bool hidden = rgba[(size_t(y) * 32 + x) * 4 + 3] == 0;
      transparent += hidden;
      ASSERT_EQ(mask->Pixel(x, y), hidden ? platform::clWhite : platform::clBlack) << x << "," << y;
      ASSERT_EQ(b.Pixel(x, y), hidden ? platform::clBlack : png.Bitmap().Pixel(x, y)) << x << "," << y;
    }
  EXPECT_EQ(transparent, 454);
  // The mask alone says what shows: the pixels carry no alpha of their own.
  EXPECT_FALSE(b.HasTransparency());
}

TEST_F(ImageCacheTest, TransparentColourIsTheFirstEntryWithAlphaZero) {
  std::vector<Colour> palette;
  for (int i = 0; i < 8; ++i) palette.push_back(Rgb(i * 30, 200 - i * 20, 7 * i));
  // Entries 0..4 only partly transparent; 5 and 6 fully: 5 is taken.
  const Bytes alphas = {255, 128, 1, 255, 200, 0, 0, 255};
  const Bytes pngBytes = MakePalettePng(8, 2, palette, alphas, [](int x, int y) { return x; });
  platform::TMemoryStream stream(pngBytes);
  stream.SetPosition(11);
  Colour colour = 0;
  EXPECT_TRUE(ProbePngTransparentColor(stream, colour));
  EXPECT_EQ(colour, palette[5]);
  EXPECT_EQ(stream.Position(), 11);

  TImageTransparency t = ttNone;
  std::unique_ptr<Bitmap> mask;
  std::unique_ptr<Bitmap> b = DecodeImage(&stream, t, mask);
  ASSERT_TRUE(b && mask);
  EXPECT_EQ(t, ttPngColor);
  for (int x = 0; x < 8; ++x) {
    EXPECT_EQ(mask->Pixel(x, 1), x == 5 ? platform::clWhite : platform::clBlack) << x;
    // Entry 6 is fully transparent too, but only the first one is a key.
    EXPECT_EQ(b->Pixel(x, 1), x == 5 ? platform::clBlack : palette[x]) << x;
  }
}

TEST_F(ImageCacheTest, ProbeFindsNothingWhereNoEntryIsFullyTransparent) {
  const std::vector<Colour> palette = {platform::clRed, platform::clLime};
  struct Case {
    const char* what;
    Bytes png;
  };
  Bytes longTrns(300, 255);  // longer than any palette: read into 256 at most
  Bytes hugePlte = MakePalettePng(2, 2, palette, {}, [](int x, int) { return x; });
  const Case cases[] = {
      {"no tRNS", MakePalettePng(2, 2, palette, {}, [](int x, int) { return x; })},
      {"partial alpha only", MakePalettePng(2, 2, palette, {10, 20}, [](int x, int) { return x; })},
      {"over-long tRNS", MakePalettePng(2, 2, palette, longTrns, [](int x, int) { return x; })},
      {"truecolour with tRNS", ReadBytes(kData + "tbrn2c08.png")},
      {"cut in the header", Bytes(hugePlte.begin(), hugePlte.begin() + 20)},
      {"not a PNG", Bytes(40, 'x')},
  };
  for (const Case& c : cases) {
    platform::TMemoryStream stream(c.png);
    Colour colour = 0;
    EXPECT_FALSE(ProbePngTransparentColor(stream, colour)) << c.what;
  }
  // A truecolour PNG with a tRNS chunk gets no mask: its key pixels are
  // see-through by their alpha instead.
  TImageTransparency t = ttNone;
  std::unique_ptr<Bitmap> mask;
  std::unique_ptr<TViewImage> image = LoadImageFromFile(kData + "tbrn2c08.png", t, mask);
  ASSERT_TRUE(image);
  EXPECT_EQ(t, ttNone);
  EXPECT_FALSE(mask);
  EXPECT_TRUE(image->Bitmap()->HasTransparency());
}

// The opacity a PNG file gives its pixels survives decoding as alpha, on
// every screen, so the picture is drawn over whatever lies under it.
TEST_F(ImageCacheTest, PngOpacityBecomesTheBitmapsAlpha) {
  const std::string png = std::string(DRAVLEN_TEST_DATA) + "/png/";
  struct Case {
    const char* what;
    Bytes data;
    std::vector<int> alphas;   // per pixel, row by row
  };
  std::vector<Case> cases;
  for (const char* name : {"basn6a08", "basn4a08", "tbrn2c08", "tbbn0g04"}) {
    const std::vector<int> rgba = ReadJsonNumbers(png + name + ".json");
    std::vector<int> alphas;
    for (size_t i = 3; i < rgba.size(); i += 4) alphas.push_back(rgba[i]);
    cases.push_back({name, ReadBytes(png + name + ".png"), alphas});
  }
  // Palette alphas none of which is 0: no key colour, so no mask, but the
  // entries are partly see-through.
  cases.push_back({"partial palette alphas",
                   MakePalettePng(3, 2, {platform::clRed, platform::clLime, platform::clBlue}, {10, 200},
                                  [](int x, int) { return x; }),
                   {10, 200, 255, 10, 200, 255}});
  for (int depth : {24, 8, 4}) {
    platform::SetScreenDepth(depth);
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.what) + " on a screen of " + std::to_string(depth) + " bits");
      platform::TMemoryStream stream(c.data);
      TImageTransparency t = ttNone;
      std::unique_ptr<Bitmap> mask;
      std::unique_ptr<Bitmap> b = DecodeImage(&stream, t, mask);
      ASSERT_TRUE(b);
      EXPECT_EQ(t, ttNone);
      EXPECT_FALSE(mask);
      int wrong = 0;
      for (int i = 0; i < int(c.alphas.size()); ++i)
        wrong += b->Alpha(i % b->Width(), i / b->Width()) != c.alphas[size_t(i)];
      EXPECT_EQ(wrong, 0);
    }
  }
  platform::SetScreenDepth(24);

  // Asked for lower-left transparency, the picture keeps both.
  platform::TMemoryStream stream(cases[0].data);
  TImageTransparency t = ttLowerLeft;
  std::unique_ptr<Bitmap> mask;
  std::unique_ptr<Bitmap> b = DecodeImage(&stream, t, mask);
  ASSERT_TRUE(b && mask);
  EXPECT_EQ(t, ttLowerLeft);
  EXPECT_TRUE(b->HasTransparency());

  // Opaque pictures stay fully opaque.
  for (const char* name : {"basn2c08", "basn3p08", "basn0g16"}) {
    platform::TMemoryStream opaque(ReadBytes(png + name + ".png"));
    TImageTransparency none = ttNone;
    b = DecodeImage(&opaque, none, mask);
    ASSERT_TRUE(b) << name;
    EXPECT_FALSE(b->HasTransparency()) << name;
  }
}

TEST_F(ImageCacheTest, OverlongPaletteChunkDoesNotOverrunTheBuffer) {
  // A PLTE of 300 entries (more than 256) is read up to 256; the tRNS still
  // names entry 1.
  std::vector<Colour> palette(300, platform::clGray);
  palette[1] = platform::clFuchsia;
  const Bytes png = MakePalettePng(2, 1, palette, {255, 0}, [](int x, int) { return x; });
  platform::TMemoryStream stream(png);
  Colour colour = 0;
  EXPECT_TRUE(ProbePngTransparentColor(stream, colour));
  EXPECT_EQ(colour, platform::clFuchsia);
}

// Found by fuzzing: BMPs of a few bytes whose headers claim millions of
// pixels (read as a core header or an information header) were made at full
// size, then masked and dithered for about a minute. Such files give no
// image, whatever transparency and screen depth the page asks for.
TEST_F(ImageCacheTest, TinyBmpsClaimingMillionsOfPixelsGiveNoImage) {
  // The two files the fuzzer reported, the first with the core header size
  // (26983 x 2150), and an information header claiming 16000 x 16000.
  auto fuzzed = [](uint8_t b2, uint8_t b12, uint8_t gifFlag) {
    Bytes b = {'B', 'M', b2, 2, 'B', 'M', '>', 0, 0, 0, 0, 0, b12, 0, 26, 0, 0, 0,
               'g', 'i', 'f', gifFlag, 1, 0, 24, 0, '-'};
    return b;
  };
  std::vector<Bytes> files = {fuzzed('>', 0, 8), fuzzed(0xDA, ',', 0)};
  Bytes core = fuzzed('>', 0, 8);
  core[14] = 12;
  files.push_back(core);
  Bytes info = fuzzed('>', 0, 8);
  info.resize(54 + 64, 0);
  for (size_t at : {size_t(14), size_t(18), size_t(22), size_t(28), size_t(30)}) {
    const uint32_t v = at == 14 ? 40 : at == 28 ? 24 : at == 30 ? 0 : 16000;
    for (int k = 0; k < 4; ++k) info[at + k] = static_cast<uint8_t>(v >> (8 * k));
  }
  info[26] = 1;
  info[27] = 0;
  files.push_back(info);
  for (size_t i = 0; i < files.size(); ++i)
    for (int depth : {24, 8})
      for (TImageTransparency asked : {ttNone, ttLowerLeft}) {
        platform::SetScreenDepth(depth);
        platform::TMemoryStream stream(files[i]);
        TImageTransparency t = asked;
        std::unique_ptr<Bitmap> mask;
        EXPECT_FALSE(DecodeImage(&stream, t, mask)) << "file " << i << ", depth " << depth;
        EXPECT_FALSE(mask);
      }
  platform::SetScreenDepth(24);
}

// --------------------------------------------------------------- the cache

std::unique_ptr<TBitmapItem> SmallItem(Colour c = platform::clRed) {
  return std::make_unique<TBitmapItem>(std::make_unique<TViewImage>(Bitmap(2, 2, c)), nullptr, ttNone);
}

TEST_F(ImageCacheTest, CacheHoldsGdiPlusForItsLifetime) {
  const int before = GdiPlusUsers();
  {
    TStringBitmapList a;
    EXPECT_EQ(GdiPlusUsers(), before + 1);
    {
      TStringBitmapList b;
      EXPECT_EQ(GdiPlusUsers(), before + 2);
    }
    EXPECT_EQ(GdiPlusUsers(), before + 1);
    EXPECT_EQ(a.MaxCache(), 4);
  }
  EXPECT_EQ(GdiPlusUsers(), before);
}

TEST_F(ImageCacheTest, TwoFetchesShareOneImageUntilBothAreReleased) {
  TStringBitmapList cache;
  const int added = cache.AddObject("HTTP://X/A.PNG", SmallItem());
  TBitmapItem* item = cache.Objects(added);
  TViewImage* first = item->Image.get();
  EXPECT_EQ(item->UseCount, 1);
  // A second element of the page finds it in the cache.
  const int found = cache.IndexOf("HTTP://X/A.PNG");
  ASSERT_EQ(found, added);
  EXPECT_EQ(cache.TakeImage(found), first);
  EXPECT_EQ(item->UseCount, 2);
  cache.ReleaseUse("HTTP://X/A.PNG");
  EXPECT_EQ(item->UseCount, 1);
  cache.ReleaseUse("HTTP://X/A.PNG");
  EXPECT_EQ(item->UseCount, 0);
  cache.ReleaseUse("HTTP://X/OTHER.PNG");  // unknown keys are ignored
  EXPECT_EQ(cache.Count(), 1);             // releasing frees nothing
}

TEST_F(ImageCacheTest, KeysAreSortedAndCompareWithCase) {
  TStringBitmapList cache;
  for (const char* key : {"c.png", "A.png", "b.png", "a.png"}) cache.AddObject(key, SmallItem());
  ASSERT_EQ(cache.Count(), 4);
  EXPECT_EQ(cache.Strings(0), "A.png");
  EXPECT_EQ(cache.Strings(1), "a.png");
  EXPECT_EQ(cache.Strings(3), "c.png");
  EXPECT_EQ(cache.IndexOf("B.png"), -1);
  EXPECT_EQ(cache.IndexOf("b.png"), 2);
  EXPECT_THROW(cache.Objects(4), platform::EListError);
  EXPECT_THROW(cache.TakeImage(-1), platform::EListError);
}

TEST_F(ImageCacheTest, AddingAKeyTwiceKeepsTheImageInUse) {
  TStringBitmapList cache;
  cache.AddObject("K", SmallItem(platform::clRed));
  TViewImage* original = cache.Objects(0)->Image.get();
  cache.Objects(0)->Age = 3;
  const int index = cache.AddObject("K", SmallItem(platform::clBlue));
  EXPECT_EQ(cache.Count(), 1);
  EXPECT_EQ(cache.Objects(index)->Image.get(), original);
  EXPECT_EQ(cache.Objects(index)->Image->Bitmap()->Pixel(0, 0), platform::clRed);
  EXPECT_EQ(cache.Objects(index)->UseCount, 2);
  EXPECT_EQ(cache.Objects(index)->Age, 0);
}

TEST_F(ImageCacheTest, AgeingFreesUnusedEntriesAfterTheLimit) {
  struct Case {
    int limit;
    int loadsSurvived;  // further document loads an unused entry outlives
  };
  for (const Case c : {Case{0, 0}, Case{5, 5}, Case{4, 4}}) {
    SCOPED_TRACE(c.limit);
    TStringBitmapList cache;
    cache.SetCacheLimit(c.limit);
    cache.AgeItems();  // the load of the document that shows the image
    cache.AddObject("IMG", SmallItem());
    cache.AddObject("HELD", SmallItem());
    cache.ReleaseUse("IMG");  // its image object went with the document
    for (int load = 1; load <= c.loadsSurvived; ++load) {
      cache.AgeItems();
      ASSERT_NE(cache.IndexOf("IMG"), -1) << "load " << load;
    }
    cache.AgeItems();
    EXPECT_EQ(cache.IndexOf("IMG"), -1);
    // An entry the current document uses is never freed by age.
    for (int i = 0; i < 30; ++i) cache.AgeItems();
    ASSERT_NE(cache.IndexOf("HELD"), -1);
    EXPECT_EQ(cache.Objects(cache.IndexOf("HELD"))->Age, c.loadsSurvived + 31);
  }
}

TEST_F(ImageCacheTest, FetchingResetsTheAge) {
  TStringBitmapList cache;
  cache.SetCacheLimit(1);
  cache.AddObject("IMG", SmallItem());
  cache.ReleaseUse("IMG");
  cache.AgeItems();
  cache.TakeImage(cache.IndexOf("IMG"));  // the next document names it again
  cache.ReleaseUse("IMG");
  cache.AgeItems();
  EXPECT_NE(cache.IndexOf("IMG"), -1);
  cache.AgeItems();
  EXPECT_EQ(cache.IndexOf("IMG"), -1);
}

TEST_F(ImageCacheTest, LoweringTheLimitFreesOlderUnusedEntriesAtOnce) {
  TStringBitmapList cache;
  cache.SetCacheLimit(5);
  for (const char* key : {"OLD", "MID", "NEW", "HELD"}) cache.AddObject(key, SmallItem());
  for (const char* key : {"OLD", "MID", "NEW"}) cache.ReleaseUse(key);
  cache.Objects(cache.IndexOf("OLD"))->Age = 4;
  cache.Objects(cache.IndexOf("MID"))->Age = 2;
  cache.Objects(cache.IndexOf("NEW"))->Age = 1;
  cache.Objects(cache.IndexOf("HELD"))->Age = 4;
  cache.SetCacheLimit(1);
  EXPECT_EQ(cache.MaxCache(), 1);
  EXPECT_EQ(cache.IndexOf("OLD"), -1);
  EXPECT_EQ(cache.IndexOf("MID"), -1);
  EXPECT_NE(cache.IndexOf("NEW"), -1);   // age 1 is not above 1
  EXPECT_NE(cache.IndexOf("HELD"), -1);  // in use
  EXPECT_EQ(cache.Objects(cache.IndexOf("NEW"))->Age, 1);  // ages are not raised
}

TEST_F(ImageCacheTest, ClearEmptiesTheCacheWhichStaysUsable) {
  TStringBitmapList cache;
  cache.AddObject("A", SmallItem());
  cache.AddObject("B", SmallItem());
  cache.Clear();
  EXPECT_EQ(cache.Count(), 0);
  cache.AddObject("A", SmallItem());
  EXPECT_EQ(cache.Count(), 1);
}

// -------------------------------------------------------- bad image data

TEST_F(ImageCacheTest, BadImagesGiveNoImage) {
  const Bytes bmp = MakeBmp(8, 8, [](int x, int y) { return Quadrant(x, y, 8, 8); });
  const Bytes png = ReadBytes(kData + "basn2c08.png");
  const Bytes jpeg = MakeQuadrantJpeg(64);
  const Bytes gif = ReadBytes(kData + "animation.gif");
  auto cut = [](const Bytes& b, size_t n) { return Bytes(b.begin(), b.begin() + std::min(n, b.size())); };
  auto flip = [](Bytes b, size_t at) {
    b[at] ^= 0x5A;
    return b;
  };
  auto withLe32 = [](Bytes b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = uint8_t(v >> (8 * i));
    return b;
  };
  Bytes jpegGarbage = cut(jpeg, 4);
  jpegGarbage.resize(400, 0x37);
  struct Case {
    const char* what;
    Bytes bytes;
  };
  const std::vector<Case> cases = {
      {"BMP of 19 bytes", cut(bmp, 19)},
      {"BMP header only", cut(bmp, 54)},
      {"BMP cut in its pixels", cut(bmp, bmp.size() / 2)},
      {"BMP claiming 100000 x 100000 pixels", withLe32(withLe32(bmp, 18, 100000), 22, 100000)},
      {"BMP with 0 bits per pixel", withLe32(bmp, 28, 0)},
      {"BMP with a negative width", withLe32(bmp, 18, 0xFFFFFFF0u)},
      {"PNG of 19 bytes", cut(png, 19)},
      {"PNG cut in its image data", cut(png, png.size() - 30)},
      {"PNG with a bad CRC", flip(png, 29)},
      {"PNG with damaged image data", flip(png, 60)},
      {"JPEG of 19 bytes", cut(jpeg, 19)},
      {"JPEG cut in half", cut(jpeg, jpeg.size() / 2)},
      {"JPEG without its end", cut(jpeg, jpeg.size() - 2)},
      {"JPEG of garbage after its start", jpegGarbage},
      {"JPEG with a damaged header", flip(flip(jpeg, 20), 21)},
      {"JPEG claiming 16000 x 16000 pixels", WithJpegSize(jpeg, 16000, 16000)},
      {"progressive JPEG claiming 16000 x 16000 pixels", WithJpegSize(MakeQuadrantJpeg(64, true), 16000, 16000)},
      {"progressive JPEG cut short", cut(MakeQuadrantJpeg(64, true), 300)},
      {"GIF through the plain loaders", gif},
      {"nothing known", Bytes(64, 'x')},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string path = Write("bad.img", c.bytes);
    TImageTransparency t = ttLowerLeft;
    std::unique_ptr<Bitmap> mask = std::make_unique<Bitmap>(1, 1);
    EXPECT_FALSE(LoadImageFromFile(path, t, mask));
    EXPECT_FALSE(mask);
    platform::TMemoryStream stream(c.bytes);
    EXPECT_FALSE(DecodeImage(&stream, t, mask));
    EXPECT_FALSE(mask);
  }
  TImageTransparency t = ttNone;
  std::unique_ptr<Bitmap> mask;
  EXPECT_FALSE(LoadImageFromFile(dir_ + "/missing.png", t, mask));
  EXPECT_FALSE(LoadImageFromStream(nullptr, t, mask));
  EXPECT_FALSE(DecodeImage(nullptr, t, mask));
}

TEST_F(ImageCacheTest, MutatedImagesNeverCrash) {
  // A small deterministic fuzz: damaged bytes and cut-offs of each kind go
  // through the decoders, which must come back with an image or none.
  const std::vector<Bytes> seeds = {
      MakeBmp(9, 7, [](int x, int y) { return Quadrant(x, y, 9, 7); }),
      ReadBytes(kData + "basn3p04.png"),
      ReadBytes(kData + "tbbn3p08.png"),
      MakeQuadrantJpeg(24),
  };
  uint32_t state = 12345;
  auto next = [&] {
    state = state * 1664525u + 1013904223u;
    return state >> 8;
  };
  int decoded = 0, refused = 0;
  for (const Bytes& seed : seeds)
    for (int round = 0; round < 150; ++round) {
      Bytes bytes = seed;
      const int flips = 1 + next() % 4;
      for (int i = 0; i < flips; ++i) bytes[2 + next() % (bytes.size() - 2)] = uint8_t(next());
      if (round % 5 == 0) bytes.resize(2 + next() % (bytes.size() - 2));
      platform::TMemoryStream stream(bytes);
      TImageTransparency t = round % 2 ? ttLowerLeft : ttNone;
      std::unique_ptr<Bitmap> mask;
      std::unique_ptr<Bitmap> b = DecodeImage(&stream, t, mask);
      (b ? decoded : refused)++;
      if (b && mask) {
        EXPECT_EQ(mask->Width(), b->Width());
        EXPECT_EQ(mask->Height(), b->Height());
      }
    }
  EXPECT_GT(refused, 0);
  EXPECT_GT(decoded, 0);
}

TEST_F(ImageCacheTest, BadGifsGiveNoImage) {
  const Bytes gif = ReadBytes(kData + "animation.gif");
  for (size_t n : {size_t(6), size_t(13), size_t(40), gif.size() - 20}) {
    platform::TMemoryStream stream(Bytes(gif.begin(), gif.begin() + n));
    bool notAnimated = false;
    // A cut-off GIF may still give its complete frames; it must not crash.
    std::unique_ptr<TGIFImage> image = CreateGifImageFromStream(notAnimated, stream, ScreenPalette());
    if (n < 40) {
      EXPECT_FALSE(image) << n;
    }
  }
  bool notAnimated = false;
  EXPECT_FALSE(CreateGifImageFromFile(notAnimated, dir_ + "/missing.gif"));
}

TEST_F(ImageCacheTest, JpegDecoderReportsErrorsAsExceptions) {
  const Bytes jpeg = MakeQuadrantJpeg(16);
  EXPECT_THROW(DecodeJpeg(jpeg.data(), jpeg.size() / 2), EJpegError);
  EXPECT_THROW(DecodeJpeg(jpeg.data(), 1), EJpegError);
  const Bitmap b = DecodeJpeg(jpeg.data(), jpeg.size());
  EXPECT_EQ(b.Width(), 16);
  const Bytes progressive = MakeQuadrantJpeg(16, true);
  const Bitmap p = DecodeJpeg(progressive.data(), progressive.size());
  EXPECT_TRUE(Near(p.Pixel(12, 12), platform::clWhite, 6));
  // A greyscale file keeps its greys at 8 bits when asked.
  Bitmap grey(8, 8, Rgb(90, 90, 90));
  const std::string g = EncodeJpeg(grey, 90);
  const Bitmap decoded = DecodeJpeg(reinterpret_cast<const uint8_t*>(g.data()), g.size(), true);
  EXPECT_TRUE(Near(decoded.Pixel(3, 3), Rgb(90, 90, 90), 3));
}

TEST_F(ImageCacheTest, ErrorPlaceholderIsReadyToDraw) {
  const Bitmap& error = ErrorImage();
  const Bitmap& mask = ErrorImageMask();
  ASSERT_EQ(error.Width(), 16);
  ASSERT_EQ(error.Height(), 16);
  EXPECT_EQ(error.BitDepth(), 4);
  ASSERT_EQ(mask.Width(), 16);
  EXPECT_EQ(mask.BitDepth(), 1);
  EXPECT_EQ(DelayedImage().Width(), 16);
  // The mask hides the corners and shows the red cross.
  EXPECT_EQ(mask.Pixel(0, 0), platform::clWhite);
  int red = 0;
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x)
      if (error.Pixel(x, y) == platform::clRed) {
        ++red;
        EXPECT_EQ(mask.Pixel(x, y), platform::clBlack);
      }
  EXPECT_GT(red, 10);
  // Drawn through its mask, the background stays where the mask is white.
  Bitmap target(16, 16, platform::clLime);
  {
    platform::Canvas canvas(&target.Image());
    DrawMaskedStretched(canvas, error, &mask, 0, 0, 16, 16);
  }
  EXPECT_EQ(target.Pixel(0, 0), platform::clLime);
  EXPECT_EQ(target.Pixel(7, 8), error.Pixel(7, 8));
}

// -------------------------------------------------------------- drawing

TEST_F(ImageCacheTest, MaskedStretchShowsOnlyOpaquePixels) {
  Bitmap image(2, 2, platform::clRed);
  image.SetPixel(1, 0, platform::clBlue);
  std::unique_ptr<Bitmap> mask = MakeImageMask(image, true, platform::clBlue);
  ASSERT_TRUE(mask);
  Bitmap target(6, 6, platform::clWhite);
  {
    platform::Canvas canvas(&target.Image());
    DrawMaskedStretched(canvas, image, mask.get(), 1, 1, 4, 4);
    // Without a mask the whole bitmap shows.
    DrawMaskedStretched(canvas, image, nullptr, 5, 5, 1, 1);
  }
  EXPECT_EQ(target.Pixel(0, 0), platform::clWhite);
  EXPECT_EQ(target.Pixel(1, 1), platform::clRed);
  EXPECT_EQ(target.Pixel(4, 1), platform::clWhite);  // the blue pixel is transparent
  EXPECT_EQ(target.Pixel(3, 2), platform::clWhite);
  EXPECT_EQ(target.Pixel(4, 4), platform::clRed);
  EXPECT_EQ(target.Pixel(5, 5), platform::clRed);
  EXPECT_FALSE(MakeImageMask(Bitmap(), false, 0));
}

// ------------------------------------------------------ palette screens

std::set<Colour> ColoursOf(const Bitmap& b) {
  std::set<Colour> colours;
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) colours.insert(b.Pixel(x, y));
  return colours;
}

TEST_F(ImageCacheTest, ScreenPaletteOfEightBitScreens) {
  EXPECT_EQ(ScreenColorBits(), 24);
  EXPECT_EQ(ScreenPalette(), nullptr);
  EXPECT_FALSE(CopyScreenPalette(nullptr));
  const platform::Palette built = BuildScreenPalette();
  EXPECT_FALSE(CopyScreenPalette(&built));  // no palettes on a true-colour screen
  for (const auto& [depth, bits] : std::vector<std::pair<int, int>>{{1, 4}, {4, 4}, {5, 8}, {8, 8}, {16, 24}, {32, 24}}) {
    platform::SetScreenDepth(depth);
    EXPECT_EQ(ScreenColorBits(), bits) << depth;
  }
  platform::SetScreenDepth(8);
  const platform::Palette* pal = ScreenPalette();
  ASSERT_TRUE(pal);
  ASSERT_EQ(pal->Count(), 256);
  EXPECT_EQ(pal->entries[0], platform::clBlack);
  EXPECT_EQ(pal->entries[255], platform::clWhite);
  EXPECT_EQ(pal->entries[10], Rgb(55, 55, 55));
  EXPECT_EQ(pal->entries[11], Rgb(115, 55, 55));  // red is the inner loop
  EXPECT_EQ(pal->entries[16], Rgb(55, 115, 55));
  EXPECT_EQ(pal->entries[224], Rgb(235, 255, 255));
  EXPECT_EQ(pal->entries[225], Rgb(135, 135, 135));
  EXPECT_EQ(pal->entries[244], Rgb(245, 245, 245));
  EXPECT_EQ(pal->entries[245], Rgb(255, 255, 254));
  EXPECT_EQ(std::count(pal->entries.begin(), pal->entries.end(), Rgb(250, 250, 250)), 0);
  EXPECT_EQ(std::count(pal->entries.begin(), pal->entries.end(), Rgb(165, 165, 165)), 1);
  const auto copy = CopyScreenPalette(pal);
  ASSERT_TRUE(copy);
  EXPECT_EQ(copy->entries, pal->entries);
  const platform::Palette empty;
  EXPECT_FALSE(CopyScreenPalette(&empty));
}

TEST_F(ImageCacheTest, EightBitScreenReducesImagesToThePalette) {
  platform::SetScreenDepth(8);
  const platform::Palette* pal = ScreenPalette();
  ASSERT_TRUE(pal);
  const std::set<Colour> allowed(pal->entries.begin(), pal->entries.end());
  // Soft gradients so dithering has work to do.
  const Bytes bmp = MakeBmp(16, 16, [](int x, int y) { return Rgb(x * 16, y * 16, 100); });
  Bitmap gradient(24, 24);
  for (int y = 0; y < 24; ++y)
    for (int x = 0; x < 24; ++x) gradient.SetPixel(x, y, Rgb(x * 10, 128, y * 10));
  const std::string jpeg = EncodeJpeg(gradient, 90);
  struct Case {
    const char* what;
    std::string path;
  };
  const Case cases[] = {
      {"BMP", Write("g.bmp", bmp)},
      {"JPEG", Write("g.jpg", Bytes(jpeg.begin(), jpeg.end()))},
      {"PNG", kData + "basn2c08.png"},
      {"palette PNG with transparency", kData + "tbbn3p08.png"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TImageTransparency t = ttNone;
    std::unique_ptr<Bitmap> mask;
    std::unique_ptr<TViewImage> image = LoadImageFromFile(c.path, t, mask);
    ASSERT_TRUE(image && image->Bitmap());
    const Bitmap& b = *image->Bitmap();
    EXPECT_EQ(b.BitDepth(), 8);
    for (Colour colour : ColoursOf(b)) EXPECT_TRUE(allowed.count(colour)) << Hex(colour);
  }
  // The transparent parts are still masked and black.
  TImageTransparency t = ttNone;
  std::unique_ptr<Bitmap> mask;
  std::unique_ptr<TViewImage> image = LoadImageFromFile(kData + "tbbn3p08.png", t, mask);
  ASSERT_TRUE(image && mask);
  EXPECT_EQ(t, ttPngColor);
  const std::vector<int> rgba = ReadJsonNumbers(kData + "tbbn3p08.json");
  for (int i = 0; i < 32 * 32; ++i)
    if (rgba[4 * i + 3] == 0) {
      ASSERT_EQ(mask->Pixel(i % 32, i / 32), platform::clWhite);
      ASSERT_EQ(image->Bitmap()->Pixel(i % 32, i / 32), platform::clBlack);
    }
}

TEST_F(ImageCacheTest, FourBitScreenUsesTheStaticColours) {
  platform::SetScreenDepth(4);
  EXPECT_EQ(ScreenPalette(), nullptr);
  const std::set<Colour> allowed(WindowsColors().begin(), WindowsColors().end());
  TImageTransparency t = ttNone;
  std::unique_ptr<Bitmap> mask;
  std::unique_ptr<TViewImage> image = LoadImageFromFile(kData + "basn2c08.png", t, mask);
  ASSERT_TRUE(image);
  for (Colour colour : ColoursOf(*image->Bitmap())) EXPECT_TRUE(allowed.count(colour)) << Hex(colour);
  // A device-dependent bitmap is mapped without dithering.
  Bitmap flat(4, 4, Rgb(250, 10, 10));
  const Bitmap rebuilt = AdaptBitmapToScreen(flat, true);
  EXPECT_EQ(ColoursOf(rebuilt), std::set<Colour>{platform::clRed});
}

TEST_F(ImageCacheTest, TrueColourScreenRebuildsLowDepthBitmapsOnly) {
  Bitmap low(2, 2, platform::clTeal);
  low.SetBitDepth(4);
  const Bitmap rebuilt = AdaptBitmapToScreen(low);
  EXPECT_EQ(rebuilt.BitDepth(), 24);
  EXPECT_EQ(rebuilt.Pixel(1, 1), platform::clTeal);
  Bitmap deep(2, 2, Rgb(1, 2, 3));
  deep.SetBitDepth(32);
  EXPECT_EQ(AdaptBitmapToScreen(deep).BitDepth(), 32);
  EXPECT_TRUE(AdaptBitmapToScreen(Bitmap()).IsNull());
}

// ------------------------------------------------------------------ GDI+

class GdiPlusImageTest : public ImageCacheTest {
 protected:
  void SetUp() override {
    ImageCacheTest::SetUp();
    SetGdiPlusAvailable(true);
  }
  void TearDown() override {
    SetGdiPlusAvailable(false);
    ImageCacheTest::TearDown();
  }
};

TEST_F(GdiPlusImageTest, PngGoesToGdiPlusWhileTheCacheHoldsIt) {
  const Bytes png = ReadBytes(kData + "basn2c08.png");
  {
    TStringBitmapList cache;
    ASSERT_TRUE(GDIPlusActive());
    TImageTransparency t = ttLowerLeft;
    std::unique_ptr<Bitmap> mask;
    std::unique_ptr<TViewImage> fromFile = LoadImageFromFile(kData + "basn2c08.png", t, mask);
    ASSERT_TRUE(fromFile && fromFile->GpImage());
    EXPECT_EQ(ImageWidth(fromFile.get()), 32);
    platform::TMemoryStream stream(png);
    t = ttLowerLeft;
    std::unique_ptr<TViewImage> fromStream = LoadImageFromStream(&stream, t, mask);
    ASSERT_TRUE(fromStream && fromStream->GpImage());
    EXPECT_EQ(t, ttNone);
    EXPECT_FALSE(mask);
    // Other kinds still go through the viewer's own decoders.
    platform::TMemoryStream bmp(MakeBmp(3, 3, [](int, int) { return platform::clRed; }));
    std::unique_ptr<TViewImage> plain = LoadImageFromStream(&bmp, t, mask);
    ASSERT_TRUE(plain && plain->Bitmap());
    // A PNG the engine cannot read fails as the engine says.
    const std::string bad = Write("bad.png", Bytes(png.begin(), png.begin() + 40));
    EXPECT_THROW(LoadImageFromFile(bad, t, mask), EGDIPlus);
  }
  EXPECT_FALSE(GDIPlusActive());
  TImageTransparency t = ttNone;
  std::unique_ptr<Bitmap> mask;
  std::unique_ptr<TViewImage> own = LoadImageFromFile(kData + "basn2c08.png", t, mask);
  ASSERT_TRUE(own && own->Bitmap());
}

// ------------------------------------------------------------ the module

TEST_F(ImageCacheTest, ModuleStartUpIsCountedAndMakesItsState) {
  ASSERT_TRUE(ImageModuleStarted());
  platform::TMemoryStream* wait = ImageWaitStream();
  ASSERT_TRUE(wait);
  EXPECT_EQ(wait->Size(), 0);
  InitImageModule();  // a second start-up only counts
  EXPECT_EQ(ImageWaitStream(), wait);
  DoneImageModule();
  EXPECT_EQ(ImageWaitStream(), wait);
  EXPECT_FALSE(platform::CursorFor(crLinkCursor).pixmap().isNull());
  EXPECT_FALSE(platform::CursorFor(crUpDownCursor).pixmap().isNull());
  EXPECT_FALSE(platform::CursorFor(crUpOnlyCursor).pixmap().isNull());
  EXPECT_FALSE(platform::CursorFor(crDownOnlyCursor).pixmap().isNull());
  EXPECT_FALSE(IsWindows95());
  EXPECT_FALSE(IsWindows9x());
  DoneImageModule();
  EXPECT_FALSE(ImageModuleStarted());
  EXPECT_EQ(ImageWaitStream(), nullptr);
  InitImageModule();  // for the fixture's clean-up
}

}  // namespace
