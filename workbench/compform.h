#pragma once
// "Select Compressor": lets the user try the installed catalogs. It lists the
// catalogs that hold compressors for the current refrigerant, the models of
// the chosen catalog, the model's data, and its cooling capacity and heat
// rejection at an evaluating point with a duty factor. Every number comes
// from the process-wide compressor (core::Comp) and refrigerant library; the
// dialog only chooses what they work on. Created once at start-up (after the
// core modules) and kept to the end; the main window's "Try" and the
// installed-catalog dialog set the compressor up and then call ShowModal.
//
// Settings: "CompressorTe" and "CompressorTc" in the per-program key's
// "Settings"; "UnitsTemp", "UnitsDuty" and "DataPath" in the common key's
// "Compressor"; the window's position in its own subkey ("CompForm").
//
// With no catalog installed, the first activation (and the first of each
// modal showing) asks to look for them. Declining, or a chosen folder holding
// none, asks for the application to end: the dialog closes, EndRequested()
// becomes true and OnEndApplication is called. Ending is the program's
// business; the dialog never exits the process.
#include <QDialog>

#include <functional>
#include <string>
#include <vector>

class QEvent;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class QStatusBar;
class QToolButton;

namespace core {
class TFmtEdit;
class TFmtEditLabel;
}  // namespace core

namespace workbench {

class TRefrigTypeForm;
struct TDutyResult;

// What the catalog search came to.
enum class TCatalogSearch {
  Found,            // catalogs were found and listed; the folder is stored as "DataPath"
  Cancelled,        // the folder browser was cancelled; the lists stay empty
  EndApplication,   // the question was declined, or the folder held no catalog
};

class TCompForm : public QDialog {
 public:
  explicit TCompForm(QWidget* parent = nullptr);
  ~TCompForm() override;

  // Shows the dialog modally; QDialog::Accepted when the user accepted a
  // model, QDialog::Rejected otherwise (also when the application is to end).
  int ShowModal();

  // Fired after each recalculation (nothing in the system assigns it).
  std::function<void()> OnChange;
  // Called once the dialog has asked for the application to end (after it
  // closed itself). The program's entry ends the application without saving
  // the main window's settings.
  std::function<void()> OnEndApplication;
  bool EndRequested() const { return endRequested_; }

  // Whether the refrigerant label and its two arrows may be used (true at
  // creation); applied at the next activation.
  bool RefrigEnabled() const { return refrigEnabled_; }
  void SetRefrigEnabled(bool enabled) { refrigEnabled_ = enabled; }

  double Te() const { return te_; }   // °C
  double Tc() const { return tc_; }   // °C
  // Stores the evaluating point (°C) and shows it in the two temperature edits.
  void SetTemperatures(double te, double tc);

  // The controls, for the owner's tests and for the installed-catalog dialog.
  QLabel* RefrigLabel() const { return refrigLabel_; }
  QLabel* Image1() const { return image1_; }
  QLabel* Image2() const { return image2_; }
  QListWidget* FileNames() const { return fileNames_; }
  QListWidget* CompNames() const { return compNames_; }
  core::TFmtEdit* DutyFactorEdit() const { return dutyFactorEdit_; }
  core::TFmtEdit* EdEvapTemp() const { return edEvapTemp_; }
  core::TFmtEdit* EdCondTemp() const { return edCondTemp_; }
  core::TFmtEdit* EdQe() const { return edQe_; }
  core::TFmtEdit* EdQc() const { return edQc_; }
  core::TFmtEditLabel* EvapTempUnits() const { return evapUnits_; }
  core::TFmtEditLabel* CondTempUnits() const { return condUnits_; }
  core::TFmtEditLabel* QeUnits() const { return qeUnits_; }
  core::TFmtEditLabel* QcUnits() const { return qcUnits_; }
  QPlainTextEdit* DataMemo() const { return dataMemo_; }
  QToolButton* AcceptButton() const { return toolButton1_; }
  QToolButton* CancelButton() const { return toolButton2_; }
  std::string StatusText() const;
  // Full path of each entry of FileNames.
  const std::vector<std::string>& FilePaths() const { return filePaths_; }

  // Runs the refrigerant dialog modally (tests put their own runner here);
  // returns its result.
  std::function<int(TRefrigTypeForm& form)> RunRefrigForm;

  // Handlers, public so that the owner and tests can drive them as the
  // window's events do.
  void FormActivate();
  void FormDeactivate();
  void FormKeyDown(int& key);
  void FileNamesClick();
  void CompNamesClick();
  void EdEvapTempExit();
  void EdCondTempExit();
  void DutyFactorEditExit();
  void ToolButton1Click();   // Accept
  void ToolButton2Click();   // Cancel
  void RefrigLabelClick();
  void Image1MouseDown();
  void Image2MouseDown();

  // Internal operations, public for the same reason.
  void LoadSettings();
  void SaveSettings();
  void FillFileList();
  void RestoreSelection();
  void ShowModelData();
  void RecalcDuty();
  TCatalogSearch SearchCatalogFolder();
  void SetStatus(const std::string& text);

 protected:
  bool event(QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void BuildControls();
  void WireHandlers();
  void RefrigerantChanged();
  void ShowDuty(const TDutyResult& duty);
  void SetRefrigLabel(const std::string& designation);
  std::string RefrigLabelText() const;
  void CommitFocusedEdit();
  void EndApplication();
  static int SelectedIndex(const QListWidget* list);
  void SelectRow(QListWidget* list, int row);

  QLabel* refrigLabel_ = nullptr;
  QLabel* image1_ = nullptr;
  QLabel* image2_ = nullptr;
  QListWidget* fileNames_ = nullptr;
  QListWidget* compNames_ = nullptr;
  core::TFmtEdit* dutyFactorEdit_ = nullptr;
  core::TFmtEdit* edEvapTemp_ = nullptr;
  core::TFmtEdit* edCondTemp_ = nullptr;
  core::TFmtEdit* edQe_ = nullptr;
  core::TFmtEdit* edQc_ = nullptr;
  core::TFmtEditLabel* evapUnits_ = nullptr;
  core::TFmtEditLabel* condUnits_ = nullptr;
  core::TFmtEditLabel* qeUnits_ = nullptr;
  core::TFmtEditLabel* qcUnits_ = nullptr;
  QPlainTextEdit* dataMemo_ = nullptr;
  QToolButton* toolButton1_ = nullptr;
  QToolButton* toolButton2_ = nullptr;
  QStatusBar* statusBar_ = nullptr;
  QLabel* statusLabel_ = nullptr;

  std::vector<std::string> filePaths_;
  std::string settingsKey_;
  double te_ = 5.0;
  double tc_ = 48.0;
  bool refrigEnabled_ = true;
  bool firstActivation_ = true;
  bool activatedThisShowing_ = false;
  bool autoSelect_ = true;
  bool endRequested_ = false;
  bool inActivate_ = false;
};

// The dialog the program created at start-up (null before and after).
TCompForm* CompForm();
void SetCompForm(TCompForm* form);

}  // namespace workbench
