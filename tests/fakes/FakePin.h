// CFakePin: a pin that records its calls in the fake capture world. A capture pin can offer
// stream configuration (a scripted list of capabilities) and video compression.
#pragma once

#include <string>
#include <vector>

#include "platform/com/ComObject.h"
#include "platform/dshow/Interfaces.h"

class CFakeFilter;

// One stream capability as GetStreamCaps hands it out.
struct FakeCapability {
    GUID formattype = FORMAT_VideoInfo;
    VIDEOINFOHEADER videoInfo;
    ULONG cbFormat = sizeof(VIDEOINFOHEADER);  // smaller values hand out a short block
    VIDEO_STREAM_CONFIG_CAPS caps;
};

FakeCapability MakeVideoCapability(DWORD compression, LONG width, LONG height);

class CFakePin : public CComObject<IPin, IAMStreamConfig, IAMVideoCompression> {
public:
    CFakePin(CFakeFilter* filter, std::string name, PIN_DIRECTION dir, const GUID& category);
    ~CFakePin() override;

    // Joins an output pin to an input pin, both sides.
    static void Join(CFakePin& out, CFakePin& in);
    // Logged as "<filter>.<pin>".
    std::string FullName() const;

    HRESULT QueryInterface(REFIID riid, void** ppv) override;

    // IPin
    HRESULT Connect(IPin* pReceivePin, const AM_MEDIA_TYPE* pmt) override;
    HRESULT ReceiveConnection(IPin* pConnector, const AM_MEDIA_TYPE* pmt) override;
    HRESULT Disconnect() override;
    HRESULT ConnectedTo(IPin** ppPin) override;
    HRESULT ConnectionMediaType(AM_MEDIA_TYPE* pmt) override;
    HRESULT QueryPinInfo(PIN_INFO* pInfo) override;
    HRESULT QueryDirection(PIN_DIRECTION* pPinDir) override;

    // IAMStreamConfig
    HRESULT SetFormat(AM_MEDIA_TYPE* pmt) override;
    HRESULT GetFormat(AM_MEDIA_TYPE** ppmt) override;
    HRESULT GetNumberOfCapabilities(int* piCount, int* piSize) override;
    HRESULT GetStreamCaps(int iIndex, AM_MEDIA_TYPE** ppmt, BYTE* pSCC) override;

    // IAMVideoCompression: E_NOTIMPL unless scripted, as a plain capture pin answers.
    HRESULT GetInfo(wchar_t* pszVersion, int* pcbVersion, wchar_t* pszDescription,
                    int* pcbDescription, LONG* pDefaultKeyFrameRate, LONG* pDefaultPFramesPerKey,
                    double* pDefaultQuality, LONG* pCapabilities) override;

    CFakeFilter* m_pFilter;  // not counted; the filter empties it when it goes
    std::string m_name;
    PIN_DIRECTION m_dir;
    GUID m_category;
    ComPtr<IPin> m_pConnected;

    BOOL m_bStreamConfig = FALSE;
    BOOL m_bCompression = FALSE;
    std::vector<FakeCapability> m_capabilities;
    int m_nReportedCapsSize = sizeof(VIDEO_STREAM_CONFIG_CAPS);
    // What the last SetFormat was given, and how often it was called.
    int m_nSetFormatCalls = 0;
    GUID m_lastFormatType;
    VIDEOINFOHEADER m_lastVideoInfo;
};
