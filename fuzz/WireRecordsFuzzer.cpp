// The camera's fixed-size wire records decoded from arbitrary bytes: the mailbox record
// must survive a round trip, the capability word is the first four bytes little-endian, no
// resolution-table read may leave the 34 bytes, and the download limit derived from the
// table is its largest listed entry's, a multiple of 4 and never above the ceiling.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "device/BlockLimit.h"
#include "device/DeviceStatus.h"
#include "device/ResolutionTable.h"
#include "device/WireFormat.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::array<BYTE, DeviceStatus::kWireSize> statusBytes{};
    std::copy_n(data, std::min(size, statusBytes.size()), statusBytes.begin());
    const DeviceStatus status = DeviceStatus::FromBytes(statusBytes);
    if (status.ToBytes() != statusBytes)
        std::abort();

    // What CDeviceCapabilities::Read makes of the block's first four bytes.
    const DWORD capabilities = wire::GetU32(statusBytes.data());
    BYTE capabilityBytes[4];
    wire::PutU32(capabilityBytes, capabilities);
    if (!std::equal(capabilityBytes, capabilityBytes + 4, statusBytes.begin()) ||
        (capabilities & 0xFF) != statusBytes[0] || capabilities >> 24 != statusBytes[3]) {
        std::abort();
    }

    ResolutionTable table;
    std::copy_n(data, std::min(size, table.bytes.size()), table.bytes.begin());
    unsigned sum = table.Count();
    uint64_t largest = 0;
    for (size_t i = 0; i < ResolutionTable::kMaxEntries; ++i) {
        const ResolutionEntry entry = table.Entry(i);
        sum += entry.width + entry.height + entry.reserved;
        if (i < table.Count())
            largest = std::max(largest, uint64_t{entry.width} * entry.height);
    }
    const DWORD limit = StillBlockLimit(table);
    const uint64_t wanted = largest ? 4 * largest + 0x10000 : kUnknownCameraBlockLimit;
    if (limit % 4 != 0 || limit > kMaxBlockLimit ||
        limit != std::min<uint64_t>(wanted, kMaxBlockLimit))
        std::abort();
    return sum == 0xFFFFFFFF ? 1 : 0;  // keeps the reads from being optimised away
}
