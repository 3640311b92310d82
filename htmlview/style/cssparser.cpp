#include "htmlview/style/cssparser.h"

#include <algorithm>
#include <utility>

#include "htmlview/parse/htmlreader.h"
#include "htmlview/parse/urlsubs.h"
#include "htmlview/parse/viewutils.h"
#include "platform/sysutils.h"
#include "platform/textfile.h"

namespace htmlview {

using platform::CompareText;
using platform::IsAsciiDigit;
using platform::IsAsciiLetter;
using platform::LowerCase;
using platform::Trim;

namespace {

constexpr int kMaxWords = 7;

bool Contains(std::string_view s, std::string_view what) {
  return s.find(what) != std::string_view::npos;
}

// Lower-cases everything but the address inside "url(...)": the keyword is
// lower-cased (the style model looks for "url("), the address keeps its case
// because file names and server paths may depend on it.
std::string LowerCaseKeepUrls(std::string_view text) {
  std::string out(text);
  size_t i = 0;
  while (i < out.size()) {
    if (platform::StartsText(std::string_view(out).substr(i), "url(")) {
      for (size_t k = i; k < i + 4; ++k) out[k] = platform::LowerAscii(out[k]);
      const size_t close = out.find(')', i + 4);
      i = close == std::string::npos ? out.size() : close + 1;
      continue;
    }
    out[i] = platform::LowerAscii(out[i]);
    ++i;
  }
  return out;
}

// This style model has no priorities: "!important" is dropped so the
// declaration applies as a normal one instead of failing to parse.
std::string StripImportant(std::string value) {
  constexpr std::string_view kImportant = "important";
  if (value.size() < kImportant.size() + 1 ||
      value.compare(value.size() - kImportant.size(), kImportant.size(), kImportant) != 0)
    return value;
  size_t bang = value.size() - kImportant.size();
  while (bang > 0 && value[bang - 1] == ' ') --bang;
  if (bang == 0 || value[bang - 1] != '!') return value;
  return Trim(std::string_view(value).substr(0, bang - 1));
}

bool IsColourWord(std::string_view word) {
  platform::Colour c = 0;
  return ColorFromString(word, true, c);
}

// Child combinators: a ">" at either end goes, every other one loses the
// spaces before it and is followed by exactly one space.
std::string NormaliseCombinators(std::string s) {
  for (;;) {
    s = Trim(s);
    if (!s.empty() && s.front() == '>') s.erase(0, 1);
    else if (!s.empty() && s.back() == '>') s.pop_back();
    else break;
  }
  std::string out;
  out.reserve(s.size() + 4);
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '>') {
      out.push_back(s[i]);
      continue;
    }
    while (!out.empty() && out.back() == ' ') out.pop_back();
    out.push_back('>');
    out.push_back(' ');
    while (i + 1 < s.size() && s[i + 1] == ' ') ++i;
  }
  return out;
}

std::vector<std::string> SplitOnSpaces(std::string_view s) {
  std::vector<std::string> parts;
  size_t i = 0;
  while (i < s.size()) {
    while (i < s.size() && s[i] == ' ') ++i;
    const size_t start = i;
    while (i < s.size() && s[i] != ' ') ++i;
    if (i > start) parts.emplace_back(s.substr(start, i - start));
  }
  return parts;
}

// Reads the characters of one parse. Not shared: each entry point makes its
// own, so a parse can never see another's half-read state.
class CssReader {
 public:
  // Declarations go to every selector of the current rule in styles, or,
  // without styles, to props.
  CssReader(StyleCharSource& source, std::string_view linkPath, int valueCodePage,
            TStyleList* styles, TProperties* props)
      : source_(source),
        linkPath_(linkPath),
        codePage_(ResolveCodePage(valueCodePage)),
        styles_(styles),
        props_(props) {}

  char Ch = 0;

  void PushBack(char c) { pushed_ = c == '\r' ? ' ' : c; }

  // The next character, a CR as a space.
  void GetCh() {
    if (pushed_) {
      Ch = pushed_;
      pushed_ = 0;
    } else {
      Ch = source_.Next();
    }
    if (Ch == '\r') Ch = ' ';
  }

