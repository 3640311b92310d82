#include "htmlview/parse/htmlreader.h"

#include <algorithm>

#include <cmath>
#include <cstdint>
#include <tuple>
#include <utility>

#include "htmlview/parse/codepages.h"
#include "htmlview/style/styleprops.h"
#include "platform/sysutils.h"

namespace htmlview {

using platform::IsAsciiDigit;
using platform::IsAsciiLetterOrDigit;

namespace {

std::unique_ptr<HtmlReaderState>& StatePtr() {
  static std::unique_ptr<HtmlReaderState> state;
  return state;
}

inline unsigned char U(char c) { return static_cast<unsigned char>(c); }
inline bool IsUpperLetter(char c) { return c >= 'A' && c <= 'Z'; }
inline bool IsHexDigit(char c) {
  return IsAsciiDigit(c) || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

constexpr char16_t kReplacement = 0xFFFD;

void AppendUtf8(std::string& out, char32_t cp) {
  std::u16string units;
  if (cp >= 0x10000) {
    units.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
    units.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
  } else {
    units.push_back(static_cast<char16_t>(cp));
  }
  AppendEncoded(units, kCodePageUtf8, out);
}

// Bytes of the document (in a code page) and decoded characters, joined
// into UTF-8; the bytes are decoded in batches.
class Utf8Builder {
 public:
  explicit Utf8Builder(int codePage) : codePage_(codePage) {}
  void AddByte(char c) { pending_.push_back(c); }
  void AddBytes(std::string_view s) { pending_ += s; }
  void AddChar(char32_t cp) {
    Flush();
    AppendUtf8(out_, cp);
  }
  std::string Result() {
    Flush();
    return std::move(out_);
  }

 private:
  void Flush() {
    if (pending_.empty()) return;
    out_ += CodePageToUtf8(pending_, codePage_);
    pending_.clear();
  }
  int codePage_;
  std::string pending_;
  std::string out_;
};

// Bytes of a text run with their document offsets, decoded into the token
// in batches. The offsets are kept as the places where they stop being
// consecutive: a long run of text costs no int per byte.
class TextCollector {
 public:
  void Add(char c, int offset) {
    AddStretch(offset, 1);
    bytes_.push_back(c);
    ascii_ &= U(c) < 0x80;
  }
  // Bytes of the document that follow each other, the first at offset.
  void AddSpan(std::string_view bytes, int offset) {
    AddStretch(offset, static_cast<int>(bytes.size()));
    bytes_ += bytes;
  }
  void FlushInto(TokenObj& token, int codePage) {
    if (bytes_.empty()) return;
    // ASCII reads as itself in every code page of one byte and in UTF-8:
    // the run goes into the token in one piece.
    if (ascii_ && !IsDoubleByteCodePage(codePage)) {
      token.AddAscii(bytes_, places_);
      Clear();
      return;
    }
    ascii_ = true;
    std::u16string wide;
    std::vector<int> at;
    if (!AppendDecoded(bytes_, codePage, wide, &at)) AppendDecoded(bytes_, 1252, wide, &at);
    for (size_t k = 0; k < wide.size(); ++k) token.AddUnicodeChar(wide[k], OffsetOf(at[k]));
    Clear();
  }
  void NotAscii() { ascii_ = false; }
  // A long run of ASCII goes into the token as it comes: its bytes need not
  // be held twice.
  bool LongAscii() const { return ascii_ && bytes_.size() >= (1 << 16); }
  // room: what the run may still grow by at most, as a rule (the rest of
  // the document). Room made at once spares copying a long token as it
  // grows; what is never written is never touched.
  void FlushAscii(TokenObj& token, int codePage, size_t room) {
    if (!ascii_ || IsDoubleByteCodePage(codePage)) return;
    token.Reserve(static_cast<size_t>(token.Leng()) + bytes_.size() + room);
    FlushInto(token, codePage);
  }

 private:
  void AddStretch(int first, int n) {
    if (n <= 0) return;
    if (bytes_.empty() || first != last_ + 1) places_.push_back({static_cast<int>(bytes_.size()), first});
    last_ = first + n - 1;
  }
  // The offset of byte i.
  int OffsetOf(int i) const {
    const auto it = std::upper_bound(places_.begin(), places_.end(), i,
                                     [](int index, const IndexObj& place) { return index < place.Pos; });
    const IndexObj& place = *(it - 1);
    return place.Index + (i - place.Pos);
  }
  void Clear() {
    bytes_.clear();
    places_.clear();
  }
  std::string bytes_;
  std::vector<IndexObj> places_;
  int last_ = 0;
  bool ascii_ = true;
};

void AddWide(TokenObj& token, char32_t cp, int offset) {
  if (cp >= 0x10000) {
    token.AddUnicodeChar(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)), offset);
    token.AddUnicodeChar(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)), offset);
  } else {
    token.AddUnicodeChar(static_cast<char16_t>(cp), offset);
  }
}

