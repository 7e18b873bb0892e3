// The JSON writer of the command line's --json output.

#include "tools/fotaro/Json.h"

#include <gtest/gtest.h>

#include <cmath>

namespace fotaro::cli {
namespace {

TEST(JsonWriterTest, NestsSeparatesAndEscapes) {
  JsonWriter json;
  json.BeginArray();
  json.BeginObject();
  json.Key("name");
  json.String("a \"quoted\" \\ path\n\t\x01 end");
  json.Key("n");
  json.Number(int64_t{-42});
  json.Key("x");
  json.Number(2.5);
  json.Key("nan");
  json.Number(std::nan(""));
  json.Key("list");
  json.BeginArray();
  json.Bool(true);
  json.Null();
  json.EndArray();
  json.EndObject();
  json.BeginObject();
  json.EndObject();
  json.EndArray();
  EXPECT_EQ(json.str(),
            R"([{"name":"a \"quoted\" \\ path\n\t\u0001 end","n":-42,"x":2.5,"nan":null,"list":[true,null]},{}])");

  // Text that is not UTF-8 still gives valid JSON; other characters pass unchanged.
  EXPECT_EQ(JsonQuote("bad \xFF byte"), "\"bad \xEF\xBF\xBD byte\"");
  EXPECT_EQ(JsonQuote("\xE4\xB8\xAD\xE6\x96\x87"), "\"\xE4\xB8\xAD\xE6\x96\x87\"");
}

}  // namespace
}  // namespace fotaro::cli
