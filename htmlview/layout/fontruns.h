#pragma once
// Font runs of a text section: the section stores its text once and styles
// it by a list of runs, each starting at a character index and holding the
// font for the characters up to the next run. A run inside a link also
// carries the link target, the four link fonts (link, visited, hovered,
// hovered visited) and, on one run of each link, the invisible control that
// gives the link its place in the keyboard's tab order.
//
// Runs and image objects (imageobj.h) read the shared state of the document
// through TSectionListObjects: the document root implements it beside
// TSectionListBase, and ObjectsOf() finds it. A document without it (a bare
// TSectionListBase) has no links to keep, no cache and no panel: runs and
// images then work on their own and simply skip what needs the document.
#include <memory>
#include <string>
#include <vector>

#include <QPointer>

#include "htmlview/images/imagecache.h"
#include "htmlview/style/styleprops.h"
#include "htmlview/parse/sharedvalue.h"
#include "htmlview/parse/viewutils.h"
#include "platform/control.h"
#include "platform/keys.h"

namespace htmlview {

class TSectionBase;
class TSectionListBase;
class TFontObj;
class TImageObj;
class TMapItem;
class TFormControlObj;
class ThtTabcontrol;
class TDocPanel;
struct InlineRec;

// ---------------------------------------------------------------------------
// What runs and image objects ask of the document root. Every operation has
// a harmless default, so a partial document (or a test's) overrides only
// what it keeps. The root frees its sections (and so these objects) before
// its own lists go, as its Clear does.

class TSectionListObjects {
 public:
  virtual ~TSectionListObjects() = default;

  // --- Links and their focus controls
  // Every run that belongs to a link, in document order; null: none kept.
  virtual std::vector<TFontObj*>* LinkList() { return nullptr; }
  // The window the focus controls of links live on (the paint panel).
  virtual QWidget* PaintPanel() { return nullptr; }
  virtual void InvalidatePaintPanel() {}
  // The link of the run took the keyboard focus: the viewer scrolls it into
  // view (the run's YValue holds its y).
  virtual void LinkEntered(TFontObj& run) { (void)run; }
  // A key pressed on a link's focus control; Enter follows the link.
  virtual void LinkKeyDown(TFontObj& run, int& key, platform::ShiftState shift) {
    (void)run, (void)key, (void)shift;
  }
  // The page has more links than get a focus control each (the reader's
  // link count): links then take no part in the tab order.
  virtual bool TooManyLinks() const { return false; }
  // The sorted tab-order list of links and form controls waiting for their
  // tab order (the root hands the orders out at its next layout).
  virtual int TabOrderCount() const { return 0; }
  virtual void AddTabOrder(const std::string& key, ThtTabcontrol* control) { (void)key, (void)control; }
  virtual void RemoveTabOrder(ThtTabcontrol* control) { (void)control; }

  // --- Images
  // The image under url from the cache or freshly loaded (the root's
  // FetchImage). transparency in: ttNone or ttLowerLeft; out: what applies.
  // The image and mask stay the cache's. delayed: the image comes later.
  virtual TViewImage* FetchImage(const std::string& url, TImageTransparency& transparency,
                                 bool& delayed, bool& fromCache, const platform::Bitmap*& mask) {
    (void)url, (void)transparency, (void)mask;
    delayed = fromCache = false;
    return nullptr;
  }
  // The viewer's image cache (the images handed out above belong to it).
  virtual TStringBitmapList* BitmapList() { return nullptr; }
  // Whether the viewer has OnBitmapRequest or OnImageRequest assigned.
  virtual bool ImageRequestsAssigned() const { return false; }
  // The viewer's ExpandDocFileName.
  virtual std::string ExpandDocFileName(const std::string& name) { return name; }
  // The name-expansion callback; false (name unchanged) when none is assigned.
  virtual bool ExpandName(std::string& name) { (void)name; return false; }
  // MissingImages: the sources still to come, each with an object waiting.
  // Names compare without regard to case.
  virtual bool IsMissingImage(const std::string& source) const { (void)source; return false; }
  virtual void AddMissingImage(const std::string& source, TImageObj* waiting) {
    (void)source, (void)waiting;
  }
  // AnimatedList: the images the animation timer steps.
  virtual void AddAnimated(TGIFImage* image) { (void)image; }
  virtual void RemoveAnimated(TGIFImage* image) { (void)image; }
  // Registers an object under an ID or NAME value. The object stays its
  // owner's; the root must forget it before the object goes.
  virtual void AddIDObject(const std::string& name, TIDObject* object) { (void)name, (void)object; }
  virtual void RemoveIDObject(const TIDObject* object) { (void)object; }
  // The image map of that name (compared without regard to case), or null.
  virtual const TMapItem* FindMap(const std::string& name) const { (void)name; return nullptr; }
  // Whether an image form control has the keyboard focus.
  virtual bool FormControlActive(const TFormControlObj* control) const { (void)control; return false; }
  // What the hit test found under the mouse, for the hover the root shows.
  virtual void SetHoverLink(TFontObj* run) { (void)run; }
  virtual void SetActiveImage(TImageObj* image) { (void)image; }

