#pragma once
// The document's style sheet: stored selector keys (the form the style-sheet
// parser builds) mapped to property sets, kept sorted without regard to case
// and allowing duplicate keys, so the cascade finds a key by binary search
// and descendant rules by prefix scans, which an index of the stored keys
// answers (ruleindex.h). It starts as the default style sheet built from the
// viewer's defaults and grows with STYLE and LINK rules.
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "htmlview/style/styleprops.h"

namespace htmlview {

class TRuleIndex;
struct TStoredKey;

class TStyleList {
 public:
  // documentLinksActive: the owning document's flag that hover rules set
  // (may be null; LinksActive() reports it either way).
  explicit TStyleList(bool* documentLinksActive = nullptr);
  ~TStyleList();
  TStyleList(const TStyleList&) = delete;
  TStyleList& operator=(const TStyleList&) = delete;

  int Count() const { return static_cast<int>(entries_.size()); }
  const std::string& Key(int i) const { return entries_[i].key; }
  TProperties* Entry(int i) const { return entries_[i].props.get(); }

  // Inserts after any entries of an equal key; the entry's tag becomes the key.
  TProperties* Add(std::string_view key, std::unique_ptr<TProperties> props);
  // The first entry of the key, or -1.
  int Find(std::string_view key) const;
  // The first position whose key is not below key (case ignored).
  int LowerBound(std::string_view key) const;
  TProperties* FindEntry(std::string_view key) const;
  // The first entry of the key, made when missing.
  TProperties* FindOrAdd(std::string_view key);
  // A copy of a property set's values under another key.
  TProperties* AddDuplicate(std::string_view key, const TProperties& props);

  // Stores one declaration of a style-sheet rule (names are long-hand).
  void AddProperty(std::string_view key, std::string_view name, std::string_view value);
  // Clears the list and builds the default style sheet.
  void InitDefaultStyles(std::string_view fontName, std::string_view preFontName, double fontSize,
                         platform::Colour fontColor, platform::Colour linkColor,
                         platform::Colour visitedColor, platform::Colour hoverColor,
                         bool linkUnderline, int charset, int marginHeight, int marginWidth);
  // The BODY attributes LINK, VLINK and OLINK: pseudo is "link", "visited"
  // or "hover".
  void ModifyLinkColor(std::string_view pseudo, platform::Colour color);
  // The next sequence number of a descendant key, as text; it then rises by one.
  std::string GetSeqNo();
  // Frees every entry; the sequence number goes back to 10.
  void Clear();

  TProperties* DefProp() const { return defProp_; }
  bool LinksActive() const { return linksActive_; }
  void SetLinksActive();

  // Descendant and child rules are found through an index of the stored
  // keys (ruleindex.h). The plain matching it replaces, which reads every
  // key of a scan's range for every element, is kept as the reference the
  // index is checked against: tests switch it on.
  void UsePlainMatching(bool on) { plainMatching_ = on; }
  bool PlainMatching() const { return plainMatching_; }
  TRuleIndex& Index() const { return *index_; }
  // What matching descendant rules has cost since the counts were reset:
  // the stored keys looked at and the ancestor walks.
  struct MatchCounts {
    uint64_t keysExamined = 0;
    uint64_t ancestorWalks = 0;
  };
  MatchCounts& Counts() const { return counts_; }

 private:
  friend class TRuleIndex;
  struct StoredEntry {
    std::string key;
    std::unique_ptr<TProperties> props;
    std::unique_ptr<TStoredKey> compiled;   // the key as the index reads it
  };
  std::vector<StoredEntry> entries_;
  int seqNo_ = 10;
  TProperties* defProp_ = nullptr;
  bool linksActive_ = false;
  bool* documentLinksActive_ = nullptr;
  std::unique_ptr<TRuleIndex> index_;
  bool plainMatching_ = false;
  mutable MatchCounts counts_;
};

}  // namespace htmlview
