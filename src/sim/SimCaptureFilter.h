// CSimCaptureFilter: the simulated camera as a capture filter. The same object that answers
// the vendor property set (CSimCameraFilter) gets a capture pin with the camera's formats,
// an optional preview pin, and a streaming thread that renders the scene at the frame
// interval the host chose; while it streams, the firmware posts focus reports and the
// operator can turn the lens on a small panel.
#pragma once

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "sim/SimCameraFilter.h"

struct SimVideoConfig {
    BOOL bPreviewPin = FALSE;     // FALSE: the host splits the capture pin for its preview
    BOOL bCompressorPin = FALSE;  // the capture pin describes itself as a compressor
    BOOL bLensPanel = TRUE;       // open the lens panel while streaming (needs a QApplication)
    // The stream fails (EC_ERRORABORT) when this 1-based frame is due, as when the cable is
    // pulled mid-stream; 0 = never.
    uint64_t failAtFrame = 0;
};

class CSimCapturePin;
class CSimPreviewPin;
class CSimLensPanel;

class CSimCaptureFilter : public CSimCameraFilter {
public:
    CSimCaptureFilter(std::shared_ptr<CSimCamera> camera, const SimVideoConfig& video);

    const SimVideoConfig& VideoConfig() const { return m_video; }
    // Frames handed to the pins since the filter was made.
    uint64_t FramesDelivered() const { return m_nFrames.load(); }
    // The lens panel while it exists; user-interface thread only.
    CSimLensPanel* LensPanel() const;

protected:
    ~CSimCaptureFilter() override;
    int PinCount() override { return m_pPreview ? 2 : 1; }
    IPin* PinAt(int index) override;
    // The firmware learns first, then the streaming thread starts and the lens panel opens.
    HRESULT OnStartStreaming() override;
    // The streaming thread is joined before the firmware learns that video has stopped.
    void OnStopStreaming() override;

private:
    void StopStreamingThread();
    void StreamLoop(int formatIndex, REFERENCE_TIME interval_100ns);
    HRESULT DeliverFrame(int formatIndex, std::vector<BYTE>& frame, std::vector<BYTE>& scratch,
                         REFERENCE_TIME tStart);
    void OpenLensPanel();

    const SimVideoConfig m_video;
    std::unique_ptr<CSimCapturePin> m_pCapture;
    std::unique_ptr<CSimPreviewPin> m_pPreview;

    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_bStopRequested = false;
    std::atomic<uint64_t> m_nFrames{0};

    struct PanelHolder;
    std::shared_ptr<PanelHolder> m_pPanel;
};
