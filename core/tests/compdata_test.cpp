#include "core/compdata.h"

#include <gtest/gtest.h>

#include <functional>

#include "core/catalogfile.h"
#include "platform/streams.h"
#include "platform/sysutils.h"
#include "testsupport/testenv.h"

namespace {

using core::TCompData;
using core::TValueReader;
using core::TValueWriter;

const std::string kDataDir = std::string(DRAVLEN_TEST_DATA) + "/catalog/";

std::vector<uint8_t> FileBytes(const std::string& name) {
  const std::string bytes = testsupport::ReadAll(kDataDir + name);
  return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

std::vector<uint8_t> Written(const std::function<void(TValueWriter&)>& write) {
  platform::TMemoryStream stream;
  {
    TValueWriter writer(stream);
    write(writer);
  }
  return stream.Bytes();
}

std::vector<uint8_t> Ext(double value) {
  const auto a = core::DoubleToExtended(value);
  std::vector<uint8_t> out(11, 5);
  std::copy(a.begin(), a.end(), out.begin() + 1);
  return out;
}

void Append(std::vector<uint8_t>& out, const std::vector<uint8_t>& more) { out.insert(out.end(), more.begin(), more.end()); }
void AppendText(std::vector<uint8_t>& out, const std::string& more) { out.insert(out.end(), more.begin(), more.end()); }

// The fields of a current record before its te list, for a model with a table.
void WriteTableRecordHead(TValueWriter& w) {
  w.WriteString("M");
  w.WriteString("");
  w.WriteInteger(50);
  for (int k = 0; k < 4; ++k) w.WriteFloat(1);
  w.WriteBoolean(true);
  w.WriteBoolean(true);
  const uint8_t flags[2] = {0, 1};
  w.Write(flags, 2);
}

// The message of the read error that reading one current record raises.
std::string ReadDataError(const std::vector<uint8_t>& bytes) {
  platform::TMemoryStream stream(bytes);
  TValueReader reader(stream);
  TCompData d;
  try {
    d.ReadData(reader, core::kCompFileId);
  } catch (const platform::EReadError& e) {
    return e.what();
  }
  return "(no error)";
}

// Reads a whole catalog: header and every model record.
struct Catalog {
  core::TCompFileHeader header;
  std::vector<TCompData> models;
};

Catalog ReadCatalog(std::vector<uint8_t> bytes) {
  platform::TMemoryStream stream(std::move(bytes));
  TValueReader reader(stream);
  Catalog catalog;
  core::ReadFileHeader(reader, catalog.header);
  reader.ReadListBegin();
  while (!reader.EndOfList()) {
    catalog.models.emplace_back();
    catalog.models.back().ReadData(reader, catalog.header.FileID);
  }
  reader.ReadListEnd();
  return catalog;
}

TCompData FullModel() {
  TCompData d;
  d.Name = "ZR144KCE";
  d.Description = "Scroll 10\xC2\xB0" "C";
  d.Freq = 60;
  d.hrf = 0.93;
  d.shRef = 11;
  d.sgRef = 20;
  d.scRef = 8.3;
  d.OnePhase = false;
  d.ThreePhase = true;
  d.HasCurveFit = true;
  d.HasTable = true;
  d.QeCoef = {1, 2, 3, 4, 5, 6, 7, 8, 9.5};
  d.PwCoef = {-1, -2, -3, -4, -5, -6, -7, -8, 1e-300};
  d.TeList = {-20, -10, 0};
  d.TcList = {40, 50};
  d.Valid = {{0, 1, 2}, {0, 0, 300}};
  d.QeTable = {{9000, 13000.5, -99}, {8000, 12000, 16500}};
  d.PwTable = {{3.1, 3.3, 3.4}, {-99, 4.0, 4.2}};
  return d;
}

void ExpectSameModel(const TCompData& a, const TCompData& b) {
  EXPECT_EQ(a.Name, b.Name);
  EXPECT_EQ(a.Description, b.Description);
  EXPECT_EQ(a.Freq, b.Freq);
  EXPECT_EQ(a.hrf, b.hrf);
  EXPECT_EQ(a.shRef, b.shRef);
  EXPECT_EQ(a.sgRef, b.sgRef);
  EXPECT_EQ(a.scRef, b.scRef);
  EXPECT_EQ(a.OnePhase, b.OnePhase);
  EXPECT_EQ(a.ThreePhase, b.ThreePhase);
  EXPECT_EQ(a.HasCurveFit, b.HasCurveFit);
  EXPECT_EQ(a.HasTable, b.HasTable);
  EXPECT_EQ(a.QeCoef, b.QeCoef);
  EXPECT_EQ(a.PwCoef, b.PwCoef);
  EXPECT_EQ(a.TeList, b.TeList);
  EXPECT_EQ(a.TcList, b.TcList);
  EXPECT_EQ(a.Valid, b.Valid);
  EXPECT_EQ(a.QeTable, b.QeTable);
  EXPECT_EQ(a.PwTable, b.PwTable);
}

TEST(CompData, Defaults) {
  const TCompData d;
  EXPECT_EQ(d.Name, "");
  EXPECT_EQ(d.Description, "");
  EXPECT_EQ(d.Freq, 50);
  EXPECT_EQ(d.hrf, 0.9);
  EXPECT_EQ(d.shRef, 7.5);
  EXPECT_EQ(d.sgRef, -300);
  EXPECT_EQ(d.scRef, 5.0);
  EXPECT_FALSE(d.OnePhase);
  EXPECT_FALSE(d.ThreePhase);
  EXPECT_FALSE(d.HasCurveFit);
  EXPECT_FALSE(d.HasTable);
  EXPECT_TRUE(d.TeList.empty() && d.TcList.empty() && d.Valid.empty() && d.QeTable.empty() && d.PwTable.empty());
}

TEST(CompData, WritesTheCurrentRecordByteForByte) {
  TCompData d;
  d.Name = "ZB15KQE1";   // 8 ASCII characters
  d.OnePhase = true;
  d.HasTable = true;   // with empty lists
  const auto bytes = Written([&](TValueWriter& w) { d.WriteData(w); });

  std::vector<uint8_t> expected{6, 8};
  AppendText(expected, "ZB15KQE1");
  Append(expected, {6, 0});     // empty description
  Append(expected, {2, 50});    // Freq 50
  Append(expected, Ext(0.9));
  Append(expected, Ext(7.5));
  Append(expected, Ext(-300));  // sgRef
  Append(expected, Ext(5.0));
  Append(expected, {9, 8});     // 1-Phase, 3-Phase
  Append(expected, {0, 1});     // HasCurveFit, HasTable
  Append(expected, {1, 0, 1, 0, 1, 0, 1, 0, 1, 0});   // te, tc, Valid, Qe, Pw
  EXPECT_EQ(bytes, expected);
}

TEST(CompData, FrequencyAndDescriptionEncodings) {
  struct Case {
    int32_t freq;
    std::vector<uint8_t> bytes;
  };
  for (const Case& c : {Case{50, {2, 50}}, Case{200, {3, 200, 0}}, Case{70000, {4, 0x70, 0x11, 0x01, 0x00}}}) {
    TCompData d;
    d.Name = "A";
    d.Freq = c.freq;
    const auto bytes = Written([&](TValueWriter& w) { d.WriteData(w); });
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + 5, bytes.begin() + 5 + c.bytes.size()), c.bytes) << c.freq;
  }

