#include "htmlview/parse/urlsubs.h"

#include "platform/sysutils.h"

namespace htmlview {
namespace {

constexpr auto npos = std::string_view::npos;

using platform::LowerCase;
using platform::Trim;

std::string_view BeforeQuery(std::string_view s) { return s.substr(0, s.find('?')); }

// Index of the "/" that ends the scheme and host part of a base, or npos.
size_t EndOfHost(std::string_view base) {
  if (base.starts_with("file:///")) return base.find('/', 8);
  const size_t scheme = base.find("://");
  if (scheme != npos) return base.find('/', scheme + 3);
  return base.find('/');
}

// "seg/../" goes with its segment; a "../" that would climb above the host
// is simply dropped.
void FoldParentSteps(std::string& s, size_t hostEnd) {
  for (;;) {
    const size_t i = s.find("/../");
    if (i == std::string::npos) return;
    if (i > hostEnd) {
      const size_t prev = s.rfind('/', i - 1);
      if (prev == std::string::npos) return;  // no segment start to fold back to
      const size_t j = prev + 1;
      s.erase(j, i + 4 - j);
    } else {
      s.erase(i + 1, 3);
    }
  }
}

void FoldCurrentSteps(std::string& s) {
  for (size_t i = s.find("/./"); i != std::string::npos; i = s.find("/./")) s.erase(i + 1, 2);
}

}  // namespace

int PosX(std::string_view sub, std::string_view s, int n) {
  if (sub.empty() || n == 0 || sub.size() > s.size()) return 0;
  if (n > 0) {
    size_t from = 0, found = npos;
    for (int k = 0; k < n; ++k) {
      found = s.find(sub, from);
      if (found == npos) return 0;
      from = found + 1;
    }
    return static_cast<int>(found) + 1;
  }
  const long long wanted = -static_cast<long long>(n);
  long long count = 0;
  for (size_t i = s.size() - sub.size() + 1; i-- > 0;) {
    if (s.compare(i, sub.size(), sub) == 0 && ++count == wanted) return static_cast<int>(i) + 1;
  }
  return 0;
}

std::string UrlBase(std::string_view url) {
  const std::string trimmed = Trim(url);
  const std::string_view s = BeforeQuery(trimmed);
  const size_t doubleSlash = s.find("//");
  const size_t hostStart = doubleSlash == npos ? 0 : doubleSlash + 2;
  const int last = PosX("/", s, -1);  // 1-based
  if (last > 0 && static_cast<size_t>(last - 1) >= hostStart) return std::string(s.substr(0, last));
  return std::string(s) + "/";
}

bool IsAbsoluteUrl(std::string_view url) {
  const std::string_view s = BeforeQuery(url);
  const size_t scheme = s.find("://");
  if (scheme != npos && scheme < s.find('/')) return true;
  return LowerCase(s).find("mailto:") != std::string::npos;
}

std::string GetProtocol(std::string_view url) { return LowerCase(SplitUrl(BeforeQuery(url)).proto); }

std::string CombineUrl(std::string_view baseText, std::string_view relText) {
  std::string base(Trim(baseText));
  size_t hostEnd = EndOfHost(base);
  if (base.empty() || base.back() != '/') base += '/';
  if (hostEnd == npos) hostEnd = base.size() - 1;

  const std::string rel = Trim(relText);
  std::string result;
  if (rel.empty() || rel[0] != '/') {
    result = base + rel;
  } else if (rel.size() >= 2 && rel[1] == '/') {
    // A network-path reference keeps only the base's protocol.
    const std::string proto = GetProtocol(base);
    result = proto == "file" ? "file:///" + rel : proto + ":" + rel;
  } else {
    result = base.substr(0, hostEnd + 1) + rel.substr(1);
  }
  FoldParentSteps(result, hostEnd);
  FoldCurrentSteps(result);
  return result;
}

UrlParts SplitUrl(std::string_view url) {
  UrlParts parts;
  if (url.empty()) return parts;

  std::string_view rest;
  const size_t scheme = url.find("://");
  if (scheme != npos) {
    parts.proto = std::string(url.substr(0, scheme));
    rest = url.substr(scheme + 3);
  } else if (url[0] != '/') {
    if (platform::StartsText(url, "http:")) {
      parts.proto = "http";
      // "http:" with a bare path after it, not a host.
      if (url.size() >= 7 && url[6] != '/') {
        parts.path = std::string(url.substr(5));
        return parts;
      }
      rest = url.substr(5);
    } else if (platform::StartsText(url, "mailto:")) {
      parts.proto = "mailto";
      rest = url.substr(url.find(':') + 1);
    } else {
      rest = url;
    }
  } else {
    parts.proto = "http";
    if (url.size() >= 2 && url[1] != '/') {
      parts.path = std::string(url);
      return parts;
    }
    // "//host/path": what follows the two slashes is the authority.
    rest = url.size() >= 2 ? url.substr(2) : url;
  }

  const size_t slash = rest.find('/');
  std::string_view authority = rest;
  if (slash != npos) {
    parts.path = std::string(rest.substr(slash));
    authority = rest.substr(0, slash);
  }

  const size_t colon = authority.rfind(':');
  const size_t at = authority.rfind('@');
  // 1-based positions, 0 when absent, so that "colon after at" reads as in
  // the rule: a ":" inside the user part is no port separator.
  const size_t c = colon == npos ? 0 : colon + 1;
  const size_t a = at == npos ? 0 : at + 1;
  if (c == 0 && a == 0) {
    parts.host = std::string(authority);
  } else if (c > a) {
    parts.port = std::string(authority.substr(c));
    parts.host = std::string(authority.substr(a, c - 1 - a));
  } else {
    parts.host = std::string(authority.substr(a));
  }
  if (a > 0) {
    const std::string_view userInfo = authority.substr(0, a - 1);
    const size_t sep = userInfo.find(':');
    if (sep == npos) {
      parts.user = std::string(userInfo);
    } else {
      parts.user = std::string(userInfo.substr(0, sep));
      parts.password = std::string(userInfo.substr(sep + 1));
    }
  }
  return parts;
}

}  // namespace htmlview
