// The style-sheet parser and the cascade on arbitrary text. The input is cut
// at NUL bytes into a linked style sheet, an inline STYLE attribute and a
// value for the conversions; the sheet and the inline style are applied to a
// small stack of elements (paragraph, link, table cell, list item) and every
// value the layout would read is converted, so a rule the parser accepts but
// the style model cannot hold shows up here and not in a page.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "htmlview/style/cssparser.h"
#include "htmlview/style/stylecodes.h"
#include "htmlview/style/styleprops.h"
#include "htmlview/style/stylesheet.h"
#include "platform/colors.h"
#include "platform/fonts.h"

namespace {

using namespace htmlview;

std::string_view NextPart(std::string_view& rest) {
  const size_t cut = rest.find('\0');
  std::string_view part = rest.substr(0, cut);
  rest = cut == std::string_view::npos ? std::string_view() : rest.substr(cut + 1);
  return part;
}

// Everything layout asks of a property set.
void ReadBack(TProperties& p) {
  TMyFont font = p.GetFont();
  (void)font;
  TMarginArray m{};
  int autoCount = 0;
  const TVMarginArray vm = p.GetVMarginArray();
  ConvMargArray(vm, 700, 500, p.EmSize, p.ExSize, m, autoCount);
  ConvInlineMargArray(vm, 700, 500, p.EmSize, p.ExSize, m);
  ConvCellPaddings(vm, p.EmSize, p.ExSize, m);
  int top = 0, bottom = 0;
  bool topDefault = false, bottomDefault = false;
  ConvVertMargins(vm, 700, p.EmSize, p.ExSize, top, topDefault, bottom, bottomDefault);
  PositionRecArray pos{};
  p.GetBackgroundPos(p.EmSize, p.ExSize, pos);
  std::string url;
  p.GetBackgroundImage(url);
  bool flag = false, a = false, b = false;
  TVAlign vAlign = TVAlign::None;
  p.GetVertAlign(vAlign);
  TFloatSide side = TFloatSide::None;
  p.GetFloat(side);
  // A clear is taken once: the box that reads it moves below the floats,
  // the boxes after it do not.
  TClear clear = TClear::None;
  if (p.GetClear(clear) && p.GetClear(clear)) __builtin_trap();
  p.GetListStyleType();
  p.GetListStyleImage();
  p.GetPosition();
  p.GetVisibility();
  p.GetZIndex();
  p.DisplayNone();
  p.IsOverflowHidden();
  p.GetLineHeight(16);
  p.GetTextIndent(flag);
  p.GetTextTransform();
  p.GetFontVariant();
  p.GetPageBreaks(a, b, flag);
  platform::Colour colour = 0;
  p.GetBackgroundColor(colour);
  p.GetOriginalForegroundColor(colour);
  p.GetBorderStyle();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  platform::SetFontBackend(platform::FontBackend::FixedMetric,
                           {"Times New Roman", "Courier New", "Verdana", "Arial"});
  InitVocabulary();
  InitStyleProps();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view rest(reinterpret_cast<const char*>(data), size);
  const std::string_view sheet = NextPart(rest);
  const std::string_view inlineText = NextPart(rest);
  const std::string_view value = NextPart(rest);

  bool linksActive = false;
  TStyleList styles(&linksActive);
  styles.InitDefaultStyles("Verdana", "Courier New", 12, platform::clBlack, platform::clBlue,
                           platform::clPurple, platform::clRed, true, 1, 8, 10);
  ParseLinkedStyleSheet(styles, sheet, "http://host/dir/");

  TPropStack& stack = PropStack();
  stack.Clear();
  auto root = std::make_unique<TProperties>();
  root->CopyDefault(*styles.DefProp());
  stack.Add(std::move(root));

  TProperties inlineStyle;
  ParseInlineStyle(inlineText, inlineStyle);
  ReadBack(*stack.PushNewProps(styles, "body"));
  ReadBack(*stack.PushNewProps(styles, "p", "intro", "first", {}, {}, &inlineStyle));
  ReadBack(*stack.PushNewProps(styles, "a", "", "", "link", "title", nullptr));
  ReadBack(*stack.PushNewProps(styles, "td", "b.a", "cell", {}, {}, &inlineStyle));
  ReadBack(*stack.PushNewProps(styles, "li"));
  // A mis-nested end: the entries above the removed one are re-derived.
  stack.Delete(2);
  for (int i = 2; i < stack.Count(); ++i) stack[i]->Update(stack[i - 1], styles, i);
  for (int i = 1; i < stack.Count(); ++i) ReadBack(*stack[i]);
  stack.Clear();

  platform::Colour colour = 0;
  ColorFromString(value, false, colour);
  ColorFromString(value, true, colour);
  FontSizeConv(value, 12.0);
  LengthConv(value, false, 100, 16, 8, 0);
  LengthConv(value, true, 100, 16, 8, 0);
  ReadUrl(value);
  FirstInstalledFamily(value);
  for (TVAlignWords words : {TVAlignWords::Style, TVAlignWords::Column, TVAlignWords::Object,
                             TVAlignWords::Cell})
    VAlignOf(value, words);
  TextAlignOf(value, {.foldCase = true, .trim = true, .justify = true, .middle = true});
  return 0;
}
