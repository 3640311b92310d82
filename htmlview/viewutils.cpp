#include "htmlview/viewutils.h"

#include <algorithm>
#include <array>
#include <cctype>

#include <QChar>

#include "htmlview/attributes.h"
#include "platform/fonts.h"
#include "platform/sysutils.h"
#include "platform/textfile.h"

namespace htmlview {

// ------------------------------------------------------------------ links

namespace {
// User-interface thread only, as every link is made there.
int linkCounter = 0;
}  // namespace

void TUrlTarget::Assign(std::string_view url, std::string_view target, const TAttributeList* attributes,
                        int start) {
  URL = std::string(url);
  Target = std::string(target);
  ID = ++linkCounter;
  TutStart = start;
  TutLast = -1;
  Attr.clear();
  if (attributes)
    for (const std::string& line : attributes->CreateStringList()) {
      Attr += line;
      Attr += "\r\n";
    }
}

void TUrlTarget::Clear() {
  URL.clear();
  Target.clear();
  Attr.clear();
  ID = 0;
  TutStart = TutLast = -1;
}

void TUrlTarget::SetLast(const std::vector<TUrlTarget*>& list, int last) {
  TutLast = last;
  // The pieces of one link are added one after another: walk back from the
  // end while they are still this link's.
  for (auto it = list.rbegin(); it != list.rend(); ++it) {
    if (!*it || (*it)->ID != ID) break;
    (*it)->TutLast = last;
  }
}

// ---------------------------------------------------------- selected text

void SelTextCount::AddText(const char16_t* text, int length) {
  for (int i = 0; i < length; ++i)
    if (text[i] != 2 && text[i] != 4) ++count_;
}

void SelTextCount::AddTextCR(const char16_t* text, int length) {
  AddText(text, length);
  static const char16_t crlf[] = {u'\r', u'\n'};
  AddText(crlf, 2);
}

int SelTextCount::Terminate() { return count_ + 1; }

SelTextBuf::SelTextBuf(char16_t* buffer, int bufferSize) : buffer_(buffer), size_(bufferSize) {
  if (buffer_ && size_ > 0) buffer_[0] = 0;
}

void SelTextBuf::AddText(const char16_t* text, int length) {
  for (int i = 0; i < length && count_ < size_ - 1; ++i) {
    const char16_t c = text[i];
    if (c == 2 || c == 4 || c == 8) continue;
    buffer_[count_++] = c;
  }
}

int SelTextBuf::Terminate() {
  if (buffer_ && size_ > 0) buffer_[std::min(count_, size_ - 1)] = 0;
  return count_ + 1;
}

// ------------------------------------------------------- named positions

int TChPosObj::YPosition() const {
  int y = 0;
  if (document_ && document_->FindDocPosY(ChPos, y)) return y;
  return 0;
}

void TIDNameList::AddObject(const std::string& name, std::unique_ptr<TIDObject> object) {
  items_[name] = std::move(object);
}

void TIDNameList::AddChPosObject(const std::string& name, int position) {
  AddObject(name, std::make_unique<TChPosObj>(document_, position));
}

TIDObject* TIDNameList::Find(const std::string& name) const {
  auto it = items_.find(name);
  return it == items_.end() ? nullptr : it->second.get();
}

std::vector<std::string> TIDNameList::Names() const {
  std::vector<std::string> names;
  for (const auto& [name, obj] : items_) names.push_back(name);
  return names;
}

// -------------------------------------------------------- parser buffers

namespace {
constexpr size_t kBufferRoom = 300;
constexpr size_t kBufferGrowth = 50;

template <typename V>
void Grow(V& v) {
  if (v.size() == v.capacity()) v.reserve(v.capacity() + kBufferGrowth);
}
}  // namespace

TCharCollection::TCharCollection() {
  chars_.reserve(kBufferRoom);
  indices_.reserve(kBufferRoom);
}

void TCharCollection::Add(char ch, int index) {
  Grow(indices_);
  chars_.push_back(ch);
  indices_.push_back(index);
}

void TCharCollection::Add(std::string_view text, int firstIndex) {
  for (size_t i = 0; i < text.size(); ++i) Add(text[i], firstIndex + static_cast<int>(i));
}

void TCharCollection::Concat(const TCharCollection& other) {
  chars_ += other.chars_;
  indices_.insert(indices_.end(), other.indices_.begin(), other.indices_.end());
}

void TCharCollection::Clear() {
  chars_.clear();
  indices_.clear();
}

TokenObj::TokenObj() {
  chars_.reserve(kBufferRoom);
  indices_.reserve(kBufferRoom);
}

void TokenObj::AddUnicodeChar(char16_t ch, int index) {
  Grow(indices_);
  chars_.push_back(ch);
  indices_.push_back(index);
}

void TokenObj::AddString(const TCharCollection& collection, int codePage) {
  std::vector<int> offsets;
  const std::u16string wide = StrToWideCP(collection.AsString(), codePage, &offsets);
  const std::vector<int>& source = collection.Indices();
  for (size_t i = 0; i < wide.size(); ++i) {
    const int byte = offsets[i];
    AddUnicodeChar(wide[i], byte < static_cast<int>(source.size()) ? source[byte] : -1);
  }
}

void TokenObj::Clear() {
  chars_.clear();
  indices_.clear();
}

// --------------------------------------------------------- text routines

int WidePos(std::u16string_view sub, std::u16string_view s) {
  if (sub.empty() || s.empty()) return 0;
  const size_t p = s.find(sub);
  return p == std::u16string_view::npos ? 0 : static_cast<int>(p) + 1;
}

int PosIndex(std::u16string_view sub, std::u16string_view s, int start) {
  if (sub.empty() || start < 1 || start > static_cast<int>(s.size())) return 0;
  const size_t p = s.find(sub, static_cast<size_t>(start - 1));
  return p == std::u16string_view::npos ? 0 : static_cast<int>(p) + 1;
}

int WideScanFirst(char16_t ch, std::u16string_view s) {
  const size_t p = s.find(ch);
  return p == std::u16string_view::npos ? 0 : static_cast<int>(p) + 1;
}

int WideScanLast(char16_t ch, std::u16string_view s) {
  const size_t p = s.rfind(ch);
  return p == std::u16string_view::npos ? 0 : static_cast<int>(p) + 1;
}

std::u16string WideUpperCase(std::u16string_view s) {
  std::u16string r(s);
  for (char16_t& c : r) c = QChar(c).toUpper().unicode();
  return r;
}

std::u16string WideLowerCase(std::u16string_view s) {
  std::u16string r(s);
  for (char16_t& c : r) c = QChar(c).toLower().unicode();
  return r;
}

std::u16string WideTrim(std::u16string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && s[b] < 33) ++b;
  while (e > b && s[e - 1] < 33) --e;
  return std::u16string(s.substr(b, e - b));
}

