// Build, Build All, Install, Install All and the file deletion, on source
// files, catalogs and a shared folder in temporary folders.
#include "workbench/catalogbuild.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "core/comp.h"
#include "core/interpolator.h"
#include "fit_helpers.h"
#include "platform/dialogs.h"
#include "platform/sysutils.h"
#include "testsupport/testenv.h"
#include "workbench/verify.h"

namespace {

using workbench::TActionPage;

// ---------------------------------------------------------------- expected bytes
// A catalog written straight from the format's rules: the 808-byte header,
// tag 1, the model records, tag 0; little-endian, 80-bit floats.

static_assert(LDBL_MANT_DIG == 64, "the expected bytes take x87 extended precision from long double");

class Expected {
 public:
  void Raw(const void* data, size_t n) { bytes.append(static_cast<const char*>(data), n); }
  void Byte(uint8_t b) { bytes.push_back(static_cast<char>(b)); }
  void Int(int32_t v) {
    if (v >= -128 && v <= 127) {
      Byte(2);
      Byte(static_cast<uint8_t>(v));
    } else if (v >= -32768 && v <= 32767) {
      Byte(3);
      const int16_t s = static_cast<int16_t>(v);
      Raw(&s, 2);
    } else {
      Byte(4);
      Raw(&v, 4);
    }
  }
  void Float(double v) {
    Byte(5);
    const long double x = v;
    Raw(&x, 10);
  }
  void Text(const std::string& s) {
    bool ascii = true;
    for (unsigned char c : s) ascii = ascii && c < 0x80;
    if (!ascii) {
      Byte(20);
      const uint32_t n = static_cast<uint32_t>(s.size());
      Raw(&n, 4);
    } else {
      Byte(6);
      Byte(static_cast<uint8_t>(s.size()));
    }
    bytes += s;
  }
  void Bool(bool b) { Byte(b ? 9 : 8); }
  void Doubles(const core::TPoly9Coef& c) { Raw(c.data(), 72); }

