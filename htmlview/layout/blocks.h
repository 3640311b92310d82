#pragma once
// Blocks: the box of one block-level element (DIV, P, BLOCKQUOTE, list
// items, tables, the body, a rule's box ...). A block turns its style values
// into pixels, finds its width, collapses its top margin into the bottom
// margin of the block before it, places itself beside floats (or floats
// itself), clears, positions itself relatively or absolutely, and draws its
// background, border and content. The content is a TBlockCell of further
// sections, so blocks nest.
//
// The kinds: TTableBlock (around one table), TTableAndCaptionBlock (a table
// block with its caption block), THRBlock (around a rule), TBlockLI (a list
// item with its marker) and TBodyBlock (the document body).
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "htmlview/layout/background.h"
#include "htmlview/layout/boxvalues.h"
#include "htmlview/layout/cells.h"
#include "htmlview/parse/vocabulary.h"
#include "htmlview/style/styleprops.h"
#include "platform/canvas.h"
#include "platform/image.h"

namespace htmlview {

class TAttributeList;
class TImageObj;
class ThtmlTable;

// Vertical margins of blocks resolve against this height.
constexpr int kBlockBaseHeight = 400;

// ---------------------------------------------------------------------------

class TBlock : public TSectionBase {
 public:
  // prop: the element's properties (read here, not kept); ownerCell: the
  // cell the block is about to join (its sections so far decide the top
  // margin collapse); attributes: the tag's attributes (ID, TITLE), may be
  // null.
  TBlock(TSectionListBase* master, TProperties& prop, TCellBasic* ownerCell,
         const TAttributeList* attributes);
  ~TBlock() override;

  // A page may hold a great many blocks: the small fields after the box
  // values and the content take the room their ends leave.
  // --- Box values (pixels, colours and codes, resolved at each layout)
  [[no_unique_address]] TResolvedBox MargArray;
  platform::Colour FGColor = 0;          // the element's colour, default of the border colours
  // The same 28 values as the style gave them (lengths, percentages, auto).
  TBlockBoxValues MargArrayO;
  // The content (owned); its owner tag is the element's tag, its owner
  // block this block.
  [[no_unique_address]] TBlockCell MyCell;
  BorderStyle BlockBorderStyle = BorderStyle::None;
  TFloatSide FloatLR = TFloatSide::None;
  TClear ClearAttr = TClear::None;
  TPositioning Positioning = TPositioning::Static;
  TVisibility Visibility = TVisibility::Visible;
  int EmSize = 0, ExSize = 0;
  bool PageBreakBefore = false, PageBreakAfter = false, KeepIntact = false;
  bool DisplayNone = false;
  bool HideOverflow = false;             // kept only with a width above 20 pixels
  TTextAlign Justification = TTextAlign::Left;   // from text-align, never Justify
  int ZIndex = 0;                        // drawing order among the owner's sections
  TCellBasic* OwnerCell = nullptr;
  int NewWidth = 0;                      // content width found by the width rules
  int ClearAddon = 0;                    // room above the block to clear floats
  std::unique_ptr<TBackground> Background;   // only with a background picture
  int TopP = 0, LeftP = 0;               // offsets of positioned blocks
  int ContentBottom = 0;                 // bottom of the content box
  // Layout results beyond the base's.
  int ContentLeft = 0;                   // content x of the last layout
  int BlockHeight = 0;                   // height with margins (before floats give it up)
  int MarginBottomY = 0;                 // bottom of the margin box
  int DrawBottom = 0;                    // bottom of what is drawn (border box)
  int Indent = 0;                        // from the layout x to the content's left edge

  // tag "." class, "p." for a P without class.
  std::string TagClass() const;
  // The element's title (style or TITLE attribute), "" when it has none.
  const std::string& BlockTitle() const;
  // The content sections in drawing order.
  std::vector<TSectionBase*> DrawOrder() const;
  // The border box as last drawn, in window coordinates, of a block with a
  // title (the title is shown over it); empty for the others.
  platform::Rect MyRect() const;

  // --- Section operations
  void CopyText(SelTextCount& holder) override;
  int Layout(platform::Canvas& canvas, int x, int y, int xRef, int yRef, int aWidth, int aHeight,
             int blHt, IndentManager& iMgr, int& maxWidth, int& curs) override;
  int Draw(platform::Canvas& canvas, TDrawContext& context, const platform::Rect& aRect,
           IndentManager& iMgr, int x, int xRef, int yRef) override;
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
  void WidthRange(platform::Canvas& canvas, int& minWidth, int& maxWidth) override;
  void AddToPositionList() override;
  bool IsAbsolutePositioned() const override { return Positioning == TPositioning::Absolute; }
  bool HidesOverflow() const override { return HideOverflow; }
  bool DropDefaultBottomMargin() override;
  void Dump(LayoutDumpWriter& writer) const override;
  void DrawnBand(int& top, int& bottom) override;

