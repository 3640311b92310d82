// The document root: clearing, layout and drawing of its sections, image
// fetching through the cache, the animation timer, links and hovers, IDs,
// positions, selection text and inline border records.
#include "htmlview/layout/docroot.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include <QImage>
#include <QWidget>
#include <gtest/gtest.h>

#include "htmlview/parse/attributes.h"
#include "htmlview/layout/formcontrols.h"
#include "htmlview/images/gdipimage.h"
#include "htmlview/images/imageload.h"
#include "htmlview/images/imagemodule.h"
#include "htmlview/layout/imageobj.h"
#include "htmlview/images/pngcodec.h"
#include "htmlview/parse/vocabulary.h"
#include "platform/fonts.h"
#include "platform/image.h"
#include "platform/streams.h"
#include "platform/timers.h"
#include "testsupport/testenv.h"

namespace {

using namespace htmlview;

const std::string kData = DRAVLEN_TEST_DATA;

// A band of text: positions follow the text, source positions start at
// SourceStart, characters are 8 pixels wide. It may draw an animation, queue
// an image for the draw list, and answer hit tests with a link run or an
// image.
class TestSection : public TSectionBase {
 public:
  TestSection(TSectionListBase* root, std::u16string text, int height, int sourceStart = 0)
      : TSectionBase(root), Text(std::move(text)), Height(height), SourceStart(sourceStart) {}

  std::u16string Text;
  int Height;
  int SourceStart;
  TGIFImage* Gif = nullptr;
  TImageObj* Image = nullptr;
  TFontObj* LinkRun = nullptr;
  int Draws = 0;
  int Layouts = 0;
  const platform::Palette* SeenPalette = nullptr;

  TSectionList* List() const { return static_cast<TSectionList*>(Root); }

  int Layout(platform::Canvas& canvas, int x, int y, int xRef, int yRef, int aWidth, int aHeight,
             int blHt, IndentManager& iMgr, int& maxWidth, int& curs) override {
    ++Layouts;
    SectionHeight = Height;
    const int h = TSectionBase::Layout(canvas, x, y, xRef, yRef, aWidth, aHeight, blHt, iMgr,
                                       maxWidth, curs);
    Len = static_cast<int>(Text.size());
    curs += Len;
    maxWidth = Len * 8;
    return h;
  }
  int Draw(platform::Canvas& canvas, TDrawContext& context, const platform::Rect& aRect,
           IndentManager& iMgr, int x, int xRef, int yRef) override {
    ++Draws;
    SeenPalette = canvas.SelectedPalette();
    if (Gif) {
      Gif->SetVisible(true);
      Gif->Draw(canvas, x, DrawTop - Root->YOff, Gif->Width(), Gif->Height());
    }
    if (Image) context.DrawList.AddImage(Image, &canvas, x, DrawTop, DrawTop + Height, nullptr);
    return TSectionBase::Draw(canvas, context, aRect, iMgr, x, xRef, yRef);
  }
  void CopyText(SelTextCount& holder) override {
    const int from = std::max(Root->SelB, StartCurs) - StartCurs;
    const int to = std::min(Root->SelE, StartCurs + Len) - StartCurs;
    if (to > from) holder.AddText(Text.data() + from, to - from);
  }
  bool CursorToXY(platform::Canvas*, int cursor, int& x, int& y) override {
    if (cursor < StartCurs || cursor >= StartCurs + Len) return false;
    x = (cursor - StartCurs) * 8;
    y = SectionTop;
    return true;
  }
  int DocPosOf(int sourcePos, bool) override {
    if (sourcePos < SourceStart || sourcePos >= SourceStart + Len) return -1;
    return StartCurs + sourcePos - SourceStart;
  }
  unsigned HitLink(platform::Canvas&, int, int, std::unique_ptr<TUrlTarget>& url,
                   TFormControlObj*&, std::string&) override {
    unsigned flags = 0;
    if (LinkRun) {
      List()->LinkHover = LinkRun;
      url = std::make_unique<TUrlTarget>(*LinkRun->UrlTarget);
      flags |= guUrl;
    }
    if (Image) List()->ActiveImage = Image;
    return flags;
  }
};

class TestPanel : public TDocPanel {
 public:
  explicit TestPanel(QWidget* parent) : widget(new QWidget(parent)) {}
  QWidget* WindowedControl() const override { return widget; }
  QWidget* widget;
};

class DocRootTest : public ::testing::Test {
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
    now_ = 1000;
    platform::SetClock([this] { return now_; });
    dir_ = testsupport::MakeTempDir("docroot");
    png_ = testsupport::CopyInto(kData + "/images/basn2c08.png", dir_, "photo.png");
    still_ = testsupport::CopyInto(kData + "/gif/transparent.gif", dir_, "still.gif");
    opaqueGif_ = testsupport::CopyInto(kData + "/gif/four-colors.gif", dir_, "opaque.gif");
    anim1_ = testsupport::CopyInto(kData + "/gif/animation.gif", dir_, "anim1.gif");
    anim2_ = testsupport::CopyInto(kData + "/gif/animation.gif", dir_, "anim2.gif");
    owner_ = std::make_unique<QWidget>();
    panel_ = new platform::Control(owner_.get());
    panel_->SetBounds(0, 0, 300, 300);
    cache_ = std::make_unique<TStringBitmapList>();
    root_ = std::make_unique<TSectionList>(owner_.get(), panel_);
    root_->SetBitmapList(cache_.get());
    image_ = QImage(300, 300, QImage::Format_ARGB32);
    image_.fill(Qt::white);
    canvas_ = std::make_unique<platform::Canvas>(&image_);
  }
  void TearDown() override {
    canvas_.reset();
    root_.reset();
    cache_.reset();
    owner_.reset();
    platform::SetClock(nullptr);
    DoneImageModule();
    DoneStyleProps();
  }

