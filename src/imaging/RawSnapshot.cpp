#include "imaging/RawSnapshot.h"

#include <cstdint>

#include "imaging/ImageMemory.h"
#include "imaging/ImagingLog.h"
#include "platform/log/Log.h"

namespace {

constexpr int kHeightOffset = 10;
constexpr int kWidthOffset = 12;
constexpr int kPhaseOffset = 17;

int ReadBigEndian16(const BYTE* p) {
    return (int(p[0]) << 8) | int(p[1]);
}

}  // namespace

BOOL ParseRawSnapshot(const BYTE* block, int32_t transferLength, RawSnapshotInfo& info,
                      BOOL bQuiet) {
    // Checked before any header byte is read: a short block must not be read past its end.
    if (block == nullptr || transferLength < kRawHeaderBytes) {
        if (!bQuiet)
            LogWarning(kLogImaging,
                       "raw still refused: %d bytes%s, shorter than its %d-byte header",
                       transferLength, block ? "" : " and no block", kRawHeaderBytes);
        return false;
    }
    const int height = ReadBigEndian16(block + kHeightOffset);
    const int width = ReadBigEndian16(block + kWidthOffset);
    const int phase = block[kPhaseOffset];
    // Two 16-bit sides multiply to at most 0xFFFE0001, which fits an unsigned 32-bit product.
    const uint32_t samples = uint32_t(width) * uint32_t(height);
    if (int64_t{samples} != int64_t{transferLength} - kRawHeaderBytes) {
        if (!bQuiet)
            LogWarning(
                kLogImaging,
                "raw still refused: the header says %d x %d (%u samples), the transfer holds "
                "%d bytes after its %d-byte header",
                width, height, samples, transferLength - kRawHeaderBytes, kRawHeaderBytes);
        return false;
    }
    if (phase > 3 || width < 2 || height < 2) {
        if (!bQuiet)
            LogWarning(kLogImaging, "raw still refused: Bayer phase %d of %d x %d", phase, width,
                       height);
        return false;
    }
    info.width = width;
    info.height = height;
    info.phase = phase;
    info.samples = block + kRawHeaderBytes;
    return true;
}

size_t RawImageBytes(int width, int height) {
    if (width <= 0 || height <= 0) {
        return 0;
    }
    const uint64_t stride = (uint64_t{3} * uint64_t(width) + 3u) & ~uint64_t{3};
    const uint64_t bytes = stride * uint64_t(height);  // under 2^33 x 2^31: no wrap
    if (bytes > uint64_t(PTRDIFF_MAX)) {
        return 0;
    }
    return size_t(bytes);
}

std::unique_ptr<BYTE[]> ReserveRawImage(int width, int height) {
    const size_t bytes = RawImageBytes(width, height);
    std::unique_ptr<BYTE[]> image = ReserveImageMemory(bytes);
    if (!image) {
        LogWarning(kLogImaging, "raw image of %d x %d (%zu bytes) not reserved", width, height,
                   bytes);
    }
    return image;
}
