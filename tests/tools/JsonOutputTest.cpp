// File names in the --json output of the commands.

#include "tools/fotaro/JsonOutput.h"

#include <gtest/gtest.h>

#include <string>

namespace fotaro::cli {
namespace {

TEST(JsonOutputTest, AFileNameStaysValidJsonAndKeepsItsBytes) {
  struct Case {
    std::string name;
    std::string line;
  };
  const Case cases[] = {
      // UTF-8, with what JSON must escape: the name alone.
      {"/照片/a \"b\"\\\t.jpg", R"({"file":"/照片/a \"b\"\\\t.jpg"})"},
      // GBK bytes: U+FFFD for each byte that is not UTF-8 (C6 AC happens to be), and the bytes.
      {"/\xD5\xD5\xC6\xAC.jpg", "{\"file\":\"/\xEF\xBF\xBD\xEF\xBF\xBD\xC6\xAC.jpg\",\"fileBytes\":[47,213,213,198,172,46,106,112,103]}"},
      // An encoded surrogate is not UTF-8 either: it never reaches the output as it is.
      {"\xED\xB3\x95", "{\"file\":\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\",\"fileBytes\":[237,179,149]}"},
  };
  for (const Case& c : cases) {
    Json object = Json::object();
    SetFileName(object, c.name);
    const std::string line = JsonLine(object);
    EXPECT_EQ(line, c.line);
    // A strict reader takes it, and the bytes come back.
    const Json read = Json::parse(line);
    const std::vector<uint8_t> bytes =
        read.contains("fileBytes") ? read["fileBytes"].get<std::vector<uint8_t>>() : std::vector<uint8_t>(c.name.begin(), c.name.end());
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), c.name);
  }
}

}  // namespace
}  // namespace fotaro::cli