  std::string bytes;
};

struct HeaderRecord {
  std::string manufacturer, make;
  int32_t refrig = 0;
  double teLo = -25, teHi = 10, tcLo = 40, tcHi = 60;
};

void WriteHeader(Expected& out, const HeaderRecord& h) {
  char record[808] = {};
  auto slot = [&](size_t offset, const std::string& text) {
    record[offset] = static_cast<char>(text.size());
    std::memcpy(record + offset + 1, text.data(), text.size());
  };
  slot(0, "Quillbarrow compressor file v 1.03");
  slot(256, h.manufacturer);
  slot(512, h.make);
  std::memcpy(record + 768, &h.refrig, 4);
  const double temps[4] = {h.teLo, h.teHi, h.tcLo, h.tcHi};
  std::memcpy(record + 776, temps, 32);
  out.Raw(record, sizeof record);
}

struct ModelRecord {
  std::string name, description;
  int32_t freq = 50;
  double hrf = 0.95, shRef = 11.0, sgRef = -300.0, scRef = 8.3;
  bool onePhase = true, threePhase = true;
  bool curve = false;
  core::TPoly9Coef qe{}, pw{};
  std::vector<double> te, tc;
  std::vector<std::vector<int>> valid;
  std::vector<std::vector<double>> qeTable, pwTable;
};

void WriteModel(Expected& out, const ModelRecord& m) {
  out.Text(m.name);
  out.Text(m.description);
  out.Int(m.freq);
  out.Float(m.hrf);
  out.Float(m.shRef);
  out.Float(m.sgRef);
  out.Float(m.scRef);
  out.Bool(m.onePhase);
  out.Bool(m.threePhase);
  const bool table = !m.te.empty();
  out.Byte(m.curve ? 1 : 0);
  out.Byte(table ? 1 : 0);
  if (m.curve) {
    out.Doubles(m.qe);
    out.Doubles(m.pw);
  }
  if (!table) return;
  auto list = [&](const std::vector<double>& values) {
    out.Byte(1);
    for (double v : values) out.Float(v);
    out.Byte(0);
  };
  list(m.te);
  list(m.tc);
  out.Byte(1);
  for (const auto& row : m.valid) {
    out.Byte(1);
    for (int v : row) out.Int(v);
    out.Byte(0);
  }
  out.Byte(0);
  for (const auto* table : {&m.qeTable, &m.pwTable}) {
    out.Byte(1);
    for (const auto& row : *table) list(row);
    out.Byte(0);
  }
}

std::string Catalog(const HeaderRecord& h, const std::vector<ModelRecord>& models) {
  Expected out;
  WriteHeader(out, h);
  out.Byte(1);
  for (const ModelRecord& m : models) WriteModel(out, m);
  out.Byte(0);
  return out.bytes;
}

core::TPoly9Coef Coefs(const char* const (&texts)[9]) {
  core::TPoly9Coef c{};
  for (int i = 0; i < 9; ++i) c[i] = platform::StrToFloat(texts[i]);
  return c;
}

// ---------------------------------------------------------------- the fixture file

const char* const kE[9] = {"6.13478E+001", "2.11935E+000", "2.72915E-002", "-7.12904E-001", "2.19478E-003",
                           "-1.32619E-002", "1.41396E-004", "5.13872E-005", "-3.20189E-006"};
const char* const kP[9] = {"3.88219E+000", "-4.12095E-002", "-1.21178E-003", "1.53018E-001", "1.43302E-003",
                           "5.21780E-003", "2.66902E-005", "-1.96212E-005", "4.17734E-007"};

std::string Joined(const char* const (&texts)[9]) {
  std::string s;
  for (int i = 0; i < 9; ++i) s += (i ? ", " : "") + std::string(texts[i]);
  return s;
}

// Three models: coefficients and a table (Freq and hrf from the header), only
// coefficients (own keys), only a table (no fit).
const char* const kFixture =
    "[Header]\n"
    "FileType=Dravlen Data File\n"
    "Manufacturer=Acme Cooling\n"
    "Make=Polar\n"
    "Refrig=R134a\n"
    "Description=Hermetic piston\n"
    "Freq=60\n"
    "hrf=1.05\n"
    "shRef=10\n"
    "scRef=5\n"
    "TeLo=-30\n"
    "TeHi=12.5\n"
    "TcLo=30\n"
    "TcHi=65\n"
    "\n"
    "[AC-100]\n"
    "Description=Range \xC2\xB0" "C rated\n"
    "e=@E@\n"
    "p=@P@\n"
    "Te=-20, -10, 0,\n"
    "Tc=40, 50\n"
    "Valid1=0, 1, 2\n"
    "Valid2=0, 0, 0\n"
    "Qe1=1500.5, 2500, 3600.25\n"
    "Qe2=1300, 2200, -99\n"
    "Pw1=0.75, 0.8, 0.85\n"
    "Pw2=0.9, 0.95, 1.0\n"
    "\n"
    "[AC-200]\n"
    "Freq=50\n"
    "hrf=0.9\n"
    "shRef=7.5\n"
    "sgRef=20\n"
    "scRef=0\n"
    "1-Phase=false\n"
    "3-Phase=TRUE\n"
    "e=@E@\n"
    "p=@P@\n"
    "\n"
    "[AC-300]\n"
    "Description=Big one\n"
    "Freq=200\n"
    "Te=-5\n"
    "Tc=45\n"
    "Valid1=0\n"
    "Qe1=70000\n"
    "Pw1=20\n";

std::string FixtureText() {
  std::string text = kFixture;
  for (auto [mark, value] : {std::pair{"@E@", Joined(kE)}, std::pair{"@P@", Joined(kP)}}) {
    for (size_t at; (at = text.find(mark)) != std::string::npos;) text.replace(at, 3, value);
  }
  return text;
}

HeaderRecord FixtureHeader() {
  HeaderRecord h;
  h.manufacturer = "Acme Cooling";
  h.make = "Polar";
  h.refrig = 1;   // R134a in the test library
  h.teLo = -30;
  h.teHi = 12.5;
  h.tcLo = 30;
  h.tcHi = 65;
  return h;
}

std::vector<ModelRecord> FixtureModels() {
  ModelRecord a;
  a.name = "AC-100";
  a.description = "Range \xC2\xB0" "C rated";
  a.freq = 60;
  a.hrf = 1.05;
  a.shRef = 10;
  a.scRef = 5;
  a.curve = true;
  a.qe = Coefs(kE);
  a.pw = Coefs(kP);
  a.te = {-20, -10, 0};
  a.tc = {40, 50};
  a.valid = {{0, 1, 2}, {0, 0, 0}};
  a.qeTable = {{1500.5, 2500, 3600.25}, {1300, 2200, -99}};
  a.pwTable = {{0.75, 0.8, 0.85}, {0.9, 0.95, 1.0}};

  ModelRecord b;
  b.name = "AC-200";
  b.description = "Hermetic piston";
  b.freq = 50;
  b.hrf = 0.9;
  b.shRef = 7.5;
  b.sgRef = 20;
  b.scRef = 0;
  b.onePhase = false;
  b.threePhase = true;
  b.curve = true;
  b.qe = Coefs(kE);
  b.pw = Coefs(kP);

  ModelRecord c;
  c.name = "AC-300";
  c.description = "Big one";
  c.freq = 200;
  c.hrf = 1.05;
  c.shRef = 10;
  c.scRef = 5;
  c.te = {-5};
  c.tc = {45};
  c.valid = {{0}};
  c.qeTable = {{70000}};
  c.pwTable = {{20}};
  return {a, b, c};
}

class CatalogBuildTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fitfixture::StartModules();
    folder_ = testsupport::MakeTempDir("data");
    shared_ = testsupport::MakeTempDir("shared") + "/";
    wb_.builder.SharedFolder = shared_;
    core::SetCatalogFolder(shared_);
  }
  void TearDown() override {
    core::SetCatalogFolder("");
    fitfixture::FinishModules();
  }

  std::string Write(const std::string& name, const std::string& text) {
    const std::string path = folder_ + "/" + name;
    testsupport::WriteAll(path, text);
    return path;
  }
  // Writes the file, lists the folder and selects and opens the file.
  std::string Open(const std::string& name, const std::string& text) {
    const std::string path = Write(name, text);
    wb_.OpenFolder(folder_);
    wb_.Open(path);
    return path;
  }
  std::vector<std::string> Log() const { return wb_.source.VerifyLog.Items(); }
  std::string Created(const std::string& catalog) const { return catalog + " compressor data file created..."; }
  std::string NotWritten(const std::string& catalog) const {
    return catalog + " compressor data file not written...";
  }
  std::string Unchanged(const std::string& catalog) const {
    return catalog + " compressor data file not written; the earlier one is unchanged...";
  }

  std::string folder_, shared_;
  fitfixture::Workbench wb_;
  platform::MessageCapture boxes_;
};

