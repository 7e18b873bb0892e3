#include <sys/stat.h>

#include <fstream>

#include <gtest/gtest.h>

#include "control/services/Desktop.h"
#include "platform/CodePage.h"
#include "platform/RegistryStore.h"
#include "tests/control/ServicesEnv.h"
#include "tests/support/ChildProcess.h"

using fotaro::test::WaitForFileContent;

namespace {

class DesktopTest : public ::testing::Test {
 protected:
  // An executable script that writes its first argument to `output`.
  std::string FakeProgram(const std::string& name, const std::string& output) const {
    const std::string path = env_.root().file(name);
    std::ofstream(path) << "#!/bin/sh\nprintf '%s' \"$1\" > '" << output << "'\n";
    chmod(path.c_str(), 0755);
    return path;
  }

  fotaro::test::ServicesEnv env_;
  // The desktop's opener is a fake one: no test starts a real browser.
  fotaro::test::ScopedEnv path_{"PATH", env_.root().path()};
};

TEST_F(DesktopTest, OpensOnlyWebUrlsAndPassesThemUnchanged) {
  FakeProgram("xdg-open", env_.root().file("opened"));
  for (const char16_t* refused : {u"", u"-help", u"file:///etc/passwd", u"javascript:alert(1)", u"/bin/true"}) {
    EXPECT_FALSE(fotaro::OpenInBrowser(refused)) << platform::Utf8(refused);
  }
  // Characters a shell would act on arrive as they are.
  const std::u16string url = u"HTTPS://album.example/?a=1;touch${IFS}x&b=$(id)|'\"`相册`";
  ASSERT_TRUE(fotaro::OpenInBrowser(url));
  EXPECT_EQ(WaitForFileContent(env_.root().file("opened")), platform::Utf8(url));
}

TEST_F(DesktopTest, PrefersTheMakersBrowserWhenItExists) {
  FakeProgram("xdg-open", env_.root().file("by-desktop"));
  platform::RegistryStore store;
  ASSERT_TRUE(store.Write(fotaro::kBrowserKey, u"EXE", platform::FromUtf8(env_.root().file("missing-browser"))));
  ASSERT_TRUE(fotaro::OpenInBrowser(u"http://one/"));
  EXPECT_EQ(WaitForFileContent(env_.root().file("by-desktop")), "http://one/");

  const std::string browser = FakeProgram("vagrel", env_.root().file("by-vagrel"));
  ASSERT_TRUE(store.Write(u"software\\brennik\\VAGREL", u"exe", platform::FromUtf8(browser)));
  ASSERT_TRUE(fotaro::OpenInBrowser(u"http://two/"));
  EXPECT_EQ(WaitForFileContent(env_.root().file("by-vagrel")), "http://two/");
}

TEST_F(DesktopTest, NimbraFolderComesFromTheRegistryStore) {
  EXPECT_EQ(fotaro::GetNimbraFolder(), u"");
  platform::RegistryStore store;
  ASSERT_TRUE(store.Write(fotaro::kNimbraKey, u"Folder", u"/wrong/value/name"));
  EXPECT_EQ(fotaro::GetNimbraFolder(), u"");
  ASSERT_TRUE(store.Write(fotaro::kNimbraKey, fotaro::kNimbraKey, u"/home/u/Nimbra 云盘"));
  EXPECT_EQ(fotaro::GetNimbraFolder(), u"/home/u/Nimbra 云盘");
  ASSERT_TRUE(store.Write(fotaro::kNimbraKey, fotaro::kNimbraKey, std::u16string(1024, u'x')));
  EXPECT_EQ(fotaro::GetNimbraFolder(), u"");
}

}  // namespace
