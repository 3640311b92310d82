#include "htmlview/document/docparser.h"

#include <algorithm>
#include <climits>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "htmlview/layout/blocks.h"
#include "htmlview/layout/listitems.h"
#include "htmlview/layout/docroot.h"
#include "htmlview/layout/formcontrols.h"
#include "htmlview/layout/imageobj.h"
#include "htmlview/layout/panelobj.h"
#include "htmlview/layout/simplesections.h"
#include "htmlview/layout/textsection.h"
#include "htmlview/parse/codepages.h"
#include "htmlview/document/parserstate.h"
#include "htmlview/parse/urlsubs.h"
#include "htmlview/style/cssparser.h"
#include "htmlview/style/styleprops.h"
#include "platform/sysutils.h"

namespace htmlview {

namespace {

// What the last parse collected, read by the viewer afterwards.
struct DocumentInfo {
  std::u16string Title;
  std::string Base, BaseTarget;
};
DocumentInfo& Info() {
  static DocumentInfo info;
  return info;
}

constexpr uintmax_t kMaxLinkedSheetSize = uintmax_t(16) << 20;

}  // namespace

const SymbolSet& InlineSymbols() {
  using S = HtmlSymbol;
  static const SymbolSet set{
      S::TextToken, S::B, S::I, S::Em, S::Strong, S::U, S::Cite, S::Var, S::TT, S::Code,
      S::Kbd, S::Samp, S::S, S::Strike, S::Span, S::Label, S::Sub, S::Sup, S::Big, S::Small,
      S::Font, S::EndB, S::EndI, S::EndEm, S::EndStrong, S::EndU, S::EndCite, S::EndVar,
      S::EndTT, S::EndCode, S::EndKbd, S::EndSamp, S::EndS, S::EndStrike, S::EndSpan,
      S::EndLabel, S::EndSub, S::EndSup, S::EndBig, S::EndSmall, S::EndFont, S::BaseFont,
      S::BR, S::H, S::EndH, S::HR, S::Pre, S::EndPre, S::Img, S::A, S::EndA, S::Table,
      S::Input, S::TextArea, S::EndTextArea, S::Select, S::Map, S::Page, S::Script,
      S::EndScript, S::Panel, S::NoBr, S::EndNoBr, S::Wbr, S::Object, S::EndObject};
  return set;
}

bool IsListSymbol(HtmlSymbol s) {
  return s == HtmlSymbol::OL || s == HtmlSymbol::UL || s == HtmlSymbol::Dir ||
         s == HtmlSymbol::Menu || s == HtmlSymbol::DL;
}

namespace {

// The font-style elements that push properties under their own name.
bool IsFontStyleSymbol(HtmlSymbol s) {
  using S = HtmlSymbol;
  switch (s) {
    case S::B: case S::I: case S::Em: case S::Strong: case S::U: case S::Cite: case S::Var:
    case S::TT: case S::Code: case S::Kbd: case S::Samp: case S::S: case S::Strike:
    case S::Span: case S::Label: case S::Sub: case S::Sup: case S::Big: case S::Small:
      return true;
    default:
      return false;
  }
}

bool IsFontStyleEndSymbol(HtmlSymbol s) {
  using S = HtmlSymbol;
  switch (s) {
    case S::EndB: case S::EndI: case S::EndEm: case S::EndStrong: case S::EndU:
    case S::EndCite: case S::EndVar: case S::EndTT: case S::EndCode: case S::EndKbd:
    case S::EndSamp: case S::EndS: case S::EndStrike: case S::EndSpan: case S::EndLabel:
    case S::EndSub: case S::EndSup: case S::EndBig: case S::EndSmall:
      return true;
    default:
      return false;
  }
}

// The alignment the ALIGN of headings, paragraphs, DIV and cells gives.
std::optional<TTextAlign> AlignOf(const TAttributeList* attributes) {
  const TAttribute* a = attributes ? attributes->Find(HtmlSymbol::Align) : nullptr;
  if (!a) return std::nullopt;
  return TextAlignOf(a->Name, {.foldCase = true, .trim = true, .justify = true, .middle = true});
}

}  // namespace

// ---------------------------------------------------------------------------
// Set-up

HtmlParser::HtmlParser(TSectionList& list, const TParserEvents& events)
    : list_(&list), events_(events), urlTarget_(std::make_unique<TUrlTarget>()) {}

HtmlParser::~HtmlParser() { DropSection(std::move(section_)); }

TAttributeList* HtmlParser::KeepAttributes() {
  auto copy = std::make_unique<TAttributeList>();
  const TAttributeList& now = Attrs();
  for (int i = 0; i < now.Count(); ++i) copy->Add(now[i]);
  keptAttributes_.push_back(std::move(copy));
  return keptAttributes_.back().get();
}

// ---------------------------------------------------------------------------
// Property stack

TProperties* HtmlParser::Top() const { return PropStack().Last(); }

TProperties* HtmlParser::Push(std::string_view tag, TAttributeList* attributes,
                              std::string_view pseudo) {
  TPropStack& stack = PropStack();
  if (stack.Count() >= kMaxOpenElements) return stack.Last();
  std::string cls, id, title;
  TProperties* inlineStyle = nullptr;
  if (attributes) {
    cls = attributes->GetClass();
    id = attributes->GetID();
    title = attributes->GetTitle();
    inlineStyle = attributes->GetStyle();
  }
  return stack.PushNewProps(list_->Styles, tag, cls, id, pseudo, title, inlineStyle);
}

void HtmlParser::CloseElementProps(std::string_view tag) {
  TPropStack& stack = PropStack();
  int found = -1;
  for (int i = stack.Count() - 1; i >= 1; --i)
    if (stack[i]->PropTag == tag) {
      found = i;
      break;
    }
  if (found < 0) return;
  if (stack[found]->HasBorderStyle()) list_->AddInlineBorder(R().CharCount, *stack[found], false);
  stack.Delete(found);
  // Mis-nested end tags: what stood above the closed element is derived
  // again from what is now below it.
  for (int i = found; i < stack.Count(); ++i) stack[i]->Update(stack[i - 1], list_->Styles, i);
}

void HtmlParser::OpenInlineBorder(TProperties* prop) {
  if (prop && prop != PropStack()[0] && prop->HasBorderStyle())
    list_->AddInlineBorder(R().CharCount, *prop, true);
}

// ---------------------------------------------------------------------------
// Sections and cells

std::unique_ptr<TSection> HtmlParser::NewSection(const TAttributeList* attributes) {
  TProperties* prop = Top();
  const bool first = currentCell_ && currentCell_->Count() == 0;
  auto section = std::make_unique<TSection>(list_, attributes, *prop,
                                            inLink_ ? urlTarget_.get() : nullptr, first);
  section->NoBreak = noBreak_;
  section->TextTransform = prop->GetTextTransform();
  return section;
}

std::unique_ptr<TSection> HtmlParser::NewPreSection() {
  TProperties* prop = Top();
  auto section = std::make_unique<TPreFormated>(list_, nullptr, *prop,
                                                inLink_ ? urlTarget_.get() : nullptr, false);
  section->TextTransform = prop->GetTextTransform();
  return section;
}

void HtmlParser::AppendToCell(std::unique_ptr<TSectionBase> section, int endPos) {
  if (!section) return;
  if (currentCell_) {
    currentCell_->Add(std::move(section), endPos >= 0 ? endPos : R().TagPos);
  } else if (auto* text = dynamic_cast<TSection*>(section.get())) {
    section.release();
    DropSection(std::unique_ptr<TSection>(text));
  }
}

void HtmlParser::DropSection(std::unique_ptr<TSection> section) {
  if (!section) return;
  // Nothing of the document may point into a section that goes: its link
  // runs leave the link list, its ID the ID list.
  for (const auto& run : section->Fonts) ForgetLinkRun(list_->Links, run.get());
  list_->RemoveIDObject(section.get());
}

void HtmlParser::AppendSection() { AppendToCell(std::move(section_)); }

void HtmlParser::AppendLine() { AppendToCell(std::move(section_), ReaderPos()); }

int HtmlParser::ReaderPos() const {
  // The count stays on the last character once the text is read.
  return std::max(R().Ch == 0 ? R().CharCount + 1 : R().CharCount, 0);
}

void HtmlParser::EnsureSection() {
  if (!section_) section_ = NewSection(nullptr);
}

void HtmlParser::RefreshFont() {
  if (!section_) return;
  section_->ChangeFont(*Top());
  section_->TextTransform = Top()->GetTextTransform();
}

TBlock* HtmlParser::OpenBlock(TProperties& prop, const TAttributeList* attributes) {
  auto block = std::make_unique<TBlock>(list_, prop, currentCell_, attributes);
  TBlock* raw = block.get();
  AppendToCell(std::move(block));
  currentCell_ = &raw->MyCell;
  return raw;
}

void HtmlParser::ApplyAlign(TProperties* prop, const TAttributeList* attributes) {
  if (const std::optional<TTextAlign> align = AlignOf(attributes))
    prop->Assign(PropValue(TextAlignWord(*align)), PropTextAlign);
}

bool HtmlParser::Flatten() {
  if (depth_ < kMaxBlockNesting) return false;
  Next();
  return true;
}

// ---------------------------------------------------------------------------
// The body loop

void HtmlParser::ParseBody(const SymbolSet& term) {
  using S = HtmlSymbol;
  while (!term[Sy()] && Sy() != S::EndOfText) {
    const HtmlSymbol sy = Sy();
    switch (sy) {
      case S::Title: DoTitle(); break;
      case S::Body: DoBody(); break;
      case S::P: DoParagraph(term); break;
      case S::Base: DoBase(); Next(); break;
      case S::OL: case S::UL: case S::Dir: case S::Menu: case S::DL:
        if (Flatten()) break;
        DoLists(sy, term);
        // Its own end tag, even when an enclosing list ends with the same.
        if (Sy() == EndSymbolOf(sy)) Next();
        break;
      case S::LI:
        if (Flatten()) break;
        DoListItem(S::UnknownTag, S::LI, 1, false, '1', term);
        break;
      case S::DD: case S::DT:
        if (Flatten()) break;
        DoListItem(S::DL, sy, 1, false, '1', term);
        break;
      case S::Address: case S::BlockQuote: DoAddress(term); break;
      case S::Center: DoCenter(term); break;
      case S::Form: DoForm(term); break;
      case S::Div: DoDiv(term); break;
      case S::Link: DoLink(); Next(); break;
      case S::EndForm: form_ = nullptr; Next(); break;
      case S::BgSound: DoSound(); Next(); break;
      case S::Meta: DoMeta(); Next(); break;
      case S::Style: DoStyle(); Next(); break;
      default:
        if (InlineSymbols()[sy]) ParseInline(term);
        else Next();
        break;
    }
  }
}

void HtmlParser::ParseInline(const SymbolSet& term) {
  using S = HtmlSymbol;
  const HtmlSymbol sy = Sy();
  HtmlReaderState& r = R();
  if (sy == S::TextToken) {
    const std::u16string& text = r.Token->S();
    if (!section_ && (text.empty() || text == u" ")) {
      Next();
      return;
    }
    EnsureSection();
    section_->TakeText(r.Token->TakeS(), r.Token->Places());
    Next();
    return;
  }
  if (IsFontStyleSymbol(sy)) {
    DoFontStyle(sy);
    Next();
    return;
  }
  if (IsFontStyleEndSymbol(sy)) {
    DoFontStyleEnd(sy);
    Next();
    return;
  }
  switch (sy) {
    case S::Font: case S::BaseFont:
      DoFont(false);
      RefreshFont();
      Next();
      break;
    case S::EndFont:
      CloseElementProps("font");
      RefreshFont();
      Next();
      break;
    case S::BR: DoLineBreak(term); break;
    case S::H: DoHeading(term); break;
    case S::HR: DoHorzLine(); Next(); break;
    case S::Pre:
      if (Attr(S::Wrap)) {
        AppendSection();
        Push("pre", &Attrs());
        Next();
      } else {
        DoPreformatted();
      }
      break;
    case S::EndPre:
      CloseElementProps("pre");
      RefreshFont();
      Next();
      break;
    case S::Img: case S::Panel: DoImageOrPanel(sy); Next(); break;
    case S::A: case S::EndA: DoAnchor(); Next(); break;
    case S::Table: DoTable(); break;
    case S::Input: case S::Select: case S::TextArea: DoFormControl(true); break;
    case S::Map: DoMap(true); break;
    case S::Page: DoPage(); Next(); break;
    case S::Script: DoScript(true); break;
    case S::NoBr: case S::EndNoBr:
      noBreak_ = sy == S::NoBr;
      if (section_) section_->NoBreak = noBreak_;
      Next();
      break;
    case S::Wbr:
      if (section_) section_->MarkBreakAfterLast();
      Next();
      break;
    case S::Object: DoObject(false); break;
    default:   // end of H, TEXTAREA, OBJECT, SCRIPT and anything unexpected
      Next();
      break;
  }
}

// ---------------------------------------------------------------------------
// Inline elements

void HtmlParser::DoFontStyle(HtmlSymbol sy) {
  using S = HtmlSymbol;
  if (sy == S::Sub || sy == S::Sup || sy == S::Big || sy == S::Small) EnsureSection();
  TProperties* prop = Push(TagName(sy), &Attrs());
  if (prop != PropStack()[0]) {
    prop->TakeLinkBackground();
    OpenInlineBorder(prop);
  }
  RefreshFont();
}

void HtmlParser::DoFontStyleEnd(HtmlSymbol sy) {
  // The end symbols follow the tags in the same order.
  std::string name = TagName(sy);
  CloseElementProps(name);
  RefreshFont();
}

void HtmlParser::DoFont(bool preformatted) {
  using S = HtmlSymbol;
  const bool baseFont = Sy() == S::BaseFont;
  int size = 0;
  if (const TAttribute* a = Attr(S::Size)) {
    const std::string text = platform::Trim(a->Name);
    if (text.size() >= 2 && (text[0] == '+' || text[0] == '-'))
      size = SaturatedAdd(baseFontSize_, a->Value);
    else
      size = a->Value;
    size = std::clamp(size, 1, 7);
    if (baseFont) baseFontSize_ = size;
  }
  platform::Colour colour = 0;
  bool hasColour = false;
  if (const TAttribute* a = Attr(S::Color)) hasColour = ColorFromString(a->Name, false, colour);
  std::string family;
  if (!baseFont)
    if (const TAttribute* a = Attr(S::Face)) family = FirstInstalledFamily(a->Name);
  int charset = 0;
  bool hasCharset = false;
  if (const TAttribute* a = Attr(S::Charset); a && !R().CharsetFixed)
    hasCharset = CharsetFromString(a->Name, charset);

  TProperties* prop = Push("font", &Attrs());
  if (prop == PropStack()[0]) return;
  prop->TakeLinkBackground();
  OpenInlineBorder(prop);
  if (hasColour) prop->Assign(PropValue::FromColour(colour | PaletteRelative()), PropColor);
  if (size > 0) {
    const auto& row = preformatted ? FontSizes().pre : FontSizes().normal;
    prop->Assign(PropValue(row[size - 1]), PropFontSize);
  }
  if (!family.empty()) prop->Assign(PropValue(family), PropFontFamily);
  if (hasCharset) {
    prop->SetCharset(charset);
    R().ViewerCodePage = prop->CodePage;
  }
}

void HtmlParser::DoLineBreak(const SymbolSet& term) {
  if (term[HtmlSymbol::BR]) return;
  TAttributeList* attributes = KeepAttributes();
  const bool clear = attributes->Find(HtmlSymbol::Clear) != nullptr;
  if (clear) {
    AppendSection();
    section_ = NewSection(attributes);
  } else {
    EnsureSection();
    section_->AddChar(kBreakChar, R().TagPos);
    AppendSection();
  }
  const bool pageBreak = BreaksPage(*attributes);
  if (pageBreak) {
    AppendSection();
    AppendToCell(std::make_unique<TPage>(list_));
  }
  if (!clear || pageBreak) section_ = NewSection(attributes);
  Next();
}

bool HtmlParser::BreaksPage(TAttributeList& brAttributes) {
  TPropStack& stack = PropStack();
  if (stack.Count() >= kMaxOpenElements) return false;
  TProperties* prop = stack.PushNewProps(list_->Styles, "br", brAttributes.GetClass(), {}, {}, {},
                                         brAttributes.GetStyle());
  bool before = false, after = false, intact = false;
  prop->GetPageBreaks(before, after, intact);
  CloseElementProps("br");
  return before || after;
}

void HtmlParser::DoHorzLine() {
  AppendSection();
  TAttributeList* attributes = &Attrs();
  TProperties* prop = Push("hr", attributes);
  if (currentCell_) {
    auto line = std::make_unique<THorzLine>(list_, attributes, prop);
    auto block = std::make_unique<THRBlock>(list_, *prop, currentCell_, attributes);
    block->Align = line->Align;
    THRBlock* raw = block.get();
    AppendToCell(std::move(block));
    raw->MyCell.Add(std::move(line), R().TagPos);
  }
  CloseElementProps("hr");
}

void HtmlParser::DoImageOrPanel(HtmlSymbol sy) {
  EnsureSection();
  const bool image = sy == HtmlSymbol::Img;
  TProperties* prop = Push(image ? "img" : "panel", &Attrs());
  OpenInlineBorder(prop);
  if (image) {
    if (TImageObj* obj = section_->AddImage(Attrs(), R().TagPos)) obj->ProcessProperties(*prop);
  } else {
    if (TPanelObj* obj = section_->AddPanel(Attrs(), R().TagPos)) obj->ProcessProperties(*prop);
  }
  CloseElementProps(image ? "img" : "panel");
}

void HtmlParser::DoPage() {
  AppendSection();
  AppendToCell(std::make_unique<TPage>(list_));
}

// ---------------------------------------------------------------------------
// Links

void HtmlParser::CloseLink() {
  if (inLink_) {
    urlTarget_->SetLast(list_->Links, R().CharCount, [](TFontObj* run) { return run->UrlTarget.get(); });
    inLink_ = false;
  }
  CloseElementProps("a");
  if (section_) section_->SetLink(false, *Top(), nullptr);
}

void HtmlParser::DoAnchor() {
  using S = HtmlSymbol;
  if (Sy() == S::EndA) {
    CloseLink();
    return;
  }
  const TAttribute* href = Attr(S::Href);
  std::string pseudo;
  if (href) {
    CloseLink();
    inLink_ = true;
    const TAttribute* target = Attr(S::Target);
    urlTarget_->Assign(href->Name, target ? target->Name : std::string(), &Attrs(),
                       R().CharCount);
    pseudo = "link";
  }
  TProperties* prop = Push("a", &Attrs(), pseudo);
  if (prop != PropStack()[0]) {
    prop->TakeLinkBackground();
    OpenInlineBorder(prop);
  }
  if (section_) RefreshFont();
  else EnsureSection();
  if (const TAttribute* name = Attr(S::Name)) {
    std::string n = platform::UpperCase(name->Name);
    if (!n.empty() && n[0] == '#') n.erase(0, 1);
    if (!n.empty()) {
      list_->AddChPosObject(n, R().CharCount);
      section_->HoldsAnchor = true;
    }
  }
  if (href) section_->SetLink(true, *Top(), urlTarget_.get());
}

// ---------------------------------------------------------------------------
// Headings and paragraphs

void HtmlParser::DoHeading(const SymbolSet& term) {
  using S = HtmlSymbol;
  const int level = R().HeadingLevel;
  if (level < 1 || level > 6 || depth_ >= kMaxBlockNesting) {
    Next();
    return;
  }
  DepthGuard guard(depth_);
  AppendSection();
  const std::string tag = "h" + std::to_string(level);
  TAttributeList* attributes = KeepAttributes();
  TProperties* prop = Push(tag, attributes);
  if (prop != PropStack()[0]) ApplyAlign(prop, attributes);
  SkipWhiteSpace();
  Next();
  if (Sy() == S::Center) {
    if (prop != PropStack()[0]) prop->Assign(PropValue("center"), PropTextAlign);
    Next();
  }
  TCellBasic* saved = currentCell_;
  OpenBlock(*Top(), attributes);
  section_ = NewSection(nullptr);
  static const SymbolSet headingSet{
      S::TextToken, S::B, S::I, S::Em, S::Strong, S::U, S::Cite, S::Var, S::HR, S::TT,
      S::Code, S::Kbd, S::Samp, S::EndB, S::EndI, S::EndEm, S::EndStrong, S::EndU, S::EndCite,
      S::EndVar, S::EndTT, S::EndCode, S::EndKbd, S::EndSamp, S::BR, S::Img, S::A, S::EndA,
      S::Input, S::Select, S::TextArea, S::EndTextArea, S::Font, S::EndFont, S::BaseFont,
      S::Sub, S::Sup, S::Big, S::Small, S::EndSub, S::EndSup, S::EndBig, S::EndSmall,
      S::Script, S::EndScript, S::S, S::Strike, S::EndS, S::EndStrike, S::Panel, S::NoBr,
      S::EndNoBr, S::Wbr, S::Span, S::Label, S::EndSpan, S::EndLabel, S::Object, S::EndObject};
  for (;;) {
    const HtmlSymbol sy = Sy();
    if (sy == S::EndOfText) break;
    if (headingSet[sy]) ParseInline(term);
    else if (sy == S::P) {
      if (term[sy]) break;
      DoParagraph(term);
    } else if (sy == S::Div) DoDiv(term);
    else if (sy == S::UnknownTag) Next();
    else break;
  }
  AppendSection();
  CloseElementProps(tag);
  RefreshFont();
  currentCell_ = saved;
  if (Sy() == S::EndH) Next();
}

void HtmlParser::DoParagraph(const SymbolSet& term) {
  using S = HtmlSymbol;
  if (term[S::P]) return;
  if (depth_ >= kMaxBlockNesting) {
    Next();
    return;
  }
  DepthGuard guard(depth_);
  AppendSection();
  SkipWhiteSpace();
  TAttributeList* attributes = KeepAttributes();
  Next();
  while (Sy() == S::P || Sy() == S::EndP) {
    if (Sy() == S::P) attributes = KeepAttributes();
    SkipWhiteSpace();
    Next();
  }
  TProperties* prop = Push("p", attributes);
  if (prop != PropStack()[0]) ApplyAlign(prop, attributes);
  TCellBasic* saved = currentCell_;
  TBlock* block = OpenBlock(*Top(), attributes);
  static const SymbolSet paragraphSet{
      S::TextToken, S::UnknownTag, S::B, S::I, S::Em, S::Strong, S::U, S::Cite, S::Var, S::TT,
      S::Code, S::Kbd, S::Samp, S::EndB, S::EndI, S::EndEm, S::EndStrong, S::EndU, S::EndCite,
      S::EndVar, S::EndTT, S::EndCode, S::EndKbd, S::EndSamp, S::BR, S::Img, S::A, S::EndA,
      S::Input, S::TextArea, S::EndTextArea, S::Select, S::Font, S::EndFont, S::BaseFont,
      S::Sub, S::Sup, S::Big, S::Small, S::EndSub, S::EndSup, S::EndBig, S::EndSmall, S::Map,
      S::Page, S::Script, S::EndScript, S::S, S::Strike, S::EndS, S::EndStrike, S::Panel,
      S::NoBr, S::EndNoBr, S::Wbr, S::Span, S::Label, S::EndSpan, S::EndLabel, S::Object,
      S::EndObject};
  while (!term[Sy()] && paragraphSet[Sy()]) {
    if (Sy() == S::UnknownTag) Next();
    else ParseInline(term);
  }
  if (Sy() == S::Table) block->SetBottomMargin(0);
  AppendSection();
  CloseElementProps("p");
  RefreshFont();
  currentCell_ = saved;
  if (Sy() == S::EndP) Next();
}

// ---------------------------------------------------------------------------
// Lists

void HtmlParser::DoLists(HtmlSymbol sym, const SymbolSet& term) {
  using S = HtmlSymbol;
  DepthGuard guard(depth_);
  int number = 1;
  char type = '1';
  bool plain = false;
  TAttributeList* attributes = KeepAttributes();
  if (sym == S::OL) {
    if (const TAttribute* a = attributes->Find(S::Start); a && a->Value >= 0) number = a->Value;
    if (const TAttribute* a = attributes->Find(S::Type); a && !a->Name.empty()) type = a->Name[0];
  } else if (sym == S::UL) {
    if (attributes->Find(S::Plain)) plain = true;
    if (const TAttribute* a = attributes->Find(S::Type)) {
      const std::string v = platform::LowerCase(platform::Trim(a->Name));
      if (v == "none" || v == "plain") plain = true;
    }
  }
  const bool isList = sym == S::OL || sym == S::UL || sym == S::Dir || sym == S::Menu;
  AppendSection();
  const std::string name = TagName(sym);
  Push(name, attributes);
  TCellBasic* saved = currentCell_;
  TBlock* block = OpenBlock(*Top(), attributes);
  Next();
  switch (Sy()) {
    case S::EndOL: case S::EndUL: case S::EndDir: case S::EndMenu: case S::EndDL:
    case S::EndBlockQuote:
      CloseElementProps(TagName(Sy()));
      currentCell_ = saved;
      return;
    default:
      break;
  }
  if (isList) ++listLevel_;
  const HtmlSymbol endSym = EndSymbolOf(sym);
  const SymbolSet inner = term + SymbolSet{endSym};
  static const SymbolSet blockTerms{S::EndOL, S::LI, S::EndUL, S::EndDir, S::EndMenu,
                                    S::EndDL, S::DD, S::DT, S::EndOfText};
  while (Sy() != endSym && Sy() != S::EndOfText && !term[Sy()]) {
    const HtmlSymbol sy = Sy();
    if (sy == S::P) {
      DoParagraph(inner);
      if (Sy() == S::P && inner[S::P]) break;
    } else if (IsListSymbol(sy)) {
      if (Flatten()) continue;
      DoLists(sy, inner);
      if (Sy() == EndSymbolOf(sy)) Next();
    } else if (sy == S::LI || sy == S::DD || sy == S::DT) {
      if (Flatten()) continue;
      if (sy == S::LI)
        if (const TAttribute* v = Attr(S::Value); v && v->Value != 0) number = v->Value;
      DoListItem(sym, sy, number, plain, type, inner);
      number = SaturatedAdd(number, 1);
    } else if (sy == S::Address || sy == S::BlockQuote) {
      DoAddress(inner);
    } else if (sy == S::Form) {
      DoForm(inner + blockTerms);
    } else if (sy == S::Div) {
      DoDiv(inner + blockTerms);
    } else if (sy == S::Center) {
      DoCenter(inner + blockTerms);
    } else if (sy == S::Table || InlineSymbols()[sy]) {
      ParseInline(inner);
    } else {
      Next();
    }
  }
  if (isList) --listLevel_;
  AppendSection();
  if (currentCell_->CheckLastBottomMargin()) block->SetDefaultBottomMargin();
  CloseElementProps(name);
  RefreshFont();
  currentCell_ = saved;
}

void HtmlParser::DoListItem(HtmlSymbol listSym, HtmlSymbol itemSym, int number, bool plain,
                            char type, const SymbolSet& term) {
  using S = HtmlSymbol;
  DepthGuard guard(depth_);
  AppendSection();
  TAttributeList* attributes = KeepAttributes();
  const std::string name = TagName(itemSym);
  Push(name, attributes);
  TCellBasic* saved = currentCell_;
  auto item = std::make_unique<TBlockLI>(list_, *Top(), currentCell_, listSym, itemSym, plain,
                                         type, number, listLevel_, attributes);
  TBlockLI* raw = item.get();
  AppendToCell(std::move(item));
  currentCell_ = &raw->MyCell;
  section_ = NewSection(nullptr);
  TSection* opened = section_.get();
  SkipWhiteSpace();
  Next();
  static const SymbolSet itemSet{
      S::TextToken, S::B, S::I, S::Em, S::Strong, S::U, S::Cite, S::Var, S::TT, S::Code,
      S::Kbd, S::Samp, S::EndB, S::EndI, S::EndEm, S::EndStrong, S::EndU, S::EndCite, S::EndVar,
      S::EndTT, S::EndCode, S::EndKbd, S::EndSamp, S::BR, S::H, S::Img, S::A, S::EndA, S::Input,
      S::TextArea, S::EndTextArea, S::Select, S::Font, S::EndFont, S::BaseFont, S::Sub, S::Sup,
      S::Big, S::Small, S::EndSub, S::EndSup, S::EndBig, S::EndSmall, S::Map, S::Page, S::Script,
      S::EndScript, S::S, S::Strike, S::EndS, S::EndStrike, S::Panel, S::NoBr, S::EndNoBr,
      S::Wbr, S::Span, S::Label, S::Object, S::EndSpan, S::EndLabel, S::EndObject};
  const bool inList = IsListSymbol(listSym);
  for (;;) {
    const HtmlSymbol sy = Sy();
    if (sy == S::EndOfText || term[sy]) break;
    if (itemSet[sy]) {
      ParseInline(term);
    } else if (sy == S::Table) {
      DoTable();
    } else if (sy == S::Form) {
      DoForm(term);
    } else if (sy == S::Div) {
      DoDiv(term);
    } else if (sy == S::Center) {
      DoCenter(term);
    } else if (sy == S::Address || sy == S::BlockQuote) {
      DoAddress(term);
    } else if (IsListSymbol(sy)) {
      if (Flatten()) continue;
      DoLists(sy, term);
      currentCell_->CheckLastBottomMargin();
      if (Sy() == EndSymbolOf(sy)) Next();
    } else if (sy == S::P) {
      if (!inList) break;
      DoParagraph(term);
      if (Sy() == S::P) break;   // P was the caller's terminator
    } else if (sy == S::EndP || sy == S::UnknownTag) {
      Next();
    } else {
      break;
    }
  }
  if (section_ && section_.get() == opened && section_->Text.empty())
    section_->AddChar(kNoBreakSpace, R().TagPos);
  AppendSection();
  currentCell_->CheckLastBottomMargin();
  CloseElementProps(name);
  RefreshFont();
  currentCell_ = saved;
}

// ---------------------------------------------------------------------------
// Block elements

void HtmlParser::DoDiv(const SymbolSet& term) {
  using S = HtmlSymbol;
  if (Flatten()) return;
  DepthGuard guard(depth_);
  AppendSection();
  TAttributeList* attributes = KeepAttributes();
  TProperties* prop = Push("div", attributes);
  if (prop != PropStack()[0]) ApplyAlign(prop, attributes);
  TCellBasic* saved = currentCell_;
  TBlock* block = OpenBlock(*Top(), attributes);
  section_ = NewSection(nullptr);
  Next();
  ParseBody(term + SymbolSet{S::EndDiv});
  AppendSection();
  CloseElementProps("div");
  if (currentCell_->CheckLastBottomMargin()) block->SetDefaultBottomMargin();
  currentCell_ = saved;
  section_ = NewSection(nullptr);
  if (Sy() == S::EndDiv) Next();
}

void HtmlParser::DoForm(const SymbolSet& term) {
  using S = HtmlSymbol;
  while (Sy() == S::Form) {
    if (Flatten()) return;
    DepthGuard guard(depth_);
    AppendSection();
    TAttributeList* attributes = KeepAttributes();
    Push("form", attributes);
    TCellBasic* saved = currentCell_;
    TBlock* block = OpenBlock(*Top(), attributes);
    try {
      form_ = ThtmlForm::Create(list_, attributes);
    } catch (const EProcessError&) {
      form_ = nullptr;   // a document that keeps no forms
    }
    Next();
    ParseBody(term + SymbolSet{S::Form, S::EndForm});
    AppendSection();
    CloseElementProps("form");
    if (currentCell_->CheckLastBottomMargin()) block->SetDefaultBottomMargin();
    currentCell_ = saved;
    if (Sy() == S::EndForm) {
      form_ = nullptr;
      Next();
    }
    if (term[S::Form]) break;
  }
}

void HtmlParser::DoCenter(const SymbolSet& term) {
  using S = HtmlSymbol;
  if (Flatten()) return;
  DepthGuard guard(depth_);
  AppendSection();
  Push("center", nullptr);
  Next();
  ParseBody(term + SymbolSet{S::EndCenter});
  AppendSection();
  CloseElementProps("center");
  RefreshFont();
  if (Sy() == S::EndCenter) Next();
}

void HtmlParser::DoAddress(const SymbolSet& term) {
  using S = HtmlSymbol;
  if (Flatten()) return;
  AppendSection();
  DoLists(Sy(), term + SymbolSet{S::EndAddress, S::EndBlockQuote});
  if (Sy() == S::EndAddress || Sy() == S::EndBlockQuote) Next();
}

// ---------------------------------------------------------------------------
// BODY

void HtmlParser::DoBody() {
  using S = HtmlSymbol;
  // Only a BODY before any content, outside tables and open blocks, starts
  // the body again; the rest are ignored.
  if (!body_ || body_->MyCell.Count() > 0 || tableLevel_ > 0 || depth_ > 0 || preDepth_ > 0 ||
      currentCell_ != &body_->MyCell) {
    Next();
    return;
  }
  DropSection(std::move(section_));
  form_ = implicitForm_ = nullptr;
  list_->ClearForms();
  TAttributeList* attributes = KeepAttributes();
  TProperties* prop = Push("body", attributes);
  int vertical = events_.MarginHeight, horizontal = events_.MarginWidth;
  auto margin = [&](HtmlSymbol which, int& target) {
    if (const TAttribute* a = attributes->Find(which)) target = std::clamp(a->Value, 0, 200);
  };
  margin(S::TopMargin, vertical);
  margin(S::MarginHeight, vertical);
  margin(S::LeftMargin, horizontal);
  margin(S::MarginWidth, horizontal);
  platform::Colour colour = 0;
  if (prop != PropStack()[0]) {
    if (const TAttribute* a = attributes->Find(S::BgColor); a && ColorFromString(a->Name, false, colour))
      prop->Assign(PropValue::FromColour(colour | PaletteRelative()), PropBackgroundColor);
    if (const TAttribute* a = attributes->Find(S::Text); a && ColorFromString(a->Name, false, colour))
      prop->Assign(PropValue::FromColour(colour | PaletteRelative()), PropColor);
    if (const TAttribute* a = attributes->Find(S::Background))
      prop->Assign(PropValue("url(" + a->Name + ")"), PropBackgroundImage);
    if (const TAttribute* a = attributes->Find(S::BgProperties);
        a && platform::SameText(platform::Trim(a->Name), "fixed"))
      prop->Assign(PropValue("fixed"), PropBackgroundAttachment);
  }
  if (const TAttribute* a = attributes->Find(S::Link); a && ColorFromString(a->Name, false, colour))
    list_->Styles.ModifyLinkColor("link", colour);
  if (const TAttribute* a = attributes->Find(S::VLink); a && ColorFromString(a->Name, false, colour))
    list_->Styles.ModifyLinkColor("visited", colour);
  if (const TAttribute* a = attributes->Find(S::OLink); a && ColorFromString(a->Name, false, colour)) {
    list_->Styles.ModifyLinkColor("hover", colour);
    list_->LinksActive = true;
  }
  if (prop != PropStack()[0]) {
    prop->Assign(PropValue(horizontal), PropMarginLeft);
    prop->Assign(PropValue(horizontal), PropMarginRight);
    prop->Assign(PropValue(vertical), PropMarginTop);
    prop->Assign(PropValue(vertical), PropMarginBottom);
  }
  for (int i = 0; i < list_->Count(); ++i)
    if ((*list_)[i] == body_) {
      list_->Delete(i);
      break;
    }
  auto body = std::make_unique<TBodyBlock>(list_, *Top(), list_, attributes);
  body_ = body.get();
  list_->Add(std::move(body), R().TagPos);
  currentCell_ = &body_->MyCell;
  section_ = NewSection(nullptr);
  Next();
}

// ---------------------------------------------------------------------------
// Head elements

void HtmlParser::DoTitle() {
  Next();
  while (Sy() == HtmlSymbol::TextToken) {
    Title += R().Token->S();
    Next();
  }
}

void HtmlParser::DoBase() {
  if (const TAttribute* a = Attr(HtmlSymbol::Href)) Base = a->Name;
  if (const TAttribute* a = Attr(HtmlSymbol::Target)) BaseTarget = a->Name;
}

void HtmlParser::DoSound() {
  const TAttribute* src = Attr(HtmlSymbol::Src);
  if (!events_.Sound || !src) return;
  const TAttribute* loop = Attr(HtmlSymbol::Loop);
  events_.Sound(src->Name, loop ? loop->Value : 1, false);
}

void HtmlParser::DoMeta() {
  std::string equiv, name, content;
  if (const TAttribute* a = Attr(HtmlSymbol::HttpEquiv)) equiv = a->Name;
  if (const TAttribute* a = Attr(HtmlSymbol::Name)) name = a->Name;
  if (const TAttribute* a = Attr(HtmlSymbol::Content)) content = a->Name;
  // The short form, <meta charset=...>, says what the long one says.
  if (const TAttribute* a = Attr(HtmlSymbol::Charset)) ApplyCharsetName(a->Name);
  else ApplyMetaCharset(equiv, content);
  if (events_.Meta) events_.Meta(equiv, name, content);
}

void HtmlParser::DoStyle() { ParseStyleElement(list_->Styles); }

void HtmlParser::DoLink() {
  std::string href, rel, rev;
  if (const TAttribute* a = Attr(HtmlSymbol::Href)) href = a->Name;
  if (const TAttribute* a = Attr(HtmlSymbol::Rel)) rel = a->Name;
  if (const TAttribute* a = Attr(HtmlSymbol::Rev)) rev = a->Name;
  if (platform::SameText(platform::Trim(rel), "stylesheet") && !href.empty()) LoadLinkedSheet(href);
  if (events_.Link) events_.Link(rel, rev, href);
}

void HtmlParser::LoadLinkedSheet(const std::string& href) {
  // A sheet that cannot be had is left out; the page goes on without it.
  std::string data, linkPath;
  bool have = false;
  try {
    bool expanded = false;
    if (events_.StreamRequest) {
      std::string url = href;
      expanded = list_->ExpandName(url);
      if (expanded) linkPath = UrlBase(url);
      platform::TStream* stream = nullptr;
      events_.StreamRequest(url, stream);
      if (stream) {
        const int64_t size = stream->Size();
        if (size > 0 && size < (int64_t(1) << 28)) {
          data.resize(static_cast<size_t>(size));
          stream->SetPosition(0);
          const int64_t got = stream->Read(data.data(), size);
          data.resize(static_cast<size_t>(std::max<int64_t>(got, 0)));
        }
        have = true;
      }
    }
    if (!have && !expanded) {
      const std::string file = list_->ExpandDocFileName(href);
      // Only a plain file of a sensible size: a device or a pipe named by a
      // page would never end.
      std::error_code error;
      const bool plainFile = std::filesystem::is_regular_file(file, error) &&
                             std::filesystem::file_size(file, error) < kMaxLinkedSheetSize &&
                             !error;
      std::ifstream in;
      if (plainFile) in.open(file, std::ios::binary);
      if (plainFile && in) {
        data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        const size_t slash = file.find_last_of("/\\");
        linkPath = slash == std::string::npos ? std::string() : file.substr(0, slash + 1);
        have = true;
      }
    }
  } catch (const std::exception&) {
    return;
  }
  if (have && !data.empty()) ParseLinkedStyleSheet(list_->Styles, data, linkPath);
}

// ---------------------------------------------------------------------------
// The whole document

void HtmlParser::ParseDocument(std::string text) {
  HtmlReaderState& r = R();
  r.IncludeEvent = events_.Include;
  r.Progress = events_.Progress;
  r.IDList = &list_->IDNameList;
  TPropStack& stack = PropStack();
  stack.Clear();
  auto root = std::make_unique<TProperties>();
  if (const TProperties* defaults = list_->Styles.DefProp()) root->CopyDefault(*defaults);
  stack.Add(std::move(root));
  BeginReading(std::move(text));
  try {
    list_->NoLinkTabStops = CountLinks() > kLinkTabStopLimit;
  } catch (...) {
  }
  RewindReader();

  auto body = std::make_unique<TBodyBlock>(list_, *stack[0], list_, nullptr);
  body_ = body.get();
  list_->Add(std::move(body), 0);
  currentCell_ = &body_->MyCell;
  section_ = NewSection(nullptr);
  try {
    GetCharSkip();
    Next();
    ParseBody(SymbolSet{});
  } catch (const std::exception&) {
    // The end of the text inside a comment, a resource that ran out: the
    // document ends here with what was built.
  }
  AppendSection();
  r.IncludeEvent = nullptr;
  r.Progress = nullptr;
  r.IDList = nullptr;
  stack.Clear();
  urlTarget_.reset();
}

// ---------------------------------------------------------------------------
// Entry points

namespace {

void Finish(const HtmlParser& parser) {
  Info().Title = parser.Title;
  Info().Base = parser.Base;
  Info().BaseTarget = parser.BaseTarget;
}

}  // namespace

void ParseHtmlDocument(const std::string& text, TSectionList& list, const TParserEvents& events) {
  InitDocParser();
  HtmlParser parser(list, events);
  parser.ParseDocument(text);
  Finish(parser);
}

void ParsePlainText(const std::string& text, TSectionList& list, const TParserEvents& events) {
  InitDocParser();
  HtmlParser parser(list, events);
  parser.ParsePlain(text);
  Finish(parser);
}

const std::u16string& DocumentTitle() { return Info().Title; }
const std::string& DocumentBase() { return Info().Base; }
const std::string& DocumentBaseTarget() { return Info().BaseTarget; }

void InitDocParser() {
  InitVocabulary();
  InitStyleProps();
  InitHtmlReader();
}

void DoneDocParser() {
  Info() = DocumentInfo{};
  PropStack().Clear();
}

}  // namespace htmlview
