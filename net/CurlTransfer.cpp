#include "net/CurlTransfer.h"

namespace fotaro::net {

namespace {
// How long one wait for the socket lasts before `stopped` is asked again.
constexpr int kPollMilliseconds = 100;
}  // namespace

void InitCurl() {
  static const CURLcode initialised = curl_global_init(CURL_GLOBAL_DEFAULT);
  (void)initialised;
}

CURLcode PerformUnlessStopped(CURLM* multi, CURL* easy, const std::function<bool()>& stopped, bool& wasStopped) {
  CURLcode result = CURLE_FAILED_INIT;
  wasStopped = false;
  if (curl_multi_add_handle(multi, easy) != CURLM_OK) return result;
  for (;;) {
    if ((wasStopped = stopped())) break;
    int running = 0;
    if (curl_multi_perform(multi, &running) != CURLM_OK) break;
    if (running == 0) {
      int queued = 0;
      const CURLMsg* message = curl_multi_info_read(multi, &queued);
      if (message && message->msg == CURLMSG_DONE) result = message->data.result;
      break;
    }
    if (curl_multi_poll(multi, nullptr, 0, kPollMilliseconds, nullptr) != CURLM_OK) break;
  }
  curl_multi_remove_handle(multi, easy);
  return result;
}

}  // namespace fotaro::net
