#include "platform/dialogs.h"

#include <gtest/gtest.h>

using namespace platform;

namespace {

TEST(MessageBoxes, CaptureRecordsAndAnswers) {
  SetApplicationTitle("Dravlen");
  MessageCapture capture;
  capture.answers = {IDNO};
  EXPECT_EQ(MessageBox("Save changes?", "", MB_YESNO | MB_ICONQUESTION), IDNO);
  EXPECT_EQ(MessageBox("Done", "Build"), IDOK);   // no more answers queued
  ShowMessage("No file loaded...");
  MessageBeep();
  MessageBeep();
  ASSERT_EQ(capture.boxes.size(), 3u);
  EXPECT_EQ(capture.boxes[0].text, "Save changes?");
  EXPECT_EQ(capture.boxes[0].caption, "Dravlen");
  EXPECT_EQ(capture.boxes[0].flags, unsigned(MB_YESNO | MB_ICONQUESTION));
  EXPECT_EQ(capture.boxes[1].caption, "Build");
  EXPECT_EQ(capture.boxes[2].text, "No file loaded...");
  EXPECT_EQ(capture.beeps, 2);
}

TEST(MessageBoxes, WithoutCaptureOffscreenDoesNotBlock) {
  // The first button answers and the text goes to stderr.
  EXPECT_EQ(MessageBox("unexpected", "", MB_YESNO), IDYES);
  EXPECT_EQ(MessageBox("unexpected", "", MB_RETRYCANCEL), IDRETRY);
  MessageBeep();
}

TEST(MessageBoxes, CaptureEndsWithItsScope) {
  {
    MessageCapture inner;
    MessageBox("x");
    EXPECT_EQ(inner.boxes.size(), 1u);
  }
  EXPECT_EQ(MessageBox("after", "", MB_OKCANCEL), IDOK);
}

}  // namespace
