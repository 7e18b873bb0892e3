#include "ui/FTUploader.h"

#include <algorithm>

#include "control/services/Global.h"
#include "platform/win/Surface.h"
#include "ui/FrameControls.h"
#include "widgets/Skin.h"

using namespace platform;

CFTUploader::CFTUploader() = default;

// The window goes while the frame's parts still exist.
CFTUploader::~CFTUploader() { DestroyWindow(hwnd()); }

bool CFTUploader::SetWaterPressInfo(int32_t type, const char16_t* name, const char16_t* url) {
  CUploaderBase::SetWaterPressInfo(type, name, url);
  return true;
}

bool CFTUploader::SetAutoCompress(int32_t) { return true; }

void CFTUploader::CreateControls() {
  m_status.Create(hwnd(), RECT{});
  m_btnPrepare.Create(hwnd(), RECT{}, kCmdPrepareUpload, u"开始上传");
  EnableWindow(m_btnPrepare.hwnd(), false);
  m_btnStop.Create(hwnd(), RECT{}, kCmdStop, u"取消上传", false);
  m_btnAdd.Create(hwnd(), RECT{}, kCmdAddPhoto, u"继续添加");
  if (CGlobal::Instance().GetStyleType() == 0) ShowWindow(m_btnPrepare.hwnd(), SW_HIDE);
}

void CFTUploader::Layout(const RECT& r) {
  CloseTip();
  using frame_controls::Face;
  frame_controls::PlaceButton(m_btnPrepare, {20, r.bottom - 42, 132, r.bottom - 10}, Face::kMain);
  frame_controls::PlaceButton(m_btnStop, {20, r.bottom - 35, 75, r.bottom - 21}, Face::kLink);
  frame_controls::PlaceButton(m_btnAdd, {139, r.bottom - 42, 228, r.bottom - 10}, Face::kPlain);
  frame_controls::Place(m_status, {80, r.bottom - 42, std::max(160, r.right - 20), r.bottom - 10});
  RECT inner = r;
  InflateRect(inner, -1, -1);
  frame_controls::Place(grid(), inner);
}

void CFTUploader::Paint(gfx::Canvas& canvas, const RECT& client) {
  skin::DrawBox(canvas, {0, 0, static_cast<float>(client.right), static_cast<float>(client.bottom)}, skin::kBorder,
                0xFFFFFFFF);
}

void CFTUploader::SetButtonState(int state) {
  const bool uploading = state == kButtonsUploading;
  const bool prepareShown = !uploading && CGlobal::Instance().GetStyleType() != 0;
  ShowWindow(m_btnPrepare.hwnd(), prepareShown ? SW_SHOW : SW_HIDE);
  EnableWindow(m_btnPrepare.hwnd(), state == kButtonsReady);
  ShowWindow(m_btnAdd.hwnd(), uploading ? SW_HIDE : SW_SHOW);
  ShowWindow(m_btnStop.hwnd(), uploading ? SW_SHOW : SW_HIDE);
}

void CFTUploader::OnDisplayMode() {
  const bool uploading = displayMode() == kModeUploading;
  if (uploading) m_status.Show(animationStep(), frame_controls::StatusText(*this));
  ShowWindow(m_status.hwnd(), uploading ? SW_SHOW : SW_HIDE);
}
