#include "net/HttpUrl.h"

#include <curl/curl.h>
#include <strings.h>

#include <memory>

namespace fotaro::net {
namespace {

struct UrlDeleter {
  void operator()(CURLU* url) const { curl_url_cleanup(url); }
};
using UrlHandle = std::unique_ptr<CURLU, UrlDeleter>;

std::string Part(CURLU* url, CURLUPart part) {
  char* text = nullptr;
  if (curl_url_get(url, part, &text, 0) != CURLUE_OK || !text) return {};
  std::string value(text);
  curl_free(text);
  return value;
}

bool IsHttpScheme(const std::string& scheme) {
  return !strcasecmp(scheme.c_str(), "http") || !strcasecmp(scheme.c_str(), "https");
}

}  // namespace

std::optional<HttpUrl> ParseHttpUrl(const std::string& url) {
  UrlHandle handle(curl_url());
  if (!handle || curl_url_set(handle.get(), CURLUPART_URL, url.c_str(), 0) != CURLUE_OK) return std::nullopt;
  HttpUrl parts{Part(handle.get(), CURLUPART_SCHEME), Part(handle.get(), CURLUPART_HOST), Part(handle.get(), CURLUPART_PORT),
                Part(handle.get(), CURLUPART_PATH)};
  if (!IsHttpScheme(parts.scheme) || parts.host.empty()) return std::nullopt;
  if (const std::string query = Part(handle.get(), CURLUPART_QUERY); !query.empty()) parts.path += "?" + query;
  return parts;
}

std::optional<std::string> ResolveUrl(const std::string& base, const std::string& location) {
  UrlHandle handle(curl_url());
  if (!handle || curl_url_set(handle.get(), CURLUPART_URL, base.c_str(), 0) != CURLUE_OK ||
      curl_url_set(handle.get(), CURLUPART_URL, location.c_str(), 0) != CURLUE_OK) {
    return std::nullopt;
  }
  std::string resolved = Part(handle.get(), CURLUPART_URL);
  if (resolved.empty()) return std::nullopt;
  return resolved;
}

std::optional<std::string> HeaderValue(const std::string& rawHeaders, const std::string& name) {
  size_t start = 0;
  while (start < rawHeaders.size()) {
    size_t end = rawHeaders.find("\r\n", start);
    if (end == std::string::npos) end = rawHeaders.size();
    const std::string line = rawHeaders.substr(start, end - start);
    const size_t colon = line.find(':');
    if (colon == name.size() && !strncasecmp(line.c_str(), name.c_str(), name.size())) {
      const size_t first = line.find_first_not_of(" \t", colon + 1);
      const size_t last = line.find_last_not_of(" \t");
      return first == std::string::npos ? std::string() : line.substr(first, last - first + 1);
    }
    start = end + 2;
  }
  return std::nullopt;
}

}  // namespace fotaro::net