  TestSection* AddSection(std::u16string text, int height, int sourceStart = 0) {
    auto s = std::make_unique<TestSection>(root_.get(), std::move(text), height, sourceStart);
    TestSection* raw = s.get();
    root_->Add(std::move(s), 0);
    return raw;
  }
  int DoLayout(int width = 300) {
    int maxWidth = 0, curs = 0;
    return root_->Layout(*canvas_, 0, width, 300, 0, maxWidth, curs);
  }
  int DoDraw() {
    return root_->Draw(*canvas_, context_, platform::Rect{0, 0, 300, 300}, 6000, 0, 0, 0, 0);
  }

  TViewImage* Fetch(const std::string& url, TImageTransparency& tr, bool& delayed, bool& fromCache,
                    const platform::Bitmap*& mask) {
    return root_->FetchImage(url, tr, delayed, fromCache, mask);
  }
  TViewImage* Fetch(const std::string& url, TImageTransparency tr = ttNone) {
    bool delayed = false, fromCache = false;
    const platform::Bitmap* mask = nullptr;
    return Fetch(url, tr, delayed, fromCache, mask);
  }
  static TMyFont RunFont() {
    TMyFont font;
    font.name = "Times New Roman";
    font.height = 16;
    return font;
  }
  // The root's hit test at a point; the link found, or "".
  std::string Hit(int x, int y, unsigned* flags = nullptr) {
    std::unique_ptr<TUrlTarget> url;
    TFormControlObj* control = nullptr;
    std::string title;
    const unsigned f = root_->HitTest(*canvas_, x, y, url, control, title);
    if (flags) *flags = f;
    return url ? url->URL : "";
  }
  int UseCount(const std::string& url) const {
    const int index = cache_->IndexOf(ImageCacheKey(url));
    return index < 0 ? -1 : cache_->Objects(index)->UseCount;
  }

  int64_t now_ = 0;
  std::string dir_, png_, still_, opaqueGif_, anim1_, anim2_;
  std::unique_ptr<TStringBitmapList> cache_;
  std::unique_ptr<QWidget> owner_;
  platform::Control* panel_ = nullptr;
  std::unique_ptr<TSectionList> root_;
  QImage image_;
  std::unique_ptr<platform::Canvas> canvas_;
  TDrawContext context_;
};

// ------------------------------------------------------------ layout, draw

TEST_F(DocRootTest, LayoutStacksSectionsCountsPositionsAndFillsThePositionList) {
  TestSection* a = AddSection(u"Hello ", 20);
  TestSection* b = AddSection(u"big ", 30);
  TestSection* c = AddSection(u"world", 10);
  int maxWidth = 0, curs = 0;
  EXPECT_EQ(root_->Layout(*canvas_, 0, 300, 300, 0, maxWidth, curs), 60);
  EXPECT_EQ(curs, 15);
  EXPECT_EQ(root_->Len, 15);
  EXPECT_EQ(maxWidth, 48);
  EXPECT_EQ(a->SectionTop, 0);
  EXPECT_EQ(b->SectionTop, 20);
  EXPECT_EQ(c->SectionTop, 50);
  EXPECT_EQ(b->StartCurs, 6);
  EXPECT_EQ(root_->CycleNumber, 1);
  ASSERT_EQ(root_->PositionList.size(), 3u);
  EXPECT_EQ(root_->PositionList[0], a);
  EXPECT_EQ(root_->PositionList[2], c);

  // The position list is filled once per document, the cycle counts on.
  DoLayout();
  EXPECT_EQ(root_->PositionList.size(), 3u);
  EXPECT_EQ(root_->CycleNumber, 2);
  EXPECT_EQ(root_->LayoutContext().TableDepth, 0);
}

TEST_F(DocRootTest, DrawReachesEverySectionAndSetsThePageBottom) {
  TestSection* a = AddSection(u"one", 20);
  TestSection* b = AddSection(u"two", 25);
  DoLayout();
  root_->YOff = 7;
  EXPECT_EQ(DoDraw(), 45);
  EXPECT_EQ(context_.PageBottom, 307);
  EXPECT_EQ(a->Draws, 1);
  EXPECT_EQ(b->Draws, 1);
  EXPECT_TRUE(context_.FirstLineDrawn);   // no text line cleared it
}

TEST_F(DocRootTest, OnPaletteScreensTheSectionsDrawWithTheScreenPalette) {
  TestSection* s = AddSection(u"x", 10);
  DoLayout();
  DoDraw();
  EXPECT_EQ(s->SeenPalette, nullptr);
  platform::SetScreenDepth(8);
  ASSERT_NE(ScreenPalette(), nullptr);
  DoDraw();
  EXPECT_EQ(s->SeenPalette, ScreenPalette());
  EXPECT_EQ(canvas_->SelectedPalette(), nullptr);   // restored afterwards
  platform::SetScreenDepth(24);
}

TEST_F(DocRootTest, TheTimerGoesWithTheViewerIfTheViewerGoesFirst) {
  AddSection(u"x", 10);
  DoLayout();
  ASSERT_NE(root_->AnimationTimer(), nullptr);
  EXPECT_EQ(root_->AnimationTimer()->parentWidget(), owner_.get());
  owner_.reset();
  EXPECT_EQ(root_->AnimationTimer(), nullptr);
  root_->Clear();   // nothing freed twice
  owner_ = std::make_unique<QWidget>();
}

