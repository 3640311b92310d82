#include "platform/colors.h"

#include <QColor>

#include <iterator>

namespace platform {

namespace {
// #RRGGBB per index 0..30 (classic light desktop).
constexpr uint32_t kSystemTable[] = {
    0xC8C8C8,  // 0 scroll bar
    0x000000,  // 1 desktop
    0x99B4D1,  // 2 active caption
    0xBFCDDB,  // 3 inactive caption
    0xF0F0F0,  // 4 menu
    0xFFFFFF,  // 5 window
    0x646464,  // 6 window frame
    0x000000,  // 7 menu text
    0x000000,  // 8 window text
    0x000000,  // 9 caption text
    0xB4B4B4,  // 10 active border
    0xF4F7FC,  // 11 inactive border
    0xABABAB,  // 12 application workspace
    0x0078D7,  // 13 highlight
    0xFFFFFF,  // 14 highlight text
    0xF0F0F0,  // 15 button face
    0xA0A0A0,  // 16 button shadow
    0x6D6D6D,  // 17 grey text
    0x000000,  // 18 button text
    0x000000,  // 19 inactive caption text
    0xFFFFFF,  // 20 button highlight
    0x696969,  // 21 3-D dark shadow
    0xE3E3E3,  // 22 3-D light
    0x000000,  // 23 info text
    0xFFFFE1,  // 24 info background
    0x000000,  // 25 (unused)
    0x0066CC,  // 26 hot light
    0xB9D1EA,  // 27 gradient active caption
    0xD7E4F2,  // 28 gradient inactive caption
    0x3399FF,  // 29 menu highlight
    0xF0F0F0,  // 30 menu bar
};

Colour FromHtmlOrder(uint32_t rrggbb) {
  return Rgb((rrggbb >> 16) & 0xFF, (rrggbb >> 8) & 0xFF, rrggbb & 0xFF);
}
}  // namespace

Colour GetSysColour(int index) {
  if (index < 0 || index >= static_cast<int>(std::size(kSystemTable))) return clBlack;
  return FromHtmlOrder(kSystemTable[index]);
}

bool IsSystemColour(Colour c) { return (c & 0xFF000000u) == 0xFF000000u; }

Colour ColourToRgb(Colour c) {
  if (IsSystemColour(c)) return GetSysColour(static_cast<int>(c & 0xFF));
  if (c == clNone || c == clDefault) return clBlack;
  return c & 0x00FFFFFFu;
}

Colour InvertColour(Colour c) { return ColourToRgb(c) ^ 0x00FFFFFFu; }

QColor ToQColor(Colour c) {
  const Colour v = ColourToRgb(c);
  return QColor(RedOf(v), GreenOf(v), BlueOf(v));
}

Colour FromQColor(const QColor& c) { return Rgb(c.red(), c.green(), c.blue()); }

}  // namespace platform
