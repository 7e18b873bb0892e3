#pragma once
// PageHost: the page host's HTTP and WebSocket server on 127.0.0.1 (libsoup 3, on the GLib main
// loop of the thread that makes it, which is also the thread of every page's control).
//
//   GET /fotaro.js   the page-side script (FotaroScript.h)
//   /control         the WebSocket of one page: one PageSession, one control
//
// Every request must name the host as the address it reached (RequestRules.h: IsOwnHost). A
// handshake needs an http or https Origin that the control's site lock admits; otherwise it is
// answered 403 and no control is kept. Pages are isolated: each connection reaches only its own
// session, and closing it destroys that page's control. Frames of more than
// PageSession::kMaxFrameBytes close the connection (1009, message too big).

#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "ControlLibrary.h"

typedef struct _SoupServer SoupServer;
typedef struct _SoupServerMessage SoupServerMessage;
typedef struct _SoupWebsocketConnection SoupWebsocketConnection;

namespace fotaro::pagehost {

class FrameQueue;

class PageHost {
 public:
  // `report` receives a line for every page that comes, is refused or goes.
  PageHost(const ControlLibrary& library, std::function<void(const std::string&)> report);
  // Closes every page, destroying its control, and stops listening.
  ~PageHost();
  PageHost(const PageHost&) = delete;
  PageHost& operator=(const PageHost&) = delete;

  // Listens on 127.0.0.1:port (0: any free port). False, with the reason in `error`, when it
  // cannot.
  bool Listen(int port, std::string& error);
  int port() const { return m_port; }
  // "http://127.0.0.1:PORT"
  std::string Url() const;
  // The pages connected now.
  size_t PageCount() const { return m_pages.size(); }
  // Closes every page, destroying its control; a question a control is asking ends with it.
  void CloseAll();

 private:
  friend struct PageHostCallbacks;  // libsoup's callbacks, which call the members below

  // Answers 403 with `why` (and reports it) unless the request names the host itself.
  bool CheckHost(SoupServerMessage* message);
  void Refuse(SoupServerMessage* message, const std::string& why);
  void ServeScript(SoupServerMessage* message);
  void CheckHandshake(SoupServerMessage* message);
  void Connect(SoupServerMessage* message, SoupWebsocketConnection* connection);
  void Disconnect(SoupWebsocketConnection* connection);

  const ControlLibrary& m_library;
  const std::function<void(const std::string&)> m_report;
  SoupServer* m_server = nullptr;
  int m_port = 0;
  int m_windowsMade = 0;  // places each new page's window a step from the last one's
  std::map<SoupWebsocketConnection*, std::shared_ptr<FrameQueue>> m_pages;  // holds a reference on each connection
};

}  // namespace fotaro::pagehost
