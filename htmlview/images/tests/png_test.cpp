#include "htmlview/images/pngcodec.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "htmlview/images/pngfilters.h"
#include "htmlview/images/pngzstream.h"
#include "htmlview/images/picformats.h"
#include "testsupport/testenv.h"

using namespace htmlview;
using platform::Colour;
using platform::Rgb;

namespace {

const std::string kData = std::string(DRAVLEN_TEST_DATA) + "/png/";

// ---- building PNG files by hand (zlib's own CRC and deflate) ----

std::string U32(uint32_t v) {
  return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
          static_cast<char>(v)};
}

std::string Chunk(const std::string& type, const std::string& data) {
  uLong crc = crc32(0, reinterpret_cast<const Bytef*>(type.data()), 4);
  crc = crc32(crc, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size()));
  return U32(static_cast<uint32_t>(data.size())) + type + data + U32(static_cast<uint32_t>(crc));
}

std::string Ihdr(uint32_t w, uint32_t h, int depth, int colourType, int interlace = 0) {
  return Chunk("IHDR", U32(w) + U32(h) + std::string{static_cast<char>(depth), static_cast<char>(colourType), 0,
                                                       0, static_cast<char>(interlace)});
}

std::string Deflate(const std::string& raw) {
  uLongf size = compressBound(static_cast<uLong>(raw.size()));
  std::string out(size, '\0');
  compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(raw.data()),
            static_cast<uLong>(raw.size()), 9);
  out.resize(size);
  return out;
}

std::string Inflate(const std::string& data) {
  z_stream z{};
  inflateInit(&z);
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());
  std::string out;
  char buffer[4096];
  int code = Z_OK;
  while (code == Z_OK) {
    z.next_out = reinterpret_cast<Bytef*>(buffer);
    z.avail_out = sizeof buffer;
    code = inflate(&z, Z_NO_FLUSH);
    out.append(buffer, sizeof buffer - z.avail_out);
  }
  inflateEnd(&z);
  return out;
}

const std::string kSignature = "\x89PNG\r\n\x1A\n";
const std::string kEnd = Chunk("IEND", "");

std::string Png(const std::vector<std::string>& chunks) {
  std::string file = kSignature;
  for (const auto& c : chunks) file += c;
  return file;
}

std::vector<uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

void Load(TPngPicture& picture, const std::string& file) {
  platform::TMemoryStream stream(Bytes(file));
  picture.LoadFromStream(stream);
}

std::string Save(TPngPicture& picture) {
  platform::TMemoryStream stream;
  picture.SaveToStream(stream);
  return {stream.Bytes().begin(), stream.Bytes().end()};
}

struct ChunkView {
  std::string type, data;
};
std::vector<ChunkView> ChunksOf(const std::string& file) {
  std::vector<ChunkView> chunks;
  size_t p = 8;
  while (p + 12 <= file.size()) {
    const auto* b = reinterpret_cast<const uint8_t*>(file.data() + p);
    const uint32_t n = (uint32_t(b[0]) << 24) | (b[1] << 16) | (b[2] << 8) | b[3];
    chunks.push_back({file.substr(p + 4, 4), file.substr(p + 8, n)});
    p += 12 + n;
  }
  return chunks;
}

std::vector<std::string> TypesOf(const std::string& file) {
  std::vector<std::string> types;
  for (const auto& c : ChunksOf(file)) types.push_back(c.type);
  return types;
}

// The filter byte of every row of a non-interlaced file.
std::vector<int> FilterBytes(const std::string& file, size_t rowBytes) {
  std::string data;
  for (const auto& c : ChunksOf(file))
    if (c.type == "IDAT") data += c.data;
  const std::string raw = Inflate(data);
  std::vector<int> filters;
  for (size_t p = 0; p < raw.size(); p += rowBytes + 1) filters.push_back(static_cast<uint8_t>(raw[p]));
  return filters;
}

std::vector<int> ReadJsonNumbers(const std::string& path) {
  const std::string text = testsupport::ReadAll(path);
  std::vector<int> numbers;
  int value = -1;
  for (char ch : text) {
    if (ch >= '0' && ch <= '9') {
      value = (value < 0 ? 0 : value * 10) + (ch - '0');
    } else if (value >= 0) {
      numbers.push_back(value);
      value = -1;
    }
  }
  return numbers;
}

// The gamma rule of the decoder, written out independently.
int GammaForward(int v, double gamma) {
  if (gamma <= 0) return v;
  return static_cast<int>(std::nearbyint(255.0 * std::pow(v / 255.0, 1.0 / (gamma * 2.2))));
}

class PngTest : public ::testing::Test {
 protected:
  void SetUp() override { InitPngModule(); }
};

// ---- decoding the suite ----

struct SuiteCase {
  const char* name;
  int width, height;
  int sampleBits;     // 16: the JSON holds 16-bit samples
  double gamma;       // 0: no gAMA chunk
  int pixelFormat;    // nominal bits per pixel of the bitmap
};

