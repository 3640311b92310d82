#include "htmlview/layout/boxvalues.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "htmlview/layout/cells.h"

using namespace htmlview;

namespace {

const TMarginArray& Values(const TResolvedBox& box) { return box; }
const TVMarginArray& Values(const TBlockBoxValues& box) { return box; }

// A block resolving its box: every value written, then shared.
void Resolve(TResolvedBox& box, int width, TSharedBoxValues& shared) {
  box.Own()[PropWidth] = width;
  box.Share(shared.Resolved);
}

// A block's values are written in steps (its own margins and width, then,
// after the content inside is laid out, what the content decides), and the
// blocks inside resolve and share theirs in between. A copy being written
// must stay out of their reach: one of them could find it equal so far,
// share it, and then change with every later step of the block around it.
TEST(ResolvedBoxTest, ACopyBeingWrittenIsNotFoundByTheBlocksInside) {
  TSharedBoxValues shared;
  TResolvedBox before, outer, inner;
  Resolve(before, 100, shared);      // the page's blocks so far
  TMarginArray& writing = outer.Own();
  writing[PropWidth] = 300;          // the outer block's first step
  TMarginArray& own = inner.Own();   // the inner block, laid out meanwhile
  own[PropWidth] = 300;
  inner.Share(shared.Resolved);
  writing[PropHeight] = 40;          // the outer block's later step
  EXPECT_EQ(inner[PropWidth], 300);
  EXPECT_EQ(inner[PropHeight], 0);
  outer.Share(shared.Resolved);
  EXPECT_EQ(outer[PropHeight], 40);
  EXPECT_EQ(inner[PropHeight], 0);
  EXPECT_NE(&Values(outer), &Values(inner));
}

TEST(ResolvedBoxTest, BlocksResolvedAlikeShareOneCopyOfTheirDocumentOnly) {
  TSharedBoxValues one, other;
  TResolvedBox a, b, c, fromOther;
  Resolve(a, 300, one);
  Resolve(b, 300, one);
  Resolve(c, 200, one);
  Resolve(fromOther, 300, other);
  EXPECT_EQ(&Values(a), &Values(b));
  EXPECT_NE(&Values(a), &Values(c));
  EXPECT_NE(&Values(a), &Values(fromOther));
  EXPECT_EQ(fromOther[PropWidth], 300);
  // Writing again gives a copy of its own: the others keep their values.
  b.Own()[PropWidth] = 100;
  b.Share(one.Resolved);
  EXPECT_EQ(a[PropWidth], 300);
  EXPECT_EQ(b[PropWidth], 100);
}

TEST(ResolvedBoxTest, BlocksStartWithZerosTheyNeverWrite) {
  TResolvedBox fresh, written;
  EXPECT_EQ(fresh[PropWidth], 0);
  written.Own()[PropWidth] = 7;
  EXPECT_EQ(fresh[PropWidth], 0);
  EXPECT_EQ(TResolvedBox()[PropWidth], 0);
}

TEST(BlockBoxValuesTest, ValuesGivenAlikeAreSharedWithinOneDocumentOnly) {
  TSharedBoxValues one, other;
  TVMarginArray given{};
  given[PropMarginTop] = PropValue(DefaultMargin);
  TBlockBoxValues a, b, fromOther;
  a.Assign(given, one.Given);
  b.Assign(given, one.Given);
  fromOther.Assign(given, other.Given);
  EXPECT_EQ(&Values(a), &Values(b));
  EXPECT_NE(&Values(a), &Values(fromOther));
  // A change gives the block another copy (shared with those holding the
  // same), never a change of the one it shared.
  b.Set(PropMarginTop, PropValue(0), one.Given);
  EXPECT_EQ(a[PropMarginTop], PropValue(DefaultMargin));
  EXPECT_EQ(b[PropMarginTop], PropValue(0));
  a.Set(PropMarginTop, PropValue(0), one.Given);
  EXPECT_EQ(&Values(a), &Values(b));
}

// What a document keeps finds values only while some block holds them, and
// keeps none alive; a list that keeps nothing (a block outside any
// document) shares nothing.
TEST(RecentValuesTest, KeepsOnlyWhatBlocksHold) {
  const struct {
    const char* name;
    bool keeps;
    int heldWhileUsed;
  } cases[] = {{"a document's", true, 2}, {"no document's", false, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TRecentValues<const TMarginArray> recent(c.keeps);
    TMarginArray wide{}, narrow{};
    wide[PropWidth] = 300;
    narrow[PropWidth] = 100;
    std::shared_ptr<const TMarginArray> first = recent.Shared(wide);
    std::shared_ptr<const TMarginArray> second = recent.Shared(narrow);
    EXPECT_EQ(recent.Held(), c.heldWhileUsed);
    EXPECT_EQ(recent.Shared(wide) == first, c.keeps);
    first.reset();
    second.reset();
    EXPECT_EQ(recent.Held(), 0);
    EXPECT_EQ(recent.Find(wide), nullptr);
  }
  TResolvedBox a, b;
  Resolve(a, 300, TSharedBoxValues::Unshared());
  Resolve(b, 300, TSharedBoxValues::Unshared());
  EXPECT_NE(&Values(a), &Values(b));
  EXPECT_EQ(TSharedBoxValues::Unshared().Resolved.Held(), 0);
}

// More kinds of value than the list keeps: values nobody holds make room
// before values blocks still hold; when all are held, one of them goes.
TEST(RecentValuesTest, MakesRoomWithValuesNobodyHoldsFirst) {
  using Recent = TRecentValues<const TMarginArray>;
  Recent recent;
  auto value = [](int width) {
    TMarginArray m{};
    m[PropWidth] = width;
    return m;
  };
  std::shared_ptr<const TMarginArray> held[Recent::kKept];
  for (int i = 0; i < Recent::kKept; ++i) held[i] = recent.Shared(value(i));
  held[3].reset();
  const std::shared_ptr<const TMarginArray> newer = recent.Shared(value(100));
  for (int i = 0; i < Recent::kKept; ++i) {
    if (held[i]) EXPECT_EQ(recent.Find(value(i)), held[i]) << i;
  }
  EXPECT_EQ(recent.Find(value(100)), newer);
  const std::shared_ptr<const TMarginArray> newest = recent.Shared(value(101));
  EXPECT_EQ(recent.Find(value(101)), newest);
  int found = recent.Find(value(100)) == newer ? 1 : 0;
  for (int i = 0; i < Recent::kKept; ++i)
    if (held[i] && recent.Find(value(i)) == held[i]) ++found;
  EXPECT_EQ(found, Recent::kKept - 1);
  EXPECT_EQ(recent.Held(), Recent::kKept);
}

TEST(TagNamesTest, EachDocumentKeepsEachNameOnce) {
  TTagNames one, other;
  const TTagName li = one.Intern("li");
  const TTagName again = one.Intern(std::string("li"));
  const TTagName elsewhere = other.Intern("li");
  EXPECT_EQ(&li.Str(), &again.Str());
  EXPECT_NE(&li.Str(), &elsewhere.Str());
  EXPECT_EQ(elsewhere.Str(), "li");
  EXPECT_EQ(one.Count(), 1u);
  EXPECT_TRUE(one.Intern("ul") == "ul");
  EXPECT_EQ(one.Count(), 2u);
  EXPECT_EQ(TTagName().Str(), "");
}

TEST(TagNamesTest, ACellTakesItsNameFromItsDocument) {
  TSectionListBase one, other;
  TBlockCell a(&one), b(&one), c(&other), detached(nullptr);
  for (TCellBasic* cell : {static_cast<TCellBasic*>(&a), static_cast<TCellBasic*>(&b),
                           static_cast<TCellBasic*>(&c), static_cast<TCellBasic*>(&detached)})
    cell->SetOwnerTag("blockquote");
  EXPECT_EQ(&a.OwnerTag.Str(), &b.OwnerTag.Str());
  EXPECT_NE(&a.OwnerTag.Str(), &c.OwnerTag.Str());
  EXPECT_TRUE(c.OwnerTag == "blockquote");
  EXPECT_TRUE(detached.OwnerTag == "");   // no document to keep it
  EXPECT_TRUE(one.OwnerTag == "default");
  EXPECT_EQ(one.Memory().TagNames.Count(), 2u);   // "default" and "blockquote"
}

}  // namespace
