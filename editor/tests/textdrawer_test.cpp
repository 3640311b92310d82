#include "editor/textdrawer.h"

#include <gtest/gtest.h>

#include <QImage>

#include "platform/canvas.h"
#include "platform/fonts.h"
#include "platform/render.h"

namespace editor {
namespace {

platform::Font MakeFont(const std::string& name, int height, TFontStyles style = 0) {
  platform::Font f;
  f.name = name;
  f.height = height;
  f.SetStyle(style);
  return f;
}

TEST(FontsInfoManager, FontsDifferingOnlyInItalicShareOneRecordButBoldDoesNot) {
  const int before = GetFontsInfoManager().Count();
  {
    TTextDrawer plain(0, MakeFont("Courier New", -13));
    TTextDrawer italic(0, MakeFont("Courier New", -13, fsItalic | fsUnderline));
    EXPECT_EQ(plain.Stock().FontInfo(), italic.Stock().FontInfo());
    EXPECT_EQ(plain.Stock().FontInfo()->RefCount, 2);
    EXPECT_EQ(GetFontsInfoManager().Count(), before + 1);

    // The weight is part of the compared data.
    TTextDrawer bold(0, MakeFont("Courier New", -13, fsBold));
    EXPECT_NE(bold.Stock().FontInfo(), plain.Stock().FontInfo());
    EXPECT_EQ(GetFontsInfoManager().Count(), before + 2);
  }
  // The last user of a record releases it.
  EXPECT_EQ(GetFontsInfoManager().Count(), before);
}

TEST(FontsInfoManager, StyleFontsLiveWhileARecordIsLocked) {
  TFontsInfoManager manager;
  TFontInfo* info = manager.GetFontInfo(MakeFont("Courier New", -13));
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(manager.GetFontInfo(MakeFont("Courier New", -13, fsStrikeOut)), info);
  EXPECT_EQ(info->RefCount, 2);
  manager.LockFontInfo(info);
  manager.LockFontInfo(info);
  info->Styles[3].Handle = std::make_unique<platform::Font>(info->BaseFont);
  manager.UnlockFontInfo(info);
  EXPECT_NE(info->Styles[3].Handle, nullptr);
  manager.UnlockFontInfo(info);
  EXPECT_EQ(info->Styles[3].Handle, nullptr);
  manager.ReleaseFontInfo(info);
  EXPECT_EQ(manager.Count(), 1);
  manager.ReleaseFontInfo(info);
  EXPECT_EQ(manager.Count(), 0);
}

TEST(TextDrawer, MissingFontIsRejectedWithTheDrawersOwnMessages) {
  TTextDrawer drawer(0, MakeFont("Courier New", -13));
  try {
    drawer.SetBaseFont(nullptr);
    FAIL() << "no exception";
  } catch (const ETextDrawerException& e) {
    EXPECT_STREQ(e.what(), "SetBaseFont: 'Value' must be specified.");
  }
  TFontStock stock(MakeFont("Courier New", -13));
  try {
    stock.SetBaseFont(nullptr);
    FAIL() << "no exception";
  } catch (const EFontStockException& e) {
    EXPECT_STREQ(e.what(), "SetBaseFont: 'Value' must be specified.");
  }
  // Nothing changed by the refused calls.
  EXPECT_GT(drawer.GetCharWidth(), 0);
  EXPECT_GT(stock.CharAdvance(), 0);
}

TEST(TextDrawer, CellIsMeasuredWithTheBaseStyleWhateverTheCurrentStyle) {
  // A proportional font shows it: bold "M" is wider than plain "M".
  const platform::Font font = MakeFont("Arial", -20);
  TTextDrawer drawer(0, font);
  const int cell = drawer.GetCharWidth();
  EXPECT_EQ(cell, platform::CharAdvance(font, U'M'));
  EXPECT_EQ(drawer.GetCharHeight(), platform::GetTextMetrics(font).height);
  drawer.SetStyle(fsBold);
  EXPECT_EQ(drawer.Style(), fsBold);
  EXPECT_EQ(drawer.GetCharWidth(), cell);

  // A new base style measures the cell anew.
  drawer.SetBaseStyle(fsBold);
  EXPECT_EQ(drawer.GetCharWidth(), platform::CharAdvance(MakeFont("Arial", -20, fsBold), U'M'));
  EXPECT_EQ(drawer.Style(), fsBold);

  drawer.SetCharExtra(3);
  EXPECT_EQ(drawer.GetCharWidth(), platform::CharAdvance(MakeFont("Arial", -20, fsBold), U'M') + 3);
}

TEST(TextDrawer, DistanceArrayGrowsInStepsOf64AndIsRebuiltAfterFontChanges) {
  TTextDrawer drawer(0, MakeFont("Courier New", -13));
  QImage image(800, 40, QImage::Format_ARGB32);
  image.fill(Qt::white);
  platform::Canvas canvas(&image);
  drawer.BeginDrawing(&canvas);
  const platform::Rect r{0, 0, 800, 40};
  drawer.ExtTextOut(0, 0, platform::ETO_OPAQUE, r, std::u16string(10, u'x'));
  EXPECT_EQ(drawer.DistanceArrayLength(), 64);
  drawer.ExtTextOut(0, 0, platform::ETO_OPAQUE, r, std::u16string(65, u'x'));
  EXPECT_EQ(drawer.DistanceArrayLength(), 128);
  drawer.ExtTextOut(0, 0, platform::ETO_OPAQUE, r, std::u16string(20, u'x'));
  EXPECT_EQ(drawer.DistanceArrayLength(), 128);
  drawer.SetBaseStyle(fsBold);
  EXPECT_EQ(drawer.DistanceArrayLength(), 0);
  drawer.ExtTextOut(0, 0, platform::ETO_OPAQUE, r, u"abc");
  EXPECT_EQ(drawer.DistanceArrayLength(), 64);
  drawer.EndDrawing();
}

// Counts dark pixels in each of n cells of width w starting at x = 0.
std::vector<int> InkPerCell(const QImage& image, int w, int n) {
  std::vector<int> ink;
  for (int i = 0; i < n; ++i)
    ink.push_back(platform::CountDark(image, platform::Rect{i * w, 0, (i + 1) * w, image.height()}));
  return ink;
}

TEST(TextDrawer, EveryCharacterIsDrawnInItsOwnCell) {
  const platform::Font font = MakeFont("Arial", -20);
  TTextDrawer drawer(0, font);
  const int cell = drawer.GetCharWidth();
  ASSERT_GT(cell, platform::CharAdvance(font, U'i') * 2) << "the test needs a narrow i";

  QImage image(cell * 8, 30, QImage::Format_ARGB32);
  image.fill(Qt::white);
  {
    platform::Canvas canvas(&image);
    drawer.BeginDrawing(&canvas);
    drawer.SetForeColor(clBlack);
    drawer.SetBackColor(clWhite);
    drawer.SetStyle(fsBold);
    drawer.ExtTextOut(0, 0, platform::ETO_OPAQUE, platform::Rect{0, 0, cell * 8, 30}, u"iiii    ");
    drawer.EndDrawing();
  }
  const std::vector<int> ink = InkPerCell(image, cell, 8);
  for (int i = 0; i < 4; ++i) EXPECT_GT(ink[static_cast<size_t>(i)], 0) << "cell " << i;
  for (int i = 4; i < 8; ++i) EXPECT_EQ(ink[static_cast<size_t>(i)], 0) << "cell " << i;
  // The ink of the whole text lies inside the four cells it measures.
  const platform::Rect bounds = platform::DarkBounds(image);
  EXPECT_GE(bounds.left, 0);
  EXPECT_LE(bounds.right, cell * 4);
}

TEST(TextDrawer, DrawingCallsNestAndRestoreTheCanvas) {
  TTextDrawer drawer(0, MakeFont("Courier New", -13));
  QImage image(100, 20, QImage::Format_ARGB32);
  platform::Canvas canvas(&image);
  canvas.font = MakeFont("Tahoma", -11);
  canvas.bkColor = clGreen;
  drawer.SetBackColor(clWhite);
  drawer.BeginDrawing(&canvas);
  EXPECT_EQ(canvas.font.name, "Courier New");
  EXPECT_EQ(canvas.bkColor, platform::ColourToRgb(clWhite));
  drawer.BeginDrawing(&canvas);
  drawer.SetForeColor(clGreen);
  EXPECT_EQ(canvas.font.color, clGreen);
  drawer.EndDrawing();
  EXPECT_TRUE(drawer.Drawing());
  drawer.EndDrawing();
  EXPECT_FALSE(drawer.Drawing());
  EXPECT_EQ(canvas.font.name, "Tahoma");
  EXPECT_EQ(canvas.bkColor, clGreen);
}

}  // namespace
}  // namespace editor
