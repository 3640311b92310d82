#include "htmlview/style/stylesheet.h"

#include <gtest/gtest.h>

#include "platform/image.h"

namespace htmlview {
namespace {

using platform::Colour;
using platform::Rgb;

constexpr Colour kText = Rgb(0, 0, 0);
constexpr Colour kLink = Rgb(0, 0, 255);
constexpr Colour kVisited = Rgb(128, 0, 128);
constexpr Colour kHover = Rgb(255, 0, 255);
constexpr Colour kRed = Rgb(255, 0, 0);
constexpr Colour kGreen = Rgb(0, 128, 0);
constexpr Colour kBlue = Rgb(0, 0, 255);

Colour ColourOf(const TProperties* p) { return p->Props[PropColor].Colour(); }

// A document's style sheet and the parser's property stack with its root.
class CascadeTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    platform::SetFontBackend(platform::FontBackend::FixedMetric,
                             {"Times New Roman", "Courier New", "Verdana"});
  }
  void SetUp() override {
    InitVocabulary();
    InitStyleProps();
    platform::SetScreenDepth(24);
    styles.InitDefaultStyles("Verdana", "Courier New", 12, kText, kLink, kVisited, kHover, true,
                             1, 5, 6);
    PropStack().Clear();
    auto root = std::make_unique<TProperties>();
    root->CopyDefault(*styles.DefProp());
    PropStack().Add(std::move(root));
  }
  void TearDown() override { DoneStyleProps(); }

  TProperties* Push(std::string_view tag, std::string_view cls = {}, std::string_view id = {},
                    std::string_view pseudo = {}, TProperties* inlineStyle = nullptr) {
    return PropStack().PushNewProps(styles, tag, cls, id, pseudo, {}, inlineStyle);
  }
  void Pop() { PropStack().CutTo(PropStack().Count() - 1); }
  // The stored key of a descendant rule, as the style-sheet parser builds it.
  std::string DescendantKey(std::string_view subject, std::string_view ancestorsNearestFirst,
                            int ancestorCount) {
    return std::string(subject) + " " + std::to_string(ancestorCount) + styles.GetSeqNo() +
           std::string(ancestorsNearestFirst);
  }

  bool linksActive = false;
  TStyleList styles{&linksActive};
};

// ---------------------------------------------------------------------------
// Default style sheet and storage

