#include "htmlview/images/imagemap.h"

#include "htmlview/parse/attributes.h"
#include "htmlview/parse/viewutils.h"
#include "platform/sysutils.h"

namespace htmlview {

using platform::Point;
using platform::Region;

std::vector<int> ParseAreaCoords(const std::string& text) {
  std::vector<int> numbers;
  auto isSeparator = [](char c) { return c == ',' || c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  size_t i = 0;
  while (numbers.size() < static_cast<size_t>(TMapItem::kMaxCoords)) {
    while (i < text.size() && isSeparator(text[i])) ++i;
    if (i >= text.size()) break;
    const size_t start = i;
    while (i < text.size() && !isSeparator(text[i])) ++i;
    numbers.push_back(platform::StrToIntDef(text.substr(start, i - start), 0));
  }
  return numbers;
}

void TMapItem::AddArea(const TAttributeList& attributes) {
  if (AreaCount() >= kMaxAreas) return;
  Area area;
  std::string shape, coords;
  for (int i = 0; i < attributes.Count(); ++i) {
    const auto& a = attributes[i];
    switch (a.Which) {
      case HtmlSymbol::Href: area.link = a.Name; break;
      case HtmlSymbol::NoHref: area.link.clear(); break;
      case HtmlSymbol::Target: area.target = a.Name; break;
      case HtmlSymbol::Title: area.title = a.Name; break;
      case HtmlSymbol::Shape: shape = platform::LowerCase(a.Name.substr(0, 4)); break;
      case HtmlSymbol::Coords: coords = a.Name; break;
      default: break;
    }
  }
  const std::vector<int> n = ParseAreaCoords(coords);
  if (shape == "circ") {
    if (n.size() < 3) return;
    const int x = n[0], y = n[1], r = n[2];
    area.region = Region::FromEllipse({x - r, y - r, x + r + 1, y + r + 1});
  } else if (shape == "poly") {
    if (n.size() < 6) return;
    std::vector<Point> points;
    for (size_t k = 0; k + 1 < n.size(); k += 2) points.push_back({n[k], n[k + 1]});
    area.region = Region::FromPolygon(points);
  } else {
    if (n.size() < 4) return;
    area.region = Region::FromRect({n[0], n[1], n[2] + 1, n[3] + 1});
  }
  areas_.push_back(std::move(area));
}

bool TMapItem::GetURL(int x, int y, std::unique_ptr<TUrlTarget>& urlTarget, std::string& title) const {
  for (const Area& area : areas_) {
    if (!area.region.Contains(x, y)) continue;
    if (area.link.empty()) return false;
    urlTarget = std::make_unique<TUrlTarget>();
    urlTarget->Assign(area.link, area.target, nullptr, 0);
    title = area.title;
    return true;
  }
  return false;
}

}  // namespace htmlview