TEST_F(DocRootTest, TheRootKeepsTheFormsAndParksUndrawnControlsOffScreen) {
  owner_->show();
  ASSERT_EQ(FormsOf(root_.get()), static_cast<TSectionListForms*>(root_.get()));
  ThtmlForm* form = ThtmlForm::Create(root_.get(), nullptr);
  ASSERT_NE(form, nullptr);
  TAttributeList attributes;
  attributes.Add(TAttribute(HtmlSymbol::Name, "NAME", 0, "q"));
  attributes.Add(TAttribute(HtmlSymbol::Value, "VALUE", 0, "x"));
  auto* hidden = form->InsertControl(
      std::make_unique<THiddenFormControlObj>(root_.get(), 0, attributes, form));
  auto* edit = form->InsertControl(
      std::make_unique<TEditFormControlObj>(root_.get(), 1, attributes, "text", form));
  EXPECT_EQ(root_->FormList.Count(), 1);
  EXPECT_EQ(root_->FormControlList.size(), 2u);
  ASSERT_NE(edit->TheControl(), nullptr);
  EXPECT_EQ(hidden->TheControl(), nullptr);
  const auto data = root_->FormSubmissionData();
  ASSERT_EQ(data.size(), 1u);
  EXPECT_FALSE(data[0].empty());

  DoLayout();
  edit->Place(10, 10);
  edit->ShowIt = true;
  root_->SetYOffset(40);
  EXPECT_TRUE(root_->YOffChange);
  EXPECT_FALSE(edit->ShowIt);
  DoDraw();   // no section placed the control this time
  EXPECT_FALSE(root_->YOffChange);
  EXPECT_TRUE(edit->TheControl()->isVisible());
  EXPECT_EQ(edit->TheControl()->x(), -4000);

  root_->Clear();
  EXPECT_EQ(root_->FormList.Count(), 0);
  EXPECT_TRUE(root_->FormControlList.empty());
}

TEST_F(DocRootTest, ScrollingHidesPanelsTheNextDrawDoesNotShow) {
  TestPanel shown(panel_), gone(panel_);
  root_->PanelList = {&shown, &gone};
  owner_->show();
  shown.ShowIt = gone.ShowIt = true;
  root_->SetYOffset(10);
  EXPECT_FALSE(shown.ShowIt);
  EXPECT_FALSE(gone.ShowIt);
  shown.ShowIt = true;   // what a section's draw does for a panel on the page
  DoDraw();
  EXPECT_TRUE(shown.widget->isVisible());
  EXPECT_FALSE(gone.widget->isVisible());
}

// Parking the controls and hiding the panels no section placed after a
// scroll is the screen's: a printed page and the run that finds where one
// ends leave the windows alone, and the screen's next draw still does it.
TEST_F(DocRootTest, OnlyAScreenDrawParksControlsAndHidesPanelsAfterAScroll) {
  owner_->show();
  ThtmlForm* form = ThtmlForm::Create(root_.get(), nullptr);
  TAttributeList attributes;
  auto* edit = form->InsertControl(
      std::make_unique<TEditFormControlObj>(root_.get(), 0, attributes, "text", form));
  TestPanel panel(panel_);
  root_->PanelList = {&panel};
  DoLayout();
  edit->Place(10, 10);
  panel.widget->show();
  root_->SetYOffset(40);
  struct Case {
    const char* name;
    bool measuring;
  };
  for (const Case c : {Case{"measuring", true}, Case{"printed page", false}}) {
    SCOPED_TRACE(c.name);
    TDrawContext printing;
    printing.Printing = true;
    printing.Measuring = c.measuring;
    root_->Draw(*canvas_, printing, platform::Rect{0, 0, 300, 300}, 6000, 0, 0, 0, 0);
    EXPECT_EQ(edit->TheControl()->pos(), QPoint(10, 10));
    EXPECT_TRUE(panel.widget->isVisible());
    EXPECT_TRUE(root_->YOffChange) << "the screen's next draw still owes it";
  }
  DoDraw();
  EXPECT_EQ(edit->TheControl()->x(), -4000);
  EXPECT_FALSE(panel.widget->isVisible());
  EXPECT_FALSE(root_->YOffChange);
  root_->PanelList.clear();
}

TEST_F(DocRootTest, ControlsStayWhereTheyAreWhileTheViewerIsHidden) {
  ThtmlForm* form = ThtmlForm::Create(root_.get(), nullptr);
  TAttributeList attributes;
  auto* edit = form->InsertControl(
      std::make_unique<TEditFormControlObj>(root_.get(), 0, attributes, "text", form));
  edit->Place(10, 10);
  EXPECT_FALSE(root_->ViewerVisible());
  DoLayout();
  EXPECT_EQ(edit->TheControl()->x(), 10);
}

