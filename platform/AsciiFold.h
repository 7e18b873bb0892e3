#pragma once
// Text that compares without regard to case the way the system's names do: only the ASCII
// capitals A to Z fold to lower case; every other character compares as it is.

#include <algorithm>
#include <string_view>

namespace platform {

inline char16_t FoldAscii(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; }

inline bool EqualsFolded(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char16_t x, char16_t y) { return FoldAscii(x) == FoldAscii(y); });
}

}  // namespace platform
