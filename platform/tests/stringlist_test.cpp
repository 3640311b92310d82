#include "platform/stringlist.h"

#include <gtest/gtest.h>

#include "platform/sysutils.h"
#include "testsupport/testenv.h"

using namespace platform;

namespace {

std::vector<std::string> CommaItems(const std::string& text) {
  TStringList list;
  list.SetCommaText(text);
  return list.Items();
}

TEST(StringList, CommaTextRules) {
  using V = std::vector<std::string>;
  const std::pair<const char*, V> cases[] = {
      {"a,b,c", V{"a", "b", "c"}},
      {"a b  c", V{"a", "b", "c"}},
      {"  a  ,  b  ", V{"a", "b"}},
      {"\"a b\",c", V{"a b", "c"}},
      {"\"x,y\" z", V{"x,y", "z"}},
      {"\"x\"\"y\"", V{"x\"y"}},
      {"\"open", V{"open"}},
      {"a,,b", V{"a", "", "b"}},
      {"a,", V{"a", ""}},
      {"a, ", V{"a"}},
      {"1.5, 2.5,", V{"1.5", "2.5", ""}},
      {",", V{"", ""}},
      {"", V{}},
      {"   ", V{}},
      {"-1.2E-3,4\t5", V{"-1.2E-3", "4", "5"}},
  };
  for (const auto& [text, items] : cases) EXPECT_EQ(CommaItems(text), items) << "'" << text << "'";
}

// Every byte is taken: a NUL is part of an item, the other control bytes
// separate items like blanks. Text with a NUL once never came to an end.
TEST(StringList, CommaTextTakesControlBytes) {
  using V = std::vector<std::string>;
  using namespace std::string_literals;
  const std::pair<std::string, V> cases[] = {
      {"1, \0 2"s, V{"1", "\0"s, "2"}},
      {"2734.0,\0"s, V{"2734.0", "\0"s}},
      {"\0"s, V{"\0"s}},
      {"a\0b,c"s, V{"a\0b"s, "c"}},
      {"\"q\0\",\0\0"s, V{"q\0"s, "\0\0"s}},
      {"1\x01" "2\x1f" "3\x7f"s, V{"1", "2", "3\x7f"}},
  };
  for (const auto& [text, items] : cases) EXPECT_EQ(CommaItems(text), items) << text.size() << " bytes";
}

TEST(StringList, CommaTextOutputRoundTrips) {
  TStringList list{"a b", "c", "", "x\"y", "p,q"};
  EXPECT_EQ(list.CommaText(), "\"a b\",c,,\"x\"\"y\",\"p,q\"");
  EXPECT_EQ(CommaItems(list.CommaText()), list.Items());
  TStringList single{""};
  EXPECT_EQ(single.CommaText(), "\"\"");
  EXPECT_EQ(CommaItems("\"\""), std::vector<std::string>{""});
  EXPECT_EQ(TStringList().CommaText(), "");
}

TEST(StringList, IndexErrors) {
  TStringList list{"a", "b"};
  auto message = [&](auto fn) {
    try {
      fn();
    } catch (const EListError& e) {
      return std::string(e.what());
    }
    return std::string("no error");
  };
  EXPECT_EQ(message([&] { list.Get(2); }), "List index out of bounds (2)");
  EXPECT_EQ(message([&] { list.Delete(-1); }), "List index out of bounds (-1)");
  EXPECT_EQ(message([&] { list.Put(5, "x"); }), "List index out of bounds (5)");
  EXPECT_EQ(message([&] { list.Insert(3, "x"); }), "List index out of bounds (3)");
  EXPECT_EQ(message([&] { list.Exchange(0, 9); }), "List index out of bounds (9)");
  list.Insert(2, "c");
  EXPECT_EQ(list.Count(), 3);
}

TEST(StringList, SortAndFindWithoutRegardToCase) {
  TStringList list{"b", "A", "c", "a", "B"};
  list.Sort();
  EXPECT_EQ(list.Items(), (std::vector<std::string>{"A", "a", "b", "B", "c"}));
  EXPECT_EQ(list.IndexOf("C"), 4);
  EXPECT_EQ(list.IndexOf("x"), -1);
  list.SetCaseSensitive(true);
  EXPECT_EQ(list.IndexOf("C"), -1);
  EXPECT_EQ(list.IndexOf("B"), 3);
}

TEST(StringList, SortedListsAndDuplicates) {
  TStringList list;
  list.SetSorted(true);
  EXPECT_EQ(list.Add("R404A"), 0);
  EXPECT_EQ(list.Add("r134a"), 0);
  EXPECT_EQ(list.Add("R22"), 1);
  EXPECT_EQ(list.Add("r22"), 1);   // dupIgnore: the existing index
  EXPECT_EQ(list.Count(), 3);
  EXPECT_EQ(list.IndexOf("R134A"), 0);
  list.SetDuplicates(TDuplicates::dupError);
  EXPECT_THROW(list.Add("R22"), EListError);
  list.SetDuplicates(TDuplicates::dupAccept);
  list.Add("R22");
  EXPECT_EQ(list.Count(), 4);
  EXPECT_THROW(list.Insert(0, "x"), EListError);
  EXPECT_THROW(list.Put(0, "x"), EListError);
  // Duplicates are only looked for in a sorted list.
  TStringList plain;
  plain.SetDuplicates(TDuplicates::dupError);
  plain.Add("a");
  plain.Add("a");
  EXPECT_EQ(plain.Count(), 2);
}

TEST(StringList, UpdatesFireOneChange) {
  TStringList list;
  int changes = 0, changing = 0;
  list.OnChange = [&] { ++changes; };
  list.OnChanging = [&] { ++changing; };
  list.Add("a");
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(changing, 1);
  list.BeginUpdate();
  list.BeginUpdate();
  list.Add("b");
  list.Add("c");
  list.Delete(0);
  EXPECT_EQ(list.UpdateCount(), 2);
  list.EndUpdate();
  EXPECT_EQ(changes, 1);
  list.EndUpdate();
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(changing, 2);
  list.SetCommaText("x,y,z");
  EXPECT_EQ(changes, 3);
  list.EndUpdate();   // unbalanced: ignored
  EXPECT_EQ(list.UpdateCount(), 0);
}

TEST(StringList, NamesAndValues) {
  TStringList list{"Qe=1,2", "pw=3", "plain", "Empty="};
  EXPECT_EQ(list.Names(0), "Qe");
  EXPECT_EQ(list.Names(2), "");
  EXPECT_EQ(list.ValueFromIndex(0), "1,2");
  EXPECT_EQ(list.Values("PW"), "3");
  EXPECT_EQ(list.Values("none"), "");
  EXPECT_EQ(list.IndexOfName("empty"), 3);
  list.SetValue("Pw", "4");
  EXPECT_EQ(list[1], "Pw=4");
  list.SetValue("new", "5");
  EXPECT_EQ(list[4], "new=5");
  list.SetValue("qe", "");
  EXPECT_EQ(list.IndexOfName("Qe"), -1);
}

TEST(StringList, MoveExchangeObjects) {
  int one = 1, two = 2;
  TStringList list;
  list.AddObject("one", &one);
  list.AddObject("two", &two);
  list.Add("three");
  list.Exchange(0, 1);
  EXPECT_EQ(list[0], "two");
  EXPECT_EQ(list.GetObject(0), &two);
  list.Move(0, 2);
  EXPECT_EQ(list.Items(), (std::vector<std::string>{"one", "three", "two"}));
  EXPECT_EQ(list.GetObject(2), &two);
  TStringList copy;
  copy.AddStrings(list);
  EXPECT_EQ(copy.GetObject(0), &one);
}

TEST(StringList, TextAndFiles) {
  TStringList list;
  list.SetText("a\r\nb\nc\rd\r\n");
  EXPECT_EQ(list.Items(), (std::vector<std::string>{"a", "b", "c", "d"}));
  EXPECT_EQ(list.Text(), "a\r\nb\r\nc\r\nd\r\n");
  list.SetText("\r\n\r\nx");
  EXPECT_EQ(list.Items(), (std::vector<std::string>{"", "", "x"}));
  list.SetText("");
  EXPECT_EQ(list.Count(), 0);

  std::string dir = testsupport::MakeTempDir("sl");
  testsupport::WriteAll(dir + "/old.txt", "Caf\xE9\r\n25 \xB0" "C\r\n");
  list.LoadFromFile(dir + "/old.txt");
  EXPECT_EQ(list[0], "Caf\xC3\xA9");
  list.Add("new");
  list.SaveToFile(dir + "/old.txt");
  EXPECT_EQ(testsupport::ReadAll(dir + "/old.txt"), "Caf\xE9\r\n25 \xB0" "C\r\nnew\r\n");
  EXPECT_THROW(list.LoadFromFile(dir + "/missing.txt"), EFOpenError);
}

}  // namespace
