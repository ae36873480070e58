// The uncompressed video layouts the renderers take, described once: RGB24 (BI_RGB, 24 bits,
// rows padded to 4 bytes, bottom-up for a positive height) and YUY2 (16 bits, even width,
// always top-down), both in FORMAT_VideoInfo.
#pragma once

#include "platform/dshow/MediaTypes.h"

// One frame, or a type's layout when pData is null. The data is valid only while the sample is.
struct VideoFrameRef {
    const BYTE* pData = nullptr;
    ULONG cbData = 0;
    GUID subtype{};  // MEDIASUBTYPE_RGB24 or MEDIASUBTYPE_YUY2
    LONG width = 0;
    LONG height = 0;     // RGB24: positive for rows bottom-up; YUY2: always positive, top-down
    ULONG rowBytes = 0;  // from one stored row to the next

    bool IsYuy2() const { return subtype == MEDIASUBTYPE_YUY2; }
    bool IsBottomUp() const { return !IsYuy2() && height > 0; }
    LONG Rows() const { return height < 0 ? -height : height; }
    ULONG FrameBytes() const { return rowBytes * static_cast<ULONG>(Rows()); }
    // The stored row that shows picture row y (0 the top).
    const BYTE* TopDownRow(LONG y) const {
        return pData + rowBytes * static_cast<ULONG>(IsBottomUp() ? Rows() - 1 - y : y);
    }
};

// The layout of `mt`'s frames; false for any other type, or sides beyond 16384 pixels.
bool DescribeVideoType(const AM_MEDIA_TYPE& mt, VideoFrameRef& layout);
// The same, with the sample: false too when the sample is shorter than one frame.
bool DescribeVideoFrame(const AM_MEDIA_TYPE& mt, const BYTE* pData, ULONG cbData,
                        VideoFrameRef& frame);
