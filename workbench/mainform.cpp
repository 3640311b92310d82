#include "workbench/mainform.h"

#include <QAction>
#include <QCloseEvent>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <iterator>

#include "core/comp.h"
#include "core/environment.h"
#include "core/graphpanel.h"
#include "core/refriglib.h"
#include "core/verinfo.h"
#include "editor/inihighlighter.h"
#include "editor/textedit.h"
#include "platform/colors.h"
#include "platform/dialogs.h"
#include "platform/fonts.h"
#include "platform/guard.h"
#include "platform/qtext.h"
#include "platform/keys.h"
#include "platform/registry.h"
#include "platform/scopeguard.h"
#include "platform/shell.h"
#include "platform/sysutils.h"
#include "workbench/actionimages.h"
#include "workbench/coloredform.h"
#include "workbench/compform.h"
#include "workbench/emailform.h"
#include "workbench/folderlists.h"
#include "workbench/installedform.h"
#include "workbench/keypreview.h"
#include "workbench/pageview.h"
#include "workbench/smtpsettingsform.h"
#include "workbench/verify.h"

namespace workbench {

namespace {

// Design size of the client area.
constexpr int kDesignWidth = 709;
constexpr int kDesignHeight = 592;
constexpr int kFolderListWidth = 153;
constexpr int kDefaultPanelHeight = 154;
constexpr int kMinPanelHeight = 120;
constexpr int kMinPageHeight = 100;
constexpr int kStatusPanel0Width = 120;
constexpr int kStatusPanel1Width = 280;
// The highlighter's designed colours (the colours file replaces them).
constexpr platform::Colour kSectionBackground = 4097113;
constexpr platform::Colour kKeyForeground = 12615680;

using platform::Q;

// A picture that runs its handler when the mouse goes down on it.
class TClickImage : public QLabel {
 public:
  TClickImage(const QImage& image, const char* name, const char* hint, QWidget* parent) : QLabel(parent) {
    setObjectName(name);
    setPixmap(QPixmap::fromImage(image));
    setToolTip(hint);
    setFixedSize(kActionImageSize + 4, kActionImageSize + 4);
    setAlignment(Qt::AlignCenter);
    setCursor(Qt::PointingHandCursor);
  }
  std::function<void()> OnMouseDown;

