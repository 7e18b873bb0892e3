#pragma once
// Component-layer helpers for tests: an event sink that records what it is sent, and the
// arguments of a dispatch call in the order a caller writes them.

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/com/ComObject.h"

namespace fotaro::test {

// A value an event or a call carries: a 32-bit integer or a text.
using ComValue = std::variant<int32_t, std::u16string>;

struct SinkEvent {
  DISPID dispid;
  std::vector<ComValue> args;  // in declared order
  bool operator==(const SinkEvent& other) const { return dispid == other.dispid && args == other.args; }
};

// An event sink: answers QueryInterface for IUnknown, IDispatch and `events`, records every
// Invoke (arguments turned back into declared order) and answers it with `answer`. Made with a
// reference count of 1.
class TestSink final : public IDispatch {
 public:
  explicit TestSink(const IID& events, HRESULT answer = S_OK) : events_(events), answer_(answer) {}

  HRESULT QueryInterface(REFIID riid, void** ppvObject) override;
  ULONG AddRef() override { return refs_.AddRef(); }
  ULONG Release() override;
  HRESULT GetTypeInfoCount(UINT* pctinfo) override;
  HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS* pDispParams,
                 VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) override;

  std::vector<SinkEvent> received;
  std::vector<DISPID> Ids() const;
  ULONG References() const { return refs_.Count(); }

 private:
  ~TestSink() = default;
  const IID events_;
  const HRESULT answer_;
  platform::com::RefCount refs_;
};

// The arguments of one dispatch call, written in declared order; they own their BSTRs.
class DispArgs {
 public:
  DispArgs() = default;
  ~DispArgs();
  DispArgs(const DispArgs&) = delete;
  DispArgs& operator=(const DispArgs&) = delete;

  DispArgs& I4(int32_t value);
  DispArgs& UI4(uint32_t value);
  DispArgs& Str(std::u16string_view text);
  DispArgs& NullStr();
  DispArgs& OutI4(int32_t* value);
  DispArgs& OutBstr(BSTR* value);
  // Any variant, which the arguments then own.
  DispArgs& Raw(const VARIANT& value);

  // The DISPPARAMS of the call (arguments reversed, as IDispatch has them).
  DISPPARAMS* Params();

 private:
  std::vector<VARIANT> values_;  // declared order
  std::vector<VARIANT> reversed_;
  DISPPARAMS params_{};
};

// Invokes the method `name` (found with GetIDsOfNames).
HRESULT CallMethod(IDispatch& target, std::u16string_view name, DispArgs& args, VARIANT* result = nullptr,
                   UINT* argError = nullptr);

// A text of `length` units.
std::u16string Text(size_t length);

}  // namespace fotaro::test
