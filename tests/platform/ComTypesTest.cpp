#include <gtest/gtest.h>

#include "platform/com/Bstr.h"
#include "platform/com/ClassTable.h"
#include "platform/com/Guid.h"
#include "platform/com/PropertyBag.h"
#include "platform/com/Variant.h"
#include "tests/support/TempDir.h"

using namespace platform::com;

namespace {

TEST(BstrTest, NullIsNotEmptyAndLengthsCountUnits) {
  EXPECT_EQ(SysAllocString(nullptr), nullptr);
  EXPECT_EQ(SysStringLen(nullptr), 0u);
  const BstrPtr empty(SysAllocString(u""));
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(SysStringLen(empty.get()), 0u);

  // A surrogate pair counts two units; an embedded zero is part of the string.
  const char16_t text[] = {u'a', 0xD83D, 0xDE00, u'\0', u'b'};
  const BstrPtr copy(SysAllocStringLen(text, 5));
  EXPECT_EQ(SysStringLen(copy.get()), 5u);
  EXPECT_EQ(BstrText(copy.get()), std::u16string(text, 5));
  EXPECT_EQ(copy.get()[5], u'\0');

  const BstrPtr zeroed(SysAllocStringLen(nullptr, 3));
  EXPECT_EQ(BstrText(zeroed.get()), std::u16string(3, u'\0'));
  EXPECT_EQ(SysAllocStringLen(nullptr, 0xFFFFFFFFu), nullptr);
  SysFreeString(nullptr);
}

TEST(VariantTest, ClearAndCopyOwnWhatTheyHold) {
  VARIANT text = BstrVariant(u"photo");
  VARIANT copy;
  VariantInit(&copy);
  ASSERT_EQ(VariantCopy(&copy, &text), S_OK);
  EXPECT_NE(copy.bstrVal, text.bstrVal);  // a copy of its own (the sanitizer sees any double free)
  EXPECT_EQ(BstrText(copy.bstrVal), u"photo");
  // Copying over a variant frees what it held.
  VARIANT number = I4Variant(7);
  ASSERT_EQ(VariantCopy(&copy, &number), S_OK);
  EXPECT_EQ(copy.vt, VT_I4);
  EXPECT_EQ(VariantClear(&text), S_OK);
  EXPECT_EQ(text.vt, VT_EMPTY);

  VARIANT odd;
  VariantInit(&odd);
  odd.vt = 5;  // a type the control does not use
  EXPECT_EQ(VariantClear(&odd), DISP_E_BADVARTYPE);
  EXPECT_EQ(VariantCopy(&copy, &odd), DISP_E_BADVARTYPE);
}

struct Conversion {
  VARIANT from;
  VARTYPE to;
  HRESULT result;
  std::u16string text;  // the BSTR expected
  int64_t number;       // the number expected otherwise
};

TEST(VariantTest, ChangeTypeConvertsNumbersTextsAndBooleans) {
  VARIANT yes;
  VariantInit(&yes);
  yes.vt = VT_BOOL;
  yes.boolVal = VARIANT_TRUE;
  VARIANT big;
  VariantInit(&big);
  big.vt = VT_UI4;
  big.ulVal = 0x80000000u;
  VARIANT empty;
  VariantInit(&empty);
  const Conversion conversions[] = {
      {BstrVariant(u" -42 "), VT_I4, S_OK, u"", -42},
      {BstrVariant(u"+7"), VT_UI4, S_OK, u"", 7},
      {BstrVariant(u"12a"), VT_I4, DISP_E_TYPEMISMATCH, u"", 0},
      {BstrVariant(u""), VT_I4, DISP_E_TYPEMISMATCH, u"", 0},
      {BstrVariant(u"2147483648"), VT_I4, DISP_E_OVERFLOW, u"", 0},
      {BstrVariant(u"99999999999999999999999"), VT_I4, DISP_E_OVERFLOW, u"", 0},
      {BstrVariant(u"TRUE"), VT_BOOL, S_OK, u"", VARIANT_TRUE},
      {I4Variant(-1), VT_UI4, DISP_E_OVERFLOW, u"", 0},
      {I4Variant(-1), VT_BSTR, S_OK, u"-1", 0},
      {big, VT_I4, DISP_E_OVERFLOW, u"", 0},
      {yes, VT_I4, S_OK, u"", -1},
      {yes, VT_BSTR, S_OK, u"True", 0},
      {empty, VT_BSTR, S_OK, u"", 0},
      {empty, VT_I4, S_OK, u"", 0},
  };
  for (const Conversion& conversion : conversions) {
    VARIANT result;
    VariantInit(&result);
    EXPECT_EQ(VariantChangeType(&result, &conversion.from, 0, conversion.to), conversion.result);
    if (conversion.result == S_OK) {
      EXPECT_EQ(result.vt, conversion.to);
      switch (conversion.to) {
        case VT_BSTR: EXPECT_EQ(BstrText(result.bstrVal), conversion.text); break;
        case VT_I4: EXPECT_EQ(result.lVal, conversion.number); break;
        case VT_UI4: EXPECT_EQ(result.ulVal, conversion.number); break;
        default: EXPECT_EQ(result.boolVal, conversion.number); break;
      }
    } else {
      EXPECT_EQ(result.vt, VT_EMPTY);
    }
    VariantClear(&result);
    VARIANT source = conversion.from;
    VariantClear(&source);
  }

  // In place: the source's string is replaced by the number it held.
  VARIANT value = BstrVariant(u"300");
  ASSERT_EQ(VariantChangeType(&value, &value, 0, VT_I4), S_OK);
  EXPECT_EQ(value.vt, VT_I4);
  EXPECT_EQ(value.lVal, 300);
  // A reference converts the value it points at.
  LONG target = 5;
  VARIANT reference;
  VariantInit(&reference);
  reference.vt = VT_BYREF | VT_I4;
  reference.plVal = &target;
  VARIANT text;
  VariantInit(&text);
  ASSERT_EQ(VariantChangeType(&text, &reference, 0, VT_BSTR), S_OK);
  EXPECT_EQ(BstrText(text.bstrVal), u"5");
  VariantClear(&text);
}

TEST(GuidTest, RegistryTextRoundTrips) {
  EXPECT_EQ(GuidToString(CLSID_FotaroEx), u"{6A1D2E90-3B47-4C5E-9F12-7D8E4A3B5C61}");
  EXPECT_EQ(GuidFromString(u"{6a1d2e90-3b47-4c5e-9f12-7d8e4a3b5c61}"), std::optional<GUID>(CLSID_FotaroEx));
  for (const char16_t* bad : {u"", u"6A1D2E90-3B47-4C5E-9F12-7D8E4A3B5C61", u"{6A1D2E90-3B47-4C5E-9F12-7D8E4A3B5C6}",
                              u"{6A1D2E90+3B47-4C5E-9F12-7D8E4A3B5C61}", u"{6A1D2E9G-3B47-4C5E-9F12-7D8E4A3B5C61}"}) {
    EXPECT_FALSE(GuidFromString(bad)) << std::string(bad, bad + std::char_traits<char16_t>::length(bad));
  }
  const GUID random = NewGuid();
  EXPECT_EQ(GuidFromString(GuidToString(random)), std::optional<GUID>(random));
  EXPECT_EQ(random.Data3 >> 12, 4);          // version 4
  EXPECT_EQ(random.Data4[0] & 0xC0, 0x80);  // RFC 4122 variant
  EXPECT_NE(NewGuid(), random);
}

TEST(PropertyBagTest, ReadsByNameWithoutCaseAndConvertsToTheWantedType) {
  auto* bag = new CPropertyBag;
  bag->Set(u"StyleType", u"0");
  bag->Set(u"UploadLimit", 12);
  int32_t number = -5;
  EXPECT_TRUE(ReadBagI4(*bag, u"styletype", nullptr, number));
  EXPECT_EQ(number, 0);
  std::u16string text;
  EXPECT_TRUE(ReadBagString(*bag, u"UPLOADLIMIT", nullptr, text));
  EXPECT_EQ(text, u"12");
  // Missing, or not a number: the value stays.
  bag->Set(u"Word", u"many");
  number = 9;
  EXPECT_FALSE(ReadBagI4(*bag, u"Missing", nullptr, number));
  EXPECT_FALSE(ReadBagI4(*bag, u"Word", nullptr, number));
  EXPECT_EQ(number, 9);
  bag->Release();
}

TEST(ClassTableTest, RegistrationIsWrittenFoundByProgIdAndRemoved) {
  static constexpr RegistryValue kScript[] = {
      {u"Test.Thing.1\\CLSID", u"", u"{6A1D2E90-3B47-4C5E-9F12-7D8E4A3B5C61}"},
      {u"CLSID\\{6A1D2E90-3B47-4C5E-9F12-7D8E4A3B5C61}\\InprocServer32", u"", u"%MODULE%"},
      {u"CLSID\\{6A1D2E90-3B47-4C5E-9F12-7D8E4A3B5C61}\\InprocServer32", u"ThreadingModel", u"Apartment"},
  };
  const ClassEntry entry{&CLSID_FotaroEx, nullptr, kScript, std::size(kScript)};
  fotaro::test::TempDir dir;
  platform::RegistryStore store(dir.file("registry"));
  store.Write(u"Software\\Other", u"Kept", u"1");

  EXPECT_EQ(RegisterClass(entry, "", store), SELFREG_E_CLASS);  // no module to register
  ASSERT_EQ(RegisterClass(entry, "/opt/lib/libThing.so", store), S_OK);
  const auto found = FindRegisteredClass(u"test.thing.1", store);
  ASSERT_TRUE(found);
  EXPECT_EQ(found->clsid, CLSID_FotaroEx);
  EXPECT_EQ(found->module, "/opt/lib/libThing.so");
  EXPECT_EQ(store.Read(u"software\\classes\\CLSID\\{6A1D2E90-3B47-4C5E-9F12-7D8E4A3B5C61}\\InprocServer32",
                       u"ThreadingModel"),
            std::optional<std::u16string>(u"Apartment"));

  ASSERT_EQ(UnregisterClass(entry, store), S_OK);
  EXPECT_FALSE(FindRegisteredClass(u"Test.Thing.1", store));
  EXPECT_EQ(store.Read(u"Software\\Other", u"Kept"), std::optional<std::u16string>(u"1"));
}

}  // namespace
