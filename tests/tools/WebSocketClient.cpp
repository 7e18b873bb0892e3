#include "tests/tools/WebSocketClient.h"

#include <libsoup/soup.h>

namespace fotaro::test {

// The client's context is the thread-default one while the client runs it or calls libsoup.
class WebSocketClient::ContextScope {
 public:
  explicit ContextScope(GMainContext* context) : context_(context) { g_main_context_push_thread_default(context_); }
  ~ContextScope() { g_main_context_pop_thread_default(context_); }
  ContextScope(const ContextScope&) = delete;
  ContextScope& operator=(const ContextScope&) = delete;

 private:
  GMainContext* context_;
};

struct WebSocketClient::Callbacks {
  static void Connected(GObject* session, GAsyncResult* result, gpointer data) {
    auto* self = static_cast<WebSocketClient*>(data);
    self->connecting_ = false;
    self->connection_ = soup_session_websocket_connect_finish(SOUP_SESSION(session), result, nullptr);
    if (!self->connection_) return;
    // A browser's screenshot comes as one message of a few hundred kilobytes.
    soup_websocket_connection_set_max_incoming_payload_size(self->connection_, 16 << 20);
    g_signal_connect(self->connection_, "message", G_CALLBACK(Message), self);
    g_signal_connect(self->connection_, "closed", G_CALLBACK(Closed), self);
  }
  static void Message(SoupWebsocketConnection*, gint type, GBytes* frame, gpointer data) {
    if (type != SOUP_WEBSOCKET_DATA_TEXT) return;
    gsize size = 0;
    const auto* bytes = static_cast<const char*>(g_bytes_get_data(frame, &size));
    static_cast<WebSocketClient*>(data)->received_.emplace_back(bytes ? bytes : "", size);
  }
  static void Closed(SoupWebsocketConnection* connection, gpointer data) {
    auto* self = static_cast<WebSocketClient*>(data);
    self->closed_ = true;
    self->closeCode_ = soup_websocket_connection_get_close_code(connection);
  }
  static gboolean Wake(gpointer) { return G_SOURCE_REMOVE; }
};

WebSocketClient::WebSocketClient() : context_(g_main_context_new()) {
  const ContextScope scope(context_);
  session_ = soup_session_new();
}

WebSocketClient::~WebSocketClient() {
  {
    const ContextScope scope(context_);
    if (connection_) {
      g_signal_handlers_disconnect_by_data(connection_, this);
      g_object_unref(connection_);
    }
    g_object_unref(session_);
    // Let the session's sources finish before the context goes.
    while (g_main_context_iteration(context_, FALSE)) {
    }
  }
  g_main_context_unref(context_);
}

template <class Done>
bool WebSocketClient::RunUntil(Done done, std::chrono::milliseconds bound) {
  const auto deadline = std::chrono::steady_clock::now() + bound;
  while (!done()) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    GSource* wake = g_timeout_source_new(static_cast<guint>(left.count()));
    g_source_set_callback(wake, Callbacks::Wake, nullptr, nullptr);
    g_source_attach(wake, context_);
    g_main_context_iteration(context_, TRUE);
    g_source_destroy(wake);
    g_source_unref(wake);
  }
  return true;
}

bool WebSocketClient::Connect(const std::string& url, const char* origin, std::chrono::milliseconds bound) {
  const ContextScope scope(context_);
  SoupMessage* message = soup_message_new(SOUP_METHOD_GET, url.c_str());
  if (!message) return false;
  connecting_ = true;
  soup_session_websocket_connect_async(session_, message, origin, nullptr, G_PRIORITY_DEFAULT, nullptr,
                                       Callbacks::Connected, this);
  const bool answered = RunUntil([this] { return !connecting_; }, bound);
  status_ = soup_message_get_status(message);
  g_object_unref(message);
  return answered && connection_ != nullptr;
}

void WebSocketClient::Send(const std::string& text) {
  const ContextScope scope(context_);
  if (open()) soup_websocket_connection_send_text(connection_, text.c_str());
}

void WebSocketClient::SendBinary(const std::string& bytes) {
  const ContextScope scope(context_);
  if (open()) soup_websocket_connection_send_binary(connection_, bytes.data(), bytes.size());
}

std::optional<std::string> WebSocketClient::Receive(std::chrono::milliseconds bound) {
  const ContextScope scope(context_);
  RunUntil([this] { return !received_.empty() || closed_ || !connection_; }, bound);
  if (received_.empty()) return std::nullopt;
  std::string frame = std::move(received_.front());
  received_.pop_front();
  return frame;
}

int WebSocketClient::WaitClosed(std::chrono::milliseconds bound) {
  const ContextScope scope(context_);
  if (!connection_) return -1;
  return RunUntil([this] { return closed_; }, bound) ? closeCode_ : -1;
}

void WebSocketClient::Close() {
  {
    const ContextScope scope(context_);
    if (!open()) return;
    soup_websocket_connection_close(connection_, SOUP_WEBSOCKET_CLOSE_NORMAL, nullptr);
  }
  WaitClosed();
}

bool WebSocketClient::open() const {
  return connection_ && !closed_ &&
         soup_websocket_connection_get_state(connection_) == SOUP_WEBSOCKET_STATE_OPEN;
}

}  // namespace fotaro::test
