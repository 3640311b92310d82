#pragma once
// The highlighter of INI files: section headers, keys, "=", numbers, quoted
// strings, comments, white space and other text, each with its own colour
// attribute. A table-driven scanner that keeps no state between lines.
//
// Characters above 255 scan as text; a surrogate pair is never split
// between two tokens.
#include <array>
#include <cstdint>
#include <string>

#include "editor/highlighter.h"

namespace editor {

enum class TIniTokenKind : std::uint8_t {
  iniComment = 0,
  iniText = 1,
  iniSection = 2,
  iniKey = 3,
  iniEndOfLine = 4,
  iniNumber = 5,
  iniSpace = 6,
  iniString = 7,
  iniSymbol = 8,
};

class TIniHighlighter : public TEdCustomHighlighter {
 public:
  TIniHighlighter();

  static std::string StaticClassName() { return "TIniHighlighter"; }
  std::string ClassName() const override { return StaticClassName(); }

  TEdHighlighterAttributes* GetDefaultAttribute(int index) const override;
  TEdCharSet GetIdentChars() const override;
  std::u16string GetSampleSource() const override;
  bool IsFilterStored() const override;
  std::string GetLanguageName() const override { return "INI"; }
  bool GetEol() const override { return tokenId_ == TIniTokenKind::iniEndOfLine; }
  std::u16string GetToken() const override;
  TEdHighlighterAttributes* GetTokenAttribute() const override;
  int GetTokenKind() const override { return static_cast<int>(tokenId_); }
  int GetTokenPos() const override { return tokenPos_; }
  void Next() override;
  void SetLine(const std::u16string& text, int lineNumber) override;

  TIniTokenKind TokenId() const { return tokenId_; }

  TEdHighlighterAttributes* CommentAttri() const { return commentAttri_; }
  TEdHighlighterAttributes* TextAttri() const { return textAttri_; }
  TEdHighlighterAttributes* SectionAttri() const { return sectionAttri_; }
  TEdHighlighterAttributes* KeyAttri() const { return keyAttri_; }
  TEdHighlighterAttributes* NumberAttri() const { return numberAttri_; }
  TEdHighlighterAttributes* SpaceAttri() const { return spaceAttri_; }
  TEdHighlighterAttributes* StringAttri() const { return stringAttri_; }
  TEdHighlighterAttributes* SymbolAttri() const { return symbolAttri_; }

 private:
  using TScanProc = void (TIniHighlighter::*)();

  void MakeMethodTables();
  char16_t At(int index) const { return line_[index]; }
  static bool IsLineEnd(char16_t c) { return c == 0 || c == u'\n' || c == u'\r'; }
  static bool IsAsciiLetterOrDigit(char16_t c) {
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
  }
  // One character forward; a surrogate pair counts as one.
  void StepChar();

  void EndOfLineProc();
  void LFProc();
  void CRProc();
  void SpaceProc();
  void SectionOpenProc();
  void CommentProc();
  void EqualProc();
  void KeyProc();
  void TextProc();
  void NumberProc();
  void StringProc();

  std::array<TScanProc, 256> procTable_{};
  const char16_t* line_ = u"";
  int lineNumber_ = 0;
  int run_ = 0;
  int tokenPos_ = 0;
  TIniTokenKind tokenId_ = TIniTokenKind::iniEndOfLine;

  TEdHighlighterAttributes* commentAttri_ = nullptr;
  TEdHighlighterAttributes* textAttri_ = nullptr;
  TEdHighlighterAttributes* sectionAttri_ = nullptr;
  TEdHighlighterAttributes* keyAttri_ = nullptr;
  TEdHighlighterAttributes* numberAttri_ = nullptr;
  TEdHighlighterAttributes* spaceAttri_ = nullptr;
  TEdHighlighterAttributes* stringAttri_ = nullptr;
  TEdHighlighterAttributes* symbolAttri_ = nullptr;
};

// Module start-up: registers TIniHighlighter in the highlighter class list
// (InitHighlighterModule must have run).
void RegisterIniHighlighter();

}  // namespace editor
