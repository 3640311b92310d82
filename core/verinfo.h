#pragma once
// Version information of program files and the colour conversions the plots
// blend their curves with. The version library is a stand-in: the program
// carries its own version information, compiled in from the build; other
// files have none unless something registers a resource for them.
#include <array>
#include <cstdint>
#include <map>
#include <string>

#include "platform/colors.h"
#include "platform/stringlist.h"
#include "platform/sysutils.h"

namespace core {

class EVerInfoError : public platform::Exception { using Exception::Exception; };
class ENoVerInfoError : public EVerInfoError { using EVerInfoError::EVerInfoError; };

// One file's version resource as the version library hands it out.
struct VersionResource {
  bool readable = true;           // false: reading the data fails
  bool hasTranslation = true;
  uint16_t language = 0x0409;
  uint16_t codePage = 0x04E4;
  uint32_t fixedInfoSize = 52;    // 0: no fixed record
  std::array<uint16_t, 4> fileVersion{1, 0, 0, 0};
  std::array<uint16_t, 4> productVersion{1, 0, 0, 0};
  uint32_t fileFlagsMask = 0x3F;
  uint32_t fileFlags = 0;
  // Version strings by name ("CompanyName", ...), in the translation's block.
  std::map<std::string, std::string> strings;
};

// The program's own resource (what the running executable reports).
VersionResource ProgramVersionResource();
// Gives a file a resource (tests; the program file has its own already).
void RegisterVersionResource(const std::string& fileName, const VersionResource& resource);
void UnregisterVersionResource(const std::string& fileName);

class TVerInfoRes {
 public:
  // Version string names by index.
  enum : int {
    viCompanyName, viFileDescription, viFileVersion, viInternalName, viLegalCopyright,
    viLegalTrademarks, viOriginalFilename, viProductName, viProductVersion, viComments,
  };
  static const char* const kStringNames[10];

  // Raises ENoVerInfoError "No Version Info Available." for a file without
  // a resource, EVerInfoError for a damaged one.
  explicit TVerInfoRes(const std::string& fileName);

  const std::string& FileName() const { return fileName_; }
  // The string at a name index, empty when the resource lacks it.
  std::string VersionString(int index) const;
  std::string GetVersionString(const std::string& name) const;
  // "%d.%d.%d.%d" of the file version, most significant part first.
  std::string FileVersionText() const;
  std::string ProductName() const { return VersionString(viProductName); }
  uint16_t Language() const { return language_; }
  uint16_t CodePage() const { return codePage_; }
  const platform::TStringList& Flags() const { return flags_; }

 private:
  std::string fileName_;
  VersionResource data_;
  uint16_t language_ = 0, codePage_ = 0;
  platform::TStringList flags_;
};

// Product name, a blank and the file version text.
std::string GetVersionCaption(const std::string& fileName);

struct THLSColor {
  double H = 0, L = 0, S = 0;  // each 0..1
};
THLSColor ColorToHLS(platform::Colour colour);
platform::Colour HLSToColor(const THLSColor& hls);
platform::Colour HLSToColor(double h, double l, double s);
// The colour between two colours at value's place in low..high, blended in
// HLS (hue as a plain number: red to blue passes through green).
platform::Colour BlendColorByValue(platform::Colour lowColour, platform::Colour highColour, double value,
                                   double low, double high);

}  // namespace core