const SuiteCase kSuite[] = {
    {"basn0g01", 32, 32, 8, 1.0, 1},   {"basn0g02", 32, 32, 8, 1.0, 4},
    {"basn0g04", 32, 32, 8, 1.0, 4},   {"basn0g08", 32, 32, 8, 1.0, 8},
    {"basn0g16", 32, 32, 16, 1.0, 8},  {"basn2c08", 32, 32, 8, 1.0, 24},
    {"basn2c16", 32, 32, 16, 1.0, 24}, {"basn3p01", 32, 32, 8, 1.0, 1},
    {"basn3p02", 32, 32, 8, 1.0, 4},   {"basn3p04", 32, 32, 8, 1.0, 4},
    {"basn3p08", 32, 32, 8, 1.0, 8},   {"basn4a08", 32, 32, 8, 1.0, 8},
    {"basn4a16", 32, 32, 16, 1.0, 8},  {"basn6a08", 32, 32, 8, 1.0, 24},
    {"basn6a16", 32, 32, 16, 1.0, 24}, {"basi0g01", 32, 32, 8, 1.0, 1},
    {"basi0g02", 32, 32, 8, 1.0, 4},   {"basi0g04", 32, 32, 8, 1.0, 4},
    {"basi0g08", 32, 32, 8, 1.0, 8},   {"basi0g16", 32, 32, 16, 1.0, 8},
    {"basi2c08", 32, 32, 8, 1.0, 24},  {"basi2c16", 32, 32, 16, 1.0, 24},
    {"basi3p01", 32, 32, 8, 1.0, 1},   {"basi3p02", 32, 32, 8, 1.0, 4},
    {"basi3p04", 32, 32, 8, 1.0, 4},   {"basi3p08", 32, 32, 8, 1.0, 8},
    {"basi4a08", 32, 32, 8, 1.0, 8},   {"basi4a16", 32, 32, 16, 1.0, 8},
    {"basi6a08", 32, 32, 8, 1.0, 24},  {"basi6a16", 32, 32, 16, 1.0, 24},
    // Sizes that leave Adam7 passes empty or partly filled.
    {"s01i3p01", 1, 1, 8, 1.0, 1},     {"s01n3p01", 1, 1, 8, 1.0, 1},
    {"s06i3p02", 6, 6, 8, 1.0, 4},     {"s09i3p02", 9, 9, 8, 1.0, 4},
    {"s35i3p04", 35, 35, 8, 1.0, 4},   {"s35n3p04", 35, 35, 8, 1.0, 4},
    // Every filter type, and all of them mixed.
    {"f00n2c08", 32, 32, 8, 0, 24},    {"f01n2c08", 32, 32, 8, 0, 24},
    {"f02n2c08", 32, 32, 8, 0, 24},    {"f03n2c08", 32, 32, 8, 0, 24},
    {"f04n2c08", 32, 32, 8, 0, 24},    {"f04n0g08", 32, 32, 8, 0, 8},
    {"f99n0g04", 32, 32, 8, 0, 4},
    // Gamma other than 1.
    {"g03n2c08", 32, 32, 8, 0.35, 24}, {"g25n0g16", 32, 32, 16, 2.5, 8},
    {"g05n3p04", 32, 32, 8, 0.55, 4},
    // Image data over several IDAT chunks (4, and one byte each).
    {"oi4n2c16", 32, 32, 16, 1.0, 24}, {"oi9n0g16", 32, 32, 16, 1.0, 8},
    // Compression levels 0 and 9; not square; ancillary chunks the codec does not know.
    {"z00n2c08", 32, 32, 8, 0, 24},    {"z09n2c08", 32, 32, 8, 0, 24},
    {"cdfn2c08", 8, 32, 8, 1.0, 24},   {"cdhn2c08", 32, 8, 8, 1.0, 24},
    {"ctzn0g04", 32, 32, 8, 1.0, 4},   {"pp0n2c16", 32, 32, 16, 1.0, 24},
    // A 2-bit image with a palette of four and no gAMA.
    {"tm3n3p02", 32, 32, 8, 0, 4},
};

TEST_F(PngTest, SuiteImagesDecodeToTheExpectedPixels) {
  for (const SuiteCase& c : kSuite) {
    SCOPED_TRACE(c.name);
    TPngPicture picture;
    ASSERT_NO_THROW(picture.LoadFromFile(kData + c.name + ".png"));
    const std::vector<int> rgba = ReadJsonNumbers(kData + c.name + ".json");
    ASSERT_EQ(rgba.size(), size_t(c.width) * c.height * 4);
    const platform::Bitmap& bitmap = picture.Bitmap();
    ASSERT_EQ(bitmap.Width(), c.width);
    ASSERT_EQ(bitmap.Height(), c.height);
    EXPECT_EQ(picture.PixelFormat(), c.pixelFormat);
    EXPECT_EQ(picture.HasPalette(), c.pixelFormat <= 8);
    int wrong = 0;
    for (int y = 0; y < c.height; ++y) {
      for (int x = 0; x < c.width; ++x) {
        const int* p = &rgba[(size_t(y) * c.width + x) * 4];
        auto sample = [&](int i) { return GammaForward(c.sampleBits == 16 ? p[i] >> 8 : p[i], c.gamma); };
        const Colour expected = Rgb(sample(0), sample(1), sample(2));
        if (bitmap.Pixel(x, y) != expected || bitmap.Alpha(x, y) != 255) {
          if (++wrong <= 3)
            ADD_FAILURE() << "pixel " << x << "," << y << ": " << std::hex << bitmap.Pixel(x, y)
                          << " expected " << expected;
        }
      }
    }
    EXPECT_EQ(wrong, 0);
  }
}

TEST_F(PngTest, InterlacedAndPlainVersionsGiveTheSamePixels) {
  // The later passes start with up and paeth filtered rows against zeros.
  for (const char* kind : {"0g01", "0g02", "0g04", "0g08", "0g16", "2c08", "2c16", "3p01", "3p02",
                           "3p04", "3p08", "4a08", "4a16", "6a08", "6a16"}) {
    SCOPED_TRACE(kind);
    TPngPicture plain, interlaced;
    plain.LoadFromFile(kData + "basn" + kind + ".png");
    interlaced.LoadFromFile(kData + "basi" + kind + ".png");
    EXPECT_EQ(plain.Bitmap().Image(), interlaced.Bitmap().Image());
  }
}

TEST_F(PngTest, GammaTablesFollowTheStoredValue) {
  TPngPicture picture;
  auto* gamma = static_cast<TChunkGAMA*>(picture.Chunks().Insert(1, std::make_unique<TChunkGAMA>(&picture.Chunks())));
  EXPECT_EQ(gamma->Gamma(), 1u);  // a new gAMA chunk holds 1
  gamma->SetGamma(100000);
  EXPECT_EQ(gamma->Forward()[0], 0);
  EXPECT_EQ(gamma->Forward()[128], 186);
  EXPECT_EQ(gamma->Forward()[255], 255);
  gamma->SetGamma(35000);
  EXPECT_EQ(gamma->Forward()[64], 42);
  for (int i = 0; i < 256; ++i) EXPECT_EQ(gamma->Forward()[gamma->Inverse()[gamma->Forward()[i]]], gamma->Forward()[i]);
  // Values no input reaches still map back near themselves, not to black.
  gamma->SetGamma(100000);
  EXPECT_EQ(gamma->Forward()[1], 21);
  EXPECT_EQ(gamma->Inverse()[10], 0);
  for (int v = 0; v < 256; ++v) {
    const int back = gamma->Forward()[gamma->Inverse()[v]];
    EXPECT_LE(back, v);
    EXPECT_GE(back, v - 21);
  }
}

