// The video formats the simulated camera's capture pin offers, and the arithmetic that turns
// them into media types, stream capabilities and frames.
#pragma once

#include <vector>

#include "platform/dshow/MediaTypes.h"

struct SimVideoFormat {
    GUID subtype;
    DWORD compression;  // BI_RGB or a four-character code
    WORD bitCount;
    LONG width;
    LONG height;  // positive: RGB rows bottom-up; YUY2 is always top-down
};

inline constexpr REFERENCE_TIME kSimMinFrameInterval_100ns = 333'333;     // 30 frames per second
inline constexpr REFERENCE_TIME kSimMaxFrameInterval_100ns = 10'000'000;  // 1 per second

// In capability order, deliberately not sorted: uncompressed RGB24 (including 640 x 480) and
// YUY2, interleaved.
const std::vector<SimVideoFormat>& SimVideoFormats();

// Bytes in one row and in one frame (rows padded to 4 bytes, as bitmaps are).
ULONG SimRowBytes(const SimVideoFormat& format);
ULONG SimFrameBytes(const SimVideoFormat& format);

// A complete FORMAT_VideoInfo media type in task memory, for the caller to free.
AM_MEDIA_TYPE SimMediaType(const SimVideoFormat& format, REFERENCE_TIME interval_100ns);
VIDEO_STREAM_CONFIG_CAPS SimStreamCaps(const SimVideoFormat& format);

// The offered format a media type asks for, or -1; its frame interval must lie within the
// offered range (0 means the default) and is returned through interval_100ns.
int MatchSimFormat(const AM_MEDIA_TYPE& mt, REFERENCE_TIME& interval_100ns);

// Packs top-down BGR pixels (3 bytes each, rows without gaps) into YUY2 rows of
// SimRowBytes bytes, with ITU-R BT.601 studio-range coefficients. Width must be even.
void BgrToYuy2(const BYTE* bgr, LONG width, LONG height, BYTE* yuy2, ULONG rowBytes);