  // The next character outside comments. A comment ends at "*/", at the end
  // of the input or at a "<", and the character that ends it is consumed.
  void ReadCh() {
    for (;;) {
      GetCh();
      if (Ch != '/') return;
      GetCh();
      if (Ch != '*') {
        pushed_ = Ch;
        Ch = '/';
        return;
      }
      char previous = 0;
      for (;;) {
        GetCh();
        if (Ch == 0 || Ch == '<' || (previous == '*' && Ch == '/')) break;
        previous = Ch;
      }
    }
  }

  char PeekCh() { return pushed_ ? pushed_ : source_.Peek(); }

  void SkipWhiteSpace() {
    while (Ch == ' ') ReadCh();
  }

  std::string CollectName() {
    std::string name;
    while (Ch == '-' || IsAsciiDigit(Ch) || IsAsciiLetter(Ch)) {
      name.push_back(Ch);
      ReadCh();
    }
    return LowerCase(Trim(name));
  }

  // Value bytes in a narrow page become UTF-8, like every other text the
  // viewer hands on.
  std::string DecodeValue(std::string raw) const {
    if (codePage_ == kCodePageUtf8) return raw;
    const bool narrow = std::all_of(raw.begin(), raw.end(),
                                    [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    return narrow ? raw : CodePageToUtf8(raw, codePage_);
  }

  void Declare(const std::string& name, const std::string& valueText) {
    if (name.empty()) return;
    const std::string value = StripImportant(valueText);
    ExpandShorthand(name, value, RemoveQuotes(value), linkPath_,
                    [this](std::string_view n, std::string_view v) {
                      if (styles_) {
                        for (const std::string& key : selectors_) styles_->AddProperty(key, n, v);
                      } else if (props_) {
                        props_->AddPropertyByName(n, v);
                      }
                    });
  }

  // ---- style sheets

  void StyleSheet(bool fromLink) {
    // Passes over an opening "<!--". In a STYLE element any other "<" is
    // its end tag, which is left for the reader (an empty element must not
    // swallow the "</style>" and the text after it).
    while (Ch == ' ' || Ch == '!' || Ch == '-' || Ch == '>' || Ch == '<') {
      if (Ch == '<' && !fromLink && PeekCh() != '!') break;
      ReadCh();
    }
    while (!(Ch == 0 || (Ch == '<' && !fromLink))) {
      if (Ch == '@') {
        AtRule();
      } else if (Ch == '<') {
        while (Ch != 0 && Ch != ' ') ReadCh();
        SkipWhiteSpace();
      } else {
        Rule();
      }
      // Passes over a closing "-->", and over "<!--" when a sheet has more
      // than one commented part.
      for (;;) {
        if (Ch == ' ' || Ch == '-' || Ch == '>') {
          ReadCh();
        } else if (Ch == '<' && PeekCh() == '!') {
          ReadCh();
          ReadCh();
        } else {
          break;
        }
      }
    }
  }

 private:
  void AtRule() {
    std::string text;
    while (Ch != 0 && Ch != ';' && Ch != '<' && Ch != '{') {
      text.push_back(Ch);
      ReadCh();
    }
    if (Ch == ';') {
      ReadCh();
      return;
    }
    if (Ch != '{') return;
    ReadCh();
    if (Contains(LowerCase(text), "screen")) {
      for (;;) {
        SkipWhiteSpace();
        if (Ch == 0 || Ch == '<' || Ch == '}') break;
        Rule();
      }
    } else {
      // Counted, not recursive: deep nesting in bad input cannot exhaust
      // the stack.
      int depth = 0;
      while (Ch != 0 && Ch != '<') {
        if (Ch == '{') {
          ++depth;
        } else if (Ch == '}') {
          if (depth == 0) break;
          --depth;
        }
        ReadCh();
      }
    }
    if (Ch == '}') ReadCh();
  }

  void Rule() {
    selectors_.clear();
    GetSelectors();
    DeclarationBlock();
  }

  void GetSelectors() {
    do {
      if (Ch == ',') ReadCh();
      SkipWhiteSpace();
      std::string text;
      while (Ch == ' ' || Ch == '#' || Ch == '*' || Ch == '-' || Ch == '.' || IsAsciiDigit(Ch) ||
             Ch == ':' || Ch == '>' || IsAsciiLetter(Ch) || Ch == '_') {
        text.push_back(Ch == '*' ? ' ' : Ch);
        ReadCh();
      }
      std::string key = styles_ ? FormatSelectorKey(text, *styles_) : std::string();
      if (!key.empty()) selectors_.push_back(std::move(key));
    } while (Ch == ',');
    while (Ch != 0 && Ch != '<' && Ch != '{') ReadCh();
  }

  void DeclarationBlock() {
    if (Ch != '{') return;
    ReadCh();
    DeclarationList(false);
    if (Ch == '}') ReadCh();
  }

 public:
  // The declarations of a block, which end at "}" or "<", or of a STYLE
  // attribute (lower-cased already), which run to the end of the text and
  // whose values end at ";" only.
  void DeclarationList(bool attribute) {
    auto listEnd = [&] { return Ch == 0 || (!attribute && (Ch == '<' || Ch == '}')); };
    do {
      SkipWhiteSpace();
      const std::string name = CollectName();
      SkipWhiteSpace();
      if (Ch == ':' || Ch == '=') {
        ReadCh();
        std::string raw;
        while (!listEnd() && Ch != ';') {
          raw.push_back(Ch);
          ReadCh();
        }
        Declare(name, attribute ? Trim(raw) : Trim(LowerCaseKeepUrls(DecodeValue(std::move(raw)))));
      }
      SkipWhiteSpace();
      if (Ch == ';') ReadCh();
      while (!listEnd() && Ch != '-' && !IsAsciiDigit(Ch) && !IsAsciiLetter(Ch)) ReadCh();
    } while (!listEnd());
  }

 private:
  StyleCharSource& source_;
  std::string linkPath_;
  int codePage_;
  TStyleList* styles_;
  TProperties* props_;
  char pushed_ = 0;
  std::vector<std::string> selectors_;
};

// The HTML reader's characters (line ends already CR, TAB already a space).
// Peeking reads one character and puts the reader back where it was.
class ReaderCharSource : public StyleCharSource {
 public:
  char Next() override {
    ReadHtmlChar();
    return Reader().Ch;
  }
  char Peek() override {
    HtmlReaderState& r = Reader();
    const size_t docPos = r.DocPos, includePos = r.IncludePos;
    const ReaderInput input = r.Input, savedInput = r.SavedInput;
    const int charCount = r.CharCount;
    const bool lastCR = r.LastCR, lastLF = r.LastLF;
    const char ch = r.Ch, upCh = r.UpCh;
    std::string includeText;
    if (input == ReaderInput::Include) includeText = r.IncludeText;
    ReadHtmlChar();
    const char next = r.Ch;
    r.DocPos = docPos;
    r.IncludePos = includePos;
    r.Input = input;
    r.SavedInput = savedInput;
    r.CharCount = charCount;
    r.LastCR = lastCR;
    r.LastLF = lastLF;
    r.Ch = ch;
    r.UpCh = upCh;
    if (input == ReaderInput::Include) r.IncludeText = std::move(includeText);
    return next;
  }
};

void SideShorthand(std::string_view prefix, std::string_view suffix, std::string_view value,
                   const StylePropertySink& sink) {
  const std::vector<std::string> w = SplitWords(value, 4);
  if (w.empty()) return;
  const std::string* side[4];  // top, right, bottom, left
  switch (w.size()) {
    case 1: side[0] = side[1] = side[2] = side[3] = &w[0]; break;
    case 2: side[0] = side[2] = &w[0]; side[1] = side[3] = &w[1]; break;
    case 3: side[0] = &w[0]; side[1] = side[3] = &w[1]; side[2] = &w[2]; break;
    default: side[0] = &w[0]; side[1] = &w[1]; side[2] = &w[2]; side[3] = &w[3]; break;
  }
  static constexpr std::string_view kSides[4] = {"-top", "-right", "-bottom", "-left"};
  for (int i = 0; i < 4; ++i)
    sink(std::string(prefix) + std::string(kSides[i]) + std::string(suffix), *side[i]);
}

void BorderShorthand(std::string_view name, std::string_view value,
                     const StylePropertySink& sink) {
  const std::string base(name);
  std::string rest(value);
  for (const std::string& part : ExtractFunctionParts(rest, kMaxWords))
    if (IsColourWord(part)) sink(base + "-color", part);
  for (const std::string& word : SplitWords(rest, kMaxWords)) {
    if (IsColourWord(word)) {
      sink(base + "-color", word);
    } else if (IsBorderStyleWord(word)) {
      sink(base + "-style", word);
    } else if (base == "border") {
      for (const char* side : {"border-top-width", "border-right-width", "border-bottom-width",
                               "border-left-width"})
        sink(side, word);
    } else {
      sink(base + "-width", word);
    }
  }
}

bool StartsWithNumber(std::string_view word) {
  return !word.empty() &&
         (IsAsciiDigit(word[0]) || (word[0] == '.' && word.size() > 1 && IsAsciiDigit(word[1])));
}

void FontShorthand(std::string_view value, const StylePropertySink& sink) {
  std::string family;
  bool haveFamily = false;
  for (const std::string& word : SplitWords(value, kMaxWords)) {
    if (word.empty()) continue;
    if (word[0] == '/') {
      sink("line-height", std::string_view(word).substr(1));
    } else if (const auto kind = FontKeywordKindOf(word)) {
      switch (*kind) {
        case FontKeywordKind::Style: sink("font-style", word); break;
        case FontKeywordKind::Weight: sink("font-weight", word); break;
        case FontKeywordKind::Variant: sink("font-variant", word); break;
        case FontKeywordKind::Size: sink("font-size", word); break;
      }
    } else if (!StartsWithNumber(word)) {
      family = word;  // a later family word replaces an earlier one
      haveFamily = true;
    } else if (platform::StrToIntDef(word, -1) < 100) {
      sink("font-size", word);
    }
    // A bare number of 100 or more is a weight this model does not take.
  }
  if (haveFamily) sink("font-family", family);
}

void BackgroundShorthand(std::string_view value, std::string_view linkPath,
                         const StylePropertySink& sink) {
  std::string rest(value);
  for (const std::string& part : ExtractFunctionParts(rest, kMaxWords)) {
    if (Contains(part, "rgb(")) sink("background-color", part);
    else if (Contains(part, "url("))
      sink("background-image", linkPath.empty() ? part : MakeUrlAbsolute(part, linkPath));
  }
  std::vector<std::string> words = SplitWords(rest, kMaxWords);
  for (std::string& w : words)
    if (!w.empty() && IsColourWord(w)) {
      sink("background-color", w);
      w.clear();
    }
  for (std::string& w : words)
    if (w == "none") {
      sink("background-image", "none");
      sink("background-color", "transparent");
      w.clear();
    }
  for (std::string& w : words)
    if (Contains(w, "repeat")) {
      sink("background-repeat", w);
      w.clear();
    }
  for (std::string& w : words)
    if (w == "fixed" || w == "scroll") {
      sink("background-attachment", w);
      w.clear();
    }
  // The last two words left, in the order they stand, each followed by a space.
  std::vector<const std::string*> position;
  for (auto it = words.rbegin(); it != words.rend() && position.size() < 2; ++it)
    if (!it->empty()) position.insert(position.begin(), &*it);
  if (position.empty()) return;
  std::string joined;
  for (const std::string* w : position) joined += *w + " ";
  sink("background-position", joined);
}

void ListStyleShorthand(std::string_view value, std::string_view linkPath,
                        const StylePropertySink& sink) {
  for (const std::string& word : SplitWords(value, kMaxWords)) {
    if (Contains(word, "url(")) {
      sink("list-style-image", linkPath.empty() ? word : MakeUrlAbsolute(word, linkPath));
    } else if (word != "inside" && word != "outside") {
      // The marker position is not modelled; taken as a type it would
      // replace the type given before it with an unknown one.
      sink("list-style-type", word);
    }
  }
}

}  // namespace

// ---------------------------------------------------------------------------
// Character sources

char StyleTextSource::Read(size_t& pos) const {
  for (;;) {
    if (pos >= text_.size()) return 0;
    const char c = text_[pos++];
    if (c == '\n') {
      if (pos >= 2 && text_[pos - 2] == '\r') continue;
      return '\r';
    }
    if (c == '\t' || c == 0) return ' ';
    return c;
  }
}

char StyleTextSource::Next() { return Read(pos_); }

char StyleTextSource::Peek() {
  size_t pos = pos_;
  return Read(pos);
}

// ---------------------------------------------------------------------------
// Selectors

std::string SortSelectorParts(std::string_view simpleSelector) {
  std::vector<std::string> pieces(1);
  for (const char c : simpleSelector) {
    if (c == '#' || c == '.' || c == ':') pieces.emplace_back(1, c);
    else if (c == '-' || c == '_' || IsAsciiDigit(c) || (c >= 'a' && c <= 'z')) pieces.back().push_back(c);
  }
  auto rank = [](const std::string& piece) {
    switch (piece[0]) {
      case '.': return 0;
      case ':': return 1;
      default: return 2;  // '#'
    }
  };
  std::stable_sort(pieces.begin() + 1, pieces.end(), [&](const std::string& a, const std::string& b) {
    const int ra = rank(a), rb = rank(b);
    if (ra != rb) return ra < rb;
    return CompareText(a, b) < 0;
  });
  std::string out;
  for (const std::string& p : pieces) out += p;
  return out;
}

std::string FormatSelectorKey(std::string_view selector, TStyleList& styles) {
  std::string text = LowerCase(selector);
  std::replace(text.begin(), text.end(), '*', ' ');
  std::vector<std::string> parts = SplitOnSpaces(NormaliseCombinators(std::move(text)));
  if (parts.empty()) return {};
  // Canonical order inside every simple selector, so "a:hover.x" and
  // "a.x:hover" are one key; a child combinator stays after its selector.
  for (std::string& part : parts) {
    size_t body = part.size();
    while (body > 0 && part[body - 1] == '>') --body;
    part = SortSelectorParts(std::string_view(part).substr(0, body)) + part.substr(body);
  }
  if (parts.size() == 1) return parts[0];
  std::string key = parts.back() + " " + std::to_string(parts.size() - 1) + styles.GetSeqNo();
  for (size_t i = parts.size() - 1; i-- > 0;) key += parts[i] + " ";
  return key;
}

// ---------------------------------------------------------------------------
// Values

std::string RemoveQuotes(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front())
    return std::string(value.substr(1, value.size() - 2));
  return std::string(value);
}

