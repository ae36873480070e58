#include "capture/CaptureDevice.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "device/DeviceCommands.h"
#include "platform/com/ComRuntime.h"
#include "platform/ks/VendorPropertySet.h"

namespace {

struct MediaTypeDeleter {
    void operator()(AM_MEDIA_TYPE* pmt) const { DeleteMediaType(pmt); }
};
// A media type handed out by the platform, freed on every path out of the scope.
using MediaTypePtr = std::unique_ptr<AM_MEDIA_TYPE, MediaTypeDeleter>;

constexpr int kNameBufferBytes = 80;
constexpr LONG kPreviewTop_px = 400;
constexpr LONGLONG kOneSecond_100ns = 10000000;

// The capability buffer is read back as a VIDEO_STREAM_CONFIG_CAPS, so it is never smaller
// than one, whatever size the pin reports.
std::vector<BYTE> MakeCapsBuffer(int structSize) {
    const size_t reported = structSize > 0 ? static_cast<size_t>(structSize) : 0;
    return std::vector<BYTE>(std::max(reported, sizeof(VIDEO_STREAM_CONFIG_CAPS)));
}

// A FORMAT_VideoInfo type whose block is too short to hold the header is not usable.
bool HasVideoInfo(const AM_MEDIA_TYPE& mt) {
    return mt.formattype == FORMAT_VideoInfo && mt.pbFormat &&
           mt.cbFormat >= sizeof(VIDEOINFOHEADER);
}

// Reads the friendly name into `name`; false when it cannot be read or does not fit.
bool ReadFriendlyName(IMoniker* moniker, char (&name)[kNameBufferBytes]) {
    std::memset(name, 0, sizeof name);
    ComPtr<IPropertyBag> bag;
    if (FAILED(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag,
                                      bag.ReleaseAndGetVoidAddress())) ||
        !bag) {
        return false;
    }
    VARIANT var;
    var.vt = VT_BSTR;
    const HRESULT hr = bag->Read(L"FriendlyName", &var, nullptr);
    bool fits = false;
    if (SUCCEEDED(hr) && var.vt == VT_BSTR && var.bstrVal) {
        fits = WideCharToMultiByte(CP_ACP, 0, var.bstrVal, -1, name, kNameBufferBytes, nullptr,
                                   nullptr) > 0;
    }
    VariantClear(&var);
    return fits;
}

}  // namespace

BOOL FindCaptureDevice(const char* name, ComPtr<IBaseFilter>& filter) {
    ComPtr<ICreateDevEnum> devEnum;
    if (FAILED(CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER,
                                IID_ICreateDevEnum, devEnum.ReleaseAndGetVoidAddress())) ||
        !devEnum) {
        return FALSE;
    }
    ComPtr<IEnumMoniker> monikers;
    const HRESULT hr = devEnum->CreateClassEnumerator(CLSID_VideoInputDeviceCategory,
                                                      monikers.ReleaseAndGetAddressOf(), 0);
    devEnum.Reset();
    if (hr != S_OK || !monikers)
        return FALSE;

    BOOL found = FALSE;
    monikers->Reset();
    for (;;) {
        ComPtr<IMoniker> moniker;
        if (monikers->Next(1, moniker.ReleaseAndGetAddressOf(), nullptr) != S_OK)
            break;
        if (!moniker)
            continue;
        char friendlyName[kNameBufferBytes];
        if (!ReadFriendlyName(moniker.Get(), friendlyName))
            continue;
        if (std::strcmp(friendlyName, name) != 0)
            continue;

        // The first device of that name is the camera; a failed bind ends the search.
        ComPtr<IBaseFilter> bound;
        if (SUCCEEDED(moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter,
                                            bound.ReleaseAndGetVoidAddress())) &&
            bound) {
            filter = std::move(bound);
            found = TRUE;
        }
        break;
    }
    return found;
}

void RemoveDownstream(IBaseFilter* filter, IGraphBuilder* graph) {
    if (!filter || !graph)
        return;
    ComPtr<IEnumPins> pins;
    if (FAILED(filter->EnumPins(pins.ReleaseAndGetAddressOf())) || !pins)
        return;
    pins->Reset();
    for (;;) {
        ComPtr<IPin> pin;
        if (pins->Next(1, pin.ReleaseAndGetAddressOf(), nullptr) != S_OK)
            break;
        if (!pin)
            continue;
        ComPtr<IPin> connected;
        if (FAILED(pin->ConnectedTo(connected.ReleaseAndGetAddressOf())) || !connected)
            continue;
        PIN_INFO info;
        if (FAILED(connected->QueryPinInfo(&info)))
            break;
        // The pin information carries a filter reference whichever way the pin points.
        ComPtr<IBaseFilter> other;
        other.Attach(info.pFilter);
        if (info.dir != PINDIR_INPUT || !other)
            continue;
        RemoveDownstream(other.Get(), graph);
        graph->Disconnect(connected.Get());
        graph->Disconnect(pin.Get());
        graph->RemoveFilter(other.Get());
    }
}

