// The capture framework's interfaces, class ids, categories and event codes that the capture
// logic calls: device enumeration, the filter graph, the capture graph builder (first
// version), stream configuration, media control and events, and the video window.
#pragma once

#include "platform/com/Bstr.h"
#include "platform/com/Unknown.h"
#include "platform/dshow/FilterInterfaces.h"
#include "platform/dshow/MediaTypes.h"
#include "platform/win/WinTypes.h"

using LPCOLESTR = const OLECHAR*;
using VARTYPE = uint16_t;

inline constexpr VARTYPE VT_EMPTY = 0;
inline constexpr VARTYPE VT_I4 = 3;
inline constexpr VARTYPE VT_BSTR = 8;

// Only the members the property bags use; a BSTR held here belongs to the VARIANT.
struct VARIANT {
    VARTYPE vt = VT_EMPTY;
    union {
        LONG lVal;
        BSTR bstrVal;
    };
    VARIANT() : bstrVal(nullptr) {}
};

void VariantInit(VARIANT* pvar);
// Frees a BSTR the variant holds and leaves it VT_EMPTY.
HRESULT VariantClear(VARIANT* pvar);

// Neither is implemented here; callers pass null, as the capture logic does.
struct IBindCtx;
struct IErrorLog;

inline constexpr HRESULT VFW_S_NOPREVIEWPIN = static_cast<HRESULT>(0x0004027Eu);

// Event codes queued by the graph and read with IMediaEventEx::GetEvent.
inline constexpr LONG EC_COMPLETE = 1;
inline constexpr LONG EC_USERABORT = 2;   // the operator closed the renderer window
inline constexpr LONG EC_ERRORABORT = 3;  // streaming failed; param 1 carries the HRESULT

inline constexpr DWORD CDEF_DEVMON_FILTER = 0;  // the only flag value the logic passes

inline constexpr CLSID CLSID_SystemDeviceEnum{
    0x62BE5D10, 0x60EB, 0x11D0, {0xBD, 0x3B, 0x00, 0xA0, 0xC9, 0x11, 0xCE, 0x86}};
inline constexpr CLSID CLSID_VideoInputDeviceCategory{
    0x860BB310, 0x5D01, 0x11D0, {0xBD, 0x3B, 0x00, 0xA0, 0xC9, 0x11, 0xCE, 0x86}};
