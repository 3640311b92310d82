#pragma once
// Hands a message with recipients and attachments to the user's mail client
// through Simple MAPI.
#include <functional>
#include <string>

#include "platform/stringlist.h"

namespace core {

class TMapiControl {
 public:
  TMapiControl() = default;
  TMapiControl(const TMapiControl&) = delete;
  TMapiControl& operator=(const TMapiControl&) = delete;

  std::string Subject;
  std::string Body;
  std::string FromName;
  std::string FromAdress;
  // Let the mail client show its logon and compose dialogs.
  bool ShowDialog = false;

  // One address per line. Setting a list copies the lines.
  platform::TStringList& Recipients() { return recipients_; }       // To
  platform::TStringList& CopyTo() { return copyTo_; }               // Cc
  platform::TStringList& BlindCopyTo() { return blindCopyTo_; }     // Bcc
  platform::TStringList& AttachedFiles() { return attachedFiles_; } // full paths
  // Filled by Sendmail: the attachments' names without folder.
  platform::TStringList& DisplayFileName() { return displayFileName_; }
  void SetRecipients(const platform::TStringList& lines) { Assign(recipients_, lines); }
  void SetCopyTo(const platform::TStringList& lines) { Assign(copyTo_, lines); }
  void SetBlindCopyTo(const platform::TStringList& lines) { Assign(blindCopyTo_, lines); }
  void SetAttachedFiles(const platform::TStringList& lines) { Assign(attachedFiles_, lines); }
  void SetDisplayFileName(const platform::TStringList& lines) { Assign(displayFileName_, lines); }

  std::function<void()> OnUserAbort;
  std::function<void(int code)> OnMapiError;
  std::function<void()> OnSuccess;

  // The Simple MAPI result: 0 handed over, 1 user abort, 26 no Simple MAPI
  // (after the message box "System does not support MAPI mail server"),
  // other codes as the mail client reports them. Errors are not raised.
  int Sendmail();

 private:
  static void Assign(platform::TStringList& target, const platform::TStringList& lines);

  platform::TStringList recipients_;
  platform::TStringList copyTo_;
  platform::TStringList blindCopyTo_;
  platform::TStringList attachedFiles_;
  platform::TStringList displayFileName_;
};

}  // namespace core