TEST_F(DocRootTest, ClearEmptiesTheDocumentForTheNextLoad) {
  int changes = 0;
  root_->OnBackgroundChange = [&](TSectionList&) { ++changes; };
  root_->SetDefaults("Times New Roman", std::string(40, 'C'), 12, platform::clBlack,
                     platform::clBlue, platform::clPurple, platform::clRed, platform::clYellow,
                     true, true, 1, 5, 10);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(root_->Background, platform::clYellow);
  EXPECT_EQ(root_->PreFontName.size(), 32u);
  EXPECT_TRUE(root_->LinksActive);
  EXPECT_GT(root_->Styles.Count(), 0);

  AddSection(u"abc", 10);
  root_->AddChPosObject("top", 0);
  root_->MapList.Add(std::make_unique<TMapItem>());
  root_->AddMissingImage("later.png", nullptr);
  ThtmlForm::Create(root_.get(), nullptr);
  TProperties prop;
  root_->AddInlineBorder(3, prop, true);
  root_->SetBackgroundImage(png_, PositionRecArray{});
  root_->LoadBackground();
  EXPECT_EQ(UseCount(png_), 1);
  DoLayout();
  root_->SelB = 1;
  root_->SelE = 2;
  ASSERT_NE(root_->AnimationTimer(), nullptr);

  root_->Clear();
  EXPECT_EQ(root_->Count(), 0);
  EXPECT_EQ(root_->Len, 0);
  EXPECT_EQ(root_->FindID("top"), nullptr);
  EXPECT_TRUE(root_->PositionList.empty());
  EXPECT_EQ(root_->MapList.Count(), 0);
  EXPECT_TRUE(root_->MissingImages.empty());
  EXPECT_EQ(root_->FormList.Count(), 0);
  EXPECT_EQ(root_->InlineList.Count(), 0);
  EXPECT_TRUE(root_->InlineList.NeedsConverting);
  EXPECT_EQ(root_->Styles.Count(), 0);
  EXPECT_EQ(root_->AnimationTimer(), nullptr);
  EXPECT_EQ(root_->SelB, 0);
  EXPECT_EQ(root_->SelE, 0);
  EXPECT_TRUE(root_->BackgroundName.empty());
  EXPECT_EQ(root_->BackgroundBitmap, nullptr);
  EXPECT_FALSE(root_->BackgroundLoaded);
  // The background's use of its cache entry is given back (under the key
  // the cache filed it by, not the name as written).
  EXPECT_EQ(UseCount(png_), 0);

  // Usable again: a second document lays out from scratch.
  AddSection(u"xy", 10);
  DoLayout();
  EXPECT_EQ(root_->Len, 2);
  EXPECT_EQ(root_->PositionList.size(), 1u);
}

// --------------------------------------------------------------- fetching

TEST_F(DocRootTest, FetchLoadsFilesIntoTheCacheUnderANormalisedKey) {
  EXPECT_EQ(Fetch(""), nullptr);
  EXPECT_EQ(cache_->Count(), 0);   // an empty URL touches no entry

  TImageTransparency tr = ttNone;
  bool delayed = true, fromCache = true;
  const platform::Bitmap* mask = nullptr;
  TViewImage* first = Fetch(png_, tr, delayed, fromCache, mask);
  ASSERT_NE(first, nullptr);
  ASSERT_NE(first->Bitmap(), nullptr);
  EXPECT_EQ(first->Bitmap()->Width(), 32);
  EXPECT_FALSE(delayed);
  EXPECT_FALSE(fromCache);
  EXPECT_EQ(mask, nullptr);
  EXPECT_EQ(UseCount(png_), 1);

  // The same URL in another case with blanks around it is the same entry.
  std::string shouted = png_;
  for (char& ch : shouted) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
  TViewImage* second = Fetch("  " + shouted + " ", tr, delayed, fromCache, mask);
  EXPECT_EQ(second, first);
  EXPECT_TRUE(fromCache);
  EXPECT_EQ(cache_->Count(), 1);
  EXPECT_EQ(UseCount(png_), 2);
}

TEST_F(DocRootTest, ALowerLeftMaskIsMadeOnceForACachedBitmap) {
  ASSERT_NE(Fetch(png_), nullptr);
  TImageTransparency tr = ttLowerLeft;
  bool delayed = false, fromCache = false;
  const platform::Bitmap* mask = nullptr;
  ASSERT_NE(Fetch(png_, tr, delayed, fromCache, mask), nullptr);
  ASSERT_NE(mask, nullptr);
  EXPECT_EQ(cache_->Objects(cache_->IndexOf(ImageCacheKey(png_)))->Transparency, ttLowerLeft);
  const platform::Bitmap* again = nullptr;
  Fetch(png_, tr, delayed, fromCache, again);
  EXPECT_EQ(again, mask);
}

TEST_F(DocRootTest, GifsOfOneFrameBecomeBitmapsAnimationsStayGifs) {
  TImageTransparency tr = ttNone;
  bool delayed = false, fromCache = false;
  const platform::Bitmap* mask = nullptr;
  TViewImage* still = Fetch(still_, tr, delayed, fromCache, mask);
  ASSERT_NE(still, nullptr);
  ASSERT_NE(still->Bitmap(), nullptr);
  EXPECT_EQ(still->Gif(), nullptr);
  EXPECT_EQ(tr, ttGifMask);
  ASSERT_NE(mask, nullptr);
  EXPECT_EQ(cache_->Objects(cache_->IndexOf(ImageCacheKey(still_)))->Transparency, ttGifMask);

  // A later request of the transparent still is told its transparency.
  tr = ttNone;
  Fetch(still_, tr, delayed, fromCache, mask);
  EXPECT_TRUE(fromCache);
  EXPECT_EQ(tr, ttGifMask);

  // An opaque still gets a lower-left mask only when asked for one.
  tr = ttNone;
  TViewImage* opaque = Fetch(opaqueGif_, tr, delayed, fromCache, mask);
  ASSERT_NE(opaque, nullptr);
  ASSERT_NE(opaque->Bitmap(), nullptr);
  EXPECT_EQ(mask, nullptr);
  EXPECT_EQ(tr, ttNone);

  TViewImage* anim = Fetch(anim1_);
  ASSERT_NE(anim, nullptr);
  ASSERT_NE(anim->Gif(), nullptr);
  EXPECT_TRUE(anim->Gif()->IsAnimated());
}

