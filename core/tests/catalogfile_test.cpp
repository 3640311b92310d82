#include "core/catalogfile.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstring>

#include "platform/streams.h"
#include "platform/sysutils.h"
#include "testsupport/testenv.h"

namespace {

using core::TCompFileHeader;

const std::string kDataDir = std::string(DRAVLEN_TEST_DATA) + "/catalog/";

double DoubleAt(const std::vector<uint8_t>& bytes, size_t offset) {
  uint64_t u = 0;
  for (int i = 0; i < 8; ++i) u |= static_cast<uint64_t>(bytes[offset + i]) << (8 * i);
  return std::bit_cast<double>(u);
}

TCompFileHeader SampleHeader() {
  TCompFileHeader h;
  h.FileID = std::string(core::kCompFileId);
  h.Manufacturer = "K\xC3\xA4lte GmbH";   // "Kälte GmbH"
  h.Make = "Maker";
  h.RefrigNumber = -1;
  h.TeLo = -25;
  h.TeHi = 10;
  h.TcLo = 40;
  h.TcHi = 60.5;
  return h;
}

TEST(CompFileHeader, WrittenAs808RawBytesWithZeroPadding) {
  const auto h = SampleHeader();
  const auto a = core::CompFileHeaderBytes(h);
  const std::vector<uint8_t> bytes(a.begin(), a.end());
  ASSERT_EQ(bytes.size(), 808u);
  EXPECT_EQ(bytes[0], 34);
  EXPECT_EQ(std::string(bytes.begin() + 1, bytes.begin() + 35), h.FileID);
  EXPECT_EQ(bytes[256], 10);   // Windows-1252: one byte per character
  EXPECT_EQ(std::string(bytes.begin() + 257, bytes.begin() + 267), "K\xE4lte GmbH");
  EXPECT_EQ(bytes[512], 5);
  EXPECT_EQ(std::string(bytes.begin() + 513, bytes.begin() + 518), "Maker");
  for (size_t k : {35, 255, 267, 511, 518, 767, 772, 773, 774, 775}) EXPECT_EQ(bytes[k], 0) << k;
  EXPECT_EQ(bytes[768], 0xFF);
  EXPECT_EQ(bytes[771], 0xFF);
  EXPECT_EQ(DoubleAt(bytes, 776), -25);
  EXPECT_EQ(DoubleAt(bytes, 784), 10);
  EXPECT_EQ(DoubleAt(bytes, 792), 40);
  EXPECT_EQ(DoubleAt(bytes, 800), 60.5);

  platform::TMemoryStream stream;
  {
    core::TValueWriter writer(stream);
    core::WriteFileHeader(writer, h);
  }
  EXPECT_EQ(stream.Bytes(), bytes);
}

TEST(CompFileHeader, TextsAreCutAndMappedToTheirSlot) {
  auto h = SampleHeader();
  h.Manufacturer = std::string(300, 'm');
  h.Make = "\xE2\x82\xAC / \xCE\xA9";   // "€" has a Windows-1252 byte, "Ω" has none
  const auto bytes = core::CompFileHeaderBytes(h);
  EXPECT_EQ(bytes[256], 255);
  EXPECT_EQ(bytes[511], 'm');
  EXPECT_EQ(bytes[512], 5);
  EXPECT_EQ(std::string(bytes.begin() + 513, bytes.begin() + 518), "\x80 / ?");
}

TEST(CatalogFile, WithoutModelsIsTheHeaderAndAnEmptyList) {
  const auto h = SampleHeader();
  platform::TMemoryStream stream;
  {
    core::TValueWriter writer(stream);
    core::WriteFileHeader(writer, h);
    writer.WriteListBegin();
    writer.WriteListEnd();
  }
  const auto& bytes = stream.Bytes();
  ASSERT_EQ(bytes.size(), 810u);
  EXPECT_EQ(bytes[808], 1);
  EXPECT_EQ(bytes[809], 0);

  stream.SetPosition(0);
  core::TValueReader reader(stream);
  TCompFileHeader back;
  core::ReadFileHeader(reader, back);
  EXPECT_EQ(reader.Position(), 808);
  EXPECT_EQ(back.FileID, h.FileID);
  EXPECT_EQ(back.Manufacturer, h.Manufacturer);
  EXPECT_EQ(back.Make, h.Make);
  EXPECT_EQ(back.RefrigNumber, -1);
  EXPECT_EQ(back.TeLo, -25);
  EXPECT_EQ(back.TeHi, 10);
  EXPECT_EQ(back.TcLo, 40);
  EXPECT_EQ(back.TcHi, 60.5);
  reader.ReadListBegin();
  EXPECT_TRUE(reader.EndOfList());
}

TEST(CatalogFile, ReadsTheHeadersOfEveryVersion) {
  struct Case {
    const char* file;
    std::string fileId, manufacturer, make;
    int32_t refrig;
    double teLo, teHi, tcLo, tcHi;
    int64_t listStart;
  };
  const Case cases[] = {
      {"v100.cmp", "Quillbarrow compressor file v 1.00", "K\xC3\xA4lte-Werk", "K\xC3\xA4lte-Werk", 22, -30, 10, 30, 60, 552},
      {"v101.cmp", "Quillbarrow compressor file v 1.01", "Quillbarrow", "Quillbarrow", 502, -40, -5, 25, 50, 552},
      {"v102.cmp", "Quillbarrow compressor file v 1.02", "Quillbarrow", "Maker Two", 134, -25, 10, 40, 60, 808},
      {"v103.cmp", "Quillbarrow compressor file v 1.03", "Quillbarrow", "Maker Three", 22, -25, 10, 40, 60, 808},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    platform::TFileStream file(kDataDir + c.file, platform::TFileMode::fmOpenRead);
    core::TValueReader reader(file);
    TCompFileHeader h;
    core::ReadFileHeader(reader, h);
    EXPECT_EQ(h.FileID, c.fileId);
    EXPECT_EQ(h.Manufacturer, c.manufacturer);
    EXPECT_EQ(h.Make, c.make);
    EXPECT_EQ(h.RefrigNumber, c.refrig);
    EXPECT_EQ(h.TeLo, c.teLo);
    EXPECT_EQ(h.TeHi, c.teHi);
    EXPECT_EQ(h.TcLo, c.tcLo);
    EXPECT_EQ(h.TcHi, c.tcHi);
    EXPECT_EQ(reader.Position(), c.listStart);
    EXPECT_EQ(reader.NextValue(), core::vaList);
  }
}

// The layout is chosen by the identification's characters up to the first
// zero byte, exactly; its length byte plays no part.
TEST(CatalogFile, LayoutDetection) {
  struct Case {
    const char* name;
    std::string slot;   // the 256 bytes from offset 1 on, zero padded
    uint8_t lengthByte;
    int size;
  };
  const Case cases[] = {
      {"v 1.00", "Quillbarrow compressor file v 1.00", 34, 552},
      {"v 1.01", "Quillbarrow compressor file v 1.01", 34, 552},
      {"v 1.02", "Quillbarrow compressor file v 1.02", 34, 808},
      {"v 1.03", "Quillbarrow compressor file v 1.03", 34, 808},
      {"another program's text", "Some other catalog", 18, 808},
      {"other case", "quillbarrow compressor file v 1.01", 34, 808},
      {"text goes on", "Quillbarrow compressor file v 1.01x", 35, 808},
      {"wrong length byte", "Quillbarrow compressor file v 1.01", 3, 552},
      {"bytes behind the zero", std::string("Quillbarrow compressor file v 1.00\0garbage", 42), 34, 552},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<uint8_t> bytes(900, 0);
    bytes[0] = c.lengthByte;
    std::memcpy(bytes.data() + 1, c.slot.data(), c.slot.size());
    platform::TMemoryStream stream(bytes);
    core::TValueReader reader(stream);
    TCompFileHeader h;
    core::ReadFileHeader(reader, h);
    EXPECT_EQ(reader.Position(), c.size);
    EXPECT_EQ(h.FileID, c.slot.substr(0, c.lengthByte));
  }
  EXPECT_EQ(core::CompFileHeaderSizeFor(core::kCompFileIdV101), 552);
  EXPECT_EQ(core::CompFileHeaderSizeFor(""), 808);
}

TEST(CatalogFile, ShortFilesAreReadErrors) {
  struct Case {
    const char* name;
    std::string id;
    size_t size;
  };
  const Case cases[] = {
      {"empty", "", 0},
      {"shorter than the identification slot", "Quillbarrow compressor file v 1.03", 200},
      {"old layout cut short", "Quillbarrow compressor file v 1.00", 551},
      {"new layout cut short", "Quillbarrow compressor file v 1.03", 600},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<uint8_t> bytes(c.size, 0);
    if (c.size > c.id.size()) {
      bytes[0] = static_cast<uint8_t>(c.id.size());
      std::memcpy(bytes.data() + 1, c.id.data(), c.id.size());
    }
    platform::TMemoryStream stream(bytes);
    core::TValueReader reader(stream);
    TCompFileHeader h;
    try {
      core::ReadFileHeader(reader, h);
      ADD_FAILURE() << "no error";
    } catch (const platform::EReadError& e) {
      EXPECT_STREQ(e.what(), "Stream read error");
    }
  }
}

// The search's reader: the header straight from the file's path gives what a
// stream over the file gives, for both layouts; numbers alone when asked;
// short files and folders are read errors, missing files open errors, and a
// name spelt in another case finds the file.
TEST(CatalogFile, HeaderReadByPathIsTheStreamsHeader) {
  const std::string dir = testsupport::MakeTempDir("header");
  for (const char* file : {"v100.cmp", "v101.cmp", "v102.cmp", "v103.cmp"}) {
    SCOPED_TRACE(file);
    platform::TFileStream stream(kDataDir + file, platform::TFileMode::fmOpenRead);
    core::TValueReader reader(stream);
    TCompFileHeader expected, byPath, numbers;
    core::ReadFileHeader(reader, expected);
    core::ReadFileHeader(kDataDir + file, byPath);
    EXPECT_EQ(byPath.FileID, expected.FileID);
    EXPECT_EQ(byPath.Manufacturer, expected.Manufacturer);
    EXPECT_EQ(byPath.Make, expected.Make);
    core::ReadFileHeader(kDataDir + file, numbers, false);
    EXPECT_EQ(numbers.FileID, "");
    for (const TCompFileHeader* h : {&byPath, &numbers}) {
      EXPECT_EQ(h->RefrigNumber, expected.RefrigNumber);
      EXPECT_EQ(h->TeLo, expected.TeLo);
      EXPECT_EQ(h->TeHi, expected.TeHi);
      EXPECT_EQ(h->TcLo, expected.TcLo);
      EXPECT_EQ(h->TcHi, expected.TcHi);
    }
  }
  // Cut short: before the identification slot ends, and inside each layout.
  const std::string old(core::kCompFileIdV100), current(core::kCompFileId);
  for (const auto& [id, size] : std::vector<std::pair<std::string, size_t>>{
           {"", 0}, {current, 200}, {old, 551}, {current, 807}}) {
    SCOPED_TRACE(size);
    std::string bytes(size, '\0');
    if (size > id.size()) {
      bytes[0] = static_cast<char>(id.size());
      bytes.replace(1, id.size(), id);
    }
    testsupport::WriteAll(dir + "/short.cmp", bytes);
    TCompFileHeader h;
    EXPECT_THROW(core::ReadFileHeader(dir + "/short.cmp", h), platform::EReadError);
  }
  TCompFileHeader h;
  EXPECT_THROW(core::ReadFileHeader(dir, h), platform::EStreamError);
  EXPECT_THROW(core::ReadFileHeader(dir + "/missing.cmp", h), platform::EFOpenError);
  testsupport::WriteAll(dir + "/Upper.cmp", testsupport::ReadAll(kDataDir + "v103.cmp"));
  core::ReadFileHeader(dir + "/upper.CMP", h);
  EXPECT_EQ(h.Make, "Maker Three");
}

}  // namespace
