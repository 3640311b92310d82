#include "editor/edmiscclasses.h"

#include <gtest/gtest.h>

#include <QImage>
#include <memory>
#include <string>

#include "editor/edmethodchain.h"

namespace editor {
namespace {

using platform::Bitmap;
using platform::Canvas;

// ---------------------------------------------------------------------------
// Gutter

TEST(EdGutter, DefaultsAndClampingSetters) {
  TEdGutter g;
  EXPECT_EQ(g.Font().name, "Courier New");
  EXPECT_EQ(g.Font().Size(), 8);
  EXPECT_EQ(g.Color(), clBtnFace);
  EXPECT_EQ(g.BorderColor(), clWindow);
  EXPECT_EQ(g.BorderStyle(), TEdGutterBorderStyle::gbsMiddle);
  EXPECT_EQ(g.Width(), 30);
  EXPECT_EQ(g.DigitCount(), 4);
  EXPECT_EQ(g.LeftOffset(), 16);
  EXPECT_EQ(g.RightOffset(), 2);
  EXPECT_FALSE(g.ShowLineNumbers());
  EXPECT_TRUE(g.Visible());
  EXPECT_TRUE(g.UseFontStyle());
  EXPECT_EQ(g.GradientSteps(), 48);
  EXPECT_EQ(g.GradientStartColor(), clWindow);
  EXPECT_EQ(g.GradientEndColor(), clBtnFace);

  int notes = 0;
  g.OnChange = [&notes](TEdObject*) { ++notes; };
  g.SetDigitCount(20);
  EXPECT_EQ(g.DigitCount(), 12);
  g.SetDigitCount(1);
  EXPECT_EQ(g.DigitCount(), 2);
  g.SetGradientSteps(1);
  EXPECT_EQ(g.GradientSteps(), 2);
  EXPECT_EQ(notes, 3);
  g.SetWidth(30);
  EXPECT_EQ(notes, 3);

  g.SetLineNumberStart(0);
  EXPECT_TRUE(g.ZeroStart());
  g.SetLineNumberStart(5);
  EXPECT_FALSE(g.ZeroStart());
  EXPECT_EQ(g.FormatLineNumber(1), u" 5");
  g.SetLineNumberStart(-3);
  EXPECT_EQ(g.LineNumberStart(), 0);
  EXPECT_TRUE(g.ZeroStart());
  EXPECT_EQ(g.FormatLineNumber(1), u" 0");
}

TEST(EdGutter, AutoSizedDigitsLeadingZerosAndWidth) {
  TEdGutter g;
  g.SetShowLineNumbers(true);
  g.SetAutoSize(true);
  g.AutoSizeDigitCount(12345);
  EXPECT_EQ(g.AutoSizeDigitCountValue(), 5);
  EXPECT_EQ(g.FormatLineNumber(7), u"    7");
  g.SetLeadingZeros(true);
  EXPECT_EQ(g.FormatLineNumber(7), u"00007");
  EXPECT_EQ(g.RealGutterWidth(8), 16 + 2 + 5 * 8 + 2);
  g.AutoSizeDigitCount(10);
  EXPECT_EQ(g.AutoSizeDigitCountValue(), 4);
  g.SetLineNumberStart(9995);
  g.AutoSizeDigitCount(10);
  EXPECT_EQ(g.AutoSizeDigitCountValue(), 5);
  g.SetAutoSize(false);
  g.AutoSizeDigitCount(1000000);
  EXPECT_EQ(g.AutoSizeDigitCountValue(), 4);
  g.SetShowLineNumbers(false);
  EXPECT_EQ(g.RealGutterWidth(8), 30);
  g.SetVisible(false);
  EXPECT_EQ(g.RealGutterWidth(8), 0);

  TEdGutter copy;
  int notes = 0;
  copy.OnChange = [&notes](TEdObject*) { ++notes; };
  copy.Assign(g);
  EXPECT_EQ(notes, 1);
  EXPECT_FALSE(copy.Visible());
  EXPECT_EQ(copy.LineNumberStart(), 9995);
  copy.SetVisible(true);
  EXPECT_EQ(notes, 2);   // the handler survived the copy
}

TEST(EdSupport, SelectedColorAndBookmarkOptions) {
  TEdSelectedColor sel;
  EXPECT_EQ(sel.Background(), clHighlight);
  EXPECT_EQ(sel.Foreground(), clHighlightText);
  int notes = 0;
  sel.OnChange = [&notes](TEdObject*) { ++notes; };
  sel.SetBackground(clHighlight);
  sel.SetBackground(0x123456);
  EXPECT_EQ(notes, 1);

  TEdBookMarkOpt opt;
  EXPECT_TRUE(opt.DrawBookmarksFirst());
  EXPECT_TRUE(opt.EnableKeys());
  EXPECT_TRUE(opt.GlyphsVisible());
  EXPECT_EQ(opt.LeftMargin(), 2);
  EXPECT_EQ(opt.Xoffset(), 12);
  EXPECT_EQ(opt.BookmarkImages(), nullptr);
  TEdBookMarkOpt other;
  other.SetXoffset(20);
  other.SetBookmarkImages(std::make_shared<TEdImageList>(Bitmap(30, 10), 3));
  opt.Assign(other);
  EXPECT_EQ(opt.Xoffset(), 20);
  ASSERT_NE(opt.BookmarkImages(), nullptr);
  EXPECT_EQ(opt.BookmarkImages()->Width(), 10);
}

// ---------------------------------------------------------------------------
// Drawing

QImage WhiteImage(int w, int h) {
  QImage img(w, h, QImage::Format_ARGB32);
  img.fill(Qt::white);
  return img;
}

platform::Colour At(const QImage& img, int x, int y) {
  const QRgb p = img.pixel(x, y);
  return platform::Rgb(qRed(p), qGreen(p), qBlue(p));
}

TEST(EdSupport, GradientBandsRunFromOneColourToTheOther) {
  QImage img = WhiteImage(10, 4);
  {
    Canvas canvas(&img);
    DrawGradient(canvas, platform::Rgb(0, 0, 0), platform::Rgb(250, 100, 0), true, platform::Rect{0, 0, 10, 4}, 1);
  }
  // Two steps: the left half in the first colour, the right half in the last.
  EXPECT_EQ(At(img, 0, 0), platform::Rgb(0, 0, 0));
  EXPECT_EQ(At(img, 4, 3), platform::Rgb(0, 0, 0));
  EXPECT_EQ(At(img, 5, 0), platform::Rgb(250, 100, 0));
  EXPECT_EQ(At(img, 9, 3), platform::Rgb(250, 100, 0));

  QImage vertical = WhiteImage(3, 6);
  {
    Canvas canvas(&vertical);
    DrawGradient(canvas, clWindow, platform::Rgb(0, 0, 0), false, platform::Rect{0, 0, 3, 6}, 3);
  }
  EXPECT_EQ(At(vertical, 1, 0), platform::Rgb(255, 255, 255));   // system colour resolved
  EXPECT_EQ(At(vertical, 1, 2), platform::Rgb(127, 127, 127));   // 255 + MulDiv(1, -255, 2)
  EXPECT_EQ(At(vertical, 1, 5), platform::Rgb(0, 0, 0));
}

TEST(EdSupport, GlyphDrawsWithoutItsMaskColourAndCentred) {
  TEdGlyph glyph("TextEditWrapped", clLime);
  EXPECT_EQ(glyph.Width(), 9);
  QImage img = WhiteImage(20, 20);
  {
    Canvas canvas(&img);
    glyph.Draw(canvas, 2, 0, 13);   // centred: (13 - 9) / 2 = 2 rows down
  }
  int black = 0, lime = 0;
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 20; ++x) {
      if (At(img, x, y) == clBlack) ++black;
      if (At(img, x, y) == clLime) ++lime;
    }
  EXPECT_GT(black, 0);
  EXPECT_EQ(lime, 0);
  EXPECT_EQ(At(img, 2 + 7, 2), clBlack);   // the glyph's top right stroke, moved down 2 rows
  EXPECT_EQ(At(img, 2 + 7, 1), clWhite);

