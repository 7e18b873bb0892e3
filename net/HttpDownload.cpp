#include "net/HttpDownload.h"

#include <strings.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>

#include "control/services/Log.h"
#include "net/CurlTransfer.h"
#include "net/HttpUrl.h"
#include "platform/CodePage.h"

namespace {

constexpr char kLog[] = "httpdownload.txt";
constexpr char kUserAgent[] = "Mozilla/4.0 (compatible; MSIE 5.00; Windows 98)";
// Response headers beyond this size are taken as a hostile answer.
constexpr size_t kMaxHeaderBytes = 256 * 1024;
// Internal step result of an attempt whose request is sent again with credentials.
constexpr int kStepSendAgain = 5;

int64_t SteadyMilliseconds() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

bool IsBlank(const std::u16string& text) {
  return text.find_first_not_of(u" \t\r\n") == std::u16string::npos;
}

// host[:port] of a URL, as a failure text names it.
std::string HostText(const fotaro::net::HttpUrl& url) { return url.port.empty() ? url.host : url.host + ":" + url.port; }

// Text from the network, shown to people: printable ASCII only, at most `limit` characters.
std::string Printable(const std::string& text, size_t limit) {
  std::string out;
  for (const char c : text) {
    if (out.size() == limit) break;
    if (c >= 0x20 && c < 0x7F) out += c;
  }
  return out;
}

// The number of a Content-Length value; -1 when it is not a plain decimal number.
int64_t ParseLength(const std::string& value) {
  if (value.empty() || value.find_first_not_of("0123456789") != std::string::npos || value.size() > 18) return -1;
  return std::strtoll(value.c_str(), nullptr, 10);
}

}  // namespace

CHttpDownload::CHttpDownload() { fotaro::net::InitCurl(); }

CHttpDownload::~CHttpDownload() {
  EndThread();
  CloseRequest();
}

void CHttpDownload::SetTimeouts(long connectSeconds, long stallSeconds) {
  m_nConnectTimeout = connectSeconds;
  m_nStallTimeout = stallSeconds;
}

const char* CHttpDownload::TransferCodeMeaning(int code) {
  switch (code) {
    case kCodeOk: return "answer received";
    case kCodeNotModified: return "not modified";
    case kCodeFailed: return "transfer failed";
    case kCodeLengthMismatch: return "answer shorter or longer than announced";
    case kCodeFileError: return "answer file cannot be written";
    case kCodeConnectionError: return "connection or protocol error";
    case kCodeNotFound: return "not found";
    case kCodeUnavailable: return "service unavailable";
    default: return "unknown transfer code";
  }
}

int CHttpDownload::DownloadBase(const std::u16string& url, const std::u16string& savePath) {
  fotaro::Log(kLog, "DownloadBase start");
  // A previous transfer that would not stop may still use this object (but never the refusal).
  if (!StopThread()) {
    m_strRefusal = "the previous transfer did not stop";
    return 0;
  }
  const auto parsed = fotaro::net::ParseHttpUrl(platform::Utf8(url));
  if (!parsed) {
    fotaro::Log(kLog, "CHttpDownload::URL不是http类型");
    m_strRefusal = "'" + Printable(platform::Utf8(url), 256) + "' is not an http or https URL";
    return 0;
  }
  if (IsBlank(savePath)) {
    fotaro::Log(kLog, "strSavePath.IsEmpty() : %s", savePath);
    m_strRefusal = "no file to save the answer to";
    return 0;
  }
  m_strRefusal.clear();
  m_strFailure.clear();
  m_strFailureWhy.clear();
  m_strHostText = HostText(*parsed);
  m_strUrl = url;
  m_strSavePath = savePath;
  m_nTransferState = kStateNone;
  m_nTransferCode = kCodeOk;
  m_nReceived = 0;
  m_nExpected = -1;
  const bool started = StartThread();
  fotaro::Log(kLog, "DownloadBase m_bResueThread = %d, m_hThread = %d", 0, started ? 1 : 0);
  return started ? 1 : 0;
}

