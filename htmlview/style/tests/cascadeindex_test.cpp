// The rule index must not change what the cascade computes: random style
// sheets over random documents, matched once through the index and once by
// the plain matching that reads every stored key of each scan, must give
// every element the same properties. And it must spare the work the plain
// matching does: rules that cannot apply to an element are not looked at,
// and rules whose ancestors cannot be there are not walked.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "htmlview/style/cssparser.h"
#include "htmlview/style/styleprops.h"
#include "htmlview/style/stylesheet.h"
#include "htmlview/style/tests/randomstyles.h"
#include "platform/fonts.h"
#include "platform/image.h"
#include "platform/sysutils.h"

namespace htmlview {
namespace {

using teststyles::Random;
using teststyles::SharedBeginnings;

std::string Sheet(Random& r) { return teststyles::Sheet(r, SharedBeginnings()); }
std::string Declarations(Random& r) { return teststyles::DeclarationBlock(r); }

// The class text the parser hands the cascade: lower-cased, names sorted
// and joined by "."; now and then a text no parser makes.
std::string ClassText(Random& r) {
  const std::vector<std::string>& classes = SharedBeginnings().classes;
  const int names = r.Chance(30) ? 0 : 1 + r.Below(3);
  if (names == 0) return {};
  if (r.Chance(10)) return r.Pick(classes) + "." + r.Pick(classes) + (r.Chance(50) ? " " : "");
  if (names == 1) return r.Pick(classes);
  std::string joined;
  for (int k = 0; k < names; ++k) joined += "." + r.Pick(classes);
  std::string sorted = SortSelectorParts(joined);
  if (!sorted.empty() && sorted[0] == '.') sorted.erase(0, 1);
  return sorted;
}

// One step of a document as the parser takes it.
struct Step {
  enum Kind { Open, Close, CloseMisnested, AddSheet, AddKey } kind = Open;
  std::string tag, cls, id, pseudo, title, inlineStyle, sheet;
  int depth = 0;   // CloseMisnested: which open element (from 1)
  bool fromLink = false;
};

std::vector<Step> Document(Random& r) {
  std::vector<Step> steps;
  int open = 0;
  const int count = 40 + r.Below(120);
  for (int i = 0; i < count; ++i) {
    const int roll = r.Below(100);
    Step s;
    if (roll < 3) {
      s.kind = Step::AddSheet;   // a STYLE element or LINK further down the page
      s.sheet = Sheet(r);
      s.fromLink = r.Chance(50);
    } else if (open > 0 && roll < 30) {
      s.kind = Step::Close;
      --open;
    } else if (open > 1 && roll < 36) {
      s.kind = Step::CloseMisnested;
      s.depth = 1 + r.Below(open);
      --open;
    } else {
      const teststyles::Vocabulary& v = SharedBeginnings();
      s.kind = Step::Open;
      s.tag = r.Chance(2) ? std::string() : r.Pick(v.tags);
      s.cls = ClassText(r);
      if (r.Chance(20)) s.id = r.Pick(v.ids);
      if (s.tag == "a" && r.Chance(60)) s.pseudo = "link";
      else if (r.Chance(10)) s.pseudo = r.Pick(v.pseudos);
      if (r.Chance(10)) s.title = "t";
      // The cascade compares names without regard to case, whoever calls it.
      if (r.Chance(5)) s.tag = platform::UpperCase(s.tag);
      if (r.Chance(5)) s.cls = platform::UpperCase(s.cls);
      if (r.Chance(5)) s.id = platform::UpperCase(s.id);
      if (r.Chance(15)) s.inlineStyle = Declarations(r);
      ++open;
    }
    steps.push_back(std::move(s));
  }
  return steps;
}

std::string ValueText(const PropValue& v) {
  char buf[64];
  if (v.IsEmpty()) return "-";
  if (v.IsNull()) return "null";
  if (v.IsInt()) return std::to_string(v.Int());
  if (v.IsNumber()) {
    std::snprintf(buf, sizeof buf, "%.17g", v.Number());
    return buf;
  }
  return "'" + v.Text() + "'";
}

// Everything the cascade gives an element, as one line per element.
std::string Snapshot(const TProperties& p) {
  std::string s = p.PropTag + "." + p.PropClass + "#" + p.PropID + ":" + p.PropPseudo + " ";
  for (int i = 0; i < PropertyCount; ++i)
    s += std::string(CssPropertyNames[i]) + (p.Originals[i] ? "*=" : "=") +
         ValueText(p.Props[i]) + " ";
  s += "link=" + std::to_string(p.InLink) + " bg=" + std::to_string(p.FontBG) +
       " em=" + std::to_string(p.EmSize) + " title=" + p.PropTitle;
  if (p.TheFontInfo)
    for (const ThtFontInfo& f : *p.TheFontInfo) {
      char buf[64];
      std::snprintf(buf, sizeof buf, "%.17g", f.Size);
      s += " [" + f.Name + " " + buf + " " + std::to_string(f.Style) + " " +
           std::to_string(f.Color) + " " + std::to_string(f.BgColor) + " " +
           ValueText(f.CharExtra) + "]";
    }
  return s;
}

class CascadeIndexTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    platform::SetFontBackend(platform::FontBackend::FixedMetric,
                             {"Times New Roman", "Courier New", "Verdana", "Arial"});
  }
  void SetUp() override {
    InitVocabulary();
    InitStyleProps();
    platform::SetScreenDepth(24);
  }
  void TearDown() override {
    PropStack().Clear();
    DoneStyleProps();
  }