 protected:
  void mousePressEvent(QMouseEvent* event) override {
    QLabel::mousePressEvent(event);
    platform::guarded([this] {
      if (OnMouseDown) OnMouseDown();
    });
  }
};

std::string ReadText(platform::TRegistry& reg, const char* name, const std::string& fallback) {
  try {
    if (reg.ValueExists(name)) return reg.ReadString(name);
  } catch (const platform::Exception&) {
  }
  return fallback;
}

// The actions' log is a list of lines, most of them plain text, which a page
// would run together; each becomes a line of its own there. A heading or a
// paragraph already is one.
platform::TStringList LogPage(const platform::TStringList& log) {
  static const char* const kBlockEnds[] = {"</h1>", "</h2>", "</h3>", "</h4>", "</h5>", "</h6>", "</p>"};
  platform::TStringList page;
  for (const std::string& line : log.Items()) {
    const bool block = std::any_of(std::begin(kBlockEnds), std::end(kBlockEnds),
                                   [&line](const char* end) { return line.ends_with(end); });
    page.Add(block ? line : line + "<br>");
  }
  return page;
}

}  // namespace

std::string MainSettingsKey() { return core::ProgramRegistryKey() + "\\Settings"; }

// ---------------------------------------------------------------------------
// Creation (FormCreate) and destruction

TMainForm::TMainForm(QWidget* parent)
    : QMainWindow(parent),
      pages_(source_),
      plots_(source_),
      curveFit_(source_, host_),
      builder_(source_, files_, host_) {
  setObjectName("MainForm");
  source_.IsValidFile = false;
  settingsKey_ = MainSettingsKey();
  std::string caption = "Dravlen";
  try {
    caption = core::GetVersionCaption(platform::ProgramFilePath());
  } catch (const std::exception&) {
    // A program file without version information keeps the plain title.
  }
  setWindowTitle(Q(caption));
  resize(kDesignWidth, kDesignHeight);

  BuildControls();
  BuildActions();
  BuildMenus();
  BindHost();
  plots_.Attach(*QPlot, *PPlot);

  LastPage = 0;
  LastPath = core::ApplicationDir() + "Data Files/";
  LastFile.clear();
  LoadSettings();

  if (platform::DirectoryExists(LastPath)) DirectoryListBox->SetDirectory(LastPath);
  source_.CurrentFile = LastFile;
  files_.SelectPath(LastFile);
  FileListBox->ShowSelection();
  SetModified(false);

  InstallKeyPreview(this, [this](int& key) { FormKeyDown(key); });
}

TMainForm::~TMainForm() {
  // The panels' callbacks refer to the plots object, which dies first.
  if (QPlot) QPlot->OnPaint = nullptr;
  if (PPlot) PPlot->OnPaint = nullptr;
  if (TextEdit1) {
    TextEdit1->OnChange = nullptr;
    TextEdit1->SetHighlighter(nullptr);
  }
}

void TMainForm::BuildControls() {
  auto* central = new QWidget(this);
  setCentralWidget(central);
  auto* outer = new QVBoxLayout(central);
  outer->setContentsMargins(0, 0, 0, 0);
  outer->setSpacing(0);

  // Top panel: folder list, file list, splitter, model list.
  TopPanel = new QWidget;
  TopPanel->setObjectName("TopPanel");
  TopPanel->setMinimumHeight(kMinPanelHeight);
  auto* top = new QHBoxLayout(TopPanel);
  top->setContentsMargins(0, 0, 0, 0);
  top->setSpacing(2);
  DirectoryListBox = new TDirectoryListBox(TopPanel);
  DirectoryListBox->setFixedWidth(kFolderListWidth);
  FileListBox = new TFileListBox(files_);
  ModelListBox = new QListWidget;
  ModelListBox->setObjectName("ModelListBox");
  Splitter2 = new QSplitter(Qt::Horizontal);
  Splitter2->setObjectName("Splitter2");
  Splitter2->addWidget(FileListBox);
  Splitter2->addWidget(ModelListBox);
  Splitter2->setChildrenCollapsible(false);
  Splitter2->setSizes({300, 250});
  top->addWidget(DirectoryListBox);
  top->addWidget(Splitter2, 1);

  // Below the splitter: the navigation panel and the page control.
  auto* lower = new QWidget;
  auto* lowerLayout = new QVBoxLayout(lower);
  lowerLayout->setContentsMargins(0, 0, 0, 0);
  lowerLayout->setSpacing(0);
  auto* navigation = new QWidget;
  navigation->setObjectName("NavPanel");
  auto* nav = new QHBoxLayout(navigation);
  nav->setContentsMargins(4, 2, 4, 2);
  auto* image1 = new TClickImage(NavigationImage(TNavigationImage::Previous), "Image1", "Previous compressor (F3)", navigation);
  auto* image2 = new TClickImage(NavigationImage(TNavigationImage::Next), "Image2", "Next compressor (F4)", navigation);
  auto* image3 = new TClickImage(NavigationImage(TNavigationImage::Verify), "Image3", "Verify current file...", navigation);
  image1->OnMouseDown = [this] { Image1MouseDown(); };
  image2->OnMouseDown = [this] { Image2MouseDown(); };
  image3->OnMouseDown = [this] { Image3MouseDown(); };
  Image1 = image1;
  Image2 = image2;
  Image3 = image3;
  NoticeLabel = new QLabel("...");
  NoticeLabel->setObjectName("NoticeLabel");
  QFont noticeFont = NoticeLabel->font();
  noticeFont.setPixelSize(16);
  NoticeLabel->setFont(noticeFont);
  NoticeLabel->setStyleSheet("color: #800000;");
  nav->addWidget(Image1);
  nav->addWidget(Image2);
  nav->addSpacing(8);
  nav->addWidget(Image3);
  nav->addSpacing(12);
  nav->addWidget(NoticeLabel, 1);

  PageControl = new QTabWidget;
  PageControl->setObjectName("PageControl");
  PageControl->setMinimumHeight(kMinPageHeight);
  auto makeView = [](const char* name) {
    auto* view = new TPageView;
    view->setObjectName(name);
    return view;
  };
  hView = makeView("hView");
  mView = makeView("mView");
  rView = makeView("rView");
  eView = makeView("eView");
  PlotSheet = new QWidget;
  PlotSheet->setObjectName("PlotSheet");
  QPlot = new core::TGraphPanel(PlotSheet);
  QPlot->setObjectName("QPlot");
  PPlot = new core::TGraphPanel(PlotSheet);
  PPlot->setObjectName("PPlot");
  PlotSheet->installEventFilter(this);
  TextEdit1 = new editor::TTextEdit;
  TextEdit1->setObjectName("TextEdit1");
  platform::Font editorFont;
  editorFont.name = "Courier New";
  editorFont.height = -13;
  TextEdit1->SetFont(editorFont);
  highlighter_ = std::make_unique<editor::TIniHighlighter>();
  IniHighlighter1 = highlighter_.get();
  SetDesignedColours();
  TextEdit1->SetHighlighter(IniHighlighter1);
  TextEdit1->OnChange = [this](editor::TCustomTextEdit*) { platform::guarded([this] { TextEdit1Change(); }); };

  PageControl->addTab(hView, "Header");
  PageControl->addTab(mView, "Model");
  PageControl->addTab(rView, "Regression");
  PageControl->addTab(PlotSheet, "Plot");
  PageControl->addTab(eView, "Verify");
  PageControl->addTab(TextEdit1, "Edit");
  lowerLayout->addWidget(navigation);
  lowerLayout->addWidget(PageControl, 1);

  Splitter1 = new QSplitter(Qt::Vertical);
  Splitter1->setObjectName("Splitter1");
  Splitter1->addWidget(TopPanel);
  Splitter1->addWidget(lower);
  Splitter1->setStretchFactor(0, 0);
  Splitter1->setStretchFactor(1, 1);
  Splitter1->setChildrenCollapsible(false);
  outer->addWidget(Splitter1, 1);

  // Status bar: two panels, 120 and 280 pixels.
  statusPanel0_ = new QLabel;
  statusPanel0_->setObjectName("StatusPanel0");
  statusPanel0_->setFixedWidth(kStatusPanel0Width);
  statusPanel1_ = new QLabel;
  statusPanel1_->setObjectName("StatusPanel1");
  statusPanel1_->setMinimumWidth(kStatusPanel1Width);
  statusBar()->addWidget(statusPanel0_);
  statusBar()->addWidget(statusPanel1_, 1);
  statusBar()->setSizeGripEnabled(true);

  // The file list's pop-up menu.
  FilePopup = new QMenu(this);
  FilePopup->setObjectName("PopupMenu1");
  Deletecompressor1 = FilePopup->addAction("Delete compressor source file");
  Deletecompressor1->setObjectName("Deletecompressor1");
  connect(Deletecompressor1, &QAction::triggered, this, [this] { platform::guarded([this] { Deletecompressor1Click(); }); });
  FileListBox->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(FileListBox, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& pos) { FilePopup->popup(FileListBox->viewport()->mapToGlobal(pos)); });

