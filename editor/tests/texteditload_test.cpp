// Opening files in the editor: lines stay in the loaded text until used,
// highlighter states are worked out when asked for, and neither shows: the
// text, the states, the pixels and the saved bytes are as if everything had
// been worked out at once.
#include <gtest/gtest.h>

#include <QImage>
#include <memory>
#include <string>
#include <vector>

#include "editor/highlightscan.h"
#include "editor/inihighlighter.h"
#include "editor/textedit.h"
#include "platform/render.h"

namespace editor {
namespace {

// A highlighter whose state after a line is the depth of open brackets, and
// whose lines show in another colour while a bracket is open: a state gone
// wrong shows in the pixels.
class DepthHighlighter : public TEdCustomHighlighter {
 public:
  DepthHighlighter() {
    plain_ = AddAttribute(std::make_unique<TEdHighlighterAttributes>("Text"));
    open_ = AddAttribute(std::make_unique<TEdHighlighterAttributes>("Open"));
    open_->SetForeground(platform::clRed);
    open_->SetStyle(fsBold);
  }
  std::string ClassName() const override { return "DepthHighlighter"; }
  TEdHighlighterAttributes* GetDefaultAttribute(int) const override { return plain_; }
  bool GetEol() const override { return done_; }
  std::u16string GetToken() const override { return *line_; }
  TEdHighlighterAttributes* GetTokenAttribute() const override { return start_ > 0 ? open_ : plain_; }
  int GetTokenKind() const override { return 0; }
  int GetTokenPos() const override { return 0; }
  void Next() override {
    for (char16_t c : *line_) depth_ += c == u'(' ? 1 : c == u')' ? -1 : 0;
    done_ = true;
  }
  void SetLine(const std::u16string& text, int) override {
    line_ = &text;
    done_ = text.empty();
    start_ = depth_;
    ++linesScanned;
  }
  TRangeState GetRange() const override { return depth_; }
  void SetRange(TRangeState value) override { depth_ = value; }
  void ResetRange() override { depth_ = 0; }
  int linesScanned = 0;

