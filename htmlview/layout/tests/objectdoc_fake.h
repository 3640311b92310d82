#pragma once
// A document root for the font-run and image-object tests: the section
// list base with the object services kept in plain lists, and an image
// fetch over the real cache and loaders that reads files by name.
#include <algorithm>
#include <cctype>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <QWidget>

#include "htmlview/layout/cells.h"
#include "htmlview/layout/fontruns.h"
#include "htmlview/images/gdipimage.h"
#include "htmlview/images/gifimage.h"
#include "htmlview/images/imagecache.h"
#include "htmlview/images/imageload.h"
#include "htmlview/images/imagemap.h"
#include "htmlview/layout/imageobj.h"

namespace objfake {

using namespace htmlview;

inline std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

class FakeDocument : public TSectionListBase, public TSectionListObjects {
 public:
  TSectionListObjects* Objects() override { return this; }
  // --- links
  std::vector<TFontObj*> Links;
  QWidget* Panel = nullptr;
  int Invalidations = 0;
  std::vector<TFontObj*> Entered;
  std::vector<int> Keys;
  std::vector<std::pair<std::string, ThtTabcontrol*>> TabOrder;

  // --- images
  bool RequestsAssigned = false;
  std::string ExpandPrefix;          // what ExpandDocFileName puts in front
  std::string NameExpandPrefix;      // the name-expansion callback's (when RequestsAssigned)
  bool DelayAll = false;             // every fetch answers "later"
  bool ThrowOnFetch = false;         // the picture engine fails as GDI+ does
  int Fetches = 0;
  std::vector<std::string> FetchedNames;
  std::vector<std::pair<std::string, TImageObj*>> Missing;
  std::vector<TGIFImage*> Animated;
  std::map<std::string, TIDObject*> IDs;
  std::vector<std::unique_ptr<TMapItem>> Maps;
  const TFormControlObj* ActiveControl = nullptr;
  TStringBitmapList Cache;

  std::vector<TFontObj*>* LinkList() override { return &Links; }
  QWidget* PaintPanel() override { return Panel; }
  void InvalidatePaintPanel() override { ++Invalidations; }
  void LinkEntered(TFontObj& run) override { Entered.push_back(&run); }
  void LinkKeyDown(TFontObj&, int& key, platform::ShiftState) override { Keys.push_back(key); }
  int TabOrderCount() const override { return static_cast<int>(TabOrder.size()); }
  void AddTabOrder(const std::string& key, ThtTabcontrol* control) override {
    TabOrder.emplace_back(key, control);
  }
  void RemoveTabOrder(ThtTabcontrol* control) override {
    std::erase_if(TabOrder, [&](const auto& e) { return e.second == control; });
  }

  bool ImageRequestsAssigned() const override { return RequestsAssigned; }
  std::string ExpandDocFileName(const std::string& name) override { return ExpandPrefix + name; }
  bool ExpandName(std::string& name) override {
    if (NameExpandPrefix.empty()) return false;
    name = NameExpandPrefix + name;
    return true;
  }
  bool IsMissingImage(const std::string& source) const override {
    for (const auto& m : Missing)
      if (Upper(m.first) == Upper(source)) return true;
    return false;
  }
  void AddMissingImage(const std::string& source, TImageObj* waiting) override {
    Missing.emplace_back(source, waiting);
  }
  void AddAnimated(TGIFImage* image) override { Animated.push_back(image); }
  void RemoveAnimated(TGIFImage* image) override { std::erase(Animated, image); }
  void AddIDObject(const std::string& name, TIDObject* object) override { IDs[name] = object; }
  const TMapItem* FindMap(const std::string& name) const override {
    for (const auto& m : Maps)
      if (Upper(m->MapName) == Upper(name)) return m.get();
    return nullptr;
  }
  bool FormControlActive(const TFormControlObj* control) const override {
    return control && control == ActiveControl;
  }
  TStringBitmapList* BitmapList() override { return &Cache; }

  // The document root's fetch, reduced to files: a cached entry is taken,
  // else the file is decoded (a one-frame GIF becomes a bitmap with mask).
  TViewImage* FetchImage(const std::string& url, TImageTransparency& transparency, bool& delayed,
                         bool& fromCache, const platform::Bitmap*& mask) override {
    ++Fetches;
    FetchedNames.push_back(url);
    if (ThrowOnFetch) throw EGDIPlus("Can't load image file " + url + ".");
    mask = nullptr;
    delayed = fromCache = false;
    if (url.empty()) return nullptr;
    const std::string key = ImageCacheKey(url);
    int index = Cache.IndexOf(key);
    if (index >= 0) {
      TViewImage* image = Cache.TakeImage(index);
      TBitmapItem* item = Cache.Objects(index);
      fromCache = true;
      if (image->Bitmap()) {
        if (item->Transparency == ttGifMask || item->Transparency == ttPngColor) {
          transparency = item->Transparency;
        } else if (transparency == ttLowerLeft) {
          if (!item->Mask)
            item->Mask = MakeImageMask(*image->Bitmap(), false, 0);
          item->Transparency = ttLowerLeft;
        }
      }
      mask = item->Mask.get();
      return image;
    }
    if (DelayAll) {
      delayed = true;
      return nullptr;
    }
    std::unique_ptr<TViewImage> image;
    std::unique_ptr<platform::Bitmap> ownMask;
    const TImageKind kind = ImageKindOfFile(url);
    if (kind == ikGif87 || kind == ikGif89) {
      bool notAnimated = false;
      std::unique_ptr<TGIFImage> gif = CreateGifImageFromFile(notAnimated, url);
      if (!gif) return nullptr;
      if (notAnimated) {
        image = std::make_unique<TViewImage>(platform::Bitmap(gif->GetBitmap()));
        if (const platform::Bitmap* m = gif->GetMaskImage()) {
          ownMask = std::make_unique<platform::Bitmap>(*m);
          transparency = ttGifMask;
        }
      } else {
        image = std::make_unique<TViewImage>(std::move(gif));
      }
    } else {
      image = LoadImageFromFile(url, transparency, ownMask);
      if (!image) return nullptr;
      if (transparency == ttLowerLeft && !ownMask && image->Bitmap())
        ownMask = MakeImageMask(*image->Bitmap(), false, 0);
    }
    const TImageTransparency stored = ownMask ? transparency : ttNone;
    index = Cache.AddObject(key, std::make_unique<TBitmapItem>(std::move(image), std::move(ownMask), stored));
    mask = Cache.Objects(index)->Mask.get();
    return Cache.Objects(index)->Image.get();
  }

  int UseCount(const std::string& url) const {
    const int index = Cache.IndexOf(ImageCacheKey(url));
    return index < 0 ? -1 : Cache.Objects(index)->UseCount;
  }
};

}  // namespace objfake
