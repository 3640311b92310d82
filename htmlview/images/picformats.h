#pragma once
// The picture formats the viewer can load by file extension, filled by the
// image modules' start-up functions (the PNG codec registers "PNG").
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/image.h"
#include "platform/streams.h"

namespace htmlview {

// What every registered picture class offers.
class TGraphic {
 public:
  virtual ~TGraphic() = default;
  virtual void LoadFromStream(platform::TStream& stream) = 0;
  virtual void SaveToStream(platform::TStream& stream) = 0;
  // The picture as a plain ARGB bitmap, transparency as alpha.
  virtual platform::Bitmap ToBitmap() const = 0;
};

struct TPictureFormat {
  std::string extension;  // without the dot, as registered ("PNG")
  std::string description;
  std::function<std::unique_ptr<TGraphic>()> create;
};

// A second registration of an extension replaces the first.
void RegisterFileFormat(const std::string& extension, const std::string& description,
                        std::function<std::unique_ptr<TGraphic>()> create);
void UnregisterFileFormat(std::string_view extension);
// Extension with or without the dot, any case; null when not registered.
const TPictureFormat* FindFileFormat(std::string_view extension);
std::vector<TPictureFormat> FileFormats();

}  // namespace htmlview
