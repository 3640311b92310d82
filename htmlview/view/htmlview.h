#pragma once
// THtmlView: the windowed control that shows one HTML (or plain-text, or
// single-image) document. It owns the document root and the image cache it
// hands to it, a paint panel that draws through an off-screen bitmap, two
// scroll bars and a border. It runs the load road (reset, parse, fetch
// images, lay out, position), decides the layout width and which bars show,
// scrolls by bars, keys and wheel, selects with mouse and keyboard, follows
// links, keeps the visited-link list and the history, and prints through the
// viewer's printer object.
//
// The workbench uses only ClearDocument, Base, LoadFromStrings, Update and
// Repaint; everything else serves the control's own behaviour and events.
// Every Qt entry point runs guarded: an exception is reported through the
// platform's error hook and never crosses into Qt.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QPointer>

#include "htmlview/layout/docroot.h"
#include "htmlview/layout/panelobj.h"
#include "htmlview/parse/htmlreader.h"
#include "htmlview/view/viewpanel.h"
#include "platform/control.h"
#include "platform/cursors.h"
#include "platform/stringlist.h"

class QFrame;
class QMimeData;

namespace htmlview {

class TImageObj;
class TvwPrinter;

enum class THTMLBorderStyle { htFocused, htNone, htSingle };
enum class TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };
enum class ThtProgressStage { psStarting, psRunning, psEnding };

// THtmlViewOptions: a set of these bits.
enum htOptionEnum : unsigned {
  htOverLinksActive = 1u << 0,
  htNoLinkUnderline = 1u << 1,
  htPrintTableBackground = 1u << 2,
  htPrintBackground = 1u << 3,
  htPrintMonochromeBlack = 1u << 4,
  htShowDummyCaret = 1u << 5,
  htShowVScroll = 1u << 6,
  htNoWheelMouse = 1u << 7,
  htNoLinkHilite = 1u << 8,
};
using THtmlViewOptions = unsigned;

// File types of a document.
enum : int { HTMLType = 0, TextType = 1, ImgType = 2 };

// One history entry's position and the state of its form controls.
struct PositionObj {
  int64_t Pos = 0;
  int FileType = HTMLType;
  std::unique_ptr<std::vector<std::vector<std::string>>> FormData;
};
using TFormData = std::vector<std::vector<std::string>>;

struct TRightClickParameters {
  std::string URL, Target;
  TImageObj* Image = nullptr;
  int ImageX = 0, ImageY = 0;
  std::u16string ClickWord;
};

// --- Events (sender is the viewer).
using TNotifyEvent = std::function<void(QObject* sender)>;
using THotSpotEvent = std::function<void(QObject* sender, const std::string& src)>;
using THotSpotClickEvent = std::function<void(QObject* sender, const std::string& src, bool& handled)>;
using TProcessingEvent = std::function<void(QObject* sender, bool processing)>;
using ThtProgressEvent = std::function<void(QObject* sender, ThtProgressStage stage, int percent)>;
using TMetaRefreshType = std::function<void(QObject* sender, int delay, const std::string& url)>;
using TMetaType = std::function<void(QObject* sender, const std::string& httpEq,
                                     const std::string& name, const std::string& content)>;
using TParseEvent = std::function<void(QObject* sender, std::string& source)>;
using TSoundType = std::function<void(QObject* sender, const std::string& src, int loop, bool terminate)>;
using TImageClickEvent = std::function<void(QObject* sender, TImageObj* image, platform::MouseButton button,
                                            platform::ShiftState shift, int x, int y)>;
using TImageOverEvent = std::function<void(QObject* sender, TImageObj* image, platform::ShiftState shift,
                                           int x, int y)>;
using TRightClickEvent = std::function<void(QObject* sender, const TRightClickParameters& parameters)>;
using TMouseDoubleEvent = std::function<void(QObject* sender, platform::MouseButton button,
                                             platform::ShiftState shift, int x, int y)>;
using TMouseEvent = std::function<void(QObject* sender, platform::MouseButton button,
                                       platform::ShiftState shift, int x, int y)>;
using TLinkType = std::function<void(QObject* sender, const std::string& rel, const std::string& rev,
                                     const std::string& href)>;
using TViewScriptEvent = std::function<void(QObject* sender, const std::string& name, const std::string& language,
                                         const std::string& script)>;
