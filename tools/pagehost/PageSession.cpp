#include "PageSession.h"

#include <algorithm>

#include "PageEventSink.h"
#include "PagePropertyBag.h"
#include "Utf.h"
#include "VariantJson.h"

namespace fotaro::pagehost {

namespace {

// The size of the page's window: the frame's size from the parameters, else a usual one.
constexpr LONG kDefaultWidth = 640;
constexpr LONG kDefaultHeight = 480;
constexpr LONG kMaxSide = 8192;
// The longest method name a call may give (the longest real one has 19 characters).
constexpr size_t kMaxNameLength = 64;

// The positive number the bag holds under `name`, or `fallback`.
LONG SideFromBag(IPropertyBag& bag, const ControlLibrary& library, const char16_t* name, LONG fallback) {
  VARIANT value;
  library.InitVariant(&value);
  LONG side = fallback;
  if (SUCCEEDED(bag.Read(name, &value, nullptr))) {
    if (value.vt == VT_I4 && value.lVal > 0) side = std::min(value.lVal, kMaxSide);
    if (value.vt == VT_UI4 && value.ulVal > 0) side = kMaxSide;
  }
  library.ClearVariant(&value);
  return side;
}

// The page's JSON; a discarded value, with the reason in `problem`, for a frame that is not JSON
// or nests too deep.
Json Parse(std::string_view frame, std::string& problem) {
  bool tooDeep = false;
  Json::parser_callback_t limit = [&tooDeep](int depth, Json::parse_event_t, Json&) {
    if (depth > PageSession::kMaxDepth) tooDeep = true;
    return !tooDeep;
  };
  Json message = Json::parse(frame.begin(), frame.end(), limit, /*allow_exceptions=*/false);
  if (tooDeep) {
    problem = "a message may nest at most " + std::to_string(PageSession::kMaxDepth) + " deep";
    return Json(Json::value_t::discarded);
  }
  if (message.is_discarded()) problem = "a frame must be JSON text";
  return message;
}

}  // namespace

class PageSession::CallScope {
 public:
  explicit CallScope(PageSession& session) : m_session(session) { ++m_session.m_callDepth; }
  ~CallScope() {
    if (--m_session.m_callDepth == 0 && m_session.m_closePending) m_session.ReleaseControl();
  }
  CallScope(const CallScope&) = delete;
  CallScope& operator=(const CallScope&) = delete;

 private:
  PageSession& m_session;
};

PageSession::PageSession(const ControlLibrary& library, std::string origin, int x, int y)
    : m_library(library), m_origin(std::move(origin)), m_x(x), m_y(y) {}

PageSession::~PageSession() { ReleaseControl(); }

HRESULT PageSession::Open() {
  if (m_control) return S_OK;
  HRESULT hr = m_library.CreateControl(&m_control);
  if (SUCCEEDED(hr)) hr = m_control->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&m_dispatch));
  if (SUCCEEDED(hr)) hr = m_control->QueryInterface(IID_IFotaroExHost, reinterpret_cast<void**>(&m_host));
  if (SUCCEEDED(hr)) {
    const LibraryBstr url(m_library, Utf16FromUtf8(m_origin));
    hr = m_host->SetPageUrl(url.get());
  }
  IConnectionPointContainer* container = nullptr;
  if (SUCCEEDED(hr)) {
    hr = m_control->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container));
  }
  if (SUCCEEDED(hr)) hr = container->FindConnectionPoint(DIID__IFotaroExEvents, &m_events);
  if (container) container->Release();
  if (SUCCEEDED(hr)) {
    m_sink = new PageEventSink(m_library, [this](const char* name, Json args) { OnEvent(name, std::move(args)); });
    hr = m_events->Advise(m_sink, &m_cookie);
  }
  if (FAILED(hr)) ReleaseControl();
  return hr;
}

void PageSession::Receive(std::string_view frame) {
  const std::shared_ptr<PageSession> self = shared_from_this();
  if (!m_control || m_closePending) return SendError(nullptr, "the page's control is closed");
  if (frame.size() > kMaxFrameBytes) {
    return SendError(nullptr, "a frame may hold at most " + std::to_string(kMaxFrameBytes) + " bytes");
  }
  std::string problem;
  const Json message = Parse(frame, problem);
  if (message.is_discarded()) return SendError(nullptr, problem);
  if (!message.is_object()) return SendError(nullptr, "a message must be a JSON object");
  const auto op = message.find("op");
  if (op == message.end() || !op->is_string()) return SendError(nullptr, "a message needs \"op\", a string");
  if (*op == "create") return Create(message);
  if (*op == "call") return Call(message);
  const auto id = message.find("id");
  SendError(id == message.end() ? nullptr : &*id, "unknown op \"" + op->get<std::string>() + "\"");
}

