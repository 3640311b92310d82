#include "htmlview/layout/imageobj.h"

#include <gtest/gtest.h>

#include <QImage>

#include <memory>
#include <string>
#include <vector>

#include "htmlview/parse/attributes.h"
#include "htmlview/images/imagemodule.h"
#include "htmlview/images/pngcodec.h"
#include "htmlview/layout/sections.h"
#include "htmlview/style/styleprops.h"
#include "htmlview/parse/vocabulary.h"
#include "objectdoc_fake.h"
#include "platform/image.h"
#include "testsupport/testenv.h"

using namespace htmlview;
using objfake::FakeDocument;
using platform::Colour;

namespace {

using Attr = std::pair<HtmlSymbol, std::string>;

std::unique_ptr<TAttributeList> Attrs(const std::vector<Attr>& list) {
  auto a = std::make_unique<TAttributeList>();
  for (const auto& [sym, value] : list) {
    int number = 0;
    try {
      number = std::stoi(value);
    } catch (...) {
    }
    a->Add(TAttribute(sym, "", number, value));
  }
  return a;
}

// A GIF of n 1 x 1 frames, alternately red and blue, 100 ms each.
std::string FramesGif(int n) {
  std::string g = "GIF89a";
  g += std::string("\x01\x00\x01\x00\x80\x00\x00", 7);
  g += std::string("\xFF\x00\x00\x00\x00\xFF", 6);
  g += std::string("\x21\xFF\x0BNETSCAPE2.0\x03\x01\x00\x00\x00", 19);
  for (int i = 0; i < n; ++i) {
    g += std::string("\x21\xF9\x04\x00\x0A\x00\x00\x00", 8);
    g += std::string("\x2C\x00\x00\x00\x00\x01\x00\x01\x00\x00", 10);
    // LZW, minimum code size 2: clear, the index, end (3 bits each).
    g += std::string("\x02\x02", 2);
    g += (i % 2 == 0) ? std::string("\x44\x01\x00", 3) : std::string("\x4C\x01\x00", 3);
  }
  g += "\x3B";
  return g;
}

constexpr Colour kRed = platform::clRed, kBlue = platform::clBlue, kGreen = platform::clLime,
                 kWhite = platform::clWhite;

class ImageObjTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    platform::SetFontBackend(platform::FontBackend::FixedMetric, {"Times New Roman", "Arial"});
  }
  void SetUp() override {
    platform::SetScreenDepth(24);
    InitVocabulary();
    InitStyleProps();
    InitPngModule();
    InitImageModule();
    dir_ = testsupport::MakeTempDir("imageobj");
    // 40 x 20: red left half, blue right half, a green bottom row.
    QImage wide(40, 20, QImage::Format_RGB32);
    for (int y = 0; y < 20; ++y)
      for (int x = 0; x < 40; ++x)
        wide.setPixel(x, y, y == 19 ? qRgb(0, 255, 0) : x < 20 ? qRgb(255, 0, 0) : qRgb(0, 0, 255));
    wide_ = dir_ + "/wide.png";
    ASSERT_TRUE(wide.save(QString::fromStdString(wide_), "PNG"));
    missing_ = dir_ + "/none.png";
    doc_ = std::make_unique<FakeDocument>();
    section_ = std::make_unique<TSectionBase>(doc_.get());
    plain_ = std::make_unique<TFontObj>(section_.get(), Font(), 0);
    link_ = std::make_unique<TFontObj>(section_.get(), Font(), 0);
    link_->UrlTarget->URL = "next.htm";
    TMyFont green = Font();
    green.color = kGreen;
    link_->ReplaceFont(green);
  }
  void TearDown() override {
    images_.Clear();
    link_.reset();
    plain_.reset();
    section_.reset();
    doc_.reset();
    DoneImageModule();
    DoneStyleProps();
  }

  static TMyFont Font() {
    TMyFont f;
    f.name = "Times New Roman";
    f.height = -16;
    f.color = platform::clBlack;
    return f;
  }
  std::string WriteGif(const std::string& name, int frames) {
    const std::string path = dir_ + "/" + name;
    testsupport::WriteAll(path, FramesGif(frames));
    return path;
  }
  TImageObj* Make(const std::vector<Attr>& attrs, int pos = 0) {
    auto list = Attrs(attrs);
    return static_cast<TImageObj*>(images_.Add(std::make_unique<TImageObj>(doc_.get(), pos, *list)));
  }
  void Layout(TImageObj* img, TFontObj* run = nullptr, int w = 400, int h = 300) {
    platform::Bitmap scratch(1, 1);
    platform::Canvas canvas(&scratch.Image());
    img->Layout(doc_.get(), canvas, run ? run : plain_.get(), w, h);
  }
  // Draws the image on a white 120 x 100 bitmap, its left at x, the line at
  // top (document coordinates) with the baseline 40 pixels lower.
  platform::Bitmap DrawOnWhite(TImageObj* img, int x, int top, TFontObj* run = nullptr) {
    platform::Bitmap target(120, 100, kWhite);
    {
      platform::Canvas canvas(&target.Image());
      img->Draw(canvas, x, top, top + 40, run ? run : plain_.get());
    }
    return target;
  }

  std::string dir_, wide_, missing_;
  std::unique_ptr<FakeDocument> doc_;
  std::unique_ptr<TSectionBase> section_;
  std::unique_ptr<TFontObj> plain_, link_;
  TImageObjList images_;
};

Colour At(const platform::Bitmap& b, int x, int y) { return platform::ColourToRgb(b.Pixel(x, y)); }

}  // namespace

// ---------------------------------------------------------------------------
// Attributes

