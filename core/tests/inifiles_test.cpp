#include "core/inifiles.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

#include "platform/profile.h"

#include "testsupport/locales.h"
#include "testsupport/testenv.h"
#include "platform/sysutils.h"
#include "testsupport/permissions.h"

using namespace core;
using platform::TStringList;
using testsupport::ReadAll;
using testsupport::WriteAll;

namespace {

class IniFiles : public ::testing::Test {
 protected:
  std::string dir = testsupport::MakeTempDir("ini");
  std::string path = dir + "/r22.ini";
};

TEST_F(IniFiles, CreationTouchesNoFileAndMissingFileReadsAsEmpty) {
  {
    TIniFile ini(path);
    EXPECT_EQ(ini.FileName(), path);
    EXPECT_EQ(ini.ReadString("Header", "Make", "none"), "none");
    EXPECT_EQ(ini.ReadInteger("Header", "x", 7), 7);
    TStringList list{"keep"};
    ini.ReadSections(list);
    EXPECT_EQ(list.Count(), 0);
    EXPECT_FALSE(ini.SectionExists("Header"));
  }
  EXPECT_FALSE(platform::FileExists(path));
}

TEST_F(IniFiles, BlankNamesReadTheDefault) {
  WriteAll(path, "[ ]\nk=in blank section\n[S]\n=x\nk=1\n");
  TIniFile ini(path);
  EXPECT_EQ(ini.ReadString(" ", "k", "def"), "def");
  EXPECT_EQ(ini.ReadString("S", "", "def"), "def");
  EXPECT_EQ(ini.ReadString("S", "\t", "def"), "def");
  TIniFile missing(dir + "/none.ini");
  EXPECT_EQ(missing.ReadString("", "k", "def"), "def");
  TStringList list{"unchanged"};
  ini.ReadSection(" ", list);
  EXPECT_EQ(list.Items(), std::vector<std::string>{"unchanged"});
}

TEST_F(IniFiles, TypedReadsFallBackWhenTheValueDoesNotConvert) {
  WriteAll(path,
           "[S]\nhex=0x1F\nHEX2=0X10\nbare=0x\nint=-12\nbad=12a\nfloat=1.5\nexp=-2.10323E-001\n"
           "comma=1,5\nabc=abc\ntwo=2\nzero=0\nyes=yes\nempty=\n");
  TIniFile ini(path);
  const std::tuple<const char*, int32_t> ints[] = {
      {"hex", 31}, {"hex2", 16}, {"bare", -1}, {"int", -12}, {"bad", -1}, {"float", -1}, {"missing", -1}, {"empty", -1}};
  for (const auto& [key, value] : ints) EXPECT_EQ(ini.ReadInteger("S", key, -1), value) << key;
  EXPECT_EQ(ini.ReadFloat("S", "float", 0), 1.5);
  EXPECT_DOUBLE_EQ(ini.ReadFloat("S", "exp", 0), -0.210323);
  EXPECT_EQ(ini.ReadFloat("S", "comma", 9), 9);
  EXPECT_EQ(ini.ReadFloat("S", "abc", 9), 9);
  EXPECT_EQ(ini.ReadFloat("S", "empty", 9), 9);
  EXPECT_TRUE(ini.ReadBool("S", "two", false));
  EXPECT_FALSE(ini.ReadBool("S", "zero", true));
  EXPECT_TRUE(ini.ReadBool("S", "yes", true));
  EXPECT_FALSE(ini.ReadBool("S", "yes", false));
  EXPECT_TRUE(ini.ReadBool("S", "missing", true));
}

TEST_F(IniFiles, FloatsUseADecimalPointWhateverTheLocale) {
  for (const char* name : testsupport::kTestLocales) {
    SCOPED_TRACE(name);
    testsupport::ScopedLocale locale(name);
    {
      TIniFile ini(path);
      ini.WriteFloat("S", "x", 1.5);
      ini.WriteFloat("S", "third", 1.0 / 3.0);
      ini.WriteFloat("S", "big", 1e20);
      EXPECT_EQ(ini.ReadFloat("S", "x", 0), 1.5);
    }
    EXPECT_EQ(ReadAll(path), "[S]\r\nx=1.5\r\nthird=0.333333333333333\r\nbig=1E20\r\n");
  }
}

TEST_F(IniFiles, WritesReachTheFileAtOnce) {
  TIniFile ini(path);
  ini.WriteString("Header", "FileType", "Dravlen Data File");
  ini.WriteInteger("Header", "Frequency", 50);
  ini.WriteBool("Model 1", "ThreePhase", true);
  EXPECT_EQ(ReadAll(path),
            "[Header]\r\nFileType=Dravlen Data File\r\nFrequency=50\r\n\r\n[Model 1]\r\nThreePhase=1\r\n");
  ini.WriteString("header", "frequency", "60");
  EXPECT_EQ(ini.ReadInteger("HEADER", "Frequency", 0), 60);
}

TEST_F(IniFiles, ListsInFileOrder) {
  WriteAll(path, "[Header]\nb=2\na=1\nB=3\n[Model 2]\nx=1\n[Model 1]\ny=\"q\"\n[Empty]\n[header]\nz=9\n");
  TIniFile ini(path);
  TStringList list;
  ini.ReadSections(list);
  EXPECT_EQ(list.Items(), (std::vector<std::string>{"Header", "Model 2", "Model 1", "Empty"}));
  ini.ReadSection("HEADER", list);
  EXPECT_EQ(list.Items(), (std::vector<std::string>{"b", "a"}));
  ini.ReadSectionValues("header", list);
  EXPECT_EQ(list.Items(), (std::vector<std::string>{"b=2", "a=1"}));
  ini.ReadSectionValues("model 1", list);
  EXPECT_EQ(list.Items(), std::vector<std::string>{"y=q"});
  EXPECT_TRUE(ini.SectionExists("model 2"));
  EXPECT_FALSE(ini.SectionExists("Empty"));
  EXPECT_FALSE(ini.SectionExists("Nowhere"));
  EXPECT_TRUE(ini.ValueExists("Header", "A"));
  EXPECT_FALSE(ini.ValueExists("Header", "z"));
}

TEST_F(IniFiles, EraseAndDelete) {
  WriteAll(path, "[A]\nk=1\nj=2\n[B]\nk=3\n");
  TIniFile ini(path);
  ini.DeleteKey("A", "K");
  ini.DeleteKey("A", "missing");
  ini.DeleteKey("Nowhere", "k");
  EXPECT_EQ(ReadAll(path), "[A]\nj=2\n[B]\nk=3\n");
  ini.EraseSection("a");
  EXPECT_EQ(ReadAll(path), "[B]\nk=3\n");
  ini.EraseSection("missing");
}

TEST_F(IniFiles, FailedWritesRaiseAndLeaveTheFileUntouched) {
  std::string plain = dir + "/plain";
  WriteAll(plain, "not a folder");
  TIniFile ini(plain + "/r22.ini");
  try {
    ini.WriteString("S", "k", "v");
    FAIL();
  } catch (const EIniFileException& e) {
    EXPECT_EQ(std::string(e.what()), "Unable to write to " + plain + "/r22.ini");
  }
  EXPECT_THROW(ini.WriteInteger("S", "k", 1), EIniFileException);
  EXPECT_EQ(ReadAll(plain), "not a folder");
  ini.DeleteKey("S", "k");   // ignored
  ini.UpdateFile();

  // A file whose own path is a folder cannot be replaced; its content stays.
  std::string folder = dir + "/folder.ini";
  platform::ForceDirectories(folder);
  TIniFile onFolder(folder);
  EXPECT_THROW(onFolder.WriteString("S", "k", "v"), EIniFileException);
  EXPECT_TRUE(platform::DirectoryExists(folder));
}

TEST_F(IniFiles, BinaryStreamsAsHexText) {
  TIniFile ini(path);
  platform::TMemoryStream out(std::vector<uint8_t>{0x00, 0x1F, 0xAB, 0xFF, 0x10});
  out.SetPosition(1);
  ini.WriteBinaryStream("S", "blob", out);
  EXPECT_EQ(ini.ReadString("S", "blob", ""), "1FABFF10");
  platform::TMemoryStream in(std::vector<uint8_t>{9});
  in.SetPosition(1);
  EXPECT_EQ(ini.ReadBinaryStream("S", "blob", in), 4);
  EXPECT_EQ(in.Bytes(), (std::vector<uint8_t>{9, 0x1F, 0xAB, 0xFF, 0x10}));
  EXPECT_EQ(in.Position(), 5);
  EXPECT_EQ(ini.ReadBinaryStream("S", "missing", in), 0);
  ini.WriteString("S", "odd", "0AzZ");
  platform::TMemoryStream odd;
  EXPECT_EQ(ini.ReadBinaryStream("S", "odd", odd), 1);
}

TEST_F(IniFiles, DatesAndTimes) {
  TIniFile ini(path);
  ini.WriteDate("S", "d", 45000.75);
  ini.WriteTime("S", "t", 0.5 + 1.0 / 86400);
  ini.WriteDateTime("S", "dt", 2.25);
  EXPECT_EQ(ini.ReadString("S", "d", ""), "2023-03-15");
  EXPECT_EQ(ini.ReadString("S", "t", ""), "12:00:01");
  EXPECT_EQ(ini.ReadString("S", "dt", ""), "1900-01-01 06:00:00");
  EXPECT_EQ(ini.ReadDate("S", "d", 0), 45000);
  EXPECT_NEAR(ini.ReadTime("S", "t", 0), 0.5 + 1.0 / 86400, 1e-9);
  EXPECT_DOUBLE_EQ(ini.ReadDateTime("S", "dt", 0), 2.25);
  ini.WriteString("S", "bad", "2023-02-30");
  EXPECT_EQ(ini.ReadDate("S", "bad", -1), -1);
  EXPECT_EQ(ini.ReadDateTime("S", "missing", -2), -2);
}

// Another program rewrites the file between two reads, keeping its size and
// its time of last change (to the second, as whole-second file systems and
// copy tools keep it): the second read sees the new text, whether the file
// had settled long ago or was just written, and whether the change is in
// place or a new file renamed over it. Both ways of noticing changes are
// tried: the kernel's reports, and the look at the file on every read.
TEST_F(IniFiles, RewriteByAnotherWriterBetweenTwoReadsIsSeen) {
  const struct timespec second[2] = {{1700000000, 0}, {1700000000, 0}};
  // Writes as another process, so nothing of this one sees the write.
  auto writeElsewhere = [&](const std::string& text, bool renameOver) {
    pid_t child = fork();
    if (child == 0) {
      const std::string target = renameOver ? path + ".new" : path;
      int fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      bool ok = fd >= 0 && ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
      if (fd >= 0) ::close(fd);
      ok = ok && utimensat(AT_FDCWD, target.c_str(), second, 0) == 0;
      if (renameOver) ok = ok && std::rename(target.c_str(), path.c_str()) == 0;
      _exit(ok ? 0 : 1);
    }
    int status = -1;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    // Seen once reported: the next read must then read the file afresh.
    EXPECT_TRUE(platform::AwaitProfileChangeReports());
  };
  for (bool reports : {true, false}) {
    platform::UseProfileChangeReports(reports);
    for (bool settled : {true, false}) {
      for (bool renameOver : {false, true}) {
        SCOPED_TRACE(testing::Message() << "reports " << reports << ", settled " << settled << ", rename "
                                        << renameOver);
        TIniFile ini(path);
        WriteAll(path, "[Model]\r\nQe=1.25, 2.50\r\n");
        ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), second, 0), 0);
        if (settled) usleep(150000);   // past any doubt about the last change
        for (int i = 0; i < 3; ++i) EXPECT_EQ(ini.ReadString("Model", "Qe", ""), "1.25, 2.50");
        writeElsewhere("[Model]\r\nQe=9.75, 8.50\r\n", renameOver);
        struct stat st;
        ASSERT_EQ(::stat(path.c_str(), &st), 0);
        EXPECT_EQ(st.st_mtim.tv_sec, 1700000000);
        EXPECT_EQ(st.st_size, 24);
        EXPECT_EQ(ini.ReadString("Model", "Qe", ""), "9.75, 8.50");
        TStringList keys;
        ini.ReadSection("Model", keys);
        EXPECT_EQ(keys.Count(), 1);
        // And a write of this process's own, then another change from outside.
        ini.WriteString("Model", "Qe", "1.00, 2.00");
        EXPECT_EQ(ini.ReadString("Model", "Qe", ""), "1.00, 2.00");
        writeElsewhere("[Model]\r\nQe=3.00, 4.00\r\n", renameOver);
        EXPECT_EQ(ini.ReadString("Model", "Qe", ""), "3.00, 4.00");
      }
    }
  }
  platform::UseProfileChangeReports(true);
}

}  // namespace

// INI access through TIniFile on the cases that decide whether a source file
// survives: long values, duplicate sections, a missing file, and a folder or
// file the program may not write (checked as an ordinary user would see it,
// also when the tests run as root).
using namespace core;
using platform::TStringList;
using testsupport::ReadAll;
using testsupport::WriteAll;

namespace {

using testsupport::ModeFor;
using testsupport::PermissionsBind;

class IniFileEdges : public ::testing::Test {
 protected:
  std::string dir = testsupport::MakeTempDir("ini-edges");
  std::string path = dir + "/R22.ini";
};

TEST_F(IniFileEdges, AValueOf3000CharactersReadsAsItsFirst2047AndIsWrittenWhole) {
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

TEST_F(IniFileEdges, DuplicateSectionsAndKeysTheFirstWins) {
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

TEST_F(IniFileEdges, AMissingFileReadsAsEmptyEverywhere) {
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

TEST_F(IniFileEdges, AReadOnlyFolderRaisesAClearErrorAndLeavesTheFileUntouched) {
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

TEST_F(IniFileEdges, AFileThatCannotBeReadIsNeverReplaced) {
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

}  // namespace
