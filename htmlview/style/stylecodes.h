#pragma once
// The codes the style queries answer the layout with (TProperties::GetFloat,
// GetClear, GetPosition, GetVisibility, GetTextTransform, GetListStyleType,
// text-align). One byte each: blocks
// and text sections keep them, and a page may hold a great many of those.
// Apart from styleprops.h so the float manager can take a side without the
// whole style model.
#include <cstdint>

namespace htmlview {

enum class TFloatSide : uint8_t { None, Left, Right };
enum class TClear : uint8_t { None, Left, Right, Both };   // the floats a box moves below
enum class TPositioning : uint8_t { Static, Absolute, Relative };
enum class TVisibility : uint8_t { Visible, Hidden };
// Where lines (and, never Justify, blocks and rules) sit across their width.
enum class TTextAlign : uint8_t { Left, Center, Right, Justify };
enum class TTextTransform : uint8_t { None, Upper, Lower };
// A list item's marker, in the order of the words (ListStyleTypes); Blank is
// what the style gives where no list-style-type applies.
enum class TListStyle : uint8_t {
  Blank, Circle, Decimal, Disc, LowerAlpha, LowerRoman, None, Square, UpperAlpha, UpperRoman
};

}  // namespace htmlview
