// Drives the control's IDispatch with arbitrary names, DISPIDs, flags and arguments of every
// variant type (null strings and null references included). Each input gets a fresh control with
// two frames of the tests, whose windows exist once the frame is started, so that the calls reach
// the settings and the upload manager.
//
// Input: a flags byte (bit 0: look the member up by a name from the input; bit 1: ask for a
// result; bit 2: start the frame first; bits 4-7: the DISPATCH_ flags), the name (a length byte
// and UTF-16 units) or the DISPID byte, the argument count, the named-argument count, then each
// argument as a type byte and its value.
//
// Two members are left out: SetUploadFilePath reads and uploads the files a list names, and
// UpdateVersion starts a program; their argument checks are covered by the tests.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "control/FotaroEx.h"
#include "platform/com/Bstr.h"
#include "platform/com/PropertyBag.h"
#include "platform/win/MessageLoop.h"
#include "tests/control/TestFrame.h"

namespace {

class Reader {
 public:
  Reader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
  uint32_t Word() {
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i) value = value << 8 | Byte();
    return value;
  }
  std::u16string Text() {
    std::u16string text(Byte(), u'\0');
    for (char16_t& unit : text) unit = static_cast<char16_t>(Byte() << 8 | Byte());
    return text;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
};

// What an argument may point at; lives until the call has returned.
struct Targets {
  LONG numbers[16] = {};
  BSTR strings[16] = {};
  size_t used = 0;
};

VARIANT Argument(Reader& in, Targets& targets) {
  VARIANT value;
  VariantInit(&value);
  const uint8_t type = in.Byte();
  switch (type % 10) {
    case 0: break;
    case 1: value.vt = VT_NULL; break;
    case 2: value.vt = VT_I4; value.lVal = static_cast<LONG>(in.Word()); break;
    case 3: value.vt = VT_UI4; value.ulVal = in.Word(); break;
    case 4: value.vt = VT_BOOL; value.boolVal = in.Byte() & 1 ? VARIANT_TRUE : VARIANT_FALSE; break;
    case 5:
      value.vt = VT_BSTR;
      value.bstrVal = in.Byte() & 1 ? nullptr : platform::com::AllocBstr(in.Text());
      break;
    case 6: value.vt = VT_DISPATCH; break;  // a null object
    case 7:
      value.vt = VT_BYREF | VT_I4;
      value.plVal = in.Byte() & 1 || targets.used == 16 ? nullptr : &targets.numbers[targets.used++];
      break;
    case 8: {
      value.vt = VT_BYREF | VT_BSTR;
      if (in.Byte() & 1 || targets.used == 16) break;  // a null reference
      BSTR& target = targets.strings[targets.used++];
      if (in.Byte() & 1) target = platform::com::AllocBstr(u"held");
      value.pbstrVal = &target;
      break;
    }
    default: value.vt = static_cast<VARTYPE>(type << 8 | in.Byte()); break;  // any type at all
  }
  return value;
}

void Drain() {
  platform::Message message;
  while (platform::PeekMessage(message)) platform::DispatchMessage(message);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Reader in(data, size);
  const uint8_t flags = in.Byte();
  auto* control = new CFotaroEx(FrameSet{std::make_unique<fotaro::test::TestFrame>(), std::make_unique<fotaro::test::TestFrame>()});
  IFotaroEx& dispatch = *control;
  platform::com::BstrPtr page = platform::com::MakeBstr(u"http://localhost/");
  control->SetPageUrl(page.get());
  if (flags & 4) {
    auto* bag = new platform::com::CPropertyBag;
    bag->Set(u"EditMaxWidth", 600);
    bag->Set(u"EditMaxHeight", 400);
    control->Load(bag, nullptr);
    bag->Release();
    control->CreateControlWindow(0, 0, 600, 400, nullptr);
  }

  DISPID dispid = static_cast<int8_t>(in.Byte());
  if (flags & 1) {
    std::u16string name = in.Text();
    LPOLESTR names[] = {name.data()};
    dispatch.GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &dispid);
  }
  Targets targets;
  std::vector<VARIANT> arguments(in.Byte() % 12);
  for (VARIANT& argument : arguments) argument = Argument(in, targets);
  std::vector<DISPID> named(std::min<size_t>(in.Byte() % 3, arguments.size()));
  for (DISPID& id : named) id = in.Byte() & 1 ? DISPID_PROPERTYPUT : static_cast<int8_t>(in.Byte());

  if (dispid != DISPID_SetUploadFilePath && dispid != DISPID_UpdateVersion) {
    DISPPARAMS params{arguments.data(), named.data(), static_cast<UINT>(arguments.size()),
                      static_cast<UINT>(named.size())};
    VARIANT result;
    VariantInit(&result);
    UINT argError = 0;
    dispatch.Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, static_cast<WORD>(flags >> 4), &params,
                    flags & 2 ? &result : nullptr, nullptr, &argError);
    VariantClear(&result);
  }

  for (VARIANT& argument : arguments) VariantClear(&argument);
  for (BSTR string : targets.strings) SysFreeString(string);
  Drain();
  control->Release();
  Drain();
  return 0;
}