// ---------------------------------------------------------------- Build

TEST_F(CatalogBuildTest, CatalogIsTheHeaderAndTheModelRecordsByte_for_byte) {
  const std::string path = Open("acme.ini", FixtureText());
  wb_.builder.ActionBuildExecute();
  const std::string catalog = folder_ + "/acme.cmp";
  EXPECT_EQ(wb_.builder.CatalogFile, catalog);
  ASSERT_TRUE(platform::FileExists(catalog));
  EXPECT_EQ(testsupport::ReadAll(catalog), Catalog(FixtureHeader(), FixtureModels()));
  EXPECT_FALSE(platform::FileExists(workbench::TCatalogBuilder::TemporaryCatalogPath(catalog)));

  EXPECT_EQ(Log(), std::vector<std::string>{Created(catalog)});
  EXPECT_EQ(wb_.events, (std::vector<std::string>{"clear Verify", "show Verify"}));
  EXPECT_EQ(wb_.shown[TActionPage::Verify], Log());
  EXPECT_TRUE(boxes_.boxes.empty());
  // The model object ends holding the last model.
  EXPECT_EQ(wb_.source.CompData.Name, "AC-300");
}

TEST_F(CatalogBuildTest, HeaderRefrigerantAndEmptyModelList) {
  struct Case {
    const char* what;
    std::string headerKeys;
    int32_t refrig;
  };
  for (const Case& c : {Case{"no Refrig: R22", "", 0}, Case{"unknown designation", "Refrig=R999\n", -1},
                        Case{"R717", "Refrig=R717\n", 6}}) {
    SCOPED_TRACE(c.what);
    Open("empty.ini", "[Header]\nFileType=Dravlen Data File\n" + c.headerKeys);
    wb_.builder.ActionBuildExecute();
    HeaderRecord h;
    h.refrig = c.refrig;
    // No models: the header followed by the bytes 1 and 0.
    EXPECT_EQ(testsupport::ReadAll(folder_ + "/empty.cmp"), Catalog(h, {}));
  }
}

