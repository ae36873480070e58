// CTestSource: the scripted source filter of the graph tests.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/dshow/FilterBase.h"
#include "platform/dshow/PinBase.h"
#include "support/Rgb24Type.h"

inline constexpr CLSID CLSID_TestSource{
    0x11111111, 0x2222, 0x3333, {0x44, 0x44, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55}};

// A source with a capture pin and, optionally, a preview pin, both offering RGB24 4 x 2;
// frames are pushed by the test itself. Logs "run <name>" / "stop <name>" when given a log;
// outside a graph its name is <name>.
class CTestSource : public CFilterBase<> {
public:
    class COutPin : public CPinBase<> {
    public:
        COutPin(CTestSource* owner, const wchar_t* name, const GUID& category)
            : CPinBase(owner, PINDIR_OUTPUT, name, category) {}

    protected:
        HRESULT CheckMediaType(const AM_MEDIA_TYPE& mt) override {
            return mt.subtype == MEDIASUBTYPE_RGB24 ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
        }
        HRESULT GetMediaType(int index, AM_MEDIA_TYPE& mt) override {
            if (index != 0)
                return VFW_S_NO_MORE_ITEMS;
            mt = MakeRgb24Type(4, 2);
            return S_OK;
        }
    };

    explicit CTestSource(bool bPreviewPin, std::vector<std::string>* log = nullptr,
                         HRESULT hrRun = S_OK, std::string name = "source")
        : CFilterBase(CLSID_TestSource, std::wstring(name.begin(), name.end()).c_str()),
          m_pLog(log),
          m_hrRun(hrRun),
          m_name(std::move(name)) {
        if (bPreviewPin)
            m_preview = std::make_unique<COutPin>(this, L"Preview", PIN_CATEGORY_PREVIEW);
    }

    COutPin* Capture() { return m_capture.get(); }
    COutPin* Preview() { return m_preview.get(); }

protected:
    int PinCount() override { return m_preview ? 2 : 1; }
    IPin* PinAt(int index) override {
        return index == 0 ? static_cast<IPin*>(m_capture.get())
                          : (index == 1 ? m_preview.get() : nullptr);
    }
    HRESULT OnStartStreaming() override {
        if (m_pLog)
            m_pLog->push_back("run " + m_name);
        return m_hrRun;
    }
    void OnStopStreaming() override {
        if (m_pLog)
            m_pLog->push_back("stop " + m_name);
    }

private:
    std::vector<std::string>* m_pLog;
    HRESULT m_hrRun;
    std::string m_name;
    std::unique_ptr<COutPin> m_capture =
        std::make_unique<COutPin>(this, L"Capture", PIN_CATEGORY_CAPTURE);
    std::unique_ptr<COutPin> m_preview;
};
