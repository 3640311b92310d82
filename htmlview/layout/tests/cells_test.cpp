#include "htmlview/layout/cells.h"

#include <gtest/gtest.h>

#include <memory>
#include <new>
#include <string>
#include <vector>

#include "htmlview/style/styleprops.h"
#include "platform/dialogs.h"
#include "platform/image.h"

using namespace htmlview;
using platform::Rect;

namespace {

// A section of fixed size that records what the cell asks of it.
class TestSection : public TSectionBase {
 public:
  TestSection(TSectionListBase* root, std::string name, int height, int length = 0,
              std::vector<std::string>* log = nullptr)
      : TSectionBase(root), Name(std::move(name)), FixedHeight(height), Length(length), Log(log) {}
  ~TestSection() override {
    if (Destroyed) *Destroyed = true;
  }

  std::string Name;
  int FixedHeight;
  int Length;
  std::vector<std::string>* Log;
  bool* Destroyed = nullptr;
  int FixedWidth = 0, MinW = 0, MaxW = 0;
  int Band = -1;                  // when >= 0: the hit band is this high, not the section
  TFloatSide FloatSide = TFloatSide::None;
  int FloatWidth = 0, FloatHeight = 0;   // a float registered at the top
  bool Throw = false;
  bool RunOutOfMemory = false;    // a failure the cell does not catch
  bool Absolute = false;
  bool KeepOnClose = true;
  bool DefaultBottomMargin = false;
  unsigned HitFlags = 0;
  bool Matches = false;           // FindForward/FindBackward answer the section's start
  int SeenRightSide = -1, SeenCurrentID = -1, SeenTagIndex = -1, LaidOutX = -1;
  int LastDrawX = 0;
  TDrawContext::CellEdges SeenCell{-1, -1};   // at the last draw
  TCell* Inner = nullptr;                      // a cell drawn inside, 50 to the right

  void Note(const std::string& what) {
    if (Log) Log->push_back(Name + ":" + what);
  }
  bool Holds(int pos) const { return pos >= StartCurs && pos < StartCurs + Len; }

  int Layout(platform::Canvas& canvas, int x, int y, int xRef, int yRef, int aWidth, int aHeight,
             int blHt, IndentManager& iMgr, int& maxWidth, int& curs) override {
    if (Throw) throw EProcessError("table " + Name + " is broken");
    if (RunOutOfMemory) throw std::bad_alloc();
    SectionHeight = FixedHeight;
    TSectionBase::Layout(canvas, x, y, xRef, yRef, aWidth, aHeight, blHt, iMgr, maxWidth, curs);
    Len = Length;
    curs += Length;
    maxWidth = FixedWidth;
    LaidOutX = x;
    SeenRightSide = iMgr.RightSide(y);
    SeenCurrentID = iMgr.CurrentID;
    iMgr.Update(y, FloatSide, FloatWidth, FloatHeight, 0, 0, 0, 0);   // None registers nothing
    if (Band >= 0) ContentBot = ContentTop + Band;
    return SectionHeight;
  }
  int Draw(platform::Canvas& canvas, TDrawContext& context, const Rect& aRect, IndentManager& iMgr,
           int x, int xRef, int yRef) override {
    if (MeetsClip(aRect)) Note("draw");
    LastDrawX = x;
    SeenCell = context.Cell;
    if (Inner) Inner->Draw(canvas, context, aRect, 120, x + 50, SectionTop, xRef, yRef);
    return TSectionBase::Draw(canvas, context, aRect, iMgr, x, xRef, yRef);
  }
  unsigned HitLink(platform::Canvas&, int, int, std::unique_ptr<TUrlTarget>& url,
                   TFormControlObj*&, std::string& title) override {
    Note("hit");
    if (HitFlags & guTitle) title = Name;
    if (HitFlags & guUrl) {
      url = std::make_unique<TUrlTarget>();
      url->URL = Name + ".htm";
    }
    return HitFlags;
  }
  bool HitObject(int, int, TFloatingObj*&, int& ix, int& iy) override {
    Note("object");
    ix = iy = 7;
    return HitFlags != 0;
  }
  int CursorAt(platform::Canvas&, int, int y, int& xr, int& yr, int& caretHt, bool& inText) override {
    Note("cursor");
    if (Len == 0) return -1;
    xr = 0;
    yr = SectionTop;
    caretHt = FixedHeight;
    inText = true;
    return StartCurs + (y - SectionTop) % Len;
  }
  int FindForward(int from, const std::u16string&, bool) override {
    Note("find");
    return Matches && StartCurs >= from ? StartCurs : -1;
  }
  int FindBackward(int from, const std::u16string&, bool) override {
    Note("findr");
    return Matches && StartCurs < from ? StartCurs : -1;
  }
  int SourcePosOf(int pos) override { return Holds(pos) ? 1000 + pos : -1; }
  int DocPosOf(int sourcePos, bool) override {
    Note("docpos");
    // Every section claims source positions below 1000 + its end, so the
    // direction of the walk decides which one answers.
    return sourcePos < 1000 + StartCurs + Len ? StartCurs : -1;
  }
  bool CursorToXY(platform::Canvas*, int cursor, int& x, int& y) override {
    if (!Holds(cursor)) return false;
    x = cursor - StartCurs;
    y = SectionTop;
    return true;
  }
  bool CharAt(int pos, char16_t& ch, TSectionBase*& obj) override {
    if (!Holds(pos)) return false;
    ch = static_cast<char16_t>(u'a' + pos - StartCurs);
    obj = this;
    return true;
  }
  void WidthRange(platform::Canvas&, int& minWidth, int& maxWidth) override {
    minWidth = MinW;
    maxWidth = MaxW;
  }
  void CopyText(SelTextCount&) override { Note("copy"); }
  bool CloseForCell(int tagIndex) override {
    SeenTagIndex = tagIndex;
    return KeepOnClose;
  }
  bool IsAbsolutePositioned() const override { return Absolute; }
  bool DropDefaultBottomMargin() override {
    if (!DefaultBottomMargin) return false;
    DefaultBottomMargin = false;
    return true;
  }
};

// A block section whose content hides its overflow.
class ClippingOwner : public TSectionBase {
 public:
  using TSectionBase::TSectionBase;
  bool HidesOverflow() const override { return true; }
};

class CellTest : public ::testing::Test {
 protected:
  CellTest() : bitmap(200, 200), canvas(&bitmap.Image()) {}