  // --- The page: the body's background and the panels embedded in it
  virtual void SetBackground(platform::Colour colour) { (void)colour; }
  virtual void SetBackgroundImage(const std::string& name, const PositionRecArray& pos) {
    (void)name, (void)pos;
  }
  // The viewer the panels are announced to; null: none.
  virtual QWidget* ViewerWindow() { return nullptr; }
  virtual void AddPanel(TDocPanel* panel) { (void)panel; }
  virtual void RemovePanel(TDocPanel* panel) { (void)panel; }

  // --- Inline borders: elements whose style gives them a border of their own
  virtual void AddInlineBorder(int position, const TProperties& prop, bool isStart) {
    (void)position, (void)prop, (void)isStart;
  }
  virtual int InlineBorderCount() const { return 0; }
  // The border i with its source positions converted to document positions;
  // null when there is none.
  virtual const InlineRec* InlineBorder(int i) { (void)i; return nullptr; }

  // --- Layout progress
  // The next number of a finished text section (1, 2, ...); 0: not counted.
  virtual int NumberSection() { return 0; }
  // The section of that number was laid out: the viewer hears how far the
  // layout has come.
  virtual void SectionLaidOut(int sectionNumber) { (void)sectionNumber; }
};

// The root's object services, or null when the root has none.
TSectionListObjects* ObjectsOf(TSectionListBase* root);

// ---------------------------------------------------------------------------
// The focus control of a link: a focusable 1 x 1 window parked off-screen.

class ThtTabcontrol : public platform::Control {
 public:
  explicit ThtTabcontrol(QWidget* parent);
  // The run whose link the control stands for (changes when a run is freed
  // and hands the control on).
  TFontObj* Run = nullptr;

 protected:
  void FocusIn(Qt::FocusReason reason) override;
  void FocusOut(Qt::FocusReason reason) override;
  void KeyDown(int& key, platform::ShiftState shift) override;
  // Arrow keys reach the control (the viewer scrolls with them).
  bool WantsKey(int vk, platform::ShiftState shift) override;
};

// ---------------------------------------------------------------------------
// The link target of a font run. Most runs belong to no link, and a page of
// a great many small sections has a run for each, so the target is made when
// it is first written; reading a run without one sees an empty target.
class TRunUrlTarget {
 public:
  TRunUrlTarget() = default;
  TRunUrlTarget(const TRunUrlTarget& other)
      : target_(other.target_ ? std::make_unique<TUrlTarget>(*other.target_) : nullptr) {}
  TRunUrlTarget& operator=(const TRunUrlTarget&) = delete;

  TUrlTarget* operator->() { return &Made(); }
  const TUrlTarget* operator->() const { return &Read(); }
  TUrlTarget& operator*() { return Made(); }
  const TUrlTarget& operator*() const { return Read(); }
  // The target when one was made, else null.
  TUrlTarget* get() const { return target_.get(); }
  explicit operator bool() const { return target_ != nullptr; }

 private:
  TUrlTarget& Made() {
    if (!target_) target_ = std::make_unique<TUrlTarget>();
    return *target_;
  }
  const TUrlTarget& Read() const {
    static const TUrlTarget none;
    return target_ ? *target_ : none;
  }