// 2-bit grey without gAMA: four greys repeated to a palette of 16.
TEST_F(PngTest, TwoBitGreyGetsFourGreysRepeatedToSixteen) {
  const std::string raw = std::string("\0", 1) + "\x1B";  // pixels 0 1 2 3
  TPngPicture picture;
  Load(picture, Png({Ihdr(4, 1, 2, 0), Chunk("IDAT", Deflate(raw)), kEnd}));
  ASSERT_EQ(picture.Palette().Count(), 16);
  const Colour greys[4] = {Rgb(0, 0, 0), Rgb(85, 85, 85), Rgb(170, 170, 170), Rgb(255, 255, 255)};
  for (int i = 0; i < 16; ++i) EXPECT_EQ(picture.Palette().entries[i], greys[i % 4]) << i;
  for (int x = 0; x < 4; ++x) EXPECT_EQ(picture.Bitmap().Pixel(x, 0), greys[x]);
  EXPECT_EQ(picture.PixelFormat(), 4);
}

TEST_F(PngTest, ShortTwoBitPaletteRepeatsForHighIndices) {
  // Index 3 with a palette of three entries takes entry 0 of the repetition.
  const std::string plte = std::string("\xFF\0\0\0\xFF\0\0\0\xFF", 9);
  TPngPicture picture;
  Load(picture, Png({Ihdr(4, 1, 2, 3), Chunk("PLTE", plte), Chunk("IDAT", Deflate(std::string("\0\x1B", 2))), kEnd}));
  EXPECT_EQ(picture.Bitmap().Pixel(0, 0), Rgb(255, 0, 0));
  EXPECT_EQ(picture.Bitmap().Pixel(2, 0), Rgb(0, 0, 255));
  EXPECT_EQ(picture.Bitmap().Pixel(3, 0), Rgb(255, 0, 0));
}

TEST_F(PngTest, TruecolourTransparencyMarksTheBitmap) {
  TPngPicture picture;
  picture.LoadFromFile(kData + "tbrn2c08.png");
  ASSERT_TRUE(picture.Transparent());
  // The key is the colour the matching pixels got (through the gamma table).
  const Colour key = picture.TransparentColour();
  const platform::Bitmap shown = picture.ToBitmap();
  int keyed = 0;
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x)
      if (picture.Bitmap().Pixel(x, y) == key) {
        ++keyed;
        EXPECT_EQ(shown.Alpha(x, y), 0);
      } else {
        EXPECT_EQ(shown.Alpha(x, y), 255);
      }
  EXPECT_GT(keyed, 100);

  TPngPicture wide;  // 16-bit samples: the key is their high byte
  wide.LoadFromFile(kData + "tbbn2c16.png");
  ASSERT_TRUE(wide.Transparent());
  EXPECT_TRUE(wide.ToBitmap().HasTransparency());

  TPngPicture palette;  // palette and grey images are never marked transparent
  palette.LoadFromFile(kData + "tbbn3p08.png");
  EXPECT_FALSE(palette.Transparent());
  EXPECT_FALSE(palette.ToBitmap().HasTransparency());
}

TEST_F(PngTest, TruecolourWithAlphaShowsNoTransparency) {
  TPngPicture picture;
  picture.LoadFromFile(kData + "basn6a08.png");
  EXPECT_FALSE(picture.Transparent());
  EXPECT_FALSE(picture.ToBitmap().HasTransparency());
}

TEST_F(PngTest, AlphaPlaneHoldsTheOpacityTheFileGives) {
  struct Case {
    const char* name;
    int sampleBits;   // 16: the JSON holds 16-bit samples
    bool hasAlpha;
  };
  const Case cases[] = {
      {"basn6a08", 8, true},  {"basn6a16", 16, true}, {"basi6a08", 8, true},   // truecolour + alpha
      {"basn4a08", 8, true},  {"basi4a16", 16, true},                          // grey + alpha
      {"tbrn2c08", 8, true},  {"tbbn2c16", 16, true},                          // truecolour key
      {"tbbn0g04", 8, true},  {"tbwn0g16", 16, true},                          // grey key
      {"tbbn3p08", 8, true},  {"tp1n3p08", 8, true},  {"tm3n3p02", 8, true},   // palette alphas
      {"basn2c08", 8, false}, {"basn3p08", 8, false}, {"basn0g16", 16, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TPngPicture picture;
    ASSERT_NO_THROW(picture.LoadFromFile(kData + c.name + ".png"));
    const std::vector<int> rgba = ReadJsonNumbers(kData + c.name + ".json");
    ASSERT_EQ(picture.HasAlpha(), c.hasAlpha);
    // The bitmap itself stays opaque; the plane sits beside it.
    EXPECT_FALSE(picture.Bitmap().HasTransparency());
    const platform::Bitmap drawn = picture.AlphaBitmap();
    const int w = picture.Bitmap().Width(), h = picture.Bitmap().Height();
    ASSERT_EQ(rgba.size(), size_t(w) * h * 4);
    if (c.hasAlpha) {
      ASSERT_EQ(picture.AlphaPlane().size(), size_t(w) * h);
    }
    int wrong = 0;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const int i = y * w + x;
        const int expected = c.sampleBits == 16 ? rgba[size_t(i) * 4 + 3] >> 8 : rgba[size_t(i) * 4 + 3];
        const int plane = c.hasAlpha ? picture.AlphaPlane()[size_t(i)] : 255;
        const bool right = plane == expected && drawn.Alpha(x, y) == expected &&
                           drawn.Pixel(x, y) == picture.Bitmap().Pixel(x, y);
        if (!right && ++wrong <= 3) ADD_FAILURE() << x << "," << y << ": alpha " << plane << " expected " << expected;
      }
    EXPECT_EQ(wrong, 0);
  }

  // A fresh picture, a bitmap assigned to one, and a copy of a loaded one.
  TPngPicture loaded, copy, assigned;
  loaded.LoadFromFile(kData + "basn6a08.png");
  copy.Assign(loaded);
  EXPECT_EQ(copy.AlphaPlane(), loaded.AlphaPlane());
  assigned.Assign(loaded);
  assigned.AssignBitmap(platform::Bitmap(4, 4, platform::clRed));
  EXPECT_FALSE(assigned.HasAlpha());
  EXPECT_FALSE(TPngPicture().HasAlpha());
  // Loading another file forgets the plane.
  loaded.LoadFromFile(kData + "basn2c08.png");
  EXPECT_FALSE(loaded.HasAlpha());
}

