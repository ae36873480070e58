// Filters and pins: the nodes and connection points of a filter graph.
#pragma once

#include "platform/com/Unknown.h"
#include "platform/dshow/MediaTypes.h"

struct IBaseFilter;
struct IFilterGraph;

enum PIN_DIRECTION { PINDIR_INPUT = 0, PINDIR_OUTPUT = 1 };
enum FILTER_STATE { State_Stopped = 0, State_Paused = 1, State_Running = 2 };

// pFilter carries a reference that the receiver releases.
struct PIN_INFO {
    IBaseFilter* pFilter = nullptr;
    PIN_DIRECTION dir = PINDIR_INPUT;
    wchar_t achName[128] = {};
};

// pGraph carries a reference that the receiver releases.
struct FILTER_INFO {
    wchar_t achName[128] = {};
    IFilterGraph* pGraph = nullptr;
};

inline constexpr HRESULT VFW_E_NOT_CONNECTED = static_cast<HRESULT>(0x80040209u);
inline constexpr HRESULT VFW_E_ALREADY_CONNECTED = static_cast<HRESULT>(0x80040204u);
inline constexpr HRESULT VFW_E_NO_ACCEPTABLE_TYPES = static_cast<HRESULT>(0x80040207u);
inline constexpr HRESULT VFW_E_TYPE_NOT_ACCEPTED = static_cast<HRESULT>(0x8004022Au);
inline constexpr HRESULT VFW_E_NOT_STOPPED = static_cast<HRESULT>(0x80040224u);
inline constexpr HRESULT VFW_E_WRONG_STATE = static_cast<HRESULT>(0x80040227u);
inline constexpr HRESULT VFW_E_NOT_FOUND = static_cast<HRESULT>(0x80040216u);
inline constexpr HRESULT VFW_E_NO_INTERFACE = static_cast<HRESULT>(0x80040237u);

struct IPin;

struct IEnumPins : IUnknown {
    static constexpr IID kIid{
        0x56A86892, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
    // S_OK when cPins pins were returned, S_FALSE when fewer (the walk has ended).
    virtual HRESULT Next(ULONG cPins, IPin** ppPins, ULONG* pcFetched) = 0;
    virtual HRESULT Skip(ULONG cPins) = 0;
    virtual HRESULT Reset() = 0;
};

struct IPin : IUnknown {
    static constexpr IID kIid{
        0x56A86891, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
    // Called on an output pin; it offers types to pReceivePin until one is accepted.
    virtual HRESULT Connect(IPin* pReceivePin, const AM_MEDIA_TYPE* pmt) = 0;
    // Called on an input pin by the output pin that connects to it.
    virtual HRESULT ReceiveConnection(IPin* pConnector, const AM_MEDIA_TYPE* pmt) = 0;
    // Breaks this pin's side of a connection only; S_FALSE when it was not connected.
    virtual HRESULT Disconnect() = 0;
    // VFW_E_NOT_CONNECTED (and null) when the pin is not connected.
    virtual HRESULT ConnectedTo(IPin** ppPin) = 0;
    // Fills a caller-owned media type; the caller frees its format block.
    virtual HRESULT ConnectionMediaType(AM_MEDIA_TYPE* pmt) = 0;
    virtual HRESULT QueryPinInfo(PIN_INFO* pInfo) = 0;
    virtual HRESULT QueryDirection(PIN_DIRECTION* pPinDir) = 0;
};

struct IBaseFilter : IUnknown {
    static constexpr IID kIid{
        0x56A86895, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
    virtual HRESULT GetClassID(CLSID* pClassID) = 0;
    virtual HRESULT Stop() = 0;
    virtual HRESULT Pause() = 0;
    virtual HRESULT Run(REFERENCE_TIME tStart) = 0;
    virtual HRESULT GetState(DWORD dwMilliSecsTimeout, FILTER_STATE* pState) = 0;
    virtual HRESULT EnumPins(IEnumPins** ppEnum) = 0;
    virtual HRESULT QueryFilterInfo(FILTER_INFO* pInfo) = 0;
    // The graph does not hold a reference on itself through its filters: pGraph is weak.
    virtual HRESULT JoinFilterGraph(IFilterGraph* pGraph, const wchar_t* pName) = 0;
};

inline constexpr const IID& IID_IEnumPins = IEnumPins::kIid;
inline constexpr const IID& IID_IPin = IPin::kIid;
inline constexpr const IID& IID_IBaseFilter = IBaseFilter::kIid;
