#pragma once
// The main window: the data-folder and source-file browser, the model list,
// the tabs with the report pages, plots, Verify page and source text, the
// status line, the settings kept between runs, the actions with their menus,
// and the handlers that tie the source-file logic (TSourceFile, TVerifier,
// TCurveFit, TCatalogBuilder, TReportPages, TReportPlots) to the widgets.
// The window is the TActionHost of the file actions.
//
// Every handler runs through platform::guarded: an error raised in it ends
// the handler with a message box and the window keeps what it showed.
#include <QMainWindow>

#include <functional>
#include <initializer_list>
#include <memory>
#include <string>

#include "platform/stringlist.h"
#include "workbench/actionhost.h"
#include "workbench/catalogbuild.h"
#include "workbench/curvefit.h"
#include "workbench/pages.h"
#include "workbench/plots.h"
#include "workbench/sourcefile.h"

class QAction;
class QLabel;
class QListWidget;
class QMenu;
class QSplitter;
class QTabWidget;

namespace core {
class TGraphPanel;
}
namespace editor {
class TTextEdit;
class TIniHighlighter;
}

namespace workbench {

class TDirectoryListBox;
class TFileListBox;
class TPageView;
class TEmailForm;

// The tabs of the page control, by index (LastPage stores the index).
enum TMainPage : int { pgHeader = 0, pgModel = 1, pgRegression = 2, pgPlot = 3, pgVerify = 4, pgEdit = 5 };

class TMainForm : public QMainWindow {
 public:
  // FormCreate: settings, folder list, file list selection, model object.
  explicit TMainForm(QWidget* parent = nullptr);
  ~TMainForm() override;   // FormDestroy

  // ---- Controls (for the program's dialogs and the tests).
  TDirectoryListBox* DirectoryListBox = nullptr;
  TFileListBox* FileListBox = nullptr;
  QListWidget* ModelListBox = nullptr;
  QWidget* TopPanel = nullptr;
  QSplitter* Splitter1 = nullptr;   // between the top panel and the rest
  QSplitter* Splitter2 = nullptr;   // between the file list and the model list
  QLabel* Image1 = nullptr;         // previous compressor
  QLabel* Image2 = nullptr;         // next compressor
  QLabel* Image3 = nullptr;         // verify current file
  QLabel* NoticeLabel = nullptr;
  QTabWidget* PageControl = nullptr;
  TPageView* hView = nullptr;
  TPageView* mView = nullptr;
  TPageView* rView = nullptr;
  TPageView* eView = nullptr;
  QWidget* PlotSheet = nullptr;
  core::TGraphPanel* QPlot = nullptr;
  core::TGraphPanel* PPlot = nullptr;
  editor::TTextEdit* TextEdit1 = nullptr;
  editor::TIniHighlighter* IniHighlighter1 = nullptr;
  QMenu* FilePopup = nullptr;       // the file list's pop-up menu

  QAction* ActionSave = nullptr;
  QAction* ActionSaveAs = nullptr;
  QAction* ActionManageDB = nullptr;
  QAction* ActionEditHilight = nullptr;
  QAction* ActionAddCoeff = nullptr;
  QAction* ActionRemoveCoeff = nullptr;
  QAction* ActionVerify = nullptr;
  QAction* ActionBuild = nullptr;
  QAction* ActionInstall = nullptr;
  QAction* ActionVerifyAll = nullptr;
  QAction* ActionBuildAll = nullptr;
  QAction* ActionInstallAll = nullptr;
  QAction* ActionTry = nullptr;
  QAction* ActionHelp = nullptr;
  QAction* ActionSend = nullptr;
  QAction* Exit1 = nullptr;
  QAction* Deletecompressor1 = nullptr;

  // The status bar's panels: 0 "Ready..." / "Modified...", 1 the file.
  std::string StatusText(int panel) const;
  bool Modified() const { return modified_; }
  int PanelHeight() const;

  TSourceFile& Source() { return source_; }
  TSourceFileList& Files() { return files_; }
  TReportPlots& Plots() { return plots_; }
  // The editor's whole text (UTF-8, lines joined by CR LF).
  std::string EditorText() const;

