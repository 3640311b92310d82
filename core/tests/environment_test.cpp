#include "core/environment.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/registry.h"
#include "platform/shell.h"
#include "platform/sysutils.h"
#include "testsupport/testenv.h"

using namespace core;
using platform::TRegistry;

namespace {

TEST(Environment, MakerRootKeepsThePathsOwnCase) {
  const std::tuple<const char*, const char*, const char*> cases[] = {
      {"/d/Apps/quillbarrow/Tool/", "/opt/", "/d/Apps/quillbarrow/"},
      {"/d/Apps/QuillBarrow/Tool/", "/opt/", "/d/Apps/QuillBarrow/"},
      {"/home/u/7qb/Tool/", "/opt/", "/home/u/7qb/"},
      {"/home/u/7QB/Tool/", "/opt/", "/home/u/7QB/"},
      {"/usr/local/bin/", "/opt/", "/opt/Quillbarrow/"},
      {"/usr/bin/", "/opt/", "/opt/Quillbarrow/"},
      {"/usr/local/bin/", "/srv", "/srv/Quillbarrow/"},
      {"/a/QUILLBARROW/b/7QB/", "/opt/", "/a/QUILLBARROW/"},
      {"/a/7qb/Quillbarrow/", "/opt/", "/a/7qb/Quillbarrow/"},
      {"/x/Quillbarrow Tools/bin/", "/opt/", "/x/Quillbarrow/"},
  };
  for (const auto& [app, pf, root] : cases) EXPECT_EQ(MakerRootFor(app, pf), root) << app;
}

TEST(Environment, StartUpComputesFoldersAndCreatesTheDataFolder) {
  std::string base = testsupport::MakeTempDir("install");
  platform::ForceDirectories(base + "/Quillbarrow/Dravlen");
  platform::SetProgramFilePath(base + "/Quillbarrow/Dravlen/Dravlen");
  std::string documents = testsupport::TestHome() + "/Documents/";
  platform::DeleteFile(documents + "Quillbarrow/Dravlen");
  InitEnvironment();
  EXPECT_EQ(ProgramName(), "Dravlen");
  EXPECT_EQ(ApplicationDir(), base + "/Quillbarrow/Dravlen/");
  EXPECT_EQ(MyDocumentsDir(), documents);
  EXPECT_EQ(DataDir(), documents + "Quillbarrow/Dravlen/");
  EXPECT_TRUE(platform::DirectoryExists(DataDir()));
  EXPECT_EQ(MakerRootDir(), base + "/Quillbarrow/");
  EXPECT_EQ(SharedDir(), base + "/Quillbarrow/Common Files/");
  EXPECT_EQ(ProgramFilesDir(), base + "/");
  EXPECT_EQ(CommonFilesDir(), base + "/Common Files/");
  EXPECT_EQ(DesktopDir(), testsupport::TestHome() + "/Desktop/");
  EXPECT_EQ(WindowsDir(), "/etc");
  EXPECT_EQ(SystemDir(), "/usr/lib");
  EXPECT_NE(PoolMessageId(), 0u);
  EXPECT_EQ(ProgramRegistryKey(), "Software\\Quillbarrow\\Dravlen");
  EXPECT_EQ(ProgramRegistryKey("/x/y/Tool.bin"), "Software\\Quillbarrow\\Tool");
  EXPECT_EQ(Company().logo, base + "/Common Files/Quillbarrow/ReportLogo.gif");
  EXPECT_EQ(Company().user, "");
  EXPECT_FALSE(Company().company.empty());
  EXPECT_EQ(platform::Format("%0.1f", {1.5}), "1.5");
  DoneEnvironment();
  platform::SetProgramFilePath("");
}

TEST(Environment, CompanyInformationFromTheRegistry) {
  {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(CompanyRegistryKey, true));
    reg.WriteString("company", "Acme Cooling");
    reg.WriteString("user", "J. Smith");
    reg.WriteInteger("tel", 5);   // not a text: the default stays
  }
  InitEnvironment();
  EXPECT_EQ(Company().company, "Acme Cooling");
  EXPECT_EQ(Company().user, "J. Smith");
  EXPECT_FALSE(Company().tel.empty());
  EXPECT_NE(Company().tel, "5");
  DoneEnvironment();
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey(CompanyRegistryKey, false));
  reg.DeleteValue("company");
  reg.DeleteValue("user");
  reg.DeleteValue("tel");
}

