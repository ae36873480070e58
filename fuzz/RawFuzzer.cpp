// ParseRawSnapshot on arbitrary blocks and, for each one it accepts, the development the raw
// snapshot flow runs, into an image reserved as the flow reserves it: the fused development
// must equal the three separate passes, write every pixel and leave the row padding alone.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "FuzzSupport.h"
#include "imaging/BayerDemosaic.h"
#include "imaging/RawDevelop.h"
#include "imaging/RawSnapshot.h"
#include "imaging/Sharpen.h"
#include "imaging/ToneCurve.h"

namespace {

constexpr uint64_t kMaxPixels = uint64_t{1} << 22;

bool AllBytesAre(const BYTE* bytes, size_t count, BYTE value) {
    return std::all_of(bytes, bytes + count, [value](BYTE b) { return b == value; });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    RawSnapshotInfo info{};
    if (size > INT32_MAX || !ParseRawSnapshot(data, int32_t(size), info)) {
        return 0;
    }
    const int width = info.width;
    const int height = info.height;
    Check(info.samples == data + kRawHeaderBytes && width >= 2 && height >= 2 && info.phase >= 0 &&
          info.phase <= 3 && uint64_t(width) * uint64_t(height) + kRawHeaderBytes == size);
    if (uint64_t(width) * uint64_t(height) > kMaxPixels) {
        return 0;
    }

    const size_t packed = size_t{3} * size_t(width) * size_t(height);
    const size_t reserved = RawImageBytes(width, height);
    std::unique_ptr<BYTE[]> fused = ReserveRawImage(width, height);
    std::unique_ptr<BYTE[]> passes = ReserveRawImage(width, height);
    if (!fused || !passes) {
        return 0;
    }
    Check(reserved >= packed);
    std::memset(fused.get(), 0x00, reserved);
    std::memset(passes.get(), 0xFF, reserved);

    // Byte 0 is not part of the header's meaning: let it choose how the rows are split.
    Check(DevelopRawSnapshot(info, fused.get(), 1 + data[0] % 4) != 0);
    DemosaicBayer(info.samples, width, height, info.phase, passes.get());
    ApplyToneCurve(passes.get(), width, height);
    SharpenImage(passes.get(), width, height);

    Check(std::memcmp(fused.get(), passes.get(), packed) == 0);
    Check(AllBytesAre(fused.get() + packed, reserved - packed, 0x00));
    Check(AllBytesAre(passes.get() + packed, reserved - packed, 0xFF));
    return 0;
}