std::vector<std::string> SplitWords(std::string_view text, int maxWords) {
  // One space between words; a comma list is one word.
  std::string s;
  for (const char c : Trim(text)) {
    if (c == ' ' && !s.empty() && (s.back() == ' ' || s.back() == ',')) continue;
    if (c == ',' && !s.empty() && s.back() == ' ') s.pop_back();
    s.push_back(c);
  }
  std::vector<std::string> words;
  size_t i = 0;
  while (i < s.size() && static_cast<int>(words.size()) < maxWords) {
    const size_t space = std::min(s.find(' ', i), s.size());
    const size_t quote = s.find_first_of("\"'", i);
    size_t end = space;
    if (quote < space) {
      // A quoted part runs to its closing mark, the word on to the next space.
      const size_t close = s.find(s[quote], quote + 1);
      end = close == std::string::npos ? s.size() : std::min(s.find(' ', close + 1), s.size());
    }
    std::string word = s.substr(i, end - i);
    i = end + 1;
    // "12pt/1.5" is a size and a line height. Not inside an address or a
    // quoted name: "url(img/a.gif)" stays one word.
    const size_t slash = word.find('/');
    if (slash != std::string::npos && slash >= 1 && !Contains(word, "url(") &&
        word.find_first_of("\"'") > slash) {
      words.push_back(word.substr(0, slash));
      words.push_back(word.substr(slash));
    } else {
      words.push_back(std::move(word));
    }
  }
  return words;
}

