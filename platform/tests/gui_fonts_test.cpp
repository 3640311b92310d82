#include "platform/fonts.h"

#include <QFontInfo>
#include <gtest/gtest.h>

#include <functional>

#include "platform/canvas.h"
#include "platform/render.h"

namespace platform {
namespace {

Colour kWhiteColour() { return Rgb(255, 255, 255); }

// A white image with whatever draw() puts on it in the font, transparently.
QImage DrawOn(int width, int height, const Font& font, const std::function<void(Canvas&)>& draw) {
  QImage img(width, height, QImage::Format_ARGB32);
  img.fill(Qt::white);
  {
    Canvas c(&img);
    c.font = font;
    c.bkMode = BkMode::Transparent;
    draw(c);
  }
  return img;
}

Font Make(const char* name, int height, FontStyles style = 0) {
  Font f;
  f.name = name;
  f.height = height;
  f.SetStyle(style);
  f.color = clBlack;
  return f;
}

TEST(Fonts, FamiliesResolveToInstalledMetricCompatibleFonts) {
  EXPECT_TRUE(IsFontInstalled("DejaVu Sans"));
  EXPECT_TRUE(IsFontInstalled("dejavu sans"));
  EXPECT_FALSE(IsFontInstalled("No Such Family 42"));
  const std::pair<const char*, const char*> cases[] = {
      {"Courier New", "Liberation Mono"}, {"Times New Roman", "Liberation Serif"},
      {"Arial", "Liberation Sans"},       {"Tahoma", "DejaVu Sans"},
      {"Liberation Serif", "Liberation Serif"}, {"No Such Family 42", "DejaVu Sans"},
  };
  for (auto [asked, got] : cases) {
    EXPECT_EQ(ResolveFontFamily(asked), got) << asked;
    EXPECT_EQ(QFontInfo(ToQFont(Make(asked, -12))).family().toStdString(), got) << asked;
  }
}

TEST(Fonts, HeightSignConventionAndPoints) {
  Font f = Make("Arial", -16);
  EXPECT_EQ(FontPixelSize(f), 16);  // negative: the character height
  EXPECT_EQ(f.Size(), 12);
  f.SetSize(12);
  EXPECT_EQ(f.height, -16);  // 12 pt at 96 pixels per inch
  f.SetSize(8);
  EXPECT_EQ(f.height, -11);
  // Positive: the cell height, ascent + descent, never exceeded.
  for (int cell : {12, 16, 20, 33}) {
    const TextMetrics m = GetTextMetrics(Make("Arial", cell));
    EXPECT_LE(m.height, cell) << cell;
    EXPECT_GE(m.height, cell - 2) << cell;
  }
}

TEST(Fonts, MetricsAreConsistent) {
  for (const char* name : {"Courier New", "Times New Roman", "Arial", "Tahoma"}) {
    const TextMetrics m = GetTextMetrics(Make(name, -16));
    EXPECT_EQ(m.height, m.ascent + m.descent) << name;
    EXPECT_EQ(m.internalLeading, m.height - 16) << name;
    EXPECT_GT(m.aveCharWidth, 0) << name;
    EXPECT_GE(m.maxCharWidth, m.aveCharWidth) << name;
  }
  // Courier New is fixed pitch: every character the same advance.
  const Font mono = Make("Courier New", -16);
  EXPECT_EQ(CharAdvance(mono, 'i'), CharAdvance(mono, 'W'));
  // Bold is wider than regular in a proportional font.
  EXPECT_GT(TextExtent(Make("Arial", -16, fsBold), "Wide words").cx, TextExtent(Make("Arial", -16), "Wide words").cx);
}

TEST(Fonts, ExtentIsTheSumOfAdvancesAndFitCountStopsAtTheWidth) {
  const Font f = Make("Times New Roman", -15);
  const std::u16string text = u"AVATAR fill ffi";
  int sum = 0;
  for (char16_t c : text) sum += CharAdvance(f, c);
  EXPECT_EQ(TextExtent(f, text).cx, sum);  // no kerning (AV), no ligatures (ffi)
  std::vector<int> extents;
  const int width = sum / 2;
  const int fit = TextFitCount(f, text, width, &extents);
  ASSERT_EQ(static_cast<int>(extents.size()), fit);
  EXPECT_LE(extents.back(), width);
  EXPECT_GT(extents.back() + CharAdvance(f, text[fit]), width);
  EXPECT_EQ(TextFitCount(f, text, 100000), static_cast<int>(text.size()));
  EXPECT_EQ(TextFitCount(f, text, 0), 0);
}

TEST(Fonts, SurrogatePairIsOneGlyphWithItsAdvanceOnTheFirstUnit) {
  const Font f = Make("DejaVu Sans", -14);
  const std::u16string text = u"a\U0001D400b";  // mathematical bold A
  const std::vector<int> adv = CharAdvances(f, text);
  ASSERT_EQ(adv.size(), 4u);
  EXPECT_EQ(adv[2], 0);
  EXPECT_EQ(adv[1], CharAdvance(f, U'\U0001D400'));
  // The pair is never split by a fit count.
  EXPECT_NE(TextFitCount(f, text, adv[0] + adv[1] - 1), 2);
}

// Measuring and drawing agree: each glyph's ink lies inside the cell its
// measured advances give it.
TEST(Fonts, EachGlyphIsDrawnInsideItsMeasuredCell) {
  for (const char* name : {"Arial", "Courier New", "Times New Roman"}) {
    const Font f = Make(name, -20);
    const std::u16string text = u"HIMWLE";  // upright glyphs without overhang
    const std::vector<int> adv = CharAdvances(f, text);
    const QImage img = DrawOn(300, 40, f, [&](Canvas& c) {
      c.ExtTextOut(10, 5, 0, nullptr, text);
    });
    int x = 10;
    for (size_t i = 0; i < text.size(); ++i) {
      const Rect cell{x, 0, x + adv[i], 40};
      const Rect ink = DarkBounds(img, cell.Inflate(0, 0));
      ASSERT_FALSE(ink.IsEmpty()) << name << " glyph " << i;
      EXPECT_GE(ink.left, cell.left) << name << " glyph " << i;
      EXPECT_LE(ink.right, cell.right) << name << " glyph " << i;
      // Nothing of this glyph spills into the next cell: the next cell's
      // first column is blank for these letters.
      x += adv[i];
    }
    EXPECT_TRUE(DarkBounds(img, Rect{x, 0, 300, 40}).IsEmpty()) << name;
    EXPECT_TRUE(DarkBounds(img, Rect{0, 0, 10, 40}).IsEmpty()) << name;
  }
}

TEST(Fonts, ExplicitAdvancesPlaceEveryCharacter) {
  const Font f = Make("Courier New", -16);
  const std::u16string text = u"III";
  const int dx[] = {30, 30, 30};
  const QImage img = DrawOn(120, 30, f, [&](Canvas& c) {
    c.ExtTextOut(0, 0, 0, nullptr, text, dx);
  });
  for (int i = 0; i < 3; ++i)
    EXPECT_FALSE(DarkBounds(img, Rect{i * 30, 0, i * 30 + CharAdvance(f, 'I'), 30}).IsEmpty()) << i;
  EXPECT_TRUE(DarkBounds(img, Rect{CharAdvance(f, 'I') + 1, 0, 29, 30}).IsEmpty());
}

TEST(Fonts, AGivenAverageWidthWidensAdvancesAndGlyphsAlike) {
  const Font natural = Make("Arial", -16);
  Font wide = natural;
  wide.width = 2 * GetTextMetrics(natural).aveCharWidth;
  EXPECT_NEAR(GetTextMetrics(wide).aveCharWidth, wide.width, 1);
  EXPECT_NEAR(TextExtent(wide, u"HHHH").cx, 2 * TextExtent(natural, u"HHHH").cx, 4);
  const QImage img = DrawOn(200, 30, wide, [&](Canvas& c) {
    c.TextOut(0, 0, "H");
  });
  const Rect ink = DarkBounds(img);
  EXPECT_LE(ink.right, CharAdvance(wide, 'H'));            // inside its cell
  EXPECT_GT(ink.Width(), CharAdvance(natural, 'H'));        // and drawn wide
}

TEST(Fonts, RotatedTextRunsUpwards) {
  Font f = Make("Arial", -16);
  f.escapement = 900;
  const QImage img = DrawOn(60, 200, f, [&](Canvas& c) {
    c.ExtTextOut(20, 180, 0, nullptr, u"HHHHHH");
  });
  const Rect ink = DarkBounds(img);
  ASSERT_FALSE(ink.IsEmpty());
  const int length = TextExtent(Make("Arial", -16), u"HHHHHH").cx;
  EXPECT_NEAR(ink.Height(), length, 3);
  EXPECT_LE(ink.bottom, 181);
  EXPECT_GE(ink.left, 20);  // the top of the text faces left
  EXPECT_LE(ink.right, 20 + GetTextMetrics(f).height);
}

TEST(Fonts, AlignmentJustificationAndWrapping) {
  SetFontBackend(FontBackend::FixedMetric, {"Fixed Sans"});
  Font f = Make("Fixed Sans", -10);  // advance 5, ascent 8, height 10
  const QImage img = DrawOn(100, 60, f, [&](Canvas& c) {
    c.textAlign = TA_BASELINE | TA_RIGHT;
    c.ExtTextOut(50, 20, 0, nullptr, u"ab");  // right end at 50, baseline at 20
    c.textAlign = TA_TOP;
    c.SetTextJustification(7, 2);             // 4 + 3 extra pixels on the blanks
    EXPECT_EQ(c.TextExtent(u"a b c").cx, 25 + 7);
    c.ExtTextOut(0, 30, 0, nullptr, u"a b c");
    c.SetTextJustification(0, 0);
  });
  EXPECT_EQ(BoundsOfColour(img, clBlack, {0, 0, 100, 25}), (Rect{40, 12, 49, 22}));
  // "a" at 0, "b" at 5 + 5 + 4 = 14, "c" at 14 + 5 + 5 + 3 = 27.
  EXPECT_EQ(ColourAt(img, 0, 31), clBlack);
  EXPECT_EQ(ColourAt(img, 14, 31), clBlack);
  EXPECT_EQ(ColourAt(img, 13, 31), kWhiteColour());
  EXPECT_EQ(ColourAt(img, 27, 31), clBlack);
  EXPECT_EQ(ColourAt(img, 26, 31), kWhiteColour());

  QImage wrap(60, 60, QImage::Format_ARGB32);
  wrap.fill(Qt::white);
  {
    Canvas c(&wrap);
    c.font = f;
    // 40 pixels hold 8 characters: "one two" | "three" | "four".
    const int h = c.DrawWrappedText({0, 0, 40, 60}, u"one two three four");
    EXPECT_EQ(h, 30);
  }
  EXPECT_EQ(BoundsOfColour(wrap, clBlack, {0, 0, 60, 10}), (Rect{0, 0, 34, 10}));
  EXPECT_EQ(BoundsOfColour(wrap, clBlack, {0, 10, 60, 20}), (Rect{0, 10, 24, 20}));
  EXPECT_EQ(BoundsOfColour(wrap, clBlack, {0, 20, 60, 30}), (Rect{0, 20, 19, 30}));
  SetFontBackend(FontBackend::Qt);
}

TEST(Fonts, FixedMetricBackendGivesExactNumbersAndBlocks) {
  SetFontBackend(FontBackend::FixedMetric, {"Fixed Sans"});
  Font f = Make("Fixed Sans", -20);
  f.name = "Fixed Sans";
  EXPECT_TRUE(IsFontInstalled("Fixed Sans"));
  const TextMetrics m = GetTextMetrics(f);
  EXPECT_EQ(m.ascent, 16);
  EXPECT_EQ(m.descent, 4);
  EXPECT_EQ(m.height, 20);
  EXPECT_EQ(CharAdvance(f, 'i'), 10);
  EXPECT_EQ(TextExtent(f, u"ab c").cx, 40);
  const QImage img = DrawOn(60, 30, f, [&](Canvas& c) {
    c.TextOut(0, 0, "a b");
  });
  EXPECT_EQ(BoundsOfColour(img, clBlack), (Rect{0, 0, 29, 20}));
  EXPECT_EQ(CountColour(img, clBlack), 2 * 9 * 20);  // the blank draws nothing
  SetFontBackend(FontBackend::Qt);
}

}  // namespace
}  // namespace platform
