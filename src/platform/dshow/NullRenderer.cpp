#include "platform/dshow/NullRenderer.h"

#include <atomic>

#include "platform/com/ComRuntime.h"

class CNullRenderer::CInputPin : public CPinBase<IFrameInputPin> {
public:
    explicit CInputPin(CNullRenderer* pOwner)
        : CPinBase(pOwner, PINDIR_INPUT, L"Input"), m_pRenderer(pOwner) {}

    HRESULT Receive(const BYTE* pData, ULONG cbData, REFERENCE_TIME) override {
        if (m_pRenderer->State() == State_Stopped)
            return S_FALSE;  // late sample, as any renderer drops it
        AM_MEDIA_TYPE mt{};
        if (CopyConnectionType(mt)) {
            m_pRenderer->m_tap.Offer(mt, pData, cbData);
            FreeMediaType(mt);
        }
        m_nDropped.fetch_add(1, std::memory_order_relaxed);
        return S_OK;
    }
    unsigned long Dropped() const { return m_nDropped.load(std::memory_order_relaxed); }

protected:
    // Any video: nothing is drawn, so no layout needs to be understood.
    HRESULT CheckMediaType(const AM_MEDIA_TYPE& mt) override {
        return mt.majortype == MEDIATYPE_Video ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    }

private:
    CNullRenderer* const m_pRenderer;
    std::atomic<unsigned long> m_nDropped{0};
};

CNullRenderer::CNullRenderer()
    : CFilterBase(CLSID_NullRenderer, L"Null Renderer"),
      m_pInput(std::make_unique<CInputPin>(this)) {}

CNullRenderer::~CNullRenderer() = default;

HRESULT CNullRenderer::CreateInstance(REFIID riid, void** ppv) {
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    auto renderer = MakeComObject<CNullRenderer>();
    return renderer->QueryInterface(riid, ppv);
}

HRESULT CNullRenderer::put_Top(LONG) {
    return S_OK;
}

HRESULT CNullRenderer::SetFrameSink(IFrameSink* pSink) {
    m_tap.SetSink(pSink);
    return S_OK;
}

unsigned long CNullRenderer::SamplesDropped() const {
    return m_pInput->Dropped();
}

IPin* CNullRenderer::PinAt(int index) {
    return index == 0 ? m_pInput.get() : nullptr;
}

void RegisterNullRenderer() {
    CoRegisterClass(CLSID_VideoRenderer, &CNullRenderer::CreateInstance);
}
