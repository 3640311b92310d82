#pragma once
// "Refrigerant": chooses the refrigerant library's refrigerant and shows its
// properties at a temperature and the matching dew pressure. A tool window
// created for one use and freed afterwards; clicking a designation selects it
// in the library at once, "OK" keeps the choice and any other way of closing
// puts the library back on the refrigerant it had when the window was made.
#include <QDialog>

#include <string>

class QEvent;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QStatusBar;
class QLabel;

namespace core {
class TFmtEdit;
class TFmtEditLabel;
}  // namespace core

namespace workbench {

class TRefrigTypeForm : public QDialog {
  Q_OBJECT

 public:
  explicit TRefrigTypeForm(QWidget* parent = nullptr);
  ~TRefrigTypeForm() override;

  QListWidget* RefrigList() const { return refrigList_; }
  core::TFmtEdit* EdTemp() const { return edTemp_; }
  core::TFmtEdit* EdPress() const { return edPress_; }
  QPlainTextEdit* Memo() const { return memo_; }
  core::TFmtEditLabel* TempUnits() const { return tempLabel_; }
  core::TFmtEditLabel* PressUnits() const { return pressLabel_; }
  QPushButton* OkButton() const { return okButton_; }
  std::string StatusText() const;

  // Sets the temperature (°C) and the pressure from it.
  void Init(double temperature);
  double Temperature() const;   // °C; the edit's value, or 0 when it holds no number
  double PressureKPa() const;   // kPa absolute; likewise

  // Handlers, public so that the owner and tests can drive them as the
  // window's events do.
  void FormActivate();
  void FormKeyDown(int& key);
  void RefrigListClick();
  void EdTempExit();
  void EdPressExit();
  void ShowRefrigProperties();

  void done(int result) override;

 protected:
  bool event(QEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  // FormActivate, once per showing.
  void ActivateOnce();
  void FillList();
  void PressureFromTemperature();
  void SetStatus(const std::string& text);

  QListWidget* refrigList_ = nullptr;
  core::TFmtEdit* edTemp_ = nullptr;
  core::TFmtEdit* edPress_ = nullptr;
  core::TFmtEditLabel* tempLabel_ = nullptr;
  core::TFmtEditLabel* pressLabel_ = nullptr;
  QPlainTextEdit* memo_ = nullptr;
  QPushButton* okButton_ = nullptr;
  QStatusBar* statusBar_ = nullptr;
  QLabel* statusLabel_ = nullptr;
  std::string initialRefrigerant_;   // the library's choice before this window
  bool activatedThisShowing_ = false;
};

}  // namespace workbench
