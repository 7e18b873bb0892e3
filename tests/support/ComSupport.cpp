#include "tests/support/ComSupport.h"

#include "platform/com/Bstr.h"
#include "platform/com/Variant.h"

namespace fotaro::test {

HRESULT TestSink::QueryInterface(REFIID riid, void** ppvObject) {
  if (!ppvObject) return E_POINTER;
  *ppvObject = nullptr;
  if (riid != IID_IUnknown && riid != IID_IDispatch && riid != events_) return E_NOINTERFACE;
  *ppvObject = static_cast<IDispatch*>(this);
  AddRef();
  return S_OK;
}

ULONG TestSink::Release() {
  const ULONG count = refs_.Release();
  if (count == 0) delete this;
  return count;
}

HRESULT TestSink::GetTypeInfoCount(UINT* pctinfo) {
  *pctinfo = 0;
  return S_OK;
}

HRESULT TestSink::Invoke(DISPID dispIdMember, REFIID, LCID, WORD, DISPPARAMS* pDispParams, VARIANT*, EXCEPINFO*,
                         UINT*) {
  SinkEvent event{dispIdMember, {}};
  for (UINT i = pDispParams->cArgs; i-- > 0;) {
    const VARIANT& value = pDispParams->rgvarg[i];
    if (value.vt == VT_BSTR) {
      event.args.emplace_back(platform::com::BstrText(value.bstrVal));
    } else {
      event.args.emplace_back(static_cast<int32_t>(value.lVal));
    }
  }
  received.push_back(std::move(event));
  return answer_;
}

std::vector<DISPID> TestSink::Ids() const {
  std::vector<DISPID> ids;
  for (const SinkEvent& event : received) ids.push_back(event.dispid);
  return ids;
}

DispArgs::~DispArgs() {
  for (VARIANT& value : values_) VariantClear(&value);
}

DispArgs& DispArgs::I4(int32_t value) { return Raw(platform::com::I4Variant(value)); }

namespace {
// An empty variant of type `vt`.
VARIANT Typed(VARTYPE vt) {
  VARIANT variant;
  VariantInit(&variant);
  variant.vt = vt;
  return variant;
}
}  // namespace

DispArgs& DispArgs::UI4(uint32_t value) {
  VARIANT variant = Typed(VT_UI4);
  variant.ulVal = value;
  return Raw(variant);
}

DispArgs& DispArgs::Str(std::u16string_view text) { return Raw(platform::com::BstrVariant(text)); }

DispArgs& DispArgs::NullStr() { return Raw(Typed(VT_BSTR)); }

DispArgs& DispArgs::OutI4(int32_t* value) {
  VARIANT variant = Typed(VT_BYREF | VT_I4);
  variant.plVal = value;
  return Raw(variant);
}

DispArgs& DispArgs::OutBstr(BSTR* value) {
  VARIANT variant = Typed(VT_BYREF | VT_BSTR);
  variant.pbstrVal = value;
  return Raw(variant);
}

DispArgs& DispArgs::Raw(const VARIANT& value) {
  values_.push_back(value);
  return *this;
}

DISPPARAMS* DispArgs::Params() {
  reversed_.assign(values_.rbegin(), values_.rend());
  params_ = DISPPARAMS{reversed_.data(), nullptr, static_cast<UINT>(reversed_.size()), 0};
  return &params_;
}

HRESULT CallMethod(IDispatch& target, std::u16string_view name, DispArgs& args, VARIANT* result, UINT* argError) {
  std::u16string text(name);
  LPOLESTR names[] = {text.data()};
  DISPID dispid = DISPID_UNKNOWN;
  const HRESULT found = target.GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &dispid);
  if (FAILED(found)) return found;
  return target.Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, args.Params(), result, nullptr,
                       argError);
}

std::u16string Text(size_t length) { return std::u16string(length, u'x'); }

}  // namespace fotaro::test
