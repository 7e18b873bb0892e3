#include "ui/KestrelUploaderDlg.h"

#include <algorithm>

#include "platform/win/Surface.h"
#include "ui/FrameControls.h"
#include "widgets/Skin.h"

using namespace platform;

CKestrelUploaderDlg::CKestrelUploaderDlg() = default;

CKestrelUploaderDlg::~CKestrelUploaderDlg() { DestroyWindow(hwnd()); }

bool CKestrelUploaderDlg::SetWaterPressInfo(int32_t type, const char16_t* name, const char16_t* url) {
  m_bWaterPressShown = type != 0;
  ShowWindow(m_waterPress.hwnd(), m_bWaterPressShown ? SW_SHOW : SW_HIDE);
  return CUploaderBase::SetWaterPressInfo(type, name, url);
}

bool CKestrelUploaderDlg::SetWaterPressCheck(int32_t flag) {
  CUploaderBase::SetWaterPressCheck(flag);
  m_waterPress.SetCheck(flag != 0);
  return true;
}

void CKestrelUploaderDlg::HideSortDropDown() { m_sort.ShowList(false); }

void CKestrelUploaderDlg::CreateControls() {
  m_sort.Create(hwnd(), RECT{}, kCmdSort, CUploadPreview::SortOrderNames());
  m_sort.SetCurSel(CUploadPreview::kSortAsAdded - 1);
  m_waterPress.Create(hwnd(), RECT{}, kCmdWaterPress, m_strUploadBtnWaterPress);
  m_waterPress.SetCheck(m_bWaterPressCheck != 0);
  ShowWindow(m_waterPress.hwnd(), m_bWaterPressShown ? SW_SHOW : SW_HIDE);
  m_status.Create(hwnd(), RECT{});
  m_btnAdd.Create(hwnd(), RECT{}, kCmdAddPhoto, u"添加照片");
  m_btnUpload.Create(hwnd(), RECT{}, kCmdPrepareUpload, u"开始上传");
  m_btnStop.Create(hwnd(), RECT{}, kCmdStop, u"取消上传", false);
}

void CKestrelUploaderDlg::Layout(const RECT& r) {
  CloseTip();
  m_sort.ShowList(false);
  using frame_controls::Face;
  const int bottom = r.bottom - kBottomHeight;
  frame_controls::Place(m_sort, {std::max(r.left, r.right - 150), 8, r.right - 16, 32});
  frame_controls::Place(grid(), {r.left + 1, r.top + kTitleHeight, r.right - 1, std::max(r.top + kTitleHeight, bottom)});
  frame_controls::Place(m_waterPress, {16, bottom + 16, 236, bottom + 36});
  frame_controls::Place(m_status, {16, bottom + 10, std::max(96, r.right - 136), bottom + 42});
  frame_controls::PlaceButton(m_btnAdd, {r.right - 230, bottom + 10, r.right - 130, bottom + 42}, Face::kPlain);
  frame_controls::PlaceButton(m_btnUpload, {r.right - 120, bottom + 10, r.right - 16, bottom + 42}, Face::kMain);
  frame_controls::PlaceButton(m_btnStop, {r.right - 120, bottom + 10, r.right - 16, bottom + 42}, Face::kPlain);
}

void CKestrelUploaderDlg::Paint(gfx::Canvas& canvas, const RECT& client) {
  const float w = static_cast<float>(client.right);
  const float h = static_cast<float>(client.bottom);
  canvas.FillRect({0, 0, w, h}, 0xFFFFFFFF);
  canvas.FillRect({0, 0, w, float{kTitleHeight}}, skin::kPanel);
  canvas.FillRect({0, h - kBottomHeight, w, float{kBottomHeight}}, skin::kPanel);
  const std::u16string title = m_strUploadTitleText.empty() ? u"上传照片" : m_strUploadTitleText;
  canvas.DrawTextLine(title, skin::UiFont(14), {16, 0, w - 180, float{kTitleHeight}}, skin::kText);
}

void CKestrelUploaderDlg::SetButtonState(int state) {
  const bool uploading = state == kButtonsUploading;
  ShowWindow(m_btnAdd.hwnd(), uploading ? SW_HIDE : SW_SHOW);
  ShowWindow(m_btnUpload.hwnd(), uploading ? SW_HIDE : SW_SHOW);
  EnableWindow(m_btnUpload.hwnd(), state == kButtonsReady);
  ShowWindow(m_btnStop.hwnd(), uploading ? SW_SHOW : SW_HIDE);
  ShowWindow(m_waterPress.hwnd(), !uploading && m_bWaterPressShown ? SW_SHOW : SW_HIDE);
}

void CKestrelUploaderDlg::OnDisplayMode() {
  const bool uploading = displayMode() == kModeUploading;
  if (uploading) m_status.Show(animationStep(), frame_controls::StatusText(*this));
  ShowWindow(m_status.hwnd(), uploading ? SW_SHOW : SW_HIDE);
}

void CKestrelUploaderDlg::BeforeBatch() { m_uploadMgr.SetWaterMark(m_bWaterPressCheck); }

bool CKestrelUploaderDlg::OnFrameCommand(UINT id, UINT notification) {
  if (id == kCmdWaterPress) {
    m_bWaterPressCheck = m_waterPress.GetCheck() ? 1 : 0;
    return true;
  }
  if (id == kCmdSort && notification == CBN_SELCHANGE) {
    grid().SetSortOrder(m_sort.GetCurSel() + 1);
    return true;
  }
  return false;
}
