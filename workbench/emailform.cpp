#include "workbench/emailform.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QStyle>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

#include "core/environment.h"
#include "core/mapi.h"
#include "core/navigation.h"
#include "core/textutils.h"
#include "platform/dialogs.h"
#include "platform/guard.h"
#include "platform/qtext.h"
#include "platform/keys.h"
#include "platform/shell.h"
#include "platform/sysutils.h"
#include "workbench/keypreview.h"
#include "workbench/smtpclient.h"
#include "workbench/smtpcontrol.h"
#include "workbench/smtpsettingsform.h"

namespace workbench {

const char* const CheckingAddress = "datacheck@quillbarrow.example";
const char* const CheckingSubject = "Compressor data file";
const char* const CheckingBody = "Please confirm validity of the attached compressor data file...";

namespace {

const char* const UserSection = "User";

using platform::Q;
std::string S(const QString& text) { return text.toStdString(); }

// The items of a comma list, blanks trimmed, empty items dropped.
platform::TStringList CommaItems(const std::string& text) {
  platform::TStringList pieces;
  core::SplitToStrings(text, ',', pieces);
  platform::TStringList items;
  for (const std::string& piece : pieces) {
    const std::string item = platform::Trim(piece);
    if (!item.empty()) items.Add(item);
  }
  return items;
}

}  // namespace

TEmailForm::TEmailForm(TSMTPSettingsForm* settings, QWidget* parent)
    : QDialog(parent), settings_(settings), mapi_(std::make_unique<core::TMapiControl>()) {
  setObjectName("EmailForm");
  setWindowTitle("Email");
  BuildControls();
  mapi_->OnMapiError = [this](int code) { MapiMapiError(code); };

  // FormCreate
  attachmentFolder_ = core::ApplicationDir();
  GetDefaultSender();
  platform::guarded([&] { LoadSettings(); });
  setAcceptDrops(true);
}

TEmailForm::~TEmailForm() = default;

void TEmailForm::BuildControls() {
  FromAddressEd = new QLineEdit(this);
  FromNameEd = new QLineEdit(this);
  FromCompanyEd = new QLineEdit(this);
  RecipientsEd = new QLineEdit(this);
  SubjectEd = new QLineEdit(this);
  BodyEd = new QPlainTextEdit(this);
  AttachmentList = new QTreeWidget(this);
  AttachmentList->setColumnCount(2);
  AttachmentList->setHeaderLabels({"File", "Path"});
  AttachmentList->setRootIsDecorated(false);
  AttachmentList->setSelectionMode(QAbstractItemView::SingleSelection);
  AttachmentsLabel = new QLabel("Attachments:", this);
  AttachmentsLabel->setCursor(Qt::PointingHandCursor);
  AttachmentsLabel->installEventFilter(this);

  auto* grid = new QGridLayout;
  const std::pair<const char*, QWidget*> rows[] = {{"From addr.", FromAddressEd}, {"From name", FromNameEd},
                                                   {"Company", FromCompanyEd},    {"To addr.", RecipientsEd},
                                                   {"Subject", SubjectEd}};
  int row = 0;
  for (const auto& [caption, edit] : rows) {
    auto* label = new QLabel(caption, this);
    label->setBuddy(edit);
    grid->addWidget(label, row, 0);
    grid->addWidget(edit, row, 1);
    ++row;
  }
  grid->addWidget(BodyEd, row++, 0, 1, 2);
  grid->addWidget(AttachmentsLabel, row++, 0, 1, 2);
  grid->addWidget(AttachmentList, row++, 0, 1, 2);

  SendButton = new QPushButton("Send", this);
  SettingsButton = new QPushButton("Settings", this);
  ProtocolButton = new QPushButton("Protocol", this);
  CloseButton = new QPushButton("Close", this);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  for (QPushButton* b : {SendButton, SettingsButton, ProtocolButton, CloseButton}) {
    // Enter moves between the edits; it must not press a button.
    b->setAutoDefault(false);
    buttons->addWidget(b);
  }

  StatusBar = new QStatusBar(this);
  StatusBar->setSizeGripEnabled(false);
  statusPanel_ = new QLabel(this);
  statusPanel_->setFixedWidth(240);
  protocolPanel_ = new QLabel(this);
  protocolPanel_->setFixedWidth(400);
  StatusBar->addWidget(statusPanel_);
  StatusBar->addWidget(protocolPanel_);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addLayout(buttons);
  layout->addWidget(StatusBar);
  // Wide enough for both status panels, with room for the body and the list.
  resize(680, 560);

  auto guardedSlot = [this](void (TEmailForm::*handler)()) {
    return [this, handler] { platform::guarded([&] { (this->*handler)(); }); };
  };
  connect(SendButton, &QPushButton::clicked, this, guardedSlot(&TEmailForm::SendButtonClick));
  connect(SettingsButton, &QPushButton::clicked, this, guardedSlot(&TEmailForm::SettingsButtonClick));
  connect(ProtocolButton, &QPushButton::clicked, this, guardedSlot(&TEmailForm::Button1Click));
  connect(CloseButton, &QPushButton::clicked, this, guardedSlot(&TEmailForm::CancelButtonClick));
  connect(AttachmentList, &QTreeWidget::itemDoubleClicked, this,
          [this](QTreeWidgetItem*, int) { platform::guarded([&] { AttachmentListDblClick(); }); });
  // Shifted Enter, Up and Down move the focus as well.
  InstallKeyPreview(this, [this](int& key) { FormKeyDown(key); }, TPreviewKeys::All);
}

// ---------------------------------------------------------------------------
// Message fields

void TEmailForm::SetupMessage(const std::string& recipients, const std::string& blindCopy,
                              const std::string& subject, const std::string& body, const std::string& attachments,
                              const std::string& fromName, const std::string& company,
                              const std::string& fromAddress) {
  // A path holding a comma would otherwise be cut into names of files that
  // do not exist, and the file would silently stay behind.
  const std::string whole = platform::Trim(attachments);
  const platform::TStringList list =
      !whole.empty() && platform::FileExists(whole) ? platform::TStringList{whole} : CommaItems(attachments);
  SetupMessage(recipients, blindCopy, subject, body, list, fromName, company, fromAddress);
}

void TEmailForm::SetupMessage(const std::string& recipients, const std::string& blindCopy,
                              const std::string& subject, const std::string& body,
                              const platform::TStringList& attachments, const std::string& fromName,
                              const std::string& company, const std::string& fromAddress) {
  recipients_ = recipients;
  blindCopy_ = blindCopy;
  subject_ = subject;
  body_ = body;
  attachments_.Clear();
  attachments_.AddStrings(attachments);
  fromName_ = fromName;
  company_ = company;
  fromAddress_ = fromAddress;
  filled_ = false;
}

void TEmailForm::GetDefaultSender() {
  const core::RegisteredOwnerInfo owner = core::GetRegisteredOwner();
  defaultName_ = owner.owner;
  defaultCompany_ = owner.organisation;
  defaultAddress_ = core::DefaultMailAddress();
}

void TEmailForm::LoadSettings() {
  core::RestoreFormState(*this, false, true);
  fromName_ = ReadCommonString(UserSection, "Name", defaultName_);
  company_ = ReadCommonString(UserSection, "Company", defaultCompany_);
  fromAddress_ = ReadCommonString(UserSection, "EMail", defaultAddress_);
  protocol_ = ReadCommonInteger(UserSection, "Protocol", ProtocolMAPI) == ProtocolSMTP ? ProtocolSMTP : ProtocolMAPI;
  TakeSettings();
}

// The SMTP values of the settings dialog.
void TEmailForm::TakeSettings() {
  if (!settings_) return;
  smtpHost_ = platform::Trim(S(settings_->edServer->text()));
  smtpPort_ = platform::StrToIntDef(platform::Trim(S(settings_->sePort->text())), 25);
  authKind_ = settings_->AuthIndex();
  popHost_ = S(settings_->edPopServer->text());
  password_ = S(settings_->edPassword->text());
  userName_ = S(settings_->edUserName->text());
  popPort_ = platform::StrToIntDef(platform::Trim(S(settings_->sePopPort->text())), 110);
}

void TEmailForm::SaveSettings() {
  core::SaveFormState(*this);
  WriteCommonString(UserSection, "Name", fromName_);
  WriteCommonString(UserSection, "Company", company_);
  WriteCommonString(UserSection, "EMail", fromAddress_);
  WriteCommonInteger(UserSection, "Protocol", protocol_);
}

void TEmailForm::FillControls() {
  FromAddressEd->setText(Q(fromAddress_));
  FromNameEd->setText(Q(fromName_));
  FromCompanyEd->setText(Q(company_));
  RecipientsEd->setText(Q(recipients_));
  SubjectEd->setText(Q(subject_));
  BodyEd->setPlainText(Q(body_));
  AttachmentList->clear();
  const QIcon icon = style()->standardIcon(QStyle::SP_FileIcon);
  for (const std::string& path : attachments_) {
    auto* item = new QTreeWidgetItem(AttachmentList, {Q(platform::ExtractFileName(path)), Q(path)});
    item->setIcon(0, icon);
  }
  FitAttachmentColumns();
  filled_ = true;
}

void TEmailForm::GatherFields() {
  fromAddress_ = S(FromAddressEd->text());
  fromName_ = S(FromNameEd->text());
  company_ = S(FromCompanyEd->text());
  recipients_ = S(RecipientsEd->text());
  subject_ = S(SubjectEd->text());
  body_ = S(BodyEd->toPlainText());
  attachments_.Clear();
  for (int i = 0; i < AttachmentList->topLevelItemCount(); ++i)
    attachments_.Add(S(AttachmentList->topLevelItem(i)->text(1)));
}

// ---------------------------------------------------------------------------
// Handlers

void TEmailForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  platform::guarded([&] { FormActivate(); });
}

