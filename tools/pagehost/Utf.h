#pragma once
// UTF-8 for the wire, UTF-16 for the control. The control's strings may hold lone surrogates
// (file names whose bytes are not UTF-8 keep them that way); they reach the page as U+FFFD, so
// that every frame the host sends is valid UTF-8.

#include <string>
#include <string_view>

namespace fotaro::pagehost {

// The UTF-16 form of `text`; a byte sequence that is not UTF-8 becomes U+FFFD.
std::u16string Utf16FromUtf8(std::string_view text);
// The UTF-8 form of `text`; a lone surrogate becomes U+FFFD.
std::string Utf8FromUtf16(std::u16string_view text);

}  // namespace fotaro::pagehost
