#include "htmlview/style/stylecodes.h"

#include <string>

#include "platform/sysutils.h"

namespace htmlview {

std::optional<TClear> ClearOf(std::string_view word, TClearWords words) {
  const bool style = words == TClearWords::Style;
  const std::string read = style ? platform::Trim(word) : std::string(word);
  const auto is = [&](std::string_view name) {
    return style ? read == name : platform::SameText(read, name);
  };
  if (is("left")) return TClear::Left;
  if (is("right")) return TClear::Right;
  if (!style) return TClear::Both;
  if (is("both")) return TClear::Both;
  if (is("none")) return TClear::None;
  return std::nullopt;
}

std::optional<TTextAlign> TextAlignOf(std::string_view word, TAlignWords words) {
  std::string trimmed;
  if (words.trim) {
    trimmed = platform::Trim(word);
    word = trimmed;
  }
  const auto is = [&](std::string_view name) {
    return words.foldCase ? platform::SameText(word, name) : word == name;
  };
  if (is("left")) return TTextAlign::Left;
  if (is("center")) return TTextAlign::Center;
  if (is("right")) return TTextAlign::Right;
  if (words.justify && is("justify")) return TTextAlign::Justify;
  if (words.middle && is("middle")) return TTextAlign::Center;
  return std::nullopt;
}

std::string_view TextAlignWord(TTextAlign align) {
  switch (align) {
    case TTextAlign::Center: return "center";
    case TTextAlign::Right: return "right";
    case TTextAlign::Justify: return "justify";
    case TTextAlign::Left: break;
  }
  return "left";
}

TVAlign VAlignOf(std::string_view text, TVAlignWords words) {
  // Which sets of words know each one; a word may mean another alignment in
  // another set ("baseline" of a cell's VALIGN is its top).
  enum : uint8_t {
    kStyle = 1 << int(TVAlignWords::Style),
    kColumn = 1 << int(TVAlignWords::Column),
    kObject = 1 << int(TVAlignWords::Object),
    kCell = 1 << int(TVAlignWords::Cell),
    kCaption = 1 << int(TVAlignWords::Caption),
  };
  struct Word {
    std::string_view word;
    TVAlign align;
    uint8_t sets;
  };
  static constexpr Word kWords[] = {
      {"top", TVAlign::Top, kStyle | kColumn | kObject | kCell | kCaption},
      {"text-top", TVAlign::Top, kStyle},
      {"middle", TVAlign::Middle, kStyle | kColumn | kObject | kCell},
      {"absmiddle", TVAlign::Middle, kColumn | kObject},
      {"center", TVAlign::Middle, kColumn},
      {"baseline", TVAlign::Baseline, kStyle | kColumn},
      {"baseline", TVAlign::Top, kCell},
      {"bottom", TVAlign::Bottom, kStyle | kColumn | kCell | kCaption},
      {"left", TVAlign::Left, kColumn | kObject},
      {"right", TVAlign::Right, kColumn | kObject},
      {"justify", TVAlign::Justify, kColumn},
      {"sub", TVAlign::Sub, kStyle},
      {"super", TVAlign::Super, kStyle},
  };
  const std::string word = platform::Trim(text);
  const uint8_t set = uint8_t(1 << int(words));
  for (const Word& w : kWords) {
    if (!(w.sets & set)) continue;
    if (words == TVAlignWords::Style ? word == w.word : platform::SameText(word, w.word))
      return w.align;
  }
  return TVAlign::None;
}

}  // namespace htmlview
