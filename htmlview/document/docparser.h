#pragma once
// The document parser: reads the reader's tokens and builds the document in
// a section list — the body block, blocks for paragraphs, headings, lists,
// DIV and FORM, text and preformatted sections, tables, rules, page breaks,
// images, panels and form controls, each with the properties the cascade
// computes for its element. It also collects the title, base URL and base
// target, applies STYLE and LINK style sheets and META charsets, and raises
// the viewer's events.
//
// The parser never reports an error: a parse that cannot go on (the text
// ends inside a comment, a linked style sheet cannot be read, memory runs
// out) ends there quietly, and everything built before it stays in the
// section list, tables and blocks that were still open included.
//
// Pathological nesting is bounded so that no document can exhaust the
// stack: block-level elements nested deeper than kMaxBlockNesting are
// flattened into their parent, and inline elements beyond kMaxOpenElements
// open ones take no properties of their own.
//
// Like the reader, the parser keeps one process-wide state: one document is
// parsed at a time, on the user-interface thread.
#include <functional>
#include <string>
#include <vector>

#include "htmlview/parse/htmlreader.h"
#include "platform/streams.h"

namespace htmlview {

class TSectionList;
class TPanelObj;

// BGSOUND: the source, LOOP (1 when absent) and whether to stop.
using TSoundRequestEvent = std::function<void(const std::string& src, int loop, bool stop)>;
// META: HTTP-EQUIV, NAME and CONTENT.
using TMetaEvent = std::function<void(const std::string& httpEquiv, const std::string& name,
                                      const std::string& content)>;
// LINK: REL, REV and HREF.
using TLinkEvent =
    std::function<void(const std::string& rel, const std::string& rev, const std::string& href)>;
// SCRIPT: NAME, LANGUAGE and the script text (lines ending in CR LF).
using TScriptEvent = std::function<void(const std::string& name, const std::string& language,
                                        const std::string& script)>;
// OBJECT: the panel made for it, the tag's attributes ("name=value") and its
// PARAM elements ("name=value", or the name alone); wantPanel false drops
// the panel.
using TObjectTagEvent =
    std::function<void(TPanelObj& panel, const std::vector<std::string>& attributes,
                       const std::vector<std::string>& params, bool& wantPanel)>;
// The data of a linked style sheet (url as written, or as the name-expansion
// handler made it); left null: none. The stream stays the caller's.
using TStreamRequestEvent = std::function<void(const std::string& url, platform::TStream*& stream)>;

// What the viewer hands the parser: its events (all optional) and margins.
struct TParserEvents {
  TIncludeEvent Include;
  TSoundRequestEvent Sound;
  TMetaEvent Meta;
  TLinkEvent Link;
  TScriptEvent Script;
  TObjectTagEvent Object;
  TStreamRequestEvent StreamRequest;
  TProgressEvent Progress;
  int MarginWidth = 10;   // the viewer's MarginWidth and MarginHeight
  int MarginHeight = 5;
};

inline constexpr int kMaxBlockNesting = 100;
inline constexpr int kMaxOpenElements = 1000;
inline constexpr int kMaxTableNesting = 10;

// Parses an HTML document (8-bit text as loaded) into list, which the
// caller has cleared and given its defaults (style sheet, fonts).
void ParseHtmlDocument(const std::string& text, TSectionList& list,
                       const TParserEvents& events = {});
// A plain-text document: every line a preformatted section, every byte the
// character of the same number.
void ParsePlainText(const std::string& text, TSectionList& list,
                    const TParserEvents& events = {});

// What the last parse collected for the viewer (kept until the next parse).
const std::u16string& DocumentTitle();
const std::string& DocumentBase();
const std::string& DocumentBaseTarget();

// Module start-up and clean-up of the parser's state (the reader's too).
void InitDocParser();
void DoneDocParser();

}  // namespace htmlview
