#include "htmlview/style/stylecodes.h"

#include <gtest/gtest.h>

#include <optional>

namespace htmlview {
namespace {

// Each place that reads an alignment word keeps its own rules; a case that
// reads a word under rules other than the ones it names would move pages.
TEST(TextAlignOfTest, WordsUnderEachRule) {
  using A = TTextAlign;
  const TAlignWords exact{};
  const TAlignWords fold{.foldCase = true};
  const TAlignWords trim{.trim = true};
  const TAlignWords block{.foldCase = true, .trim = true};
  const TAlignWords lines{.justify = true};
  const TAlignWords attribute{.foldCase = true, .trim = true, .justify = true, .middle = true};
  const struct {
    const char* word;
    TAlignWords words;
    std::optional<A> align;
  } cases[] = {
      {"left", exact, A::Left},
      {"center", exact, A::Center},
      {"right", exact, A::Right},
      {"justify", exact, std::nullopt},
      {"justify", block, std::nullopt},
      {"justify", lines, A::Justify},
      {"middle", block, std::nullopt},
      {"middle", attribute, A::Center},
      {"MIDDLE", attribute, A::Center},
      {"absmiddle", attribute, std::nullopt},
      {"Center", exact, std::nullopt},
      {"Center", lines, std::nullopt},
      {"Center", fold, A::Center},
      {"rIGHT", fold, A::Right},
      {"JUSTIFY", fold, std::nullopt},
      {"JUSTIFY", attribute, A::Justify},
      {" center ", exact, std::nullopt},
      {" center ", fold, std::nullopt},
      {" center ", trim, A::Center},
      {" Center\t", trim, std::nullopt},
      {" Center\t", block, A::Center},
      {"\x01right\n", block, A::Right},
      {"cen ter", block, std::nullopt},
      {"", attribute, std::nullopt},
      {"   ", attribute, std::nullopt},
      {"none", attribute, std::nullopt},
      {"centre", attribute, std::nullopt},
      {"lefty", attribute, std::nullopt},
      {"-webkit-center", attribute, std::nullopt},
      {"CENT\xC3\x89R", attribute, std::nullopt},   // no letter beyond ASCII folds
  };
  for (const auto& c : cases)
    EXPECT_EQ(TextAlignOf(c.word, c.words), c.align)
        << '"' << c.word << "\" fold " << c.words.foldCase << " trim " << c.words.trim
        << " justify " << c.words.justify << " middle " << c.words.middle;
}

// The word written for an alignment (a column's or a cell's text-align) reads
// back as that alignment under the strictest rules.
TEST(TextAlignOfTest, WordReadsBack) {
  for (TTextAlign a : {TTextAlign::Left, TTextAlign::Center, TTextAlign::Right, TTextAlign::Justify})
    EXPECT_EQ(TextAlignOf(TextAlignWord(a), {.justify = true}), a) << TextAlignWord(a);
}

// One row a word, one column a set of words: the sets differ by design.
TEST(VAlignOfTest, EveryWordInEverySet) {
  using V = TVAlign;
  const struct {
    const char* word;
    V style, column, object, cell, caption;
  } cases[] = {
      {"top", V::Top, V::Top, V::Top, V::Top, V::Top},
      {"text-top", V::Top, V::None, V::None, V::None, V::None},
      {"middle", V::Middle, V::Middle, V::Middle, V::Middle, V::None},
      {"absmiddle", V::None, V::Middle, V::Middle, V::None, V::None},
      {"center", V::None, V::Middle, V::None, V::None, V::None},
      {"baseline", V::Baseline, V::Baseline, V::None, V::Top, V::None},
      {"bottom", V::Bottom, V::Bottom, V::None, V::Bottom, V::Bottom},
      {"left", V::None, V::Left, V::Left, V::None, V::None},
      {"right", V::None, V::Right, V::Right, V::None, V::None},
      {"justify", V::None, V::Justify, V::None, V::None, V::None},
      {"sub", V::Sub, V::None, V::None, V::None, V::None},
      {"super", V::Super, V::None, V::None, V::None, V::None},
      {"Top", V::None, V::Top, V::Top, V::Top, V::Top},
      {"ABSMIDDLE", V::None, V::Middle, V::Middle, V::None, V::None},
      {"BaseLine", V::None, V::Baseline, V::None, V::Top, V::None},
      {" middle\t", V::Middle, V::Middle, V::Middle, V::Middle, V::None},
      {" BOTTOM\n", V::None, V::Bottom, V::None, V::Bottom, V::Bottom},
      {"\nsuper ", V::Super, V::None, V::None, V::None, V::None},
      {"mid dle", V::None, V::None, V::None, V::None, V::None},
      {"", V::None, V::None, V::None, V::None, V::None},
      {"sideways", V::None, V::None, V::None, V::None, V::None},
      {"b\xC3\x96ttom", V::None, V::None, V::None, V::None, V::None},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(VAlignOf(c.word, TVAlignWords::Style), c.style) << '"' << c.word << "\" style";
    EXPECT_EQ(VAlignOf(c.word, TVAlignWords::Column), c.column) << '"' << c.word << "\" column";
    EXPECT_EQ(VAlignOf(c.word, TVAlignWords::Object), c.object) << '"' << c.word << "\" object";
    EXPECT_EQ(VAlignOf(c.word, TVAlignWords::Cell), c.cell) << '"' << c.word << "\" cell";
    EXPECT_EQ(VAlignOf(c.word, TVAlignWords::Caption), c.caption) << '"' << c.word << "\" caption";
  }
}

// The style's clear knows its four words exactly, blanks aside; a BR's CLEAR
// takes left and right in any case and reads every other word as both.
TEST(ClearOfTest, EveryWordUnderEachRule) {
  using C = TClear;
  const std::optional<C> unknown;
  const struct {
    const char* word;
    std::optional<C> style, brk;
  } cases[] = {
      {"left", C::Left, C::Left},
      {"right", C::Right, C::Right},
      {"both", C::Both, C::Both},
      {"none", C::None, C::Both},
      {"all", unknown, C::Both},
      {"", unknown, C::Both},
      {"Left", unknown, C::Left},
      {"RIGHT", unknown, C::Right},
      {"None", unknown, C::Both},
      {" left ", C::Left, C::Both},
      {"\tnone\n", C::None, C::Both},
      {"lef t", unknown, C::Both},
      {"l\xC3\xA9ft", unknown, C::Both},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ClearOf(c.word, TClearWords::Style), c.style) << '"' << c.word << "\" style";
    EXPECT_EQ(ClearOf(c.word, TClearWords::Break), c.brk) << '"' << c.word << "\" BR";
  }
}

}  // namespace
}  // namespace htmlview
