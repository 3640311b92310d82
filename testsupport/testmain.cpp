// One QApplication for the whole test program, on the offscreen platform, with
// a private home so that settings and documents never reach the real user's.
#include "testsupport/testenv.h"

#include <QApplication>
#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  testsupport::UsePrivateHome();
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
