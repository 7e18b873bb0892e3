#pragma once
// CHttpDownloadUIInterface: what a CHttpDownload reports about its transfer. Every call comes on
// the transfer's own thread; every slot does nothing unless overridden.

#include <cstdint>
#include <string>

class CHttpDownloadUIInterface {
 public:
  virtual ~CHttpDownloadUIInterface() = default;
  // At the start of each attempt, with the host name of the URL.
  virtual void OnRequestStart(const std::u16string& /*host*/) {}
  // After the response headers of an attempt have been read.
  virtual void OnResponse() {}
  // Before the body of a 200 answer is received; total is -1 when the server sent no Content-Length.
  virtual void OnReceiveStart(int64_t /*startOffset*/, int64_t /*total*/) {}
  // After each chunk of the request body (bytes sent so far, Content-Length).
  virtual void OnProgress(int64_t /*done*/, int64_t /*total*/) {}
  // Once, at the end of every transfer, with the transfer code and the save path. This is the
  // last call of the transfer; the receiver may destroy the engine's owner from it.
  virtual void OnDownloadComplete(int /*transferCode*/, const std::u16string& /*savePath*/) {}
  // On a 302, 303 or 307 answer, with the absolute URL the transfer goes on with.
  virtual void OnRedirect(const std::u16string& /*url*/) {}
  // Never raised by the engine; a front-end may forward it.
  virtual void OnError(int /*code*/) {}
};