// What a reference's code stands for: TAB a space, other codes below 32
// "?", numeric 127-159 a byte of the code page, codes that are no
// character (surrogates, beyond U+10FFFF) U+FFFD.
char32_t ReferenceChar(char32_t code, bool numeric, int codePage) {
  if (code == 9) return U' ';
  if (code < 32) return U'?';
  if (numeric && code >= 127 && code <= 159) return SingleByteChar(static_cast<unsigned char>(code), codePage);
  if (code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return kReplacement;
  return code;
}

// A character reference after "&" (the current character is the one after
// it). raw collects what was read, for the case that it is no reference.
// Returns false when it is none.
struct Reference {
  char32_t code = 0;
  bool numeric = false;
  bool semicolon = false;
};

struct RawText {
  std::string bytes;
  std::vector<int> offsets;
};

bool ReadReference(HtmlReaderState& r, Reference& ref, RawText& raw) {
  auto take = [&] {
    raw.bytes.push_back(r.Ch);
    raw.offsets.push_back(r.CharCount);
    GetCharSkip();
  };
  if (r.Ch == '#') {
    take();
    bool hex = false;
    if (r.UpCh == 'X') {
      hex = true;
      take();
    }
    uint32_t code = 0;
    int digits = 0;
    while (hex ? IsHexDigit(r.Ch) : IsAsciiDigit(r.Ch)) {
      const uint32_t d = IsAsciiDigit(r.Ch) ? r.Ch - '0' : (r.UpCh - 'A' + 10);
      code = code > 0x10FFFF ? code : code * (hex ? 16 : 10) + d;   // stop growing past the range
      ++digits;
      take();
    }
    if (digits == 0) return false;
    ref.code = code;
    ref.numeric = true;
    if (r.Ch == ';') {
      ref.semicolon = true;
      GetCharSkip();
    }
    return true;
  }
  std::string name;
  while (name.size() < 11 && IsAsciiLetterOrDigit(r.Ch)) {
    name.push_back(r.Ch);
    take();
  }
  if (name.empty()) return false;
  const auto code = LookupEntity(name);
  if (!code) return false;
  ref.code = *code;
  if (r.Ch == ';') {
    ref.semicolon = true;
    GetCharSkip();
  }
  return true;
}

// "&..." in a text run or TEXTAREA content, into the token.
void ReadTextReference(HtmlReaderState& r, TokenObj& token, bool collect) {
  const int start = r.CharCount;
  RawText raw;
  raw.bytes.push_back('&');
  raw.offsets.push_back(start);
  GetCharSkip();
  Reference ref;
  const int codePage = CurrentCodePage();
  if (ReadReference(r, ref, raw)) {
    if (collect) AddWide(token, ReferenceChar(ref.code, ref.numeric, codePage), start);
    return;
  }
  if (!collect) return;
  // What was read is ASCII, so each byte is one character.
  for (size_t k = 0; k < raw.bytes.size(); ++k)
    token.AddUnicodeChar(static_cast<char16_t>(U(raw.bytes[k])), raw.offsets[k]);
}

// "&..." in an attribute value or include parameter. A named reference
// without ";" counts only for the codes up to 255.
void ReadValueReference(HtmlReaderState& r, Utf8Builder& out, int codePage) {
  RawText raw;
  raw.bytes.push_back('&');
  raw.offsets.push_back(r.CharCount);
  GetCharSkip();
  Reference ref;
  if (ReadReference(r, ref, raw)) {
    if (ref.numeric || ref.semicolon || ref.code <= 255) {
      out.AddChar(ReferenceChar(ref.code, ref.numeric, codePage));
      return;
    }
  }
  out.AddBytes(raw.bytes);
}

void ReportProgress(HtmlReaderState& r) {
  if (r.Prescan || !r.Progress || r.Doc.empty()) return;
  const int64_t percent = static_cast<int64_t>(r.DocPos) * r.ProgressShare /
                          static_cast<int64_t>(r.Doc.size());
  r.Progress(static_cast<int>(percent));
}

char GetRawChar(HtmlReaderState& r) {
  if (r.Input == ReaderInput::Include) {
    if (r.IncludePos < r.IncludeText.size()) return r.IncludeText[r.IncludePos++];
    r.Input = r.SavedInput;
    r.IncludeText.clear();
    r.IncludePos = 0;
  }
  if (r.DocPos >= r.Doc.size()) return 0;
  const char c = r.Doc[r.DocPos++];
  ++r.CharCount;
  if ((r.DocPos & 4095) == 0) ReportProgress(r);
  return c;
}

char PeekRawChar(const HtmlReaderState& r) {
  if (r.Input == ReaderInput::Include && r.IncludePos < r.IncludeText.size())
    return r.IncludeText[r.IncludePos];
  return r.DocPos < r.Doc.size() ? r.Doc[r.DocPos] : 0;
}

// After "<!--": skips to "--" [spaces and CRs] ["!"] ">" and past the ">".
void SkipCommentBody(HtmlReaderState& r) {
  for (;;) {
    while (r.Ch != '-') {
      if (r.Ch == 0) throw EParseError(kOpenCommentMessage);
      ReadHtmlChar();
    }
    int dashes = 0;
    while (r.Ch == '-') {
      ++dashes;
      ReadHtmlChar();
    }
    if (dashes < 2) continue;
    while (r.Ch == ' ' || r.Ch == '\r') ReadHtmlChar();
    if (r.Ch == '!') ReadHtmlChar();
    if (r.Ch == '>') return;
  }
}

bool IsCommandChar(char up) { return IsAsciiDigit(up) || IsUpperLetter(up) || up == '_'; }

// "<!--#command name=value ...-->", the current character the "#".
void ReadIncludeCommand(HtmlReaderState& r) {
  ReadHtmlChar();
  std::string command;
  while (IsCommandChar(r.UpCh)) {
    command.push_back(r.Ch);
    ReadHtmlChar();
  }
  std::vector<std::string> params;
  const int codePage = CurrentCodePage();
  for (;;) {
    while (r.Ch == ' ' || r.Ch == '\r') ReadHtmlChar();
    if (!IsUpperLetter(r.UpCh)) break;
    std::string name;
    while (IsCommandChar(r.UpCh)) {
      name.push_back(r.Ch);
      ReadHtmlChar();
    }
    while (r.Ch == ' ' || r.Ch == '\r') ReadHtmlChar();
    std::string value;
    if (r.Ch == '=') {
      ReadHtmlChar();
      while (r.Ch == ' ' || r.Ch == '\r') ReadHtmlChar();
      Utf8Builder out(codePage);
      if (r.Ch == '"' || r.Ch == '\'') {
        const char quote = r.Ch;
        ReadHtmlChar();
        while (r.Ch != quote && r.Ch != 0) {
          if (r.Ch == '&') {
            ReadValueReference(r, out, codePage);
            continue;
          }
          out.AddByte(r.Ch == '\r' ? ' ' : r.Ch);
          ReadHtmlChar();
        }
        if (r.Ch == quote) ReadHtmlChar();
      } else {
        while (r.Ch != ' ' && r.Ch != '\r' && r.Ch != '-' && r.Ch != '>' && r.Ch != 0) {
          out.AddByte(r.Ch);
          ReadHtmlChar();
        }
      }
      value = out.Result();
    }
    params.push_back(name + "=" + value);
  }
  // The command ends with its comment.
  SkipCommentBody(r);
  std::string text;
  r.IncludeEvent(command, params, text);
  if (text.empty()) return;
  const size_t rest = r.Input == ReaderInput::Include ? r.IncludeText.size() - r.IncludePos : 0;
  if (text.size() + rest > kMaxIncludedText - std::min(r.IncludedText, kMaxIncludedText)) {
    r.IncludedText = kMaxIncludedText;
    return;
  }
  r.IncludedText += text.size() + rest;
  // A NUL would read as the end of the whole text.
  for (char& c : text)
    if (c == 0) c = ' ';
  if (r.Input == ReaderInput::Include) {
    text += r.IncludeText.substr(r.IncludePos);
  } else {
    r.SavedInput = r.Input;
    r.Input = ReaderInput::Include;
  }
  r.IncludeText = std::move(text);
  r.IncludePos = 0;
}

// After "<", with "!" or "%" next: the block is skipped and the current
// character is its ">" (or its last character).
void SkipMarkupBlock(HtmlReaderState& r, char kind) {
  if (kind == '%') {
    // A processing block ends at "%>", or quietly at the end of the text.
    ReadHtmlChar();
    ReadHtmlChar();
    while (r.Ch != 0 && !(r.Ch == '%' && PeekRawChar(r) == '>')) ReadHtmlChar();
    if (r.Ch == '%') ReadHtmlChar();
    return;
  }
  // A reference inside an include parameter may skip a block of its own:
  // the enclosing comment stays open when that one ends.
  const bool outer = r.InComment;
  r.InComment = true;
  ReadHtmlChar();  // the "!"
  ReadHtmlChar();
  if (r.Ch == '-') {
    ReadHtmlChar();
    if (r.Ch == '-') {
      if (r.IncludeEvent && PeekRawChar(r) == '#') {
        ReadHtmlChar();
        ReadIncludeCommand(r);
      } else {
        ReadHtmlChar();
        SkipCommentBody(r);
      }
      r.InComment = outer;
      return;
    }
  }
  // A declaration runs to the next ">".
  while (r.Ch != '>') ReadHtmlChar();
  r.InComment = outer;
}

bool IsWhite(char c) { return c == ' ' || c == '\r' || c == '\n' || c == '\t'; }

// The number a value starts with (sign, digits, point, digits), rounded
// halves to even; 0 when it starts with none. It saturates at a million
// either way: no size, span, count or position of a page needs more, and
// layout may add and multiply such values without overflowing.
int LeadingNumber(std::string_view text) {
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  double value = 0;
  bool any = false;
  while (i < text.size() && IsAsciiDigit(text[i])) {
    value = value * 10 + (text[i++] - '0');
    any = true;
  }
  if (i < text.size() && text[i] == '.') {
    ++i;
    double scale = 0.1;
    while (i < text.size() && IsAsciiDigit(text[i])) {
      value += (text[i++] - '0') * scale;
      scale /= 10;
      any = true;
    }
  }
  if (!any) return 0;
  value = std::min(value, static_cast<double>(kMaxAttributeNumber));
  return RoundHalfEven(negative ? -value : value);
}

bool StartsNumber(char c) { return c == '+' || c == '-' || c == '.' || IsAsciiDigit(c); }

// An unquoted value: up to NUL, TAB (a space by now), CR, space or ">", and
// for a numeric value "%".
std::string ReadUnquotedValue(HtmlReaderState& r, Utf8Builder& out, int codePage, bool numeric) {
  while (r.Ch != 0 && r.Ch != ' ' && r.Ch != '\r' && r.Ch != '>' && !(numeric && r.Ch == '%')) {
    if (r.Ch == '&') {
      ReadValueReference(r, out, codePage);
      continue;
    }
    out.AddByte(r.Ch);
    GetCharSkip();
  }
  return out.Result();
}

// One attribute of the current tag; false when none follows.
bool ReadAttribute(HtmlReaderState& r, int codePage) {
  SkipWhiteSpace();
  if (!IsUpperLetter(r.UpCh)) return false;
  std::string name;
  while (IsUpperLetter(r.UpCh) || IsAsciiDigit(r.Ch) || r.Ch == '-') {
    name.push_back(r.UpCh);
    GetCharSkip();
  }
  const HtmlSymbol symbol = LookupAttribute(name);
  SkipWhiteSpace();
  int value = symbol == HtmlSymbol::Border ? 1 : 0;
  std::string text;
  if (r.Ch == '=') {
    GetCharSkip();
    SkipWhiteSpace();
    Utf8Builder out(codePage);
    if (r.Ch == '"' || r.Ch == '\'') {
      const char quote = r.Ch;
      const bool keepLines = symbol == HtmlSymbol::Title || symbol == HtmlSymbol::Alt;
      GetCharSkip();
      while (r.Ch != quote && r.Ch != 0) {
        if (r.Ch == '&') {
          ReadValueReference(r, out, codePage);
          continue;
        }
        if (r.Ch == '\r') {
          if (keepLines) out.AddBytes("\r\n");
        } else {
          out.AddByte(r.Ch);
        }
        GetCharSkip();
      }
      if (r.Ch == quote) GetCharSkip();
      text = out.Result();
      std::string trimmed = platform::Trim(text);
      if (!trimmed.empty() && trimmed.back() == '%') trimmed.pop_back();
      if (!trimmed.empty() && StartsNumber(trimmed[0])) value = LeadingNumber(trimmed);
    } else if (r.Ch == '+' || r.Ch == '-' || IsAsciiDigit(r.Ch)) {
      text = ReadUnquotedValue(r, out, codePage, true);
      value = LeadingNumber(text);
      if (r.Ch == '%') {
        text.push_back('%');
        GetCharSkip();
      }
    } else {
      text = ReadUnquotedValue(r, out, codePage, false);
    }
  }
  if (symbol == HtmlSymbol::Id && !text.empty() && !r.Prescan && r.IDList)
    r.IDList->AddChPosObject(text, r.CharCount);
  r.Attributes->Add(TAttribute(symbol, std::move(name), value, std::move(text), codePage));
  return true;
}

void ReadTag(HtmlReaderState& r) {
  r.TagPos = r.CharCount;
  r.HeadingLevel = 0;
  r.Attributes->Clear();
  GetCharSkip();
  bool endTag = false;
  if (r.Ch == '/') {
    endTag = true;
    GetCharSkip();
  }
  if (r.Ch != '?' && !IsUpperLetter(r.UpCh)) {
    // Not a tag: the "<" (and a "/" read after it) is text.
    r.Sy = HtmlSymbol::TextToken;
    if (!r.Prescan) {
      r.Token->AddUnicodeChar(u'<', r.TagPos);
      if (endTag) r.Token->AddUnicodeChar(u'/', r.TagPos + 1);
    }
    return;
  }
  std::string name;
  while (r.Ch == '/' || r.Ch == '_' || IsAsciiDigit(r.Ch) || IsUpperLetter(r.UpCh)) {
    if (r.Ch == '/' && !name.empty()) break;
    if (name.size() < 255) name.push_back(r.UpCh);
    GetCharSkip();
    if (name == "H" && r.Ch >= '1' && r.Ch <= '6') break;
  }
  r.Sy = LookupTag(name, endTag);
  SkipWhiteSpace();
  if ((r.Sy == HtmlSymbol::H || r.Sy == HtmlSymbol::EndH) && r.Ch >= '1' && r.Ch <= '6') {
    r.HeadingLevel = r.Ch - '0';
    GetCharSkip();
  }
  const int codePage = CurrentCodePage();
  while (ReadAttribute(r, codePage)) {
  }
  while (r.Ch != '>' && r.Ch != 0) GetCharSkip();
  if (r.Ch == '>' && r.Sy != HtmlSymbol::Script && r.Sy != HtmlSymbol::Style) GetCharSkip();
}

// Plain characters of a text run (no blank, line end, "&", "<" or control
// character) need none of the character reader's work: they are taken
// from the document in one span. The current character stays the last of
// them, as if each had been read.
inline bool IsPlainTextByte(char c) {
  const unsigned char u = U(c);
  return u > ' ' && c != '&' && c != '<';
}

void TakePlainSpan(HtmlReaderState& r, TextCollector* bytes) {
  const std::string& doc = r.Doc;
  // A span ends at the next 4096-byte mark, where progress is reported.
  const size_t limit = std::min(doc.size(), (r.DocPos | 4095) + 1);
  size_t end = r.DocPos;
  while (end < limit && IsPlainTextByte(doc[end])) ++end;
  if (end == r.DocPos) return;
  const std::string_view span(doc.data() + r.DocPos, end - r.DocPos);
  if (bytes) {
    bytes->AddSpan(span, r.CharCount + 1);
    for (char c : span)
      if (U(c) >= 0x80) bytes->NotAscii();
  }
  r.DocPos = end;
  r.CharCount += static_cast<int>(span.size());
  r.LastCR = r.LastLF = false;
  r.Ch = span.back();
  r.UpCh = platform::UpperAscii(r.Ch);
  if ((end & 4095) == 0) ReportProgress(r);
}

void ReadTextRun(HtmlReaderState& r) {
  r.Sy = HtmlSymbol::TextToken;
  const bool collect = !r.Prescan;
  TextCollector bytes;
  try {
  while (U(r.Ch) >= 9 && r.Ch != '<') {
    if (IsWhite(r.Ch)) {
      if (collect) bytes.Add(' ', r.CharCount);
      do GetCharSkip();
      while (IsWhite(r.Ch));
      continue;
    }
    if (r.Ch == '&') {
      if (collect) bytes.FlushInto(*r.Token, CurrentCodePage());
      ReadTextReference(r, *r.Token, collect);
      continue;
    }
    if (collect) bytes.Add(r.Ch, r.CharCount);
    if (r.Input == ReaderInput::Document) TakePlainSpan(r, collect ? &bytes : nullptr);
    if (collect && bytes.LongAscii())
      bytes.FlushAscii(*r.Token, CurrentCodePage(), r.Doc.size() - std::min(r.DocPos, r.Doc.size()));
    GetCharSkip();
  }
  } catch (const EParseError&) {
    // The text read before an open comment is still this token; the error
    // comes with the next one.
    r.PendingError = true;
    r.Ch = r.UpCh = 0;
  }
  if (collect) bytes.FlushInto(*r.Token, CurrentCodePage());
}

// Preformatted text: every character up to a control character, CR or "<"
// as it stands (runs of spaces kept), references decoded.
void ReadPreformattedRun(HtmlReaderState& r) {
  r.Sy = HtmlSymbol::TextToken;
  TextCollector bytes;
  while (U(r.Ch) >= 9 && r.Ch != '\r' && r.Ch != '<') {
    if (r.Ch == '&') {
      bytes.FlushInto(*r.Token, CurrentCodePage());
      ReadTextReference(r, *r.Token, true);
      continue;
    }
    bytes.Add(r.Ch == '\t' ? ' ' : r.Ch, r.CharCount);
    GetCharSkip();
  }
  bytes.FlushInto(*r.Token, CurrentCodePage());
}

// JIS X 0208 row and cell (each 33..126) to a Shift-JIS pair.
void JisToShiftJis(int j1, int j2, char& s1, char& s2) {
  s1 = static_cast<char>(((j1 + 1) >> 1) + (j1 <= 94 ? 112 : 176));
  if (j1 & 1) s2 = static_cast<char>(j2 + (j2 > 95 ? 32 : 31));
  else s2 = static_cast<char>(j2 + 126);
}

}  // namespace

