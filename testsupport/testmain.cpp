// One QApplication for the whole test program, on the offscreen platform, with
// a private home so that settings and documents never reach the real user's.
#include "testsupport/testenv.h"

#include <QApplication>
#include <QDir>
#include <QStandardPaths>
#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  // Set before the application exists so every path lookup sees them.
  const std::string home = testsupport::TestHome();
  QDir().mkpath(QString::fromStdString(home + "/Documents"));
  QDir().mkpath(QString::fromStdString(home + "/Desktop"));
  QDir().mkpath(QString::fromStdString(home + "/.config"));
  setenv("HOME", home.c_str(), 1);
  setenv("XDG_CONFIG_HOME", (home + "/.config").c_str(), 1);
  setenv("XDG_DATA_HOME", (home + "/.local/share").c_str(), 1);
  setenv("XDG_DOCUMENTS_DIR", (home + "/Documents").c_str(), 1);
  setenv("XDG_DESKTOP_DIR", (home + "/Desktop").c_str(), 1);
  QStandardPaths::setTestModeEnabled(true);
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