// Filled when the dialog is shown, not at every activation: coming back from
// the settings dialog must keep what the user typed.
void TEmailForm::FormActivate() {
  FillControls();
  ShowProtocol();
  SetStatus("Ready...");
}

void TEmailForm::done(int result) {
  platform::guarded([&] { FormClose(); });
  QDialog::done(result);
}

void TEmailForm::FormClose() {
  // What the user typed into the sender fields is what is kept.
  if (filled_) GatherFields();
  SaveSettings();
}

void TEmailForm::FormKeyDown(int& key) { core::NavigateEditKey(this, key); }

bool TEmailForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == AttachmentsLabel && event->type() == QEvent::MouseButtonRelease &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    platform::guarded([&] { Label3Click(); });
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

void TEmailForm::ShowProtocol() {
  protocolPanel_->setText(protocol_ == ProtocolMAPI   ? "MAPI - Messaging Application Program Interface"
                          : protocol_ == ProtocolSMTP ? "SMTP - Simple Mail Transfer Protocol"
                                                      : "");
}

void TEmailForm::Button1Click() {
  protocol_ = 1 - protocol_;
  ShowProtocol();
}

void TEmailForm::SettingsButtonClick() {
  if (!settings_) return;
  settings_->exec();
  // Changed settings count from now on, not from the next start.
  TakeSettings();
}

