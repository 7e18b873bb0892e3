#include "PageHost.h"

#include <libsoup/soup.h>

#include <cstring>
#include <utility>

#include "FotaroScript.h"
#include "FrameQueue.h"
#include "PageSession.h"
#include "RequestRules.h"

namespace fotaro::pagehost {

namespace {

constexpr char kSessionKey[] = "fotaro-page-session";
// New pages' windows cascade from here in steps, ten of them before starting over.
constexpr int kFirstWindowAt = 40;
constexpr int kWindowStep = 32;
constexpr int kWindowSteps = 10;

void DeleteHeldSession(gpointer held) { delete static_cast<std::shared_ptr<PageSession>*>(held); }

}  // namespace

struct PageHostCallbacks {
  static void Script(SoupServer*, SoupServerMessage* message, const char*, GHashTable*, gpointer host) {
    static_cast<PageHost*>(host)->ServeScript(message);
  }
  static void Handshake(SoupServer*, SoupServerMessage* message, const char*, GHashTable*, gpointer host) {
    static_cast<PageHost*>(host)->CheckHandshake(message);
  }
  static void Connected(SoupServer*, SoupServerMessage* message, const char*, SoupWebsocketConnection* connection,
                        gpointer host) {
    static_cast<PageHost*>(host)->Connect(message, connection);
  }
  static void Message(SoupWebsocketConnection* connection, gint type, GBytes* frame, gpointer host) {
    const auto& pages = static_cast<PageHost*>(host)->m_pages;
    const auto page = pages.find(connection);
    if (page == pages.end()) return;
    if (type != SOUP_WEBSOCKET_DATA_TEXT) return page->second->session().Refuse("the host takes JSON text frames only");
    gsize size = 0;
    const auto* data = static_cast<const char*>(g_bytes_get_data(frame, &size));
    page->second->Push(std::string(data ? data : "", size));
  }
  static void Closed(SoupWebsocketConnection* connection, gpointer host) {
    static_cast<PageHost*>(host)->Disconnect(connection);
  }
};

PageHost::PageHost(const ControlLibrary& library, std::function<void(const std::string&)> report)
    : m_library(library), m_report(std::move(report)) {
  m_server = soup_server_new("server-header", "fotaro-host", nullptr);
  // Pages send small messages; compression would only let a small frame unpack into a huge one.
  soup_server_remove_websocket_extension(m_server, SOUP_TYPE_WEBSOCKET_EXTENSION_DEFLATE);
  soup_server_add_handler(m_server, "/fotaro.js", PageHostCallbacks::Script, this, nullptr);
  // The handler runs before libsoup answers the handshake: a status it sets ends the request.
  soup_server_add_handler(m_server, "/control", PageHostCallbacks::Handshake, this, nullptr);
  soup_server_add_websocket_handler(m_server, "/control", nullptr, nullptr, PageHostCallbacks::Connected, this,
                                    nullptr);
}

PageHost::~PageHost() {
  CloseAll();
  soup_server_disconnect(m_server);
  g_object_unref(m_server);
}

void PageHost::CloseAll() {
  for (const auto& [connection, page] : std::exchange(m_pages, {})) {
    g_signal_handlers_disconnect_by_data(connection, this);
    page->Close();
    if (soup_websocket_connection_get_state(connection) == SOUP_WEBSOCKET_STATE_OPEN) {
      soup_websocket_connection_close(connection, SOUP_WEBSOCKET_CLOSE_GOING_AWAY, "the host is ending");
    }
    g_object_unref(connection);
  }
}

bool PageHost::Listen(int port, std::string& error) {
  GInetAddress* loopback = g_inet_address_new_loopback(G_SOCKET_FAMILY_IPV4);
  GSocketAddress* address = g_inet_socket_address_new(loopback, static_cast<guint16>(port));
  g_object_unref(loopback);
  GError* failure = nullptr;
  const bool listening = soup_server_listen(m_server, address, static_cast<SoupServerListenOptions>(0), &failure);
  g_object_unref(address);
  if (!listening) {
    error = failure ? failure->message : "cannot listen";
    g_clear_error(&failure);
    return false;
  }
  GSList* uris = soup_server_get_uris(m_server);
  m_port = uris ? g_uri_get_port(static_cast<GUri*>(uris->data)) : port;
  g_slist_free_full(uris, reinterpret_cast<GDestroyNotify>(g_uri_unref));
  return true;
}

std::string PageHost::Url() const { return "http://127.0.0.1:" + std::to_string(m_port); }

void PageHost::Refuse(SoupServerMessage* message, const std::string& why) {
  soup_server_message_set_status(message, SOUP_STATUS_FORBIDDEN, nullptr);
  const std::string text = why + "\n";
  soup_server_message_set_response(message, "text/plain; charset=utf-8", SOUP_MEMORY_COPY, text.data(), text.size());
  const char* origin = soup_message_headers_get_one(soup_server_message_get_request_headers(message), "Origin");
  m_report(std::string("refused ") + (origin ? origin : "a request without an Origin") + ": " + why);
}

bool PageHost::CheckHost(SoupServerMessage* message) {
  const char* host = soup_message_headers_get_one(soup_server_message_get_request_headers(message), "Host");
  if (host && IsOwnHost(host, m_port)) return true;
  Refuse(message, std::string("the request is for the host ") + (host ? host : "(none)") + ", not this one");
  return false;
}

void PageHost::ServeScript(SoupServerMessage* message) {
  if (!CheckHost(message)) return;
  const char* method = soup_server_message_get_method(message);
  if (method != SOUP_METHOD_GET && method != SOUP_METHOD_HEAD) {
    soup_server_message_set_status(message, SOUP_STATUS_METHOD_NOT_ALLOWED, nullptr);
    return;
  }
  soup_server_message_set_status(message, SOUP_STATUS_OK, nullptr);
  soup_message_headers_replace(soup_server_message_get_response_headers(message), "Cache-Control", "no-cache");
  soup_server_message_set_response(message, "text/javascript; charset=utf-8", SOUP_MEMORY_STATIC, kFotaroScript,
                                   std::strlen(kFotaroScript));
}

void PageHost::CheckHandshake(SoupServerMessage* message) {
  if (!CheckHost(message)) return;
  // Not a WebSocket handshake: libsoup answers it (400) without a control being made.
  if (!soup_websocket_server_check_handshake(message, nullptr, nullptr, nullptr, nullptr)) return;
  const char* origin = soup_message_headers_get_one(soup_server_message_get_request_headers(message), "Origin");
  const std::string problem = OriginProblem(origin);
  if (!problem.empty()) return Refuse(message, problem);

  const int step = m_windowsMade++ % kWindowSteps;
  auto session = std::make_shared<PageSession>(m_library, origin, kFirstWindowAt + step * kWindowStep,
                                               kFirstWindowAt + step * kWindowStep);
  const HRESULT hr = session->Open();
  if (hr == E_ACCESSDENIED) return Refuse(message, "the control's site lock does not admit the page");
  if (FAILED(hr)) {
    soup_server_message_set_status(message, SOUP_STATUS_INTERNAL_SERVER_ERROR, nullptr);
    m_report(std::string("no control for ") + origin + ": the library answered " + std::to_string(hr));
    return;
  }
  // The message holds the session until the handshake completes (Connect takes it) or fails.
  g_object_set_data_full(G_OBJECT(message), kSessionKey, new std::shared_ptr<PageSession>(std::move(session)),
                         DeleteHeldSession);
}

void PageHost::Connect(SoupServerMessage* message, SoupWebsocketConnection* connection) {
  auto* held = static_cast<std::shared_ptr<PageSession>*>(g_object_steal_data(G_OBJECT(message), kSessionKey));
  if (!held) {
    soup_websocket_connection_close(connection, SOUP_WEBSOCKET_CLOSE_POLICY_VIOLATION, nullptr);
    return;
  }
  std::shared_ptr<PageSession> session = std::move(*held);
  delete held;
  soup_websocket_connection_set_max_incoming_payload_size(connection, PageSession::kMaxFrameBytes);
  g_object_ref(connection);  // the page's, dropped by Disconnect
  // The sender holds the connection too: a call that outlives the page still has it to look at.
  std::shared_ptr<SoupWebsocketConnection> target(static_cast<SoupWebsocketConnection*>(g_object_ref(connection)),
                                                  g_object_unref);
  session->SetSender([target](const std::string& frame) {
    if (soup_websocket_connection_get_state(target.get()) == SOUP_WEBSOCKET_STATE_OPEN) {
      soup_websocket_connection_send_text(target.get(), frame.c_str());
    }
  });
  g_signal_connect(connection, "message", G_CALLBACK(PageHostCallbacks::Message), this);
  g_signal_connect(connection, "closed", G_CALLBACK(PageHostCallbacks::Closed), this);
  m_report("page " + session->origin() + " connected");
  m_pages.emplace(connection, std::make_shared<FrameQueue>(std::move(session)));
}

void PageHost::Disconnect(SoupWebsocketConnection* connection) {
  const auto page = m_pages.find(connection);
  if (page == m_pages.end()) return;
  const std::shared_ptr<FrameQueue> left = std::move(page->second);
  m_pages.erase(page);
  g_signal_handlers_disconnect_by_data(connection, this);
  left->Close();
  m_report("page " + left->session().origin() + " left; its control is destroyed");
  g_object_unref(connection);
}

}  // namespace fotaro::pagehost
