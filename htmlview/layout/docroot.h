#pragma once
// The document root: the cell that holds the top-level sections of one
// document and everything that belongs to the document as a whole — the
// style sheet, forms and their controls, panels, the ID list and the
// position list, link runs, image maps, animated images with their timer,
// the page background, inline border records and the selection. It is the
// only object that talks to the viewer's image cache. What belongs to one
// draw (printing, the page's end, the floats drawn last) is not the
// document's: the caller of Draw makes a TDrawContext for it (sections.h).
//
// The viewer (its owner) binds the callbacks below; the sections, runs and
// image objects reach the root through TSectionListBase (what cells read)
// and TSectionListObjects (what runs and images ask, fontruns.h).
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QPointer>
#include <QWidget>

#include "htmlview/layout/cells.h"
#include "htmlview/layout/fontruns.h"
#include "htmlview/layout/formcontrols.h"
#include "htmlview/images/gifimage.h"
#include "htmlview/images/imagecache.h"
#include "htmlview/images/imagemap.h"
#include "htmlview/style/stylesheet.h"
#include "htmlview/style/styleprops.h"
#include "htmlview/parse/viewutils.h"
#include "platform/control.h"
#include "platform/streams.h"

namespace htmlview {

class TImageObj;

// ---------------------------------------------------------------------------
// What the root asks of an embedded panel: hidden when a scroll leaves it
// undrawn.

class TDocPanel {
 public:
  virtual ~TDocPanel() = default;
  bool ShowIt = false;
  virtual QWidget* WindowedControl() const { return nullptr; }
};

// ---------------------------------------------------------------------------
// Inline border records: one per inline element (or form control) whose
// style gives it a border. Text drawing reads StartB / EndB through the
// root's InlineBorder.

struct InlineRec {
  int StartB = 0;
  int EndB = 999999;        // document positions; EndB open until converted
  int ID = 0;               // serial number of the element's properties
  int StartSource = 0;
  int EndSource = 0;        // 0 until the element ends
  TMarginArray MargArray{};
};

class TInlineList : public TFreeList<InlineRec> {
 public:
  bool NeedsConverting = true;
  void Clear() {
    TFreeList<InlineRec>::Clear();
    NeedsConverting = true;
  }
};

// ---------------------------------------------------------------------------
// The animation timer: a window timer (on a hidden child of the viewer) with
// an interval and an enabled switch. In test mode it fires only through
// Fire().

class TAnimationTimer : public platform::Control {
 public:
  explicit TAnimationTimer(QWidget* owner);
  std::function<void()> OnTimer;

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  int Interval() const { return interval_; }
  void SetInterval(int milliseconds);
  // Runs the handler when enabled (tests); false when disabled.
  bool Fire();

 protected:
  void Timer(int id) override;

