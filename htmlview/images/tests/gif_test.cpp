#include <gtest/gtest.h>

#include <QImage>
#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "htmlview/images/gifdecoder.h"
#include "htmlview/images/gifimage.h"
#include "platform/canvas.h"
#include "platform/streams.h"
#include "platform/timers.h"
#include "platform/sysutils.h"
#include "testsupport/testenv.h"

using namespace htmlview;

namespace {

const std::string kData = std::string(DRAVLEN_TEST_DATA) + "/gif/";

std::vector<uint8_t> ReadBytes(const std::string& name) {
  const std::string s = testsupport::ReadAll(kData + name);
  return {s.begin(), s.end()};
}

// --- A small GIF writer for cases the suite does not cover. It emits only
// literal codes and resets the table before its codes would grow, so the
// code size stays at minimum + 1.
class BitWriter {
 public:
  void Put(int code, int size) {
    buffer_ |= uint32_t(code) << count_;
    count_ += size;
    while (count_ >= 8) {
      bytes.push_back(uint8_t(buffer_ & 0xFF));
      buffer_ >>= 8;
      count_ -= 8;
    }
  }
  void Flush() {
    if (count_ > 0) bytes.push_back(uint8_t(buffer_ & 0xFF));
    buffer_ = 0;
    count_ = 0;
  }
  std::vector<uint8_t> bytes;

 private:
  uint32_t buffer_ = 0;
  int count_ = 0;
};

std::vector<uint8_t> LzwLiterals(const std::vector<uint8_t>& pixels, int minSize, bool withEnd = true) {
  const int clear = 1 << minSize, size = minSize + 1;
  const int perClear = clear - 2;
  BitWriter w;
  for (size_t i = 0; i < pixels.size(); ++i) {
    if (i % perClear == 0) w.Put(clear, size);
    w.Put(pixels[i], size);
  }
  if (withEnd) w.Put(clear + 1, size);
  w.Flush();
  return w.bytes;
}

struct FrameSpec {
  int left = 0, top = 0, width = 1, height = 1;
  std::vector<uint8_t> pixels;  // in file order
  bool interlaced = false;
  bool graphicControl = false;
  int disposal = 0, delay = 0, transparent = -1;
  std::vector<platform::Colour> localTable;
};

struct GifSpec {
  int width = 1, height = 1;
  std::vector<platform::Colour> globalTable{platform::clBlack, platform::clWhite};
  int loopCount = -1;  // -1: no NETSCAPE block
  std::vector<FrameSpec> frames;
};

void PutWord(std::vector<uint8_t>& out, int v) {
  out.push_back(uint8_t(v & 0xFF));
  out.push_back(uint8_t((v >> 8) & 0xFF));
}

int TableBits(size_t count) {
  int bits = 0;
  while ((2u << bits) < count) ++bits;
  return bits;
}

void PutTable(std::vector<uint8_t>& out, const std::vector<platform::Colour>& table) {
  const size_t size = 2u << TableBits(table.size());
  for (size_t i = 0; i < size; ++i) {
    const platform::Colour c = i < table.size() ? table[i] : 0;
    out.push_back(uint8_t(platform::RedOf(c)));
    out.push_back(uint8_t(platform::GreenOf(c)));
    out.push_back(uint8_t(platform::BlueOf(c)));
  }
}

void PutSubBlocks(std::vector<uint8_t>& out, const std::vector<uint8_t>& data) {
  for (size_t i = 0; i < data.size(); i += 255) {
    const size_t n = std::min<size_t>(255, data.size() - i);
    out.push_back(uint8_t(n));
    out.insert(out.end(), data.begin() + i, data.begin() + i + n);
  }
  out.push_back(0);
}

std::vector<uint8_t> BuildGif(const GifSpec& spec) {
  std::vector<uint8_t> out{'G', 'I', 'F', '8', '9', 'a'};
  PutWord(out, spec.width);
  PutWord(out, spec.height);
  const bool global = !spec.globalTable.empty();
  out.push_back(uint8_t((global ? 0x80 : 0) | 0x70 | (global ? TableBits(spec.globalTable.size()) : 0)));
  out.push_back(0);
  out.push_back(0);
  if (global) PutTable(out, spec.globalTable);
  if (spec.loopCount >= 0) {
    const char app[] = "NETSCAPE2.0";
    out.insert(out.end(), {0x21, 0xFF, 11});
    out.insert(out.end(), app, app + 11);
    out.insert(out.end(), {3, 1, uint8_t(spec.loopCount & 0xFF), uint8_t(spec.loopCount >> 8), 0});
  }
  for (const FrameSpec& f : spec.frames) {
    if (f.graphicControl) {
      out.insert(out.end(), {0x21, 0xF9, 4});
      out.push_back(uint8_t((f.disposal << 2) | (f.transparent >= 0 ? 1 : 0)));
      PutWord(out, f.delay);
      out.push_back(uint8_t(f.transparent >= 0 ? f.transparent : 0));
      out.push_back(0);
    }
    out.push_back(',');
    PutWord(out, f.left);
    PutWord(out, f.top);
    PutWord(out, f.width);
    PutWord(out, f.height);
    const bool local = !f.localTable.empty();
    out.push_back(uint8_t((local ? 0x80 | TableBits(f.localTable.size()) : 0) | (f.interlaced ? 0x40 : 0)));
    if (local) PutTable(out, f.localTable);
    const int minSize = 4;
    out.push_back(uint8_t(minSize));
    PutSubBlocks(out, LzwLiterals(f.pixels, minSize));
  }
  out.push_back(';');
  return out;
}

FrameSpec SolidFrame(int w, int h, uint8_t index) {
  FrameSpec f;
  f.width = w;
  f.height = h;
  f.pixels.assign(size_t(w) * h, index);
  return f;
}

struct Decoded {
  int error = 0;
  std::string message;
  TGif gif;
  platform::Bitmap strip, mask;
};

void Decode(const std::vector<uint8_t>& bytes, Decoded& d) {
  platform::TMemoryStream stream(bytes);
  try {
    d.gif.LoadFromStream(stream);
    d.strip = d.gif.GetStripBitmap(d.mask);
  } catch (const EGifError& e) {
    d.error = e.Code();
    d.message = e.what();
  }
}

// Mismatches of one strip cell against an RGBA file: an opaque pixel must
// have its colour and be shown; a clear pixel must be masked out (or, in a
// GIF without transparency, stay the strip's black ground).
int CompareCell(const Decoded& d, int cell, const std::string& rgbaFile, std::string* first) {
  const std::vector<uint8_t> rgba = ReadBytes(rgbaFile);
  const int w = d.gif.Width(), h = d.gif.Height();
  if (rgba.size() != size_t(w) * h * 4) {
    *first = "size of " + rgbaFile;
    return -1;
  }
  int bad = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const uint8_t* p = &rgba[(size_t(y) * w + x) * 4];
      const int sx = cell * w + x;
      const bool masked = !d.mask.IsNull() && d.mask.Alpha(sx, y) == 0;
      bool ok;
      if (p[3] == 255)
        ok = !masked && d.strip.Pixel(sx, y) == platform::Rgb(p[0], p[1], p[2]);
      else
        ok = d.mask.IsNull() ? d.strip.Pixel(sx, y) == platform::clBlack : masked;
      if (!ok && bad++ == 0) *first = "(" + std::to_string(x) + "," + std::to_string(y) + ")";
    }
  return bad;
}

}  // namespace

