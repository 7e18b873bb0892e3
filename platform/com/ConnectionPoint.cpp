#include "platform/com/ConnectionPoint.h"

#include <algorithm>

#include "platform/com/Variant.h"

namespace platform::com {

HRESULT CConnectionPoint::QueryInterface(REFIID riid, void** ppvObject) {
  if (!ppvObject) return E_POINTER;
  *ppvObject = nullptr;
  if (!owner_.IsCurrent()) return RPC_E_WRONG_THREAD;
  if (riid != IID_IUnknown && riid != IID_IConnectionPoint) return E_NOINTERFACE;
  *ppvObject = static_cast<IConnectionPoint*>(this);
  AddRef();
  return S_OK;
}

HRESULT CConnectionPoint::GetConnectionInterface(IID* pIID) {
  if (!owner_.IsCurrent()) return RPC_E_WRONG_THREAD;
  if (!pIID) return E_POINTER;
  *pIID = iid_;
  return S_OK;
}

HRESULT CConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** ppCPC) {
  if (!owner_.IsCurrent()) return RPC_E_WRONG_THREAD;
  if (!ppCPC) return E_POINTER;
  container_.AddRef();
  *ppCPC = &container_;
  return S_OK;
}

HRESULT CConnectionPoint::Advise(IUnknown* pUnkSink, DWORD* pdwCookie) {
  if (!owner_.IsCurrent()) return RPC_E_WRONG_THREAD;
  if (!pdwCookie) return E_POINTER;
  *pdwCookie = 0;
  if (!pUnkSink) return E_POINTER;
  void* sink = nullptr;
  if (FAILED(pUnkSink->QueryInterface(iid_, &sink)) || !sink) {
    sink = nullptr;
    if (FAILED(pUnkSink->QueryInterface(IID_IDispatch, &sink)) || !sink) return CONNECT_E_CANNOTCONNECT;
  }
  if (++lastCookie_ == 0) ++lastCookie_;  // 0 is never a cookie
  connections_.push_back(Connection{lastCookie_, static_cast<IDispatch*>(sink)});
  *pdwCookie = lastCookie_;
  return S_OK;
}

HRESULT CConnectionPoint::Unadvise(DWORD dwCookie) {
  if (!owner_.IsCurrent()) return RPC_E_WRONG_THREAD;
  auto it = std::find_if(connections_.begin(), connections_.end(),
                         [dwCookie](const Connection& connection) { return connection.cookie == dwCookie; });
  if (it == connections_.end()) return CONNECT_E_NOCONNECTION;
  IDispatch* sink = it->sink;
  connections_.erase(it);
  sink->Release();  // last: the sink's release may call back into the connection point
  return S_OK;
}

HRESULT CConnectionPoint::EnumConnections(IEnumConnections** ppEnum) {
  if (ppEnum) *ppEnum = nullptr;
  return owner_.IsCurrent() ? E_NOTIMPL : RPC_E_WRONG_THREAD;
}

void CConnectionPoint::Fire(DISPID dispid, DISPPARAMS& params) {
  std::vector<DWORD> cookies;
  for (const Connection& connection : connections_) cookies.push_back(connection.cookie);
  for (const DWORD cookie : cookies) {
    auto it = std::find_if(connections_.begin(), connections_.end(),
                           [cookie](const Connection& connection) { return connection.cookie == cookie; });
    if (it == connections_.end()) continue;  // unadvised by an earlier sink
    IDispatch* sink = it->sink;
    sink->AddRef();  // the sink may unadvise itself while it handles the event
    sink->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
    sink->Release();
  }
}

void CConnectionPoint::Fire(DISPID dispid, std::initializer_list<EventArg> args) {
  std::vector<VARIANT> reversed;
  for (auto it = std::rbegin(args); it != std::rend(args); ++it) {
    reversed.push_back(it->isText ? BstrVariant(it->text) : I4Variant(it->number));
  }
  DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
  Fire(dispid, params);
  for (VARIANT& value : reversed) VariantClear(&value);
}

void CConnectionPoint::UnadviseAll() {
  std::vector<Connection> connections;
  connections.swap(connections_);
  for (const Connection& connection : connections) connection.sink->Release();
}

}  // namespace platform::com