  TestSection* AddTo(TCellBasic& cell, const std::string& name, int height, int length = 0) {
    auto s = std::make_unique<TestSection>(&root, name, height, length, &log);
    TestSection* raw = s.get();
    cell.Add(std::move(s), 0);
    return raw;
  }

  TSectionListBase root;
  std::vector<std::string> log;
  platform::Bitmap bitmap;
  platform::Canvas canvas;
  TDrawContext context;
};

}  // namespace

// ------------------------------------------------------------ section base

TEST_F(CellTest, SectionBaseDefaults) {
  TSectionBase s(&root);
  EXPECT_EQ(s.YPosition(), 999999999) << "never laid out";

  s.SectionHeight = 12;
  IndentManager mgr;
  int maxWidth = 55, curs = 40;
  EXPECT_EQ(s.Layout(canvas, 3, 100, 0, 0, 300, 0, 0, mgr, maxWidth, curs), 12);
  EXPECT_EQ(s.StartCurs, 40);
  EXPECT_EQ(curs, 40) << "the base holds no positions";
  EXPECT_EQ(maxWidth, 0);
  EXPECT_EQ(s.YPosition(), 100);
  EXPECT_EQ(s.SectionTop, 100);
  EXPECT_EQ(s.ContentTop, 100);
  EXPECT_EQ(s.DrawTop, 100);
  EXPECT_EQ(s.SectionBottom, 112);
  EXPECT_EQ(s.DrawHeight, 12);
  EXPECT_EQ(s.ContentBot, 112);
  EXPECT_EQ(s.Draw(canvas, context, {0, 0, 200, 200}, mgr, 0, 0, 0), 112);

  std::unique_ptr<TUrlTarget> url;
  TFormControlObj* control = nullptr;
  std::string title;
  EXPECT_EQ(s.HitLink(canvas, 5, 105, url, control, title), 0u);
  TFloatingObj* obj = nullptr;
  int ix = 0, iy = 0, xr = 0, yr = 0, ht = 0;
  bool inText = false;
  EXPECT_FALSE(s.HitObject(5, 105, obj, ix, iy));
  EXPECT_EQ(s.CursorAt(canvas, 5, 105, xr, yr, ht, inText), -1);
  EXPECT_EQ(s.FindForward(0, u"a", false), -1);
  EXPECT_EQ(s.FindBackward(50, u"a", false), -1);
  EXPECT_EQ(s.SourcePosOf(40), -1);
  EXPECT_EQ(s.DocPosOf(40, true), -1);
  EXPECT_FALSE(s.CursorToXY(&canvas, 40, xr, yr));
  char16_t ch = 0;
  TSectionBase* at = nullptr;
  EXPECT_FALSE(s.CharAt(40, ch, at));
  int mn = 9, mx = 9;
  s.WidthRange(canvas, mn, mx);
  EXPECT_EQ(mn, 0);
  EXPECT_EQ(mx, 0);

  s.AddToPositionList();
  ASSERT_EQ(root.PositionList.size(), 1u);
  EXPECT_EQ(root.PositionList[0], &s);
}