// --- The decoder against the GIF suite.

struct SuiteCase {
  const char* name;
  int error;                        // expected code; 0 success
  int frames;                       // frame count on success
  int loopCount;                    // TGif::LoopCount
  std::vector<std::string> pixels;  // expected cells (cell i against file i)
  int firstCell = 0;                // cell of pixels[0]; -1: the last cell
};

class GifSuite : public ::testing::TestWithParam<SuiteCase> {};

TEST_P(GifSuite, DecodesAsExpected) {
  const SuiteCase& c = GetParam();
  Decoded d;
  Decode(ReadBytes(std::string(c.name) + ".gif"), d);
  ASSERT_EQ(d.error, c.error) << d.message;
  if (c.error != 0) {
    EXPECT_EQ(d.message, "TGif: " + GifErrorMessage(c.error));
    return;
  }
  EXPECT_EQ(d.gif.ImageCount(), c.frames);
  EXPECT_EQ(d.gif.LoopCount(), c.loopCount);
  ASSERT_EQ(d.strip.Width(), d.gif.Width() * d.gif.ImageCount());
  ASSERT_EQ(d.strip.Height(), d.gif.Height());
  for (size_t i = 0; i < c.pixels.size(); ++i) {
    const int cell = (c.firstCell < 0 ? d.gif.ImageCount() - 1 : c.firstCell) + int(i);
    std::string where;
    EXPECT_EQ(CompareCell(d, cell, c.pixels[i], &where), 0) << "cell " << cell << " first at " << where;
  }
}