std::vector<std::string> ExtractFunctionParts(std::string& text, int maxParts) {
  std::vector<std::string> parts;
  while (static_cast<int>(parts.size()) < maxParts) {
    size_t start = text.find("url(");
    if (start == std::string::npos) start = text.find("rgb(");
    if (start == std::string::npos) break;
    const size_t close = text.find(')', start + 4);
    if (close == std::string::npos) break;
    parts.push_back(text.substr(start, close - start + 1));
    // A space keeps the words on either side apart.
    text.replace(start, close - start + 1, " ");
  }
  return parts;
}

std::string MakeUrlAbsolute(std::string_view value, std::string_view linkPath) {
  if (linkPath.empty()) return std::string(value);
  std::string v(value);
  for (size_t i = 0; i + 4 <= v.size(); ++i)
    if (platform::StartsText(std::string_view(v).substr(i), "url(")) {
      for (size_t k = i; k < i + 4; ++k) v[k] = platform::LowerAscii(v[k]);
      break;
    }
  std::string address = ReadUrl(v);
  if (address.empty()) return v;
  if (!IsAbsoluteUrl(address)) {
    if (Contains(linkPath, "://")) {
      address = CombineUrl(linkPath, address);
    } else {
      address = UrlToDosPath(address);
      const bool drive = address.size() >= 2 && address[1] == ':';
      // A rooted path is complete on this system, as a drive path or a
      // share name ("//server") is.
      const bool rooted = !address.empty() && (address[0] == '/' || address[0] == '\\');
      if (!drive && !rooted) {
        std::string base(linkPath);
        if (base.back() != '/' && base.back() != '\\') base.push_back('/');
        address = base + address;
      }
    }
  }
  return "url(" + address + ")";
}

