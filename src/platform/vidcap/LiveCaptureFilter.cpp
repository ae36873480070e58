#include "platform/vidcap/LiveCaptureFilter.h"

#include <algorithm>
#include <chrono>
#include <vector>

#include "platform/dshow/DShowLog.h"
#include "platform/log/Log.h"
#include "platform/vidcap/CaptureFormats.h"
#include "platform/vidcap/LiveCapturePins.h"

namespace {

// The longest the streaming thread sleeps before it looks at the backend's clock again, so
// that a simulated clock moved by a test is noticed promptly.
constexpr int64_t kClockPoll_ms = 20;
// How long one wait for a frame may hold the streaming thread, and so a stop request.
constexpr int64_t kFrameWait_ms = 100;
// A device that delivers nothing for this long (or two frame intervals, if longer) is gone.
constexpr int64_t kLostAfterSilence_ms = 2000;

}  // namespace

CLiveCaptureFilter::CLiveCaptureFilter(const CLSID& clsid, const wchar_t* pName,
                                       std::unique_ptr<ICaptureBackend> backend,
                                       const LiveCaptureOptions& options)
    : CFilterBase(clsid, pName),
      m_pBackend(std::move(backend)),
      m_pVendor(m_pBackend->VendorPropertySet()),
      m_options(options),
      m_pCapture(std::make_unique<CLiveCapturePin>(
          this, m_pBackend->Formats(), m_pBackend->DefaultFormat(),
          m_options.compressorName.empty() ? nullptr : m_options.compressorName.c_str())) {
    if (m_options.bPreviewPin) {
        m_pPreview = std::make_unique<CLivePreviewPin>(this, *m_pCapture);
        m_pCapture->SetSibling(m_pPreview.get());
    }
}

CLiveCaptureFilter::~CLiveCaptureFilter() {
    // Stopped here, while the pins, the backend and this hook exist.
    DoStop();
}

void* CLiveCaptureFilter::QueryExtraInterface(REFIID riid) {
    if (riid == IID_IKsPropertySet && m_pVendor)
        return static_cast<IKsPropertySet*>(this);
    if (riid == IID_ICameraStill && m_pBackend->HasStill())
        return static_cast<ICameraStill*>(this);
    return nullptr;
}

IPin* CLiveCaptureFilter::PinAt(int index) {
    switch (index) {
        case 0:
            return m_pCapture.get();
        case 1:
            return m_pPreview.get();
        default:
            return nullptr;
    }
}

HRESULT CLiveCaptureFilter::Set(REFGUID guidPropSet, DWORD dwPropID, void* pInstanceData,
                                DWORD cbInstanceData, void* pPropData, DWORD cbPropData) {
    if (!m_pVendor)
        return E_PROP_SET_UNSUPPORTED;
    return m_pVendor->Set(guidPropSet, dwPropID, pInstanceData, cbInstanceData, pPropData,
                          cbPropData);
}

HRESULT CLiveCaptureFilter::Get(REFGUID guidPropSet, DWORD dwPropID, void* pInstanceData,
                                DWORD cbInstanceData, void* pPropData, DWORD cbPropData,
                                DWORD* pcbReturned) {
    if (!m_pVendor)
        return E_PROP_SET_UNSUPPORTED;
    return m_pVendor->Get(guidPropSet, dwPropID, pInstanceData, cbInstanceData, pPropData,
                          cbPropData, pcbReturned);
}

HRESULT CLiveCaptureFilter::QuerySupported(REFGUID guidPropSet, DWORD dwPropID,
                                           DWORD* pTypeSupport) {
    if (!m_pVendor)
        return E_PROP_SET_UNSUPPORTED;
    return m_pVendor->QuerySupported(guidPropSet, dwPropID, pTypeSupport);
}

HRESULT CLiveCaptureFilter::TakeStill(CameraStillFrame* pStill) {
    if (!pStill)
        return E_POINTER;
    return m_pBackend->TakeStill(*pStill, State() != State_Stopped);
}

