// Drawing and positions of text sections on the fixed-metric font backend,
// where every advance is half the em: what is drawn, hit, found and copied
// can be checked to the pixel and character.
#include <gtest/gtest.h>

#include <QImage>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "htmlview/images/imagemodule.h"
#include "htmlview/images/pngcodec.h"
#include "htmlview/layout/docroot.h"
#include "htmlview/parse/attributes.h"
#include "htmlview/layout/layoutdump.h"
#include "htmlview/layout/textsection.h"
#include "htmlview/parse/vocabulary.h"
#include "htmlview/style/styleprops.h"
#include "platform/fonts.h"

using namespace htmlview;

namespace {

TMyFont TestFont(int em = 20, platform::Colour colour = platform::clBlack) {
  TMyFont f;
  f.name = "Fixed Sans";
  f.height = -em;
  f.color = colour;
  MeasureFont(f);
  return f;
}

constexpr platform::Colour kRed = platform::Rgb(255, 0, 0);
constexpr platform::Colour kBlue = platform::Rgb(0, 0, 255);

class TextDrawTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    platform::SetFontBackend(platform::FontBackend::FixedMetric, {"Fixed Sans"});
  }
  void SetUp() override {
    InitVocabulary();
    InitStyleProps();
    InitPngModule();
    InitImageModule();
    root_ = std::make_unique<TSectionList>(nullptr, nullptr);
    image_ = QImage(kWidth, kHeight, QImage::Format_RGB32);
    image_.fill(Qt::white);
    canvas_ = std::make_unique<platform::Canvas>(&image_);
  }
  void TearDown() override {
    canvas_.reset();
    root_.reset();
    DoneImageModule();
    DoneStyleProps();
  }

  TSection* NewSection(int em = 20, TTextAlign justify = TTextAlign::Left,
                       platform::Colour colour = platform::clBlack) {
    auto s = std::make_unique<TSection>(root_.get(), TestFont(em, colour), justify);
    pending_ = s.get();
    owned_ = std::move(s);
    return pending_;
  }
  void Add(const std::u16string& text) {
    for (char16_t ch : text) pending_->AddChar(ch, pos_++);
  }
  // Closes the section being filled and hands it to the root.
  TSection* Close() {
    TSection* s = pending_;
    root_->Add(std::move(owned_), pos_++);
    pending_ = nullptr;
    return s;
  }
  void LayOut(int width) {
    int maxWidth = 0, curs = 0;
    root_->Layout(*canvas_, 0, width, 0, 0, maxWidth, curs);
  }
  // Drawn with the cell's left edge at x (a page margin).
  void Draw(int x = 0) {
    image_.fill(Qt::white);
    TDrawContext context;
    root_->Draw(*canvas_, context, platform::Rect{0, 0, kWidth, kHeight}, kWidth, x, 0, 0, 0);
    if (const char* dir = std::getenv("DRAVLEN_TEST_PNG_DIR"))
      image_.save(QString::fromStdString(std::string(dir) + "/" +
                                         ::testing::UnitTest::GetInstance()->current_test_info()->name() +
                                         ".png"));
  }
  QRgb Pixel(int x, int y) const { return image_.pixel(x, y) & 0xFFFFFF; }
  static QRgb Q(platform::Colour c) { return platform::ToQColor(c).rgb() & 0xFFFFFF; }

  // The advances of a line measured again, run by run, with the
  // justification spread as drawing promises (remainder to the first gaps).
  static std::vector<int> Measured(const TSection& s, int line) {
    const LineRec& lr = *s.Lines[line];
    const int start = static_cast<int>(lr.Start - s.Buff());
    std::vector<int> adv;
    for (int k = start; k < start + lr.Ln; ++k) {
      const TFontObj* run = s.Fonts.GetFontObjAt(k);
      adv.push_back(platform::CharAdvance(run->TheFont, s.Text[k]));
    }
    int gaps = lr.Spaces, extra = lr.Extra;
    for (int k = 0; k + 1 < lr.Ln && gaps > 0 && extra > 0; ++k)
      if (s.Text[start + k] == u' ') {
        const int add = (extra + gaps - 1) / gaps;
        adv[k] += add;
        extra -= add;
        --gaps;
      }
    return adv;
  }

  // Every pixel column of the image in a line's row shows the character
  // the advances put there: the font colour over the cell but its right
  // column, nothing for a blank or the line's last blank, inverted where
  // selected.
  void ExpectLineRow(const TSection& s, int line, int selB, int selE, platform::Colour colour) {
    const LineRec& lr = *s.Lines[line];
    const int start = static_cast<int>(lr.Start - s.Buff());
    const int row = lr.DrawY + lr.LineHt - lr.Descent - 1;   // inside every cell
    const std::vector<int> adv = Measured(s, line);
    int x = lr.DrawX;
    for (int k = 0; k < lr.Ln && x < kWidth; ++k) {
      const int index = start + k;
      const char16_t ch = s.Text[index];
      const bool selected = index >= selB && index < selE;
      const bool drawn = !(k == lr.Ln - 1 && ch == u' ');
      for (int px = std::max(x, 0); px < x + adv[k] && px < kWidth; ++px) {
        QRgb want = Q(platform::clWhite);
        if (drawn && selected)
          want = ch == u' ' || px == x + adv[k] - 1 ? Q(colour) : Q(platform::InvertColour(colour));
        else if (drawn && ch != u' ' && px < x + adv[k] - 1)
          want = Q(colour);
        ASSERT_EQ(Pixel(px, row), want) << "line " << line << " char " << index << " x " << px;
      }
      x += adv[k];
    }
  }

  static constexpr int kWidth = 300, kHeight = 120;
  std::unique_ptr<TSectionList> root_;
  QImage image_;
  std::unique_ptr<platform::Canvas> canvas_;
  std::unique_ptr<TSection> owned_;
  TSection* pending_ = nullptr;
  int pos_ = 0;
};

