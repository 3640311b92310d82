#include "platform/mapi.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QStandardPaths>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "testsupport/fakemailer.h"
#include "testsupport/testenv.h"

namespace {

using namespace platform;
using testsupport::MakeTempDir;
using testsupport::ReadAll;
using testsupport::WriteAll;

// A stand-in xdg-email first on PATH that records its arguments, each ended
// by a NUL byte, and exits with the code set ("INT": it dies of an interrupt).
class MapiTest : public ::testing::Test {
 protected:
  // A PATH on which no xdg-email can be found.
  void RemoveMailer() { setenv("PATH", MakeTempDir("nomailer").c_str(), 1); }
  void SetExitCode(const std::string& code) { mailer_.SetExitCode(code); }
  bool MailerRan() const { return mailer_.Ran(); }
  std::vector<std::string> Arguments() const {
    std::vector<std::string> args;
    const std::string all = ReadAll(mailer_.ArgsFile());
    std::size_t start = 0;
    for (std::size_t end; (end = all.find('\0', start)) != std::string::npos; start = end + 1)
      args.push_back(all.substr(start, end - start));
    return args;
  }
  std::string MakeFile(const std::string& folderHint, const std::string& name, const std::string& bytes) {
    const std::string path = MakeTempDir(folderHint) + "/" + name;
    WriteAll(path, bytes);
    return path;
  }

