#include "capture/CaptureDevice.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "capture/CaptureLog.h"
#include "device/DeviceCommands.h"
#include "platform/com/ComRuntime.h"
#include "platform/ks/KsPropertySet.h"
#include "platform/ks/VendorPropertySet.h"
#include "platform/log/Log.h"

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

// Reads the friendly name of the device at `index` into `name`; false when it cannot be read
// or does not fit. Such a device is skipped, which is normal enough to be debug output.
bool ReadFriendlyName(IMoniker* moniker, int index, char (&name)[kNameBufferBytes]) {
    std::memset(name, 0, sizeof name);
    ComPtr<IPropertyBag> bag;
    const HRESULT bound =
        moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, bag.ReleaseAndGetVoidAddress());
    if (FAILED(bound) || !bag) {
        LogDebug(kLogCapture, "video input %d skipped: its property bag: 0x%08X", index,
                 LogStatus(bound));
        return false;
    }
    VARIANT var;
    var.vt = VT_BSTR;
    const HRESULT hr = bag->Read(L"FriendlyName", &var, nullptr);
    bool fits = false;
    if (SUCCEEDED(hr) && var.vt == VT_BSTR && var.bstrVal) {
        fits = WideCharToMultiByte(CP_ACP, 0, var.bstrVal, -1, name, kNameBufferBytes, nullptr,
                                   nullptr) > 0;
        if (!fits)
            LogDebug(kLogCapture, "video input %d skipped: its name does not fit %d bytes", index,
                     kNameBufferBytes);
    } else {
        LogDebug(kLogCapture, "video input %d skipped: its FriendlyName: 0x%08X", index,
                 LogStatus(hr));
    }
    VariantClear(&var);
    return fits;
}

// Walks the video input devices in their order, calling visit(index, moniker, friendlyName)
// for each one whose name can be read, until it returns false. The number of devices looked
// at, or -1 when they cannot be listed (a warning says why, naming `purpose`).
template <typename Visit>
int WalkVideoInputs(const std::string& purpose, Visit visit) {
    ComPtr<ICreateDevEnum> devEnum;
    const HRESULT created =
        CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, IID_ICreateDevEnum,
                         devEnum.ReleaseAndGetVoidAddress());
    if (FAILED(created) || !devEnum) {
        LogWarning(kLogCapture, "%s: no system device enumerator: 0x%08X", purpose.c_str(),
                   LogStatus(created));
        return -1;
    }
    ComPtr<IEnumMoniker> monikers;
    const HRESULT hr = devEnum->CreateClassEnumerator(CLSID_VideoInputDeviceCategory,
                                                      monikers.ReleaseAndGetAddressOf(), 0);
    devEnum.Reset();
    if (hr != S_OK || !monikers) {
        LogWarning(kLogCapture, "%s: %s: 0x%08X", purpose.c_str(),
                   hr == S_FALSE ? "no video input device at all"
                                 : "the video input devices cannot be listed",
                   LogStatus(hr));
        return -1;
    }
    int index = 0;
    monikers->Reset();
    for (;; ++index) {
        ComPtr<IMoniker> moniker;
        if (monikers->Next(1, moniker.ReleaseAndGetAddressOf(), nullptr) != S_OK)
            break;
        char friendlyName[kNameBufferBytes];
        if (moniker && ReadFriendlyName(moniker.Get(), index, friendlyName) &&
            !visit(index, *moniker.Get(), friendlyName)) {
            break;
        }
    }
    return index;
}

}  // namespace

BOOL FindCaptureDevice(const char* name, ComPtr<IBaseFilter>& filter) {
    BOOL found = FALSE;
    bool bNamed = false;
    const int walked = WalkVideoInputs(
        "finding \"" + std::string(name) + "\"",
        [&](int index, IMoniker& moniker, const char* friendlyName) {
            if (std::strcmp(friendlyName, name) != 0) {
                LogDebug(kLogCapture, "video input %d is \"%s\", not the camera", index,
                         friendlyName);
                return true;
            }
            // The first device of that name is the camera; a failed bind ends the search.
            bNamed = true;
            ComPtr<IBaseFilter> bound;
            const HRESULT bind = moniker.BindToObject(nullptr, nullptr, IID_IBaseFilter,
                                                      bound.ReleaseAndGetVoidAddress());
            if (SUCCEEDED(bind) && bound) {
                filter = std::move(bound);
                found = TRUE;
            } else {
                LogWarning(kLogCapture, "finding \"%s\": video input %d would not bind: 0x%08X",
                           name, index, LogStatus(bind));
            }
            return false;
        });
    if (walked >= 0 && !bNamed)
        LogWarning(kLogCapture, "no video input device named \"%s\" among %d", name, walked);
    return found;
}

