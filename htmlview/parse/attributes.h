#pragma once
// The attributes of one parsed tag, as the reader found them.
#include <memory>
#include <string>
#include <vector>

#include "htmlview/parse/vocabulary.h"

namespace htmlview {

class TProperties;

struct TAttribute {
  HtmlSymbol Which = HtmlSymbol::UnknownAttribute;
  std::string WhichName;   // the attribute's name as written
  int Value = 0;           // the value as a number where it is one
  std::string Name;        // the value as text
  int CodePage = 0;

  TAttribute() = default;
  TAttribute(HtmlSymbol which, std::string whichName, int value, std::string name, int codePage = 0)
      : Which(which), WhichName(std::move(whichName)), Value(value), Name(std::move(name)),
        CodePage(codePage) {}
};

class TAttributeList {
 public:
  TAttributeList();
  ~TAttributeList();
  TAttributeList(const TAttributeList&) = delete;
  TAttributeList& operator=(const TAttributeList&) = delete;

  void Add(TAttribute attribute);
  void Clear();
  int Count() const { return static_cast<int>(items_.size()); }
  const TAttribute& operator[](int i) const { return items_[i]; }

  // The first attribute with that symbol, or null.
  const TAttribute* Find(HtmlSymbol symbol) const;
  bool Find(HtmlSymbol symbol, TAttribute& attribute) const;
  // One name=value line per attribute.
  std::vector<std::string> CreateStringList() const;
  // The ID value lower-cased (computed once).
  std::string GetID() const;
  std::string GetTitle() const;
  // The CLASS value trimmed and lower-cased; several classes in canonical
  // order joined by "." ("b a" gives "a.b"); "" without the attribute.
  std::string GetClass() const;
  // The STYLE attribute parsed into a new property set owned by the list;
  // null without the attribute. Open elements keep pointing at their inline
  // set (and re-derive from it), so a set stays alive while an entry of the
  // property stack refers to it, and the newest one always; the rest are
  // freed by later calls and by the destructor.
  TProperties* GetStyle();

 private:
  std::vector<TAttribute> items_;
  std::vector<std::unique_ptr<TProperties>> styles_;
  mutable bool idCached_ = false;
  mutable std::string id_;
};

}  // namespace htmlview
