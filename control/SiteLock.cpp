#include "control/SiteLock.h"

#include "platform/AsciiFold.h"

namespace fotaro {

// FOTARO_SITE_LOCK_DOMAINS is the list u"a", u"b", u"c", u"d" made by control/CMakeLists.txt.
const std::array<std::u16string_view, 4> kSiteLockDomains = {FOTARO_SITE_LOCK_DOMAINS};

namespace {

// Host names longer than this do not fit the host buffer of the URL split (2,084 bytes).
constexpr size_t kMaxHost = 2083;

bool IsHostCharacter(char16_t c) {
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'-' || c == u'.';
}

bool HostMatches(std::u16string_view host, std::u16string_view suffix) {
  if (suffix.size() > host.size()) return false;
  if (host.size() == suffix.size()) return platform::EqualsFolded(host, suffix);
  return host[host.size() - suffix.size() - 1] == u'.' && platform::EqualsFolded(host.substr(host.size() - suffix.size()), suffix);
}

}  // namespace

bool SiteLockAllows(std::u16string_view url) {
  const size_t colon = url.find(u':');
  if (colon == std::u16string_view::npos) return false;
  const std::u16string_view scheme = url.substr(0, colon);
  if (platform::EqualsFolded(scheme, u"file")) return true;
  if (!platform::EqualsFolded(scheme, u"http") && !platform::EqualsFolded(scheme, u"https")) return false;

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