const SuiteCase kSuite[] = {
    // Colour depths 1..8 bits, tables, the plain cases.
    {"depth1", 0, 1, -1, {"white-dot.rgba"}},
    {"depth2", 0, 1, -1, {"white-dot.rgba"}},
    {"depth3", 0, 1, -1, {"white-dot.rgba"}},
    {"depth4", 0, 1, -1, {"white-dot.rgba"}},
    {"depth5", 0, 1, -1, {"white-dot.rgba"}},
    {"depth6", 0, 1, -1, {"white-dot.rgba"}},
    {"depth7", 0, 1, -1, {"white-dot.rgba"}},
    {"depth8", 0, 1, -1, {"white-dot.rgba"}},
    {"gif87a", 0, 1, -1, {"white-dot.rgba"}},
    {"four-colors", 0, 1, -1, {"four-colors.rgba"}},
    {"all-reds", 0, 1, -1, {"all-reds.rgba"}},
    {"interlace", 0, 1, -1, {"all-reds.rgba"}},
    {"local-color-table", 0, 1, -1, {"white-dot.rgba"}},
    {"no-global-color-table", 0, 1, -1, {"white-dot.rgba"}},
    {"high-color", 0, 4, -1, {"high-color.rgba"}, -1},
    {"image-inside-bg", 0, 1, -1, {"image-inside-bg.rgba"}},
    {"image-outside-bg", 0, 1, -1, {"image-outside-bg.rgba"}},
    {"image-overlap-bg", 0, 1, -1, {"image-overlap-bg.rgba"}},
    {"images-combine", 0, 4, -1, {"four-colors.rgba"}, -1},
    {"images-overlap", 0, 2, -1, {"white-dot.rgba"}, -1},
    {"max-width", 0, 1, -1, {"max-width.rgba"}},
    // LZW streams: clears, end codes, code sizes.
    {"missing-pixels", 0, 1, -1, {"missing-pixels.rgba"}},
    {"extra-pixels", 0, 1, -1, {"white-dot.rgba"}},
    {"extra-data", 0, 1, -1, {"white-dot.rgba"}},
    {"no-eoi", 0, 1, -1, {"white-dot.rgba"}},
    {"many-clears", 0, 1, -1, {"checkerboard.rgba"}},
    {"double-clears", 0, 1, -1, {"checkerboard.rgba"}},
    {"4095-codes-clear", 0, 1, -1, {"random-image.rgba"}},
    {"4095-codes", 0, 1, -1, {"random-image.rgba"}},
    {"255-codes", 0, 1, -1, {"random-image.rgba"}},
    {"large-codes", 0, 1, -1, {"random-image.rgba"}},
    {"max-codes", 0, 1, -1, {"random-image.rgba"}},
    // An index past a two-entry table is black.
    {"invalid-colors", 0, 1, -1, {}},
    // Transparency.
    {"transparent", 0, 1, -1, {"four-colors-transparent.rgba"}},
    {"invalid-transparent", 0, 1, -1, {"four-colors.rgba"}},
    {"disabled-transparent", 0, 1, -1, {"four-colors.rgba"}},
    {"unset-transparent", 0, 1, -1, {"white-dot.rgba"}},
    // Loop counts and extensions.
    {"loop-infinite", 0, 1, 0, {"white-dot.rgba"}},
    {"loop-once", 0, 1, 1, {"white-dot.rgba"}},
    {"loop-max", 0, 1, 65535, {"white-dot.rgba"}},
    {"loop-buffer", 0, 1, 0, {"white-dot.rgba"}},
    {"loop-animexts", 0, 1, -1, {"white-dot.rgba"}},
    {"comment", 0, 1, -1, {"white-dot.rgba"}},
    {"plain-text", 0, 1, -1, {}},
    {"unknown-application-extension", 0, 1, -1, {"white-dot.rgba"}},
    {"nul-application-extension", 0, 1, -1, {"white-dot.rgba"}},
    // Animations: every frame paints over a copy of the one before.
    {"animation", 0, 4, 0, {"animation.0.rgba", "animation.1.rgba", "animation.2.rgba", "animation.3.rgba"}},
    {"animation-zero-delays", 0, 4, 0,
     {"animation.0.rgba", "animation.1.rgba", "animation.2.rgba", "animation.3.rgba"}},
    {"animation-no-delays", 0, 4, 0,
     {"animation.0.rgba", "animation.1.rgba", "animation.2.rgba", "animation.3.rgba"}},
    {"dispose-none", 0, 4, 0,
     {"animation-fill.0.rgba", "animation-fill.1.rgba", "animation-fill.2.rgba", "animation-fill.3.rgba"}},
    {"dispose-keep", 0, 4, 0,
     {"animation-fill.0.rgba", "animation-fill.1.rgba", "animation-fill.2.rgba", "animation-fill.3.rgba"}},
    // Disposal only clears the mask of a transparent GIF; these are opaque,
    // so later cells keep what earlier frames painted.
    {"dispose-restore-background", 0, 4, 0,
     {"animation-erase.0.rgba", "animation-fill.1.rgba", "animation-fill.2.rgba", "animation-fill.3.rgba"}},
    // Its first image is an opaque black background frame.
    {"dispose-restore-previous", 0, 5, 0,
     {"animation.0.rgba", "animation-fill.1.rgba", "animation-fill.2.rgba", "animation-fill.3.rgba"}, 1},
    // Errors.
    {"no-data", gifNoImageDescription, 0, -1, {}},
    {"zero-width", gifNoImageDescription, 0, -1, {}},
    {"zero-height", gifNoImageDescription, 0, -1, {}},
    {"zero-size", gifNoImageDescription, 0, -1, {}},
    // These end right after the image descriptor: the missing data comes first.
    {"image-zero-width", gifUnexpectedEof, 0, -1, {}},
    {"image-zero-height", gifUnexpectedEof, 0, -1, {}},
    {"image-zero-size", gifUnexpectedEof, 0, -1, {}},
    {"no-clear", gifBadLzwData, 0, -1, {}},
    {"no-clear-and-eoi", gifBadLzwData, 0, -1, {}},
    {"invalid-code", gifBadLzwData, 0, -1, {}},
    {"overflow-codes", gifBadLzwCodeSize, 0, -1, {}},
    {"overflow-codes-max", gifBadLzwCodeSize, 0, -1, {}},
    {"max-size", gifNoImageDescription, 0, -1, {}},
};

INSTANTIATE_TEST_SUITE_P(Suite, GifSuite, ::testing::ValuesIn(kSuite),
                         [](const ::testing::TestParamInfo<SuiteCase>& info) {
                           std::string n = info.param.name;
                           for (char& ch : n)
                             if (!platform::IsAsciiLetterOrDigit(ch)) ch = '_';
                           return n;
                         });

TEST(GifDecoder, UnknownExtensionNamesItsLabel) {
  Decoded d;
  Decode(ReadBytes("unknown-extension.gif"), d);
  EXPECT_EQ(d.error, gifSpecialMessage);
  EXPECT_EQ(d.message, "TGif: unknown extension: 002A");
}

// --- Reading rules on small built files.

TEST(GifDecoder, SignatureIsCheckedWithoutRegardToCase) {
  GifSpec spec;
  spec.frames.push_back(SolidFrame(1, 1, 1));
  std::vector<uint8_t> bytes = BuildGif(spec);
  bytes[0] = 'g', bytes[1] = 'i', bytes[2] = 'f';
  Decoded lower;
  Decode(bytes, lower);
  EXPECT_EQ(lower.error, 0) << lower.message;

  bytes[3] = '9', bytes[4] = '0';
  Decoded future;
  Decode(bytes, future);
  EXPECT_EQ(future.error, gifBadSignature);
  EXPECT_EQ(future.message, "TGif: Invalid GIF Signature Code");

  Decoded tiny;
  Decode({'G', 'I', 'F'}, tiny);
  EXPECT_EQ(tiny.error, gifBadSignature);
}

TEST(GifDecoder, InterlacedRowsComeInFourPasses) {
  GifSpec spec;
  spec.width = 1;
  spec.height = 16;
  spec.globalTable.clear();
  for (int i = 0; i < 16; ++i) spec.globalTable.push_back(platform::Rgb(i * 10, 0, 0));
  FrameSpec f = SolidFrame(1, 16, 0);
  f.interlaced = true;
  for (int i = 0; i < 16; ++i) f.pixels[i] = uint8_t(i);  // file order
  spec.frames.push_back(f);
  Decoded d;
  Decode(BuildGif(spec), d);
  ASSERT_EQ(d.error, 0) << d.message;
  const int rowOrder[16] = {0, 8, 4, 12, 2, 6, 10, 14, 1, 3, 5, 7, 9, 11, 13, 15};
  for (int k = 0; k < 16; ++k) EXPECT_EQ(d.gif.Frames()[0].PixelAt(0, rowOrder[k]), k) << "row " << rowOrder[k];
}