using TViewObjectTagEvent = std::function<void(QObject* sender, TPanelObj& panel, const std::vector<std::string>& attributes,
                                            const std::vector<std::string>& params, bool& wantPanel)>;
using TViewStreamRequestEvent = std::function<void(QObject* sender, const std::string& url, platform::TStream*& stream)>;
using TMouseMoveEvent = std::function<void(QObject* sender, platform::ShiftState shift, int x, int y)>;
// Drags over the document (platform/control.h): accept starts true.
using TDragOverEvent = std::function<void(QObject* sender, QObject* source, const QMimeData* data, int x, int y,
                                          platform::DragState state, bool& accept)>;
using TDragDropEvent = std::function<void(QObject* sender, QObject* source, const QMimeData* data, int x, int y)>;

class THtmlView;
// Print header and footer, fired for every printed page once its content is
// drawn. The canvas is the page's top margin (header) or bottom margin
// (footer) with (0, 0) at its top left, in screen pixels at PrintScale
// (shrinking a wide document to the page leaves them alone); w and h are the
// area's size. stopPrinting true: this page is the last one printed.
using TPagePrinted = std::function<void(QObject* sender, platform::Canvas& canvas, int numPage, int w,
                                        int h, bool& stopPrinting)>;
// HTML print header and footer: the handler loads the page's header or
// footer into hfViewer (a viewer of the print's own, with this viewer's
// fonts, options and base), which is then laid out between xl and xr (the
// area's left and right edges, 0 and its width on entry) and printed at the
// top of the margin. lastPage tells whether numPage is the document's last.
using ThtmlPagePrinted = std::function<void(QObject* sender, THtmlView& hfViewer, int numPage, bool lastPage,
                                            int& xl, int& xr, bool& stopPrinting)>;

class THtmlView : public platform::Control, public TPanelEvents {
 public:
  explicit THtmlView(QWidget* parent = nullptr);
  ~THtmlView() override;

  // ------------------------------------------------------------ operations
  // Ignored while busy. Empties the document, the bases, target and title.
  virtual void ClearDocument();
  // The lines joined with line breaks, loaded as HTML; reference names the
  // document ("" for a page made in memory: it always starts at the top).
  void LoadFromStrings(const platform::TStringList& strings, const std::string& reference = "");
  void LoadFromStrings(const std::vector<std::string>& strings, const std::string& reference = "");
  // FileType HTMLType or TextType.
  void LoadHtmlText(const std::string& text, const std::string& reference = "", int fileType = HTMLType);
  void LoadTextStrings(const std::vector<std::string>& strings, const std::string& reference = "");
  // FileName may end in "#" and a target name. A missing file raises
  // platform::EInOutError "Can't locate file: " + name.
  virtual void LoadDocumentFile(const std::string& fileName, int fileType = HTMLType);

  // The base folder relative names resolve against (emptied by clearing).
  void SetBase(const std::string& base);
  std::string Base() const { return storedBase_; }
  std::string EffectiveBase() const { return base_; }

  // Hides every form control's window and the border, then repaints.
  void Repaint();
  // (Update: the platform's, paints pending invalid areas now.)

  virtual std::string ExpandDocFileName(const std::string& name);
  bool ScrollToName(const std::string& name);
  // Encoded position: ((position-list index + 1) << 32) + offset in that
  // entry, or the plain pixel offset when no entry holds it.
  int64_t Position();
  void SetPosition(int64_t position);
  void ScrollTo(int y);
  void ScrollToY(int y);
  virtual void PaintDocument(platform::Canvas& canvas, const platform::Rect& clip);
  virtual bool HotSpotClickHandled();
  void ClearHistory();
  void AddHistoryEntry(const std::string& fileName, const std::string& title, int64_t position,
                       std::unique_ptr<TFormData> formData, int fileType);
  // Back or forward through the history (0 newest).
  void SetHistoryIndex(int index);
  int HistoryIndex() const { return historyIndex_; }
  const std::vector<std::string>& History() const { return historyFiles_; }
  const std::vector<std::string>& TitleHistory() const { return historyTitles_; }
  std::unique_ptr<TFormData> GetFormData();
  void SetFormData(const TFormData& data);