  std::unique_ptr<TUrlTarget> target_;
};

// ---------------------------------------------------------------------------
// The measured font of a run. The runs made from one style share one: a page
// of a great many small sections would otherwise keep a copy of the same
// font (family name, metrics) for each run, and measure it again for each.
// A shared font is never written; a run whose font changes takes another.
class TRunFont {
 public:
  // The font measured (metrics from the platform, charset from the
  // measurement), shared with the other runs lately given an equal font.
  explicit TRunFont(const TMyFont& font);

  const TMyFont& operator*() const { return *font_; }
  const TMyFont* operator->() const { return font_.operator->(); }
  operator const TMyFont&() const { return *font_; }

 private:
  struct Recent;
  static TSharedValue<TMyFont> Measured(const TMyFont& font);
  TSharedValue<TMyFont> font_;
};

// ---------------------------------------------------------------------------
// The TITLE of a run's element. Few elements have one, and a page of a great
// many small sections has a run for each: the text is kept only when given.
class TRunTitle {
 public:
  TRunTitle() = default;
  TRunTitle(const TRunTitle& other) { *this = other.Get(); }
  TRunTitle& operator=(const TRunTitle& other) { return *this = other.Get(); }
  TRunTitle& operator=(const std::string& text) {
    if (text.empty()) text_.reset();
    else if (text_) *text_ = text;
    else text_ = std::make_unique<std::string>(text);
    return *this;
  }

  const std::string& Get() const {
    static const std::string none;
    return text_ ? *text_ : none;
  }
  operator const std::string&() const { return Get(); }
  bool empty() const { return !text_; }

 private:
  std::unique_ptr<std::string> text_;
};

// ---------------------------------------------------------------------------
// One font run

class TFontObj {
 public:
  // A run of font from position start, with a new empty link target.
  TFontObj(TSectionBase* section, const TMyFont& font, int start);
  // A copy of run for section: start, sub/superscript code, font, link
  // fonts and link target (no focus control).
  TFontObj(TSectionBase* section, const TFontObj& run);
  ~TFontObj();
  TFontObj(const TFontObj&) = delete;
  TFontObj& operator=(const TFontObj&) = delete;

  // (Ordered so that a run packs without gaps: a page of a great many small
  // sections has a run for each.)
  TSectionBase* Section = nullptr;
  TRunTitle Title;
  TRunFont TheFont;
  TRunUrlTarget UrlTarget;
  int YValue = 0;        // y of the link, for scrolling it into view
  int Pos = 0;           // character index in the section's text
  TVAlign SScript = TVAlign::None;   // Sub, Super or None (set by the text section)
  bool Visited = false;
  bool Hover = false;
  bool Active = false;   // the link has the keyboard focus

  // The metrics of the font.
  int FontHeight() const { return TheFont->tmHeight + TheFont->tmExternalLeading; }   // line height
  int tmHeight() const { return TheFont->tmHeight; }
  int tmMaxCharWidth() const { return TheFont->tmMaxCharWidth; }
  int Overhang() const { return TheFont->italic ? TheFont->tmHeight / 10 : 0; }
  int Descent() const { return TheFont->tmDescent; }

  ThtTabcontrol* TabControl() const { return link_ ? link_->tab.data() : nullptr; }
  // The four link fonts (given to links), or null.
  const TFontInfoArray* LinkFontTable() const { return link_ ? link_->fonts.get() : nullptr; }
  void DropLinkFonts() {
    if (link_) link_->fonts.reset();
  }
  const std::string& URL() const { return UrlTarget->URL; }
  bool IsLink() const { return !UrlTarget->URL.empty(); }
  int LinkID() const { return UrlTarget->ID; }

  // The link fonts of the run; the font becomes the one of the current
  // state pair.
  void SetLinkFonts(const TFontInfoArray& fonts);
  void SetVisited(bool value);
  void SetHover(bool value);
  // Hover on the run and the neighbouring runs of the same link in the
  // document's link list.
  void SetAllHovers(bool value);
  // Gives the link its focus control (see the .cpp); does nothing when the
  // run or an earlier run of the link has one, or there is no paint panel.
  void CreateTabControl(int tabIndex);
  void ReplaceFont(const TMyFont& font);
  // The font from a description: height from the size in points, style,
  // colours and charset; metrics measured again.
  void ConvertFont(const ThtFontInfo& info);
  // Stores y on the run that owns the link's focus control.
  void SetYValue(int y);
  // The focus control of the run's link, whichever run owns it (null when
  // the link has none).
  ThtTabcontrol* LinkControl() const { return link_ ? link_->link.data() : nullptr; }
  // The run continues the link of before (the piece in front of it in the
  // link list): it shares that link's focus control.
  void ContinueLink(const TFontObj& before);

