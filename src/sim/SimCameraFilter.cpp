#include "sim/SimCameraFilter.h"

#include <cwchar>

#include "platform/dshow/Interfaces.h"

namespace {

constexpr wchar_t kDefaultName[] = L"Standard_Camera";

}  // namespace

CSimCamera::CSimCamera(const SimCameraConfig& config, std::shared_ptr<ISimClock> clock)
    : m_config(config),
      m_pClock(clock ? std::move(clock) : std::make_shared<CSteadySimClock>()),
      m_pScene(std::make_shared<CSimScene>(config.scene)),
      m_pFirmware(std::make_unique<CSimFirmware>(m_pClock, m_pScene, config.firmware)) {}

CSimCameraFilter::CSimCameraFilter(std::shared_ptr<CSimCamera> camera)
    : m_pCamera(camera ? std::move(camera) : std::make_shared<CSimCamera>()) {
    std::wcsncpy(m_achName, kDefaultName, std::size(m_achName) - 1);
}

CSimCameraFilter::~CSimCameraFilter() {
    // A filter released while running stops the camera's stream with it.
    if (m_state != State_Stopped)
        OnStreamingStopped();
}

HRESULT CSimCameraFilter::CreateInstance(REFIID riid, void** ppv) {
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    auto filter = MakeComObject<CSimCameraFilter>(nullptr);
    return static_cast<IBaseFilter*>(filter.Get())->QueryInterface(riid, ppv);
}

HRESULT CSimCameraFilter::GetClassID(CLSID* pClassID) {
    if (!pClassID)
        return E_POINTER;
    *pClassID = CLSID_SimCamera;
    return S_OK;
}

HRESULT CSimCameraFilter::Stop() {
    if (m_state != State_Stopped) {
        if (m_state == State_Running)
            OnStreamingStopped();
        m_state = State_Stopped;
    }
    return S_OK;
}

HRESULT CSimCameraFilter::Pause() {
    if (m_state == State_Running)
        OnStreamingStopped();
    m_state = State_Paused;
    return S_OK;
}

HRESULT CSimCameraFilter::Run(REFERENCE_TIME /*tStart*/) {
    if (m_state != State_Running) {
        m_state = State_Running;
        OnStreamingStarted();
    }
    return S_OK;
}

HRESULT CSimCameraFilter::GetState(DWORD /*dwMilliSecsTimeout*/, FILTER_STATE* pState) {
    if (!pState)
        return E_POINTER;
    *pState = m_state;
    return S_OK;
}

HRESULT CSimCameraFilter::EnumPins(IEnumPins** ppEnum) {
    if (!ppEnum)
        return E_POINTER;
    *ppEnum = nullptr;
    return E_NOTIMPL;
}

HRESULT CSimCameraFilter::QueryFilterInfo(FILTER_INFO* pInfo) {
    if (!pInfo)
        return E_POINTER;
    std::wcsncpy(pInfo->achName, m_achName, std::size(pInfo->achName) - 1);
    pInfo->achName[std::size(pInfo->achName) - 1] = 0;
    pInfo->pGraph = m_pGraph;
    if (m_pGraph)
        m_pGraph->AddRef();
    return S_OK;
}

HRESULT CSimCameraFilter::JoinFilterGraph(IFilterGraph* pGraph, const wchar_t* pName) {
    m_pGraph = pGraph;
    if (pName) {
        std::wcsncpy(m_achName, pName, std::size(m_achName) - 1);
        m_achName[std::size(m_achName) - 1] = 0;
    }
    return S_OK;
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

void CSimCameraFilter::OnStreamingStarted() {
    m_pCamera->Firmware().OnStreamingStarted();
}

void CSimCameraFilter::OnStreamingStopped() {
    m_pCamera->Firmware().OnStreamingStopped();
}