  TCompData d;
  d.Name = "A";
  d.Description = "Te 10\xC2\xB0" "C";   // "°"
  const auto bytes = Written([&](TValueWriter& w) { d.WriteData(w); });
  const std::vector<uint8_t> description{20, 8, 0, 0, 0, 'T', 'e', ' ', '1', '0', 0xC2, 0xB0, 'C'};
  EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + 3, bytes.begin() + 3 + description.size()), description);
  platform::TMemoryStream stream(bytes);
  TValueReader reader(stream);
  TCompData back;
  back.ReadData(reader, core::kCompFileId);
  EXPECT_EQ(back.Description, d.Description);
}

TEST(CompData, EveryFieldRoundTrips) {
  const TCompData d = FullModel();
  TCompData noTable;
  noTable.Name = "ZR190KCE";
  noTable.HasCurveFit = true;
  noTable.QeCoef.fill(0.25);
  const auto bytes = Written([&](TValueWriter& w) {
    w.WriteListBegin();
    d.WriteData(w);
    noTable.WriteData(w);
    w.WriteListEnd();
  });
  platform::TMemoryStream stream(bytes);
  TValueReader reader(stream);
  reader.ReadListBegin();
  TCompData back;
  back.ReadData(reader, core::kCompFileId);
  ExpectSameModel(back, d);
  // Reading the next record empties the lists and tables of the last one.
  back.ReadData(reader, core::kCompFileId);
  EXPECT_FALSE(back.HasTable);
  EXPECT_TRUE(back.TeList.empty() && back.Valid.empty() && back.QeTable.empty() && back.PwTable.empty());
  EXPECT_EQ(back.QeCoef[8], 0.25);
  EXPECT_TRUE(reader.EndOfList());
}

