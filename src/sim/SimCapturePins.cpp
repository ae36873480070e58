#include "sim/SimCapturePins.h"

#include <cstring>
#include <cwchar>
#include <new>

#include "platform/com/ComRuntime.h"

#include "sim/SimVideoFormats.h"

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

CSimCapturePin::CSimCapturePin(IBaseFilter* pOwner, BOOL bCompressor)
    : CPinBase(pOwner, PINDIR_OUTPUT, L"Capture", PIN_CATEGORY_CAPTURE),
      m_bCompressor(bCompressor),
      m_interval_100ns(kSimMinFrameInterval_100ns) {}

void CSimCapturePin::CurrentFormat(int& index, REFERENCE_TIME& interval_100ns) const {
    std::lock_guard lock(m_mutex);
    index = m_nFormat;
    interval_100ns = m_interval_100ns;
}

void CSimCapturePin::SetStreaming(bool bStreaming) {
    std::lock_guard lock(m_mutex);
    m_bStreaming = bStreaming;
}

HRESULT CSimCapturePin::SetFormat(AM_MEDIA_TYPE* pmt) {
    if (!pmt)
        return E_POINTER;
    REFERENCE_TIME interval = 0;
    const int index = MatchSimFormat(*pmt, interval);
    if (index < 0)
        return VFW_E_INVALIDMEDIATYPE;
    const bool bConnected = IsConnected() || (m_pSibling && m_pSibling->IsConnected());
    std::lock_guard lock(m_mutex);
    if (m_bStreaming)
        return VFW_E_NOT_STOPPED;
    // A connected pin keeps its frame layout; only the rate may change under a renderer.
    if (bConnected && index != m_nFormat)
        return VFW_E_ALREADY_CONNECTED;
    m_nFormat = index;
    m_interval_100ns = interval;
    return S_OK;
}

HRESULT CSimCapturePin::GetFormat(AM_MEDIA_TYPE** ppmt) {
    if (!ppmt)
        return E_POINTER;
    int index = 0;
    REFERENCE_TIME interval = 0;
    CurrentFormat(index, interval);
    *ppmt = ToTaskMemory(SimMediaType(SimVideoFormats()[static_cast<size_t>(index)], interval));
    return *ppmt ? S_OK : E_OUTOFMEMORY;
}

HRESULT CSimCapturePin::GetNumberOfCapabilities(int* piCount, int* piSize) {
    if (!piCount || !piSize)
        return E_POINTER;
    *piCount = static_cast<int>(SimVideoFormats().size());
    *piSize = sizeof(VIDEO_STREAM_CONFIG_CAPS);
    return S_OK;
}

HRESULT CSimCapturePin::GetStreamCaps(int iIndex, AM_MEDIA_TYPE** ppmt, BYTE* pSCC) {
    if (!ppmt || !pSCC)
        return E_POINTER;
    *ppmt = nullptr;
    if (iIndex < 0)
        return E_INVALIDARG;
    const auto& formats = SimVideoFormats();
    if (static_cast<size_t>(iIndex) >= formats.size())
        return S_FALSE;
    const SimVideoFormat& format = formats[static_cast<size_t>(iIndex)];
    *ppmt = ToTaskMemory(SimMediaType(format, kSimMinFrameInterval_100ns));
    if (!*ppmt)
        return E_OUTOFMEMORY;
    const VIDEO_STREAM_CONFIG_CAPS caps = SimStreamCaps(format);
    std::memcpy(pSCC, &caps, sizeof caps);
    return S_OK;
}

HRESULT CSimCapturePin::GetInfo(wchar_t* pszVersion, int* pcbVersion, wchar_t* pszDescription,
                                int* pcbDescription, LONG* pDefaultKeyFrameRate,
                                LONG* pDefaultPFramesPerKey, double* pDefaultQuality,
                                LONG* pCapabilities) {
    if (!m_bCompressor)
        return E_NOTIMPL;
    CopyText(L"1.0", pszVersion, pcbVersion);
    CopyText(L"Simulated on-camera compressor", pszDescription, pcbDescription);
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

namespace {

// Both pins carry the capture pin's current format, and only that one.
HRESULT AcceptCurrentFormat(const CSimCapturePin& capture, const AM_MEDIA_TYPE& mt) {
    REFERENCE_TIME interval = 0;
    const int index = MatchSimFormat(mt, interval);
    int current = 0;
    capture.CurrentFormat(current, interval);
    return index >= 0 && index == current ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT OfferCurrentFormat(const CSimCapturePin& capture, int index, AM_MEDIA_TYPE& mt) {
    if (index != 0)
        return VFW_S_NO_MORE_ITEMS;
    int format = 0;
    REFERENCE_TIME interval = 0;
    capture.CurrentFormat(format, interval);
    mt = SimMediaType(SimVideoFormats()[static_cast<size_t>(format)], interval);
    return mt.pbFormat ? S_OK : E_OUTOFMEMORY;
}

}  // namespace

HRESULT CSimCapturePin::CheckMediaType(const AM_MEDIA_TYPE& mt) {
    return AcceptCurrentFormat(*this, mt);
}

HRESULT CSimCapturePin::GetMediaType(int index, AM_MEDIA_TYPE& mt) {
    return OfferCurrentFormat(*this, index, mt);
}

CSimPreviewPin::CSimPreviewPin(IBaseFilter* pOwner, const CSimCapturePin& capture)
    : CPinBase(pOwner, PINDIR_OUTPUT, L"Preview", PIN_CATEGORY_PREVIEW), m_capture(capture) {}

HRESULT CSimPreviewPin::CheckMediaType(const AM_MEDIA_TYPE& mt) {
    return AcceptCurrentFormat(m_capture, mt);
}

HRESULT CSimPreviewPin::GetMediaType(int index, AM_MEDIA_TYPE& mt) {
    return OfferCurrentFormat(m_capture, index, mt);
}