TEST_F(DocRootTest, FailedFetchesGiveNoneAndLeaveTheCacheAlone) {
  const struct {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"missing.png", ""},
      {"garbage.png", "\x89PNG\r\n\x1a\n this is no image data at all, not even close"},
      {"broken.gif", "GIF89a\x10\x00\x10\x00 truncated"},
      {"text.txt", "plain words, no picture here at all"},
  };
  for (const auto& c : cases) {
    const std::string path = dir_ + "/" + c.name;
    if (!c.bytes.empty()) testsupport::WriteAll(path, c.bytes);
    TImageTransparency tr = ttNone;
    bool delayed = true, fromCache = true;
    const platform::Bitmap* mask = &ErrorImageMask();
    EXPECT_EQ(Fetch(path, tr, delayed, fromCache, mask), nullptr) << c.name;
    EXPECT_FALSE(delayed) << c.name;
    EXPECT_FALSE(fromCache) << c.name;
    EXPECT_EQ(mask, nullptr) << c.name;
  }
  EXPECT_EQ(cache_->Count(), 0);
}

TEST_F(DocRootTest, AGraphicsLibraryFailureIsAFailedFetch) {
  // The engine is only switched on while nobody holds it.
  root_.reset();
  cache_.reset();
  ASSERT_EQ(GdiPlusUsers(), 0);
  SetGdiPlusAvailable(true);
  cache_ = std::make_unique<TStringBitmapList>();
  ASSERT_TRUE(GDIPlusActive());
  root_ = std::make_unique<TSectionList>(owner_.get(), panel_);
  root_->SetBitmapList(cache_.get());

  const std::string bad = dir_ + "/bad.png";
  testsupport::WriteAll(bad, std::string("\x89PNG\r\n\x1a\n", 8) + std::string(64, 'x'));
  EXPECT_EQ(Fetch(bad), nullptr);
  EXPECT_EQ(cache_->Count(), 0);
  TViewImage* good = Fetch(png_);
  ASSERT_NE(good, nullptr);
  EXPECT_NE(good->GpImage(), nullptr);

  root_.reset();
  cache_.reset();
  SetGdiPlusAvailable(false);
}

TEST_F(DocRootTest, TheBitmapCallbackSuppliesPicturesAndTheirTransparentColour) {
  std::vector<std::string> asked;
  root_->GetBitmap = [&](QObject* sender, const std::string& src, platform::Bitmap& bitmap,
                         platform::Colour& colour) {
    EXPECT_EQ(sender, owner_.get());
    asked.push_back(src);
    if (src == "red") {
      bitmap = platform::Bitmap(4, 4, platform::clRed);
      bitmap.SetPixel(0, 0, platform::clBlue);
      colour = platform::clBlue;
    } else if (src == "plain") {
      bitmap = platform::Bitmap(3, 3, platform::clGreen);
    }
  };
  EXPECT_TRUE(root_->ImageRequestsAssigned());

  TImageTransparency tr = ttNone;
  bool delayed = false, fromCache = false;
  const platform::Bitmap* mask = nullptr;
  TViewImage* red = Fetch("red", tr, delayed, fromCache, mask);
  ASSERT_NE(red, nullptr);
  EXPECT_EQ(tr, ttGifMask);
  ASSERT_NE(mask, nullptr);
  EXPECT_EQ(mask->Alpha(0, 0), 0);     // the named colour is transparent
  EXPECT_EQ(mask->Alpha(1, 1), 255);

  tr = ttLowerLeft;
  ASSERT_NE(Fetch("plain", tr, delayed, fromCache, mask), nullptr);
  ASSERT_NE(mask, nullptr);
  EXPECT_EQ(tr, ttLowerLeft);

  EXPECT_EQ(Fetch("nothing"), nullptr);
  EXPECT_EQ(asked, (std::vector<std::string>{"red", "plain", "nothing"}));
}

TEST_F(DocRootTest, TheImageCallbackDelaysStreamsOrFallsBackToTheFile) {
  const std::string gifBytes = testsupport::ReadAll(still_);
  platform::TMemoryStream gifStream(std::vector<uint8_t>(gifBytes.begin(), gifBytes.end()));
  const std::string pngBytes = testsupport::ReadAll(png_);
  platform::TMemoryStream pngStream(std::vector<uint8_t>(pngBytes.begin(), pngBytes.end()));
  platform::TMemoryStream empty;
  root_->ExpandDocFileNameHandler = [&](const std::string& name) { return dir_ + "/" + name; };
  root_->GetImage = [&](QObject*, const std::string& src, platform::TStream*& stream) {
    if (src == "wait") stream = ImageWaitStream();
    else if (src == "gif") stream = &gifStream;
    else if (src == "png") stream = &pngStream;
    else if (src == "empty") stream = &empty;
    // anything else: null, the file is loaded
  };

  TImageTransparency tr = ttNone;
  bool delayed = false, fromCache = false;
  const platform::Bitmap* mask = nullptr;
  EXPECT_EQ(Fetch("wait", tr, delayed, fromCache, mask), nullptr);
  EXPECT_TRUE(delayed);

  TViewImage* gif = Fetch("gif", tr, delayed, fromCache, mask);
  ASSERT_NE(gif, nullptr);
  EXPECT_FALSE(delayed);
  EXPECT_NE(gif->Bitmap(), nullptr);   // one frame: a bitmap with the decoder's mask
  EXPECT_EQ(tr, ttGifMask);

  tr = ttNone;
  TViewImage* png = Fetch("png", tr, delayed, fromCache, mask);
  ASSERT_NE(png, nullptr);
  EXPECT_EQ(png->Bitmap()->Width(), 32);

  EXPECT_EQ(Fetch("empty"), nullptr);

  TViewImage* file = Fetch("opaque.gif");
  ASSERT_NE(file, nullptr);
  EXPECT_NE(file->Bitmap(), nullptr);
  EXPECT_EQ(cache_->Count(), 3);
}

