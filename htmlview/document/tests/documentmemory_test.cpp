// What the blocks and cells of a document share to keep a page of many
// elements small (box values, list fonts, tag names) is the document's own:
// two documents shown at once (two viewers) never share it, and each frees
// its own.
#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "htmlview/layout/layoutdump.h"
#include "htmlview/layout/listitems.h"
#include "parsedpage_helpers.h"
#include "platform/canvas.h"
#include "platform/image.h"

namespace htmlview {
namespace {

// Every block of the cell and of the blocks in it.
void CollectBlocks(const TCellBasic& cell, std::vector<const TBlock*>& blocks) {
  for (int i = 0; i < cell.Count(); ++i)
    if (const auto* block = dynamic_cast<const TBlock*>(cell[i])) {
      blocks.push_back(block);
      CollectBlocks(block->MyCell, blocks);
    }
}

// Where each kind of shared value of a document's blocks is kept.
struct SharedPlaces {
  std::set<const void*> given, resolved, tags, listFonts;
  std::set<std::string> tagNames;
  size_t blocks = 0, listItems = 0;
};

SharedPlaces PlacesOf(const TSectionList& doc) {
  std::vector<const TBlock*> blocks;
  CollectBlocks(doc, blocks);
  SharedPlaces places;
  places.blocks = blocks.size();
  for (const TBlock* b : blocks) {
    places.given.insert(&static_cast<const TVMarginArray&>(b->MargArrayO));
    places.resolved.insert(&static_cast<const TMarginArray&>(b->MargArray));
    places.tags.insert(&b->MyCell.OwnerTag.Str());
    places.tagNames.insert(b->MyCell.OwnerTag.Str());
    if (const auto* li = dynamic_cast<const TBlockLI*>(b)) {
      places.listFonts.insert(&li->ListFont());
      ++places.listItems;
    }
  }
  return places;
}

bool Disjoint(const std::set<const void*>& a, const std::set<const void*>& b) {
  for (const void* p : a)
    if (b.count(p)) return false;
  return true;
}

int LayOut(TSectionList& doc, int width) {
  platform::Bitmap bitmap(width, 300);
  platform::Canvas canvas(&bitmap.Image());
  int maxWidth = 0, curs = 0;
  return doc.Layout(canvas, 0, width, 300, 300, maxWidth, curs);
}

class DocumentMemoryTest : public ParsedPageTest {
 protected:
  // The page both documents show: items, nested lists, paragraphs and
  // divisions of one style each, so that each document has values its
  // blocks share, and equal ones the other document's blocks hold.
  const std::string page_ = Repeat("<ul><li>x<li>y<ul><li>z<li>w</ul></ul><p>p<div>d</div>", 4) +
                            "<dl><dt>t<dd>d<dd>e</dl><blockquote>q</blockquote>";
  std::unique_ptr<TSectionList> other_ = std::make_unique<TSectionList>(nullptr, nullptr);
};

TEST_F(DocumentMemoryTest, TwoDocumentsLaidOutInTurnShareNothing) {
  // Interleaved as two viewers would: both parsed, then laid out in turn,
  // then again at other widths.
  Parse(page_);
  ParseInto(*other_, page_);
  for (int width : {400, 250}) {
    LayOut(*list, width);
    LayOut(*other_, width);
  }
  const SharedPlaces one = PlacesOf(*list), two = PlacesOf(*other_);
  ASSERT_GT(one.blocks, 20u);
  ASSERT_EQ(one.blocks, two.blocks);
  EXPECT_TRUE(Disjoint(one.given, two.given));
  EXPECT_TRUE(Disjoint(one.resolved, two.resolved));
  EXPECT_TRUE(Disjoint(one.tags, two.tags));
  EXPECT_TRUE(Disjoint(one.listFonts, two.listFonts));
  // Within each document the blocks alike still share.
  for (const SharedPlaces* p : {&one, &two}) {
    EXPECT_LT(p->given.size(), p->blocks / 2);
    EXPECT_LT(p->resolved.size(), p->blocks / 2);
    EXPECT_EQ(p->tags.size(), p->tagNames.size());
    EXPECT_LT(p->listFonts.size(), p->listItems / 4);
  }
}

TEST_F(DocumentMemoryTest, EachDocumentFreesItsOwn) {
  Parse(page_);
  ParseInto(*other_, page_);
  LayOut(*list, 400);
  LayOut(*other_, 400);
  const std::string otherDump = DumpLayout(*other_);
  const auto held = [](TSectionList& doc) {
    const TSharedBoxValues& v = doc.Memory().BoxValues;
    return v.Given.Held() + v.Resolved.Held() + v.ListFonts.Held();
  };
  const int otherHeld = held(*other_);
  EXPECT_GT(held(*list), 0);
  EXPECT_GT(otherHeld, 0);

  list->Clear();
  EXPECT_EQ(held(*list), 0);
  EXPECT_EQ(held(*other_), otherHeld);
  list.reset();
  // The other document keeps what its blocks share, and lays out as before.
  EXPECT_EQ(held(*other_), otherHeld);
  LayOut(*other_, 400);
  EXPECT_EQ(DumpLayout(*other_), otherDump);
  EXPECT_EQ(held(*other_), otherHeld);
}

}  // namespace
}  // namespace htmlview