TEST_F(CascadeTest, DefaultStyleSheet) {
  TProperties* def = styles.DefProp();
  ASSERT_NE(def, nullptr);
  EXPECT_EQ(def, styles.FindEntry("default"));
  EXPECT_EQ(def->PropTag, "default");
  EXPECT_EQ(def->DefFontname, "Verdana");
  EXPECT_EQ(def->Props[PropFontSize], PropValue(12.0));
  EXPECT_EQ(def->Props[PropMarginTop], PropValue(5));
  EXPECT_EQ(def->Props[PropMarginLeft], PropValue(6));
  EXPECT_EQ(def->Props[PropVisibility], PropValue(2));
  EXPECT_EQ(ColourOf(styles.FindEntry("::link")), kLink);
  EXPECT_EQ(styles.FindEntry("::link")->Props[PropTextDecoration].Text(), "underline");
  EXPECT_EQ(ColourOf(styles.FindEntry("::visited")), kVisited);
  EXPECT_EQ(ColourOf(styles.FindEntry("::hover")), kHover);
  EXPECT_NE(styles.FindEntry("null"), nullptr);
  EXPECT_EQ(styles.FindEntry("p")->Props[PropMarginTop], PropValue(DefaultMargin));
  EXPECT_EQ(styles.FindEntry("p 11pre")->Props[PropMarginTop], PropValue(0));
  EXPECT_EQ(styles.FindEntry("h1")->Props[PropFontSize], PropValue(24.0));
  EXPECT_EQ(styles.FindEntry("h6")->Props[PropFontSize], PropValue(8.0));
  EXPECT_EQ(styles.FindEntry("textarea")->Props[PropFontFamily].Text(), "Courier New");
  EXPECT_EQ(styles.FindEntry("select")->Props[PropFontFamily].Text(), "Arial Unicode MS, Arial");
  EXPECT_EQ(styles.FindEntry("dir")->Props[PropPaddingLeft], PropValue(35));
  EXPECT_EQ(styles.FindEntry("sub")->Props[PropVerticalAlign].Text(), "sub");
  EXPECT_EQ(styles.FindEntry("sup")->Props[PropVerticalAlign].Text(), "super");
  EXPECT_EQ(styles.GetSeqNo(), "10");
  EXPECT_EQ(styles.GetSeqNo(), "11");

  // Rows listed together are separate entries.
  styles.AddProperty("b", "color", "red");
  EXPECT_TRUE(styles.FindEntry("strong")->Props[PropColor].IsEmpty());

  // Scaled by the default size; rebuilding starts the sequence again.
  styles.InitDefaultStyles("Verdana", "Courier New", 15, kText, kLink, kVisited, kHover, false,
                           1, 5, 6);
  EXPECT_DOUBLE_EQ(DefaultPointSize(), 15);
  EXPECT_EQ(styles.FindEntry("pre")->Props[PropFontSize], PropValue(12.5));
  EXPECT_EQ(styles.FindEntry("h1")->Props[PropFontSize], PropValue(30.0));
  EXPECT_EQ(styles.FindEntry("::link")->Props[PropTextDecoration].Text(), "none");
  EXPECT_TRUE(styles.FindEntry("b")->Props[PropColor].IsEmpty());
  EXPECT_EQ(styles.GetSeqNo(), "10");
}

TEST_F(CascadeTest, LinkColoursCarryPaletteRelative) {
  platform::SetScreenDepth(8);
  styles.InitDefaultStyles("Verdana", "Courier New", 12, kText, kLink, kVisited, kHover, true, 1,
                           5, 6);
  EXPECT_EQ(ColourOf(styles.FindEntry("::link")), kLink | 0x02000000u);
  EXPECT_EQ(ColourOf(styles.FindEntry("default")), kText);
  platform::SetScreenDepth(24);
}

TEST_F(CascadeTest, StoredDeclarations) {
  styles.AddProperty(".k", "border-style", "dashed");
  const TProperties* k = styles.FindEntry(".k");
  ASSERT_NE(k, nullptr);
  EXPECT_EQ(k->PropTag, ".k");
  for (int i = PropBorderTopStyle; i <= PropBorderLeftStyle; ++i)
    EXPECT_EQ(k->Props[i].Text(), "dashed");

  styles.AddProperty(".c", "border-color", "#00ff00");
  styles.AddProperty(".c", "border-left-color", "nonsense");
  styles.AddProperty(".c", "background-color", "nonsense");
  styles.AddProperty(".c", "color", "nonsense");
  const TProperties* c = styles.FindEntry(".c");
  for (int i = PropBorderTopColor; i <= PropBorderLeftColor; ++i)
    EXPECT_EQ(c->Props[i].Colour(), Rgb(0, 255, 0));
  EXPECT_EQ(c->Props[PropBackgroundColor].Colour(), NoColorValue);
  EXPECT_TRUE(c->Props[PropColor].IsEmpty()) << "no colour: ignored";

  styles.AddProperty(".s", "border-top-style", "none");
  EXPECT_TRUE(styles.FindEntry(".s")->Props[PropBorderStyle].IsEmpty());
  styles.AddProperty(".s", "border-top-style", "groove");
  EXPECT_EQ(styles.FindEntry(".s")->Props[PropBorderStyle].Text(), "groove");

  const std::tuple<const char*, const char*, PropValue> words[] = {
      {"visibility", "hidden", PropValue(1)},
      {"visibility", "visible", PropValue(2)},
      {"visibility", "collapse", PropValue(2)},  // ignored: keeps the last
      {"text-transform", "uppercase", PropValue(1)},
      {"text-transform", "lowercase", PropValue(2)},
      {"text-transform", "capitalize", PropValue(0)},
      {"word-wrap", "break-word", PropValue("break-word")},
      {"word-wrap", "anything", PropValue("normal")},
      {"font-variant", "small-caps", PropValue("small-caps")},
      {"font-variant", "oblique", PropValue("small-caps")},  // ignored
      {"margin-top", "3em", PropValue("3em")},
  };
  for (const auto& [name, value, stored] : words) {
    styles.AddProperty(".w", name, value);
    EXPECT_EQ(styles.FindEntry(".w")->Props[*LookupProperty(name)], stored) << name << value;
  }
  const int before = styles.Count();
  styles.AddProperty(".w", "no-such-property", "1");
  EXPECT_EQ(styles.Count(), before);
}

