#pragma once
// The simple sections of a document: the horizontal rule and the page-break
// marker. (Preformatted text is a text section and lives with them.)
#include "htmlview/layout/sections.h"
#include "platform/colors.h"

namespace htmlview {

class TAttributeList;
class TProperties;
class TPreFormated;   // a text section that does not wrap

class THorzLine : public TSectionBase {
 public:
  // From the attributes of an HR tag; prop is the element's style, which
  // receives the rule's colour, width and height (may be null).
  THorzLine(TSectionListBase* root, const TAttributeList* attributes, TProperties* prop);

  int VSize = 2;                        // thickness in pixels
  platform::Colour Color = platform::clNone;
  TTextAlign Align = TTextAlign::Center;   // never Justify
  bool NoShade = false;
  int Indent = 0;                       // x of the rule after layout
  int Width = 0;                        // width of the rule after layout

  int Layout(platform::Canvas& canvas, int x, int y, int xRef, int yRef, int aWidth, int aHeight,
             int blHt, IndentManager& iMgr, int& maxWidth, int& curs) override;
  int Draw(platform::Canvas& canvas, TDrawContext& context, const platform::Rect& aRect,
           IndentManager& iMgr, int x, int xRef, int yRef) override;
  void Dump(LayoutDumpWriter& writer) const override;

 private:
  int layoutX_ = 0;   // the X the rule was laid out at; drawing may be shifted
};

class TPage : public TSectionBase {
 public:
  using TSectionBase::TSectionBase;

  // Nothing on screen; while printing it ends the page at its y.
  int Draw(platform::Canvas& canvas, TDrawContext& context, const platform::Rect& aRect,
           IndentManager& iMgr, int x, int xRef, int yRef) override;
  void Dump(LayoutDumpWriter& writer) const override;
};

}  // namespace htmlview
