#pragma once
// URL handling of the HTTP engine, on libcurl's URL parser: only the http and https schemes are
// accepted.

#include <optional>
#include <string>

namespace fotaro::net {

struct HttpUrl {
  std::string scheme;  // "http" or "https", lower case
  std::string host;
  std::string port;    // as the URL gives it; empty for the scheme's own
  std::string path;    // path and query ("object name"), at least "/"
};

// Splits an absolute http or https URL; nothing for other schemes and unparsable text.
std::optional<HttpUrl> ParseHttpUrl(const std::string& url);

// The absolute URL that `location` (absolute or relative, as in a Location header) names when it
// was answered to a request for `base`; nothing when it cannot be resolved.
std::optional<std::string> ResolveUrl(const std::string& base, const std::string& location);

// Value of the first header `name` (case-insensitive) in a raw header block of CR LF separated
// lines, trimmed; nothing when absent.
std::optional<std::string> HeaderValue(const std::string& rawHeaders, const std::string& name);

}  // namespace fotaro::net
