#pragma once
// Tables: a TABLE element is one ThtmlTable section inside a table block
// (blocks.h). The table holds rows (TCellList), each a list of cells
// (TCellObj) whose content is a TCellObjCell laid out like a small document.
// Row and column spans are normalised into a grid of real cells and fillers;
// the column widths and row heights come from the plain algorithms of
// tablewidths.h; cells are aligned vertically and drawn with their
// backgrounds and borders.
#include <algorithm>
#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "htmlview/layout/background.h"
#include "htmlview/layout/cells.h"
#include "htmlview/style/styleprops.h"
#include "platform/canvas.h"
#include "platform/image.h"

namespace htmlview {

class TAttributeList;
class TImageObj;
class TTableBlock;

// Spans beyond these are taken as these: a span is a count of grid
// positions to allocate, and a page may ask for any number.
constexpr int kMaxColSpan = 1000;
constexpr int kMaxRowSpan = 65534;
// The grid positions the tables of one document hold together, a word
// each. Spans within their limits still multiply: a few hundred kilobytes
// of them ask for more memory than a machine has. A table that would pass
// this gets its spans shortened (ThtmlTable::Initialize); within it, every
// table is laid out as its spans ask.
constexpr std::int64_t kMaxGridPositions = std::int64_t{1} << 26;
// Limits of the table attributes.
constexpr int kMaxTableBorder = 100;
constexpr int kMaxCellPadding = 50;
constexpr int kMaxCellSpacing = 40;

// One column description of COL / COLGROUP.
struct TColObj {
  int ColWidth = 0;          // > 0 when given; tenths of a percent when ColAsPercent
  bool ColAsPercent = false;
  std::string ColAlign;
  TVAlign ColVAlign = TVAlign::None;
};

// ---------------------------------------------------------------------------

class TCellObj {
 public:
  // vAlign: the row's or column's default (Top, Middle, Bottom or Baseline);
  // attributes and prop: the TD / TH element's (either may be null).
  TCellObj(TSectionListBase* master, TVAlign vAlign, const TAttributeList* attributes,
           TProperties* prop);
  // A grid position covered by a span: ColSpan 0, RowSpan as given. A
  // table shares one for each RowSpan among its rows (TCellFillers).
  static std::unique_ptr<TCellObj> MakeFiller(int rowSpan);
  ~TCellObj();
  TCellObj(const TCellObj&) = delete;
  TCellObj& operator=(const TCellObj&) = delete;

  int ColSpan = 1, RowSpan = 1;
  int Wd = 0;                // sum of the spanned columns' widths
  int Ht = 0;                // sum of the spanned rows' heights
  int ContentHt = 0;
  int SpecHt = 0, SpecHtPct = 0;
  int YIndent = 0;
  TVAlign VAlign = TVAlign::Middle;
  int SpecWd = 0;
  bool SpecWdIsPercent = false;
  std::array<int, 4> Padding{};        // top, right, bottom, left
  std::array<int, 4> BorderWidths{};   // top, right, bottom, left
  int HzSpace = 0, VrSpace = 0;
  bool HasBorderStyle = false;
  std::unique_ptr<TCellObjCell> Cell;   // null for fillers
  std::unique_ptr<TBackground> Background;   // only with a background picture
  // The style's border colours and styles, top, right, bottom, left; a side
  // whose colour the style did not give takes FGColor.
  std::array<platform::Colour, 4> BorderColors{};
  std::array<BorderStyle, 4> BorderStyles{};
  std::array<bool, 4> BorderColorGiven{};
  platform::Colour FGColor = 0;   // the cell's colour, for style borders without one
  int DrawY = 0;                  // document y of the row top at the last draw

  bool IsReal() const { return ColSpan > 0 && Cell != nullptr; }
  // tablePadding: the table's CELLPADDING; tableBorder: its BORDER.
  void Initialize(int tablePadding, int tableBorder);
  // After the cell's layout: the background picture is fetched (dropped
  // when it failed) and noted to be tiled at the next draw.
  void PrepareBackground();
  // Draws the cell in its column at canvas x and its row at document y.
  // The rest is the table's: its spacing, whether it has a border, the
  // border's light and dark colours and whether they are its defaults.
  void Draw(platform::Canvas& canvas, TDrawContext& context, const platform::Rect& aRect, int x,
            int y, int cellSpacing, bool tableBorder, platform::Colour borderLight,
            platform::Colour borderDark, bool defaultBorderColors);

 private:
  // A filler: no content and nothing of a style.
  explicit TCellObj(int rowSpan);
};
static_assert(sizeof(TCellObj) <= 152,
              "a table may hold a great many cells, within the element-memory budget "
              "(htmlview/README.md, Memory): what few cells have goes out of line, as Background");

// ---------------------------------------------------------------------------

// The fillers of one table: one immutable filler for each RowSpan a filler
// carries, shared by every grid position it stands in, so that a span
// covering millions of positions costs their rows a word each.
class TCellFillers {
 public:
  const TCellObj& Get(int rowSpan);