TEST_F(DocRootTest, ImageObjectsShowTheirPictureOrAPlaceholder) {
  root_->ExpandDocFileNameHandler = [&](const std::string& name) { return dir_ + "/" + name; };
  TImageObj found(root_.get(), "photo.png");
  TImageObj missing(root_.get(), "nowhere.png");
  found.Layout(root_.get(), *canvas_, nullptr, 300, 300);
  missing.Layout(root_.get(), *canvas_, nullptr, 300, 300);
  EXPECT_EQ(found.Kind(), TImageObj::PictureKind::Picture);
  EXPECT_EQ(missing.Kind(), TImageObj::PictureKind::Error);
  EXPECT_EQ(UseCount(png_), 1);

  // An image the request handler will deliver later waits in MissingImages.
  root_->GetImage = [](QObject*, const std::string&, platform::TStream*& stream) {
    stream = ImageWaitStream();
  };
  TImageObj later(root_.get(), "later.png");
  later.Layout(root_.get(), *canvas_, nullptr, 300, 300);
  EXPECT_EQ(later.Kind(), TImageObj::PictureKind::Waiting);
  ASSERT_EQ(root_->MissingImages.size(), 1u);
  EXPECT_EQ(root_->MissingImages[0].Waiting, &later);
  EXPECT_TRUE(root_->IsMissingImage("LATER.PNG"));
}

TEST_F(DocRootTest, FloatingImagesQueuedDuringTheDrawAreDrawnAfterTheSections) {
  root_->ExpandDocFileNameHandler = [&](const std::string& name) { return dir_ + "/" + name; };
  TImageObj picture(root_.get(), "photo.png");
  picture.Layout(root_.get(), *canvas_, nullptr, 300, 300);
  TestSection* s = AddSection(u"x", 40);
  s->Image = &picture;
  DoLayout();
  EXPECT_FALSE(picture.Drawn());
  DoDraw();
  EXPECT_TRUE(picture.Drawn());
  EXPECT_EQ(context_.DrawList.Count(), 1);
  EXPECT_NE(image_.pixel(5, 20), qRgb(255, 255, 255));   // bottom-aligned on the 40-pixel line
}

// ------------------------------------------------------------- background

TEST_F(DocRootTest, TheBackgroundIsFetchedOnceAndADelayedOneIsRemembered) {
  root_->SetBackgroundImage(png_, PositionRecArray{});
  root_->ShowImages = false;
  root_->LoadBackground();
  EXPECT_FALSE(root_->BackgroundLoaded);
  root_->ShowImages = true;
  root_->LoadBackground();
  EXPECT_TRUE(root_->BackgroundLoaded);
  ASSERT_NE(root_->BackgroundBitmap, nullptr);
  EXPECT_EQ(root_->BackgroundBitmap->Width(), 32);
  root_->LoadBackground();
  EXPECT_EQ(UseCount(png_), 1);

  root_->GetImage = [](QObject*, const std::string&, platform::TStream*& stream) {
    stream = ImageWaitStream();
  };
  root_->SetBackgroundImage("later.png", PositionRecArray{});
  EXPECT_EQ(UseCount(png_), 0);   // the old background let go of its entry
  root_->LoadBackground();
  EXPECT_EQ(root_->BackgroundBitmap, nullptr);
  ASSERT_EQ(root_->MissingImages.size(), 1u);
  EXPECT_EQ(root_->MissingImages[0].Name, "later.png");
  EXPECT_EQ(root_->MissingImages[0].Waiting, nullptr);
}

// -------------------------------------------------------------- animation

TEST_F(DocRootTest, WithoutAnimationsTheTimerStaysOff) {
  AddSection(u"text", 10);
  DoLayout();
  ASSERT_NE(root_->AnimationTimer(), nullptr);
  EXPECT_FALSE(root_->AnimationTimer()->Enabled());
  DoDraw();
  EXPECT_FALSE(root_->AnimationTimer()->Enabled());
  EXPECT_FALSE(root_->AnimationTimer()->Fire());
}

TEST_F(DocRootTest, OnlyAnimationsDrawnInTheLastPaintAdvance) {
  TGIFImage* a = Fetch(anim1_)->Gif();
  TGIFImage* b = Fetch(anim2_)->Gif();
  ASSERT_TRUE(a && b);
  root_->AddAnimated(a);
  root_->AddAnimated(b);
  root_->AddAnimated(a);   // listed once
  EXPECT_EQ(root_->AnimatedList.size(), 2u);
  TestSection* top = AddSection(u"a", 40);
  TestSection* bottom = AddSection(u"b", 40);
  top->Gif = a;
  bottom->Gif = b;
  DoLayout();
  TAnimationTimer* timer = root_->AnimationTimer();
  ASSERT_NE(timer, nullptr);
  EXPECT_TRUE(timer->Enabled());
  EXPECT_EQ(timer->Interval(), 50);
  EXPECT_TRUE(a->Animate());

  // The second section scrolled away: the next paint does not draw it.
  bottom->Gif = nullptr;
  DoDraw();
  EXPECT_TRUE(a->Visible());
  EXPECT_FALSE(b->Visible());
  EXPECT_TRUE(timer->Enabled());

  now_ += 10000;
  ASSERT_TRUE(timer->Fire());
  EXPECT_EQ(a->CurrentFrame(), 2);
  EXPECT_EQ(b->CurrentFrame(), 1);
  EXPECT_EQ(timer->Interval(), 40);
  EXPECT_FALSE(panel_->PendingRegion().isEmpty());   // a's rectangle

  // Both on the page again: both advance.
  bottom->Gif = b;
  DoDraw();
  now_ += 10000;
  timer->Fire();
  EXPECT_EQ(a->CurrentFrame(), 3);
  EXPECT_EQ(b->CurrentFrame(), 2);

  root_->RemoveAnimated(b);
  EXPECT_EQ(root_->AnimatedList.size(), 1u);
}