 private:
  bool enabled_ = true;
  int interval_ = 1000;
};

// ---------------------------------------------------------------------------
// Viewer callbacks

// The viewer's OnBitmapRequest: a bitmap for src (left null: none); color
// set other than -1 names the transparent colour.
using TGetBitmapEvent =
    std::function<void(QObject* sender, const std::string& src, platform::Bitmap& bitmap,
                       platform::Colour& color)>;
// The viewer's OnImageRequest: a stream for src, still the caller's; null:
// load the file; ImageWaitStream(): the image comes later.
using TGetImageEvent =
    std::function<void(QObject* sender, const std::string& src, platform::TStream*& stream)>;
// The name-expansion handler (Sender, Name, var Expanded).
using TExpandNameEvent =
    std::function<void(QObject* sender, const std::string& name, std::string& expanded)>;

// Flags of GetURL / HitTest: guUrl, guControl, guTitle (sections.h).

class TSectionList : public TSectionListBase,
                     public TSectionListObjects,
                     public TSectionListForms,
                     public TChPosLocator {
 public:
  // owner: the viewer (parent of the timer, sender of events, its
  // visibility decides whether hidden controls are parked off-screen);
  // paintPanel: invalidated when hover or animation changes. Either may be null.
  TSectionList(QWidget* owner, platform::Control* paintPanel);
  ~TSectionList() override;

  // --- Fields beyond the base's (declaration order of the document model).
  bool YOffChange = false;
  std::string PreFontName;          // at most 32 characters
  QPointer<QWidget> Viewer;   // the owner (TSectionListForms::Owner too)
  QPointer<platform::Control> PaintPanelControl;
  TGetBitmapEvent GetBitmap;
  TGetImageEvent GetImage;
  TExpandNameEvent ExpandNameHandler;
  // The viewer's ExpandDocFileName; unset: the name as given.
  std::function<std::string(const std::string&)> ExpandDocFileNameHandler;
  // Called with the root whenever Background is set.
  std::function<void(TSectionList&)> OnBackgroundChange;
  // A link run took the keyboard focus (the viewer scrolls it into view);
  // a key on a link's focus control.
  std::function<void(TFontObj&)> OnLinkEntered;
  std::function<void(TFontObj&, int&, platform::ShiftState)> OnLinkKeyDown;
  // The same for form controls, and the mouse over a control.
  std::function<void(TFormControlObj&)> OnControlEntered;
  std::function<void(TFormControlObj&, int&, platform::ShiftState)> OnControlKeyDown;
  std::function<void(TFormControlObj&, platform::ShiftState, int, int)> OnControlMouseMove;

  // The page background (the picture belongs to the image cache).
  TViewImage* BackgroundImage = nullptr;            // bitmap or graphics-library image
  const platform::Bitmap* BackgroundBitmap = nullptr;   // the bitmap to draw, if plain
  // A picture with a transparency mask is drawn as this copy, its masked
  // parts see-through, made once at loading, not at every paint;
  // BackgroundBitmap points at it then.
  platform::Bitmap BackgroundMasked;
  TGIFImage* BackgroundGif = nullptr;               // an animated background
  PositionRecArray BackgroundPos{};
  std::string BackgroundName;
  bool BackgroundLoaded = false;

  std::vector<TGIFImage*> AnimatedList;             // not owned
  TFreeList<TMapItem> MapList;
  std::vector<TDocPanel*> PanelList;                // not owned
  struct MissingImage {
    std::string Name;
    TImageObj* Waiting = nullptr;   // null: the root (page background)
  };
  std::vector<MissingImage> MissingImages;
  std::vector<TFontObj*> Links;                     // LinkList
  bool NoLinkTabStops = false;                      // more links than get tab stops
  TFontObj* LinkHover = nullptr;
  bool LinksActive = false;
  TImageObj* ActiveImage = nullptr;
  TStyleList Styles;
  TIDNameList IDNameList;
  TStringBitmapList* Cache = nullptr;               // BitmapList, not owned
  int SectionCount = 0;
  int ProgressStart = 0;
  TInlineList InlineList;
  // Layout progress in percent (the viewer's OnProgress, stage running).
  std::function<void(int percent)> OnLayoutProgress;

  // --- Construction and defaults
  void SetDefaults(const std::string& fontName, const std::string& preFontName, double defFontSize,
                   platform::Colour defFontColor, platform::Colour hotSpotColor,
                   platform::Colour visitedColor, platform::Colour overColor,
                   platform::Colour background, bool linksActive, bool underlineLinks, int charSet,
                   int marginHeight, int marginWidth);
  void SetBackground(platform::Colour colour) override;
  void SetBackgroundImage(const std::string& name, const PositionRecArray& pos) override;
  void SetBitmapList(TStringBitmapList* cache) { Cache = cache; }

  // Empties the document for the next load (the destructor does it too).
  void Clear();

  // --- Layout and drawing
  int Layout(platform::Canvas& canvas, int y, int width, int aHeight, int blHt, int& maxWidth,
             int& curs) override;
  // The caller makes the context for this draw (a screen paint, a printed
  // page); the draw starts it at aRect and hands it to every section.
  int Draw(platform::Canvas& canvas, TDrawContext& context, const platform::Rect& aRect,
           int clipWidth, int x, int y, int xRef, int yRef) override;
  // The page background image (after parsing and when images are switched on).
  void LoadBackground();
  TAnimationTimer* AnimationTimer() const { return timer_.data(); }
  // What the timer does on each tick.
  void AnimationTick();

  // --- Hit tests and hovers
  unsigned GetURL(platform::Canvas& canvas, int x, int y, std::unique_ptr<TUrlTarget>& urlTarget,
                  TFormControlObj*& formControl, std::string& title) override;
  unsigned HitTest(platform::Canvas& canvas, int x, int y, std::unique_ptr<TUrlTarget>& urlTarget,
                   TFormControlObj*& formControl, std::string& title) {
    return GetURL(canvas, x, y, urlTarget, formControl, title);
  }
  void SetImagePressed(bool down);
  void CancelHovers();
  // The screen scrolled to y: its controls and panels count as not shown
  // until a draw places them, and the next draw parks or hides the rest.
  void SetYOffset(int y);
  // Where the printed page drawn next starts: the screen's windows, and
  // what they know of the last screen draw, stay as they are.
  void SetPrintYOffset(int y) { YOff = y; }
  void HideControls();

  // --- Selection
  int SelectionLength();
  int SelectionText(char16_t* buffer, int bufSize);
  std::u16string SelectedText();

  // --- Positions
  TSectionBase* FindPositionObject(int y, int& posY, int& index) const;
  int FindDocPos(int sourcePos, bool prev);
  bool CursorToXY(platform::Canvas* canvas, int cursor, int& x, int& y);
  bool FindDocPosY(int chPos, int& y) const override;

  // --- IDs and names (compared without regard to case)
  void AddChPosObject(const std::string& name, int position);
  // The object registered under the name, or null.
  TIDObject* FindID(const std::string& name) const;
  // The object goes: the names that lead to it lead nowhere any more.
  void RemoveIDObject(const TIDObject* object) override;

  // --- Inline borders
  void AddInlineBorder(int position, const TProperties& prop, bool isStart) override;
  int InlineStart(int i);
  int InlineEnd(int i);
  int InlineBorderCount() const override { return InlineList.Count(); }
  const InlineRec* InlineBorder(int i) override;

  TSectionListObjects* Objects() override { return this; }
  TSectionListForms* Forms() override { return this; }

  // --- TSectionListObjects
  std::vector<TFontObj*>* LinkList() override { return &Links; }
  QWidget* PaintPanel() override { return PaintPanelControl.data(); }
  void InvalidatePaintPanel() override;
  void LinkEntered(TFontObj& run) override;
  void LinkKeyDown(TFontObj& run, int& key, platform::ShiftState shift) override;
  bool TooManyLinks() const override { return NoLinkTabStops; }
  int TabOrderCount() const override { return static_cast<int>(tabOrder_.size()); }
  void AddTabOrder(const std::string& key, ThtTabcontrol* control) override;
  void RemoveTabOrder(ThtTabcontrol* control) override;
  // The image under url from the cache, or loaded and added to it. Never
  // raises: a picture that cannot be made is a failed fetch (null).
  TViewImage* FetchImage(const std::string& url, TImageTransparency& transparency, bool& delayed,
                         bool& fromCache, const platform::Bitmap*& mask) override;
  // The viewer's cache; a root that was given none keeps one of its own, so
  // a fetched picture always has an owner.
  TStringBitmapList* BitmapList() override;
  bool ImageRequestsAssigned() const override { return GetBitmap || GetImage; }
  std::string ExpandDocFileName(const std::string& name) override;
  bool ExpandName(std::string& name) override;
  bool IsMissingImage(const std::string& source) const override;
  void AddMissingImage(const std::string& source, TImageObj* waiting) override;
  void AddAnimated(TGIFImage* image) override;
  void RemoveAnimated(TGIFImage* image) override;
  void AddIDObject(const std::string& name, TIDObject* object) override;
  const TMapItem* FindMap(const std::string& name) const override;
  bool FormControlActive(const TFormControlObj* control) const override {
    return control && control->Active;
  }
  void SetHoverLink(TFontObj* run) override { LinkHover = run; }
  void SetActiveImage(TImageObj* image) override { ActiveImage = image; }
  QWidget* ViewerWindow() override { return Viewer.data(); }
  void AddPanel(TDocPanel* panel) override { PanelList.push_back(panel); }
  void RemovePanel(TDocPanel* panel) override { std::erase(PanelList, panel); }
  int NumberSection() override { return ++SectionCount; }
  void SectionLaidOut(int sectionNumber) override;

  // --- TSectionListForms (forms, their controls and the form events are
  // kept by that base: FormList, FormControlList, ClearForms, ...)
  void AddControlTabOrder(const std::string& key, TFormControlObj* control) override;
  bool ViewerVisible() const override;
  void ControlEntered(TFormControlObj& control) override;
  void ControlKeyDown(TFormControlObj& control, int& key, platform::ShiftState shift) override;
  void ControlMouseMove(TFormControlObj& control, platform::ShiftState shift, int x, int y) override;

 private:
  struct TabOrderEntry {
    std::string Key;
    QPointer<ThtTabcontrol> Link;
    TFormControlObj* Control = nullptr;
  };
  void InsertTabOrder(TabOrderEntry entry);
  void AssignTabOrders();
  void ShowHiddenControlsOffscreen();
  void ConvertInlineList();
  void ClearBackground();
  void SetLinkHover(TFontObj* run, bool hover);
  // Loading a file (or stream) into a cache-ready image.
  std::unique_ptr<TViewImage> LoadFile(const std::string& name, TImageTransparency& transparency,
                                       std::unique_ptr<platform::Bitmap>& mask);
  std::unique_ptr<TViewImage> LoadStream(platform::TStream& stream,
                                         TImageTransparency& transparency,
                                         std::unique_ptr<platform::Bitmap>& mask);

  std::unique_ptr<TStringBitmapList> ownCache_;
  // A child of the viewer: whichever goes first takes the timer with it.
  QPointer<TAnimationTimer> timer_;
  void FreeTimer();
  std::vector<TabOrderEntry> tabOrder_;   // sorted by key, ties in arrival order
  bool backgroundUse_ = false;            // the background holds a cache use
  std::string backgroundKey_;
};

}  // namespace htmlview
