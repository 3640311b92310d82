#include "workbench/emailform.h"

#include <gtest/gtest.h>

#include <QButtonGroup>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "core/cipher.h"
#include "core/environment.h"
#include "core/mapi.h"
#include "fakesmtp_helpers.h"
#include "platform/dialogs.h"
#include "platform/guard.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "testsupport/fakemailer.h"
#include "testsupport/testenv.h"
#include "workbench/smtpcontrol.h"
#include "workbench/smtpsettingsform.h"

namespace {

using testsupport::FakeSmtpScript;
using testsupport::FakeSmtpServer;
using testsupport::MakeTempDir;
using testsupport::ReadAll;
using testsupport::WriteAll;
using workbench::TEmailForm;
using workbench::TSMTPSettingsForm;

const std::string kCommon = "Software\\Quillbarrow\\Common\\";

void ClearSection(const std::string& section) {
  platform::TRegistry reg;
  reg.DeleteKey(kCommon + section);
}

std::string RawValue(const std::string& section, const std::string& key) {
  platform::TRegistry reg;
  if (!reg.OpenKeyReadOnly(kCommon + section) || !reg.ValueExists(key)) return "<missing>";
  return reg.ReadString(key);
}

std::string Decipher(const std::string& text) { return core::CryptStr(text, "k7wR4pe9", 0); }

// Every test starts without stored mail settings and with no error left over.
class MailDialogTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    core::InitEnvironment();
    workbench::InitSMTPControl();
  }
  static void TearDownTestSuite() { workbench::DoneSMTPControl(); }
  void SetUp() override {
    ClearSection("User");
    ClearSection("filtr");
    platform::TakeReportedErrors();
    dir_ = MakeTempDir("mail");
    file_ = dir_ + "/R404A.ini";
    WriteAll(file_, "[Header]\r\nName=ZX21\r\n");
  }
  void TearDown() override { platform::TakeReportedErrors(); }

  // The settings dialog's controls set and stored, as the user would.
  void StoreSettings(const std::string& host, int port, int kind, const std::string& user = "ann",
                     const std::string& password = "s3cret") {
    TSMTPSettingsForm settings;
    settings.edServer->setText(QString::fromStdString(host));
    settings.sePort->setValue(port);
    settings.SetAuthIndex(kind);
    settings.edUserName->setText(QString::fromStdString(user));
    settings.edPassword->setText(QString::fromStdString(password));
    settings.accept();
  }

  // A send that failed: result 1, the error sound, the status text, and the
  // dialog still open with the message.
  static void ExpectFailedAndStillOpen(const TEmailForm& form, const platform::MessageCapture& capture) {
    EXPECT_EQ(form.SendResult(), 1);
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.StatusText(), "Error sending email...");
    EXPECT_EQ(capture.beeps, 1);
  }

  std::string dir_, file_;
};

// ---------------------------------------------------------------------------
// SMTP settings dialog

TEST_F(MailDialogTest, SettingsRoundTripEncipheredThroughTheRegistry) {
  {
    TSMTPSettingsForm settings;
    settings.edServer->setText("mail.example.com");
    settings.sePort->setValue(587);
    settings.SetAuthIndex(workbench::AuthPopBeforeSMTP);
    settings.edUserName->setText("ann");
    settings.edPassword->setText("pa$$wörd");
    settings.edPopServer->setText("pop.example.com");
    settings.sePopPort->setValue(995);
    settings.show();
    settings.accept();   // FormClose saves
  }
  const struct { const char* key; const char* plain; } stored[] = {
      {"prm", "mail.example.com"}, {"npc", "587"}, {"sec", "ann"}, {"nsc", "pa$$wörd"},
      {"trt", "pop.example.com"},  {"ntc", "995"}, {"knd", "2"},
  };
  for (const auto& s : stored) {
    const std::string raw = RawValue("filtr", s.key);
    EXPECT_NE(raw, s.plain) << s.key;   // never plain text in the registry
    EXPECT_EQ(raw, TSMTPSettingsForm::EncryptSetting(s.plain)) << s.key;
    EXPECT_EQ(Decipher(raw), s.plain) << s.key;
  }

  TSMTPSettingsForm again;
  EXPECT_EQ(again.edServer->text(), "mail.example.com");
  EXPECT_EQ(again.sePort->value(), 587);
  EXPECT_EQ(again.edUserName->text(), "ann");
  EXPECT_EQ(again.edPassword->text(), "pa$$wörd");
  EXPECT_EQ(again.edPopServer->text(), "pop.example.com");
  EXPECT_EQ(again.sePopPort->value(), 995);
  EXPECT_EQ(again.AuthIndex(), 2);
  EXPECT_TRUE(platform::TakeReportedErrors().empty());
}