 private:
  std::map<int, std::unique_ptr<TCellObj>> fillers_;
};

// ---------------------------------------------------------------------------

class TCellList {
 public:
  // attributes and prop: the TR element's (either may be null).
  TCellList(const TAttributeList* attributes, TProperties* prop);
  ~TCellList();
  TCellList(const TCellList&) = delete;
  TCellList& operator=(const TCellList&) = delete;

  int RowHeight = 0;
  int SpecRowHeight = 0;
  int SpecRowHeightPct = 0;
  int RowSpanHeight = 0;
  bool BkGnd = false;
  platform::Colour BkColor = NoColorValue;
  std::string BkImageName;
  PositionRecArray BkPos{};

  int Count() const { return static_cast<int>(slots_.size()); }
  // The grid position i: a cell of the row's own, a shared filler, or null.
  const TCellObj* operator[](int i) const { return CellOf(slots_[i]); }
  // The row's own cell at i; null for a filler or an empty entry.
  TCellObj* Own(int i) const { return OwnOf(slots_[i]); }
  // The row's own cell at i when it is a real one.
  TCellObj* Real(int i) const {
    TCellObj* cell = Own(i);
    return cell && cell->IsReal() ? cell : nullptr;
  }
  // Appends (null allowed) and hands the row's height on to the cell.
  void Add(std::unique_ptr<TCellObj> cell);

  // The grid positions the row takes when it is put into the grid below
  // spans that still cover spansBelow (see PlaceInGrid).
  struct GridNeed {
    std::int64_t Entries = 0;      // the row's own entries, one position each
    std::int64_t Own = 0;          // those with the fillers of their column spans
    std::int64_t Covered = 0;      // positions spans from above cover
    std::int64_t CoveredEnd = 0;   // one past the last of those
    std::int64_t Length() const { return std::max(Own + Covered, CoveredEnd); }
  };
  GridNeed NeedInGrid(const std::vector<int>& spansBelow) const;
  // Before the row is put into the grid: its real cells, from the left,
  // share spare positions beyond their own for their column spans; those
  // that find none left span one column.
  void ShortenColumnSpans(std::int64_t spare);
  // After: the cell of the row's own at `at` spans rowSpan rows, fewer than
  // it did, and so do the fillers of its column span.
  void ShortenRowSpan(int at, int rowSpan, TCellFillers& fillers);
  // One past the last real cell; 0 without any.
  int RealEnd() const;
  // Drops the positions from n on, from the end: for each, the nearest
  // cell to its left that spans more than one column loses one.
  void DropFrom(int n);
  // Puts the row into the grid below the rows placed before it, in one
  // pass: ColSpan - 1 fillers behind every real cell, and a filler wherever
  // a row span from above covers the position (the row's own cells move
  // right; a row too short is filled up to the last covered position).
  // spansBelow: for each column, the rows a span still covers below those
  // placed, up to the last column covered; the row counts its own spans in.
  // rowsLeft: the rows from this one to the table's end, which a span does
  // not pass. reaching receives the positions of the row's own cells whose
  // row span reaches below it.
  void PlaceInGrid(std::vector<int>& spansBelow, int rowsLeft, TCellFillers& fillers,
                   std::vector<int>& reaching);
  // The row's background colour to each cell whose content has none.
  void SpreadBackground();

 private:
  // A grid position is one word: a cell the row owns, a shared filler
  // marked by the low bit, or 0 for an empty entry.
  static constexpr std::uintptr_t kShared = 1;
  static std::uintptr_t SharedSlot(const TCellObj& filler) {
    return reinterpret_cast<std::uintptr_t>(&filler) | kShared;
  }
  static const TCellObj* CellOf(std::uintptr_t slot) {
    return reinterpret_cast<const TCellObj*>(slot & ~kShared);
  }
  static TCellObj* OwnOf(std::uintptr_t slot) {
    return slot & kShared ? nullptr : reinterpret_cast<TCellObj*>(slot);
  }
  std::vector<std::uintptr_t> slots_;
};

// ---------------------------------------------------------------------------

class ThtmlTable : public TSectionBase {
 public:
  // attributes and prop: the TABLE element's (either may be null).
  ThtmlTable(TSectionListBase* master, const TAttributeList* attributes, TProperties* prop);
  ~ThtmlTable() override;

