#pragma once
// "Email": shows the prepared "Send for checking" message (sender, name and
// company, recipients, subject, body, attachments) for editing and sends it
// through the user's mail client (Simple MAPI) or through SMTP with the
// settings of the SMTP settings dialog. Sending runs on the user-interface
// thread; the SMTP client's time-outs bound how long it can block.
#include <QDialog>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/stringlist.h"

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QStatusBar;
class QTreeWidget;

namespace core {
class TMapiControl;
}

namespace workbench {

class TSMTPSettingsForm;

// What "Send for checking" mails.
extern const char* const CheckingAddress;   // the maker's checking address
extern const char* const CheckingSubject;   // "Compressor data file"
extern const char* const CheckingBody;      // "Please confirm validity of the attached compressor data file..."

// The protocols, as stored in "User"/"Protocol".
enum : int { ProtocolMAPI = 0, ProtocolSMTP = 1 };

class TEmailForm : public QDialog {
 public:
  // FormCreate. The settings dialog may be null (no SMTP settings: the
  // defaults are used and "Settings" does nothing).
  explicit TEmailForm(TSMTPSettingsForm* settings, QWidget* parent = nullptr);
  ~TEmailForm() override;   // FormDestroy

  // Stores the message fields; attachments is a comma-separated list of
  // paths (a text that names one existing file is that one file, commas and
  // all).
  void SetupMessage(const std::string& recipients, const std::string& blindCopy, const std::string& subject,
                    const std::string& body, const std::string& attachments, const std::string& fromName,
                    const std::string& company, const std::string& fromAddress);
  void SetupMessage(const std::string& recipients, const std::string& blindCopy, const std::string& subject,
                    const std::string& body, const platform::TStringList& attachments,
                    const std::string& fromName, const std::string& company, const std::string& fromAddress);

  // Handlers.
  void FormActivate();
  void FormClose();
  void FormKeyDown(int& key);
  void SendButtonClick();
  void SettingsButtonClick();
  void Button1Click();        // "Protocol"
  void CancelButtonClick();   // "Close"
  void Label3Click();         // "Attachments:": add a file
  void AttachmentListDblClick();
  void MapiMapiError(int code);
  void WMDropFiles(const std::vector<std::string>& paths);

  // Internal steps.
  void LoadSettings();
  void SaveSettings();
  void GetDefaultSender();
  void FillControls();
  void GatherFields();
  // 0 sent, 1 failed. A failed SMTP connection raises.
  int SendEmail();
  void ShowProtocol();
  void AddAttachment(const std::string& path);

  // The fields.
  int Protocol() const { return protocol_; }
  int SendResult() const { return sendResult_; }
  const platform::TStringList& Attachments() const { return attachments_; }
  std::string FromName() const { return fromName_; }
  std::string Company() const { return company_; }
  std::string FromAddress() const { return fromAddress_; }
  std::string Recipients() const { return recipients_; }
  std::string BlindCopy() const { return blindCopy_; }
  std::string Subject() const { return subject_; }
  std::string Body() const { return body_; }
  std::string SmtpHost() const { return smtpHost_; }
  int SmtpPort() const { return smtpPort_; }
  int AuthKind() const { return authKind_; }
  std::string UserName() const { return userName_; }
  std::string Password() const { return password_; }
  std::string PopHost() const { return popHost_; }
  int PopPort() const { return popPort_; }
  // The status bar's panels.
  std::string StatusText() const;
  std::string ProtocolText() const;
  core::TMapiControl& Mapi() { return *mapi_; }

  // The open dialog of "Attachments:": returns the chosen file, or "" when
  // cancelled. Tests replace it.
  std::function<std::string(const std::string& startFolder)> ChooseFile;

  QLineEdit* FromAddressEd = nullptr;
  QLineEdit* FromNameEd = nullptr;
  QLineEdit* FromCompanyEd = nullptr;
  QLineEdit* RecipientsEd = nullptr;
  QLineEdit* SubjectEd = nullptr;
  QPlainTextEdit* BodyEd = nullptr;
  QTreeWidget* AttachmentList = nullptr;
  QLabel* AttachmentsLabel = nullptr;
  QPushButton* SendButton = nullptr;
  QPushButton* SettingsButton = nullptr;
  QPushButton* ProtocolButton = nullptr;
  QPushButton* CloseButton = nullptr;
  QStatusBar* StatusBar = nullptr;

 protected:
  void showEvent(QShowEvent* event) override;
  void done(int result) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void BuildControls();
  void TakeSettings();
  void FitAttachmentColumns();
  void SetStatus(const std::string& text);

  TSMTPSettingsForm* settings_ = nullptr;
  std::unique_ptr<core::TMapiControl> mapi_;
  QLabel* statusPanel_ = nullptr;
  QLabel* protocolPanel_ = nullptr;
  std::string attachmentFolder_;
  bool filled_ = false;   // the controls show the fields

  std::string defaultName_, defaultCompany_, defaultAddress_;
  int smtpPort_ = 25;
  int popPort_ = 110;
  std::string smtpHost_, popHost_, userName_, password_;
  int authKind_ = 0;
  int protocol_ = ProtocolMAPI;
  std::string recipients_, blindCopy_, subject_, body_;
  platform::TStringList attachments_;
  std::string fromName_, company_, fromAddress_;
  int sendResult_ = 0;
};

// "Send for checking" after the main window has checked that a file is
// loaded: the checking address, no blind copy, the subject and body above,
// the current file attached, and the sender from the company information
// (a company value that is empty keeps what the dialog holds).
void SetupCheckingMessage(TEmailForm& form, const std::string& currentFile);

}  // namespace workbench
