#include "tools/albumserver/AlbumServer.h"

#include <dirent.h>
#include <netinet/in.h>
#include <strings.h>
#include <sys/socket.h>

#include <httplib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "net/HttpUrl.h"
#include "tools/albumserver/MultipartReader.h"

namespace fotaro {
namespace {

constexpr int kThreads = 12;
constexpr size_t kMaxFieldValue = 64 * 1024;
constexpr size_t kFillerBlock = 64 * 1024;
constexpr uint64_t kShortBy = 16;
constexpr char kXmlType[] = "text/xml; charset=UTF-8";

std::string XmlEscape(const std::string& text) {
  std::string out;
  for (const char c : text) {
    if (c == '&') out += "&amp;";
    else if (c == '<') out += "&lt;";
    else if (c == '>') out += "&gt;";
    else out += c;
  }
  return out;
}

std::string PercentEncode(const std::string& text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (const unsigned char c : text) {
    if (isalnum(c) || c == '-' || c == '_' || c == '.' || c == '~') {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

// A file name from a client, made safe to store: no folders, no control characters, no leading dots.
std::string SafeFileName(const std::string& name) {
  const size_t slash = name.find_last_of("/\\");
  std::string safe = slash == std::string::npos ? name : name.substr(slash + 1);
  for (char& c : safe) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '_';
  }
  safe.erase(0, safe.find_first_not_of('.'));
  return safe.empty() ? "part" : safe;
}

std::string XmlAnswer(int result, const std::string& albumId, const std::string& resultUrl, const std::string& reason) {
  std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<body><Result>" + std::to_string(result) + "</Result>";
  if (!reason.empty()) xml += "<Reason>" + XmlEscape(reason) + "</Reason>";
  xml += "<AlbumId>" + XmlEscape(albumId) + "</AlbumId><ResultURL>" + XmlEscape(resultUrl) + "</ResultURL></body>\r\n";
  return xml;
}

// Writes the answer bytes from `offset` on: the text, then filler up to `total`.
bool WriteAnswer(const std::string& text, uint64_t total, size_t offset, httplib::DataSink& sink) {
  if (offset < text.size()) return sink.write(text.data() + offset, text.size() - offset);
  static const std::string filler(kFillerBlock, 'x');
  return sink.write(filler.data(), static_cast<size_t>(std::min<uint64_t>(kFillerBlock, total - offset)));
}

uint16_t PortOf(const sockaddr_storage& address) {
  if (address.ss_family == AF_INET) return ntohs(reinterpret_cast<const sockaddr_in&>(address).sin_port);
  if (address.ss_family == AF_INET6) return ntohs(reinterpret_cast<const sockaddr_in6&>(address).sin6_port);
  return 0;
}

// Shuts down (`how`: SHUT_WR or SHUT_RDWR) the accepted connection between the two ports.
// httplib does not hand its sockets to handlers, so the connection is found among the process's
// descriptors.
void ShutdownConnection(int localPort, int remotePort, int how) {
  DIR* folder = opendir("/proc/self/fd");
  if (!folder) return;
  while (const dirent* entry = readdir(folder)) {
    const int fd = std::atoi(entry->d_name);
    sockaddr_storage local{}, peer{};
    socklen_t localSize = sizeof local, peerSize = sizeof peer;
    if (fd <= 2 || getsockname(fd, reinterpret_cast<sockaddr*>(&local), &localSize) != 0 ||
        getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &peerSize) != 0) {
      continue;
    }
    if (PortOf(local) == localPort && PortOf(peer) == remotePort) shutdown(fd, how);
  }
  closedir(folder);
}

}  // namespace

std::string AlbumRequest::Header(const std::string& name) const {
  for (const auto& [key, value] : headers) {
    if (!strcasecmp(key.c_str(), name.c_str())) return value;
  }
  return {};
}

std::string AlbumRequest::Field(const std::string& name) const {
  for (const AlbumPart& part : parts) {
    if (part.filename.empty() && part.name == name) return part.value;
  }
  return {};
}

AlbumServer::AlbumServer(Options options) : m_options(std::move(options)) {}

AlbumServer::~AlbumServer() { Stop(); }

bool AlbumServer::Start(const std::string& host, int port) {
  if (m_server) return false;
  std::unique_ptr<httplib::Server> server;
  if (m_options.certificate.empty()) {
    server = std::make_unique<httplib::Server>();
  } else {
    server = std::make_unique<httplib::SSLServer>(m_options.certificate.c_str(), m_options.privateKey.c_str());
  }
  if (!server->is_valid()) return false;
  server->new_task_queue = [] { return new httplib::ThreadPool(kThreads); };
  // Idle connections are let go soon, so that Stop does not wait for them long.
  server->set_keep_alive_timeout(1);
  server->Post(".*", httplib::Server::HandlerWithContentReader(
                         [this](const httplib::Request& request, httplib::Response& response,
                                const httplib::ContentReader& reader) { Handle(request, response, &reader); }));
  for (const AlbumPage& page : m_options.pages) {
    server->Get(page.path, [&page](const httplib::Request&, httplib::Response& response) {
      response.set_content(page.body, page.contentType);
    });
  }
  // A GET outside the stored photos takes a scripted reply too (downloads, answers of any kind).
  server->Get(".*", [this](const httplib::Request& request, httplib::Response& response) {
    Handle(request, response, nullptr);
  });
  if (!m_options.store.empty()) {
    std::error_code error;
    std::filesystem::create_directories(m_options.store, error);
    if (error || !server->set_mount_point("/photos", m_options.store)) return false;
  }
  const int bound = port == 0 ? server->bind_to_any_port(host) : (server->bind_to_port(host, port) ? port : -1);
  if (bound <= 0) return false;
  m_server = std::move(server);
  m_host = host;
  m_port = bound;
  m_stopping = false;
  m_listenerEnded = false;
  m_listener = std::thread([this] {
    m_server->listen_after_bind();
    m_listenerEnded = true;
  });
  // Stop only works on a server that has started listening.
  while (!m_server->is_running() && !m_listenerEnded) std::this_thread::yield();
  if (m_server->is_running()) return true;
  Stop();
  return false;
}

void AlbumServer::Stop() {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_stopping = true;
  }
  m_changed.notify_all();
  if (m_server) m_server->stop();
  if (m_listener.joinable()) m_listener.join();
}

std::string AlbumServer::Url(const std::string& path) const {
  return (m_options.certificate.empty() ? "http://" : "https://") + m_host + ":" + std::to_string(m_port) + path;
}

void AlbumServer::SetDefaultReply(AlbumReply reply) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_defaultReply = std::move(reply);
}