  // Follows the hover link (the click and the Enter key of a link end here).
  virtual void FollowLink();
  void AddVisitedLink(const std::string& url);
  void MarkVisitedLinks();
  const std::vector<std::string>& VisitedList() const { return visited_; }
  // guUrl / guControl / guTitle set: what lies under a panel point.
  unsigned GetURLAtPoint(int x, int y, std::unique_ptr<TUrlTarget>& url, TFormControlObj*& control,
                         std::string& title);
  // The word under a panel point, start and end (end exclusive); false: none.
  bool GetWordAtPoint(int x, int y, std::u16string& word, int& start, int& end);

  // ------------------------------------------------------------- selection
  int SelStart() const;
  int SelLength() const;
  void SetSelection(int start, int end);
  void SelectAll();
  std::u16string SelText();
  // Plain text of the selection to the clipboard; false when refused.
  bool CopyToClipboard();
  int CaretPos() const { return caretPos_; }

  // --------------------------------------------------------------- printing
  // Lays the document out for the page and prints pages fromPage..toPage
  // (1-based) on the process-wide printer object; returns pages printed.
  // A document wider than the page is shrunk to fit it (see PrintShrink).
  // A failure to print or to write the output raises the platform's error.
  int Print(int fromPage = 1, int toPage = 9999, const std::string& title = "");
  // Pages the document fills on the printer (0 when it cannot be measured);
  // the same pages Print prints.
  int NumPrinterPages();
  // The factor the last print or count shrank the document by to fit the
  // page's width (1 when it fitted).
  double PrintShrink() const { return printShrink_; }

  // ------------------------------------------------------------- properties
  platform::Colour DefBackground() const { return defBackground_; }
  void SetDefBackground(platform::Colour colour);
  THTMLBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(THTMLBorderStyle style);
  int HistoryMaxCount() const { return historyMaxCount_; }
  void SetHistoryMaxCount(int count);
  std::string DefFontName = "Times New Roman";
  std::string DefPreFontName() const { return defPreFontName_; }
  void SetDefPreFontName(const std::string& name);
  double DefFontSize = 12;
  platform::Colour DefFontColor = platform::clBtnText;
  platform::Colour DefHotSpotColor() const { return hotSpotColor_; }
  void SetDefHotSpotColor(platform::Colour colour);
  platform::Colour DefVisitedLinkColor() const { return visitedColor_; }
  void SetDefVisitedLinkColor(platform::Colour colour);
  platform::Colour DefOverLinkColor() const { return overColor_; }
  void SetDefOverLinkColor(platform::Colour colour);
  int VisitedMaxCount() const { return visitedMaxCount_; }
  void SetVisitedMaxCount(int count);
  int ImageCacheCount() const { return imageCacheCount_; }
  void SetImageCacheCount(int count);
  bool NoSelect() const { return noSelect_; }
  void SetNoSelect(bool on);
  TScrollStyle ScrollBars() const { return scrollBars_; }
  void SetScrollBars(TScrollStyle style);
  int CharSet = 1;   // DEFAULT_CHARSET
  int MarginHeight = 5;
  int MarginWidth = 10;
  std::string ServerRoot() const { return serverRoot_; }
  void SetServerRoot(const std::string& root);
  double PrintMarginLeft = 2.0, PrintMarginRight = 2.0, PrintMarginTop = 2.0, PrintMarginBottom = 2.0;
  double PrintScale() const { return printScale_; }
  void SetPrintScale(double scale);
  THtmlViewOptions htOptions() const { return options_; }
  void SethtOptions(THtmlViewOptions options);
  bool ViewImages() const { return viewImages_; }
  void SetViewImages(bool on);
  // The cursor over text (I-beam by default; 2 is taken as the I-beam).
  int Cursor() const { return cursor_; }
  void SetCursor(int cursor);

  // ------------------------------------------------------------ document state
  std::string CurrentFile() const { return currentFile_; }
  int CurrentFileType() const { return currentFileType_; }
  std::string DocumentTitle() const { return title_; }
  std::string BaseTarget() const { return baseTarget_; }
  std::string DocumentSource() const { return source_; }
  int DocumentWidth() const { return docWidth_; }
  int DocumentHeight() const { return docHeight_; }
  bool Processing() const { return busy_; }
  std::string HoverURL() const { return hoverUrl_; }
  std::string HoverTarget() const { return hoverTarget_; }
  std::string TitleAttr() const { return titleUnderMouse_; }
  const std::vector<std::string>& LinkAttributes() const { return linkAttributes_; }
  std::u16string LinkText() const { return linkText_; }
  platform::Point LinkPoint() const { return linkPoint_; }
  int ScrollBarWidth() const { return scrollBarWidth_; }

