#include "core/verinfo.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

#include "testsupport/testenv.h"

namespace core {
namespace {

using platform::Rgb;

std::string ProgramPath() { return QCoreApplication::applicationFilePath().toStdString(); }

TEST(VerInfo, TheProgramCarriesItsOwnVersionInformation) {
  TVerInfoRes info(ProgramPath());
  EXPECT_EQ(info.VersionString(TVerInfoRes::viProductName), "Dravlen");
  EXPECT_FALSE(info.VersionString(TVerInfoRes::viCompanyName).empty());
  EXPECT_FALSE(info.VersionString(TVerInfoRes::viFileDescription).empty());
  EXPECT_EQ(info.FileVersionText(), "1.0.0.0");
  EXPECT_EQ(info.VersionString(TVerInfoRes::viFileVersion), "1.0.0.0");
  EXPECT_EQ(info.VersionString(TVerInfoRes::viLegalTrademarks), "");  // absent: empty
  EXPECT_EQ(info.Flags().Count(), 0);
  EXPECT_EQ(GetVersionCaption(ProgramPath()), "Dravlen 1.0.0.0");
}

TEST(VerInfo, AnyOtherFileHasNone) {
  const std::string other = testsupport::MakeTempDir("ver") + "/other.exe";
  testsupport::WriteAll(other, "MZ");
  try {
    TVerInfoRes info(other);
    FAIL() << "no error raised";
  } catch (const ENoVerInfoError& e) {
    EXPECT_STREQ(e.what(), "No Version Info Available.");
  }
  EXPECT_THROW(GetVersionCaption(other), ENoVerInfoError);
  EXPECT_THROW(GetVersionCaption(""), ENoVerInfoError);
}

TEST(VerInfo, RegisteredResourceReadsVersionFlagsAndErrors) {
  const std::string file = testsupport::MakeTempDir("ver") + "/tool.exe";
  testsupport::WriteAll(file, "MZ");
  VersionResource r;
  r.fileVersion = {1, 3, 0, 12};
  r.fileFlags = 1 | 2 | 8 | 32;
  r.fileFlagsMask = 2 | 32 | 1;  // private build masked out
  r.strings["ProductName"] = "Tool";
  RegisterVersionResource(file, r);
  {
    TVerInfoRes info(file);
    EXPECT_EQ(info.FileVersionText(), "1.3.0.12");
    EXPECT_EQ(GetVersionCaption(file), "Tool 1.3.0.12");
    ASSERT_EQ(info.Flags().Count(), 3);
    EXPECT_EQ(info.Flags()[0], "Pre-release");
    EXPECT_EQ(info.Flags()[1], "Special build");
    EXPECT_EQ(info.Flags()[2], "Debug");
  }
  struct Damage {
    void (*apply)(VersionResource&);
    const char* message;
  };
  const Damage cases[] = {
      {[](VersionResource& v) { v.readable = false; }, "Cannot obtain version info."},
      {[](VersionResource& v) { v.hasTranslation = false; }, "No language info."},
      {[](VersionResource& v) { v.fixedInfoSize = 40; }, "No fixed file info"},
  };
  for (const Damage& d : cases) {
    VersionResource bad = r;
    d.apply(bad);
    RegisterVersionResource(file, bad);
    try {
      TVerInfoRes info(file);
      ADD_FAILURE() << d.message;
    } catch (const ENoVerInfoError&) {
      ADD_FAILURE() << "wrong class for " << d.message;
    } catch (const EVerInfoError& e) {
      EXPECT_STREQ(e.what(), d.message);
    }
  }
  UnregisterVersionResource(file);
  EXPECT_THROW(TVerInfoRes{file}, ENoVerInfoError);
}

TEST(ColourBlend, HlsConversionsFollowTheTable) {
  struct Case {
    platform::Colour colour;
    double h, l, s;
  };
  const Case cases[] = {
      {Rgb(255, 0, 0), 0, 0.5, 1},        {Rgb(0, 255, 0), 1.0 / 3, 0.5, 1},
      {Rgb(0, 0, 255), 2.0 / 3, 0.5, 1},  {Rgb(0, 0, 0), 0, 0, 0},
      {Rgb(255, 255, 255), 0, 1, 0},      {Rgb(128, 128, 128), 0, 128 / 255.0, 0},
      {Rgb(255, 128, 0), 128 / 255.0 / 6, 0.5, 1},
  };
  for (const Case& c : cases) {
    const THLSColor hls = ColorToHLS(c.colour);
    EXPECT_NEAR(hls.H, c.h, 1e-9) << std::hex << c.colour;
    EXPECT_NEAR(hls.L, c.l, 1e-9) << std::hex << c.colour;
    EXPECT_NEAR(hls.S, c.s, 1e-9) << std::hex << c.colour;
    EXPECT_EQ(HLSToColor(hls), c.colour) << std::hex << c.colour;
  }
  // Greys of every level keep S = 0 and come back unchanged.
  for (int v = 0; v <= 255; v += 17) {
    EXPECT_EQ(ColorToHLS(Rgb(v, v, v)).S, 0);
    EXPECT_EQ(HLSToColor(ColorToHLS(Rgb(v, v, v))), Rgb(v, v, v));
  }
  // System colours convert through the fixed table.
  EXPECT_EQ(HLSToColor(ColorToHLS(platform::clWindow)), Rgb(255, 255, 255));
}

TEST(ColourBlend, BlendByValue) {
  const platform::Colour red = Rgb(255, 0, 0), blue = Rgb(0, 0, 255);
  struct Case {
    const char* name;
    platform::Colour low, high;
    double value, lo, hi;
    platform::Colour expected;
  };
  const Case cases[] = {
      {"red to blue at 0.5 is green (hue not wrapped)", red, blue, 5, 0, 10, Rgb(0, 255, 0)},
      {"at low: the low colour", red, blue, 0, 0, 10, red},
      {"below low: the low colour", red, blue, -3, 0, 10, red},
      {"at high: the high colour", red, blue, 10, 0, 10, blue},
      {"above high: the high colour", red, blue, 99, 0, 10, blue},
      {"black to white halfway is mid grey", Rgb(0, 0, 0), Rgb(255, 255, 255), 1, 0, 2, Rgb(128, 128, 128)},
      {"empty range at its value: the low colour", red, blue, 4, 4, 4, red},
      {"empty range above it: the high colour", red, blue, 5, 4, 4, blue},
  };
  for (const Case& c : cases)
    EXPECT_EQ(BlendColorByValue(c.low, c.high, c.value, c.lo, c.hi), c.expected) << c.name;
}

}  // namespace
}  // namespace core