  DirectoryListBox->OnChange = [this] { DirectoryListBoxChange(); };
  FileListBox->OnClick = [this] { FileListBoxClick(); };
  connect(ModelListBox, &QListWidget::currentRowChanged, this, [this](int) {
    if (fillingModels_) return;
    platform::guarded([this] { ModelListBoxClick(); });
  });
}

void TMainForm::SetDesignedColours() {
  IniHighlighter1->CommentAttri()->SetForeground(platform::clSilver);
  IniHighlighter1->SectionAttri()->SetForeground(platform::clWhite);
  IniHighlighter1->SectionAttri()->SetBackground(kSectionBackground);
  IniHighlighter1->KeyAttri()->SetForeground(kKeyForeground);
  IniHighlighter1->SymbolAttri()->SetForeground(platform::clGray);
}

QAction* TMainForm::MakeAction(const char* name, const char* caption, const char* hint, int image,
                               const char* shortcut, void (TMainForm::*handler)()) {
  auto* action = new QAction(caption, this);
  action->setObjectName(name);
  if (hint) action->setToolTip(hint);
  if (image >= 0) action->setIcon(QIcon(QPixmap::fromImage(ActionImage(image))));
  if (shortcut) {
    action->setShortcut(QKeySequence(shortcut));
    action->setShortcutContext(Qt::WindowShortcut);
    addAction(action);   // the short cut works while the menu is closed
  }
  connect(action, &QAction::triggered, this, [this, handler] { platform::guarded([this, handler] { (this->*handler)(); }); });
  return action;
}