TEST_F(CatalogBuildTest, RebuildAfterRemovingAModelHoldsExactlyTheNewList) {
  const std::string path = Open("acme.ini", FixtureText());
  wb_.builder.ActionBuildExecute();
  const std::string catalog = folder_ + "/acme.cmp";
  const int64_t before = platform::FileSize(catalog);

  std::string text = FixtureText();
  const size_t from = text.find("[AC-200]"), to = text.find("[AC-300]");
  text.erase(from, to - from);
  Open("acme.ini", text);
  wb_.builder.ActionBuildExecute();
  std::vector<ModelRecord> models = FixtureModels();
  models.erase(models.begin() + 1);
  EXPECT_EQ(testsupport::ReadAll(catalog), Catalog(FixtureHeader(), models));
  EXPECT_LT(platform::FileSize(catalog), before);
}

// A Valid row ending in a comma verifies, so it must fit and build as well:
// the comma is read as in the Qe and Pw rows.
TEST_F(CatalogBuildTest, ValidRowWithTrailingCommaVerifiesFitsAndBuilds) {
  const std::string sample =
      testsupport::ReadAll(std::string(DRAVLEN_SOURCE_DIR) + "/resources/program/Data Files/Northfield NLR R22.ini");
  Open("plain.ini", sample);
  wb_.fit.ActionAddCoeffExecute();
  wb_.builder.ActionBuildExecute();
  ASSERT_EQ(Log().back(), Created(folder_ + "/plain.cmp"));

  std::string text = sample;
  int rows = 0;
  for (size_t at = 0; (at = text.find("\nValid", at)) != std::string::npos; ++rows) {
    at = text.find_first_of("\r\n", at + 1);
    text.insert(at, ",");
  }
  ASSERT_GT(rows, 0);
  const std::string path = Open("comma.ini", text);
  workbench::TVerifier verifier(wb_.source);
  EXPECT_EQ(verifier.VerifySourceFile(true), 0) << ::testing::PrintToString(Log());

  wb_.fit.ActionAddCoeffExecute();
  EXPECT_TRUE(boxes_.boxes.empty());
  wb_.builder.ActionBuildExecute();
  EXPECT_EQ(Log().back(), Created(folder_ + "/comma.cmp"));
  // The same catalog as the file without the commas.
  EXPECT_EQ(testsupport::ReadAll(folder_ + "/comma.cmp"), testsupport::ReadAll(folder_ + "/plain.cmp"));
}

TEST_F(CatalogBuildTest, FaultyModelIsLoggedAndKeepsThePreviousCatalog) {
  Open("acme.ini", FixtureText());
  wb_.builder.ActionBuildExecute();
  const std::string catalog = folder_ + "/acme.cmp";
  const std::string previous = testsupport::ReadAll(catalog);

  // The second model's e has three values: reading it raises.
  std::string text = FixtureText();
  const size_t at = text.find("\ne=", text.find("[AC-200]")) + 1;
  text.replace(at, text.find('\n', at) - at, "e=1, 2, 3");
  Open("acme.ini", text);
  std::string message;
  try {
    core::TPoly9Coef c{};
    core::TextToPoly9("1, 2, 3", c);
  } catch (const std::exception& e) {
    message = e.what();
  }
  ASSERT_FALSE(message.empty());

  wb_.builder.ActionBuildExecute();
  // The error, then the outcome last: nothing written, the old catalog kept.
  EXPECT_EQ(Log(), (std::vector<std::string>{message, Unchanged(catalog)}));
  EXPECT_EQ(wb_.shown[TActionPage::Verify], Log());
  // The catalog built before is kept whole; no half-written file is left.
  EXPECT_EQ(testsupport::ReadAll(catalog), previous);
  EXPECT_FALSE(platform::FileExists(workbench::TCatalogBuilder::TemporaryCatalogPath(catalog)));

  // Without an earlier catalog a faulty build leaves none.
  Open("fresh.ini", text);
  wb_.builder.ActionBuildExecute();
  EXPECT_FALSE(platform::FileExists(folder_ + "/fresh.cmp"));
  EXPECT_EQ(Log().back(), NotWritten(folder_ + "/fresh.cmp"));
  EXPECT_EQ(platform::ListFiles(folder_, "*.~tmp").size(), 0u);
}

