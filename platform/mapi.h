#pragma once
// Simple MAPI as the platform offers it here: the message is handed to the
// user's mail client through xdg-email, which opens the client's compose
// window with the recipients, subject, body and attachments filled in.
// Simple MAPI counts as installed (win.ini's "mail" section holds "mapi"=1)
// exactly when xdg-email is found on PATH.
#include <optional>
#include <string>
#include <vector>

class QWidget;

namespace platform {

// Result codes.
enum : unsigned long {
  SUCCESS_SUCCESS = 0,
  MAPI_USER_ABORT = 1,
  MAPI_E_FAILURE = 2,
  MAPI_E_ATTACHMENT_NOT_FOUND = 11,
  MAPI_E_ATTACHMENT_OPEN_FAILURE = 12,
  MAPI_E_INVALID_RECIPS = 25,
  MAPI_E_NOT_SUPPORTED = 26,
};

// MAPISendMail flags.
enum : unsigned long { MAPI_LOGON_UI = 0x1, MAPI_NEW_SESSION = 0x2, MAPI_DIALOG = 0x8 };

// Recipient classes.
enum : unsigned long { MAPI_ORIG = 0, MAPI_TO = 1, MAPI_CC = 2, MAPI_BCC = 3 };

struct MapiRecipDesc {
  unsigned long recipClass = MAPI_TO;
  std::string name;
  std::string address;   // "SMTP:" + address, or the bare address
};

struct MapiFileDesc {
  unsigned long flags = 0;
  long position = -1;
  std::string pathName;   // full path of the file
  std::string fileName;   // name the recipient sees; empty: the file's own name
  std::string fileType;
};

struct MapiMessage {
  std::string subject;
  std::string noteText;
  std::string messageType;
  std::string dateReceived;
  std::string conversationId;
  unsigned long flags = 0;
  std::optional<MapiRecipDesc> originator;
  std::vector<MapiRecipDesc> recips;
  std::vector<MapiFileDesc> files;
};

// The integer value of key in section of win.ini in the Windows folder, as
// the platform answers it: "mapi" in "mail" is 1 when xdg-email can be run,
// 0 otherwise; any other key gives fallback.
int GetProfileInt(const std::string& section, const std::string& key, int fallback);

// Hands the message to the mail client and waits until xdg-email returns.
// Result: 0 handed over; 1 the hand-over was interrupted by the user; 2 the
// client failed; 11 an attachment does not exist; 12 an attachment cannot be
// read; 25 a recipient address that cannot be passed on; 26 no xdg-email or
// no mail client. The mail client always shows its compose window, so
// MAPI_DIALOG changes nothing; the originator and the session are the
// client's own and are not passed on.
unsigned long MAPISendMail(unsigned long session, QWidget* parent, const MapiMessage& message,
                           unsigned long flags, unsigned long reserved);

}  // namespace platform
