#pragma once
// A section of fixed size for layout tests of blocks and tables: its width
// range and height are given, so geometry can be checked without fonts. It
// records where it was laid out and drawn, and can paint its box.
#include <algorithm>
#include <memory>
#include <new>

#include "htmlview/layout/cells.h"
#include "htmlview/layout/docroot.h"
#include "htmlview/layout/sections.h"
#include "htmlview/layout/viewdraw.h"

namespace htmlview::testing {

class FixedSection : public TSectionBase {
 public:
  FixedSection(TSectionListBase* root, int minWidth, int maxWidth, int height, int length = 1)
      : TSectionBase(root), MinW(minWidth), MaxW(maxWidth), Height(height), Length(length) {}

  int MinW, MaxW, Height, Length;
  platform::Colour Paint = platform::clNone;   // fills its box when drawn
  int Baseline = 0;   // > 0: reports its first baseline (y + Baseline) to a list item
  // > 0: that layout of it (counted in Layouts) runs out of memory, a
  // failure no cell catches, which stops the layout of the whole document.
  int FailAtLayout = 0;
  // The last layout and draw.
  int LaidX = 0, LaidY = 0, LaidWidth = 0, LaidLeft = 0, LaidRight = 0;
  int DrawnX = -1;
  int Layouts = 0;
  int WidthRanges = 0;   // how often its width range was asked for

  void WidthRange(platform::Canvas&, int& minWidth, int& maxWidth) override {
    ++WidthRanges;
    minWidth = MinW;
    maxWidth = MaxW;
  }
  int Layout(platform::Canvas&, int x, int y, int, int, int aWidth, int, int, IndentManager& iMgr,
             int& maxWidth, int& curs) override {
    if (++Layouts == FailAtLayout) throw std::bad_alloc();
    LaidX = x;
    LaidY = y;
    LaidWidth = aWidth;
    LaidLeft = iMgr.LeftIndent(y);
    LaidRight = iMgr.RightSide(y);
    StartCurs = curs;
    Len = Length;
    curs += Length;
    SectionHeight = DrawHeight = Height;
    SectionTop = ContentTop = DrawTop = y;
    SectionBottom = ContentBot = y + Height;
    maxWidth = std::min(MaxW, aWidth);
    if (Root && Baseline > 0) Root->LayoutContext().OfferFirstBaseline(y + Baseline);
    return Height;
  }
  int Draw(platform::Canvas& canvas, TDrawContext&, const platform::Rect&, IndentManager&, int x,
           int, int) override {
    DrawnX = x;
    if (Paint != platform::clNone) {
      const int yOff = Root ? Root->YOff : 0;
      FillRectColor(canvas, {x, DrawTop - yOff, x + std::min(MaxW, LaidWidth), DrawTop - yOff + Height},
                    Paint);
    }
    return DrawTop + Height;
  }
};

// Adds a fixed section to a cell and returns it.
inline FixedSection* AddFixed(TCellBasic& cell, int minWidth, int maxWidth, int height,
                              int length = 1) {
  auto s = std::make_unique<FixedSection>(cell.MasterList, minWidth, maxWidth, height, length);
  FixedSection* raw = s.get();
  cell.Add(std::move(s), 0);
  return raw;
}

}  // namespace htmlview::testing
