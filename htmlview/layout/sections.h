#pragma once
// The building blocks of a laid-out document: the section base every band of
// the document derives from (text, tables, blocks, rules, page breaks), the
// float manager that also registers floating images and blocks, and the draw
// context with its list of floating images drawn after everything else.
//
// A document is a tree: a cell (cells.h) holds sections one below the other;
// blocks and table cells hold cells of their own. Every section keeps a
// pointer to the document root (TSectionListBase, cells.h) and reads the
// shared state of the document from it; what belongs to one draw only comes
// down the Draw calls in the draw context.
#include <algorithm>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "htmlview/layout/indentmanager.h"
#include "htmlview/parse/viewutils.h"
#include "htmlview/style/stylecodes.h"
#include "platform/canvas.h"
#include "platform/scopeguard.h"
#include "platform/sysutils.h"

namespace htmlview {

// Layout's arithmetic on hostile lengths saturates (platform/geometry.h).
using platform::ClampToInt;
using platform::LayoutAdd;
using platform::LayoutSum;
using platform::SaturatedAdd;
using platform::SaturatedInt;
using platform::SaturatedMul;

class TSectionListBase;
class TFormControlObj;
class TFloatingObj;
class TImageObj;
class TFontObj;
class LayoutDumpWriter;

// Raised by a section whose layout cannot go on (a corrupt table, say). The
// cell reports it, drops that section and lays out the rest.
class EProcessError : public platform::Exception {
  using platform::Exception::Exception;
};

// SectionTop of a section that has not been laid out yet.
constexpr int kNotLaidOut = 999999999;

// Flags of the link hit tests.
enum : unsigned { guUrl = 1, guControl = 2, guTitle = 4 };

// A fresh owner identity for float records: every cell and block that pushes
// indents of its own takes one (the float manager's CurrentID). Never 0,
// which marks records no block owns.
int NewIndentOwnerID();

// ---------------------------------------------------------------------------
// The float manager of a cell

class IndentManager : public IndentManagerBasic {
 public:
  // Registers a floating image at y (side None registers nothing and
  // answers 0). width and height are the image's total size (picture and
  // border); the spaces are its horizontal and vertical margins. The
  // record belongs to no block, so every line beside it sees it. Returns
  // the image's x relative to the manager's origin.
  int Update(int y, TFloatSide side, int width, int height, int hSpaceLeft, int hSpaceRight,
             int vSpaceTop, int vSpaceBottom);
  // Registers a floating block from y to y + height. Left: x is the block's
  // right edge in the caller's coordinates. Right: x is the block's full
  // width. None registers nothing.
  void UpdateBlock(int y, int x, TFloatSide side, int height);
};

// ---------------------------------------------------------------------------
// Floating images queued while the document draws

struct TImageRec {
  TImageObj* Image = nullptr;
  platform::Canvas* Canvas = nullptr;
  int X = 0;
  int TopY = 0;
  int Baseline = 0;
  TFontObj* FontRun = nullptr;
  // The canvas's window origin when queued: an image inside a block drawn
  // moved (relative offset) is drawn moved with it.
  platform::Point Origin;
};

class TDrawList : public TFreeList<TImageRec> {
 public:
  void AddImage(TImageObj* image, platform::Canvas* canvas, int x, int topY, int baseline,
                TFontObj* fontRun);
  // Hands every queued image, in the order queued, to draw (the image's own
  // draw: image objects know how to draw themselves, the list does not),
  // with its canvas's window origin as it was when the image was queued.
  void DrawImages(const std::function<void(const TImageRec&)>& draw) const;
};

// A field of a layout or draw context set for one scope: the value it had
// is back when the scope ends, however it ends (an exception too), so that
// what lies around sees the context as it left it and a stopped layout
// leaves nothing of its own to the next.
template <class T>
class TContextSetting {
 public:
  TContextSetting(T& field, T value) : guard_(Restore{field, field}) { field = value; }

 private:
  struct Restore {
    T& field;
    T saved;
    void operator()() const { field = saved; }
  };
  platform::ScopeGuard<Restore> guard_;
};

// ---------------------------------------------------------------------------
// What one draw of the document carries down to the sections it reaches,
// as the layout context does for a layout (cells.h). The caller of the
// document's Draw makes one for each draw (a paint of the screen, each
// printed page, each dry run that finds where a page ends); the document's
// Draw starts it at the window it draws; every Draw below reads and writes
// it. So a Draw says in its signature what it depends on, nothing of a draw
// stays behind in the document, and a draw made while a layout runs (from
// a progress handler) cannot upset the layout.
struct TDrawContext {
  // --- Set by the caller: what kind of draw this is.
  bool Printing = false;            // drawing a printed page (or its dry run)
  bool PrintMonochrome = false;     // printing on a one-plane, one-bit device
  // While printing: block and table-cell backgrounds are printed.
  bool PrintTableBackground = true;
  // The draw only finds where a printed page ends (on a measuring canvas):
  // nothing it paints is kept, so what costs the host work is left out.
  bool Measuring = false;

