// The camera's fixed-size wire records decoded from arbitrary bytes: the mailbox record
// must survive a round trip, and no resolution-table read may leave the 34 bytes.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "device/DeviceStatus.h"
#include "device/ResolutionTable.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::array<BYTE, DeviceStatus::kWireSize> statusBytes{};
    std::copy_n(data, std::min(size, statusBytes.size()), statusBytes.begin());
    const DeviceStatus status = DeviceStatus::FromBytes(statusBytes);
    if (status.ToBytes() != statusBytes)
        std::abort();

    ResolutionTable table;
    std::copy_n(data, std::min(size, table.bytes.size()), table.bytes.begin());
    unsigned sum = table.Count();
    for (size_t i = 0; i < ResolutionTable::kMaxEntries; ++i) {
        const ResolutionEntry entry = table.Entry(i);
        sum += entry.width + entry.height + entry.reserved;
    }
    return sum == 0xFFFFFFFF ? 1 : 0;  // keeps the reads from being optimised away
}
