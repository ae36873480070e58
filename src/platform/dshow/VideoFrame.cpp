#include "platform/dshow/VideoFrame.h"

#include <cstdlib>

namespace {

// Keeps every size computation far inside 32 bits.
constexpr LONG kMaxSide = 16384;

}  // namespace

bool DescribeVideoType(const AM_MEDIA_TYPE& mt, VideoFrameRef& layout) {
    if (mt.majortype != MEDIATYPE_Video || mt.formattype != FORMAT_VideoInfo || !mt.pbFormat ||
        mt.cbFormat < sizeof(VIDEOINFOHEADER)) {
        return false;
    }
    const BITMAPINFOHEADER& bmi = reinterpret_cast<const VIDEOINFOHEADER*>(mt.pbFormat)->bmiHeader;
    if (bmi.biWidth <= 0 || bmi.biWidth > kMaxSide || bmi.biHeight == 0 ||
        std::abs(bmi.biHeight) > kMaxSide) {
        return false;
    }
    const bool rgb24 =
        mt.subtype == MEDIASUBTYPE_RGB24 && bmi.biCompression == BI_RGB && bmi.biBitCount == 24;
    const bool yuy2 = mt.subtype == MEDIASUBTYPE_YUY2 &&
                      bmi.biCompression == MakeFourCC('Y', 'U', 'Y', '2') && bmi.biBitCount == 16 &&
                      bmi.biWidth % 2 == 0 && bmi.biHeight > 0;
    if (!rgb24 && !yuy2)
        return false;
    layout = VideoFrameRef{};
    layout.subtype = mt.subtype;
    layout.width = bmi.biWidth;
    layout.height = bmi.biHeight;
    layout.rowBytes = ((static_cast<ULONG>(bmi.biWidth) * bmi.biBitCount + 31) / 32) * 4;
    return true;
}

bool DescribeVideoFrame(const AM_MEDIA_TYPE& mt, const BYTE* pData, ULONG cbData,
                        VideoFrameRef& frame) {
    VideoFrameRef layout;
    if (!pData || !DescribeVideoType(mt, layout) || cbData < layout.FrameBytes())
        return false;
    layout.pData = pData;
    layout.cbData = cbData;
    frame = layout;
    return true;
}
