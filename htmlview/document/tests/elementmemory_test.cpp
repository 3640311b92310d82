// What a shown page keeps per element: pages of a great many small elements
// (list items, definition items, forms, table cells, paragraphs) must keep
// little for each, nothing that grows with what the blocks share. The heap
// this program holds is counted by replacing the global allocation
// functions.
#include <gtest/gtest.h>
#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <new>
#include <string>
#include <utility>

#include "parsedpage_helpers.h"

namespace {

std::atomic<long long> gLiveBytes{0};
std::atomic<long long> gLiveBlocks{0};

[[maybe_unused]] void* Allocate(size_t size) {
  void* p = std::malloc(size ? size : 1);
  if (!p) throw std::bad_alloc();
  gLiveBytes += static_cast<long long>(malloc_usable_size(p));
  ++gLiveBlocks;
  return p;
}

[[maybe_unused]] void Release(void* p) {
  if (!p) return;
  gLiveBytes -= static_cast<long long>(malloc_usable_size(p));
  --gLiveBlocks;
  std::free(p);
}

}  // namespace

// The sanitizers keep their own heap and count nothing here.
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
#define DRAVLEN_COUNTS_HEAP 1
void* operator new(size_t size) { return Allocate(size); }
void* operator new[](size_t size) { return Allocate(size); }
void operator delete(void* p) noexcept { Release(p); }
void operator delete[](void* p) noexcept { Release(p); }
void operator delete(void* p, size_t) noexcept { Release(p); }
void operator delete[](void* p, size_t) noexcept { Release(p); }
#endif

namespace htmlview {
namespace {

class ElementMemoryTest : public ParsedPageTest {
 protected:
  // The heap a shown page holds (the page text not counted), per element.
  double BytesPerElement(const std::string& html, int elements) {
    return static_cast<double>(Held(html).first) / elements;
  }
  // The heap bytes and blocks a shown page holds.
  std::pair<long long, long long> Held(const std::string& html) {
    list->Clear();
    const long long bytes = gLiveBytes, blocks = gLiveBlocks;
    Parse(html);
    shownHeight = LayOutAndPaint(400, 300);
    return {gLiveBytes - bytes, gLiveBlocks - blocks};
  }

  int shownHeight = 0;
};

// What a page keeps for each small element: once about 2.2 KB (a private
// copy of the box values for every block, a link target for every font
// run), then about 1.7 KB (background picture state only in boxes that have
// a picture, the paint index only in blocks with many sections), now under
// a kilobyte, so that a page of a million elements fits in 1 GiB: blocks
// laid out alike share their resolved box values, runs of one font their
// measured font, a block holds its content cell, a finished section keeps
// no reserve, what few blocks, cells and sections have is kept out of line.
constexpr double kBudget = 1024;

TEST_F(ElementMemoryTest, SmallElementsKeepLittle) {
#ifndef DRAVLEN_COUNTS_HEAP
  GTEST_SKIP() << "the heap is not counted under a sanitizer";
#endif
  constexpr int n = 20000;
  const struct {
    const char* name;
    std::string html;
  } pages[] = {
      {"nested list items", Repeat("<ul><li>x", n)},
      {"sibling list items", "<ul>" + Repeat("<li>x", n) + "</ul>"},
      {"nested definition items", Repeat("<dl><dd>x", n)},
      {"sibling definition items", "<dl>" + Repeat("<dt>x<dd>y", n / 2) + "</dl>"},
      {"nested forms", Repeat("<form>x", n)},
      {"table cells", "<table>" + Repeat("<tr>" + Repeat("<td>x", 100), n / 100) + "</table>"},
      {"paragraphs in list items", "<ul>" + Repeat("<li><p>x", n / 2) + "</ul>"},
  };
  for (const auto& page : pages) {
    SCOPED_TRACE(page.name);
    const double bytes = BytesPerElement(page.html, n);
    EXPECT_LE(bytes, kBudget);
    // And the page still shows its elements, one below the other.
    EXPECT_GT(shownHeight, n / 100);
  }
}

// A grid position that a span covers is a word in its row, no object of its
// own: each once held a whole cell on the heap, so that a 600 KB page of
// one cell spanning 1000 columns and 65534 rows took more than 6 GiB. Each
// table is measured against the same cells without their spans.
TEST_F(ElementMemoryTest, SpanCoveredPositionsHoldNoHeapObject) {
#ifndef DRAVLEN_COUNTS_HEAP
  GTEST_SKIP() << "the heap is not counted under a sanitizer";
#endif
  constexpr int rows = 200;
  const struct {
    const char* name;
    std::string firstRow, otherRows;   // with the spans
    std::string plainFirstRow, plainOtherRows;
    double covered;                    // grid positions the spans cover
  } tables[] = {
      {"one cell spanning columns and rows", "<td colspan=1000 rowspan=200>x", "<tr><td>y",
       "<td>x", "<tr><td>y", 1000.0 * rows - 1},
      {"rows of column spans", "<td colspan=1000>x<td>z", "<tr><td colspan=1000>y<td>z",
       "<td>x<td>z", "<tr><td>y<td>z", 999.0 * rows},
      {"row spans side by side", Repeat("<td rowspan=200>x", 1000), "<tr><td>y",
       Repeat("<td>x", 1000), "<tr><td>y", 1000.0 * (rows - 1)},
  };
  for (const auto& t : tables) {
    SCOPED_TRACE(t.name);
    const auto [bytes, blocks] =
        Held("<table border=1><tr>" + t.firstRow + Repeat(t.otherRows, rows - 1) + "</table>");
    EXPECT_GT(shownHeight, rows);
    const auto [plainBytes, plainBlocks] = Held(
        "<table border=1><tr>" + t.plainFirstRow + Repeat(t.plainOtherRows, rows - 1) + "</table>");
    EXPECT_LE((bytes - plainBytes) / t.covered, 16.0);
    EXPECT_LE((blocks - plainBlocks) / t.covered, 0.01);
  }
}

}  // namespace
}  // namespace htmlview