  std::vector<std::unique_ptr<TCellList>> Rows;
  bool Initialized = false;
  int BorderWidth = 0;
  int NumCols = 0;
  int TableWidth = 0;
  int SpecWidth = 0;              // set by the table block before layout
  bool HasPixelWidths = false;
  int CellPadding = 1;
  int CellSpacing = 2;
  platform::Colour BorderColorLight, BorderColorDark;
  bool BkGnd = false;
  platform::Colour BkColor = NoColorValue;
  std::unique_ptr<std::vector<TColObj>> ColInfo;
  std::vector<int> Widths, MaxWidths, MinWidths, Percents, Heights;
  int DrawX = 0, DrawY = 0;
  int LayoutX = 0;                // the x of the last layout
  bool Float = false;             // the block around it floats
  TTableBlock* TableBlock = nullptr;

  // The rows, as the parser builds them.
  TCellList* AddRow(std::unique_ptr<TCellList> row);
  // A column description of COL / COLGROUP.
  void AddColInfo(const TColObj& col);
  int RowCount() const { return static_cast<int>(Rows.size()); }
  // The grid normalisation (once). The rows go into the grid from the top
  // while their positions fit in what the document's other tables leave of
  // kMaxGridPositions. A row that would pass it: when its own entries, one
  // position each, still fit beside what spans from above cover, those
  // spans stay and the row's column spans are shortened (from the left) to
  // what is left; otherwise every row span reaching into the row ends at the
  // row above it first. A real cell always keeps its own position.
  void Initialize();
  // Whether the table uses its own default border colours.
  bool DefaultBorderColors() const;

  // --- Section operations
  int Layout(platform::Canvas& canvas, int x, int y, int xRef, int yRef, int aWidth, int aHeight,
             int blHt, IndentManager& iMgr, int& maxWidth, int& curs) override;
  int Draw(platform::Canvas& canvas, TDrawContext& context, const platform::Rect& aRect,
           IndentManager& iMgr, int x, int xRef, int yRef) override;
  void WidthRange(platform::Canvas& canvas, int& minWidth, int& maxWidth) override;
  unsigned HitLink(platform::Canvas& canvas, int x, int y, std::unique_ptr<TUrlTarget>& url,
                   TFormControlObj*& formControl, std::string& title) override;
  bool HitObject(int x, int y, TFloatingObj*& obj, int& ix, int& iy) override;
  int CursorAt(platform::Canvas& canvas, int x, int y, int& xr, int& yr, int& caretHt,
               bool& inText) override;
  int FindForward(int from, const std::u16string& text, bool matchCase) override;
  int FindBackward(int from, const std::u16string& text, bool matchCase) override;
  int SourcePosOf(int pos) override;
  int DocPosOf(int sourcePos, bool prev) override;
  bool CursorToXY(platform::Canvas* canvas, int cursor, int& x, int& y) override;
  bool CharAt(int pos, char16_t& ch, TSectionBase*& obj) override;
  void CopyText(SelTextCount& holder) override;
  void AddToPositionList() override;
  void Dump(LayoutDumpWriter& writer) const override;

  // The minimum and maximum widths of the columns (Min/MaxWidths, and
  // Percents for the percentage-aware kind, of refWidth) with their sums.
  void GetMinMaxAbs(platform::Canvas& canvas, int& totMin, int& totMax);
  void GetWidthsAndPercents(platform::Canvas& canvas, int refWidth, int& totMin, int& totMax);

 private:
  // Lays out the cells of row j that span `span` rows for the height pass
  // and returns their height. tableHeight: the height offered to the table
  // less one spacing, of which (less the rows' spacing) percentages are
  // taken. desired: the height they ask for; specified: whether one gave a
  // height.
  int DoRowSpan(platform::Canvas& canvas, int j, int span, int tableHeight, int& desired,
                bool& specified, int& curs);
  // Heights for the rows of a table offered aHeight.
  void FindRowHeights(platform::Canvas& canvas, int aHeight, int& curs);
  // Shortens the spans row j meets so that it takes at most room positions
  // (see Initialize); reaching: (row, position) of the cells above whose
  // row span may reach row j.
  void FitInGrid(int j, std::int64_t room, std::vector<int>& spansBelow,
                 std::vector<std::pair<int, int>>& reaching);
  // Lays the row's cells out again with their vertical alignment at y.
  void DoVertAlign(platform::Canvas& canvas, TCellList& row, int y, int& curs);
  // The real cell under a point, or null.
  TCellObj* CellAt(int x, int y);
  // The width of span columns from first.
  int ColumnsWidth(int first, int span) const;
  // Where the rows are since the last layout: a paint finds its first row
  // by search, and hit tests do not depend on which rows a paint visited.
  void IndexRows();

  TCellFillers fillers_;        // what the grid's fillers point at
  std::vector<int> rowTops_;    // document y of each row's top
  std::vector<int> rowReach_;   // the lowest bottom of the rows up to each, spans included
};

}  // namespace htmlview