TEST_F(ImageObjTest, AttributesTable) {
  struct Case {
    const char* name;
    std::vector<Attr> attrs;
    TVAlign align = TVAlign::Bottom;
    int specW = -1, specH = -1;
    bool pctW = false, pctH = false;
    int border = 0;
    bool noBorder = false;
    int hspace = 0, vspace = 0;
  };
  const Case cases[] = {
      {"defaults", {}},
      {"align top", {{HtmlSymbol::Align, "top"}}, TVAlign::Top},
      {"align middle", {{HtmlSymbol::Align, "Middle"}}, TVAlign::Middle},
      {"align absmiddle", {{HtmlSymbol::Align, "ABSMIDDLE"}}, TVAlign::Middle},
      {"align left floats with 3 pixels", {{HtmlSymbol::Align, "left"}}, TVAlign::Left, -1, -1, false, false, 0, false, 3},
      {"align right", {{HtmlSymbol::Align, "RIGHT"}}, TVAlign::Right, -1, -1, false, false, 0, false, 3},
      {"align other keeps bottom", {{HtmlSymbol::Align, "center"}}, TVAlign::Bottom},
      {"pixel sizes", {{HtmlSymbol::Width, "120"}, {HtmlSymbol::Height, "35"}}, TVAlign::Bottom, 120, 35},
      {"percent sizes", {{HtmlSymbol::Width, "50%"}, {HtmlSymbol::Height, "250%"}}, TVAlign::Bottom, 50, 100, true, true},
      {"negative width ignored", {{HtmlSymbol::Width, "-20"}}, TVAlign::Bottom},
      {"border clamped to 10", {{HtmlSymbol::Border, "25"}}, TVAlign::Bottom, -1, -1, false, false, 10},
      {"border 0 means no border", {{HtmlSymbol::Border, "0"}}, TVAlign::Bottom, -1, -1, false, false, 0, true},
      {"negative border is 0", {{HtmlSymbol::Border, "-3"}}, TVAlign::Bottom, -1, -1, false, false, 0, true},
      {"hspace 100 is 40", {{HtmlSymbol::HSpace, "100"}}, TVAlign::Bottom, -1, -1, false, false, 0, false, 40},
      {"hspace -7 is 7", {{HtmlSymbol::HSpace, "-7"}}, TVAlign::Bottom, -1, -1, false, false, 0, false, 7},
      {"hspace given on a float", {{HtmlSymbol::Align, "left"}, {HtmlSymbol::HSpace, "0"}}, TVAlign::Left},
      {"vspace both sides", {{HtmlSymbol::VSpace, "12"}}, TVAlign::Bottom, -1, -1, false, false, 0, false, 0, 12},
      {"vspace 99 is 40", {{HtmlSymbol::VSpace, "99"}}, TVAlign::Bottom, -1, -1, false, false, 0, false, 0, 40},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TImageObj* img = Make(c.attrs);
    EXPECT_EQ(img->VertAlign, c.align);
    EXPECT_EQ(img->SpecWidth, c.specW);
    EXPECT_EQ(img->SpecHeight, c.specH);
    EXPECT_EQ(img->PercentWidth, c.pctW);
    EXPECT_EQ(img->PercentHeight, c.pctH);
    EXPECT_EQ(img->BorderSize, c.border);
    EXPECT_EQ(img->NoBorder, c.noBorder);
    EXPECT_EQ(img->HSpaceL, c.hspace);
    EXPECT_EQ(img->HSpaceR, c.hspace);
    EXPECT_EQ(img->VSpaceT, c.vspace);
    EXPECT_EQ(img->VSpaceB, c.vspace);
  }
}

TEST_F(ImageObjTest, TextAttributesAndFlags) {
  TImageObj* img = Make({{HtmlSymbol::Src, "  pics/a.gif \t"},
                         {HtmlSymbol::Alt, "Caf\xC3\xA9 menu\r\n\n"},
                         {HtmlSymbol::Transp, ""},
                         {HtmlSymbol::IsMap, ""},
                         {HtmlSymbol::UseMap, " #navMap "},
                         {HtmlSymbol::Active, ""}});
  EXPECT_EQ(img->Source, "pics/a.gif");
  EXPECT_EQ(img->FAlt, "Caf\xC3\xA9 menu");
  EXPECT_EQ(img->FAltW, u"Caf\u00E9 menu");
  EXPECT_EQ(img->ImageTitle, img->FAlt);   // ALT gives the title without TITLE
  EXPECT_TRUE(img->Transparent);
  EXPECT_TRUE(img->IsMap);
  EXPECT_TRUE(img->UseMap);
  EXPECT_EQ(img->MapName, "NAVMAP");
  EXPECT_TRUE(img->HoverImage);

  // TITLE wins over ALT in either order; a lone "#" stays the map name.
  TImageObj* a = Make({{HtmlSymbol::Title, "tip"}, {HtmlSymbol::Alt, "alt"}, {HtmlSymbol::UseMap, "#"}});
  TImageObj* b = Make({{HtmlSymbol::Alt, "alt"}, {HtmlSymbol::Title, "tip"}});
  EXPECT_EQ(a->ImageTitle, "tip");
  EXPECT_EQ(b->ImageTitle, "tip");
  EXPECT_EQ(a->FAlt, "alt");
  EXPECT_EQ(a->MapName, "#");
}

TEST_F(ImageObjTest, NameAndIdRegisterTheObject) {
  TImageObj* img = Make({{HtmlSymbol::Name, "logo"}, {HtmlSymbol::Id, "pic1"}});
  ASSERT_EQ(doc_->IDs.size(), 2u);
  EXPECT_EQ(doc_->IDs["logo"], img);
  EXPECT_EQ(doc_->IDs["pic1"], img);
  img->YValue = 77;
  EXPECT_EQ(doc_->IDs["pic1"]->YPosition(), 77);
}