// ---------------------------------------------------------------- state

void InitHtmlReader() {
  auto& state = StatePtr();
  if (!state) state = std::make_unique<HtmlReaderState>();
  if (!state->Token) state->Token = std::make_unique<TokenObj>();
  if (!state->Attributes) state->Attributes = std::make_unique<TAttributeList>();
}

void DoneHtmlReader() { StatePtr().reset(); }

HtmlReaderState& Reader() {
  if (!StatePtr() || !StatePtr()->Token) InitHtmlReader();
  return *StatePtr();
}

namespace {

int ReadingCodePage(int codePage) {
  return Reader().EucJp && ResolveCodePage(codePage) == 932 ? kCodePageEucJp : codePage;
}

}  // namespace

int CurrentCodePage() {
  TPropStack& stack = PropStack();
  if (stack.Count() > 0) return ReadingCodePage(stack.Last()->CodePage);
  return ReadingCodePage(Reader().DefaultCodePage);
}

// ------------------------------------------------------------- set-up

bool IsIso2022Jp(std::string_view text) {
  const size_t a = text.find("\x1b$@");
  const size_t b = text.find("\x1b$B");
  if (a == std::string_view::npos && b == std::string_view::npos) return false;
  size_t later = 0;
  if (a != std::string_view::npos) later = a;
  if (b != std::string_view::npos && (a == std::string_view::npos || b > later)) later = b;
  const std::string_view rest = text.substr(later + 3);
  return rest.find("\x1b(J") != std::string_view::npos ||
         rest.find("\x1b(B") != std::string_view::npos;
}

