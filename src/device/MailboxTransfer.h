// Transfers through the camera's mailbox: the host asks, the firmware announces a block of its
// memory in DeviceStatus, the host reads it out in pieces and, for downloads, acknowledges.
#pragma once

#include <cstdint>
#include <memory>

#include "device/DeviceStatus.h"

class CVendorChannel;

// How long a host waits for the firmware to post into the mailbox before giving up. A real
// camera posts within a few hundred milliseconds, a full-size JPEG still within about two
// seconds; the bound only keeps a dead camera from holding the utility for ever.
inline constexpr int64_t kMailboxTimeout_ms = 10000;
// No single memory read of a download asks for more.
inline constexpr DWORD kDownloadPieceSize = 0x8000;

// Polls the mailbox back to back until its record is ready. 0 when a status read fails or the
// bound (on the device's clock) passes without a ready record.
BOOL WaitForMailbox(CVendorChannel& device, DeviceStatus& status,
                    int64_t timeout_ms = kMailboxTimeout_ms);

// The connect-time fetch of a small fixed-size block that answers `request`: waits for the
// announcement and reads exactly `size` bytes from it into `destination`. Not acknowledged.
// 0 when the request, the wait or the read fails, or the block is shorter than `size` or runs
// past the top of the 32-bit address space.
enum class SmallBlock { Capabilities, ResolutionTable };
BOOL FetchSmallBlock(CVendorChannel& device, SmallBlock request, BYTE* destination, DWORD size,
                     int64_t timeout_ms = kMailboxTimeout_ms);

// The block length rounded up to a multiple of 4, as a signed 32-bit size; not positive for
// a length of 0 or one too large to download.
LONG RoundedBlockSize(DWORD lengthOrValue);

// Told, on the downloading thread, how far a download has come, so that work on a block can
// start on its first pieces while the rest is still read (a raw still is developed so).
class IDownloadWatch {
public:
    virtual ~IDownloadWatch() = default;
    // The first `bytes` bytes of `block` (of `size` bytes, the rounded size) are read.
    virtual void Arrived(const BYTE* block, LONG size, DWORD bytes) = 0;
    // The download failed: `block` is released as soon as this returns, so nothing may read
    // it from then on.
    virtual void Abandoned() = 0;
};

// Waits for the announced block, reads it in pieces of at most kDownloadPieceSize and
// acknowledges it with the address advanced past the full pieces. On success `buffer` owns
// `size` bytes (the rounded size) and `status` is the record as acknowledged; the block's own
// length is status.lengthOrValue. One bound covers the wait and every piece. A block larger
// than the device's m_nMaxBlockSize, or one running past the top of the address space, is
// refused before anything is allocated or read. On failure nothing is handed over and
// nothing acknowledged. A `watch` is told of each piece read and, should a piece fail or the
// bound pass, of the block's end; on success the block it read is the caller's.
BOOL DownloadBlock(CVendorChannel& device, std::unique_ptr<BYTE[]>& buffer, LONG& size,
                   DeviceStatus& status, int64_t timeout_ms = kMailboxTimeout_ms,
                   IDownloadWatch* watch = nullptr);
