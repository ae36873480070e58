// CFakeFilter and CFakePin: filters with named pins for the fake capture world. Only the
// "Renderer" offers IVideoWindow, and of that only put_Top (logged as "Renderer.put_Top(<top>)").
//
// A pin is logged as "<filter>.<pin>"; an "In" pin is an input, any other an output. Every pin
// offers stream configuration over its list of capabilities, and video compression whose GetInfo
// answers E_NOTIMPL (as a plain capture pin does) unless scripted.
#pragma once

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "fakes/FakeCaptureWorld.h"
#include "fakes/FakeFilterStub.h"
#include "platform/dshow/FilterBase.h"

// One stream capability as GetStreamCaps hands it out; the caps' input size is the format's size.
struct FakeCapability {
    DWORD compression;
    LONG width;
    LONG height;
    GUID formattype = FORMAT_VideoInfo;
    ULONG cbFormat = sizeof(VIDEOINFOHEADER);  // less hands out a short format block
};

class CFakePin : public CComObject<IPin, IAMStreamConfig, IAMVideoCompression> {
public:
    CFakePin(IBaseFilter* filter, const std::string& filterName, std::string name)
        : m_pFilter(filter), m_name(std::move(name)), m_fullName(filterName + "." + m_name) {}

    static void Join(CFakePin& out, CFakePin& in) {
        out.m_pPeer = &in;
        in.m_pPeer = &out;
    }

    HRESULT Disconnect() override {
        m_pPeer = nullptr;
        return S_OK;
    }
    HRESULT ConnectedTo(IPin** ppPin) override {
        if ((*ppPin = m_pPeer))
            m_pPeer->AddRef();
        return m_pPeer ? S_OK : VFW_E_NOT_CONNECTED;
    }
    HRESULT QueryPinInfo(PIN_INFO* pInfo) override {
        (pInfo->pFilter = m_pFilter)->AddRef();
        pInfo->dir = m_name == "In" ? PINDIR_INPUT : PINDIR_OUTPUT;
        return S_OK;
    }

    HRESULT SetFormat(AM_MEDIA_TYPE* pmt) override {
        std::memcpy(&m_lastVideoInfo, pmt->pbFormat, sizeof m_lastVideoInfo);
        return FakeAnswer(m_fullName + ".SetFormat", S_OK);
    }
    HRESULT GetNumberOfCapabilities(int* piCount, int* piSize) override {
        *piCount = static_cast<int>(m_capabilities.size());
        *piSize = m_nReportedCapsSize;
        return FakeAnswer(m_fullName + ".GetNumberOfCapabilities", S_OK);
    }
    // Writes only the reported size of caps.
    HRESULT GetStreamCaps(int iIndex, AM_MEDIA_TYPE** ppmt, BYTE* pSCC) override {
        *ppmt = nullptr;
        const HRESULT hr =
            FakeAnswer(m_fullName + ".GetStreamCaps(" + std::to_string(iIndex) + ")", S_OK);
        if (FAILED(hr))
            return hr;
        const FakeCapability& cap = m_capabilities.at(iIndex);
        VIDEOINFOHEADER vih;
        vih.bmiHeader = {
            .biWidth = cap.width, .biHeight = cap.height, .biCompression = cap.compression};
        AM_MEDIA_TYPE mt;
        mt.formattype = cap.formattype;
        mt.cbFormat = cap.cbFormat;
        mt.pbFormat = reinterpret_cast<BYTE*>(&vih);
        *ppmt = CreateMediaType(mt);
        VIDEO_STREAM_CONFIG_CAPS caps;
        caps.InputSize = SIZE{cap.width, cap.height};
        std::memcpy(pSCC, &caps, std::min<size_t>(m_nReportedCapsSize, sizeof caps));
        return hr;
    }
    HRESULT GetInfo(wchar_t*, int*, wchar_t*, int*, LONG*, LONG*, double*, LONG*) override {
        return FakeAnswer(m_fullName + ".GetInfo", E_NOTIMPL);
    }

    HRESULT Connect(IPin*, const AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
    HRESULT ReceiveConnection(IPin*, const AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
    HRESULT ConnectionMediaType(AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
    HRESULT QueryDirection(PIN_DIRECTION*) override { return E_NOTIMPL; }
    HRESULT GetFormat(AM_MEDIA_TYPE**) override { return E_NOTIMPL; }

    IBaseFilter* const m_pFilter;  // not counted: the filter owns its pins
    const std::string m_name;
    const std::string m_fullName;
    CFakePin* m_pPeer = nullptr;  // not counted: the graph breaks every join when it goes
    std::vector<FakeCapability> m_capabilities;
    int m_nReportedCapsSize = sizeof(VIDEO_STREAM_CONFIG_CAPS);
    VIDEOINFOHEADER m_lastVideoInfo;  // the format block of the last SetFormat
};

class CFakeFilter : public TFakeFilterStub<IVideoWindow> {
public:
    CFakeFilter(std::string name, const std::vector<std::string>& pins) : m_name(std::move(name)) {
        for (const std::string& pin : pins)
            m_pins.push_back(MakeComObject<CFakePin>(this, m_name, pin));
    }

    CFakePin* Pin(const std::string& name) const {  // null if there is none of that name
        const auto it =
            std::ranges::find(m_pins, name, [](const auto& pin) { return pin->m_name; });
        return it == m_pins.end() ? nullptr : it->Get();
    }

    HRESULT QueryInterface(REFIID riid, void** ppv) override {
        if (riid == IID_IVideoWindow && m_name != "Renderer")
            return *ppv = nullptr, E_NOINTERFACE;
        return CComObject::QueryInterface(riid, ppv);
    }
    HRESULT EnumPins(IEnumPins** ppEnum) override {
        *ppEnum = nullptr;
        const HRESULT hr = FakeAnswer(m_name + ".EnumPins", S_OK);
        std::vector<ComPtr<IPin>> pins;
        for (const auto& pin : m_pins)
            pins.emplace_back(pin.Get());
        return FAILED(hr) ? hr : CreatePinEnumerator(std::move(pins), ppEnum);
    }
    HRESULT put_Top(LONG top) override {
        return FakeAnswer(m_name + ".put_Top(" + std::to_string(top) + ")", S_OK);
    }

    const std::string m_name;
    std::vector<ComPtr<CFakePin>> m_pins;
};
