#include "htmlview/layout/textsection.h"

#include <gtest/gtest.h>

#include <QImage>

#include <memory>
#include <string>
#include <vector>

#include "htmlview/parse/attributes.h"
#include "htmlview/layout/cells.h"
#include "htmlview/style/styleprops.h"
#include "objectdoc_fake.h"
#include "platform/fonts.h"

using namespace htmlview;

namespace {

// An inline object of a fixed size (the picture does not matter to layout).
class FixedObj : public TFloatingObj {
 public:
  FixedObj(int w, int h, TVAlign align = TVAlign::Bottom) {
    ObjWidth = w;
    ObjHeight = h;
    VertAlign = align;
  }
  int Layouts = 0;
  void Layout(TSectionListBase*, platform::Canvas&, TFontObj*, int, int) override { ++Layouts; }
};

// Every character 10 pixels wide; font height 20, descent 4.
TMyFont TestFont(int em = 20) {
  TMyFont f;
  f.name = "Fixed Sans";
  f.height = -em;
  MeasureFont(f);
  return f;
}

class TextSectionTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    platform::SetFontBackend(platform::FontBackend::FixedMetric, {"Fixed Sans"});
  }
  void SetUp() override {
    image_ = QImage(50, 50, QImage::Format_RGB32);
    canvas_ = std::make_unique<platform::Canvas>(&image_);
  }

  std::unique_ptr<TSection> Make(const std::u16string& text,
                                 TTextAlign justify = TTextAlign::Left) {
    auto s = std::make_unique<TSection>(&root_, TestFont(), justify);
    Add(*s, text);
    return s;
  }
  // The break codes by the characters they were stored as.
  static std::string BreakCodes(const TSection& s) {
    std::string codes;
    for (int i = 0; i < s.Brk.Size(); ++i) codes += static_cast<char>(s.Brk[i]);
    return codes;
  }
  void Add(TSection& s, const std::u16string& text) {
    for (char16_t ch : text) s.AddChar(ch, pos_++);
  }
  // Lays out at width w; returns the line texts.
  std::vector<std::u16string> Lines(TSection& s, int w, int* maxWidth = nullptr) {
    IndentManager mgr;
    mgr.Reset(0, w);
    return LinesWith(s, w, mgr, maxWidth);
  }
  std::vector<std::u16string> LinesWith(TSection& s, int w, IndentManager& mgr,
                                        int* maxWidth = nullptr) {
    int mw = 0, curs = 0;
    s.Layout(*canvas_, 0, 0, 0, 0, w, 0, 0, mgr, mw, curs);
    if (maxWidth) *maxWidth = mw;
    std::vector<std::u16string> out;
    for (const LineRec& lr : s.Lines) out.emplace_back(lr.Start, lr.Ln);
    return out;
  }

  TSectionListBase root_;
  QImage image_;
  std::unique_ptr<platform::Canvas> canvas_;
  int pos_ = 0;
};

using L = std::vector<std::u16string>;

TEST_F(TextSectionTest, FinishCleansSpacesAndHyphens) {
  struct Case {
    std::u16string in, out;
    std::string brk;
  } cases[] = {
      {u"  ab  cd", u"ab cd ", "yyyyyyy"},
      {u"ab \u0008 cd", u"ab\u0008cd ", "yyyyyyy"},
      {u"ab\u0008", u"ab ", "yyyy"},
      {u"a\u00ADb", u"ab ", "syyy"},
      {u"\u0008", u"\u0008", "yy"},
      {u"   ", u"", ""},
  };
  for (const Case& c : cases) {
    auto s = Make(c.in);
    s->Finish(99);
    EXPECT_EQ(s->Text, c.out);
    EXPECT_EQ(s->Len, static_cast<int>(c.out.size()));
    EXPECT_EQ(BreakCodes(*s), c.brk);
  }
}

