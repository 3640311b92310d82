#pragma once
// Cells: the content lists of the document root, blocks and table cells. A
// cell owns its sections and walks them for layout, widths, drawing, hit
// tests, searches, position conversions and copying. TCell adds a float
// manager of its own; TCellObjCell is the content of a table cell; TBlockCell
// the content of a block.
//
// TSectionListBase is the part of the document root that sections and cells
// read. The root itself (forms, images, styles, ...) derives from it.
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "htmlview/layout/boxvalues.h"
#include "htmlview/layout/sections.h"

namespace htmlview {

// The tag that owns a cell. Every cell names one, a page may hold a million
// cells, and the names are those of the few tags that make blocks and table
// cells: the document keeps each name once (TTagNames), a cell points to it.
class TTagName {
 public:
  TTagName();   // "": no tag
  operator const std::string&() const { return *name_; }
  const std::string& Str() const { return *name_; }
  friend bool operator==(const TTagName& a, std::string_view b) { return *a.name_ == b; }

 private:
  friend class TTagNames;
  explicit TTagName(const std::string& kept) : name_(&kept) {}
  const std::string* name_;
};
static_assert(sizeof(TTagName) <= sizeof(void*), "every cell holds one: a pointer to a kept name");

// The tag names of one document's cells, each kept once for as long as the
// document lives (its cells point into it). Node-based, so that the names
// stay where they are as others are added.
class TTagNames {
 public:
  TTagName Intern(std::string_view name);
  size_t Count() const { return names_.size(); }

 private:
  std::set<std::string, std::less<>> names_;
};

class TCellBasic : public TFreeList<TSectionBase> {
 public:
  explicit TCellBasic(TSectionListBase* master);
  virtual ~TCellBasic() = default;
  TCellBasic(const TCellBasic&) = delete;
  TCellBasic& operator=(const TCellBasic&) = delete;

  TSectionListBase* MasterList = nullptr;
  IndentManager* IMgr = nullptr;   // the float manager in use (not owned)
  int YValue = 0;                  // Y of the last layout
  int StartCurs = 0;
  int Len = 0;
  // The lowest bottom of the sections in the flow (absolutely positioned
  // ones left out), filled by the derived layouts. Neither layout, drawing
  // nor the layout dump reads it: only the tests of that rule do.
  int TextBot = 0;
  int ContentTop = 0;
  int ContentBot = 0;
  TTagName OwnerTag;               // "default" for the root; see SetOwnerTag
  TSectionBase* OwnerBlock = nullptr;

  // Lays the sections out one below the other at x 0; scrollWidth gets the
  // widest. A section whose layout raises EProcessError is reported in an
  // error box and dropped. Returns the total height.
  virtual int Layout(platform::Canvas& canvas, int y, int width, int aHeight, int blHt,
                     int& scrollWidth, int& curs);
  virtual void MinMaxWidth(platform::Canvas& canvas, int& minWidth, int& maxWidth);
  // Returns the last section's bottom (y for an empty cell).
  virtual int Draw(platform::Canvas& canvas, TDrawContext& context, const platform::Rect& aRect,
                   int clipWidth, int x, int y, int xRef, int yRef);
  virtual unsigned GetURL(platform::Canvas& canvas, int x, int y,
                          std::unique_ptr<TUrlTarget>& urlTarget, TFormControlObj*& formControl,
                          std::string& title);

  // The name kept by the document (MasterList); a cell outside any
  // document has nowhere to keep it, and keeps none.
  void SetOwnerTag(std::string_view tag);
  // Finishes a text section first; a section that closes as empty is freed.
  void Add(std::unique_ptr<TSectionBase> section, int tagIndex);
  bool PtInObject(int x, int y, TFloatingObj*& obj, int& ix, int& iy);
  int FindCursor(platform::Canvas& canvas, int x, int y, int& xr, int& yr, int& caretHt,
                 bool& inText);
  void AddSectionsToList();
  int FindString(int from, const std::u16string& text, bool matchCase);
  int FindStringR(int from, const std::u16string& text, bool matchCase);
  int FindSourcePos(int docPos);
  int FindDocPos(int sourcePos, bool prev);
  bool CursorToXY(platform::Canvas* canvas, int cursor, int& x, int& y);
  bool GetChAtPos(int pos, char16_t& ch, TSectionBase*& obj);
  // Hands holder the selected text of the sections in the selection.
  void CopyToClipboard(SelTextCount& holder);
  // Called when a container closes: the last section that is not an
  // absolutely positioned block gives up a default bottom margin.
  bool CheckLastBottomMargin();

 protected:
  // The manager the walks hand to the sections; a cell that was given none
  // uses a private one (set to width) rather than fail.
  IndentManager& Manager(int width);
  // A section whose layout failed: the error is shown, the section freed.
  void DropFailedSection(int index, const EProcessError& error);

  // Which sections a paint visits; built again after a layout.
  DrawReach drawReach_;

 private:
  std::unique_ptr<IndentManager> spare_;
};
static_assert(sizeof(TCellBasic) <= 120,
              "every block and table cell holds one (its content), within the element-memory "
              "budget (htmlview/README.md, Memory): a field here grows every element of a page");

class TCell : public TCellBasic {
 public:
  explicit TCell(TSectionListBase* master);

