#pragma once
// Inline objects of a text section: images (TImageObj) and, through the
// floating-object base they share, panels. Each stands at one character
// position of the section's text (a U+0004 there). An image reads its
// attributes and style, fetches its picture through the document's image
// cache, sizes itself from its attributes, its style or the picture, and
// draws itself with its border, alt text, focus rectangle and transparency.
// When images are off, or the picture is missing or still to come, it
// reserves a box and shows a placeholder with its alt text instead.
#include <memory>
#include <string>

#include "htmlview/parse/attributes.h"
#include "htmlview/layout/fontruns.h"
#include "htmlview/images/gifimage.h"
#include "htmlview/images/imagecache.h"
#include "htmlview/style/styleprops.h"
#include "htmlview/parse/viewutils.h"
#include "platform/canvas.h"

namespace htmlview {

class TSectionListBase;
class TMapItem;
class TFormControlObj;

// The size of the box an image without a picture reserves at least, and
// where in it the placeholder picture and the alt text go.
constexpr int kPlaceholderMinBox = 24;
constexpr int kPlaceholderInset = 4;
constexpr int kAltTextIndent = 24;
constexpr int kAltTextExtraWidth = 26;
// The largest HSPACE / VSPACE and BORDER an attribute may give.
constexpr int kMaxObjectSpace = 40;
constexpr int kMaxImageBorder = 10;
// "No object follows" of TImageObjList::GetImageCountAt.
constexpr int kNoObjectCount = 99999999;

// The font of the alternative text shown in a box without its picture.
platform::Font AltFont(platform::Colour colour);

// The key the document's image cache files a URL under: upper case, blanks
// and control characters trimmed at both ends.
std::string ImageCacheKey(std::string_view url);

// ---------------------------------------------------------------------------

class TFloatingObj : public TIDObject {
 public:
  ~TFloatingObj() override = default;

  int Pos = 0;               // character index in the section's text
  int ObjHeight = 0;         // total height: picture (or reserved box) and border
  int ObjWidth = 0;          // total width
  TVAlign VertAlign = TVAlign::Bottom;   // Top .. Right
  int Indent = 0;            // x of a float, relative to the float manager's origin
  int HSpaceL = 0, HSpaceR = 0;
  int VSpaceT = 0, VSpaceB = 0;
  int SpecWidth = -1;        // -1: not given; a percentage when PercentWidth
  int SpecHeight = -1;
  bool PercentWidth = false;
  bool PercentHeight = false;
  std::string ImageTitle;
  std::string FAlt;          // alt text as given (UTF-8)
  std::u16string FAltW;      // the same in wide characters
  bool ImageKnown = false;   // the size is final
  int YValue = 0;            // y of the line it was laid out on
  int DrawYY = 0;            // drawn top inside the border (document coordinates)
  int DrawXX = 0;            // drawn left inside the border
  bool NoBorder = false;     // BORDER=0 (or a style border, drawn elsewhere)
  int BorderSize = 0;

  int YPosition() const override { return YValue; }
  // Left and right alignment float the object to that side.
  TFloatSide FloatSide() const {
    return VertAlign == TVAlign::Left ? TFloatSide::Left
           : VertAlign == TVAlign::Right ? TFloatSide::Right
                                 : TFloatSide::None;
  }
  bool Floating() const { return FloatSide() != TFloatSide::None; }

  // Fetch (images) and size. availableWidth / Height: what the line offers.
  virtual void Layout(TSectionListBase* master, platform::Canvas& canvas, TFontObj* fontRun,
                      int availableWidth, int availableHeight) = 0;
};

// ---------------------------------------------------------------------------

class TImageObj : public TFloatingObj {
 public:
  // What is shown: nothing yet, the cache's picture (or this object's
  // animated copy of it), or one of the placeholders.
  enum class PictureKind { None, Picture, Waiting, Error };

  // From an IMG (or INPUT TYPE=IMAGE) tag at a position.
  TImageObj(TSectionListBase* master, int position, const TAttributeList& attributes);
  // For a background or list-marker image: bottom aligned, no border, no size.
  TImageObj(TSectionListBase* master, const std::string& url);
  // A copy sharing the picture (sizes, alignment and sources copied).
  TImageObj(TSectionListBase* master, const TImageObj& source);
  ~TImageObj() override;
  TImageObj(const TImageObj&) = delete;
  TImageObj& operator=(const TImageObj&) = delete;

