// CNullRenderer: a video renderer that shows nothing. It takes every video sample, hands it to
// the frame tap's sink if one is set and drops it, and offers IVideoWindow so the capture logic
// can place a window that does not exist.
// A process that shows no preview (the command line) enters it as the graph's default
// renderer, so the preview chain builds and runs with no window system at all.
#pragma once

#include <memory>

#include "platform/dshow/FilterBase.h"
#include "platform/dshow/FrameTap.h"
#include "platform/dshow/PinBase.h"

inline constexpr CLSID CLSID_NullRenderer{
    0xC1F400A4, 0x3F08, 0x11D3, {0x9F, 0x0B, 0x00, 0x60, 0x08, 0x03, 0x9E, 0x37}};

class CNullRenderer : public CFilterBase<IVideoWindow, IFrameTap> {
public:
    CNullRenderer();

    // The class-table creator; any thread.
    static HRESULT CreateInstance(REFIID riid, void** ppv);

    // IVideoWindow: there is no window to move; S_OK, as for a window that is not shown.
    HRESULT put_Top(LONG top) override;
    // IFrameTap
    HRESULT SetFrameSink(IFrameSink* pSink) override;

    // Samples taken while running, for tests.
    unsigned long SamplesDropped() const;

protected:
    ~CNullRenderer() override;
    int PinCount() override { return 1; }
    IPin* PinAt(int index) override;

private:
    class CInputPin;
    CFrameTapSlot m_tap;  // before the pin, which offers it frames
    std::unique_ptr<CInputPin> m_pInput;
};

// Enters the null renderer in the COM class table as CLSID_VideoRenderer, the renderer the
// capture graph builder makes for a preview, in place of the one with a window.
void RegisterNullRenderer();