  int Layout(platform::Canvas& canvas, int y, int width, int aHeight, int blHt, int& maxWidth,
             int& curs) override;
  int Draw(platform::Canvas& canvas, TDrawContext& context, const platform::Rect& aRect,
           int clipWidth, int x, int y, int xRef, int yRef) override;

  IndentManager& OwnManager() { return ownMgr_; }
  int OwnerID() const { return ownerID_; }

 private:
  int ownerID_;   // the owner of the float records its layout opens
  IndentManager ownMgr_;
};
static_assert(sizeof(TCell) <= 200,
              "every table cell holds one with its float manager, within the element-memory "
              "budget (htmlview/README.md, Memory)");

class TCellObjCell : public TCell {
 public:
  explicit TCellObjCell(TSectionListBase* master) : TCell(master) {}

  platform::Rect CellRect;   // window coordinates at the last draw
  bool BkGnd = false;        // the table cell's background colour
  platform::Colour BkColor = 0x1FFFFFFF;
  // The table cell's TITLE, HREF and TARGET. Few cells have any, and a
  // table may hold a great many cells: they are kept out of line.
  struct Links {
    std::string Title;
    std::string Url;
    std::string Target;
  };
  Links& MakeLinks();
  const Links* CellLinks() const { return links_.get(); }

  unsigned GetURL(platform::Canvas& canvas, int x, int y, std::unique_ptr<TUrlTarget>& urlTarget,
                  TFormControlObj*& formControl, std::string& title) override;

 private:
  std::unique_ptr<Links> links_;
};
static_assert(sizeof(TCellObjCell) <= 232,
              "a table may hold a great many cells, within the element-memory budget "
              "(htmlview/README.md, Memory): what few cells have goes into Links, out of line");

class TBlockCell : public TCellBasic {
 public:
  explicit TBlockCell(TSectionListBase* master) : TCellBasic(master) {}

  // The layout of a block's content at (x, y) with the manager the block
  // set in IMgr; returns the height.
  int DoLayout(platform::Canvas& canvas, int x, int y, int xRef, int yRef, int aWidth, int aHeight,
               int blHt, int& maxWidth, int& curs);
};

// ---------------------------------------------------------------------------
// The document root as its sections see it

class TSectionListObjects;
class TSectionListForms;

// What a layout pass carries down to the sections it reaches (a draw has
// its own, TDrawContext in sections.h). Each root keeps its own, so two
// documents (or a bare list in a test) never see each other's tables or
// list items.
struct TLayoutContext {
  int TableDepth = 0;          // tables being laid out around the section
  bool RelayoutCells = false;  // the outermost table is placing its rows' cells
  // While a list item lays out: the first line or table below it gives the
  // item its baseline (document y); 0 until one has.
  bool ListItemWaiting = false;
  int ListItemBaseline = 0;

  void OfferFirstBaseline(int y) {
    if (ListItemWaiting && ListItemBaseline == 0) ListItemBaseline = y;
  }
  // A layout of the whole document starts with no table or list item
  // around it, whatever a layout stopped part way left behind.
  void Start() { *this = TLayoutContext(); }
};

// What the blocks and cells of one document share, so that a page of a
// great many elements keeps little for each (htmlview/README.md, "Memory").
// The root holds it; nothing in it is seen by another document, and it goes
// with the root after the root's sections.
struct TDocumentMemory {
  TSharedBoxValues BoxValues;
  TTagNames TagNames;
};

class TSectionListBase : public TCell {
 public:
  TSectionListBase();
  // The sections go while this is still a root: they ask it for its
  // interfaces on their way out.
  ~TSectionListBase() override { Clear(); }

  bool ShowImages = true;
  bool IsCopy = false;
  // Counts the layouts of the document: what a section works out from its
  // content alone holds for the rest of the layout it was worked out in.
  int CycleNumber = 0;
  int YOff = 0;                   // top of the visible area in document pixels
  // The x the page was last drawn at: minus the horizontal scroll. Lines a
  // paint skipped are placed by it when a hit test or the caret asks.
  int XOff = 0;
  int SelB = 0, SelE = 0;         // selection, SelE > SelB when not empty
  platform::Colour Background = platform::clWhite;
  std::vector<TSectionBase*> PositionList;   // in document order, not owned
  bool ShowDummyCaret = false;    // an empty selection still shows the caret
  // The grid positions the document's tables hold together, which the
  // tables keep within their bound (tables.h).
  std::int64_t TableGridPositions = 0;

  TLayoutContext& LayoutContext() { return layoutContext_; }
  TDocumentMemory& Memory() { return memory_; }
  // The document's interfaces for runs, images and forms; a bare list has none.
  virtual TSectionListObjects* Objects() { return nullptr; }
  virtual TSectionListForms* Forms() { return nullptr; }

 private:
  TLayoutContext layoutContext_;
  TDocumentMemory memory_;
};

// The box values the blocks of root share; for no root, a sharing of none.
inline TSharedBoxValues& BoxValuesOf(TSectionListBase* root) {
  return root ? root->Memory().BoxValues : TSharedBoxValues::Unshared();
}

// The root's scroll offset; a section not (yet) in a document has none.
inline int YOffOf(const TSectionListBase* root) { return root ? root->YOff : 0; }

}  // namespace htmlview
