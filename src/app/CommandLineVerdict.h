// What a focus run from the command line adds up to: the figures' summary, the medians of its
// last second (figures and regions), and the verdict of the limits it was given. Medians take
// the lower of the two middle values for an even count, so a median is always a value that was
// printed; overflows and regions without an edge are left out of them.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "measure/RegionSharpness.h"
#include "platform/com/Types.h"

// The stretch at the end of a focus run that the limits judge.
inline constexpr int64_t kVerdictWindow_ms = 1000;

struct FigureSample {
    int64_t elapsed_ms = 0;
    LONG value = 0;
};

// A region reading as the run printed it: MTF50 rounded to four decimals, none without an edge.
struct RegionReadout {
    int64_t elapsed_ms = 0;
    std::array<std::optional<double>, kSfrRegionCount> mtf50;
};

struct FigureStats {
    size_t samples = 0;    // figures, overflows included
    size_t overflows = 0;  // left out of everything below
    // None when every figure was an overflow (or there was none).
    std::optional<LONG> min, median, max;
    int64_t peak_ms = 0;  // when the maximum was first reported
};

struct RegionStats {
    size_t readings = 0;
    std::array<std::optional<double>, kSfrRegionCount> median;  // none: no edge at all
    ImageTilt tilt;  // from the corners' medians; invalid when a corner has none
};

// One limit as judged: the measured value is the figure's median, the lowest region's median
// (`where` names the region) or the larger tilt in size (`where` names its axis).
struct LimitResult {
    const char* option = "";  // "min-figure", "min-mtf50", "max-tilt"
    double limit = 0;
    std::optional<double> measured;  // none: nothing to judge, which misses the limit
    std::string where;
    bool bMet = false;
    std::string missed;  // what the one line says when it was missed
};

// The figures from `from_ms` on (all of them for 0).
FigureStats SummarizeFigures(const std::vector<FigureSample>& figures, int64_t from_ms = 0);
RegionStats SummarizeRegions(const std::vector<RegionReadout>& readings, int64_t from_ms);
RegionReadout MakeRegionSample(int64_t elapsed_ms, const RegionSharpness& sharpness);

// The limits `options` holds, in the order of the options' help.
std::vector<LimitResult> JudgeLimits(const CommandLineOptions& options,
                                     const FigureStats& lastSecond, const RegionStats& regions);
// "focus: 52 samples, min 14000, median 19000, max 19894 at 2300 ms, 0 overflows".
std::string FormatFocusSummary(const FigureStats& stats);
// "limit missed: --min-figure 20000: median figure 15234, 4766 short"; empty when all were met.
std::string FormatMissedLimits(const std::vector<LimitResult>& limits);
// `value` with up to `decimals` decimals, trailing zeros dropped: "0.2817", "4766", "-7.3".
std::string FormatAmount(double value, int decimals);