void CHttpDownload::Run() {
  fotaro::Log(kLog, "CHttpDownload Run");
  m_nAttempts = 0;
  m_nRedirects = 0;
  m_nCredentialRounds = 0;
  m_strRawHeaders.clear();
  m_strRedirectTarget.clear();
  m_strUser.clear();
  m_strPassword.clear();
  m_saveFile.ClearTouched();

  int result = kStepFailed;
  for (;;) {
    result = Connect();
    if (result != kStepSuccess) {
      CloseRequest();
      break;
    }
    result = ProcessRequest();
    CloseRequest();
    if (result == kStepFinished || result == kStepExhausted || result == kStepStopped) break;
    // A redirect reconnects to the new URL; a failed attempt is tried again until the attempt
    // counter exceeds the maximum.
  }
  m_strHeaders.clear();
  if (result != kStepFinished && m_nTransferCode == kCodeOk) {
    Fail(kCodeFailed, result == kStepStopped ? "stopped" : result == kStepExhausted ? "attempts exhausted" : "");
  }
  if (m_nTransferCode != kCodeOk) {
    m_strFailure = TransferCodeMeaning(m_nTransferCode);
    m_strFailure[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(m_strFailure[0])));
    m_strFailure += " (transfer code " + std::to_string(m_nTransferCode) + ") at " + m_strHostText +
                    (m_strFailureWhy.empty() ? "" : ": " + m_strFailureWhy);
  }
  if (m_nTransferCode != kCodeOk && m_saveFile.Touched()) unlink(platform::PathBytes(m_strSavePath).c_str());
  fotaro::Log(kLog, "CHttpDownload end, TransferCode = %d", m_nTransferCode);

  // The last call of the transfer: its receiver may destroy this object, so it gets copies.
  CHttpDownloadUIInterface* const callback = m_pCallback;
  const int code = m_nTransferCode;
  const std::u16string savePath = m_strSavePath;
  if (callback) callback->OnDownloadComplete(code, savePath);
}

int CHttpDownload::Connect() {
  fotaro::Log(kLog, "before OpenInternetSession m_hInetSession : %p", static_cast<void*>(m_hCurl));
  if (!m_hCurl) {
    m_hCurl = curl_easy_init();
    m_hMulti = curl_multi_init();
    if (!m_hCurl || !m_hMulti) {
      Fail(kCodeConnectionError, "libcurl cannot make a connection");
      return kStepFailed;
    }
  }
  fotaro::Log(kLog, "after OpenInternetSession m_hInetSession : %p", static_cast<void*>(m_hCurl));
  const auto url = fotaro::net::ParseHttpUrl(platform::Utf8(m_strUrl));
  if (!url) {
    fotaro::Log(kLog, "CHttpDownload::URL不是http类型");
    Fail(kCodeFailed, "not an http or https URL");
    return kStepFailed;
  }
  m_strHostName = url->host;
  m_strHostText = HostText(*url);
  m_strObjectName = url->path;
  fotaro::Log(kLog, "after OpenInternetConnection host = %s, object = %s", m_strHostName, m_strObjectName);
  return kStepSuccess;
}

int CHttpDownload::ProcessRequest() {
  if (m_pCallback) m_pCallback->OnRequestStart(platform::FromUtf8(m_strHostName));
  if (++m_nAttempts > m_nMaxAttempts) return kStepExhausted;
  int result = OpenHttpRequest();
  if (result == kStepSuccess) result = OpenSaveFile();
  while (result == kStepSuccess) {
    m_requestHeaders = {"Accept: */*", "Pragma: no-cache", "Expect:"};
    for (size_t start = 0; start < m_strHeaders.size();) {
      size_t end = m_strHeaders.find(u"\r\n", start);
      if (end == std::u16string::npos) end = m_strHeaders.size();
      if (end > start) AddRequestHeader(platform::Utf8(m_strHeaders.substr(start, end - start)));
      start = end + 2;
    }
    m_nBodyLength = 0;
    result = SendRequest();
    fotaro::Log(kLog, "发送下载请求 nResultCode = %d", result);
    if (result == kStepSuccess) result = PerformRequest();
    EndRequest();
    if (result == kStepSendAgain) result = kStepSuccess;
  }
  return result;
}

