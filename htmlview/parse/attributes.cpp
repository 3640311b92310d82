#include "htmlview/parse/attributes.h"

#include <algorithm>

#include "htmlview/style/cssparser.h"
#include "htmlview/style/styleprops.h"
#include "platform/sysutils.h"

namespace htmlview {

TAttributeList::TAttributeList() = default;
TAttributeList::~TAttributeList() = default;

void TAttributeList::Add(TAttribute attribute) {
  if (attribute.Which == HtmlSymbol::Id) idCached_ = false;
  items_.push_back(std::move(attribute));
}

void TAttributeList::Clear() {
  items_.clear();
  idCached_ = false;
  id_.clear();
}

const TAttribute* TAttributeList::Find(HtmlSymbol symbol) const {
  for (const TAttribute& a : items_)
    if (a.Which == symbol) return &a;
  return nullptr;
}

bool TAttributeList::Find(HtmlSymbol symbol, TAttribute& attribute) const {
  const TAttribute* a = Find(symbol);
  if (!a) return false;
  attribute = *a;
  return true;
}

std::vector<std::string> TAttributeList::CreateStringList() const {
  std::vector<std::string> lines;
  lines.reserve(items_.size());
  for (const TAttribute& a : items_) lines.push_back(a.WhichName + "=" + a.Name);
  return lines;
}

std::string TAttributeList::GetID() const {
  if (!idCached_) {
    const TAttribute* a = Find(HtmlSymbol::Id);
    id_ = a ? platform::LowerCase(a->Name) : std::string();
    idCached_ = true;
  }
  return id_;
}

std::string TAttributeList::GetTitle() const {
  const TAttribute* a = Find(HtmlSymbol::Title);
  return a ? a->Name : std::string();
}

std::string TAttributeList::GetClass() const {
  const TAttribute* a = Find(HtmlSymbol::Class);
  if (!a) return {};
  const std::string value = platform::LowerCase(platform::Trim(a->Name));
  std::string joined;
  int count = 0;
  size_t i = 0;
  while (i < value.size()) {
    while (i < value.size() && static_cast<unsigned char>(value[i]) <= ' ') ++i;
    const size_t start = i;
    while (i < value.size() && static_cast<unsigned char>(value[i]) > ' ') ++i;
    if (i > start) {
      joined += "." + value.substr(start, i - start);
      ++count;
    }
  }
  if (count < 2) return value;
  std::string sorted = SortSelectorParts(joined);
  if (!sorted.empty() && sorted[0] == '.') sorted.erase(0, 1);
  return sorted;
}

TProperties* TAttributeList::GetStyle() {
  // Earlier sets no open element refers to any more can go.
  if (styles_.size() > 1) {
    const TPropStack& stack = PropStack();
    auto referenced = [&stack](const std::unique_ptr<TProperties>& set) {
      for (int i = 0; i < stack.Count(); ++i)
        if (stack[i]->PropStyle == set.get()) return true;
      return false;
    };
    std::unique_ptr<TProperties> newest = std::move(styles_.back());
    styles_.pop_back();
    styles_.erase(std::remove_if(styles_.begin(), styles_.end(),
                                 [&](const auto& set) { return !referenced(set); }),
                  styles_.end());
    styles_.push_back(std::move(newest));
  }
  const TAttribute* a = Find(HtmlSymbol::Style);
  if (!a) return nullptr;
  auto set = std::make_unique<TProperties>();
  ParseInlineStyle(a->Name, *set);
  styles_.push_back(std::move(set));
  return styles_.back().get();
}

}  // namespace htmlview