TEST_F(CatalogBuildTest, FilesThatCannotBeWrittenKeepThePreviousCatalog) {
  Open("acme.ini", FixtureText());
  wb_.builder.ActionBuildExecute();
  const std::string catalog = folder_ + "/acme.cmp";
  const std::string previous = testsupport::ReadAll(catalog);
  const std::string temp = workbench::TCatalogBuilder::TemporaryCatalogPath(catalog);

  // The catalog file cannot be created: the error passes to the caller (the
  // platform shows it) and the catalog stays.
  ASSERT_TRUE(platform::ForceDirectories(temp));
  EXPECT_THROW(wb_.builder.ActionBuildExecute(), platform::EFCreateError);
  EXPECT_EQ(testsupport::ReadAll(catalog), previous);
  std::filesystem::remove(temp);

  // The finished catalog cannot take the old one's place (a folder of that
  // name): logged like a write error, and the last line says so.
  Open("dir.ini", FixtureText());
  const std::string blocked = folder_ + "/dir.cmp";
  ASSERT_TRUE(platform::ForceDirectories(blocked));
  wb_.builder.ActionBuildExecute();
  ASSERT_EQ(Log().size(), 2u);
  // The message is HTML: its quotes are written as entities.
  EXPECT_EQ(Log()[0].rfind("Cannot create file &quot;" + blocked + "&quot;.", 0), 0u) << Log()[0];
  EXPECT_EQ(Log()[1], NotWritten(blocked));
  EXPECT_TRUE(platform::DirectoryExists(blocked));
  EXPECT_FALSE(platform::FileExists(workbench::TCatalogBuilder::TemporaryCatalogPath(blocked)));
}

TEST_F(CatalogBuildTest, GuardAndNoSelectionBuildNothing) {
  const std::string path = Open("acme.ini", FixtureText());
  wb_.editorText.clear();
  wb_.events.clear();
  wb_.builder.ActionBuildExecute();
  wb_.builder.ActionInstallExecute();
  ASSERT_EQ(boxes_.boxes.size(), 2u);
  EXPECT_EQ(boxes_.boxes[0].text, "Nothing to save...");
  EXPECT_EQ(boxes_.boxes[1].text, "Nothing to save...");
  EXPECT_TRUE(wb_.events.empty());
  EXPECT_FALSE(platform::FileExists(folder_ + "/acme.cmp"));

  // A current file but no entry selected in the file list.
  wb_.editorText = testsupport::ReadAll(path);
  wb_.files.ItemIndex = -1;
  wb_.builder.ActionBuildExecute();
  EXPECT_FALSE(platform::FileExists(folder_ + "/acme.cmp"));
  EXPECT_TRUE(Log().empty());

  boxes_.boxes.clear();
  wb_.source.CurrentFile.clear();
  wb_.builder.ActionBuildExecute();
  ASSERT_EQ(boxes_.boxes.size(), 1u);
  EXPECT_EQ(boxes_.boxes[0].text, "No file loaded...");
}

TEST_F(CatalogBuildTest, AnyIniFileIsBuiltMarkerOrNot) {
  Open("acme.ini", FixtureText());
  // The selection moves to a file without marker while the editor still
  // holds the source file's text.
  Write("plain.ini", "[Header]\nManufacturer=X\n\n[M]\nFreq=55\n");
  wb_.files.Update();
  wb_.files.SelectPath(folder_ + "/plain.ini");
  wb_.builder.ActionBuildExecute();
  ModelRecord m;
  m.name = "M";
  m.freq = 55;
  HeaderRecord h;
  h.manufacturer = "X";
  EXPECT_EQ(testsupport::ReadAll(folder_ + "/plain.cmp"), Catalog(h, {m}));
  EXPECT_EQ(wb_.source.CurrentFile, folder_ + "/plain.ini");
}

TEST_F(CatalogBuildTest, BuildAllLeavesOneCatalogPerSourceFile) {
  Write("a.ini", FixtureText());
  Write("b.ini", "[Header]\nFileType=Dravlen Data File\nRefrig=R22\n");
  Write("c.ini", FixtureText());
  Write("d.ini", "[Other]\nx=1\n");   // no marker: the click empties the editor
  wb_.OpenFolder(folder_);
  wb_.builder.ActionBuildAllExecute();
  for (const char* name : {"a.cmp", "b.cmp", "c.cmp"}) EXPECT_TRUE(platform::FileExists(folder_ + "/" + name)) << name;
  EXPECT_FALSE(platform::FileExists(folder_ + "/d.cmp"));
  EXPECT_EQ(testsupport::ReadAll(folder_ + "/c.cmp"), Catalog(FixtureHeader(), FixtureModels()));
  ASSERT_EQ(boxes_.boxes.size(), 1u);
  EXPECT_EQ(boxes_.boxes[0].text, "Nothing to save...");
  // The Verify page shows the log of the last file built.
  EXPECT_EQ(wb_.shown[TActionPage::Verify], std::vector<std::string>{Created(folder_ + "/c.cmp")});
}