TEST_F(ImageObjTest, UrlImageIsBottomAlignedWithoutBorder) {
  TImageObj img(doc_.get(), wide_);
  EXPECT_EQ(img.Source, wide_);
  EXPECT_EQ(img.VertAlign, TVAlign::Bottom);
  EXPECT_TRUE(img.NoBorder);
  Layout(&img, link_.get());   // even inside a link: no border
  EXPECT_EQ(img.ObjWidth, 40);
  EXPECT_EQ(img.ObjHeight, 20);
}

// ---------------------------------------------------------------------------
// Fetching and sizing

TEST_F(ImageObjTest, SizingTable) {
  enum class Pic { Wide, Missing, NoSource };
  struct Case {
    const char* name;
    Pic pic;
    std::vector<Attr> attrs;
    bool show = true;
    bool inLink = false;
    int objW = 0, objH = 0;
    bool known = false;
    TImageObj::PictureKind kind = TImageObj::PictureKind::Picture;
    int availW = 400, availH = 300;
  };
  using K = TImageObj::PictureKind;
  const Case cases[] = {
      {"intrinsic", Pic::Wide, {}, true, false, 40, 20, true},
      {"width only keeps proportion", Pic::Wide, {{HtmlSymbol::Width, "80"}}, true, false, 80, 40, true},
      {"height only keeps proportion", Pic::Wide, {{HtmlSymbol::Height, "10"}}, true, false, 20, 10, true},
      {"both given", Pic::Wide, {{HtmlSymbol::Width, "50"}, {HtmlSymbol::Height, "60"}}, true, false, 50, 60, true},
      {"percent width with border", Pic::Wide, {{HtmlSymbol::Width, "50%"}, {HtmlSymbol::Border, "2"}}, true, false,
       198 + 4, 99 + 4, false},
      {"percent width, pixel height", Pic::Wide, {{HtmlSymbol::Width, "25%"}, {HtmlSymbol::Height, "7"}}, true, false,
       100, 7},
      {"percent both", Pic::Wide, {{HtmlSymbol::Width, "25%"}, {HtmlSymbol::Height, "10%"}}, true, false, 100, 30},
      {"percent height only", Pic::Wide, {{HtmlSymbol::Height, "50%"}}, true, false, 300, 150},
      {"percent height, pixel width", Pic::Wide, {{HtmlSymbol::Height, "50%"}, {HtmlSymbol::Width, "9"}}, true, false,
       9, 150},
      {"percent of nothing", Pic::Wide, {{HtmlSymbol::Width, "50%"}, {HtmlSymbol::Border, "3"}}, true, false, 6, 6,
       false, K::Picture, 0, 0},
      {"link adds a 1-pixel border", Pic::Wide, {}, true, true, 42, 22, true},
      {"link keeps a wider border", Pic::Wide, {{HtmlSymbol::Border, "3"}}, true, true, 46, 26, true},
      {"link with border 0", Pic::Wide, {{HtmlSymbol::Border, "0"}}, true, true, 40, 20, true},
      {"missing file", Pic::Missing, {}, true, false, 24, 24, false, K::Error},
      // FixedMetric: "Hi" in Arial 8 (11 pixels) is 12 wide, two lines 22 high.
      {"missing with alt", Pic::Missing, {{HtmlSymbol::Alt, "Hi"}}, true, false, 12 + 26, 24, false, K::Error},
      {"missing with long alt", Pic::Missing, {{HtmlSymbol::Alt, "one\r\ntwo"}}, true, false, 18 + 26, 33, false,
       K::Error},
      {"missing with a size", Pic::Missing, {{HtmlSymbol::Width, "100"}, {HtmlSymbol::Height, "50"}}, true, false,
       100, 50, true, K::Error},
      {"missing in a link", Pic::Missing, {}, true, true, 26, 26, false, K::Error},
      {"no source", Pic::NoSource, {}, true, false, 24, 24, false, K::Error},
      {"images off", Pic::Wide, {}, false, false, 24, 24, false, K::None},
      {"images off, width from placeholder", Pic::Wide, {{HtmlSymbol::Width, "30"}}, false, false, 30, 30, false,
       K::None},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    doc_->ShowImages = c.show;
    std::vector<Attr> attrs = c.attrs;
    if (c.pic == Pic::Wide) attrs.push_back({HtmlSymbol::Src, wide_});
    if (c.pic == Pic::Missing) attrs.push_back({HtmlSymbol::Src, missing_});
    TImageObj* img = Make(attrs);
    Layout(img, c.inLink ? link_.get() : plain_.get(), c.availW, c.availH);
    EXPECT_EQ(img->ObjWidth, c.objW);
    EXPECT_EQ(img->ObjHeight, c.objH);
    EXPECT_EQ(img->ImageKnown, c.known);
    EXPECT_EQ(img->Kind(), c.kind);
  }
  doc_->ShowImages = true;
}

