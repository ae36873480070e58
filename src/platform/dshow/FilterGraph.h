// CFilterGraph: the filter graph. Holds its filters, connects and disconnects their pins,
// runs and stops them all together, and queues their events for the application.
#pragma once

#include <mutex>
#include <vector>

#include "platform/com/ComObject.h"
#include "platform/dshow/EventQueue.h"
#include "platform/dshow/Interfaces.h"
#include "platform/dshow/StreamInterfaces.h"

class CFilterGraph
    : public CComObject<IGraphBuilder, IMediaControl, IMediaEventEx, IMediaEventSink> {
public:
    // The class-table creator.
    static HRESULT CreateInstance(REFIID riid, void** ppv);

    // IFilterGraph / IGraphBuilder
    HRESULT AddFilter(IBaseFilter* pFilter, LPCOLESTR pName) override;
    HRESULT RemoveFilter(IBaseFilter* pFilter) override;
    HRESULT EnumFilters(IEnumFilters** ppEnum) override;
    HRESULT ConnectDirect(IPin* ppinOut, IPin* ppinIn, const AM_MEDIA_TYPE* pmt) override;
    HRESULT Disconnect(IPin* ppin) override;
    HRESULT Connect(IPin* ppinOut, IPin* ppinIn) override;

    // IMediaControl: filters run downstream first and stop upstream first, so no filter
    // is handed a sample by a neighbour that is not running.
    HRESULT Run() override;
    HRESULT Pause() override;
    HRESULT Stop() override;
    HRESULT GetState(LONG msTimeout, OAFilterState* pfs) override;

    // IMediaEvent / IMediaEventEx; the event parameters are plain numbers, nothing to free.
    HRESULT GetEvent(LONG* lEventCode, LONG_PTR* lParam1, LONG_PTR* lParam2,
                     LONG msTimeout) override;
    HRESULT FreeEventParams(LONG lEventCode, LONG_PTR lParam1, LONG_PTR lParam2) override;
    HRESULT SetNotifyWindow(HWND hwnd, LONG lMsg, LONG_PTR lInstanceData) override;

    // IMediaEventSink
    HRESULT Notify(LONG lEventCode, LONG_PTR lParam1, LONG_PTR lParam2) override;

protected:
    ~CFilterGraph() override;
    void* QueryExtraInterface(REFIID riid) override;

private:
    std::vector<ComPtr<IBaseFilter>> Snapshot();
    HRESULT StopAll();

    std::mutex m_mutex;  // guards m_filters; state changes come from one thread
    std::vector<ComPtr<IBaseFilter>> m_filters;  // in the order added: sources first
    FILTER_STATE m_state = State_Stopped;
    CEventQueue m_events;
};

// Breaks every connection of a filter's pins, both ends.
void DisconnectAllPins(IBaseFilter* pFilter);
