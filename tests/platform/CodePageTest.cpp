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