  TSectionList& SectionList() { return *sectionList_; }
  TPaintPanel& PaintPanel() { return *paintPanel_; }
  T32ScrollBar& VScrollBar() { return *vScroll_; }
  T32ScrollBar& HScrollBar() { return *hScroll_; }
  QFrame& BorderPanel() { return *borderPanel_; }
  TStringBitmapList* ImageCache() const { return cache_.get(); }

  // ------------------------------------------------------------------ events
  THotSpotEvent OnHotSpotCovered;
  THotSpotClickEvent OnHotSpotClick;
  TNotifyEvent OnHistoryChange;
  TProcessingEvent OnProcessing;
  ThtProgressEvent OnProgress;
  TSoundType OnSoundRequest;
  TMetaType OnMeta;
  TMetaRefreshType OnMetaRefresh;
  TIncludeEvent OnInclude;
  TLinkType OnLink;
  TViewScriptEvent OnScript;
  TViewObjectTagEvent OnObjectTag;
  TViewStreamRequestEvent OnhtStreamRequest;
  TImageClickEvent OnImageClick;
  TImageOverEvent OnImageOver;
  TRightClickEvent OnRightClick;
  TMouseDoubleEvent OnMouseDouble;
  TMouseEvent OnMouseDown, OnMouseUp;
  TMouseMoveEvent OnMouseMove;
  TParseEvent OnParseBegin;
  TNotifyEvent OnParseEnd;
  TPagePrinted OnPrintHeader, OnPrintFooter;
  ThtmlPagePrinted OnPrintHTMLHeader, OnPrintHTMLFooter;
  // Drags over the document come here with the viewer as sender; while
  // OnDragOver is unassigned no drop is taken.
  TDragOverEvent OnDragOver;
  TDragDropEvent OnDragDrop;
  // Given to the document (images, forms); set them before loading.
  void SetOnBitmapRequest(TGetBitmapEvent handler);
  void SetOnImageRequest(TGetImageEvent handler);
  void SetOnFormSubmit(TFormSubmitEvent handler);
  void SetOnObjectClick(TObjectClickEvent handler);
  void SetOnObjectFocus(TObjectClickEvent handler);
  void SetOnObjectBlur(TObjectClickEvent handler);
  void SetOnObjectChange(TObjectClickEvent handler);
  void SetOnFileBrowse(TFileBrowseEvent handler);
  // (OnPanelCreate, OnPanelDestroy, OnPanelPrint: TPanelEvents.)

  // ------------------------------------------- the control's own handling
  // Mouse handling of the paint panel (panel coordinates).
  virtual void HTMLMouseDown(platform::MouseButton button, platform::ShiftState shift, int x, int y);
  virtual void HTMLMouseMove(platform::ShiftState shift, int x, int y);
  virtual void HTMLMouseUp(platform::MouseButton button, platform::ShiftState shift, int x, int y);
  virtual void HTMLMouseDblClk(platform::ShiftState shift, int x, int y);
  virtual void ExtendSelection(int x, int y);
  // One pass of the auto-scroll state machine (the 100 ms timer's tick).
  void AutoScrollTick();
  bool AutoScrollRunning() const { return autoScrolling_; }
  bool DragScrollMode() const { return dragScroll_; }
  // The hover check (the 200 ms timer's tick).
  void HoverTick();
  bool HoverTimerRunning() const;
  // Keys and wheel as the paint panel and the control receive them.
  void HandleKeyDown(int& key, platform::ShiftState shift);
  bool HandleWheel(platform::ShiftState shift, int delta);
  void HandleVScroll(int code, int position);
  void HandleHScroll(int code, int position);
  // Layout at the control's width with the scroll-bar decision.
  void DoLayout();
  // The palette query of the platform: on a screen with a palette the
  // viewer realises the screen palette, repaints and answers true; a
  // true-colour screen has none, and the answer is false.
  bool QueryNewPalette();

  // Timer ids of the control.
  static constexpr int kHoverTimer = 1;
  static constexpr int kAutoScrollTimer = 2;

 protected:
  void Resized() override;
  void FocusIn(Qt::FocusReason reason) override;
  void FocusOut(Qt::FocusReason reason) override;
  void KeyDown(int& key, platform::ShiftState shift) override;
  bool MouseWheel(platform::ShiftState shift, int delta, int x, int y) override;
  void Timer(int id) override;
  bool WantsKey(int vk, platform::ShiftState shift) override;

