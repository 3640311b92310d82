#include "htmlview/style/ruleindex.h"

#include <algorithm>

#include "htmlview/style/stylesheet.h"
#include "platform/sysutils.h"

namespace htmlview {

using platform::LowerCase;
using platform::SameText;
using platform::Trim;

// ---------------------------------------------------------------------------
// Reading stored keys

namespace {

SimpleSelector ParseSimpleSelector(std::string s) {
  SimpleSelector sel;
  if (const size_t gt = s.find('>'); gt != std::string::npos) {
    sel.directParent = true;
    s.erase(std::remove(s.begin(), s.end(), '>'), s.end());
  }
  // Stored keys put an ID last ("a.x:hover#top"), so the ID is cut off
  // first; reading the pseudo-class first would swallow it.
  if (const size_t p = s.find('#'); p != std::string::npos) {
    sel.id = s.substr(p + 1);
    s.resize(p);
  }
  if (const size_t p = s.find(':'); p != std::string::npos) {
    sel.pseudo = s.substr(p + 1);
    s.resize(p);
  }
  if (const size_t p = s.find('.'); p != std::string::npos) {
    sel.cls = s.substr(p + 1);
    s.resize(p);
  }
  sel.tag = s;
  return sel;
}

}  // namespace

std::vector<std::string> SplitClasses(std::string_view cls) {
  std::vector<std::string> names;
  size_t start = 0;
  while (start <= cls.size()) {
    size_t dot = cls.find('.', start);
    if (dot == std::string_view::npos) dot = cls.size();
    std::string name = Trim(cls.substr(start, dot - start));
    if (!name.empty()) names.push_back(std::move(name));
    start = dot + 1;
  }
  return names;
}

bool ClassesAmong(std::string_view wanted, const std::vector<std::string>& names) {
  const std::vector<std::string> want = SplitClasses(wanted);
  if (want.empty()) return false;
  for (const std::string& w : want) {
    bool found = false;
    for (const std::string& n : names)
      if (SameText(w, n)) found = true;
    if (!found) return false;
  }
  return true;
}

TSelectorNames SelectorNames(std::string_view tag, std::string_view cls, std::string_view id,
                             std::string_view pseudo) {
  TSelectorNames names;
  names.tag = LowerCase(tag);
  names.cls = LowerCase(cls);
  names.id = LowerCase(id);
  names.pseudo = LowerCase(pseudo);
  names.classNames = SplitClasses(names.cls);
  return names;
}

std::vector<SimpleSelector> ParseDescendantKey(std::string_view key) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (start < key.size()) {
    if (parts.size() == 9) {  // the tenth keeps the rest
      std::string rest = Trim(key.substr(start));
      if (!rest.empty()) parts.push_back(rest);
      break;
    }
    size_t space = key.find(' ', start);
    if (space == std::string_view::npos) space = key.size();
    if (space > start) parts.emplace_back(key.substr(start, space - start));
    start = space + 1;
  }
  if (parts.size() > 1) {
    // Ancestor count and sequence number.
    std::string& second = parts[1];
    size_t digits = 0;
    while (digits < second.size() && second[digits] >= '0' && second[digits] <= '9') ++digits;
    second.erase(0, digits);
  }
  std::vector<SimpleSelector> sels;
  for (std::string& p : parts) sels.push_back(ParseSimpleSelector(std::move(p)));
  return sels;
}

// ---------------------------------------------------------------------------
// Stored keys as the index reads them

namespace {

enum BucketKind : int { kUniversal = 0, kTagBucket = 1, kClassBucket = 2, kIdBucket = 3 };

// Every name of wanted is among names; false when wanted is empty (as
// ClassesAmong, over names already split and lower-cased).
bool AllAmong(const std::vector<std::string>& wanted, const std::vector<std::string>& names) {
  if (wanted.empty()) return false;
  for (const std::string& w : wanted)
    if (std::find(names.begin(), names.end(), w) == names.end()) return false;
  return true;
}

bool MatchesAncestor(const TSelectorNames& sel, const TSelectorNames& anc) {
  if (!sel.tag.empty() && sel.tag != anc.tag) return false;
  if (!sel.cls.empty() && sel.cls != anc.cls && !AllAmong(sel.classNames, anc.classNames))
    return false;
  if (!sel.id.empty() && sel.id != anc.id) return false;
  if (!sel.pseudo.empty() && sel.pseudo != anc.pseudo) return false;
  return true;
}

}  // namespace