std::string EucJpToShiftJis(std::string_view text) {
  std::string out(text);
  for (size_t i = 0; i + 1 < out.size(); ++i) {
    const int c1 = U(out[i]), c2 = U(out[i + 1]);
    if (c1 >= 161 && c2 >= 161) {
      JisToShiftJis(c1 - 128, c2 - 128, out[i], out[i + 1]);
      ++i;
    }
  }
  return out;
}

std::string Iso2022JpToShiftJis(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  bool pairs = false;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\x1b' && i + 2 < text.size()) {
      const std::string_view seq = text.substr(i + 1, 2);
      if (seq == "(B" || seq == "(J") {
        pairs = false;
        i += 2;
        continue;
      }
      if (seq == "$@" || seq == "$B") {
        pairs = true;
        i += 2;
        continue;
      }
    }
    const int c1 = U(text[i]);
    if (pairs && c1 >= 33 && c1 <= 126 && i + 1 < text.size() && U(text[i + 1]) >= 33 &&
        U(text[i + 1]) <= 126) {
      char s1, s2;
      JisToShiftJis(c1, U(text[i + 1]), s1, s2);
      out.push_back(s1);
      out.push_back(s2);
      ++i;
      continue;
    }
    out.push_back(text[i]);
  }
  return out;
}