TEST_F(DocRootTest, AnAnimatedBackgroundAdvancesAndRepaintsThePage) {
  root_->SetBackgroundImage(anim1_, PositionRecArray{});
  root_->LoadBackground();
  ASSERT_NE(root_->BackgroundGif, nullptr);
  ASSERT_NE(root_->BackgroundBitmap, nullptr);
  EXPECT_EQ(root_->AnimatedList.size(), 1u);
  DoLayout();
  DoDraw();
  EXPECT_TRUE(root_->BackgroundGif->Visible());
  EXPECT_TRUE(panel_->PendingRegion().isEmpty());
  now_ += 10000;
  ASSERT_TRUE(root_->AnimationTimer()->Fire());
  EXPECT_EQ(root_->BackgroundGif->CurrentFrame(), 2);
  EXPECT_EQ(panel_->PendingRegion(), QRegion(panel_->rect()));

  root_->SetBackgroundImage("", PositionRecArray{});
  EXPECT_TRUE(root_->AnimatedList.empty());
}

// -------------------------------------------------------- links and hovers

TEST_F(DocRootTest, HoverMovesOverWholeLinksAndImages) {
  const TMyFont font = RunFont();
  TestSection* s1 = AddSection(u"first", 20);
  TestSection* s2 = AddSection(u"second", 20);
  TestSection* s3 = AddSection(u"third", 20);
  TFontObj linkA1(s1, font, 0), linkA2(s2, font, 0), linkB(s3, font, 0);
  linkA1.UrlTarget->Assign("a.htm", "", nullptr, 0);
  linkA2.UrlTarget->Copy(*linkA1.UrlTarget);
  linkB.UrlTarget->Assign("b.htm", "", nullptr, 10);
  root_->Links = {&linkA1, &linkA2, &linkB};
  s1->LinkRun = &linkA1;
  s3->LinkRun = &linkB;
  root_->LinksActive = true;
  DoLayout();

  unsigned flags = 0;
  EXPECT_EQ(Hit(5, 5, &flags), "a.htm");
  EXPECT_EQ(flags, unsigned(guUrl));
  EXPECT_EQ(root_->LinkHover, &linkA1);
  EXPECT_TRUE(linkA1.Hover);
  EXPECT_TRUE(linkA2.Hover);   // every run of the link
  EXPECT_FALSE(linkB.Hover);

  Hit(5, 45);
  EXPECT_FALSE(linkA1.Hover);
  EXPECT_FALSE(linkA2.Hover);
  EXPECT_TRUE(linkB.Hover);

  Hit(5, 25);   // plain text
  EXPECT_EQ(root_->LinkHover, nullptr);
  EXPECT_FALSE(linkB.Hover);

  // Images under the mouse: hovered, pressed, left.
  TImageObj pic(root_.get(), png_);
  s2->Image = &pic;
  Hit(5, 25);
  EXPECT_EQ(root_->ActiveImage, &pic);
  EXPECT_EQ(pic.Hover, 1);
  root_->SetImagePressed(true);
  EXPECT_EQ(pic.Hover, 2);
  root_->SetImagePressed(false);
  EXPECT_EQ(pic.Hover, 1);
  Hit(5, 5);
  EXPECT_EQ(pic.Hover, 0);
  EXPECT_TRUE(linkA1.Hover);

  root_->CancelHovers();
  EXPECT_EQ(root_->LinkHover, nullptr);
  EXPECT_EQ(root_->ActiveImage, nullptr);
  EXPECT_FALSE(linkA1.Hover);
  EXPECT_FALSE(linkA2.Hover);
  root_->Links.clear();
}

TEST_F(DocRootTest, WithLinksInactiveTheHoverLookStaysOff) {
  const TMyFont font = RunFont();
  TestSection* s = AddSection(u"link", 20);
  TFontObj run(s, font, 0);
  run.UrlTarget->Assign("a.htm", "", nullptr, 0);
  root_->Links = {&run};
  s->LinkRun = &run;
  root_->LinksActive = false;
  DoLayout();
  EXPECT_EQ(Hit(1, 1), "a.htm");
  EXPECT_EQ(root_->LinkHover, &run);
  EXPECT_FALSE(run.Hover);
  root_->Links.clear();
}

TEST_F(DocRootTest, TabOrdersFollowTheSortedKeysAtTheNextLayout) {
  owner_->show();
  auto* late = new ThtTabcontrol(panel_);
  auto* early = new ThtTabcontrol(panel_);
  ThtmlForm* form = ThtmlForm::Create(root_.get(), nullptr);
  TAttributeList attributes;
  auto* edit = form->InsertControl(
      std::make_unique<TEditFormControlObj>(root_.get(), 0, attributes, "text", form));
  QWidget* field = edit->TheControl();
  ASSERT_NE(field, nullptr);
  root_->AddTabOrder("00002000", late);
  root_->AddControlTabOrder("00001001", edit);
  root_->AddTabOrder("00001000", early);
  EXPECT_EQ(root_->TabOrderCount(), 3);
  DoLayout();
  EXPECT_EQ(root_->TabOrderCount(), 0);
  EXPECT_EQ(early->nextInFocusChain(), field);
  EXPECT_EQ(field->nextInFocusChain(), late);

  auto* gone = new ThtTabcontrol(panel_);
  root_->AddTabOrder("00003000", gone);
  root_->RemoveTabOrder(gone);
  EXPECT_EQ(root_->TabOrderCount(), 0);
  delete gone;
  // A control destroyed while waiting is skipped.
  auto* dead = new ThtTabcontrol(panel_);
  root_->AddTabOrder("00004000", dead);
  delete dead;
  DoLayout();
  EXPECT_EQ(root_->TabOrderCount(), 0);
}