void TMainForm::BuildActions() {
  ActionSave = MakeAction("ActionSave", "&Save", "save source file", 0, "Ctrl+S", &TMainForm::ActionSaveExecute);
  ActionSaveAs = MakeAction("ActionSaveAs", "Save &As", nullptr, -1, nullptr, &TMainForm::ActionSaveAsExecute);
  ActionManageDB = MakeAction("ActionManageDB", "Manage database...", nullptr, 9, nullptr, &TMainForm::ActionManageDBExecute);
  ActionEditHilight = MakeAction("ActionEditHilight", "Editor Color Settings", nullptr, -1, nullptr,
                                 &TMainForm::ActionEditHilightExecute);
  ActionAddCoeff = MakeAction("ActionAddCoeff", "Add Coeff", "add curve fit", 2, nullptr, &TMainForm::ActionAddCoeffExecute);
  ActionRemoveCoeff = MakeAction("ActionRemoveCoeff", "Remove Coeff", "remove curve fit", 3, nullptr,
                                 &TMainForm::ActionRemoveCoeffExecute);
  ActionVerify = MakeAction("ActionVerify", "Verify source file", "verify source file", 1, nullptr,
                            &TMainForm::ActionVerifyExecute);
  ActionBuild = MakeAction("ActionBuild", "Build catalog file", "build catalog file", 4, nullptr,
                           &TMainForm::ActionBuildExecute);
  ActionInstall = MakeAction("ActionInstall", "Install to database", "install to database", 6, nullptr,
                             &TMainForm::ActionInstallExecute);
  ActionVerifyAll = MakeAction("ActionVerifyAll", "Verify All...", nullptr, -1, nullptr, &TMainForm::ActionVerifyAllExecute);
  ActionBuildAll = MakeAction("ActionBuildAll", "Build All...", nullptr, -1, nullptr, &TMainForm::ActionBuildAllExecute);
  ActionInstallAll = MakeAction("ActionInstallAll", "Install All...", nullptr, -1, nullptr,
                                &TMainForm::ActionInstallAllExecute);
  ActionTry = MakeAction("ActionTry", "Try", "try wth compressor editor", 7, nullptr, &TMainForm::ActionTryExecute);
  ActionHelp = MakeAction("ActionHelp", "Help", "open help page", 8, "F1", &TMainForm::ActionHelpExecute);
  ActionSend = MakeAction("ActionSend", "Send for checking", "email for checking", 5, nullptr, &TMainForm::ActionSendExecute);
  Exit1 = MakeAction("Exit1", "E&xit", nullptr, -1, nullptr, &TMainForm::Exit1Click);
}

void TMainForm::BuildMenus() {
  QMenuBar* bar = menuBar();
  QMenu* file = bar->addMenu("&File");
  file->setObjectName("File1");
  file->addAction(ActionSave);
  file->addAction(ActionSaveAs);
  file->addSeparator();
  file->addAction(ActionManageDB);
  file->addAction(ActionEditHilight);
  file->addSeparator();
  file->addAction(Exit1);

  QMenu* curve = bar->addMenu("&Curve");
  curve->setObjectName("Curve1");
  curve->addAction(ActionAddCoeff);
  curve->addAction(ActionRemoveCoeff);

  QMenu* process = bar->addMenu("&Process");
  process->setObjectName("Process1");
  process->addAction(ActionVerify);
  process->addSeparator();
  // The menu entry has a caption of its own; it runs the action.
  QAction* build = process->addAction(ActionBuild->icon(), "Build compressor file");
  build->setObjectName("Buildcompressorfile1");
  build->setToolTip(ActionBuild->toolTip());
  connect(build, &QAction::triggered, ActionBuild, &QAction::trigger);
  process->addAction(ActionInstall);
  process->addSeparator();
  process->addAction(ActionVerifyAll);
  process->addAction(ActionBuildAll);
  process->addAction(ActionInstallAll);
  process->addSeparator();
  process->addAction(ActionTry);

  QMenu* help = bar->addMenu("&Help");
  help->setObjectName("Help1");
  help->addAction(ActionHelp);
  help->addSeparator();
  help->addAction(ActionSend);

  for (QMenu* menu : {file, curve, process, help}) menu->setToolTipsVisible(true);
}

