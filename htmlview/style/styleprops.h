#pragma once
// The style model of one element: its 60 typed property values, its identity
// (tag, class, ID, pseudo-class), its fonts, the queries the layout code asks
// of it, and the value conversions (colours, lengths, font sizes, background
// positions) that the whole viewer shares.
//
// How a property set is filled from its parent and from the style sheet
// (inheritance, cascade, re-derivation, stored declarations) lives in
// stylesheet.cpp; the declarations are here because they are members.
//
// Module state (user-interface thread only): the property stack of the
// document parser, the one-entry colour cache and the default size in points.
// InitStyleProps() / DoneStyleProps() create and free it; call InitVocabulary()
// first so colour names are found by binary search.
#include <array>
#include <bitset>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <variant>
#include <vector>

#include "htmlview/parse/sharedvalue.h"
#include "htmlview/parse/vocabulary.h"
#include "htmlview/style/stylecodes.h"
#include "platform/colors.h"
#include "platform/fonts.h"

namespace htmlview {

class TStyleList;
class TProperties;

// ---------------------------------------------------------------------------
// Sentinels of the document model

constexpr int UnsetLength = -12345678;     // a length not set for this element
constexpr int LengthAuto = -12348765;      // "auto"
constexpr int DefaultMargin = -12348766;   // a default vertical margin
constexpr int kDefaultMarginPixels = 14;   // what DefaultMargin resolves to

// 0x02000000 on screens of 8 bits per pixel or less (platform::ScreenDepth),
// else 0. "#" colours carry it; named colours do not.
platform::Colour PaletteRelative();

// Module start-up and clean-up (see above). Safe to call more than once.
void InitStyleProps();
void DoneStyleProps();

// The process-wide default font size in points (12 until the default style
// sheet sets it); FontSizeConv's keywords scale from it.
double DefaultPointSize();
void SetDefaultPointSize(double points);

// ---------------------------------------------------------------------------
// Property values

// A dynamically typed value: empty (never set), null, an integer (lengths,
// colours, codes), a floating-point number (font sizes in points) or text.
class PropValue {
 public:
  PropValue() = default;
  PropValue(int v) : v_(v) {}
  PropValue(double v) : v_(v) {}
  PropValue(std::string v) : v_(SharedText(std::move(v))) {}
  PropValue(std::string_view v) : v_(SharedText(std::string(v))) {}
  PropValue(const char* v) : v_(SharedText(std::string(v))) {}
  static PropValue Null() {
    PropValue p;
    p.v_ = NullTag{};
    return p;
  }
  // Colours are stored as the platform's signed integer, as every length.
  static PropValue FromColour(platform::Colour c) { return PropValue(static_cast<int>(c)); }

  bool IsEmpty() const { return v_.index() == 0; }
  bool IsNull() const { return v_.index() == 1; }
  bool IsEmptyOrNull() const { return v_.index() <= 1; }
  bool IsInt() const { return v_.index() == 2; }
  bool IsNumber() const { return v_.index() == 3; }   // floating point
  bool IsNumeric() const { return IsInt() || IsNumber(); }
  bool IsText() const { return v_.index() == 4; }

  int Int() const { return IsInt() ? std::get<int>(v_) : 0; }
  double Number() const {
    return IsNumber() ? std::get<double>(v_) : IsInt() ? std::get<int>(v_) : 0.0;
  }
  platform::Colour Colour() const { return static_cast<platform::Colour>(Int()); }
  const std::string& Text() const;

  friend bool operator==(const PropValue&, const PropValue&) = default;

 private:
  struct NullTag {
    friend bool operator==(NullTag, NullTag) { return true; }
  };
  // Text shared between copies (property sets are copied from parent to
  // child, and every block keeps its box values): one pointer, so that a
  // value takes 16 bytes where an inline string took 40.
  class SharedText {
   public:
    explicit SharedText(std::string text) : text_(std::move(text)) {}
    const std::string& Get() const { return *text_; }
    friend bool operator==(const SharedText& a, const SharedText& b) {
      return a.text_.SameAs(b.text_) || *a.text_ == *b.text_;
    }

