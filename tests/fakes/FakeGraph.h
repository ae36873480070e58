// CFakeGraph: a filter graph of fake filters for the fake capture world. It holds its filters,
// logs its calls as "Graph.<method>(...)" and its IMediaControl and IMediaEventEx queries as
// "Graph.QI(<interface>)", and breaks every pin join of its filters when it goes, as the
// platform's graph does.
#pragma once

#include <string>
#include <vector>

#include "fakes/FakeFilter.h"

class CFakeGraph : public CComObject<IGraphBuilder, IMediaControl, IMediaEventEx> {
public:
    ~CFakeGraph() override {
        for (const auto& filter : m_filters)
            for (const auto& pin : filter->m_pins)
                pin->m_pPeer = nullptr;
    }

    std::string FilterNames() const {  // "Camera,Tee,Renderer"
        std::string names;
        for (const auto& filter : m_filters)
            names += (names.empty() ? "" : ",") + filter->m_name;
        return names;
    }

    HRESULT QueryInterface(REFIID riid, void** ppv) override {
        const char* name = riid == IID_IMediaControl   ? "Graph.QI(IMediaControl)"
                           : riid == IID_IMediaEventEx ? "Graph.QI(IMediaEventEx)"
                                                       : nullptr;
        const HRESULT hr = name ? FakeAnswer(name, S_OK) : S_OK;
        return FAILED(hr) ? (*ppv = nullptr, hr) : CComObject::QueryInterface(riid, ppv);
    }
    HRESULT AddFilter(IBaseFilter* pFilter, LPCOLESTR) override {
        auto* filter = static_cast<CFakeFilter*>(pFilter);
        const HRESULT hr = FakeAnswer("Graph.AddFilter(" + filter->m_name + ")", S_OK);
        if (SUCCEEDED(hr))
            m_filters.emplace_back(filter);
        return hr;
    }
    HRESULT RemoveFilter(IBaseFilter* pFilter) override {
        auto* filter = static_cast<CFakeFilter*>(pFilter);
        const HRESULT hr = FakeAnswer("Graph.RemoveFilter(" + filter->m_name + ")", S_OK);
        std::erase_if(m_filters, [filter](const auto& f) { return f.Get() == filter; });
        return hr;
    }
    HRESULT Disconnect(IPin* ppin) override {
        FakeAnswer("Graph.Disconnect(" + static_cast<CFakePin*>(ppin)->m_fullName + ")", S_OK);
        return ppin->Disconnect();
    }
    HRESULT Run() override { return FakeAnswer("Graph.Run", S_OK); }
    HRESULT Stop() override { return FakeAnswer("Graph.Stop", S_OK); }
    HRESULT SetNotifyWindow(HWND hwnd, LONG lMsg, LONG_PTR lInstanceData) override {
        m_hNotifyWindow = hwnd;
        return FakeAnswer("Graph.SetNotifyWindow(" + std::to_string(lMsg) + "," +
                              std::to_string(lInstanceData) + ")",
                          S_OK);
    }

    HRESULT EnumFilters(IEnumFilters**) override { return E_NOTIMPL; }
    HRESULT ConnectDirect(IPin*, IPin*, const AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
    HRESULT Connect(IPin*, IPin*) override { return E_NOTIMPL; }
    HRESULT Pause() override { return E_NOTIMPL; }
    HRESULT GetState(LONG, OAFilterState*) override { return E_NOTIMPL; }
    HRESULT GetEvent(LONG*, LONG_PTR*, LONG_PTR*, LONG) override { return E_NOTIMPL; }
    HRESULT FreeEventParams(LONG, LONG_PTR, LONG_PTR) override { return E_NOTIMPL; }

    std::vector<ComPtr<CFakeFilter>> m_filters;
    HWND m_hNotifyWindow = nullptr;
};
