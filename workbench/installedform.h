#pragma once
// "Installed Dravlen" (the main window's "Manage database..."): lists the
// installed catalogs with their model counts, shows one in the compressor
// selection dialog and deletes one, keeping a backup copy beside it with the
// extension "._mp". Created once at start-up and shown modally.
//
// Settings: "Col1" (width of the "Name" column) in the per-program key's
// "Settings"; the window's position in its own subkey ("InstalledForm").
//
// Filling the list walks every catalog with the process-wide compressor, so
// the compressor is left on the last catalog (and its last model) afterwards.
#include <QDialog>

#include <functional>
#include <string>

class QLabel;
class QTableWidget;
class QToolButton;

namespace workbench {

class TInstalledForm : public QDialog {
 public:
  explicit TInstalledForm(QWidget* parent = nullptr);
  ~TInstalledForm() override;

  // Shows the dialog modally.
  int ShowModal();

  // Shows the compressor selection dialog modally once ViewCatalog has made
  // the chosen catalog and its first model current. The default shows the
  // dialog the program created (CompForm()); tests put their own here.
  std::function<void()> ShowCompForm;

  QTableWidget* ListView1() const { return listView1_; }
  QLabel* SummaryLabel() const { return summaryLabel_; }
  QToolButton* ViewButton() const { return speedButton1_; }
  QToolButton* DeleteButton() const { return speedButton2_; }
  QToolButton* CloseButton() const { return speedButton3_; }

  // An item's texts: caption (name), first sub-item (model count) and
  // second sub-item (full path). "" outside the list.
  std::string ItemCaption(int row) const;
  std::string ItemCount(int row) const;
  std::string ItemPath(int row) const;
  int ItemCount() const;
  // The selected row, -1 when none.
  int SelectedRow() const;
  void SelectRow(int row);

  // Handlers, public so that the owner and tests can drive them as the
  // window's events do.
  void FormShow();
  void FormClose();
  void FormKeyDown(int& key);
  void ListView1DblClick();
  void SpeedButton1Click();   // View
  void SpeedButton2Click();   // Delete
  void SpeedButton3Click();   // Close

  // Internal operations, public for the same reason.
  void FillCatalogList();
  void ViewCatalog();
  void DeleteCatalog();

  void done(int result) override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void BuildControls();
  void LoadSettings();
  void SaveSettings();

  QToolButton* speedButton1_ = nullptr;
  QToolButton* speedButton2_ = nullptr;
  QToolButton* speedButton3_ = nullptr;
  QTableWidget* listView1_ = nullptr;
  QLabel* summaryLabel_ = nullptr;
  std::string settingsKey_;
};

// The dialog the program created at start-up (null before and after).
TInstalledForm* InstalledForm();
void SetInstalledForm(TInstalledForm* form);

}  // namespace workbench
