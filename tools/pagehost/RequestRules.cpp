#include "RequestRules.h"

#include <strings.h>

namespace fotaro::pagehost {

namespace {

bool StartsWithNoCase(std::string_view text, std::string_view head) {
  return text.size() >= head.size() && strncasecmp(text.data(), head.data(), head.size()) == 0;
}

}  // namespace

bool IsOwnHost(std::string_view host, int port) {
  const std::string_view names[] = {"127.0.0.1", "localhost"};
  for (const std::string_view name : names) {
    if (!StartsWithNoCase(host, name)) continue;
    const std::string_view rest = host.substr(name.size());
    if (rest.empty()) return port == 80;
    if (rest == ":" + std::to_string(port)) return true;
  }
  return false;
}

std::string OriginProblem(const char* origin) {
  if (!origin || !*origin) return "the handshake has no Origin";
  const std::string_view text(origin);
  if (text == "null") return "the page's origin is \"null\" (a sandboxed frame, a data: or file: page)";
  if (!StartsWithNoCase(text, "http://") && !StartsWithNoCase(text, "https://")) {
    return "the page's origin " + std::string(text) + " is not an http or https page";
  }
  return {};
}

}  // namespace fotaro::pagehost
