#include "core/mapi.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/dialogs.h"
#include "testsupport/fakemailer.h"
#include "testsupport/testenv.h"

namespace {

using core::TMapiControl;
using testsupport::MakeTempDir;
using testsupport::ReadAll;
using testsupport::WriteAll;

// The events a send fired, in order.
struct EventLog {
  std::vector<std::string> events;
  void Attach(TMapiControl& mapi) {
    mapi.OnSuccess = [this] { events.push_back("success"); };
    mapi.OnUserAbort = [this] { events.push_back("abort"); };
    mapi.OnMapiError = [this](int code) { events.push_back("error " + std::to_string(code)); };
  }
};

// A stand-in mail client launcher first on PATH: it writes its arguments,
// one per line, and exits with the code set ("INT": it is interrupted as
// when the user breaks off).
class MapiControlTest : public ::testing::Test {
 protected:
  void SetUp() override { log_.Attach(mapi_); }

  std::vector<std::string> Arguments() const {
    std::vector<std::string> lines;
    platform::TStringList list;
    list.SetText(ReadAll(mailer_.ArgsFile()));
    for (const std::string& line : list) lines.push_back(line);
    return lines;
  }
  bool Launched() const { return mailer_.Ran(); }

  testsupport::FakeMailClient mailer_;
  TMapiControl mapi_;
  EventLog log_;
};

TEST_F(MapiControlTest, HandsTheWholeMessageOverAndFiresOnSuccess) {
  const std::string first = MakeTempDir("one") + "/R404A.ini";
  const std::string second = MakeTempDir("two") + "/photo.png";
  WriteAll(first, "[Data]\n");
  WriteAll(second, "png");

  mapi_.Subject = "Compressor data file";
  mapi_.Body = "Please confirm validity of the attached compressor data file...";
  mapi_.FromName = "Ann Smith,Quillbarrow";
  mapi_.FromAdress = "ann@example.com";
  mapi_.SetRecipients(platform::TStringList{"check@example.com", "second@example.com"});
  mapi_.SetCopyTo(platform::TStringList{"cc@example.com"});
  mapi_.SetBlindCopyTo(platform::TStringList{"bcc1@example.com", "bcc2@example.com"});
  mapi_.SetAttachedFiles(platform::TStringList{first, second});
  mapi_.ShowDialog = true;

  EXPECT_EQ(mapi_.Sendmail(), 0);
  const std::vector<std::string> expected = {
      "--utf8", "--cc", "cc@example.com", "--bcc", "bcc1@example.com", "--bcc", "bcc2@example.com",
      "--subject", "Compressor data file",
      "--body", "Please confirm validity of the attached compressor data file...",
      "--attach", first, "--attach", second,
      "check@example.com", "second@example.com"};
  EXPECT_EQ(Arguments(), expected);
  // Two folders, bare names.
  EXPECT_EQ(mapi_.DisplayFileName().Items(), (std::vector<std::string>{"R404A.ini", "photo.png"}));
  EXPECT_EQ(log_.events, std::vector<std::string>{"success"});
}

TEST_F(MapiControlTest, EachOutcomeFiresItsEvent) {
  struct Case { const char* exit; int result; const char* event; };
  const Case cases[] = {
      {"0", 0, "success"},
      {"INT", 1, "abort"},
      {"4", 2, "error 2"},
      {"3", 26, "error 26"},
      {"5", 12, "error 12"},
  };
  mapi_.SetRecipients(platform::TStringList{"check@example.com"});
  for (const Case& c : cases) {
    mailer_.SetExitCode(c.exit);
    log_.events.clear();
    EXPECT_EQ(mapi_.Sendmail(), c.result) << c.exit;
    EXPECT_EQ(log_.events, std::vector<std::string>{c.event}) << c.exit;
  }
}

TEST_F(MapiControlTest, AMissingAttachmentIsReportedThroughOnMapiError) {
  mapi_.AttachedFiles().Add(mailer_.Folder() + "/gone.ini");
  EXPECT_EQ(mapi_.Sendmail(), 11);
  EXPECT_EQ(log_.events, std::vector<std::string>{"error 11"});
  EXPECT_FALSE(Launched());
}

TEST_F(MapiControlTest, AMessageWithoutRecipientsOrAttachmentsIsStillHandedOver) {
  mapi_.DisplayFileName().Add("earlier.ini");
  EXPECT_EQ(mapi_.Sendmail(), 0);
  EXPECT_EQ(Arguments(), std::vector<std::string>{"--utf8"});
  // Only a send with attachments refills the display names.
  EXPECT_EQ(mapi_.DisplayFileName().Items(), std::vector<std::string>{"earlier.ini"});
  EXPECT_EQ(log_.events, std::vector<std::string>{"success"});
}

TEST_F(MapiControlTest, WithoutSimpleMapiShowsTheMessageAndReturns26) {
  setenv("PATH", MakeTempDir("empty").c_str(), 1);
  mapi_.SetRecipients(platform::TStringList{"check@example.com"});
  platform::MessageCapture capture;
  EXPECT_EQ(mapi_.Sendmail(), 26);
  ASSERT_EQ(capture.boxes.size(), 1u);
  EXPECT_EQ(capture.boxes[0].text, "System does not support MAPI mail server");
  EXPECT_TRUE(log_.events.empty());
  EXPECT_FALSE(Launched());
}

TEST_F(MapiControlTest, AssigningAListCopiesItsLines) {
  platform::TStringList source{"a@example.com", "b@example.com"};
  mapi_.SetRecipients(source);
  mapi_.SetCopyTo(source);
  source.Clear();
  source.Add("changed@example.com");
  EXPECT_EQ(mapi_.Recipients().Items(), (std::vector<std::string>{"a@example.com", "b@example.com"}));
  EXPECT_EQ(mapi_.CopyTo().Count(), 2);
  mapi_.SetRecipients(mapi_.Recipients());   // onto itself: kept
  EXPECT_EQ(mapi_.Recipients().Count(), 2);
  EXPECT_FALSE(mapi_.ShowDialog);
}

}  // namespace