// The selection is drawn opaque in the font colour with the text inverted;
// the fixed-metric glyphs fill their cell but its right column, so every
// pixel of a line's row tells which characters were drawn selected, and
// where. Both the selection's ends and every glyph must sit on the advances
// measured for the line (two fonts, one line justified).
TEST_F(TextDrawTest, SelectionDrawnAtMeasuredPositions) {
  struct Case {
    const char* name;
    TTextAlign justify;
    int width;
    int selB, selE;   // relative to the section
  } cases[] = {
      {"two fonts on one line, selection inside both runs", TTextAlign::Left, 300, 1, 5},
      {"justified paragraph, selection across the line break", TTextAlign::Justify, 130, 3, 16},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    root_->Clear();
    NewSection(20, c.justify, kRed);
    Add(u"ab c");
    pending_->ChangeFont(TestFont(30, kRed));
    Add(u"de fgh ij kl");
    TSection* s = Close();
    LayOut(c.width);
    root_->SelB = s->StartCurs + c.selB;
    root_->SelE = s->StartCurs + c.selE;
    Draw();
    for (int line = 0; line < s->Lines.Count(); ++line) {
      const LineRec& lr = *s->Lines[line];
      const int start = static_cast<int>(lr.Start - s->Buff());
      const int row = lr.DrawY + lr.LineHt - lr.Descent - 1;   // inside every cell
      const std::vector<int> adv = Measured(*s, line);
      int x = lr.DrawX;
      if (x > 0) EXPECT_EQ(Pixel(x - 1, row), Q(platform::clWhite)) << "line " << line;
      for (int k = 0; k < lr.Ln; ++k) {
        const int index = start + k;
        const char16_t ch = s->Text[index];
        const bool selected = index >= c.selB && index < c.selE;
        const bool drawn = !(k == lr.Ln - 1 && ch == u' ');   // the line's last blank is not
        for (int px = x; px < x + adv[k]; ++px) {
          QRgb want = Q(platform::clWhite);
          if (drawn && selected)
            want = ch == u' ' || px == x + adv[k] - 1 ? Q(kRed) : Q(platform::InvertColour(kRed));
          else if (drawn && ch != u' ' && px < x + adv[k] - 1)
            want = Q(kRed);
          ASSERT_EQ(Pixel(px, row), want) << "line " << line << " char " << k << " x " << px;
        }
        x += adv[k];
      }
      EXPECT_EQ(Pixel(x, row), Q(platform::clWhite)) << "line " << line;
    }
  }
}

