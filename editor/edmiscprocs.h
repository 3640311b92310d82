#pragma once
// Small routines of the editor: clamping, tab expansion, scanning for
// characters, character classes for word boundaries in far-east text.
#include <cstddef>
#include <string>
#include <string_view>

#include "editor/edtypes.h"

namespace editor {

inline int MinMax(int x, int low, int high) { return x > high ? (high < low ? low : high) : (x < low ? low : x); }
inline void SwapInt(int& a, int& b) { int t = a; a = b; b = t; }
// The earlier of two positions: smaller line, or same line and smaller character.
TBufferCoord MinPoint(const TBufferCoord& a, const TBufferCoord& b);
TBufferCoord MaxPoint(const TBufferCoord& a, const TBufferCoord& b);

// Whether the line holds a tab; charsBefore = the characters before the first tab
// (the whole length when there is none).
bool GetHasTabs(std::u16string_view line, int& charsBefore);

// Tab converters: a line without tabs comes back unchanged with hasTabs false.
// Widths below 2 turn each tab into one blank; other widths replace a tab by
// as many tab characters as reach the next multiple of the width (columns
// counted from 0), so the expanded text holds one tab character per column.
using TConvertTabsProc = std::u16string (*)(std::u16string_view line, int tabWidth, bool& hasTabs);
std::u16string ConvertTabs1(std::u16string_view line, int tabWidth, bool& hasTabs);
std::u16string ConvertTabs2n(std::u16string_view line, int tabWidth, bool& hasTabs);
std::u16string ConvertTabs(std::u16string_view line, int tabWidth, bool& hasTabs);
// The converter for widths below 2, for powers of two up to 65,536, or for any width.
TConvertTabsProc GetBestConvertTabsProc(int tabWidth);

// Length after expanding tabs to the next multiple of tabWidth.
int GetExpandedLength(std::u16string_view text, int tabWidth);
// Caret column (1-based) of a 1-based character index with tabs expanded;
// beyond the end of the line the remaining columns count one each.
int CharIndex2CaretPos(int index, int tabWidth, std::u16string_view line);

// 1-based position of the first character at or after start (1-based) that
// is in the set; 0 when none.
int StrScanForCharInSet(std::u16string_view text, int start, const TEdCharSet& chars);
// 1-based position of the last character at or before start that is in the set; 0 when none.
int StrRScanForCharInSet(std::u16string_view text, int start, const TEdCharSet& chars);
// Index (0-based) of the first NUL, LF or CR; the length when there is none.
std::size_t StrScanForLineEnd(std::u16string_view text);

// Character-type flags of the platform's far-east classification.
enum : unsigned {
  C3_NONSPACING = 1, C3_DIACRITIC = 2, C3_VOWELMARK = 4, C3_SYMBOL = 8,
  C3_KATAKANA = 16, C3_HIRAGANA = 32, C3_HALFWIDTH = 64, C3_FULLWIDTH = 128,
  C3_IDEOGRAPH = 256, C3_KASHIDA = 512, C3_LEXICAL = 1024, C3_ALPHA = 32768,
};
// The type flags of one character, from the Unicode blocks that carry them.
unsigned CharTypeFlags(char16_t c);
// Class 0..9 of a set of type flags; characters of different classes are
// separated by a word boundary.
int CharClassFromFlags(unsigned flags);
inline int CharClass(char16_t c) { return CharClassFromFlags(CharTypeFlags(c)); }

}  // namespace editor
