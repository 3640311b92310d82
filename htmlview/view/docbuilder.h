#pragma once
// The step of the load road that turns source text into the document's
// sections: the document parser for HTML, one preformatted section per
// line for plain text. Tests put a builder of their own in its place to
// show documents assembled by hand.
#include <functional>
#include <string>
#include <vector>

#include "htmlview/document/docparser.h"

namespace htmlview {

class TSectionList;

struct TDocumentSource {
  const std::string* Text = nullptr;
  int FileType = 0;   // 0 HTML, 1 plain text
  TParserEvents Events;
};

// What the parse found beside the sections.
struct TParsedDocument {
  std::string Title;
  std::string Base;         // the BASE element's href
  std::string BaseTarget;   // and its target
};

using TDocumentBuilder =
    std::function<void(TSectionList& document, const TDocumentSource& source, TParsedDocument& parsed)>;

// Replaces the builder (null: the parser again).
void SetDocumentBuilder(TDocumentBuilder builder);
void BuildDocument(TSectionList& document, const TDocumentSource& source, TParsedDocument& parsed);

// Lines of a text, without their CR LF / LF ends.
std::vector<std::string> SplitLines(const std::string& text);

}  // namespace htmlview
