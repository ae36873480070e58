#include "platform/renderer/FrameConvert.h"

#include <algorithm>

#include "platform/dshow/VideoFrame.h"

namespace {

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
    VideoFrameRef layout;
    return DescribeVideoType(mt, layout) ? layout.FrameBytes() : 0;
}

QImage ConvertFrame(const AM_MEDIA_TYPE& mt, const BYTE* pData, ULONG cbData) {
    VideoFrameRef frame;
    if (!DescribeVideoFrame(mt, pData, cbData, frame))
        return {};
    const int width = frame.width;
    const int height = frame.Rows();
    QImage image(width, height, QImage::Format_RGB888);
    for (int y = 0; y < height; ++y) {
        const BYTE* src = frame.TopDownRow(y);
        BYTE* dst = image.scanLine(y);
        if (!frame.IsYuy2()) {
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
