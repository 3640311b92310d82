#include "htmlview/layout/simplesections.h"

#include <algorithm>
#include <string>

#include "htmlview/parse/attributes.h"
#include "htmlview/layout/cells.h"
#include "htmlview/layout/layoutdump.h"
#include "htmlview/style/styleprops.h"

namespace htmlview {

// ---------------------------------------------------------------- THorzLine

THorzLine::THorzLine(TSectionListBase* root, const TAttributeList* attributes, TProperties* prop)
    : TSectionBase(root) {
  if (attributes) {
    for (int i = 0; i < attributes->Count(); ++i) {
      const TAttribute& a = (*attributes)[i];
      switch (a.Which) {
        case HtmlSymbol::Color: {
          platform::Colour c;
          if (ColorFromString(a.Name, false, c)) {
            Color = c;
            if (prop) prop->Assign(PropValue::FromColour(c), PropColor);
          }
          break;
        }
        case HtmlSymbol::NoShade:
          NoShade = true;
          break;
        case HtmlSymbol::Size:
          if (a.Value >= 1 && a.Value <= 20) VSize = a.Value;
          break;
        case HtmlSymbol::Align:
          // "center" is the rule's default already and leaves an earlier ALIGN standing.
          if (auto align = TextAlignOf(a.Name, {.foldCase = true});
              align && align != TTextAlign::Center)
            Align = *align;
          break;
        case HtmlSymbol::Width:
          if (a.Value >= 1 && prop) {
            if (a.Name.find('%') != std::string::npos)
              prop->Assign(PropValue(std::to_string(std::min(a.Value, 100)) + "%"), PropWidth);
            else
              prop->Assign(PropValue(a.Value), PropWidth);
          }
          break;
        default:
          break;
      }
    }
  }
  if (!prop) return;
  prop->Assign(PropValue(VSize), PropHeight);
  platform::Colour c;
  if (prop->GetOriginalForegroundColor(c)) Color = c;
  const PropValue& align = prop->Props[PropTextAlign];
  if (prop->Originals[PropTextAlign] && align.IsText())
    Align = TextAlignOf(align.Text(), {.foldCase = true}).value_or(Align);
}

int THorzLine::Layout(platform::Canvas& canvas, int x, int y, int xRef, int yRef, int aWidth,
                      int aHeight, int blHt, IndentManager& iMgr, int& maxWidth, int& curs) {
  SectionHeight = VSize;
  TSectionBase::Layout(canvas, x, y, xRef, yRef, aWidth, aHeight, blHt, iMgr, maxWidth, curs);
  layoutX_ = x;
  Indent = std::max(x, iMgr.LeftIndent(y));
  Width = std::min(aWidth + x - Indent, iMgr.RightSide(y) - Indent);
  maxWidth = Width;
  return SectionHeight;
}

int THorzLine::Draw(platform::Canvas& canvas, TDrawContext& context, const platform::Rect& aRect,
                    IndentManager& iMgr, int x, int xRef, int yRef) {
  const int result = TSectionBase::Draw(canvas, context, aRect, iMgr, x, xRef, yRef);
  if (!MeetsClip(aRect) || Width <= 0 || VSize <= 0) return result;
  context.FirstLineDrawn = false;

  const int yOff = Root ? Root->YOff : 0;
  const int top = DrawTop - yOff;
  const int left = x + (Indent - layoutX_);
  const int right = left + Width;   // exclusive
  if (Color != platform::clNone) {
    canvas.FillRect({left, top, right, top + VSize}, Color | PaletteRelative());
    return result;
  }

  const bool printing = context.Printing;
  const bool white = printing || (Root ? platform::ColourToRgb(Root->Background) == platform::clWhite
                                       : true);
  const bool black = NoShade || (printing && context.PrintMonochrome);
  const platform::Colour light =
      black ? platform::clBlack : white ? platform::clSilver : platform::clBtnHighlight;
  const platform::Colour dark = black ? platform::clBlack : platform::clBtnShadow;
  const int xr = right - 1, yb = top + VSize - 1;

  const platform::Pen savedPen = canvas.pen;
  canvas.pen = {light, 1, platform::PenStyle::Solid};
  // Right and bottom edges light, left and top dark, as a sunken groove.
  canvas.MoveTo(xr, top);
  canvas.LineTo(xr, yb);
  canvas.LineTo(left, yb);
  canvas.pen.color = dark;
  canvas.LineTo(left, top);
  canvas.LineTo(xr, top);
  canvas.pen = savedPen;
  return result;
}

void THorzLine::Dump(LayoutDumpWriter& writer) const {
  std::string line = "hr " + LayoutDumpWriter::Rect(Indent, SectionTop, Width, VSize);
  if (Color != platform::clNone) line += " color " + LayoutDumpWriter::Colour(Color);
  if (NoShade) line += " noshade";
  writer.Line(line);
}

// -------------------------------------------------------------------- TPage

void TPage::Dump(LayoutDumpWriter& writer) const {
  writer.Line("page y=" + std::to_string(SectionTop));
}

int TPage::Draw(platform::Canvas& canvas, TDrawContext& context, const platform::Rect& aRect,
                IndentManager& iMgr, int x, int xRef, int yRef) {
  const int result = TSectionBase::Draw(canvas, context, aRect, iMgr, x, xRef, yRef);
  if (context.Printing && DrawTop > YOffOf(Root) + 5 && DrawTop < context.PageBottom)
    context.PageBottom = DrawTop;
  return result;
}

}  // namespace htmlview
