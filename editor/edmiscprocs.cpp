#include "editor/edmiscprocs.h"

namespace editor {

TEdCharSet CharSetOf(std::string_view chars) {
  TEdCharSet set;
  for (char c : chars) set.set(static_cast<unsigned char>(c));
  return set;
}

TBufferCoord MinPoint(const TBufferCoord& a, const TBufferCoord& b) {
  if (b.Line < a.Line || (b.Line == a.Line && b.Char < a.Char)) return b;
  return a;
}

TBufferCoord MaxPoint(const TBufferCoord& a, const TBufferCoord& b) {
  if (b.Line > a.Line || (b.Line == a.Line && b.Char > a.Char)) return b;
  return a;
}

bool GetHasTabs(std::u16string_view line, int& charsBefore) {
  const auto pos = line.find(u'\t');
  if (pos == std::u16string_view::npos) {
    charsBefore = static_cast<int>(line.size());
    return false;
  }
  charsBefore = static_cast<int>(pos);
  return true;
}

std::u16string ConvertTabs1(std::u16string_view line, int /*tabWidth*/, bool& hasTabs) {
  std::u16string out(line);
  hasTabs = false;
  for (auto& c : out) {
    if (c == u'\t') {
      c = u' ';
      hasTabs = true;
    }
  }
  return out;
}

namespace {

// Shared body of the two converters with real tab stops; stopAfter gives the
// number of columns from a column to the next stop.
template <typename StopFn>
std::u16string ExpandTabs(std::u16string_view line, bool& hasTabs, StopFn stopAfter) {
  int before = 0;
  hasTabs = GetHasTabs(line, before);
  if (!hasTabs) return std::u16string(line);
  std::u16string out;
  out.reserve(line.size() + 16);
  for (char16_t c : line) {
    if (c == u'\t') {
      const int column = static_cast<int>(out.size());
      out.append(static_cast<size_t>(stopAfter(column)), u'\t');
    } else {
      out.push_back(c);
    }
  }
  return out;
}

}  // namespace

std::u16string ConvertTabs2n(std::u16string_view line, int tabWidth, bool& hasTabs) {
  const int mask = tabWidth - 1;
  return ExpandTabs(line, hasTabs, [tabWidth, mask](int column) { return tabWidth - (column & mask); });
}

std::u16string ConvertTabs(std::u16string_view line, int tabWidth, bool& hasTabs) {
  return ExpandTabs(line, hasTabs, [tabWidth](int column) { return tabWidth - column % tabWidth; });
}

TConvertTabsProc GetBestConvertTabsProc(int tabWidth) {
  if (tabWidth < 2) return &ConvertTabs1;
  if (tabWidth <= 65536 && (tabWidth & (tabWidth - 1)) == 0) return &ConvertTabs2n;
  return &ConvertTabs;
}

int GetExpandedLength(std::u16string_view text, int tabWidth) {
  if (tabWidth < 1) tabWidth = 1;
  int column = 0;
  for (char16_t c : text) {
    if (c == u'\t') column += tabWidth - column % tabWidth;
    else ++column;
  }
  return column;
}

int CharIndex2CaretPos(int index, int tabWidth, std::u16string_view line) {
  if (index < 2) return 1;
  int firstTab = 0;
  if (tabWidth < 2 || !GetHasTabs(line, firstTab) || firstTab >= index - 1) return index;
  int column = 0;
  const int len = static_cast<int>(line.size());
  for (int i = 0; i < index - 1; ++i) {
    if (i < len && line[static_cast<size_t>(i)] == u'\t') column += tabWidth - column % tabWidth;
    else ++column;
  }
  return column + 1;
}

int StrScanForCharInSet(std::u16string_view text, int start, const TEdCharSet& chars) {
  if (start < 1) start = 1;
  const int len = static_cast<int>(text.size());
  for (int i = start; i <= len; ++i) {
    if (InCharSet(chars, text[static_cast<size_t>(i - 1)])) return i;
  }
  return 0;
}

int StrRScanForCharInSet(std::u16string_view text, int start, const TEdCharSet& chars) {
  const int len = static_cast<int>(text.size());
  if (start > len) start = len;
  for (int i = start; i >= 1; --i) {
    if (InCharSet(chars, text[static_cast<size_t>(i - 1)])) return i;
  }
  return 0;
}

std::size_t StrScanForLineEnd(std::u16string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c == 0 || c == u'\n' || c == u'\r') return i;
  }
  return text.size();
}

unsigned CharTypeFlags(char16_t c) {
  auto between = [c](unsigned lo, unsigned hi) { return c >= lo && c <= hi; };
  if (c < 0x80) {
    if ((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z')) return C3_HALFWIDTH | C3_ALPHA;
    if (c >= u'0' && c <= u'9') return C3_HALFWIDTH;
    if (c > 0x20 && c < 0x7F) return C3_HALFWIDTH | C3_SYMBOL;
    return C3_HALFWIDTH;
  }
  if (between(0x3041, 0x309F)) return C3_FULLWIDTH | C3_HIRAGANA | C3_ALPHA;
  if (between(0x30A1, 0x30FA)) return C3_FULLWIDTH | C3_KATAKANA | C3_ALPHA;
  if (c == 0x30FC) return C3_FULLWIDTH | C3_KATAKANA | C3_HIRAGANA | C3_ALPHA;  // prolonged sound mark
  if (between(0x3000, 0x303F)) return C3_FULLWIDTH | C3_SYMBOL;
  if (between(0x4E00, 0x9FFF) || between(0x3400, 0x4DBF) || between(0xF900, 0xFAFF))
    return C3_FULLWIDTH | C3_IDEOGRAPH | C3_ALPHA;
  if (between(0xFF66, 0xFF9F)) return C3_HALFWIDTH | C3_KATAKANA | C3_ALPHA;
  if (between(0xFF61, 0xFF65)) return C3_HALFWIDTH | C3_SYMBOL;
  if (between(0xFF21, 0xFF3A) || between(0xFF41, 0xFF5A)) return C3_FULLWIDTH | C3_ALPHA;
  if (between(0xFF10, 0xFF19)) return C3_FULLWIDTH;
  if (between(0xFF01, 0xFF5E)) return C3_FULLWIDTH | C3_SYMBOL;
  return C3_ALPHA;
}

int CharClassFromFlags(unsigned flags) {
  if (flags == C3_SYMBOL) return 9;
  if (flags & C3_HALFWIDTH) {
    if (flags == C3_HALFWIDTH || flags == (C3_HALFWIDTH | C3_ALPHA)) return 1;
    if (flags & (C3_SYMBOL | C3_LEXICAL)) return 2;
    if (flags & C3_KATAKANA) return 3;
    return 0;
  }
  if ((flags & C3_FULLWIDTH) && (flags == C3_FULLWIDTH || flags == (C3_FULLWIDTH | C3_ALPHA))) return 4;
  if (flags & (C3_SYMBOL | C3_LEXICAL)) return 5;
  if (flags & C3_KATAKANA) return 6;
  if (flags & C3_HIRAGANA) return 7;
  if (flags & C3_IDEOGRAPH) return 8;
  return 0;
}

}  // namespace editor