// A long password is stored whole and comes back whole: it used to be cut
// when enciphered and then never deciphered back.
TEST_F(MailDialogTest, ALongPasswordIsStoredAndReadBackWhole) {
  std::string password;
  for (int i = 0; i < 300; ++i) password += char('!' + (i * 13) % 90);
  StoreSettings("mail.example.com", 25, workbench::AuthSMTP, "ann", password);
  const std::string raw = RawValue("filtr", "nsc");
  EXPECT_EQ(raw.size(), 400u);
  EXPECT_EQ(Decipher(raw), password);

  TSMTPSettingsForm again;
  EXPECT_EQ(again.edPassword->text().toStdString(), password);
  EXPECT_TRUE(platform::TakeReportedErrors().empty());
}

TEST_F(MailDialogTest, MissingSettingsGiveTheDefaults) {
  TSMTPSettingsForm settings;
  EXPECT_EQ(settings.edServer->text(), "");
  EXPECT_EQ(settings.sePort->value(), 25);
  EXPECT_EQ(settings.sePopPort->value(), 110);
  EXPECT_EQ(settings.AuthIndex(), 0);
  EXPECT_EQ(settings.windowTitle(), "SMTP Settings:");
  EXPECT_EQ(TSMTPSettingsForm::ReadEncryptedInteger("filtr", "npc", 25), 25);
  EXPECT_EQ(TSMTPSettingsForm::ReadEncryptedString("filtr", "prm", ""), "");
  EXPECT_TRUE(platform::TakeReportedErrors().empty());
}

TEST_F(MailDialogTest, TheAuthenticationChoiceEnablesItsControls) {
  TSMTPSettingsForm settings;
  struct Case { int kind; bool login; bool pop; };
  const Case cases[] = {{0, false, false}, {1, true, false}, {2, true, true}, {0, false, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.kind);
    settings.rbAuth[c.kind]->click();   // rbAuthTypeClick
    EXPECT_EQ(settings.edUserName->isEnabled(), c.login);
    EXPECT_EQ(settings.edPassword->isEnabled(), c.login);
    EXPECT_EQ(settings.edPopServer->isEnabled(), c.pop);
    EXPECT_EQ(settings.lbPopPort->isEnabled(), c.pop);
    EXPECT_EQ(settings.sePopPort->isEnabled(), c.pop);
    EXPECT_TRUE(settings.edServer->isEnabled());
  }
  // Shown with choice 0 from the store: everything but the server and port off.
  TSMTPSettingsForm fresh;
  fresh.show();
  EXPECT_FALSE(fresh.edUserName->isEnabled());
  EXPECT_FALSE(fresh.edPopServer->isEnabled());
  fresh.reject();
}

TEST_F(MailDialogTest, DamagedSettingsResetTheDialogAndReportTheError) {
  StoreSettings("mail.example.com", 587, 1);
  workbench::WriteCommonString("filtr", "npc", TSMTPSettingsForm::EncryptSetting("twenty"));
  platform::TakeReportedErrors();

  TSMTPSettingsForm settings;
  EXPECT_EQ(settings.edServer->text(), "");
  EXPECT_EQ(settings.sePort->value(), 25);
  EXPECT_EQ(settings.edUserName->text(), "");
  EXPECT_EQ(settings.edPassword->text(), "");
  EXPECT_EQ(settings.sePopPort->value(), 110);
  EXPECT_EQ(settings.AuthIndex(), 0);
  EXPECT_EQ(platform::TakeReportedErrors().size(), 1u);
}

// ---------------------------------------------------------------------------
// E-mail dialog

