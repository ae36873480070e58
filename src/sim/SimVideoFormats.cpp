#include "sim/SimVideoFormats.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "platform/com/ComRuntime.h"

namespace {

constexpr DWORD kYuy2 = MakeFourCC('Y', 'U', 'Y', '2');

int Round8(int fixed) {
    return (fixed + 128) >> 8;
}

BYTE Clamp(int v) {
    return static_cast<BYTE>(std::clamp(v, 0, 255));
}

}  // namespace

const std::vector<SimVideoFormat>& SimVideoFormats() {
    static const std::vector<SimVideoFormat> formats{
        {MEDIASUBTYPE_YUY2, kYuy2, 16, 640, 480},    {MEDIASUBTYPE_RGB24, BI_RGB, 24, 320, 240},
        {MEDIASUBTYPE_RGB24, BI_RGB, 24, 640, 480},  {MEDIASUBTYPE_YUY2, kYuy2, 16, 320, 240},
        {MEDIASUBTYPE_RGB24, BI_RGB, 24, 1280, 960}, {MEDIASUBTYPE_RGB24, BI_RGB, 24, 160, 120},
    };
    return formats;
}

ULONG SimRowBytes(const SimVideoFormat& format) {
    return ((static_cast<ULONG>(format.width) * format.bitCount + 31) / 32) * 4;
}

ULONG SimFrameBytes(const SimVideoFormat& format) {
    return SimRowBytes(format) * static_cast<ULONG>(format.height);
}

AM_MEDIA_TYPE SimMediaType(const SimVideoFormat& format, REFERENCE_TIME interval_100ns) {
    AM_MEDIA_TYPE mt{};
    mt.majortype = MEDIATYPE_Video;
    mt.subtype = format.subtype;
    mt.bFixedSizeSamples = TRUE;
    mt.lSampleSize = SimFrameBytes(format);
    mt.formattype = FORMAT_VideoInfo;
    mt.pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(sizeof(VIDEOINFOHEADER)));
    if (!mt.pbFormat)
        return mt;
    mt.cbFormat = sizeof(VIDEOINFOHEADER);
    auto* vih = new (mt.pbFormat) VIDEOINFOHEADER;
    vih->rcSource = {0, 0, format.width, format.height};
    vih->rcTarget = vih->rcSource;
    vih->AvgTimePerFrame = interval_100ns;
    vih->dwBitRate = static_cast<DWORD>(static_cast<uint64_t>(mt.lSampleSize) * 8 * 10'000'000 /
                                        static_cast<uint64_t>(interval_100ns));
    BITMAPINFOHEADER& bmi = vih->bmiHeader;
    bmi.biSize = sizeof(BITMAPINFOHEADER);
    bmi.biWidth = format.width;
    bmi.biHeight = format.height;
    bmi.biPlanes = 1;
    bmi.biBitCount = format.bitCount;
    bmi.biCompression = format.compression;
    bmi.biSizeImage = mt.lSampleSize;
    return mt;
}

VIDEO_STREAM_CONFIG_CAPS SimStreamCaps(const SimVideoFormat& format) {
    VIDEO_STREAM_CONFIG_CAPS caps{};
    caps.guid = FORMAT_VideoInfo;
    const SIZE size{format.width, format.height};
    caps.InputSize = size;
    caps.MinCroppingSize = size;
    caps.MaxCroppingSize = size;
    caps.MinOutputSize = size;
    caps.MaxOutputSize = size;
    caps.MinFrameInterval = kSimMinFrameInterval_100ns;
    caps.MaxFrameInterval = kSimMaxFrameInterval_100ns;
    const auto bitsPerFrame = static_cast<int64_t>(SimFrameBytes(format)) * 8;
    caps.MinBitsPerSecond = static_cast<LONG>(bitsPerFrame);
    caps.MaxBitsPerSecond = static_cast<LONG>(std::min<int64_t>(bitsPerFrame * 30, 0x7FFFFFFF));
    return caps;
}

int MatchSimFormat(const AM_MEDIA_TYPE& mt, REFERENCE_TIME& interval_100ns) {
    if (mt.majortype != MEDIATYPE_Video || mt.formattype != FORMAT_VideoInfo || !mt.pbFormat ||
        mt.cbFormat < sizeof(VIDEOINFOHEADER)) {
        return -1;
    }
    VIDEOINFOHEADER vih;
    std::memcpy(&vih, mt.pbFormat, sizeof vih);
    const auto& formats = SimVideoFormats();
    for (size_t i = 0; i < formats.size(); ++i) {
        const SimVideoFormat& f = formats[i];
        if (mt.subtype != f.subtype || vih.bmiHeader.biCompression != f.compression ||
            vih.bmiHeader.biBitCount != f.bitCount || vih.bmiHeader.biWidth != f.width ||
            vih.bmiHeader.biHeight != f.height) {
            continue;
        }
        const REFERENCE_TIME wanted = vih.AvgTimePerFrame;
        if (wanted == 0) {
            interval_100ns = kSimMinFrameInterval_100ns;
        } else if (wanted < kSimMinFrameInterval_100ns || wanted > kSimMaxFrameInterval_100ns) {
            return -1;
        } else {
            interval_100ns = wanted;
        }
        return static_cast<int>(i);
    }
    return -1;
}

void BgrToYuy2(const BYTE* bgr, LONG width, LONG height, BYTE* yuy2, ULONG rowBytes) {
    for (LONG y = 0; y < height; ++y) {
        const BYTE* src = bgr + static_cast<size_t>(y) * static_cast<size_t>(width) * 3;
        BYTE* dst = yuy2 + static_cast<size_t>(y) * rowBytes;
        for (LONG x = 0; x < width; x += 2) {
            int u = 0;
            int v = 0;
            for (int k = 0; k < 2; ++k) {
                const BYTE* p = src + 3 * (x + k);
                const int b = p[0];
                const int g = p[1];
                const int r = p[2];
                dst[2 * (x + k)] = Clamp(Round8(66 * r + 129 * g + 25 * b) + 16);
                u += Round8(-38 * r - 74 * g + 112 * b) + 128;
                v += Round8(112 * r - 94 * g - 18 * b) + 128;
            }
            // The pair shares one chroma sample: the mean of the two.
            dst[2 * x + 1] = Clamp((u + 1) / 2);
            dst[2 * x + 3] = Clamp((v + 1) / 2);
        }
    }
}
