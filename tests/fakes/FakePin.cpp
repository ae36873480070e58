#include "fakes/FakePin.h"

#include <algorithm>
#include <cstring>

#include "fakes/FakeCaptureWorld.h"
#include "fakes/FakeFilter.h"

FakeCapability MakeVideoCapability(DWORD compression, LONG width, LONG height) {
    FakeCapability cap;
    cap.videoInfo.AvgTimePerFrame = 333333;
    cap.videoInfo.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    cap.videoInfo.bmiHeader.biCompression = compression;
    cap.videoInfo.bmiHeader.biWidth = width;
    cap.videoInfo.bmiHeader.biHeight = height;
    cap.videoInfo.bmiHeader.biBitCount = 16;
    cap.caps.guid = FORMAT_VideoInfo;
    cap.caps.InputSize = SIZE{width, height};
    cap.caps.MinFrameInterval = 333333;
    cap.caps.MaxFrameInterval = 10000000;
    return cap;
}

CFakePin::CFakePin(CFakeFilter* filter, std::string name, PIN_DIRECTION dir, const GUID& category)
    : m_pFilter(filter), m_name(std::move(name)), m_dir(dir), m_category(category) {}

CFakePin::~CFakePin() = default;

void CFakePin::Join(CFakePin& out, CFakePin& in) {
    out.m_pConnected = ComPtr<IPin>(static_cast<IPin*>(&in));
    in.m_pConnected = ComPtr<IPin>(static_cast<IPin*>(&out));
}

std::string CFakePin::FullName() const {
    return (m_pFilter ? m_pFilter->m_name : std::string("?")) + "." + m_name;
}

HRESULT CFakePin::QueryInterface(REFIID riid, void** ppv) {
    if ((riid == IID_IAMStreamConfig && !m_bStreamConfig) ||
        (riid == IID_IAMVideoCompression && !m_bCompression)) {
        if (ppv)
            *ppv = nullptr;
        return E_NOINTERFACE;
    }
    return CComObject::QueryInterface(riid, ppv);
}

HRESULT CFakePin::Connect(IPin*, const AM_MEDIA_TYPE*) {
    return E_NOTIMPL;
}
HRESULT CFakePin::ReceiveConnection(IPin*, const AM_MEDIA_TYPE*) {
    return E_NOTIMPL;
}

HRESULT CFakePin::Disconnect() {
    if (!m_pConnected)
        return S_FALSE;
    m_pConnected.Reset();
    return S_OK;
}

HRESULT CFakePin::ConnectedTo(IPin** ppPin) {
    if (!ppPin)
        return E_POINTER;
    *ppPin = nullptr;
    if (!m_pConnected)
        return VFW_E_NOT_CONNECTED;
    m_pConnected.CopyTo(ppPin);
    return S_OK;
}

HRESULT CFakePin::ConnectionMediaType(AM_MEDIA_TYPE*) {
    return E_NOTIMPL;
}

HRESULT CFakePin::QueryPinInfo(PIN_INFO* pInfo) {
    const HRESULT hr = FakeAnswer(FullName() + ".QueryPinInfo", pInfo ? S_OK : E_POINTER);
    if (FAILED(hr))
        return hr;
    pInfo->pFilter = m_pFilter;
    if (m_pFilter)
        m_pFilter->AddRef();
    pInfo->dir = m_dir;
    for (size_t i = 0; i < m_name.size() && i + 1 < std::size(pInfo->achName); ++i)
        pInfo->achName[i] = static_cast<wchar_t>(m_name[i]);
    return hr;
}

HRESULT CFakePin::QueryDirection(PIN_DIRECTION* pPinDir) {
    if (!pPinDir)
        return E_POINTER;
    *pPinDir = m_dir;
    return S_OK;
}

HRESULT CFakePin::SetFormat(AM_MEDIA_TYPE* pmt) {
    ++m_nSetFormatCalls;
    if (pmt) {
        m_lastFormatType = pmt->formattype;
        if (pmt->pbFormat && pmt->cbFormat >= sizeof(VIDEOINFOHEADER))
            std::memcpy(&m_lastVideoInfo, pmt->pbFormat, sizeof m_lastVideoInfo);
    }
    return FakeAnswer(FullName() + ".SetFormat", pmt ? S_OK : E_POINTER);
}

HRESULT CFakePin::GetFormat(AM_MEDIA_TYPE**) {
    return E_NOTIMPL;
}

HRESULT CFakePin::GetNumberOfCapabilities(int* piCount, int* piSize) {
    const HRESULT hr = FakeAnswer(FullName() + ".GetNumberOfCapabilities", S_OK);
    if (SUCCEEDED(hr)) {
        *piCount = static_cast<int>(m_capabilities.size());
        *piSize = m_nReportedCapsSize;
    }
    return hr;
}

HRESULT CFakePin::GetStreamCaps(int iIndex, AM_MEDIA_TYPE** ppmt, BYTE* pSCC) {
    const bool inRange = iIndex >= 0 && iIndex < static_cast<int>(m_capabilities.size());
    const HRESULT hr = FakeAnswer(FullName() + ".GetStreamCaps(" + std::to_string(iIndex) + ")",
                                  inRange ? S_OK : S_FALSE);
    *ppmt = nullptr;
    if (FAILED(hr) || !inRange)
        return hr;

    const FakeCapability& cap = m_capabilities[iIndex];
    BYTE block[sizeof(VIDEOINFOHEADER)];
    std::memcpy(block, &cap.videoInfo, sizeof block);
    AM_MEDIA_TYPE mt;
    mt.majortype = MEDIATYPE_Video;
    mt.subtype = MEDIASUBTYPE_YUY2;
    mt.formattype = cap.formattype;
    mt.cbFormat = std::min<ULONG>(cap.cbFormat, sizeof block);
    mt.pbFormat = mt.cbFormat ? block : nullptr;
    *ppmt = CreateMediaType(mt);
    const size_t written = std::min(static_cast<size_t>(std::max(m_nReportedCapsSize, 0)),
                                    sizeof(VIDEO_STREAM_CONFIG_CAPS));
    std::memcpy(pSCC, &cap.caps, written);
    return hr;
}

HRESULT CFakePin::GetInfo(wchar_t*, int*, wchar_t*, int*, LONG*, LONG*, double*, LONG*) {
    return FakeAnswer(FullName() + ".GetInfo", E_NOTIMPL);
}
