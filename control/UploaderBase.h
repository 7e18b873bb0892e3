#pragma once
// CUploaderBase: the interface through which the control reaches one uploader frame.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/ULData.h"
#include "engine/UploadMgr.h"
#include "imaging/ULKernel.h"
#include "platform/win/Types.h"

class CSlientUploader;

// Every configuration method of the control ends in one of these operations. Operations 1 to 14
// have a common implementation that stores the values in the uploader's settings; a frame class
// may override some of them. The frame classes provide the message box and operations 16 to 27,
// which need their windows. The control calls only through this interface and never depends on
// which frame class it holds. The virtual functions are declared in their slot order.
//
// Operations 28 to 34 follow: they are what the control needs of a frame's window and of its
// silent uploader, with common implementations that suit a frame without a window of its own.
//
// String arguments are nullable wide strings (the control's BSTRs): a null string is refused
// (false, nothing stored); an empty one is refused where the settings rule says non-empty.
class CUploaderBase {
 public:
  CUploaderBase();
  virtual ~CUploaderBase();  // slot 0
  CUploaderBase(const CUploaderBase&) = delete;
  CUploaderBase& operator=(const CUploaderBase&) = delete;

  // 1: the composite setter of the settings record.
  virtual bool SetUploadInfo(const char16_t* uin, const char16_t* key, const char16_t* extendId, const char16_t* url,
                             uint32_t total, uint32_t used, uint32_t compressLevel, int32_t maxWidth,
                             int32_t maxHeight);
  // 2: the settings record's limit and, when it accepts the count, the frame's copy.
  virtual bool SetUploadLimit(int32_t count);
  // 3: MiB, 1 to 2047.
  virtual bool SetUploadSizeLimit(int32_t megabytes);
  // 4
  virtual bool SetExtentStr(const char16_t* extentStr);
  // 5
  virtual bool SetPhotoCount(int32_t count);
  // 6: type, name, URL, stopping at the first that fails.
  virtual bool SetWaterPressInfo(int32_t type, const char16_t* name, const char16_t* url);
  // 7: stores the flag; true for any value.
  virtual bool SetWaterPressCheck(int32_t flag);
  // 8: the local file of the downloaded watermark picture.
  virtual bool SetWaterPressPath(const char16_t* path);
  // 9: copies of the user number and session key ("" until set).
  virtual void GetUploadKey(std::u16string& uin, std::u16string& key) const;
  // 10: the caption texts; false (nothing stored) when one is null.
  virtual bool SetFrameTexts(const char16_t* title, const char16_t* compressCaption, const char16_t* waterPressCaption);
  // 11: stores both values.
  virtual void SetUploadOnceInfo(int32_t count, int32_t wait);
  // 12: stores the flag; true for any value.
  virtual bool SetAutoCompress(int32_t flag);
  // 13
  virtual bool SetUnCompressLimit(int32_t width, int32_t height);
  // 14
  virtual bool SetThumbInfo(int32_t quality, int32_t width, int32_t height);
  // 15: the frame's modal message dialog (up to three buttons; a null parent means the active
  // window); returns the index of the pressed button.
  virtual int32_t MessageBox(const char16_t* text, const char16_t* caption, const char16_t* button1,
                             const char16_t* button2, const char16_t* button3, int32_t type, int32_t flag,
                             platform::HWND parent) = 0;

  virtual std::u16string GetExtraText() = 0;             // 16
  virtual void AddPhoto(int32_t type) = 0;               // 17
  virtual void StartUpload() = 0;                        // 18
  virtual void StopUpload(int32_t confirm) = 0;          // 19
  virtual void Layout(const platform::RECT& rect) = 0;   // 20
  virtual void ShowTipsMsg(const char16_t* text) = 0;    // 21
  virtual int32_t GetPhotoCount() = 0;                   // 22
  virtual bool LeaveControl() = 0;                       // 23
  virtual bool UploadInUploadFrame(bool bOnlySelected) = 0;  // 24
  virtual bool IsFrameCreated() = 0;                     // 25: the frame window exists
  virtual void HideSortDropDown() = 0;                   // 26
  virtual void OnUserChanged() = 0;                      // 27

  // 28: creates the frame window as a visible child of `parent` (the control's window) in
  // `rect`, and returns its handle; null when it cannot. The common part makes no window.
  virtual platform::HWND CreateFrameWnd(platform::HWND parent, const platform::RECT& rect);
  // 29: moves the frame window to `rect` in its parent and lays out its children; the common
  // part only lays out (Layout).
  virtual void MoveFrameWnd(const platform::RECT& rect);
  // 30: shows the frame window; the common part does nothing.
  virtual void ShowFrameWnd();
  // 31: a silent batch of `paths`. The frame's silent uploader (made on first use, a hidden child
  // of the frame window that reports to the frame window's parent, the control) takes the list and
  // starts; nothing starts while the frame has no window.
  virtual void UploadSilently(std::vector<std::u16string> paths);
  // 32: a silent batch of the frame's own photos. The common part has none: its batch reports
  // that there is nothing to upload, and ends.
  virtual void StartUploadSliently();
  // 33: ends the silent batch, when the silent uploader's window exists.
  virtual void StopUploadSliently();
  // 34: cancels task `index` of the silent batch before it starts; false when it has started,
  // there is no such task or no silent uploader window.
  virtual bool CancelSilentTask(int32_t index);

  // The frame's upload manager and upload queue, which some of the control's methods reach.
  CUploadMgr& GetUploadMgr() { return m_uploadMgr; }
  CULData& GetULData() { return m_ulData; }
  platform::HWND GetFrameWnd() const { return m_hFrameWnd; }

 protected:
  // The uploader's working objects, in the order they are made (and destroyed in reverse: the
  // manager goes first and waits for its jobs, which use the queue and the kernel). The image
  // kernel is the settings record with the compression pipeline on top.
  CULKernel m_kernel;
  CULData m_ulData;
  CUploadMgr m_uploadMgr;
  std::unique_ptr<CSlientUploader> m_pSilent;  // made on first use; goes before the manager

  int32_t m_nUploadLimit = 100;  // the frame's copy of the upload limit
  std::u16string m_strUploadTitleText;
  std::u16string m_strUploadBtnCompress;
  std::u16string m_strUploadBtnWaterPress;
  int32_t m_nOnceCountLimit = 0;  // set at SetFrame through SetUploadOnceInfo
  int32_t m_nOnceWaitTime = 0;
  int32_t m_bWaterPressCheck = 0;
  int32_t m_bAutoCompress = 1;
  int32_t m_bCompressSwitch = 1;  // handed to the upload manager at each batch
  platform::HWND m_hFrameWnd = nullptr;  // set by the frame class
};
