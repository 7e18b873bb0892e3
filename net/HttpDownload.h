#pragma once
// CHttpDownload: one HTTP transfer on a worker thread of its own, on libcurl. It sends one request
// (a GET, or a POST whose body a subclass streams through ReadRequestBody), follows 302, 303 and
// 307 answers itself by reconnecting and sending the whole request again, and saves the body of a
// 200 answer to the save path through a 512 KiB write cache. Everything is reported through a
// CHttpDownloadUIInterface on the transfer thread, ending with exactly one OnDownloadComplete that
// carries the transfer code:
//
//   0 answer received completely and saved      4 the save file cannot be opened or written
//   1 server answered 304 (nothing saved)       5 a connection or protocol error
//   2 any other failure (request or body cannot  7 404
//     be prepared, unexpected status, too many    8 503
//     redirects, attempts exhausted, stopped)   3 the answer's length differs from its Content-Length
//
// The save file holds the answer only after code 0; after any other code it is removed, so that
// an empty or partial answer is never taken for the server's. GetFailureText then says why in
// words. Diagnostics go to "httpdownload.txt".

#include <curl/curl.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "net/HttpDownloadUIInterface.h"
#include "net/SaveFile.h"
#include "net/ThreadModel.h"

class CHttpDownload : public CThreadModel {
 public:
  // Results of the steps of a transfer.
  enum StepResult { kStepFinished = 0, kStepRetry = 1, kStepSuccess = 2, kStepFailed = 3, kStepExhausted = 4, kStepStopped = 6 };
  enum TransferState { kStateNone = 0, kStateFinished = 2, kStateFailed = 3 };
  enum TransferCode {
    kCodeOk = 0, kCodeNotModified = 1, kCodeFailed = 2, kCodeLengthMismatch = 3, kCodeFileError = 4,
    kCodeConnectionError = 5, kCodeNotFound = 7, kCodeUnavailable = 8,
  };
  // Bounds of the engine's own: redirects followed in one transfer, and credential rounds.
  static constexpr int kMaxRedirects = 10;
  static constexpr int kMaxCredentialRounds = 3;

  CHttpDownload();
  ~CHttpDownload() override;

  // Stops a previous transfer of this object, then starts one for `url` (http or https) saving the
  // answer to `savePath`. 1 once the transfer thread runs; 0 when nothing was started (other
  // scheme, unparsable URL, blank save path, a previous thread that would not stop).
  int DownloadBase(const std::u16string& url, const std::u16string& savePath);
  // Stops the transfer: the thread sees the stop event, reports code 2 and ends. True when it
  // ended within the bound (or none ran); false when it was abandoned or called on the thread.
  bool StopTransfer() { return StopThread(); }

  void SetCallback(CHttpDownloadUIInterface* callback) { m_pCallback = callback; }
  void SetUsePost(bool usePost) { m_bUsePost = usePost; }
  void SetMaxAttempts(int attempts) { m_nMaxAttempts = attempts; }
  // Extra request header lines ("Name: value", CR LF separated); cleared at the end of a transfer.
  void SetExtraHeaders(const std::u16string& headers) { m_strHeaders = headers; }
  void SetReferrer(const std::u16string& referrer) { m_strReferrer = referrer; }
  // Answers longer than this fail with code 2; -1: no limit.
  void SetMaxAnswerSize(int64_t bytes) { m_nMaxAnswerSize = bytes; }
  // Connection time-out, and the time without a byte moving in either direction after which the
  // transfer fails with code 5 (the server never answers, or stops half-way).
  void SetTimeouts(long connectSeconds, long stallSeconds);

  // Outcome and response details: valid once OnDownloadComplete has been called.
  int GetTransferState() const { return m_nTransferState; }
  int GetTransferCode() const { return m_nTransferCode; }
  const std::string& GetRawResponseHeaders() const { return m_strRawHeaders; }
  const std::u16string& GetRedirectTarget() const { return m_strRedirectTarget; }
  // Why the last transfer failed, for people: the transfer code and its meaning, the host, and
  // what went wrong (libcurl's error text, the HTTP status, ...), for example
  //   "Not found (transfer code 7) at 127.0.0.1:8080: HTTP status 404 Not Found"
  //   "Connection or protocol error (transfer code 5) at 127.0.0.1:1: Failed to connect to ..."
  // Empty after code 0. Valid once OnDownloadComplete has been called.
  const std::string& GetFailureText() const { return m_strFailure; }
  // Why the last DownloadBase call returned 0, in words; empty after one that started a transfer.
  // For the thread that calls DownloadBase.
  const std::string& GetRefusalText() const { return m_strRefusal; }
  // The meaning of a transfer code, in words ("not found" for 7).
  static const char* TransferCodeMeaning(int code);