// ------------------------------------------------------------------ layout

TEST_F(CellTest, LayoutStacksSectionsAndCountsPositions) {
  TestSection* a = AddTo(root, "a", 10, 3);
  TestSection* b = AddTo(root, "b", 20, 0);
  TestSection* c = AddTo(root, "c", 30, 5);
  a->FixedWidth = 50;
  b->FixedWidth = 300;
  c->FixedWidth = 100;

  int maxWidth = 0, curs = 100;
  EXPECT_EQ(root.Layout(canvas, 5, 400, 0, 0, maxWidth, curs), 60);
  EXPECT_EQ(a->SectionTop, 5);
  EXPECT_EQ(b->SectionTop, 15);
  EXPECT_EQ(c->SectionTop, 35);
  EXPECT_EQ(a->LaidOutX, 0);
  EXPECT_EQ(c->LaidOutX, 0);
  EXPECT_EQ(a->StartCurs, 100);
  EXPECT_EQ(b->StartCurs, 103);
  EXPECT_EQ(c->StartCurs, 103);
  EXPECT_EQ(curs, 108);
  EXPECT_EQ(maxWidth, 300);
  EXPECT_EQ(root.StartCurs, 100);
  EXPECT_EQ(root.Len, 8);
  EXPECT_EQ(root.YValue, 5);

  // A second layout starts afresh.
  curs = 0;
  EXPECT_EQ(root.Layout(canvas, 0, 400, 0, 0, maxWidth, curs), 60);
  EXPECT_EQ(c->SectionTop, 30);
  EXPECT_EQ(root.Len, 8);
}

TEST_F(CellTest, PlainCellWithoutManagerStillLaysOut) {
  TCellBasic cell(&root);
  TestSection* a = AddTo(cell, "a", 10, 2);
  TestSection* b = AddTo(cell, "b", 15, 2);
  int scrollWidth = -1, curs = 0;
  EXPECT_EQ(cell.Layout(canvas, 0, 250, 0, 0, scrollWidth, curs), 25);
  EXPECT_EQ(scrollWidth, 0);
  EXPECT_EQ(a->SeenRightSide, 250) << "the spare manager spans the width";
  EXPECT_EQ(b->SectionTop, 10);
  EXPECT_EQ(cell.Draw(canvas, context, {0, 0, 200, 200}, 6000, 0, 0, 0, 0), 25);
}

TEST_F(CellTest, FailedSectionIsReportedAndDropped) {
  platform::MessageCapture capture;
  TestSection* a = AddTo(root, "a", 10, 3);
  bool destroyed = false;
  TestSection* bad = AddTo(root, "bad", 20, 4);
  bad->Throw = true;
  bad->Destroyed = &destroyed;
  TestSection* c = AddTo(root, "c", 30, 5);
  root.PositionList = {a, bad, c};

  int maxWidth = 0, curs = 0;
  EXPECT_EQ(root.Layout(canvas, 0, 400, 0, 0, maxWidth, curs), 40);
  ASSERT_EQ(capture.boxes.size(), 1u);
  EXPECT_EQ(capture.boxes[0].text, "table bad is broken");
  EXPECT_EQ(capture.boxes[0].flags, platform::MB_ICONERROR | platform::MB_OK);
  EXPECT_TRUE(destroyed);
  ASSERT_EQ(root.Count(), 2);
  EXPECT_EQ(root[0], a);
  EXPECT_EQ(root[1], c);
  EXPECT_EQ(c->SectionTop, 10) << "the rest is laid out in its place";
  EXPECT_EQ(c->StartCurs, 3);
  EXPECT_EQ(curs, 8);
  EXPECT_EQ(root.PositionList, (std::vector<TSectionBase*>{a, c})) << "no dangling entry";
}

TEST_F(CellTest, WidthRangeIsTheLargestOfEach) {
  int mn = -1, mx = -1;
  root.MinMaxWidth(canvas, mn, mx);
  EXPECT_EQ(mn, 0);
  EXPECT_EQ(mx, 0);

  TestSection* a = AddTo(root, "a", 10);
  TestSection* b = AddTo(root, "b", 10);
  a->MinW = 80;
  a->MaxW = 120;
  b->MinW = 30;
  b->MaxW = 500;
  root.MinMaxWidth(canvas, mn, mx);
  EXPECT_EQ(mn, 80);
  EXPECT_EQ(mx, 500);
}

