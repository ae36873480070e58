// CFilterBase: the stopped/paused/running state machine, graph membership and pin
// enumeration shared by the stand-in's filters and the simulated camera; a concrete filter
// fills in its pins and the start and stop of its streaming. CFilterCore holds the logic
// outside the template.
//
// Pause: from running, streaming stops and the filter holds (a live source sends nothing, a
// renderer keeps its last frame); from stopped, nothing starts until Run.
// Join: a filter takes the graph's name and event sink on joining and drops both on leaving;
// outside a graph it answers with its own default name and its events go nowhere.
#pragma once

#include <mutex>
#include <vector>

#include "platform/com/ComObject.h"
#include "platform/dshow/Interfaces.h"
#include "platform/dshow/StreamInterfaces.h"

class CFilterCore {
public:
    explicit CFilterCore(const CLSID& clsid, const wchar_t* pDefaultName = L"");
    virtual ~CFilterCore() = default;
    CFilterCore(const CFilterCore&) = delete;
    CFilterCore& operator=(const CFilterCore&) = delete;

    FILTER_STATE State() const;
    // Queues an event in the graph the filter belongs to; any thread. Dropped outside a graph.
    void NotifyEvent(LONG code, LONG_PTR param1, LONG_PTR param2);

protected:
    virtual int PinCount() = 0;
    virtual IPin* PinAt(int index) = 0;  // no reference added
    // Called once each time the filter enters running; a failure leaves it where it was.
    virtual HRESULT OnStartStreaming() { return S_OK; }
    // Called once each time the filter leaves running, for paused or stopped; must join its
    // threads. Events they raise meanwhile still reach the graph.
    virtual void OnStopStreaming() {}

    HRESULT DoGetClassID(CLSID* pClassID);
    // By the time this base is destroyed the hooks are gone: a filter that must stop its
    // streaming when released while running calls DoStop in its own destructor.
    HRESULT DoStop();
    HRESULT DoPause();
    HRESULT DoRun();
    HRESULT DoGetState(FILTER_STATE* pState);
    HRESULT DoEnumPins(IEnumPins** ppEnum);
    HRESULT DoQueryFilterInfo(FILTER_INFO* pInfo);
    HRESULT DoJoinFilterGraph(IFilterGraph* pGraph, const wchar_t* pName);

private:
    HRESULT LeaveRunningFor(FILTER_STATE target);
    // A debug trace of an entry point and its status, under the filter's name.
    void Trace(const char* call, HRESULT hr) const;
    void SetState(FILTER_STATE state);

    const CLSID m_clsid;
    // Held across a whole transition with its hook, so each hook runs once per transition;
    // never taken by a streaming thread.
    std::mutex m_transitionMutex;
    // Guards the fields below; never held across a hook.
    mutable std::mutex m_mutex;
    FILTER_STATE m_state = State_Stopped;
    wchar_t m_achDefaultName[128] = {};
    wchar_t m_achName[128] = {};
    // Both weak: the graph holds its filters, and it leaves each filter before it goes.
    IFilterGraph* m_pGraph = nullptr;
    IMediaEventSink* m_pSink = nullptr;
};

template <class... Extra>
class CFilterBase : public CComObject<IBaseFilter, Extra...>, public CFilterCore {
public:
    HRESULT GetClassID(CLSID* pClassID) override { return DoGetClassID(pClassID); }
    HRESULT Stop() override { return DoStop(); }
    HRESULT Pause() override { return DoPause(); }
    HRESULT Run(REFERENCE_TIME) override { return DoRun(); }
    HRESULT GetState(DWORD, FILTER_STATE* pState) override { return DoGetState(pState); }
    HRESULT EnumPins(IEnumPins** ppEnum) override { return DoEnumPins(ppEnum); }
    HRESULT QueryFilterInfo(FILTER_INFO* pInfo) override { return DoQueryFilterInfo(pInfo); }
    HRESULT JoinFilterGraph(IFilterGraph* pGraph, const wchar_t* pName) override {
        return DoJoinFilterGraph(pGraph, pName);
    }

protected:
    explicit CFilterBase(const CLSID& clsid, const wchar_t* pDefaultName = L"")
        : CFilterCore(clsid, pDefaultName) {}
};

// An enumerator over a fixed list of pins (each held with a reference).
HRESULT CreatePinEnumerator(std::vector<ComPtr<IPin>> pins, IEnumPins** ppEnum);
