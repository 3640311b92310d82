// Text sections drawn with the real font engine: what is drawn stays on the
// advances layout measured (the fixed-metric tests check the arithmetic;
// these check that real glyphs keep to it).
#include <gtest/gtest.h>

#include <QImage>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "htmlview/layout/docroot.h"
#include "htmlview/layout/textsection.h"
#include "htmlview/parse/vocabulary.h"
#include "htmlview/style/styleprops.h"
#include "platform/fonts.h"

using namespace htmlview;

namespace {

TMyFont RealFont(const std::string& name, int em, platform::Colour colour) {
  TMyFont f;
  f.name = name;
  f.height = -em;
  f.color = colour;
  MeasureFont(f);
  return f;
}

constexpr platform::Colour kRed = platform::Rgb(220, 0, 0);

class TextDrawQtTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { platform::SetFontBackend(platform::FontBackend::Qt); }
  void SetUp() override {
    InitVocabulary();
    InitStyleProps();
    root_ = std::make_unique<TSectionList>(nullptr, nullptr);
    image_ = QImage(kWidth, kHeight, QImage::Format_RGB32);
    image_.fill(Qt::white);
    canvas_ = std::make_unique<platform::Canvas>(&image_);
  }
  void TearDown() override {
    canvas_.reset();
    root_.reset();
    DoneStyleProps();
  }
  // A section of two runs in two families, laid out and drawn at x 8.
  TSection* Page(const std::u16string& first, const std::u16string& second) {
    auto s = std::make_unique<TSection>(root_.get(), RealFont("Arial", 20, kRed));
    int pos = 0;
    for (char16_t ch : first) s->AddChar(ch, pos++);
    s->ChangeFont(RealFont("Times New Roman", 26, kRed));
    for (char16_t ch : second) s->AddChar(ch, pos++);
    TSection* raw = s.get();
    root_->Add(std::move(s), pos);
    int maxWidth = 0, curs = 0;
    root_->Layout(*canvas_, 0, kWidth - 16, 0, 0, maxWidth, curs);
    return raw;
  }
  void Draw() {
    image_.fill(Qt::white);
    TDrawContext context;
    root_->Draw(*canvas_, context, platform::Rect{0, 0, kWidth, kHeight}, kWidth, 8, 0, 0, 0);
    if (const char* dir = std::getenv("DRAVLEN_TEST_PNG_DIR"))
      image_.save(QString::fromStdString(std::string(dir) + "/" +
                                         ::testing::UnitTest::GetInstance()->current_test_info()->name() +
                                         ".png"));
  }
  bool White(int x, int y) const { return (image_.pixel(x, y) & 0xFFFFFF) == 0xFFFFFF; }
  // The measured width of the line's characters (the final blank left out).
  static int Measured(const TSection& s) {
    int w = 0;
    for (int k = 0; k + 1 < s.Len; ++k)
      w += platform::CharAdvance(s.Fonts.GetFontObjAt(k)->TheFont, s.Text[k]);
    return w;
  }

  static constexpr int kWidth = 400, kHeight = 60;
  std::unique_ptr<TSectionList> root_;
  QImage image_;
  std::unique_ptr<platform::Canvas> canvas_;
};

TEST_F(TextDrawQtTest, SelectionCoversExactlyTheMeasuredText) {
  TSection* s = Page(u"Hello wide ", u"World of text");
  ASSERT_EQ(s->Lines.Count(), 1);
  root_->SelB = s->StartCurs;
  root_->SelE = s->StartCurs + s->Len - 1;
  Draw();
  const LineRec& lr = *s->Lines[0];
  const int left = lr.DrawX, right = left + Measured(*s);
  // Just below the baseline: no glyph of this text reaches there, so the row
  // shows the selection's fill alone (a glyph may overhang its advance).
  const int row = lr.DrawY + lr.LineHt - lr.Descent + 1;
  EXPECT_TRUE(White(left - 1, row));
  EXPECT_TRUE(White(right, row));
  for (int x = left; x < right; ++x) ASSERT_FALSE(White(x, row)) << x;
}

TEST_F(TextDrawQtTest, GlyphsStayWithinTheirAdvances) {
  TSection* s = Page(u"iiiWWW ", u"dd");
  Draw();
  const LineRec& lr = *s->Lines[0];
  const int left = lr.DrawX, right = left + Measured(*s);
  const int lastAdvance =
      platform::CharAdvance(s->Fonts.GetFontObjAt(s->Len - 2)->TheFont, s->Text[s->Len - 2]);
  int minInk = kWidth, maxInk = -1;
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x)
      if (!White(x, y)) {
        minInk = std::min(minInk, x);
        maxInk = std::max(maxInk, x);
      }
  EXPECT_GE(minInk, left);
  EXPECT_LT(maxInk, right + 1);              // a glyph may touch its last column
  EXPECT_GE(maxInk, right - lastAdvance);    // the last glyph is drawn in its own cell
}

// A paragraph of everything a line holds, justified over three lines, part
// of it selected: every line is drawn inside the width it was given.
TEST_F(TextDrawQtTest, JustifiedParagraphStaysInItsWidth) {
  auto s = std::make_unique<TSection>(root_.get(), RealFont("Arial", 16, platform::clBlack),
                                      TTextAlign::Justify);
  int pos = 0;
  auto add = [&](const std::u16string& text) {
    for (char16_t ch : text) s->AddChar(ch, pos++);
  };
  add(u"Water ");
  s->ChangeFont(RealFont("Arial", 16, platform::clBlack), TVAlign::Sub);
  add(u"2");
  s->ChangeFont(RealFont("Arial", 16, platform::clBlack));
  add(u" boils at 100 \u00B0C, x");
  s->ChangeFont(RealFont("Arial", 16, platform::clBlack), TVAlign::Super);
  add(u"2");
  TFontObj* link = s->ChangeFont(RealFont("Times New Roman", 18, platform::Rgb(0, 0, 200)));
  link->UrlTarget->URL = "more.htm";
  add(u" read more about it");
  s->ChangeFont(RealFont("Courier New", 16, platform::clBlack));
  add(u" in the tables below.");
  TSection* raw = s.get();
  root_->Add(std::move(s), pos);
  int maxWidth = 0, curs = 0;
  root_->Layout(*canvas_, 0, 200, 0, 0, maxWidth, curs);
  root_->SelB = 10;
  root_->SelE = 30;
  Draw();
  ASSERT_GE(raw->Lines.Count(), 3);
  for (int y = 0; y < kHeight; ++y) {
    EXPECT_TRUE(White(7, y)) << y;
    EXPECT_TRUE(White(8 + 200 + 1, y)) << y;
  }
}

}  // namespace