namespace {

const std::array<char16_t, 256>& Cp1252Table() {
  static const std::array<char16_t, 256> table = [] {
    std::array<char16_t, 256> t{};
    for (int b = 0; b < 256; ++b) {
      const std::u16string u = platform::Utf8ToUtf16(platform::Cp1252ToUtf8(std::string(1, static_cast<char>(b))));
      t[b] = u.empty() ? char16_t(b) : u[0];
    }
    return t;
  }();
  return table;
}

void PushUnit(std::u16string& out, std::vector<int>* idx, char32_t cp, int byte) {
  if (cp >= 0x10000) {
    cp -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    if (idx) idx->insert(idx->end(), 2, byte);
    return;
  }
  out.push_back(static_cast<char16_t>(cp));
  if (idx) idx->push_back(byte);
}

// Lead bytes 192..223 start two bytes, 224..239 three, 240..247 four; a byte
// that starts no valid sequence is one replacement character.
std::u16string DecodeUtf8(std::string_view bytes, std::vector<int>* idx) {
  std::u16string out;
  out.reserve(bytes.size());
  size_t i = 0;
  while (i < bytes.size()) {
    const unsigned char b = static_cast<unsigned char>(bytes[i]);
    int len = 1;
    char32_t cp = b;
    if (b >= 192 && b <= 223) { len = 2; cp = b & 0x1F; }
    else if (b >= 224 && b <= 239) { len = 3; cp = b & 0x0F; }
    else if (b >= 240 && b <= 247) { len = 4; cp = b & 0x07; }
    else if (b >= 128) len = 0;
    bool ok = len > 0 && i + len <= bytes.size();
    for (int k = 1; ok && k < len; ++k) {
      const unsigned char c = static_cast<unsigned char>(bytes[i + k]);
      if ((c & 0xC0) != 0x80) ok = false;
      cp = (cp << 6) | (c & 0x3F);
    }
    static constexpr char32_t kMinimum[] = {0, 0, 0x80, 0x800, 0x10000};
    if (ok && (cp < kMinimum[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))) ok = false;
    if (!ok) {
      PushUnit(out, idx, 0xFFFD, static_cast<int>(i));
      ++i;
      continue;
    }
    PushUnit(out, idx, cp, static_cast<int>(i));
    i += len;
  }
  return out;
}

}  // namespace

std::u16string StrToWideCP(std::string_view bytes, int codePage, std::vector<int>* indices) {
  if (indices) indices->clear();
  if (codePage == CP_UTF8) return DecodeUtf8(bytes, indices);
  std::u16string out;
  out.reserve(bytes.size());
  // Latin-1 maps bytes to the same code points; every other single-byte
  // page this build does not carry falls back to the system code page.
  const bool latin1 = codePage == 28591;
  const auto& table = Cp1252Table();
  for (size_t i = 0; i < bytes.size(); ++i) {
    const unsigned char b = static_cast<unsigned char>(bytes[i]);
    out.push_back(latin1 ? char16_t(b) : table[b]);
    if (indices) indices->push_back(static_cast<int>(i));
  }
  return out;
}