TEST_F(ImageObjTest, FailuresShowTheErrorPlaceholder) {
  // The picture engine raising is a failed fetch, not an error for the viewer.
  doc_->ThrowOnFetch = true;
  TImageObj* thrown = Make({{HtmlSymbol::Src, wide_}});
  Layout(thrown);
  EXPECT_EQ(thrown->Kind(), TImageObj::PictureKind::Error);
  EXPECT_EQ(thrown->ObjWidth, 24);
  doc_->ThrowOnFetch = false;

  // A file that is no image.
  const std::string junk = dir_ + "/junk.png";
  testsupport::WriteAll(junk, std::string(200, 'x'));
  TImageObj* bad = Make({{HtmlSymbol::Src, junk}});
  Layout(bad);
  EXPECT_EQ(bad->Kind(), TImageObj::PictureKind::Error);

  // A document root without object services fetches nothing and still draws.
  TSectionListBase bare;
  TImageObj lone(&bare, 0, *Attrs({{HtmlSymbol::Src, wide_}, {HtmlSymbol::Align, "top"}}));
  platform::Bitmap target(60, 60, kWhite);
  {
    platform::Canvas canvas(&target.Image());
    lone.Layout(&bare, canvas, nullptr, 100, 100);
    lone.Draw(canvas, 0, 0, 30, nullptr);
  }
  EXPECT_EQ(lone.Kind(), TImageObj::PictureKind::Error);
  EXPECT_EQ(lone.ObjWidth, 24);
  EXPECT_EQ(At(target, 10, 0), platform::ColourToRgb(platform::clBtnShadow));
}

TEST_F(ImageObjTest, HugeSizesAreDrawnWithoutTrouble) {
  TImageObj* img = Make({{HtmlSymbol::Src, wide_}, {HtmlSymbol::Width, "99999999999"}, {HtmlSymbol::Align, "top"}});
  Layout(img);
  EXPECT_GT(img->ObjWidth, 0);
  EXPECT_GT(img->ObjHeight, 0);
  const platform::Bitmap b = DrawOnWhite(img, 0, 0);
  EXPECT_EQ(At(b, 50, 50), kRed);
}

TEST_F(ImageObjTest, KnownSizeIsNotMeasuredAgainButPercentIs) {
  TImageObj* fixed = Make({{HtmlSymbol::Src, wide_}});
  TImageObj* pct = Make({{HtmlSymbol::Src, wide_}, {HtmlSymbol::Width, "10%"}});
  Layout(fixed, plain_.get(), 400);
  Layout(pct, plain_.get(), 400);
  EXPECT_EQ(pct->ObjWidth, 40);
  Layout(fixed, plain_.get(), 100);
  Layout(pct, plain_.get(), 100);
  EXPECT_EQ(fixed->ObjWidth, 40);
  EXPECT_EQ(pct->ObjWidth, 10);
  EXPECT_EQ(pct->ObjHeight, 5);
  EXPECT_EQ(doc_->Fetches, 2);   // one fetch each, however often laid out
}

TEST_F(ImageObjTest, SourceIsExpandedByTheDocument) {
  // Without request handlers: ExpandDocFileName.
  doc_->ExpandPrefix = dir_ + "/";
  TImageObj* a = Make({{HtmlSymbol::Src, "wide.png"}});
  Layout(a);
  ASSERT_EQ(doc_->FetchedNames.size(), 1u);
  EXPECT_EQ(doc_->FetchedNames[0], wide_);
  EXPECT_EQ(a->Kind(), TImageObj::PictureKind::Picture);

  // With handlers: the name-expansion callback, else the name unchanged.
  doc_->RequestsAssigned = true;
  doc_->NameExpandPrefix = "cb:";
  Layout(Make({{HtmlSymbol::Src, "x.png"}}));
  doc_->NameExpandPrefix.clear();
  Layout(Make({{HtmlSymbol::Src, "y.png"}}));
  ASSERT_EQ(doc_->FetchedNames.size(), 3u);
  EXPECT_EQ(doc_->FetchedNames[1], "cb:x.png");
  EXPECT_EQ(doc_->FetchedNames[2], "y.png");
}

TEST_F(ImageObjTest, ImageThatComesLaterWaitsInTheMissingList) {
  doc_->DelayAll = true;
  TImageObj* first = Make({{HtmlSymbol::Src, "Later.png"}});
  Layout(first);
  EXPECT_EQ(first->Kind(), TImageObj::PictureKind::Waiting);
  EXPECT_TRUE(first->Missing);
  ASSERT_EQ(doc_->Missing.size(), 1u);
  EXPECT_EQ(doc_->Missing[0].first, "Later.png");
  EXPECT_EQ(doc_->Missing[0].second, first);
  EXPECT_EQ(first->ObjWidth, 24);
  EXPECT_EQ(first->Bitmap(), &DelayedImage());

  // The same source in other case is not asked for again: it only waits.
  TImageObj* second = Make({{HtmlSymbol::Src, "LATER.PNG"}});
  Layout(second);
  EXPECT_EQ(doc_->Fetches, 1);
  EXPECT_EQ(second->Kind(), TImageObj::PictureKind::Waiting);
  EXPECT_EQ(doc_->Missing.size(), 2u);
}

TEST_F(ImageObjTest, EachObjectHoldsOneUseOfTheCacheEntry) {
  {
    TImageObj a(doc_.get(), 0, *Attrs({{HtmlSymbol::Src, wide_}}));
    TImageObj b(doc_.get(), 1, *Attrs({{HtmlSymbol::Src, " " + wide_ + " "}}));
    Layout(&a);
    Layout(&b);
    EXPECT_EQ(doc_->Cache.Count(), 1);   // one entry under the normalised key
    EXPECT_EQ(doc_->UseCount(wide_), 2);
    TImageObj copy(doc_.get(), a);       // shares without taking a use
    EXPECT_EQ(copy.Kind(), TImageObj::PictureKind::Picture);
    EXPECT_EQ(copy.PictureBitmap(), a.PictureBitmap());
  }
  EXPECT_EQ(doc_->UseCount(wide_), 0);
}

