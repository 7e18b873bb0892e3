// The control's life with its real frames: the window the host asks for, Init and the frame it
// chooses, two controls in one process, and a control that goes away in the middle of a batch or
// while its frame asks the user something.

#include <dirent.h>

#include <filesystem>
#include <fstream>

#include "control/services/Global.h"
#include "platform/CodePage.h"
#include "platform/com/Bstr.h"
#include "platform/com/PropertyBag.h"
#include "platform/win/MessageLoop.h"
#include "platform/win/Surface.h"
#include "platform/win/SyntheticInput.h"
#include "tests/support/TestImages.h"
#include "tests/ui/FrameFixture.h"
#include "ui/PreviewMessages.h"

namespace fs = std::filesystem;
using fotaro::test::FrameTest;
using fotaro::test::SinkEvent;
using fotaro::test::TestSink;

namespace {

using FrameLifecycleTest = FrameTest;

// The threads of the process.
int ThreadCount() {
  int count = 0;
  DIR* tasks = opendir("/proc/self/task");
  if (!tasks) return -1;
  while (const dirent* entry = readdir(tasks)) count += entry->d_name[0] != '.';
  closedir(tasks);
  return count;
}

std::vector<std::string> FilesIn(const std::string& folder) {
  std::vector<std::string> files;
  std::error_code error;
  for (const auto& entry : fs::recursive_directory_iterator(folder, error)) files.push_back(entry.path().string());
  return files;
}

// Another control of the same process (the page host makes one per page), with real frames.
class SecondControl {
 public:
  explicit SecondControl(const std::vector<fotaro::test::Param>& params) : m_control(new CFotaroEx(CreateFrames())) {
    platform::com::BstrPtr page = platform::com::MakeBstr(u"http://localhost/other");
    m_control->SetPageUrl(page.get());
    auto* bag = new platform::com::CPropertyBag;
    for (const auto& [name, value] : params) bag->Set(name, std::get<int32_t>(value));
    m_control->Load(bag, nullptr);
    bag->Release();
    IConnectionPoint* point = nullptr;
    m_control->FindConnectionPoint(DIID__IFotaroExEvents, &point);
    DWORD cookie = 0;
    point->Advise(m_sink, &cookie);
    point->Release();
    platform::com::BstrPtr title = platform::com::MakeBstr(u"第二页");
    m_control->CreateControlWindow(0, 0, 600, 400, title.get());
  }
  ~SecondControl() {
    m_control->Release();
    m_sink->Release();
  }
  TestSink& sink() { return *m_sink; }

