#include <gtest/gtest.h>

#include "platform/CodePage.h"

using namespace platform;

TEST(CodePageTest, RoundTripsAndReplacesWhatTheCharsetCannotHold) {
  const std::u16string text = u"上传原图 photo";
  EXPECT_EQ(FromCharset(ToCharset(text, "GBK"), "GBK"), text);
  EXPECT_EQ(ToCharset(text, "UTF-8"), Utf8(text));
  // One "?" per character that ASCII cannot hold, a surrogate pair counting as one character.
  EXPECT_EQ(ToCharset(u"a上b\U0001F600c", "ASCII"), "a?b?c");
  // A lone surrogate is one "?" and does not swallow the character after it.
  EXPECT_EQ(ToCharset(u"a" + std::u16string(1, char16_t(0xD800)) + u"z", "UTF-8"), "a?z");
  // Invalid input bytes become one "?" each.
  EXPECT_EQ(FromCharset("a\xff" "b", "UTF-8"), u"a?b");
  EXPECT_EQ(ToCharset(u"", "GBK"), "");
}

TEST(CodePageTest, Utf8HandlesSurrogatesAndRejectsMalformedInput) {
  EXPECT_EQ(Utf8(u"\U0001F600"), "\xF0\x9F\x98\x80");
  EXPECT_EQ(FromUtf8("\xF0\x9F\x98\x80"), u"\U0001F600");
  EXPECT_EQ(Utf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
  EXPECT_EQ(FromUtf8("\xC0\xAF"), u"\uFFFD\uFFFD");  // overlong "/"
  EXPECT_EQ(FromUtf8("ab\xE4\xB8"), u"ab\uFFFD\uFFFD");  // truncated sequence
}

TEST(CodePageTest, FileNamesRoundTripEveryByteSequence) {
  // "上传" in GBK is not valid UTF-8: the bytes that do not decode become lone surrogates (CF B4
  // happens to be valid UTF-8 and reads as U+03F4), and the name comes back byte for byte.
  const std::string gbk = "\xC9\xCF\xB4\xAB.jpg";
  const std::u16string wide = PathFromBytes(gbk);
  EXPECT_EQ(wide, std::u16string({0xDCC9, 0x03F4, 0xDCAB}) + u".jpg");
  EXPECT_EQ(PathBytes(wide), gbk);
  // Valid UTF-8 names read as text; an encoded surrogate (ED B2 80) is three invalid bytes.
  EXPECT_EQ(PathFromBytes("照片/a.jpg"), u"照片/a.jpg");
  for (const std::string bytes : {std::string("\xED\xB2\x80"), std::string("a\xFF\xC0\xAF" "b"), std::string("\xE4\xB8")}) {
    EXPECT_EQ(PathBytes(PathFromBytes(bytes)), bytes);
  }
  // Every single byte round-trips.
  for (int b = 1; b < 256; ++b) {
    const std::string one(1, static_cast<char>(b));
    EXPECT_EQ(PathBytes(PathFromBytes(one)), one) << b;
  }
  // Text conversions still show what they cannot convert as U+FFFD.
  EXPECT_EQ(Utf8(wide), "\xEF\xBF\xBD\xCF\xB4\xEF\xBF\xBD.jpg");
}
