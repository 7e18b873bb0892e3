#include <gtest/gtest.h>

#include "control/SiteLock.h"
#include "platform/CodePage.h"

namespace {

TEST(SiteLockTest, AdmitsFilePagesAndPagesOfThePermittedDomains) {
  ASSERT_EQ(fotaro::kSiteLockDomains[0], u"localhost");
  ASSERT_EQ(fotaro::kSiteLockDomains[1], u"127.0.0.1");
  const char* admitted[] = {
      "http://localhost/",
      "HTTPS://LocalHost:8443/upload?x=1",
      "http://127.0.0.1:8080",
      "https://user:pw@album.example.com/a",
      "http://www.photo.example.org/#top",
      "http://a.b.album.example.com\\path",
      "file:///home/user/page.html",
  };
  for (const char* url : admitted) EXPECT_TRUE(fotaro::SiteLockAllows(platform::FromUtf8(url))) << url;
}

TEST(SiteLockTest, RefusesEveryOtherPage) {
  const char* refused[] = {
      "http://evil.com/",
      "http://evillocalhost/",             // a suffix, but not after a dot
      "http://localhost.evil.com/",
      "http://localhost@evil.com/",        // user information is not the host
      "http://evil.com\\.localhost/",      // a browser ends the host at the backslash
      "http://evil.com#.localhost",
      "http://evil.com?.localhost",
      "http://evil%2elocalhost/",          // escapes are not host characters
      "http://[::1]/",
      "http://localhost./",
      "http:///",
      "ftp://localhost/",
      "javascript:alert(1)//localhost",
      "localhost",
      "",
  };
  for (const char* url : refused) EXPECT_FALSE(fotaro::SiteLockAllows(platform::FromUtf8(url))) << url;
  EXPECT_FALSE(fotaro::SiteLockAllows(u"http://" + std::u16string(2084, u'a') + u".localhost/"));
}

}  // namespace