  // A fresh style sheet with the default rules and the given sheets.
  std::unique_ptr<TStyleList> Styles(const std::vector<std::string>& sheets, bool plain) {
    auto styles = std::make_unique<TStyleList>(&linksActive);
    styles->InitDefaultStyles("Verdana", "Courier New", 12, platform::Rgb(0, 0, 0),
                              platform::Rgb(0, 0, 255), platform::Rgb(128, 0, 128),
                              platform::Rgb(255, 0, 255), true, 1, 5, 6);
    styles->UsePlainMatching(plain);
    for (size_t i = 0; i < sheets.size(); ++i) AddSheet(*styles, sheets[i], i % 2 == 1);
    return styles;
  }
  static void AddSheet(TStyleList& styles, const std::string& text, bool fromLink) {
    if (fromLink) {
      ParseLinkedStyleSheet(styles, text, "");
    } else {
      StyleTextSource source(text);
      char ch = ' ';
      ParseStyleSheet(styles, ch, source, false, "");
    }
  }
  void ResetStack(const TStyleList& styles) {
    PropStack().Clear();
    auto root = std::make_unique<TProperties>();
    root->CopyDefault(*styles.DefProp());
    PropStack().Add(std::move(root));
  }

  // Runs a document over the style sheet as the parser would and returns
  // every element's properties as the cascade left them: after it was
  // opened, and after a mis-nested end tag derived it again.
  std::vector<std::string> Run(const std::vector<std::string>& sheets,
                               const std::vector<Step>& steps, bool plain) {
    std::unique_ptr<TStyleList> styles = Styles(sheets, plain);
    ResetStack(*styles);
    std::vector<std::unique_ptr<TProperties>> inlineStyles;
    std::vector<std::string> seen;
    TPropStack& stack = PropStack();
    for (const Step& s : steps) {
      switch (s.kind) {
        case Step::AddSheet:
          AddSheet(*styles, s.sheet, s.fromLink);
          break;
        case Step::AddKey:   // a key no sheet makes, stored as it is
          styles->AddProperty(s.sheet, "color", "blue");
          break;
        case Step::Open: {
          TProperties* inlineStyle = nullptr;
          if (!s.inlineStyle.empty()) {
            inlineStyles.push_back(std::make_unique<TProperties>());
            ParseInlineStyle(s.inlineStyle, *inlineStyles.back());
            inlineStyle = inlineStyles.back().get();
          }
          TProperties* p =
              stack.PushNewProps(*styles, s.tag, s.cls, s.id, s.pseudo, s.title, inlineStyle);
          seen.push_back(Snapshot(*p));
          lastColour = p->Props[PropColor].Colour();
          lastLinkSize = p->TheFontInfo ? (*p->TheFontInfo)[LinkStateLink].Size : 0;
          break;
        }
        case Step::Close:
          stack.CutTo(stack.Count() - 1);
          break;
        case Step::CloseMisnested:
          stack.Delete(s.depth);
          for (int i = s.depth; i < stack.Count(); ++i) {
            stack[i]->Update(stack[i - 1], *styles, i);
            seen.push_back("again " + Snapshot(*stack[i]));
          }
          break;
      }
    }
    stack.Clear();
    if (!plain) walks += styles->Counts().ancestorWalks;
    return seen;
  }

