#include "htmlview/layout/layoutdump.h"

#include <gtest/gtest.h>

#include <QImage>

#include <functional>
#include <memory>
#include <string>

#include "htmlview/layout/cells.h"
#include "htmlview/layout/simplesections.h"
#include "htmlview/layout/textsection.h"
#include "platform/fonts.h"

using namespace htmlview;

namespace {

// An inline object of a fixed size.
class FixedObj : public TFloatingObj {
 public:
  FixedObj(int w, int h, TVAlign align = TVAlign::Bottom) {
    ObjWidth = w;
    ObjHeight = h;
    VertAlign = align;
  }
  void Layout(TSectionListBase*, platform::Canvas&, TFontObj*, int, int) override {}
};

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
  auto s = std::make_unique<TSection>(&root_, TestFont());
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

// Line breaking, one small page each: the text (built by the case), the
// width it is laid out at, and the dump expected.
TEST_F(LayoutDumpTest, LineBreaking) {
  struct Case {
    const char* name;
    std::function<void(TSection&)> build;   // fills the one section
    int width;
    std::string dump;
    bool pre = false;
    TTextAlign justify = TTextAlign::Left;
  };
  auto text = [this](std::u16string t) { return [this, t](TSection& s) { Add(s, t); }; };
  const std::string font = " font \"Fixed Sans\" 20 color #000000";
  const Case cases[] = {
      {"soft hyphen breaks with a dash", text(u"abc\u00ADdef ghi"), 50,
       "section 0,0 50x60 doc 0..11\n"
       "  line y=0 h=20 base=16 x=0..40 shy\n"
       "    run 0..3 x=0..30 \"abc\"" + font + "\n"
       "  line y=20 h=20 base=36 x=0..30\n"
       "    run 4..8 x=0..40 \"def \"" + font + "\n"
       "  line y=40 h=20 base=56 x=0..30\n"
       "    run 8..12 x=0..40 \"ghi \"" + font + "\n"},
      {"no-break space holds a word together", text(u"aa\u00A0bb cc"), 40,
       "section 0,0 40x40 doc 0..9\n"
       "  line y=0 h=20 base=16 x=0..50\n"
       "    run 0..6 x=0..60 \"aa<nbsp>bb \"" + font + "\n"
       "  line y=20 h=20 base=36 x=0..20\n"
       "    run 6..9 x=0..30 \"cc \"" + font + "\n"},
      {"BR ends a line, spaces around it go", text(u"ab \u0008 cd"), 200,
       "section 0,0 200x40 doc 0..6\n"
       "  line y=0 h=20 base=16 x=0..20\n"
       "    run 0..4 x=0..30 \"ab<br>\"" + font + "\n"
       "  line y=20 h=20 base=36 x=0..20\n"
       "    run 5..8 x=0..30 \"cd \"" + font + "\n"},
      {"justified lines fill the width, the last does not", text(u"aa bb cc dd"), 70,
       "section 0,0 70x40 doc 0..12\n"
       "  line y=0 h=20 base=16 x=0..70 gaps=1 extra=20\n"
       "    run 0..6 x=0..80 \"aa bb \"" + font + "\n"
       "  line y=20 h=20 base=36 x=0..50\n"
       "    run 6..12 x=0..60 \"cc dd \"" + font + "\n",
       false, TTextAlign::Justify},
      {"centred", text(u"abcd"), 100,
       "section 0,0 100x20 doc 0..5\n"
       "  line y=0 h=20 base=16 x=30..70\n"
       "    run 0..5 x=30..80 \"abcd \"" + font + "\n",
       false, TTextAlign::Center},
      {"line-height splits the extra above and below",
       [this](TSection& s) {
         s.LineHeight = 31;
         Add(s, u"aaa bbb");
       },
       50,
       "section 0,0 50x62 doc 0..8\n"
       "  line y=0 h=31 base=21 x=0..30 before=5 after=6\n"
       "    run 0..4 x=0..40 \"aaa \"" + font + "\n"
       "  line y=31 h=31 base=52 x=0..30 before=5 after=6\n"
       "    run 4..8 x=0..40 \"bbb \"" + font + "\n"},
      {"text-indent as a percentage of the width",
       [this](TSection& s) {
         s.FirstLineIndentPct = 10;
         Add(s, u"aaa bbb ccc");
       },
       100,
       "section 0,0 100x40 doc 0..12\n"
       "  line y=0 h=20 base=16 x=10..80\n"
       "    run 0..8 x=10..90 \"aaa bbb \"" + font + "\n"
       "  line y=20 h=20 base=36 x=0..30\n"
       "    run 8..12 x=0..40 \"ccc \"" + font + "\n"},
      {"preformatted keeps leading spaces and tabs and does not wrap", text(u"  a\tb  c"), 30,
       "pre 0,0 30x20 doc 0..9\n"
       "  line y=0 h=20 base=16 x=0..80\n"
       "    run 0..9 x=0..90 \"  a\\tb  c \"" + font + "\n",
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    root_.Clear();
    pos_ = 0;
    std::unique_ptr<TSection> s;
    if (c.pre) s = std::make_unique<TPreFormated>(&root_, TestFont(), c.justify);
    else s = std::make_unique<TSection>(&root_, TestFont(), c.justify);
    c.build(*s);
    root_.Add(std::move(s), pos_);
    EXPECT_EQ(LayOut(c.width), c.dump);
  }
}

// Sub- and superscripts, links and inline objects show in the dump.
TEST_F(LayoutDumpTest, ObjectsAndRunKinds) {
  auto s = std::make_unique<TSection>(&root_, TestFont());
  Add(*s, u"x");
  s->ChangeFont(TestFont(), TVAlign::Super);
  Add(*s, u"2 ");
  s->ChangeFont(TestFont(), TVAlign::None);
  auto* image = s->AddObject(std::make_unique<FixedObj>(30, 40), pos_++);
  auto* floating = s->AddObject(std::make_unique<FixedObj>(20, 10, TVAlign::Left), pos_++);
  image->HSpaceL = 2;
  image->HSpaceR = 3;
  Add(*s, u" y");
  (void)floating;
  root_.Add(std::move(s), pos_);
  // The float met after text is placed below the line (and the space after
  // it dropped when the section was finished).
  EXPECT_EQ(LayOut(200),
            "section 0,0 200x44 draw=54 doc 0..7\n"
            "  line y=0 h=44 base=40 x=0..75 before=24 after=0\n"
            "    run 0..1 x=0..10 \"x\" font \"Fixed Sans\" 20 color #000000\n"
            "    run 1..3 x=10..30 \"2 \" font \"Fixed Sans\" 20 color #000000 super\n"
            "    image 3..4 x=30..65 30x40 align bottom space 2,0,3,0\n"
            "    float 4..5 x=0 y=44 20x10 align left\n"
            "    run 6..8 x=65..85 \"y \" font \"Fixed Sans\" 20 color #000000\n");
}

TEST_F(LayoutDumpTest, NotationHelpers) {
  using W = LayoutDumpWriter;
  EXPECT_EQ(W::Quoted(std::u16string(u"a\"b\\c\u0008\u0004\u0002\u00A0\t\u0001\u00e9")),
            "\"a\\\"b\\\\c<br><img><ctl><nbsp>\\t\\u0001\xc3\xa9\"");
  EXPECT_EQ(W::Colour(platform::clNone), "none");
  EXPECT_EQ(W::Colour(platform::Rgb(1, 2, 255)), "#0102ff");
  EXPECT_EQ(W::Colour(platform::clWindow), "#ffffff");
  EXPECT_EQ(W::Rect(-1, 2, 3, 4), "-1,2 3x4");
  EXPECT_EQ(W::Align(TVAlign::Super), "super");

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