// Every character of a page with several fonts, justified and plain lines
// and a link: the caret position of a character, hit again, is that
// character.
TEST_F(TextDrawTest, CursorPositionsRoundTrip) {
  NewSection(20, TTextAlign::Justify);
  Add(u"Some text ");
  pending_->ChangeFont(TestFont(30));
  Add(u"in a bigger ");
  pending_->ChangeFont(TestFont(16));
  Add(u"and smaller font, justified.");
  Close();
  NewSection(16, TTextAlign::Left);
  Add(u"plain ");
  TFontObj* link = pending_->ChangeFont(TestFont(24, kBlue));
  link->UrlTarget->URL = "next.htm";
  Add(u"link text");
  pending_->ChangeFont(TestFont(16));
  Add(u" after\u0008it");
  Close();
  LayOut(150);
  Draw(8);
  int checked = 0;
  for (int i = 0; i < root_->Count(); ++i) {
    auto* s = dynamic_cast<TSection*>((*root_)[i]);
    ASSERT_NE(s, nullptr);
    ASSERT_GT(s->Lines.Count(), 1);
    for (int pos = s->StartCurs; pos < s->StartCurs + s->Len; ++pos) {
      int x = -1, y = -1;
      ASSERT_TRUE(root_->CursorToXY(canvas_.get(), pos, x, y)) << pos;
      int xr = 0, yr = 0, caretHt = 0;
      bool inText = false;
      EXPECT_EQ(root_->FindCursor(*canvas_, x, y, xr, yr, caretHt, inText), pos) << pos;
      EXPECT_EQ(xr, x) << pos;
      ++checked;
    }
  }
  EXPECT_GT(checked, 60);

  // The right half of a character puts the caret after it.
  TSection* first = dynamic_cast<TSection*>((*root_)[0]);
  const LineRec& lr = *first->Lines[0];
  int xr = 0, yr = 0, caretHt = 0;
  bool inText = false;
  ASSERT_EQ(lr.DrawX, 8);
  EXPECT_EQ(root_->FindCursor(*canvas_, lr.DrawX + 4, lr.DrawY, xr, yr, caretHt, inText), 0);
  EXPECT_EQ(xr, lr.DrawX);
  EXPECT_EQ(root_->FindCursor(*canvas_, lr.DrawX + 5, lr.DrawY, xr, yr, caretHt, inText), 1);
  EXPECT_EQ(xr, lr.DrawX + 10);
  EXPECT_TRUE(inText);
  EXPECT_EQ(caretHt, lr.LineHt);
  EXPECT_EQ(root_->FindCursor(*canvas_, lr.DrawX - 11, lr.DrawY, xr, yr, caretHt, inText), -1);
}

TEST_F(TextDrawTest, HitLinksAndTitles) {
  NewSection(20);
  Add(u"go ");
  TFontObj* link = pending_->ChangeFont(TestFont(20, kBlue));
  link->UrlTarget->URL = "page.htm";
  Add(u"there");
  TFontObj* titled = pending_->ChangeFont(TestFont(20));
  titled->Title = "a tip";
  Add(u" now");
  Close();
  LayOut(300);
  Draw();
  auto hit = [&](int x, int y, std::string& url, std::string& title) {
    std::unique_ptr<TUrlTarget> target;
    TFormControlObj* control = nullptr;
    title.clear();
    const unsigned flags = root_->HitTest(*canvas_, x, y, target, control, title);
    url = target ? target->URL : "";
    return flags;
  };
  std::string url, title;
  EXPECT_EQ(hit(5, 10, url, title), 0u);
  EXPECT_EQ(hit(45, 10, url, title), guUrl);   // "there" starts at 30
  EXPECT_EQ(url, "page.htm");
  EXPECT_EQ(root_->LinkHover, link);
  EXPECT_EQ(hit(85, 10, url, title), guTitle);
  EXPECT_EQ(title, "a tip");
  EXPECT_EQ(hit(45, 0, url, title), 0u);       // above the line's top
  EXPECT_EQ(hit(200, 10, url, title), 0u);     // beyond the text
}