TEST(GifDecoder, ShortInterlacedFrameSkipsEmptyPasses) {
  GifSpec spec;
  spec.width = 2;
  spec.height = 3;
  FrameSpec f = SolidFrame(2, 3, 0);
  f.interlaced = true;
  f.pixels = {1, 1, 0, 1, 1, 0};  // rows 0, 2, 1
  spec.frames.push_back(f);
  Decoded d;
  Decode(BuildGif(spec), d);
  ASSERT_EQ(d.error, 0) << d.message;
  const TGifFrame& fr = d.gif.Frames()[0];
  EXPECT_EQ(fr.PixelAt(0, 0), 1);
  EXPECT_EQ(fr.PixelAt(1, 0), 1);
  EXPECT_EQ(fr.PixelAt(0, 2), 0);
  EXPECT_EQ(fr.PixelAt(1, 2), 1);
  EXPECT_EQ(fr.PixelAt(0, 1), 1);
  EXPECT_EQ(fr.PixelAt(1, 1), 0);
}

TEST(GifDecoder, FrameTallerThanTheScreenIsCut) {
  GifSpec spec;
  spec.width = 2;
  spec.height = 3;
  spec.frames.push_back(SolidFrame(2, 10, 1));
  Decoded d;
  Decode(BuildGif(spec), d);
  ASSERT_EQ(d.error, 0) << d.message;
  EXPECT_EQ(d.gif.ImageHeight(0), 3);
  EXPECT_EQ(d.gif.ImageWidth(0), 2);
  EXPECT_EQ(d.strip.Pixel(1, 2), platform::clWhite);
}

TEST(GifDecoder, FramePartlyOutsideTheScreenIsClipped) {
  GifSpec spec;
  spec.width = 3;
  spec.height = 3;
  FrameSpec f = SolidFrame(4, 2, 1);  // 4 wide at x 2: two columns fall outside
  f.left = 2;
  f.top = 2;
  spec.frames.push_back(f);
  Decoded d;
  Decode(BuildGif(spec), d);
  ASSERT_EQ(d.error, 0) << d.message;
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 3; ++x)
      EXPECT_EQ(d.strip.Pixel(x, y), x == 2 && y == 2 ? platform::clWhite : platform::clBlack) << x << "," << y;
}

TEST(GifDecoder, FrameQueriesAndTheirDefaults) {
  GifSpec spec;
  spec.width = 4;
  spec.height = 4;
  FrameSpec plain = SolidFrame(2, 2, 1);  // no graphic control
  plain.left = 1;
  plain.top = 2;
  FrameSpec controlled = SolidFrame(1, 1, 0);
  controlled.graphicControl = true;
  controlled.disposal = 6;  // only the low two bits count
  controlled.delay = 0;
  controlled.transparent = 1;
  spec.frames = {plain, controlled};
  Decoded d;
  Decode(BuildGif(spec), d);
  ASSERT_EQ(d.error, 0) << d.message;
  EXPECT_EQ(d.gif.ImageLeft(0), 1);
  EXPECT_EQ(d.gif.ImageTop(0), 2);
  EXPECT_EQ(d.gif.ImageDelay(0), 1);
  EXPECT_EQ(d.gif.ImageDisposal(0), 0);
  EXPECT_EQ(d.gif.TransparentIndex(0), -1);
  EXPECT_EQ(d.gif.ImageDelay(1), 1);
  EXPECT_EQ(d.gif.ImageDisposal(1), 2);
  EXPECT_EQ(d.gif.TransparentIndex(1), 1);
  EXPECT_TRUE(d.gif.IsTransparent());
  for (int bad : {-1, 2}) {
    try {
      d.gif.ImageWidth(bad);
      ADD_FAILURE() << "index " << bad;
    } catch (const EGifError& e) {
      EXPECT_EQ(e.Code(), gifValueOutOfRange);
      EXPECT_STREQ(e.what(), "TGif: Value Out Of Range");
    }
  }
}

TEST(GifDecoder, ExtensionErrors) {
  GifSpec spec;
  spec.frames.push_back(SolidFrame(1, 1, 1));
  const std::vector<uint8_t> good = BuildGif(spec);
  const size_t at = 6 + 7 + 6;  // after header, descriptor and the 2-entry table
  struct Case {
    std::vector<uint8_t> block;
    int error;
  } cases[] = {
      {{0x21, 0xF9, 5, 0, 0, 0, 0, 0, 0}, gifBadExtensionBlockSize},
      {{0x21, 0xF9, 4, 0, 0, 0, 0, 7}, gifBadExtensionTerminator},
      {{0x21, 0x01, 11, 0}, gifBadExtensionBlockSize},
      {{0x21, 0xFE, 5, 'a', 'b'}, gifUnexpectedEof},
      {{0x21, 0xFF, 3, 1, 2, 3, 0}, 0},  // odd application block size: skipped
      {{0x21, 0xFE, 2, 'h', 'i', 0}, 0},
      {{0x07}, gifUnknownOperationCode},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> bytes(good.begin(), good.begin() + at);
    bytes.insert(bytes.end(), c.block.begin(), c.block.end());
    if (c.error == 0 || c.error != gifUnexpectedEof) bytes.insert(bytes.end(), good.begin() + at, good.end());
    Decoded d;
    Decode(bytes, d);
    EXPECT_EQ(d.error, c.error) << d.message << " block " << int(c.block[0]) << "/" << int(c.block.size());
  }
}

