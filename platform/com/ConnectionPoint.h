#pragma once
// CConnectionPoint: the connection point of one outgoing dispatch interface of an object (its
// container). Sinks are kept in connection order with their cookies; firing an event invokes it
// on every sink in that order.
//
// The connection point is a part of its container: it shares the container's reference count
// and thread, and the container releases every sink (UnadviseAll) before it goes.

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "platform/com/ComObject.h"

namespace platform::com {

// One argument of an event: a 32-bit integer (sent as VT_I4) or a text (sent as a new VT_BSTR).
struct EventArg {
  // Implicit, so that an event reads Fire(id, {size, count}).
  EventArg(int32_t value) : number(value) {}
  EventArg(std::u16string_view value) : isText(true), text(value) {}
  EventArg(const std::u16string& value) : isText(true), text(value) {}
  EventArg(const char16_t* value) : isText(true), text(value) {}
  bool isText = false;
  int32_t number = 0;
  std::u16string_view text;
};

class CConnectionPoint : public IConnectionPoint {
 public:
  // `container` and `owner` outlive the connection point.
  CConnectionPoint(IConnectionPointContainer& container, const IID& iid, const OwnerThread& owner)
      : container_(container), iid_(iid), owner_(owner) {}
  ~CConnectionPoint() { UnadviseAll(); }
  CConnectionPoint(const CConnectionPoint&) = delete;
  CConnectionPoint& operator=(const CConnectionPoint&) = delete;

  // IUnknown (the container's count)
  HRESULT QueryInterface(REFIID riid, void** ppvObject) override;
  ULONG AddRef() override { return container_.AddRef(); }
  ULONG Release() override { return container_.Release(); }
  // IConnectionPoint
  HRESULT GetConnectionInterface(IID* pIID) override;
  HRESULT GetConnectionPointContainer(IConnectionPointContainer** ppCPC) override;
  // The sink is asked for the connection's interface, else for IDispatch
  // (CONNECT_E_CANNOTCONNECT when it answers neither).
  HRESULT Advise(IUnknown* pUnkSink, DWORD* pdwCookie) override;
  HRESULT Unadvise(DWORD dwCookie) override;
  HRESULT EnumConnections(IEnumConnections** ppEnum) override;

  // Invokes `dispid` as a method with `params` on every sink connected now, in connection order,
  // with the user-default locale and no result or exception record. A failing sink does not stop
  // the others; a sink that an earlier one unadvised is skipped.
  void Fire(DISPID dispid, DISPPARAMS& params);
  // The same with `args` in their declared order (they reach the sinks reversed in rgvarg, as
  // IDispatch has them); the texts are freed after the last sink.
  void Fire(DISPID dispid, std::initializer_list<EventArg> args);
  void UnadviseAll();
  size_t ConnectionCount() const { return connections_.size(); }
  const IID& iid() const { return iid_; }

 private:
  struct Connection {
    DWORD cookie;
    IDispatch* sink;  // one reference
  };

  IConnectionPointContainer& container_;
  const IID iid_;
  const OwnerThread& owner_;
  std::vector<Connection> connections_;
  DWORD lastCookie_ = 0;
};

}  // namespace platform::com
