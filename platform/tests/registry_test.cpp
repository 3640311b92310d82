#include "platform/registry.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <utility>

#include "platform/profile.h"
#include "platform/shell.h"
#include "testsupport/testenv.h"

using namespace platform;

namespace {

std::string ErrorOf(const std::function<void()>& fn) {
  try {
    fn();
  } catch (const ERegistryException& e) {
    return e.what();
  }
  return "no error";
}

class Registry : public ::testing::Test {
 protected:
  void TearDown() override {
    TRegistry reg;
    reg.DeleteKey("Software\\Quillbarrow\\RegTest");
    SetProgramFilePath("");
  }
};

TEST_F(Registry, UserKeysAreSettingsFilesUnderTheConfigFolder) {
  EXPECT_EQ(RegistryUserFolder().rfind(testsupport::TestHome(), 0), 0u) << RegistryUserFolder();
  TRegistry reg;
  EXPECT_FALSE(reg.OpenKey("Software\\Quillbarrow\\RegTest\\MainForm", false));
  ASSERT_TRUE(reg.OpenKey("Software\\Quillbarrow\\RegTest\\MainForm", true));
  EXPECT_EQ(reg.CurrentPath(), "Software\\Quillbarrow\\RegTest\\MainForm");
  reg.WriteInteger("Left", 120);
  reg.WriteString("Visible", "1");
  std::string file = RegistryUserFolder() + "/RegTest/MainForm/values.ini";
  EXPECT_EQ(testsupport::ReadAll(file), "[Values]\r\nLeft=dword:120\r\nVisible=sz:1\r\n");

  TRegistry other;
  ASSERT_TRUE(other.OpenKeyReadOnly("software\\QUILLBARROW\\regtest\\mainform"));
  EXPECT_EQ(other.ReadInteger("LEFT"), 120);
  EXPECT_EQ(other.GetDataType("left"), TRegDataType::rdInteger);
  EXPECT_EQ(other.GetDataType("Visible"), TRegDataType::rdString);
  EXPECT_EQ(other.GetDataType("none"), TRegDataType::rdUnknown);
  EXPECT_EQ(other.GetValueNames(), (std::vector<std::string>{"Left", "Visible"}));
}

TEST_F(Registry, TextsSurviveAsWritten) {
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("Software\\Quillbarrow\\RegTest", true));
  const std::string texts[] = {"trailing blank ", "  leading", "back\\slash", "two\r\nlines", "\"quoted\"",
                               "caf\xC3\xA9 \xE2\x82\xAC", "", "a=b;c", "sz:nested"};
  for (const auto& t : texts) {
    reg.WriteString("v", t);
    EXPECT_EQ(reg.ReadString("v"), t);
  }
  reg.WriteString("", "default value");
  EXPECT_EQ(reg.ReadString(""), "default value");
  reg.WriteInteger("n", -5);
  EXPECT_EQ(reg.ReadInteger("n"), -5);
  reg.WriteInteger("n", INT32_MIN);
  EXPECT_EQ(reg.ReadInteger("n"), INT32_MIN);
}

TEST_F(Registry, TypesAreChecked) {
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("Software\\Quillbarrow\\RegTest", true));
  reg.WriteString("text", "12");
  reg.WriteInteger("number", 12);
  EXPECT_EQ(ErrorOf([&] { reg.ReadInteger("text"); }), "Invalid data type for 'text'");
  EXPECT_EQ(ErrorOf([&] { reg.ReadString("number"); }), "Invalid data type for 'number'");
  EXPECT_EQ(ErrorOf([&] { reg.ReadInteger("missing"); }), "Failed to get data for 'missing'");
  EXPECT_EQ(reg.ReadString("missing"), "");
}

// Every setting read as an integer takes a DWORD or text that reads as an
// integer; anything else reads as nothing, so the caller keeps its default.
TEST_F(Registry, IntegersReadEitherWay) {
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("Software\\Quillbarrow\\RegTest", true));
  reg.WriteInteger("dword", -7);
  reg.WriteString("decimal", "12");
  reg.WriteString("hex", "$1F");
  reg.WriteString("word", "Fahrenheit");
  reg.WriteString("empty", "");
  reg.WriteString("huge", "99999999999");
  const std::pair<const char*, std::optional<int32_t>> cases[] = {
      {"dword", -7}, {"decimal", 12}, {"hex", 31}, {"word", std::nullopt},
      {"empty", std::nullopt}, {"huge", std::nullopt}, {"missing", std::nullopt},
  };
  for (const auto& [name, value] : cases) EXPECT_EQ(ReadIntegerEitherWay(reg, name), value) << name;
  reg.CloseKey();
  EXPECT_EQ(ReadIntegerEitherWay(reg, "dword"), std::nullopt);   // no key open
}

