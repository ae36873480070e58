#include "device/MailboxTransfer.h"

#include <algorithm>
#include <array>
#include <new>

#include "device/VendorChannel.h"

namespace {

// Polls back to back: a real camera answers each read in a USB round trip, so the host need
// not pause between reads.
BOOL WaitUntil(CVendorChannel& device, DeviceStatus& status, const CDeadline& deadline) {
    DeviceStatus record;
    for (;;) {
        if (!device.GetStatus(record))
            return FALSE;
        if (record.IsReady())
            break;
        if (deadline.Passed())
            return FALSE;
    }
    status = record;
    return TRUE;
}

// Whether `length` bytes from `address` stay inside the camera's 32-bit address space.
bool FitsAddressSpace(DWORD address, uint64_t length) {
    return uint64_t{address} + length <= uint64_t{1} << 32;
}

}  // namespace

BOOL WaitForMailbox(CVendorChannel& device, DeviceStatus& status, int64_t timeout_ms) {
    return WaitUntil(device, status, CDeadline(*device.m_pClock, timeout_ms));
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
    // A block that runs past the top of the address space is a corrupt announcement.
    if (!FitsAddressSpace(status.address, status.lengthOrValue))
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
    const CDeadline deadline(*device.m_pClock, timeout_ms);
    DeviceStatus record;
    LONG rounded = 0;
    for (;;) {
        if (!WaitUntil(device, record, deadline))
            return FALSE;
        rounded = RoundedBlockSize(record.lengthOrValue);
        if (rounded > 0)
            break;
        // An announcement of nothing is not taken; the firmware may still post the block.
        if (deadline.Passed())
            return FALSE;
    }
    // Refused before anything is allocated or read: larger than any still this camera makes,
    // or running past the top of the address space (it would go on reading from address 0).
    const DWORD total = static_cast<DWORD>(rounded);
    if (total > device.m_nMaxBlockSize || !FitsAddressSpace(record.address, total))
        return FALSE;

    // Zeroed, so no stale heap byte can leave here even if a driver miscounts a piece.
    std::unique_ptr<BYTE[]> block(new (std::nothrow) BYTE[total]());
    if (!block)
        return FALSE;

    DWORD written = 0;
    while (written < total) {
        // The bound covers the whole transfer: a camera that stalls piece by piece ends too.
        if (deadline.Passed())
            return FALSE;  // the block is released here, once; nothing is acknowledged
        const DWORD piece = std::min(total - written, kDownloadPieceSize);
        if (!device.ReadMemory(record.address, piece, block.get() + written))
            return FALSE;
        written += piece;
        // Only full pieces move the address the acknowledgement carries.
        if (piece == kDownloadPieceSize)
            record.address += kDownloadPieceSize;
    }

    device.WriteStatus(record);  // the firmware needs no answer to the acknowledgement
    buffer = std::move(block);
    size = rounded;
    status = record;
    return TRUE;
}