  // Called by the focus control.
  void EnterLink();
  void ExitLink();
  void KeyOnLink(int& key, platform::ShiftState shift);

 private:
  friend class TFontList;
  void ApplyLinkFont();
  TSectionListBase* Root() const;
  TSectionListObjects* Objects() const;
  // Index in the document's link list, or -1.
  int LinkIndex(const std::vector<TFontObj*>& list) const;
  void SetActiveOnLink(bool value);
  void DropTabControl();

  // What only the runs of links have, made when first given: the link
  // fonts and the focus controls.
  struct LinkPart {
    std::unique_ptr<TFontInfoArray> fonts;
    QPointer<ThtTabcontrol> tab;
    // Every piece of a link knows the link's control, so that finding it
    // (on every layout of every link) needs no search of the link list.
    QPointer<ThtTabcontrol> link;
  };
  LinkPart& Link() {
    if (!link_) link_ = std::make_unique<LinkPart>();
    return *link_;
  }
  std::unique_ptr<LinkPart> link_;
};
static_assert(sizeof(TFontObj) <= 56,
              "a page of a great many small elements holds a run for each, within the "
              "element-memory budget (htmlview/README.md, Memory): what few runs have (a title, "
              "a link) goes out of line");

// Takes run out of the document's link list. The runs that leave it are
// the latest ones (the section being built), so the search starts at the
// end; a run that is no link was never in it.
void ForgetLinkRun(std::vector<TFontObj*>& links, const TFontObj* run);

// ---------------------------------------------------------------------------
// The runs of one section, in text order

// One run of a list, as walking the list yields it.
class TRunHandle {
 public:
  TFontObj* get() const { return run_; }
  TFontObj* operator->() const { return run_; }
  TFontObj& operator*() const { return *run_; }

 private:
  friend class TFontList;
  TFontObj* run_;
};

class TFontList {
 public:
  TFontList() = default;
  ~TFontList() { Clear(); }
  TFontList(const TFontList&) = delete;
  TFontList& operator=(const TFontList&) = delete;

  // The list owns its runs.
  int Count() const { return static_cast<int>(count_); }
  TFontObj* operator[](int i) const { return Items()[i].run_; }
  // The run, added at the end.
  TFontObj* Add(std::unique_ptr<TFontObj> run);
  void Delete(int i);
  void Clear();
  const TRunHandle* begin() const { return Items(); }
  const TRunHandle* end() const { return Items() + count_; }

  // Copies of every run of other for section.
  void CopyFrom(TSectionBase* section, const TFontList& other);

  // The run holding a position (the last starting at or before it; the
  // first run for a position before all) and its index, or null.
  TFontObj* GetFontObjAt(int pos, int& index) const;
  TFontObj* GetFontObjAt(int pos) const;
  // The font at a position and its overhang; null when there are no runs.
  const TMyFont* GetFontAt(int pos, int& overhang) const;
  // Characters from pos to the next run start, or to length.
  int GetFontCountAt(int pos, int length) const;
  // Index of the first run that starts after pos (Count() when none).
  int FirstAfter(int pos) const;
  // A character was removed at position n: later runs move back one; a run
  // left empty is freed (see the .cpp for its link and focus control).
  void Decrement(int n, TSectionListBase* root);

 private:
  const TRunHandle* Items() const { return capacity_ > 1 ? many_ : &one_; }
  TRunHandle* Items() { return capacity_ > 1 ? many_ : &one_; }

  // Most sections have one run, and a page of a great many small sections
  // would pay an array for each: a single run is held here.
  union {
    TRunHandle one_{};   // capacity_ 1
    TRunHandle* many_;   // capacity_ above 1
  };
  uint32_t count_ = 0;
  uint32_t capacity_ = 1;
};

// The platform metrics of a font into its measured fields.
void MeasureFont(TMyFont& font);

}  // namespace htmlview
