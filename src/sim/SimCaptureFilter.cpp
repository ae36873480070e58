#include "sim/SimCaptureFilter.h"

#include <QApplication>
#include <QPointer>
#include <QThread>
#include <chrono>

#include "platform/log/Log.h"
#include "platform/mfc/WindowHandle.h"
#include "sim/SimCapturePins.h"
#include "sim/SimLensPanel.h"
#include "sim/SimLog.h"
#include "sim/SimVideoFormats.h"

// The panel is a widget: made, shown and deleted on the user-interface thread only.
struct CSimCaptureFilter::PanelHolder {
    QPointer<CSimLensPanel> panel;
};

namespace {

bool OnUiThread() {
    return qApp && QThread::currentThread() == qApp->thread();
}

// The longest the streaming thread sleeps before it looks at the clock again, so that an
// injected clock moved by a test is noticed promptly.
constexpr int64_t kClockPoll_ms = 20;

}  // namespace

CSimCaptureFilter::CSimCaptureFilter(std::shared_ptr<CSimCamera> camera,
                                     const SimVideoConfig& video)
    : CSimCameraFilter(std::move(camera)),
      m_video(video),
      m_pCapture(std::make_unique<CSimCapturePin>(this, video.bCompressorPin)),
      m_pPanel(std::make_shared<PanelHolder>()) {
    if (video.bPreviewPin) {
        m_pPreview = std::make_unique<CSimPreviewPin>(this, *m_pCapture);
        m_pCapture->SetSibling(m_pPreview.get());
    }
}

CSimCaptureFilter::~CSimCaptureFilter() {
    // Stopped here, while the pins and this hook exist; by the camera's destructor both are gone.
    DoStop();
    std::shared_ptr<PanelHolder> holder = m_pPanel;
    if (OnUiThread()) {
        delete holder->panel.data();
    } else if (qApp) {
        QMetaObject::invokeMethod(
            qApp, [holder] { delete holder->panel.data(); }, Qt::QueuedConnection);
    }
}

IPin* CSimCaptureFilter::PinAt(int index) {
    switch (index) {
        case 0:
            return m_pCapture.get();
        case 1:
            return m_pPreview.get();
        default:
            return nullptr;
    }
}

CSimLensPanel* CSimCaptureFilter::LensPanel() const {
    return m_pPanel->panel.data();
}

HRESULT CSimCaptureFilter::OnStartStreaming() {
    const HRESULT hr = CSimCameraFilter::OnStartStreaming();
    if (FAILED(hr))
        return hr;
    int format = 0;
    REFERENCE_TIME interval = 0;
    m_pCapture->CurrentFormat(format, interval);
    m_pCapture->SetStreaming(true);
    m_bStopRequested = false;
    m_thread = std::thread([this, format, interval] { StreamLoop(format, interval); });
    if (m_video.bLensPanel)
        OpenLensPanel();
    return S_OK;
}

void CSimCaptureFilter::OnStopStreaming() {
    StopStreamingThread();
    CSimCameraFilter::OnStopStreaming();
}

void CSimCaptureFilter::StopStreamingThread() {
    {
        std::lock_guard lock(m_mutex);
        m_bStopRequested = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
    m_pCapture->SetStreaming(false);
}

void CSimCaptureFilter::OpenLensPanel() {
    if (!OnUiThread())
        return;
    if (!m_pPanel->panel) {
        // Shares the camera's ownership, so the scene outlives a panel waiting for deletion.
        std::shared_ptr<CSimScene> scene(m_pCamera, &m_pCamera->Scene());
        m_pPanel->panel = new CSimLensPanel(std::move(scene));
    }
    // Beside the preview window, where the operator's eyes are.
    const QWidget* preview = WidgetFromHwnd(FindWindow(nullptr, kVideoRendererTitle));
    m_pPanel->panel->Open(preview);
}

void CSimCaptureFilter::StreamLoop(int formatIndex, REFERENCE_TIME interval_100ns) {
    ISimClock& clock = m_pCamera->Clock();
    const int64_t interval_ms = std::max<int64_t>(1, interval_100ns / 10'000);
    const int64_t start_ms = clock.Now_ms();
    int64_t due_ms = start_ms;  // the first frame goes out at once
    std::vector<BYTE> frame;
    std::vector<BYTE> scratch;
    uint64_t nFrame = 0;
    std::unique_lock lock(m_mutex);
    while (!m_bStopRequested) {
        const int64_t now_ms = clock.Now_ms();
        if (now_ms < due_ms) {
            const int64_t wait_ms = std::min(due_ms - now_ms, kClockPoll_ms);
            m_wake.wait_for(lock, std::chrono::milliseconds(wait_ms));
            continue;
        }
        lock.unlock();
        ++nFrame;
        HRESULT hr = S_OK;
        if (m_video.failAtFrame != 0 && nFrame >= m_video.failAtFrame) {
            LogDebug(kLogSim, "stream: fails at frame %llu as scripted (EC_ERRORABORT)",
                     static_cast<unsigned long long>(nFrame));
            hr = HRESULT_DEVICE_NOT_CONNECTED;
            NotifyEvent(EC_ERRORABORT, hr, 0);
        } else {
            hr = DeliverFrame(formatIndex, frame, scratch, (due_ms - start_ms) * 10'000);
        }
        lock.lock();
        // A receiver that failed has raised its own event; the stream ends either way.
        if (FAILED(hr))
            break;
        // A late frame is not made up for with a burst: the next one is a full interval on.
        due_ms += interval_ms;
        if (due_ms <= now_ms)
            due_ms = now_ms + interval_ms;
    }
}

HRESULT CSimCaptureFilter::DeliverFrame(int formatIndex, std::vector<BYTE>& frame,
                                        std::vector<BYTE>& scratch, REFERENCE_TIME tStart) {
    const SimVideoFormat& format = SimVideoFormats()[static_cast<size_t>(formatIndex)];
    const ULONG rowBytes = SimRowBytes(format);
    frame.resize(SimFrameBytes(format));
    const CSimScene& scene = m_pCamera->Scene();
    if (format.subtype == MEDIASUBTYPE_YUY2) {
        scratch.resize(static_cast<size_t>(format.width) * static_cast<size_t>(format.height) * 3);
        scene.RenderBgr(format.width, format.height, scratch.data(),
                        static_cast<size_t>(format.width) * 3, false);
        BgrToYuy2(scratch.data(), format.width, format.height, frame.data(), rowBytes);
    } else {
        scene.RenderBgr(format.width, format.height, frame.data(), rowBytes, format.height > 0);
    }
    const ULONG cb = static_cast<ULONG>(frame.size());
    HRESULT hr = m_pCapture->Deliver(frame.data(), cb, tStart);
    if (SUCCEEDED(hr) && m_pPreview)
        hr = m_pPreview->Deliver(frame.data(), cb, tStart);
    m_nFrames.fetch_add(1);
    return hr;
}
