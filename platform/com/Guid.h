#pragma once
// GUIDs as registry text: "{6A1D2E90-3B47-4C5E-9F12-7D8E4A3B5C61}" (braces, upper-case hex).

#include <optional>
#include <string>
#include <string_view>

#include "platform/com/ComTypes.h"

namespace platform::com {

std::u16string GuidToString(const GUID& guid);
// The GUID of a registry text (hex digits of either case); nothing when `text` is not one.
std::optional<GUID> GuidFromString(std::u16string_view text);
// A new random (version 4) GUID.
GUID NewGuid();

}  // namespace platform::com