// --------------------------------------------------------------------- draw

TEST_F(CellTest, DrawVisitsInOrderAndSectionsClipToTheBand) {
  AddTo(root, "a", 10);
  AddTo(root, "b", 20);
  TestSection* c = AddTo(root, "c", 30);
  AddTo(root, "d", 40);
  int maxWidth = 0, curs = 0;
  root.Layout(canvas, 0, 300, 0, 0, maxWidth, curs);   // a 0-10, b 10-30, c 30-60, d 60-100

  root.YOff = 15;   // the window shows the document from 15 down
  EXPECT_EQ(root.Draw(canvas, context, {0, 0, 200, 40}, 6000, -7, 0, 0, 0), 100)
      << "the last section's bottom";
  EXPECT_EQ(log, (std::vector<std::string>{"b:draw", "c:draw"}));
  EXPECT_EQ(c->LastDrawX, -7);
  EXPECT_EQ(c->SeenCell.Left, -7) << "the cell's edge follows the horizontal scroll";
  EXPECT_EQ(c->SeenCell.ClipWidth, 6000);
  EXPECT_EQ(root.OwnManager().Width, 300);

  log.clear();
  root.YOff = 0;
  root.Draw(canvas, context, {0, 30, 200, 60}, 6000, 0, 0, 0, 0);
  EXPECT_EQ(log, (std::vector<std::string>{"c:draw"})) << "edges touching the band do not draw";

  TCell empty(&root);
  EXPECT_EQ(empty.Draw(canvas, context, {0, 0, 200, 200}, 6000, 0, 33, 0, 0), 33);
}

// A cell drawn inside a section of another (a table cell in a block) gives
// its own sections its edges, and the outer cell's later sections get the
// outer cell's back; the caller of the draw gets its own.
TEST_F(CellTest, ANestedCellsEdgesEndWithIt) {
  TestSection* a = AddTo(root, "a", 10);
  TestSection* b = AddTo(root, "b", 20);
  TCell inner(&root);
  TestSection* i = AddTo(inner, "i", 5);
  int maxWidth = 0, curs = 0;
  root.Layout(canvas, 0, 300, 0, 0, maxWidth, curs);
  inner.Layout(canvas, 0, 100, 0, 0, maxWidth, curs);
  a->Inner = &inner;
  context.Cell = {11, 22};
  root.Draw(canvas, context, {0, 0, 200, 100}, 6000, -7, 0, 0, 0);
  EXPECT_EQ(a->SeenCell.Left, -7);
  EXPECT_EQ(i->SeenCell.Left, 43);
  EXPECT_EQ(i->SeenCell.ClipWidth, 120);
  EXPECT_EQ(b->SeenCell.Left, -7) << "the outer cell's section after the nested cell";
  EXPECT_EQ(b->SeenCell.ClipWidth, 6000);
  EXPECT_EQ(context.Cell.Left, 11);
  EXPECT_EQ(context.Cell.ClipWidth, 22);
}

// ---------------------------------------------------------------- hit tests

TEST_F(CellTest, HitTestsAskOnlyTheSectionUnderThePoint) {
  TestSection* a = AddTo(root, "a", 10, 4);
  TestSection* b = AddTo(root, "b", 10, 4);
  TestSection* c = AddTo(root, "c", 10, 4);
  a->Band = 6;   // a covers 0-6 only: 6-10 lies in no section's band
  a->HitFlags = guTitle;
  b->HitFlags = 0;
  c->HitFlags = guUrl | guTitle;
  int maxWidth = 0, curs = 0;
  root.Layout(canvas, 0, 300, 0, 0, maxWidth, curs);

  std::unique_ptr<TUrlTarget> url = std::make_unique<TUrlTarget>();
  TFormControlObj* control = reinterpret_cast<TFormControlObj*>(&root);   // any stale value
  std::string title;
  EXPECT_EQ(root.GetURL(canvas, 5, 25, url, control, title), guUrl | guTitle);
  ASSERT_TRUE(url);
  EXPECT_EQ(url->URL, "c.htm");
  EXPECT_EQ(title, "c");
  EXPECT_EQ(control, nullptr);
  EXPECT_EQ(log, (std::vector<std::string>{"c:hit"}));

  log.clear();
  url = std::make_unique<TUrlTarget>();
  EXPECT_EQ(root.GetURL(canvas, 5, 15, url, control, title), 0u);
  EXPECT_FALSE(url) << "a stale link target is dropped";
  EXPECT_EQ(log, (std::vector<std::string>{"b:hit"}));

  log.clear();
  EXPECT_EQ(root.GetURL(canvas, 5, 8, url, control, title), 0u);
  EXPECT_TRUE(log.empty()) << "between bands nothing is asked";

  TFloatingObj* obj = nullptr;
  int ix = 0, iy = 0;
  EXPECT_TRUE(root.PtInObject(5, 3, obj, ix, iy));
  EXPECT_EQ(ix, 7);
  EXPECT_FALSE(root.PtInObject(5, 12, obj, ix, iy));

  int xr = 0, yr = 0, ht = 0;
  bool inText = false;
  EXPECT_EQ(root.FindCursor(canvas, 5, 12, xr, yr, ht, inText), 6);
  EXPECT_EQ(yr, 10);
  EXPECT_EQ(ht, 10);
  EXPECT_TRUE(inText);
  EXPECT_EQ(root.FindCursor(canvas, 5, 8, xr, yr, ht, inText), -1) << "a point between sections";
  EXPECT_EQ(root.FindCursor(canvas, 5, 30, xr, yr, ht, inText), -1) << "below the last section";
}