void TMainForm::BindHost() {
  host_.EditorText = [this] { return EditorText(); };
  host_.ClearPage = [this](TActionPage page) {
    PageControl->setCurrentWidget(View(page));
    View(page)->Clear();
  };
  host_.ShowPage = [this](TActionPage page, const platform::TStringList& lines) {
    // The Verify page of Build and Install shows their log.
    View(page)->LoadLines(page == TActionPage::Verify ? LogPage(lines) : lines);
    View(page)->Repaint();
  };
  host_.SetNotice = [this](const std::string& text) { NoticeLabel->setText(Q(text)); };
  // The notice is painted at once; no messages are let through.
  host_.ProcessMessages = [this] { NoticeLabel->repaint(); };
  host_.ReloadEditor = [this] { LoadEditor(source_.CurrentFile); };
  host_.FileListClick = [this] {
    FileListBox->ShowSelection();
    FileListBoxClick();
  };
  host_.FileListChanged = [this] { FileListBox->Refill(); };

  pages_.ClearView = [this](TReportView view) { View(view)->Clear(); };
  pages_.LoadView = [this](TReportView view, const platform::TStringList& lines) {
    View(view)->LoadLines(lines);
    View(view)->Repaint();
  };
}

TPageView* TMainForm::View(TActionPage page) const { return page == TActionPage::Verify ? eView : rView; }

TPageView* TMainForm::View(TReportView view) const {
  switch (view) {
    case TReportView::Header: return hView;
    case TReportView::Model: return mView;
    case TReportView::Regression: return rView;
  }
  return hView;
}

// ---------------------------------------------------------------------------
// Settings

void TMainForm::LoadSettings() {
  core::RestoreFormState(*this, false, true);
  platform::TRegistry reg;
  if (reg.OpenKeyReadOnly(settingsKey_)) {
    const std::string path = ReadText(reg, "LastPath", LastPath);
    if (platform::DirectoryExists(path)) LastPath = path;
    LastFile = ReadText(reg, "LastFile", LastFile);
    LastPage = platform::ReadIntegerEitherWay(reg, "LastPage").value_or(LastPage);
    panelHeight_ = platform::ReadIntegerEitherWay(reg, "PanelHeight").value_or(kDefaultPanelHeight);
    reg.CloseKey();
  }
  if (panelHeight_ < kMinPanelHeight) panelHeight_ = kMinPanelHeight;
  const std::string colours = core::ApplicationDir() + "syntax.ini";
  if (platform::FileExists(colours)) IniHighlighter1->LoadFromFile(colours);
}

void TMainForm::SaveSettings() {
  core::SaveFormState(*this);
  platform::TRegistry reg;
  if (reg.OpenKey(settingsKey_, true)) {
    reg.WriteString("LastPath", LastPath);
    reg.WriteString("LastFile", LastFile);
    reg.WriteInteger("LastPage", LastPage);
    reg.WriteInteger("PanelHeight", PanelHeight());
    reg.CloseKey();
  }
  IniHighlighter1->SaveToFile(core::ApplicationDir() + "syntax.ini");
}

int TMainForm::PanelHeight() const { return panelHeightApplied_ ? TopPanel->height() : panelHeight_; }

void TMainForm::ApplyPanelHeight() {
  const int total = Splitter1->height() - Splitter1->handleWidth();
  if (total <= 0) return;
  const int top = std::max(kMinPanelHeight, std::min(panelHeight_, total - kMinPageHeight));
  Splitter1->setSizes({top, total - top});
  panelHeightApplied_ = true;
}

// ---------------------------------------------------------------------------
// Window events

void TMainForm::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (activated_) return;
  activated_ = true;
  // The layout has its sizes once the window is shown.
  if (QLayout* layout = centralWidget()->layout()) layout->activate();
  ApplyPanelHeight();
  FormResize();
  // Only the first activation runs the handler: later ones (after every
  // dialog and message box) would reload the file and drop unsaved edits.
  platform::guarded([this] { FormActivate(); });
}

void TMainForm::FormActivate() {
  plots_.Attach(*QPlot, *PPlot);
  PageControl->setCurrentIndex(LastPage >= 0 && LastPage < PageControl->count() ? LastPage : 0);
  FileListBoxClick();
}

void TMainForm::closeEvent(QCloseEvent* event) {
  if (saveSettingsOnClose_) platform::guarded([this] { FormClose(); });
  event->accept();
}

void TMainForm::FormClose() {
  LastPage = PageControl->currentIndex();
  LastFile = source_.CurrentFile;
  LastPath = DirectoryListBox->Directory();
  if (!LastPath.empty()) LastPath = platform::IncludeTrailingPathDelimiter(LastPath);
  SaveSettings();
}

