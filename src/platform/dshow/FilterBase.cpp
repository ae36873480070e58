#include "platform/dshow/FilterBase.h"

#include "platform/dshow/ComEnumerator.h"

#include "platform/dshow/DShowLog.h"
#include "platform/log/Log.h"

#include <cwchar>
#include <string>

CFilterCore::CFilterCore(const CLSID& clsid, const wchar_t* pDefaultName) : m_clsid(clsid) {
    if (pDefaultName)
        std::wcsncpy(m_achDefaultName, pDefaultName, std::size(m_achDefaultName) - 1);
    std::wmemcpy(m_achName, m_achDefaultName, std::size(m_achName));
}

FILTER_STATE CFilterCore::State() const {
    std::lock_guard lock(m_mutex);
    return m_state;
}

void CFilterCore::SetState(FILTER_STATE state) {
    std::lock_guard lock(m_mutex);
    m_state = state;
}

void CFilterCore::NotifyEvent(LONG code, LONG_PTR param1, LONG_PTR param2) {
    // Under the lock, so that once the filter has left its graph no event can still reach it.
    std::lock_guard lock(m_mutex);
    if (m_pSink)
        m_pSink->Notify(code, param1, param2);
}

HRESULT CFilterCore::DoGetClassID(CLSID* pClassID) {
    if (!pClassID)
        return E_POINTER;
    *pClassID = m_clsid;
    return S_OK;
}

void CFilterCore::Trace(const char* call, HRESULT hr) const {
    std::string name;
    {
        std::lock_guard lock(m_mutex);
        name = LogName(m_achName);
    }
    LogDebug(kLogDShow, "filter %s: %s: 0x%08X", name.c_str(), call, LogStatus(hr));
}

HRESULT CFilterCore::LeaveRunningFor(FILTER_STATE target) {
    // The state lock is not held here: a streaming thread being joined may still raise an event.
    if (State() == State_Running)
        OnStopStreaming();
    SetState(target);
    return S_OK;
}

HRESULT CFilterCore::DoStop() {
    std::lock_guard transition(m_transitionMutex);
    const HRESULT hr = LeaveRunningFor(State_Stopped);
    Trace("Stop", hr);
    return hr;
}

HRESULT CFilterCore::DoPause() {
    std::lock_guard transition(m_transitionMutex);
    const HRESULT hr = LeaveRunningFor(State_Paused);
    Trace("Pause", hr);
    return hr;
}

HRESULT CFilterCore::DoRun() {
    std::lock_guard transition(m_transitionMutex);
    if (State() == State_Running)
        return S_OK;
    const HRESULT hr = OnStartStreaming();
    Trace("Run", hr);
    if (FAILED(hr))
        return hr;
    SetState(State_Running);
    return S_OK;
}

HRESULT CFilterCore::DoGetState(FILTER_STATE* pState) {
    if (!pState)
        return E_POINTER;
    *pState = State();
    return S_OK;
}

HRESULT CFilterCore::DoEnumPins(IEnumPins** ppEnum) {
    if (!ppEnum)
        return E_POINTER;
    std::vector<ComPtr<IPin>> pins;
    for (int i = 0; i < PinCount(); ++i)
        pins.emplace_back(PinAt(i));
    return CreatePinEnumerator(std::move(pins), ppEnum);
}

HRESULT CFilterCore::DoQueryFilterInfo(FILTER_INFO* pInfo) {
    if (!pInfo)
        return E_POINTER;
    std::lock_guard lock(m_mutex);
    std::wmemcpy(pInfo->achName, m_achName, std::size(m_achName));
    pInfo->pGraph = m_pGraph;
    if (m_pGraph)
        m_pGraph->AddRef();
    return S_OK;
}

HRESULT CFilterCore::DoJoinFilterGraph(IFilterGraph* pGraph, const wchar_t* pName) {
    IMediaEventSink* sink = nullptr;
    if (pGraph &&
        SUCCEEDED(pGraph->QueryInterface(IID_IMediaEventSink, reinterpret_cast<void**>(&sink)))) {
        sink->Release();  // kept weak, like the graph itself
    }
    std::lock_guard lock(m_mutex);
    m_pGraph = pGraph;
    m_pSink = sink;
    // wcsncpy pads with zeros, and the last element is never written.
    std::wcsncpy(m_achName, pGraph && pName ? pName : m_achDefaultName, std::size(m_achName) - 1);
    return S_OK;
}

HRESULT CreatePinEnumerator(std::vector<ComPtr<IPin>> pins, IEnumPins** ppEnum) {
    if (!ppEnum)
        return E_POINTER;
    *ppEnum = MakeComObject<CComEnumerator<IEnumPins, IPin>>(std::move(pins)).Detach();
    return S_OK;
}