TEST_F(TextDrawTest, SourceAndDocumentPositionsRoundTrip) {
  // Source text "<b>ab</b>  <i>cd</i>": the characters stand at 3, 4, 9
  // (the space that stays), 14 and 15; the section ends at 20.
  NewSection();
  pending_->AddText(u"ab", {3, 4});
  pending_->AddText(u"  ", {9, 10});
  pending_->AddText(u"cd", {14, 15});
  pos_ = 20;
  TSection* s = Close();
  LayOut(300);
  ASSERT_EQ(s->Text, u"ab cd ");
  for (int pos = s->StartCurs; pos < s->StartCurs + s->Len; ++pos) {
    const int source = root_->FindSourcePos(pos);
    ASSERT_GE(source, 0) << pos;
    EXPECT_EQ(root_->FindDocPos(source, false), pos) << pos;
    EXPECT_EQ(root_->FindDocPos(source, true), pos) << pos;
  }
  struct Case {
    int source;
    bool prev;
    int doc;
  } cases[] = {
      {0, false, 0}, {0, true, -1},    // before the first character
      {6, false, 2}, {6, true, 1},     // inside the tag between "b" and " "
      {12, false, 3}, {12, true, 2},
      {30, true, 5}, {30, false, -1},  // past the end
  };
  for (const Case& c : cases)
    EXPECT_EQ(s->DocPosOf(c.source, c.prev), s->StartCurs + c.doc) << c.source << " " << c.prev;
  EXPECT_EQ(s->SourcePosOf(s->StartCurs + s->Len), -1);
}

TEST_F(TextDrawTest, FindAcrossRunsAndSections) {
  NewSection();
  Add(u"Hello ");
  pending_->ChangeFont(TestFont(30));
  Add(u"World wide");
  TSection* a = Close();
  NewSection();
  Add(u"web world");
  TSection* b = Close();
  LayOut(100);
  EXPECT_EQ(root_->FindString(0, u"o wor", false), a->StartCurs + 4);
  EXPECT_EQ(root_->FindString(0, u"o Wor", true), a->StartCurs + 4);
  EXPECT_EQ(root_->FindString(0, u"o wor", true), -1);
  EXPECT_EQ(root_->FindString(a->StartCurs + 6, u"world", false), a->StartCurs + 6);
  EXPECT_EQ(root_->FindString(a->StartCurs + 7, u"world", false), b->StartCurs + 4);
  EXPECT_EQ(root_->FindString(0, u"webs", false), -1);
  const int end = b->StartCurs + b->Len;
  EXPECT_EQ(root_->FindStringR(end, u"world", false), b->StartCurs + 4);
  EXPECT_EQ(root_->FindStringR(b->StartCurs + 7, u"world", false), a->StartCurs + 6);
  EXPECT_EQ(root_->FindStringR(a->StartCurs + 9, u"world", false), -1);   // ends past it
  EXPECT_EQ(root_->FindStringR(end, u"hello", false), a->StartCurs);
}

TEST_F(TextDrawTest, CopyTextOfSelectionSpanningRunsAndLines) {
  NewSection();
  Add(u"one ");
  pending_->ChangeFont(TestFont(30));
  Add(u"two three");
  TSection* a = Close();
  NewSection();
  Add(u"four\u0008five six");
  TSection* b = Close();
  LayOut(60);
  ASSERT_GT(a->Lines.Count(), 2);
  root_->SelB = a->StartCurs + 1;
  root_->SelE = b->StartCurs + 7;
  EXPECT_EQ(root_->SelectedText(), u"ne two three\r\nfour\r\nfi");
  root_->SelB = a->StartCurs + 4;
  root_->SelE = a->StartCurs + 7;
  EXPECT_EQ(root_->SelectedText(), u"two");
  root_->SelE = root_->SelB;
  EXPECT_EQ(root_->SelectedText(), u"");
}

TEST_F(TextDrawTest, SoftHyphenDrawsADash) {
  NewSection();
  Add(u"abc\u00ADdef");
  TSection* s = Close();
  LayOut(50);
  ASSERT_TRUE(s->Lines[0]->Shy);
  Draw();
  const int row = 10;
  // "abc" takes 30 pixels; the dash is drawn in the next cell.
  EXPECT_EQ(Pixel(25, row), Q(platform::clBlack));
  EXPECT_EQ(Pixel(35, row), Q(platform::clBlack));
  EXPECT_EQ(Pixel(45, row), Q(platform::clWhite));
}

