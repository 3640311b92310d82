#include "workbench/smtpcontrol.h"

#include "platform/sysutils.h"

namespace workbench {

namespace {

std::unique_ptr<TSMTPControl>& Instance() {
  static std::unique_ptr<TSMTPControl> instance;
  return instance;
}

}  // namespace

std::unique_ptr<TMimeMessage> TSMTPControl::BuildMessage(const platform::TStringList& lines,
                                                         const std::string& fromAddress,
                                                         const std::string& recipients, const std::string& subject,
                                                         const platform::TStringList& attachments) {
  message_ = std::make_unique<TMimeMessage>();
  message_->From = fromAddress;
  message_->Recipients = recipients;
  message_->Subject = subject;
  message_->ContentType = "multipart/mixed";
  message_->Body.AddStrings(lines);

  textPart_ = &message_->AddTextPart("text/plain");
  textPart_->Body.SetText(lines.Text());
  // The HTML part carries the same text as the plain one.
  htmlPart_ = &message_->AddTextPart("text/html");
  htmlPart_->Body.SetText(lines.Text());

  for (const std::string& path : attachments) {
    attachmentPath_ = path;
    // A file that is gone by now is left out rather than failing the mail.
    if (!platform::FileExists(attachmentPath_)) continue;
    attachmentPart_ = &message_->AddAttachmentPart(attachmentPath_);
    attachmentPart_->ContentType = "";
    attachmentPart_->ContentDisposition = "inline";
    attachmentPart_->ExtraHeaders.SetValue("content-id", platform::ExtractFileName(attachmentPath_));
  }

  textPart_ = htmlPart_ = nullptr;
  attachmentPart_ = nullptr;
  attachmentPath_.clear();
  return std::move(message_);
}

int TSMTPControl::SendMimeMessage(TSMTPClient& smtp, const platform::TStringList& lines,
                                  const std::string& fromAddress, const std::string& recipients,
                                  const std::string& subject, const platform::TStringList& attachments) {
  int result = 1;
  lastError_.clear();
  const std::unique_ptr<TMimeMessage> message = BuildMessage(lines, fromAddress, recipients, subject, attachments);
  try {
    smtp.Send(*message);
    result = 0;
  } catch (const std::exception& e) {
    lastError_ = e.what();
  }
  return result;
}

void InitSMTPControl() {
  if (Instance()) return;
  InitMailFacility();
  Instance() = std::make_unique<TSMTPControl>();
}

void DoneSMTPControl() {
  if (!Instance()) return;
  Instance().reset();
  DoneMailFacility();
}

TSMTPControl& SMTPControl() {
  if (!Instance()) throw platform::Exception("The mail module has not been started.");
  return *Instance();
}

}  // namespace workbench
