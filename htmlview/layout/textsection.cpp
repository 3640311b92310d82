#include "htmlview/layout/textsection.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <memory>

#include "htmlview/layout/cells.h"
#include "htmlview/parse/attributes.h"
#include "htmlview/layout/docroot.h"
#include "htmlview/layout/layoutdump.h"
#include "htmlview/layout/panelobj.h"
#include "htmlview/parse/vocabulary.h"
#include "platform/fonts.h"
#include "platform/scopeguard.h"
#include "platform/sysutils.h"

namespace htmlview {

namespace {

bool IsIdeographic(char16_t ch) { return ch >= kFirstIdeographic; }
bool IsObjectChar(char16_t ch) { return ch == kFormControlChar || ch == kImageChar; }

// The TABINDEX of a link, from the attribute lines its target keeps.
int TabIndexOf(const TUrlTarget& target) {
  size_t at = 0;
  while (at < target.Attr.size()) {
    size_t end = target.Attr.find('\n', at);
    if (end == std::string::npos) end = target.Attr.size();
    std::string line = target.Attr.substr(at, end - at);
    at = end + 1;
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
    const size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    if (!platform::SameText(std::string_view(line).substr(0, eq), "TABINDEX")) continue;
    try {
      return std::stoi(line.substr(eq + 1));
    } catch (const std::exception&) {
      return 0;
    }
  }
  return 0;
}

// The smaller size of small caps: four fifths of the em.
// WBR and a soft hyphen let a line end after their character whatever it is.
bool BreaksAfter(TBreak b) { return b == TBreak::After || b == TBreak::SoftHyphen; }

TMyFont SmallCapsFont(const TMyFont& normal) {
  TMyFont small = normal;
  small.height = static_cast<int>(std::lround(normal.height * 0.8));
  if (small.height == 0) small.height = normal.height;
  MeasureFont(small);
  return small;
}

}  // namespace

size_t TFillPositions::PlaceOf(int i) const {
  const std::vector<IndexObj>& places = fill_->places;
  const auto it = std::upper_bound(places.begin(), places.end(), i,
                                   [](int index, const IndexObj& place) { return index < place.Pos; });
  return static_cast<size_t>(it - places.begin()) - 1;
}

int TFillPositions::operator[](size_t i) const {
  const IndexObj& place = fill_->places[PlaceOf(static_cast<int>(i))];
  return place.Index + (static_cast<int>(i) - place.Pos);
}

void TFillPositions::push_back(int pos) { AppendStretch(pos, 1); }

void TFillPositions::AppendStretch(int first, int n) {
  if (n <= 0) return;
  if (!fill_) fill_ = std::make_unique<Fill>();
  if (fill_->size == 0 || first != fill_->last + 1) fill_->places.push_back({fill_->size, first});
  fill_->size += n;
  fill_->last = first + n - 1;
}

void TFillPositions::EraseAt(size_t at) {
  const int i = static_cast<int>(at);
  // The characters either side of it become neighbours: only there may a
  // place now begin or end.
  const int size = fill_->size;
  const int before = i > 0 ? (*this)[at - 1] : 0;
  const int after = i + 1 < size ? (*this)[at + 1] : 0;
  std::vector<IndexObj>& places = fill_->places;
  size_t k = PlaceOf(i);
  const int end = k + 1 < places.size() ? places[k + 1].Pos : size;
  if (end - places[k].Pos == 1) {
    places.erase(places.begin() + static_cast<std::ptrdiff_t>(k));
  } else {
    if (places[k].Pos == i) ++places[k].Index;   // the stretch starts one later
    ++k;
  }
  for (size_t m = k; m < places.size(); ++m) --places[m].Pos;
  --fill_->size;
  if (i >= fill_->size) {
    if (fill_->size > 0) fill_->last = back();
    return;
  }
  const auto it = std::lower_bound(places.begin(), places.end(), i,
                                   [](const IndexObj& place, int index) { return place.Pos < index; });
  const bool placed = it != places.end() && it->Pos == i;
  const bool needed = i == 0 || after != before + 1;
  if (needed && !placed) places.insert(it, IndexObj{i, after});
  else if (!needed && placed) places.erase(it);
  fill_->last = back();
}

std::vector<IndexObj> TFillPositions::Places(int count) const {
  std::vector<IndexObj> places;
  if (fill_)
    for (const IndexObj& place : fill_->places)
      if (place.Pos < count) places.push_back(place);
  return places;
}

LineRec* TLineList::Add(LineRec line) {
  if (count_ == capacity_) Reallocate(std::max<uint32_t>(1, 2 * capacity_));
  return std::construct_at(items_ + count_++, std::move(line));
}

void TLineList::Clear() {
  std::destroy(items_, items_ + count_);
  count_ = 0;
}

void TLineList::Reallocate(uint32_t capacity) {
  if (capacity == capacity_) return;
  std::allocator<LineRec> allocator;
  LineRec* items = capacity > 0 ? allocator.allocate(capacity) : nullptr;
  const uint32_t kept = std::min(count_, capacity);
  std::uninitialized_move(items_, items_ + kept, items);
  std::destroy(items_, items_ + count_);
  if (items_) allocator.deallocate(items_, capacity_);
  items_ = items;
  count_ = kept;
  capacity_ = capacity;
}

void TSourceIndex::Assign(const std::vector<IndexObj>& items) {
  first_ = items.empty() ? IndexObj{-1, 0} : items.front();
  more_.reset();
  if (items.size() > 1) {
    more_ = std::make_unique<IndexObj[]>(items.size());
    more_[0] = {static_cast<int>(items.size() - 1), 0};
    std::copy(items.begin() + 1, items.end(), more_.get() + 1);
  }
}

TSection::TSection(TSectionListBase* root, const TMyFont& font, TTextAlign justify)
    : TSectionBase(root), Justify(justify) {
  Fonts.Add(std::make_unique<TFontObj>(this, font, 0));
}

TSection::TSection(TSectionListBase* root, const TAttributeList* attributes, TProperties& prop,
                   const TUrlTarget* linkTarget, bool indentAllowed)
    : TSectionBase(root) {
  const TMyFont font = prop.GetFont();
  TFontObj* run = Fonts.Add(std::make_unique<TFontObj>(this, font, 0));
  run->Title = prop.PropTitle;
  if (linkTarget && !linkTarget->URL.empty()) MakeLinkRun(run, prop, *linkTarget, true);
  LineHeight = prop.GetLineHeight(platform::FontPixelSize(font));
  if (indentAllowed) {
    bool percent = false;
    const int indent = prop.GetTextIndent(percent);
    if (percent) FirstLineIndentPct = static_cast<uint8_t>(std::clamp(indent, 0, 90));
    else FirstLineIndent = indent;
  }
  const PropValue& align = prop.Props[PropTextAlign];
  if (align.IsText())
    Justify = TextAlignOf(align.Text(), {.justify = true}).value_or(TTextAlign::Left);
  const PropValue& wrap = prop.Props[PropWordWrap];
  BreakWord = wrap.IsText() && wrap.Text() == "break-word";
  SmallCaps = prop.GetFontVariant() == "small-caps";
  if (attributes) {
    if (const TAttribute* clear = attributes->Find(HtmlSymbol::Clear))
      ClearAttr = ClearOf(clear->Name, TClearWords::Break).value_or(ClearAttr);
  }
  if (attributes) {
    if (const TAttribute* id = attributes->Find(HtmlSymbol::Id); id && !id->Name.empty()) {
      if (TSectionListObjects* objects = ObjectsOf(Root)) {
        objects->AddIDObject(id->Name, this);
        registeredID_ = true;
      }
    }
  }
  if (TClear clear; prop.GetClear(clear) && clear != TClear::None) ClearAttr = clear;
}

TSection::~TSection() = default;

void TSection::MakeLinkRun(TFontObj* run, TProperties& prop, const TUrlTarget& target,
                           bool tabControl) {
  if (prop.TheFontInfo) run->SetLinkFonts(*prop.TheFontInfo);
  TSectionListObjects* objects = ObjectsOf(Root);
  std::vector<TFontObj*>* links = objects ? objects->LinkList() : nullptr;
  // A run already in the list is a link run (the list holds only those):
  // only a run that was none joins it, at the end.
  const bool listed = run->IsLink();
  run->UrlTarget->Copy(target);
  if (links && !listed) {
    if (!links->empty()) run->ContinueLink(*links->back());
    links->push_back(run);
  }
  if (tabControl && !(objects && objects->TooManyLinks())) run->CreateTabControl(TabIndexOf(target));
}

// ---------------------------------------------------------------------------
// Filling

void TSection::AddChar(char16_t ch, int sourcePos) {
  AppendText(std::u16string_view(&ch, 1), {{0, sourcePos}});
}

void TSection::AddPositions(int n, const std::vector<IndexObj>& places) {
  // Characters given no position at all follow the last one with a gap of
  // one position, as the parser has always numbered them.
  if (places.empty() || places.front().Pos > 0)
    SourcePositions.AppendStretch(SourcePositions.empty() ? 1 : SourcePositions.back() + 2,
                                  places.empty() ? n : std::min(n, places.front().Pos));
  for (size_t k = 0; k < places.size() && places[k].Pos < n; ++k) {
    const int end = k + 1 < places.size() ? std::min(places[k + 1].Pos, n) : n;
    SourcePositions.AppendStretch(places[k].Index, end - places[k].Pos);
  }
  const TBreak flag = (NoBreak || IsPreformatted()) ? TBreak::Never : TBreak::Normal;
  Brk.Append(n, flag);
}

void TSection::AddText(std::u16string_view token, const std::vector<int>& positions) {
  std::vector<IndexObj> places;
  for (size_t i = 0; i < positions.size() && i < token.size(); ++i)
    if (i == 0 || positions[i] != positions[i - 1] + 1)
      places.push_back({static_cast<int>(i), positions[i]});
  AppendText(token, places);
}

void TSection::TakeText(std::u16string&& token, const std::vector<IndexObj>& places) {
  if (!Text.empty() || TextTransform != TTextTransform::None || SmallCaps) {
    AppendText(token, places);
    return;
  }
  if (token.empty() || finished_) return;
  AddPositions(static_cast<int>(token.size()), places);
  Text = std::move(token);   // a long paragraph is not copied
  Len = static_cast<int>(Text.size());
}

void TSection::AppendText(std::u16string_view token, const std::vector<IndexObj>& places) {
  if (token.empty() || finished_) return;
  const int n = static_cast<int>(token.size());
  AddPositions(n, places);
  if (TextTransform == TTextTransform::None && !SmallCaps) {
    Text += token;   // as it comes: a long token is not copied twice
    Len = static_cast<int>(Text.size());
    return;
  }
  // The page's letters map by Unicode's tables, never by the reader's locale.
  const std::u16string transformed = TextTransform == TTextTransform::Upper   ? platform::UnicodeUpperCase(token)
                                     : TextTransform == TTextTransform::Lower ? platform::UnicodeLowerCase(token)
                                                                              : std::u16string(token);
  if (SmallCaps) {
    AppendSmallCaps(transformed);
  } else {
    Text += transformed;
  }
  Len = static_cast<int>(Text.size());
}

void TSection::AppendSmallCaps(std::u16string_view token) {
  const std::u16string upper = platform::UnicodeUpperCase(token);
  const TFontObj* current = Fonts.Count() > 0 ? Fonts[Fonts.Count() - 1] : nullptr;
  if (!current) {
    Text += upper;
    return;
  }
  const TMyFont normal = current->TheFont;
  const TMyFont small = SmallCapsFont(normal);
  bool inSmall = false;
  for (size_t i = 0; i < token.size(); ++i) {
    const char16_t ch = token[i];
    // A surrogate pair is one letter: its halves never go to two runs.
    const bool pair = platform::IsHighSurrogate(ch) && i + 1 < token.size() && platform::IsLowSurrogate(token[i + 1]);
    const bool isDigit = ch >= u'0' && ch <= u'9';
    if (ch != u' ' && !isDigit) {
      const bool lower = upper[i] != ch || (pair && upper[i + 1] != token[i + 1]);
      Len = static_cast<int>(Text.size());
      if (lower && !inSmall) SwitchRunFont(small);
      else if (!lower && inSmall) SwitchRunFont(normal);
      inSmall = lower;
    }
    Text.push_back(upper[i]);
    if (pair) Text.push_back(upper[++i]);
  }
  Len = static_cast<int>(Text.size());
  if (inSmall) SwitchRunFont(normal);   // the next token starts in the normal size
}

void TSection::SwitchRunFont(const TMyFont& font) {
  TFontObj* last = Fonts.Count() > 0 ? Fonts[Fonts.Count() - 1] : nullptr;
  if (!last) return;
  if (last->Pos == Len) {
    last->ReplaceFont(font);
    return;
  }
  auto run = std::make_unique<TFontObj>(this, *last);
  run->Pos = Len;
  run->Title = last->Title;
  run->ReplaceFont(font);
  TFontObj* added = Fonts.Add(std::move(run));
  if (added->IsLink())
    if (TSectionListObjects* objects = ObjectsOf(Root))
      if (std::vector<TFontObj*>* links = objects->LinkList()) {
        // The new piece follows the one it was split from.
        auto at = std::find(links->rbegin(), links->rend(), last);
        links->insert(at == links->rend() ? links->end() : at.base(), added);
        added->ContinueLink(*last);
      }
}

TFontObj* TSection::ChangeFont(const TMyFont& font, TVAlign sscript) {
  TFontObj* last = Fonts.Count() > 0 ? Fonts[Fonts.Count() - 1] : nullptr;
  if (last && last->Pos == Len) {
    last->ReplaceFont(font);
  } else {
    last = Fonts.Add(std::make_unique<TFontObj>(this, font, Len));
  }
  last->SScript = (sscript == TVAlign::Sub || sscript == TVAlign::Super) ? sscript : TVAlign::None;
  return last;
}

TFontObj* TSection::ChangeFont(TProperties& prop) {
  TVAlign align = TVAlign::None;
  TVAlign sscript = TVAlign::None;
  if (prop.GetVertAlign(align) && (align == TVAlign::Sub || align == TVAlign::Super))
    sscript = align;
  TFontObj* run = ChangeFont(prop.GetFont(), sscript);
  run->Title = prop.PropTitle;
  SmallCaps = prop.GetFontVariant() == "small-caps";
  // A run started inside a link carries it on.
  if (prop.InLink && Fonts.Count() > 1) {
    const TFontObj* before = Fonts[Fonts.Count() - 2];
    if (before != run && before->IsLink()) MakeLinkRun(run, prop, *before->UrlTarget, false);
  }
  return run;
}

TFontObj* TSection::SetLink(bool startsLink, TProperties& prop, const TUrlTarget* linkTarget) {
  TVAlign align = TVAlign::None;
  TVAlign sscript = TVAlign::None;
  if (prop.GetVertAlign(align) && (align == TVAlign::Sub || align == TVAlign::Super))
    sscript = align;
  TFontObj* run = ChangeFont(prop.GetFont(), sscript);
  run->Title = prop.PropTitle;
  SmallCaps = prop.GetFontVariant() == "small-caps";
  if (startsLink && linkTarget && !linkTarget->URL.empty()) {
    MakeLinkRun(run, prop, *linkTarget, true);
  } else {
    // The run no longer belongs to a link.
    if (TSectionListObjects* objects = ObjectsOf(Root))
      if (std::vector<TFontObj*>* links = objects->LinkList()) ForgetLinkRun(*links, run);
    if (run->UrlTarget) run->UrlTarget->Clear();
    run->DropLinkFonts();
  }
  return run;
}

TFloatingObj* TSection::AddObject(std::unique_ptr<TFloatingObj> obj, int sourcePos) {
  if (!obj || finished_) return nullptr;
  obj->Pos = Len;
  TFloatingObj* result = MadeObjects().Images.Add(std::move(obj));
  AddChar(kImageChar, sourcePos);
  return result;
}

TImageObj* TSection::AddImage(const TAttributeList& attributes, int sourcePos) {
  if (finished_) return nullptr;
  return static_cast<TImageObj*>(
      AddObject(std::make_unique<TImageObj>(Root, Len, attributes), sourcePos));
}

TPanelObj* TSection::AddPanel(const TAttributeList& attributes, int sourcePos) {
  if (finished_) return nullptr;
  return static_cast<TPanelObj*>(
      AddObject(std::make_unique<TPanelObj>(Root, attributes, Len), sourcePos));
}

TFormControlObj* TSection::AddFormControl(HtmlSymbol tag, const TAttributeList& attributes,
                                          ThtmlForm* form, int sourcePos, TProperties* prop) {
  if (finished_) return nullptr;
  TNewFormControl made;
  try {
    made = CreateFormControl(tag, Root, Len, attributes, form);
  } catch (const EProcessError&) {
    return nullptr;   // a document without forms shows no controls
  }
  TFormControlObj* control = made.Control;
  if (!control) return nullptr;
  if (prop) control->ProcessProperties(*prop);
  // A control whose style gives it a border is drawn inside an inline
  // border of its own placeholder.
  if (prop && prop->HasBorderStyle())
    if (TSectionListObjects* document = ObjectsOf(Root)) {
      document->AddInlineBorder(sourcePos, *prop, true);
      document->AddInlineBorder(sourcePos + 1, *prop, false);
    }
  if (auto* imageControl = dynamic_cast<TImageFormControlObj*>(control)) {
    TImageObj* image = AddImage(attributes, sourcePos);
    image->MyFormControl = imageControl;
    imageControl->LinkImage(image);
    if (prop) image->ProcessProperties(*prop);
  } else if (made.Browse) {
    AddFormControlObj(control, sourcePos);
    Brk.SetLast(TBreak::Never);
    AddFormControlObj(made.Browse, sourcePos);
    Brk.SetLast(TBreak::Never);
  } else if (!dynamic_cast<THiddenFormControlObj*>(control)) {
    AddFormControlObj(control, sourcePos);
  }
  return control;
}

void TSection::AddFormControlObj(TFormControlObj* control, int sourcePos) {
  if (!control || finished_) return;
  control->Pos = Len;
  MadeObjects().FormControls.Add(control);
  AddChar(kFormControlChar, sourcePos);
}

void TSection::MarkBreakAfterLast() {
  if (!Brk.Empty() && !finished_) Brk.SetLast(TBreak::After);
}

void TSection::DeleteChar(int i) {
  Text.erase(i, 1);
  Brk.Erase(i);
  if (i < static_cast<int>(SourcePositions.size())) SourcePositions.EraseAt(static_cast<size_t>(i));
  for (TFormControlObj* c : FormControls())
    if (c->Pos > i) --c->Pos;
  Fonts.Decrement(i, Root);
  if (objects_) objects_->Images.Decrement(i);
}

void TSection::Finish(int endSourcePos) {
  if (finished_) return;
  finished_ = true;
  // Preformatted text keeps its spaces as they come: it only gets the blank
  // every line ends with.
  const bool pre = IsPreformatted();
  // Room for the final blank and the closing code, made at the size they
  // end at: a long text is not copied into a doubled buffer and then again
  // into a fitting one.
  Brk.Reserve(Brk.Size() + 2);
  if (pre) AppendFinalSpace(endSourcePos);
  // Leading spaces.
  while (!pre && !Text.empty() && Text[0] == u' ') DeleteChar(0);
  // Soft hyphens leave a break flag on the character before them.
  for (int i = 0; i < static_cast<int>(Text.size());) {
    if (Text[i] == kSoftHyphen) {
      if (i > 0 && Brk[i - 1] != TBreak::Never) Brk.Set(i - 1, TBreak::SoftHyphen);
      DeleteChar(i);
    } else {
      ++i;
    }
  }
  // Double spaces: keep the one that carries the break.
  for (int i = 0; !pre && i + 1 < static_cast<int>(Text.size());) {
    if (Text[i] == u' ' && Text[i + 1] == u' ') {
      DeleteChar(Brk[i] != TBreak::Never ? i + 1 : i);
    } else {
      ++i;
    }
  }
  // A space after a floating image.
  for (int i = pre ? -1 : static_cast<int>(Text.size()) - 2; i >= 0; --i) {
    if (Text[i] == kImageChar && Text[i + 1] == u' ') {
      TFloatingObj* obj = Images().FindImage(i);
      if (obj && obj->Floating()) DeleteChar(i + 1);
    }
  }
  // Spaces around forced breaks.
  for (int i = 0; !pre && i < static_cast<int>(Text.size()); ++i) {
    if (Text[i] != kBreakChar) continue;
    if (i > 0 && Text[i - 1] == u' ') {
      DeleteChar(i - 1);
      --i;
    }
    if (i + 1 < static_cast<int>(Text.size()) && Text[i + 1] == u' ') DeleteChar(i + 1);
  }
  if (!pre) {
    if (Text.size() > 1 && Text.back() == kBreakChar) DeleteChar(static_cast<int>(Text.size()) - 1);
    if (Text.size() > 1 && Text.back() == u' ') DeleteChar(static_cast<int>(Text.size()) - 1);
    // Every non-empty text ends with a space (the line breaker relies on it).
    if (!Text.empty() && Text != std::u16string(1, kBreakChar) && Text.back() != u' ')
      AppendFinalSpace(endSourcePos);
  }
  Len = static_cast<int>(Text.size());
  if (Len > 0) {
    Brk.Append(1, TBreak::Normal);
    SIndexList.Assign(SourcePositions.Places(Len));
    if (TSectionListObjects* objects = ObjectsOf(Root)) SectionNumber = objects->NumberSection();
  }
  SourcePositions.Release();
  // Grown by appending: the reserve goes now that the text is complete.
  Text.shrink_to_fit();
  Brk.ShrinkToFit();
}

void TSection::AppendFinalSpace(int sourcePos) {
  // The closing blank never stands before the text it closes (the last tag
  // read may lie behind it, as at the end of the document).
  if (!SourcePositions.empty()) sourcePos = std::max(sourcePos, SourcePositions.back() + 1);
  const int oldEnd = static_cast<int>(Text.size());
  Text.push_back(u' ');
  Brk.Append(1, TBreak::Normal);
  SourcePositions.push_back(sourcePos);
  TFontObj* last = Fonts.Count() > 0 ? Fonts[Fonts.Count() - 1] : nullptr;
  if (last && last->Pos == oldEnd && Fonts.Count() > 1) last->Pos = oldEnd + 1;
}

bool TSection::CloseForCell(int tagIndex) {
  Finish(tagIndex);
  if (IsPreformatted() || Len > 0 || Images().Count() > 0 || FormControls().Count() > 0 ||
      HoldsAnchor)
    return true;
  // The cell frees the section: nothing of the document may point at it.
  if (TSectionListObjects* objects = ObjectsOf(Root)) {
    if (std::vector<TFontObj*>* links = objects->LinkList())
      for (const auto& run : Fonts) ForgetLinkRun(*links, run.get());
  }
  if (registeredID_)
    if (TSectionListForms* forms = FormsOf(Root)) forms->RemoveIDObject(this);
  return false;
}

int TSection::SourcePosOfIndex(int index) const {
  if (index < 0 || index >= Len || SIndexList.empty()) return -1;
  int result = -1;
  for (size_t k = 0; k < SIndexList.size(); ++k) {
    const IndexObj& io = SIndexList[k];
    if (io.Pos > index) break;
    result = io.Index + (index - io.Pos);
  }
  return result;
}

int TSection::SourcePosOf(int pos) { return SourcePosOfIndex(pos - StartCurs); }

// ---------------------------------------------------------------------------
// Measuring

int TSection::RunLength(int i, int limit) const {
  int n = std::min(Fonts.GetFontCountAt(i, Len), limit);
  n = std::min(n, Images().GetImageCountAt(i));
  n = std::min(n, FormControls().GetControlCountAt(i));
  return std::max(1, n);
}

int TSection::NextBreakChar(int from) const {
  if (from < breakFrom_ || from > breakAt_) {
    const size_t at = Text.find(kBreakChar, static_cast<size_t>(std::max(0, from)));
    breakFrom_ = from;
    breakAt_ = at == std::u16string::npos || at > static_cast<size_t>(Len) ? Len : static_cast<int>(at);
  }
  return breakAt_;
}

int TSection::DashWidth(int pos) const {
  const TFontObj* run = Fonts.GetFontObjAt(pos);
  return run ? platform::TextExtent(run->TheFont, std::u16string_view(u"-")).cx : 0;
}

int TSection::TextWidthImpl(int start, int n, bool removeSpaces, int overhangSign) const {
  if (removeSpaces)
    while (n > 0 && (Text[start + n - 1] == u' ' || Text[start + n - 1] == kBreakChar)) --n;
  int result = 0;
  const int end = std::min(start + n, static_cast<int>(Text.size()));
  for (int i = start; i < end;) {
    const char16_t ch = Text[i];
    if (ch == kImageChar) {
      if (TFloatingObj* obj = Images().FindImage(i)) {
        if (!obj->Floating()) result = LayoutAdd(result, obj->ObjWidth + obj->HSpaceL + obj->HSpaceR);
        ++i;
        continue;
      }
    } else if (ch == kFormControlChar) {
      if (TFormControlObj* c = FormControls().FindControl(i)) {
        result = LayoutAdd(result, c->Width() + c->HSpaceL + c->HSpaceR);
        ++i;
        continue;
      }
    }
    int count = RunLength(i, end - i);
    // A placeholder without its object is measured as text, one at a time.
    if (IsObjectChar(ch)) count = 1;
    const TFontObj* run = Fonts.GetFontObjAt(i);
    if (run) {
      result = LayoutAdd(
          result, platform::TextExtent(run->TheFont, std::u16string_view(Text).substr(i, count)).cx +
                      overhangSign * run->Overhang());
    }
    i += count;
  }
  return result;
}

int TSection::FindTextWidth(int start, int n, bool removeSpaces) const {
  return TextWidthImpl(start, n, removeSpaces, 1);
}

int TSection::FindTextWidthA(int start, int n) const { return TextWidthImpl(start, n, false, -1); }

int TSection::PieceWidth(int start, int n, bool removeSpaces) const {
  int w = FindTextWidth(start, n, removeSpaces);
  if (start == 0) {
    if (FirstLineIndentPct > 0) w = LayoutSum(static_cast<long long>(w) * 100 / (100 - FirstLineIndentPct));
    else w = LayoutAdd(w, FirstLineIndent);
  }
  return w;
}

void TSection::WidthRange(platform::Canvas& canvas, int& minWidth, int& maxWidth) {
  if (MinWidthCache >= 1 && Images().Count() == 0) {
    minWidth = MinWidthCache;
    maxWidth = MaxWidthCache;
    return;
  }
  minWidth = maxWidth = 0;
  if (Len == 0) return;
  int floatW = 0;
  for (const auto& obj : Images()) {
    obj->Layout(Root, canvas, Fonts.GetFontObjAt(obj->Pos), 0, 0);
    if (obj->PercentWidth) continue;
    if (obj->Floating()) {
      floatW = LayoutAdd(floatW, obj->ObjWidth + obj->HSpaceL + obj->HSpaceR);
      if (obj->Pos < Brk.Size()) Brk.Set(obj->Pos, TBreak::Normal);
    } else {
      minWidth = std::max(minWidth, obj->ObjWidth);
    }
  }
  for (TFormControlObj* c : FormControls())
    if (!c->PercentWidth) minWidth = std::max(minWidth, c->Width() + c->HSpaceL + c->HSpaceR);

  // Max: the widest piece between forced breaks.
  for (int start = 0; start < Len;) {
    int end = start;
    while (end < Len && Text[end] != kBreakChar) ++end;
    const bool last = end >= Len;
    maxWidth = std::max(maxWidth, PieceWidth(start, end - start, last));
    start = end + 1;
  }
  maxWidth = LayoutAdd(maxWidth, floatW);

  // Min: the widest word.
  if (BreakWord) {
    for (int i = 0; i < Len; ++i)
      if (!IsObjectChar(Text[i]) && Text[i] != kBreakChar && Text[i] != u' ')
        minWidth = std::max(minWidth, PieceWidth(i, 1, false));
  } else {
    int i = 0;
    while (i < Len && Text[i] == u' ') ++i;
    while (i < Len) {
      const char16_t ch = Text[i];
      if (IsObjectChar(ch) || ch == kBreakChar || ch == u' ') {
        ++i;
        continue;
      }
      int end = i;   // the word is [i, end]
      if (!(IsIdeographic(ch) && Brk[i] != TBreak::Never)) {
        for (;;) {
          if (BreaksAfter(Brk[end])) break;
          if (end + 1 >= Len) break;
          const char16_t c = Text[end];
          if ((c == u'-' || c == u'?') && Brk[end] == TBreak::Normal) break;
          const char16_t next = Text[end + 1];
          if ((IsObjectChar(next) || next == kBreakChar || next == u' ' || next == u'-' ||
               next == u'?' || IsIdeographic(next)) &&
              Brk[end + 1] == TBreak::Normal) {
            if (next == u'-' || next == u'?') ++end;   // the word includes it
            break;
          }
          ++end;
        }
      }
      int w = PieceWidth(i, end - i + 1, false);
      if (Brk[end] == TBreak::SoftHyphen) w += DashWidth(end);
      minWidth = std::max(minWidth, w);
      i = end + 1;
    }
  }
  minWidth = std::max(minWidth, floatW);
  MinWidthCache = minWidth;
  MaxWidthCache = maxWidth;
}

// ---------------------------------------------------------------------------
// Line breaking

namespace {

// How far below y a line may be wider: down to the end of the next float,
// 0 when none ends below y. A float that ends past the farthest position
// layout reaches counts only down to that position: y stops moving there,
// and a line waiting below such a float would wait for ever.
int DropToWiderLine(const IndentManager& iMgr, int y) {
  return LayoutSum(std::max(0LL, static_cast<long long>(LayoutSum(iMgr.GetNextWiderY(y))) - y));
}

}  // namespace

void TSection::PlaceFloat(TFloatingObj* obj, IndentManager& iMgr, int y) {
  obj->Indent = iMgr.Update(y, obj->FloatSide(), obj->ObjWidth, obj->ObjHeight, obj->HSpaceL,
                            obj->HSpaceR, obj->VSpaceT, obj->VSpaceB);
}

TSection::LineFit TSection::FindCountThatFits(int start, int nn, int y, IndentManager& iMgr,
                                              std::vector<TFloatingObj*>& floatList) {
  LineFit fitted;
  bool endsAtBreak = false;
  if (const int k = NextBreakChar(start) - start; k < nn) {
    if (k == 0) {
      fitted.Count = 1;
      return fitted;
    }
    nn = k;
    endsAtBreak = true;
  }
  const bool firstLine = start == 0;
  int width = iMgr.RightSide(y) - iMgr.LeftIndent(y);
  if (firstLine) width -= FirstLineIndent;

  if (firstLine && Images().Count() == 0 && FormControls().Count() == 0 && Fonts.Count() > 0) {
    // The widest character of every run, not only the first: a later,
    // larger font must not let the line overflow unmeasured.
    int maxChar = 0;
    for (const auto& run : Fonts) maxChar = std::max(maxChar, run->tmMaxCharWidth());
    if (maxChar > 0 && static_cast<long long>(nn) * maxChar <= width) {
      fitted.Count = nn + (endsAtBreak ? 1 : 0);
      return fitted;
    }
  }

  int xx = 0, count = 0, i = start;
  bool lineStart = true;
  while (count < nn) {
    const char16_t ch = Text[i];
    TFloatingObj* obj = ch == kImageChar ? Images().FindImage(i) : nullptr;
    TFormControlObj* ctl = ch == kFormControlChar ? FormControls().FindControl(i) : nullptr;
    if ((obj && !obj->Floating()) || ctl) {
      const int w = obj ? obj->ObjWidth + obj->HSpaceL + obj->HSpaceR
                        : ctl->Width() + ctl->HSpaceL + ctl->HSpaceR;
      // An object that overflows a line that already holds something goes
      // to the next line.
      if (count > 0 && xx + w > width) break;
      xx += w;
      lineStart = false;
      ++count;
      ++i;
      if (xx > width) break;
      continue;
    }
    if (obj) {
      obj->YValue = y;
      if (lineStart) {
        xx += obj->ObjWidth + obj->HSpaceL + obj->HSpaceR;
        const bool overflows = xx > width;
        // Nothing fits beside it and no wider place comes: it goes here anyway.
        const bool forced = overflows && count == 0 && DropToWiderLine(iMgr, y) == 0;
        if (!overflows || forced) {
          PlaceFloat(obj, iMgr, y);
          fitted.FloatHeight =
              std::max(fitted.FloatHeight, obj->ObjHeight + obj->VSpaceT + obj->VSpaceB);
        }
        if (forced) count = 1;
        if (overflows) break;
      } else {
        floatList.push_back(obj);
      }
      ++count;
      ++i;
      continue;
    }
    int run = RunLength(i, nn - count);
    if (IsObjectChar(ch)) run = 1;
    const TFontObj* font = Fonts.GetFontObjAt(i);
    if (!font) break;
    // Measured a line's worth at a time (a character is at least a pixel
    // wide, as a rule): a run may be a whole long paragraph.
    const int room = std::max(0, width - xx);
    const int whole = run;
    if (run > 64 && run > room + 2) {
      run = std::max(64, room + 2);
      if (run < whole && (Text[i + run - 1] & 0xFC00) == 0xD800) ++run;   // keep a pair whole
    }
    // Only the extent of what fits is needed: an offered width may be far
    // wider than the window, and an array of extents as long.
    const std::u16string_view text = std::u16string_view(Text).substr(i, run);
    int fit = platform::TextFitCount(font->TheFont, text, room);
    auto extent = [&](int n) { return platform::TextExtent(font->TheFont, text.substr(0, n)).cx; };
    if (fit > 0 && Brk[i + fit - 1] == TBreak::SoftHyphen &&
        xx + extent(fit) + DashWidth(i + fit - 1) > width)
      --fit;
    if (fit > 0) {
      xx += extent(fit);
      lineStart = false;
    }
    count += fit;
    i += fit;
    if (fit < run) break;
    // The piece fitted whole: the rest of the run goes on at the next turn.
  }
  count = std::min(count, nn);
  if (endsAtBreak && count == nn) ++count;
  fitted.Count = count;
  return fitted;
}

TSection::BreakChoice TSection::ChooseBreak(int p, int count) const {
  const int c = p + count - 1;
  const char16_t ch = Text[c];
  auto skipSpaces = [&](int e) {
    while (e < Len && Text[e] == u' ') ++e;
    return e;
  };
  BreakChoice choice;
  int end = -1;
  if ((IsObjectChar(ch) || ch == u' ' || IsIdeographic(ch)) && Brk[c] != TBreak::Never) {
    end = skipSpaces(c + 1);
  } else if (ch == kBreakChar) {
    end = skipSpaces(c + 1);
  } else if (Text[c + 1] == u' ' && Brk[c + 1] != TBreak::Never) {
    end = skipSpaces(c + 1);
  } else if (IsObjectChar(Text[c + 1]) && Brk[c] != TBreak::Never) {
    end = c + 1;
  } else {
    // Back to the last place in what fits where the line may break.
    for (int k = c; k >= p; --k) {
      const char16_t t = Text[k];
      if ((IsObjectChar(t) || t == u' ' || t == u'-' || t == u'?' || IsIdeographic(t) ||
           BreaksAfter(Brk[k])) &&
          Brk[k] != TBreak::Never) {
        end = skipSpaces(k + 1);
        break;
      }
    }
    if (end < 0 && IsObjectChar(Text[p]) && Brk[p] != TBreak::Never) end = skipSpaces(p + 1);
    if (end < 0 && !BreakWord) {
      // None: the word runs on past the line to its first break place.
      int k = c;
      while (k < Len - 1) {
        const char16_t t = Text[k], next = Text[k + 1];
        if (Brk[k] != TBreak::Never &&
            (t == u'-' || t == u'?' || BreaksAfter(Brk[k]) || IsObjectChar(next) ||
             next == kBreakChar || next == u' ' || IsIdeographic(next)))
          break;
        ++k;
      }
      end = skipSpaces(k + 1);
      if (end < Len && Text[end] == kBreakChar) ++end;
      choice.Overlong = true;
    }
    if (end < 0) end = p + count;   // BreakWord: the fitting characters
  }
  choice.End = std::min(std::max(end, p + 1), Len);
  return choice;
}

TSection::LineSpace TSection::MeasureLine(LineRec& line, int p, int nn, int y, bool isCopy) {
  bool objectsOnly = !(nn == 1 && Text[p] == kBreakChar);
  for (int k = p; k < p + nn && objectsOnly; ++k) {
    const char16_t ch = Text[k];
    if (!(IsObjectChar(ch) || ch == kBreakChar || (ch == u' ' && k == Len - 1))) objectsOnly = false;
  }
  // The runs, objects and controls of the line, found by position: a walk
  // over all of them for every line would cost the square of a long
  // section.
  const int firstRun = std::max(0, Fonts.FirstAfter(p) - 1);
  const int lineEnd = p + nn;
  if (!objectsOnly) {
    for (int k = firstRun; k < Fonts.Count() && Fonts[k]->Pos < lineEnd; ++k) {
      const TFontObj* run = Fonts[k];
      const int runEnd = k + 1 < Fonts.Count() ? Fonts[k + 1]->Pos : Len;
      if (runEnd <= p) continue;
      line.LineHt = std::max(line.LineHt, run->FontHeight());
      line.Descent = std::max(line.Descent, run->Descent());
    }
  }
  int sb = 0, sa = 0;
  if (LineHeight >= 0) {
    const int extra = LineHeight - line.LineHt;
    sb = extra / 2;
    sa = extra - sb;
  }
  for (int k = Images().FirstAtOrAfter(p); k < Images().Count() && Images()[k]->Pos < lineEnd; ++k) {
    TFloatingObj* obj = Images()[k];
    if (obj->Floating()) continue;
    const int h = obj->ObjHeight + obj->VSpaceT + obj->VSpaceB;
    obj->YValue = y;
    if (auto* img = dynamic_cast<TImageObj*>(obj); img && img->MyFormControl)
      img->MyFormControl->YValue = y;
    switch (obj->VertAlign) {
      case TVAlign::Top: sa = std::max(sa, h - line.LineHt); break;
      case TVAlign::Middle: {
        if (line.LineHt == 0) {
          if (const TFontObj* run = Fonts.GetFontObjAt(p)) {
            line.LineHt = run->FontHeight();
            line.Descent = run->Descent();
          }
        }
        const int half = (h - line.LineHt) / 2;
        sa = std::max(sa, half);
        sb = std::max(sb, h - line.LineHt - half);
        break;
      }
      case TVAlign::Baseline:
      case TVAlign::Bottom: sb = std::max(sb, h - (line.LineHt - line.Descent)); break;
      default: break;
    }
  }
  for (int k = FormControls().FirstAtOrAfter(p); k < FormControls().Count() && FormControls()[k]->Pos < lineEnd; ++k) {
    TFormControlObj* c = FormControls()[k];
    const int h = c->Height(), t = c->VSpaceT, b = c->VSpaceB;
    switch (c->VertAlign) {
      case TVAlign::Top: sa = std::max(sa, t + h + b - line.LineHt); break;
      case TVAlign::Middle: {
        const int half = (h - line.LineHt) / 2;
        sa = std::max(sa, b + half);
        sb = std::max(sb, h - line.LineHt - half + t);
        break;
      }
      case TVAlign::Baseline: sb = std::max(sb, t + h + b - (line.LineHt - line.Descent)); break;
      case TVAlign::Bottom: sb = std::max(sb, t + h + b - line.LineHt); break;
      default: break;
    }
    if (!isCopy) c->YValue = y;
  }
  if (!isCopy) {
    for (int k = firstRun; k < Fonts.Count() && Fonts[k]->Pos < lineEnd; ++k) {
      TFontObj* run = Fonts[k];
      const int runEnd = k + 1 < Fonts.Count() ? Fonts[k + 1]->Pos : Len;
      if (runEnd > p) run->SetYValue(y);
    }
  }
  return {sb, sa};
}

void TSection::AlignLine(LineRec& line, int p, int nn, int x, int xl, int xr) const {
  if (Justify == TTextAlign::Left) {
    line.LineIndent = xl - x;
  } else {
    int w = FindTextWidth(p, nn, true);
    if (line.Shy) w += DashWidth(p + nn - 1);
    if (Justify == TTextAlign::Center) {
      line.LineIndent = (xl + xr - w) / 2 - x;
    } else if (Justify == TTextAlign::Right) {
      line.LineIndent = xr - x - w;
    } else {
      line.LineIndent = xl - x;
      // The last line is not spread.
      if (p + nn < Len) {
        line.Extra = xr - xl - w;
        int spaces = 0;
        for (int k = p; k < p + nn - 1; ++k)
          if (Text[k] == u' ' || Text[k] == kNoBreakSpace) ++spaces;
        line.Spaces = spaces;
      }
    }
  }
  line.Width = xr - xl;
}

// ---------------------------------------------------------------------------
// One layout's walk down the lines

// The state a layout carries from line to line: where the text and y have
// come to, the floats met in the line being made (placed below it), and the
// lowest float bottom so far.
class TSection::LinePass {
 public:
  LinePass(TSection& section, IndentManager& iMgr, int x, int y)
      : s_(section),
        iMgr_(iMgr),
        x_(x),
        bordered_(ObjectsOf(section.Root) && ObjectsOf(section.Root)->InlineBorderCount() > 0),
        isCopy_(section.Root && section.Root->IsCopy),
        y_(y),
        floatBottom_(y) {}

