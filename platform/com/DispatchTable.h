#pragma once
// DispatchTable: IDispatch for an interface described by a table of its members.
//
// Each member names a method, property get or property put of the interface with its DISPID; its
// argument types come from the member function's signature:
//
//   INT / LONG (int32_t)  UINT (uint32_t)  BSTR     in arguments
//   INT* / LONG*          BSTR*                     out arguments
//
//   constexpr DispMember kMembers[] = {
//       DispMethod<&IFotaroEx::SetFrame>(u"SetFrame", DISPID_SetFrame),
//       DispMethod<&IFotaroEx::get_PhotoCount>(u"PhotoCount", DISPID_PhotoCount, DISPATCH_PROPERTYGET),
//   };
//   DispatchTable table(kMembers);
//
// GetIDsOfNames matches names without regard to ASCII case. Invoke follows IDispatch's rules:
// arguments arrive reversed in rgvarg, a property put carries its value as the one named argument
// DISPID_PROPERTYPUT, in arguments are converted as VariantChangeType does (a BSTR argument is
// passed on as the caller's own BSTR, a converted one is freed after the call), and out arguments
// are passed by reference. A member's last out argument may also be left off: its value is then
// returned in pVarResult. The member's HRESULT is Invoke's result.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <utility>

#include "platform/com/ComTypes.h"

namespace platform::com {

enum class ArgType : uint8_t { kI4, kUI4, kBstr, kOutI4, kOutBstr };

// One converted argument, as the member function receives it.
struct DispArg {
  int32_t i4 = 0;
  uint32_t ui4 = 0;
  BSTR bstr = nullptr;
  int32_t* outI4 = nullptr;
  BSTR* outBstr = nullptr;
};

template <class T>
struct DispArgTraits;
template <>
struct DispArgTraits<int32_t> {
  static constexpr ArgType kType = ArgType::kI4;
  static int32_t Get(const DispArg& arg) { return arg.i4; }
};
template <>
struct DispArgTraits<uint32_t> {
  static constexpr ArgType kType = ArgType::kUI4;
  static uint32_t Get(const DispArg& arg) { return arg.ui4; }
};
template <>
struct DispArgTraits<BSTR> {
  static constexpr ArgType kType = ArgType::kBstr;
  static BSTR Get(const DispArg& arg) { return arg.bstr; }
};
template <>
struct DispArgTraits<int32_t*> {
  static constexpr ArgType kType = ArgType::kOutI4;
  static int32_t* Get(const DispArg& arg) { return arg.outI4; }
};
template <>
struct DispArgTraits<BSTR*> {
  static constexpr ArgType kType = ArgType::kOutBstr;
  static BSTR* Get(const DispArg& arg) { return arg.outBstr; }
};

constexpr size_t kMaxDispArgs = 9;

struct DispMember {
  std::u16string_view name;
  DISPID dispid;
  WORD kind;  // DISPATCH_METHOD, DISPATCH_PROPERTYGET or DISPATCH_PROPERTYPUT
  uint8_t argCount;
  std::array<ArgType, kMaxDispArgs> args;
  // Calls the member on `object` (a pointer to the interface) with the converted arguments.
  HRESULT (*call)(void* object, const DispArg* args);
};

namespace detail {
template <auto Method>
struct MethodThunk;
template <class C, class... A, HRESULT (C::*Method)(A...)>
struct MethodThunk<Method> {
  static_assert(sizeof...(A) <= kMaxDispArgs, "too many arguments for a dispatch member");
  static HRESULT Call(void* object, const DispArg* args) {
    return CallWith(static_cast<C*>(object), args, std::index_sequence_for<A...>{});
  }
  template <size_t... I>
  static HRESULT CallWith(C* object, const DispArg* args, std::index_sequence<I...>) {
    (void)args;
    return (object->*Method)(DispArgTraits<A>::Get(args[I])...);
  }
  static constexpr std::array<ArgType, kMaxDispArgs> Types() {
    std::array<ArgType, kMaxDispArgs> types{};
    size_t i = 0;
    ((types[i++] = DispArgTraits<A>::kType), ...);
    (void)i;
    return types;
  }
  static constexpr uint8_t kCount = sizeof...(A);
};
}  // namespace detail

template <auto Method>
constexpr DispMember DispMethod(std::u16string_view name, DISPID dispid, WORD kind = DISPATCH_METHOD) {
  using Thunk = detail::MethodThunk<Method>;
  return DispMember{name, dispid, kind, Thunk::kCount, Thunk::Types(), &Thunk::Call};
}

class DispatchTable {
 public:
  template <size_t N>
  explicit constexpr DispatchTable(const DispMember (&members)[N]) : members_(members), count_(N) {}

  const DispMember* begin() const { return members_; }
  const DispMember* end() const { return members_ + count_; }
  size_t size() const { return count_; }

  HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, DISPID* ids) const;
  // `object` is the interface pointer the members are called on.
  HRESULT Invoke(void* object, DISPID dispid, REFIID riid, WORD flags, DISPPARAMS* params, VARIANT* result,
                 UINT* argError) const;

 private:
  // The member of `dispid` that answers `flags`; null (with `found` telling whether the DISPID
  // exists at all) when there is none.
  const DispMember* Find(DISPID dispid, WORD flags, bool& found) const;

  const DispMember* members_;
  size_t count_;
};

}  // namespace platform::com
