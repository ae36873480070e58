#include "platform/vidcap/CaptureFormats.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "platform/com/ComRuntime.h"

namespace {

constexpr REFERENCE_TIME kOneSecond_100ns = 10'000'000;

struct Layout {
    DWORD compression;
    WORD bitCount;
};

// RGB24 rows go bottom-up under a positive height; YUY2 rows are always top-down.
Layout LayoutOf(const GUID& subtype) {
    if (subtype == MEDIASUBTYPE_YUY2)
        return {MakeFourCC('Y', 'U', 'Y', '2'), 16};
    return {BI_RGB, 24};
}

}  // namespace

ULONG CaptureRowBytes(const CaptureFormat& format) {
    const WORD bits = LayoutOf(format.subtype).bitCount;
    return ((static_cast<ULONG>(format.width) * bits + 31) / 32) * 4;
}

ULONG CaptureFrameBytes(const CaptureFormat& format) {
    return CaptureRowBytes(format) * static_cast<ULONG>(format.height);
}

AM_MEDIA_TYPE CaptureMediaType(const CaptureFormat& format, REFERENCE_TIME interval_100ns) {
    const Layout layout = LayoutOf(format.subtype);
    AM_MEDIA_TYPE mt{};
    mt.majortype = MEDIATYPE_Video;
    mt.subtype = format.subtype;
    mt.bFixedSizeSamples = TRUE;
    mt.lSampleSize = CaptureFrameBytes(format);
    mt.formattype = FORMAT_VideoInfo;
    mt.pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(sizeof(VIDEOINFOHEADER)));
    if (!mt.pbFormat)
        return mt;
    mt.cbFormat = sizeof(VIDEOINFOHEADER);
    auto* vih = new (mt.pbFormat) VIDEOINFOHEADER;
    vih->rcSource = {0, 0, format.width, format.height};
    vih->rcTarget = vih->rcSource;
    vih->AvgTimePerFrame = interval_100ns;
    vih->dwBitRate = static_cast<DWORD>(static_cast<uint64_t>(mt.lSampleSize) * 8 *
                                        kOneSecond_100ns / static_cast<uint64_t>(interval_100ns));
    BITMAPINFOHEADER& bmi = vih->bmiHeader;
    bmi.biSize = sizeof(BITMAPINFOHEADER);
    bmi.biWidth = format.width;
    bmi.biHeight = format.height;
    bmi.biPlanes = 1;
    bmi.biBitCount = layout.bitCount;
    bmi.biCompression = layout.compression;
    bmi.biSizeImage = mt.lSampleSize;
    return mt;
}

VIDEO_STREAM_CONFIG_CAPS CaptureStreamCaps(const CaptureFormat& format) {
    VIDEO_STREAM_CONFIG_CAPS caps{};
    caps.guid = FORMAT_VideoInfo;
    const SIZE size{format.width, format.height};
    caps.InputSize = size;
    caps.MinCroppingSize = size;
    caps.MaxCroppingSize = size;
    caps.MinOutputSize = size;
    caps.MaxOutputSize = size;
    caps.MinFrameInterval = format.minInterval_100ns;
    caps.MaxFrameInterval = format.maxInterval_100ns;
    const auto bitsPerFrame = static_cast<int64_t>(CaptureFrameBytes(format)) * 8;
    // Whole frames per second at each end of the range, rounded.
    const auto perSecond = [](REFERENCE_TIME interval) {
        return std::max<int64_t>(1, (kOneSecond_100ns + interval / 2) / interval);
    };
    caps.MinBitsPerSecond = static_cast<LONG>(
        std::min<int64_t>(bitsPerFrame * perSecond(format.maxInterval_100ns), 0x7FFFFFFF));
    caps.MaxBitsPerSecond = static_cast<LONG>(
        std::min<int64_t>(bitsPerFrame * perSecond(format.minInterval_100ns), 0x7FFFFFFF));
    return caps;
}

int MatchCaptureFormat(const std::vector<CaptureFormat>& formats, const AM_MEDIA_TYPE& mt,
                       REFERENCE_TIME& interval_100ns) {
    if (mt.majortype != MEDIATYPE_Video || mt.formattype != FORMAT_VideoInfo || !mt.pbFormat ||
        mt.cbFormat < sizeof(VIDEOINFOHEADER)) {
        return -1;
    }
    VIDEOINFOHEADER vih;
    std::memcpy(&vih, mt.pbFormat, sizeof vih);
    for (size_t i = 0; i < formats.size(); ++i) {
        const CaptureFormat& f = formats[i];
        const Layout layout = LayoutOf(f.subtype);
        if (mt.subtype != f.subtype || vih.bmiHeader.biCompression != layout.compression ||
            vih.bmiHeader.biBitCount != layout.bitCount || vih.bmiHeader.biWidth != f.width ||
            vih.bmiHeader.biHeight != f.height) {
            continue;
        }
        const REFERENCE_TIME wanted = vih.AvgTimePerFrame;
        if (wanted == 0) {
            interval_100ns = f.minInterval_100ns;
        } else if (wanted < f.minInterval_100ns || wanted > f.maxInterval_100ns) {
            return -1;
        } else {
            interval_100ns = wanted;
        }
        return static_cast<int>(i);
    }
    return -1;
}
