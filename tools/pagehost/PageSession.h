#pragma once
// PageSession: one page's connection to the host, with the page's control and the wire protocol.
//
// The page speaks in JSON text frames (the README's "The page host" documents them):
//
//   page -> host   {"op":"create","params":{NAME: VALUE, ...}}
//                  {"op":"call","id":N,"name":METHOD,"args":[...]}      "put":true for a property put
//   host -> page   {"op":"created"}
//                  {"op":"return","id":N,"hr":HR,"value":V}             "value" when the call has one
//                  {"op":"event","name":EVENT,"args":[...]}
//                  {"op":"error","id":N,"message":TEXT,"hr":HR}         "id" and "hr" when known
//
// A session is made for a WebSocket handshake; Open makes its control and gives it the page's
// origin, which the control's site lock must admit. Calls go through GetIDsOfNames and Invoke;
// the control's events reach the page in the order they are fired. Closing the session destroys
// the control. Everything runs on the thread of the GLib main loop, which is the control's
// thread; a call may run a nested loop (a message box): a session closed meanwhile destroys the
// control's window at once, which ends the question, and lets the control go when the call has
// returned.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "ControlLibrary.h"
#include "VariantJson.h"

namespace fotaro::pagehost {

class PageEventSink;

class PageSession : public std::enable_shared_from_this<PageSession> {
 public:
  using Sender = std::function<void(const std::string& frame)>;

  // The largest frame a page may send, and how deep its JSON may nest.
  static constexpr size_t kMaxFrameBytes = 64 * 1024;
  static constexpr int kMaxDepth = 8;
  // The most arguments a call may carry (the control's methods take at most nine).
  static constexpr size_t kMaxArgs = 16;

  // `origin` is the page's (the handshake's Origin); its window appears at (x, y).
  PageSession(const ControlLibrary& library, std::string origin, int x, int y);
  ~PageSession();
  PageSession(const PageSession&) = delete;
  PageSession& operator=(const PageSession&) = delete;

  // Makes the page's control and gives it the page's origin. S_OK when the site lock admits the
  // page; E_ACCESSDENIED when it does not, and then no control is kept; another failure when the
  // library could not make one.
  HRESULT Open();
  // Where answers and events go; until then they are dropped.
  void SetSender(Sender sender) { m_sender = std::move(sender); }
  // Handles one text frame of the page (a session held by a shared_ptr).
  void Receive(std::string_view frame);
  // Answers a frame the host does not take (a binary one) with an error.
  void Refuse(const std::string& why) { SendError(nullptr, why); }
  // Destroys the control: at once, or when the call in progress has returned. Idempotent.
  void Close();

  const std::string& origin() const { return m_origin; }

 private:
  // Counts the calls into the control in progress; the outermost one to end finishes a Close
  // that came meanwhile.
  class CallScope;

  void Create(const Json& message);
  void Call(const Json& message);
  void Send(const Json& message);
  void SendError(const Json* id, const std::string& text, std::optional<HRESULT> hr = std::nullopt);
  void OnEvent(const char* name, Json args);
  void ReleaseControl();

  const ControlLibrary& m_library;
  const std::string m_origin;
  const int m_x;
  const int m_y;
  Sender m_sender;

  IUnknown* m_control = nullptr;
  IDispatch* m_dispatch = nullptr;
  IFotaroExHost* m_host = nullptr;
  IConnectionPoint* m_events = nullptr;
  PageEventSink* m_sink = nullptr;
  DWORD m_cookie = 0;
  bool m_created = false;
  int m_callDepth = 0;
  bool m_closePending = false;
};

}  // namespace fotaro::pagehost
