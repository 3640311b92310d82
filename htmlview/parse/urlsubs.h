#pragma once
// String routines with which the document parser and the style-sheet parser
// resolve URLs. All are pure functions on UTF-8 text; the characters they
// look for ("/", "?", ":", "@") are ASCII, which never occurs inside a
// multi-byte sequence, so byte-wise work is exact. Comparisons are exact
// unless a routine says otherwise. File-path conversion of links is elsewhere.
#include <string>
#include <string_view>

namespace htmlview {

// The URL up to and including the last "/" after its host (the query is
// dropped first); the URL + "/" when there is no such "/".
std::string UrlBase(std::string_view url);

// The absolute URL for Rel relative to Base, with "/../" and "/./" folded.
// Callers pass an absolute Rel unchanged instead of combining it.
std::string CombineUrl(std::string_view base, std::string_view rel);

// True for a reference with a scheme followed by "://" before its first "/",
// and for any reference containing "mailto:" (any case).
bool IsAbsoluteUrl(std::string_view url);

// The protocol of the URL in lower case ("" when it has none).
std::string GetProtocol(std::string_view url);

// The 1-based position of the Nth occurrence of Sub in S; N = -1 is the last
// occurrence, -2 the one before, and so on. 0 when there are fewer
// occurrences, for N = 0 and for an empty Sub. Overlapping occurrences count.
int PosX(std::string_view sub, std::string_view s, int n);

struct UrlParts {
  std::string proto, user, password, host, port, path;
};

// The parts of a URL, each "" when absent; the path keeps its leading "/".
UrlParts SplitUrl(std::string_view url);

}  // namespace htmlview
