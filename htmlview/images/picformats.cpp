#include "htmlview/images/picformats.h"

#include <algorithm>

#include "platform/sysutils.h"

namespace htmlview {

namespace {

std::vector<TPictureFormat>& Formats() {
  static std::vector<TPictureFormat> formats;
  return formats;
}

std::string_view WithoutDot(std::string_view extension) {
  if (!extension.empty() && extension.front() == '.') extension.remove_prefix(1);
  return extension;
}

std::vector<TPictureFormat>::iterator Locate(std::string_view extension) {
  extension = WithoutDot(extension);
  return std::find_if(Formats().begin(), Formats().end(), [&](const TPictureFormat& f) {
    return platform::SameText(f.extension, extension);
  });
}

}  // namespace

void RegisterFileFormat(const std::string& extension, const std::string& description,
                        std::function<std::unique_ptr<TGraphic>()> create) {
  TPictureFormat format{std::string(WithoutDot(extension)), description, std::move(create)};
  auto it = Locate(extension);
  if (it != Formats().end())
    *it = std::move(format);
  else
    Formats().push_back(std::move(format));
}

void UnregisterFileFormat(std::string_view extension) {
  auto it = Locate(extension);
  if (it != Formats().end()) Formats().erase(it);
}

const TPictureFormat* FindFileFormat(std::string_view extension) {
  auto it = Locate(extension);
  return it != Formats().end() ? &*it : nullptr;
}

std::vector<TPictureFormat> FileFormats() { return Formats(); }

}  // namespace htmlview
