#include "tools/fotaro/JsonOutput.h"

#include <cstdint>
#include <vector>

#include "platform/CodePage.h"

namespace fotaro::cli {

void SetFileName(Json& object, std::string_view bytes) {
  const std::string text = platform::Utf8(platform::PathFromBytes(bytes));
  object["file"] = text;
  if (text != bytes) object["fileBytes"] = std::vector<uint8_t>(bytes.begin(), bytes.end());
}

std::string JsonLine(const Json& json) { return json.dump(-1, ' ', false, Json::error_handler_t::replace); }

}  // namespace fotaro::cli