 private:
  TEdHighlighterAttributes* plain_;
  TEdHighlighterAttributes* open_;
  const std::u16string* line_ = nullptr;
  bool done_ = true;
  TRangeState depth_ = 0, start_ = 0;
};

// 3000 lines with brackets opened and closed across many lines.
std::string LongText() {
  std::string text;
  for (int i = 0; i < 3000; ++i) {
    text += "line " + std::to_string(i);
    if (i % 7 == 3) text += " (";
    if (i % 11 == 5) text += " )";
    if (i % 13 == 0) text += "\t\xC3\xA9\xF0\x9F\x98\x80";   // a tab, "é" and a character beyond the first plane
    text += i % 5 == 0 ? "\n" : "\r\n";
  }
  return text;
}

std::unique_ptr<TTextEdit> Editor(TEdCustomHighlighter& highlighter) {
  auto ed = std::make_unique<TTextEdit>();
  ed->resize(500, 300);
  ed->SetHighlighter(&highlighter);
  return ed;
}

// The states every line should have: a full scan of a copy of the text.
std::vector<TRangeState> FullScan(const std::string& text) {
  TTextEditStringList lines;
  lines.LoadFromBytes(text);
  DepthHighlighter hl;
  ScanRanges(hl, lines);
  std::vector<TRangeState> states;
  for (int i = 0; i < lines.Count(); ++i) states.push_back(lines.StoredRange(i));
  return states;
}

std::string Joined(const TTextEditStringList& lines) {
  std::string text;
  for (int i = 0; i < lines.Count(); ++i) text += (i ? "\n" : "") + lines.GetUtf8(i);
  return text;
}

TEST(EditorLoad, StatesAreWorkedOutUpToTheLinesShownAndAreExact) {
  const std::string text = LongText();
  DepthHighlighter hl;
  auto ed = Editor(hl);
  ed->Lines().LoadFromBytes(text);
  EXPECT_LT(hl.linesScanned, 100) << "loading scans nothing";
  platform::RenderToImage(ed.get());
  EXPECT_LT(ed->Lines().ScannedRanges(), 100) << "the first paint scans what it shows";
  EXPECT_LT(hl.linesScanned, 200);

  const std::vector<TRangeState> expected = FullScan(text);
  std::vector<TRangeState> states;
  for (int i = 0; i < ed->Lines().Count(); ++i) states.push_back(ed->Lines().GetRange(i));
  EXPECT_EQ(states, expected);

  // An edit inside the worked-out lines changes the states after it; one
  // beyond them changes nothing until the states are asked for.
  ed->Lines().Put(10, u"line 10 ((");
  std::string edited = Joined(ed->Lines());
  states.clear();
  for (int i = 0; i < ed->Lines().Count(); ++i) states.push_back(ed->Lines().GetRange(i));
  EXPECT_EQ(states, FullScan(edited));
  ed->Lines().Insert(5, u"(");
  ed->Lines().Delete(2000);
  ed->Lines().Put(2500, u")");
  edited = Joined(ed->Lines());
  states.clear();
  for (int i = 0; i < ed->Lines().Count(); ++i) states.push_back(ed->Lines().GetRange(i));
  EXPECT_EQ(states, FullScan(edited));
}

// An edit among the lines worked out for the first paint: the change runs
// on past them, and the states after are worked out afresh when asked for.
TEST(EditorLoad, EditBeforeTheFirstUnworkedLineIsExactAfterwards) {
  const std::string text = LongText();
  DepthHighlighter hl;
  auto ed = Editor(hl);
  ed->Lines().LoadFromBytes(text);
  platform::RenderToImage(ed.get());
  ASSERT_GT(ed->Lines().ScannedRanges(), 8);
  ed->Lines().Put(6, u"((((");
  std::vector<TRangeState> states;
  for (int i = 0; i < ed->Lines().Count(); ++i) states.push_back(ed->Lines().GetRange(i));
  EXPECT_EQ(states, FullScan(Joined(ed->Lines())));
}

TEST(EditorLoad, PixelsAreThoseOfStatesWorkedOutAtOnce) {
  const std::string text = LongText();
  DepthHighlighter lazyHl, eagerHl;
  auto lazy = Editor(lazyHl);
  auto eager = Editor(eagerHl);
  lazy->Lines().LoadFromBytes(text);
  eager->Lines().LoadFromBytes(text);
  ScanRanges(eagerHl, eager->Lines());   // every state at once
  for (int top : {1, 4, 1500, 2990}) {
    SCOPED_TRACE(top);
    lazy->SetTopLine(top);
    eager->SetTopLine(top);
    const QImage a = platform::RenderToImage(lazy.get());
    const QImage b = platform::RenderToImage(eager.get());
    ASSERT_FALSE(a.isNull());
    EXPECT_TRUE(a == b);
    // Open brackets show: the picture depends on the states.
    bool red = false;
    for (int y = 0; y < a.height() && !red; ++y)
      for (int x = 0; x < a.width() && !red; ++x) red = a.pixel(x, y) == qRgb(255, 0, 0);
    EXPECT_TRUE(red);
  }
}

// Lines read from the loaded text give what lines of their own give: text,
// UTF-8, tab-expanded length and the saved bytes.
TEST(EditorLoad, LoadedLinesAreTheTextAndSaveByteForByte) {
  const std::string text = LongText();
  TTextEditStringList loaded, own;
  loaded.LoadFromBytes(text);
  own.LoadFromBytes(text);
  for (int i = 0; i < own.Count(); ++i) own.Put(i, std::u16string(own.Get(i)));   // a string of its own each
  ASSERT_EQ(loaded.Count(), own.Count());
  for (int i = 0; i < loaded.Count(); ++i) {
    EXPECT_EQ(loaded.GetUtf8(i), own.GetUtf8(i)) << i;
    EXPECT_EQ(loaded.GetExpandedLength(i), own.GetExpandedLength(i)) << i;
  }
  EXPECT_EQ(loaded.LongestLineLength(), own.LongestLineLength());
  EXPECT_EQ(loaded.SaveToBytes(), text);
  EXPECT_EQ(loaded.GetTextStr(), own.GetTextStr());
  for (int i = 0; i < loaded.Count(); ++i) EXPECT_EQ(loaded.Get(i), own.Get(i)) << i;
  EXPECT_EQ(loaded.SaveToBytes(), text);

  // Windows-1252 bytes are converted once and written back as they were.
  TTextEditStringList cp;
  cp.LoadFromBytes("caf\xE9\r\n\xB0" "C\rend");
  EXPECT_EQ(cp.GetUtf8(0), "caf\xC3\xA9");
  EXPECT_EQ(cp.GetUtf8(1), "\xC2\xB0" "C");
  EXPECT_EQ(cp.SaveToBytes(), "caf\xE9\r\n\xB0" "C\rend");
}

// A file that holds only a byte-order mark (or a mark and one line break)
// saves as it was read.
TEST(EditorLoad, ByteOrderMarkAloneIsKept) {
  const std::vector<std::string> files = {"\xEF\xBB\xBF", "\xEF\xBB\xBF\r\n", "\xEF\xBB\xBF" "a", ""};
  for (const std::string& file : files) {
    SCOPED_TRACE(file.size());
    TTextEditStringList list;
    list.LoadFromBytes(file);
    EXPECT_EQ(list.HasByteOrderMark(), file.size() >= 3);
    EXPECT_EQ(list.SaveToBytes(), file);
  }
  TTextEditStringList list;
  list.LoadFromBytes("\xEF\xBB\xBF");
  EXPECT_EQ(list.Count(), 0);
}

}  // namespace
}  // namespace editor
