#include "imaging/RawDevelop.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <system_error>
#include <thread>

#include "imaging/BayerDemosaic.h"
#include "imaging/ImagingLog.h"
#include "imaging/RowBand.h"
#include "imaging/ToneCurve.h"
#include "platform/log/Log.h"

namespace {

// Below this many rows per core, starting a thread costs more than it saves.
constexpr int kMinRowsPerThread = 64;
constexpr int kMaxThreads = 16;

int ChooseThreadCount(int requested, int interiorRows) {
    if (requested > 0) {
        return std::min({requested, interiorRows, kMaxThreads});
    }
    const int cores = std::max(int(std::thread::hardware_concurrency()), 1);
    return std::clamp(std::min(cores, interiorRows / kMinRowsPerThread), 1, kMaxThreads);
}

}  // namespace

BOOL DevelopRawSnapshot(const RawSnapshotInfo& info, BYTE* image, int threadCount) {
    if (info.samples == nullptr || image == nullptr || info.width < 2 || info.height < 2 ||
        info.phase < 0 || info.phase > 3) {
        LogWarning(kLogImaging, "raw still not developed: %d x %d, phase %d, %s", info.width,
                   info.height, info.phase, info.samples && image ? "refused" : "no buffer");
        return false;
    }
    const int width = info.width;
    const int height = info.height;
    if (width < 3 || height < 3) {
        // No interior: sharpening leaves such a picture as the tone curve made it.
        DemosaicBayer(info.samples, width, height, info.phase, image);
        ApplyToneCurve(image, width, height);
        return true;
    }

    const int interiorRows = height - 2;
    const int threads = ChooseThreadCount(threadCount, interiorRows);
    const size_t scratchPerThread = kRowBandScratchPerColumn * size_t(width);
    std::unique_ptr<int32_t[]> scratch(new (std::nothrow)
                                           int32_t[scratchPerThread * size_t(threads)]);
    if (!scratch) {
        LogWarning(kLogImaging, "raw still not developed: %zu working values not reserved",
                   scratchPerThread * size_t(threads));
        return false;
    }

    auto bandStart = [&](int index) { return 1 + int(int64_t{interiorRows} * index / threads); };
    std::array<std::thread, kMaxThreads> workers;
    for (int t = 1; t < threads; ++t) {
        CRowBand band(info, image, scratch.get() + scratchPerThread * size_t(t));
        const int first = bandStart(t);
        const int last = bandStart(t + 1);
        try {
            workers[size_t(t)] =
                std::thread([band, first, last]() mutable { band.Develop(first, last); });
        } catch (const std::system_error&) {
            band.Develop(first, last);  // no thread to spare: develop the band here
        }
    }
    CRowBand(info, image, scratch.get()).Develop(bandStart(0), bandStart(1));
    for (std::thread& worker : workers) {
        if (worker.joinable()) {
            worker.join();
        }
    }

    CopyOuterRows(image, width, height);
    return true;
}

void CopyOuterRows(BYTE* image, int width, int height) {
    const size_t stride = size_t{3} * size_t(width);
    std::memcpy(image + size_t(height - 1) * stride, image + size_t(height - 2) * stride, stride);
    std::memcpy(image, image + stride, stride);
}