void TEmailForm::CancelButtonClick() { reject(); }

void TEmailForm::AddAttachment(const std::string& path) {
  auto* item = new QTreeWidgetItem(AttachmentList, {Q(platform::ExtractFileName(path)), Q(path)});
  item->setIcon(0, style()->standardIcon(QStyle::SP_FileIcon));
  FitAttachmentColumns();
}

void TEmailForm::FitAttachmentColumns() {
  // The file name column takes what its names need (at least its heading);
  // the path column gets the rest and is cut, not the names.
  AttachmentList->resizeColumnToContents(0);
  const int heading = AttachmentList->header()->fontMetrics().horizontalAdvance(AttachmentList->headerItem()->text(0));
  if (AttachmentList->columnWidth(0) < heading + 24) AttachmentList->setColumnWidth(0, heading + 24);
}

void TEmailForm::Label3Click() {
  std::string path;
  if (ChooseFile) {
    path = ChooseFile(attachmentFolder_);
  } else {
    path = S(QFileDialog::getOpenFileName(this, "Add attachment", Q(attachmentFolder_)));
  }
  if (path.empty()) return;
  attachmentFolder_ = platform::ExtractFilePath(path);
  AddAttachment(path);
}

void TEmailForm::AttachmentListDblClick() {
  QTreeWidgetItem* item = AttachmentList->currentItem();
  if (!item) return;
  platform::ShellOpen(S(item->text(1)));
}

