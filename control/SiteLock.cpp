#include "control/SiteLock.h"

namespace fotaro {

// FOTARO_SITE_LOCK_DOMAINS is the list u"a", u"b", u"c", u"d" made by control/CMakeLists.txt.
const std::array<std::u16string_view, 4> kSiteLockDomains = {FOTARO_SITE_LOCK_DOMAINS};

namespace {

// Host names longer than this do not fit the host buffer of the URL split (2,084 bytes).
constexpr size_t kMaxHost = 2083;

char16_t Lower(char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c - u'A' + u'a') : c; }

bool SameText(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

bool IsHostCharacter(char16_t c) {
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'-' || c == u'.';
}

bool HostMatches(std::u16string_view host, std::u16string_view suffix) {
  if (suffix.size() > host.size()) return false;
  if (host.size() == suffix.size()) return SameText(host, suffix);
  return host[host.size() - suffix.size() - 1] == u'.' && SameText(host.substr(host.size() - suffix.size()), suffix);
}

}  // namespace

bool SiteLockAllows(std::u16string_view url) {
  const size_t colon = url.find(u':');
  if (colon == std::u16string_view::npos) return false;
  const std::u16string_view scheme = url.substr(0, colon);
  if (SameText(scheme, u"file")) return true;
  if (!SameText(scheme, u"http") && !SameText(scheme, u"https")) return false;

  std::u16string_view rest = url.substr(colon + 1);
  while (!rest.empty() && (rest.front() == u'/' || rest.front() == u'\\')) rest.remove_prefix(1);
  std::u16string_view authority = rest.substr(0, rest.find_first_of(u"/\\?#"));
  const size_t at = authority.rfind(u'@');
  if (at != std::u16string_view::npos) authority.remove_prefix(at + 1);
  const std::u16string_view host = authority.substr(0, authority.find(u':'));
  if (host.empty() || host.size() > kMaxHost) return false;
  for (const char16_t c : host) {
    if (!IsHostCharacter(c)) return false;
  }
  for (const std::u16string_view suffix : kSiteLockDomains) {
    if (!suffix.empty() && HostMatches(host, suffix)) return true;
  }
  return false;
}

}  // namespace fotaro
