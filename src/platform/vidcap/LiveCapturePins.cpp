#include "platform/vidcap/LiveCapturePins.h"

#include <cstring>
#include <cwchar>
#include <new>

#include "platform/com/ComRuntime.h"
#include "platform/dshow/DShowLog.h"
#include "platform/log/Log.h"
#include "platform/vidcap/CaptureFormats.h"

namespace {

// Copies text into a caller's buffer whose size is given in bytes; the size needed, in
// bytes with the terminating zero, goes back through pcb.
void CopyText(const wchar_t* text, wchar_t* psz, int* pcb) {
    if (!pcb)
        return;
    const int needed = static_cast<int>((std::wcslen(text) + 1) * sizeof(wchar_t));
    if (psz && *pcb >= static_cast<int>(sizeof(wchar_t))) {
        const size_t room = static_cast<size_t>(*pcb) / sizeof(wchar_t);
        std::wcsncpy(psz, text, room - 1);
        psz[room - 1] = L'\0';
    }
    *pcb = needed;
}

// Moves a media type into task memory whole: its format block changes hands with it.
AM_MEDIA_TYPE* ToTaskMemory(AM_MEDIA_TYPE mt) {
    void* raw = mt.pbFormat ? CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)) : nullptr;
    if (!raw) {
        FreeMediaType(mt);
        return nullptr;
    }
    return new (raw) AM_MEDIA_TYPE(mt);
}

}  // namespace

CLiveCapturePin::CLiveCapturePin(IBaseFilter* pOwner, const std::vector<CaptureFormat>& formats,
                                 size_t defaultFormat, const wchar_t* pCompressorName)
    : CPinBase(pOwner, PINDIR_OUTPUT, L"Capture", PIN_CATEGORY_CAPTURE),
      m_formats(formats),
      m_pCompressorName(pCompressorName),
      m_nFormat(defaultFormat < formats.size() ? defaultFormat : 0),
      m_interval_100ns(formats.at(m_nFormat).minInterval_100ns) {}

void CLiveCapturePin::CurrentFormat(size_t& index, REFERENCE_TIME& interval_100ns) const {
    std::lock_guard lock(m_mutex);
    index = m_nFormat;
    interval_100ns = m_interval_100ns;
}

void CLiveCapturePin::SetStreaming(bool bStreaming) {
    std::lock_guard lock(m_mutex);
    m_bStreaming = bStreaming;
}

HRESULT CLiveCapturePin::SetFormat(AM_MEDIA_TYPE* pmt) {
    if (!pmt)
        return E_POINTER;
    REFERENCE_TIME interval = 0;
    const int index = MatchCaptureFormat(m_formats, *pmt, interval);
    if (index < 0) {
        LogDebug(kLogDShow, "SetFormat: no format of the camera matches: VFW_E_INVALIDMEDIATYPE");
        return VFW_E_INVALIDMEDIATYPE;
    }
    const bool bConnected = IsConnected() || (m_pSibling && m_pSibling->IsConnected());
    std::lock_guard lock(m_mutex);
    HRESULT hr = S_OK;
    if (m_bStreaming) {
        hr = VFW_E_NOT_STOPPED;
    } else if (bConnected && static_cast<size_t>(index) != m_nFormat) {
        // A connected pin keeps its frame layout; only the rate may change under a renderer.
        hr = VFW_E_ALREADY_CONNECTED;
    } else {
        m_nFormat = static_cast<size_t>(index);
        m_interval_100ns = interval;
    }
    LogDebug(kLogDShow, "SetFormat: capability %d at %lld x 100 ns: 0x%08X", index,
             static_cast<long long>(interval), LogStatus(hr));
    return hr;
}

HRESULT CLiveCapturePin::GetFormat(AM_MEDIA_TYPE** ppmt) {
    if (!ppmt)
        return E_POINTER;
    size_t index = 0;
    REFERENCE_TIME interval = 0;
    CurrentFormat(index, interval);
    *ppmt = ToTaskMemory(CaptureMediaType(m_formats[index], interval));
    return *ppmt ? S_OK : E_OUTOFMEMORY;
}

HRESULT CLiveCapturePin::GetNumberOfCapabilities(int* piCount, int* piSize) {
    if (!piCount || !piSize)
        return E_POINTER;
    *piCount = static_cast<int>(m_formats.size());
    *piSize = sizeof(VIDEO_STREAM_CONFIG_CAPS);
    return S_OK;
}

HRESULT CLiveCapturePin::GetStreamCaps(int iIndex, AM_MEDIA_TYPE** ppmt, BYTE* pSCC) {
    if (!ppmt || !pSCC)
        return E_POINTER;
    *ppmt = nullptr;
    if (iIndex < 0)
        return E_INVALIDARG;
    if (static_cast<size_t>(iIndex) >= m_formats.size())
        return S_FALSE;
    const CaptureFormat& format = m_formats[static_cast<size_t>(iIndex)];
    *ppmt = ToTaskMemory(CaptureMediaType(format, format.minInterval_100ns));
    if (!*ppmt)
        return E_OUTOFMEMORY;
    const VIDEO_STREAM_CONFIG_CAPS caps = CaptureStreamCaps(format);
    std::memcpy(pSCC, &caps, sizeof caps);
    return S_OK;
}

HRESULT CLiveCapturePin::GetInfo(wchar_t* pszVersion, int* pcbVersion, wchar_t* pszDescription,
                                 int* pcbDescription, LONG* pDefaultKeyFrameRate,
                                 LONG* pDefaultPFramesPerKey, double* pDefaultQuality,
                                 LONG* pCapabilities) {
    if (!m_pCompressorName)
        return E_NOTIMPL;
    CopyText(L"1.0", pszVersion, pcbVersion);
    CopyText(m_pCompressorName, pszDescription, pcbDescription);
    if (pDefaultKeyFrameRate)
        *pDefaultKeyFrameRate = 1;
    if (pDefaultPFramesPerKey)
        *pDefaultPFramesPerKey = 0;
    if (pDefaultQuality)
        *pDefaultQuality = 0.9;
    if (pCapabilities)
        *pCapabilities = 0;
    return S_OK;
}

HRESULT CLiveCapturePin::AcceptCurrentFormat(const AM_MEDIA_TYPE& mt) const {
    REFERENCE_TIME interval = 0;
    const int index = MatchCaptureFormat(m_formats, mt, interval);
    size_t current = 0;
    CurrentFormat(current, interval);
    return index >= 0 && static_cast<size_t>(index) == current ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CLiveCapturePin::OfferCurrentFormat(int index, AM_MEDIA_TYPE& mt) const {
    if (index != 0)
        return VFW_S_NO_MORE_ITEMS;
    size_t format = 0;
    REFERENCE_TIME interval = 0;
    CurrentFormat(format, interval);
    mt = CaptureMediaType(m_formats[format], interval);
    return mt.pbFormat ? S_OK : E_OUTOFMEMORY;
}

CLivePreviewPin::CLivePreviewPin(IBaseFilter* pOwner, const CLiveCapturePin& capture)
    : CPinBase(pOwner, PINDIR_OUTPUT, L"Preview", PIN_CATEGORY_PREVIEW), m_capture(capture) {}
