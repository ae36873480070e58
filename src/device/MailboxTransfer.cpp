#include "device/MailboxTransfer.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#endif

#include "device/DeviceLog.h"
#include "device/VendorChannel.h"
#include "platform/log/Log.h"

namespace {

// Asked before the block is first touched, for the whole huge pages inside it: a raw still's
// 5 MB take over a thousand page faults otherwise, each dear on a virtual machine. Advice
// only; where it is refused, the pages stay small.
void AdviseHugePages([[maybe_unused]] BYTE* block, [[maybe_unused]] size_t bytes) {
#if defined(__linux__)
    constexpr uintptr_t kHugePage = uintptr_t{2} << 20;
    const uintptr_t begin = (reinterpret_cast<uintptr_t>(block) + kHugePage - 1) & ~(kHugePage - 1);
    const uintptr_t end = (reinterpret_cast<uintptr_t>(block) + bytes) & ~(kHugePage - 1);
    if (end > begin)
        madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#endif
}

// Polls back to back: a real camera answers each read in a USB round trip, so the host need
// not pause between reads.
BOOL WaitUntil(CVendorChannel& device, DeviceStatus& status, const CDeadline& deadline) {
    DeviceStatus record;
    for (;;) {
        if (!device.GetStatus(record)) {
            LogDebug(kLogDevice, "mailbox wait ended: the status read failed");
            return FALSE;
        }
        if (record.IsReady())
            break;
        if (deadline.Passed()) {
            LogWarning(kLogDevice,
                       "mailbox: nothing posted within %lld ms (address 0x%08X, length %u, "
                       "flags 0x%08X)",
                       static_cast<long long>(deadline.Timeout_ms()), record.address,
                       record.lengthOrValue, record.flags);
            return FALSE;
        }
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
    const char* what = request == SmallBlock::Capabilities ? "capability word" : "resolution table";
    const BOOL requested = request == SmallBlock::Capabilities ? device.RequestCapabilities()
                                                               : device.RequestResolutionTable();
    if (!requested) {
        LogDebug(kLogDevice, "%s: the request failed", what);
        return FALSE;
    }
    DeviceStatus status;
    if (!WaitForMailbox(device, status, timeout_ms)) {
        LogDebug(kLogDevice, "%s: no block was announced", what);
        return FALSE;
    }
    if (status.lengthOrValue < size) {
        LogWarning(kLogDevice, "%s: the camera announced %u bytes at 0x%08X, %u needed", what,
                   status.lengthOrValue, status.address, size);
        return FALSE;
    }
    // A block that runs past the top of the address space is a corrupt announcement.
    if (!FitsAddressSpace(status.address, status.lengthOrValue)) {
        LogWarning(kLogDevice, "%s: %u bytes at 0x%08X run past the address space", what,
                   status.lengthOrValue, status.address);
        return FALSE;
    }
    // Read aside first, so a read that fails half way does not spoil what was kept before.
    std::array<BYTE, 64> block{};
    if (size > block.size())
        return FALSE;
    if (!device.ReadMemory(status.address, size, block.data())) {
        LogDebug(kLogDevice, "%s: reading %u bytes at 0x%08X failed", what, size, status.address);
        return FALSE;
    }
    std::copy(block.begin(), block.begin() + size, destination);
    return TRUE;
}

LONG RoundedBlockSize(DWORD lengthOrValue) {
    // Wraps in 32 bits on purpose: a huge length comes out zero or negative and is refused.
    return static_cast<LONG>((lengthOrValue + 3u) & ~3u);
}

BOOL DownloadBlock(CVendorChannel& device, std::unique_ptr<BYTE[]>& buffer, LONG& size,
                   DeviceStatus& status, int64_t timeout_ms, IDownloadWatch* watch) {
    const CDeadline deadline(*device.m_pClock, timeout_ms);
    const int64_t started_ms = device.m_pClock->Now_ms();
    DeviceStatus record;
    LONG rounded = 0;
    bool bSkipped = false;
    for (;;) {
        if (!WaitUntil(device, record, deadline))
            return FALSE;
        rounded = RoundedBlockSize(record.lengthOrValue);
        if (rounded > 0)
            break;
        // Once per download: the loop below may spin on the same record until the bound.
        if (!bSkipped) {
            LogDebug(kLogDevice, "download: announcement of %u bytes not taken, waiting on",
                     record.lengthOrValue);
            bSkipped = true;
        }
        // An announcement of nothing is not taken; the firmware may still post the block.
        if (deadline.Passed()) {
            LogWarning(kLogDevice,
                       "download: only unusable announcements (last %u bytes) in %lld ms",
                       record.lengthOrValue, static_cast<long long>(timeout_ms));
            return FALSE;
        }
    }
    // Refused before anything is allocated or read: larger than any still this camera makes,
    // or running past the top of the address space (it would go on reading from address 0).
    const DWORD total = static_cast<DWORD>(rounded);
    if (total > device.m_nMaxBlockSize) {
        LogWarning(kLogDevice,
                   "download refused: %u bytes at 0x%08X, above the camera's limit of %u",
                   record.lengthOrValue, record.address, device.m_nMaxBlockSize);
        return FALSE;
    }
    if (!FitsAddressSpace(record.address, total)) {
        LogWarning(kLogDevice, "download refused: %u bytes at 0x%08X run past the address space",
                   record.lengthOrValue, record.address);
        return FALSE;
    }

    const int64_t announced_ms = device.m_pClock->Now_ms();
    std::unique_ptr<BYTE[]> block(new (std::nothrow) BYTE[total]);
    if (!block) {
        LogWarning(kLogDevice, "download: %u bytes could not be reserved", total);
        return FALSE;
    }
    AdviseHugePages(block.get(), total);
    // Zeroed, so no stale heap byte can leave here even if a driver miscounts a piece.
    std::memset(block.get(), 0, total);

    // Whatever ends the loop early, the watch lets go of the block before it is released.
    struct CAbandonGuard {
        IDownloadWatch* watch;
        ~CAbandonGuard() {
            if (watch)
                watch->Abandoned();
        }
    } abandon{watch};
    DWORD written = 0;
    while (written < total) {
        // The bound covers the whole transfer: a camera that stalls piece by piece ends too.
        if (deadline.Passed()) {
            LogWarning(kLogDevice,
                       "download: %u of %u bytes read within %lld ms, stopped at 0x%08X", written,
                       total, static_cast<long long>(timeout_ms), record.address);
            return FALSE;  // the block is released here, once; nothing is acknowledged
        }
        const DWORD piece = std::min(total - written, kDownloadPieceSize);
        if (!device.ReadMemory(record.address, piece, block.get() + written)) {
            LogWarning(kLogDevice, "download: reading %u bytes at 0x%08X failed after %u of %u",
                       piece, record.address, written, total);
            return FALSE;
        }
        written += piece;
        // Only full pieces move the address the acknowledgement carries.
        if (piece == kDownloadPieceSize)
            record.address += kDownloadPieceSize;
        if (watch)
            watch->Arrived(block.get(), rounded, written);
    }
    abandon.watch = nullptr;

    device.WriteStatus(record);  // the firmware needs no answer to the acknowledgement
    // Where a download's time goes: the camera's preparing, then its pace through the pieces.
    LogDebug(kLogDevice,
             "download: %u bytes announced after %lld ms, read and acknowledged in %lld ms",
             record.lengthOrValue, static_cast<long long>(announced_ms - started_ms),
             static_cast<long long>(device.m_pClock->Now_ms() - announced_ms));
    buffer = std::move(block);
    size = rounded;
    status = record;
    return TRUE;
}
