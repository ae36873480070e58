#include "fakes/FakeGraph.h"

#include <algorithm>

#include "fakes/FakeCaptureWorld.h"
#include "fakes/FakeFilter.h"

CFakeGraph::CFakeGraph() {
    if (auto* world = FakeCaptureWorld::Current())
        world->SetGraph(this);
}

CFakeGraph::~CFakeGraph() {
    for (auto& filter : m_filters) {
        if (auto* fake = dynamic_cast<CFakeFilter*>(filter.Get()))
            fake->DisconnectAllPins();
        filter->JoinFilterGraph(nullptr, nullptr);
    }
    m_filters.clear();
    auto* world = FakeCaptureWorld::Current();
    if (world && world->Graph() == this)
        world->SetGraph(nullptr);
}

bool CFakeGraph::Contains(IBaseFilter* filter) const {
    return std::any_of(m_filters.begin(), m_filters.end(),
                       [filter](const auto& f) { return f.Get() == filter; });
}

std::vector<std::string> CFakeGraph::FilterNames() const {
    std::vector<std::string> names;
    for (const auto& f : m_filters)
        names.push_back(NameOf(f.Get()));
    return names;
}

std::string CFakeGraph::NameOf(IUnknown* filterOrPin) {
    if (auto* filter = dynamic_cast<CFakeFilter*>(filterOrPin))
        return filter->m_name;
    if (auto* pin = dynamic_cast<CFakePin*>(filterOrPin))
        return pin->FullName();
    return filterOrPin ? "?" : "null";
}

HRESULT CFakeGraph::QueryInterface(REFIID riid, void** ppv) {
    const char* name = riid == IID_IMediaControl   ? "Graph.QI(IMediaControl)"
                       : riid == IID_IMediaEventEx ? "Graph.QI(IMediaEventEx)"
                                                   : nullptr;
    if (name) {
        const HRESULT hr = FakeAnswer(name, S_OK);
        if (FAILED(hr)) {
            if (ppv)
                *ppv = nullptr;
            return hr;
        }
    }
    return CComObject::QueryInterface(riid, ppv);
}

void* CFakeGraph::QueryExtraInterface(REFIID riid) {
    if (riid == IID_IFilterGraph)
        return static_cast<IFilterGraph*>(this);
    if (riid == IID_IMediaEvent)
        return static_cast<IMediaEvent*>(this);
    return nullptr;
}

HRESULT CFakeGraph::AddFilter(IBaseFilter* pFilter, LPCOLESTR pName) {
    const HRESULT hr =
        FakeAnswer("Graph.AddFilter(" + NameOf(pFilter) + ")", pFilter ? S_OK : E_POINTER);
    if (FAILED(hr))
        return hr;
    m_filters.emplace_back(pFilter);
    pFilter->JoinFilterGraph(this, pName);
    return hr;
}

HRESULT CFakeGraph::RemoveFilter(IBaseFilter* pFilter) {
    const auto it = std::find_if(m_filters.begin(), m_filters.end(),
                                 [pFilter](const auto& f) { return f.Get() == pFilter; });
    const HRESULT hr = FakeAnswer("Graph.RemoveFilter(" + NameOf(pFilter) + ")",
                                  it == m_filters.end() ? VFW_E_NOT_FOUND : S_OK);
    if (FAILED(hr) || it == m_filters.end())
        return hr;
    pFilter->JoinFilterGraph(nullptr, nullptr);
    m_filters.erase(it);
    return hr;
}

HRESULT CFakeGraph::EnumFilters(IEnumFilters**) {
    return E_NOTIMPL;
}
HRESULT CFakeGraph::ConnectDirect(IPin*, IPin*, const AM_MEDIA_TYPE*) {
    return E_NOTIMPL;
}
HRESULT CFakeGraph::Connect(IPin*, IPin*) {
    return E_NOTIMPL;
}

HRESULT CFakeGraph::Disconnect(IPin* ppin) {
    const HRESULT hr = FakeAnswer("Graph.Disconnect(" + NameOf(ppin) + ")", S_OK);
    if (FAILED(hr) || !ppin)
        return FAILED(hr) ? hr : E_POINTER;
    return ppin->Disconnect();
}

HRESULT CFakeGraph::Run() {
    const HRESULT hr = FakeAnswer("Graph.Run", S_OK);
    if (SUCCEEDED(hr))
        m_state = State_Running;
    return hr;
}

HRESULT CFakeGraph::Pause() {
    const HRESULT hr = FakeAnswer("Graph.Pause", S_OK);
    if (SUCCEEDED(hr))
        m_state = State_Paused;
    return hr;
}

HRESULT CFakeGraph::Stop() {
    const HRESULT hr = FakeAnswer("Graph.Stop", S_OK);
    if (SUCCEEDED(hr))
        m_state = State_Stopped;
    return hr;
}

HRESULT CFakeGraph::GetState(LONG, OAFilterState* pfs) {
    if (!pfs)
        return E_POINTER;
    *pfs = m_state;
    return S_OK;
}

HRESULT CFakeGraph::GetEvent(LONG* lEventCode, LONG_PTR* lParam1, LONG_PTR* lParam2, LONG) {
    const HRESULT hr = FakeAnswer("Graph.GetEvent", m_events.empty() ? E_ABORT : S_OK);
    if (hr != S_OK || m_events.empty())
        return FAILED(hr) ? hr : E_ABORT;
    const Event e = m_events.front();
    m_events.pop_front();
    *lEventCode = e.code;
    *lParam1 = e.param1;
    *lParam2 = e.param2;
    return S_OK;
}

HRESULT CFakeGraph::FreeEventParams(LONG lEventCode, LONG_PTR, LONG_PTR) {
    ++m_nFreedEvents;
    return FakeAnswer("Graph.FreeEventParams(" + std::to_string(lEventCode) + ")", S_OK);
}

HRESULT CFakeGraph::SetNotifyWindow(HWND hwnd, LONG lMsg, LONG_PTR lInstanceData) {
    m_hNotifyWindow = hwnd;
    m_nNotifyMessage = lMsg;
    m_notifyInstance = lInstanceData;
    return FakeAnswer("Graph.SetNotifyWindow", S_OK);
}
