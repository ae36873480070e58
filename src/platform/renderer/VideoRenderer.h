// CVideoRenderer: the default video renderer. Shows the frames it receives in its own Qt
// top-level window (CVideoRendererWindow) and offers IVideoWindow to place it. It must be
// created on the user-interface thread; frames arrive on streaming threads and reach the
// window by posting, so neither side ever waits for the other.
#pragma once

#include <memory>

#include "platform/dshow/FilterBase.h"
#include "platform/dshow/PinBase.h"

class CVideoRendererWindow;
class QImage;

class CVideoRenderer : public CFilterBase<IVideoWindow> {
public:
    // E_UNEXPECTED without a QApplication or off its thread.
    static HRESULT Create(IBaseFilter** ppFilter);
    // The class-table creator for CLSID_VideoRenderer.
    static HRESULT CreateInstance(REFIID riid, void** ppv);

    // IVideoWindow; E_UNEXPECTED once the window has been destroyed.
    HRESULT put_Top(LONG top) override;

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
    std::unique_ptr<CInputPin> m_pInput;
};

// Enters the video renderer in the COM class table as the graph's default renderer. Without
// it a preview cannot be rendered (nothing is shown); idempotent.
void RegisterVideoRenderer();
