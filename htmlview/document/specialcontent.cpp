// The content the document parser does not read as flowing tokens:
// preformatted text (read character by character, one section per line),
// the options of SELECT and the text of TEXTAREA, image maps, scripts,
// embedded objects with their parameters, and plain-text documents.
#include <algorithm>
#include <string>
#include <vector>

#include "htmlview/images/imagemap.h"
#include "htmlview/layout/blocks.h"
#include "htmlview/layout/docroot.h"
#include "htmlview/layout/formcontrols.h"
#include "htmlview/layout/panelobj.h"
#include "htmlview/layout/simplesections.h"
#include "htmlview/layout/textsection.h"
#include "htmlview/parse/codepages.h"
#include "htmlview/document/parserstate.h"
#include "htmlview/style/styleprops.h"
#include "platform/sysutils.h"

namespace htmlview {

namespace {

bool IsPreFontStyle(HtmlSymbol s) {
  using S = HtmlSymbol;
  switch (s) {
    case S::B: case S::I: case S::Em: case S::Strong: case S::U: case S::Cite: case S::Var:
    case S::S: case S::Strike: case S::Span: case S::Label: case S::Sub: case S::Sup:
    case S::Big: case S::Small:
      return true;
    default:
      return false;
  }
}

bool IsPreFontStyleEnd(HtmlSymbol s) {
  using S = HtmlSymbol;
  switch (s) {
    case S::EndB: case S::EndI: case S::EndEm: case S::EndStrong: case S::EndU:
    case S::EndCite: case S::EndVar: case S::EndS: case S::EndStrike: case S::EndSpan:
    case S::EndLabel: case S::EndSub: case S::EndSup: case S::EndBig: case S::EndSmall:
      return true;
    default:
      return false;
  }
}

}  // namespace

// ---------------------------------------------------------------------------
// Preformatted text

void HtmlParser::DoPreformatted() {
  using S = HtmlSymbol;
  HtmlReaderState& r = R();
  if (depth_ >= kMaxBlockNesting) {
    Next();
    return;
  }
  DepthGuard guard(depth_);
  ++preDepth_;
  AppendSection();
  TAttributeList* attributes = KeepAttributes();
  Push("pre", attributes);
  TPropStack& stack = PropStack();
  const int height = stack.Count();
  TCellBasic* saved = currentCell_;
  OpenBlock(*Top(), attributes);
  section_ = NewPreSection();

  bool inParagraph = false;          // P inside the PRE
  TCellBasic* paragraphOuter = nullptr;
  bool inForm = false;               // FORM inside the PRE
  TCellBasic* formOuter = nullptr;
  int fontsOpened = 0;

  auto newLine = [&] {
    AppendSection();
    section_ = NewPreSection();
  };
  auto skipCR = [&] {
    if (r.Ch == '\r') GetCharSkip();
  };
  auto closeParagraph = [&] {
    if (!inParagraph) return;
    AppendSection();
    CloseElementProps("p");
    currentCell_ = paragraphOuter;
    inParagraph = false;
    section_ = NewPreSection();
  };
  auto closeForm = [&] {
    closeParagraph();
    if (!inForm) return;
    AppendSection();
    CloseElementProps("form");
    currentCell_ = formOuter;
    form_ = nullptr;
    inForm = false;
    section_ = NewPreSection();
  };

  bool endedByTag = false;
  while (r.Ch != 0) {
    if (r.Ch == '\r') {
      AppendLine();
      section_ = NewPreSection();
      GetCharSkip();
      continue;
    }
    if (r.Ch != '<') {
      NextPreformattedText();
      if (r.Token->Leng() > 0) {
        if (!section_) section_ = NewPreSection();
        section_->AddText(r.Token->S(), r.Token->I());
      } else if (static_cast<unsigned char>(r.Ch) < 9 && r.Ch != 0 && r.Ch != '\r') {
        // A control character reads as "?".
        if (!section_) section_ = NewPreSection();
        section_->AddChar(u'?', r.CharCount);
        GetCharSkip();
      }
      continue;
    }
    NextToken();
    if (!section_) section_ = NewPreSection();
    const HtmlSymbol sy = Sy();
    if (sy == S::TextToken) {
      section_->AddText(r.Token->S(), r.Token->I());   // a "<" that starts no tag
      continue;
    }
    if (sy == S::EndPre || sy == S::Table || sy == S::EndTD || sy == S::EndTH ||
        sy == S::EndOfText) {
      endedByTag = true;
      break;
    }
    if (IsPreFontStyle(sy)) {
      DoFontStyle(sy);
      continue;
    }
    if (IsPreFontStyleEnd(sy)) {
      DoFontStyleEnd(sy);
      continue;
    }
    switch (sy) {
      case S::A: case S::EndA:
        DoAnchor();
        break;
      case S::P:
        if (inParagraph) {
          closeParagraph();
        } else {
          AppendSection();
          TAttributeList* pAttributes = KeepAttributes();
          Push("p", pAttributes);
          paragraphOuter = currentCell_;
          OpenBlock(*Top(), pAttributes);
          inParagraph = true;
          section_ = NewPreSection();
          skipCR();
        }
        break;
      case S::EndP:
        closeParagraph();
        break;
      case S::Form:
        closeForm();
        {
          AppendSection();
          TAttributeList* fAttributes = KeepAttributes();
          Push("form", fAttributes);
          formOuter = currentCell_;
          OpenBlock(*Top(), fAttributes);
          try {
            form_ = ThtmlForm::Create(list_, fAttributes);
          } catch (const EProcessError&) {
            form_ = nullptr;
          }
          inForm = true;
          section_ = NewPreSection();
        }
        break;
      case S::EndForm:
        closeForm();
        break;
      case S::BR: {
        newLine();
        if (BreaksPage(*KeepAttributes())) {
          DropSection(std::move(section_));
          AppendToCell(std::make_unique<TPage>(list_));
          section_ = NewPreSection();
        }
        skipCR();
        break;
      }
      case S::Img: case S::Panel:
        DoImageOrPanel(sy);
        break;
      case S::Input: case S::Select: case S::TextArea:
        DoFormControl(false);
        if (!section_) section_ = NewPreSection();
        break;
      case S::Map:
        DoMap(false);
        break;
      case S::Page:
        AppendSection();
        AppendToCell(std::make_unique<TPage>(list_));
        section_ = NewPreSection();
        break;
      case S::Script:
        DoScript(false);
        break;
      case S::Font: case S::BaseFont:
        DoFont(true);
        RefreshFont();
        if (sy == S::Font) ++fontsOpened;
        break;
      case S::EndFont:
        if (fontsOpened > 0) {
          --fontsOpened;
          CloseElementProps("font");
          RefreshFont();
        }
        break;
      case S::Object:
        DoObject(true);
        if (!section_) section_ = NewPreSection();
        skipCR();
        break;
      default:
        break;   // other tags are ignored inside PRE
    }
  }
  // Cut short by the end of the text, the last line ends there.
  if (!endedByTag) AppendLine();
  if (inForm) {
    closeForm();
  }
  closeParagraph();
  AppendSection();
  stack.CutTo(std::min(stack.Count(), std::max(height - 1, 1)));
  currentCell_ = saved;
  --preDepth_;
  if (!endedByTag) NextToken();   // the end of the text
  if (Sy() == S::EndPre) Next();
}

// ---------------------------------------------------------------------------
// Form controls

ThtmlForm* HtmlParser::ImplicitForm() {
  if (!implicitForm_) {
    try {
      implicitForm_ = ThtmlForm::Create(list_, nullptr);
    } catch (const EProcessError&) {
      return nullptr;   // a document that keeps no forms
    }
  }
  return implicitForm_;
}

void HtmlParser::DoFormControl(bool readNext) {
  using S = HtmlSymbol;
  HtmlReaderState& r = R();
  const HtmlSymbol sy = Sy();
  EnsureSection();
  TAttributeList* attributes = KeepAttributes();
  TProperties* prop = Push(TagName(sy), attributes);
  TFormControlObj* control =
      section_->AddFormControl(sy, *attributes, form_ ? form_ : ImplicitForm(), r.TagPos, prop);
  if (sy == S::Select) {
    auto* options = dynamic_cast<TOptionListControlObj*>(control);
    const bool savedNoBreak = noBreak_;
    noBreak_ = false;
    static const SymbolSet selectEnds{
        S::EndSelect, S::P, S::EndOfText, S::EndTable, S::TD, S::TR, S::TH, S::EndTD, S::EndTR,
        S::EndTH, S::Caption, S::EndCaption, S::Input, S::Col, S::ColGroup};
    bool inOption = false;
    bool selected = false;
    std::u16string text;
    TAttributeList* optionAttributes = nullptr;
    auto closeOption = [&] {
      if (inOption && options) {
        std::string value = platform::Trim(EncodeUtf8(text));
        options->AddStr(value, selected, optionAttributes, CurrentCodePage());
      }
      inOption = false;
      text.clear();
    };
    Next();
    while (!selectEnds[Sy()]) {
      if (Sy() == S::TextToken) {
        text += r.Token->S();
      } else if (Sy() == S::Option || Sy() == S::EndOption) {
        closeOption();
        if (Sy() == S::Option) {
          inOption = true;
          optionAttributes = KeepAttributes();
          selected = optionAttributes->Find(S::Selected) != nullptr;
        }
      }
      Next();
    }
    closeOption();
    noBreak_ = savedNoBreak;
    if (control) control->ResetToValue();
  } else if (sy == S::TextArea) {
    auto* area = dynamic_cast<TTextAreaFormControlObj*>(control);
    std::u16string line;
    for (;;) {
      NextTextAreaToken();
      if (Sy() == S::EndOfText || Sy() == S::TextAreaContentEnd) break;
      if (Sy() == S::LineBreak) {
        if (area) area->AddStr(EncodeUtf8(line) + "\r\n");
        line.clear();
      } else {
        line += r.Token->S();
      }
    }
    if (area && !line.empty()) area->AddStr(EncodeUtf8(line));
    if (control) control->ResetToValue();
  }
  if (control) control->ProcessProperties(*prop);
  CloseElementProps(TagName(sy));
  RefreshFont();
  // A SELECT that ended at anything but its end tag leaves that token for
  // the caller; the end of the text stays the current symbol.
  if (readNext && Sy() != S::EndOfText && (sy != S::Select || Sy() == S::EndSelect)) Next();
}

// ---------------------------------------------------------------------------
// Image maps, scripts and objects

void HtmlParser::DoMap(bool readNext) {
  using S = HtmlSymbol;
  auto map = std::make_unique<TMapItem>();
  if (const TAttribute* a = Attr(S::Name)) map->MapName = platform::UpperCase(a->Name);
  int others = 0;
  Next();
  while (Sy() != S::EndMap && Sy() != S::EndOfText && others < 3) {
    if (Sy() == S::Area) map->AddArea(Attrs());
    else if (Sy() != S::TextToken) ++others;
    if (others < 3) Next();
  }
  if (Sy() == S::EndMap) {
    list_->MapList.Add(std::move(map));
    if (readNext) Next();
  }
}

void HtmlParser::DoScript(bool readNext) {
  using S = HtmlSymbol;
  HtmlReaderState& r = R();
  if (!events_.Script) {
    // Skipped up to its end without a handler; "<" inside stays text.
    r.NoSkip = true;
    for (;;) {
      NextScriptToken();
      if (Sy() == S::EndOfText || Sy() == S::ScriptContentEnd) break;
    }
    r.NoSkip = false;
  } else {
    std::string name, language;
    if (const TAttribute* a = Attr(S::Name)) name = a->Name;
    if (const TAttribute* a = Attr(S::Language)) language = a->Name;
    r.NoSkip = true;
    // The reader stands at the ">" of the start tag.
    if (r.Ch == '>') GetCharSkip();
    std::u16string script;
    for (;;) {
      NextScriptToken();
      if (Sy() == S::EndOfText || Sy() == S::ScriptContentEnd) break;
      if (Sy() == S::LineBreak) script += u"\r\n";
      else script += r.Token->S();
    }
    r.NoSkip = false;
    events_.Script(name, language, EncodeUtf8(script));
  }
  if (readNext && Sy() != S::EndOfText) Next();
}

void HtmlParser::DoObject(bool preformatted) {
  using S = HtmlSymbol;
  if (!events_.Object) {
    if (!preformatted) Next();
    return;
  }
  TAttributeList* attributes = KeepAttributes();
  const int tagPos = R().TagPos;
  std::vector<std::string> params;
  // Inside PRE what follows the parameters is read again as preformatted
  // text, from just before the token that ended them.
  ReaderMark beforeToken = MarkReader();
  Next();
  while (Sy() == S::Param || (Sy() == S::TextToken && R().Token->S() == u" ")) {
    if (Sy() == S::Param) {
      const TAttribute* name = Attr(S::Name);
      const TAttribute* value = Attr(S::Value);
      if (name) params.push_back(value ? name->Name + "=" + value->Name : name->Name);
    }
    if (preformatted) beforeToken = MarkReader();
    Next();
  }
  EnsureSection();
  TProperties* prop = Push("object", attributes);
  auto panel = std::make_unique<TPanelObj>(list_, *attributes, section_->Len);
  bool want = false;
  events_.Object(*panel, attributes->CreateStringList(), params, want);
  if (want) {
    OpenInlineBorder(prop);
    panel->ProcessProperties(*prop);
    section_->AddObject(std::move(panel), tagPos);
    while (Sy() != S::EndObject && Sy() != S::EndOfText) Next();
    if (Sy() == S::EndObject && !preformatted) Next();
  } else if (preformatted) {
    ReturnToMark(beforeToken);
  }
  CloseElementProps("object");
}

// ---------------------------------------------------------------------------
// Plain text

void HtmlParser::ParsePlainText() {
  HtmlReaderState& r = R();
  PropStack().CutTo(1);
  Push("pre", nullptr);
  OpenBlock(*Top(), nullptr);
  section_ = NewPreSection();
  std::u16string buffer;
  std::vector<int> positions;
  auto flush = [&] {
    if (!buffer.empty()) section_->AddText(buffer, positions);
    buffer.clear();
    positions.clear();
  };
  ReadHtmlChar();
  while (r.Ch != 0) {
    if (r.Ch == '\r') {
      flush();
      AppendLine();
      section_ = NewPreSection();
    } else {
      buffer.push_back(static_cast<char16_t>(static_cast<unsigned char>(r.Ch)));
      positions.push_back(r.CharCount);
      if (buffer.size() > 200) flush();
    }
    ReadHtmlChar();
  }
  flush();
  AppendLine();
  CloseElementProps("pre");
  currentCell_ = body_ ? &body_->MyCell : currentCell_;
}

void HtmlParser::ParsePlain(std::string text) {
  HtmlReaderState& r = R();
  r.IncludeEvent = nullptr;
  r.Progress = events_.Progress;
  r.IDList = nullptr;
  TPropStack& stack = PropStack();
  stack.Clear();
  auto root = std::make_unique<TProperties>();
  if (const TProperties* defaults = list_->Styles.DefProp()) root->CopyDefault(*defaults);
  stack.Add(std::move(root));
  BeginReading(std::move(text));
  r.NoSkip = true;
  auto body = std::make_unique<TBodyBlock>(list_, *stack[0], list_, nullptr);
  body_ = body.get();
  list_->Add(std::move(body), 0);
  currentCell_ = &body_->MyCell;
  try {
    ParsePlainText();
  } catch (const std::exception&) {
  }
  AppendSection();
  r.NoSkip = false;
  r.Progress = nullptr;
  stack.Clear();
}

}  // namespace htmlview