  // --- Added operations
  virtual void DrawBlockBorder(platform::Canvas& canvas, const TDrawContext& context,
                               const platform::Rect& borderBox, const platform::Rect& paddingBox);
  // The content width; autoCount: how many of margin-left, width and
  // margin-right are auto.
  virtual int FindWidth(platform::Canvas& canvas, int aWidth, int aHeight, int autoCount);

  // --- What the parser sets after creation
  // The bottom margin as the style would give it: 0 ("a paragraph that ends
  // at a table") or the default margin (a closed container's last block).
  void SetBottomMargin(int pixels) { SetBoxValue(PropMarginBottom, PropValue(pixels)); }
  void SetDefaultBottomMargin() { SetBoxValue(PropMarginBottom, PropValue(DefaultMargin)); }
  // One of MargArrayO, shared with the document's blocks that hold the same.
  void SetBoxValue(int index, PropValue value);
  bool Floats() const { return FloatLR != TFloatSide::None; }

  // Resolves MargArrayO into MargArray; autoCount as for FindWidth.
  void ConvertMargins(int baseWidth, int baseHeight, int& autoCount);
  // Left and right extras of the resolved box: margin, border and padding,
  // or border and padding alone.
  int LeftExtra() const;
  int RightExtra() const;
  int LeftBorderPadding() const;
  int RightBorderPadding() const;
  // The float manager owner ID of the block's records.
  int OwnerID() const { return ownerID_; }
  // How far the block is drawn from where it was laid out (a relative
  // offset); hit tests move their point back by it, positions forward.
  platform::Point DrawShift() const;

 protected:
  // The block's own line of the layout dump (kind: "block", "li", ...),
  // before its content.
  std::string DumpLine(const std::string& kind) const;
  // For the kinds that collapse their top margin themselves.
  TBlock(TSectionListBase* master, TProperties& prop, TCellBasic* ownerCell,
         const TAttributeList* attributes, bool collapseTop);
  // The top margin collapse against the owner cell's sections (creation).
  void CollapseMargins();
  // Builds DrawList from the content (first layout).
  void BuildDrawList();
  // Draws the block with its layout origin at x: background, content, border.
  void DrawTheBlock(platform::Canvas& canvas, TDrawContext& context, const platform::Rect& aRect,
                    IndentManager& iMgr, int x, int xRef, int yRef);
  // Background colour and image over the padding box; the image is
  // composed once per layout.
  void DrawBackground(platform::Canvas& canvas, const TDrawContext& context,
                      const platform::Rect& aRect, const platform::Rect& paddingBox);
  // While printing: ends the page being drawn where this block's page-break
  // properties ask (aRect is the whole page).
  void EndPageForBreaks(TDrawContext& context, const platform::Rect& aRect);
  bool WidthGiven() const;
  // The height the content is laid out against.
  virtual int ContentHeightLimit(int aHeight, int blHt) const;
  // The content's width range, worked out once per layout of the document:
  // every block asks for the range of all it holds, so nested blocks would
  // otherwise walk their content once for each block around them.
  void ContentWidthRange(platform::Canvas& canvas, int& minWidth, int& maxWidth);

  // Draws the content sections a paint of aRect reaches.
  void DrawContent(platform::Canvas& canvas, TDrawContext& context, const platform::Rect& aRect,
                   IndentManager& mgr, int x, int xRef, int yRef);

  // The content sections in drawing order: the content's own, or the
  // rare one z-indexes gave.
  int DrawCount() const;
  TSectionBase* DrawnSection(int i) const;

  // What few blocks have, out of line: a page of a great many plain blocks
  // pays a pointer for it.
  struct Rare {
    std::string Class;                         // the element's class
    std::string Title;
    platform::Rect TitleRect;                  // MyRect
    // The scroll offset TitleRect was drawn at: a paint that skips the
    // block (a scroll step paints a strip) leaves it as it was, still true
    // in document rows.
    int TitleRectYOff = 0;
    std::unique_ptr<IndentManager> OwnIMgr;    // absolute blocks lay out in their own
    // The content in drawing order when z-indexes change it; empty when
    // the content's own order is the drawing order.
    std::vector<TSectionBase*> DrawList;
    std::unique_ptr<TImageObj> ListImage;      // a list item's list-style-image
  };
  Rare& MakeRare();
  std::unique_ptr<Rare> rare_;
  // Over the drawing order, built again after a layout. The small fields
  // after it take the room its end leaves.
  [[no_unique_address]] DrawReach drawReach_;
  bool drawListBuilt_ = false;
  bool overflowHidden_ = false;              // as the style says; HideOverflow as it applies
  int ownerID_ = 0;
  int contentWidthCycle_ = -1;               // the layout the range below is of
  int contentMinWidth_ = 0, contentMaxWidth_ = 0;
};
static_assert(sizeof(TBlock) <= 360,
              "a page may hold a block for every element, within the element-memory budget "
              "(htmlview/README.md, Memory): what few blocks need goes into Rare");

// ---------------------------------------------------------------------------

class TTableBlock : public TBlock {
 public:
  // table: the table this block holds; it becomes the content's first
  // section. tableAttributes: the TABLE tag's attributes.
  TTableBlock(TSectionListBase* master, TProperties& prop, TCellBasic* ownerCell,
              std::unique_ptr<ThtmlTable> table, const TAttributeList* tableAttributes);
  ~TTableBlock() override;