  // --- Started by the document's Draw, then kept by the sections.
  // While printing: where the page being drawn ends. Drawing starts it at
  // the bottom of the rectangle; sections that must not be cut, or that ask
  // for a page break, move it up.
  int PageBottom = 0;
  // True until a text line or rule is drawn: a break on a page that has
  // nothing on it yet would leave the page empty.
  bool FirstLineDrawn = false;
  int DrawnTableDepth = 0;          // tables being drawn around the section
  TDrawList DrawList;               // floating images, drawn after all else
  // The canvas's window origin when the draw began; a block drawn moved
  // shifts it, and windowed controls are placed by the difference.
  platform::Point DrawOrigin;
  // The cell whose sections are being drawn (a table cell, the document, or
  // an absolutely positioned block's content, which keeps the clip width of
  // the cell it is drawn in): its left edge as drawn, from which floats
  // stand, and how far right of a section's x its preformatted text may
  // reach before it is cut.
  struct CellEdges {
    int Left = 0;
    int ClipWidth = 0;
  };
  CellEdges Cell;
  // A cell sets its edges for the sections it draws with a TContextSetting,
  // so that the enclosing cell's are back for the sections it draws after.

  // How far a window placed while drawing on canvas now stands from the
  // canvas's coordinates: form controls and panels inside a block drawn
  // moved go where their line is drawn, not where it was laid out.
  platform::Point WindowShift(const platform::Canvas& canvas) const {
    const platform::Point org = canvas.WindowOrg();
    return {DrawOrigin.x - org.x, DrawOrigin.y - org.y};
  }
};

// ---------------------------------------------------------------------------
// Which sections of a list a paint visits. Each section has a band of rows
// it may draw on; the walk starts at the first section that has, or follows
// one that has, a band reaching down into the window, and ends where no
// section from there on has a band starting above the window's bottom. A
// list in any order is drawn right; one in document order costs a search
// plus the sections shown. Short lists keep no index and are walked whole.
class DrawReach {
 public:
  // How far beyond its band a section may still put pixels (glyph
  // overhangs, focus frames): the window is widened by it.
  static constexpr int kMargin = 40;
  // Visits, in order, those of the count sections (sectionAt(i) gives one)
  // a paint of aRect may reach, the index built on first use; yOff turns
  // window rows into document rows.
  template <class At, class Fn>
  void ForShown(int count, At&& sectionAt, const platform::Rect& aRect, int yOff, Fn&& draw);
  void Reset() { built_ = false; }
  bool Built() const { return built_; }
  // bandOf(i, top, bottom) gives the band of section i.
  void Build(int count, const std::function<void(int, int&, int&)>& bandOf);
  // The union of the bands (empty: top > bottom).
  int Top() const { return top_; }
  int Bottom() const { return bottom_; }
  // The index range [first, last) a paint of document rows [top, bottom)
  // visits.
  std::pair<int, int> Span(int count, int top, int bottom) const;

 private:
  // Only lists long enough to be worth a search hold one: most blocks hold
  // a few sections, and a page may hold a million blocks.
  struct Index {
    std::vector<int> reachDown;   // the lowest band bottom of sections 0..i
    std::vector<int> reachUp;     // the highest band top of sections i..end
  };
  std::unique_ptr<Index> index_;
  int top_ = 0, bottom_ = -1;
  bool built_ = false;
};

// ---------------------------------------------------------------------------
// The section base

class TSectionBase : public TIDObject {
 public:
  explicit TSectionBase(TSectionListBase* root);
  ~TSectionBase() override = default;
  TSectionBase(const TSectionBase&) = delete;
  TSectionBase& operator=(const TSectionBase&) = delete;

  // The block whose content holds the section (always a block: it is held
  // by its section base so that cells need not know blocks), or none.
  TSectionBase* OwnerBlock = nullptr;
  // The document; set again when the section is added to a cell.
  TSectionListBase* Root = nullptr;
  int SectionHeight = 0;   // height in the flow
  int DrawHeight = 0;      // height covered when drawn (floats may reach further)
  int StartCurs = 0;       // document position of the first character
  int Len = 0;             // number of document positions held
  int SectionTop = kNotLaidOut;
  int SectionBottom = 0;
  int ContentTop = 0;      // top
  int ContentBot = 0;      // top + DrawHeight
  int DrawTop = 0;         // where it is drawn (the layout's Y)