  // Breaks the whole text into lines. Returns the widest that a word
  // longer than its line needed (0 when none did).
  int BreakAll();
  int FloatBottom() const { return floatBottom_; }

 private:
  void AddEmptyLine(int height);
  bool WaitBelowFloats();
  void FinishLine(int nn, int floatHeight);
  void PlaceWaitingFloats(LineRec& line, int step);

  TSection& s_;
  IndentManager& iMgr_;
  const int x_;
  const bool bordered_;
  const bool isCopy_;
  int y_;
  int p_ = 0;   // the first character of the next line
  int floatBottom_;
  std::vector<TFloatingObj*> floatList_;
};

int TSection::LinePass::BreakAll() {
  int widest = 0;
  int nn = s_.Len;
  bool firstLine = true;
  while (nn > 0) {
    if (firstLine) {
      firstLine = false;
      const int clr = s_.Clearance(iMgr_, y_);
      if (clr > 0) AddEmptyLine(clr);
    }
    LineFit fit;
    int count;
    if (s_.IsPreformatted() && !s_.BreakWord) {
      count = nn;
    } else {
      fit = s_.FindCountThatFits(p_, nn, y_, iMgr_, floatList_);
      count = std::max(1, fit.Count);
    }
    floatBottom_ = std::max(floatBottom_, y_ + fit.FloatHeight);
    // Nothing fits beside the floats here.
    if (fit.Count == 0 && WaitBelowFloats()) continue;
    if (count >= nn) {
      FinishLine(nn, fit.FloatHeight);
      break;
    }
    const BreakChoice brk = s_.ChooseBreak(p_, count);
    if (brk.Overlong) {
      // A word longer than the room: below the floats it may fit; where no
      // wider line comes, it overflows this one.
      if (WaitBelowFloats()) continue;
      widest = std::max(widest, s_.PieceWidth(p_, brk.End - p_, true));
    }
    FinishLine(brk.End - p_, fit.FloatHeight);
    nn -= brk.End - p_;
    p_ = brk.End;
  }
  return widest;
}

void TSection::LinePass::AddEmptyLine(int height) {
  LineRec line;
  line.Start = s_.Buff() + p_;
  line.SpaceBefore = height;
  line.DrawHeight = height;
  s_.Lines.Add(std::move(line));
  s_.SectionHeight = LayoutAdd(s_.SectionHeight, height);
  y_ = LayoutAdd(y_, height);
}

// Moves down with an empty line to where a wider line may be found; false
// when no wider place comes or y did not move, and the line then goes where
// it is: waiting for a position y no longer reaches would add empty lines
// for ever.
bool TSection::LinePass::WaitBelowFloats() {
  const int drop = DropToWiderLine(iMgr_, y_);
  if (drop <= 0) return false;
  const int before = y_;
  floatList_.clear();
  AddEmptyLine(drop);
  return y_ != before;
}

// Finishes the nn characters from p_ as one line.
void TSection::LinePass::FinishLine(int nn, int floatHeight) {
  LineRec line;
  const LineSpace space = s_.MeasureLine(line, p_, nn, y_, isCopy_);
  line.Start = s_.Buff() + p_;
  line.Ln = nn;
  line.FirstDraw = bordered_;
  line.Shy = s_.Brk[p_ + nn - 1] == TBreak::SoftHyphen;
  const int xr = iMgr_.RightSide(y_);
  const int xl = iMgr_.LeftIndent(y_) + (p_ == 0 ? s_.FirstLineIndent : 0);
  s_.AlignLine(line, p_, nn, x_, xl, xr);
  line.SpaceBefore += space.Before;
  line.SpaceAfter = space.After;
  const int lineHt = line.LineHt;
  const int step = lineHt + space.After + space.Before;
  line.DrawHeight = std::max(step, floatHeight);
  LineRec* added = s_.Lines.Add(std::move(line));
  s_.SectionHeight = LayoutAdd(s_.SectionHeight, lineHt + space.After + added->SpaceBefore);
  y_ = LayoutAdd(y_, step);
  PlaceWaitingFloats(*added, step);
}

// The floats met inside the line go below it, where the next line starts.
void TSection::LinePass::PlaceWaitingFloats(LineRec& line, int step) {
  for (TFloatingObj* obj : floatList_) {
    PlaceFloat(obj, iMgr_, y_);
    obj->YValue = y_;   // drawn where it was placed, below the line it stands in
    const int h = obj->ObjHeight + obj->VSpaceT + obj->VSpaceB;
    line.DrawHeight = std::max(line.DrawHeight, h + step);
    floatBottom_ = std::max(floatBottom_, y_ + h);
  }
  floatList_.clear();
}

// ---------------------------------------------------------------------------

int TSection::Clearance(const IndentManager& iMgr, int y) const {
  int left = 0, right = 0;
  iMgr.GetClearY(left, right);
  const int cl = std::max(0, left - y - 1), cr = std::max(0, right - y - 1);
  switch (ClearAttr) {
    case TClear::Left: return cl;
    case TClear::Right: return cr;
    case TClear::Both: return std::max(cl, cr);
    default: return 0;
  }
}

void TSection::StartLayout(int x, int y, int aWidth, const IndentManager& iMgr, int curs) {
  LayoutX = x;
  LayoutWidth = aWidth;
  LayoutLfEdge = iMgr.LfEdge;
  SectionTop = ContentTop = DrawTop = y;
  StartCurs = curs;
  Lines.Clear();
  placedLines_ = -1;
  drawShiftX_ = 0;
  SectionHeight = 0;
  breakFrom_ = breakAt_ = -1;
}

int TSection::LayoutObjects(platform::Canvas& canvas, int avail, int height) {
  int widest = avail;
  for (const auto& obj : Images()) {
    obj->Layout(Root, canvas, Fonts.GetFontObjAt(obj->Pos), avail, height);
    widest = std::max(widest, obj->ObjWidth);
  }
  for (TFormControlObj* c : FormControls()) {
    if (c->PercentWidth)
      c->FWidth = std::max(10, std::min(LayoutSum(static_cast<long long>(c->FWidth) * avail / 100),
                                        LayoutSum(static_cast<long long>(avail) - c->HSpaceL - c->HSpaceR)));
    widest = std::max(widest, c->Width());
  }
  return widest;
}

int TSection::Layout(platform::Canvas& canvas, int x, int y, int xRef, int yRef, int aWidth,
                     int aHeight, int blHt, IndentManager& iMgr, int& maxWidth, int& curs) {
  (void)xRef, (void)yRef;
  StartLayout(x, y, aWidth, iMgr, curs);
  const int top = y;
  if (Len == 0) {
    maxWidth = 0;
    const int clr = Clearance(iMgr, y);
    SectionHeight = clr;
    DrawHeight = clr;
    SectionBottom = top + SectionHeight;
    ContentBot = top + DrawHeight;
    curs = StartCurs;
    return SectionHeight;
  }

  // A cell narrower than nothing must not give a negative indent.
  if (FirstLineIndentPct > 0)
    FirstLineIndent = std::max(0, LayoutSum(static_cast<long long>(FirstLineIndentPct) * aWidth / 100));
  maxWidth = LayoutObjects(canvas, std::min(iMgr.RightSide(y) - iMgr.LeftIndent(y), aWidth),
                           aHeight != 0 ? aHeight : blHt);

  LinePass lines(*this, iMgr, x, y);
  maxWidth = std::max(maxWidth, lines.BreakAll());

  curs = StartCurs + Len;
  Lines.Finish();
  if (Root && Lines.Count() > 0) {
    const LineRec* first = Lines[0];
    Root->LayoutContext().OfferFirstBaseline(top + first->LineHt - first->Descent +
                                             first->SpaceBefore);
  }
  DrawHeight = std::max(SectionHeight, lines.FloatBottom() - top);
  SectionBottom = top + SectionHeight;
  ContentBot = top + DrawHeight;
  ReportProgress();
  return SectionHeight;
}

void TSection::ReportProgress() {
  TSectionListObjects* objects = ObjectsOf(Root);
  if (!objects || Root->IsCopy || SectionNumber <= 0 || SectionNumber % 50 != 0) return;
  if (LastProgressCycle == Root->CycleNumber) return;
  LastProgressCycle = Root->CycleNumber;
  objects->SectionLaidOut(SectionNumber);
}

// ---------------------------------------------------------------------------
// Line geometry

int TSection::LineStartIndex(int line) const {
  return static_cast<int>(Lines[line]->Start - Buff());
}

int TSection::LineOffset(int line) const {
  int y = 0;
  for (int i = 0; i < line && i < Lines.Count(); ++i)
    y = LayoutAdd(y, Lines[i]->SpaceBefore + Lines[i]->LineHt + Lines[i]->SpaceAfter);
  return y;
}

std::vector<LinePiece> TSection::LinePieces(int line) const {
  std::vector<LinePiece> pieces;
  const LineRec& lr = *Lines[line];
  const int start = LineStartIndex(line);
  const int end = std::min(start + lr.Ln, Len);
  LineWalk walk = StartWalk(line);
  for (int i = start; i < end;) {
    LinePiece piece;
    piece.Start = i;
    piece.X = walk.X;
    piece.Run = Fonts.GetFontObjAt(i);
    const char16_t ch = Text[i];
    TFloatingObj* obj = ch == kImageChar ? Images().FindImage(i) : nullptr;
    TFormControlObj* ctl = ch == kFormControlChar ? FormControls().FindControl(i) : nullptr;
    if (obj) {
      piece.kind = obj->Floating() ? LinePiece::FloatPiece : LinePiece::ImagePiece;
      piece.Object = obj;
      piece.Count = 1;
    } else if (ctl) {
      piece.kind = LinePiece::ControlPiece;
      piece.Control = ctl;
      piece.Count = 1;
    } else {
      // Text to the next run change or object; a placeholder without its
      // object is text, one character at a time, as measuring takes it.
      int n = IsObjectChar(ch) ? 1 : RunLength(i, end - i);
      if (!IsObjectChar(ch))
        for (int k = 1; k < n; ++k)
          if (IsObjectChar(Text[i + k])) {
            n = k;
            break;
          }
      piece.Count = n;
    }
    Walk(line, walk, i + piece.Count, nullptr);
    piece.Width = walk.X - piece.X;
    i += piece.Count;
    pieces.push_back(piece);
  }
  return pieces;
}

TSection::LineWalk TSection::StartWalk(int line) const {
  const LineRec& lr = *Lines[line];
  LineWalk walk;
  walk.Index = LineStartIndex(line);
  if (lr.Spaces > 0 && lr.Extra > 0) {
    walk.GapsLeft = lr.Spaces;
    walk.ExtraLeft = lr.Extra;
  }
  return walk;
}

void TSection::Walk(int line, LineWalk& walk, int to, std::vector<int>* out,
                    const WalkStop& stop) const {
  const LineRec& lr = *Lines[line];
  const int end = std::min(LineStartIndex(line) + lr.Ln, Len);
  to = std::min(to, end);
  // One character's advance. Justification puts the extra pixels on the
  // gaps of all but the last character, the remainder on the first gaps
  // (as the canvas spreads it).
  auto step = [&](int i, int advance) {
    const bool gap = walk.GapsLeft > 0 && i + 1 < end && (Text[i] == u' ' || Text[i] == kNoBreakSpace);
    const int add = gap ? (walk.ExtraLeft + walk.GapsLeft - 1) / walk.GapsLeft : 0;
    if (stop && stop(walk.X, advance + add)) return false;
    if (gap) {
      walk.ExtraLeft -= add;
      --walk.GapsLeft;
    }
    if (out) out->push_back(advance + add);
    walk.X += advance + add;
    walk.Index = i + 1;
    return true;
  };
  // Text is measured a piece at a time: a run may be a whole long paragraph.
  constexpr int kPiece = 4096;
  std::vector<int> advances;
  while (walk.Index < to) {
    const int i = walk.Index;
    const char16_t ch = Text[i];
    if (ch == kImageChar) {
      if (TFloatingObj* obj = Images().FindImage(i)) {
        if (!step(i, obj->Floating() ? 0 : obj->ObjWidth + obj->HSpaceL + obj->HSpaceR)) return;
        continue;
      }
    } else if (ch == kFormControlChar) {
      if (TFormControlObj* c = FormControls().FindControl(i)) {
        if (!step(i, c->Width() + c->HSpaceL + c->HSpaceR)) return;
        continue;
      }
    }
    const int n = IsObjectChar(ch) ? 1 : RunLength(i, end - i);
    const TFontObj* run = Fonts.GetFontObjAt(i);
    const bool whole = !out && !stop && walk.GapsLeft == 0;
    int m = std::min(n, to - i);
    if (!whole) m = std::min(m, kPiece);
    // A pair the piece would split is measured whole (its advance sits on
    // its first unit).
    const int measured = m < n && (Text[i + m - 1] & 0xFC00) == 0xD800 ? m + 1 : m;
    const std::u16string_view text = std::u16string_view(Text).substr(i, measured);
    if (whole) {
      if (run) walk.X += platform::TextExtent(run->TheFont, text).cx;
      walk.Index = i + m;
      continue;
    }
    if (run) advances = platform::CharAdvances(run->TheFont, text);
    else advances.assign(text.size(), 0);
    for (int k = 0; k < m; ++k)
      if (!step(i + k, k < static_cast<int>(advances.size()) ? advances[k] : 0)) return;
  }
}

std::vector<int> TSection::LineAdvances(int line) const {
  std::vector<int> adv;
  LineWalk walk = StartWalk(line);
  Walk(line, walk, walk.Index + Lines[line]->Ln, &adv);
  return adv;
}

int TSection::LineTextWidth(int line) const {
  const LineRec& lr = *Lines[line];
  const int start = LineStartIndex(line);
  int n = std::max(0, std::min(lr.Ln, Len - start));
  while (n > 0 && (Text[start + n - 1] == u' ' || Text[start + n - 1] == kBreakChar)) --n;
  LineWalk walk = StartWalk(line);
  Walk(line, walk, start + n, nullptr);
  int w = walk.X;
  if (lr.Shy && lr.Ln > 0) w += DashWidth(start + lr.Ln - 1);
  return w;
}

// ---------------------------------------------------------------------------
// The layout dump

void TSection::Dump(LayoutDumpWriter& writer) const {
  using W = LayoutDumpWriter;
  writer.Line(std::string(IsPreformatted() ? "pre " : "section ") +
              W::Rect(LayoutX, SectionTop, LayoutWidth, SectionHeight) +
              (DrawHeight != SectionHeight ? " draw=" + std::to_string(DrawHeight) : "") + " doc " +
              W::Range(StartCurs, StartCurs + Len));
  LayoutDumpWriter::Nested nested(writer);
  for (int li = 0; li < Lines.Count(); ++li) {
    const LineRec& lr = *Lines[li];
    const int top = SectionTop + LineOffset(li);
    const int height = lr.SpaceBefore + lr.LineHt + lr.SpaceAfter;
    if (lr.Ln == 0 || Len == 0) {
      writer.Line("gap y=" + std::to_string(top) + " h=" + std::to_string(height));
      continue;
    }
    const int left = LayoutX + lr.LineIndent;
    std::string line = "line y=" + std::to_string(top) + " h=" + std::to_string(height) +
                       " base=" + std::to_string(top + lr.SpaceBefore + lr.LineHt - lr.Descent) +
                       " x=" + W::Range(left, left + LineTextWidth(li));
    if (lr.SpaceBefore != 0 || lr.SpaceAfter != 0)
      line += " before=" + std::to_string(lr.SpaceBefore) + " after=" + std::to_string(lr.SpaceAfter);
    if (lr.Spaces > 0 && lr.Extra != 0)
      line += " gaps=" + std::to_string(lr.Spaces) + " extra=" + std::to_string(lr.Extra);
    if (lr.Shy) line += " shy";
    writer.Line(line);
    LayoutDumpWriter::Nested inLine(writer);
    for (const LinePiece& piece : LinePieces(li)) {
      const std::string src =
          W::Range(SourcePosOfIndex(piece.Start), SourcePosOfIndex(piece.Start + piece.Count - 1) + 1);
      const std::string xs = " x=" + W::Range(left + piece.X, left + piece.X + piece.Width);
      switch (piece.kind) {
        case LinePiece::TextPiece: {
          std::string run = "run " + src + xs + " " +
                            W::Quoted(std::u16string_view(Text).substr(piece.Start, piece.Count));
          if (piece.Run) {
            run += " " + W::Font(piece.Run->TheFont);
            if (piece.Run->SScript != TVAlign::None) run += " " + W::Align(piece.Run->SScript);
            if (piece.Run->IsLink()) run += " link " + W::Quoted(piece.Run->URL());
          }
          writer.Line(run);
          break;
        }
        case LinePiece::ImagePiece:
        case LinePiece::FloatPiece: {
          const TFloatingObj& obj = *piece.Object;
          std::string text = (piece.kind == LinePiece::FloatPiece ? "float " : "image ") + src;
          if (piece.kind == LinePiece::FloatPiece)
            text += " x=" + std::to_string(LayoutLfEdge + obj.Indent) + " y=" +
                    std::to_string(obj.YValue + obj.VSpaceT);
          else
            text += xs;
          text += " " + std::to_string(obj.ObjWidth) + "x" + std::to_string(obj.ObjHeight) +
                  " align " + W::Align(obj.VertAlign);
          if (obj.HSpaceL || obj.HSpaceR || obj.VSpaceT || obj.VSpaceB)
            text += " space " + std::to_string(obj.HSpaceL) + "," + std::to_string(obj.VSpaceT) +
                    "," + std::to_string(obj.HSpaceR) + "," + std::to_string(obj.VSpaceB);
          if (const auto* image = dynamic_cast<const TImageObj*>(&obj))
            if (!image->Source.empty()) text += " src " + W::Quoted(image->Source);
          writer.Line(text);
          break;
        }
        case LinePiece::ControlPiece: {
          const TFormControlObj& c = *piece.Control;
          writer.Line("control " + src + xs + " " + std::to_string(c.Width()) + "x" +
                      std::to_string(c.Height()) + " align " + W::Align(c.VertAlign));
          break;
        }
      }
    }
  }
}

// ---------------------------------------------------------------------------
// Preformatted text

void TPreFormated::WidthRange(platform::Canvas& canvas, int& minWidth, int& maxWidth) {
  if (BreakWord) {
    TSection::WidthRange(canvas, minWidth, maxWidth);
    return;
  }
  minWidth = maxWidth = 0;
  if (Len == 0) return;
  if (MaxWidthCache <= 0 || Images().Count() > 0) {
    for (const auto& obj : Images()) obj->Layout(Root, canvas, Fonts.GetFontObjAt(obj->Pos), 0, 0);
    MaxWidthCache = FindTextWidth(0, Len, true);
    MinWidthCache = std::min(kPreMaxMinWidth, MaxWidthCache);
  }
  maxWidth = MaxWidthCache;
  minWidth = MinWidthCache;
}

int TPreFormated::Layout(platform::Canvas& canvas, int x, int y, int xRef, int yRef, int aWidth,
                         int aHeight, int blHt, IndentManager& iMgr, int& maxWidth, int& curs) {
  if (BreakWord)
    return TSection::Layout(canvas, x, y, xRef, yRef, aWidth, aHeight, blHt, iMgr, maxWidth, curs);
  if (Len == 0 || (Len == 1 && Text[0] == u' ')) {
    // An empty line of the source: a line of the first font, holding the
    // blank every line ends with.
    StartLayout(x, y, aWidth, iMgr, curs);
    const TFontObj* first = Fonts.Count() > 0 ? Fonts[0] : nullptr;
    SectionHeight = DrawHeight = first ? first->FontHeight() : 0;
    if (Len > 0) {
      LineRec line;
      LineRec* const lr = &line;
      lr->Start = Buff();
      lr->Ln = Len;
      lr->LineHt = lr->DrawHeight = SectionHeight;
      lr->Descent = first ? first->Descent() : 0;
      lr->LineIndent = iMgr.LeftIndent(y) - x;
      lr->Width = iMgr.RightSide(y) - iMgr.LeftIndent(y);
      Lines.Add(std::move(line));
    }
    SectionBottom = ContentBot = y + SectionHeight;
    curs = StartCurs + Len;
    maxWidth = 0;
    return SectionHeight;
  }
  // Laid out as one line however wide; the manager's width is put back
  // however the layout ends.
  platform::ScopeGuard restore([&iMgr, savedWidth = iMgr.Width] { iMgr.Width = savedWidth; });
  iMgr.Width = 32000;
  int ignored = 0;
  const int height =
      TSection::Layout(canvas, x, y, xRef, yRef, aWidth, aHeight, blHt, iMgr, ignored, curs);
  int mn = 0, mx = 0;
  WidthRange(canvas, mn, mx);
  maxWidth = mx;
  return height;
}

}  // namespace htmlview