TEST_F(TextSectionTest, FinishKeepsSourcePositionsAndRuns) {
  TSection s(&root_, TestFont());
  s.AddText(u"  ab", {10, 11, 12, 13});
  s.ChangeFont(TestFont(30));
  s.AddText(u"  cd", {20, 21, 22, 23});
  s.Finish(40);
  EXPECT_EQ(s.Text, u"ab cd ");
  ASSERT_EQ(s.Fonts.Count(), 2);
  EXPECT_EQ(s.Fonts[1]->Pos, 2);   // the run moved back with the deleted spaces
  EXPECT_EQ(s.SourcePosOf(0), 12);
  EXPECT_EQ(s.SourcePosOf(1), 13);
  EXPECT_EQ(s.SourcePosOf(2), 20);  // the first space may break: the second goes
  EXPECT_EQ(s.SourcePosOf(4), 23);
  EXPECT_EQ(s.SourcePosOf(5), 40);
  EXPECT_TRUE(s.SourcePositions.empty());
}

// The source positions kept while a section fills grow in proportion to its
// text: a short section holds no large reserve, a long one is not copied
// over and over.
TEST_F(TextSectionTest, SourcePositionsGrowInProportion) {
  TSection shortOne(&root_, TestFont());
  shortOne.AddText(u"x", {0});
  EXPECT_LE(shortOne.SourcePositions.capacity(), 16u);

  TSection longOne(&root_, TestFont());
  int growths = 0;
  size_t capacity = 0;
  for (int i = 0; i < 100000; ++i) {
    longOne.AddText(u"w", {i});
    if (longOne.SourcePositions.capacity() != capacity) ++growths;
    capacity = longOne.SourcePositions.capacity();
  }
  EXPECT_EQ(longOne.SourcePositions.size(), 100000u);
  EXPECT_LE(growths, 40);
}

// A finished section keeps no reserve its filling grew (a page of a great
// many sections would hold one for each), and its lines read the text it
// kept.
TEST_F(TextSectionTest, FinishedSectionKeepsNoReserve) {
  TSection s(&root_, TestFont(), TTextAlign::Left);
  std::u16string text;
  for (int i = 0; i < 1000; ++i) {
    s.AddText(u"word ", {5 * i});
    text += u"word ";
  }
  s.Finish(5000);
  ASSERT_EQ(s.Text, text);
  EXPECT_EQ(s.Text.capacity(), s.Text.size());
  EXPECT_EQ(s.Brk.Capacity(), static_cast<size_t>(s.Brk.Size()));
  const std::vector<std::u16string> lines = Lines(s, 200);
  EXPECT_GT(lines.size(), 100u);
  std::u16string joined;
  for (const std::u16string& line : lines) joined += line;
  EXPECT_EQ(joined, text);
}

// The source positions of a filling section are kept as the places where
// they stop being consecutive; characters taken out anywhere (as Finish
// does) leave them as a position per character would be.
TEST(FillPositionsTest, FollowsAPositionPerCharacter) {
  unsigned seed = 12345;
  auto next = [&seed](int n) {
    seed = seed * 1103515245u + 12345u;
    return static_cast<int>((seed >> 16) % static_cast<unsigned>(n));
  };
  for (int round = 0; round < 200; ++round) {
    TFillPositions kept;
    std::vector<int> plain;
    int pos = next(5);
    const int length = 1 + next(30);
    for (int i = 0; i < length; ++i) {
      // Mostly consecutive, now and then a jump, a repeat or a step back.
      const int step = next(6);
      pos += step == 0 ? 5 : step == 1 ? 0 : step == 2 ? -2 : 1;
      kept.push_back(pos);
      plain.push_back(pos);
    }
    while (!plain.empty()) {
      ASSERT_EQ(kept.size(), plain.size());
      std::vector<IndexObj> places;
      for (size_t i = 0; i < plain.size(); ++i) {
        ASSERT_EQ(kept[i], plain[i]) << round << " " << i;
        if (i == 0 || plain[i] != plain[i - 1] + 1) places.push_back({static_cast<int>(i), plain[i]});
      }
      EXPECT_EQ(kept.back(), plain.back());
      const std::vector<IndexObj> got = kept.Places(static_cast<int>(plain.size()));
      ASSERT_EQ(got.size(), places.size()) << round;
      for (size_t k = 0; k < places.size(); ++k) {
        EXPECT_EQ(got[k].Pos, places[k].Pos) << round << " " << k;
        EXPECT_EQ(got[k].Index, places[k].Index) << round << " " << k;
      }
      const int at = next(static_cast<int>(plain.size()));
      kept.EraseAt(static_cast<size_t>(at));
      plain.erase(plain.begin() + at);
    }
    EXPECT_TRUE(kept.empty());
  }
}

