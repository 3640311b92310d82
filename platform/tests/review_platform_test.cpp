// The private-profile rules for files and folders the program may not write,
// checked as an ordinary user sees them, also when the tests run as root.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "platform/profile.h"
#include "platform/sysutils.h"
#include "testsupport/permissions.h"
#include "testsupport/testenv.h"

using namespace platform;
using testsupport::ReadAll;
using testsupport::WriteAll;

namespace {

using testsupport::ModeFor;
using testsupport::PermissionsBind;

TEST(ReviewProfile, ReadOnlyFolderRefusesEveryWriteAndKeepsTheFile) {
  const std::string dir = testsupport::MakeTempDir("review-ro");
  const std::string file = dir + "/a.ini";
  const std::string original = "[S]\r\nk=v\r\n";
  WriteAll(file, original);
  ModeFor restore{dir, 0755};
  ASSERT_EQ(chmod(dir.c_str(), 0555), 0);
  {
    PermissionsBind bind;
    ASSERT_TRUE(bind.Binding());
    EXPECT_FALSE(WritePrivateProfileString("S", "k", std::string("w"), file));
    EXPECT_FALSE(WritePrivateProfileString("S", "new", std::string("w"), file));
    EXPECT_FALSE(WritePrivateProfileString("S", "k", std::nullopt, file));
    EXPECT_FALSE(EraseProfileSection("S", file));
    // A new file in the folder cannot be made either.
    EXPECT_FALSE(WritePrivateProfileString("S", "k", std::string("w"), dir + "/new.ini"));
    // A write that changes nothing touches nothing and succeeds.
    EXPECT_TRUE(WritePrivateProfileString("S", "k", std::string("v"), file));
    EXPECT_EQ(GetPrivateProfileString("S", "k", "", file), "v");
  }
  chmod(dir.c_str(), 0755);
  EXPECT_EQ(ReadAll(file), original);
  EXPECT_EQ(ListFiles(dir, "*"), std::vector<std::string>{"a.ini"});
}

TEST(ReviewProfile, UnreadableFileReadsAsEmptyAndIsNeverReplaced) {
  const std::string dir = testsupport::MakeTempDir("review-unreadable");
  const std::string file = dir + "/a.ini";
  const std::string original = "[S]\nk=v\nj=w\n";
  WriteAll(file, original);
  ModeFor restore{file, 0644};
  ASSERT_EQ(chmod(file.c_str(), 0200), 0);
  {
    PermissionsBind bind;
    ASSERT_TRUE(bind.Binding());
    EXPECT_EQ(GetPrivateProfileString("S", "k", "def", file), "def");
    EXPECT_TRUE(GetPrivateProfileSectionNames(file).empty());
    EXPECT_FALSE(WritePrivateProfileString("S", "other", std::string("v"), file));
    EXPECT_FALSE(WritePrivateProfileString("S", "k", std::nullopt, file));
    EXPECT_FALSE(EraseProfileSection("S", file));
  }
  chmod(file.c_str(), 0644);
  EXPECT_EQ(ReadAll(file), original);
}

}  // namespace
