#pragma once
// Conversions between the system's wide strings (UTF-16) and byte strings.
//
// The "system code page" is the character set of the user's locale (UTF-8 on a normal system; the
// C/POSIX locale counts as UTF-8), overridden by the environment variable FOTARO_CODEPAGE (for
// example GBK for a server that expects it). Request bodies, XML files and the log use it.
// Characters it cannot represent become "?", so that the lengths of a converted text and its bytes
// always agree. File names are bytes, read as UTF-8 whatever the code page (PathBytes /
// PathFromBytes).

#include <string>
#include <string_view>

namespace platform {

// The iconv name of the system code page, decided once per process.
const std::string& CodePageName();

std::string ToCodePage(std::u16string_view text);
std::u16string FromCodePage(std::string_view bytes);
// As above with an explicit iconv character-set name (tests, and callers that know the charset).
std::string ToCharset(std::u16string_view text, const std::string& charset);
std::u16string FromCharset(std::string_view bytes, const std::string& charset);

// UTF-16 <-> UTF-8. A lone surrogate or an invalid UTF-8 sequence becomes U+FFFD.
std::string Utf8(std::u16string_view text);
std::u16string FromUtf8(std::string_view text);

// A file name's bytes <-> its wide form. Bytes that are not valid UTF-8 (names written by older
// systems in GBK, say) become the lone surrogates U+DC80 to U+DCFF and turn back into the same
// bytes, so every name the system lists can be opened again. Use these, never Utf8/FromUtf8, for
// anything that names a file; a wide name may then hold lone surrogates, which Utf8 shows as U+FFFD.
std::string PathBytes(std::u16string_view path);
std::u16string PathFromBytes(std::string_view bytes);

}  // namespace platform
