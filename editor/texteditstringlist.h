#pragma once
// The editor's line store: the lines with the data the editor keeps per line
// (highlighter state, tab-expanded length), change callbacks through which
// the editor follows every edit, and text-file load and save that keep the
// file's line breaks and encoding.
//
// Lines are UTF-16 (see edtypes.h). A loaded line stays in the file's text
// (UTF-8, one block for all lines) until it is first asked for or changed;
// only then does it get a UTF-16 string of its own, so a large file costs
// little more than its own size until its lines are used. Each loaded line
// remembers the break
// that followed it in the file, so a file with mixed breaks also saves byte
// for byte as it was read; a line without a remembered break (a new line,
// or the last line of a file) is followed by the list's LineBreakFormat,
// except that the last line is never followed by a break.
#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "editor/edmiscprocs.h"
#include "platform/streams.h"
#include "platform/sysutils.h"
#include "platform/textfile.h"

namespace platform { class TStringList; }

namespace editor {

// "Invalid stringlist index %d"
class ETextEditStringList : public platform::Exception {
 public:
  using platform::Exception::Exception;
};

enum class TLineBreakFormat : std::uint8_t { lbfCRLF = 0, lbfLF = 1, lbfCR = 2 };

// The highlighter's state after a line, opaque to the list; -1 on a line never scanned.
using TRangeState = std::intptr_t;
constexpr TRangeState kRangeNotScanned = -1;

// Per-line flags.
enum : std::uint8_t {
  sfHasTabs = 0x01,
  sfHasNoTabs = 0x02,
  sfExpandedLengthUnknown = 0x04,
};

// The break that followed a line in the file it was loaded from.
enum class TLineBreak : std::uint8_t { lbNone, lbCRLF, lbLF, lbCR };

// 32 bytes a line: where the text is takes one word, a string of its own or
// the place of the line in the list's loaded text.
struct TTextEditStringRec {
  TTextEditStringRec() = default;
  ~TTextEditStringRec() { delete Own(); }
  TTextEditStringRec(const TTextEditStringRec&) = delete;
  TTextEditStringRec& operator=(const TTextEditStringRec&) = delete;
  TTextEditStringRec(TTextEditStringRec&& other) noexcept { *this = std::move(other); }
  TTextEditStringRec& operator=(TTextEditStringRec&& other) noexcept {
    if (this != &other) {
      delete Own();
      text_ = other.text_;
      other.text_ = kNoText;
      fObject = other.fObject;
      fRange = other.fRange;
      fExpandedLength = other.fExpandedLength;
      fFlags = other.fFlags;
      fBreak = other.fBreak;
    }
    return *this;
  }

  // The line's own string; null while the line is still in the loaded text.
  std::u16string* Own() const {
    return (text_ & 1) ? nullptr : reinterpret_cast<std::u16string*>(static_cast<std::uintptr_t>(text_));
  }
  void SetOwn(std::u16string text) {
    if (std::u16string* own = Own()) {
      *own = std::move(text);
      return;
    }
    text_ = reinterpret_cast<std::uintptr_t>(new std::u16string(std::move(text)));
  }
  // The bytes [Begin(), Begin() + Length()) of the loaded text, for a line
  // without a string of its own. Lengths below 2^31.
  std::uint32_t Begin() const { return static_cast<std::uint32_t>(text_ >> 32); }
  std::uint32_t Length() const { return static_cast<std::uint32_t>(text_) >> 1; }
  void SetLoaded(std::uint32_t begin, std::uint32_t length) {
    delete Own();
    text_ = (static_cast<std::uint64_t>(begin) << 32) | (static_cast<std::uint64_t>(length) << 1) | 1;
  }

  void* fObject = nullptr;
  TRangeState fRange = kRangeNotScanned;
  int fExpandedLength = -1;
  std::uint8_t fFlags = sfExpandedLengthUnknown;
  TLineBreak fBreak = TLineBreak::lbNone;