void BeginReading(std::string text) {
  HtmlReaderState& r = Reader();
  int nuls = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != 0) continue;
    if (++nuls > 100) {
      text.resize(i);
      break;
    }
    text[i] = ' ';
  }
  r.IncludeText.clear();
  r.IncludePos = 0;
  r.IncludedText = 0;
  r.Input = r.SavedInput = ReaderInput::Document;
  r.InComment = r.NoSkip = r.Prescan = r.CharsetFixed = r.Converted = r.EucJp = r.PendingError = false;
  r.StartCount = -1;
  r.Sy = HtmlSymbol::EndOfText;
  r.TagPos = r.HeadingLevel = 0;
  r.Token->Clear();
  r.Attributes->Clear();
  TPropStack& stack = PropStack();
  TProperties* root = stack.Count() > 0 ? stack[0] : nullptr;
  if (text.size() >= 4 && text.compare(0, 3, "\xEF\xBB\xBF") == 0) {
    text.erase(0, 3);
    r.StartCount = 2;
    r.CharsetFixed = true;
    if (root) root->SetUTF8();
    else r.DefaultCodePage = kCodePageUtf8;
  } else if (IsIso2022Jp(text)) {
    text = Iso2022JpToShiftJis(text);
    r.Converted = true;
    if (root) root->SetCharset(128);
    else r.DefaultCodePage = 932;
  }
  r.ViewerCodePage = root ? root->CodePage : r.DefaultCodePage;
  r.Doc = std::move(text);
  RewindReader();
}

