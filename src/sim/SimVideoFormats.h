// The video formats the simulated camera delivers, and its conversion of rendered BGR pictures
// into YUY2 frames.
#pragma once

#include <vector>

#include "platform/vidcap/CaptureBackend.h"

inline constexpr REFERENCE_TIME kSimMinFrameInterval_100ns = 333'333;     // 30 frames per second
inline constexpr REFERENCE_TIME kSimMaxFrameInterval_100ns = 10'000'000;  // 1 per second

// In capability order, deliberately not sorted: uncompressed RGB24 (including 640 x 480) and
// YUY2, interleaved.
const std::vector<CaptureFormat>& SimVideoFormats();
// The pins carry RGB24 640 x 480 until the host chooses.
inline constexpr size_t kSimDefaultFormat = 2;

// Packs top-down BGR pixels (3 bytes each, rows without gaps) into YUY2 rows of rowBytes
// bytes, with ITU-R BT.601 studio-range coefficients. Width must be even.
void BgrToYuy2(const BYTE* bgr, LONG width, LONG height, BYTE* yuy2, ULONG rowBytes);
