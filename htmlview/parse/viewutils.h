#pragma once
// Small shared pieces of the viewer: link targets, selected-text counting
// and copying, named positions, the parser's character and token buffers,
// wide-string and code-page routines and link-to-path conversion.
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace htmlview {

class TAttributeList;

// A list that owns (and so destroys) its objects.
template <typename T>
class TFreeList {
 public:
  int Count() const { return static_cast<int>(items_.size()); }
  T* operator[](int i) const { return items_[i].get(); }
  T* Add(std::unique_ptr<T> item) {
    items_.push_back(std::move(item));
    return items_.back().get();
  }
  void Delete(int i) { items_.erase(items_.begin() + i); }
  void Clear() { items_.clear(); }
  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

 private:
  std::vector<std::unique_ptr<T>> items_;
};

// ------------------------------------------------------------------ links

// A link with its span in the document text. Every Assign takes a new
// number from a process-wide counter; the pieces of one link that layout
// splits over several runs share it.
class TUrlTarget {
 public:
  std::string URL, Target;
  int ID = 0;
  std::string Attr;   // the tag's attributes, one name=value line each
  int TutStart = -1, TutLast = -1;

  void Assign(std::string_view url, std::string_view target, const TAttributeList* attributes,
              int start);
  void Copy(const TUrlTarget& other) { *this = other; }
  void Clear();
  int Start() const { return TutStart; }
  int Last() const { return TutLast; }
  // Sets Last here and on every entry of the list that belongs to the same link.
  void SetLast(const std::vector<TUrlTarget*>& list, int last) {
    SetLast(list, last, [](TUrlTarget* t) { return t; });
  }
  // The same over any list whose entries lead to their targets (targetOf),
  // so that a caller need not copy its list. The pieces of one link are
  // added one after another: the walk goes back from the end while they are
  // still this link's.
  template <class List, class TargetOf>
  void SetLast(const List& list, int last, TargetOf targetOf) {
    TutLast = last;
    for (auto it = list.rbegin(); it != list.rend(); ++it) {
      TUrlTarget* t = targetOf(*it);
      if (!t || t->ID != ID) break;
      t->TutLast = last;
    }
  }
};

// ---------------------------------------------------------- selected text

// Counts the characters a selection copies. The document's inline-object
// markers (codes 2 and 4) are not text.
class SelTextCount {
 public:
  virtual ~SelTextCount() = default;
  virtual void AddText(const char16_t* text, int length);
  void AddText(std::u16string_view text) { AddText(text.data(), static_cast<int>(text.size())); }
  void AddTextCR(const char16_t* text, int length);
  void AddTextCR(std::u16string_view text) { AddTextCR(text.data(), static_cast<int>(text.size())); }
  // Writes the end (a buffer's terminating 0) and returns the count + 1.
  virtual int Terminate();
  int Count() const { return count_; }

 protected:
  int count_ = 0;
};

// Copies selected text into a caller's buffer of bufferSize units, always
// leaving room for the terminating 0; codes 2, 4 and 8 are left out.
class SelTextBuf : public SelTextCount {
 public:
  SelTextBuf(char16_t* buffer, int bufferSize);
  using SelTextCount::AddText;
  void AddText(const char16_t* text, int length) override;
  int Terminate() override;

 private:
  char16_t* buffer_;
  int size_;
};

// ------------------------------------------------------- named positions

// The document root as named positions see it.
class TChPosLocator {
 public:
  virtual ~TChPosLocator() = default;
  // The Y of a character position; false when no laid-out text holds it.
  virtual bool FindDocPosY(int chPos, int& y) const = 0;
};

// An object with a Y position in the document.
class TIDObject {
 public:
  virtual ~TIDObject() = default;
  virtual int YPosition() const = 0;
};

// A named character position (a named anchor).
class TChPosObj : public TIDObject {
 public:
  TChPosObj(const TChPosLocator* document, int chPos) : document_(document), ChPos(chPos) {}
  int YPosition() const override;

 private:
  const TChPosLocator* document_;

 public:
  const int ChPos;
};

// The named positions of a document, sorted by name.
class TIDNameList {
 public:
  explicit TIDNameList(const TChPosLocator* document = nullptr) : document_(document) {}
  // A name that exists is replaced (its object destroyed).
  void AddObject(const std::string& name, std::unique_ptr<TIDObject> object);
  void AddChPosObject(const std::string& name, int position);
  TIDObject* Find(const std::string& name) const;
  int Count() const { return static_cast<int>(items_.size()); }
  std::vector<std::string> Names() const;
  void Clear() { items_.clear(); }

 private:
  const TChPosLocator* document_;
  std::map<std::string, std::unique_ptr<TIDObject>> items_;
};

// -------------------------------------------------------- parser buffers

// Where the source positions of a run of characters stop being consecutive.
struct IndexObj {
  int Pos = 0;     // character index
  int Index = 0;   // source position
};

// The bytes of a text run being read, with the source position of each.
class TCharCollection {
 public:
  TCharCollection();
  void Add(char ch, int index);
  void Add(std::string_view text, int firstIndex);
  void Concat(const TCharCollection& other);
  void Clear();
  int Size() const { return static_cast<int>(chars_.size()); }
  const std::string& AsString() const { return chars_; }
  const std::vector<int>& Indices() const { return indices_; }

 private:
  std::string chars_;
  std::vector<int> indices_;
};

// The parser's current token: wide characters, each with the source index of
// its first byte. The indices are kept as the places where they stop being
// consecutive: a long run of text costs no int per character.
class TokenObj {
 public:
  TokenObj();
  void AddUnicodeChar(char16_t ch, int index);
  // ASCII characters with the places of their indices (Pos counted from
  // the first of them).
  void AddAscii(std::string_view chars, const std::vector<IndexObj>& places);
  // The collection's bytes decoded in a code page.
  void AddString(const TCharCollection& collection, int codePage);
  void Clear();
  // Room for n characters in all.
  void Reserve(size_t n) { chars_.reserve(n); }
  int Leng() const { return static_cast<int>(chars_.size()); }
  const std::u16string& S() const { return chars_; }
  // The characters, handed over: the token holds none after it (the
  // indices stay until Clear).
  std::u16string TakeS() {
    std::u16string chars = std::move(chars_);
    chars_.clear();
    return chars;
  }
  // The index of every character (spelt out when asked for).
  const std::vector<int>& I() const;
  const std::vector<IndexObj>& Places() const { return places_; }

 private:
  // n characters from index first on.
  void AddStretch(int first, int n);
  std::u16string chars_;
  std::vector<IndexObj> places_;
  int count_ = 0;   // characters indexed (TakeS leaves them)
  int last_ = 0;    // the last one's index
  mutable std::vector<int> indices_;   // I(), while spelt out is true
  mutable bool spelt_ = false;
};

// --------------------------------------------------------- text routines

constexpr int CP_UTF8 = 65001;
// The code page a failed conversion falls back to.
constexpr int kSystemCodePage = 1252;

// 1-based position of sub in s; 0 when absent or either is empty.
int WidePos(std::u16string_view sub, std::u16string_view s);
// 1-based position of sub in s at or after start (1-based); 0 when absent.
int PosIndex(std::u16string_view sub, std::u16string_view s, int start);
// 1-based position of the first / last occurrence of ch; 0 when absent.
int WideScanFirst(char16_t ch, std::u16string_view s);
int WideScanLast(char16_t ch, std::u16string_view s);
// Drops characters below code 33 at both ends.
std::u16string WideTrim(std::u16string_view s);

// Bytes in a code page to wide text, with the source index of the first byte
// of each unit when indices is given (the decoders of codepages.h); a code
// page they do not know falls back to the system code page.
std::u16string StrToWideCP(std::string_view bytes, int codePage, std::vector<int>* indices = nullptr);
// Wide text to bytes in a code page ("?" for what it cannot hold).
std::string WideToStrCP(std::u16string_view text, int codePage);

inline int IntMin(int a, int b) { return a < b ? a : b; }
inline int IntMax(int a, int b) { return a > b ? a : b; }

// ------------------------------------------------------- links to paths

// A file link to a path: percent escapes decoded, the "file:" prefix
// removed, "|" after a drive letter made ":". Separators stay "/".
std::string UrlToDosPath(std::string_view url);
// The same, trimmed; a path from the server root ("/x", not "//x" and not
// a drive) gets serverRoot in front.
std::string UrlToDosPathWithRoot(std::string_view url, std::string_view serverRoot);

}  // namespace htmlview