  // --- The section operations; the kinds of section override them.
  int YPosition() const override;
  // Adds the selected part of the section (the root's SelB..SelE) to holder.
  virtual void CopyText(SelTextCount& holder);
  virtual int Layout(platform::Canvas& canvas, int x, int y, int xRef, int yRef, int aWidth,
                     int aHeight, int blHt, IndentManager& iMgr, int& maxWidth, int& curs);
  // Returns the bottom of what was drawn.
  virtual int Draw(platform::Canvas& canvas, TDrawContext& context, const platform::Rect& aRect,
                   IndentManager& iMgr, int x, int xRef, int yRef);
  // guUrl (url gets a new link target), guControl, guTitle, or 0.
  virtual unsigned HitLink(platform::Canvas& canvas, int x, int y, std::unique_ptr<TUrlTarget>& url,
                           TFormControlObj*& formControl, std::string& title);
  virtual bool HitObject(int x, int y, TFloatingObj*& obj, int& ix, int& iy);
  // The document position under a point, or -1.
  virtual int CursorAt(platform::Canvas& canvas, int x, int y, int& xr, int& yr, int& caretHt,
                       bool& inText);
  // Text is prepared by the caller (lower-cased unless matchCase).
  virtual int FindForward(int from, const std::u16string& text, bool matchCase);
  virtual int FindBackward(int from, const std::u16string& text, bool matchCase);
  virtual int SourcePosOf(int pos);
  virtual int DocPosOf(int sourcePos, bool prev);
  // canvas may be null: then no widths are measured.
  virtual bool CursorToXY(platform::Canvas* canvas, int cursor, int& x, int& y);
  virtual bool CharAt(int pos, char16_t& ch, TSectionBase*& obj);
  virtual void WidthRange(platform::Canvas& canvas, int& minWidth, int& maxWidth);
  virtual void AddToPositionList();
  // Writes the section's lines of the layout dump (layoutdump.h); a kind of
  // section that holds others nests them one level deeper.
  virtual void Dump(LayoutDumpWriter& writer) const;

  // --- What cells ask of particular kinds of section.
  // Called by the cell before the section joins it. A text section finishes
  // itself here (runs and character table closed at tagIndex) and answers
  // false when it is to be discarded (not preformatted and without
  // characters, images and form controls); it releases its links and ID
  // itself, the cell frees it.
  virtual bool CloseForCell(int tagIndex);
  // An absolutely positioned block: it does not push its cell's text bottom
  // and the parser's margin rule skips it.
  virtual bool IsAbsolutePositioned() const;
  // A block that clips its content (overflow hidden with a real width):
  // its content reports the full width it was given.
  virtual bool HidesOverflow() const;
  // A block whose bottom margin is the default margin sets it to 0 and
  // answers true; a list item asks its content the same.
  virtual bool DropDefaultBottomMargin();
  // The document rows the section may draw on, with whatever it holds
  // (floating, positioned and moved content included): a paint whose window
  // misses them skips the section whole.
  virtual void DrawnBand(int& top, int& bottom);

 protected:
  // Whether the section's band, moved into window terms by the root's scroll
  // offset, meets the rectangle vertically.
  bool MeetsClip(const platform::Rect& aRect) const;
};
static_assert(sizeof(TSectionBase) <= 64,
              "every block, text section, rule and table is one: a field here grows every "
              "element of a page, within the element-memory budget (htmlview/README.md, Memory)");

template <class At, class Fn>
void DrawReach::ForShown(int count, At&& sectionAt, const platform::Rect& aRect, int yOff,
                         Fn&& draw) {
  if (!built_) Build(count, [&sectionAt](int i, int& t, int& b) { sectionAt(i)->DrawnBand(t, b); });
  const long long from = static_cast<long long>(aRect.top) + yOff - kMargin;
  const long long to = static_cast<long long>(aRect.bottom) + yOff + kMargin;
  const auto [first, last] = Span(count, SaturatedInt(from), SaturatedInt(to));
  for (int i = first; i < last; ++i) {
    TSectionBase* s = sectionAt(i);
    int t = 0, b = 0;
    s->DrawnBand(t, b);
    if (t <= to && b >= from) draw(s);
  }
}

}  // namespace htmlview