  // The dialog "Send for checking" shows (created by CreateApplicationWindows).
  TEmailForm* EmailForm = nullptr;
  // Save As asks for the file here: folder and file name to start with; ""
  // when cancelled. The default is the platform's save dialog.
  std::function<std::string(const std::string& folder, const std::string& file)> ChooseSaveFile;

  // Settings values as read at creation and written at close.
  std::string LastPath, LastFile;
  int LastPage = 0;

  // ---- Handlers.
  void FormActivate();
  void FormClose();
  void FormKeyDown(int& key);
  void FormResize();
  void DirectoryListBoxChange();
  void FileListBoxClick();
  void ModelListBoxClick();
  void TextEdit1Change();
  void Image1MouseDown();
  void Image2MouseDown();
  void Image3MouseDown();
  void Exit1Click();
  void Deletecompressor1Click();

  void ActionSaveExecute();
  void ActionSaveAsExecute();
  void ActionManageDBExecute();
  void ActionEditHilightExecute();
  void ActionAddCoeffExecute();
  void ActionRemoveCoeffExecute();
  void ActionVerifyExecute();
  void ActionVerifyAllExecute();
  void ActionBuildExecute();
  void ActionBuildAllExecute();
  void ActionInstallExecute();
  void ActionInstallAllExecute();
  void ActionTryExecute();
  void ActionHelpExecute();
  void ActionSendExecute();

  // ---- Internal operations.
  void LoadSettings();
  void SaveSettings();
  void NextCompressor();
  void PreviousCompressor();
  bool CheckFileLoaded();
  void SetModified(bool flag);

  // Closes the window without saving the settings (the compressor selection
  // dialog ends the application this way).
  void EndWithoutSaving();

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildControls();
  void BuildActions();
  void BuildMenus();
  void BindHost();
  void SetDesignedColours();
  QAction* MakeAction(const char* name, const char* caption, const char* hint, int image, const char* shortcut,
                      void (TMainForm::*handler)());
  TPageView* View(TActionPage page) const;
  TPageView* View(TReportView view) const;
  void ClearViews(std::initializer_list<TPageView*> views);
  // Empties the model list; the pages then show no model of it.
  void ClearModelList();
  void EmptyWindow();
  void LoadEditor(const std::string& path);
  void ClearEditor();
  void SelectModelRow(int row);
  void BackToShownModel();
  void RunWalkingModels(const std::function<void()>& action);
  void ApplyPanelHeight();
  void SetStatus(int panel, const std::string& text);

  TSourceFile source_;
  TSourceFileList files_;
  TActionHost host_;
  TReportPages pages_;
  TReportPlots plots_;
  TCurveFit curveFit_;
  TCatalogBuilder builder_;
  std::unique_ptr<editor::TIniHighlighter> highlighter_;

  QLabel* statusPanel0_ = nullptr;
  QLabel* statusPanel1_ = nullptr;
  std::string settingsKey_;
  int panelHeight_ = 154;
  bool panelHeightApplied_ = false;
  bool modified_ = false;
  bool activated_ = false;
  bool saveSettingsOnClose_ = true;
  bool fillingModels_ = false;
  // The model the Model and Regression pages show, as read: its row in the
  // model list and the model object's contents. Not set when the pages show
  // no model of the listed file.
  bool modelShown_ = false;
  int shownRow_ = -1;
  core::TCompData shownModel_;
};

// The main window and the five dialogs, created in this order: TMainForm,
// TCompForm, TSMTPSettingsForm, TEmailForm, TInstalledForm, TColorEdForm.
// The dialogs are children of the main window and die with it; the
// process-wide references (CompForm(), InstalledForm(), ColorEdForm()) are
// set. When the compressor selection dialog finds no catalog and the user
// declines to look for one, only the dialog closes: the window keeps its
// unsaved text and saves its settings at its close as always.
std::unique_ptr<TMainForm> CreateApplicationWindows();

// The settings key of the main window ("Settings" below the per-program key).
std::string MainSettingsKey();

}  // namespace workbench