TEST_F(ImageObjTest, StyleReplacesAlignmentSpacesAndSize) {
  TProperties prop;
  prop.EmSize = 16;
  prop.ExSize = 8;
  prop.PropTitle = "element title";
  prop.AddPropertyByName("float", "right");
  prop.AddPropertyByName("margin-top", "4px");
  prop.AddPropertyByName("margin-left", "6px");
  prop.AddPropertyByName("width", "20%");
  prop.AddPropertyByName("height", "33px");
  TImageObj* img = Make({{HtmlSymbol::Src, wide_}, {HtmlSymbol::Width, "90"}});
  img->ProcessProperties(prop);
  EXPECT_EQ(img->VertAlign, TVAlign::Right);
  EXPECT_EQ(img->HSpaceL, 6);
  EXPECT_EQ(img->HSpaceR, 3);   // a float without spaces got 3 on both sides
  EXPECT_EQ(img->VSpaceT, 4);
  EXPECT_EQ(img->VSpaceB, 0);
  EXPECT_EQ(img->ImageTitle, "element title");
  EXPECT_TRUE(img->PercentWidth);
  EXPECT_EQ(img->SpecWidth, 20);
  EXPECT_FALSE(img->PercentHeight);
  EXPECT_EQ(img->SpecHeight, 33);

  TProperties border;
  border.EmSize = 16;
  border.ExSize = 8;
  border.AddPropertyByName("border-style", "solid");
  for (const char* side : {"border-top-width", "border-right-width", "border-bottom-width", "border-left-width"})
    border.AddPropertyByName(side, "3px");
  border.AddPropertyByName("vertical-align", "top");
  border.AddPropertyByName("width", "auto");
  TImageObj* framed = Make({{HtmlSymbol::Border, "5"}, {HtmlSymbol::Width, "90"}, {HtmlSymbol::Title, "own"}});
  framed->ProcessProperties(border);
  EXPECT_EQ(framed->VertAlign, TVAlign::Top);
  EXPECT_TRUE(framed->NoBorder);
  EXPECT_EQ(framed->BorderSize, 0);
  EXPECT_EQ(framed->HSpaceL, 3);
  EXPECT_EQ(framed->HSpaceR, 3);
  EXPECT_EQ(framed->VSpaceT, 3);
  EXPECT_EQ(framed->VSpaceB, 3);
  EXPECT_EQ(framed->SpecWidth, -1);
  EXPECT_EQ(framed->ImageTitle, "own");
}

// ---------------------------------------------------------------------------
// Placement and drawing

TEST_F(ImageObjTest, VerticalPlacementByAlignment) {
  // Line top 100, baseline 140; the plain run is 16 high with descent 3.
  struct Case {
    TVAlign align;
    int drawY;   // document y of the image (inside a 0 border)
  };
  const Case cases[] = {
      {TVAlign::Top, 100 + 5},
      {TVAlign::Middle, 140 + 3 - 8 - (20 - 5 + 5) / 2},
      {TVAlign::Baseline, 140 - 20 - 5},
      {TVAlign::Bottom, 140 - 20 - 5},
      {TVAlign::Left, 100 + 5},
      {TVAlign::Right, 100 + 5},
  };
  doc_->YOff = 60;
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.align));
    TImageObj* img = Make({{HtmlSymbol::Src, wide_}, {HtmlSymbol::VSpace, "5"}});
    img->VertAlign = c.align;
    Layout(img);
    platform::Bitmap target(120, 200, kWhite);
    {
      platform::Canvas canvas(&target.Image());
      img->Draw(canvas, 30, 100, 140, plain_.get());
    }
    EXPECT_EQ(img->DrawYY, c.drawY);
    EXPECT_EQ(img->DrawXX, 30);
    // Drawn less the scroll offset.
    EXPECT_EQ(At(target, 30, c.drawY - 60), kRed);
    EXPECT_EQ(At(target, 30, c.drawY - 61), kWhite);
  }
}

TEST_F(ImageObjTest, DrawsThePictureAtItsSizeWithBorderInTheLinkColour) {
  TImageObj* img = Make({{HtmlSymbol::Src, wide_}, {HtmlSymbol::Width, "80"}, {HtmlSymbol::Border, "2"}});
  Layout(img, link_.get());
  ASSERT_EQ(img->ObjWidth, 84);
  ASSERT_EQ(img->ObjHeight, 44);
  img->VertAlign = TVAlign::Top;
  const platform::Bitmap b = DrawOnWhite(img, 10, 5, link_.get());
  EXPECT_EQ(img->DrawXX, 12);
  EXPECT_EQ(img->DrawYY, 7);
  // Picture scaled 2x: red up to x 12+39, blue from 12+40, green bottom rows.
  EXPECT_EQ(At(b, 12, 7), kRed);
  EXPECT_EQ(At(b, 51, 20), kRed);
  EXPECT_EQ(At(b, 52, 20), kBlue);
  EXPECT_EQ(At(b, 91, 20), kBlue);
  EXPECT_EQ(At(b, 30, 7 + 39), kGreen);
  EXPECT_EQ(At(b, 30, 7 + 37), kRed);
  // The 2-pixel frame in the run's font colour, then white.
  for (auto [x, y] : std::vector<std::pair<int, int>>{{10, 5}, {11, 30}, {93, 30}, {50, 5}, {50, 48}})
    EXPECT_EQ(At(b, x, y), kGreen) << x << "," << y;
  EXPECT_EQ(At(b, 9, 30), kWhite);
  EXPECT_EQ(At(b, 94, 30), kWhite);
  EXPECT_EQ(At(b, 50, 49), kWhite);
}

