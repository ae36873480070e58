// CFakeGraph: a filter graph that holds its filters, records every call in the fake capture
// world, keeps a scripted event queue and remembers the notify window it was given.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "platform/com/ComObject.h"
#include "platform/dshow/Interfaces.h"

class CFakeGraph : public CComObject<IGraphBuilder, IMediaControl, IMediaEventEx> {
public:
    struct Event {
        LONG code = 0;
        LONG_PTR param1 = 0;
        LONG_PTR param2 = 0;
    };

    CFakeGraph();
    // Like the platform's graph, drops every filter with its connections.
    ~CFakeGraph() override;

    bool Contains(IBaseFilter* filter) const;
    std::vector<std::string> FilterNames() const;
    static std::string NameOf(IUnknown* filterOrPin);

    HRESULT QueryInterface(REFIID riid, void** ppv) override;

    // IFilterGraph / IGraphBuilder
    HRESULT AddFilter(IBaseFilter* pFilter, LPCOLESTR pName) override;
    HRESULT RemoveFilter(IBaseFilter* pFilter) override;
    HRESULT EnumFilters(IEnumFilters** ppEnum) override;
    HRESULT ConnectDirect(IPin* ppinOut, IPin* ppinIn, const AM_MEDIA_TYPE* pmt) override;
    HRESULT Disconnect(IPin* ppin) override;
    HRESULT Connect(IPin* ppinOut, IPin* ppinIn) override;

    // IMediaControl
    HRESULT Run() override;
    HRESULT Pause() override;
    HRESULT Stop() override;
    HRESULT GetState(LONG msTimeout, OAFilterState* pfs) override;

    // IMediaEventEx
    HRESULT GetEvent(LONG* lEventCode, LONG_PTR* lParam1, LONG_PTR* lParam2,
                     LONG msTimeout) override;
    HRESULT FreeEventParams(LONG lEventCode, LONG_PTR lParam1, LONG_PTR lParam2) override;
    HRESULT SetNotifyWindow(HWND hwnd, LONG lMsg, LONG_PTR lInstanceData) override;

    std::vector<ComPtr<IBaseFilter>> m_filters;
    OAFilterState m_state = State_Stopped;
    std::deque<Event> m_events;
    int m_nFreedEvents = 0;
    HWND m_hNotifyWindow = nullptr;
    LONG m_nNotifyMessage = 0;
    LONG_PTR m_notifyInstance = -1;

protected:
    void* QueryExtraInterface(REFIID riid) override;
};