std::vector<std::string> ListCaptureDeviceNames() {
    std::vector<std::string> names;
    WalkVideoInputs("listing the cameras", [&](int, IMoniker&, const char* friendlyName) {
        names.emplace_back(friendlyName);
        return true;
    });
    return names;
}

void RemoveDownstream(IBaseFilter* filter, IGraphBuilder* graph) {
    if (!filter || !graph)
        return;
    ComPtr<IEnumPins> pins;
    const HRESULT enumerated = filter->EnumPins(pins.ReleaseAndGetAddressOf());
    if (FAILED(enumerated) || !pins) {
        LogDebug(kLogCapture, "teardown: a filter's pins cannot be listed: 0x%08X",
                 LogStatus(enumerated));
        return;
    }
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
        if (const HRESULT hr = connected->QueryPinInfo(&info); FAILED(hr)) {
            LogDebug(kLogCapture, "teardown: a connected pin will not describe itself: 0x%08X",
                     LogStatus(hr));
            break;
        }
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

CCaptureDevice::CCaptureDevice(ComPtr<IBaseFilter> cameraFilter)
    : m_pCameraFilter(std::move(cameraFilter)) {}

BOOL CCaptureDevice::IsIdle() const {
    return !(m_pGraphBuilder || m_pFilterGraph || m_pCameraFilter || m_pStreamConfig ||
             m_pVideoCompression || m_pVideoWindow || m_pMediaEvent) &&
           m_formatTable.GetCount() == 0;
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
        const HRESULT hr =
            CoCreateInstance(CLSID_CaptureGraphBuilder, nullptr, CLSCTX_INPROC,
                             IID_ICaptureGraphBuilder, builder.ReleaseAndGetVoidAddress());
        if (hr != S_OK || !builder) {
            LogWarning(kLogCapture, "BuildGraph: no capture graph builder: 0x%08X", LogStatus(hr));
            return FALSE;
        }
        m_pGraphBuilder = std::move(builder);
    }
    if (!FindCaptureDevice(m_cameraName.c_str(), m_pCameraFilter)) {
        ReleaseAll();
        return FALSE;
    }
    if (!m_pFilterGraph) {
        ComPtr<IGraphBuilder> graph;
        const HRESULT hr = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC,
                                            IID_IGraphBuilder, graph.ReleaseAndGetVoidAddress());
        if (hr != S_OK || !graph) {
            LogWarning(kLogCapture, "BuildGraph: no filter graph: 0x%08X", LogStatus(hr));
            ReleaseAll();
            return FALSE;
        }
        m_pFilterGraph = std::move(graph);
    }
    if (const HRESULT hr = m_pGraphBuilder->SetFiltergraph(m_pFilterGraph.Get()); hr != S_OK) {
        LogWarning(kLogCapture, "BuildGraph: SetFiltergraph: 0x%08X", LogStatus(hr));
        ReleaseAll();
        return FALSE;
    }
    if (const HRESULT hr = m_pFilterGraph->AddFilter(m_pCameraFilter.Get(), nullptr); hr != S_OK) {
        LogWarning(kLogCapture, "BuildGraph: AddFilter of the camera: 0x%08X", LogStatus(hr));
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
    if (!m_pStreamConfig) {
        LogWarning(kLogCapture, "the capture pin offers no IAMStreamConfig");
        return FALSE;
    }
    int n = 0;
    int size = 0;
    if (const HRESULT hr = m_pStreamConfig->GetNumberOfCapabilities(&n, &size); FAILED(hr)) {
        LogWarning(kLogCapture, "GetNumberOfCapabilities: 0x%08X", LogStatus(hr));
        return FALSE;
    }
    count = n;
    structSize = size;
    return TRUE;
}

BOOL CCaptureDevice::GetCapability(int index, AM_MEDIA_TYPE*& pmt, BYTE* caps,
                                   LogLevel failureLevel) {
    pmt = nullptr;
    if (!m_pStreamConfig)
        return FALSE;
    const HRESULT hr = m_pStreamConfig->GetStreamCaps(index, &pmt, caps);
    if (FAILED(hr) || !pmt) {
        LogAt(kLogCapture, failureLevel, "GetStreamCaps of capability %d: 0x%08X", index,
              LogStatus(hr));
        return FALSE;
    }
    return TRUE;
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
            LogDebug(kLogCapture, "Connect: the capture pin is a compressor; no format table");
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
        // One capability that cannot be read is left out; the rest still make a table.
        if (!GetCapability(i, raw, caps.data(), LogLevel::Debug))
            continue;
        MediaTypePtr mt(raw);
        if (!HasVideoInfo(*mt)) {
            LogDebug(kLogCapture, "Connect: capability %d is no usable VIDEOINFOHEADER", i);
            continue;
        }
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
    // A rate below 1 has no frame interval; refuse it rather than divide by it.
    if (framesPerSecond < 1) {
        LogWarning(kLogCapture, "SelectFormat: %d frames per second refused", framesPerSecond);
        return FALSE;
    }
    return SelectFormatInterval(compression, width, height,
                                kOneSecond_100ns / static_cast<LONGLONG>(framesPerSecond));
}

