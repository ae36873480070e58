// The live capture filter's output pins: the capture pin, which carries the stream
// configuration (the camera's formats, the frame interval) and the compression description,
// and the optional preview pin, which carries the same format.
#pragma once

#include <mutex>
#include <vector>

#include "platform/dshow/PinBase.h"
#include "platform/vidcap/CaptureBackend.h"

class CLiveCapturePin : public CPinBase<IAMStreamConfig, IAMVideoCompression> {
public:
    // `formats` outlives the pin; a null pCompressorName makes IAMVideoCompression E_NOTIMPL.
    CLiveCapturePin(IBaseFilter* pOwner, const std::vector<CaptureFormat>& formats,
                    size_t defaultFormat, const wchar_t* pCompressorName);

    // The format the stream runs in: an index into the formats and the frame interval.
    void CurrentFormat(size_t& index, REFERENCE_TIME& interval_100ns) const;
    // Set by the filter: SetFormat is refused while the filter runs.
    void SetStreaming(bool bStreaming);
    // The preview pin, whose connection also pins the frame size down.
    void SetSibling(const CPinCore* pSibling) { m_pSibling = pSibling; }
    // Both pins carry the current format, and only that one.
    HRESULT AcceptCurrentFormat(const AM_MEDIA_TYPE& mt) const;
    HRESULT OfferCurrentFormat(int index, AM_MEDIA_TYPE& mt) const;

    // IAMStreamConfig
    HRESULT SetFormat(AM_MEDIA_TYPE* pmt) override;
    HRESULT GetFormat(AM_MEDIA_TYPE** ppmt) override;
    HRESULT GetNumberOfCapabilities(int* piCount, int* piSize) override;
    HRESULT GetStreamCaps(int iIndex, AM_MEDIA_TYPE** ppmt, BYTE* pSCC) override;

    // IAMVideoCompression: E_NOTIMPL unless the camera compresses on board.
    HRESULT GetInfo(wchar_t* pszVersion, int* pcbVersion, wchar_t* pszDescription,
                    int* pcbDescription, LONG* pDefaultKeyFrameRate, LONG* pDefaultPFramesPerKey,
                    double* pDefaultQuality, LONG* pCapabilities) override;

protected:
    HRESULT CheckMediaType(const AM_MEDIA_TYPE& mt) override { return AcceptCurrentFormat(mt); }
    HRESULT GetMediaType(int index, AM_MEDIA_TYPE& mt) override {
        return OfferCurrentFormat(index, mt);
    }

private:
    const std::vector<CaptureFormat>& m_formats;
    const wchar_t* const m_pCompressorName;
    mutable std::mutex m_mutex;
    size_t m_nFormat;
    REFERENCE_TIME m_interval_100ns;
    bool m_bStreaming = false;
    const CPinCore* m_pSibling = nullptr;
};

class CLivePreviewPin : public CPinBase<> {
public:
    CLivePreviewPin(IBaseFilter* pOwner, const CLiveCapturePin& capture);

protected:
    HRESULT CheckMediaType(const AM_MEDIA_TYPE& mt) override {
        return m_capture.AcceptCurrentFormat(mt);
    }
    HRESULT GetMediaType(int index, AM_MEDIA_TYPE& mt) override {
        return m_capture.OfferCurrentFormat(index, mt);
    }

private:
    const CLiveCapturePin& m_capture;
};
