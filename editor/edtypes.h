#pragma once
// Types the editor's text model, highlighters and the control share.
//
// Text: every line of the editor is a std::u16string, one UTF-16 unit per
// character, so caret columns, token positions and tab stops are plain
// indexes (a character outside the Basic Multilingual Plane is a surrogate
// pair and counts as two). Files are UTF-8 or Windows-1252 on disk and are
// converted at load and save. There are no double-byte code pages: the
// lead-byte rules of far-east systems do not apply and are left out.
#include <bitset>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/colors.h"

namespace editor {

// Buffer position: character and line, both counted from 1.
struct TBufferCoord {
  int Char = 0;
  int Line = 0;
  friend bool operator==(const TBufferCoord&, const TBufferCoord&) = default;
};
inline TBufferCoord BufferCoord(int aChar, int aLine) { return TBufferCoord{aChar, aLine}; }

// Display position: screen column and row, both counted from 1.
struct TDisplayCoord {
  int Column = 0;
  int Row = 0;
  friend bool operator==(const TDisplayCoord&, const TDisplayCoord&) = default;
};
inline TDisplayCoord DisplayCoord(int column, int row) { return TDisplayCoord{column, row}; }

enum class TEdSelectionMode : std::uint8_t { smNormal, smLine, smColumn };

// 32-bit colour: 0x00BBGGRR, 0xFF0000nn for system colour nn, clNone for none.
using TColor = platform::Colour;
using platform::clBlack;
using platform::clBtnFace;
using platform::clGreen;
using platform::clHighlight;
using platform::clHighlightText;
using platform::clInfoBk;
using platform::clLime;
using platform::clNone;
using platform::clSilver;
using platform::clWhite;
using platform::clWindow;
using platform::clWindowText;
constexpr TColor clSystemColor = 0xFF000000;

// True for the values a colour may hold: a plain colour, a system colour
// (any index; the platform draws an unknown one black) or none.
inline bool IsValidColor(std::uint32_t value) {
  return (value & 0xFF000000u) == 0 || (value & 0xFFFFFF00u) == clSystemColor || value == clNone;
}

// Font style set, one byte.
using TFontStyles = std::uint8_t;
enum : std::uint8_t { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };

// A set of the 256 character codes 0..255 (characters above 255 are never members).
using TEdCharSet = std::bitset<256>;
inline bool InCharSet(const TEdCharSet& set, char16_t c) { return c < 256 && set.test(c); }
TEdCharSet CharSetOf(std::string_view chars);

// Stores value in field; true when it differed (the caller then notifies).
template <typename T>
bool StoreIfChanged(T& field, const T& value) {
  if (field == value) return false;
  field = value;
  return true;
}

}  // namespace editor