void TMainForm::EndWithoutSaving() {
  saveSettingsOnClose_ = false;
  close();
}

void TMainForm::Exit1Click() { close(); }

void TMainForm::FormKeyDown(int& key) {
  if (key == platform::VK_F3) {
    key = 0;
    PreviousCompressor();
  } else if (key == platform::VK_F4) {
    key = 0;
    NextCompressor();
  }
}

void TMainForm::keyPressEvent(QKeyEvent* event) {
  // Keys that reach the window itself (no control has the focus).
  const platform::KeyStroke stroke = platform::TranslateKey(event);
  int key = stroke.vk;
  if (stroke.shift == 0 && (key == platform::VK_F3 || key == platform::VK_F4)) {
    platform::guarded([this, &key] { FormKeyDown(key); });
    return;
  }
  QMainWindow::keyPressEvent(event);
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == PlotSheet && event->type() == QEvent::Resize) FormResize();
  return QMainWindow::eventFilter(watched, event);
}

void TMainForm::FormResize() {
  const int width = PlotSheet->width();
  const int height = PlotSheet->height();
  const int half = width / 2;
  QPlot->setGeometry(0, 0, half, height);
  PPlot->setGeometry(half, 0, width - half, height);
}

// ---------------------------------------------------------------------------
// Browsing

void TMainForm::ClearViews(std::initializer_list<TPageView*> views) {
  for (TPageView* view : views) {
    view->Clear();
    view->Repaint();
  }
}

void TMainForm::ClearModelList() {
  fillingModels_ = true;
  ModelListBox->clear();
  fillingModels_ = false;
  modelShown_ = false;
}

void TMainForm::ClearEditor() {
  TextEdit1->Lines().Clear();
  source_.EditorFile.clear();
}

void TMainForm::LoadEditor(const std::string& path) {
  TextEdit1->Lines().LoadFromFile(path);
  source_.EditorFile = path;
  // The editor holds the file as saved.
  SetModified(false);
}

// The window shows no source file: model list, editor, viewers and plots empty.
void TMainForm::EmptyWindow() {
  ClearModelList();
  ClearEditor();
  ClearViews({hView, mView, rView, eView});
  QPlot->update();
  PPlot->update();
}

void TMainForm::DirectoryListBoxChange() {
  source_.IsValidFile = false;
  EmptyWindow();
  LastPath = DirectoryListBox->Directory();
  files_.SetFolder(LastPath);
  FileListBox->Refill();
}

void TMainForm::FileListBoxClick() {
  const std::string path = files_.SelectedPath();
  if (path.empty()) {
    source_.CurrentFile.clear();
    return;
  }
  source_.VerifyLog.Clear();
  eView->Clear();
  eView->Repaint();
  source_.CurrentFile = path;
  // The text first: a file that cannot be read leaves the editor as it was.
  LoadEditor(path);
  source_.CheckFileType();
  if (!source_.IsValidFile) {
    SetStatus(1, "Invalid data file...");
    EmptyWindow();
    return;
  }
  source_.LoadModelList();
  ClearModelList();
  fillingModels_ = true;
  for (const std::string& name : source_.ModelList) ModelListBox->addItem(Q(name));
  fillingModels_ = false;
  source_.LoadHeader();
  pages_.ShowHeader();
  // Named before the model is read: the file is loaded even when its first
  // model cannot be read.
  SetStatus(1, source_.CurrentFile);
  SelectModelRow(0);
  ModelListBoxClick();
}

void TMainForm::SelectModelRow(int row) {
  fillingModels_ = true;
  ModelListBox->setCurrentRow(row);
  fillingModels_ = false;
}

void TMainForm::ModelListBoxClick() {
  const int row = ModelListBox->currentRow();
  try {
    TIniPass pass(source_);
    source_.SelectModel(row);
  } catch (...) {
    BackToShownModel();
    throw;
  }
  modelShown_ = true;
  shownRow_ = row;
  shownModel_ = source_.CompData;
  pages_.ShowModel();
  pages_.ShowCoefficients();
  plots_.ScaleCoolingPlot();
  plots_.ScalePowerPlot();
}

// A model that cannot be read leaves the pages as they were; the model list
// and the model object go back to the model they show, so that the next
// action works on that one. When the pages show a model of another file (the
// first model of a newly loaded file failed), no model is shown at all.
void TMainForm::BackToShownModel() {
  if (modelShown_) {
    source_.CompData = shownModel_;
    SelectModelRow(shownRow_);
    return;
  }
  source_.CompData = core::TCompData();
  SelectModelRow(-1);
  ClearViews({mView, rView});
  QPlot->update();
  PPlot->update();
}