TEST_F(PngTest, SeveralDataChunksGiveTheSameImageAsOne) {
  std::string raw;
  for (int y = 0; y < 7; ++y) {
    raw += '\x01';  // sub
    for (int x = 0; x < 5; ++x) raw += {static_cast<char>(10 * y), static_cast<char>(x), '\x03'};
  }
  const std::string data = Deflate(raw);
  TPngPicture one, split;
  Load(one, Png({Ihdr(5, 7, 8, 2), Chunk("IDAT", data), kEnd}));
  std::vector<std::string> chunks = {Ihdr(5, 7, 8, 2)};
  for (size_t p = 0; p < data.size(); p += 3) chunks.push_back(Chunk("IDAT", data.substr(p, 3)));
  chunks.push_back(kEnd);
  Load(split, Png(chunks));
  EXPECT_EQ(one.Bitmap().Image(), split.Bitmap().Image());
  int dataChunks = 0;
  for (int i = 0; i < split.Chunks().Count(); ++i) dataChunks += split.Chunks().Item(i)->ChunkType() == "IDAT";
  EXPECT_EQ(dataChunks, 1);
  EXPECT_EQ(split.Chunks().Find("IDAT")->Size(), static_cast<int64_t>(data.size()));
}

TEST_F(PngTest, UnknownAncillaryChunksAreKeptAsPlainChunks) {
  TPngPicture picture;
  picture.LoadFromFile(kData + "ctzn0g04.png");
  TChunk* ztxt = picture.Chunks().Find("zTXt");
  ASSERT_NE(ztxt, nullptr);
  EXPECT_EQ(typeid(*ztxt), typeid(TChunk));
  EXPECT_NE(dynamic_cast<TChunkTEXT*>(picture.Chunks().Find("tEXt")), nullptr);
  EXPECT_NE(dynamic_cast<TChunkGAMA*>(picture.Chunks().Find("gAMA")), nullptr);
}

TEST_F(PngTest, GammaAfterTheImageDataCorrectsNothing) {
  const std::string raw = std::string("\0\x80\x80\x80", 4);
  TPngPicture before, after;
  const std::string gama = Chunk("gAMA", U32(100000));
  Load(before, Png({Ihdr(1, 1, 8, 2), gama, Chunk("IDAT", Deflate(raw)), kEnd}));
  Load(after, Png({Ihdr(1, 1, 8, 2), Chunk("IDAT", Deflate(raw)), gama, kEnd}));
  EXPECT_EQ(before.Bitmap().Pixel(0, 0), Rgb(186, 186, 186));
  EXPECT_EQ(after.Bitmap().Pixel(0, 0), Rgb(128, 128, 128));
}

TEST_F(PngTest, OddButHarmlessChunksStillLoad) {
  const std::string raw = std::string("\0\x80\x80\x80", 4);
  TPngPicture zeroGamma;  // a gAMA of 0 (or cut short) corrects nothing
  Load(zeroGamma, Png({Ihdr(1, 1, 8, 2), Chunk("gAMA", U32(0)), Chunk("IDAT", Deflate(raw)), kEnd}));
  EXPECT_EQ(zeroGamma.Bitmap().Pixel(0, 0), Rgb(128, 128, 128));
  TPngPicture shortGamma;
  Load(shortGamma, Png({Ihdr(1, 1, 8, 2), Chunk("gAMA", "\1"), Chunk("IDAT", Deflate(raw)), kEnd}));
  EXPECT_EQ(shortGamma.Bitmap().Pixel(0, 0), Rgb(128, 128, 128));

  // A palette of 300 entries: the first 256 are used.
  std::string plte;
  for (int i = 0; i < 300; ++i) plte += {static_cast<char>(i), static_cast<char>(i / 2), '\x07'};
  TPngPicture big;
  Load(big, Png({Ihdr(2, 1, 8, 3), Chunk("PLTE", plte), Chunk("IDAT", Deflate(std::string("\0\x05\xFF", 3))), kEnd}));
  EXPECT_EQ(big.Palette().Count(), 256);
  EXPECT_EQ(big.Bitmap().Pixel(0, 0), Rgb(5, 2, 7));
  EXPECT_EQ(big.Bitmap().Pixel(1, 0), Rgb(255, 127, 7));

  // Palette indices beyond a short palette show black.
  TPngPicture shortPalette;
  Load(shortPalette, Png({Ihdr(2, 1, 8, 3), Chunk("PLTE", "\xFF\xFF\xFF"),
                          Chunk("IDAT", Deflate(std::string("\0\0\x09", 3))), kEnd}));
  EXPECT_EQ(shortPalette.Bitmap().Pixel(0, 0), Rgb(255, 255, 255));
  EXPECT_EQ(shortPalette.Bitmap().Pixel(1, 0), Rgb(0, 0, 0));
}

TEST_F(PngTest, ProgressReachesOneHundred) {
  for (const char* name : {"basn2c08", "basi2c08"}) {
    TPngPicture picture;
    std::vector<int> seen;
    picture.OnProgress = [&](int percent) { seen.push_back(percent); };
    picture.LoadFromFile(kData + name + ".png");
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.back(), 100);
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
  }
}

// ---- errors ----

std::string DetailOf(const std::string& file) {
  TPngPicture picture;
  try {
    Load(picture, file);
  } catch (const EPngPictureException& e) {
    EXPECT_EQ(std::string(e.what()), "Portable Network Graphics format handler error\r\n\r\n" + e.Detail());
    return e.Detail();
  }
  return "loaded";
}

TEST_F(PngTest, CorruptSuiteFilesRaiseTheirErrors) {
  const std::pair<const char*, const char*> cases[] = {
      {"xs1n0g01", pngerr::kInvalidHeader},     // signature byte 1 changed
      {"xs2n0g01", pngerr::kInvalidHeader},     // signature byte 2 changed
      {"xs4n0g01", pngerr::kInvalidHeader},     // signature byte 4 changed
      {"xs7n0g01", pngerr::kInvalidHeader},     // 7th byte a space instead of control-Z
      {"xcrn0g04", pngerr::kInvalidHeader},     // added CRs
      {"xlfn0g04", pngerr::kInvalidHeader},     // added LFs
      {"xhdn0g08", pngerr::kCorrupted},         // IHDR CRC wrong
      {"xcsn0g01", pngerr::kCorrupted},         // IDAT CRC wrong
      {"xc1n0g08", pngerr::kUnknownColourType}, // colour type 1
      {"xc9n2c08", pngerr::kUnknownColourType}, // colour type 9
      {"xd0n2c08", pngerr::kUnknownBitDepth},   // bit depth 0
      {"xd3n2c08", pngerr::kUnknownBitDepth},   // bit depth 3
      {"xd9n2c08", pngerr::kUnknownBitDepth},   // bit depth 99
      {"xdtn0g01", pngerr::kNoData},            // no IDAT
  };
  for (const auto& [name, message] : cases) {
    SCOPED_TRACE(name);
    EXPECT_EQ(DetailOf(testsupport::ReadAll(kData + name + ".png")), message);
  }
}

