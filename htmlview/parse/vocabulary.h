#pragma once
// The fixed vocabulary that the HTML reader, the document parser, the
// style-sheet parser and the style model share: tag and attribute names with
// their symbols, named character references, character-set names, the style
// properties in storage order, colour names and the word lists of the style
// language.
//
// Everything here is constant data except the two sorted lists (entities and
// colour names), which InitVocabulary() builds once at module start-up and
// DoneVocabulary() frees. Lookups made before InitVocabulary() still answer
// correctly (by a linear search of the constant rows), so a forgotten start-up
// call costs speed, never a wrong result.
//
// Text is UTF-8 std::string; every name in these tables is ASCII, so case
// folding is ASCII-only and multi-byte characters never match a row.
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/colors.h"

namespace htmlview {

// Module start-up and clean-up of the vocabulary: builds (and frees) the sorted
// entity list and the sorted colour-name list. Safe to call more than once.
void InitVocabulary();
void DoneVocabulary();

// ---------------------------------------------------------------------------
// Symbols

// One small integer per recognised tag, per end form of a tag and per
// attribute name. A name that is both a tag and an attribute (TITLE, LINK,
// STYLE, SPAN, LABEL, SELECTED, WRAP, READONLY) has one symbol for both.
enum class HtmlSymbol : int16_t {
  // Tags, in tag-table order.
  Html,
  Title,
  Body,
  Head,
  B,
  I,
  H,
  Em,
  Strong,
  U,
  Cite,
  Var,
  TT,
  Code,
  Kbd,
  Samp,
  OL,
  UL,
  Dir,
  Menu,
  DL,
  A,
  Address,
  BlockQuote,
  Pre,
  Center,
  Table,
  TD,
  TH,
  Caption,
  Form,
  TextArea,
  Select,
  Option,
  Font,
  Sub,
  Sup,
  Big,
  Small,
  P,
  Map,
  FrameSet,
  NoFrames,
  Script,
  Div,
  S,
  Strike,
  TR,
  NoBr,
  Style,
  Span,
  ColGroup,
  Label,
  THead,
  TBody,
  TFoot,
  Object,
  LI,
  BR,
  HR,
  DD,
  DT,
  Img,
  Base,
  Button,
  Input,
  Selected,
  BaseFont,
  Area,
  Frame,
  Page,
  BgSound,
  Wrap,
  Meta,
  Panel,
  Wbr,
  Link,
  Col,
  Param,
  ReadOnly,
  // End forms of the first 57 tags.
  EndHtml,
  EndTitle,
  EndBody,
  EndHead,
  EndB,
  EndI,
  EndH,
  EndEm,
  EndStrong,
  EndU,
  EndCite,
  EndVar,
  EndTT,
  EndCode,
  EndKbd,
  EndSamp,
  EndOL,
  EndUL,
  EndDir,
  EndMenu,
  EndDL,
  EndA,
  EndAddress,
  EndBlockQuote,
  EndPre,
  EndCenter,
  EndTable,
  EndTD,
  EndTH,
  EndCaption,
  EndForm,
  EndTextArea,
  EndSelect,
  EndOption,
  EndFont,
  EndSub,
  EndSup,
  EndBig,
  EndSmall,
  EndP,
  EndMap,
  EndFrameSet,
  EndNoFrames,
  EndScript,
  EndDiv,
  EndS,
  EndStrike,
  EndTR,
  EndNoBr,
  EndStyle,
  EndSpan,
  EndColGroup,
  EndLabel,
  EndTHead,
  EndTBody,
  EndTFoot,
  EndObject,
  // Attributes that are not also tag names.
  Href,
  Name,
  Src,
  Alt,
  Align,
  Text,
  BgColor,
  Background,
  ColSpan,
  RowSpan,
  Border,
  CellPadding,
  CellSpacing,
  VAlign,
  Width,
  Start,
  Value,
  Type,
  Checkbox,
  Radio,
  Method,
  Action,
  Checked,
  Size,
  MaxLength,
  Cols,
  Rows,
  Multiple,
  Face,
  Color,
  Transp,
  Clear,
  IsMap,
  BorderColor,
  UseMap,
  Shape,
  Coords,
  NoHref,
  Height,
  Plain,
  Target,
  NoResize,
  Scrolling,
  HSpace,
  Language,
  FrameBorder,
  MarginWidth,
  MarginHeight,
  Loop,
  OnClick,
  NoShade,
  HttpEquiv,
  Content,
  EncType,
  VLink,
  OLink,
  Active,
  VSpace,
  Class,
  Id,
  Rel,
  Rev,
  NoWrap,
  BorderColorLight,
  BorderColorDark,
  Charset,
  Ratio,
  OnFocus,
  OnBlur,
  OnChange,
  TabIndex,
  BgProperties,
  Disabled,
  TopMargin,
  LeftMargin,
  // Special symbols of the reader.
  UnknownTag,          // a tag name not in the table, or the end form of a tag without one
  TextToken,           // a run of text
  EndOfText,
  UnknownAttribute,
  // Used only while the body of a TEXTAREA or SCRIPT element is read.
  TextAreaContentEnd,
  ScriptContentEnd,
  LineBreak,
  OtherChar,
};

struct TagRow {
  std::string_view name;  // upper case, at most 12 characters
  HtmlSymbol symbol;
  HtmlSymbol endSymbol;   // UnknownTag for the tags without an end form
};

struct AttributeRow {
  std::string_view name;  // upper case, at most 16 characters
  HtmlSymbol symbol;
};

constexpr int kTagCount = 80;
constexpr int kTagsWithEndForm = 57;  // the first rows of the tag table
constexpr int kAttributeCount = 84;

// The rows in table order (the order in which lookups compare them).
std::span<const TagRow> TagTable();
std::span<const AttributeRow> AttributeTable();

// Tag name (any case; compared upper-cased) to its symbol, or to its end
// symbol when endTag is set. UnknownTag when the name is not in the table or
// the tag has no end form. The heading tags are the single row "H": the level
// digit is not part of the name.
HtmlSymbol LookupTag(std::string_view name, bool endTag);
// The lower-case tag name of a tag symbol or an end symbol; "" for any other
// symbol. The parser uses these as element names.
std::string TagName(HtmlSymbol symbol);
// The end symbol of a tag symbol; UnknownTag when the tag has no end form.
HtmlSymbol EndSymbolOf(HtmlSymbol tag);
// Attribute name (any case; compared upper-cased) to its symbol, or
// UnknownAttribute.
HtmlSymbol LookupAttribute(std::string_view name);

// ---------------------------------------------------------------------------
// Named character references

struct EntityRow {
  std::string_view name;  // case matters: "Agrave" and "agrave" differ
  char32_t code;
};

constexpr int kEntityCount = 253;

// The 252 entities of HTML 4.01 plus "apos", which stands for the right single
// quotation mark (8217), not the apostrophe.
std::span<const EntityRow> EntityTable();
// Name (case kept) to character code, or nothing.
std::optional<char32_t> LookupEntity(std::string_view name);

// ---------------------------------------------------------------------------
// Character sets

struct CharsetRow {
  std::string_view fragment;
  int charset;  // platform character-set number, or one of the pseudo sets below
};

// Not platform character sets: Latin-2 becomes charset 238 with code page
// 28592 in the style model; EUC-JP becomes Shift-JIS (128) to the fonts
// while the reader reads the document as EUC-JP.
constexpr int kLatin2PseudoCharset = 31;
constexpr int kEucJpPseudoCharset = 30;

struct CharsetCodePage {
  int charset;
  int codePage;  // 0, 1, 2: the platform's ANSI, OEM and Macintosh selectors
};

constexpr int kCharsetCount = 47;
constexpr int kCharsetCodePageCount = 20;

std::span<const CharsetRow> CharsetTable();
std::span<const CharsetCodePage> CharsetCodePageTable();
// The charset of the first row whose fragment occurs anywhere in the
// lower-cased text; nothing when no row does.
std::optional<int> LookupCharset(std::string_view text);
// The code page paired with a character set, searched in table order. The
// style model maps the Latin-2 pseudo set itself before asking.
std::optional<int> CodePageOfCharset(int charset);

// Sets that fonts know under another set's number but whose text has a table
// of its own: ISO-8859-7 draws with the Greek fonts of charset 161, yet its
// bytes 0xB6-0xBF are not windows-1253's. Searched in table order, so that
// "8859-15" is found before the "8859-1" of the charset table would be.
struct CharsetOwnCodePage {
  std::string_view fragment;
  int codePage;
};
std::span<const CharsetOwnCodePage> CharsetOwnCodePageTable();
// The code page that text in the named set decodes with when it is not the
// one paired with the set's charset; nothing otherwise.
std::optional<int> OwnCodePageOfCharset(std::string_view text);

// ---------------------------------------------------------------------------
// Style properties, in the order every property set stores them

enum PropertyIndex : int {
  PropFontFamily, PropFontSize, PropFontStyle, PropFontWeight, PropTextAlign,
  PropTextDecoration, PropLetterSpacing, PropBorderStyle, PropColor, PropBackgroundColor,
  PropBorderColor, PropMarginTop, PropMarginRight, PropMarginBottom, PropMarginLeft,
  PropPaddingTop, PropPaddingRight, PropPaddingBottom, PropPaddingLeft, PropBorderTopWidth,
  PropBorderRightWidth, PropBorderBottomWidth, PropBorderLeftWidth, PropBorderTopColor,
  PropBorderRightColor, PropBorderBottomColor, PropBorderLeftColor, PropBorderTopStyle,
  PropBorderRightStyle, PropBorderBottomStyle, PropBorderLeftStyle, PropWidth, PropHeight,
  PropTop, PropBottom, PropRight, PropLeft, PropVisibility, PropLineHeight,
  PropBackgroundImage, PropBackgroundPosition, PropBackgroundRepeat,
  PropBackgroundAttachment, PropVerticalAlign, PropPosition, PropZIndex, PropListStyleType,
  PropListStyleImage, PropFloat, PropClear, PropTextIndent, PropPageBreakBefore,
  PropPageBreakAfter, PropPageBreakInside, PropTextTransform, PropWordWrap, PropFontVariant,
  PropBorderCollapse, PropOverflow, PropDisplay,
  PropertyCount
};
static_assert(PropertyCount == 60);

inline constexpr std::array<std::string_view, PropertyCount> CssPropertyNames = {
    "font-family", "font-size", "font-style", "font-weight", "text-align",
    "text-decoration", "letter-spacing", "border-style", "color", "background-color",
    "border-color", "margin-top", "margin-right", "margin-bottom", "margin-left",
    "padding-top", "padding-right", "padding-bottom", "padding-left", "border-top-width",
    "border-right-width", "border-bottom-width", "border-left-width", "border-top-color",
    "border-right-color", "border-bottom-color", "border-left-color", "border-top-style",
    "border-right-style", "border-bottom-style", "border-left-style", "width", "height",
    "top", "bottom", "right", "left", "visibility", "line-height",
    "background-image", "background-position", "background-repeat",
    "background-attachment", "vertical-align", "position", "z-index", "list-style-type",
    "list-style-image", "float", "clear", "text-indent", "page-break-before",
    "page-break-after", "page-break-inside", "text-transform", "word-wrap", "font-variant",
    "border-collapse", "overflow", "display"};

// Exact (case-sensitive) name to index; the style-sheet parser lower-cases
// names before asking.
std::optional<int> LookupProperty(std::string_view name);

// ---------------------------------------------------------------------------
// Colour names

// No colour ("transparent").
constexpr platform::Colour NoColorValue = 0x1FFFFFFF;

struct ColorNameRow {
  std::string_view name;
  platform::Colour colour;  // 0x00BBGGRR, 0xFF0000nn for system colour nn, or NoColorValue
};

constexpr int kColorNameCount = 176;

std::span<const ColorNameRow> ColorNameTable();
// Name, compared without regard to case, to its colour; nothing when unknown.
std::optional<platform::Colour> LookupColorName(std::string_view name);

// ---------------------------------------------------------------------------
// Word lists of the style language (all lower case, compared exactly unless
// said otherwise)

// A property set's list-style type is the row index in this list.
inline constexpr std::array<std::string_view, 10> ListStyleTypes = {
    "blank", "circle", "decimal", "disc", "lower-alpha",
    "lower-roman", "none", "square", "upper-alpha", "upper-roman"};
// Row of a list-style type word; 0 when absent or unknown.
int ListStyleTypeIndex(std::string_view word);

// Border style codes of the style model and the border painter.
enum class BorderStyle : int { None, Solid, Inset, Outset, Groove, Ridge, Dashed, Dotted, Double };
inline constexpr std::array<std::string_view, 9> BorderStyleNames = {
    "none", "solid", "inset", "outset", "groove", "ridge", "dashed", "dotted", "double"};
// The code of a border style word; None for any other word.
BorderStyle BorderStyleFromString(std::string_view word);

// The style words of a "border" shorthand: the same words, in the order the
// shorthand parser tries them.
inline constexpr std::array<std::string_view, 9> BorderStyleWords = {
    "none", "solid", "dashed", "dotted", "double", "groove", "inset", "outset", "ridge"};
bool IsBorderStyleWord(std::string_view word);

struct GenericFamily {
  std::string_view name;
  std::string_view replacement;
};
inline constexpr std::array<GenericFamily, 5> GenericFontFamilies = {{
    {"serif", "Times New Roman"},
    {"monospace", "Courier New"},
    {"sans-serif", "Arial"},
    {"cursive", "Lucida Handwriting"},
    {"Helvetica", "Arial"},
}};
// The installed family that stands for a generic family name (compared
// without regard to case); the name itself when it is no generic family.
std::string_view ReplaceGenericFamily(std::string_view family);

// Elements the default style sheet indents.
inline constexpr std::array<std::string_view, 7> ListElements = {
    "ul", "ol", "menu", "dir", "dl", "dd", "blockquote"};
bool IsListElement(std::string_view tag);

// Shorthand properties; the row selects the expansion.
enum class Shorthand : int {
  Margin, Padding, BorderWidth, Border, BorderTop, BorderRight, BorderBottom, BorderLeft,
  Font, Background, ListStyle, BorderColor, BorderStyle
};
inline constexpr std::array<std::string_view, 13> ShorthandProperties = {
    "margin", "padding", "border-width", "border", "border-top", "border-right",
    "border-bottom", "border-left", "font", "background", "list-style", "border-color",
    "border-style"};
std::optional<Shorthand> LookupShorthand(std::string_view name);

// Words of the "font" shorthand: rows 0-1 style, 2-5 weight, 6 variant,
// 7-15 size.
inline constexpr std::array<std::string_view, 16> FontKeywords = {
    "italic", "oblique", "normal", "bolder", "lighter", "bold", "small-caps", "larger",
    "smaller", "xx-small", "x-small", "small", "medium", "large", "x-large", "xx-large"};
enum class FontKeywordKind { Style, Weight, Variant, Size };
// Row of a font keyword, or -1.
int FontKeywordIndex(std::string_view word);
std::optional<FontKeywordKind> FontKeywordKindOf(std::string_view word);

// ---------------------------------------------------------------------------
// Font sizes

// Points of FONT SIZE=1..7, and of the same sizes inside preformatted text,
// for a default font size of 12 points.
inline constexpr std::array<double, 7> FontSizeBase = {8, 10, 12, 14, 18, 24, 36};
inline constexpr std::array<double, 7> PreFontSizeBase = {7, 8, 10, 12, 15, 20, 30};

struct FontSizeRows {
  std::array<double, 7> normal = FontSizeBase;
  std::array<double, 7> pre = PreFontSizeBase;
};
// The rows in force (process-wide, user-interface thread only).
FontSizeRows& FontSizes();
// Both rows as base value x default size / 12, for a new default font size.
// A default size that is not a positive finite number leaves the rows unchanged.
void RecomputeFontSizes(double defaultFontSize);

// ---------------------------------------------------------------------------
// Roman numerals of list-item markers, for 1 to 20

inline constexpr std::array<std::string_view, 20> LowerRomanNumerals = {
    "i", "ii", "iii", "iv", "v", "vi", "vii", "viii", "ix", "x",
    "xi", "xii", "xiii", "xiv", "xv", "xvi", "xvii", "xviii", "xix", "xx"};
inline constexpr std::array<std::string_view, 20> UpperRomanNumerals = {
    "I", "II", "III", "IV", "V", "VI", "VII", "VIII", "IX", "X",
    "XI", "XII", "XIII", "XIV", "XV", "XVI", "XVII", "XVIII", "XIX", "XX"};
// "" outside 1..20.
std::string_view RomanNumeral(int number, bool upperCase);

}  // namespace htmlview
