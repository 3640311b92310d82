// INI access through TIniFile on the cases that decide whether a source file
// survives: long values, duplicate sections, a missing file, and a folder or
// file the program may not write (checked as an ordinary user would see it,
// also when the tests run as root).
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "core/environment.h"
#include "core/inifiles.h"
#include "platform/sysutils.h"
#include "testsupport/permissions.h"
#include "testsupport/testenv.h"

using namespace core;
using platform::TStringList;
using testsupport::ReadAll;
using testsupport::WriteAll;

namespace {

using testsupport::ModeFor;
using testsupport::PermissionsBind;

class ReviewIni : public ::testing::Test {
 protected:
  std::string dir = testsupport::MakeTempDir("review-ini");
  std::string path = dir + "/R22.ini";
};

TEST_F(ReviewIni, AValueOf3000CharactersReadsAsItsFirst2047AndIsWrittenWhole) {
  std::string value;
  for (int i = 0; i < 3000; ++i) value += static_cast<char>('a' + i % 26);
  TIniFile ini(path);
  ini.WriteString("Model 1", "Qe1", value);
  EXPECT_NE(ReadAll(path).find("Qe1=" + value + "\r\n"), std::string::npos);
  EXPECT_EQ(ini.ReadString("model 1", "QE1", ""), value.substr(0, 2047));
  TStringList values;
  ini.ReadSectionValues("Model 1", values);
  ASSERT_EQ(values.Count(), 1);
  EXPECT_EQ(values.Get(0), "Qe1=" + value.substr(0, 2047));
  // The default is cut alike.
  EXPECT_EQ(ini.ReadString("Model 1", "missing", value).size(), 2047u);
}

TEST_F(ReviewIni, DuplicateSectionsAndKeysTheFirstWins) {
  const std::string text =
      "[Header]\nMake=First\nMake=Second\n[Model 1]\nTe=1\n[HEADER]\nMake=Third\nOnlyHere=x\n";
  WriteAll(path, text);
  TIniFile ini(path);
  EXPECT_EQ(ini.ReadString("Header", "Make", ""), "First");
  EXPECT_EQ(ini.ReadString("header", "OnlyHere", "none"), "none");
  EXPECT_FALSE(ini.ValueExists("Header", "OnlyHere"));
  TStringList list;
  ini.ReadSections(list);
  EXPECT_EQ(list.Items(), (std::vector<std::string>{"Header", "Model 1"}));
  ini.ReadSection("Header", list);
  EXPECT_EQ(list.Items(), std::vector<std::string>{"Make"});
  // A write changes the first section's first key and nothing else.
  ini.WriteString("HEADER", "make", "New");
  EXPECT_EQ(ReadAll(path),
            "[Header]\nMake=New\nMake=Second\n[Model 1]\nTe=1\n[HEADER]\nMake=Third\nOnlyHere=x\n");
  // Erasing the section leaves no later duplicate to come back into view.
  ini.EraseSection("header");
  EXPECT_EQ(ReadAll(path), "[Model 1]\nTe=1\n");
  EXPECT_FALSE(ini.SectionExists("Header"));
}

TEST_F(ReviewIni, AMissingFileReadsAsEmptyEverywhere) {
  TIniFile ini(dir + "/none.ini");
  EXPECT_EQ(ini.ReadString("Header", "Make", "def"), "def");
  EXPECT_EQ(ini.ReadInteger("Header", "Make", 7), 7);
  EXPECT_EQ(ini.ReadFloat("Header", "Make", 2.5), 2.5);
  EXPECT_TRUE(ini.ReadBool("Header", "Make", true));
  TStringList list{"old"};
  ini.ReadSections(list);
  EXPECT_EQ(list.Count(), 0);
  list.Add("old");
  ini.ReadSection("Header", list);
  EXPECT_EQ(list.Count(), 0);
  list.Add("old");
  ini.ReadSectionValues("Header", list);
  EXPECT_EQ(list.Count(), 0);
  EXPECT_FALSE(ini.SectionExists("Header"));
  EXPECT_FALSE(ini.ValueExists("Header", "Make"));
  ini.DeleteKey("Header", "Make");
  ini.EraseSection("Header");
  ini.UpdateFile();
  EXPECT_FALSE(platform::FileExists(dir + "/none.ini"));
}

TEST_F(ReviewIni, AReadOnlyFolderRaisesAClearErrorAndLeavesTheFileUntouched) {
  const std::string original = "[Header]\r\nMake=Acme\r\n";
  WriteAll(path, original);
  ModeFor restore{dir, 0755};
  ASSERT_EQ(chmod(dir.c_str(), 0555), 0);
  {
    PermissionsBind bind;
    ASSERT_TRUE(bind.Binding());
    TIniFile ini(path);
    try {
      ini.WriteString("Header", "Make", "Other");
      ADD_FAILURE() << "the write was reported done";
    } catch (const EIniFileException& e) {
      EXPECT_EQ(std::string(e.what()), "Unable to write to " + path);
    }
    EXPECT_THROW(ini.WriteFloat("Header", "New", 1.5), EIniFileException);
    EXPECT_THROW(ini.EraseSection("Header"), EIniFileException);
    ini.DeleteKey("Header", "Make");   // ignored
    ini.UpdateFile();
    EXPECT_EQ(ini.ReadString("Header", "Make", ""), "Acme");
  }
  chmod(dir.c_str(), 0755);
  EXPECT_EQ(ReadAll(path), original);
  EXPECT_EQ(platform::ListFiles(dir, "*").size(), 1u);   // no temporary file left
}

TEST_F(ReviewIni, AFileThatCannotBeReadIsNeverReplaced) {
  const std::string original = "[Header]\nMake=Acme\nFrequency=50\n";
  WriteAll(path, original);
  ModeFor restore{path, 0644};
  ASSERT_EQ(chmod(path.c_str(), 0200), 0);
  {
    PermissionsBind bind;
    ASSERT_TRUE(bind.Binding());
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadString("Header", "Make", "def"), "def");
    EXPECT_THROW(ini.WriteString("Header", "Other", "v"), EIniFileException);
    EXPECT_THROW(ini.EraseSection("Header"), EIniFileException);
  }
  chmod(path.c_str(), 0644);
  EXPECT_EQ(ReadAll(path), original);
}

TEST(ReviewEnvironment, MakerRootOfTheDocumentedExamples) {
  // A program folder with the marker in another case keeps the path's case.
  EXPECT_EQ(MakerRootFor("/d/Apps/quillbarrow/Tool/", "/opt/"), "/d/Apps/quillbarrow/");
  EXPECT_EQ(MakerRootFor("/d/Apps/quillbarrow/Tool/", "/opt/") + "Common Files/",
            "/d/Apps/quillbarrow/Common Files/");
  // Neither marker: Program Files + "Quillbarrow/".
  EXPECT_EQ(MakerRootFor("/usr/bin/", "/opt/"), "/opt/Quillbarrow/");
}

}  // namespace