 private:
  static constexpr std::uint64_t kNoText = 1;   // loaded, empty
  std::uint64_t text_ = kNoText;
};

class TTextEditStringList;
using TStringListNotify = std::function<void(TTextEditStringList* sender)>;
using TStringListChangeEvent = std::function<void(TTextEditStringList* sender, int index, int count)>;

class TTextEditStringList {
 public:
  TTextEditStringList();
  virtual ~TTextEditStringList();
  TTextEditStringList(const TTextEditStringList&) = delete;
  TTextEditStringList& operator=(const TTextEditStringList&) = delete;

  // String-list operations.
  int Count() const { return static_cast<int>(list_.size()); }
  int GetCount() const { return Count(); }
  int GetCapacity() const { return capacity_; }
  void SetCapacity(int capacity);
  // Outside 0..Count-1: the empty string.
  const std::u16string& Get(int index) const;
  const std::u16string& operator[](int index) const { return Get(index); }
  std::string GetUtf8(int index) const;
  // index = Count appends a line.
  void Put(int index, std::u16string_view text);
  void* GetObject(int index) const;
  void PutObject(int index, void* object);

  // Lines joined by CR LF, no break after the last line.
  std::u16string GetTextStr() const;
  // Clear, then one line per piece split at CR LF, LF or CR (a break at the very end adds none).
  void SetTextStr(std::u16string_view text);
  std::string TextUtf8() const;
  void SetTextUtf8(std::string_view text);

  int Add(std::u16string_view text);
  int AddUtf8(std::string_view text) { return Add(Utf8View(text)); }
  void AddStrings(const TTextEditStringList& source);
  void AddStrings(const std::vector<std::u16string>& source);
  void AddStrings(const platform::TStringList& source);
  // Clear and copy (lines and objects).
  void Assign(const TTextEditStringList& source);
  void Assign(const platform::TStringList& source);
  void Clear();
  void Delete(int index);
  void Exchange(int index1, int index2);
  void Insert(int index, std::u16string_view text);

  void BeginUpdate();
  void EndUpdate();
  int UpdateCount() const { return updateCount_; }

  // Load: file errors pass to the caller, and the list is untouched when
  // the file cannot be read. Save replaces the file atomically: a failed
  // save leaves the previous file as it was.
  void LoadFromFile(const std::string& fileName);
  void LoadFromStream(platform::TStream& stream);
  void LoadFromBytes(std::string_view bytes);
  void SaveToFile(const std::string& fileName) const;
  void SaveToStream(platform::TStream& stream) const;
  std::string SaveToBytes() const;

  // Operations of the editor.
  void InsertItem(int index, std::u16string_view text);
  void InsertLines(int index, int numLines);
  void DeleteLines(int index, int numLines);
  // A line's highlighter state; worked out first (by the range scanner) for
  // a line past ScannedRanges().
  TRangeState GetRange(int index) const;
  void SetRange(int index, TRangeState range);
  // States are worked out on demand, up to the last line asked for: the
  // editor installs a scanner that brings lines 0..index up to date (with
  // StoredRange, StoreRange and SetScannedRanges). Lines 0..ScannedRanges()-1
  // hold exact states; inserting, deleting or exchanging lines lowers that
  // count to the first line touched, and installing a scanner sets it to 0.
  using TRangeScanner = std::function<void(int index)>;
  void SetRangeScanner(TRangeScanner scanner);
  bool HasRangeScanner() const { return static_cast<bool>(rangeScanner_); }
  int ScannedRanges() const { return scannedRanges_; }
  void SetScannedRanges(int count) const { scannedRanges_ = std::max(0, std::min(count, Count())); }
  TRangeState StoredRange(int index) const;
  // A state found by a scan: states are not text, no change is announced.
  void StoreRange(int index, TRangeState range) const;
  // The line as UTF-16 without giving it a string of its own: its own string
  // when it has one, else the line converted into scratch.
  const std::u16string& GetTransient(int index, std::u16string& scratch) const;
  std::u16string GetExpandedString(int index) const;
  int GetExpandedLength(int index) const;
  int LongestLineLength() const;
  int TabWidth() const { return tabWidth_; }
  void SetTabWidth(int value);