TEST_F(ImageObjTest, DrawsAPngAtNaturalSizePixelForPixel) {
  const std::string png = std::string(DRAVLEN_TEST_DATA) + "/images/basn2c08.png";
  TImageObj* img = Make({{HtmlSymbol::Src, png}, {HtmlSymbol::Align, "top"}});
  Layout(img);
  ASSERT_EQ(img->ObjWidth, 32);
  ASSERT_EQ(img->ObjHeight, 32);
  const platform::Bitmap* decoded = img->PictureBitmap();
  ASSERT_NE(decoded, nullptr);
  const platform::Bitmap b = DrawOnWhite(img, 20, 10);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x)
      ASSERT_EQ(At(b, 20 + x, 10 + y), platform::ColourToRgb(decoded->Pixel(x, y))) << x << "," << y;
  // The gradient really is there (not one colour everywhere).
  EXPECT_NE(At(b, 20, 10), At(b, 51, 41));
  EXPECT_EQ(At(b, 19, 10), kWhite);
  EXPECT_EQ(At(b, 52, 10), kWhite);
}

TEST_F(ImageObjTest, TransparentImageLetsTheBackgroundThroughWhereTheLowerLeftColourIs) {
  TImageObj* img = Make({{HtmlSymbol::Src, wide_}, {HtmlSymbol::Transp, ""}, {HtmlSymbol::Align, "top"}});
  Layout(img);
  ASSERT_NE(img->Mask(), nullptr);
  EXPECT_EQ(img->Transparency(), ttLowerLeft);
  const platform::Bitmap b = DrawOnWhite(img, 0, 0);
  EXPECT_EQ(At(b, 5, 19), kWhite);   // the green row
  EXPECT_EQ(At(b, 5, 18), kRed);
  EXPECT_EQ(At(b, 25, 18), kBlue);

  // The same picture without TRANSP draws opaque although the entry now has a mask.
  TImageObj* opaque = Make({{HtmlSymbol::Src, wide_}, {HtmlSymbol::Align, "top"}});
  Layout(opaque);
  EXPECT_EQ(At(DrawOnWhite(opaque, 0, 0), 5, 19), kGreen);
}

TEST_F(ImageObjTest, MissingImageDrawsTheErrorPlaceholderAltTextAndASunkenFrame) {
  TImageObj* img = Make({{HtmlSymbol::Src, missing_}, {HtmlSymbol::Alt, "Hi"}, {HtmlSymbol::Align, "top"}});
  Layout(img);
  ASSERT_EQ(img->Kind(), TImageObj::PictureKind::Error);
  ASSERT_EQ(img->ObjWidth, 38);
  ASSERT_EQ(img->ObjHeight, 24);
  TMyFont blue = Font();
  blue.color = kBlue;
  TFontObj blueRun(section_.get(), blue, 0);
  const platform::Bitmap b = DrawOnWhite(img, 10, 10, &blueRun);
  // The error picture 4 pixels in, as its own 16 x 16 bitmap shows it.
  const platform::Bitmap& error = ErrorImage();
  const platform::Bitmap& mask = ErrorImageMask();
  int compared = 0;
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x)
      if (mask.Pixel(x, y) != platform::clWhite && x > 0 && y > 0) {
        EXPECT_EQ(At(b, 14 + x, 14 + y), platform::ColourToRgb(error.Pixel(x, y))) << x << "," << y;
        ++compared;
      }
  EXPECT_GT(compared, 20);
  // The alt text from 24 pixels in, 4 down, in the run's colour (FixedMetric
  // glyphs are solid blocks from the cell top).
  EXPECT_EQ(At(b, 10 + 24 + 1, 14 + 4), kBlue);
  // Sunken frame: shadow at top and left, highlight at bottom and right.
  EXPECT_EQ(At(b, 20, 10), platform::ColourToRgb(platform::clBtnShadow));
  EXPECT_EQ(At(b, 10, 20), platform::ColourToRgb(platform::clBtnShadow));
  EXPECT_EQ(At(b, 20, 33), platform::ColourToRgb(platform::clBtnHighlight));
  EXPECT_EQ(At(b, 47, 20), platform::ColourToRgb(platform::clBtnHighlight));
  EXPECT_EQ(img->Bitmap(), nullptr);   // no bitmap of the error placeholder
}

TEST_F(ImageObjTest, SmallReservedBoxDrawsNoPlaceholderPicture) {
  TImageObj* img = Make({{HtmlSymbol::Src, missing_}, {HtmlSymbol::Width, "40"}, {HtmlSymbol::Height, "20"},
                         {HtmlSymbol::Align, "top"}});
  Layout(img);
  const platform::Bitmap b = DrawOnWhite(img, 0, 0);
  for (int y = 1; y < 19; ++y)
    for (int x = 1; x < 39; ++x) ASSERT_EQ(At(b, x, y), kWhite) << x << "," << y;
  EXPECT_EQ(At(b, 5, 0), platform::ColourToRgb(platform::clBtnShadow));   // the frame is drawn
}

TEST_F(ImageObjTest, ImagesOffFetchNothingAndShowTheWaitingPlaceholder) {
  doc_->ShowImages = false;
  TImageObj* img = Make({{HtmlSymbol::Src, wide_}, {HtmlSymbol::Align, "top"}, {HtmlSymbol::Border, "1"}});
  Layout(img);
  EXPECT_EQ(doc_->Fetches, 0);
  EXPECT_FALSE(img->ShowsPicture());
  const platform::Bitmap b = DrawOnWhite(img, 0, 0);
  const platform::Bitmap& waiting = DelayedImage();
  int compared = 0;
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x)
      if (waiting.Alpha(x, y) == 255) {
        EXPECT_EQ(At(b, 1 + 4 + x, 1 + 4 + y), platform::ColourToRgb(waiting.Pixel(x, y)));
        ++compared;
      }
  EXPECT_GT(compared, 20);
  EXPECT_EQ(At(b, 0, 10), platform::clBlack);   // the 1-pixel border in the run's colour

  // Switched on, the next layout fetches the picture.
  doc_->ShowImages = true;
  Layout(img);
  EXPECT_EQ(doc_->Fetches, 1);
  EXPECT_EQ(img->ObjWidth, 42);
}