TEST_F(CascadeTest, LinkKeysAndHoverFlag) {
  styles.AddProperty(":link", "color", "green");
  EXPECT_EQ(ColourOf(styles.FindEntry(":link")), kGreen);
  EXPECT_EQ(ColourOf(styles.FindEntry("::visited")), kGreen);
  EXPECT_EQ(ColourOf(styles.FindEntry("::hover")), kGreen);
  styles.AddProperty(":visited", "color", "red");
  EXPECT_EQ(ColourOf(styles.FindEntry("::hover")), kRed);
  EXPECT_EQ(ColourOf(styles.FindEntry("::visited")), kGreen) << ":visited is its own key";

  styles.AddProperty("a", "font-weight", "bold");
  EXPECT_EQ(styles.FindEntry("::link")->Props[PropFontWeight].Text(), "bold");

  EXPECT_FALSE(styles.LinksActive());
  styles.AddProperty("a.x:hover", "color", "red");
  EXPECT_TRUE(styles.LinksActive());
  EXPECT_TRUE(linksActive);

  styles.ModifyLinkColor("visited", kBlue);
  EXPECT_EQ(ColourOf(styles.FindEntry("::visited")), kBlue);
}

TEST_F(CascadeTest, InlineDeclarations) {
  TProperties style;
  style.AddPropertyByName("COLOR", "nonsense");
  EXPECT_EQ(style.Props[PropColor], PropValue(0)) << "inline: no colour is black";
  style.AddPropertyByName("background-color", "nonsense");
  EXPECT_EQ(style.Props[PropBackgroundColor].Colour(), NoColorValue);
  style.AddPropertyByName("color", "#123");
  EXPECT_EQ(style.Props[PropColor].Colour(), Rgb(0x11, 0x22, 0x33));
  style.AddPropertyByName("bogus", "1");
  style.AddPropertyByIndex(PropertyCount, "1");  // ignored
}

// ---------------------------------------------------------------------------
// Cascade order

TEST_F(CascadeTest, RulesBeatAttributes) {
  TProperties* p = Push("p");
  p->Assign("center", PropTextAlign);
  EXPECT_EQ(p->Props[PropTextAlign].Text(), "center");
  Pop();
  styles.AddProperty("p", "text-align", "right");
  p = Push("p");
  p->Assign("center", PropTextAlign);
  EXPECT_EQ(p->Props[PropTextAlign].Text(), "right");
}

