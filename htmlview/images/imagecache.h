#pragma once
// The per-viewer image cache: decoded images kept between documents under
// their URL, each with its transparency mask, the number of image objects
// that hold it and the number of documents loaded since it was last
// fetched. An entry that the current document uses is never freed; one no
// document has used for more than MaxCache loads is.
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "htmlview/images/gdipimage.h"
#include "htmlview/images/gifimage.h"
#include "platform/image.h"

namespace htmlview {

// What the first bytes of image data say it is.
enum TImageKind : int { ikNone = 0, ikBmp = 1, ikGif87 = 2, ikGif89 = 3, ikPng = 4, ikJpeg = 5 };

// How a cached image is transparent. A requester asks for ttNone or
// ttLowerLeft and is told the one that applies.
enum TImageTransparency : uint8_t {
  ttNone = 0,       // opaque, no mask
  ttLowerLeft = 1,  // the colour of the lower-left pixel is transparent
  ttGifMask = 2,    // the GIF decoder's transparent index made the mask
  ttPngColor = 3,   // a palette PNG's tRNS chunk named the transparent colour
};

// One decoded picture as the viewer keeps and draws it: a plain bitmap, an
// animated GIF or a GDI+ image.
class TViewImage {
 public:
  explicit TViewImage(platform::Bitmap bitmap) : image_(std::move(bitmap)) {}
  explicit TViewImage(std::unique_ptr<TGIFImage> gif) : image_(std::move(gif)) {}
  explicit TViewImage(std::unique_ptr<TGpImage> gp) : image_(std::move(gp)) {}
  TViewImage(const TViewImage&) = delete;
  TViewImage& operator=(const TViewImage&) = delete;

  // Null unless the image is of that kind.
  platform::Bitmap* Bitmap() { return std::get_if<platform::Bitmap>(&image_); }
  const platform::Bitmap* Bitmap() const { return std::get_if<platform::Bitmap>(&image_); }
  TGIFImage* Gif() const;
  TGpImage* GpImage() const;

 private:
  std::variant<platform::Bitmap, std::unique_ptr<TGIFImage>, std::unique_ptr<TGpImage>> image_;
};

// The size of a bitmap, a GDI+ image or a GIF (its frame size). Anything
// else (a null image, an empty bitmap holder) raises EGDIPlus
// "Not a TBitmap, TGifImage, TMetafile, or TGpImage".
int ImageWidth(const TViewImage* image);
int ImageHeight(const TViewImage* image);

// One cache entry; destroying it destroys its image and its mask.
struct TBitmapItem {
  TBitmapItem(std::unique_ptr<TViewImage> image, std::unique_ptr<platform::Bitmap> mask,
              TImageTransparency transparency)
      : Transparency(transparency), Image(std::move(image)), Mask(std::move(mask)) {}

  int Age = 0;       // documents loaded since the last fetch
  int UseCount = 0;  // image objects holding the image
  TImageTransparency Transparency = ttNone;
  std::unique_ptr<TViewImage> Image;
  // White (alpha 0) where the image is transparent, black where it shows.
  std::unique_ptr<platform::Bitmap> Mask;
};

class TStringBitmapList {
 public:
  // Acquires GDI+ for as long as the cache lives.
  TStringBitmapList();
  ~TStringBitmapList();
  TStringBitmapList(const TStringBitmapList&) = delete;
  TStringBitmapList& operator=(const TStringBitmapList&) = delete;

  int Count() const { return static_cast<int>(items_.size()); }
  const std::string& Strings(int index) const;
  TBitmapItem* Objects(int index) const;
  // The index of a key (compared exactly, case included), or -1. The keys
  // are kept sorted, so this is a binary search.
  int IndexOf(std::string_view key) const;

  // Adds an entry and raises its UseCount by one; returns its index. A key
  // already present keeps its entry, which counts one more use and is
  // fetched as TakeImage would; the new item is destroyed, so a caller
  // takes the image from the entry at the returned index.
  int AddObject(const std::string& key, std::unique_ptr<TBitmapItem> item);
  // The entry's image, counted as one more use; Age back to 0. The entry
  // keeps owning the image.
  TViewImage* TakeImage(int index);
  // One image object of the key is gone. Nothing is freed here.
  void ReleaseUse(std::string_view key);

  // Called once at the start of each document load: every entry grows one
  // document older, and unused entries older than MaxCache are freed.
  void AgeItems();
  // Frees at once every unused entry older than n, then makes n the limit.
  void SetCacheLimit(int n);
  int MaxCache() const { return maxCache_; }

  // Frees every entry; the cache stays usable.
  void Clear();

 private:
  void Delete(int index);
  [[noreturn]] void IndexError(int index) const;

  std::vector<std::pair<std::string, std::unique_ptr<TBitmapItem>>> items_;
  int maxCache_ = 4;
};

}  // namespace htmlview
