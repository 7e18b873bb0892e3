#pragma once
// CConsoleUploader: the uploader frame of `fotaro upload`. It owns what a frame owns (the
// settings, the upload queue, the upload manager, the silent uploader once used, the thread pools)
// and a window on the thread that makes it, and runs that thread's message loop while a batch
// runs. Instead of a grid and dialogs it tells an IUploadReport what happens; it asks no
// questions: a photo that fails stays failed.
//
// Every photo ends with exactly one result: the server's (result 0 or below), the compression
// code of a photo that could not be prepared (1 missing or empty, 2 no output, 5 not a readable
// picture, 8 too large), a setting code (1003 to 1006) when the upload could not start, or, for a
// photo the batch never reached because it was stopped, 7 (cancelled) after an interrupt, else the
// result that stopped it (below -400, or -302).
//
// Silent mode runs the photos through the silent uploader, one at a time. After a photo fails
// there, the frame does what the page is told to do: it stops the waiting batch and starts a new
// one with the photos that have no answer yet.

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "control/UploaderBase.h"
#include "engine/SlientUploader.h"
#include "platform/win/Window.h"

struct PhotoResult {
  std::u16string strFile;
  int32_t nResult = -1;
  std::u16string strReason;
  std::u16string strAlbumId;
  std::u16string strResultURL;
  bool bDone = false;
  std::u16string strFailure;  // why an upload brought no usable answer (UploadInfo::strFailure)
};

// Whoever shows the batch. Called on the frame's thread.
class IUploadReport {
 public:
  virtual ~IUploadReport() = default;
  virtual void OnSent(int64_t bytes) = 0;            // more bytes of a request went out
  virtual void OnPhotoPercent(int32_t percent) = 0;  // silent mode: the current photo's progress
  virtual void OnResult(const PhotoResult& result) = 0;
  virtual void OnMessage(const std::u16string& text) = 0;  // a text for the user
};

class CConsoleUploader : public CUploaderBase, public platform::Window {
 public:
  // Posted to the frame's window (from any thread) to stop the batch, as Ctrl-C does.
  static constexpr platform::UINT kInterrupt = platform::WM_USER + 700;

  explicit CConsoleUploader(IUploadReport* report);
  ~CConsoleUploader() override;

  CULKernel& Settings() { return m_kernel; }
  CUploadMgr& Manager() { return m_uploadMgr; }
  void SetThreadCount(int count) { m_ulData.SetQueueSize(count); }

  // Uploads the photos and returns once every one has its result (in the order given).
  std::vector<PhotoResult> Run(const std::vector<std::u16string>& photos, bool silent);

  // CUploaderBase. A terminal has no dialog, grid or layout: the message box and tips go to the
  // report as texts (the box answers "closed", -1), photos come from Run.
  int32_t MessageBox(const char16_t* text, const char16_t* caption, const char16_t* button1, const char16_t* button2,
                     const char16_t* button3, int32_t type, int32_t flag, platform::HWND parent) override;
  std::u16string GetExtraText() override { return {}; }
  void AddPhoto(int32_t) override {}
  void StartUpload() override;
  void StopUpload(int32_t confirm) override;
  void Layout(const platform::RECT&) override {}
  void ShowTipsMsg(const char16_t* text) override;
  int32_t GetPhotoCount() override { return static_cast<int32_t>(m_vecPhotos.size()); }
  bool LeaveControl() override { return false; }
  bool UploadInUploadFrame(bool bOnlySelected) override;
  bool IsFrameCreated() override { return platform::IsWindow(hwnd()); }
  void HideSortDropDown() override {}
  void OnUserChanged() override {}

  platform::LRESULT WndProc(platform::UINT message, platform::WPARAM wParam, platform::LPARAM lParam,
                            std::unique_ptr<platform::MessagePayload>& payload) override;

 private:
  void OnUploadMgr(int32_t code, const platform::MessagePayload* payload);
  void OnSilent(platform::WPARAM code, platform::LPARAM value, const platform::MessagePayload* payload);
  // The silent batch has stopped: go on with the photos that have no answer, or end.
  void OnSilentEnded();
  void StartSilent(const std::vector<std::u16string>& photos);
  // Records the first result of a photo and reports it.
  void Report(PhotoResult result);
  // A result that ends the batch for every photo not yet finished.
  void StopWith(int32_t result, const std::u16string& reason);
  std::vector<std::u16string> Unfinished() const;
  // The photo an answer document names. A document holds text, so the bytes of a name that are
  // not UTF-8 come back as U+FFFD: such a name is matched by its text form among the photos
  // without a result (the silent batch answers them in order).
  std::u16string AnsweredPhoto(const std::u16string& name) const;

  IUploadReport* m_pReport;
  std::vector<std::u16string> m_vecPhotos;
  std::map<std::u16string, PhotoResult> m_results;
  bool m_bSilent = false;
  std::unique_ptr<CSlientUploader> m_pSilent;
  bool m_bGoOn = false;  // the silent batch was stopped to go on with the rest
  bool m_bStopped = false;
  int32_t m_nStopResult = 0;
  std::u16string m_strStopReason;
};
