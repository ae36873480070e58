#include "device/MailboxTransfer.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <new>

#include "device/VendorChannel.h"

namespace {

using Clock = std::chrono::steady_clock;

Clock::time_point DeadlineAfter(int64_t timeout_ms) {
    return Clock::now() + std::chrono::milliseconds(timeout_ms);
}

int64_t RemainingUntil(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() > 0 ? left.count() : 0;
}

}  // namespace

BOOL WaitForMailbox(CVendorChannel& device, DeviceStatus& status, int64_t timeout_ms) {
    const auto deadline = DeadlineAfter(timeout_ms);
    DeviceStatus record = status;
    for (;;) {
        if (!device.GetStatus(record))
            return FALSE;
        if (record.IsReady())
            break;
        // Polled back to back: a real camera answers each read in a USB round trip.
        if (Clock::now() >= deadline)
            return FALSE;
    }
    status = record;
    return TRUE;
}

BOOL FetchSmallBlock(CVendorChannel& device, SmallBlock request, BYTE* destination, DWORD size,
                     int64_t timeout_ms) {
    const BOOL requested = request == SmallBlock::Capabilities ? device.RequestCapabilities()
                                                               : device.RequestResolutionTable();
    if (!requested)
        return FALSE;
    DeviceStatus status;
    if (!WaitForMailbox(device, status, timeout_ms))
        return FALSE;
    if (status.lengthOrValue < size)
        return FALSE;
    // Read aside first, so a read that fails half way does not spoil what was kept before.
    std::array<BYTE, 64> block{};
    if (size > block.size())
        return FALSE;
    if (!device.ReadMemory(status.address, size, block.data()))
        return FALSE;
    std::copy(block.begin(), block.begin() + size, destination);
    return TRUE;
}

LONG RoundedBlockSize(DWORD lengthOrValue) {
    // Wraps in 32 bits on purpose: a huge length comes out zero or negative and is refused.
    return static_cast<LONG>((lengthOrValue + 3u) & ~3u);
}

BOOL DownloadBlock(CVendorChannel& device, std::unique_ptr<BYTE[]>& buffer, LONG& size,
                   DeviceStatus& status, int64_t timeout_ms) {
    const auto deadline = DeadlineAfter(timeout_ms);
    DeviceStatus record;
    LONG rounded = 0;
    for (;;) {
        if (!WaitForMailbox(device, record, RemainingUntil(deadline)))
            return FALSE;
        rounded = RoundedBlockSize(record.lengthOrValue);
        if (rounded > 0)
            break;
        // An announcement of nothing is not taken; the firmware may still post the block.
        if (Clock::now() >= deadline)
            return FALSE;
    }

    std::unique_ptr<BYTE[]> block(new (std::nothrow) BYTE[static_cast<size_t>(rounded)]);
    if (!block)
        return FALSE;

    const DWORD total = static_cast<DWORD>(rounded);
    DWORD written = 0;
    for (DWORD full = total / kDownloadPieceSize; full > 0; --full) {
        if (!device.ReadMemory(record.address, kDownloadPieceSize, block.get() + written)) {
            return FALSE;  // the block is released here, once; nothing is acknowledged
        }
        written += kDownloadPieceSize;
        record.address += kDownloadPieceSize;
    }
    if (const DWORD rest = total % kDownloadPieceSize; rest != 0) {
        if (!device.ReadMemory(record.address, rest, block.get() + written))
            return FALSE;
    }

    device.WriteStatus(record);  // the firmware needs no answer to the acknowledgement
    buffer = std::move(block);
    size = rounded;
    status = record;
    return TRUE;
}
