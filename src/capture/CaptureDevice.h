// CCaptureDevice: the utility's single handle on the camera. It finds the camera among the
// video input devices, builds the capture graph around it, keeps its format table, renders,
// runs and stops the preview; it has the camera's vendor property channel, which talks to the
// camera filter it holds.
#pragma once

#include <string>
#include <vector>

#include "capture/FormatTable.h"
#include "device/VendorChannel.h"
#include "platform/com/ComPtr.h"
#include "platform/dshow/CameraStill.h"
#include "platform/dshow/FrameTap.h"
#include "platform/dshow/Interfaces.h"
#include "platform/log/LogLevel.h"
#include "platform/win/WinUser.h"
#include "product/Product.h"

// Graph events reach the notify window as this message.
inline constexpr UINT WM_GRAPHNOTIFY = WM_USER + 1;

class CCaptureDevice {
public:
    CCaptureDevice() = default;
    // A device around a camera filter bound elsewhere (a test's scripted camera): its channel
    // talks to that filter at once; a Connect replaces it with the one it finds.
    explicit CCaptureDevice(ComPtr<IBaseFilter> cameraFilter);
    CCaptureDevice(const CCaptureDevice&) = delete;
    CCaptureDevice& operator=(const CCaptureDevice&) = delete;
    // Releases whatever graph object is still held (a failed connect may leave some).
    virtual ~CCaptureDevice();

    BOOL Connect();
    BOOL SelectFormat(DWORD compression, LONG width, LONG height, LONG framesPerSecond);
    // The same at a frame interval of the capture pin's range (a rate no whole number of
    // frames per second gives).
    BOOL SelectFormatInterval(DWORD compression, LONG width, LONG height,
                              REFERENCE_TIME interval_100ns);
    BOOL RenderPreview();
    BOOL Run();
    BOOL Stop();
    void TearDownPreview();
    void ReleaseAll();

    // The camera's vendor property channel; every operation fails while no camera filter is held.
    CVendorChannel& Channel() { return m_channel; }
    const CVendorChannel& Channel() const { return m_channel; }

    // The graph has been run and not stopped since.
    BOOL IsRunning() const { return m_bRunning; }
    // The preview chain is built and its video window (and normally its events) held.
    BOOL IsPreviewRendered() const { return m_bPreviewRendered; }
    // The last rendering found no preview pin and split the capture pin instead.
    BOOL HasNoPreviewPin() const { return m_bNoPreviewPin; }
    // Whether the preview ought to be running: kept for the operator's sequences, which set it
    // as they start and stop it; no operation of the device consults it.
    BOOL IsPreviewWanted() const { return m_bPreviewWanted; }
    void SetPreviewWanted(BOOL bWanted) { m_bPreviewWanted = bWanted; }
    // Where the graph's events are posted once a preview is rendered (the main dialog).
    HWND NotifyWindow() const { return m_hNotifyWindow; }
    void SetNotifyWindow(HWND hWnd) { m_hNotifyWindow = hWnd; }
    const CFormatTable& FormatTable() const { return m_formatTable; }
    // Nothing held and the table empty, as after construction or ReleaseAll.
    BOOL IsIdle() const;
    // What is held of the graph, null where nothing is.
    IBaseFilter* CameraFilter() const { return m_pCameraFilter.Get(); }
    IGraphBuilder* FilterGraph() const { return m_pFilterGraph.Get(); }
    IMediaEventEx* MediaEvent() const { return m_pMediaEvent.Get(); }
    IVideoWindow* VideoWindow() const { return m_pVideoWindow.Get(); }

    // Takes the graph's next event, if any, and frees its parameters; FALSE when there is none
    // or no event interface is held (no preview rendered since the graph was built).
    BOOL NextGraphEvent(LONG& code);
    // Tell the firmware that the preview has started (command 65) or is stopping (66).
    BOOL NotifyPreviewStarted();
    BOOL NotifyPreviewStopped();
    // Who watches the preview's frames: handed to the renderer whenever a preview is rendered,
    // taken back when it is torn down or replaced. Null stops it. The sink must outlive the
    // device or be replaced first.
    void SetFrameSink(IFrameSink* pSink);
    // Outlines places on the preview; FALSE when no rendered preview can draw them.
    BOOL SetPreviewMarks(const PreviewMark* pMarks, ULONG count);
    // The camera offers no vendor property set at all: a video-only camera, whose figure
    // comes from its picture.
    BOOL IsVideoOnly() const;
    // A still from the camera's own frames (a video-only camera's), while the graph is
    // stopped; E_NOINTERFACE for a camera that cannot.
    HRESULT TakeCameraStill(CameraStillFrame& still);
    // The friendly name of the video input device Connect looks for ("Standard_Camera").
    const std::string& CameraName() const { return m_cameraName; }
    void SetCameraName(std::string name) { m_cameraName = std::move(name); }

private:
    BOOL BuildGraph();
    void HandFrameSink(IFrameSink* pSink);
    BOOL GetCapabilityCount(int& count, int& structSize);
    // A failure is logged at `failureLevel`: the table fill skips it, a selection fails on it.
    BOOL GetCapability(int index, AM_MEDIA_TYPE*& pmt, BYTE* caps, LogLevel failureLevel);

    ComPtr<IMediaEventEx> m_pMediaEvent;
    CFormatTable m_formatTable;
    HWND m_hNotifyWindow = nullptr;
    ComPtr<ICaptureGraphBuilder> m_pGraphBuilder;
    ComPtr<IVideoWindow> m_pVideoWindow;
    ComPtr<IAMVideoCompression> m_pVideoCompression;
    ComPtr<IAMStreamConfig> m_pStreamConfig;
    ComPtr<IBaseFilter> m_pCameraFilter;  // also the vendor property channel's target
    ComPtr<IGraphBuilder> m_pFilterGraph;
    BOOL m_bRunning = FALSE;
    BOOL m_bPreviewWanted = FALSE;
    BOOL m_bPreviewRendered = FALSE;
    BOOL m_bNoPreviewPin = FALSE;
    IFrameSink* m_pFrameSink = nullptr;
    std::string m_cameraName = kCameraName;
    // Asks for the camera filter at each operation, so it follows whatever the device holds.
    CVendorChannel m_channel{[this] { return static_cast<IUnknown*>(m_pCameraFilter.Get()); }};
};

// Finds the first video input device whose friendly name is exactly `name` and binds it.
BOOL FindCaptureDevice(const char* name, ComPtr<IBaseFilter>& filter);
// The friendly names of the video input devices, in the order FindCaptureDevice walks them.
std::vector<std::string> ListCaptureDeviceNames();
// Disconnects and removes every filter downstream of `filter`, deepest first.
void RemoveDownstream(IBaseFilter* filter, IGraphBuilder* graph);