TEST(CompData, ReadsTheV100Fixture) {
  const auto catalog = ReadCatalog(FileBytes("v100.cmp"));
  ASSERT_EQ(catalog.models.size(), 2u);
  TCompData expected;
  expected.Name = "ZB15 old";
  expected.Description = "R22 10\xC2\xB0" "C";   // a Windows-1252 byte in tag 6
  expected.Freq = 60;
  expected.hrf = 0.9;
  expected.shRef = 11;
  expected.sgRef = -300;
  expected.scRef = 8.25;
  expected.OnePhase = expected.ThreePhase = true;   // not stored in this version
  expected.HasCurveFit = expected.HasTable = true;
  expected.QeCoef = {10.5, 0.31, 0.0042, -0.052, -0.0003, -0.0011, 0.00001, 0.000002, -0.0000001};
  expected.PwCoef = {1.2, -0.01, 0.0001, 0.03, 0.0002, 0.0004, -0.000003, 0.000001, 0.0};
  expected.TeList = {-10, 0};
  expected.TcList = {40, 50};
  expected.Valid = {{0, 1}, {2, 0}};
  expected.QeTable = {{5000.5, 6000}, {-99, 4000.25}};
  expected.PwTable = {{1.5, 1.75}, {2.0, -99}};
  ExpectSameModel(catalog.models[0], expected);
  const auto& n = catalog.models[1];
  EXPECT_EQ(n.Name, "ZB21 old");
  EXPECT_EQ(n.Freq, 50);
  EXPECT_EQ(n.hrf, 0.95);
  EXPECT_TRUE(n.OnePhase && n.ThreePhase);
  EXPECT_FALSE(n.HasCurveFit || n.HasTable);
}

TEST(CompData, ReadsTheV101Fixture) {
  const auto catalog = ReadCatalog(FileBytes("v101.cmp"));
  ASSERT_EQ(catalog.models.size(), 1u);
  const auto& m = catalog.models[0];
  EXPECT_EQ(m.Name, "LT-3");
  EXPECT_EQ(m.sgRef, -300);
  EXPECT_EQ(m.scRef, 0);
  EXPECT_FALSE(m.OnePhase);   // stored
  EXPECT_TRUE(m.ThreePhase);
  EXPECT_FALSE(m.HasCurveFit);
  EXPECT_EQ(m.TcList, (std::vector<double>{50, 40}));
  EXPECT_EQ(m.Valid, (core::TIntMat{{0, 0, 0}, {0, 1, 0}}));
  EXPECT_EQ(m.QeTable[1][2], 1900);
  EXPECT_EQ(m.PwTable[1][0], 0.8);
}

TEST(CompData, ReadsTheV102Fixture) {
  const auto catalog = ReadCatalog(FileBytes("v102.cmp"));
  ASSERT_EQ(catalog.models.size(), 1u);
  const auto& m = catalog.models[0];
  EXPECT_EQ(m.Name, "MT-9");
  EXPECT_EQ(m.Description, "Medium temperature \xC2\xB0" "C");
  EXPECT_EQ(m.shRef, 11);
  EXPECT_EQ(m.sgRef, -300);   // not in this version
  EXPECT_EQ(m.scRef, 8.3);
  EXPECT_TRUE(m.OnePhase);
  EXPECT_FALSE(m.ThreePhase);
  // Rows and items the file lacks keep 0.
  EXPECT_EQ(m.Valid, (core::TIntMat{{0, 0}, {0, 0}}));
  EXPECT_EQ(m.QeTable, (core::TFloatMat{{3000, 4000}, {0, 0}}));
  EXPECT_EQ(m.PwTable, (core::TFloatMat{{0, 0}, {0, 0}}));
}