TEST_F(MailDialogTest, ShowingFillsTheControlsAndTheStatusBar) {
  TSMTPSettingsForm settings;
  TEmailForm form(&settings);
  form.SetupMessage("check@example.com", "", "Compressor data file", "Please check.", file_, "Ann Smith",
                    "Ölwerk", "ann@example.com");
  form.show();
  EXPECT_EQ(form.windowTitle(), "Email");
  EXPECT_EQ(form.FromAddressEd->text(), "ann@example.com");
  EXPECT_EQ(form.FromNameEd->text(), "Ann Smith");
  EXPECT_EQ(form.FromCompanyEd->text(), "Ölwerk");
  EXPECT_EQ(form.RecipientsEd->text(), "check@example.com");
  EXPECT_EQ(form.SubjectEd->text(), "Compressor data file");
  EXPECT_EQ(form.BodyEd->toPlainText(), "Please check.");
  ASSERT_EQ(form.AttachmentList->topLevelItemCount(), 1);
  EXPECT_EQ(form.AttachmentList->topLevelItem(0)->text(0), "R404A.ini");
  EXPECT_EQ(form.AttachmentList->topLevelItem(0)->text(1).toStdString(), file_);
  EXPECT_EQ(form.StatusText(), "Ready...");
  EXPECT_EQ(form.ProtocolText(), "MAPI - Messaging Application Program Interface");
  form.reject();
}

TEST_F(MailDialogTest, TheProtocolTogglesAndSurvivesARestart) {
  {
    TEmailForm form(nullptr);
    EXPECT_EQ(form.Protocol(), workbench::ProtocolMAPI);
    form.show();
    form.ProtocolButton->click();
    EXPECT_EQ(form.Protocol(), workbench::ProtocolSMTP);
    EXPECT_EQ(form.ProtocolText(), "SMTP - Simple Mail Transfer Protocol");
    form.Button1Click();
    EXPECT_EQ(form.Protocol(), workbench::ProtocolMAPI);
    EXPECT_EQ(form.ProtocolText(), "MAPI - Messaging Application Program Interface");
    form.Button1Click();
    form.CloseButton->click();   // FormClose saves
    EXPECT_EQ(form.result(), QDialog::Rejected);
  }
  EXPECT_EQ(workbench::ReadCommonInteger("User", "Protocol", -1), 1);
  TEmailForm restarted(nullptr);
  EXPECT_EQ(restarted.Protocol(), workbench::ProtocolSMTP);
}

TEST_F(MailDialogTest, SenderComesFromTheUserSectionWithTheMachineDefaults) {
  {
    platform::TRegistry reg;
    reg.OpenKey("Software\\Microsoft\\Internet Account Manager", true);
    reg.WriteString("default mail account", "work");
    reg.OpenKey("\\Software\\Microsoft\\Internet Account Manager\\accounts\\work", true);
    reg.WriteString("SMTP Email Address", "owner@example.com");
  }
  {
    TEmailForm form(nullptr);
    EXPECT_EQ(form.FromAddress(), "owner@example.com");
    EXPECT_EQ(form.FromName(), core::GetRegisteredOwner().owner);
    EXPECT_EQ(form.Company(), core::GetRegisteredOwner().organisation);
    form.SetupMessage("check@example.com", "", "s", "b", "", "Ann", "Ölwerk", "ann@example.com");
    form.show();
    form.FromNameEd->setText("Ann Smith");   // typed, then closed without sending
    form.reject();
  }
  EXPECT_EQ(workbench::ReadCommonString("User", "Name", ""), "Ann Smith");
  EXPECT_EQ(workbench::ReadCommonString("User", "Company", ""), "Ölwerk");
  EXPECT_EQ(workbench::ReadCommonString("User", "EMail", ""), "ann@example.com");
  TEmailForm next(nullptr);
  EXPECT_EQ(next.FromName(), "Ann Smith");
  EXPECT_EQ(next.FromAddress(), "ann@example.com");
  platform::TRegistry reg;
  reg.DeleteKey("Software\\Microsoft\\Internet Account Manager");
}