  testsupport::FakeMailClient mailer_{testsupport::FakeMailClient::ArgEnd::Nul, "mailer"};
};

TEST_F(MapiTest, ProfileAnswersMapiOnlyWhenTheMailerCanRun) {
  EXPECT_EQ(GetProfileInt("mail", "mapi", 0), 1);
  EXPECT_EQ(GetProfileInt("MAIL", "MAPI", 0), 1);
  EXPECT_EQ(GetProfileInt("mail", "other", 7), 7);
  EXPECT_EQ(GetProfileInt("windows", "mapi", 3), 3);
  RemoveMailer();
  EXPECT_EQ(GetProfileInt("mail", "mapi", 5), 0);
}

TEST_F(MapiTest, HandsRecipientsSubjectBodyAndAttachmentsToTheMailer) {
  const std::string a = MakeFile("a", "report.ini", "one");
  const std::string b = MakeFile("b", "notes.txt", "two");
  MapiMessage message;
  message.subject = "Compressor data file";
  message.noteText = "Line one\r\nLine two";
  message.originator = MapiRecipDesc{MAPI_ORIG, "Me", "me@example.com"};
  message.recips = {{MAPI_TO, "x@example.com", "SMTP:x@example.com"},
                    {MAPI_CC, "c@example.com", "SMTP:c@example.com"},
                    {MAPI_BCC, "d@example.com", "smtp:d@example.com"},
                    {MAPI_TO, "y@example.com", "SMTP:y@example.com"},
                    {MAPI_TO, "name-only@example.com", ""},
                    {MAPI_TO, "", "SMTP:"}};   // nothing to pass on
  message.files = {{0, -1, a, "report.ini", ""}, {0, -1, b, "", ""}};

  EXPECT_EQ(MAPISendMail(0, nullptr, message, MAPI_LOGON_UI | MAPI_NEW_SESSION | MAPI_DIALOG, 0),
            SUCCESS_SUCCESS);
  const std::vector<std::string> expected = {
      "--utf8",  "--cc",     "c@example.com",        "--bcc",  "d@example.com", "--subject",
      "Compressor data file", "--body", "Line one\r\nLine two", "--attach", a, "--attach", b,
      "x@example.com", "y@example.com", "name-only@example.com"};
  EXPECT_EQ(Arguments(), expected);
}

TEST_F(MapiTest, AnEmptyMessageStillReachesTheMailer) {
  EXPECT_EQ(MAPISendMail(0, nullptr, MapiMessage{}, 0, 0), SUCCESS_SUCCESS);
  EXPECT_EQ(Arguments(), std::vector<std::string>{"--utf8"});
}

TEST_F(MapiTest, MailerOutcomesMapToResultCodes) {
  struct Case { const char* exit; unsigned long result; };
  const Case cases[] = {
      {"0", SUCCESS_SUCCESS},
      {"1", MAPI_E_FAILURE},                    // command line refused
      {"2", MAPI_E_ATTACHMENT_NOT_FOUND},
      {"3", MAPI_E_NOT_SUPPORTED},              // no mail client to hand to
      {"4", MAPI_E_FAILURE},
      {"5", MAPI_E_ATTACHMENT_OPEN_FAILURE},
      {"INT", MAPI_USER_ABORT},
  };
  MapiMessage message;
  message.recips = {{MAPI_TO, "x@example.com", "SMTP:x@example.com"}};
  for (const Case& c : cases) {
    SetExitCode(c.exit);
    EXPECT_EQ(MAPISendMail(0, nullptr, message, 0, 0), c.result) << c.exit;
  }
}

TEST_F(MapiTest, WithoutTheMailerNothingIsSupported) {
  RemoveMailer();
  EXPECT_EQ(MAPISendMail(0, nullptr, MapiMessage{}, 0, 0), MAPI_E_NOT_SUPPORTED);
  EXPECT_FALSE(MailerRan());
}

TEST_F(MapiTest, UnusableAttachmentsAndRecipientsStopBeforeTheMailer) {
  MapiMessage missing;
  missing.files = {{0, -1, mailer_.Folder() + "/no such file.txt", "no such file.txt", ""}};
  EXPECT_EQ(MAPISendMail(0, nullptr, missing, 0, 0), MAPI_E_ATTACHMENT_NOT_FOUND);
  MapiMessage folder;
  folder.files = {{0, -1, mailer_.Folder(), "", ""}};
  EXPECT_EQ(MAPISendMail(0, nullptr, folder, 0, 0), MAPI_E_ATTACHMENT_NOT_FOUND);
  MapiMessage empty;
  empty.files = {{0, -1, "", "", ""}};
  EXPECT_EQ(MAPISendMail(0, nullptr, empty, 0, 0), MAPI_E_ATTACHMENT_NOT_FOUND);

  // xdg-email would read these as its own options.
  MapiMessage option;
  option.recips = {{MAPI_TO, "--attach", "SMTP:--attach"}};
  EXPECT_EQ(MAPISendMail(0, nullptr, option, 0, 0), MAPI_E_INVALID_RECIPS);
  MapiMessage lineBreak;
  lineBreak.recips = {{MAPI_CC, "a@b.c\nBcc: x@y.z", "SMTP:a@b.c\nBcc: x@y.z"}};
  EXPECT_EQ(MAPISendMail(0, nullptr, lineBreak, 0, 0), MAPI_E_INVALID_RECIPS);
  EXPECT_FALSE(MailerRan());
}

// Addresses are trimmed by the platform's one rule: blanks and control
// characters at either end go (a line break that ends a pasted address no
// longer refuses the message), while one inside still stops it.
TEST_F(MapiTest, AddressesAreTrimmedOfBlanksAndControlCharactersAtTheirEnds) {
  MapiMessage message;
  message.recips = {{MAPI_TO, "x@example.com", " SMTP:x@example.com\r\n"},
                    {MAPI_CC, "", "\tsmtp: c@example.com \n"},
                    {MAPI_TO, "\r\nname-only@example.com\r\n", ""}};
  EXPECT_EQ(MAPISendMail(0, nullptr, message, 0, 0), SUCCESS_SUCCESS);
  EXPECT_EQ(Arguments(), (std::vector<std::string>{"--utf8", "--cc", "c@example.com", "x@example.com",
                                                   "name-only@example.com"}));
}

TEST_F(MapiTest, AnotherDisplayNameIsHandedOverAsACopyUnderThatName) {
  const std::string path = MakeFile("c", "tmp1234.dat", "payload");
  MapiMessage message;
  message.files = {{0, -1, path, "Compressor R404A.ini", ""},
                   {0, -1, path, "Compressor R404A.ini", ""}};
  ASSERT_EQ(MAPISendMail(0, nullptr, message, 0, 0), SUCCESS_SUCCESS);
  const std::vector<std::string> args = Arguments();
  ASSERT_EQ(args.size(), 5u);
  ASSERT_EQ(args[1], "--attach");
  ASSERT_EQ(args[3], "--attach");
  EXPECT_NE(args[2], args[4]);
  for (const std::string& copy : {args[2], args[4]}) {
    EXPECT_EQ(QFileInfo(QString::fromStdString(copy)).fileName().toStdString(), "Compressor R404A.ini");
    EXPECT_EQ(ReadAll(copy), "payload");
    // Kept in the program's cache, never beside the user's file.
    EXPECT_EQ(copy.rfind(QStandardPaths::writableLocation(QStandardPaths::CacheLocation).toStdString(), 0),
              0u);
  }
  EXPECT_EQ(ReadAll(path), "payload");
}

}  // namespace
