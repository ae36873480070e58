// CSmartTee: splits one capture stream into a capture output and a preview output, for
// cameras that have no preview pin of their own. Every sample is handed to both outputs.
#pragma once

#include <memory>

#include "platform/dshow/FilterBase.h"
#include "platform/dshow/PinBase.h"

inline constexpr CLSID CLSID_SmartTee{
    0xCC58E280, 0x8AA1, 0x11D1, {0xB3, 0xF1, 0x00, 0xAA, 0x00, 0x37, 0x61, 0xC5}};

class CSmartTee : public CFilterBase<> {
public:
    CSmartTee();

protected:
    ~CSmartTee() override;
    int PinCount() override { return 3; }
    IPin* PinAt(int index) override;

private:
    class CInputPin;
    class COutputPin;

    std::unique_ptr<CInputPin> m_pInput;
    std::unique_ptr<COutputPin> m_pCapture;
    std::unique_ptr<COutputPin> m_pPreview;
};
