#pragma once
// The values of the wire protocol (JSON) and the control's (VARIANT).
//
//   JSON                         VARIANT
//   string                       VT_BSTR
//   null                         VT_BSTR, a null BSTR (which the control tells from "")
//   true, false                  VT_BOOL
//   whole number, 32-bit         VT_I4, or VT_UI4 from 2^31 to 2^32 - 1
//
// Fractions, larger numbers, arrays and objects have no VARIANT: the page gets an error.

#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "ControlLibrary.h"

namespace fotaro::pagehost {

// The host's JSON keeps the members of an object in the order they were made, so that every
// frame it sends reads "op" first.
using Json = nlohmann::ordered_json;

// Makes `out` (empty on entry) from `value` with the library's functions. False, with the reason
// in `problem`, for a value that has no VARIANT.
bool JsonToVariant(const Json& value, const ControlLibrary& library, VARIANT& out, std::string& problem);

// The JSON of a value the control answered: VT_EMPTY has none; a type the table does not list
// reads as null.
std::optional<Json> VariantToJson(const VARIANT& value, const ControlLibrary& library);

// VARIANTs made by JsonToVariant, cleared with the library's function when the list goes.
class VariantList {
 public:
  explicit VariantList(const ControlLibrary& library) : m_library(library) {}
  ~VariantList();
  VariantList(const VariantList&) = delete;
  VariantList& operator=(const VariantList&) = delete;

  // Appends the VARIANT of `value`; false (nothing appended) as JsonToVariant.
  bool Append(const Json& value, std::string& problem);
  VARIANT* data() { return m_values.data(); }
  size_t size() const { return m_values.size(); }
  const VARIANT& operator[](size_t i) const { return m_values[i]; }
  void Reverse();

 private:
  const ControlLibrary& m_library;
  std::vector<VARIANT> m_values;
};

}  // namespace fotaro::pagehost
