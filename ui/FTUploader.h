#pragma once
// CFTUploader: the main uploader frame, chosen when the style type is not 0. The grid fills the
// frame; three buttons lie over its lower left corner: "开始上传" (103: the page is asked to start
// the batch; hidden for style 0), "继续添加" (104: the page is asked to add photos) and, while a
// batch runs, "取消上传" (109: stop, after asking) beside the status strip with the animation and
// how far the batch has got.

#include "ui/UploadStatusBar.h"
#include "ui/UploaderFrame.h"
#include "widgets/CMButton.h"

class CFTUploader : public CUploaderFrame {
 public:
  CFTUploader();
  ~CFTUploader() override;

  // The settings' part only; true whatever it says.
  bool SetWaterPressInfo(int32_t type, const char16_t* name, const char16_t* url) override;
  // The main frame keeps no compression choice of its own.
  bool SetAutoCompress(int32_t flag) override;
  void Layout(const platform::RECT& rect) override;
  void HideSortDropDown() override {}

  CCMButton& prepareButton() { return m_btnPrepare; }
  CCMButton& addButton() { return m_btnAdd; }
  CCMButton& stopButton() { return m_btnStop; }
  CUploadStatusBar& statusBar() { return m_status; }

 protected:
  void CreateControls() override;
  void Paint(platform::gfx::Canvas& canvas, const platform::RECT& client) override;
  void SetButtonState(int state) override;
  void OnDisplayMode() override;

 private:
  CUploadStatusBar m_status;
  CCMButton m_btnPrepare;
  CCMButton m_btnStop;
  CCMButton m_btnAdd;
};
