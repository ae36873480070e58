// SnapshotRequest: the 34-byte payload that asks the camera for a JPEG still.
#pragma once

#include <array>
#include <cstddef>

#include "platform/com/Types.h"

struct SnapshotRequest {
    static constexpr size_t kWireSize = 34;
    static constexpr DWORD kModeJpeg = 3;

    DWORD mode = kModeJpeg;  // offset 0, u32 little-endian
    WORD width = 0;          // offset 4, u16 little-endian
    WORD height = 0;         // offset 6, u16 little-endian
    // Offsets 8 to 33 are not set by the utility; they travel as zero.

    std::array<BYTE, kWireSize> ToBytes() const;
};
