#pragma once
// The class library's string list: index errors raise EListError
// "List index out of bounds (%d)"; IndexOf, sorting and duplicates compare
// without regard to case unless CaseSensitive is set; CommaText follows the
// platform's rules (commas or blanks separate items, a double-quoted item may
// hold both, a comma at the very end adds an empty item).
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/textfile.h"

namespace platform {

enum class TDuplicates { dupIgnore, dupAccept, dupError };

class TStringList {
 public:
  TStringList() = default;
  TStringList(std::initializer_list<std::string> items);
  virtual ~TStringList() = default;

  int Count() const { return static_cast<int>(items_.size()); }
  const std::string& operator[](int index) const { return Get(index); }
  const std::string& Get(int index) const;
  void Put(int index, const std::string& value);
  // An opaque pointer per item, as the class library's Objects.
  void* GetObject(int index) const;
  void PutObject(int index, void* object);

  // By value: a string the caller no longer needs is moved in, not copied.
  int Add(std::string value);
  int AddObject(std::string value, void* object);
  void AddStrings(const TStringList& other);
  void Insert(int index, const std::string& value);
  void Delete(int index);
  void Clear();
  void Exchange(int a, int b);
  void Move(int from, int to);
  int IndexOf(std::string_view value) const;

  // key=value access.
  std::string Names(int index) const;
  std::string ValueFromIndex(int index) const;
  std::string Values(std::string_view name) const;
  void SetValue(std::string_view name, const std::string& value);
  int IndexOfName(std::string_view name) const;

  bool Sorted() const { return sorted_; }
  void SetSorted(bool sorted);
  void Sort();
  void CustomSort(const std::function<int(const TStringList&, int, int)>& compare);
  bool CaseSensitive() const { return caseSensitive_; }
  void SetCaseSensitive(bool value);
  TDuplicates Duplicates() const { return duplicates_; }
  void SetDuplicates(TDuplicates value) { duplicates_ = value; }

  std::string CommaText() const;
  void SetCommaText(std::string_view text);
  // Lines joined with "\r\n" (each line followed by one); setting splits at
  // CR LF, LF or CR.
  std::string Text() const;
  void SetText(std::string_view text);

  void BeginUpdate();
  void EndUpdate();
  int UpdateCount() const { return updateCount_; }
  std::function<void()> OnChange;
  std::function<void()> OnChanging;

  // Text files: UTF-8 when valid, Windows-1252 otherwise (see textfile.h).
  void LoadFromFile(const std::string& path);
  void SaveToFile(const std::string& path) const;

  const std::vector<std::string>& Items() const { return items_; }
  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

 protected:
  void Changing();
  void Changed();
  [[noreturn]] void IndexError(int index) const;
  bool Find(std::string_view value, int& index) const;
  int CompareStrings(std::string_view a, std::string_view b) const;

 private:
  std::vector<std::string> items_;
  std::vector<void*> objects_;
  bool sorted_ = false;
  bool caseSensitive_ = false;
  TDuplicates duplicates_ = TDuplicates::dupIgnore;
  int updateCount_ = 0;
  // The encoding of the file last loaded; a save writes the same one back.
  TextEncoding loadedEncoding_ = TextEncoding::Utf8;
};

}  // namespace platform
