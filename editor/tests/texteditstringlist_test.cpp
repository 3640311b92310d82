#include "editor/texteditstringlist.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/fonts.h"
#include "platform/streams.h"
#include "platform/stringlist.h"
#include "testsupport/testenv.h"

namespace editor {
namespace {

std::vector<std::string> LinesOf(const TTextEditStringList& list) {
  std::vector<std::string> out;
  for (int i = 0; i < list.Count(); ++i) out.push_back(list.GetUtf8(i));
  return out;
}

// Records every callback in order, so the tests can compare whole sequences.
struct CallbackLog {
  std::vector<std::string> events;
  void Attach(TTextEditStringList& list) {
    list.OnChanging = [this](TTextEditStringList*) { events.push_back("changing"); };
    list.OnChange = [this](TTextEditStringList*) { events.push_back("change"); };
    list.OnCleared = [this](TTextEditStringList*) { events.push_back("cleared"); };
    list.OnDeleted = [this](TTextEditStringList*, int i, int n) {
      events.push_back("deleted " + std::to_string(i) + " " + std::to_string(n));
    };
    list.OnInserted = [this](TTextEditStringList*, int i, int n) {
      events.push_back("inserted " + std::to_string(i) + " " + std::to_string(n));
    };
    list.OnPut = [this](TTextEditStringList*, int i, int n) {
      events.push_back("put " + std::to_string(i) + " " + std::to_string(n));
    };
  }
};

// ---------------------------------------------------------------------------
// Loading and saving

struct RoundTripCase {
  const char* name;
  std::string bytes;
  std::vector<std::string> lines;   // UTF-8
  TLineBreakFormat format;
  platform::TextEncoding encoding;
};

class RoundTrip : public ::testing::TestWithParam<RoundTripCase> {};

TEST_P(RoundTrip, LoadsLinesAndSavesTheSameBytes) {
  const RoundTripCase& c = GetParam();
  const std::string dir = testsupport::MakeTempDir("roundtrip");
  const std::string path = dir + "/file.ini";
  testsupport::WriteAll(path, c.bytes);

  TTextEditStringList list;
  list.LoadFromFile(path);
  EXPECT_EQ(LinesOf(list), c.lines);
  EXPECT_EQ(list.LineBreakFormat(), c.format);
  EXPECT_EQ(list.Encoding(), c.encoding);

  const std::string out = dir + "/out.ini";
  list.SaveToFile(out);
  EXPECT_EQ(testsupport::ReadAll(out), c.bytes);

  // The same through streams.
  platform::TMemoryStream in(std::vector<uint8_t>(c.bytes.begin(), c.bytes.end()));
  TTextEditStringList viaStream;
  viaStream.LoadFromStream(in);
  platform::TMemoryStream saved;
  viaStream.SaveToStream(saved);
  EXPECT_EQ(std::string(saved.Bytes().begin(), saved.Bytes().end()), c.bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Files, RoundTrip,
    ::testing::Values(
        RoundTripCase{"CrLf", "a\r\nb", {"a", "b"}, TLineBreakFormat::lbfCRLF, platform::TextEncoding::Utf8},
        RoundTripCase{"CrLfTrailing", "[S]\r\nk=1\r\n", {"[S]", "k=1", ""}, TLineBreakFormat::lbfCRLF,
                      platform::TextEncoding::Utf8},
        RoundTripCase{"LfTrailing", "a\nb\n", {"a", "b", ""}, TLineBreakFormat::lbfLF, platform::TextEncoding::Utf8},
        RoundTripCase{"Lf", "a\nb", {"a", "b"}, TLineBreakFormat::lbfLF, platform::TextEncoding::Utf8},
        RoundTripCase{"Cr", "a\rb", {"a", "b"}, TLineBreakFormat::lbfCR, platform::TextEncoding::Utf8},
        RoundTripCase{"CrTrailing", "a\rb\r", {"a", "b", ""}, TLineBreakFormat::lbfCR, platform::TextEncoding::Utf8},
        RoundTripCase{"MixedCrLfAndLf", "a\r\nb\nc", {"a", "b", "c"}, TLineBreakFormat::lbfCRLF,
                      platform::TextEncoding::Utf8},
        RoundTripCase{"MixedAllThree", "a\rb\nc\r\n\r\nd\n", {"a", "b", "c", "", "d", ""},
                      TLineBreakFormat::lbfCRLF, platform::TextEncoding::Utf8},
        RoundTripCase{"LfCrIsTwoBreaks", "a\n\rb", {"a", "", "b"}, TLineBreakFormat::lbfCRLF,
                      platform::TextEncoding::Utf8},
        RoundTripCase{"CrCrIsTwoBreaks", "a\r\rb", {"a", "", "b"}, TLineBreakFormat::lbfCR,
                      platform::TextEncoding::Utf8},
        RoundTripCase{"OnlyABreak", "\r\n", {"", ""}, TLineBreakFormat::lbfCRLF, platform::TextEncoding::Utf8},
        RoundTripCase{"NoBreakAtAll", "x", {"x"}, TLineBreakFormat::lbfCRLF, platform::TextEncoding::Utf8},
        RoundTripCase{"Empty", "", {}, TLineBreakFormat::lbfCRLF, platform::TextEncoding::Utf8},
        RoundTripCase{"Utf8", "Name=K\xC3\xA4ltemittel \xE2\x82\xAC\r\n; \xF0\x9F\x98\x80\r\n",
                      {"Name=K\xC3\xA4ltemittel \xE2\x82\xAC", "; \xF0\x9F\x98\x80", ""}, TLineBreakFormat::lbfCRLF,
                      platform::TextEncoding::Utf8},
        RoundTripCase{"Utf8WithBom", "\xEF\xBB\xBFk=\xC3\xA9\n", {"k=\xC3\xA9", ""}, TLineBreakFormat::lbfLF,
                      platform::TextEncoding::Utf8},
        RoundTripCase{"Cp1252", "Name=K\xE4ltemittel \x80\r\nx=\x81\x9F", {"Name=K\xC3\xA4ltemittel \xE2\x82\xAC", "x=\xC2\x81\xC5\xB8"},
                      TLineBreakFormat::lbfCRLF, platform::TextEncoding::Windows1252}),
    [](const ::testing::TestParamInfo<RoundTripCase>& info) { return std::string(info.param.name); });

TEST(TextEditStringListFiles, EditedLinesUseTheFileConventionAndNoBreakAfterTheLast) {
  const std::string dir = testsupport::MakeTempDir("edit");
  const std::string path = dir + "/f.ini";
  testsupport::WriteAll(path, "a\nb");
  TTextEditStringList list;
  list.LoadFromFile(path);
  list.Add(u"c");
  list.Put(0, u"A");
  list.SaveToFile(path);
  EXPECT_EQ(testsupport::ReadAll(path), "A\nb\nc");
}

TEST(TextEditStringListFiles, SavingWithAChosenFormat) {
  TTextEditStringList list;
  list.Add(u"a");
  list.Add(u"b");
  list.Add(u"");
  list.SetLineBreakFormat(TLineBreakFormat::lbfLF);
  EXPECT_EQ(list.SaveToBytes(), "a\nb\n");
  list.SetLineBreakFormat(TLineBreakFormat::lbfCR);
  EXPECT_EQ(list.SaveToBytes(), "a\rb\r");
  list.Clear();
  EXPECT_EQ(list.SaveToBytes(), "");
  list.Add(u"x");
  EXPECT_EQ(list.SaveToBytes(), "x");

  // Choosing a format converts a file with mixed breaks.
  list.LoadFromBytes("a\r\nb\nc");
  list.SetLineBreakFormat(TLineBreakFormat::lbfLF);
  EXPECT_EQ(list.SaveToBytes(), "a\nb\nc");
}

TEST(TextEditStringListFiles, Cp1252TextWithCharactersOutsideTheCodePageIsSavedAsUtf8) {
  TTextEditStringList list;
  list.LoadFromBytes("caf\xE9");
  ASSERT_EQ(list.Encoding(), platform::TextEncoding::Windows1252);
  EXPECT_EQ(list.SaveToBytes(), "caf\xE9");
  list.Put(0, u"caf\u00E9 \u0416");   // Cyrillic has no Windows-1252 byte
  EXPECT_EQ(list.SaveToBytes(), "caf\xC3\xA9 \xD0\x96");
}

TEST(TextEditStringListFiles, AMissingFileRaisesAndLeavesTheListAsItWas) {
  TTextEditStringList list;
  list.Add(u"keep");
  CallbackLog log;
  log.Attach(list);
  EXPECT_THROW(list.LoadFromFile(testsupport::MakeTempDir("missing") + "/none.ini"), platform::EFOpenError);
  EXPECT_EQ(LinesOf(list), std::vector<std::string>{"keep"});
  EXPECT_TRUE(log.events.empty());
}

TEST(TextEditStringListFiles, AFailedSaveLeavesTheOldFileWhole) {
  const std::string dir = testsupport::MakeTempDir("failsave");
  const std::string path = dir + "/f.ini";
  testsupport::WriteAll(path, "old\r\ncontent");
  TTextEditStringList list;
  list.Add(u"new");
  // A file inside a missing folder cannot be created.
  EXPECT_THROW(list.SaveToFile(dir + "/no/such/folder/f.ini"), platform::EStreamError);
  // A folder that takes no new files: the replacement cannot be written and
  // the old file stays whole (a root user may write anyway).
  if (::geteuid() != 0) {
    ASSERT_EQ(::chmod(dir.c_str(), 0555), 0);
    EXPECT_THROW(list.SaveToFile(path), platform::EStreamError);
    ::chmod(dir.c_str(), 0755);
    EXPECT_EQ(testsupport::ReadAll(path), "old\r\ncontent");
  }
  list.SaveToFile(path);
  EXPECT_EQ(testsupport::ReadAll(path), "new");
}

TEST(TextEditStringListFiles, WriterFlushesWhenFullAndGrowsForLargePieces) {
  platform::TMemoryStream stream;
  auto text = [&stream] { return std::string(stream.Bytes().begin(), stream.Bytes().end()); };
  {
    TTextEditFileWriter writer(stream, TLineBreakFormat::lbfLF, platform::TextEncoding::Utf8, 8);
    writer.WriteLine(u"abc");           // 4 bytes held
    EXPECT_EQ(text(), "");
    writer.WriteLine(u"def", TLineBreak::lbCRLF);   // 4 + 5 > 8: the first line goes out
    EXPECT_EQ(text(), "abc\n");
    writer.Write(u"0123456789");        // larger than the buffer
    EXPECT_EQ(text(), "abc\ndef\r\n");
    writer.Write(u"\u00E9");
    writer.Flush();
    EXPECT_EQ(text(), "abc\ndef\r\n0123456789\xC3\xA9");
    writer.Write(u"end");
  }
  // Freeing the writer writes what is left.
  EXPECT_EQ(text(), "abc\ndef\r\n0123456789\xC3\xA9" "end");

  platform::TMemoryStream cp;
  {
    TTextEditFileWriter writer(cp, TLineBreakFormat::lbfCR, platform::TextEncoding::Windows1252);
    writer.WriteLine(u"\u00E9\u20AC");
  }
  EXPECT_EQ(std::string(cp.Bytes().begin(), cp.Bytes().end()), "\xE9\x80\r");
}

TEST(TextEditStringListFiles, LoadingFiresClearedOnceAndInsertedPerLine) {
  TTextEditStringList list;
  list.Add(u"old");
  CallbackLog log;
  log.Attach(list);
  list.LoadFromBytes("a\r\nb");
  EXPECT_EQ(log.events, (std::vector<std::string>{"changing", "cleared", "inserted 0 1", "inserted 1 1", "change"}));
}

// ---------------------------------------------------------------------------
// String-list operations

TEST(TextEditStringList, GetOutsideTheRangeIsEmptyAndPutAtCountAppends) {
  TTextEditStringList list;
  list.Put(0, u"first");
  list.Put(1, u"second");
  EXPECT_EQ(LinesOf(list), (std::vector<std::string>{"first", "second"}));
  EXPECT_EQ(list.Get(-1), u"");
  EXPECT_EQ(list.Get(2), u"");
  EXPECT_EQ(list.GetObject(5), nullptr);
  EXPECT_EQ(list.GetRange(5), 0);
  EXPECT_EQ(list.GetExpandedString(5), u"");
  EXPECT_EQ(list.GetExpandedLength(-1), 0);
}

TEST(TextEditStringList, BadIndexesRaiseInvalidStringlistIndex) {
  TTextEditStringList list;
  list.Add(u"a");
  list.Add(u"b");
  struct Case {
    const char* what;
    std::function<void()> call;
    const char* message;
  };
  const std::vector<Case> cases = {
      {"Put count+1", [&] { list.Put(3, u"x"); }, "Invalid stringlist index 3"},
      {"Put -1", [&] { list.Put(-1, u"x"); }, "Invalid stringlist index -1"},
      {"Delete count", [&] { list.Delete(2); }, "Invalid stringlist index 2"},
      {"Insert count+1", [&] { list.Insert(3, u"x"); }, "Invalid stringlist index 3"},
      {"Exchange", [&] { list.Exchange(0, 7); }, "Invalid stringlist index 7"},
      {"PutObject", [&] { list.PutObject(2, nullptr); }, "Invalid stringlist index 2"},
      {"SetRange", [&] { list.SetRange(-3, 1); }, "Invalid stringlist index -3"},
      {"InsertLines", [&] { list.InsertLines(3, 1); }, "Invalid stringlist index 3"},
      {"DeleteLines", [&] { list.DeleteLines(5, 1); }, "Invalid stringlist index 5"},
  };
  CallbackLog log;
  log.Attach(list);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    try {
      c.call();
      ADD_FAILURE() << "no error";
    } catch (const ETextEditStringList& e) {
      EXPECT_STREQ(e.what(), c.message);
    }
  }
  // Nothing was changed or announced.
  EXPECT_EQ(LinesOf(list), (std::vector<std::string>{"a", "b"}));
  EXPECT_TRUE(log.events.empty());
  // Harmless cases: no lines to insert or delete.
  list.InsertLines(2, 0);
  list.DeleteLines(9, 0);
  EXPECT_EQ(list.Count(), 2);
}

TEST(TextEditStringList, CapacityGrowsBy16ThenByAQuarterAndCannotShrinkBelowCount) {
  TTextEditStringList list;
  std::vector<int> capacities;
  for (int i = 0; i < 100; ++i) {
    list.Add(u"x");
    if (capacities.empty() || capacities.back() != list.GetCapacity()) capacities.push_back(list.GetCapacity());
  }
  EXPECT_EQ(capacities, (std::vector<int>{16, 32, 48, 64, 80, 100}));
  try {
    list.SetCapacity(50);
    ADD_FAILURE() << "no error";
  } catch (const platform::EListError& e) {
    EXPECT_STREQ(e.what(), "Stringlist capacity cannot be smaller than count");
  }
}

TEST(TextEditStringList, TextIsJoinedByCrLfAndSplitAtEveryBreak) {
  TTextEditStringList list;
  list.LoadFromBytes("a\nb");
  EXPECT_EQ(list.GetTextStr(), u"a\r\nb");
  list.SetTextStr(u"x\ry\nz\r\n");
  EXPECT_EQ(LinesOf(list), (std::vector<std::string>{"x", "y", "z"}));
  list.SetTextStr(u"");
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.GetTextStr(), u"");
  list.SetTextUtf8("\xC3\xA4\r\n\r\nb");
  EXPECT_EQ(LinesOf(list), (std::vector<std::string>{"\xC3\xA4", "", "b"}));
  EXPECT_EQ(list.TextUtf8(), "\xC3\xA4\r\n\r\nb");
}

TEST(TextEditStringList, CallbacksOfEachOperation) {
  TTextEditStringList list;
  CallbackLog log;
  log.Attach(list);
  struct Step {
    const char* what;
    std::function<void()> call;
    std::vector<std::string> events;
  };
  const std::vector<Step> steps = {
      {"Clear empty", [&] { list.Clear(); }, {}},
      {"Add", [&] { list.Add(u"a"); }, {"changing", "inserted 0 1", "change"}},
      {"Insert", [&] { list.Insert(0, u"b"); }, {"changing", "inserted 0 1", "change"}},
      {"Put", [&] { list.Put(1, u"c"); }, {"changing", "put 1 1", "change"}},
      {"Exchange", [&] { list.Exchange(0, 1); }, {"changing", "change"}},
      {"InsertLines", [&] { list.InsertLines(1, 3); }, {"changing", "inserted 1 3", "change"}},
      {"DeleteLines cut at the end", [&] { list.DeleteLines(3, 10); }, {"changing", "deleted 3 2", "change"}},
      {"Delete", [&] { list.Delete(0); }, {"changing", "deleted 0 1", "change"}},
      {"AddStrings", [&] { list.AddStrings(std::vector<std::u16string>{u"p", u"q"}); },
       {"changing", "inserted 2 2", "change"}},
      {"SetRange", [&] { list.SetRange(0, 5); }, {"changing", "change"}},
      {"Clear", [&] { list.Clear(); }, {"changing", "cleared", "change"}},
  };
  for (const auto& s : steps) {
    SCOPED_TRACE(s.what);
    log.events.clear();
    s.call();
    EXPECT_EQ(log.events, s.events);
  }
}

TEST(TextEditStringList, NestedUpdatesCallChangingAndChangeOnce) {
  TTextEditStringList list;
  CallbackLog log;
  log.Attach(list);
  list.BeginUpdate();
  list.Add(u"a");
  list.BeginUpdate();
  list.Add(u"b");
  list.EndUpdate();
  list.Delete(0);
  list.EndUpdate();
  list.EndUpdate();   // unbalanced: ignored
  EXPECT_EQ(log.events, (std::vector<std::string>{"changing", "inserted 0 1", "inserted 1 1", "deleted 0 1", "change"}));
}

TEST(TextEditStringList, InsertedLinesAreEmptyAndUnscanned) {
  TTextEditStringList list;
  list.Add(u"a");
  list.SetRange(0, 42);
  int marker = 0;
  list.PutObject(0, &marker);
  list.InsertLines(0, 2);
  ASSERT_EQ(list.Count(), 3);
  EXPECT_EQ(list.GetCapacity(), 3);
  EXPECT_EQ(list.Get(0), u"");
  EXPECT_EQ(list.GetRange(0), kRangeNotScanned);
  EXPECT_EQ(list.GetObject(0), nullptr);
  EXPECT_EQ(list.GetRange(2), 42);
  EXPECT_EQ(list.GetObject(2), &marker);
}

TEST(TextEditStringList, AddStringsAndAssignCopyLinesAndObjects) {
  TTextEditStringList source;
  int a = 1;
  source.Add(u"one");
  source.PutObject(0, &a);
  source.Add(u"two");
  TTextEditStringList target;
  target.Add(u"old");
  target.Assign(source);
  EXPECT_EQ(LinesOf(target), (std::vector<std::string>{"one", "two"}));
  EXPECT_EQ(target.GetObject(0), &a);
  EXPECT_EQ(target.GetRange(0), kRangeNotScanned);
  target.AddStrings(target);   // adding itself doubles the list
  EXPECT_EQ(LinesOf(target), (std::vector<std::string>{"one", "two", "one", "two"}));
  EXPECT_EQ(target.GetCapacity(), 16);

  platform::TStringList plain{"x=\xC3\xA4", "y"};
  target.Assign(plain);
  EXPECT_EQ(LinesOf(target), (std::vector<std::string>{"x=\xC3\xA4", "y"}));
}

// ---------------------------------------------------------------------------
// Tab expansion

struct TabCase {
  std::u16string line;
  int tabWidth;
  int expandedLength;
  std::u16string expanded;
};

TEST(TextEditStringListTabs, ExpandedLengthAndTextAtSeveralWidths) {
  const std::vector<TabCase> cases = {
      {u"a\tb", 8, 9, u"a\t\t\t\t\t\t\tb"},
      {u"a\tb", 4, 5, u"a\t\t\tb"},
      {u"a\tb", 2, 3, u"a\tb"},
      {u"a\tb", 1, 3, u"a b"},
      {u"a\tb", 3, 4, u"a\t\tb"},
      {u"\t", 8, 8, u"\t\t\t\t\t\t\t\t"},
      {u"abcd\t", 4, 8, u"abcd\t\t\t\t"},
      {u"\t\tx", 5, 11, u"\t\t\t\t\t\t\t\t\t\tx"},
      {u"no tabs", 8, 7, u"no tabs"},
      {u"", 8, 0, u""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << "width " << c.tabWidth << " line " << platform::Utf16ToUtf8(c.line));
    TTextEditStringList list;
    list.SetTabWidth(c.tabWidth);
    list.Add(c.line);
    EXPECT_EQ(list.GetExpandedLength(0), c.expandedLength);
    EXPECT_EQ(list.GetExpandedString(0), c.expanded);
    EXPECT_EQ(static_cast<int>(c.expanded.size()), c.expandedLength);
  }
}

TEST(TextEditStringListTabs, ChangingTheWidthRecomputesEveryLine) {
  TTextEditStringList list;
  list.Add(u"a\tb");
  list.Add(u"abcdefg");
  EXPECT_EQ(list.GetExpandedLength(0), 9);
  EXPECT_EQ(list.LongestLineLength(), 9);
  list.SetTabWidth(4);
  EXPECT_EQ(list.GetExpandedLength(0), 5);
  EXPECT_EQ(list.LongestLineLength(), 7);
  list.SetTabWidth(16);
  EXPECT_EQ(list.LongestLineLength(), 17);
}

TEST(TextEditStringListTabs, LongestLineFollowsEdits) {
  TTextEditStringList list;
  EXPECT_EQ(list.LongestLineLength(), 0);
  list.Add(u"");
  EXPECT_EQ(list.LongestLineLength(), 0);
  list.Add(u"abc");
  list.Add(u"xyz");
  EXPECT_EQ(list.LongestLineLength(), 3);
  list.Put(2, u"longer line");
  EXPECT_EQ(list.LongestLineLength(), 11);
  list.Add(u"the longest line");
  EXPECT_EQ(list.LongestLineLength(), 16);
  list.Insert(0, u"longer than the longest");
  EXPECT_EQ(list.LongestLineLength(), 23);
  list.Delete(0);
  list.Delete(3);
  list.Exchange(0, 2);
  EXPECT_EQ(list.LongestLineLength(), 11);
  list.Delete(0);
  EXPECT_EQ(list.LongestLineLength(), 3);
  list.Clear();
  EXPECT_EQ(list.LongestLineLength(), 0);
}

}  // namespace
}  // namespace editor

// The line buffer's files at their edges: every Windows-1252 byte and a NUL
// come back as read, and editing a file with mixed breaks keeps the breaks of
// the lines nobody touched.
namespace editor {
namespace {

TEST(TextEditStringListFiles, EveryWindows1252ByteAndNulSurviveLoadAndSave) {
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

TEST(TextEditStringListFiles, EditsInAMixedFileKeepTheOtherLinesBreaks) {
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