TEST(Environment, RegisteredOwnerAndMailAccount) {
  RegisteredOwnerInfo owner = GetRegisteredOwner();
  EXPECT_FALSE(owner.owner.empty());
  EXPECT_EQ(owner.organisation, "");
  EXPECT_EQ(DefaultMailAddress(), "");   // none configured
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("Software\\Microsoft\\Internet Account Manager", true));
  reg.WriteString("default mail account", "00000001");
  ASSERT_TRUE(reg.OpenKey("accounts\\00000001", true));
  reg.WriteString("SMTP Email Address", "not an address");
  reg.WriteString("POP3 Email Address", "jo@cooling.example");
  EXPECT_EQ(DefaultMailAddress(), "jo@cooling.example");
  reg.CloseKey();
  reg.DeleteKey("Software\\Microsoft");
  EXPECT_EQ(DefaultMailAddress(), "");
}

TEST(Environment, EmailAddresses) {
  const std::pair<const char*, bool> cases[] = {
      {"a@b.com", true},
      {"first.last@mail.example.org", true},
      {"a@localhost", false},
      {"a@b-.com", false},
      {"a@b.1com", false},
      {"a@b--c.de", true},
      {"a@b.c-", false},
      {"\"john\\\"q\"@x.org", true},
      {"\"a b\"@x.org", true},
      {"\"a\rb\"@x.org", false},
      {"\"ab\".c@x.org", true},
      {"\"ab\"c@x.org", false},
      {"", false},
      {"@x.org", false},
      {"a..b@x.org", false},
      {"a.@x.org", false},
      {"a@x..org", false},
      {"a@x.org.", false},
      {"a b@x.org", false},
      {"!#$%&'*+-=?^_`{|}~@x.org", true},
      {"caf\xC3\xA9@x.org", true},
      {"a@caf\xC3\xA9.org", false},
      {"a@b.c", true},
      {"a@@b.c", false},
  };
  for (const auto& [text, valid] : cases) EXPECT_EQ(IsValidEmailAddress(text), valid) << text;
}

TEST(Environment, FileNameRoutines) {
  EXPECT_EQ(ExtractFileNameNoExt("/a/b/R22.ini"), "R22");
  EXPECT_EQ(ExtractFileNameNoExt("/a.b/R22"), "R22");
  EXPECT_EQ(ExtractFileNameNoExt("x.tar.gz"), "x.tar");
  EXPECT_EQ(AddBackslash(""), "");
  EXPECT_EQ(AddBackslash("/a"), "/a/");
  EXPECT_EQ(AddBackslash("/a/"), "/a/");
  EXPECT_EQ(JoinPath("/a", "b.ini"), "/a/b.ini");
  EXPECT_EQ(JoinPath("/a/", "b.ini"), "/a/b.ini");
}

TEST(Environment, FindFilesInStableOrder) {
  std::string dir = testsupport::MakeTempDir("find");
  for (const char* f : {"b.CMP", "A.cmp", "c.ini", "sub2/z.cmp", "sub1/Y.Cmp", "sub1/deep/x.cmp", "sub1/deep/w.txt"}) {
    platform::ForceDirectories(platform::ExtractFilePath(dir + "/" + f));
    testsupport::WriteAll(dir + "/" + f, "");
  }
  platform::TStringList list;
  std::vector<std::string> folders;
  FindFiles(dir, "*.cmp", list, [&](const std::string& folder) {
    folders.push_back(folder);
    EXPECT_EQ(list.Count(), static_cast<int>(folders.size() == 1 ? 0 : list.Count()));
  }, true);
  EXPECT_EQ(list.Items(), (std::vector<std::string>{dir + "/A.cmp", dir + "/b.CMP", dir + "/sub1/Y.Cmp",
                                                    dir + "/sub1/deep/x.cmp", dir + "/sub2/z.cmp"}));
  EXPECT_EQ(folders, (std::vector<std::string>{dir, dir + "/sub1", dir + "/sub1/deep", dir + "/sub2"}));
  platform::TStringList flat;
  FindFiles(dir + "/", "*.CMP", flat, nullptr, false);
  EXPECT_EQ(flat.Items(), (std::vector<std::string>{dir + "/A.cmp", dir + "/b.CMP"}));
  platform::TStringList none;
  FindFiles("", "*.*", none, nullptr, true);
  FindFiles(dir + "/missing", "*.*", none, nullptr, true);
  EXPECT_EQ(none.Count(), 0);
  // A link back up the tree does not make the search endless.
  std::filesystem::create_directory_symlink(dir, dir + "/sub2/loop");
  platform::TStringList looped;
  FindFiles(dir, "*.cmp", looped, nullptr, true);
  EXPECT_EQ(looped.Count(), 5);
}

