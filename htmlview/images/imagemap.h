#pragma once
// Client-side image maps: the areas of a MAP element and the link under a
// point of the image that uses it.
#include <memory>
#include <string>
#include <vector>

#include "platform/region.h"

namespace htmlview {

class TAttributeList;
class TUrlTarget;

class TMapItem {
 public:
  std::string MapName;

  // One AREA tag. Areas past the 1,000th and areas with too few coordinates
  // for their shape are not added.
  void AddArea(const TAttributeList& attributes);
  // The first area that contains the point decides: true with a new link
  // target and the area's title when that area has a link.
  bool GetURL(int x, int y, std::unique_ptr<TUrlTarget>& urlTarget, std::string& title) const;
  int AreaCount() const { return static_cast<int>(areas_.size()); }

  static constexpr int kMaxAreas = 1000;
  static constexpr int kMaxCoords = 301;

 private:
  struct Area {
    std::string link;
    platform::Region region;
    std::string target;
    std::string title;
  };
  std::vector<Area> areas_;
};

// The numbers of a COORDS value: integers separated by commas or blanks,
// bad text read as 0, at most kMaxCoords kept.
std::vector<int> ParseAreaCoords(const std::string& text);

}  // namespace htmlview