// The curve fit and the builder read every model into the model object; the
// one the pages show is put back afterwards (also when the action failed).
void TMainForm::RunWalkingModels(const std::function<void()>& action) {
  platform::ScopeGuard restore([this] { source_.CompData = modelShown_ ? shownModel_ : core::TCompData(); });
  action();
}

void TMainForm::NextCompressor() {
  const int model = ModelListBox->currentRow();
  if (model < 0 || model >= ModelListBox->count() - 1) {
    if (files_.Count() == 0) return;
    files_.ItemIndex = files_.ItemIndex < 0 ? 0 : (files_.ItemIndex + 1) % files_.Count();
    FileListBox->ShowSelection();
    FileListBoxClick();
    SelectModelRow(0);
  } else {
    SelectModelRow(model + 1);
  }
  // A file without models (not a source file) has nothing to show.
  if (ModelListBox->currentRow() >= 0) ModelListBoxClick();
}

void TMainForm::PreviousCompressor() {
  const int model = ModelListBox->currentRow();
  if (model <= 0) {
    if (files_.Count() == 0) return;
    files_.ItemIndex = files_.ItemIndex <= 0 ? files_.Count() - 1 : files_.ItemIndex - 1;
    FileListBox->ShowSelection();
    FileListBoxClick();
    SelectModelRow(ModelListBox->count() - 1);
  } else {
    SelectModelRow(model - 1);
  }
  if (ModelListBox->currentRow() >= 0) ModelListBoxClick();
}

void TMainForm::Image1MouseDown() { PreviousCompressor(); }
void TMainForm::Image2MouseDown() { NextCompressor(); }
void TMainForm::Image3MouseDown() { ActionVerifyExecute(); }

void TMainForm::TextEdit1Change() { SetModified(true); }

void TMainForm::SetModified(bool flag) {
  modified_ = flag;
  SetStatus(0, flag ? "Modified..." : "Ready...");
}

void TMainForm::SetStatus(int panel, const std::string& text) {
  (panel == 0 ? statusPanel0_ : statusPanel1_)->setText(Q(text));
}

std::string TMainForm::StatusText(int panel) const {
  return (panel == 0 ? statusPanel0_ : statusPanel1_)->text().toStdString();
}

std::string TMainForm::EditorText() const { return TextEdit1->Lines().TextUtf8(); }

bool TMainForm::CheckFileLoaded() { return workbench::CheckFileLoaded(source_, host_); }

// ---------------------------------------------------------------------------
// Actions

void TMainForm::ActionSaveExecute() {
  if (!CheckFileLoaded()) return;
  const std::string target = source_.SaveTarget();
  if (target.empty()) {
    platform::MessageBox("The editor does not hold " + source_.CurrentFile + "; nothing was saved.");
    return;
  }
  TextEdit1->Lines().SaveToFile(target);
  SetModified(false);
  // The shown model is read again from the saved file.
  if (source_.IsValidFile && ModelListBox->currentRow() >= 0) ModelListBoxClick();
}

void TMainForm::ActionSaveAsExecute() {
  if (!CheckFileLoaded()) return;
  std::string chosen;
  const std::string folder = platform::ExtractFilePath(source_.CurrentFile);
  if (ChooseSaveFile) {
    chosen = ChooseSaveFile(folder, source_.CurrentFile);
  } else {
    QFileDialog dialog(this, "Save As", Q(folder), "Dravlen data file (*.ini)");
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix("ini");
    dialog.selectFile(Q(source_.CurrentFile));
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
      chosen = dialog.selectedFiles().first().toStdString();
  }
  if (chosen.empty()) return;
  // The editor's text goes to the new file, which becomes the one it holds.
  TextEdit1->Lines().SaveToFile(chosen);
  source_.CurrentFile = chosen;
  source_.EditorFile = chosen;
  SetModified(false);
  files_.Update();
  files_.SelectPath(chosen);
  if (platform::IncludeTrailingPathDelimiter(platform::ExtractFilePath(chosen)) != files_.Folder())
    files_.ItemIndex = -1;
  FileListBox->Refill();
  SetStatus(1, source_.CurrentFile);
}

