#include "editor/edmiscclasses.h"

#include <algorithm>
#include <cctype>

#include "platform/geometry.h"
#include "platform/sysutils.h"

namespace editor {

using platform::Bitmap;
using platform::Canvas;
using platform::Rect;

// ---------------------------------------------------------------------------

void TEdSelectedColor::SetBackground(TColor value) {
  if (StoreIfChanged(background_, value)) Changed();
}

void TEdSelectedColor::SetForeground(TColor value) {
  if (StoreIfChanged(foreground_, value)) Changed();
}

void TEdSelectedColor::Assign(const TEdSelectedColor& source) {
  background_ = source.background_;
  foreground_ = source.foreground_;
  Changed();
}

// ---------------------------------------------------------------------------

TEdGutter::TEdGutter() {
  font_.name = "Courier New";
  font_.SetSize(8);
  font_.SetStyle(0);
}

void TEdGutter::SetFont(const platform::Font& value) { if (StoreIfChanged(font_, value)) Changed(); }
void TEdGutter::SetColor(TColor value) { Set(color_, value); }
void TEdGutter::SetBorderColor(TColor value) { Set(borderColor_, value); }
void TEdGutter::SetBorderStyle(TEdGutterBorderStyle value) { Set(borderStyle_, value); }
void TEdGutter::SetWidth(int value) { Set(width_, value); }
void TEdGutter::SetLeftOffset(int value) { Set(leftOffset_, value); }
void TEdGutter::SetRightOffset(int value) { Set(rightOffset_, value); }
void TEdGutter::SetShowLineNumbers(bool value) { Set(showLineNumbers_, value); }
void TEdGutter::SetLeadingZeros(bool value) { Set(leadingZeros_, value); }
void TEdGutter::SetZeroStart(bool value) { Set(zeroStart_, value); }
void TEdGutter::SetAutoSize(bool value) { Set(autoSize_, value); }
void TEdGutter::SetUseFontStyle(bool value) { Set(useFontStyle_, value); }
void TEdGutter::SetVisible(bool value) { Set(visible_, value); }
void TEdGutter::SetCursor(int value) { Set(cursor_, value); }
void TEdGutter::SetGradient(bool value) { Set(gradient_, value); }
void TEdGutter::SetGradientStartColor(TColor value) { Set(gradientStartColor_, value); }
void TEdGutter::SetGradientEndColor(TColor value) { Set(gradientEndColor_, value); }
void TEdGutter::SetGradientSteps(int value) { Set(gradientSteps_, std::max(value, 2)); }

void TEdGutter::SetDigitCount(int value) {
  value = std::clamp(value, 2, 12);
  if (digitCount_ == value) return;
  digitCount_ = value;
  autoSizeDigitCount_ = value;
  Changed();
}

void TEdGutter::SetLineNumberStart(int value) {
  value = std::max(value, 0);
  if (lineNumberStart_ == value) return;
  lineNumberStart_ = value;
  zeroStart_ = value == 0;
  Changed();
}

void TEdGutter::AutoSizeDigitCount(int linesCount) {
  if (visible_ && autoSize_ && showLineNumbers_) {
    int n = linesCount;
    if (zeroStart_) n = linesCount - 1;
    else if (lineNumberStart_ > 1) n = linesCount + lineNumberStart_ - 1;
    int digits = static_cast<int>(std::to_string(std::max(n, 0)).size());
    digits = std::max(digits, digitCount_);
    if (digits != autoSizeDigitCount_) {
      autoSizeDigitCount_ = digits;
      Changed();
    }
  } else {
    autoSizeDigitCount_ = digitCount_;
  }
}

std::u16string TEdGutter::FormatLineNumber(int line) const {
  const int number = zeroStart_ ? line - 1 : line + lineNumberStart_ - 1;
  std::string text = std::to_string(number);
  if (static_cast<int>(text.size()) < autoSizeDigitCount_)
    text.insert(0, static_cast<size_t>(autoSizeDigitCount_) - text.size(), ' ');
  if (leadingZeros_)
    for (size_t i = 0; i + 1 < text.size() && text[i] == ' '; ++i) text[i] = '0';
  return std::u16string(text.begin(), text.end());
}

int TEdGutter::RealGutterWidth(int charWidth) const {
  if (!visible_) return 0;
  if (showLineNumbers_) return leftOffset_ + rightOffset_ + autoSizeDigitCount_ * charWidth + 2;
  return width_;
}

void TEdGutter::Assign(const TEdGutter& source) {
  if (&source == this) return;
  TEdNotify keep = OnChange;
  *this = source;
  OnChange = keep;
  Changed();
}

// ---------------------------------------------------------------------------

TEdImageList::TEdImageList(Bitmap strip, int count)
    : strip_(std::move(strip)), count_(std::max(count, 1)), width_((strip_.Width() + count_ / 2) / count_) {}

void TEdImageList::Draw(Canvas& canvas, int x, int y, int index) const {
  if (index < 0 || index >= count_ || strip_.IsNull()) return;
  canvas.DrawPart(platform::RectOfSize(x, y, width_, Height()), strip_,
                  platform::RectOfSize(index * width_, 0, width_, Height()));
}

void TEdBookMarkOpt::SetBookmarkImages(std::shared_ptr<TEdImageList> value) {
  if (StoreIfChanged(bookmarkImages_, value)) Changed();
}

void TEdBookMarkOpt::SetDrawBookmarksFirst(bool value) {
  if (StoreIfChanged(drawBookmarksFirst_, value)) Changed();
}

void TEdBookMarkOpt::SetEnableKeys(bool value) {
  if (StoreIfChanged(enableKeys_, value)) Changed();
}

void TEdBookMarkOpt::SetGlyphsVisible(bool value) {
  if (StoreIfChanged(glyphsVisible_, value)) Changed();
}

void TEdBookMarkOpt::SetLeftMargin(int value) {
  if (StoreIfChanged(leftMargin_, value)) Changed();
}

void TEdBookMarkOpt::SetXoffset(int value) {
  if (StoreIfChanged(xOffset_, value)) Changed();
}

void TEdBookMarkOpt::Assign(const TEdBookMarkOpt& source) {
  bookmarkImages_ = source.bookmarkImages_;
  drawBookmarksFirst_ = source.drawBookmarksFirst_;
  enableKeys_ = source.enableKeys_;
  glyphsVisible_ = source.glyphsVisible_;
  leftMargin_ = source.leftMargin_;
  xOffset_ = source.xOffset_;
  Changed();
}

// ---------------------------------------------------------------------------
// Project-drawn resources

namespace {

// Digits 0..9 in a 3 x 5 pixel font, one row per string.
const char* const kDigits[10][5] = {
    {"###", "#.#", "#.#", "#.#", "###"}, {".#.", "##.", ".#.", ".#.", "###"}, {"###", "..#", "###", "#..", "###"},
    {"###", "..#", ".##", "..#", "###"}, {"#.#", "#.#", "###", "..#", "..#"}, {"###", "#..", "###", "..#", "###"},
    {"###", "#..", "###", "#.#", "###"}, {"###", "..#", ".#.", ".#.", ".#."}, {"###", "#.#", "###", "#.#", "###"},
    {"###", "#.#", "###", "..#", "###"},
};

// Ten bookmark flags 12 x 16, each a dark frame on a light face with its digit.
Bitmap MakeBookmarkImages() {
  constexpr int w = 12, h = 16;
  Bitmap strip(w * 10, h, clLime);
  for (int n = 0; n < 10; ++n) {
    const int x0 = n * w;
    for (int y = 1; y < 14; ++y)
      for (int x = 1; x < 11; ++x) {
        const bool edge = y == 1 || y == 13 || x == 1 || x == 10;
        strip.SetPixel(x0 + x, y, edge ? platform::clNavy : platform::Rgb(255, 255, 192));
      }
    for (int row = 0; row < 5; ++row)
      for (int col = 0; col < 3; ++col)
        if (kDigits[n][row][col] == '#') strip.SetPixel(x0 + 4 + col, 5 + row, clBlack);
  }
  return strip;
}

// The wrapped-line glyph: a bent arrow pointing down-left, on lime.
Bitmap MakeWrappedGlyph() {
  static const char* const rows[] = {
      ".......##", ".......##", ".......##", "..#....##", ".##....##", "#########", ".########", "..#......",
      ".........",
  };
  Bitmap glyph(9, 9, clLime);
  for (int y = 0; y < 9; ++y)
    for (int x = 0; x < 9; ++x)
      if (rows[y][x] == '#') glyph.SetPixel(x, y, clBlack);
  return glyph;
}

struct TInternalResource {
  int refCount = 0;
  Bitmap bitmap;
};

// Created on first use, destroyed when its last bitmap is released.
std::unique_ptr<std::map<std::string, TInternalResource>> gInternalResources;

const Bitmap* AcquireResource(const std::string& name) {
  if (!gInternalResources) gInternalResources = std::make_unique<std::map<std::string, TInternalResource>>();
  auto& res = (*gInternalResources)[platform::UpperCase(name)];
  if (res.refCount++ == 0) res.bitmap = LoadEditorResourceBitmap(name);
  return &res.bitmap;
}

void ReleaseResource(const std::string& name) {
  if (!gInternalResources) return;
  const auto it = gInternalResources->find(platform::UpperCase(name));
  if (it == gInternalResources->end()) return;
  if (--it->second.refCount <= 0) gInternalResources->erase(it);
  if (gInternalResources->empty()) gInternalResources.reset();
}

// Offset and rows of an image of height imageHeight drawn on a line of
// lineHeight: a taller image shows its middle rows, a shorter one is centred.
void VerticalPlacement(int imageHeight, int lineHeight, int& destOffset, int& srcTop, int& rows) {
  if (imageHeight > lineHeight) {
    destOffset = 0;
    srcTop = (imageHeight - lineHeight) / 2;
    rows = lineHeight;
  } else {
    destOffset = (lineHeight - imageHeight) / 2;
    srcTop = 0;
    rows = imageHeight;
  }
}

}  // namespace

Bitmap LoadEditorResourceBitmap(const std::string& name) {
  const std::string upper = platform::UpperCase(name);
  if (upper == "TEXTEDITWRAPPED") return MakeWrappedGlyph();
  if (upper == "TEXTEDITINTERNALIMAGES") return MakeBookmarkImages();
  return Bitmap();
}

// ---------------------------------------------------------------------------

TEdGlyph::TEdGlyph(const std::string& resourceName, TColor maskColor)
    : internalGlyph_(LoadEditorResourceBitmap(resourceName)), internalMaskColor_(maskColor) {}

void TEdGlyph::SetGlyph(const Bitmap& value) {
  glyph_ = value;
  Changed();
}

void TEdGlyph::SetMaskColor(TColor value) {
  if (StoreIfChanged(maskColor_, value)) Changed();
}

void TEdGlyph::SetVisible(bool value) {
  if (StoreIfChanged(visible_, value)) Changed();
}

int TEdGlyph::Width() const {
  if (!glyph_.IsNull()) return glyph_.Width();
  if (!internalGlyph_.IsNull()) return internalGlyph_.Width();
  return 0;
}

int TEdGlyph::Height() const {
  if (!glyph_.IsNull()) return glyph_.Height();
  if (!internalGlyph_.IsNull()) return internalGlyph_.Height();
  return 0;
}

void TEdGlyph::Draw(Canvas& canvas, int x, int y, int lineHeight) const {
  const bool user = !glyph_.IsNull();
  const Bitmap& source = user ? glyph_ : internalGlyph_;
  if (source.IsNull()) return;
  const TColor mask = user ? maskColor_ : internalMaskColor_;
  Bitmap image = source;
  if (mask != clNone) image.MakeTransparent(platform::ColourToRgb(mask));
  int offset = 0, top = 0, rows = 0;
  VerticalPlacement(image.Height(), lineHeight, offset, top, rows);
  canvas.DrawPart(platform::RectOfSize(x, y + offset, image.Width(), rows), image,
                  platform::RectOfSize(0, top, image.Width(), rows));
}

void TEdGlyph::Assign(const TEdGlyph& source) {
  internalGlyph_ = source.internalGlyph_;
  internalMaskColor_ = source.internalMaskColor_;
  glyph_ = source.glyph_;
  maskColor_ = source.maskColor_;
  visible_ = source.visible_;
  Changed();
}

// ---------------------------------------------------------------------------

TEdInternalImage::TEdInternalImage(const std::string& resourceName, int count)
    : name_(resourceName), images_(AcquireResource(resourceName)), count_(std::max(count, 1)) {
  width_ = (images_->Width() + count_ / 2) / count_;
  height_ = images_->Height();
}

TEdInternalImage::~TEdInternalImage() { ReleaseResource(name_); }

int TEdInternalImage::SharedResourceCount() {
  return gInternalResources ? static_cast<int>(gInternalResources->size()) : 0;
}

void TEdInternalImage::Draw(Canvas& canvas, int number, int x, int y, int lineHeight) const {
  if (number < 0 || number >= count_ || images_->IsNull()) return;
  int offset = 0, top = 0, rows = 0;
  VerticalPlacement(height_, lineHeight, offset, top, rows);
  const Bitmap part(images_->Image().copy(number * width_, top, width_, rows));
  canvas.Copy(x, y + offset, part);
}

// ---------------------------------------------------------------------------

void DrawGradient(Canvas& canvas, TColor fromColor, TColor toColor, bool horizontal, const Rect& rect, int steps) {
  steps = std::clamp(steps, 2, 256);
  const TColor from = platform::ColourToRgb(fromColor);
  const TColor to = platform::ColourToRgb(toColor);
  const int size = horizontal ? rect.Width() : rect.Height();
  for (int i = 0; i < steps; ++i) {
    const int a = platform::MulDiv(i, size, steps);
    const int b = platform::MulDiv(i + 1, size, steps);
    if (b <= a) continue;
    const auto channel = [i, steps](int f, int t) { return f + platform::MulDiv(i, t - f, steps - 1); };
    const TColor colour = platform::Rgb(channel(platform::RedOf(from), platform::RedOf(to)),
                                        channel(platform::GreenOf(from), platform::GreenOf(to)),
                                        channel(platform::BlueOf(from), platform::BlueOf(to)));
    const Rect band = horizontal ? Rect{rect.left + a, rect.top, rect.left + b, rect.bottom}
                                 : Rect{rect.left, rect.top + a, rect.right, rect.top + b};
    canvas.FillRect(band, colour);
  }
}

}  // namespace editor