TEST_F(MailDialogTest, DroppingAFileKeepsWhatWasTyped) {
  TEmailForm form(nullptr);
  form.SetupMessage("check@example.com", "", "Compressor data file", "body", file_, "Ann", "Co", "a@example.com");
  form.show();
  form.SubjectEd->setText("Typed subject");
  const std::string second = dir_ + "/plot.png";
  WriteAll(second, "png");
  form.WMDropFiles({second});
  EXPECT_EQ(form.SubjectEd->text(), "Typed subject");
  ASSERT_EQ(form.AttachmentList->topLevelItemCount(), 2);
  EXPECT_EQ(form.AttachmentList->topLevelItem(1)->text(0), "plot.png");

  // The same through a drop event from another program.
  const std::string third = dir_ + "/notes.txt";
  WriteAll(third, "n");
  form.BodyEd->setPlainText("typed body");
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(QString::fromStdString(third))});
  QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(&form, &enter);
  EXPECT_TRUE(enter.isAccepted());
  // Straight to the dialog's handler: the application delivers a drop only
  // inside a drag it runs itself.
  QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  static_cast<QObject&>(form).event(&drop);
  EXPECT_EQ(form.BodyEd->toPlainText(), "typed body");
  EXPECT_EQ(form.Attachments().Items(), (std::vector<std::string>{file_, second, third}));
  form.reject();
}

TEST_F(MailDialogTest, AttachmentsAddedByTheLabelAndOpenedByDoubleClick) {
  TEmailForm form(nullptr);
  form.SetupMessage("check@example.com", "", "s", "b", "", "Ann", "Co", "a@example.com");
  form.show();
  std::vector<std::string> startFolders;
  std::string answer = file_;
  form.ChooseFile = [&](const std::string& folder) {
    startFolders.push_back(folder);
    return answer;
  };
  QTest::mouseClick(form.AttachmentsLabel, Qt::LeftButton);
  answer = "";   // cancelled
  form.Label3Click();
  ASSERT_EQ(startFolders.size(), 2u);
  EXPECT_EQ(startFolders[0], core::ApplicationDir());
  EXPECT_EQ(startFolders[1], dir_ + "/");   // where the last file was found
  ASSERT_EQ(form.AttachmentList->topLevelItemCount(), 1);

  std::vector<std::string> opened;
  platform::SetShellOpenHook([&](const std::string& path) {
    opened.push_back(path);
    return true;
  });
  form.AttachmentListDblClick();   // nothing selected
  form.AttachmentList->setCurrentItem(form.AttachmentList->topLevelItem(0));
  form.AttachmentListDblClick();
  platform::SetShellOpenHook(nullptr);
  EXPECT_EQ(opened, std::vector<std::string>{file_});
  form.reject();
}

TEST_F(MailDialogTest, EnterAndArrowsMoveBetweenTheEdits) {
  TEmailForm form(nullptr);
  form.show();
  form.activateWindow();
  form.FromAddressEd->setFocus();
  QTest::keyClick(form.FromAddressEd, Qt::Key_Return);
  EXPECT_EQ(form.focusWidget(), form.FromNameEd);
  QTest::keyClick(form.FromNameEd, Qt::Key_Down);
  EXPECT_EQ(form.focusWidget(), form.FromCompanyEd);
  QTest::keyClick(form.FromCompanyEd, Qt::Key_Up);
  EXPECT_EQ(form.focusWidget(), form.FromNameEd);
  EXPECT_TRUE(form.isVisible());   // Enter never sent or closed the dialog
  form.reject();
}

TEST_F(MailDialogTest, TypedTextSurvivesAVisitToTheSettingsAndNewSettingsCount) {
  TSMTPSettingsForm settings;
  TEmailForm form(&settings);
  form.SetupMessage("check@example.com", "", "s", "b", file_, "Ann", "Co", "a@example.com");
  form.show();
  form.SubjectEd->setText("Typed subject");
  QTimer::singleShot(0, &settings, [&] {
    settings.edServer->setText("smtp.example.com");
    settings.sePort->setValue(2525);
    settings.rbAuth[1]->click();
    settings.accept();
  });
  form.SettingsButton->click();
  EXPECT_EQ(form.SubjectEd->text(), "Typed subject");
  EXPECT_EQ(form.SmtpHost(), "smtp.example.com");
  EXPECT_EQ(form.SmtpPort(), 2525);
  EXPECT_EQ(form.AuthKind(), 1);
  EXPECT_EQ(Decipher(RawValue("filtr", "prm")), "smtp.example.com");
  form.reject();
}