TEST_F(TextDrawTest, InlineBorderOpenAcrossLines) {
  NewSection();
  Add(u"aaa bbb ccc");
  TSection* s = Close();
  auto rec = std::make_unique<InlineRec>();
  rec->StartSource = 4;   // "bbb ccc"
  rec->EndSource = 11;
  rec->MargArray[PropBackgroundColor] = static_cast<int>(NoColorValue);
  for (int side : {PropBorderTopWidth, PropBorderRightWidth, PropBorderBottomWidth, PropBorderLeftWidth})
    rec->MargArray[side] = 1;
  for (int side : {PropBorderTopColor, PropBorderRightColor, PropBorderBottomColor, PropBorderLeftColor})
    rec->MargArray[side] = static_cast<int>(kBlue);
  for (int side : {PropBorderTopStyle, PropBorderRightStyle, PropBorderBottomStyle, PropBorderLeftStyle})
    rec->MargArray[side] = static_cast<int>(BorderStyle::Solid);
  root_->InlineList.Add(std::move(rec));
  LayOut(80);
  ASSERT_EQ(s->Lines.Count(), 2);
  Draw();
  // Line 1 "aaa bbb ": the border opens left of "bbb" (x 40) and stays open
  // at the line end; line 2 "ccc ": open on the left, closed after "ccc".
  const QRgb blue = Q(kBlue), white = Q(platform::clWhite);
  const int row1 = 10, row2 = 30;
  EXPECT_EQ(Pixel(39, row1), blue);   // left edge
  EXPECT_EQ(Pixel(38, row1), white);
  EXPECT_EQ(Pixel(70, row1), white);  // no right edge after "bbb" on the open side
  EXPECT_EQ(Pixel(75, row1), white);
  EXPECT_EQ(Pixel(0, row2), Q(platform::clBlack));   // "c" glyph, no edge before it
  EXPECT_EQ(Pixel(30, row2), blue);   // right edge after "ccc"
  EXPECT_EQ(Pixel(31, row2), white);
}

TEST_F(TextDrawTest, PreformattedKeepsSpacesAndWidths) {
  auto pre = std::make_unique<TPreFormated>(root_.get(), TestFont());
  for (char16_t ch : std::u16string(u"  x\ty  z")) pre->AddChar(ch, pos_++);
  TPreFormated* p = pre.get();
  root_->Add(std::move(pre), pos_++);
  EXPECT_EQ(p->Text, u"  x\ty  z ");
  int mn = 0, mx = 0;
  p->WidthRange(*canvas_, mn, mx);
  EXPECT_EQ(mx, 80);
  EXPECT_EQ(mn, 80);

  auto wide = std::make_unique<TPreFormated>(root_.get(), TestFont());
  for (int i = 0; i < 700; ++i) wide->AddChar(u'w', pos_++);
  TPreFormated* w = wide.get();
  root_->Add(std::move(wide), pos_++);
  w->WidthRange(*canvas_, mn, mx);
  EXPECT_EQ(mx, 7000);
  EXPECT_EQ(mn, 6000);

  auto empty = std::make_unique<TPreFormated>(root_.get(), TestFont());
  TPreFormated* e = empty.get();
  root_->Add(std::move(empty), pos_++);
  LayOut(100);
  EXPECT_EQ(e->SectionHeight, 20);   // an empty line is a line of its font
  EXPECT_EQ(p->Lines.Count(), 1);
}

TEST_F(TextDrawTest, SmallCaps) {
  NewSection();
  pending_->SmallCaps = true;
  pending_->AddText(u"Ab1c De", {});
  TSection* s = Close();
  EXPECT_EQ(s->Text, u"AB1C DE ");
  ASSERT_EQ(s->Fonts.Count(), 5);
  struct Run {
    int pos, em;
  } runs[] = {{0, 20}, {1, 16}, {5, 20}, {6, 16}, {8, 20}};   // the digit and blank stay as they are
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(s->Fonts[i]->Pos, runs[i].pos) << i;
    EXPECT_EQ(s->Fonts[i]->TheFont->height, -runs[i].em) << i;
  }
}

TEST_F(TextDrawTest, ProgressEveryFiftiethSectionOncePerLayout) {
  std::vector<int> reported;
  root_->OnLayoutProgress = [&](int percent) { reported.push_back(percent); };
  root_->ProgressStart = 75;
  for (int i = 0; i < 100; ++i) {
    NewSection();
    Add(u"x");
    Close();
  }
  LayOut(100);
  EXPECT_EQ(reported, (std::vector<int>{87, 100}));
  LayOut(100);
  EXPECT_EQ(reported.size(), 4u);
  root_->IsCopy = true;
  LayOut(100);
  EXPECT_EQ(reported.size(), 4u);
}