 protected:
  // Prepares the request of one attempt, after the request has been opened and before it is
  // performed: a subclass adds headers and a body (AddRequestHeader, SetRequestBodyLength).
  // Returns kStepSuccess, or the step result that ends the attempt.
  virtual int SendRequest() { return kStepSuccess; }
  // Fills `buffer` with up to `size` further bytes of the body; 0 at its end, kBodyError on failure
  // (the attempt then ends with kStepFailed).
  static constexpr long kBodyError = -1;
  virtual long ReadRequestBody(char* buffer, size_t size);
  // After the request of an attempt has been performed, whatever its outcome.
  virtual void EndRequest() {}
  // A 401 or 407 answer asks for a user name and password; true sends the request again with them.
  // Without a user interface there is nobody to ask, and the attempt fails.
  virtual bool AskCredentials(long /*status*/, std::string& /*user*/, std::string& /*password*/) { return false; }

  // For SendRequest: adds a header line, replacing one of the same name.
  void AddRequestHeader(const std::string& line);
  // Records that the attempt failed with transfer code `code`, and what went wrong in words.
  void Fail(int code, std::string why);
  // For SendRequest: the request carries a body of exactly this many bytes.
  void SetRequestBodyLength(uint64_t bytes) { m_nBodyLength = bytes; }
  CHttpDownloadUIInterface* Callback() const { return m_pCallback; }

  void Run() override;

 private:
  int Connect();
  int ProcessRequest();
  int OpenHttpRequest();
  int OpenSaveFile();
  int PerformRequest();
  int ActOnStatus();
  int FinishAnswer(CURLcode result);
  void CloseRequest();
  void Record(int state, int code);
  // The texts of GetFailureText: libcurl's error of the last exchange, and its HTTP status line.
  std::string CurlErrorText(CURLcode result) const;
  std::string StatusText() const;
  bool HeadersComplete();

  static size_t HeaderCallback(char* data, size_t size, size_t count, void* self);
  static size_t WriteCallback(char* data, size_t size, size_t count, void* self);
  static size_t ReadCallback(char* buffer, size_t size, size_t count, void* self);
  static int ProgressCallback(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t);

  // Settings.
  bool m_bUsePost = false;
  std::u16string m_strHeaders;
  std::u16string m_strReferrer;
  int m_nMaxAttempts = 1;
  int64_t m_nMaxAnswerSize = -1;
  long m_nConnectTimeout = 60;
  long m_nStallTimeout = 60;
  CHttpDownloadUIInterface* m_pCallback = nullptr;  // not owned

  // The transfer.
  std::u16string m_strUrl;
  std::u16string m_strSavePath;
  std::string m_strHostName;
  std::string m_strObjectName;
  std::u16string m_strRedirectTarget;
  int m_nAttempts = 0;
  int m_nRedirects = 0;
  int m_nCredentialRounds = 0;
  int m_nTransferState = kStateNone;
  int m_nTransferCode = kCodeOk;
  std::string m_strHostText;    // host[:port] of the URL, for the failure text
  std::string m_strFailureWhy;  // what went wrong, recorded with the code
  std::string m_strFailure;     // the whole text, once the transfer has ended
  std::string m_strRefusal;     // why DownloadBase started nothing (the caller's thread only)
  std::string m_strUser, m_strPassword;  // from AskCredentials, for the request sent again
  long m_nAuthStatus = 0;                // 401 or 407: which credentials they are

  // One attempt (thread only).
  CURL* m_hCurl = nullptr;
  CURLM* m_hMulti = nullptr;
  curl_slist* m_pHeaderList = nullptr;
  std::vector<std::string> m_requestHeaders;
  uint64_t m_nBodyLength = 0;
  CSaveFile m_saveFile;  // touched: created or emptied by this transfer
  std::string m_strRawHeaders;
  long m_nStatus = 0;
  std::string m_strStatusLine;  // "404 Not Found", printable characters only
  char m_szCurlError[CURL_ERROR_SIZE] = {};
  bool m_bHeadersDone = false;
  bool m_bReceiving = false;
  bool m_bBodyFailed = false;
  bool m_bWriteFailed = false;
  bool m_bTooLarge = false;
  bool m_bStalled = false;            // nothing moved for the stall time-out
  int64_t m_nLastActivity = 0;       // bytes moved at the last change, and when (steady ms)
  int64_t m_nLastActivityTime = 0;
  int64_t m_nReceived = 0;
  int64_t m_nExpected = -1;

  // Blocks of the answer as they come from the socket.
  static constexpr size_t kReadBufferSize = 32768;
};
