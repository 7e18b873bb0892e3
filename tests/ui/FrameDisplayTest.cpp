// The whole control in a real GTK window on a virtual X server: six photos are added, the batch is
// uploaded to the album server (one photo refused, two held on their way, so that the overlays and
// the status strip show), the end-of-batch question is answered with a click on the X server, and
// the frame shows the photo that stayed. The test saves screenshots/frame-uploading.png,
// frame-question.png and frame-after.png in its working folder.

#include <gtest/gtest.h>
#include <unistd.h>

#include "control/FotaroEx.h"
#include "engine/ThreadPool.h"
#include "platform/CodePage.h"
#include "platform/com/Bstr.h"
#include "platform/com/PropertyBag.h"
#include "platform/gfx/JpegCodec.h"
#include "platform/win/MessageLoop.h"
#include "platform/win/Surface.h"
#include "tests/control/ServicesEnv.h"
#include "tests/support/ComSupport.h"
#include "tests/support/DisplayEnvironment.h"
#include "tests/support/TestImages.h"
#include "tools/albumserver/AlbumServer.h"
#include "ui/FTUploader.h"
#include "ui/PreviewMessages.h"
#include "widgets/CMMessageDlg.h"

using namespace std::chrono_literals;
using fotaro::test::PumpUntil;
using fotaro::test::RunWhilePumping;
using fotaro::test::TestSink;

namespace {

bool Received(const TestSink& sink, DISPID dispid) {
  for (const auto& event : sink.received) {
    if (event.dispid == dispid) return true;
  }
  return false;
}

}  // namespace