// Superscripts rise by a third of the font height, subscripts drop by half
// the descent plus one; a selected run with a background colour of its own
// shows its text in that colour; the dummy caret stands where an empty
// selection starts.
TEST_F(TextDrawTest, DrawingDetails) {
  TSection* s = NewSection();
  s->LineHeight = 40;   // 10 pixels above the text: the baseline at 26
  Add(u"a");
  s->ChangeFont(TestFont(), TVAlign::Super);
  Add(u"b");
  s->ChangeFont(TestFont(), TVAlign::Sub);
  Add(u"c ");
  TMyFont marked = TestFont();
  marked.BgColor = platform::Rgb(255, 255, 0);
  s->ChangeFont(marked);
  Add(u"d");
  s->ChangeFont(TestFont());
  Add(u" e");
  Close();
  LayOut(300);
  Draw();
  auto inkTop = [&](int x) {
    for (int y = 0; y < kHeight; ++y)
      if (Pixel(x, y) != Q(platform::clWhite)) return y;
    return -1;
  };
  EXPECT_EQ(inkTop(5), 10);        // "a": 26 - 16
  EXPECT_EQ(inkTop(15), 10 - 6);   // "b": raised by 20 / 3
  EXPECT_EQ(inkTop(25), 10 + 3);   // "c": lowered by 4 / 2 + 1
  EXPECT_EQ(Pixel(45, 20), Q(platform::clBlack));              // "d" unselected, on its
  EXPECT_EQ(Pixel(49, 20), Q(platform::Rgb(255, 255, 0)));     // own background

  root_->SelB = 4;
  root_->SelE = 5;
  Draw();
  EXPECT_EQ(Pixel(45, 20), Q(platform::Rgb(255, 255, 0)));   // the text takes the background
  EXPECT_EQ(Pixel(49, 20), Q(platform::clBlack));            // on the font colour

  root_->ShowDummyCaret = true;
  root_->SelB = root_->SelE = 5;   // before the blank after "d"
  Draw();
  EXPECT_EQ(Pixel(50, 20), Q(platform::clBlack));
  EXPECT_EQ(Pixel(51, 20), Q(platform::clWhite));
  root_->ShowDummyCaret = false;
  Draw();
  EXPECT_EQ(Pixel(50, 20), Q(platform::clWhite));
}

TEST_F(TextDrawTest, ImageInsideLinkReportsTheLinkAndIsMapPoint) {
  NewSection();
  Add(u"go ");
  TFontObj* link = pending_->ChangeFont(TestFont(20, kBlue));
  link->UrlTarget->URL = "page.htm";
  TAttributeList attributes;
  attributes.Add(TAttribute(HtmlSymbol::Src, "", 0,
                            std::string(DRAVLEN_TEST_DATA) + "/images/basn2c08.png"));
  attributes.Add(TAttribute(HtmlSymbol::IsMap, "", 0, ""));
  attributes.Add(TAttribute(HtmlSymbol::Alt, "", 0, "a picture"));
  TImageObj* image = pending_->AddImage(attributes, pos_++);
  ASSERT_NE(image, nullptr);
  Close();
  LayOut(300);
  Draw();
  ASSERT_TRUE(image->Drawn());
  std::unique_ptr<TUrlTarget> target;
  TFormControlObj* control = nullptr;
  std::string title;
  const unsigned flags =
      root_->HitTest(*canvas_, image->DrawXX + 5, image->DrawYY + 6, target, control, title);
  EXPECT_EQ(flags, guUrl | guTitle);
  ASSERT_NE(target, nullptr);
  EXPECT_EQ(target->URL, "page.htm?5,6");
  EXPECT_EQ(title, "a picture");
  EXPECT_EQ(root_->ActiveImage, image);
}