void AlbumServer::Script(AlbumReply reply) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_script.push_back(std::move(reply));
}

AlbumReply AlbumServer::NextReply() {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (m_script.empty()) return m_defaultReply;
  AlbumReply reply = std::move(m_script.front());
  m_script.erase(m_script.begin());
  return reply;
}

std::vector<AlbumRequest> AlbumServer::Requests() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_requests;
}

size_t AlbumServer::Arrivals() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_arrivals;
}

int AlbumServer::InFlight() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_inFlight;
}

int AlbumServer::MaxInFlight() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_maxInFlight;
}

bool AlbumServer::WaitForArrivals(size_t count, std::chrono::milliseconds timeout) const {
  std::unique_lock<std::mutex> lock(m_mutex);
  return m_changed.wait_for(lock, timeout, [&] { return m_arrivals >= count; });
}

bool AlbumServer::WaitForRequests(size_t count, std::chrono::milliseconds timeout) const {
  std::unique_lock<std::mutex> lock(m_mutex);
  return m_changed.wait_for(lock, timeout, [&] { return m_handled >= count; });
}

void AlbumServer::ReleaseHeld() {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_released = true;
  }
  m_changed.notify_all();
}

void AlbumServer::Stall(std::chrono::milliseconds duration, bool hold) const {
  std::unique_lock<std::mutex> lock(m_mutex);
  m_changed.wait_for(lock, duration, [&] { return m_stopping; });
  if (hold) m_changed.wait(lock, [&] { return m_stopping || m_released; });
}

void AlbumServer::Handle(const httplib::Request& request, httplib::Response& response,
                         const httplib::ContentReader* reader) {
  size_t number;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    number = ++m_arrivals;
    m_maxInFlight = std::max(m_maxInFlight, ++m_inFlight);
  }
  m_changed.notify_all();
  const AlbumReply reply = NextReply();
  AlbumRequest record;
  record.method = request.method;
  record.target = request.target;
  for (const auto& header : request.headers) record.headers.push_back(header);
  if (request.has_header("Content-Length")) record.contentLength = std::strtoll(request.get_header_value("Content-Length").c_str(), nullptr, 10);

  Stall(reply.bodyDelay, reply.holdBody);
  if (reader) {
    ReadBody(request, *reader, reply, record, number);
  } else {
    record.complete = true;  // a request without a body
  }
  Stall(reply.delay, reply.holdAnswer);
  Answer(reply, record, request, response);
  record.status = response.status;
  if (m_options.onRequest) m_options.onRequest(record);
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_options.record) m_requests.push_back(std::move(record));
    ++m_handled;
    --m_inFlight;
  }
  m_changed.notify_all();
}

