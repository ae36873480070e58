#include "sim/SimCameraFilter.h"

#include <string>

#include "product/Product.h"

namespace {

// Outside a graph the camera answers with the name it is listed under.
const wchar_t* DefaultName() {
    static const std::wstring name(std::begin(kCameraName), std::end(kCameraName) - 1);
    return name.c_str();
}

}  // namespace

CSimCamera::CSimCamera(const SimCameraConfig& config, std::shared_ptr<ISimClock> clock)
    : m_config(config),
      m_pClock(clock ? std::move(clock) : std::make_shared<CSteadySimClock>()),
      m_pScene(std::make_shared<CSimScene>(config.scene)),
      m_pFirmware(std::make_unique<CSimFirmware>(m_pClock, m_pScene, config.firmware)) {}

CSimCameraFilter::CSimCameraFilter(std::shared_ptr<CSimCamera> camera)
    : CFilterBase(CLSID_SimCamera, DefaultName()),
      m_pCamera(camera ? std::move(camera) : std::make_shared<CSimCamera>()) {}

CSimCameraFilter::~CSimCameraFilter() {
    DoStop();
}

HRESULT CSimCameraFilter::CreateInstance(REFIID riid, void** ppv) {
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    auto filter = MakeComObject<CSimCameraFilter>(nullptr);
    return static_cast<IBaseFilter*>(filter.Get())->QueryInterface(riid, ppv);
}

HRESULT CSimCameraFilter::Set(REFGUID guidPropSet, DWORD dwPropID, void* pInstanceData,
                              DWORD cbInstanceData, void* pPropData, DWORD cbPropData) {
    return m_pCamera->Firmware().Set(guidPropSet, dwPropID, pInstanceData, cbInstanceData,
                                     pPropData, cbPropData);
}

HRESULT CSimCameraFilter::Get(REFGUID guidPropSet, DWORD dwPropID, void* pInstanceData,
                              DWORD cbInstanceData, void* pPropData, DWORD cbPropData,
                              DWORD* pcbReturned) {
    return m_pCamera->Firmware().Get(guidPropSet, dwPropID, pInstanceData, cbInstanceData,
                                     pPropData, cbPropData, pcbReturned);
}

HRESULT CSimCameraFilter::QuerySupported(REFGUID guidPropSet, DWORD dwPropID, DWORD* pTypeSupport) {
    return m_pCamera->Firmware().QuerySupported(guidPropSet, dwPropID, pTypeSupport);
}

HRESULT CSimCameraFilter::OnStartStreaming() {
    m_pCamera->Firmware().OnStreamingStarted();
    return S_OK;
}

void CSimCameraFilter::OnStopStreaming() {
    m_pCamera->Firmware().OnStreamingStopped();
}