TEST_F(CascadeTest, SpecificityAndOrder) {
  styles.AddProperty("p", "color", "#000001");
  styles.AddProperty(".c", "color", "#000002");
  EXPECT_EQ(ColourOf(Push("p", "c")), Rgb(0, 0, 2));
  Pop();
  styles.AddProperty("p.c", "color", "#000003");
  EXPECT_EQ(ColourOf(Push("p", "c")), Rgb(0, 0, 3));
  Pop();
  styles.AddProperty("#i", "color", "#000004");
  EXPECT_EQ(ColourOf(Push("p", "c", "i")), Rgb(0, 0, 4));
  Pop();
  styles.AddProperty("p.c#i", "color", "#000005");
  EXPECT_EQ(ColourOf(Push("p", "c", "i")), Rgb(0, 0, 5));
  Pop();
  // Duplicate keys merge in the order they were stored.
  styles.Add("p.c#i", std::make_unique<TProperties>())->Props[PropColor] = 6;
  EXPECT_EQ(ColourOf(Push("p", "c", "i")), 6u);
  Pop();
  // The inline style comes last of all.
  TProperties style;
  style.AddPropertyByName("color", "#000007");
  EXPECT_EQ(ColourOf(Push("p", "c", "i", {}, &style)), Rgb(0, 0, 7));
  EXPECT_EQ(PropStack().Last()->PropStyle, &style);
  // Nothing matched: the inherited colour, not set here.
  Pop();
  TProperties* q = Push("q");
  EXPECT_EQ(ColourOf(q), kText);
  EXPECT_FALSE(q->Originals[PropColor]);
}

TEST_F(CascadeTest, SeveralClasses) {
  styles.AddProperty(".x", "color", "red");
  EXPECT_EQ(ColourOf(Push("p", "x.y")), kRed);
  Pop();
  // A tag rule must not undo a class rule because the element has a second class.
  styles.AddProperty("p", "color", "blue");
  EXPECT_EQ(ColourOf(Push("p", "x.y")), kRed);
  Pop();
  EXPECT_EQ(ColourOf(Push("p", "y.x")), kRed);
  Pop();
  EXPECT_EQ(ColourOf(Push("p", "y")), kBlue);
  Pop();
  styles.AddProperty(".x.y", "color", "green");
  EXPECT_EQ(ColourOf(Push("p", "x.y")), kGreen);
  Pop();
  EXPECT_EQ(ColourOf(Push("p", "x")), kRed) << "\".x.y\" needs both classes";
  Pop();
  // Relative sizes apply once however many classes match.
  styles.AddProperty("p", "font-size", "150%");
  EXPECT_EQ(Push("p", "x.y")->Props[PropFontSize], PropValue(18.0));
}

TEST_F(CascadeTest, RelativeFontSizes) {
  styles.AddProperty(".big", "font-size", "150%");
  styles.AddProperty(".larger", "font-size", "larger");
  styles.AddProperty(".small", "font-size", "small");
  TProperties* outer = Push("div", "big");
  EXPECT_EQ(outer->Props[PropFontSize], PropValue(18.0));
  EXPECT_EQ(Push("div", "big")->Props[PropFontSize], PropValue(27.0));
  Pop();
  EXPECT_EQ(Push("span", "larger")->Props[PropFontSize], PropValue(22.5));
  Pop();
  EXPECT_EQ(Push("span", "small")->Props[PropFontSize], PropValue(12.0));
  Pop();
  // Default entries too: "big" is 1.25em, "code" 0.833em of the parent.
  EXPECT_EQ(Push("big")->Props[PropFontSize], PropValue(22.5));
  Pop();
  EXPECT_EQ(Push("h2")->Props[PropFontSize], PropValue(18.0));
}

TEST_F(CascadeTest, PseudoClassKeysNeedALink) {
  styles.AddProperty("a:hover", "color", "red");
  styles.AddProperty("a", "font-style", "italic");
  TProperties* a = Push("a");  // no address: no pseudo-class
  EXPECT_EQ(ColourOf(a), kText);
  EXPECT_EQ(a->Props[PropFontStyle].Text(), "italic");
  EXPECT_FALSE(a->InLink);
  EXPECT_EQ(a->TheFontInfo, nullptr);
}

// ---------------------------------------------------------------------------
// Descendant and child rules