// What the search for the end of a scan reads of each key, by position.
struct TRuleIndex::Hot {
  int count = 0;
  int tag = 0, cls = 0, pseudo = 0;
  int nextSpecial = 0;   // the next position whose key has a pseudo-class or is empty
  int tagRunEnd = 0;     // the end of the run of keys with this subject tag
  int classRunEnd = 0;   // ... with this subject class
  const TStoredKey* key = nullptr;
};

// What a scan reads of each descendant rule it looks at, bucket by bucket.
struct TRuleIndex::Candidate {
  int pos = 0;
  int tag = 0, cls = 0, id = 0, pseudo = 0;
  const TStoredKey* key = nullptr;
  TAncestorFilter needed;
};

namespace {

// Sizes a vector that is built again and again without giving its storage
// back, growing it geometrically: a style sheet that grows by a rule
// between elements must not cost an allocation the size of the sheet for
// every element.
template <typename T>
void SetSize(std::vector<T>& v, size_t n) {
  if (v.capacity() < n) v.reserve(std::max(n, v.capacity() * 2));
  v.resize(n);
}

}  // namespace

TRuleIndex::TRuleIndex() { atoms_.emplace(std::string(), 0); }

TRuleIndex::~TRuleIndex() = default;

void TRuleIndex::Clear() {
  atoms_.clear();
  atoms_.emplace(std::string(), 0);
  stale_ = true;
}

int TRuleIndex::Atom(const std::string& lowerText) {
  return atoms_.try_emplace(lowerText, static_cast<int>(atoms_.size())).first->second;
}

int TRuleIndex::FindAtom(std::string_view lowerText) const {
  const auto it = atoms_.find(lowerText);
  return it == atoms_.end() ? -1 : it->second;
}

std::unique_ptr<TStoredKey> TRuleIndex::Compile(std::string_view text) {
  auto key = std::make_unique<TStoredKey>();
  const std::vector<SimpleSelector> sels = ParseDescendantKey(text);
  key->count = static_cast<int>(sels.size());
  if (sels.empty()) return key;
  const TSelectorNames subject =
      SelectorNames(sels[0].tag, sels[0].cls, sels[0].id, sels[0].pseudo);
  key->tag = Atom(subject.tag);
  key->cls = Atom(subject.cls);
  key->id = Atom(subject.id);
  key->pseudo = Atom(subject.pseudo);
  for (const std::string& name : subject.classNames) key->classNames.push_back(Atom(name));
  if (key->count < 2) return key;

  for (size_t i = 1; i < sels.size(); ++i) {
    TAncestorSelector a;
    a.names = SelectorNames(sels[i].tag, sels[i].cls, sels[i].id, sels[i].pseudo);
    a.directParent = sels[i].directParent;
    key->needed.Add(a.names);
    key->ancestors.push_back(std::move(a));
  }
  // The most selective part of the subject (a class text that names no
  // class, "." alone, selects nothing by itself).
  if (key->id != 0) key->bucket = BucketOf(kIdBucket, key->id);
  else if (!key->classNames.empty()) key->bucket = BucketOf(kClassBucket, key->classNames[0]);
  else if (key->tag != 0) key->bucket = BucketOf(kTagBucket, key->tag);
  else key->bucket = BucketOf(kUniversal, 0);
  return key;
}