TEST_F(TextSectionTest, LineBreaksForWidths) {
  auto s = Make(u"aaa bbb cc dddd");
  s->Finish(pos_);
  struct Case {
    int width;
    L lines;
  } cases[] = {
      {400, {u"aaa bbb cc dddd "}},
      {75, {u"aaa bbb ", u"cc dddd "}},
      {70, {u"aaa bbb ", u"cc dddd "}},
      {60, {u"aaa ", u"bbb cc ", u"dddd "}},
      {35, {u"aaa ", u"bbb ", u"cc ", u"dddd "}},
  };
  for (const Case& c : cases) EXPECT_EQ(Lines(*s, c.width), c.lines) << c.width;
  Lines(*s, 60);
  EXPECT_EQ(s->SectionHeight, 60);
  EXPECT_EQ(s->Lines[1]->LineHt, 20);
  EXPECT_EQ(s->Lines[1]->Descent, 4);
}

TEST_F(TextSectionTest, ForcedBreakAndHyphens) {
  auto s = Make(u"ab\u0008cd ef-gh");
  s->Finish(pos_);
  EXPECT_EQ(Lines(*s, 400), (L{u"ab\u0008", u"cd ef-gh "}));
  EXPECT_EQ(Lines(*s, 60), (L{u"ab\u0008", u"cd ef-", u"gh "}));
  EXPECT_EQ(Lines(*s, 50), (L{u"ab\u0008", u"cd ", u"ef-gh "}));
}

TEST_F(TextSectionTest, SoftHyphenBreaksWithDash) {
  auto s = Make(u"abc\u00ADdef");
  s->Finish(pos_);
  auto lines = Lines(*s, 50);
  EXPECT_EQ(lines, (L{u"abc", u"def "}));
  EXPECT_TRUE(s->Lines[0]->Shy);
  EXPECT_FALSE(s->Lines[1]->Shy);
}

TEST_F(TextSectionTest, LongWordOwnLineAndBreakWord) {
  auto s = Make(u"ab abcdefgh cd");
  s->Finish(pos_);
  int mw = 0;
  EXPECT_EQ(Lines(*s, 50, &mw), (L{u"ab ", u"abcdefgh ", u"cd "}));
  EXPECT_EQ(mw, 80);
  s->BreakWord = true;
  EXPECT_EQ(Lines(*s, 50), (L{u"ab ", u"abcde", u"fgh ", u"cd "}));
}

TEST_F(TextSectionTest, WidthRange) {
  struct Case {
    std::u16string text;
    int min, max;
  } cases[] = {
      {u"aaa bbbbb cc", 50, 120},
      {u"ab\u0008cdef", 40, 40},
      {u"one-two", 40, 70},
      {u"abcd\u00ADef", 50, 60},   // "abcd" plus the dash it draws
      {u"", 0, 0},
  };
  for (const Case& c : cases) {
    auto s = Make(c.text);
    s->Finish(pos_);
    int mn = -1, mx = -1;
    s->WidthRange(*canvas_, mn, mx);
    EXPECT_EQ(mn, c.min) << platform::Utf16ToUtf8(c.text);
    EXPECT_EQ(mx, c.max) << platform::Utf16ToUtf8(c.text);
  }
  auto s = Make(u"aaaa bb");
  s->Finish(pos_);
  s->BreakWord = true;
  s->FirstLineIndent = 15;
  int mn = 0, mx = 0;
  s->WidthRange(*canvas_, mn, mx);
  EXPECT_EQ(mn, 25);   // one character on the indented first line
  EXPECT_EQ(mx, 85);
}

TEST_F(TextSectionTest, InlineImageInLine) {
  auto s = Make(u"ab ");
  auto* img = s->AddObject(std::make_unique<FixedObj>(30, 40), pos_++);
  Add(*s, u" cd");
  s->Finish(pos_);
  EXPECT_EQ(s->Text, u"ab \u0004 cd ");
  EXPECT_EQ(img->Pos, 3);
  EXPECT_EQ(s->FindTextWidth(0, s->Len, true), 30 + 30 + 10 + 20);

  int mn = 0, mx = 0;
  s->WidthRange(*canvas_, mn, mx);
  EXPECT_EQ(mn, 30);
  EXPECT_EQ(mx, 90);

  EXPECT_EQ(Lines(*s, 400), (L{u"ab \u0004 cd "}));
  // Bottom aligned: the image stands on the baseline and pushes the line's
  // space above: 40 - (20 - 4).
  EXPECT_EQ(s->Lines[0]->SpaceBefore, 24);
  EXPECT_EQ(s->SectionHeight, 44);
  EXPECT_EQ(img->YValue, 0);

  // Too narrow for the image after the text: it moves to its own line.
  EXPECT_EQ(Lines(*s, 40), (L{u"ab ", u"\u0004 ", u"cd "}));
  EXPECT_EQ(img->YValue, 20);
}

