#include "editor/inihighlighter.h"

namespace editor {

namespace {
constexpr const char* kIniFilter = "INI Files (*.ini)|*.ini";
}

TIniHighlighter::TIniHighlighter() {
  auto make = [this](const char* name) { return AddAttribute(std::make_unique<TEdHighlighterAttributes>(name)); };
  commentAttri_ = make("Comment");
  commentAttri_->SetStyle(fsItalic);
  commentAttri_->SetForeground(clGreen);
  textAttri_ = make("Text");
  sectionAttri_ = make("Section");
  sectionAttri_->SetStyle(fsBold);
  keyAttri_ = make("Key");
  numberAttri_ = make("Number");
  spaceAttri_ = make("Space");
  stringAttri_ = make("String");
  symbolAttri_ = make("Symbol");
  SetAttributesOnChange([this](TEdObject* sender) { DefHighlightChange(sender); });
  SetDefaultFilter(kIniFilter);
  MakeMethodTables();
}

void TIniHighlighter::MakeMethodTables() {
  for (int c = 0; c < 256; ++c) {
    TScanProc proc = &TIniHighlighter::TextProc;
    switch (c) {
      case 0: proc = &TIniHighlighter::EndOfLineProc; break;
      case 10: proc = &TIniHighlighter::LFProc; break;
      case 13: proc = &TIniHighlighter::CRProc; break;
      case '"':
      case '\'': proc = &TIniHighlighter::StringProc; break;
      case ';': proc = &TIniHighlighter::CommentProc; break;
      case '=': proc = &TIniHighlighter::EqualProc; break;
      case '[': proc = &TIniHighlighter::SectionOpenProc; break;
      default:
        if (c >= 1 && c <= 32) proc = &TIniHighlighter::SpaceProc;
        else if (c >= '0' && c <= '9') proc = &TIniHighlighter::NumberProc;
        break;
    }
    procTable_[static_cast<size_t>(c)] = proc;
  }
}

TEdHighlighterAttributes* TIniHighlighter::GetDefaultAttribute(int index) const {
  switch (index) {
    case EDHL_ATTR_COMMENT: return commentAttri_;
    case EDHL_ATTR_KEYWORD: return keyAttri_;
    case EDHL_ATTR_STRING: return stringAttri_;
    case EDHL_ATTR_WHITESPACE: return spaceAttri_;
    case EDHL_ATTR_SYMBOL: return symbolAttri_;
    default: return nullptr;
  }
}

TEdCharSet TIniHighlighter::GetIdentChars() const {
  TEdCharSet set = CharSetOf("_0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ");
  for (int c = 192; c <= 255; ++c)
    if (c != 215 && c != 247) set.set(static_cast<size_t>(c));
  return set;
}

std::u16string TIniHighlighter::GetSampleSource() const {
  return u"; Syntax highlighting\r\n"
         u"[Section]\r\n"
         u"Key=value\r\n"
         u"String=\"Arial\"\r\n"
         u"Number=123456";
}

bool TIniHighlighter::IsFilterStored() const { return GetDefaultFilter() != kIniFilter; }

void TIniHighlighter::SetLine(const std::u16string& text, int lineNumber) {
  line_ = text.c_str();
  run_ = 0;
  lineNumber_ = lineNumber;
  Next();
}

void TIniHighlighter::Next() {
  tokenPos_ = run_;
  const char16_t c = At(run_);
  if (c < 256) (this->*procTable_[c])();
  else TextProc();
}

std::u16string TIniHighlighter::GetToken() const {
  return std::u16string(line_ + tokenPos_, static_cast<size_t>(run_ - tokenPos_));
}

TEdHighlighterAttributes* TIniHighlighter::GetTokenAttribute() const {
  switch (tokenId_) {
    case TIniTokenKind::iniComment: return commentAttri_;
    case TIniTokenKind::iniText: return textAttri_;
    case TIniTokenKind::iniSection: return sectionAttri_;
    case TIniTokenKind::iniKey: return keyAttri_;
    case TIniTokenKind::iniNumber: return numberAttri_;
    case TIniTokenKind::iniSpace: return spaceAttri_;
    case TIniTokenKind::iniString: return stringAttri_;
    case TIniTokenKind::iniSymbol: return symbolAttri_;
    case TIniTokenKind::iniEndOfLine: break;
  }
  return nullptr;
}

void TIniHighlighter::StepChar() {
  const char16_t c = At(run_);
  ++run_;
  if (c >= 0xD800 && c <= 0xDBFF && At(run_) >= 0xDC00 && At(run_) <= 0xDFFF) ++run_;
}

void TIniHighlighter::EndOfLineProc() { tokenId_ = TIniTokenKind::iniEndOfLine; }

void TIniHighlighter::LFProc() {
  tokenId_ = TIniTokenKind::iniSpace;
  ++run_;
}

void TIniHighlighter::CRProc() {
  tokenId_ = TIniTokenKind::iniSpace;
  ++run_;
  if (At(run_) == u'\n') ++run_;
}

void TIniHighlighter::SpaceProc() {
  tokenId_ = TIniTokenKind::iniSpace;
  ++run_;
  for (;;) {
    const char16_t c = At(run_);
    if (c == 0 || c == 10 || c == 13 || c > 32) break;
    ++run_;
  }
}

void TIniHighlighter::SectionOpenProc() {
  // A bracket is a section header only at the very start of the line.
  if (run_ != 0) {
    tokenId_ = TIniTokenKind::iniText;
    StepChar();
    return;
  }
  tokenId_ = TIniTokenKind::iniSection;
  ++run_;
  for (;;) {
    const char16_t c = At(run_);
    if (IsLineEnd(c)) break;
    ++run_;
    if (c == u']') break;
  }
}

void TIniHighlighter::CommentProc() {
  if (run_ != 0) {
    tokenId_ = TIniTokenKind::iniText;
    StepChar();
    return;
  }
  tokenId_ = TIniTokenKind::iniComment;
  while (!IsLineEnd(At(run_))) ++run_;
}

void TIniHighlighter::EqualProc() {
  tokenId_ = TIniTokenKind::iniSymbol;
  StepChar();
}

void TIniHighlighter::KeyProc() {
  tokenId_ = TIniTokenKind::iniKey;
  StepChar();
  for (;;) {
    const char16_t c = At(run_);
    if (IsLineEnd(c) || c == u'=') break;
    ++run_;
  }
}

void TIniHighlighter::TextProc() {
  if (run_ == 0) {
    KeyProc();
    return;
  }
  tokenId_ = TIniTokenKind::iniText;
  StepChar();
  while (IsAsciiLetterOrDigit(At(run_))) ++run_;
}

void TIniHighlighter::NumberProc() {
  if (run_ == 0) {
    KeyProc();
    return;
  }
  tokenId_ = TIniTokenKind::iniNumber;
  ++run_;
  for (;;) {
    const char16_t c = At(run_);
    if (!((c >= u'0' && c <= u'9') || c == u'.' || c == u'E' || c == u'e')) break;
    ++run_;
  }
  // Digits run into letters ("12abc", "0x1F"): the whole run is text.
  const char16_t c = At(run_);
  if ((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z')) {
    tokenId_ = TIniTokenKind::iniText;
    while (IsAsciiLetterOrDigit(At(run_))) ++run_;
  }
}

void TIniHighlighter::StringProc() {
  tokenId_ = TIniTokenKind::iniString;
  const char16_t quote = At(run_);
  if (At(run_ + 1) == quote && At(run_ + 2) == quote) run_ += 2;
  for (;;) {
    ++run_;
    const char16_t c = At(run_);
    if (c == 0) break;
    if (c == u'\n' || c == u'\r' || c == quote) {
      ++run_;
      break;
    }
  }
}

void RegisterIniHighlighter() { RegisterHighlighterClass<TIniHighlighter>(); }

}  // namespace editor
