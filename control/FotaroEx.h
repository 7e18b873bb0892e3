#pragma once
// CFotaroEx: the photo-upload control that a page scripts.
//
// Interfaces: IFotaroEx (dual: the fifty entries in DISPID order after IDispatch; Invoke and
// GetIDsOfNames by its dispatch table), IConnectionPointContainer with one connection point for
// the events of _IFotaroExEvents, IPersistPropertyBag (the page's parameters), and IFotaroExHost
// (the page's URL for the site lock, and the control's window).
//
// Every method is a validating front: it writes its log line, checks its arguments (E_INVALIDARG
// comes before E_FAIL, except where a method fails both ways with E_FAIL), and reaches the active
// frame (m_pUploaderBase), its upload manager or queue, the process-wide settings or the silent
// uploader. Until Init has chosen a frame every frame-bound method fails or does nothing; the
// values of SetActiveXType, SetRetryTimes, SetMD5FileSize, SetReportServer and the watermark
// setters are stored and applied by Init.
//
// Events: the frames, the grid and the workers never call the page; they post (or send) messages
// to the control's window, and the handlers fire the events on the control's thread, to every
// sink in connection order. While no frame is created the frame messages fire nothing.
//
// Threads: the control belongs to the thread that made it. Calls through its interfaces from
// another thread fail with RPC_E_WRONG_THREAD. AddRef and Release may come from any thread; a
// last Release on another thread leaves the destruction to the control's thread (through its
// window) when the control has a window.
//
// Frames: the control holds its two frames only as CUploaderBase (FrameSet.h); either may be null.

#include <cstdint>
#include <string>

#include "control/FotaroExProperties.h"
#include "control/FrameSet.h"
#include "net/CMURLDownload.h"
#include "platform/com/ComObject.h"
#include "platform/com/ConnectionPoint.h"
#include "platform/com/DispatchTable.h"
#include "platform/win/Window.h"

