#pragma once
// PageEventSink: the sink a page's control fires its events on (_IFotaroExEvents). Each event
// becomes one call of the sink's handler with the event's name and its arguments in their
// declared order (the control passes them reversed), as JSON.

#include <functional>
#include <string>

#include "ControlLibrary.h"
#include "ReferenceCount.h"
#include "VariantJson.h"

namespace fotaro::pagehost {

// The name of the event of `dispid` ("OnSink_AxInited"), or null for a DISPID that is no event.
const char* EventName(DISPID dispid);

class PageEventSink final : public IDispatch, public ReferenceCount<PageEventSink> {
 public:
  using Handler = std::function<void(const char* name, Json args)>;

  // Made with one reference, which belongs to the caller.
  PageEventSink(const ControlLibrary& library, Handler handler) : m_library(library), m_handler(std::move(handler)) {}

  // No further event reaches the handler (the control may still hold the sink for a while).
  void Detach() { m_handler = nullptr; }

  HRESULT QueryInterface(REFIID riid, void** object) override;
  ULONG AddRef() override { return ReferenceCount::AddRef(); }
  ULONG Release() override { return ReferenceCount::Release(); }
  HRESULT GetTypeInfoCount(UINT* count) override;
  HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT Invoke(DISPID dispid, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                 EXCEPINFO* exception, UINT* argError) override;

 private:
  friend class ReferenceCount<PageEventSink>;
  ~PageEventSink() = default;

  const ControlLibrary& m_library;
  Handler m_handler;
};

}  // namespace fotaro::pagehost
