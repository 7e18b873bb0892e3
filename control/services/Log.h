#pragma once
// The diagnostic log.
//
// Log(name, format, args...) writes "hh:mm:ss: message" to a file in the log folder, but only
// while the marker file exists; the marker is tested once per process. `name` is either a file
// name ("httpdownload.txt") or a scope, class and method joined by two colons
// ("CUploadMgr::StartUpload"); every scope writes to the common file "OrniFotaroEx.txt" with the
// scope after the time. The format is printf's; wide-string arguments are converted to UTF-8 for
// it, and the whole line is written in the system code page. Callable from any thread: each call
// opens, appends and closes the file, so lines interleave whole.

#include <cstdio>
#include <string>
#include <string_view>
#include <type_traits>

#include "platform/CodePage.h"

namespace fotaro {

bool LogEnabled();
void LogLine(std::string_view name, const std::string& message);

namespace detail {
inline std::string LogArg(const std::u16string& text) { return platform::Utf8(text); }
inline std::string LogArg(const char16_t* text) { return text ? platform::Utf8(text) : std::string("(null)"); }
inline const std::string& LogArg(const std::string& text) { return text; }
// Any other number or pointer as it is; a wide string (a BSTR, char16_t*) goes to the overload
// above, also when it is not const.
template <class T, class = std::enable_if_t<std::is_arithmetic_v<T> ||
                                            (std::is_pointer_v<T> &&
                                             !std::is_same_v<std::remove_cv_t<std::remove_pointer_t<T>>, char16_t>)>>
T LogArg(T value) { return value; }

inline const char* LogPass(const std::string& text) { return text.c_str(); }
template <class T>
T LogPass(T value) { return value; }

template <class... A>
std::string LogFormat(const char* format, const A&... args) {
  char buffer[10240];
  if constexpr (sizeof...(args) == 0) {
    std::snprintf(buffer, sizeof buffer, "%s", format);
  } else {
    std::snprintf(buffer, sizeof buffer, format, args...);
  }
  return buffer;
}
}  // namespace detail

template <class... A>
void Log(std::string_view name, const char* format, const A&... args) {
  if (!LogEnabled()) return;
  LogLine(name, detail::LogFormat(format, detail::LogPass(detail::LogArg(args))...));
}

}  // namespace fotaro