BOOL CCaptureDevice::SelectFormatInterval(DWORD compression, LONG width, LONG height,
                                          REFERENCE_TIME interval_100ns) {
    LONG group = 0;
    LONG position = 0;
    if (!m_formatTable.FindGroup(compression, group) ||
        !m_formatTable.FindSize(width, height, group, position)) {
        // A compressor pin has no table at all: its own format stands, as intended.
        LogAt(kLogCapture, m_formatTable.GetCount() > 0 ? LogLevel::Warning : LogLevel::Debug,
              "SelectFormat: no format 0x%08X at %d x %d in the table", compression, width, height);
        return FALSE;
    }
    const CFormatEntry* entry = m_formatTable.GetEntry(group, position);
    if (!entry || interval_100ns <= 0) {
        LogWarning(kLogCapture, "SelectFormat: interval %lld refused",
                   static_cast<long long>(interval_100ns));
        return FALSE;
    }

    int count = 0;
    int structSize = 0;
    if (!GetCapabilityCount(count, structSize))
        return FALSE;
    AM_MEDIA_TYPE* raw = nullptr;
    BOOL got = FALSE;
    {
        std::vector<BYTE> caps = MakeCapsBuffer(structSize);
        got = GetCapability(entry->m_nCapabilityIndex, raw, caps.data(), LogLevel::Warning);
    }
    MediaTypePtr mt(raw);
    if (!got)
        return FALSE;
    if (!HasVideoInfo(*mt)) {
        LogWarning(kLogCapture, "SelectFormat: capability %d is no usable VIDEOINFOHEADER",
                   entry->m_nCapabilityIndex);
        return FALSE;
    }

    VIDEOINFOHEADER vih;
    std::memcpy(&vih, mt->pbFormat, sizeof vih);
    vih.AvgTimePerFrame = interval_100ns;
    std::memcpy(mt->pbFormat, &vih, sizeof vih);
    const HRESULT hr = m_pStreamConfig->SetFormat(mt.get());
    if (FAILED(hr)) {
        LogWarning(kLogCapture, "SelectFormat: SetFormat of %d x %d at %lld x 100 ns: 0x%08X",
                   width, height, static_cast<long long>(interval_100ns), LogStatus(hr));
        return FALSE;
    }
    return TRUE;
}

BOOL CCaptureDevice::RenderPreview() {
    if (m_bPreviewRendered)
        return TRUE;
    if (m_bRunning || !m_pCameraFilter || !m_pGraphBuilder) {
        LogWarning(kLogCapture, "RenderPreview: refused while %s",
                   m_bRunning ? "running" : "no camera graph is held");
        return FALSE;
    }

    const HRESULT hr = m_pGraphBuilder->RenderStream(&PIN_CATEGORY_PREVIEW, m_pCameraFilter.Get(),
                                                     nullptr, nullptr);
    if (hr == VFW_S_NOPREVIEWPIN) {
        m_bNoPreviewPin = TRUE;
        LogDebug(kLogCapture, "RenderPreview: no preview pin; the capture pin is split");
    } else if (FAILED(hr)) {
        // Only the video window below tells; this is most likely why it is missing.
        LogWarning(kLogCapture, "RenderPreview: RenderStream: 0x%08X", LogStatus(hr));
    }

    const GUID* category = m_bNoPreviewPin ? &PIN_CATEGORY_CAPTURE : &PIN_CATEGORY_PREVIEW;
    const HRESULT found =
        m_pGraphBuilder->FindInterface(category, m_pCameraFilter.Get(), IID_IVideoWindow,
                                       m_pVideoWindow.ReleaseAndGetVoidAddress());
    if (found != S_OK || !m_pVideoWindow) {
        LogWarning(kLogCapture, "RenderPreview: no video window on the %s stream: 0x%08X",
                   m_bNoPreviewPin ? "capture" : "preview", LogStatus(found));
        TearDownPreview();
        return FALSE;
    }
    m_pVideoWindow->put_Top(kPreviewTop_px);
    HandFrameSink(m_pFrameSink);

    const HRESULT events = m_pFilterGraph ? m_pFilterGraph.As(m_pMediaEvent) : E_POINTER;
    if (events == S_OK && m_pMediaEvent) {
        m_pMediaEvent->SetNotifyWindow(m_hNotifyWindow, static_cast<LONG>(WM_GRAPHNOTIFY), 0);
    } else {
        // Closing the preview window will then go unnoticed by the dialog.
        LogWarning(kLogCapture, "RenderPreview: no IMediaEventEx, no graph events: 0x%08X",
                   LogStatus(events));
        m_pMediaEvent.Reset();  // rendered all the same, only without notification
    }
    m_bPreviewRendered = TRUE;
    return TRUE;
}