TEST(CompData, TheV103FixtureReadsAndWritesBackIdentically) {
  const auto bytes = FileBytes("v103.cmp");
  const auto catalog = ReadCatalog(bytes);
  ASSERT_EQ(catalog.models.size(), 2u);
  EXPECT_EQ(catalog.models[0].Description, "Scroll 12 m\xC2\xB3/h");
  EXPECT_EQ(catalog.models[0].sgRef, 20);
  EXPECT_EQ(catalog.models[0].QeTable[1][1], -99);
  EXPECT_EQ(catalog.models[1].sgRef, -300);
  EXPECT_FALSE(catalog.models[1].OnePhase);
  EXPECT_TRUE(catalog.models[1].HasCurveFit);

  const auto written = Written([&](TValueWriter& w) {
    core::WriteFileHeader(w, catalog.header);
    w.WriteListBegin();
    for (const auto& m : catalog.models) m.WriteData(w);
    w.WriteListEnd();
  });
  EXPECT_EQ(written, bytes);
}

// Which fields a record holds goes by the version text: sgRef is left out by
// the three old identifications in any case, the phase flags only by "v 1.00"
// exactly; anything else reads as the current layout.
TEST(CompData, VersionRules) {
  struct Case {
    std::string version;
    bool hasSgRef, hasPhases;
  };
  const Case cases[] = {
      {"Quillbarrow compressor file v 1.00", false, false},
      {"Quillbarrow compressor file v 1.01", false, true},
      {"Quillbarrow compressor file v 1.02", false, true},
      {"Quillbarrow compressor file v 1.03", true, true},
      {"QUILLBARROW COMPRESSOR FILE V 1.02", false, true},
      {"quillbarrow compressor file v 1.00", false, true},
      {"Another program 7.0", true, true},
      {"", true, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.version);
    const auto bytes = Written([&](TValueWriter& w) {
      w.WriteString("M");
      w.WriteString("D");
      w.WriteInteger(50);
      w.WriteFloat(0.9);
      w.WriteFloat(7.5);
      if (c.hasSgRef) w.WriteFloat(15);
      w.WriteFloat(5);
      if (c.hasPhases) {
        w.WriteBoolean(false);
        w.WriteBoolean(false);
      }
      const uint8_t flags[2] = {0, 0};
      w.Write(flags, 2);
      w.WriteListEnd();   // what follows the record
    });
    platform::TMemoryStream stream(bytes);
    TValueReader reader(stream);
    TCompData d;
    d.ReadData(reader, c.version);
    EXPECT_EQ(d.sgRef, c.hasSgRef ? 15 : -300);
    EXPECT_EQ(d.OnePhase, !c.hasPhases);
    EXPECT_EQ(d.ThreePhase, !c.hasPhases);
    EXPECT_EQ(d.scRef, 5);
    EXPECT_TRUE(reader.EndOfList());
  }
}

TEST(CompData, TextsKeepTheirFirst255Characters) {
  TCompData d;
  d.Name = std::string(300, 'n');
  std::string degrees;
  for (int k = 0; k < 300; ++k) degrees += "\xC2\xB0";
  d.Description = degrees;
  const auto bytes = Written([&](TValueWriter& w) { d.WriteData(w); });
  platform::TMemoryStream stream(bytes);
  TValueReader reader(stream);
  TCompData back;
  back.ReadData(reader, core::kCompFileId);
  EXPECT_EQ(back.Name, std::string(255, 'n'));
  EXPECT_EQ(back.Description, degrees.substr(0, 510));   // 255 characters of two bytes
}