TEST_F(CascadeTest, DescendantAndChildRules) {
  styles.AddProperty(DescendantKey("p", "div ", 1), "color", "red");
  styles.AddProperty(DescendantKey("p", "div> ", 1), "font-weight", "bold");
  Push("div");
  TProperties* direct = Push("p");
  EXPECT_EQ(ColourOf(direct), kRed);
  EXPECT_EQ(direct->Props[PropFontWeight].Text(), "bold");
  Pop();
  Push("td");
  TProperties* deep = Push("p");
  EXPECT_EQ(ColourOf(deep), kRed) << "descendant at any depth";
  EXPECT_EQ(deep->Props[PropFontWeight].Text(), "normal") << "child rule needs the parent";
  PropStack().CutTo(1);
  TProperties* lone = Push("p");
  EXPECT_EQ(ColourOf(lone), kText);
}

TEST_F(CascadeTest, DescendantRulesWithClassesAndChains) {
  styles.AddProperty(DescendantKey("p", ".box ", 1), "color", "red");
  styles.AddProperty(DescendantKey("a", "li ul> ", 2), "font-style", "italic");
  styles.AddProperty(DescendantKey(".note", "div ", 1), "text-align", "center");
  Push("div", "box.wide");
  TProperties* p = Push("p");
  EXPECT_EQ(ColourOf(p), kRed) << "ancestor with several classes";
  EXPECT_EQ(Push("span", "note")->Props[PropTextAlign].Text(), "center");
  PropStack().CutTo(1);

  Push("ul");
  Push("li");
  Push("b");
  EXPECT_EQ(Push("a")->Props[PropFontStyle].Text(), "italic");
  PropStack().CutTo(1);
  Push("ol");
  Push("li");
  EXPECT_NE(Push("a")->Props[PropFontStyle].Text(), "italic") << "the li's parent must be a ul";
  PropStack().CutTo(1);
  Push("ul");
  Push("div");
  Push("li");
  EXPECT_NE(Push("a")->Props[PropFontStyle].Text(), "italic");
}

// Deep nesting: the cascade reads the stack in place instead of copying it
// for every element (quadratic: 100,000 levels took seconds), and finds a
// set on the stack without a search; what rules match must not change.
TEST_F(CascadeTest, DeepNestingSeesEveryAncestor) {
  styles.AddProperty(DescendantKey("p", "div ", 1), "color", "red");
  styles.AddProperty(DescendantKey("i", "b> ", 1), "float", "left");
  styles.AddProperty(DescendantKey("a", "div ", 1), "font-style", "italic");
  Push("div");
  const int depth = 20000;
  for (int i = 0; i < depth; ++i) Push(i % 2 ? "b" : "span");
  ASSERT_EQ(PropStack().Count(), depth + 2);
  TProperties* p = Push("p");
  EXPECT_EQ(ColourOf(p), kRed) << "an ancestor 20,000 levels down";
  EXPECT_EQ(PropStack().IndexOf(p), depth + 2);
  Pop();
  EXPECT_EQ(Push("i")->Props[PropFloat].Text(), "left") << "child rule, parent b";
  Pop();
  Push("span");
  EXPECT_NE(Push("i")->Props[PropFloat].Text(), "left");
  Pop();
  Pop();

  // A set cascaded before it is pushed takes the whole stack as ancestors.
  TProperties loose;
  loose.Inherit("p", PropStack().Last());
  loose.Cascade(styles, "p", {}, {}, {}, {}, nullptr);
  EXPECT_EQ(ColourOf(&loose), kRed);
  EXPECT_EQ(PropStack().IndexOf(&loose), -1);

  // A link deep down builds its link-state fonts against the same ancestors.
  TProperties* link = Push("a", {}, {}, "link");
  EXPECT_EQ(link->Props[PropFontStyle].Text(), "italic");
  ASSERT_TRUE(link->TheFontInfo);
  for (const ThtFontInfo& f : *link->TheFontInfo) EXPECT_TRUE(f.Style & platform::fsItalic);
  Pop();

  // Entries removed below keep the positions of those above right.
  TProperties* top = PropStack().Last();
  PropStack().Delete(1);   // the div
  EXPECT_EQ(PropStack().IndexOf(top), PropStack().Count() - 1);
  EXPECT_EQ(PropStack().IndexOf(PropStack()[1]), 1);
  EXPECT_NE(ColourOf(Push("p")), kRed) << "no div any more";
  PropStack().CutTo(1);
  EXPECT_EQ(PropStack().IndexOf(top), -1);
}

