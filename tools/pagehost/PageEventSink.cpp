#include "PageEventSink.h"

#include <iterator>

#include "VariantJson.h"

namespace fotaro::pagehost {

namespace {

struct EventEntry {
  DISPID dispid;
  const char* name;
};

constexpr EventEntry kEvents[] = {
    {DISPID_OnSink_UploadSelect, "OnSink_UploadSelect"},
    {DISPID_OnSink_UploadResult, "OnSink_UploadResult"},
    {DISPID_OnSink_ActiveFrame, "OnSink_ActiveFrame"},
    {DISPID_OnSink_UploadComplete, "OnSink_UploadComplete"},
    {DISPID_OnSink_PrepareToUpload, "OnSink_PrepareToUpload"},
    {DISPID_OnSink_UploadParams, "OnSink_UploadParams"},
    {DISPID_OnSink_LeaveControl, "OnSink_LeaveControl"},
    {DISPID_OnSink_UploadOver, "OnSink_UploadOver"},
    {DISPID_OnSink_PrepareToAddPhoto, "OnSink_PrepareToAddPhoto"},
    {DISPID_OnSink_HowToDrag, "OnSink_HowToDrag"},
    {DISPID_OnSlientSink_StartUpload, "OnSlientSink_StartUpload"},
    {DISPID_OnSlientSink_StopUpload, "OnSlientSink_StopUpload"},
    {DISPID_OnSlientSink_Progress, "OnSlientSink_Progress"},
    {DISPID_OnSlientSink_Complete, "OnSlientSink_Complete"},
    {DISPID_OnSlientSink_Error, "OnSlientSink_Error"},
    {DISPID_OnSink_ShowTimeInfo, "OnSink_ShowTimeInfo"},
    {DISPID_OnSink_HideTimeInfo, "OnSink_HideTimeInfo"},
    {DISPID_OnSink_UploadAllSuccessful, "OnSink_UploadAllSuccessful"},
    {DISPID_OnSink_LocalError, "OnSink_LocalError"},
    {DISPID_OnSink_DataReport, "OnSink_DataReport"},
    {DISPID_OnSink_GiveupFocus, "OnSink_GiveupFocus"},
    {DISPID_OnSink_AxInited, "OnSink_AxInited"},
    {DISPID_OnSink_StartReadFile, "OnSink_StartReadFile"},
    {DISPID_OnSink_StartCompress, "OnSink_StartCompress"},
    {DISPID_OnSink_StartUpload, "OnSink_StartUpload"},
};
static_assert(std::size(kEvents) == 25);

}  // namespace

const char* EventName(DISPID dispid) {
  for (const EventEntry& event : kEvents) {
    if (event.dispid == dispid) return event.name;
  }
  return nullptr;
}

HRESULT PageEventSink::QueryInterface(REFIID riid, void** object) {
  if (!object) return E_POINTER;
  const bool known = riid == IID_IUnknown || riid == IID_IDispatch || riid == DIID__IFotaroExEvents;
  *object = known ? static_cast<IDispatch*>(this) : nullptr;
  if (!known) return E_NOINTERFACE;
  AddRef();
  return S_OK;
}

HRESULT PageEventSink::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 0;
  return S_OK;
}

HRESULT PageEventSink::Invoke(DISPID dispid, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                              UINT*) {
  if (result) m_library.InitVariant(result);
  const char* name = EventName(dispid);
  if (!name) return DISP_E_MEMBERNOTFOUND;
  if (!params || (params->cArgs && !params->rgvarg)) return E_INVALIDARG;
  Json args = Json::array();
  for (UINT i = params->cArgs; i-- > 0;) args.push_back(VariantToJson(params->rgvarg[i], m_library).value_or(nullptr));
  if (m_handler) m_handler(name, std::move(args));
  return S_OK;
}

}  // namespace fotaro::pagehost
