#include "core/textutils.h"

#include <gtest/gtest.h>

#include "platform/sysutils.h"

using namespace core;
using platform::EConvertError;
using platform::TStringList;

namespace {

TEST(TextUtils, RemoveSpacesStripCommaKeepFirst) {
  EXPECT_EQ(RemoveSpaces(" 1, 2 ,3 "), "1,2,3");
  EXPECT_EQ(RemoveSpaces("a\tb"), "a\tb");
  EXPECT_EQ(StripTrailingComma("1,2,,"), "1,2,");
  EXPECT_EQ(StripTrailingComma(""), "");
  EXPECT_EQ(KeepFirst('.', "1.2.3."), "1.23");
  EXPECT_EQ(KeepFirst('x', "abc"), "abc");
}

TEST(TextUtils, SplitToStrings) {
  TStringList list{"old"};
  SplitToStrings("  a ,b,, c ,", ',', list);
  EXPECT_EQ(list.Items(), (std::vector<std::string>{"a ", "b", "", "c "}));
  SplitToStrings("", ',', list);
  EXPECT_EQ(list.Count(), 0);
  SplitToStrings("one", ';', list);
  EXPECT_EQ(list.Items(), std::vector<std::string>{"one"});
}

TEST(TextUtils, SplitToFloatsProtectsAllButTheLastPiece) {
  EXPECT_EQ(SplitToFloats("1, x, 3", ','), (std::vector<double>{1, 0, 3}));
  EXPECT_EQ(SplitToFloats("1,2,", ','), (std::vector<double>{1, 2}));
  EXPECT_EQ(SplitToFloats("1,,2", ','), (std::vector<double>{1, 0, 2}));
  EXPECT_EQ(SplitToFloats("", ','), std::vector<double>{});
  EXPECT_EQ(SplitToFloats("-1.5E1;2", ';'), (std::vector<double>{-15, 2}));
  try {
    SplitToFloats("1, 2, x", ',');
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "'x' is not a valid floating point value");
  }
  EXPECT_EQ(SplitToInts("1, x, 3", ','), (std::vector<int32_t>{1, 0, 3}));
  EXPECT_EQ(SplitToInts("1, 2.5, 3", ','), (std::vector<int32_t>{1, 0, 3}));
  EXPECT_THROW(SplitToInts("1,2,3.5", ','), EConvertError);
}

TEST(TextUtils, CommaTextConversions) {
  std::vector<double> floats{9, 9, 9};
  CommaTextToFloats("1.5, 2.5,", floats);
  EXPECT_EQ(floats, (std::vector<double>{1.5, 2.5}));
  CommaTextToFloats("\"1\",2 ,3", floats);
  EXPECT_EQ(floats, (std::vector<double>{1, 2, 3}));
  EXPECT_THROW(CommaTextToFloats("1,,2", floats), EConvertError);
  EXPECT_THROW(CommaTextToFloats("1,a", floats), EConvertError);
  CommaTextToFloats("", floats);
  EXPECT_TRUE(floats.empty());

  std::vector<int32_t> ints{7};
  CommaTextToInts("", ints);
  EXPECT_EQ(ints, std::vector<int32_t>{7});
  CommaTextToInts("1 2,3", ints);
  EXPECT_EQ(ints, (std::vector<int32_t>{7, 1, 2, 3}));
  std::vector<int32_t> fresh;
  EXPECT_THROW(CommaTextToInts("1,2,", fresh), EConvertError);   // the empty last item
  EXPECT_THROW(CommaTextToInts("1,2.0", fresh), EConvertError);
  // A NUL in a row is a value that does not convert (it once looped forever).
  EXPECT_THROW(CommaTextToFloats(std::string("2734.0,\0", 8), floats), EConvertError);
  EXPECT_THROW(CommaTextToInts(std::string("1, \0 2", 6), fresh), EConvertError);
}

TEST(TextUtils, SplitPair) {
  double a = -1, b = -1;
  EXPECT_TRUE(SplitPair("3/4", a, b));
  EXPECT_EQ(a, 3);
  EXPECT_EQ(b, 4);
  EXPECT_FALSE(SplitPair("7", a, b));
  EXPECT_EQ(a, 7);
  EXPECT_EQ(b, 4);
  EXPECT_THROW(SplitPair("3/x", a, b), EConvertError);
  EXPECT_THROW(SplitPair("x", a, b), EConvertError);
  EXPECT_TRUE(SplitPair(" 1.5 / -2 ", a, b));
  EXPECT_EQ(b, -2);
}

TEST(TextUtils, StrInList) {
  TStringList list{"R22", "R404A"};
  EXPECT_TRUE(StrInList("r404a", list));
  EXPECT_FALSE(StrInList("R40", list));
}

TEST(TextUtils, FloatFormatFor) {
  const std::tuple<int, int, double, const char*> cases[] = {
      {4, 6, 0.00123, "%0.5f"}, {4, 6, 5.123, "%0.3f"},  {4, 6, 123.4, "%0.1f"}, {4, 6, 12345.6, "%0.0f"},
      {4, 2, 0.00123, "%0.2f"}, {4, 6, 0.0, "%0.3f"},    {4, 6, -0.5, "%0.2f"},  {4, 6, 0.1, "%0.3f"},
      {4, 0, 5.0, "%0.0f"},     {5, 6, 99.99, "%0.3f"},
  };
  for (const auto& [d, m, v, fmt] : cases) EXPECT_EQ(FloatFormatFor(d, m, v), fmt) << d << " " << m << " " << v;
}

TEST(TextUtils, DecimalsInFormat) {
  EXPECT_EQ(DecimalsInFormat("%0.3f"), 3);
  EXPECT_EQ(DecimalsInFormat("%0.4g"), 4);
  EXPECT_EQ(DecimalsInFormat("%d"), 0);
  EXPECT_EQ(DecimalsInFormat("%0.f"), 0);
  EXPECT_EQ(DecimalsInFormat("%0."), 0);
}

TEST(TextUtils, NormaliseNumberText) {
  const std::pair<const char*, const char*> cases[] = {
      {"1 2-3", "123"},   {"-1e-5", "-1E-5"}, {"e3", "1E3"},       {"1.2.3", "1.23"}, {"", "0"},
      {"1/2/3", "1/23"},  {"-", "0"},         {" - ", "0"},        {"1e2e3", "1E23"}, {"1E2.5", "1E25"},
      {"1E-500", "1E-5"}, {"1E999", "1E99"},  {"2E300", "2E300"},  {"1E", "1E"},      {"--5", "-5"},
      {"3/", "3/0"},      {"/", "0/0"},       {"1E99999999999", "1E99"},
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(NormaliseNumberText(in), out) << "'" << in << "'";
  EXPECT_THROW(NormaliseNumberText("1E-"), EConvertError);
  EXPECT_THROW(NormaliseNumberText("1Ex"), EConvertError);
}

}  // namespace
