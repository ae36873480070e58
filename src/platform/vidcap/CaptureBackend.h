// ICaptureBackend: what the live capture filter (LiveCaptureFilter.h) needs of a camera, and all
// that a camera backend (the simulator, a V4L2 device) writes: the formats it delivers, starting
// and stopping in one of them, the next frame, and the vendor property set if it has one. The
// filter does the rest: pins, media types, IAMStreamConfig, the streaming thread, pacing, and
// ending the stream with EC_ERRORABORT when the device is lost.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "platform/dshow/CameraStill.h"
#include "platform/dshow/MediaTypes.h"
#include "platform/ks/KsPropertySet.h"

// One entry of a camera's format list: frames of `subtype` (MEDIASUBTYPE_RGB24 or
// MEDIASUBTYPE_YUY2, laid out as platform/dshow/VideoFrame.h says) at width x height, at any
// frame interval from minInterval_100ns to maxInterval_100ns.
struct CaptureFormat {
    GUID subtype{};
    LONG width = 0;
    LONG height = 0;
    REFERENCE_TIME minInterval_100ns = 0;
    REFERENCE_TIME maxInterval_100ns = 0;
};

// The driver's side of IKsPropertySet: the same three calls and statuses, without COM. The
// filter answers IKsPropertySet with it.
class ICameraPropertySet {
public:
    virtual ~ICameraPropertySet() = default;
    virtual HRESULT Set(REFGUID set, DWORD id, void* pInstanceData, DWORD cbInstanceData,
                        void* pPropData, DWORD cbPropData) = 0;
    virtual HRESULT Get(REFGUID set, DWORD id, void* pInstanceData, DWORD cbInstanceData,
                        void* pPropData, DWORD cbPropData, DWORD* pcbReturned) = 0;
    virtual HRESULT QuerySupported(REFGUID set, DWORD id, DWORD* pTypeSupport) = 0;
};

enum class FrameWait {
    Frame,    // the frame was written
    Timeout,  // none came in the time given; the device may still deliver
    Lost,     // the device is gone: the stream ends with HRESULT_DEVICE_NOT_CONNECTED
};

// Called by one filter: SetFormat, Start and Stop on the thread that runs and stops it,
// WaitFrame on its streaming thread between Start and Stop, the rest on any thread.
class ICaptureBackend {
public:
    virtual ~ICaptureBackend() = default;

    // In capability order; the same list for the backend's whole life, never empty.
    virtual const std::vector<CaptureFormat>& Formats() const = 0;
    // The format the pins offer until the host chooses one: an index into Formats().
    virtual size_t DefaultFormat() const { return 0; }
    // The backend's clock in milliseconds, which paces the frames and times a silent device
    // out; a simulated camera's may be moved by hand.
    virtual int64_t Now_ms() const = 0;

    // Delivers Formats()[index] at `interval_100ns` (within its range) from the next Start.
    virtual HRESULT SetFormat(size_t index, REFERENCE_TIME interval_100ns) = 0;
    virtual HRESULT Start() = 0;
    // Called once after each successful Start, when WaitFrame has returned for the last time.
    virtual void Stop() = 0;
    // Writes the next frame into `frame` (exactly one frame of the chosen format), waiting at
    // most timeout_ms of real time for it.
    virtual FrameWait WaitFrame(int64_t timeout_ms, std::span<BYTE> frame) = 0;

    // The camera's vendor property set, which the filter answers through; null for a
    // video-only camera (the filter then refuses IKsPropertySet). Thread-safe when present.
    virtual ICameraPropertySet* VendorPropertySet() { return nullptr; }

    // A still from the camera's own frames (CameraStill.h); the filter offers ICameraStill only
    // when HasStill(). bStreaming: between Start and Stop, when the still must come from the
    // stream (any thread but the streaming one), or VFW_E_NOT_STOPPED.
    virtual bool HasStill() const { return false; }
    virtual HRESULT TakeStill(CameraStillFrame&, bool /*bStreaming*/) { return E_NOTIMPL; }
};