CCaptureDevice::~CCaptureDevice() {
    // A device dropped without the dialog's disconnect (or after a connect that failed half
    // way) still takes its graph down rather than leaving it running or alive.
    if (m_bRunning)
        Stop();
    TearDownPreview();
    ReleaseAll();
}

BOOL CCaptureDevice::BuildGraph() {
    if (!m_pGraphBuilder) {
        ComPtr<ICaptureGraphBuilder> builder;
        if (CoCreateInstance(CLSID_CaptureGraphBuilder, nullptr, CLSCTX_INPROC,
                             IID_ICaptureGraphBuilder,
                             builder.ReleaseAndGetVoidAddress()) != S_OK ||
            !builder) {
            return FALSE;
        }
        m_pGraphBuilder = std::move(builder);
    }
    if (!FindCaptureDevice(kCameraName, m_pCameraFilter)) {
        ReleaseAll();
        return FALSE;
    }
    if (!m_pFilterGraph) {
        ComPtr<IGraphBuilder> graph;
        if (CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC, IID_IGraphBuilder,
                             graph.ReleaseAndGetVoidAddress()) != S_OK ||
            !graph) {
            ReleaseAll();
            return FALSE;
        }
        m_pFilterGraph = std::move(graph);
    }
    if (m_pGraphBuilder->SetFiltergraph(m_pFilterGraph.Get()) != S_OK ||
        m_pFilterGraph->AddFilter(m_pCameraFilter.Get(), nullptr) != S_OK) {
        ReleaseAll();
        return FALSE;
    }
    m_pGraphBuilder->FindInterface(&PIN_CATEGORY_CAPTURE, m_pCameraFilter.Get(),
                                   IID_IAMVideoCompression,
                                   m_pVideoCompression.ReleaseAndGetVoidAddress());
    m_pGraphBuilder->FindInterface(&PIN_CATEGORY_CAPTURE, m_pCameraFilter.Get(),
                                   IID_IAMStreamConfig, m_pStreamConfig.ReleaseAndGetVoidAddress());
    return TRUE;
}

BOOL CCaptureDevice::GetCapabilityCount(int& count, int& structSize) {
    if (!m_pStreamConfig)
        return FALSE;
    int n = 0;
    int size = 0;
    if (FAILED(m_pStreamConfig->GetNumberOfCapabilities(&n, &size)))
        return FALSE;
    count = n;
    structSize = size;
    return TRUE;
}

BOOL CCaptureDevice::GetCapability(int index, AM_MEDIA_TYPE*& pmt, BYTE* caps) {
    pmt = nullptr;
    if (!m_pStreamConfig)
        return FALSE;
    const HRESULT hr = m_pStreamConfig->GetStreamCaps(index, &pmt, caps);
    return SUCCEEDED(hr) && pmt != nullptr;
}

BOOL CCaptureDevice::Connect() {
    if (!BuildGraph())
        return FALSE;

    if (m_pVideoCompression) {
        // Sizes are given in bytes; the buffers are larger than that for any wide character.
        wchar_t version[40] = {};
        wchar_t description[80] = {};
        int cbVersion = 40;
        int cbDescription = 80;
        if (m_pVideoCompression->GetInfo(version, &cbVersion, description, &cbDescription, nullptr,
                                         nullptr, nullptr, nullptr) == S_OK) {
            return TRUE;  // a compressor pin: no format table
        }
    }

    int count = 0;
    int structSize = 0;
    if (!GetCapabilityCount(count, structSize))
        return FALSE;

    std::vector<BYTE> caps = MakeCapsBuffer(structSize);
    for (int i = 0; i < count; ++i) {
        AM_MEDIA_TYPE* raw = nullptr;
        if (!GetCapability(i, raw, caps.data()))
            continue;
        MediaTypePtr mt(raw);
        if (!HasVideoInfo(*mt))
            continue;
        VIDEOINFOHEADER vih;
        std::memcpy(&vih, mt->pbFormat, sizeof vih);
        VIDEO_STREAM_CONFIG_CAPS scc;
        std::memcpy(&scc, caps.data(), sizeof scc);
        m_formatTable.Add(i, *mt, vih, scc, FrameIntervalList::MakeStandard());
    }
    m_formatTable.Sort();
    return TRUE;
}