TEST(CompData, TablesLargerThanTheirListsAreRefused) {
  // te list of 2, tc list of 2; then Valid as given.
  auto record = [](const std::function<void(TValueWriter&)>& tables) {
    return Written([&](TValueWriter& w) {
      WriteTableRecordHead(w);
      for (int list = 0; list < 2; ++list) {
        w.WriteListBegin();
        w.WriteFloat(1);
        w.WriteFloat(2);
        w.WriteListEnd();
      }
      tables(w);
    });
  };
  auto row = [](TValueWriter& w, int items) {
    w.WriteListBegin();
    for (int k = 0; k < items; ++k) w.WriteInteger(0);
    w.WriteListEnd();
  };
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
    std::string error;
  };
  const Case cases[] = {
      {"a row longer than the te list",
       record([&](TValueWriter& w) {
         w.WriteListBegin();
         row(w, 2);
         row(w, 3);
         w.WriteListEnd();
       }),
       "Compressor table row has more values than te values"},
      {"more rows than tc values",
       record([&](TValueWriter& w) {
         w.WriteListBegin();
         row(w, 2);
         row(w, 2);
         row(w, 1);
         w.WriteListEnd();
       }),
       "Compressor table has more rows than tc values"},
      {"a row that is not a list", record([&](TValueWriter& w) {
         w.WriteListBegin();
         w.WriteInteger(0);
       }),
       "Invalid property value"},
      {"a flag that is not an integer", record([&](TValueWriter& w) {
         w.WriteListBegin();
         w.WriteListBegin();
         w.WriteFloat(0);
       }),
       "Invalid property value"},
      {"the table cut short", record([&](TValueWriter& w) { w.WriteListBegin(); }), "Stream read error"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ReadDataError(c.bytes), c.error);
  }
}

TEST(CompData, AHugeDeclaredTableIsRefusedBeforeItIsAllocated) {
  // Lists of tag-2 values (two bytes each) declare far more cells, or rows,
  // than the few kilobytes of the file could hold.
  struct Case {
    int te, tc;
    std::string error;
  };
  const Case cases[] = {
      {1100, 1100, "Compressor table too large (1100 te values, 1100 tc values)"},
      {1, 10001, "Compressor table too large (1 te values, 10001 tc values)"},
      {10001, 0, "Compressor table too large (10001 te values, 0 tc values)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.error);
    const auto bytes = Written([&](TValueWriter& w) {
      WriteTableRecordHead(w);
      for (int count : {c.te, c.tc}) {
        w.WriteListBegin();
        for (int k = 0; k < count; ++k) w.WriteInteger(k % 100);
        w.WriteListEnd();
      }
      for (int table = 0; table < 3; ++table) {
        w.WriteListBegin();
        w.WriteListEnd();
      }
    });
    EXPECT_EQ(ReadDataError(bytes), c.error);
  }
}

// Every prefix of a valid catalog is a damaged file: each must end in a read
// error, never in a crash or a hang.
TEST(CompData, EveryTruncatedCatalogIsAReadError) {
  for (const char* name : {"v100.cmp", "v103.cmp"}) {
    const auto bytes = FileBytes(name);
    // The whole file without its closing list tag is the longest damaged prefix.
    // (v100.cmp has bytes behind its closing tag, from 0xFF 0xFE on.)
    size_t end = bytes.size() - 1;
    for (size_t k = 0; k + 1 < bytes.size(); ++k)
      if (bytes[k] == 0xFF && bytes[k + 1] == 0xFE) end = k - 1;
    for (size_t size = 0; size < end; ++size) {
      SCOPED_TRACE(size);
      EXPECT_THROW(ReadCatalog(std::vector<uint8_t>(bytes.begin(), bytes.begin() + size)), platform::EReadError);
    }
  }
}

TEST(CompData, WritesNoMoreThanTheListsDeclare) {
  TCompData d = FullModel();
  d.Valid = {{0, 0, 0, 9}, {0, 0, 0}, {7, 7, 7}};   // a surplus item and a surplus row
  d.QeTable = {{1, 2}};                            // short: missing cells read back as 0
  const auto bytes = Written([&](TValueWriter& w) { d.WriteData(w); });
  platform::TMemoryStream stream(bytes);
  TValueReader reader(stream);
  TCompData back;
  back.ReadData(reader, core::kCompFileId);
  EXPECT_EQ(back.Valid, (core::TIntMat{{0, 0, 0}, {0, 0, 0}}));
  EXPECT_EQ(back.QeTable, (core::TFloatMat{{1, 2, 0}, {0, 0, 0}}));
  EXPECT_EQ(back.PwTable, d.PwTable);
}

}  // namespace