void RewindReader() {
  HtmlReaderState& r = Reader();
  r.DocPos = 0;
  r.CharCount = r.StartCount;
  r.Input = r.SavedInput = ReaderInput::Document;
  r.IncludeText.clear();
  r.IncludePos = 0;
  r.Ch = r.UpCh = 0;
  r.LastCR = r.LastLF = false;
  r.InComment = r.PendingError = false;
}

namespace {

// The fields of a place in the stream, which the reader state and a mark
// name alike.
template <class State>
auto PlaceOf(State& s) {
  return std::tie(s.DocPos, s.IncludeText, s.IncludePos, s.Input, s.SavedInput, s.CharCount, s.Ch,
                  s.UpCh, s.LastCR, s.LastLF, s.InComment, s.PendingError);
}

}  // namespace

ReaderMark MarkReader() {
  ReaderMark mark;
  PlaceOf(mark) = PlaceOf(std::as_const(Reader()));
  return mark;
}

void ReturnToMark(const ReaderMark& mark) { PlaceOf(Reader()) = PlaceOf(mark); }

int CountLinks() {
  HtmlReaderState& r = Reader();
  TIncludeEvent include = std::move(r.IncludeEvent);
  r.IncludeEvent = nullptr;
  r.Prescan = true;
  int links = 0;
  try {
    GetCharSkip();
    for (;;) {
      NextToken();
      if (r.Sy == HtmlSymbol::EndOfText) break;
      if (r.Sy == HtmlSymbol::A && r.Attributes->Find(HtmlSymbol::Href) && ++links > kLinkTabStopLimit)
        break;
    }
  } catch (const EParseError&) {
    // The real parse meets the same open comment and ends there.
  }
  r.Prescan = false;
  r.IncludeEvent = std::move(include);
  r.Token->Clear();
  r.Attributes->Clear();
  RewindReader();
  return links;
}