TEST(GifDecoder, TruncatedFilesFailCleanlyOrKeepWhatWasRead) {
  GifSpec spec;
  spec.width = 3;
  spec.height = 2;
  spec.loopCount = 0;
  FrameSpec a = SolidFrame(3, 2, 1);
  a.graphicControl = true;
  a.transparent = 0;
  FrameSpec b = SolidFrame(2, 2, 0);
  b.interlaced = true;
  b.localTable = {platform::clRed, platform::clBlue};
  spec.frames = {a, b};
  const std::vector<uint8_t> full = BuildGif(spec);
  for (size_t n = 0; n < full.size(); ++n) {
    std::vector<uint8_t> part(full.begin(), full.begin() + n);
    Decoded d;
    Decode(part, d);
    if (d.error == 0) {
      EXPECT_GE(d.gif.ImageCount(), 1) << n;
    } else {
      EXPECT_EQ(d.message.rfind("TGif: ", 0), 0u) << n;
    }
    bool notAnimated = false;
    platform::TMemoryStream stream(part);
    std::unique_ptr<TGIFImage> image = CreateGifImageFromStream(notAnimated, stream);
    EXPECT_EQ(image != nullptr, d.error == 0) << n;
  }
}

TEST(GifDecoder, ScrambledFilesNeverCrash) {
  GifSpec spec;
  spec.width = 5;
  spec.height = 4;
  spec.loopCount = 3;
  FrameSpec a = SolidFrame(5, 4, 1);
  for (size_t i = 0; i < a.pixels.size(); ++i) a.pixels[i] = uint8_t(i % 2);
  FrameSpec b = SolidFrame(3, 3, 0);
  b.graphicControl = true;
  b.transparent = 1;
  b.disposal = 2;
  spec.frames = {a, b};
  const std::vector<uint8_t> seed = BuildGif(spec);
  uint32_t state = 12345;
  auto next = [&] {
    state = state * 1103515245u + 12345u;
    return state >> 16;
  };
  int decoded = 0;
  for (int round = 0; round < 3000; ++round) {
    std::vector<uint8_t> bytes = seed;
    const int flips = 1 + int(next() % 4);
    for (int k = 0; k < flips; ++k) bytes[6 + next() % (bytes.size() - 6)] = uint8_t(next());
    bool notAnimated = false;
    platform::TMemoryStream stream(bytes);
    if (CreateGifImageFromStream(notAnimated, stream)) ++decoded;
  }
  EXPECT_GT(decoded, 0);
}

TEST(GifDecoder, StripLimitFailsWithTooLarge) {
  // 1,000 frames of a 300 x 300 screen make a 270,000,000-byte strip; the
  // frames themselves are one pixel each, so the file stays tiny.
  GifSpec spec;
  spec.width = 300;
  spec.height = 300;
  for (int i = 0; i < 1000; ++i) spec.frames.push_back(SolidFrame(1, 1, 1));
  Decoded d;
  Decode(BuildGif(spec), d);
  EXPECT_EQ(d.error, gifTooLarge);
  EXPECT_EQ(d.message, "TGif: Animated GIF too large");

  EXPECT_EQ(TGif::StripFileSize(300, 300, 1000), 270000054);
  EXPECT_EQ(TGif::StripFileSize(1, 1, 1), 4 + 54);  // rows padded to 4 bytes

  // A transparent GIF is limited by its mask at half the size: 400 frames
  // (108,000,054 bytes) pass opaque and fail transparent.
  GifSpec opaque;
  opaque.width = 300;
  opaque.height = 300;
  for (int i = 0; i < 400; ++i) opaque.frames.push_back(SolidFrame(1, 1, 1));
  GifSpec clear = opaque;
  clear.frames[0].graphicControl = true;
  clear.frames[0].transparent = 0;
  Decoded o, t;
  Decode(BuildGif(opaque), o);
  Decode(BuildGif(clear), t);
  EXPECT_EQ(o.error, 0) << o.message;
  EXPECT_EQ(t.error, gifTooLarge);
}

TEST(GifDecoder, HugeFrameInASmallScreenCostsOnlyTheScreen) {
  GifSpec spec;
  spec.width = 2;
  spec.height = 2;
  FrameSpec f;
  f.width = 65535;
  f.height = 65535;
  f.pixels.assign(300, 1);  // far fewer pixels than claimed: the data ends
  spec.frames.push_back(f);
  Decoded d;
  Decode(BuildGif(spec), d);
  ASSERT_EQ(d.error, 0) << d.message;
  EXPECT_EQ(d.gif.Frames()[0].pixels.size(), 4u);
  EXPECT_EQ(d.strip.Pixel(1, 0), platform::clWhite);
  EXPECT_EQ(d.strip.Pixel(1, 1), platform::clBlack);  // row 1 was never reached
}

// --- The strip and its mask.

TEST(GifStrip, TransparentPixelsAreWhiteInTheMaskExactly) {
  GifSpec spec;
  spec.width = 3;
  spec.height = 2;
  spec.globalTable = {platform::clRed, platform::clLime, platform::clBlue, platform::clWhite};
  FrameSpec f = SolidFrame(3, 2, 0);
  f.pixels = {0, 2, 1, 2, 2, 3};
  f.graphicControl = true;
  f.transparent = 2;
  spec.frames.push_back(f);
  Decoded d;
  Decode(BuildGif(spec), d);
  ASSERT_EQ(d.error, 0) << d.message;
  ASSERT_FALSE(d.mask.IsNull());
  EXPECT_EQ(d.mask.BitDepth(), 1);
  for (int i = 0; i < 6; ++i) {
    const int x = i % 3, y = i / 3;
    const bool clear = f.pixels[i] == 2;
    EXPECT_EQ(d.mask.Alpha(x, y), clear ? 0 : 255) << x << "," << y;
    EXPECT_EQ(d.mask.Pixel(x, y), clear ? platform::clWhite : platform::clBlack);
    if (clear) {
      EXPECT_EQ(d.strip.Pixel(x, y), platform::clBlack);
    }
  }
  EXPECT_EQ(d.strip.Pixel(0, 0), platform::clRed);
  EXPECT_EQ(d.strip.Pixel(2, 1), platform::clWhite);
}

