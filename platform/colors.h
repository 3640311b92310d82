#pragma once
// Colours in the platform's terms: 0x00BBGGRR values, 0xFF0000nn for system
// colour nn, clNone for "no colour". System colours come from one fixed
// table, never from the desktop's style, so drawing is the same everywhere.
#include <cstdint>

class QColor;

namespace platform {

using Colour = uint32_t;

constexpr Colour Rgb(int r, int g, int b) {
  return static_cast<Colour>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr int RedOf(Colour c) { return c & 0xFF; }
constexpr int GreenOf(Colour c) { return (c >> 8) & 0xFF; }
constexpr int BlueOf(Colour c) { return (c >> 16) & 0xFF; }

// System colour indices (0xFF000000 | index).
enum : int {
  COLOR_SCROLLBAR = 0, COLOR_BACKGROUND = 1, COLOR_ACTIVECAPTION = 2, COLOR_INACTIVECAPTION = 3,
  COLOR_MENU = 4, COLOR_WINDOW = 5, COLOR_WINDOWFRAME = 6, COLOR_MENUTEXT = 7,
  COLOR_WINDOWTEXT = 8, COLOR_CAPTIONTEXT = 9, COLOR_ACTIVEBORDER = 10, COLOR_INACTIVEBORDER = 11,
  COLOR_APPWORKSPACE = 12, COLOR_HIGHLIGHT = 13, COLOR_HIGHLIGHTTEXT = 14, COLOR_BTNFACE = 15,
  COLOR_BTNSHADOW = 16, COLOR_GRAYTEXT = 17, COLOR_BTNTEXT = 18, COLOR_INACTIVECAPTIONTEXT = 19,
  COLOR_BTNHIGHLIGHT = 20, COLOR_3DDKSHADOW = 21, COLOR_3DLIGHT = 22, COLOR_INFOTEXT = 23,
  COLOR_INFOBK = 24,
};

constexpr Colour SysColour(int index) { return 0xFF000000u | static_cast<Colour>(index & 0xFF); }

constexpr Colour clNone = 0x1FFFFFFF;
constexpr Colour clDefault = 0x20000000;
constexpr Colour clBlack = 0x000000, clWhite = 0xFFFFFF, clRed = 0x0000FF, clLime = 0x00FF00,
                 clBlue = 0xFF0000, clYellow = 0x00FFFF, clFuchsia = 0xFF00FF, clAqua = 0xFFFF00,
                 clMaroon = 0x000080, clGreen = 0x008000, clNavy = 0x800000, clOlive = 0x008080,
                 clPurple = 0x800080, clTeal = 0x808000, clGray = 0x808080, clSilver = 0xC0C0C0;
constexpr Colour clScrollBar = SysColour(COLOR_SCROLLBAR);
constexpr Colour clWindow = SysColour(COLOR_WINDOW);
constexpr Colour clWindowText = SysColour(COLOR_WINDOWTEXT);
constexpr Colour clHighlight = SysColour(COLOR_HIGHLIGHT);
constexpr Colour clHighlightText = SysColour(COLOR_HIGHLIGHTTEXT);
constexpr Colour clBtnFace = SysColour(COLOR_BTNFACE);
constexpr Colour clBtnShadow = SysColour(COLOR_BTNSHADOW);
constexpr Colour clGrayText = SysColour(COLOR_GRAYTEXT);
constexpr Colour clBtnText = SysColour(COLOR_BTNTEXT);
constexpr Colour clBtnHighlight = SysColour(COLOR_BTNHIGHLIGHT);
constexpr Colour cl3DDkShadow = SysColour(COLOR_3DDKSHADOW);
constexpr Colour cl3DLight = SysColour(COLOR_3DLIGHT);
constexpr Colour clInfoText = SysColour(COLOR_INFOTEXT);
constexpr Colour clInfoBk = SysColour(COLOR_INFOBK);

// The fixed table's value for a system colour index; unknown indices are
// black (a hand-edited colours file can hold one).
Colour GetSysColour(int index);
// Any colour to its plain 0x00BBGGRR value: system colours resolved, the
// palette-relative flag (0x02000000) and other high bits dropped. clNone and
// clDefault resolve to black; callers that mean "nothing" test them first.
Colour ColourToRgb(Colour c);
bool IsSystemColour(Colour c);
// The colour with every channel inverted (selection drawing).
Colour InvertColour(Colour c);

QColor ToQColor(Colour c);
Colour FromQColor(const QColor& c);

}  // namespace platform