// ------------------------------------------------------------ reading

void ReadHtmlChar() {
  HtmlReaderState& r = Reader();
  char c = GetRawChar(r);
  if ((c == '\n' && r.LastCR) || (c == '\r' && r.LastLF)) {
    r.LastCR = r.LastLF = false;
    c = GetRawChar(r);
  }
  r.LastCR = c == '\r';
  r.LastLF = c == '\n';
  if (c == '\n') c = '\r';
  else if (c == '\t') c = ' ';
  r.Ch = c;
  r.UpCh = platform::UpperAscii(c);
  if (c == 0 && r.InComment) {
    r.InComment = false;
    throw EParseError(kOpenCommentMessage);
  }
}

void GetCharSkip() {
  HtmlReaderState& r = Reader();
  for (;;) {
    ReadHtmlChar();
    if (r.Ch != '<' || r.NoSkip) return;
    const char next = PeekRawChar(r);
    if (next != '!' && next != '%') return;
    SkipMarkupBlock(r, next);
  }
}

void SkipWhiteSpace() {
  HtmlReaderState& r = Reader();
  while (r.Ch == ' ' || r.Ch == '\r') GetCharSkip();
}

void NextToken() {
  HtmlReaderState& r = Reader();
  r.Token->Clear();
  if (r.PendingError) {
    r.PendingError = false;
    throw EParseError(kOpenCommentMessage);
  }
  if (r.Ch == 0) {
    r.Sy = HtmlSymbol::EndOfText;
    return;
  }
  if (r.Ch == '<') {
    ReadTag(r);
    return;
  }
  if (U(r.Ch) < 9) {
    // A control character reads as "?".
    r.Ch = r.UpCh = '?';
  }
  ReadTextRun(r);
}

void NextPreformattedText() {
  HtmlReaderState& r = Reader();
  r.Token->Clear();
  ReadPreformattedRun(r);
}

