#include "htmlview/style/styleprops.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <new>
#include <vector>

#include "platform/image.h"
#include "platform/sysutils.h"
#include "htmlview/style/stylesheet.h"

namespace htmlview {

using platform::Colour;
using platform::LowerCase;
using platform::Trim;

namespace {

// Module state (user-interface thread only).
std::unique_ptr<TPropStack> gPropStack;
double gDefaultPointSize = 12.0;
int gSerial = 0;

// One-entry cache of ColorFromString. The hash requirement is part of the
// key: a bare "abc" accepted as hexadecimal in a style-sheet value must not
// make the same word a colour where "#" is required.
struct LastColour {
  bool valid = false;
  std::string text;
  bool needHash = false;
  Colour palette = 0;
  Colour colour = 0;
};
LastColour gLastColour;

const std::string kEmptyText;
constexpr double kMaxFontPoints = 2000;
// Converted lengths stay within this many pixels either way.
constexpr double kMaxStyleLength = 1000000;

bool IsNumberChar(char c, bool first) {
  return (c >= '0' && c <= '9') || c == '.' || (first && (c == '-' || c == '+'));
}

// The number ends where a decimal number stops (it never takes an "e", so
// "1em" is 1 and "em"); the unit is the trimmed, lower-cased rest.
struct NumberAndUnit {
  double number = 0;
  bool numberOk = false;
  std::string unit;
};

NumberAndUnit SplitNumber(std::string_view text) {
  const std::string t = Trim(text);
  size_t i = 0;
  while (i < t.size() && IsNumberChar(t[i], i == 0)) ++i;
  NumberAndUnit r;
  std::string_view num(t.data(), i);
  if (!num.empty() && num.front() == '+') num.remove_prefix(1);
  if (!num.empty()) {
    double v = 0;
    const auto res = std::from_chars(num.data(), num.data() + num.size(), v);
    if (res.ec == std::errc() && res.ptr == num.data() + num.size() && std::isfinite(v)) {
      r.number = v;
      r.numberOk = true;
    }
  }
  r.unit = LowerCase(Trim(std::string_view(t).substr(i)));
  return r;
}

// A length in pixels within the cap, rounded as the style rounds.
int CappedLength(double r) {
  if (!std::isfinite(r)) return 0;
  return RoundHalfEven(std::clamp(r, -kMaxStyleLength, kMaxStyleLength));
}

bool ParseHex(std::string_view s, uint32_t& value) {
  if (s.empty() || s.size() > 8) return false;
  uint32_t v = 0;
  for (char c : s) {
    int d;
    if (c >= '0' && c <= '9') d = c - '0';
    else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
    else return false;
    v = (v << 4) | static_cast<uint32_t>(d);
  }
  value = v;
  return true;
}

bool RgbFunction(const std::string& s, Colour& colour) {
  const size_t rgb = s.find("rgb");
  const size_t open = s.find('(', rgb + 3);
  if (open == std::string::npos) return false;
  const size_t close = s.find(')', open + 1);
  if (close == std::string::npos) return false;
  const std::string inner = s.substr(open + 1, close - open - 1);
  int channels[3] = {0, 0, 0};
  size_t start = 0;
  for (int k = 0; k < 3; ++k) {
    if (start > inner.size()) return false;  // fewer than three values
    size_t comma = inner.find(',', start);
    if (comma == std::string::npos) comma = inner.size();
    std::string part = Trim(std::string_view(inner).substr(start, comma - start));
    start = comma + 1;
    int v = 0;
    const size_t pct = part.find('%');
    if (pct != std::string::npos) {
      part.erase(pct, 1);
      const NumberAndUnit n = SplitNumber(part);
      v = n.numberOk && n.unit.empty() ? RoundHalfEven(n.number * 2.55) : 0;
    } else {
      int32_t iv = 0;
      v = platform::TryStrToInt(part, iv) ? iv : 0;
    }
    channels[k] = std::clamp(v, 0, 255);
  }
  colour = platform::Rgb(channels[0], channels[1], channels[2]);
  return true;
}

constexpr std::string_view kSymbolFamilies[] = {"symbol", "wingdings", "wingdings 2",
                                                "wingdings 3", "webdings", "marlett"};

// The charset the platform reports for a font: symbol fonts report the
// symbol set whatever was asked; "default" resolves to ANSI.
int MeasuredCharset(std::string_view family, int requested) {
  const std::string lower = LowerCase(family);
  for (std::string_view s : kSymbolFamilies)
    if (lower == s) return 2;
  return requested == 1 ? 0 : requested;
}

bool IsBold(const PropValue& v) {
  if (v.IsNumeric()) return v.Number() >= 600;
  if (!v.IsText()) return false;
  if (v.Text().find("bold") != std::string::npos) return true;
  int32_t n = 0;
  return platform::TryStrToInt(Trim(v.Text()), n) && n >= 600;
}

double FontSizeOf(const PropValue& v) {
  if (v.IsNumeric() && v.Number() > 0) return v.Number();
  if (v.IsText()) return FontSizeConv(v.Text(), gDefaultPointSize);
  return gDefaultPointSize;
}

int BorderStyleCode(const PropValue& v) {
  if (v.IsText()) return static_cast<int>(BorderStyleFromString(Trim(v.Text())));
  if (v.IsInt() && v.Int() >= 0 && v.Int() < static_cast<int>(BorderStyleNames.size()))
    return v.Int();
  return 0;
}

}  // namespace

// ---------------------------------------------------------------------------
// Module state

Colour PaletteRelative() { return platform::ScreenDepth() <= 8 ? 0x02000000u : 0u; }

void InitStyleProps() {
  if (!gPropStack) gPropStack = std::make_unique<TPropStack>();
  gLastColour = LastColour{};
}

void DoneStyleProps() {
  gPropStack.reset();
  gLastColour = LastColour{};
}

TPropStack& PropStack() {
  if (!gPropStack) gPropStack = std::make_unique<TPropStack>();
  return *gPropStack;
}

double DefaultPointSize() { return gDefaultPointSize; }
void SetDefaultPointSize(double points) {
  if (std::isfinite(points) && points > 0) gDefaultPointSize = points;
}

const std::string& PropValue::Text() const {
  return IsText() ? std::get<SharedText>(v_).Get() : kEmptyText;
}

int RoundHalfEven(double value) {
  return std::isfinite(value) ? platform::ClampToInt(std::nearbyint(value)) : 0;
}

// ---------------------------------------------------------------------------
// Conversions

bool ColorFromString(std::string_view text, bool needHash, Colour& color) {
  if (text.empty()) return false;
  const std::string s = LowerCase(Trim(text));
  if (s.empty()) return false;
  const Colour palette = PaletteRelative();
  if (gLastColour.valid && gLastColour.needHash == needHash && gLastColour.palette == palette &&
      gLastColour.text == s) {
    color = gLastColour.colour;
    return true;
  }
  Colour result = 0;
  bool ok = false;
  if (s.front() != '#' && s.find("rgb(") == std::string::npos) {
    if (auto named = LookupColorName(s)) {
      result = *named;
      ok = true;
    }
  }
  if (!ok) {
    if (s.find("rgb") != std::string::npos) {
      ok = RgbFunction(s, result);
    } else {
      const size_t hash = s.rfind('#');
      if (hash != std::string::npos || !needHash) {
        std::string hex = Trim(hash == std::string::npos ? std::string_view(s)
                                                         : std::string_view(s).substr(hash + 1));
        if (hex.size() < 4) {
          std::string doubled;
          for (char c : hex) doubled.append(2, c);
          hex = doubled;
        }
        uint32_t v = 0;
        if (ParseHex(hex, v)) {
          result = platform::Rgb((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF) | palette;
          ok = true;
        }
      }
    }
  }
  if (!ok) return false;
  gLastColour = LastColour{true, s, needHash, palette, result};
  color = result;
  return true;
}

double FontSizeConv(std::string_view text, double oldSize) {
  const NumberAndUnit n = SplitNumber(text);
  const double v = n.number;
  const double d = gDefaultPointSize;
  const std::string& u = n.unit;
  if (u == "in") return v * 72;
  if (u == "cm") return v * 72 / 2.54;
  if (u == "mm") return v * 72 / 25.4;
  if (u == "pt") return v;
  if (u == "px" || u.empty()) return v * 72 / platform::kPixelsPerInch;
  if (u == "pc") return v * 12;
  if (u == "em") return v * oldSize;
  if (u == "ex") return v * oldSize / 2;
  if (u == "%") return v * oldSize / 100;
  if (u == "smaller") return 0.75 * oldSize;
  if (u == "larger") return 1.25 * oldSize;
  if (u == "xx-small") return d / 1.5;
  if (u == "x-small") return d / 1.2;
  if (u == "medium") return 1.2 * d;
  if (u == "large") return 1.5 * d;
  if (u == "x-large") return 2 * d;
  if (u == "xx-large") return 3 * d;
  return d;
}

int LengthConv(std::string_view text, bool relative, int base, int emHeight, int exHeight,
               int defaultValue) {
  const NumberAndUnit n = SplitNumber(text);
  const double v = n.number;
  const double p = platform::kPixelsPerInch;
  const std::string& u = n.unit;
  double r;
  if (u == "in") r = v * p;
  else if (u == "cm") r = v * p / 2.54;
  else if (u == "mm") r = v * p / 25.4;
  else if (u == "pt") r = v * p / 72;
  else if (u == "px") r = v;
  else if (u == "pc") r = v * p / 6;
  else if (u == "em") r = v * emHeight;
  else if (u == "ex") r = v * exHeight;
  else if (u == "%") r = base * v / 100;
  else if (u.empty()) r = relative ? base * v : v;
  else return defaultValue;
  // Layout adds margins, paddings, borders and widths in int: a length from
  // hostile text ("99999999999999px") saturated at the int limit would
  // overflow those sums. Attribute numbers are capped the same way.
  return CappedLength(r);
}

std::string ReadUrl(std::string_view value) {
  const size_t start = value.find("url(");
  if (start == std::string_view::npos) return {};
  std::string_view rest = value.substr(start + 4);
  const size_t close = rest.find(')');
  std::string s(rest.substr(0, close));
  if (s.size() > 2 && (s.front() == '"' || s.front() == '\'')) s = s.substr(1, s.size() - 2);
  return s;
}

std::string FirstInstalledFamily(std::string_view familyList) {
  const std::string fallback = platform::ResolveFontFamily("");
  size_t start = 0;
  while (start <= familyList.size()) {
    size_t comma = familyList.find(',', start);
    if (comma == std::string_view::npos) comma = familyList.size();
    std::string name = Trim(familyList.substr(start, comma - start));
    start = comma + 1;
    if (name.size() >= 2 && (name.front() == '"' || name.front() == '\'') &&
        name.back() == name.front())
      name = Trim(std::string_view(name).substr(1, name.size() - 2));
    if (name.empty()) continue;
    name = std::string(ReplaceGenericFamily(name));
    // A family drawn with a metric-compatible substitute ("Arial" on a
    // system with Liberation Sans) counts as installed.
    if (platform::IsFontInstalled(name) || platform::ResolveFontFamily(name) != fallback)
      return name;
  }
  return {};
}

// ---------------------------------------------------------------------------
// Box values

namespace {

bool IsPercent(const PropValue& v) { return v.IsText() && v.Text().find('%') != std::string::npos; }

int BorderWidthOf(const PropValue& v, int styleCode, int w, int e, int x) {
  if (styleCode == 0) return 0;
  if (v.IsText()) {
    const std::string s = Trim(v.Text());
    if (s == "thin") return 2;
    if (s == "medium") return 4;
    if (s == "thick") return 6;
    return LengthConv(s, false, w, e, x, 4);
  }
  if (v.IsInt()) return v.Int() == UnsetLength ? 4 : v.Int();
  return 4;
}

int VertMargin(const PropValue& v, int w, int e, int x, bool& isDefault) {
  isDefault = false;
  if (v.IsText()) return LengthConv(v.Text(), false, w, e, x, 0);
  if (v.IsInt()) {
    if (v.Int() == UnsetLength) return 0;
    if (v.Int() == DefaultMargin) {
      isDefault = true;
      return kDefaultMarginPixels;
    }
    return v.Int();
  }
  return 0;
}

int HorzMargin(const PropValue& v, int w, int e, int x, int unsetValue) {
  if (v.IsText()) {
    if (Trim(v.Text()) == "auto") return LengthAuto;
    return LengthConv(v.Text(), false, w, e, x, 0);
  }
  if (v.IsInt()) return v.Int() == UnsetLength ? unsetValue : v.Int();
  return unsetValue;
}

int SizeOrOffset(const PropValue& v, int base, int e, int x, int unsetValue) {
  if (v.IsText()) return LengthConv(v.Text(), false, base, e, x, LengthAuto);
  if (v.IsInt()) return v.Int() == UnsetLength ? unsetValue : v.Int();
  return LengthAuto;
}

void ConvBorderWidths(const TVMarginArray& vm, int w, int e, int x, TMarginArray& m) {
  for (int side = 0; side < 4; ++side) {
    const int code = BorderStyleCode(vm[PropBorderTopStyle + side]);
    m[PropBorderTopWidth + side] = BorderWidthOf(vm[PropBorderTopWidth + side], code, w, e, x);
  }
}

}  // namespace

void ConvMargArray(const TVMarginArray& vm, int baseWidth, int baseHeight, int emSize, int exSize,
                   TMarginArray& m, int& autoCount) {
  const int w = baseWidth, e = emSize, x = exSize;
  for (int i : {PropBackgroundColor, PropBorderColor})
    m[i] = vm[i].IsInt() ? vm[i].Int() : static_cast<int>(NoColorValue);
  bool dummy;
  m[PropMarginTop] = VertMargin(vm[PropMarginTop], w, e, x, dummy);
  m[PropMarginBottom] = VertMargin(vm[PropMarginBottom], w, e, x, dummy);
  m[PropMarginRight] = HorzMargin(vm[PropMarginRight], w, e, x, 0);
  m[PropMarginLeft] = HorzMargin(vm[PropMarginLeft], w, e, x, 0);
  for (int i = PropPaddingTop; i <= PropPaddingLeft; ++i) {
    const PropValue& v = vm[i];
    m[i] = v.IsText() ? LengthConv(v.Text(), false, w, e, x, 0)
           : v.IsInt() && v.Int() != UnsetLength ? v.Int() : 0;
  }
  ConvBorderWidths(vm, w, e, x, m);
  for (int i = PropBorderTopColor; i <= PropBorderLeftColor; ++i) {
    const PropValue& v = vm[i];
    m[i] = v.IsText() ? LengthConv(v.Text(), false, w, e, x, 0) : v.IsInt() ? v.Int() : 0;
  }
  for (int i = PropBorderTopStyle; i <= PropBorderLeftStyle; ++i) m[i] = BorderStyleCode(vm[i]);
  m[PropWidth] = SizeOrOffset(vm[PropWidth], w, e, x, LengthAuto);
  {
    const PropValue& v = vm[PropHeight];
    m[PropHeight] = v.IsText() ? LengthConv(v.Text(), false, baseHeight, e, x, 0)
                    : v.IsInt() && v.Int() != UnsetLength ? v.Int() : 0;
    // A percentage height is the outer height: the box's own paddings and
    // borders come out of it.
    if (IsPercent(v))
      m[PropHeight] -= m[PropPaddingTop] + m[PropPaddingBottom] + m[PropBorderTopWidth] +
                       m[PropBorderBottomWidth];
  }
  m[PropTop] = SizeOrOffset(vm[PropTop], baseHeight, e, x, LengthAuto);
  for (int i : {PropBottom, PropRight, PropLeft}) m[i] = SizeOrOffset(vm[i], w, e, x, LengthAuto);
  autoCount = 0;
  for (int i : {PropWidth, PropMarginLeft, PropMarginRight})
    if (m[i] == LengthAuto) ++autoCount;
}

void ConvVertMargins(const TVMarginArray& vm, int baseWidth, int emSize, int exSize, int& top,
                     bool& topDefault, int& bottom, bool& bottomDefault) {
  top = VertMargin(vm[PropMarginTop], baseWidth, emSize, exSize, topDefault);
  bottom = VertMargin(vm[PropMarginBottom], baseWidth, emSize, exSize, bottomDefault);
}

void ConvCellPaddings(const TVMarginArray& vm, int emSize, int exSize, TMarginArray& m) {
  for (int i = PropPaddingTop; i <= PropPaddingLeft; ++i) {
    const PropValue& v = vm[i];
    if (v.IsText()) m[i] = LengthConv(v.Text(), false, -100, emSize, exSize, 0);
    else if (v.IsInt() && v.Int() != UnsetLength) m[i] = v.Int();
    else m[i] = -1;
  }
}

void ConvInlineMargArray(const TVMarginArray& vm, int baseWidth, int baseHeight, int emSize,
                         int exSize, TMarginArray& m) {
  const int w = baseWidth, e = emSize, x = exSize;
  for (int i = kBoxFirst; i <= PropLeft; ++i) m[i] = vm[i].IsInt() ? vm[i].Int() : 0;
  for (int i = PropMarginTop; i <= PropMarginLeft; ++i) {
    const PropValue& v = vm[i];
    if (v.IsText())
      m[i] = Trim(v.Text()) == "auto" ? LengthAuto : LengthConv(v.Text(), false, w, e, x, 0);
    else m[i] = v.IsInt() ? v.Int() : UnsetLength;
  }
  for (int i = PropBorderTopStyle; i <= PropBorderLeftStyle; ++i) m[i] = BorderStyleCode(vm[i]);
  ConvBorderWidths(vm, w, e, x, m);
  for (int i : {PropWidth, PropHeight}) {
    const PropValue& v = vm[i];
    if (v.IsText()) m[i] = LengthConv(v.Text(), false, i == PropWidth ? w : baseHeight, e, x,
                                      LengthAuto);
    else m[i] = v.IsInt() ? v.Int() : LengthAuto;
  }
}

// ---------------------------------------------------------------------------
// TProperties

TProperties::TProperties() : ID(++gSerial) {
  for (int i = PropMarginTop; i <= PropLeft; ++i) Props[i] = UnsetLength;
  Props[PropZIndex] = 0;
}

TProperties::~TProperties() = default;

void TProperties::Assign(const PropValue& value, int index) {
  if (index < 0 || index >= PropertyCount || Originals[index]) return;
  Props[index] = value;
  Originals[index] = true;
  cachedFont_.reset();
  if (InLink && TheFontInfo) {
    for (ThtFontInfo& f : *TheFontInfo) {
      if (index == PropFontFamily && value.IsText()) f.Name = value.Text();
      else if (index == PropFontSize && value.IsNumeric()) f.Size = value.Number();
      else if (index == PropFontSize && value.IsText()) f.Size = FontSizeConv(value.Text(), f.Size);
      else if (index == PropColor && value.IsInt()) f.Color = value.Colour();
    }
  }
}

void TProperties::CopyDefault(const TProperties& source) {
  Props = source.Props;
  SetCharset(source.CharSet);
  // The set alone does not give back a code page that is not its table's
  // own: charset 31 is kept as 238 with 28592, and 238 alone means 1250.
  if (source.CodePage != 0) CodePage = source.CodePage;
  DefFontname = source.DefFontname;
  EmSize = source.EmSize;
  ExSize = source.ExSize;
  PropTag = "default";
  cachedFont_.reset();
}

void TProperties::SetLinkFontsCharset() {
  if (TheFontInfo)
    for (ThtFontInfo& f : *TheFontInfo) f.Charset = CharSet;
}

void TProperties::SetCharset(int charset) {
  if (charset == kLatin2PseudoCharset) {
    CharSet = 238;
    CodePage = 28592;
  } else {
    // The platform draws Unicode and reports the set it was given, so the
    // measured charset is the requested one.
    CharSet = charset;
    if (auto cp = CodePageOfCharset(charset)) CodePage = *cp;
  }
  SetLinkFontsCharset();
  cachedFont_.reset();
}

void TProperties::SetUTF8() {
  CodePage = 65001;
  CharSet = 0;
  SetLinkFontsCharset();
  cachedFont_.reset();
}

ThtFontInfo TProperties::DescribeFont() const {
  ThtFontInfo f;
  const PropValue& color = Props[PropColor];
  f.Color = color.IsInt() ? color.Colour() : 0;
  f.BgColor = FontBG;
  platform::FontStyles style = 0;
  if (IsBold(Props[PropFontWeight])) style |= platform::fsBold;
  const std::string& fs = Props[PropFontStyle].Text();
  if (fs == "italic" || fs == "oblique") style |= platform::fsItalic;
  const std::string& deco = Props[PropTextDecoration].Text();
  if (deco.find("underline") != std::string::npos) style |= platform::fsUnderline;
  if (deco.find("line-through") != std::string::npos) style |= platform::fsStrikeOut;
  f.Style = style;
  f.Size = FontSizeOf(Props[PropFontSize]);
  f.Charset = CharSet;
  f.CharExtra = Props[PropLetterSpacing];
  std::string family = FirstInstalledFamily(Props[PropFontFamily].Text());
  f.Name = family.empty() ? DefFontname : family;
  return f;
}

TMyFont TProperties::GetFont() {
  if (!cachedFont_) {
    const ThtFontInfo info = DescribeFont();
    auto font = std::make_unique<TMyFont>();
    font->name = info.Name;
    // A size from hostile text ("-99999999pt", "0") must not reach the font
    // engine: non-positive sizes take the default, huge ones are capped.
    double points = std::isfinite(info.Size) && info.Size > 0 ? info.Size : gDefaultPointSize;
    points = std::min(points, kMaxFontPoints);
    font->height = -RoundHalfEven(platform::kPixelsPerInch * points / 72);
    font->SetStyle(info.Style);
    font->color = info.Color;
    font->BgColor = info.BgColor;
    // A symbol font keeps the symbol set whatever the element asked for.
    const int measured = MeasuredCharset(font->name, 1);
    font->charset = measured == 2 ? 2 : info.Charset;
    font->tmCharset = measured == 2 ? 2 : MeasuredCharset(font->name, info.Charset);
    const platform::TextMetrics tm = platform::GetTextMetrics(*font);
    font->tmHeight = tm.height;
    font->tmDescent = tm.descent;
    font->tmExternalLeading = tm.externalLeading;
    font->tmAveCharWidth = tm.aveCharWidth;
    font->tmMaxCharWidth = tm.maxCharWidth;
    EmSize = tm.height - tm.internalLeading;
    ExSize = EmSize / 2;
    const PropValue& extra = info.CharExtra;
    if (extra.IsInt()) font->CharExtra = extra.Int();
    else if (extra.IsText() && Trim(extra.Text()) != "normal")
      font->CharExtra = LengthConv(extra.Text(), false, EmSize, EmSize, ExSize, 0);
    else font->CharExtra = 0;
    cachedFont_ = std::move(font);
  }
  return *cachedFont_;
}

void TProperties::TakeLinkBackground() {
  if (Originals[PropBackgroundColor] && Props[PropBackgroundColor].IsInt())
    FontBG = Props[PropBackgroundColor].Colour();
}

bool TProperties::GetBackgroundImage(std::string& url) const {
  const PropValue& v = Props[PropBackgroundImage];
  if (!v.IsText()) return false;
  if (Trim(v.Text()) == "none") {
    url.clear();
    return true;
  }
  url = ReadUrl(v.Text());
  return true;
}

void TProperties::GetBackgroundPos(int emSize, int exSize, PositionRecArray& p) const {
  p[0] = PositionRec{TBgPos::Dim, 0, true, false};
  p[1] = p[0];
  const PropValue& v = Props[PropBackgroundPosition];
  if (v.IsText()) {
    const std::string s = Trim(v.Text());
    std::vector<std::string> words;
    const size_t space = s.find(' ');
    words.push_back(s.substr(0, space));
    if (space != std::string::npos) {
      std::string second = Trim(std::string_view(s).substr(space + 1));
      if (!second.empty()) words.push_back(second);
    }
    int turn = 0;
    for (size_t k = 0; k < words.size(); ++k) {
      const std::string& w = words[k];
      PositionRec& rec = p[std::min(turn, 1)];
      rec.PosType = TBgPos::Dim;
      rec.Value = 0;
      int nextTurn = turn + 1;
      if (w == "center") {
        rec.PosType = TBgPos::Center;
      } else if (w.find('%') != std::string::npos) {
        rec.PosType = TBgPos::Percent;
        rec.Value = LengthConv(w, false, 100, emSize, exSize, 0);
      } else if (w == "left" || w == "right") {
        // The first word moves down to the vertical record, unless it was
        // "top"/"bottom" and already sits there ("top left").
        if (k == 1 && turn == 1) p[1] = p[0];
        p[0].PosType = w == "left" ? TBgPos::Left : TBgPos::Right;
        p[0].Value = 0;
      } else if (w == "top" || w == "bottom") {
        p[1].PosType = w == "top" ? TBgPos::Top : TBgPos::Bottom;
        p[1].Value = 0;
        if (k == 0) nextTurn = 0;
      } else {
        rec.Value = LengthConv(w, false, 100, emSize, exSize, 0);
      }
      turn = nextTurn;
    }
    if (words.size() == 1) {
      const bool vertical = words[0] == "top" || words[0] == "bottom";
      p[vertical ? 0 : 1] = PositionRec{TBgPos::Center, 0, true, false};
    }
  }
  const std::string repeat = Trim(Props[PropBackgroundRepeat].Text());
  p[0].RepeatD = repeat != "no-repeat" && repeat != "repeat-y";
  p[1].RepeatD = repeat != "no-repeat" && repeat != "repeat-x";
  const bool fixed = Trim(Props[PropBackgroundAttachment].Text()) == "fixed";
  p[0].Fixed = p[1].Fixed = fixed;
}

bool TProperties::GetVertAlign(TVAlign& align) const {
  const TVAlign a = VAlignOf(Props[PropVerticalAlign].Text(), TVAlignWords::Style);
  if (a == TVAlign::None) return false;
  align = a;
  return true;
}

bool TProperties::GetFloat(TFloatSide& side) const {
  const std::string s = Trim(Props[PropFloat].Text());
  if (s == "left") side = TFloatSide::Left;
  else if (s == "right") side = TFloatSide::Right;
  else if (s == "none") side = TFloatSide::None;
  else return false;
  return true;
}

bool TProperties::GetClear(TClear& clear) {
  const std::optional<TClear> read = ClearOf(Props[PropClear].Text(), TClearWords::Style);
  if (!read) return false;
  clear = *read;
  Props[PropClear] = PropValue();
  return true;
}

TListStyle TProperties::GetListStyleType() const {
  static_assert(ListStyleTypes.size() == static_cast<size_t>(TListStyle::UpperRoman) + 1);
  const PropValue& v = Props[PropListStyleType];
  return v.IsText() ? static_cast<TListStyle>(ListStyleTypeIndex(Trim(v.Text())))
                    : TListStyle::Blank;
}

std::string TProperties::GetListStyleImage() const {
  return ReadUrl(Props[PropListStyleImage].Text());
}

TPositioning TProperties::GetPosition() const {
  const std::string s = Trim(Props[PropPosition].Text());
  return s == "absolute" ? TPositioning::Absolute
         : s == "relative" ? TPositioning::Relative
                           : TPositioning::Static;
}

TVisibility TProperties::GetVisibility() const {
  const PropValue& v = Props[PropVisibility];
  return v.IsInt() && v.Int() == 1 ? TVisibility::Hidden : TVisibility::Visible;
}

int TProperties::GetZIndex() const {
  const PropValue& v = Props[PropZIndex];
  if (v.IsInt()) return v.Int();
  if (v.IsText()) return platform::StrToIntDef(Trim(v.Text()), 0);
  return 0;
}

bool TProperties::DisplayNone() const { return Trim(Props[PropDisplay].Text()) == "none"; }
bool TProperties::Collapse() const { return Trim(Props[PropBorderCollapse].Text()) == "collapse"; }
bool TProperties::IsOverflowHidden() const { return Trim(Props[PropOverflow].Text()) == "hidden"; }

int TProperties::GetLineHeight(int fontHeight) const {
  const PropValue& v = Props[PropLineHeight];
  if (v.IsNumeric()) return CappedLength(fontHeight * v.Number());
  if (!v.IsText()) return -1;
  const NumberAndUnit n = SplitNumber(v.Text());
  if (n.unit.empty() && n.numberOk) return CappedLength(fontHeight * n.number);
  return LengthConv(v.Text(), true, EmSize, EmSize, ExSize, -1);
}

int TProperties::GetTextIndent(bool& percent) const {
  percent = false;
  const PropValue& v = Props[PropTextIndent];
  if (v.IsInt()) return v.Int();
  if (!v.IsText()) return 0;
  if (v.Text().find('%') != std::string::npos) {
    percent = true;
    return LengthConv(v.Text(), true, 100, 0, 0, 0);
  }
  return LengthConv(v.Text(), false, 0, EmSize, ExSize, 0);
}

TTextTransform TProperties::GetTextTransform() const {
  const PropValue& v = Props[PropTextTransform];
  if (!v.IsInt()) return TTextTransform::None;
  return v.Int() == 1 ? TTextTransform::Upper
         : v.Int() == 2 ? TTextTransform::Lower
                        : TTextTransform::None;
}

std::string TProperties::GetFontVariant() const {
  const PropValue& v = Props[PropFontVariant];
  return v.IsText() ? v.Text() : std::string("normal");
}

void TProperties::GetPageBreaks(bool& before, bool& after, bool& intact) const {
  before = Trim(Props[PropPageBreakBefore].Text()) == "always";
  after = Trim(Props[PropPageBreakAfter].Text()) == "always";
  intact = Trim(Props[PropPageBreakInside].Text()) == "avoid";
}

bool TProperties::GetBackgroundColor(Colour& color) const {
  const PropValue& v = Props[PropBackgroundColor];
  const bool ok = Originals[PropBackgroundColor] && v.IsInt();
  color = ok ? v.Colour() : NoColorValue;
  return ok;
}

bool TProperties::GetOriginalForegroundColor(Colour& color) const {
  const PropValue& v = Props[PropColor];
  const bool ok = Originals[PropColor] && v.IsInt();
  color = ok ? v.Colour() : NoColorValue;
  return ok;
}

int TProperties::GetBorderStyle() const { return BorderStyleCode(Props[PropBorderStyle]); }

bool TProperties::HasBorderStyle() const { return !Props[PropBorderStyle].IsEmptyOrNull(); }

TVMarginArray TProperties::GetVMarginArray() const {
  TVMarginArray vm;
  for (int i = kBoxFirst; i <= PropLeft; ++i) vm[i] = Props[i];
  for (int i = PropBorderTopStyle; i <= PropBorderLeftStyle; ++i)
    vm[i] = BorderStyleCode(Props[i]);
  return vm;
}

// ---------------------------------------------------------------------------
// TPropStack

TPropStack::TPropStack() = default;

TPropStack::~TPropStack() {
  Clear();
}

std::unique_ptr<TProperties> TPropStack::Make() {
  if (spare_.empty()) return std::make_unique<TProperties>();
  void* storage = spare_.back();
  spare_.pop_back();
  try {
    return std::unique_ptr<TProperties>(new (storage) TProperties());
  } catch (...) {
    ::operator delete(storage);
    throw;
  }
}

void TPropStack::Free(std::unique_ptr<TProperties> p) {
  if (!p) return;
  if (spare_.size() >= kSpareSets || (spare_.capacity() == 0 && !ReserveSpare())) return;
  TProperties* set = p.release();
  set->~TProperties();
  spare_.push_back(set);
}

bool TPropStack::ReserveSpare() {
  try {
    spare_.reserve(kSpareSets);
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

TProperties* TPropStack::Add(std::unique_ptr<TProperties> p) {
  positions_[p.get()] = Count();
  items_.push_back(std::move(p));
  return items_.back().get();
}

TProperties* TPropStack::PushNewProps(const TStyleList& styles, std::string_view tag,
                                      std::string_view cls, std::string_view id,
                                      std::string_view pseudo, std::string_view title,
                                      TProperties* inlineStyle) {
  std::unique_ptr<TProperties> p = Make();
  p->Inherit(tag, Last());
  TProperties* added = Add(std::move(p));
  added->Cascade(styles, tag, cls, id, pseudo, title, inlineStyle);
  return added;
}

void TPropStack::Delete(int i) {
  if (i < 0 || i >= Count()) return;
  positions_.erase(items_[i].get());
  Free(std::move(items_[i]));
  items_.erase(items_.begin() + i);
  for (int k = i; k < Count(); ++k) positions_[items_[k].get()] = k;
}

void TPropStack::CutTo(int count) {
  if (count < 0 || count >= Count()) return;
  for (int k = count; k < Count(); ++k) {
    positions_.erase(items_[k].get());
    Free(std::move(items_[k]));
  }
  items_.resize(count);
}

void TPropStack::Clear() {
  positions_.clear();
  items_.clear();
  for (void* storage : spare_) ::operator delete(storage);
  spare_.clear();
}

int TPropStack::IndexOf(const TProperties* p) const {
  const auto it = positions_.find(p);
  return it == positions_.end() ? -1 : it->second;
}

}  // namespace htmlview
