#include "platform/renderer/VideoRenderer.h"

#include <QCoreApplication>
#include <QPointer>
#include <mutex>
#include <vector>

#include "platform/com/ComRuntime.h"
#include "platform/dshow/VideoWindowQuery.h"
#include "platform/mfc/UiThread.h"
#include "platform/mfc/WindowHandle.h"
#include "platform/renderer/FrameConvert.h"
#include "platform/renderer/VideoRendererWindow.h"

// What the streaming side, the window and the filter share. The window pointer is touched
// only on the user-interface thread; the rest under the mutex.
struct CVideoRenderer::Shared {
    std::mutex mutex;
    CVideoRenderer* pOwner = nullptr;  // cleared when the filter goes
    QImage latest;
    bool bPosted = false;  // one frame in flight at most, however slow the UI thread is
    QPointer<CVideoRendererWindow> window;
};

namespace {

// Every renderer window made, newest last, for FindVideoRendererWindow; user-interface thread
// only, as the windows are made there. A window deleted since reads null and is dropped.
std::vector<QPointer<CVideoRendererWindow>>& RendererWindows() {
    static std::vector<QPointer<CVideoRendererWindow>> windows;
    return windows;
}

HWND NewestRendererWindow() {
    auto& windows = RendererWindows();
    std::erase_if(windows, [](const QPointer<CVideoRendererWindow>& w) { return w.isNull(); });
    return windows.empty() ? nullptr : HwndFromWidget(windows.back());
}

}  // namespace

class CVideoRenderer::CInputPin : public CPinBase<IFrameInputPin> {
public:
    explicit CInputPin(CVideoRenderer* pOwner)
        : CPinBase(pOwner, PINDIR_INPUT, L"Input"), m_pRenderer(pOwner) {}

    HRESULT Receive(const BYTE* pData, ULONG cbData, REFERENCE_TIME) override {
        if (m_pRenderer->State() == State_Stopped)
            return S_FALSE;  // late sample: dropped
        AM_MEDIA_TYPE mt{};
        if (!CopyConnectionType(mt))
            return VFW_E_NOT_CONNECTED;
        m_pRenderer->m_tap.Offer(mt, pData, cbData);
        QImage frame = ConvertFrame(mt, pData, cbData);
        FreeMediaType(mt);
        if (frame.isNull()) {
            m_pRenderer->NotifyEvent(EC_ERRORABORT, VFW_E_TYPE_NOT_ACCEPTED, 0);
            return VFW_E_TYPE_NOT_ACCEPTED;
        }
        m_pRenderer->PostFrame(std::move(frame));
        return S_OK;
    }

protected:
    HRESULT CheckMediaType(const AM_MEDIA_TYPE& mt) override {
        return IsRenderableType(mt) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    }
    void OnConnected() override {
        AM_MEDIA_TYPE mt{};
        if (!CopyConnectionType(mt))
            return;
        const auto* vih = reinterpret_cast<const VIDEOINFOHEADER*>(mt.pbFormat);
        const int width = vih->bmiHeader.biWidth;
        const int height = std::abs(vih->bmiHeader.biHeight);
        FreeMediaType(mt);
        std::shared_ptr<Shared> shared = m_pRenderer->m_pShared;
        RunOnUiThread([shared, width, height] {
            if (shared->window)
                shared->window->FitVideo(QSize(width, height));
        });
    }

private:
    CVideoRenderer* const m_pRenderer;
};

HRESULT CVideoRenderer::Create(IBaseFilter** ppFilter) {
    if (!ppFilter)
        return E_POINTER;
    *ppFilter = nullptr;
    if (!OnUiThread())
        return E_UNEXPECTED;
    ComPtr<CVideoRenderer> renderer;
    renderer.Attach(new CVideoRenderer());
    *ppFilter = renderer.Detach();
    return S_OK;
}

HRESULT CVideoRenderer::CreateInstance(REFIID riid, void** ppv) {
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    ComPtr<IBaseFilter> renderer;
    const HRESULT hr = Create(renderer.ReleaseAndGetAddressOf());
    return FAILED(hr) ? hr : renderer->QueryInterface(riid, ppv);
}

void RegisterVideoRenderer() {
    CoRegisterClass(CLSID_VideoRenderer, &CVideoRenderer::CreateInstance);
    SetVideoRendererWindowQuery(&NewestRendererWindow);
}

CVideoRenderer::CVideoRenderer()
    : CFilterBase(CLSID_VideoRenderer),
      m_pShared(std::make_shared<Shared>()),
      m_pInput(std::make_unique<CInputPin>(this)) {
    m_pShared->pOwner = this;
    auto* window = new CVideoRendererWindow();
    std::weak_ptr<Shared> weak = m_pShared;
    window->m_onOperatorClose = [weak] {
        if (auto shared = weak.lock()) {
            std::lock_guard lock(shared->mutex);
            if (shared->pOwner)
                shared->pOwner->NotifyEvent(EC_USERABORT, 0, 0);
        }
    };
    m_pShared->window = window;
    RendererWindows().emplace_back(window);
}

CVideoRenderer::~CVideoRenderer() {
    {
        std::lock_guard lock(m_pShared->mutex);
        m_pShared->pOwner = nullptr;
    }
    std::shared_ptr<Shared> shared = m_pShared;
    RunOnUiThread([shared] { delete shared->window.data(); });
}

IPin* CVideoRenderer::PinAt(int index) {
    return index == 0 ? m_pInput.get() : nullptr;
}

CVideoRendererWindow* CVideoRenderer::Window() const {
    return m_pShared->window.data();
}

CVideoRendererWindow* CVideoRenderer::UiWindow() const {
    return OnUiThread() ? Window() : nullptr;
}

void CVideoRenderer::PostFrame(QImage frame) {
    std::shared_ptr<Shared> shared = m_pShared;
    {
        std::lock_guard lock(shared->mutex);
        shared->latest = std::move(frame);
        if (shared->bPosted || !qApp)
            return;
        shared->bPosted = true;
    }
    QMetaObject::invokeMethod(
        qApp,
        [shared] {
            QImage latest;
            {
                std::lock_guard lock(shared->mutex);
                latest = std::move(shared->latest);
                shared->latest = QImage();
                shared->bPosted = false;
            }
            if (shared->window && !latest.isNull())
                shared->window->ShowFrame(latest);
        },
        Qt::QueuedConnection);
}

HRESULT CVideoRenderer::OnStartStreaming() {
    std::shared_ptr<Shared> shared = m_pShared;
    RunOnUiThread([shared] {
        if (shared->window)
            shared->window->show();
    });
    return S_OK;
}

HRESULT CVideoRenderer::SetFrameSink(IFrameSink* pSink) {
    m_tap.SetSink(pSink);
    return S_OK;
}

HRESULT CVideoRenderer::SetMarks(const PreviewMark* pMarks, ULONG count) {
    if (!pMarks && count)
        return E_POINTER;
    std::vector<PreviewMark> marks(pMarks, pMarks + count);
    std::shared_ptr<Shared> shared = m_pShared;
    RunOnUiThread([shared, marks = std::move(marks)]() mutable {
        if (shared->window)
            shared->window->SetMarks(std::move(marks));
    });
    return S_OK;
}

HRESULT CVideoRenderer::put_Top(LONG top) {
    CVideoRendererWindow* w = UiWindow();
    if (!w)
        return E_UNEXPECTED;
    w->MoveTop(top);
    return S_OK;
}