// -------------------------------------------------- searches and positions

TEST_F(CellTest, SearchesAndPositionConversions) {
  TestSection* a = AddTo(root, "a", 10, 4);
  TestSection* b = AddTo(root, "b", 10, 4);
  TestSection* c = AddTo(root, "c", 10, 4);
  int maxWidth = 0, curs = 10;
  root.Layout(canvas, 0, 300, 0, 0, maxWidth, curs);   // a 10-13, b 14-17, c 18-21
  a->Matches = b->Matches = c->Matches = true;

  EXPECT_EQ(root.FindString(0, u"x", false), 10);
  EXPECT_EQ(root.FindString(11, u"x", false), 14);
  EXPECT_EQ(root.FindString(19, u"x", false), -1);
  log.clear();
  EXPECT_EQ(root.FindStringR(30, u"x", false), 18) << "backward: the last section first";
  EXPECT_EQ(log, (std::vector<std::string>{"c:findr"}));
  EXPECT_EQ(root.FindStringR(15, u"x", false), 14);
  EXPECT_EQ(root.FindStringR(10, u"x", false), -1);

  EXPECT_EQ(root.FindSourcePos(15), 1015);
  EXPECT_EQ(root.FindSourcePos(22), -1);
  EXPECT_EQ(root.FindDocPos(1000, false), 10) << "forward: the first section that answers";
  EXPECT_EQ(root.FindDocPos(1000, true), 18) << "prev: the walk goes backward";
  EXPECT_EQ(root.FindDocPos(1022, true), -1);

  int x = 0, y = 0;
  EXPECT_TRUE(root.CursorToXY(&canvas, 16, x, y));
  EXPECT_EQ(x, 2);
  EXPECT_EQ(y, 10);
  EXPECT_FALSE(root.CursorToXY(nullptr, 40, x, y));

  char16_t ch = 0;
  TSectionBase* obj = nullptr;
  EXPECT_TRUE(root.GetChAtPos(19, ch, obj));
  EXPECT_EQ(ch, u'b');
  EXPECT_EQ(obj, c);
  EXPECT_FALSE(root.GetChAtPos(9, ch, obj)) << "before the cell";
  c->Len = 10;   // the section claims more than the cell covers
  EXPECT_FALSE(root.GetChAtPos(25, ch, obj)) << "beyond start + length the sections are not asked";
}

TEST_F(CellTest, CopyVisitsTheSectionsInTheSelection) {
  for (const char* name : {"a", "b", "c", "d"}) AddTo(root, name, 10, 5);
  int maxWidth = 0, curs = 0;
  root.Layout(canvas, 0, 300, 0, 0, maxWidth, curs);   // 0-4, 5-9, 10-14, 15-19

  SelTextCount holder;
  root.SelB = root.SelE = 7;
  root.CopyToClipboard(holder);
  EXPECT_TRUE(log.empty()) << "nothing selected";

  struct Case {
    int selB, selE;
    std::vector<std::string> copied;
  } cases[] = {
      {7, 12, {"b:copy", "c:copy"}},
      {5, 10, {"b:copy"}},            // ends where c starts
      {4, 5, {"a:copy"}},
      {0, 100, {"a:copy", "b:copy", "c:copy", "d:copy"}},
      {19, 25, {"d:copy"}},
  };
  for (const Case& k : cases) {
    log.clear();
    root.SelB = k.selB;
    root.SelE = k.selE;
    root.CopyToClipboard(holder);
    EXPECT_EQ(log, k.copied) << k.selB << ".." << k.selE;
  }
}

