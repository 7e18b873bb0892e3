// The control's life: parameters, window, Init and the frame it chooses, the watermark download,
// the end; and the thread it belongs to.

#include <filesystem>
#include <thread>

#include "control/services/Global.h"
#include "platform/CodePage.h"
#include "platform/com/Bstr.h"
#include "platform/com/PropertyBag.h"
#include "tests/control/ControlFixture.h"
#include "tools/albumserver/AlbumServer.h"

namespace fs = std::filesystem;
using fotaro::test::ControlTest;
using fotaro::test::DispArgs;

namespace {

using FotaroExLifecycleTest = ControlTest;

TEST_F(FotaroExLifecycleTest, APageWithoutParametersRunsNoInitAndItsOwnInitFails) {
  fotaro::test::TestSink& sink = Advise();
  Start({});
  EXPECT_FALSE(m_main->IsFrameCreated());
  // Init asks for the frame 0 x 0, which SetFrame refuses.
  EXPECT_EQ(Call(u"Init"), E_FAIL);
  Drain();
  EXPECT_TRUE(sink.received.empty());
  EXPECT_TRUE(m_main->calls.empty());
}

TEST_F(FotaroExLifecycleTest, InitWithoutAFrameFiresTheEndOnceAndThePageMakesTheFrame) {
  fotaro::test::TestSink& sink = Advise();
  Start({{u"EditMaxWidth", 600}, {u"EditMaxHeight", 400}, {u"FrameType", -1}, {u"ActiveFrame", -1}});
  EXPECT_FALSE(m_main->IsFrameCreated());
  EXPECT_EQ(Call(u"Init"), S_OK);  // already done: nothing runs again
  Drain();
  EXPECT_EQ(sink.Ids(), std::vector<DISPID>{DISPID_OnSink_AxInited});

  DispArgs frame;
  EXPECT_EQ(Call(u"SetFrame", frame.I4(1).I4(11).I4(100)), S_OK);
  EXPECT_EQ(m_main->calls, std::vector<std::string>{"Create"});
  EXPECT_EQ(m_main->rect.right, 11);
  EXPECT_EQ(m_main->rect.bottom, 100);
  DispArgs active;
  EXPECT_EQ(Call(u"ActiveFrame", active.I4(0)), S_OK);
  EXPECT_EQ(m_main->calls.back(), "Show");
}

TEST_F(FotaroExLifecycleTest, ParametersReachTheFrameAsTheirTypes) {
  Start({{u"EditMaxWidth", 600},
         {u"EditMaxHeight", 400},
         {u"UploadBtnCompress", u""},  // an empty text keeps the default
         {u"UploadTitleText", u"上传照片"},
         {u"UploadOnceCountLimit", u"12"},  // a number given as text
         {u"StyleType", u"many"},           // not a number: the default stays
         {u"UploadLimit", 9},
         {u"WaterPressCheck", 1},
         {u"RetryTimes", 0}});
  ASSERT_TRUE(m_main->IsFrameCreated());
  EXPECT_EQ(m_main->rect.right, 600);
  EXPECT_EQ(m_main->texts(), (std::vector<std::u16string>{u"上传照片", u"上传原图", u"添加我的空间地址"}));
  EXPECT_EQ(m_main->onceInfo(), std::make_pair(12, 20));
  EXPECT_EQ(m_main->uploadLimit(), 9);
  EXPECT_EQ(m_main->waterPressCheck(), 1);
  EXPECT_EQ(CGlobal::Instance().GetRetryTimes(), 3);  // 0 reads as 3
  EXPECT_EQ(CGlobal::Instance().GetStyleType(), 1);
  EXPECT_EQ(m_main->calls, (std::vector<std::string>{"Create", "Show"}));

  // Saving gives the values back.
  auto* bag = new platform::com::CPropertyBag;
  IPersistPropertyBag* persist = nullptr;
  ASSERT_EQ(m_control->QueryInterface(IID_IPersistPropertyBag, reinterpret_cast<void**>(&persist)), S_OK);
  EXPECT_EQ(persist->Save(bag, 1, 1), S_OK);
  int32_t count = 0;
  std::u16string caption;
  EXPECT_TRUE(platform::com::ReadBagI4(*bag, u"UploadOnceCountLimit", nullptr, count));
  EXPECT_TRUE(platform::com::ReadBagString(*bag, u"UploadBtnCompress", nullptr, caption));
  EXPECT_EQ(count, 12);
  EXPECT_EQ(caption, u"上传原图");
  persist->Release();
  bag->Release();
}

TEST_F(FotaroExLifecycleTest, TheStyleTypeChoosesTheFrameAtInitAndAtEachSetFrame) {
  Start({{u"EditMaxWidth", 600}, {u"EditMaxHeight", 400}, {u"StyleType", 0}});
  EXPECT_TRUE(m_second->IsFrameCreated());
  EXPECT_FALSE(m_main->IsFrameCreated());
  DispArgs style, frame, limit;
  EXPECT_EQ(Call(u"SetActiveXType", style.I4(1)), S_OK);
  EXPECT_EQ(Call(u"SetFrame", frame.I4(0).I4(600).I4(400)), S_OK);
  EXPECT_TRUE(m_main->IsFrameCreated());
  EXPECT_TRUE(m_second->IsFrameCreated());  // left as it was
  EXPECT_EQ(Call(u"SetUploadLimit", limit.I4(7)), S_OK);
  EXPECT_EQ(m_main->uploadLimit(), 7);  // the main frame is the active one now
  EXPECT_EQ(m_second->uploadLimit(), 0x7FFFFFFF);  // what Init gave it
}

TEST_F(FotaroExLifecycleTest, InitDownloadsTheWatermarkPictureForTheFrame) {
  fotaro::AlbumServer server;
  ASSERT_TRUE(server.Start());
  fotaro::AlbumReply picture;
  picture.body = "PNG picture";
  server.Script(picture);
  Start({{u"EditMaxWidth", 600},
         {u"EditMaxHeight", 400},
         {u"WaterPressType", 2},
         {u"WaterPressDownloadAddress", platform::FromUtf8(server.Url("/waterpress2.png"))}});
  // The frame knows the file at once, before the download has ended.
  const std::string expected = m_env.root().file("cache") + "/Brennik/OrniFotaroEx/WaterPress." +
                               platform::Utf8(CGlobal::Instance().GetProcessTag()) + ".2.png";
  EXPECT_EQ(platform::Utf8(m_main->kernel().m_strWaterPressPath), expected);
  EXPECT_TRUE(RunUntil([&] { return fs::exists(expected); }));
  EXPECT_EQ(fs::file_size(expected), 11u);
}

TEST_F(FotaroExLifecycleTest, TheHostMakesAndEndsTheWindow) {
  platform::com::BstrPtr title = platform::com::MakeBstr(u"相册");
  EXPECT_EQ(host().CreateControlWindow(0, 0, 0, 400, title.get()), E_INVALIDARG);
  EXPECT_EQ(host().DestroyControlWindow(), S_FALSE);
  Start(StartsFrame());
  EXPECT_EQ(host().CreateControlWindow(0, 0, 600, 400, title.get()), E_FAIL);  // it exists
  const platform::HWND frame = m_main->hwnd();
  EXPECT_EQ(host().DestroyControlWindow(), S_OK);
  EXPECT_FALSE(platform::IsWindow(frame));
  EXPECT_EQ(CGlobal::Instance().GetControlWnd(), nullptr);
  EXPECT_EQ(Call(u"EditUploadFile"), E_FAIL);  // no frame window any more
}

TEST_F(FotaroExLifecycleTest, OnlyTheOwningThreadMayCallAndTheLastReleaseComesBackToIt) {
  Start(StartsFrame());
  HRESULT invoked = S_OK, queried = S_OK, initialised = S_OK;
  std::thread other([&] {
    DispArgs args;
    invoked = fotaro::test::CallMethod(control(), u"Upload", args);
    void* object = nullptr;
    queried = m_control->QueryInterface(IID_IFotaroExHost, &object);
    initialised = control().Init();
  });
  other.join();
  EXPECT_EQ(invoked, RPC_E_WRONG_THREAD);
  EXPECT_EQ(queried, RPC_E_WRONG_THREAD);
  EXPECT_EQ(initialised, RPC_E_WRONG_THREAD);
  EXPECT_EQ(m_main->calls, (std::vector<std::string>{"Create", "Show"}));  // nothing from the other thread

  // A last release elsewhere leaves the control to its own thread's loop.
  const long live = platform::com::ModuleCount::Count();
  std::thread releaser([control = m_control] { control->Release(); });
  releaser.join();
  m_control = nullptr;
  EXPECT_EQ(platform::com::ModuleCount::Count(), live);
  Drain();
  EXPECT_EQ(platform::com::ModuleCount::Count(), live - 1);
}

}  // namespace
