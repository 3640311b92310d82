#include "workbench/smtpsettingsform.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "core/cipher.h"
#include "core/environment.h"
#include "platform/guard.h"
#include "platform/registry.h"
#include "platform/sysutils.h"

namespace workbench {

namespace {

// The workbench's fixed pass phrase of the enciphered settings.
const char* const SettingsPassPhrase = "k7wR4pe9";
const char* const SettingsSection = "filtr";

std::string SectionKey(const std::string& section) { return std::string(core::CommonRegistryKey) + section; }

}  // namespace

std::string ReadCommonString(const std::string& section, const std::string& key, const std::string& fallback) {
  platform::TRegistry reg;
  if (!reg.OpenKeyReadOnly(SectionKey(section)) || !reg.ValueExists(key)) return fallback;
  if (reg.GetDataType(key) == platform::TRegDataType::rdInteger) return platform::IntToStr(reg.ReadInteger(key));
  return reg.ReadString(key);
}

void WriteCommonString(const std::string& section, const std::string& key, const std::string& value) {
  platform::TRegistry reg;
  if (!reg.OpenKey(SectionKey(section), true))
    throw platform::ERegistryException("Failed to set data for '" + key + "'");
  reg.WriteString(key, value);
}

int ReadCommonInteger(const std::string& section, const std::string& key, int fallback) {
  platform::TRegistry reg;
  if (!reg.OpenKeyReadOnly(SectionKey(section)) || !reg.ValueExists(key)) return fallback;
  if (reg.GetDataType(key) == platform::TRegDataType::rdInteger) return reg.ReadInteger(key);
  return platform::StrToIntDef(platform::Trim(reg.ReadString(key)), fallback);
}

void WriteCommonInteger(const std::string& section, const std::string& key, int value) {
  platform::TRegistry reg;
  if (!reg.OpenKey(SectionKey(section), true))
    throw platform::ERegistryException("Failed to set data for '" + key + "'");
  reg.WriteInteger(key, value);
}

// ---------------------------------------------------------------------------

std::string TSMTPSettingsForm::EncryptSetting(const std::string& text) {
  return core::CryptStr(text, SettingsPassPhrase, 1);
}

std::string TSMTPSettingsForm::ReadEncryptedString(const std::string& section, const std::string& key,
                                                   const std::string& fallback) {
  return core::CryptStr(ReadCommonString(section, key, fallback), SettingsPassPhrase, 0);
}

int TSMTPSettingsForm::ReadEncryptedInteger(const std::string& section, const std::string& key, int fallback) {
  const std::string text = ReadEncryptedString(section, key, EncryptSetting(platform::IntToStr(fallback)));
  return platform::StrToInt(platform::Trim(text));   // EConvertError on a damaged value
}

TSMTPSettingsForm::TSMTPSettingsForm(QWidget* parent) : QDialog(parent) {
  setObjectName("SMTPSettingsForm");
  setWindowTitle("SMTP Settings:");

  edServer = new QLineEdit(this);
  sePort = new QSpinBox(this);
  sePort->setRange(0, 65535);
  edUserName = new QLineEdit(this);
  edPassword = new QLineEdit(this);
  edPassword->setEchoMode(QLineEdit::Password);
  edPopServer = new QLineEdit(this);
  sePopPort = new QSpinBox(this);
  sePopPort->setRange(0, 65535);
  lbPopPort = new QLabel("POP port", this);
  lbPopPort->setBuddy(sePopPort);

  auto* authBox = new QGroupBox("Authentication", this);
  auto* authLayout = new QVBoxLayout(authBox);
  rbAuthType = new QButtonGroup(this);
  const char* const captions[3] = {"No authentication", "SMTP authentication", "POP-before-SMTP authentication"};
  for (int i = 0; i < 3; ++i) {
    rbAuth[i] = new QRadioButton(captions[i], authBox);
    rbAuthType->addButton(rbAuth[i], i);
    authLayout->addWidget(rbAuth[i]);
  }
  connect(rbAuthType, &QButtonGroup::idClicked, this, [this](int) { platform::guarded([&] { rbAuthTypeClick(); }); });

  auto* form = new QFormLayout;
  form->addRow("SMTP server", edServer);
  form->addRow("Port", sePort);
  form->addRow(authBox);
  form->addRow("User name", edUserName);
  form->addRow("Password", edPassword);
  form->addRow("POP server", edPopServer);
  form->addRow(lbPopPort, sePopPort);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(buttons);

  // FormCreate
  ResetControls();
  platform::guarded([&] { LoadSettings(); });
  rbAuthTypeClick();
}

TSMTPSettingsForm::~TSMTPSettingsForm() = default;

int TSMTPSettingsForm::AuthIndex() const { return std::max(0, rbAuthType->checkedId()); }

void TSMTPSettingsForm::SetAuthIndex(int index) {
  if (index < 0 || index > 2) index = 0;
  rbAuth[index]->setChecked(true);
  rbAuthTypeClick();
}

void TSMTPSettingsForm::ResetControls() {
  edServer->clear();
  sePort->setValue(25);
  edUserName->clear();
  edPassword->clear();
  edPopServer->clear();
  sePopPort->setValue(110);
  SetAuthIndex(AuthNone);
}

void TSMTPSettingsForm::LoadSettings() {
  try {
    const std::string server = ReadEncryptedString(SettingsSection, "prm", "");
    const int port = ReadEncryptedInteger(SettingsSection, "npc", 25);
    const std::string user = ReadEncryptedString(SettingsSection, "sec", "");
    const std::string password = ReadEncryptedString(SettingsSection, "nsc", "");
    const std::string popServer = ReadEncryptedString(SettingsSection, "trt", "");
    const int popPort = ReadEncryptedInteger(SettingsSection, "ntc", 110);
    const int kind = ReadEncryptedInteger(SettingsSection, "knd", 0);
    edServer->setText(QString::fromStdString(server));
    sePort->setValue(port);
    edUserName->setText(QString::fromStdString(user));
    edPassword->setText(QString::fromStdString(password));
    edPopServer->setText(QString::fromStdString(popServer));
    sePopPort->setValue(popPort);
    SetAuthIndex(kind);
  } catch (...) {
    ResetControls();
    throw;
  }
}

void TSMTPSettingsForm::SaveSettings() {
  WriteCommonString(SettingsSection, "prm", EncryptSetting(edServer->text().toStdString()));
  WriteCommonString(SettingsSection, "npc", EncryptSetting(platform::IntToStr(sePort->value())));
  WriteCommonString(SettingsSection, "sec", EncryptSetting(edUserName->text().toStdString()));
  WriteCommonString(SettingsSection, "nsc", EncryptSetting(edPassword->text().toStdString()));
  WriteCommonString(SettingsSection, "trt", EncryptSetting(edPopServer->text().toStdString()));
  WriteCommonString(SettingsSection, "ntc", EncryptSetting(platform::IntToStr(sePopPort->value())));
  WriteCommonString(SettingsSection, "knd", EncryptSetting(platform::IntToStr(AuthIndex())));
}

void TSMTPSettingsForm::rbAuthTypeClick() {
  const int kind = AuthIndex();
  const bool login = kind == AuthSMTP || kind == AuthPopBeforeSMTP;
  const bool pop = kind == AuthPopBeforeSMTP;
  edUserName->setEnabled(login);
  edPassword->setEnabled(login);
  edPopServer->setEnabled(pop);
  lbPopPort->setEnabled(pop);
  sePopPort->setEnabled(pop);
}

void TSMTPSettingsForm::FormShow() { rbAuthTypeClick(); }

void TSMTPSettingsForm::FormClose() { SaveSettings(); }

void TSMTPSettingsForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  platform::guarded([&] { FormShow(); });
}

void TSMTPSettingsForm::done(int result) {
  platform::guarded([&] { FormClose(); });
  QDialog::done(result);
}

}  // namespace workbench