BOOL CCaptureDevice::Run() {
    if (m_bRunning)
        return TRUE;
    if (!m_bPreviewRendered) {
        // Only ever after a rendering that failed, and has said so.
        LogDebug(kLogCapture, "Run: refused, no preview is rendered");
        return FALSE;
    }

    ComPtr<IMediaControl> control;
    const HRESULT query = m_pFilterGraph ? m_pFilterGraph.As(control) : E_POINTER;
    if (FAILED(query) || !control) {
        LogWarning(kLogCapture, "Run: no IMediaControl: 0x%08X", LogStatus(query));
        return FALSE;
    }
    const HRESULT hr = control->Run();
    if (FAILED(hr)) {
        LogWarning(kLogCapture, "Run: IMediaControl::Run: 0x%08X; the graph is stopped again",
                   LogStatus(hr));
        control->Stop();  // leave no filter half started
    }
    control.Reset();
    if (FAILED(hr))
        return FALSE;
    m_bRunning = TRUE;
    return TRUE;
}

BOOL CCaptureDevice::Stop() {
    if (!m_bRunning) {
        LogDebug(kLogCapture, "Stop: not running");
        return FALSE;
    }
    BOOL stopped = FALSE;
    ComPtr<IMediaControl> control;
    const HRESULT query = m_pFilterGraph ? m_pFilterGraph.As(control) : E_POINTER;
    if (SUCCEEDED(query) && control) {
        const HRESULT hr = control->Stop();
        stopped = SUCCEEDED(hr);
        if (!stopped)
            LogWarning(kLogCapture, "Stop: IMediaControl::Stop: 0x%08X; counted as stopped",
                       LogStatus(hr));
        control.Reset();
    } else {
        LogWarning(kLogCapture, "Stop: no IMediaControl: 0x%08X; counted as stopped",
                   LogStatus(query));
    }
    m_bRunning = FALSE;
    return stopped;
}

void CCaptureDevice::HandFrameSink(IFrameSink* pSink) {
    ComPtr<IFrameTap> tap;
    if (m_pVideoWindow && SUCCEEDED(m_pVideoWindow.As(tap)) && tap)
        tap->SetFrameSink(pSink);
}

void CCaptureDevice::SetFrameSink(IFrameSink* pSink) {
    m_pFrameSink = pSink;
    HandFrameSink(pSink);
}

BOOL CCaptureDevice::SetPreviewMarks(const PreviewMark* pMarks, ULONG count) {
    ComPtr<IPreviewMarks> marks;
    if (!m_pVideoWindow || FAILED(m_pVideoWindow.As(marks)) || !marks)
        return FALSE;
    return SUCCEEDED(marks->SetMarks(pMarks, count));
}

void CCaptureDevice::TearDownPreview() {
    HandFrameSink(nullptr);
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

BOOL CCaptureDevice::IsVideoOnly() const {
    ComPtr<IKsPropertySet> props;
    return m_pCameraFilter && FAILED(m_pCameraFilter.As(props));
}

HRESULT CCaptureDevice::TakeCameraStill(CameraStillFrame& still) {
    ComPtr<ICameraStill> camera;
    const HRESULT hr = m_pCameraFilter ? m_pCameraFilter.As(camera) : E_POINTER;
    if (FAILED(hr) || !camera) {
        LogWarning(kLogCapture, "the camera takes no still of its own: 0x%08X", LogStatus(hr));
        return FAILED(hr) ? hr : E_NOINTERFACE;
    }
    return camera->TakeStill(&still);
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
    return SendDeviceCommand(m_channel, VENDOR_COMMAND_PREVIEW_STARTED);
}

BOOL CCaptureDevice::NotifyPreviewStopped() {
    return SendDeviceCommand(m_channel, VENDOR_COMMAND_PREVIEW_STOPPED);
}
