#pragma once
// Fonts in the platform's terms and the text measurements every control
// relies on. Text is laid out on integer per-character advances: what a
// string measures is exactly where its glyphs are drawn (platform/canvas.h),
// with no kerning or ligatures between characters.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/colors.h"
#include "platform/geometry.h"

class QFont;

namespace platform {

enum : unsigned { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using FontStyles = unsigned;

enum : int { FW_LIGHT = 300, FW_NORMAL = 400, FW_BOLD = 700 };
enum class FontPitch { Default, Fixed, Variable };

// Pixels per inch, fixed: point sizes never depend on the screen.
constexpr int kPixelsPerInch = 96;

struct Font {
  std::string name = "Tahoma";
  // Pixels. Negative: character height (the em); positive: cell height
  // (ascent + descent); 0: the default 8 point size.
  int height = -11;
  int width = 0;            // average character width; 0 keeps the design's
  int weight = FW_NORMAL;
  bool italic = false;
  bool underline = false;
  bool strikeOut = false;
  int escapement = 0;       // tenths of a degree, counter-clockwise
  int charset = 1;          // kept for callers; text is Unicode
  FontPitch pitch = FontPitch::Default;
  Colour color = clWindowText;

  // Size in points: -MulDiv(height, 72, 96) for character heights.
  int Size() const;
  void SetSize(int points);
  FontStyles Style() const;
  void SetStyle(FontStyles styles);
  // Equal keys mean the same glyphs and metrics (the colour is not part of it).
  std::string Key() const;
  friend bool operator==(const Font&, const Font&) = default;
};

struct TextMetrics {
  int height = 0;           // ascent + descent
  int ascent = 0;
  int descent = 0;
  int internalLeading = 0;  // height - character height
  int externalLeading = 0;
  int aveCharWidth = 0;
  int maxCharWidth = 0;
  int overhang = 0;
};

// Installed-family test and the family a requested name is drawn with:
// the name itself when installed, else its metric-compatible substitute
// ("Courier New" -> "Liberation Mono", "Times New Roman" -> "Liberation
// Serif", "Arial" -> "Liberation Sans", "Tahoma" -> "DejaVu Sans"), else the
// fallback family.
bool IsFontInstalled(std::string_view family);
std::string ResolveFontFamily(std::string_view family);
std::vector<std::string> InstalledFontFamilies();

// The Qt font for drawing (pixel size, no kerning, resolved family).
QFont ToQFont(const Font& font);

TextMetrics GetTextMetrics(const Font& font);
// Advance of one code point.
int CharAdvance(const Font& font, char32_t ch);
// Advances per UTF-16 unit: a surrogate pair's advance sits on its first
// unit, 0 on the second.
std::vector<int> CharAdvances(const Font& font, std::u16string_view text);
Size TextExtent(const Font& font, std::u16string_view text);
Size TextExtent(const Font& font, std::string_view utf8);
int TextWidth(const Font& font, std::string_view utf8);
// How many UTF-16 units fit in maxExtent pixels (a pair is never split);
// partial extents (running totals per unit) go to *extents when given.
int TextFitCount(const Font& font, std::u16string_view text, int maxExtent,
                 std::vector<int>* extents = nullptr);

// Which engine measures and draws text. Tests may choose the fixed-metric
// backend before the first font is used: every advance round(0.5 x size),
// ascent round(0.8 x size), descent the rest, no leading; a glyph is a solid
// block over its cell less the right column, blanks draw nothing.
enum class FontBackend { Qt, FixedMetric };
void SetFontBackend(FontBackend backend, std::vector<std::string> families = {});
FontBackend CurrentFontBackend();
// The em size in pixels a font resolves to (both backends).
int FontPixelSize(const Font& font);
// How much wider than designed a font with a given average width draws
// (1 when the width is 0).
double FontHorizontalScale(const Font& font);

std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);

}  // namespace platform