  int Hover = 0;              // 0 normal, 1 hovered, 2 pressed (hover images)
  bool HoverImage = false;    // ACTIVE
  int ClientHeight = 0, ClientWidth = 0;   // the box reserved without a picture
  int ImageHeight = 0, ImageWidth = 0;     // the size the picture is drawn at
  std::string Source;
  bool Transparent = false;   // TRANSP
  bool IsMap = false;         // ISMAP
  bool UseMap = false;        // USEMAP
  std::string MapName;        // upper case, without its "#"
  TFormControlObj* MyFormControl = nullptr;   // INPUT TYPE=IMAGE
  bool Missing = false;       // the picture will come later

  // The style of the element, applied after creation.
  void ProcessProperties(TProperties& prop);
  void Layout(TSectionListBase* master, platform::Canvas& canvas, TFontObj* fontRun,
              int availableWidth, int availableHeight) override;
  // x: left of the object; topY: the line's top; yBaseline: its baseline
  // (both in document coordinates).
  void Draw(platform::Canvas& canvas, int x, int topY, int yBaseline, TFontObj* fontRun);
  // The picture as a plain bitmap: the current frame of an animation, a copy
  // made once otherwise; null for the error placeholder or no picture.
  const platform::Bitmap* Bitmap();
  void SetHover(int state);

  PictureKind Kind() const { return kind_; }
  // The picture in use, when it is one: a plain bitmap, an animated GIF
  // (maybe this object's copy) or an image of the graphics library.
  const platform::Bitmap* PictureBitmap() const;
  TGIFImage* Gif() const;
  TGpImage* GpImage() const;
  const platform::Bitmap* Mask() const { return mask_; }
  // A real picture is shown (not a placeholder, images on).
  bool ShowsPicture() const;
  // Drawn since it was made (the drawn box is valid for hit tests).
  bool Drawn() const { return drawn_; }
  TSectionListBase* Master() const { return master_; }
  // The transparency the fetch reported (ttNone: drawn opaque).
  TImageTransparency Transparency() const { return transparency_; }

 private:
  void ReadAttributes(const TAttributeList& attributes);
  void Fetch(TSectionListBase* master);
  void TakePicture(TViewImage* image, bool fromCache);
  void SizeFromPicture(int availableWidth, int availableHeight);
  void ReserveBox();
  void DrawPicture(platform::Canvas& canvas, int x, int y, int w, int h);
  void DrawAltText(platform::Canvas& canvas, const platform::Rect& box, TFontObj* fontRun);
  // The picture's size; the placeholder's when none is shown.
  platform::Size PictureSize() const;

  TSectionListBase* master_ = nullptr;
  PictureKind kind_ = PictureKind::None;
  TViewImage* cacheImage_ = nullptr;       // the cache's; never freed here
  std::unique_ptr<TGIFImage> ownGif_;      // an animated copy drawn only here
  const platform::Bitmap* mask_ = nullptr;
  TStringBitmapList* cache_ = nullptr;     // where the use is released
  std::string cacheKey_;
  std::unique_ptr<platform::Bitmap> plainCopy_;
  bool animated_ = false;                  // in the document's animation list
  bool drawn_ = false;
  TImageTransparency transparency_ = ttNone;
};

// ---------------------------------------------------------------------------
// The inline objects of a section by text position

class TImageObjList : public TFreeList<TFloatingObj> {
 public:
  // Copies of the image objects of other (panels are not copied).
  void CopyFrom(TSectionListBase* master, const TImageObjList& other);

  TFloatingObj* FindImage(int pos) const;
  // Index of the first object at or after pos (Count() when none).
  int FirstAtOrAfter(int pos) const;
  // The object's total height plus both vertical spaces, its alignment; -1
  // (and null) when no object stands there.
  int GetHeightAt(int pos, TVAlign& align, TFloatingObj*& obj) const;
  // The object's total width; its horizontal spaces apart.
  int GetWidthAt(int pos, TVAlign& align, int& hSpaceL, int& hSpaceR, TFloatingObj*& obj) const;
  // Characters from pos to the next object at or after it.
  int GetImageCountAt(int pos) const;
  // A character was removed at position n: later objects move back one.
  void Decrement(int n);

  // The first image whose drawn picture (inside the border) holds the point:
  // the point inside it, its position, the ISMAP flag and, for USEMAP, the
  // document's map of that name.
  bool PtInImage(int x, int y, int& ix, int& iy, int& posn, bool& isMap, const TMapItem*& map,
                 TImageObj*& image) const;
  bool PtInObject(int x, int y, TFloatingObj*& obj, int& ix, int& iy) const;

 private:
  // The first image drawn since it was made whose picture holds the point.
  TImageObj* DrawnImageAt(int x, int y, int& ix, int& iy) const;
};

}  // namespace htmlview
