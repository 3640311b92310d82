#pragma once
// The style-sheet parser: turns style text into entries of the document's
// style sheet (TStyleList) and the text of a STYLE attribute into a property
// set (TProperties). It knows no property semantics beyond the shorthand
// expansions: every declaration is handed on as a (long-hand name, value
// text) pair, and the style model converts and stores it.
//
// Three inputs: the content of a STYLE element, read straight from the HTML
// reader's characters (ParseStyleElement); the text of a linked style sheet
// (ParseLinkedStyleSheet); and the value of a STYLE attribute
// (ParseInlineStyle). None of them reports an error: malformed text ends a
// rule, a block or the whole parse quietly, and what was read before stays.
//
// Every parse keeps its state in its own reader object, so nothing needs
// start-up or clean-up; the HTML reader's state is shared with the document
// parser, so a STYLE element is parsed only between tokens.
//
// Names, selectors and values are lower-cased, except the address inside
// "url(...)", which file systems and servers may treat case-sensitively.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "htmlview/parse/codepages.h"
#include "htmlview/style/styleprops.h"
#include "htmlview/style/stylesheet.h"

namespace htmlview {

// Where the parser's characters come from: Next returns the next character
// (NUL at the end, and again on every later call); Peek returns the one
// Next would return without consuming it.
class StyleCharSource {
 public:
  virtual ~StyleCharSource() = default;
  virtual char Next() = 0;
  virtual char Peek() = 0;
};

// The text of a linked sheet or of an attribute: LF after CR is dropped, a
// lone LF becomes CR, TAB a space and a NUL byte inside the text a space.
class StyleTextSource : public StyleCharSource {
 public:
  explicit StyleTextSource(std::string_view text) : text_(text) {}
  char Next() override;
  char Peek() override;

 private:
  char Read(size_t& pos) const;
  std::string_view text_;
  size_t pos_ = 0;
};

// Parses rules into styles until the input ends or, unless fromLink, until a
// "<" is read outside a comment (the start of "</style>"). ch is the caller's
// current character: it is read first (a CR as a space) and on return holds
// the parser's current character ("<" or NUL), upper-cased. linkPath is the
// folder or URL base that relative "url(...)" values are resolved against
// (empty: left as written). valueCodePage: the code page the value bytes are
// in; they are handed on as UTF-8.
void ParseStyleSheet(TStyleList& styles, char& ch, StyleCharSource& source, bool fromLink,
                     std::string_view linkPath, int valueCodePage = kCodePageUtf8);

// A STYLE element: the reader (Reader()) stands at the ">" of the start tag.
// Reads the content through the reader's character function and leaves the
// reader at the "<" of the end tag (or at the end of the text), ready for
// its next token. Values are decoded with the code page of the innermost
// open element.
void ParseStyleElement(TStyleList& styles);

// The text of a style sheet named by a LINK element (UTF-8, or
// Windows-1252 when it is not valid UTF-8); linkPath is the sheet's folder
// (with or without a trailing "/") or its URL base.
void ParseLinkedStyleSheet(TStyleList& styles, std::string_view text, std::string_view linkPath);

// The declarations of a STYLE attribute into props (names and values
// lower-cased; "url(...)" values are left as written).
void ParseInlineStyle(std::string_view text, TProperties& props);

// --- The pieces, for the attribute list, the cascade and tests.

// The key a selector is stored under in the style sheet; descendant and child
// selectors take the style sheet's next sequence number. "" for a selector
// that names nothing.
std::string FormatSelectorKey(std::string_view selector, TStyleList& styles);

// One simple selector in canonical order: element name, classes, pseudo-classes,
// ID, each group sorted without regard to case; every piece keeps only "-",
// "_", digits and lower-case letters.
std::string SortSelectorParts(std::string_view simpleSelector);

// A value of two or more characters enclosed in matching double or single
// quotation marks without them; any other value unchanged.
std::string RemoveQuotes(std::string_view value);

// At most maxWords words of a shorthand's value (see the .cpp for the rules on
// quotes and on "/").
std::vector<std::string> SplitWords(std::string_view text, int maxWords);

// Cuts up to maxParts "url(...)" parts, then "rgb(...)" parts, out of text and
// returns them; text keeps the rest.
std::vector<std::string> ExtractFunctionParts(std::string& text, int maxParts);

// "url(address)" with the address resolved against linkPath.
std::string MakeUrlAbsolute(std::string_view value, std::string_view linkPath);

using StylePropertySink = std::function<void(std::string_view name, std::string_view value)>;

// Hands one declaration to sink: a shorthand as its long-hand properties
// ("font" gets valueText, quotes kept; the others plainValue), any other name
// as it is, its "url(...)" made absolute when linkPath is set.
void ExpandShorthand(std::string_view name, std::string_view valueText,
                     std::string_view plainValue, std::string_view linkPath,
                     const StylePropertySink& sink);

}  // namespace htmlview