  ThtmlTable* Table = nullptr;   // the content's first section
  int WidthAttr = 0;             // pixels, or tenths of a percent with AsPercent
  bool AsPercent = false;
  platform::Colour BkColor = NoColorValue;   // from BGCOLOR
  bool BkGnd = false;
  int HSpace = 0, VSpace = 0;    // at most 40 and 200
  bool HasCaption = false;
  bool TableBorder = false;      // the border comes from the BORDER attribute
  int TableIndent = 0;           // x shift caused by floats

  int Layout(platform::Canvas& canvas, int x, int y, int xRef, int yRef, int aWidth, int aHeight,
             int blHt, IndentManager& iMgr, int& maxWidth, int& curs) override;
  int Draw(platform::Canvas& canvas, TDrawContext& context, const platform::Rect& aRect,
           IndentManager& iMgr, int x, int xRef, int yRef) override;
  void AddToPositionList() override;
  void Dump(LayoutDumpWriter& writer) const override;
  void DrawBlockBorder(platform::Canvas& canvas, const TDrawContext& context,
                       const platform::Rect& borderBox, const platform::Rect& paddingBox) override;
  int FindWidth(platform::Canvas& canvas, int aWidth, int aHeight, int autoCount) override;
  // The table's content width in aWidth less extMarg (the side margins;
  // the caption-and-table block asks with its own).
  int FindWidth1(platform::Canvas& canvas, int aWidth, int extMarg);

 protected:
  int ContentHeightLimit(int aHeight, int blHt) const override;
};

// ---------------------------------------------------------------------------

class TTableAndCaptionBlock : public TBlock {
 public:
  // The parser appends the caption block and the table block to MyCell in
  // the caption's order, then calls SetCaptionBlock.
  TTableAndCaptionBlock(TSectionListBase* master, TProperties& prop, TCellBasic* ownerCell,
                        const TAttributeList* tableAttributes, TTableBlock* tableBlock);
  ~TTableAndCaptionBlock() override;

  std::string TableID;
  TTableBlock* TableBlock = nullptr;   // in MyCell
  TBlock* CaptionBlock = nullptr;      // in MyCell
  // Whether the caption comes first in MyCell; read only by the layout
  // dump (layout goes by MyCell's order).
  bool TopCaption = true;

  void SetCaptionBlock(TBlock* caption, bool top);

  void WidthRange(platform::Canvas& canvas, int& minWidth, int& maxWidth) override;
  int FindWidth(platform::Canvas& canvas, int aWidth, int aHeight, int autoCount) override;
  int DocPosOf(int sourcePos, bool prev) override;
  void Dump(LayoutDumpWriter& writer) const override;
};

// ---------------------------------------------------------------------------

class THorzLine;

class THRBlock : public TBlock {
 public:
  using TBlock::TBlock;

  TTextAlign Align = TTextAlign::Center;   // the rule's alignment
  // The rule in MyCell (set by the parser, or found at layout).
  THorzLine* Line() const;

  int FindWidth(platform::Canvas& canvas, int aWidth, int aHeight, int autoCount) override;
  void Dump(LayoutDumpWriter& writer) const override;
};

// ---------------------------------------------------------------------------

class TBodyBlock : public TBlock {
 public:
  TBodyBlock(TSectionListBase* master, TProperties& prop, TCellBasic* ownerCell,
             const TAttributeList* attributes);

  int Layout(platform::Canvas& canvas, int x, int y, int xRef, int yRef, int aWidth, int aHeight,
             int blHt, IndentManager& iMgr, int& maxWidth, int& curs) override;
  int Draw(platform::Canvas& canvas, TDrawContext& context, const platform::Rect& aRect,
           IndentManager& iMgr, int x, int xRef, int yRef) override;
  unsigned HitLink(platform::Canvas& canvas, int x, int y, std::unique_ptr<TUrlTarget>& url,
                   TFormControlObj*& formControl, std::string& title) override;
  void Dump(LayoutDumpWriter& writer) const override;
};

}  // namespace htmlview
