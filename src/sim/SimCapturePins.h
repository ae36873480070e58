// The simulated camera's output pins: the capture pin, which carries the stream
// configuration (formats, frame interval) and the compression description, and the optional
// preview pin, which carries the same format.
#pragma once

#include <mutex>

#include "platform/dshow/PinBase.h"

class CSimCapturePin : public CPinBase<IAMStreamConfig, IAMVideoCompression> {
public:
    CSimCapturePin(IBaseFilter* pOwner, BOOL bCompressor);

    // The format the stream runs in: an index into SimVideoFormats and the frame interval.
    void CurrentFormat(int& index, REFERENCE_TIME& interval_100ns) const;
    // Set by the filter: SetFormat is refused while the filter runs.
    void SetStreaming(bool bStreaming);
    // The preview pin, whose connection also pins the frame size down.
    void SetSibling(const CPinCore* pSibling) { m_pSibling = pSibling; }

    // IAMStreamConfig
    HRESULT SetFormat(AM_MEDIA_TYPE* pmt) override;
    HRESULT GetFormat(AM_MEDIA_TYPE** ppmt) override;
    HRESULT GetNumberOfCapabilities(int* piCount, int* piSize) override;
    HRESULT GetStreamCaps(int iIndex, AM_MEDIA_TYPE** ppmt, BYTE* pSCC) override;

    // IAMVideoCompression: E_NOTIMPL unless the pin is configured as a compressor.
    HRESULT GetInfo(wchar_t* pszVersion, int* pcbVersion, wchar_t* pszDescription,
                    int* pcbDescription, LONG* pDefaultKeyFrameRate, LONG* pDefaultPFramesPerKey,
                    double* pDefaultQuality, LONG* pCapabilities) override;

protected:
    HRESULT CheckMediaType(const AM_MEDIA_TYPE& mt) override;
    HRESULT GetMediaType(int index, AM_MEDIA_TYPE& mt) override;

private:
    const BOOL m_bCompressor;
    mutable std::mutex m_mutex;
    int m_nFormat = 2;  // RGB24 640 x 480
    REFERENCE_TIME m_interval_100ns;
    bool m_bStreaming = false;
    const CPinCore* m_pSibling = nullptr;
};

class CSimPreviewPin : public CPinBase<> {
public:
    CSimPreviewPin(IBaseFilter* pOwner, const CSimCapturePin& capture);

protected:
    HRESULT CheckMediaType(const AM_MEDIA_TYPE& mt) override;
    HRESULT GetMediaType(int index, AM_MEDIA_TYPE& mt) override;

private:
    const CSimCapturePin& m_capture;
};
