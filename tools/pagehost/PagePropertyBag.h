#pragma once
// PagePropertyBag: a page's <object> parameters, {"NAME": VALUE, ...} of its create message, as
// the property bag the control loads them from. Names match without regard to ASCII case (the
// first of two that match wins); values are converted as call arguments are (VariantJson.h), all
// of them when the bag is made, so that a page learns of a bad one before its control is touched.

#include <string>
#include <utility>
#include <vector>

#include "ControlLibrary.h"
#include "ReferenceCount.h"
#include "VariantJson.h"

namespace fotaro::pagehost {

class PagePropertyBag final : public IPropertyBag, public ReferenceCount<PagePropertyBag> {
 public:
  // The bag of `params` (an object), holding one reference; null with the reason in `problem`.
  static PagePropertyBag* Create(const Json& params, const ControlLibrary& library, std::string& problem);

  HRESULT QueryInterface(REFIID riid, void** object) override;
  ULONG AddRef() override { return ReferenceCount::AddRef(); }
  ULONG Release() override { return ReferenceCount::Release(); }
  // A copy of the value, of its own type (the reader converts it); E_INVALIDARG for a name the
  // page did not give.
  HRESULT Read(LPCOLESTR name, VARIANT* value, IErrorLog* log) override;
  HRESULT Write(LPCOLESTR name, VARIANT* value) override;

 private:
  friend class ReferenceCount<PagePropertyBag>;
  explicit PagePropertyBag(const ControlLibrary& library) : m_library(library) {}
  ~PagePropertyBag();

  const ControlLibrary& m_library;
  std::vector<std::pair<std::u16string, VARIANT>> m_values;
};

}  // namespace fotaro::pagehost
