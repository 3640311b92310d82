#pragma once
// The HTML reader: turns the 8-bit text of a document into tokens for the
// document parser (a tag with its symbol and attributes, a run of text, the
// end of the text). It normalises line ends and tabs, makes comments,
// declarations, processing blocks and include commands invisible, decodes
// character references, decodes text with the code page of the innermost
// open element, and gives every UTF-16 unit of a text token the offset of its
// first byte in the document as given (selections, IDs and link targets are
// numbered by these offsets).
//
// The reader, the document parser and the style-sheet parser share one
// process-wide state (Reader()): one document is read at a time, on the
// user-interface thread. InitHtmlReader() creates the token and the attribute
// list; DoneHtmlReader() frees them and empties the texts.
//
// Attribute values and include parameters are handed on as UTF-8: the bytes
// of the document are decoded with the code page in force when the value was
// read (kept in TAttribute::CodePage), and character references are added as
// the characters they name, so nothing is lost to a narrow code page.
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "htmlview/parse/attributes.h"
#include "htmlview/parse/viewutils.h"
#include "htmlview/parse/vocabulary.h"
#include "platform/sysutils.h"

namespace htmlview {

// Raised when the text ends inside a comment or declaration; the document
// parser ends the parse quietly on it.
class EParseError : public platform::Exception { using Exception::Exception; };

inline constexpr const char* kOpenCommentMessage = "Open Comment at End of HTML File";

// Numeric attribute values saturate at plus or minus this.
inline constexpr int kMaxAttributeNumber = 1000000;

// The viewer's include handler: command ("include", as written), the
// "name=value" parameters, and the text to insert (empty for none). The
// inserted text is read in the document's code page.
using TIncludeEvent = std::function<void(const std::string& command,
                                         const std::vector<std::string>& params,
                                         std::string& text)>;
// The viewer's progress report, in percent of the parse.
using TProgressEvent = std::function<void(int percent)>;
// The part of a load's progress the parse reports; the layout reports the rest.
constexpr int kParseProgressShare = 75;

enum class ReaderInput { Document, Include };

// The most text include commands may put before the reader in one parse:
// the answers, and the rest of an include text that a nested command's
// answer goes in front of. An include handler whose answers hold further
// commands (its own, or the page's text given back) would otherwise read
// for ever; past the bound a command's answer is dropped.
inline constexpr size_t kMaxIncludedText = size_t(8) << 20;

// The process-wide reader state. The parser reads the current token through
// Sy, Token, Attributes, TagPos and HeadingLevel, and the character
// look-ahead through Ch / UpCh.
struct HtmlReaderState {
  // Character source.
  std::string Doc;          // the document's bytes (after the set-up below)
  size_t DocPos = 0;        // next byte to read
  std::string IncludeText;  // text inserted by an include command
  size_t IncludePos = 0;
  size_t IncludedText = 0;  // of kMaxIncludedText, in this parse
  ReaderInput Input = ReaderInput::Document;
  ReaderInput SavedInput = ReaderInput::Document;
  // Offset in the document as given of the current character; include text
  // does not advance it.
  int CharCount = -1;
  int StartCount = -1;      // CharCount before the first character

  // The current character (look-ahead) and its upper-case form.
  char Ch = 0;
  char UpCh = 0;
  bool LastCR = false, LastLF = false;

  bool InComment = false;
  bool NoSkip = false;        // SCRIPT content or plain text: comments are text
  bool Prescan = false;       // link pre-scan: nothing collected or registered
  bool CharsetFixed = false;  // the document began with the UTF-8 mark
  bool Converted = false;     // the document is Shift-JIS converted already
  // The document declared EUC-JP: what the charset model calls Shift-JIS
  // (code page 932) is read as EUC-JP, in place, so that every offset still
  // counts the document's own bytes.
  bool EucJp = false;
  // A text run ended inside an open comment: the run is delivered, the
  // error raised by the next NextToken.
  bool PendingError = false;

  // The current token.
  HtmlSymbol Sy = HtmlSymbol::EndOfText;
  int TagPos = 0;
  int HeadingLevel = 0;
  std::unique_ptr<TokenObj> Token;
  std::unique_ptr<TAttributeList> Attributes;

  // Installed by the parser for the real parse.
  TIncludeEvent IncludeEvent;
  TProgressEvent Progress;
  int ProgressShare = kParseProgressShare;   // the section list's share of the load's progress
  TIDNameList* IDList = nullptr;  // where ID attributes register their offsets

