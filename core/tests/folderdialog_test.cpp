#include "core/folderdialog.h"

#include <gtest/gtest.h>

#include <QWidget>

#include "platform/folderbrowser.h"

namespace {

using core::TFolderDialog;

// Answers the folder browser with a given path and records what it was asked.
class FolderDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = platform::SetFolderChooser([this](QWidget* owner, const std::string& title) {
      ++calls_;
      owner_ = owner;
      title_ = title;
      return answer_;
    });
  }
  void TearDown() override { platform::SetFolderChooser(previous_); }

  platform::FolderChooser previous_;
  std::string answer_;
  int calls_ = 0;
  QWidget* owner_ = nullptr;
  std::string title_;
};

TEST_F(FolderDialogTest, PickedFolderBecomesDirectory) {
  struct Case { const char* picked; bool separator; const char* directory; };
  const Case cases[] = {
      {"/home/ann/Catalogs", true, "/home/ann/Catalogs/"},
      {"/home/ann/Catalogs", false, "/home/ann/Catalogs"},
      {"/", true, "/"},   // the root keeps its one separator
      {"/", false, "/"},
  };
  for (const Case& c : cases) {
    TFolderDialog dialog;
    dialog.BackSlashOnEnd = c.separator;
    answer_ = c.picked;
    EXPECT_TRUE(dialog.Execute()) << c.picked;
    EXPECT_EQ(dialog.Directory, c.directory) << c.picked << " " << c.separator;
  }
}

TEST_F(FolderDialogTest, BrowserGetsTheTitleAndTheOwnerWindow) {
  QWidget window;
  TFolderDialog dialog(&window);
  EXPECT_TRUE(dialog.BackSlashOnEnd);
  dialog.Title = "Select the folder of the source files";
  answer_ = "/data";
  dialog.Execute();
  EXPECT_EQ(calls_, 1);
  EXPECT_EQ(title_, "Select the folder of the source files");
  EXPECT_EQ(owner_, &window);
}

TEST_F(FolderDialogTest, CancellingEmptiesDirectoryAndReturnsFalse) {
  TFolderDialog dialog;
  answer_ = "/data";
  ASSERT_TRUE(dialog.Execute());
  answer_ = "";
  EXPECT_FALSE(dialog.Execute());
  EXPECT_EQ(dialog.Directory, "");
}

}  // namespace