TEST_F(CascadeTest, DefaultParagraphInsidePre) {
  Push("pre");
  TProperties* p = Push("p");
  EXPECT_EQ(p->Props[PropMarginTop], PropValue(0));
  EXPECT_EQ(p->Props[PropMarginBottom], PropValue(DefaultMargin));
}

// ---------------------------------------------------------------------------
// Inheritance

TEST_F(CascadeTest, InheritanceByProperty) {
  styles.AddProperty("div", "background-color", "red");
  styles.AddProperty("div", "margin-left", "10px");
  styles.AddProperty("div", "border-style", "solid");
  styles.AddProperty("div", "display", "none");
  styles.AddProperty("div", "text-indent", "4px");
  styles.AddProperty("div", "z-index", "3");
  TProperties* div = Push("div");
  div->PropTitle = "tip";
  div->EmSize = 20;
  TProperties* child = Push("b");
  EXPECT_TRUE(child->Props[PropBackgroundColor].IsEmpty());
  EXPECT_TRUE(child->Props[PropBorderStyle].IsEmpty());
  EXPECT_TRUE(child->Props[PropDisplay].IsEmpty());
  EXPECT_EQ(child->Props[PropMarginLeft], PropValue(UnsetLength));
  EXPECT_EQ(child->Props[PropTextIndent].Text(), "4px");
  EXPECT_EQ(child->Props[PropTextAlign].Text(), "left");
  EXPECT_EQ(child->PropTitle, "tip");
  EXPECT_EQ(child->EmSize, 20);
  EXPECT_EQ(child->ExSize, 10);
  EXPECT_FALSE(child->Originals[PropTextAlign]);
}

TEST_F(CascadeTest, InheritanceFromSpanAndRowGroups) {
  styles.AddProperty("span", "background-color", "red");
  styles.AddProperty("span", "border-style", "solid");
  styles.AddProperty("span", "margin-left", "3px");
  Push("span");
  TProperties* inSpan = Push("b");
  EXPECT_EQ(inSpan->Props[PropBackgroundColor].Colour(), kRed);
  EXPECT_EQ(inSpan->Props[PropMarginLeft].Text(), "3px");
  EXPECT_TRUE(inSpan->Props[PropBorderStyle].IsEmpty());
  EXPECT_FALSE(inSpan->Originals[PropBackgroundColor]);
  PropStack().CutTo(1);

  styles.AddProperty("tbody", "background-color", "red");
  Push("tbody");
  TProperties* td = Push("td");
  EXPECT_EQ(td->Props[PropBackgroundColor].Colour(), kRed);
  EXPECT_TRUE(td->Originals[PropBackgroundColor]) << "row groups pass their set-here flags";
  PropStack().CutTo(1);

  styles.AddProperty("div", "word-wrap", "break-word");
  Push("div");
  EXPECT_EQ(Push("table")->Props[PropWordWrap].Text(), "normal");
  Pop();
  EXPECT_EQ(Push("p")->Props[PropWordWrap].Text(), "break-word");
}