 private:
  friend class TPaintPanel;
  void InitLoad();
  // No document: nothing shown, no title, source or bars; the stored base
  // and the viewer's settings stay.
  void EmptyDocument();
  void ParseText(const std::string& text, int fileType);
  void LayoutPass(platform::Canvas& canvas, int width);
  bool VerticalBarNeeded(int width, bool narrowPass) const;
  void ArrangeScrollBars();
  void PaintBackground(platform::Canvas& canvas, const platform::Rect& clip);
  void UpdateBorder();
  void SetBusy(bool busy);
  void Progress(ThtProgressStage stage, int percent);
  void Relayout();
  void ApplyScroll(int oldY, int newY, bool pixelScroll);
  void ScrollIntoViewControl(TFormControlObj& control);
  void ScrollIntoViewLink(TFontObj& run);
  void TakeLinkText(const TUrlTarget& url);
  void LoadWithHistory(const std::string& file, int fileType);
  void HandleMeta(const std::string& httpEq, const std::string& name, const std::string& content);
  void SetCursorShown(int cursor);
  void StartAutoScroll();
  void StopAutoScroll();
  platform::Canvas& MeasureCanvas();
  int AboveCutLines(int top, int bottom, int width);
  struct PrintPage;
  void PrintMargins(platform::Canvas& canvas, const PrintPage& page, bool& stop);
  void PrintHtmlMargin(const ThtmlPagePrinted& handler, platform::Canvas& canvas, const PrintPage& page,
                       bool header, bool& stop);

  std::unique_ptr<TSectionList> sectionList_;
  std::unique_ptr<TStringBitmapList> cache_;
  QPointer<QFrame> borderPanel_;
  QPointer<TPaintPanel> paintPanel_;
  QPointer<T32ScrollBar> vScroll_;
  QPointer<T32ScrollBar> hScroll_;
  QImage measureImage_;
  std::unique_ptr<platform::Canvas> measureCanvas_;

  // Properties.
  platform::Colour defBackground_ = platform::clBtnFace;
  THTMLBorderStyle borderStyle_ = THTMLBorderStyle::htFocused;
  int historyMaxCount_ = 0;
  std::string defPreFontName_ = "Courier New";
  platform::Colour hotSpotColor_ = platform::clBlue;
  platform::Colour visitedColor_ = platform::clPurple;
  platform::Colour overColor_ = platform::clBlue;
  int visitedMaxCount_ = 50;
  int imageCacheCount_ = 5;
  bool noSelect_ = false;
  TScrollStyle scrollBars_ = TScrollStyle::ssBoth;
  std::string serverRoot_;
  double printScale_ = 1.0;
  double printShrink_ = 1.0;
  THtmlViewOptions options_ = htPrintTableBackground | htPrintMonochromeBlack;
  bool viewImages_ = true;
  int cursor_ = platform::crIBeam;

  // Document state.
  std::string currentFile_;
  int currentFileType_ = HTMLType;
  std::string title_;
  std::string storedBase_, base_, baseTarget_;
  std::string source_;
  int docWidth_ = 0, docHeight_ = 0;
  int scrollBarWidth_ = platform::kScrollBarSize;
  bool creating_ = true;
  bool busy_ = false;
  bool layingOut_ = false;
  bool fixedBackground_ = false;
  int refreshDelay_ = 0;
  std::string refreshUrl_;
  bool focused_ = false;

  // History and visited links.
  std::vector<std::string> historyFiles_, historyTitles_;
  std::vector<PositionObj> historyPositions_;
  int historyIndex_ = 0;
  std::vector<std::string> visited_;

  // Mouse, selection and links.
  int caretPos_ = 0;
  int mouseDownPos_ = -1;
  bool selecting_ = false;
  bool leftDown_ = false;
  bool autoScrolling_ = false;
  bool dragScroll_ = false;
  int dragStartY_ = 0;
  int64_t lastScrollStep_ = 0;
  bool linkClicked_ = false;
  bool suppressScrollIntoView_ = false;
  std::string hoverUrl_, hoverTarget_;
  std::string titleUnderMouse_;
  std::vector<std::string> linkAttributes_;
  std::u16string linkText_;
  platform::Point linkPoint_;
  int shownCursor_ = platform::crArrow;
};

}  // namespace htmlview
