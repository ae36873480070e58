// ResolutionTable: the camera's list of still sizes as its firmware posts it (34 bytes,
// 16-bit fields little-endian); entry 0 is the size of a JPEG still.
#pragma once

#include <array>
#include <cstddef>

#include "platform/com/Types.h"

struct ResolutionEntry {
    static constexpr size_t kWireSize = 6;

    WORD width = 0;
    WORD height = 0;
    WORD reserved = 0;  // a third field the utility carries but never interprets

    friend bool operator==(const ResolutionEntry&, const ResolutionEntry&) = default;
};

struct ResolutionTable {
    static constexpr size_t kWireSize = 34;
    static constexpr size_t kMaxEntries = 5;

    // The bytes as posted: offset 0 (u16, not read), count at 2, entries from 4.
    std::array<BYTE, kWireSize> bytes{};

    WORD Count() const;
    // Entry `index` as stored, whether or not the count covers it; index < kMaxEntries.
    ResolutionEntry Entry(size_t index) const;
};
