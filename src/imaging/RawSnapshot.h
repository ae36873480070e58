// The raw still the camera posts: a 20-byte big-endian header, then one 8-bit Bayer sample
// per pixel, top row first. Also reserves the image a raw still is developed into.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "imaging/ImagingTypes.h"

inline constexpr int32_t kRawHeaderBytes = 20;

// What an accepted raw still holds; the samples point into the caller's block.
struct RawSnapshotInfo {
    int width;
    int height;
    int phase;  // Bayer phase 0..3: RGGB, GRBG, GBRG, BGGR
    const BYTE* samples;
};

// Accepts the block when width x height + 20 equals the transfer length, the phase names
// a Bayer pattern and both sides are at least 2 (demosaicing mirrors one row/column in).
// Copies nothing; on rejection info is left untouched, and the log says why unless `bQuiet`.
BOOL ParseRawSnapshot(const BYTE* block, int32_t transferLength, RawSnapshotInfo& info,
                      BOOL bQuiet = false);

// Bytes of the raw image: rows of 3 x width rounded up to a multiple of 4, times height.
// Zero for sizes that are not positive or do not fit in memory at all.
size_t RawImageBytes(int width, int height);

// Reserves the raw image (RawImageBytes); empty instead of throwing when memory is short,
// so the snapshot flow can drop the still cleanly. Pixels are packed at 3 x width per row.
std::unique_ptr<BYTE[]> ReserveRawImage(int width, int height);
