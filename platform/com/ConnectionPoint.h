#pragma once
// CConnectionPoint: the connection point of one outgoing dispatch interface of an object (its
// container). Sinks are kept in connection order with their cookies; firing an event invokes it
// on every sink in that order.
//
// The connection point is a part of its container: it shares the container's reference count
// and thread, and the container releases every sink (UnadviseAll) before it goes.

#include <cstddef>
#include <vector>

#include "platform/com/ComObject.h"

namespace platform::com {

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