TEST_F(PngTest, HandMadeFaultsRaiseTheirErrors) {
  const std::string idat = Chunk("IDAT", Deflate(std::string("\0\x80", 2)));
  const std::string grey = Ihdr(1, 1, 8, 0);
  auto withData = [](const std::string& header, const std::string& raw) {
    return Png({header, Chunk("IDAT", Deflate(raw)), kEnd});
  };
  const std::pair<std::string, const char*> cases[] = {
      {Png({Chunk("gAMA", U32(100000)), grey, idat, kEnd}), pngerr::kNoIhdr},
      {Png({idat, kEnd}), pngerr::kNoIhdr},
      {Png({Chunk("IHDR", "\0\0\0\1\0\0\0\1\x08"), idat, kEnd}), pngerr::kNoIhdr},
      {Png({grey, kEnd}), pngerr::kNoData},
      {Png({grey, Chunk("CRIT", "x"), idat, kEnd}), pngerr::kUnknownCritical},
      {Png({Ihdr(1, 1, 8, 3), idat, kEnd}), pngerr::kNoPalette},
      {Png({Ihdr(1, 1, 8, 3), Chunk("PLTE", "abcd"), idat, kEnd}), pngerr::kBadPalette},
      {withData(grey, std::string("\x05\x80", 2)), pngerr::kUnknownFilter},
      {withData(Ihdr(1, 1, 8, 0, 2), std::string("\0\x80", 2)), pngerr::kUnknownInterlace},
      {withData(Ihdr(0, 1, 8, 0), ""), pngerr::kBadSize},
      {withData(Ihdr(1, 0, 8, 0), ""), pngerr::kBadSize},
      {withData(Ihdr(0x80000000u, 1, 8, 0), ""), pngerr::kBadSize},
      {withData(Ihdr(65536, 65536, 8, 0), ""), pngerr::kBadSize},
      // A header promising far more rows than the data could ever inflate to.
      {withData(Ihdr(15000, 15000, 8, 2), std::string("\0\x80", 2)), pngerr::kCorrupted},
      // Rows cut short, and data that are not zlib at all.
      {withData(Ihdr(4, 4, 8, 0), std::string("\0\1\2\3\4", 5)), pngerr::kCorrupted},
      {Png({grey, Chunk("IDAT", "not zlib data"), kEnd}), pngerr::kCorrupted},
      {Png({grey, U32(1000) + "IDAT" + "xx"}), pngerr::kCorrupted},
      {"", pngerr::kInvalidHeader},
  };
  int i = 0;
  for (const auto& [file, message] : cases) {
    SCOPED_TRACE(i++);
    EXPECT_EQ(DetailOf(file), message);
  }
}

TEST_F(PngTest, EveryAlteredSignatureByteIsRefused) {
  const std::string good = testsupport::ReadAll(kData + "basn0g01.png");
  ASSERT_EQ(DetailOf(good), "loaded");
  for (size_t i = 0; i < 8; ++i) {
    std::string bad = good;
    bad[i] = static_cast<char>(bad[i] ^ 0x20);
    EXPECT_EQ(DetailOf(bad), pngerr::kInvalidHeader) << i;
  }
}

TEST_F(PngTest, EveryWrongCrcByteIsRefused) {
  const std::string good = testsupport::ReadAll(kData + "basn3p04.png");
  size_t p = 8;
  for (const auto& chunk : ChunksOf(good)) {
    const size_t crcAt = p + 8 + chunk.data.size();
    for (size_t k = 0; k < 4; ++k) {
      std::string bad = good;
      bad[crcAt + k] = static_cast<char>(bad[crcAt + k] ^ 1);
      EXPECT_EQ(DetailOf(bad), pngerr::kCorrupted) << chunk.type << " byte " << k;
    }
    p = crcAt + 4;
  }
}

TEST_F(PngTest, TruncatedFilesFailCleanly) {
  const std::string good = testsupport::ReadAll(kData + "basi2c16.png");
  const size_t withoutEnd = good.size() - 12;
  for (size_t n = 0; n < good.size(); ++n) {
    // A file may simply stop after its last chunk but the IEND; any other
    // cut leaves a chunk short.
    if (n == withoutEnd)
      EXPECT_EQ(DetailOf(good.substr(0, n)), "loaded");
    else
      EXPECT_NE(DetailOf(good.substr(0, n)), "loaded") << n;
  }
}

TEST_F(PngTest, MutatedFilesNeverCrash) {
  std::mt19937 random(20261210);
  const char* names[] = {"basn0g01", "basi3p02", "basn2c16", "basi4a08", "f99n0g04", "tbrn2c08"};
  for (const char* name : names) {
    const std::string good = testsupport::ReadAll(kData + std::string(name) + ".png");
    for (int round = 0; round < 300; ++round) {
      std::string bad = good;
      const int changes = 1 + static_cast<int>(random() % 4);
      for (int k = 0; k < changes; ++k) bad[random() % bad.size()] = static_cast<char>(random());
      TPngPicture picture;
      try {
        Load(picture, bad);
      } catch (const EPngPictureException&) {
      }
      // Mutations that keep the CRCs right reach the decoder itself.
      std::string recrc = bad;
      size_t p = 8;
      while (p + 12 <= recrc.size()) {
        const auto* b = reinterpret_cast<const uint8_t*>(recrc.data() + p);
        const size_t n = (size_t(b[0]) << 24) | (b[1] << 16) | (b[2] << 8) | b[3];
        if (p + 12 + n > recrc.size()) break;
        const std::string fixed = Chunk(recrc.substr(p + 4, 4), recrc.substr(p + 8, n));
        recrc.replace(p, fixed.size(), fixed);
        p += 12 + n;
      }
      TPngPicture again;
      try {
        Load(again, recrc);
      } catch (const EPngPictureException&) {
      }
    }
  }
}