void TRuleIndex::Rebuild(const TStyleList& styles) {
  const int n = styles.Count();
  SetSize(hot_, static_cast<size_t>(n));
  int descendants = 0;
  for (int pos = n - 1; pos >= 0; --pos) {
    const TStoredKey& key = *styles.entries_[pos].compiled;
    Hot& h = hot_[pos];
    h.count = key.count;
    h.tag = key.tag;
    h.cls = key.cls;
    h.pseudo = key.pseudo;
    h.key = &key;
    if (key.count >= 2) ++descendants;
    const Hot* next = pos + 1 < n ? &hot_[pos + 1] : nullptr;
    h.nextSpecial = key.count == 0 || key.pseudo != 0 ? pos : next ? next->nextSpecial : n;
    const bool runEnds = !next || next->count == 0 || key.count == 0;
    h.tagRunEnd = runEnds || next->tag != h.tag ? pos + 1 : next->tagRunEnd;
    h.classRunEnd = runEnds || next->cls != h.cls ? pos + 1 : next->classRunEnd;
  }

  // Descendant rules by bucket, each bucket in list order (a counting sort).
  const size_t buckets = atoms_.size() * 4;
  SetSize(bucketStart_, buckets + 1);
  std::fill(bucketStart_.begin(), bucketStart_.end(), 0);
  for (const Hot& h : hot_)
    if (h.count >= 2) ++bucketStart_[h.key->bucket + 1];
  for (size_t b = 0; b < buckets; ++b) bucketStart_[b + 1] += bucketStart_[b];
  SetSize(fill_, buckets);
  std::copy(bucketStart_.begin(), bucketStart_.end() - 1, fill_.begin());
  SetSize(candidates_, static_cast<size_t>(descendants));
  for (int pos = 0; pos < n; ++pos) {
    const TStoredKey& key = *hot_[pos].key;
    if (key.count < 2) continue;
    Candidate& c = candidates_[fill_[key.bucket]++];
    c.pos = pos;
    c.tag = key.tag;
    c.cls = key.cls;
    c.id = key.id;
    c.pseudo = key.pseudo;
    c.key = &key;
    c.needed = key.needed;
  }
  stale_ = false;
}

// ---------------------------------------------------------------------------
// Matching

TRuleIndex::Query::Query(std::string_view tag, std::string_view id, std::string_view pseudo,
                         const std::vector<std::string>& classes,
                         const std::vector<std::string>& classNames,
                         const TAncestorView& ancestors)
    : tag_(LowerCase(tag)),
      id_(LowerCase(id)),
      pseudo_(LowerCase(pseudo)),
      pseudoIsLink_(pseudo == "link"),
      ancestors_(ancestors) {
  for (const std::string& c : classes) classes_.push_back(LowerCase(c));
  for (const std::string& c : classNames) classNames_.push_back(LowerCase(c));
}

void TRuleIndex::Query::Prepare(const TRuleIndex& index) {
  if (preparedFor_ == &index) return;
  preparedFor_ = &index;
  tagAtom_ = index.FindAtom(tag_);
  idAtom_ = index.FindAtom(id_);
  pseudoAtom_ = index.FindAtom(pseudo_);
  classAtoms_.clear();
  for (const std::string& c : classes_) classAtoms_.push_back(index.FindAtom(c));
  nameAtoms_.clear();
  for (const std::string& c : classNames_) nameAtoms_.push_back(index.FindAtom(c));

  // The buckets a rule whose subject matches the element can be in, each once.
  buckets_.clear();
  auto add = [&](int kind, int atom) {
    const int b = index.BucketOf(kind, atom);
    if (std::find(buckets_.begin(), buckets_.end(), b) == buckets_.end()) buckets_.push_back(b);
  };
  add(kUniversal, 0);
  if (tagAtom_ > 0) add(kTagBucket, tagAtom_);
  for (int a : nameAtoms_)
    if (a > 0) add(kClassBucket, a);
  if (idAtom_ > 0) add(kIdBucket, idAtom_);
}

bool TRuleIndex::Query::ClassMatches(int cls, const TStoredKey& key) const {
  for (int a : classAtoms_)
    if (cls == a) return true;
  const std::vector<int>& wanted = key.classNames;
  if (wanted.empty()) return false;
  for (int w : wanted)
    if (std::find(nameAtoms_.begin(), nameAtoms_.end(), w) == nameAtoms_.end()) return false;
  return true;
}

inline const TAncestorFilter& TRuleIndex::Query::Filter() {
  if (!filterKnown_) {
    filter_ = ancestors_.Filter();
    filterKnown_ = true;
  }
  return filter_;
}

