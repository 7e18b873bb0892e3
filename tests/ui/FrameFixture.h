#pragma once
// A fixture for tests of the uploader frames: a control made with the real frames (CreateFrames,
// as the shared library makes it), started with its main frame 600 x 400, an album server, photos
// to add, and the answers the user gives to the frame's dialogs.

#include <deque>
#include <string>
#include <vector>

#include "tests/control/ControlFixture.h"
#include "tools/albumserver/AlbumServer.h"
#include "ui/FTUploader.h"
#include "ui/KestrelUploaderDlg.h"
#include "widgets/CMMessageDlg.h"

namespace fotaro::test {

// What a dialog asked.
struct AskedDialog {
  std::u16string caption;
  std::u16string text;
  std::vector<std::u16string> buttons;
  std::u16string link;
};

class FrameTest : public ControlTest {
 protected:
  // A dialog answer: the index of a button, or Close (the window's close box).
  static constexpr int kClose = CCMMessageDlg::kClosed;
  // Answers the hook calls for each dialog in turn, before it answers: it may look at the frame.
  using Inspect = std::function<void(CCMMessageDlg&)>;

  FrameSet MakeFrames() override;
  void SetUp() override;
  void TearDown() override;

  // Starts the control with its main frame and gives it the account of the album server.
  void StartWithServer(const std::vector<Param>& params = StartsFrame());
  // Gives the control the account of the album server at `url`.
  void GiveAccount(const std::string& url);
  // Writes `count` small photos and adds them to the frame as a paste or a drop does.
  std::vector<std::u16string> AddPhotos(size_t count, CUploaderFrame* frame = nullptr);
  // The answers to the next dialogs, in order. A dialog beyond them fails the test and is closed.
  void Answer(std::vector<int> answers, Inspect inspect = nullptr);
  // Runs the loop until the sink received `dispid` (bounded); false when it did not.
  bool RunUntilEvent(TestSink& sink, DISPID dispid);
  static int Count(const TestSink& sink, DISPID dispid);
  // The last event `dispid` the sink received (an event without arguments when there is none).
  static SinkEvent Last(const TestSink& sink, DISPID dispid);
  // Calls the control's method with integer arguments.
  HRESULT CallInts(std::u16string_view name, std::vector<int32_t> values);

  CFTUploader* m_frame = nullptr;
  CKestrelUploaderDlg* m_kestrel = nullptr;
  AlbumServer m_server;
  std::vector<AskedDialog> m_asked;

 private:
  std::deque<int> m_answers;
  Inspect m_inspect;
  size_t m_nPhotos = 0;
};

}  // namespace fotaro::test
