#include "editor/texteditstringlist.h"

#include <algorithm>
#include <utility>

#include "platform/fonts.h"
#include "platform/stringlist.h"

namespace editor {

namespace {

const std::u16string kEmpty;
static_assert(sizeof(void*) != 8 || sizeof(TTextEditStringRec) == 32, "a line record is 32 bytes");
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// Brackets a change in BeginUpdate/EndUpdate, also when the change throws.
class UpdateBracket {
 public:
  explicit UpdateBracket(TTextEditStringList& list) : list_(list) { list_.BeginUpdate(); }
  ~UpdateBracket() { list_.EndUpdate(); }
  UpdateBracket(const UpdateBracket&) = delete;
  UpdateBracket& operator=(const UpdateBracket&) = delete;

 private:
  TTextEditStringList& list_;
};

template <typename F>
void Fire(const F& callback, TTextEditStringList* sender, int index, int count) {
  if (callback) callback(sender, index, count);
}

}  // namespace

std::string_view LineBreakBytes(TLineBreak lineBreak) {
  switch (lineBreak) {
    case TLineBreak::lbCRLF: return "\r\n";
    case TLineBreak::lbLF: return "\n";
    case TLineBreak::lbCR: return "\r";
    case TLineBreak::lbNone: break;
  }
  return {};
}

TLineBreak LineBreakOf(TLineBreakFormat format) {
  switch (format) {
    case TLineBreakFormat::lbfLF: return TLineBreak::lbLF;
    case TLineBreakFormat::lbfCR: return TLineBreak::lbCR;
    case TLineBreakFormat::lbfCRLF: break;
  }
  return TLineBreak::lbCRLF;
}

// ---------------------------------------------------------------------------

TTextEditStringList::TTextEditStringList() { SetTabWidth(8); }

TTextEditStringList::~TTextEditStringList() {
  // The owner hears nothing of the final release.
  OnChanging = nullptr;
  OnChange = nullptr;
  OnCleared = nullptr;
  OnDeleted = nullptr;
  OnInserted = nullptr;
  OnPut = nullptr;
}

std::u16string TTextEditStringList::Utf8View(std::string_view text) { return platform::Utf8ToUtf16(text); }

void TTextEditStringList::ListIndexOutOfBounds(int index) const {
  throw ETextEditStringList("Invalid stringlist index " + std::to_string(index));
}

void TTextEditStringList::SetUpdateState(bool updating) {
  if (updating) {
    if (OnChanging) OnChanging(this);
  } else {
    if (OnChange) OnChange(this);
  }
}

void TTextEditStringList::BeginUpdate() {
  if (updateCount_++ == 0) SetUpdateState(true);
}

void TTextEditStringList::EndUpdate() {
  if (updateCount_ <= 0) return;
  if (--updateCount_ == 0) SetUpdateState(false);
}

void TTextEditStringList::SetCapacity(int capacity) {
  if (capacity < Count()) throw platform::EListError("Stringlist capacity cannot be smaller than count");
  capacity_ = capacity;
  list_.reserve(static_cast<size_t>(capacity));
}

void TTextEditStringList::Grow() {
  const int delta = capacity_ > 64 ? capacity_ / 4 : 16;
  SetCapacity(capacity_ + delta);
}

const std::u16string& TTextEditStringList::Get(int index) const {
  if (index < 0 || index >= Count()) return kEmpty;
  return Text(index);
}

const std::u16string& TTextEditStringList::Text(int index) const {
  auto& rec = list_[static_cast<size_t>(index)];
  if (!rec.Own()) rec.SetOwn(platform::Utf8ToUtf16(LoadedBytes(rec)));
  return *rec.Own();
}

std::u16string TTextEditStringList::TextCopy(const TTextEditStringRec& rec) const {
  return rec.Own() ? *rec.Own() : platform::Utf8ToUtf16(LoadedBytes(rec));
}

const std::u16string& TTextEditStringList::GetTransient(int index, std::u16string& scratch) const {
  if (index < 0 || index >= Count()) return kEmpty;
  const auto& rec = list_[static_cast<size_t>(index)];
  if (rec.Own()) return *rec.Own();
  scratch = platform::Utf8ToUtf16(LoadedBytes(rec));
  return scratch;
}

std::string TTextEditStringList::GetUtf8(int index) const {
  if (index < 0 || index >= Count()) return {};
  const auto& rec = list_[static_cast<size_t>(index)];
  return rec.Own() ? platform::Utf16ToUtf8(*rec.Own()) : std::string(LoadedBytes(rec));
}

void* TTextEditStringList::GetObject(int index) const {
  if (index < 0 || index >= Count()) return nullptr;
  return list_[static_cast<size_t>(index)].fObject;
}

void TTextEditStringList::PutObject(int index, void* object) {
  if (index < 0 || index >= Count()) ListIndexOutOfBounds(index);
  UpdateBracket bracket(*this);
  list_[static_cast<size_t>(index)].fObject = object;
}

void TTextEditStringList::Put(int index, std::u16string_view text) {
  if (index == Count()) {
    Add(text);
    return;
  }
  if (index < 0 || index > Count()) ListIndexOutOfBounds(index);
  UpdateBracket bracket(*this);
  indexOfLongestLine_ = -1;
  auto& rec = list_[static_cast<size_t>(index)];
  rec.fFlags = static_cast<std::uint8_t>((rec.fFlags | sfExpandedLengthUnknown) & ~(sfHasTabs | sfHasNoTabs));
  rec.SetOwn(std::u16string(text));
  Fire(OnPut, this, index, 1);
}

std::u16string TTextEditStringList::GetTextStr() const {
  std::u16string out;
  size_t total = 0;
  for (const auto& rec : list_) total += (rec.Own() ? rec.Own()->size() : rec.Length()) + 2;
  out.reserve(total);
  for (size_t i = 0; i < list_.size(); ++i) {
    if (i > 0) out += u"\r\n";
    if (list_[i].Own())
      out += *list_[i].Own();
    else
      out += platform::Utf8ToUtf16(LoadedBytes(list_[i]));
  }
  return out;
}

void TTextEditStringList::SetTextStr(std::u16string_view text) {
  UpdateBracket bracket(*this);
  Clear();
  size_t pos = 0;
  const size_t n = text.size();
  while (pos < n) {
    size_t end = pos;
    while (end < n && text[end] != u'\r' && text[end] != u'\n') ++end;
    Add(text.substr(pos, end - pos));
    pos = end;
    if (pos < n && text[pos] == u'\r') ++pos;
    if (pos < n && text[pos] == u'\n') ++pos;
  }
}

std::string TTextEditStringList::TextUtf8() const { return platform::Utf16ToUtf8(GetTextStr()); }
void TTextEditStringList::SetTextUtf8(std::string_view text) { SetTextStr(platform::Utf8ToUtf16(text)); }

void TTextEditStringList::InsertItem(int index, std::u16string_view text) {
  if (Count() >= capacity_) Grow();
  TTextEditStringRec rec;
  rec.SetOwn(std::u16string(text));
  LowerScanned(index);
  list_.insert(list_.begin() + index, std::move(rec));
}

int TTextEditStringList::Add(std::u16string_view text) {
  UpdateBracket bracket(*this);
  indexOfLongestLine_ = -1;
  const int index = Count();
  InsertItem(index, text);
  Fire(OnInserted, this, index, 1);
  return index;
}

void TTextEditStringList::AddStrings(const std::vector<std::u16string>& source) {
  if (source.empty()) return;
  indexOfLongestLine_ = -1;
  UpdateBracket bracket(*this);
  const int first = Count();
  const int n = static_cast<int>(source.size());
  if (capacity_ < first + n) SetCapacity((first + n + 15) / 16 * 16);
  LowerScanned(first);
  for (const auto& s : source) {
    TTextEditStringRec rec;
    rec.SetOwn(s);
    list_.push_back(std::move(rec));
  }
  Fire(OnInserted, this, first, n);
}

void TTextEditStringList::AddStrings(const TTextEditStringList& source) {
  if (source.Count() == 0) return;
  // Copy first: the source may be this list.
  std::vector<std::u16string> lines;
  std::vector<void*> objects;
  lines.reserve(static_cast<size_t>(source.Count()));
  for (const auto& rec : source.list_) {
    lines.push_back(source.TextCopy(rec));
    objects.push_back(rec.fObject);
  }
  const int first = Count();
  indexOfLongestLine_ = -1;
  UpdateBracket bracket(*this);
  const int n = static_cast<int>(lines.size());
  if (capacity_ < first + n) SetCapacity((first + n + 15) / 16 * 16);
  LowerScanned(first);
  for (size_t i = 0; i < lines.size(); ++i) {
    TTextEditStringRec rec;
    rec.SetOwn(std::move(lines[i]));
    rec.fObject = objects[i];
    list_.push_back(std::move(rec));
  }
  Fire(OnInserted, this, first, n);
}

void TTextEditStringList::AddStrings(const platform::TStringList& source) {
  std::vector<std::u16string> lines;
  lines.reserve(static_cast<size_t>(source.Count()));
  for (const auto& s : source) lines.push_back(platform::Utf8ToUtf16(s));
  const int first = Count();
  AddStrings(lines);
  for (int i = 0; i < source.Count() && first + i < Count(); ++i)
    list_[static_cast<size_t>(first + i)].fObject = source.GetObject(i);
}

void TTextEditStringList::Assign(const TTextEditStringList& source) {
  if (&source == this) return;
  UpdateBracket bracket(*this);
  Clear();
  AddStrings(source);
}

void TTextEditStringList::Assign(const platform::TStringList& source) {
  UpdateBracket bracket(*this);
  Clear();
  AddStrings(source);
}

void TTextEditStringList::Clear() {
  if (!list_.empty()) {
    UpdateBracket bracket(*this);
    list_.clear();
    list_.shrink_to_fit();
    loaded_.clear();
    loaded_.shrink_to_fit();
    capacity_ = 0;
    if (OnCleared) OnCleared(this);
  }
  indexOfLongestLine_ = -1;
  scannedRanges_ = 0;
}

void TTextEditStringList::Delete(int index) {
  if (index < 0 || index >= Count()) ListIndexOutOfBounds(index);
  UpdateBracket bracket(*this);
  LowerScanned(index);
  list_.erase(list_.begin() + index);
  indexOfLongestLine_ = -1;
  Fire(OnDeleted, this, index, 1);
}

void TTextEditStringList::Exchange(int index1, int index2) {
  if (index1 < 0 || index1 >= Count()) ListIndexOutOfBounds(index1);
  if (index2 < 0 || index2 >= Count()) ListIndexOutOfBounds(index2);
  UpdateBracket bracket(*this);
  LowerScanned(std::min(index1, index2));
  std::swap(list_[static_cast<size_t>(index1)], list_[static_cast<size_t>(index2)]);
  if (indexOfLongestLine_ == index1) indexOfLongestLine_ = index2;
  else if (indexOfLongestLine_ == index2) indexOfLongestLine_ = index1;
}

void TTextEditStringList::Insert(int index, std::u16string_view text) {
  if (index < 0 || index > Count()) ListIndexOutOfBounds(index);
  UpdateBracket bracket(*this);
  indexOfLongestLine_ = -1;
  InsertItem(index, text);
  Fire(OnInserted, this, index, 1);
}

void TTextEditStringList::InsertLines(int index, int numLines) {
  if (index < 0 || index > Count()) ListIndexOutOfBounds(index);
  if (numLines <= 0) return;
  UpdateBracket bracket(*this);
  SetCapacity(Count() + numLines);
  LowerScanned(index);
  std::vector<TTextEditStringRec> empty(static_cast<size_t>(numLines));
  list_.insert(list_.begin() + index, std::make_move_iterator(empty.begin()), std::make_move_iterator(empty.end()));
  Fire(OnInserted, this, index, numLines);
}

void TTextEditStringList::DeleteLines(int index, int numLines) {
  if (numLines <= 0) return;
  if (index < 0 || index > Count()) ListIndexOutOfBounds(index);
  numLines = std::min(numLines, Count() - index);
  UpdateBracket bracket(*this);
  LowerScanned(index);
  list_.erase(list_.begin() + index, list_.begin() + index + numLines);
  Fire(OnDeleted, this, index, numLines);
}

TRangeState TTextEditStringList::GetRange(int index) const {
  if (index < 0 || index >= Count()) return 0;
  if (index >= scannedRanges_ && rangeScanner_) rangeScanner_(index);
  return list_[static_cast<size_t>(index)].fRange;
}

TRangeState TTextEditStringList::StoredRange(int index) const {
  if (index < 0 || index >= Count()) return 0;
  return list_[static_cast<size_t>(index)].fRange;
}

void TTextEditStringList::StoreRange(int index, TRangeState range) const {
  if (index >= 0 && index < Count()) list_[static_cast<size_t>(index)].fRange = range;
}

void TTextEditStringList::SetRangeScanner(TRangeScanner scanner) {
  rangeScanner_ = std::move(scanner);
  scannedRanges_ = 0;
}

void TTextEditStringList::SetRange(int index, TRangeState range) {
  if (index < 0 || index >= Count()) ListIndexOutOfBounds(index);
  UpdateBracket bracket(*this);
  list_[static_cast<size_t>(index)].fRange = range;
}

void TTextEditStringList::ExpandLoaded(TTextEditStringRec& rec) const {
  const std::string_view bytes = LoadedBytes(rec);
  if (bytes.find('\t') != std::string_view::npos) {
    bool hasTabs = false;
    rec.fExpandedLength = static_cast<int>(convertTabsProc_(platform::Utf8ToUtf16(bytes), tabWidth_, hasTabs).size());
    rec.fFlags = hasTabs ? sfHasTabs : sfHasNoTabs;
    return;
  }
  // Without tabs the expanded length is the UTF-16 length: a unit for each
  // character, two for those beyond the first plane (four-byte sequences).
  int units = 0;
  for (char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    if ((b & 0xC0) != 0x80) units += b >= 0xF0 ? 2 : 1;
  }
  rec.fExpandedLength = units;
  rec.fFlags = sfHasNoTabs;
}

void TTextEditStringList::ExpandLine(int index) const {
  auto& rec = list_[static_cast<size_t>(index)];
  if (!rec.Own()) {
    ExpandLoaded(rec);
    return;
  }
  if (rec.Own()->empty()) {
    rec.fExpandedLength = 0;
    rec.fFlags = sfHasNoTabs;
    return;
  }
  bool hasTabs = false;
  const std::u16string expanded = convertTabsProc_(*rec.Own(), tabWidth_, hasTabs);
  rec.fExpandedLength = static_cast<int>(expanded.size());
  rec.fFlags = hasTabs ? sfHasTabs : sfHasNoTabs;
}

std::u16string TTextEditStringList::GetExpandedString(int index) const {
  if (index < 0 || index >= Count()) return {};
  auto& rec = list_[static_cast<size_t>(index)];
  const std::u16string& text = Text(index);
  if (rec.fFlags & sfHasNoTabs) return text;
  if (text.empty()) {
    ExpandLine(index);
    return {};
  }
  bool hasTabs = false;
  std::u16string expanded = convertTabsProc_(text, tabWidth_, hasTabs);
  rec.fExpandedLength = static_cast<int>(expanded.size());
  rec.fFlags = hasTabs ? sfHasTabs : sfHasNoTabs;
  return expanded;
}

int TTextEditStringList::GetExpandedLength(int index) const {
  if (index < 0 || index >= Count()) return 0;
  if (list_[static_cast<size_t>(index)].fFlags & sfExpandedLengthUnknown) ExpandLine(index);
  return list_[static_cast<size_t>(index)].fExpandedLength;
}

int TTextEditStringList::LongestLineLength() const {
  if (indexOfLongestLine_ < 0) {
    int best = 0;
    for (int i = 0; i < Count(); ++i) {
      auto& rec = list_[static_cast<size_t>(i)];
      if (rec.fFlags & sfExpandedLengthUnknown) ExpandLine(i);
      if (rec.fExpandedLength > best) {
        best = rec.fExpandedLength;
        indexOfLongestLine_ = i;
      }
    }
  }
  if (indexOfLongestLine_ >= 0 && indexOfLongestLine_ < Count())
    return list_[static_cast<size_t>(indexOfLongestLine_)].fExpandedLength;
  return 0;
}

void TTextEditStringList::SetTabWidth(int value) {
  if (value == tabWidth_) return;
  tabWidth_ = value;
  convertTabsProc_ = GetBestConvertTabsProc(value);
  indexOfLongestLine_ = -1;
  for (auto& rec : list_) {
    rec.fExpandedLength = -1;
    rec.fFlags = static_cast<std::uint8_t>((rec.fFlags & ~sfHasNoTabs) | sfExpandedLengthUnknown);
  }
}

void TTextEditStringList::SetLineBreakFormat(TLineBreakFormat format) {
  lineBreakFormat_ = format;
  for (auto& rec : list_) rec.fBreak = TLineBreak::lbNone;
}

TLineBreak TTextEditStringList::LineBreakAfter(int index) const {
  if (index < 0 || index >= Count() - 1) return TLineBreak::lbNone;
  const TLineBreak b = list_[static_cast<size_t>(index)].fBreak;
  return b == TLineBreak::lbNone ? DefaultBreak() : b;
}

TLineBreak TTextEditStringList::DefaultBreak() const { return LineBreakOf(lineBreakFormat_); }

// ---------------------------------------------------------------------------
// Files

void TTextEditStringList::LoadFromFile(const std::string& fileName) {
  // Read before anything is cleared, so that an unreadable file leaves the list as it was.
  LoadText(platform::ReadFileBytes(fileName));
}

void TTextEditStringList::LoadFromStream(platform::TStream& stream) {
  const int64_t size = stream.Size();
  stream.SetPosition(0);
  std::string bytes(static_cast<size_t>(size > 0 ? size : 0), '\0');
  if (size > 0) stream.ReadBuffer(bytes.data(), size);
  LoadText(std::move(bytes));
}

void TTextEditStringList::LoadFromBytes(std::string_view bytes) { LoadText(std::string(bytes)); }

void TTextEditStringList::LoadText(std::string bytes) {
  // The lines stay in the file's bytes when they are UTF-8 (a Windows-1252
  // file is converted once): the list keeps the text and a record of where
  // each line is and the break after it. Line breaks are ASCII, so they split
  // the UTF-8 text where they split its UTF-16 form.
  size_t start = 0;
  const bool bom = std::string_view(bytes).substr(0, kUtf8Bom.size()) == kUtf8Bom;
  if (bom) start = kUtf8Bom.size();
  platform::TextEncoding encoding = platform::TextEncoding::Utf8;
  std::string text;
  if (platform::IsValidUtf8(std::string_view(bytes).substr(start))) {
    text = std::move(bytes);
  } else {
    text = platform::Cp1252ToUtf8(std::string_view(bytes).substr(start));
    encoding = platform::TextEncoding::Windows1252;
    start = 0;
    std::string().swap(bytes);
  }

  bool crSeen = false;
  bool lfSeen = false;
  const size_t n = text.size();
  // Places are kept in 31 bits: a text beyond that gives every line its own string.
  const bool inPlace = n < (size_t{1} << 31);
  {
    UpdateBracket bracket(*this);
    Clear();
    // In place before the first line is announced: a listener may read it.
    if (inPlace) loaded_ = std::move(text);
    const std::string& source = inPlace ? loaded_ : text;
    const size_t lines = static_cast<size_t>(std::count(source.begin() + static_cast<std::ptrdiff_t>(start), source.end(), '\n')) + 1;
    list_.reserve(lines);
    capacity_ = static_cast<int>(lines);
    // Line by line, each announced as it comes (as Add would).
    auto add = [&](size_t begin, size_t length, TLineBreak lineBreak) {
      if (Count() >= capacity_) Grow();
      TTextEditStringRec& rec = list_.emplace_back();
      if (inPlace)
        rec.SetLoaded(static_cast<std::uint32_t>(begin), static_cast<std::uint32_t>(length));
      else
        rec.SetOwn(platform::Utf8ToUtf16(std::string_view(source).substr(begin, length)));
      rec.fBreak = lineBreak;
      indexOfLongestLine_ = -1;
      Fire(OnInserted, this, Count() - 1, 1);
    };
    size_t pos = start;
    while (pos < n) {
      size_t end = pos;
      while (end < n && source[end] != '\r' && source[end] != '\n') ++end;
      const size_t begin = pos;
      pos = end;
      bool cr = false;
      bool lf = false;
      if (pos < n && source[pos] == '\r') { cr = true; ++pos; }
      if (pos < n && source[pos] == '\n') { lf = true; ++pos; }
      crSeen = crSeen || cr;
      lfSeen = lfSeen || lf;
      add(begin, end - begin, cr && lf ? TLineBreak::lbCRLF : cr ? TLineBreak::lbCR : lf ? TLineBreak::lbLF : TLineBreak::lbNone);
    }
    // A file that ends with a line break has an empty last line.
    if (n > start && (source.back() == '\r' || source.back() == '\n')) add(n, 0, TLineBreak::lbNone);
    scannedRanges_ = 0;
  }
  if (crSeen && !lfSeen) lineBreakFormat_ = TLineBreakFormat::lbfCR;
  else if (lfSeen && !crSeen) lineBreakFormat_ = TLineBreakFormat::lbfLF;
  else lineBreakFormat_ = TLineBreakFormat::lbfCRLF;
  encoding_ = encoding;
  hasBom_ = bom;
}

namespace {

// Windows-1252 cannot hold every character a user may type; rather than
// write "?" for those, such a text is saved as UTF-8.
platform::TextEncoding EffectiveEncoding(const TTextEditStringList& list) {
  if (list.Encoding() != platform::TextEncoding::Windows1252) return list.Encoding();
  for (int i = 0; i < list.Count(); ++i)
    if (!platform::FitsCp1252(list.GetUtf8(i))) return platform::TextEncoding::Utf8;
  return platform::TextEncoding::Windows1252;
}

}  // namespace

void TTextEditStringList::SaveToStream(platform::TStream& stream) const {
  const std::string bytes = SaveToBytes();
  if (!bytes.empty()) stream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
}

std::string TTextEditStringList::SaveToBytes() const {
  platform::TMemoryStream memory;
  size_t total = 0;
  for (const auto& rec : list_) total += (rec.Own() ? rec.Own()->size() * 3 : rec.Length()) + 2;
  {
    TTextEditFileWriter writer(memory, lineBreakFormat_, EffectiveEncoding(*this), total + 16);
    // The mark is written back even when there is no line: a file that held
    // only the mark saves as it was.
    if (hasBom_) writer.WriteBytes(kUtf8Bom);
    for (int i = 0; i < Count(); ++i) {
      const auto& rec = list_[static_cast<size_t>(i)];
      const bool last = i + 1 == Count();
      if (rec.Own()) {
        if (last) writer.Write(*rec.Own());
        else writer.WriteLine(*rec.Own(), rec.fBreak);
      } else {
        if (last) writer.WriteUtf8(LoadedBytes(rec));
        else writer.WriteLineUtf8(LoadedBytes(rec), rec.fBreak);
      }
    }
    writer.Flush();
  }
  const auto& data = memory.Bytes();
  return std::string(data.begin(), data.end());
}

void TTextEditStringList::SaveToFile(const std::string& fileName) const {
  // The whole file is built first and replaces the old one in one step, so
  // that a failed save never leaves a truncated source file behind.
  platform::WriteFileBytes(fileName, SaveToBytes());
}

// ---------------------------------------------------------------------------

TTextEditFileWriter::TTextEditFileWriter(platform::TStream& stream, TLineBreakFormat format,
                                         platform::TextEncoding encoding, std::size_t bufferSize)
    : TTextEditFiler(stream, format, encoding), capacity_(bufferSize == 0 ? 16384 : bufferSize) {
  buffer_.reserve(capacity_);
}

TTextEditFileWriter::~TTextEditFileWriter() {
  try {
    Flush();
  } catch (...) {
    // Destructors must not throw; Flush() before destruction reports errors.
  }
}

void TTextEditFileWriter::Flush() {
  if (buffer_.empty()) return;
  stream_.WriteBuffer(buffer_.data(), static_cast<int64_t>(buffer_.size()));
  buffer_.clear();
}

void TTextEditFileWriter::WriteBytes(std::string_view bytes) {
  if (buffer_.size() + bytes.size() > capacity_) {
    Flush();
    if (bytes.size() > capacity_) {
      capacity_ = bytes.size();
      buffer_.reserve(capacity_);
    }
  }
  buffer_.append(bytes);
}

void TTextEditFileWriter::Write(std::u16string_view text) {
  const std::string utf8 = platform::Utf16ToUtf8(text);
  if (encoding_ == platform::TextEncoding::Windows1252) WriteBytes(platform::Utf8ToCp1252(utf8));
  else WriteBytes(utf8);
}

void TTextEditFileWriter::WriteUtf8(std::string_view text) {
  if (encoding_ == platform::TextEncoding::Windows1252) WriteBytes(platform::Utf8ToCp1252(text));
  else WriteBytes(text);
}

void TTextEditFileWriter::WriteLineUtf8(std::string_view text, TLineBreak lineBreak) {
  WriteUtf8(text);
  WriteBytes(LineBreakBytes(lineBreak == TLineBreak::lbNone ? LineBreakOf(format_) : lineBreak));
}

void TTextEditFileWriter::WriteLine(std::u16string_view text, TLineBreak lineBreak) {
  const TLineBreak b = lineBreak == TLineBreak::lbNone ? LineBreakOf(format_) : lineBreak;
  std::string utf8 = platform::Utf16ToUtf8(text);
  std::string bytes = encoding_ == platform::TextEncoding::Windows1252 ? platform::Utf8ToCp1252(utf8) : std::move(utf8);
  bytes.append(LineBreakBytes(b));
  WriteBytes(bytes);
}

}  // namespace editor
