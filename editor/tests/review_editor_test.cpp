// The line buffer's files at their edges: every Windows-1252 byte and a NUL
// come back as read, and editing a file with mixed breaks keeps the breaks of
// the lines nobody touched.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "editor/texteditstringlist.h"
#include "platform/fonts.h"
#include "testsupport/testenv.h"

namespace editor {
namespace {

std::vector<std::string> LinesOf(const TTextEditStringList& list) {
  std::vector<std::string> out;
  for (int i = 0; i < list.Count(); ++i) out.push_back(list.GetUtf8(i));
  return out;
}

TEST(ReviewLineBuffer, EveryWindows1252ByteAndNulSurviveLoadAndSave) {
  std::string bytes = "k=";
  for (int c = 0x80; c <= 0xFF; ++c) bytes += static_cast<char>(c);
  bytes += "\rnul=a";
  bytes += '\0';
  bytes += "b\r";
  TTextEditStringList list;
  list.LoadFromBytes(bytes);
  EXPECT_EQ(list.Encoding(), platform::TextEncoding::Windows1252);
  EXPECT_EQ(list.LineBreakFormat(), TLineBreakFormat::lbfCR);
  ASSERT_EQ(list.Count(), 3);
  EXPECT_EQ(list.Get(1).size(), 7u);
  EXPECT_EQ(list.SaveToBytes(), bytes);
}

TEST(ReviewLineBuffer, EditsInAMixedFileKeepTheOtherLinesBreaks) {
  TTextEditStringList list;
  list.LoadFromBytes("a\nb\r\nc\rd");
  list.Put(1, u"B");
  list.Insert(3, u"new");
  EXPECT_EQ(LinesOf(list), (std::vector<std::string>{"a", "B", "c", "new", "d"}));
  // Untouched lines keep their own breaks; the new line takes the file's.
  EXPECT_EQ(list.SaveToBytes(), "a\nB\r\nc\rnew\r\nd");
}

}  // namespace
}  // namespace editor
