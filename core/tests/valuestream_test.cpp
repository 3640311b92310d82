#include "core/valuestream.h"

#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <random>

#include "platform/streams.h"
#include "platform/sysutils.h"
#include "testsupport/testenv.h"

namespace {

using core::TValueReader;
using core::TValueWriter;

std::string Hex(const std::vector<uint8_t>& bytes) {
  std::string out;
  char buf[4];
  for (uint8_t b : bytes) {
    std::snprintf(buf, sizeof buf, "%02X", b);
    if (!out.empty()) out += ' ';
    out += buf;
  }
  return out;
}

std::string Hex(const std::array<uint8_t, 10>& bytes) { return Hex(std::vector<uint8_t>(bytes.begin(), bytes.end())); }

std::vector<uint8_t> FromHex(const std::string& text) {
  std::vector<uint8_t> out;
  for (size_t i = 0; i < text.size(); i += 3) out.push_back(static_cast<uint8_t>(std::stoi(text.substr(i, 2), nullptr, 16)));
  return out;
}

std::vector<uint8_t> Written(const std::function<void(TValueWriter&)>& write) {
  platform::TMemoryStream stream;
  {
    TValueWriter writer(stream);
    write(writer);
  }
  return stream.Bytes();
}

std::vector<uint8_t> Bytes(std::initializer_list<int> list) {
  std::vector<uint8_t> out;
  for (int b : list) out.push_back(static_cast<uint8_t>(b));
  return out;
}

std::vector<uint8_t> Concat(std::vector<uint8_t> a, const std::string& s) {
  a.insert(a.end(), s.begin(), s.end());
  return a;
}

template <typename F>
std::string ReadError(std::vector<uint8_t> bytes, F read) {
  platform::TMemoryStream stream(std::move(bytes));
  TValueReader reader(stream);
  try {
    read(reader);
  } catch (const platform::EReadError& e) {
    return e.what();
  }
  return "(no error)";
}

// ---------------------------------------------------------------- integers

TEST(ValueWriter, IntegersTakeTheSmallestTag) {
  struct Case {
    int32_t value;
    std::string bytes;
  };
  const Case cases[] = {
      {0, "02 00"},
      {50, "02 32"},
      {127, "02 7F"},
      {-128, "02 80"},
      {-1, "02 FF"},
      {128, "03 80 00"},
      {200, "03 C8 00"},
      {-129, "03 7F FF"},
      {32767, "03 FF 7F"},
      {-32768, "03 00 80"},
      {32768, "04 00 80 00 00"},
      {70000, "04 70 11 01 00"},
      {-32769, "04 FF 7F FF FF"},
      {std::numeric_limits<int32_t>::max(), "04 FF FF FF 7F"},
      {std::numeric_limits<int32_t>::min(), "04 00 00 00 80"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    const auto bytes = Written([&](TValueWriter& w) { w.WriteInteger(c.value); });
    EXPECT_EQ(Hex(bytes), c.bytes);
    platform::TMemoryStream stream(bytes);
    TValueReader reader(stream);
    EXPECT_EQ(reader.ReadInteger(), c.value);
    // An integer is also a floating-point value to a reader.
    reader.SetPosition(0);
    EXPECT_EQ(reader.ReadFloat(), static_cast<double>(c.value));
  }
}

// ---------------------------------------------------------------- texts

TEST(ValueWriter, AsciiTextIsTag6WithOneByteLength) {
  const auto bytes = Written([](TValueWriter& w) { w.WriteString("ZR144KCE"); });
  EXPECT_EQ(bytes, Concat(Bytes({6, 8}), "ZR144KCE"));
  EXPECT_EQ(Hex(Written([](TValueWriter& w) { w.WriteString(""); })), "06 00");
}

TEST(ValueWriter, LongAsciiTextIsTag12WithFourByteLength) {
  const std::string t255(255, 'a');
  const std::string t256(256, 'b');
  const auto b255 = Written([&](TValueWriter& w) { w.WriteString(t255); });
  EXPECT_EQ(b255, Concat(Bytes({6, 255}), t255));
  const auto b256 = Written([&](TValueWriter& w) { w.WriteString(t256); });
  EXPECT_EQ(b256, Concat(Bytes({12, 0x00, 0x01, 0, 0}), t256));
  platform::TMemoryStream stream(b256);
  TValueReader reader(stream);
  EXPECT_EQ(reader.ReadString(), t256);
}

TEST(ValueWriter, TextOutsideAsciiIsTag20Utf8AndReadsBackTheSame) {
  const std::string text = "Suction 10\xC2\xB0" "C";   // "°" is two UTF-8 bytes
  const auto bytes = Written([&](TValueWriter& w) { w.WriteString(text); });
  EXPECT_EQ(bytes, Concat(Bytes({20, 13, 0, 0, 0}), text));
  platform::TMemoryStream stream(bytes);
  TValueReader reader(stream);
  EXPECT_EQ(reader.ReadString(), text);
}

TEST(ValueWriter, BytesThatAreNotUtf8AreTakenAsWindows1252) {
  const auto bytes = Written([](TValueWriter& w) { w.WriteString("10\xB0"); });
  EXPECT_EQ(Hex(bytes), "14 04 00 00 00 31 30 C2 B0");
}

TEST(ValueReader, TextTagsConvertToUtf8) {
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
    std::string text;
  };
  const Case cases[] = {
      {"tag 6 holds Windows-1252", Bytes({6, 4, 'K', 0xE4, 'l', 0x80}), "K\xC3\xA4l\xE2\x82\xAC"},
      {"tag 12 holds Windows-1252", Bytes({12, 2, 0, 0, 0, 0xB0, 'C'}), "\xC2\xB0" "C"},
      {"tag 20 holds UTF-8", Bytes({20, 3, 0, 0, 0, 0xE2, 0x82, 0xAC}), "\xE2\x82\xAC"},
      {"tag 20 with bytes that are not UTF-8", Bytes({20, 1, 0, 0, 0, 0xB0}), "\xC2\xB0"},
      {"tag 18 holds UTF-16", Bytes({18, 3, 0, 0, 0, 'A', 0, 0xB0, 0, 0xAC, 0x20}), "A\xC2\xB0\xE2\x82\xAC"},
      {"tag 18 surrogate pair", Bytes({18, 2, 0, 0, 0, 0x3D, 0xD8, 0x00, 0xDE}), "\xF0\x9F\x98\x80"},
      {"tag 18 unpaired surrogate", Bytes({18, 2, 0, 0, 0, 0x3D, 0xD8, 'x', 0}), "?x"},
      {"empty tag 12", Bytes({12, 0, 0, 0, 0}), ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    platform::TMemoryStream stream(c.bytes);
    TValueReader reader(stream);
    EXPECT_EQ(reader.ReadString(), c.text);
    EXPECT_EQ(reader.BytesLeft(), 0);
  }
}

// ---------------------------------------------------------------- booleans and lists

TEST(ValueWriter, BooleansAndLists) {
  const auto bytes = Written([](TValueWriter& w) {
    w.WriteListBegin();
    w.WriteBoolean(true);
    w.WriteBoolean(false);
    w.WriteListEnd();
  });
  EXPECT_EQ(Hex(bytes), "01 09 08 00");
  platform::TMemoryStream stream(bytes);
  TValueReader reader(stream);
  reader.ReadListBegin();
  EXPECT_FALSE(reader.EndOfList());
  EXPECT_TRUE(reader.ReadBoolean());
  EXPECT_FALSE(reader.ReadBoolean());
  EXPECT_TRUE(reader.EndOfList());
  EXPECT_TRUE(reader.EndOfList());   // looking does not consume
  reader.ReadListEnd();
  EXPECT_EQ(reader.BytesLeft(), 0);
}

TEST(ValueReader, BooleanTakesOneTagAndOnlyTag9IsTrue) {
  platform::TMemoryStream stream(Bytes({9, 8, 2, 1}));
  TValueReader reader(stream);
  EXPECT_TRUE(reader.ReadBoolean());
  EXPECT_FALSE(reader.ReadBoolean());
  EXPECT_FALSE(reader.ReadBoolean());   // tag 2: false, its payload byte is not taken
  EXPECT_EQ(reader.Position(), 3);
}

// ---------------------------------------------------------------- extended floats

struct ExtendedCase {
  const char* name;
  double value;
  std::string bytes;
};

const ExtendedCase kExtendedCases[] = {
    {"1.0", 1.0, "00 00 00 00 00 00 00 80 FF 3F"},
    {"-2.5", -2.5, "00 00 00 00 00 00 00 A0 00 C0"},
    {"zero", 0.0, "00 00 00 00 00 00 00 00 00 00"},
    {"negative zero", -0.0, "00 00 00 00 00 00 00 00 00 80"},
    {"1e300", 1e300, "00 E0 AC 03 40 E4 21 BF E3 43"},
    {"0.1", 0.1, "00 D0 CC CC CC CC CC CC FB 3F"},
    {"smallest subnormal", std::numeric_limits<double>::denorm_min(), "00 00 00 00 00 00 00 80 CD 3B"},
    {"largest subnormal", DBL_MIN - std::numeric_limits<double>::denorm_min(), "00 F0 FF FF FF FF FF FF 00 3C"},
    {"smallest normal", DBL_MIN, "00 00 00 00 00 00 00 80 01 3C"},
    {"largest double", DBL_MAX, "00 F8 FF FF FF FF FF FF FE 43"},
    {"infinity", std::numeric_limits<double>::infinity(), "00 00 00 00 00 00 00 80 FF 7F"},
    {"negative infinity", -std::numeric_limits<double>::infinity(), "00 00 00 00 00 00 00 80 FF FF"},
    {"quiet NaN", std::bit_cast<double>(uint64_t{0x7FF8000000000000}), "00 00 00 00 00 00 00 C0 FF 7F"},
    {"NaN payload", std::bit_cast<double>(uint64_t{0xFFF8000000000123}), "00 18 09 00 00 00 00 C0 FF FF"},
};

TEST(ExtendedFloat, KnownEncodingsBothWays) {
  for (const auto& c : kExtendedCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Hex(core::DoubleToExtended(c.value)), c.bytes);
    std::array<uint8_t, 10> bytes;
    const auto v = FromHex(c.bytes);
    std::copy(v.begin(), v.end(), bytes.begin());
    EXPECT_EQ(std::bit_cast<uint64_t>(core::ExtendedToDouble(bytes)), std::bit_cast<uint64_t>(c.value));
    // Through the writer and reader: tag 5 and the same ten bytes.
    const auto written = Written([&](TValueWriter& w) { w.WriteFloat(c.value); });
    EXPECT_EQ(Hex(written), "05 " + c.bytes);
    platform::TMemoryStream stream(written);
    TValueReader reader(stream);
    EXPECT_EQ(std::bit_cast<uint64_t>(reader.ReadFloat()), std::bit_cast<uint64_t>(c.value));
  }
}

TEST(ExtendedFloat, EveryDoubleRoundTripsExactly) {
  std::mt19937_64 random(20240611);
  for (int i = 0; i < 200000; ++i) {
    const uint64_t bits = random();
    const double value = std::bit_cast<double>(bits);
    const double back = core::ExtendedToDouble(core::DoubleToExtended(value));
    ASSERT_EQ(std::bit_cast<uint64_t>(back), bits) << std::hex << bits;
  }
  // Subnormals and the exponent edges, where the shifts change.
  for (uint64_t bits : {uint64_t{1}, uint64_t{2}, uint64_t{3}, uint64_t{0x000FFFFFFFFFFFFF}, uint64_t{0x0008000000000000},
                        uint64_t{0x0010000000000000}, uint64_t{0x7FEFFFFFFFFFFFFF}, uint64_t{0x7FF0000000000001},
                        uint64_t{0x8000000000000001}}) {
    const double back = core::ExtendedToDouble(core::DoubleToExtended(std::bit_cast<double>(bits)));
    EXPECT_EQ(std::bit_cast<uint64_t>(back), bits) << std::hex << bits;
  }
}

#if defined(__x86_64__) || defined(__i386__)
// On x86 the compiler's long double is this very format: an independent check.
TEST(ExtendedFloat, AgreesWithTheX87Format) {
  static_assert(LDBL_MANT_DIG == 64);
  std::mt19937_64 random(7);
  for (int i = 0; i < 100000; ++i) {
    const double value = std::bit_cast<double>(random());
    if (std::isnan(value)) continue;
    const long double wide = value;
    std::array<uint8_t, 10> expected;
    std::memcpy(expected.data(), &wide, 10);
    ASSERT_EQ(Hex(core::DoubleToExtended(value)), Hex(expected)) << value;
  }
  // Extended values with more precision than a double round to nearest, ties to even.
  for (int i = 0; i < 100000; ++i) {
    std::array<uint8_t, 10> bytes;
    uint64_t sig = random();
    const uint16_t top = static_cast<uint16_t>(random());
    sig |= uint64_t{1} << 63;   // normal values only: the x87 would not take unnormals
    if ((top & 0x7FFF) == 0x7FFF || (top & 0x7FFF) == 0) continue;
    std::memcpy(bytes.data(), &sig, 8);
    std::memcpy(bytes.data() + 8, &top, 2);
    long double wide;
    std::memset(&wide, 0, sizeof wide);
    std::memcpy(&wide, bytes.data(), 10);
    const double expected = static_cast<double>(wide);
    ASSERT_EQ(std::bit_cast<uint64_t>(core::ExtendedToDouble(bytes)), std::bit_cast<uint64_t>(expected))
        << Hex(bytes);
  }
}
#endif

TEST(ExtendedFloat, ValuesBeyondTheDoubleRound) {
  struct Case {
    const char* name;
    std::string bytes;
    double value;
  };
  const double inf = std::numeric_limits<double>::infinity();
  const Case cases[] = {
      {"1 + 2^-64 rounds to 1", "01 00 00 00 00 00 00 80 FF 3F", 1.0},
      {"tie rounds to even (down)", "00 04 00 00 00 00 00 80 FF 3F", 1.0},
      {"tie rounds to even (up)", "00 0C 00 00 00 00 00 80 FF 3F", 1.0 + 2 * DBL_EPSILON},
      {"above the tie rounds up", "01 04 00 00 00 00 00 80 FF 3F", 1.0 + DBL_EPSILON},
      {"carry into the exponent", "00 FC FF FF FF FF FF FF FF 3F", 2.0},
      {"too large is infinity", "00 00 00 00 00 00 00 80 FF 43", inf},
      {"negative too large", "00 00 00 00 00 00 00 80 FF C3", -inf},
      {"rounding up to infinity", "00 FC FF FF FF FF FF FF FE 43", inf},
      {"too small is zero", "00 00 00 00 00 00 00 80 00 30", 0.0},
      {"half the smallest subnormal ties to zero", "00 00 00 00 00 00 00 80 CC 3B", 0.0},
      {"above half the smallest subnormal", "01 00 00 00 00 00 00 80 CC 3B", std::numeric_limits<double>::denorm_min()},
      {"extended denormal", "01 00 00 00 00 00 00 00 00 00", 0.0},
      {"unnormal (integer bit clear)", "00 00 00 00 00 00 00 40 00 40", 1.0},
      {"pseudo-infinity", "00 00 00 00 00 00 00 00 FF 7F", inf},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::array<uint8_t, 10> bytes;
    const auto v = FromHex(c.bytes);
    std::copy(v.begin(), v.end(), bytes.begin());
    EXPECT_EQ(std::bit_cast<uint64_t>(core::ExtendedToDouble(bytes)), std::bit_cast<uint64_t>(c.value));
  }
}

TEST(ValueReader, FloatAcceptsEveryNumberTag) {
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
    double value;
  };
  const Case cases[] = {
      {"tag 5", FromHex("05 00 00 00 00 00 00 00 A0 00 C0"), -2.5},
      {"tag 21 double", FromHex("15 00 00 00 00 00 00 F8 3F"), 1.5},
      {"tag 19 int64", FromHex("13 00 00 00 00 01 00 00 00"), 4294967296.0},
      {"tag 19 negative", FromHex("13 FE FF FF FF FF FF FF FF"), -2.0},
      {"tag 2", FromHex("02 F6"), -10.0},
      {"tag 3", FromHex("03 C8 00"), 200.0},
      {"tag 4", FromHex("04 70 11 01 00"), 70000.0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    platform::TMemoryStream stream(c.bytes);
    TValueReader reader(stream);
    EXPECT_EQ(reader.ReadFloat(), c.value);
    EXPECT_EQ(reader.BytesLeft(), 0);
  }
}

// ---------------------------------------------------------------- errors

TEST(ValueReader, UnexpectedTagsAndShortStreams) {
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
    std::function<void(TValueReader&)> read;
    std::string error;
  };
  const std::string invalid = "Invalid property value";
  const std::string readError = "Stream read error";
  const Case cases[] = {
      {"integer from a text tag", Bytes({6, 0}), [](TValueReader& r) { r.ReadInteger(); }, invalid},
      {"integer from a float tag", FromHex("05 00 00 00 00 00 00 00 80 FF 3F"), [](TValueReader& r) { r.ReadInteger(); }, invalid},
      {"float from a text tag", Bytes({6, 0}), [](TValueReader& r) { r.ReadFloat(); }, invalid},
      {"float from a boolean", Bytes({9}), [](TValueReader& r) { r.ReadFloat(); }, invalid},
      {"text from an integer tag", Bytes({2, 5}), [](TValueReader& r) { r.ReadString(); }, invalid},
      {"list start expected", Bytes({0}), [](TValueReader& r) { r.ReadListBegin(); }, invalid},
      {"list end expected", Bytes({1}), [](TValueReader& r) { r.ReadListEnd(); }, invalid},
      {"unknown tag 7", Bytes({7}), [](TValueReader& r) { r.ReadFloat(); }, invalid},
      {"empty stream", {}, [](TValueReader& r) { r.ReadValue(); }, readError},
      {"end of list at the end", {}, [](TValueReader& r) { r.EndOfList(); }, readError},
      {"integer cut short", Bytes({4, 1, 2}), [](TValueReader& r) { r.ReadInteger(); }, readError},
      {"float cut short", Bytes({5, 0, 0, 0}), [](TValueReader& r) { r.ReadFloat(); }, readError},
      {"double cut short", Bytes({21, 0}), [](TValueReader& r) { r.ReadFloat(); }, readError},
      {"text shorter than its length", Bytes({6, 5, 'a', 'b'}), [](TValueReader& r) { r.ReadString(); }, readError},
      {"huge tag 12 length", Bytes({12, 0xFF, 0xFF, 0xFF, 0x7F, 'a'}), [](TValueReader& r) { r.ReadString(); }, readError},
      {"negative tag 20 length", Bytes({20, 0xFF, 0xFF, 0xFF, 0xFF}), [](TValueReader& r) { r.ReadString(); }, readError},
      {"huge tag 18 count", Bytes({18, 0xFF, 0xFF, 0xFF, 0x7F}), [](TValueReader& r) { r.ReadString(); }, readError},
      {"raw block past the end", Bytes({1, 2, 3}), [](TValueReader& r) { char b[4]; r.Read(b, 4); }, readError},
      {"list without its end", Bytes({1, 2, 1, 2, 2}),
       [](TValueReader& r) {
         r.ReadListBegin();
         while (!r.EndOfList()) r.ReadFloat();
       },
       readError},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ReadError(c.bytes, c.read), c.error);
  }
}