std::string WideToStrCP(std::u16string_view text, int codePage) {
  const std::string utf8 = platform::Utf16ToUtf8(text);
  if (codePage == CP_UTF8) return utf8;
  if (codePage == 28591) {
    std::string out;
    for (char16_t c : text) out.push_back(c < 256 ? static_cast<char>(c) : '?');
    return out;
  }
  return platform::Utf8ToCp1252(utf8);
}

int FitText(platform::Canvas& canvas, std::u16string_view text, int width, int& extent) {
  std::vector<int> extents;
  const int n = platform::TextFitCount(canvas.font, text, std::max(0, width), &extents);
  extent = n > 0 ? extents[n - 1] : 0;
  return n;
}

platform::Size GetTextExtent(platform::Canvas& canvas, std::u16string_view text) {
  return canvas.TextExtent(text);
}

void WrapTextW(platform::Canvas& canvas, const platform::Rect& rect, std::u16string_view text) {
  const unsigned align = canvas.textAlign;
  canvas.textAlign = platform::TA_LEFT | platform::TA_TOP;
  canvas.DrawWrappedText(rect, text);
  canvas.textAlign = align;
}

// ------------------------------------------------------- links to paths

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The first percent sign decides: decoding stops when it starts the text,
// has fewer than two characters after it or is not followed by two
// hexadecimal digits. A decoded percent sign is looked at again.
std::string DecodePercents(std::string s) {
  for (;;) {
    const size_t p = s.find('%');
    if (p == std::string::npos || p == 0 || s.size() - p - 1 < 2) break;
    const int hi = HexValue(s[p + 1]), lo = HexValue(s[p + 2]);
    if (hi < 0 || lo < 0) break;
    s.replace(p, 3, 1, static_cast<char>(hi * 16 + lo));
  }
  return s;
}

size_t FindNoCase(const std::string& s, std::string_view what) {
  const std::string lower = platform::LowerCase(s);
  return lower.find(what);
}

bool IsDriveAt(const std::string& s, size_t i) {
  return i + 1 < s.size() && std::isalpha(static_cast<unsigned char>(s[i])) && (s[i + 1] == ':' || s[i + 1] == '|');
}

}  // namespace

std::string UrlToDosPath(std::string_view url) {
  std::string s = DecodePercents(std::string(url));
  if (s.find('/') != std::string::npos) {
    size_t p;
    if ((p = FindNoCase(s, "file:///")) != std::string::npos) {
      // "file:///C|/x" names a drive; "file:///home/x" is rooted, and its
      // root must survive.
      s.erase(p, IsDriveAt(s, p + 8) ? 8 : 7);
    } else if ((p = FindNoCase(s, "file://")) != std::string::npos) {
      s.erase(p, 7);
    } else if ((p = FindNoCase(s, "file:/")) != std::string::npos) {
      s.erase(p, IsDriveAt(s, p + 6) ? 6 : 5);
    }
    std::replace(s.begin(), s.end(), '|', ':');
    std::replace(s.begin(), s.end(), '\\', '/');
  }
  return s;
}

std::string UrlToDosPathWithRoot(std::string_view url, std::string_view serverRoot) {
  std::string s = platform::Trim(UrlToDosPath(url));
  if (!s.empty() && s[0] == '/' && !(s.size() > 1 && s[1] == '/')) {
    std::string root(serverRoot);
    while (!root.empty() && (root.back() == '/' || root.back() == '\\')) root.pop_back();
    s = root + s;
  }
  return s;
}

// ------------------------------------------------------------ TDib

TDib::TDib(const platform::Bitmap& bitmap) : copy_(bitmap) {
  if (bitmap.IsNull()) throw platform::EOutOfResources("Out of Resources");
  // 16 and 32 bits are stored as 24; palette formats carry their table.
  const int depth = bitmap.BitDepth();
  bits_ = depth <= 1 ? 1 : depth <= 4 ? 4 : depth <= 8 ? 8 : 24;
  infoSize_ = 40 + (bits_ <= 8 ? 4 * (1 << bits_) : 0);
  const int64_t rowBytes = ((int64_t(bitmap.Width()) * bits_ + 31) / 32) * 4;
  imageSize_ = rowBytes * bitmap.Height();
}

platform::Bitmap TDib::CreateDIBmp() const {
  platform::Bitmap b(copy_.Image().copy());
  if (b.IsNull()) throw platform::EOutOfResources("Out of Resources");
  b.SetBitDepth(bits_);
  return b;
}

}  // namespace htmlview
