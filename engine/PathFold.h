#pragma once
// Path comparison of the upload manager: two paths are equal when they are after folding the
// ASCII capitals A to Z to lower case (platform/AsciiFold.h); no other character is folded.

#include <algorithm>
#include <string>

#include "platform/AsciiFold.h"

// True when `path` begins with a non-empty `prefix`.
inline bool StartsWithFolded(const std::u16string& path, const std::u16string& prefix) {
  if (prefix.empty() || prefix.size() > path.size()) return false;
  return std::equal(prefix.begin(), prefix.end(), path.begin(),
                    [](char16_t a, char16_t b) { return platform::FoldAscii(a) == platform::FoldAscii(b); });
}

inline bool EqualsFolded(const std::u16string& a, const std::u16string& b) {
  return a.size() == b.size() && StartsWithFolded(a, b);
}