BOOL CCaptureDevice::SelectFormat(DWORD compression, LONG width, LONG height,
                                  LONG framesPerSecond) {
    LONG group = 0;
    LONG position = 0;
    if (!m_formatTable.FindGroup(compression, group) ||
        !m_formatTable.FindSize(width, height, group, position)) {
        return FALSE;
    }
    const CFormatEntry* entry = m_formatTable.GetEntry(group, position);
    // A rate below 1 has no frame interval; refuse it rather than divide by it.
    if (!entry || framesPerSecond < 1)
        return FALSE;

    int count = 0;
    int structSize = 0;
    if (!GetCapabilityCount(count, structSize))
        return FALSE;
    AM_MEDIA_TYPE* raw = nullptr;
    BOOL got = FALSE;
    {
        std::vector<BYTE> caps = MakeCapsBuffer(structSize);
        got = GetCapability(entry->m_nCapabilityIndex, raw, caps.data());
    }
    MediaTypePtr mt(raw);
    if (!got || !HasVideoInfo(*mt))
        return FALSE;

    VIDEOINFOHEADER vih;
    std::memcpy(&vih, mt->pbFormat, sizeof vih);
    vih.AvgTimePerFrame = kOneSecond_100ns / static_cast<LONGLONG>(framesPerSecond);
    std::memcpy(mt->pbFormat, &vih, sizeof vih);
    return SUCCEEDED(m_pStreamConfig->SetFormat(mt.get()));
}

BOOL CCaptureDevice::RenderPreview() {
    if (m_bPreviewRendered)
        return TRUE;
    if (m_bRunning || !m_pCameraFilter || !m_pGraphBuilder)
        return FALSE;

    const HRESULT hr = m_pGraphBuilder->RenderStream(&PIN_CATEGORY_PREVIEW, m_pCameraFilter.Get(),
                                                     nullptr, nullptr);
    if (hr == VFW_S_NOPREVIEWPIN)
        m_bNoPreviewPin = TRUE;

    const GUID* category = m_bNoPreviewPin ? &PIN_CATEGORY_CAPTURE : &PIN_CATEGORY_PREVIEW;
    if (m_pGraphBuilder->FindInterface(category, m_pCameraFilter.Get(), IID_IVideoWindow,
                                       m_pVideoWindow.ReleaseAndGetVoidAddress()) != S_OK ||
        !m_pVideoWindow) {
        TearDownPreview();
        return FALSE;
    }
    m_pVideoWindow->put_Top(kPreviewTop_px);

    if (m_pFilterGraph && m_pFilterGraph.As(m_pMediaEvent) == S_OK && m_pMediaEvent) {
        m_pMediaEvent->SetNotifyWindow(m_hNotifyWindow, static_cast<LONG>(WM_GRAPHNOTIFY), 0);
    } else {
        m_pMediaEvent.Reset();  // rendered all the same, only without notification
    }
    m_bPreviewRendered = TRUE;
    return TRUE;
}

BOOL CCaptureDevice::Run() {
    if (m_bRunning)
        return TRUE;
    if (!m_bPreviewRendered)
        return FALSE;

    ComPtr<IMediaControl> control;
    if (!m_pFilterGraph || FAILED(m_pFilterGraph.As(control)) || !control)
        return FALSE;
    const HRESULT hr = control->Run();
    if (FAILED(hr))
        control->Stop();  // leave no filter half started
    control.Reset();
    if (FAILED(hr))
        return FALSE;
    m_bRunning = TRUE;
    return TRUE;
}

BOOL CCaptureDevice::Stop() {
    if (!m_bRunning)
        return FALSE;
    BOOL stopped = FALSE;
    ComPtr<IMediaControl> control;
    if (m_pFilterGraph && SUCCEEDED(m_pFilterGraph.As(control)) && control) {
        stopped = SUCCEEDED(control->Stop());
        control.Reset();
    }
    m_bRunning = FALSE;
    return stopped;
}

void CCaptureDevice::TearDownPreview() {
    m_pVideoWindow.Reset();
    m_pMediaEvent.Reset();
    if (m_pCameraFilter)
        RemoveDownstream(m_pCameraFilter.Get(), m_pFilterGraph.Get());
    m_bPreviewRendered = FALSE;
    m_bNoPreviewPin = FALSE;
}

void CCaptureDevice::ReleaseAll() {
    m_pFilterGraph.Reset();
    m_pGraphBuilder.Reset();
    m_pCameraFilter.Reset();
    m_pStreamConfig.Reset();
    m_pVideoCompression.Reset();
    m_formatTable.Clear();
}

BOOL CCaptureDevice::NextGraphEvent(LONG& code) {
    if (!m_pMediaEvent)
        return FALSE;
    LONG_PTR param1 = 0;
    LONG_PTR param2 = 0;
    if (m_pMediaEvent->GetEvent(&code, &param1, &param2, 0) != S_OK)
        return FALSE;
    m_pMediaEvent->FreeEventParams(code, param1, param2);
    return TRUE;
}

BOOL CCaptureDevice::NotifyPreviewStarted() {
    return SendDeviceCommand(*this, VENDOR_COMMAND_PREVIEW_STARTED);
}

BOOL CCaptureDevice::NotifyPreviewStopped() {
    return SendDeviceCommand(*this, VENDOR_COMMAND_PREVIEW_STOPPED);
}