void TMainForm::ActionVerifyExecute() {
  if (!CheckFileLoaded()) return;
  PageControl->setCurrentWidget(eView);
  eView->Clear();
  TVerifier verifier(source_);
  verifier.VerifySourceFile(true);
  eView->LoadLines(source_.VerifyLog);
  eView->Repaint();
}

void TMainForm::ActionVerifyAllExecute() {
  PageControl->setCurrentWidget(eView);
  eView->Clear();
  source_.VerifyLog.Clear();
  // Where the tick and cross pictures lie.
  eView->SetBase(core::ApplicationDir() + "Help/");
  std::vector<std::string> paths;
  for (const std::string& name : files_.Names()) paths.push_back(files_.Folder() + name);
  const int selected = files_.ItemIndex;
  struct Reselect {
    TMainForm& form;
    int selected;
    ~Reselect() {
      // The list shows the file the editor holds again.
      form.files_.ItemIndex = selected;
      form.FileListBox->ShowSelection();
    }
  } reselect{*this, selected};
  TVerifier verifier(source_);
  verifier.VerifyAll(paths, [this](size_t i) {
    files_.ItemIndex = static_cast<int>(i);
    FileListBox->ShowSelection();
  });
  eView->LoadLines(source_.VerifyLog);
  eView->Repaint();
}

void TMainForm::ActionAddCoeffExecute() {
  RunWalkingModels([this] { curveFit_.ActionAddCoeffExecute(); });
}
void TMainForm::ActionRemoveCoeffExecute() { curveFit_.ActionRemoveCoeffExecute(); }
void TMainForm::ActionBuildExecute() {
  RunWalkingModels([this] { builder_.ActionBuildExecute(); });
}
void TMainForm::ActionBuildAllExecute() {
  RunWalkingModels([this] { builder_.ActionBuildAllExecute(); });
}
void TMainForm::ActionInstallExecute() { builder_.ActionInstallExecute(); }
void TMainForm::ActionInstallAllExecute() { builder_.ActionInstallAllExecute(); }
void TMainForm::Deletecompressor1Click() {
  const std::string deleted = files_.SelectedPath();
  builder_.Deletecompressor1Click();
  if (deleted.empty() || deleted != source_.CurrentFile || platform::FileExists(deleted)) return;
  // The current file is gone: the window holds no file, so that no action
  // writes it back under its old name. The editor keeps its text and the
  // pages what they show; the model list named the file's models.
  source_.CurrentFile.clear();
  source_.EditorFile.clear();
  ClearModelList();
  SetStatus(1, "");
}

void TMainForm::ActionTryExecute() {
  core::RefrigLib().SelectByNumber(source_.Header.RefrigNumber);
  if (!core::CompExists()) core::SetComp(std::make_unique<core::TComp>("", 7.5, 5.0));
  core::Comp().SetModel(source_.CompData.Name);
  if (TCompForm* form = CompForm()) form->ShowModal();
}

void TMainForm::ActionManageDBExecute() {
  if (TInstalledForm* form = InstalledForm()) form->ShowModal();
}

void TMainForm::ActionEditHilightExecute() {
  if (TColorEdForm* form = ColorEdForm()) {
    form->SetHighlighter(IniHighlighter1);
    form->ShowModal();
  }
}

void TMainForm::ActionHelpExecute() {
  const std::string page = core::ApplicationDir() + "Help/index.htm";
  if (!platform::ShellOpen(page)) platform::MessageBox("Cannot open the help page " + page);
}

void TMainForm::ActionSendExecute() {
  if (!CheckFileLoaded()) return;
  if (!EmailForm) return;
  SetupCheckingMessage(*EmailForm, source_.CurrentFile);
  EmailForm->exec();
}

// ---------------------------------------------------------------------------

std::unique_ptr<TMainForm> CreateApplicationWindows() {
  auto main = std::make_unique<TMainForm>();
  auto* comp = new TCompForm(main.get());
  SetCompForm(comp);
  auto* smtp = new TSMTPSettingsForm(main.get());
  auto* email = new TEmailForm(smtp, main.get());
  main->EmailForm = email;
  auto* installed = new TInstalledForm(main.get());
  SetInstalledForm(installed);
  auto* colours = new TColorEdForm(main.get());
  SetColorEdForm(colours);
  // Declining the catalog search only closes the dialog (OnEndApplication
  // stays unset): ending the program there would drop the editor's unsaved
  // text and the window's settings.
  return main;
}

}  // namespace workbench