TEST_F(ImageObjTest, FocusRectangleWhenTheLinkHasTheFocus) {
  TImageObj* img = Make({{HtmlSymbol::Src, wide_}, {HtmlSymbol::Align, "top"}, {HtmlSymbol::Border, "0"}});
  Layout(img, link_.get());
  const platform::Bitmap idle = DrawOnWhite(img, 10, 10, link_.get());
  link_->Active = true;
  const platform::Bitmap focused = DrawOnWhite(img, 10, 10, link_.get());
  link_->Active = false;
  int changed = 0;
  for (int x = 10; x < 50; ++x) changed += At(idle, x, 10) != At(focused, x, 10);
  EXPECT_GT(changed, 5);
  EXPECT_EQ(At(focused, 25, 20), kRed);   // inside is the picture

  // The same for an image form control with the focus.
  auto* control = reinterpret_cast<TFormControlObj*>(&changed);   // identity only
  img->MyFormControl = control;
  doc_->ActiveControl = control;
  const platform::Bitmap byControl = DrawOnWhite(img, 10, 10, plain_.get());
  EXPECT_EQ(At(byControl, 10, 10), At(focused, 10, 10));
}

// ---------------------------------------------------------------------------
// Animated pictures and hover images

TEST_F(ImageObjTest, AnimatedGifJoinsTheAnimationListAndSharedOnesAreCopied) {
  const std::string gif = WriteGif("anim.gif", 4);
  TImageObj* first = Make({{HtmlSymbol::Src, gif}});
  TImageObj* second = Make({{HtmlSymbol::Src, gif}});
  Layout(first);
  Layout(second);
  ASSERT_NE(first->Gif(), nullptr);
  ASSERT_NE(second->Gif(), nullptr);
  EXPECT_NE(first->Gif(), second->Gif());
  EXPECT_EQ(first->Gif()->Strip(), second->Gif()->Strip());
  EXPECT_EQ(doc_->Animated, (std::vector<TGIFImage*>{first->Gif(), second->Gif()}));
  EXPECT_EQ(first->ObjWidth, 1);

  second->Gif()->SetCurrentFrame(2);
  const platform::Bitmap* frame = second->Bitmap();
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(platform::ColourToRgb(frame->Pixel(0, 0)), kBlue);
  EXPECT_EQ(platform::ColourToRgb(first->Bitmap()->Pixel(0, 0)), kRed);

  platform::Bitmap target(10, 10, kWhite);
  {
    platform::Canvas canvas(&target.Image());
    second->Gif()->SetVisible(false);
    second->VertAlign = TVAlign::Top;
    second->Draw(canvas, 2, 2, 8, plain_.get());
  }
  EXPECT_TRUE(second->Gif()->Visible());
  EXPECT_EQ(At(target, 2, 2), kBlue);
}

