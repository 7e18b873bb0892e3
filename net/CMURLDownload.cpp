#include "net/CMURLDownload.h"

#include <fcntl.h>
#include <unistd.h>

#include <memory>

#include "control/services/Log.h"
#include "net/CurlTransfer.h"
#include "platform/CodePage.h"
#include "platform/FileOps.h"
#include "platform/win/MessageLoop.h"
#include "platform/win/Window.h"

namespace {

constexpr char kScope[] = "CCMURLDownload::Run";
constexpr long kMaxRedirects = 5;
constexpr long kConnectSeconds = 30;
constexpr long kStallSeconds = 60;  // a minute without a byte fails the download

struct CurlFree {
  void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
};
struct MultiFree {
  void operator()(CURLM* multi) const { curl_multi_cleanup(multi); }
};

}  // namespace

CCMURLDownload::~CCMURLDownload() { EndThread(); }

bool CCMURLDownload::SetNotifyWnd(platform::HWND window) {
  if (!platform::IsWindow(window)) return false;
  m_hNotifyWnd.store(window);
  return true;
}

bool CCMURLDownload::Start(const char16_t* url, const char16_t* localPath) {
  if (!url || !localPath || !platform::IsWindow(m_hNotifyWnd.load()) || IsThreadRunning()) return false;
  m_strURL = url;
  m_strLocalPath = localPath;
  if (m_strURL.empty() || m_strLocalPath.empty()) return false;
  // A failed download must not leave an older file behind that looks like its result.
  unlink(platform::PathBytes(m_strLocalPath).c_str());
  return StartThread();
}

void CCMURLDownload::Run() {
  const std::string target = platform::PathBytes(m_strLocalPath);
  std::string temporary = target + ".part.XXXXXX";
  const int fd = mkostemp(temporary.data(), O_CLOEXEC);
  bool done = fd >= 0 && Fetch(fd);
  if (fd >= 0 && close(fd) != 0) done = false;
  if (IsStopRequested()) {
    if (fd >= 0) unlink(temporary.c_str());
    fotaro::Log(kScope, "stopped: %s", m_strURL);
    return;
  }
  done = done && rename(temporary.c_str(), target.c_str()) == 0;
  if (!done && fd >= 0) unlink(temporary.c_str());
  fotaro::Log(kScope, "%s -> %s: %s", m_strURL, m_strLocalPath, done ? "done" : "failed");
  Notify(URLDOWNLOAD_FINISHED, done ? 0 : 1);
}

bool CCMURLDownload::Fetch(int fd) {
  fotaro::net::InitCurl();
  const std::unique_ptr<CURL, CurlFree> curl(curl_easy_init());
  const std::unique_ptr<CURLM, MultiFree> multi(curl_multi_init());
  if (!curl || !multi) return false;
  m_fd = fd;
  m_nReceived = 0;
  m_nLastPercent = -1;
  const std::string url = platform::Utf8(m_strURL);
  CURL* const easy = curl.get();
  const bool ready = curl_easy_setopt(easy, CURLOPT_URL, url.c_str()) == CURLE_OK &&
                     curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https") == CURLE_OK &&
                     curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https") == CURLE_OK &&
                     curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L) == CURLE_OK &&
                     curl_easy_setopt(easy, CURLOPT_MAXREDIRS, kMaxRedirects) == CURLE_OK &&
                     curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L) == CURLE_OK &&
                     curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT, kConnectSeconds) == CURLE_OK &&
                     curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, 1L) == CURLE_OK &&
                     curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, kStallSeconds) == CURLE_OK &&
                     curl_easy_setopt(easy, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(kMaxBytes)) == CURLE_OK &&
                     curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &CCMURLDownload::OnData) == CURLE_OK &&
                     curl_easy_setopt(easy, CURLOPT_WRITEDATA, this) == CURLE_OK &&
                     curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L) == CURLE_OK &&
                     curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, &CCMURLDownload::OnProgress) == CURLE_OK &&
                     curl_easy_setopt(easy, CURLOPT_XFERINFODATA, this) == CURLE_OK;
  if (!ready) return false;
  bool stopped = false;
  const CURLcode result =
      fotaro::net::PerformUnlessStopped(multi.get(), easy, [this] { return IsStopRequested(); }, stopped);
  long status = 0;
  curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
  if (result != CURLE_OK) fotaro::Log(kScope, "transfer: %s", curl_easy_strerror(result));
  return !stopped && result == CURLE_OK && status >= 200 && status < 300;
}

size_t CCMURLDownload::OnData(char* data, size_t size, size_t count, void* self) {
  auto* download = static_cast<CCMURLDownload*>(self);
  const size_t bytes = size * count;
  // Past the cap (a server that announced no length, or a wrong one) the transfer is refused.
  if (static_cast<uint64_t>(download->m_nReceived) + bytes > static_cast<uint64_t>(kMaxBytes)) return 0;
  if (!platform::WriteAll(download->m_fd, data, bytes)) return 0;
  download->m_nReceived += static_cast<int64_t>(bytes);
  return bytes;
}

int CCMURLDownload::OnProgress(void* self, int64_t total, int64_t now, int64_t, int64_t) {
  auto* download = static_cast<CCMURLDownload*>(self);
  if (download->IsStopRequested()) return 1;  // aborts the transfer
  int percent = 0;
  if (total > 0) {
    percent = static_cast<int>(now >= total ? 100 : now * 100 / total);
  } else if (now > 0) {
    percent = 100;  // no length given: the share is unknown, and capped
  }
  if (percent != download->m_nLastPercent) {
    download->m_nLastPercent = percent;
    download->Notify(URLDOWNLOAD_PROGRESS, percent);
  }
  return 0;
}

void CCMURLDownload::Notify(platform::WPARAM state, platform::LPARAM value) const {
  platform::PostMessage(m_hNotifyWnd.load(), CM_URLDOWNLOAD, state, value);
}