TEST_F(TextSectionTest, TopAndMiddleImages) {
  for (TVAlign align : {TVAlign::Top, TVAlign::Middle}) {
    auto s = Make(u"ab ");
    s->AddObject(std::make_unique<FixedObj>(10, 40, align), pos_++);
    s->Finish(pos_);
    Lines(*s, 400);
    const LineRec* lr = s->Lines[0];
    if (align == TVAlign::Top) {
      EXPECT_EQ(lr->SpaceAfter, 20);
      EXPECT_EQ(lr->SpaceBefore, 0);
    } else {
      EXPECT_EQ(lr->SpaceAfter, 10);
      EXPECT_EQ(lr->SpaceBefore, 10);
    }
  }
}

TEST_F(TextSectionTest, FloatingImageNarrowsLines) {
  auto s = std::make_unique<TSection>(&root_, TestFont());
  auto* img = s->AddObject(std::make_unique<FixedObj>(50, 30, TVAlign::Left), pos_++);
  Add(*s, u" aaa bbb ccc");
  s->Finish(pos_);
  EXPECT_EQ(s->Text, u"\u0004aaa bbb ccc ");   // the space after a float goes
  int mn = 0, mx = 0;
  s->WidthRange(*canvas_, mn, mx);
  EXPECT_EQ(mx, 110 + 50);
  EXPECT_EQ(mn, 50);

  IndentManager mgr;
  mgr.Reset(0, 130);
  auto lines = LinesWith(*s, 130, mgr);
  // 130 - 50 leaves 80 pixels beside the float for two lines of 20.
  EXPECT_EQ(lines, (L{u"\u0004aaa bbb ", u"ccc "}));
  EXPECT_EQ(img->Indent, 0);
  // The float was placed before its line was finished: text starts beside it.
  EXPECT_EQ(s->Lines[0]->LineIndent, 50);
  EXPECT_EQ(s->Lines[1]->LineIndent, 50);
  EXPECT_EQ(s->DrawHeight, 40);
}

TEST_F(TextSectionTest, FloatWiderThanLineStillPlaced) {
  auto s = std::make_unique<TSection>(&root_, TestFont());
  auto* img = s->AddObject(std::make_unique<FixedObj>(150, 30, TVAlign::Right), pos_++);
  Add(*s, u"ab");
  s->Finish(pos_);
  IndentManager mgr;
  mgr.Reset(0, 100);
  EXPECT_EQ(LinesWith(*s, 100, mgr), (L{u"\u0004", u"", u"ab "}));
  EXPECT_EQ(s->Lines[0]->LineHt, 0);        // a line of objects only
  EXPECT_EQ(s->Lines[0]->DrawHeight, 30);   // covers the float
  EXPECT_EQ(s->Lines[1]->SpaceBefore, 30);  // the text moves below it
  EXPECT_EQ(s->SectionHeight, 50);
  EXPECT_EQ(img->Indent, -50);
}

TEST_F(TextSectionTest, LongWordMovesBelowFloat) {
  IndentManager mgr;
  mgr.Reset(0, 100);
  mgr.Update(0, TFloatSide::Left, 60, 50, 0, 0, 0, 0);
  auto s = Make(u"abcdefgh");
  s->Finish(pos_);
  auto lines = LinesWith(*s, 100, mgr);
  EXPECT_EQ(lines, (L{u"", u"abcdefgh "}));
  EXPECT_EQ(s->Lines[0]->SpaceBefore, 50);
  EXPECT_EQ(s->Lines[1]->LineIndent, 0);
  EXPECT_EQ(s->SectionHeight, 70);
}