TEST(GifStrip, RestoreDisposalClearsTheNextCellWhereTheFrameWas) {
  // Frame 1 paints the left column and is disposed (2); frame 2 paints the
  // top-right pixel only. Cell 2 must be clear where frame 1 was, unless
  // frame 2 paints there, and the image bytes of frame 1 stay behind.
  GifSpec spec;
  spec.width = 2;
  spec.height = 2;
  spec.globalTable = {platform::clBlack, platform::clWhite, platform::clRed, platform::clBlue};
  FrameSpec one = SolidFrame(1, 2, 1);
  one.graphicControl = true;
  one.disposal = 2;
  one.transparent = 3;
  FrameSpec two = SolidFrame(2, 1, 2);
  two.pixels = {3, 2};  // left transparent, right red
  two.graphicControl = true;
  two.transparent = 3;
  spec.frames = {one, two};
  Decoded d;
  Decode(BuildGif(spec), d);
  ASSERT_EQ(d.error, 0) << d.message;
  // Cell 1: left column white and shown, right column never painted: clear.
  EXPECT_EQ(d.mask.Alpha(0, 0), 255);
  EXPECT_EQ(d.mask.Alpha(0, 1), 255);
  EXPECT_EQ(d.mask.Alpha(1, 0), 0);
  // Cell 2: frame 1's column cleared; frame 2's red pixel shown.
  EXPECT_EQ(d.mask.Alpha(2, 0), 0);
  EXPECT_EQ(d.mask.Alpha(2, 1), 0);
  EXPECT_EQ(d.mask.Alpha(3, 0), 255);
  EXPECT_EQ(d.strip.Pixel(3, 0), platform::clRed);
  EXPECT_EQ(d.strip.Pixel(2, 0), platform::clWhite);

  // Without disposal the second cell keeps frame 1 where frame 2 is clear.
  spec.frames[0].disposal = 1;
  Decoded kept;
  Decode(BuildGif(spec), kept);
  EXPECT_EQ(kept.mask.Alpha(2, 0), 255);
  EXPECT_EQ(kept.mask.Alpha(2, 1), 255);
}

// --- TGIFImage.

namespace {

std::unique_ptr<TGIFImage> Create(const GifSpec& spec, bool* notAnimated = nullptr) {
  bool na = false;
  platform::TMemoryStream stream(BuildGif(spec));
  std::unique_ptr<TGIFImage> image = CreateGifImageFromStream(na, stream);
  if (notAnimated) *notAnimated = na;
  return image;
}

GifSpec ThreeFrames(int loopCount) {
  GifSpec spec;
  spec.width = 2;
  spec.height = 1;
  spec.globalTable = {platform::clBlack, platform::clWhite, platform::clRed, platform::clBlue};
  spec.loopCount = loopCount;
  for (int i = 0; i < 3; ++i) {
    FrameSpec f = SolidFrame(2, 1, uint8_t(i + 1));
    f.graphicControl = true;
    f.delay = 10 * (i + 1);
    spec.frames.push_back(f);
  }
  return spec;
}

class FakeClock {
 public:
  FakeClock() {
    platform::SetClock([this] { return now; });
  }
  ~FakeClock() { platform::SetClock(nullptr); }
  int64_t now = 1000;
};

}  // namespace

TEST(GifImage, CreationFillsTheImage) {
  bool notAnimated = true;
  auto image = Create(ThreeFrames(-1), &notAnimated);
  ASSERT_TRUE(image);
  EXPECT_FALSE(notAnimated);
  EXPECT_TRUE(image->IsAnimated());
  EXPECT_EQ(image->NumFrames(), 3);
  EXPECT_EQ(image->Width(), 2);
  EXPECT_EQ(image->Height(), 1);
  EXPECT_EQ(image->CurrentFrame(), 1);
  EXPECT_EQ(image->LastDisposal(), 2);
  EXPECT_FALSE(image->IsTransparent());
  EXPECT_TRUE(image->Visible());
  ASSERT_NE(image->Strip(), nullptr);
  EXPECT_EQ(image->Strip()->Width(), 6);
  EXPECT_FALSE(image->Strip()->htTransparent);
  EXPECT_EQ(image->GetMaskImage(), nullptr);
  EXPECT_EQ(image->Frames()[1].delay, 200);
  EXPECT_FALSE(image->Strip()->palette);

  // On a palette screen the strip draws with a copy of the screen palette.
  const platform::Palette screen{{platform::clBlack, platform::clWhite}};
  platform::TMemoryStream stream(BuildGif(ThreeFrames(-1)));
  auto paletted = CreateGifImageFromStream(notAnimated, stream, &screen);
  ASSERT_TRUE(paletted);
  ASSERT_TRUE(paletted->Strip()->palette);
  EXPECT_EQ(paletted->Strip()->palette->entries, screen.entries);

  GifSpec single;
  single.frames.push_back(SolidFrame(1, 1, 1));
  auto still = Create(single, &notAnimated);
  ASSERT_TRUE(still);
  EXPECT_TRUE(notAnimated);
  EXPECT_EQ(still->NumFrames(), 1);
  EXPECT_EQ(still->LastDisposal(), 0);
}

TEST(GifImage, IterationsFromTheLoopCount) {
  const struct {
    int loopCount, iterations;
  } cases[] = {{-1, 1}, {0, 0}, {1, 2}, {2, 3}, {65535, 65536}};
  for (const auto& c : cases) {
    auto image = Create(ThreeFrames(c.loopCount));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->NumIterations(), c.iterations) << c.loopCount;
  }
}

TEST(GifImage, DelaysAreAtLeastThirtyMilliseconds) {
  const struct {
    bool control;
    int hundredths, ms;
  } cases[] = {{false, 0, 30}, {true, 0, 30}, {true, 1, 30}, {true, 3, 30}, {true, 4, 40}, {true, 10, 100}};
  for (const auto& c : cases) {
    GifSpec spec;
    FrameSpec f = SolidFrame(1, 1, 1);
    f.graphicControl = c.control;
    f.delay = c.hundredths;
    spec.frames.push_back(f);
    auto image = Create(spec);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->Frames()[0].delay, c.ms) << c.hundredths;
  }
}

