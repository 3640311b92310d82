// Random style sheets for the tests that check the rule index against the
// plain matching: a small generator of our own (a seed gives the same sheet
// on every platform and library) and selectors built from a vocabulary of
// names that share beginnings, so that the cascade's scans run into each
// other's keys ("p", "p-x", "p1", "pre"; "c", "c1", "c10", "c-x").
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/sysutils.h"

namespace htmlview::teststyles {

class Random {
 public:
  explicit Random(uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ULL + 1) {}
  uint64_t Next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
  }
  int Below(int n) { return static_cast<int>(Next() % static_cast<uint64_t>(n)); }
  bool Chance(int percent) { return Below(100) < percent; }
  template <typename T>
  const T& Pick(const std::vector<T>& items) {
    return items[Below(static_cast<int>(items.size()))];
  }

 private:
  uint64_t state_;
};

// The names selectors are made of, and how often a compound has a
// pseudo-class.
struct Vocabulary {
  std::vector<std::string> tags, classes, ids, pseudos;
  int pseudoPercent = 30;
};

inline const Vocabulary& SharedBeginnings() {
  static const Vocabulary v{
      {"p", "p-x", "p1", "pre", "a", "a-b", "a1", "abbr", "div", "td", "span", "li"},
      {"c", "c-x", "c1", "c10", "cx", "d", "nav-link"},
      {"x", "x-1", "x1", "top"},
      {"hover", "link", "visited", "active"}};
  return v;
}

inline const std::vector<std::string>& Declarations() {
  static const std::vector<std::string> d = {
      "color: red", "color: #0a0", "color: rgb(1, 2, 3)", "color: nonsense",
      "background-color: blue", "background-color: none", "font-size: 14px", "font-size: 1.5em",
      "font-size: 120%", "font-size: larger", "font-weight: bold", "font-style: italic",
      "text-decoration: underline", "text-decoration: none", "margin-left: 3px",
      "padding: 1px 2px", "border: 1px solid red", "letter-spacing: 2px",
      "font-family: courier new", "text-align: center", "color: green !important",
      "margin-top: 5px !important", "display: none", "width: 50%",
      "font: italic bold 12pt/14pt arial", "background: url(a.gif) no-repeat top left #fff",
      "border-style: dotted", "visibility: hidden", "float: left", "vertical-align: super"};
  return d;
}

// Pieces no one writes on purpose, which still become stored keys.
inline const std::vector<std::string>& Junk() {
  static const std::vector<std::string> j = {".", "p.", "#", ":", "a:", "p#",
                                             ".c.", "*.c", "p..c", "p..", ".."};
  return j;
}

inline std::string Cased(Random& r, std::string s) {
  if (r.Chance(8)) s = platform::UpperCase(s);
  return s;
}

inline std::string Compound(Random& r, const Vocabulary& v) {
  if (r.Chance(3)) return r.Pick(Junk());
  std::string s;
  if (r.Chance(65)) s += Cased(r, r.Pick(v.tags));
  else if (r.Chance(20)) s += "*";
  for (int k = r.Chance(50) ? 1 + r.Below(2) : 0; k > 0; --k)
    s += "." + Cased(r, r.Pick(v.classes));
  if (r.Chance(15)) s += "#" + Cased(r, r.Pick(v.ids));
  if (r.Chance(v.pseudoPercent)) s += ":" + r.Pick(v.pseudos);
  if (r.Chance(8)) s += r.Chance(50) ? "[href]" : "[type=\"x\"]";
  if (s.empty()) s = "*";
  return s;
}

// One to four compounds under descendant and child combinators.
inline std::string Selector(Random& r, const Vocabulary& v) {
  std::string s = Compound(r, v);
  for (int k = r.Chance(55) ? 1 + r.Below(3) : 0; k > 0; --k) {
    const int combinator = r.Below(4);
    s += combinator == 0 ? " > " : combinator == 1 ? ">" : " ";
    s += Compound(r, v);
  }
  return s;
}

inline std::string DeclarationBlock(Random& r) {
  std::string s;
  for (int k = 1 + r.Below(3); k > 0; --k) s += r.Pick(Declarations()) + "; ";
  return s;
}

// Ten to a hundred rules, some with selector lists, some in media rules.
inline std::string Sheet(Random& r, const Vocabulary& v) {
  std::string text;
  const int rules = 10 + r.Below(90);
  for (int i = 0; i < rules; ++i) {
    std::string selectors = Selector(r, v);
    for (int k = r.Chance(20) ? 1 + r.Below(2) : 0; k > 0; --k) selectors += ", " + Selector(r, v);
    std::string rule = selectors + " { " + DeclarationBlock(r) + "}\n";
    if (r.Chance(6))
      rule = std::string(r.Chance(50) ? "@media screen" : "@media print") + " { " + rule + "}\n";
    text += rule;
  }
  return text;
}

}  // namespace htmlview::teststyles