// --------------------------------------------------------- IDs, positions

TEST_F(DocRootTest, IDsAreFoundWithoutRegardToCaseAndForgottenWithTheirObject) {
  TestSection* a = AddSection(u"0123456789", 20, 100);
  TestSection* b = AddSection(u"abcdefghij", 30, 200);
  DoLayout();
  root_->AddChPosObject("Intro", 205);   // a source position inside b
  root_->AddIDObject("Part2", b);
  root_->AddIDObject("", a);             // nameless: not registered

  TIDObject* intro = root_->FindID("INTRO");
  ASSERT_NE(intro, nullptr);
  EXPECT_EQ(intro->YPosition(), 20);
  EXPECT_EQ(root_->FindID("part2"), b);
  EXPECT_EQ(root_->FindID("part2")->YPosition(), 20);
  EXPECT_EQ(root_->FindID("nothing"), nullptr);

  // A name given again leads to the newer object.
  root_->AddIDObject("PART2", a);
  EXPECT_EQ(root_->FindID("Part2"), a);
  root_->RemoveIDObject(a);
  EXPECT_EQ(root_->FindID("Part2"), nullptr);
  EXPECT_NE(root_->FindID("intro"), nullptr);
}

TEST_F(DocRootTest, PositionQueriesUseTheSectionsAndTheDocumentEnd) {
  TestSection* a = AddSection(u"0123456789", 20, 100);
  TestSection* b = AddSection(u"abcdefghij", 30, 200);
  DoLayout();

  int posY = -1, index = -1;
  EXPECT_EQ(root_->FindPositionObject(25, posY, index), b);
  EXPECT_EQ(posY, 20);
  EXPECT_EQ(index, 1);
  EXPECT_EQ(root_->FindPositionObject(0, posY, index), a);
  EXPECT_EQ(root_->FindPositionObject(-1, posY, index), nullptr);

  EXPECT_EQ(root_->FindDocPos(203, false), 13);
  EXPECT_EQ(root_->FindDocPos(999, false), 20);   // not found: the document length

  int x = 0, y = 0;
  ASSERT_TRUE(root_->CursorToXY(canvas_.get(), 12, x, y));
  EXPECT_EQ(x, 16);
  EXPECT_EQ(y, 20);
  // At or past the end: 15 pixels right of the last character.
  ASSERT_TRUE(root_->CursorToXY(canvas_.get(), 20, x, y));
  EXPECT_EQ(x, 72 + 15);
  EXPECT_EQ(y, 20);
  ASSERT_TRUE(root_->CursorToXY(canvas_.get(), 500, x, y));
  EXPECT_EQ(x, 87);
}

// -------------------------------------------------------------- selection

TEST_F(DocRootTest, SelectedTextSpansSectionsAndFitsTheBuffer) {
  AddSection(u"Hello ", 20);
  AddSection(u"big ", 20);
  AddSection(u"world", 20);
  DoLayout();

  char16_t buffer[32];
  buffer[0] = u'x';
  EXPECT_EQ(root_->SelectionLength(), 0);
  EXPECT_EQ(root_->SelectionText(buffer, 32), 1);
  EXPECT_EQ(buffer[0], 0);
  EXPECT_EQ(root_->SelectionText(buffer, 0), 0);
  EXPECT_EQ(root_->SelectionText(nullptr, 10), 0);

  root_->SelB = 3;
  root_->SelE = 12;
  EXPECT_EQ(root_->SelectionLength(), 9);
  EXPECT_EQ(root_->SelectionText(buffer, 32), 10);
  EXPECT_EQ(std::u16string(buffer), u"lo big wo");
  EXPECT_EQ(root_->SelectedText(), u"lo big wo");

  // A small buffer takes what fits and its terminating 0.
  char16_t small[5];
  root_->SelectionText(small, 5);
  EXPECT_EQ(std::u16string(small), u"lo b");

  root_->SelE = root_->SelB;
  EXPECT_EQ(root_->SelectionLength(), 0);
  EXPECT_EQ(root_->SelectedText(), u"");
}

// --------------------------------------------------------- inline borders

TEST_F(DocRootTest, InlineBordersConvertSourcePositionsOnFirstUse) {
  AddSection(u"0123456789", 20, 100);
  TProperties span, link, open;
  span.Props[PropBorderTopWidth] = "3px";
  root_->AddInlineBorder(102, span, true);
  root_->AddInlineBorder(103, link, true);
  root_->AddInlineBorder(104, open, true);
  root_->AddInlineBorder(106, span, false);
  root_->AddInlineBorder(103, link, false);   // empty: starts one earlier
  DoLayout();
  EXPECT_TRUE(root_->InlineList.NeedsConverting);
  EXPECT_EQ(root_->InlineStart(0), 2);
  EXPECT_FALSE(root_->InlineList.NeedsConverting);
  EXPECT_EQ(root_->InlineEnd(0), 6);
  EXPECT_EQ(root_->InlineList[0]->ID, span.ID);
  EXPECT_EQ(root_->InlineStart(1), 2);
  EXPECT_EQ(root_->InlineEnd(1), 3);
  // Never closed: the border runs on to the end.
  EXPECT_EQ(root_->InlineStart(2), 4);
  EXPECT_EQ(root_->InlineEnd(2), 999999);
  EXPECT_EQ(root_->InlineStart(3), 99999999);
  EXPECT_EQ(root_->InlineEnd(-1), 99999999);
}

}  // namespace
