// CFocusHistory: the figures the focus read-out showed, for the history chart: the last 300
// (30 seconds at ten a second) with their times, where the read-out paused between them, the
// peak held since the operator last started over, and the readings that overflowed; beside
// them the five regions' MTF50s measured from the picture, each with its own held peak. Times
// are milliseconds of the caller's monotonic clock; the history counts them from the moment
// the read-out first ran after it was cleared.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "measure/SfrRegions.h"
#include "platform/com/Types.h"
#include "session/PeakTracker.h"

struct FocusSample {
    int64_t elapsed_ms = 0;  // since the history's time zero
    LONG value = 0;          // as the firmware sent it; 0x8000 is "Overflow"
    // The read-out paused before it: no line joins it to the figure before.
    bool bAfterPause = false;
};

// The five regions' MTF50s (cycles per pixel) from one measured frame; NaN where a region
// had no edge.
using RegionValues = std::array<float, kSfrRegionCount>;

struct RegionSample {
    int64_t elapsed_ms = 0;
    RegionValues mtf50{};
    bool bAfterPause = false;
};

class CFocusHistory {
public:
    static constexpr size_t kCapacity = 300;
    static constexpr int64_t kSpan_ms = 30'000;  // what the chart shows

    // Forgets every figure, the peak and the time zero ("New").
    void Clear();
    // The read-out runs from `now_ms`; the first run after Clear is time zero.
    void Resume(int64_t now_ms);
    // The read-out stops at `now_ms` (the preview stopped, or a still holds it): the next
    // figure starts a new stretch.
    void Pause(int64_t now_ms);
    // A figure the read-out showed at `now_ms`. The oldest of 300 makes room; an overflow is
    // counted and never becomes the peak.
    void Add(int64_t now_ms, LONG value);
    // One measurement of the five regions at `now_ms`; the oldest of 300 makes room.
    void AddRegions(int64_t now_ms, const RegionValues& mtf50);
    // Starts every peak and the overflow count over ("Start", or the operator's reset).
    void ResetPeak();

    size_t Count() const { return m_nCount; }
    // The i-th figure held, 0 the oldest.
    const FocusSample& At(size_t i) const;
    const FocusSample* Latest() const { return m_nCount ? &At(m_nCount - 1) : nullptr; }
    // Paused since the last figure: the next one will be marked bAfterPause.
    bool IsPaused() const { return m_bBreak; }
    // The latest moment the history knows of: its last figure, pause or resumption.
    int64_t Edge_ms() const { return m_nEdge_ms; }

    bool HasPeak() const { return m_figurePeak.HasPeak(); }
    LONG Peak() const { return static_cast<LONG>(m_figurePeak.Peak()); }
    size_t OverflowCount() const { return m_nOverflows; }
    // Whether `value` lies in the band below a positive held peak; never for an overflow.
    bool InBand(LONG value) const;
    // In the band, and the peak has been passed since the last start-over.
    bool InFocus(LONG value) const;
    const CPeakTracker& FigurePeak() const { return m_figurePeak; }

    size_t RegionCount() const { return m_nRegionCount; }
    const RegionSample& RegionAt(size_t i) const;
    const RegionSample* LatestRegions() const {
        return m_nRegionCount ? &RegionAt(m_nRegionCount - 1) : nullptr;
    }
    const CPeakTracker& RegionPeak(SfrRegion region) const {
        return m_regionPeaks[static_cast<size_t>(region)];
    }

    // "elapsed_ms,figure" and a line for each figure held, oldest first, each ending in '\n'.
    std::string ToCsv() const;

private:
    int64_t Elapsed_ms(int64_t now_ms);

    std::array<FocusSample, kCapacity> m_samples{};
    size_t m_nFirst = 0;  // slot of the oldest figure
    size_t m_nCount = 0;
    bool m_bHasZero = false;
    int64_t m_nZero_ms = 0;
    int64_t m_nEdge_ms = 0;
    bool m_bBreak = false;        // paused since the last figure
    bool m_bRegionBreak = false;  // paused since the last regions
    CPeakTracker m_figurePeak;
    size_t m_nOverflows = 0;
    std::array<RegionSample, kCapacity> m_regions{};
    size_t m_nRegionFirst = 0;
    size_t m_nRegionCount = 0;
    std::array<CPeakTracker, kSfrRegionCount> m_regionPeaks{};
};
