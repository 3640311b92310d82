#pragma once
// List items: a block with its marker (a number, a shape or a picture)
// drawn beside its first line.
#include <cstdint>
#include <memory>
#include <string>

#include "htmlview/layout/blocks.h"

namespace htmlview {

// The list a list item stands in (Outside: an item outside any list).
enum class TListType : uint8_t { Ordered, Unordered, Definition, Outside };

// The marker text of a numbered list item ("" for the shapes): decimal,
// letters and roman numerals followed by ".". Numbers of any size give the
// right numeral or letters; numbers below 1 fall back to decimal.
std::u16string ListMarkerText(TListStyle style, int number);

class TBlockLI : public TBlock {
 public:
  // listSym: OL, UL, DIR, MENU, DL, or anything else for an item outside a
  // list; itemSym: LI, DD or DT; indexType: OL's TYPE character.
  TBlockLI(TSectionListBase* master, TProperties& prop, TCellBasic* ownerCell, HtmlSymbol listSym,
           HtmlSymbol itemSym, bool plain, char indexType, int listNumber, int listLevel,
           const TAttributeList* attributes);
  ~TBlockLI() override;

  int ListNumber = 1;
  int FirstLineHt = 0;                // baseline of the first line (document y)
  TListType ListType = TListType::Outside;
  TListStyle ListStyleType = TListStyle::Disc;
  // The item's font (the marker's): items of the same style share it.
  const TMyFont& ListFont() const { return *listFont_; }
  // The list-style-image, if any (kept with the block's rare values).
  TImageObj* Image() const { return rare_ ? rare_->ListImage.get() : nullptr; }

  int Layout(platform::Canvas& canvas, int x, int y, int xRef, int yRef, int aWidth, int aHeight,
             int blHt, IndentManager& iMgr, int& maxWidth, int& curs) override;
  int Draw(platform::Canvas& canvas, TDrawContext& context, const platform::Rect& aRect,
           IndentManager& iMgr, int x, int xRef, int yRef) override;
  bool DropDefaultBottomMargin() override;
  void Dump(LayoutDumpWriter& writer) const override;

 private:
  std::shared_ptr<const TMyFont> listFont_;
};
static_assert(sizeof(TBlockLI) <= 384,
              "a page may hold a list item for every LI, DT and DD, within the element-memory "
              "budget (htmlview/README.md, Memory): what few items need goes into the block's Rare");

}  // namespace htmlview