TEST_F(Registry, KeysAndValuesAreListedAndDeleted) {
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("Software\\Quillbarrow\\RegTest", true));
  ASSERT_TRUE(reg.OpenKey("Sub B", true));   // relative to the open key
  EXPECT_EQ(reg.CurrentPath(), "Software\\Quillbarrow\\RegTest\\Sub B");
  reg.WriteString("x", "1");
  ASSERT_TRUE(reg.OpenKey("\\Software\\Quillbarrow\\RegTest\\Sub A", true));
  reg.CloseKey();
  ASSERT_TRUE(reg.OpenKey("Software\\Quillbarrow\\RegTest", false));
  EXPECT_EQ(reg.GetKeyNames(), (std::vector<std::string>{"Sub A", "Sub B"}));
  EXPECT_TRUE(reg.KeyExists("sub b"));
  EXPECT_TRUE(reg.DeleteKey("Sub B"));
  EXPECT_FALSE(reg.KeyExists("Sub B"));
  reg.WriteString("gone", "x");
  EXPECT_TRUE(reg.ValueExists("GONE"));
  EXPECT_TRUE(reg.DeleteValue("gone"));
  EXPECT_FALSE(reg.ValueExists("gone"));
  EXPECT_FALSE(reg.DeleteValue("gone"));
}

TEST_F(Registry, MachineScopeAnswersAndIsReadOnly) {
  SetProgramFilePath("/srv/apps/QuillBarrow/Dravlen/Dravlen");
  TRegistry reg(TRootKey::HKEY_LOCAL_MACHINE);
  ASSERT_TRUE(reg.OpenKeyReadOnly("Software\\Microsoft\\Windows\\CurrentVersion"));
  EXPECT_EQ(reg.ReadString("ProgramFilesDir"), "/srv/apps");
  EXPECT_EQ(reg.ReadString("CommonFilesDir"), "/srv/apps/Common Files");
  EXPECT_EQ(ErrorOf([&] { reg.WriteString("ProgramFilesDir", "x"); }), "Failed to set data for 'ProgramFilesDir'");
  EXPECT_EQ(SpecialFolderPath(TSpecialFolder::ProgramFiles), "/srv/apps");

  SetProgramFilePath("/usr/bin/dravlen");
  EXPECT_EQ(reg.ReadString("ProgramFilesDir"), "/opt");

  ASSERT_TRUE(reg.OpenKeyReadOnly("\\Software\\Microsoft\\Windows NT\\CurrentVersion"));
  EXPECT_FALSE(reg.ReadString("RegisteredOwner").empty());
  EXPECT_EQ(reg.ReadString("RegisteredOrganization"), "");
  EXPECT_FALSE(reg.OpenKey("Software\\Nothing", true));
  EXPECT_FALSE(reg.DeleteKey("Software\\Microsoft"));

  // A configured machine value wins over the built-in one.
  std::string folder = RegistryUserFolder() + "/HKEY_LOCAL_MACHINE/Software/Microsoft/Windows NT/CurrentVersion";
  ForceDirectories(folder);
  ASSERT_TRUE(WritePrivateProfileString("Values", "RegisteredOrganization", "sz:Acme Cooling", folder + "/values.ini"));
  EXPECT_EQ(reg.ReadString("RegisteredOrganization"), "Acme Cooling");
  EXPECT_FALSE(reg.ReadString("RegisteredOwner").empty());
  std::filesystem::remove_all(RegistryUserFolder() + "/HKEY_LOCAL_MACHINE");
}

TEST(Shell, FoldersAndProgram) {
  EXPECT_EQ(SpecialFolderPath(TSpecialFolder::Personal), testsupport::TestHome() + "/Documents");
  EXPECT_EQ(SpecialFolderPath(TSpecialFolder::Desktop), testsupport::TestHome() + "/Desktop");
  EXPECT_EQ(SpecialFolderPath(TSpecialFolder::Windows), "/etc");
  EXPECT_EQ(SpecialFolderPath(TSpecialFolder::System), "/usr/lib");
  EXPECT_FALSE(ProgramFilePath().empty());
  SetProgramFilePath("/x/Quillbarrow/Dravlen/Dravlen");
  EXPECT_EQ(ProgramFilePath(), "/x/Quillbarrow/Dravlen/Dravlen");
  SetProgramFilePath("");
  std::vector<std::string> opened;
  SetShellOpenHook([&](const std::string& p) {
    opened.push_back(p);
    return true;
  });
  EXPECT_TRUE(ShellOpen("/help/index.htm"));
  SetShellOpenHook(nullptr);
  EXPECT_EQ(opened, std::vector<std::string>{"/help/index.htm"});
  EXPECT_FALSE(ShellOpen("/no/such/file.htm"));
  EXPECT_FALSE(ShellOpen(""));
}

}  // namespace
