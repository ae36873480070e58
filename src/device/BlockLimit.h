// The largest block the host takes from the camera in one download, derived from the stills
// the camera says it can make, so a corrupt or hostile length cannot make the host allocate
// gigabytes before it reads a byte.
//
// A JPEG still of W x H is at most about the 24-bit image it encodes (3 W H bytes) plus its
// headers; a raw still is a 20-byte header and one byte per sensor pixel, and the sensor is
// the largest entry of the resolution table. The limit allows 4 bytes per pixel of the
// largest entry (a third above the 24-bit image, for an encoder that does badly on a noisy
// scene) plus 64 KiB of headers, which covers both kinds.
#pragma once

#include <cstdint>

#include "device/ResolutionTable.h"

inline constexpr uint64_t kStillBytesPerPixel = 4;
inline constexpr uint64_t kStillHeaderMargin = 0x10000;
// No table raises the limit above this: 256 MiB is already most of what USB 2.0 (some
// 35 MB/s) carries within a transfer's 10 s bound.
inline constexpr DWORD kMaxBlockLimit = 0x10000000;  // 256 MiB

// The limit for a largest still of `pixels` pixels, at most kMaxBlockLimit; a multiple of 4
// like every rounded block size.
constexpr DWORD StillBlockLimit(uint64_t pixels) {
    // 16-bit sides keep `pixels` below 2^32, so this stays far from overflow.
    const uint64_t bytes = kStillBytesPerPixel * pixels + kStillHeaderMargin;
    return static_cast<DWORD>(bytes < kMaxBlockLimit ? bytes & ~uint64_t{3} : kMaxBlockLimit);
}

// Before a table is read nothing is known of the sensor; this allows a 16-megapixel one,
// several times the sizes these camera modules offer.
inline constexpr DWORD kUnknownCameraBlockLimit = StillBlockLimit(uint64_t{4096} * 4096);

// The limit for the largest entry the table lists (below its count, at most five); the
// unknown camera's limit when it lists none with an area.
DWORD StillBlockLimit(const ResolutionTable& table);