TEST_F(TextSectionTest, JustificationAndAlignment) {
  auto s = Make(u"aa bb cc\u0008dd ee", TTextAlign::Justify);
  s->Finish(pos_);
  EXPECT_EQ(Lines(*s, 70), (L{u"aa bb ", u"cc\u0008", u"dd ee "}));
  EXPECT_EQ(s->Lines[0]->Extra, 20);
  EXPECT_EQ(s->Lines[0]->Spaces, 1);
  EXPECT_EQ(s->Lines[1]->Extra, 50);   // a line ending at a break is justified
  EXPECT_EQ(s->Lines[2]->Extra, 0);    // the last line is not
  EXPECT_EQ(s->Lines[2]->Spaces, 0);

  auto c = Make(u"abcd", TTextAlign::Center);
  c->Finish(pos_);
  Lines(*c, 100);
  EXPECT_EQ(c->Lines[0]->LineIndent, 30);
  auto r = Make(u"abcd", TTextAlign::Right);
  r->Finish(pos_);
  Lines(*r, 100);
  EXPECT_EQ(r->Lines[0]->LineIndent, 60);
}

TEST_F(TextSectionTest, LineHeightAndIndent) {
  auto s = Make(u"aaa bbb");
  s->Finish(pos_);
  s->LineHeight = 33;
  Lines(*s, 50);
  ASSERT_EQ(s->Lines.Count(), 2);
  EXPECT_EQ(s->Lines[0]->SpaceBefore, 6);
  EXPECT_EQ(s->Lines[0]->SpaceAfter, 7);
  EXPECT_EQ(s->SectionHeight, 66);

  auto t = Make(u"aaa bbb");
  t->Finish(pos_);
  t->FirstLineIndentPct = 10;
  EXPECT_EQ(Lines(*t, 400), (L{u"aaa bbb "}));
  EXPECT_EQ(t->FirstLineIndent, 40);
  EXPECT_EQ(t->Lines[0]->LineIndent, 40);
  EXPECT_EQ(Lines(*t, 100), (L{u"aaa bbb "}));
  EXPECT_EQ(Lines(*t, 70), (L{u"aaa ", u"bbb "}));   // 63 pixels beside the 7-pixel indent
  EXPECT_EQ(t->Lines[1]->LineIndent, 0);
}

TEST_F(TextSectionTest, EmptyAndClosing) {
  auto s = Make(u"   ");
  EXPECT_FALSE(s->CloseForCell(pos_));
  int mw = 5, curs = 7;
  IndentManager mgr;
  mgr.Reset(0, 100);
  EXPECT_EQ(s->Layout(*canvas_, 0, 10, 0, 0, 100, 0, 0, mgr, mw, curs), 0);
  EXPECT_EQ(mw, 0);
  auto t = Make(u"x");
  EXPECT_TRUE(t->CloseForCell(pos_));
  curs = 7;
  t->Layout(*canvas_, 0, 10, 0, 0, 100, 0, 0, mgr, mw, curs);
  EXPECT_EQ(curs, 9);
  EXPECT_EQ(t->SectionTop, 10);
  EXPECT_EQ(t->SectionBottom, 30);
}

TEST_F(TextSectionTest, FromStyle) {
  InitStyleProps();
  TProperties prop;
  prop.AddPropertyByName("font-family", "Fixed Sans");
  prop.AddPropertyByName("font-size", "16px");
  prop.AddPropertyByName("text-align", "justify");
  prop.AddPropertyByName("line-height", "2");
  prop.AddPropertyByName("text-indent", "10%");
  prop.AddPropertyByName("word-wrap", "break-word");
  TSection s(&root_, nullptr, prop, nullptr, true);
  EXPECT_EQ(s.Justify, TTextAlign::Justify);
  EXPECT_TRUE(s.BreakWord);
  EXPECT_EQ(s.LineHeight, 32);
  EXPECT_EQ(s.FirstLineIndentPct, 10);
  ASSERT_EQ(s.Fonts.Count(), 1);
  EXPECT_EQ(s.Fonts[0]->FontHeight(), 16);
  for (char16_t ch : std::u16string(u"aaaa bbbb cccc")) s.AddChar(ch, pos_++);
  s.Finish(pos_);
  EXPECT_EQ(Lines(s, 400), (L{u"aaaa bbbb cccc "}));
  EXPECT_EQ(s.Lines[0]->LineIndent, 40);
  // Every line 32 tall: 16 more than the font, split 8 above and 8 below.
  EXPECT_EQ(s.Lines[0]->SpaceBefore, 8);
  EXPECT_EQ(s.Lines[0]->SpaceAfter, 8);
  EXPECT_EQ(s.SectionHeight, 32);

  TSection plain(&root_, nullptr, prop, nullptr, false);
  EXPECT_EQ(plain.FirstLineIndentPct, 0);
  EXPECT_EQ(plain.FirstLineIndent, 0);
}

