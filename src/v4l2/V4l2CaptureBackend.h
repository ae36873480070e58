// CV4l2CaptureBackend: a real camera, through the Linux video capture interface, as a camera
// backend of the live capture filter. Each frame size the camera lists is one format of the
// graph (24-bit, converted by libv4lconvert), offering every rate the camera has at that size
// in any of its pixel formats; the format and rate the host picks decide which pixel format
// streams. It has no vendor property set: the camera's own channel (a UVC extension unit)
// would be one more ICameraPropertySet, given the camera's documentation.
#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/vidcap/CaptureBackend.h"
#include "v4l2/V4l2Camera.h"
#include "v4l2/V4l2Convert.h"

// The mode of `modes` among `candidates` (indexes, one frame size) that streams nearest to
// `wanted_100ns`: the slowest rate at least as fast as wanted, else the fastest there is; the
// cheaper pixel format on a tie. Returns the index and the interval to ask for.
size_t ChooseV4l2Mode(const std::vector<V4l2Mode>& modes, const std::vector<size_t>& candidates,
                      int64_t wanted_100ns, int64_t& interval_100ns);

class CV4l2CaptureBackend final : public ICaptureBackend {
public:
    // `modes` are the camera's; those we cannot convert are left out. Formats() is empty when
    // none is left.
    CV4l2CaptureBackend(std::unique_ptr<CV4l2Camera> camera, const std::vector<V4l2Mode>& modes);
    ~CV4l2CaptureBackend() override;

    const std::vector<CaptureFormat>& Formats() const override { return m_formats; }
    // 640 x 480 when the camera has it.
    size_t DefaultFormat() const override;
    int64_t Now_ms() const override;
    HRESULT SetFormat(size_t index, REFERENCE_TIME interval_100ns) override;
    HRESULT Start() override;
    void Stop() override;
    FrameWait WaitFrame(int64_t timeout_ms, std::span<BYTE> frame) override;
    // At the largest size, in MJPEG when the camera has it there (its JPEG frame as it
    // came), else converted; the next Start streams the format set before. While streaming,
    // only in the mode that streams: the next frame, handed over by WaitFrame.
    bool HasStill() const override { return !m_modes.empty(); }
    HRESULT TakeStill(CameraStillFrame& still, bool bStreaming) override;

    // What the last SetFormat chose (tests, diagnostics).
    const V4l2Mode& ChosenMode() const { return m_modes[m_nMode]; }
    int64_t ChosenInterval() const { return m_nInterval_100ns; }

private:
    // The still's mode: the largest size, MJPEG there if offered, else the cheapest format.
    size_t StillMode() const;
    // One usable frame into `still`, within timeout_ms; the stream is running.
    HRESULT TakeOneFrame(const V4l2Mode& mode, int64_t timeout_ms, CameraStillFrame& still);

    HRESULT TakeStillFromStream(CameraStillFrame& still);
    size_t FormatOfMode(size_t mode) const;
    // Streaming thread: hands the frame to a waiting still, if one waits.
    void OfferStill(const V4l2Frame& taken, std::span<const BYTE> converted, bool bConverted);

    const std::unique_ptr<CV4l2Camera> m_pCamera;
    std::vector<V4l2Mode> m_modes;
    std::vector<CaptureFormat> m_formats;
    std::vector<std::vector<size_t>> m_modesOfFormat;  // per format, its modes
    size_t m_nMode = 0;
    int64_t m_nInterval_100ns = 0;
    CV4l2Convert m_convert;
    // A still waiting for the stream's next frame: set by TakeStill, filled by WaitFrame.
    std::mutex m_stillMutex;
    std::condition_variable m_stillTaken;
    CameraStillFrame* m_pWaitingStill = nullptr;  // guarded by m_stillMutex
    bool m_bStillTaken = false;                   // guarded by m_stillMutex
};