void ExpandShorthand(std::string_view name, std::string_view valueText,
                     std::string_view plainValue, std::string_view linkPath,
                     const StylePropertySink& sink) {
  const auto shorthand = LookupShorthand(name);
  if (!shorthand) {
    if (!linkPath.empty() && Contains(plainValue, "url("))
      sink(name, MakeUrlAbsolute(plainValue, linkPath));
    else
      sink(name, plainValue);
    return;
  }
  switch (*shorthand) {
    case Shorthand::Margin: SideShorthand("margin", "", plainValue, sink); break;
    case Shorthand::Padding: SideShorthand("padding", "", plainValue, sink); break;
    case Shorthand::BorderWidth: SideShorthand("border", "-width", plainValue, sink); break;
    case Shorthand::BorderColor: SideShorthand("border", "-color", plainValue, sink); break;
    case Shorthand::BorderStyle: SideShorthand("border", "-style", plainValue, sink); break;
    case Shorthand::Border: case Shorthand::BorderTop: case Shorthand::BorderRight:
    case Shorthand::BorderBottom: case Shorthand::BorderLeft:
      BorderShorthand(name, plainValue, sink);
      break;
    case Shorthand::Font: FontShorthand(valueText, sink); break;
    case Shorthand::Background: BackgroundShorthand(plainValue, linkPath, sink); break;
    case Shorthand::ListStyle: ListStyleShorthand(plainValue, linkPath, sink); break;
  }
}