// ---- chunk lists and the registry ----

TEST_F(PngTest, ANewPictureHoldsTheDefaultChunks) {
  TPngPicture picture;
  ASSERT_EQ(picture.Chunks().Count(), 3);
  EXPECT_EQ(picture.Chunks().Item(0)->ChunkType(), "IHDR");
  EXPECT_EQ(picture.Chunks().Item(1)->ChunkType(), "IDAT");
  EXPECT_EQ(picture.Chunks().Item(2)->ChunkType(), "IEND");
  const TChunkIHDR* header = picture.Header();
  ASSERT_NE(header, nullptr);
  EXPECT_EQ(header->Width(), 0);
  EXPECT_EQ(header->BitDepth(), 2);
  EXPECT_EQ(header->ColorType(), 3);
  EXPECT_EQ(header->Interlace(), 0);
  EXPECT_FALSE(picture.HasPalette());
  EXPECT_EQ(picture.Filters(), 27);
  EXPECT_FALSE(picture.Interlacing());
  picture.SetFilters(pfUp);
  EXPECT_EQ(picture.Filters(), pfUp | pfNone);
}

TEST_F(PngTest, HeaderSizeSettersResizeTheBitmap) {
  TPngPicture picture;
  TChunkIHDR* header = picture.Header();
  header->SetWidth(20);
  header->SetHeight(7);
  EXPECT_EQ(header->Width(), 20);
  EXPECT_EQ(picture.Bitmap().Width(), 20);
  EXPECT_EQ(picture.Bitmap().Height(), 7);
  header->SetWidth(0x7FFFFFFF);  // no bitmap that large: left empty, no crash
  EXPECT_TRUE(picture.Bitmap().IsNull());
  EXPECT_EQ(header->Width(), 0x7FFFFFFF);
}

TEST_F(PngTest, ChunkListIndexAndOwnershipErrors) {
  TPngPicture a, b;
  auto detail = [](auto&& action) {
    try {
      action();
    } catch (const EPngPictureException& e) {
      return e.Detail();
    }
    return std::string("no error");
  };
  EXPECT_EQ(detail([&] { a.Chunks().Item(3); }), pngerr::kChunkIndex);
  EXPECT_EQ(detail([&] { a.Chunks().Item(-1); }), pngerr::kChunkIndex);
  EXPECT_EQ(detail([&] { a.Chunks().Delete(7); }), pngerr::kChunkIndex);
  EXPECT_EQ(detail([&] { a.Chunks().Remove(b.Chunks().Item(0)); }), pngerr::kNotInList);
  EXPECT_EQ(b.Chunks().Count(), 3);
  EXPECT_EQ(detail([&] { TChunkClasses::Instance().Item(7); }), pngerr::kClassIndex);
  EXPECT_EQ(std::string(pngerr::kClassIndex), "The chunk class index especified is  out of range.");
  a.Chunks().Remove(a.Chunks().Item(1));
  EXPECT_EQ(a.Chunks().Count(), 2);
}

TEST_F(PngTest, ModuleStartUpRegistersChunkClassesAndTheFormat) {
  const TChunkClasses& classes = TChunkClasses::Instance();
  const char* order[] = {"IEND", "IHDR", "gAMA", "IDAT", "PLTE", "tEXt", "tRNS"};
  ASSERT_EQ(classes.Count(), 7);
  for (int i = 0; i < 7; ++i) EXPECT_EQ(classes.Item(i).type, order[i]);
  const TPictureFormat* format = FindFileFormat(".png");
  ASSERT_NE(format, nullptr);
  EXPECT_EQ(format->extension, "PNG");
  EXPECT_EQ(format->description, "Portable Network Graphics");
  std::unique_ptr<TGraphic> graphic = format->create();
  platform::TFileStream file(kData + "basn3p08.png", platform::TFileMode::fmOpenRead);
  graphic->LoadFromStream(file);
  EXPECT_EQ(graphic->ToBitmap().Width(), 32);

  DonePngModule();
  EXPECT_EQ(FindFileFormat("PNG"), nullptr);
  EXPECT_EQ(classes.Count(), 0);
  // Without the registry every critical chunk is unknown.
  EXPECT_EQ(DetailOf(testsupport::ReadAll(kData + "basn0g01.png")), pngerr::kUnknownCritical);
  InitPngModule();
  InitPngModule();  // a second start-up changes nothing
  EXPECT_EQ(classes.Count(), 7);
  EXPECT_EQ(DetailOf(testsupport::ReadAll(kData + "basn0g01.png")), "loaded");
}

TEST_F(PngTest, CrcIsThePngCrc) {
  EXPECT_EQ(PngCrc("IEND", nullptr, 0), 0xAE426082u);
  const uint8_t data[] = {1, 2, 3, 250};
  EXPECT_EQ(PngCrc("abcd", data, 4),
            crc32(crc32(0, reinterpret_cast<const Bytef*>("abcd"), 4), data, 4));
}

// ---- encoding ----

platform::Bitmap Pattern(int w, int h) {
  platform::Bitmap bitmap(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) bitmap.SetPixel(x, y, Rgb(x * 7, y * 13, (x * y) & 0xFF));
  bitmap.SetBitDepth(24);
  return bitmap;
}

TEST_F(PngTest, TruecolourBitmapRoundTrips) {
  for (bool interlacing : {false, true}) {
    SCOPED_TRACE(interlacing);
    TPngPicture picture;
    picture.AssignBitmap(Pattern(37, 11));
    picture.SetInterlacing(interlacing);
    const std::string file = Save(picture);
    EXPECT_EQ(TypesOf(file), (std::vector<std::string>{"IHDR", "IDAT", "IEND"}));
    const std::string header = ChunksOf(file)[0].data;
    EXPECT_EQ(header[8], 8);   // depth
    EXPECT_EQ(header[9], 2);   // truecolour
    EXPECT_EQ(header[12], interlacing ? 1 : 0);
    TPngPicture back;
    Load(back, file);
    EXPECT_EQ(back.Bitmap().Image(), picture.Bitmap().Image());
    EXPECT_EQ(back.PixelFormat(), 24);
  }
}