TEST(GifImage, FailuresGiveNothing) {
  bool notAnimated = false;
  platform::TMemoryStream junk(std::vector<uint8_t>{'G', 'I', 'F', '9', '0', 'a', 1, 0, 1, 0, 0, 0, 0});
  EXPECT_EQ(CreateGifImageFromStream(notAnimated, junk), nullptr);
  EXPECT_EQ(CreateGifImageFromFile(notAnimated, kData + "missing.gif"), nullptr);
  EXPECT_EQ(CreateGifImageFromFile(notAnimated, kData + "invalid-code.gif"), nullptr);
  auto fromFile = CreateGifImageFromFile(notAnimated, kData + "animation.gif");
  ASSERT_TRUE(fromFile);
  EXPECT_EQ(fromFile->NumFrames(), 4);
  EXPECT_EQ(fromFile->NumIterations(), 0);
}

// Plays the animation by the clock until it stops or a limit; returns the
// frames shown, starting with the first.
std::vector<int> Play(TGIFImage& image, FakeClock& clock, int ticks) {
  std::vector<int> shown{image.CurrentFrame()};
  image.SetAnimate(true);
  for (int i = 0; i < ticks && image.Animate(); ++i) {
    clock.now += 1000;
    const int before = image.CurrentFrame();
    image.CheckTime(nullptr);
    if (image.CurrentFrame() != before) shown.push_back(image.CurrentFrame());
  }
  return shown;
}

TEST(GifImage, AnimationPlaysTheLoopCountThenStopsOnTheLastFrame) {
  FakeClock clock;
  const struct {
    int loopCount;
    std::vector<int> frames;
    bool stillAnimating;
  } cases[] = {
      {-1, {1, 2, 3}, false},
      {2, {1, 2, 3, 1, 2, 3, 1, 2, 3}, false},
      {0, {1, 2, 3, 1, 2, 3, 1, 2, 3, 1, 2, 3, 1}, true},
  };
  for (const auto& c : cases) {
    auto image = Create(ThreeFrames(c.loopCount));
    ASSERT_TRUE(image);
    EXPECT_EQ(Play(*image, clock, 12), c.frames) << c.loopCount;
    EXPECT_EQ(image->Animate(), c.stillAnimating);
  }
}

TEST(GifImage, FramesWaitForTheirDelay) {
  FakeClock clock;
  auto image = Create(ThreeFrames(0));  // delays 100, 200, 300 ms
  ASSERT_TRUE(image);
  image->CheckTime(nullptr);
  EXPECT_EQ(image->CurrentFrame(), 1);  // not animating
  image->SetAnimate(true);
  clock.now += 99;
  image->CheckTime(nullptr);
  EXPECT_EQ(image->CurrentFrame(), 1);
  clock.now += 1;
  image->CheckTime(nullptr);
  EXPECT_EQ(image->CurrentFrame(), 2);
  clock.now += 199;
  image->CheckTime(nullptr);
  EXPECT_EQ(image->CurrentFrame(), 2);
  clock.now += 1;
  image->CheckTime(nullptr);
  EXPECT_EQ(image->CurrentFrame(), 3);
  EXPECT_EQ(image->LastDisposal(), 0);
}

TEST(GifImage, SetCurrentFrameWraps) {
  auto image = Create(ThreeFrames(0));
  ASSERT_TRUE(image);
  image->SetCurrentFrame(3);
  EXPECT_EQ(image->CurrentFrame(), 3);
  image->SetCurrentFrame(4);
  EXPECT_EQ(image->CurrentFrame(), 1);
  image->SetCurrentFrame(0);
  EXPECT_EQ(image->CurrentFrame(), 3);
  EXPECT_EQ(image->LastDisposal(), 2);
}

TEST(GifImage, CopiesShareTheStripAndStartOver) {
  auto image = Create(ThreeFrames(1));
  ASSERT_TRUE(image);
  image->SetCurrentFrame(2);
  auto copy = std::make_unique<TGIFImage>(*image);
  EXPECT_TRUE(copy->IsCopy());
  EXPECT_FALSE(image->IsCopy());
  EXPECT_EQ(copy->Strip(), image->Strip());
  EXPECT_EQ(copy->CurrentFrame(), 1);
  EXPECT_EQ(copy->NumFrames(), 3);
  EXPECT_EQ(copy->NumIterations(), 2);
  EXPECT_EQ(copy->LastDisposal(), 2);
  EXPECT_TRUE(copy->Frames()[0].isCopy);
  // A copy that outlives its source keeps a working strip.
  image.reset();
  QImage target(2, 1, QImage::Format_ARGB32);
  target.fill(Qt::green);
  {
    platform::Canvas canvas(&target);
    copy->Draw(canvas, 0, 0, 2, 1);
  }
  EXPECT_EQ(target.pixel(0, 0), qRgb(255, 255, 255));
}

// A 2 x 1 GIF over black, white, red and blue: the first frame has the given
// pixels and transparent index, the second is blue.
GifSpec TwoCells(std::vector<uint8_t> first, int transparent, bool secondTransparent) {
  GifSpec spec;
  spec.width = 2;
  spec.height = 1;
  spec.globalTable = {platform::clBlack, platform::clWhite, platform::clRed, platform::clBlue};
  FrameSpec a = SolidFrame(2, 1, 0);
  a.pixels = std::move(first);
  a.graphicControl = true;
  a.transparent = transparent;
  FrameSpec b = SolidFrame(2, 1, 3);
  b.graphicControl = secondTransparent;
  b.transparent = secondTransparent ? transparent : -1;
  spec.frames = {a, b};
  return spec;
}

TEST(GifImage, StillBitmapIsTheFirstFrame) {
  auto image = Create(TwoCells({2, 1}, 1, false));
  ASSERT_TRUE(image);
  EXPECT_TRUE(image->IsTransparent());
  const platform::Bitmap& still = image->GetBitmap();
  ASSERT_EQ(still.Width(), 2);
  EXPECT_EQ(still.Pixel(0, 0), platform::clRed);
  EXPECT_EQ(still.Alpha(1, 0), 255);  // the still bitmap itself is opaque
  const platform::Bitmap* mask = image->GetMaskImage();
  ASSERT_NE(mask, nullptr);
  ASSERT_EQ(mask->Width(), 2);
  EXPECT_EQ(mask->Alpha(0, 0), 255);
  EXPECT_EQ(mask->Alpha(1, 0), 0);
}