   private:
    TSharedValue<std::string> text_;
  };
  std::variant<std::monostate, NullTag, int, double, SharedText> v_;
};
static_assert(sizeof(PropValue) <= 16, "box values of every block and property set are kept");

using TPropValues = std::array<PropValue, PropertyCount>;

// ---------------------------------------------------------------------------
// Fonts

// Font description of one link state.
struct ThtFontInfo {
  std::string Name;
  double Size = 12;                  // points
  platform::FontStyles Style = 0;    // platform::fsBold | fsItalic | fsUnderline | fsStrikeOut
  platform::Colour Color = 0;
  platform::Colour BgColor = NoColorValue;
  int Charset = 1;
  PropValue CharExtra;               // "letter-spacing" as given
};

enum LinkFontState : int { LinkStateLink, LinkStateVisited, LinkStateHover, LinkStateVisitedHover };
using TFontInfoArray = std::array<ThtFontInfo, 4>;

// A platform font with what layout needs to know of it. Copies are plain.
struct TMyFont : platform::Font {
  platform::Colour BgColor = NoColorValue;
  int tmHeight = 0;           // cell height
  int tmDescent = 0;
  int tmExternalLeading = 0;
  int tmAveCharWidth = 0;
  int tmMaxCharWidth = 0;
  int tmCharset = 1;          // the charset the metrics report
  int CharExtra = 0;          // pixels after every character (Canvas::charExtra)