  // The code page when no element is open (the property stack is empty),
  // and the viewer's code page, which follows the root and META charsets.
  int DefaultCodePage = 1252;
  int ViewerCodePage = 1252;
};

// Module start-up and clean-up. Reader() works before InitHtmlReader() too.
void InitHtmlReader();
void DoneHtmlReader();
HtmlReaderState& Reader();

// The code page of the innermost open element (the top of the property
// stack), or the default code page when none is open; EUC-JP (51932) for
// Shift-JIS in a document that declared EUC-JP.
int CurrentCodePage();

// Reader set-up for a new document: replaces NUL bytes (at most 100; the
// text is cut before a 101st), recognises the UTF-8 mark (removed; offsets
// still count it) and ISO-2022-JP (converted to Shift-JIS), sets the root
// properties' code page (the bottom of the property stack, when there is
// one) and the viewer's. Flags are cleared; handlers stay as installed.
// Nothing is read yet: call GetCharSkip() (inside the parse's error guard)
// for the first character.
void BeginReading(std::string text);
// Back to the first character, as after BeginReading.
void RewindReader();

// A place in the character stream to read from again, so that what was
// read as tokens can be read again another way (preformatted text after an
// embedded object's parameters). The current token is not part of it.
struct ReaderMark {
  size_t DocPos = 0;
  std::string IncludeText;
  size_t IncludePos = 0;
  ReaderInput Input = ReaderInput::Document;
  ReaderInput SavedInput = ReaderInput::Document;
  int CharCount = -1;
  char Ch = 0, UpCh = 0;
  bool LastCR = false, LastLF = false;
  bool InComment = false, PendingError = false;
};
ReaderMark MarkReader();
void ReturnToMark(const ReaderMark& mark);

// Pages with more links than this give their links no tab stops.
inline constexpr int kLinkTabStopLimit = 400;

// Pre-scan: tokenises the whole document with nothing collected and the
// include handler set aside, counting A tags with an HREF (stopping after
// 401), then rewinds. More than 400 means: no tab stops for links.
int CountLinks();

// Raw character with line-end normalisation: every line end (CR, LF, CR LF
// or LF CR) becomes one CR, a TAB a space. Raises EParseError at the end of
// the text inside a comment.
void ReadHtmlChar();
// ReadHtmlChar, skipping comments, declarations, processing blocks and
// include commands (unless NoSkip is set).
void GetCharSkip();
// Skips TAB, CR and space.
void SkipWhiteSpace();

// The next token into Sy, Token, Attributes, TagPos and HeadingLevel.
void NextToken();

// The text of a preformatted line at the current character: everything up
// to a control character, CR or "<", spaces kept, references decoded, as a
// text token (empty when the current character ends it at once).
void NextPreformattedText();
// Tokens of TEXTAREA content: EndOfText, LineBreak, TextToken (text or a
// decoded reference) or TextAreaContentEnd (after "</textarea", whose ">"
// is consumed).
void NextTextAreaToken();
// Tokens of SCRIPT content (NoSkip set by the caller): EndOfText,
// LineBreak, TextToken or ScriptContentEnd ("</script" and its ">"; NoSkip
// is cleared).
void NextScriptToken();

// The charset named in text (a META content or a FONT charset). EUC-JP
// answers 128 and, unless the document was converted to Shift-JIS already
// (ISO-2022-JP), has the document's Shift-JIS read as EUC-JP from then on.
// ownCodePage, when given, receives the code page text in the set decodes
// with when that is not the one paired with the charset (ISO-8859-7 is
// charset 161 but not windows-1253), else 0.
bool CharsetFromString(std::string_view text, int& charset, int* ownCodePage = nullptr);
// A META tag's charset (HTTP-EQUIV "content-type"): applied to the innermost
// element, and the viewer's code page follows it. Ignored when the document
// began with the UTF-8 mark. True when a charset was applied.
bool ApplyMetaCharset(std::string_view httpEquiv, std::string_view content);
// The same for a charset named on its own (a META's CHARSET attribute).
bool ApplyCharsetName(std::string_view text);

// The conversions, for tests and the parser.
std::string EucJpToShiftJis(std::string_view text);
std::string Iso2022JpToShiftJis(std::string_view text);
bool IsIso2022Jp(std::string_view text);

}  // namespace htmlview