class CFotaroEx final : public IFotaroEx,
                        public IConnectionPointContainer,
                        public IPersistPropertyBag,
                        public IFotaroExHost,
                        private platform::Window {
 public:
  // A control with reference count 1 and its frames.
  explicit CFotaroEx(FrameSet frames);
  CFotaroEx(const CFotaroEx&) = delete;
  CFotaroEx& operator=(const CFotaroEx&) = delete;

  // The dispatch table of IFotaroEx.
  static const platform::com::DispatchTable& Dispatch();

  // IUnknown
  HRESULT QueryInterface(REFIID riid, void** ppvObject) override;
  ULONG AddRef() override;
  ULONG Release() override;

  // IDispatch
  HRESULT GetTypeInfoCount(UINT* pctinfo) override;
  HRESULT GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) override;
  HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid, DISPID* rgDispId) override;
  // E_ACCESSDENIED until a page URL that passes the site lock has been given.
  HRESULT Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS* pDispParams,
                 VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) override;

  // IFotaroEx
  HRESULT SetResourceInfo(BSTR bstrDownloadResourceURL) override;
  HRESULT SetReportServer(BSTR bstrIP, INT nPort) override;
  HRESULT GetVersion(INT* pnVersion) override;
  HRESULT GetUploadKey(BSTR* pbstrKey) override;
  HRESULT HaveSetUploadInfo(LONG* pbHaveSet) override;
  HRESULT SetFrame(INT nType, INT nBmpMaxWidth, INT nEditHeight) override;
  HRESULT ActiveFrame(INT nFrame) override;
  HRESULT Upload() override;
  HRESULT SetHelpHyperlink(BSTR bstrHelpHyperlink) override;
  HRESULT SetTokenContent(BSTR bstrToken) override;
  HRESULT SetUploadInfo(BSTR bstrOrniUin, BSTR bstrKey, BSTR bstrExtendID, BSTR bstrURL, UINT nTotalSpaceSize,
                        UINT nUsedSpaceSize, UINT nCompressLevel, INT nMaxWidth, INT nMaxHeight) override;
  HRESULT SetUploadLimit(INT nLimitCount) override;
  HRESULT EditUploadFile() override;
  HRESULT TranslateAccelerator() override;
  HRESULT SetUploadPath(BSTR bstrPath) override;
  HRESULT SetThumbInfo(INT nQuality, INT nWidth, INT nHeight) override;
  HRESULT UploadEx(LONG bOnlySelected) override;
  HRESULT SetUnCompressLimit(INT nMaxWidth, INT nMaxHeight) override;
  HRESULT SetAutoCompress(LONG bAutoCompress) override;
  HRESULT SetTipsMsg(BSTR bstrMsg) override;
  HRESULT SetPhotoCount(INT nCount) override;
  HRESULT LeaveControl() override;
  HRESULT AddPhoto(INT nType) override;
  HRESULT Resize() override;
  HRESULT SetExtendStr(BSTR bstrInput) override;
  HRESULT SetActiveXType(INT nType) override;
  HRESULT StopUpload(LONG bConfirm) override;
  HRESULT SetRetryTimes(INT nTimes) override;
  HRESULT SetWaterPressName(BSTR bstrWaterPressName) override;
  HRESULT SetWaterPressUrl(BSTR bstrWaterPressUrl) override;
  HRESULT GetPhotoCount(INT* pnCount) override;
  HRESULT get_PhotoCount(LONG* pVal) override;
  HRESULT put_PhotoCount(LONG newVal) override;
  HRESULT SetWaterPressType(INT nType) override;
  HRESULT SetMD5FileSize(INT nMb) override;
  HRESULT Init() override;
  HRESULT HideSortDropDown() override;
  HRESULT SetSizeLimits(BSTR bstrBigPic, BSTR bstrThumbs) override;
  HRESULT SetWaterMark(INT nWaterMark) override;
  HRESULT SetSvrTime(INT nSvrTimeSec) override;
  HRESULT SetThreadCount(INT nThreadCount) override;
  HRESULT SetUploadSizeLimit(INT nLimitSize) override;
  HRESULT UpdateVersion(BSTR bstrURL, BSTR bstrMD5, BSTR bstrWording, LONG bUpdate) override;
  HRESULT SetUserOrni(BSTR bstrOrni) override;
  HRESULT CancelOneTask(INT nIdx) override;
  HRESULT SetBrowserInfo(BSTR bstrType, BSTR bstrCore, BSTR bstrBrVer) override;
  HRESULT SetUploadFilePath(BSTR bstrXmlPath) override;
  HRESULT StopUploadSliently() override;
  HRESULT StartUploadSliently() override;
  HRESULT ResizeInFF(INT nWidth, INT nHeight) override;

  // IConnectionPointContainer: the connection point of DIID__IFotaroExEvents.
  HRESULT EnumConnectionPoints(IEnumConnectionPoints** ppEnum) override;
  HRESULT FindConnectionPoint(REFIID riid, IConnectionPoint** ppCP) override;

  // IPersistPropertyBag
  HRESULT GetClassID(CLSID* pClassID) override;
  HRESULT InitNew() override;
  HRESULT Load(IPropertyBag* pPropBag, IErrorLog* pErrorLog) override;
  HRESULT Save(IPropertyBag* pPropBag, BOOL fClearDirty, BOOL fSaveAllProperties) override;

  // IFotaroExHost
  HRESULT SetPageUrl(BSTR bstrUrl) override;
  HRESULT CreateControlWindow(INT x, INT y, INT nWidth, INT nHeight, BSTR bstrTitle) override;
  HRESULT DestroyControlWindow() override;

 private:
  // Posted to the control's own window when its last reference went on another thread.
  static constexpr platform::UINT kDeleteControl = platform::WM_USER + 0x7F0;

  ~CFotaroEx() override;

  bool WrongThread() const { return !m_owner.IsCurrent(); }

  // Frames. A frame counts as created when one is active and its window exists; the window of
  // the first created frame (the main frame before the second) is the one that is moved, shown
  // and destroyed.
  CUploaderBase* ChosenFrame() const;  // the frame the style type selects
  bool IsFrameCreated() const;
  CUploaderBase* CreatedFrame() const;
  bool IsMainFrameCreated() const;
  bool CreateUploaderWnd(const platform::RECT& rect);
  HRESULT DoUpload(LONG bOnlySelected);
  HRESULT DoResize(const platform::RECT& rect);
  HRESULT SetWaterPressText(std::u16string& field, BSTR value, const char* scope, const char* before);
  void ApplyWaterPressInfo(const char* scope);

  // Lifecycle (FotaroExLifecycle.cpp).
  void OnCreate();
  void OnDestroy();
  // The keyboard focus goes on to the created frame (the main frame first); without one it stays.
  void OnSetFocus();
  void PreWaterPressUrl();

  // Messages and events (FotaroExEvents.cpp).
  platform::LRESULT WndProc(platform::UINT message, platform::WPARAM wParam, platform::LPARAM lParam,
                            std::unique_ptr<platform::MessagePayload>& payload) override;
  void OnCM_FTUploader(platform::WPARAM code, platform::LPARAM value, platform::MessagePayload* payload);
  void OnCM_SilentUploader(platform::WPARAM code, platform::LPARAM value, platform::MessagePayload* payload);
  void OnCM_URLDownload(platform::WPARAM state);
  void OnCM_DataReport(platform::MessagePayload* payload);
  void OnCM_NotifyView(platform::WPARAM code, platform::MessagePayload* payload);
  void FireUploadResult(const std::u16string& file, const std::u16string& resultFile);
  void FireUploadOver(platform::LPARAM end);
  void Fire(DISPID dispid, std::initializer_list<platform::com::EventArg> args = {});

  const platform::com::OwnerThread m_owner;
  platform::com::RefCount m_refs;
  platform::com::ModuleObject m_counted;
  platform::com::CConnectionPoint m_events;

  fotaro::FotaroExProperties m_props;
  FrameSet m_frames;
  CUploaderBase* m_pUploaderBase = nullptr;  // the active frame, chosen at Init
  bool m_bInited = false;
  bool m_bSiteAllowed = false;       // a page URL passed the site lock
  // The control's window as the host asked for it: a top-level window at m_rcWindow (screen
  // coordinates) titled m_strWindowTitle, whose client area is m_rcClient.
  platform::RECT m_rcWindow;
  platform::RECT m_rcClient;
  std::u16string m_strWindowTitle;
  CCMURLDownload m_urlDownload;      // the watermark picture

  // Data-report totals, passed to OnSink_UploadOver and then set back to 0.
  int32_t m_nRotateCount = 0;
  int32_t m_nModFilenameCount = 0;
  int32_t m_nNimbraCount = 0;
  int32_t m_nUdiskCount = 0;
};
