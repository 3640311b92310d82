#include "htmlview/images/imagecache.h"

#include <algorithm>

#include "platform/sysutils.h"

namespace htmlview {

// ------------------------------------------------------------ TViewImage

TGIFImage* TViewImage::Gif() const {
  const auto* p = std::get_if<std::unique_ptr<TGIFImage>>(&image_);
  return p ? p->get() : nullptr;
}

TGpImage* TViewImage::GpImage() const {
  const auto* p = std::get_if<std::unique_ptr<TGpImage>>(&image_);
  return p ? p->get() : nullptr;
}

namespace {

[[noreturn]] void NotAnImage() { throw EGDIPlus("Not a TBitmap, TGifImage, TMetafile, or TGpImage"); }

}  // namespace

namespace {

template <typename Measure>
int ImageMeasure(const TViewImage* image, Measure measure) {
  if (image) {
    if (const platform::Bitmap* b = image->Bitmap()) return measure(*b);
    if (const TGIFImage* g = image->Gif()) return measure(*g);
    if (const TGpImage* gp = image->GpImage()) return measure(*gp);
  }
  NotAnImage();
}

}  // namespace

int ImageWidth(const TViewImage* image) {
  return ImageMeasure(image, [](const auto& i) { return i.Width(); });
}

int ImageHeight(const TViewImage* image) {
  return ImageMeasure(image, [](const auto& i) { return i.Height(); });
}

// ----------------------------------------------------- TStringBitmapList

TStringBitmapList::TStringBitmapList() { AcquireGdiPlus(); }

TStringBitmapList::~TStringBitmapList() {
  // The images go before the engine that may have made some of them.
  items_.clear();
  ReleaseGdiPlus();
}

void TStringBitmapList::IndexError(int index) const {
  throw platform::EListError(platform::Format("List index out of bounds (%d)", {int64_t(index)}));
}

const std::string& TStringBitmapList::Strings(int index) const {
  if (index < 0 || index >= Count()) IndexError(index);
  return items_[index].first;
}

TBitmapItem* TStringBitmapList::Objects(int index) const {
  if (index < 0 || index >= Count()) IndexError(index);
  return items_[index].second.get();
}

namespace {

template <typename Items>
auto LowerBound(Items& items, std::string_view key) {
  return std::lower_bound(items.begin(), items.end(), key,
                          [](const auto& entry, std::string_view k) { return entry.first < k; });
}

}  // namespace

int TStringBitmapList::IndexOf(std::string_view key) const {
  const auto it = LowerBound(items_, key);
  if (it == items_.end() || it->first != key) return -1;
  return static_cast<int>(it - items_.begin());
}

int TStringBitmapList::AddObject(const std::string& key, std::unique_ptr<TBitmapItem> item) {
  auto it = LowerBound(items_, key);
  const int index = static_cast<int>(it - items_.begin());
  if (it != items_.end() && it->first == key) {
    // Replacing the entry would free an image that objects may still draw;
    // the entry stays and the caller uses its image instead.
    TakeImage(index);
    return index;
  }
  if (item) ++item->UseCount;
  items_.emplace(it, key, std::move(item));
  return index;
}

TViewImage* TStringBitmapList::TakeImage(int index) {
  TBitmapItem* item = Objects(index);
  if (!item) return nullptr;
  item->Age = 0;
  ++item->UseCount;
  return item->Image.get();
}

void TStringBitmapList::ReleaseUse(std::string_view key) {
  const int index = IndexOf(key);
  if (index < 0) return;
  if (TBitmapItem* item = items_[index].second.get()) --item->UseCount;
}

void TStringBitmapList::Delete(int index) { items_.erase(items_.begin() + index); }

void TStringBitmapList::AgeItems() {
  for (int i = Count() - 1; i >= 0; --i) {
    TBitmapItem* item = items_[i].second.get();
    if (!item) continue;
    ++item->Age;
    if (item->Age > maxCache_ && item->UseCount <= 0) Delete(i);
  }
}

void TStringBitmapList::SetCacheLimit(int n) {
  for (int i = Count() - 1; i >= 0; --i) {
    const TBitmapItem* item = items_[i].second.get();
    if (item && item->Age > n && item->UseCount <= 0) Delete(i);
  }
  maxCache_ = n;
}

void TStringBitmapList::Clear() { items_.clear(); }

}  // namespace htmlview
