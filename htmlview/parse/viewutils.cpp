#include "htmlview/parse/viewutils.h"

#include <algorithm>

#include "htmlview/parse/attributes.h"
#include "htmlview/parse/codepages.h"
#include "platform/fonts.h"
#include "platform/sysutils.h"

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

// Doubling keeps a long run of text linear: growing by a fixed step copied
// the whole buffer every few characters.
template <typename V>
void Grow(V& v) {
  if (v.size() == v.capacity()) v.reserve(std::max(kBufferRoom, v.capacity() * 2));
}
}  // namespace

TCharCollection::TCharCollection() {
  chars_.reserve(kBufferRoom);
  indices_.reserve(kBufferRoom);
}

void TCharCollection::Add(char ch, int index) {
  Grow(chars_);
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
  places_.reserve(4);
}

void TokenObj::AddStretch(int first, int n) {
  if (n <= 0) return;
  spelt_ = false;
  if (count_ == 0 || first != last_ + 1) places_.push_back({count_, first});
  count_ += n;
  last_ = first + n - 1;
}

void TokenObj::AddUnicodeChar(char16_t ch, int index) {
  Grow(chars_);
  chars_.push_back(ch);
  AddStretch(index, 1);
}

void TokenObj::AddAscii(std::string_view chars, const std::vector<IndexObj>& places) {
  chars_.append(chars.begin(), chars.end());
  const int n = static_cast<int>(chars.size());
  for (size_t k = 0; k < places.size() && places[k].Pos < n; ++k) {
    const int end = k + 1 < places.size() ? std::min(places[k + 1].Pos, n) : n;
    AddStretch(places[k].Index, end - places[k].Pos);
  }
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

const std::vector<int>& TokenObj::I() const {
  if (spelt_) return indices_;
  indices_.clear();
  indices_.reserve(static_cast<size_t>(count_));
  for (size_t k = 0; k < places_.size(); ++k) {
    const int end = k + 1 < places_.size() ? places_[k + 1].Pos : count_;
    for (int i = places_[k].Pos; i < end; ++i) indices_.push_back(places_[k].Index + (i - places_[k].Pos));
  }
  spelt_ = true;
  return indices_;
}

void TokenObj::Clear() {
  chars_.clear();
  places_.clear();
  count_ = 0;
  last_ = 0;
  indices_.clear();
  spelt_ = false;
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

std::u16string WideTrim(std::u16string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && s[b] < 33) ++b;
  while (e > b && s[e - 1] < 33) --e;
  return std::u16string(s.substr(b, e - b));
}

std::u16string StrToWideCP(std::string_view bytes, int codePage, std::vector<int>* indices) {
  // A page the decoders do not know falls back to the system code page.
  return DecodeCodePage(bytes, codePage, indices);
}

std::string WideToStrCP(std::u16string_view text, int codePage) {
  return EncodeCodePage(text, codePage);
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
  return i + 1 < s.size() && platform::IsAsciiLetter(s[i]) && (s[i + 1] == ':' || s[i + 1] == '|');
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

}  // namespace htmlview
