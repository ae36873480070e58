// CSimCaptureBackend: the simulated camera as a camera backend of the live capture filter. It
// renders the scene in the chosen format when the filter asks for a frame, on the camera's
// clock; its vendor property set is the firmware, which learns when video starts and stops; the
// stream observer (SimStreamObserver.h) gets a watch over it; and it loses the stream at a given
// frame, or once the camera is unplugged.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/vidcap/CaptureBackend.h"
#include "platform/vidcap/LiveCaptureDevice.h"
#include "sim/SimCamera.h"
#include "sim/SimStreamObserver.h"

struct SimVideoConfig {
    BOOL bPreviewPin = FALSE;     // FALSE: the host splits the capture pin for its preview
    BOOL bCompressorPin = FALSE;  // the capture pin describes itself as a compressor
    BOOL bLensPanel = TRUE;       // the stream observer (the lens panel) watches the stream
    // The stream is lost (EC_ERRORABORT) when this 1-based frame is due, as when the cable is
    // pulled mid-stream; 0 = never.
    uint64_t failAtFrame = 0;
};

class CSimCaptureBackend : public ICaptureBackend {
public:
    CSimCaptureBackend(std::shared_ptr<CSimCamera> camera, const SimVideoConfig& video);
    ~CSimCaptureBackend() override;

    const std::vector<CaptureFormat>& Formats() const override;
    size_t DefaultFormat() const override;
    int64_t Now_ms() const override;
    HRESULT SetFormat(size_t index, REFERENCE_TIME interval_100ns) override;
    // The firmware learns first, then the watch.
    HRESULT Start() override;
    void Stop() override;
    FrameWait WaitFrame(int64_t timeout_ms, std::span<BYTE> frame) override;
    ICameraPropertySet* VendorPropertySet() override;

private:
    const std::shared_ptr<CSimCamera> m_pCamera;
    const SimVideoConfig m_video;
    size_t m_nFormat = 0;
    std::unique_ptr<ISimStreamWatch> m_pWatch;
    // The streaming thread's own, between Start and Stop.
    uint64_t m_nFrame = 0;
    std::vector<BYTE> m_bgr;
};

// The camera as a video input device: each filter made over a new backend on `camera` (a new
// camera on real time when null).
LiveCaptureDevice SimCaptureDevice(std::shared_ptr<CSimCamera> camera, const SimVideoConfig& video);
// A filter of that device, with one reference through *ppFilter.
HRESULT CreateSimCameraFilter(std::shared_ptr<CSimCamera> camera, const SimVideoConfig& video,
                              IBaseFilter** ppFilter);