class FormState : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::SetProgramFilePath("/x/Quillbarrow/FormTest/FormTest");
    window.setObjectName("TestForm");
  }
  void TearDown() override {
    TRegistry reg;
    reg.DeleteKey("Software\\Quillbarrow\\FormTest");
    platform::SetProgramFilePath("");
  }
  QWidget window;
  QSize screen = QGuiApplication::primaryScreen()->size();
};

TEST_F(FormState, SavedAndRestored) {
  window.move(40, 50);
  window.resize(300, 200);
  SaveFormState(window);
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKeyReadOnly("Software\\Quillbarrow\\FormTest\\TestForm"));
  EXPECT_EQ(reg.ReadInteger("Left"), 40);
  EXPECT_EQ(reg.ReadInteger("Width"), 300);
  EXPECT_EQ(reg.ReadString("Visible"), "0");
  EXPECT_EQ(reg.ReadInteger("WinState"), 0);

  QWidget other;
  other.setObjectName("TestForm");
  other.resize(10, 10);
  RestoreFormState(other, true, true);
  EXPECT_EQ(other.x(), 40);
  EXPECT_EQ(other.y(), 50);
  EXPECT_EQ(other.width(), 300);
  EXPECT_EQ(other.height(), 200);
  EXPECT_FALSE(other.isVisible());
  QWidget sizeKept;
  sizeKept.setObjectName("TestForm");
  sizeKept.resize(10, 10);
  RestoreFormState(sizeKept, false, false);
  EXPECT_EQ(sizeKept.width(), 10);
  EXPECT_EQ(sizeKept.x(), 40);
}

TEST_F(FormState, ClampedOntoTheScreen) {
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("Software\\Quillbarrow\\FormTest\\TestForm", true));
  reg.WriteInteger("Left", 5000);
  reg.WriteInteger("Top", -30);
  RestoreFormState(window, false, false);
  EXPECT_EQ(window.x(), screen.width() - 200);
  EXPECT_EQ(window.y(), 0);
  reg.WriteInteger("Left", -5);
  reg.WriteInteger("Top", screen.height() - 99);
  RestoreFormState(window, false, false);
  EXPECT_EQ(window.x(), 0);
  EXPECT_EQ(window.y(), screen.height() - 200);
  reg.WriteInteger("Left", screen.width() - 100);   // the edge itself stays
  RestoreFormState(window, false, false);
  EXPECT_EQ(window.x(), screen.width() - 100);
}

TEST_F(FormState, IntegersStoredAsTextAreReadAndKeptAsText) {
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("Software\\Quillbarrow\\FormTest\\TestForm", true));
  reg.WriteString("Left", "30");
  reg.WriteString("Top", "abc");
  window.move(7, 8);
  RestoreFormState(window, false, false);
  EXPECT_EQ(window.x(), 30);
  EXPECT_EQ(window.y(), 8);
  reg.WriteInteger("WinState", 2);
  RestoreFormState(window, false, false);
  EXPECT_TRUE(window.windowState() & Qt::WindowMaximized);
  window.setWindowState(Qt::WindowNoState);
  window.move(60, 70);
  SaveFormState(window);
  EXPECT_EQ(reg.GetDataType("Left"), platform::TRegDataType::rdString);
  EXPECT_EQ(reg.ReadString("Left"), "60");
  EXPECT_EQ(reg.GetDataType("Width"), platform::TRegDataType::rdInteger);
  EXPECT_EQ(reg.ReadInteger("WinState"), 0);
}

TEST_F(FormState, VisibilityRestoredWhenAsked) {
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("Software\\Quillbarrow\\FormTest\\TestForm", true));
  reg.WriteString("Visible", "1");
  RestoreFormState(window, true, false);
  EXPECT_TRUE(window.isVisible());
  reg.WriteString("Visible", "0");
  RestoreFormState(window, true, false);
  EXPECT_FALSE(window.isVisible());
  // No saved state: nothing changes.
  QWidget unsaved;
  unsaved.setObjectName("NeverSaved");
  unsaved.move(3, 4);
  RestoreFormState(unsaved, true, true);
  EXPECT_EQ(unsaved.x(), 3);
}

}  // namespace
