#pragma once
// A WebSocket client for tests (libsoup 3). It runs a GLib main context of its own, and only
// inside its own calls, so that a test drives it from its thread and several clients in one test
// never run each other's callbacks. Every wait is bounded.

#include <chrono>
#include <deque>
#include <optional>
#include <string>

typedef struct _GMainContext GMainContext;
typedef struct _SoupSession SoupSession;
typedef struct _SoupWebsocketConnection SoupWebsocketConnection;

namespace fotaro::test {

class WebSocketClient {
 public:
  WebSocketClient();
  ~WebSocketClient();
  WebSocketClient(const WebSocketClient&) = delete;
  WebSocketClient& operator=(const WebSocketClient&) = delete;

  // Opens the connection (`origin` null: the handshake has no Origin). True when the server
  // switched protocols; else status() tells the handshake's HTTP status (0 for none).
  bool Connect(const std::string& url, const char* origin, std::chrono::milliseconds bound = std::chrono::seconds(20));
  unsigned status() const { return status_; }

  void Send(const std::string& text);
  void SendBinary(const std::string& bytes);
  // The next text frame that arrives, or nothing when none did within `bound` or the connection
  // closed.
  std::optional<std::string> Receive(std::chrono::milliseconds bound = std::chrono::seconds(20));
  // Waits until the connection has closed: the close code the server gave, or -1 when it did not
  // close within `bound`.
  int WaitClosed(std::chrono::milliseconds bound = std::chrono::seconds(20));
  // Closes the connection from this side and waits until it is closed.
  void Close();
  bool open() const;

 private:
  struct Callbacks;
  class ContextScope;
  // Runs the context until `done` holds; false when `bound` ran out first.
  template <class Done>
  bool RunUntil(Done done, std::chrono::milliseconds bound);

  GMainContext* context_ = nullptr;
  SoupSession* session_ = nullptr;
  SoupWebsocketConnection* connection_ = nullptr;
  unsigned status_ = 0;
  bool connecting_ = false;
  bool closed_ = false;
  int closeCode_ = -1;
  std::deque<std::string> received_;
};

}  // namespace fotaro::test