// ---------------------------------------------------------------- Install

TEST_F(CatalogBuildTest, InstallCopiesIntoTheSharedFolderAndRefreshesTheList) {
  Open("acme.ini", FixtureText());
  wb_.builder.ActionBuildExecute();
  // An older copy is replaced.
  testsupport::WriteAll(shared_ + "acme.cmp", "old");
  core::SetCatalogFolder(shared_);
  wb_.events.clear();
  wb_.builder.ActionInstallExecute();
  EXPECT_EQ(testsupport::ReadAll(shared_ + "acme.cmp"), testsupport::ReadAll(folder_ + "/acme.cmp"));
  EXPECT_EQ(Log(), std::vector<std::string>{"<h2>acme.cmp installed...</h2>"});
  EXPECT_EQ(wb_.events, (std::vector<std::string>{"clear Verify", "show Verify"}));
  EXPECT_EQ(core::CatalogList().Count(), 1);
  EXPECT_GE(core::CatalogList().IndexOf(shared_ + "acme.cmp"), 0);
}

TEST_F(CatalogBuildTest, InstallWithoutCatalogReportsNothing) {
  Open("acme.ini", FixtureText());
  wb_.builder.ActionInstallExecute();
  EXPECT_TRUE(Log().empty());
  EXPECT_FALSE(platform::FileExists(shared_ + "acme.cmp"));
  EXPECT_EQ(core::CatalogList().Count(), 0);
}

TEST_F(CatalogBuildTest, InstallAllInstallsEveryBuiltCatalog) {
  Write("a.ini", FixtureText());
  Write("b.ini", FixtureText());
  wb_.OpenFolder(folder_);
  wb_.builder.ActionBuildAllExecute();
  // The shared folder does not exist yet: Install makes it.
  const std::string fresh = shared_ + "sub/";
  wb_.builder.SharedFolder = fresh;
  core::SetCatalogFolder(fresh);
  wb_.builder.ActionInstallAllExecute();
  EXPECT_TRUE(platform::FileExists(fresh + "a.cmp"));
  EXPECT_TRUE(platform::FileExists(fresh + "b.cmp"));
  EXPECT_EQ(core::CatalogList().Count(), 2);
  EXPECT_EQ(wb_.shown[TActionPage::Verify], std::vector<std::string>{"<h2>b.cmp installed...</h2>"});
}

// ---------------------------------------------------------------- Delete

TEST_F(CatalogBuildTest, DeleteRenamesToInTildeUnlessThatNameExists) {
  Write("a.ini", FixtureText());
  Write("b.ini", "[Header]\n");
  wb_.OpenFolder(folder_);
  int changed = 0;
  wb_.host.FileListChanged = [&] { ++changed; };
  wb_.files.SelectPath(folder_ + "/a.ini");
  wb_.builder.Deletecompressor1Click();
  EXPECT_FALSE(platform::FileExists(folder_ + "/a.ini"));
  EXPECT_EQ(testsupport::ReadAll(folder_ + "/a.in~"), FixtureText());
  EXPECT_EQ(wb_.files.Names(), std::vector<std::string>{"b.ini"});
  EXPECT_EQ(wb_.files.ItemIndex, -1);
  EXPECT_EQ(changed, 1);

  // b.in~ exists already: the rename fails and nothing changes.
  testsupport::WriteAll(folder_ + "/b.in~", "older");
  wb_.files.SelectPath(folder_ + "/b.ini");
  wb_.builder.Deletecompressor1Click();
  EXPECT_EQ(testsupport::ReadAll(folder_ + "/b.ini"), "[Header]\n");
  EXPECT_EQ(testsupport::ReadAll(folder_ + "/b.in~"), "older");
  EXPECT_EQ(wb_.files.Names(), std::vector<std::string>{"b.ini"});
  EXPECT_EQ(wb_.files.SelectedPath(), folder_ + "/b.ini");

  // Nothing selected: nothing happens.
  wb_.files.ItemIndex = -1;
  wb_.builder.Deletecompressor1Click();
  EXPECT_TRUE(platform::FileExists(folder_ + "/b.ini"));
  EXPECT_EQ(changed, 2);
}

}  // namespace