// -------------------------------------------------- adding and the parser

TEST_F(CellTest, AddFinishesSectionsAndDropsEmptyOnes) {
  root.Add(nullptr, 3);
  EXPECT_EQ(root.Count(), 0);

  TSectionListBase other;
  auto kept = std::make_unique<TestSection>(&other, "kept", 10);
  TestSection* keptRaw = kept.get();
  root.Add(std::move(kept), 42);
  ASSERT_EQ(root.Count(), 1);
  EXPECT_EQ(keptRaw->SeenTagIndex, 42);
  EXPECT_EQ(keptRaw->Root, &root) << "the section is told its master list";

  bool destroyed = false;
  auto empty = std::make_unique<TestSection>(&root, "empty", 10);
  empty->KeepOnClose = false;
  empty->Destroyed = &destroyed;
  root.Add(std::move(empty), 43);
  EXPECT_EQ(root.Count(), 1);
  EXPECT_TRUE(destroyed);
}

TEST_F(CellTest, LastDefaultBottomMarginSkipsAbsoluteBlocks) {
  EXPECT_FALSE(root.CheckLastBottomMargin()) << "empty cell";
  TestSection* para = AddTo(root, "p", 10);
  TestSection* absolute = AddTo(root, "abs", 10);
  absolute->Absolute = true;
  absolute->DefaultBottomMargin = true;
  para->DefaultBottomMargin = true;
  EXPECT_TRUE(root.CheckLastBottomMargin());
  EXPECT_FALSE(para->DefaultBottomMargin);
  EXPECT_TRUE(absolute->DefaultBottomMargin) << "absolute blocks are passed over";
  EXPECT_FALSE(root.CheckLastBottomMargin()) << "the margin is gone";

  AddTo(root, "text", 10);   // a section that is no block
  para->DefaultBottomMargin = true;
  EXPECT_FALSE(root.CheckLastBottomMargin()) << "only the last section counts";
}

TEST_F(CellTest, PositionListInDocumentOrder) {
  TestSection* a = AddTo(root, "a", 10);
  TestSection* b = AddTo(root, "b", 10);
  root.AddSectionsToList();
  EXPECT_EQ(root.PositionList, (std::vector<TSectionBase*>{a, b}));
}

// ---------------------------------------------------------- TCell floats

TEST_F(CellTest, FloatBelowTheTextMakesTheCellTaller) {
  TestSection* text = AddTo(root, "text", 20, 3);
  text->FloatSide = TFloatSide::Left;
  text->FloatWidth = 50;
  text->FloatHeight = 100;
  TestSection* after = AddTo(root, "after", 10);
  IndentManager& mgr = root.OwnManager();
  mgr.CurrentID = 777;

  int maxWidth = 0, curs = 0;
  EXPECT_EQ(root.Layout(canvas, 10, 400, 0, 0, maxWidth, curs), 100)
      << "the float's bottom, not the 30 of the text";
  EXPECT_EQ(text->SeenRightSide, 400) << "the cell's right edge at the width";
  EXPECT_EQ(text->SeenCurrentID, root.OwnerID());
  EXPECT_EQ(after->SectionTop, 30);
  EXPECT_EQ(mgr.CurrentID, 777) << "the previous owner is back";
  EXPECT_EQ(mgr.Width, 400);
  ASSERT_EQ(mgr.L.size(), 1u) << "the cell's own edges are popped, the float stays";
  EXPECT_EQ(mgr.L[0].X, 50);
  EXPECT_EQ(mgr.L[0].StartY, 10);
  EXPECT_EQ(mgr.L[0].EndY, 110);
  EXPECT_TRUE(mgr.R.empty());

  text->FloatHeight = 5;   // a float inside the text changes nothing
  EXPECT_EQ(root.Layout(canvas, 10, 400, 0, 0, maxWidth, curs), 30);
  EXPECT_EQ(mgr.L.size(), 1u) << "the manager is cleared on every layout";
}

