#pragma once
// "SMTP Settings:": the SMTP server, port, user name and password, the POP
// server and port and the authentication kind the e-mail dialog sends with.
// The values live enciphered in the Common key's "filtr" section, read when
// the dialog is created and written when it closes.
#include <QDialog>

#include <string>

class QButtonGroup;
class QLabel;
class QLineEdit;
class QRadioButton;
class QSpinBox;

namespace workbench {

// Values of a section under the Common key ("Software\Quillbarrow\Common\").
// A value that is missing, or not of the kind asked for, reads as fallback.
std::string ReadCommonString(const std::string& section, const std::string& key, const std::string& fallback);
void WriteCommonString(const std::string& section, const std::string& key, const std::string& value);
int ReadCommonInteger(const std::string& section, const std::string& key, int fallback);
void WriteCommonInteger(const std::string& section, const std::string& key, int value);

// The authentication kinds, as the index of the choice.
enum : int { AuthNone = 0, AuthSMTP = 1, AuthPopBeforeSMTP = 2 };

class TSMTPSettingsForm : public QDialog {
 public:
  // FormCreate: builds the controls and loads the stored settings. Settings
  // that cannot be read reset the controls and are reported through the
  // error hook; the dialog is created all the same.
  explicit TSMTPSettingsForm(QWidget* parent = nullptr);
  ~TSMTPSettingsForm() override;

  // Reads the seven "filtr" values into the controls. On any failure the
  // controls get the defaults (empty server, port 25, empty user name,
  // password and POP server, POP port 110, no authentication) and the error
  // passes on.
  void LoadSettings();
  // Writes the seven values, each enciphered (numbers as decimal text).
  void SaveSettings();
  void FormShow();
  void FormClose();
  // Enables the controls the chosen authentication needs.
  void rbAuthTypeClick();

  int AuthIndex() const;
  void SetAuthIndex(int index);

  // The enciphered store.
  static std::string EncryptSetting(const std::string& text);
  static std::string ReadEncryptedString(const std::string& section, const std::string& key,
                                         const std::string& fallback);
  static int ReadEncryptedInteger(const std::string& section, const std::string& key, int fallback);

  QLineEdit* edServer = nullptr;
  QSpinBox* sePort = nullptr;
  QLineEdit* edUserName = nullptr;
  QLineEdit* edPassword = nullptr;
  QLineEdit* edPopServer = nullptr;
  QLabel* lbPopPort = nullptr;
  QSpinBox* sePopPort = nullptr;
  QButtonGroup* rbAuthType = nullptr;
  QRadioButton* rbAuth[3] = {};

 protected:
  void showEvent(QShowEvent* event) override;
  void done(int result) override;

 private:
  void ResetControls();
};

}  // namespace workbench
