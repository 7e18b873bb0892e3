#pragma once
// The album server: a real HTTP server (cpp-httplib) that accepts the control's multipart upload
// requests, checks each body against its Content-Length and the multipart form, stores the file
// parts under its store folder and answers the XML document the control expects:
//
//   <body><Result>0</Result><AlbumId>...</AlbumId><ResultURL>...</ResultURL></body>
//
// Tests script it: every request (a POST, or a GET of anything but a stored photo under /photos/)
// takes the next scripted reply (or the default one), so that a test can answer any status,
// redirect, stall, send answers shorter than their Content-Length or without one, or drop the
// connection in the middle of the request body. It records every
// request (headers, raw body, parts) and counts the requests in flight. Stop (or the destructor)
// ends every stall and joins the server's threads.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace httplib {
class Server;
struct Request;
struct Response;
class ContentReader;
}  // namespace httplib

namespace fotaro {

// How the server answers one request.
struct AlbumReply {
  enum class Framing {
    kContentLength,  // a Content-Length that matches the answer
    kShort,          // a Content-Length 16 bytes larger than the answer, then the connection closes
    kUntilClose,     // no Content-Length: the answer ends when the connection closes
  };
  int status = 200;
  std::vector<std::pair<std::string, std::string>> headers;  // added to the answer (e.g. Location)
  int result = 0;                    // Result of the XML answer
  std::optional<std::string> body;   // an answer of its own instead of the XML document
  uint64_t padding = 0;              // filler bytes sent after the answer (a huge answer)
  Framing framing = Framing::kContentLength;
  std::chrono::milliseconds bodyDelay{0};  // stall before reading the request body
  std::chrono::milliseconds delay{0};      // stall before answering
  bool holdBody = false;                   // wait for ReleaseHeld (or Stop) before reading the body
  bool holdAnswer = false;                 // wait for ReleaseHeld (or Stop) before answering
  std::optional<uint64_t> dropAfter;       // drop the connection after this many body bytes
};

struct AlbumPart {
  std::string headers;     // the part's header lines
  std::string name;        // form-data name
  std::string filename;    // empty for a text field
  uint64_t size = 0;       // bytes of data
  std::string value;       // a text field's value
  std::string storedPath;  // where a file part was stored
};

struct AlbumRequest {
  std::string method;
  std::string target;
  std::vector<std::pair<std::string, std::string>> headers;
  int64_t contentLength = -1;  // -1: none announced
  uint64_t bodyBytes = 0;      // bytes of the body that arrived
  std::string body;            // the raw body, when the server records bodies
  bool complete = false;       // the whole announced body arrived
  std::string formError;       // why the multipart form was refused; empty when it was valid
  std::vector<AlbumPart> parts;
  int status = 0;              // the status answered

  // The first header of that name (case-insensitive), or "".
  std::string Header(const std::string& name) const;
  // The value of the text field of that name, or "".
  std::string Field(const std::string& name) const;
};

// A page the server shows at its path (a GET), outside the scripted replies.
struct AlbumPage {
  std::string path;
  std::string contentType;
  std::string body;
};

class AlbumServer {
 public:
  struct Options {
    std::string store;          // folder for the file parts; empty: they are not kept
    bool record = true;         // keep every request (with its raw body) for Requests()
    std::function<void(const AlbumRequest&)> onRequest;  // called after each request, on its thread
    std::vector<AlbumPage> pages;  // the demo album page of `fotaro serve`
    // PEM files of a certificate and its key: the server speaks HTTPS instead of HTTP.
    std::string certificate;
    std::string privateKey;
  };

  explicit AlbumServer(Options options);
  AlbumServer() : AlbumServer(Options{}) {}
  ~AlbumServer();
  AlbumServer(const AlbumServer&) = delete;
  AlbumServer& operator=(const AlbumServer&) = delete;

  // Listens on host:port (port 0: an ephemeral port). False when it cannot.
  bool Start(const std::string& host = "127.0.0.1", int port = 0);
  // Ends every stall, stops listening and joins the server's threads. Idempotent.
  void Stop();

  int Port() const { return m_port; }
  // "http://host:port" (or https) followed by `path`.
  std::string Url(const std::string& path = "/upload") const;

  // The reply for the next request that has no scripted reply left / for the next request.
  void SetDefaultReply(AlbumReply reply);
  void Script(AlbumReply reply);

  // Lets every request that waits on holdBody or holdAnswer go on, now and from now on.
  void ReleaseHeld();

  std::vector<AlbumRequest> Requests() const;
  size_t Arrivals() const;     // requests whose headers have arrived
  int InFlight() const;        // requests being handled right now
  int MaxInFlight() const;     // the most ever handled at once
  // Wait (bounded) until that many requests have arrived / have been handled completely.
  bool WaitForArrivals(size_t count, std::chrono::milliseconds timeout) const;
  bool WaitForRequests(size_t count, std::chrono::milliseconds timeout) const;

 private:
  // `reader` is null for a request without a body (a GET).
  void Handle(const httplib::Request& request, httplib::Response& response, const httplib::ContentReader* reader);
  void ReadBody(const httplib::Request& request, const httplib::ContentReader& reader, const AlbumReply& reply,
                AlbumRequest& record, size_t number);
  void Answer(const AlbumReply& reply, const AlbumRequest& record, const httplib::Request& request,
              httplib::Response& response) const;
  AlbumReply NextReply();
  // Waits for `duration`, or with `hold` until ReleaseHeld; ends early when the server stops.
  void Stall(std::chrono::milliseconds duration, bool hold) const;

  const Options m_options;
  std::unique_ptr<httplib::Server> m_server;
  std::thread m_listener;
  std::atomic<bool> m_listenerEnded{false};
  std::string m_host;
  int m_port = 0;

  mutable std::mutex m_mutex;  // guards everything below
  mutable std::condition_variable m_changed;
  bool m_stopping = false;
  bool m_released = false;
  AlbumReply m_defaultReply;
  std::vector<AlbumReply> m_script;
  std::vector<AlbumRequest> m_requests;
  size_t m_arrivals = 0;
  size_t m_handled = 0;
  int m_inFlight = 0;
  int m_maxInFlight = 0;
};

}  // namespace fotaro
