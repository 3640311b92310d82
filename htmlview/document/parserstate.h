#pragma once
// The document parser's state and routines, shared by the document parser
// (docparser.cpp), the table parser (tableparser.cpp) and the special
// content (specialcontent.cpp). Not for use outside them.
#include <bitset>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "htmlview/parse/attributes.h"
#include "htmlview/document/docparser.h"
#include "htmlview/parse/htmlreader.h"
#include "htmlview/parse/viewutils.h"
#include "htmlview/parse/vocabulary.h"

namespace htmlview {

class TSectionList;
class TCellBasic;
class TSection;
class TBodyBlock;
class TBlock;
class ThtmlForm;
class TProperties;

// A set of symbols: where a routine must stop and leave the token.
class SymbolSet {
 public:
  SymbolSet() = default;
  SymbolSet(std::initializer_list<HtmlSymbol> symbols) {
    for (HtmlSymbol s : symbols) bits_.set(Index(s));
  }
  bool operator[](HtmlSymbol s) const { return bits_.test(Index(s)); }
  SymbolSet operator+(const SymbolSet& other) const {
    SymbolSet out = *this;
    out.bits_ |= other.bits_;
    return out;
  }
  SymbolSet operator+(std::initializer_list<HtmlSymbol> symbols) const {
    return *this + SymbolSet(symbols);
  }

 private:
  static size_t Index(HtmlSymbol s) { return static_cast<size_t>(static_cast<int>(s)) & 511; }
  std::bitset<512> bits_;
};

class HtmlParser {
 public:
  HtmlParser(TSectionList& list, const TParserEvents& events);
  ~HtmlParser();   // drops an unappended section properly

  void ParseDocument(std::string text);
  void ParsePlain(std::string text);

  // What the viewer reads afterwards.
  std::u16string Title;
  std::string Base, BaseTarget;

 private:
  friend class TableBuilder;   // tableparser.cpp
  // --- Reader shortcuts
  HtmlReaderState& R() const { return Reader(); }
  HtmlSymbol Sy() const { return Reader().Sy; }
  void Next() { NextToken(); }
  TAttributeList& Attrs() const { return *Reader().Attributes; }
  const TAttribute* Attr(HtmlSymbol which) const { return Attrs().Find(which); }
  // A copy of the current tag's attributes that lives until the parse ends
  // (blocks and property sets read them after the reader moved on).
  TAttributeList* KeepAttributes();

  // --- Property stack
  TProperties* Top() const;
  // Pushes the element's properties: class, ID, title and inline style
  // from attributes (none when null). Beyond kMaxOpenElements nothing is
  // pushed and the innermost set answers.
  TProperties* Push(std::string_view tag, TAttributeList* attributes,
                    std::string_view pseudo = {});
  void CloseElementProps(std::string_view tag);
  void OpenInlineBorder(TProperties* prop);

  // --- Sections and cells
  std::unique_ptr<TSection> NewSection(const TAttributeList* attributes);
  std::unique_ptr<TSection> NewPreSection();
  void AppendSection();
  // A preformatted line ends at its line end, not at the last tag read.
  void AppendLine();
  // The source position of the reader's character; at the end of the
  // text, just past the last one.
  int ReaderPos() const;
  // Frees a section that joins no cell, and everything that points into it.
  void DropSection(std::unique_ptr<TSection> section);
  void EnsureSection();
  void RefreshFont();
  // endPos: the source position the section ends at (its final blank's);
  // when not given, the last tag's position.
  void AppendToCell(std::unique_ptr<TSectionBase> section, int endPos = -1);
  // A new block for the element whose properties are prop, appended to the
  // current cell; its content becomes the current cell.
  TBlock* OpenBlock(TProperties& prop, const TAttributeList* attributes);
  void ApplyAlign(TProperties* prop, const TAttributeList* attributes);

  // --- The routines of the document parser
  void ParseBody(const SymbolSet& term);
  void ParseInline(const SymbolSet& term);
  void DoBody();
  void DoHeading(const SymbolSet& term);
  void DoParagraph(const SymbolSet& term);
  void DoLineBreak(const SymbolSet& term);
  // Whether a BR asks for a page break before or after it; only its class
  // and inline style count, and its properties are closed again.
  bool BreaksPage(TAttributeList& brAttributes);
  void DoLists(HtmlSymbol sym, const SymbolSet& term);
  void DoListItem(HtmlSymbol listSym, HtmlSymbol itemSym, int number, bool plain, char type,
                  const SymbolSet& term);
  void DoDiv(const SymbolSet& term);
  void DoForm(const SymbolSet& term);
  void DoCenter(const SymbolSet& term);
  void DoAddress(const SymbolSet& term);
  // A, end of A (no token is read).
  void DoAnchor();
  void CloseLink();
  // FONT, BASEFONT (no token is read).
  void DoFont(bool preformatted);
  void DoFontStyle(HtmlSymbol sym);
  void DoFontStyleEnd(HtmlSymbol sym);
  void DoHorzLine();
  void DoImageOrPanel(HtmlSymbol sym);
  void DoPage();
  void DoMeta();
  void DoLink();
  void DoBase();
  void DoTitle();
  void DoSound();
  void DoStyle();
  void LoadLinkedSheet(const std::string& href);
  // True (and the tag skipped) when block-level elements nest too deep.
  bool Flatten();

  // --- Tables (tableparser.cpp)
  // Reads a TABLE and leaves what ended it (its end tag, the end of a
  // caption, the end of the text) for the caller. False when the table was
  // nested too deep and its tag ignored.
  bool ParseTable();
  // A table inside content: read, and its own end tag consumed so that it
  // ends no table around it.
  void DoTable();

  // --- Special content (specialcontent.cpp)
  void DoPreformatted();
  // INPUT, SELECT, TEXTAREA; readNext: read the token after the control.
  void DoFormControl(bool readNext);
  ThtmlForm* ImplicitForm();
  void DoMap(bool readNext);
  void DoScript(bool readNext);
  // preformatted: inside PRE, where no token after the object is read.
  void DoObject(bool preformatted);
  void ParsePlainText();

  // --- State
  TSectionList* list_;
  TParserEvents events_;
  TCellBasic* currentCell_ = nullptr;
  std::unique_ptr<TSection> section_;
  TBodyBlock* body_ = nullptr;
  std::unique_ptr<TUrlTarget> urlTarget_;
  bool inLink_ = false;
  bool noBreak_ = false;
  int baseFontSize_ = 3;
  int listLevel_ = 0;
  int tableLevel_ = 0;
  // Tables nested too deep inside the innermost open one: their tags were
  // ignored, so their row, cell and end tags must be too.
  int ignoredTables_ = 0;
  int depth_ = 0;          // block-level routines open
  int preDepth_ = 0;       // inside the preformatted routine
  ThtmlForm* form_ = nullptr;
  // The one form of every control outside a FORM, made by the first.
  ThtmlForm* implicitForm_ = nullptr;
  std::vector<std::unique_ptr<TAttributeList>> keptAttributes_;

  // Counts a block-level routine for the nesting bound.
  struct DepthGuard {
    explicit DepthGuard(int& depth) : depth_(depth) { ++depth_; }
    ~DepthGuard() { --depth_; }
    int& depth_;
  };
};

// The inline symbols of the body loop.
const SymbolSet& InlineSymbols();
bool IsListSymbol(HtmlSymbol s);

}  // namespace htmlview
