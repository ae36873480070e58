#include "sim/SimVideoFormats.h"

#include <algorithm>

namespace {

int Round8(int fixed) {
    return (fixed + 128) >> 8;
}

BYTE Clamp(int v) {
    return static_cast<BYTE>(std::clamp(v, 0, 255));
}

}  // namespace

const std::vector<CaptureFormat>& SimVideoFormats() {
    constexpr REFERENCE_TIME kMin = kSimMinFrameInterval_100ns;
    constexpr REFERENCE_TIME kMax = kSimMaxFrameInterval_100ns;
    static const std::vector<CaptureFormat> formats{
        {MEDIASUBTYPE_YUY2, 640, 480, kMin, kMax},   {MEDIASUBTYPE_RGB24, 320, 240, kMin, kMax},
        {MEDIASUBTYPE_RGB24, 640, 480, kMin, kMax},  {MEDIASUBTYPE_YUY2, 320, 240, kMin, kMax},
        {MEDIASUBTYPE_RGB24, 1280, 960, kMin, kMax}, {MEDIASUBTYPE_RGB24, 160, 120, kMin, kMax},
    };
    return formats;
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
