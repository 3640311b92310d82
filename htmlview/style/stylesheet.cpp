#include "htmlview/style/stylesheet.h"

#include <algorithm>
#include <optional>

#include "htmlview/style/ruleindex.h"
#include "platform/sysutils.h"

namespace htmlview {

using platform::Colour;
using platform::CompareText;
using platform::LowerCase;
using platform::SameText;
using platform::Trim;

namespace {

bool IsLengthIndex(int i) { return i >= PropMarginTop && i <= PropLeft; }

bool MatchesAncestor(const SimpleSelector& sel, const TProperties& anc) {
  if (!sel.tag.empty() && !SameText(sel.tag, anc.PropTag)) return false;
  if (!sel.cls.empty() && !SameText(sel.cls, anc.PropClass) &&
      !ClassesAmong(sel.cls, SplitClasses(anc.PropClass)))
    return false;
  if (!sel.id.empty() && !SameText(sel.id, anc.PropID)) return false;
  if (!sel.pseudo.empty() && !SameText(sel.pseudo, anc.PropPseudo)) return false;
  return true;
}

bool IsLinkFontProperty(int i) {
  switch (i) {
    case PropFontFamily: case PropFontSize: case PropFontStyle: case PropFontWeight:
    case PropTextDecoration: case PropLetterSpacing: case PropColor: case PropBackgroundColor:
      return true;
    default:
      return false;
  }
}

bool IsInheritedIndex(int i) {
  switch (i) {
    case PropBorderStyle: case PropBackgroundColor: case PropBorderColor:
    case PropBackgroundImage: case PropBackgroundPosition: case PropBackgroundRepeat:
    case PropBackgroundAttachment: case PropPosition: case PropFloat: case PropClear:
    case PropPageBreakBefore: case PropPageBreakAfter: case PropPageBreakInside:
    case PropBorderCollapse: case PropOverflow: case PropDisplay:
      return false;
    default:
      return true;
  }
}

void UpdateLinkFont(ThtFontInfo& f, int index, const PropValue& v, const std::string& defFont) {
  const std::string text = v.IsText() ? LowerCase(Trim(v.Text())) : std::string();
  switch (index) {
    case PropFontFamily: {
      std::string family = FirstInstalledFamily(v.Text());
      f.Name = family.empty() ? defFont : family;
      break;
    }
    case PropFontSize:
      if (v.IsNumeric()) f.Size = v.Number();
      else if (v.IsText()) f.Size = FontSizeConv(v.Text(), f.Size);
      break;
    case PropFontStyle:
      if (text == "italic" || text == "oblique") f.Style |= platform::fsItalic;
      else if (text == "normal") f.Style &= ~platform::fsItalic;
      break;
    case PropFontWeight: {
      int32_t n = 0;
      const bool bold = v.IsNumeric() ? v.Number() >= 600
                        : text.find("bold") != std::string::npos ||
                              (platform::TryStrToInt(text, n) && n >= 600);
      if (bold) f.Style |= platform::fsBold;
      else if (text.find("normal") != std::string::npos) f.Style &= ~platform::fsBold;
      break;
    }
    case PropTextDecoration:
      if (text.find("underline") != std::string::npos) f.Style |= platform::fsUnderline;
      if (text.find("line-through") != std::string::npos) f.Style |= platform::fsStrikeOut;
      if (text == "none") f.Style &= ~(platform::fsUnderline | platform::fsStrikeOut);
      break;
    case PropLetterSpacing:
      f.CharExtra = v;
      break;
    case PropColor:
      if (v.IsInt()) f.Color = v.Colour();
      break;
    case PropBackgroundColor:
      if (v.IsInt()) f.BgColor = v.Colour();
      break;
    default:
      break;
  }
}

enum class ColourCheck { Stored, NoColour, NotColourProperty };

// Stores one long-hand declaration by the rules every property follows; the
// link-key spreading of "color" is the style sheet's own business.
ColourCheck StoreDeclaration(TProperties& p, int index, std::string_view rawValue,
                             bool inlineStyle) {
  const std::string value(rawValue);
  const std::string word = Trim(value);
  Colour c = 0;
  switch (index) {
    case PropBorderStyle:
      p.Props[PropBorderStyle] = value;
      for (int i = PropBorderTopStyle; i <= PropBorderLeftStyle; ++i) p.Props[i] = value;
      return ColourCheck::NotColourProperty;
    case PropColor:
      if (ColorFromString(value, false, c)) {
        p.Props[PropColor] = PropValue::FromColour(c);
        return ColourCheck::Stored;
      }
      // An inline colour that is no colour still overrides: black.
      if (inlineStyle) p.Props[PropColor] = 0;
      return ColourCheck::NoColour;
    case PropBackgroundColor:
      p.Props[PropBackgroundColor] =
          PropValue::FromColour(ColorFromString(value, false, c) ? c : NoColorValue);
      return ColourCheck::NotColourProperty;
    case PropBorderColor:
      if (ColorFromString(value, false, c)) {
        p.Props[PropBorderColor] = PropValue::FromColour(c);
        for (int i = PropBorderTopColor; i <= PropBorderLeftColor; ++i)
          p.Props[i] = PropValue::FromColour(c);
      }
      return ColourCheck::NotColourProperty;
    case PropBorderTopColor: case PropBorderRightColor: case PropBorderBottomColor:
    case PropBorderLeftColor:
      if (ColorFromString(value, false, c)) p.Props[index] = PropValue::FromColour(c);
      return ColourCheck::NotColourProperty;
    case PropBorderTopStyle: case PropBorderRightStyle: case PropBorderBottomStyle:
    case PropBorderLeftStyle:
      p.Props[index] = value;
      if (word != "none") p.Props[PropBorderStyle] = value;
      return ColourCheck::NotColourProperty;
    case PropVisibility:
      if (word == "visible") p.Props[index] = 2;
      else if (word == "hidden") p.Props[index] = 1;
      return ColourCheck::NotColourProperty;
    case PropTextTransform:
      p.Props[index] = word == "uppercase" ? 1 : word == "lowercase" ? 2 : 0;
      return ColourCheck::NotColourProperty;
    case PropWordWrap:
      p.Props[index] = word == "break-word" ? "break-word" : "normal";
      return ColourCheck::NotColourProperty;
    case PropFontVariant:
      if (word == "small-caps" || word == "normal") p.Props[index] = word;
      return ColourCheck::NotColourProperty;
    default:
      p.Props[index] = value;
      return ColourCheck::NotColourProperty;
  }
}

}  // namespace

// ---------------------------------------------------------------------------
// Inheritance and re-derivation

void TProperties::Inherit(std::string_view tag, const TProperties* parent) {
  if (!parent) return;
  const std::string& ptag = parent->PropTag;
  if (ptag == "span") {
    for (int i = 0; i < PropertyCount; ++i)
      if (i != PropBorderStyle) Props[i] = parent->Props[i];
  } else if (ptag == "thead" || ptag == "tbody" || ptag == "tfoot") {
    Props = parent->Props;
    Originals = parent->Originals;
  } else {
    for (int i = 0; i < PropertyCount; ++i) {
      if (IsLengthIndex(i)) Props[i] = UnsetLength;
      else if (!IsInheritedIndex(i)) continue;
      else if (i == PropWordWrap && tag == "table") Props[i] = "normal";
      else Props[i] = parent->Props[i];
    }
  }
  DefFontname = parent->DefFontname;
  FontBG = parent->FontBG;
  CharSet = parent->CharSet;
  CodePage = parent->CodePage;
  PropTitle = parent->PropTitle;
  InLink = parent->InLink;
  if (InLink && parent->TheFontInfo)
    TheFontInfo = std::make_unique<TFontInfoArray>(*parent->TheFontInfo);
  EmSize = parent->EmSize;
  ExSize = EmSize / 2;
  cachedFont_.reset();
}

void TProperties::Update(const TProperties* parent, const TStyleList& styles, int index) {
  if (!parent) return;
  for (int i = 0; i < PropertyCount; ++i)
    if (!Originals[i]) Props[i] = parent->Props[i];
  cachedFont_.reset();
  if (parent->InLink && parent->TheFontInfo) {
    TheFontInfo = std::make_unique<TFontInfoArray>(*parent->TheFontInfo);
    InLink = true;
  } else if (PropPseudo == "link") {
    const TPropStack& stack = PropStack();
    if (index < 0 || index >= stack.Count() || stack[index] != this) index = stack.IndexOf(this);
    if (!TheFontInfo) TheFontInfo = std::make_unique<TFontInfoArray>();
    BuildLinkFonts(styles, TAncestorView(&stack, (index >= 0 ? index : stack.Count()) - 1));
    InLink = true;
  } else {
    TheFontInfo.reset();
    InLink = false;
  }
}

// ---------------------------------------------------------------------------
// Cascade

struct TProperties::MatchContext {
  std::string tag, id, pseudo;
  // The class texts keys are built from: each class name in order, then the
  // whole class text; a single "" when the element has no class.
  std::vector<std::string> classes;
  std::vector<std::string> classNames;   // the element's names, for descendant rules
  TProperties* inlineStyle = nullptr;
  const TAncestorView* ancestors = nullptr;
  // The element as the rule index sees it, made at its first scan.
  mutable std::optional<TRuleIndex::Query> query;
};

TAncestorView TAncestorView::Above(const TProperties* p) const {
  TAncestorView view = *this;
  view.above_.insert(view.above_.begin(), p);
  return view;
}

const TProperties* TAncestorView::operator[](size_t i) const {
  if (i < above_.size()) return above_[i];
  return (*stack_)[top_ - static_cast<int>(i - above_.size())];
}

uint64_t TAncestorFilter::Hash(char kind, std::string_view lowerText) {
  uint64_t h = 0xcbf29ce484222325ULL ^ static_cast<unsigned char>(kind);
  for (char c : lowerText) h = (h ^ static_cast<unsigned char>(c)) * 0x100000001b3ULL;
  // The filter takes its bits from the low bytes: spread the high ones down.
  h ^= h >> 33;
  h *= 0xff51afd7ed558ccdULL;
  h ^= h >> 33;
  return h;
}

void TAncestorFilter::Add(const TSelectorNames& names) {
  if (!names.tag.empty()) Add(Hash('t', names.tag));
  for (const std::string& name : names.classNames) Add(Hash('.', name));
  if (!names.id.empty()) Add(Hash('#', names.id));
  if (!names.pseudo.empty()) Add(Hash(':', names.pseudo));
}

TSelectorIdentity& TProperties::SelectorIdentity() const {
  if (!identity_) {
    auto identity = std::make_unique<TSelectorIdentity>();
    identity->names = SelectorNames(PropTag, PropClass, PropID, PropPseudo);
    identity->own.Add(identity->names);
    identity_ = std::move(identity);
  }
  return *identity_;
}

TAncestorFilter TAncestorView::Filter() const {
  TAncestorFilter filter;
  for (const TProperties* p : above_) filter.Add(p->SelectorIdentity().own);
  if (!stack_ || top_ < 1) return filter;
  // The nearest entry that knows its chain, then each one above it in turn.
  const TPropStack& stack = *stack_;
  int known = top_;
  while (known >= 1 && !stack[known]->SelectorIdentity().chainKnown) --known;
  TAncestorFilter chain;
  if (known >= 1) chain = stack[known]->SelectorIdentity().chain;
  for (int i = known + 1; i <= top_; ++i) {
    TSelectorIdentity& id = stack[i]->SelectorIdentity();
    chain.Add(id.own);
    id.chain = chain;
    id.chainKnown = true;
  }
  filter.Add(chain);
  return filter;
}

void TProperties::Cascade(const TStyleList& styles, std::string_view tag, std::string_view cls,
                          std::string_view id, std::string_view pseudo, std::string_view title,
                          TProperties* inlineStyle) {
  // The element's ancestors are the stack entries below it; a set not yet
  // pushed is about to become the top, so its ancestors start at the top.
  const TPropStack& stack = PropStack();
  const int index = stack.IndexOf(this);
  CascadeWith(styles, tag, cls, id, pseudo, title, inlineStyle,
              TAncestorView(&stack, (index >= 0 ? index : stack.Count()) - 1));
}

void TProperties::CascadeWith(const TStyleList& styles, std::string_view tag,
                              std::string_view cls, std::string_view id, std::string_view pseudo,
                              std::string_view title, TProperties* inlineStyle,
                              const TAncestorView& ancestors) {
  cachedFont_.reset();
  const std::string classText = Trim(cls);
  MatchContext ctx;
  ctx.tag = std::string(tag);
  ctx.id = std::string(id);
  ctx.pseudo = std::string(pseudo);
  ctx.classNames = SplitClasses(classText);
  // Several classes are matched in one pass, class by class and then as the
  // whole text inside each step of the key order. Matching a pass per class
  // (as the old code did) let a later pass's tag rule undo an earlier class
  // rule and compounded relative font sizes.
  if (classText.find('.') != std::string::npos) {
    ctx.classes = ctx.classNames;
    ctx.classes.push_back(classText);
  } else {
    ctx.classes.push_back(classText);
  }
  ctx.inlineStyle = inlineStyle;
  ctx.ancestors = &ancestors;
  MatchSelector(styles, ctx);

  PropTag = std::string(tag);
  PropClass = classText;
  PropID = std::string(id);
  PropPseudo = std::string(pseudo);
  identity_.reset();
  PropStyle = inlineStyle;
  if (!title.empty()) PropTitle = std::string(title);
  if (PropPseudo == "link") {
    if (!TheFontInfo) TheFontInfo = std::make_unique<TFontInfoArray>();
    BuildLinkFonts(styles, ancestors);
    InLink = true;
  }
}

void TProperties::MatchSelector(const TStyleList& styles, const MatchContext& ctx) {
  const PropValue& size = Props[PropFontSize];
  const double notedSize = size.IsNumeric() && size.Number() > 0 ? size.Number()
                                                                  : DefaultPointSize();
  const std::string& t = ctx.tag;
  const std::string& p = ctx.pseudo;
  const std::string& i = ctx.id;
  const bool plain = p.empty() || (p != "hover" && p != "visited");
  auto merge = [&](const std::string& key) {
    for (int k = styles.Find(key); k >= 0 && k < styles.Count() && SameText(styles.Key(k), key);
         ++k)
      MergeEntry(*styles.Entry(k));
  };
  auto forClasses = [&](auto&& fn) {
    for (const std::string& c : ctx.classes)
      if (!c.empty()) fn(c);
  };

  if (t == "a" && !p.empty()) merge("::" + p);
  if (plain) merge(t);
  if (!p.empty()) merge(":" + p);
  if (plain) forClasses([&](const std::string& c) { merge("." + c); });
  if (plain) forClasses([&](const std::string& c) { merge(t + "." + c); });
  if (!p.empty()) merge(t + ":" + p);
  if (!p.empty()) forClasses([&](const std::string& c) {
    merge("." + c + ":" + p);
    merge(t + "." + c + ":" + p);
  });
  if (!i.empty()) {
    // Keys with an ID are built in the stored order (element, classes,
    // pseudo-class, ID), so "#x:hover", stored as ":hover#x", applies.
    merge("#" + i);
    merge(t + "#" + i);
    forClasses([&](const std::string& c) { merge("." + c + "#" + i); });
    if (!p.empty()) {
      merge(":" + p + "#" + i);
      merge(t + ":" + p + "#" + i);
    }
    forClasses([&](const std::string& c) { merge(t + "." + c + "#" + i); });
    if (!p.empty()) forClasses([&](const std::string& c) {
      merge("." + c + ":" + p + "#" + i);
      merge(t + "." + c + ":" + p + "#" + i);
    });
  }

  MergeDescendants(styles, ctx, t);
  for (const std::string& c : ctx.classes) MergeDescendants(styles, ctx, "." + c);
  MergeDescendants(styles, ctx, ":" + p);

  if (ctx.inlineStyle) MergeEntry(*ctx.inlineStyle);

  const PropValue& after = Props[PropFontSize];
  if (after.IsText()) Props[PropFontSize] = FontSizeConv(after.Text(), notedSize);
}

void TProperties::MergeDescendants(const TStyleList& styles, const MatchContext& ctx,
                                   std::string_view prefix) {
  if (styles.PlainMatching()) {
    MergeDescendantsPlain(styles, ctx, prefix);
    return;
  }
  if (!ctx.query)
    ctx.query.emplace(ctx.tag, ctx.id, ctx.pseudo, ctx.classes, ctx.classNames, *ctx.ancestors);
  std::vector<int> matched;
  styles.Index().Matches(styles, prefix, *ctx.query, matched);
  for (int k : matched) MergeEntry(*styles.Entry(k));
}

// Every stored key of the scan's range read and matched in turn: the
// reference the index is checked against.
void TProperties::MergeDescendantsPlain(const TStyleList& styles, const MatchContext& ctx,
                                        std::string_view prefix) {
  TStyleList::MatchCounts& counts = styles.Counts();
  auto classMatches = [&](const std::string& cls) {
    for (const std::string& c : ctx.classes)
      if (SameText(cls, c)) return true;
    return ClassesAmong(cls, ctx.classNames);
  };
  for (int k = styles.LowerBound(prefix);
       k < styles.Count() && platform::StartsText(styles.Key(k), prefix); ++k) {
    ++counts.keysExamined;
    const std::vector<SimpleSelector> sels = ParseDescendantKey(styles.Key(k));
    if (sels.empty()) break;
    const SimpleSelector& subject = sels[0];
    const bool interest = SameText(subject.tag, ctx.tag) || classMatches(subject.cls) ||
                          SameText(subject.pseudo, ctx.pseudo);
    if (!interest) break;
    if (sels.size() < 2) continue;
    const bool subjectMatches =
        (subject.tag.empty() || SameText(subject.tag, ctx.tag)) &&
        (subject.cls.empty() || classMatches(subject.cls)) &&
        (subject.id.empty() || SameText(subject.id, ctx.id)) &&
        (SameText(subject.pseudo, ctx.pseudo) || (subject.pseudo.empty() && ctx.pseudo == "link"));
    if (!subjectMatches) continue;
    ++counts.ancestorWalks;
    const TAncestorView& ancestors = *ctx.ancestors;
    size_t sel = 1;
    for (size_t a = 0; a < ancestors.size(); ++a) {
      if (MatchesAncestor(sels[sel], *ancestors[a])) {
        if (++sel == sels.size()) {
          MergeEntry(*styles.Entry(k));
          break;
        }
      } else if (sels[sel].directParent) {
        break;
      }
    }
  }
}

void TProperties::MergeEntry(const TProperties& entry) {
  for (int i = 0; i < PropertyCount; ++i) {
    const PropValue& v = entry.Props[i];
    if (v.IsEmptyOrNull()) continue;
    if (IsLengthIndex(i) && v.IsInt() && v.Int() == UnsetLength) continue;
    Props[i] = v;
    Originals[i] = true;
    if (InLink && TheFontInfo && IsLinkFontProperty(i))
      for (ThtFontInfo& f : *TheFontInfo) UpdateLinkFont(f, i, v, DefFontname);
  }
}

void TProperties::BuildLinkFonts(const TStyleList& styles, const TAncestorView& ancestors) {
  TakeLinkBackground();
  TFontInfoArray& fonts = *TheFontInfo;
  fonts[LinkStateLink] = DescribeFont();

  // Temporary sets stand above the link, as the parser's stack would hold
  // them, so descendant rules see the link as their parent.
  const TAncestorView aboveLink = ancestors.Above(this);
  // They live on the stack: a page of links builds three for every link.
  auto derive = [&](TProperties& set, const TProperties* parent, const char* pseudo,
                    const TAncestorView& chain) {
    set.Inherit(PropTag, parent);
    set.CascadeWith(styles, PropTag, PropClass, PropID, pseudo, PropTitle, PropStyle, chain);
    set.TakeLinkBackground();
    return set.DescribeFont();
  };
  TProperties visited, visitedHover, hover;
  fonts[LinkStateVisited] = derive(visited, this, "visited", aboveLink);
  fonts[LinkStateVisitedHover] = derive(visitedHover, &visited, "hover", aboveLink.Above(&visited));
  fonts[LinkStateHover] = derive(hover, this, "hover", aboveLink);
}

// ---------------------------------------------------------------------------
// Inline declarations

void TProperties::AddPropertyByName(std::string_view name, std::string_view value) {
  if (auto index = LookupProperty(LowerCase(Trim(name)))) AddPropertyByIndex(*index, value);
}

void TProperties::AddPropertyByIndex(int index, std::string_view value) {
  if (index < 0 || index >= PropertyCount) return;
  StoreDeclaration(*this, index, value, true);
  cachedFont_.reset();
}

// ---------------------------------------------------------------------------
// TStyleList

TStyleList::TStyleList(bool* documentLinksActive)
    : documentLinksActive_(documentLinksActive), index_(std::make_unique<TRuleIndex>()) {}

TStyleList::~TStyleList() = default;

void TStyleList::Clear() {
  entries_.clear();
  index_->Clear();
  defProp_ = nullptr;
  seqNo_ = 10;
}

int TStyleList::LowerBound(std::string_view key) const {
  auto it = std::lower_bound(entries_.begin(), entries_.end(), key,
                             [](const auto& e, std::string_view k) {
                               return CompareText(e.key, k) < 0;
                             });
  return static_cast<int>(it - entries_.begin());
}

int TStyleList::Find(std::string_view key) const {
  const int i = LowerBound(key);
  return i < Count() && CompareText(entries_[i].key, key) == 0 ? i : -1;
}

TProperties* TStyleList::FindEntry(std::string_view key) const {
  const int i = Find(key);
  return i >= 0 ? entries_[i].props.get() : nullptr;
}

TProperties* TStyleList::Add(std::string_view key, std::unique_ptr<TProperties> props) {
  auto it = std::upper_bound(entries_.begin(), entries_.end(), key,
                             [](std::string_view k, const auto& e) {
                               return CompareText(k, e.key) < 0;
                             });
  props->PropTag = std::string(key);
  TProperties* raw = props.get();
  entries_.insert(it, StoredEntry{std::string(key), std::move(props), index_->Compile(key)});
  index_->Invalidate();
  return raw;
}

TProperties* TStyleList::FindOrAdd(std::string_view key) {
  if (TProperties* p = FindEntry(key)) return p;
  return Add(key, std::make_unique<TProperties>());
}

TProperties* TStyleList::AddDuplicate(std::string_view key, const TProperties& props) {
  auto copy = std::make_unique<TProperties>();
  copy->CopyValuesFrom(props);
  return Add(key, std::move(copy));
}

std::string TStyleList::GetSeqNo() { return std::to_string(seqNo_++); }

void TStyleList::SetLinksActive() {
  linksActive_ = true;
  if (documentLinksActive_) *documentLinksActive_ = true;
}

void TStyleList::AddProperty(std::string_view key, std::string_view name, std::string_view value) {
  const auto index = LookupProperty(LowerCase(Trim(name)));
  if (!index) return;
  TProperties* entry = FindOrAdd(key);
  if (*index == PropColor) {
    Colour c = 0;
    if (ColorFromString(value, false, c)) {
      // A link colour also colours the other link states until their own
      // rules come.
      if (SameText(key, ":link")) {
        FindOrAdd("::hover")->Props[PropColor] = PropValue::FromColour(c);
        FindOrAdd("::visited")->Props[PropColor] = PropValue::FromColour(c);
      } else if (SameText(key, ":visited")) {
        FindOrAdd("::hover")->Props[PropColor] = PropValue::FromColour(c);
      }
      entry->Props[PropColor] = PropValue::FromColour(c);
    }
  } else {
    StoreDeclaration(*entry, *index, value, false);
  }
  if (LowerCase(key).find(":hover") != std::string::npos) SetLinksActive();
  if (SameText(key, "a")) AddProperty("::link", name, value);
}

void TStyleList::ModifyLinkColor(std::string_view pseudo, Colour color) {
  FindOrAdd("::" + LowerCase(pseudo))->Props[PropColor] = PropValue::FromColour(color);
}

void TStyleList::InitDefaultStyles(std::string_view fontName, std::string_view preFontName,
                                   double fontSize, Colour fontColor, Colour linkColor,
                                   Colour visitedColor, Colour hoverColor, bool linkUnderline,
                                   int charset, int marginHeight, int marginWidth) {
  Clear();
  SetDefaultPointSize(fontSize);
  const double f = fontSize / 12.0;
  const std::string font(fontName), preFont(preFontName);

  TProperties* def = Add("default", std::make_unique<TProperties>());
  def->Props[PropFontFamily] = font;
  def->DefFontname = font;
  def->Props[PropFontSize] = fontSize;
  def->Props[PropFontStyle] = "none";
  def->Props[PropFontWeight] = "normal";
  def->Props[PropTextAlign] = "left";
  def->Props[PropTextDecoration] = "none";
  def->Props[PropTextTransform] = 0;
  def->Props[PropWordWrap] = "normal";
  def->Props[PropFontVariant] = "normal";
  def->Props[PropColor] = PropValue::FromColour(fontColor);
  def->Props[PropMarginTop] = marginHeight;
  def->Props[PropMarginBottom] = marginHeight;
  def->Props[PropMarginLeft] = marginWidth;
  def->Props[PropMarginRight] = marginWidth;
  def->Props[PropVisibility] = 2;
  def->Props[PropLetterSpacing] = 0;
  def->SetCharset(charset);
  defProp_ = def;

  const Colour rel = PaletteRelative();
  TProperties* link = Add("::link", std::make_unique<TProperties>());
  link->Props[PropColor] = PropValue::FromColour(linkColor | rel);
  link->Props[PropTextDecoration] = linkUnderline ? "underline" : "none";
  Add("::visited", std::make_unique<TProperties>())->Props[PropColor] =
      PropValue::FromColour(visitedColor | rel);
  Add("::hover", std::make_unique<TProperties>())->Props[PropColor] =
      PropValue::FromColour(hoverColor | rel);
  Add("null", std::make_unique<TProperties>());

  auto entry = [&](std::string_view key) { return Add(key, std::make_unique<TProperties>()); };

  TProperties* pre = entry("pre");
  pre->Props[PropFontFamily] = preFont;
  pre->Props[PropFontSize] = 10 * f;
  pre->Props[PropFontStyle] = "none";
  pre->Props[PropFontWeight] = "normal";
  pre->Props[PropTextDecoration] = "none";

  TProperties* p = entry("p");
  p->Props[PropMarginTop] = DefaultMargin;
  p->Props[PropMarginBottom] = DefaultMargin;
  entry("p 11pre")->Props[PropMarginTop] = 0;

  for (std::string_view key : {"ul", "ol", "menu", "dir"}) {
    TProperties* e = entry(key);
    e->Props[PropPaddingLeft] = 35;
    e->Props[PropListStyleType] = "blank";
    e->Props[PropMarginTop] = DefaultMargin;
    e->Props[PropMarginBottom] = DefaultMargin;
  }
  TProperties* dl = entry("dl");
  dl->Props[PropPaddingLeft] = 0;
  dl->Props[PropMarginLeft] = 0;
  dl->Props[PropMarginTop] = 0;
  dl->Props[PropMarginBottom] = 0;
  dl->Props[PropListStyleType] = "none";
  TProperties* dd = entry("dd");
  dd->Props[PropPaddingLeft] = 35;
  dd->Props[PropMarginTop] = 0;
  dd->Props[PropMarginBottom] = 0;
  TProperties* bq = entry("blockquote");
  bq->Props[PropPaddingLeft] = 35;
  bq->Props[PropMarginTop] = DefaultMargin;
  bq->Props[PropMarginBottom] = 14;

  for (std::string_view key : {"code", "tt", "kbd", "samp"}) {
    TProperties* e = entry(key);
    e->Props[PropFontFamily] = preFont;
    e->Props[PropFontSize] = "0.833em";
  }
  for (std::string_view key : {"b", "strong", "th"}) entry(key)->Props[PropFontWeight] = "bold";
  for (std::string_view key : {"sup", "sub"}) {
    TProperties* e = entry(key);
    e->Props[PropFontSize] = "75%";
    e->Props[PropVerticalAlign] = key == "sup" ? "super" : "sub";
  }
  entry("big")->Props[PropFontSize] = "1.25em";
  entry("small")->Props[PropFontSize] = "0.75em";
  entry("table")->Props[PropTextAlign] = "none";
  for (std::string_view key : {"i", "em", "cite", "var", "address"})
    entry(key)->Props[PropFontStyle] = "italic";
  entry("u")->Props[PropTextDecoration] = "underline";
  for (std::string_view key : {"s", "strike"})
    entry(key)->Props[PropTextDecoration] = "line-through";
  for (std::string_view key : {"center", "caption"}) entry(key)->Props[PropTextAlign] = "center";
  for (std::string_view key : {"input", "select", "textarea"}) {
    TProperties* e = entry(key);
    e->Props[PropFontFamily] = key == "textarea" ? preFont : std::string("Arial Unicode MS, Arial");
    e->Props[PropFontSize] = "10pt";
    e->Props[PropFontStyle] = "none";
    e->Props[PropFontWeight] = "normal";
    e->Props[PropTextAlign] = "left";
    e->Props[PropTextDecoration] = "none";
    e->Props[PropColor] = PropValue::FromColour(fontColor);
  }
  TProperties* hr = entry("hr");
  hr->Props[PropMarginLeft] = 0;
  hr->Props[PropMarginRight] = 0;
  hr->Props[PropMarginTop] = 10;
  hr->Props[PropMarginBottom] = 10;
  constexpr double kHeadingPoints[6] = {24, 18, 14, 12, 10, 8};
  for (int level = 1; level <= 6; ++level) {
    TProperties* h = entry("h" + std::to_string(level));
    h->Props[PropFontSize] = kHeadingPoints[level - 1] * f;
    h->Props[PropMarginTop] = 19;
    h->Props[PropMarginBottom] = 19;
    h->Props[PropFontWeight] = "bold";
  }
}

}  // namespace htmlview