// ---------------------------------------------------------------- buffering and positions

TEST(ValueWriter, BufferIsFlushedWhenFullAndWhenFreed) {
  platform::TMemoryStream stream;
  std::vector<uint8_t> block(1500);
  for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<uint8_t>(i * 7);
  {
    TValueWriter writer(stream);
    writer.Write(block.data(), 1000);
    EXPECT_EQ(stream.Size(), 0);   // still in the buffer
    writer.Write(block.data() + 1000, 500);
    EXPECT_EQ(stream.Size(), 1024);   // one full buffer went out
    writer.WriteInteger(1);
    EXPECT_EQ(stream.Size(), 1024);
  }
  ASSERT_EQ(stream.Size(), 1502);
  EXPECT_TRUE(std::equal(block.begin(), block.end(), stream.Bytes().begin()));
  EXPECT_EQ(stream.Bytes()[1500], 2);
  EXPECT_EQ(stream.Bytes()[1501], 1);
}

TEST(ValueWriter, WritesAndReadsThroughAFile) {
  const std::string path = testsupport::MakeTempDir("values") + "/values.bin";
  {
    platform::TFileStream file(path, platform::TFileMode::fmCreate);
    TValueWriter writer(file);
    writer.WriteListBegin();
    for (int i = 0; i < 500; ++i) {
      writer.WriteInteger(i * 1000);
      writer.WriteFloat(i / 3.0);
      writer.WriteString("item " + std::to_string(i));
    }
    writer.WriteListEnd();
  }
  platform::TFileStream file(path, platform::TFileMode::fmOpenRead);
  TValueReader reader(file);
  reader.ReadListBegin();
  for (int i = 0; i < 500; ++i) {
    ASSERT_EQ(reader.ReadInteger(), i * 1000);
    ASSERT_EQ(reader.ReadFloat(), i / 3.0);
    ASSERT_EQ(reader.ReadString(), "item " + std::to_string(i));
  }
  EXPECT_TRUE(reader.EndOfList());
  reader.ReadListEnd();
  EXPECT_EQ(reader.BytesLeft(), 0);
}

TEST(ValueReader, PositionsAndTheStreamLeftBehind) {
  std::vector<uint8_t> bytes(3000);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i);
  platform::TMemoryStream stream(bytes);
  {
    TValueReader reader(stream);
    uint8_t b[10];
    reader.Read(b, 10);
    EXPECT_EQ(reader.Position(), 10);
    reader.SetPosition(2500);   // beyond the buffer
    reader.Read(b, 1);
    EXPECT_EQ(b[0], static_cast<uint8_t>(2500));
    reader.SetPosition(5);
    reader.Read(b, 1);
    EXPECT_EQ(b[0], 5);
    EXPECT_EQ(reader.BytesLeft(), 3000 - 6);
  }
  // The stream continues where the reader stopped, not where its buffer did.
  EXPECT_EQ(stream.Position(), 6);
}

}  // namespace