// Percentages below zero, given or computed, size nothing below zero.
TEST_F(TextSectionTest, NegativePercentagesClampAtZero) {
  InitStyleProps();
  TProperties prop;
  prop.AddPropertyByName("font-family", "Fixed Sans");
  prop.AddPropertyByName("font-size", "20px");
  prop.AddPropertyByName("text-indent", "-10%");
  TSection s(&root_, nullptr, prop, nullptr, true);
  EXPECT_EQ(s.FirstLineIndentPct, 0);
  EXPECT_EQ(s.FirstLineIndent, 0);

  auto t = Make(u"ab cd");
  t->Finish(pos_);
  t->FirstLineIndentPct = 50;
  IndentManager mgr;
  mgr.Reset(0, 100);
  int mw = 0, curs = 0;
  t->Layout(*canvas_, 0, 0, 0, 0, -40, 0, 0, mgr, mw, curs);   // a width below nothing
  EXPECT_EQ(t->FirstLineIndent, 0);
  EXPECT_GE(t->Lines[0]->LineIndent, 0);
}

TEST_F(TextSectionTest, LinkRunsJoinTheDocumentLinks) {
  objfake::FakeDocument doc;
  TProperties prop;
  prop.AddPropertyByName("font-family", "Fixed Sans");
  prop.AddPropertyByName("font-size", "20px");
  TSection s(&doc, nullptr, prop, nullptr, false);
  for (char16_t ch : std::u16string(u"go ")) s.AddChar(ch, pos_++);
  TUrlTarget target;
  target.URL = "page.htm";
  TFontObj* link = s.SetLink(true, prop, &target);
  for (char16_t ch : std::u16string(u"there")) s.AddChar(ch, pos_++);
  TFontObj* after = s.SetLink(false, prop, nullptr);
  for (char16_t ch : std::u16string(u" now")) s.AddChar(ch, pos_++);
  s.Finish(pos_);
  ASSERT_EQ(doc.Links.size(), 1u);
  EXPECT_EQ(doc.Links[0], link);
  EXPECT_EQ(link->URL(), "page.htm");
  EXPECT_EQ(link->Pos, 3);
  EXPECT_FALSE(after->IsLink());
  EXPECT_EQ(after->Pos, 8);
  Lines(s, 400);
  EXPECT_EQ(s.Lines.Count(), 1);

  // A link section left empty is dropped by its cell: it leaves no run behind.
  TSection empty(&doc, nullptr, prop, &target, false);
  EXPECT_EQ(doc.Links.size(), 2u);
  EXPECT_FALSE(empty.CloseForCell(pos_));
  ASSERT_EQ(doc.Links.size(), 1u);
  EXPECT_EQ(doc.Links[0], link);
}

TEST_F(TextSectionTest, LargerLaterFontIsMeasured) {
  // 4 characters of 10 pixels would fit in 60; the 40-pixel run does not.
  TSection s(&root_, TestFont());
  Add(s, u"ab ");
  s.ChangeFont(TestFont(80));
  Add(s, u"cd");
  s.Finish(pos_);
  EXPECT_EQ(Lines(s, 60), (L{u"ab ", u"cd "}));
  EXPECT_EQ(s.Lines[1]->LineHt, 80);
}

TEST_F(TextSectionTest, ClearanceMovesBelowFloats) {
  IndentManager mgr;
  mgr.Reset(0, 200);
  mgr.Update(0, TFloatSide::Left, 60, 50, 0, 0, 0, 0);
  for (TClear clear : {TClear::None, TClear::Left, TClear::Right, TClear::Both}) {
    auto s = Make(u"ab");
    s->Finish(pos_);
    s->ClearAttr = clear;
    auto lines = LinesWith(*s, 200, mgr);
    const bool cleared = clear == TClear::Left || clear == TClear::Both;
    const int code = static_cast<int>(clear);
    EXPECT_EQ(lines.size(), cleared ? 2u : 1u) << code;
    EXPECT_EQ(s->SectionHeight, cleared ? 50 + 20 : 20) << code;
    EXPECT_EQ(s->Lines[s->Lines.Count() - 1]->LineIndent, cleared ? 0 : 60) << code;
  }
}

