#include "core/verinfo.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <cmath>
#include <cstdio>
#include <optional>
#include <vector>

namespace core {

namespace {

// What the build stamps into the program.
constexpr const char* kCompany = "Quillbarrow";
constexpr const char* kProduct = "Dravlen";
constexpr const char* kDescription = "Compressor data workbench";
// The program's version comes from the build (the project's version).
#ifndef DRAVLEN_VERSION_MAJOR
#define DRAVLEN_VERSION_MAJOR 1
#define DRAVLEN_VERSION_MINOR 0
#define DRAVLEN_VERSION_PATCH 0
#endif
constexpr std::array<uint16_t, 4> kVersion{DRAVLEN_VERSION_MAJOR, DRAVLEN_VERSION_MINOR,
                                           DRAVLEN_VERSION_PATCH, 0};

std::string Canonical(const std::string& path) {
  const QFileInfo info(QString::fromStdString(path));
  const QString c = info.canonicalFilePath();
  return (c.isEmpty() ? info.absoluteFilePath() : c).toStdString();
}

std::map<std::string, VersionResource>& Registered() {
  static std::map<std::string, VersionResource> resources;
  return resources;
}

std::string ProgramFile() {
  if (!QCoreApplication::instance()) return {};
  return Canonical(QCoreApplication::applicationFilePath().toStdString());
}

// The version library's lookup: the resource of a file, if it has one.
std::optional<VersionResource> ResourceOf(const std::string& fileName) {
  if (fileName.empty()) return std::nullopt;
  const std::string key = Canonical(fileName);
  auto it = Registered().find(key);
  if (it != Registered().end()) return it->second;
  if (key == ProgramFile()) return ProgramVersionResource();
  return std::nullopt;
}

std::string VersionText(const std::array<uint16_t, 4>& v) {
  char buf[48];
  std::snprintf(buf, sizeof buf, "%d.%d.%d.%d", v[0], v[1], v[2], v[3]);
  return buf;
}

}  // namespace

const char* const TVerInfoRes::kStringNames[10] = {
    "CompanyName",     "FileDescription",  "FileVersion", "InternalName",   "LegalCopyright",
    "LegalTrademarks", "OriginalFilename", "ProductName", "ProductVersion", "Comments",
};

VersionResource ProgramVersionResource() {
  VersionResource r;
  r.fileVersion = kVersion;
  r.productVersion = kVersion;
  r.strings = {
      {"CompanyName", kCompany},
      {"FileDescription", kDescription},
      {"FileVersion", VersionText(kVersion)},
      {"InternalName", kProduct},
      {"LegalCopyright", std::string("Copyright ") + kCompany},
      {"OriginalFilename", std::string(kProduct) + ".exe"},
      {"ProductName", kProduct},
      {"ProductVersion", VersionText(kVersion)},
  };
  return r;
}

void RegisterVersionResource(const std::string& fileName, const VersionResource& resource) {
  Registered()[Canonical(fileName)] = resource;
}

void UnregisterVersionResource(const std::string& fileName) { Registered().erase(Canonical(fileName)); }

TVerInfoRes::TVerInfoRes(const std::string& fileName) : fileName_(fileName) {
  const std::optional<VersionResource> resource = ResourceOf(fileName);
  if (!resource) throw ENoVerInfoError("No Version Info Available.");
  if (!resource->readable) throw EVerInfoError("Cannot obtain version info.");
  data_ = *resource;
  if (!data_.hasTranslation) throw EVerInfoError("No language info.");
  language_ = data_.language;
  codePage_ = data_.codePage;
  if (data_.fixedInfoSize < 52) throw EVerInfoError("No fixed file info");
  const uint32_t set = data_.fileFlags & data_.fileFlagsMask;
  static const std::pair<uint32_t, const char*> kFlags[] = {
      {2, "Pre-release"}, {8, "Private build"}, {32, "Special build"}, {1, "Debug"}};
  for (const auto& [bit, name] : kFlags)
    if (set & bit) flags_.Add(name);
}

std::string TVerInfoRes::GetVersionString(const std::string& name) const {
  auto it = data_.strings.find(name);
  return it == data_.strings.end() ? std::string() : it->second;
}

std::string TVerInfoRes::VersionString(int index) const {
  if (index < 0 || index >= 10) return {};
  return GetVersionString(kStringNames[index]);
}

std::string TVerInfoRes::FileVersionText() const { return VersionText(data_.fileVersion); }

std::string GetVersionCaption(const std::string& fileName) {
  const TVerInfoRes info(fileName);
  return info.ProductName() + " " + info.FileVersionText();
}

// ------------------------------------------------------------------- colours

THLSColor ColorToHLS(platform::Colour colour) {
  const platform::Colour c = platform::ColourToRgb(colour);
  const double r = platform::RedOf(c) / 255.0, g = platform::GreenOf(c) / 255.0, b = platform::BlueOf(c) / 255.0;
  const double mx = std::max({r, g, b}), mn = std::min({r, g, b});
  THLSColor out;
  out.L = (mx + mn) / 2;
  if (mx == mn) return out;
  const double d = mx - mn;
  out.S = out.L < 0.5 ? d / (mx + mn) : d / (2 - mx - mn);
  const double dr = ((mx - r) / 6 + d / 2) / d;
  const double dg = ((mx - g) / 6 + d / 2) / d;
  const double db = ((mx - b) / 6 + d / 2) / d;
  if (r == mx)
    out.H = db - dg;
  else if (g == mx)
    out.H = 1.0 / 3 + dr - db;
  else
    out.H = 2.0 / 3 + dg - dr;
  if (out.H > 1) out.H -= 1;
  if (out.H < 0) out.H += 1;
  return out;
}

namespace {
int Channel(double v) { return std::clamp(static_cast<int>(std::nearbyint(v * 255)), 0, 255); }

double Hue(double t1, double t2, double h) {
  if (h > 1) h -= 1;
  if (h < 0) h += 1;
  if (6 * h < 1) return t1 + (t2 - t1) * 6 * h;
  if (2 * h < 1) return t2;
  if (3 * h < 2) return t1 + (t2 - t1) * (2.0 / 3 - h) * 6;
  return t1;
}
}  // namespace

platform::Colour HLSToColor(double h, double l, double s) {
  if (s == 0) {
    const int v = Channel(l);
    return platform::Rgb(v, v, v);
  }
  const double t2 = l < 0.5 ? l * (1 + s) : l + s - l * s;
  const double t1 = 2 * l - t2;
  return platform::Rgb(Channel(Hue(t1, t2, h + 1.0 / 3)), Channel(Hue(t1, t2, h)), Channel(Hue(t1, t2, h - 1.0 / 3)));
}

platform::Colour HLSToColor(const THLSColor& hls) { return HLSToColor(hls.H, hls.L, hls.S); }

platform::Colour BlendColorByValue(platform::Colour lowColour, platform::Colour highColour, double value,
                                   double low, double high) {
  double f;
  if (high == low)
    f = value > low ? 1 : 0;  // an empty range would divide by zero
  else
    f = (value - low) / (high - low);
  if (!(f >= 0)) f = 0;  // NaN too
  if (f > 1) f = 1;
  const THLSColor a = ColorToHLS(lowColour), b = ColorToHLS(highColour);
  return HLSToColor((1 - f) * a.H + f * b.H, (1 - f) * a.L + f * b.L, (1 - f) * a.S + f * b.S);
}

}  // namespace core
