// The album server's streaming reader of multipart bodies.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/albumserver/MultipartReader.h"

namespace fotaro::albumserver {
namespace {

struct Part {
  std::string headers;
  std::string data;
  bool ended = false;
};

// Feeds `body` in pieces of `piece` bytes; returns the parts, or nothing when the body is refused.
bool Read(const std::string& body, size_t piece, std::vector<Part>& parts) {
  MultipartReader reader("B0x", {[&](const std::string& headers) { parts.push_back({headers, "", false}); },
                                 [&](const char* data, size_t size) { parts.back().data.append(data, size); },
                                 [&] { parts.back().ended = true; }});
  for (size_t at = 0; at < body.size(); at += piece) {
    if (!reader.Feed(body.data() + at, std::min(piece, body.size() - at))) return false;
  }
  return reader.Finish();
}

TEST(MultipartReaderTest, ReadsPartsFedInAnyPieces) {
  // File data that nearly contains the delimiter, and an empty part.
  const std::string data = "x\r\n--B0\r\n--B0y\r\n-";
  const std::string body = "--B0x\r\nContent-Disposition: form-data; name=\"a\"\r\n\r\n1\r\n--B0x\r\n"
                           "Content-Disposition: form-data; name=\"f\"; filename=\"y.jpg\"\r\n\r\n" +
                           data + "\r\n--B0x\r\n\r\n\r\n--B0x--\r\n\r\n";
  for (const size_t piece : {size_t(1), size_t(2), size_t(5), size_t(13), body.size()}) {
    std::vector<Part> parts;
    ASSERT_TRUE(Read(body, piece, parts)) << piece;
    ASSERT_EQ(parts.size(), 3u) << piece;
    EXPECT_EQ(parts[0].headers, "Content-Disposition: form-data; name=\"a\"");
    EXPECT_EQ(parts[0].data, "1");
    EXPECT_EQ(parts[1].data, data) << piece;
    EXPECT_EQ(parts[2].headers, "");
    EXPECT_EQ(parts[2].data, "");
    EXPECT_TRUE(parts[0].ended && parts[1].ended && parts[2].ended);
  }
}

TEST(MultipartReaderTest, RefusesMalformedBodies) {
  std::vector<Part> parts;
  EXPECT_FALSE(Read("--B0x\r\n\r\nno closing delimiter", 4, parts));
  EXPECT_FALSE(Read("--B0x\r\n\r\n1\r\n--B0xjunk", 4, parts));
  EXPECT_FALSE(Read("--B0x\r\n" + std::string(20000, 'h'), 1000, parts));
  EXPECT_FALSE(Read("", 1, parts));
}

TEST(MultipartReaderTest, HeaderParameters) {
  const std::string value = "form-data; NAME=\"a b\"; filename=plain.jpg ; filelength=\"3\"";
  EXPECT_EQ(HeaderParameter(value, "name"), "a b");
  EXPECT_EQ(HeaderParameter(value, "filename"), "plain.jpg");
  EXPECT_EQ(HeaderParameter(value, "filelength"), "3");
  EXPECT_EQ(HeaderParameter(value, "size"), "");
  EXPECT_EQ(HeaderParameter("multipart/form-data; boundary=B0x", "boundary"), "B0x");
}

}  // namespace
}  // namespace fotaro::albumserver