 private:
  CFotaroEx* m_control;
  TestSink* m_sink = new TestSink(DIID__IFotaroExEvents);
};

TEST_F(FrameLifecycleTest, APageWithoutParametersGetsNoFrameUntilItsOwnInitWhichFails) {
  TestSink& sink = Advise();
  Start({});
  EXPECT_FALSE(m_frame->IsFrameCreated());
  EXPECT_EQ(Call(u"Init"), E_FAIL);  // SetFrame(0, 0, 0) is refused
  EXPECT_FALSE(m_frame->IsFrameCreated());
  EXPECT_FALSE(m_kestrel->IsFrameCreated());
  Drain();
  EXPECT_TRUE(sink.received.empty());
}

TEST_F(FrameLifecycleTest, InitWithoutAFrameTypeEndsOnceAndThePageShowsTheFrameLater) {
  TestSink& sink = Advise();
  Start({{u"EditMaxWidth", 600}, {u"EditMaxHeight", 400}, {u"FrameType", -1}, {u"ActiveFrame", -1}});
  EXPECT_FALSE(m_frame->IsFrameCreated());
  EXPECT_EQ(Call(u"Init"), S_OK);
  Drain();
  EXPECT_EQ(sink.Ids(), std::vector<DISPID>{DISPID_OnSink_AxInited});
  ASSERT_EQ(CallInts(u"SetFrame", {1, 500, 300}), S_OK);
  ASSERT_EQ(CallInts(u"ActiveFrame", {0}), S_OK);
  platform::RECT frame{};
  platform::GetWindowRect(m_frame->hwnd(), &frame);
  EXPECT_EQ(platform::RectWidth(frame), 500);
  EXPECT_EQ(platform::RectHeight(frame), 300);
  EXPECT_TRUE(platform::IsWindowVisible(m_frame->hwnd()));
}

TEST_F(FrameLifecycleTest, TheStyleTypeChoosesTheFrameAndSetFrameSwitchesToTheOther) {
  StartWithServer({{u"EditMaxWidth", 600}, {u"EditMaxHeight", 400}, {u"StyleType", 0}});
  ASSERT_TRUE(m_kestrel->IsFrameCreated());
  EXPECT_FALSE(m_frame->IsFrameCreated());
  AddPhotos(2, m_kestrel);
  ASSERT_EQ(CallInts(u"SetActiveXType", {1}), S_OK);
  ASSERT_EQ(CallInts(u"SetFrame", {0, 600, 400}), S_OK);
  EXPECT_TRUE(m_frame->IsFrameCreated());
  EXPECT_TRUE(m_kestrel->IsFrameCreated());  // left as it was
  AddPhotos(1);
  int32_t count = -1;
  fotaro::test::DispArgs out;
  ASSERT_EQ(Call(u"GetPhotoCount", out.OutI4(&count)), S_OK);
  EXPECT_EQ(count, 1);  // the main frame is the active one now
}

TEST_F(FrameLifecycleTest, TheControlsWindowIsTheHostsTopLevelWindowAndResizeFollowsIt) {
  StartWithServer();
  const platform::HWND control = platform::GetParent(m_frame->hwnd());
  platform::RECT window{};
  ASSERT_TRUE(platform::GetWindowRect(control, &window));
  EXPECT_EQ(window.left, 10);
  EXPECT_EQ(window.top, 20);
  EXPECT_EQ(platform::RectWidth(window), 600);
  EXPECT_EQ(platform::GetTopLevelWindow(m_frame->hwnd()), control);

  ASSERT_TRUE(platform::MoveWindow(control, 10, 20, 800, 500));
  EXPECT_EQ(Call(u"Resize"), S_OK);
  platform::RECT frame{};
  platform::GetClientRect(m_frame->hwnd(), &frame);
  EXPECT_EQ(frame.right, 800);
  EXPECT_EQ(frame.bottom, 500);
  platform::RECT grid{};
  platform::GetWindowRect(m_frame->grid().hwnd(), &grid);
  EXPECT_EQ(platform::RectWidth(grid), 798);  // the frame's border around it
}

TEST_F(FrameLifecycleTest, EachControlHearsOnlyWhatItsOwnFrameAndWorkersReport) {
  TestSink& sink = Advise();
  StartWithServer();
  // The other page's control starts after this one: it is the process's control window now.
  SecondControl other(StartsFrame());
  other.sink().received.clear();
  // Not an answer of the album server: the strategy reports it as local errors.
  fotaro::AlbumReply garbage;
  garbage.body = "not xml";
  m_server.Script(garbage);
  AddPhotos(1);
  // The thumbnail's time, a data report of the grid's loader.
  ASSERT_TRUE(RunUntil([&] {
    for (const SinkEvent& event : sink.received) {
      if (event.dispid == DISPID_OnSink_DataReport && event.args[0] == fotaro::test::ComValue(u"cms_createthumb")) return true;
    }
    return false;
  }));
  ASSERT_EQ(CallInts(u"SetRetryTimes", {1}), S_OK);
  Answer({1});  // the failed photo is not tried again
  ASSERT_EQ(Call(u"Upload"), S_OK);
  ASSERT_TRUE(RunUntilEvent(sink, DISPID_OnSink_UploadComplete));
  EXPECT_EQ(Count(sink, DISPID_OnSink_LocalError), 2);  // 1009 with the answer, 1008 with the file
  // The pointer leaving this control's grid gives up its focus, here.
  platform::SendMouseInput(m_frame->grid().hwnd(), platform::WM_MOUSEMOVE, 100, 100);
  platform::SendMouseInput(m_frame->hwnd(), platform::WM_MOUSEMOVE, 0, 0);
  Drain();
  EXPECT_EQ(Count(sink, DISPID_OnSink_GiveupFocus), 1);
  for (const SinkEvent& event : other.sink().received) {
    if (event.dispid != DISPID_OnSink_AxInited) ADD_FAILURE() << "the other control heard event " << event.dispid;
  }
}

TEST_F(FrameLifecycleTest, AControlDestroyedDuringABatchLeavesNoThreadAndNoFile) {
  Advise();
  // Threads are counted without any album server running (a server of the test's own comes and
  // goes in between), and after the text libraries have started what they keep for the process.
  m_server.Stop();
  {
    platform::gfx::Bitmap scratch(8, 8);
    platform::gfx::Canvas(scratch).MeasureText(u"预热", platform::gfx::Font(u"宋体", 12));
  }
  const int before = ThreadCount();
  fotaro::AlbumServer server;
  ASSERT_TRUE(server.Start());
  fotaro::AlbumReply held;
  held.holdAnswer = true;
  server.SetDefaultReply(held);
  Start(StartsFrame());
  fotaro::test::DispArgs info;
  info.Str(u"10001").Str(u"key").Str(u"album-1").Str(platform::FromUtf8(server.Url())).UI4(1000).UI4(0).UI4(90).I4(800).I4(600);
  ASSERT_EQ(Call(u"SetUploadInfo", info), S_OK);
  fotaro::test::DispArgs extend;
  ASSERT_EQ(Call(u"SetExtendStr", extend.Str(u"extra")), S_OK);
  ASSERT_EQ(CallInts(u"SetThreadCount", {2}), S_OK);
  AddPhotos(4);
  ASSERT_EQ(Call(u"Upload"), S_OK);
  ASSERT_TRUE(RunUntil([&] { return server.Arrivals() >= 2; })) << server.Arrivals() << " arrived";

  EXPECT_EQ(host().DestroyControlWindow(), S_OK);
  m_control->Release();
  m_control = nullptr;
  server.Stop();
  EXPECT_TRUE(RunUntil([&] { return ThreadCount() <= before; })) << ThreadCount() << " threads; " << before << " before";
  const std::string working = m_env.root().file("cache") + "/Brennik/OrniFotaroEx";
  const std::vector<std::string> left = FilesIn(working);
  EXPECT_TRUE(left.empty()) << left.front();
}

// The page goes away (its host destroys the control) while the frame asks the user something: the
// dialog ends, and nothing of the frame is used afterwards.
class FrameGoneWhileAskingTest : public FrameTest {
 protected:
  void DestroyWhenAsked() {
    CCMMessageDlg::SetShownHook([this](CCMMessageDlg&) {
      m_bAsked = true;
      EXPECT_EQ(host().DestroyControlWindow(), S_OK);
      m_control->Release();
      m_control = nullptr;
      m_frame = nullptr;
    });
  }
  bool m_bAsked = false;
};

TEST_F(FrameGoneWhileAskingTest, TheQuestionAfterAFailedBatch) {
  StartWithServer();
  fotaro::AlbumReply refused;
  refused.body = "<body><Result>-201</Result></body>";
  m_server.Script(refused);
  AddPhotos(1);
  DestroyWhenAsked();
  ASSERT_EQ(Call(u"Upload"), S_OK);
  ASSERT_TRUE(RunUntil([&] { return m_bAsked; }));
  platform::RunUntil([] { return false; }, std::chrono::milliseconds(200));
}

TEST_F(FrameGoneWhileAskingTest, TheLimitsNoticeWhilePhotosAreAddedOneOfThemGone) {
  StartWithServer();
  ASSERT_EQ(CallInts(u"SetUploadLimit", {1}), S_OK);
  AddPhotos(1);
  const std::string beyond = m_env.root().file("beyond.jpg");
  fotaro::test::WriteFile(beyond, fotaro::test::TestJpeg(64, 48));
  std::vector<std::u16string> offered{platform::PathFromBytes(beyond), platform::PathFromBytes(m_env.root().file("gone.jpg"))};
  DestroyWhenAsked();
  platform::SendMessage(m_frame->hwnd(), CM_CMPREVIEW, CMT_UPLOADPREVIEW_ADDFILES, reinterpret_cast<platform::LPARAM>(&offered));
  EXPECT_TRUE(m_bAsked);
}

}  // namespace