TEST_F(MailDialogTest, SetupCheckingMessageUsesTheCompanyInformation) {
  const std::string odd = dir_ + "/R404A, rev 2.ini";
  WriteAll(odd, "x");
  TEmailForm form(nullptr);
  workbench::SetupCheckingMessage(form, odd);
  const core::CompanyInfo& info = core::Company();
  EXPECT_EQ(form.Recipients(), workbench::CheckingAddress);
  EXPECT_EQ(form.BlindCopy(), "");
  EXPECT_EQ(form.Subject(), "Compressor data file");
  EXPECT_EQ(form.Body(), "Please confirm validity of the attached compressor data file...");
  EXPECT_EQ(form.Attachments().Items(), std::vector<std::string>{odd});
  EXPECT_EQ(form.FromAddress(), info.email.empty() ? form.FromAddress() : info.email);
  if (!info.company.empty()) {
    EXPECT_EQ(form.Company(), info.company);
  }

  // A comma list of paths is split; a text naming one file is that file.
  form.SetupMessage("a@example.com", "", "s", "b", file_ + ", " + dir_ + "/b.ini,", "n", "c", "x@example.com");
  EXPECT_EQ(form.Attachments().Items(), (std::vector<std::string>{file_, dir_ + "/b.ini"}));
  form.SetupMessage("a@example.com", "", "s", "b", odd, "n", "c", "x@example.com");
  EXPECT_EQ(form.Attachments().Items(), std::vector<std::string>{odd});
}

// ---------------------------------------------------------------------------
// Sending

class MailSendTest : public MailDialogTest {
 protected:
  // The e-mail dialog set to SMTP against the fake server.
  void PrepareSmtp(TEmailForm& form, TSMTPSettingsForm& settings, int port, int kind = 0) {
    settings.edServer->setText("127.0.0.1");
    settings.sePort->setValue(port);
    settings.SetAuthIndex(kind);
    settings.edUserName->setText("ann");
    settings.edPassword->setText("s3cret");
    QTimer::singleShot(0, &settings, [&] { settings.accept(); });
    form.SettingsButtonClick();
    if (form.Protocol() != workbench::ProtocolSMTP) form.Button1Click();
    form.SetupMessage("check@example.com", "hidden@example.com", "Compressor data file", "Please check.\nThanks.",
                      file_, "Ann Smith", "Ölwerk", "ann@example.com");
    form.show();
  }
};

TEST_F(MailSendTest, SmtpSendsTheMessageAndClosesTheDialog) {
  FakeSmtpServer server;
  TSMTPSettingsForm settings;
  TEmailForm form(&settings);
  PrepareSmtp(form, settings, server.Port(), workbench::AuthSMTP);
  form.SubjectEd->setText("Compressor data file (rev 2)");
  form.SendButton->click();
  EXPECT_TRUE(platform::TakeReportedErrors().empty());
  EXPECT_EQ(form.result(), QDialog::Accepted);
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(form.SendResult(), 0);
  server.Finish();

  const std::vector<std::string> commands = server.Commands();
  ASSERT_GE(commands.size(), 4u);
  EXPECT_EQ(commands[1], "AUTH LOGIN");
  ASSERT_EQ(server.Messages().size(), 1u);
  const std::string message = server.Messages()[0];
  EXPECT_NE(message.find("Subject: Compressor data file (rev 2)\r\n"), std::string::npos);
  EXPECT_NE(message.find("content-id: R404A.ini\r\n"), std::string::npos);
  // Body, two empty lines, name, company and address with empty lines between
  // (quoted-printable: "Ö" is "=C3=96").
  EXPECT_NE(message.find("Please check.\r\nThanks.\r\n\r\n\r\nAnn Smith\r\n\r\n=C3=96lwerk\r\n\r\nann@example.com\r\n"),
            std::string::npos);
  // The blind copy goes only to the mail client.
  EXPECT_EQ(message.find("hidden@example.com"), std::string::npos);
  for (const std::string& c : commands) EXPECT_EQ(c.find("hidden"), std::string::npos) << c;
}

