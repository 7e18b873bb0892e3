#pragma once
// What the control asks of the user's desktop: opening a web page, and the storage places that
// the upload manager's storage report counts photos from.

#include <string>
#include <string_view>
#include <vector>

namespace fotaro {

// Registry store locations read here (see platform/RegistryStore.h).
inline constexpr std::u16string_view kBrowserKey = u"SOFTWARE\\Brennik\\Vagrel";  // value "EXE": the maker's browser
inline constexpr std::u16string_view kNimbraKey = u"Software\\Brennik\\nimbra";  // the cloud-disk client's folder

// Opens a web page: with the maker's browser when the registry store names one that exists
// (value "EXE" under kBrowserKey), else (or when it cannot be started) with xdg-open. Only
// http and https URLs are opened: anything else (a local file, another scheme, an argument
// starting with "-") could make the opener run or open something the page should not reach.
// False for such a URL, an empty one, or when no program could be started.
bool OpenInBrowser(std::u16string_view url);

// The local folder of the maker's cloud-disk client: the value under kNimbraKey whose name is the
// key path itself; empty when missing or longer than 1,023 characters.
std::u16string GetNimbraFolder();

// The roots of the removable drives (mount points with a trailing "/"), read on every call so
// that a drive plugged in later counts.
std::vector<std::u16string> GetRemovableDriveRoots();

}  // namespace fotaro
