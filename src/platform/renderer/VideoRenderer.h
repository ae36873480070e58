// CVideoRenderer: the default video renderer. Shows the frames it receives in its own Qt
// top-level window (CVideoRendererWindow) and offers IVideoWindow to place it, IFrameTap to
// watch its frames and IPreviewMarks to outline places on them. It must be
// created on the user-interface thread; frames arrive on streaming threads and reach the
// window by posting, so neither side ever waits for the other.
#pragma once

#include <memory>

#include "platform/dshow/FilterBase.h"
#include "platform/dshow/FrameTap.h"
#include "platform/dshow/PinBase.h"

class CVideoRendererWindow;
class QImage;

class CVideoRenderer : public CFilterBase<IVideoWindow, IFrameTap, IPreviewMarks> {
public:
    // E_UNEXPECTED without a QApplication or off its thread.
    static HRESULT Create(IBaseFilter** ppFilter);
    // The class-table creator for CLSID_VideoRenderer.
    static HRESULT CreateInstance(REFIID riid, void** ppv);

    // IVideoWindow; E_UNEXPECTED once the window has been destroyed.
    HRESULT put_Top(LONG top) override;
    // IFrameTap: the sink is told of each frame before it is converted for the window.
    HRESULT SetFrameSink(IFrameSink* pSink) override;
    // IPreviewMarks: E_POINTER for null marks with a count.
    HRESULT SetMarks(const PreviewMark* pMarks, ULONG count) override;

    // The window, while it exists; user-interface thread only.
    CVideoRendererWindow* Window() const;

protected:
    CVideoRenderer();
    ~CVideoRenderer() override;
    int PinCount() override { return 1; }
    IPin* PinAt(int index) override;
    HRESULT OnStartStreaming() override;

private:
    class CInputPin;
    struct Shared;

    void PostFrame(QImage frame);
    CVideoRendererWindow* UiWindow() const;  // null off the user-interface thread

    std::shared_ptr<Shared> m_pShared;
    CFrameTapSlot m_tap;  // before the pin, which offers it frames
    std::unique_ptr<CInputPin> m_pInput;
};

// Enters the video renderer in the COM class table as the graph's default renderer, and makes
// its windows the answer of FindVideoRendererWindow. Without it a preview cannot be rendered
// (nothing is shown); idempotent.
void RegisterVideoRenderer();