inline constexpr CLSID CLSID_FilterGraph{
    0xE436EBB3, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
inline constexpr CLSID CLSID_CaptureGraphBuilder{
    0xBF87B6E0, 0x8C27, 0x11D0, {0xB3, 0xF0, 0x00, 0xAA, 0x00, 0x37, 0x61, 0xC5}};

inline constexpr GUID PIN_CATEGORY_CAPTURE{
    0xFB6C4281, 0x0353, 0x11D1, {0x90, 0x5F, 0x00, 0x00, 0xC0, 0xCC, 0x16, 0xBA}};
inline constexpr GUID PIN_CATEGORY_PREVIEW{
    0xFB6C4282, 0x0353, 0x11D1, {0x90, 0x5F, 0x00, 0x00, 0xC0, 0xCC, 0x16, 0xBA}};

// Pins tell their category through IKsPropertySet::Get of this set, property 0, a GUID.
inline constexpr GUID AMPROPSETID_Pin{
    0x9B00F101, 0x1567, 0x11D1, {0xB3, 0xF1, 0x00, 0xAA, 0x00, 0x37, 0x61, 0xC5}};
inline constexpr DWORD AMPROPERTY_PIN_CATEGORY = 0;

struct IMoniker;

struct IPropertyBag : IUnknown {
    static constexpr IID kIid{
        0x55272A00, 0x42CB, 0x11CE, {0x81, 0x35, 0x00, 0xAA, 0x00, 0x4B, 0xB8, 0x51}};
    // The caller presets pVar->vt to the type it wants and clears the variant afterwards.
    virtual HRESULT Read(LPCOLESTR pszPropName, VARIANT* pVar, IErrorLog* pErrorLog) = 0;
    virtual HRESULT Write(LPCOLESTR pszPropName, VARIANT* pVar) = 0;
};

struct IMoniker : IUnknown {
    static constexpr IID kIid{
        0x0000000F, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
    // Creates the device's filter; each call makes a new object.
    virtual HRESULT BindToObject(IBindCtx* pbc, IMoniker* pmkToLeft, REFIID riidResult,
                                 void** ppvResult) = 0;
    // Yields the device's property bag (IID_IPropertyBag).
    virtual HRESULT BindToStorage(IBindCtx* pbc, IMoniker* pmkToLeft, REFIID riid,
                                  void** ppvObj) = 0;
};

struct IEnumMoniker : IUnknown {
    static constexpr IID kIid{
        0x00000102, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
    // S_OK when celt monikers were returned, S_FALSE when fewer.
    virtual HRESULT Next(ULONG celt, IMoniker** rgelt, ULONG* pceltFetched) = 0;
    virtual HRESULT Skip(ULONG celt) = 0;
    virtual HRESULT Reset() = 0;
    virtual HRESULT Clone(IEnumMoniker** ppenum) = 0;
};

struct ICreateDevEnum : IUnknown {
    static constexpr IID kIid{
        0x29840822, 0x5B84, 0x11D0, {0xBD, 0x3B, 0x00, 0xA0, 0xC9, 0x11, 0xCE, 0x86}};
    // S_FALSE with a null enumerator when the category has no device.
    virtual HRESULT CreateClassEnumerator(REFCLSID clsidDeviceClass, IEnumMoniker** ppEnumMoniker,
                                          DWORD dwFlags) = 0;
};

struct IEnumFilters : IUnknown {
    static constexpr IID kIid{
        0x56A86893, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
    virtual HRESULT Next(ULONG cFilters, IBaseFilter** ppFilter, ULONG* pcFetched) = 0;
    virtual HRESULT Skip(ULONG cFilters) = 0;
    virtual HRESULT Reset() = 0;
};

struct IFilterGraph : IUnknown {
    static constexpr IID kIid{
        0x56A8689F, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
    // The graph holds a reference on each filter it contains. A null name is allowed.
    virtual HRESULT AddFilter(IBaseFilter* pFilter, LPCOLESTR pName) = 0;
    // VFW_E_NOT_FOUND for a filter that is not in the graph.
    virtual HRESULT RemoveFilter(IBaseFilter* pFilter) = 0;
    virtual HRESULT EnumFilters(IEnumFilters** ppEnum) = 0;
    // Connects two pins with no filters between them.
    virtual HRESULT ConnectDirect(IPin* ppinOut, IPin* ppinIn, const AM_MEDIA_TYPE* pmt) = 0;
    // Breaks one pin's side of a connection (callers disconnect both ends); S_FALSE when the
    // pin was not connected.
    virtual HRESULT Disconnect(IPin* ppin) = 0;
};

struct IGraphBuilder : IFilterGraph {
    static constexpr IID kIid{
        0x56A868A9, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
    virtual HRESULT Connect(IPin* ppinOut, IPin* ppinIn) = 0;
};

using OAFilterState = LONG;

struct IMediaControl : IUnknown {
    static constexpr IID kIid{
        0x56A868B1, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
    // Runs every filter in the graph; their streaming threads start before it returns.
    virtual HRESULT Run() = 0;
    virtual HRESULT Pause() = 0;
    // Stops every filter and joins their streaming threads before it returns.
    virtual HRESULT Stop() = 0;
    virtual HRESULT GetState(LONG msTimeout, OAFilterState* pfs) = 0;
};

struct IMediaEvent : IUnknown {
    static constexpr IID kIid{
        0x56A868B6, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
    // Takes the oldest queued event, waiting up to msTimeout (0: no wait, -1: forever);
    // E_ABORT when none arrived in time. Each event read is handed to FreeEventParams.
    virtual HRESULT GetEvent(LONG* lEventCode, LONG_PTR* lParam1, LONG_PTR* lParam2,
                             LONG msTimeout) = 0;
    virtual HRESULT FreeEventParams(LONG lEventCode, LONG_PTR lParam1, LONG_PTR lParam2) = 0;
};

struct IMediaEventEx : IMediaEvent {
    static constexpr IID kIid{
        0x56A868C0, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
    // From now on each queued event posts lMsg (wParam 0, lParam lInstanceData) to hwnd;
    // a null hwnd stops the notification. Posting is thread-safe.
    virtual HRESULT SetNotifyWindow(HWND hwnd, LONG lMsg, LONG_PTR lInstanceData) = 0;
};

struct IVideoWindow : IUnknown {
    static constexpr IID kIid{
        0x56A868B4, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
    // Moves the top edge of the renderer's top-level window frame, in screen pixels.
    virtual HRESULT put_Top(LONG top) = 0;
};

struct IAMStreamConfig : IUnknown {
    static constexpr IID kIid{
        0xC6E13340, 0x30AC, 0x11D0, {0xA1, 0x8C, 0x00, 0xA0, 0xC9, 0x11, 0x89, 0x56}};
    // VFW_E_INVALIDMEDIATYPE for a type the pin does not offer; VFW_E_NOT_STOPPED while the
    // filter runs.
    virtual HRESULT SetFormat(AM_MEDIA_TYPE* pmt) = 0;
    // The current format as a task-memory media type for the caller to DeleteMediaType.
    virtual HRESULT GetFormat(AM_MEDIA_TYPE** ppmt) = 0;
    virtual HRESULT GetNumberOfCapabilities(int* piCount, int* piSize) = 0;
    // *ppmt is a task-memory media type that the caller frees with DeleteMediaType; pSCC
    // receives piSize bytes (a VIDEO_STREAM_CONFIG_CAPS). S_FALSE past the last index.
    virtual HRESULT GetStreamCaps(int iIndex, AM_MEDIA_TYPE** ppmt, BYTE* pSCC) = 0;
};

struct IAMVideoCompression : IUnknown {
    static constexpr IID kIid{
        0xC6E13343, 0x30AC, 0x11D0, {0xA1, 0x8C, 0x00, 0xA0, 0xC9, 0x11, 0x89, 0x56}};
    // Buffer sizes are given and returned in bytes; any output may be null.
    virtual HRESULT GetInfo(wchar_t* pszVersion, int* pcbVersion, wchar_t* pszDescription,
                            int* pcbDescription, LONG* pDefaultKeyFrameRate,
                            LONG* pDefaultPFramesPerKey, double* pDefaultQuality,
                            LONG* pCapabilities) = 0;
};

struct ICaptureGraphBuilder : IUnknown {
    static constexpr IID kIid{
        0xBF87B6E0, 0x8C27, 0x11D0, {0xB3, 0xF0, 0x00, 0xAA, 0x00, 0x37, 0x61, 0xC5}};
    // The builder keeps a reference on the graph.
    virtual HRESULT SetFiltergraph(IGraphBuilder* pfg) = 0;
    virtual HRESULT GetFiltergraph(IGraphBuilder** ppfg) = 0;
    // With a category: looks on the filter's output pin of that category, then downstream of
    // it; without: on the filter, then downstream of it. E_NOINTERFACE when nothing answers.
    virtual HRESULT FindInterface(const GUID* pCategory, IBaseFilter* pf, REFIID riid,
                                  void** ppint) = 0;
    // Renders the source's pin of the category to pfRenderer, or to a new default video
    // renderer when null. For PIN_CATEGORY_PREVIEW on a source without a preview pin the
    // capture pin is split through a tee and VFW_S_NOPREVIEWPIN is returned.
    virtual HRESULT RenderStream(const GUID* pCategory, IUnknown* pSource,
                                 IBaseFilter* pfCompressor, IBaseFilter* pfRenderer) = 0;
};

inline constexpr HRESULT VFW_E_INVALIDMEDIATYPE = static_cast<HRESULT>(0x80040200u);

inline constexpr const IID& IID_IPropertyBag = IPropertyBag::kIid;
inline constexpr const IID& IID_IMoniker = IMoniker::kIid;
inline constexpr const IID& IID_IEnumMoniker = IEnumMoniker::kIid;
inline constexpr const IID& IID_ICreateDevEnum = ICreateDevEnum::kIid;
inline constexpr const IID& IID_IEnumFilters = IEnumFilters::kIid;
inline constexpr const IID& IID_IFilterGraph = IFilterGraph::kIid;
inline constexpr const IID& IID_IGraphBuilder = IGraphBuilder::kIid;
inline constexpr const IID& IID_IMediaControl = IMediaControl::kIid;
inline constexpr const IID& IID_IMediaEvent = IMediaEvent::kIid;
inline constexpr const IID& IID_IMediaEventEx = IMediaEventEx::kIid;
inline constexpr const IID& IID_IVideoWindow = IVideoWindow::kIid;
inline constexpr const IID& IID_IAMStreamConfig = IAMStreamConfig::kIid;
inline constexpr const IID& IID_IAMVideoCompression = IAMVideoCompression::kIid;
inline constexpr const IID& IID_ICaptureGraphBuilder = ICaptureGraphBuilder::kIid;

// The default video renderer, which the capture graph builder creates for a preview, and the
// title of its own top-level window.
inline constexpr CLSID CLSID_VideoRenderer{
    0x70E102B0, 0x5556, 0x11CE, {0x97, 0xC0, 0x00, 0xAA, 0x00, 0x55, 0x59, 0x5F}};
inline constexpr const char* kVideoRendererTitle = "ActiveMovie Window";

// Enters the system device enumerator, the filter graph and the capture graph builder in the
// COM class table. Idempotent; the application and the tests call it once at start.
void RegisterDShowClasses();