int CHttpDownload::OpenHttpRequest() {
  const std::string url = platform::Utf8(m_strUrl);
  CURL* const curl = m_hCurl;
  bool ok = curl_easy_setopt(curl, CURLOPT_URL, url.c_str()) == CURLE_OK &&
            curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https") == CURLE_OK &&
            curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 0L) == CURLE_OK &&
            curl_easy_setopt(curl, CURLOPT_USERAGENT, kUserAgent) == CURLE_OK &&
            curl_easy_setopt(curl, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1)) == CURLE_OK &&
            curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L) == CURLE_OK &&
            curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, m_szCurlError) == CURLE_OK &&
            curl_easy_setopt(curl, CURLOPT_TCP_NODELAY, 1L) == CURLE_OK &&
            curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L) == CURLE_OK &&
            curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L) == CURLE_OK &&
            curl_easy_setopt(curl, CURLOPT_BUFFERSIZE, static_cast<long>(kReadBufferSize)) == CURLE_OK &&
            curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, m_nConnectTimeout) == CURLE_OK &&
            curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, &CHttpDownload::HeaderCallback) == CURLE_OK &&
            curl_easy_setopt(curl, CURLOPT_HEADERDATA, this) == CURLE_OK &&
            curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &CHttpDownload::WriteCallback) == CURLE_OK &&
            curl_easy_setopt(curl, CURLOPT_WRITEDATA, this) == CURLE_OK &&
            curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L) == CURLE_OK &&
            curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &CHttpDownload::ProgressCallback) == CURLE_OK &&
            curl_easy_setopt(curl, CURLOPT_XFERINFODATA, this) == CURLE_OK;
  if (ok && !m_strReferrer.empty()) ok = curl_easy_setopt(curl, CURLOPT_REFERER, platform::Utf8(m_strReferrer).c_str()) == CURLE_OK;
  if (ok && m_bUsePost) {
    ok = curl_easy_setopt(curl, CURLOPT_POST, 1L) == CURLE_OK &&
         curl_easy_setopt(curl, CURLOPT_READFUNCTION, &CHttpDownload::ReadCallback) == CURLE_OK &&
         curl_easy_setopt(curl, CURLOPT_READDATA, this) == CURLE_OK;
  } else if (ok) {
    ok = curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L) == CURLE_OK;
  }
  fotaro::Log(kLog, "OpenHttpRequest %s %s: %d", m_bUsePost ? "POST" : "GET", m_strObjectName, ok ? 1 : 0);
  if (ok) return kStepSuccess;
  Fail(kCodeFailed, "libcurl refused the request's settings");
  return kStepFailed;
}

int CHttpDownload::OpenSaveFile() {
  const std::string path = platform::PathBytes(m_strSavePath);
  const bool opened = m_saveFile.Open(path);
  fotaro::Log(kLog, "OpenSaveFile : %s,  dwError = %d, m_hSaveFileHandle = %d", path, opened ? 0 : errno, m_saveFile.Handle());
  if (opened) return kStepSuccess;
  Fail(kCodeFileError, std::string("cannot open it: ") + std::strerror(errno));
  return kStepFailed;
}

void CHttpDownload::AddRequestHeader(const std::string& line) {
  const size_t colon = line.find(':');
  for (std::string& header : m_requestHeaders) {
    if (colon != std::string::npos && header.size() > colon && header[colon] == ':' &&
        !strncasecmp(header.c_str(), line.c_str(), colon)) {
      header = line;
      return;
    }
  }
  m_requestHeaders.push_back(line);
}

long CHttpDownload::ReadRequestBody(char* /*buffer*/, size_t /*size*/) { return 0; }

int CHttpDownload::PerformRequest() {
  curl_slist_free_all(m_pHeaderList);
  m_pHeaderList = nullptr;
  for (const std::string& header : m_requestHeaders) m_pHeaderList = curl_slist_append(m_pHeaderList, header.c_str());
  curl_easy_setopt(m_hCurl, CURLOPT_HTTPHEADER, m_pHeaderList);
  if (m_bUsePost) curl_easy_setopt(m_hCurl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(m_nBodyLength));
  if (!m_strUser.empty()) {
    const bool proxy = m_nAuthStatus == 407;
    curl_easy_setopt(m_hCurl, proxy ? CURLOPT_PROXYAUTH : CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_BASIC));
    curl_easy_setopt(m_hCurl, proxy ? CURLOPT_PROXYUSERNAME : CURLOPT_USERNAME, m_strUser.c_str());
    curl_easy_setopt(m_hCurl, proxy ? CURLOPT_PROXYPASSWORD : CURLOPT_PASSWORD, m_strPassword.c_str());
  }
  m_strRawHeaders.clear();
  m_nStatus = 0;
  m_strStatusLine.clear();
  m_szCurlError[0] = '\0';
  m_bHeadersDone = m_bReceiving = m_bBodyFailed = m_bWriteFailed = m_bTooLarge = m_bStalled = false;
  m_nLastActivity = 0;
  m_nLastActivityTime = SteadyMilliseconds();
  m_nReceived = 0;
  m_nExpected = -1;

  // Drive the exchange, looking at the stop event between waits for the socket.
  bool stopped = false;
  const CURLcode result =
      fotaro::net::PerformUnlessStopped(m_hMulti, m_hCurl, [this] { return IsStopRequested(); }, stopped);

  if (stopped || IsStopRequested()) {
    fotaro::Log(kLog, "AsyncIO UserBreak");
    return kStepStopped;
  }
  if (m_bBodyFailed) {
    Fail(kCodeFailed, "a file of the request could not be read, or changed while it was sent");
    return kStepFailed;
  }
  if (!m_bHeadersDone || m_bStalled) {
    fotaro::Log(kLog, "Catch CInternetException : %d (%s)", static_cast<int>(result), curl_easy_strerror(result));
    Fail(kCodeConnectionError, m_bStalled ? "nothing moved for " + std::to_string(m_nStallTimeout) + " seconds"
                                          : CurlErrorText(result));
    return kStepFailed;
  }
  return m_nStatus == 200 ? FinishAnswer(result) : ActOnStatus();
}