void PageSession::Create(const Json& message) {
  if (m_created) return SendError(nullptr, "the page's control exists already");
  const auto params = message.find("params");
  std::string problem;
  PagePropertyBag* bag = PagePropertyBag::Create(params == message.end() ? Json::object() : *params, m_library, problem);
  if (!bag) return SendError(nullptr, problem);

  const CallScope scope(*this);
  IPersistPropertyBag* persist = nullptr;
  HRESULT hr = m_control->QueryInterface(IID_IPersistPropertyBag, reinterpret_cast<void**>(&persist));
  if (SUCCEEDED(hr)) hr = persist->Load(bag, nullptr);
  if (persist) persist->Release();
  const LONG width = SideFromBag(*bag, m_library, u"EditMaxWidth", kDefaultWidth);
  const LONG height = SideFromBag(*bag, m_library, u"EditMaxHeight", kDefaultHeight);
  bag->Release();
  if (FAILED(hr)) return SendError(nullptr, "the control did not take the parameters", hr);

  // The page's origin names the window of its control.
  const LibraryBstr title(m_library, Utf16FromUtf8(m_origin));
  hr = m_host->CreateControlWindow(m_x, m_y, width, height, title.get());
  if (FAILED(hr)) return SendError(nullptr, "the control's window could not be made", hr);
  m_created = true;
  Send({{"op", "created"}});
}

void PageSession::Call(const Json& message) {
  const auto idAt = message.find("id");
  if (idAt == message.end() || !idAt->is_number_integer()) {
    return SendError(nullptr, "a call needs \"id\", a whole number");
  }
  const Json& id = *idAt;
  if (!m_created) return SendError(&id, "the page has no control yet: create it first");
  const auto name = message.find("name");
  if (name == message.end() || !name->is_string() || name->get_ref<const std::string&>().empty() ||
      name->get_ref<const std::string&>().size() > kMaxNameLength) {
    return SendError(&id, "a call needs \"name\", the name of a method");
  }
  const auto put = message.find("put");
  if (put != message.end() && !put->is_boolean()) return SendError(&id, "\"put\" must be true or false");
  const bool isPut = put != message.end() && put->get<bool>();
  const auto argsAt = message.find("args");
  const Json noArgs = Json::array();
  const Json& args = argsAt == message.end() ? noArgs : *argsAt;
  if (!args.is_array()) return SendError(&id, "\"args\" must be an array");
  if (args.size() > kMaxArgs) return SendError(&id, "a call takes at most " + std::to_string(kMaxArgs) + " arguments");

  VariantList values(m_library);
  for (size_t i = 0; i < args.size(); ++i) {
    std::string problem;
    if (!values.Append(args[i], problem)) return SendError(&id, "argument " + std::to_string(i + 1) + ": " + problem);
  }
  values.Reverse();  // DISPPARAMS holds the last argument first

  const CallScope scope(*this);
  std::u16string wideName = Utf16FromUtf8(name->get_ref<const std::string&>());
  LPOLESTR names[] = {wideName.data()};
  DISPID dispid = DISPID_UNKNOWN;
  HRESULT hr = m_dispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &dispid);
  std::optional<Json> value;
  if (SUCCEEDED(hr)) {
    DISPID putId = DISPID_PROPERTYPUT;
    DISPPARAMS params{values.data(), isPut ? &putId : nullptr, static_cast<UINT>(values.size()), isPut ? 1u : 0u};
    // As script engines do, a call is a method call or a property get.
    const WORD flags = isPut ? DISPATCH_PROPERTYPUT : DISPATCH_METHOD | DISPATCH_PROPERTYGET;
    VARIANT result;
    m_library.InitVariant(&result);
    hr = m_dispatch->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, &result, nullptr, nullptr);
    value = VariantToJson(result, m_library);
    m_library.ClearVariant(&result);
  }
  Json answer = {{"op", "return"}, {"id", id}, {"hr", hr}};
  if (value) answer["value"] = std::move(*value);
  Send(answer);
}

void PageSession::OnEvent(const char* name, Json args) {
  Send({{"op", "event"}, {"name", name}, {"args", std::move(args)}});
}

void PageSession::Send(const Json& message) {
  if (m_sender) m_sender(message.dump(-1, ' ', false, Json::error_handler_t::replace));
}

void PageSession::SendError(const Json* id, const std::string& text, std::optional<HRESULT> hr) {
  Json message = {{"op", "error"}};
  if (id) message["id"] = *id;
  message["message"] = text;
  if (hr) message["hr"] = *hr;
  Send(message);
}

void PageSession::Close() {
  if (m_callDepth > 0) {
    // A call is still running and may be waiting on a question the control asks: the control's
    // window goes now, which ends every such question, and the control itself once the call returns.
    m_closePending = true;
    if (m_host) m_host->DestroyControlWindow();
    return;
  }
  ReleaseControl();
}

void PageSession::ReleaseControl() {
  m_closePending = false;
  m_sender = nullptr;
  if (m_events) {
    if (m_cookie) m_events->Unadvise(m_cookie);
    m_events->Release();
    m_events = nullptr;
  }
  if (m_sink) {
    m_sink->Detach();
    m_sink->Release();
    m_sink = nullptr;
  }
  if (m_host) {
    m_host->DestroyControlWindow();
    m_host->Release();
    m_host = nullptr;
  }
  if (m_dispatch) m_dispatch->Release();
  if (m_control) m_control->Release();
  m_dispatch = nullptr;
  m_control = nullptr;
  m_created = false;
}

}  // namespace fotaro::pagehost