inline bool TRuleIndex::Subject(const Candidate& key, const Query& q) const {
  return (key.tag == 0 || key.tag == q.tagAtom_) &&
         (key.cls == 0 || q.ClassMatches(key.cls, *key.key)) &&
         (key.id == 0 || key.id == q.idAtom_) &&
         (key.pseudo == q.pseudoAtom_ || (key.pseudo == 0 && q.pseudoIsLink_));
}

int TRuleIndex::FindEnd(int from, int to, const Query& q) const {
  const int n = static_cast<int>(hot_.size());
  // Without a pseudo-class the element has an interest in every key
  // without one.
  const bool plainElement = q.pseudoAtom_ == 0;
  int k = from;
  while (true) {
    if (plainElement && k < n) k = hot_[k].nextSpecial;
    if (k >= to) return k;
    const Hot& h = hot_[k];
    if (h.count == 0) return k;
    // Each step moves forward: a run ends after the key it starts at.
    if (h.tag == q.tagAtom_) k = h.tagRunEnd;
    else if (q.ClassMatches(h.cls, *h.key)) k = h.classRunEnd;
    else if (h.pseudo == q.pseudoAtom_) ++k;
    else return k;
  }
}

bool TRuleIndex::AncestorsMatch(const TStoredKey& key, const TAncestorView& ancestors) const {
  const std::vector<TAncestorSelector>& sels = key.ancestors;
  size_t sel = 0;
  for (size_t a = 0; a < ancestors.size(); ++a) {
    if (MatchesAncestor(sels[sel].names, ancestors[a]->SelectorIdentity().names)) {
      if (++sel == sels.size()) return true;
    } else if (sels[sel].directParent) {
      return false;
    }
  }
  return false;
}

void TRuleIndex::Matches(const TStyleList& styles, std::string_view prefix, Query& q,
                         std::vector<int>& out) {
  if (stale_) Rebuild(styles);
  q.Prepare(*this);
  TStyleList::MatchCounts& counts = styles.Counts();
  const int first = styles.LowerBound(prefix);

  // The candidates of each bucket from the start of the prefix's range on.
  std::vector<Query::Cursor>& cursors = q.cursors_;
  cursors.clear();
  for (int b : q.buckets_) {
    if (static_cast<size_t>(b) + 1 >= bucketStart_.size()) continue;
    const Candidate* begin = candidates_.data() + bucketStart_[b];
    const Candidate* end = candidates_.data() + bucketStart_[b + 1];
    const Candidate* at = std::lower_bound(
        begin, end, first, [](const Candidate& c, int pos) { return c.pos < pos; });
    if (at != end) cursors.push_back(Query::Cursor{at, end});
  }

  int rangeEnd = -1;   // the end of the keys that start with the prefix, once needed
  int verified = first;   // every key from first up to here holds interest
  while (true) {
    // The next candidate in list order.
    Query::Cursor* next = nullptr;
    for (Query::Cursor& c : cursors)
      if (c.at != c.end && (!next || c.at->pos < next->at->pos)) next = &c;
    if (!next) return;
    const Candidate& candidate = *next->at++;
    const int pos = candidate.pos;
    if (rangeEnd < 0) {
      const auto begin = styles.entries_.begin();
      rangeEnd = static_cast<int>(
          std::partition_point(begin + first, styles.entries_.end(),
                               [&](const auto& e) {
                                 return e.key.size() >= prefix.size() &&
                                        SameText(std::string_view(e.key).substr(0, prefix.size()),
                                                 prefix);
                               }) -
          begin);
    }
    if (pos >= rangeEnd) return;
    ++counts.keysExamined;
    if (pos >= verified) {
      // The scan would stop at a key without interest before this one.
      const int end = FindEnd(verified, pos + 1, q);
      if (end <= pos) return;
      verified = end;
    }
    if (!Subject(candidate, q) || !q.Filter().MayHaveAll(candidate.needed)) continue;
    ++counts.ancestorWalks;
    if (AncestorsMatch(*candidate.key, q.ancestors_)) out.push_back(pos);
  }
}

}  // namespace htmlview
