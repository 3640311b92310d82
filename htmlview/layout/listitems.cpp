#include "htmlview/layout/listitems.h"

#include "htmlview/images/imageload.h"
#include "htmlview/layout/docroot.h"
#include "htmlview/layout/imageobj.h"
#include "htmlview/layout/layoutdump.h"
#include "htmlview/parse/attributes.h"
#include "platform/sysutils.h"

namespace htmlview {

// -------------------------------------------------------------------- TBlockLI

std::u16string ListMarkerText(TListStyle style, int number) {
  auto ascii = [](const std::string& s) { return std::u16string(s.begin(), s.end()); };
  if (number < 1) return ascii(std::to_string(number) + ".");
  switch (style) {
    case TListStyle::Decimal:
      return ascii(std::to_string(number) + ".");
    case TListStyle::LowerAlpha:
    case TListStyle::UpperAlpha: {
      // a ... z, aa ... az, ba ...: letters as spreadsheet columns count.
      std::string s;
      for (int n = number; n > 0; n = (n - 1) / 26)
        s.insert(s.begin(),
                 static_cast<char>((style == TListStyle::LowerAlpha ? 'a' : 'A') + (n - 1) % 26));
      return ascii(s + ".");
    }
    case TListStyle::LowerRoman:
    case TListStyle::UpperRoman: {
      // Roman numerals end at 3999; larger numbers are shown in digits.
      if (number > 3999) return ascii(std::to_string(number) + ".");
      static const struct {
        int value;
        const char* text;
      } kTable[] = {{1000, "m"}, {900, "cm"}, {500, "d"}, {400, "cd"}, {100, "c"},
                    {90, "xc"},  {50, "l"},   {40, "xl"}, {10, "x"},   {9, "ix"},
                    {5, "v"},    {4, "iv"},   {1, "i"}};
      std::string s;
      int n = number;
      for (const auto& row : kTable)
        while (n >= row.value) {
          s += row.text;
          n -= row.value;
        }
      if (style == TListStyle::UpperRoman) s = platform::UpperCase(s);
      return ascii(s + ".");
    }
    default:
      return {};
  }
}

TBlockLI::TBlockLI(TSectionListBase* master, TProperties& prop, TCellBasic* ownerCell,
                   HtmlSymbol listSym, HtmlSymbol itemSym, bool plain, char indexType,
                   int listNumber, int listLevel, const TAttributeList* attributes)
    : TBlock(master, prop, ownerCell, attributes), ListNumber(listNumber) {
  switch (listSym) {
    case HtmlSymbol::OL:
      ListType = TListType::Ordered;
      ListStyleType = indexType == 'A'   ? TListStyle::UpperAlpha
                      : indexType == 'I' ? TListStyle::UpperRoman
                      : indexType == 'a' ? TListStyle::LowerAlpha
                      : indexType == 'i' ? TListStyle::LowerRoman
                                         : TListStyle::Decimal;
      break;
    case HtmlSymbol::UL:
    case HtmlSymbol::Dir:
    case HtmlSymbol::Menu:
      ListType = TListType::Unordered;
      if (plain) {
        ListStyleType = TListStyle::None;
      } else {
        const int level = ((listLevel % 3) + 3) % 3;
        ListStyleType = level == 1   ? TListStyle::Disc
                        : level == 2 ? TListStyle::Circle
                                     : TListStyle::Square;
      }
      break;
    case HtmlSymbol::DL:
      ListType = TListType::Definition;
      break;
    default: {
      ListType = TListType::Outside;
      ListStyleType = TListStyle::Disc;
      const PropValue& ml = MargArrayO[PropMarginLeft];
      if (!LengthGiven(ml) || (ml.IsInt() && ml.Int() == 0) || (ml.IsText() && platform::LowerCase(platform::Trim(ml.Text())) == "0"))
        SetBoxValue(PropMarginLeft, PropValue(16));
      break;
    }
  }
  (void)itemSym;
  // "blank" is what the style gives when no list-style-type applies (the
  // default sheet sets it on the lists themselves).
  const TListStyle styleType = prop.GetListStyleType();
  if (styleType != TListStyle::Blank) ListStyleType = styleType;
  const std::string image = prop.GetListStyleImage();
  if (!image.empty()) MakeRare().ListImage = std::make_unique<TImageObj>(master, image);
  listFont_ = BoxValuesOf(master).ListFonts.Shared(prop.GetFont());
}

TBlockLI::~TBlockLI() = default;

int TBlockLI::Layout(platform::Canvas& canvas, int x, int y, int xRef, int yRef, int aWidth,
                     int aHeight, int blHt, IndentManager& iMgr, int& maxWidth, int& curs) {
  if (TImageObj* image = Image(); image && Root && Root->ShowImages) {
    if (image->Kind() == TImageObj::PictureKind::None)
      image->Layout(Root, canvas, nullptr, 100, 100);
    if (image->Kind() == TImageObj::PictureKind::Error) rare_->ListImage.reset();
  }
  FirstLineHt = 0;
  // An item inside this one waits for its own baseline; this one's waiting
  // resumes after it.
  TLayoutContext detached;
  TLayoutContext& context = Root ? Root->LayoutContext() : detached;
  TContextSetting waiting(context.ListItemWaiting, true);
  TContextSetting baseline(context.ListItemBaseline, 0);
  const int h = TBlock::Layout(canvas, x, y, xRef, yRef, aWidth, aHeight, blHt, iMgr, maxWidth, curs);
  FirstLineHt = context.ListItemBaseline;
  return h;
}

int TBlockLI::Draw(platform::Canvas& canvas, TDrawContext& context, const platform::Rect& aRect,
                   IndentManager& iMgr, int x, int xRef, int yRef) {
  const int result = TBlock::Draw(canvas, context, aRect, iMgr, x, xRef, yRef);
  if (DisplayNone || Visibility == TVisibility::Hidden || FirstLineHt <= 0) return result;
  const int baseline = FirstLineHt - YOffOf(Root);
  if (baseline < aRect.top - 50 || baseline > aRect.bottom + 50) return result;
  int cx = x + Indent;
  if (Positioning == TPositioning::Relative) cx += LeftP;
  if (Positioning == TPositioning::Absolute) cx = xRef + Indent;
  const int y = Positioning == TPositioning::Relative ? baseline + TopP : baseline;
  if (TImageObj* image = Image(); image && image->ShowsPicture()) {
    if (const platform::Bitmap* picture = image->Bitmap())
      canvas.Draw(cx - 16, y - picture->Height(), *picture);
    return result;
  }
  const platform::Colour colour = ListFont().color;
  if (ListType != TListType::Definition &&
      (ListStyleType == TListStyle::Decimal || ListStyleType == TListStyle::LowerAlpha ||
       ListStyleType == TListStyle::UpperAlpha || ListStyleType == TListStyle::LowerRoman ||
       ListStyleType == TListStyle::UpperRoman)) {
    const std::u16string text = ListMarkerText(ListStyleType, ListNumber);
    const int level = canvas.Save();
    canvas.font = ListFont();
    canvas.textAlign = platform::TA_RIGHT | platform::TA_BASELINE;
    canvas.bkMode = platform::BkMode::Transparent;
    canvas.ExtTextOut(cx - 10, y, 0, nullptr, text);
    canvas.Restore(level);
    return result;
  }
  if (ListStyleType != TListStyle::Circle && ListStyleType != TListStyle::Disc &&
      ListStyleType != TListStyle::Square)
    return result;
  const int level = canvas.Save();
  canvas.pen = {colour, 1, platform::PenStyle::Solid};
  canvas.brush = {colour, platform::BrushStyle::Solid};
  switch (ListStyleType) {
    case TListStyle::Circle:
      canvas.brush.style = platform::BrushStyle::Clear;
      canvas.Ellipse({cx - 16, y - 7, cx - 9, y});
      break;
    case TListStyle::Disc:
      canvas.Ellipse({cx - 15, y - 6, cx - 10, y - 1});
      break;
    default:
      canvas.FillRect({cx - 15, y - 6, cx - 10, y - 1});
      break;
  }
  canvas.Restore(level);
  return result;
}

void TBlockLI::Dump(LayoutDumpWriter& writer) const {
  std::string line = DumpLine("li");
  if (!DisplayNone) {
    const std::u16string text = ListType == TListType::Definition
                                    ? std::u16string()
                                    : ListMarkerText(ListStyleType, ListNumber);
    line += " marker ";
    line += Image() ? "image" : !text.empty() ? LayoutDumpWriter::Quoted(text)
            : ListType == TListType::Definition
                ? "none"
                : std::string(ListStyleTypes[static_cast<size_t>(ListStyleType)]);
    line += " base=" + std::to_string(FirstLineHt);
  }
  writer.Line(line);
  if (DisplayNone) return;
  LayoutDumpWriter::Nested nested(writer);
  DumpCell(writer, MyCell);
}

bool TBlockLI::DropDefaultBottomMargin() { return MyCell.CheckLastBottomMargin(); }

}  // namespace htmlview