// A link's TABINDEX orders its focus control; a form control whose style
// has a border gets an inline border around its own place.
TEST_F(TextDrawTest, LinkTabIndexAndBorderedControl) {
  QWidget panel;
  auto paint = std::make_unique<platform::Control>(&panel);
  root_ = std::make_unique<TSectionList>(&panel, paint.get());
  TProperties prop;
  prop.AddPropertyByName("font-family", "Fixed Sans");
  prop.AddPropertyByName("font-size", "20px");
  TAttributeList attributes;
  attributes.Add(TAttribute(HtmlSymbol::Href, "href", 0, "x.htm"));
  attributes.Add(TAttribute(HtmlSymbol::TabIndex, "tabindex", 7, "7"));
  TUrlTarget target;
  target.Assign("x.htm", "", &attributes, 0);
  TSection s(root_.get(), nullptr, prop, &target, false);
  ASSERT_EQ(root_->TabOrderCount(), 1);

  TProperties boxed;
  boxed.AddPropertyByName("border-style", "solid");
  boxed.AddPropertyByName("border-width", "2px");
  TAttributeList input;
  input.Add(TAttribute(HtmlSymbol::Type, "", 0, "text"));
  ASSERT_TRUE(boxed.HasBorderStyle());
  ASSERT_NE(s.AddFormControl(HtmlSymbol::Input, input, nullptr, 40, &boxed), nullptr);
  ASSERT_EQ(root_->InlineList.Count(), 1);
  EXPECT_EQ(root_->InlineList[0]->StartSource, 40);
  EXPECT_EQ(root_->InlineList[0]->EndSource, 41);
  s.CloseForCell(50);
  root_->Clear();
}

// On a line, a check box stands one pixel and a radio button two below
// where their alignment (the baseline) would put a control; the one with
// the focus is framed on the page, other controls are not.
TEST_F(TextDrawTest, CheckBoxesAndRadioButtonsStandLowerAndTheFocusedOneIsFramed) {
  QWidget panel;
  auto paint = std::make_unique<platform::Control>(&panel);
  root_ = std::make_unique<TSectionList>(&panel, paint.get());
  TSection* s = NewSection();
  std::vector<TFormControlObj*> controls;
  for (const char* type : {"text", "checkbox", "radio"}) {
    Add(u" ");
    TAttributeList attributes;
    attributes.Add(TAttribute(HtmlSymbol::Type, "", 0, type));
    controls.push_back(s->AddFormControl(HtmlSymbol::Input, attributes, nullptr, pos_++, nullptr));
    ASSERT_NE(controls.back(), nullptr) << type;
  }
  Add(u" x");
  Close();
  LayOut(300);
  Draw();
  auto bottom = [](const TFormControlObj* c) { return c->TheControl()->geometry().bottom(); };
  // The text box stands on the line's bottom, the others on its baseline.
  const int descent = s->Lines[0]->Descent;
  ASSERT_GT(descent, 2);
  EXPECT_EQ(bottom(controls[1]), bottom(controls[0]) - descent + 1) << "check box";
  EXPECT_EQ(bottom(controls[2]), bottom(controls[0]) - descent + 2) << "radio button";

  // The frame's top row, inked only where a framed control stands.
  auto framed = [&](const TFormControlObj* c, int above) {
    const QRect g = c->TheControl()->geometry();
    for (int x = g.left(); x < g.left() + 16; ++x)
      if (Pixel(x, g.top() - above) != Q(platform::clWhite)) return true;
    return false;
  };
  EXPECT_FALSE(framed(controls[1], 3));
  EXPECT_FALSE(framed(controls[2], 2));
  for (TFormControlObj* c : controls) c->Active = true;
  Draw();
  EXPECT_FALSE(framed(controls[0], 3)) << "a text box has a focus look of its own";
  EXPECT_TRUE(framed(controls[1], 3));
  EXPECT_TRUE(framed(controls[2], 2));
  root_->Clear();
}