bool CHttpDownload::HeadersComplete() {
  m_bHeadersDone = true;
  if (const auto length = fotaro::net::HeaderValue(m_strRawHeaders, "Content-Length")) m_nExpected = ParseLength(*length);
  if (m_pCallback) m_pCallback->OnResponse();
  fotaro::Log(kLog, "HttpQueryInfoStatusCode: %d", static_cast<int>(m_nStatus));
  // Only the body of a 200 answer is wanted; any other ends the exchange here.
  if (m_nStatus != 200) return false;
  if (m_nMaxAnswerSize >= 0 && m_nExpected > m_nMaxAnswerSize) {
    m_bTooLarge = true;
    return false;
  }
  if (!m_saveFile.Truncate()) {
    m_bWriteFailed = true;
    return false;
  }
  m_bReceiving = true;
  if (m_pCallback) m_pCallback->OnReceiveStart(0, m_nExpected);
  return true;
}

int CHttpDownload::FinishAnswer(CURLcode result) {
  if (m_bTooLarge) {
    fotaro::Log(kLog, "answer larger than %lld bytes", static_cast<long long>(m_nMaxAnswerSize));
    Fail(kCodeFailed, "the answer is larger than " + std::to_string(m_nMaxAnswerSize) + " bytes");
    return kStepFailed;
  }
  if (m_bWriteFailed || !m_saveFile.Flush()) {
    Fail(kCodeFileError, std::string("cannot write it: ") + std::strerror(errno));
    return kStepRetry;
  }
  // A connection closed before the announced length is a length mismatch, checked below.
  if (result != CURLE_OK && result != CURLE_PARTIAL_FILE) {
    fotaro::Log(kLog, "Catch CInternetException : %d (%s)", static_cast<int>(result), curl_easy_strerror(result));
    Fail(kCodeConnectionError, CurlErrorText(result));
    return kStepFailed;
  }
  if (m_nExpected != -1 && m_nExpected != m_nReceived) {
    Fail(kCodeLengthMismatch, "received " + std::to_string(m_nReceived) + " of the " + std::to_string(m_nExpected) +
                                  " bytes announced");
    return kStepRetry;
  }
  Record(kStateFinished, kCodeOk);
  return kStepFinished;
}

int CHttpDownload::ActOnStatus() {
  switch (m_nStatus) {
    case 302:
    case 303:
    case 307: {
      const auto location = fotaro::net::HeaderValue(m_strRawHeaders, "Location");
      const auto target = location ? fotaro::net::ResolveUrl(platform::Utf8(m_strUrl), *location) : std::nullopt;
      if (!target || !fotaro::net::ParseHttpUrl(*target) || ++m_nRedirects > kMaxRedirects) {
        fotaro::Log(kLog, "redirect refused: %s", location ? *location : std::string("(no Location)"));
        Fail(kCodeFailed, StatusText() + (m_nRedirects > kMaxRedirects ? ", one redirect too many" : ", redirect refused"));
        return kStepFailed;
      }
      fotaro::Log(kLog, "重定向到 %s", *target);
      m_strUrl = m_strRedirectTarget = platform::FromUtf8(*target);
      if (m_pCallback) m_pCallback->OnRedirect(m_strUrl);
      m_nAttempts = 0;
      return kStepRetry;
    }
    case 304:
      Record(kStateFinished, kCodeNotModified);
      m_strFailureWhy = StatusText();
      return kStepFinished;
    case 401:
    case 407: {
      std::string user, password;
      if (++m_nCredentialRounds > kMaxCredentialRounds || !AskCredentials(m_nStatus, user, password)) {
        Fail(kCodeFailed, StatusText() + ", no credentials");
        return kStepFailed;
      }
      m_strUser = user;
      m_strPassword = password;
      m_nAuthStatus = m_nStatus;
      return kStepSendAgain;
    }
    case 404:
      Fail(kCodeNotFound, StatusText());
      return kStepFailed;
    case 503:
      Fail(kCodeUnavailable, StatusText());
      return kStepFailed;
    default:
      Fail(kCodeFailed, StatusText());
      return kStepFailed;
  }
}