// A document that keeps forms; controls live on its panel.
class FormDoc : public TSectionListBase, public TSectionListForms {
 public:
  TSectionListForms* Forms() override { return this; }
  QWidget Panel;
  QWidget* PaintPanel() override { return &Panel; }
};

std::unique_ptr<TAttributeList> InputAttrs(const std::string& type) {
  auto a = std::make_unique<TAttributeList>();
  a->Add(TAttribute(HtmlSymbol::Type, "", 0, type));
  return a;
}

TEST_F(TextSectionTest, FormControlsInLines) {
  FormDoc doc;
  TSection s(&doc, TestFont());
  Add(s, u"ab ");
  auto check = InputAttrs("checkbox");
  TFormControlObj* box = s.AddFormControl(HtmlSymbol::Input, *check, nullptr, pos_++, nullptr);
  auto hidden = InputAttrs("hidden");
  EXPECT_NE(s.AddFormControl(HtmlSymbol::Input, *hidden, box->MyForm, pos_++, nullptr), nullptr);
  Add(s, u" cd ");
  auto file = InputAttrs("file");
  TFormControlObj* edit = s.AddFormControl(HtmlSymbol::Input, *file, box->MyForm, pos_++, nullptr);
  s.Finish(pos_);
  ASSERT_NE(box, nullptr);
  ASSERT_NE(edit, nullptr);
  EXPECT_EQ(s.Text, u"ab \u0002 cd \u0002\u0002 ");   // the hidden input stands nowhere
  EXPECT_EQ(s.FormControls().Count(), 3);
  EXPECT_EQ(box->Pos, 3);
  EXPECT_EQ(edit->Pos, 8);
  EXPECT_EQ(BreakCodes(s).substr(8, 2), "nn");   // edit and browse button stay together
  box->MyForm->SetSizes(*canvas_);
  const int boxW = box->Width() + box->HSpaceL + box->HSpaceR;
  const int editW = edit->Width() + edit->HSpaceL + edit->HSpaceR;
  TFormControlObj* browse = s.FormControls()[2];
  const int browseW = browse->Width() + browse->HSpaceL + browse->HSpaceR;
  ASSERT_GT(boxW, 0);
  EXPECT_EQ(s.FindTextWidth(0, 4, false), 30 + boxW);
  int mn = 0, mx = 0;
  s.WidthRange(*canvas_, mn, mx);
  EXPECT_EQ(mn, std::max({boxW, editW, browseW, 20}));
  EXPECT_EQ(mx, 30 + boxW + 40 + editW + browseW);
  EXPECT_EQ(Lines(s, 1000), (L{u"ab \u0002 cd \u0002\u0002 "}));
  // The edit does not fit after "cd ": it and its button go down together
  // (the narrow width still holds either one).
  const int w = std::max(30 + boxW + 40, editW + browseW + 10);
  EXPECT_EQ(Lines(s, w), (L{u"ab \u0002 cd ", u"\u0002\u0002 "}));
}

TEST_F(TextSectionTest, PreformattedDoesNotWrap) {
  TPreFormated s(&root_, TestFont());
  Add(s, u"aaa bbb ccc");
  EXPECT_EQ(BreakCodes(s), std::string(11, 'n'));
  s.Finish(pos_);
  EXPECT_EQ(Lines(s, 40), (L{u"aaa bbb ccc "}));
  IndentManager mgr;
  mgr.Reset(0, 200);
  mgr.Update(0, TFloatSide::Left, 60, 30, 0, 0, 0, 0);
  EXPECT_EQ(LinesWith(s, 200, mgr), (L{u"", u"aaa bbb ccc "}));
  EXPECT_EQ(s.SectionHeight, 30 + 20);

  TPreFormated empty(&root_, TestFont());
  EXPECT_TRUE(empty.CloseForCell(pos_));   // kept even without characters
}

TEST_F(TextSectionTest, OneCharacterTooWideStillAdvances) {
  auto s = Make(u"abc");
  s->Finish(pos_);
  s->BreakWord = true;
  EXPECT_EQ(Lines(*s, 5), (L{u"a", u"b", u"c "}));
}

}  // namespace
