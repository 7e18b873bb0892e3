#include <gtest/gtest.h>

#include "platform/com/Bstr.h"
#include "platform/com/ConnectionPoint.h"
#include "platform/com/DispatchTable.h"
#include "platform/com/Variant.h"
#include "tests/support/ComSupport.h"

using namespace platform::com;
using fotaro::test::ComValue;
using fotaro::test::DispArgs;
using fotaro::test::SinkEvent;
using fotaro::test::TestSink;

namespace {

// An interface of the tests: what its members were called with.
struct Recorder {
  HRESULT Mix(INT count, UINT size, BSTR name) {
    calls.push_back({count, static_cast<int32_t>(size), name ? std::u16string(name) : u"(null)"});
    return name ? S_OK : E_INVALIDARG;
  }
  HRESULT Key(BSTR* key) {
    if (!key || *key) return E_INVALIDARG;
    *key = SysAllocString(u"secret");
    return S_OK;
  }
  HRESULT GetCount(LONG* count) {
    *count = stored;
    return S_OK;
  }
  HRESULT PutCount(LONG count) {
    stored = count;
    return S_OK;
  }
  std::vector<std::vector<ComValue>> calls;
  LONG stored = 3;
};

constexpr DispMember kMembers[] = {
    DispMethod<&Recorder::Mix>(u"Mix", 1),
    DispMethod<&Recorder::Key>(u"Key", 2),
    DispMethod<&Recorder::GetCount>(u"Count", 3, DISPATCH_PROPERTYGET),
    DispMethod<&Recorder::PutCount>(u"Count", 3, DISPATCH_PROPERTYPUT),
};
constexpr DispatchTable kTable(kMembers);

class DispatchTableTest : public ::testing::Test {
 protected:
  HRESULT Invoke(DISPID id, DispArgs& args, WORD flags = DISPATCH_METHOD, VARIANT* result = nullptr) {
    argError_ = 99;
    return kTable.Invoke(&recorder_, id, IID_NULL, flags, args.Params(), result, &argError_);
  }
  Recorder recorder_;
  UINT argError_ = 99;
};

TEST_F(DispatchTableTest, NamesMatchWithoutCaseAndArgumentNamesAreUnknown) {
  std::u16string mix = u"mIX", other = u"Count", argument = u"size", missing = u"Nothing";
  LPOLESTR names[] = {mix.data(), argument.data()};
  DISPID ids[2] = {0, 0};
  EXPECT_EQ(kTable.GetIDsOfNames(IID_NULL, names, 1, ids), S_OK);
  EXPECT_EQ(ids[0], 1);
  EXPECT_EQ(kTable.GetIDsOfNames(IID_NULL, names, 2, ids), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(ids[0], 1);
  EXPECT_EQ(ids[1], DISPID_UNKNOWN);
  names[0] = other.data();
  EXPECT_EQ(kTable.GetIDsOfNames(IID_NULL, names, 1, ids), S_OK);
  EXPECT_EQ(ids[0], 3);
  names[0] = missing.data();
  EXPECT_EQ(kTable.GetIDsOfNames(IID_NULL, names, 1, ids), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(ids[0], DISPID_UNKNOWN);
  EXPECT_EQ(kTable.GetIDsOfNames(IID_IDispatch, names, 1, ids), DISP_E_UNKNOWNINTERFACE);
}

TEST_F(DispatchTableTest, ArgumentsArriveInDeclaredOrderConvertedToTheirTypes) {
  DispArgs args;
  args.Str(u"12").I4(400).I4(-5);  // converted: count from text, size from a number, name from a number
  EXPECT_EQ(Invoke(1, args), S_OK);
  DispArgs nullName;
  nullName.I4(1).UI4(2).NullStr();
  EXPECT_EQ(Invoke(1, nullName), E_INVALIDARG);  // the member's own result
  ASSERT_EQ(recorder_.calls.size(), 2u);
  EXPECT_EQ(recorder_.calls[0], (std::vector<ComValue>{12, 400, u"-5"}));
  EXPECT_EQ(recorder_.calls[1], (std::vector<ComValue>{1, 2, u"(null)"}));
}

TEST_F(DispatchTableTest, CallsThatDoNotFitAreRefusedBeforeTheMemberRuns) {
  DispArgs two;
  two.I4(1).I4(2);
  EXPECT_EQ(Invoke(1, two), DISP_E_BADPARAMCOUNT);
  DispArgs word;
  word.Str(u"many").I4(2).Str(u"x");
  EXPECT_EQ(Invoke(1, word), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(argError_, 2u);  // the first argument sits last in rgvarg
  DispArgs negative;
  negative.I4(1).I4(-1).Str(u"x");
  EXPECT_EQ(Invoke(1, negative), DISP_E_OVERFLOW);
  EXPECT_EQ(argError_, 1u);
  DispArgs none;
  EXPECT_EQ(Invoke(42, none), DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(Invoke(1, two, DISPATCH_PROPERTYGET), DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(kTable.Invoke(&recorder_, 1, IID_NULL, DISPATCH_METHOD, nullptr, nullptr, nullptr), E_INVALIDARG);
  EXPECT_TRUE(recorder_.calls.empty());
}

TEST_F(DispatchTableTest, OutArgumentsTravelByReferenceOrComeBackAsTheResult) {
  BSTR key = nullptr;
  DispArgs byReference;
  byReference.OutBstr(&key);
  EXPECT_EQ(Invoke(2, byReference), S_OK);
  EXPECT_EQ(BstrText(key), u"secret");
  // A string already there is the caller's: the member refuses, and it stays.
  BSTR before = key;
  DispArgs again;
  again.OutBstr(&key);
  EXPECT_EQ(Invoke(2, again), E_INVALIDARG);
  EXPECT_EQ(key, before);
  SysFreeString(key);

  DispArgs byValue;
  byValue.Str(u"not a reference");
  EXPECT_EQ(Invoke(2, byValue), DISP_E_TYPEMISMATCH);

  DispArgs left;
  ScopedVariant result;
  EXPECT_EQ(Invoke(2, left, DISPATCH_METHOD, result.get()), S_OK);
  EXPECT_EQ(result->vt, VT_BSTR);
  EXPECT_EQ(BstrText(result->bstrVal), u"secret");
}

TEST_F(DispatchTableTest, PropertyPutTakesItsValueAsTheNamedArgument) {
  DispArgs value;
  value.I4(8);
  DISPPARAMS* params = value.Params();
  DISPID named = DISPID_PROPERTYPUT;
  EXPECT_EQ(kTable.Invoke(&recorder_, 3, IID_NULL, DISPATCH_PROPERTYPUT, params, nullptr, nullptr), DISP_E_PARAMNOTFOUND);
  params->rgdispidNamedArgs = &named;
  params->cNamedArgs = 1;
  EXPECT_EQ(kTable.Invoke(&recorder_, 3, IID_NULL, DISPATCH_PROPERTYPUT, params, nullptr, nullptr), S_OK);
  EXPECT_EQ(recorder_.stored, 8);
  // A method takes no named arguments.
  EXPECT_EQ(kTable.Invoke(&recorder_, 1, IID_NULL, DISPATCH_METHOD, params, nullptr, nullptr), DISP_E_NONAMEDARGS);

  DispArgs none;
  ScopedVariant result;
  EXPECT_EQ(Invoke(3, none, DISPATCH_PROPERTYGET | DISPATCH_METHOD, result.get()), S_OK);
  EXPECT_EQ(result->vt, VT_I4);
  EXPECT_EQ(result->lVal, 8);
}

// A container of the tests for one connection point.
class Container final : public IConnectionPointContainer {
 public:
  HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
  ULONG AddRef() override { return refs.AddRef(); }
  ULONG Release() override { return refs.Release(); }
  HRESULT EnumConnectionPoints(IEnumConnectionPoints**) override { return E_NOTIMPL; }
  HRESULT FindConnectionPoint(REFIID, IConnectionPoint**) override { return E_NOTIMPL; }
  RefCount refs;
  OwnerThread owner;
  CConnectionPoint point{*this, DIID__IFotaroExEvents, owner};
};

TEST(ConnectionPointTest, SinksHearEventsInConnectionOrderWhateverEachAnswers) {
  Container container;
  auto* failing = new TestSink(DIID__IFotaroExEvents, E_FAIL);
  auto* second = new TestSink(IID_NULL);  // answers IDispatch only
  DWORD first = 0, next = 0;
  ASSERT_EQ(container.point.Advise(failing, &first), S_OK);
  ASSERT_EQ(container.point.Advise(second, &next), S_OK);
  EXPECT_NE(first, 0u);
  EXPECT_NE(first, next);
  EXPECT_EQ(failing->References(), 2u);

  container.point.Fire(DISPID_OnSink_UploadSelect, {2048, 3});
  container.point.Fire(DISPID_OnSink_LocalError, {1009, u"a.jpg"});
  const std::vector<SinkEvent> expected = {{DISPID_OnSink_UploadSelect, {2048, 3}},
                                           {DISPID_OnSink_LocalError, {1009, u"a.jpg"}}};
  EXPECT_EQ(failing->received, expected);
  EXPECT_EQ(second->received, expected);

  EXPECT_EQ(container.point.Unadvise(first), S_OK);
  EXPECT_EQ(container.point.Unadvise(first), CONNECT_E_NOCONNECTION);
  EXPECT_EQ(failing->References(), 1u);
  container.point.Fire(DISPID_OnSink_HowToDrag, {});
  EXPECT_EQ(failing->received.size(), 2u);
  EXPECT_EQ(second->received.size(), 3u);

  container.point.UnadviseAll();
  EXPECT_EQ(second->References(), 1u);
  EXPECT_EQ(container.point.ConnectionCount(), 0u);
  failing->Release();
  second->Release();
}

// A sink that unadvises the other sink, then itself, while it handles an event.
class UnadvisingSink final : public IDispatch {
 public:
  explicit UnadvisingSink(CConnectionPoint& point) : point_(point) {}
  HRESULT QueryInterface(REFIID riid, void** out) override {
    *out = riid == IID_IDispatch ? static_cast<IDispatch*>(this) : nullptr;
    if (*out) AddRef();
    return *out ? S_OK : E_NOINTERFACE;
  }
  ULONG AddRef() override { return refs_.AddRef(); }
  ULONG Release() override {
    const ULONG count = refs_.Release();
    if (count == 0) delete this;
    return count;
  }
  HRESULT GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
  HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    point_.Unadvise(other);
    point_.Unadvise(own);
    return S_OK;
  }
  DWORD own = 0, other = 0;

 private:
  ~UnadvisingSink() = default;
  CConnectionPoint& point_;
  RefCount refs_;
};

TEST(ConnectionPointTest, ASinkMayUnadviseDuringAnEventAndUnknownSinksAreRefused) {
  Container container;
  auto* unadvising = new UnadvisingSink(container.point);
  auto* later = new TestSink(DIID__IFotaroExEvents);
  ASSERT_EQ(container.point.Advise(unadvising, &unadvising->own), S_OK);
  ASSERT_EQ(container.point.Advise(later, &unadvising->other), S_OK);
  unadvising->Release();  // the connection point holds the last reference now
  container.point.Fire(DISPID_OnSink_HowToDrag, {});
  EXPECT_TRUE(later->received.empty());  // unadvised before its turn
  EXPECT_EQ(container.point.ConnectionCount(), 0u);
  later->Release();

  // An object that answers neither the events' interface nor IDispatch cannot connect.
  Container other;
  DWORD cookie = 7;
  EXPECT_EQ(container.point.Advise(&other, &cookie), CONNECT_E_CANNOTCONNECT);
  EXPECT_EQ(cookie, 0u);
}

}  // namespace