TEST_F(CascadeTest, UpdateAfterTheParentChanged) {
  // "<b>bold <i>both</b> italic</i>": after </b> the I is re-derived from the root.
  Push("b");
  Push("i");
  TProperties* i = PropStack().Last();
  EXPECT_EQ(i->Props[PropFontWeight].Text(), "bold");
  EXPECT_EQ(i->GetFont().weight, platform::FW_BOLD);
  PropStack().Delete(1);
  ASSERT_EQ(PropStack().Last(), i);
  i->Update(PropStack()[0], styles, 1);
  EXPECT_EQ(i->Props[PropFontWeight].Text(), "normal");
  EXPECT_EQ(i->Props[PropFontStyle].Text(), "italic") << "its own rule stays";
  EXPECT_EQ(i->GetFont().weight, platform::FW_NORMAL) << "the cached font is dropped";
}

// ---------------------------------------------------------------------------
// Links

TEST_F(CascadeTest, LinkFontsOfTheDefaultSheet) {
  TProperties* a = Push("a", {}, {}, "link");
  ASSERT_TRUE(a->InLink);
  ASSERT_NE(a->TheFontInfo, nullptr);
  const TFontInfoArray& f = *a->TheFontInfo;
  EXPECT_EQ(f[LinkStateLink].Color, kLink);
  EXPECT_EQ(f[LinkStateVisited].Color, kVisited);
  EXPECT_EQ(f[LinkStateHover].Color, kHover);
  EXPECT_EQ(f[LinkStateVisitedHover].Color, kHover);
  for (const ThtFontInfo& info : f) {
    EXPECT_TRUE(info.Style & platform::fsUnderline);
    EXPECT_EQ(info.Name, "Verdana");
    EXPECT_DOUBLE_EQ(info.Size, 12);
  }
  // Everything inside the link is a link too, with copies of its fonts.
  TProperties* b = Push("b");
  EXPECT_TRUE(b->InLink);
  ASSERT_NE(b->TheFontInfo, nullptr);
  EXPECT_TRUE((*b->TheFontInfo)[LinkStateHover].Style & platform::fsBold);
  EXPECT_EQ((*b->TheFontInfo)[LinkStateHover].Color, kHover);
}

TEST_F(CascadeTest, LinkRuleColoursEveryStateUntilOverridden) {
  styles.AddProperty(":link", "color", "green");
  TProperties* a = Push("a", {}, {}, "link");
  for (const ThtFontInfo& info : *a->TheFontInfo) EXPECT_EQ(info.Color, kGreen);
  Pop();
  styles.AddProperty(":visited", "color", "red");
  styles.AddProperty(":hover", "color", "blue");
  a = Push("a", {}, {}, "link");
  const TFontInfoArray& f = *a->TheFontInfo;
  EXPECT_EQ(f[LinkStateLink].Color, kGreen);
  EXPECT_EQ(f[LinkStateVisited].Color, kRed);
  EXPECT_EQ(f[LinkStateHover].Color, kBlue);
  EXPECT_EQ(f[LinkStateVisitedHover].Color, kBlue);
}

TEST_F(CascadeTest, HoverFontsBuildOnTheLinksOwnProperties) {
  styles.AddProperty("a", "font-weight", "bold");
  styles.AddProperty(":hover", "text-decoration", "none");
  styles.AddProperty(":visited", "font-style", "italic");
  styles.AddProperty(".x", "background-color", "#010203");
  TProperties* a = Push("a", "x", {}, "link");
  EXPECT_EQ(a->FontBG, Rgb(1, 2, 3));
  const TFontInfoArray& f = *a->TheFontInfo;
  EXPECT_TRUE(f[LinkStateLink].Style & platform::fsBold);
  EXPECT_TRUE(f[LinkStateLink].Style & platform::fsUnderline);
  EXPECT_TRUE(f[LinkStateHover].Style & platform::fsBold);
  EXPECT_FALSE(f[LinkStateHover].Style & platform::fsUnderline);
  EXPECT_FALSE(f[LinkStateHover].Style & platform::fsItalic);
  EXPECT_TRUE(f[LinkStateVisited].Style & platform::fsItalic);
  EXPECT_TRUE(f[LinkStateVisited].Style & platform::fsUnderline);
  EXPECT_TRUE(f[LinkStateVisitedHover].Style & platform::fsItalic);
  EXPECT_FALSE(f[LinkStateVisitedHover].Style & platform::fsUnderline);
  for (const ThtFontInfo& info : f) EXPECT_EQ(info.BgColor, Rgb(1, 2, 3));
}

