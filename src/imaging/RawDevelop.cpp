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
#include "imaging/DevelopRows.h"
#include "imaging/ImagingLog.h"
#include "imaging/ToneCurve.h"
#include "platform/log/Log.h"

namespace {

// Below this many rows per core, starting a thread costs more than it saves.
constexpr int kMinRowsPerThread = 64;
constexpr int kMaxThreads = 16;

// Working values per image column for one worker: a row of planar colours and three
// converted rows.
constexpr size_t kScratchPerColumn = 3 + 9;

// Develops sample rows [first, last) of the interior. Each worker converts the row above
// and below its band itself, so bands share no state and any split gives the same picture.
class CRowBand {
public:
    CRowBand(const RawSnapshotInfo& info, BYTE* image, int32_t* scratch)
        : m_info(info), m_pImage(image), m_pScratch(scratch), m_nWidth(size_t(info.width)) {}

    void Develop(int first, int last) const {
        Produce(first - 1);
        Produce(first);
        for (int y = first; y < last; ++y) {
            Produce(y + 1);
            BYTE* out = m_pImage + size_t(m_info.height - 1 - y) * 3 * m_nWidth;
            SharpenRow(Converted(y - 1).luma, Converted(y), Converted(y + 1).luma, m_info.width,
                       out);
        }
    }

private:
    const BYTE* SampleRow(int y) const { return m_info.samples + size_t(y) * m_nWidth; }

    ConvertedRow Converted(int y) const {
        int32_t* base = m_pScratch + (3 + size_t(y % 3) * 3) * m_nWidth;
        return {base, base + m_nWidth, base + 2 * m_nWidth};
    }

    // Demosaics, tone-maps and converts sample row y into its slot of the ring.
    void Produce(int y) const {
        int32_t* blue = m_pScratch;
        int32_t* green = blue + m_nWidth;
        int32_t* red = green + m_nWidth;
        DemosaicRow(SampleRow(RowAbove(y)), SampleRow(y), SampleRow(RowBelow(y, m_info.height)),
                    m_info.width, BayerKindAtRowStart(m_info.phase, y), blue, green, red);
        ToneRow(blue, 3 * m_info.width);
        ConvertRow(blue, green, red, m_info.width, Converted(y));
    }

    RawSnapshotInfo m_info;
    BYTE* m_pImage;
    int32_t* m_pScratch;
    size_t m_nWidth;
};

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
    const size_t scratchPerThread = kScratchPerColumn * size_t(width);
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
        const CRowBand band(info, image, scratch.get() + scratchPerThread * size_t(t));
        const int first = bandStart(t);
        const int last = bandStart(t + 1);
        try {
            workers[size_t(t)] = std::thread([band, first, last] { band.Develop(first, last); });
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

    // The outer rows repeat their inner neighbours (sample row 0 is the last image row).
    const size_t stride = size_t{3} * size_t(width);
    std::memcpy(image + size_t(height - 1) * stride, image + size_t(height - 2) * stride, stride);
    std::memcpy(image, image + stride, stride);
    return true;
}
