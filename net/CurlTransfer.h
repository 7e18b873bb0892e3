#pragma once
// What the transfers on libcurl share: the library's one-time set-up, and a transfer that can be
// stopped between waits for its socket.

#include <curl/curl.h>

#include <functional>

namespace fotaro::net {

// Initialises libcurl once per process (before the first easy or multi handle).
void InitCurl();

// Performs `easy` through `multi`, asking `stopped` before every wait for the socket (waits last
// at most 100 ms). `wasStopped` tells whether the transfer ended because `stopped` said so; the
// result is the transfer's own (CURLE_FAILED_INIT when it could not run).
CURLcode PerformUnlessStopped(CURLM* multi, CURL* easy, const std::function<bool()>& stopped, bool& wasStopped);

}  // namespace fotaro::net
