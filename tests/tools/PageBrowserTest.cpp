// The demo album page in Debian's chromium, headless, against `fotaro serve` and `fotaro host` in
// processes of their own: the page's script makes its control in the host and scripts it, and the
// test reads what the page shows.

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "include/OrniFotaroEx.h"
#include "tests/support/TempDir.h"
#include "tests/tools/Browser.h"
#include "tests/tools/PageClient.h"

namespace fotaro::test {
namespace {

using nlohmann::json;
using std::chrono::seconds;

// A site the control's lock does not admit, which the browser finds on this computer.
constexpr char kForeignSite[] = "photos.elsewhere.example";

class PageBrowserTest : public ::testing::Test {
 protected:
  void SetUp() override {
    HostProcess host = StartHost(dir_.path());
    host_ = std::move(host.program);
    hostUrl_ = host.url;
    ASSERT_FALSE(hostUrl_.empty()) << "fotaro host printed no address";
    album_ = StartFotaro({"serve", "--port", "0", "--store", dir_.file("album"), "--page-host", hostUrl_}, dir_.path());
    const std::string listening = album_->ReadLine().value_or("");
    const size_t at = listening.find("http://");
    ASSERT_NE(at, std::string::npos) << listening;
    albumUrl_ = listening.substr(at, listening.rfind('/') - at);
    if (!browser_.Start(dir_.file("profile"), {kForeignSite})) GTEST_SKIP() << browser_.missing();
  }

  void TearDown() override {
    if (host_) {
      EXPECT_EQ(host_->Stop(), 0);
    }
  }

  std::string PageState() { return browser_.Evaluate("document.body.dataset.state + ': ' + state.textContent").dump(); }

  TempDir dir_;
  std::unique_ptr<BackgroundProgram> host_;
  std::unique_ptr<BackgroundProgram> album_;
  std::string hostUrl_;
  std::string albumUrl_;
  Browser browser_;
};

TEST_F(PageBrowserTest, TheDemoPageMakesItsControlAndScriptsIt) {
  ASSERT_TRUE(browser_.Open(albumUrl_ + "/demo"));
  ASSERT_TRUE(browser_.WaitFor("document.body.dataset.state === 'ready'", seconds(60))) << PageState();
  // The page's own script reaches a control of its own: values, out values and HRESULTs.
  const std::string create = "FotaroEx.create({FrameType: -1, ActiveFrame: -1, EditMaxWidth: 300, EditMaxHeight: 200})";
  EXPECT_EQ(browser_.Evaluate(create + ".then((c) => c.GetVersion())"), 100);
  EXPECT_EQ(browser_.Evaluate(create + ".then((c) => c.SetResourceInfo(null)).catch((e) => e.hresult)"), E_INVALIDARG);
  EXPECT_EQ(browser_.Evaluate(create + ".then((c) => new Promise((done) => { c.on('close', (code) => done(code)); c.close(); }))"),
            1000);
}

TEST_F(PageBrowserTest, TheDemoPageUploadsAListOfPhotosSilently) {
  const std::string list = WritePhotoList(dir_.file("photos"), 3);
  ASSERT_TRUE(browser_.Open(albumUrl_ + "/demo"));
  ASSERT_TRUE(browser_.WaitFor("document.body.dataset.state === 'ready'", seconds(60))) << PageState();
  // The user names the list and presses the button.
  browser_.Evaluate("document.getElementById('file-list').value = " + json(list).dump() +
                    "; document.getElementById('upload-list').click()");
  ASSERT_TRUE(browser_.WaitFor("document.body.dataset.state === 'silent-done'", seconds(120))) << PageState();

  // The events the page received, in the order it received them.
  const json events = browser_.Evaluate("[...document.querySelectorAll('#events li')].map((item) => item.dataset.event)");
  ASSERT_TRUE(events.is_array());
  std::vector<std::string> silent;
  for (const json& event : events) {
    const std::string name = event.get<std::string>();
    if (name != "OnSlientSink_Progress" && name.rfind("OnSlientSink_", 0) == 0) silent.push_back(name);
  }
  const std::vector<std::string> expected = {"OnSlientSink_StartUpload", "OnSlientSink_Complete",
                                             "OnSlientSink_StartUpload", "OnSlientSink_Complete",
                                             "OnSlientSink_StartUpload", "OnSlientSink_Complete",
                                             "OnSlientSink_StopUpload"};
  EXPECT_EQ(silent, expected) << events;
  EXPECT_EQ(events.front(), "OnSink_AxInited") << events;
  EXPECT_NE(std::find(events.begin(), events.end(), "OnSlientSink_Progress"), events.end()) << events;

  // What the page shows: a row per photo, uploaded into the demo album, with the stored picture.
  const json rows = browser_.Evaluate(
      "[...document.querySelectorAll('#results tbody tr')].map((row) => [...row.cells].map((cell) => cell.textContent))");
  ASSERT_EQ(rows.size(), 3u) << rows;
  for (size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(rows[i][0], dir_.file("photos/photo-" + std::to_string(i + 1) + ".jpg")) << rows[i];
    EXPECT_EQ(rows[i][1], "0") << rows[i];
    EXPECT_EQ(rows[i][2], "demo-album") << rows[i];
  }
  EXPECT_TRUE(browser_.WaitFor("[...document.querySelectorAll('#results img')].filter((picture) => "
                               "picture.complete && picture.naturalWidth > 0).length === 3",
                               seconds(30)));
  mkdir("screenshots", 0755);
  EXPECT_TRUE(browser_.SaveScreenshot("screenshots/demo-page.png"));
  // The album server stored each photo's pictures.
  size_t stored = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(dir_.file("album"))) stored += entry.is_regular_file();
  EXPECT_GE(stored, 3u);
}

TEST_F(PageBrowserTest, APageOfASiteTheLockDoesNotAdmitGetsNoControl) {
  const std::string page = albumUrl_;
  const std::string foreign = "http://" + std::string(kForeignSite) + page.substr(page.rfind(':')) + "/demo";
  ASSERT_TRUE(browser_.Open(foreign));
  ASSERT_TRUE(browser_.WaitFor("document.body.dataset.state === 'error'", seconds(60))) << PageState();
  EXPECT_NE(PageState().find("refused this page"), std::string::npos) << PageState();
  EXPECT_EQ(browser_.Evaluate("document.querySelectorAll('#events li').length"), 0);
}

}  // namespace
}  // namespace fotaro::test