TEST_F(ImageObjTest, HoverImageFramesFollowTheHoverState) {
  struct Step {
    int state;
    int frame;
    bool animating;
  };
  struct Case {
    int frames;
    std::vector<Step> steps;
  };
  const Case cases[] = {
      {2, {{1, 2, false}, {2, 2, false}, {0, 1, false}}},
      {3, {{1, 2, false}, {2, 3, false}, {1, 2, false}, {0, 1, false}}},
      {4, {{1, 1, true}, {0, 1, false}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.frames);
    const std::string gif = WriteGif("hover" + std::to_string(c.frames) + ".gif", c.frames);
    TImageObj* img = Make({{HtmlSymbol::Src, gif}, {HtmlSymbol::Active, ""}});
    Layout(img);
    ASSERT_NE(img->Gif(), nullptr);
    EXPECT_TRUE(doc_->Animated.empty());   // hover images do not animate on their own
    EXPECT_FALSE(img->Gif()->Animate());
    for (const Step& s : c.steps) {
      const int before = doc_->Invalidations;
      img->SetHover(s.state);
      EXPECT_EQ(img->Hover, s.state);
      EXPECT_EQ(img->Gif()->CurrentFrame(), s.frame) << s.state;
      EXPECT_EQ(img->Gif()->Animate(), s.animating);
      EXPECT_EQ(doc_->Animated.size(), s.animating ? 1u : 0u);
      EXPECT_EQ(doc_->Invalidations, before + 1);
    }
  }
}

TEST_F(ImageObjTest, LeavingHoverOnALongAnimationKeepsItsFrame) {
  const std::string gif = WriteGif("long.gif", 5);
  TImageObj* img = Make({{HtmlSymbol::Src, gif}, {HtmlSymbol::Active, ""}});
  Layout(img);
  img->SetHover(1);
  img->Gif()->SetCurrentFrame(4);
  img->SetHover(0);
  EXPECT_EQ(img->Gif()->CurrentFrame(), 4);
  EXPECT_FALSE(img->Gif()->Animate());
  EXPECT_TRUE(doc_->Animated.empty());
}

// ---------------------------------------------------------------------------
// The object list

TEST_F(ImageObjTest, ListQueriesByPosition) {
  TImageObj* a = Make({{HtmlSymbol::Src, wide_}, {HtmlSymbol::VSpace, "3"}}, 4);
  TImageObj* b = Make({{HtmlSymbol::Src, wide_}, {HtmlSymbol::Align, "left"}, {HtmlSymbol::Border, "1"}}, 9);
  Layout(a);
  Layout(b);
  TVAlign align = TVAlign::None;
  int hl = -1, hr = -1;
  TFloatingObj* obj = nullptr;
  EXPECT_EQ(images_.GetHeightAt(4, align, obj), 20 + 6);
  EXPECT_EQ(obj, a);
  EXPECT_EQ(align, TVAlign::Bottom);
  EXPECT_EQ(images_.GetWidthAt(9, align, hl, hr, obj), 42);
  EXPECT_EQ(obj, b);
  EXPECT_EQ(align, TVAlign::Left);
  EXPECT_EQ(hl, 3);
  EXPECT_EQ(hr, 3);
  EXPECT_EQ(images_.GetHeightAt(5, align, obj), -1);
  EXPECT_EQ(obj, nullptr);
  EXPECT_EQ(images_.FindImage(9), b);

  const int counts[][2] = {{0, 4}, {4, 0}, {5, 4}, {9, 0}, {10, kNoObjectCount}};
  for (const auto& c : counts) EXPECT_EQ(images_.GetImageCountAt(c[0]), c[1]) << c[0];

  images_.Decrement(6);
  EXPECT_EQ(a->Pos, 4);
  EXPECT_EQ(b->Pos, 8);
  images_.Decrement(2);
  EXPECT_EQ(a->Pos, 3);
}

TEST_F(ImageObjTest, PointInImageFindsTheDrawnPictureAndItsMap) {
  auto map = std::make_unique<TMapItem>();
  map->MapName = "NAV";
  const TMapItem* navMap = map.get();
  doc_->Maps.push_back(std::move(map));
  TImageObj* mapped = Make({{HtmlSymbol::Src, wide_}, {HtmlSymbol::UseMap, "#nav"}, {HtmlSymbol::Border, "2"},
                            {HtmlSymbol::Align, "top"}}, 2);
  TImageObj* isMap = Make({{HtmlSymbol::Src, wide_}, {HtmlSymbol::IsMap, ""}, {HtmlSymbol::Align, "top"}}, 6);
  TImageObj* never = Make({{HtmlSymbol::Src, wide_}}, 8);
  for (TImageObj* i : {mapped, isMap, never}) Layout(i);
  doc_->YOff = 100;
  DrawOnWhite(mapped, 10, 110);   // drawn at (12, 112) in the document
  DrawOnWhite(isMap, 70, 110);

  int ix = -1, iy = -1, posn = -1;
  bool ismap = true;
  const TMapItem* found = nullptr;
  TImageObj* image = nullptr;
  ASSERT_TRUE(images_.PtInImage(15, 120, ix, iy, posn, ismap, found, image));
  EXPECT_EQ(image, mapped);
  EXPECT_EQ(ix, 3);
  EXPECT_EQ(iy, 8);
  EXPECT_EQ(posn, 2);
  EXPECT_FALSE(ismap);
  EXPECT_EQ(found, navMap);

  ASSERT_TRUE(images_.PtInImage(109, 129, ix, iy, posn, ismap, found, image));
  EXPECT_EQ(image, isMap);
  EXPECT_EQ(ix, 39);
  EXPECT_EQ(iy, 19);
  EXPECT_TRUE(ismap);
  EXPECT_EQ(found, nullptr);

  // The border is not the image; an image never drawn is not hit.
  EXPECT_FALSE(images_.PtInImage(11, 120, ix, iy, posn, ismap, found, image));
  EXPECT_FALSE(images_.PtInImage(110, 120, ix, iy, posn, ismap, found, image));
  EXPECT_FALSE(images_.PtInImage(0, 0, ix, iy, posn, ismap, found, image));

  TFloatingObj* obj = nullptr;
  ASSERT_TRUE(images_.PtInObject(80, 115, obj, ix, iy));
  EXPECT_EQ(obj, isMap);
  EXPECT_EQ(ix, 10);
  EXPECT_EQ(iy, 5);
  EXPECT_FALSE(images_.PtInObject(5, 5, obj, ix, iy));
  EXPECT_EQ(obj, nullptr);
}

TEST_F(ImageObjTest, ListCopyCopiesImages) {
  TImageObj* a = Make({{HtmlSymbol::Src, wide_}, {HtmlSymbol::Width, "30"}, {HtmlSymbol::Align, "right"}}, 3);
  Layout(a);
  TImageObjList copy;
  copy.CopyFrom(doc_.get(), images_);
  ASSERT_EQ(copy.Count(), 1);
  auto* c = dynamic_cast<TImageObj*>(copy[0]);
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->Pos, 3);
  EXPECT_EQ(c->ObjWidth, 30);
  EXPECT_EQ(c->VertAlign, TVAlign::Right);
  EXPECT_TRUE(c->ImageKnown);
  EXPECT_EQ(c->Source, wide_);
  EXPECT_EQ(c->PictureBitmap(), a->PictureBitmap());
}

TEST_F(ImageObjTest, PlainBitmapIsCopiedOnce) {
  TImageObj* img = Make({{HtmlSymbol::Src, wide_}});
  EXPECT_EQ(img->Bitmap(), nullptr);   // nothing fetched yet
  Layout(img);
  const platform::Bitmap* first = img->Bitmap();
  ASSERT_NE(first, nullptr);
  EXPECT_NE(first, img->PictureBitmap());
  EXPECT_EQ(img->Bitmap(), first);
  EXPECT_EQ(first->Width(), 40);
  EXPECT_EQ(platform::ColourToRgb(first->Pixel(30, 5)), kBlue);
}