void TEmailForm::WMDropFiles(const std::vector<std::string>& paths) {
  GatherFields();
  for (const std::string& path : paths)
    if (!path.empty()) attachments_.Add(path);
  FillControls();
}

void TEmailForm::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void TEmailForm::dropEvent(QDropEvent* event) {
  std::vector<std::string> paths;
  for (const QUrl& url : event->mimeData()->urls())
    if (url.isLocalFile()) paths.push_back(S(url.toLocalFile()));
  if (paths.empty()) return;
  event->acceptProposedAction();
  platform::guarded([&] { WMDropFiles(paths); });
}

// The error beep stands in for the system sound "Program Error".
void TEmailForm::MapiMapiError(int code) {
  platform::MessageBeep();
  SetStatus("Error sending email...");
}

void TEmailForm::SendButtonClick() {
  const int result = SendEmail();
  if (result == 0) {
    accept();
    return;
  }
  // A mail that did not go must not look as if it went: the dialog stays
  // open with the message, and an SMTP failure says why.
  if (protocol_ == ProtocolSMTP) {
    // The same signal as a mail client's error, and the server's reason.
    platform::MessageBeep();
    SetStatus("Error sending email...");
    const std::string reason = SMTPControl().LastError();
    platform::MessageBox(reason.empty() ? "Error sending email..." : reason, "", platform::MB_OK | platform::MB_ICONERROR);
  }
}

int TEmailForm::SendEmail() {
  // The window does not repaint while the mail goes out: no nested message
  // loop runs here, and the client's time-outs bound the wait.
  GatherFields();

  platform::TStringList lines;
  platform::TStringList bodyLines;
  bodyLines.SetText(body_);
  if (bodyLines.Count() == 0) lines.Add("");
  lines.AddStrings(bodyLines);
  for (const std::string& line : {std::string(), std::string(), fromName_, std::string(), company_, std::string(),
                                  fromAddress_})
    lines.Add(line);

  int result = 1;
  if (protocol_ == ProtocolSMTP) {
    TSMTPControl& control = SMTPControl();
    TSMTPClient smtp;
    smtp.Port = smtpPort_;
    smtp.Host = smtpHost_;
    smtp.Username = userName_;
    smtp.AuthType = authKind_ == AuthSMTP            ? TSMTPAuthType::satDefault
                    : authKind_ == AuthPopBeforeSMTP ? TSMTPAuthType::satSASL
                                                     : TSMTPAuthType::satNone;
    smtp.Password = password_;
    smtp.Connect();
    result = control.SendMimeMessage(smtp, lines, fromAddress_, recipients_, subject_, attachments_);
    smtp.Disconnect();
  } else {
    core::TMapiControl& mapi = *mapi_;
    mapi.ShowDialog = true;
    mapi.SetRecipients(CommaItems(recipients_));
    platform::TStringList blind;
    for (const std::string& line : CommaItems(platform::StringReplaceAll(blindCopy_, "\n", ","))) blind.Add(line);
    mapi.SetBlindCopyTo(blind);
    mapi.Subject = subject_;
    mapi.Body = lines.Text();
    mapi.SetAttachedFiles(attachments_);
    mapi.FromName = fromName_ + "," + company_;
    mapi.FromAdress = fromAddress_;
    result = mapi.Sendmail() == 0 ? 0 : 1;
  }
  sendResult_ = result;
  return result;
}

std::string TEmailForm::StatusText() const { return S(statusPanel_->text()); }

std::string TEmailForm::ProtocolText() const { return S(protocolPanel_->text()); }

void TEmailForm::SetStatus(const std::string& text) { statusPanel_->setText(Q(text)); }

// ---------------------------------------------------------------------------

void SetupCheckingMessage(TEmailForm& form, const std::string& currentFile) {
  const core::CompanyInfo& info = core::Company();
  auto pick = [](const std::string& value, const std::string& kept) { return value.empty() ? kept : value; };
  form.SetupMessage(CheckingAddress, "", CheckingSubject, CheckingBody, platform::TStringList{currentFile},
                    pick(info.user, form.FromName()), pick(info.company, form.Company()),
                    pick(info.email, form.FromAddress()));
}

}  // namespace workbench
