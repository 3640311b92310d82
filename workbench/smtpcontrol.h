#pragma once
// The message builder of the e-mail dialog: makes the MIME message of a
// "Send for checking" mail (a plain-text part, an HTML part with the same
// text, then the attached files) and hands it to an SMTP client. One
// process-wide instance, created by the mail module's start-up.
#include <memory>
#include <string>

#include "platform/stringlist.h"
#include "workbench/smtpclient.h"

namespace workbench {

class TSMTPControl {
 public:
  TSMTPControl() = default;
  TSMTPControl(const TSMTPControl&) = delete;
  TSMTPControl& operator=(const TSMTPControl&) = delete;

  // 0 when the message was sent, 1 when the facility raised an error (the
  // connection closed by the server included); LastError then holds its text.
  int SendMimeMessage(TSMTPClient& smtp, const platform::TStringList& lines, const std::string& fromAddress,
                      const std::string& recipients, const std::string& subject,
                      const platform::TStringList& attachments);

  // The message SendMimeMessage sends: "multipart/mixed" with a "text/plain"
  // and a "text/html" part holding the text of lines, then one "inline" part
  // per attachment that exists, in order, with its file name as "content-id".
  std::unique_ptr<TMimeMessage> BuildMessage(const platform::TStringList& lines, const std::string& fromAddress,
                                             const std::string& recipients, const std::string& subject,
                                             const platform::TStringList& attachments);

  const std::string& LastError() const { return lastError_; }

 private:
  // Held while a message is built.
  std::unique_ptr<TMimeMessage> message_;
  TTextPart* textPart_ = nullptr;
  TTextPart* htmlPart_ = nullptr;
  TAttachmentPart* attachmentPart_ = nullptr;
  std::string attachmentPath_;
  std::string lastError_;
};

// The mail module's start-up and clean-up (the program's entry runs them
// after the engineering core's, clean-up in reverse): libcurl's set-up and
// the process-wide message builder.
void InitSMTPControl();
void DoneSMTPControl();
// The process-wide instance; raises platform::Exception before start-up.
TSMTPControl& SMTPControl();

}  // namespace workbench