  // A user glyph taller than the line shows its middle rows.
  Bitmap tall(4, 10, clWhite);
  for (int x = 0; x < 4; ++x) tall.SetPixel(x, 5, clBlack);
  glyph.SetGlyph(tall);
  EXPECT_EQ(glyph.Width(), 4);
  QImage img2 = WhiteImage(10, 10);
  {
    Canvas canvas(&img2);
    glyph.Draw(canvas, 0, 0, 4);   // rows 3..6 of the glyph
  }
  EXPECT_EQ(At(img2, 0, 2), clBlack);
  EXPECT_EQ(At(img2, 0, 4), clWhite);

  TEdGlyph empty;
  EXPECT_EQ(empty.Width(), 0);
  QImage img3 = WhiteImage(4, 4);
  {
    Canvas canvas(&img3);
    empty.Draw(canvas, 0, 0, 4);
  }
  EXPECT_EQ(At(img3, 1, 1), clWhite);
}

TEST(EdSupport, InternalImagesAreSharedAndDrawnByNumber) {
  EXPECT_EQ(TEdInternalImage::SharedResourceCount(), 0);
  {
    auto a = std::make_unique<TEdInternalImage>("TextEditInternalImages", 10);
    TEdInternalImage b("texteditinternalimages", 10);
    EXPECT_EQ(TEdInternalImage::SharedResourceCount(), 1);
    EXPECT_EQ(a->Width(), 12);
    EXPECT_EQ(a->Height(), 16);
    QImage img = WhiteImage(40, 20);
    {
      Canvas canvas(&img);
      a->Draw(canvas, 1, 0, 0, 20);   // centred: 2 rows down
      a->Draw(canvas, 10, 20, 0, 20);  // no such image: nothing
      a->Draw(canvas, -1, 20, 0, 20);
    }
    EXPECT_EQ(At(img, 1, 3), platform::clNavy);   // the flag's frame
    EXPECT_EQ(At(img, 25, 5), clWhite);
    a.reset();
    EXPECT_EQ(TEdInternalImage::SharedResourceCount(), 1);
  }
  EXPECT_EQ(TEdInternalImage::SharedResourceCount(), 0);
}

// ---------------------------------------------------------------------------
// Method chains

class Counter : public TEdObject {
 public:
  void Hit(TEdObject* sender) {
    ++hits;
    last = sender;
  }
  void Fail(TEdObject*) { throw std::runtime_error("boom"); }
  int hits = 0;
  TEdObject* last = nullptr;
};

TEST(EdMethodChain, FiresInOrderRemovesEveryCopyAndHandlesErrors) {
  Counter sender, a, b;
  TEdNotifyEventChain chain(&sender);
  chain.Add(NotifyMethod<&Counter::Hit>(&a));
  chain.Add(NotifyMethod<&Counter::Hit>(&b));
  chain.Add(NotifyMethod<&Counter::Hit>(&a));
  chain.Fire();
  EXPECT_EQ(a.hits, 2);
  EXPECT_EQ(b.hits, 1);
  EXPECT_EQ(a.last, &sender);
  chain.Remove(NotifyMethod<&Counter::Hit>(&a));
  EXPECT_EQ(chain.Count(), 1);
  chain.Fire();
  EXPECT_EQ(a.hits, 2);
  EXPECT_EQ(b.hits, 2);

  try {
    chain.Add(TEdNotifyEvent{});
    ADD_FAILURE() << "no error";
  } catch (const EEdMethodChain& e) {
    EXPECT_STREQ(e.what(), "TEdNotifyEventChain.Entry : the parameter `AEvent' must be specified.");
  }
  try {
    chain.Remove(TEdNotifyEvent{});
    ADD_FAILURE() << "no error";
  } catch (const EEdMethodChain& e) {
    EXPECT_STREQ(e.what(), "TEdNotifyEventChain.Remove: the parameter `AEvent' must be specified.");
  }

  // An error without a handler passes on; with one, its answer decides.
  TEdNotifyEventChain failing;
  Counter c;
  failing.Add(NotifyMethod<&Counter::Fail>(&c));
  failing.Add(NotifyMethod<&Counter::Hit>(&c));
  EXPECT_THROW(failing.Fire(), std::runtime_error);
  EXPECT_EQ(c.hits, 0);
  int errors = 0;
  failing.OnException = [&errors](const std::exception&, bool& doContinue) {
    ++errors;
    doContinue = true;
  };
  failing.Fire();
  EXPECT_EQ(errors, 1);
  EXPECT_EQ(c.hits, 1);
  failing.OnException = [](const std::exception&, bool& doContinue) { doContinue = false; };
  failing.Fire();
  EXPECT_EQ(c.hits, 1);
}

}  // namespace
}  // namespace editor