  bool linksActive = false;
  uint64_t walks = 0;   // ancestor walks of the indexed runs
  platform::Colour lastColour = 0;   // of the element opened last
  double lastLinkSize = 0;           // its link font's size, 0 when not in a link
};

TEST_F(CascadeIndexTest, IndexedMatchingGivesWhatPlainMatchingGives) {
  constexpr uint64_t kSeeds = 500;
  size_t elements = 0;
  for (uint64_t seed = 1; seed <= kSeeds; ++seed) {
    Random r(seed);
    std::vector<std::string> sheets;
    for (int k = 1 + r.Below(3); k > 0; --k) sheets.push_back(Sheet(r));
    const std::vector<Step> steps = Document(r);
    const std::vector<std::string> plain = Run(sheets, steps, true);
    const std::vector<std::string> indexed = Run(sheets, steps, false);
    ASSERT_EQ(plain.size(), indexed.size()) << "seed " << seed;
    for (size_t i = 0; i < plain.size(); ++i)
      ASSERT_EQ(indexed[i], plain[i]) << "seed " << seed << ", element " << i;
    elements += plain.size();
  }
  EXPECT_GT(elements, kSeeds * 50);
  EXPECT_GT(walks, kSeeds * 10) << "descendant rules were matched in earnest";
}

// Where a scan stops decides which descendant rules apply: at the first
// stored key of its range that holds no interest for the element, even when
// matching rules follow. Each case puts such a key where one of the index's
// shortcuts must find it.
struct StopCase {
  const char* name;
  const char* sheet;
  const char* rawKey;   // stored as it is, when not null
  // The elements opened, outermost first: tag, class text, ID, pseudo-class.
  std::vector<std::array<const char*, 4>> path;
  bool red;   // the last element comes out red
};

TEST_F(CascadeIndexTest, ScansStopWherePlainMatchingStops) {
  const StopCase cases[] = {
      {"the rule alone applies", "div p.c { color: red }", nullptr,
       {{"div", "", "", ""}, {"p", "c", "", ""}}, true},
      {"a longer tag's hover key ends the tag scan before it",
       "p-x:hover { color: blue } div p.c { color: red }", nullptr,
       {{"div", "", "", ""}, {"p", "c", "", ""}}, false},
      {"the element's own tag is passed over as a run, the key after it is read",
       "a#x { color: blue } a-b { color: blue } div a.c { color: red }", nullptr,
       {{"div", "", "", ""}, {"a", "c", "", "link"}}, false},
      {"a longer class's key ends a link's class scan",
       ".c1:hover { color: blue } div .c:link { color: red }", nullptr,
       {{"div", "", "", ""}, {"a", "c", "", "link"}}, false},
      {"without it the link's class rule applies", "div .c:link { color: red }", nullptr,
       {{"div", "", "", ""}, {"a", "c", "", "link"}}, true},
      {"a key without pseudo-class holds no interest for a link with a class",
       "a-b { color: blue } div a.c { color: red }", nullptr,
       {{"div", "", "", ""}, {"a", "c", "", "link"}}, false},
      {"but it does for a plain element", "a-b { color: blue } div a.c { color: red }", nullptr,
       {{"div", "", "", ""}, {"a", "c", "", ""}}, true},
      {"the element's class is passed over as a run, the key after it is read",
       ".c#x:hover { color: blue } .c-x { color: blue } div .c:link { color: red }", nullptr,
       {{"div", "", "", ""}, {"a", "c", "", "link"}}, false},
      {"an element without tag scans every key, from an ID rule on", "div #x { color: red }",
       nullptr, {{"div", "", "", ""}, {"", "", "x", ""}}, true},
      {"an empty key ends that scan at once", "div #x { color: red }", "",
       {{"div", "", "", ""}, {"", "", "x", ""}}, false},
      {"a child rule needs the parent", "div > p.c { color: red }", nullptr,
       {{"div", "", "", ""}, {"span", "", "", ""}, {"p", "c", "", ""}}, false},
      {"a link reaches rules without pseudo-class", "div a { color: red }", nullptr,
       {{"div", "", "", ""}, {"a", "", "", "link"}}, true},
  };
  for (const StopCase& c : cases) {
    std::vector<Step> steps;
    if (c.rawKey) {
      Step key;
      key.kind = Step::AddKey;
      key.sheet = c.rawKey;
      steps.push_back(key);
    }
    for (const auto& [tag, cls, id, pseudo] : c.path) {
      Step open;
      open.tag = tag;
      open.cls = cls;
      open.id = id;
      open.pseudo = pseudo;
      steps.push_back(open);
    }
    const std::vector<std::string> plain = Run({c.sheet}, steps, true);
    const bool plainRed = lastColour == platform::Rgb(255, 0, 0);
    EXPECT_EQ(Run({c.sheet}, steps, false), plain) << c.name;
    EXPECT_EQ(lastColour == platform::Rgb(255, 0, 0), plainRed) << c.name;
    EXPECT_EQ(plainRed, c.red) << c.name;
  }
}