// ---------------------------------------------------------------------------
// Entry points

void ParseStyleSheet(TStyleList& styles, char& ch, StyleCharSource& source, bool fromLink,
                     std::string_view linkPath, int valueCodePage) {
  CssReader reader(source, linkPath, valueCodePage, &styles, nullptr);
  reader.PushBack(ch);
  reader.ReadCh();
  reader.StyleSheet(fromLink);
  ch = platform::UpperAscii(reader.Ch);
}

void ParseStyleElement(TStyleList& styles) {
  HtmlReaderState& r = Reader();
  char ch = r.Ch;
  ReaderCharSource source;
  ParseStyleSheet(styles, ch, source, false, {}, CurrentCodePage());
  // The parser stops on a character it has just read ("<" or the end), so
  // the reader stands right after it.
  r.Ch = ch;
  r.UpCh = ch;
}

void ParseLinkedStyleSheet(TStyleList& styles, std::string_view text, std::string_view linkPath) {
  std::string utf8;
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  if (!platform::IsValidUtf8(text)) {
    utf8 = platform::Cp1252ToUtf8(text);
    text = utf8;
  }
  StyleTextSource source(text);
  char ch = ' ';
  ParseStyleSheet(styles, ch, source, true, linkPath);
}

void ParseInlineStyle(std::string_view text, TProperties& props) {
  const std::string lowered = LowerCaseKeepUrls(text);
  StyleTextSource source(lowered);
  CssReader reader(source, {}, kCodePageUtf8, nullptr, &props);
  reader.ReadCh();
  reader.DeclarationList(true);
}

}  // namespace htmlview
