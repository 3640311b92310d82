#include "platform/stringlist.h"

#include <algorithm>
#include <utility>
#include <numeric>

#include "platform/sysutils.h"
#include "platform/textfile.h"

namespace platform {

TStringList::TStringList(std::initializer_list<std::string> items) {
  for (const auto& s : items) Add(s);
}

void TStringList::IndexError(int index) const {
  throw EListError("List index out of bounds (" + std::to_string(index) + ")");
}

const std::string& TStringList::Get(int index) const {
  if (index < 0 || index >= Count()) IndexError(index);
  return items_[index];
}

void TStringList::Put(int index, const std::string& value) {
  if (sorted_) throw EListError("Operation not allowed on sorted list");
  if (index < 0 || index >= Count()) IndexError(index);
  Changing();
  items_[index] = value;
  Changed();
}

void* TStringList::GetObject(int index) const {
  if (index < 0 || index >= Count()) IndexError(index);
  return objects_[index];
}

void TStringList::PutObject(int index, void* object) {
  if (index < 0 || index >= Count()) IndexError(index);
  Changing();
  objects_[index] = object;
  Changed();
}

int TStringList::Add(std::string value) { return AddObject(std::move(value), nullptr); }

int TStringList::AddObject(std::string value, void* object) {
  int index = Count();
  if (sorted_) {
    if (Find(value, index)) {
      switch (duplicates_) {
        case TDuplicates::dupIgnore:
          return index;
        case TDuplicates::dupError:
          throw EListError("String list does not allow duplicates");
        case TDuplicates::dupAccept:
          break;
      }
    }
  }
  Changing();
  items_.insert(items_.begin() + index, std::move(value));
  objects_.insert(objects_.begin() + index, object);
  Changed();
  return index;
}

void TStringList::AddStrings(const TStringList& other) {
  BeginUpdate();
  try {
    for (int i = 0; i < other.Count(); ++i) AddObject(other.items_[i], other.objects_[i]);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TStringList::Insert(int index, const std::string& value) {
  if (sorted_) throw EListError("Operation not allowed on sorted list");
  if (index < 0 || index > Count()) IndexError(index);
  Changing();
  items_.insert(items_.begin() + index, value);
  objects_.insert(objects_.begin() + index, nullptr);
  Changed();
}

void TStringList::Delete(int index) {
  if (index < 0 || index >= Count()) IndexError(index);
  Changing();
  items_.erase(items_.begin() + index);
  objects_.erase(objects_.begin() + index);
  Changed();
}

void TStringList::Clear() {
  if (items_.empty()) return;
  Changing();
  items_.clear();
  objects_.clear();
  Changed();
}

void TStringList::Exchange(int a, int b) {
  if (a < 0 || a >= Count()) IndexError(a);
  if (b < 0 || b >= Count()) IndexError(b);
  Changing();
  std::swap(items_[a], items_[b]);
  std::swap(objects_[a], objects_[b]);
  Changed();
}

void TStringList::Move(int from, int to) {
  if (from == to) return;
  if (sorted_) throw EListError("Operation not allowed on sorted list");
  if (from < 0 || from >= Count()) IndexError(from);
  if (to < 0 || to >= Count()) IndexError(to);
  BeginUpdate();
  std::string s = items_[from];
  void* o = objects_[from];
  Delete(from);
  items_.insert(items_.begin() + to, s);
  objects_.insert(objects_.begin() + to, o);
  EndUpdate();
}

int TStringList::CompareStrings(std::string_view a, std::string_view b) const {
  if (caseSensitive_) return a.compare(b);
  return CompareText(a, b);
}

bool TStringList::Find(std::string_view value, int& index) const {
  // Binary search for a sorted list; index is the insert position when absent,
  // the first equal item when present.
  int lo = 0, hi = Count() - 1;
  bool found = false;
  while (lo <= hi) {
    int mid = (lo + hi) / 2;
    int c = CompareStrings(items_[mid], value);
    if (c < 0) {
      lo = mid + 1;
    } else {
      hi = mid - 1;
      if (c == 0) found = true;
    }
  }
  index = lo;
  return found;
}

int TStringList::IndexOf(std::string_view value) const {
  if (sorted_) {
    int index;
    return Find(value, index) ? index : -1;
  }
  for (int i = 0; i < Count(); ++i)
    if (CompareStrings(items_[i], value) == 0) return i;
  return -1;
}

std::string TStringList::Names(int index) const {
  const std::string& s = Get(index);
  size_t eq = s.find('=');
  return eq == std::string::npos ? std::string() : s.substr(0, eq);
}

std::string TStringList::ValueFromIndex(int index) const {
  const std::string& s = Get(index);
  size_t eq = s.find('=');
  return eq == std::string::npos ? std::string() : s.substr(eq + 1);
}

int TStringList::IndexOfName(std::string_view name) const {
  for (int i = 0; i < Count(); ++i) {
    const std::string& s = items_[i];
    size_t eq = s.find('=');
    if (eq != std::string::npos && CompareStrings(std::string_view(s).substr(0, eq), name) == 0) return i;
  }
  return -1;
}

std::string TStringList::Values(std::string_view name) const {
  int i = IndexOfName(name);
  return i < 0 ? std::string() : ValueFromIndex(i);
}

void TStringList::SetValue(std::string_view name, const std::string& value) {
  int i = IndexOfName(name);
  std::string line = std::string(name) + "=" + value;
  if (value.empty()) {
    if (i >= 0) Delete(i);
  } else if (i < 0) {
    Add(line);
  } else {
    Changing();
    items_[i] = line;
    Changed();
  }
}

void TStringList::SetSorted(bool sorted) {
  if (sorted_ == sorted) return;
  if (sorted) Sort();
  sorted_ = sorted;
}

void TStringList::Sort() {
  CustomSort([](const TStringList& list, int a, int b) {
    return list.CompareStrings(list.items_[a], list.items_[b]);
  });
}

void TStringList::CustomSort(const std::function<int(const TStringList&, int, int)>& compare) {
  if (Count() < 2) return;
  Changing();
  // Stable, so equal items keep their order from run to run.
  std::vector<int> order(items_.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return compare(*this, a, b) < 0; });
  std::vector<std::string> items;
  std::vector<void*> objects;
  items.reserve(order.size());
  objects.reserve(order.size());
  for (int i : order) {
    items.push_back(std::move(items_[i]));
    objects.push_back(objects_[i]);
  }
  items_ = std::move(items);
  objects_ = std::move(objects);
  Changed();
}

void TStringList::SetCaseSensitive(bool value) {
  if (caseSensitive_ == value) return;
  caseSensitive_ = value;
  if (sorted_) Sort();
}

std::string TStringList::CommaText() const {
  if (Count() == 1 && items_[0].empty()) return "\"\"";
  std::string out;
  for (int i = 0; i < Count(); ++i) {
    const std::string& s = items_[i];
    bool quote = false;
    for (char c : s)
      if (static_cast<unsigned char>(c) <= ' ' || c == '"' || c == ',') quote = true;
    if (i > 0) out += ',';
    if (quote) {
      out += '"';
      for (char c : s) {
        if (c == '"') out += '"';
        out += c;
      }
      out += '"';
    } else {
      out += s;
    }
  }
  return out;
}

void TStringList::SetCommaText(std::string_view text) {
  auto blank = [](char c) { return c != 0 && static_cast<unsigned char>(c) <= ' '; };
  BeginUpdate();
  try {
    Clear();
    size_t p = 0, n = text.size();
    while (p < n && blank(text[p])) ++p;
    while (p < n) {
      std::string item;
      if (text[p] == '"') {
        // Quoted: up to the closing quote; a doubled quote stands for one.
        ++p;
        while (p < n) {
          if (text[p] == '"') {
            if (p + 1 < n && text[p + 1] == '"') {
              item += '"';
              p += 2;
              continue;
            }
            ++p;
            break;
          }
          item += text[p++];
        }
      } else {
        // A NUL is no blank: it belongs to the item like any other byte, so
        // that every pass takes at least one byte (a NUL that ended the item
        // without being taken would add empty items forever).
        size_t start = p;
        while (p < n && (text[p] == 0 || static_cast<unsigned char>(text[p]) > ' ') && text[p] != ',') ++p;
        item.assign(text.substr(start, p - start));
      }
      Add(item);
      while (p < n && blank(text[p])) ++p;
      if (p < n && text[p] == ',') {
        if (p + 1 == n) Add("");
        do {
          ++p;
        } while (p < n && blank(text[p]));
      }
    }
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

std::string TStringList::Text() const {
  std::string out;
  for (const auto& s : items_) {
    out += s;
    out += "\r\n";
  }
  return out;
}

void TStringList::SetText(std::string_view text) {
  BeginUpdate();
  try {
    Clear();
    size_t p = 0, n = text.size();
    while (p < n) {
      size_t start = p;
      while (p < n && text[p] != '\r' && text[p] != '\n') ++p;
      Add(std::string(text.substr(start, p - start)));
      if (p < n && text[p] == '\r') ++p;
      if (p < n && text[p] == '\n') ++p;
    }
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TStringList::BeginUpdate() {
  if (updateCount_ == 0) Changing();
  ++updateCount_;
}

void TStringList::EndUpdate() {
  if (updateCount_ == 0) return;
  if (--updateCount_ == 0) Changed();
}

void TStringList::Changing() {
  if (updateCount_ == 0 && OnChanging) OnChanging();
}

void TStringList::Changed() {
  if (updateCount_ == 0 && OnChange) OnChange();
}

void TStringList::LoadFromFile(const std::string& path) {
  TextFileContent content = ReadTextFile(path);
  SetText(content.text);
  loadedEncoding_ = content.encoding;
}

void TStringList::SaveToFile(const std::string& path) const {
  WriteTextFile(path, Text(), loadedEncoding_);
}

}  // namespace platform
