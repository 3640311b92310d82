#include "htmlview/attributes.h"

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

}  // namespace htmlview
