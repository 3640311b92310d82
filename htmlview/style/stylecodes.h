#pragma once
// The codes the style queries answer the layout with (TProperties::GetFloat,
// GetClear, GetPosition, GetVisibility, GetTextTransform, GetListStyleType,
// GetVertAlign), and the one reading of the alignment words, text-align and
// vertical-align values and the ALIGN and VALIGN attributes, into them
// (TextAlignOf, VAlignOf), and of the clear words, the style's and BR's
// (ClearOf). One byte each: blocks, text sections and inline
// objects keep them, and a page may hold a great many of those. Apart from
// styleprops.h so the float manager can take a side without the whole style
// model.
#include <cstdint>
#include <optional>
#include <string_view>

namespace htmlview {

enum class TFloatSide : uint8_t { None, Left, Right };
enum class TClear : uint8_t { None, Left, Right, Both };   // the floats a box moves below
// How one place reads a clear word. Each place keeps the rule it has always
// read by, as pages lay out by it.
enum class TClearWords : uint8_t {
  Style,   // clear, blanks around ignored, case counting: none, left, right, both; no other word
  Break,   // a BR's CLEAR, any case, blanks counting: left, right; any other word (all, none,
           // nothing) is both
};
// The floats word names under words; nothing for a word the place does not know.
std::optional<TClear> ClearOf(std::string_view word, TClearWords words);
enum class TPositioning : uint8_t { Static, Absolute, Relative };
enum class TVisibility : uint8_t { Visible, Hidden };
// Where lines (and, never Justify, blocks and rules) sit across their width.
enum class TTextAlign : uint8_t { Left, Center, Right, Justify };

// How one place reads a text-align value or an ALIGN word. The places have
// always read them in different ways, and pages lay out by the differences,
// so each place names the ones it keeps.
struct TAlignWords {
  bool foldCase = false;   // ASCII case ignored: "Center" is "center"
  bool trim = false;       // blanks and control characters around the word ignored
  bool justify = false;    // "justify" known: only text lines justify
  bool middle = false;     // "middle" is "center", as paragraphs, headings and DIV read ALIGN
};
// The alignment "left", "center" or "right" (and "justify", "middle" where
// the words allow them) names; nothing for any other word.
std::optional<TTextAlign> TextAlignOf(std::string_view word, TAlignWords words);
// The text-align value that reads back as align.
std::string_view TextAlignWord(TTextAlign align);

// Where an inline object, a run or a cell's content sits up and down in its
// line or cell. Left and Right are an image's or panel's ALIGN, which floats
// it instead; Justify only a COL's ALIGN word. Sub and Super shift a run.
enum class TVAlign : uint8_t {
  None, Top, Middle, Baseline, Bottom, Left, Right, Justify, Sub, Super
};
// The words a place reads as a vertical alignment. Blanks around the word
// never count; each place knows its own set, kept because pages lay out by it.
enum class TVAlignWords : uint8_t {
  Style,    // vertical-align, case counting: top and text-top, middle, baseline, bottom, sub, super
  Column,   // a COL's ALIGN and VALIGN, any case: top; middle, absmiddle and center; baseline;
            // bottom; left; right; justify
  Object,   // an image's or panel's ALIGN, any case: top; middle and absmiddle; left; right
  Cell,     // a row's or cell's VALIGN, any case: top and baseline (as top); middle; bottom
  Caption,  // a CAPTION's ALIGN, any case: top; bottom
};
// The alignment word names among words; None for any other word.
TVAlign VAlignOf(std::string_view word, TVAlignWords words);

enum class TTextTransform : uint8_t { None, Upper, Lower };
// A list item's marker, in the order of the words (ListStyleTypes); Blank is
// what the style gives where no list-style-type applies.
enum class TListStyle : uint8_t {
  Blank, Circle, Decimal, Disc, LowerAlpha, LowerRoman, None, Square, UpperAlpha, UpperRoman
};

}  // namespace htmlview