namespace {

// The end of the text and line breaks of TEXTAREA and SCRIPT content; true
// when the token is complete, else it is text.
bool StartContentToken(HtmlReaderState& r) {
  r.Token->Clear();
  if (r.Ch == 0) {
    r.Sy = HtmlSymbol::EndOfText;
    return true;
  }
  if (r.Ch == '\r') {
    r.Sy = HtmlSymbol::LineBreak;
    GetCharSkip();
    return true;
  }
  r.Sy = HtmlSymbol::TextToken;
  return false;
}

}  // namespace

void NextTextAreaToken() {
  HtmlReaderState& r = Reader();
  if (StartContentToken(r)) return;
  if (r.Ch == '&') {
    ReadTextReference(r, *r.Token, true);
    return;
  }
  TextCollector bytes;
  if (r.Ch == '<') {
    std::string tag;
    do {
      bytes.Add(r.Ch, r.CharCount);
      tag.push_back(r.Ch);
      GetCharSkip();
    } while (r.Ch != 0 && r.Ch != ' ' && r.Ch != '\r' && r.Ch != '>' && r.Ch != '<');
    if (platform::SameText(tag, "</textarea")) {
      r.Sy = HtmlSymbol::TextAreaContentEnd;
      while (r.Ch != '>' && r.Ch != 0) GetCharSkip();
      if (r.Ch == '>') GetCharSkip();
      return;
    }
  } else {
    int count = 0;
    while (count < 100 && r.Ch != 0 && r.Ch != '\r' && r.Ch != '&' && r.Ch != '<') {
      bytes.Add(r.Ch, r.CharCount);
      ++count;
      GetCharSkip();
    }
  }
  bytes.FlushInto(*r.Token, CurrentCodePage());
}

void NextScriptToken() {
  HtmlReaderState& r = Reader();
  if (StartContentToken(r)) return;
  TextCollector bytes;
  if (r.Ch == '<') {
    std::string tag;
    do {
      bytes.Add(r.Ch, r.CharCount);
      tag.push_back(r.Ch);
      GetCharSkip();
    } while (r.Ch == '/' || IsUpperLetter(r.UpCh));
    if (platform::SameText(tag, "</script")) {
      r.Sy = HtmlSymbol::ScriptContentEnd;
      for (int k = 0; k < 6 && r.Ch != '>' && r.Ch != 0; ++k) GetCharSkip();
      if (r.Ch == '>') GetCharSkip();
      r.NoSkip = false;
      return;
    }
  } else {
    while (r.Ch != 0 && r.Ch != '\r' && r.Ch != '<') {
      bytes.Add(r.Ch, r.CharCount);
      GetCharSkip();
    }
  }
  bytes.FlushInto(*r.Token, CurrentCodePage());
}

// ----------------------------------------------------------- charsets

bool CharsetFromString(std::string_view text, int& charset, int* ownCodePage) {
  const auto found = LookupCharset(text);
  if (!found) return false;
  charset = *found;
  const auto own = OwnCodePageOfCharset(text);
  if (ownCodePage) *ownCodePage = own ? *own : 0;
  if (charset == kEucJpPseudoCharset) {
    // Read in place rather than converted to Shift-JIS: the conversion
    // would keep the length only by garbling half-width katakana (0x8E and
    // one byte) and the supplementary set (0x8F and two bytes).
    HtmlReaderState& r = Reader();
    if (!r.Converted) r.EucJp = true;
    charset = 128;
  }
  return true;
}

bool ApplyMetaCharset(std::string_view httpEquiv, std::string_view content) {
  if (!platform::SameText(platform::Trim(httpEquiv), "content-type")) return false;
  return ApplyCharsetName(content);
}

bool ApplyCharsetName(std::string_view content) {
  HtmlReaderState& r = Reader();
  if (r.CharsetFixed) return false;
  TPropStack& stack = PropStack();
  TProperties* inner = stack.Last();
  int charset = 0;
  int ownCodePage = 0;
  bool applied = false;
  if (CharsetFromString(content, charset, &ownCodePage)) {
    if (inner) {
      inner->SetCharset(charset);
      if (ownCodePage != 0) inner->CodePage = ownCodePage;
    } else if (ownCodePage != 0) {
      r.DefaultCodePage = ownCodePage;
    } else if (auto cp = CodePageOfCharset(charset)) {
      r.DefaultCodePage = ResolveCodePage(*cp);
    }
    applied = true;
  } else if (platform::LowerCase(content).find("utf-8") != std::string::npos) {
    if (inner) inner->SetUTF8();
    else r.DefaultCodePage = kCodePageUtf8;
    applied = true;
  }
  if (applied) r.ViewerCodePage = CurrentCodePage();
  return applied;
}

}  // namespace htmlview
