#pragma once
// Drawing text in equal character cells, whatever the font: one cell is
// measured for the editor's base font and style, and every character is
// then drawn with an explicit advance of one cell, so bold or italic text
// never shifts the columns after it. The style fonts and their measurements
// are shared between all drawers with the same base font through one
// process-wide cache.
#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "editor/edtypes.h"
#include "platform/canvas.h"
#include "platform/fonts.h"
#include "platform/sysutils.h"

namespace editor {

// "SetBaseFont: 'Value' must be specified."
class EFontStockException : public platform::Exception {
 public:
  using platform::Exception::Exception;
};
class ETextDrawerException : public platform::Exception {
 public:
  using platform::Exception::Exception;
};

// One combination of bold, italic, underline and strikeout of a base font.
struct TFontStyleSlot {
  std::unique_ptr<platform::Font> Handle;  // made on first use, freed when the last lock ends
  int CharAdvance = 0;
  int CharHeight = 0;
  int WideAdvance = 0;
};

// What all drawers with one base font share.
struct TFontInfo {
  int RefCount = 0;
  int LockCount = 0;
  platform::Font BaseFont;
  // The comparison key: the font with italic, underline and strikeout
  // cleared and its colour ignored (the weight stays part of it).
  std::string BaseFontData;
  bool IsDBCSFont = false;
  std::array<TFontStyleSlot, 16> Styles;
};

class TFontsInfoManager {
 public:
  TFontsInfoManager() = default;
  TFontsInfoManager(const TFontsInfoManager&) = delete;
  TFontsInfoManager& operator=(const TFontsInfoManager&) = delete;

  TFontInfo* GetFontInfo(const platform::Font& font);
  void ReleaseFontInfo(TFontInfo* info);
  void LockFontInfo(TFontInfo* info);
  void UnlockFontInfo(TFontInfo* info);
  int Count() const { return static_cast<int>(list_.size()); }

  static std::string BaseFontDataOf(const platform::Font& font);

 private:
  std::vector<std::unique_ptr<TFontInfo>> list_;
};

// The process-wide cache, made on first use.
TFontsInfoManager& GetFontsInfoManager();
// Module clean-up: destroys the cache with every record. Drawers that are
// still alive afterwards let go of their records without touching it.
void FinalizeFontsInfoManager();

// One drawer's view of the cache: the current record and style slot.
class TFontStock {
 public:
  explicit TFontStock(const platform::Font& initialFont);
  ~TFontStock();
  TFontStock(const TFontStock&) = delete;
  TFontStock& operator=(const TFontStock&) = delete;

  void SetBaseFont(const platform::Font* value);
  const platform::Font& BaseFont() const;
  void SetStyle(TFontStyles value);
  TFontStyles Style() const { return currentStyle_; }
  const platform::Font& FontHandle() const;
  int CharAdvance() const { return currentSlot_ ? currentSlot_->CharAdvance : 0; }
  int CharHeight() const { return currentSlot_ ? currentSlot_->CharHeight : 0; }
  int WideAdvance() const { return currentSlot_ ? currentSlot_->WideAdvance : 0; }
  bool IsDBCSFont() const { return info_ != nullptr && info_->IsDBCSFont; }
  TFontInfo* FontInfo() const { return info_; }

  // The cell advance of a font: the advance of "M" plus the italic
  // overhang, or the average character width when "M" has no advance.
  static int CalcFontAdvance(const platform::Font& font, int& height, int* wideAdvance);

 private:
  void ReleaseFontsInfo();

  TFontInfo* info_ = nullptr;
  std::string baseData_;
  platform::Font baseLF_;
  TFontStyles currentStyle_ = 0xFF;  // no slot chosen yet
  TFontStyleSlot* currentSlot_ = nullptr;
  bool usingFontHandles_ = false;
};

class TTextDrawer {
 public:
  TTextDrawer(TFontStyles baseStyle, const platform::Font& baseFont);
  TTextDrawer(const TTextDrawer&) = delete;
  TTextDrawer& operator=(const TTextDrawer&) = delete;

  // Drawing calls nest; the canvas's state is saved at the first and
  // restored at the last.
  void BeginDrawing(platform::Canvas* dc);
  void EndDrawing();
  bool Drawing() const { return dc_ != nullptr; }

  int GetCharWidth() const { return charWidth_ + charExtra_; }
  int GetCharHeight() const { return charHeight_; }
  void SetBaseFont(const platform::Font* value);
  void SetBaseStyle(TFontStyles value);
  TFontStyles BaseStyle() const { return baseStyle_; }
  void SetStyle(TFontStyles value);
  TFontStyles Style() const { return stock_.Style(); }
  const platform::Font& CurrentFont() const { return stock_.FontHandle(); }
  void SetForeColor(TColor value);
  TColor ForeColor() const { return color_; }
  void SetBackColor(TColor value);
  TColor BackColor() const { return bkColor_; }
  void SetCharExtra(int value);
  int CharExtra() const { return charExtra_; }

  void TextOut(int x, int y, std::u16string_view text);
  // Every character advances exactly one cell.
  void ExtTextOut(int x, int y, unsigned options, const platform::Rect& rect, std::u16string_view text);
  int DistanceArrayLength() const { return static_cast<int>(dx_.size()); }

  const TFontStock& Stock() const { return stock_; }

 private:
  void ApplyFont();
  void ReleaseETODist() { dx_.clear(); }

  platform::Canvas* dc_ = nullptr;
  int saveLevel_ = -1;
  int drawingCount_ = 0;
  TFontStock stock_;
  TFontStyles baseStyle_;
  int charWidth_ = 0;
  int charHeight_ = 0;
  TColor color_ = clWindowText;
  TColor bkColor_ = clWindow;
  int charExtra_ = 0;
  std::vector<int> dx_;
};

}  // namespace editor
