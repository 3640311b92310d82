#pragma once
// The editor's small published sub-objects (selection colours, gutter,
// bookmark options, glyphs), its shared internal image strips, and the
// gradient fill of the gutter.
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "editor/edmethodchain.h"
#include "editor/edtypes.h"
#include "platform/canvas.h"
#include "platform/fonts.h"
#include "platform/image.h"

namespace editor {

class TEdSelectedColor : public TEdObject {
 public:
  TColor Background() const { return background_; }
  void SetBackground(TColor value);
  TColor Foreground() const { return foreground_; }
  void SetForeground(TColor value);
  void Assign(const TEdSelectedColor& source);
  TEdNotify OnChange;

 private:
  void Changed() { if (OnChange) OnChange(this); }
  TColor background_ = clHighlight;
  TColor foreground_ = clHighlightText;
};

enum class TEdGutterBorderStyle { gbsNone, gbsMiddle, gbsRight };

class TEdGutter : public TEdObject {
 public:
  TEdGutter();

  const platform::Font& Font() const { return font_; }
  void SetFont(const platform::Font& value);
  TColor Color() const { return color_; }
  void SetColor(TColor value);
  TColor BorderColor() const { return borderColor_; }
  void SetBorderColor(TColor value);
  TEdGutterBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TEdGutterBorderStyle value);
  int Width() const { return width_; }
  void SetWidth(int value);
  // Clamped to 2..12; also sets the automatic digit count.
  int DigitCount() const { return digitCount_; }
  void SetDigitCount(int value);
  int LeftOffset() const { return leftOffset_; }
  void SetLeftOffset(int value);
  int RightOffset() const { return rightOffset_; }
  void SetRightOffset(int value);
  bool ShowLineNumbers() const { return showLineNumbers_; }
  void SetShowLineNumbers(bool value);
  bool LeadingZeros() const { return leadingZeros_; }
  void SetLeadingZeros(bool value);
  bool ZeroStart() const { return zeroStart_; }
  void SetZeroStart(bool value);
  // A negative start becomes 0; ZeroStart is on exactly when the start is 0.
  int LineNumberStart() const { return lineNumberStart_; }
  void SetLineNumberStart(int value);
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool value);
  bool UseFontStyle() const { return useFontStyle_; }
  void SetUseFontStyle(bool value);
  bool Visible() const { return visible_; }
  void SetVisible(bool value);
  int Cursor() const { return cursor_; }
  void SetCursor(int value);
  bool Gradient() const { return gradient_; }
  void SetGradient(bool value);
  TColor GradientStartColor() const { return gradientStartColor_; }
  void SetGradientStartColor(TColor value);
  TColor GradientEndColor() const { return gradientEndColor_; }
  void SetGradientEndColor(TColor value);
  // At least 2.
  int GradientSteps() const { return gradientSteps_; }
  void SetGradientSteps(int value);

  int AutoSizeDigitCountValue() const { return autoSizeDigitCount_; }
  void AutoSizeDigitCount(int linesCount);
  std::u16string FormatLineNumber(int line) const;
  int RealGutterWidth(int charWidth) const;
  void Assign(const TEdGutter& source);

  TEdNotify OnChange;

 private:
  void Changed() { if (OnChange) OnChange(this); }
  template <typename T>
  void Set(T& field, const T& value) {
    if (StoreIfChanged(field, value)) Changed();
  }

  platform::Font font_;
  TColor color_ = clBtnFace;
  TColor borderColor_ = clWindow;
  TEdGutterBorderStyle borderStyle_ = TEdGutterBorderStyle::gbsMiddle;
  int width_ = 30;
  int digitCount_ = 4;
  int autoSizeDigitCount_ = 4;
  int leftOffset_ = 16;
  int rightOffset_ = 2;
  bool showLineNumbers_ = false;
  bool leadingZeros_ = false;
  bool zeroStart_ = false;
  int lineNumberStart_ = 1;
  bool autoSize_ = false;
  bool useFontStyle_ = true;
  bool visible_ = true;
  int cursor_ = 0;
  bool gradient_ = false;
  TColor gradientStartColor_ = clWindow;
  TColor gradientEndColor_ = clBtnFace;
  int gradientSteps_ = 48;
};