TEST_F(PngTest, SuiteImagesRoundTrip) {
  // Palette, grey (saved as palette) and truecolour, with and without gamma.
  for (const char* name : {"basn3p01", "basn3p02", "basn3p04", "basi3p08", "basn0g16", "basn2c08",
                           "basi6a16", "g03n2c08", "g05n3p04", "tm3n3p02", "s09i3p02"}) {
    SCOPED_TRACE(name);
    TPngPicture picture;
    picture.LoadFromFile(kData + name + ".png");
    const QImage before = picture.Bitmap().Image();
    const int format = picture.PixelFormat();
    const std::string file = Save(picture);
    TPngPicture back;
    ASSERT_NO_THROW(Load(back, file));
    EXPECT_EQ(back.Bitmap().Image(), before);
    EXPECT_EQ(back.PixelFormat(), format);
  }
}

TEST_F(PngTest, AssignCopiesChunksSettingsAndPixels) {
  TPngPicture source;
  source.LoadFromFile(kData + "ctzn0g04.png");
  source.SetFilters(pfPaeth);
  source.SetInterlacing(true);
  TPngPicture copy;
  copy.Assign(source);
  ASSERT_EQ(copy.Chunks().Count(), source.Chunks().Count());
  for (int i = 0; i < copy.Chunks().Count(); ++i) {
    const TChunk* a = source.Chunks().Item(i);
    const TChunk* b = copy.Chunks().Item(i);
    EXPECT_EQ(b->ChunkType(), a->ChunkType());
    EXPECT_EQ(b->Bytes(), a->Bytes());
    EXPECT_EQ(typeid(*b), typeid(*a));
    EXPECT_EQ(b->Owner(), &copy.Chunks());
  }
  EXPECT_EQ(copy.Filters(), pfPaeth | pfNone);
  EXPECT_TRUE(copy.Interlacing());
  EXPECT_EQ(copy.Bitmap().Image(), source.Bitmap().Image());
  EXPECT_EQ(copy.Palette().entries, source.Palette().entries);
}

TEST_F(PngTest, SavingAPaletteImageDropsTextAndTransparencyChunks) {
  const std::string plte = std::string("\x10\x20\x30\x40\x50\x60", 6);
  const std::string file =
      Png({Ihdr(2, 1, 8, 3), Chunk("gAMA", U32(45455)), Chunk("PLTE", plte), Chunk("tEXt", "Title\0x"),
           Chunk("tRNS", std::string("\0", 1)), Chunk("IDAT", Deflate(std::string("\0\0\1", 3))), kEnd});
  TPngPicture picture;
  Load(picture, file);
  EXPECT_FALSE(picture.Transparent());
  const std::string saved = Save(picture);
  EXPECT_EQ(TypesOf(saved), (std::vector<std::string>{"IHDR", "gAMA", "PLTE", "IDAT", "IEND"}));
  EXPECT_EQ(picture.Chunks().Find("tRNS"), nullptr);
  EXPECT_NE(picture.Chunks().Find("tEXt"), nullptr);  // kept in memory, never written
  const auto chunks = ChunksOf(saved);
  EXPECT_EQ(chunks[2].data, plte);  // through the inverse gamma table and back
  EXPECT_EQ(chunks[0].data[9], 3);
  TPngPicture back;
  Load(back, saved);
  EXPECT_EQ(back.Bitmap().Image(), picture.Bitmap().Image());
}

TEST_F(PngTest, SavingATransparentTruecolourImageAddsATransparencyChunk) {
  TPngPicture picture;
  picture.AssignBitmap(Pattern(4, 4));
  picture.SetTransparent(true);
  picture.SetTransparentColour(Rgb(7, 13, 1));
  const std::string saved = Save(picture);
  EXPECT_EQ(TypesOf(saved), (std::vector<std::string>{"IHDR", "tRNS", "IDAT", "IEND"}));
  EXPECT_EQ(ChunksOf(saved)[1].data, std::string("\0\x07\0\x0D\0\x01", 6));
  TPngPicture back;
  Load(back, saved);
  EXPECT_TRUE(back.Transparent());
  EXPECT_EQ(back.TransparentColour(), Rgb(7, 13, 1));
  EXPECT_EQ(back.ToBitmap().Alpha(1, 1), 0);
  EXPECT_EQ(back.ToBitmap().Alpha(0, 0), 255);

  picture.SetTransparent(false);  // a picture no longer transparent loses the chunk
  EXPECT_EQ(TypesOf(Save(picture)), (std::vector<std::string>{"IHDR", "IDAT", "IEND"}));
}

TEST_F(PngTest, PaletteBitmapsSaveAsPaletteImages) {
  platform::Palette palette;
  palette.entries = {Rgb(0, 0, 0), Rgb(255, 0, 0), Rgb(0, 255, 0), Rgb(0, 0, 255)};
  platform::Bitmap bitmap(9, 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 9; ++x) bitmap.SetPixel(x, y, palette.entries[(x + y) % 4]);
  for (int depth : {4, 8}) {
    SCOPED_TRACE(depth);
    bitmap.SetBitDepth(depth);
    TPngPicture picture;
    picture.AssignBitmap(bitmap);
    picture.SetPalette(palette);
    const std::string saved = Save(picture);
    EXPECT_EQ(TypesOf(saved), (std::vector<std::string>{"IHDR", "PLTE", "IDAT", "IEND"}));
    EXPECT_EQ(ChunksOf(saved)[0].data[8], depth);
    EXPECT_EQ(ChunksOf(saved)[0].data[9], 3);
    TPngPicture back;
    Load(back, saved);
    EXPECT_EQ(back.Bitmap().Image(), bitmap.Image());
    EXPECT_EQ(back.PixelFormat(), depth);
  }
  // An 8-bit bitmap without a palette cannot be a palette image: truecolour.
  TPngPicture bare;
  bitmap.SetBitDepth(8);
  bare.AssignBitmap(bitmap);
  const std::string saved = Save(bare);
  EXPECT_EQ(ChunksOf(saved)[0].data[9], 2);
  EXPECT_EQ(bare.PixelFormat(), 24);
}

