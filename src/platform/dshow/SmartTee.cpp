#include "platform/dshow/SmartTee.h"

class CSmartTee::COutputPin : public CPinBase<> {
public:
    COutputPin(CSmartTee* pOwner, const wchar_t* name, const GUID& category)
        : CPinBase(pOwner, PINDIR_OUTPUT, name, category), m_pTee(pOwner) {}

protected:
    // An output carries exactly what comes in, so it can connect only once the input has.
    HRESULT CheckMediaType(const AM_MEDIA_TYPE& mt) override;
    HRESULT GetMediaType(int index, AM_MEDIA_TYPE& mt) override;

private:
    CSmartTee* const m_pTee;
};

class CSmartTee::CInputPin : public CPinBase<IFrameInputPin> {
public:
    explicit CInputPin(CSmartTee* pOwner)
        : CPinBase(pOwner, PINDIR_INPUT, L"Input"), m_pTee(pOwner) {}

    HRESULT Receive(const BYTE* pData, ULONG cbData, REFERENCE_TIME tStart) override {
        if (m_pTee->State() == State_Stopped)
            return S_FALSE;
        const HRESULT hrCapture = m_pTee->m_pCapture->Deliver(pData, cbData, tStart);
        const HRESULT hrPreview = m_pTee->m_pPreview->Deliver(pData, cbData, tStart);
        return FAILED(hrCapture) ? hrCapture : FAILED(hrPreview) ? hrPreview : S_OK;
    }

protected:
    HRESULT CheckMediaType(const AM_MEDIA_TYPE& mt) override {
        return mt.majortype == MEDIATYPE_Video ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    }

private:
    CSmartTee* const m_pTee;
};

HRESULT CSmartTee::COutputPin::CheckMediaType(const AM_MEDIA_TYPE& mt) {
    AM_MEDIA_TYPE input{};
    if (!m_pTee->m_pInput->CopyConnectionType(input))
        return VFW_E_TYPE_NOT_ACCEPTED;
    const bool same = input.majortype == mt.majortype && input.subtype == mt.subtype &&
                      input.formattype == mt.formattype;
    FreeMediaType(input);
    return same ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CSmartTee::COutputPin::GetMediaType(int index, AM_MEDIA_TYPE& mt) {
    if (index != 0)
        return VFW_S_NO_MORE_ITEMS;
    return m_pTee->m_pInput->CopyConnectionType(mt) ? S_OK : VFW_S_NO_MORE_ITEMS;
}

CSmartTee::CSmartTee()
    : CFilterBase(CLSID_SmartTee),
      m_pInput(std::make_unique<CInputPin>(this)),
      m_pCapture(std::make_unique<COutputPin>(this, L"Capture", PIN_CATEGORY_CAPTURE)),
      m_pPreview(std::make_unique<COutputPin>(this, L"Preview", PIN_CATEGORY_PREVIEW)) {}

CSmartTee::~CSmartTee() = default;

IPin* CSmartTee::PinAt(int index) {
    switch (index) {
        case 0:
            return m_pInput.get();
        case 1:
            return m_pCapture.get();
        case 2:
            return m_pPreview.get();
        default:
            return nullptr;
    }
}
