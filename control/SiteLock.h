#pragma once
// The site lock: the control answers a page's script only when the page qualifies.
//
// A file: page qualifies. An http: or https: page qualifies when its host is one of the four
// permitted domain suffixes (kSiteLockDomains, chosen when the library is built through the CMake
// cache variable FOTARO_SITE_LOCK_DOMAINS), compared without regard to case, or ends with "."
// followed by one of them. Any other scheme, or a URL that cannot be split, is refused.
//
// The host is taken as a browser takes it: the authority ends at "/", "\", "?" or "#", user
// information before the last "@" is dropped, and so is the port. A host of any characters but
// letters, digits, "-" and "." (an IPv6 literal, a percent escape, a space) is refused.

#include <array>
#include <string_view>

namespace fotaro {

extern const std::array<std::u16string_view, 4> kSiteLockDomains;

bool SiteLockAllows(std::u16string_view url);

}  // namespace fotaro
