#include "platform/com/DispatchTable.h"

#include <vector>

#include "platform/AsciiFold.h"
#include "platform/com/Bstr.h"
#include "platform/com/Variant.h"

namespace platform::com {

namespace {

bool IsOut(ArgType type) { return type == ArgType::kOutI4 || type == ArgType::kOutBstr; }

// The arguments of one call: converted values, the BSTRs made for the call, and a value for an
// out argument that the caller left off.
class CallArgs {
 public:
  CallArgs() = default;
  ~CallArgs() { SysFreeString(resultBstr_); }
  CallArgs(const CallArgs&) = delete;
  CallArgs& operator=(const CallArgs&) = delete;

  const DispArg* data() const { return args_.data(); }

  // Converts `value` to argument `i` of `type`.
  HRESULT Set(size_t i, ArgType type, const VARIANT& value) {
    DispArg& arg = args_[i];
    switch (type) {
      case ArgType::kOutI4:
        if (value.vt != (VT_BYREF | VT_I4)) return DISP_E_TYPEMISMATCH;
        arg.outI4 = value.plVal;
        return S_OK;
      case ArgType::kOutBstr:
        if (value.vt != (VT_BYREF | VT_BSTR)) return DISP_E_TYPEMISMATCH;
        arg.outBstr = value.pbstrVal;
        return S_OK;
      case ArgType::kBstr:
        if (value.vt == VT_BSTR) {
          arg.bstr = value.bstrVal;  // the caller's own string, as COM passes it
          return S_OK;
        }
        break;
      default:
        break;
    }
    if (value.vt & VT_BYREF) return DISP_E_TYPEMISMATCH;
    const VARTYPE target = type == ArgType::kI4 ? VT_I4 : type == ArgType::kUI4 ? VT_UI4 : VT_BSTR;
    ScopedVariant converted;
    const HRESULT hr = VariantChangeType(converted.get(), &value, 0, target);
    if (FAILED(hr)) return hr;
    if (target == VT_I4) arg.i4 = converted->lVal;
    if (target == VT_UI4) arg.ui4 = converted->ulVal;
    if (target == VT_BSTR) {
      made_.emplace_back(converted->bstrVal);
      converted.get()->vt = VT_EMPTY;  // now owned by made_
      arg.bstr = made_.back().get();
    }
    return S_OK;
  }

  // Points out argument `i` of `type` at a value of this call's own.
  void SetResultSlot(size_t i, ArgType type) {
    if (type == ArgType::kOutI4) args_[i].outI4 = &resultI4_;
    if (type == ArgType::kOutBstr) args_[i].outBstr = &resultBstr_;
  }

  // Moves that value into `result` (VT_I4 or VT_BSTR).
  void TakeResult(ArgType type, VARIANT* result) {
    if (!result) return;
    VariantInit(result);
    if (type == ArgType::kOutI4) {
      result->vt = VT_I4;
      result->lVal = resultI4_;
    } else {
      result->vt = VT_BSTR;
      result->bstrVal = resultBstr_;
      resultBstr_ = nullptr;
    }
  }

 private:
  std::array<DispArg, kMaxDispArgs> args_{};
  std::vector<BstrPtr> made_;  // strings converted for this call
  int32_t resultI4_ = 0;
  BSTR resultBstr_ = nullptr;
};

}  // namespace

HRESULT DispatchTable::GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, DISPID* ids) const {
  if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
  if (count == 0) return S_OK;
  if (!names || !ids) return E_POINTER;
  HRESULT hr = S_OK;
  // Argument names are not known: every name after the first comes back unknown.
  for (UINT i = 1; i < count; ++i) {
    ids[i] = DISPID_UNKNOWN;
    hr = DISP_E_UNKNOWNNAME;
  }
  ids[0] = DISPID_UNKNOWN;
  if (!names[0]) return DISP_E_UNKNOWNNAME;
  for (const DispMember& member : *this) {
    if (EqualsFolded(member.name, names[0])) {
      ids[0] = member.dispid;
      return hr;
    }
  }
  return DISP_E_UNKNOWNNAME;
}

const DispMember* DispatchTable::Find(DISPID dispid, WORD flags, bool& found) const {
  found = false;
  const bool put = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
  for (const DispMember& member : *this) {
    if (member.dispid != dispid) continue;
    found = true;
    if (put ? member.kind == DISPATCH_PROPERTYPUT : (member.kind != DISPATCH_PROPERTYPUT && (flags & member.kind))) {
      return &member;
    }
  }
  return nullptr;
}

HRESULT DispatchTable::Invoke(void* object, DISPID dispid, REFIID riid, WORD flags, DISPPARAMS* params,
                              VARIANT* result, UINT* argError) const {
  if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
  if (!params || (params->cArgs && !params->rgvarg) || params->cNamedArgs > params->cArgs ||
      (params->cNamedArgs && !params->rgdispidNamedArgs)) {
    return E_INVALIDARG;
  }
  bool found = false;
  const DispMember* member = Find(dispid, flags, found);
  if (!member) return DISP_E_MEMBERNOTFOUND;

  // A property put names its value DISPID_PROPERTYPUT; nothing else takes named arguments.
  if (member->kind == DISPATCH_PROPERTYPUT) {
    if (params->cNamedArgs != 1) return params->cNamedArgs ? DISP_E_NONAMEDARGS : DISP_E_PARAMNOTFOUND;
    if (params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT) return DISP_E_PARAMNOTFOUND;
  } else if (params->cNamedArgs) {
    return DISP_E_NONAMEDARGS;
  }

  const size_t declared = member->argCount;
  const size_t given = params->cArgs;
  const bool lastAsResult = declared > 0 && given + 1 == declared && IsOut(member->args[declared - 1]);
  if (given != declared && !lastAsResult) return DISP_E_BADPARAMCOUNT;

  CallArgs args;
  for (size_t i = 0; i < given; ++i) {
    const size_t at = given - 1 - i;  // rgvarg holds the arguments last first
    const HRESULT hr = args.Set(i, member->args[i], params->rgvarg[at]);
    if (FAILED(hr)) {
      if (argError) *argError = static_cast<UINT>(at);
      return hr;
    }
  }
  if (lastAsResult) args.SetResultSlot(declared - 1, member->args[declared - 1]);

  const HRESULT hr = member->call(object, args.data());
  if (lastAsResult) {
    args.TakeResult(member->args[declared - 1], result);
  } else if (result) {
    VariantInit(result);
  }
  return hr;
}

}  // namespace platform::com