TEST_F(CellTest, TableCellAddsItsTitleAndLink) {
  TCellObjCell cell(&root);
  TestSection* s = AddTo(cell, "s", 40);
  int maxWidth = 0, curs = 0;
  cell.Layout(canvas, 100, 200, 0, 0, maxWidth, curs);   // s covers 100-140 in the document
  cell.CellRect = {10, 10, 60, 50};
  cell.MakeLinks().Title = "cell title";
  cell.MakeLinks().Url = "cell.htm";
  cell.MakeLinks().Target = "_blank";
  root.YOff = 90;   // document y 100..140 shows at window 10..50

  std::unique_ptr<TUrlTarget> url;
  TFormControlObj* control = nullptr;
  std::string title;
  EXPECT_EQ(cell.GetURL(canvas, 20, 120, url, control, title), guUrl | guTitle);
  ASSERT_TRUE(url);
  EXPECT_EQ(url->URL, "cell.htm");
  EXPECT_EQ(url->Target, "_blank");
  EXPECT_EQ(title, "cell title");

  s->HitFlags = guTitle | guUrl;
  title.clear();
  EXPECT_EQ(cell.GetURL(canvas, 20, 120, url, control, title), guUrl | guTitle);
  EXPECT_EQ(title, "s") << "what the sections found wins";
  EXPECT_EQ(url->URL, "s.htm");

  s->HitFlags = 0;
  title.clear();
  EXPECT_EQ(cell.GetURL(canvas, 60, 120, url, control, title), 0u) << "right edge is outside";
  EXPECT_EQ(cell.GetURL(canvas, 20, 145, url, control, title), 0u) << "window y 55 is below";
  cell.MakeLinks().Url.clear();
  EXPECT_EQ(cell.GetURL(canvas, 20, 120, url, control, title), guTitle);
  EXPECT_FALSE(url);
}

// ---------------------------------------------------------- TBlockCell

TEST_F(CellTest, BlockCellLayoutTracksBottomsAndWidths) {
  TBlockCell cell(&root);
  IndentManager mgr;
  mgr.Reset(0, 500);
  cell.IMgr = &mgr;
  TestSection* a = AddTo(cell, "a", 10, 2);
  TestSection* b = AddTo(cell, "b", 20, 2);
  TestSection* absolute = AddTo(cell, "abs", 300, 1);
  a->FixedWidth = 120;
  b->FixedWidth = 80;
  absolute->Absolute = true;
  absolute->FixedWidth = 40;

  int maxWidth = 0, curs = 5;
  EXPECT_EQ(cell.DoLayout(canvas, 30, 50, 0, 0, 400, 0, 0, maxWidth, curs), 330);
  EXPECT_EQ(a->LaidOutX, 30);
  EXPECT_EQ(b->SectionTop, 60);
  EXPECT_EQ(absolute->SectionTop, 80);
  EXPECT_EQ(maxWidth, 120);
  EXPECT_EQ(cell.TextBot, 80) << "an absolutely positioned block does not push the text bottom";
  EXPECT_EQ(cell.ContentTop, 50);
  EXPECT_EQ(cell.ContentBot, 380) << "but it does reach the content bottom";
  EXPECT_EQ(cell.StartCurs, 5);
  EXPECT_EQ(cell.Len, 5);
  EXPECT_EQ(curs, 10);

  absolute->Absolute = false;
  cell.DoLayout(canvas, 30, 50, 0, 0, 400, 0, 0, maxWidth, curs);
  EXPECT_EQ(cell.TextBot, 380);

  ClippingOwner owner(&root);
  cell.OwnerBlock = &owner;
  cell.DoLayout(canvas, 30, 50, 0, 0, 400, 0, 0, maxWidth, curs);
  EXPECT_EQ(maxWidth, 400) << "a clipping block's content reports the full width";

  cell.DoLayout(canvas, 30, 2000000, 0, 0, 400, 0, 0, maxWidth, curs);
  EXPECT_EQ(cell.ContentTop, 2000000) << "far down a long page, the content's own top";

  TBlockCell empty(&root);
  EXPECT_EQ(empty.DoLayout(canvas, 0, 50, 0, 0, 400, 0, 0, maxWidth, curs), 0);
  EXPECT_EQ(empty.ContentTop, 990000);
  EXPECT_EQ(empty.TextBot, 0);
}

TEST_F(CellTest, ALayoutThatFailsLeavesTheFloatManagerAsItWas) {
  TestSection* text = AddTo(root, "text", 20, 3);
  text->FloatSide = TFloatSide::Left;
  text->FloatWidth = 50;
  text->FloatHeight = 100;
  AddTo(root, "big", 10)->RunOutOfMemory = true;
  IndentManager& mgr = root.OwnManager();
  mgr.CurrentID = 777;

  int maxWidth = 0, curs = 0;
  EXPECT_THROW(root.Layout(canvas, 10, 400, 0, 0, maxWidth, curs), std::bad_alloc);
  EXPECT_EQ(mgr.CurrentID, 777) << "the previous owner is back";
  ASSERT_EQ(mgr.L.size(), 1u) << "the cell's own edges are popped, the float stays";
  EXPECT_EQ(mgr.L[0].ID, kNoIndentOwner);
  EXPECT_TRUE(mgr.R.empty());
}

