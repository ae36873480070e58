// A camera's formats as the capture framework describes them: the FORMAT_VideoInfo media type
// of each, its stream capabilities, the bytes of one frame, and which entry a host's media type
// asks for.
#pragma once

#include <vector>

#include "platform/vidcap/CaptureBackend.h"

// Bytes in one row and in one frame (rows padded to 4 bytes, as bitmaps are).
ULONG CaptureRowBytes(const CaptureFormat& format);
ULONG CaptureFrameBytes(const CaptureFormat& format);

// A complete media type whose format block is in task memory, for the caller to free; the
// block is null when memory ran out.
AM_MEDIA_TYPE CaptureMediaType(const CaptureFormat& format, REFERENCE_TIME interval_100ns);
VIDEO_STREAM_CONFIG_CAPS CaptureStreamCaps(const CaptureFormat& format);

// The entry of `formats` a media type asks for, or -1; its frame interval must lie within the
// entry's range (0 means the shortest) and is returned through interval_100ns.
int MatchCaptureFormat(const std::vector<CaptureFormat>& formats, const AM_MEDIA_TYPE& mt,
                       REFERENCE_TIME& interval_100ns);