  void Assign(const TMyFont& source) { *this = source; }
  friend bool operator==(const TMyFont&, const TMyFont&) = default;
};

// ---------------------------------------------------------------------------
// Background positions

// Where a background picture stands on one axis: at an edge, centred, at
// Value percent or Value pixels from the start.
enum class TBgPos : uint8_t { Top, Center, Bottom, Left, Right, Percent, Dim };
struct PositionRec {
  TBgPos PosType = TBgPos::Dim;
  int Value = 0;
  bool RepeatD = true;
  bool Fixed = false;
  friend bool operator==(const PositionRec&, const PositionRec&) = default;
};
using PositionRecArray = std::array<PositionRec, 2>;   // horizontal, vertical

// ---------------------------------------------------------------------------
// Box values: the 28 properties from "background-color" to "left"

constexpr int kBoxFirst = PropBackgroundColor;
constexpr int kBoxCount = PropLeft - PropBackgroundColor + 1;

template <typename T>
struct TBoxArray {
  std::array<T, kBoxCount> items{};
  T& operator[](int propIndex) { return items[propIndex - kBoxFirst]; }
  const T& operator[](int propIndex) const { return items[propIndex - kBoxFirst]; }
  friend bool operator==(const TBoxArray&, const TBoxArray&) = default;
};
using TVMarginArray = TBoxArray<PropValue>;   // the values as stored
using TMarginArray = TBoxArray<int>;          // converted to pixels, colours and codes

// Pixel values of a box (W: base width, H: base height for percentages,
// em / ex heights). autoCount gets the number of LengthAuto results in
// width, margin-left and margin-right. Vertical margins resolve
// DefaultMargin to 14.
void ConvMargArray(const TVMarginArray& vm, int baseWidth, int baseHeight, int emSize, int exSize,
                   TMarginArray& m, int& autoCount);
// The vertical margins alone, reporting which came from DefaultMargin.
void ConvVertMargins(const TVMarginArray& vm, int baseWidth, int emSize, int exSize, int& top,
                     bool& topDefault, int& bottom, bool& bottomDefault);
// Cell paddings: a percentage comes out as minus the percentage; not set -1.
// Only the four paddings of m are written.
void ConvCellPaddings(const TVMarginArray& vm, int emSize, int exSize, TMarginArray& m);
// Inline boxes: margins, width and height keep UnsetLength; width and height
// default to LengthAuto; border widths as for blocks; the other values are
// taken unconverted (integers as they are, else 0).
void ConvInlineMargArray(const TVMarginArray& vm, int baseWidth, int baseHeight, int emSize,
                         int exSize, TMarginArray& m);

// ---------------------------------------------------------------------------
// Value conversions

// A colour from style or attribute text: a colour name, "rgb(r, g, b)" with
// integers or percentages, "#rgb" / "#rrggbb" (with PaletteRelative), or, when
// needHash is false, bare hexadecimal. False, leaving color alone, when the
// text is no colour.
bool ColorFromString(std::string_view text, bool needHash, platform::Colour& color);
// A font size in points; oldSize (points) is what relative sizes scale.
double FontSizeConv(std::string_view text, double oldSize);
// A length in pixels (96 per inch), rounded half to even. A unit it does not
// know gives defaultValue; a bare number is pixels, or base x number when
// relative.
int LengthConv(std::string_view text, bool relative, int base, int emHeight, int exHeight,
               int defaultValue);
// The address inside "url(...)", without one pair of enclosing quotes.
std::string ReadUrl(std::string_view value);
// The first family of a comma-separated list that can be drawn (installed or
// with a metric-compatible substitute), generic names replaced; "" if none.
std::string FirstInstalledFamily(std::string_view familyList);

// Rounding of the style model: to nearest, halves to the even neighbour.
int RoundHalfEven(double value);

// ---------------------------------------------------------------------------
// The per-element filter of descendant rules: a small Bloom filter of the
// tags, class names, IDs and pseudo-classes of an element's ancestors. A rule
// whose ancestor selectors require a name the filter lacks cannot match, and
// is rejected without walking the ancestors; a name the filter seems to have
// may still be missing, so a rule that passes is matched in full.

// The names a simple selector or an element is matched by, lower-cased:
// tag, class text, its class names, ID and pseudo-class.
struct TSelectorNames {
  std::string tag, cls, id, pseudo;
  std::vector<std::string> classNames;
};

class TAncestorFilter {
 public:
  // The kinds of name: 't' tag, '.' class name, '#' ID, ':' pseudo-class.
  // lowerText is the name lower-cased.
  static uint64_t Hash(char kind, std::string_view lowerText);
  // Every name of names (those of an element, or those an ancestor
  // selector requires).
  void Add(const TSelectorNames& names);
  void Add(uint64_t hash) {
    bits_[hash & 3] |= uint64_t{1} << ((hash >> 2) & 63);
    bits_[(hash >> 8) & 3] |= uint64_t{1} << ((hash >> 10) & 63);
  }
  void Add(const TAncestorFilter& other) {
    for (size_t w = 0; w < bits_.size(); ++w) bits_[w] |= other.bits_[w];
  }
  // Every name added to needed may be here.
  bool MayHaveAll(const TAncestorFilter& needed) const {
    return ((needed.bits_[0] & ~bits_[0]) | (needed.bits_[1] & ~bits_[1]) |
            (needed.bits_[2] & ~bits_[2]) | (needed.bits_[3] & ~bits_[3])) == 0;
  }

 private:
  std::array<uint64_t, 4> bits_{};
};

// An element as descendant rules see it: its names, and filters of its own
// names and of those of the element and every ancestor below it on the
// parser's stack.
struct TSelectorIdentity {
  TSelectorNames names;
  TAncestorFilter own;
  TAncestorFilter chain;   // own and the stack entries below (the root left out)
  bool chainKnown = false;
};

// ---------------------------------------------------------------------------
// The ancestors a cascade matches descendant rules against, innermost first:
// a few sets of its own (the temporary link-state sets) above a stretch of
// the parser's stack, entries top down to 1 (the root is no ancestor). The
// stack is read in place: deep nesting must not copy it for every element.

class TPropStack;

class TAncestorView {
 public:
  TAncestorView() = default;
  TAncestorView(const TPropStack* stack, int top) : stack_(stack), top_(top) {}
  // The same ancestors with p as the innermost.
  TAncestorView Above(const TProperties* p) const;
  size_t size() const { return above_.size() + (stack_ && top_ >= 1 ? static_cast<size_t>(top_) : 0); }
  const TProperties* operator[](size_t i) const;
  // The names of all these ancestors. The stack's part is kept with its
  // entries: an entry's ancestors can only lose members while it stays on
  // the stack (entries are appended on top or removed), so what it keeps
  // never misses a name.
  TAncestorFilter Filter() const;

