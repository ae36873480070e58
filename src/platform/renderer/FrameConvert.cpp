#include "platform/renderer/FrameConvert.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

const VIDEOINFOHEADER* VideoInfo(const AM_MEDIA_TYPE& mt) {
    if (mt.majortype != MEDIATYPE_Video || mt.formattype != FORMAT_VideoInfo || !mt.pbFormat ||
        mt.cbFormat < sizeof(VIDEOINFOHEADER)) {
        return nullptr;
    }
    return reinterpret_cast<const VIDEOINFOHEADER*>(mt.pbFormat);
}

bool IsRgb24(const AM_MEDIA_TYPE& mt, const BITMAPINFOHEADER& bmi) {
    return mt.subtype == MEDIASUBTYPE_RGB24 && bmi.biCompression == BI_RGB && bmi.biBitCount == 24;
}

bool IsYuy2(const AM_MEDIA_TYPE& mt, const BITMAPINFOHEADER& bmi) {
    return mt.subtype == MEDIASUBTYPE_YUY2 && bmi.biCompression == MakeFourCC('Y', 'U', 'Y', '2') &&
           bmi.biBitCount == 16 && bmi.biWidth % 2 == 0 && bmi.biHeight > 0;
}

// Limits that keep every size computation far inside 32 bits.
constexpr LONG kMaxSide = 16384;

ULONG Stride(const BITMAPINFOHEADER& bmi) {
    return ((static_cast<ULONG>(bmi.biWidth) * bmi.biBitCount + 31) / 32) * 4;
}

BYTE Clamp(int v) {
    return static_cast<BYTE>(std::clamp(v, 0, 255));
}

// ITU-R BT.601 studio range to full-range RGB, in 8-bit fixed point.
void YuvToRgb(int y, int u, int v, BYTE* rgb) {
    const int c = 298 * (y - 16);
    const int d = u - 128;
    const int e = v - 128;
    rgb[0] = Clamp((c + 409 * e + 128) >> 8);
    rgb[1] = Clamp((c - 100 * d - 208 * e + 128) >> 8);
    rgb[2] = Clamp((c + 516 * d + 128) >> 8);
}

}  // namespace

bool IsRenderableType(const AM_MEDIA_TYPE& mt) {
    return FrameBytes(mt) != 0;
}

ULONG FrameBytes(const AM_MEDIA_TYPE& mt) {
    const VIDEOINFOHEADER* vih = VideoInfo(mt);
    if (!vih)
        return 0;
    const BITMAPINFOHEADER& bmi = vih->bmiHeader;
    if (bmi.biWidth <= 0 || bmi.biWidth > kMaxSide || bmi.biHeight == 0 ||
        std::abs(bmi.biHeight) > kMaxSide) {
        return 0;
    }
    if (!IsRgb24(mt, bmi) && !IsYuy2(mt, bmi))
        return 0;
    return Stride(bmi) * static_cast<ULONG>(std::abs(bmi.biHeight));
}

QImage ConvertFrame(const AM_MEDIA_TYPE& mt, const BYTE* pData, ULONG cbData) {
    const ULONG needed = FrameBytes(mt);
    if (needed == 0 || !pData || cbData < needed)
        return {};
    const BITMAPINFOHEADER& bmi = reinterpret_cast<const VIDEOINFOHEADER*>(mt.pbFormat)->bmiHeader;
    const int width = bmi.biWidth;
    const int height = std::abs(bmi.biHeight);
    const ULONG stride = Stride(bmi);
    QImage image(width, height, QImage::Format_RGB888);
    for (int y = 0; y < height; ++y) {
        const bool bottomUp = IsRgb24(mt, bmi) && bmi.biHeight > 0;
        const BYTE* src = pData + stride * static_cast<ULONG>(bottomUp ? height - 1 - y : y);
        BYTE* dst = image.scanLine(y);
        if (IsRgb24(mt, bmi)) {
            for (int x = 0; x < width; ++x) {
                dst[3 * x] = src[3 * x + 2];
                dst[3 * x + 1] = src[3 * x + 1];
                dst[3 * x + 2] = src[3 * x];
            }
        } else {
            for (int x = 0; x < width; x += 2) {
                const BYTE* p = src + 2 * x;  // Y0 U Y1 V
                YuvToRgb(p[0], p[1], p[3], dst + 3 * x);
                YuvToRgb(p[2], p[1], p[3], dst + 3 * x + 3);
            }
        }
    }
    return image;
}