TEST(GifImage, DrawShowsTheCurrentCellThroughTheMask) {
  auto image = Create(TwoCells({2, 0}, 0, true));
  ASSERT_TRUE(image);
  auto render = [&](int frame, bool visible) {
    image->SetCurrentFrame(frame);
    image->SetVisible(visible);
    QImage target(4, 2, QImage::Format_ARGB32);
    target.fill(Qt::green);
    platform::Canvas canvas(&target);
    image->Draw(canvas, 0, 0, 4, 2);  // stretched twice each way
    return target;
  };
  QImage first = render(1, true);
  EXPECT_EQ(first.pixel(0, 0), qRgb(255, 0, 0));
  EXPECT_EQ(first.pixel(1, 1), qRgb(255, 0, 0));
  EXPECT_EQ(first.pixel(2, 0), qRgb(0, 255, 0));  // transparent: background shows
  EXPECT_EQ(first.pixel(3, 1), qRgb(0, 255, 0));
  QImage second = render(2, true);
  EXPECT_EQ(second.pixel(0, 0), qRgb(0, 0, 255));
  EXPECT_EQ(second.pixel(3, 0), qRgb(0, 0, 255));
  EXPECT_EQ(image->DrawnRect(), platform::RectOfSize(0, 0, 4, 2));
  QImage hidden = render(2, false);
  EXPECT_EQ(hidden.pixel(0, 0), qRgb(0, 255, 0));
}

// A GIF as wide as the strip limits allow for two transparent frames, drawn
// as a 16 x 16 thumbnail: the red first frame covers the left half of the
// top 32 rows, the blue second frame the left quarter over it; the rest is
// transparent.
TEST(GifImage, WideScreenDrawsIntoASmallTarget) {
  const int width = 65281, height = 252, rows = 32;
  GifSpec spec;
  spec.width = width;
  spec.height = height;
  spec.globalTable = {platform::clBlack, platform::clWhite, platform::clRed, platform::clBlue};
  auto band = [&](int colourEnd, uint8_t index) {
    FrameSpec f = SolidFrame(width, rows, 0);
    for (int y = 0; y < rows; ++y)
      std::fill_n(f.pixels.begin() + size_t(y) * width, colourEnd, index);
    f.graphicControl = true;
    f.transparent = 0;
    return f;
  };
  spec.frames = {band(width / 2, 2), band(width / 4, 3)};
  auto image = Create(spec);
  ASSERT_TRUE(image);
  ASSERT_EQ(image->NumFrames(), 2);
  auto render = [&](int frame) {
    image->SetCurrentFrame(frame);
    QImage target(16, 16, QImage::Format_ARGB32);
    target.fill(Qt::green);
    platform::Canvas canvas(&target);
    image->Draw(canvas, 0, 0, 16, 16);
    return target;
  };
  const QRgb red = qRgb(255, 0, 0), blue = qRgb(0, 0, 255), green = qRgb(0, 255, 0);
  // Each frame twice: the second drawing must show what the first did.
  for (int pass = 0; pass < 2; ++pass) {
    SCOPED_TRACE(pass);
    const QImage first = render(1);
    EXPECT_EQ(first.pixel(1, 0), red);
    EXPECT_EQ(first.pixel(6, 1), red);
    EXPECT_EQ(first.pixel(12, 0), green);
    EXPECT_EQ(first.pixel(1, 8), green);  // below the frames
    const QImage second = render(2);
    EXPECT_EQ(second.pixel(1, 0), blue);
    EXPECT_EQ(second.pixel(6, 1), red);  // the first frame shows through
    EXPECT_EQ(second.pixel(12, 1), green);
    EXPECT_EQ(second.pixel(6, 15), green);
  }
}

// A bitmap keeps what it made for drawing through its mask; changing the
// mask or the pixels afterwards must show at the next drawing.
TEST(GifImage, MaskedDrawingFollowsChangesToTheBitmapAndMask) {
  ThtBitmap ht;
  ht.bitmap = platform::Bitmap(2, 1, platform::clRed);
  ht.htMask = std::make_unique<platform::Bitmap>(2, 1, platform::clBlack);
  ht.htMask->SetPixel(1, 0, platform::clWhite, 0);
  ht.htTransparent = true;
  auto render = [&] {
    QImage target(2, 1, QImage::Format_ARGB32);
    target.fill(Qt::green);
    platform::Canvas canvas(&target);
    ht.Draw(canvas, platform::RectOfSize(0, 0, 2, 1));
    return target;
  };
  QImage before = render();
  EXPECT_EQ(before.pixel(0, 0), qRgb(255, 0, 0));
  EXPECT_EQ(before.pixel(1, 0), qRgb(0, 255, 0));
  ht.htMask->SetPixel(0, 0, platform::clWhite, 255);  // opaque white is clear too
  ht.htMask->SetPixel(1, 0, platform::clBlack, 255);
  QImage masked = render();
  EXPECT_EQ(masked.pixel(0, 0), qRgb(0, 255, 0));
  EXPECT_EQ(masked.pixel(1, 0), qRgb(255, 0, 0));
  ht.bitmap.SetPixel(1, 0, platform::clBlue);
  EXPECT_EQ(render().pixel(1, 0), qRgb(0, 0, 255));
  // A mask smaller than the bitmap leaves the rest clear.
  ht.htMask = std::make_unique<platform::Bitmap>(1, 1, platform::clBlack);
  QImage shortMask = render();
  EXPECT_EQ(shortMask.pixel(0, 0), qRgb(255, 0, 0));
  EXPECT_EQ(shortMask.pixel(1, 0), qRgb(0, 255, 0));
}
