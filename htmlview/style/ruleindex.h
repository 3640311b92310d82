#pragma once
// The descendant and child rules of a style sheet, read once and indexed so
// that an element's cascade looks only at the rules that could apply to it.
//
// The cascade finds descendant rules by scanning the sorted style sheet from
// a prefix (the element's tag, ".class" for each class text, ":pseudo"):
// every stored key that starts with the prefix is looked at in list order,
// a key that holds no interest for the element ends the scan, and a key of
// two or more simple selectors whose subject matches the element is merged
// when its ancestor selectors match the element's ancestors. Walking every
// key of the prefix and reading it again for every element cost rules x
// elements ("p.c1" ... "p.c9999" all start with "p"). The index gives the
// same merges in the same order:
//
// - every stored key is read once, when it is added, into atoms (its
//   lower-cased names, numbered by the style sheet) and, for a descendant
//   rule, its ancestor selectors and the names they require;
// - descendant rules are kept in buckets by the most selective part of
//   their subject: its ID, else its first class name, else its tag, else
//   the universal bucket. A rule whose subject matches the element is in
//   the bucket of the element's ID, of one of its class names, of its tag or
//   in the universal one, so a scan looks only at the rules of those buckets
//   that fall inside its prefix's range;
// - where a scan would have stopped, at the first key of its range that
//   holds no interest, is found by stepping over runs of keys that share a
//   subject tag or class (and, for an element without pseudo-class, over
//   every key without one), never further than the last candidate;
// - a candidate whose ancestor selectors name a tag, class, ID or
//   pseudo-class that no ancestor has is rejected by the ancestors' filter
//   (TAncestorFilter) without walking them.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "htmlview/style/styleprops.h"

namespace htmlview {

// ---------------------------------------------------------------------------
// Reading stored keys (the indexed and the plain matching share it)

// One simple selector of a stored key.
struct SimpleSelector {
  std::string tag, cls, id, pseudo;
  bool directParent = false;  // the inner selector's parent must be this one
};

// A stored key cut into its simple selectors, the subject first and then the
// ancestors from the nearest; at most ten, the tenth keeping the rest.
std::vector<SimpleSelector> ParseDescendantKey(std::string_view key);

// The names of a class text ("a.b"), trimmed, empty names left out.
std::vector<std::string> SplitClasses(std::string_view cls);

// Every "."-separated name of wanted is among names (case ignored); false
// when wanted names none.
bool ClassesAmong(std::string_view wanted, const std::vector<std::string>& names);

// The names of a simple selector or an element, lower-cased, the class text
// split.
TSelectorNames SelectorNames(std::string_view tag, std::string_view cls, std::string_view id,
                             std::string_view pseudo);

// ---------------------------------------------------------------------------
// The index

class TStyleList;

// An ancestor selector of a descendant rule.
struct TAncestorSelector {
  TSelectorNames names;
  bool directParent = false;  // the inner selector's parent must be this one
};

// A stored key, read once.
struct TStoredKey {
  int count = 0;   // simple selectors; a key of none ends every scan that reaches it
  // The subject's names as atoms of the index (0 is the empty name).
  int tag = 0, cls = 0, id = 0, pseudo = 0;
  std::vector<int> classNames;
  // Descendant rules: the ancestor selectors, nearest first, the names an
  // element's ancestors must have for them to match, and the rule's bucket.
  std::vector<TAncestorSelector> ancestors;
  TAncestorFilter needed;
  int bucket = 0;
};

class TRuleIndex {
 public:
  // The element being matched, its names turned into the index's atoms.
  class Query;

  TRuleIndex();
  ~TRuleIndex();
  TRuleIndex(const TRuleIndex&) = delete;
  TRuleIndex& operator=(const TRuleIndex&) = delete;

  // Reads a stored key (when the style sheet adds it); its names become atoms.
  std::unique_ptr<TStoredKey> Compile(std::string_view key);
  // The style sheet's keys moved or changed: the positions are built again
  // at the next match.
  void Invalidate() { stale_ = true; }
  // The style sheet was emptied: the atoms go too.
  void Clear();

  // Appends to out, in list order, the positions of the entries a scan from
  // prefix merges into the element of query (see above).
  void Matches(const TStyleList& styles, std::string_view prefix, Query& query,
               std::vector<int>& out);

 private:
  friend class Query;
  struct Hot;
  struct Candidate;
  int Atom(const std::string& lowerText);
  int FindAtom(std::string_view lowerText) const;
  void Rebuild(const TStyleList& styles);
  int BucketOf(int kind, int atom) const { return atom * 4 + kind; }
  // The first position in [from, to) whose key holds no interest for the
  // element, or a position >= to when there is none; steps may reach past to.
  int FindEnd(int from, int to, const Query& query) const;
  bool Subject(const Candidate& key, const Query& query) const;
  bool AncestorsMatch(const TStoredKey& key, const TAncestorView& ancestors) const;

  struct TextHash {
    using is_transparent = void;
    size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
  };
  std::unordered_map<std::string, int, TextHash, std::equal_to<>> atoms_;
  bool stale_ = true;

  std::vector<Hot> hot_;                // by position
  std::vector<Candidate> candidates_;   // the descendant rules, bucket by bucket, in list order
  std::vector<int> bucketStart_;        // by bucket: where its rules start in candidates_
  std::vector<int> fill_;               // room for the counting sort
};

// What the index needs to know of the element a cascade matches. Built once
// per cascade and used for each of its scans.
class TRuleIndex::Query {
 public:
  // classes: the class texts of the element's scans (each name, then the
  // whole text; a single "" without class); classNames: its class names.
  Query(std::string_view tag, std::string_view id, std::string_view pseudo,
        const std::vector<std::string>& classes, const std::vector<std::string>& classNames,
        const TAncestorView& ancestors);

 private:
  friend class TRuleIndex;
  // Turns the names into atoms of index (once; atoms only grow between
  // Clear calls, and an atom missing now stays missing for this cascade).
  void Prepare(const TRuleIndex& index);
  // The key's subject class (its atom) holds interest for the element.
  bool ClassMatches(int cls, const TStoredKey& key) const;
  const TAncestorFilter& Filter();

  std::string tag_, id_, pseudo_;
  std::vector<std::string> classes_, classNames_;   // lower-cased
  bool pseudoIsLink_;
  const TAncestorView& ancestors_;

  struct Cursor {
    const Candidate* at;
    const Candidate* end;
  };
  std::vector<Cursor> cursors_;   // the candidates of each bucket, during a scan

  const TRuleIndex* preparedFor_ = nullptr;
  int tagAtom_ = -1, idAtom_ = -1, pseudoAtom_ = -1;
  std::vector<int> classAtoms_, nameAtoms_, buckets_;
  bool filterKnown_ = false;
  TAncestorFilter filter_;
};

}  // namespace htmlview
