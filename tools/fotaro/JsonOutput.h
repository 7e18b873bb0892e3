#pragma once
// The --json output of the commands, on nlohmann::json. Objects keep their members in the order
// they were set. Every text is UTF-8.
//
// A file name is bytes and may not be UTF-8 (names written by older systems in GBK, say). JSON
// holds text only, and a lone surrogate escape ("\udcd5") is refused by strict readers, so such a
// name is given twice: "file" holds its text, each byte that is not UTF-8 shown as U+FFFD, and
// "fileBytes" its exact bytes as an array of numbers, so that a script can still open the file.
// A name that is UTF-8 has "file" alone.

#include <nlohmann/json.hpp>

#include <string>
#include <string_view>

namespace fotaro::cli {

using Json = nlohmann::ordered_json;

// Sets "file" (and, for a name that is not UTF-8, "fileBytes") of `object` to the name `bytes`.
void SetFileName(Json& object, std::string_view bytes);

// `json` on one line. Never throws: a text that is not UTF-8 (none should be) shows U+FFFD.
std::string JsonLine(const Json& json);

}  // namespace fotaro::cli
