#include "control/UploaderBase.h"

#include "engine/SlientUploader.h"
#include "platform/win/Window.h"

CUploaderBase::CUploaderBase() {
  m_uploadMgr.SetKernelInfo(&m_kernel);
  m_uploadMgr.SetULData(&m_ulData);
}

CUploaderBase::~CUploaderBase() = default;

bool CUploaderBase::SetUploadInfo(const char16_t* uin, const char16_t* key, const char16_t* extendId,
                                  const char16_t* url, uint32_t total, uint32_t used, uint32_t compressLevel,
                                  int32_t maxWidth, int32_t maxHeight) {
  return m_kernel.SetUploadInfo(uin, key, extendId, url, total, used, compressLevel, maxWidth, maxHeight);
}

bool CUploaderBase::SetUploadLimit(int32_t count) {
  if (!m_kernel.SetUploadLimit(count)) return false;
  m_nUploadLimit = count;
  return true;
}

bool CUploaderBase::SetUploadSizeLimit(int32_t megabytes) { return m_kernel.SetUploadSizeLimit(megabytes); }

bool CUploaderBase::SetExtentStr(const char16_t* extentStr) { return m_kernel.SetExtentStr(extentStr); }

bool CUploaderBase::SetPhotoCount(int32_t count) { return m_kernel.SetPhotoCount(count); }

bool CUploaderBase::SetWaterPressInfo(int32_t type, const char16_t* name, const char16_t* url) {
  return m_kernel.SetWaterPressInfo(type, name, url);
}

bool CUploaderBase::SetWaterPressCheck(int32_t flag) {
  m_bWaterPressCheck = flag;
  return true;
}

bool CUploaderBase::SetWaterPressPath(const char16_t* path) { return m_kernel.SetWaterPressPath(path); }

void CUploaderBase::GetUploadKey(std::u16string& uin, std::u16string& key) const { m_kernel.GetUploadKey(uin, key); }

bool CUploaderBase::SetFrameTexts(const char16_t* title, const char16_t* compressCaption,
                                  const char16_t* waterPressCaption) {
  if (!title || !compressCaption || !waterPressCaption) return false;
  m_strUploadTitleText = title;
  m_strUploadBtnCompress = compressCaption;
  m_strUploadBtnWaterPress = waterPressCaption;
  return true;
}

void CUploaderBase::SetUploadOnceInfo(int32_t count, int32_t wait) {
  m_nOnceCountLimit = count;
  m_nOnceWaitTime = wait;
}

bool CUploaderBase::SetAutoCompress(int32_t flag) {
  m_bAutoCompress = flag;
  return true;
}

bool CUploaderBase::SetUnCompressLimit(int32_t width, int32_t height) {
  return m_kernel.SetUnCompressLimit(width, height);
}

bool CUploaderBase::SetThumbInfo(int32_t quality, int32_t width, int32_t height) {
  return m_kernel.SetThumbInfo(quality, width, height);
}

platform::HWND CUploaderBase::CreateFrameWnd(platform::HWND, const platform::RECT&) { return nullptr; }

void CUploaderBase::MoveFrameWnd(const platform::RECT& rect) { Layout(rect); }

void CUploaderBase::ShowFrameWnd() {}

void CUploaderBase::UploadSilently(std::vector<std::u16string> paths) {
  if (!platform::IsWindow(m_hFrameWnd)) return;
  if (!m_pSilent) m_pSilent = std::make_unique<CSlientUploader>();
  m_pSilent->SetFiles(&m_kernel, &m_ulData, platform::GetParent(m_hFrameWnd), std::move(paths));
  if (!platform::IsWindow(m_pSilent->hwnd())) m_pSilent->Create(m_hFrameWnd);
  if (platform::IsWindow(m_pSilent->hwnd())) m_pSilent->StartUpload(true);
}

void CUploaderBase::StartUploadSliently() { UploadSilently({}); }

void CUploaderBase::StopUploadSliently() {
  if (m_pSilent && platform::IsWindow(m_pSilent->hwnd())) m_pSilent->Finish();
}

bool CUploaderBase::CancelSilentTask(int32_t index) {
  return m_pSilent && platform::IsWindow(m_pSilent->hwnd()) && m_pSilent->CancelTask(index);
}
