#pragma once
// What the page host asks of a request before anything else looks at it.

#include <string>
#include <string_view>

namespace fotaro::pagehost {

// Whether `host` (a request's Host header) names the page host itself: 127.0.0.1 or localhost
// (in any letter case) with the host's `port`, which may be left off only when it is 80. A name
// that an attacker's DNS points at the loopback address (DNS rebinding) names something else.
bool IsOwnHost(std::string_view host, int port);

// Why a WebSocket handshake's Origin may not be put to the site lock at all, or "" when it may:
// it must be there and be an http or https origin. "null" (sandboxed frames, data: URLs) and
// file: origins are refused, since any site can make a browser send those.
std::string OriginProblem(const char* origin);

}  // namespace fotaro::pagehost
