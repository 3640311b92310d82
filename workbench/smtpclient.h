#pragma once
// The Internet mail facility the e-mail dialog sends through: a MIME message
// (sender, recipients, subject, content type, body lines and a list of text
// and file-attachment parts) and an SMTP client (host, port, user name,
// password, authentication kind; connect, send, disconnect) over libcurl.
// Failures of the facility are raised as ESMTPError with a readable text.
#include <memory>
#include <string>
#include <vector>

#include "platform/stringlist.h"
#include "platform/sysutils.h"

namespace workbench {

class ESMTPError : public platform::Exception { using Exception::Exception; };

// ---------------------------------------------------------------------------
// MIME message

class TMessagePart {
 public:
  virtual ~TMessagePart() = default;
  // Empty: the facility picks one (attachments by their file extension).
  std::string ContentType;
  // "Name=Value" lines, written verbatim as "Name: Value" after the part's
  // own headers.
  platform::TStringList ExtraHeaders;
};

class TTextPart : public TMessagePart {
 public:
  platform::TStringList Body;
};

class TAttachmentPart : public TMessagePart {
 public:
  explicit TAttachmentPart(std::string path) : FileName(std::move(path)) {}
  std::string FileName;            // full path of the file sent
  std::string ContentDisposition;  // "inline", "attachment"; empty: "attachment"
};

class TMimeMessage {
 public:
  std::string From;         // sender text: an address, or "Name <address>"
  std::string Recipients;   // comma list of addresses
  std::string Subject;
  std::string ContentType;  // empty: "text/plain", or "multipart/mixed" with parts
  // The text of a message without parts; a message with parts carries its
  // text in them.
  platform::TStringList Body;
  std::vector<std::unique_ptr<TMessagePart>> MessageParts;

  // Fixed values for reproducible output; empty: the current time and a
  // boundary of our own.
  std::string Date;
  std::string Boundary;

  TTextPart& AddTextPart(const std::string& contentType);
  TAttachmentPart& AddAttachmentPart(const std::string& path);

  // The whole message as sent (headers and body, lines ending in CR LF).
  // Raises ESMTPError when an attachment cannot be read.
  std::string BuildText() const;

  // The bare addresses of Recipients ("Name <a@b>" gives "a@b"), empties
  // dropped; and of From.
  std::vector<std::string> RecipientAddresses() const;
  std::string SenderAddress() const;
};

// Encoders the message uses (exposed for tests).
std::string EncodeQuotedPrintable(const std::string& text);   // text with CR LF line ends
std::string EncodeBase64Lines(const std::string& bytes);      // 76-character lines, CR LF
// An unstructured header value: CR and LF removed, non-ASCII text as
// RFC 2047 encoded words.
std::string EncodeHeaderValue(const std::string& value);
// The content type the facility gives a file whose part names none.
std::string ContentTypeForFile(const std::string& path);
// RFC 5322 date text of the current time.
std::string CurrentMailDate();

// ---------------------------------------------------------------------------
// SMTP client

enum class TSMTPAuthType {
  satNone,      // no authentication
  satDefault,   // the client's default login (AUTH LOGIN)
  satSASL,      // the best SASL mechanism the server offers
};

class TSMTPClient {
 public:
  TSMTPClient();
  ~TSMTPClient();   // disconnects
  TSMTPClient(const TSMTPClient&) = delete;
  TSMTPClient& operator=(const TSMTPClient&) = delete;

  int Port = 25;
  std::string Host;
  std::string Username;
  std::string Password;
  TSMTPAuthType AuthType = TSMTPAuthType::satNone;
  // A mail server that does not answer must not hang the program: seconds
  // allowed for the connection with its greeting and log-in, and for any one
  // reply of the server (or a stalled transfer) after that.
  long ConnectTimeout = 30;
  long ReplyTimeout = 60;

  // Opens the connection: greeting, EHLO, STARTTLS when offered, log-in,
  // and a NOOP. Raises ESMTPError.
  void Connect();
  // Sends the message: MAIL FROM, RCPT TO for each recipient, DATA. Raises
  // ESMTPError (not connected, no recipient, the server refused, the
  // connection was lost).
  void Send(const TMimeMessage& message);
  // QUIT and close; nothing happens when not connected.
  void Disconnect();
  bool Connected() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// libcurl's process-wide set-up, run by the mail module's start-up and
// clean-up (see smtpcontrol.h).
void InitMailFacility();
void DoneMailFacility();

}  // namespace workbench