void CHttpDownload::CloseRequest() {
  m_saveFile.Close();
  if (m_hMulti) curl_multi_cleanup(m_hMulti);
  if (m_hCurl) curl_easy_cleanup(m_hCurl);
  m_hMulti = nullptr;
  m_hCurl = nullptr;
  curl_slist_free_all(m_pHeaderList);
  m_pHeaderList = nullptr;
}

void CHttpDownload::Record(int state, int code) {
  m_nTransferState = state;
  m_nTransferCode = code;
}

void CHttpDownload::Fail(int code, std::string why) {
  Record(kStateFailed, code);
  m_strFailureWhy = std::move(why);
}

std::string CHttpDownload::CurlErrorText(CURLcode result) const {
  return Printable(m_szCurlError[0] != '\0' ? m_szCurlError : curl_easy_strerror(result), 256);
}

std::string CHttpDownload::StatusText() const {
  return "HTTP status " + (m_strStatusLine.empty() ? std::to_string(m_nStatus) : m_strStatusLine);
}

size_t CHttpDownload::HeaderCallback(char* data, size_t size, size_t count, void* object) {
  auto* self = static_cast<CHttpDownload*>(object);
  const size_t bytes = size * count;
  const std::string line(data, bytes);
  if (line.compare(0, 5, "HTTP/") == 0) {
    // A status line starts a new header block (after an interim 1xx answer, or a new exchange).
    self->m_strRawHeaders.clear();
    const size_t space = line.find(' ');
    self->m_nStatus = space == std::string::npos ? 0 : std::strtol(line.c_str() + space + 1, nullptr, 10);
    self->m_strStatusLine = space == std::string::npos ? std::string() : Printable(line.substr(space + 1), 100);
  }
  if (line == "\r\n" || line == "\n") {
    if (self->m_nStatus >= 100 && self->m_nStatus < 200) return bytes;
    return self->HeadersComplete() ? bytes : 0;
  }
  if (self->m_strRawHeaders.size() + bytes > kMaxHeaderBytes) return 0;
  self->m_strRawHeaders += line;
  return bytes;
}

size_t CHttpDownload::WriteCallback(char* data, size_t size, size_t count, void* object) {
  auto* self = static_cast<CHttpDownload*>(object);
  const size_t bytes = size * count;
  if (!self->m_bReceiving || self->IsStopRequested()) return 0;
  if (self->m_nMaxAnswerSize >= 0 && self->m_nReceived + static_cast<int64_t>(bytes) > self->m_nMaxAnswerSize) {
    self->m_bTooLarge = true;
    return 0;
  }
  self->m_nReceived += static_cast<int64_t>(bytes);
  if (!self->m_saveFile.Append(data, bytes)) {
    self->m_bWriteFailed = true;
    return 0;
  }
  return bytes;
}

size_t CHttpDownload::ReadCallback(char* buffer, size_t size, size_t count, void* object) {
  auto* self = static_cast<CHttpDownload*>(object);
  if (self->IsStopRequested()) return CURL_READFUNC_ABORT;
  const long bytes = self->ReadRequestBody(buffer, size * count);
  if (bytes < 0) {
    self->m_bBodyFailed = true;
    return CURL_READFUNC_ABORT;
  }
  return static_cast<size_t>(bytes);
}

int CHttpDownload::ProgressCallback(void* object, curl_off_t, curl_off_t received, curl_off_t, curl_off_t sent) {
  auto* self = static_cast<CHttpDownload*>(object);
  if (self->IsStopRequested()) return 1;
  const int64_t now = SteadyMilliseconds();
  if (received + sent != self->m_nLastActivity) {
    self->m_nLastActivity = received + sent;
    self->m_nLastActivityTime = now;
  } else if (now - self->m_nLastActivityTime > self->m_nStallTimeout * 1000) {
    self->m_bStalled = true;
    return 1;
  }
  return 0;
}