 private:
  std::vector<const TProperties*> above_;   // innermost first
  const TPropStack* stack_ = nullptr;
  int top_ = 0;
};

// ---------------------------------------------------------------------------
// The property set of one element

class TProperties {
 public:
  TProperties();
  ~TProperties();
  TProperties(const TProperties&) = delete;
  TProperties& operator=(const TProperties&) = delete;

  // --- Identity and state (public: the parser and layout read them).
  std::string PropTag;      // "p", "a", "default" for the root
  std::string PropClass;    // several classes joined with "."
  std::string PropID;
  std::string PropPseudo;   // "link", "visited", "hover" or ""
  std::string PropTitle;
  TProperties* PropStyle = nullptr;        // the inline style, not owned
  bool InLink = false;
  std::string DefFontname;
  platform::Colour FontBG = NoColorValue;  // the background link fonts are drawn on
  int CharSet = 1;
  int CodePage = 0;
  int EmSize = 0;
  int ExSize = 0;
  TPropValues Props;
  std::bitset<PropertyCount> Originals;    // set here (cascade, shorthand or attribute)
  std::unique_ptr<TFontInfoArray> TheFontInfo;   // present while InLink
  const int ID;                            // serial number, never reused

  // --- Property set operations
  // A value from an HTML attribute; ignored when a rule already set it here.
  void Assign(const PropValue& value, int index);
  void CopyDefault(const TProperties& source);
  void SetCharset(int charset);
  void SetUTF8();
  // A copy of the element's font (created once and cached).
  TMyFont GetFont();
  // The font description of algorithm "fonts" without creating the font.
  ThtFontInfo DescribeFont() const;
  // The link background follows "background-color" when it was set here.
  void TakeLinkBackground();
  // Drops the cached font so the next GetFont builds it again.
  void DropFont() { cachedFont_.reset(); }
  // Copies the 60 values (not the set-here flags).
  void CopyValuesFrom(const TProperties& source) { Props = source.Props; }
  // The identity as descendant rules compare it, built at the first call
  // after the cascade set it.
  TSelectorIdentity& SelectorIdentity() const;

  // --- Queries of the layout code
  bool GetBackgroundImage(std::string& url) const;
  void GetBackgroundPos(int emSize, int exSize, PositionRecArray& p) const;
  bool GetVertAlign(TVAlign& align) const;
  bool GetFloat(TFloatSide& side) const;
  // Removes the value, so a clear applies once.
  bool GetClear(TClear& clear);
  TListStyle GetListStyleType() const;
  std::string GetListStyleImage() const;
  TPositioning GetPosition() const;
  TVisibility GetVisibility() const;
  int GetZIndex() const;
  bool DisplayNone() const;
  bool Collapse() const;
  bool IsOverflowHidden() const;
  // fontHeight: the caller's font height for unitless factors; -1 when unset.
  int GetLineHeight(int fontHeight) const;
  int GetTextIndent(bool& percent) const;
  TTextTransform GetTextTransform() const;
  std::string GetFontVariant() const;
  void GetPageBreaks(bool& before, bool& after, bool& intact) const;
  bool GetBackgroundColor(platform::Colour& color) const;
  bool GetOriginalForegroundColor(platform::Colour& color) const;
  int GetBorderStyle() const;
  bool HasBorderStyle() const;
  // The 28 box values, side border styles turned into style codes.
  TVMarginArray GetVMarginArray() const;