// ------------------------------------------------------ float registration

TEST(IndentManagerFloats, ImagesRegisterBesideWhatIsThere) {
  IndentManager m;
  m.Reset(0, 400);
  m.CurrentID = 5;
  m.L[m.AddLeft(30, 0)].EndY = 1000;   // the current block's own indent

  // Left image 50 x 40 with spaces 3/4 (h) and 2/2 (v) at y 10.
  EXPECT_EQ(m.Update(10, TFloatSide::Left, 50, 40, 3, 4, 2, 2), 33) << "left indent + left space";
  ASSERT_EQ(m.L.size(), 2u);
  EXPECT_EQ(m.L[1].X, 30 + 57);
  EXPECT_EQ(m.L[1].StartY, 10);
  EXPECT_EQ(m.L[1].EndY, 54);
  EXPECT_EQ(m.L[1].ID, kNoIndentOwner) << "every line sees an image";
  EXPECT_EQ(m.LeftIndent(20), 87);
  EXPECT_EQ(m.LeftIndent(54), 30);

  // A second left image beside the first.
  EXPECT_EQ(m.Update(20, TFloatSide::Left, 10, 10, 0, 0, 0, 0), 87);
  EXPECT_EQ(m.L[2].X, 97);

  // Right image 60 wide, spaces 5/6, at y 0.
  EXPECT_EQ(m.Update(0, TFloatSide::Right, 60, 20, 5, 6, 1, 1), 400 - 71 + 5);
  ASSERT_EQ(m.R.size(), 1u);
  EXPECT_EQ(m.R[0].X, 329);
  EXPECT_EQ(m.R[0].EndY, 22);
  EXPECT_EQ(m.RightSide(5), 329);
  // A second right image stands left of it.
  EXPECT_EQ(m.Update(5, TFloatSide::Right, 29, 10, 0, 0, 0, 0), 300);

  // No side registers nothing.
  EXPECT_EQ(m.Update(5, TFloatSide::None, 29, 10, 0, 0, 0, 0), 0);
  EXPECT_EQ(m.L.size(), 3u);
  EXPECT_EQ(m.R.size(), 2u);
}

TEST(IndentManagerFloats, OriginIsTakenOutOfTheRecords) {
  IndentManager m;
  m.Reset(100, 400);
  EXPECT_EQ(m.Update(0, TFloatSide::Left, 50, 10, 0, 0, 0, 0), 0) << "relative to the origin";
  EXPECT_EQ(m.L[0].X, 50);
  EXPECT_EQ(m.LeftIndent(5), 150);

  m.UpdateBlock(20, 180, TFloatSide::Left, 30);
  EXPECT_EQ(m.L[1].X, 80);
  EXPECT_EQ(m.L[1].StartY, 20);
  EXPECT_EQ(m.L[1].EndY, 50);
  EXPECT_EQ(m.L[1].ID, kNoIndentOwner);
  EXPECT_EQ(m.LeftIndent(25), 180);

  m.UpdateBlock(20, 120, TFloatSide::Right, 30);
  EXPECT_EQ(m.R[0].X, 400 - 120) << "the right edge less the block's full width";
  EXPECT_EQ(m.R[0].EndY, 50);
  m.UpdateBlock(20, 120, TFloatSide::None, 30);
  EXPECT_EQ(m.L.size() + m.R.size(), 3u);
  EXPECT_EQ(m.ImageBottom(), 50);
}

TEST(IndentManagerFloats, OwnerIdentitiesAreDistinct) {
  const int a = NewIndentOwnerID(), b = NewIndentOwnerID();
  EXPECT_NE(a, kNoIndentOwner);
  EXPECT_NE(a, b);
}

// ------------------------------------------------------------ TDrawList

TEST(DrawList, DrawsQueuedImagesInOrder) {
  TDrawList list;
  list.DrawImages(nullptr);   // nothing queued, nothing to do
  auto* first = reinterpret_cast<TImageObj*>(0x10);
  auto* second = reinterpret_cast<TImageObj*>(0x20);
  list.AddImage(first, nullptr, 1, 2, 3, nullptr);
  list.AddImage(second, nullptr, 4, 5, 6, nullptr);
  std::vector<TImageObj*> order;
  std::vector<int> xs;
  list.DrawImages([&](const TImageRec& r) {
    order.push_back(r.Image);
    xs.push_back(r.X + r.TopY + r.Baseline);
  });
  EXPECT_EQ(order, (std::vector<TImageObj*>{first, second}));
  EXPECT_EQ(xs, (std::vector<int>{6, 15}));
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
}