TEST(FrameDisplayTest, ABatchUploadsInARealWindowAndTheUserAnswersItsQuestion) {
  FOTARO_REQUIRE_DISPLAY();
  if (access("/usr/bin/xdotool", X_OK) != 0) GTEST_SKIP() << "xdotool is needed (scripts/test.sh installs it)";
  fotaro::test::ServicesEnv env;
  const fotaro::test::TempDir& dir = env.root();
  fotaro::AlbumServer server;
  ASSERT_TRUE(server.Start());
  // The first photo is refused, the next two wait on the server until the screenshot is taken.
  fotaro::AlbumReply refused;
  refused.body = "<body><Result>-201</Result><Reason>图片大小超过限制</Reason></body>";
  fotaro::AlbumReply held;
  held.holdAnswer = true;
  server.Script(refused);
  server.Script(held);
  server.Script(held);

  std::vector<std::u16string> photos;
  for (unsigned i = 0; i < 6; ++i) {
    std::vector<uint8_t> jpeg;
    ASSERT_TRUE(platform::gfx::EncodeJpeg(fotaro::test::Landscape(1600, 1200, 21 + i), 90, {}, &jpeg));
    const std::string path = dir.file("IMG_20" + std::to_string(i + 10) + ".jpg");
    fotaro::test::WriteFile(path, jpeg);
    photos.push_back(platform::PathFromBytes(path));
  }

  FrameSet frames = CreateFrames();
  auto* frame = dynamic_cast<CFTUploader*>(frames.main.get());
  ASSERT_NE(frame, nullptr);
  auto* control = new CFotaroEx(std::move(frames));
  platform::com::BstrPtr page = platform::com::MakeBstr(u"http://localhost/album");
  ASSERT_EQ(control->SetPageUrl(page.get()), S_OK);
  auto* bag = new platform::com::CPropertyBag;
  bag->Set(u"EditMaxWidth", 700);
  bag->Set(u"EditMaxHeight", 460);
  ASSERT_EQ(control->Load(bag, nullptr), S_OK);
  bag->Release();
  auto* sink = new TestSink(DIID__IFotaroExEvents);
  IConnectionPoint* point = nullptr;
  ASSERT_EQ(control->FindConnectionPoint(DIID__IFotaroExEvents, &point), S_OK);
  DWORD cookie = 0;
  ASSERT_EQ(point->Advise(sink, &cookie), S_OK);
  point->Release();
  platform::com::BstrPtr title = platform::com::MakeBstr(u"上传照片");
  ASSERT_EQ(control->CreateControlWindow(0, 0, 700, 460, title.get()), S_OK);
  ASSERT_TRUE(frame->IsFrameCreated());

  fotaro::test::DispArgs info;
  info.Str(u"10001").Str(u"key").Str(u"album-1").Str(platform::FromUtf8(server.Url())).UI4(1000).UI4(0).UI4(90).I4(800).I4(600);
  ASSERT_EQ(fotaro::test::CallMethod(*control, u"SetUploadInfo", info), S_OK);
  fotaro::test::DispArgs extend, threads;
  ASSERT_EQ(fotaro::test::CallMethod(*control, u"SetExtendStr", extend.Str(u"extra")), S_OK);
  ASSERT_EQ(fotaro::test::CallMethod(*control, u"SetThreadCount", threads.I4(2)), S_OK);

  // The photos arrive as a drop does, and the loader makes their thumbnails.
  platform::SendMessage(frame->hwnd(), CM_CMPREVIEW, CMT_UPLOADPREVIEW_ADDFILES, reinterpret_cast<platform::LPARAM>(&photos));
  ASSERT_TRUE(PumpUntil(
      [&] {
        std::lock_guard<std::recursive_mutex> lock(frame->grid().list().mutex());
        for (const auto& item : frame->grid().list().items()) {
          if (!item->bLoaded) return false;
        }
        return true;
      },
      20s));

  // During the upload: one photo refused (red), two sent and waiting for their answers, the fourth
  // being prepared, the status strip turning.
  fotaro::test::DispArgs none;
  ASSERT_EQ(fotaro::test::CallMethod(*control, u"Upload", none), S_OK);
  ASSERT_TRUE(PumpUntil([&] { return server.Arrivals() >= 3 && !frame->grid().list().items()[0]->strError.empty(); }, 20s));
  ASSERT_TRUE(PumpUntil([&] { return frame->grid().list().items()[2]->nPercent == 95; }, 20s));
  platform::gfx::Bitmap shot;
  ASSERT_TRUE(platform::CaptureWindow(platform::GetParent(frame->hwnd()), &shot));
  fotaro::test::SaveScreenshot(shot, "frame-uploading.png");
  EXPECT_TRUE(frame->IsUploading());
  EXPECT_TRUE(platform::IsWindowVisible(frame->statusBar().hwnd()));
  EXPECT_TRUE(platform::IsWindowVisible(frame->stopButton().hwnd()));
  // The refused photo's band is red where the overlay shows its text.
  platform::RECT cell = frame->grid().list().items()[0]->rcPic;
  const uint32_t band = shot.at(cell.left + 1 + 4, cell.bottom + 1 - 4);
  EXPECT_GT((band >> 16) & 0xFF, 0xC0u);
  EXPECT_LT((band >> 8) & 0xFF, 0x80u);

  // The end of the batch asks whether to send the refused photo again; the user clicks "否".
  bool asked = false;
  CCMMessageDlg::SetShownHook([&](CCMMessageDlg& dialog) {
    asked = true;
    EXPECT_EQ(dialog.text(), u"1张照片上传失败, 重新上传吗?");
    platform::gfx::Bitmap question;
    if (platform::CaptureWindow(dialog.hwnd(), &question)) fotaro::test::SaveScreenshot(question, "frame-question.png");
    platform::RECT no{};
    platform::GetWindowRect(dialog.button(1), &no);
    RunWhilePumping("/usr/bin/xdotool", {"mousemove", std::to_string((no.left + no.right) / 2),
                                          std::to_string((no.top + no.bottom) / 2), "click", "1"});
  });
  server.ReleaseHeld();
  EXPECT_TRUE(PumpUntil([&] { return Received(*sink, DISPID_OnSink_UploadComplete); }, 30s));
  CCMMessageDlg::SetShownHook(nullptr);
  EXPECT_TRUE(asked);
  EXPECT_EQ(server.Requests().size(), 6u);

  // After: the refused photo stays for another try; the frame is ready again.
  EXPECT_EQ(frame->grid().GetPhotoCount(), 1u);
  EXPECT_TRUE(PumpUntil([&] { return !platform::IsWindowVisible(frame->statusBar().hwnd()); }, 5s));
  ASSERT_TRUE(platform::CaptureWindow(platform::GetParent(frame->hwnd()), &shot));
  fotaro::test::SaveScreenshot(shot, "frame-after.png");

  control->DestroyControlWindow();
  control->Release();
  sink->Release();
  OrniFotaro::CThreadPool::FreeInstance(-1);
}
