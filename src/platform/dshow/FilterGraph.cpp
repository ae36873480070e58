#include "platform/dshow/FilterGraph.h"

#include "platform/dshow/ComEnumerator.h"

#include <algorithm>
#include <cwchar>
#include <string>

void DisconnectAllPins(IBaseFilter* pFilter) {
    ComPtr<IEnumPins> pins;
    if (!pFilter || FAILED(pFilter->EnumPins(pins.ReleaseAndGetAddressOf())))
        return;
    ComPtr<IPin> pin;
    while (pins->Next(1, pin.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
        ComPtr<IPin> peer;
        if (pin->ConnectedTo(peer.ReleaseAndGetAddressOf()) == S_OK)
            peer->Disconnect();
        pin->Disconnect();
    }
}

HRESULT CFilterGraph::CreateInstance(REFIID riid, void** ppv) {
    if (!ppv)
        return E_POINTER;
    auto graph = MakeComObject<CFilterGraph>();
    return graph->QueryInterface(riid, ppv);
}

CFilterGraph::~CFilterGraph() {
    StopAll();
    // Connections hold references across filters; break them so every filter can go.
    for (const auto& filter : m_filters)
        DisconnectAllPins(filter.Get());
    for (const auto& filter : m_filters)
        filter->JoinFilterGraph(nullptr, nullptr);
}

void* CFilterGraph::QueryExtraInterface(REFIID riid) {
    if (riid == IID_IFilterGraph)
        return static_cast<IFilterGraph*>(this);
    if (riid == IID_IMediaEvent)
        return static_cast<IMediaEvent*>(this);
    return nullptr;
}

std::vector<ComPtr<IBaseFilter>> CFilterGraph::Snapshot() {
    std::lock_guard lock(m_mutex);
    return m_filters;
}

HRESULT CFilterGraph::AddFilter(IBaseFilter* pFilter, LPCOLESTR pName) {
    if (!pFilter)
        return E_POINTER;
    std::wstring name = pName ? pName : L"";
    {
        std::lock_guard lock(m_mutex);
        for (const auto& filter : m_filters) {
            if (filter.Get() == pFilter)
                return E_INVALIDARG;
        }
        if (name.empty())
            name = L"Filter " + std::to_wstring(m_filters.size() + 1);
    }
    const HRESULT hr = pFilter->JoinFilterGraph(this, name.c_str());
    if (FAILED(hr))
        return hr;
    std::lock_guard lock(m_mutex);
    m_filters.emplace_back(pFilter);
    return S_OK;
}

HRESULT CFilterGraph::RemoveFilter(IBaseFilter* pFilter) {
    ComPtr<IBaseFilter> removed;
    {
        std::lock_guard lock(m_mutex);
        auto it = std::find_if(m_filters.begin(), m_filters.end(),
                               [pFilter](const auto& f) { return f.Get() == pFilter; });
        if (it == m_filters.end())
            return VFW_E_NOT_FOUND;
        removed = std::move(*it);
        m_filters.erase(it);
    }
    removed->Stop();
    DisconnectAllPins(removed.Get());
    removed->JoinFilterGraph(nullptr, nullptr);
    return S_OK;
}

HRESULT CFilterGraph::EnumFilters(IEnumFilters** ppEnum) {
    if (!ppEnum)
        return E_POINTER;
    *ppEnum = MakeComObject<CComEnumerator<IEnumFilters, IBaseFilter>>(Snapshot()).Detach();
    return S_OK;
}

HRESULT CFilterGraph::ConnectDirect(IPin* ppinOut, IPin* ppinIn, const AM_MEDIA_TYPE* pmt) {
    if (!ppinOut || !ppinIn)
        return E_POINTER;
    return ppinOut->Connect(ppinIn, pmt);
}

HRESULT CFilterGraph::Connect(IPin* ppinOut, IPin* ppinIn) {
    return ConnectDirect(ppinOut, ppinIn, nullptr);
}

HRESULT CFilterGraph::Disconnect(IPin* ppin) {
    if (!ppin)
        return E_POINTER;
    return ppin->Disconnect();
}

HRESULT CFilterGraph::Run() {
    if (m_state == State_Running)
        return S_OK;
    const auto filters = Snapshot();
    for (auto it = filters.rbegin(); it != filters.rend(); ++it) {
        const HRESULT hr = (*it)->Run(0);
        if (FAILED(hr)) {
            StopAll();
            return hr;
        }
    }
    m_state = State_Running;
    return S_OK;
}

HRESULT CFilterGraph::Pause() {
    for (const auto& filter : Snapshot())
        filter->Pause();
    // From running too: the filters have paused, and a later Run must start them again.
    m_state = State_Paused;
    return S_OK;
}

HRESULT CFilterGraph::StopAll() {
    HRESULT result = S_OK;
    for (const auto& filter : Snapshot()) {
        const HRESULT hr = filter->Stop();
        if (FAILED(hr) && SUCCEEDED(result))
            result = hr;
    }
    m_state = State_Stopped;
    return result;
}

HRESULT CFilterGraph::Stop() {
    return StopAll();
}

HRESULT CFilterGraph::GetState(LONG, OAFilterState* pfs) {
    if (!pfs)
        return E_POINTER;
    *pfs = m_state;
    return S_OK;
}

HRESULT CFilterGraph::GetEvent(LONG* lEventCode, LONG_PTR* lParam1, LONG_PTR* lParam2,
                               LONG msTimeout) {
    if (!lEventCode || !lParam1 || !lParam2)
        return E_POINTER;
    return m_events.Pop(*lEventCode, *lParam1, *lParam2, msTimeout);
}

HRESULT CFilterGraph::FreeEventParams(LONG, LONG_PTR, LONG_PTR) {
    return S_OK;
}

HRESULT CFilterGraph::SetNotifyWindow(HWND hwnd, LONG lMsg, LONG_PTR lInstanceData) {
    m_events.SetNotifyWindow(hwnd, static_cast<UINT>(lMsg), lInstanceData);
    return S_OK;
}

HRESULT CFilterGraph::Notify(LONG lEventCode, LONG_PTR lParam1, LONG_PTR lParam2) {
    m_events.Push(lEventCode, lParam1, lParam2);
    return S_OK;
}