// A class that extends another ("c1" after "c") is in both classes' scans:
// an element with both gets the rule twice, which a link's fonts show.
TEST_F(CascadeIndexTest, RulesMatchedInTwoScansMergeTwice) {
  std::vector<Step> steps;
  for (const auto& [tag, cls, pseudo] : {std::array<const char*, 3>{"div", "", ""},
                                         std::array<const char*, 3>{"a", "", "link"},
                                         std::array<const char*, 3>{"span", "c.c1", ""}}) {
    Step open;
    open.tag = tag;
    open.cls = cls;
    open.pseudo = pseudo;
    steps.push_back(open);
  }
  const std::string sheet = "div .c1 { font-size: 1.5em }";
  const std::vector<std::string> plain = Run({sheet}, steps, true);
  EXPECT_DOUBLE_EQ(lastLinkSize, 12 * 1.5 * 1.5);
  EXPECT_EQ(Run({sheet}, steps, false), plain);
  EXPECT_DOUBLE_EQ(lastLinkSize, 12 * 1.5 * 1.5);
}

// The work the index spares: with a thousand rules, an element looks at the
// few that could apply to it, and walks its ancestors only for rules whose
// ancestor names it has (now and then one more: the filter may take a name
// for one it has). The plain matching looks at every rule of a scan's range
// (the thousand "p.cN" keys for every P, every class rule for an element
// without class) and walks the ancestors for every rule whose subject matches.
TEST_F(CascadeIndexTest, RulesThatCannotApplyAreNotLookedAt) {
  struct WorkCase {
    const char* name;
    std::string (*rule)(int n);
    std::vector<std::array<const char*, 2>> path;   // tag, class text
    uint64_t maxExamined, maxWalks;                 // for the last element
    bool red;                                       // the last element's background is red
  };
  const WorkCase cases[] = {
      {"tag and class",
       [](int n) { return "p.c" + std::to_string(n) + " { background-color: red }"; },
       {{"div", "c7"}, {"td", ""}, {"p", "c5.d.e"}}, 2, 0, true},
      {"class, over an element without class",
       [](int n) { return ".c" + std::to_string(n) + " { background-color: red }"; },
       {{"div", "c7"}, {"td", ""}}, 0, 0, false},
      {"descendants with tag and class",
       [](int n) { return "div p.c" + std::to_string(n) + " { background-color: red }"; },
       {{"div", "c7"}, {"td", ""}, {"p", "c5.d.e"}}, 2, 2, true},
      {"descendants of a class",
       [](int n) { return ".c" + std::to_string(n) + " td p { background-color: red }"; },
       {{"div", "c7"}, {"td", ""}, {"p", "c5.d.e"}}, 1002, 5, true},
      {"descendants of an ID",
       [](int n) { return "#i" + std::to_string(n) + " p { background-color: red }"; },
       {{"div", ""}, {"span", ""}, {"p", ""}}, 1002, 5, false},
  };
  for (const WorkCase& c : cases) {
    std::string sheet;
    for (int n = 0; n < 1000; ++n) sheet += c.rule(n) + "\n";
    std::unique_ptr<TStyleList> styles = Styles({sheet}, false);
    ResetStack(*styles);
    TProperties* last = nullptr;
    for (const auto& [tag, cls] : c.path) {
      styles->Counts() = {};
      last = PropStack().PushNewProps(*styles, tag, cls);
    }
    EXPECT_LE(styles->Counts().keysExamined, c.maxExamined) << c.name;
    EXPECT_LE(styles->Counts().ancestorWalks, c.maxWalks) << c.name;
    EXPECT_EQ(last->Props[PropBackgroundColor].Colour() == platform::Rgb(255, 0, 0), c.red)
        << c.name;
    PropStack().Clear();
  }
}

}  // namespace
}  // namespace htmlview