// A strip of equally wide images (the bookmark images a user may give the editor).
class TEdImageList {
 public:
  TEdImageList(platform::Bitmap strip, int count);
  int Count() const { return count_; }
  int Width() const { return width_; }
  int Height() const { return strip_.Height(); }
  // Image index (0-based) at (x, y), alpha blended; nothing outside 0..Count-1.
  void Draw(platform::Canvas& canvas, int x, int y, int index) const;

 private:
  platform::Bitmap strip_;
  int count_;
  int width_;
};

class TEdBookMarkOpt : public TEdObject {
 public:
  explicit TEdBookMarkOpt(TEdObject* owner = nullptr) : owner_(owner) {}
  // Shared: the list stays alive while an editor uses it.
  const std::shared_ptr<TEdImageList>& BookmarkImages() const { return bookmarkImages_; }
  void SetBookmarkImages(std::shared_ptr<TEdImageList> value);
  bool DrawBookmarksFirst() const { return drawBookmarksFirst_; }
  void SetDrawBookmarksFirst(bool value);
  bool EnableKeys() const { return enableKeys_; }
  void SetEnableKeys(bool value);
  bool GlyphsVisible() const { return glyphsVisible_; }
  void SetGlyphsVisible(bool value);
  int LeftMargin() const { return leftMargin_; }
  void SetLeftMargin(int value);
  int Xoffset() const { return xOffset_; }
  void SetXoffset(int value);
  TEdObject* Owner() const { return owner_; }
  void Assign(const TEdBookMarkOpt& source);
  TEdNotify OnChange;

 private:
  void Changed() { if (OnChange) OnChange(this); }
  TEdObject* owner_;
  std::shared_ptr<TEdImageList> bookmarkImages_;
  bool drawBookmarksFirst_ = true;
  bool enableKeys_ = true;
  bool glyphsVisible_ = true;
  int leftMargin_ = 2;
  int xOffset_ = 12;
};

// The editor's project-drawn bitmaps, by resource name without regard to
// case: "TEXTEDITWRAPPED" (the wrapped-line glyph on lime) and
// "TEXTEDITINTERNALIMAGES" (ten bookmark images, 0 to 9). Null for other names.
platform::Bitmap LoadEditorResourceBitmap(const std::string& name);

class TEdGlyph : public TEdObject {
 public:
  TEdGlyph() = default;
  // The internal glyph from an editor resource, with its mask colour.
  TEdGlyph(const std::string& resourceName, TColor maskColor);

  const platform::Bitmap& Glyph() const { return glyph_; }
  void SetGlyph(const platform::Bitmap& value);
  TColor MaskColor() const { return maskColor_; }
  void SetMaskColor(TColor value);
  bool Visible() const { return visible_; }
  void SetVisible(bool value);
  int Width() const;
  int Height() const;
  // The user glyph when set, else the internal one, its mask colour transparent;
  // a glyph taller than the line shows its middle rows, a shorter one is centred.
  void Draw(platform::Canvas& canvas, int x, int y, int lineHeight) const;
  void Assign(const TEdGlyph& source);
  TEdNotify OnChange;

 private:
  void Changed() { if (OnChange) OnChange(this); }
  platform::Bitmap internalGlyph_;
  TColor internalMaskColor_ = clNone;
  platform::Bitmap glyph_;
  TColor maskColor_ = clNone;
  bool visible_ = true;
};

// A strip of equally wide images shared by every user of the same resource.
class TEdInternalImage {
 public:
  TEdInternalImage(const std::string& resourceName, int count);
  ~TEdInternalImage();
  TEdInternalImage(const TEdInternalImage&) = delete;
  TEdInternalImage& operator=(const TEdInternalImage&) = delete;

  int Count() const { return count_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  // Image number (0-based; ignored outside 0..Count-1), centred on the line, copied opaquely.
  void Draw(platform::Canvas& canvas, int number, int x, int y, int lineHeight) const;

  // How many shared bitmaps are held (the list is gone when this is 0).
  static int SharedResourceCount();

 private:
  std::string name_;
  const platform::Bitmap* images_;
  int count_;
  int width_;
  int height_;
};

// Fills rect with steps bands from fromColor to toColor, along x (horizontal) or y.
void DrawGradient(platform::Canvas& canvas, TColor fromColor, TColor toColor, bool horizontal,
                  const platform::Rect& rect, int steps);

}  // namespace editor