HRESULT CLiveCaptureFilter::OnStartStreaming() {
    size_t format = 0;
    REFERENCE_TIME interval = 0;
    m_pCapture->CurrentFormat(format, interval);
    HRESULT hr = m_pBackend->SetFormat(format, interval);
    if (SUCCEEDED(hr))
        hr = m_pBackend->Start();
    if (FAILED(hr)) {
        LogWarning(kLogDShow, "the camera does not start in capability %zu: 0x%08X", format,
                   LogStatus(hr));
        return hr;
    }
    LogDebug(kLogDShow, "stream starts: capability %zu at %lld x 100 ns", format,
             static_cast<long long>(interval));
    m_pCapture->SetStreaming(true);
    m_bStopRequested = false;
    m_thread = std::thread([this, format, interval] { StreamLoop(format, interval); });
    return S_OK;
}

void CLiveCaptureFilter::OnStopStreaming() {
    {
        std::lock_guard lock(m_mutex);
        m_bStopRequested = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
    m_pCapture->SetStreaming(false);
    m_pBackend->Stop();
}

void CLiveCaptureFilter::StreamLoop(size_t formatIndex, REFERENCE_TIME interval_100ns) {
    const CaptureFormat& format = m_pBackend->Formats()[formatIndex];
    const int64_t interval_ms = std::max<int64_t>(1, interval_100ns / 10'000);
    const int64_t silence_ms = std::max(kLostAfterSilence_ms, 2 * interval_ms);
    const int64_t start_ms = m_pBackend->Now_ms();
    int64_t due_ms = start_ms;  // the first frame goes out at once
    int64_t lastFrame_ms = start_ms;
    std::vector<BYTE> frame(CaptureFrameBytes(format));
    std::unique_lock lock(m_mutex);
    while (!m_bStopRequested) {
        const int64_t now_ms = m_pBackend->Now_ms();
        if (now_ms < due_ms) {
            const int64_t wait_ms = std::min(due_ms - now_ms, kClockPoll_ms);
            m_wake.wait_for(lock, std::chrono::milliseconds(wait_ms));
            continue;
        }
        lock.unlock();
        bool bDelivered = false;
        const HRESULT hr =
            TakeFrame(frame, (due_ms - start_ms) * 10'000, lastFrame_ms, silence_ms, bDelivered);
        lock.lock();
        // A receiver that failed has raised its own event; the stream ends either way.
        if (FAILED(hr))
            break;
        if (!bDelivered)
            continue;
        // A late frame is not made up for with a burst: the next one is a full interval on.
        due_ms += interval_ms;
        if (due_ms <= now_ms)
            due_ms = now_ms + interval_ms;
    }
}

HRESULT CLiveCaptureFilter::TakeFrame(std::span<BYTE> frame, REFERENCE_TIME tStart,
                                      int64_t& lastFrame_ms, int64_t silence_ms, bool& bDelivered) {
    switch (m_pBackend->WaitFrame(kFrameWait_ms, frame)) {
        case FrameWait::Frame:
            bDelivered = true;
            lastFrame_ms = m_pBackend->Now_ms();
            return Deliver(frame, tStart);
        case FrameWait::Timeout:
            if (m_pBackend->Now_ms() - lastFrame_ms < silence_ms)
                return S_OK;
            LogWarning(kLogDShow, "no frame from the camera for %lld ms: taken for lost",
                       static_cast<long long>(silence_ms));
            break;
        case FrameWait::Lost:
            LogWarning(kLogDShow, "the camera is lost while streaming");
            break;
    }
    NotifyEvent(EC_ERRORABORT, HRESULT_DEVICE_NOT_CONNECTED, 0);
    return HRESULT_DEVICE_NOT_CONNECTED;
}

HRESULT CLiveCaptureFilter::Deliver(std::span<const BYTE> frame, REFERENCE_TIME tStart) {
    const auto cb = static_cast<ULONG>(frame.size());
    HRESULT hr = m_pCapture->Deliver(frame.data(), cb, tStart);
    if (SUCCEEDED(hr) && m_pPreview)
        hr = m_pPreview->Deliver(frame.data(), cb, tStart);
    m_nFrames.fetch_add(1);
    return hr;
}