  // Line breaks and encoding of the file. Setting the format makes every
  // line use it (forgetting the breaks remembered from the file).
  TLineBreakFormat LineBreakFormat() const { return lineBreakFormat_; }
  void SetLineBreakFormat(TLineBreakFormat format);
  platform::TextEncoding Encoding() const { return encoding_; }
  void SetEncoding(platform::TextEncoding encoding) { encoding_ = encoding; }
  // A UTF-8 byte-order mark is kept out of the first line and written back.
  bool HasByteOrderMark() const { return hasBom_; }
  void SetByteOrderMark(bool value) { hasBom_ = value; }
  TLineBreak LineBreakAfter(int index) const;

  // Callbacks, each optional.
  TStringListNotify OnChanging;
  TStringListNotify OnChange;
  TStringListNotify OnCleared;
  TStringListChangeEvent OnDeleted;
  TStringListChangeEvent OnInserted;
  TStringListChangeEvent OnPut;

 protected:
  // Called when the outermost update bracket begins (true) and ends (false).
  virtual void SetUpdateState(bool updating);

 private:
  static std::u16string Utf8View(std::string_view text);
  // Loading from the file's bytes, taken over.
  void LoadText(std::string bytes);
  // The line's loaded bytes (a line with its own string has none).
  std::string_view LoadedBytes(const TTextEditStringRec& rec) const {
    return rec.Own() ? std::string_view() : std::string_view(loaded_).substr(rec.Begin(), rec.Length());
  }
  // The line's text, given a string of its own on the way.
  const std::u16string& Text(int index) const;
  std::u16string TextCopy(const TTextEditStringRec& rec) const;
  // UTF-16 length and tab-expanded length of a line still in the loaded text.
  void ExpandLoaded(TTextEditStringRec& rec) const;
  void LowerScanned(int index) const {
    if (index < scannedRanges_) scannedRanges_ = std::max(0, index);
  }
  [[noreturn]] void ListIndexOutOfBounds(int index) const;
  void Grow();
  void ExpandLine(int index) const;
  TLineBreak DefaultBreak() const;

  mutable std::vector<TTextEditStringRec> list_;
  int capacity_ = 0;
  int updateCount_ = 0;
  TLineBreakFormat lineBreakFormat_ = TLineBreakFormat::lbfCRLF;
  platform::TextEncoding encoding_ = platform::TextEncoding::Utf8;
  bool hasBom_ = false;
  TConvertTabsProc convertTabsProc_ = nullptr;
  int tabWidth_ = 0;
  mutable int indexOfLongestLine_ = -1;
  std::string loaded_;   // the text the loaded lines are in
  TRangeScanner rangeScanner_;
  mutable int scannedRanges_ = 0;
};

// Buffered writer of lines with their breaks over a stream, encoding the
// UTF-16 lines as the file's encoding on the way.
class TTextEditFiler {
 public:
  TTextEditFiler(platform::TStream& stream, TLineBreakFormat format, platform::TextEncoding encoding)
      : stream_(stream), format_(format), encoding_(encoding) {}
  virtual ~TTextEditFiler() = default;
  TLineBreakFormat LineBreakFormat() const { return format_; }

 protected:
  platform::TStream& stream_;
  TLineBreakFormat format_;
  platform::TextEncoding encoding_;
};

class TTextEditFileWriter : public TTextEditFiler {
 public:
  TTextEditFileWriter(platform::TStream& stream, TLineBreakFormat format, platform::TextEncoding encoding,
                      std::size_t bufferSize = 16384);
  // Flushes what is left; a failure there cannot be reported, so callers
  // that care call Flush themselves first.
  ~TTextEditFileWriter() override;
  void WriteBytes(std::string_view bytes);
  void Write(std::u16string_view text);
  // The text and a break: the given one, or the writer's format for lbNone.
  void WriteLine(std::u16string_view text, TLineBreak lineBreak = TLineBreak::lbNone);
  // The same from UTF-8 text.
  void WriteUtf8(std::string_view text);
  void WriteLineUtf8(std::string_view text, TLineBreak lineBreak = TLineBreak::lbNone);
  void Flush();

 private:
  std::string buffer_;
  std::size_t capacity_;
};

std::string_view LineBreakBytes(TLineBreak lineBreak);
TLineBreak LineBreakOf(TLineBreakFormat format);

}  // namespace editor
