#include "editor/textdrawer.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

namespace editor {

namespace {

std::unique_ptr<TFontsInfoManager>& ManagerSlot() {
  static std::unique_ptr<TFontsInfoManager> manager;
  return manager;
}

constexpr int kDistanceArrayAllocUnit = 64;

platform::Font StyledFont(const platform::Font& base, TFontStyles style) {
  platform::Font f = base;
  f.weight = (style & fsBold) ? platform::FW_BOLD : platform::FW_NORMAL;
  f.italic = (style & fsItalic) != 0;
  f.underline = (style & fsUnderline) != 0;
  f.strikeOut = (style & fsStrikeOut) != 0;
  return f;
}

}  // namespace

// ---------------------------------------------------------------------------

std::string TFontsInfoManager::BaseFontDataOf(const platform::Font& font) {
  platform::Font f = font;
  f.italic = false;
  f.underline = false;
  f.strikeOut = false;
  f.color = clBlack;
  return f.Key();
}

TFontInfo* TFontsInfoManager::GetFontInfo(const platform::Font& font) {
  const std::string data = BaseFontDataOf(font);
  for (auto& info : list_) {
    if (info->BaseFontData == data) {
      ++info->RefCount;
      return info.get();
    }
  }
  auto info = std::make_unique<TFontInfo>();
  info->RefCount = 1;
  info->BaseFont = font;
  info->BaseFontData = data;
  // Text is Unicode throughout: no font is treated as double-byte.
  info->IsDBCSFont = false;
  list_.push_back(std::move(info));
  return list_.back().get();
}

void TFontsInfoManager::ReleaseFontInfo(TFontInfo* info) {
  if (info == nullptr) return;
  auto it = std::find_if(list_.begin(), list_.end(), [info](const auto& p) { return p.get() == info; });
  if (it == list_.end()) return;
  if (info->RefCount < 2)
    list_.erase(it);
  else
    --info->RefCount;
}

void TFontsInfoManager::LockFontInfo(TFontInfo* info) {
  if (info) ++info->LockCount;
}

void TFontsInfoManager::UnlockFontInfo(TFontInfo* info) {
  if (info == nullptr) return;
  if (--info->LockCount <= 0) {
    info->LockCount = 0;
    for (auto& slot : info->Styles) slot.Handle.reset();
  }
}

TFontsInfoManager& GetFontsInfoManager() {
  auto& slot = ManagerSlot();
  if (!slot) slot = std::make_unique<TFontsInfoManager>();
  return *slot;
}

void FinalizeFontsInfoManager() { ManagerSlot().reset(); }

// ---------------------------------------------------------------------------

TFontStock::TFontStock(const platform::Font& initialFont) { SetBaseFont(&initialFont); }

TFontStock::~TFontStock() { ReleaseFontsInfo(); }

void TFontStock::ReleaseFontsInfo() {
  if (info_ == nullptr) return;
  // After the module's clean-up the records are gone with the cache.
  if (auto& manager = ManagerSlot()) {
    if (usingFontHandles_) manager->UnlockFontInfo(info_);
    manager->ReleaseFontInfo(info_);
  }
  usingFontHandles_ = false;
  info_ = nullptr;
  currentSlot_ = nullptr;
  currentStyle_ = 0xFF;
}

const platform::Font& TFontStock::BaseFont() const { return baseLF_; }

const platform::Font& TFontStock::FontHandle() const {
  if (currentSlot_ && currentSlot_->Handle) return *currentSlot_->Handle;
  return baseLF_;
}

void TFontStock::SetBaseFont(const platform::Font* value) {
  if (value == nullptr) throw EFontStockException("SetBaseFont: 'Value' must be specified.");
  TFontsInfoManager& manager = GetFontsInfoManager();
  TFontInfo* info = manager.GetFontInfo(*value);
  if (info == info_) {
    manager.ReleaseFontInfo(info);
    return;
  }
  ReleaseFontsInfo();
  info_ = info;
  baseData_ = info->BaseFontData;
  baseLF_ = info->BaseFont;
  baseLF_.italic = baseLF_.underline = baseLF_.strikeOut = false;
  SetStyle(static_cast<TFontStyles>(value->Style()));
}

int TFontStock::CalcFontAdvance(const platform::Font& font, int& height, int* wideAdvance) {
  const platform::TextMetrics tm = platform::GetTextMetrics(font);
  int advance = platform::CharAdvance(font, U'M');
  if (advance > 0)
    advance += tm.overhang;
  else
    advance = tm.aveCharWidth;
  height = std::abs(tm.height);
  // Only double-byte fonts have a separate wide advance; there are none.
  if (wideAdvance) *wideAdvance = INT_MAX;
  return advance;
}

void TFontStock::SetStyle(TFontStyles value) {
  value &= 0x0F;
  if (info_ == nullptr) return;
  if (!usingFontHandles_) {
    GetFontsInfoManager().LockFontInfo(info_);
    usingFontHandles_ = true;
  }
  TFontStyleSlot* slot = &info_->Styles[value];
  if (slot == currentSlot_ && slot->Handle) return;
  if (!slot->Handle) {
    slot->Handle = std::make_unique<platform::Font>(StyledFont(baseLF_, value));
    int height = 0;
    int wide = 0;
    slot->CharAdvance = CalcFontAdvance(*slot->Handle, height, info_->IsDBCSFont ? &wide : nullptr);
    slot->CharHeight = height;
    slot->WideAdvance = info_->IsDBCSFont ? wide : INT_MAX;
  }
  currentSlot_ = slot;
  currentStyle_ = value;
}

// ---------------------------------------------------------------------------

TTextDrawer::TTextDrawer(TFontStyles baseStyle, const platform::Font& baseFont)
    : stock_(baseFont), baseStyle_(baseStyle) {
  SetBaseFont(&baseFont);
  color_ = clWindowText;
  bkColor_ = clWindow;
}

void TTextDrawer::SetBaseFont(const platform::Font* value) {
  if (value == nullptr) throw ETextDrawerException("SetBaseFont: 'Value' must be specified.");
  ReleaseETODist();
  stock_.SetBaseFont(value);
  stock_.SetStyle(baseStyle_);
  charWidth_ = stock_.CharAdvance();
  charHeight_ = stock_.CharHeight();
  SetStyle(static_cast<TFontStyles>(value->Style()));
}

void TTextDrawer::SetBaseStyle(TFontStyles value) {
  if (value == baseStyle_) return;
  baseStyle_ = value;
  ReleaseETODist();
  const TFontStyles current = stock_.Style();
  stock_.SetStyle(value);
  charWidth_ = stock_.CharAdvance();
  charHeight_ = stock_.CharHeight();
  // The current style stays what it was; only the cell was measured anew.
  stock_.SetStyle(current);
}

void TTextDrawer::SetStyle(TFontStyles value) {
  stock_.SetStyle(value);
  if (dc_) ApplyFont();
}

void TTextDrawer::ApplyFont() {
  dc_->font = stock_.FontHandle();
  dc_->font.color = platform::ColourToRgb(color_);
}

void TTextDrawer::BeginDrawing(platform::Canvas* dc) {
  if (dc != nullptr && dc != dc_) {
    if (dc_ != nullptr && saveLevel_ >= 0) dc_->Restore(saveLevel_);
    dc_ = dc;
    saveLevel_ = dc_->Save();
    ApplyFont();
    dc_->bkColor = platform::ColourToRgb(bkColor_);
    dc_->charExtra = charExtra_;
  }
  ++drawingCount_;
}

void TTextDrawer::EndDrawing() {
  if (drawingCount_ <= 0) return;
  if (--drawingCount_ == 0) {
    if (dc_ != nullptr && saveLevel_ >= 0) dc_->Restore(saveLevel_);
    dc_ = nullptr;
    saveLevel_ = -1;
  }
}

void TTextDrawer::SetForeColor(TColor value) {
  color_ = value;
  if (dc_) dc_->font.color = platform::ColourToRgb(value);
}

void TTextDrawer::SetBackColor(TColor value) {
  bkColor_ = value;
  if (dc_) dc_->bkColor = platform::ColourToRgb(value);
}

void TTextDrawer::SetCharExtra(int value) {
  if (value == charExtra_) return;
  charExtra_ = value;
  // The cached advances hold the cell width, which has just changed.
  ReleaseETODist();
  if (dc_) dc_->charExtra = value;
}

void TTextDrawer::TextOut(int x, int y, std::u16string_view text) {
  if (dc_ == nullptr) return;
  dc_->ExtTextOut(x, y, 0, nullptr, text);
}

void TTextDrawer::ExtTextOut(int x, int y, unsigned options, const platform::Rect& rect, std::u16string_view text) {
  if (dc_ == nullptr) return;
  const int length = static_cast<int>(text.size());
  if (static_cast<int>(dx_.size()) < length) {
    const int newLength = (length / kDistanceArrayAllocUnit + 1) * kDistanceArrayAllocUnit;
    dx_.resize(static_cast<size_t>(newLength), GetCharWidth());
  }
  dc_->ExtTextOut(x, y, options, &rect, text, dx_.data());
}

}  // namespace editor
