#include "device/BlockLimit.h"

#include <algorithm>

DWORD StillBlockLimit(const ResolutionTable& table) {
    const size_t count = std::min<size_t>(table.Count(), ResolutionTable::kMaxEntries);
    uint64_t largest = 0;
    for (size_t i = 0; i < count; ++i) {
        const ResolutionEntry entry = table.Entry(i);
        largest = std::max(largest, uint64_t{entry.width} * entry.height);
    }
    return largest ? StillBlockLimit(largest) : kUnknownCameraBlockLimit;
}