TEST_F(MailSendTest, AFailedConnectionIsReportedAndTheDialogStaysOpen) {
  FakeSmtpScript script;
  script.greeting = "554 5.3.2 Service not available";
  FakeSmtpServer server(script);
  TSMTPSettingsForm settings;
  TEmailForm form(&settings);
  PrepareSmtp(form, settings, server.Port());
  form.SendButton->click();
  const std::vector<std::string> errors = platform::TakeReportedErrors();
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_NE(errors[0].find("Could not connect to the SMTP server 127.0.0.1"), std::string::npos) << errors[0];
  EXPECT_TRUE(form.isVisible());
  EXPECT_TRUE(server.Messages().empty());
  form.reject();
}

TEST_F(MailSendTest, AFailedSendKeepsTheDialogOpenAndSaysWhy) {
  FakeSmtpScript script;
  script.replies["RCPT"] = "550 5.1.1 <check@example.com>: Recipient address rejected";
  FakeSmtpServer server(script);
  TSMTPSettingsForm settings;
  TEmailForm form(&settings);
  PrepareSmtp(form, settings, server.Port());
  platform::MessageCapture capture;
  form.SendButtonClick();
  ExpectFailedAndStillOpen(form, capture);
  ASSERT_EQ(capture.boxes.size(), 1u);
  EXPECT_NE(capture.boxes[0].text.find("550"), std::string::npos) << capture.boxes[0].text;
  // What the user wrote is still there for another try.
  EXPECT_EQ(form.BodyEd->toPlainText(), "Please check.\nThanks.");
  form.reject();
}

// A stand-in mail client launcher first on PATH, as the MAPI sender's tests use.
class MapiSendTest : public MailDialogTest {
 protected:
  testsupport::FakeMailClient mailer_;
};

TEST_F(MapiSendTest, TheMailClientGetsTheMessage) {
  TEmailForm form(nullptr);
  form.SetupMessage("check@example.com, second@example.com", "hidden@example.com", "Compressor data file",
                    "Please check.", file_, "Ann Smith", "Ölwerk", "ann@example.com");
  form.show();
  form.SendButton->click();
  EXPECT_EQ(form.result(), QDialog::Accepted);
  EXPECT_EQ(form.SendResult(), 0);
  EXPECT_EQ(form.Mapi().FromName, "Ann Smith,Ölwerk");
  EXPECT_EQ(form.Mapi().FromAdress, "ann@example.com");
  EXPECT_TRUE(form.Mapi().ShowDialog);
  EXPECT_EQ(form.Mapi().Body, "Please check.\r\n\r\n\r\nAnn Smith\r\n\r\nÖlwerk\r\n\r\nann@example.com\r\n");

  platform::TStringList args;
  args.SetText(ReadAll(mailer_.ArgsFile()));
  const std::vector<std::string> expected = {"--utf8", "--bcc", "hidden@example.com", "--subject",
                                             "Compressor data file", "--body"};
  ASSERT_GE(args.Count(), 6);
  EXPECT_EQ(std::vector<std::string>(args.Items().begin(), args.Items().begin() + 6), expected);
  EXPECT_EQ(args.Items()[args.Count() - 2], "check@example.com");
  EXPECT_EQ(args.Items()[args.Count() - 1], "second@example.com");
  EXPECT_NE(args.IndexOf(file_), -1);
}

TEST_F(MapiSendTest, AMailClientErrorKeepsTheDialogOpen) {
  mailer_.SetExitCode("4");
  TEmailForm form(nullptr);
  form.SetupMessage("check@example.com", "", "s", "b", file_, "Ann", "Co", "ann@example.com");
  form.show();
  platform::MessageCapture capture;
  form.SendButtonClick();
  ExpectFailedAndStillOpen(form, capture);
  EXPECT_TRUE(capture.boxes.empty());
  form.reject();
}

}  // namespace
