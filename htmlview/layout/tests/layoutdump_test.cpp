#include "htmlview/layout/layoutdump.h"

#include <gtest/gtest.h>

#include <QImage>

#include <memory>
#include <string>

#include "htmlview/layout/cells.h"
#include "htmlview/layout/simplesections.h"
#include "htmlview/layout/textsection.h"
#include "platform/fonts.h"

using namespace htmlview;

namespace {

// Every character half the em wide; ascent 0.8 em, descent the rest.
TMyFont TestFont(int em = 20) {
  TMyFont f;
  f.name = "Fixed Sans";
  f.height = -em;
  f.color = platform::clBlack;
  MeasureFont(f);
  return f;
}

class LayoutDumpTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    platform::SetFontBackend(platform::FontBackend::FixedMetric, {"Fixed Sans"});
  }
  void SetUp() override {
    image_ = QImage(50, 50, QImage::Format_RGB32);
    canvas_ = std::make_unique<platform::Canvas>(&image_);
  }
  void Add(TSection& s, const std::u16string& text) {
    for (char16_t ch : text) s.AddChar(ch, pos_++);
  }
  std::string LayOut(int width) {
    int maxWidth = 0, curs = 0;
    root_.Layout(*canvas_, 0, width, 0, 0, maxWidth, curs);
    return DumpLayout(root_);
  }

  TSectionListBase root_;
  QImage image_;
  std::unique_ptr<platform::Canvas> canvas_;
  int pos_ = 0;
};

TEST_F(LayoutDumpTest, SectionsLinesAndRuns) {
  auto s = std::make_unique<TSection>(&root_, TestFont(), 1);
  Add(*s, u"aaa bbb ");
  TMyFont bold = TestFont(30);
  bold.weight = platform::FW_BOLD;
  bold.color = platform::clRed;
  s->ChangeFont(bold);
  Add(*s, u"cc");
  root_.Add(std::move(s), pos_);
  auto hr = std::make_unique<THorzLine>(&root_, nullptr, nullptr);
  root_.Add(std::move(hr), pos_);

  EXPECT_EQ(LayOut(100),
            "section 0,0 100x50 doc 0..11\n"
            "  line y=0 h=20 base=16 x=0..70\n"
            "    run 0..8 x=0..80 \"aaa bbb \" font \"Fixed Sans\" 20 color #000000\n"
            "  line y=20 h=30 base=44 x=0..30\n"
            "    run 8..11 x=0..45 \"cc \" font \"Fixed Sans\" 30 bold color #ff0000\n"
            "hr 0,50 100x2\n");
}

TEST_F(LayoutDumpTest, NotationHelpers) {
  using W = LayoutDumpWriter;
  EXPECT_EQ(W::Quoted(std::u16string(u"a\"b\\c\u0008\u0004\u0002\u00A0\t\u0001\u00e9")),
            "\"a\\\"b\\\\c<br><img><ctl><nbsp>\\t\\u0001\xc3\xa9\"");
  EXPECT_EQ(W::Colour(platform::clNone), "none");
  EXPECT_EQ(W::Colour(platform::Rgb(1, 2, 255)), "#0102ff");
  EXPECT_EQ(W::Colour(platform::clWindow), "#ffffff");
  EXPECT_EQ(W::Rect(-1, 2, 3, 4), "-1,2 3x4");
  EXPECT_EQ(W::Align(ASuper), "super");

  W writer;
  writer.Line("a");
  {
    W::Nested nested(writer);
    writer.Line("b");
  }
  writer.Line("c");
  EXPECT_EQ(writer.Text(), "a\n  b\nc\n");
}

}  // namespace
