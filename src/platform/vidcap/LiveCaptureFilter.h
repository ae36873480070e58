// CLiveCaptureFilter: the one live video source of the capture framework, over a camera
// backend (CaptureBackend.h). It offers a capture pin with the backend's formats and, if asked,
// a preview pin; while it runs, its streaming thread paces frames at the chosen interval on the
// backend's clock and hands each to the pins; a device that is lost, or silent for two seconds
// (or two frame intervals, if longer), ends the stream with EC_ERRORABORT and
// HRESULT_DEVICE_NOT_CONNECTED. IKsPropertySet is answered by the backend's vendor property set,
// and refused for a camera without one; ICameraStill only for a backend that takes stills.
#pragma once

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <thread>

#include "platform/dshow/FilterBase.h"
#include "platform/vidcap/CaptureBackend.h"

class CLiveCapturePin;
class CLivePreviewPin;

struct LiveCaptureOptions {
    BOOL bPreviewPin = FALSE;  // FALSE: the host splits the capture pin for its preview
    // Not empty: the capture pin describes itself as this on-camera compressor.
    std::wstring compressorName;
};

class CLiveCaptureFilter : public CFilterBase<>, public IKsPropertySet, public ICameraStill {
public:
    // pName is the name outside a graph; the backend must list at least one format.
    CLiveCaptureFilter(const CLSID& clsid, const wchar_t* pName,
                       std::unique_ptr<ICaptureBackend> backend, const LiveCaptureOptions& options);

    ICaptureBackend& Backend() const { return *m_pBackend; }
    // Frames handed to the pins since the filter was made.
    uint64_t FramesDelivered() const { return m_nFrames.load(); }

    // IUnknown, one for both bases.
    HRESULT QueryInterface(REFIID riid, void** ppv) override {
        return CFilterBase::QueryInterface(riid, ppv);
    }
    ULONG AddRef() override { return CFilterBase::AddRef(); }
    ULONG Release() override { return CFilterBase::Release(); }

    // IKsPropertySet: straight through to the backend's vendor property set.
    HRESULT Set(REFGUID guidPropSet, DWORD dwPropID, void* pInstanceData, DWORD cbInstanceData,
                void* pPropData, DWORD cbPropData) override;
    HRESULT Get(REFGUID guidPropSet, DWORD dwPropID, void* pInstanceData, DWORD cbInstanceData,
                void* pPropData, DWORD cbPropData, DWORD* pcbReturned) override;
    HRESULT QuerySupported(REFGUID guidPropSet, DWORD dwPropID, DWORD* pTypeSupport) override;

    // ICameraStill: the backend's still, switched to while stopped or from the stream.
    HRESULT TakeStill(CameraStillFrame* pStill) override;

protected:
    // A filter released while running stops its stream first.
    ~CLiveCaptureFilter() override;
    void* QueryExtraInterface(REFIID riid) override;
    int PinCount() override { return m_pPreview ? 2 : 1; }
    IPin* PinAt(int index) override;
    // The backend starts in the capture pin's format, then the streaming thread.
    HRESULT OnStartStreaming() override;
    // The streaming thread is joined before the backend stops.
    void OnStopStreaming() override;

private:
    void StreamLoop(size_t formatIndex, REFERENCE_TIME interval_100ns);
    // One round of the backend's WaitFrame, delivering what it gives; a failure ends the stream.
    HRESULT TakeFrame(std::span<BYTE> frame, REFERENCE_TIME tStart, int64_t& lastFrame_ms,
                      int64_t silence_ms, bool& bDelivered);
    HRESULT Deliver(std::span<const BYTE> frame, REFERENCE_TIME tStart);

    const std::unique_ptr<ICaptureBackend> m_pBackend;
    ICameraPropertySet* const m_pVendor;
    const LiveCaptureOptions m_options;
    std::unique_ptr<CLiveCapturePin> m_pCapture;
    std::unique_ptr<CLivePreviewPin> m_pPreview;

    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_bStopRequested = false;  // guarded by m_mutex
    std::atomic<uint64_t> m_nFrames{0};
};