TEST_F(PngTest, EncoderFilterChoice) {
  // Row 0: a gradient, where sub and paeth (against zeros) tie: sub comes first.
  // Row 1: noise under the gradient: nothing scores, none stays.
  // Rows 2 and 3: the same noise as the row above: up would give all zeros,
  // but it is not among the default filters; paeth gives some.
  platform::Bitmap bitmap(12, 4);
  std::mt19937 random(7);
  std::vector<Colour> noise;
  for (int x = 0; x < 12; ++x) noise.push_back(random() & 0xFFFFFF);
  for (int x = 0; x < 12; ++x) bitmap.SetPixel(x, 0, Rgb(x * 10, x * 10, x * 10));
  for (int y = 1; y < 4; ++y)
    for (int x = 0; x < 12; ++x) bitmap.SetPixel(x, y, noise[x]);
  bitmap.SetBitDepth(24);
  const size_t rowBytes = 36;

  TPngPicture picture;
  picture.AssignBitmap(bitmap);
  EXPECT_EQ(FilterBytes(Save(picture), rowBytes), (std::vector<int>{1, 0, 4, 4}));
  picture.SetFilters(pfUp | pfPaeth);
  EXPECT_EQ(FilterBytes(Save(picture), rowBytes), (std::vector<int>{4, 0, 2, 2}));
  picture.SetFilters(pfNone);
  EXPECT_EQ(FilterBytes(Save(picture), rowBytes), (std::vector<int>{0, 0, 0, 0}));

  // Rows shorter than five bytes always go unfiltered.
  TPngPicture narrow;
  narrow.AssignBitmap(Pattern(1, 6));
  narrow.SetFilters(0x1F);
  EXPECT_EQ(FilterBytes(Save(narrow), 3), std::vector<int>(6, 0));
}

// ---- filters ----

TEST(PngFilters, EveryFilterInvertsAndPaethBreaksTiesTowardsAThenB) {
  EXPECT_EQ(png::PaethPredictor(10, 10, 10), 10);
  EXPECT_EQ(png::PaethPredictor(5, 9, 7), 7);   // p = 7: c is nearest
  EXPECT_EQ(png::PaethPredictor(3, 6, 5), 3);   // p = 4: a and c equally near: a
  EXPECT_EQ(png::PaethPredictor(6, 3, 5), 3);   // p = 4: b and c equally near: b
  EXPECT_EQ(png::PaethPredictor(3, 7, 1), 7);   // p = 9: b
  std::mt19937 random(3);
  std::vector<uint8_t> row(40), prior(40), out(40);
  for (auto& v : row) v = static_cast<uint8_t>(random());
  for (auto& v : prior) v = static_cast<uint8_t>(random());
  for (uint8_t type = 0; type <= 4; ++type) {
    for (int bpp : {1, 3, 8}) {
      png::FilterRow(type, row.data(), prior.data(), row.size(), bpp, out.data());
      ASSERT_TRUE(png::UnfilterRow(type, out.data(), prior.data(), out.size(), bpp));
      EXPECT_EQ(out, row) << int(type) << " " << bpp;
    }
  }
  EXPECT_FALSE(png::UnfilterRow(5, out.data(), prior.data(), out.size(), 1));
  EXPECT_EQ(png::FilterBytesPerPixel(0, 16), 2);
  EXPECT_EQ(png::FilterBytesPerPixel(3, 2), 1);
  EXPECT_EQ(png::FilterBytesPerPixel(6, 16), 8);
  EXPECT_EQ(png::RowBytes(0, 1, 9), 2);
  EXPECT_EQ(png::RowBytes(4, 16, 3), 12);
  EXPECT_EQ(png::RowBytes(1, 8, 3), -1);
}

// ---- zlib streams ----

TEST(PngZStreams, RoundTripAtEveryLevelWithProgress) {
  std::string text;
  for (int i = 0; i < 100000; ++i) text += static_cast<char>('a' + (int64_t(i) * i) % 17);
  for (auto level : {TCompressionLevel::clNone, TCompressionLevel::clFastest, TCompressionLevel::clDefault,
                     TCompressionLevel::clMax}) {
    platform::TMemoryStream packed;
    int written = 0;
    {
      TZCompressionStream z(level, packed);
      z.OnProgress = [&] { ++written; };
      z.WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
      EXPECT_EQ(z.Position(), static_cast<int64_t>(text.size()));
      z.Finish();
    }
    EXPECT_GE(written, 1);
    EXPECT_EQ(Inflate(std::string(packed.Bytes().begin(), packed.Bytes().end())), text);

    packed.SetPosition(0);
    TZDecompressionStream unz(packed);
    int read = 0;
    unz.OnProgress = [&] { ++read; };
    std::string back(text.size(), '\0');
    unz.ReadBuffer(back.data(), static_cast<int64_t>(back.size()));
    EXPECT_EQ(back, text);
    EXPECT_GE(read, 1);
    char extra;
    EXPECT_EQ(unz.Read(&extra, 1), 0);
  }
}

TEST(PngZStreams, SeekingAndForbiddenOperations) {
  const std::string text = "0123456789abcdefghij";
  platform::TMemoryStream packed(Bytes(Deflate(text)));
  TZDecompressionStream unz(packed);
  char c = 0;
  EXPECT_EQ(unz.Seek(5, platform::TSeekOrigin::soCurrent), 5);
  unz.ReadBuffer(&c, 1);
  EXPECT_EQ(c, '5');
  EXPECT_EQ(unz.Seek(10, platform::TSeekOrigin::soBeginning), 10);
  unz.ReadBuffer(&c, 1);
  EXPECT_EQ(c, 'a');
  EXPECT_EQ(unz.Seek(0, platform::TSeekOrigin::soBeginning), 0);  // restarts
  unz.ReadBuffer(&c, 1);
  EXPECT_EQ(c, '0');
  auto message = [](auto&& action) {
    try {
      action();
    } catch (const EZLibError& e) {
      return std::string(e.what());
    }
    return std::string("no error");
  };
  EXPECT_EQ(message([&] { unz.Seek(0, platform::TSeekOrigin::soEnd); }), "Invalid ZStream operation!");
  EXPECT_EQ(message([&] { unz.Seek(-1, platform::TSeekOrigin::soCurrent); }), "Invalid ZStream operation!");
  EXPECT_EQ(message([&] { unz.Write("x", 1); }), "Invalid ZStream operation!");

  platform::TMemoryStream out;
  TZCompressionStream z(TCompressionLevel::clDefault, out);
  EXPECT_EQ(message([&] { z.Read(&c, 1); }), "Invalid ZStream operation!");
  EXPECT_EQ(message([&] { z.Seek(1, platform::TSeekOrigin::soBeginning); }), "Invalid ZStream operation!");

  platform::TMemoryStream junk(Bytes("this is not zlib"));
  TZDecompressionStream bad(junk);
  EXPECT_THROW(bad.Read(&c, 1), EZDecompressionError);
}

}  // namespace
