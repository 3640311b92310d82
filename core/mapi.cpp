#include "core/mapi.h"

#include <QApplication>

#include "platform/dialogs.h"
#include "platform/mapi.h"
#include "platform/sysutils.h"

namespace core {

namespace {

void AddRecipients(std::vector<platform::MapiRecipDesc>& recips, const platform::TStringList& lines,
                   unsigned long recipClass) {
  for (const std::string& line : lines) recips.push_back({recipClass, line, "SMTP:" + line});
}

}  // namespace

void TMapiControl::Assign(platform::TStringList& target, const platform::TStringList& lines) {
  if (&target == &lines) return;
  target.BeginUpdate();
  target.Clear();
  target.AddStrings(lines);
  target.EndUpdate();
}

int TMapiControl::Sendmail() {
  if (platform::GetProfileInt("mail", "mapi", 0) != 1) {
    platform::MessageBox("System does not support MAPI mail server");
    return platform::MAPI_E_NOT_SUPPORTED;
  }

  platform::MapiMessage message;
  AddRecipients(message.recips, recipients_, platform::MAPI_TO);
  AddRecipients(message.recips, copyTo_, platform::MAPI_CC);
  AddRecipients(message.recips, blindCopyTo_, platform::MAPI_BCC);

  if (attachedFiles_.Count() > 0) {
    displayFileName_.Clear();
    for (const std::string& path : attachedFiles_) {
      const std::string name = platform::ExtractFileName(path);
      displayFileName_.Add(name);
      message.files.push_back({0, -1, path, name, ""});
    }
  }

  message.subject = Subject;
  message.noteText = Body;
  message.originator = platform::MapiRecipDesc{platform::MAPI_ORIG, FromName, FromAdress};

  const unsigned long flags =
      ShowDialog ? platform::MAPI_LOGON_UI | platform::MAPI_NEW_SESSION | platform::MAPI_DIALOG : 0;
  const int result =
      int(platform::MAPISendMail(0, QApplication::activeWindow(), message, flags, 0));

  if (result == platform::SUCCESS_SUCCESS) {
    if (OnSuccess) OnSuccess();
  } else if (result == platform::MAPI_USER_ABORT) {
    if (OnUserAbort) OnUserAbort();
  } else if (OnMapiError) {
    OnMapiError(result);
  }
  return result;
}

}  // namespace core