TEST_F(CascadeTest, RulesInsideALinkFollowTheLinkFonts) {
  styles.AddProperty("b", "font-family", "courier new");
  styles.AddProperty("b", "font-size", "2em");
  styles.AddProperty("b", "text-decoration", "line-through");
  Push("a", {}, {}, "link");
  TProperties* b = Push("b");
  for (const ThtFontInfo& info : *b->TheFontInfo) {
    EXPECT_EQ(info.Name, "courier new");
    EXPECT_DOUBLE_EQ(info.Size, 24);
    EXPECT_TRUE(info.Style & platform::fsStrikeOut);
    EXPECT_TRUE(info.Style & platform::fsBold);
  }
}

TEST_F(CascadeTest, DescendantHoverRuleSeesTheLinksAncestors) {
  styles.AddProperty(DescendantKey("a:hover", "div ", 1), "color", "red");
  Push("div");
  TProperties* a = Push("a", {}, {}, "link");
  EXPECT_EQ((*a->TheFontInfo)[LinkStateHover].Color, kRed);
  EXPECT_EQ((*a->TheFontInfo)[LinkStateLink].Color, kLink);
  PropStack().CutTo(1);
  a = Push("a", {}, {}, "link");
  EXPECT_EQ((*a->TheFontInfo)[LinkStateHover].Color, kHover);
}

TEST_F(CascadeTest, IdWithPseudoClassApplies) {
  // The style-sheet parser stores "#top:hover" and "a#top:hover" with the
  // pseudo-class before the ID.
  styles.AddProperty(":hover#top", "color", "red");
  styles.AddProperty("a:visited#top", "color", "green");
  TProperties* a = Push("a", {}, "top", "link");
  EXPECT_EQ((*a->TheFontInfo)[LinkStateHover].Color, kRed);
  EXPECT_EQ((*a->TheFontInfo)[LinkStateVisited].Color, kGreen);
  EXPECT_EQ((*a->TheFontInfo)[LinkStateLink].Color, kLink);
}

TEST_F(CascadeTest, UpdateRebuildsOrDropsLinkFonts) {
  TProperties* outer = Push("a", {}, {}, "link");
  TProperties* b = Push("b");
  ASSERT_TRUE(b->InLink);
  // The link closes before the B: the B is no link any more.
  PropStack().Delete(PropStack().IndexOf(outer));
  b->Update(PropStack()[0], styles, 1);
  EXPECT_FALSE(b->InLink);
  EXPECT_EQ(b->TheFontInfo, nullptr);
  PropStack().CutTo(1);

  // A link whose parent changes keeps (rebuilt) fonts of its own.
  Push("b");
  TProperties* a = Push("a", {}, {}, "link");
  PropStack().Delete(1);
  a->Update(PropStack()[0], styles, 1);
  ASSERT_TRUE(a->InLink);
  EXPECT_FALSE((*a->TheFontInfo)[LinkStateLink].Style & platform::fsBold);
}

TEST_F(CascadeTest, ClearFreesEverything) {
  styles.AddProperty("p", "color", "red");
  styles.GetSeqNo();
  styles.Clear();
  EXPECT_EQ(styles.Count(), 0);
  EXPECT_EQ(styles.DefProp(), nullptr);
  EXPECT_EQ(styles.GetSeqNo(), "10");
  // A cascade over an empty sheet merges nothing.
  TProperties* p = Push("p", "c", "i");
  EXPECT_EQ(ColourOf(p), kText);
}

}  // namespace
}  // namespace htmlview