// Scrolled, the page draws shifted up in the window while positions and
// hit tests stay in document coordinates; lines far outside the rectangle
// are not drawn but still know where they are.
TEST_F(TextDrawTest, ScrolledDrawingAndPositions) {
  NewSection();
  for (int i = 0; i < 10; ++i) Add(u"line ");
  TSection* s = Close();
  LayOut(60);   // one "line " per line, 20 pixels each
  ASSERT_EQ(s->Lines.Count(), 10);
  root_->SetYOffset(40);
  image_.fill(Qt::white);
  TDrawContext context;
  root_->Draw(*canvas_, context, platform::Rect{0, 0, kWidth, 20}, kWidth, 0, 0, 0, 0);
  // Line 2 (document y 40) is at the window's top; line 5 (document y 100,
  // window 60) lies 40 pixels below the rectangle and is still drawn; line
  // 6 is further out.
  EXPECT_EQ(Pixel(5, 5), Q(platform::clBlack));
  EXPECT_EQ(Pixel(5, 65), Q(platform::clBlack));
  EXPECT_EQ(Pixel(5, 85), Q(platform::clWhite));
  EXPECT_EQ(s->Lines[9]->DrawY, 180);
  int x = 0, y = 0;
  ASSERT_TRUE(root_->CursorToXY(canvas_.get(), s->StartCurs + 46, x, y));
  EXPECT_EQ(x, 10);
  EXPECT_EQ(y, 180);
  int xr = 0, yr = 0, caretHt = 0;
  bool inText = false;
  EXPECT_EQ(root_->FindCursor(*canvas_, x, y, xr, yr, caretHt, inText), s->StartCurs + 46);
}

// A line as long as a whole paragraph is measured and drawn only where it
// can show: scrolled far along it, the window still shows exactly the
// characters (and the selection) the line's advances put there, and the
// caret and hit tests find them. The blanks in a line that may not break
// tell the characters apart.
TEST_F(TextDrawTest, LongLineDrawnWhereItShows) {
  constexpr int kEndInWindow = -1;   // the line's end at x 200
  struct Case {
    const char* name;
    TTextAlign justify;
    bool noBreak;
    int layoutWidth;
    int left;         // the cell's left edge in the window
    int selB, selE;   // relative to the section
  } cases[] = {
      {"start of the line", TTextAlign::Left, true, 300, 0, -1, -1},
      {"far along, a selection from before the window into it", TTextAlign::Left, true, 300,
       -512345, 3, 51240},
      {"far along, a selection inside the window", TTextAlign::Left, true, 300, -777777, 77790,
       77800},
      {"the end in the window", TTextAlign::Left, true, 300, kEndInWindow, 99000, 100010},
      {"justified lines scrolled into the middle", TTextAlign::Justify, false, 2000, -1203, 150,
       180},
  };
  std::u16string text;
  for (int i = 0; i < 100000; ++i) text += (i % 7 == 3 || i % 11 == 5) ? u' ' : u'x';
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    root_->Clear();
    NewSection(20, c.justify, kRed);
    pending_->NoBreak = c.noBreak;
    pending_->AddText(std::u16string_view(text), std::vector<int>{0});
    TSection* s = Close();
    LayOut(c.layoutWidth);
    if (c.noBreak) ASSERT_EQ(s->Lines.Count(), 1);
    root_->SelB = c.selB < 0 ? -1 : s->StartCurs + c.selB;
    root_->SelE = c.selE < 0 ? -1 : s->StartCurs + c.selE;
    int left = c.left;
    if (left == kEndInWindow) {
      left = 200;
      for (int a : Measured(*s, 0)) left -= a;
    }
    Draw(left);
    for (int line = 0; line < s->Lines.Count() && s->Lines[line]->DrawY < kHeight; ++line)
      ExpectLineRow(*s, line, c.selB, c.selE, kRed);
    if (HasFatalFailure()) return;
    // The caret of a character in the window is where it is drawn, and
    // hit again (where the line's width reaches), it is that character.
    const LineRec& first = *s->Lines[0];
    const int start = static_cast<int>(first.Start - s->Buff());
    const std::vector<int> adv = Measured(*s, 0);
    int index = start, x = first.DrawX;
    while (index + 1 < start + first.Ln && x + adv[index - start] <= 150) x += adv[index++ - start];
    int cx = 0, cy = 0;
    ASSERT_TRUE(root_->CursorToXY(canvas_.get(), s->StartCurs + index, cx, cy));
    EXPECT_EQ(cx, x);
    if (cx > first.DrawX + first.Width) continue;
    int xr = 0, yr = 0, caretHt = 0;
    bool inText = false;
    EXPECT_EQ(root_->FindCursor(*canvas_, cx + 1, cy + 1, xr, yr, caretHt, inText),
              s->StartCurs + index);
    EXPECT_EQ(xr, x);
  }
}

}  // namespace
