#pragma once
// CKestrelUploaderDlg: the second uploader frame, chosen when the style type is 0. The same batch
// as the main frame's in a plainer layout: a title bar with the sort order (a drop-down list), the
// grid, and a bottom bar with the watermark box and the buttons "添加照片" (104) and "开始上传"
// (103), or, while a batch runs, the status strip and "取消上传" (109).
//
// Where it differs from the main frame: a watermark type of 0 hides the watermark box; the box is
// the frame's watermark switch, handed to the upload manager before every batch; a batch in which
// every photo was uploaded ends with CM_FTUPLOADER code 4 and 2 (OnSink_UploadAllSuccessful);
// HideSortDropDown closes the sort list.

#include "ui/UploadStatusBar.h"
#include "ui/UploaderFrame.h"
#include "widgets/CMButton.h"
#include "widgets/CMCheckBox.h"
#include "widgets/CMDropDown.h"

class CKestrelUploaderDlg : public CUploaderFrame {
 public:
  static constexpr platform::UINT kCmdWaterPress = 110;
  static constexpr platform::UINT kCmdSort = 111;
  static constexpr int kTitleHeight = 40;
  static constexpr int kBottomHeight = 52;

  CKestrelUploaderDlg();
  ~CKestrelUploaderDlg() override;

  bool SetWaterPressInfo(int32_t type, const char16_t* name, const char16_t* url) override;
  bool SetWaterPressCheck(int32_t flag) override;
  void Layout(const platform::RECT& rect) override;
  void HideSortDropDown() override;

  CCMCheckBox& waterPressBox() { return m_waterPress; }
  CCMDropDown& sortList() { return m_sort; }
  CCMButton& uploadButton() { return m_btnUpload; }

 protected:
  void CreateControls() override;
  void Paint(platform::gfx::Canvas& canvas, const platform::RECT& client) override;
  void SetButtonState(int state) override;
  void OnDisplayMode() override;
  platform::LPARAM AllUploadedEnd() const override { return 2; }
  void BeforeBatch() override;
  bool OnFrameCommand(platform::UINT id, platform::UINT notification) override;

 private:
  CCMDropDown m_sort;
  CCMCheckBox m_waterPress;
  CUploadStatusBar m_status;
  CCMButton m_btnAdd;
  CCMButton m_btnUpload;
  CCMButton m_btnStop;
  bool m_bWaterPressShown = true;
};