void AlbumServer::ReadBody(const httplib::Request& request, const httplib::ContentReader& reader, const AlbumReply& reply,
                           AlbumRequest& record, size_t number) {
  using albumserver::HeaderParameter;
  const std::string contentType = request.get_header_value("Content-Type");
  const std::string boundary = HeaderParameter(contentType, "boundary");
  if (strncasecmp(contentType.c_str(), "multipart/form-data", 19) != 0 || boundary.empty()) {
    record.formError = "not a multipart/form-data body";
  } else if (record.contentLength < 0) {
    record.formError = "no Content-Length";
  }
  // httplib parses a multipart body itself when its reader sees that content type; this server
  // checks the raw bytes, so the request is read as a plain one.
  const_cast<httplib::Request&>(request).headers.erase("Content-Type");

  std::FILE* file = nullptr;
  bool stored = true;
  albumserver::MultipartReader form(
      boundary,
      {[&](const std::string& headers) {
         AlbumPart part;
         part.headers = headers;
         const std::string disposition = net::HeaderValue(headers, "Content-Disposition").value_or("");
         part.name = HeaderParameter(disposition, "name");
         part.filename = HeaderParameter(disposition, "filename");
         if (!part.filename.empty() && !m_options.store.empty()) {
           part.storedPath = m_options.store + "/" + std::to_string(number) + "-" + std::to_string(record.parts.size() + 1) +
                             "-" + SafeFileName(part.filename);
           file = std::fopen(part.storedPath.c_str(), "wb");
           stored = stored && file;
         }
         record.parts.push_back(std::move(part));
       },
       [&](const char* data, size_t size) {
         AlbumPart& part = record.parts.back();
         part.size += size;
         if (file) {
           stored = stored && std::fwrite(data, 1, size, file) == size;
         } else if (part.filename.empty()) {
           part.value.append(data, std::min(size, kMaxFieldValue - std::min(kMaxFieldValue, part.value.size())));
         }
       },
       [&] {
         if (file) stored = std::fclose(file) == 0 && stored;
         file = nullptr;
       }});

  bool formOk = record.formError.empty();
  const bool received = reader([&](const char* data, size_t size) {
    record.bodyBytes += size;
    if (m_options.record) record.body.append(data, size);
    if (formOk) formOk = form.Feed(data, size);
    if (reply.dropAfter && record.bodyBytes >= *reply.dropAfter) {
      ShutdownConnection(request.local_port, request.remote_port, SHUT_RDWR);
      return false;
    }
    return true;
  });
  if (file) std::fclose(file);
  record.complete = received && (record.contentLength < 0 || record.bodyBytes == static_cast<uint64_t>(record.contentLength));
  if (formOk && record.complete) formOk = form.Finish();
  if (!formOk && record.formError.empty()) record.formError = form.Error().empty() ? "incomplete body" : form.Error();
  if (!stored && record.formError.empty()) record.formError = "cannot store a file part";
}

void AlbumServer::Answer(const AlbumReply& reply, const AlbumRequest& record, const httplib::Request& request,
                         httplib::Response& response) const {
  int status = reply.status;
  int result = reply.result;
  std::string reason;
  if (status == 200 && !record.formError.empty()) {
    status = 400;
    result = -1;
    reason = record.formError;
  }
  response.status = status;
  for (const auto& [name, value] : reply.headers) response.set_header(name, value);
  if (status < 200 || status == 204 || status == 304) return;

  std::string resultUrl;
  for (const AlbumPart& part : record.parts) {
    if (part.filename.empty()) continue;
    const std::string name = part.storedPath.empty() ? part.filename : std::filesystem::path(part.storedPath).filename().string();
    resultUrl = Url("/photos/" + PercentEncode(name));
    break;
  }
  const std::string albumId = record.Field("ExtendID").empty() ? "1" : record.Field("ExtendID");
  const std::string text = reply.body ? *reply.body : XmlAnswer(result, albumId, resultUrl, reason);
  const uint64_t total = text.size() + reply.padding;
  switch (reply.framing) {
    case AlbumReply::Framing::kContentLength:
      if (reply.padding == 0) {
        response.set_content(text, kXmlType);
      } else {
        response.set_content_provider(total, kXmlType, [text, total](size_t offset, size_t, httplib::DataSink& sink) {
          return WriteAnswer(text, total, offset, sink);
        });
      }
      break;
    case AlbumReply::Framing::kShort:
      response.set_content_provider(total + kShortBy, kXmlType, [text, total](size_t offset, size_t, httplib::DataSink& sink) {
        return offset < total && WriteAnswer(text, total, offset, sink);
      });
      break;
    case AlbumReply::Framing::kUntilClose:
      // httplib would keep the connection as an idle keep-alive one: the end of the answer is
      // shown by closing its sending side.
      response.set_content_provider(kXmlType, [text, total, local = request.local_port, remote = request.remote_port](
                                                  size_t offset, httplib::DataSink& sink) {
        if (offset < total) return WriteAnswer(text, total, offset, sink);
        ShutdownConnection(local, remote, SHUT_WR);
        sink.done();
        return true;
      });
      break;
  }
}

}  // namespace fotaro