  // --- Derivation (stylesheet.cpp)
  void Inherit(std::string_view tag, const TProperties* parent);
  void Cascade(const TStyleList& styles, std::string_view tag, std::string_view cls,
               std::string_view id, std::string_view pseudo, std::string_view title,
               TProperties* inlineStyle);
  // Re-derives after the parent changed; index is this set's stack entry.
  void Update(const TProperties* parent, const TStyleList& styles, int index);
  void AddPropertyByName(std::string_view name, std::string_view value);
  void AddPropertyByIndex(int index, std::string_view value);

 private:
  friend class TStyleList;
  struct MatchContext;
  void MatchSelector(const TStyleList& styles, const MatchContext& ctx);
  void MergeEntry(const TProperties& entry);
  void MergeDescendants(const TStyleList& styles, const MatchContext& ctx,
                        std::string_view prefix);
  void MergeDescendantsPlain(const TStyleList& styles, const MatchContext& ctx,
                             std::string_view prefix);
  void BuildLinkFonts(const TStyleList& styles, const TAncestorView& ancestors);
  void CascadeWith(const TStyleList& styles, std::string_view tag, std::string_view cls,
                   std::string_view id, std::string_view pseudo, std::string_view title,
                   TProperties* inlineStyle, const TAncestorView& ancestors);
  void SetLinkFontsCharset();

  std::unique_ptr<TMyFont> cachedFont_;
  mutable std::unique_ptr<TSelectorIdentity> identity_;
};
static_assert(sizeof(TProperties) <= 1232,
              "the parser's stack holds a set for every open element, a page nested a million "
              "deep a million sets at its peak (htmlview/README.md, Memory): what few sets need "
              "goes out of line, as TheFontInfo");

// ---------------------------------------------------------------------------
// The document parser's property stack: entry 0 is the root (a copy of the
// style sheet's default set); every open element has the entry above its
// parent's. The descendant rules of the cascade walk it.

class TPropStack {
 public:
  TPropStack();
  ~TPropStack();
  TPropStack(const TPropStack&) = delete;
  TPropStack& operator=(const TPropStack&) = delete;

  int Count() const { return static_cast<int>(items_.size()); }
  TProperties* operator[](int i) const { return items_[i].get(); }
  TProperties* Last() const { return items_.empty() ? nullptr : items_.back().get(); }
  TProperties* Add(std::unique_ptr<TProperties> p);
  // Pushes a new set derived from the top entry: Inherit, then Cascade.
  TProperties* PushNewProps(const TStyleList& styles, std::string_view tag,
                            std::string_view cls = {}, std::string_view id = {},
                            std::string_view pseudo = {}, std::string_view title = {},
                            TProperties* inlineStyle = nullptr);
  void Delete(int i);
  // Keeps the first count entries.
  void CutTo(int count);
  // Empties the stack, and gives back the storage it kept (the parser
  // clears it when a document is parsed).
  void Clear();
  // The entry holding p, or -1; p is only compared, never read, so a set
  // that was removed may be asked about.
  int IndexOf(const TProperties* p) const;

 private:
  std::vector<std::unique_ptr<TProperties>> items_;
  // Where each set stands, so that finding one costs nothing however deep
  // the nesting (a cascade looks its set up for every element).
  std::unordered_map<const TProperties*, int> positions_;
  // The parser makes and frees a set for every element it opens and
  // closes. Sets are larger than the allocator keeps at hand for quick
  // reuse, and a page of a million elements made and freed a million of
  // them through its slow path: the storage of a few sets this stack
  // freed is kept for the next ones it makes, until Clear.
  static constexpr size_t kSpareSets = 64;
  std::vector<void*> spare_;
  std::unique_ptr<TProperties> Make();
  void Free(std::unique_ptr<TProperties> p);
  bool ReserveSpare();
};

// The process-wide stack (made by InitStyleProps, or on first use).
TPropStack& PropStack();

}  // namespace htmlview
